#include "library/ZsIconEdit.h"

#include <algorithm>

#include "common/ZsLog.h"
#include "icon/ZsIcon.h"

namespace {

// The largest blob SQLite stores by default: an edited file larger than this cannot become the icon.
constexpr uint64_t kMaxEditedBytes = 1000000000;

uint64_t FileSize(const std::filesystem::path& path) {
    std::error_code ec;
    const uintmax_t nSize = std::filesystem::file_size(path, ec);
    return ec ? UINT64_MAX : static_cast<uint64_t>(nSize);
}

}  // namespace

bool ZsBeginIconEdit(CZsIconLib& lib, int32_t nId, ZIL_ICON_EDIT& edit) {
    const ZsBytes data = lib.GetIconData(nId);
    if (data.empty()) {
        errno = EINVAL;
        ZS_LOG_ERR("ZsBeginIconEdit", "#%d has no data", nId);
        return false;
    }
    const std::filesystem::path folder = ZsGetTempDir();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    edit.nId = nId;
    edit.file = ZsUniqueFilePath(folder, "Edit", "ico");
    edit.original.assign(data.begin(), data.end());
    if (!ZsWriteFile(edit.file, edit.original)) {
        ZS_LOG_ERR("ZsBeginIconEdit", "ZsWriteFile('%s')", ZsPathToUtf8(edit.file).c_str());
        return false;
    }
    edit.nTime = ZsGetFileTime(edit.file);
    return true;
}

bool ZsIconEditTouched(const ZIL_ICON_EDIT& edit) {
    return ZsGetFileTime(edit.file) != edit.nTime || FileSize(edit.file) != edit.original.size();
}

ZIL_EDIT_END ZsEndIconEdit(CZsIconLib& lib, const ZIL_ICON_EDIT& edit) {
    if (!ZsIconEditTouched(edit)) {
        return ZIL_EDIT_END_UNCHANGED;
    }
    const std::optional<ZsBlock> data = ZsReadFile(edit.file, kMaxEditedBytes);
    if (data && std::equal(data->begin(), data->end(), edit.original.begin(), edit.original.end())) {
        return ZIL_EDIT_END_UNCHANGED;
    }
    if (!data || !ZI_IsValidIcon(*data) || ZI_GetImageCount(*data) == 0) {
        ZsMsgBox(ZS_MB_ERROR, "'%s' holds no icon that can be read. The icon keeps its images.",
                 ZsPathToUtf8(edit.file).c_str());
        return ZIL_EDIT_END_REFUSED;
    }
    lib.SetIconData(edit.nId, *data);
    return ZIL_EDIT_END_REPLACED;
}
