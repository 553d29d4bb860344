// The main frame offscreen: its two menu sets with their exact texts and accelerators, idle-time enabling,
// the toolbar and status bar, the preview bar's painting and size, the placement kept across runs, the help
// window and the web and mail commands, the about box, the drop target for libraries, and the texts in
// another language.
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrlQuery>
#include <fstream>

#include "GuiTestSupport.h"
#include "LibFrameSupport.h"
#include "TestSupport.h"
#include "common/ZsSettings.h"
#include "gui/app/DlgAbout.h"
#include "gui/app/FrmHelp.h"
#include "gui/app/FrmMain.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsDnD.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/common/ZsTranslate.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/ListModels.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "icon/ZsBitmap.h"

namespace {

// A menu as text: "title: item|item|-|item" with accelerators after a tab, as the program writes them.
QString Describe(const QMenu* pMenu) {
    QStringList items;
    for (const QAction* pAction : pMenu->actions()) {
        if (!pAction->isVisible()) {
            continue;
        }
        if (pAction->isSeparator()) {
            items << QStringLiteral("-");
        } else if (pAction->shortcut().isEmpty()) {
            items << pAction->text();
        } else {
            items << pAction->text() + QLatin1Char('\t') +
                         pAction->shortcut().toString(QKeySequence::PortableText);
        }
    }
    return pMenu->title() + QStringLiteral(": ") + items.join(QLatin1Char('|'));
}

QStringList DescribeAll(const std::vector<QMenu*>& menus) {
    QStringList all;
    for (const QMenu* pMenu : menus) {
        all << Describe(pMenu);
    }
    return all;
}

// Whether two of the texts have the same "&" letter.
bool HasRepeatedMnemonic(const QStringList& texts) {
    QList<QKeySequence> seen;
    for (const QString& sText : texts) {
        const QKeySequence key = QKeySequence::mnemonic(sText);
        if (!key.isEmpty() && seen.contains(key)) {
            return true;
        }
        seen << key;
    }
    return false;
}

class CUrlCapture {
public:
    CUrlCapture() {
        ZsSetUrlOpener([this](const QUrl& url) {
            urls << url;
            return true;
        });
    }
    ~CUrlCapture() { ZsSetUrlOpener(nullptr); }
    QList<QUrl> urls;
};

QColor PixelAt(QWidget* pWidget, const QPoint& pt) {
    return QColor(pWidget->grab().toImage().pixel(pt));
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ZS_MAIN_WND_PLACEMENT.Set("");
        ZsFrameworkSettings()->remove(QStringLiteral("DockState"));
    }

    void menusWithoutLibraryHaveTheirTexts() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        QVERIFY(!frame.IsLibMenuShown());
        const QStringList expected = {
            QStringLiteral("&File: &New Library\tCtrl+N|&Open...\tCtrl+O|-|Recent File|-|E&xit"),
            QStringLiteral("&View: &Toolbar|&Status Bar"),
            QStringLiteral("&Tools: &Options..."),
            QStringLiteral("&Help: &Help Topics\tF1|-|H&ome Page|&Technical Support|-|&About..."),
        };
        QCOMPARE(DescribeAll(frame.NoLibMenus()), expected);
        QCOMPARE(frame.Router().Find(ID_FILE_MRU_FILE1)->text(), QStringLiteral("Recent File"));
    }

    void libraryMenuHasTheLibraryCommands() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        const QStringList menus = DescribeAll(frame.LibMenus());
        QCOMPARE(menus.size(), 9);
        QCOMPARE(menus[0],
                 QStringLiteral("&File: &New Library\tCtrl+N|&Open...\tCtrl+O|&Close|&Save\tCtrl+S|"
                                "Save &As...|Save A&ll\tCtrl+Shift+S|-|Co&mpact...|-|Recent File|-|E&xit"));
        QCOMPARE(menus[1],
                 QStringLiteral("&Edit: Cu&t\tCtrl+X|&Copy\tCtrl+C|&Paste\tCtrl+V|&Delete...\tDel|-|"
                                "Select &All\tCtrl+A|&Invert Selection\tCtrl+I|-|&Find Icons...\tCtrl+F"));
        QCOMPARE(menus[2], QStringLiteral("&Categories: New &Category|New Sibling Category &Above|"
                                          "New Sibling Category &Below|-|&Import from Disk Directory Tree...|"
                                          "&Export to Disk Directory Tree...|-|&Rename\tF2"));
        QCOMPARE(menus[3],
                 QStringLiteral("&Icons: I&mport Icons...\tCtrl+M|&Import Icons from Disk Directory...|"
                                "Import Icons from Image &Strips/Grids...|-|Ex&port Icons...\tCtrl+P|"
                                "Export Icons to Image Strip/&Grid...|-|Me&rge Icons|"
                                "&Delete Formats from Icons...|-|"
                                "&Edit with Associated Program...\tCtrl+E|Pr&operties..."));
        QCOMPARE(menus[4], QStringLiteral("I&mages: &New Images...|&Export Images..."));
        QCOMPARE(menus[5], QStringLiteral(
                               "&View: &Toolbar|&Status Bar|&Preview|-|16x16|24x24|32x32|48x48|64x64|"
                               "72x72|80x80|96x96|128x128|256x256|-|&Display Icon Info|Wrap Icons in &Rows"));
        QCOMPARE(menus[7], QStringLiteral("&Window: &Cascade|&Tile|&Arrange Icons"));
        // The display sizes keep their stored command numbers.
        QCOMPARE(frame.Router().Find(33283)->text(), QStringLiteral("48x48"));
        QCOMPARE(frame.Router().Find(33290)->text(), QStringLiteral("&Display Icon Info"));
    }

    void menuFollowsTheLibraryWindows() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        QMdiSubWindow* pChild = frame.GetMdiArea()->addSubWindow(new QWidget);
        pChild->setWindowTitle(QStringLiteral("Library1"));
        pChild->show();
        frame.GetMdiArea()->setActiveSubWindow(pChild);
        QTRY_VERIFY(frame.IsLibMenuShown());
        QCOMPARE(frame.menuBar()->actions().size(), 9);
        frame.Router().UpdateAll();
        QVERIFY(frame.Router().Find(ID_WINDOW_CASCADE)->isEnabled());
        pChild->close();
        delete pChild;
        QTRY_VERIFY(!frame.IsLibMenuShown());
        QCOMPARE(frame.menuBar()->actions().size(), 4);
    }

    void everyModifiedLibraryShowsTheUnsavedMarker() {
        CFrmMain frame;
        QVERIFY(guitest::ShowFrame(frame, QSize(900, 600)));
        CDocZIL* pDoc = frame.Docs().OnFileNew();
        QVERIFY(pDoc);
        QMdiSubWindow* pWindow = frame.Docs().SubWindowOf(pDoc);
        QCOMPARE(pWindow->windowTitle(), QStringLiteral("Library1"));
        guitest::Trigger(frame, ID_LIB_NODE_ADD);
        QVERIFY(pDoc->IsModified());
        QCOMPARE(pWindow->windowTitle(), QStringLiteral("Library1 *"));
        QMenu* pWindowMenu = frame.LibMenus()[7];
        emit pWindowMenu->aboutToShow();
        QCOMPARE(pWindowMenu->actions().constLast()->text(), QStringLiteral("&1 Library1 *"));

        // The question and the name offered for the file are the library's name without the marker.
        std::vector<std::filesystem::path> suggested;
        frame.Docs().mPromptFile = [&](bool, const std::filesystem::path& suggestion) {
            suggested.push_back(suggestion);
            return std::optional<std::filesystem::path>();
        };
        {
            test::ScriptedMessages answers({int(ZS_IDYES)});
            QVERIFY(!frame.close());
            QCOMPARE(answers.shown.size(), size_t(1));
            QCOMPARE(answers.shown[0].second, std::string("Save changes to Library1?"));
        }
        QCOMPARE(suggested.size(), size_t(1));
        QCOMPARE(ZsQPath(suggested[0].filename()), QStringLiteral("Library1.pctv"));
        test::ScriptedMessages answers({int(ZS_IDNO)});
        QVERIFY(frame.close());
    }

    void commandsWithoutTheirFeatureStayDisabled() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.Router().UpdateAll();
        for (int nId : {int(ID_FILE_MRU_FILE1), int(ID_FILE_SAVE), int(ID_FILE_SAVE_ALL), int(ID_FILE_CLOSE),
                        int(ID_EDIT_COPY), int(ID_VIEW_48), int(ID_WINDOW_CASCADE)}) {
            QVERIFY2(!frame.Router().Find(nId)->isEnabled(), qPrintable(QString::number(nId)));
        }
        for (int nId : {int(ID_FILE_NEW_LIB), int(ID_FILE_OPEN), int(ID_APP_EXIT), int(ID_HELP),
                        int(ID_APP_ABOUT), int(ID_VIEW_TOOLBAR), int(ID_TOOLS_OPTIONS)}) {
            QVERIFY2(frame.Router().Find(nId)->isEnabled(), qPrintable(QString::number(nId)));
        }
    }

    void barsToggleAndShowTheirCheckMarks() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        frame.Router().UpdateAll();
        QAction* pToolbar = frame.Router().Find(ID_VIEW_TOOLBAR);
        QAction* pPreview = frame.Router().Find(ID_VIEW_PREVIEW);
        QVERIFY(pToolbar->isChecked());
        QVERIFY(pPreview->isChecked());
        pToolbar->trigger();
        QVERIFY(frame.GetToolBar()->isHidden());
        QVERIFY(!pToolbar->isChecked());
        pPreview->trigger();
        QVERIFY(frame.GetPreviewBar()->isHidden());
        QVERIFY(!pPreview->isChecked());
        pPreview->trigger();
        QVERIFY(!frame.GetPreviewBar()->isHidden());
        frame.Router().Find(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(frame.statusBar()->isHidden());
    }

    void checkableViewItemsShowCheckMarksNotPictures() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.Router().UpdateAll();
        QMenu* pView = frame.NoLibMenus()[1];
        QAction* pToolbar = frame.Router().Find(ID_VIEW_TOOLBAR);
        QAction* pPreview = frame.Router().Find(ID_VIEW_PREVIEW);
        // The preview's toolbar button has a picture; in the menu the item looks as every checked item.
        QVERIFY(!pPreview->icon().isNull());
        pView->addAction(pPreview);
        QVERIFY(pToolbar->isChecked() && pPreview->isChecked());
        pView->popup(frame.mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(pView));
        const QImage shot = pView->grab().toImage();
        const QRect rcToolbar = pView->actionGeometry(pToolbar);
        const QRect rcPreview = pView->actionGeometry(pPreview);
        pView->hide();
        pView->removeAction(pPreview);
        // The check column, a row's height wide, at the left of each row (without the menu's edges).
        const int nColumn = rcToolbar.height();
        auto column = [&shot, nColumn](const QRect& rc) {
            return shot.copy(rc.left() + 2, rc.top() + 2, nColumn - 2, rc.height() - 4);
        };
        QCOMPARE(column(rcPreview), column(rcToolbar));
        for (QMenu* pMenu : {frame.NoLibMenus()[1], frame.LibMenus()[5]}) {
            for (QAction* pAction : pMenu->actions()) {
                QVERIFY2(!pAction->isIconVisibleInMenu(), qPrintable(pAction->text()));
            }
        }
    }

    void toolbarCarriesTheStripPictures() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        int nButtons = 0;
        for (QAction* pAction : frame.GetToolBar()->actions()) {
            if (!pAction->isSeparator()) {
                ++nButtons;
                QVERIFY2(!pAction->icon().isNull(), qPrintable(pAction->text()));
                QVERIFY(!pAction->toolTip().contains(QLatin1Char('&')));
            }
        }
        QCOMPARE(nButtons, 7);
        QCOMPARE(frame.GetToolBar()->iconSize(), QSize(16, 16));
        // The library window's strip has one picture per button of its toolbar.
        QCOMPARE(ZsLoadStripIcons(ZsGetAppDir() / "Images" / "IDR_TB_ZIL.png").size(), size_t(23));
        QVERIFY(ZsLoadStripIcons(ZsGetAppDir() / "Images" / "missing.png").empty());
    }

    void statusBarHasThreePanes() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        QCOMPARE(frame.GetStatusText(0), QStringLiteral("Ready"));
        frame.SetStatusText(1, "Selection: %s (%d format%s)", "Folder", 3, "s");
        frame.SetStatusText(2, "Total: %d Icon%s", 1, "");
        QCOMPARE(frame.GetStatusText(1), QStringLiteral("Selection: Folder (3 formats)"));
        QCOMPARE(frame.GetStatusText(2), QStringLiteral("Total: 1 Icon"));
        frame.SetStatusText(3, "ignored");
        frame.SetStatusText(-1, "ignored");
        const QList<QLabel*> panes =
            frame.statusBar()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(panes.size(), 3);
    }

    void statusPanesAreWideEnoughForTheirTexts() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.resize(1200, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QList<QLabel*> panes =
            frame.statusBar()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(panes.size(), 3);
        // Texts seen in a real library, measured in the panes' own font.
        frame.SetStatusText(1, "Selection: %s (%d formats)", "IDI_SHELL_OPTIONS", 10);
        frame.SetStatusText(2, "Total: %d Icons", 12096);
        for (QLabel* pPane : panes) {
            if (pPane->text() == QLatin1String("Ready")) {
                continue;
            }
            const int nText = pPane->fontMetrics().horizontalAdvance(pPane->text());
            QVERIFY2(pPane->contentsRect().width() > nText, qPrintable(pPane->text()));
            // A text too long for its pane ends in an ellipsis and is whole in the tooltip.
            QCOMPARE(pPane->toolTip(), pPane->text());
        }
    }

    void previewBarDocksRightAndPaintsTheImage() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.resize(900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CDlgBarPrvw* pBar = frame.GetPreviewBar();
        QCOMPARE(frame.dockWidgetArea(pBar), Qt::RightDockWidgetArea);

        CPrvwPane* pPane = pBar->Pane();
        const QPoint center = pPane->rect().center();
        QCOMPARE(PixelAt(pPane, center), pPane->palette().color(QPalette::AlternateBase));
        QCOMPARE(PixelAt(pPane, QPoint(5 + 2, center.y())), pPane->palette().color(QPalette::Base));

        CZsBitmap red(32, 32, 32, ZsArgb(0xFF, 0xFF, 0, 0));
        pBar->SetPreviewImage(red);
        QVERIFY(pBar->HasPreview());
        QCOMPARE(PixelAt(pPane, center), QColor(0xFF, 0, 0));
        QCOMPARE(PixelAt(pPane, center + QPoint(20, 0)), pPane->palette().color(QPalette::AlternateBase));
        frame.ClearPreview();
        QVERIFY(!pBar->HasPreview());
        QCOMPARE(PixelAt(pPane, center), pPane->palette().color(QPalette::AlternateBase));
    }

    void previewHoldsA256PixelImageWhole() {
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.resize(900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        CPrvwPane* pPane = frame.GetPreviewBar()->Pane();
        frame.GetPreviewBar()->SetPreviewImage(CZsBitmap(256, 256, 32, ZsArgb(0xFF, 0, 0, 0xFF)));
        // The image and the grey panel around it fit inside the pane at its first size.
        const QRect rcPanel = pPane->rect().adjusted(10, 10, -10, -10);
        QVERIFY(rcPanel.width() >= 256 && rcPanel.height() >= 256);
        QRect rcImage(QPoint(0, 0), QSize(256, 256));
        rcImage.moveCenter(pPane->rect().center());
        QVERIFY(rcPanel.contains(rcImage));
        const QImage shot = pPane->grab().toImage();
        for (const QPoint& pt :
             {rcImage.topLeft(), rcImage.topRight(), rcImage.bottomLeft(), rcImage.bottomRight()}) {
            QCOMPARE(QColor(shot.pixel(pt)), QColor(0, 0, 0xFF));
        }
    }

    void smallestFrameLeavesTheWorkspaceMostOfTheWidth() {
        CFrmMain frame;
        QVERIFY(guitest::ShowFrame(frame, QSize(900, 700)));
        CDlgBarPrvw* pBar = frame.GetPreviewBar();
        const int nWidth = pBar->width();
        frame.resize(1, 700);
        QTRY_VERIFY(frame.width() < 600);
        QTRY_VERIFY(pBar->width() <= frame.width() * CFrmMain::kPreviewShare + 1);
        QVERIFY(frame.GetMdiArea()->width() > pBar->width());
        // The largest image is drawn smaller, whole and in the middle of the pane.
        CPrvwPane* pPane = pBar->Pane();
        pBar->SetPreviewImage(CZsBitmap(256, 256, 32, ZsArgb(0xFF, 0, 0, 0xFF)));
        const QImage shot = pPane->grab().toImage();
        QCOMPARE(QColor(shot.pixel(pPane->rect().center())), QColor(0, 0, 0xFF));
        QVERIFY(QColor(shot.pixel(8, pPane->rect().center().y())) != QColor(0, 0, 0xFF));
        QVERIFY(QColor(shot.pixel(pPane->rect().center().x(), 8)) != QColor(0, 0, 0xFF));
        QCOMPARE(QColor(shot.pixel(10, pPane->rect().center().y())), QColor(0, 0, 0xFF));

        // As the window grows again, the bar gets back the width it had; a width the user gives it stays.
        frame.resize(900, 700);
        QTRY_COMPARE(pBar->width(), nWidth);
        frame.resizeDocks({pBar}, {150}, Qt::Horizontal);
        QTRY_COMPARE(pBar->width(), 150);
        frame.resize(950, 700);
        QTest::qWait(20);
        QCOMPARE(pBar->width(), 150);

        // Floating, the bar has the size the user gives it; docked at the bottom, a share of the height.
        pBar->setFloating(true);
        QCOMPARE(pBar->maximumWidth(), QWIDGETSIZE_MAX);
        pBar->setFloating(false);
        frame.addDockWidget(Qt::BottomDockWidgetArea, pBar);
        QTRY_COMPARE(frame.dockWidgetArea(pBar), Qt::BottomDockWidgetArea);
        QVERIFY(pBar->maximumHeight() <=
                std::max(pBar->minimumSizeHint().height(), int(frame.height() * CFrmMain::kPreviewShare)));
        QCOMPARE(pBar->maximumWidth(), QWIDGETSIZE_MAX);
    }

    void previewScalesLargeImagesToFit256() {
        QCOMPARE(CPrvwPane::DrawSize(QSize(48, 48)), QSize(48, 48));
        QCOMPARE(CPrvwPane::DrawSize(QSize(256, 256)), QSize(256, 256));
        QCOMPARE(CPrvwPane::DrawSize(QSize(512, 300)), QSize(256, 150));
        QCOMPARE(CPrvwPane::DrawSize(QSize(100, 1000)), QSize(25, 256));
        QCOMPARE(CPrvwPane::DrawSize(QSize(257, 1)), QSize(256, 0));
    }

    void maximisedWindowComesBackMaximisedWithItsNormalRectangle() {
        QRect rcNormal;
        {
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.setGeometry(60, 70, 640, 480);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            rcNormal = frame.normalGeometry();
            frame.showMaximized();
            QTRY_VERIFY(frame.isMaximized());
            frame.close();
        }
        const std::string sText = ZS_MAIN_WND_PLACEMENT.Get();
        QCOMPARE(sText.size(), size_t(88));
        const auto placement = ZsPlacementFromText(sText);
        QVERIFY(placement.has_value());
        QCOMPARE(placement->showCmd, int32_t(ZS_SW_SHOWMAXIMIZED));
        QCOMPARE(placement->NormalRect(), rcNormal);

        CFrmMain again;
        QVERIFY(again.Create());
        again.ShowAtStart();
        QTRY_VERIFY(again.isMaximized());
        QCOMPARE(again.normalGeometry(), rcNormal);
        again.showNormal();
        QTRY_COMPARE(again.geometry(), rcNormal);
    }

    void maximisedLibraryWindowComesBackMaximisedWithItsNormalRectangle() {
        test::TempDir dir;
        guitest::MakeLibrary(dir / "a.pctv");
        guitest::MakeLibrary(dir / "b.pctv");
        const QRect rcNormal(20, 30, 400, 300);
        std::string sEntry;
        {
            CFrmMain frame;
            QVERIFY(guitest::ShowFrame(frame, QSize(900, 700)));
            CDocZIL* pA = frame.Docs().OpenDocumentFile(dir / "a.pctv");
            QVERIFY(pA);
            QMdiSubWindow* pWindow = frame.Docs().SubWindowOf(pA);
            pWindow->setGeometry(rcNormal);
            pWindow->showMaximized();
            QTRY_VERIFY(pWindow->isMaximized());
            QVERIFY(pWindow->geometry() != rcNormal);
            sEntry = frame.WorkspaceEntry(pA);
        }
        const CWorkspaceEntry entry = CFrmMain::ParseWorkspaceEntry(sEntry);
        QVERIFY(entry.placement);
        QCOMPARE(entry.placement->showCmd, int32_t(ZS_SW_SHOWMAXIMIZED));
        QCOMPARE(entry.placement->NormalRect(), rcNormal);

        // Reopened, also after another maximised window, it is maximised and goes back to that rectangle.
        CFrmMain again;
        QVERIFY(guitest::ShowFrame(again, QSize(900, 700)));
        CDocZIL* pB = again.Docs().OpenDocumentFile(dir / "b.pctv");
        again.Docs().SubWindowOf(pB)->showMaximized();
        CDocZIL* pA = again.Docs().OpenDocumentFile(dir / "a.pctv");
        QVERIFY(pA && pB);
        again.RestoreLibraryWindow(pA, entry);
        QMdiSubWindow* pWindow = again.Docs().SubWindowOf(pA);
        QTRY_VERIFY(pWindow->isMaximized());
        QCOMPARE(again.ActiveDocument(), pA);
        pWindow->showNormal();
        QTRY_COMPARE(pWindow->geometry(), rcNormal);
        const auto normal = CFrmMain::ParseWorkspaceEntry(again.WorkspaceEntry(pA)).placement;
        QVERIFY(normal && normal->showCmd == ZS_SW_SHOWNORMAL);
        QCOMPARE(normal->NormalRect(), rcNormal);
    }

    void barLayoutIsKeptAcrossRuns() {
        {
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.show();
            frame.Router().UpdateAll();
            frame.Router().Find(ID_VIEW_PREVIEW)->trigger();
            QVERIFY(frame.GetPreviewBar()->isHidden());
            QVERIFY(frame.close());
        }
        CFrmMain again;
        QVERIFY(again.Create());
        again.show();
        QVERIFY(again.GetPreviewBar()->isHidden());
        QVERIFY(!again.GetToolBar()->isHidden());
        // A damaged layout is ignored.
        ZsFrameworkSettings()->setValue(QStringLiteral("DockState"), QByteArray("\x00garbage"));
        CFrmMain third;
        QVERIFY(third.Create());
        third.show();
        QVERIFY(!third.GetPreviewBar()->isHidden());
    }

    void statusBarIsKeptAcrossRuns() {
        {
            CFrmMain frame;
            QVERIFY(frame.Create());
            frame.show();
            guitest::Trigger(frame, ID_VIEW_STATUS_BAR);
            QVERIFY(frame.statusBar()->isHidden());
            QVERIFY(frame.close());
        }
        {
            CFrmMain again;
            QVERIFY(again.Create());
            again.show();
            QVERIFY(again.statusBar()->isHidden());
            QVERIFY(!again.GetToolBar()->isHidden());
            again.Router().UpdateAll();
            QVERIFY(!again.Router().Find(ID_VIEW_STATUS_BAR)->isChecked());
            guitest::Trigger(again, ID_VIEW_STATUS_BAR);
            QVERIFY(again.close());
        }
        CFrmMain third;
        QVERIFY(third.Create());
        third.show();
        QVERIFY(third.statusBar()->isVisible());
    }

    void arrangeIconsLinesUpTheMinimisedWindowsAtTheBottom() {
        CFrmMain frame;
        QVERIFY(guitest::ShowFrame(frame, QSize(900, 700)));
        QVERIFY(frame.Router().Find(ID_WINDOW_ARRANGE));
        QVERIFY(!guitest::IsEnabled(frame, ID_WINDOW_ARRANGE));
        std::vector<QMdiSubWindow*> windows;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(frame.Docs().OnFileNew());
            windows.push_back(frame.Docs().SubWindowOf(frame.ActiveDocument()));
        }
        QVERIFY(guitest::IsEnabled(frame, ID_WINDOW_ARRANGE));
        windows[0]->showMinimized();
        windows[2]->showMinimized();
        QTRY_VERIFY(windows[0]->isMinimized() && windows[2]->isMinimized());
        // The user has dragged the minimised windows about.
        windows[0]->move(300, 40);
        windows[2]->move(10, 200);
        const QRect rcNormal = windows[1]->geometry();
        guitest::Trigger(frame, ID_WINDOW_ARRANGE);
        const int nBottom = frame.GetMdiArea()->viewport()->height();
        QCOMPARE(windows[0]->geometry().left(), 0);
        QCOMPARE(windows[0]->geometry().bottom() + 1, nBottom);
        QCOMPARE(windows[2]->geometry().left(), windows[0]->geometry().right() + 1);
        QCOMPARE(windows[2]->geometry().bottom() + 1, nBottom);
        QCOMPARE(windows[1]->geometry(), rcNormal);

        // A row that is full continues in a row above.
        const int nWidth = windows[0]->width();
        const int nPerRow = frame.GetMdiArea()->viewport()->width() / nWidth;
        while (int(windows.size()) < nPerRow + 2) {
            QVERIFY(frame.Docs().OnFileNew());
            windows.push_back(frame.Docs().SubWindowOf(frame.ActiveDocument()));
            windows.back()->showMinimized();
            windows.back()->move(100, 100);
        }
        guitest::Trigger(frame, ID_WINDOW_ARRANGE);
        const int nHeight = windows[0]->height();
        QCOMPARE(windows.back()->geometry().topLeft(), QPoint(0, nBottom - 2 * nHeight));
        QCOMPARE(windows[windows.size() - 2]->geometry().topLeft(),
                 QPoint((nPerRow - 1) * nWidth, nBottom - nHeight));
        frame.Docs().CloseAllDocuments();
    }

    void missingOrDamagedPlacementCentresTheWindow() {
        ZS_MAIN_WND_PLACEMENT.Set("2C00000000000000zz");
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.ShowAtStart();
        QVERIFY(!frame.isMaximized());
        const QRect rcScreen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(std::abs(frame.geometry().center().x() - rcScreen.center().x()) <= 1);
        QVERIFY(rcScreen.contains(frame.geometry()));
    }

    void helpOpensInTheProgramAndLinksSayWhenNothingOpensThem() {
        CUrlCapture capture;
        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.show();
        // Help needs no web browser: the program shows its own pages.
        frame.Router().Find(ID_HELP)->trigger();
        CFrmHelp* pHelp = frame.GetHelpWindow();
        QVERIFY(pHelp && pHelp->isVisible());
        QVERIFY(pHelp->screen()->availableGeometry().contains(pHelp->geometry()));
        QVERIFY(pHelp->Browser()->source().toLocalFile().endsWith(QLatin1String("/help/index.html")));
        QVERIFY(pHelp->Browser()->toPlainText().contains(QLatin1String("Pictavo Help")));
        QVERIFY(capture.urls.isEmpty());
        // A link between the pages stays in the window.
        emit pHelp->Browser()->anchorClicked(QUrl(QStringLiteral("icons.html")));
        QVERIFY(pHelp->Browser()->source().toLocalFile().endsWith(QLatin1String("/help/icons.html")));
        QVERIFY(capture.urls.isEmpty());

        frame.Router().Find(ID_HELP_HOMEPAGE)->trigger();
        frame.Router().Find(ID_HELP_SUPPORT)->trigger();
        QCOMPARE(capture.urls.size(), 2);
        QCOMPARE(capture.urls[0].scheme(), QStringLiteral("https"));
        QCOMPARE(capture.urls[1].scheme(), QStringLiteral("mailto"));
        QCOMPARE(QUrlQuery(capture.urls[1]).queryItemValue(QStringLiteral("Subject"), QUrl::FullyDecoded),
                 QStringLiteral("About Pictavo 1.0.0.1108"));

        // Where the desktop has nothing to open them with, the user is told so plainly.
        ZsSetUrlOpener([](const QUrl&) { return false; });
        test::ScriptedMessages messages;
        frame.Router().Find(ID_HELP_HOMEPAGE)->trigger();
        frame.Router().Find(ID_HELP_SUPPORT)->trigger();
        QCOMPARE(messages.shown.size(), size_t(2));
        QCOMPARE(QString::fromStdString(messages.shown[0].second),
                 QStringLiteral("No web browser was found to open https://www.pictavo.example/."));
        QCOMPARE(QString::fromStdString(messages.shown[1].second),
                 QStringLiteral("No mail program was found. Please write to support@pictavo.example."));
    }

    void textsFollowTheDesktopLanguageAndComeBackToEnglish() {
        // The first of the desktop's languages that has a translation is taken; English before it keeps the
        // texts as they are written.
        QCOMPARE(ZsInstallTranslations({QStringLiteral("en-GB"), QStringLiteral("de-DE")}), QString());
        QCOMPARE(
            ZsInstallTranslations({QStringLiteral("C"), QStringLiteral("fr-FR"), QStringLiteral("de-AT")}),
            QStringLiteral("de"));
        struct CEnglishAgain {
            ~CEnglishAgain() { ZsInstallTranslations({}); }
        } english;
        // Qt's own translation comes along, for the buttons of the standard dialogs.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        {
            CUrlCapture capture;
            ZsSetUrlOpener([](const QUrl&) { return false; });
            CFrmMain frame;
            QVERIFY(frame.Create());
            QCOMPARE(frame.NoLibMenus()[0]->title(), QStringLiteral("&Datei"));
            QCOMPARE(frame.Router().Find(ID_FILE_OPEN)->text(), QStringLiteral("Ö&ffnen..."));
            QCOMPARE(frame.Router().Find(ID_FILE_OPEN)->statusTip(),
                     QStringLiteral("Eine vorhandene erweiterte Symbolbibliothek öffnen"));
            QCOMPARE(frame.GetStatusText(0), QStringLiteral("Bereit"));
            // Every menu gives each of its items a letter of its own, and the menu bar each of its menus.
            for (const std::vector<QMenu*>* pMenus : {&frame.NoLibMenus(), &frame.LibMenus()}) {
                QStringList titles;
                for (const QMenu* pMenu : *pMenus) {
                    titles << pMenu->title();
                    QStringList items;
                    for (const QAction* pAction : pMenu->actions()) {
                        items << pAction->text();
                    }
                    QVERIFY2(!HasRepeatedMnemonic(items), qPrintable(Describe(pMenu)));
                }
                QVERIFY2(!HasRepeatedMnemonic(titles), qPrintable(titles.join(QLatin1Char(' '))));
            }
            test::ScriptedMessages messages;
            frame.Router().Find(ID_HELP_HOMEPAGE)->trigger();
            QCOMPARE(messages.shown.size(), size_t(1));
            QCOMPARE(QString::fromStdString(messages.shown[0].second),
                     QStringLiteral(
                         "Es wurde kein Webbrowser gefunden, um https://www.pictavo.example/ zu öffnen."));
        }
        QCOMPARE(ZsInstallTranslations({QStringLiteral("en")}), QString());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        CFrmMain frame;
        QVERIFY(frame.Create());
        QCOMPARE(frame.NoLibMenus()[0]->title(), QStringLiteral("&File"));
    }

    void aboutBoxShowsTheVersion() {
        CUrlCapture capture;
        CDlgAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Pictavo"));
        QCOMPARE(about.VersionLabel()->text(), QStringLiteral("Pictavo 1.0.0.1108"));
        QVERIFY(about.VersionLabel()->font().bold());
        QVERIFY(!about.Picture()->pixmap().isNull());
        const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
        QLabel* pMail = nullptr;
        for (QLabel* pLabel : about.findChildren<QLabel*>()) {
            if (pLabel->text().contains(QLatin1String("mailto:"))) {
                pMail = pLabel;
            }
        }
        QVERIFY(pMail);
        emit pMail->linkActivated(QStringLiteral("mailto:support@pictavo.example"));
        QCOMPARE(capture.urls.size(), 1);
        QCOMPARE(capture.urls[0].scheme(), QStringLiteral("mailto"));
    }

    void droppedLibrariesOpenAndOtherFilesAreImportedOverTheWorkspace() {
        test::TempDir dir;
        std::filesystem::create_directories(dir.Path() / "folder.pctv");
        std::filesystem::create_directories(dir.Path() / "In");
        for (const char* pszName : {"one.pctv", "two.PCTV", "notes.txt"}) {
            std::ofstream(dir.Path() / pszName) << "x";
        }
        QVERIFY(ZsWriteFile(dir / "Red.ico", guitest::SolidIcon({32}, 0xFFFF0000)));
        QVERIFY(ZsWriteFile(dir / "In" / "Green.ico", guitest::SolidIcon({16}, 0xFF00C000)));
        auto dropOf = [&dir](std::initializer_list<const char*> names) {
            auto pData = std::make_unique<QMimeData>();
            QList<QUrl> urls;
            for (const char* pszName : names) {
                urls << QUrl::fromLocalFile(ZsQPath(dir.Path() / pszName));
            }
            pData->setUrls(urls);
            return pData;
        };
        const auto pLibraries = dropOf({"folder.pctv", "one.pctv", "two.PCTV", "notes.txt", "gone.pctv"});
        const auto pIcons = dropOf({"Red.ico", "notes.txt", "In"});

        CFrmMain frame;
        QVERIFY(frame.Create());
        frame.resize(800, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QPoint ptWorkspace = frame.GetMdiArea()->geometry().center();
        std::vector<std::filesystem::path> opened;
        frame.SetDocumentOpener([&opened](const std::filesystem::path& path) { opened.push_back(path); });

        // The program's own transfers, text and drops onto a library window are not the frame's.
        QMimeData own;
        own.setUrls(pIcons->urls());
        own.setData(QString::fromLatin1(ZS_DND_MIME), QByteArray(16, '\0'));
        QVERIFY(!frame.CanDropFilesAt(&own, ptWorkspace));
        QMimeData text;
        text.setText(QStringLiteral("one.pctv"));
        QVERIFY(!frame.CanDropFilesAt(&text, ptWorkspace));
        QVERIFY(!frame.CanDropFilesAt(dropOf({"notes.txt"}).get(), ptWorkspace));
        {
            QMdiSubWindow* pChild = frame.GetMdiArea()->addSubWindow(new QWidget);
            pChild->setGeometry(0, 0, 300, 300);
            pChild->show();
            const QPoint ptChild = frame.GetMdiArea()->mapTo(&frame, pChild->geometry().center());
            QVERIFY(!frame.CanDropFilesAt(pLibraries.get(), ptChild));
            // A drag that comes in over the library window is refused there and taken beside it.
            QDragEnterEvent enter(ptChild, Qt::CopyAction, pLibraries.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&frame, &enter);
            QVERIFY(enter.isAccepted());
            QCOMPARE(enter.dropAction(), Qt::IgnoreAction);
            QDragMoveEvent move(frame.statusBar()->geometry().center(), Qt::CopyAction, pLibraries.get(),
                                Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&frame, &move);
            QVERIFY(move.isAccepted());
            QCOMPARE(move.dropAction(), Qt::CopyAction);
            delete pChild;
        }

        // Libraries are opened and other files passed over; a folder named like a library is one to import
        // from, and holds nothing.
        QVERIFY(frame.CanDropFilesAt(pLibraries.get(), ptWorkspace));
        {
            test::ScriptedMessages messages({int(ZS_IDOK)});
            QVERIFY(frame.DropFiles(pLibraries.get()));
            QCOMPARE(messages.shown.size(), size_t(1));
            QVERIFY(
                QString::fromStdString(messages.shown[0].second).startsWith("There are no supported files"));
        }
        QCOMPARE(opened.size(), size_t(2));
        QCOMPARE(QString::fromStdString(opened[0].filename().string()), QStringLiteral("one.pctv"));
        QCOMPARE(QString::fromStdString(opened[1].filename().string()), QStringLiteral("two.PCTV"));
        QVERIFY(frame.Docs().Documents().empty());

        // Icon files and folders go into a new library when none is open, what the folder holds after the
        // file.
        QVERIFY(frame.CanDropFilesAt(pIcons.get(), ptWorkspace));
        QVERIFY(frame.DropFiles(pIcons.get()));
        QCOMPARE(frame.Docs().Documents().size(), size_t(1));
        CDocZIL* pDoc = frame.ActiveDocument();
        CViewZIL* pView = frame.Docs().FrameOf(pDoc)->IconView();
        QCOMPARE(pView->GetIconCount(), 2);
        QCOMPARE(pView->IconModel()->index(0).data().toString(), QStringLiteral("Red"));
        QCOMPARE(pView->IconModel()->index(1).data().toString(), QStringLiteral("Green"));
        QVERIFY(pDoc->IsModified());

        // Over the status bar too, at the caret row of the active library's category.
        const QPoint ptStatus = frame.statusBar()->geometry().center();
        pView->SetCaretRow(1);
        QVERIFY(frame.CanDropFilesAt(pIcons.get(), ptStatus));
        QVERIFY(frame.DropFiles(dropOf({"Red.ico"}).get()));
        QCOMPARE(pView->GetIconCount(), 3);
        QCOMPARE(pView->IconModel()->index(1).data().toString(), QStringLiteral("Red"));

        // "Find Results" takes no imports: the drag is refused unless it brings a library, and files handed
        // over are refused with the reason.
        frame.Docs().FrameOf(pDoc)->TreeView()->SelectTreeItem(pDoc->Tree().FindItem(ZIL_ID_FIND));
        QVERIFY(!frame.CanDropFilesAt(pIcons.get(), ptStatus));
        QVERIFY(frame.CanDropFilesAt(pLibraries.get(), ptStatus));
        test::ScriptedMessages messages({int(ZS_IDOK), int(ZS_IDNO)});
        QCOMPARE(frame.ImportFiles({dir / "Red.ico"}), 0);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].second, std::string("Icons cannot be imported into \"Find Results\"."));
        QCOMPARE(pDoc->GetList(ZIL_ID_ALL).size(), size_t(3));
        QVERIFY(frame.close());
    }
};

PICTAVO_GUI_TEST_MAIN(FrmMainTest)
#include "FrmMainTest.moc"
