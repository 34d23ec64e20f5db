#include "app/deflate.h"
#include <string.h>

namespace {

const uint32_t windowSize = 32768;
const uint32_t hashBits = 15;
const uint32_t noPosition = 0xFFFFFFFFu;
const uint32_t shortestMatch = 3;
const uint32_t longestMatch = 258;
// Candidates tried per position; the first one of the longest length ends the search.
const uint32_t chainLimit = 8;
const uint64_t storedBlockLimit = 65535;

const uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t distanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Bits go out least significant first; a stream that would pass the end stops growing.
struct BitWriter
{
    uint8_t* out;
    uint64_t capacity;
    uint64_t used;
    uint64_t bits;
    uint32_t count;
    bool full;
};

void putBits(BitWriter* writer, uint32_t value, uint32_t count)
{
    writer->bits |= (uint64_t)value << writer->count;
    writer->count += count;
    while (writer->count >= 8)
    {
        if (writer->used == writer->capacity) writer->full = true;
        else writer->out[writer->used++] = (uint8_t)writer->bits;
        writer->bits >>= 8;
        writer->count -= 8;
    }
}

// Huffman codes are defined most significant bit first.
void putCode(BitWriter* writer, uint32_t code, uint32_t length)
{
    uint32_t reversed = 0;
    for (uint32_t i = 0; i < length; ++i) reversed |= ((code >> i) & 1) << (length - 1 - i);
    putBits(writer, reversed, length);
}

void putLiteral(BitWriter* writer, uint32_t value)
{
    if (value < 144) putCode(writer, 0x30 + value, 8);
    else if (value < 256) putCode(writer, 0x190 + value - 144, 9);
    else if (value < 280) putCode(writer, value - 256, 7);
    else putCode(writer, 0xC0 + value - 280, 8);
}

void putMatch(BitWriter* writer, uint32_t length, uint32_t distance)
{
    uint32_t l = 28;
    while (lengthBase[l] > length) --l;
    putLiteral(writer, 257 + l);
    putBits(writer, length - lengthBase[l], lengthExtra[l]);
    uint32_t d = 29;
    while (distanceBase[d] > distance) --d;
    putCode(writer, d, 5);
    putBits(writer, distance - distanceBase[d], distanceExtra[d]);
}

uint32_t hashAt(const uint8_t* at)
{
    uint32_t three = (uint32_t)at[0] << 16 | (uint32_t)at[1] << 8 | at[2];
    return (three * 2654435761u) >> (32 - hashBits);
}

uint32_t matchLength(const uint8_t* a, const uint8_t* b, uint32_t limit)
{
    uint32_t length = 0;
    while (length + 8 <= limit)
    {
        uint64_t x, y;
        memcpy(&x, a + length, 8);
        memcpy(&y, b + length, 8);
        if (x != y) break;
        length += 8;
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

// Chains of earlier positions with the same hash: head per hash, then
// previous per position (modulo the window).
struct MatchFinder
{
    uint32_t* head;
    uint32_t* previous;
};

void insert(MatchFinder* finder, const uint8_t* data, uint32_t position)
{
    uint32_t hash = hashAt(data + position);
    finder->previous[position % windowSize] = finder->head[hash];
    finder->head[hash] = position;
}

// The longest earlier match for position, and its distance; length 0 if none.
uint32_t findMatch(const MatchFinder* finder, const uint8_t* data, uint32_t position, uint32_t limit,
                   uint32_t* distance)
{
    uint32_t best = 0;
    uint32_t candidate = finder->head[hashAt(data + position)];
    for (uint32_t tries = 0; tries < chainLimit && candidate != noPosition; ++tries)
    {
        // A slot reused by a later position breaks the chain's order: stop there.
        if (candidate >= position || position - candidate > windowSize) break;
        uint32_t length = matchLength(data + candidate, data + position, limit);
        if (length > best)
        {
            best = length;
            *distance = position - candidate;
            if (length == limit) break;
        }
        candidate = finder->previous[candidate % windowSize];
    }
    return best >= shortestMatch ? best : 0;
}

uint32_t adler32(const uint8_t* data, uint64_t count)
{
    uint32_t a = 1, b = 0;
    while (count > 0)
    {
        uint64_t run = count < 5552 ? count : 5552;
        for (uint64_t i = 0; i < run; ++i)
        {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data += run;
        count -= run;
    }
    return b << 16 | a;
}

void putBigEndian(uint8_t* at, uint32_t value)
{
    at[0] = (uint8_t)(value >> 24);
    at[1] = (uint8_t)(value >> 16);
    at[2] = (uint8_t)(value >> 8);
    at[3] = (uint8_t)value;
}

// Header, the fixed-Huffman block and the checksum; false if it does not fit.
bool compressFixed(const uint8_t* data, uint64_t count, BitWriter* writer, uint32_t* work)
{
    MatchFinder finder = {work, work + (1u << hashBits)};
    memset(finder.head, 0xFF, sizeof(uint32_t) << hashBits);
    putBits(writer, 0x78, 8);
    putBits(writer, 0x01, 8);
    putBits(writer, 1, 1); // the last block
    putBits(writer, 1, 2); // fixed codes
    uint32_t position = 0;
    while (position < count && !writer->full)
    {
        uint64_t left = count - position;
        uint32_t limit = left < longestMatch ? (uint32_t)left : longestMatch;
        uint32_t distance = 0, length = 0;
        if (limit >= shortestMatch)
        {
            length = findMatch(&finder, data, position, limit, &distance);
            insert(&finder, data, position);
        }
        if (length) putMatch(writer, length, distance);
        else putLiteral(writer, data[position]);
        position += length ? length : 1;
    }
    putLiteral(writer, 256);
    putBits(writer, 0, (8 - writer->count % 8) % 8);
    if (writer->full || writer->capacity - writer->used < 4) return false;
    putBigEndian(writer->out + writer->used, adler32(data, count));
    writer->used += 4;
    return true;
}

uint64_t storedSize(uint64_t count)
{
    uint64_t blocks = count == 0 ? 1 : (count + storedBlockLimit - 1) / storedBlockLimit;
    return 2 + 5 * blocks + count + 4;
}

uint64_t writeStored(const uint8_t* data, uint64_t count, uint8_t* out)
{
    uint8_t* at = out;
    *at++ = 0x78;
    *at++ = 0x01;
    uint64_t done = 0;
    do
    {
        uint64_t length = count - done < storedBlockLimit ? count - done : storedBlockLimit;
        *at++ = done + length == count ? 1 : 0;
        const uint8_t sizes[4] = {(uint8_t)length, (uint8_t)(length >> 8), (uint8_t)~length, (uint8_t)(~length >> 8)};
        memcpy(at, sizes, 4);
        if (length) memcpy(at + 4, data + done, length);
        at += 4 + length;
        done += length;
    } while (done < count);
    putBigEndian(at, adler32(data, count));
    return (uint64_t)(at + 4 - out);
}

} // namespace

uint64_t zlibSizeBound(uint64_t count)
{
    return storedSize(count);
}

uint64_t compressZlib(const uint8_t* data, uint64_t count, uint8_t* out, uint32_t* work)
{
    // Positions are 32-bit; longer input is only stored.
    BitWriter writer = {out, zlibSizeBound(count), 0, 0, 0, false};
    if (count < noPosition && compressFixed(data, count, &writer, work)) return writer.used;
    return writeStored(data, count, out);
}
