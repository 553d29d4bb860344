#include "icon/ZsIclWriter.h"

#include <system_error>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"
#include "common/ZsText.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPe.h"

namespace {

constexpr int kMaxResourceId = 0xFFFF;

// A resource to add with an integer type and name, language neutral.
struct PendingResource {
    uint16_t wType;
    uint16_t wName;
    ZsBytes data;
};

bool BeginUpdate(const char* pszFunction, const std::filesystem::path& library, CZsPeResUpdate* pUpdate) {
    if (!pUpdate->Begin(library)) {
        ZS_LOG_ERR(pszFunction, "BeginUpdateResource: %s: %s", ZsPathToUtf8(library).c_str(),
                   pUpdate->GetError().c_str());
        return false;
    }
    return true;
}

int AddResources(const char* pszFunction, CZsPeResUpdate* pUpdate,
                 const std::vector<PendingResource>& resources) {
    for (const PendingResource& r : resources) {
        if (!pUpdate->Update(CZsResName(r.wType), CZsResName(r.wName), 0, r.data)) {
            ZS_LOG_ERR(pszFunction, "UpdateResource(%d, %d): %s", r.wType, r.wName,
                       pUpdate->GetError().c_str());
            return ZI_UPDATE_CANNOT_ADD;
        }
    }
    return ZI_UPDATE_OK;
}

int CommitUpdate(const char* pszFunction, const std::filesystem::path& library, CZsPeResUpdate* pUpdate) {
    if (!pUpdate->Commit()) {
        ZS_LOG_ERR(pszFunction, "EndUpdateResource: %s: %s", ZsPathToUtf8(library).c_str(),
                   pUpdate->GetError().c_str());
        return ZI_UPDATE_CANNOT_COMMIT;
    }
    return ZI_UPDATE_OK;
}

}  // namespace

int ZI_AddIconResources(CZsPeResUpdate& update, ZsBytes icon, int nGroupId, int nFirstIconId) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(icon);
    const int64_t nLastIconId = int64_t{nFirstIconId} + static_cast<int64_t>(entries.size()) - 1;
    if (!ZI_IsValidIcon(icon) || nGroupId < 1 || nGroupId > kMaxResourceId || nFirstIconId < 1 ||
        nLastIconId > kMaxResourceId) {
        ZS_LOG_ERR("ZI_UpdateIconResource", "UpdateResource(14, %d): not an icon, or ids beyond 65535",
                   nGroupId);
        return ZI_UPDATE_CANNOT_ADD;
    }
    ZsBlock group(icon.begin(), icon.begin() + 4);
    ZsPutU16(group, static_cast<uint16_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZI_ENTRY& e = entries[i];
        group.insert(group.end(), {e.bWidth, e.bHeight, e.bColorCount, e.bReserved});
        ZsPutU16(group, e.wPlanes);
        ZsPutU16(group, e.wBitCount);
        ZsPutU32(group, static_cast<uint32_t>(e.image.size()));
        ZsPutU16(group, static_cast<uint16_t>(nFirstIconId + static_cast<int>(i)));
    }
    std::vector<PendingResource> resources{PendingResource{14, static_cast<uint16_t>(nGroupId), group}};
    for (size_t i = 0; i < entries.size(); ++i) {
        resources.push_back(
            PendingResource{3, static_cast<uint16_t>(nFirstIconId + static_cast<int>(i)), entries[i].image});
    }
    return AddResources("ZI_UpdateIconResource", &update, resources);
}

int ZI_UpdateIconResource(const std::filesystem::path& library, ZsBytes icon, int nGroupId,
                          int nFirstIconId) {
    CZsPeResUpdate update;
    if (!BeginUpdate("ZI_UpdateIconResource", library, &update)) {
        return ZI_UPDATE_CANNOT_OPEN;
    }
    const int rc = ZI_AddIconResources(update, icon, nGroupId, nFirstIconId);
    return rc == ZI_UPDATE_OK ? CommitUpdate("ZI_UpdateIconResource", library, &update) : rc;
}

int ZsWriteNamesResource(const std::filesystem::path& library, ZsBytes data) {
    CZsPeResUpdate update;
    if (!BeginUpdate("ZsWriteNamesResource", library, &update)) {
        return ZI_UPDATE_CANNOT_OPEN;
    }
    const int rc = AddResources("ZsWriteNamesResource", &update, {PendingResource{301, 1, data}});
    return rc == ZI_UPDATE_OK ? CommitUpdate("ZsWriteNamesResource", library, &update) : rc;
}

ZsBlock ZI_MakeIconNames(const std::vector<std::string>& names) {
    ZsBlock data = {3, 'I', 'C', 'L'};
    for (const std::string& name : names) {
        std::string text = ZsUtf8ToWin1252(name);
        if (text.size() > 255) {
            text.resize(255);
        }
        data.push_back(static_cast<uint8_t>(text.size()));
        data.insert(data.end(), text.begin(), text.end());
    }
    return data;
}

int ZI_UpdateIconNames(const std::filesystem::path& library, const std::vector<std::string>& names) {
    return ZsWriteNamesResource(library, ZI_MakeIconNames(names));
}

bool CIconLibraryWriter::Begin(const std::filesystem::path& library,
                               const std::filesystem::path& templatePath) {
    mPath = library;
    mnGroupId = mnIconId = 1;
    mnAdded = 0;
    mssNames.clear();
    mFailed.clear();
    mFailedNames.clear();
    std::error_code ec;
    std::filesystem::copy_file(templatePath, library, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        ZsMsgBox(ZS_MB_ERROR, "Can not create \"%s\"!", ZsPathToUtf8(library).c_str());
        return false;
    }
    return true;
}

bool CIconLibraryWriter::AddIcon(ZsBytes icon, const std::string& sName) {
    int nImages = ZI_GetImageCount(icon);
    int rc = ZI_UpdateIconResource(mPath, icon, mnGroupId, mnIconId);
    if (rc == ZI_UPDATE_OK) {
        mssNames.push_back(sName);
    } else {
        mFailed.push_back(mnAdded);
        mFailedNames.push_back(sName);
    }
    ++mnAdded;
    ++mnGroupId;
    mnIconId += nImages;
    return rc == ZI_UPDATE_OK;
}

int CIconLibraryWriter::End() {
    return ZI_UpdateIconNames(mPath, mssNames);
}
