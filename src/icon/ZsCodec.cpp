#include "icon/ZsCodec.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "icon/ZsPicture.h"

namespace {

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

uint64_t Stride(uint64_t nWidth, uint64_t nBitCount) {
    return ((nWidth * nBitCount + 31) >> 3) & ~UINT64_C(3);
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
struct Channel {
    uint32_t nMask = 0;
    int nShift = 0;
    uint32_t nMax = 0;

    explicit Channel(uint32_t mask) : nMask(mask) {
        if (mask == 0) {
            return;
        }
        while (!((mask >> nShift) & 1)) {
            ++nShift;
        }
        nMax = mask >> nShift;
    }
    unsigned Get(uint32_t v) const {
        const uint32_t raw = (v & nMask) >> nShift;
        if (nMax == 255) {
            return raw;
        }
        return nMax == 0 ? 0 : static_cast<unsigned>((static_cast<uint64_t>(raw) * 255 + nMax / 2) / nMax);
    }
};

// A DIB image: BITMAPINFOHEADER, colour table (shortened by biClrUsed), colour bits and AND mask, both
// bottom-up. Only the colour bits must be complete; a short mask counts as opaque where it is missing.
CZsBitmap DecodeDib(ZsBytes image, std::string* pError) {
    CZsByteReader r(image);
    if (!r.Has(0, 40)) {
        SetError(pError, "the image header is truncated");
        return {};
    }
    const uint32_t biSize = r.U32At(0);
    const int64_t nWidth = static_cast<int32_t>(r.U32At(4));
    const int64_t nHeight = static_cast<int32_t>(r.U32At(8)) / 2;
    const unsigned nBits = r.U16At(14);
    const uint32_t biCompression = r.U32At(16);
    const uint32_t biClrUsed = r.U32At(32);
    if (biSize < 40 || biSize > image.size()) {
        SetError(pError, "the image header has a bad length");
        return {};
    }
    if (nWidth <= 0 || nHeight <= 0) {
        SetError(pError, ZsFormat("the image has no pixels (%lld x %lld)", static_cast<long long>(nWidth),
                                  static_cast<long long>(nHeight)));
        return {};
    }
    if (!ZsCheckPictureSize(nWidth, nHeight, pError)) {
        return {};
    }
    if (biCompression != 0) {
        SetError(pError,
                 ZsFormat("the image is compressed (method %u), which icons never are", biCompression));
        return {};
    }
    if (nBits != 1 && nBits != 4 && nBits != 8 && nBits != 16 && nBits != 24 && nBits != 32) {
        SetError(pError, ZsFormat("the image has %u bits per pixel", nBits));
        return {};
    }
    uint64_t nColours = 0;
    if (nBits <= 8) {
        nColours = UINT64_C(1) << nBits;
        if (biClrUsed > 0 && biClrUsed < nColours) {
            nColours = biClrUsed;
        }
    }
    const uint64_t tableAt = biSize;
    const uint64_t xorAt = tableAt + 4 * nColours;
    const uint64_t xorStride = Stride(static_cast<uint64_t>(nWidth), nBits);
    const uint64_t andStride = Stride(static_cast<uint64_t>(nWidth), 1);
    const uint64_t andAt = xorAt + xorStride * static_cast<uint64_t>(nHeight);
    if (!r.Has(xorAt, xorStride * static_cast<uint64_t>(nHeight))) {
        SetError(pError, "the image's colour bits are truncated");
        return {};
    }
    std::array<uint32_t, 256> table{};
    for (uint64_t i = 0; i < nColours; ++i) {
        table[i] = 0xFF000000u | (r.U32At(tableAt + 4 * i) & 0xFFFFFF);
    }

    const int w = static_cast<int>(nWidth), h = static_cast<int>(nHeight);
    CZsBitmap bmp(w, h, static_cast<int>(nBits));
    const uint8_t* p = image.data();
    ZI_PIXEL_MASKS masks;
    if (nBits == 16) {
        masks = ZI_PIXEL_MASKS{0x7C00, 0x03E0, 0x001F, 0};
    } else if (nBits == 32) {
        masks.nAlpha = 0xFF000000;
    }
    const bool bAnyAlpha =
        ZI_DecodeDibPixels(p + xorAt, xorStride, false, static_cast<int>(nBits), table, masks, bmp);
    // Images without alpha of their own are shaped by the AND mask: a 32-bit image whose alpha bytes are all
    // zero is drawn through its mask, as the system draws it.
    if (nBits == 32 && bAnyAlpha) {
        return bmp;
    }
    for (int y = 0; y < h; ++y) {
        const uint64_t rowAt = andAt + static_cast<uint64_t>(h - 1 - y) * andStride;
        uint32_t* out = bmp.Row(y);
        for (int x = 0; x < w; ++x) {
            out[x] |= 0xFF000000u;
            const uint64_t at = rowAt + static_cast<uint64_t>(x >> 3);
            if (r.Has(at, 1) && ((p[at] >> (7 - (x & 7))) & 1)) {
                out[x] = 0;
            }
        }
    }
    return bmp;
}

// Keys' cubic convolution kernel with a = -0.5 (Catmull-Rom).
float Cubic(float x) {
    x = std::fabs(x);
    if (x < 1.0f) {
        return (1.5f * x - 2.5f) * x * x + 1.0f;
    }
    if (x < 2.0f) {
        return ((-0.5f * x + 2.5f) * x - 4.0f) * x + 2.0f;
    }
    return 0.0f;
}

// The weights of one axis, computed once per scaling: for every target position a window of source
// positions (clamped to the edges) and their normalised weights.
struct Taps {
    int nStride = 0;
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights;
};

Taps MakeTaps(int nSource, int nTarget) {
    const double scale = static_cast<double>(nSource) / nTarget;
    const double filterScale = std::max(1.0, scale);
    const double support = 2.0 * filterScale;
    Taps t;
    t.nStride = static_cast<int>(std::ceil(2.0 * support)) + 2;
    t.first.resize(static_cast<size_t>(nTarget));
    t.count.resize(static_cast<size_t>(nTarget));
    t.weights.assign(static_cast<size_t>(nTarget) * static_cast<size_t>(t.nStride), 0.0f);
    for (int i = 0; i < nTarget; ++i) {
        const double center = (i + 0.5) * scale - 0.5;
        const int lo = static_cast<int>(std::floor(center - support)) + 1;
        const int hi = static_cast<int>(std::floor(center + support));
        const int first = std::clamp(lo, 0, nSource - 1);
        const int last = std::clamp(hi, 0, nSource - 1);
        float* w = &t.weights[static_cast<size_t>(i) * static_cast<size_t>(t.nStride)];
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            const float k = Cubic(static_cast<float>((j - center) / filterScale));
            w[std::clamp(j, 0, nSource - 1) - first] += k;
            sum += k;
        }
        if (sum != 0) {
            for (int j = 0; j <= last - first; ++j) {
                w[j] = static_cast<float>(w[j] / sum);
            }
        }
        t.first[static_cast<size_t>(i)] = first;
        t.count[static_cast<size_t>(i)] = last - first + 1;
    }
    return t;
}

// out[i] += f * in[i] over n pixels of four floats; the two never overlap, so the four channels of a pixel
// go through the vector unit together.
void AddScaledPixels(float* __restrict out, const float* __restrict in, float f, size_t n) {
    for (size_t i = 0; i < n; ++i, out += 4, in += 4) {
        out[0] += f * in[0];
        out[1] += f * in[1];
        out[2] += f * in[2];
        out[3] += f * in[3];
    }
}

// The source scaled to w x h, one target row at a time: each row is handed to emit(y, pixels) as
// premultiplied floats (four per pixel, 0..255). Columns are filtered first, from source rows premultiplied
// once each into a ring that holds the rows the current target row reads: the windows of consecutive target
// rows only move down, so no row is converted twice and only a window of rows is held, whatever the size of
// the source.
template <typename Emit>
void ScalePremultiplied(const CZsBitmap& src, int w, int h, Emit&& emit) {
    const int sw = src.Width(), sh = src.Height();
    const Taps tv = MakeTaps(sh, h);
    const Taps th = w != sw ? MakeTaps(sw, w) : Taps();
    const size_t nRowFloats = static_cast<size_t>(sw) * 4;
    const size_t nRing = static_cast<size_t>(std::min(tv.nStride, sh));
    std::vector<float> ring(nRing * nRowFloats);
    std::vector<int> ringRows(nRing, -1);
    auto premultiplied = [&](int sy) {
        const size_t nSlot = static_cast<size_t>(sy) % nRing;
        float* const slot = &ring[nSlot * nRowFloats];
        if (ringRows[nSlot] != sy) {
            ringRows[nSlot] = sy;
            const uint32_t* in = src.Row(sy);
            float* out = slot;
            for (int x = 0; x < sw; ++x, out += 4) {
                const uint32_t p = in[x];
                const float a = static_cast<float>(ZsAlpha(p));
                const float fa = a * (1.0f / 255.0f);
                out[0] = fa * static_cast<float>(ZsRed(p));
                out[1] = fa * static_cast<float>(ZsGreen(p));
                out[2] = fa * static_cast<float>(ZsBlue(p));
                out[3] = a;
            }
        }
        return static_cast<const float*>(slot);
    };
    std::vector<float> column(nRowFloats);
    std::vector<float> row(static_cast<size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        std::fill(column.begin(), column.end(), 0.0f);
        const float* wv = &tv.weights[static_cast<size_t>(y) * static_cast<size_t>(tv.nStride)];
        for (int k = 0; k < tv.count[static_cast<size_t>(y)]; ++k) {
            if (wv[k] != 0.0f) {
                AddScaledPixels(column.data(), premultiplied(tv.first[static_cast<size_t>(y)] + k), wv[k],
                                static_cast<size_t>(sw));
            }
        }
        if (w == sw) {
            emit(y, column.data());
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const float* wh = &th.weights[static_cast<size_t>(x) * static_cast<size_t>(th.nStride)];
            const float* px = column.data() + static_cast<size_t>(th.first[static_cast<size_t>(x)]) * 4;
            float acc[4] = {0, 0, 0, 0};
            for (int k = 0; k < th.count[static_cast<size_t>(x)]; ++k, px += 4) {
                acc[0] += wh[k] * px[0];
                acc[1] += wh[k] * px[1];
                acc[2] += wh[k] * px[2];
                acc[3] += wh[k] * px[3];
            }
            std::copy_n(acc, 4, &row[4 * static_cast<size_t>(x)]);
        }
        emit(y, row.data());
    }
}

unsigned ToByte(float v) {
    return static_cast<unsigned>(std::clamp(std::lround(v), 0L, 255L));
}

// A premultiplied pixel back to straight alpha; colours never exceed their alpha.
uint32_t Unpremultiply(const float* px) {
    const float a = std::clamp(px[3], 0.0f, 255.0f);
    const unsigned nA = ToByte(a);
    if (nA == 0) {
        return 0;
    }
    const float f = 255.0f / a;
    return ZsArgb(nA, ToByte(std::min(px[0], a) * f), ToByte(std::min(px[1], a) * f),
                  ToByte(std::min(px[2], a) * f));
}

// A premultiplied pixel composited on opaque black.
uint32_t OnBlack(const float* px) {
    return ZsArgb(255, ToByte(px[0]), ToByte(px[1]), ToByte(px[2]));
}

constexpr std::array<uint32_t, 2> kMonoPalette{0x000000, 0xFFFFFF};
constexpr std::array<uint32_t, 16> kVgaPalette{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr unsigned kHalftoneGreys = 32;

std::vector<uint32_t> MakeHalftonePalette() {
    const std::array<uint32_t, 16>& vga = kVgaPalette;
    std::vector<uint32_t> pal(vga.begin(), vga.end());
    for (unsigned r = 0; r < 6; ++r) {
        for (unsigned g = 0; g < 6; ++g) {
            for (unsigned b = 0; b < 6; ++b) {
                uint32_t c = ZsArgb(0, r * 51, g * 51, b * 51);
                if (std::find(vga.begin(), vga.end(), c) == vga.end()) {
                    pal.push_back(c);
                }
            }
        }
    }
    // Greys that neither the VGA colours nor the cube have.
    for (unsigned k = 0; k < kHalftoneGreys; ++k) {
        unsigned v = 8 * k + 2;
        pal.push_back(ZsArgb(0, v, v, v));
    }
    return pal;
}

// The halftone palette's index of every colour of the 6x6x6 cube (those that are VGA colours too sit among
// the VGA colours).
const std::array<uint8_t, 216>& HalftoneCubeIndex() {
    static const std::array<uint8_t, 216> index = [] {
        std::array<uint8_t, 216> t{};
        std::span<const uint32_t> pal = ZsGetPalette(8);
        for (unsigned c = 0; c < 216; ++c) {
            const uint32_t rgb = ZsArgb(0, c / 36 * 51, c / 6 % 6 * 51, c % 6 * 51);
            t[c] = static_cast<uint8_t>(std::find(pal.begin(), pal.end(), rgb) - pal.begin());
        }
        return t;
    }();
    return index;
}

void WriteDib(ZsBlock& data, const CZsBitmap& bmp, int w, int h, int b) {
    const uint64_t nColours = b <= 8 ? UINT64_C(1) << b : 0;
    const uint64_t xorStride = Stride(static_cast<uint64_t>(w), static_cast<uint64_t>(b));
    const uint64_t andStride = Stride(static_cast<uint64_t>(w), 1);
    uint8_t* p = data.data();
    ZsSetU32(p + 0, 40);
    ZsSetU32(p + 4, static_cast<uint32_t>(w));
    ZsSetU32(p + 8, static_cast<uint32_t>(2 * h));
    ZsSetU16(p + 12, 1);
    ZsSetU16(p + 14, static_cast<uint16_t>(b));
    ZsSetU32(p + 20, static_cast<uint32_t>(xorStride * 2 * static_cast<uint64_t>(h)));
    std::span<const uint32_t> palette = ZsGetPalette(b);
    for (size_t i = 0; i < palette.size(); ++i) {
        ZsSetU32(p + 40 + 4 * i, palette[i]);
    }
    CZsPaletteMapper mapper(palette);
    uint8_t* xorBits = p + 40 + 4 * nColours;
    uint8_t* andBits = xorBits + xorStride * static_cast<uint64_t>(h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = xorBits + static_cast<uint64_t>(h - 1 - y) * xorStride;
        uint8_t* mask = andBits + static_cast<uint64_t>(h - 1 - y) * andStride;
        const uint32_t* in = bmp.Row(y);
        for (int x = 0; x < w; ++x) {
            const uint32_t rgb = in[x] & 0xFFFFFF;
            // Images without alpha are transparent where they are pure black; a 32-bit image exactly where
            // its alpha is 0, so that half-transparent black (a shadow) stays what it is.
            const bool bMasked = b == 32 ? ZsAlpha(in[x]) == 0 : rgb == 0;
            if (bMasked) {
                mask[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            }
            switch (b) {
                case 1:
                    row[x >> 3] |= static_cast<uint8_t>(mapper.Index(rgb) << (7 - (x & 7)));
                    break;
                case 4:
                    row[x >> 1] |= static_cast<uint8_t>(mapper.Index(rgb) << ((x & 1) ? 0 : 4));
                    break;
                case 8:
                    row[x] = mapper.Index(rgb);
                    break;
                case 24:
                    row[3 * x] = static_cast<uint8_t>(ZsBlue(rgb));
                    row[3 * x + 1] = static_cast<uint8_t>(ZsGreen(rgb));
                    row[3 * x + 2] = static_cast<uint8_t>(ZsRed(rgb));
                    break;
                default:
                    ZsSetU32(row + 4 * x, bMasked ? 0 : in[x]);
                    break;
            }
        }
    }
}

}  // namespace

bool ZI_DecodeDibPixels(const uint8_t* pPixels, uint64_t nStride, bool bTopDown, int nBits,
                        const std::array<uint32_t, 256>& table, const ZI_PIXEL_MASKS& masks, CZsBitmap& bmp) {
    const Channel red(masks.nRed), green(masks.nGreen), blue(masks.nBlue), alpha(masks.nAlpha);
    const int w = bmp.Width(), h = bmp.Height();
    bool bAnyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = pPixels + nStride * static_cast<uint64_t>(bTopDown ? y : h - 1 - y);
        uint32_t* out = bmp.Row(y);
        for (int x = 0; x < w; ++x) {
            switch (nBits) {
                case 1:
                    out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    out[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                    break;
                case 8:
                    out[x] = table[row[x]];
                    break;
                case 24:
                    out[x] = ZsArgb(255, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                default: {
                    const uint32_t v =
                        nBits == 16 ? static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8))
                                    : static_cast<uint32_t>(row[4 * x] | (row[4 * x + 1] << 8) |
                                                            (row[4 * x + 2] << 16) |
                                                            (static_cast<uint32_t>(row[4 * x + 3]) << 24));
                    const unsigned a = alpha.nMask ? alpha.Get(v) : 255;
                    bAnyAlpha = bAnyAlpha || (alpha.nMask && a != 0);
                    out[x] = ZsArgb(a, red.Get(v), green.Get(v), blue.Get(v));
                    break;
                }
            }
        }
    }
    return bAnyAlpha;
}

bool ZsCheckPictureSize(int64_t nWidth, int64_t nHeight, std::string* pError) {
    if (nWidth > ZS_MAX_PICTURE_SIDE || nHeight > ZS_MAX_PICTURE_SIDE ||
        nWidth * nHeight > ZS_MAX_PICTURE_PIXELS) {
        SetError(pError, ZsFormat("the picture is too large (%lld x %lld pixels)",
                                  static_cast<long long>(nWidth), static_cast<long long>(nHeight)));
        return false;
    }
    return true;
}

bool ZsCheckPictureData(int64_t nWidth, int64_t nHeight, uint64_t nDataBytes, uint64_t nMaxPixels,
                        std::string* pError) {
    if (!ZsCheckPictureSize(nWidth, nHeight, pError)) {
        return false;
    }
    const int64_t nPixels = nWidth * nHeight;
    if (nPixels > ZS_SMALL_PICTURE_PIXELS && static_cast<uint64_t>(nPixels) > nMaxPixels) {
        SetError(pError,
                 ZsFormat("the picture claims %lld x %lld pixels, more than its %llu bytes of data can hold",
                          static_cast<long long>(nWidth), static_cast<long long>(nHeight),
                          static_cast<unsigned long long>(nDataBytes)));
        return false;
    }
    return true;
}

CZsBitmap ZI_DecodeImage(ZsBytes image, std::string* pError) {
    if (ZI_IsPng(image)) {
        CZsBitmap bmp = ZsDecodePng(image, pError);
        bmp.SetBitCount(32);
        return bmp;
    }
    if (!image.empty() && image[0] == 0x28) {
        return DecodeDib(image, pError);
    }
    SetError(pError, "the image is neither a DIB nor a PNG image");
    return {};
}

CZsBitmap ZI_CreateHICON(ZsBytes image, int nWidth, int nHeight) {
    std::string sError;
    CZsBitmap bmp = ZI_DecodeImage(image, &sError);
    if (bmp.IsNull()) {
        ZS_LOG_ERR("ZI_CreateHICON", "%s", sError.c_str());
        return bmp;
    }
    if (nWidth <= 0 || nHeight <= 0 || (nWidth == bmp.Width() && nHeight == bmp.Height())) {
        return bmp;
    }
    if (!ZsCheckPictureSize(nWidth, nHeight, &sError)) {
        ZS_LOG_ERR("ZI_CreateHICON", "%s", sError.c_str());
        return {};
    }
    CZsBitmap scaled = ZsScaleBitmap(bmp, nWidth, nHeight);
    scaled.SetBitCount(bmp.BitCount());
    return scaled;
}

CZsBitmap ZsScaleBitmap(const CZsBitmap& source, int nWidth, int nHeight) {
    if (source.IsNull() || nWidth <= 0 || nHeight <= 0) {
        return {};
    }
    if (nWidth == source.Width() && nHeight == source.Height()) {
        return source;
    }
    CZsBitmap out(nWidth, nHeight, source.BitCount());
    ScalePremultiplied(source, nWidth, nHeight, [&](int y, const float* px) {
        uint32_t* row = out.Row(y);
        for (int x = 0; x < nWidth; ++x) {
            row[x] = Unpremultiply(px + 4 * x);
        }
    });
    return out;
}

CZsBitmap ZsResizeHBITMAP(const CZsBitmap& source, int nWidth, int nHeight, int nBitCount) {
    if (source.IsNull() || nWidth <= 0 || nHeight <= 0) {
        return {};
    }
    const int b = nBitCount == 0 ? source.BitCount() : nBitCount;
    const float s = std::min(static_cast<float>(nWidth) / static_cast<float>(source.Width()),
                             static_cast<float>(nHeight) / static_cast<float>(source.Height()));
    const int tw = std::clamp(static_cast<int>(static_cast<float>(source.Width()) * s), 1, nWidth);
    const int th = std::clamp(static_cast<int>(static_cast<float>(source.Height()) * s), 1, nHeight);
    CZsBitmap out(nWidth, nHeight, b, b == 32 ? 0 : 0xFF000000u);
    std::span<const uint32_t> palette = ZsGetPalette(b);
    CZsPaletteMapper mapper(palette);
    ScalePremultiplied(source, tw, th, [&](int y, const float* px) {
        uint32_t* row = out.Row(y);
        for (int x = 0; x < tw; ++x) {
            const float* p = px + 4 * x;
            if (b == 32) {
                row[x] = Unpremultiply(p);
            } else if (palette.empty()) {
                row[x] = OnBlack(p);
            } else {
                row[x] = 0xFF000000u | palette[mapper.Index(OnBlack(p) & 0xFFFFFF)];
            }
        }
    });
    return out;
}

std::span<const uint32_t> ZsGetPalette(int nBitCount) {
    static const std::vector<uint32_t> halftone = MakeHalftonePalette();
    switch (nBitCount) {
        case 1:
            return kMonoPalette;
        case 4:
            return kVgaPalette;
        case 8:
            return halftone;
        default:
            return {};
    }
}

CZsPaletteMapper::CZsPaletteMapper(std::span<const uint32_t> palette)
    : mPalette(palette),
      mbHalftone(palette.data() == ZsGetPalette(8).data()),
      mKeys(palette.empty() ? 0 : 4096, 0xFFFFFFFFu),
      mValues(mKeys.size(), 0) {}

uint8_t CZsPaletteMapper::Index(uint32_t rgb) {
    if (mPalette.empty()) {
        return 0;
    }
    rgb &= 0xFFFFFF;
    const size_t slot = ((rgb * 2654435761u) >> 20) & 0xFFF;
    if (mKeys[slot] == rgb) {
        return mValues[slot];
    }
    size_t nBest = 0;
    int bestDistance = INT_MAX;
    const auto consider = [&](size_t i) {
        const int dr = static_cast<int>(ZsRed(mPalette[i])) - static_cast<int>(ZsRed(rgb));
        const int dg = static_cast<int>(ZsGreen(mPalette[i])) - static_cast<int>(ZsGreen(rgb));
        const int db = static_cast<int>(ZsBlue(mPalette[i])) - static_cast<int>(ZsBlue(rgb));
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance || (d == bestDistance && i < nBest)) {
            bestDistance = d;
            nBest = i;
        }
    };
    if (mbHalftone) {
        // Of the 6x6x6 cube only the point nearest on every axis can be nearest; the VGA colours and the
        // greys are tried as they are. The answer is the one a search of the whole palette gives.
        const auto level = [](unsigned v) { return (v + 25) / 51; };
        consider(HalftoneCubeIndex()[level(ZsRed(rgb)) * 36 + level(ZsGreen(rgb)) * 6 + level(ZsBlue(rgb))]);
        for (size_t i = 0; i < kVgaPalette.size(); ++i) {
            consider(i);
        }
        for (size_t i = mPalette.size() - kHalftoneGreys; i < mPalette.size(); ++i) {
            consider(i);
        }
    } else {
        for (size_t i = 0; i < mPalette.size(); ++i) {
            consider(i);
        }
    }
    mKeys[slot] = rgb;
    mValues[slot] = static_cast<uint8_t>(nBest);
    return static_cast<uint8_t>(nBest);
}

bool ZI_SetImageBitmap(ZI_IMAGE& image, const CZsBitmap& bitmap) {
    const ZI_FORMAT f = image.Format();
    const int b = f.nBitCount;
    if (bitmap.IsNull() || (b != 1 && b != 4 && b != 8 && b != 24 && b != 32)) {
        return false;
    }
    const uint32_t nSize = ZI_GetDibSize(f.nWidth, f.nHeight, b);
    if (nSize == 0 || !ZsCheckPictureSize(f.nWidth, f.nHeight, nullptr)) {
        return false;
    }
    CZsBitmap scaled = ZsResizeHBITMAP(bitmap, f.nWidth, f.nHeight, b);
    ZsBlock data(nSize, 0);
    WriteDib(data, scaled, f.nWidth, f.nHeight, b);
    image.data = std::move(data);
    image.dwBytesInRes = nSize;
    return true;
}

namespace {

std::atomic<int> gnPngMinSize{0};

}  // namespace

void ZI_SetPngMinSize(int nSide) {
    gnPngMinSize = std::max(nSide, 0);
}

int ZI_GetPngMinSize() {
    return gnPngMinSize;
}

bool ZI_IsPngFormat(const ZI_FORMAT& format) {
    const int nMin = gnPngMinSize;
    return nMin > 0 && format.nBitCount == 32 && format.nWidth >= nMin && format.nHeight >= nMin;
}

bool ZI_IsPlainPng(const ZI_IMAGE& image) {
    return image.IsPng() && image.Format() == ZI_GetImageFormat(0, 0, 32, image.data);
}

bool ZI_CompressImage(ZI_IMAGE& image) {
    if (image.IsPng() || image.Format().nBitCount != 32) {
        return false;
    }
    const CZsBitmap bmp = ZI_DecodeImage(image.data);
    ZsBlock png = bmp.IsNull() ? ZsBlock() : ZsEncodePicture(bmp, ZS_PIC_PNG);
    if (png.empty()) {
        return false;
    }
    image.dwBytesInRes = static_cast<uint32_t>(png.size());
    image.data = std::move(png);
    return true;
}
