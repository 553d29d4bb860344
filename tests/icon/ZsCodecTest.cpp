#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "TestSupport.h"
#include "common/ZsByteReader.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

using test::DibImage;
using test::MakeIco;

namespace {

// A DIB image with a colour table, explicit colour bits (top-down rows, packed as the depth wants) and an
// explicit AND mask (top-down rows of one byte per 8 pixels).
test::IcoImage Dib(int w, int h, int bits, const std::vector<uint32_t>& table,
                   const std::vector<std::vector<uint8_t>>& rows, const std::vector<uint8_t>& maskRows,
                   uint32_t nClrUsed = 0) {
    test::IcoImage img;
    img.bWidth = static_cast<uint8_t>(w);
    img.bHeight = static_cast<uint8_t>(h);
    img.wBitCount = static_cast<uint16_t>(bits);
    const size_t xorStride = static_cast<size_t>(((w * bits + 31) >> 3) & ~3);
    const size_t andStride = static_cast<size_t>(((w + 31) >> 3) & ~3);
    ZsBlock& d = img.data;
    ZsPutU32(d, 40);
    ZsPutU32(d, static_cast<uint32_t>(w));
    ZsPutU32(d, static_cast<uint32_t>(2 * h));
    ZsPutU16(d, 1);
    ZsPutU16(d, static_cast<uint16_t>(bits));
    for (uint32_t v : {0u, 0u, 0u, 0u, nClrUsed, 0u}) {
        ZsPutU32(d, v);
    }
    for (uint32_t c : table) {
        ZsPutU32(d, c);
    }
    for (int y = h - 1; y >= 0; --y) {
        ZsBlock row = rows[static_cast<size_t>(y)];
        row.resize(xorStride, 0);
        d.insert(d.end(), row.begin(), row.end());
    }
    for (int y = h - 1; y >= 0; --y) {
        ZsBlock row(andStride, 0);
        row[0] = maskRows[static_cast<size_t>(y)];
        d.insert(d.end(), row.begin(), row.end());
    }
    return img;
}

CZsBitmap Solid(int w, int h, uint32_t argb) {
    return CZsBitmap(w, h, 32, argb);
}

}  // namespace

TEST(ZiDecodeImage, PaletteDepthsTakeAlphaFromTheMask) {
    // 8 bits, 2 x 2: colours from the table, the top-right pixel masked.
    std::vector<uint32_t> table(256, 0);
    table[0] = 0x00FF0000;
    table[2] = 0x000000FF;
    test::IcoImage img = Dib(2, 2, 8, table, {{0, 1}, {2, 0}}, {0x40, 0x00});
    CZsBitmap bmp = ZI_DecodeImage(img.data);
    ASSERT_EQ(bmp.Width(), 2);
    EXPECT_EQ(bmp.BitCount(), 8);
    EXPECT_EQ(bmp.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bmp.At(1, 0), 0u);
    EXPECT_EQ(bmp.At(0, 1), 0xFF0000FFu);
    EXPECT_EQ(bmp.At(1, 1), 0xFFFF0000u);

    // 1 and 4 bits pack pixels from the high bits down.
    img = Dib(3, 1, 1, {0x00000000, 0x00FFFFFF}, {{0xA0}}, {0x00});
    bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
    std::vector<uint32_t> vga(16, 0);
    vga[9] = 0xFF0000;
    vga[12] = 0x0000FF;
    img = Dib(2, 1, 4, vga, {{0x9C}}, {0x00});
    bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}));

    // 24 bits, the left pixel masked.
    img = Dib(2, 1, 24, {}, {{1, 2, 3, 4, 5, 6}}, {0x80});
    bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0, 0xFF060504}));
}

TEST(ZiDecodeImage, ClrUsedShortensTheColourTable) {
    // Two table entries only; the colour bits follow right after them.
    test::IcoImage img = Dib(2, 1, 8, {0x00112233, 0x00445566}, {{1, 0}}, {0x00}, 2);
    CZsBitmap bmp = ZI_DecodeImage(img.data);
    ASSERT_FALSE(bmp.IsNull());
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFF445566, 0xFF112233}));
}

TEST(ZiDecodeImage, ThirtyTwoBitAlphaAndItsFallbacks) {
    // Own alpha: the mask is ignored.
    test::IcoImage img = Dib(2, 1, 32, {}, {{1, 2, 3, 0x80, 4, 5, 6, 0}}, {0xC0});
    CZsBitmap bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0x80030201, 0x00060504}));
    // Every alpha byte 0: shown through the mask, as the system shows it.
    img = Dib(2, 1, 32, {}, {{1, 2, 3, 0, 4, 5, 6, 0}}, {0x40});
    bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFF030201, 0}));
    // No mask at all: opaque.
    img.data.resize(img.data.size() - 4);
    bmp = ZI_DecodeImage(img.data);
    EXPECT_EQ(bmp.Pixels(), (std::vector<uint32_t>{0xFF030201, 0xFF060504}));
}

TEST(ZiDecodeImage, BadAndTruncatedDataIsRefusedWithAReason) {
    std::string sError;
    test::IcoImage img = DibImage(16, 16, 8);
    const size_t colourEnd = 40 + 1024 + 16 * 16;
    for (size_t len = 0; len <= img.data.size(); ++len) {
        ZsBlock part(img.data.begin(), img.data.begin() + static_cast<std::ptrdiff_t>(len));
        CZsBitmap bmp = ZI_DecodeImage(part, &sError);
        EXPECT_EQ(bmp.IsNull(), len < colourEnd) << len;
    }
    EXPECT_TRUE(ZI_DecodeImage(ZsBlock{1, 2, 3}, &sError).IsNull());
    EXPECT_NE(sError.find("neither a DIB nor a PNG"), std::string::npos);
    ZsBlock huge = DibImage(4, 4, 32).data;
    ZsSetU32(huge.data() + 4, 100000);
    EXPECT_TRUE(ZI_DecodeImage(huge, &sError).IsNull());
    EXPECT_NE(sError.find("too large"), std::string::npos);
    ZsBlock packed = DibImage(4, 4, 8).data;
    ZsSetU32(packed.data() + 16, 1);
    EXPECT_TRUE(ZI_DecodeImage(packed, &sError).IsNull());
    ZsBlock depth = DibImage(4, 4, 8).data;
    ZsSetU16(depth.data() + 14, 7);
    EXPECT_TRUE(ZI_DecodeImage(depth, &sError).IsNull());
}

TEST(CIconBitmap, PixelsComeFromTheHeaderAndAreScaledToTheDirectorySize) {
    // The directory says 48 x 48, the header 32 x 32.
    test::IcoImage img = DibImage(32, 32, 24, 0x40);
    img.bWidth = img.bHeight = 48;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(MakeIco({img})));
    CZsBitmap bmp = icon.GetHBITMAP(0);
    ASSERT_EQ(bmp.Width(), 48);
    ASSERT_EQ(bmp.Height(), 48);
    EXPECT_EQ(bmp.BitCount(), 24);
    EXPECT_EQ(bmp.At(0, 0), 0xFF404040u);
    EXPECT_EQ(bmp.At(47, 47), 0xFF404040u);

    test::LogCapture log;
    EXPECT_TRUE(icon.GetHBITMAP(1).IsNull());
    EXPECT_FALSE(icon.SetHBITMAP(Solid(4, 4, 0xFFFFFFFF), -1));
    EXPECT_TRUE(log.Lines().at(0).ends_with(">CIcon::GetHBITMAP: nImgIdx=1"));
    EXPECT_TRUE(log.Lines().at(1).ends_with(">CIcon::SetHBITMAP: nImgIdx=-1"));
}

TEST(CIconBitmap, PngImageBecomesADibWhenItsPixelsAreReplaced) {
    CZsBitmap picture = Solid(256, 256, 0x80FF8000);
    test::IcoImage png;
    png.data = ZsEncodePicture(picture, ZS_PIC_PNG);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(MakeIco({png})));
    CZsBitmap bmp = icon.GetHBITMAP(0);
    ASSERT_EQ(bmp.Width(), 256);
    EXPECT_EQ(bmp.At(100, 100), 0x80FF8000u);

    ASSERT_TRUE(icon.SetHBITMAP(Solid(16, 16, 0xFF102030), 0));
    const ZI_IMAGE& img = icon.GetImage(0);
    EXPECT_FALSE(img.IsPng());
    EXPECT_EQ(img.data.size(), 40u + (1024u + 32u) * 256u);
    EXPECT_EQ(img.dwBytesInRes, img.data.size());
    EXPECT_EQ(img.bWidth, 0);
    EXPECT_EQ(img.Format(), (ZI_FORMAT{256, 256, 32}));
    CZsByteReader r(img.data);
    EXPECT_EQ(r.U32At(8), 512u);
    EXPECT_EQ(r.U32At(20), 1024u * 512u);
    EXPECT_EQ(icon.GetHBITMAP(0).At(255, 255), 0xFF102030u);
}

TEST(CIconBitmap, GeneratedMasksFollowAlphaAt32BitsAndPureBlackBelow) {
    // A transparent background with an opaque square, one opaque pure black pixel inside it and one black
    // pixel of half alpha (a shadow).
    CZsBitmap src(16, 16, 32, 0);
    for (int y = 4; y < 12; ++y) {
        for (int x = 4; x < 12; ++x) {
            src.At(x, y) = 0xFFFFFFFF;
        }
    }
    src.At(8, 8) = 0xFF000000;
    src.At(9, 9) = 0x80000000;
    for (int bits : {32, 24, 8, 4, 1}) {
        CIcon icon;
        ASSERT_EQ(icon.AddFormat(ZI_FORMAT{16, 16, bits}, &src), 0);
        const ZI_IMAGE& img = icon.GetImage(0);
        const size_t colours = bits <= 8 ? (1u << bits) : 0;
        const size_t xorStride = static_cast<size_t>(((16 * bits + 31) >> 3) & ~3);
        const uint8_t* mask = img.data.data() + 40 + 4 * colours + xorStride * 16;
        // Mask rows are bottom-up: image row y is mask row 15 - y.
        auto masked = [&](int x, int y) { return ((mask[(15 - y) * 4 + x / 8] >> (7 - x % 8)) & 1) != 0; };
        EXPECT_TRUE(masked(0, 0)) << bits;
        EXPECT_FALSE(masked(5, 5)) << bits;
        CZsBitmap back = icon.GetHBITMAP(0);
        EXPECT_EQ(back.At(0, 0), 0u) << bits;
        EXPECT_EQ(back.At(5, 5), 0xFFFFFFFFu) << bits;
        if (bits == 32) {
            // Black is a colour like any other: only alpha 0 is transparent.
            EXPECT_FALSE(masked(8, 8));
            EXPECT_FALSE(masked(9, 9));
            EXPECT_EQ(back.At(8, 8), 0xFF000000u);
            EXPECT_EQ(back.At(9, 9), 0x80000000u);
            // Alpha is 0 exactly where the mask is set.
            CZsByteReader r(img.data);
            EXPECT_EQ(r.U8At(40 + (15 - 0) * 64 + 0 * 4 + 3), 0);
            EXPECT_EQ(r.U8At(40 + (15 - 9) * 64 + 9 * 4 + 3), 0x80);
        } else {
            // Without alpha, pure black is the transparent colour, the shadow included.
            EXPECT_TRUE(masked(8, 8)) << bits;
            EXPECT_TRUE(masked(9, 9)) << bits;
            EXPECT_EQ(back.At(8, 8), 0u) << bits;
        }
    }
}

TEST(CIconBitmap, FormatsGeneratedFromPaletteImagesShowTheirPicture) {
    // An opaque 8-bit image (mask clear) must not turn black when it is the source of new formats.
    std::vector<uint32_t> table(256, 0);
    table[1] = 0x00FF0000;
    std::vector<std::vector<uint8_t>> rows(2, std::vector<uint8_t>{1, 1});
    CIcon icon;
    ASSERT_TRUE(icon.SetData(MakeIco({Dib(2, 2, 8, table, rows, {0, 0})})));
    const std::vector<ZI_FORMAT> wanted{{16, 16, 32}, {16, 16, 4}};
    icon.SetFormats(wanted);
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetHBITMAP(0).At(7, 7), 0xFFFF0000u);
    EXPECT_EQ(icon.GetHBITMAP(1).At(7, 7), 0xFFFF0000u);
}

TEST(ZsResize, AspectIsKeptAtTheTopLeftAndTheRestIsWritten) {
    CZsBitmap wide = Solid(64, 32, 0xFF00FF00);
    CZsBitmap out = ZsResizeHBITMAP(wide, 16, 16, 24);
    ASSERT_EQ(out.Width(), 16);
    ASSERT_EQ(out.Height(), 16);
    EXPECT_EQ(out.BitCount(), 24);
    EXPECT_EQ(out.At(15, 7), 0xFF00FF00u);
    EXPECT_EQ(out.At(0, 8), 0xFF000000u);  // uncovered: black, hence transparent in the mask
    out = ZsResizeHBITMAP(wide, 16, 16, 32);
    EXPECT_EQ(out.At(15, 7), 0xFF00FF00u);
    EXPECT_EQ(out.At(15, 8), 0u);
    // Bit count 0 keeps the source's depth.
    CZsBitmap eight = Solid(8, 8, 0xFFFFFFFF);
    eight.SetBitCount(8);
    EXPECT_EQ(ZsResizeHBITMAP(eight, 4, 4, 0).BitCount(), 8);
    EXPECT_TRUE(ZsResizeHBITMAP(CZsBitmap(), 4, 4, 32).IsNull());
}

TEST(ZsResize, PaletteDepthsUseTheNearestFixedColour) {
    CZsBitmap src = Solid(2, 1, 0xFFF00A0A);
    src.At(1, 0) = 0xFF7F7F7F;
    CZsBitmap four = ZsResizeHBITMAP(src, 2, 1, 4);
    EXPECT_EQ(four.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(four.At(1, 0), 0xFF808080u);
    CZsBitmap mono = ZsResizeHBITMAP(src, 2, 1, 1);
    EXPECT_EQ(mono.At(0, 0), 0xFF000000u);
    EXPECT_EQ(mono.At(1, 0), 0xFF000000u);
    EXPECT_EQ(ZsGetPalette(1).size(), 2u);
    EXPECT_EQ(ZsGetPalette(4).size(), 16u);
    std::span<const uint32_t> pal = ZsGetPalette(8);
    ASSERT_EQ(pal.size(), 256u);
    // No colour is wasted on a duplicate.
    std::vector<uint32_t> sorted(pal.begin(), pal.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
    CZsPaletteMapper mapper(pal);
    for (size_t i = 0; i < pal.size(); ++i) {
        EXPECT_EQ(mapper.Index(pal[i]), i);
    }
    // The halftone palette's shortcut answers exactly as a search of the whole palette does.
    const std::vector<uint32_t> copy(pal.begin(), pal.end());
    CZsPaletteMapper slow(copy);
    for (unsigned r = 0; r < 256; r += 5) {
        for (unsigned g = 1; g < 256; g += 5) {
            for (unsigned b = 2; b < 256; b += 5) {
                ASSERT_EQ(mapper.Index(ZsArgb(0, r, g, b)), slow.Index(ZsArgb(0, r, g, b)))
                    << r << "," << g << "," << b;
            }
        }
    }
}

TEST(ZsScale, PremultipliedBicubicHasNoDarkFringes) {
    // A red disc on a transparent (black) background, shrunk: every visible pixel stays pure red.
    CZsBitmap src(64, 64, 32, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if ((x - 32) * (x - 32) + (y - 32) * (y - 32) < 400) {
                src.At(x, y) = 0xFFFF0000;
            }
        }
    }
    CZsBitmap out = ZsScaleBitmap(src, 13, 13);
    int nEdge = 0;
    for (uint32_t p : out.Pixels()) {
        if (ZsAlpha(p) > 0) {
            EXPECT_EQ(p & 0xFFFFFF, 0xFF0000u);
            nEdge += ZsAlpha(p) < 255;
        }
    }
    EXPECT_GT(nEdge, 0);
    // A flat picture stays flat at any size, enlarged or shrunk.
    for (int size : {1, 7, 48, 200}) {
        CZsBitmap flat = ZsScaleBitmap(Solid(31, 17, 0xC8336699), size, size);
        for (uint32_t p : flat.Pixels()) {
            ASSERT_EQ(p, 0xC8336699u) << size;
        }
    }
    EXPECT_EQ(ZsScaleBitmap(src, 64, 64), src);
}

namespace {

// The scaled picture worked out directly in double precision: for each target pixel the Keys kernel
// (a = -0.5, widened by the factor when shrinking) over the source window, edges clamped, weights
// normalised, on premultiplied alpha.
CZsBitmap ReferenceScale(const CZsBitmap& src, int w, int h) {
    auto kernel = [](double x) {
        x = std::fabs(x);
        return x < 1 ? (1.5 * x - 2.5) * x * x + 1 : x < 2 ? ((-0.5 * x + 2.5) * x - 4) * x + 2 : 0.0;
    };
    auto weights = [&](int nSource, int nTarget, int i) {
        const double scale = static_cast<double>(nSource) / nTarget, widen = std::max(1.0, scale);
        const double center = (i + 0.5) * scale - 0.5;
        std::vector<double> out(static_cast<size_t>(nSource), 0.0);
        double sum = 0;
        for (int j = static_cast<int>(std::floor(center - 2 * widen)) + 1; j <= center + 2 * widen; ++j) {
            const double k = kernel((j - center) / widen);
            out[static_cast<size_t>(std::clamp(j, 0, nSource - 1))] += k;
            sum += k;
        }
        for (double& v : out) {
            v /= sum;
        }
        return out;
    };
    CZsBitmap out(w, h);
    for (int y = 0; y < h; ++y) {
        const std::vector<double> wy = weights(src.Height(), h, y);
        for (int x = 0; x < w; ++x) {
            const std::vector<double> wx = weights(src.Width(), w, x);
            double acc[4] = {};
            for (int sy = 0; sy < src.Height(); ++sy) {
                for (int sx = 0; sx < src.Width(); ++sx) {
                    const double f = wy[static_cast<size_t>(sy)] * wx[static_cast<size_t>(sx)];
                    if (f == 0) {
                        continue;
                    }
                    const uint32_t p = src.At(sx, sy);
                    const double a = ZsAlpha(p);
                    acc[0] += f * a / 255 * ZsRed(p);
                    acc[1] += f * a / 255 * ZsGreen(p);
                    acc[2] += f * a / 255 * ZsBlue(p);
                    acc[3] += f * a;
                }
            }
            const double a = std::clamp(acc[3], 0.0, 255.0);
            const auto byte = [&](double v) {
                return static_cast<unsigned>(std::clamp(std::lround(std::min(v, a) * 255 / a), 0L, 255L));
            };
            out.At(x, y) = std::lround(a) == 0 ? 0
                                               : ZsArgb(static_cast<unsigned>(std::lround(a)), byte(acc[0]),
                                                        byte(acc[1]), byte(acc[2]));
        }
    }
    return out;
}

}  // namespace

// Noisy pixels with every level of alpha, shrunk by large and small factors, enlarged and stretched: the
// scaler's single-precision passes stay within one level of the exact result in every channel.
TEST(ZsScale, MatchesTheExactFilterWithinOneLevel) {
    CZsBitmap src(96, 80);
    uint32_t nSeed = 12345;
    for (uint32_t& p : src.Pixels()) {
        nSeed = nSeed * 1664525u + 1013904223u;
        p = nSeed;
    }
    for (const auto& [w, h] : {std::pair{24, 20}, {3, 2}, {1, 1}, {96, 13}, {150, 80}, {40, 123}}) {
        const CZsBitmap fast = ZsScaleBitmap(src, w, h);
        const CZsBitmap exact = ReferenceScale(src, w, h);
        int nWorst = 0;
        for (size_t i = 0; i < exact.Pixels().size(); ++i) {
            for (int nShift = 0; nShift < 32; nShift += 8) {
                nWorst = std::max(nWorst, std::abs(static_cast<int>((fast.Pixels()[i] >> nShift) & 0xFF) -
                                                   static_cast<int>((exact.Pixels()[i] >> nShift) & 0xFF)));
            }
        }
        EXPECT_LE(nWorst, 1) << w << "x" << h;
    }
}

TEST(ZiGetIconHandle, ChosenImageAtTheChosenSize) {
    std::vector<uint8_t> ico = MakeIco({DibImage(16, 16, 32, 0x22), DibImage(32, 32, 8)});
    int w = 48, h = 48, b = 32;
    CZsBitmap bmp = ZI_GetIconHandle(ico, w, h, b);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(bmp.Width(), 16);
    EXPECT_EQ(bmp.BitCount(), 32);
    w = 8, h = 8, b = 32;
    EXPECT_EQ(ZI_GetIconHandle(ico, w, h, b).Width(), 8);
    test::LogCapture log;
    EXPECT_TRUE(ZI_GetIconHandle({}, w, h, b).IsNull());
    EXPECT_TRUE(log.Contains(">ZI_GetIconHandle: pData"));
    EXPECT_TRUE(ZI_GetIconHandle(MakeIco({}), w, h, b).IsNull());
}
