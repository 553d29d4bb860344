// The open libraries: creates, opens, saves and closes library documents with their windows in the main
// frame's workspace, and handles the commands that act on them (New, Open, Close, Save, Save As, Save All).
#pragma once

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "gui/common/ZsCmdTarget.h"
#include "gui/common/ZsRecentFiles.h"

class CDocZIL;
class CFrmZIL;
class CLibHost;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

class CDocManagerZIL : public QObject, public CZsCmdTarget {
    Q_OBJECT
public:
    CDocManagerZIL(CLibHost* pHost, QMdiArea* pArea, CZsCmdRouter* pRouter, QObject* pParent = nullptr);
    ~CDocManagerZIL() override;

    // A new untitled library, "Library1", "Library2", ... in its own window.
    CDocZIL* OnFileNew();
    // Opens a library in its own window; a library already open is only activated. Null when it cannot be
    // opened (the user was told why).
    CDocZIL* OpenDocumentFile(const std::filesystem::path& path);
    // Save (bAskPath false: to the document's path, asking for one when it has none, and asking first
    // when its file is read-only or another program changed it: CDocZIL::AskBeforeSave) and Save As. A
    // library that is closing (bClosing) is not offered to be reopened.
    bool DoSave(CDocZIL* pDoc, bool bAskPath, bool bClosing = false);
    // Asks whether to save a modified library; false when the user cancels or the save fails.
    bool SaveModified(CDocZIL* pDoc);
    // Asks about every modified library; false as soon as one is cancelled.
    bool SaveAllModified();
    // Closes the document and its window without asking.
    void CloseDocument(CDocZIL* pDoc);
    void CloseAllDocuments();

    // The recent-file list of the File menu: a library enters it when it is opened or saved under a name.
    const CZsRecentFileList& RecentFiles() const { return mRecent; }
    void AddToRecentFileList(const std::filesystem::path& path);
    // Gives the recent-file commands their texts: "Recent File" (disabled) for an empty list.
    void UpdateRecentActions();

    std::vector<CDocZIL*> Documents() const;
    CDocZIL* ActiveDocument() const;
    CFrmZIL* FrameOf(const CDocZIL* pDoc) const;
    QMdiSubWindow* SubWindowOf(const CDocZIL* pDoc) const;

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

    // Places a new window that does not open maximised: at the first free step of a cascade from the
    // workspace's top left, as large as the workspace less the steps, fully inside it. A window placed
    // before the workspace is shown is placed again when it is.
    void PlaceNewWindow(QMdiSubWindow* pWindow);
    // The window has its own placement (from the workspace of the last run): it is not placed again, only
    // kept inside the workspace when that is shown.
    void KeepPlacement(QMdiSubWindow* pWindow);
    // Cascade: every window that is not minimised, at its normal size, staggered from the top left in the
    // order of their use, the active one last and on top; all of them fully inside the workspace.
    void CascadeWindows();
    // Tile: every window that is not minimised as a band across the whole width of the workspace, one above
    // the other, the active one at the top; when the bands would grow lower than kMinTileHeight, in as
    // many columns as needed.
    void TileWindows();
    // Arrange Icons: the minimised windows side by side along the bottom of the workspace in the order they
    // were opened, from the left, a new row above when one is full.
    void ArrangeIcons();
    // The most steps of the cascade that new windows follow.
    static constexpr int kNewWindowSteps = 4;
    static constexpr int kMinTileHeight = 200;

    // Asks for a library file to open (bSave false) or to save to; none when cancelled. Tests replace it.
    std::function<std::optional<std::filesystem::path>(bool bSave, const std::filesystem::path& suggestion)>
        mPromptFile;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    CFrmZIL* CreateFrame(CDocZIL* pDoc);
    // The windows that are not minimised, least recently used first, each at its normal size.
    std::vector<QMdiSubWindow*> WindowsToArrange();
    // The save dialog refuses, through pDoc's CheckSaveTarget, a name the library cannot be saved as.
    std::optional<std::filesystem::path> PromptFile(bool bSave, const std::filesystem::path& suggestion,
                                                    CDocZIL* pDoc = nullptr);
    // Closes the library without asking and opens its file again.
    void ReopenDocument(CDocZIL* pDoc);
    // Gives the library window the user works in the activation and its pane the focus again, when the
    // main window comes back from being disabled or inactive without them.
    void KeepWorkingWindow();

    CLibHost* mpHost;
    QMdiArea* mpArea;
    // The main window, the library window last activated and the pane of a library window that last had
    // the focus.
    QPointer<QWidget> mpMainWnd;
    QPointer<QMdiSubWindow> mpWorking;
    QPointer<QWidget> mpLastFocus;
    CZsCmdRouter* mpRouter;
    std::vector<CDocZIL*> mDocs;
    CZsRecentFileList mRecent;
    int mnUntitled = 0;
};
