#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "TestSupport.h"
#include "common/ZsByteReader.h"
#include "icon/ZsIcon.h"

using test::DibImage;
using test::MakeIco;
using test::PngStub;

namespace {

std::vector<ZI_FORMAT> Formats(const CIcon& icon) {
    std::vector<ZI_FORMAT> out;
    for (const ZI_IMAGE& img : icon.Images()) {
        out.push_back(img.Format());
    }
    return out;
}

}  // namespace

TEST(ZiFormat, LabelsAndPacking) {
    EXPECT_EQ(ZI_GetFormatName(16, 16, 1), "16x16 - Mono");
    EXPECT_EQ(ZI_GetFormatName(32, 32, 4), "32x32 - 16");
    EXPECT_EQ(ZI_GetFormatName(48, 48, 8), "48x48 - 256");
    EXPECT_EQ(ZI_GetFormatName(64, 32, 24), "64x32 - 16M");
    EXPECT_EQ(ZI_GetFormatName(ZI_FORMAT{256, 256, 32}), "256x256 - XP");
    EXPECT_EQ(ZI_GetFormatName(16, 16, 0), "16x16 - 0B");
    EXPECT_EQ(ZI_GetFormatName(16, 16, 16), "16x16 - 16B");
    ZI_FORMAT f{256, 128, 32};
    EXPECT_EQ(ZI_PackFormat(f), (256u << 19) | (128u << 6) | 32u);
    EXPECT_EQ(ZI_UnpackFormat(ZI_PackFormat(f)), f);
}

TEST(ZiFormat, DataIsConsultedOnlyWhenADirectorySizeIsZero) {
    test::IcoImage big = DibImage(256, 256, 32);
    EXPECT_EQ(ZI_GetImageFormat(0, 0, 32, big.data), (ZI_FORMAT{256, 256, 32}));
    test::IcoImage png = PngStub(256, 256);
    EXPECT_EQ(ZI_GetImageFormat(0, 0, 32, png.data), (ZI_FORMAT{256, 256, 32}));
    // The directory's 48 x 48 wins over a header that says otherwise.
    test::IcoImage dib = DibImage(32, 32, 8);
    EXPECT_EQ(ZI_GetImageFormat(48, 48, 8, dib.data), (ZI_FORMAT{48, 48, 8}));
    // The bit count is always the directory's.
    EXPECT_EQ(ZI_GetImageFormat(0, 0, 24, big.data), (ZI_FORMAT{256, 256, 24}));
    // Neither DIB nor PNG, or too short to tell: the directory's zeros stay.
    std::vector<uint8_t> junk{0x28, 0, 0};
    EXPECT_EQ(ZI_GetImageFormat(0, 0, 32, junk), (ZI_FORMAT{0, 0, 32}));
}

TEST(ZiBlock, ValidityCountAndSummary) {
    std::vector<uint8_t> ico = MakeIco({DibImage(16, 16, 32), DibImage(32, 32, 8), PngStub(256, 256)});
    EXPECT_TRUE(ZI_IsValidIcon(ico));
    EXPECT_EQ(ZI_GetImageCount(ico), 3);
    ZI_INFO info;
    ASSERT_TRUE(ZI_GetIconInfo(ico, &info));
    EXPECT_EQ(info.dwSize, static_cast<int32_t>(ico.size()));
    EXPECT_EQ(info.nImages, 3);
    EXPECT_EQ(info.nXPImages, 2);
    EXPECT_EQ(info.nMaxWidth, 256);
    EXPECT_EQ(info.nMinWidth, 16);
    EXPECT_EQ(info.nMaxBitCount, 32);
    EXPECT_EQ(info.nMinBitCount, 8);

    std::vector<uint8_t> empty = MakeIco({});
    ASSERT_TRUE(ZI_GetIconInfo(empty, &info));
    EXPECT_EQ(info.nImages, 0);
    EXPECT_EQ(info.nMinWidth, 2147483647);
    EXPECT_EQ(info.nMinBitCount, 2147483647);

    std::vector<uint8_t> five(ico.begin(), ico.begin() + 5);
    EXPECT_FALSE(ZI_IsValidIcon(five));
    std::vector<uint8_t> cursor = ico;
    cursor[2] = 2;
    EXPECT_FALSE(ZI_IsValidIcon(cursor));
}

TEST(ZiBlock, NullBlocksAreReported) {
    test::LogCapture log;
    EXPECT_FALSE(ZI_IsValidIcon({}));
    EXPECT_EQ(ZI_GetImageCount({}), 0);
    ZI_INFO info;
    EXPECT_FALSE(ZI_GetIconInfo({}, &info));
    std::vector<uint8_t> ico = MakeIco({});
    EXPECT_FALSE(ZI_GetIconInfo(ico, nullptr));
    ASSERT_EQ(log.Lines().size(), 4u);
    EXPECT_TRUE(log.Lines()[0].ends_with(">ZI_IsValidIcon: pvData=NULL"));
    EXPECT_TRUE(log.Lines()[1].ends_with(">ZI_GetImageCount: pData"));
    EXPECT_TRUE(log.Lines()[2].ends_with(">ZI_GetIconInfo: pvData=NULL"));
    EXPECT_TRUE(log.Lines()[3].ends_with(">ZI_GetIconInfo: pInfo=NULL"));
}

TEST(ZiBlock, EntriesOutsideTheBlockAreSkippedEverywhere) {
    std::vector<uint8_t> ico = MakeIco({DibImage(16, 16, 32), DibImage(32, 32, 32)});
    // The second image claims more bytes than the block holds.
    ZsSetU32(ico.data() + 6 + 16 + 8, 0x7FFFFFF0);
    EXPECT_EQ(ZI_GetImageCount(ico), 1);
    ZI_INFO info;
    ZI_GetIconInfo(ico, &info);
    EXPECT_EQ(info.nImages, 1);
    EXPECT_EQ(info.nMaxWidth, 16);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ico));
    EXPECT_EQ(icon.GetImageCount(), 1);

    // An offset that wraps around when added to the length.
    std::vector<uint8_t> wrap = MakeIco({DibImage(16, 16, 32)});
    ZsSetU32(wrap.data() + 6 + 12, 0xFFFFFFF0);
    EXPECT_EQ(ZI_GetImageCount(wrap), 0);

    // A directory that claims more entries than the block has room for: only what lies inside is read.
    std::vector<uint8_t> many = MakeIco({DibImage(2, 2, 1)});
    many[4] = 0xFF;
    many[5] = 0xFF;
    EXPECT_LE(ZI_GetImageCount(many), static_cast<int>((many.size() - 6) / 16));
    EXPECT_GE(ZI_GetImageCount(many), 1);
}

TEST(ZiBlock, EntriesNamingTheSameBytesOverAndOverStopAtTheBlocksSize) {
    // 4000 entries all naming one image of 1,128 bytes: 4.5 MB from a block of 65 KB if each were unpacked.
    const test::IcoImage image = DibImage(16, 16, 32);
    std::vector<uint8_t> ico = MakeIco(std::vector<test::IcoImage>(4000, image));
    const uint32_t dwFirst = CZsByteReader(ico).U32At(6 + 12);
    for (size_t i = 0; i < 4000; ++i) {
        ZsSetU32(ico.data() + 6 + 16 * i + 12, dwFirst);
    }
    ico.resize(dwFirst + image.data.size());
    const int nKept = static_cast<int>(ico.size() / image.data.size());
    EXPECT_EQ(ZI_GetImageCount(ico), nKept);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ico));
    EXPECT_EQ(icon.GetImageCount(), nKept);
    EXPECT_LE(icon.GetData().size(), ico.size() + 16 * static_cast<size_t>(nKept));
}

TEST(ZiBlock, EveryTruncationIsReadSafely) {
    std::vector<uint8_t> ico = MakeIco({DibImage(16, 16, 4), PngStub(256, 256), DibImage(48, 48, 32)});
    for (size_t len = 0; len <= ico.size(); ++len) {
        std::vector<uint8_t> part(ico.begin(), ico.begin() + static_cast<std::ptrdiff_t>(len));
        part.reserve(1);
        CIcon icon;
        icon.SetData(part);
        ZI_INFO info;
        ZI_GetIconInfo(part, &info);
        int w = 32, h = 32, b = 32;
        ZI_ChooseImage(part, w, h, b);
        EXPECT_LE(icon.GetImageCount(), 3);
        if (len == ico.size()) {
            EXPECT_EQ(icon.GetImageCount(), 3);
        }
    }
}

TEST(CIcon, LoadsInFormatOrderAndPacksInThatOrder) {
    std::vector<uint8_t> ico =
        MakeIco({DibImage(16, 16, 32, 1), DibImage(32, 32, 8, 2), DibImage(32, 32, 32, 3)});
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ico));
    EXPECT_EQ(Formats(icon), (std::vector<ZI_FORMAT>{{32, 32, 32}, {16, 16, 32}, {32, 32, 8}}));
    std::vector<uint8_t> packed = icon.GetData(-1);
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(packed);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].dwImageOffset, 6u + 48u);
    EXPECT_EQ(entries[0].Format(), (ZI_FORMAT{32, 32, 32}));
    EXPECT_EQ(entries[2].Format(), (ZI_FORMAT{32, 32, 8}));
    EXPECT_EQ(entries[1].dwImageOffset, entries[0].dwImageOffset + entries[0].dwBytesInRes);
    EXPECT_EQ(packed.size(),
              6u + 48u + entries[0].dwBytesInRes + entries[1].dwBytesInRes + entries[2].dwBytesInRes);
    // Packing again after loading the packed block gives the same bytes.
    CIcon again;
    ASSERT_TRUE(again.SetData(packed));
    EXPECT_EQ(again.GetData(-1), packed);
}

TEST(CIcon, LoadingOrdersAsAddingImageByImage) {
    // Random directories of few distinct formats (repeats, equal perimeters of different shape, depth 0):
    // loading a block gives the order that adding its images one by one gives.
    std::mt19937 rng(7);
    const ZI_FORMAT shapes[] = {{16, 32, 32}, {32, 16, 32}, {24, 24, 32},
                                {16, 16, 8},  {16, 16, 0},  {48, 48, 4}};
    for (int round = 0; round < 200; ++round) {
        std::vector<test::IcoImage> images;
        CIcon expected;
        for (size_t i = 0, n = 1 + rng() % 12; i < n; ++i) {
            const ZI_FORMAT f = shapes[rng() % std::size(shapes)];
            test::IcoImage image = DibImage(f.nWidth, f.nHeight, 1, static_cast<uint8_t>(i));
            image.wBitCount = static_cast<uint16_t>(f.nBitCount);
            ZI_IMAGE record;
            record.bWidth = image.bWidth;
            record.bHeight = image.bHeight;
            record.wBitCount = image.wBitCount;
            record.data = image.data;
            expected.AddImage(record);
            images.push_back(std::move(image));
        }
        CIcon icon;
        ASSERT_TRUE(icon.SetData(MakeIco(images)));
        ASSERT_EQ(icon.GetImageCount(), expected.GetImageCount());
        for (int i = 0; i < icon.GetImageCount(); ++i) {
            EXPECT_EQ(icon.GetImage(i).data, expected.GetImage(i).data) << round << " " << i;
        }
    }
}

TEST(CIcon, RoundTripKeepsPngAnd256PixelImagesByteForByte) {
    test::IcoImage png = PngStub(256, 256, 32, 300);
    test::IcoImage dib = DibImage(256, 256, 8);
    std::vector<uint8_t> ico = MakeIco({dib, png, DibImage(16, 16, 1)});
    CIcon icon;
    ASSERT_TRUE(icon.SetData(ico));
    ASSERT_EQ(icon.GetImageCount(), 3);
    EXPECT_EQ(icon.GetImage(0).data, png.data);
    EXPECT_TRUE(icon.GetImage(0).IsPng());
    EXPECT_EQ(icon.GetImage(0).bWidth, 0);
    EXPECT_EQ(icon.GetImage(1).Format(), (ZI_FORMAT{256, 256, 8}));
    EXPECT_EQ(icon.GetImage(1).data, dib.data);

    std::vector<uint8_t> one = icon.GetData(1);
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(one);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].dwImageOffset, 22u);
    EXPECT_EQ(entries[0].bWidth, 0);
    EXPECT_EQ(std::vector<uint8_t>(entries[0].image.begin(), entries[0].image.end()), dib.data);
}

TEST(CIcon, InvalidBlocksLeaveTheIconUnchanged) {
    CIcon icon;
    ASSERT_TRUE(icon.SetData(MakeIco({DibImage(16, 16, 32)})));
    std::vector<uint8_t> bad{0, 0, 2, 0, 0, 0};
    EXPECT_FALSE(icon.SetData(bad));
    EXPECT_EQ(icon.GetImageCount(), 1);
}

TEST(CIcon, AddImagePutsADuplicateFormatInFront) {
    CIcon icon;
    icon.SetData(MakeIco({DibImage(32, 32, 32, 1), DibImage(16, 16, 32, 2)}));
    ZI_IMAGE second;
    test::IcoImage src = DibImage(32, 32, 32, 9);
    second.bWidth = 32;
    second.bHeight = 32;
    second.wBitCount = 32;
    second.dwBytesInRes = static_cast<uint32_t>(src.data.size());
    second.data = src.data;
    EXPECT_EQ(icon.AddImage(second), 0);
    EXPECT_EQ(icon.GetImage(0).data, src.data);
    EXPECT_EQ(icon.GetImageCount(), 3);
    EXPECT_EQ(icon.AddFormat(ZI_FORMAT{32, 32, 32}), -1);
    EXPECT_EQ(icon.GetImageCount(), 3);
}

TEST(CIcon, EqualDepthAndPerimeterKeepArrivalOrderAndZeroDepthSortsLast) {
    CIcon icon;
    icon.AddImage(CIcon::NewImage({48, 16, 32}));
    icon.AddImage(CIcon::NewImage({16, 48, 32}));
    ZI_IMAGE zero = CIcon::NewImage({64, 64, 1});
    zero.wBitCount = 0;
    icon.AddImage(zero);
    icon.AddImage(CIcon::NewImage({16, 16, 1}));
    EXPECT_EQ(Formats(icon), (std::vector<ZI_FORMAT>{{48, 16, 32}, {16, 48, 32}, {16, 16, 1}, {64, 64, 0}}));
}

TEST(CIcon, BlankFormatsFollowTheDibSizeRule) {
    CIcon icon;
    EXPECT_EQ(icon.AddFormat(ZI_FORMAT{16, 16, 4}), 0);
    const ZI_IMAGE& img = icon.GetImage(0);
    EXPECT_EQ(img.bWidth, 16);
    EXPECT_EQ(img.bColorCount, 16);
    EXPECT_EQ(img.wPlanes, 1);
    // 40 + 16 colours * 4 + (8 + 4) * 16
    EXPECT_EQ(img.dwBytesInRes, 40u + 64u + 12u * 16u);
    ASSERT_EQ(img.data.size(), img.dwBytesInRes);
    CZsByteReader r(img.data);
    EXPECT_EQ(r.U32At(0), 40u);
    EXPECT_EQ(r.U32At(8), 32u);  // twice the height
    EXPECT_EQ(r.U16At(14), 4);
    EXPECT_EQ(r.U32At(20), 8u * 32u);
    EXPECT_EQ(img.data[40 + 64], 0);              // colour bits zero
    EXPECT_EQ(img.data.back(), 0xFF);             // mask fully transparent
    EXPECT_EQ(img.data[40 + 64 + 8 * 16], 0xFF);  // mask starts right after the colour bits

    icon.AddFormat(ZI_FORMAT{256, 256, 32});
    EXPECT_EQ(icon.GetImage(0).bWidth, 0);
    EXPECT_EQ(icon.GetImage(0).dwBytesInRes, 40u + (1024u + 32u) * 256u);
    EXPECT_EQ(icon.GetImage(0).bColorCount, 0);
    icon.AddFormat(ZI_FORMAT{32, 32, 8});
    EXPECT_EQ(icon.GetImage(1).bColorCount, 0);  // 256 truncated to 8 bits
    EXPECT_EQ(icon.AddFormat(ZI_FORMAT{0, 16, 32}), -1);
    EXPECT_EQ(icon.AddFormat(ZI_FORMAT{100000, 100000, 32}), -1);
    std::vector<ZI_FORMAT> list{{16, 16, 4}, {24, 24, 24}, {24, 24, 24}};
    EXPECT_EQ(icon.AddFormats(list), 1);
}

// The DIB of every width and depth: header, 2^depth colours up to 8 bits, then the colour rows and the AND
// mask rows, each row padded to whole 32-bit words.
TEST(ZiDibSize, EveryWidthAndDepthFollowsTheFormat) {
    for (const int nBits : {1, 4, 8, 24, 32}) {
        const uint32_t nColours = nBits <= 8 ? 1u << nBits : 0u;
        for (int w = 1; w <= 256; ++w) {
            const uint32_t nColourRow = (static_cast<uint32_t>(w * nBits) + 31) / 32 * 4;
            const uint32_t nMaskRow = (static_cast<uint32_t>(w) + 31) / 32 * 4;
            for (const int h : {1, w, 256}) {
                ASSERT_EQ(ZI_GetDibSize(w, h, nBits), 40 + 4 * nColours + (nColourRow + nMaskRow) * h)
                    << w << "x" << h << "x" << nBits;
            }
        }
    }
    EXPECT_EQ(ZI_GetDibSize(0, 16, 32), 0u);
    EXPECT_EQ(ZI_GetDibSize(16, 16, 33), 0u);
}

TEST(CIcon, NearestSizeChoosesTheClosestLargerImage) {
    CIcon icon;
    for (int s : {48, 32, 64}) {
        icon.AddImage(CIcon::NewImage({s, s, 8}));
    }
    // Format order: 64, 48, 32.
    std::vector<uint8_t> b = icon.GetDataNearest(40, 40);
    EXPECT_EQ(ZI_GetEntries(b).at(0).Format(), (ZI_FORMAT{48, 48, 8}));
    b = icon.GetDataNearest(300, 300);
    EXPECT_EQ(ZI_GetEntries(b).at(0).Format(), (ZI_FORMAT{64, 64, 8}));
    EXPECT_TRUE(CIcon().GetDataNearest(16, 16).empty());
}

TEST(CIcon, BadIndexesAreReported) {
    test::LogCapture log;
    CIcon icon;
    icon.AddFormat({16, 16, 32});
    EXPECT_TRUE(icon.GetData(1).empty());
    EXPECT_TRUE(icon.GetData(-2).empty());
    EXPECT_TRUE(log.Lines().at(0).ends_with(">CIcon::GetData: nImgIdx=1"));
    EXPECT_TRUE(log.Lines().at(1).ends_with(">CIcon::GetData: nImgIdx=-2"));
    EXPECT_FALSE(icon.RemoveImage(5));
}

TEST(CIcon, RemoveAndSetFormats) {
    const std::vector<ZI_FORMAT> all{{48, 48, 32}, {32, 32, 32}, {16, 16, 32}, {32, 32, 8}, {16, 16, 4}};
    CIcon icon;
    icon.AddFormats(all);
    ASSERT_EQ(icon.GetImageCount(), 5);

    CIcon a = icon;
    std::vector<ZI_FORMAT> small{{16, 16, 32}, {16, 16, 4}};
    EXPECT_EQ(a.RemoveFormats(small, false, false), 2);
    EXPECT_EQ(Formats(a), (std::vector<ZI_FORMAT>{{48, 48, 32}, {32, 32, 32}, {32, 32, 8}}));

    CIcon b = icon;
    EXPECT_EQ(b.RemoveFormats(small, true, false), 3);
    EXPECT_EQ(Formats(b), small);

    // Keeping the first record never empties an icon.
    CIcon c = icon;
    EXPECT_EQ(c.RemoveFormats(all, false, true), 4);
    EXPECT_EQ(Formats(c), (std::vector<ZI_FORMAT>{{48, 48, 32}}));

    CIcon d = icon;
    std::vector<ZI_FORMAT> wanted{{24, 24, 24}, {16, 16, 32}};
    d.SetFormats(wanted);
    EXPECT_EQ(Formats(d), (std::vector<ZI_FORMAT>{{16, 16, 32}, {24, 24, 24}}));
}

TEST(ZiChooseImage, DepthWinsOverSizeAndSmallerImagesReportTheirSize) {
    std::vector<uint8_t> ico = MakeIco({DibImage(16, 16, 32), DibImage(32, 32, 8)});
    int w = 48, h = 48, b = 32;
    EXPECT_EQ(ZI_ChooseImage(ico, w, h, b), 0);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(b, 32);

    w = 32, h = 32, b = 8;
    EXPECT_EQ(ZI_ChooseImage(ico, w, h, b), 1);  // exact format

    std::vector<uint8_t> two = MakeIco({DibImage(16, 16, 8), DibImage(48, 48, 8), DibImage(32, 32, 8)});
    w = 24, h = 24, b = 32;
    EXPECT_EQ(ZI_ChooseImage(two, w, h, b), 1);  // largest of the deepest; larger than asked, so size stays
    EXPECT_EQ(w, 24);
    EXPECT_EQ(b, 8);

    std::vector<uint8_t> none = MakeIco({});
    EXPECT_EQ(ZI_ChooseImage(none, w, h, b), -1);
}
