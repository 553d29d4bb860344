#include "icon/ZsFormats.h"

#include <algorithm>
#include <array>

#include "common/ZsSettings.h"
#include "common/ZsText.h"
#include "icon/ZsCodec.h"

namespace {

constexpr int kDepths[5] = {1, 4, 8, 24, 32};
constexpr int kSizes[10] = {16, 24, 32, 48, 64, 72, 80, 96, 128, 256};

constexpr uint64_t Key(int nDepthIndex, int nSizeIndex) {
    return UINT64_C(1) << (12 * nDepthIndex + nSizeIndex);
}

// The mask of the given sizes (indexes into kSizes) at the given depths (indexes into kDepths).
constexpr uint64_t Mask(std::initializer_list<int> sizes, std::initializer_list<int> depths) {
    uint64_t m = 0;
    for (int d : depths) {
        for (int s : sizes) {
            m |= Key(d, s);
        }
    }
    return m;
}

constexpr std::initializer_list<int> kAllSizes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr std::initializer_list<int> kAllDepths = {0, 1, 2, 3, 4};
// Size indexes: 16 0, 24 1, 32 2, 48 3, 64 4, 72 5, 80 6, 96 7, 128 8, 256 9. Depth indexes: 1 bit 0, 4 bits
// 1, 8 bits 2, 24 bits 3, 32 bits 4.
constexpr ZI_PRESET kPresets[27] = {
    {"General", 0},
    {"All Standard Image Formats", Mask(kAllSizes, kAllDepths)},
    {"By Operation System", 0},
    {"Windows Vista/7 Icon Format (Full)", Mask({0, 1, 2, 3, 4, 9}, {1, 2, 4})},
    {"Windows Vista/7 Icon Format (Standard)", Mask({0, 2, 3, 9}, {1, 2, 4})},
    {"Windows Vista/7 Icon Format (Classic)", Mask({0, 1, 2, 3, 4}, {1, 2, 4})},
    {"Windows Vista/7 Icon Format (Minimum)", Mask({0, 2, 3}, {1, 2, 4}) | Key(4, 9)},
    {"Windows XP Icon Format", Mask({0, 1, 2, 3}, {1, 2, 4})},
    {"Windows XP Icon Format (Minimum)", Mask({0, 2, 3}, {1, 2, 4})},
    {"Windows 98 SE/ME/2000 Icon Format", Mask({0, 2, 3}, {1, 2})},
    {"By Colors", 0},
    {"XP (RGB/A - 32 bits) Image Formats", Mask(kAllSizes, {4})},
    {"True Colors (RGB - 24 bits) Image Formats", Mask(kAllSizes, {3})},
    {"256 Indexed Colors (8 bits) Image Formats", Mask(kAllSizes, {2})},
    {"16 Colors (4 bits) Image Formats", Mask(kAllSizes, {1})},
    {"Monochrome (1 bit) Image Formats", Mask(kAllSizes, {0})},
    {"By Size", 0},
    {"256x256 Image Formats", Mask({9}, kAllDepths)},
    {"128x128 Image Formats", Mask({8}, kAllDepths)},
    {"96x96 Image Formats", Mask({7}, kAllDepths)},
    {"80x80 Image Formats", Mask({6}, kAllDepths)},
    {"72x72 Image Formats", Mask({5}, kAllDepths)},
    {"64x64 Image Formats", Mask({4}, kAllDepths)},
    {"48x48 Image Formats", Mask({3}, kAllDepths)},
    {"32x32 Image Formats", Mask({2}, kAllDepths)},
    {"24x24 Image Formats", Mask({1}, kAllDepths)},
    {"16x16 Image Formats", Mask({0}, kAllDepths)},
};

const std::array<ZI_STD_FORMAT, 50>& StandardTable() {
    static const std::array<ZI_STD_FORMAT, 50> table = [] {
        std::array<ZI_STD_FORMAT, 50> t{};
        for (int d = 0; d < 5; ++d) {
            for (int s = 0; s < 10; ++s) {
                t[static_cast<size_t>(10 * d + s)] =
                    ZI_STD_FORMAT{Key(d, s), {kSizes[s], kSizes[s], kDepths[d]}};
            }
        }
        return t;
    }();
    return table;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// Leading decimal digits of s as a number (at most 9 digits), removed from s; -1 when there are none.
int64_t TakeNumber(std::string_view& s) {
    size_t n = 0;
    int64_t v = 0;
    while (n < s.size() && n < 10 && s[n] >= '0' && s[n] <= '9') {
        v = v * 10 + (s[n] - '0');
        ++n;
    }
    if (n == 0 || (n < s.size() && s[n] >= '0' && s[n] <= '9')) {
        return -1;
    }
    s.remove_prefix(n);
    return v;
}

// "WxH-DEPTH" with optional blanks around the "-".
bool ParseLabel(std::string_view item, ZI_FORMAT& f) {
    const int64_t w = TakeNumber(item);
    if (w < 0 || item.empty() || (item.front() != 'x' && item.front() != 'X')) {
        return false;
    }
    item.remove_prefix(1);
    const int64_t h = TakeNumber(item);
    item = Trim(item);
    if (h < 0 || item.empty() || item.front() != '-') {
        return false;
    }
    const std::string depth = ZsToLower(Trim(item.substr(1)));
    static const std::pair<const char*, int> names[] = {
        {"mono", 1}, {"16", 4}, {"256", 8}, {"16m", 24}, {"xp", 32}};
    for (const auto& [pszName, nBits] : names) {
        if (depth == pszName) {
            f = ZI_FORMAT{static_cast<int32_t>(std::min<int64_t>(w, INT32_MAX)),
                          static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX)), nBits};
            return true;
        }
    }
    return false;
}

}  // namespace

std::span<const ZI_STD_FORMAT> ZI_GetStandardFormats() {
    return StandardTable();
}

ZI_FORMAT ZI_GetStandardFormat(uint64_t nKey) {
    for (const ZI_STD_FORMAT& s : StandardTable()) {
        if (s.nKey == nKey) {
            return s.format;
        }
    }
    return {};
}

uint64_t ZI_GetStandardKey(const ZI_FORMAT& format) {
    for (const ZI_STD_FORMAT& s : StandardTable()) {
        if (s.format == format) {
            return s.nKey;
        }
    }
    return 0;
}

std::string ZI_GetFormatName(uint64_t nKey) {
    const ZI_FORMAT f = ZI_GetStandardFormat(nKey);
    return f.nBitCount == 0 ? std::string() : ZI_GetFormatName(f);
}

std::vector<ZI_FORMAT> ZI_GetMaskFormats(uint64_t nMask) {
    std::vector<ZI_FORMAT> out;
    for (int bit = 63; bit >= 0; --bit) {
        const uint64_t key = UINT64_C(1) << bit;
        if ((nMask & key) != 0) {
            const ZI_FORMAT f = ZI_GetStandardFormat(key);
            if (f.nBitCount != 0) {
                out.push_back(f);
            }
        }
    }
    return out;
}

std::span<const ZI_PRESET> ZI_GetPresets() {
    return kPresets;
}

const ZI_PRESET* ZI_FindPreset(std::string_view name) {
    for (const ZI_PRESET& p : kPresets) {
        if (p.nMask != 0 && ZsEqualNoCase(name, p.pszName)) {
            return &p;
        }
    }
    return nullptr;
}

bool ZI_IsValidCustomFormat(const ZI_FORMAT& f) {
    return f.nWidth >= 1 && f.nWidth <= 8191 && f.nHeight >= 1 && f.nHeight <= 8191 &&
           std::find(std::begin(kDepths), std::end(kDepths), f.nBitCount) != std::end(kDepths);
}

bool ZI_InsertDesiredFormat(std::vector<ZI_FORMAT>& list, const ZI_FORMAT& f) {
    if (!ZI_IsValidCustomFormat(f)) {
        return false;
    }
    const int64_t area = static_cast<int64_t>(f.nWidth) * f.nHeight;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == f) {
            return false;
        }
        const int64_t itemArea = static_cast<int64_t>(it->nWidth) * it->nHeight;
        if (it->nBitCount < f.nBitCount || (it->nBitCount == f.nBitCount && itemArea < area)) {
            list.insert(it, f);
            return true;
        }
    }
    list.push_back(f);
    return true;
}

int ZI_InsertDesiredFormats(std::vector<ZI_FORMAT>& list, uint64_t nMask) {
    int n = 0;
    for (const ZI_FORMAT& f : ZI_GetMaskFormats(nMask)) {
        n += ZI_InsertDesiredFormat(list, f);
    }
    return n;
}

std::string ZI_PackFormatList(std::span<const ZI_FORMAT> list) {
    std::string s;
    for (const ZI_FORMAT& f : list) {
        if (!s.empty()) {
            s += ';';
        }
        s += std::to_string(ZI_PackFormat(f));
    }
    return s;
}

std::vector<ZI_FORMAT> ZI_UnpackFormatList(std::string_view text) {
    std::vector<ZI_FORMAT> list;
    while (!text.empty()) {
        const size_t end = text.find(';');
        std::string_view field = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const int64_t v = TakeNumber(field);
        if (v >= 0 && field.empty() && v <= UINT32_MAX) {
            ZI_InsertDesiredFormat(list, ZI_UnpackFormat(static_cast<uint32_t>(v)));
        }
    }
    return list;
}

std::vector<ZI_FORMAT> ZI_ReadDesiredFormats(const char* pszSection, const CZsMemIni& ini) {
    return ZI_UnpackFormatList(ini.GetString(ZS_KEY_SEL_FMTS, "", pszSection));
}

void ZI_WriteDesiredFormats(const char* pszSection, std::span<const ZI_FORMAT> list, CZsMemIni& ini) {
    // Unsigned, so that formats wider than 4095 pixels keep every bit of their packed form.
    ini.SetString(ZS_KEY_SEL_FMTS, ZI_PackFormatList(list), pszSection);
}

void ZI_ApplyPngOption(const CZsMemIni& ini) {
    ZI_SetPngMinSize(ZS_OPT_PNG.Get(ini) ? std::clamp(ZS_OPT_PNG_SIZE.Get(ini), 1, 8191) : 0);
}

bool ZI_ParseFormatList(std::string_view text, std::vector<ZI_FORMAT>& list, std::string* pError) {
    while (true) {
        const size_t end = text.find(',');
        const std::string_view item = Trim(text.substr(0, end));
        ZI_FORMAT f;
        if (const ZI_PRESET* pPreset = ZI_FindPreset(item)) {
            ZI_InsertDesiredFormats(list, pPreset->nMask);
        } else if (ParseLabel(item, f)) {
            if (!ZI_IsValidCustomFormat(f)) {
                if (pError) {
                    *pError = ZsFormat("'%.*s' cannot be made: width and height must be 1 to 8191",
                                       static_cast<int>(item.size()), item.data());
                }
                return false;
            }
            ZI_InsertDesiredFormat(list, f);
        } else {
            if (pError) {
                *pError = ZsFormat("'%.*s' is neither an image format (such as 48x48-XP) nor a preset name",
                                   static_cast<int>(item.size()), item.data());
            }
            return false;
        }
        if (end == std::string_view::npos) {
            return true;
        }
        text = text.substr(end + 1);
    }
}

std::vector<ZI_FORMAT> ZI_GetMissingStandardFormats(std::span<const ZI_FORMAT> list) {
    std::vector<ZI_FORMAT> out;
    for (const ZI_STD_FORMAT& s : StandardTable()) {
        if (std::find(list.begin(), list.end(), s.format) == list.end()) {
            out.push_back(s.format);
        }
    }
    return out;
}

int ZI_NewFormats(CIcon& icon, std::span<const ZI_FORMAT> desired, int nSourceImage,
                  std::vector<int>* pAdded) {
    CZsBitmap source;
    if (nSourceImage >= 0 && icon.GetImageCount() > 0) {
        source = icon.GetHBITMAP(nSourceImage);
    }
    int nAdded = 0;
    for (const ZI_FORMAT& f : desired) {
        const int nIdx = icon.AddFormat(f, source.IsNull() ? nullptr : &source);
        if (nIdx >= 0) {
            ++nAdded;
            if (pAdded) {
                pAdded->push_back(nIdx);
            }
        }
    }
    return nAdded;
}

std::vector<ZI_FORMAT> ZI_GetExportTargetFormats(std::span<const ZI_FORMAT> desired, bool bExcept) {
    return bExcept ? ZI_GetMissingStandardFormats(desired)
                   : std::vector<ZI_FORMAT>(desired.begin(), desired.end());
}

void ZI_ApplyExportFormats(CIcon& icon, std::span<const ZI_FORMAT> desired, bool bExcept, bool bGenerate) {
    if (bGenerate) {
        icon.SetFormats(ZI_GetExportTargetFormats(desired, bExcept));
    } else {
        icon.RemoveFormats(desired, !bExcept, false);
    }
}
