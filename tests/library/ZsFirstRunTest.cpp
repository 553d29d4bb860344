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

TEST(ZsFirstRun, ThemePicturesBecomeCategoriesInPathOrder) {
    test::TempDir dir;
    const std::filesystem::path themes = dir / "icons";
    Picture(themes / "Beta" / "48x48" / "places" / "folder.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "user-home.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "sub" / "network.png");
    Picture(themes / "Alpha" / "48x48" / "places" / "folder-symbolic.png");
    Picture(themes / "Alpha" / "32x32" / "places" / "small-folder.png", 32);  // 48 pixels are there
    Picture(themes / "Alpha" / "32x32" / "devices" / "drive.png", 32);        // no 48 pixels: taken
    Picture(themes / "Alpha" / "48x48" / "actions" / "go-up.png");            // no category of its own
    std::filesystem::create_directories(themes / "Alpha" / "48x48" / "status");
    ASSERT_TRUE(ZsWriteFile(themes / "Alpha" / "48x48" / "status" / "broken.png", ZsBlock{1, 2, 3}));

    const std::filesystem::path path = dir / "themes.pctv";
    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(path, {{themes}, 32});
    ASSERT_TRUE(result.bMade) << result.sMessage;
    EXPECT_EQ(result.nCategories, 2);
    EXPECT_EQ(result.nIcons, 4);
    EXPECT_EQ(Contents(path),
              (std::vector<std::string>{"Places: network user-home folder", "Devices: drive"}));

    // At most so many pictures per category; a folder of the list may be a theme itself.
    const ZIL_SEED_RESULT two = ZsMakeThemeLibrary(dir / "two.pctv", {{themes / "Alpha"}, 1});
    ASSERT_TRUE(two.bMade);
    EXPECT_EQ(Contents(dir / "two.pctv"), (std::vector<std::string>{"Places: network", "Devices: drive"}));
}

TEST(ZsFirstRun, ScalableDrawingsAreDrawnAtEverySize) {
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

    const ZIL_SEED_RESULT result = ZsMakeThemeLibrary(dir / "t.pctv", {{themes}, 32});
    ASSERT_TRUE(result.bMade) << result.sMessage;
    EXPECT_EQ(Contents(dir / "t.pctv"),
              (std::vector<std::string>{"Devices: phone", "Applications: editor viewer"}));
    test::Library l;
    ASSERT_TRUE(l.lib.Load(dir / "t.pctv"));
    std::vector<int> counts;
    for (ZsTreeItem item = l.tree.GetChildItem(l.tree.GetRootItem()); item;
         item = l.tree.GetNextSiblingItem(item)) {
        for (int32_t nId : l.lib.GetList(l.tree.GetItemData(item))) {
            CIcon icon;
            ASSERT_TRUE(l.lib.GetIcon(nId, icon));
            counts.push_back(icon.GetImageCount());
        }
    }
    // The drawings give the seven standard sizes; the picture without a drawing its one image.
    EXPECT_EQ(counts, (std::vector<int>{7, 7, 1}));
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
