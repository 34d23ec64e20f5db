// Where the program's start-up goes, part by part: from the process's
// creation to main (loading the exe and its DLLs), the parts startApp
// records, the first frame up to its swap, then the swap and the rest after
// it. Run in a folder holding the data files; prints one line of milliseconds.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <stdio.h>
#include "app/app.h"
#include "platform/os.h"

static App app;

static double fileTimeSeconds(FILETIME time)
{
    return (double)(((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime) / 1e7;
}

int main()
{
    FILETIME created, ended, kernel, user, now;
    GetSystemTimePreciseAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    double toMain = fileTimeSeconds(now) - fileTimeSeconds(created);
    if (!startApp(&app) || !app.window.running) return 1;
    runFrame(&app);
    uint64_t frameDone = osCounter();
    double ms = 1000.0 / (double)osCounterFrequency();
    const uint64_t* at = app.startCounters;
    printf("to-main %.1f memory %.1f window-and-context %.1f programs %.1f font %.1f files %.1f "
           "first-frame-to-swap %.1f swap-and-rest %.1f\n",
           toMain * 1000.0, (at[1] - at[0]) * ms, (at[2] - at[1]) * ms, (at[3] - at[2]) * ms, (at[4] - at[3]) * ms,
           (at[5] - at[4]) * ms, (app.swapStarted - at[5]) * ms, (frameDone - app.swapStarted) * ms);
    return 0;
}
