// The library window the user works in stays the active one, offscreen: with two libraries open, every
// batch command run in the second one (under the progress dialog, which disables the main window), a paste
// from the first, a file handed over by a later start, a message box and the program losing and regaining
// the activation all leave the second library active, with the focus where it was.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/batch/DlgIconExp.h"
#include "gui/batch/DlgIconFmts.h"
#include "gui/batch/DlgImpGrid.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"

using guitest::SolidIcon;

namespace {

constexpr uint32_t kRed = ZsArgb(0xFF, 0xFF, 0, 0);

// Answers the next file dialog with a name typed into it, a file or a folder.
void ChooseFile(const QString& sName) {
    guitest::OnNextModal([sName](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        QVERIFY(pDialog);
        guitest::TypeFileName(pDialog, sName);
        static_cast<QDialog*>(pDialog)->accept();
    });
}

// Runs fn on the next modal dialog of type T, then presses its OK.
template <class T>
void OnDialog(std::function<void(T*)> fn) {
    guitest::OnNextModal([fn](QWidget* pModal) {
        auto* pDialog = qobject_cast<T*>(pModal);
        QVERIFY(pDialog);
        fn(pDialog);
        pDialog->accept();
    });
}

// Two libraries open in a shown, active main frame, the second one opened last and worked in.
struct CTwoLibraries {
    test::TempDir dir;
    CFrmMain frame;
    std::unique_ptr<CZsPrgSinkScope> pProgress;
    CDocZIL* pFirst = nullptr;
    CDocZIL* pSecond = nullptr;

    bool Open() {
        std::vector<std::pair<std::string, ZsBlock>> icons;
        for (const char* pszName : {"a", "b", "c", "d"}) {
            icons.emplace_back(pszName, SolidIcon({32, 16}, kRed));
        }
        guitest::WriteLibraryOf(dir / "first.pctv", icons);
        guitest::WriteLibraryOf(dir / "second.pctv", icons);
        std::filesystem::create_directories(dir / "in");
        if (!ZsWriteFile(dir / "in" / "one.ico", SolidIcon({16}, kRed)) ||
            !ZsSaveBitmapFile(CZsBitmap(64, 32, 32, kRed), dir / "strip.png", ZS_PIC_PNG)) {
            return false;
        }
        std::filesystem::create_directories(dir / "out");
        if (!guitest::ShowFrame(frame, QSize(1000, 700))) {
            return false;
        }
        pProgress = std::make_unique<CZsPrgSinkScope>(&frame);
        pFirst = frame.Docs().OpenDocumentFile(dir / "first.pctv");
        pSecond = frame.Docs().OpenDocumentFile(dir / "second.pctv");
        if (!pFirst || !pSecond) {
            return false;
        }
        frame.activateWindow();
        if (!QTest::qWaitForWindowActive(&frame)) {
            return false;
        }
        WorkIn(pSecond);
        return ZsGetConfig().Save();
    }

    CViewZIL* View(CDocZIL* pDoc) { return frame.Docs().FrameOf(pDoc)->IconView(); }

    // The user clicks into the library's icon list, in its first category, and selects the first rows.
    void WorkIn(CDocZIL* pDoc) {
        frame.GetMdiArea()->setActiveSubWindow(frame.Docs().SubWindowOf(pDoc));
        CViewZIL* pView = View(pDoc);
        const CZsCategoryTree& tree = pDoc->Tree();
        frame.Docs().FrameOf(pDoc)->TreeView()->SelectTreeItem(tree.GetNextPreorder(tree.GetRootItem()));
        QListView* pList = pView->IconList();
        pList->setFocus();
        QItemSelection selection(pList->model()->index(0, 0), pList->model()->index(1, 0));
        pList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        pList->selectionModel()->setCurrentIndex(pList->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    }

    void Trigger(int nId) { guitest::Trigger(frame, nId); }

    // The second library is the active one and its icon list has the focus once everything has settled and
    // the window manager has given the activation back to the main window, as it does when a dialog goes.
    bool SecondStaysActive(const char* pszAfter) {
        QTest::qWait(20);
        if (CDlgPrg::Current() || !frame.isEnabled()) {
            qWarning("%s: the batch has not ended", pszAfter);
            return false;
        }
        if (!frame.isActiveWindow()) {
            frame.activateWindow();
            if (!QTest::qWaitForWindowActive(&frame)) {
                qWarning("%s: the frame cannot be activated", pszAfter);
                return false;
            }
        }
        QTest::qWait(20);
        const CDocZIL* pActive = frame.ActiveDocument();
        const QWidget* pFocus = frame.focusWidget();
        if (pActive != pSecond ||
            frame.GetMdiArea()->activeSubWindow() != frame.Docs().SubWindowOf(pSecond) ||
            pFocus != View(pSecond)->IconList()) {
            qWarning("%s: active %s, focus on %s in %s", pszAfter,
                     pActive ? qPrintable(pActive->GetTitle()) : "none",
                     pFocus ? pFocus->metaObject()->className() : "nothing",
                     pFocus && frame.Docs().FrameOf(pFirst)->isAncestorOf(pFocus) ? "the first library"
                                                                                  : "another window");
            return false;
        }
        return true;
    }
};

}  // namespace

class ActiveLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void batchCommandsLeaveTheLibraryTheyRanInActive() {
        CTwoLibraries libs;
        QVERIFY(libs.Open());
        const std::filesystem::path& dir = libs.dir.Path();
        test::ScriptedMessages messages({ZS_IDOK, ZS_IDOK, ZS_IDOK, ZS_IDOK});

        ZS_IMP_ICON_INIT_DIR.Set(ZsPathToUtf8(dir / "in"));
        ChooseFile(QStringLiteral("one.ico"));
        libs.Trigger(ID_ICON_IMPORT);
        QCOMPARE(libs.pSecond->GetList(ZIL_ID_ALL).size(), size_t(5));
        QVERIFY(libs.SecondStaysActive("Import Icons"));

        ChooseFile(ZsQPath(dir / "in"));
        libs.Trigger(ID_ICON_IMP_DIR);
        QCOMPARE(libs.pSecond->GetList(ZIL_ID_ALL).size(), size_t(6));
        QVERIFY(libs.SecondStaysActive("Import Icons from Disk Directory"));

        ChooseFile(ZsQPath(dir / "in"));
        libs.Trigger(ID_LIB_IMP_DIRS);
        QCOMPARE(libs.pSecond->GetList(ZIL_ID_ALL).size(), size_t(7));
        QVERIFY(libs.SecondStaysActive("Import from Disk Directory Tree"));

        libs.WorkIn(libs.pSecond);
        ZS_IMP_GRID_INIT_DIR.Set(ZsPathToUtf8(dir));
        guitest::OnNextModal([](QWidget* pModal) {
            auto* pDialog = qobject_cast<QFileDialog*>(pModal);
            QVERIFY(pDialog);
            guitest::TypeFileName(pDialog, QStringLiteral("strip.png"));
            OnDialog<CDlgImpGrid>([](CDlgImpGrid*) {});
            static_cast<QDialog*>(pDialog)->accept();
        });
        libs.Trigger(ID_ICON_IMP_GRID);
        QVERIFY(libs.pSecond->GetList(ZIL_ID_ALL).size() > size_t(7));
        QVERIFY(libs.SecondStaysActive("Import Icons from Image Strips/Grids"));

        for (int nType : {int(ZS_EXPORT_ICO), int(ZS_EXPORT_ICL), int(ZS_PIC_PNG), int(ZS_EXPORT_ICNS)}) {
            OnDialog<CDlgIconExp>([&dir, nType](CDlgIconExp* pDialog) {
                pDialog->FileFormatCombo()->setCurrentIndex(nType);
                pDialog->FolderEdit()->setText(ZsQPath(dir / "out"));
            });
            libs.Trigger(ID_ICON_EXPORT);
            QVERIFY(libs.SecondStaysActive(qPrintable(QStringLiteral("Export Icons, type %1").arg(nType))));
        }
        QVERIFY(std::filesystem::exists(dir / "out" / "second.icl"));

        ChooseFile(ZsQPath(dir / "out"));
        libs.Trigger(ID_LIB_EXP_DIRS);
        QVERIFY(libs.SecondStaysActive("Export to Disk Directory Tree"));

        libs.WorkIn(libs.pSecond);
        libs.Trigger(ID_ICON_MERGE);
        QVERIFY(libs.SecondStaysActive("Merge Icons"));

        libs.WorkIn(libs.pSecond);
        OnDialog<CDlgDelFmts>([](CDlgDelFmts* pDialog) { pDialog->InsertDesired({16, 16, 32}); });
        libs.Trigger(ID_ICON_DEL_FMTS);
        QVERIFY(libs.SecondStaysActive("Delete Formats from Icons"));
        QVERIFY(libs.pSecond->IsModified());
        QVERIFY(!libs.pFirst->IsModified());
    }

    void pastedIconsAndHandedOverFilesKeepTheLibraryActive() {
        CTwoLibraries libs;
        QVERIFY(libs.Open());
        libs.WorkIn(libs.pFirst);
        libs.Trigger(ID_EDIT_COPY);
        libs.WorkIn(libs.pSecond);
        libs.Trigger(ID_EDIT_PASTE);
        QCOMPARE(libs.pSecond->GetList(ZIL_ID_ALL).size(), size_t(6));
        QVERIFY(libs.SecondStaysActive("Paste of icons from the other library"));

        libs.frame.OpenForwardedFiles({ZsQPath(libs.dir / "in" / "one.ico")});
        QCOMPARE(libs.pSecond->GetList(ZIL_ID_ALL).size(), size_t(7));
        QVERIFY(libs.SecondStaysActive("A file handed over by a later start"));
        QVERIFY(!libs.pFirst->IsModified());
    }

    void losingAndRegainingTheActivationKeepsTheLibraryActive() {
        CTwoLibraries libs;
        QVERIFY(libs.Open());
        // Another program's window takes the activation, then the user comes back to the frame.
        QWidget other;
        other.setWindowTitle(QStringLiteral("Another program"));
        other.resize(200, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!libs.frame.isActiveWindow());
        libs.frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&libs.frame));
        QVERIFY(libs.SecondStaysActive("Another window was active"));

        // The whole program loses the activation and gets it back.
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!libs.frame.isActiveWindow());
        QApplication::setActiveWindow(&libs.frame);
        QTRY_VERIFY(libs.frame.isActiveWindow());
        QVERIFY(libs.SecondStaysActive("The program was inactive"));

        // A message box over the frame.
        test::ScriptedMessages none;
        QMessageBox* pBox = nullptr;
        guitest::OnNextModal([&pBox](QWidget* pModal) {
            pBox = qobject_cast<QMessageBox*>(pModal);
            pModal->close();
        });
        QMessageBox box(QMessageBox::Information, QStringLiteral("Pictavo"), QStringLiteral("Note"),
                        QMessageBox::Ok, &libs.frame);
        box.exec();
        QVERIFY(pBox);
        QVERIFY(libs.SecondStaysActive("A message box"));

        // A library window closed by the user leaves the one the workspace activates next.
        libs.WorkIn(libs.pFirst);
        QCOMPARE(libs.frame.ActiveDocument(), libs.pFirst);
        libs.WorkIn(libs.pSecond);
        QCOMPARE(libs.frame.ActiveDocument(), libs.pSecond);
    }
};

PICTAVO_GUI_TEST_MAIN(ActiveLibraryTest)
#include "ActiveLibraryTest.moc"
