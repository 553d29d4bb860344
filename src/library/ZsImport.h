// Importing files into a category under the progress protocol: the driver every import command ends in
// (chosen files, a folder, tiles cut from pictures, files dropped or pasted on the icon list), and the report
// it gives after every icon the store's file import produced. The icon list's rows are kept as an ordered
// list of icon ids, which the GUI's list shows and the report keeps in step with the category.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsSettings.h"
#include "icon/ZsBitmap.h"
#include "library/ZsIconLib.h"

// The files that a drop or a paste of files imports: the default import patterns, whatever the options say.
inline constexpr const char* ZIL_DROP_PATTERNS = ZS_OPT_IMP_EXTS.pszDefault;

// Picture sizing taken from the options ("IDC_CBO_RESIZE") when the import starts.
inline constexpr int ZIL_SIZING_FROM_SETTINGS = -1;

// The icon list of the category on display while an import runs.
struct ZIL_IMPORT_ROWS {
    int32_t nCurNode = 0;       // the category on display (0: none, -1: "My Icons")
    ZIL_LIST ids;               // the icon id of every row, in row order
    std::vector<int> selected;  // after the import: the new rows, which the list selects
    int nCaret = -1;            // after the import: the first new row, or -1 when there is none

    // An import run forgets the new rows of the one before, and ends with the caret on its first new row.
    void BeginRun() {
        selected.clear();
        nCaret = -1;
    }
    void EndRun() {
        // Each new row went in right after the one before it, so the rows are recorded in ascending order.
        if (!selected.empty()) {
            nCaret = selected.front();
        }
    }
};

// An icon (or a whole file) that an import refused: its name, the file it came from and why.
struct ZIL_IMPORT_FAILED {
    std::string sName;
    std::filesystem::path path;
    std::string sReason;
};

// The report after every icon an import produced (nId 0: refused). Adds the row when the target is the
// category on display, adds a refused icon to *pFailed (may be null), writes the title, status and numbered
// log line (a refused one's with its reason), moves the bar to the file's number and returns whether the
// run goes on (false once the user aborted).
bool OnIconImported(const ZIL_IMPORTED& info, int32_t nTarget, int nPosition, ZIL_IMPORT_ROWS* pRows,
                    std::vector<ZIL_IMPORT_FAILED>* pFailed = nullptr);

// "3 icons imported, 2 failed": the count an import that refused anything ends its log with.
std::string ZsImportCounts(int nImported, size_t nFailed);
// "'bad' from '/a/bad.ico' (not an icon)": one refused icon as the end message names it; a refused file
// without a name: "'/a/x.txt' (cannot be read)".
std::string ZsDescribeFailedImport(const ZIL_IMPORT_FAILED& failed);
// What the desktop program says after an import that refused anything: the counts, then one line for each
// of the first nMaxNamed refused icons and "and N more" for the rest. Empty when nothing was refused.
std::string ZsImportFailureMessage(int nImported, const std::vector<ZIL_IMPORT_FAILED>& failed,
                                   size_t nMaxNamed = 10);

// Imports the files into category nTarget at row nPosition (-1: append) inside one progress run, cutting
// pictures into tiles when nTileWidth and nTileHeight are both non-zero. Files of other kinds are passed
// over. nMode is the picture sizing (ZI_SIZING_*, or ZIL_SIZING_FROM_SETTINGS). On return pRows (may be
// null) holds the new rows as selection and caret, *pbCancel tells whether the user aborted and *pFailed
// lists the refused icons and files, which the log also counts at the end (ZsImportCounts). Returns the
// number of icons imported; those imported before an abort stay.
int ImportFileList(CZsIconLib& lib, const std::vector<std::filesystem::path>& files, int32_t nTarget,
                   int nPosition, int nTileWidth, int nTileHeight, int nMode, ZIL_IMPORT_ROWS* pRows,
                   bool* pbCancel = nullptr, std::vector<ZIL_IMPORT_FAILED>* pFailed = nullptr);

// The files to import for a list of files and folders: a file of a kind that is imported (ZI_GetSourceKind)
// stays as it is; a folder gives every file below it that matches the ";"-separated patterns, its own files
// first, then each subfolder's in turn. An input that gives nothing is refused with an error and the others
// are still gathered: "Can not read '%s'!" (neither a file nor a folder), "'%s' is not a kind of file that is
// imported!" and "There are no supported files in '%s'!" (a folder without a matching file). With pRefused
// each refused input is added there instead, with the reason and no name, and no error is shown. False
// when any input was refused.
bool ZsGatherImportFiles(const std::vector<std::filesystem::path>& inputs, std::string_view patterns,
                         std::vector<std::filesystem::path>& files,
                         std::vector<ZIL_IMPORT_FAILED>* pRefused = nullptr);

// The files to import for a drop: the dropped files (already matched against ZIL_DROP_PATTERNS) in their
// order, then every matching file below each dropped folder, its own files first, then each subfolder's in
// turn. A folder without such files adds nothing and is not reported.
std::vector<std::filesystem::path> ZsGatherDroppedFiles(std::vector<std::filesystem::path> files,
                                                        const std::vector<std::filesystem::path>& folders);

// A picture pasted or dropped on the icon list becomes a file to import: "Temp.png" in the temporary folder
// (replacing the one of an earlier paste), so that its icon is named "Temp". Empty, with an error line, when
// the picture is empty or the file cannot be written.
std::filesystem::path ZsWritePastedPicture(const CZsBitmap& picture);
