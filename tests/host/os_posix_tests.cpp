// The POSIX OS layer's moves and end signals, and the autosave racing
// another writer for its name. The fakes below stand in for libc where a
// test needs the file system to refuse something or to change at one moment.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>
#include "app/autosave.h"
#include "character/pose.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "platform/posix/end_signals.h"

// Set by a test: renameat2 refuses as on a file system without the no-replace
// flag, link as on FAT, and the next fsync first writes this file, as
// another program would.
static bool renameWithoutNoReplace, noLinks;
static const char* appearsAtFlush;

extern "C" int renameat2(int oldFolder, const char* oldPath, int newFolder, const char* newPath,
                         unsigned int flags) noexcept
{
    if (!renameWithoutNoReplace) return (int)syscall(SYS_renameat2, oldFolder, oldPath, newFolder, newPath, flags);
    errno = EINVAL;
    return -1;
}

extern "C" int link(const char* from, const char* to) noexcept
{
    if (!noLinks) return (int)syscall(SYS_link, from, to);
    errno = EPERM;
    return -1;
}

extern "C" int fsync(int fd)
{
    if (appearsAtFlush) std::ofstream(appearsAtFlush) << "theirs";
    appearsAtFlush = nullptr;
    return (int)syscall(SYS_fsync, fd);
}

namespace {

struct InTempFolder : ::testing::Test
{
    TempFolder folder;
    std::filesystem::path before = std::filesystem::current_path();
    void SetUp() override { std::filesystem::current_path(folder.path); }
    void TearDown() override
    {
        std::filesystem::current_path(before);
        renameWithoutNoReplace = noLinks = false;
        appearsAtFlush = nullptr;
    }
};

// A file system may lack the no-replace rename, or hard links (FAT, exFAT),
// or both: the move takes whichever it has and never replaces a file.
TEST_F(InTempFolder, AMoveToANewNameNeverReplacesAFile)
{
    const bool cases[][2] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const bool* refused : cases)
    {
        renameWithoutNoReplace = refused[0];
        noLinks = refused[1];
        bool movable = !(refused[0] && refused[1]);
        std::ofstream("a") << "ours";
        std::ofstream("b") << "theirs";
        EXPECT_FALSE(osMoveToNewName("a", "b"));
        EXPECT_EQ(fileContents("b"), "theirs");
        EXPECT_EQ(osMoveToNewName("a", "c"), movable) << refused[0] << refused[1];
        EXPECT_EQ(fileContents("c"), movable ? "ours" : "");
        EXPECT_EQ(fileContents("a"), movable ? "" : "ours") << "the source goes only with a move";
        for (const char* name : {"a", "b", "c"}) std::filesystem::remove(name);
    }
}

// Another program takes autosave.anim between the check and the move: the
// next name is used, in the same folder, and their file stays theirs.
TEST_F(InTempFolder, AnAutosaveNameTakenMeanwhileMovesOnToTheNext)
{
    setenv("XDG_DOCUMENTS_DIR", "docs", 1);
    Pose pose = {};
    pose.points[3].x = 5.0f;
    const Animation animation = {1, &pose};
    const OsLocalTime time = {2026, 12, 8, 9, 30, 5};
    appearsAtFlush = "autosave.anim";
    EXPECT_TRUE(writeAutosave(&animation, time));
    EXPECT_EQ(fileContents("autosave.anim"), "theirs");
    EXPECT_EQ(fileContents("autosave-20261208-093005.anim").size(), 4 + sizeof pose);
    EXPECT_FALSE(osPathExists("docs"));
    // All hundred names of that second taken: the folder counts as full, and Documents takes the file.
    for (int n = 2; n < 100; ++n) std::ofstream("autosave-20261208-093005-" + std::to_string(n) + ".anim");
    EXPECT_TRUE(writeAutosave(&animation, time));
    unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(fileContents("docs/Marionette Room/autosave.anim").size(), 4 + sizeof pose);
}

// Each signal ends nothing by itself: the run learns of it and ends as a
// closed window does. Checked in a child, which the signal would otherwise end.
TEST(EndSignals, TermHupAndIntAreNotedAndWakeTheWait)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
    {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            int wake = watchEndSignals();
            bool quietBefore = !endSignalArrived();
            // Once the pipe is full the handler's write fails: its errno must not reach the code it interrupted.
            for (int n = fcntl(wake, F_SETPIPE_SZ, 4096); n >= 0; --n) errno = EDOM, raise(signal);
            bool errnoKept = errno == EDOM;
            pollfd wait = {wake, POLLIN, 0};
            char byte = 0;
            _exit(quietBefore && errnoKept && endSignalArrived() && poll(&wait, 1, 0) == 1 && read(wake, &byte, 1) == 1
                      ? 0 : 3);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "signal " << signal << ", status " << status;
    }
}

} // namespace
