#include "icon/ZsPicture.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "common/ZsByteReader.h"
#include "common/ZsFileBytes.h"
#include "common/ZsLog.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPngInflate.h"
#include "icon/ZsSvg.h"

namespace {

// What an in-memory stream may grow to.
constexpr uint64_t kMaxStreamBytes = UINT64_C(1) << 32;
// Picture files larger than this are not read at all.
constexpr uint64_t kMaxPictureFileBytes = UINT64_C(512) << 20;
// What compressed data can expand to at most, which bounds the pixels a file of a given size can fill:
// deflate ZS_MAX_DEFLATE_RATIO; a GIF's LZW code of 12 bits at most 4096 pixels (its table's longest
// string); a TIFF's LZW code as many bytes; PackBits 128 bytes from 2; a JPEG at least one bit per 8 x 8
// block with Huffman coding (arithmetic coding can go below: it is given eight times the room); a BMP run 255
// pixels from 2 bytes; a fax row (CCITT) at least one bit.
constexpr uint64_t kMaxGifPixelsPerByte = 2731;
constexpr uint64_t kMaxLzwRatio = 2731;
constexpr uint64_t kMaxPackBitsRatio = 64;
constexpr uint64_t kMaxJpegPixelsPerByte = 512;
constexpr uint64_t kMaxBmpRlePixelsPerByte = 128;
// Compressions of TIFF without a bound of their own (LZMA, Zstandard, ...) are trusted this far.
constexpr uint64_t kMaxOtherRatio = 1 << 16;

// a * b, or the largest value when the product does not fit.
uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

// ---- PNG
// ----------------------------------------------------------------------------------------------------

// What the libpng callbacks share. It lives on the heap so that it is intact after libpng jumps back.
struct PngState {
    CZsStream* pStream = nullptr;
    // The bytes come from input, or read as needed from pFile when it is set; nInputBytes counts them.
    ZsBytes input;
    std::FILE* pFile = nullptr;
    uint64_t nInputBytes = 0;
    size_t nPos = 0;
    std::string sError;
    CZsBitmap bmp;
    std::vector<png_bytep> rows;
};

[[noreturn]] void PngError(png_structp png, png_const_charp pszMessage) {
    auto* s = static_cast<PngState*>(png_get_error_ptr(png));
    s->sError = pszMessage ? pszMessage : "damaged PNG data";
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep pOut, size_t n) {
    auto* s = static_cast<PngState*>(png_get_io_ptr(png));
    if (s->pFile) {
        if (std::fread(pOut, 1, n, s->pFile) != n) {
            png_error(png, "the PNG data is truncated");
        }
        return;
    }
    if (n > s->input.size() - s->nPos) {
        png_error(png, "the PNG data is truncated");
    }
    std::memcpy(pOut, s->input.data() + s->nPos, n);
    s->nPos += n;
}

void PngWrite(png_structp png, png_bytep pIn, size_t n) {
    if (!static_cast<PngState*>(png_get_io_ptr(png))->pStream->Write(pIn, n)) {
        png_error(png, "the picture is too large to write");
    }
}

void PngFlush(png_structp) {}

bool PngDecodeInto(PngState& s) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        s.sError = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &s, PngRead);
    png_set_user_limits(png, ZS_MAX_PICTURE_SIDE, ZS_MAX_PICTURE_SIDE);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    // Each row is its bytes and a filter byte, all inflated from the file's bytes.
    if (!ZsCheckPngData(w, h, png_get_rowbytes(png, info) + 1, s.nInputBytes, &s.sError)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    // Whatever the colour type and depth, read 8-bit BGRA, which is 0xAARRGGBB in memory.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != 4 * static_cast<size_t>(w)) {
        s.sError = "the PNG has an unsupported pixel layout";
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    s.bmp = CZsBitmap(static_cast<int>(w), static_cast<int>(h));
    s.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) {
        s.rows[y] = reinterpret_cast<png_bytep>(s.bmp.Row(static_cast<int>(y)));
    }
    png_read_image(png, s.rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

ZsBlock EncodePng(const CZsBitmap& bmp) {
    CZsStream stream;
    auto s = std::make_unique<PngState>();
    s->pStream = &stream;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, s.get(), PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, s.get(), PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bmp.Width()), static_cast<png_uint_32>(bmp.Height()), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < bmp.Height(); ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(bmp.Row(y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return stream.Take();
}

// ---- JPEG
// ---------------------------------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char szMessage[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* e = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, e->szMessage);
    std::longjmp(e->jump, 1);
}

void JpegQuiet(j_common_ptr) {}

// Memory and scans a JPEG may cost: a few bytes of a damaged progressive file can otherwise ask for huge
// coefficient buffers or thousands of scans.
constexpr long kMaxJpegMemory = 512L << 20;
constexpr int kMaxJpegScans = 1000;

void JpegProgress(j_common_ptr cinfo) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxJpegScans) {
        auto* e = reinterpret_cast<JpegError*>(cinfo->err);
        std::snprintf(e->szMessage, sizeof e->szMessage, "more than %d scans", kMaxJpegScans);
        std::longjmp(e->jump, 1);
    }
}

struct JpegState {
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    CZsBitmap bmp;
    std::vector<uint8_t> row;
};

bool JpegDecodeInto(JpegState& s, ZsBytes bytes, std::string* pError) {
    s.cinfo.err = jpeg_std_error(&s.err.mgr);
    s.err.mgr.error_exit = JpegErrorExit;
    s.err.mgr.output_message = JpegQuiet;
    if (setjmp(s.err.jump)) {
        SetError(pError, ZsFormat("damaged JPEG data (%s)", s.err.szMessage));
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = kMaxJpegMemory;
    s.progress.progress_monitor = JpegProgress;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&s.cinfo, TRUE);
    const uint64_t nPerByte = s.cinfo.arith_code ? 8 * kMaxJpegPixelsPerByte : kMaxJpegPixelsPerByte;
    if (!ZsCheckPictureData(s.cinfo.image_width, s.cinfo.image_height, bytes.size(),
                            SaturatingProduct(bytes.size(), nPerByte), pError)) {
        jpeg_destroy_decompress(&s.cinfo);
        return false;
    }
    const bool bCmyk = s.cinfo.jpeg_color_space == JCS_CMYK || s.cinfo.jpeg_color_space == JCS_YCCK;
    s.cinfo.out_color_space = bCmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&s.cinfo);
    const int w = static_cast<int>(s.cinfo.output_width), h = static_cast<int>(s.cinfo.output_height);
    s.bmp = CZsBitmap(w, h);
    s.row.resize(4 * static_cast<size_t>(w));
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const int y = static_cast<int>(s.cinfo.output_scanline);
        JSAMPROW pRow = bCmyk ? s.row.data() : reinterpret_cast<JSAMPROW>(s.bmp.Row(y));
        jpeg_read_scanlines(&s.cinfo, &pRow, 1);
        if (bCmyk) {
            // CMYK JPEGs are stored inverted by convention, so each channel times K is the colour.
            uint32_t* out = s.bmp.Row(y);
            for (int x = 0; x < w; ++x) {
                const unsigned c = s.row[4 * x], m = s.row[4 * x + 1], yy = s.row[4 * x + 2],
                               k = s.row[4 * x + 3];
                out[x] = ZsArgb(255, c * k / 255, m * k / 255, yy * k / 255);
            }
        } else {
            uint32_t* out = s.bmp.Row(y);
            for (int x = 0; x < w; ++x) {
                out[x] |= 0xFF000000u;
            }
        }
    }
    jpeg_finish_decompress(&s.cinfo);
    jpeg_destroy_decompress(&s.cinfo);
    return true;
}

struct JpegWriteState {
    jpeg_compress_struct cinfo;
    JpegError err;
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
};

ZsBlock EncodeJpeg(const CZsBitmap& bmp) {
    auto s = std::make_unique<JpegWriteState>();
    s->cinfo.err = jpeg_std_error(&s->err.mgr);
    s->err.mgr.error_exit = JpegErrorExit;
    s->err.mgr.output_message = JpegQuiet;
    if (setjmp(s->err.jump)) {
        jpeg_destroy_compress(&s->cinfo);
        std::free(s->pOut);
        return {};
    }
    jpeg_create_compress(&s->cinfo);
    jpeg_mem_dest(&s->cinfo, &s->pOut, &s->nOut);
    s->cinfo.image_width = static_cast<JDIMENSION>(bmp.Width());
    s->cinfo.image_height = static_cast<JDIMENSION>(bmp.Height());
    s->cinfo.input_components = 4;
    s->cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&s->cinfo);
    jpeg_set_quality(&s->cinfo, 90, TRUE);
    jpeg_start_compress(&s->cinfo, TRUE);
    for (int y = 0; y < bmp.Height(); ++y) {
        JSAMPROW pRow = const_cast<JSAMPROW>(reinterpret_cast<const JSAMPLE*>(bmp.Row(y)));
        jpeg_write_scanlines(&s->cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&s->cinfo);
    ZsBlock out(s->pOut, s->pOut + s->nOut);
    jpeg_destroy_compress(&s->cinfo);
    std::free(s->pOut);
    return out;
}

// ---- GIF
// ----------------------------------------------------------------------------------------------------

int GifRead(GifFileType* gif, GifByteType* pOut, int n) {
    return static_cast<int>(static_cast<CZsStream*>(gif->UserData)->Read(pOut, static_cast<size_t>(n)));
}

int GifWrite(GifFileType* gif, const GifByteType* pIn, int n) {
    return static_cast<CZsStream*>(gif->UserData)->Write(pIn, static_cast<size_t>(n)) ? n : 0;
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

// The first frame of a GIF: its own rectangle, cut where it reaches past the logical screen. The screen
// around the frame is not part of the picture, so a screen size that the frame does not fill costs nothing.
CZsBitmap DecodeGif(ZsBytes bytes, std::string* pError) {
    CZsStream stream(bytes);
    int nError = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&stream, GifRead, &nError));
    if (!gif) {
        const char* pszReason = GifErrorString(nError);
        SetError(pError, ZsFormat("damaged GIF data (%s)", pszReason ? pszReason : "unreadable"));
        return {};
    }
    auto fail = [&](const char* pszWhat) {
        const char* pszReason = GifErrorString(gif->Error);
        SetError(pError, ZsFormat("damaged GIF data (%s)", pszReason ? pszReason : pszWhat));
        return CZsBitmap();
    };
    int nTransparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            return fail("bad record");
        }
        if (type == TERMINATE_RECORD_TYPE) {
            SetError(pError, "the GIF holds no image");
            return {};
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int nCode = 0;
            GifByteType* pExt = nullptr;
            if (DGifGetExtension(gif.get(), &nCode, &pExt) == GIF_ERROR) {
                return fail("bad extension");
            }
            if (nCode == GRAPHICS_EXT_FUNC_CODE && pExt && pExt[0] >= 4) {
                nTransparent = (pExt[1] & 1) ? pExt[4] : -1;
            }
            while (pExt) {
                if (DGifGetExtensionNext(gif.get(), &pExt) == GIF_ERROR) {
                    return fail("bad extension");
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            continue;
        }
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
            return fail("bad image descriptor");
        }
        const GifImageDesc& d = gif->Image;
        const ColorMapObject* pMap = d.ColorMap ? d.ColorMap : gif->SColorMap;
        if (!pMap || d.Width <= 0 || d.Height <= 0) {
            SetError(pError, "damaged GIF data (no colours or no pixels)");
            return {};
        }
        // The part of the frame on the screen (all of it when the screen has no size).
        int64_t cw = d.Width, ch = d.Height;
        if (gif->SWidth > 0 && gif->SHeight > 0) {
            cw = std::min<int64_t>(cw, static_cast<int64_t>(gif->SWidth) - d.Left);
            ch = std::min<int64_t>(ch, static_cast<int64_t>(gif->SHeight) - d.Top);
        }
        if (cw <= 0 || ch <= 0) {
            SetError(pError, "damaged GIF data (the image lies outside the screen)");
            return {};
        }
        // Every pixel of the frame is decoded, so it must be what the rest of the file can fill.
        const uint64_t nLeft = stream.Size() - stream.Tell();
        if (!ZsCheckPictureData(d.Width, d.Height, nLeft, SaturatingProduct(nLeft, kMaxGifPixelsPerByte),
                                pError)) {
            return {};
        }
        CZsBitmap bmp(static_cast<int>(cw), static_cast<int>(ch));
        std::vector<GifPixelType> line(static_cast<size_t>(d.Width));
        std::vector<int> order;
        if (d.Interlace) {
            const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = starts[pass]; y < d.Height; y += steps[pass]) {
                    order.push_back(y);
                }
            }
        } else {
            for (int y = 0; y < d.Height; ++y) {
                order.push_back(y);
            }
        }
        for (int y : order) {
            if (DGifGetLine(gif.get(), line.data(), d.Width) == GIF_ERROR) {
                return fail("truncated image");
            }
            if (y >= ch) {
                continue;
            }
            uint32_t* out = bmp.Row(y);
            for (int x = 0; x < cw; ++x) {
                const int c = line[static_cast<size_t>(x)];
                if (c == nTransparent) {
                    continue;
                }
                if (c < pMap->ColorCount) {
                    const GifColorType& rgb = pMap->Colors[c];
                    out[x] = ZsArgb(255, rgb.Red, rgb.Green, rgb.Blue);
                } else {
                    out[x] = 0xFF000000u;
                }
            }
        }
        return bmp;
    }
}

struct GifMapDeleter {
    void operator()(ColorMapObject* p) const { GifFreeMapObject(p); }
};

// One frame with a palette: the picture's own colours when they fit, else the fixed halftone palette. Pixels
// of alpha below 128 become the transparent colour.
ZsBlock EncodeGif(const CZsBitmap& bmp) {
    if (bmp.Width() > 65535 || bmp.Height() > 65535) {
        return {};
    }
    bool bTransparent = false;
    std::map<uint32_t, int> colours;
    for (uint32_t p : bmp.Pixels()) {
        if (ZsAlpha(p) < 128) {
            bTransparent = true;
        } else if (colours.size() <= 256) {
            colours.emplace(p & 0xFFFFFF, 0);
        }
    }
    const size_t nRoom = bTransparent ? 255 : 256;
    std::vector<uint32_t> palette;
    const bool bExact = colours.size() <= nRoom;
    if (bExact) {
        for (auto& [rgb, idx] : colours) {
            idx = static_cast<int>(palette.size());
            palette.push_back(rgb);
        }
    } else {
        std::span<const uint32_t> halftone = ZsGetPalette(8);
        palette.assign(halftone.begin(), halftone.begin() + static_cast<std::ptrdiff_t>(nRoom));
    }
    const int nTransparent = bTransparent ? static_cast<int>(palette.size()) : -1;
    if (bTransparent) {
        palette.push_back(0);
    }
    palette.resize(256, 0);
    std::unique_ptr<ColorMapObject, GifMapDeleter> map(GifMakeMapObject(256, nullptr));
    if (!map) {
        return {};
    }
    for (size_t i = 0; i < 256; ++i) {
        map->Colors[i] = GifColorType{static_cast<GifByteType>(ZsRed(palette[i])),
                                      static_cast<GifByteType>(ZsGreen(palette[i])),
                                      static_cast<GifByteType>(ZsBlue(palette[i]))};
    }
    CZsStream stream;
    int nError = 0;
    GifFileType* gif = EGifOpen(&stream, GifWrite, &nError);
    if (!gif) {
        return {};
    }
    EGifSetGifVersion(gif, true);
    bool bOk = EGifPutScreenDesc(gif, bmp.Width(), bmp.Height(), 8, 0, map.get()) != GIF_ERROR;
    if (bOk && bTransparent) {
        const GifByteType gce[4] = {0x01, 0, 0, static_cast<GifByteType>(nTransparent)};
        bOk = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) != GIF_ERROR;
    }
    bOk = bOk && EGifPutImageDesc(gif, 0, 0, bmp.Width(), bmp.Height(), false, nullptr) != GIF_ERROR;
    CZsPaletteMapper mapper(std::span<const uint32_t>(palette.data(), nRoom));
    std::vector<GifPixelType> line(static_cast<size_t>(bmp.Width()));
    for (int y = 0; bOk && y < bmp.Height(); ++y) {
        const uint32_t* in = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x) {
            const uint32_t rgb = in[x] & 0xFFFFFF;
            int idx = 0;
            if (ZsAlpha(in[x]) < 128) {
                idx = nTransparent;
            } else if (bExact) {
                idx = colours[rgb];
            } else {
                idx = mapper.Index(rgb);
            }
            line[static_cast<size_t>(x)] = static_cast<GifPixelType>(idx);
        }
        bOk = EGifPutLine(gif, line.data(), bmp.Width()) != GIF_ERROR;
    }
    bOk = EGifCloseFile(gif, &nError) != GIF_ERROR && bOk;
    return bOk ? stream.Take() : ZsBlock();
}

// ---- TIFF
// ---------------------------------------------------------------------------------------------------

tmsize_t TiffRead(thandle_t h, void* p, tmsize_t n) {
    return n < 0 ? 0 : static_cast<tmsize_t>(static_cast<CZsStream*>(h)->Read(p, static_cast<size_t>(n)));
}
tmsize_t TiffWrite(thandle_t h, void* p, tmsize_t n) {
    if (n < 0 || !static_cast<CZsStream*>(h)->Write(p, static_cast<size_t>(n))) {
        return 0;
    }
    return n;
}
toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<CZsStream*>(h);
    if (!s->Seek(static_cast<int64_t>(off), whence)) {
        return static_cast<toff_t>(-1);
    }
    return s->Tell();
}
int TiffClose(thandle_t) {
    return 0;
}
toff_t TiffSize(thandle_t h) {
    return static_cast<CZsStream*>(h)->Size();
}
int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffErrorHandler(TIFF*, void* pUser, const char*, const char* pszFormat, va_list args) {
    auto* pText = static_cast<std::string*>(pUser);
    if (pText->empty()) {
        char sz[512];
        std::vsnprintf(sz, sizeof sz, pszFormat, args);
        *pText = sz;
    }
    return 1;
}
int TiffWarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct TiffOptionsDeleter {
    void operator()(TIFFOpenOptions* p) const { TIFFOpenOptionsFree(p); }
};

std::unique_ptr<TIFF, TiffCloser> TiffOpen(CZsStream& stream, const char* pszMode, std::string& sError) {
    std::unique_ptr<TIFFOpenOptions, TiffOptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options) {
        return nullptr;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(ZS_MAX_PICTURE_PIXELS * 4));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TiffErrorHandler, &sError);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), TiffWarningHandler, nullptr);
    return std::unique_ptr<TIFF, TiffCloser>(TIFFClientOpenExt("memory", pszMode, &stream, TiffRead,
                                                               TiffWrite, TiffSeek, TiffClose, TiffSize,
                                                               TiffMap, TiffUnmap, options.get()));
}

// The bytes of a TIFF's strips or tiles, as far as they lie in the file.
uint64_t TiffDataBytes(TIFF* tif, uint64_t nFileBytes) {
    const bool bTiled = TIFFIsTiled(tif);
    uint64_t* pCounts = nullptr;
    if (!TIFFGetField(tif, bTiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &pCounts) || !pCounts) {
        return 0;
    }
    const uint64_t n = bTiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t nTotal = 0;
    for (uint64_t i = 0; i < n && nTotal < nFileBytes; ++i) {
        nTotal += std::min(pCounts[i], nFileBytes);
    }
    return std::min(nTotal, nFileBytes);
}

// The pixels that the strips or tiles of a TIFF of width w can fill, by the most its compression expands.
uint64_t TiffMaxPixels(TIFF* tif, uint32_t w, uint64_t nFileBytes) {
    const uint64_t nData = TiffDataBytes(tif, nFileBytes);
    uint16_t nCompression = COMPRESSION_NONE, nBits = 1, nSamples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &nCompression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &nBits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &nSamples);
    const uint64_t nPixelBits = std::max<uint64_t>(1, uint64_t{nBits} * nSamples);
    uint64_t nRatio = kMaxOtherRatio;
    switch (nCompression) {
        case COMPRESSION_NONE:
            nRatio = 1;
            break;
        case COMPRESSION_PACKBITS:
            nRatio = kMaxPackBitsRatio;
            break;
        case COMPRESSION_LZW:
            nRatio = kMaxLzwRatio;
            break;
        case COMPRESSION_DEFLATE:
        case COMPRESSION_ADOBE_DEFLATE:
            nRatio = ZS_MAX_DEFLATE_RATIO;
            break;
        case COMPRESSION_JPEG:
        case COMPRESSION_OJPEG:
            return SaturatingProduct(nData, 8 * kMaxJpegPixelsPerByte);
        case COMPRESSION_CCITTRLE:
        case COMPRESSION_CCITTRLEW:
        case COMPRESSION_CCITTFAX3:
        case COMPRESSION_CCITTFAX4:
            return SaturatingProduct(SaturatingProduct(nData, 8), w);
        default:
            break;
    }
    return SaturatingProduct(SaturatingProduct(nData, nRatio), 8) / nPixelBits;
}

CZsBitmap DecodeTiff(ZsBytes bytes, std::string* pError) {
    CZsStream stream(bytes);
    std::string sError;
    std::unique_ptr<TIFF, TiffCloser> tif = TiffOpen(stream, "rm", sError);
    auto fail = [&]() {
        SetError(pError, ZsFormat("damaged TIFF data (%s)", sError.empty() ? "unreadable" : sError.c_str()));
        return CZsBitmap();
    };
    if (!tif) {
        return fail();
    }
    uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h) || w == 0 || h == 0) {
        SetError(pError, "damaged TIFF data (no picture size)");
        return {};
    }
    if (!ZsCheckPictureData(w, h, TiffDataBytes(tif.get(), bytes.size()),
                            TiffMaxPixels(tif.get(), w, bytes.size()), pError)) {
        return {};
    }
    // The pixels are read as stored, row 0 on top, and then turned as the orientation says.
    uint16_t nOrientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &nOrientation);
    TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    CZsBitmap bmp(static_cast<int>(w), static_cast<int>(h));
    if (!TIFFReadRGBAImageOriented(tif.get(), w, h, bmp.Pixels().data(), ORIENTATION_TOPLEFT, 0)) {
        return fail();
    }
    // The reader gives premultiplied ABGR; the core holds straight ARGB.
    for (uint32_t& p : bmp.Pixels()) {
        const unsigned a = TIFFGetA(p);
        unsigned r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
        if (a == 0) {
            p = 0;
            continue;
        }
        if (a < 255) {
            r = std::min(255u, (r * 255 + a / 2) / a);
            g = std::min(255u, (g * 255 + a / 2) / a);
            b = std::min(255u, (b * 255 + a / 2) / a);
        }
        p = ZsArgb(a, r, g, b);
    }
    return ZsOrientBitmap(std::move(bmp), nOrientation);
}

ZsBlock EncodeTiff(const CZsBitmap& bmp) {
    CZsStream stream;
    std::string sError;
    {
        std::unique_ptr<TIFF, TiffCloser> tif = TiffOpen(stream, "w", sError);
        if (!tif) {
            return {};
        }
        TIFF* t = tif.get();
        const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(bmp.Width()));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(bmp.Height()));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        std::vector<uint8_t> row(4 * static_cast<size_t>(bmp.Width()));
        for (int y = 0; y < bmp.Height(); ++y) {
            const uint32_t* in = bmp.Row(y);
            for (int x = 0; x < bmp.Width(); ++x) {
                row[4 * x] = static_cast<uint8_t>(ZsRed(in[x]));
                row[4 * x + 1] = static_cast<uint8_t>(ZsGreen(in[x]));
                row[4 * x + 2] = static_cast<uint8_t>(ZsBlue(in[x]));
                row[4 * x + 3] = static_cast<uint8_t>(ZsAlpha(in[x]));
            }
            if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) {
                return {};
            }
        }
    }
    return sError.empty() ? stream.Take() : ZsBlock();
}

// ---- BMP
// ----------------------------------------------------------------------------------------------------

// One colour channel given by a bit mask, scaled to 8 bits.
// Run-length encoded pixels of 8 or 4 bits, bottom-up. Pixels that the runs skip stay transparent; runs
// and moves beyond the picture are ignored, and the codes end with the data at the latest.
CZsBitmap DecodeBmpRle(ZsBytes rle, int w, int h, unsigned nBits, const std::array<uint32_t, 256>& table) {
    CZsBitmap bmp(w, h);
    int64_t x = 0, y = 0;
    const auto put = [&](unsigned idx) {
        if (x < w && y < h) {
            bmp.At(static_cast<int>(x), h - 1 - static_cast<int>(y)) = table[idx & 0xFF];
        }
        ++x;
    };
    const auto pixel = [&](uint8_t byte, size_t i) -> unsigned {
        return nBits == 8 ? byte : (i & 1) ? byte & 0xF : byte >> 4;
    };
    size_t pos = 0;
    while (pos + 2 <= rle.size() && y < h) {
        const uint8_t n = rle[pos], c = rle[pos + 1];
        pos += 2;
        if (n > 0) {
            for (size_t i = 0; i < n; ++i) {
                put(pixel(c, i));
            }
        } else if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            break;
        } else if (c == 2) {
            if (pos + 2 > rle.size()) {
                break;
            }
            x += rle[pos];
            y += rle[pos + 1];
            pos += 2;
        } else {
            const size_t nBytes = nBits == 8 ? c : (c + 1u) / 2;
            if (nBytes > rle.size() - pos) {
                break;
            }
            for (size_t i = 0; i < c; ++i) {
                put(pixel(rle[pos + (nBits == 8 ? i : i / 2)], i));
            }
            pos += nBytes + (nBytes & 1);
        }
    }
    return bmp;
}

CZsBitmap DecodeBmp(ZsBytes bytes, std::string* pError) {
    CZsByteReader r(bytes);
    auto fail = [&](const char* pszWhy) {
        SetError(pError, ZsFormat("damaged BMP data (%s)", pszWhy));
        return CZsBitmap();
    };
    if (!r.Has(0, 18)) {
        return fail("the header is truncated");
    }
    const uint32_t nPixelsAt = r.U32At(10);
    const uint32_t biSize = r.U32At(14);
    int64_t w = 0, h = 0;
    unsigned nBits = 0;
    uint32_t nCompression = 0, nClrUsed = 0;
    uint64_t tableAt = 14 + static_cast<uint64_t>(biSize);
    unsigned nEntrySize = 4;
    bool bTopDown = false;
    if (biSize == 12) {
        if (!r.Has(14, 12)) {
            return fail("the header is truncated");
        }
        w = r.U16At(18);
        h = r.U16At(20);
        nBits = r.U16At(24);
        nEntrySize = 3;
    } else if (biSize >= 40 && biSize <= 1024) {
        if (!r.Has(14, biSize)) {
            return fail("the header is truncated");
        }
        w = static_cast<int32_t>(r.U32At(18));
        h = static_cast<int32_t>(r.U32At(22));
        nBits = r.U16At(28);
        nCompression = r.U32At(30);
        nClrUsed = r.U32At(46);
        if (h < 0) {
            bTopDown = true;
            h = -h;
        }
    } else {
        return fail("unknown header");
    }
    if (w <= 0 || h <= 0) {
        return fail("no pixels");
    }
    if (!ZsCheckPictureSize(w, h, pError)) {
        return {};
    }
    uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    if (nBits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    }
    if (nCompression == 3 || nCompression == 6) {
        if (nBits != 16 && nBits != 32) {
            return fail("bit fields on a palette picture");
        }
        // The masks are in the header when it is long enough, else right after it.
        const uint64_t at = 14 + 40;
        const unsigned nMasks = biSize >= 56 || nCompression == 6 ? 4 : 3;
        if (!r.Has(at, 4 * nMasks)) {
            return fail("the colour masks are truncated");
        }
        for (unsigned i = 0; i < nMasks; ++i) {
            masks[i] = r.U32At(at + 4 * i);
        }
        if (biSize == 40) {
            tableAt += 4 * nMasks;
        }
    } else if ((nCompression == 1 && nBits != 8) || (nCompression == 2 && nBits != 4) || nCompression > 2) {
        return fail("unsupported compression");
    } else if (nBits == 32 && biSize >= 56) {
        masks[3] = r.U32At(14 + 52);
    }
    if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 16 && nBits != 24 && nBits != 32) {
        return fail("unsupported bits per pixel");
    }
    std::array<uint32_t, 256> table{};
    if (nBits <= 8) {
        uint64_t nColours = UINT64_C(1) << nBits;
        if (nClrUsed > 0 && nClrUsed < nColours) {
            nColours = nClrUsed;
        }
        for (uint64_t i = 0; i < nColours; ++i) {
            const uint64_t at = tableAt + nEntrySize * i;
            if (!r.Has(at, 3)) {
                return fail("the colour table is truncated");
            }
            table[i] = ZsArgb(255, r.U8At(at + 2), r.U8At(at + 1), r.U8At(at));
        }
    }
    if (nCompression == 1 || nCompression == 2) {
        if (nPixelsAt >= bytes.size()) {
            return fail("the pixels are truncated");
        }
        const uint64_t nRle = bytes.size() - nPixelsAt;
        if (!ZsCheckPictureData(w, h, nRle, SaturatingProduct(nRle, kMaxBmpRlePixelsPerByte), pError)) {
            return {};
        }
        return DecodeBmpRle(bytes.subspan(nPixelsAt), static_cast<int>(w), static_cast<int>(h), nBits, table);
    }
    const uint64_t stride = ((static_cast<uint64_t>(w) * nBits + 31) >> 3) & ~UINT64_C(3);
    if (!r.Has(nPixelsAt, stride * static_cast<uint64_t>(h))) {
        return fail("the pixels are truncated");
    }
    CZsBitmap bmp(static_cast<int>(w), static_cast<int>(h));
    const bool bAnyAlpha =
        ZI_DecodeDibPixels(bytes.data() + nPixelsAt, stride, bTopDown, static_cast<int>(nBits), table,
                           ZI_PIXEL_MASKS{masks[0], masks[1], masks[2], masks[3]}, bmp);
    // An alpha mask whose every value is 0 means the writer did not fill it: the picture is opaque.
    if (masks[3] && !bAnyAlpha) {
        for (uint32_t& p : bmp.Pixels()) {
            p |= 0xFF000000u;
        }
    }
    return bmp;
}

// A 32-bit BMP with a BITMAPV4HEADER whose bit fields include alpha, bottom-up.
ZsBlock EncodeBmp(const CZsBitmap& bmp) {
    const uint64_t nPixels = 4 * static_cast<uint64_t>(bmp.Width()) * static_cast<uint64_t>(bmp.Height());
    const uint64_t nSize = 14 + 108 + nPixels;
    if (nSize > 0xFFFFFFFFu) {
        return {};
    }
    ZsBlock out;
    out.reserve(static_cast<size_t>(nSize));
    out.push_back('B');
    out.push_back('M');
    ZsPutU32(out, static_cast<uint32_t>(nSize));
    ZsPutU32(out, 0);
    ZsPutU32(out, 14 + 108);
    ZsPutU32(out, 108);
    ZsPutU32(out, static_cast<uint32_t>(bmp.Width()));
    ZsPutU32(out, static_cast<uint32_t>(bmp.Height()));
    ZsPutU16(out, 1);
    ZsPutU16(out, 32);
    ZsPutU32(out, 3);
    ZsPutU32(out, static_cast<uint32_t>(nPixels));
    ZsPutU32(out, 2835);
    ZsPutU32(out, 2835);
    ZsPutU32(out, 0);
    ZsPutU32(out, 0);
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
        ZsPutU32(out, mask);
    }
    ZsPutU32(out, 0x73524742);  // 'sRGB'
    out.insert(out.end(), 36 + 12, 0);
    for (int y = bmp.Height() - 1; y >= 0; --y) {
        const uint32_t* in = bmp.Row(y);
        for (int x = 0; x < bmp.Width(); ++x) {
            ZsPutU32(out, in[x]);
        }
    }
    return out;
}

}  // namespace

// ---- Streams and picture types ----------------------------------------------------------------------------

size_t CZsStream::Read(void* pOut, size_t n) {
    if (mnPos >= mBlock.size()) {
        return 0;
    }
    const size_t nRead = static_cast<size_t>(std::min<uint64_t>(n, mBlock.size() - mnPos));
    std::memcpy(pOut, mBlock.data() + mnPos, nRead);
    mnPos += nRead;
    return nRead;
}

bool CZsStream::Write(const void* pIn, size_t n) {
    if (n > kMaxStreamBytes || mnPos > kMaxStreamBytes - n) {
        return false;
    }
    if (mnPos + n > mBlock.size()) {
        mBlock.resize(static_cast<size_t>(mnPos + n), 0);
    }
    std::memcpy(mBlock.data() + mnPos, pIn, n);
    mnPos += n;
    return true;
}

bool CZsStream::Seek(int64_t nOffset, int nWhence) {
    int64_t base = 0;
    if (nWhence == SEEK_CUR) {
        base = static_cast<int64_t>(mnPos);
    } else if (nWhence == SEEK_END) {
        base = static_cast<int64_t>(mBlock.size());
    } else if (nWhence != SEEK_SET) {
        return false;
    }
    // No block comes near 2^40 bytes; bounding the offset first keeps the sum from overflowing.
    constexpr int64_t kLimit = INT64_C(1) << 40;
    if (nOffset < -kLimit || nOffset > kLimit) {
        return false;
    }
    const int64_t pos = base + nOffset;
    if (pos < 0 || pos > kLimit) {
        return false;
    }
    mnPos = static_cast<uint64_t>(pos);
    return true;
}

bool ZsIsPictureType(int nTypeIndex) {
    return std::find(std::begin(ZS_PICTURE_TYPES), std::end(ZS_PICTURE_TYPES), nTypeIndex) !=
           std::end(ZS_PICTURE_TYPES);
}

const char* ZsGetPictureMimeType(int nTypeIndex) {
    static const char* const mimes[ZS_EXPORT_COUNT] = {"image/bmp", "image/jpeg", "image/gif", "image/tiff",
                                                       "image/png", nullptr,      nullptr,     nullptr,
                                                       nullptr,     "image/webp"};
    return ZsIsPictureType(nTypeIndex) ? mimes[nTypeIndex] : nullptr;
}

const char* ZsGetExportExt(int nTypeIndex) {
    static const char* const exts[ZS_EXPORT_COUNT] = {"bmp", "jpg", "gif",  "tif",   "png",
                                                      "ico", "icl", "icns", "theme", "webp"};
    return nTypeIndex >= 0 && nTypeIndex < ZS_EXPORT_COUNT ? exts[nTypeIndex] : nullptr;
}

const char* ZsGetExportTypeName(int nTypeIndex) {
    static const char* const names[ZS_EXPORT_COUNT] = {"Microsoft Bitmap (*.bmp)",
                                                       "JPEG (*.jpg)",
                                                       "CompuServe GIF (*.gif)",
                                                       "Tag Image File Format (*.tif)",
                                                       "Portable Network Graphic (*.png)",
                                                       "Windows Icon",
                                                       "Win32 Icon Library",
                                                       "Apple Icon (*.icns)",
                                                       "Icon Theme Folder (hicolor)",
                                                       "WebP (*.webp)"};
    return nTypeIndex >= 0 && nTypeIndex < ZS_EXPORT_COUNT ? names[nTypeIndex] : nullptr;
}

// ---- Decoding
// -------------------------------------------------------------------------------------------------

namespace {

CZsBitmap DecodePngState(PngState& s, std::string* pError) {
    if (!PngDecodeInto(s)) {
        SetError(pError, s.sError.starts_with("the ") ? s.sError : "damaged PNG data (" + s.sError + ")");
        return {};
    }
    return std::move(s.bmp);
}

}  // namespace

CZsBitmap ZsDecodePng(ZsBytes bytes, std::string* pError) {
    if (CZsBitmap bmp = ZsInflatePng(bytes); !bmp.IsNull()) {
        return bmp;
    }
    return ZsDecodePngWithLibpng(bytes, pError);
}

CZsBitmap ZsDecodePngWithLibpng(ZsBytes bytes, std::string* pError) {
    auto s = std::make_unique<PngState>();
    s->input = bytes;
    s->nInputBytes = bytes.size();
    return DecodePngState(*s, pError);
}

CZsBitmap ZsDecodePicture(ZsBytes bytes, std::string* pError) {
    const auto starts = [&](std::initializer_list<uint8_t> magic) {
        return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    if (ZI_IsPng(bytes)) {
        return ZsDecodePng(bytes, pError);
    }
    if (starts({0xFF, 0xD8, 0xFF})) {
        auto s = std::make_unique<JpegState>();
        if (!JpegDecodeInto(*s, bytes, pError)) {
            return {};
        }
        return ZsOrientBitmap(std::move(s->bmp), ZsGetJpegOrientation(bytes));
    }
    if (starts({'G', 'I', 'F', '8'})) {
        return DecodeGif(bytes, pError);
    }
    // Classic TIFF (42) and BigTIFF (43), in either byte order.
    if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42}) || starts({'I', 'I', 43, 0}) ||
        starts({'M', 'M', 0, 43})) {
        return DecodeTiff(bytes, pError);
    }
    if (starts({'B', 'M'})) {
        return DecodeBmp(bytes, pError);
    }
    if (starts({'R', 'I', 'F', 'F'}) && bytes.size() >= 12 &&
        std::equal(bytes.begin() + 8, bytes.begin() + 12, std::begin("WEBP"))) {
        return ZsDecodeWebp(bytes, pError);
    }
    if (ZsIsSvg(bytes)) {
        return ZsRenderSvgPicture(bytes, pError);
    }
    SetError(pError, "not a picture Pictavo can read (PNG, BMP, JPEG, GIF, TIFF, WebP or SVG)");
    return {};
}

CZsBitmap ZsLoadPicture(const std::filesystem::path& path, std::string* pError) {
    // A PNG file is decoded as it is read: holding the whole file first would cost as much fresh memory as
    // its compressed size.
    uint64_t nFileBytes = 0;
    std::string sWhy;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(ZsOpenRegularFileStream(path, &nFileBytes, &sWhy),
                                                         std::fclose);
    if (!file) {
        SetError(pError, "the file cannot be read: " + sWhy);
        return {};
    }
    uint8_t signature[8] = {};
    if (file && nFileBytes <= kMaxPictureFileBytes &&
        std::fread(signature, 1, sizeof signature, file.get()) == sizeof signature &&
        ZI_IsPng(ZsBytes(signature, sizeof signature))) {
        std::rewind(file.get());
        auto s = std::make_unique<PngState>();
        s->pFile = file.get();
        s->nInputBytes = nFileBytes;
        return DecodePngState(*s, pError);
    }
    file.reset();
    std::optional<ZsBlock> bytes = ZsReadFile(path, kMaxPictureFileBytes, &sWhy);
    if (!bytes) {
        SetError(pError, "the file cannot be read: " + sWhy);
        return {};
    }
    return ZsDecodePicture(*bytes, pError);
}

// ---- Encoding
// -------------------------------------------------------------------------------------------------

int ZsFindEncoder(std::string_view mime) {
    for (int i : ZS_PICTURE_TYPES) {
        if (mime == ZsGetPictureMimeType(i)) {
            return i;
        }
    }
    return -1;
}

ZsBlock ZsEncodePicture(const CZsBitmap& bitmap, int nTypeIndex) {
    if (bitmap.IsNull()) {
        return {};
    }
    switch (nTypeIndex) {
        case ZS_PIC_BMP:
            return EncodeBmp(bitmap);
        case ZS_PIC_JPEG:
            return bitmap.Width() <= 65500 && bitmap.Height() <= 65500 ? EncodeJpeg(bitmap) : ZsBlock();
        case ZS_PIC_GIF:
            return EncodeGif(bitmap);
        case ZS_PIC_TIFF:
            return EncodeTiff(bitmap);
        case ZS_PIC_PNG:
            return EncodePng(bitmap);
        case ZS_PIC_WEBP:
            return ZsEncodeWebp(bitmap);
        default:
            return {};
    }
}

bool ZsSaveBitmapFile(const CZsBitmap& bitmap, const std::filesystem::path& path, int nTypeIndex) {
    const char* pszMime = ZsGetPictureMimeType(nTypeIndex);
    if (!pszMime) {
        return false;
    }
    ZsBlock bytes = ZsEncodePicture(bitmap, ZsFindEncoder(pszMime));
    return !bytes.empty() && ZsWriteFile(path, bytes);
}

// ---- Pictures to icons
// -------------------------------------------------------------------------------------

void ZI_GetPictureCanvas(int nPictureWidth, int nPictureHeight, int nSizingMode, int& nWidth, int& nHeight) {
    if (nSizingMode == ZI_SIZING_KEEP) {
        nWidth = nPictureWidth;
        nHeight = nPictureHeight;
        return;
    }
    int s = 0;
    if (nSizingMode == ZI_SIZING_SHRINK) {
        const int nMin = std::min(nPictureWidth, nPictureHeight);
        s = 16;
        for (int size : ZI_STANDARD_SIZES) {
            if (size <= nMin) {
                s = size;
                break;
            }
        }
    } else {
        const int nMax = std::max(nPictureWidth, nPictureHeight);
        s = 256;
        for (int i = 9; i >= 0; --i) {
            if (ZI_STANDARD_SIZES[i] >= nMax) {
                s = ZI_STANDARD_SIZES[i];
                break;
            }
        }
    }
    nWidth = nHeight = std::clamp(s, 16, 256);
}

ZsBlock ZI_PictureToIcon(const CZsBitmap& picture, int nSizingMode) {
    if (picture.IsNull()) {
        ZS_LOG_ERR("ZI_PictureToIcon", "picture=NULL");
        return {};
    }
    const int pw = picture.Width(), ph = picture.Height();
    int W = 0, H = 0;
    ZI_GetPictureCanvas(pw, ph, nSizingMode, W, H);
    int dw = pw, dh = ph;
    if (pw > W || ph > H) {
        if (ph < pw) {
            dh = static_cast<int>(static_cast<int64_t>(ph) * W / pw);
            dw = W;
        } else {
            dw = static_cast<int>(static_cast<int64_t>(pw) * H / ph);
            dh = H;
        }
        dw = std::max(dw, 1);
        dh = std::max(dh, 1);
    }
    // A picture that fits is drawn as it is, without a copy.
    const CZsBitmap scaled = dw == pw && dh == ph ? CZsBitmap() : ZsScaleBitmap(picture, dw, dh);
    const CZsBitmap& drawn = scaled.IsNull() ? picture : scaled;
    const int ox = (W - dw) / 2, oy = (H - dh) / 2;

    const uint64_t andStride = ((static_cast<uint64_t>(W) + 31) >> 3) & ~UINT64_C(3);
    const uint64_t xorSize = 4 * static_cast<uint64_t>(W) * static_cast<uint64_t>(H);
    const uint64_t bytesInRes = 40 + xorSize + andStride * static_cast<uint64_t>(H);
    ZsBlock block;
    block.reserve(static_cast<size_t>(22 + bytesInRes));
    ZsPutU16(block, 0);
    ZsPutU16(block, 1);
    ZsPutU16(block, 1);
    block.push_back(static_cast<uint8_t>(W < 256 ? W : 0));
    block.push_back(static_cast<uint8_t>(H < 256 ? H : 0));
    block.push_back(0);
    block.push_back(0);
    ZsPutU16(block, 1);
    ZsPutU16(block, 32);
    ZsPutU32(block, static_cast<uint32_t>(bytesInRes));
    ZsPutU32(block, 22);
    ZsPutU32(block, 40);
    ZsPutU32(block, static_cast<uint32_t>(W));
    ZsPutU32(block, static_cast<uint32_t>(2 * H));
    ZsPutU16(block, 1);
    ZsPutU16(block, 32);
    ZsPutU32(block, 0);
    ZsPutU32(block, static_cast<uint32_t>(2 * xorSize));
    block.insert(block.end(), 16, 0);
    // The mask is made from alpha: transparent exactly where alpha is 0, as for every 32-bit image we write.
    const size_t nMaskAt = block.size() + static_cast<size_t>(xorSize);
    block.resize(nMaskAt + static_cast<size_t>(andStride * static_cast<uint64_t>(H)), 0);
    uint8_t* pPixel = block.data() + nMaskAt - static_cast<size_t>(xorSize);
    for (int y = H - 1; y >= 0; --y) {
        const bool bRowInside = y >= oy && y < oy + dh;
        uint8_t* pMask =
            block.data() + nMaskAt + static_cast<size_t>(andStride) * static_cast<size_t>(H - 1 - y);
        for (int x = 0; x < W; ++x, pPixel += 4) {
            const bool bInside = bRowInside && x >= ox && x < ox + dw;
            const uint32_t p = bInside ? drawn.At(x - ox, y - oy) : 0;
            ZsSetU32(pPixel, p);
            if (ZsAlpha(p) == 0) {
                pMask[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            }
        }
    }
    if (ZI_IsPngFormat({W, H, 32})) {
        CIcon icon;
        icon.SetData(block);
        ZI_IMAGE image = icon.GetImage(0);
        if (ZI_CompressImage(image)) {
            icon.RemoveImage(0);
            icon.AddImage(std::move(image));
            block = icon.GetData(-1);
        }
    }
    return block;
}

namespace {

// A picture file's icon (see ZI_LoadPictureIcon), or with bIcns its Apple icon file; empty with the reason
// in sError.
ZsBlock PictureFileAs(const std::filesystem::path& path, int nSizingMode, std::span<const ZI_FORMAT> formats,
                      bool bIcns, std::string& sError) {
    // Mapped rather than read: only the pages the decoder touches are loaded, and none is copied.
    std::string sWhy;
    std::shared_ptr<const CZsFileBytes> pFile = CZsFileBytes::Open(path, kMaxPictureFileBytes, &sWhy);
    if (!pFile) {
        sError = "the file cannot be read: " + sWhy;
        return {};
    }
    const ZsBytes bytes = pFile->Bytes();
    if (ZsIsSvg(bytes)) {
        return bIcns ? ZI_SvgToIcns(bytes, formats, &sError) : ZI_SvgToIcon(bytes, formats, &sError);
    }
    const CZsBitmap picture = ZsDecodePicture(bytes, &sError);
    if (picture.IsNull()) {
        return {};
    }
    ZsBlock block = ZI_PictureToIcon(picture, nSizingMode);
    if ((formats.empty() && !bIcns) || block.empty()) {
        return block;
    }
    CIcon icon;
    icon.SetData(block);
    if (!formats.empty()) {
        icon.SetFormats(formats);
    }
    if (!bIcns) {
        return icon.GetData(-1);
    }
    block = ZI_IconToIcns(icon);
    if (block.empty()) {
        sError = "the Apple icon file cannot be made";
    }
    return block;
}

// The same, writing the error line of the function named and setting *pError when it fails.
ZsBlock LoadPictureAs(const std::filesystem::path& path, int nSizingMode, std::span<const ZI_FORMAT> formats,
                      bool bIcns, const char* pszFunction, std::string* pError) {
    std::string sError;
    ZsBlock block = PictureFileAs(path, nSizingMode, formats, bIcns, sError);
    if (block.empty()) {
        ZS_LOG_ERR(pszFunction, "'%s': %s", ZsPathToUtf8(path).c_str(), sError.c_str());
        SetError(pError, sError);
    }
    return block;
}

}  // namespace

ZsBlock ZI_LoadPictureIcon(const std::filesystem::path& path, int nSizingMode, std::string* pError,
                           std::span<const ZI_FORMAT> formats) {
    return LoadPictureAs(path, nSizingMode, formats, false, "ZI_LoadPictureIcon", pError);
}

ZsBlock ZI_LoadPictureIcns(const std::filesystem::path& path, int nSizingMode, std::string* pError,
                           std::span<const ZI_FORMAT> formats) {
    return LoadPictureAs(path, nSizingMode, formats, true, "ZI_LoadPictureIcns", pError);
}

int ZI_SplitBitmap(const CZsBitmap& picture, std::vector<ZsBlock>& blocks, int nTileWidth, int nTileHeight,
                   int nSizingMode) {
    if (picture.IsNull()) {
        return 0;
    }
    const auto tileSize = [](int64_t nPicture, int64_t nTile) -> int64_t {
        if (nTile >= 1) {
            return std::min(nPicture, nTile);
        }
        if (nTile == 0) {
            return nPicture;
        }
        return std::max<int64_t>(1, nPicture / -nTile);
    };
    const int pw = picture.Width(), ph = picture.Height();
    const int tw = static_cast<int>(tileSize(pw, nTileWidth)),
              th = static_cast<int>(tileSize(ph, nTileHeight));
    const int64_t nCols = (pw + tw - 1) / tw, nRows = (ph + th - 1) / th;
    if (nCols * nRows > ZI_MAX_TILES) {
        ZS_LOG_ERR("ZI_SplitPicture", "%lld tiles", static_cast<long long>(nCols * nRows));
        return 0;
    }
    int nAdded = 0;
    CZsBitmap tile(tw, th);
    for (int64_t row = 0; row < nRows; ++row) {
        for (int64_t col = 0; col < nCols; ++col) {
            std::fill(tile.Pixels().begin(), tile.Pixels().end(), 0);
            const int x0 = static_cast<int>(col * tw), y0 = static_cast<int>(row * th);
            const int cw = std::min(tw, pw - x0), ch = std::min(th, ph - y0);
            for (int y = 0; y < ch; ++y) {
                std::copy_n(picture.Row(y0 + y) + x0, cw, tile.Row(y));
            }
            ZsBlock block = ZI_PictureToIcon(tile, nSizingMode);
            if (!block.empty()) {
                blocks.push_back(std::move(block));
                ++nAdded;
            }
        }
    }
    return nAdded;
}

int ZI_SplitPicture(const std::filesystem::path& path, std::vector<ZsBlock>& blocks, int nTileWidth,
                    int nTileHeight, int nSizingMode, std::string* pError) {
    std::string sError;
    CZsBitmap picture = ZsLoadPicture(path, &sError);
    if (picture.IsNull()) {
        ZS_LOG_ERR("ZI_SplitPicture", "'%s': %s", ZsPathToUtf8(path).c_str(), sError.c_str());
        SetError(pError, sError);
        return 0;
    }
    return ZI_SplitBitmap(picture, blocks, nTileWidth, nTileHeight, nSizingMode);
}
