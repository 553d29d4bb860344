#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "TestSupport.h"
#include "common/ZsBase.h"
#include "common/ZsEndSignals.h"

namespace fs = std::filesystem;

// A process ended by Ctrl+C or SIGTERM takes the listed files and folders with it, and ends as the signal
// ends it; files taken off the list, and those of a process that handles the signal itself, stay.
TEST(ZsEndSignals, ListedFilesGoWithAProcessEndedBySignal) {
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        test::TempDir dir;
        ZsWriteFile(dir / "staged", ZsBlock{1});
        ZsWriteFile(dir / "kept", ZsBlock{2});
        // A folder listed before the file in it goes all the same.
        fs::create_directory(dir / "box");
        ZsWriteFile(dir / "box" / "in", ZsBlock{3});
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ZsRemoveFilesAtEndSignals();
            const bool bListed = ZsListForEndSignals(dir / "staged") && ZsListForEndSignals(dir / "kept") &&
                                 ZsListForEndSignals(dir / "box") && ZsListForEndSignals(dir / "box" / "in");
            ZsUnlistForEndSignals(dir / "kept");
            if (!bListed) {
                _exit(2);
            }
            raise(nSignal);
            _exit(3);
        }
        int nStatus = 0;
        ASSERT_EQ(waitpid(child, &nStatus, 0), child);
        EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == nSignal) << nStatus;
        EXPECT_FALSE(fs::exists(dir / "staged")) << nSignal;
        EXPECT_TRUE(fs::exists(dir / "kept")) << nSignal;
        EXPECT_FALSE(fs::exists(dir / "box")) << nSignal;
    }

    test::TempDir dir;
    ZsWriteFile(dir / "staged", ZsBlock{1});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGTERM, [](int) { _exit(7); });
        ZsRemoveFilesAtEndSignals();
        ZsListForEndSignals(dir / "staged");
        raise(SIGTERM);
        _exit(3);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(child, &nStatus, 0), child);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 7) << nStatus;
    EXPECT_TRUE(fs::exists(dir / "staged"));
}
