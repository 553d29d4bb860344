// CIconLibrary: the icon groups of a classic icon library (".icl" in the 16-bit NE layout or as a PE module)
// and of ".exe" and ".dll" modules, each handed out with its name as a complete ICO data block.
//
// Open maps the file and checks its headers and tables; it reads no image data. GetIconData assembles
// one group on request. Everything read is bounds-checked; a group entry whose image is missing or shorter
// than its directory says is dropped from the assembled block, with an error line, and a group whose images
// add up to more bytes than the whole file is refused.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/ZsBase.h"
#include "icon/ZsPe.h"

// One 12-byte entry of an NE resource table.
struct ZS_NE_RESOURCE {
    uint16_t wOffset = 0;  // in alignment units
    uint16_t wLength = 0;  // in alignment units
    uint16_t wFlags = 0;
    uint16_t wId = 0;
};

class CIconLibrary {
public:
    enum { TYPE_UNKNOWN = 0, TYPE_NE = 1, TYPE_PE = 2 };

    CIconLibrary() = default;
    CIconLibrary(const CIconLibrary&) = delete;
    CIconLibrary& operator=(const CIconLibrary&) = delete;

    // The kind of a file from its first bytes: "MZ", then the word at the 16-bit offset stored at 0x3C is
    // "NE" (1) or "PE" (2); anything else, or a file that cannot be read, is 0.
    static int GetFileKind(const std::filesystem::path& path);
    static int GetFileKind(ZsBytes head);

    // Opens an NE or PE file; false for any other file (nothing reported) or a damaged one (one error line).
    bool Open(const std::filesystem::path& path);
    // The same on the bytes of the file at path, already read.
    bool Open(const std::filesystem::path& path, ZsBlock bytes);
    bool Open(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile);
    int GetIconCount() const;
    // The group's name in UTF-8: for NE the name its resource id points at (empty for an integer id or the
    // name "@"); for PE the names resource entry when there is one, else the group's resource name ("#101"
    // for an integer id).
    std::string GetIconName(int nIdx) const;
    // A new ICO data block of the group; empty on failure.
    ZsBlock GetIconData(int nIdx);
    // Why the last Open failed, for messages to the user.
    const std::string& GetError() const { return msError; }

    int mnType = TYPE_UNKNOWN;
    std::vector<std::string> mssGrpIconNames;
    std::unique_ptr<CZsPeModule> mhModule;
    std::vector<std::string> mssGrpNames;
    std::shared_ptr<const CZsFileBytes> mhFile;  // the NE file's bytes, mapped by Open
    uint16_t mwWin16Off = 0;
    uint16_t mwAlignShift = 0;
    uint32_t mdwResTblStart = 0;
    uint32_t mdwNamesTblStart = 0;
    uint16_t mwGrpIconCnt = 0;
    uint16_t mwIconCnt = 0;
    std::vector<ZS_NE_RESOURCE> mpGrpIconInfo;
    std::vector<ZS_NE_RESOURCE> mpIconInfo;

private:
    bool OpenNe(std::shared_ptr<const CZsFileBytes> pFile);
    bool OpenPe(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile);
    ZsBytes NeBytes() const { return mhFile ? mhFile->Bytes() : ZsBytes(); }
    bool ReadFileHeader();
    bool ReadResourceTable();
    bool ReadTypeInfo(uint64_t* pnPos);
    void ReadResourceNames();
    ZsBlock GetNeIconData(int nIdx);
    ZsBlock GetPeIconData(int nIdx);

    std::vector<CZsResName> mGroupIds;  // PE: the group resources behind mssGrpNames
    // NE: (id with the high bit flipped, position in mpIconInfo) of every icon resource, sorted.
    std::vector<std::pair<uint16_t, size_t>> mIconIndex;
    std::string msError;
};

// Names resource bytes (length-prefixed Windows-1252 strings) to UTF-8 names; stops at a string that
// would run past the end. A first name "ICL" is the marker and is dropped.
std::vector<std::string> ZsParseIconNames(ZsBytes data);
