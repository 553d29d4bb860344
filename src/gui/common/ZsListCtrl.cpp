#include "gui/common/ZsListCtrl.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kDataRole = Qt::UserRole + 1;
constexpr int kDisabledRole = Qt::UserRole + 2;
const QColor kDisabledText(0x80, 0x80, 0x80);

// Paints the cell and a grid line along its right and bottom edges.
class CGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(pPainter, option, index);
        pPainter->save();
        pPainter->setPen(option.palette.color(QPalette::Midlight));
        const QRect& rc = option.rect;
        pPainter->drawLine(rc.bottomLeft(), rc.bottomRight());
        pPainter->drawLine(rc.topRight(), rc.bottomRight());
        pPainter->restore();
    }
};

}  // namespace

CZsListCtrl::CZsListCtrl(QWidget* pParent) : QTreeWidget(pParent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    setItemDelegate(new CGridDelegate(this));
}

void CZsListCtrl::InsertGroup(int nGroupId, const QString& sHeader) {
    if (mGroups.count(nGroupId)) {
        return;
    }
    auto* pGroup = new QTreeWidgetItem(this, QStringList{sHeader});
    pGroup->setFlags(Qt::ItemIsEnabled);
    pGroup->setFirstColumnSpanned(true);
    pGroup->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    QFont font = pGroup->font(0);
    font.setBold(true);
    pGroup->setFont(0, font);
    pGroup->setExpanded(true);
    mGroups[nGroupId] = pGroup;
}

int CZsListCtrl::InsertItem(int nIndex, const QString& sText, std::optional<uint64_t> nData, int nGroupId) {
    nIndex = std::clamp(nIndex, 0, GetItemCount());
    auto* pItem = new QTreeWidgetItem(QStringList{sText});
    pItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    if (nData) {
        pItem->setData(0, kDataRole, QVariant::fromValue<qulonglong>(*nData));
    }

    // Within its parent the row goes before the first row of the same parent that follows it in index order.
    QTreeWidgetItem* pParent = nullptr;
    if (nGroupId >= 0) {
        auto it = mGroups.find(nGroupId);
        if (it != mGroups.end()) {
            pParent = it->second;
        }
    }
    QTreeWidgetItem* pBefore = nullptr;
    for (size_t i = static_cast<size_t>(nIndex); i < mRows.size() && !pBefore; ++i) {
        if (mRows[i]->parent() == pParent) {
            pBefore = mRows[i];
        }
    }
    if (pParent) {
        pParent->insertChild(pBefore ? pParent->indexOfChild(pBefore) : pParent->childCount(), pItem);
    } else {
        // Ungrouped rows come after every group header unless a row goes before them.
        insertTopLevelItem(pBefore ? indexOfTopLevelItem(pBefore) : topLevelItemCount(), pItem);
    }
    mRows.insert(mRows.begin() + nIndex, pItem);
    return nIndex;
}

QTreeWidgetItem* CZsListCtrl::Row(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetItemCount()) {
        return nullptr;
    }
    return mRows[static_cast<size_t>(nIndex)];
}

int CZsListCtrl::IndexOf(const QTreeWidgetItem* pItem) const {
    auto it = std::find(mRows.begin(), mRows.end(), pItem);
    return it == mRows.end() ? -1 : static_cast<int>(it - mRows.begin());
}

QString CZsListCtrl::GetItemText(int nIndex, int nColumn) const {
    QTreeWidgetItem* pItem = Row(nIndex);
    return pItem ? pItem->text(nColumn) : QString();
}

void CZsListCtrl::SetItemText(int nIndex, int nColumn, const QString& sText) {
    if (QTreeWidgetItem* pItem = Row(nIndex)) {
        pItem->setText(nColumn, sText);
        if (IsItemDisabled(nIndex)) {
            pItem->setForeground(nColumn, kDisabledText);
        }
    }
}

uint64_t CZsListCtrl::GetItemData(int nIndex) const {
    QTreeWidgetItem* pItem = Row(nIndex);
    return pItem ? pItem->data(0, kDataRole).toULongLong() : 0;
}

void CZsListCtrl::SetItemData(int nIndex, uint64_t nData) {
    if (QTreeWidgetItem* pItem = Row(nIndex)) {
        pItem->setData(0, kDataRole, QVariant::fromValue<qulonglong>(nData));
    }
}

bool CZsListCtrl::GetCheck(int nIndex) const {
    QTreeWidgetItem* pItem = Row(nIndex);
    return pItem && pItem->checkState(0) == Qt::Checked;
}

void CZsListCtrl::SetCheck(int nIndex, bool bChecked) {
    if (QTreeWidgetItem* pItem = Row(nIndex)) {
        pItem->setCheckState(0, bChecked ? Qt::Checked : Qt::Unchecked);
    }
}

bool CZsListCtrl::IsItemSelected(int nIndex) const {
    QTreeWidgetItem* pItem = Row(nIndex);
    return pItem && pItem->isSelected();
}

void CZsListCtrl::SetItemSelected(int nIndex, bool bSelected) {
    if (QTreeWidgetItem* pItem = Row(nIndex)) {
        pItem->setSelected(bSelected);
    }
}

int CZsListCtrl::GetFocusedItem() const {
    return IndexOf(currentItem());
}

void CZsListCtrl::SetFocusedItem(int nIndex) {
    if (QTreeWidgetItem* pItem = Row(nIndex)) {
        setCurrentItem(pItem, 0, QItemSelectionModel::NoUpdate);
    }
}

void CZsListCtrl::SetItemDisabled(int nIndex, bool bDisabled) {
    QTreeWidgetItem* pItem = Row(nIndex);
    if (!pItem) {
        return;
    }
    pItem->setData(0, kDisabledRole, bDisabled);
    Qt::ItemFlags flags = pItem->flags();
    flags.setFlag(Qt::ItemIsUserCheckable, !bDisabled);
    pItem->setFlags(flags);
    for (int nColumn = 0; nColumn < columnCount(); ++nColumn) {
        if (bDisabled) {
            pItem->setForeground(nColumn, kDisabledText);
        } else {
            pItem->setData(nColumn, Qt::ForegroundRole, QVariant());
        }
    }
}

bool CZsListCtrl::IsItemDisabled(int nIndex) const {
    QTreeWidgetItem* pItem = Row(nIndex);
    return pItem && pItem->data(0, kDisabledRole).toBool();
}

int CZsListCtrl::DeleteSelected() {
    int nDeleted = 0;
    setUpdatesEnabled(false);
    for (int i = GetItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* pItem = mRows[static_cast<size_t>(i)];
        if (pItem->isSelected()) {
            mRows.erase(mRows.begin() + i);
            delete pItem;
            ++nDeleted;
        }
    }
    setUpdatesEnabled(true);
    QTreeWidgetItem* pFocus = currentItem();
    if (pFocus && IndexOf(pFocus) >= 0 && !pFocus->isSelected()) {
        pFocus->setSelected(true);
    }
    return nDeleted;
}

void CZsListCtrl::DeleteAllItems() {
    for (QTreeWidgetItem* pItem : mRows) {
        delete pItem;
    }
    mRows.clear();
}
