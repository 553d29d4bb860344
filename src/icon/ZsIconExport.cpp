// Export of an icon's images to picture files and icon files.
#include "common/ZsLog.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"

bool CIcon::ExportImages(const std::string& sName, int nType, const std::filesystem::path& folder,
                         bool bPerImage, std::vector<std::filesystem::path>* pFailed) const {
    const char* pszExt = ZsGetExportExt(nType);
    if (!pszExt || nType == ZS_EXPORT_ICL) {
        return false;
    }
    // The name comes from the library; it must not lead outside the folder.
    const std::string sFile = ZsMakeFileName(sName);
    bool bOk = true;
    const auto fail = [&](const std::filesystem::path& path) {
        ZS_LOG_ERR("CIcon::ExportImages", "'%s'", ZsPathToUtf8(path).c_str());
        if (pFailed) {
            pFailed->push_back(path);
        }
        bOk = false;
    };
    const auto imagePath = [&](int i) {
        return folder / ZsPathFromUtf8(ZsFormat("%s (%s).%s", sFile.c_str(),
                                                ZI_GetFormatName(GetImage(i).Format()).c_str(), pszExt));
    };
    if (nType == ZS_EXPORT_ICO && !bPerImage) {
        const std::filesystem::path path = folder / ZsPathFromUtf8(ZsFormat("%s.%s", sFile.c_str(), pszExt));
        const ZsBlock data = GetData(-1);
        if (data.empty() || !ZsWriteFile(path, data)) {
            fail(path);
        }
        return bOk;
    }
    for (int i = 0; i < GetImageCount(); ++i) {
        const std::filesystem::path path = imagePath(i);
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
