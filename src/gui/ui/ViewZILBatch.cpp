// The batch commands of the icon list and the image-format list: importing files, folders and pictures cut
// into tiles, exporting icons, images and strips or grids, merging icons, and deleting and adding image
// formats. Each command gathers its choices in a dialog and runs the core operation that pictavo-cli runs
// too; the long ones report through the progress dialog.
#include <QItemSelection>
#include <QListView>
#include <algorithm>
#include <set>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/batch/DlgExpGrid.h"
#include "gui/batch/DlgIconExp.h"
#include "gui/batch/DlgIconFmts.h"
#include "gui/batch/DlgImpGrid.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/ListModels.h"
#include "gui/ui/ViewZIL.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"
#include "library/ZsExport.h"
#include "library/ZsGrid.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"
#include "library/ZsLibEdit.h"

namespace {

// The names an error box lists, one a line: the first few, then how many more there are (a batch of
// thousands may fail for every item, and a box with a line for each would not fit any screen).
std::string NameLines(const std::vector<std::string>& names) {
    constexpr size_t kShown = 10;
    std::string sList;
    for (size_t i = 0; i < names.size() && i < kShown; ++i) {
        sList += "\n" + names[i];
    }
    if (names.size() > kShown) {
        sList += ZsS(CViewZIL::tr("\n... and %1 more").arg(names.size() - kShown));
    }
    return sList;
}

// Files the export could not write, named in one error box.
void ReportUnwritten(const ZIL_EXPORT_RESULT& r) {
    std::vector<std::string> names;
    for (const std::filesystem::path& path : r.failed) {
        names.push_back(ZsPathToUtf8(path));
    }
    for (const std::string& sName : r.failedIcons) {
        names.push_back(ZsS(CViewZIL::tr("'%1' in %2").arg(ZsQ(sName), ZsQPath(r.library))));
    }
    if (!names.empty()) {
        ZsMsgBox(ZS_MB_ERROR, CViewZIL::tr("Can not write:%1").arg(ZsQ(NameLines(names))));
    }
    if (!r.unreadable.empty()) {
        ZsMsgBox(ZS_MB_ERROR, "%s.", ZsLeftOutIconsText(r.unreadable).c_str());
    }
}

// Icons a batch left as they were because their data could not be read or written.
void ReportFailedIcons(CDocZIL& doc, const ZIL_EDIT_RESULT& r) {
    std::vector<std::string> names;
    for (int32_t nId : r.failed) {
        names.push_back("'" + doc.GetIconName(nId) + "'");
    }
    if (!names.empty()) {
        ZsMsgBox(ZS_MB_ERROR,
                 CViewZIL::tr("These icons could not be read or written and were left as they were:%1")
                     .arg(ZsQ(NameLines(names))));
    }
}

}  // namespace

bool CViewZIL::OnBatchCommand(int nId) {
    switch (nId) {
        case ID_ICON_IMPORT:
            OnImportIcons();
            return true;
        case ID_ICON_IMP_DIR:
            OnImportDirectory();
            return true;
        case ID_ICON_IMP_GRID:
            OnImportGrid();
            return true;
        case ID_ICON_EXPORT:
            OnExportIcons();
            return true;
        case ID_ICON_EXP_GRID:
            OnExportGrid();
            return true;
        case ID_ICON_MERGE:
            OnMergeIcons();
            return true;
        case ID_ICON_DEL_FMTS:
            OnDeleteFormats();
            return true;
        case ID_IMG_NEW:
            OnNewImages();
            return true;
        case ID_IMG_EXPORT:
            OnExportImages();
            return true;
        default:
            return false;
    }
}

std::vector<int32_t> CViewZIL::GetSelectedIds() const {
    std::vector<int32_t> ids;
    const std::vector<int32_t>& all = mpIconModel->Ids();
    for (int nRow : GetSelectedRows()) {
        ids.push_back(all[static_cast<size_t>(nRow)]);
    }
    return ids;
}

void CViewZIL::ShowRows(const std::vector<int>& selected, int nCaret) {
    CDocZIL* pDoc = Doc();
    ZIL_LIST ids;
    if (pDoc && pDoc->mnCurNode != 0) {
        pDoc->NodeToList(pDoc->mnCurNode, ids);
    }
    const int nCount = static_cast<int>(ids.size());
    mpIconModel->SetIds(std::move(ids));
    // One range for each run of neighbouring rows: every range costs each later look at the selection
    // (painting a cell, the idle-time enabling) its time, and a batch selects thousands of rows.
    const std::vector<int> rows = ZsCleanRows(selected, static_cast<size_t>(nCount));
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        size_t nLast = i;
        while (nLast + 1 < rows.size() && rows[nLast + 1] == rows[nLast] + 1) {
            ++nLast;
        }
        selection.select(mpIconModel->index(rows[i]), mpIconModel->index(rows[nLast]));
        i = nLast + 1;
    }
    QItemSelectionModel* pSelection = mpIcons->selectionModel();
    pSelection->select(selection, QItemSelectionModel::ClearAndSelect);
    if (nCount == 0) {
        LoadImages();
    } else {
        const QModelIndex caret = mpIconModel->index(std::clamp(nCaret, 0, nCount - 1));
        pSelection->setCurrentIndex(caret, QItemSelectionModel::NoUpdate);
        mpIcons->scrollTo(caret);
    }
    if (pDoc) {
        // The tree shows the new counts.
        pDoc->UpdateAllViews(this, 0);
    }
}

int CViewZIL::ImportFileList(const std::vector<std::filesystem::path>& files, int nPosition, int nTileWidth,
                             int nTileHeight) {
    CDocZIL* pDoc = Doc();
    if (!pDoc || files.empty()) {
        return 0;
    }
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = pDoc->mnCurNode;
    rows.ids = mpIconModel->Ids();
    mpIcons->setUpdatesEnabled(false);
    std::vector<ZIL_IMPORT_FAILED> failed;
    const int n = ::ImportFileList(*pDoc, files, pDoc->mnCurNode, nPosition, nTileWidth, nTileHeight,
                                   ZIL_SIZING_FROM_SETTINGS, &rows, nullptr, &failed);
    if (n > 0) {
        pDoc->SetModifiedFlag(true);
        ShowRows(rows.selected, rows.nCaret);
    }
    mpIcons->setUpdatesEnabled(true);
    if (!failed.empty()) {
        ZsMsgBox(ZS_MB_ERROR, "%s", ZsImportFailureMessage(n, failed).c_str());
    }
    return n;
}

void CViewZIL::OnImportIcons() {
    int nFilter = ZS_IMP_ICON_FLTR_IDX.Get();
    std::filesystem::path folder = ZsPathFromUtf8(ZS_IMP_ICON_INIT_DIR.Get());
    std::vector<std::filesystem::path> files;
    if (!ZsOpenFilesDialog(this, ZsImportFilesFilter(), &nFilter, &folder, files, tr("Import Icons"))) {
        return;
    }
    ZS_IMP_ICON_FLTR_IDX.Set(nFilter);
    ZS_IMP_ICON_INIT_DIR.Set(ZsPathToUtf8(folder));
    ImportFileList(files, GetCaretRow());
}

void CViewZIL::OnImportDirectory() {
    const std::filesystem::path folder = ZsBrowseFolder(this, ZsPathFromUtf8(ZS_IMP_DIR_INIT_DIR.Get()),
                                                        tr("Import Icons from Disk Directory"));
    if (folder.empty()) {
        return;
    }
    ZS_IMP_DIR_INIT_DIR.Set(ZsPathToUtf8(folder));
    // A folder without a matching file has been named in a message already.
    std::vector<std::filesystem::path> files;
    ZsGatherImportFiles({folder}, ZS_OPT_IMP_EXTS.Get(), files);
    ImportFileList(files, GetCaretRow());
}

void CViewZIL::OnImportGrid() {
    int nFilter = ZS_IMP_GRID_FLTR_IDX.Get();
    std::filesystem::path folder = ZsPathFromUtf8(ZS_IMP_GRID_INIT_DIR.Get());
    std::vector<std::filesystem::path> files;
    if (!ZsOpenFilesDialog(this, ZsPictureFilesFilter(), &nFilter, &folder, files,
                           tr("Import Icons from Image Strips/Grids"))) {
        return;
    }
    ZS_IMP_GRID_FLTR_IDX.Set(nFilter);
    ZS_IMP_GRID_INIT_DIR.Set(ZsPathToUtf8(folder));
    CDlgImpGrid dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    ImportFileList(files, GetCaretRow(), dialog.TileWidth(), dialog.TileHeight());
}

void CViewZIL::OnExportIcons() {
    CDocZIL* pDoc = Doc();
    const std::vector<int32_t> ids = GetSelectedIds();
    if (!pDoc || ids.empty()) {
        return;
    }
    CDlgIconExp dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    BeginProgress();
    const ZIL_EXPORT_RESULT r = ExportIcons(*pDoc, ids, dialog.Options(), ZsExportLibraryTitle(*pDoc));
    EndProgress();
    ReportUnwritten(r);
}

void CViewZIL::OnExportGrid() {
    CDocZIL* pDoc = Doc();
    const std::vector<int32_t> ids = GetSelectedIds();
    if (!pDoc || ids.empty()) {
        return;
    }
    CDlgExpGrid dialog(static_cast<int>(ids.size()), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    int nFilter = ZS_EXP_GRID_FLTR_IDX.Get();
    const std::filesystem::path initial =
        ZsGridExportDefaultPath(ZsPathFromUtf8(ZS_EXP_GRID_INIT_DIR.Get()), nFilter);
    const std::filesystem::path path =
        ZsSaveFileDialog(this, ZsGridExportFilter(), ZsGetPathExt(ZsPathToUtf8(initial)), initial, &nFilter,
                         tr("Export Icons to Image Strip/Grid"));
    if (path.empty()) {
        return;
    }
    ZS_EXP_GRID_FLTR_IDX.Set(nFilter);
    ZS_EXP_GRID_INIT_DIR.Set(ZsPathToUtf8(path.parent_path() / ""));
    std::string sError;
    if (!ZsExportGrid(*pDoc, ids, dialog.Grid(), path, nFilter, &sError)) {
        ZsMsgBox(ZS_MB_ERROR, "%s", sError.c_str());
    }
}

void CViewZIL::OnMergeIcons() {
    CDocZIL* pDoc = Doc();
    const std::vector<int> rows = GetSelectedRows();
    if (!pDoc || !ZsCheckMergeIcons(*pDoc, pDoc->mnCurNode, rows).Ok()) {
        return;
    }
    mpIcons->setUpdatesEnabled(false);
    const ZIL_EDIT_RESULT r = ZsMergeIcons(*pDoc, pDoc->mnCurNode, rows);
    if (r.nStatus != ZIL_EDIT_DECLINED) {
        if (r.nChanged > 0 || r.nDeleted > 0) {
            pDoc->SetModifiedFlag(true);
        }
        ShowRows(r.rows, r.nCaret);
    }
    mpIcons->setUpdatesEnabled(true);
    ReportFailedIcons(*pDoc, r);
}

void CViewZIL::OnDeleteFormats() {
    CDocZIL* pDoc = Doc();
    const std::vector<int> rows = GetSelectedRows();
    if (!pDoc || rows.empty()) {
        return;
    }
    CDlgDelFmts dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const int nCaret = GetCaretRow();
    const std::vector<int32_t> chosen = GetSelectedIds();
    mpIcons->setUpdatesEnabled(false);
    const ZIL_EDIT_RESULT r = ZsDeleteFormats(*pDoc, pDoc->mnCurNode, rows, dialog.Desired(),
                                              dialog.IsExcept(), dialog.IsKeepLargest());
    if (r.nChanged > 0 || r.nDeleted > 0) {
        pDoc->SetModifiedFlag(true);
        // The icons that stay keep their selection; the caret stays on its row.
        ZIL_LIST ids;
        pDoc->NodeToList(pDoc->mnCurNode, ids);
        const std::set<int32_t> kept(chosen.begin(), chosen.end());
        std::vector<int> selected;
        for (size_t i = 0; i < ids.size(); ++i) {
            if (kept.count(ids[i])) {
                selected.push_back(static_cast<int>(i));
            }
        }
        ShowRows(selected, nCaret);
    }
    mpIcons->setUpdatesEnabled(true);
    ReportFailedIcons(*pDoc, r);
}

void CViewZIL::OnNewImages() {
    CDocZIL* pDoc = Doc();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || nId == 0) {
        return;
    }
    CDlgNewFmts dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    CIcon icon = mWorkingIcon;
    const int nImageRow = mpImages->currentIndex().row();
    const int nSource = dialog.IsBasedOnSelection() && nImageRow >= 0 ? nImageRow : -1;
    std::vector<int> added;
    if (ZI_NewFormats(icon, dialog.Desired(), nSource, &added) == 0) {
        return;
    }
    pDoc->SetIcon(nId, icon);
    pDoc->SetModifiedFlag(true);
    // Repaints the icon's row and shows its new images.
    pDoc->UpdateAllViews(nullptr, nId);
    const QModelIndex last = mpImageModel->index(added.back());
    if (last.isValid()) {
        mpImages->selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
        mpImages->scrollTo(last);
    }
}

void CViewZIL::OnExportImages() {
    CDocZIL* pDoc = Doc();
    const std::vector<int> images = GetSelectedImageRows();
    const int32_t nId = GetCaretIconId();
    if (!pDoc || images.empty() || nId == 0) {
        return;
    }
    CDlgImgExp dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const ZIL_EXPORT_OPTIONS& options = dialog.Options();
    ZIL_EXPORT_RESULT r;
    ExportImages(mWorkingIcon, images, pDoc->GetIconName(nId), options.nType, options.folder, options.bEach,
                 &r.failed);
    ReportUnwritten(r);
}
