// A 32-bit picture in memory: what an icon's colour bitmap, a decoded picture file or a drawing surface is
// in the core. Pixels are top-down rows of 0xAARRGGBB values; mnBitCount remembers the depth of the image the
// pixels came from (an icon image of 8 bits still has 32-bit pixels here, with alpha from its AND mask).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/ZsBase.h"

class CZsBitmap {
public:
    CZsBitmap() = default;
    CZsBitmap(int nWidth, int nHeight, int nBitCount = 32, uint32_t nFill = 0)
        : mnWidth(nWidth > 0 && nHeight > 0 ? nWidth : 0),
          mnHeight(nWidth > 0 && nHeight > 0 ? nHeight : 0),
          mnBitCount(nBitCount) {
        const size_t nPixels = static_cast<size_t>(mnWidth) * static_cast<size_t>(mnHeight);
        mPixels.reserve(nPixels);
        ZsAdviseLargeBuffer(mPixels.data(), nPixels * sizeof(uint32_t));
        mPixels.assign(nPixels, nFill);
    }

    // Takes rows of pixels made elsewhere; a null bitmap unless they are exactly nWidth x nHeight.
    CZsBitmap(int nWidth, int nHeight, std::vector<uint32_t>&& pixels) {
        if (nWidth > 0 && nHeight > 0 &&
            pixels.size() == static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight)) {
            mnWidth = nWidth;
            mnHeight = nHeight;
            mPixels = std::move(pixels);
        }
    }

    bool IsNull() const { return mPixels.empty(); }
    int Width() const { return mnWidth; }
    int Height() const { return mnHeight; }
    int BitCount() const { return mnBitCount; }
    void SetBitCount(int nBitCount) { mnBitCount = nBitCount; }

    uint32_t* Row(int y) { return mPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(mnWidth); }
    const uint32_t* Row(int y) const {
        return mPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(mnWidth);
    }
    uint32_t& At(int x, int y) { return Row(y)[x]; }
    uint32_t At(int x, int y) const { return Row(y)[x]; }
    std::vector<uint32_t>& Pixels() { return mPixels; }
    const std::vector<uint32_t>& Pixels() const { return mPixels; }

    bool operator==(const CZsBitmap&) const = default;

private:
    int mnWidth = 0;
    int mnHeight = 0;
    int mnBitCount = 32;
    std::vector<uint32_t> mPixels;
};

inline constexpr uint32_t ZsArgb(unsigned a, unsigned r, unsigned g, unsigned b) {
    return (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(r) << 16) |
           (static_cast<uint32_t>(g) << 8) | static_cast<uint32_t>(b);
}
inline constexpr unsigned ZsAlpha(uint32_t p) {
    return p >> 24;
}
inline constexpr unsigned ZsRed(uint32_t p) {
    return (p >> 16) & 0xFF;
}
inline constexpr unsigned ZsGreen(uint32_t p) {
    return (p >> 8) & 0xFF;
}
inline constexpr unsigned ZsBlue(uint32_t p) {
    return p & 0xFF;
}
