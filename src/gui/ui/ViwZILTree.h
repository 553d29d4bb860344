// The left-hand pane of a library window: the category tree. Selecting a category makes the icon list show
// it.
#pragma once

#include <QTreeView>

#include "gui/common/ZsDocument.h"

class CDocZIL;
class CZsTreeModel;

class CViwZILTree : public QTreeView, public CZsView, public CZsCmdTarget {
    Q_OBJECT
public:
    explicit CViwZILTree(QWidget* pParent = nullptr);
    ~CViwZILTree() override;

    CDocZIL* Doc() const;
    // Shows the document's tree and selects the first category below the first item.
    void OnInitialUpdate();
    void OnUpdate(CZsView* pSender, int nHint) override;
    CZsTreeModel* Model() const { return mpModel; }

    // Selects a category item (and shows it); the icon list follows.
    void SelectTreeItem(uint64_t item);

private:
    void OnCurrentChanged(const QModelIndex& current);

    CZsTreeModel* mpModel = nullptr;
};
