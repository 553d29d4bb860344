#include "gui/app/FrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QUrlQuery>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsSettings.h"
#include "gui/app/DlgAbout.h"
#include "gui/app/DlgOpt.h"
#include "gui/app/FrmHelp.h"
#include "gui/common/ZsBusy.h"
#include "gui/common/ZsCmdIds.h"
#include "gui/common/ZsDnD.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsPlacement.h"
#include "gui/common/ZsQt.h"
#include "gui/ui/DlgBarPrvw.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"
#include "icon/ZsBitmap.h"
#include "library/ZsImport.h"
#include "library/ZsLibCmd.h"

namespace {

constexpr const char* kKeyDockState = "DockState";
// The status bar is no dock or toolbar, so the layout above leaves it out; it is kept beside it.
constexpr const char* kKeyStatusBar = "StatusBar";

// The longest usual texts of the selection and total panes; the panes are made wide enough for them in the
// font they are shown in.
const char* const kPaneSamples[] = {
    "", QT_TRANSLATE_NOOP("CFrmMain", "Selection: IDI_APPLICATION_SHELL_ICON (99 formats)"),
    QT_TRANSLATE_NOOP("CFrmMain", "Total: 999999 Icons")};

constexpr int kPanePadding = 3;

// A status bar pane whose text, when longer than the pane, ends in an ellipsis instead of being cut.
class CStatusPane : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect rc = contentsRect().adjusted(kPanePadding, 0, -kPanePadding, 0);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rc, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         fontMetrics().elidedText(text(), Qt::ElideRight, rc.width()));
    }
};

int StatusPaneWidth(const QFrame* pPane, const QString& sSample) {
    return pPane->fontMetrics().horizontalAdvance(sSample) + 2 * pPane->frameWidth() + 2 * kPanePadding + 2;
}

// One command of the menus: the id, the menu text in the program's notation and the fly-by help.
struct CMenuCmd {
    int nId;
    const char* pszText;
    const char* pszTip;
};

const CMenuCmd kCommands[] = {
    {ID_FILE_NEW_LIB, QT_TRANSLATE_NOOP("CFrmMain", "&New Library\tCtrl+N"),
     QT_TRANSLATE_NOOP("CFrmMain", "Create a new extended icon library")},
    {ID_FILE_OPEN, QT_TRANSLATE_NOOP("CFrmMain", "&Open...\tCtrl+O"),
     QT_TRANSLATE_NOOP("CFrmMain", "Open an existing extended icon library")},
    {ID_FILE_CLOSE, QT_TRANSLATE_NOOP("CFrmMain", "&Close"),
     QT_TRANSLATE_NOOP("CFrmMain", "Close the active library")},
    {ID_FILE_SAVE, QT_TRANSLATE_NOOP("CFrmMain", "&Save\tCtrl+S"),
     QT_TRANSLATE_NOOP("CFrmMain", "Save the active library")},
    {ID_FILE_SAVE_AS, QT_TRANSLATE_NOOP("CFrmMain", "Save &As..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Save the active library with a new name")},
    {ID_FILE_SAVE_ALL, QT_TRANSLATE_NOOP("CFrmMain", "Save A&ll\tCtrl+Shift+S"),
     QT_TRANSLATE_NOOP("CFrmMain", "Save all open libraries")},
    {ID_LIB_COMPACT, QT_TRANSLATE_NOOP("CFrmMain", "Co&mpact..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Optimize the active library for size")},
    {ID_FILE_MRU_FILE1, QT_TRANSLATE_NOOP("CFrmMain", "Recent File"),
     QT_TRANSLATE_NOOP("CFrmMain", "Open this library")},
    {ID_APP_EXIT, QT_TRANSLATE_NOOP("CFrmMain", "E&xit"),
     QT_TRANSLATE_NOOP("CFrmMain", "Quit the application; prompts to save libraries")},
    {ID_EDIT_CUT, QT_TRANSLATE_NOOP("CFrmMain", "Cu&t\tCtrl+X"),
     QT_TRANSLATE_NOOP("CFrmMain", "Cut the selection and put it on the Clipboard")},
    {ID_EDIT_COPY, QT_TRANSLATE_NOOP("CFrmMain", "&Copy\tCtrl+C"),
     QT_TRANSLATE_NOOP("CFrmMain", "Copy the selection and put it on the Clipboard")},
    {ID_EDIT_PASTE, QT_TRANSLATE_NOOP("CFrmMain", "&Paste\tCtrl+V"),
     QT_TRANSLATE_NOOP("CFrmMain", "Insert Clipboard contents")},
    {ID_EDIT_CLEAR, QT_TRANSLATE_NOOP("CFrmMain", "&Delete...\tDel"),
     QT_TRANSLATE_NOOP("CFrmMain", "Delete the selection")},
    {ID_EDIT_SELECT_ALL, QT_TRANSLATE_NOOP("CFrmMain", "Select &All\tCtrl+A"),
     QT_TRANSLATE_NOOP("CFrmMain", "Select all icons")},
    {ID_EDIT_INVERT_SEL, QT_TRANSLATE_NOOP("CFrmMain", "&Invert Selection\tCtrl+I"),
     QT_TRANSLATE_NOOP("CFrmMain", "Invert the selection of icons")},
    {ID_EDIT_FIND, QT_TRANSLATE_NOOP("CFrmMain", "&Find Icons...\tCtrl+F"),
     QT_TRANSLATE_NOOP("CFrmMain", "Find icons by name and keywords")},
    {ID_LIB_NODE_ADD, QT_TRANSLATE_NOOP("CFrmMain", "New &Category"),
     QT_TRANSLATE_NOOP("CFrmMain", "Add a category under the selected one")},
    {ID_LIB_NODE_ADD_ABOVE, QT_TRANSLATE_NOOP("CFrmMain", "New Sibling Category &Above"),
     QT_TRANSLATE_NOOP("CFrmMain", "Add a category above the selected one")},
    {ID_LIB_NODE_ADD_BELOW, QT_TRANSLATE_NOOP("CFrmMain", "New Sibling Category &Below"),
     QT_TRANSLATE_NOOP("CFrmMain", "Add a category below the selected one")},
    {ID_LIB_IMP_DIRS, QT_TRANSLATE_NOOP("CFrmMain", "&Import from Disk Directory Tree..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Import a directory tree as categories")},
    {ID_LIB_EXP_DIRS, QT_TRANSLATE_NOOP("CFrmMain", "&Export to Disk Directory Tree..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Export the selected category as a directory tree")},
    {ID_EDIT_RENAME, QT_TRANSLATE_NOOP("CFrmMain", "&Rename\tF2"),
     QT_TRANSLATE_NOOP("CFrmMain", "Rename the selected category")},
    {ID_ICON_IMPORT, QT_TRANSLATE_NOOP("CFrmMain", "I&mport Icons...\tCtrl+M"),
     QT_TRANSLATE_NOOP("CFrmMain", "Import icons from files")},
    {ID_ICON_IMP_DIR, QT_TRANSLATE_NOOP("CFrmMain", "&Import Icons from Disk Directory..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Import the icons of a directory")},
    {ID_ICON_IMP_GRID, QT_TRANSLATE_NOOP("CFrmMain", "Import Icons from Image &Strips/Grids..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Cut images into icons")},
    {ID_ICON_EXPORT, QT_TRANSLATE_NOOP("CFrmMain", "Ex&port Icons...\tCtrl+P"),
     QT_TRANSLATE_NOOP("CFrmMain", "Export the selected icons to files")},
    {ID_ICON_EXP_GRID, QT_TRANSLATE_NOOP("CFrmMain", "Export Icons to Image Strip/&Grid..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Export the selected icons as one image")},
    {ID_ICON_MERGE, QT_TRANSLATE_NOOP("CFrmMain", "Me&rge Icons"),
     QT_TRANSLATE_NOOP("CFrmMain", "Merge pairs of selected icons")},
    {ID_ICON_DEL_FMTS, QT_TRANSLATE_NOOP("CFrmMain", "&Delete Formats from Icons..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Delete image formats from the selected icons")},
    {ID_ICON_EDIT_ASS, QT_TRANSLATE_NOOP("CFrmMain", "&Edit with Associated Program...\tCtrl+E"),
     QT_TRANSLATE_NOOP("CFrmMain", "Edit the selected icons in another program")},
    {ID_ICON_PROPERTIES, QT_TRANSLATE_NOOP("CFrmMain", "Pr&operties..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Name and keywords of the selected icons")},
    {ID_IMG_NEW, QT_TRANSLATE_NOOP("CFrmMain", "&New Images..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Add image formats to the icon")},
    {ID_IMG_EXPORT, QT_TRANSLATE_NOOP("CFrmMain", "&Export Images..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Export the selected images to files")},
    {ID_VIEW_TOOLBAR, QT_TRANSLATE_NOOP("CFrmMain", "&Toolbar"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show or hide the toolbar")},
    {ID_VIEW_STATUS_BAR, QT_TRANSLATE_NOOP("CFrmMain", "&Status Bar"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show or hide the status bar")},
    {ID_VIEW_PREVIEW, QT_TRANSLATE_NOOP("CFrmMain", "&Preview"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show or hide the preview bar")},
    {ID_VIEW_16, QT_TRANSLATE_NOOP("CFrmMain", "16x16"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 16x16")},
    {ID_VIEW_24, QT_TRANSLATE_NOOP("CFrmMain", "24x24"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 24x24")},
    {ID_VIEW_32, QT_TRANSLATE_NOOP("CFrmMain", "32x32"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 32x32")},
    {ID_VIEW_48, QT_TRANSLATE_NOOP("CFrmMain", "48x48"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 48x48")},
    {ID_VIEW_64, QT_TRANSLATE_NOOP("CFrmMain", "64x64"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 64x64")},
    {ID_VIEW_72, QT_TRANSLATE_NOOP("CFrmMain", "72x72"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 72x72")},
    {ID_VIEW_80, QT_TRANSLATE_NOOP("CFrmMain", "80x80"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 80x80")},
    {ID_VIEW_96, QT_TRANSLATE_NOOP("CFrmMain", "96x96"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 96x96")},
    {ID_VIEW_128, QT_TRANSLATE_NOOP("CFrmMain", "128x128"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 128x128")},
    {ID_VIEW_256, QT_TRANSLATE_NOOP("CFrmMain", "256x256"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show icons at 256x256")},
    {ID_VIEW_ICON_INFO, QT_TRANSLATE_NOOP("CFrmMain", "&Display Icon Info"),
     QT_TRANSLATE_NOOP("CFrmMain", "Show names and formats under the icons")},
    {ID_VIEW_ICON_ROWS, QT_TRANSLATE_NOOP("CFrmMain", "Wrap Icons in &Rows"),
     QT_TRANSLATE_NOOP("CFrmMain",
                       "Lay the icons out in rows that wrap at the window's width and scroll down")},
    {ID_TOOLS_OPTIONS, QT_TRANSLATE_NOOP("CFrmMain", "&Options..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Change the program's options")},
    {ID_WINDOW_CASCADE, QT_TRANSLATE_NOOP("CFrmMain", "&Cascade"),
     QT_TRANSLATE_NOOP("CFrmMain", "Arrange windows so they overlap")},
    {ID_WINDOW_TILE_HORZ, QT_TRANSLATE_NOOP("CFrmMain", "&Tile"),
     QT_TRANSLATE_NOOP("CFrmMain", "Arrange windows as non-overlapping tiles")},
    {ID_WINDOW_ARRANGE, QT_TRANSLATE_NOOP("CFrmMain", "&Arrange Icons"),
     QT_TRANSLATE_NOOP("CFrmMain", "Arrange icons at the bottom of the window")},
    {ID_HELP, QT_TRANSLATE_NOOP("CFrmMain", "&Help Topics\tF1"),
     QT_TRANSLATE_NOOP("CFrmMain", "List Help topics")},
    {ID_HELP_HOMEPAGE, QT_TRANSLATE_NOOP("CFrmMain", "H&ome Page"),
     QT_TRANSLATE_NOOP("CFrmMain", "Visit the home page")},
    {ID_HELP_SUPPORT, QT_TRANSLATE_NOOP("CFrmMain", "&Technical Support"),
     QT_TRANSLATE_NOOP("CFrmMain", "Write to technical support")},
    {ID_APP_ABOUT, QT_TRANSLATE_NOOP("CFrmMain", "&About..."),
     QT_TRANSLATE_NOOP("CFrmMain", "Display program information, version number and copyright")},
};

// A popup: its title and its command ids, 0 for a separator.
struct CPopup {
    const char* pszTitle;
    std::vector<int> ids;
};

const std::vector<CPopup> kNoLibMenu = {
    {QT_TRANSLATE_NOOP("CFrmMain", "&File"),
     {ID_FILE_NEW_LIB, ID_FILE_OPEN, 0, ID_FILE_MRU_FILE1, 0, ID_APP_EXIT}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&View"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Tools"), {ID_TOOLS_OPTIONS}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Help"),
     {ID_HELP, 0, ID_HELP_HOMEPAGE, ID_HELP_SUPPORT, 0, ID_APP_ABOUT}},
};

const std::vector<CPopup> kLibMenu = {
    {QT_TRANSLATE_NOOP("CFrmMain", "&File"),
     {ID_FILE_NEW_LIB, ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_SAVE_ALL, 0,
      ID_LIB_COMPACT, 0, ID_FILE_MRU_FILE1, 0, ID_APP_EXIT}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Edit"),
     {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0, ID_EDIT_SELECT_ALL, ID_EDIT_INVERT_SEL, 0,
      ID_EDIT_FIND}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Categories"),
     {ID_LIB_NODE_ADD, ID_LIB_NODE_ADD_ABOVE, ID_LIB_NODE_ADD_BELOW, 0, ID_LIB_IMP_DIRS, ID_LIB_EXP_DIRS, 0,
      ID_EDIT_RENAME}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Icons"),
     {ID_ICON_IMPORT, ID_ICON_IMP_DIR, ID_ICON_IMP_GRID, 0, ID_ICON_EXPORT, ID_ICON_EXP_GRID, 0,
      ID_ICON_MERGE, ID_ICON_DEL_FMTS, 0, ID_ICON_EDIT_ASS, ID_ICON_PROPERTIES}},
    {QT_TRANSLATE_NOOP("CFrmMain", "I&mages"), {ID_IMG_NEW, ID_IMG_EXPORT}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&View"),
     {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_PREVIEW, 0, ID_VIEW_16, ID_VIEW_24, ID_VIEW_32, ID_VIEW_48,
      ID_VIEW_64, ID_VIEW_72, ID_VIEW_80, ID_VIEW_96, ID_VIEW_128, ID_VIEW_256, 0, ID_VIEW_ICON_INFO,
      ID_VIEW_ICON_ROWS}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Tools"), {ID_TOOLS_OPTIONS}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Window"), {ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_WINDOW_ARRANGE}},
    {QT_TRANSLATE_NOOP("CFrmMain", "&Help"),
     {ID_HELP, 0, ID_HELP_HOMEPAGE, ID_HELP_SUPPORT, 0, ID_APP_ABOUT}},
};

// The main toolbar: its buttons in the order of the pictures in "Images/IDR_MAINFRAME.png".
const int kToolBarButtons[] = {
    ID_FILE_NEW_LIB, ID_FILE_OPEN, ID_FILE_SAVE_ALL, 0, ID_VIEW_PREVIEW, 0, ID_TOOLS_OPTIONS, 0,
    ID_HELP,         ID_APP_ABOUT};

}  // namespace

CFrmMain::CFrmMain(QWidget* pParent) : QMainWindow(pParent) {
    setObjectName(QStringLiteral("CFrmMain"));
    setWindowTitle(QString::fromUtf8(ZS_PRODUCT_NAME));
    setAcceptDrops(true);
    mpMdiArea = new QMdiArea(this);
    mpMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mpMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mpMdiArea);
    mpRouter = new CZsCmdRouter(this, [this] { return CommandChain(); });
    mpDocs = new CDocManagerZIL(this, mpMdiArea, mpRouter, this);
    mOpener = [this](const std::filesystem::path& path) { mpDocs->OpenDocumentFile(path); };
    connect(mpRouter, &CZsCmdRouter::updated, this, [this] {
        CDocZIL* pDoc = ActiveDocument();
        if (pDoc) {
            pDoc->OnIdle();
        }
        UpdateTitle();
    });
    connect(mpMdiArea, &QMdiArea::subWindowActivated, this, [this] {
        ShowMenus(!mpMdiArea->subWindowList().isEmpty());
        // The preview shows the image chosen in the library that is now active.
        CDocZIL* pDoc = ActiveDocument();
        CFrmZIL* pFrame = pDoc ? mpDocs->FrameOf(pDoc) : nullptr;
        if (pFrame) {
            pFrame->IconView()->UpdatePreview();
        } else {
            ClearPreview();
        }
    });
}

CFrmMain::~CFrmMain() {
    // The workspace reports activations while the window is taken apart; the menus are gone by then.
    mpMdiArea->disconnect(this);
    mpDocs->CloseAllDocuments();
}

bool CFrmMain::Create() {
    const std::string sPlacement = ZS_MAIN_WND_PLACEMENT.Get();
    if (auto placement = ZsPlacementFromText(sPlacement)) {
        mnStartShowCmd = ZsApplyWindowPlacement(this, *placement);
    } else if (const QScreen* pScreen = QGuiApplication::primaryScreen()) {
        const QRect rcScreen = pScreen->availableGeometry();
        QRect rc(QPoint(0, 0), QSize(1100, 760).boundedTo(rcScreen.size() * 9 / 10));
        rc.moveCenter(rcScreen.center());
        setGeometry(rc);
    }

    CreateActions();
    CreateMenus();
    mpDocs->UpdateRecentActions();
    CreateToolBar();

    mpPreviewBar = new CDlgBarPrvw(this);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    addDockWidget(Qt::RightDockWidgetArea, mpPreviewBar);
    resizeDocks({mpPreviewBar}, {mpPreviewBar->Pane()->sizeHint().width()}, Qt::Horizontal);
    connect(mpPreviewBar, &QDockWidget::dockLocationChanged, this, &CFrmMain::LimitPreviewBar);
    connect(mpPreviewBar, &QDockWidget::topLevelChanged, this, &CFrmMain::LimitPreviewBar);
    mpPreviewBar->installEventFilter(this);

    CreateStatusBar();

    auto pSettings = ZsFrameworkSettings();
    const QByteArray state = pSettings->value(kKeyDockState).toByteArray();
    if (!state.isEmpty()) {
        restoreState(state);
    }
    statusBar()->setVisible(pSettings->value(kKeyStatusBar, true).toBool());
    ShowMenus(false);
    mpRouter->UpdateAll();
    return true;
}

void CFrmMain::ShowAtStart() {
    if (mnStartShowCmd == ZS_SW_SHOWMAXIMIZED) {
        showMaximized();
    } else {
        show();
    }
}

void CFrmMain::CreateActions() {
    for (const CMenuCmd& cmd : kCommands) {
        mpRouter->Action(cmd.nId, tr(cmd.pszText), tr(cmd.pszTip));
    }
}

void CFrmMain::CreateMenus() {
    auto build = [this](const std::vector<CPopup>& popups, std::vector<QMenu*>& menus) {
        for (const CPopup& popup : popups) {
            auto* pMenu = new QMenu(tr(popup.pszTitle), this);
            for (int nId : popup.ids) {
                if (nId == 0) {
                    pMenu->addSeparator();
                } else if (nId == ID_FILE_MRU_FILE1) {
                    for (int nRecent = ID_FILE_MRU_FILE1; nRecent <= ID_FILE_MRU_FILE16; ++nRecent) {
                        pMenu->addAction(mpRouter->Action(nRecent));
                    }
                } else {
                    pMenu->addAction(mpRouter->Find(nId));
                }
            }
            if (std::string_view(popup.pszTitle) == "&View") {
                // Every item of this menu can be checked: it shows its check mark, which the picture it
                // has on a toolbar would take the place of.
                for (QAction* pAction : pMenu->actions()) {
                    pAction->setIconVisibleInMenu(false);
                }
            }
            connect(pMenu, &QMenu::aboutToShow, mpRouter, &CZsCmdRouter::UpdateAll);
            menus.push_back(pMenu);
        }
    };
    build(kNoLibMenu, mNoLibMenus);
    build(kLibMenu, mLibMenus);
    for (size_t i = 0; i < mLibMenus.size(); ++i) {
        QMenu* pMenu = mLibMenus[i];
        if (std::string_view(kLibMenu[i].pszTitle) == "&Window") {
            mpWindowMenu = pMenu;
            connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { FillWindowMenu(pMenu); });
        }
    }
}

void CFrmMain::FillWindowMenu(QMenu* pMenu) {
    // The fixed commands stay; the list of open windows below them is rebuilt each time.
    const QList<QAction*> actions = pMenu->actions();
    for (QAction* pAction : actions) {
        if (pAction->property("zsWindowItem").toBool()) {
            pMenu->removeAction(pAction);
            pAction->deleteLater();
        }
    }
    const QList<QMdiSubWindow*> windows = mpMdiArea->subWindowList();
    if (windows.isEmpty()) {
        return;
    }
    QAction* pSeparator = pMenu->addSeparator();
    pSeparator->setProperty("zsWindowItem", true);
    int nNumber = 1;
    for (QMdiSubWindow* pWindow : windows) {
        const QString sText = nNumber < 10 ? QStringLiteral("&%1 %2").arg(nNumber).arg(pWindow->windowTitle())
                                           : QStringLiteral("%1 %2").arg(nNumber).arg(pWindow->windowTitle());
        QAction* pAction = pMenu->addAction(sText);
        pAction->setProperty("zsWindowItem", true);
        pAction->setCheckable(true);
        pAction->setChecked(pWindow == mpMdiArea->activeSubWindow());
        QPointer<QMdiSubWindow> pTarget(pWindow);
        connect(pAction, &QAction::triggered, this, [this, pTarget] {
            if (pTarget) {
                mpMdiArea->setActiveSubWindow(pTarget);
            }
        });
        ++nNumber;
    }
}

void CFrmMain::UpdateTitle() {
    // The title names the active library once: "Pictavo - Library1". A maximised library window adds its
    // own name to the frame's title ("Pictavo - [Library1]"), so the frame then leaves it out.
    CDocZIL* pDoc = ActiveDocument();
    QMdiSubWindow* pWindow = pDoc ? mpDocs->SubWindowOf(pDoc) : nullptr;
    const QString sProduct = QString::fromUtf8(ZS_PRODUCT_NAME);
    const QString sTitle = pDoc && !(pWindow && pWindow->isMaximized())
                               ? sProduct + QStringLiteral(" - ") + pDoc->GetTitle()
                               : sProduct;
    if (sTitle != msTitle) {
        msTitle = sTitle;
        setWindowTitle(sTitle);
    }
}

void CFrmMain::ShowMenus(bool bLibrary) {
    if (bLibrary == mbLibMenuShown && !menuBar()->actions().isEmpty()) {
        return;
    }
    mbLibMenuShown = bLibrary;
    menuBar()->clear();
    for (QMenu* pMenu : bLibrary ? mLibMenus : mNoLibMenus) {
        menuBar()->addMenu(pMenu);
    }
}

void CFrmMain::CreateToolBar() {
    mpToolBar = new QToolBar(tr("Toolbar"), this);
    mpToolBar->setObjectName(QStringLiteral("ToolBar"));
    const std::vector<QIcon> icons = ZsLoadStripIcons(ZsGetAppDir() / "Images" / "IDR_MAINFRAME.png");
    size_t nImage = 0;
    for (int nId : kToolBarButtons) {
        if (nId == 0) {
            mpToolBar->addSeparator();
            continue;
        }
        QAction* pAction = mpRouter->Find(nId);
        if (nImage < icons.size()) {
            pAction->setIcon(icons[nImage]);
        }
        ++nImage;
        mpToolBar->addAction(pAction);
    }
    if (!icons.empty()) {
        mpToolBar->setIconSize(icons.front().availableSizes().value(0, QSize(16, 16)));
    }
    addToolBar(Qt::TopToolBarArea, mpToolBar);
}

void CFrmMain::CreateStatusBar() {
    QStatusBar* pBar = statusBar();
    for (size_t i = 0; i < mStatusPanes.size(); ++i) {
        auto* pPane = new CStatusPane(pBar);
        pPane->setTextFormat(Qt::PlainText);
        if (i == 0) {
            pPane->setText(tr("Ready"));
            pBar->addWidget(pPane, 1);
        } else {
            pPane->setFrameShape(QFrame::Panel);
            pPane->setFrameShadow(QFrame::Sunken);
            pPane->setFixedWidth(StatusPaneWidth(pPane, CFrmMain::tr(kPaneSamples[i])));
            pBar->addPermanentWidget(pPane);
        }
        mStatusPanes[i] = pPane;
    }
}

void CFrmMain::SetStatusText(int nPane, const char* pszFormat, ...) {
    if (nPane < 0 || nPane >= static_cast<int>(mStatusPanes.size()) || !mStatusPanes[0]) {
        return;
    }
    va_list args;
    va_start(args, pszFormat);
    const std::string sText = ZsFormatV(pszFormat, args);
    va_end(args);
    QLabel* pPane = mStatusPanes[static_cast<size_t>(nPane)];
    const QString sNew = QString::fromStdString(sText);
    if (pPane->text() != sNew) {
        pPane->setText(sNew);
        if (nPane > 0) {
            pPane->setToolTip(sNew);
        }
    }
}

QString CFrmMain::GetStatusText(int nPane) const {
    if (nPane < 0 || nPane >= static_cast<int>(mStatusPanes.size()) || !mStatusPanes[0]) {
        return {};
    }
    return mStatusPanes[static_cast<size_t>(nPane)]->text();
}

void CFrmMain::ClearPreview() {
    if (mpPreviewBar) {
        mpPreviewBar->ClearPreview();
    }
}

std::vector<CZsCmdTarget*> CFrmMain::CommandChain() const {
    // The focused pane and the windows around it first, then the active library window, then the frame.
    std::vector<CZsCmdTarget*> chain;
    QWidget* pFocus = QApplication::focusWidget();
    if (CDocZIL* pDoc = ActiveDocument()) {
        if (CFrmZIL* pFrame = mpDocs->FrameOf(pDoc)) {
            chain = pFrame->CommandTargets(pFocus);
        }
    } else if (pFocus && pFocus->window() == this) {
        chain = ZsTargetsAround(pFocus);
    }
    auto add = [&chain](CZsCmdTarget* pTarget) {
        if (std::find(chain.begin(), chain.end(), pTarget) == chain.end()) {
            chain.push_back(pTarget);
        }
    };
    add(const_cast<CFrmMain*>(this));
    add(mpDocs);
    return chain;
}

bool CFrmMain::OnCommand(int nId) {
    switch (nId) {
        case ID_APP_EXIT:
            close();
            return true;
        case ID_VIEW_TOOLBAR:
            mpToolBar->setVisible(mpToolBar->isHidden());
            return true;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(statusBar()->isHidden());
            return true;
        case ID_VIEW_PREVIEW:
            mpPreviewBar->setVisible(mpPreviewBar->isHidden());
            return true;
        case ID_HELP:
            OnHelpTopics();
            return true;
        case ID_HELP_HOMEPAGE:
            OnHomePage();
            return true;
        case ID_HELP_SUPPORT:
            OnSupport();
            return true;
        case ID_APP_ABOUT: {
            CDlgAbout about(this);
            about.exec();
            return true;
        }
        case ID_TOOLS_OPTIONS: {
            CDlgOpt options(this);
            options.exec();
            return true;
        }
        case ID_WINDOW_CASCADE:
            mpDocs->CascadeWindows();
            return true;
        case ID_WINDOW_TILE_HORZ:
            mpDocs->TileWindows();
            return true;
        case ID_WINDOW_ARRANGE:
            mpDocs->ArrangeIcons();
            return true;
        default:
            return false;
    }
}

bool CFrmMain::OnUpdateCommand(CZsCmdUI& ui) {
    switch (ui.Id()) {
        case ID_APP_EXIT:
        case ID_HELP:
        case ID_HELP_HOMEPAGE:
        case ID_HELP_SUPPORT:
        case ID_APP_ABOUT:
        case ID_TOOLS_OPTIONS:
            ui.Enable();
            return true;
        case ID_VIEW_TOOLBAR:
            ui.SetCheck(!mpToolBar->isHidden());
            return true;
        case ID_VIEW_STATUS_BAR:
            ui.SetCheck(!statusBar()->isHidden());
            return true;
        case ID_VIEW_PREVIEW:
            ui.SetCheck(!mpPreviewBar->isHidden());
            return true;
        case ID_WINDOW_CASCADE:
        case ID_WINDOW_TILE_HORZ:
        case ID_WINDOW_ARRANGE:
            ui.Enable(!mpMdiArea->subWindowList().isEmpty());
            return true;
        default:
            return false;
    }
}

void CFrmMain::OnHelpTopics() {
    // The program shows its own help pages: a desktop without a web browser has help too.
    const std::filesystem::path index = ZsGetAppDir() / "help" / "index.html";
    if (!mpHelp) {
        mpHelp = new CFrmHelp(this);
    }
    if (!mpHelp->ShowPage(QUrl::fromLocalFile(ZsQPath(index)))) {
        ZsMsgBox(ZS_MB_ERROR, CFrmMain::tr("The help pages were not found ('%1').").arg(ZsQPath(index)));
    }
}

void CFrmMain::OnHomePage() {
    ZsOpenLink(QUrl(QString::fromUtf8(ZS_HOME_PAGE_URL)));
}

void CFrmMain::OnSupport() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(QString::fromUtf8(ZS_SUPPORT_MAIL));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("Subject"),
                       tr("About %1 %2").arg(QString::fromUtf8(ZS_PRODUCT_NAME), PICTAVO_VERSION));
    url.setQuery(query);
    ZsOpenLink(url);
}

void CFrmMain::SaveWindowState() {
    ZS_MAIN_WND_PLACEMENT.Set(ZsPlacementToText(ZsGetWindowPlacement(this)));
    CDocZIL* pActive = ActiveDocument();
    std::vector<std::string> workspace;
    for (CDocZIL* pDoc : mpDocs->Documents()) {
        if (pDoc != pActive && !pDoc->GetPathName().empty()) {
            workspace.push_back(WorkspaceEntry(pDoc));
        }
    }
    if (pActive && !pActive->GetPathName().empty()) {
        workspace.push_back(WorkspaceEntry(pActive));
    }
    ZS_WORKSPACE.Set(workspace);
    auto pSettings = ZsFrameworkSettings();
    pSettings->setValue(kKeyDockState, saveState());
    pSettings->setValue(kKeyStatusBar, !statusBar()->isHidden());
}

std::string CFrmMain::WorkspaceEntry(CDocZIL* pDoc) const {
    std::string sEntry = ZsPathToUtf8(pDoc->GetPathName());
    std::error_code ec;
    if (!std::filesystem::exists(pDoc->GetPathName(), ec)) {
        return sEntry;
    }
    QMdiSubWindow* pWindow = mpDocs->SubWindowOf(pDoc);
    const std::string sPlacement = pWindow ? ZsPlacementToText(ZsGetWindowPlacement(pWindow)) : std::string();
    const CZsCategoryTree& tree = pDoc->Tree();
    const ZsTreeItem selected = tree.GetSelectedItem();
    int nNumber = -1;
    int nIndex = 0;
    for (ZsTreeItem item = tree.GetRootItem(); item != ZS_TI_NONE && selected != ZS_TI_NONE;
         item = tree.GetNextPreorder(item), ++nIndex) {
        if (item == selected) {
            nNumber = nIndex;
            break;
        }
    }
    return sEntry + ZsFormat(";%s;%d", sPlacement.c_str(), nNumber);
}

void CFrmMain::closeEvent(QCloseEvent* pEvent) {
    // While a long operation or a modal dialog runs, closing the libraries would pull them away from under
    // it; the tray's Exit and the end signals wait until it is over (ZsWhenIdle).
    if (ZsIsBusy()) {
        pEvent->ignore();
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            pModal->raise();
            pModal->activateWindow();
        }
        return;
    }
    // Placement and workspace are recorded before the libraries are asked about, also when the user then
    // cancels the close.
    SaveWindowState();
    if (!mpDocs->SaveAllModified()) {
        pEvent->ignore();
        return;
    }
    mpDocs->CloseAllDocuments();
    pEvent->accept();
    emit Closed();
}

void CFrmMain::resizeEvent(QResizeEvent* pEvent) {
    QMainWindow::resizeEvent(pEvent);
    LimitPreviewBar();
}

bool CFrmMain::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // The bar resized while the window keeps its size: the user gave it that size, which stays.
    if (pWatched == mpPreviewBar && pEvent->type() == QEvent::Resize && size() == mFrameSizeLast) {
        mnPreviewLast = PreviewAcross() == Qt::Horizontal ? mpPreviewBar->width() : mpPreviewBar->height();
        mnPreviewWanted = 0;
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

Qt::Orientation CFrmMain::PreviewAcross() const {
    const Qt::DockWidgetArea area = dockWidgetArea(mpPreviewBar);
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea ? Qt::Vertical : Qt::Horizontal;
}

void CFrmMain::LimitPreviewBar() {
    if (!mpPreviewBar) {
        return;
    }
    mpPreviewBar->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (mpPreviewBar->isFloating()) {
        mnPreviewWanted = mnPreviewLast = 0;
        return;
    }
    const Qt::Orientation across = PreviewAcross();
    auto extent = [across](const QSize& size) {
        return across == Qt::Horizontal ? size.width() : size.height();
    };
    const int nLimit =
        std::max(extent(mpPreviewBar->minimumSizeHint()), static_cast<int>(extent(size()) * kPreviewShare));
    const int nNow = extent(mpPreviewBar->size());
    // A bar made smaller by a smaller window gets its size back as the window grows again.
    if (nNow < mnPreviewLast) {
        mnPreviewWanted = std::max(mnPreviewWanted, mnPreviewLast);
    }
    if (across == Qt::Horizontal) {
        mpPreviewBar->setMaximumWidth(nLimit);
    } else {
        mpPreviewBar->setMaximumHeight(nLimit);
    }
    mnPreviewLast = std::min(nNow, nLimit);
    if (mnPreviewWanted > mnPreviewLast && nLimit > mnPreviewLast) {
        mnPreviewLast = std::min(mnPreviewWanted, nLimit);
        resizeDocks({mpPreviewBar}, {mnPreviewLast}, across);
    }
    if (mnPreviewWanted <= mnPreviewLast) {
        mnPreviewWanted = 0;
    }
    mFrameSizeLast = size();
}

CWorkspaceEntry CFrmMain::ParseWorkspaceEntry(std::string_view sEntry) {
    CWorkspaceEntry entry;
    const size_t nLast = sEntry.rfind(';');
    const size_t nMiddle =
        nLast == std::string_view::npos || nLast == 0 ? std::string_view::npos : sEntry.rfind(';', nLast - 1);
    if (nMiddle != std::string_view::npos) {
        const std::string_view sPlacement = sEntry.substr(nMiddle + 1, nLast - nMiddle - 1);
        const std::string sNumber(sEntry.substr(nLast + 1));
        char* pEnd = nullptr;
        errno = 0;
        const long nNumber = std::strtol(sNumber.c_str(), &pEnd, 10);
        const bool bNumber =
            !sNumber.empty() && *pEnd == '\0' && errno == 0 && nNumber >= INT32_MIN && nNumber <= INT32_MAX;
        const auto placement = ZsPlacementFromText(sPlacement);
        if (bNumber && (placement || sPlacement.empty())) {
            entry.path = ZsPathFromUtf8(sEntry.substr(0, nMiddle));
            entry.placement = placement;
            entry.nSelected = static_cast<int>(nNumber);
            return entry;
        }
    }
    entry.path = ZsPathFromUtf8(sEntry);
    return entry;
}

void CFrmMain::RestoreLibraryWindow(CDocZIL* pDoc, const CWorkspaceEntry& entry) {
    QMdiSubWindow* pWindow = mpDocs->SubWindowOf(pDoc);
    if (pWindow && entry.placement) {
        mpDocs->KeepPlacement(pWindow);
        // Opened maximised after a maximised window, it first takes the normal rectangle it goes back to.
        if (pWindow->isMaximized() || pWindow->isMinimized()) {
            pWindow->showNormal();
        }
        switch (ZsApplyWindowPlacement(pWindow, *entry.placement)) {
            case ZS_SW_SHOWMAXIMIZED:
                pWindow->showMaximized();
                break;
            case ZS_SW_SHOWMINIMIZED:
                pWindow->showMinimized();
                break;
            default:
                pWindow->showNormal();
                break;
        }
        mpMdiArea->setActiveSubWindow(pWindow);
    }
    CFrmZIL* pFrame = mpDocs->FrameOf(pDoc);
    if (!pFrame || entry.nSelected < 0) {
        return;
    }
    const CZsCategoryTree& tree = pDoc->Tree();
    int nIndex = 0;
    for (ZsTreeItem item = tree.GetRootItem(); item != ZS_TI_NONE;
         item = tree.GetNextPreorder(item), ++nIndex) {
        if (nIndex == entry.nSelected) {
            pFrame->TreeView()->SelectTreeItem(item);
            return;
        }
    }
}

void CFrmMain::OpenForwardedFiles(const QStringList& arguments) {
    if (isHidden()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    QWidget* pFront = QApplication::activeModalWidget();
    if (!pFront || !pFront->isVisible() || !pFront->isEnabled()) {
        pFront = this;
    }
    pFront->raise();
    pFront->activateWindow();
    std::vector<std::filesystem::path> imports;
    for (const QString& sArg : arguments) {
        const std::filesystem::path path = ZsPathOf(sArg);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            continue;
        }
        if (IsLibraryFile(path) && std::filesystem::is_regular_file(path, ec)) {
            mpDocs->OpenDocumentFile(path);
        } else {
            imports.push_back(path);
        }
    }
    ImportFiles(imports);
}

bool CFrmMain::IsLibraryFile(const std::filesystem::path& path) {
    return ZsMatchWildcards(ZsPathToUtf8(path.filename()), "*.pctv");
}

int CFrmMain::ImportFiles(const std::vector<std::filesystem::path>& inputs) {
    std::vector<std::filesystem::path> files;
    ZsGatherImportFiles(inputs, ZIL_DROP_PATTERNS, files);
    if (files.empty()) {
        return 0;
    }
    CDocZIL* pDoc = ActiveDocument();
    if (!pDoc) {
        pDoc = mpDocs->OnFileNew();
    }
    CFrmZIL* pFrame = pDoc ? mpDocs->FrameOf(pDoc) : nullptr;
    if (!pFrame) {
        return 0;
    }
    if (const ZIL_CHECK check = ZsCheckImportTarget(*pDoc, pDoc->mnCurNode); !check.Ok()) {
        ZsMsgBox(ZS_MB_ERROR, "%s", check.sRefusal.c_str());
        return 0;
    }
    CViewZIL* pView = pFrame->IconView();
    return pView->ImportFileList(files, pView->GetCaretRow());
}

void CFrmMain::SetStatusPane(int nPane, const std::string& sText) {
    SetStatusText(nPane, "%s", sText.c_str());
}

void CFrmMain::SetPreview(const CZsBitmap& image) {
    if (mpPreviewBar) {
        mpPreviewBar->SetPreviewImage(image);
    }
}

std::vector<CDocZIL*> CFrmMain::OpenDocuments() const {
    return mpDocs->Documents();
}

CDocZIL* CFrmMain::ActiveDocument() const {
    return mpDocs->ActiveDocument();
}

bool CFrmMain::CanDropFilesAt(const QMimeData* pData, const QPoint& pos) const {
    if (!pData || !pData->hasUrls() || ZsHasFormat(pData, QString::fromLatin1(ZS_DND_MIME))) {
        return false;
    }
    // Only the frame itself and the empty workspace take files; a library window has its own targets.
    for (QWidget* p = childAt(pos); p && p != this; p = p->parentWidget()) {
        if (qobject_cast<QMdiSubWindow*>(p)) {
            return false;
        }
    }
    std::vector<std::filesystem::path> dirs;
    std::vector<std::filesystem::path> files;
    ZsGetDroppedFiles(pData, &dirs, &files, {});
    const bool bLibrary = mOpener && std::any_of(files.begin(), files.end(), IsLibraryFile);
    const bool bImport = !dirs.empty() || std::any_of(files.begin(), files.end(), [](const auto& file) {
        return ZsMatchWildcards(ZsPathToUtf8(file.filename()), ZIL_DROP_PATTERNS);
    });
    if (bLibrary || !bImport) {
        return bLibrary;
    }
    const CDocZIL* pDoc = ActiveDocument();
    return !pDoc || ZsCheckImportTarget(*pDoc, pDoc->mnCurNode).Ok();
}

bool CFrmMain::DropFiles(const QMimeData* pData) {
    std::vector<std::filesystem::path> dirs;
    std::vector<std::filesystem::path> files;
    if (!ZsGetDroppedFiles(pData, &dirs, &files, {})) {
        return false;
    }
    std::vector<std::filesystem::path> imports;
    for (const std::filesystem::path& file : files) {
        std::error_code ec;
        if (IsLibraryFile(file)) {
            if (mOpener && std::filesystem::is_regular_file(file, ec)) {
                mOpener(file);
            }
        } else if (ZsMatchWildcards(ZsPathToUtf8(file.filename()), ZIL_DROP_PATTERNS)) {
            imports.push_back(file);
        }
    }
    imports.insert(imports.end(), dirs.begin(), dirs.end());
    ImportFiles(imports);
    return true;
}

void CFrmMain::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (CanDropFilesAt(pEvent->mimeData(), pEvent->position().toPoint())) {
        pEvent->setDropAction(Qt::CopyAction);
    } else {
        // Taken all the same, refusing only this point: a frame that ignored the enter would not be told of
        // the moves, and a drag that comes in over a library window's edge could not be dropped on the
        // empty workspace beside it.
        pEvent->setDropAction(Qt::IgnoreAction);
    }
    pEvent->accept();
}

void CFrmMain::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (CanDropFilesAt(pEvent->mimeData(), pEvent->position().toPoint())) {
        pEvent->setDropAction(Qt::CopyAction);
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CFrmMain::dropEvent(QDropEvent* pEvent) {
    if (CanDropFilesAt(pEvent->mimeData(), pEvent->position().toPoint()) && DropFiles(pEvent->mimeData())) {
        pEvent->setDropAction(Qt::CopyAction);
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}
