#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "icon/ZsPicture.h"

namespace {

// A picture of 3 x 2 cells of 16 pixels (whole JPEG blocks, so that the colours survive compression), each
// cell its own colour.
constexpr uint32_t kCells[2][3] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
                                   {0xFFFFFF00, 0xFF00FFFF, 0xFFFFFFFF}};

CZsBitmap Cells() {
    CZsBitmap bmp(48, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 48; ++x) {
            bmp.At(x, y) = kCells[y / 16][x / 16];
        }
    }
    return bmp;
}

bool Near(uint32_t a, uint32_t b) {
    const auto d = [](unsigned u, unsigned v) { return u > v ? u - v : v - u; };
    return d(ZsRed(a), ZsRed(b)) < 48 && d(ZsGreen(a), ZsGreen(b)) < 48 && d(ZsBlue(a), ZsBlue(b)) < 48;
}

// An EXIF APP1 segment whose first directory holds the orientation, in either byte order.
ZsBlock ExifSegment(int nOrientation, bool bLittle) {
    ZsBlock tiff;
    const auto u16 = [&](unsigned v) {
        tiff.push_back(static_cast<uint8_t>(bLittle ? v : v >> 8));
        tiff.push_back(static_cast<uint8_t>(bLittle ? v >> 8 : v));
    };
    const auto u32 = [&](uint32_t v) {
        bLittle ? (u16(v & 0xFFFF), u16(v >> 16)) : (u16(v >> 16), u16(v & 0xFFFF));
    };
    tiff.push_back(bLittle ? 'I' : 'M');
    tiff.push_back(bLittle ? 'I' : 'M');
    u16(42);
    u32(8);
    // Two entries: a resolution unit before the orientation, as cameras write them in tag order.
    u16(2);
    u16(0x0110);  // Model, ASCII, 4 bytes in place
    u16(2);
    u32(4);
    tiff.insert(tiff.end(), {'c', 'a', 'm', 0});
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(nOrientation));
    u16(0);
    u32(0);
    ZsBlock seg = {0xFF, 0xE1};
    const size_t nLength = 2 + 6 + tiff.size();
    seg.push_back(static_cast<uint8_t>(nLength >> 8));
    seg.push_back(static_cast<uint8_t>(nLength));
    seg.insert(seg.end(), {'E', 'x', 'i', 'f', 0, 0});
    seg.insert(seg.end(), tiff.begin(), tiff.end());
    return seg;
}

ZsBlock JpegWithExif(int nOrientation, bool bLittle) {
    ZsBlock jpeg = ZsEncodePicture(Cells(), ZS_PIC_JPEG);
    const ZsBlock seg = ExifSegment(nOrientation, bLittle);
    jpeg.insert(jpeg.begin() + 2, seg.begin(), seg.end());
    return jpeg;
}

// Our TIFF with its orientation entry (tag 0x0112, SHORT, one value) set.
ZsBlock TiffWithOrientation(int nOrientation) {
    ZsBlock tiff = ZsEncodePicture(Cells(), ZS_PIC_TIFF);
    const uint8_t entry[10] = {0x12, 0x01, 3, 0, 1, 0, 0, 0, 1, 0};
    auto it = std::search(tiff.begin(), tiff.end(), entry, entry + 10);
    EXPECT_NE(it, tiff.end());
    if (it != tiff.end()) {
        it[8] = static_cast<uint8_t>(nOrientation);
    }
    return tiff;
}

// Where the stored top-left, top-right and bottom-left cells are seen, for each orientation: 0 top left,
// 1 top right, 2 bottom left, 3 bottom right.
constexpr int kSeenAt[9][3] = {{},        {0, 1, 2}, {1, 0, 3}, {3, 2, 1}, {2, 3, 0},
                               {0, 2, 1}, {1, 3, 0}, {3, 1, 2}, {2, 0, 3}};

void ExpectUpright(const CZsBitmap& bmp, int nOrientation, const char* pszWhat) {
    SCOPED_TRACE(testing::Message() << pszWhat << " orientation " << nOrientation);
    const bool bTurned = nOrientation >= 5;
    ASSERT_EQ(bmp.Width(), bTurned ? 32 : 48);
    ASSERT_EQ(bmp.Height(), bTurned ? 48 : 32);
    const int w = bmp.Width(), h = bmp.Height();
    const int corners[4][2] = {{8, 8}, {w - 9, 8}, {8, h - 9}, {w - 9, h - 9}};
    const uint32_t stored[3] = {kCells[0][0], kCells[0][2], kCells[1][0]};
    for (int i = 0; i < 3; ++i) {
        const int* at = corners[kSeenAt[nOrientation][i]];
        EXPECT_TRUE(Near(bmp.At(at[0], at[1]), stored[i]))
            << "cell " << i << " at " << at[0] << "," << at[1] << ": " << std::hex << bmp.At(at[0], at[1]);
    }
}

}  // namespace

TEST(ZsOrientation, JpegAndTiffPicturesComeOutUpright) {
    for (int n = 1; n <= 8; ++n) {
        std::string sError;
        ExpectUpright(ZsDecodePicture(JpegWithExif(n, true), &sError), n, "JPEG, Intel order");
        ExpectUpright(ZsDecodePicture(JpegWithExif(n, false), &sError), n, "JPEG, Motorola order");
        ExpectUpright(ZsDecodePicture(TiffWithOrientation(n), &sError), n, "TIFF");
    }
}

ZsBlock WithSoi(const ZsBlock& seg, size_t nLength) {
    ZsBlock b = {0xFF, 0xD8};
    b.insert(b.end(), seg.begin(), seg.begin() + static_cast<std::ptrdiff_t>(nLength));
    return b;
}

TEST(ZsOrientation, UnreadableExifLeavesThePictureAsStored) {
    EXPECT_EQ(ZsDecodePicture(JpegWithExif(9, true)).Width(), 48);
    EXPECT_EQ(ZsDecodePicture(JpegWithExif(0, false)).Width(), 48);
    const ZsBlock seg = ExifSegment(6, true);
    EXPECT_EQ(ZsGetJpegOrientation(WithSoi(seg, seg.size())), 6);
    // Cut anywhere, the segment claims more bytes than there are (an exact-size copy, so that a read past
    // its end is an overrun under the sanitizers).
    for (size_t len = 0; len < seg.size(); ++len) {
        EXPECT_EQ(ZsGetJpegOrientation(WithSoi(seg, len)), 1) << len;
    }
    // A first directory past the end, and an orientation of type LONG, are not read.
    ZsBlock far = ExifSegment(6, true);
    far[4 + 6 + 4] = 0xF0;
    EXPECT_EQ(ZsGetJpegOrientation(WithSoi(far, far.size())), 1);
    ZsBlock wrongType = ExifSegment(6, false);
    wrongType[4 + 6 + 8 + 2 + 12 + 3] = 4;
    EXPECT_EQ(ZsGetJpegOrientation(WithSoi(wrongType, wrongType.size())), 1);
}
