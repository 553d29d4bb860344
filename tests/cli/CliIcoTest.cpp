#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "CliRun.h"
#include "TestSupport.h"
#include "icon/ZsIcon.h"

TEST(CliInfo, ReportsImagesInFileOrderAsJson) {
    test::TempDir dir;
    std::vector<uint8_t> ico = test::MakeIco(
        {test::DibImage(16, 16, 32), test::PngStub(256, 256, 32, 100), test::DibImage(32, 32, 4)});
    ZsWriteFile(dir / "a.ico", ico);
    test::CliResult r = test::RunCli({"info", "--json", (dir / "a.ico").string()});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("\"kind\": \"ico\""), std::string::npos);
    size_t first = r.out.find(
        "\"width\": 16, \"height\": 16, \"bitCount\": 32, \"label\": \"16x16 - XP\", \"png\": false");
    size_t second = r.out.find(
        "\"width\": 256, \"height\": 256, \"bitCount\": 32, \"label\": \"256x256 - XP\", "
        "\"png\": true, \"bytes\": 124");
    size_t third = r.out.find("\"label\": \"32x32 - 16\"");
    EXPECT_NE(first, std::string::npos) << r.out;
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(r.out.find("\"xpImages\": 2"), std::string::npos);
}

TEST(CliInfo, UsageAndFailures) {
    test::TempDir dir;
    EXPECT_EQ(test::RunCli({"info"}).code, 2);
    EXPECT_EQ(test::RunCli({"info", "--bogus", "x.ico"}).code, 2);
    EXPECT_EQ(test::RunCli({"no-such-verb"}).code, 2);
    test::CliResult missing = test::RunCli({"info", (dir / "missing.ico").string()});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("missing.ico"), std::string::npos);
    ZsWriteFile(dir / "bad.ico", std::vector<uint8_t>{0, 0, 2, 0, 1, 0});
    EXPECT_EQ(test::RunCli({"info", (dir / "bad.ico").string()}).code, 1);
}

TEST(CliRepack, SortsImagesIntoFormatOrder) {
    test::TempDir dir;
    std::vector<uint8_t> ico =
        test::MakeIco({test::DibImage(16, 16, 32), test::DibImage(32, 32, 8), test::DibImage(32, 32, 32)});
    ZsWriteFile(dir / "in.ico", ico);
    test::CliResult r = test::RunCli({"repack", (dir / "in.ico").string(), (dir / "out.ico").string()});
    ASSERT_EQ(r.code, 0) << r.err;
    std::optional<ZsBlock> out = ZsReadFile(dir / "out.ico");
    ASSERT_TRUE(out);
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(*out);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Format(), (ZI_FORMAT{32, 32, 32}));
    EXPECT_EQ(entries[1].Format(), (ZI_FORMAT{16, 16, 32}));
    EXPECT_EQ(entries[2].Format(), (ZI_FORMAT{32, 32, 8}));
    EXPECT_EQ(test::RunCli({"repack", (dir / "in.ico").string()}).code, 2);
}
