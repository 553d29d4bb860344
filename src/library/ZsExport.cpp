#include "library/ZsExport.h"

#include <algorithm>
#include <set>

#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIclWriter.h"
#include "icon/ZsIcns.h"
#include "icon/ZsPicture.h"

namespace {

// Reports one exported item (nLeftOut: the id of an icon left out because it cannot be read); false once
// the user aborted.
bool ReportExported(int nItem, int nItems, const std::filesystem::path& path, int32_t nLeftOut = 0) {
    const std::string sPath = ZsPathToUtf8(path);
    SetProgressText(PRG_TITLE, "Export Icons (%d/%d)", nItem, nItems);
    SetProgressText(PRG_STATUS, "Exporting icon '%s'...", sPath.c_str());
    if (nLeftOut) {
        SetProgressText(PRG_LOG, "%.4d. FAILED! icon %d could not be read", nItem, nLeftOut);
    } else {
        SetProgressText(PRG_LOG, "%.4d. >> %s", nItem, sPath.c_str());
    }
    SetProgressPos(nItem, nItems);
    return PumpProgress();
}

// What the log names for an icon written as files: the one file, or the pattern of its per-image files.
std::filesystem::path ExportedName(const std::filesystem::path& folder, const std::string& sName, int nType,
                                   bool bEach) {
    const std::string sFile = ZsMakeFileName(sName);
    const char* pszExt = ZsGetExportExt(nType);
    if (nType == ZS_EXPORT_THEME) {
        return folder / ZI_THEME_FOLDER / "*" / "apps" / ZsPathFromUtf8(sFile + ".png");
    }
    if (nType == ZS_EXPORT_ICNS || (nType == ZS_EXPORT_ICO && !bEach)) {
        return folder / ZsPathFromUtf8(ZsFormat("%s.%s", sFile.c_str(), pszExt));
    }
    return folder / ZsPathFromUtf8(ZsFormat("%s (*).%s", sFile.c_str(), pszExt));
}

// The chosen images of an icon (indexes, in the order given) as an icon of their own; false, with an error
// line, for an index out of range.
bool ChooseImages(const CIcon& icon, const std::vector<int>& images, CIcon& chosen) {
    for (int i : images) {
        if (i < 0 || i >= icon.GetImageCount()) {
            ZS_LOG_ERR("ExportImages", "image %d of %d", i, icon.GetImageCount());
            return false;
        }
        chosen.AddImage(icon.GetImage(i));
    }
    return true;
}

}  // namespace

ZIL_EXPORT_OPTIONS ZIL_EXPORT_OPTIONS::FromSettings(const char* pszSection, const CZsMemIni& ini) {
    ZIL_EXPORT_OPTIONS o;
    o.nType = ZS_EXP_CBO_FILE_FMT.In(pszSection).Get(ini);
    o.folder = ZsPathFromUtf8(ZS_EXP_EDT_DIR.In(pszSection).Get(ini));
    o.bEach = ZS_EXP_CHK_EACH.In(pszSection).Get(ini);
    o.bCustom = ZS_EXP_CHK_CUST.In(pszSection).Get(ini);
    o.bGenerate = ZS_EXP_CHK_GEN.In(pszSection).Get(ini);
    o.bExcept = ZS_FMTS_CHK_EXC.In(pszSection).Get(ini);
    o.desired = ZI_ReadDesiredFormats(pszSection, ini);
    return o;
}

bool ZsCheckExportFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
        ZsMsgBox(ZS_MB_ERROR, "The directory '%s' does not exist!", ZsPathToUtf8(folder).c_str());
        return false;
    }
    return true;
}

std::string ZsLeftOutIconsText(const std::vector<int32_t>& ids) {
    return ZsUnreadableIconsText(ids) + " and were left out";
}

std::string ZsExportLibraryTitle(const CZsIconLib& lib) {
    return lib.GetPath().empty() ? std::string("Untitled") : ZsGetPathTitle(ZsPathToUtf8(lib.GetPath()));
}

ZIL_EXPORT_RESULT ExportIcons(CZsIconLib& lib, const ZIL_LIST& ids, const ZIL_EXPORT_OPTIONS& options,
                              const std::string& sLibTitle) {
    ZIL_EXPORT_RESULT r;
    const int nType = options.nType;
    if (nType < 0 || nType >= ZS_EXPORT_COUNT) {
        ZS_LOG_ERR("ExportIcons", "nType=%d", nType);
        return r;
    }
    if (!ZsCheckExportFolder(options.folder)) {
        return r;
    }
    CIconLibraryWriter writer;
    if (nType == ZS_EXPORT_ICL) {
        // An existing library is never replaced; the new one takes the first free numbered name.
        r.library = ZsUniqueFilePath(options.folder, ZsMakeFileName(sLibTitle), "icl");
        if (!writer.Begin(r.library)) {
            return r;
        }
    }
    r.bStarted = true;
    CZsSqlReadBatch batch(lib);
    const int nItems = static_cast<int>(ids.size());
    for (int k = 0; k < nItems; ++k) {
        const int32_t nId = ids[static_cast<size_t>(k)];
        const std::string sName = lib.GetIconName(nId);
        const std::filesystem::path shown =
            nType == ZS_EXPORT_ICL ? r.library : ExportedName(options.folder, sName, nType, options.bEach);
        CIcon icon;
        if (!lib.GetIcon(nId, icon) || icon.GetImageCount() == 0) {
            ZS_LOG_ERR("ExportIcons", "icon %d has no image that can be read", nId);
            r.unreadable.push_back(nId);
            if (!ReportExported(k + 1, nItems, shown, nId)) {
                r.bCancelled = true;
                break;
            }
            continue;
        }
        if (options.bCustom) {
            ZI_ApplyExportFormats(icon, options.desired, options.bExcept, options.bGenerate);
        }
        if (nType == ZS_EXPORT_ICL) {
            // The names resource keeps the stored name, empty for an untitled icon.
            const std::string sStored = *lib.GetIconRec(nId, ZIL_ICON_LOADNAME).name;
            if (!writer.AddIcon(icon.GetData(-1), sStored)) {
                r.failedIcons.push_back(sName);
            }
        } else if (nType == ZS_EXPORT_ICNS) {
            const ZsBlock data = ZI_IconToIcns(icon);
            if (data.empty() || !ZsWriteFile(shown, data)) {
                ZS_LOG_ERR("ExportIcons", "'%s'", ZsPathToUtf8(shown).c_str());
                r.failed.push_back(shown);
            }
        } else if (nType == ZS_EXPORT_THEME) {
            icon.ExportThemeImages(sName, options.folder / ZI_THEME_FOLDER, &r.failed);
        } else {
            icon.ExportImages(sName, nType, options.folder, options.bEach, &r.failed);
        }
        ++r.nIcons;
        if (!ReportExported(k + 1, nItems, shown)) {
            r.bCancelled = true;
            break;
        }
    }
    // The names go in also after an abort, so that every group written is named.
    if (nType == ZS_EXPORT_ICL && writer.End() != ZI_UPDATE_OK) {
        r.failed.push_back(r.library);
    }
    // The index lists the folders also after an abort, so that every image written is found.
    if (nType == ZS_EXPORT_THEME && r.nIcons > 0 && !ZI_WriteThemeIndex(options.folder / ZI_THEME_FOLDER)) {
        r.failed.push_back(options.folder / ZI_THEME_FOLDER / ZI_THEME_INDEX);
    }
    return r;
}

bool ExportImages(const CIcon& icon, const std::vector<int>& images, const std::string& sName, int nType,
                  const std::filesystem::path& folder, bool bEach,
                  std::vector<std::filesystem::path>* pFailed) {
    if (!ZsIsPictureType(nType) && nType != ZS_EXPORT_ICO) {
        ZS_LOG_ERR("ExportImages", "nType=%d", nType);
        return false;
    }
    if (!ZsCheckExportFolder(folder)) {
        return false;
    }
    CIcon chosen;
    return ChooseImages(icon, images, chosen) && chosen.ExportImages(sName, nType, folder, bEach, pFailed);
}

namespace {

// Where the icons' data goes in the folder: "<name>.ico" each. With bDistinct a name that came before gets
// " (2)", " (3)", ... so that no icon overwrites another's file.
std::vector<std::filesystem::path> IconFilePaths(CZsIconLib& lib, const ZIL_LIST& ids,
                                                 const std::filesystem::path& folder, bool bDistinct) {
    std::vector<std::filesystem::path> paths;
    paths.reserve(ids.size());
    std::set<std::string> taken;
    for (const int32_t nId : ids) {
        const std::string sBase = ZsMakeFileName(lib.GetIconName(nId));
        std::string sFile = sBase + ".ico";
        for (int n = 2; bDistinct && !taken.insert(sFile).second; ++n) {
            sFile = ZsFormat("%s (%d).ico", sBase.c_str(), n);
        }
        paths.push_back(folder / ZsPathFromUtf8(sFile));
    }
    return paths;
}

// Writes each icon's stored data to its path (paths[k] for ids[k]); see ExportIconFiles.
bool WriteIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::vector<std::filesystem::path>& paths,
                    std::vector<std::filesystem::path>* pOut, std::vector<std::filesystem::path>* pFailed,
                    bool* pbCancel) {
    if (pbCancel) {
        *pbCancel = false;
    }
    CZsSqlReadBatch batch(lib);
    bool bOk = true;
    const int nItems = static_cast<int>(ids.size());
    for (int k = 0; k < nItems; ++k) {
        const std::filesystem::path& path = paths[static_cast<size_t>(k)];
        const ZsBytes data = lib.GetIconData(ids[static_cast<size_t>(k)]);
        if (data.empty() || !ZsWriteFile(path, data)) {
            ZS_LOG_ERR("ExportIconFiles", "'%s'", ZsPathToUtf8(path).c_str());
            bOk = false;
            if (!pFailed) {
                return false;
            }
            pFailed->push_back(path);
        } else if (pOut) {
            pOut->push_back(path);
        }
        if (!ReportExported(k + 1, nItems, path)) {
            if (pbCancel) {
                *pbCancel = true;
            }
            return false;
        }
    }
    return bOk;
}

// A delay folder: the planned one, which must still be free, or the next free one.
std::filesystem::path MakeDelayFolder(const std::filesystem::path& tempDir,
                                      const std::filesystem::path& planned) {
    const std::filesystem::path folder = planned.empty() ? ZsUniquePath(tempDir / "TempDelay") : planned;
    std::error_code ec;
    if (!std::filesystem::create_directories(folder, ec)) {
        ZS_LOG_ERR("ZsNewDelayFolder", "create_directories: %s", ZsPathToUtf8(folder).c_str());
        return {};
    }
    return folder;
}

}  // namespace

bool ExportIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& folder,
                     std::vector<std::filesystem::path>* pOut, std::vector<std::filesystem::path>* pFailed,
                     bool* pbCancel) {
    return WriteIconFiles(lib, ids, IconFilePaths(lib, ids, folder, false), pOut, pFailed, pbCancel);
}

std::filesystem::path ZsNewDelayFolder(const std::filesystem::path& tempDir) {
    return MakeDelayFolder(tempDir, {});
}

bool ZsRenderIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& tempDir,
                       const std::vector<std::filesystem::path>& planned,
                       std::vector<std::filesystem::path>& files) {
    if (ids.empty()) {
        return false;
    }
    const std::filesystem::path folder =
        MakeDelayFolder(tempDir, planned.empty() ? std::filesystem::path() : planned[0].parent_path());
    if (folder.empty()) {
        return false;
    }
    std::vector<std::filesystem::path> written;
    BeginProgress();
    const bool bOk =
        WriteIconFiles(lib, ids, IconFilePaths(lib, ids, folder, true), &written, nullptr, nullptr);
    EndProgress();
    if (!bOk || (!planned.empty() && written != planned)) {
        return false;
    }
    files.insert(files.end(), written.begin(), written.end());
    return true;
}

bool ZsPlanIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& tempDir,
                     std::vector<std::filesystem::path>& files) {
    if (ids.empty()) {
        return false;
    }
    const std::vector<std::filesystem::path> paths =
        IconFilePaths(lib, ids, ZsUniquePath(tempDir / "TempDelay"), true);
    files.insert(files.end(), paths.begin(), paths.end());
    return true;
}

bool ZsRenderImageFiles(const CIcon& icon, const std::vector<int>& images, const std::string& sName,
                        int nType, const std::filesystem::path& tempDir,
                        const std::vector<std::filesystem::path>& planned,
                        std::vector<std::filesystem::path>& files) {
    if (images.empty()) {
        return false;
    }
    const std::filesystem::path folder =
        MakeDelayFolder(tempDir, planned.empty() ? std::filesystem::path() : planned[0].parent_path());
    std::vector<std::filesystem::path> failed;
    if (folder.empty() || !ExportImages(icon, images, sName, nType, folder, true, &failed) ||
        !failed.empty()) {
        return false;
    }
    std::error_code ec;
    std::vector<std::filesystem::path> written;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.is_regular_file(ec)) {
            written.push_back(entry.path());
        }
    }
    std::sort(written.begin(), written.end());
    if (written.empty() || (!planned.empty() && written != planned)) {
        return false;
    }
    files.insert(files.end(), written.begin(), written.end());
    return true;
}

bool ZsPlanImageFiles(const CIcon& icon, const std::vector<int>& images, const std::string& sName, int nType,
                      const std::filesystem::path& tempDir, std::vector<std::filesystem::path>& files) {
    CIcon chosen;
    if (images.empty() || !ChooseImages(icon, images, chosen)) {
        return false;
    }
    std::vector<std::filesystem::path> paths =
        chosen.ExportPaths(sName, nType, ZsUniquePath(tempDir / "TempDelay"), true);
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    files.insert(files.end(), paths.begin(), paths.end());
    return !paths.empty();
}
