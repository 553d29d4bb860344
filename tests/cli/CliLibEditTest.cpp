#include <gtest/gtest.h>

#include "CliRun.h"
#include "TestSupport.h"
#include "icon/ZsPicture.h"

using test::RunCli;

namespace {

constexpr uint32_t kColours[5] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF};

// A library whose "My Icons" holds five 32 x 32 icons of one colour each, named c0 ... c4, made from PNG
// pictures kept at their size.
struct Lib {
    test::TempDir dir;
    std::string lib = (dir / "lib.pctv").string();
    Lib() {
        EXPECT_EQ(RunCli({"new", lib}).code, 0);
        std::vector<std::string> args{"import", lib, "--resize", "keep"};
        for (int i = 0; i < 5; ++i) {
            std::filesystem::path png = dir / ("c" + std::to_string(i) + ".png");
            EXPECT_TRUE(ZsSaveBitmapFile(CZsBitmap(32, 32, 32, kColours[i]), png, ZS_PIC_PNG));
            args.push_back(png.string());
        }
        EXPECT_EQ(RunCli(args).code, 0);
    }
    std::string List() { return RunCli({"list", lib}).out; }
};

int Lines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(CliMerge, AsksUnlessYesIsGiven) {
    Lib l;
    test::CliResult r = RunCli({"merge", l.lib, "--rows", "0,1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "pictavo-cli: Are you sure you want to merge the selected icons? Pass --yes to answer OK.\n");
    EXPECT_EQ(Lines(l.List()), 5);

    r = RunCli({"--verbose", "merge", l.lib, "--rows", "1,2,3,4", "--yes"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 pairs merged.\n");
    EXPECT_NE(r.err.find("0000. #0001[0x00000002] << #0003[0x00000004]( 1) (#0001:'c1' #0003:'c3')"),
              std::string::npos);
    EXPECT_NE(r.err.find("0001. #0002[0x00000003] << #0004[0x00000005]( 1) (#0002:'c2' #0004:'c4')"),
              std::string::npos);
    std::string list = l.List();
    EXPECT_EQ(Lines(list), 3);
    EXPECT_NE(list.find("c1                         2 formats"), std::string::npos);
}

TEST(CliMerge, RefusesOddSelectionsAndBadRows) {
    Lib l;
    test::CliResult r = RunCli({"--yes", "merge", l.lib, "--rows", "0,1,2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Merging takes an even number of icons, at least two."), std::string::npos) << r.err;
    // A row given twice counts once.
    EXPECT_EQ(RunCli({"--yes", "merge", l.lib, "--rows", "0,0"}).code, 1);
    r = RunCli({"--yes", "merge", l.lib, "--rows", "0,9"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: the category has no row 9.\n");
    r = RunCli({"--yes", "merge", (l.dir / "none.pctv").string(), "--rows", "0,1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1);
}

TEST(CliLibFormats, DeleteAndAddFormats) {
    Lib l;
    test::CliResult r = RunCli({"add-formats", l.lib, "--rows", "0,1", "--formats", "16x16-XP,48x48-256"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "2 icons given new formats.\n");
    EXPECT_NE(l.List().find("c0                         3 formats"), std::string::npos);

    r = RunCli(
        {"delete-formats", l.lib, "--ids", "1", "--formats", "16x16-XP", "--except", "--keep-largest"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(l.List().find("c0                         2 formats"), std::string::npos);

    // An icon that loses every image leaves the library.
    r = RunCli({"--verbose", "delete-formats", l.lib, "--rows", "4", "--formats", "32x32-XP"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "0 icons changed, 1 deleted.\n");
    EXPECT_NE(r.err.find("0000.  1 images deleted from icon( 1 images) 'c4'. Icon deleted."),
              std::string::npos);
    EXPECT_EQ(Lines(l.List()), 4);
}

TEST(CliLibFormats, ErrorsAreOneClearLine) {
    Lib l;
    test::CliResult r = RunCli({"delete-formats", l.lib, "--rows", "0"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("give the formats with --formats LIST."), std::string::npos);
    r = RunCli({"add-formats", l.lib, "--rows", "0", "--formats", "33x-XP"});
    EXPECT_EQ(r.code, 2);
    r = RunCli({"add-formats", l.lib, "--formats", "16x16-XP"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("give the icons with either --rows or --ids."), std::string::npos);
    r = RunCli({"delete-formats", l.lib, "--category", "Nowhere", "--rows", "0", "--formats", "16x16-XP"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: '" + l.lib + "' has no category 'Nowhere'.\n");
}

TEST(CliGridExport, StripWithSpacing) {
    Lib l;
    std::filesystem::path out = l.dir / "strip.png";
    test::CliResult r = RunCli({"grid-export", l.lib, out.string(), "--cell", "32x32", "--spacing", "2"});
    EXPECT_EQ(r.code, 0) << r.err;
    CZsBitmap picture = ZsLoadPicture(out);
    ASSERT_EQ(picture.Width(), 172);
    ASSERT_EQ(picture.Height(), 36);
    const int xs[5] = {2, 36, 70, 104, 138};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(picture.At(xs[k] + 16, 18), kColours[k]) << k;
    }
    EXPECT_EQ(ZsAlpha(picture.At(1, 1)), 0u);
}

TEST(CliGridExport, RowsLayoutAndBackground) {
    Lib l;
    std::filesystem::path out = l.dir / "grid.bmp";
    test::CliResult r = RunCli({"grid-export", l.lib, out.string(), "--rows", "4,1,3", "--cell", "16",
                                "--layout", "square", "--background", "336699"});
    EXPECT_EQ(r.code, 0) << r.err;
    CZsBitmap picture = ZsLoadPicture(out);
    ASSERT_EQ(picture.Width(), 32);
    EXPECT_EQ(picture.At(8, 8), kColours[1]);
    EXPECT_EQ(picture.At(24, 8), kColours[3]);
    EXPECT_EQ(picture.At(8, 24), kColours[4]);
    EXPECT_EQ(picture.At(24, 24), 0xFF336699u);

    out = l.dir / "first.gif";
    r = RunCli({"grid-export", l.lib, out.string(), "--count", "2", "--cell", "8x8", "--layout", "1x2"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ZsLoadPicture(out).Height(), 16);
}

TEST(CliGridExport, ErrorsAreOneClearLine) {
    Lib l;
    std::string out = (l.dir / "g.png").string();
    EXPECT_EQ(RunCli({"grid-export", l.lib, (l.dir / "g.ico").string(), "--cell", "16"}).code, 2);
    EXPECT_EQ(RunCli({"grid-export", l.lib, out}).code, 2);
    EXPECT_EQ(RunCli({"grid-export", l.lib, out, "--cell", "0x16"}).code, 2);
    EXPECT_EQ(RunCli({"grid-export", l.lib, out, "--cell", "16", "--layout", "wide"}).code, 2);
    EXPECT_EQ(RunCli({"grid-export", l.lib, out, "--cell", "16", "--background", "red"}).code, 2);
    test::CliResult r = RunCli({"grid-export", l.lib, out, "--cell", "16", "--count", "6"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: the category has only 5 icons.\n");
    r = RunCli({"grid-export", l.lib, out, "--cell", "60000"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1);
    EXPECT_NE(r.err.find("too large"), std::string::npos);
    r = RunCli({"grid-export", l.lib, (l.dir / "no" / "g.png").string(), "--cell", "16"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("could not be written"), std::string::npos);
    r = RunCli({"grid-export", l.lib, out, "--category", "My Icons/Sample Category 2", "--cell", "16"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "pictavo-cli: the category has no icons to join.\n");
}

TEST(CliCompact, CompactsALibrary) {
    Lib l;
    EXPECT_EQ(RunCli({"--yes", "rm", l.lib, "--rows", "0,1,2", "--delete"}).code, 0);
    test::CliResult r = RunCli({"compact", l.lib});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Lines(l.List()), 2);
    r = RunCli({"compact", (l.dir / "c0.png").string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Lines(r.err), 1);
}

TEST(CliHelp, DocumentsEachVerb) {
    test::CliResult r = RunCli({"help", "grid-export"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("Usage: pictavo-cli grid-export LIB OUT.png", 0), 0u);
    EXPECT_NE(r.out.find("172 x 36 pixels"), std::string::npos);
    r = RunCli({"help"});
    EXPECT_EQ(r.code, 0);
    for (const char* verb : {"merge LIB", "delete-formats LIB", "add-formats LIB", "compact LIB", "info",
                             "mvcat LIB", "cpcat LIB", "link LIB"}) {
        EXPECT_NE(r.out.find(verb), std::string::npos) << verb;
    }
    EXPECT_EQ(RunCli({"help", "frobnicate"}).code, 2);
    EXPECT_EQ(RunCli({"help", "merge", "list"}).code, 2);
}
