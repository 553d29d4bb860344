#include "icon/ZsPe.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "common/ZsText.h"

namespace {

constexpr uint32_t kSubdirBit = 0x80000000u;
constexpr uint32_t kPeSignature = 0x00004550u;  // "PE\0\0"
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kResourceDirIndex = 2;
constexpr uint32_t kSecurityDirIndex = 4;
constexpr uint64_t kSectionHeaderSize = 40;
// Optional-header fields at the same place in PE32 and PE32+.
constexpr uint64_t kOptSectionAlignment = 32;
constexpr uint64_t kOptFileAlignment = 36;
constexpr uint64_t kOptSizeOfImage = 56;
constexpr uint64_t kOptSizeOfHeaders = 60;
constexpr uint64_t kOptCheckSum = 64;
// A resource section never grows beyond this; it keeps every RVA and size inside 32 bits.
constexpr uint64_t kMaxSectionBytes = 0x7FFF0000u;

uint64_t AlignUp(uint64_t n, uint64_t nAlign) {
    return (n + nAlign - 1) / nAlign * nAlign;
}

bool IsPowerOfTwo(uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

char16_t UpperAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// The order of entries in a resource directory: string names first (compared without regard to case),
// then ids ascending.
bool ResNameLess(const CZsResName& a, const CZsResName& b) {
    if (a.bIsId != b.bIsId) {
        return !a.bIsId;
    }
    if (a.bIsId) {
        return a.nId < b.nId;
    }
    size_t n = std::min(a.sName.size(), b.sName.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = UpperAscii(a.sName[i]), y = UpperAscii(b.sName[i]);
        if (x != y) {
            return x < y;
        }
    }
    return a.sName.size() < b.sName.size();
}

bool SameResName(const CZsResName& a, const CZsResName& b) {
    return !ResNameLess(a, b) && !ResNameLess(b, a);
}

}  // namespace

CZsResName CZsResName::FromString(std::u16string name) {
    CZsResName r;
    r.bIsId = false;
    r.sName = std::move(name);
    return r;
}

CZsResName CZsResName::FromText(std::string_view utf8) {
    if (utf8.size() > 1 && utf8.size() <= 6 && utf8[0] == '#') {
        uint32_t v = 0;
        bool bDigits = true;
        for (char c : utf8.substr(1)) {
            if (c < '0' || c > '9') {
                bDigits = false;
                break;
            }
            v = v * 10 + static_cast<uint32_t>(c - '0');
        }
        if (bDigits && v <= 0xFFFF) {
            return CZsResName(static_cast<uint16_t>(v));
        }
    }
    return FromString(ZsUtf8ToUtf16(utf8));
}

std::string CZsResName::ToText() const {
    return bIsId ? ZsFormat("#%u", static_cast<unsigned>(nId)) : ZsUtf16ToUtf8(sName);
}

bool CZsResName::Matches(const CZsResName& other) const {
    return SameResName(*this, other);
}

// ---------------------------------------------------------------------------------------------------------
// Reading

bool CZsPeModule::Fail(const std::string& sError) const {
    msError = sError;
    return false;
}

bool CZsPeModule::Open(const std::filesystem::path& path) {
    std::string sWhy;
    std::shared_ptr<const CZsFileBytes> pFile = CZsFileBytes::Open(path, UINT64_C(1) << 32, &sWhy);
    if (!pFile) {
        mpFile.reset();
        mFile = {};
        return Fail("cannot read the file: " + sWhy);
    }
    return Load(std::move(pFile));
}

bool CZsPeModule::Load(ZsBlock bytes) {
    return Load(CZsFileBytes::FromBlock(std::move(bytes)));
}

bool CZsPeModule::Load(std::shared_ptr<const CZsFileBytes> pFile) {
    mpFile = std::move(pFile);
    mFile = mpFile->Bytes();
    mSections.clear();
    mIdIndex.clear();
    mNameIndex.clear();
    mdwResRva = 0;
    mnResOff = mnResLen = 0;
    CZsByteReader r(mFile);
    if (!r.Has(0, 0x40) || r.U16At(0) != 0x5A4D) {
        return Fail("no MZ header");
    }
    // Only the low half of the DOS header's pointer is used, as the file-kind test reads it.
    uint64_t nPeOff = r.U16At(0x3C);
    if (!r.Has(nPeOff, 24) || r.U32At(nPeOff) != kPeSignature) {
        return Fail("no PE header");
    }
    uint32_t nSections = r.U16At(nPeOff + 6);
    uint32_t nOptSize = r.U16At(nPeOff + 20);
    mnOptOff = nPeOff + 24;
    if (!r.Has(mnOptOff, nOptSize) || nOptSize < 2) {
        return Fail("the optional header runs past the end of the file");
    }
    uint16_t wMagic = r.U16At(mnOptOff);
    uint64_t nDirCountAt = 0;
    if (wMagic == kMagicPe32) {
        mbIs64 = false;
        nDirCountAt = 92;
    } else if (wMagic == kMagicPe32Plus) {
        mbIs64 = true;
        nDirCountAt = 108;
    } else {
        return Fail(ZsFormat("unknown optional header magic 0x%04X", wMagic));
    }
    if (nOptSize < nDirCountAt + 4) {
        return Fail("the optional header is too short");
    }
    mnDirOff = mnOptOff + nDirCountAt + 4;
    mnDirCount = static_cast<uint32_t>(
        std::min<uint64_t>(r.U32At(mnOptOff + nDirCountAt), (nOptSize - nDirCountAt - 4) / 8));
    mdwSizeOfHeaders = r.U32At(mnOptOff + kOptSizeOfHeaders);

    uint64_t nSecOff = mnOptOff + nOptSize;
    if (!r.Has(nSecOff, nSections * kSectionHeaderSize)) {
        return Fail("the section table runs past the end of the file");
    }
    for (uint32_t i = 0; i < nSections; ++i) {
        uint64_t p = nSecOff + i * kSectionHeaderSize;
        Section s;
        s.dwVirtualSize = r.U32At(p + 8);
        s.dwVirtualAddress = r.U32At(p + 12);
        s.dwSizeOfRawData = r.U32At(p + 16);
        s.dwPointerToRawData = r.U32At(p + 20);
        s.nHeaderOffset = p;
        mSections.push_back(s);
    }

    if (mnDirCount > kResourceDirIndex) {
        mdwResRva = r.U32At(mnDirOff + 8 * kResourceDirIndex);
    }
    if (mdwResRva == 0) {
        return true;
    }
    for (const Section& s : mSections) {
        uint64_t nSpan = std::max(s.dwVirtualSize, s.dwSizeOfRawData);
        if (mdwResRva < s.dwVirtualAddress || mdwResRva - s.dwVirtualAddress >= nSpan) {
            continue;
        }
        uint64_t nDelta = mdwResRva - s.dwVirtualAddress;
        uint64_t nRawEnd =
            std::min<uint64_t>(uint64_t{s.dwPointerToRawData} + s.dwSizeOfRawData, mFile.size());
        uint64_t nOff = uint64_t{s.dwPointerToRawData} + nDelta;
        if (nDelta >= s.dwSizeOfRawData || nOff >= nRawEnd) {
            return Fail(ZsFormat("the resource directory at RVA 0x%08X lies outside the file", mdwResRva));
        }
        mnResOff = nOff;
        mnResLen = nRawEnd - nOff;
        return true;
    }
    return Fail(ZsFormat("the resource directory at RVA 0x%08X lies outside every section", mdwResRva));
}

bool CZsPeModule::RvaToOffset(uint32_t dwRva, uint32_t dwSize, uint64_t* pnOffset) const {
    for (const Section& s : mSections) {
        uint64_t nSpan = std::max(s.dwVirtualSize, s.dwSizeOfRawData);
        if (dwRva < s.dwVirtualAddress || dwRva - s.dwVirtualAddress >= nSpan) {
            continue;
        }
        uint64_t nDelta = dwRva - s.dwVirtualAddress;
        uint64_t nOff = uint64_t{s.dwPointerToRawData} + nDelta;
        if (nDelta + dwSize > s.dwSizeOfRawData || nOff + dwSize > mFile.size()) {
            return false;
        }
        *pnOffset = nOff;
        return true;
    }
    if (uint64_t{dwRva} + dwSize <= mdwSizeOfHeaders && uint64_t{dwRva} + dwSize <= mFile.size()) {
        *pnOffset = dwRva;
        return true;
    }
    return false;
}

bool CZsPeModule::ReadDirectory(uint32_t dwDirOffset, std::vector<Entry>* pEntries) const {
    pEntries->clear();
    CZsByteReader r(mFile);
    if (uint64_t{dwDirOffset} + 16 > mnResLen) {
        return Fail(
            ZsFormat("the resource directory at 0x%08X lies outside the resource section", dwDirOffset));
    }
    uint64_t nAt = mnResOff + dwDirOffset;
    uint64_t nCount = uint64_t{r.U16At(nAt + 12)} + r.U16At(nAt + 14);
    if (uint64_t{dwDirOffset} + 16 + 8 * nCount > mnResLen) {
        return Fail(ZsFormat("the resource directory at 0x%08X runs past the resource section", dwDirOffset));
    }
    pEntries->reserve(nCount);
    for (uint64_t i = 0; i < nCount; ++i) {
        uint64_t p = nAt + 16 + 8 * i;
        pEntries->push_back(Entry{r.U32At(p), r.U32At(p + 4)});
    }
    return true;
}

bool CZsPeModule::ReadEntryName(const Entry& entry, CZsResName* pName) const {
    if (!(entry.dwName & kSubdirBit)) {
        if (entry.dwName > 0xFFFF) {
            return Fail(ZsFormat("resource id 0x%08X is out of range", entry.dwName));
        }
        *pName = CZsResName(static_cast<uint16_t>(entry.dwName));
        return true;
    }
    uint64_t nOff = entry.dwName & ~kSubdirBit;
    CZsByteReader r(mFile);
    if (nOff + 2 > mnResLen) {
        return Fail(ZsFormat("a resource name at 0x%08X lies outside the resource section",
                             static_cast<uint32_t>(nOff)));
    }
    uint64_t nChars = r.U16At(mnResOff + nOff);
    if (nOff + 2 + 2 * nChars > mnResLen) {
        return Fail(ZsFormat("a resource name at 0x%08X runs past the resource section",
                             static_cast<uint32_t>(nOff)));
    }
    std::u16string sName(nChars, u'\0');
    for (uint64_t i = 0; i < nChars; ++i) {
        sName[i] = static_cast<char16_t>(r.U16At(mnResOff + nOff + 2 + 2 * i));
    }
    *pName = CZsResName::FromString(std::move(sName));
    return true;
}

CZsPeModule::FindResult CZsPeModule::FindEntry(uint32_t dwDirOffset, const CZsResName& name,
                                               Entry* pFound) const {
    if (name.bIsId) {
        // A directory's id entries, sorted once and kept: lookups then take a binary search whatever order
        // the file keeps them in, so no directory can make them slow.
        auto it = mIdIndex.find(dwDirOffset);
        if (it == mIdIndex.end()) {
            std::vector<Entry> entries;
            if (!ReadDirectory(dwDirOffset, &entries)) {
                return FindResult::Damaged;
            }
            std::erase_if(entries, [](const Entry& e) { return (e.dwName & kSubdirBit) != 0; });
            std::stable_sort(entries.begin(), entries.end(),
                             [](const Entry& a, const Entry& b) { return a.dwName < b.dwName; });
            it = mIdIndex.emplace(dwDirOffset, std::move(entries)).first;
        }
        auto found = std::lower_bound(it->second.begin(), it->second.end(), uint32_t{name.nId},
                                      [](const Entry& e, uint32_t v) { return e.dwName < v; });
        if (found == it->second.end() || found->dwName != name.nId) {
            return FindResult::NotFound;
        }
        *pFound = *found;
        return FindResult::Found;
    }
    // The string entries likewise, by their names in capitals (ties in directory order).
    auto it = mNameIndex.find(dwDirOffset);
    if (it == mNameIndex.end()) {
        std::vector<Entry> entries;
        if (!ReadDirectory(dwDirOffset, &entries)) {
            return FindResult::Damaged;
        }
        std::vector<std::pair<std::u16string, Entry>> named;
        uint64_t nChars = 0;
        for (const Entry& e : entries) {
            CZsResName entryName;
            if (!(e.dwName & kSubdirBit)) {
                continue;
            }
            if (!ReadEntryName(e, &entryName) || !CountNameChars(entryName, &nChars)) {
                return FindResult::Damaged;
            }
            std::transform(entryName.sName.begin(), entryName.sName.end(), entryName.sName.begin(),
                           UpperAscii);
            named.emplace_back(std::move(entryName.sName), e);
        }
        std::stable_sort(named.begin(), named.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        it = mNameIndex.emplace(dwDirOffset, std::move(named)).first;
    }
    std::u16string key = name.sName;
    std::transform(key.begin(), key.end(), key.begin(), UpperAscii);
    auto found = std::lower_bound(it->second.begin(), it->second.end(), key,
                                  [](const auto& e, const std::u16string& v) { return e.first < v; });
    if (found == it->second.end() || found->first != key) {
        return FindResult::NotFound;
    }
    *pFound = found->second;
    return FindResult::Found;
}

bool CZsPeModule::CountNameChars(const CZsResName& name, uint64_t* pnChars) const {
    // The names of one directory are stored once each, so together they fit the resource section; names
    // shared by thousands of entries would multiply what reading them costs.
    *pnChars += name.bIsId ? 0 : name.sName.size();
    if (2 * *pnChars > mnResLen) {
        return Fail("the resource names share their text more than a sound module does");
    }
    return true;
}

bool CZsPeModule::ReadDataEntry(uint32_t dwOffset, ZsBytes* pData) const {
    if (uint64_t{dwOffset} + 16 > mnResLen) {
        return Fail(ZsFormat("a resource data entry at 0x%08X lies outside the resource section", dwOffset));
    }
    CZsByteReader r(mFile);
    uint32_t dwRva = r.U32At(mnResOff + dwOffset);
    uint32_t dwSize = r.U32At(mnResOff + dwOffset + 4);
    uint64_t nOff = 0;
    if (!RvaToOffset(dwRva, dwSize, &nOff)) {
        return Fail(ZsFormat("resource data at RVA 0x%08X (%u bytes) lies outside the file", dwRva, dwSize));
    }
    *pData = ZsBytes(mFile.data() + nOff, dwSize);
    return true;
}

bool CZsPeModule::EnumNames(const CZsResName& type, std::vector<CZsResName>* pNames) const {
    pNames->clear();
    if (mdwResRva == 0) {
        return true;
    }
    Entry typeEntry;
    FindResult found = FindEntry(0, type, &typeEntry);
    if (found != FindResult::Found) {
        return found == FindResult::NotFound;
    }
    uint32_t dwTypeDir = typeEntry.dwOffset & ~kSubdirBit;
    if (!(typeEntry.dwOffset & kSubdirBit) || dwTypeDir == 0) {
        return Fail(ZsFormat("the directory of resource type %s is damaged", type.ToText().c_str()));
    }
    std::vector<Entry> entries;
    if (!ReadDirectory(dwTypeDir, &entries)) {
        return false;
    }
    std::vector<CZsResName> ids;
    uint64_t nChars = 0;
    for (const Entry& e : entries) {
        CZsResName name;
        if (!ReadEntryName(e, &name) || !CountNameChars(name, &nChars)) {
            return false;
        }
        (name.bIsId ? ids : *pNames).push_back(std::move(name));
    }
    std::stable_sort(ids.begin(), ids.end(),
                     [](const CZsResName& a, const CZsResName& b) { return a.nId < b.nId; });
    pNames->insert(pNames->end(), ids.begin(), ids.end());
    return true;
}

CZsPeModule::FindResult CZsPeModule::Find(const CZsResName& type, const CZsResName& name,
                                          ZsBytes* pData) const {
    if (mdwResRva == 0) {
        return FindResult::NotFound;
    }
    Entry typeEntry, nameEntry;
    FindResult found = FindEntry(0, type, &typeEntry);
    if (found != FindResult::Found) {
        return found;
    }
    uint32_t dwTypeDir = typeEntry.dwOffset & ~kSubdirBit;
    if (!(typeEntry.dwOffset & kSubdirBit) || dwTypeDir == 0) {
        Fail(ZsFormat("the directory of resource type %s is damaged", type.ToText().c_str()));
        return FindResult::Damaged;
    }
    found = FindEntry(dwTypeDir, name, &nameEntry);
    if (found != FindResult::Found) {
        return found;
    }
    uint32_t dwNameDir = nameEntry.dwOffset & ~kSubdirBit;
    if (!(nameEntry.dwOffset & kSubdirBit) || dwNameDir == 0 || dwNameDir == dwTypeDir) {
        Fail(ZsFormat("the directory of resource %s is damaged", name.ToText().c_str()));
        return FindResult::Damaged;
    }
    std::vector<Entry> langs;
    if (!ReadDirectory(dwNameDir, &langs)) {
        return FindResult::Damaged;
    }
    if (langs.empty()) {
        return FindResult::NotFound;
    }
    const Entry* pLang = &langs.front();
    for (const Entry& e : langs) {
        if (e.dwName == 0) {
            pLang = &e;
            break;
        }
    }
    if (pLang->dwOffset & kSubdirBit) {
        Fail(ZsFormat("the directory of resource %s nests too deep", name.ToText().c_str()));
        return FindResult::Damaged;
    }
    return ReadDataEntry(pLang->dwOffset, pData) ? FindResult::Found : FindResult::Damaged;
}

bool CZsPeModule::ReadAll(std::vector<ZS_PE_RESOURCE>* pResources) const {
    pResources->clear();
    if (mdwResRva == 0) {
        return true;
    }
    // A directory may be reached once only; this ends loops and shared subtrees alike. The bytes copied can
    // never exceed the file's own size in a sound module.
    std::set<uint32_t> visited{0};
    uint64_t nCopied = 0, nChars = 0;
    auto subdir = [&](const Entry& e, uint32_t* pDir) {
        *pDir = e.dwOffset & ~kSubdirBit;
        if (!(e.dwOffset & kSubdirBit)) {
            return Fail("a resource directory nests too shallow");
        }
        if (!visited.insert(*pDir).second) {
            return Fail(ZsFormat("the resource directory at 0x%08X is reached twice", *pDir));
        }
        return true;
    };
    std::vector<Entry> types, names, langs;
    if (!ReadDirectory(0, &types)) {
        return false;
    }
    for (const Entry& t : types) {
        ZS_PE_RESOURCE res;
        uint32_t dwTypeDir = 0;
        if (!ReadEntryName(t, &res.type) || !subdir(t, &dwTypeDir) || !ReadDirectory(dwTypeDir, &names)) {
            return false;
        }
        for (const Entry& n : names) {
            uint32_t dwNameDir = 0;
            if (!ReadEntryName(n, &res.name) || !subdir(n, &dwNameDir) || !ReadDirectory(dwNameDir, &langs)) {
                return false;
            }
            for (const Entry& l : langs) {
                ZsBytes data;
                if (l.dwName > 0xFFFF || (l.dwOffset & kSubdirBit)) {
                    return Fail(
                        ZsFormat("the directory of resource %s nests too deep", res.name.ToText().c_str()));
                }
                if (!ReadDataEntry(l.dwOffset, &data)) {
                    return false;
                }
                nCopied += data.size();
                if (nCopied > mFile.size()) {
                    return Fail("the resources share their data more than a sound module does");
                }
                // Every resource copies its type's and its own name: a name dir of thousands of languages
                // must not copy a long name thousands of times.
                nChars += res.type.sName.size() + res.name.sName.size();
                if (nChars > 2 * mnResLen) {
                    return Fail("the resource names are repeated more than a sound module does");
                }
                res.wLang = static_cast<uint16_t>(l.dwName);
                res.data.assign(data.begin(), data.end());
                pResources->push_back(res);
            }
        }
    }
    return true;
}

const uint8_t* ZsGetResourceData(const CZsPeModule& module, const CZsResName& name, const CZsResName& type,
                                 uint32_t* pdwSize) {
    ZsBytes data;
    CZsPeModule::FindResult found = module.Find(type, name, &data);
    if (found == CZsPeModule::FindResult::NotFound) {
        ZS_LOG_ERR("ZsGetResourceData", "FindResource");
        return nullptr;
    }
    if (found == CZsPeModule::FindResult::Damaged) {
        ZS_LOG_ERR("ZsGetResourceData", "LoadResource");
        return nullptr;
    }
    if (pdwSize) {
        *pdwSize = static_cast<uint32_t>(data.size());
    }
    return data.data();
}

// ---------------------------------------------------------------------------------------------------------
// Writing

ZsBlock ZsBuildResourceSection(const std::vector<ZS_PE_RESOURCE>& resources, uint32_t dwSectionRva) {
    std::vector<const ZS_PE_RESOURCE*> sorted;
    for (const ZS_PE_RESOURCE& r : resources) {
        sorted.push_back(&r);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const ZS_PE_RESOURCE* a, const ZS_PE_RESOURCE* b) {
        if (!SameResName(a->type, b->type)) {
            return ResNameLess(a->type, b->type);
        }
        if (!SameResName(a->name, b->name)) {
            return ResNameLess(a->name, b->name);
        }
        return a->wLang < b->wLang;
    });

    // The tree: types, their names, and the leaves (indexes into sorted) of each name.
    struct NameNode {
        const CZsResName* pName;
        std::vector<size_t> leaves;
    };
    struct TypeNode {
        const CZsResName* pType;
        std::vector<NameNode> names;
    };
    std::vector<TypeNode> types;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const ZS_PE_RESOURCE& r = *sorted[i];
        if (types.empty() || !SameResName(*types.back().pType, r.type)) {
            types.push_back(TypeNode{&r.type, {}});
        }
        std::vector<NameNode>& names = types.back().names;
        if (names.empty() || !SameResName(*names.back().pName, r.name)) {
            names.push_back(NameNode{&r.name, {}});
        }
        names.back().leaves.push_back(i);
    }

    // Layout: every directory, then the data entries, the names and the data, each datum aligned to 8.
    uint64_t nDirBytes = 16 + 8 * types.size();
    for (const TypeNode& t : types) {
        nDirBytes += 16 + 8 * t.names.size();
        for (const NameNode& n : t.names) {
            nDirBytes += 16 + 8 * n.leaves.size();
        }
    }
    uint64_t nEntriesAt = nDirBytes;
    uint64_t nStringsAt = nEntriesAt + 16 * sorted.size();
    uint64_t nStringBytes = 0;
    for (const TypeNode& t : types) {
        nStringBytes += t.pType->bIsId ? 0 : 2 + 2 * t.pType->sName.size();
        for (const NameNode& n : t.names) {
            nStringBytes += n.pName->bIsId ? 0 : 2 + 2 * n.pName->sName.size();
        }
    }
    uint64_t nDataAt = AlignUp(nStringsAt + nStringBytes, 8);
    uint64_t nTotal = nDataAt;
    for (const ZS_PE_RESOURCE* r : sorted) {
        nTotal = AlignUp(nTotal + r->data.size(), 8);
    }
    if (nTotal > kMaxSectionBytes) {
        return {};
    }

    ZsBlock out(nTotal, 0);
    uint64_t nNextDir = 0, nNextString = nStringsAt, nNextData = nDataAt;
    uint64_t nNextEntry = nEntriesAt;
    auto putDir = [&](uint64_t nAt, size_t nNamed, size_t nIds) {
        ZsSetU16(&out[nAt + 12], static_cast<uint16_t>(nNamed));
        ZsSetU16(&out[nAt + 14], static_cast<uint16_t>(nIds));
    };
    auto nameField = [&](const CZsResName& name) -> uint32_t {
        if (name.bIsId) {
            return name.nId;
        }
        uint64_t nAt = nNextString;
        ZsSetU16(&out[nAt], static_cast<uint16_t>(name.sName.size()));
        for (size_t i = 0; i < name.sName.size(); ++i) {
            ZsSetU16(&out[nAt + 2 + 2 * i], static_cast<uint16_t>(name.sName[i]));
        }
        nNextString += 2 + 2 * name.sName.size();
        return static_cast<uint32_t>(nAt) | kSubdirBit;
    };
    auto countNamed = [](const auto& list, auto getName) {
        size_t n = 0;
        for (const auto& item : list) {
            n += getName(item)->bIsId ? 0 : 1;
        }
        return n;
    };

    uint64_t nRoot = nNextDir;
    nNextDir += 16 + 8 * types.size();
    size_t nTypeNamed = countNamed(types, [](const TypeNode& t) { return t.pType; });
    putDir(nRoot, nTypeNamed, types.size() - nTypeNamed);
    for (size_t ti = 0; ti < types.size(); ++ti) {
        const TypeNode& t = types[ti];
        uint64_t nTypeDir = nNextDir;
        nNextDir += 16 + 8 * t.names.size();
        ZsSetU32(&out[nRoot + 16 + 8 * ti], nameField(*t.pType));
        ZsSetU32(&out[nRoot + 16 + 8 * ti + 4], static_cast<uint32_t>(nTypeDir) | kSubdirBit);
        size_t nNamed = countNamed(t.names, [](const NameNode& n) { return n.pName; });
        putDir(nTypeDir, nNamed, t.names.size() - nNamed);
        for (size_t ni = 0; ni < t.names.size(); ++ni) {
            const NameNode& n = t.names[ni];
            uint64_t nNameDir = nNextDir;
            nNextDir += 16 + 8 * n.leaves.size();
            ZsSetU32(&out[nTypeDir + 16 + 8 * ni], nameField(*n.pName));
            ZsSetU32(&out[nTypeDir + 16 + 8 * ni + 4], static_cast<uint32_t>(nNameDir) | kSubdirBit);
            putDir(nNameDir, 0, n.leaves.size());
            for (size_t li = 0; li < n.leaves.size(); ++li) {
                const ZS_PE_RESOURCE& r = *sorted[n.leaves[li]];
                uint64_t nEntry = nNextEntry;
                nNextEntry += 16;
                ZsSetU32(&out[nNameDir + 16 + 8 * li], r.wLang);
                ZsSetU32(&out[nNameDir + 16 + 8 * li + 4], static_cast<uint32_t>(nEntry));
                ZsSetU32(&out[nEntry], static_cast<uint32_t>(dwSectionRva + nNextData));
                ZsSetU32(&out[nEntry + 4], static_cast<uint32_t>(r.data.size()));
                if (!r.data.empty()) {
                    std::memcpy(&out[nNextData], r.data.data(), r.data.size());
                }
                nNextData = AlignUp(nNextData + r.data.size(), 8);
            }
        }
    }
    return out;
}

uint32_t ZsPeChecksum(ZsBytes image, uint64_t nChecksumOffset) {
    uint64_t nSum = 0;
    for (uint64_t i = 0; i < image.size(); i += 2) {
        uint32_t lo = image[i];
        uint32_t hi = i + 1 < image.size() ? image[i + 1] : 0;
        if (i >= nChecksumOffset && i < nChecksumOffset + 4) {
            lo = 0;
        }
        if (i + 1 >= nChecksumOffset && i + 1 < nChecksumOffset + 4) {
            hi = 0;
        }
        nSum += lo | (hi << 8);
        nSum = (nSum & 0xFFFF) + (nSum >> 16);
    }
    nSum = (nSum & 0xFFFF) + (nSum >> 16);
    return static_cast<uint32_t>(nSum + image.size());
}

bool CZsPeResUpdate::Fail(const std::string& sError) {
    msError = sError;
    return false;
}

bool CZsPeResUpdate::Begin(const std::filesystem::path& path) {
    return Begin(path, CZsFileBytes::Open(path));
}

bool CZsPeResUpdate::Key::operator<(const Key& other) const {
    if (!SameResName(type, other.type)) {
        return ResNameLess(type, other.type);
    }
    if (!SameResName(name, other.name)) {
        return ResNameLess(name, other.name);
    }
    return wLang < other.wLang;
}

bool CZsPeResUpdate::Begin(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile) {
    mbBegun = false;
    mPath = path;
    mResources.clear();
    mIndex.clear();
    if (!pFile) {
        return Fail("cannot read the file");
    }
    std::vector<ZS_PE_RESOURCE> all;
    if (!mModule.Load(std::move(pFile)) || !mModule.ReadAll(&all)) {
        return Fail(mModule.GetError());
    }
    // Keep the first of any repeated type, name and language, as a lookup would find it.
    mResources.reserve(all.size());
    for (ZS_PE_RESOURCE& r : all) {
        if (mIndex.emplace(Key{r.type, r.name, r.wLang}, mResources.size()).second) {
            mResources.push_back(std::move(r));
        }
    }
    mbBegun = true;
    return true;
}

bool CZsPeResUpdate::CanUpdate(const CZsResName& type, const CZsResName& name, ZsBytes data) {
    if (!mbBegun) {
        return Fail("no update has begun");
    }
    if (data.size() > kMaxSectionBytes || (!type.bIsId && type.sName.size() > 0xFFFF) ||
        (!name.bIsId && name.sName.size() > 0xFFFF)) {
        return Fail("the resource is too large");
    }
    return true;
}

bool CZsPeResUpdate::Update(const CZsResName& type, const CZsResName& name, uint16_t wLang, ZsBytes data) {
    if (!CanUpdate(type, name, data)) {
        return false;
    }
    auto [it, bNew] = mIndex.emplace(Key{type, name, wLang}, mResources.size());
    if (bNew) {
        mResources.push_back(ZS_PE_RESOURCE{type, name, wLang, ZsBlock(data.begin(), data.end())});
    } else {
        mResources[it->second].data.assign(data.begin(), data.end());
    }
    return true;
}

bool CZsPeResUpdate::Build(ZsBlock* pImage) {
    if (!mbBegun) {
        return Fail("no update has begun");
    }
    const ZsBytes file = mModule.Bytes();
    CZsByteReader r(file);
    const uint64_t nOpt = mModule.OptionalHeaderOffset();
    const uint32_t dwFileAlign = r.U32At(nOpt + kOptFileAlignment);
    const uint32_t dwSecAlign = r.U32At(nOpt + kOptSectionAlignment);
    const uint32_t dwSizeOfHeaders = r.U32At(nOpt + kOptSizeOfHeaders);
    if (!IsPowerOfTwo(dwFileAlign) || !IsPowerOfTwo(dwSecAlign) || dwFileAlign > 0x10000) {
        return Fail("the module's alignments are not powers of two up to 64 KiB");
    }
    if (mModule.DataDirectoryCount() <= kResourceDirIndex) {
        return Fail("the module has no resource data directory");
    }
    std::vector<CZsPeModule::Section> secs = mModule.Sections();

    // The resource section is rebuilt where it is when it is the last section in memory and in the file;
    // otherwise a new section is appended and the old one stays unused.
    int nRsrc = -1;
    uint64_t nRawEnd = std::min<uint64_t>(dwSizeOfHeaders, file.size());
    uint64_t nVirtEnd = 0;
    for (size_t i = 0; i < secs.size(); ++i) {
        const CZsPeModule::Section& s = secs[i];
        if (mModule.ResourceRva() != 0 && s.dwVirtualAddress == mModule.ResourceRva()) {
            nRsrc = static_cast<int>(i);
        }
        if (s.dwSizeOfRawData != 0) {
            nRawEnd = std::max<uint64_t>(nRawEnd, uint64_t{s.dwPointerToRawData} + s.dwSizeOfRawData);
        }
        nVirtEnd = std::max<uint64_t>(
            nVirtEnd, uint64_t{s.dwVirtualAddress} + std::max(s.dwVirtualSize, s.dwSizeOfRawData));
    }
    nRawEnd = std::min<uint64_t>(nRawEnd, file.size());
    bool bInPlace = false;
    if (nRsrc >= 0) {
        const CZsPeModule::Section& rs = secs[static_cast<size_t>(nRsrc)];
        bInPlace = rs.dwPointerToRawData != 0;
        for (size_t i = 0; i < secs.size(); ++i) {
            const CZsPeModule::Section& s = secs[i];
            if (static_cast<int>(i) == nRsrc) {
                continue;
            }
            if (s.dwVirtualAddress >= rs.dwVirtualAddress ||
                (s.dwSizeOfRawData != 0 &&
                 uint64_t{s.dwPointerToRawData} + s.dwSizeOfRawData > rs.dwPointerToRawData)) {
                bInPlace = false;
            }
        }
    }
    const uint64_t nSecTableEnd = secs.empty() ? 0 : secs.back().nHeaderOffset + kSectionHeaderSize;
    uint64_t nNewHeader = 0;
    uint32_t dwVa = 0;
    uint64_t nPtr = 0;
    if (bInPlace) {
        const CZsPeModule::Section& rs = secs[static_cast<size_t>(nRsrc)];
        dwVa = rs.dwVirtualAddress;
        nPtr = rs.dwPointerToRawData;
    } else {
        uint64_t nFirstRaw = dwSizeOfHeaders;
        for (const CZsPeModule::Section& s : secs) {
            if (s.dwSizeOfRawData != 0) {
                nFirstRaw = std::min<uint64_t>(nFirstRaw, s.dwPointerToRawData);
            }
        }
        uint64_t nTableEnd = secs.empty() ? mModule.OptionalHeaderOffset() + r.U16At(nOpt - 4) : nSecTableEnd;
        if (nTableEnd + kSectionHeaderSize > nFirstRaw || secs.size() >= 0xFFFF) {
            return Fail("the module's headers have no room for a resource section");
        }
        nNewHeader = nTableEnd;
        // A section reaching the top of the address space leaves no room after it (the RVA would wrap to 0).
        const uint64_t nVa = AlignUp(std::max<uint64_t>(nVirtEnd, dwSizeOfHeaders), dwSecAlign);
        if (nVa > 0xFFFFFFFFu) {
            return Fail("the module's sections leave no room for a resource section");
        }
        dwVa = static_cast<uint32_t>(nVa);
        nPtr = AlignUp(nRawEnd, dwFileAlign);
    }
    // Everything written below lies in the headers, which must end before the section data begins, and the
    // section data must begin inside the file: a damaged module cannot make the new image huge.
    const uint64_t nHeadersEnd =
        std::max({(bInPlace ? nSecTableEnd : nNewHeader + kSectionHeaderSize),
                  mModule.DataDirectoryOffset() + 8 * uint64_t{mModule.DataDirectoryCount()},
                  nOpt + kOptCheckSum + 4});
    if (nPtr < nHeadersEnd || nPtr > AlignUp(file.size(), dwFileAlign)) {
        return Fail("the module's sections overlap its headers or lie outside the file");
    }
    ZsBlock rsrc = ZsBuildResourceSection(mResources, dwVa);
    if (rsrc.empty()) {
        return Fail("the resources do not fit one section");
    }
    uint64_t nRawSize = AlignUp(rsrc.size(), dwFileAlign);
    if (uint64_t{dwVa} + AlignUp(rsrc.size(), dwSecAlign) > 0xFFFFFFFFu || nPtr + nRawSize > 0xFFFFFFFFu) {
        return Fail("the module would grow beyond 4 GiB");
    }

    ZsBlock& out = *pImage;
    out.assign(file.begin(),
               file.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(nPtr, file.size())));
    out.resize(nPtr, 0);
    out.insert(out.end(), rsrc.begin(), rsrc.end());
    out.resize(nPtr + nRawSize, 0);
    // Bytes after the last section (an overlay such as a certificate table) move along behind it.
    const uint64_t nNewOverlay = out.size();
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(nRawEnd), file.end());

    uint64_t nHeader = bInPlace ? secs[static_cast<size_t>(nRsrc)].nHeaderOffset : nNewHeader;
    if (!bInPlace) {
        static const char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
        std::memcpy(&out[nHeader], kName, 8);
        std::memset(&out[nHeader + 24], 0, 12);
        ZsSetU32(&out[nHeader + 36], 0x40000040u);  // initialised data, readable
        uint64_t nCountAt = mModule.OptionalHeaderOffset() - 18;
        ZsSetU16(&out[nCountAt], static_cast<uint16_t>(secs.size() + 1));
        secs.push_back(CZsPeModule::Section{});
    }
    ZsSetU32(&out[nHeader + 8], static_cast<uint32_t>(rsrc.size()));
    ZsSetU32(&out[nHeader + 12], dwVa);
    ZsSetU32(&out[nHeader + 16], static_cast<uint32_t>(nRawSize));
    ZsSetU32(&out[nHeader + 20], static_cast<uint32_t>(nPtr));
    CZsPeModule::Section& ns = bInPlace ? secs[static_cast<size_t>(nRsrc)] : secs.back();
    ns.dwVirtualAddress = dwVa;
    ns.dwVirtualSize = static_cast<uint32_t>(rsrc.size());
    ns.dwSizeOfRawData = static_cast<uint32_t>(nRawSize);

    uint64_t nImageEnd = dwSizeOfHeaders;
    for (const CZsPeModule::Section& s : secs) {
        uint32_t dwSpan = s.dwVirtualSize != 0 ? s.dwVirtualSize : s.dwSizeOfRawData;
        nImageEnd = std::max<uint64_t>(nImageEnd, uint64_t{s.dwVirtualAddress} + dwSpan);
    }
    ZsSetU32(&out[nOpt + kOptSizeOfImage], static_cast<uint32_t>(AlignUp(nImageEnd, dwSecAlign)));
    const uint64_t nDirs = mModule.DataDirectoryOffset();
    ZsSetU32(&out[nDirs + 8 * kResourceDirIndex], dwVa);
    ZsSetU32(&out[nDirs + 8 * kResourceDirIndex + 4], static_cast<uint32_t>(rsrc.size()));
    // The symbol table and the certificate table are addressed by file offset, not RVA: when they lie in the
    // overlay they move with it.
    auto moveFileOffset = [&](uint64_t nFieldAt) {
        uint32_t dwOff = r.U32At(nFieldAt);
        if (dwOff != 0 && dwOff >= nRawEnd && nNewOverlay + (dwOff - nRawEnd) <= 0xFFFFFFFFu) {
            ZsSetU32(&out[nFieldAt], static_cast<uint32_t>(nNewOverlay + (dwOff - nRawEnd)));
        }
    };
    moveFileOffset(nOpt - 12);
    if (mModule.DataDirectoryCount() > kSecurityDirIndex) {
        moveFileOffset(nDirs + 8 * kSecurityDirIndex);
    }
    if (r.U32At(nOpt + kOptCheckSum) != 0) {
        ZsSetU32(&out[nOpt + kOptCheckSum], ZsPeChecksum(out, nOpt + kOptCheckSum));
    }
    return true;
}

bool CZsPeResUpdate::Commit() {
    ZsBlock image;
    if (!Build(&image)) {
        return false;
    }
    if (!ZsWriteFileAtomic(mPath, image)) {
        return Fail("cannot write the file");
    }
    mbBegun = false;
    return true;
}

ZsBlock ZsMakeTemplateModule() {
    constexpr uint32_t kHeaders = 0x200, kFileAlign = 0x200, kSecAlign = 0x1000, kRsrcRva = 0x1000;
    ZsBlock b;
    // DOS header: the signature and the pointer to the PE header, nothing else.
    ZsPutU16(b, 0x5A4D);
    b.resize(0x3C, 0);
    ZsPutU32(b, 0x40);
    // PE signature and file header: i386, one section, a 32-bit DLL without code.
    ZsPutU32(b, kPeSignature);
    ZsPutU16(b, 0x014C);
    ZsPutU16(b, 1);
    ZsPutU32(b, 0);
    ZsPutU32(b, 0);
    ZsPutU32(b, 0);
    ZsPutU16(b, 0xE0);
    ZsPutU16(b, 0x210E);
    // PE32 optional header.
    ZsPutU16(b, kMagicPe32);
    b.push_back(1);
    b.push_back(0);
    ZsPutU32(b, 0);           // size of code
    ZsPutU32(b, kFileAlign);  // size of initialised data
    ZsPutU32(b, 0);           // size of uninitialised data
    ZsPutU32(b, 0);           // entry point: none
    ZsPutU32(b, kRsrcRva);    // base of code
    ZsPutU32(b, kRsrcRva);    // base of data
    ZsPutU32(b, 0x10000000);  // image base
    ZsPutU32(b, kSecAlign);
    ZsPutU32(b, kFileAlign);
    for (uint16_t v : {4, 0, 0, 0, 4, 0}) {  // operating system, image and subsystem versions
        ZsPutU16(b, v);
    }
    ZsPutU32(b, 0);                     // Win32 version value
    ZsPutU32(b, kRsrcRva + kSecAlign);  // size of image
    ZsPutU32(b, kHeaders);
    ZsPutU32(b, 0);                                                    // checksum
    ZsPutU16(b, 2);                                                    // subsystem: GUI
    ZsPutU16(b, 0);                                                    // DLL characteristics
    for (uint32_t v : {0x100000u, 0x1000u, 0x100000u, 0x1000u, 0u}) {  // stack, heap, loader flags
        ZsPutU32(b, v);
    }
    ZsPutU32(b, 16);
    for (uint32_t i = 0; i < 16; ++i) {
        ZsPutU32(b, i == kResourceDirIndex ? kRsrcRva : 0);
        ZsPutU32(b, i == kResourceDirIndex ? 16 : 0);
    }
    // The one section: an empty resource directory.
    static const char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    b.insert(b.end(), kName, kName + 8);
    ZsPutU32(b, 16);
    ZsPutU32(b, kRsrcRva);
    ZsPutU32(b, kFileAlign);
    ZsPutU32(b, kHeaders);
    ZsPutU32(b, 0);
    ZsPutU32(b, 0);
    ZsPutU32(b, 0);
    ZsPutU32(b, 0x40000040u);
    b.resize(kHeaders + kFileAlign, 0);
    return b;
}
