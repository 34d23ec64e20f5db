#include "test_window.h"
#include "platform/log.h"

static Window sharedWindow;
static std::string creationLog;
static bool created;

Window* sharedTestWindow()
{
    if (created) return &sharedWindow;
    created = true;
    uint64_t start = globalLog.used;
    createWindow(&sharedWindow, "Marionette Room", 1280, 720, centredPosition, centredPosition);
    if (globalLog.used >= start)
        creationLog.assign((const char*)globalLog.data + start, globalLog.used - start);
    return &sharedWindow;
}

const std::string& sharedTestWindowLog()
{
    sharedTestWindow();
    return creationLog;
}
