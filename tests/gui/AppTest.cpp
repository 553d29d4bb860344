// The application's start and end: the library of the command line, the workspace and the very first run,
// the workspace kept across runs, the hand-over of a later start (in this process and between two real
// processes), a stale server socket, the temporary folder and the log at exit, and the options dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <climits>
#include <fstream>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsConfig.h"
#include "common/ZsProgress.h"
#include "common/ZsSettings.h"
#include "gui/app/DlgOpt.h"
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
#include "gui/ui/ListModels.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "icon/ZsCodec.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

using guitest::MakeLibrary;

namespace {

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

// The names of the icons that the library's window lists.
QStringList RowNames(CFrmMain* pFrame, CDocZIL* pDoc) {
    QStringList names;
    const CIconListModel* pModel = pFrame->Docs().FrameOf(pDoc)->IconView()->IconModel();
    for (int nRow = 0; nRow < pModel->rowCount(); ++nRow) {
        names << pModel->index(nRow).data().toString();
    }
    return names;
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
    env.insert(QStringLiteral("XDG_STATE_HOME"), ZsQPath(root / "state"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), ZsQPath(root / "cache"));
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

    void veryFirstRunMakesTheDefaultLibraryFromTheIconThemes() {
        const std::filesystem::path themes = ZsPathFromUtf8(qgetenv("PICTAVO_ICON_THEMES").toStdString());
        const std::filesystem::path picture = themes / "Theme" / "48x48" / "places" / "folder.png";
        std::filesystem::create_directories(picture.parent_path());
        QVERIFY(ZsSaveBitmapFile(CZsBitmap(48, 48, 32, 0xFF336699), picture, ZS_PIC_PNG));
        ResetConfig(false);
        {
            CZsProjApp app({QStringLiteral("pictavo")});
            QVERIFY(app.InitInstance());
            QCOMPARE(OpenNames(app.Frame()), QStringList{QStringLiteral("Default.pctv")});
            CDocZIL* pDoc = app.Frame()->Docs().Documents().front();
            const ZsTreeItem places = pDoc->Tree().GetChildItem(pDoc->Tree().GetRootItem());
            QCOMPARE(QString::fromStdString(pDoc->Tree().GetItemText(places)), QStringLiteral("Places"));
            QCOMPARE(pDoc->GetList(pDoc->Tree().GetItemData(places)).size(), size_t(1));
        }
        std::filesystem::remove_all(themes);
    }

    void emptyWorkspaceStartsWithoutLibraryEvenWithDefault() {
        MakeLibrary(DefaultLibrary());
        ResetConfig(true);
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame()->Docs().Documents().empty());
    }

    void commandLineOpensEveryLibraryAndImportsTheOtherFiles() {
        test::TempDir dir;
        MakeLibrary(dir / "one.pctv");
        MakeLibrary(dir / "two.pctv");
        MakeLibrary(DefaultLibrary());
        QVERIFY(ZsWriteFile(dir / "Red.ico", guitest::SolidIcon({32, 16}, 0xFFFF0000)));
        ResetConfig(false);
        CZsProjApp app({QStringLiteral("pictavo"), QStringLiteral("-x"), ZsQPath(dir / "one.pctv"),
                        ZsQPath(dir / "Red.ico"), ZsQPath(dir / "two.pctv")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        QCOMPARE(OpenNames(pFrame), (QStringList{QStringLiteral("one.pctv"), QStringLiteral("two.pctv")}));
        // The icon file went into the selected category of the library active when the window showed.
        CDocZIL* pTwo = pFrame->ActiveDocument();
        QCOMPARE(FileName(pTwo), QStringLiteral("two.pctv"));
        QTRY_VERIFY(pTwo->IsModified());
        QCOMPARE(RowNames(pFrame, pTwo), QStringList{QStringLiteral("Red")});
        QVERIFY(!pFrame->Docs().Documents().front()->IsModified());
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(pFrame->close());
    }

    void filesOfTheCommandLineAndOfALaterStartAreImported() {
        test::TempDir dir;
        MakeLibrary(dir / "three.pctv");
        QVERIFY(ZsWriteFile(dir / "Red.ico", guitest::SolidIcon({32, 16}, 0xFFFF0000)));
        QVERIFY(ZsSaveBitmapFile(CZsBitmap(40, 40, 32, 0xFF00C000), dir / "Green.png", ZS_PIC_PNG));
        std::ofstream(dir.Path() / "notes.txt") << "not an icon";
        // Without a library to open and with an empty workspace the files make a new library; a file of
        // another kind is named.
        ResetConfig(true);
        test::ScriptedMessages messages({int(ZS_IDOK), int(ZS_IDNO), int(ZS_IDNO)});
        CZsProjApp app({QStringLiteral("pictavo"), ZsQPath(dir / "Red.ico"), ZsQPath(dir / "notes.txt"),
                        ZsQPath(dir / "Green.png")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        QTRY_COMPARE(pFrame->Docs().Documents().size(), size_t(1));
        CDocZIL* pNew = pFrame->ActiveDocument();
        QCOMPARE(pNew->GetTitle(), QStringLiteral("Library1 *"));
        QCOMPARE(RowNames(pFrame, pNew), (QStringList{QStringLiteral("Red"), QStringLiteral("Green")}));
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(QString::fromStdString(messages.shown[0].second).contains(QLatin1String("notes.txt")));

        // A later start hands over a library and an icon file: the library opens and takes the icon.
        QSignalSpy received(app.InstanceServer(), &CZsInstanceServer::Received);
        QVERIFY(CZsInstanceServer::HandOver(CZsInstanceServer::ServerName(ZsGetDataDir()),
                                            {ZsQPath(dir / "Red.ico"), ZsQPath(dir / "three.pctv")}));
        QTRY_COMPARE(received.size(), 1);
        QTRY_COMPARE(pFrame->Docs().Documents().size(), size_t(2));
        CDocZIL* pThree = pFrame->ActiveDocument();
        QCOMPARE(FileName(pThree), QStringLiteral("three.pctv"));
        QTRY_COMPARE(RowNames(pFrame, pThree), QStringList{QStringLiteral("Red")});
        QCOMPARE(RowNames(pFrame, pNew).size(), 2);
        QVERIFY(pFrame->close());
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

        // The next run: the missing library is skipped with a line in the log and a note in the status bar,
        // no message before the window is there; the others come back, B active.
        ZsGetConfig().Load(ZsGetConfigPath());
        test::ScriptedMessages answers;
        test::LogCapture log;
        CZsProjApp app({QStringLiteral("pictavo")});
        QVERIFY(app.InitInstance());
        CFrmMain* pFrame = app.Frame();
        QCOMPARE(OpenNames(pFrame), (QStringList{QStringLiteral("a.pctv"), QStringLiteral("b.pctv")}));
        QVERIFY(answers.shown.empty());
        QVERIFY(log.Contains("Workspace library '" + ZsPathToUtf8(dir / "gone.pctv") +
                             "' no longer exists; not reopened"));
        QCOMPARE(pFrame->GetStatusText(0),
                 QStringLiteral("The library 'gone.pctv' no longer exists and was not reopened."));
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
        // Paths relative to the later start's folder, a missing file and a folder are all handed over; the
        // folder holds nothing to import.
        test::ScriptedMessages answers({int(ZS_IDOK), int(ZS_IDNO)});
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
        QCOMPARE(answers.shown.size(), size_t(1));
        QCOMPARE(answers.shown[0].second,
                 "There are no supported files in '" + ZsPathToUtf8(dir.Path()) + "'!");
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
        std::vector<std::filesystem::path> asked;
        docs.mPromptFile = [&](bool bSave, const std::filesystem::path& suggestion) {
            asked.push_back(suggestion);
            return bSave && suggestion.filename() == "locked.pctv"
                       ? std::optional<std::filesystem::path>(dir / "copy.pctv")
                       : std::nullopt;
        };
        frame.Router().UpdateAll();
        QVERIFY(frame.Router().Find(ID_FILE_SAVE_ALL)->isEnabled());
        {
            // A read-only file says so and, when the user agrees, asks for another name as an untitled
            // library does.
            test::ScriptedMessages answers({int(ZS_IDOK)});
            frame.Router().Find(ID_FILE_SAVE_ALL)->trigger();
            QCOMPARE(answers.shown.size(), size_t(1));
        }
        // The untitled library was asked for a name and skipped; the others were saved.
        QVERIFY(!pKept->IsModified());
        QVERIFY(pNew->GetPathName().empty());
        QCOMPARE(asked.size(), size_t(2));
        QCOMPARE(ZsQPath(pLocked->GetPathName().filename()), QStringLiteral("copy.pctv"));
        QVERIFY(std::filesystem::exists(dir / "copy.pctv"));
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
        // An earlier version kept its settings, log and passing files in the data folder.
        CZsMemIni oldConfig;
        oldConfig.Load(dataDir / "config.ini");
        oldConfig.SetString("Moved", "yes", "Main");
        QVERIFY(oldConfig.Save());
        QVERIFY(ZsWriteFile(dataDir / "log.txt", ZsBlock(4, 'x')));
        std::filesystem::create_directories(dataDir / "Temp");
        const std::filesystem::path configDir = root / "config" / "Pictavo";
        const std::filesystem::path logFile = root / "state" / "Pictavo" / "log.txt";
        const std::filesystem::path tempDir = root / "cache" / "Pictavo" / "Temp";
        const QString sServer = CZsInstanceServer::ServerName(ZsPathFromUtf8(ZsPathToUtf8(dataDir) + "/"));

        QProcess first;
        first.setProcessEnvironment(ChildEnvironment(root.Path()));
        first.start(QStringLiteral(PICTAVO_PROGRAM), {});
        QVERIFY(first.waitForStarted());
        QVERIFY(WaitForServer(sServer));
        // The earlier version's files have moved.
        QVERIFY(!std::filesystem::exists(dataDir / "config.ini"));
        QVERIFY(!std::filesystem::exists(dataDir / "log.txt"));
        // Files rendered for a drag to the desktop wait in the temporary folder until the end.
        std::filesystem::create_directories(tempDir / "drag");
        QVERIFY(ZsWriteFile(tempDir / "drag" / "icon.png", ZsBlock(8, 1)));
        const QByteArray logBefore = ReadAll(logFile);
        QVERIFY(ReadUtf16(logFile).startsWith(QLatin1String("Pictavo ")));

        QProcess second;
        second.setProcessEnvironment(ChildEnvironment(root.Path()));
        second.setWorkingDirectory(ZsQPath(root.Path()));
        second.start(QStringLiteral(PICTAVO_PROGRAM), {QStringLiteral("lib.pctv")});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // The first instance opens the library and logs it; the second wrote nothing.
        QTRY_VERIFY(ReadUtf16(logFile).contains(QLatin1String("lib.pctv loaded")));
        QVERIFY(ReadAll(logFile).startsWith(logBefore));
        QCOMPARE(ReadUtf16(logFile).count(QLatin1String("Command lines: ")), 1);

        // The first instance ends as the user would end it and keeps the forwarded library in its
        // workspace.
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        CZsMemIni config;
        QVERIFY(config.Load(configDir / "config.ini"));
        QCOMPARE(config.GetString("Moved", "", "Main"), std::string("yes"));
        const std::vector<std::string> workspace = ZS_WORKSPACE.Get(config);
        QCOMPARE(workspace.size(), size_t(1));
        QCOMPARE(ZsPathToUtf8(CFrmMain::ParseWorkspaceEntry(workspace[0]).path),
                 ZsPathToUtf8(root / "lib.pctv"));
        QVERIFY(!std::filesystem::exists(tempDir));
        QVERIFY(!std::filesystem::exists(dataDir / "Temp"));
        const QString sLog = ReadUtf16(logFile);
        QVERIFY(sLog.endsWith(QLatin1String("\r\n\r\nEnd log\r\n")));
        QVERIFY(!sLog.contains(QLatin1String(" lib.pctv")));
    }

    void helpAndVersionPrintTheirTextWithoutWindowOrHandOver() {
        test::TempDir root;
        std::filesystem::create_directories(root / "home");
        const std::filesystem::path dataDir = root / "data" / "Pictavo";
        std::filesystem::create_directories(dataDir);
        MakeLibrary(root / "one.pctv");
        MakeLibrary(root / "two.pctv");
        const QString sServer = CZsInstanceServer::ServerName(ZsPathFromUtf8(ZsPathToUtf8(dataDir) + "/"));
        QProcess first;
        first.setProcessEnvironment(ChildEnvironment(root.Path()));
        first.start(QStringLiteral(PICTAVO_PROGRAM), {});
        QVERIFY(WaitForServer(sServer));

        // No display is needed either.
        QProcessEnvironment env = ChildEnvironment(root.Path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // What a start printed; empty when it failed or wrote to stderr.
        auto run = [&](const QStringList& arguments) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.setWorkingDirectory(ZsQPath(root.Path()));
            process.start(QStringLiteral(PICTAVO_PROGRAM), arguments);
            const bool bOk = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
                             process.exitCode() == 0 && process.readAllStandardError().isEmpty();
            return bOk ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
        };
        QCOMPARE(run({QStringLiteral("--version")}), QStringLiteral("pictavo " PICTAVO_VERSION "\n"));
        const QString sHelp = run({QStringLiteral("one.pctv"), QStringLiteral("--help")});
        QVERIFY(sHelp.startsWith(QLatin1String("Usage: pictavo ")));
        QVERIFY(sHelp.contains(QLatin1String("--version")));
        // Every type read has its line, those added after the first ones too.
        for (const char* pszExt : {".ico", ".icl", ".svg", ".webp", ".icns", ".cur", ".ani"}) {
            QVERIFY2(sHelp.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(pszExt))), pszExt);
        }
        QCOMPARE(run({QStringLiteral("-h")}), sHelp);

        // The running instance got nothing from those starts: the next hand-over is the first it sees.
        QProcess second;
        second.setProcessEnvironment(ChildEnvironment(root.Path()));
        second.setWorkingDirectory(ZsQPath(root.Path()));
        second.start(QStringLiteral(PICTAVO_PROGRAM), {QStringLiteral("two.pctv")});
        QVERIFY(second.waitForFinished(20000));
        const std::filesystem::path logFile = root / "state" / "Pictavo" / "log.txt";
        QTRY_VERIFY(ReadUtf16(logFile).contains(QLatin1String("two.pctv loaded")));
        QVERIFY(!ReadUtf16(logFile).contains(QLatin1String("one.pctv")));
        first.terminate();
        QVERIFY(first.waitForFinished(20000));
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

    void optionsDialogShowsAndStoresTheOptions() {
        ZsGetConfig().Load(ZsGetConfigPath());
        ZS_OPT_ASS_PATH.Set("/usr/bin/editor");
        ZS_OPT_RESIZE.Set(2);
        ZS_OPT_DND_IMG_FILE_FMT.Set(ZS_EXPORT_ICNS);
        {
            CDlgOpt dialog;
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
            QVERIFY(dialog.ImpDirsWithIcons()->isChecked());
            QCOMPARE(dialog.ImpExts()->count(), 5);
            QCOMPARE(dialog.ImpExts()->itemText(1), QStringLiteral("*.icl;*.exe;*.dll"));
            QCOMPARE(dialog.ImpExts()->itemText(3), QStringLiteral("*.icns;*.cur;*.ani"));
            QVERIFY(dialog.ImpExts()->isEditable());
            QCOMPARE(dialog.ImpExts()->currentText(),
                     QStringLiteral("*.ico;*.icl;*.exe;*.dll;*.png;*.bmp;*.jpg;*.gif;*.exif;*.tiff;*.webp;*."
                                    "svg;*.icns;*.cur;*.ani"));
            QComboBox* pDnd = dialog.DndImgFileFmt();
            QCOMPARE(pDnd->count(), ZS_EXPORT_COUNT);
            for (int nType : {ZS_EXPORT_ICL, ZS_EXPORT_ICNS, ZS_EXPORT_THEME}) {
                QVERIFY(!(pDnd->model()->flags(pDnd->model()->index(nType, 0)) & Qt::ItemIsEnabled));
            }
            // The labels name this desktop's parts.
            QStringList labels;
            for (QLabel* pLabel : dialog.findChildren<QLabel*>()) {
                labels << pLabel->text();
                if (pLabel->buddy() == dialog.DndImgFileFmt()) {
                    QCOMPARE(pLabel->text(),
                             QStringLiteral("Output format when Drag&&Drop images to the file manager:"));
                }
            }
            QVERIFY(!labels.join(QLatin1Char(' ')).contains(QLatin1String("Windows")));
            QCOMPARE(dialog.DndImgFileFmt()->itemText(3), QStringLiteral("Tag Image File Format (*.tif)"));
            // A stored type the list does not offer gives the default.
            QCOMPARE(dialog.DndImgFileFmt()->currentIndex(), 4);
            QCOMPARE(dialog.ResizeMode()->itemText(0), QStringLiteral("Enlarge to standard icon format"));
            QCOMPARE(dialog.ResizeMode()->currentIndex(), 2);
            QCOMPARE(dialog.FindHistory()->value(), 20);
            QCOMPARE(dialog.FindHistory()->maximum(), INT_MAX);
            QCOMPARE(dialog.ProgramPath()->text(), QStringLiteral("/usr/bin/editor"));
            // PNG-compressed generated images: off, from 256 pixels; the size follows its check box.
            QVERIFY(!dialog.PngCheck()->isChecked());
            QCOMPARE(dialog.PngSize()->value(), 256);
            QVERIFY(!dialog.PngSize()->isEnabled());
            dialog.PngCheck()->click();
            QVERIFY(dialog.PngSize()->isEnabled());
            dialog.PngSize()->setValue(128);
            // The path follows its check box.
            QVERIFY(!dialog.EditWithProgram()->isChecked());
            QVERIFY(!dialog.ProgramPath()->isEnabled());
            QVERIFY(!dialog.BrowseButton()->isEnabled());
            dialog.EditWithProgram()->click();
            QVERIFY(dialog.ProgramPath()->isEnabled());
            QVERIFY(dialog.BrowseButton()->isEnabled());

            dialog.ImpDirsWithIcons()->setChecked(false);
            dialog.ImpExts()->setCurrentText(QStringLiteral("*.png"));
            dialog.DndImgFileFmt()->setCurrentIndex(5);
            dialog.FindHistory()->setValue(7);
            dialog.ResizeMode()->setCurrentIndex(1);
            dialog.ProgramPath()->setText(QStringLiteral("/opt/draw"));
            dialog.accept();
        }
        QVERIFY(!ZS_OPT_IMP_DIRS_WITH_ICONS.Get());
        QCOMPARE(ZS_OPT_IMP_EXTS.Get(), std::string("*.png"));
        QVERIFY(ZS_OPT_ASS.Get());
        QCOMPARE(ZS_OPT_ASS_PATH.Get(), std::string("/opt/draw"));
        QCOMPARE(ZS_OPT_DND_IMG_FILE_FMT.Get(), 5);
        QCOMPARE(ZS_OPT_RESIZE.Get(), 1);
        QCOMPARE(ZS_OPT_FIND_HISTORY.Get(), 7);
        QVERIFY(ZS_OPT_PNG.Get());
        QCOMPARE(ZS_OPT_PNG_SIZE.Get(), 128);
        // OK makes it the choice generation follows at once.
        QCOMPARE(ZI_GetPngMinSize(), 128);

        // Reset Defaults puts back exactly its four controls, and only OK stores them.
        {
            CDlgOpt dialog;
            test::ScriptedMessages answers({int(ZS_IDCANCEL), int(ZS_IDOK)});
            dialog.ResetButton()->click();
            QVERIFY(!dialog.ImpDirsWithIcons()->isChecked());
            dialog.ResetButton()->click();
            QCOMPARE(answers.shown.size(), size_t(2));
            QCOMPARE(
                answers.shown[1],
                std::make_pair(int(ZS_MB_QUESTION),
                               std::string("Are you sure you want to restore all the default settings?")));
            QVERIFY(dialog.ImpDirsWithIcons()->isChecked());
            QCOMPARE(dialog.ImpExts()->currentText(), QString::fromUtf8(ZS_OPT_IMP_EXTS.pszDefault));
            QCOMPARE(dialog.DndImgFileFmt()->currentIndex(), 4);
            QCOMPARE(dialog.FindHistory()->value(), 20);
            QVERIFY(dialog.EditWithProgram()->isChecked());
            QCOMPARE(dialog.ProgramPath()->text(), QStringLiteral("/opt/draw"));
            QCOMPARE(dialog.ResizeMode()->currentIndex(), 1);
            QVERIFY(!dialog.PngCheck()->isChecked());
            QCOMPARE(dialog.PngSize()->value(), 256);
            QCOMPARE(ZS_OPT_FIND_HISTORY.Get(), 7);
            dialog.reject();
        }
        QCOMPARE(ZI_GetPngMinSize(), 128);
        ZS_OPT_PNG.Set(false);
        ZI_ApplyPngOption();
        QCOMPARE(ZS_OPT_FIND_HISTORY.Get(), 7);
        QCOMPARE(ZS_OPT_IMP_EXTS.Get(), std::string("*.png"));
    }

    void clearingTheFindHistoryActsAtOnce() {
        ZS_FIND_HISTORY.Set({"alpha", "beta"});
        CDlgOpt dialog;
        {
            test::ScriptedMessages answers({int(ZS_IDCANCEL)});
            dialog.ClearButton()->click();
            QCOMPARE(answers.shown[0].second,
                     std::string("Are you sure you want to clear the find history?"));
        }
        QCOMPARE(ZS_FIND_HISTORY.Get().size(), size_t(2));
        {
            test::ScriptedMessages answers({int(ZS_IDOK)});
            dialog.ClearButton()->click();
        }
        dialog.reject();
        QVERIFY(ZS_FIND_HISTORY.Get().empty());
        QVERIFY(ZsGetConfig().FindSection(ZS_SEC_FIND_HISTORY));
    }

    void optionsCommandOpensTheDialog() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        frame.Router().UpdateAll();
        QAction* pOptions = frame.Router().Find(ID_TOOLS_OPTIONS);
        QVERIFY(pOptions->isEnabled());
        QString sTitle;
        guitest::OnNextModal([&sTitle](QWidget* pModal) {
            sTitle = pModal->windowTitle();
            qobject_cast<QDialog*>(pModal)->reject();
        });
        pOptions->trigger();
        QCOMPARE(sTitle, QStringLiteral("Options"));
    }
};

PICTAVO_GUI_TEST_MAIN(AppTest)
#include "AppTest.moc"
