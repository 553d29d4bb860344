#include "gui/common/ZsListBox.h"

#include <algorithm>

CZsListBox::CZsListBox(QWidget* pParent) : CZsDnDView<QListView>(pParent) {
    setDragDropMode(QAbstractItemView::NoDragDrop);
}

std::vector<int> CZsListBox::GetSelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) {
        return rows;
    }
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int nRow = range.top(); nRow <= range.bottom(); ++nRow) {
            rows.push_back(nRow);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<ZS_DND_ITEM> CZsListBox::GetSelectedItems() const {
    std::vector<ZS_DND_ITEM> items;
    for (int nRow : GetSelectedRows()) {
        const QModelIndex index = model()->index(nRow, modelColumn(), rootIndex());
        items.push_back({index.data(Qt::DisplayRole).toString(), index.data(mnDataRole).toLongLong(), nRow});
    }
    return items;
}

void CZsListBox::PutSelectedItems() {
    CacheItems(GetSelectedItems());
}

bool CZsListBox::CanDragFrom(const QPoint& pt) const {
    const QModelIndex index = indexAt(pt);
    return index.isValid() && selectionModel() && selectionModel()->isSelected(index);
}

void CZsListBox::StartDrag(const QPoint&) {
    PutSelectedItems();
    DoDragDrop(ZS_OP_EITHER);
}

int CZsListBox::OnDragOver(const QMimeData* pData, const QPoint& pt) {
    mnDragRow = indexAt(pt).row();
    return CZsDnD::OnDragOver(pData, pt);
}

void CZsListBox::OnDragLeave() {
    mnDragRow = -1;
}

void CZsListBox::focusInEvent(QFocusEvent* pEvent) {
    CZsDnDView<QListView>::focusInEvent(pEvent);
    viewport()->update();
}

void CZsListBox::focusOutEvent(QFocusEvent* pEvent) {
    CZsDnDView<QListView>::focusOutEvent(pEvent);
    viewport()->update();
}
