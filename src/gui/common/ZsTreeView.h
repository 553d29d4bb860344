// The common tree view: a tree whose items the user moves and copies by dragging with either mouse button
// (the right one asks where in a menu) and through the clipboard, renames in place, and moves among their
// siblings with Shift+Up and Shift+Down. While a drag is over it, the item under the pointer is highlighted,
// expanded after resting there for half a second, and the tree scrolls near its edges.
//
// What may be dragged, dropped, pasted or renamed, and what a drop does, is decided by the overridable
// operations below; a tree built on this one gives its items' rules there. Items travel in transfers as a
// key (ItemKey) that names an item for as long as it exists; a transfer is taken as an item of this tree
// only when its private block names this very view and the item is still there.
//
// Commands (through CZsCmdTarget): Cut, Copy, Paste and Rename; while a label is being edited, Cut, Copy,
// Paste and Delete act on the edit box.
#pragma once

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QTreeView>
#include <utility>
#include <vector>

#include "gui/common/ZsCmdTarget.h"
#include "gui/common/ZsDnD.h"

class QLineEdit;
class QMenu;

class CZsTreeView : public CZsDnDView<QTreeView>, public CZsCmdTarget {
    Q_OBJECT
public:
    explicit CZsTreeView(QWidget* pParent = nullptr);
    ~CZsTreeView() override;
    using QTreeView::edit;

    // The key of an item in transfers, and the item of a key (invalid once the item is gone).
    virtual uint64_t ItemKey(const QModelIndex& item) const = 0;
    virtual QModelIndex ItemOfKey(uint64_t nKey) const = 0;

    // The overridable operations, in this order. Ops are ZS_OP_COPY and ZS_OP_MOVE, positions ZS_POS_CHILD,
    // ZS_POS_ABOVE and ZS_POS_BELOW.
    // Starts a transfer of the item: the private block naming it and its title as text. With bCut the item
    // becomes the cut item, which a paste moves; otherwise there is no cut item any more.
    virtual void PutItemData(const QModelIndex& item, bool bCut);
    // What the item offers to a drag, a cut or a copy: copy and move for any item.
    virtual int GetItemEffects(const QModelIndex& item) const;
    // Whether the source item may go to that place relative to the target (none by default).
    virtual bool CanDropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos) const;
    // Moves or copies the item there; false when nothing happened.
    virtual bool DropItem(const QModelIndex& source, const QModelIndex& target, int nOp, int nPos);
    // Whether the data may be dropped there. nOp and nPos may offer several choices; the answer is yes when
    // one of them is allowed. By default: an item of this tree, by CanDropItem.
    virtual bool CanDropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos) const;
    // Drops the data there and returns the operation done (ZS_OP_NONE: nothing). With menu positions the
    // drop menu asks first. By default: an item of this tree, by DropItem; the cut item is moved.
    virtual int DropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos, int nOffered,
                         int nMenuPositions);
    // Whether the item's label may be edited (no by default), and the end of an edit with a text.
    virtual bool CanEditLabel(const QModelIndex& item) const;
    virtual void OnEndLabelEdit(const QModelIndex& item, const QString& sText);

    // The item that the private block of the data names, when it names this view and the item still
    // exists; invalid otherwise.
    QModelIndex ItemOfData(const QMimeData* pData) const;
    QModelIndex CutItem() const { return mCutItem; }
    QModelIndex DropHilite() const { return mDropHilite; }
    QModelIndex SelectedItem() const { return currentIndex(); }
    // Selects the item and makes it visible.
    void SelectItem(const QModelIndex& item);

    // Starts editing the selected item's label when CanEditLabel allows it.
    bool StartLabelEdit();
    bool IsEditingLabel() const;
    QLineEdit* LabelEditor() const;
    // The longest label an edit takes (0: no limit).
    void SetLabelLimit(int nChars) { mnLabelLimit = nChars; }

    // The context menu: its commands in order (0 for a separator) with their texts. The commands run and are
    // enabled through this view's OnCommand and OnUpdateCommand.
    void SetContextMenu(std::vector<std::pair<int, QString>> items) { mContextMenu = std::move(items); }
    // The context menu built and enabled for the moment, each item's data its command (the caller owns it);
    // null when there is none.
    QMenu* CreateContextMenu();

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

    // A drag starts from any item the item offers itself to (GetItemEffects).
    bool CanDragFrom(const QPoint& pt) const override;
    void StartDrag(const QPoint& ptPress) override;
    void OnContextMenu(const QPoint& globalPos) override;

    // The drop target: the item under the pointer is highlighted and offers copy and move with the right
    // button, copy with Ctrl, move otherwise, as far as CanDropData allows.
    int OnDragOver(const QMimeData* pData, const QPoint& pt) override;
    int OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint& pt) override;
    void OnDragLeave() override;

    // How long the pointer rests on an item before it is expanded during a drag.
    static constexpr int kAutoExpandMs = 500;

protected:
    // Moves the selected item among its siblings; true when it moved.
    bool MoveSelectedItem(bool bUp);

    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    friend class CZsTreeDelegate;
    void SetDropHilite(const QModelIndex& item);

    QPersistentModelIndex mCutItem;
    QPersistentModelIndex mDropHilite;
    QTimer mExpandTimer;
    QPointer<QLineEdit> mpEditor;
    int mnLabelLimit = 0;
    std::vector<std::pair<int, QString>> mContextMenu;
};
