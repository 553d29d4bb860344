#include "gui/ui/DocZIL.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QTimer>

#include "common/ZsLog.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/IconPane.h"
#include "gui/ui/LibHost.h"
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

// A reason from the store as a sentence of its own: first letter capital, a full stop at the end.
std::string Sentence(std::string sClause) {
    if (!sClause.empty() && sClause[0] >= 'a' && sClause[0] <= 'z') {
        sClause[0] = static_cast<char>(sClause[0] - 'a' + 'A');
    }
    return sClause + ".";
}

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
        ZsMsgBox(ZS_MB_ERROR, tr("Can not open '%1'!\n%2").arg(ZsQPath(path), ZsQ(LoadError())));
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
                 tr("The library '%1' holds damaged icons:\n%2.\nThey show no picture and are left out of "
                    "exports.")
                     .arg(ZsQPath(GetPath()), ZsQ(ZsUnreadableIconsText(ids))));
    }
}

CDocZIL::SAVE_WAY CDocZIL::AskBeforeSave(bool bCanReopen) {
    if (GetPathName().empty()) {
        return SAVE_AS;
    }
    const QString sPath = ZsQPath(GetPathName());
    switch (CheckFile()) {
        case ZIL_FILE_UNCHANGED:
        case ZIL_FILE_GONE:
            return SAVE_HERE;
        case ZIL_FILE_READ_ONLY:
            return ZsMsgBox(ZS_MB_QUESTION,
                            tr("Can not save file '%1'!\n%2\n\nSave the library under another name?")
                                .arg(sPath, ZsQ(Sentence(SaveError())))) == ZS_IDOK
                       ? SAVE_AS
                       : SAVE_CANCEL;
        case ZIL_FILE_CHANGED:
            break;
    }
    const QString sMessage =
        (bCanReopen
             ? tr("Can not save file '%1'!\n%2\n\nSaving here would overwrite the other program's "
                  "changes, so nothing was written. Your changes are kept in this window: save them under "
                  "another name (a copy of the whole library as this window shows it), or reopen the "
                  "library to see it as the other program left it.")
             : tr("Can not save file '%1'!\n%2\n\nSaving here would overwrite the other program's "
                  "changes, so nothing was written. Your changes are kept in this window: save them under "
                  "another name (a copy of the whole library as this window shows it)."))
            .arg(sPath, ZsQ(Sentence(SaveError())));
    CDlgZsMsgBox box(QString::fromUtf8(ZS_PRODUCT_NAME), sMessage, tr("Save &As..."),
                     bCanReopen ? tr("&Reopen") : QString(), tr("&Cancel"), QApplication::activeWindow());
    const int nChoice = box.exec();
    if (nChoice == ZS_IDYES) {
        return SAVE_AS;
    }
    if (nChoice == ZS_IDNO &&
        ZsMsgBox(ZS_MB_QUESTION,
                 tr("Reopen '%1' as the other program left it? Your unsaved changes are lost.").arg(sPath)) ==
            ZS_IDOK) {
        return SAVE_REOPEN;
    }
    return SAVE_CANCEL;
}

bool CDocZIL::CheckSaveTarget(const std::filesystem::path& path) {
    if (!ZsSamePath(path, GetPathName()) && mpHost) {
        for (CDocZIL* pDoc : mpHost->OpenDocuments()) {
            if (pDoc != this && ZsSamePath(pDoc->GetPathName(), path)) {
                ZsMsgBox(ZS_MB_ERROR, tr("The file is currently opened in %1.\nPlease close it first.")
                                          .arg(QString::fromUtf8(ZS_PRODUCT_NAME)));
                return false;
            }
        }
    }
    if (const std::string sWhy = ZsWhyCannotWrite(path); !sWhy.empty()) {
        ZsMsgBox(ZS_MB_ERROR, tr("Can not save file '%1'!\n%2").arg(ZsQPath(path), ZsQ(Sentence(sWhy))));
        return false;
    }
    return true;
}

bool CDocZIL::OnSaveDocument(const std::filesystem::path& path) {
    if (!CheckSaveTarget(path)) {
        return false;
    }
    if (!Save(path)) {
        ZsMsgBox(ZS_MB_ERROR,
                 tr("Can not save file '%1'!\n%2").arg(ZsQPath(path), ZsQ(Sentence(SaveError()))));
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
    CIconPane* pView = mpIconPane;
    if (!mpHost || !pView || mpHost->ActiveDocument() != this) {
        return;
    }
    const int nSelected = pView->GetSelectedCount();
    if (nSelected >= 2) {
        mpHost->SetStatusPane(1, ZsS(tr("Selection: %1 Icons").arg(nSelected)));
    } else if (nSelected == 1) {
        const int nFormats = pView->GetImageRowCount();
        const QString sName = ZsQ(GetIconName(pView->GetCaretIconId()));
        mpHost->SetStatusPane(
            1, ZsS((nFormats < 2 ? tr("Selection: %1 (%2 format)") : tr("Selection: %1 (%2 formats)"))
                       .arg(sName, QString::number(nFormats))));
    } else {
        mpHost->SetStatusPane(1, ZsS(tr("Selection: None")));
    }
    const int nCount = pView->GetIconCount();
    mpHost->SetStatusPane(2, ZsS(nCount == 0  ? tr("Total: None")
                                 : nCount < 2 ? tr("Total: %1 Icon").arg(nCount)
                                              : tr("Total: %1 Icons").arg(nCount)));
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
    if (ZsMsgBox(ZS_MB_QUESTION,
                 tr("This will start optimizing for size for the library '%1'. It may take long "
                    "for large libraries. Proceed now?")
                     .arg(GetTitle())) != ZS_IDOK) {
        return;
    }
    if (IsModified() && !OnSaveDocument(GetPathName())) {
        return;
    }
    CWaitCursor wait;
    if (!Compact()) {
        ZsMsgBox(ZS_MB_ERROR, tr("Can not compact '%1'!").arg(ZsQPath(GetPathName())));
    }
}
