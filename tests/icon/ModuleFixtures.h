// Builders of NE and PE modules for the tests, written independently of the code under test: an NE icon
// library with its resource table and names, and a PE32 or PE32+ DLL with a code section and a resource
// section laid out from a list of resources (directory order exactly as listed).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "common/ZsByteReader.h"

namespace test {

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    ZsSetU32(&b[at], v);
}
inline void Set16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    ZsSetU16(&b[at], v);
}

// The group resource of icon images whose ids start at nFirstId.
inline std::vector<uint8_t> GroupBytes(const std::vector<IcoImage>& images, uint16_t nFirstId) {
    std::vector<uint8_t> g;
    ZsPutU16(g, 0);
    ZsPutU16(g, 1);
    ZsPutU16(g, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IcoImage& img = images[i];
        g.insert(g.end(), {img.bWidth, img.bHeight,
                           static_cast<uint8_t>(img.wBitCount <= 8 ? (1u << img.wBitCount) & 0xFF : 0), 0});
        ZsPutU16(g, 1);
        ZsPutU16(g, img.wBitCount);
        ZsPutU32(g, static_cast<uint32_t>(img.data.size()));
        ZsPutU16(g, static_cast<uint16_t>(nFirstId + i));
    }
    return g;
}

// ---------------------------------------------------------------------------------------------------------
// NE

struct NeLayout {
    std::vector<uint8_t> bytes;
    size_t nGroupEntries = 0;  // file offset of the first icon group entry in the resource table
    size_t nIconEntries = 0;   // file offset of the first icon entry
};

// An NE library: a string-table type first (skipped by readers), then the icon groups, then the icons with
// ids 0x8001, 0x8002, ... in image order, then the names (each with its length byte) and a 0. Group i is
// named by names[groupNames[i]] (its id is then the name's offset in the resource table) or has the integer
// id 0x8001 + i where groupNames[i] is -1. Without groupNames the groups take the names in order, after a
// first name "ICL", as classic libraries name them.
inline NeLayout MakeNe(const std::vector<std::vector<IcoImage>>& groups,
                       const std::vector<std::string>& names, uint16_t wShift = 4,
                       std::vector<int> groupNames = {}) {
    if (groupNames.empty()) {
        const size_t nSkip = !names.empty() && names[0] == "ICL" ? 1 : 0;
        for (size_t gi = 0; gi < groups.size(); ++gi) {
            groupNames.push_back(gi + nSkip < names.size() ? static_cast<int>(gi + nSkip) : -1);
        }
    }
    NeLayout ne;
    std::vector<uint8_t>& b = ne.bytes;
    b.assign(0x40, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Set32(b, 0x3C, 0x40);
    b.resize(0x80, 0);
    b[0x40] = 'N';
    b[0x41] = 'E';
    Set16(b, 0x40 + 36, 0x40);  // resource table at 0x80
    size_t nImages = 0;
    for (const auto& g : groups) {
        nImages += g.size();
    }
    // Resource table.
    ZsPutU16(b, wShift);
    ZsPutU16(b, 0x8006);
    ZsPutU16(b, 1);
    ZsPutU32(b, 0);
    size_t nOther = b.size();
    b.resize(b.size() + 12, 0);
    ZsPutU16(b, 0x800E);
    ZsPutU16(b, static_cast<uint16_t>(groups.size()));
    ZsPutU32(b, 0);
    ne.nGroupEntries = b.size();
    b.resize(b.size() + 12 * groups.size(), 0);
    ZsPutU16(b, 0x8003);
    ZsPutU16(b, static_cast<uint16_t>(nImages));
    ZsPutU32(b, 0);
    ne.nIconEntries = b.size();
    b.resize(b.size() + 12 * nImages, 0);
    ZsPutU16(b, 0);
    std::vector<uint16_t> nameOffsets;
    for (const std::string& n : names) {
        nameOffsets.push_back(static_cast<uint16_t>(b.size() - 0x80));
        b.push_back(static_cast<uint8_t>(n.size()));
        b.insert(b.end(), n.begin(), n.end());
    }
    b.push_back(0);
    Set16(b, 0x40 + 38, static_cast<uint16_t>(b.size() - 0x40));  // resident names: one empty entry
    b.push_back(0);
    const size_t nUnit = size_t{1} << wShift;
    auto place = [&](size_t nEntry, const std::vector<uint8_t>& data, uint16_t wId) {
        b.resize((b.size() + nUnit - 1) / nUnit * nUnit, 0);
        Set16(b, nEntry, static_cast<uint16_t>(b.size() >> wShift));
        Set16(b, nEntry + 2, static_cast<uint16_t>((data.size() + nUnit - 1) >> wShift));
        Set16(b, nEntry + 4, 0x1030);
        Set16(b, nEntry + 6, wId);
        b.insert(b.end(), data.begin(), data.end());
    };
    place(nOther, std::vector<uint8_t>(20, 0x77), 0x8001);
    uint16_t nId = 1;
    for (size_t gi = 0; gi < groups.size(); ++gi) {
        const int nName = gi < groupNames.size() ? groupNames[gi] : -1;
        place(ne.nGroupEntries + 12 * gi, GroupBytes(groups[gi], nId),
              nName >= 0 ? nameOffsets[static_cast<size_t>(nName)] : static_cast<uint16_t>(0x8001 + gi));
        nId = static_cast<uint16_t>(nId + groups[gi].size());
    }
    size_t k = 0;
    for (const auto& g : groups) {
        for (const IcoImage& img : g) {
            place(ne.nIconEntries + 12 * k, img.data, static_cast<uint16_t>(0x8001 + k));
            ++k;
        }
    }
    b.resize((b.size() + nUnit - 1) / nUnit * nUnit, 0);
    return ne;
}

// ---------------------------------------------------------------------------------------------------------
// PE

// A resource name or type for the builder: an id, or a string when sName is not empty.
struct PeName {
    uint16_t nId = 0;
    std::u16string sName;
    PeName(uint16_t id) : nId(id) {}             // implicit on purpose: ids read naturally
    PeName(const char16_t* psz) : sName(psz) {}  // and so do names
};

struct PeRes {
    PeName type;
    PeName name;
    uint16_t wLang = 0;
    std::vector<uint8_t> data;
};

struct PeOptions {
    bool b64 = false;
    bool bChecksum = false;
    bool bResourceFirst = false;   // the resource section lies before the code section
    bool bTightHeaders = false;    // PE32 only: no room in the headers for another section
    std::vector<uint8_t> overlay;  // bytes after the last section
};

struct PeLayout {
    std::vector<uint8_t> bytes;
    size_t nOpt = 0;   // file offset of the optional header
    size_t nRsrc = 0;  // file offset of the resource section
    uint32_t dwRsrcRva = 0;
    size_t nCode = 0;  // file offset of the code section
};

inline uint32_t PeChecksum(const std::vector<uint8_t>& b, size_t nField) {
    uint32_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        uint32_t w = 0;
        for (size_t k = 0; k < 2 && i + k < b.size(); ++k) {
            if (i + k < nField || i + k >= nField + 4) {
                w |= static_cast<uint32_t>(b[i + k]) << (8 * k);
            }
        }
        sum += w;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return ((sum & 0xFFFF) + (sum >> 16)) + static_cast<uint32_t>(b.size());
}

// The resource section for resources at RVA dwRva: directories in the order of first appearance.
inline std::vector<uint8_t> PeResourceSection(const std::vector<PeRes>& resources, uint32_t dwRva) {
    struct Name {
        const PeName* pName;
        std::vector<const PeRes*> langs;
    };
    struct Type {
        const PeName* pType;
        std::vector<Name> names;
    };
    auto same = [](const PeName& a, const PeName& b) { return a.nId == b.nId && a.sName == b.sName; };
    std::vector<Type> types;
    for (const PeRes& r : resources) {
        Type* t = nullptr;
        for (Type& x : types) {
            if (same(*x.pType, r.type)) {
                t = &x;
            }
        }
        if (!t) {
            types.push_back(Type{&r.type, {}});
            t = &types.back();
        }
        Name* n = nullptr;
        for (Name& x : t->names) {
            if (same(*x.pName, r.name)) {
                n = &x;
            }
        }
        if (!n) {
            t->names.push_back(Name{&r.name, {}});
            n = &t->names.back();
        }
        n->langs.push_back(&r);
    }
    size_t nDirs = 16 + 8 * types.size();
    for (const Type& t : types) {
        nDirs += 16 + 8 * t.names.size();
        for (const Name& n : t.names) {
            nDirs += 16 + 8 * n.langs.size();
        }
    }
    std::vector<uint8_t> s(nDirs + 16 * resources.size(), 0);
    size_t nNextDir = 0, nNextEntry = nDirs;
    auto dir = [&](size_t nEntries, const std::vector<bool>& named) {
        size_t at = nNextDir;
        nNextDir += 16 + 8 * nEntries;
        uint16_t nNamed = 0;
        for (bool b : named) {
            nNamed = static_cast<uint16_t>(nNamed + (b ? 1 : 0));
        }
        Set16(s, at + 12, nNamed);
        Set16(s, at + 14, static_cast<uint16_t>(nEntries - nNamed));
        return at;
    };
    auto name = [&](const PeName& n) -> uint32_t {
        if (n.sName.empty()) {
            return n.nId;
        }
        uint32_t at = static_cast<uint32_t>(s.size());
        ZsPutU16(s, static_cast<uint16_t>(n.sName.size()));
        for (char16_t c : n.sName) {
            ZsPutU16(s, static_cast<uint16_t>(c));
        }
        return at | 0x80000000u;
    };
    std::vector<std::pair<size_t, const PeRes*>> leaves;
    std::vector<bool> typeNamed;
    for (const Type& t : types) {
        typeNamed.push_back(!t.pType->sName.empty());
    }
    size_t root = dir(types.size(), typeNamed);
    for (size_t ti = 0; ti < types.size(); ++ti) {
        std::vector<bool> named;
        for (const Name& n : types[ti].names) {
            named.push_back(!n.pName->sName.empty());
        }
        size_t td = dir(types[ti].names.size(), named);
        Set32(s, root + 16 + 8 * ti, name(*types[ti].pType));
        Set32(s, root + 20 + 8 * ti, static_cast<uint32_t>(td) | 0x80000000u);
        for (size_t ni = 0; ni < types[ti].names.size(); ++ni) {
            const Name& n = types[ti].names[ni];
            size_t nd = dir(n.langs.size(), std::vector<bool>(n.langs.size(), false));
            Set32(s, td + 16 + 8 * ni, name(*n.pName));
            Set32(s, td + 20 + 8 * ni, static_cast<uint32_t>(nd) | 0x80000000u);
            for (size_t li = 0; li < n.langs.size(); ++li) {
                Set32(s, nd + 16 + 8 * li, n.langs[li]->wLang);
                Set32(s, nd + 20 + 8 * li, static_cast<uint32_t>(nNextEntry));
                leaves.emplace_back(nNextEntry, n.langs[li]);
                nNextEntry += 16;
            }
        }
    }
    for (auto& [entry, r] : leaves) {
        s.resize((s.size() + 3) & ~size_t{3}, 0);
        Set32(s, entry, dwRva + static_cast<uint32_t>(s.size()));
        Set32(s, entry + 4, static_cast<uint32_t>(r->data.size()));
        s.insert(s.end(), r->data.begin(), r->data.end());
    }
    return s;
}

inline PeLayout MakePe(const std::vector<PeRes>& resources, const PeOptions& opt = {}) {
    PeLayout pe;
    std::vector<uint8_t>& b = pe.bytes;
    const uint32_t kFileAlign = 0x200, kSecAlign = 0x1000;
    const uint32_t nHeaders = opt.bTightHeaders ? 0x200 : 0x400;
    // With tight headers the section table of a PE32 image ends 32 bytes before the first section.
    const uint32_t nPe = opt.bTightHeaders ? 0x98 : 0x80;
    b.assign(nPe, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Set32(b, 0x3C, nPe);
    ZsPutU32(b, 0x00004550);
    ZsPutU16(b, opt.b64 ? 0x8664 : 0x014C);
    ZsPutU16(b, 2);
    b.resize(b.size() + 12, 0);
    const uint16_t nOptSize = opt.b64 ? 0xF0 : 0xE0;
    ZsPutU16(b, nOptSize);
    ZsPutU16(b, 0x2102);
    pe.nOpt = b.size();
    b.resize(b.size() + nOptSize, 0);
    Set16(b, pe.nOpt, opt.b64 ? 0x20B : 0x10B);
    Set32(b, pe.nOpt + 32, kSecAlign);
    Set32(b, pe.nOpt + 36, kFileAlign);
    Set32(b, pe.nOpt + 60, nHeaders);
    const size_t nDirs = pe.nOpt + (opt.b64 ? 112 : 96);
    Set32(b, nDirs - 4, 16);
    const size_t nSections = b.size();
    b.resize(nHeaders, 0);

    const uint32_t dwCodeRva = opt.bResourceFirst ? 0x2000 : 0x1000;
    pe.dwRsrcRva = opt.bResourceFirst ? 0x1000 : 0x2000;
    std::vector<uint8_t> code(0x180, 0xC3);
    std::vector<uint8_t> rsrc = PeResourceSection(resources, pe.dwRsrcRva);
    auto section = [&](size_t nIndex, const char* pszName, uint32_t dwRva, const std::vector<uint8_t>& data,
                       uint32_t dwFlags) {
        size_t h = nSections + 40 * nIndex;
        std::memcpy(&b[h], pszName, std::strlen(pszName));
        size_t nPtr = b.size();
        Set32(b, h + 8, static_cast<uint32_t>(data.size()));
        Set32(b, h + 12, dwRva);
        Set32(b, h + 16, static_cast<uint32_t>((data.size() + kFileAlign - 1) / kFileAlign * kFileAlign));
        Set32(b, h + 20, static_cast<uint32_t>(nPtr));
        Set32(b, h + 36, dwFlags);
        b.insert(b.end(), data.begin(), data.end());
        b.resize((b.size() + kFileAlign - 1) / kFileAlign * kFileAlign, 0);
        return nPtr;
    };
    if (opt.bResourceFirst) {
        pe.nRsrc = section(0, ".rsrc", pe.dwRsrcRva, rsrc, 0x40000040);
        pe.nCode = section(1, ".text", dwCodeRva, code, 0x60000020);
    } else {
        pe.nCode = section(0, ".text", dwCodeRva, code, 0x60000020);
        pe.nRsrc = section(1, ".rsrc", pe.dwRsrcRva, rsrc, 0x40000040);
    }
    uint32_t dwLast = std::max(dwCodeRva, pe.dwRsrcRva);
    uint32_t dwLastSize =
        opt.bResourceFirst ? static_cast<uint32_t>(code.size()) : static_cast<uint32_t>(rsrc.size());
    Set32(b, pe.nOpt + 56, (dwLast + dwLastSize + kSecAlign - 1) / kSecAlign * kSecAlign);
    Set32(b, nDirs + 16, pe.dwRsrcRva);
    Set32(b, nDirs + 20, static_cast<uint32_t>(rsrc.size()));
    b.insert(b.end(), opt.overlay.begin(), opt.overlay.end());
    if (opt.bChecksum) {
        Set32(b, pe.nOpt + 64, PeChecksum(b, pe.nOpt + 64));
    }
    return pe;
}

// Icon groups as PE resources: group i gets the name groupNames[i] and its images the ids from 1 on.
inline std::vector<PeRes> IconResources(const std::vector<std::vector<IcoImage>>& groups,
                                        const std::vector<PeName>& groupNames) {
    std::vector<PeRes> res;
    uint16_t nId = 1;
    for (size_t gi = 0; gi < groups.size(); ++gi) {
        res.push_back(PeRes{14, groupNames[gi], 0, GroupBytes(groups[gi], nId)});
        for (const IcoImage& img : groups[gi]) {
            res.push_back(PeRes{3, nId++, 0, img.data});
        }
    }
    return res;
}

// A names resource: each string with its length byte.
inline std::vector<uint8_t> NamesBytes(const std::vector<std::string>& names) {
    std::vector<uint8_t> b;
    for (const std::string& n : names) {
        b.push_back(static_cast<uint8_t>(n.size()));
        b.insert(b.end(), n.begin(), n.end());
    }
    return b;
}

}  // namespace test
