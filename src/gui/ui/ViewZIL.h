// The right-hand pane of a library window: the icons of the category on display as a multi-column list of
// pictures with optional name and format count, and beside it the image formats of the focused icon. It is
// the home of the icon and image commands that are not batches: delete, properties, editing in another
// program, the clipboard and drag and drop; the batches (import, export, merge, formats) have their own file.
#pragma once

#include <QWidget>
#include <filesystem>
#include <vector>

#include "gui/common/ZsDocument.h"
#include "gui/ui/IconListHost.h"
#include "gui/ui/IconPane.h"
#include "icon/ZsIcon.h"

class CDocZIL;
class CIconListModel;
class CImageListModel;
class CListBoxIcons;
class CListBoxImgs;
class CZsCmdRouter;
class QListView;

class CViewZIL : public QWidget, public CZsView, public CZsCmdTarget, public CIconPane, public CIconListHost {
    Q_OBJECT
public:
    explicit CViewZIL(QWidget* pParent = nullptr);

    CDocZIL* Doc() const override;
    // Hint 0 or less: the category on display changed, or anything may have; a positive hint is the id of
    // an icon that changed.
    void OnUpdate(CZsView* pSender, int nHint) override;
    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;
    // The router that double-clicks and the context menus go through.
    void SetRouter(CZsCmdRouter* pRouter) { mpRouter = pRouter; }

    // The display size command (33280 ... 33289) and whether names and format counts are shown; both are
    // stored as settings at every change.
    void SetDisplaySize(int nCmdId);
    int DisplaySizeCmd() const { return mnSizeCmd; }
    void SetInfoShown(bool bShown);
    bool IsInfoShown() const { return mbInfo; }
    // Rows that wrap at the list's width and scroll down, instead of columns that scroll sideways; stored as
    // a setting at every change.
    void SetRowsShown(bool bRows);
    bool IsRowsShown() const { return mbRows; }
    int ItemHeight() const;
    int ColumnWidth() const;

    int GetIconCount() const override;
    // Counted from the selection's ranges, so a selection of every row of a large list costs nothing.
    int GetSelectedCount() const override;
    // The selected rows in ascending order.
    std::vector<int> GetSelectedRows() const;
    int GetCaretRow() const override;
    // Makes the row the caret row, selected alone (-1 or a row outside the list: nothing selected).
    void SetCaretRow(int nRow) override;
    int32_t GetCaretIconId() const override;
    int GetImageRowCount() const override;
    int GetImageCaretRow() const;
    std::vector<int> GetSelectedImageRows() const;
    const CIcon& WorkingIcon() const override { return mWorkingIcon; }
    // The tooltip of a row (rich text): the icon's full name, its keywords and its formats.
    QString IconToolTip(int nRow) const;
    // Shows the image under the format list's caret in the preview, when this is the active library.
    void UpdatePreview();

    QListView* IconList() const { return mpIcons; }
    QListView* ImageList() const { return mpImages; }
    CIconListModel* IconModel() const { return mpIconModel; }
    CImageListModel* ImageModel() const { return mpImageModel; }
    // Whether the image-format list has the keyboard focus, so that the shared commands act on it.
    bool IsImageListFocused() const;
    // Whether another pane of the library window (the tree) has the focus, which then takes Cut, Copy, Paste
    // and Delete.
    bool IsOtherPaneFocused() const;
    bool HasFocusWithin() const override;
    bool IsIconListSource(const CZsDnD* pSource) const override;
    bool IsSiblingSource(const CZsDnD* pSource) const override;

    // Icon Information on the caret row's icon: name and keywords are stored on OK.
    void OnIconProperties();
    // Edits the caret row's icon in another program (CDlgEditWait).
    void OnIconEditAss();
    // Delete: asks whether to remove the selected icons from the category or delete them from the library.
    void OnIconDelete();

    // The format list's commands on the working icon; each change is stored at once.
    void OnImageCopy();
    void OnImageCut();
    void OnImagePaste();
    void OnImageDelete();

    // The context menu of one of the lists at the point (global coordinates); its commands go to that list.
    void ShowContextMenu(QListView* pList, const QPoint& ptGlobal) override;
    // Imports the files into the category on display at row nPosition (-1: append) under the progress
    // dialog, cutting pictures into tiles when both tile sizes are non-zero (a size in pixels, or minus a
    // count). The new rows end up selected, the first of them the caret row. Returns the icons imported.
    int ImportFileList(const std::vector<std::filesystem::path>& files, int nPosition, int nTileWidth = 0,
                       int nTileHeight = 0) override;
    // Shows the rows of the category on display as the store now lists them, selects the given rows and
    // makes nCaret (clamped to the list) the caret row.
    void ShowRows(const std::vector<int>& selected, int nCaret) override;

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    // ---- Batch commands (ViewZILBatch.cpp): import, export, strips and grids, merge, formats -----------
public:
    // ImportFileList and ShowRows are declared with the list commands above.

private:
    // The hook of OnCommand: true when the command is one of these.
    bool OnBatchCommand(int nId);
    void OnImportIcons();
    void OnImportDirectory();
    void OnImportGrid();
    void OnExportIcons();
    void OnExportGrid();
    void OnMergeIcons();
    void OnDeleteFormats();
    void OnNewImages();
    void OnExportImages();
    // The icons of the selected rows, in list order.
    std::vector<int32_t> GetSelectedIds() const;
    // ---- End of the batch commands ----------------------------------------------------------------------

private:
    void ApplyMetrics();
    // Loads the images of the caret row's icon, with the image caret at nImageRow (clamped).
    void LoadImages(int nImageRow = 0);
    // Shows the category's rows again, with the caret (alone selected) at nCaret.
    void ReloadRows(int nCaret);
    // Stores nothing itself: the icon nId changed in the store; the document is marked modified, its row
    // repainted and, when it is the working icon, the images reloaded with the image caret at nImageRow.
    void IconChanged(int32_t nId, int nImageRow);
    bool CanPasteImage() const;

    CListBoxIcons* mpIconBox;
    CListBoxImgs* mpImageBox;
    QListView* mpIcons;
    QListView* mpImages;
    CIconListModel* mpIconModel;
    CImageListModel* mpImageModel;
    CZsCmdRouter* mpRouter = nullptr;
    CIcon mWorkingIcon;
    int mnSizeCmd;
    bool mbInfo;
    bool mbRows;
    bool mbSettingsRead = false;
};
