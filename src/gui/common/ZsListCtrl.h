// A multi-column list with grid lines, movable columns, full-row selection, optional groups and "disabled"
// rows whose text is grey and whose check box the mouse cannot change. Rows are addressed by their index in
// insertion order, whatever group shows them.
#pragma once

#include <QTreeWidget>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class CZsListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CZsListCtrl(QWidget* pParent = nullptr);

    // Adds a group shown as a header line aligned left; rows join it through InsertItem.
    void InsertGroup(int nGroupId, const QString& sHeader);
    // Adds a row at nIndex (clamped to the end) with the text of the first column. The item data is set
    // only when given; the row goes into the group only when nGroupId is not negative and the group exists.
    int InsertItem(int nIndex, const QString& sText, std::optional<uint64_t> nData = std::nullopt,
                   int nGroupId = -1);

    int GetItemCount() const { return static_cast<int>(mRows.size()); }
    QString GetItemText(int nIndex, int nColumn) const;
    void SetItemText(int nIndex, int nColumn, const QString& sText);
    uint64_t GetItemData(int nIndex) const;
    void SetItemData(int nIndex, uint64_t nData);
    bool GetCheck(int nIndex) const;
    void SetCheck(int nIndex, bool bChecked);
    bool IsItemSelected(int nIndex) const;
    void SetItemSelected(int nIndex, bool bSelected);
    int GetFocusedItem() const;
    void SetFocusedItem(int nIndex);

    // Disabled rows keep their check state against the mouse and are drawn grey.
    void SetItemDisabled(int nIndex, bool bDisabled);
    bool IsItemDisabled(int nIndex) const;

    // Deletes the selected rows, last to first; then, when no row is both focused and selected, selects the
    // focused one. Returns the number of rows deleted.
    int DeleteSelected();
    void DeleteAllItems();

    QTreeWidgetItem* Row(int nIndex) const;
    int IndexOf(const QTreeWidgetItem* pItem) const;

private:
    std::vector<QTreeWidgetItem*> mRows;
    std::map<int, QTreeWidgetItem*> mGroups;
};
