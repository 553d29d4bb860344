// The tool's pieces for the desktop around it: --version, the library of icon-theme pictures ("seed"), and
// the hidden verb that gives shell completion the category paths of a library.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "TestSupport.h"
#include "common/ZsConfig.h"
#include "icon/ZsPicture.h"

namespace {

void Picture(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(48, 48, 32, ZsArgb(255, 1, 2, 3)), path, ZS_PIC_PNG));
}

}  // namespace

TEST(CliDesktop, VersionIsPrintedAlone) {
    const test::CliResult r = test::RunCli({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "pictavo-cli " PICTAVO_VERSION "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(test::RunCli({"help"}).out.find("--version prints the version"), std::string::npos);
}

TEST(CliDesktop, HelpListsEveryFileTypeRead) {
    const std::string sHelp = test::RunCli({"help"}).out;
    for (const char* pszExt : {".ico", ".exe", ".exif", ".svg", ".webp", ".icns", ".cur", ".ani"}) {
        EXPECT_NE(sHelp.find(std::string("\n  ") + pszExt + " "), std::string::npos) << pszExt;
    }
}

TEST(CliDesktop, CategoryPathsForCompletionAreHiddenAndReadOnly) {
    test::TempDir dir;
    const std::string lib = (dir / "lib.pctv").string();
    ASSERT_EQ(test::RunCli({"new", lib}).code, 0);
    ASSERT_EQ(test::RunCli({"mkcat", lib, "My Icons/Sample Category 2/A\\/B"}).code, 0);
    const std::optional<ZsBlock> before = ZsReadFile(lib);

    const test::CliResult r = test::RunCli({"__categories", lib});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "My Icons\n"
              "My Icons/Sample Category 1\n"
              "My Icons/Sample Category 1/Sample Subcategory 1\n"
              "My Icons/Sample Category 1/Sample Subcategory 2\n"
              "My Icons/Sample Category 2\n"
              "My Icons/Sample Category 2/A\\/B\n"
              "My Icons/Sample Category 3\n"
              "Find Results\n");
    EXPECT_EQ(ZsReadFile(lib), before);
    // Every path it prints is one --category takes.
    EXPECT_EQ(test::RunCli({"list", lib, "--category", "My Icons/Sample Category 2/A\\/B"}).code, 0);

    EXPECT_EQ(test::RunCli({"help"}).out.find("__categories"), std::string::npos);
    EXPECT_EQ(test::RunCli({"__categories", (dir / "missing.pctv").string()}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.pctv"));
    EXPECT_EQ(test::RunCli({"__categories"}).code, 2);
}

TEST(CliDesktop, SeedMakesALibraryOfThemePictures) {
    test::TempDir dir;
    Picture(dir / "icons" / "Theme" / "48x48" / "places" / "folder.png");
    Picture(dir / "icons" / "Theme" / "48x48" / "devices" / "drive.png");
    const std::string lib = (dir / "themes.pctv").string();
    const std::string themes = (dir / "icons").string();

    const test::CliResult r = test::RunCli({"seed", lib, "--themes", themes});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, lib + ": 2 icons in 2 categories.\n");
    EXPECT_EQ(test::RunCli({"list", lib, "--category", "My Icons/Places"}).code, 0);
    EXPECT_NE(test::RunCli({"tree", lib}).out.find("Devices"), std::string::npos);

    // An existing file is never replaced; a folder without themes makes nothing.
    EXPECT_EQ(test::RunCli({"seed", lib, "--themes", themes}).code, 1);
    const test::CliResult none =
        test::RunCli({"seed", (dir / "none.pctv").string(), "--themes", (dir / "x").string()});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("No icon themes with pictures under"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.pctv"));
    EXPECT_EQ(test::RunCli({"seed", "a.pctv", "b.pctv"}).code, 2);
    EXPECT_EQ(test::RunCli({"seed", lib, "--themes"}).code, 2);
}

TEST(CliDesktop, SeedWithoutALibraryMakesTheFirstRunLibraryOnce) {
    test::TempDir dir;
    Picture(dir / "icons" / "Theme" / "48x48" / "apps" / "editor.png");
    const std::filesystem::path library = ZsGetDataDir() / "Default.pctv";
    std::error_code ec;
    std::filesystem::remove(library, ec);
    std::filesystem::remove(ZsGetConfigPath(), ec);

    const test::CliResult first = test::RunCli({"seed", "--themes", (dir / "icons").string()});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out, ZsPathToUtf8(library) + ": 1 icon in 1 category.\n");
    const test::CliResult again = test::RunCli({"seed", "--themes", (dir / "icons").string()});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "Pictavo has run before: nothing to do.\n");
    std::filesystem::remove(library);
}
