// Apple icon files, cursors, icon theme folders and PNG-compressed images through the tool, read back by
// other programs.
#include <gtest/gtest.h>

#include <cstdio>

#include "CliRun.h"
#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

std::string S(const std::filesystem::path& p) {
    return p.string();
}

// A picture worth compressing: flat areas, edges and transparency, like a drawn icon.
void WriteLogo(const std::filesystem::path& path) {
    CZsBitmap bmp(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int dx = x - 128, dy = y - 128;
            bmp.At(x, y) = dx * dx + dy * dy < 100 * 100 ? ZsArgb(0xFF, 0xD0, y / 2, 0x20) : 0;
        }
    }
    ZsSaveBitmapFile(bmp, path, ZS_PIC_PNG);
}

uint64_t FileSize(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::file_size(path, ec);
}

}  // namespace

TEST(CliPng, GeneratedImagesShrinkAndOtherReadersReadThem) {
    test::TempDir dir;
    WriteLogo(dir / "logo.png");
    const std::vector<std::string> preset{"--formats", "256x256-XP,48x48-XP,32x32-XP,16x16-XP"};
    std::vector<std::string> args{"convert", S(dir / "logo.png"), S(dir / "dib.ico")};
    args.insert(args.end(), preset.begin(), preset.end());
    ASSERT_EQ(test::RunCli(args).code, 0);
    args[2] = S(dir / "png.ico");
    args.push_back("--png");
    test::CliResult r = test::RunCli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    args[2] = S(dir / "png48.ico");
    args.back() = "--png-min";
    args.push_back("48");
    ASSERT_EQ(test::RunCli(args).code, 0);
    EXPECT_LT(FileSize(dir / "png.ico") * 2, FileSize(dir / "dib.ico"));
    EXPECT_LT(FileSize(dir / "png48.ico"), FileSize(dir / "png.ico"));
    CIcon icon;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(dir / "png.ico")));
    for (const ZI_IMAGE& image : icon.Images()) {
        EXPECT_EQ(image.IsPng(), image.Format().nWidth == 256) << ZI_GetFormatName(image.Format());
    }

    ASSERT_TRUE(test::HaveTools({"identify", "icotool"}));
    const std::optional<std::string> magick =
        test::Capture("identify -format '%wx%h\\n' '" + S(dir / "png.ico") + "'");
    ASSERT_TRUE(magick);
    EXPECT_NE(magick->find("256x256"), std::string::npos) << *magick;
    EXPECT_EQ(static_cast<int>(std::count(magick->begin(), magick->end(), '\n')), icon.GetImageCount());
    const std::optional<std::string> listed = test::Capture("icotool -l '" + S(dir / "png48.ico") + "'");
    ASSERT_TRUE(listed);
    EXPECT_NE(listed->find("--width=256 --height=256 --bit-depth=32"), std::string::npos) << *listed;
    // icotool unpacks the PNG image to the pixels it holds.
    ASSERT_TRUE(test::Capture("cd '" + S(dir.Path()) + "' && icotool -x -w 256 png.ico"));
    const CZsBitmap extracted = ZsLoadPicture(dir / "png_1_256x256x32.png");
    EXPECT_EQ(extracted, icon.GetHBITMAP(0));
}

TEST(CliPng, OptionsAreCheckedAndOffChangesNothing) {
    test::TempDir dir;
    WriteLogo(dir / "logo.png");
    EXPECT_EQ(
        test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.ico"), "--png", "--png-min", "48"}).code, 2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.ico"), "--png-min", "0"}).code, 2);
    ASSERT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.ico")}).code, 0);
    ASSERT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "b.ico"), "--png-min", "512"}).code, 0);
    EXPECT_EQ(*ZsReadFile(dir / "a.ico"), *ZsReadFile(dir / "b.ico"));
}

TEST(CliConvert, AppleIconFilesBothWays) {
    test::TempDir dir;
    WriteLogo(dir / "logo.png");
    test::CliResult r = test::RunCli({"convert", S(dir / "logo.png"), S(dir / "app.icns")});
    ASSERT_EQ(r.code, 0) << r.err;
    const ZsBlock icns = *ZsReadFile(dir / "app.icns");
    EXPECT_TRUE(ZI_IsIcns(icns));
    r = test::RunCli({"convert", S(dir / "app.icns"), S(dir / "back.ico")});
    ASSERT_EQ(r.code, 0) << r.err;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(*ZsReadFile(dir / "back.ico")));
    std::vector<int> sides;
    for (const ZI_IMAGE& image : icon.Images()) {
        sides.push_back(image.Format().nWidth);
    }
    EXPECT_EQ(sides, (std::vector<int>{256, 128, 64, 32, 16}));

    ZsWriteFile(dir / "bad.icns", ZsBlock{'i', 'c', 'n', 's', 0, 0, 0, 8});
    r = test::RunCli({"convert", S(dir / "bad.icns"), S(dir / "x.ico")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the file holds no image that can be read"), std::string::npos) << r.err;

    ASSERT_TRUE(test::HaveTools({"icns2png"}));
    const std::optional<std::string> listed =
        test::Capture("icns2png -l '" + S(dir / "app.icns") + "' 2>/dev/null");
    ASSERT_TRUE(listed);
    EXPECT_NE(listed->find("'ic08' 256x256 32-bit icon"), std::string::npos) << *listed;
}

TEST(CliInfo, AppleIconFilesAndCursorsAsTheIconsTheyBecome) {
    test::TempDir dir;
    WriteLogo(dir / "logo.png");
    ASSERT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.icns")}).code, 0);
    ASSERT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.cur"), "--formats", "32x32-XP"}).code,
              0);
    test::CliResult r = test::RunCli({"info", S(dir / "a.icns")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind(S(dir / "a.icns") + ": Apple icon file, as an icon, 5 images", 0), 0u) << r.out;
    r = test::RunCli({"info", "--json", S(dir / "a.cur")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"kind\": \"cur\", \"images\": [{\"width\": 32"), std::string::npos) << r.out;
    ZsWriteFile(dir / "bad.icns", ZsBlock{'i', 'c', 'n', 's', 0, 0, 0, 8});
    r = test::RunCli({"info", S(dir / "bad.icns")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the file holds no image that can be read"), std::string::npos) << r.err;
}

TEST(CliConvert, CursorsWithHotSpots) {
    test::TempDir dir;
    WriteLogo(dir / "logo.png");
    test::CliResult r = test::RunCli({"convert", S(dir / "logo.png"), S(dir / "arrow.cur"), "--hotspot",
                                      "20,10", "--formats", "32x32-XP,64x64-XP"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = test::RunCli({"convert", S(dir / "arrow.cur"), S(dir / "arrow.ico")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ZI_GetImageCount(*ZsReadFile(dir / "arrow.ico")), 2);

    EXPECT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.ico"), "--hotspot", "1,1"}).code, 2);
    EXPECT_EQ(test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.cur"), "--hotspot", "1"}).code, 2);
    r = test::RunCli({"convert", S(dir / "logo.png"), S(dir / "a.cur"), "--hotspot", "300,0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("outside the cursor's largest image"), std::string::npos) << r.err;

    ASSERT_TRUE(test::HaveTools({"icotool"}));
    const std::optional<std::string> listed = test::Capture("icotool -l '" + S(dir / "arrow.cur") + "'");
    ASSERT_TRUE(listed);
    EXPECT_NE(listed->find("--cursor --index=1 --width=64 --height=64 --bit-depth=32 --palette-size=0 "
                           "--hotspot-x=20 --hotspot-y=10"),
              std::string::npos)
        << *listed;
    EXPECT_NE(
        listed->find("--width=32 --height=32 --bit-depth=32 --palette-size=0 --hotspot-x=10 --hotspot-y=5"),
        std::string::npos)
        << *listed;
}

TEST(CliExport, ThemeFoldersAndAppleIconFiles) {
    test::TempDir dir;
    const std::string lib = S(dir / "Work.pctv");
    ASSERT_EQ(test::RunCli({"new", lib}).code, 0);
    ZsWriteFile(dir / "My App.ico",
                test::MakeIco({test::DibImage(32, 32, 32, 1), test::DibImage(16, 16, 8, 2),
                               test::DibImage(16, 16, 32, 3), test::DibImage(20, 10, 32)}));
    ASSERT_EQ(test::RunCli({"import", lib, S(dir / "My App.ico")}).code, 0);
    test::CliResult r = test::RunCli({"export", lib, S(dir / "out"), "--type", "theme"});
    ASSERT_EQ(r.code, 1) << r.err;  // the folder must exist
    std::filesystem::create_directories(dir / "out");
    r = test::RunCli({"export", lib, S(dir / "out"), "--type", "theme"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::filesystem::path theme = dir / "out" / "hicolor";
    // Square sides only, each from its deepest image.
    EXPECT_EQ(ZsLoadPicture(theme / "16x16" / "apps" / "My App.png"),
              ZI_DecodeImage(test::DibImage(16, 16, 32, 3).data));
    EXPECT_TRUE(std::filesystem::exists(theme / "32x32" / "apps" / "My App.png"));
    EXPECT_FALSE(std::filesystem::exists(theme / "20x10"));
    const ZsBlock index = *ZsReadFile(theme / "index.theme");
    EXPECT_EQ(std::string(index.begin(), index.end()),
              "[Icon Theme]\nName=Hicolor\nComment=Fallback icon theme\nDirectories=16x16/apps,32x32/apps\n"
              "\n[16x16/apps]\nSize=16\nContext=Applications\nType=Fixed\n"
              "\n[32x32/apps]\nSize=32\nContext=Applications\nType=Fixed\n");
    // Chosen sizes are generated; the index then lists what the folder holds.
    r = test::RunCli({"export", lib, S(dir / "out"), "--type", "theme", "--formats", "48x48-XP"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(theme / "48x48" / "apps" / "My App.png"));
    const ZsBlock index2 = *ZsReadFile(theme / "index.theme");
    EXPECT_NE(
        std::string(index2.begin(), index2.end()).find("Directories=16x16/apps,32x32/apps,48x48/apps\n"),
        std::string::npos);

    r = test::RunCli({"export", lib, S(dir / "out"), "--type", "icns"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(ZI_IsIcns(*ZsReadFile(dir / "out" / "My App.icns")));
    EXPECT_EQ(test::RunCli({"export", lib, S(dir / "out"), "--type", "svg"}).code, 2);
}
