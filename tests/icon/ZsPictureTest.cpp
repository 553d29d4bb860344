#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "common/ZsByteReader.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

// A small picture with opaque colours, a fully transparent corner and a half-transparent pixel.
CZsBitmap Sample() {
    CZsBitmap bmp(7, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            bmp.At(x, y) = ZsArgb(255, 36 * x, 50 * y, 200);
        }
    }
    bmp.At(0, 0) = 0;
    bmp.At(6, 4) = ZsArgb(128, 255, 0, 0);
    return bmp;
}

// An opaque picture of one colour.
CZsBitmap Box(int w, int h) {
    return CZsBitmap(w, h, 32, 0xFF3366CC);
}

// The colour bits of the one image of a block made by ZI_PictureToIcon, as top-down pixels.
CZsBitmap IconPixels(const ZsBlock& block) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(block);
    EXPECT_EQ(entries.size(), 1u);
    if (entries.empty()) {
        return {};
    }
    return ZI_DecodeImage(entries[0].image);
}

// A GIF written by hand: a 4-colour global palette, an optional transparent index, and one frame placed at
// (left, top) whose pixels are given in stored order (interlaced or not). The LZW data holds only literal
// codes, with a clear code after every two so that the code width stays 3 bits.
ZsBlock HandMadeGif(int sw, int sh, int left, int top, int w, int h, bool bInterlaced, int nTransparent,
                    const std::vector<uint8_t>& stored) {
    ZsBlock g{'G', 'I', 'F', '8', '9', 'a'};
    ZsPutU16(g, static_cast<uint16_t>(sw));
    ZsPutU16(g, static_cast<uint16_t>(sh));
    for (uint8_t v :
         {0x81, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x10, 0x20, 0x30}) {
        g.push_back(v);
    }
    if (nTransparent >= 0) {
        for (uint8_t v : {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00}) {
            g.push_back(v);
        }
        g.push_back(static_cast<uint8_t>(nTransparent));
        g.push_back(0);
    }
    g.push_back(0x2C);
    for (int v : {left, top, w, h}) {
        ZsPutU16(g, static_cast<uint16_t>(v));
    }
    g.push_back(bInterlaced ? 0x40 : 0x00);
    g.push_back(2);
    std::vector<unsigned> codes;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (i % 2 == 0) {
            codes.push_back(4);
        }
        codes.push_back(stored[i]);
    }
    codes.push_back(5);
    ZsBlock lzw;
    unsigned acc = 0, nBits = 0;
    for (unsigned c : codes) {
        acc |= c << nBits;
        nBits += 3;
        while (nBits >= 8) {
            lzw.push_back(static_cast<uint8_t>(acc));
            acc >>= 8;
            nBits -= 8;
        }
    }
    if (nBits > 0) {
        lzw.push_back(static_cast<uint8_t>(acc));
    }
    g.push_back(static_cast<uint8_t>(lzw.size()));
    g.insert(g.end(), lzw.begin(), lzw.end());
    for (uint8_t v : {0x00, 0x3B}) {
        g.push_back(v);
    }
    return g;
}

bool Opaque(const CZsBitmap& bmp, int x, int y) {
    return ZsAlpha(bmp.At(x, y)) == 255;
}

}  // namespace

TEST(ZsPicture, EveryEncoderRoundTrips) {
    const CZsBitmap src = Sample();
    // PNG, TIFF and BMP keep colours and alpha; TIFF stores the half-transparent pixel premultiplied.
    for (int type : {ZS_PIC_PNG, ZS_PIC_BMP, ZS_PIC_TIFF}) {
        ZsBlock bytes = ZsEncodePicture(src, type);
        ASSERT_FALSE(bytes.empty()) << type;
        std::string sError;
        CZsBitmap back = ZsDecodePicture(bytes, &sError);
        ASSERT_EQ(back.Width(), 7) << type << sError;
        ASSERT_EQ(back.Height(), 5);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                if (x == 6 && y == 4) {
                    EXPECT_EQ(ZsAlpha(back.At(x, y)), 128u) << type;
                    EXPECT_NEAR(ZsRed(back.At(x, y)), 255, 1) << type;
                } else {
                    EXPECT_EQ(back.At(x, y), src.At(x, y)) << type << " at " << x << "," << y;
                }
            }
        }
    }
    // GIF keeps the exact colours of a small picture and makes low alpha transparent.
    CZsBitmap gif = ZsDecodePicture(ZsEncodePicture(src, ZS_PIC_GIF));
    ASSERT_EQ(gif.Width(), 7);
    EXPECT_EQ(gif.At(0, 0), 0u);
    EXPECT_EQ(gif.At(3, 2), src.At(3, 2));
    EXPECT_EQ(gif.At(6, 4), 0xFFFF0000u);
    // JPEG is lossy and opaque.
    CZsBitmap big(32, 32, 32, 0xFF4080C0);
    CZsBitmap jpeg = ZsDecodePicture(ZsEncodePicture(big, ZS_PIC_JPEG));
    ASSERT_EQ(jpeg.Width(), 32);
    EXPECT_EQ(ZsAlpha(jpeg.At(5, 5)), 255u);
    EXPECT_NEAR(ZsBlue(jpeg.At(5, 5)), 0xC0, 4);
    EXPECT_NEAR(ZsGreen(jpeg.At(5, 5)), 0x80, 4);

    EXPECT_TRUE(ZsEncodePicture(CZsBitmap(), ZS_PIC_PNG).empty());
    EXPECT_TRUE(ZsEncodePicture(src, 5).empty());
}

TEST(ZsPicture, GifWithManyColoursUsesTheHalftonePalette) {
    CZsBitmap many(32, 32);
    for (int i = 0; i < 32 * 32; ++i) {
        many.Pixels()[static_cast<size_t>(i)] = 0xFF000000u | static_cast<uint32_t>(i * 4099);
    }
    many.At(0, 0) = 0;
    CZsBitmap back = ZsDecodePicture(ZsEncodePicture(many, ZS_PIC_GIF));
    ASSERT_EQ(back.Width(), 32);
    EXPECT_EQ(back.At(0, 0), 0u);
    std::span<const uint32_t> pal = ZsGetPalette(8);
    for (int i = 1; i < 32 * 32; ++i) {
        const uint32_t rgb = back.Pixels()[static_cast<size_t>(i)] & 0xFFFFFF;
        ASSERT_NE(std::find(pal.begin(), pal.end(), rgb), pal.end());
    }
}

TEST(ZsPicture, EveryPngColourTypeBecomesArgb) {
    // 8-bit grey.
    CZsBitmap bmp = ZsDecodePng(test::HandMadePng(2, 1, 8, 0, {0, 0x10, 0xF0}));
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFF101010, 0xFFF0F0F0}));
    // A palette with a transparent first entry.
    bmp = ZsDecodePng(
        test::HandMadePng(2, 1, 8, 3, {0, 1, 0}, {{"PLTE", {1, 2, 3, 0xFF, 0, 0}}, {"tRNS", {0}}}));
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFFFF0000, 0x00010203}));
    // 16-bit RGB is scaled to 8 bits.
    bmp = ZsDecodePng(test::HandMadePng(1, 1, 16, 2, {0, 0xFF, 0xFF, 0, 0, 0x80, 0x80}));
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFFFF0080}));
    // 1-bit grey, the row padded within its byte.
    bmp = ZsDecodePng(test::HandMadePng(3, 1, 1, 0, {0, 0xA0}));
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
    // A PNG icon image larger than 256 pixels is decoded at its own size.
    test::IcoImage png;
    png.bWidth = 0;
    png.bHeight = 200;
    png.data = ZsEncodePicture(Box(300, 200), ZS_PIC_PNG);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(test::MakeIco({png})));
    CZsBitmap big = icon.GetHBITMAP(0);
    EXPECT_EQ(big.Width(), 300);
    EXPECT_EQ(big.Height(), 200);
    // Pixels missing from the data are an error, not garbage.
    std::string sError;
    EXPECT_TRUE(ZsDecodePng(test::HandMadePng(4, 4, 8, 0, {0, 1, 2, 3, 4}), &sError).IsNull());
    EXPECT_FALSE(sError.empty());
}

TEST(ZsPicture, GifFramesAreInterlacedCutAndTransparent) {
    // A 2 x 3 frame at (1, 1) of a 4 x 5 screen, interlaced: rows are stored in the order 0, 2, 1. The
    // picture is the frame's own rectangle.
    const ZsBlock gif = HandMadeGif(4, 5, 1, 1, 2, 3, true, 3, {0, 1, 2, 2, 1, 3});
    std::string sError;
    CZsBitmap bmp = ZsDecodePicture(gif, &sError);
    ASSERT_EQ(bmp.Width(), 2) << sError;
    ASSERT_EQ(bmp.Height(), 3);
    const uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{red, green, green, 0, blue, blue}));  // 0: transparent
    // A frame reaching past the screen is cut at its edge; without a transparent index colour 3 shows.
    bmp = ZsDecodePicture(HandMadeGif(3, 2, 1, 1, 3, 2, false, -1, {3, 3, 3, 0, 0, 0}));
    ASSERT_EQ(bmp.Width(), 2);
    ASSERT_EQ(bmp.Height(), 1);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFF102030u, 0xFF102030u}));
    // A frame wholly off its screen shows nothing.
    EXPECT_TRUE(ZsDecodePicture(HandMadeGif(2, 2, 2, 0, 1, 1, false, -1, {1}), &sError).IsNull());
    EXPECT_NE(sError.find("outside the screen"), std::string::npos);
    // Every truncation is refused or decoded, never read past.
    for (size_t len = 0; len < gif.size(); ++len) {
        std::vector<uint8_t> part(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(len));
        ZsDecodePicture(part);
    }
}

TEST(ZsPicture, EncodersAreFoundByExactMimeType) {
    EXPECT_EQ(ZsFindEncoder("image/bmp"), 0);
    EXPECT_EQ(ZsFindEncoder("image/jpeg"), 1);
    EXPECT_EQ(ZsFindEncoder("image/gif"), 2);
    EXPECT_EQ(ZsFindEncoder("image/tiff"), 3);
    EXPECT_EQ(ZsFindEncoder("image/png"), 4);
    EXPECT_EQ(ZsFindEncoder("image/PNG"), -1);
    EXPECT_EQ(ZsFindEncoder("image/x-icon"), -1);
    EXPECT_STREQ(ZsGetExportExt(1), "jpg");
    EXPECT_STREQ(ZsGetExportExt(5), "ico");
    EXPECT_STREQ(ZsGetExportExt(7), "icns");
    EXPECT_STREQ(ZsGetExportExt(8), "theme");
    EXPECT_STREQ(ZsGetExportExt(9), "webp");
    EXPECT_EQ(ZsGetExportExt(10), nullptr);
    EXPECT_STREQ(ZsGetExportTypeName(0), "Microsoft Bitmap (*.bmp)");
    EXPECT_STREQ(ZsGetExportTypeName(4), "Portable Network Graphic (*.png)");
    EXPECT_STREQ(ZsGetExportTypeName(6), "Win32 Icon Library");
    EXPECT_EQ(ZsGetExportTypeName(-1), nullptr);
    EXPECT_STREQ(ZsGetExportTypeName(8), "Icon Theme Folder (hicolor)");
    EXPECT_EQ(ZsGetExportTypeName(10), nullptr);
}

TEST(ZsPicture, DamagedAndTruncatedFilesNeverCrashTheDecoders) {
    const CZsBitmap src = Sample();
    for (int type : ZS_PICTURE_TYPES) {
        const ZsBlock bytes = ZsEncodePicture(src, type);
        ASSERT_FALSE(bytes.empty());
        for (size_t len = 0; len < bytes.size(); ++len) {
            // An exact-size copy, so that any read past the end is a real overrun under the sanitizers.
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(len));
            std::string sError;
            CZsBitmap bmp = ZsDecodePicture(part, &sError);
            if (bmp.IsNull()) {
                EXPECT_FALSE(sError.empty()) << type << " " << len;
            } else {
                EXPECT_LE(bmp.Width(), 7);
            }
        }
        // Damage: every byte in turn set to 0xFF and to 0x00.
        for (size_t i = 0; i < bytes.size(); ++i) {
            for (uint8_t v : {uint8_t{0xFF}, uint8_t{0x00}}) {
                std::vector<uint8_t> bad = bytes;
                bad[i] = v;
                CZsBitmap bmp = ZsDecodePicture(bad);
                EXPECT_LE(static_cast<int64_t>(bmp.Pixels().size()), ZS_MAX_PICTURE_PIXELS);
            }
        }
    }
    std::string sError;
    EXPECT_TRUE(ZsDecodePicture(ZsBlock{'h', 'e', 'l', 'l', 'o'}, &sError).IsNull());
    EXPECT_NE(sError.find("not a picture"), std::string::npos);
}

TEST(ZsPicture, PicturesBeyondTheLimitsAreRefused) {
    std::string sError;
    ZsBlock png = ZsEncodePicture(Sample(), ZS_PIC_PNG);
    // IHDR width 20000 (the CRC is wrong too, which must not matter for the refusal).
    ZsSetU32(png.data() + 16, 0x204E0000);
    EXPECT_TRUE(ZsDecodePicture(png, &sError).IsNull());

    ZsBlock bmp = ZsEncodePicture(Sample(), ZS_PIC_BMP);
    ZsSetU32(bmp.data() + 18, 16384);
    ZsSetU32(bmp.data() + 22, 16384);
    EXPECT_TRUE(ZsDecodePicture(bmp, &sError).IsNull());
    EXPECT_NE(sError.find("too large"), std::string::npos);
}

// Headers that claim far more pixels than the rest of the file can fill are refused before anything is
// allocated for them, with a sentence that says so.
TEST(ZsPicture, HeadersThatLieAboutTheSizeAreRefused) {
    const auto refused = [](const ZsBlock& bytes) {
        std::string sError;
        CZsBitmap bmp = ZsDecodePicture(bytes, &sError);
        EXPECT_TRUE(bmp.IsNull()) << bmp.Width() << " x " << bmp.Height();
        return sError;
    };
    const std::string kClaim = "bytes of data can hold";

    // PNG: 8192 x 8192 from a few dozen bytes of deflate data.
    ZsBlock png = ZsEncodePicture(Sample(), ZS_PIC_PNG);
    for (int i : {16, 20}) {
        png[i] = 0;
        png[i + 1] = 0;
        png[i + 2] = 0x20;
        png[i + 3] = 0;
    }
    const uint32_t crc = test::Crc32(png.data() + 12, 17);
    for (int i = 0; i < 4; ++i) {
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    }
    EXPECT_NE(refused(png).find(kClaim), std::string::npos);

    // BMP, run-length encoded: 16384 x 8192 from one run.
    ZsBlock rle{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 14 + 40 + 8, 0, 0, 0};
    ZsPutU32(rle, 40);
    ZsPutU32(rle, 16384);
    ZsPutU32(rle, 8192);
    ZsPutU16(rle, 1);
    ZsPutU16(rle, 8);
    ZsPutU32(rle, 1);
    rle.resize(14 + 40, 0);
    ZsSetU32(rle.data() + 46, 2);
    ZsPutU32(rle, 0);
    ZsPutU32(rle, 0x00FFFFFF);
    for (uint8_t v : {0xFF, 1, 0, 1}) {
        rle.push_back(v);
    }
    EXPECT_NE(refused(rle).find(kClaim), std::string::npos);

    // GIF: a frame of 16384 x 8192 on a screen as large, from three bytes of LZW data.
    ZsBlock gif = HandMadeGif(16384, 8192, 0, 0, 1, 1, false, -1, {1});
    ZsSetU16(gif.data() + 6 + 7 + 12 + 5, 16384);
    ZsSetU16(gif.data() + 6 + 7 + 12 + 7, 8192);
    EXPECT_NE(refused(gif).find(kClaim), std::string::npos);

    // JPEG: the frame header of an 8 x 8 picture changed to 16000 x 8000.
    ZsBlock jpeg = ZsEncodePicture(Box(8, 8), ZS_PIC_JPEG);
    const uint8_t kSof0[2] = {0xFF, 0xC0};
    auto sof = std::search(jpeg.begin(), jpeg.end(), std::begin(kSof0), std::end(kSof0));
    ASSERT_NE(sof, jpeg.end());
    const size_t at = static_cast<size_t>(sof - jpeg.begin());
    jpeg[at + 5] = 8000 >> 8;
    jpeg[at + 6] = 8000 & 0xFF;
    jpeg[at + 7] = 16000 >> 8;
    jpeg[at + 8] = 16000 & 0xFF;
    EXPECT_NE(refused(jpeg).find(kClaim), std::string::npos);

    // TIFF: the width and height of a 7 x 5 picture changed to 16000 x 8000.
    ZsBlock tiff = ZsEncodePicture(Sample(), ZS_PIC_TIFF);
    ASSERT_EQ(tiff[0], 'I');
    CZsByteReader r(tiff);
    const uint32_t ifd = r.U32At(4);
    for (uint32_t i = 0; i < r.U16At(ifd); ++i) {
        const uint32_t entry = ifd + 2 + 12 * i;
        const uint16_t tag = r.U16At(entry), type = r.U16At(entry + 2);
        if (tag == 256 || tag == 257) {
            const uint32_t v = tag == 256 ? 16000 : 8000;
            if (type == 3) {
                ZsSetU16(tiff.data() + entry + 8, static_cast<uint16_t>(v));
            } else {
                ZsSetU32(tiff.data() + entry + 8, v);
            }
        }
    }
    EXPECT_NE(refused(tiff).find(kClaim), std::string::npos);
}

TEST(ZsPicture, GifScreenBeyondItsFrameCostsNothing) {
    // 41 bytes: a screen of 16384 x 8192 and one frame of one pixel.
    const ZsBlock gif = HandMadeGif(16384, 8192, 0, 0, 1, 1, false, -1, {1});
    std::string sError;
    CZsBitmap bmp = ZsDecodePicture(gif, &sError);
    ASSERT_FALSE(bmp.IsNull()) << sError;
    EXPECT_EQ(bmp.Width(), 1);
    EXPECT_EQ(bmp.Height(), 1);
    EXPECT_EQ(bmp.At(0, 0), 0xFF00FF00u);
}

TEST(ZsPicture, BmpVariantsDecode) {
    // A 24-bit top-down BMP with a plain 40-byte header.
    ZsBlock b{'B', 'M'};
    ZsPutU32(b, 14 + 40 + 8);
    ZsPutU32(b, 0);
    ZsPutU32(b, 14 + 40);
    ZsPutU32(b, 40);
    ZsPutU32(b, 2);
    ZsPutU32(b, static_cast<uint32_t>(-1));
    ZsPutU16(b, 1);
    ZsPutU16(b, 24);
    b.resize(14 + 40, 0);
    for (uint8_t v : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x00, 0x00}) {
        b.push_back(v);
    }
    CZsBitmap bmp = ZsDecodePicture(b);
    ASSERT_EQ(bmp.Width(), 2);
    EXPECT_EQ(bmp.At(0, 0), 0xFF030201u);
    EXPECT_EQ(bmp.At(1, 0), 0xFF060504u);
    // Unknown compression is refused with a reason.
    ZsSetU32(b.data() + 30, 4);
    std::string sError;
    EXPECT_TRUE(ZsDecodePicture(b, &sError).IsNull());
    EXPECT_NE(sError.find("compression"), std::string::npos);
}

TEST(ZsPicture, RunLengthBmpsDecode) {
    // 4 x 2 at 8 bits: bottom row a literal of three of colour 1 (padded to a whole word) and a run of one of
    // colour 2; top row a move right by two, then one of colour 2; the skipped pixels stay transparent.
    const std::vector<uint8_t> rle{0, 3, 1, 1, 1, 0, 1, 2, 0, 0, 0, 2, 2, 0, 1, 2, 0, 1};
    const auto make = [&](uint32_t nCompression, uint16_t nBits, const std::vector<uint8_t>& pixels) {
        const uint32_t nTable = 4 * (1u << nBits);
        ZsBlock b{'B', 'M'};
        ZsPutU32(b, static_cast<uint32_t>(14 + 40 + nTable + pixels.size()));
        ZsPutU32(b, 0);
        ZsPutU32(b, 14 + 40 + nTable);
        ZsPutU32(b, 40);
        ZsPutU32(b, 4);
        ZsPutU32(b, 2);
        ZsPutU16(b, 1);
        ZsPutU16(b, nBits);
        ZsPutU32(b, nCompression);
        b.resize(14 + 40 + nTable, 0);
        ZsSetU32(b.data() + 54 + 4, 0x00FF0000);
        ZsSetU32(b.data() + 54 + 8, 0x000000FF);
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    };
    CZsBitmap bmp = ZsDecodePicture(make(1, 8, rle));
    ASSERT_EQ(bmp.Width(), 4);
    EXPECT_EQ(bmp.Pixels(),
              (std::vector<uint32_t>{0, 0, 0xFF0000FF, 0, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFF0000FF}));
    // 4 bits: a run of one pixel of colour 1, then a literal of 2, 2, 1.
    bmp = ZsDecodePicture(make(2, 4, {1, 0x10, 0, 3, 0x22, 0x10, 0, 1}));
    ASSERT_EQ(bmp.Width(), 4);
    EXPECT_EQ(bmp.At(0, 1), 0xFFFF0000u);
    EXPECT_EQ(bmp.At(1, 1), 0xFF0000FFu);
    EXPECT_EQ(bmp.At(2, 1), 0xFF0000FFu);
    EXPECT_EQ(bmp.At(3, 1), 0xFFFF0000u);
    // Every truncation and runs that run off the picture are read safely.
    const ZsBlock full = make(1, 8, {200, 1, 0, 2, 255, 255, 0, 5, 1, 2});
    for (size_t len = 0; len <= full.size(); ++len) {
        std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len));
        ZsDecodePicture(part);
    }
}

TEST(ZiPictureToIcon, EnlargeModeCentresTheScaledPicture) {
    ZsBlock block = ZI_PictureToIcon(Box(300, 200), ZI_SIZING_ENLARGE);
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(block);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].bWidth, 0);
    EXPECT_EQ(entries[0].bHeight, 0);
    EXPECT_EQ(entries[0].wBitCount, 32);
    EXPECT_EQ(entries[0].dwImageOffset, 22u);
    EXPECT_EQ(block.size(), 62u + (1024u + 32u) * 256u);
    CZsByteReader r(block);
    EXPECT_EQ(r.U32At(22 + 20), 1024u * 512u);
    EXPECT_EQ(block.back(), 0xFF);
    CZsBitmap px = IconPixels(block);
    ASSERT_EQ(px.Width(), 256);
    // 256 x 170 at top offset 43.
    EXPECT_FALSE(Opaque(px, 128, 42));
    EXPECT_TRUE(Opaque(px, 128, 43));
    EXPECT_TRUE(Opaque(px, 0, 100));
    EXPECT_TRUE(Opaque(px, 255, 212));
    EXPECT_FALSE(Opaque(px, 128, 213));
    EXPECT_EQ(px.At(128, 100), 0xFF3366CCu);
}

TEST(ZiPictureToIcon, ShrinkAndKeepModes) {
    CZsBitmap px = IconPixels(ZI_PictureToIcon(Box(300, 200), ZI_SIZING_SHRINK));
    ASSERT_EQ(px.Width(), 128);
    ASSERT_EQ(px.Height(), 128);
    // 128 x 85 at top offset 21.
    EXPECT_FALSE(Opaque(px, 64, 20));
    EXPECT_TRUE(Opaque(px, 64, 21));
    EXPECT_TRUE(Opaque(px, 64, 105));
    EXPECT_FALSE(Opaque(px, 64, 106));

    ZsBlock keep = ZI_PictureToIcon(Box(300, 200), ZI_SIZING_KEEP);
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(keep);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].bWidth, 0);
    EXPECT_EQ(entries[0].bHeight, 200);
    EXPECT_EQ(entries[0].Format(), (ZI_FORMAT{300, 200, 32}));
    EXPECT_EQ(keep.size(), 62u + (1200u + 40u) * 200u);
}

TEST(ZiPictureToIcon, SmallPicturesAreCentredUnscaledOrShrunk) {
    CZsBitmap small(20, 20, 32, 0);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            small.At(x, y) = ZsArgb(255, static_cast<unsigned>(10 * x), static_cast<unsigned>(10 * y), 7);
        }
    }
    CZsBitmap px = IconPixels(ZI_PictureToIcon(small, ZI_SIZING_ENLARGE));
    ASSERT_EQ(px.Width(), 24);
    EXPECT_EQ(px.At(1, 1), 0u);
    EXPECT_EQ(px.At(2, 2), small.At(0, 0));
    EXPECT_EQ(px.At(21, 21), small.At(19, 19));
    EXPECT_EQ(px.At(22, 22), 0u);
    px = IconPixels(ZI_PictureToIcon(small, ZI_SIZING_SHRINK));
    ASSERT_EQ(px.Width(), 16);
    EXPECT_TRUE(Opaque(px, 0, 0));
    EXPECT_TRUE(Opaque(px, 15, 15));

    int w = 0, h = 0;
    ZI_GetPictureCanvas(1000, 2000, ZI_SIZING_SHRINK, w, h);
    EXPECT_EQ(w, 256);
    ZI_GetPictureCanvas(5, 300, ZI_SIZING_SHRINK, w, h);
    EXPECT_EQ(w, 16);
    ZI_GetPictureCanvas(97, 3, ZI_SIZING_ENLARGE, w, h);
    EXPECT_EQ(w, 128);
    test::LogCapture log;
    EXPECT_TRUE(ZI_PictureToIcon(CZsBitmap(), ZI_SIZING_ENLARGE).empty());
}

TEST(ZiSplit, TileSizesAndCounts) {
    std::vector<ZsBlock> blocks;
    EXPECT_EQ(ZI_SplitBitmap(Box(100, 40), blocks, -4, 0, ZI_SIZING_KEEP), 4);
    ASSERT_EQ(blocks.size(), 4u);
    for (const ZsBlock& b : blocks) {
        EXPECT_EQ(ZI_GetEntries(b).at(0).Format(), (ZI_FORMAT{25, 40, 32}));
    }
    blocks.clear();
    EXPECT_EQ(ZI_SplitBitmap(Box(100, 40), blocks, 30, 0, ZI_SIZING_KEEP), 4);
    CZsBitmap last = IconPixels(blocks.at(3));
    ASSERT_EQ(last.Width(), 30);
    EXPECT_TRUE(Opaque(last, 9, 39));
    EXPECT_EQ(last.At(10, 0), 0u);
    EXPECT_EQ(last.At(29, 39), 0u);
    // Rows from the top, columns from the left.
    CZsBitmap grid(4, 4, 32, 0);
    grid.At(3, 0) = 0xFF0000FF;
    grid.At(0, 3) = 0xFF00FF00;
    blocks.clear();
    EXPECT_EQ(ZI_SplitBitmap(grid, blocks, 2, -2, ZI_SIZING_KEEP), 4);
    EXPECT_EQ(IconPixels(blocks.at(1)).At(1, 0), 0xFF0000FFu);
    EXPECT_EQ(IconPixels(blocks.at(2)).At(0, 1), 0xFF00FF00u);
    // More columns than pixels: one pixel each.
    blocks.clear();
    EXPECT_EQ(ZI_SplitBitmap(Box(3, 1), blocks, -10, 1, ZI_SIZING_ENLARGE), 3);
    EXPECT_EQ(ZI_GetEntries(blocks.at(0)).at(0).Format(), (ZI_FORMAT{16, 16, 32}));
    blocks.clear();
    test::LogCapture log;
    EXPECT_EQ(ZI_SplitBitmap(Box(1000, 1000), blocks, 1, 1, ZI_SIZING_KEEP), 0);
    EXPECT_EQ(ZI_SplitBitmap(CZsBitmap(), blocks, 1, 1, ZI_SIZING_KEEP), 0);
    EXPECT_TRUE(blocks.empty());
}

TEST(ZiLoadPictureIcon, FilesAreDecodedByContentAndFailuresReported) {
    test::TempDir dir;
    ZsWriteFile(dir / "pic.exif", ZsEncodePicture(Box(40, 40), ZS_PIC_JPEG));
    ZsBlock block = ZI_LoadPictureIcon(dir / "pic.exif", ZI_SIZING_ENLARGE);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(ZI_GetEntries(block).at(0).Format(), (ZI_FORMAT{48, 48, 32}));

    ZsWriteFile(dir / "tiles.png", ZsEncodePicture(Box(100, 40), ZS_PIC_PNG));
    std::vector<ZsBlock> blocks;
    EXPECT_EQ(ZI_SplitPicture(dir / "tiles.png", blocks, -4, 0, ZI_SIZING_KEEP), 4);

    test::LogCapture log;
    ZsWriteFile(dir / "bad.png", ZsBlock{0x89, 'P', 'N', 'G'});
    std::string sError;
    EXPECT_TRUE(ZI_LoadPictureIcon(dir / "bad.png", ZI_SIZING_ENLARGE, &sError).empty());
    EXPECT_FALSE(sError.empty());
    EXPECT_TRUE(ZI_LoadPictureIcon(dir / "missing.png", ZI_SIZING_ENLARGE).empty());
    EXPECT_EQ(ZI_SplitPicture(dir / "missing.png", blocks, 1, 1, 0), 0);
    EXPECT_TRUE(log.Contains(">ZI_LoadPictureIcon: '"));
    EXPECT_TRUE(log.Contains("missing.png': the file cannot be read"));
}

// A PNG file is decoded as it is read from the file: the same pixels as from memory, and a file cut short
// before the end of its image data is refused with a reason (the closing IEND chunk is not needed).
TEST(ZsLoadPicture, PngFilesDecodeWhileReadAndTruncatedOnesAreRefused) {
    test::TempDir dir;
    const ZsBlock png = ZsEncodePicture(Sample(), ZS_PIC_PNG);
    ZsWriteFile(dir / "whole.png", png);
    EXPECT_EQ(ZsLoadPicture(dir / "whole.png"), Sample());
    for (size_t len = 8; len < png.size() - 12; len += 7) {
        ZsWriteFile(dir / "cut.png", ZsBlock(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(len)));
        std::string sError;
        EXPECT_TRUE(ZsLoadPicture(dir / "cut.png", &sError).IsNull()) << len;
        EXPECT_FALSE(sError.empty()) << len;
    }
    std::filesystem::create_directory(dir / "folder.png");
    std::string sError;
    EXPECT_TRUE(ZsLoadPicture(dir / "folder.png", &sError).IsNull());
    EXPECT_EQ(sError, "the file cannot be read: it is not a regular file");
}

TEST(ZsStream, ReadsWritesAndSeeks) {
    CZsStream s;
    s.Write("abc", 3);
    EXPECT_TRUE(s.Seek(5, SEEK_SET));
    s.Write("z", 1);
    EXPECT_EQ(s.Block(), (ZsBlock{'a', 'b', 'c', 0, 0, 'z'}));
    EXPECT_FALSE(s.Seek(-7, SEEK_END));
    EXPECT_FALSE(s.Seek(INT64_MIN, SEEK_CUR));
    EXPECT_FALSE(s.Seek(INT64_MAX, SEEK_CUR));
    EXPECT_EQ(s.Tell(), 6u);
    EXPECT_TRUE(s.Seek(-2, SEEK_CUR));
    char buf[4] = {};
    EXPECT_EQ(s.Read(buf, 4), 2u);
    EXPECT_EQ(s.Read(buf, 4), 0u);
    // Far past the end nothing is written (nor allocated).
    EXPECT_TRUE(s.Seek(INT64_C(1) << 40, SEEK_SET));
    EXPECT_FALSE(s.Write("x", 1));
    EXPECT_EQ(s.Size(), 6u);
}
