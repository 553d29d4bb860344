#include "gui/ui/ZsTreeModel.h"

#include "gui/common/ZsQt.h"

CZsTreeModel::CZsTreeModel(CZsCategoryTree* pTree, QObject* pParent)
    : QAbstractItemModel(pParent), mpTree(pTree) {
    mpTree->AddObserver(this);
}

CZsTreeModel::~CZsTreeModel() {
    mpTree->RemoveObserver(this);
}

ZsTreeItem CZsTreeModel::ItemOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<ZsTreeItem>(index.internalId()) : ZS_TI_NONE;
}

QModelIndex CZsTreeModel::IndexOf(ZsTreeItem item) const {
    if (!mpTree->Exists(item)) {
        return {};
    }
    return createIndex(mpTree->GetItemRow(item), 0, static_cast<quintptr>(item));
}

QModelIndex CZsTreeModel::index(int nRow, int nColumn, const QModelIndex& parent) const {
    if (nColumn != 0 || nRow < 0) {
        return {};
    }
    const ZsTreeItem item = mpTree->GetChildAt(ItemOf(parent), nRow);
    return item == ZS_TI_NONE ? QModelIndex() : createIndex(nRow, 0, static_cast<quintptr>(item));
}

QModelIndex CZsTreeModel::parent(const QModelIndex& child) const {
    const ZsTreeItem parent = mpTree->GetParentItem(ItemOf(child));
    return parent == ZS_TI_NONE ? QModelIndex() : IndexOf(parent);
}

int CZsTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) {
        return 0;
    }
    return mpTree->GetChildCount(ItemOf(parent));
}

int CZsTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CZsTreeModel::data(const QModelIndex& index, int nRole) const {
    const ZsTreeItem item = ItemOf(index);
    if (!mpTree->Exists(item)) {
        return {};
    }
    switch (nRole) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return ZsQ(mpTree->GetItemText(item));
        case Qt::DecorationRole: {
            int nImage = 0;
            int nSelected = 0;
            mpTree->GetItemImage(item, nImage, nSelected);
            if (nImage >= 0 && static_cast<size_t>(nImage) < mImages.size()) {
                return mImages[static_cast<size_t>(nImage)];
            }
            return {};
        }
        case Qt::UserRole:
            return mpTree->GetItemData(item);
        default:
            return {};
    }
}

Qt::ItemFlags CZsTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable : Qt::NoItemFlags;
}

void CZsTreeModel::OnBeginInsert(ZsTreeItem parent, int nRow) {
    beginInsertRows(IndexOf(parent), nRow, nRow);
}

void CZsTreeModel::OnEndInsert(ZsTreeItem) {
    endInsertRows();
}

void CZsTreeModel::OnBeginRemove(ZsTreeItem parent, int nRow, ZsTreeItem) {
    beginRemoveRows(IndexOf(parent), nRow, nRow);
}

void CZsTreeModel::OnEndRemove(ZsTreeItem) {
    endRemoveRows();
}

void CZsTreeModel::OnItemChanged(ZsTreeItem item) {
    const QModelIndex index = IndexOf(item);
    emit dataChanged(index, index);
}

void CZsTreeModel::OnBeginReset() {
    beginResetModel();
}

void CZsTreeModel::OnEndReset() {
    endResetModel();
}

void CZsTreeModel::OnSelectionChanged(ZsTreeItem item) {
    emit treeSelectionChanged(item);
}
