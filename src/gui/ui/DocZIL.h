// One open extended icon library: the document of a library window and at the same time the library store.
// It owns the category tree that its tree view shows.
#pragma once

#include <QString>
#include <filesystem>

#include "gui/common/ZsDocument.h"
#include "library/ZsIconLib.h"

class CIconPane;
class CLibHost;

class CDocZIL : public CZsDocument, public CZsIconLib {
    Q_OBJECT
public:
    explicit CDocZIL(CLibHost* pHost, QObject* pParent = nullptr);
    ~CDocZIL() override;

    CLibHost* Host() const { return mpHost; }
    CZsCategoryTree& Tree() { return mTree; }

    // A new library with the sample categories.
    bool OnNewDocument();
    // Opens the file; "Can not open '%s'!" with the reason on a second line when it cannot be opened.
    bool OnOpenDocument(const std::filesystem::path& path);
    // What a Save to the library's own file is to do, after the user was asked where the file cannot take
    // it as it is.
    enum SAVE_WAY { SAVE_HERE, SAVE_AS, SAVE_REOPEN, SAVE_CANCEL };
    // Looks at the library's file before a Save to it. A read-only file is said so, with the offer to save
    // under another name; a file another program changed (or replaced) is said so, with the offer of Save As
    // (a copy of everything this window holds) and, where bCanReopen, of reopening the file as the other
    // program left it (after a second question, since the unsaved work is then lost). A file that is gone
    // is saved again whole, without a question.
    SAVE_WAY AskBeforeSave(bool bCanReopen);
    // Whether the library may be saved as the path; false after saying why: another open library is that
    // file ("The file is currently opened in %s.\nPlease close it first."), or it cannot be written there
    // (a read-only file, a missing folder). Asked before the question whether to replace an existing file.
    bool CheckSaveTarget(const std::filesystem::path& path);
    // Saves to the path, refused as CheckSaveTarget refuses; "Can not save file '%s'!" with the reason on a
    // second line when the save fails.
    bool OnSaveDocument(const std::filesystem::path& path);
    // Closes the store and clears the preview.
    void OnCloseDocument();
    // The icon view of the library's window, whose selection the status bar shows; none without a window.
    void SetIconPane(CIconPane* pPane) { mpIconPane = pPane; }
    // Publishes the selection and total texts of the icon list while this is the active library.
    void OnIdle();

    bool OnCommand(int nId) override;
    bool OnUpdateCommand(CZsCmdUI& ui) override;

    // Compact: asks, saves a modified library, then runs "VACUUM;"; "Can not compact '%s'!" when that
    // fails.
    void OnLibCompact();

    // The category the icon list shows; 0 until the tree reports a selection.
    int32_t mnCurNode = 0;

private:
    // Tells of the icons the store could not read, once no batch or dialog is open.
    void WarnUnreadable();

    CLibHost* mpHost;
    CIconPane* mpIconPane = nullptr;
    CZsCategoryTree mTree;
};
