// Apple icon files (".icns"): a big-endian container of typed entries. Icons are written as PNG entries
// from 16 to 1024 pixels, and read from PNG entries and from the classic RLE-compressed RGB entries with
// their 8-bit masks. Every read is of untrusted bytes: entries must lie wholly inside the file, and
// decoded sizes come from the entry type, never from the data.
#pragma once

#include <string>

#include "common/ZsBase.h"
#include "icon/ZsIcon.h"

// True when the bytes begin with the "icns" magic.
bool ZI_IsIcns(ZsBytes data);

// The icon of an .icns file as an ICO block: one 32-bit image per pixel size (the first entry of a size
// wins), PNG entries kept byte for byte, classic entries made into DIB images. JPEG 2000 entries are
// skipped. Empty, with a sentence in *pError, when the file is damaged or holds no image that can be read.
ZsBlock ZI_IcnsToIcon(ZsBytes data, std::string* pError = nullptr);

// The standard sides of an .icns file, and whether a file written of an icon whose largest side is
// nLargestSide holds a side: the standard ones up to the largest, and 16 always.
inline constexpr int ZI_ICNS_SIDES[7] = {16, 32, 64, 128, 256, 512, 1024};
constexpr bool ZI_IcnsHoldsSide(int nSide, int nLargestSide) {
    return nSide <= nLargestSide || nSide == 16;
}

// The icon as an .icns file: for each side of 16, 32, 64, 128, 256, 512 and 1024 pixels up to the icon's
// largest side, the deepest square image of that side, else one generated from the largest image like
// new formats are; each stored as PNG under its standard entry type and, for 32, 64, 256 and 512, also under
// the type of the half size at double density. Empty for an icon without images.
ZsBlock ZI_IconToIcns(const CIcon& icon);
