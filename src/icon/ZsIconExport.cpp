// Export of an icon's images to picture files, icon files and icon theme folders.
#include <algorithm>
#include <cstdio>
#include <map>

#include "common/ZsLog.h"
#include "icon/ZsCodec.h"
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

bool CIcon::ExportThemeImages(const std::string& sName, const std::filesystem::path& themeDir,
                              std::vector<std::filesystem::path>* pFailed) const {
    std::map<int, int> deepest;  // side -> image
    for (int i = 0; i < GetImageCount(); ++i) {
        const ZI_FORMAT f = GetImage(i).Format();
        if (f.nWidth != f.nHeight || f.nWidth <= 0) {
            continue;
        }
        const auto it = deepest.find(f.nWidth);
        if (it == deepest.end() || GetImage(it->second).Format().nBitCount < f.nBitCount) {
            deepest[f.nWidth] = i;
        }
    }
    const std::string sFile = ZsMakeFileName(sName) + ".png";
    bool bOk = true;
    for (const auto& [nSide, i] : deepest) {
        const std::filesystem::path folder = themeDir / ZsFormat("%dx%d", nSide, nSide) / "apps";
        const std::filesystem::path path = folder / ZsPathFromUtf8(sFile);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        // A PNG image is already what the theme wants, byte for byte.
        const ZI_IMAGE& image = GetImage(i);
        const bool bWritten = ZI_IsPlainPng(image) ? ZsWriteFile(path, image.data)
                                                   : ZsSaveBitmapFile(GetHBITMAP(i), path, ZS_PIC_PNG);
        if (!bWritten) {
            ZS_LOG_ERR("CIcon::ExportThemeImages", "'%s'", ZsPathToUtf8(path).c_str());
            if (pFailed) {
                pFailed->push_back(path);
            }
            bOk = false;
        }
    }
    return bOk;
}

bool ZI_WriteThemeIndex(const std::filesystem::path& themeDir) {
    std::vector<int> sides;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(themeDir, ec)) {
        const std::string sDir = ZsPathToUtf8(entry.path().filename());
        int w = 0, h = 0;
        char c = 0;
        if (std::sscanf(sDir.c_str(), "%dx%d%c", &w, &h, &c) == 2 && w == h && w > 0 &&
            sDir == ZsFormat("%dx%d", w, h) && std::filesystem::is_directory(entry.path() / "apps", ec)) {
            sides.push_back(w);
        }
    }
    std::sort(sides.begin(), sides.end());
    std::string sDirs, sSections;
    for (const int n : sides) {
        const std::string sDir = ZsFormat("%dx%d/apps", n, n);
        sDirs += (sDirs.empty() ? "" : ",") + sDir;
        sSections += ZsFormat("\n[%s]\nSize=%d\nContext=Applications\nType=Fixed\n", sDir.c_str(), n);
    }
    const std::string sText =
        "[Icon Theme]\nName=Hicolor\nComment=Fallback icon theme\nDirectories=" + sDirs + "\n" + sSections;
    return ZsWriteFile(themeDir / ZI_THEME_INDEX,
                       ZsBytes(reinterpret_cast<const uint8_t*>(sText.data()), sText.size()));
}
