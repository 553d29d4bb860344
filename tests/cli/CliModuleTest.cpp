#include <gtest/gtest.h>

#include "../icon/ModuleFixtures.h"
#include "CliRun.h"
#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPe.h"

namespace {

std::string P(const std::filesystem::path& p) {
    return p.string();
}

}  // namespace

TEST(CliModule, MakeIclThenInfoAndExtractGiveTheIconsBack) {
    test::TempDir dir;
    std::vector<uint8_t> sun =
        test::MakeIco({test::DibImage(32, 32, 32, 1), test::PngStub(256, 256, 32, 50)});
    std::vector<uint8_t> moon = test::MakeIco({test::DibImage(16, 16, 4, 2)});
    ZsWriteFile(dir / "Sun.ico", sun);
    ZsWriteFile(dir / "Moon & Stars.ico", moon);
    test::CliResult made =
        test::RunCli({"make-icl", P(dir / "lib.icl"), P(dir / "Sun.ico"), P(dir / "Moon & Stars.ico")});
    ASSERT_EQ(made.code, 0) << made.err;

    test::CliResult info = test::RunCli({"info", "--json", P(dir / "lib.icl")});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("\"kind\": \"pe\""), std::string::npos) << info.out;
    size_t first =
        info.out.find("{\"index\": 0, \"name\": \"Sun\", \"readable\": true, \"images\": [{\"width\": 32");
    size_t png = info.out.find("\"label\": \"256x256 - XP\", \"png\": true");
    size_t second = info.out.find("{\"index\": 1, \"name\": \"Moon & Stars\"");
    EXPECT_NE(first, std::string::npos) << info.out;
    EXPECT_LT(first, png);
    EXPECT_LT(png, second);

    test::CliResult text = test::RunCli({"info", P(dir / "lib.icl")});
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("2 icon groups"), std::string::npos) << text.out;

    test::CliResult ex = test::RunCli({"extract", P(dir / "lib.icl"), P(dir / "out")});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_EQ(ZsReadFile(dir / "out" / "Sun.ico"), sun);
    EXPECT_EQ(ZsReadFile(dir / "out" / "Moon & Stars.ico"), moon);
}

TEST(CliModule, ExtractNamesUnnamedAndRepeatedGroups) {
    test::TempDir dir;
    std::vector<std::vector<test::IcoImage>> groups = {{test::DibImage(16, 16, 8, 1)},
                                                       {test::DibImage(16, 16, 8, 2)},
                                                       {test::DibImage(16, 16, 8, 3)},
                                                       {test::DibImage(16, 16, 8, 4)}};
    ZsWriteFile(dir / "old.icl", test::MakeNe(groups, {"ICL", "Same", "@", "Same", "a:b?"}).bytes);
    test::CliResult info = test::RunCli({"info", "--json", P(dir / "old.icl")});
    EXPECT_NE(info.out.find("\"kind\": \"ne\""), std::string::npos) << info.out;

    test::CliResult ex = test::RunCli({"extract", P(dir / "old.icl"), P(dir / "x")});
    ASSERT_EQ(ex.code, 0) << ex.err;
    EXPECT_EQ(ZsReadFile(dir / "x" / "Same.ico"), test::MakeIco(groups[0]));
    EXPECT_EQ(ZsReadFile(dir / "x" / "old (2).ico"), test::MakeIco(groups[1]));
    EXPECT_EQ(ZsReadFile(dir / "x" / "Same (2).ico"), test::MakeIco(groups[2]));
    EXPECT_EQ(ZsReadFile(dir / "x" / "ab.ico"), test::MakeIco(groups[3]));

    // A plain icon file is extracted under its own title.
    ZsWriteFile(dir / "single.ico", test::MakeIco(groups[0]));
    EXPECT_EQ(test::RunCli({"extract", P(dir / "single.ico"), P(dir / "y")}).code, 0);
    EXPECT_EQ(ZsReadFile(dir / "y" / "single.ico"), test::MakeIco(groups[0]));
}

TEST(CliModule, FailuresAndUsage) {
    test::TempDir dir;
    ZsWriteFile(dir / "good.ico", test::MakeIco({test::DibImage(16, 16, 32)}));
    ZsWriteFile(dir / "bad.ico", std::vector<uint8_t>{0, 0, 2, 0, 1, 0});
    test::CliResult bad =
        test::RunCli({"make-icl", P(dir / "out.icl"), P(dir / "good.ico"), P(dir / "bad.ico")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("bad.ico"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.icl"));
    EXPECT_EQ(test::RunCli({"make-icl", P(dir / "out.icl")}).code, 2);
    EXPECT_EQ(test::RunCli({"extract", P(dir / "good.ico")}).code, 2);

    // A module damaged beyond reading, and a group whose data lies outside the file.
    test::PeLayout pe = test::MakePe(test::IconResources({{test::DibImage(16, 16, 8)}}, {1}));
    std::vector<uint8_t> broken = pe.bytes;
    test::Set16(broken, 0x80 + 6, 0x4000);
    ZsWriteFile(dir / "broken.dll", broken);
    test::CliResult r = test::RunCli({"extract", P(dir / "broken.dll"), P(dir / "z")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("broken.dll"), std::string::npos);
    size_t nGroupDir = pe.nRsrc + (test::Get32(pe.bytes, pe.nRsrc + 20) & 0x7FFFFFFF);
    size_t nNameDir = pe.nRsrc + (test::Get32(pe.bytes, nGroupDir + 20) & 0x7FFFFFFF);
    size_t nEntry = pe.nRsrc + test::Get32(pe.bytes, nNameDir + 20);
    test::Set32(pe.bytes, nEntry, 0x7FFFFF00);
    ZsWriteFile(dir / "group.dll", pe.bytes);
    EXPECT_EQ(test::RunCli({"extract", P(dir / "group.dll"), P(dir / "z")}).code, 1);
    EXPECT_EQ(test::RunCli({"info", P(dir / "group.dll")}).code, 1);
}

// Cross-checks with other toolchains and readers.
namespace {

int Shell(const test::TempDir& dir, const std::string& command) {
    return std::system(("cd '" + dir.Path().string() + "' && " + command + " >/dev/null 2>&1").c_str());
}

std::vector<uint8_t> Prefix(const std::optional<ZsBlock>& data, size_t n) {
    return data && data->size() >= n
               ? std::vector<uint8_t>(data->begin(), data->begin() + static_cast<std::ptrdiff_t>(n))
               : std::vector<uint8_t>();
}

}  // namespace

TEST(CliModuleCrossCheck, ModulesLinkedByAnotherToolchainAreRead) {
    ASSERT_TRUE(
        test::HaveTools({"x86_64-w64-mingw32-windres", "x86_64-w64-mingw32-ld", "x86_64-w64-mingw32-as",
                         "i686-w64-mingw32-windres", "i686-w64-mingw32-ld", "i686-w64-mingw32-as"}));
    test::TempDir dir;
    std::vector<uint8_t> sun =
        test::MakeIco({test::DibImage(32, 32, 32, 1), test::PngStub(256, 256, 32, 30)});
    std::vector<uint8_t> moon = test::MakeIco({test::DibImage(16, 16, 8, 2)});
    ZsWriteFile(dir / "sun.ico", sun);
    ZsWriteFile(dir / "moon.ico", moon);
    std::string rc =
        "MAINICON ICON \"moon.ico\"\n7 ICON \"sun.ico\"\n2 ICON \"moon.ico\"\nZeta ICON \"sun.ico\"\n";
    ZsWriteFile(dir / "t.rc", std::vector<uint8_t>(rc.begin(), rc.end()));
    // windres wants a C preprocessor; the resource script needs none, so it is passed through as it is.
    std::string pp = "#!/bin/sh\nfor a; do last=$a; done\ncat \"$last\"\n";
    ZsWriteFile(dir / "pp.sh", std::vector<uint8_t>(pp.begin(), pp.end()));
    ASSERT_EQ(Shell(dir, "chmod +x pp.sh"), 0);
    for (const std::string& arch : {std::string("x86_64"), std::string("i686")}) {
        std::string t = arch + "-w64-mingw32-";
        std::string entry = arch == "i686" ? "__start" : "_start";
        std::string asmText = ".text\n.globl " + entry + "\n" + entry + ":\n ret\n";
        ZsWriteFile(dir / "s.s", std::vector<uint8_t>(asmText.begin(), asmText.end()));
        ASSERT_EQ(Shell(dir, t + "windres --preprocessor=./pp.sh t.rc -O coff -o r.o && " + t +
                                 "as s.s -o s.o && " + t + "ld -o m.exe s.o r.o --subsystem windows -e " +
                                 entry + " && " + t + "ld --dll -o m.dll r.o -e 0"),
                  0)
            << arch;
        for (const char* module : {"m.exe", "m.dll"}) {
            std::filesystem::path out = dir / (arch + module);
            test::CliResult r = test::RunCli({"extract", P(dir / module), P(out)});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(ZsReadFile(out / "MAINICON.ico"), moon) << arch << module;
            EXPECT_EQ(ZsReadFile(out / "ZETA.ico"), sun) << arch << module;
            EXPECT_EQ(ZsReadFile(out / "#2.ico"), moon) << arch << module;
            EXPECT_EQ(ZsReadFile(out / "#7.ico"), sun) << arch << module;
        }
    }
}

TEST(CliModuleCrossCheck, OtherReadersReadWhatMakeIclWrites) {
    ASSERT_TRUE(test::HaveTools({"wrestool", "icoextract"}));
    test::TempDir dir;
    std::vector<std::vector<uint8_t>> icons = {
        test::MakeIco(
            {test::DibImage(32, 32, 32, 1), test::DibImage(16, 16, 4, 2), test::PngStub(256, 256, 32, 70)}),
        test::MakeIco({test::DibImage(48, 48, 8, 3)})};
    ZsWriteFile(dir / "a.ico", icons[0]);
    ZsWriteFile(dir / "b.ico", icons[1]);
    ASSERT_EQ(test::RunCli({"make-icl", P(dir / "lib.icl"), P(dir / "a.ico"), P(dir / "b.ico")}).code, 0);
    ASSERT_EQ(Shell(dir,
                    "wrestool -l lib.icl | grep -q 'type=14 --name=2' && mkdir wr && "
                    "wrestool -x -t 14 -o wr lib.icl"),
              0);
    for (size_t i = 0; i < icons.size(); ++i) {
        // wrestool pads each icon with 6 + 14 n zero bytes; the ICO data before them must be ours.
        std::optional<ZsBlock> wr =
            ZsReadFile(dir / "wr" / ("lib.icl_14_" + std::to_string(i + 1) + "_0.ico"));
        ASSERT_TRUE(wr);
        EXPECT_EQ(Prefix(wr, icons[i].size()), icons[i]) << i;
        EXPECT_EQ(
            Shell(dir, "icoextract -n " + std::to_string(i) + " lib.icl ie" + std::to_string(i) + ".ico"), 0);
        EXPECT_EQ(ZsReadFile(dir / ("ie" + std::to_string(i) + ".ico")), icons[i]) << i;
    }
}

TEST(CliModule, TemplateLiesNextToTheProgram) {
    std::filesystem::path tmpl = std::filesystem::path(PICTAVO_CLI).parent_path() / "Template.icl";
    EXPECT_EQ(ZsReadFile(tmpl), ZsMakeTemplateModule());
}
