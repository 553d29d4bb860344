#include "icon/ZsCursor.h"

#include <algorithm>
#include <cstring>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"

namespace {

void SetError(std::string* pError, std::string sText) {
    if (pError) {
        *pError = std::move(sText);
    }
}

// The bit count an image's own data gives: the BITMAPINFOHEADER's, or 32 for PNG; 0 when it has none.
uint16_t ImageBitCount(ZsBytes image) {
    if (ZI_IsPng(image)) {
        return 32;
    }
    CZsByteReader r(image);
    return r.Has(0, 16) ? r.U16At(14) : 0;
}

bool Tag(ZsBytes data, size_t at, const char (&tag)[5]) {
    return data.size() >= at + 4 && std::memcmp(data.data() + at, tag, 4) == 0;
}

}  // namespace

bool ZI_IsCursor(ZsBytes data) {
    CZsByteReader r(data);
    return data.size() >= 6 && r.U16At(0) == 0 && r.U16At(2) == 2;
}

ZsBlock ZI_CursorToIcon(ZsBytes data, std::string* pError) {
    if (!ZI_IsCursor(data)) {
        SetError(pError, "the file is not a cursor file");
        return {};
    }
    // The same bytes read as an icon give exactly the entries that lie inside the file; their hot spot
    // fields then become what an icon keeps there.
    ZsBlock block(data.begin(), data.end());
    block[2] = 1;
    const std::vector<ZI_ENTRY> entries = ZI_GetEntries(block);
    CIcon icon;
    for (const ZI_ENTRY& e : entries) {
        ZI_IMAGE image;
        image.bWidth = e.bWidth;
        image.bHeight = e.bHeight;
        image.bColorCount = e.bColorCount;
        image.wPlanes = 1;
        image.wBitCount = ImageBitCount(e.image);
        image.dwBytesInRes = e.dwBytesInRes;
        image.data.assign(e.image.begin(), e.image.end());
        if (image.wBitCount != 0) {
            icon.AddImage(std::move(image));
        }
    }
    if (icon.GetImageCount() == 0) {
        SetError(pError, "the cursor holds no image that can be read");
        return {};
    }
    return icon.GetData(-1);
}

ZsBlock ZI_IconToCursor(const CIcon& icon, int nX, int nY) {
    if (icon.GetImageCount() == 0) {
        return {};
    }
    ZI_FORMAT largest;
    for (const ZI_IMAGE& image : icon.Images()) {
        const ZI_FORMAT f = image.Format();
        if (static_cast<int64_t>(f.nWidth) * f.nHeight >
            static_cast<int64_t>(largest.nWidth) * largest.nHeight) {
            largest = f;
        }
    }
    if (nX < 0 || nY < 0 || nX >= largest.nWidth || nY >= largest.nHeight || nX > 0xFFFF || nY > 0xFFFF) {
        return {};
    }
    ZsBlock block = icon.GetData(-1);
    if (block.empty()) {
        return {};
    }
    block[2] = 2;
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        const ZI_FORMAT f = icon.GetImage(i).Format();
        const int64_t x = static_cast<int64_t>(nX) * f.nWidth / largest.nWidth;
        const int64_t y = static_cast<int64_t>(nY) * f.nHeight / largest.nHeight;
        uint8_t* p = block.data() + 6 + 16 * static_cast<size_t>(i);
        ZsSetU16(p + 4, static_cast<uint16_t>(std::clamp<int64_t>(x, 0, std::max(f.nWidth - 1, 0))));
        ZsSetU16(p + 6, static_cast<uint16_t>(std::clamp<int64_t>(y, 0, std::max(f.nHeight - 1, 0))));
    }
    return block;
}

bool ZI_ReadAnimatedCursor(ZsBytes data, std::vector<ZsBlock>& frames, std::string* pError) {
    if (!Tag(data, 0, "RIFF") || !Tag(data, 8, "ACON")) {
        SetError(pError, "the file is not an animated cursor");
        return false;
    }
    const auto damaged = [&](const char* pszWhat) {
        SetError(pError, ZsFormat("the animated cursor is damaged (%s)", pszWhat));
        return false;
    };
    CZsByteReader r(data);
    const uint64_t nRiff = r.U32At(4);
    if (nRiff < 4 || nRiff > data.size() - 8) {
        return damaged("its length passes the end of the file");
    }
    const uint64_t nEnd = 8 + nRiff;
    bool bHeader = false, bRawFrames = false;
    std::vector<ZsBlock> found;
    // Walks the chunks of [nAt, nLimit); fn(id, start, size) sees each one. Every chunk must lie inside;
    // the pad byte after an odd size may be missing only at the very end.
    const auto walk = [&](uint64_t nAt, uint64_t nLimit, auto&& fn) {
        while (nAt < nLimit) {
            if (nLimit - nAt < 8) {
                return false;
            }
            const uint64_t nSize = r.U32At(nAt + 4);
            if (nSize > nLimit - nAt - 8) {
                return false;
            }
            if (!fn(nAt, nAt + 8, nSize)) {
                return false;
            }
            nAt += 8 + nSize + (nSize & 1);
        }
        return true;
    };
    std::string sFrameError;
    const char* pszDamage = "a chunk passes the end of its parent";
    const bool bOk = walk(12, nEnd, [&](uint64_t nChunk, uint64_t nStart, uint64_t nSize) {
        if (Tag(data, nChunk, "anih")) {
            if (nSize < 36) {
                pszDamage = "its header is too short";
                return false;
            }
            bHeader = true;
            // Bit 0 of the flags: the frames are icon or cursor files rather than raw bitmaps.
            bRawFrames = (r.U32At(nStart + 32) & 1) == 0;
            return true;
        }
        if (!Tag(data, nChunk, "LIST") || nSize < 4 || !Tag(data, nStart, "fram")) {
            return true;
        }
        return walk(nStart + 4, nStart + nSize,
                    [&](uint64_t nFrame, uint64_t nFrameStart, uint64_t nFrameSize) {
                        if (!Tag(data, nFrame, "icon")) {
                            return true;
                        }
                        if (found.size() >= ZI_MAX_ANI_FRAMES) {
                            sFrameError = ZsFormat("it has more than %zu frames", ZI_MAX_ANI_FRAMES);
                            return false;
                        }
                        const ZsBytes frame = data.subspan(nFrameStart, nFrameSize);
                        ZsBlock block;
                        if (ZI_IsCursor(frame)) {
                            block = ZI_CursorToIcon(frame);
                        } else if (ZI_IsValidIcon(frame) && ZI_GetImageCount(frame) > 0) {
                            block.assign(frame.begin(), frame.end());
                        }
                        if (block.empty()) {
                            sFrameError = ZsFormat("frame %zu is no icon or cursor", found.size() + 1);
                            return false;
                        }
                        found.push_back(std::move(block));
                        return true;
                    });
    });
    if (bRawFrames) {
        SetError(pError, "the animated cursor keeps its frames as raw bitmaps, which cannot be read");
        return false;
    }
    if (!sFrameError.empty()) {
        SetError(pError, "the animated cursor cannot be read: " + sFrameError);
        return false;
    }
    if (!bOk) {
        return damaged(pszDamage);
    }
    if (!bHeader) {
        return damaged("it has no header");
    }
    if (found.empty()) {
        SetError(pError, "the animated cursor has no frames");
        return false;
    }
    frames.insert(frames.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    return true;
}
