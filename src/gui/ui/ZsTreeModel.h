// A Qt item model over a library's category tree: one column, the categories' titles and pictures. It
// follows every change of the tree through the tree's observer interface.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <vector>

#include "library/ZsCategoryTree.h"

class CZsTreeModel : public QAbstractItemModel, public CZsTreeObserver {
    Q_OBJECT
public:
    explicit CZsTreeModel(CZsCategoryTree* pTree, QObject* pParent = nullptr);
    ~CZsTreeModel() override;

    CZsCategoryTree* Tree() const { return mpTree; }
    QModelIndex IndexOf(ZsTreeItem item) const;
    static ZsTreeItem ItemOf(const QModelIndex& index);
    // The pictures of the tree's image numbers (0 "My Icons", 2 a category, 3 "Find Results").
    void SetImages(std::vector<QIcon> images) { mImages = std::move(images); }

    QModelIndex index(int nRow, int nColumn, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    // Every item may be edited as far as the model goes; the view decides which labels are.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The tree's selection was set by the store (a search selects "Find Results").
    void treeSelectionChanged(ZsTreeItem item);

private:
    void OnBeginInsert(ZsTreeItem parent, int nRow) override;
    void OnEndInsert(ZsTreeItem item) override;
    void OnBeginRemove(ZsTreeItem parent, int nRow, ZsTreeItem item) override;
    void OnEndRemove(ZsTreeItem parent) override;
    void OnItemChanged(ZsTreeItem item) override;
    void OnBeginReset() override;
    void OnEndReset() override;
    void OnSelectionChanged(ZsTreeItem item) override;

    CZsCategoryTree* mpTree;
    std::vector<QIcon> mImages;
};
