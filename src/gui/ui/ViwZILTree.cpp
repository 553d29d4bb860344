#include "gui/ui/ViwZILTree.h"

#include <QHeaderView>
#include <QListView>
#include <QTimer>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgIconFind.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/IconPane.h"
#include "gui/ui/ListBoxes.h"
#include "gui/ui/ZsTreeModel.h"
#include "library/ZsDirTree.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"

// The drop operations and places of the window are the library's.
static_assert(int(ZS_OP_COPY) == int(ZIL_OP_COPY) && int(ZS_OP_MOVE) == int(ZIL_OP_MOVE));
static_assert(int(ZS_POS_CHILD) == int(ZIL_POS_CHILD) && int(ZS_POS_ABOVE) == int(ZIL_POS_ABOVE) &&
              int(ZS_POS_BELOW) == int(ZIL_POS_BELOW));

namespace {

const std::pair<int, const char*> kContextMenu[] = {
    {ID_LIB_NODE_ADD, QT_TRANSLATE_NOOP("CViwZILTree", "New &Category")},
    {ID_LIB_NODE_ADD_ABOVE, QT_TRANSLATE_NOOP("CViwZILTree", "New Sibling Category &Above")},
    {ID_LIB_NODE_ADD_BELOW, QT_TRANSLATE_NOOP("CViwZILTree", "New Sibling Category &Below")},
    {0, nullptr},
    {ID_EDIT_CUT, QT_TRANSLATE_NOOP("CViwZILTree", "Cu&t\tCtrl+X")},
    {ID_EDIT_COPY, QT_TRANSLATE_NOOP("CViwZILTree", "&Copy\tCtrl+C")},
    {ID_EDIT_PASTE, QT_TRANSLATE_NOOP("CViwZILTree", "&Paste\tCtrl+V")},
    {ID_EDIT_CLEAR, QT_TRANSLATE_NOOP("CViwZILTree", "De&lete...\tDel")},
    {0, nullptr},
    {ID_LIB_IMP_DIRS, QT_TRANSLATE_NOOP("CViwZILTree", "&Import from Disk Directory Tree...")},
    {ID_LIB_EXP_DIRS, QT_TRANSLATE_NOOP("CViwZILTree", "&Export to Disk Directory Tree...")},
    {0, nullptr},
    {ID_EDIT_RENAME, QT_TRANSLATE_NOOP("CViwZILTree", "&Rename\tF2")},
    {0, nullptr},
    {ID_EDIT_FIND, QT_TRANSLATE_NOOP("CViwZILTree", "&Find Icons...\tCtrl+F")},
};

int PositionOf(int nCmdId) {
    switch (nCmdId) {
        case ID_LIB_NODE_ADD_ABOVE:
            return ZIL_POS_ABOVE;
        case ID_LIB_NODE_ADD_BELOW:
            return ZIL_POS_BELOW;
        default:
            return ZIL_POS_CHILD;
    }
}

// Whether each item of a subtree is expanded, in pre-order, so that a moved or copied subtree opens as its
// source did.
std::vector<bool> ExpandedStates(const QTreeView* pView, const QModelIndex& top) {
    std::vector<bool> states;
    std::vector<QModelIndex> pending{top};
    while (!pending.empty()) {
        const QModelIndex index = pending.back();
        pending.pop_back();
        states.push_back(pView->isExpanded(index));
        for (int nRow = pView->model()->rowCount(index) - 1; nRow >= 0; --nRow) {
            pending.push_back(pView->model()->index(nRow, 0, index));
        }
    }
    return states;
}

void RestoreExpanded(QTreeView* pView, const QModelIndex& top, const std::vector<bool>& states) {
    std::vector<QModelIndex> pending{top};
    for (size_t i = 0; i < states.size() && !pending.empty(); ++i) {
        const QModelIndex index = pending.back();
        pending.pop_back();
        pView->setExpanded(index, states[i]);
        for (int nRow = pView->model()->rowCount(index) - 1; nRow >= 0; --nRow) {
            pending.push_back(pView->model()->index(nRow, 0, index));
        }
    }
}

// The folder browser starting in the folder the setting remembers; the chosen folder is remembered. Empty
// when cancelled.
std::filesystem::path BrowseFolder(QWidget* pParent, const CZsTextSetting& setting, const QString& sTitle) {
    const std::filesystem::path folder = ZsBrowseFolder(pParent, ZsPathFromUtf8(setting.Get()), sTitle);
    if (!folder.empty()) {
        setting.Set(ZsPathToUtf8(folder));
    }
    return folder;
}

// A right-button drop of icons or files on a category asks whether to move or copy them into it; false for
// "Cancel". The choice is written back into nOp.
bool AskDropIntoCategory(QWidget* pWindow, int& nOp, int nOffered) {
    int nPos = ZS_POS_CHILD;
    return ZsDropMenu(pWindow, nOp, nPos, nOffered, ZS_POS_CHILD, {true, true, true, true, true, true}) !=
           ZS_OP_NONE;
}

}  // namespace

CViwZILTree::CViwZILTree(QWidget* pParent) : CZsTreeView(pParent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    // Long titles are shown whole; the pane scrolls sideways for them.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    // A title is stored in the file with at most this many characters.
    SetLabelLimit(static_cast<int>(ZIL_TITLE_UNITS) - 1);
    std::vector<std::pair<int, QString>> menu;
    for (const auto& [nId, pszText] : kContextMenu) {
        menu.emplace_back(nId, pszText ? tr(pszText) : QString());
    }
    SetContextMenu(std::move(menu));
    EnableDnD(true, true, true);
}

CViwZILTree::~CViwZILTree() {
    setModel(nullptr);
    delete mpModel;
}

CDocZIL* CViwZILTree::Doc() const {
    return static_cast<CDocZIL*>(GetDocument());
}

void CViwZILTree::OnInitialUpdate() {
    CDocZIL* pDoc = Doc();
    if (!pDoc) {
        errno = 0;
        ZS_LOG_ERR("CViwZILTree::OnInitialUpdate", "mpDoc=NULL");
        return;
    }
    if (!mpModel) {
        mpModel = new CZsTreeModel(&pDoc->Tree());
        const std::vector<QIcon> images = ZsLoadStripIcons(ZsGetAppDir() / "Images" / "IDR_TREE.png");
        mpModel->SetImages(images);
        setModel(mpModel);
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { OnCurrentChanged(current); });
        connect(mpModel, &CZsTreeModel::treeSelectionChanged, this, [this](ZsTreeItem item) {
            const QModelIndex index = mpModel->IndexOf(item);
            if (index != currentIndex()) {
                setCurrentIndex(index);
            }
        });
    }
    expandAll();
    const CZsCategoryTree& tree = pDoc->Tree();
    const ZsTreeItem first = tree.GetChildItem(tree.GetRootItem());
    SelectTreeItem(first != ZS_TI_NONE ? first : tree.GetRootItem());
}

void CViwZILTree::OnUpdate(CZsView*, int) {
    viewport()->update();
}

void CViwZILTree::SelectTreeItem(uint64_t item) {
    if (mpModel) {
        SelectItem(mpModel->IndexOf(item));
    }
}

ZsTreeItem CViwZILTree::SelectedTreeItem() const {
    return CZsTreeModel::ItemOf(currentIndex());
}

void CViwZILTree::OnCurrentChanged(const QModelIndex& current) {
    CDocZIL* pDoc = Doc();
    if (!pDoc) {
        return;
    }
    const ZsTreeItem item = CZsTreeModel::ItemOf(current);
    if (pDoc->Tree().GetSelectedItem() != item) {
        pDoc->Tree().SelectItem(item);
    }
    pDoc->mnCurNode = item == ZS_TI_NONE ? 0 : pDoc->Tree().GetItemData(item);
    pDoc->UpdateAllViews(this, 0);
}

bool CViwZILTree::HasEditCommands() const {
    return !(mpIconPane && mpIconPane->HasFocusWithin());
}

void CViwZILTree::RefreshIconList(int nCaret) {
    CDocZIL* pDoc = Doc();
    pDoc->UpdateAllViews(this, 0);
    if (mpIconPane && nCaret >= 0) {
        mpIconPane->SetCaretRow(nCaret);
    }
}

// ---- Transfers --------------------------------------------------------------------------------------------

uint64_t CViwZILTree::ItemKey(const QModelIndex& item) const {
    return CZsTreeModel::ItemOf(item);
}

QModelIndex CViwZILTree::ItemOfKey(uint64_t nKey) const {
    return mpModel ? mpModel->IndexOf(nKey) : QModelIndex();
}

void CViwZILTree::PutItemData(const QModelIndex& item, bool bCut) {
    CZsTreeView::PutItemData(item, bCut);
    DelayRenderFiles();
}

int CViwZILTree::GetItemEffects(const QModelIndex& item) const {
    return Doc() ? ZsCategoryEffects(*Doc(), CZsTreeModel::ItemOf(item)) : ZS_OP_NONE;
}

bool CViwZILTree::CanDropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos) const {
    if (!Doc()) {
        return false;
    }
    ZIL_DROP_CATEGORY_OPTIONS options;
    options.nOp = nOp;
    options.nPosition = nPos;
    return ZsCheckDropCategory(*Doc(), CZsTreeModel::ItemOf(source), CZsTreeModel::ItemOf(target), options)
        .Ok();
}

bool CViwZILTree::DropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos) {
    CDocZIL* pDoc = Doc();
    if (!pDoc) {
        return false;
    }
    const std::vector<bool> expanded = ExpandedStates(this, source);
    ZIL_DROP_CATEGORY_OPTIONS options;
    options.nOp = nOp;
    options.nPosition = nPos;
    const ZIL_CATEGORY_RESULT r =
        ZsDropCategory(*pDoc, CZsTreeModel::ItemOf(source), CZsTreeModel::ItemOf(target), options);
    if (!r.Ok()) {
        return false;
    }
    RestoreExpanded(this, mpModel->IndexOf(r.item), expanded);
    SelectTreeItem(r.item);
    pDoc->SetModifiedFlag();
    return true;
}

CViwZILTree::TRANSFER CViwZILTree::KindOf(const QMimeData* pData) const {
    const CZsDnD* pSource = ZsGetDnDSource(pData);
    if (pSource && pSource == this) {
        return TRANSFER::CATEGORY;
    }
    if (mpIconPane && mpIconPane->IsIconListSource(pSource)) {
        return TRANSFER::ICONS;
    }
    return TRANSFER::FILES;
}

bool CViwZILTree::CanDropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos) const {
    CDocZIL* pDoc = Doc();
    if (!pDoc || !target.isValid()) {
        return false;
    }
    const int32_t nTarget = pDoc->Tree().GetItemData(CZsTreeModel::ItemOf(target));
    switch (KindOf(pData)) {
        case TRANSFER::CATEGORY:
            return CZsTreeView::CanDropData(pData, target, nOp, nPos);
        case TRANSFER::ICONS: {
            std::vector<ZS_DND_ITEM> items;
            ZIL_PUT_ICONS_OPTIONS options;
            options.nOp = (nOp & ZS_OP_MOVE) ? ZIL_OP_MOVE : ZIL_OP_COPY;
            return (nPos & ZS_POS_CHILD) && ZsGetDnDItems(pData, nullptr, &items) && !items.empty() &&
                   ZsCheckPutIcons(*pDoc, nTarget, pDoc->mnCurNode, options).Ok();
        }
        case TRANSFER::FILES:
            return (nPos & ZS_POS_CHILD) && ZsHasFormat(pData, ZS_FILES_MIME) &&
                   ZsCheckImportTarget(*pDoc, nTarget).Ok();
    }
    return false;
}

int CViwZILTree::DropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos, int nOffered,
                          int nMenuPositions) {
    if (!Doc() || !target.isValid()) {
        return ZS_OP_NONE;
    }
    switch (KindOf(pData)) {
        case TRANSFER::CATEGORY:
            return CZsTreeView::DropData(pData, target, nOp, nPos, nOffered, nMenuPositions);
        case TRANSFER::ICONS:
            return DropIcons(pData, target, nOp, nOffered, nMenuPositions);
        case TRANSFER::FILES:
            return DropFiles(pData, target, nOp, nOffered, nMenuPositions);
    }
    return ZS_OP_NONE;
}

int CViwZILTree::DropIcons(const QMimeData* pData, const QModelIndex& target, int nOp, int nOffered,
                           int nMenuPositions) {
    CDocZIL* pDoc = Doc();
    std::vector<ZS_DND_ITEM> items;
    if (!ZsGetDnDItems(pData, nullptr, &items)) {
        return ZS_OP_NONE;
    }
    if (nMenuPositions && !AskDropIntoCategory(this, nOp, nOffered)) {
        return ZS_OP_NONE;
    }
    // The rows are those the list showed when the drag started; a row that holds another icon by now is
    // left out.
    const int32_t nSource = pDoc->mnCurNode;
    const std::vector<int> rows = ZsRowsStillHeld(pDoc->GetList(nSource), ZsRowIconsOf(items));
    ZIL_PUT_ICONS_OPTIONS options;
    options.nOp = (nOp & ZS_OP_MOVE) ? ZIL_OP_MOVE : ZIL_OP_COPY;
    options.nCaret = mpIconPane ? mpIconPane->GetCaretRow() : -1;
    const ZIL_ICONS_RESULT r =
        ZsPutIcons(*pDoc, pDoc->Tree().GetItemData(CZsTreeModel::ItemOf(target)), nSource, rows, options);
    if (!r.Ok()) {
        return ZS_OP_NONE;
    }
    pDoc->SetModifiedFlag();
    if (options.nOp == ZIL_OP_MOVE && nSource != ZIL_ID_ALL) {
        RefreshIconList(r.nCaret);
    }
    return options.nOp;
}

int CViwZILTree::DropFiles(const QMimeData* pData, const QModelIndex& target, int nOp, int nOffered,
                           int nMenuPositions) {
    CDocZIL* pDoc = Doc();
    std::vector<std::filesystem::path> dirs;
    std::vector<std::filesystem::path> files;
    if (!ZsGetDroppedFiles(pData, &dirs, &files, ZIL_DROP_PATTERNS) || (dirs.empty() && files.empty())) {
        return ZS_OP_NONE;
    }
    if (nMenuPositions && !AskDropIntoCategory(this, nOp, nOffered)) {
        return ZS_OP_NONE;
    }
    const ZsTreeItem targetItem = CZsTreeModel::ItemOf(target);
    const int32_t nTarget = pDoc->Tree().GetItemData(targetItem);
    ZIL_IMPORT_ROWS rows;
    rows.nCurNode = pDoc->mnCurNode;
    if (rows.nCurNode != 0) {
        pDoc->NodeToList(rows.nCurNode, rows.ids);
    }
    int nIcons = 0;
    bool bCancel = false;
    const ZsTreeItem last = ImportDroppedFiles(
        *pDoc, targetItem, dirs, files, ZIL_DIR_IMPORT_OPTIONS::FromSettings(), &rows, &nIcons, &bCancel);
    if (dirs.empty() && nIcons == 0) {
        return ZS_OP_NONE;
    }
    pDoc->SetModifiedFlag();
    if (last != ZS_TI_NONE) {
        SelectTreeItem(last);
        expand(currentIndex());
    } else if (rows.nCurNode == nTarget || rows.nCurNode == ZIL_ID_ALL) {
        // "My Icons" lists every new icon too.
        RefreshIconList(rows.nCurNode == nTarget ? rows.nCaret : -1);
    }
    // The files stay where they came from.
    return ZS_OP_COPY;
}

int CViwZILTree::OnDragOver(const QMimeData* pData, const QPoint& pt) {
    const int nOps = CZsTreeView::OnDragOver(pData, pt);
    return nOps != ZS_OP_NONE && KindOf(pData) == TRANSFER::FILES ? ZS_OP_COPY : nOps;
}

bool CViwZILTree::CanEditLabel(const QModelIndex& item) const {
    return Doc() && ZsCheckRenameCategory(*Doc(), CZsTreeModel::ItemOf(item)).Ok();
}

void CViwZILTree::OnEndLabelEdit(const QModelIndex& item, const QString& sText) {
    CDocZIL* pDoc = Doc();
    const ZsTreeItem treeItem = CZsTreeModel::ItemOf(item);
    if (!pDoc || pDoc->Tree().GetItemText(treeItem) == ZsS(sText)) {
        return;
    }
    ZIL_RENAME_CATEGORY_OPTIONS options;
    options.sTitle = ZsS(sText);
    const ZIL_CATEGORY_RESULT r = ZsRenameCategory(*pDoc, treeItem, options);
    if (r.Ok()) {
        pDoc->SetModifiedFlag();
        return;
    }
    // The editor is still closing: the reason is shown once it has gone, and the old title stays.
    QTimer::singleShot(0, this, [sReason = r.sRefusal] { ZsMsgBox(ZS_MB_ERROR, "%s", sReason.c_str()); });
}

bool CViwZILTree::RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    CDocZIL* pDoc = Doc();
    const ZsTreeItem item = transfer.Payload();
    if (!pDoc || !pDoc->Tree().Exists(item)) {
        return false;
    }
    const std::vector<std::filesystem::path>& planned = transfer.PlannedFiles();
    const std::filesystem::path folder = ZsRenderCategoryFiles(
        *pDoc, item, ZsGetTempDir(), planned.empty() ? std::filesystem::path() : planned[0]);
    if (folder.empty()) {
        return false;
    }
    files.push_back(folder);
    return true;
}

bool CViwZILTree::PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files) {
    CDocZIL* pDoc = Doc();
    const std::filesystem::path folder =
        pDoc ? ZsPlanCategoryFiles(*pDoc, transfer.Payload(), ZsGetTempDir()) : std::filesystem::path();
    if (folder.empty()) {
        return false;
    }
    files.push_back(folder);
    return true;
}

// ---- Commands ---------------------------------------------------------------------------------------------

bool CViwZILTree::OnCommand(int nId) {
    const bool bShared =
        nId == ID_EDIT_CUT || nId == ID_EDIT_COPY || nId == ID_EDIT_PASTE || nId == ID_EDIT_CLEAR;
    if (!Doc() || (bShared && !IsEditingLabel() && !HasEditCommands())) {
        return false;
    }
    if (CZsTreeView::OnCommand(nId)) {
        return true;
    }
    switch (nId) {
        case ID_LIB_NODE_ADD:
        case ID_LIB_NODE_ADD_ABOVE:
        case ID_LIB_NODE_ADD_BELOW:
            OnLibNodeAdd(nId);
            return true;
        case ID_EDIT_CLEAR:
            OnLibNodeDelete();
            return true;
        case ID_EDIT_FIND:
            OnLibFind();
            return true;
        case ID_LIB_IMP_DIRS:
            OnLibImpDirs();
            return true;
        case ID_LIB_EXP_DIRS:
            OnLibExpDirs();
            return true;
        default:
            return false;
    }
}

bool CViwZILTree::OnUpdateCommand(CZsCmdUI& ui) {
    const int nId = ui.Id();
    const bool bShared =
        nId == ID_EDIT_CUT || nId == ID_EDIT_COPY || nId == ID_EDIT_PASTE || nId == ID_EDIT_CLEAR;
    CDocZIL* pDoc = Doc();
    if (!pDoc || (bShared && !IsEditingLabel() && !HasEditCommands())) {
        return false;
    }
    if (CZsTreeView::OnUpdateCommand(ui)) {
        return true;
    }
    const ZsTreeItem selected = SelectedTreeItem();
    switch (nId) {
        case ID_LIB_NODE_ADD:
        case ID_LIB_NODE_ADD_ABOVE:
        case ID_LIB_NODE_ADD_BELOW:
        case ID_LIB_IMP_DIRS:
            ui.Enable(ZsCheckNewCategory(*pDoc, selected, PositionOf(nId)).Ok());
            return true;
        case ID_EDIT_CLEAR:
            ui.Enable(ZsCheckDeleteCategory(*pDoc, selected).Ok());
            return true;
        case ID_EDIT_FIND:
            ui.Enable();
            return true;
        case ID_LIB_EXP_DIRS:
            ui.Enable(selected != ZS_TI_NONE);
            return true;
        default:
            return false;
    }
}

void CViwZILTree::OnLibNodeAdd(int nId) {
    CDocZIL* pDoc = Doc();
    const ZsTreeItem selected = SelectedTreeItem();
    if (selected == ZS_TI_NONE) {
        errno = 0;
        ZS_LOG_ERR("CViwZILTree::OnLibNodeAdd", "GetSelectedItem is NULL");
        return;
    }
    ZIL_NEW_CATEGORY_OPTIONS options;
    options.nPosition = PositionOf(nId);
    const ZIL_CATEGORY_RESULT r = ZsNewCategory(*pDoc, selected, options);
    if (!r.Ok()) {
        return;
    }
    SelectTreeItem(r.item);
    pDoc->SetModifiedFlag();
    StartLabelEdit();
}

void CViwZILTree::OnLibNodeDelete() {
    CDocZIL* pDoc = Doc();
    const ZIL_CATEGORY_RESULT r = ZsDeleteCategory(*pDoc, SelectedTreeItem());
    if (!r.Ok() || r.bDeclined) {
        return;
    }
    SelectTreeItem(r.item);
    pDoc->SetModifiedFlag();
}

void CViwZILTree::OnLibFind() {
    CDocZIL* pDoc = Doc();
    CDlgIconFind dialog(this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::vector<int32_t> scope = pDoc->GetFindScope(SelectedTreeItem(), dialog.Scope());
    if (!pDoc->FindIcons(dialog.Text(), scope, dialog.IsCaseSensitive(), dialog.IsWholeWord(),
                         dialog.IsRegEx(), dialog.IsInNames(), dialog.IsInKeywords())) {
        ZsMsgBox(ZS_MB_ERROR, tr("Incorrect regular expression!"));
    }
    const ZsTreeItem results = pDoc->Tree().FindItem(ZIL_ID_FIND);
    if (results == ZS_TI_NONE) {
        errno = 0;
        ZS_LOG_ERR("CViwZILTree::OnLibFind", "htiFindRes=NULL");
        return;
    }
    // Selecting it again shows the new results.
    if (SelectedTreeItem() == results) {
        setCurrentIndex(QModelIndex());
    }
    SelectTreeItem(results);
}

void CViwZILTree::OnLibImpDirs() {
    CDocZIL* pDoc = Doc();
    const std::filesystem::path folder =
        BrowseFolder(this, ZS_IMP_DIRS_INIT_DIR, tr("Import from Disk Directory Tree"));
    if (folder.empty()) {
        return;
    }
    bool bCancel = false;
    BeginProgress();
    // The new categories are not on display, so no row of the icon list changes.
    const ZsTreeItem top = ImportDirTree(*pDoc, SelectedTreeItem(), folder,
                                         ZIL_DIR_IMPORT_OPTIONS::FromSettings(), nullptr, &bCancel);
    EndProgress();
    if (top == ZS_TI_NONE) {
        return;
    }
    SelectTreeItem(top);
    expand(currentIndex());
    pDoc->SetModifiedFlag();
}

void CViwZILTree::OnLibExpDirs() {
    CDocZIL* pDoc = Doc();
    const std::filesystem::path folder = BrowseFolder(this, ZS_EXP_DIR, tr("Export to Disk Directory Tree"));
    if (folder.empty()) {
        return;
    }
    BeginProgress();
    ExportDirTree(*pDoc, SelectedTreeItem(), folder);
    EndProgress();
}
