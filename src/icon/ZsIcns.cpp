#include "icon/ZsIcns.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>

#include "common/ZsLog.h"
#include "icon/ZsCodec.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"

namespace {

constexpr uint32_t FourCC(const char (&s)[5]) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}

constexpr uint32_t kMagic = FourCC("icns");

// The entry types of compressed images (PNG, or JPEG 2000 which we do not read) and their side in pixels.
struct PNG_TYPE {
    uint32_t nType;
    int nSide;
};
constexpr PNG_TYPE kPngTypes[] = {
    {FourCC("icp4"), 16},  {FourCC("icp5"), 32},  {FourCC("icp6"), 64},   {FourCC("ic07"), 128},
    {FourCC("ic08"), 256}, {FourCC("ic09"), 512}, {FourCC("ic10"), 1024}, {FourCC("ic11"), 32},
    {FourCC("ic12"), 64},  {FourCC("ic13"), 256}, {FourCC("ic14"), 512},  {FourCC("ic04"), 16},
    {FourCC("ic05"), 32},
};

// The classic 24-bit entries, their side and the type of their 8-bit mask.
struct RGB_TYPE {
    uint32_t nType;
    int nSide;
    uint32_t nMask;
};
constexpr RGB_TYPE kRgbTypes[] = {
    {FourCC("is32"), 16, FourCC("s8mk")},
    {FourCC("il32"), 32, FourCC("l8mk")},
    {FourCC("ih32"), 48, FourCC("h8mk")},
    {FourCC("it32"), 128, FourCC("t8mk")},
};

// What the writer puts out: the side, its standard type and, where there is one, the type of the half side
// at double density.
struct WRITE_TYPE {
    int nSide;
    uint32_t nType;
    uint32_t nRetinaType;
};
constexpr WRITE_TYPE kWriteTypes[] = {
    {16, FourCC("icp4"), 0},   {32, FourCC("icp5"), FourCC("ic11")},  {64, FourCC("icp6"), FourCC("ic12")},
    {128, FourCC("ic07"), 0},  {256, FourCC("ic08"), FourCC("ic13")}, {512, FourCC("ic09"), FourCC("ic14")},
    {1024, FourCC("ic10"), 0},
};
static_assert(std::size(kWriteTypes) == std::size(ZI_ICNS_SIDES) && [] {
    for (size_t i = 0; i < std::size(kWriteTypes); ++i) {
        if (kWriteTypes[i].nSide != ZI_ICNS_SIDES[i]) {
            return false;
        }
    }
    return true;
}());

uint32_t BE32(ZsBytes b, size_t at) {
    return (static_cast<uint32_t>(b[at]) << 24) | (static_cast<uint32_t>(b[at + 1]) << 16) |
           (static_cast<uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

void PutBE32(ZsBlock& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

bool IsJpeg2000(ZsBytes data) {
    static constexpr uint8_t kBox[] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' '};
    static constexpr uint8_t kStream[] = {0xFF, 0x4F, 0xFF, 0x51};
    return (data.size() >= 8 && std::memcmp(data.data(), kBox, 8) == 0) ||
           (data.size() >= 4 && std::memcmp(data.data(), kStream, 4) == 0);
}

// Unpacks nChannels planes of nPixels bytes each from the icns run-length scheme: a byte below 0x80 is
// followed by that many plus one literal bytes, any other by one byte repeated (byte - 125) times. The
// planes go into the bitmap's channels in the order given (shift 24 alpha, 16 red, 8 green, 0 blue). False
// when the data ends early or a run passes the end of a plane.
bool UnpackRle(ZsBytes data, std::span<const int> shifts, CZsBitmap& bmp) {
    const size_t nPixels = bmp.Pixels().size();
    size_t at = 0;
    for (const int shift : shifts) {
        size_t n = 0;
        while (n < nPixels) {
            if (at >= data.size()) {
                return false;
            }
            const uint8_t c = data[at++];
            const bool bRun = c >= 0x80;
            const size_t nCount = bRun ? c - 125u : c + 1u;
            if (nCount > nPixels - n || (bRun ? data.size() - at < 1 : data.size() - at < nCount)) {
                return false;
            }
            for (size_t i = 0; i < nCount; ++i) {
                const uint32_t v = bRun ? data[at] : data[at + i];
                uint32_t& p = bmp.Pixels()[n + i];
                p = (p & ~(UINT32_C(0xFF) << shift)) | (v << shift);
            }
            at += bRun ? 1 : nCount;
            n += nCount;
        }
    }
    return true;
}

constexpr int kArgbShifts[] = {24, 16, 8, 0};
constexpr int kRgbShifts[] = {16, 8, 0};

// An "ARGB" entry (the 16 and 32 pixel types of later systems): the magic, then four RLE planes.
CZsBitmap DecodeArgb(ZsBytes data, int nSide) {
    CZsBitmap bmp(nSide, nSide);
    if (!UnpackRle(data.subspan(4), kArgbShifts, bmp)) {
        return {};
    }
    return bmp;
}

// A classic RGB entry: uncompressed 0RGB pixels when the data has exactly their size, else three RLE planes
// (behind four zero bytes in the 128-pixel type). Alpha from the mask when it has the right size, else
// opaque.
CZsBitmap DecodeRgb(ZsBytes data, const RGB_TYPE& type, ZsBytes mask) {
    const size_t nPixels = static_cast<size_t>(type.nSide) * static_cast<size_t>(type.nSide);
    CZsBitmap bmp(type.nSide, type.nSide, 32, 0xFF000000);
    if (data.size() == 4 * nPixels) {
        for (size_t i = 0; i < nPixels; ++i) {
            bmp.Pixels()[i] = 0xFF000000 | BE32(data, 4 * i);
        }
    } else {
        if (type.nType == FourCC("it32")) {
            if (data.size() < 4) {
                return {};
            }
            data = data.subspan(4);
        }
        if (!UnpackRle(data, kRgbShifts, bmp)) {
            return {};
        }
    }
    if (mask.size() == nPixels) {
        for (size_t i = 0; i < nPixels; ++i) {
            bmp.Pixels()[i] = (bmp.Pixels()[i] & 0x00FFFFFF) | (static_cast<uint32_t>(mask[i]) << 24);
        }
    }
    return bmp;
}

ZI_IMAGE ImageOfBitmap(const CZsBitmap& bmp) {
    ZI_IMAGE image = CIcon::NewImage({bmp.Width(), bmp.Height(), 32});
    ZI_SetImageBitmap(image, bmp);
    return image;
}

ZI_IMAGE ImageOfPng(ZsBytes png, int nWidth, int nHeight) {
    ZI_IMAGE image;
    image.bWidth = static_cast<uint8_t>(nWidth < 256 ? nWidth : 0);
    image.bHeight = static_cast<uint8_t>(nHeight < 256 ? nHeight : 0);
    image.wPlanes = 1;
    image.wBitCount = 32;
    image.dwBytesInRes = static_cast<uint32_t>(png.size());
    image.data.assign(png.begin(), png.end());
    return image;
}

void SetError(std::string* pError, const char* pszText) {
    if (pError) {
        *pError = pszText;
    }
}

}  // namespace

bool ZI_IsIcns(ZsBytes data) {
    return data.size() >= 8 && BE32(data, 0) == kMagic;
}

ZsBlock ZI_IcnsToIcon(ZsBytes data, std::string* pError) {
    if (!ZI_IsIcns(data)) {
        SetError(pError, "the file is not an Apple icon file");
        return {};
    }
    // A length past the end means a truncated file: what is there is read. One shorter than the file ends
    // the entries there.
    const size_t nEnd = std::min<size_t>(std::max<uint32_t>(BE32(data, 4), 8), data.size());
    std::map<uint32_t, ZsBytes> entries;
    std::vector<uint32_t> order;
    size_t at = 8;
    while (nEnd - at >= 8) {
        const uint32_t nType = BE32(data, at), nLength = BE32(data, at + 4);
        if (nLength < 8 || nLength > nEnd - at) {
            break;
        }
        if (entries.emplace(nType, data.subspan(at + 8, nLength - 8)).second) {
            order.push_back(nType);
        }
        at += nLength;
    }
    CIcon icon;
    std::vector<int> sides;
    int nJpeg2000 = 0;
    const auto add = [&](int nSide, ZI_IMAGE image) {
        if (std::find(sides.begin(), sides.end(), nSide) == sides.end()) {
            sides.push_back(nSide);
            icon.AddImage(std::move(image));
        }
    };
    for (const uint32_t nType : order) {
        const ZsBytes entry = entries[nType];
        const auto png = std::find_if(std::begin(kPngTypes), std::end(kPngTypes),
                                      [&](const PNG_TYPE& t) { return t.nType == nType; });
        if (png != std::end(kPngTypes)) {
            if (ZI_IsPng(entry)) {
                // The picture is decoded once, so that a damaged one never becomes an image.
                const CZsBitmap bmp = ZsDecodePng(entry);
                if (!bmp.IsNull() && bmp.Width() == bmp.Height()) {
                    add(bmp.Width(), ImageOfPng(entry, bmp.Width(), bmp.Height()));
                }
            } else if (IsJpeg2000(entry)) {
                ++nJpeg2000;
            } else if (entry.size() >= 4 && std::memcmp(entry.data(), "ARGB", 4) == 0) {
                const CZsBitmap bmp = DecodeArgb(entry, png->nSide);
                if (!bmp.IsNull()) {
                    add(png->nSide, ImageOfBitmap(bmp));
                }
            }
            continue;
        }
        for (const RGB_TYPE& t : kRgbTypes) {
            if (t.nType == nType) {
                const auto mask = entries.find(t.nMask);
                const CZsBitmap bmp = DecodeRgb(entry, t, mask == entries.end() ? ZsBytes() : mask->second);
                if (!bmp.IsNull()) {
                    add(t.nSide, ImageOfBitmap(bmp));
                }
            }
        }
    }
    if (icon.GetImageCount() == 0) {
        SetError(pError, nJpeg2000 > 0 ? "the file holds only JPEG 2000 images, which cannot be read"
                                       : "the file holds no image that can be read");
        return {};
    }
    if (nJpeg2000 > 0) {
        ZS_LOG_ERR("ZI_IcnsToIcon", "%d JPEG 2000 images skipped", nJpeg2000);
    }
    return icon.GetData(-1);
}

ZsBlock ZI_IconToIcns(const CIcon& source) {
    if (source.GetImageCount() == 0) {
        return {};
    }
    CIcon icon = source;
    // The largest image, the deepest of those, is what missing sides are made from.
    int nBest = 0, nLargest = 0;
    int64_t bestArea = -1;
    int nBestBits = 0;
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        const ZI_FORMAT f = icon.GetImage(i).Format();
        const int64_t area = static_cast<int64_t>(f.nWidth) * f.nHeight;
        if (area > bestArea || (area == bestArea && f.nBitCount > nBestBits)) {
            nBest = i;
            bestArea = area;
            nBestBits = f.nBitCount;
        }
        nLargest = std::max({nLargest, f.nWidth, f.nHeight});
    }
    const auto deepest = [&](int nSide) {
        int nFound = -1;
        for (int i = 0; i < icon.GetImageCount(); ++i) {
            const ZI_FORMAT f = icon.GetImage(i).Format();
            if (f.nWidth == nSide && f.nHeight == nSide &&
                (nFound < 0 || f.nBitCount > icon.GetImage(nFound).Format().nBitCount)) {
                nFound = i;
            }
        }
        return nFound;
    };
    std::vector<ZI_FORMAT> missing;
    for (const WRITE_TYPE& t : kWriteTypes) {
        if (ZI_IcnsHoldsSide(t.nSide, nLargest) && deepest(t.nSide) < 0) {
            missing.push_back({t.nSide, t.nSide, 32});
        }
    }
    ZI_NewFormats(icon, missing, nBest, nullptr);

    ZsBlock out;
    PutBE32(out, kMagic);
    PutBE32(out, 0);
    for (const WRITE_TYPE& t : kWriteTypes) {
        const int i = ZI_IcnsHoldsSide(t.nSide, nLargest) ? deepest(t.nSide) : -1;
        if (i < 0) {
            continue;
        }
        const ZI_IMAGE& image = icon.GetImage(i);
        const ZsBlock png =
            ZI_IsPlainPng(image) ? image.data : ZsEncodePicture(icon.GetHBITMAP(i), ZS_PIC_PNG);
        if (png.empty() || png.size() > UINT32_MAX - 8 - out.size()) {
            ZS_LOG_ERR("ZI_IconToIcns", "%dx%d", t.nSide, t.nSide);
            return {};
        }
        for (const uint32_t nType : {t.nType, t.nRetinaType}) {
            if (nType != 0) {
                PutBE32(out, nType);
                PutBE32(out, static_cast<uint32_t>(png.size() + 8));
                out.insert(out.end(), png.begin(), png.end());
            }
        }
    }
    const uint32_t nTotal = static_cast<uint32_t>(out.size());
    for (int k = 0; k < 4; ++k) {
        out[4 + static_cast<size_t>(k)] = static_cast<uint8_t>(nTotal >> (24 - 8 * k));
    }
    return out;
}
