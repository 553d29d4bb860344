#include <gtest/gtest.h>

#include "ModuleFixtures.h"
#include "TestSupport.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"
#include "icon/ZsPicture.h"

namespace {

std::filesystem::path Write(const test::TempDir& dir, const std::string& name,
                            const std::vector<uint8_t>& bytes) {
    std::filesystem::path path = dir / name;
    EXPECT_TRUE(ZsWriteFile(path, bytes));
    return path;
}

}  // namespace

TEST(IconSourceKind, ComesFromTheLowerCasedExtension) {
    EXPECT_EQ(ZI_GetSourceKind("a/b.ico"), ZI_SOURCE_ICO);
    EXPECT_EQ(ZI_GetSourceKind("B.ICO"), ZI_SOURCE_ICO);
    for (const char* name : {"p.png", "p.bmp", "p.JPG", "p.gif", "p.exif", "p.tiff", "p.webp", "p.SVG"}) {
        EXPECT_EQ(ZI_GetSourceKind(name), ZI_SOURCE_PICTURE) << name;
    }
    for (const char* name : {"m.icl", "m.EXE", "m.dll"}) {
        EXPECT_EQ(ZI_GetSourceKind(name), ZI_SOURCE_MODULE) << name;
    }
    for (const char* name : {"p.jpeg", "p.tif", "x.drv", "noext", "dir.ico/file", ".ico.txt"}) {
        EXPECT_EQ(ZI_GetSourceKind(name), ZI_SOURCE_NONE) << name;
    }
}

TEST(IconSource, AnIconFileIsOneWholeIconNamedByItsTitle) {
    test::TempDir dir;
    const std::vector<uint8_t> ico = test::MakeIco({test::DibImage(16, 16, 32)});
    CIconSource source;
    ASSERT_TRUE(source.Open(Write(dir, "star.v2.ico", ico), ZI_SOURCE_ICO));
    EXPECT_TRUE(source.IsWhole());
    ASSERT_EQ(source.GetCount(), 1);
    EXPECT_EQ(source.GetName(0), "star.v2");
    EXPECT_EQ(source.GetData(0), ico);
    EXPECT_EQ(source.GetModuleType(), CIconLibrary::TYPE_UNKNOWN);
    // Bytes that are no icon are handed over as they are: whoever keeps them checks them.
    ASSERT_TRUE(source.Open(Write(dir, "junk.ico", {1, 2, 3}), ZI_SOURCE_ICO));
    EXPECT_EQ(source.GetData(0), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(source.GetData(1).empty());
}

TEST(IconSource, PicturesAreOneIconOrNumberedTiles) {
    test::TempDir dir;
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(40, 20, 32, 0xFF336699), dir / "pic.png", ZS_PIC_PNG));
    CIconSource source;
    ASSERT_TRUE(source.Open(dir / "pic.png", ZI_SOURCE_PICTURE, {0, 0, ZI_SIZING_KEEP}));
    EXPECT_TRUE(source.IsWhole());
    ASSERT_EQ(source.GetCount(), 1);
    EXPECT_EQ(source.GetName(0), "pic");
    ZI_INFO info;
    ASSERT_TRUE(ZI_GetIconInfo(source.GetData(0), &info));
    EXPECT_EQ(info.nMaxWidth, 40);

    ASSERT_TRUE(source.Open(dir / "pic.png", ZI_SOURCE_PICTURE, {20, 20, ZI_SIZING_KEEP}));
    EXPECT_FALSE(source.IsWhole());
    ASSERT_EQ(source.GetCount(), 2);
    EXPECT_EQ(source.GetName(0), "pic (1)");
    EXPECT_EQ(source.GetName(1), "pic (2)");
    EXPECT_TRUE(ZI_IsValidIcon(source.GetData(1)));
    // Each block is handed over once.
    EXPECT_TRUE(source.GetData(1).empty());
}

TEST(IconSource, ModulesGiveTheirGroupsNamedOrNumbered) {
    test::TempDir dir;
    const std::vector<std::vector<test::IcoImage>> groups{{test::DibImage(16, 16, 32)},
                                                          {test::DibImage(32, 32, 8)}};
    std::filesystem::path icl = Write(dir, "set.icl", test::MakeNe(groups, {"ICL", "Open"}).bytes);
    test::LogCapture log;
    CIconSource source;
    ASSERT_TRUE(source.Open(icl, ZI_SOURCE_MODULE));
    EXPECT_FALSE(source.IsWhole());
    EXPECT_EQ(source.GetModuleType(), CIconLibrary::TYPE_NE);
    ASSERT_EQ(source.GetCount(), 2);
    EXPECT_EQ(source.GetName(0), "Open");
    EXPECT_EQ(source.GetName(1), "set (2)");
    EXPECT_EQ(source.GetData(1), test::MakeIco(groups[1]));
    // Groups are read on request, as often as asked.
    EXPECT_EQ(source.GetData(1), test::MakeIco(groups[1]));
}

TEST(IconSource, FilesThatGiveNoIconAreRefusedWithAReason) {
    test::TempDir dir;
    test::LogCapture log;
    CIconSource source;
    EXPECT_FALSE(source.Open(dir / "missing.ico", ZI_SOURCE_ICO));
    EXPECT_FALSE(source.GetError().empty());
    EXPECT_EQ(source.GetCount(), 0);
    EXPECT_FALSE(source.Open(Write(dir, "fake.png", {1, 2, 3}), ZI_SOURCE_PICTURE));
    EXPECT_FALSE(source.GetError().empty());
    EXPECT_FALSE(source.Open(dir / "fake.png", ZI_SOURCE_PICTURE, {16, 16, 0}));
    EXPECT_EQ(source.GetCount(), 0);
    EXPECT_FALSE(source.Open(Write(dir, "plain.dll", {'M', 'Z', 0, 0}), ZI_SOURCE_MODULE));
    EXPECT_FALSE(source.GetError().empty());
    EXPECT_EQ(source.GetModuleType(), CIconLibrary::TYPE_UNKNOWN);
    EXPECT_FALSE(source.Open(dir / "fake.png", ZI_SOURCE_NONE));
    EXPECT_TRUE(log.Contains("CIconSource::Open"));
}
