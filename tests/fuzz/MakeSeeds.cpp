// Writes the seed corpora of the fuzz targets: small inputs made by our own encoders and fixture builders,
// and by the picture libraries for the variants our encoders never write (palettes, interlacing, other
// depths and compressions). Seeds are kept tiny, so that a target runs thousands of inputs a second.
//
//   fuzz_make_seeds FOLDER    writes FOLDER/<corpus>/<seed> for every corpus
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// After <cstdio>: the JPEG header needs FILE.
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <sqlite3.h>
#include <tiffio.h>
#include <webp/encode.h>

#include "ModuleFixtures.h"
#include "TestSupport.h"
#include "common/ZsByteReader.h"
#include "common/ZsConfig.h"
#include "icon/ZsCodec.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPe.h"
#include "icon/ZsPicture.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

namespace {

namespace fs = std::filesystem;

fs::path gOut;
int gFailures = 0;

void Put(const char* pszCorpus, const std::string& sName, ZsBytes bytes) {
    if (bytes.empty() || !ZsWriteFile(gOut / pszCorpus / sName, bytes)) {
        std::fprintf(stderr, "cannot make %s/%s\n", pszCorpus, sName.c_str());
        ++gFailures;
    }
}

// A small picture with every kind of pixel: opaque colours, half-transparent black, fully transparent.
CZsBitmap Picture(int w, int h) {
    CZsBitmap bmp(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const unsigned a = (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 128 : 255;
            bmp.At(x, y) = a == 128 ? ZsArgb(128, 0, 0, 0) : ZsArgb(a, 40 * x & 0xFF, 60 * y & 0xFF, 200);
        }
    }
    return bmp;
}

// ---- Icons

ZsBlock IconOf(const std::vector<ZI_FORMAT>& formats, const CZsBitmap& source) {
    CIcon icon;
    icon.AddFormats(formats, &source);
    return icon.GetData();
}

void IcoSeeds() {
    const CZsBitmap pic = Picture(8, 8);
    Put("ico", "xp.ico", IconOf({{4, 4, 32}}, pic));
    Put("ico", "depths.ico", IconOf({{8, 8, 32}, {8, 8, 24}, {8, 8, 8}, {8, 8, 4}, {8, 8, 1}}, pic));
    // A PNG image, and a DIB whose directory size is 0 so that the header gives it.
    test::IcoImage png{4, 4, 32, ZsEncodePicture(Picture(4, 4), ZS_PIC_PNG)};
    test::IcoImage dib = test::DibImage(4, 4, 32, 0x40);
    dib.bWidth = dib.bHeight = 0;
    Put("ico", "png-and-sized-by-header.ico", test::MakeIco({png, dib}));
    // 32 bits with an all-zero alpha channel (drawn through the mask), and 16 bits.
    test::IcoImage masked = test::DibImage(4, 4, 32, 0x00);
    masked.data[masked.data.size() - 16] = 0xA0;
    Put("ico", "mask-and-16-bits.ico", test::MakeIco({masked, test::DibImage(4, 4, 16, 0x3C)}));
}

// ---- Apple icon files and cursors

void PutBE32(ZsBlock& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

void PutLE32(ZsBlock& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

ZsBlock IcnsOf(const std::vector<std::pair<std::string, ZsBlock>>& entries) {
    ZsBlock out{'i', 'c', 'n', 's'};
    ZsBlock body;
    for (const auto& [type, data] : entries) {
        body.insert(body.end(), type.begin(), type.end());
        PutBE32(body, static_cast<uint32_t>(data.size() + 8));
        body.insert(body.end(), data.begin(), data.end());
    }
    PutBE32(out, static_cast<uint32_t>(body.size() + 8));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

ZsBlock RiffChunk(const char* pszId, const ZsBlock& data) {
    ZsBlock out(pszId, pszId + 4);
    PutLE32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
    return out;
}

void IcnsAndCursorSeeds() {
    CIcon icon;
    icon.SetData(IconOf({{16, 16, 32}, {4, 4, 8}}, Picture(8, 8)));
    Put("icns", "png.icns", ZI_IconToIcns(icon));
    // Classic RGB planes in runs and literals with an 8-bit mask, an ARGB entry and a JPEG 2000 stub.
    ZsBlock rgb;
    for (const uint8_t v : {0x10, 0x20, 0x30}) {
        rgb.insert(rgb.end(), {0x01, v, v, 0xFF, v, 0xF9, v});
    }
    ZsBlock argb{'A', 'R', 'G', 'B'};
    for (const uint8_t v : {0x80, 0x01, 0x02, 0x03}) {
        argb.insert(argb.end(), {0xFF, v, 0xFB, v});
    }
    Put("icns", "classic.icns",
        IcnsOf({{"is32", rgb},
                {"s8mk", ZsBlock(256, 0x80)},
                {"ic04", argb},
                {"ic08", {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}}}));

    CIcon small;
    small.SetData(IconOf({{8, 8, 32}, {4, 4, 4}}, Picture(8, 8)));
    const ZsBlock cur = ZI_IconToCursor(small, 3, 2);
    Put("cur", "two.cur", cur);
    ZsBlock header;
    for (const uint32_t v : {36u, 2u, 2u, 0u, 0u, 0u, 0u, 10u, 1u}) {
        PutLE32(header, v);
    }
    ZsBlock frames{'f', 'r', 'a', 'm'};
    for (const ZsBlock& f : {cur, IconOf({{4, 4, 32}}, Picture(4, 4))}) {
        const ZsBlock c = RiffChunk("icon", f);
        frames.insert(frames.end(), c.begin(), c.end());
    }
    ZsBlock body{'A', 'C', 'O', 'N'};
    for (const ZsBlock& c : {RiffChunk("anih", header), RiffChunk("rate", {10, 0, 0, 0, 10, 0, 0, 0}),
                             RiffChunk("LIST", frames)}) {
        body.insert(body.end(), c.begin(), c.end());
    }
    Put("ani", "two-frames.ani", RiffChunk("RIFF", body));
}

// ---- Pictures

struct PngWriteState {
    ZsBlock out;
};

void PngWriteFn(png_structp png, png_bytep p, size_t n) {
    auto* s = static_cast<PngWriteState*>(png_get_io_ptr(png));
    s->out.insert(s->out.end(), p, p + n);
}
void PngFlushFn(png_structp) {}

// A PNG of rows given as bytes in the layout of the colour type and depth; a compression buffer of
// nBufferSize bytes splits the image data into chunks of that size.
ZsBlock WritePng(int w, int h, int nColorType, int nDepth, bool bInterlace,
                 const std::function<std::vector<uint8_t>(int y)>& row, bool bPalette = false,
                 size_t nBufferSize = 8192) {
    PngWriteState s;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &s, PngWriteFn, PngFlushFn);
    png_set_compression_buffer_size(png, nBufferSize);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), nDepth, nColorType,
                 bInterlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (bPalette) {
        png_color colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        png_byte alpha[4] = {0, 128, 255, 255};
        png_set_PLTE(png, info, colours, 4);
        png_set_tRNS(png, info, alpha, 4, nullptr);
    }
    png_write_info(png, info);
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y) {
        rows.push_back(row(y));
    }
    for (auto& r : rows) {
        pointers.push_back(r.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return s.out;
}

void PngSeeds() {
    Put("png", "rgba.png", ZsEncodePicture(Picture(4, 4), ZS_PIC_PNG));
    Put("png", "palette-interlaced.png",
        WritePng(
            8, 8, PNG_COLOR_TYPE_PALETTE, 2, true,
            [](int y) {
                return std::vector<uint8_t>{static_cast<uint8_t>(0x1B * (y + 1)), 0xE4};
            },
            true));
    Put("png", "grey-16.png", WritePng(3, 3, PNG_COLOR_TYPE_GRAY, 16, false, [](int y) {
            return std::vector<uint8_t>{0, static_cast<uint8_t>(y * 90), 0x80, 0, 0xFF, 0xFF};
        }));
    Put("png", "grey-alpha.png", WritePng(2, 2, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, [](int y) {
            return std::vector<uint8_t>{static_cast<uint8_t>(y * 200), 0x40, 0xFF, 0x00};
        }));
    // 8-bit RGB and grey, which the inflating decoder takes, with every filter (libpng chooses per row) and
    // the image data in many small chunks.
    Put("png", "rgb-chunked.png",
        WritePng(
            6, 5, PNG_COLOR_TYPE_RGB, 8, false,
            [](int y) {
                std::vector<uint8_t> row;
                for (int i = 0; i < 18; ++i) {
                    row.push_back(static_cast<uint8_t>(i * 13 + y * 40 + (i * y % 5) * 17));
                }
                return row;
            },
            false, 16));
    Put("png", "grey-chunked.png",
        WritePng(
            12, 4, PNG_COLOR_TYPE_GRAY, 8, false,
            [](int y) {
                std::vector<uint8_t> row;
                for (int i = 0; i < 12; ++i) {
                    row.push_back(static_cast<uint8_t>(i * i * 3 + y * 61));
                }
                return row;
            },
            false, 12));
    Put("png", "bilevel.png", WritePng(9, 2, PNG_COLOR_TYPE_GRAY, 1, false, [](int y) {
            return std::vector<uint8_t>{static_cast<uint8_t>(0xA5 ^ y), 0x80};
        }));
}

// A BMP file of the given info header (without the file header), colour table or masks, and pixels.
ZsBlock Bmp(const ZsBlock& header, const ZsBlock& table, const ZsBlock& pixels) {
    ZsBlock b{'B', 'M'};
    const uint32_t nOffset = static_cast<uint32_t>(14 + header.size() + table.size());
    ZsPutU32(b, static_cast<uint32_t>(nOffset + pixels.size()));
    ZsPutU32(b, 0);
    ZsPutU32(b, nOffset);
    b.insert(b.end(), header.begin(), header.end());
    b.insert(b.end(), table.begin(), table.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

ZsBlock InfoHeader(int32_t w, int32_t h, uint16_t nBits, uint32_t nCompression, uint32_t nClrUsed = 0) {
    ZsBlock b;
    ZsPutU32(b, 40);
    ZsPutU32(b, static_cast<uint32_t>(w));
    ZsPutU32(b, static_cast<uint32_t>(h));
    ZsPutU16(b, 1);
    ZsPutU16(b, nBits);
    ZsPutU32(b, nCompression);
    ZsPutU32(b, 0);
    ZsPutU32(b, 2835);
    ZsPutU32(b, 2835);
    ZsPutU32(b, nClrUsed);
    ZsPutU32(b, 0);
    return b;
}

ZsBlock Table(unsigned nColours) {
    ZsBlock t;
    for (unsigned i = 0; i < nColours; ++i) {
        ZsPutU32(t, 0x00102030u * (i + 1));
    }
    return t;
}

void BmpSeeds() {
    Put("bmp", "argb.bmp", ZsEncodePicture(Picture(4, 4), ZS_PIC_BMP));
    // Rows padded to four bytes.
    Put("bmp", "rgb-24.bmp", Bmp(InfoHeader(3, 2, 24, 0), {}, ZsBlock(24, 0x5A)));
    Put("bmp", "palette-8-short-table.bmp",
        Bmp(InfoHeader(4, 2, 8, 0, 3), Table(3), {0, 1, 2, 1, 2, 1, 0, 2}));
    Put("bmp", "palette-4.bmp", Bmp(InfoHeader(3, 2, 4, 0), Table(16), {0x12, 0x30, 0, 0, 0xAB, 0xC0, 0, 0}));
    Put("bmp", "mono-top-down.bmp",
        Bmp(InfoHeader(9, -2, 1, 0), Table(2), {0xA5, 0x80, 0, 0, 0x5A, 0, 0, 0}));
    // Runs, an absolute run, a move, an end of line and the end of the picture.
    Put("bmp", "rle8.bmp",
        Bmp(InfoHeader(6, 3, 8, 1, 4), Table(4), {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 1, 2, 2, 0, 1}));
    Put("bmp", "rle4.bmp", Bmp(InfoHeader(6, 2, 4, 2), Table(16), {4, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1}));
    // 16 bits as 5-6-5 by bit fields after the header, and 32 bits with an alpha mask in a V4-size header.
    ZsBlock masks565;
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) {
        ZsPutU32(masks565, m);
    }
    Put("bmp", "bitfields-16.bmp",
        Bmp(InfoHeader(2, 2, 16, 3), masks565, {0x1F, 0xF8, 0xE0, 0x07, 0, 0, 0xFF, 0xFF}));
    ZsBlock v4 = InfoHeader(2, 1, 32, 3);
    ZsSetU32(v4.data(), 56);
    for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
        ZsPutU32(v4, m);
    }
    Put("bmp", "bitfields-alpha.bmp", Bmp(v4, {}, {1, 2, 3, 0x80, 4, 5, 6, 0}));
    // The 12-byte header of the oldest BMP files, with a three-byte colour table.
    ZsBlock core;
    ZsPutU32(core, 12);
    ZsPutU16(core, 2);
    ZsPutU16(core, 2);
    ZsPutU16(core, 1);
    ZsPutU16(core, 1);
    Put("bmp", "core-header.bmp", Bmp(core, {0, 0, 0, 255, 255, 255}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}));
}

int GifWriteFn(GifFileType* gif, const GifByteType* p, int n) {
    auto* out = static_cast<ZsBlock*>(gif->UserData);
    out->insert(out->end(), p, p + n);
    return n;
}

// A GIF whose screen is larger than its frames: an interlaced frame with its own colours at an offset, after
// a comment, and a second frame.
ZsBlock GifFrames() {
    ZsBlock out;
    int nError = 0;
    GifFileType* gif = EGifOpen(&out, GifWriteFn, &nError);
    if (!gif) {
        return {};
    }
    GifColorType screen[2] = {{0, 0, 0}, {255, 255, 255}};
    GifColorType local[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
    ColorMapObject* pScreen = GifMakeMapObject(2, screen);
    ColorMapObject* pLocal = GifMakeMapObject(4, local);
    EGifSetGifVersion(gif, true);
    bool bOk = EGifPutScreenDesc(gif, 10, 9, 2, 0, pScreen) != GIF_ERROR;
    bOk = bOk && EGifPutComment(gif, "seed") != GIF_ERROR;
    const GifByteType gce[4] = {0x01, 0, 0, 3};
    bOk = bOk && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) != GIF_ERROR;
    bOk = bOk && EGifPutImageDesc(gif, 2, 1, 5, 6, true, pLocal) != GIF_ERROR;
    GifPixelType line[5];
    for (int y = 0; bOk && y < 6; ++y) {
        for (int x = 0; x < 5; ++x) {
            line[x] = static_cast<GifPixelType>((x + y) & 3);
        }
        bOk = EGifPutLine(gif, line, 5) != GIF_ERROR;
    }
    bOk = bOk && EGifPutImageDesc(gif, 0, 0, 2, 2, false, nullptr) != GIF_ERROR;
    for (int y = 0; bOk && y < 2; ++y) {
        line[0] = line[1] = 1;
        bOk = EGifPutLine(gif, line, 2) != GIF_ERROR;
    }
    bOk = EGifCloseFile(gif, &nError) != GIF_ERROR && bOk;
    GifFreeMapObject(pScreen);
    GifFreeMapObject(pLocal);
    return bOk ? out : ZsBlock();
}

void GifSeeds() {
    Put("gif", "transparent.gif", ZsEncodePicture(Picture(4, 4), ZS_PIC_GIF));
    Put("gif", "frames.gif", GifFrames());
}

struct JpegErr {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

[[noreturn]] void JpegErrExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErr*>(cinfo->err)->jump, 1);
}

// A JPEG of w x h made with the libjpeg settings the caller chooses.
ZsBlock WriteJpeg(int w, int h, J_COLOR_SPACE space, int nComponents,
                  const std::function<void(jpeg_compress_struct&)>& configure) {
    jpeg_compress_struct cinfo;
    JpegErr err;
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(pOut);
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &pOut, &nOut);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = nComponents;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE);
    configure(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w * nComponents));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<JSAMPLE>(i * 37 + cinfo.next_scanline * 11);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    ZsBlock out(pOut, pOut + nOut);
    jpeg_destroy_compress(&cinfo);
    std::free(pOut);
    return out;
}

void JpegSeeds() {
    Put("jpeg", "baseline.jpg", ZsEncodePicture(Picture(8, 8), ZS_PIC_JPEG));
    Put("jpeg", "progressive.jpg",
        WriteJpeg(16, 16, JCS_RGB, 3, [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }));
    Put("jpeg", "grey.jpg", WriteJpeg(8, 8, JCS_GRAYSCALE, 1, [](jpeg_compress_struct&) {}));
    Put("jpeg", "cmyk.jpg", WriteJpeg(8, 8, JCS_CMYK, 4, [](jpeg_compress_struct&) {}));
    // An EXIF block turning the picture clockwise, in Motorola byte order.
    ZsBlock exif = ZsEncodePicture(Picture(16, 8), ZS_PIC_JPEG);
    const uint8_t app1[] = {0xFF, 0xE1, 0, 34,   'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                            0,    1,    1, 0x12, 0,   3,   0,   0,   0, 1, 0,   6,   0, 0,  0, 0, 0, 0};
    exif.insert(exif.begin() + 2, std::begin(app1), std::end(app1));
    Put("jpeg", "exif-orientation.jpg", exif);
    Put("jpeg", "arithmetic-restart.jpg", WriteJpeg(16, 8, JCS_RGB, 3, [](jpeg_compress_struct& c) {
            c.arith_code = TRUE;
            c.restart_interval = 1;
        }));
}

// A TIFF written through libtiff into a temporary file: mode "w" (native order) or "wb" (big-endian).
ZsBlock WriteTiff(const char* pszMode, const std::function<bool(TIFF*)>& write) {
    const fs::path path = gOut / "seed.tif";
    TIFF* tif = TIFFOpen(path.c_str(), pszMode);
    if (!tif) {
        return {};
    }
    const bool bOk = write(tif);
    TIFFClose(tif);
    std::optional<ZsBlock> bytes = ZsReadFile(path);
    std::error_code ec;
    fs::remove(path, ec);
    return bOk && bytes ? *bytes : ZsBlock();
}

void TiffFields(TIFF* t, uint32_t w, uint32_t h, uint16_t nBits, uint16_t nSamples, uint16_t nPhotometric,
                uint16_t nCompression) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, nBits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, nSamples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, nPhotometric);
    TIFFSetField(t, TIFFTAG_COMPRESSION, nCompression);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

bool TiffRows(TIFF* t, uint32_t h, size_t nRowBytes) {
    std::vector<uint8_t> row(nRowBytes);
    for (uint32_t y = 0; y < h; ++y) {
        for (size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<uint8_t>(i * 29 + y * 7);
        }
        if (TIFFWriteScanline(t, row.data(), y, 0) < 0) {
            return false;
        }
    }
    return true;
}

void TiffSeeds() {
    Put("tiff", "rgba-lzw.tif", ZsEncodePicture(Picture(4, 4), ZS_PIC_TIFF));
    Put("tiff", "grey-big-endian.tif", WriteTiff("wb", [](TIFF* t) {
            TiffFields(t, 4, 3, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE);
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
            return TiffRows(t, 3, 4);
        }));
    Put("tiff", "palette-packbits.tif", WriteTiff("w", [](TIFF* t) {
            TiffFields(t, 4, 2, 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS);
            std::vector<uint16_t> r(16), g(16), b(16);
            for (size_t i = 0; i < 16; ++i) {
                r[i] = static_cast<uint16_t>(i * 4000);
                g[i] = static_cast<uint16_t>(65535 - i * 4000);
                b[i] = static_cast<uint16_t>(i * 1000);
            }
            TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
            return TiffRows(t, 2, 2);
        }));
    Put("tiff", "fax-g4.tif", WriteTiff("w", [](TIFF* t) {
            TiffFields(t, 16, 4, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4);
            return TiffRows(t, 4, 2);
        }));
    Put("tiff", "tiled-rgb16-deflate.tif", WriteTiff("w", [](TIFF* t) {
            TiffFields(t, 16, 16, 16, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
            std::vector<uint8_t> tile(16 * 16 * 6, 0x33);
            return TIFFWriteTile(t, tile.data(), 0, 0, 0, 0) >= 0;
        }));
}

// ---- Modules and the resource writer

std::vector<std::vector<test::IcoImage>> SmallGroups() {
    return {{test::DibImage(4, 4, 32, 0x21), test::DibImage(4, 4, 4, 0x12)}, {test::DibImage(2, 2, 1, 0x80)}};
}

void WebpSeeds() {
    Put("webp", "lossless-alpha.webp", ZsEncodePicture(Picture(6, 5), ZS_PIC_WEBP));
    const CZsBitmap pic = Picture(16, 16);
    uint8_t* pOut = nullptr;
    const size_t n =
        WebPEncodeBGRA(reinterpret_cast<const uint8_t*>(pic.Pixels().data()), 16, 16, 64, 80, &pOut);
    Put("webp", "lossy-alpha.webp", ZsBytes(pOut, n));
    WebPFree(pOut);
    const size_t m = WebPEncodeRGB(std::vector<uint8_t>(8 * 8 * 3, 0x80).data(), 8, 8, 24, 60, &pOut);
    Put("webp", "lossy.webp", ZsBytes(pOut, m));
    WebPFree(pOut);
}

void SvgSeeds() {
    const auto text = [](const char* pszName, std::string_view svg) {
        Put("svg", pszName, ZsBytes(reinterpret_cast<const uint8_t*>(svg.data()), svg.size()));
    };
    text("shapes.svg", R"svg(<?xml version="1.0"?>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="32" height="24"
     viewBox="0 0 32 24">
  <defs>
    <linearGradient id="g"><stop offset="0" stop-color="#f00"/><stop offset="1" stop-color="#00f"/></linearGradient>
    <filter id="b"><feGaussianBlur stdDeviation="1"/></filter>
    <clipPath id="c"><circle cx="16" cy="12" r="10"/></clipPath>
  </defs>
  <rect width="32" height="24" fill="url(#g)" clip-path="url(#c)"/>
  <path d="M2 2 Q16 30 30 2 Z" fill="none" stroke="#0a0" stroke-width="2" filter="url(#b)" opacity="0.7"/>
  <use xlink:href="#c" transform="scale(0.5)"/>
  <text x="4" y="20" font-size="6">Ab</text>
</svg>
)svg");
    text("viewbox-only.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 20">
<ellipse cx="5" cy="10" rx="5" ry="9" fill="#c60" fill-opacity="0.5"/></svg>)svg");
    text("styled.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="2em" height="16pt">
<style>rect { fill: #123; stroke: rgb(200,0,0) }</style>
<g transform="rotate(30 8 8)"><rect x="2" y="2" width="12" height="12"/></g></svg>)svg");
}

void ModuleSeeds() {
    Put("module", "ne.icl", test::MakeNe(SmallGroups(), {"ICL", "A", "@"}).bytes);
    std::vector<test::PeRes> res = test::IconResources(SmallGroups(), {u"main", 7});
    res.push_back(test::PeRes{301, 1, 0, test::NamesBytes({"ICL", "A", "B"})});
    Put("module", "pe32.dll", test::MakePe(res).bytes);
    test::PeOptions opt;
    opt.b64 = true;
    opt.bChecksum = true;
    opt.bResourceFirst = true;
    opt.overlay = {1, 2, 3, 4};
    Put("module", "pe64.exe", test::MakePe(test::IconResources(SmallGroups(), {1, 2}), opt).bytes);
    Put("module", "template.icl", ZsMakeTemplateModule());
}

// The writer's input: the template's length in two bytes, the template, the icon.
ZsBlock WriterInput(const ZsBlock& temp, const ZsBlock& icon) {
    ZsBlock b;
    ZsPutU16(b, static_cast<uint16_t>(temp.size()));
    b.insert(b.end(), temp.begin(), temp.end());
    b.insert(b.end(), icon.begin(), icon.end());
    return b;
}

void WriterSeeds() {
    const CZsBitmap pic = Picture(4, 4);
    Put("icl_writer", "template.bin",
        WriterInput(ZsMakeTemplateModule(), IconOf({{4, 4, 32}, {4, 4, 8}}, pic)));
    std::vector<test::PeRes> res = test::IconResources(SmallGroups(), {1, u"two"});
    res.push_back(test::PeRes{301, 1, 0, test::NamesBytes({"ICL", "A", "B"})});
    test::PeOptions opt;
    opt.bChecksum = true;
    opt.overlay = {9, 9};
    Put("icl_writer", "module-with-groups.bin",
        WriterInput(test::MakePe(res, opt).bytes, IconOf({{2, 2, 1}}, pic)));
    opt = {};
    opt.b64 = true;
    opt.bResourceFirst = true;
    test::IcoImage png{4, 4, 32, ZsEncodePicture(pic, ZS_PIC_PNG)};
    Put("icl_writer", "resources-first-png.bin",
        WriterInput(test::MakePe(test::IconResources(SmallGroups(), {1, 2}), opt).bytes,
                    test::MakeIco({png})));
}

// ---- Library, configuration and search

// A library file squeezed into pages of 512 bytes.
void PutLibrary(const std::string& sName, const std::function<void(CZsIconLib&, CZsCategoryTree&)>& fill) {
    const fs::path path = gOut / "library" / sName;
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    fill(lib, tree);
    const bool bSaved = lib.Save(path);
    lib.Close();
    sqlite3* db = nullptr;
    const bool bSmall =
        bSaved && sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
        sqlite3_exec(db, "PRAGMA page_size=512; VACUUM;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    if (!bSmall) {
        std::fprintf(stderr, "cannot make library/%s\n", sName.c_str());
        ++gFailures;
    }
}

void LibrarySeeds() {
    PutLibrary("new.pctv", [](CZsIconLib&, CZsCategoryTree&) {});
    PutLibrary("icons.pctv", [](CZsIconLib& lib, CZsCategoryTree& tree) {
        const CZsBitmap pic = Picture(4, 4);
        const std::string names[3] = {"Star", "Moon", ""};
        ZIL_LIST all, some;
        for (int i = 0; i < 3; ++i) {
            const int32_t nId = lib.ImpIcon(IconOf({{4, 4, 32}, {2, 2, 1 << i}}, pic), &names[i]);
            lib.SetIconKeywords(nId, i == 1 ? "night, sky" : "");
            all.push_back(nId);
        }
        some = {all[2], all[0]};
        lib.ListToNode(ZIL_ID_ALL, all);
        ZsTreeItem first = tree.GetChildItem(tree.GetRootItem());
        lib.ListToNode(static_cast<int32_t>(tree.GetItemData(first)), some);
        lib.NewNode(first, ZS_TI_LAST, "Sub \xC3\xA9t\xC3\xA9");
    });
}

void ConfigSeeds() {
    const fs::path path = gOut / "config" / "utf16.ini";
    CZsMemIni ini;
    ini.Load(path);
    ini.SetString("Root", "1", nullptr);
    ini.SetInt("IconViewFormat", 33028, "Main");
    ini.SetString("ImpIconInitDir", "/home/\xC3\xA9", "Main");
    ini.SetList("CDlgIconFind", {"star", "moon"});
    ini.SetIntList("CDlgNewFmts", {2097184, 1048608, -1});
    ini.SetString("IDC_CHK_SQR", "0x1F", "CDlgOpt");
    if (!ini.Save()) {
        std::fprintf(stderr, "cannot make config/utf16.ini\n");
        ++gFailures;
    }
    const std::string text =
        "[Main]\r\nIconViewFormat= -12\r\n=\r\nnovalue\r\n[CDlgIconFind]\r\n0=a=b\r\n1=c\r\n";
    Put("config", "utf8.ini", ZsBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

void FindSeed(const std::string& sName, uint8_t nOptions, const std::string& sLines) {
    ZsBlock b{nOptions};
    b.insert(b.end(), sLines.begin(), sLines.end());
    Put("find", sName, b);
}

void FindSeeds() {
    // Options: 1 case, 2 whole word, 4 regular expression, 8 names, 16 keywords.
    FindSeed("plain", 8 | 16, "star\nStar\nnight sky\n\xC3\x84rger\nSTAR\n\nblue");
    FindSeed("whole-word-case", 1 | 2 | 8 | 16, "Star 2\nStar 2\n\nstar 2\nStar 2");
    FindSeed("fold-beyond-ascii", 8,
             "xk\nx\xE2\x84\xAAy\n\nstra\xC3\x9F"
             "e\n");
    FindSeed("regex", 4 | 8 | 16, "^st.r$|(a|b)*c\nstar\nabababc\nstars\nmoon");
    FindSeed("regex-whole-word", 2 | 4 | 8, "[[:alpha:]]+\\d{2,}\nicon42\nicon\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    gOut = argv[1];
    ZsSetLogSink([](const std::string&) {});
    for (const char* pszCorpus : {"ico", "png", "bmp", "gif", "jpeg", "tiff", "webp", "svg", "module",
                                  "icl_writer", "library", "config", "find", "icns", "cur", "ani"}) {
        std::error_code ec;
        fs::create_directories(gOut / pszCorpus, ec);
    }
    IcoSeeds();
    IcnsAndCursorSeeds();
    PngSeeds();
    BmpSeeds();
    GifSeeds();
    JpegSeeds();
    TiffSeeds();
    WebpSeeds();
    SvgSeeds();
    ModuleSeeds();
    WriterSeeds();
    LibrarySeeds();
    ConfigSeeds();
    FindSeeds();
    return gFailures == 0 ? 0 : 1;
}
