#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <random>

#include "TestSupport.h"
#include "icon/ZsPicture.h"
#include "icon/ZsPngInflate.h"

namespace {

// How libpng is to write a test picture.
struct PngOptions {
    int nColorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int nDepth = 8;
    int nFilters = PNG_ALL_FILTERS;
    bool bInterlace = false;
    // Small compression buffers split the image data into many chunks.
    size_t nBufferSize = 8192;
    int nWindowBits = 15;
    bool bTrns = false;
    bool bText = false;
};

void AppendBytes(png_structp png, png_bytep p, size_t n) {
    auto* out = static_cast<ZsBlock*>(png_get_io_ptr(png));
    out->insert(out->end(), p, p + n);
}

void NoFlush(png_structp) {}

// A w x h PNG of the options' layout; its samples are a gradient with noise in it, so that every filter
// finds rows it suits and the Paeth predictor takes each of its three choices.
ZsBlock WritePng(int w, int h, const PngOptions& o, uint32_t nSeed = 1) {
    ZsBlock out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), o.nDepth, o.nColorType,
                 o.bInterlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, o.nFilters);
    png_set_compression_buffer_size(png, o.nBufferSize);
    png_set_compression_window_bits(png, o.nWindowBits);
    if (o.nColorType == PNG_COLOR_TYPE_PALETTE) {
        png_color colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        png_set_PLTE(png, info, colours, 4);
    }
    if (o.bTrns) {
        png_color_16 colour{0, 10, 20, 30, 10};
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    if (o.bText) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<png_charp>("Comment");
        text.text = const_cast<png_charp>("made for a test");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    const size_t nRowBytes = png_get_rowbytes(png, info);
    std::mt19937 rng(nSeed);
    std::vector<ZsBlock> rows(static_cast<size_t>(h), ZsBlock(nRowBytes));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        ZsBlock& row = rows[static_cast<size_t>(y)];
        for (size_t i = 0; i < nRowBytes; ++i) {
            const unsigned v = (i * 7 + static_cast<unsigned>(y) * 5) + (rng() % 3 == 0 ? rng() % 64 : 0);
            row[i] = static_cast<uint8_t>(o.nColorType == PNG_COLOR_TYPE_PALETTE ? v % 4 : v);
        }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ZsDecodePng (which takes the inflating decoder where it can) against libpng alone: the same pixels, or
// the same sentence.
void ExpectDecodedAsByLibpng(const ZsBlock& bytes, const std::string& sWhat) {
    std::string sOurs, sLibpng;
    const CZsBitmap ours = ZsDecodePng(bytes, &sOurs);
    const CZsBitmap libpng = ZsDecodePngWithLibpng(bytes, &sLibpng);
    EXPECT_TRUE(ours == libpng) << sWhat;
    EXPECT_EQ(sOurs, sLibpng) << sWhat;
}

}  // namespace

TEST(ZsInflatePng, EveryFilterAndColourTypeDecodesAsLibpngDoes) {
    const int kColourTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                                PNG_COLOR_TYPE_RGB_ALPHA};
    const int kFilters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                            PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    const std::pair<int, int> kSizes[] = {{1, 1}, {2, 3}, {33, 17}, {300, 9}};
    for (int nColorType : kColourTypes) {
        for (int nFilters : kFilters) {
            for (auto [w, h] : kSizes) {
                PngOptions o;
                o.nColorType = nColorType;
                o.nFilters = nFilters;
                o.nBufferSize = 64;
                const ZsBlock bytes = WritePng(w, h, o);
                const std::string sWhat = "colour type " + std::to_string(nColorType) + ", filters " +
                                          std::to_string(nFilters) + ", " + std::to_string(w) + " x " +
                                          std::to_string(h);
                const CZsBitmap inflated = ZsInflatePng(bytes);
                ASSERT_FALSE(inflated.IsNull()) << sWhat;
                EXPECT_TRUE(inflated == ZsDecodePngWithLibpng(bytes)) << sWhat;
            }
        }
    }
}

TEST(ZsInflatePng, LeavesEveryOtherPngToLibpng) {
    const auto option = [](auto set) {
        PngOptions o;
        set(o);
        return o;
    };
    const std::pair<const char*, PngOptions> kOthers[] = {
        {"16 bits", option([](PngOptions& o) { o.nDepth = 16; })},
        {"a palette", option([](PngOptions& o) { o.nColorType = PNG_COLOR_TYPE_PALETTE; })},
        {"1-bit grey", option([](PngOptions& o) {
             o.nColorType = PNG_COLOR_TYPE_GRAY;
             o.nDepth = 1;
         })},
        {"interlaced", option([](PngOptions& o) { o.bInterlace = true; })},
        {"a transparent colour", option([](PngOptions& o) {
             o.nColorType = PNG_COLOR_TYPE_RGB;
             o.bTrns = true;
         })},
        // zlib keeps only the window the stream declares: 512 bytes here, less than the image data.
        {"a small window", option([](PngOptions& o) { o.nWindowBits = 9; })},
    };
    for (const auto& [pszWhat, o] : kOthers) {
        const ZsBlock bytes = WritePng(40, 20, o);
        EXPECT_TRUE(ZsInflatePng(bytes).IsNull()) << pszWhat;
        EXPECT_FALSE(ZsDecodePng(bytes).IsNull()) << pszWhat;
        ExpectDecodedAsByLibpng(bytes, pszWhat);
    }
    // A window that holds the whole image data is enough.
    PngOptions small;
    small.nWindowBits = 9;
    EXPECT_FALSE(ZsInflatePng(WritePng(4, 4, small)).IsNull());
}

// Image data that is well formed as far as its checksums go but not what the header implies is left to
// libpng, which says what is wrong, or reads what it can as before.
TEST(ZsInflatePng, ImageDataThatDoesNotFitTheHeaderIsLeftToLibpng) {
    const ZsBlock kRows = {0, 1, 2, 3, 0, 4, 5, 6};
    struct Case {
        const char* pszWhat;
        ZsBlock bytes;
    };
    const Case kCases[] = {
        {"whole", test::HandMadePng(3, 2, 8, 0, kRows)},
        {"a row missing", test::HandMadePng(3, 2, 8, 0, {0, 1, 2, 3})},
        {"a row too many", test::HandMadePng(3, 2, 8, 0, {0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9})},
        {"filter type 5", test::HandMadePng(3, 2, 8, 0, {0, 1, 2, 3, 5, 4, 5, 6})},
        {"an unknown critical chunk", test::HandMadePng(3, 2, 8, 0, kRows, {{"ABCD", {1}}})},
        {"a palette in an RGB picture",
         test::HandMadePng(1, 2, 8, 2, {0, 1, 2, 3, 0, 4, 5, 6}, {{"PLTE", {1, 2, 3}}})},
        {"a 256-byte window", test::HandMadePng(3, 2, 8, 0, kRows, {}, 8)},
        {"a window larger than zlib's", test::HandMadePng(3, 2, 8, 0, kRows, {}, 16)},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(ZsInflatePng(c.bytes).IsNull(),
                  std::string(c.pszWhat) != "whole" && std::string(c.pszWhat) != "a 256-byte window")
            << c.pszWhat;
        ExpectDecodedAsByLibpng(c.bytes, c.pszWhat);
    }
}

// Every prefix of a file, and every byte of it damaged, decodes exactly as libpng decodes it alone: the
// checks of the inflating decoder never let through what libpng refuses, nor refuse what it reads.
TEST(ZsInflatePng, DamagedAndTruncatedFilesDecodeAsByLibpng) {
    PngOptions o;
    o.nBufferSize = 48;
    o.bText = true;
    const ZsBlock bytes = WritePng(9, 7, o);
    ASSERT_FALSE(ZsInflatePng(bytes).IsNull());
    for (size_t len = 0; len < bytes.size(); ++len) {
        ExpectDecodedAsByLibpng(ZsBlock(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(len)),
                                "the first " + std::to_string(len) + " bytes");
    }
    for (size_t i = 8; i < bytes.size(); ++i) {
        for (uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
            ZsBlock bad = bytes;
            bad[i] ^= flip;
            ExpectDecodedAsByLibpng(bad, "byte " + std::to_string(i) + " ^ " + std::to_string(flip));
        }
    }
}

TEST(ZsInflatePng, PicturesTheDataCannotFillAreRefusedBeforeAllocating) {
    // 8192 x 8192 grey from a few bytes: the same refusal from either decoder.
    const ZsBlock lying = test::HandMadePng(8192, 8192, 8, 0, {0, 1});
    EXPECT_TRUE(ZsInflatePng(lying).IsNull());
    std::string sError;
    EXPECT_TRUE(ZsDecodePng(lying, &sError).IsNull());
    EXPECT_NE(sError.find("bytes of data can hold"), std::string::npos) << sError;
}
