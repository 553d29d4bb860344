// Writing icons into classic icon libraries in the PE layout: one icon group resource (type 14) per icon,
// its images as icon resources (type 3) with ids from one running counter, and the names resource
// (type 301, id 1) naming the groups in order. Every write is one complete update of the file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsBase.h"

// Result codes of the resource writers.
enum {
    ZI_UPDATE_OK = 0,
    ZI_UPDATE_CANNOT_OPEN = -1,    // the library cannot be opened for update
    ZI_UPDATE_CANNOT_ADD = -2,     // a resource cannot be added; nothing of it reaches the file
    ZI_UPDATE_CANNOT_COMMIT = -3,  // the update cannot be written
};

class CZsPeResUpdate;

// Adds an icon to a begun update as group nGroupId with its images as icon resources nFirstIconId,
// nFirstIconId + 1, ... (language neutral); ZI_UPDATE_OK or ZI_UPDATE_CANNOT_ADD.
int ZI_AddIconResources(CZsPeResUpdate& update, ZsBytes icon, int nGroupId, int nFirstIconId);
// Writes an icon as group nGroupId with its images as icon resources nFirstIconId, nFirstIconId + 1, ...
// (language neutral). Ids must fit 16 bits.
int ZI_UpdateIconResource(const std::filesystem::path& library, ZsBytes icon, int nGroupId, int nFirstIconId);

// Writes the names resource bytes as they are.
int ZsWriteNamesResource(const std::filesystem::path& library, ZsBytes data);

// The names resource for UTF-8 names: 3 "ICL", then per name one length byte and its Windows-1252 bytes
// ("?" for characters that code page lacks), cut to 255 bytes.
ZsBlock ZI_MakeIconNames(const std::vector<std::string>& names);
int ZI_UpdateIconNames(const std::filesystem::path& library, const std::vector<std::string>& names);

// Exporting icons to a new library: Begin copies the template over the destination, AddIcon writes one
// icon with the next group id and the next free icon ids, End writes the names of the written icons in
// order. An icon that cannot be written is reported and left out of the names, so names and groups stay
// matched by position; the ids still advance past it.
class CIconLibraryWriter {
public:
    // False, after showing the error "Can not create \"%s\"!", when the template cannot be copied.
    bool Begin(const std::filesystem::path& library,
               const std::filesystem::path& templatePath = ZsGetAppDir() / "Template.icl");
    // True when the icon was written.
    bool AddIcon(ZsBytes icon, const std::string& sName);
    // Writes the names resource; its result code.
    int End();

    const std::filesystem::path& GetPath() const { return mPath; }
    // The positions (0-based, in the order of AddIcon) and names of the icons that could not be written.
    const std::vector<int>& GetFailed() const { return mFailed; }
    const std::vector<std::string>& GetFailedNames() const { return mFailedNames; }

private:
    std::filesystem::path mPath;
    int mnGroupId = 1;
    int mnIconId = 1;
    int mnAdded = 0;
    std::vector<std::string> mssNames;
    std::vector<int> mFailed;
    std::vector<std::string> mFailedNames;
};
