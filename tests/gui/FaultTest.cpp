// The desktop program when things go wrong around it. Its one busy state: while a batch runs (its progress
// run, also after the user aborted it and until it ends) or a modal dialog is open, a later start's
// hand-over, the tray's Exit and the end signals wait, and then run in the order they came. And a save onto
// a full disk: it fails with the message, and the library stays as it was in memory and on disk.
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <csignal>

#include "GuiTestSupport.h"
#include "SqliteFaults.h"
#include "TestSupport.h"
#include "common/ZsConfig.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/app/ZsProjApp.h"
#include "gui/batch/DlgPrg.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsInstance.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTray.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

using guitest::MakeLibrary;

namespace {

QStringList OpenNames(CFrmMain* pFrame) {
    QStringList names;
    for (CDocZIL* pDoc : pFrame->Docs().Documents()) {
        names << ZsQPath(pDoc->GetPathName().filename());
    }
    return names;
}

// Lets the event loop run for a while as a batch does between its items.
void PumpFor(int nMs) {
    for (int i = 0; i < nMs / 10; ++i) {
        PumpProgress();
        QTest::qWait(10);
    }
}

// The program as started: no workspace, listening for later starts.
struct CStartedApp {
    CZsProjApp app{{QStringLiteral("pictavo")}};
    CFrmMain* pFrame = nullptr;
    QString sServer;

    CStartedApp() {
        std::error_code ec;
        std::filesystem::remove(ZsGetConfigPath(), ec);
        ZsGetConfig().Load(ZsGetConfigPath());
        ZS_WORKSPACE.Set({});
        ZsGetConfig().Save();
        if (app.InitInstance()) {
            pFrame = app.Frame();
            sServer = CZsInstanceServer::ServerName(ZsGetDataDir());
        }
    }
    ~CStartedApp() {
        if (pFrame && pFrame->isVisible()) {
            test::ScriptedMessages answers({int(ZS_IDNO), int(ZS_IDNO), int(ZS_IDNO)});
            pFrame->close();
        }
    }
};

}  // namespace

class FaultTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { EndProgress(); }

    void handOversDuringABatchWaitUntilItEndsAndKeepTheirOrder() {
        test::TempDir dir;
        MakeLibrary(dir / "one.pctv");
        MakeLibrary(dir / "two.pctv");
        CStartedApp started;
        QVERIFY(started.pFrame);
        QSignalSpy received(started.app.InstanceServer(), &CZsInstanceServer::Received);
        BeginProgress();
        QVERIFY(ZsIsBusy());
        QVERIFY(CZsInstanceServer::HandOver(started.sServer, {ZsQPath(dir / "one.pctv")}));
        QTRY_COMPARE(received.size(), 1);
        QVERIFY(CZsInstanceServer::HandOver(started.sServer, {ZsQPath(dir / "two.pctv")}));
        QTRY_COMPARE(received.size(), 2);
        PumpFor(300);
        QVERIFY(OpenNames(started.pFrame).isEmpty());
        EndProgress();
        QVERIFY(!ZsIsBusy());
        QTRY_COMPARE(OpenNames(started.pFrame),
                     (QStringList{QStringLiteral("one.pctv"), QStringLiteral("two.pctv")}));
    }

    void anAbortedBatchStaysBusyUntilItsRunEnds() {
        test::TempDir dir;
        MakeLibrary(dir / "lib.pctv");
        CStartedApp started;
        QVERIFY(started.pFrame);
        QSignalSpy received(started.app.InstanceServer(), &CZsInstanceServer::Received);
        BeginProgress();
        QVERIFY(CDlgPrg::Current());
        {
            test::ScriptedMessages answers({int(ZS_IDOK)});
            CDlgPrg::Current()->reject();
        }
        QVERIFY(!CDlgPrg::Current());
        QVERIFY(!PumpProgress());
        // The operation has not returned yet: what it holds must stay as it is.
        QVERIFY(CZsInstanceServer::HandOver(started.sServer, {ZsQPath(dir / "lib.pctv")}));
        QTRY_COMPARE(received.size(), 1);
        PumpFor(200);
        QVERIFY(OpenNames(started.pFrame).isEmpty());
        EndProgress();
        QTRY_COMPARE(OpenNames(started.pFrame), QStringList{QStringLiteral("lib.pctv")});
    }

    void handOverDuringAModalDialogWaitsUntilItCloses() {
        test::TempDir dir;
        MakeLibrary(dir / "lib.pctv");
        CStartedApp started;
        QVERIFY(started.pFrame);
        QSignalSpy received(started.app.InstanceServer(), &CZsInstanceServer::Received);
        QDialog dialog(started.pFrame);
        QStringList openWhileModal{QStringLiteral("(not checked)")};
        bool bBusyWhileModal = false;
        QTimer::singleShot(0, &dialog, [&] {
            bBusyWhileModal = ZsIsBusy();
            CZsInstanceServer::HandOver(started.sServer, {ZsQPath(dir / "lib.pctv")});
            QTRY_COMPARE(received.size(), 1);
            QTest::qWait(200);
            openWhileModal = OpenNames(started.pFrame);
            dialog.accept();
        });
        dialog.exec();
        QVERIFY(bBusyWhileModal);
        QVERIFY(openWhileModal.isEmpty());
        QTRY_COMPARE(OpenNames(started.pFrame), QStringList{QStringLiteral("lib.pctv")});
    }

    void exitAndEndSignalDuringABatchCloseTheProgramAfterIt() {
        for (bool bSignal : {false, true}) {
            CStartedApp started;
            QVERIFY(started.pFrame);
            QSignalSpy closed(started.pFrame, &CFrmMain::Closed);
            BeginProgress();
            if (bSignal) {
                std::raise(SIGTERM);
            } else {
                QAction* pExit = nullptr;
                for (QAction* pAction : started.app.Tray()->Menu()->actions()) {
                    if (pAction->data().toInt() == ID_TRAY_EXIT) {
                        pExit = pAction;
                    }
                }
                QVERIFY(pExit);
                pExit->trigger();
            }
            PumpFor(200);
            QCOMPARE(closed.size(), 0);
            QVERIFY(started.pFrame->isVisible());
            EndProgress();
            QTRY_COMPARE(closed.size(), 1);
        }
    }

    void saveOnAFullDiskFailsWithTheMessageAndSaveAsElsewhereWorks() {
        test::TempDir dir;
        std::filesystem::create_directories(dir / "full");
        std::filesystem::create_directories(dir / "room");
        MakeLibrary(dir / "full" / "lib.pctv");
        // Installed before the library opens: a connection keeps the file layer it was opened with.
        test::SqliteFaults faults;
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OpenDocumentFile(dir / "full" / "lib.pctv");
        QVERIFY(pDoc);
        const ZsTreeItem item = pDoc->Tree().FindItem(1);
        pDoc->Tree().SetItemText(item, "Renamed");
        pDoc->SetModifiedFlag();

        faults.FillDisk(dir / "full", 0);
        {
            test::ScriptedMessages answers({int(ZS_IDOK)});
            frame.Router().UpdateAll();
            QVERIFY(frame.Router().Find(ID_FILE_SAVE)->isEnabled());
            frame.Router().Find(ID_FILE_SAVE)->trigger();
            QCOMPARE(answers.shown.size(), size_t(1));
            QCOMPARE(answers.shown[0].first, int(ZS_MB_ERROR));
            QCOMPARE(answers.shown[0].second, "Can not save file '" +
                                                  ZsPathToUtf8(dir / "full" / "lib.pctv") +
                                                  "'!\nDatabase or disk is full.");
        }
        QVERIFY(pDoc->IsModified());
        QCOMPARE(pDoc->Tree().GetItemText(item), std::string("Renamed"));

        frame.Docs().mPromptFile = [&](bool, const std::filesystem::path&) {
            return std::optional<std::filesystem::path>(dir / "room" / "lib.pctv");
        };
        frame.Router().UpdateAll();
        frame.Router().Find(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(!pDoc->IsModified());
        QCOMPARE(pDoc->GetPathName(), dir / "room" / "lib.pctv");
        faults.FreeDisk();
        for (const auto& [path, sTitle] : {std::pair(dir / "full" / "lib.pctv", "Sample Category 1"),
                                           std::pair(dir / "room" / "lib.pctv", "Renamed")}) {
            CZsCategoryTree tree;
            CZsIconLib lib;
            lib.AttachTree(&tree);
            QVERIFY(lib.Load(path));
            QCOMPARE(tree.GetItemText(tree.FindItem(1)), std::string(sTitle));
        }
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(frame.close());
    }

    void waitingWorkOfAGoneContextIsDropped() {
        int nRuns = 0;
        auto pContext = std::make_unique<QObject>();
        {
            CZsBusyScope busy;
            ZsWhenIdle(pContext.get(), [&] { ++nRuns; });
            ZsWhenIdle(this, [&] { nRuns += 10; });
            QTest::qWait(100);
            QCOMPARE(nRuns, 0);
            pContext.reset();
        }
        QTRY_COMPARE(nRuns, 10);
        // Idle: at once.
        ZsWhenIdle(this, [&] { nRuns += 100; });
        QCOMPARE(nRuns, 110);
    }
};

PICTAVO_GUI_TEST_MAIN(FaultTest)
#include "FaultTest.moc"
