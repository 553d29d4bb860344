#include "icon/ZsPngInflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "icon/ZsCodec.h"

namespace {

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

constexpr uint32_t ChunkType(const char (&name)[5]) {
    return (uint32_t{static_cast<uint8_t>(name[0])} << 24) | (uint32_t{static_cast<uint8_t>(name[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(name[2])} << 8) | uint32_t{static_cast<uint8_t>(name[3])};
}

constexpr uint32_t kIhdr = ChunkType("IHDR");
constexpr uint32_t kIdat = ChunkType("IDAT");
constexpr uint32_t kTrns = ChunkType("tRNS");
// libpng refuses longer chunks; the image data has a limit of its own (IdatLimit).
constexpr uint32_t kMaxChunkBytes = 8000000;
constexpr uint32_t kMaxPngUint = 0x7FFFFFFF;

// Chunk types are four ASCII letters; an upper-case first letter marks a chunk a decoder must understand.
bool IsChunkType(const uint8_t* p) {
    return std::all_of(p, p + 4, [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

bool IsCritical(uint32_t nType) {
    return (nType & 0x20000000) == 0;
}

// The longest image data chunk libpng reads for an image of rows of nRowBytes (filter byte included).
uint64_t IdatLimit(uint64_t nRowBytes, uint32_t nHeight) {
    uint64_t nLimit = nRowBytes * nHeight;
    const uint64_t nFactor = std::min<uint64_t>(nRowBytes, 32566);
    nLimit += 6 + 5 * (nLimit / nFactor + 1);
    return std::min<uint64_t>(nLimit, kMaxPngUint);
}

// True when the four-byte CRC after a chunk's type and data matches them.
bool CrcMatches(const uint8_t* pType, uint32_t nLength) {
    return libdeflate_crc32(0, pType, size_t{nLength} + 4) == Be32(pType + 4 + nLength);
}

// ---- Unfiltering: each row is its filter byte and nBytes bytes; prior is the row above, unfiltered (zeros
// for the first). Pixels of B bytes; every loop runs over a whole row with the channel loop innermost and of
// fixed length, so that the compiler keeps the channels of a pixel together.

template <unsigned B>
void UnfilterSub(uint8_t* x, size_t nBytes) {
    for (size_t i = B; i < nBytes; i += B) {
        for (unsigned k = 0; k < B; ++k) {
            x[i + k] = static_cast<uint8_t>(x[i + k] + x[i + k - B]);
        }
    }
}

void UnfilterUp(uint8_t* __restrict x, const uint8_t* __restrict prior, size_t nBytes) {
    for (size_t i = 0; i < nBytes; ++i) {
        x[i] = static_cast<uint8_t>(x[i] + prior[i]);
    }
}

template <unsigned B>
void UnfilterAverage(uint8_t* __restrict x, const uint8_t* __restrict prior, size_t nBytes) {
    for (unsigned k = 0; k < B; ++k) {
        x[k] = static_cast<uint8_t>(x[k] + (prior[k] >> 1));
    }
    for (size_t i = B; i < nBytes; i += B) {
        for (unsigned k = 0; k < B; ++k) {
            x[i + k] = static_cast<uint8_t>(x[i + k] + ((x[i + k - B] + prior[i + k]) >> 1));
        }
    }
}

// The predictor of the Paeth filter: whichever of left (a), above (b) and above left (c) is nearest to
// a + b - c, preferring a, then b. Chosen with a mask rather than a branch: on noisy pictures the choice is
// unpredictable, and mispredicted branches made this filter three times slower.
inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    const int nearA = -static_cast<int>((pa <= pb) & (pa <= pc));
    return (a & nearA) | (bc & ~nearA);
}

template <unsigned B>
void UnfilterPaeth(uint8_t* __restrict x, const uint8_t* __restrict prior, size_t nBytes) {
    // On the left edge a and c are 0, so the predictor is b.
    for (unsigned k = 0; k < B; ++k) {
        x[k] = static_cast<uint8_t>(x[k] + prior[k]);
    }
    for (size_t i = B; i < nBytes; i += B) {
        for (unsigned k = 0; k < B; ++k) {
            x[i + k] = static_cast<uint8_t>(x[i + k] + Paeth(x[i + k - B], prior[i + k], prior[i + k - B]));
        }
    }
}

// Unfilters one row in place; false for a filter type other than 0..4.
template <unsigned B>
bool Unfilter(uint8_t nFilter, uint8_t* x, const uint8_t* prior, size_t nBytes) {
    switch (nFilter) {
        case 0:
            return true;
        case 1:
            UnfilterSub<B>(x, nBytes);
            return true;
        case 2:
            UnfilterUp(x, prior, nBytes);
            return true;
        case 3:
            UnfilterAverage<B>(x, prior, nBytes);
            return true;
        case 4:
            UnfilterPaeth<B>(x, prior, nBytes);
            return true;
        default:
            return false;
    }
}

// One unfiltered row of B-byte pixels (grey, grey and alpha, RGB, RGBA) as 0xAARRGGBB.
template <unsigned B>
void ToArgb(const uint8_t* __restrict in, uint32_t* __restrict out, size_t nPixels) {
    for (size_t x = 0; x < nPixels; ++x, in += B) {
        if constexpr (B == 1) {
            out[x] = 0xFF000000u | uint32_t{in[0]} * 0x010101u;
        } else if constexpr (B == 2) {
            out[x] = (uint32_t{in[1]} << 24) | uint32_t{in[0]} * 0x010101u;
        } else if constexpr (B == 3) {
            out[x] = ZsArgb(255, in[0], in[1], in[2]);
        } else {
            out[x] = ZsArgb(in[3], in[0], in[1], in[2]);
        }
    }
}

// Unfilters the inflated rows (each nRowBytes long, filter byte first) and writes their pixels over the same
// memory: the rows lie at its end, and pixel row y never reaches past the start of filtered row y + 1.
template <unsigned B>
bool UnfilterImage(const uint8_t* pInflated, uint64_t nRowBytes, uint32_t* pPixels, size_t nWidth,
                   size_t nHeight) {
    const size_t nBytes = static_cast<size_t>(nRowBytes - 1);
    // The row being unfiltered and the one above it, which starts as zeros.
    std::vector<uint8_t> rows(2 * nBytes, 0);
    uint8_t* row = rows.data();
    uint8_t* prior = rows.data() + nBytes;
    for (size_t y = 0; y < nHeight; ++y) {
        const uint8_t* pFiltered = pInflated + y * static_cast<size_t>(nRowBytes);
        const uint8_t nFilter = pFiltered[0];
        std::memcpy(row, pFiltered + 1, nBytes);
        if (!Unfilter<B>(nFilter, row, prior, nBytes)) {
            return false;
        }
        ToArgb<B>(row, pPixels + y * nWidth, nWidth);
        std::swap(row, prior);
    }
    return true;
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* p) const { libdeflate_free_decompressor(p); }
};

}  // namespace

bool ZsCheckPngData(uint32_t nWidth, uint32_t nHeight, uint64_t nRowBytes, uint64_t nInputBytes,
                    std::string* pError) {
    const uint64_t nInflated = nInputBytes != 0 && ZS_MAX_DEFLATE_RATIO > UINT64_MAX / nInputBytes
                                   ? UINT64_MAX
                                   : nInputBytes * ZS_MAX_DEFLATE_RATIO;
    const uint64_t nMaxPixels = nRowBytes == 0 ? 0 : nInflated / nRowBytes * nWidth;
    return ZsCheckPictureData(nWidth, nHeight, nInputBytes, nMaxPixels, pError);
}

CZsBitmap ZsInflatePng(ZsBytes bytes) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // The signature and a whole header chunk.
    constexpr size_t kHeaderEnd = 8 + 25;
    if (bytes.size() < kHeaderEnd || !std::equal(kSignature, kSignature + 8, bytes.begin())) {
        return {};
    }
    const uint8_t* ihdr = bytes.data() + 8;
    if (Be32(ihdr) != 13 || Be32(ihdr + 4) != kIhdr || !CrcMatches(ihdr + 4, 13)) {
        return {};
    }
    const uint32_t w = Be32(ihdr + 8), h = Be32(ihdr + 12);
    const uint8_t nDepth = ihdr[16], nColorType = ihdr[17];
    unsigned nChannels = 0;
    switch (nColorType) {
        case 0:
            nChannels = 1;
            break;
        case 2:
            nChannels = 3;
            break;
        case 4:
            nChannels = 2;
            break;
        case 6:
            nChannels = 4;
            break;
        default:
            return {};
    }
    // Compression, filter method and interlacing: only the plain ones.
    if (nDepth != 8 || ihdr[18] != 0 || ihdr[19] != 0 || ihdr[20] != 0 || w == 0 || h == 0 ||
        w > ZS_MAX_PICTURE_SIDE || h > ZS_MAX_PICTURE_SIDE) {
        return {};
    }
    const uint64_t nRowBytes = uint64_t{w} * nChannels + 1;
    const uint64_t nInflated = nRowBytes * h;
    if (nInflated > ZS_MAX_INFLATED_PNG_BYTES || !ZsCheckPngData(w, h, nRowBytes, bytes.size(), nullptr)) {
        return {};
    }

    // The chunks up to the end of the first run of image data chunks, which holds the whole zlib stream of a
    // PNG libpng reads (it reads no further either). Chunks that change pixels or that libpng would refuse
    // leave the file to libpng.
    const uint64_t nIdatLimit = IdatLimit(nRowBytes, h);
    std::vector<ZsBytes> idat;
    size_t pos = kHeaderEnd;
    for (;;) {
        const size_t nLeft = bytes.size() - pos;
        if (!idat.empty() && (nLeft < 8 || Be32(bytes.data() + pos + 4) != kIdat)) {
            break;
        }
        if (nLeft < 12) {
            return {};
        }
        const uint8_t* chunk = bytes.data() + pos;
        const uint32_t nLength = Be32(chunk), nType = Be32(chunk + 4);
        if (nLength > kMaxPngUint || nLength > nLeft - 12 || !IsChunkType(chunk + 4)) {
            return {};
        }
        if (nType == kIdat) {
            if (nLength > nIdatLimit || !CrcMatches(chunk + 4, nLength)) {
                return {};
            }
            idat.emplace_back(chunk + 8, nLength);
        } else if (IsCritical(nType) || nType == kTrns || nLength > kMaxChunkBytes) {
            return {};
        }
        pos += size_t{nLength} + 12;
    }
    ZsLargeBuffer joined;
    ZsBytes stream = idat.front();
    if (idat.size() > 1) {
        size_t nJoined = 0;
        for (ZsBytes part : idat) {
            nJoined += part.size();
        }
        joined = ZsAllocLargeBuffer(nJoined);
        if (!joined) {
            return {};
        }
        uint8_t* pTo = joined.get();
        for (ZsBytes part : idat) {
            pTo = std::copy(part.begin(), part.end(), pTo);
        }
        stream = ZsBytes(joined.get(), nJoined);
    }
    // libpng's zlib keeps the window the stream's header declares, so a stream that reaches back further
    // fails there; only a window of 32 KiB, or one larger than all the data, is sure to reach as far as
    // libdeflate does.
    if (stream.size() < 2 || ((stream[0] >> 4) < 7 && nInflated > (uint64_t{1} << ((stream[0] >> 4) + 8)))) {
        return {};
    }

    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) {
        return {};
    }
    // The rows are inflated into the end of the pixels' own memory (grown to hold them where they are larger)
    // and unfiltered from there into place, so the picture costs no second buffer.
    const size_t nPixels = size_t{w} * h;
    const size_t nWords = std::max<size_t>(nPixels, static_cast<size_t>((nInflated + 3) / 4));
    std::vector<uint32_t> pixels;
    pixels.reserve(nWords);
    ZsAdviseLargeBuffer(pixels.data(), nWords * sizeof(uint32_t));
    pixels.resize(nWords);
    uint8_t* pInflated = reinterpret_cast<uint8_t*>(pixels.data()) + nWords * sizeof(uint32_t) - nInflated;
    // Exactly the rows the header implies: less data, more data and a bad checksum all leave it to libpng.
    if (libdeflate_zlib_decompress(decompressor.get(), stream.data(), stream.size(), pInflated,
                                   static_cast<size_t>(nInflated), nullptr) != LIBDEFLATE_SUCCESS) {
        return {};
    }
    bool bOk = false;
    switch (nChannels) {
        case 1:
            bOk = UnfilterImage<1>(pInflated, nRowBytes, pixels.data(), w, h);
            break;
        case 2:
            bOk = UnfilterImage<2>(pInflated, nRowBytes, pixels.data(), w, h);
            break;
        case 3:
            bOk = UnfilterImage<3>(pInflated, nRowBytes, pixels.data(), w, h);
            break;
        default:
            bOk = UnfilterImage<4>(pInflated, nRowBytes, pixels.data(), w, h);
            break;
    }
    if (!bOk) {
        return {};
    }
    pixels.resize(nPixels);
    return CZsBitmap(static_cast<int>(w), static_cast<int>(h), std::move(pixels));
}
