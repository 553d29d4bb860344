#include "library/ZsImport.h"

#include <algorithm>

#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "icon/ZsIconSource.h"
#include "icon/ZsPicture.h"

bool OnIconImported(const ZIL_IMPORTED& info, int32_t nTarget, int nPosition, ZIL_IMPORT_ROWS* pRows) {
    if (pRows && nTarget == pRows->nCurNode && info.nId != 0) {
        // nImported already counts this icon, so a batch keeps its order from the position on.
        size_t nRow = pRows->ids.size();
        if (nPosition >= 0) {
            nRow = std::min(nRow, static_cast<size_t>(nPosition) + static_cast<size_t>(info.nImported) - 1);
        }
        pRows->ids.insert(pRows->ids.begin() + static_cast<std::ptrdiff_t>(nRow), info.nId);
        pRows->selected.push_back(static_cast<int>(nRow));
    }
    const int nFile = info.nFile + 1;
    if (info.nPieces <= 0) {
        SetProgressText(PRG_TITLE, "Import Icons (%d/%d)", nFile, info.nFiles);
    } else {
        SetProgressText(PRG_TITLE, "Import Icons (%d/%d) [%d/%d]", nFile, info.nFiles, info.nPiece + 1,
                        info.nPieces);
    }
    const std::string sPath = ZsPathToUtf8(info.path);
    SetProgressText(PRG_STATUS, "Importing icon '%s' from '%s'...", info.sName.c_str(), sPath.c_str());
    if (info.nId > 0) {
        SetProgressText(PRG_LOG, "%.4d. '%-16s' << %s", info.nImported, info.sName.c_str(), sPath.c_str());
    } else {
        SetProgressText(PRG_LOG, "%.4d. FAILED! '%-16s' << %s", info.nImported, info.sName.c_str(),
                        sPath.c_str());
    }
    SetProgressPos(nFile, info.nFiles);
    return PumpProgress();
}

int ImportFileList(CZsIconLib& lib, const std::vector<std::filesystem::path>& files, int32_t nTarget,
                   int nPosition, int nTileWidth, int nTileHeight, int nMode, ZIL_IMPORT_ROWS* pRows,
                   bool* pbCancel, std::vector<ZIL_IMPORT_FAILED>* pFailed) {
    if (pRows) {
        pRows->BeginRun();
    }
    BeginProgress();
    if (nMode == ZIL_SIZING_FROM_SETTINGS) {
        nMode = ZS_OPT_RESIZE.Get();
    }
    const int nImported = lib.ImpFiles(
        files, nTarget, nPosition, nTileWidth, nTileHeight, nMode,
        [&](const ZIL_IMPORTED& info) {
            if (info.nId == 0 && pFailed) {
                pFailed->push_back(ZIL_IMPORT_FAILED{info.sName, info.path});
            }
            return OnIconImported(info, nTarget, nPosition, pRows);
        },
        pbCancel);
    if (pRows) {
        pRows->EndRun();
    }
    EndProgress();
    return nImported;
}

bool ZsGatherImportFiles(const std::vector<std::filesystem::path>& inputs, std::string_view patterns,
                         std::vector<std::filesystem::path>& files) {
    bool bAll = true;
    for (const std::filesystem::path& input : inputs) {
        const std::string sInput = ZsPathToUtf8(input);
        std::error_code ec;
        if (std::filesystem::is_directory(input, ec)) {
            if (ZsFindFiles(input, patterns, true, &files, nullptr) == 0) {
                ZsMsgBox(ZS_MB_ERROR, "There are no supported files in '%s'!", sInput.c_str());
                bAll = false;
            }
        } else if (!std::filesystem::is_regular_file(input, ec)) {
            ZsMsgBox(ZS_MB_ERROR, "Can not read '%s'!", sInput.c_str());
            bAll = false;
        } else if (ZI_GetSourceKind(input) == ZI_SOURCE_NONE) {
            ZsMsgBox(ZS_MB_ERROR, "'%s' is not a kind of file that is imported!", sInput.c_str());
            bAll = false;
        } else {
            files.push_back(input);
        }
    }
    return bAll;
}

std::vector<std::filesystem::path> ZsGatherDroppedFiles(std::vector<std::filesystem::path> files,
                                                        const std::vector<std::filesystem::path>& folders) {
    for (const std::filesystem::path& folder : folders) {
        ZsFindFiles(folder, ZIL_DROP_PATTERNS, true, &files, nullptr);
    }
    return files;
}

std::filesystem::path ZsWritePastedPicture(const CZsBitmap& picture) {
    const std::filesystem::path path = ZsGetTempDir() / "Temp.png";
    if (picture.IsNull()) {
        errno = EINVAL;
        ZS_LOG_ERR("ZsWritePastedPicture", "empty picture");
        return {};
    }
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!ZsSaveBitmapFile(picture, path, ZS_PIC_PNG)) {
        ZS_LOG_ERR("ZsWritePastedPicture", "ZsSaveBitmapFile('%s')", ZsPathToUtf8(path).c_str());
        return {};
    }
    return path;
}
