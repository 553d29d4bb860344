// The tool and a library that another program holds locked: it waits a few seconds for the lock to go, and
// when it does not go, it says so and changes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CliRun.h"
#include "TestSupport.h"
#include "library/ZsSQLite.h"

namespace {

struct LockedLibrary {
    test::TempDir dir;
    std::filesystem::path lib = dir / "lib.pctv";
    std::filesystem::path icon = dir / "one.ico";

    LockedLibrary() {
        EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
        ZsWriteFile(icon, test::MakeIco({test::DibImage(16, 16, 32, 0x44)}));
    }
    std::string Listed() { return test::RunCli({"list", lib.string(), "--json"}).out; }
};

}  // namespace

TEST(CliLock, ASaveWaitsForAnotherWriterAndSaysWhenItGivesUp) {
    LockedLibrary l;
    const std::string sBefore = l.Listed();
    // Another program in the middle of its own save: it holds the right to write.
    CSQLite other;
    ASSERT_TRUE(other.Open(l.lib));
    ASSERT_TRUE(other.BeginWriteTrans());
    const auto start = std::chrono::steady_clock::now();
    test::CliResult r = test::RunCli({"import", l.lib.string(), l.icon.string()});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(ZS_SQL_BUSY_TIMEOUT_MS / 1000));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: cannot save '" + l.lib.string() +
                         "': another program kept the library locked for more than 5 seconds.\n");
    ASSERT_TRUE(other.RollbackTrans());
    EXPECT_EQ(l.Listed(), sBefore);

    // A lock that goes within the wait is waited for.
    ASSERT_TRUE(other.BeginWriteTrans());
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        other.RollbackTrans();
    });
    r = test::RunCli({"import", l.lib.string(), l.icon.string()});
    release.join();
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(l.Listed().find("\"one\""), std::string::npos) << l.Listed();
}

TEST(CliLock, OpeningALibraryLockedForWritingSaysSo) {
    LockedLibrary l;
    CSQLite other;
    ASSERT_TRUE(other.Open(l.lib));
    ASSERT_TRUE(other.Exec("begin exclusive transaction;"));
    const test::CliResult r = test::RunCli({"tree", l.lib.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: cannot open '" + l.lib.string() +
                         "': another program kept it locked for more than 5 seconds; try again when that "
                         "program is done.\n");
    ASSERT_TRUE(other.RollbackTrans());
    EXPECT_EQ(test::RunCli({"tree", l.lib.string()}).code, 0);
}
