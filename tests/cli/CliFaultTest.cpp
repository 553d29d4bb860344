// The tool against hostile libraries and a full disk: regular expressions over texts of tens of thousands of
// characters, patterns the engine does not offer, and a save that runs out of room on a small file system.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "CliRun.h"
#include "TestSupport.h"
#include "library/ZsSQLite.h"

namespace {

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A library of the given icon files, imported by the tool.
std::filesystem::path MakeLibrary(const test::TempDir& dir, int nIcons, int nSize) {
    std::filesystem::create_directories(dir / "icons");
    for (int i = 0; i < nIcons; ++i) {
        ZsWriteFile(dir / "icons" / ("icon" + std::to_string(i) + ".ico"),
                    test::MakeIco({test::DibImage(nSize, nSize, 32, static_cast<uint8_t>(i))}));
    }
    const std::filesystem::path lib = dir / "lib.pctv";
    EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
    EXPECT_EQ(test::RunCli({"import", lib.string(), (dir / "icons").string()}).code, 0);
    return lib;
}

}  // namespace

TEST(CliFault, RegularExpressionsOverHostileLongTexts) {
    test::TempDir dir;
    const std::filesystem::path lib = MakeLibrary(dir, 3, 16);
    std::string sAb;
    for (int i = 0; i < 20000; ++i) {
        sAb += i % 2 ? 'a' : 'b';
    }
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(lib));
        ASSERT_TRUE(db.Exec("update icons set kwds='" + std::string(50000, 'k') + "' where id=1;"));
        ASSERT_TRUE(db.Exec("update icons set name='" + sAb + "' where id=2;"));
    }
    test::CliResult r = test::RunCli({"find", lib.string(), ".*x", "--regex", "--scope", "all"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.find("icon"), std::string::npos) << r.out;
    // The names of the other two icons hold a "c".
    r = test::RunCli({"find", lib.string(), "(a|b)*c", "--regex", "--scope", "all"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("icon0"), std::string::npos);
    EXPECT_NE(r.out.find("icon2"), std::string::npos);
    EXPECT_EQ(r.out.find(sAb), std::string::npos);
    r = test::RunCli({"find", lib.string(), "(b|a)+", "--regex", "--whole-word", "--scope", "all"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(sAb), std::string::npos);
    EXPECT_EQ(r.out.find("icon"), std::string::npos);
    r = test::RunCli({"find", lib.string(), "^icon2$|^k{50000}$", "--regex", "--scope", "all"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Incorrect regular expression!"), std::string::npos) << r.err;

    // What the engine does not offer is refused as an incorrect expression, with the reason.
    r = test::RunCli({"find", lib.string(), "(i)\\1", "--regex"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: Incorrect regular expression! (invalid escape sequence: \\1)\n");
    r = test::RunCli({"find", lib.string(), "icon(?=2)", "--regex"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Incorrect regular expression!"), std::string::npos);
}

TEST(CliFault, SaveOnAFullSmallFileSystemFailsAndKeepsTheLibrary) {
    // A small file system of our own: a tmpfs in a user and mount namespace, which needs no root.
    if (std::system("unshare --user --map-root-user --mount true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no user namespaces here to mount a small file system in";
    }
    test::TempDir dir;
    const std::filesystem::path lib = MakeLibrary(dir, 2, 16);
    const std::string sBefore = test::RunCli({"list", lib.string(), "--json"}).out;
    std::filesystem::create_directories(dir / "big");
    for (int i = 0; i < 12; ++i) {
        ZsWriteFile(dir / "big" / ("big" + std::to_string(i) + ".ico"),
                    test::MakeIco({test::DibImage(128, 128, 32, static_cast<uint8_t>(i))}));
    }
    std::filesystem::create_directories(dir / "mnt");
    const std::string sDir = dir.Path().string();
    const std::string sScript =
        "set -e; d='" + sDir +
        "'; mount -t tmpfs -o size=256k tmpfs \"$d/mnt\"; cp \"$d/lib.pctv\" \"$d/mnt/\"; " +
        "echo mounted > \"$d/mounted\"; set +e; '" + std::string(PICTAVO_CLI) +
        "' import \"$d/mnt/lib.pctv\" \"$d/big\" 2> \"$d/err\"; echo $? > \"$d/code\"; " +
        "cp \"$d/mnt/lib.pctv\" \"$d/after.pctv\"; ls -A \"$d/mnt\" > \"$d/left\"";
    std::ofstream(dir / "script.sh") << sScript;
    std::system(
        ("unshare --user --map-root-user --mount sh '" + sDir + "/script.sh' >/dev/null 2>&1").c_str());
    if (!std::filesystem::exists(dir / "mounted")) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    EXPECT_EQ(Slurp(dir / "code"), "1\n");
    EXPECT_EQ(Slurp(dir / "err"),
              "pictavo-cli: cannot save '" + sDir + "/mnt/lib.pctv': database or disk is full.\n");
    // The library there is as it was, without a journal or anything else left beside it.
    EXPECT_EQ(test::RunCli({"list", (dir / "after.pctv").string(), "--json"}).out, sBefore);
    EXPECT_EQ(Slurp(dir / "left"), "lib.pctv\n");
}
