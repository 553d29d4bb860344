#include "gui/ui/DocManagerZIL.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <algorithm>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsFileDialogs.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/LibHost.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"

namespace {

const char* const kFilter = QT_TRANSLATE_NOOP("CDocManagerZIL", "Extended Icon Library Files (*.pctv)");
// Yes, No and Cancel with the warning icon: the question before a modified library closes.
constexpr int kAskToSave = 0x03 | 0x30;

}  // namespace

CDocManagerZIL::CDocManagerZIL(CLibHost* pHost, QMdiArea* pArea, CZsCmdRouter* pRouter, QObject* pParent)
    : QObject(pParent), mpHost(pHost), mpArea(pArea), mpRouter(pRouter) {
    mRecent.Load();
    mpArea->installEventFilter(this);
    // A disabled main window (the progress dialog's) loses its focus widget; when it is activated again
    // without one, the first pane in the focus chain takes the focus and with it the workspace activates
    // the first library window, not the one the user works in. The frame's enabling and activation are
    // watched to give the focus back first.
    mpMainWnd = mpArea->window();
    if (mpMainWnd && mpMainWnd != mpArea) {
        mpMainWnd->installEventFilter(this);
    }
    connect(mpArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* pWindow) {
        if (pWindow) {
            mpWorking = pWindow;
        }
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* pNow) {
        if (pNow && mpArea->isAncestorOf(pNow)) {
            mpLastFocus = pNow;
        }
    });
}

void CDocManagerZIL::KeepWorkingWindow() {
    QMdiSubWindow* pWindow = mpWorking;
    if (!pWindow || !mpArea->subWindowList().contains(pWindow)) {
        return;
    }
    QWidget* pFocus = mpMainWnd ? mpMainWnd->focusWidget() : nullptr;
    if (pFocus && pWindow->isAncestorOf(pFocus)) {
        return;
    }
    if (mpArea->activeSubWindow() != pWindow) {
        mpArea->setActiveSubWindow(pWindow);
    }
    pFocus = mpLastFocus;
    if (!pFocus || !pWindow->isAncestorOf(pFocus) || !pFocus->isVisible() || !pFocus->isEnabled()) {
        auto* pFrame = qobject_cast<CFrmZIL*>(pWindow->widget());
        pFocus = pFrame && pFrame->isVisible() ? pFrame->IconView()->IconList() : nullptr;
    }
    if (pFocus) {
        pFocus->setFocus(Qt::OtherFocusReason);
    }
}

void CDocManagerZIL::AddToRecentFileList(const std::filesystem::path& path) {
    mRecent.Add(path);
    mRecent.Save();
    UpdateRecentActions();
}

void CDocManagerZIL::UpdateRecentActions() {
    const auto& files = mRecent.Files();
    for (int nId = ID_FILE_MRU_FILE1; nId <= ID_FILE_MRU_FILE16; ++nId) {
        QAction* pAction = mpRouter->Action(nId);
        const size_t i = static_cast<size_t>(nId - ID_FILE_MRU_FILE1);
        if (i >= files.size()) {
            pAction->setText(i == 0 ? tr("Recent File") : QString());
            pAction->setVisible(i == 0);
            continue;
        }
        const QString sPath = ZsQPath(files[i]);
        const QString sNumber = i < 9    ? QStringLiteral("&%1").arg(i + 1)
                                : i == 9 ? QStringLiteral("1&0")
                                         : QString::number(i + 1);
        // "&" in a path would be taken for a mnemonic.
        pAction->setText(sNumber + QLatin1Char(' ') +
                         QString(sPath).replace(QLatin1Char('&'), QLatin1String("&&")));
        pAction->setVisible(true);
    }
}

CDocManagerZIL::~CDocManagerZIL() {
    CloseAllDocuments();
}

std::vector<CDocZIL*> CDocManagerZIL::Documents() const {
    return mDocs;
}

QMdiSubWindow* CDocManagerZIL::SubWindowOf(const CDocZIL* pDoc) const {
    for (QMdiSubWindow* pWindow : mpArea->subWindowList()) {
        auto* pFrame = qobject_cast<CFrmZIL*>(pWindow->widget());
        if (pFrame && pFrame->Doc() == pDoc) {
            return pWindow;
        }
    }
    return nullptr;
}

CFrmZIL* CDocManagerZIL::FrameOf(const CDocZIL* pDoc) const {
    QMdiSubWindow* pWindow = SubWindowOf(pDoc);
    return pWindow ? qobject_cast<CFrmZIL*>(pWindow->widget()) : nullptr;
}

CDocZIL* CDocManagerZIL::ActiveDocument() const {
    QMdiSubWindow* pWindow = mpArea->activeSubWindow();
    if (!pWindow && !mpArea->subWindowList().isEmpty()) {
        pWindow = mpArea->subWindowList(QMdiArea::ActivationHistoryOrder).last();
    }
    auto* pFrame = pWindow ? qobject_cast<CFrmZIL*>(pWindow->widget()) : nullptr;
    return pFrame ? pFrame->Doc() : nullptr;
}

CFrmZIL* CDocManagerZIL::CreateFrame(CDocZIL* pDoc) {
    // A new window opens maximised when the active one is.
    QMdiSubWindow* pActive = mpArea->activeSubWindow();
    const bool bMaximized = pActive && pActive->isMaximized();
    auto* pFrame = new CFrmZIL(pDoc, mpRouter);
    pFrame->mCanClose = [this](CFrmZIL* pClosing) {
        CDocZIL* pClosingDoc = pClosing->Doc();
        if (!pClosingDoc || !SaveModified(pClosingDoc)) {
            return false;
        }
        mDocs.erase(std::remove(mDocs.begin(), mDocs.end(), pClosingDoc), mDocs.end());
        pClosingDoc->OnCloseDocument();
        pClosingDoc->deleteLater();
        return true;
    };
    QMdiSubWindow* pWindow = mpArea->addSubWindow(pFrame);
    pWindow->setWindowIcon(QApplication::windowIcon());
    PlaceNewWindow(pWindow);
    // The workspace keeps the rectangle a maximised window goes back to.
    ZsTrackNormalGeometry(pWindow);
    if (bMaximized) {
        pWindow->showMaximized();
    } else {
        pWindow->show();
    }
    mpArea->setActiveSubWindow(pWindow);
    pFrame->TreeView()->OnInitialUpdate();
    return pFrame;
}

namespace {

constexpr const char* kPlaceOnShow = "zsPlaceOnShow";

// One step of a cascade: the height of a window's title bar.
int CascadeStep(const QMdiSubWindow* pWindow) {
    QStyleOptionTitleBar option;
    option.initFrom(pWindow);
    return std::max(8, pWindow->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, pWindow));
}

// How many steps a cascade of windows of this size may take: as many as wanted, but never so many that the
// windows lose more than a third of the workspace's width or height.
int CascadeSteps(const QSize& area, int nStep, int nWanted) {
    return std::clamp(std::min(area.width(), area.height()) / 3 / nStep, 0, std::max(nWanted, 0));
}

// Window nIndex of a cascade: staggered by one step from the top left, as large as the workspace less the
// steps, so that every window lies fully inside it.
QRect CascadeRect(const QSize& area, int nStep, int nSteps, int nIndex) {
    const int nOffset = nIndex % (nSteps + 1) * nStep;
    return QRect(nOffset, nOffset, std::max(1, area.width() - nSteps * nStep),
                 std::max(1, area.height() - nSteps * nStep));
}

}  // namespace

void CDocManagerZIL::PlaceNewWindow(QMdiSubWindow* pWindow) {
    // A workspace not shown yet has no size of its own: the window is placed again when it is shown.
    pWindow->setProperty(kPlaceOnShow, !mpArea->isVisible());
    const QSize area = mpArea->viewport()->size();
    const int nStep = CascadeStep(pWindow);
    const int nSteps = CascadeSteps(area, nStep, kNewWindowSteps);
    // The first step of the cascade that no other window takes, else the next one round.
    std::vector<QPoint> taken;
    for (QMdiSubWindow* pOther : mpArea->subWindowList()) {
        if (pOther != pWindow && pOther->isVisible() && !pOther->isMinimized() && !pOther->isMaximized()) {
            taken.push_back(pOther->pos());
        }
    }
    int nIndex = static_cast<int>(taken.size());
    for (int i = 0; i <= nSteps; ++i) {
        if (std::find(taken.begin(), taken.end(), QPoint(i * nStep, i * nStep)) == taken.end()) {
            nIndex = i;
            break;
        }
    }
    pWindow->setGeometry(CascadeRect(area, nStep, nSteps, nIndex));
}

void CDocManagerZIL::KeepPlacement(QMdiSubWindow* pWindow) {
    pWindow->setProperty(kPlaceOnShow, false);
}

std::vector<QMdiSubWindow*> CDocManagerZIL::WindowsToArrange() {
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* pWindow : mpArea->subWindowList(QMdiArea::ActivationHistoryOrder)) {
        if (!pWindow->isMinimized()) {
            if (pWindow->isMaximized()) {
                pWindow->showNormal();
            }
            windows.push_back(pWindow);
        }
    }
    return windows;
}

void CDocManagerZIL::CascadeWindows() {
    QMdiSubWindow* pActive = mpArea->activeSubWindow();
    const std::vector<QMdiSubWindow*> windows = WindowsToArrange();
    if (windows.empty()) {
        return;
    }
    const QSize area = mpArea->viewport()->size();
    const int nStep = CascadeStep(windows.front());
    const int nSteps = CascadeSteps(area, nStep, static_cast<int>(windows.size()) - 1);
    // The least recently used window goes to the top left; the active one comes last, on top.
    for (size_t i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(CascadeRect(area, nStep, nSteps, static_cast<int>(i)));
        windows[i]->raise();
    }
    if (pActive) {
        mpArea->setActiveSubWindow(pActive);
    }
}

void CDocManagerZIL::TileWindows() {
    std::vector<QMdiSubWindow*> windows = WindowsToArrange();
    if (windows.empty()) {
        return;
    }
    // The active window goes first, to the top left.
    std::reverse(windows.begin(), windows.end());
    const QSize area = mpArea->viewport()->size();
    const int nCount = static_cast<int>(windows.size());
    const int nMaxRows = std::max(1, area.height() / kMinTileHeight);
    const int nColumns = (nCount + nMaxRows - 1) / nMaxRows;
    int nWindow = 0;
    for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
        // The windows left are shared out evenly among the columns left.
        const int nRows = (nCount - nWindow + (nColumns - nColumn) - 1) / (nColumns - nColumn);
        const int nLeft = area.width() * nColumn / nColumns;
        const int nRight = area.width() * (nColumn + 1) / nColumns;
        for (int nRow = 0; nRow < nRows; ++nRow, ++nWindow) {
            const int nTop = area.height() * nRow / nRows;
            const int nBottom = area.height() * (nRow + 1) / nRows;
            windows[static_cast<size_t>(nWindow)]->setGeometry(nLeft, nTop, nRight - nLeft, nBottom - nTop);
        }
    }
}

void CDocManagerZIL::ArrangeIcons() {
    const QSize area = mpArea->viewport()->size();
    int nLeft = 0;
    int nBottom = area.height();
    int nRowHeight = 0;
    for (QMdiSubWindow* pWindow : mpArea->subWindowList()) {
        if (!pWindow->isMinimized()) {
            continue;
        }
        const QSize size = pWindow->size();
        if (nLeft > 0 && nLeft + size.width() > area.width()) {
            nLeft = 0;
            nBottom -= nRowHeight;
            nRowHeight = 0;
        }
        pWindow->move(nLeft, nBottom - size.height());
        nLeft += size.width();
        nRowHeight = std::max(nRowHeight, size.height());
    }
}

bool CDocManagerZIL::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == mpMainWnd && mpMainWnd) {
        // Both come before the framework hands the focus to a pane of the frame.
        if ((pEvent->type() == QEvent::EnabledChange && mpMainWnd->isEnabled()) ||
            pEvent->type() == QEvent::WindowActivate) {
            KeepWorkingWindow();
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
    if (pWatched == mpArea && pEvent->type() == QEvent::Show) {
        // Now that the workspace has its size, windows opened before are placed and kept inside it.
        const QRect rcArea(QPoint(0, 0), mpArea->viewport()->size());
        for (QMdiSubWindow* pWindow : mpArea->subWindowList()) {
            if (pWindow->isMaximized() || pWindow->isMinimized()) {
                continue;
            }
            if (pWindow->property(kPlaceOnShow).toBool()) {
                PlaceNewWindow(pWindow);
            } else if (!rcArea.contains(pWindow->geometry())) {
                pWindow->setGeometry(ZsFitInside(pWindow->geometry(), rcArea));
            }
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}

CDocZIL* CDocManagerZIL::OnFileNew() {
    auto* pDoc = new CDocZIL(mpHost, this);
    if (!pDoc->OnNewDocument()) {
        delete pDoc;
        return nullptr;
    }
    pDoc->SetTitle(tr("Library%1").arg(++mnUntitled));
    mDocs.push_back(pDoc);
    CreateFrame(pDoc);
    return pDoc;
}

CDocZIL* CDocManagerZIL::OpenDocumentFile(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec).lexically_normal();
    for (CDocZIL* pDoc : mDocs) {
        if (ZsSamePath(pDoc->GetPathName(), full)) {
            mpArea->setActiveSubWindow(SubWindowOf(pDoc));
            return pDoc;
        }
    }
    auto* pDoc = new CDocZIL(mpHost, this);
    if (!pDoc->OnOpenDocument(full)) {
        delete pDoc;
        return nullptr;
    }
    pDoc->SetPathName(full);
    AddToRecentFileList(full);
    mDocs.push_back(pDoc);
    CreateFrame(pDoc);
    return pDoc;
}

std::optional<std::filesystem::path> CDocManagerZIL::PromptFile(bool bSave,
                                                                const std::filesystem::path& suggestion,
                                                                CDocZIL* pDoc) {
    if (mPromptFile) {
        return mPromptFile(bSave, suggestion);
    }
    QWidget* pParent = mpArea->window();
    if (bSave) {
        // A name the library cannot be saved as is refused before the question whether to replace the file.
        const std::filesystem::path path = ZsSaveFileDialog(
            pParent, ZsS(tr(kFilter)) + "|*.pctv||", "pctv", suggestion, nullptr, tr("Save As"),
            [pDoc](const std::filesystem::path& chosen) { return !pDoc || pDoc->CheckSaveTarget(chosen); });
        return path.empty() ? std::nullopt : std::optional<std::filesystem::path>(path);
    }
    const QString sPath =
        QFileDialog::getOpenFileName(pParent, tr("Open"), ZsQPath(ZsGetDocumentsDir()), tr(kFilter));
    if (sPath.isEmpty()) {
        return std::nullopt;
    }
    return ZsPathOf(sPath);
}

void CDocManagerZIL::ReopenDocument(CDocZIL* pDoc) {
    const std::filesystem::path path = pDoc->GetPathName();
    CloseDocument(pDoc);
    OpenDocumentFile(path);
}

bool CDocManagerZIL::DoSave(CDocZIL* pDoc, bool bAskPath, bool bClosing) {
    std::filesystem::path path = pDoc->GetPathName();
    if (!bAskPath && !path.empty()) {
        // A library that is closing cannot be reopened in its place.
        switch (pDoc->AskBeforeSave(!bClosing)) {
            case CDocZIL::SAVE_HERE:
                break;
            case CDocZIL::SAVE_AS:
                bAskPath = true;
                break;
            case CDocZIL::SAVE_REOPEN:
                ReopenDocument(pDoc);
                return false;
            case CDocZIL::SAVE_CANCEL:
                return false;
        }
    }
    if (bAskPath || path.empty()) {
        std::filesystem::path suggestion = path;
        if (suggestion.empty()) {
            suggestion =
                ZsGetDocumentsDir() / ZsPathFromUtf8(ZsMakeFileName(ZsS(pDoc->GetPlainTitle())) + ".pctv");
        }
        auto chosen = PromptFile(true, suggestion, pDoc);
        if (!chosen) {
            return false;
        }
        path = *chosen;
    }
    if (!pDoc->OnSaveDocument(path)) {
        return false;
    }
    pDoc->SetPathName(path);
    AddToRecentFileList(path);
    return true;
}

bool CDocManagerZIL::SaveModified(CDocZIL* pDoc) {
    if (!pDoc->IsModified()) {
        return true;
    }
    const QString sName = pDoc->GetPathName().empty() ? pDoc->GetPlainTitle() : ZsQPath(pDoc->GetPathName());
    switch (ZsMsgBox(kAskToSave, tr("Save changes to %1?").arg(sName))) {
        case ZS_IDYES:
            return DoSave(pDoc, false, true);
        case ZS_IDNO:
            return true;
        default:
            return false;
    }
}

bool CDocManagerZIL::SaveAllModified() {
    for (CDocZIL* pDoc : Documents()) {
        if (!SaveModified(pDoc)) {
            return false;
        }
    }
    return true;
}

void CDocManagerZIL::CloseDocument(CDocZIL* pDoc) {
    mDocs.erase(std::remove(mDocs.begin(), mDocs.end(), pDoc), mDocs.end());
    QMdiSubWindow* pWindow = SubWindowOf(pDoc);
    pDoc->OnCloseDocument();
    if (pWindow) {
        mpArea->removeSubWindow(pWindow);
        delete pWindow;
    }
    delete pDoc;
}

void CDocManagerZIL::CloseAllDocuments() {
    while (!mDocs.empty()) {
        CloseDocument(mDocs.back());
    }
}

bool CDocManagerZIL::OnCommand(int nId) {
    CDocZIL* pDoc = ActiveDocument();
    switch (nId) {
        case ID_FILE_NEW_LIB:
            OnFileNew();
            return true;
        case ID_FILE_OPEN:
            if (auto path = PromptFile(false, {})) {
                OpenDocumentFile(*path);
            }
            return true;
        case ID_FILE_SAVE_ALL:
            for (CDocZIL* pEach : Documents()) {
                DoSave(pEach, false);
            }
            return true;
        default:
            break;
    }
    if (nId >= ID_FILE_MRU_FILE1 && nId <= ID_FILE_MRU_FILE16) {
        const size_t nIndex = static_cast<size_t>(nId - ID_FILE_MRU_FILE1);
        if (nIndex < mRecent.Files().size()) {
            const std::filesystem::path path = mRecent.Files()[nIndex];
            if (!OpenDocumentFile(path)) {
                mRecent.Remove(nIndex);
                mRecent.Save();
                UpdateRecentActions();
            }
        }
        return true;
    }
    if (!pDoc) {
        return false;
    }
    switch (nId) {
        case ID_FILE_SAVE:
            DoSave(pDoc, false);
            return true;
        case ID_FILE_SAVE_AS:
            DoSave(pDoc, true);
            return true;
        case ID_FILE_CLOSE:
            if (QMdiSubWindow* pWindow = SubWindowOf(pDoc)) {
                pWindow->close();
            }
            return true;
        default:
            return false;
    }
}

bool CDocManagerZIL::OnUpdateCommand(CZsCmdUI& ui) {
    if (ui.Id() >= ID_FILE_MRU_FILE1 && ui.Id() <= ID_FILE_MRU_FILE16) {
        ui.Enable(static_cast<size_t>(ui.Id() - ID_FILE_MRU_FILE1) < mRecent.Files().size());
        return true;
    }
    switch (ui.Id()) {
        case ID_FILE_NEW_LIB:
        case ID_FILE_OPEN:
            ui.Enable();
            return true;
        case ID_FILE_SAVE_ALL:
            ui.Enable(std::any_of(mDocs.begin(), mDocs.end(), [](const CDocZIL* pEach) {
                return pEach->IsModified() || pEach->GetPathName().empty();
            }));
            return true;
        case ID_FILE_SAVE:
        case ID_FILE_SAVE_AS:
        case ID_FILE_CLOSE:
            ui.Enable(ActiveDocument() != nullptr);
            return true;
        default:
            return false;
    }
}
