#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsPicture.h"

namespace {

// Colours, a transparent pixel whose colour is not black, and a half-transparent one.
CZsBitmap Sample() {
    CZsBitmap bmp(9, 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 9; ++x) {
            bmp.At(x, y) = ZsArgb(255, 28 * x, 40 * y, 255 - 20 * x);
        }
    }
    bmp.At(0, 0) = 0x00123456;
    bmp.At(8, 5) = ZsArgb(128, 255, 10, 0);
    return bmp;
}

// A still-image header that says the file is animated: RIFF, WEBP, a VP8X chunk with the animation flag.
ZsBlock AnimatedHeader() {
    ZsBlock b = {'R', 'I', 'F', 'F', 22, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X', 10, 0, 0, 0};
    const uint8_t flags[10] = {0x02, 0, 0, 0, 15, 0, 0, 15, 0, 0};
    b.insert(b.end(), flags, flags + 10);
    return b;
}

}  // namespace

TEST(ZsWebp, LosslessRoundTripIsExact) {
    const CZsBitmap src = Sample();
    const ZsBlock bytes = ZsEncodePicture(src, ZS_PIC_WEBP);
    ASSERT_FALSE(bytes.empty());
    std::string sError;
    const CZsBitmap back = ZsDecodePicture(bytes, &sError);
    ASSERT_FALSE(back.IsNull()) << sError;
    EXPECT_EQ(back.Pixels(), src.Pixels());
    // A picture without any transparency stays opaque.
    const CZsBitmap opaque(40, 3, 32, 0xFF20A0F0);
    EXPECT_EQ(ZsDecodeWebp(ZsEncodeWebp(opaque)).Pixels(), opaque.Pixels());
    // The type tables know WebP as type 7, after the icon file and library.
    EXPECT_EQ(ZsFindEncoder("image/webp"), ZS_PIC_WEBP);
    EXPECT_STREQ(ZsGetExportExt(ZS_PIC_WEBP), "webp");
    EXPECT_STREQ(ZsGetExportTypeName(ZS_PIC_WEBP), "WebP (*.webp)");
    EXPECT_EQ(ZsGetPictureMimeType(ZS_EXPORT_ICO), nullptr);
    EXPECT_TRUE(ZsEncodeWebp(CZsBitmap(16384, 1)).empty());
}

TEST(ZsWebp, AnimatedTruncatedAndDamagedFilesAreRefused) {
    std::string sError;
    EXPECT_TRUE(ZsDecodePicture(AnimatedHeader(), &sError).IsNull());
    EXPECT_NE(sError.find("animated WebP"), std::string::npos) << sError;

    const ZsBlock bytes = ZsEncodePicture(Sample(), ZS_PIC_WEBP);
    for (size_t len = 0; len < bytes.size(); ++len) {
        // An exact-size copy, so that a read past the end is an overrun under the sanitizers.
        const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(len));
        sError.clear();
        const CZsBitmap bmp = ZsDecodePicture(part, &sError);
        EXPECT_TRUE(bmp.IsNull()) << len;
        EXPECT_FALSE(sError.empty()) << len;
    }
    for (size_t i = 12; i < bytes.size(); ++i) {
        std::vector<uint8_t> bad = bytes;
        bad[i] ^= 0xA5;
        const CZsBitmap bmp = ZsDecodePicture(bad);
        EXPECT_TRUE(bmp.IsNull() || (bmp.Width() <= 16383 && bmp.Height() <= 16383));
    }
}

TEST(ZsWebp, OtherReadersAgree) {
    ASSERT_TRUE(test::HaveTools({"convert", "dwebp"}));
    test::TempDir dir;
    const CZsBitmap src = Sample();
    ASSERT_TRUE(ZsSaveBitmapFile(src, dir / "ours.webp", ZS_PIC_WEBP));
    // Our file read by dwebp, and by ImageMagick, comes back pixel for pixel.
    const std::string sDir = dir.Path().string();
    ASSERT_EQ(std::system(("dwebp -quiet '" + sDir + "/ours.webp' -o '" + sDir + "/dwebp.png'").c_str()), 0);
    EXPECT_EQ(ZsLoadPicture(dir / "dwebp.png").Pixels(), src.Pixels());
    ASSERT_EQ(std::system(("convert '" + sDir + "/ours.webp' '" + sDir + "/magick.png' 2>/dev/null").c_str()),
              0);
    const CZsBitmap magick = ZsLoadPicture(dir / "magick.png");
    ASSERT_EQ(magick.Width(), 9);
    EXPECT_EQ(magick.At(4, 3), src.At(4, 3));
    EXPECT_EQ(magick.At(8, 5), src.At(8, 5));
    // A lossless WebP that ImageMagick wrote is read exactly.
    ASSERT_TRUE(ZsSaveBitmapFile(src, dir / "src.png", ZS_PIC_PNG));
    ASSERT_EQ(
        std::system(("convert '" + sDir + "/src.png' -define webp:lossless=true -define webp:exact=true '" +
                     sDir + "/magick.webp' 2>/dev/null")
                        .c_str()),
        0);
    const CZsBitmap theirs = ZsLoadPicture(dir / "magick.webp");
    ASSERT_EQ(theirs.Width(), 9);
    EXPECT_EQ(theirs.At(3, 2), src.At(3, 2));
    EXPECT_EQ(theirs.At(8, 5), src.At(8, 5));
}

TEST(ZsWebp, FewBytesCannotClaimAHugePicture) {
    // A flat lossless picture whose header then claims 11000 x 11000 pixels (within the limits of any
    // picture): one colour could fill them all from these few bytes, so the size alone refuses it.
    ZsBlock flat = ZsEncodeWebp(CZsBitmap(64, 64, 32, 0xFF336699));
    ASSERT_GT(flat.size(), 25u);
    ASSERT_EQ(std::string(flat.begin() + 12, flat.begin() + 16), "VP8L");
    const uint32_t bits =
        (flat[21] | flat[22] << 8 | flat[23] << 16 | uint32_t{flat[24]} << 24) & 0xF0000000u;
    const uint32_t huge = bits | 10999u | 10999u << 14;
    for (int i = 0; i < 4; ++i) {
        flat[21 + i] = static_cast<uint8_t>(huge >> (8 * i));
    }
    std::string sError;
    EXPECT_TRUE(ZsDecodeWebp(flat, &sError).IsNull());
    EXPECT_NE(sError.find("more than its"), std::string::npos) << sError;
    // A real picture of some size is read.
    CZsBitmap noisy(300, 200);
    uint32_t seed = 1;
    for (uint32_t& p : noisy.Pixels()) {
        seed = seed * 1103515245 + 12345;
        p = 0xFF000000u | (seed >> 8);
    }
    EXPECT_EQ(ZsDecodeWebp(ZsEncodeWebp(noisy)).Pixels(), noisy.Pixels());
}
