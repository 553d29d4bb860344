#include "library/ZsImport.h"

#include <algorithm>

#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "icon/ZsIconSource.h"
#include "icon/ZsPicture.h"

bool OnIconImported(const ZIL_IMPORTED& info, int32_t nTarget, int nPosition, ZIL_IMPORT_ROWS* pRows,
                    std::vector<ZIL_IMPORT_FAILED>* pFailed) {
    if (info.nId == 0 && pFailed) {
        pFailed->push_back(ZIL_IMPORT_FAILED{info.sName, info.path, info.sError});
    }
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
    } else if (info.sError.empty()) {
        SetProgressText(PRG_LOG, "%.4d. FAILED! '%-16s' << %s", info.nImported, info.sName.c_str(),
                        sPath.c_str());
    } else {
        SetProgressText(PRG_LOG, "%.4d. FAILED! '%-16s' << %s: %s", info.nImported, info.sName.c_str(),
                        sPath.c_str(), info.sError.c_str());
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
    std::vector<ZIL_IMPORT_FAILED> failed;
    bool bCancel = false;
    const int nImported = lib.ImpFiles(
        files, nTarget, nPosition, nTileWidth, nTileHeight, nMode,
        [&](const ZIL_IMPORTED& info) { return OnIconImported(info, nTarget, nPosition, pRows, &failed); },
        &bCancel);
    if (pRows) {
        pRows->EndRun();
    }
    // After an abort the run writes nothing more.
    if (!failed.empty() && !bCancel) {
        SetProgressText(PRG_LOG, "%s", ZsImportCounts(nImported, failed.size()).c_str());
    }
    EndProgress();
    if (pbCancel) {
        *pbCancel = bCancel;
    }
    if (pFailed) {
        pFailed->insert(pFailed->end(), failed.begin(), failed.end());
    }
    return nImported;
}

std::string ZsImportCounts(int nImported, size_t nFailed) {
    return ZsFormat("%d icon%s imported, %zu failed", nImported, nImported == 1 ? "" : "s", nFailed);
}

std::string ZsDescribeFailedImport(const ZIL_IMPORT_FAILED& failed) {
    const std::string sPath = ZsPathToUtf8(failed.path);
    std::string s = failed.sName.empty() ? ZsFormat("'%s'", sPath.c_str())
                                         : ZsFormat("'%s' from '%s'", failed.sName.c_str(), sPath.c_str());
    if (!failed.sReason.empty()) {
        s += " (" + failed.sReason + ")";
    }
    return s;
}

std::string ZsImportFailureMessage(int nImported, const std::vector<ZIL_IMPORT_FAILED>& failed,
                                   size_t nMaxNamed) {
    if (failed.empty()) {
        return {};
    }
    std::string s = ZsImportCounts(nImported, failed.size()) + ":";
    for (size_t i = 0; i < failed.size() && i < nMaxNamed; ++i) {
        s += "\n" + ZsDescribeFailedImport(failed[i]);
    }
    if (failed.size() > nMaxNamed) {
        s += ZsFormat("\nand %zu more", failed.size() - nMaxNamed);
    }
    return s;
}

bool ZsGatherImportFiles(const std::vector<std::filesystem::path>& inputs, std::string_view patterns,
                         std::vector<std::filesystem::path>& files,
                         std::vector<ZIL_IMPORT_FAILED>* pRefused) {
    bool bAll = true;
    // sMessage: the error shown; pszReason: the reason the list gives.
    const auto refuse = [&](const std::filesystem::path& input, const std::string& sMessage,
                            const char* pszReason) {
        bAll = false;
        if (pRefused) {
            pRefused->push_back({std::string(), input, pszReason});
        } else {
            ZsMsgBox(ZS_MB_ERROR, "%s", sMessage.c_str());
        }
    };
    for (const std::filesystem::path& input : inputs) {
        const std::string sInput = ZsPathToUtf8(input);
        std::error_code ec;
        if (std::filesystem::is_directory(input, ec)) {
            if (ZsFindFiles(input, patterns, true, &files, nullptr) == 0) {
                refuse(input, ZsFormat("There are no supported files in '%s'!", sInput.c_str()),
                       "a folder without supported files");
            }
        } else if (!std::filesystem::is_regular_file(input, ec)) {
            refuse(input, ZsFormat("Can not read '%s'!", sInput.c_str()), "cannot be read");
        } else if (ZI_GetSourceKind(input) == ZI_SOURCE_NONE) {
            refuse(input, ZsFormat("'%s' is not a kind of file that is imported!", sInput.c_str()),
                   "not a kind of file that is imported");
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
