#include "library/ZsDirTree.h"

#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "library/ZsExport.h"

ZIL_DIR_IMPORT_OPTIONS ZIL_DIR_IMPORT_OPTIONS::FromSettings(const CZsMemIni& ini) {
    ZIL_DIR_IMPORT_OPTIONS o;
    o.bWithIcons = ZS_OPT_IMP_DIRS_WITH_ICONS.Get(ini);
    o.sPatterns = ZS_OPT_IMP_EXTS.Get(ini);
    o.nMode = ZS_OPT_RESIZE.Get(ini);
    return o;
}

ZsTreeItem ImportDirTree(CZsIconLib& lib, ZsTreeItem parent, const std::filesystem::path& folder,
                         const ZIL_DIR_IMPORT_OPTIONS& options, ZIL_IMPORT_ROWS* pRows, bool* pbCancel,
                         std::vector<ZIL_IMPORT_FAILED>* pFailed) {
    if (pbCancel) {
        *pbCancel = false;
    }
    // "dir/" names the same folder as "dir"; its name is the last component either way.
    const std::filesystem::path top = folder.has_filename() ? folder : folder.parent_path();
    std::error_code ec;
    if (top.empty() || !std::filesystem::is_directory(top, ec)) {
        ZsMsgBox(ZS_MB_ERROR, "The directory '%s' does not exist!", ZsPathToUtf8(folder).c_str());
        return ZS_TI_NONE;
    }
    const auto titleOf = [](const std::filesystem::path& dir) {
        return ZsPathToUtf8(dir.has_filename() ? dir.filename() : dir);
    };
    const ZsTreeItem topItem = lib.NewNode(parent, ZS_TI_LAST, titleOf(top));
    if (topItem == ZS_TI_NONE) {
        return ZS_TI_NONE;
    }
    // Every folder is listed before its own subfolders, so each parent's category exists when it is needed.
    std::vector<std::filesystem::path> dirs;
    ZsFindFiles(top, "", true, nullptr, &dirs);
    std::vector<std::pair<std::filesystem::path, ZsTreeItem>> categories{{top, topItem}};
    std::map<std::filesystem::path, ZsTreeItem> items{{top, topItem}};
    for (const std::filesystem::path& dir : dirs) {
        auto it = items.find(dir.parent_path());
        if (it == items.end()) {
            continue;
        }
        const ZsTreeItem item = lib.NewNode(it->second, ZS_TI_LAST, titleOf(dir));
        if (item == ZS_TI_NONE) {
            break;
        }
        items.emplace(dir, item);
        categories.emplace_back(dir, item);
    }
    if (!options.bWithIcons) {
        return topItem;
    }
    const CZsCategoryTree& tree = *lib.GetTree();
    for (const auto& [dir, item] : categories) {
        std::vector<std::filesystem::path> files;
        if (ZsFindFiles(dir, options.sPatterns, false, &files, nullptr) == 0) {
            continue;
        }
        const int32_t nNode = tree.GetItemData(item);
        bool bCancel = false;
        lib.ImpFiles(
            files, nNode, -1, 0, 0, options.nMode,
            [&](const ZIL_IMPORTED& info) { return OnIconImported(info, nNode, -1, pRows, pFailed); },
            &bCancel);
        if (bCancel) {
            if (pbCancel) {
                *pbCancel = true;
            }
            break;
        }
    }
    return topItem;
}

ZsTreeItem ImportDroppedFiles(CZsIconLib& lib, ZsTreeItem target,
                              const std::vector<std::filesystem::path>& dirs,
                              const std::vector<std::filesystem::path>& files,
                              const ZIL_DIR_IMPORT_OPTIONS& options, ZIL_IMPORT_ROWS* pRows, int* pnIcons,
                              bool* pbCancel) {
    bool bCancel = false;
    ZsTreeItem last = ZS_TI_NONE;
    int nIcons = 0;
    if (pRows) {
        pRows->BeginRun();
    }
    BeginProgress();
    for (size_t i = 0; i < dirs.size() && !bCancel; ++i) {
        const ZsTreeItem item = ImportDirTree(lib, target, dirs[i], options, pRows, &bCancel);
        if (item != ZS_TI_NONE) {
            last = item;
        }
    }
    if (!bCancel && !files.empty() && lib.GetTree() && lib.GetTree()->Exists(target)) {
        const int32_t nNode = lib.GetTree()->GetItemData(target);
        nIcons = lib.ImpFiles(
            files, nNode, -1, 0, 0, options.nMode,
            [&](const ZIL_IMPORTED& info) { return OnIconImported(info, nNode, -1, pRows); }, &bCancel);
    }
    if (pRows) {
        pRows->EndRun();
    }
    EndProgress();
    if (pnIcons) {
        *pnIcons = nIcons;
    }
    if (pbCancel) {
        *pbCancel = bCancel;
    }
    return last;
}

ZIL_DIR_EXPORT_RESULT ExportDirTree(CZsIconLib& lib, ZsTreeItem item, const std::filesystem::path& folder) {
    ZIL_DIR_EXPORT_RESULT r;
    const CZsCategoryTree* pTree = lib.GetTree();
    if (!pTree || !pTree->Exists(item)) {
        ZS_LOG_ERR("ExportDirTree", "no category item %llu", static_cast<unsigned long long>(item));
        return r;
    }
    if (!ZsCheckExportFolder(folder)) {
        return r;
    }
    // The folders this run made or reused: a second category of the same folder name gets a fresh one.
    std::unordered_set<std::filesystem::path::string_type> used;
    // For each folder name that had to be numbered, the next number to try: every "<name> (n)" below it
    // exists already (the run made it, or it was there), so a thousand categories of one name cost a
    // thousand looks at the disk, not half a million.
    std::unordered_map<std::filesystem::path::string_type, int> nextNumber;
    // Depth first without recursion, since a library's tree can be arbitrarily deep.
    std::vector<std::pair<ZsTreeItem, std::filesystem::path>> pending{{item, folder}};
    while (!pending.empty()) {
        auto [cur, parentDir] = pending.back();
        pending.pop_back();
        std::filesystem::path dir = parentDir / ZsPathFromUtf8(ZsMakeFileName(pTree->GetItemText(cur)));
        std::error_code ec;
        if (used.count(dir.native()) != 0 ||
            (std::filesystem::exists(std::filesystem::symlink_status(dir, ec)) &&
             !std::filesystem::is_directory(dir, ec))) {
            dir = ZsUniquePath(dir, &nextNumber.try_emplace(dir.native(), 2).first->second);
        }
        std::filesystem::create_directory(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            ZsMsgBox(ZS_MB_ERROR, "Can not create directory '%s'!", ZsPathToUtf8(dir).c_str());
            return r;
        }
        used.insert(dir.native());
        if (cur == item) {
            r.top = dir;
        }
        SetProgressText(PRG_LOG, "directory '%s' created", ZsPathToUtf8(dir).c_str());
        bool bCancel = false;
        ExportIconFiles(lib, lib.GetList(pTree->GetItemData(cur)), dir, nullptr, &r.failed, &bCancel);
        if (bCancel) {
            r.bCancelled = true;
            return r;
        }
        // Children go on the stack last first, so they are exported in order.
        std::vector<ZsTreeItem> children;
        for (ZsTreeItem child = pTree->GetChildItem(cur); child != ZS_TI_NONE;
             child = pTree->GetNextSiblingItem(child)) {
            children.push_back(child);
        }
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.emplace_back(*it, dir);
        }
    }
    r.bOk = true;
    return r;
}

std::filesystem::path ZsPlanCategoryFiles(const CZsIconLib& lib, ZsTreeItem item,
                                          const std::filesystem::path& tempDir) {
    const CZsCategoryTree* pTree = lib.GetTree();
    if (!pTree || !pTree->Exists(item)) {
        return {};
    }
    // The folder is new and empty, so the category's folder takes its plain name there.
    return ZsUniquePath(tempDir / "TempDelay") / ZsPathFromUtf8(ZsMakeFileName(pTree->GetItemText(item)));
}

std::filesystem::path ZsRenderCategoryFiles(CZsIconLib& lib, ZsTreeItem item,
                                            const std::filesystem::path& tempDir,
                                            const std::filesystem::path& planned) {
    const std::filesystem::path folder =
        planned.empty() ? ZsUniquePath(tempDir / "TempDelay") : planned.parent_path();
    std::error_code ec;
    if (!std::filesystem::create_directories(folder, ec)) {
        ZS_LOG_ERR("ZsRenderCategoryFiles", "create_directories: %s", ZsPathToUtf8(folder).c_str());
        return {};
    }
    BeginProgress();
    const ZIL_DIR_EXPORT_RESULT r = ExportDirTree(lib, item, folder);
    EndProgress();
    if (!r.bOk || !r.failed.empty() || (!planned.empty() && r.top != planned)) {
        return {};
    }
    return r.top;
}
