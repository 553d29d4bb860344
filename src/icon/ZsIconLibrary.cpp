#include "icon/ZsIconLibrary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "common/ZsText.h"

namespace {

constexpr uint16_t kMz = 0x5A4D;
constexpr uint16_t kNe = 0x454E;
constexpr uint16_t kPe = 0x4550;

bool IsNeType(uint16_t wType, uint8_t nLow) {
    return (wType & 0x8000) && (wType & 0xFF) == nLow;
}

// Where one image of a group comes from: its bytes, or why there are none.
struct ImageLookup {
    bool bFound = false;
    ZsBytes image;
};

// Builds the ICO block of a group resource (6-byte header, 14-byte entries ending in the image's id).
// Entries whose image is missing or shorter than the entry says are dropped with an error line naming the
// image; the header's reserved and type words are kept. The images of one group lie in the file side by
// side, so together they never hold more bytes than the file: a group whose entries name more (one image
// named thousands of times) is refused before anything is copied.
ZsBlock AssembleGroup(ZsBytes group, int nIdx, uint64_t nFileBytes,
                      const std::function<ImageLookup(uint16_t)>& lookup,
                      const std::function<void(uint16_t, const ImageLookup&, uint32_t)>& reportDropped) {
    CZsByteReader r(group);
    uint32_t nCount = r.U16At(4);
    if (!r.Has(0, 6) || !r.Has(6, uint64_t{14} * nCount)) {
        ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d: the group of %u entries runs past its %zu bytes",
                   nIdx, nCount, group.size());
        return {};
    }
    struct Kept {
        uint64_t nEntry;
        ZsBytes image;
    };
    std::vector<Kept> kept;
    uint64_t nTotal = 6, nImageBytes = 0;
    for (uint32_t k = 0; k < nCount; ++k) {
        uint64_t nEntry = 6 + uint64_t{14} * k;
        uint32_t dwBytes = r.U32At(nEntry + 8);
        uint16_t wId = r.U16At(nEntry + 12);
        ImageLookup found = lookup(wId);
        if (!found.bFound || found.image.size() < dwBytes) {
            reportDropped(wId, found, dwBytes);
            continue;
        }
        kept.push_back(Kept{nEntry, found.image.first(dwBytes)});
        nTotal += 16 + uint64_t{dwBytes};
        nImageBytes += dwBytes;
        if (nImageBytes > nFileBytes) {
            ZS_LOG_ERR("CIconLibrary::GetIconData",
                       "nIdx=%d: the group's images add up to more than the file's %llu bytes", nIdx,
                       static_cast<unsigned long long>(nFileBytes));
            return {};
        }
    }
    ZsBlock block;
    block.reserve(nTotal);
    block.insert(block.end(), group.begin(), group.begin() + 4);
    ZsPutU16(block, static_cast<uint16_t>(kept.size()));
    uint32_t dwOffset = static_cast<uint32_t>(6 + 16 * kept.size());
    for (const Kept& k : kept) {
        block.insert(block.end(), group.begin() + static_cast<std::ptrdiff_t>(k.nEntry),
                     group.begin() + static_cast<std::ptrdiff_t>(k.nEntry + 12));
        ZsPutU32(block, dwOffset);
        dwOffset += static_cast<uint32_t>(k.image.size());
    }
    for (const Kept& k : kept) {
        block.insert(block.end(), k.image.begin(), k.image.end());
    }
    return block;
}

}  // namespace

int CIconLibrary::GetFileKind(ZsBytes head) {
    CZsByteReader r(head);
    if (!r.Has(0, 2) || r.U16At(0) != kMz || !r.Has(0x3C, 2)) {
        return TYPE_UNKNOWN;
    }
    uint16_t wOff = r.U16At(0x3C);
    if (!r.Has(wOff, 2)) {
        return TYPE_UNKNOWN;
    }
    uint16_t wSign = r.U16At(wOff);
    return wSign == kNe ? TYPE_NE : wSign == kPe ? TYPE_PE : TYPE_UNKNOWN;
}

int CIconLibrary::GetFileKind(const std::filesystem::path& path) {
    // The header offset is 16 bits wide, so its word lies within the first 64 KiB + 2 bytes.
    const std::optional<ZsBlock> head = ZsReadFileHead(path, 0x10002);
    return head ? GetFileKind(*head) : TYPE_UNKNOWN;
}

bool CIconLibrary::Open(const std::filesystem::path& path) {
    // The file is mapped once; the kind test and both readers work on these bytes.
    std::string sWhy;
    std::shared_ptr<const CZsFileBytes> pFile = CZsFileBytes::Open(path, UINT64_C(1) << 32, &sWhy);
    if (!pFile) {
        Open(path, ZsBlock());
        msError = "cannot read the file: " + sWhy;
        return false;
    }
    return Open(path, std::move(pFile));
}

bool CIconLibrary::Open(const std::filesystem::path& path, ZsBlock bytes) {
    return Open(path, CZsFileBytes::FromBlock(std::move(bytes)));
}

bool CIconLibrary::Open(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile) {
    mnType = TYPE_UNKNOWN;
    mssGrpIconNames.clear();
    mssGrpNames.clear();
    mGroupIds.clear();
    mhModule.reset();
    mhFile.reset();
    mpGrpIconInfo.clear();
    mpIconInfo.clear();
    mIconIndex.clear();
    mwGrpIconCnt = mwIconCnt = 0;
    msError.clear();
    int nKind = GetFileKind(pFile->Bytes());
    if (nKind == TYPE_NE && OpenNe(pFile)) {
        mnType = TYPE_NE;
        return true;
    }
    if (nKind == TYPE_PE && OpenPe(path, pFile)) {
        mnType = TYPE_PE;
        return true;
    }
    if (nKind == TYPE_UNKNOWN) {
        msError = "not an icon library or module";
    }
    mhFile.reset();
    mhModule.reset();
    return false;
}

int CIconLibrary::GetIconCount() const {
    if (mnType == TYPE_NE) {
        return mwGrpIconCnt;
    }
    if (mnType == TYPE_PE) {
        return static_cast<int>(mssGrpNames.size());
    }
    return 0;
}

std::string CIconLibrary::GetIconName(int nIdx) const {
    if (nIdx < 0) {
        return {};
    }
    size_t n = static_cast<size_t>(nIdx);
    if (n < mssGrpIconNames.size()) {
        return mssGrpIconNames[n];
    }
    if (mnType == TYPE_PE && n < mssGrpNames.size()) {
        return mssGrpNames[n];
    }
    return {};
}

ZsBlock CIconLibrary::GetIconData(int nIdx) {
    if (mnType == TYPE_NE) {
        return GetNeIconData(nIdx);
    }
    if (mnType == TYPE_PE) {
        return GetPeIconData(nIdx);
    }
    ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d", nIdx);
    return {};
}

// ---------------------------------------------------------------------------------------------------------
// NE

bool CIconLibrary::OpenNe(std::shared_ptr<const CZsFileBytes> pFile) {
    mhFile = std::move(pFile);
    if (!ReadFileHeader()) {
        msError = "damaged NE header";
        return false;
    }
    if (!ReadResourceTable()) {
        msError = "damaged or missing icon resource table";
        return false;
    }
    return true;
}

bool CIconLibrary::ReadFileHeader() {
    CZsByteReader r(NeBytes());
    uint16_t wDosSign = r.U16At(0);
    if (wDosSign != kMz) {
        ZS_LOG_ERR("CIconLibrary::ReadFileHeader", "wDosSign=0x%04X", wDosSign);
        return false;
    }
    mwWin16Off = r.U16At(0x3C);
    if (mwWin16Off < 0x3C) {
        ZS_LOG_ERR("CIconLibrary::ReadFileHeader", "mwWin16Off=0x%04X", mwWin16Off);
        return false;
    }
    uint16_t wWin16Sign = r.U16At(mwWin16Off);
    if (wWin16Sign != kNe) {
        ZS_LOG_ERR("CIconLibrary::ReadFileHeader", "wWin16Sign=0x%04X", wWin16Sign);
        return false;
    }
    // A header cut short reads as zero offsets and is refused as such.
    uint16_t wResTblOff = r.U16At(uint64_t{mwWin16Off} + 36);
    if (wResTblOff == 0) {
        ZS_LOG_ERR("CIconLibrary::ReadFileHeader", "wResTblOff=0");
        return false;
    }
    uint16_t wNamesTblOff = r.U16At(uint64_t{mwWin16Off} + 38);
    if (wNamesTblOff == 0) {
        ZS_LOG_ERR("CIconLibrary::ReadFileHeader", "wNamesTblOff=0");
        return false;
    }
    mdwResTblStart = uint32_t{wResTblOff} + mwWin16Off;
    mdwNamesTblStart = uint32_t{wNamesTblOff} + mwWin16Off;
    ZsLog("%s: mwWin16Off=0x%04X, mdwResTblStart=0x%08X, mdwNamesTblStart=0x%08X",
          "CIconLibrary::ReadFileHeader", mwWin16Off, mdwResTblStart, mdwNamesTblStart);
    return true;
}

bool CIconLibrary::ReadTypeInfo(uint64_t* pnPos) {
    CZsByteReader r(NeBytes(), *pnPos);
    uint16_t wType = r.U16();
    uint16_t wCount = r.U16();
    r.Skip(4);
    std::vector<ZS_NE_RESOURCE> entries;
    bool bKeep = IsNeType(wType, 14) || IsNeType(wType, 3);
    for (uint32_t i = 0; i < wCount && r.Ok(); ++i) {
        ZS_NE_RESOURCE e;
        e.wOffset = r.U16();
        e.wLength = r.U16();
        e.wFlags = r.U16();
        e.wId = r.U16();
        r.Skip(4);
        if (bKeep) {
            entries.push_back(e);
        }
    }
    if (!r.Ok()) {
        return false;
    }
    if (IsNeType(wType, 14)) {
        mwGrpIconCnt = wCount;
        mpGrpIconInfo = std::move(entries);
    } else if (IsNeType(wType, 3)) {
        mwIconCnt = wCount;
        mpIconInfo = std::move(entries);
    }
    *pnPos = r.Pos();
    return true;
}

bool CIconLibrary::ReadResourceTable() {
    CZsByteReader r(NeBytes(), 0);
    bool bGroups = false, bIcons = false, bTable = r.Seek(mdwResTblStart);
    mwAlignShift = r.U16();
    uint64_t nPos = r.Pos();
    while (bTable && r.Ok()) {
        uint16_t wType = r.U16At(nPos);
        if (!r.Has(nPos, 2)) {
            bTable = false;
            break;
        }
        if (wType == 0) {
            break;
        }
        if (!ReadTypeInfo(&nPos)) {
            bTable = false;
            break;
        }
        bGroups = bGroups || IsNeType(wType, 14);
        bIcons = bIcons || IsNeType(wType, 3);
    }
    if (!bTable || !r.Ok() || !bGroups || !bIcons) {
        ZS_LOG_ERR("CIconLibrary::ReadResourceTable", "ReadResourceTable");
        return false;
    }
    mIconIndex.clear();
    for (size_t i = 0; i < mpIconInfo.size(); ++i) {
        mIconIndex.emplace_back(static_cast<uint16_t>(mpIconInfo[i].wId ^ 0x8000), i);
    }
    std::sort(mIconIndex.begin(), mIconIndex.end());
    ReadResourceNames();
    ZsLog("%s: mwAlignShift=0x%04X, mwGrpIconCnt=%d, mwIconCnt=%d, mssGrpIconNames.size()=%d",
          "CIconLibrary::ReadResourceTable", mwAlignShift, mwGrpIconCnt, mwIconCnt,
          static_cast<int>(mssGrpIconNames.size()));
    return true;
}

void CIconLibrary::ReadResourceNames() {
    // A group whose id has the high bit clear is named: the id is the offset of its name (a length byte and
    // the text) from the start of the resource table. An integer id, or a name that would run past the end
    // of the file, leaves the group without a name.
    CZsByteReader r(NeBytes());
    mssGrpIconNames.clear();
    for (const ZS_NE_RESOURCE& g : mpGrpIconInfo) {
        std::string sName;
        const uint64_t nAt = uint64_t{mdwResTblStart} + g.wId;
        if (!(g.wId & 0x8000) && r.Has(nAt, 1) && r.Has(nAt + 1, r.U8At(nAt))) {
            std::string_view text(reinterpret_cast<const char*>(NeBytes().data() + nAt + 1), r.U8At(nAt));
            sName = text == "@" ? std::string() : ZsWin1252ToUtf8(text);
        }
        mssGrpIconNames.push_back(std::move(sName));
    }
}

ZsBlock CIconLibrary::GetNeIconData(int nIdx) {
    if (nIdx < 0 || nIdx >= static_cast<int>(mpGrpIconInfo.size())) {
        ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d", nIdx);
        return {};
    }
    // Shifts beyond 31 would move every offset past any file; refusing them keeps the products in 64 bits.
    if (mwAlignShift > 31) {
        ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d: mwAlignShift=0x%04X", nIdx, mwAlignShift);
        return {};
    }
    const ZS_NE_RESOURCE& g = mpGrpIconInfo[static_cast<size_t>(nIdx)];
    uint64_t nOff = uint64_t{g.wOffset} << mwAlignShift;
    uint64_t nLen = uint64_t{g.wLength} << mwAlignShift;
    CZsByteReader r(NeBytes());
    if (!r.Has(nOff, nLen)) {
        ZS_LOG_ERR("CIconLibrary::GetIconData",
                   "nIdx=%d: the group at 0x%llX (%llu bytes) lies outside the file", nIdx,
                   static_cast<unsigned long long>(nOff), static_cast<unsigned long long>(nLen));
        return {};
    }
    const ZsBytes file = NeBytes();
    ZsBytes group = file.subspan(nOff, nLen);
    auto lookup = [&](uint16_t wId) {
        ImageLookup found;
        // The first icon resource of the id, as a walk of the table finds it.
        auto it = std::lower_bound(mIconIndex.begin(), mIconIndex.end(), std::make_pair(wId, size_t{0}));
        if (it == mIconIndex.end() || it->first != wId) {
            return found;
        }
        const ZS_NE_RESOURCE& e = mpIconInfo[it->second];
        found.bFound = true;
        uint64_t nImgOff = uint64_t{e.wOffset} << mwAlignShift;
        uint64_t nImgLen = uint64_t{e.wLength} << mwAlignShift;
        if (nImgOff < file.size()) {
            found.image = file.subspan(nImgOff, std::min<uint64_t>(nImgLen, file.size() - nImgOff));
        }
        return found;
    };
    auto dropped = [&](uint16_t wId, const ImageLookup& found, uint32_t dwBytes) {
        if (!found.bFound) {
            ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d: icon resource %d is missing, image dropped",
                       nIdx, wId);
        } else {
            ZS_LOG_ERR("CIconLibrary::GetIconData",
                       "nIdx=%d: icon resource %d holds %zu of %u bytes, image dropped", nIdx, wId,
                       found.image.size(), dwBytes);
        }
    };
    return AssembleGroup(group, nIdx, file.size(), lookup, dropped);
}

// ---------------------------------------------------------------------------------------------------------
// PE

bool CIconLibrary::OpenPe(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile) {
    mhModule = std::make_unique<CZsPeModule>();
    std::vector<CZsResName> ids;
    if (!mhModule->Load(std::move(pFile)) || !mhModule->EnumNames(CZsResName(ZS_RT_GROUP_ICON), &ids)) {
        ZS_LOG_ERR("CIconLibrary::Open", "LoadLibraryEx: %s", ZsPathToUtf8(path).c_str());
        msError = mhModule->GetError();
        return false;
    }
    for (const CZsResName& id : ids) {
        mssGrpNames.push_back(id.ToText());
    }
    mGroupIds = std::move(ids);
    ZsBytes names;
    CZsPeModule::FindResult found = mhModule->Find(CZsResName(ZS_RT_ICL_NAMES), CZsResName(1), &names);
    if (found == CZsPeModule::FindResult::Found) {
        mssGrpIconNames = ZsParseIconNames(names);
    } else if (found == CZsPeModule::FindResult::Damaged) {
        // The groups are still readable; they keep their resource names.
        ZS_LOG_ERR("CIconLibrary::Open", "names resource: %s", mhModule->GetError().c_str());
    }
    return true;
}

ZsBlock CIconLibrary::GetPeIconData(int nIdx) {
    if (nIdx < 0 || nIdx >= static_cast<int>(mGroupIds.size())) {
        ZS_LOG_ERR("CIconLibrary::GetIconData", "nIdx=%d", nIdx);
        return {};
    }
    uint32_t dwSize = 0;
    const uint8_t* pGroup = ZsGetResourceData(*mhModule, mGroupIds[static_cast<size_t>(nIdx)],
                                              CZsResName(ZS_RT_GROUP_ICON), &dwSize);
    if (!pGroup) {
        ZS_LOG_ERR("CIconLibrary::GetIconData", "ZsGetResourceData");
        return {};
    }
    auto lookup = [&](uint16_t wId) {
        ImageLookup found;
        uint32_t dwImage = 0;
        const uint8_t* p = ZsGetResourceData(*mhModule, CZsResName(wId), CZsResName(ZS_RT_ICON), &dwImage);
        if (p) {
            found.bFound = true;
            found.image = ZsBytes(p, dwImage);
        }
        return found;
    };
    auto dropped = [](uint16_t wId, const ImageLookup& found, uint32_t dwBytes) {
        if (!found.bFound) {
            ZS_LOG_ERR("CIconLibrary::GetIconData", "ZsGetResourceData(%d), image dropped", wId);
        } else {
            ZS_LOG_ERR("CIconLibrary::GetIconData", "ZsGetResourceData(%d), %zu of %u bytes, image dropped",
                       wId, found.image.size(), dwBytes);
        }
    };
    return AssembleGroup(ZsBytes(pGroup, dwSize), nIdx, mhModule->Bytes().size(), lookup, dropped);
}

std::vector<std::string> ZsParseIconNames(ZsBytes data) {
    std::vector<std::string> names;
    size_t nPos = 0;
    while (nPos < data.size()) {
        size_t nLen = data[nPos];
        if (nLen > data.size() - nPos - 1) {
            break;
        }
        names.push_back(
            ZsWin1252ToUtf8(std::string_view(reinterpret_cast<const char*>(data.data() + nPos + 1), nLen)));
        nPos += 1 + nLen;
    }
    if (!names.empty() && names.front() == "ICL") {
        names.erase(names.begin());
    }
    return names;
}
