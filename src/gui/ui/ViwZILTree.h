// The left-hand pane of a library window: the category tree. Selecting a category makes the icon list show
// it. Categories are added, renamed, deleted, moved and copied here (by the menus, the clipboard and drag
// and drop), icons dropped from the icon list are put into categories, files and folders dropped from
// elsewhere are imported, whole disk directory trees are imported and exported, and icons are searched.
// Every change is one of the library's commands (ZsLibCmd.h, ZsDirTree.h, ZsImport.h); their rules decide
// what may be done, and this view only gathers the arguments and shows the result.
//
// Transfers: a category of this tree is moved or copied within it; icons dragged from the icon list of the
// same library are put into the category dropped on; anything else that offers a file list (files and
// folders from the desktop, a category or icons dragged from another library window, which offer their
// exported files) is imported into the category dropped on. A category dragged or copied out offers the
// files it exports to.
#pragma once

#include "gui/common/ZsDocument.h"
#include "gui/common/ZsTreeView.h"
#include "library/ZsCategoryTree.h"

class CDocZIL;
class CIconPane;
class CZsTreeModel;

class CViwZILTree : public CZsTreeView, public CZsView {
    Q_OBJECT
public:
    explicit CViwZILTree(QWidget* pParent = nullptr);
    ~CViwZILTree() override;

    CDocZIL* Doc() const;
    // Shows the document's tree and selects the first category below the first item.
    void OnInitialUpdate();
    void OnUpdate(CZsView* pSender, int nHint) override;
    CZsTreeModel* Model() const { return mpModel; }
    // The icon view beside the tree, which shows the selected category; none until the window joins them.
    void SetIconPane(CIconPane* pPane) { mpIconPane = pPane; }

    // Selects a category item (and shows it); the icon list follows.
    void SelectTreeItem(uint64_t item);
    ZsTreeItem SelectedTreeItem() const;

    uint64_t ItemKey(const QModelIndex& item) const override;
    QModelIndex ItemOfKey(uint64_t nKey) const override;
    // Also offers the files the category exports to.
    void PutItemData(const QModelIndex& item, bool bCut) override;
    int GetItemEffects(const QModelIndex& item) const override;
    bool CanDropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos) const override;
    bool DropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos) override;
    bool CanDropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos) const override;
    int DropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos, int nOffered,
                 int nMenuPositions) override;
    bool CanEditLabel(const QModelIndex& item) const override;
    void OnEndLabelEdit(const QModelIndex& item, const QString& sText) override;
    bool RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    bool PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) override;
    // Files are only ever copied in: wherever they come from keeps them.
    int OnDragOver(const QMimeData* pData, const QPoint& pt) override;

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

    // New Category, New Sibling Category Above and Below: "Untitled", selected, its label being edited.
    void OnLibNodeAdd(int nId);
    // Delete, after the question.
    void OnLibNodeDelete();
    // Find Icons: the dialog, then the search, then "Find Results" shown.
    void OnLibFind();
    // Import from and export to a disk directory tree, through a folder browser.
    void OnLibImpDirs();
    void OnLibExpDirs();

private:
    // What a transfer is to this tree: a category of its own, icons of its library's icon list, or anything
    // else, which is taken by its file list.
    enum class TRANSFER { CATEGORY, ICONS, FILES };
    TRANSFER KindOf(const QMimeData* pData) const;
    // Whether Cut, Copy, Paste and Delete are this tree's: not while the icon view has the focus.
    bool HasEditCommands() const;
    int DropIcons(const QMimeData* pData, const QModelIndex& target, int nOp, int nOffered,
                  int nMenuPositions);
    int DropFiles(const QMimeData* pData, const QModelIndex& target, int nOp, int nOffered,
                  int nMenuPositions);
    // Refills the icon list from its category and puts its caret on the row.
    void RefreshIconList(int nCaret);
    void OnCurrentChanged(const QModelIndex& current);

    CZsTreeModel* mpModel = nullptr;
    CIconPane* mpIconPane = nullptr;
};
