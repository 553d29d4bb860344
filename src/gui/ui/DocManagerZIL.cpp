#include "gui/ui/DocManagerZIL.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/LibHost.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"

namespace {

const char* const kFilter = "Extended Icon Library Files (*.pctv)";
// Yes, No and Cancel with the warning icon: the question before a modified library closes.
constexpr int kAskToSave = 0x03 | 0x30;

}  // namespace

CDocManagerZIL::CDocManagerZIL(CLibHost* pHost, QMdiArea* pArea, CZsCmdRouter* pRouter, QObject* pParent)
    : QObject(pParent), mpHost(pHost), mpArea(pArea), mpRouter(pRouter) {
    mRecent.Load();
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
            pAction->setText(i == 0 ? QStringLiteral("Recent File") : QString());
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
    pWindow->resize(760, 480);
    if (bMaximized) {
        pWindow->showMaximized();
    } else {
        pWindow->show();
    }
    mpArea->setActiveSubWindow(pWindow);
    pFrame->TreeView()->OnInitialUpdate();
    return pFrame;
}

CDocZIL* CDocManagerZIL::OnFileNew() {
    auto* pDoc = new CDocZIL(mpHost, this);
    if (!pDoc->OnNewDocument()) {
        delete pDoc;
        return nullptr;
    }
    pDoc->SetTitle(QStringLiteral("Library%1").arg(++mnUntitled));
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
                                                                const std::filesystem::path& suggestion) {
    if (mPromptFile) {
        return mPromptFile(bSave, suggestion);
    }
    QWidget* pParent = mpArea->window();
    const QString sFilter = QString::fromUtf8(kFilter);
    const QString sPath =
        bSave ? QFileDialog::getSaveFileName(pParent, QStringLiteral("Save As"), ZsQPath(suggestion), sFilter)
              : QFileDialog::getOpenFileName(pParent, QStringLiteral("Open"), ZsQPath(ZsGetDocumentsDir()),
                                             sFilter);
    if (sPath.isEmpty()) {
        return std::nullopt;
    }
    std::filesystem::path path = ZsPathOf(sPath);
    if (bSave && path.extension().empty()) {
        path += ".pctv";
    }
    return path;
}

bool CDocManagerZIL::DoSave(CDocZIL* pDoc, bool bAskPath) {
    std::filesystem::path path = pDoc->GetPathName();
    // A library whose file may not be written is saved under another name, as an untitled one is.
    const QFileInfo info(ZsQPath(path));
    if (bAskPath || path.empty() || (info.exists() && !info.isWritable())) {
        std::filesystem::path suggestion = path;
        if (suggestion.empty()) {
            suggestion =
                ZsGetDocumentsDir() / ZsPathFromUtf8(ZsMakeFileName(ZsS(pDoc->GetTitle())) + ".pctv");
        }
        auto chosen = PromptFile(true, suggestion);
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
    const std::string sName =
        pDoc->GetPathName().empty() ? ZsS(pDoc->GetTitle()) : ZsPathToUtf8(pDoc->GetPathName());
    switch (ZsMsgBox(kAskToSave, "Save changes to %s?", sName.c_str())) {
        case ZS_IDYES:
            return DoSave(pDoc, false);
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
