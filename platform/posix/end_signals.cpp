#include "platform/posix/end_signals.h"
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

static volatile sig_atomic_t endSignal;
static int wakePipe[2] = {-1, -1};

// Only what is safe in a signal handler: a flag and a write to a pipe.
static void noteEndSignal(int)
{
    int savedErrno = errno;
    endSignal = 1;
    if (wakePipe[1] >= 0)
    {
        char byte = 1;
        ssize_t ignored = write(wakePipe[1], &byte, 1);
        (void)ignored;
    }
    errno = savedErrno;
}

int watchEndSignals()
{
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = noteEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    const int signals[3] = {SIGTERM, SIGHUP, SIGINT};
    for (int signal : signals) sigaction(signal, &action, nullptr);
    return wakePipe[0];
}

bool endSignalArrived()
{
    return endSignal != 0;
}
