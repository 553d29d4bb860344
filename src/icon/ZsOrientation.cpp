// The orientation photos record: read from a JPEG's EXIF block, and applied to the pixels.
#include <algorithm>

#include "icon/ZsPicture.h"

namespace {

// The orientation in a TIFF structure (the body of an EXIF block): the tag 0x0112 of the first directory,
// a SHORT whose value sits in the entry itself. 1 when there is none or it cannot be read.
int TiffOrientation(ZsBytes tiff) {
    if (tiff.size() < 8) {
        return 1;
    }
    const bool bLittle = tiff[0] == 'I' && tiff[1] == 'I';
    if (!bLittle && !(tiff[0] == 'M' && tiff[1] == 'M')) {
        return 1;
    }
    const auto u16 = [&](uint64_t at) -> unsigned {
        return bLittle ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
    };
    const auto u32 = [&](uint64_t at) -> uint64_t {
        return bLittle ? u16(at) | (uint64_t{u16(at + 2)} << 16) : (uint64_t{u16(at)} << 16) | u16(at + 2);
    };
    if (u16(2) != 42) {
        return 1;
    }
    const uint64_t ifd = u32(4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2) {
        return 1;
    }
    const uint64_t nEntries = u16(ifd);
    for (uint64_t i = 0; i < nEntries; ++i) {
        const uint64_t at = ifd + 2 + 12 * i;
        if (at + 12 > tiff.size()) {
            break;
        }
        // Tag 0x0112, type SHORT (3), one value.
        if (u16(at) == 0x0112 && u16(at + 2) == 3 && u32(at + 4) == 1) {
            const unsigned v = u16(at + 8);
            return v >= 1 && v <= 8 ? static_cast<int>(v) : 1;
        }
    }
    return 1;
}

}  // namespace

int ZsGetJpegOrientation(ZsBytes jpeg) {
    // The segments before the first scan: a marker (0xFF, code) and a big-endian length that counts itself.
    uint64_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF) {
        const uint8_t code = jpeg[at + 1];
        if (code == 0xFF) {
            ++at;
            continue;
        }
        if (code == 0xDA || code == 0xD9) {
            break;
        }
        const uint64_t nLength = (uint64_t{jpeg[at + 2]} << 8) | jpeg[at + 3];
        if (nLength < 2 || at + 2 + nLength > jpeg.size()) {
            break;
        }
        const ZsBytes body = jpeg.subspan(at + 4, nLength - 2);
        static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (code == 0xE1 && body.size() >= 6 && std::equal(kExif, kExif + 6, body.begin())) {
            return TiffOrientation(body.subspan(6));
        }
        at += 2 + nLength;
    }
    return 1;
}

CZsBitmap ZsOrientBitmap(CZsBitmap bitmap, int nOrientation) {
    if (bitmap.IsNull() || nOrientation < 2 || nOrientation > 8) {
        return bitmap;
    }
    const int w = bitmap.Width(), h = bitmap.Height();
    const bool bSwap = nOrientation >= 5;
    CZsBitmap out(bSwap ? h : w, bSwap ? w : h, bitmap.BitCount());
    // Each shown pixel (x, y) takes the stored pixel the orientation puts there.
    for (int y = 0; y < out.Height(); ++y) {
        uint32_t* row = out.Row(y);
        for (int x = 0; x < out.Width(); ++x) {
            int sx = x, sy = y;
            switch (nOrientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                default:
                    sx = w - 1 - y;
                    sy = x;
                    break;
            }
            row[x] = bitmap.At(sx, sy);
        }
    }
    return out;
}
