// Pixel codecs of icon images: the pixels of one image's data (DIB or PNG) at its own size or at a requested
// size, the replacement of an image's pixels from a bitmap (with a generated AND mask), the bicubic resampler
// and the fixed palettes with which 1-, 4- and 8-bit images are made.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsIcon.h"

// Pictures larger than this on a side, or in pixels, are refused before anything is allocated for them.
inline constexpr int64_t ZS_MAX_PICTURE_SIDE = 16384;
inline constexpr int64_t ZS_MAX_PICTURE_PIXELS = INT64_C(1) << 27;
// True when a picture of w x h pixels may be decoded; else false with a sentence in *pError.
bool ZsCheckPictureSize(int64_t nWidth, int64_t nHeight, std::string* pError);
// Up to this many pixels (64 x 64) a picture is decoded whatever little data claims it.
inline constexpr int64_t ZS_SMALL_PICTURE_PIXELS = INT64_C(1) << 12;
// True when a picture of w x h pixels, whose nDataBytes bytes of compressed data can fill at most nMaxPixels
// pixels, may be decoded: within the limits of ZsCheckPictureSize, and small or no larger than its data can
// fill. Decoders call it before they allocate for the pixels, so that what a file costs stays in proportion
// to what it holds. Else false with a sentence in *pError.
bool ZsCheckPictureData(int64_t nWidth, int64_t nHeight, uint64_t nDataBytes, uint64_t nMaxPixels,
                        std::string* pError);

// The pixels of one image's data at the size its own header gives (the BITMAPINFOHEADER's width and half
// height, or the PNG's IHDR). A DIB image of 1, 4, 8, 16 or 24 bits is opaque where its AND mask bit is 0; a
// 32-bit image keeps its own alpha unless every alpha byte is 0, in which case the mask decides (a missing or
// short mask counts as opaque). The bitmap's bit count is the header's (32 for PNG). A null bitmap and a
// sentence in *pError when the data cannot be decoded.
CZsBitmap ZI_DecodeImage(ZsBytes image, std::string* pError = nullptr);

// Colour masks of 16- and 32-bit DIB pixels; an alpha mask of 0 means the pixels are opaque.
struct ZI_PIXEL_MASKS {
    uint32_t nRed = 0x00FF0000;
    uint32_t nGreen = 0x0000FF00;
    uint32_t nBlue = 0x000000FF;
    uint32_t nAlpha = 0;
};

// Decodes uncompressed DIB pixel rows into bmp (whose size gives the rows' width and count): 1, 4 and 8 bits
// through the colour table, 16, 24 and 32 bits through the masks (24 bits are always blue, green, red). The
// caller has checked that nStride * height bytes lie at pPixels; bottom-up rows unless bTopDown. Returns
// true when some pixel has a non-zero alpha.
bool ZI_DecodeDibPixels(const uint8_t* pPixels, uint64_t nStride, bool bTopDown, int nBits,
                        const std::array<uint32_t, 256>& table, const ZI_PIXEL_MASKS& masks, CZsBitmap& bmp);

// The image at nWidth x nHeight: decoded at its own size, then scaled (without keeping the aspect) when the
// requested size differs. What stands in for an icon handle made from one image's data; null on failure.
CZsBitmap ZI_CreateHICON(ZsBytes image, int nWidth, int nHeight);

// The source scaled to exactly nWidth x nHeight with the separable bicubic filter (Keys, a = -0.5, widened
// when shrinking) on premultiplied alpha, so transparent pixels never bleed their colour into the edges.
CZsBitmap ZsScaleBitmap(const CZsBitmap& source, int nWidth, int nHeight);

// The source scaled to fit nWidth x nHeight with its aspect kept, at the top-left corner, and converted to
// nBitCount (0: the source's own). Every pixel of the result is written: below 32 bits the picture is
// composited on opaque black (the uncovered part is black) and 1-, 4- and 8-bit results hold colours of the
// fixed palette of their depth; at 32 bits alpha is kept and the uncovered part is transparent black. The
// result's bit count is the target depth.
CZsBitmap ZsResizeHBITMAP(const CZsBitmap& source, int nWidth, int nHeight, int nBitCount);

// The fixed palettes as 0x00RRGGBB: 2 colours for 1 bit, the 16 VGA colours for 4 bits and a 256-colour
// halftone palette (the 16 VGA colours, the rest of the 6x6x6 cube and 32 greys) for 8 bits; empty for any
// other depth.
std::span<const uint32_t> ZsGetPalette(int nBitCount);

// Nearest-colour mapping onto one palette (squared RGB distance, the lowest index on a tie), remembering
// recent answers because icons repeat their colours.
class CZsPaletteMapper {
public:
    explicit CZsPaletteMapper(std::span<const uint32_t> palette);
    uint8_t Index(uint32_t rgb);

private:
    std::span<const uint32_t> mPalette;
    bool mbHalftone = false;
    std::vector<uint32_t> mKeys;
    std::vector<uint8_t> mValues;
};

// Replaces the pixels of an image record from a bitmap at the record's own format (w, h, b): the bitmap is
// scaled with ZsResizeHBITMAP, the AND mask is set exactly where a 32-bit image's alpha is 0 and on the pure
// black pixels of the other depths, the colour bits are written at b bits (32-bit pixels are 0 wherever the
// mask is set) and the header is rewritten. A PNG image, or a DIB
// whose block is not of the size of its format, becomes a DIB of that size; the directory fields stay.
// False for a null bitmap or a depth other than 1, 4, 8, 24 or 32 (the record is then unchanged).
bool ZI_SetImageBitmap(ZI_IMAGE& image, const CZsBitmap& bitmap);

// Generated images (new formats, icons made of pictures) at least this many pixels wide and high are stored
// PNG-compressed when they have 32 bits; 0, the default, keeps every generated image an uncompressed DIB.
// One value for the process: the desktop program takes it from its options, the command-line tool from its
// --png options.
void ZI_SetPngMinSize(int nSide);
int ZI_GetPngMinSize();
// True when an image of the format is stored PNG-compressed under the current minimum size.
bool ZI_IsPngFormat(const ZI_FORMAT& format);
// True when the image is a 32-bit PNG of exactly its format's size: data other formats that hold PNG
// pictures can take byte for byte.
bool ZI_IsPlainPng(const ZI_IMAGE& image);
// Replaces a 32-bit DIB image's data by its pixels encoded as PNG; the directory fields stay. False (the
// image unchanged) for another depth, a PNG image or data that cannot be decoded.
bool ZI_CompressImage(ZI_IMAGE& image);
