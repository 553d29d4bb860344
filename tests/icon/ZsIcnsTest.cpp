#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"
#include "icon/ZsPicture.h"

namespace {

void PutBE(ZsBlock& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

// An .icns file of the entries in order, the header's length given or the true one.
ZsBlock Icns(const std::vector<std::pair<std::string, ZsBlock>>& entries, int64_t nLength = -1) {
    ZsBlock out{'i', 'c', 'n', 's', 0, 0, 0, 0};
    for (const auto& [type, data] : entries) {
        out.insert(out.end(), type.begin(), type.end());
        PutBE(out, static_cast<uint32_t>(data.size() + 8));
        out.insert(out.end(), data.begin(), data.end());
    }
    const uint32_t n = nLength < 0 ? static_cast<uint32_t>(out.size()) : static_cast<uint32_t>(nLength);
    ZsBlock head;
    PutBE(head, n);
    std::copy(head.begin(), head.end(), out.begin() + 4);
    return out;
}

// The entry types of an .icns file in order, with their data.
std::vector<std::pair<std::string, ZsBlock>> Entries(const ZsBlock& icns) {
    std::vector<std::pair<std::string, ZsBlock>> out;
    size_t at = 8;
    while (at + 8 <= icns.size()) {
        const uint32_t n = (uint32_t{icns[at + 4]} << 24) | (uint32_t{icns[at + 5]} << 16) |
                           (uint32_t{icns[at + 6]} << 8) | icns[at + 7];
        out.emplace_back(std::string(icns.begin() + static_cast<ptrdiff_t>(at),
                                     icns.begin() + static_cast<ptrdiff_t>(at) + 4),
                         ZsBlock(icns.begin() + static_cast<ptrdiff_t>(at) + 8,
                                 icns.begin() + static_cast<ptrdiff_t>(at + n)));
        at += n;
    }
    return out;
}

// A picture with transparent, half-transparent and opaque pixels of several colours.
CZsBitmap Picture(int n) {
    CZsBitmap bmp(n, n);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const uint32_t a = x < n / 4 ? 0 : x < n / 2 ? 0x80 : 0xFF;
            bmp.At(x, y) = a == 0 ? 0 : ZsArgb(a, (x * 7) & 0xFF, (y * 5) & 0xFF, 0x40);
        }
    }
    return bmp;
}

CIcon IconOf(const std::vector<ZI_FORMAT>& formats, const CZsBitmap& source) {
    CIcon icon;
    icon.AddFormats(formats, &source);
    return icon;
}

std::map<int, CZsBitmap> Sides(const ZsBlock& ico) {
    CIcon icon;
    std::map<int, CZsBitmap> out;
    if (icon.SetData(ico)) {
        for (int i = 0; i < icon.GetImageCount(); ++i) {
            out[icon.GetImage(i).Format().nWidth] = icon.GetHBITMAP(i);
        }
    }
    return out;
}

}  // namespace

TEST(Icns, WritesPngEntriesUpToTheLargestSideAndReadsThemBack) {
    const CIcon icon = IconOf({{256, 256, 32}, {48, 48, 32}, {16, 16, 8}}, Picture(256));
    const ZsBlock icns = ZI_IconToIcns(icon);
    std::vector<std::string> types;
    for (const auto& [type, data] : Entries(icns)) {
        types.push_back(type);
        EXPECT_TRUE(ZI_IsPng(data)) << type;
    }
    // Nothing above 256 is invented; the double-density types repeat the same pixels.
    EXPECT_EQ(types,
              (std::vector<std::string>{"icp4", "icp5", "ic11", "icp6", "ic12", "ic07", "ic08", "ic13"}));
    EXPECT_EQ(Entries(icns)[1].second, Entries(icns)[2].second);
    // The header gives the file's length, each entry its own, and nothing lies between or after them.
    EXPECT_EQ(Icns(Entries(icns)), icns);

    std::string sError;
    const std::map<int, CZsBitmap> back = Sides(ZI_IcnsToIcon(icns, &sError));
    ASSERT_EQ(back.size(), 5u) << sError;
    // A side the icon has comes from its own image (the 8-bit 16 x 16 here), not from the largest.
    EXPECT_EQ(back.at(256), icon.GetHBITMAP(0));
    CZsBitmap small = icon.GetHBITMAP(icon.GetImageCount() - 1);
    small.SetBitCount(32);
    EXPECT_EQ(back.at(16), small);
}

TEST(Icns, SmallIconsGetSixteenAtLeastAndPngImagesStayByteForByte) {
    const test::IcoImage png = test::PngImage(16, 16, 0x80FF0000);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(test::MakeIco({png})));
    const ZsBlock icns = ZI_IconToIcns(icon);
    ASSERT_EQ(Entries(icns).size(), 1u);
    EXPECT_EQ(Entries(icns)[0].first, "icp4");
    EXPECT_EQ(Entries(icns)[0].second, png.data);
    CIcon back;
    ASSERT_TRUE(back.SetData(ZI_IcnsToIcon(icns)));
    EXPECT_EQ(back.GetImage(0).data, png.data);

    const CIcon tiny = IconOf({{8, 8, 32}}, Picture(8));
    EXPECT_EQ(Sides(ZI_IcnsToIcon(ZI_IconToIcns(tiny))).begin()->first, 16);
    EXPECT_TRUE(ZI_IconToIcns(CIcon()).empty());
}

TEST(Icns, PngImagesOfAnotherSizeThanTheirFormatAreRedrawn) {
    test::IcoImage png = test::PngImage(20, 20, 0xFF0000FF);
    png.bWidth = png.bHeight = 16;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(test::MakeIco({png})));
    const auto entries = Entries(ZI_IconToIcns(icon));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(ZsDecodePng(entries[0].second).Width(), 16);
}

TEST(Icns, ClassicRleEntriesWithMasksAndArgbEntries) {
    // 16 x 16: red, green and blue planes each one run of 256 bytes in runs of 130 and 126.
    ZsBlock rgb;
    for (const uint8_t v : {0x10, 0x20, 0x30}) {
        rgb.insert(rgb.end(), {0xFF, v, 0xFB, v});
    }
    ZsBlock mask(256, 0xFF);
    mask[0] = 0;
    // 32 x 32 uncompressed: 0RGB pixels of exactly their size.
    ZsBlock raw;
    for (int i = 0; i < 32 * 32; ++i) {
        raw.insert(raw.end(), {0, 0x40, 0x50, 0x60});
    }
    std::string sError;
    const std::map<int, CZsBitmap> sides =
        Sides(ZI_IcnsToIcon(Icns({{"s8mk", mask}, {"is32", rgb}, {"il32", raw}}), &sError));
    ASSERT_EQ(sides.size(), 2u) << sError;
    EXPECT_EQ(sides.at(16).At(0, 0), 0u);
    EXPECT_EQ(sides.at(16).At(5, 3), 0xFF102030u);
    EXPECT_EQ(sides.at(32).At(31, 31), 0xFF405060u);

    // ARGB planes (the later 16 and 32 pixel types): a plane whose run passes its end is refused.
    EXPECT_TRUE(
        ZI_IcnsToIcon(Icns({{"ic04", {'A', 'R', 'G', 'B', 0xFF, 1, 0xFF, 1, 0xFF, 1}}}), &sError).empty());
    EXPECT_EQ(sError, "the file holds no image that can be read");
    ZsBlock good{'A', 'R', 'G', 'B'};
    for (const uint8_t v : {0x80, 0x01, 0x02, 0x03}) {
        good.insert(good.end(), {0x01, v, v, 0xFF, v, 0xF9, v});
    }
    const std::map<int, CZsBitmap> argbSides = Sides(ZI_IcnsToIcon(Icns({{"ic04", good}})));
    ASSERT_EQ(argbSides.size(), 1u);
    EXPECT_EQ(argbSides.at(16).At(15, 15), 0x80010203u);
}

TEST(Icns, Jpeg2000IsRefusedByNameAndHostileFilesAreSafe) {
    const ZsBlock jp2{0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    std::string sError;
    EXPECT_TRUE(ZI_IcnsToIcon(Icns({{"ic08", jp2}, {"ic09", {0xFF, 0x4F, 0xFF, 0x51}}}), &sError).empty());
    EXPECT_EQ(sError, "the file holds only JPEG 2000 images, which cannot be read");
    // Beside a PNG entry the JPEG 2000 one is only skipped.
    const test::IcoImage png = test::PngImage(32, 32, 0xFF00FF00);
    EXPECT_EQ(Sides(ZI_IcnsToIcon(Icns({{"ic08", jp2}, {"icp5", png.data}}))).size(), 1u);

    EXPECT_TRUE(ZI_IcnsToIcon(ZsBlock{'i', 'c', 'o', 'n', 0, 0, 0, 8}, &sError).empty());
    EXPECT_EQ(sError, "the file is not an Apple icon file");
    // A header length past the end: what is there is read; a truncated entry ends the entries.
    EXPECT_EQ(Sides(ZI_IcnsToIcon(Icns({{"icp5", png.data}}, 1 << 30))).size(), 1u);
    ZsBlock cut = Icns({{"icp5", png.data}});
    cut.resize(cut.size() - 1);
    EXPECT_TRUE(ZI_IcnsToIcon(cut).empty());
    // Entry lengths below the entry header, PNG data of another size than square, RLE that runs short.
    ZsBlock small = Icns({{"icp5", png.data}});
    small[15] = 4;
    EXPECT_TRUE(ZI_IcnsToIcon(small).empty());
    EXPECT_EQ(Sides(ZI_IcnsToIcon(Icns({{"ic07", test::PngImage(30, 20, 0xFF000000).data}}))).size(), 0u);
    EXPECT_TRUE(ZI_IcnsToIcon(Icns({{"it32", {0, 0, 0, 0, 0x7F, 1}}})).empty());
    EXPECT_TRUE(ZI_IcnsToIcon(Icns({{"is32", {0x05, 1, 2}}})).empty());
    // A mask of the wrong length is ignored: the image is opaque.
    ZsBlock rgb;
    for (int k = 0; k < 3; ++k) {
        rgb.insert(rgb.end(), {0xFF, 9, 0xFB, 9});
    }
    EXPECT_EQ(Sides(ZI_IcnsToIcon(Icns({{"is32", rgb}, {"s8mk", {1, 2}}}))).at(16).At(0, 0), 0xFF090909u);
}

TEST(Icns, IconSourceReadsAppleIconFiles) {
    test::TempDir dir;
    EXPECT_EQ(ZI_GetSourceKind("A.ICNS"), ZI_SOURCE_ICNS);
    const CIcon icon = IconOf({{32, 32, 32}}, Picture(32));
    ZsWriteFile(dir / "app.icns", ZI_IconToIcns(icon));
    CIconSource source;
    ASSERT_TRUE(source.Open(dir / "app.icns", ZI_SOURCE_ICNS));
    EXPECT_TRUE(source.IsWhole());
    EXPECT_EQ(source.GetName(0), "app");
    EXPECT_EQ(ZI_GetImageCount(source.GetData(0)), 2);
    ZsWriteFile(dir / "bad.icns", ZsBlock{'i', 'c', 'n', 's', 0, 0, 0, 8});
    EXPECT_FALSE(source.Open(dir / "bad.icns", ZI_SOURCE_ICNS));
    EXPECT_EQ(source.GetError(), "the file holds no image that can be read");
}

TEST(Icns, CrossCheckedWithIcnsutils) {
    ASSERT_TRUE(test::HaveTools({"icns2png", "png2icns"}));
    test::TempDir dir;
    // Theirs reads ours: the 256 x 256 entry comes out with our pixels.
    const CIcon icon = IconOf({{256, 256, 32}}, Picture(256));
    ZsWriteFile(dir / "ours.icns", ZI_IconToIcns(icon));
    const std::string sDir = ZsPathToUtf8(dir.Path());
    ASSERT_EQ(std::system(("cd '" + sDir + "' && icns2png -x ours.icns >/dev/null 2>&1").c_str()), 0);
    const CZsBitmap extracted = ZsLoadPicture(dir / "ours_256x256x32.png");
    EXPECT_EQ(extracted, icon.GetHBITMAP(0));

    // Ours reads theirs: classic entries of 16, 32, 48 and 128 pixels with masks, same pixels.
    std::string sPngs;
    for (const int n : {16, 32, 48, 128}) {
        const std::string sName = ZsFormat("p%d.png", n);
        ZsSaveBitmapFile(Picture(n), dir / sName, ZS_PIC_PNG);
        sPngs += " " + sName;
    }
    ASSERT_EQ(std::system(("cd '" + sDir + "' && png2icns theirs.icns" + sPngs + " >/dev/null 2>&1").c_str()),
              0);
    std::string sError;
    const std::map<int, CZsBitmap> sides = Sides(ZI_IcnsToIcon(*ZsReadFile(dir / "theirs.icns"), &sError));
    ASSERT_EQ(sides.size(), 4u) << sError;
    for (const int n : {16, 32, 48, 128}) {
        CZsBitmap expected = Picture(n);
        for (uint32_t& p : expected.Pixels()) {
            p = ZsAlpha(p) == 0 ? 0 : p;
        }
        CZsBitmap got = sides.at(n);
        for (uint32_t& p : got.Pixels()) {
            p = ZsAlpha(p) == 0 ? 0 : p;
        }
        EXPECT_EQ(got, expected) << n;
    }
}
