#include "icon/ZsIcon.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <tuple>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "icon/ZsCodec.h"

namespace {

// No icon image in any file holds more pixels data than this; larger "formats" are refused.
constexpr uint64_t kMaxImageBytes = UINT64_C(1) << 30;

bool IsNullBlock(ZsBytes data) {
    return data.data() == nullptr;
}

bool EntryPrecedes(const ZI_FORMAT& r, const ZI_FORMAT& f) {
    // The new image goes before the first record of the same format, of a smaller depth, or of the same depth
    // and a smaller width + height.
    if (r == f || r.nBitCount < f.nBitCount) {
        return true;
    }
    return r.nBitCount == f.nBitCount &&
           static_cast<int64_t>(r.nWidth) + r.nHeight < static_cast<int64_t>(f.nWidth) + f.nHeight;
}

}  // namespace

uint32_t ZI_PackFormat(const ZI_FORMAT& format) {
    return (static_cast<uint32_t>(format.nWidth) << 19) |
           ((static_cast<uint32_t>(format.nHeight) & 0x1FFF) << 6) |
           (static_cast<uint32_t>(format.nBitCount) & 0x3F);
}

ZI_FORMAT ZI_UnpackFormat(uint32_t nPacked) {
    return ZI_FORMAT{static_cast<int32_t>(nPacked >> 19), static_cast<int32_t>((nPacked >> 6) & 0x1FFF),
                     static_cast<int32_t>(nPacked & 0x3F)};
}

std::string ZI_GetFormatName(int nWidth, int nHeight, int nBitCount) {
    switch (nBitCount) {
        case 1:
            return ZsFormat("%dx%d - Mono", nWidth, nHeight);
        case 4:
            return ZsFormat("%dx%d - 16", nWidth, nHeight);
        case 8:
            return ZsFormat("%dx%d - 256", nWidth, nHeight);
        case 24:
            return ZsFormat("%dx%d - 16M", nWidth, nHeight);
        case 32:
            return ZsFormat("%dx%d - XP", nWidth, nHeight);
        default:
            return ZsFormat("%dx%d - %dB", nWidth, nHeight, nBitCount);
    }
}

std::string ZI_GetFormatName(const ZI_FORMAT& format) {
    return ZI_GetFormatName(format.nWidth, format.nHeight, format.nBitCount);
}

bool ZI_IsPng(ZsBytes image) {
    return image.size() >= 8 && std::memcmp(image.data(), ZI_PNG_SIGNATURE, 8) == 0;
}

ZI_FORMAT ZI_GetImageFormat(uint8_t bWidth, uint8_t bHeight, uint16_t wBitCount, ZsBytes image) {
    ZI_FORMAT f{bWidth, bHeight, wBitCount};
    if (bWidth != 0 && bHeight != 0) {
        return f;
    }
    CZsByteReader r(image);
    if (!image.empty() && image[0] == 0x28 && r.Has(0, 12)) {
        f.nWidth = static_cast<int32_t>(r.U32At(4));
        f.nHeight = static_cast<int32_t>(r.U32At(8)) / 2;
    } else if (ZI_IsPng(image) && r.Has(0, 24)) {
        CZsByteReader ihdr(image, 16);
        f.nWidth = static_cast<int32_t>(ihdr.U32BE());
        f.nHeight = static_cast<int32_t>(ihdr.U32BE());
    }
    return f;
}

uint32_t ZI_GetDibSize(int nWidth, int nHeight, int nBitCount) {
    if (nWidth <= 0 || nHeight <= 0 || nBitCount <= 0 || nBitCount > 32) {
        return 0;
    }
    uint64_t colours = nBitCount <= 8 ? (UINT64_C(1) << nBitCount) : 0;
    uint64_t xorStride = ((static_cast<uint64_t>(nWidth) * nBitCount + 31) >> 3) & ~UINT64_C(3);
    uint64_t andStride = ((static_cast<uint64_t>(nWidth) + 31) >> 3) & ~UINT64_C(3);
    uint64_t size = 40 + 4 * colours + (xorStride + andStride) * static_cast<uint64_t>(nHeight);
    return size > kMaxImageBytes ? 0 : static_cast<uint32_t>(size);
}

namespace {

// Walks the directory of an ICO block of nBlockBytes bytes that begins with head, calling fn(entry) for each
// entry whose image lies inside the block. The images of a sound block lie side by side in it, so together
// they hold no more bytes than the block. Entries that would pass that (the same bytes named thousands of
// times) are left out, so that unpacking a block never costs more than the block itself.
template <class Fn>
void ForEachEntry(ZsBytes head, uint64_t nBlockBytes, Fn fn) {
    if (head.size() < 6) {
        return;
    }
    CZsByteReader r(head);
    if (r.U16() != 0 || r.U16() != 1) {
        return;
    }
    uint16_t nCount = r.U16();
    uint64_t nImageBytes = 0;
    for (uint32_t i = 0; i < nCount; ++i) {
        uint64_t at = 6 + 16 * static_cast<uint64_t>(i);
        if (!r.Has(at, 16)) {
            break;
        }
        r.Seek(at);
        ZI_ENTRY e;
        e.bWidth = r.U8();
        e.bHeight = r.U8();
        e.bColorCount = r.U8();
        e.bReserved = r.U8();
        e.wPlanes = r.U16();
        e.wBitCount = r.U16();
        e.dwBytesInRes = r.U32();
        e.dwImageOffset = r.U32();
        if (uint64_t{e.dwImageOffset} + e.dwBytesInRes > nBlockBytes ||
            nImageBytes + e.dwBytesInRes > nBlockBytes) {
            continue;
        }
        nImageBytes += e.dwBytesInRes;
        fn(e);
    }
}

}  // namespace

std::vector<ZI_ENTRY> ZI_GetEntries(ZsBytes data) {
    std::vector<ZI_ENTRY> entries;
    if (IsNullBlock(data)) {
        return entries;
    }
    ForEachEntry(data, data.size(), [&](ZI_ENTRY& e) {
        e.image = data.subspan(e.dwImageOffset, e.dwBytesInRes);
        entries.push_back(e);
    });
    return entries;
}

size_t ZI_GetDirectorySize(ZsBytes head) {
    return head.size() < 6 ? 6 : 6 + 16 * size_t{CZsByteReader(head).U16At(4)};
}

int ZI_CountImages(ZsBytes head, uint64_t nBlockBytes) {
    int n = 0;
    ForEachEntry(head, nBlockBytes, [&](const ZI_ENTRY&) { ++n; });
    return n;
}

bool ZI_IsValidIcon(ZsBytes data) {
    if (IsNullBlock(data)) {
        ZS_LOG_ERR("ZI_IsValidIcon", "pvData=NULL");
        return false;
    }
    if (data.size() < 6) {
        return false;
    }
    CZsByteReader r(data);
    return r.U16() == 0 && r.U16() == 1;
}

int ZI_GetImageCount(ZsBytes data) {
    if (IsNullBlock(data)) {
        ZS_LOG_ERR("ZI_GetImageCount", "pData");
        return 0;
    }
    return static_cast<int>(ZI_GetEntries(data).size());
}

bool ZI_GetIconInfo(ZsBytes data, ZI_INFO* pInfo) {
    if (IsNullBlock(data)) {
        ZS_LOG_ERR("ZI_GetIconInfo", "pvData=NULL");
        return false;
    }
    if (!pInfo) {
        ZS_LOG_ERR("ZI_GetIconInfo", "pInfo=NULL");
        return false;
    }
    *pInfo = ZI_INFO();
    pInfo->dwSize = static_cast<int32_t>(std::min<size_t>(data.size(), std::numeric_limits<int32_t>::max()));
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    pInfo->nImages = static_cast<int32_t>(entries.size());
    for (const ZI_ENTRY& e : entries) {
        ZI_FORMAT f = e.Format();
        pInfo->nXPImages += e.wBitCount == 32;
        pInfo->nMaxWidth = std::max(pInfo->nMaxWidth, f.nWidth);
        pInfo->nMinWidth = std::min(pInfo->nMinWidth, f.nWidth);
        pInfo->nMaxBitCount = std::max<int32_t>(pInfo->nMaxBitCount, e.wBitCount);
        pInfo->nMinBitCount = std::min<int32_t>(pInfo->nMinBitCount, e.wBitCount);
    }
    return true;
}

int ZI_ChooseImage(ZsBytes data, int& nWidth, int& nHeight, int& nBitCount) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    if (entries.empty()) {
        return -1;
    }
    const ZI_FORMAT wanted{nWidth, nHeight, nBitCount};
    int nChosen = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].Format() == wanted) {
            nChosen = static_cast<int>(i);
            break;
        }
    }
    if (nChosen < 0) {
        nChosen = 0;
        ZI_FORMAT best = entries[0].Format();
        for (size_t i = 1; i < entries.size(); ++i) {
            ZI_FORMAT f = entries[i].Format();
            int64_t area = static_cast<int64_t>(f.nWidth) * f.nHeight;
            int64_t bestArea = static_cast<int64_t>(best.nWidth) * best.nHeight;
            if (f.nBitCount > best.nBitCount || (f.nBitCount == best.nBitCount && area > bestArea)) {
                nChosen = static_cast<int>(i);
                best = f;
            }
        }
    }
    ZI_FORMAT f = entries[static_cast<size_t>(nChosen)].Format();
    if (static_cast<int64_t>(f.nWidth) * f.nHeight < static_cast<int64_t>(nWidth) * nHeight) {
        nWidth = f.nWidth;
        nHeight = f.nHeight;
    }
    nBitCount = f.nBitCount;
    return nChosen;
}

CZsBitmap ZI_GetIconHandle(ZsBytes data, int& nWidth, int& nHeight, int& nBitCount) {
    if (IsNullBlock(data)) {
        ZS_LOG_ERR("ZI_GetIconHandle", "pData");
        return {};
    }
    const int nChosen = ZI_ChooseImage(data, nWidth, nHeight, nBitCount);
    if (nChosen < 0) {
        return {};
    }
    CZsBitmap bmp = ZI_CreateHICON(ZI_GetEntries(data)[static_cast<size_t>(nChosen)].image, nWidth, nHeight);
    if (!bmp.IsNull()) {
        bmp.SetBitCount(nBitCount);
    }
    return bmp;
}

bool CIcon::SetData(ZsBytes data) {
    if (!ZI_IsValidIcon(data)) {
        return false;
    }
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    // The order AddImage gives image by image, found by one sort, so that a directory of thousands of
    // entries costs no more than sorting them: depth, then width + height, both descending; within those,
    // formats in the order they first appear, and the images of one format last one first.
    struct Key {
        ZI_FORMAT format;
        size_t nFirst;  // where the format first appears
        size_t nIndex;
    };
    std::vector<Key> keys;
    std::map<std::tuple<int32_t, int32_t, int32_t>, size_t> firsts;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZI_FORMAT f = entries[i].Format();
        const size_t nFirst =
            firsts.emplace(std::make_tuple(f.nWidth, f.nHeight, f.nBitCount), i).first->second;
        keys.push_back(Key{f, nFirst, i});
    }
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        const int64_t aSum = static_cast<int64_t>(a.format.nWidth) + a.format.nHeight;
        const int64_t bSum = static_cast<int64_t>(b.format.nWidth) + b.format.nHeight;
        return std::make_tuple(b.format.nBitCount, bSum, a.nFirst, b.nIndex) <
               std::make_tuple(a.format.nBitCount, aSum, b.nFirst, a.nIndex);
    });
    mImages.clear();
    mImages.reserve(keys.size());
    for (const Key& k : keys) {
        const ZI_ENTRY& e = entries[k.nIndex];
        ZI_IMAGE& image = mImages.emplace_back();
        image.bWidth = e.bWidth;
        image.bHeight = e.bHeight;
        image.bColorCount = e.bColorCount;
        image.bReserved = e.bReserved;
        image.wPlanes = e.wPlanes;
        image.wBitCount = e.wBitCount;
        image.dwBytesInRes = e.dwBytesInRes;
        image.data.assign(e.image.begin(), e.image.end());
    }
    return true;
}

ZsBlock CIcon::GetData(int nImgIdx) const {
    if (nImgIdx < -1 || nImgIdx >= GetImageCount()) {
        ZS_LOG_ERR("CIcon::GetData", "nImgIdx=%d", nImgIdx);
        return {};
    }
    size_t nFirst = nImgIdx < 0 ? 0 : static_cast<size_t>(nImgIdx);
    size_t nEnd = nImgIdx < 0 ? mImages.size() : nFirst + 1;
    size_t n = nEnd - nFirst;
    uint64_t total = 6 + 16 * static_cast<uint64_t>(n);
    for (size_t i = nFirst; i < nEnd; ++i) {
        total += mImages[i].data.size();
    }
    if (n > 0xFFFF || total > std::numeric_limits<uint32_t>::max()) {
        ZS_LOG_ERR("CIcon::GetData", "nImgIdx=%d", nImgIdx);
        return {};
    }
    ZsBlock block;
    block.reserve(static_cast<size_t>(total));
    ZsPutU16(block, 0);
    ZsPutU16(block, 1);
    ZsPutU16(block, static_cast<uint16_t>(n));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * n);
    for (size_t i = nFirst; i < nEnd; ++i) {
        const ZI_IMAGE& img = mImages[i];
        block.push_back(img.bWidth);
        block.push_back(img.bHeight);
        block.push_back(img.bColorCount);
        block.push_back(img.bReserved);
        ZsPutU16(block, img.wPlanes);
        ZsPutU16(block, img.wBitCount);
        // The length written is the data's own, so the block stays consistent whatever a record claims.
        ZsPutU32(block, static_cast<uint32_t>(img.data.size()));
        ZsPutU32(block, offset);
        offset += static_cast<uint32_t>(img.data.size());
    }
    for (size_t i = nFirst; i < nEnd; ++i) {
        block.insert(block.end(), mImages[i].data.begin(), mImages[i].data.end());
    }
    return block;
}

ZsBlock CIcon::GetDataNearest(int nWidth, int nHeight) const {
    if (mImages.empty()) {
        return {};
    }
    int nBest = -1;
    int64_t bestDistance = 0;
    for (int i = 0; i < GetImageCount(); ++i) {
        ZI_FORMAT f = mImages[static_cast<size_t>(i)].Format();
        if (f.nWidth < nWidth || f.nHeight < nHeight) {
            continue;
        }
        int64_t distance = static_cast<int64_t>(f.nWidth) - nWidth + f.nHeight - nHeight;
        if (nBest < 0 || distance < bestDistance) {
            nBest = i;
            bestDistance = distance;
        }
    }
    return GetData(nBest < 0 ? 0 : nBest);
}

bool CIcon::HasFormat(const ZI_FORMAT& format) const {
    return std::any_of(mImages.begin(), mImages.end(),
                       [&](const ZI_IMAGE& img) { return img.Format() == format; });
}

int CIcon::AddImage(ZI_IMAGE image) {
    ZI_FORMAT f = image.Format();
    auto it = std::find_if(mImages.begin(), mImages.end(),
                           [&](const ZI_IMAGE& r) { return EntryPrecedes(r.Format(), f); });
    it = mImages.insert(it, std::move(image));
    return static_cast<int>(it - mImages.begin());
}

ZI_IMAGE CIcon::NewImage(const ZI_FORMAT& format) {
    const int w = format.nWidth, h = format.nHeight, b = format.nBitCount;
    ZI_IMAGE image;
    image.bWidth = static_cast<uint8_t>(w <= 255 ? w : 0);
    image.bHeight = static_cast<uint8_t>(h <= 255 ? h : 0);
    image.bColorCount = static_cast<uint8_t>(b <= 8 ? (1u << b) & 0xFF : 0);
    image.bReserved = 0;
    image.wPlanes = 1;
    image.wBitCount = static_cast<uint16_t>(b);
    image.dwBytesInRes = ZI_GetDibSize(w, h, b);
    image.data.assign(image.dwBytesInRes, 0);
    if (image.data.size() < 40) {
        return image;
    }
    const uint32_t colours = b <= 8 ? 1u << b : 0;
    const uint32_t xorStride = ((static_cast<uint32_t>(w) * b + 31) >> 3) & ~3u;
    uint8_t* p = image.data.data();
    ZsSetU32(p + 0, 40);
    ZsSetU32(p + 4, static_cast<uint32_t>(w));
    ZsSetU32(p + 8, static_cast<uint32_t>(2 * h));
    ZsSetU16(p + 12, 1);
    ZsSetU16(p + 14, static_cast<uint16_t>(b));
    ZsSetU32(p + 20, xorStride * 2 * static_cast<uint32_t>(h));
    size_t maskStart = 40 + 4 * colours + static_cast<size_t>(xorStride) * static_cast<size_t>(h);
    std::fill(image.data.begin() + static_cast<std::ptrdiff_t>(maskStart), image.data.end(), 0xFF);
    return image;
}

int CIcon::AddFormat(const ZI_FORMAT& format, const CZsBitmap* pSource) {
    if (HasFormat(format) || ZI_GetDibSize(format.nWidth, format.nHeight, format.nBitCount) == 0) {
        return -1;
    }
    ZI_IMAGE image = NewImage(format);
    if (pSource) {
        ZI_SetImageBitmap(image, *pSource);
    }
    if (ZI_IsPngFormat(format)) {
        ZI_CompressImage(image);
    }
    return AddImage(std::move(image));
}

int CIcon::AddFormats(std::span<const ZI_FORMAT> formats, const CZsBitmap* pSource) {
    int nAdded = 0;
    for (const ZI_FORMAT& f : formats) {
        nAdded += AddFormat(f, pSource) >= 0;
    }
    return nAdded;
}

bool CIcon::RemoveImage(int nImgIdx) {
    if (nImgIdx < 0 || nImgIdx >= GetImageCount()) {
        return false;
    }
    mImages.erase(mImages.begin() + nImgIdx);
    return true;
}

int CIcon::RemoveFormats(std::span<const ZI_FORMAT> formats, bool bExcept, bool bKeepFirst) {
    int nRemoved = 0;
    int nLast = bKeepFirst ? 1 : 0;
    for (int i = GetImageCount() - 1; i >= nLast; --i) {
        ZI_FORMAT f = mImages[static_cast<size_t>(i)].Format();
        bool bListed = std::find(formats.begin(), formats.end(), f) != formats.end();
        if (bListed != bExcept) {
            RemoveImage(i);
            ++nRemoved;
        }
    }
    return nRemoved;
}

void CIcon::SetFormats(std::span<const ZI_FORMAT> formats) {
    // The first image is decoded only when a format has to be made from it.
    const bool bMissing =
        std::any_of(formats.begin(), formats.end(), [&](const ZI_FORMAT& f) { return !HasFormat(f); });
    const CZsBitmap source = bMissing ? GetHBITMAP(0) : CZsBitmap();
    AddFormats(formats, source.IsNull() ? nullptr : &source);
    RemoveFormats(formats, true, false);
}

CZsBitmap CIcon::GetHBITMAP(int nImgIdx) const {
    if (nImgIdx < 0 || nImgIdx >= GetImageCount()) {
        ZS_LOG_ERR("CIcon::GetHBITMAP", "nImgIdx=%d", nImgIdx);
        return {};
    }
    const ZI_IMAGE& image = mImages[static_cast<size_t>(nImgIdx)];
    const ZI_FORMAT f = image.Format();
    CZsBitmap bmp = ZI_CreateHICON(image.data, f.nWidth, f.nHeight);
    if (!bmp.IsNull()) {
        bmp.SetBitCount(f.nBitCount);
    }
    return bmp;
}

bool CIcon::SetHBITMAP(const CZsBitmap& bitmap, int nImgIdx) {
    if (nImgIdx < 0 || nImgIdx >= GetImageCount()) {
        ZS_LOG_ERR("CIcon::SetHBITMAP", "nImgIdx=%d", nImgIdx);
        return false;
    }
    return ZI_SetImageBitmap(mImages[static_cast<size_t>(nImgIdx)], bitmap);
}
