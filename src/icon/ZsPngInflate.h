// The two PNG decoders behind ZsDecodePng. The common PNG (8 bits per sample; grey, grey and alpha, RGB or
// RGBA; not interlaced; no tRNS or PLTE chunk) is decoded here without libpng: its image data is inflated in
// one call into a buffer of exactly the size the header implies and unfiltered by our own loops, which is
// about twice as fast. It takes a file only when it is whole and undamaged and libpng would decode it to the
// same pixels; anything else, every damaged file included, goes to libpng, so that the pixels and the
// messages of the files it does not take stay libpng's.
#pragma once

#include <string>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"

// What deflate data can expand to at most: about 1032 bytes from one.
inline constexpr uint64_t ZS_MAX_DEFLATE_RATIO = 1040;
// ZsCheckPictureData for a PNG of nInputBytes whose rows inflate to nRowBytes each (the filter byte
// included): its pixels must be what the whole file could fill.
bool ZsCheckPngData(uint32_t nWidth, uint32_t nHeight, uint64_t nRowBytes, uint64_t nInputBytes,
                    std::string* pError);

// The pixels of a common, undamaged PNG that fits the limits of ZsCheckPictureData and holds at most
// ZS_MAX_INFLATED_PNG_BYTES of filtered image data (larger pictures are read row by row by libpng, which
// holds no more than the picture); a null bitmap, saying nothing, for any other bytes.
inline constexpr uint64_t ZS_MAX_INFLATED_PNG_BYTES = UINT64_C(64) << 20;
CZsBitmap ZsInflatePng(ZsBytes bytes);

// The libpng decoder alone: any colour type and depth becomes 8-bit ARGB; a null bitmap and a sentence in
// *pError when the bytes cannot be decoded.
CZsBitmap ZsDecodePngWithLibpng(ZsBytes bytes, std::string* pError = nullptr);
