// Bounds-checked little-endian reading of untrusted bytes. Every read either succeeds wholly or fails and
// leaves the reader failed; offsets are 64-bit so that no sum of file values can wrap.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

class CZsByteReader {
public:
    explicit CZsByteReader(std::span<const uint8_t> bytes, uint64_t nPos = 0) : mBytes(bytes), mnPos(nPos) {}

    uint64_t Size() const { return mBytes.size(); }
    uint64_t Pos() const { return mnPos; }
    bool Ok() const { return mbOk; }
    // True when [nOffset, nOffset + nLength) lies inside the bytes.
    bool Has(uint64_t nOffset, uint64_t nLength) const {
        return nOffset <= mBytes.size() && nLength <= mBytes.size() - nOffset;
    }

    bool Seek(uint64_t nPos) {
        if (nPos > mBytes.size()) {
            mbOk = false;
            return false;
        }
        mnPos = nPos;
        return true;
    }
    bool Skip(uint64_t n) {
        if (n > mBytes.size() - mnPos) {
            mbOk = false;
            return false;
        }
        mnPos += n;
        return true;
    }

    uint8_t U8() { return static_cast<uint8_t>(Read(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Read(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Read(4)); }
    uint64_t U64() { return Read(8); }
    uint32_t U32BE() {
        uint32_t v = U32();
        return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
    }

    // A span of n bytes at the current position; empty (and the reader failed) when they are not all there.
    std::span<const uint8_t> Bytes(uint64_t n) {
        if (!mbOk || !Has(mnPos, n)) {
            mbOk = false;
            return {};
        }
        std::span<const uint8_t> s = mBytes.subspan(mnPos, n);
        mnPos += n;
        return s;
    }

    // Reads at an absolute offset without moving; 0 when out of range.
    uint32_t U32At(uint64_t nOffset) const { return static_cast<uint32_t>(ReadAt(nOffset, 4)); }
    uint16_t U16At(uint64_t nOffset) const { return static_cast<uint16_t>(ReadAt(nOffset, 2)); }
    uint8_t U8At(uint64_t nOffset) const { return static_cast<uint8_t>(ReadAt(nOffset, 1)); }

private:
    uint64_t ReadAt(uint64_t nOffset, unsigned n) const {
        if (!Has(nOffset, n)) {
            return 0;
        }
        uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i) {
            v |= static_cast<uint64_t>(mBytes[nOffset + i]) << (8 * i);
        }
        return v;
    }
    uint64_t Read(unsigned n) {
        if (!mbOk || !Has(mnPos, n)) {
            mbOk = false;
            return 0;
        }
        uint64_t v = ReadAt(mnPos, n);
        mnPos += n;
        return v;
    }

    std::span<const uint8_t> mBytes;
    uint64_t mnPos = 0;
    bool mbOk = true;
};

// Little-endian writing into a byte vector.
inline void ZsPutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void ZsPutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}
inline void ZsSetU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void ZsSetU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
