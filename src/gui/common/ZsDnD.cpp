#include "gui/common/ZsDnD.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QtEndian>
#include <chrono>
#include <random>
#include <unordered_map>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsProgress.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

namespace {

constexpr int kBlockSize = 16;
// Within this many pixels of an edge a drag scrolls the window; while it rests there, once per period.
constexpr int kScrollBand = 10;
constexpr int kScrollRepeatMs = 100;

// The open windows by identity. Only a block whose identity is found here is followed.
std::unordered_map<uint64_t, CZsDnD*>& Windows() {
    static std::unordered_map<uint64_t, CZsDnD*> windows;
    return windows;
}

uint64_t NewIdentity() {
    static std::mt19937_64 random([] {
        std::random_device device;
        std::seed_seq seed{
            device(), device(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }());
    uint64_t n = 0;
    do {
        n = random();
    } while (n == 0 || Windows().count(n) != 0);
    return n;
}

CZsDnD* FindWindow(uint64_t nIdentity) {
    auto it = Windows().find(nIdentity);
    return it == Windows().end() ? nullptr : it->second;
}

QByteArray MakeBlock(uint64_t nSource, uint64_t nPayload) {
    QByteArray block(kBlockSize, '\0');
    qToLittleEndian<quint64>(nSource, block.data());
    qToLittleEndian<quint64>(nPayload, block.data() + 8);
    return block;
}

// Qt's action of an operation: move when it is offered among several.
Qt::DropAction ActionOf(int nOp) {
    if (nOp & ZS_OP_MOVE) {
        return Qt::MoveAction;
    }
    return (nOp & ZS_OP_COPY) ? Qt::CopyAction : Qt::IgnoreAction;
}

// The drop of a drag is the release of the mouse button over a target that takes the data. A target may
// ask for the data while the pointer merely passes over it; only after the release does it get the files.
// The watcher follows the answer of the target under the pointer and sees the application's events from
// inside the drag loop, ahead of the loop's own handling of them.
class CDropWatcher : public QObject {
public:
    CDropWatcher(QDrag* pDrag, const CZsDnDData* pData) : mpData(pData) {
        connect(pDrag, &QDrag::actionChanged, this, [this](Qt::DropAction nAction) { mnAction = nAction; });
    }

    bool eventFilter(QObject*, QEvent* pEvent) override {
        // Released where nothing takes the data, the drag ends without a drop.
        if (pEvent->type() == QEvent::MouseButtonRelease && mpData && mnAction != Qt::IgnoreAction) {
            // Files promised to another program are made here, before it learns of the drop. The drag
            // still holds the pointer, so no progress window could be used meanwhile.
            CZsProgressSink* pSink = ZsSetProgressSink(nullptr);
            mpData->SetDropped();
            ZsSetProgressSink(pSink);
        }
        return false;
    }

private:
    QPointer<const CZsDnDData> mpData;
    Qt::DropAction mnAction = Qt::IgnoreAction;
};

QByteArray UriList(const std::vector<std::filesystem::path>& files) {
    QByteArray list;
    for (const std::filesystem::path& file : files) {
        list += QUrl::fromLocalFile(ZsQPath(file)).toEncoded() + "\r\n";
    }
    return list;
}

int OpsOf(Qt::DropActions actions) {
    return (actions.testFlag(Qt::CopyAction) ? ZS_OP_COPY : 0) |
           (actions.testFlag(Qt::MoveAction) ? ZS_OP_MOVE : 0);
}

}  // namespace

// ---- CZsDnDData -------------------------------------------------------------------------------------------

CZsDnDData::~CZsDnDData() = default;

CZsDnD* CZsDnDData::Source() const {
    return FindWindow(mnSource);
}

void CZsDnDData::SetDropped() const {
    mbDropped = true;
    if (!mPlanned.empty()) {
        RenderFileList();
    }
}

bool CZsDnDData::IsDropped() const {
    return mbDropped;
}

QStringList CZsDnDData::formats() const {
    QStringList list = QMimeData::formats();
    if (mbDelayFiles && !list.contains(QLatin1String(ZS_FILES_MIME))) {
        list << QString::fromLatin1(ZS_FILES_MIME);
    }
    return list;
}

QVariant CZsDnDData::retrieveData(const QString& sMimeType, QMetaType type) const {
    if (mbDelayFiles && sMimeType == QLatin1String(ZS_FILES_MIME)) {
        const QByteArray files = IsDropped() ? RenderFileList() : PlanFileList();
        return files.isEmpty() ? QVariant() : QVariant(files);
    }
    return QMimeData::retrieveData(sMimeType, type);
}

QByteArray CZsDnDData::RenderFileList() const {
    if (mbRendered) {
        return mRenderedFiles;
    }
    // A request while the export runs (its progress dialog lets events in) gets nothing yet.
    if (mbRendering || mbRenderFailed || !IsDropped()) {
        return {};
    }
    CZsDnD* pSource = Source();
    if (!pSource) {
        return {};
    }
    mbRendering = true;
    std::vector<std::filesystem::path> files;
    const bool bOk =
        pSource->RenderFiles(*this, files) && !files.empty() && (mPlanned.empty() || files == mPlanned);
    mbRendering = false;
    if (!bOk) {
        mbRenderFailed = true;
        return {};
    }
    mRenderedFiles = UriList(files);
    mbRendered = true;
    return mRenderedFiles;
}

QByteArray CZsDnDData::PlanFileList() const {
    if (mPlanned.empty() && !mbRenderFailed) {
        CZsDnD* pSource = Source();
        std::vector<std::filesystem::path> files;
        if (pSource && pSource->PlanFiles(*this, files) && !files.empty()) {
            mPlanned = std::move(files);
            mPlannedFiles = UriList(mPlanned);
        }
    }
    return mPlannedFiles;
}

// ---- CZsDnD -----------------------------------------------------------------------------------------------

CZsDnD::CZsDnD(QWidget* pWindow) : mpWindow(pWindow), mnIdentity(NewIdentity()) {
    Windows().emplace(mnIdentity, this);
}

CZsDnD::~CZsDnD() {
    Windows().erase(mnIdentity);
    if (QCoreApplication::instance() && OwnsClipboard()) {
        QGuiApplication::clipboard()->clear();
    }
}

void CZsDnD::EnableDnD(bool bDropTarget, bool bCut, bool bPaste) {
    if (bDropTarget != mbDropTarget) {
        mbDropTarget = bDropTarget;
        mpWindow->setAcceptDrops(bDropTarget);
        if (auto* pArea = qobject_cast<QAbstractScrollArea*>(mpWindow)) {
            pArea->viewport()->setAcceptDrops(bDropTarget);
        }
    }
    mbDrag = true;
    mbCopy = true;
    mbCut = bCut;
    mbPaste = bPaste;
}

CZsDnDData& CZsDnD::NewTransfer() {
    mpNext.reset(new CZsDnDData(mnIdentity));
    return *mpNext;
}

void CZsDnD::CacheDnDData(uint64_t nPayload) {
    CZsDnDData& data = NewTransfer();
    data.mnPayload = nPayload;
    data.setData(QString::fromLatin1(ZS_DND_MIME), MakeBlock(mnIdentity, nPayload));
}

void CZsDnD::CacheItems(std::vector<ZS_DND_ITEM> items) {
    // Each list transfer gets its own number, so a block names one transfer only.
    static uint64_t nSerial = 0;
    CacheDnDData(++nSerial);
    QString sText;
    for (const ZS_DND_ITEM& item : items) {
        sText += item.sText + QLatin1Char('\n');
    }
    mpNext->mItems = std::move(items);
    mpNext->mbItems = true;
    mpNext->setText(sText);
}

void CZsDnD::CacheText(const QString& sText) {
    (mpNext ? *mpNext : NewTransfer()).setText(sText);
}

void CZsDnD::CacheData(const QString& sMimeType, const QByteArray& data) {
    (mpNext ? *mpNext : NewTransfer()).setData(sMimeType, data);
}

void CZsDnD::DelayRenderFiles() {
    (mpNext ? *mpNext : NewTransfer()).mbDelayFiles = true;
}

int CZsDnD::DoDragDrop(int nAllowed, const QPixmap& pixmap) {
    CancelDragStart();
    Qt::DropActions actions;
    if (nAllowed & ZS_OP_COPY) {
        actions |= Qt::CopyAction;
    }
    if (nAllowed & ZS_OP_MOVE) {
        actions |= Qt::MoveAction;
    }
    if (!mpNext || !actions) {
        return ZS_OP_NONE;
    }
    CZsDnDData* pData = mpNext.release();
    // The drag takes the data and goes when it ends.
    auto* pDrag = new QDrag(mpWindow);
    pDrag->setMimeData(pData);
    if (!pixmap.isNull()) {
        pDrag->setPixmap(pixmap);
    }
    // Installed once the drag loop runs, the watcher comes before the loop's own filter.
    CDropWatcher watcher(pDrag, pData);
    QTimer::singleShot(0, &watcher,
                       [&watcher] { QCoreApplication::instance()->installEventFilter(&watcher); });
    QPointer<CZsDnDData> pGuard(pData);
    const int nDone = OpsOf(pDrag->exec(actions, ActionOf(nAllowed)));
    // Another program asks for the data only after the loop has ended; a release that came before the
    // watcher was in place still counts.
    if (nDone != ZS_OP_NONE && pGuard) {
        pGuard->SetDropped();
    }
    return nDone;
}

bool CZsDnD::CopyToClipboard() {
    CZsDnDData& data = mpNext ? *mpNext : NewTransfer();
    data.SetDropped();
    mpClipboard = &data;
    QGuiApplication::clipboard()->setMimeData(mpNext.release());
    // The desktop may refuse the clipboard (an X server takes a selection only with a time it accepts); a
    // later Paste would then take what was there before.
    if (!OwnsClipboard()) {
        ZS_LOG_ERR("CZsDnD::CopyToClipboard", "QClipboard::setMimeData");
        ZsMsgBox(ZS_MB_ERROR,
                 QCoreApplication::translate(
                     "CZsDnD", "Nothing was copied: the desktop did not give the clipboard to Pictavo."));
        return false;
    }
    return true;
}

bool CZsDnD::OwnsClipboard() const {
    return mpClipboard && QGuiApplication::clipboard()->mimeData() == mpClipboard.data();
}

bool CZsDnD::RenderFiles(const CZsDnDData&, std::vector<std::filesystem::path>&) {
    return false;
}

bool CZsDnD::PlanFiles(const CZsDnDData&, std::vector<std::filesystem::path>&) {
    return false;
}

int CZsDnD::OnDragEnter(const QMimeData* pData, const QPoint& pt) {
    return OnDragOver(pData, pt);
}

int CZsDnD::OnDragOver(const QMimeData*, const QPoint& pt) {
    AutoScroll(pt);
    return ZS_OP_NONE;
}

int CZsDnD::OnDropEx(const QMimeData*, int, int, const QPoint&) {
    return -1;
}

void CZsDnD::OnDragLeave() {}

void CZsDnD::AutoScroll(const QPoint& pt) {
    auto* pArea = qobject_cast<QAbstractScrollArea*>(mpWindow);
    if (!pArea) {
        return;
    }
    const QRect rc = pArea->viewport()->rect();
    bool bScrolled = false;
    auto step = [&bScrolled](QScrollBar* pBar, QAbstractSlider::SliderAction nAction) {
        pBar->triggerAction(nAction);
        bScrolled = true;
    };
    if (pt.x() <= rc.left() + kScrollBand) {
        step(pArea->horizontalScrollBar(), QAbstractSlider::SliderSingleStepSub);
    } else if (pt.x() >= rc.right() - kScrollBand) {
        step(pArea->horizontalScrollBar(), QAbstractSlider::SliderSingleStepAdd);
    }
    if (pt.y() <= rc.top() + kScrollBand) {
        step(pArea->verticalScrollBar(), QAbstractSlider::SliderSingleStepSub);
    } else if (pt.y() >= rc.bottom() - kScrollBand) {
        step(pArea->verticalScrollBar(), QAbstractSlider::SliderSingleStepAdd);
    }
    if (!bScrolled) {
        StopAutoScroll();
        return;
    }
    // The desktop reports a drag only when the pointer moves; resting in the band keeps scrolling.
    mScrollPoint = pt;
    if (!mpScrollTimer) {
        mpScrollTimer = new QTimer(mpWindow);
        mpScrollTimer->setInterval(kScrollRepeatMs);
        QObject::connect(mpScrollTimer, &QTimer::timeout, mpWindow, [this] { AutoScroll(mScrollPoint); });
    }
    if (!mpScrollTimer->isActive()) {
        mpScrollTimer->start();
    }
}

void CZsDnD::StopAutoScroll() {
    if (mpScrollTimer) {
        mpScrollTimer->stop();
    }
}

void CZsDnD::NoteDragPress(QMouseEvent* pEvent, bool bOnItem) {
    const Qt::MouseButton nButton = pEvent->button();
    const bool bDragButton = nButton == Qt::LeftButton || nButton == Qt::RightButton;
    mnPressButton = bOnItem && mbDrag && bDragButton ? nButton : Qt::NoButton;
    mPressPos = pEvent->position().toPoint();
}

bool CZsDnD::IsDragStart(QMouseEvent* pEvent) {
    if (mnPressButton == Qt::NoButton) {
        return false;
    }
    if (!(pEvent->buttons() & mnPressButton)) {
        mnPressButton = Qt::NoButton;
        return false;
    }
    return (pEvent->position().toPoint() - mPressPos).manhattanLength() >= QApplication::startDragDistance();
}

void CZsDnD::AnswerDrag(QDragMoveEvent* pEvent, int nOp) {
    const Qt::DropAction nAction = ActionOf(nOp & OpsOf(pEvent->possibleActions()));
    if (nAction == Qt::IgnoreAction) {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(nAction);
    pEvent->accept();
}

void CZsDnD::DispatchDragEnter(QDragEnterEvent* pEvent) {
    mDragButtons = pEvent->buttons();
    mDragKeys = pEvent->modifiers();
    AnswerDrag(pEvent, OnDragEnter(pEvent->mimeData(), pEvent->position().toPoint()));
    // Only a window that took the enter is told of the moves and the drop: another place of it may take
    // what this one does not.
    if (!pEvent->isAccepted()) {
        pEvent->setDropAction(Qt::IgnoreAction);
        pEvent->accept();
    }
}

void CZsDnD::DispatchDragMove(QDragMoveEvent* pEvent) {
    mDragButtons = pEvent->buttons();
    mDragKeys = pEvent->modifiers();
    AnswerDrag(pEvent, OnDragOver(pEvent->mimeData(), pEvent->position().toPoint()));
}

void CZsDnD::DispatchDragLeave(QDragLeaveEvent* pEvent) {
    StopAutoScroll();
    OnDragLeave();
    pEvent->accept();
}

void CZsDnD::DispatchDrop(QDropEvent* pEvent) {
    StopAutoScroll();
    if (auto* pData = qobject_cast<const CZsDnDData*>(pEvent->mimeData())) {
        pData->SetDropped();
    }
    const int nOffered = OpsOf(pEvent->possibleActions());
    const int nDone =
        OnDropEx(pEvent->mimeData(), OpsOf(pEvent->dropAction()), nOffered, pEvent->position().toPoint());
    const Qt::DropAction nAction = nDone > 0 ? ActionOf(nDone & nOffered) : Qt::IgnoreAction;
    if (nAction == Qt::IgnoreAction) {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(nAction);
    pEvent->accept();
}

int ZsKeyStateOps(Qt::MouseButtons buttons, Qt::KeyboardModifiers keys) {
    if (buttons & Qt::RightButton) {
        return ZS_OP_EITHER;
    }
    return (keys & Qt::ControlModifier) ? ZS_OP_COPY : ZS_OP_MOVE;
}

// ---- Reading transfers ------------------------------------------------------------------------------------

bool ZsHasFormat(const QMimeData* pData, const QString& sMimeType) {
    return pData && pData->hasFormat(sMimeType);
}

bool ZsHasFormat(const QMimeData* pData, const char* pszMimeType) {
    return ZsHasFormat(pData, QString::fromLatin1(pszMimeType));
}

bool ZsGetDnDData(const QMimeData* pData, uint64_t* pnSource, uint64_t* pnPayload) {
    if (!ZsHasFormat(pData, ZS_DND_MIME)) {
        return false;
    }
    const QByteArray block = pData->data(QString::fromLatin1(ZS_DND_MIME));
    if (block.size() != kBlockSize) {
        return false;
    }
    if (pnSource) {
        *pnSource = qFromLittleEndian<quint64>(block.constData());
    }
    if (pnPayload) {
        *pnPayload = qFromLittleEndian<quint64>(block.constData() + 8);
    }
    return true;
}

CZsDnD* ZsGetDnDSource(const QMimeData* pData, uint64_t* pnPayload) {
    uint64_t nSource = 0;
    uint64_t nPayload = 0;
    if (!ZsGetDnDData(pData, &nSource, &nPayload)) {
        return nullptr;
    }
    CZsDnD* pSource = FindWindow(nSource);
    if (pSource && pnPayload) {
        *pnPayload = nPayload;
    }
    return pSource;
}

bool ZsGetDnDItems(const QMimeData* pData, CZsDnD** ppSource, std::vector<ZS_DND_ITEM>* pItems) {
    uint64_t nPayload = 0;
    CZsDnD* pSource = ZsGetDnDSource(pData, &nPayload);
    // The items live in the transfer itself, which is taken only when it is the one the block names.
    auto* pTransfer = qobject_cast<const CZsDnDData*>(pData);
    if (!pSource || !pTransfer || !pTransfer->IsItemTransfer() || pTransfer->Source() != pSource ||
        pTransfer->Payload() != nPayload) {
        return false;
    }
    if (ppSource) {
        *ppSource = pSource;
    }
    if (pItems) {
        *pItems = pTransfer->Items();
    }
    return true;
}

bool ZsGetDroppedFiles(const QMimeData* pData, std::vector<std::filesystem::path>* pDirs,
                       std::vector<std::filesystem::path>* pFiles, std::string_view sFilter) {
    if (!pData || !pData->hasUrls()) {
        return false;
    }
    for (const QUrl& url : pData->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const std::filesystem::path path = ZsPathOf(url.toLocalFile());
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            if (pDirs) {
                pDirs->push_back(path);
            }
        } else if (pFiles && (sFilter.empty() || ZsMatchWildcards(ZsPathToUtf8(path.filename()), sFilter))) {
            pFiles->push_back(path);
        }
    }
    return true;
}

const QMimeData* ZsClipboardData() {
    return QGuiApplication::clipboard()->mimeData();
}

// ---- The drop menu ----------------------------------------------------------------------------------------

int ZsDropMenu(QWidget* pWindow, int& nOp, int& nPos, int nAllowedOps, int nAllowedPositions,
               const ZsDropMenuFlags& enabled, const QString& sCopyLabel) {
    struct CChoice {
        int nId;
        int nOp;
        int nPos;
    };
    static constexpr CChoice kChoices[6] = {
        {ID_DND_MOVE, ZS_OP_MOVE, ZS_POS_CHILD},       {ID_DND_MOVE_ABOVE, ZS_OP_MOVE, ZS_POS_ABOVE},
        {ID_DND_MOVE_BELOW, ZS_OP_MOVE, ZS_POS_BELOW}, {ID_DND_COPY, ZS_OP_COPY, ZS_POS_CHILD},
        {ID_DND_COPY_ABOVE, ZS_OP_COPY, ZS_POS_ABOVE}, {ID_DND_COPY_BELOW, ZS_OP_COPY, ZS_POS_BELOW},
    };
    const bool bChildOnly = nAllowedPositions == ZS_POS_CHILD;
    const QString texts[6] = {
        bChildOnly ? QCoreApplication::translate("CZsDnD", "Move")
                   : QCoreApplication::translate("CZsDnD", "Move As Child"),
        QCoreApplication::translate("CZsDnD", "Move As Sibling Above"),
        QCoreApplication::translate("CZsDnD", "Move As Sibling Below"),
        !sCopyLabel.isEmpty() ? sCopyLabel
        : bChildOnly          ? QCoreApplication::translate("CZsDnD", "Copy")
                              : QCoreApplication::translate("CZsDnD", "Copy As Child"),
        QCoreApplication::translate("CZsDnD", "Copy As Sibling Above"),
        QCoreApplication::translate("CZsDnD", "Copy As Sibling Below"),
    };
    int nDefault = ID_DND_MOVE;
    if (nOp == ZS_OP_MOVE && nPos == ZS_POS_ABOVE) {
        nDefault = ID_DND_MOVE_ABOVE;
    } else if (nOp == ZS_OP_MOVE && nPos == ZS_POS_BELOW) {
        nDefault = ID_DND_MOVE_BELOW;
    } else if (nOp == ZS_OP_COPY && nPos == ZS_POS_CHILD) {
        nDefault = ID_DND_COPY;
    } else if (nOp == ZS_OP_COPY && nPos == ZS_POS_ABOVE) {
        nDefault = ID_DND_COPY_ABOVE;
    } else if (nOp == ZS_OP_COPY && nPos == ZS_POS_BELOW) {
        nDefault = ID_DND_COPY_BELOW;
    }

    QMenu menu(pWindow);
    for (size_t i = 0; i < 6; ++i) {
        const CChoice& choice = kChoices[i];
        if (i == 3 && !bChildOnly) {
            menu.addSeparator();
        }
        if (!(nAllowedOps & choice.nOp) || !(nAllowedPositions & choice.nPos)) {
            continue;
        }
        QAction* pAction = menu.addAction(texts[i]);
        pAction->setData(choice.nId);
        pAction->setEnabled(enabled[i]);
        if (choice.nId == nDefault) {
            menu.setDefaultAction(pAction);
        }
    }
    menu.addSeparator();
    menu.addAction(QCoreApplication::translate("CZsDnD", "Cancel"))->setData(static_cast<int>(ID_DND_CANCEL));

    const QAction* pChosen = menu.exec(QCursor::pos());
    nOp = ZS_OP_NONE;
    for (const CChoice& choice : kChoices) {
        if (pChosen && pChosen->data().toInt() == choice.nId) {
            nOp = choice.nOp;
            nPos = choice.nPos;
        }
    }
    return nOp;
}
