// Writing icons of a library to disk: the selected icons as icon files, picture files or one classic icon
// library (Export Icons), chosen images of one icon (Export Images), and icons as their stored icon files
// (ExportIconFiles, which dragging icons out of the list and the directory-tree export use).
//
// The loops report each icon through the progress protocol ("Export Icons (%d/%d)", "Exporting icon
// '%s'...", "%.4d. >> %s") and stop when the user aborts; the caller decides whether a progress run is
// open around them. Files written before a failure or an abort stay.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsConfig.h"
#include "icon/ZsIcon.h"
#include "icon/ZsPicture.h"
#include "library/ZsIconLib.h"

// The choices of an export dialog.
struct ZIL_EXPORT_OPTIONS {
    int nType = ZS_EXPORT_ICO;       // 0 BMP, 1 JPEG, 2 GIF, 3 TIFF, 4 PNG, 5 icon file, 6 icon library,
                                     // 7 Apple icon file, 8 icon theme folder, 9 WebP
    std::filesystem::path folder;    // the destination; it must exist
    bool bEach = false;              // icon files: one file per image
    bool bCustom = false;            // apply the desired formats before writing
    std::vector<ZI_FORMAT> desired;  // the desired-format list
    bool bExcept = false;            // "Except above image formats"
    bool bGenerate = true;           // generate missing desired formats (else only remove)

    // The options the export dialog stored under its section (ZS_SEC_ICON_EXP or ZS_SEC_IMG_EXP).
    static ZIL_EXPORT_OPTIONS FromSettings(const char* pszSection, const CZsMemIni& ini = ZsGetConfig());
};

// What an export did.
struct ZIL_EXPORT_RESULT {
    bool bStarted = false;          // false: nothing was written (missing folder, library not created)
    bool bCancelled = false;        // the user aborted
    int nIcons = 0;                 // icons handled
    std::filesystem::path library;  // type 6: the library written
    std::vector<std::filesystem::path> failed;  // files that could not be written
    std::vector<std::string> failedIcons;       // type 6: names of icons that could not be added
    std::vector<int32_t> unreadable;            // icons left out: their data has no image that can be read
    bool Ok() const {
        return bStarted && !bCancelled && failed.empty() && failedIcons.empty() && unreadable.empty();
    }
};

// "2 icons could not be read (ids 4, 9) and were left out": what an export says of the icons it left out.
std::string ZsLeftOutIconsText(const std::vector<int32_t>& ids);

// "The directory '%s' does not exist!" (error box) unless the folder exists; whether it does.
bool ZsCheckExportFolder(const std::filesystem::path& folder);

// Export Icons: the icons, in order, with the options. Picture types write one file per image named
// "<name> (<format>).<ext>", the icon file type "<name>.ico" (or one per image with bEach), the names made
// safe with ZsMakeFileName and "(Untitled)" for an icon without a name; files of the same name are
// replaced. The library type writes every icon into a new "<sLibTitle>.icl" (a free name "<title> (2).icl"
// and so on when that exists), made from the template in the program's folder. The Apple icon type writes
// "<name>.icns" (ZI_IconToIcns); the theme type writes each icon's square sides as
// "hicolor/<N>x<N>/apps/<name>.png" and then "hicolor/index.theme" listing every such folder there. An icon
// without an image that can be read writes nothing: its id goes to the result's unreadable list.
ZIL_EXPORT_RESULT ExportIcons(CZsIconLib& lib, const ZIL_LIST& ids, const ZIL_EXPORT_OPTIONS& options,
                              const std::string& sLibTitle);

// The title the library type names its file after: the library file's title, "Untitled" for a library that
// was never saved.
std::string ZsExportLibraryTitle(const CZsIconLib& lib);

// Export Images: copies of the chosen images of an icon (indexes into its images, in the order given) written
// as pictures or icon files (type 0..5) named after sName. Custom formats do not apply. The paths that could
// not be written go to *pFailed; false when the folder is missing or anything failed.
bool ExportImages(const CIcon& icon, const std::vector<int>& images, const std::string& sName, int nType,
                  const std::filesystem::path& folder, bool bEach,
                  std::vector<std::filesystem::path>* pFailed);

// Writes each icon's stored data byte for byte to "<folder>/<name>.ico", numbered from 1, replacing files of
// the same name, and appends the paths written to *pOut. Without pFailed the first file that cannot be
// written stops the run; with it such files are collected there and the run goes on. Returns true when
// every icon was written; an abort by the user stops the run with false and sets *pbCancel.
bool ExportIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& folder,
                     std::vector<std::filesystem::path>* pOut,
                     std::vector<std::filesystem::path>* pFailed = nullptr, bool* pbCancel = nullptr);

// A new folder "TempDelay" (or "TempDelay (2)", ...) of tempDir for the files of a drag or a copy that ends
// outside the program; empty, with an error line, when it cannot be made.
std::filesystem::path ZsNewDelayFolder(const std::filesystem::path& tempDir);

// The files icons dragged or copied out of the icon list become: each icon's data as "<name>.ico"
// (ExportIconFiles; a name that came before gets " (2)", " (3)", ...) in a new delay folder, inside a
// progress run of its own. With planned (what ZsPlanIconFiles told) the files go exactly there and anything
// else fails. False when the export failed or was aborted; files then holds nothing.
bool ZsRenderIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& tempDir,
                       const std::vector<std::filesystem::path>& planned,
                       std::vector<std::filesystem::path>& files);
// The files ZsRenderIconFiles will write for the icons, told without writing anything (a drop target may ask
// for the file names while the drag is still over it). False when there are no icons.
bool ZsPlanIconFiles(CZsIconLib& lib, const ZIL_LIST& ids, const std::filesystem::path& tempDir,
                     std::vector<std::filesystem::path>& files);

// The files images dragged out of the format list become: the images of the icon exported one file each, of
// export type nType, named after sName (ExportImages), into a new delay folder (the planned one, as
// ZsPlanImageFiles told, when given); files gets every file of that folder. No progress run. False when
// anything could not be written or the files are not the planned ones.
bool ZsRenderImageFiles(const CIcon& icon, const std::vector<int>& images, const std::string& sName,
                        int nType, const std::filesystem::path& tempDir,
                        const std::vector<std::filesystem::path>& planned,
                        std::vector<std::filesystem::path>& files);
// The files ZsRenderImageFiles will make for the images, told without writing anything.
bool ZsPlanImageFiles(const CIcon& icon, const std::vector<int>& images, const std::string& sName, int nType,
                      const std::filesystem::path& tempDir, std::vector<std::filesystem::path>& files);
