#include "gui/common/ZsTreeView.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <memory>

#include "gui/common/ZsCmdIds.h"

// Draws the drop highlight in place of the selection while a drag is over the tree, and hands the end of a
// label edit to the view instead of writing into the model.
class CZsTreeDelegate : public QStyledItemDelegate {
public:
    explicit CZsTreeDelegate(CZsTreeView* pView) : QStyledItemDelegate(pView), mpView(pView) {}

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        if (mpView->mDropHilite.isValid()) {
            opt.state.setFlag(QStyle::State_Selected, index == mpView->mDropHilite);
        }
        QStyledItemDelegate::paint(pPainter, opt, index);
    }

    QWidget* createEditor(QWidget* pParent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* pEditor = QStyledItemDelegate::createEditor(pParent, option, index);
        if (auto* pEdit = qobject_cast<QLineEdit*>(pEditor)) {
            if (mpView->mnLabelLimit > 0) {
                pEdit->setMaxLength(mpView->mnLabelLimit);
            }
            mpView->mpEditor = pEdit;
        }
        return pEditor;
    }

    void setModelData(QWidget* pEditor, QAbstractItemModel*, const QModelIndex& index) const override {
        if (auto* pEdit = qobject_cast<QLineEdit*>(pEditor)) {
            mpView->OnEndLabelEdit(index, pEdit->text());
        }
    }

private:
    CZsTreeView* mpView;
};

CZsTreeView::CZsTreeView(QWidget* pParent) : CZsDnDView<QTreeView>(pParent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setItemDelegate(new CZsTreeDelegate(this));
    mExpandTimer.setSingleShot(true);
    mExpandTimer.setInterval(kAutoExpandMs);
    connect(&mExpandTimer, &QTimer::timeout, this, [this] {
        if (mDropHilite.isValid()) {
            expand(mDropHilite);
        }
    });
}

CZsTreeView::~CZsTreeView() = default;

void CZsTreeView::PutItemData(const QModelIndex& item, bool bCut) {
    mCutItem = bCut ? QPersistentModelIndex(item) : QPersistentModelIndex();
    CacheDnDData(ItemKey(item));
    CacheText(item.data(Qt::DisplayRole).toString());
}

int CZsTreeView::GetItemEffects(const QModelIndex& item) const {
    return item.isValid() ? ZS_OP_EITHER : ZS_OP_NONE;
}

bool CZsTreeView::CanDropItem(const QModelIndex&, const QModelIndex&, int, int) const {
    return false;
}

bool CZsTreeView::DropItem(const QModelIndex&, const QModelIndex&, int, int) {
    return false;
}

bool CZsTreeView::CanDropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos) const {
    const QModelIndex source = ItemOfData(pData);
    if (!source.isValid() || !target.isValid()) {
        return false;
    }
    // A paste of the cut item moves it.
    if (source == mCutItem) {
        nOp = ZS_OP_MOVE;
    }
    for (int nOneOp : {ZS_OP_COPY, ZS_OP_MOVE}) {
        for (int nOnePos : {ZS_POS_CHILD, ZS_POS_ABOVE, ZS_POS_BELOW}) {
            if ((nOp & nOneOp) && (nPos & nOnePos) && CanDropItem(source, target, nOneOp, nOnePos)) {
                return true;
            }
        }
    }
    return false;
}

int CZsTreeView::DropData(const QMimeData* pData, const QModelIndex& target, int nOp, int nPos, int nOffered,
                          int nMenuPositions) {
    const QModelIndex source = ItemOfData(pData);
    if (!source.isValid() || !target.isValid()) {
        return ZS_OP_NONE;
    }
    if (nMenuPositions) {
        const ZsDropMenuFlags enabled = {
            CanDropItem(source, target, ZS_OP_MOVE, ZS_POS_CHILD),
            CanDropItem(source, target, ZS_OP_MOVE, ZS_POS_ABOVE),
            CanDropItem(source, target, ZS_OP_MOVE, ZS_POS_BELOW),
            CanDropItem(source, target, ZS_OP_COPY, ZS_POS_CHILD),
            CanDropItem(source, target, ZS_OP_COPY, ZS_POS_ABOVE),
            CanDropItem(source, target, ZS_OP_COPY, ZS_POS_BELOW),
        };
        if (ZsDropMenu(this, nOp, nPos, nOffered, nMenuPositions, enabled) == ZS_OP_NONE) {
            return ZS_OP_NONE;
        }
    }
    const bool bCut = source == mCutItem;
    if (bCut) {
        nOp = ZS_OP_MOVE;
    }
    if (!DropItem(source, target, nOp, nPos)) {
        return ZS_OP_NONE;
    }
    if (bCut) {
        mCutItem = QPersistentModelIndex();
    }
    return nOp;
}

bool CZsTreeView::CanEditLabel(const QModelIndex&) const {
    return false;
}

void CZsTreeView::OnEndLabelEdit(const QModelIndex&, const QString&) {}

QModelIndex CZsTreeView::ItemOfData(const QMimeData* pData) const {
    uint64_t nKey = 0;
    if (ZsGetDnDSource(pData, &nKey) != static_cast<const CZsDnD*>(this)) {
        return {};
    }
    return ItemOfKey(nKey);
}

void CZsTreeView::SelectItem(const QModelIndex& item) {
    setCurrentIndex(item);
    if (item.isValid()) {
        scrollTo(item);
    }
}

bool CZsTreeView::StartLabelEdit() {
    const QModelIndex item = currentIndex();
    if (!item.isValid() || !CanEditLabel(item)) {
        return false;
    }
    scrollTo(item);
    edit(item);
    return IsEditingLabel();
}

QLineEdit* CZsTreeView::LabelEditor() const {
    return mpEditor;
}

bool CZsTreeView::IsEditingLabel() const {
    return state() == QAbstractItemView::EditingState && mpEditor;
}

QMenu* CZsTreeView::CreateContextMenu() {
    if (mContextMenu.empty()) {
        return nullptr;
    }
    auto* pMenu = new QMenu(this);
    for (const auto& [nId, sText] : mContextMenu) {
        if (nId == 0) {
            pMenu->addSeparator();
            continue;
        }
        // The accelerator is only shown: the window's own actions carry the shortcuts.
        const ZsMenuText text = ZsSplitMenuText(sText);
        QAction* pAction =
            pMenu->addAction(text.keys.isEmpty() ? text.sText
                                                 : text.sText + QLatin1Char('\t') +
                                                       text.keys.toString(QKeySequence::NativeText));
        pAction->setData(nId);
        CZsCmdUI ui(nId);
        pAction->setEnabled(OnUpdateCommand(ui) && ui.IsEnabled());
    }
    return pMenu;
}

void CZsTreeView::OnContextMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> pMenu(CreateContextMenu());
    if (!pMenu) {
        return;
    }
    // The command runs once the menu has closed and given the focus back, so that a label edit it starts
    // keeps the focus.
    const QAction* pChosen = pMenu->exec(globalPos);
    if (pChosen) {
        OnCommand(pChosen->data().toInt());
    }
}

bool CZsTreeView::OnCommand(int nId) {
    const bool bEditing = IsEditingLabel();
    switch (nId) {
        case ID_EDIT_CUT:
        case ID_EDIT_COPY:
            if (bEditing) {
                nId == ID_EDIT_CUT ? mpEditor->cut() : mpEditor->copy();
            } else if (currentIndex().isValid()) {
                PutItemData(currentIndex(), nId == ID_EDIT_CUT);
                CopyToClipboard();
            }
            return true;
        case ID_EDIT_PASTE:
            if (bEditing) {
                mpEditor->paste();
            } else {
                DropData(ZsClipboardData(), currentIndex(), ZS_OP_COPY, ZS_POS_CHILD, ZS_OP_EITHER, 0);
            }
            return true;
        case ID_EDIT_CLEAR:
            if (!bEditing) {
                return false;
            }
            mpEditor->del();
            return true;
        case ID_EDIT_RENAME:
            if (!bEditing) {
                StartLabelEdit();
            }
            return true;
        default:
            return false;
    }
}

bool CZsTreeView::OnUpdateCommand(CZsCmdUI& ui) {
    const bool bEditing = IsEditingLabel();
    const QModelIndex selected = currentIndex();
    switch (ui.Id()) {
        case ID_EDIT_CUT:
            ui.Enable(bEditing || (IsCutAllowed() && (GetItemEffects(selected) & ZS_OP_MOVE)));
            return true;
        case ID_EDIT_COPY:
            ui.Enable(bEditing || (IsCopyAllowed() && (GetItemEffects(selected) & ZS_OP_COPY)));
            return true;
        case ID_EDIT_PASTE:
            ui.Enable(bEditing || (IsPasteAllowed() &&
                                   CanDropData(ZsClipboardData(), selected, ZS_OP_COPY, ZS_POS_CHILD)));
            return true;
        case ID_EDIT_CLEAR:
            if (!bEditing) {
                return false;
            }
            ui.Enable();
            return true;
        case ID_EDIT_RENAME:
            ui.Enable(bEditing || selected.isValid());
            return true;
        default:
            return false;
    }
}

int CZsTreeView::OnDragOver(const QMimeData* pData, const QPoint& pt) {
    AutoScroll(pt);
    const QModelIndex item = indexAt(pt);
    if (item != mDropHilite) {
        SetDropHilite(item);
        if (item.isValid()) {
            mExpandTimer.start();
        } else {
            mExpandTimer.stop();
        }
    }
    if (!item.isValid()) {
        return ZS_OP_NONE;
    }
    const int nOps = ZsKeyStateOps(DragButtons(), DragModifiers());
    const int nPos = (DragButtons() & Qt::RightButton) ? ZS_POS_ANY : ZS_POS_CHILD;
    return CanDropData(pData, item, nOps, nPos) ? nOps : ZS_OP_NONE;
}

int CZsTreeView::OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint& pt) {
    OnDragLeave();
    const QModelIndex target = indexAt(pt);
    if (!target.isValid()) {
        return ZS_OP_NONE;
    }
    const int nMenu = (DragButtons() & Qt::RightButton) ? ZS_POS_ANY : 0;
    return DropData(pData, target, nDefaultOp, ZS_POS_CHILD, nOffered, nMenu);
}

void CZsTreeView::OnDragLeave() {
    mExpandTimer.stop();
    SetDropHilite({});
}

void CZsTreeView::SetDropHilite(const QModelIndex& item) {
    mDropHilite = item;
    viewport()->update();
}

bool CZsTreeView::MoveSelectedItem(bool bUp) {
    const QModelIndex item = currentIndex();
    if (!(GetItemEffects(item) & ZS_OP_MOVE)) {
        return false;
    }
    const QModelIndex sibling = item.siblingAtRow(item.row() + (bUp ? -1 : 1));
    return sibling.isValid() && DropItem(item, sibling, ZS_OP_MOVE, bUp ? ZS_POS_ABOVE : ZS_POS_BELOW);
}

bool CZsTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* pEvent) {
    if (trigger != QAbstractItemView::NoEditTriggers && !CanEditLabel(index)) {
        return false;
    }
    return QTreeView::edit(index, trigger, pEvent);
}

void CZsTreeView::keyPressEvent(QKeyEvent* pEvent) {
    const bool bMoveKey = pEvent->modifiers() == Qt::ShiftModifier &&
                          (pEvent->key() == Qt::Key_Up || pEvent->key() == Qt::Key_Down);
    if (bMoveKey && !IsEditingLabel() && MoveSelectedItem(pEvent->key() == Qt::Key_Up)) {
        pEvent->accept();
        return;
    }
    QTreeView::keyPressEvent(pEvent);
}

bool CZsTreeView::CanDragFrom(const QPoint& pt) const {
    return GetItemEffects(indexAt(pt)) != ZS_OP_NONE;
}

void CZsTreeView::StartDrag(const QPoint& ptPress) {
    const QModelIndex item = indexAt(ptPress);
    const int nEffects = GetItemEffects(item);
    if (!nEffects) {
        return;
    }
    PutItemData(item, false);
    DoDragDrop(nEffects, viewport()->grab(visualRect(item)));
}
