// Our own reader and resource writer of PE images (32-bit PE32 and 64-bit PE32+), standing in for loading a
// module as a data file, the resource lookups and the resource update functions.
//
// A module is untrusted: every header field, directory entry, name and data entry is checked against the
// bytes that are really there. The resource directory is walked at most three levels deep (type, name,
// language), and a directory reached twice in one walk is refused, so damaged or hostile trees can neither
// loop nor multiply the work.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "common/ZsBase.h"
#include "common/ZsFileBytes.h"

// Resource types the icon code uses.
enum : uint16_t { ZS_RT_ICON = 3, ZS_RT_GROUP_ICON = 14, ZS_RT_ICL_NAMES = 301 };

// A resource type or name: an integer id or a string.
struct CZsResName {
    bool bIsId = true;
    uint16_t nId = 0;
    std::u16string sName;

    CZsResName() = default;
    CZsResName(uint16_t id) : nId(id) {}  // implicit: an integer names a resource by id
    static CZsResName FromString(std::u16string name);
    // "#101" names the integer id 101 (as the system's lookups read it); any other text is a string name.
    static CZsResName FromText(std::string_view utf8);
    // "#101" for an id, else the name as UTF-8.
    std::string ToText() const;
    // Ids equal by value; strings without regard to case.
    bool Matches(const CZsResName& other) const;
};

// One resource: type, name, language and its bytes.
struct ZS_PE_RESOURCE {
    CZsResName type;
    CZsResName name;
    uint16_t wLang = 0;
    ZsBlock data;
};

// A PE image in memory. Open maps the file and checks the headers; the resource directory is only read when
// asked for, and a lookup touches only the entries on its path, so image data is read only when copied.
class CZsPeModule {
public:
    struct Section {
        uint32_t dwVirtualSize = 0;
        uint32_t dwVirtualAddress = 0;
        uint32_t dwSizeOfRawData = 0;
        uint32_t dwPointerToRawData = 0;
        uint64_t nHeaderOffset = 0;  // where its 40-byte header lies in the file
    };

    // Maps and checks a whole file; false with GetError() set.
    bool Open(const std::filesystem::path& path);
    // Checks bytes already in memory, which the module then owns (or shares).
    bool Load(ZsBlock bytes);
    bool Load(std::shared_ptr<const CZsFileBytes> pFile);
    const std::string& GetError() const { return msError; }

    bool Is64() const { return mbIs64; }
    ZsBytes Bytes() const { return mFile; }
    const std::vector<Section>& Sections() const { return mSections; }
    uint64_t OptionalHeaderOffset() const { return mnOptOff; }
    uint64_t DataDirectoryOffset() const { return mnDirOff; }
    uint32_t DataDirectoryCount() const { return mnDirCount; }
    uint32_t ResourceRva() const { return mdwResRva; }

    // The names of the resources of a type in enumeration order: string names first in directory order,
    // then ids ascending. A module without resources of the type gives an empty list. False (GetError())
    // when the directory on the way is damaged.
    bool EnumNames(const CZsResName& type, std::vector<CZsResName>* pNames) const;

    enum class FindResult { Found, NotFound, Damaged };
    // The bytes of a resource (language neutral when present, else its first language).
    FindResult Find(const CZsResName& type, const CZsResName& name, ZsBytes* pData) const;

    // Every resource with a copy of its bytes, for rewriting the resource section.
    bool ReadAll(std::vector<ZS_PE_RESOURCE>* pResources) const;

    // The file offset of an RVA range that lies wholly in the file's bytes of one section (or the headers).
    bool RvaToOffset(uint32_t dwRva, uint32_t dwSize, uint64_t* pnOffset) const;

private:
    struct Entry {
        uint32_t dwName = 0;
        uint32_t dwOffset = 0;
    };
    bool Fail(const std::string& sError) const;
    bool ReadDirectory(uint32_t dwDirOffset, std::vector<Entry>* pEntries) const;
    bool ReadEntryName(const Entry& entry, CZsResName* pName) const;
    FindResult FindEntry(uint32_t dwDirOffset, const CZsResName& name, Entry* pFound) const;
    bool CountNameChars(const CZsResName& name, uint64_t* pnChars) const;
    bool ReadDataEntry(uint32_t dwOffset, ZsBytes* pData) const;

    std::shared_ptr<const CZsFileBytes> mpFile;
    ZsBytes mFile;
    bool mbIs64 = false;
    uint64_t mnOptOff = 0;
    uint64_t mnDirOff = 0;
    uint32_t mnDirCount = 0;
    uint32_t mdwSizeOfHeaders = 0;
    std::vector<Section> mSections;
    uint32_t mdwResRva = 0;
    uint64_t mnResOff = 0;  // file offset of the resource directory
    uint64_t mnResLen = 0;  // bytes of its section in the file from there on
    mutable std::map<uint32_t, std::vector<Entry>> mIdIndex;  // id entries by directory, sorted
    // String entries by directory, sorted by their names in capitals.
    mutable std::map<uint32_t, std::vector<std::pair<std::u16string, Entry>>> mNameIndex;
    mutable std::string msError;
};

// Finds a resource of a loaded module and gives its bytes (owned by the module) and size; null when it is
// missing ("FindResource") or its data lies outside the module ("LoadResource"), each with its error line.
const uint8_t* ZsGetResourceData(const CZsPeModule& module, const CZsResName& name, const CZsResName& type,
                                 uint32_t* pdwSize = nullptr);

// Rewrites the resources of a PE file: Begin reads the file and keeps its resources, Update adds or
// replaces entries, Commit rebuilds the resource section, fixes the headers (section sizes, size of image,
// the resource data directory, the checksum when the file has one) and writes a temporary file in the same
// folder that is then renamed over the original. Nothing reaches the file before Commit.
class CZsPeResUpdate {
public:
    bool Begin(const std::filesystem::path& path);
    // The same on the file's bytes already in memory; Commit writes to path.
    bool Begin(const std::filesystem::path& path, std::shared_ptr<const CZsFileBytes> pFile);
    bool Update(const CZsResName& type, const CZsResName& name, uint16_t wLang, ZsBytes data);
    // The whole new image, as Commit would write it.
    bool Build(ZsBlock* pImage);
    bool Commit();
    const std::string& GetError() const { return msError; }

private:
    bool Fail(const std::string& sError);

    std::filesystem::path mPath;
    CZsPeModule mModule;
    std::vector<ZS_PE_RESOURCE> mResources;
    bool mbBegun = false;
    std::string msError;
};

// The resource section bytes for a list of resources placed at the RVA dwSectionRva.
ZsBlock ZsBuildResourceSection(const std::vector<ZS_PE_RESOURCE>& resources, uint32_t dwSectionRva);

// The PE checksum of an image whose checksum field lies at nChecksumOffset.
uint32_t ZsPeChecksum(ZsBytes image, uint64_t nChecksumOffset);

// A minimal resource-only PE32 DLL: headers, one ".rsrc" section with an empty resource directory, room
// in the headers for more sections. "Template.icl" is this image.
ZsBlock ZsMakeTemplateModule();
