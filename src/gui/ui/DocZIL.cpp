#include "gui/ui/DocZIL.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QTimer>

#include "common/ZsLog.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/LibHost.h"
#include "gui/ui/ViewZIL.h"
#include "icon/ZsBitmap.h"

namespace {

// Shows the wait cursor for its lifetime.
class CWaitCursor {
public:
    CWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

}  // namespace

CDocZIL::CDocZIL(CLibHost* pHost, QObject* pParent) : CZsDocument(pParent), mpHost(pHost) {
    AttachTree(&mTree);
}

CDocZIL::~CDocZIL() {
    AttachTree(nullptr);
}

bool CDocZIL::OnNewDocument() {
    mTree.DeleteAllItems();
    AttachTree(&mTree);
    if (!NewLib()) {
        return false;
    }
    mnCurNode = 0;
    return true;
}

bool CDocZIL::OnOpenDocument(const std::filesystem::path& path) {
    CWaitCursor wait;
    mTree.DeleteAllItems();
    AttachTree(&mTree);
    if (!Load(path)) {
        // The store says why on the second line: missing, not a library, or damaged.
        ZsMsgBox(ZS_MB_ERROR, "Can not open '%s'!\n%s", ZsPathToUtf8(path).c_str(), LoadError().c_str());
        return false;
    }
    mnCurNode = 0;
    SetModifiedFlag(false);
    // Damaged icons are met when they are first read (drawn in the list, exported); once that read is over
    // the user hears of all of them in one message.
    SetUnreadableNotice([this] { QTimer::singleShot(0, this, [this] { WarnUnreadable(); }); });
    return true;
}

void CDocZIL::WarnUnreadable() {
    // A batch disables the main window while it runs; the message waits for it, and for any dialog.
    bool bBusy = QApplication::activeModalWidget() != nullptr;
    for (QWidget* pTop : QApplication::topLevelWidgets()) {
        bBusy |= qobject_cast<QMainWindow*>(pTop) && !pTop->isEnabled();
    }
    if (bBusy) {
        QTimer::singleShot(250, this, [this] { WarnUnreadable(); });
        return;
    }
    const std::vector<int32_t> ids = TakeUnreadableWarning();
    if (!ids.empty()) {
        ZsMsgBox(ZS_MB_ERROR,
                 "The library '%s' holds damaged icons:\n%s.\nThey show no picture and are left out of "
                 "exports.",
                 ZsPathToUtf8(GetPath()).c_str(), ZsUnreadableIconsText(ids).c_str());
    }
}

bool CDocZIL::OnSaveDocument(const std::filesystem::path& path) {
    const std::string sPath = ZsPathToUtf8(path);
    if (!ZsSamePath(path, GetPathName()) && mpHost) {
        for (CDocZIL* pDoc : mpHost->OpenDocuments()) {
            if (pDoc != this && ZsSamePath(pDoc->GetPathName(), path)) {
                ZsMsgBox(ZS_MB_ERROR, "The file is currently opened in %s.\nPlease close it first.",
                         ZS_PRODUCT_NAME);
                return false;
            }
        }
    }
    if (!Save(path)) {
        ZsMsgBox(ZS_MB_ERROR, "Can not save file '%s'!", sPath.c_str());
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocZIL::OnCloseDocument() {
    Close();
    // The preview shows the active library's image: closing another library leaves it alone.
    if (mpHost && mpHost->ActiveDocument() == this) {
        mpHost->SetPreview(CZsBitmap());
    }
}

void CDocZIL::OnIdle() {
    if (!mpHost || mpHost->ActiveDocument() != this || Views().size() < 2) {
        return;
    }
    auto* pView = dynamic_cast<CViewZIL*>(Views()[1]);
    if (!pView) {
        return;
    }
    const int nSelected = pView->GetSelectedCount();
    if (nSelected >= 2) {
        mpHost->SetStatusPane(1, ZsFormat("Selection: %d Icons", nSelected));
    } else if (nSelected == 1) {
        const int nFormats = pView->GetImageRowCount();
        mpHost->SetStatusPane(
            1, ZsFormat("Selection: %s (%d format%s)", GetIconName(pView->GetCaretIconId()).c_str(), nFormats,
                        nFormats < 2 ? "" : "s"));
    } else {
        mpHost->SetStatusPane(1, "Selection: None");
    }
    const int nCount = pView->GetIconCount();
    mpHost->SetStatusPane(2, nCount == 0 ? std::string("Total: None")
                                         : ZsFormat("Total: %d Icon%s", nCount, nCount < 2 ? "" : "s"));
}

bool CDocZIL::OnCommand(int nId) {
    if (nId == ID_LIB_COMPACT) {
        OnLibCompact();
        return true;
    }
    return false;
}

bool CDocZIL::OnUpdateCommand(CZsCmdUI& ui) {
    switch (ui.Id()) {
        case ID_LIB_COMPACT:
            ui.Enable(!GetPathName().empty());
            return true;
        case ID_FILE_SAVE:
            ui.Enable(IsModified() || GetPathName().empty());
            return true;
        default:
            return false;
    }
}

void CDocZIL::OnLibCompact() {
    if (ZsMsgBox(
            ZS_MB_QUESTION,
            "This will start optimizing for size for the library '%s'. It may take long for large libraries. "
            "Proceed now?",
            ZsS(GetTitle()).c_str()) != ZS_IDOK) {
        return;
    }
    if (IsModified() && !OnSaveDocument(GetPathName())) {
        return;
    }
    CWaitCursor wait;
    if (!Compact()) {
        ZsMsgBox(ZS_MB_ERROR, "Can not compact '%s'!", ZsPathToUtf8(GetPathName()).c_str());
    }
}
