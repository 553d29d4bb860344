#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "icon/ZsCodec.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

namespace {

// Every test leaves the process's choice as it found it: off.
class PngImages : public ::testing::Test {
protected:
    void TearDown() override { ZI_SetPngMinSize(0); }
};

CZsBitmap Picture(int w, int h) {
    CZsBitmap bmp(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bmp.At(x, y) =
                (x / 8 + y / 8) % 3 == 0 ? 0 : ZsArgb(x % 2 ? 0xFF : 0x90, x & 0xFF, y & 0xFF, 0x30);
        }
    }
    return bmp;
}

uint64_t Fnv1a(ZsBytes bytes) {
    uint64_t h = UINT64_C(14695981039346656037);
    for (const uint8_t b : bytes) {
        h = (h ^ b) * UINT64_C(1099511628211);
    }
    return h;
}

}  // namespace

TEST_F(PngImages, OffByDefaultAndThenTheBytesOfBefore) {
    EXPECT_EQ(ZI_GetPngMinSize(), 0);
    // The blocks generation writes while the option is off, pinned.
    const ZsBlock block = ZI_PictureToIcon(Picture(300, 200), ZI_SIZING_ENLARGE);
    EXPECT_EQ(block.size(), 22u + 40 + 256 * 256 * 4 + 256 * 32);
    EXPECT_EQ(Fnv1a(block), UINT64_C(10116690689463729071));
    CIcon icon;
    icon.SetData(block);
    icon.SetFormats(std::vector<ZI_FORMAT>{{256, 256, 32}, {48, 48, 32}, {32, 32, 8}});
    EXPECT_EQ(Fnv1a(icon.GetData(-1)), UINT64_C(17575403621702235600));
}

TEST_F(PngImages, LargeGeneratedImagesArePngWithTheSamePixels) {
    const ZsBlock dib = ZI_PictureToIcon(Picture(300, 200), ZI_SIZING_ENLARGE);
    ZI_SetPngMinSize(256);
    const ZsBlock png = ZI_PictureToIcon(Picture(300, 200), ZI_SIZING_ENLARGE);
    CIcon a, b;
    ASSERT_TRUE(a.SetData(dib));
    ASSERT_TRUE(b.SetData(png));
    ASSERT_EQ(b.GetImageCount(), 1);
    EXPECT_TRUE(b.GetImage(0).IsPng());
    EXPECT_EQ(b.GetImage(0).Format(), (ZI_FORMAT{256, 256, 32}));
    EXPECT_EQ(b.GetHBITMAP(0), a.GetHBITMAP(0));
    EXPECT_LT(png.size() * 2, dib.size());
    // Below the minimum a picture's icon stays a DIB.
    CIcon small;
    ASSERT_TRUE(small.SetData(ZI_PictureToIcon(Picture(40, 40), ZI_SIZING_ENLARGE)));
    EXPECT_FALSE(small.GetImage(0).IsPng());
}

TEST_F(PngImages, OnlyThirtyTwoBitFormatsFromTheMinimumUp) {
    ZI_SetPngMinSize(48);
    const CZsBitmap source = Picture(64, 64);
    CIcon icon;
    icon.AddFormats(
        std::vector<ZI_FORMAT>{{256, 256, 32}, {48, 48, 32}, {32, 32, 32}, {256, 256, 24}, {64, 40, 32}},
        &source);
    ASSERT_EQ(icon.GetImageCount(), 5);
    for (const ZI_IMAGE& image : icon.Images()) {
        const ZI_FORMAT f = image.Format();
        EXPECT_EQ(image.IsPng(), f.nBitCount == 32 && f.nWidth >= 48 && f.nHeight >= 48)
            << ZI_GetFormatName(f);
        EXPECT_EQ(image.dwBytesInRes, image.data.size());
    }
    // A 256 x 256 PNG keeps its size in the directory as 0, and packs and unpacks like any image.
    CIcon again;
    ASSERT_TRUE(again.SetData(icon.GetData(-1)));
    EXPECT_EQ(again.GetImage(0).bWidth, 0);
    EXPECT_EQ(again.GetImage(0).Format(), (ZI_FORMAT{256, 256, 32}));
    EXPECT_FALSE(again.GetHBITMAP(0).IsNull());
    // Compressing is for 32-bit DIB images only.
    ZI_IMAGE png = again.GetImage(0);
    EXPECT_FALSE(ZI_CompressImage(png));
    ZI_IMAGE dib = CIcon::NewImage({16, 16, 24});
    EXPECT_FALSE(ZI_CompressImage(dib));
}

TEST_F(PngImages, TheOptionsSetTheMinimum) {
    CZsMemIni ini;
    ZI_ApplyPngOption(ini);
    EXPECT_EQ(ZI_GetPngMinSize(), 0);
    ZS_OPT_PNG_SIZE.Set(128, ini);
    ZI_ApplyPngOption(ini);
    EXPECT_EQ(ZI_GetPngMinSize(), 0);
    ZS_OPT_PNG.Set(true, ini);
    ZI_ApplyPngOption(ini);
    EXPECT_EQ(ZI_GetPngMinSize(), 128);
    ZS_OPT_PNG_SIZE.Set(-5, ini);
    ZI_ApplyPngOption(ini);
    EXPECT_EQ(ZI_GetPngMinSize(), 1);
    ZS_OPT_PNG.Set(false, ini);
    ZI_ApplyPngOption(ini);
    EXPECT_EQ(ZI_GetPngMinSize(), 0);
}
