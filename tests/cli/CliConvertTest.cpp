#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "CliRun.h"
#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

std::vector<ZI_FORMAT> IcoFormats(const std::filesystem::path& path) {
    std::vector<ZI_FORMAT> out;
    std::optional<ZsBlock> data = ZsReadFile(path);
    if (data) {
        for (const ZI_ENTRY& e : ZI_GetEntries(*data)) {
            out.push_back(e.Format());
        }
    }
    return out;
}

std::string S(const std::filesystem::path& p) {
    return p.string();
}

}  // namespace

TEST(CliConvert, PictureToIconWithFormatsPresetsAndSizing) {
    test::TempDir dir;
    ZsWriteFile(dir / "in.png", ZsEncodePicture(CZsBitmap(300, 200, 32, 0xFF808000), ZS_PIC_PNG));
    test::CliResult r = test::RunCli({"convert", S(dir / "in.png"), S(dir / "a.ico")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "a.ico"), (std::vector<ZI_FORMAT>{{256, 256, 32}}));

    r = test::RunCli({"convert", S(dir / "in.png"), S(dir / "b.ico"), "--resize", "keep"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "b.ico"), (std::vector<ZI_FORMAT>{{300, 200, 32}}));

    r = test::RunCli(
        {"convert", S(dir / "in.png"), S(dir / "c.ico"), "--preset", "Windows 98 SE/ME/2000 Icon Format"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "c.ico"),
              (std::vector<ZI_FORMAT>{
                  {48, 48, 8}, {32, 32, 8}, {16, 16, 8}, {48, 48, 4}, {32, 32, 4}, {16, 16, 4}}));

    r = test::RunCli({"convert", S(dir / "in.png"), S(dir / "d.ico"), "--formats", "32x32-XP,16x16-XP",
                      "--resize", "shrink"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "d.ico"), (std::vector<ZI_FORMAT>{{32, 32, 32}, {16, 16, 32}}));
}

TEST(CliConvert, BadPicturesAndUsage) {
    test::TempDir dir;
    ZsWriteFile(dir / "in.png", ZsEncodePicture(CZsBitmap(8, 8, 32, 0xFF808000), ZS_PIC_PNG));
    ZsWriteFile(dir / "junk.jpg", ZsBlock{'n', 'o', 'p', 'e'});
    test::CliResult r = test::RunCli({"convert", S(dir / "junk.jpg"), S(dir / "x.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("junk.jpg"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.ico"));
    EXPECT_EQ(test::RunCli({"convert", S(dir / "in.png"), S(dir / "x.ico"), "--resize", "huge"}).code, 2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "in.png"), S(dir / "x.ico"), "--formats", "48x48"}).code, 2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "in.png"), S(dir / "x.ico"), "--preset", "Nope"}).code, 2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "in.png"), S(dir / "x.ico"), "--preset",
                            "Windows XP Icon Format", "--formats", "16x16-XP"})
                  .code,
              2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "in.png")}).code, 2);
    r = test::RunCli({"convert", S(dir / "in.png"), S(dir / "no" / "such" / "x.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST(CliSplit, OneIconPerTile) {
    test::TempDir dir;
    ZsWriteFile(dir / "strip.bmp", ZsEncodePicture(CZsBitmap(100, 40, 32, 0xFF112233), ZS_PIC_BMP));
    test::CliResult r = test::RunCli(
        {"split", S(dir / "strip.bmp"), S(dir / "out"), "--tile", "-4", "0", "--resize", "keep"});
    ASSERT_EQ(r.code, 0) << r.err;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(IcoFormats(dir / "out" / ("strip (" + std::to_string(i) + ").ico")),
                  (std::vector<ZI_FORMAT>{{25, 40, 32}}));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "strip (5).ico"));
    EXPECT_EQ(test::RunCli({"split", S(dir / "strip.bmp"), S(dir / "out"), "--tile", "a", "0"}).code, 2);
    EXPECT_EQ(test::RunCli({"split", S(dir / "strip.bmp"), S(dir / "out")}).code, 2);
    EXPECT_EQ(test::RunCli({"split", S(dir / "none.bmp"), S(dir / "out"), "--tile", "1", "1"}).code, 1);
}

TEST(CliExportImages, WritesFilesAndNamesThoseItCannotWrite) {
    test::TempDir dir;
    CIcon icon;
    icon.AddFormat(ZI_FORMAT{32, 32, 32});
    icon.AddFormat(ZI_FORMAT{16, 16, 8});
    ZsWriteFile(dir / "Globe.ico", icon.GetData(-1));
    test::CliResult r =
        test::RunCli({"export-images", S(dir / "Globe.ico"), S(dir / "png"), "--type", "png"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "png" / "Globe (32x32 - XP).png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "png" / "Globe (16x16 - 256).png"));

    r = test::RunCli({"export-images", S(dir / "Globe.ico"), S(dir / "ico"), "--type", "ico", "--each"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "ico" / "Globe (16x16 - 256).ico"), (std::vector<ZI_FORMAT>{{16, 16, 8}}));

    // A folder standing where one of the files should go.
    std::filesystem::remove(dir / "png" / "Globe (16x16 - 256).png");
    std::filesystem::create_directories(dir / "png" / "Globe (16x16 - 256).png");
    std::filesystem::remove(dir / "png" / "Globe (32x32 - XP).png");
    r = test::RunCli({"export-images", S(dir / "Globe.ico"), S(dir / "png"), "--type", "png"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Globe (16x16 - 256).png"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "png" / "Globe (32x32 - XP).png"));

    EXPECT_EQ(test::RunCli({"export-images", S(dir / "Globe.ico"), S(dir / "x"), "--type", "icl"}).code, 2);
    EXPECT_EQ(test::RunCli({"export-images", S(dir / "Globe.ico"), S(dir / "x")}).code, 2);
}

TEST(CliFormats, AddRemoveAndSet) {
    test::TempDir dir;
    ZsWriteFile(dir / "in.png", ZsEncodePicture(CZsBitmap(48, 48, 32, 0xFF2040F0), ZS_PIC_PNG));
    ASSERT_EQ(test::RunCli({"convert", S(dir / "in.png"), S(dir / "a.ico")}).code, 0);

    test::CliResult r =
        test::RunCli({"formats", S(dir / "a.ico"), S(dir / "b.ico"), "--add", "32x32-XP,16x16-16"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "b.ico"), (std::vector<ZI_FORMAT>{{48, 48, 32}, {32, 32, 32}, {16, 16, 4}}));
    CIcon b;
    b.SetData(*ZsReadFile(dir / "b.ico"));
    EXPECT_EQ(b.GetHBITMAP(1).At(10, 10), 0xFF2040F0u);

    r = test::RunCli({"formats", S(dir / "b.ico"), S(dir / "c.ico"), "--remove", "16x16-16", "--except",
                      "--keep-largest"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "c.ico"), (std::vector<ZI_FORMAT>{{48, 48, 32}, {16, 16, 4}}));

    r = test::RunCli(
        {"formats", S(dir / "b.ico"), S(dir / "d.ico"), "--set", "Windows XP Icon Format (Minimum)"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "d.ico").size(), 9u);

    r = test::RunCli({"formats", S(dir / "b.ico"), S(dir / "e.ico"), "--add", "24x24-XP", "--blank"});
    ASSERT_EQ(r.code, 0) << r.err;
    CIcon e;
    e.SetData(*ZsReadFile(dir / "e.ico"));
    EXPECT_EQ(e.GetHBITMAP(2).At(10, 10), 0u);

    r = test::RunCli(
        {"formats", S(dir / "b.ico"), S(dir / "f.ico"), "--remove", "48x48-XP,32x32-XP,16x16-16"});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "f.ico"));

    EXPECT_EQ(test::RunCli({"formats", S(dir / "b.ico"), S(dir / "g.ico")}).code, 2);
    EXPECT_EQ(
        test::RunCli({"formats", S(dir / "b.ico"), S(dir / "g.ico"), "--add", "x", "--remove", "y"}).code, 2);
    EXPECT_EQ(test::RunCli(
                  {"formats", S(dir / "b.ico"), S(dir / "g.ico"), "--add", "16x16-XP", "--from-image", "9"})
                  .code,
              1);
    EXPECT_EQ(test::RunCli({"presets"}).code, 0);
}

// Icons written by the tool must be read by other programs as written.
TEST(CliConvert, IconsAreReadByIcoutils) {
    ASSERT_TRUE(test::HaveTools({"icotool"}));
    test::TempDir dir;
    ZsWriteFile(dir / "in.png", ZsEncodePicture(CZsBitmap(64, 64, 32, 0x80FF0000), ZS_PIC_PNG));
    ASSERT_EQ(
        test::RunCli({"convert", S(dir / "in.png"), S(dir / "a.ico"), "--formats", "256x256-XP,32x32-16"})
            .code,
        0);
    ASSERT_EQ(
        test::RunCli({"formats", S(dir / "a.ico"), S(dir / "b.ico"), "--add", "16x16-Mono,48x48-256"}).code,
        0);
    std::optional<std::string> listed = test::Capture("icotool -l '" + S(dir / "b.ico") + "'");
    ASSERT_TRUE(listed);
    EXPECT_EQ(*listed,
              "--icon --index=1 --width=256 --height=256 --bit-depth=32 --palette-size=0\n"
              "--icon --index=2 --width=48 --height=48 --bit-depth=8 --palette-size=256\n"
              "--icon --index=3 --width=32 --height=32 --bit-depth=4 --palette-size=16\n"
              "--icon --index=4 --width=16 --height=16 --bit-depth=1 --palette-size=2\n");
    // Every image converts back to a picture.
    EXPECT_TRUE(test::Capture("cd '" + S(dir.Path()) + "' && icotool -x b.ico && ls b_4_16x16x1.png"));
}

TEST(CliConvert, SvgAndWebpPictures) {
    test::TempDir dir;
    const std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                            R"(<circle cx="5" cy="5" r="4" fill="#36c"/></svg>)";
    ZsWriteFile(dir / "logo.svg", ZsBlock(svg.begin(), svg.end()));
    test::CliResult r = test::RunCli({"convert", S(dir / "logo.svg"), S(dir / "app.ico")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "app.ico"), (std::vector<ZI_FORMAT>{{256, 256, 32},
                                                                   {128, 128, 32},
                                                                   {64, 64, 32},
                                                                   {48, 48, 32},
                                                                   {32, 32, 32},
                                                                   {24, 24, 32},
                                                                   {16, 16, 32}}));
    r = test::RunCli({"convert", S(dir / "logo.svg"), S(dir / "xp.ico"), "--formats", "20x20-XP, 16x16-256"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "xp.ico"), (std::vector<ZI_FORMAT>{{20, 20, 32}, {16, 16, 8}}));

    // A picture saved as WebP is read back by convert; export-images writes WebP.
    ZsWriteFile(dir / "in.webp", ZsEncodePicture(CZsBitmap(20, 10, 32, 0xFF00FF00), ZS_PIC_WEBP));
    r = test::RunCli({"convert", S(dir / "in.webp"), S(dir / "w.ico")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(IcoFormats(dir / "w.ico"), (std::vector<ZI_FORMAT>{{24, 24, 32}}));
    r = test::RunCli({"export-images", S(dir / "app.ico"), S(dir / "out"), "--type", "webp"});
    ASSERT_EQ(r.code, 0) << r.err;
    const CZsBitmap back = ZsLoadPicture(dir / "out" / "app (16x16 - XP).webp");
    EXPECT_EQ(back.Width(), 16);
    EXPECT_EQ(ZsAlpha(back.At(0, 0)), 0u);
    EXPECT_EQ(back.At(8, 8), 0xFF3366CCu);

    const std::string broken = R"(<svg xmlns="http://www.w3.org/2000/svg"><g></svg>)";
    ZsWriteFile(dir / "bad.svg", ZsBlock(broken.begin(), broken.end()));
    r = test::RunCli({"convert", S(dir / "bad.svg"), S(dir / "bad.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("damaged SVG data"), std::string::npos) << r.err;
}

TEST(CliConvert, SvgDrawingsHaveATimeLimitAndEveryAppleIconSide) {
    test::TempDir dir;
    const std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                            R"(<circle cx="5" cy="5" r="4" fill="#36c"/></svg>)";
    ZsWriteFile(dir / "logo.svg", ZsBlock(svg.begin(), svg.end()));
    const auto sides = [](const std::filesystem::path& icns) {
        std::vector<int> out;
        std::optional<ZsBlock> data = ZsReadFile(icns);
        const ZsBlock icon = data ? ZI_IcnsToIcon(*data) : ZsBlock{};
        for (const ZI_ENTRY& e : ZI_GetEntries(icon)) {
            out.push_back(e.Format().nWidth);
        }
        return out;
    };
    test::CliResult r = test::RunCli({"convert", S(dir / "logo.svg"), S(dir / "app.icns")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(sides(dir / "app.icns"), (std::vector<int>{1024, 512, 256, 128, 64, 32, 16}));
    // The formats given bound the sides, as for any picture.
    r = test::RunCli({"convert", S(dir / "logo.svg"), S(dir / "small.icns"), "--formats", "64x64-XP"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(sides(dir / "small.icns"), (std::vector<int>{64, 32, 16}));

    const std::string slow = test::SlowSvg();
    ZsWriteFile(dir / "slow.svg", ZsBlock(slow.begin(), slow.end()));
    setenv("PICTAVO_SVG_TIME_LIMIT", "0.5", 1);
    r = test::RunCli({"convert", S(dir / "slow.svg"), S(dir / "slow.ico")});
    const test::CliResult icns = test::RunCli({"convert", S(dir / "slow.svg"), S(dir / "slow.icns")});
    unsetenv("PICTAVO_SVG_TIME_LIMIT");
    for (const test::CliResult& failed : {r, icns}) {
        EXPECT_EQ(failed.code, 1);
        EXPECT_NE(failed.err.find("cannot convert '" + S(dir / "slow.svg") +
                                  "': drawing the SVG took longer than 0.5 seconds."),
                  std::string::npos)
            << failed.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "slow.ico"));
    EXPECT_FALSE(std::filesystem::exists(dir / "slow.icns"));
}
