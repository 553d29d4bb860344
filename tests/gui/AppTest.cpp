// The application's start and end: the library of the command line, the workspace and the very first run,
// the workspace kept across runs, the hand-over of a later start (in this process and between two real
// processes), a stale server socket, Save All, and the temporary folder and the log at exit.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "common/ZsConfig.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/app/ZsProjApp.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsInstance.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

namespace {

// A library file with the sample categories.
void MakeLibrary(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    QVERIFY(lib.Save(path));
}

// The settings as a run that starts now finds them: the file as given (none when bWithFile is false).
void ResetConfig(bool bWithFile, const std::vector<std::string>& workspace = {}) {
    std::error_code ec;
    std::filesystem::remove(ZsGetConfigPath(), ec);
    ZsGetConfig().Load(ZsGetConfigPath());
    if (bWithFile) {
        ZS_WORKSPACE.Set(workspace);
        QVERIFY(ZsGetConfig().Save());
    }
}

// The number in pre-order of a library's selected category.
int SelectedNumber(CDocZIL* pDoc) {
    const CZsCategoryTree& tree = pDoc->Tree();
    int nIndex = 0;
    for (ZsTreeItem item = tree.GetRootItem(); item != ZS_TI_NONE;
         item = tree.GetNextPreorder(item), ++nIndex) {
        if (item == tree.GetSelectedItem()) {
            return nIndex;
        }
    }
    return -1;
}

QString FileName(CDocZIL* pDoc) {
    return pDoc ? ZsQPath(pDoc->GetPathName().filename()) : QString();
}

QStringList OpenNames(CFrmMain* pFrame) {
    QStringList names;
    for (CDocZIL* pDoc : pFrame->Docs().Documents()) {
        names << FileName(pDoc);
    }
    return names;
}

// The environment of a child process of the program, sharing this test's data folder or one of its own.
QProcessEnvironment ChildEnvironment(const std::filesystem::path& root) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), ZsQPath(root / "home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), ZsQPath(root / "data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), ZsQPath(root / "config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QByteArray ReadAll(const std::filesystem::path& path) {
    QFile file(ZsQPath(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A UTF-16 file of the program as UTF-8 text.
QString ReadUtf16(const std::filesystem::path& path) {
    const QByteArray bytes = ReadAll(path);
    if (bytes.size() < 2) {
        return {};
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

// Waits until an instance listens under the name.
bool WaitForServer(const QString& sName) {
    for (int i = 0; i < 300; ++i) {
        QLocalSocket probe;
        probe.connectToServer(sName);
        if (probe.waitForConnected(100)) {
            probe.abort();
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::filesystem::path DefaultLibrary() const { return ZsGetDataDir() / "Default.pctv"; }

private slots:
    void init() {
        std::error_code ec;
        std::filesystem::remove(DefaultLibrary(), ec);
        ZS_MAIN_WND_PLACEMENT.Set("");
    }

    void veryFirstRunOpensTheDefaultLibrary() {
        MakeLibrary(DefaultLibrary());
        ResetConfig(false);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame()->isVisible());
        QCOMPARE(OpenNames(app.Frame()), QStringList{QStringLiteral("Default.pctv")});
    }

    void firstRunWithoutDefaultLibraryStartsEmpty() {
        ResetConfig(false);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame()->Docs().Documents().empty());
        QVERIFY(!app.Frame()->IsLibMenuShown());
    }

    void emptyWorkspaceStartsWithoutLibraryEvenWithDefault() {
        MakeLibrary(DefaultLibrary());
        ResetConfig(true);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame()->Docs().Documents().empty());
    }

    void commandLineOpensOnlyTheFirstLibrary() {
        test::TempDir dir;
        MakeLibrary(dir / "one.pctv");
        MakeLibrary(dir / "two.pctv");
        MakeLibrary(DefaultLibrary());
        ResetConfig(false);
        CZsProjApp app({QStringLiteral("pictavo"), QStringLiteral("-x"), ZsQPath(dir / "one.pctv"),
                        ZsQPath(dir / "two.pctv")});
        QVERIFY(app.InitInstance());
        QCOMPARE(OpenNames(app.Frame()), QStringList{QStringLiteral("one.pctv")});
    }

    void workspaceComesBackWithPlacementSelectionAndActiveLibraryLast() {
        test::TempDir dir;
        MakeLibrary(dir / "a.pctv");
        MakeLibrary(dir / "b.pctv");
        MakeLibrary(dir / "gone.pctv");
        ResetConfig(false);
        QRect rcA;
        {
            CZsProjApp app({QStringLiteral("pictavo")});
            QVERIFY(app.InitInstance());
            CFrmMain* pFrame = app.Frame();
            CDocManagerZIL& docs = pFrame->Docs();
            CDocZIL* pA = docs.OpenDocumentFile(dir / "a.pctv");
            CDocZIL* pGone = docs.OpenDocumentFile(dir / "gone.pctv");
            CDocZIL* pB = docs.OpenDocumentFile(dir / "b.pctv");
            QVERIFY(pA && pB && pGone);
            QVERIFY(docs.OnFileNew());
            QMdiSubWindow* pWindowA = docs.SubWindowOf(pA);
            pWindowA->showNormal();
            pWindowA->setGeometry(20, 30, 400, 300);
            rcA = pWindowA->geometry();
            // Categories 2 ("Sample Subcategory 1") in A and 4 ("Sample Category 2") in B.
            const CZsCategoryTree& treeA = pA->Tree();
            docs.FrameOf(pA)->TreeView()->SelectTreeItem(
                treeA.GetNextPreorder(treeA.GetNextPreorder(treeA.GetRootItem())));
            const CZsCategoryTree& treeB = pB->Tree();
            ZsTreeItem item = treeB.GetRootItem();
            for (int i = 0; i < 4; ++i) {
                item = treeB.GetNextPreorder(item);
            }
            docs.FrameOf(pB)->TreeView()->SelectTreeItem(item);
            QCOMPARE(SelectedNumber(pA), 2);
            QCOMPARE(SelectedNumber(pB), 4);
            std::filesystem::remove(dir / "gone.pctv");
            pFrame->GetMdiArea()->setActiveSubWindow(docs.SubWindowOf(pB));
            // The untitled library is asked about; it is not kept.
            test::ScriptedMessages answers({int(ZS_IDNO)});
            QVERIFY(pFrame->close());
            QCOMPARE(app.ExitInstance(), 0);
        }
        const std::vector<std::string> workspace = ZS_WORKSPACE.Get();
        QCOMPARE(workspace.size(), size_t(3));
        QVERIFY(QString::fromStdString(workspace[0]).contains(QLatin1String("a.pctv;")));
        QCOMPARE(workspace[1], ZsPathToUtf8(dir / "gone.pctv"));
        QVERIFY(QString::fromStdString(workspace[2]).contains(QLatin1String("b.pctv;")));
        QVERIFY(QString::fromStdString(workspace[2]).endsWith(QLatin1String(";4")));
        QVERIFY(ZsGetConfig().Save());

        // The next run: the missing library is refused, the others come back, B active.
        ZsGetConfig().Load(ZsGetConfigPath());
        test::ScriptedMessages answers({int(ZS_IDOK)});
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        QCOMPARE(OpenNames(pFrame), (QStringList{QStringLiteral("a.pctv"), QStringLiteral("b.pctv")}));
        QCOMPARE(answers.shown.size(), size_t(1));
        QCOMPARE(FileName(pFrame->ActiveDocument()), QStringLiteral("b.pctv"));
        CDocZIL* pA = pFrame->Docs().Documents()[0];
        QCOMPARE(SelectedNumber(pA), 2);
        QCOMPARE(SelectedNumber(pFrame->ActiveDocument()), 4);
        QCOMPARE(pFrame->Docs().SubWindowOf(pA)->geometry(), rcA);
    }

    void workspaceEntriesReadBackFromTheRight() {
        ZS_PLACEMENT placement;
        placement.left = 1;
        placement.top = 2;
        placement.right = 300;
        placement.bottom = 200;
        const std::string sPlacement = ZsPlacementToText(placement);
        CWorkspaceEntry entry = CFrmMain::ParseWorkspaceEntry("/x/odd;name.pctv;" + sPlacement + ";3");
        QCOMPARE(ZsPathToUtf8(entry.path), std::string("/x/odd;name.pctv"));
        QVERIFY(entry.placement && *entry.placement == placement);
        QCOMPARE(entry.nSelected, 3);
        entry = CFrmMain::ParseWorkspaceEntry("/x/lib.pctv;;-1");
        QCOMPARE(ZsPathToUtf8(entry.path), std::string("/x/lib.pctv"));
        QVERIFY(!entry.placement);
        QCOMPARE(entry.nSelected, -1);
        // A path alone, also one holding ";" or looking like fields.
        for (const char* pszAlone : {"/x/lib.pctv", "/x/a;b.pctv", "/x/a;b;c.pctv", "/x/a;zz;7"}) {
            entry = CFrmMain::ParseWorkspaceEntry(pszAlone);
            QCOMPARE(ZsPathToUtf8(entry.path), std::string(pszAlone));
            QCOMPARE(entry.nSelected, -1);
        }
        QVERIFY(CFrmMain::ParseWorkspaceEntry("").path.empty());
    }

    void forwardedArgumentsOpenEveryExistingLibrary() {
        test::TempDir dir;
        MakeLibrary(dir / "one.pctv");
        MakeLibrary(dir / "two.pctv");
        ResetConfig(true);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        pFrame->showMinimized();
        pFrame->Docs().OpenDocumentFile(dir / "one.pctv");
        pFrame->Docs().OnFileNew();
        QVERIFY(app.InstanceServer() && app.InstanceServer()->IsListening());
        const QString sServer = CZsInstanceServer::ServerName(ZsGetDataDir());
        QSignalSpy received(app.InstanceServer(), &CZsInstanceServer::Received);
        // Paths relative to the later start's folder, a missing file and a folder are all handed over.
        const QString sOldDir = QDir::currentPath();
        QDir::setCurrent(ZsQPath(dir.Path()));
        const bool bHandedOver =
            CZsInstanceServer::HandOver(sServer, {QStringLiteral("two.pctv"), QStringLiteral("missing.pctv"),
                                                  ZsQPath(dir.Path()), ZsQPath(dir / "one.pctv")});
        QDir::setCurrent(sOldDir);
        QVERIFY(bHandedOver);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(OpenNames(pFrame),
                 (QStringList{QStringLiteral("one.pctv"), QString(), QStringLiteral("two.pctv")}));
        // The library open already is only activated, and the window is back from the task bar.
        QCOMPARE(FileName(pFrame->ActiveDocument()), QStringLiteral("one.pctv"));
        QVERIFY(!pFrame->isMinimized());
        QVERIFY(pFrame->isVisible());

        // What is no hand-over is dropped.
        for (const QByteArray& junk :
             {QByteArray("\xff\xff\xff\xff"), QByteArray("\0\0\0\4abcd", 8), QByteArray("\0\0", 2)}) {
            QLocalSocket socket;
            socket.connectToServer(sServer);
            QVERIFY(socket.waitForConnected(1000));
            socket.write(junk);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
        }
        QTest::qWait(100);
        QCOMPARE(received.size(), 1);
        QVERIFY(app.InstanceServer()->IsListening());
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(pFrame->close());
    }

    void saveAllSavesEveryLibraryAndSkipsACancelledName() {
        test::TempDir dir;
        MakeLibrary(dir / "kept.pctv");
        MakeLibrary(dir / "locked.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocManagerZIL& docs = frame.Docs();
        CDocZIL* pKept = docs.OpenDocumentFile(dir / "kept.pctv");
        CDocZIL* pLocked = docs.OpenDocumentFile(dir / "locked.pctv");
        CDocZIL* pNew = docs.OnFileNew();
        QVERIFY(pKept && pLocked && pNew);
        pKept->SetModifiedFlag();
        std::filesystem::permissions(dir / "locked.pctv", std::filesystem::perms::owner_read);
        const bool bLockedIsReadOnly = !QFileInfo(ZsQPath(dir / "locked.pctv")).isWritable();
        std::vector<std::filesystem::path> asked;
        docs.mPromptFile = [&](bool bSave, const std::filesystem::path& suggestion) {
            asked.push_back(suggestion);
            return bSave && suggestion.filename() == "locked.pctv"
                       ? std::optional<std::filesystem::path>(dir / "copy.pctv")
                       : std::nullopt;
        };
        frame.Router().UpdateAll();
        QVERIFY(frame.Router().Find(ID_FILE_SAVE_ALL)->isEnabled());
        frame.Router().Find(ID_FILE_SAVE_ALL)->trigger();
        // The untitled library was asked for a name and skipped; the others were saved.
        QVERIFY(!pKept->IsModified());
        QVERIFY(pNew->GetPathName().empty());
        if (bLockedIsReadOnly) {
            // A read-only file asks for another name as an untitled library does.
            QCOMPARE(asked.size(), size_t(2));
            QCOMPARE(ZsQPath(pLocked->GetPathName().filename()), QStringLiteral("copy.pctv"));
            QVERIFY(std::filesystem::exists(dir / "copy.pctv"));
        } else {
            QCOMPARE(asked.size(), size_t(1));
        }
        std::filesystem::permissions(dir / "locked.pctv", std::filesystem::perms::owner_all);
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(frame.close());
    }

    void closeWaitsWhileABatchRuns() {
        ResetConfig(true);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        pFrame->Docs().OnFileNew();
        BeginProgress();
        QVERIFY(!pFrame->isEnabled());
        QVERIFY(!pFrame->close());
        QCOMPARE(pFrame->Docs().Documents().size(), size_t(1));
        EndProgress();
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(pFrame->close());
        QVERIFY(pFrame->Docs().Documents().empty());
    }

    void secondStartHandsOverBetweenTwoProcesses() {
        test::TempDir root;
        std::filesystem::create_directories(root / "home");
        const std::filesystem::path dataDir = root / "data" / "Pictavo";
        std::filesystem::create_directories(dataDir);
        MakeLibrary(root / "lib.pctv");
        const QString sServer = CZsInstanceServer::ServerName(ZsPathFromUtf8(ZsPathToUtf8(dataDir) + "/"));

        QProcess first;
        first.setProcessEnvironment(ChildEnvironment(root.Path()));
        first.start(QStringLiteral(PICTAVO_PROGRAM), {});
        QVERIFY(first.waitForStarted());
        QVERIFY(WaitForServer(sServer));
        // Files rendered for a drag to the desktop wait in the temporary folder until the end.
        std::filesystem::create_directories(dataDir / "Temp" / "drag");
        QVERIFY(ZsWriteFile(dataDir / "Temp" / "drag" / "icon.png", ZsBlock(8, 1)));
        const QByteArray logBefore = ReadAll(dataDir / "log.txt");
        QVERIFY(ReadUtf16(dataDir / "log.txt").startsWith(QLatin1String("Pictavo ")));

        QProcess second;
        second.setProcessEnvironment(ChildEnvironment(root.Path()));
        second.setWorkingDirectory(ZsQPath(root.Path()));
        second.start(QStringLiteral(PICTAVO_PROGRAM), {QStringLiteral("lib.pctv")});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // The first instance opens the library and logs it; the second wrote nothing.
        QTRY_VERIFY(ReadUtf16(dataDir / "log.txt").contains(QLatin1String("lib.pctv loaded")));
        QVERIFY(ReadAll(dataDir / "log.txt").startsWith(logBefore));
        QCOMPARE(ReadUtf16(dataDir / "log.txt").count(QLatin1String("Command lines: ")), 1);

        // The first instance ends as the user would end it and keeps the forwarded library in its
        // workspace.
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        CZsMemIni config;
        QVERIFY(config.Load(dataDir / "config.ini"));
        const std::vector<std::string> workspace = ZS_WORKSPACE.Get(config);
        QCOMPARE(workspace.size(), size_t(1));
        QCOMPARE(ZsPathToUtf8(CFrmMain::ParseWorkspaceEntry(workspace[0]).path),
                 ZsPathToUtf8(root / "lib.pctv"));
        QVERIFY(!std::filesystem::exists(dataDir / "Temp"));
        const QString sLog = ReadUtf16(dataDir / "log.txt");
        QVERIFY(sLog.endsWith(QLatin1String("\r\n\r\nEnd log\r\n")));
        QVERIFY(!sLog.contains(QLatin1String(" lib.pctv")));
    }

    void staleSocketOfACrashedInstanceDoesNotBlockTheNextStart() {
        test::TempDir root;
        std::filesystem::create_directories(root / "home");
        const std::filesystem::path dataDir = root / "data" / "Pictavo";
        std::filesystem::create_directories(dataDir);
        const QString sServer = CZsInstanceServer::ServerName(ZsPathFromUtf8(ZsPathToUtf8(dataDir) + "/"));

        QProcess crashed;
        crashed.setProcessEnvironment(ChildEnvironment(root.Path()));
        crashed.start(QStringLiteral(PICTAVO_PROGRAM), {});
        QVERIFY(WaitForServer(sServer));
        crashed.kill();
        QVERIFY(crashed.waitForFinished(20000));
        QLocalSocket probe;
        probe.connectToServer(sServer);
        QVERIFY(!probe.waitForConnected(200));

        QProcess next;
        next.setProcessEnvironment(ChildEnvironment(root.Path()));
        next.start(QStringLiteral(PICTAVO_PROGRAM), {});
        QVERIFY(WaitForServer(sServer));
        QCOMPARE(next.state(), QProcess::Running);
        next.terminate();
        QVERIFY(next.waitForFinished(20000));
        QCOMPARE(next.exitCode(), 0);
    }
};

PICTAVO_GUI_TEST_MAIN(AppTest)
#include "AppTest.moc"
