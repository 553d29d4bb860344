#include "gui/ui/ViwZILTree.h"

#include <QHeaderView>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/ZsTreeModel.h"

CViwZILTree::CViwZILTree(QWidget* pParent) : QTreeView(pParent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
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
    if (!mpModel) {
        return;
    }
    const QModelIndex index = mpModel->IndexOf(item);
    setCurrentIndex(index);
    scrollTo(index);
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
