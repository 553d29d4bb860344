// The common list box: a list whose selected rows are given to drags and to the clipboard as items (each
// row's text and item data, in list order), and which takes drops through its drag-and-drop part. Drags start
// with either mouse button from a selected row and offer copy and move; the drop target carries the
// operation out (a list that takes its own rows rearranges them). A list box built on it overrides the drop
// target operations of CZsDnD and OnContextMenu.
#pragma once

#include <QListView>
#include <vector>

#include "gui/common/ZsDnD.h"

class CZsListBox : public CZsDnDView<QListView> {
    Q_OBJECT
public:
    explicit CZsListBox(QWidget* pParent = nullptr);

    // The model role whose value is a row's item data (Qt::UserRole unless set).
    void SetItemDataRole(int nRole) { mnDataRole = nRole; }
    int ItemDataRole() const { return mnDataRole; }

    // The selected rows in ascending order, and as transfer items (text and item data).
    std::vector<int> GetSelectedRows() const;
    std::vector<ZS_DND_ITEM> GetSelectedItems() const;
    // Starts a transfer of the selected rows; a list that offers more formats adds them after this.
    virtual void PutSelectedItems();

    // The row under the pointer while a drag is over the list; -1 when there is none.
    int DragRow() const { return mnDragRow; }

    // A drag starts from a selected row and carries the selected rows.
    bool CanDragFrom(const QPoint& pt) const override;
    void StartDrag(const QPoint& ptPress) override;
    // Remembers the row under the pointer and scrolls near the edges; takes nothing.
    int OnDragOver(const QMimeData* pData, const QPoint& pt) override;
    void OnDragLeave() override;

protected:
    // Selected rows are drawn in the colours of the focused or of the inactive list: all are repainted.
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;

private:
    int mnDataRole = Qt::UserRole;
    int mnDragRow = -1;
};
