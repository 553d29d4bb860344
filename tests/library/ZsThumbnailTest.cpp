// Thumbnails: the kind of a file by its content, the image nearest the size, the grid of a library's first
// icons, modules, and the refusals that keep a thumbnailer safe on hostile files (oversized images, pipes,
// folders, huge files) while a library it looks at stays untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "../icon/ModuleFixtures.h"
#include "LibTestUtil.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsPicture.h"
#include "library/ZsThumbnail.h"

namespace {

constexpr uint32_t kRed = ZsArgb(255, 255, 0, 0);
constexpr uint32_t kGreen = ZsArgb(255, 0, 255, 0);
constexpr uint32_t kBlue = ZsArgb(255, 0, 0, 255);
constexpr uint32_t kWhite = ZsArgb(255, 255, 255, 255);

// An icon of three sizes, each of its own colour.
ZsBlock ThreeSizes() {
    return test::MakeIco(
        {test::PngImage(16, 16, kRed), test::PngImage(48, 48, kGreen), test::PngImage(256, 256, kBlue)});
}

// A pixel of a bitmap; 0 outside it (a null bitmap has none).
uint32_t Pixel(const CZsBitmap& bitmap, int x, int y) {
    return x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height() ? bitmap.At(x, y) : 0;
}

std::filesystem::path WriteFile(const std::filesystem::path& path, const ZsBlock& bytes) {
    EXPECT_TRUE(ZsWriteFile(path, bytes));
    return path;
}

void PutU32(ZsBlock& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) {
        out.push_back(static_cast<uint8_t>(v >> (8 * k)));
    }
}

ZsBlock RiffChunk(const char* pszId, const ZsBlock& data) {
    ZsBlock out(pszId, pszId + 4);
    PutU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

// An animated cursor of icon frames: its header and the frame list.
ZsBlock AnimatedCursor(const std::vector<ZsBlock>& frames) {
    ZsBlock header;
    for (const uint32_t v : {36u, static_cast<uint32_t>(frames.size()), static_cast<uint32_t>(frames.size()),
                             0u, 0u, 0u, 0u, 10u, 1u}) {
        PutU32(header, v);
    }
    ZsBlock list{'f', 'r', 'a', 'm'};
    for (const ZsBlock& frame : frames) {
        const ZsBlock chunk = RiffChunk("icon", frame);
        list.insert(list.end(), chunk.begin(), chunk.end());
    }
    ZsBlock body{'A', 'C', 'O', 'N'};
    for (const ZsBlock& chunk : {RiffChunk("anih", header), RiffChunk("LIST", list)}) {
        body.insert(body.end(), chunk.begin(), chunk.end());
    }
    return RiffChunk("RIFF", body);
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ZsThumbnail, KindComesFromTheContent) {
    const ZsBlock ico = ThreeSizes();
    EXPECT_EQ(ZsGetThumbnailKind(ico), ZS_THUMB_ICON);
    EXPECT_EQ(ZsGetThumbnailKind(test::MakePe({}).bytes), ZS_THUMB_MODULE);
    const std::string sqlite("SQLite format 3\0rest", 20);
    EXPECT_EQ(ZsGetThumbnailKind(ZsBytes(reinterpret_cast<const uint8_t*>(sqlite.data()), sqlite.size())),
              ZS_THUMB_LIBRARY);
    EXPECT_EQ(ZsGetThumbnailKind(test::PngImage(16, 16, kRed).data), ZS_THUMB_NONE);
    EXPECT_EQ(ZsGetThumbnailKind(ZsBlock{0, 0, 1}), ZS_THUMB_NONE);
    EXPECT_EQ(ZsGetThumbnailKind(ZsBlock{}), ZS_THUMB_NONE);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ico));
    EXPECT_EQ(ZsGetThumbnailKind(ZI_IconToIcns(icon)), ZS_THUMB_ICNS);
    EXPECT_EQ(ZsGetThumbnailKind(ZI_IconToCursor(icon, 0, 0)), ZS_THUMB_CURSOR);
    EXPECT_EQ(ZsGetThumbnailKind(AnimatedCursor({ico})), ZS_THUMB_ANIMATED_CURSOR);
    EXPECT_EQ(ZsGetThumbnailKind(ZsBlock{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}), ZS_THUMB_NONE);
}

TEST(ZsThumbnail, AppleIconsAndCursorsShowTheirIcon) {
    test::TempDir dir;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ThreeSizes()));
    const ZsBlock red = test::MakeIco({test::PngImage(32, 32, kRed)});
    const ZsBlock green = test::MakeIco({test::PngImage(32, 32, kGreen)});
    const auto thumbnail = [&](const char* pszName, const ZsBlock& bytes, int nSize) {
        return ZsMakeThumbnail(WriteFile(dir / pszName, bytes), nSize);
    };
    EXPECT_EQ(Pixel(thumbnail("a.icns", ZI_IconToIcns(icon), 128), 64, 64), kBlue);
    EXPECT_EQ(Pixel(thumbnail("a.cur", ZI_IconToCursor(icon, 1, 1), 32), 16, 16), kGreen);
    // An animated cursor shows its first frame.
    EXPECT_EQ(Pixel(thumbnail("a.ani", AnimatedCursor({red, green}), 32), 16, 16), kRed);
    std::string sError;
    EXPECT_TRUE(ZsMakeThumbnail(WriteFile(dir / "b.ani", AnimatedCursor({})), 32, &sError).IsNull());
    EXPECT_EQ(sError, "The file is damaged: the animated cursor has no frames.");
    ZsBlock icns = ZI_IconToIcns(icon);
    icns.resize(12);
    EXPECT_TRUE(ZsMakeThumbnail(WriteFile(dir / "b.icns", icns), 32, &sError).IsNull());
    EXPECT_FALSE(sError.empty());
}

TEST(ZsThumbnail, IconShowsTheSmallestImageAtLeastTheSizeAndIsNeverEnlarged) {
    const ZsBlock ico = ThreeSizes();
    struct Case {
        int nSize, nExpected;
        uint32_t nColor;
    };
    for (const Case& c : {Case{16, 16, kRed}, Case{32, 32, kGreen}, Case{48, 48, kGreen},
                          Case{128, 128, kBlue}, Case{256, 256, kBlue}, Case{1024, 256, kBlue}}) {
        const CZsBitmap thumbnail = ZsIconThumbnail(ico, c.nSize);
        ASSERT_FALSE(thumbnail.IsNull()) << c.nSize;
        EXPECT_EQ(thumbnail.Width(), c.nExpected) << c.nSize;
        EXPECT_EQ(thumbnail.Height(), c.nExpected) << c.nSize;
        EXPECT_EQ(thumbnail.At(c.nExpected / 2, c.nExpected / 2), c.nColor) << c.nSize;
    }
    // A small icon stays small; a wide one keeps its aspect.
    EXPECT_EQ(ZsIconThumbnail(test::MakeIco({test::PngImage(16, 16, kRed)}), 128).Width(), 16);
    const CZsBitmap wide = ZsIconThumbnail(test::MakeIco({test::PngImage(64, 32, kRed)}), 32);
    EXPECT_EQ(wide.Width(), 32);
    EXPECT_EQ(wide.Height(), 16);
    // Uncompressed images work alike.
    EXPECT_EQ(ZsIconThumbnail(test::MakeIco({test::DibImage(32, 32, 8)}), 24).Width(), 24);
}

TEST(ZsThumbnail, IconWithoutAShowableImageOrWithADecodingBombGivesNothing) {
    EXPECT_TRUE(ZsIconThumbnail(test::MakeIco({}), 32).IsNull());
    EXPECT_TRUE(ZsIconThumbnail(ZsBlock{0, 0, 1, 0, 1, 0}, 32).IsNull());
    // A PNG whose header claims a huge picture, behind a directory entry that says 16 x 16.
    test::IcoImage bomb = test::PngStub(16384, 8192);
    bomb.bWidth = bomb.bHeight = 16;
    EXPECT_TRUE(ZsIconThumbnail(test::MakeIco({test::PngImage(16, 16, kRed), bomb}), 16).IsNull());
    EXPECT_FALSE(
        ZsIconThumbnail(test::MakeIco({test::PngImage(16, 16, kRed), test::PngImage(2048, 1, kRed)}), 16)
            .IsNull());
    EXPECT_TRUE(ZsIconThumbnail(ThreeSizes(), 0).IsNull());
}

TEST(ZsThumbnail, LibraryShowsItsFirstShowableIconsInAGrid) {
    test::Library l;
    ASSERT_TRUE(l.lib.NewLib());
    EXPECT_TRUE(ZsLibraryThumbnail(l.lib, 128).IsNull());

    ZIL_LIST& all = l.lib.GetList(ZIL_ID_ALL);
    all.push_back(l.lib.ImpIcon(test::MakeIco({test::PngImage(32, 32, kRed)}), nullptr));
    const CZsBitmap single = ZsLibraryThumbnail(l.lib, 128);
    ASSERT_EQ(single.Width(), 32);
    EXPECT_EQ(single.At(16, 16), kRed);

    // A record whose data is no icon is passed over; the others fill the cells in list order.
    const int32_t nBroken = l.lib.ImpIcon(test::MakeIco({test::PngImage(32, 32, kWhite)}), nullptr);
    l.lib.SetIconData(nBroken, ZsBlock{1, 2, 3});
    all.push_back(nBroken);
    for (uint32_t nColor : {kGreen, kBlue, kWhite, kRed}) {
        all.push_back(l.lib.ImpIcon(test::MakeIco({test::PngImage(48, 48, nColor)}), nullptr));
    }
    const CZsBitmap grid = ZsLibraryThumbnail(l.lib, 128);
    ASSERT_EQ(grid.Width(), 128);
    ASSERT_EQ(grid.Height(), 128);
    // 2 x 2 cells of 58 pixels with 4 pixels between and around them.
    EXPECT_EQ(grid.At(33, 33), kRed);
    EXPECT_EQ(grid.At(95, 33), kGreen);
    EXPECT_EQ(grid.At(33, 95), kBlue);
    EXPECT_EQ(grid.At(95, 95), kWhite);
    EXPECT_EQ(ZsAlpha(grid.At(1, 1)), 0u);
    EXPECT_EQ(ZsAlpha(grid.At(64, 64)), 0u);
    // From 256 pixels up: 3 x 3 cells of 74 pixels, 8 between and around them, the grid centred.
    const CZsBitmap large = ZsLibraryThumbnail(l.lib, 256);
    ASSERT_EQ(large.Width(), 256);
    EXPECT_EQ(large.At(46, 46), kRed);
    EXPECT_EQ(large.At(128, 46), kGreen);
    EXPECT_EQ(large.At(210, 46), kBlue);
    EXPECT_EQ(large.At(46, 128), kWhite);
    EXPECT_EQ(large.At(128, 128), kRed);
    EXPECT_EQ(ZsAlpha(large.At(210, 128)), 0u);
}

TEST(ZsThumbnail, FilesOfEveryKind) {
    test::TempDir dir;
    const auto ico = WriteFile(dir / "three.ico", ThreeSizes());
    EXPECT_EQ(Pixel(ZsMakeThumbnail(ico, 48), 24, 24), kGreen);

    // A module's first group that can be shown: here the second, as the first has no readable image.
    std::vector<test::PeRes> resources =
        test::IconResources({{test::DibImage(16, 16, 32)}, {test::PngImage(32, 32, kBlue)}}, {1, 2});
    resources[1].data.resize(4);
    const auto dll = WriteFile(dir / "module.dll", test::MakePe(resources).bytes);
    const CZsBitmap module = ZsMakeThumbnail(dll, 32);
    ASSERT_FALSE(module.IsNull());
    EXPECT_EQ(module.At(16, 16), kBlue);
    const auto ne =
        WriteFile(dir / "classic.icl", test::MakeNe({{test::PngImage(32, 32, kGreen)}}, {"Green"}).bytes);
    EXPECT_EQ(Pixel(ZsMakeThumbnail(ne, 32), 16, 16), kGreen);

    test::Library l;
    ASSERT_TRUE(l.lib.NewLib());
    l.lib.ListToNode(ZIL_ID_ALL, {l.lib.ImpIcon(test::MakeIco({test::PngImage(32, 32, kRed)}), nullptr)});
    ASSERT_TRUE(l.lib.Save(dir / "lib.pctv"));
    l.lib.Close();
    const CZsBitmap library = ZsMakeThumbnail(dir / "lib.pctv", 128);
    ASSERT_FALSE(library.IsNull());
    EXPECT_EQ(library.At(16, 16), kRed);
}

TEST(ZsThumbnail, LibraryIsOnlyRead) {
    test::TempDir dir;
    test::Library l;
    ASSERT_TRUE(l.lib.NewLib());
    l.lib.ListToNode(ZIL_ID_ALL, {l.lib.ImpIcon(test::MakeIco({test::PngImage(32, 32, kRed)}), nullptr)});
    const std::filesystem::path path = dir / "lib.pctv";
    ASSERT_TRUE(l.lib.Save(path));
    l.lib.Close();
    // A journal left beside the library would be rolled back, or removed, by a connection that may write.
    ASSERT_TRUE(ZsWriteFile(dir / "lib.pctv-journal", ZsBlock(512, 0xAB)));
    const std::optional<ZsBlock> before = ZsReadFile(path);
    const auto time = std::filesystem::last_write_time(path);

    const CZsBitmap thumbnail = ZsMakeThumbnail(path, 32);
    ASSERT_FALSE(thumbnail.IsNull());
    EXPECT_EQ(thumbnail.At(16, 16), kRed);
    EXPECT_EQ(ZsReadFile(path), before);
    EXPECT_EQ(std::filesystem::last_write_time(path), time);
    EXPECT_EQ(ZsReadFile(dir / "lib.pctv-journal"), ZsBlock(512, 0xAB));
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"lib.pctv", "lib.pctv-journal"}));
}

TEST(ZsThumbnail, RefusesWhatItCannotShowWithAReason) {
    test::TempDir dir;
    std::string sError;
    auto refused = [&](const std::filesystem::path& path, int nSize = 32) {
        sError.clear();
        return ZsMakeThumbnail(path, nSize, &sError).IsNull() && !sError.empty();
    };
    EXPECT_TRUE(refused(dir / "missing.ico"));
    EXPECT_TRUE(refused(dir.Path()));
    EXPECT_TRUE(refused(WriteFile(dir / "picture.png", test::PngImage(16, 16, kRed).data)));
    EXPECT_EQ(sError, "It is no icon file, cursor, icon library or module.");
    EXPECT_TRUE(refused(WriteFile(dir / "empty.ico", {})));
    EXPECT_TRUE(refused(WriteFile(dir / "header.ico", ZsBlock{0, 0, 1, 0, 9, 0})));
    EXPECT_TRUE(refused(WriteFile(dir / "mz.exe", ZsBlock{'M', 'Z', 0, 0})));
    ZsBlock notLibrary(4096, 0);
    std::memcpy(notLibrary.data(), "SQLite format 3", 16);
    EXPECT_TRUE(refused(WriteFile(dir / "broken.pctv", notLibrary)));
    EXPECT_TRUE(refused(WriteFile(dir / "size.ico", ThreeSizes()), 0));
    EXPECT_TRUE(refused(dir / "size.ico", ZS_THUMB_MAX_SIZE + 1));

    // A pipe would block a reader for ever: it is refused before it is opened.
    ASSERT_EQ(mkfifo((dir / "pipe.ico").c_str(), 0600), 0);
    EXPECT_TRUE(refused(dir / "pipe.ico"));

    // An icon file larger than any icon is refused before it is read (a sparse file: no disk used).
    const std::filesystem::path huge = WriteFile(dir / "huge.ico", ThreeSizes());
    std::filesystem::resize_file(huge, ZS_THUMB_MAX_ICON_BYTES + 1);
    EXPECT_TRUE(refused(huge));
    EXPECT_NE(sError.find("too large"), std::string::npos);
}
