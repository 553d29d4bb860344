// The right-hand pane of a library window: the icons of the category on display as a multi-column list of
// pictures with optional name and format count, and beside it the image formats of the focused icon. The
// list decodes only the icons it paints.
#pragma once

#include <QAbstractListModel>
#include <QWidget>
#include <filesystem>
#include <vector>

#include "gui/common/ZsDocument.h"
#include "icon/ZsIcon.h"

class CDocZIL;
class QListView;

// The ids of the icons on display, one row each.
class CIconListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void SetIds(std::vector<int32_t> ids);
    const std::vector<int32_t>& Ids() const { return mIds; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    void RefreshId(int32_t nId);

private:
    std::vector<int32_t> mIds;
};

// The images of the working icon, one row each.
class CImageListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void SetIcon(const CIcon* pIcon);
    const CIcon* Icon() const { return mpIcon; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;

private:
    const CIcon* mpIcon = nullptr;
};

class CViewZIL : public QWidget, public CZsView, public CZsCmdTarget {
    Q_OBJECT
public:
    explicit CViewZIL(QWidget* pParent = nullptr);

    CDocZIL* Doc() const;
    void OnUpdate(CZsView* pSender, int nHint) override;
    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

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

    int GetIconCount() const;
    int GetSelectedCount() const;
    int GetCaretRow() const;
    void SetCaretRow(int nRow);
    int32_t GetCaretIconId() const;
    int GetImageRowCount() const;
    const CIcon& WorkingIcon() const { return mWorkingIcon; }
    // The tooltip of a row (rich text): the icon's full name, its keywords and its formats.
    QString IconToolTip(int nRow) const;
    // Shows the image under the format list's caret in the preview, when this is the active library.
    void UpdatePreview();

    QListView* IconList() const { return mpIcons; }
    QListView* ImageList() const { return mpImages; }

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

    // ---- Batch commands (ViewZILBatch.cpp): import, export, strips and grids, merge, formats -----------
public:
    // Imports the files into the category on display at row nPosition (-1: append) under the progress
    // dialog, cutting pictures into tiles when both tile sizes are non-zero (a size in pixels, or minus a
    // count). The new rows end up selected, the first of them the caret row. Returns the icons imported.
    int ImportFileList(const std::vector<std::filesystem::path>& files, int nPosition, int nTileWidth = 0,
                       int nTileHeight = 0);
    // The selected rows of the icon list, and of the image-format list, in ascending order.
    std::vector<int> GetSelectedRows() const;
    std::vector<int> GetSelectedImageRows() const;

private:
    // The hooks of OnCommand and OnUpdateCommand: true when the command is one of these.
    bool OnBatchCommand(int nId);
    bool OnUpdateBatchCommand(CZsCmdUI& ui);
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
    // Shows the rows of the category on display as the store now lists them, selects the given rows and
    // makes nCaret (clamped to the list) the caret row.
    void ShowRows(const std::vector<int>& selected, int nCaret);
    // ---- End of the batch commands ----------------------------------------------------------------------

private:
    void ApplyMetrics();
    void LoadImages();

    QListView* mpIcons;
    QListView* mpImages;
    CIconListModel* mpIconModel;
    CImageListModel* mpImageModel;
    CIcon mWorkingIcon;
    int mnSizeCmd;
    bool mbInfo;
    bool mbRows;
    bool mbSettingsRead = false;
};
