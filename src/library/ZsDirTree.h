// Directory trees and category trees: a folder with its subfolders imported as categories under a category
// (with the icons of each folder), and a category with its subcategories exported as folders of icon files.
// Both report through the progress protocol; the caller opens and closes the progress run around them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsConfig.h"
#include "common/ZsSettings.h"
#include "library/ZsImport.h"

// The options of a directory-tree import.
struct ZIL_DIR_IMPORT_OPTIONS {
    bool bWithIcons = ZS_OPT_IMP_DIRS_WITH_ICONS.bDefault;  // the icons of every folder, not only the folders
    std::string sPatterns = ZS_OPT_IMP_EXTS.pszDefault;     // the files imported
    int nMode = ZS_OPT_RESIZE.nDefault;                     // picture sizing

    // "IDC_CHK_IMP_DIRS_WITH_ICONS", "IDC_CBO_IMP_EXTS" and "IDC_CBO_RESIZE" of the options.
    static ZIL_DIR_IMPORT_OPTIONS FromSettings(const CZsMemIni& ini = ZsGetConfig());
};

// Imports the folder as a new category, the last child of parent, and each of its subfolders, at any depth,
// as a category under its parent folder's (every folder before its subfolders, siblings in name order).
// The category takes the folder's name. Then, unless switched off, the matching files of each folder alone
// are imported into its category, appended, the top folder's first; each icon is reported with
// OnIconImported (pRows may be null) and the refused ones are added to *pFailed. Returns the top category's
// item: ZS_TI_NONE, after the error "The directory '%s' does not exist!", when the folder is missing, or when
// no category can be added. *pbCancel tells whether the user aborted; what was imported before stays.
ZsTreeItem ImportDirTree(CZsIconLib& lib, ZsTreeItem parent, const std::filesystem::path& folder,
                         const ZIL_DIR_IMPORT_OPTIONS& options, ZIL_IMPORT_ROWS* pRows, bool* pbCancel,
                         std::vector<ZIL_IMPORT_FAILED>* pFailed = nullptr);

// Folders and files dropped on a category of the tree, inside one progress run: each folder imported as a
// directory tree under the category, in order, then the files appended to the category (pictures with
// options.nMode). An abort stops both. Returns the category made from the last folder (ZS_TI_NONE when
// none); *pnIcons counts the icons imported from the files. pRows (may be null) gets the new rows of the
// category on display as selection and caret.
ZsTreeItem ImportDroppedFiles(CZsIconLib& lib, ZsTreeItem target,
                              const std::vector<std::filesystem::path>& dirs,
                              const std::vector<std::filesystem::path>& files,
                              const ZIL_DIR_IMPORT_OPTIONS& options, ZIL_IMPORT_ROWS* pRows, int* pnIcons,
                              bool* pbCancel);

// What a category-tree export did.
struct ZIL_DIR_EXPORT_RESULT {
    bool bOk = false;                           // every folder was made and the run was not aborted
    bool bCancelled = false;                    // the user aborted
    std::filesystem::path top;                  // the folder of the exported category
    std::vector<std::filesystem::path> failed;  // icon files that could not be written
};

// Exports the category and, inside its folder, each subcategory in order, into the existing folder: every
// category becomes the folder "<title>" (made safe with ZsMakeFileName; an existing folder is reused, but two
// categories of one run never share a folder, so a second one takes "<title> (2)" and so on), logged as
// "directory '%s' created", holding its icons as "<name>.ico" in list order (a later icon of the same
// file name replaces an earlier one). A missing destination gives "The directory '%s' does not exist!", a
// folder that cannot be made "Can not create directory '%s'!"; both stop the export. Icon files that cannot
// be written are collected and the export goes on.
ZIL_DIR_EXPORT_RESULT ExportDirTree(CZsIconLib& lib, ZsTreeItem item, const std::filesystem::path& folder);

// The files a category dragged or copied out of the tree becomes: the category exported, inside its own
// progress run, into a new folder "TempDelay" (or "TempDelay (2)", ...) of tempDir. The category's folder;
// empty when the export did not complete or a file could not be written.
//
// A file manager may ask for the files while a drag merely passes over it and keep that answer for the drop:
// ZsPlanCategoryFiles tells the folder a rendering would give without writing anything (empty when there is
// no such category), and a rendering given that plan exports into exactly that folder, failing when its
// "TempDelay" folder has appeared meanwhile.
std::filesystem::path ZsPlanCategoryFiles(const CZsIconLib& lib, ZsTreeItem item,
                                          const std::filesystem::path& tempDir);
std::filesystem::path ZsRenderCategoryFiles(CZsIconLib& lib, ZsTreeItem item,
                                            const std::filesystem::path& tempDir,
                                            const std::filesystem::path& planned = {});
