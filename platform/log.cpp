#include "platform/log.h"
#include "platform/os.h"
#include <string.h>

static const char overflowMarker[] = "## Log overflowed ##\n";
static const char endMarker[] = "## Log end ##\n";
static const uint64_t overflowMarkerLength = sizeof(overflowMarker) - 1;
static const uint64_t endMarkerLength = sizeof(endMarker) - 1;
static const uint64_t logCapacity = 0x500000;
static const uint64_t numberRoom = 46;

Log globalLog;
int32_t logOverflowed;

// Runs before main, so every caller finds the block in place.
struct LogSetup
{
    LogSetup()
    {
        globalLog.data = (uint8_t*)osReserveMemory(logCapacity);
        globalLog.capacity = globalLog.data ? logCapacity : 0;
        globalLog.used = 0;
    }
};
static LogSetup logSetup;

static void startOver()
{
    logOverflowed = 1;
    memcpy(globalLog.data, overflowMarker, overflowMarkerLength);
    globalLog.used = overflowMarkerLength;
}

static void writeEndMarker()
{
    memcpy(globalLog.data + globalLog.used, endMarker, endMarkerLength);
}

void logString(const char* text)
{
    if (!globalLog.data) return;
    uint64_t length = strlen(text);
    if (globalLog.used + length + endMarkerLength >= globalLog.capacity) startOver();
    uint64_t room = globalLog.capacity - globalLog.used - endMarkerLength - 1;
    if (length > room) length = room;
    memcpy(globalLog.data + globalLog.used, text, length);
    globalLog.used += length;
    writeEndMarker();
}

void logNumber(int32_t value)
{
    if (!globalLog.data) return;
    if (globalLog.used + numberRoom >= globalLog.capacity) startOver();
    char digits[12];
    int count = 0;
    int64_t magnitude = value < 0 ? -(int64_t)value : (int64_t)value;
    do
    {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    uint8_t* out = globalLog.data + globalLog.used;
    if (value < 0) *out++ = '-';
    while (count > 0) *out++ = (uint8_t)digits[--count];
    globalLog.used = (uint64_t)(out - globalLog.data);
    writeEndMarker();
}
