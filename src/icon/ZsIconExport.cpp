// Export of an icon's images to picture files and icon files.
#include "common/ZsLog.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

std::vector<std::filesystem::path> CIcon::ExportPaths(const std::string& sName, int nType,
                                                      const std::filesystem::path& folder,
                                                      bool bPerImage) const {
    const char* pszExt = ZsGetExportExt(nType);
    if (!pszExt || nType > ZS_EXPORT_ICO) {
        return {};
    }
    // The name comes from the library; it must not lead outside the folder.
    const std::string sFile = ZsMakeFileName(sName);
    if (nType == ZS_EXPORT_ICO && !bPerImage) {
        return {folder / ZsPathFromUtf8(ZsFormat("%s.%s", sFile.c_str(), pszExt))};
    }
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < GetImageCount(); ++i) {
        paths.push_back(folder /
                        ZsPathFromUtf8(ZsFormat("%s (%s).%s", sFile.c_str(),
                                                ZI_GetFormatName(GetImage(i).Format()).c_str(), pszExt)));
    }
    return paths;
}

bool CIcon::ExportImages(const std::string& sName, int nType, const std::filesystem::path& folder,
                         bool bPerImage, std::vector<std::filesystem::path>* pFailed) const {
    if (!ZsGetExportExt(nType) || nType > ZS_EXPORT_ICO) {
        return false;
    }
    const std::vector<std::filesystem::path> paths = ExportPaths(sName, nType, folder, bPerImage);
    bool bOk = true;
    const auto fail = [&](const std::filesystem::path& path) {
        ZS_LOG_ERR("CIcon::ExportImages", "'%s'", ZsPathToUtf8(path).c_str());
        if (pFailed) {
            pFailed->push_back(path);
        }
        bOk = false;
    };
    if (nType == ZS_EXPORT_ICO && !bPerImage) {
        const ZsBlock data = GetData(-1);
        if (data.empty() || !ZsWriteFile(paths[0], data)) {
            fail(paths[0]);
        }
        return bOk;
    }
    for (int i = 0; i < GetImageCount(); ++i) {
        const std::filesystem::path& path = paths[static_cast<size_t>(i)];
        if (nType == ZS_EXPORT_ICO) {
            const ZsBlock data = GetData(i);
            if (data.empty() || !ZsWriteFile(path, data)) {
                fail(path);
            }
        } else if (!ZsSaveBitmapFile(GetHBITMAP(i), path, nType)) {
            fail(path);
        }
    }
    return bOk;
}
