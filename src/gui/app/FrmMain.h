// The program's main window: the workspace of library windows, the menus (one set without a library, one
// with), the toolbar, the status bar with three panes, the docked preview bar, and the application-wide
// commands (help, home page, support mail, about). It remembers its placement and the layout of its bars.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "common/ZsText.h"
#include "gui/common/ZsCmdTarget.h"
#include "gui/common/ZsPlacement.h"
#include "gui/ui/LibHost.h"

class CDlgBarPrvw;
class CDocManagerZIL;
class CFrmHelp;
class QLabel;
class QMdiArea;
class QMenu;
class QMimeData;
class QToolBar;

// One library of the workspace: its file, its window's placement and its selected category's number in
// pre-order (-1 for none).
struct CWorkspaceEntry {
    std::filesystem::path path;
    std::optional<ZS_PLACEMENT> placement;
    int nSelected = -1;
};

class CFrmMain : public QMainWindow, public CZsCmdTarget, public CLibHost {
    Q_OBJECT
public:
    // The most of the frame's width a docked preview bar takes: at the usual sizes the bar keeps its own.
    static constexpr double kPreviewShare = 0.4;

    explicit CFrmMain(QWidget* pParent = nullptr);
    ~CFrmMain() override;

    // Places the window as "MainWndPlacement" says (or centres it), builds the bars and restores their
    // layout. The window stays hidden; ShowAtStart shows it.
    bool Create();
    // Shows the window, maximised when it was maximised at the last close.
    void ShowAtStart();

    // Formats a text printf-style into a pane of the status bar (0 stretches, 1 is 250 and 2 is 100 wide).
    void SetStatusText(int nPane, const char* pszFormat, ...) ZS_PRINTF(3, 4);
    QString GetStatusText(int nPane) const;

    CDlgBarPrvw* GetPreviewBar() const { return mpPreviewBar; }
    // The help window, once Help Topics has opened it.
    CFrmHelp* GetHelpWindow() const { return mpHelp; }
    void ClearPreview();
    QMdiArea* GetMdiArea() const { return mpMdiArea; }
    QToolBar* GetToolBar() const { return mpToolBar; }
    CZsCmdRouter& Router() { return *mpRouter; }

    // The menus shown without a library window and with one.
    const std::vector<QMenu*>& NoLibMenus() const { return mNoLibMenus; }
    const std::vector<QMenu*>& LibMenus() const { return mLibMenus; }
    bool IsLibMenuShown() const { return mbLibMenuShown; }

    // The open libraries and their windows.
    CDocManagerZIL& Docs() { return *mpDocs; }

    // What the library windows ask of the frame.
    void SetStatusPane(int nPane, const std::string& sText) override;
    void SetPreview(const CZsBitmap& image) override;
    std::vector<CDocZIL*> OpenDocuments() const override;
    CDocZIL* ActiveDocument() const override;

    // Opens a library file for the drop target (the document manager's opening unless replaced).
    using DocumentOpener = std::function<void(const std::filesystem::path&)>;
    void SetDocumentOpener(DocumentOpener opener) { mOpener = std::move(opener); }
    // Whether a drag of this data at this point (in frame coordinates) would be taken: over the frame itself
    // or the empty workspace, a file list that names a library, or files and folders to import when the
    // active library's selected category takes imports (always when no library is open).
    bool CanDropFilesAt(const QMimeData* pData, const QPoint& pos) const;
    // Opens every existing ".pctv" file of the data and imports the files and folders a drop on the icon
    // list imports (ImportFiles); false when it holds no file list.
    bool DropFiles(const QMimeData* pData);
    // Imports icon files, classic libraries, modules, pictures and what folders hold of them into the
    // selected category of the active library (of a new library when none is open) at its caret row, as
    // Import Icons does, under the progress dialog. Inputs that give nothing and a category that takes no
    // imports are named in an error box. Returns the number of icons imported.
    int ImportFiles(const std::vector<std::filesystem::path>& inputs);
    // Whether the file is an extended icon library by its name (".pctv", any case).
    static bool IsLibraryFile(const std::filesystem::path& path);

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

    // Records the placement, the workspace (the open libraries, the active one last) and the bars' layout,
    // as at close.
    void SaveWindowState();
    // The workspace entry of a library: its path, then ";" + its window's placement + ";" + the number of
    // its selected category in pre-order (-1 for none); the path alone when the file does not exist.
    std::string WorkspaceEntry(CDocZIL* pDoc) const;
    // Reads an entry back. The fields are taken from the right, so that a path holding ";" survives; an
    // entry whose last two fields are no placement and number is a path alone.
    static CWorkspaceEntry ParseWorkspaceEntry(std::string_view sEntry);
    // Gives the library's window the entry's placement and selects its category.
    void RestoreLibraryWindow(CDocZIL* pDoc, const CWorkspaceEntry& entry);

    // A later start handed over its arguments: the window comes to the front (shown if the tray hid it,
    // restored if minimised), every argument that names an existing library is opened (one already open is
    // only activated), and the other existing files and folders are imported (ImportFiles).
    void OpenForwardedFiles(const QStringList& arguments);

signals:
    // The frame accepted a close: the libraries are closed and the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ShowMenus(bool bLibrary);
    // A docked preview bar takes at most kPreviewShare of the frame's width (or height, docked at the top
    // or bottom), so that a small main window leaves the workspace room for the library windows.
    void LimitPreviewBar();
    // The direction in which the docked bar's size is limited: its width, or its height at the top or bottom.
    Qt::Orientation PreviewAcross() const;
    void UpdateTitle();
    void FillWindowMenu(QMenu* pMenu);
    std::vector<CZsCmdTarget*> CommandChain() const;
    void OnHelpTopics();
    void OnHomePage();
    void OnSupport();

    QMdiArea* mpMdiArea = nullptr;
    std::array<QLabel*, 3> mStatusPanes{};
    QToolBar* mpToolBar = nullptr;
    CDlgBarPrvw* mpPreviewBar = nullptr;
    CZsCmdRouter* mpRouter = nullptr;
    std::vector<QMenu*> mNoLibMenus;
    std::vector<QMenu*> mLibMenus;
    QMenu* mpWindowMenu = nullptr;
    bool mbLibMenuShown = false;
    QString msTitle;
    int mnStartShowCmd = 0;
    // The preview bar's width (or height) when the window last changed, and the one it had before a smaller
    // window made it smaller (0 for none).
    int mnPreviewLast = 0;
    int mnPreviewWanted = 0;
    QSize mFrameSizeLast;
    DocumentOpener mOpener;
    CDocManagerZIL* mpDocs = nullptr;
    CFrmHelp* mpHelp = nullptr;
};
