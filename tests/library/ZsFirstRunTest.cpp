// The library of the very first run: which theme pictures become which categories, in which order and how
// many, where themes are looked for, and that only a program that has never run gets the library.
#include <gtest/gtest.h>

#include <cstdlib>

#include "LibTestUtil.h"
#include "common/ZsConfig.h"
#include "icon/ZsPicture.h"
#include "library/ZsFirstRun.h"

namespace {

void Picture(const std::filesystem::path& path, int nSize = 48) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(nSize, nSize, 32, ZsArgb(255, 10, 20, 30)), path, ZS_PIC_PNG));
}

// "Category: name, name" for each category below "My Icons".
std::vector<std::string> Contents(const std::filesystem::path& path) {
    test::Library l;
    EXPECT_TRUE(l.lib.Load(path));
    std::vector<std::string> lines;
    const ZsTreeItem all = l.tree.GetRootItem();
    for (ZsTreeItem item = l.tree.GetChildItem(all); item; item = l.tree.GetNextSiblingItem(item)) {
        std::string line = l.tree.GetItemText(item) + ":";
        for (int32_t nId : l.lib.GetList(l.tree.GetItemData(item))) {
            line += " " + l.lib.GetIconName(nId);
        }
        lines.push_back(line);
    }
    return lines;
}

// Sets an environment variable for the life of the object, then puts the old value back.
class EnvScope {
public:
    EnvScope(const char* pszName, const char* pszValue) : msName(pszName) {
        if (const char* pszOld = std::getenv(pszName)) {
            mOld = pszOld;
        }
        if (pszValue) {
            setenv(pszName, pszValue, 1);
        } else {
            unsetenv(pszName);
        }
    }
    ~EnvScope() {
        if (mOld) {
            setenv(msName.c_str(), mOld->c_str(), 1);
        } else {
            unsetenv(msName.c_str());
        }
    }

private:
    std::string msName;
    std::optional<std::string> mOld;
};

}  // namespace

// The sides of an icon's images, largest first, and its keywords.
std::pair<std::vector<int>, std::string> IconOf(test::Library& l, int32_t nId) {
    CIcon icon;
    EXPECT_TRUE(l.lib.GetIcon(nId, icon));
    std::vector<int> sides;
    for (const ZI_IMAGE& image : icon.Images()) {
        EXPECT_EQ(image.Format().nWidth, image.Format().nHeight);
        sides.push_back(image.Format().nWidth);
    }
    return {sides, l.lib.GetIconKeywords(nId)};
}

TEST(ZsFirstRun, ThemeIconsBecomeCategoriesInNameOrder) {
    test::TempDir dir;
    const std::filesystem::path themes = dir / "icons";
    Picture(themes / "Beta" / "48x48" / "places" / "folder.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "user-home.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "sub" / "network.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "folder-symbolic.png");
    Picture(themes / "Alpha" / "32x32" / "places" / "small-folder.png", 32);
    Picture(themes / "Alpha" / "32x32" / "devices" / "drive.png", 32);
    Picture(themes / "Alpha" / "48x48" / "actions" / "go-up.png");  // no category of its own
    std::filesystem::create_directories(themes / "Alpha" / "48x48" / "status");
    ASSERT_TRUE(ZsWriteFile(themes / "Alpha" / "48x48" / "status" / "broken.png", ZsBlock{1, 2, 3}));

    const std::filesystem::path path = dir / "themes.pctv";
    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(path, {{themes}, 32});
    ASSERT_TRUE(result.bMade) << result.sMessage;
    EXPECT_EQ(result.nCategories, 2);
    EXPECT_EQ(result.nIcons, 5);
    EXPECT_EQ(Contents(path),
              (std::vector<std::string>{"Places: folder network small-folder user-home", "Devices: drive"}));

    // At most so many icons per category; a folder of the list may be a theme itself.
    const ZIL_SEED_RESULT two = ZsMakeThemeLibrary(dir / "two.pctv", {{themes / "Alpha"}, 1});
    ASSERT_TRUE(two.bMade);
    EXPECT_EQ(Contents(dir / "two.pctv"), (std::vector<std::string>{"Places: network", "Devices: drive"}));
}

TEST(ZsFirstRun, EveryPictureSizeOfAThemeIsOneIconOfAName) {
    test::TempDir dir;
    const std::filesystem::path themes = dir / "icons";
    for (int nSide : {16, 22, 48, 512}) {
        const std::string sFolder = std::to_string(nSide) + "x" + std::to_string(nSide);
        Picture(themes / "Alpha" / sFolder / "apps" / "editor.png", nSide);
    }
    Picture(themes / "Alpha" / "48x48@2" / "apps" / "editor.png", 96);  // a scaled folder: not a size
    Picture(themes / "Beta" / "24x24" / "apps" / "editor.png", 24);     // Alpha comes first
    Picture(themes / "Beta" / "256x256" / "apps" / "viewer.png", 256);
    Picture(themes / "Beta" / "512x512" / "apps" / "viewer.png", 512);  // 256 pixels are there
    // "hicolor", which every theme falls back to, comes after the others whatever its name's order.
    Picture(themes / "hicolor" / "32x32" / "apps" / "editor.png", 32);
    Picture(themes / "hicolor" / "48x48" / "apps" / "viewer.png");
    Picture(themes / "hicolor" / "48x48" / "apps" / "calculator.png");
    // A second folder of themes has the same names: the first folder's themes win.
    Picture(dir / "more" / "Aardvark" / "64x64" / "apps" / "viewer.png", 64);

    const std::filesystem::path path = dir / "themes.pctv";
    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(path, {{themes, dir / "more"}, 32});
    ASSERT_TRUE(result.bMade) << result.sMessage;
    EXPECT_EQ(Contents(path), std::vector<std::string>{"Applications: calculator editor viewer"});
    test::Library l;
    ASSERT_TRUE(l.lib.Load(path));
    const ZIL_LIST& ids = l.lib.GetList(ZIL_ID_ALL);
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(IconOf(l, ids[0]), std::make_pair(std::vector<int>{48}, std::string("hicolor")));
    EXPECT_EQ(IconOf(l, ids[1]), std::make_pair(std::vector<int>{512, 48, 22, 16}, std::string("Alpha")));
    EXPECT_EQ(IconOf(l, ids[2]), std::make_pair(std::vector<int>{512, 256}, std::string("Beta")));
    // Large pictures keep the theme's PNG data as it is; small ones become uncompressed images.
    CIcon viewer, editor;
    ASSERT_TRUE(l.lib.GetIcon(ids[2], viewer));
    ASSERT_TRUE(l.lib.GetIcon(ids[1], editor));
    EXPECT_EQ(viewer.GetImage(1).data, *ZsReadFile(themes / "Beta" / "256x256" / "apps" / "viewer.png"));
    EXPECT_TRUE(viewer.GetImage(0).IsPng());
    EXPECT_FALSE(editor.GetImage(1).IsPng());
    EXPECT_EQ(editor.GetHBITMAP(0).At(300, 300), ZsArgb(255, 10, 20, 30));
}

TEST(ZsFirstRun, ScalableDrawingsGiveTheSizesThePicturesLack) {
    test::TempDir dir;
    const std::filesystem::path themes = dir / "icons";
    const std::string svg = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 8 8">)"
                            R"(<rect width="8" height="8" fill="#c00"/></svg>)";
    const auto drawing = [&](const std::filesystem::path& path) {
        std::filesystem::create_directories(path.parent_path());
        ASSERT_TRUE(ZsWriteFile(path, ZsBlock(svg.begin(), svg.end())));
    };
    Picture(themes / "Hi" / "48x48" / "apps" / "editor.png");
    drawing(themes / "Hi" / "scalable" / "apps" / "editor.svg");
    Picture(themes / "Hi" / "48x48" / "apps" / "viewer.png");
    drawing(themes / "Hi" / "scalable" / "devices" / "phone.svg");  // no pictures of devices: taken
    drawing(themes / "Hi" / "scalable" / "devices" / "phone-symbolic.svg");

    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(dir / "t.pctv", {{themes}, 32});
    ASSERT_TRUE(result.bMade) << result.sMessage;
    EXPECT_EQ(Contents(dir / "t.pctv"),
              (std::vector<std::string>{"Devices: phone", "Applications: editor viewer"}));
    test::Library l;
    ASSERT_TRUE(l.lib.Load(dir / "t.pctv"));
    const ZIL_LIST& ids = l.lib.GetList(ZIL_ID_ALL);
    ASSERT_EQ(ids.size(), 3u);
    const std::vector<int> standard = {256, 128, 64, 48, 32, 24, 16};
    EXPECT_EQ(IconOf(l, ids[0]).first, standard);
    EXPECT_EQ(IconOf(l, ids[1]).first, standard);
    EXPECT_EQ(IconOf(l, ids[2]).first, std::vector<int>{48});
    // The picture drawn for 48 pixels stays; the drawing fills in the other sizes.
    CIcon editor;
    ASSERT_TRUE(l.lib.GetIcon(ids[1], editor));
    EXPECT_EQ(editor.GetHBITMAP(3).At(24, 24), ZsArgb(255, 10, 20, 30));
    EXPECT_EQ(editor.GetHBITMAP(0).At(128, 128), ZsArgb(255, 0xCC, 0, 0));
}

TEST(ZsFirstRun, NoThemeNoLibrary) {
    test::TempDir dir;
    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(dir / "none.pctv", {{dir / "missing"}, 32});
    EXPECT_FALSE(result.bMade);
    EXPECT_EQ(result.sMessage, "No icon themes with pictures under " + ZsPathToUtf8(dir / "missing") + ".");
    EXPECT_FALSE(std::filesystem::exists(dir / "none.pctv"));
}

TEST(ZsFirstRun, ThemeFoldersFromTheEnvironment) {
    {
        EnvScope themes("PICTAVO_ICON_THEMES", "/a/icons::/b");
        EXPECT_EQ(ZsGetIconThemeDirs(), (std::vector<std::filesystem::path>{"/a/icons", "/b"}));
    }
    EnvScope themes("PICTAVO_ICON_THEMES", nullptr);
    EnvScope dataHome("XDG_DATA_HOME", "/home/u/data");
    {
        EnvScope dataDirs("XDG_DATA_DIRS", "/opt/share:relative:/usr/share");
        EXPECT_EQ(ZsGetIconThemeDirs(), (std::vector<std::filesystem::path>{
                                            "/home/u/data/icons", "/opt/share/icons", "/usr/share/icons"}));
    }
    EnvScope dataDirs("XDG_DATA_DIRS", nullptr);
    EXPECT_EQ(ZsGetIconThemeDirs(), (std::vector<std::filesystem::path>{
                                        "/home/u/data/icons", "/usr/local/share/icons", "/usr/share/icons"}));
}

TEST(ZsFirstRun, OnlyAProgramThatNeverRanGetsTheDefaultLibrary) {
    test::TempDir dir;
    Picture(dir / "icons" / "Theme" / "48x48" / "apps" / "editor.png");
    const ZIL_SEED_OPTIONS options{{dir / "icons"}, 32};
    const std::filesystem::path library = ZsGetDataDir() / ZIL_DEFAULT_LIBRARY;
    std::error_code ec;
    std::filesystem::remove(ZsGetConfigPath(), ec);
    std::filesystem::remove(library, ec);

    ASSERT_TRUE(ZsIsFirstRun());
    const ZIL_SEED_RESULT first = ZsSeedDefaultLibrary(options);
    ASSERT_TRUE(first.bMade) << first.sMessage;
    EXPECT_EQ(Contents(library), std::vector<std::string>{"Applications: editor"});

    // The library is there now: a second call leaves it alone, even an emptied one.
    EXPECT_FALSE(ZsIsFirstRun());
    ASSERT_TRUE(ZsWriteFile(library, ZsBlock{}));
    const ZIL_SEED_RESULT again = ZsSeedDefaultLibrary(options);
    EXPECT_FALSE(again.bMade);
    EXPECT_TRUE(again.sMessage.empty());
    EXPECT_EQ(std::filesystem::file_size(library), 0u);

    // A program that has run (it has settings) and whose user deleted the library gets none either.
    std::filesystem::remove(library);
    ASSERT_TRUE(ZsWriteFile(ZsGetConfigPath(), ZsBlock{0xFF, 0xFE}));
    EXPECT_FALSE(ZsSeedDefaultLibrary(options).bMade);
    EXPECT_FALSE(std::filesystem::exists(library));
    std::filesystem::remove(ZsGetConfigPath());
}
