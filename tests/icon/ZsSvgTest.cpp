#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "ToolCheck.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"

namespace {

ZsBlock Bytes(const std::string& text) {
    return ZsBlock(text.begin(), text.end());
}

// 24 vertical stripes of one unit, red and transparent in turn, in a 24-unit square.
std::string Stripes() {
    std::string s = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">)";
    for (int x = 0; x < 24; x += 2) {
        s += "<rect x=\"" + std::to_string(x) + "\" y=\"0\" width=\"1\" height=\"24\" fill=\"#f00\"/>";
    }
    return s + "</svg>";
}

const char* const kLogo = R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <circle cx="32" cy="32" r="28" fill="#2a7" stroke="#135" stroke-width="3"/>
  <path d="M20 34 L28 42 L46 22" fill="none" stroke="#fff" stroke-width="6"/>
</svg>
)";

CZsBitmap ImageOf(const ZsBlock& block, int nSize) {
    CIcon icon;
    EXPECT_TRUE(icon.SetData(block));
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        if (icon.GetImage(i).Format() == ZI_FORMAT{nSize, nSize, 32}) {
            return icon.GetHBITMAP(i);
        }
    }
    ADD_FAILURE() << "no " << nSize << " image";
    return {};
}

}  // namespace

TEST(ZsSvg, IconsAreDrawnAtEverySize) {
    std::string sError;
    const ZsBlock block = ZI_SvgToIcon(Bytes(Stripes()), {}, &sError);
    ASSERT_FALSE(block.empty()) << sError;
    CIcon icon;
    ASSERT_TRUE(icon.SetData(block));
    ASSERT_EQ(icon.GetImageCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(icon.GetImage(i).Format(), (ZI_FORMAT{ZI_SVG_ICON_SIZES[i], ZI_SVG_ICON_SIZES[i], 32}));
    }
    // At 24 pixels each stripe is one whole pixel: drawn at that size, not scaled from a larger image.
    const CZsBitmap small = ImageOf(block, 24);
    for (int x = 0; x < 24; ++x) {
        EXPECT_EQ(small.At(x, 11), x % 2 == 0 ? 0xFFFF0000u : 0u) << x;
    }
    // Formats asked for are drawn and reduced to their depth.
    const std::vector<ZI_FORMAT> formats = {{20, 20, 32}, {48, 48, 8}};
    ASSERT_TRUE(icon.SetData(ZI_SvgToIcon(Bytes(kLogo), formats, &sError)));
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetImage(0).Format(), formats[0]);
    EXPECT_EQ(icon.GetImage(1).Format(), formats[1]);
    EXPECT_TRUE(ZI_SvgToIcon(Bytes(kLogo), std::vector<ZI_FORMAT>{{5000, 5000, 32}}, &sError).empty());
    EXPECT_NE(sError.find("4096"), std::string::npos) << sError;
}

TEST(ZsSvg, DrawingsKeepTheirAspectAndOwnSize) {
    const std::string wide = R"(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100">)"
                             R"(<rect width="200" height="100" fill="#00f"/></svg>)";
    CZsSvg drawing;
    ASSERT_TRUE(drawing.Load(Bytes(wide)));
    EXPECT_EQ(drawing.Width(), 200);
    EXPECT_EQ(drawing.Height(), 100);
    const CZsBitmap square = drawing.Render(32, 32);
    EXPECT_EQ(square.At(16, 3), 0u);
    EXPECT_EQ(square.At(16, 16), 0xFF0000FFu);
    EXPECT_EQ(square.At(16, 28), 0u);
    // As a picture (tiles, pastes, the picture decoder) a drawing has its own size.
    const CZsBitmap own = ZsDecodePicture(Bytes(wide));
    EXPECT_EQ(own.Width(), 200);
    EXPECT_EQ(own.Height(), 100);
    // A drawing with only a view box has that size; half-covered pixels come out straight, not premultiplied.
    const CZsBitmap half = ZsDecodePicture(
        Bytes(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 4 2"><rect width="4" height="2" )"
              R"(fill="#ff8000" fill-opacity="0.5"/></svg>)"));
    ASSERT_EQ(half.Width(), 4);
    EXPECT_NEAR(ZsAlpha(half.At(1, 1)), 128, 1);
    EXPECT_NEAR(ZsGreen(half.At(1, 1)), 0x80, 2);
    EXPECT_EQ(ZsRed(half.At(1, 1)), 255u);
}

TEST(ZsSvg, HostileDrawingsAreRefusedOrHarmless) {
    std::string sError;
    // A huge own size: icons are still drawn at their sizes, the picture of its own size is refused.
    const std::string huge =
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="100000000" height="100000000">)"
        R"(<rect width="100%" height="100%" fill="#0f0"/></svg>)";
    EXPECT_FALSE(ZI_SvgToIcon(Bytes(huge), {}, &sError).empty()) << sError;
    EXPECT_TRUE(ZsDecodePicture(Bytes(huge), &sError).IsNull());
    EXPECT_NE(sError.find("larger than 4096 x 4096"), std::string::npos) << sError;
    // Deep nesting ends in a refusal or a drawing, never in a crash.
    std::string deep = R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)";
    for (int i = 0; i < 100000; ++i) {
        deep += "<g>";
    }
    deep += R"(<rect width="16" height="16"/>)";
    for (int i = 0; i < 100000; ++i) {
        deep += "</g>";
    }
    deep += "</svg>";
    ZI_SvgToIcon(Bytes(deep), {}, &sError);
    // References multiplied by nested use elements stay within the renderer's limits.
    std::string bomb =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
        R"(width="16" height="16"><defs><rect id="a0" width="1" height="1"/>)";
    for (int i = 1; i < 40; ++i) {
        const std::string prev = "#a" + std::to_string(i - 1);
        bomb += "<g id=\"a" + std::to_string(i) + "\"><use xlink:href=\"" + prev + "\"/><use xlink:href=\"" +
                prev + "\"/></g>";
    }
    bomb += R"(</defs><use xlink:href="#a39"/></svg>)";
    ZI_SvgToIcon(Bytes(bomb), std::vector<ZI_FORMAT>{{16, 16, 32}}, &sError);
    // Too large a file is not parsed at all.
    std::string big = R"(<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16">)";
    big += std::string(ZS_MAX_SVG_FILE_BYTES, ' ') + "</svg>";
    EXPECT_TRUE(ZI_SvgToIcon(Bytes(big), {}, &sError).empty());
    EXPECT_NE(sError.find("larger than 10 MB"), std::string::npos) << sError;
    // Damaged XML is refused with a reason.
    EXPECT_TRUE(
        ZI_SvgToIcon(Bytes(R"(<svg xmlns="http://www.w3.org/2000/svg"><rect</svg>)"), {}, &sError).empty());
    EXPECT_NE(sError.find("damaged SVG"), std::string::npos) << sError;
}

TEST(ZsSvg, OtherFilesAreNeverReached) {
    test::TempDir dir;
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(8, 8, 32, 0xFFFF0000), dir / "red.png", ZS_PIC_PNG));
    {
        std::ofstream(dir / "other.svg") << R"(<svg xmlns="http://www.w3.org/2000/svg"><rect id="r" )"
                                            R"(width="16" height="16" fill="#f00"/></svg>)";
    }
    const std::string sDir = dir.Path().string();
    const std::string svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
        R"(width="16" height="16">)"
        R"(<image width="16" height="16" xlink:href="file://)" +
        sDir + R"(/red.png"/><image width="16" height="16" xlink:href="red.png"/>)" +
        R"(<use xlink:href="other.svg#r"/><use xlink:href="file://)" + sDir + R"(/other.svg#r"/></svg>)";
    { std::ofstream(dir / "refs.svg") << svg; }
    std::string sError;
    const ZsBlock block = ZI_LoadPictureIcon(dir / "refs.svg", ZI_SIZING_ENLARGE, &sError);
    ASSERT_FALSE(block.empty()) << sError;
    const CZsBitmap image = ImageOf(block, 16);
    for (uint32_t p : image.Pixels()) {
        ASSERT_EQ(p, 0u);
    }
}

TEST(ZsSvg, OtherRendererAgrees) {
    ASSERT_TRUE(test::HaveTools({"rsvg-convert"}));
    test::TempDir dir;
    { std::ofstream(dir / "logo.svg") << kLogo; }
    const std::string sDir = dir.Path().string();
    ASSERT_EQ(std::system(
                  ("rsvg-convert -w 16 -h 16 '" + sDir + "/logo.svg' -o '" + sDir + "/theirs.png'").c_str()),
              0);
    const CZsBitmap theirs = ZsLoadPicture(dir / "theirs.png");
    const CZsBitmap ours = ImageOf(ZI_LoadPictureIcon(dir / "logo.svg", ZI_SIZING_ENLARGE), 16);
    ASSERT_EQ(theirs.Width(), 16);
    ASSERT_EQ(ours.Width(), 16);
    // Channels differ by at most a few steps (rounding of premultiplied colours) where the pixel is visible.
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint32_t a = ours.At(x, y), b = theirs.At(x, y);
            EXPECT_NEAR(ZsAlpha(a), ZsAlpha(b), 2) << x << "," << y;
            if (ZsAlpha(a) > 32 && ZsAlpha(b) > 32) {
                EXPECT_NEAR(ZsRed(a), ZsRed(b), 8) << x << "," << y;
                EXPECT_NEAR(ZsGreen(a), ZsGreen(b), 8) << x << "," << y;
                EXPECT_NEAR(ZsBlue(a), ZsBlue(b), 8) << x << "," << y;
            }
        }
    }
}

TEST(ZsSvg, DrawingsAreRecognisedByTheirText) {
    EXPECT_TRUE(ZsIsSvg(Bytes("\xEF\xBB\xBF  \n<svg xmlns=\"http://www.w3.org/2000/svg\"/>")));
    EXPECT_TRUE(ZsIsSvg(Bytes(kLogo)));
    EXPECT_FALSE(ZsIsSvg(Bytes("<html><body>svg</body></html>")));
    EXPECT_FALSE(ZsIsSvg(Bytes("not <svg")));
    EXPECT_FALSE(ZsIsSvg(ZsBlock{}));
    std::string sError;
    EXPECT_TRUE(ZsDecodePicture(Bytes("<html/>"), &sError).IsNull());
    EXPECT_NE(sError.find("WebP or SVG"), std::string::npos);
}
