// Library documents and windows in the main frame, offscreen: new, open, save, save as, close and compact
// with their messages, the title marker, the status texts, the icon list's cells, tooltips and flow, the
// format list's rows, the preview, where windows open and how they are arranged, and the workspace written
// at close.
#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QToolBar>
#include <QToolTip>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "gui/ui/ZsTreeModel.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"
#include "library/ZsIconLib.h"

using guitest::CLibraryFrame;
using guitest::IsEnabled;
using guitest::ShowFrame;
using guitest::SolidIcon;
using guitest::Trigger;
using guitest::WriteLibraryOf;

namespace {

// Writes a library whose "Sample Category 1" holds three named icons (the second with two formats) and
// whose "Sample Category 2" is empty.
void WriteSampleLibrary(const std::filesystem::path& path) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    ZIL_LIST ids;
    const char* names[] = {"Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 3; ++i) {
        std::vector<test::IcoImage> images = {
            test::DibImage(32, 32, 32, static_cast<uint8_t>(0x40 * (i + 1)))};
        if (i == 1) {
            images.push_back(test::DibImage(16, 16, 8));
        }
        const std::string sName = names[i];
        ids.push_back(lib.ImpIcon(test::MakeIco(images), &sName));
    }
    lib.ListToNode(1, ids);
    lib.ListToNode(ZIL_ID_ALL, ids);
    QVERIFY(lib.Save(path));
    lib.Close();
}

// Paints the icon list's cell of a row into the middle of a transparent picture three cells wide and high;
// the cell's rectangle comes back in rcCell.
QImage PaintCell(CViewZIL* pView, int nRow, QRect& rcCell, bool bSelected = true) {
    QListView* pList = pView->IconList();
    const QSize cell(pView->ColumnWidth(), pView->ItemHeight());
    QImage image(cell * 3, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QStyleOptionViewItem option;
    option.initFrom(pList->viewport());
    option.rect = rcCell = QRect(QPoint(cell.width(), cell.height()), cell);
    option.state.setFlag(QStyle::State_Selected, bSelected);
    option.state.setFlag(QStyle::State_HasFocus, false);
    QPainter painter(&image);
    pList->itemDelegate()->paint(&painter, option, pList->model()->index(nRow, 0));
    return image;
}

// The number of pixels of the picture outside the rectangle that are not transparent.
int PaintedOutside(const QImage& image, const QRect& rc) {
    int nCount = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            nCount += !rc.contains(x, y) && qAlpha(image.pixel(x, y)) != 0;
        }
    }
    return nCount;
}

// Whether every window lies fully inside the workspace.
bool AllInside(QMdiArea* pArea) {
    const QRect rcArea(QPoint(0, 0), pArea->viewport()->size());
    const QList<QMdiSubWindow*> windows = pArea->subWindowList();
    return std::all_of(windows.begin(), windows.end(),
                       [&](QMdiSubWindow* pWindow) { return rcArea.contains(pWindow->geometry()); });
}

QString WindowTitle(CFrmMain& frame, CDocZIL* pDoc) {
    QMdiSubWindow* pWindow = frame.Docs().SubWindowOf(pDoc);
    return pWindow ? pWindow->windowTitle() : QString();
}

}  // namespace

class LibWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ZS_ICON_VIEW_FORMAT.Set(ZS_ICON_VIEW_FORMAT.nDefault);
        ZS_ICON_VIEW_INFO.Set(true);
        ZS_MAIN_WND_PLACEMENT.Set("");
        ZsFrameworkSettings()->remove(QStringLiteral("Recent File List"));
    }

    void newLibrariesAreNumberedWithTheSampleTree() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        Trigger(frame, ID_FILE_NEW_LIB);
        Trigger(frame, ID_FILE_NEW_LIB);
        const std::vector<CDocZIL*> docs = frame.Docs().Documents();
        QCOMPARE(docs.size(), size_t(2));
        QCOMPARE(WindowTitle(frame, docs[0]), QStringLiteral("Library1"));
        QCOMPARE(WindowTitle(frame, docs[1]), QStringLiteral("Library2"));
        QVERIFY(frame.IsLibMenuShown());

        CDocZIL* pDoc = docs[1];
        QCOMPARE(frame.ActiveDocument(), pDoc);
        const CZsCategoryTree& tree = pDoc->Tree();
        QCOMPARE(QString::fromStdString(tree.GetItemText(tree.GetRootItem())), QStringLiteral("My Icons"));
        QCOMPARE(QString::fromStdString(tree.GetItemText(tree.GetSelectedItem())),
                 QStringLiteral("Sample Category 1"));
        QCOMPARE(pDoc->mnCurNode, 1);
        QVERIFY(IsEnabled(frame, ID_FILE_SAVE));
        QVERIFY(!IsEnabled(frame, ID_LIB_COMPACT));
        QVERIFY(IsEnabled(frame, ID_FILE_SAVE_ALL));

        CFrmZIL* pFrame = frame.Docs().FrameOf(pDoc);
        QCOMPARE(pFrame->Splitter()->sizes().value(0), 200);
        QCOMPARE(pFrame->ToolBar()->actions().size(), int(CFrmZIL::ToolBarButtons().size()));
    }

    void savingAnUntitledLibraryAsksForAPathAndMarksTheTitle() {
        test::TempDir dir;
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        const std::filesystem::path path = dir / "Mine.pctv";
        std::filesystem::path suggested;
        frame.Docs().mPromptFile = [&](bool bSave, const std::filesystem::path& suggestion) {
            suggested = suggestion;
            return bSave ? std::optional(path) : std::nullopt;
        };
        CDocZIL* pDoc = frame.Docs().OnFileNew();
        Trigger(frame, ID_FILE_SAVE);
        QCOMPARE(QString::fromStdString(suggested.filename().string()), QStringLiteral("Library1.pctv"));
        QVERIFY(std::filesystem::exists(path));
        QCOMPARE(WindowTitle(frame, pDoc), QStringLiteral("Mine.pctv"));
        QVERIFY(!IsEnabled(frame, ID_FILE_SAVE));
        QVERIFY(IsEnabled(frame, ID_LIB_COMPACT));

        pDoc->SetModifiedFlag(true);
        QCOMPARE(WindowTitle(frame, pDoc), QStringLiteral("Mine.pctv *"));
        QVERIFY(IsEnabled(frame, ID_FILE_SAVE));
        Trigger(frame, ID_FILE_SAVE);
        QCOMPARE(WindowTitle(frame, pDoc), QStringLiteral("Mine.pctv"));
        QVERIFY(!pDoc->IsModified());
    }

    void openingSomethingElseIsRefused() {
        test::TempDir dir;
        const std::filesystem::path ico = dir / "icon.ico";
        const auto data = test::MakeIco({test::DibImage(16, 16, 32)});
        QVERIFY(ZsWriteFile(ico, data));
        CFrmMain frame;
        QVERIFY(frame.Create());
        test::ScriptedMessages messages;
        QVERIFY(!frame.Docs().OpenDocumentFile(ico));
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].first, int(ZS_MB_ERROR));
        // The second line says why.
        QCOMPARE(QString::fromStdString(messages.shown[0].second),
                 QStringLiteral("Can not open '%1'!\nThe file is not an extended icon library.")
                     .arg(QString::fromStdString(ico.string())));
        QVERIFY(frame.Docs().Documents().empty());
        QVERIFY(!frame.Docs().OpenDocumentFile(dir / "missing.pctv"));
        QCOMPARE(messages.shown.size(), size_t(2));
        QCOMPARE(QString::fromStdString(messages.shown[1].second),
                 QStringLiteral("Can not open '%1'!\nThe file does not exist.")
                     .arg(QString::fromStdString((dir / "missing.pctv").string())));
        WriteSampleLibrary(dir / "damaged.pctv");
        {
            CSQLite db;
            QVERIFY(db.Open(dir / "damaged.pctv"));
            QVERIFY(db.Exec("delete from main where id=2;"));
        }
        QVERIFY(!frame.Docs().OpenDocumentFile(dir / "damaged.pctv"));
        QCOMPARE(messages.shown.size(), size_t(3));
        QVERIFY(
            QString::fromStdString(messages.shown[2].second)
                .endsWith(QStringLiteral("!\nThe library is damaged: its category tree cannot be read.")));
    }

    void openingTheSameLibraryTwiceOnlyActivatesIt() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "a.pctv");
        WriteSampleLibrary(dir / "A.pctv");
        std::filesystem::create_directory(dir / "sub");
        std::filesystem::create_symlink(dir / "a.pctv", dir / "sub" / "link.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pFirst = frame.Docs().OpenDocumentFile(dir / "a.pctv");
        QVERIFY(pFirst);
        frame.Docs().OnFileNew();
        QCOMPARE(frame.Docs().OpenDocumentFile(dir / "a.pctv"), pFirst);
        QCOMPARE(frame.Docs().OpenDocumentFile(dir / "sub" / ".." / "a.pctv"), pFirst);
        QCOMPARE(frame.Docs().OpenDocumentFile(dir / "sub" / "link.pctv"), pFirst);
        QCOMPARE(frame.Docs().Documents().size(), size_t(2));
        QCOMPARE(frame.ActiveDocument(), pFirst);
        // A name in another letter case is another file, with a window of its own.
        CDocZIL* pOther = frame.Docs().OpenDocumentFile(dir / "A.pctv");
        QVERIFY(pOther && pOther != pFirst);
        QCOMPARE(frame.Docs().Documents().size(), size_t(3));
    }

    void saveAsOntoAnotherOpenLibraryIsRefusedOnlyForTheSameFile() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "A.pctv");
        WriteSampleLibrary(dir / "B.pctv");
        std::filesystem::create_directory(dir / "sub");
        std::filesystem::create_symlink(dir / "B.pctv", dir / "sub" / "link.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pA = frame.Docs().OpenDocumentFile(dir / "A.pctv");
        CDocZIL* pB = frame.Docs().OpenDocumentFile(dir / "B.pctv");
        QVERIFY(pA && pB);
        const auto sizeB = std::filesystem::file_size(dir / "B.pctv");
        pA->SetModifiedFlag(true);

        test::ScriptedMessages messages;
        std::filesystem::path chosen;
        frame.Docs().mPromptFile = [&](bool, const std::filesystem::path&) { return std::optional(chosen); };
        for (const std::filesystem::path& path : {dir / "sub" / ".." / "B.pctv", dir / "sub" / "link.pctv"}) {
            chosen = path;
            messages.shown.clear();
            QVERIFY(!frame.Docs().DoSave(pA, true));
            QCOMPARE(messages.shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(messages.shown[0].second),
                     QStringLiteral("The file is currently opened in Pictavo.\nPlease close it first."));
            QVERIFY(pA->IsModified());
            QCOMPARE(std::filesystem::file_size(dir / "B.pctv"), sizeB);
        }

        // Its own file, by another path, saves in place.
        messages.shown.clear();
        chosen = dir / "sub" / ".." / "A.pctv";
        QVERIFY(frame.Docs().DoSave(pA, true));
        QVERIFY(!pA->IsModified());
        QVERIFY(messages.shown.empty());

        // "b.pctv" is another file than "B.pctv" here: Save As writes it and leaves "B.pctv" alone.
        pA->SetModifiedFlag(true);
        chosen = dir / "b.pctv";
        QVERIFY(frame.Docs().DoSave(pA, true));
        QVERIFY(messages.shown.empty());
        QVERIFY(std::filesystem::exists(dir / "b.pctv"));
        QCOMPARE(std::filesystem::file_size(dir / "B.pctv"), sizeB);
    }

    void closingAModifiedLibraryAsksFirst() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OnFileNew();
        pDoc->SetModifiedFlag(true);
        QMdiSubWindow* pWindow = frame.Docs().SubWindowOf(pDoc);
        {
            test::ScriptedMessages cancel({ZS_IDCANCEL});
            QVERIFY(!pWindow->close());
            QCOMPARE(cancel.shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(cancel.shown[0].second),
                     QStringLiteral("Save changes to Library1?"));
        }
        QCOMPARE(frame.Docs().Documents().size(), size_t(1));
        {
            test::ScriptedMessages no({ZS_IDNO});
            Trigger(frame, ID_FILE_CLOSE);
            QCOMPARE(no.shown.size(), size_t(1));
        }
        QVERIFY(frame.Docs().Documents().empty());
        QTRY_VERIFY(!frame.IsLibMenuShown());
    }

    void compactAsksThenSavesAModifiedLibrary() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "c.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OpenDocumentFile(dir / "c.pctv");
        QVERIFY(pDoc);
        pDoc->SetIconName(1, "Renamed");
        pDoc->SetModifiedFlag(true);
        {
            test::ScriptedMessages cancel({ZS_IDCANCEL});
            Trigger(frame, ID_LIB_COMPACT);
            QCOMPARE(cancel.shown.size(), size_t(1));
            QCOMPARE(cancel.shown[0].first, int(ZS_MB_QUESTION));
            QCOMPARE(QString::fromStdString(cancel.shown[0].second),
                     QStringLiteral(
                         "This will start optimizing for size for the library 'c.pctv *'. It may take long "
                         "for large libraries. Proceed now?"));
        }
        QVERIFY(pDoc->IsModified());
        test::ScriptedMessages ok({ZS_IDOK});
        Trigger(frame, ID_LIB_COMPACT);
        QVERIFY(!pDoc->IsModified());

        CZsCategoryTree tree;
        CZsIconLib reread;
        reread.AttachTree(&tree);
        QVERIFY(reread.Load(dir / "c.pctv"));
        QCOMPARE(QString::fromStdString(reread.GetIconName(1)), QStringLiteral("Renamed"));

        // A compaction that fails says so: "VACUUM;" cannot run inside a transaction.
        QVERIFY(pDoc->BeginTrans());
        test::ScriptedMessages failed({ZS_IDOK});
        Trigger(frame, ID_LIB_COMPACT);
        QCOMPARE(failed.shown.size(), size_t(2));
        QCOMPARE(failed.shown[1].first, int(ZS_MB_ERROR));
        QCOMPARE(
            QString::fromStdString(failed.shown[1].second),
            QStringLiteral("Can not compact '%1'!").arg(QString::fromStdString((dir / "c.pctv").string())));
        QVERIFY(pDoc->RollbackTrans());
    }

    void statusPanesDescribeTheSelection() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "s.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OpenDocumentFile(dir / "s.pctv");
        QVERIFY(pDoc);
        CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
        QCOMPARE(pView->GetIconCount(), 3);

        pView->SetCaretRow(1);
        pDoc->OnIdle();
        QCOMPARE(frame.GetStatusText(1), QStringLiteral("Selection: Beta (2 formats)"));
        QCOMPARE(frame.GetStatusText(2), QStringLiteral("Total: 3 Icons"));
        pView->SetCaretRow(0);
        pDoc->OnIdle();
        QCOMPARE(frame.GetStatusText(1), QStringLiteral("Selection: Alpha (1 format)"));

        pView->IconList()->selectAll();
        pDoc->OnIdle();
        QCOMPARE(frame.GetStatusText(1), QStringLiteral("Selection: 3 Icons"));
        pView->IconList()->clearSelection();
        pDoc->OnIdle();
        QCOMPARE(frame.GetStatusText(1), QStringLiteral("Selection: None"));

        CViwZILTree* pTree = frame.Docs().FrameOf(pDoc)->TreeView();
        pTree->SelectTreeItem(pDoc->Tree().FindItem(4));
        QCOMPARE(pDoc->mnCurNode, 4);
        pDoc->OnIdle();
        QCOMPARE(frame.GetStatusText(2), QStringLiteral("Total: None"));
        QVERIFY(!frame.GetPreviewBar()->HasPreview());
    }

    void iconListMetricsFollowTheDisplaySize() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OnFileNew();
        CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
        QCOMPARE(pView->DisplaySizeCmd(), int(ID_VIEW_32));
        frame.Router().Execute(ID_VIEW_48);
        QCOMPARE(pView->ItemHeight(), 88);
        QCOMPARE(pView->ColumnWidth(), 64);
        QCOMPARE(ZS_ICON_VIEW_FORMAT.Get(), int(ID_VIEW_48));
        // A cell holds a 256-pixel picture with its margins and the two lines below it.
        frame.Router().Execute(ID_VIEW_256);
        QCOMPARE(pView->ItemHeight(), 256 + 8 + 32);
        QCOMPARE(pView->ColumnWidth(), 256 + 8);
        frame.Router().Execute(ID_VIEW_16);
        frame.Router().Execute(ID_VIEW_ICON_INFO);
        QVERIFY(!ZS_ICON_VIEW_INFO.Get());
        QCOMPARE(pView->ItemHeight(), 24);
        QCOMPARE(pView->ColumnWidth(), 24);
        QCOMPARE(pView->IconList()->gridSize(), QSize(24, 24));
        frame.Router().UpdateAll();
        // The library window's own button follows the command's state.
        const QList<QAction*> buttons = frame.Docs().FrameOf(pDoc)->ToolBar()->actions();
        const auto it16 = std::find_if(buttons.begin(), buttons.end(), [](QAction* pButton) {
            return pButton->text() == QLatin1String("16x16");
        });
        QVERIFY(it16 != buttons.end());
        QVERIFY((*it16)->isChecked());
        QVERIFY(frame.Router().Find(ID_VIEW_16)->isChecked());
        QVERIFY(!frame.Router().Find(ID_VIEW_32)->isChecked());
        QVERIFY(!frame.Router().Find(ID_VIEW_ICON_INFO)->isChecked());

        // The next window starts with the stored choice; a stored number that is no size gives 32x32.
        CDocZIL* pNext = frame.Docs().OnFileNew();
        QCOMPARE(frame.Docs().FrameOf(pNext)->IconView()->DisplaySizeCmd(), int(ID_VIEW_16));
        ZS_ICON_VIEW_FORMAT.Set(12345);
        CDocZIL* pThird = frame.Docs().OnFileNew();
        QCOMPARE(frame.Docs().FrameOf(pThird)->IconView()->DisplaySizeCmd(), int(ID_VIEW_32));
    }

    void previewFollowsTheFocusedImage() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "p.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OpenDocumentFile(dir / "p.pctv");
        CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
        pView->SetCaretRow(1);
        QCOMPARE(pView->GetImageRowCount(), 2);
        QVERIFY(frame.GetPreviewBar()->HasPreview());
        QCOMPARE(frame.GetPreviewBar()->Pane()->Image().size(), QSize(32, 32));
        pView->ImageList()->setCurrentIndex(pView->ImageList()->model()->index(1, 0));
        QCOMPARE(frame.GetPreviewBar()->Pane()->Image().size(), QSize(16, 16));

        frame.Docs().CloseDocument(pDoc);
        QVERIFY(!frame.GetPreviewBar()->HasPreview());
    }

    void newWindowOpensMaximisedWhenTheActiveOneIs() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pFirst = frame.Docs().OnFileNew();
        CDocZIL* pSecond = frame.Docs().OnFileNew();
        QVERIFY(!frame.Docs().SubWindowOf(pSecond)->isMaximized());
        frame.Docs().SubWindowOf(pFirst)->showMaximized();
        frame.GetMdiArea()->setActiveSubWindow(frame.Docs().SubWindowOf(pFirst));
        CDocZIL* pThird = frame.Docs().OnFileNew();
        QVERIFY(frame.Docs().SubWindowOf(pThird)->isMaximized());
    }

    void workspaceListsTheActiveLibraryLast() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "A.pctv");
        WriteSampleLibrary(dir / "B.pctv");
        WriteSampleLibrary(dir / "Gone.pctv");
        {
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.show();
            CDocZIL* pB = frame.Docs().OpenDocumentFile(dir / "B.pctv");
            CDocZIL* pGone = frame.Docs().OpenDocumentFile(dir / "Gone.pctv");
            frame.Docs().OnFileNew();
            CDocZIL* pA = frame.Docs().OpenDocumentFile(dir / "A.pctv");
            QVERIFY(pA && pB && pGone);
            frame.Docs().FrameOf(pA)->TreeView()->SelectTreeItem(pA->Tree().FindItem(ZIL_ID_FIND));
            std::filesystem::remove(dir / "Gone.pctv");
            frame.GetMdiArea()->setActiveSubWindow(frame.Docs().SubWindowOf(pB));
            QCOMPARE(frame.ActiveDocument(), pB);
            QVERIFY(frame.close());
        }
        const std::vector<std::string> workspace = ZS_WORKSPACE.Get();
        QCOMPARE(workspace.size(), size_t(3));
        const std::string sA = (dir / "A.pctv").string();
        QCOMPARE(QString::fromStdString(workspace[0]), QString::fromStdString((dir / "Gone.pctv").string()));
        QCOMPARE(QString::fromStdString(workspace[1].substr(0, sA.size() + 1)),
                 QString::fromStdString(sA + ";"));
        // "Find Results" is the seventh item in pre-order; "Sample Category 1" the second.
        QVERIFY(QString::fromStdString(workspace[1]).endsWith(QLatin1String(";6")));
        QVERIFY(ZsPlacementFromText(ZsGetField(workspace[1], 1)).has_value());
        QVERIFY(QString::fromStdString(workspace[2])
                    .startsWith(QString::fromStdString((dir / "B.pctv").string())));
        QVERIFY(QString::fromStdString(workspace[2]).endsWith(QLatin1String(";1")));
    }

    void recentFilesListOpenedAndSavedLibraries() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "r1.pctv");
        WriteSampleLibrary(dir / "r2.pctv");
        const QString s1 = QString::fromStdString((dir / "r1.pctv").string());
        const QString s2 = QString::fromStdString((dir / "r2.pctv").string());
        {
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.show();
            QVERIFY(frame.Docs().OpenDocumentFile(dir / "r1.pctv"));
            QVERIFY(frame.Docs().OpenDocumentFile(dir / "r2.pctv"));
            QAction* pFirst = frame.Router().Find(ID_FILE_MRU_FILE1);
            QCOMPARE(pFirst->text(), QStringLiteral("&1 ") + s2);
            QCOMPARE(frame.Router().Find(ID_FILE_MRU_FILE1 + 1)->text(), QStringLiteral("&2 ") + s1);
            QVERIFY(!frame.Router().Find(ID_FILE_MRU_FILE1 + 2)->isVisible());
            QVERIFY(frame.close());
        }
        std::filesystem::remove(dir / "r2.pctv");
        CFrmMain again;
        QVERIFY(again.Create());
        again.show();
        QCOMPARE(again.Docs().RecentFiles().Files().size(), size_t(2));
        test::ScriptedMessages messages;
        // A file that is gone is reported and leaves the list.
        Trigger(again, ID_FILE_MRU_FILE1);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(again.Docs().RecentFiles().Files().size(), size_t(1));
        QCOMPARE(again.Router().Find(ID_FILE_MRU_FILE1)->text(), QStringLiteral("&1 ") + s1);
        Trigger(again, ID_FILE_MRU_FILE1);
        QCOMPARE(again.Docs().Documents().size(), size_t(1));
    }

    void treeModelFollowsTheCategoryTree() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OnFileNew();
        CViwZILTree* pTreeView = frame.Docs().FrameOf(pDoc)->TreeView();
        CZsTreeModel* pModel = pTreeView->Model();
        QAbstractItemModelTester tester(pModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(pModel->rowCount(), 2);
        const QModelIndex all = pModel->index(0, 0);
        QCOMPARE(all.data().toString(), QStringLiteral("My Icons"));
        QCOMPARE(pModel->rowCount(all), 3);

        CZsCategoryTree& tree = pDoc->Tree();
        const ZsTreeItem cat1 = tree.FindItem(1);
        const ZsTreeItem added = pDoc->NewNode(cat1, ZS_TI_FIRST, "First <b>child</b>");
        QVERIFY(added != ZS_TI_NONE);
        const QModelIndex cat1Index = pModel->IndexOf(cat1);
        QCOMPARE(pModel->rowCount(cat1Index), 3);
        QCOMPARE(pModel->index(0, 0, cat1Index).data().toString(), QStringLiteral("First <b>child</b>"));
        QCOMPARE(pModel->parent(pModel->index(0, 0, cat1Index)), cat1Index);

        // Deleting the selected category moves the selection and the icon list along.
        pTreeView->SelectTreeItem(added);
        const int32_t nAddedId = tree.GetItemData(added);
        QCOMPARE(pDoc->mnCurNode, nAddedId);
        QVERIFY(pDoc->DelNode(added));
        QCOMPARE(pModel->rowCount(cat1Index), 2);
        QVERIFY(pDoc->mnCurNode != nAddedId);
        QCOMPARE(pDoc->mnCurNode, tree.GetItemData(CZsTreeModel::ItemOf(pTreeView->currentIndex())));
        tree.SetItemText(cat1, "Renamed");
        QCOMPARE(pModel->IndexOf(cat1).data().toString(), QStringLiteral("Renamed"));

        // A selection made by the store (a search selects "Find Results") reaches the view and the list.
        tree.SelectItem(tree.FindItem(ZIL_ID_FIND));
        QCOMPARE(pDoc->mnCurNode, int(ZIL_ID_FIND));
        QCOMPARE(CZsTreeModel::ItemOf(pTreeView->currentIndex()), tree.FindItem(ZIL_ID_FIND));
    }

    void changedIconIsRedrawnAndItsFormatsReloaded() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "h.pctv");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pDoc = frame.Docs().OpenDocumentFile(dir / "h.pctv");
        CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
        pView->SetCaretRow(0);
        QCOMPARE(pView->GetImageRowCount(), 1);
        const int32_t nId = pView->GetCaretIconId();
        pDoc->SetIconData(nId, test::MakeIco({test::DibImage(48, 48, 32), test::DibImage(32, 32, 32),
                                              test::DibImage(16, 16, 4)}));
        pDoc->UpdateAllViews(nullptr, nId);
        QCOMPARE(pView->GetImageRowCount(), 3);
        QCOMPARE(pView->GetIconCount(), 3);
        QCOMPARE(pView->GetCaretIconId(), nId);
    }

    void iconCellsHoldTheirPictureAndTextsAtEverySize() {
        test::TempDir dir;
        const uint32_t nRed = ZsArgb(0xFF, 0xFF, 0, 0);
        // Twelve formats make the longest format count line.
        const std::vector<int> many = {256, 128, 96, 80, 72, 64, 48, 40, 32, 24, 20, 16};
        WriteLibraryOf(dir / "c.pctv", {{"Big", SolidIcon({256, 32}, nRed)},
                                        {"IDI_A_VERY_LONG_RESOURCE_NAME_OF_AN_ICON", SolidIcon(many, nRed)}});
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "c.pctv"));
        CFrmMain& frame = lib.frame;
        CViewZIL* pView = lib.pView;
        QCOMPARE(pView->GetIconCount(), 2);

        // At 256 the whole picture is drawn at its size, above the band of the name and the count.
        frame.Router().Execute(ID_VIEW_256);
        QRect rcCell;
        QImage image = PaintCell(pView, 0, rcCell);
        QCOMPARE(PaintedOutside(image, rcCell), 0);
        QRect rcRed;
        for (int y = rcCell.top(); y <= rcCell.bottom(); ++y) {
            for (int x = rcCell.left(); x <= rcCell.right(); ++x) {
                if (image.pixel(x, y) == QColor(Qt::red).rgba()) {
                    rcRed |= QRect(x, y, 1, 1);
                }
            }
        }
        QCOMPARE(rcRed.size(), QSize(256, 256));
        QVERIFY(rcRed.bottom() < rcCell.bottom() + 1 - 32);
        QVERIFY(rcCell.adjusted(4, 4, -4, -4).contains(rcRed));

        // At 32 and below the name and the format count are cut short with a free pixel on both sides, so
        // that the lines of cells side by side never run together.
        for (int nCmd : {ID_VIEW_32, ID_VIEW_16}) {
            frame.Router().Execute(nCmd);
            image = PaintCell(pView, 1, rcCell, false);
            QCOMPARE(rcCell.width(), 64);
            QCOMPARE(PaintedOutside(image, rcCell), 0);
            // No stroke of a letter on the cell's first and last columns (a faint edge of one may be).
            for (int y = rcCell.bottom() + 1 - 32; y <= rcCell.bottom(); ++y) {
                for (int x : {rcCell.left(), rcCell.right()}) {
                    QVERIFY2(qGray(image.pixel(x, y)) >= 0xD0,
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
            }
        }
    }

    void iconTooltipShowsNameKeywordsAndFormats() {
        test::TempDir dir;
        WriteLibraryOf(dir / "t.pctv", {{"IDI_A_VERY_LONG_RESOURCE_NAME_OF_AN_ICON <b>x</b>",
                                         SolidIcon({48, 16}, ZsArgb(0xFF, 0, 0x80, 0))}});
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "t.pctv"));
        QVERIFY(QTest::qWaitForWindowExposed(&lib.frame));
        CViewZIL* pView = lib.pView;
        const QString sTip = pView->IconToolTip(0);
        QVERIFY(
            sTip.contains(QStringLiteral("IDI_A_VERY_LONG_RESOURCE_NAME_OF_AN_ICON &lt;b&gt;x&lt;/b&gt;")));
        QVERIFY(sTip.contains(QStringLiteral("Keywords: kw IDI_A_VERY_LONG")));
        QVERIFY(sTip.contains(QStringLiteral("2 formats:\n48x48 - XP, 16x16 - XP")));
        QVERIFY(pView->IconToolTip(1).isEmpty());

        // Hovering the cell shows it.
        QListView* pList = pView->IconList();
        const QPoint pt = pList->visualRect(pList->model()->index(0, 0)).center();
        QHelpEvent help(QEvent::ToolTip, pt, pList->viewport()->mapToGlobal(pt));
        QApplication::sendEvent(pList->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains(QStringLiteral("Keywords: kw IDI_A_VERY_LONG")));
        QToolTip::hideText();
    }

    void iconsFlowInRowsWhenChosen() {
        test::TempDir dir;
        std::vector<std::pair<std::string, ZsBlock>> icons;
        for (int i = 0; i < 19; ++i) {
            icons.emplace_back("Icon " + std::to_string(i), SolidIcon({32}, ZsArgb(0xFF, 0, 0, 0xFF)));
        }
        WriteLibraryOf(dir / "r.pctv", icons);
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "r.pctv", QSize(1400, 900)));
        CFrmMain& frame = lib.frame;
        frame.Docs().SubWindowOf(lib.pDoc)->showMaximized();
        CViewZIL* pView = lib.pView;
        QListView* pList = pView->IconList();
        auto rect = [pList](int nRow) { return pList->visualRect(pList->model()->index(nRow, 0)); };

        // By default the icons flow down in columns.
        QVERIFY(!pView->IsRowsShown());
        QVERIFY(!frame.Router().Find(ID_VIEW_ICON_ROWS)->isChecked());
        QTRY_COMPARE(rect(1).left(), rect(0).left());
        QVERIFY(rect(1).top() > rect(0).top());

        frame.Router().Execute(ID_VIEW_ICON_ROWS);
        QVERIFY(pView->IsRowsShown());
        QVERIFY(ZS_ICON_VIEW_ROWS.Get());
        QTRY_COMPARE(rect(1).top(), rect(0).top());
        QVERIFY(rect(1).left() > rect(0).left());
        // The rows wrap at the list's width and scroll down, never sideways.
        int nPerRow = 1;
        while (nPerRow < 19 && rect(nPerRow).top() == rect(0).top()) {
            ++nPerRow;
        }
        QVERIFY(nPerRow > 1 && nPerRow < 19);
        QVERIFY(rect(nPerRow - 1).right() <= pList->viewport()->width());
        QCOMPARE(rect(nPerRow).left(), rect(0).left());
        QVERIFY(rect(nPerRow).top() > rect(0).top());
        QVERIFY(!pList->horizontalScrollBar()->isVisible());
        frame.Router().UpdateAll();
        QVERIFY(frame.Router().Find(ID_VIEW_ICON_ROWS)->isChecked());

        // The next window starts with the stored choice.
        CDocZIL* pNext = frame.Docs().OnFileNew();
        QVERIFY(frame.Docs().FrameOf(pNext)->IconView()->IsRowsShown());
        ZS_ICON_VIEW_ROWS.Set(false);
    }

    void focusedFormatRowKeepsDarkPixelsVisible() {
        test::TempDir dir;
        WriteLibraryOf(dir / "f.pctv", {{"Black", SolidIcon({32}, ZsArgb(0xFF, 1, 1, 1))}});
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "f.pctv"));
        QVERIFY(QTest::qWaitForWindowActive(&lib.frame));
        QListView* pImages = lib.pView->ImageList();
        pImages->setFocus();
        QTRY_VERIFY(pImages->hasFocus());
        const QRect rcRow = pImages->visualRect(pImages->model()->index(0, 0));
        const QImage image = pImages->viewport()->grab(rcRow).toImage();
        // Beside the black picture, inside the row's rounded fill: a light colour, not black.
        const QColor fill(image.pixel(8, 12));
        QVERIFY2(fill.lightness() > 160, qPrintable(fill.name()));
        QCOMPARE(QColor(image.pixel(rcRow.width() / 2, 28)), QColor(1, 1, 1));
    }

    void previewFollowsTheActiveLibraryWindow() {
        test::TempDir dir;
        WriteLibraryOf(dir / "a.pctv", {{"Red", SolidIcon({48}, ZsArgb(0xFF, 0xFF, 0, 0))}});
        WriteLibraryOf(dir / "b.pctv", {{"Blue", SolidIcon({16}, ZsArgb(0xFF, 0, 0, 0xFF))}});
        WriteLibraryOf(dir / "empty.pctv", {});
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        CDocZIL* pA = frame.Docs().OpenDocumentFile(dir / "a.pctv");
        CDocZIL* pB = frame.Docs().OpenDocumentFile(dir / "b.pctv");
        CDocZIL* pEmpty = frame.Docs().OpenDocumentFile(dir / "empty.pctv");
        QVERIFY(pA && pB && pEmpty);
        CDlgBarPrvw* pBar = frame.GetPreviewBar();
        QVERIFY(!pBar->HasPreview());
        auto activate = [&](CDocZIL* pDoc) {
            frame.GetMdiArea()->setActiveSubWindow(frame.Docs().SubWindowOf(pDoc));
            QCOMPARE(frame.ActiveDocument(), pDoc);
        };
        activate(pA);
        QCOMPARE(pBar->Pane()->Image().size(), QSize(48, 48));
        activate(pB);
        QCOMPARE(pBar->Pane()->Image().size(), QSize(16, 16));
        activate(pEmpty);
        QVERIFY(!pBar->HasPreview());
        activate(pA);
        QCOMPARE(pBar->Pane()->Image().size(), QSize(48, 48));
        // A library in the background changes nothing; closing it neither.
        frame.Docs().FrameOf(pB)->IconView()->SetCaretRow(0);
        QCOMPARE(pBar->Pane()->Image().size(), QSize(48, 48));
        frame.Docs().CloseDocument(pB);
        QCOMPARE(pBar->Pane()->Image().size(), QSize(48, 48));
    }

    void newWindowsOpenLargeAndInsideTheWorkspace() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "first.pctv");
        {
            // Opened before the window is shown, as at start: placed once the workspace has its size.
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.resize(1400, 900);
            QVERIFY(frame.Docs().OpenDocumentFile(dir / "first.pctv"));
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QMdiArea* pArea = frame.GetMdiArea();
            const QSize area = pArea->viewport()->size();
            QMdiSubWindow* pWindow = pArea->subWindowList().value(0);
            QVERIFY(AllInside(pArea));
            QVERIFY(pWindow->width() >= area.width() * 3 / 4);
            QVERIFY(pWindow->height() >= area.height() * 3 / 4);
        }
        CFrmMain frame;
        QVERIFY(ShowFrame(frame, QSize(1400, 900)));
        QMdiArea* pArea = frame.GetMdiArea();
        const QSize area = pArea->viewport()->size();
        std::vector<QMdiSubWindow*> windows;
        for (int i = 0; i < CDocManagerZIL::kNewWindowSteps + 2; ++i) {
            windows.push_back(frame.Docs().SubWindowOf(frame.Docs().OnFileNew()));
            QVERIFY(AllInside(pArea));
            QVERIFY(windows.back()->width() >= area.width() * 3 / 4);
            QVERIFY(windows.back()->height() >= area.height() * 3 / 4);
        }
        // Each new window steps down and right from the one before, until the steps begin again.
        QVERIFY(windows[1]->x() > windows[0]->x() && windows[1]->y() > windows[0]->y());
        QCOMPARE(windows[CDocManagerZIL::kNewWindowSteps + 1]->pos(), windows[0]->pos());
    }

    void maximisedWindowNamesItsLibraryOnceInTheTitle() {
        test::TempDir dir;
        WriteSampleLibrary(dir / "Real.pctv");
        CLibraryFrame lib;
        QVERIFY(lib.Open(dir / "Real.pctv"));
        CFrmMain& frame = lib.frame;
        CDocZIL* pDoc = lib.pDoc;
        frame.Router().UpdateAll();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Pictavo - Real.pctv"));
        frame.Docs().SubWindowOf(pDoc)->showMaximized();
        frame.Router().UpdateAll();
        QCOMPARE(frame.windowTitle().count(QStringLiteral("Real.pctv")), 1);
        QVERIFY(frame.windowTitle().startsWith(QStringLiteral("Pictavo - ")));
        pDoc->SetModifiedFlag(true);
        frame.Router().UpdateAll();
        QCOMPARE(frame.windowTitle().count(QStringLiteral("Real.pctv")), 1);
        QVERIFY(frame.windowTitle().contains(QStringLiteral("Real.pctv *")));
        frame.Docs().SubWindowOf(pDoc)->showNormal();
        frame.Router().UpdateAll();
        QCOMPARE(frame.windowTitle(), QStringLiteral("Pictavo - Real.pctv *"));
    }

    void cascadeAndTileLeaveUsableWindows() {
        CFrmMain frame;
        QVERIFY(ShowFrame(frame, QSize(1400, 900)));
        QMdiArea* pArea = frame.GetMdiArea();
        std::vector<CDocZIL*> docs;
        for (int i = 0; i < 3; ++i) {
            docs.push_back(frame.Docs().OnFileNew());
        }
        frame.Docs().SubWindowOf(docs[0])->showMaximized();
        const QSize area = pArea->viewport()->size();
        frame.Router().UpdateAll();
        frame.Router().Find(ID_WINDOW_CASCADE)->trigger();
        QVERIFY(AllInside(pArea));
        for (QMdiSubWindow* pWindow : pArea->subWindowList()) {
            QVERIFY(!pWindow->isMaximized());
            QVERIFY(pWindow->width() >= area.width() * 2 / 3);
            QVERIFY(pWindow->height() >= area.height() * 2 / 3);
        }
        // Tile: bands across the whole width, one above the other, the active one at the top.
        CDocZIL* pActive = frame.ActiveDocument();
        frame.Router().Find(ID_WINDOW_TILE_HORZ)->trigger();
        QVERIFY(AllInside(pArea));
        int nHeights = 0;
        for (QMdiSubWindow* pWindow : pArea->subWindowList()) {
            QCOMPARE(pWindow->width(), area.width());
            QVERIFY(pWindow->height() >= area.height() / 3 - 1);
            nHeights += pWindow->height();
        }
        QCOMPARE(nHeights, area.height());
        QCOMPARE(frame.Docs().SubWindowOf(pActive)->pos(), QPoint(0, 0));
    }

    void cancellingTheQuestionKeepsTheProgramOpen() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        frame.Docs().OnFileNew()->SetModifiedFlag(true);
        test::ScriptedMessages cancel({ZS_IDCANCEL});
        QVERIFY(!frame.close());
        QCOMPARE(frame.Docs().Documents().size(), size_t(1));
        QVERIFY(!ZS_MAIN_WND_PLACEMENT.Get().empty());
    }
};

PICTAVO_GUI_TEST_MAIN(LibWindowTest)
#include "LibWindowTest.moc"
