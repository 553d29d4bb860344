// Drag and drop and the clipboard: how the program's lists and trees hand categories, icons and images to
// each other and files to and from the desktop.
//
// A window that gives or takes transfers inherits CZsDnD beside its widget class (the common tree view and
// list box do). Each transfer is one CZsDnDData filled by its source: the private format naming the source
// window and what is transferred, plain text, and for some sources a file list that is made only when the
// transfer really ends in a drop or a paste (the source then exports what is transferred into a new folder
// of the temporary folder). The private format is meaningful only inside this process: a block is taken
// only when it names a window that is open now (every window gets a random identity of its own when it is
// made and loses it when it goes), so a block of a closed window or of another running copy of the program
// is treated as absent and never followed.
//
// Targets: the owning widget passes its drag events to the Dispatch functions, which ask the virtual
// OnDragEnter, OnDragOver, OnDropEx and OnDragLeave and answer the drag with the operation they give.
// Operations are ZS_OP_COPY (1) and ZS_OP_MOVE (2), the values of Qt's copy and move actions.
#pragma once

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

class CZsDnD;
class QTimer;
class QWidget;

// The private format.
inline constexpr const char* ZS_DND_MIME = "ZSDND{FF95961A-F2E5-4442-B555-5B8C4338621F}";
// A list of files.
inline constexpr const char* ZS_FILES_MIME = "text/uri-list";

// Operations of a drop (several may be or-ed together as the ones offered) and the places a tree puts a
// dropped item: as the last child of the target, just above it or just below it.
enum ZS_DROP_OP : int { ZS_OP_NONE = 0, ZS_OP_COPY = 1, ZS_OP_MOVE = 2, ZS_OP_EITHER = 3 };
enum ZS_DROP_POS : int { ZS_POS_CHILD = 1, ZS_POS_ABOVE = 2, ZS_POS_BELOW = 4, ZS_POS_ANY = 7 };

// One item of a list box's transfer: its text, its item data and its row in the list when it was taken.
struct ZS_DND_ITEM {
    QString sText;
    qint64 nData = 0;
    int nRow = -1;
};

// The data of one transfer: what a drag carries and what the clipboard holds after Copy or Cut. Made and
// filled by CZsDnD; a drag or the clipboard owns it afterwards.
class CZsDnDData : public QMimeData {
    Q_OBJECT
public:
    ~CZsDnDData() override;

    // The window that made the transfer while that window is open, else null.
    CZsDnD* Source() const;
    uint64_t SourceIdentity() const { return mnSource; }
    uint64_t Payload() const { return mnPayload; }
    // Whether this is a list box's transfer (CacheItems), and its items in list order.
    bool IsItemTransfer() const { return mbItems; }
    const std::vector<ZS_DND_ITEM>& Items() const { return mItems; }
    bool HasDelayedFiles() const { return mbDelayFiles; }

    // The transfer ends in a drop or is pasted: from now on its delayed file list may be made. When another
    // program was told the files the list will name (below), they are made at once: such a program takes
    // them at the drop without asking again.
    void SetDropped() const;
    bool IsDropped() const;
    // A program that asks for the file list before the drop (a file manager deciding what a drop would do)
    // is told the files that the source plans to make, and none is made yet. Empty when it was not asked.
    const std::vector<std::filesystem::path>& PlannedFiles() const { return mPlanned; }

    QStringList formats() const override;

protected:
    // The delayed file list is made on the first request after the drop and kept for later ones; a
    // failed export is not tried again.
    QVariant retrieveData(const QString& sMimeType, QMetaType type) const override;

private:
    friend class CZsDnD;
    explicit CZsDnDData(uint64_t nSource) : mnSource(nSource) {}
    QByteArray RenderFileList() const;
    QByteArray PlanFileList() const;

    uint64_t mnSource;
    uint64_t mnPayload = 0;
    std::vector<ZS_DND_ITEM> mItems;
    bool mbItems = false;
    bool mbDelayFiles = false;
    mutable bool mbDropped = false;
    mutable bool mbRendering = false;
    mutable bool mbRendered = false;
    mutable bool mbRenderFailed = false;
    mutable QByteArray mRenderedFiles;
    mutable std::vector<std::filesystem::path> mPlanned;
    mutable QByteArray mPlannedFiles;
};

// The drag-and-drop part of a window that gives and takes transfers.
class CZsDnD {
public:
    // pWindow is the widget the part belongs to; for a scroll area its viewport takes the drops.
    explicit CZsDnD(QWidget* pWindow);
    // Takes the window's transfer off the clipboard when it is still there, so that nothing on the
    // clipboard names a window that is gone.
    virtual ~CZsDnD();
    CZsDnD(const CZsDnD&) = delete;
    CZsDnD& operator=(const CZsDnD&) = delete;

    QWidget* DnDWindow() const { return mpWindow; }
    // The random identity that the window's private blocks carry.
    uint64_t DnDIdentity() const { return mnIdentity; }

    // Turns the window's drop target on or off and says whether it may give items away (cut, move) and
    // take them (drop, paste). Drags and copies are allowed from then on.
    void EnableDnD(bool bDropTarget, bool bCut, bool bPaste);
    bool IsDragAllowed() const { return mbDrag; }
    bool IsDropTarget() const { return mbDropTarget; }
    bool IsCutAllowed() const { return mbCut; }
    bool IsCopyAllowed() const { return mbCopy; }
    bool IsPasteAllowed() const { return mbPaste; }

    // Filling the next transfer. NewTransfer starts it afresh (what was cached before and not handed on is
    // dropped); the others add to the one being filled, starting one when there is none.
    CZsDnDData& NewTransfer();
    CZsDnDData* PendingTransfer() const { return mpNext.get(); }
    // A new transfer whose private block names this window and the payload.
    void CacheDnDData(uint64_t nPayload);
    // A new transfer of a list box's items: the private block, the items and, as text, each item's text
    // followed by "\n".
    void CacheItems(std::vector<ZS_DND_ITEM> items);
    void CacheText(const QString& sText);
    void CacheData(const QString& sMimeType, const QByteArray& data);
    // Offers a file list that RenderFiles makes when the transfer is dropped or pasted.
    void DelayRenderFiles();

    // Runs a drag of the transfer with the operations allowed (ZS_OP_COPY | ZS_OP_MOVE) and returns the one
    // the target carried out (ZS_OP_NONE when none). The target carries out a move; the source does nothing
    // more with the result.
    int DoDragDrop(int nAllowed, const QPixmap& pixmap = {});
    // Puts the transfer on the clipboard; its delayed formats are made when it is pasted. False, after
    // telling the user, when the desktop did not let the program have the clipboard.
    bool CopyToClipboard();
    // Whether the clipboard holds a transfer of this window.
    bool OwnsClipboard() const;

    // The files of a transfer this window made, exported when it is dropped or pasted; false when there are
    // none or the export failed.
    virtual bool RenderFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files);
    // The files RenderFiles will make for the transfer, told before the drop without making them; false
    // when the window cannot tell them in advance (the default). Once told, RenderFiles must make exactly
    // these (transfer.PlannedFiles()).
    virtual bool PlanFiles(const CZsDnDData& transfer, std::vector<std::filesystem::path>& files);
    // Drop target: each gives the operation a drop at the point (in the window's coordinates) would carry
    // out, ZS_OP_NONE for none. The default OnDragEnter remembers the buttons and keys and goes on as
    // OnDragOver; the default OnDragOver scrolls near the edges and takes nothing.
    virtual int OnDragEnter(const QMimeData* pData, const QPoint& pt);
    virtual int OnDragOver(const QMimeData* pData, const QPoint& pt);
    // The drop: the operation carried out, ZS_OP_NONE when nothing was done, -1 when not handled.
    virtual int OnDropEx(const QMimeData* pData, int nDefaultOp, int nOffered, const QPoint& pt);
    virtual void OnDragLeave();

    // The mouse buttons and keys of the drag over this window, as last seen before the drop.
    Qt::MouseButtons DragButtons() const { return mDragButtons; }
    Qt::KeyboardModifiers DragModifiers() const { return mDragKeys; }

    // Scrolls a scroll area one line towards each edge the point (in its viewport) is within 10 pixels of,
    // and keeps doing so while the drag rests there.
    void AutoScroll(const QPoint& pt);
    void StopAutoScroll();

    // Starting drags with either mouse button: the press on an item is noted, and the first move beyond
    // the start distance with that button held says that a drag starts.
    void NoteDragPress(QMouseEvent* pEvent, bool bOnItem);
    bool IsDragStart(QMouseEvent* pEvent);
    bool IsDragPending() const { return mnPressButton != Qt::NoButton; }
    Qt::MouseButton DragStartButton() const { return mnPressButton; }
    QPoint DragStartPos() const { return mPressPos; }
    void CancelDragStart() { mnPressButton = Qt::NoButton; }

    // The owning widget's drag events.
    void DispatchDragEnter(QDragEnterEvent* pEvent);
    void DispatchDragMove(QDragMoveEvent* pEvent);
    void DispatchDragLeave(QDragLeaveEvent* pEvent);
    void DispatchDrop(QDropEvent* pEvent);

private:
    void AnswerDrag(QDragMoveEvent* pEvent, int nOp);

    QWidget* mpWindow;
    uint64_t mnIdentity;
    bool mbDrag = false;
    bool mbDropTarget = false;
    bool mbCut = false;
    bool mbCopy = false;
    bool mbPaste = false;
    std::unique_ptr<CZsDnDData> mpNext;
    QPointer<CZsDnDData> mpClipboard;
    Qt::MouseButtons mDragButtons;
    Qt::KeyboardModifiers mDragKeys;
    Qt::MouseButton mnPressButton = Qt::NoButton;
    QPoint mPressPos;
    QTimer* mpScrollTimer = nullptr;
    QPoint mScrollPoint;
};

// The operations a drag offers by its mouse buttons and keys: copy and move with the right button (the
// target then asks), copy with Ctrl, move otherwise.
int ZsKeyStateOps(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);

// An item view (a list or a tree) with its drag-and-drop part. Its drag events go to the part. A press of
// either mouse button where CanDragFrom says yes becomes a drag (StartDrag) when the pointer moves away with
// the button held; until then the press does not drag a selection. The context menu opens when the right
// button is released without a drag, or from the keyboard.
template <class TView>
class CZsDnDView : public TView, public CZsDnD {
public:
    explicit CZsDnDView(QWidget* pParent = nullptr) : TView(pParent), CZsDnD(this) {}

    virtual bool CanDragFrom(const QPoint& pt) const = 0;
    virtual void StartDrag(const QPoint& ptPress) = 0;
    virtual void OnContextMenu(const QPoint&) {}

protected:
    void mousePressEvent(QMouseEvent* pEvent) override {
        TView::mousePressEvent(pEvent);
        NoteDragPress(pEvent, CanDragFrom(pEvent->position().toPoint()));
    }
    void mouseMoveEvent(QMouseEvent* pEvent) override {
        if (IsDragStart(pEvent)) {
            const QPoint ptPress = DragStartPos();
            CancelDragStart();
            StartDrag(ptPress);
        } else if (!IsDragPending()) {
            TView::mouseMoveEvent(pEvent);
        }
    }
    void mouseReleaseEvent(QMouseEvent* pEvent) override {
        CancelDragStart();
        TView::mouseReleaseEvent(pEvent);
        if (pEvent->button() == Qt::RightButton) {
            OnContextMenu(pEvent->globalPosition().toPoint());
        }
    }
    void contextMenuEvent(QContextMenuEvent* pEvent) override {
        pEvent->accept();
        // A press of the right button may still become a drag: its menu opens at the release.
        if (pEvent->reason() != QContextMenuEvent::Mouse) {
            OnContextMenu(pEvent->globalPos());
        }
    }
    void dragEnterEvent(QDragEnterEvent* pEvent) override { DispatchDragEnter(pEvent); }
    void dragMoveEvent(QDragMoveEvent* pEvent) override { DispatchDragMove(pEvent); }
    void dragLeaveEvent(QDragLeaveEvent* pEvent) override { DispatchDragLeave(pEvent); }
    void dropEvent(QDropEvent* pEvent) override { DispatchDrop(pEvent); }
};

// Whether the data offers a format.
bool ZsHasFormat(const QMimeData* pData, const QString& sMimeType);
bool ZsHasFormat(const QMimeData* pData, const char* pszMimeType);

// The private block of the data: the source identity and the payload. False when there is none or it is
// not a block of this format.
bool ZsGetDnDData(const QMimeData* pData, uint64_t* pnSource, uint64_t* pnPayload);
// The open window that the private block names, and the payload; null when the block is absent or names no
// open window of this process.
CZsDnD* ZsGetDnDSource(const QMimeData* pData, uint64_t* pnPayload = nullptr);
// The items of a list box's transfer and the window that made it; false when the data is no such transfer
// of an open window.
bool ZsGetDnDItems(const QMimeData* pData, CZsDnD** ppSource, std::vector<ZS_DND_ITEM>* pItems);

// Reads the dropped local files: a directory goes to *pDirs (when given), any other path to *pFiles (when
// given) provided its name matches the ";"-separated wildcard list sFilter or no filter is given. False when
// the data holds no file list.
bool ZsGetDroppedFiles(const QMimeData* pData, std::vector<std::filesystem::path>* pDirs,
                       std::vector<std::filesystem::path>* pFiles, std::string_view sFilter = {});

// The clipboard's data (null when it holds nothing).
const QMimeData* ZsClipboardData();

// The enable flags of the drop menu's six items: move as child, above and below, copy as child, above and
// below.
using ZsDropMenuFlags = std::array<bool, 6>;
// The drop menu of a right-button drop at the cursor: the moves and copies that the allowed operations and
// positions give (a grayed item when its flag is false), and "Cancel". The default item follows nOp and
// nPos. The choice is written back into nOp and nPos and its operation returned; ZS_OP_NONE for "Cancel"
// or no choice. sCopyLabel replaces the text of the plain copy item when given.
int ZsDropMenu(QWidget* pWindow, int& nOp, int& nPos, int nAllowedOps, int nAllowedPositions,
               const ZsDropMenuFlags& enabled, const QString& sCopyLabel = {});
