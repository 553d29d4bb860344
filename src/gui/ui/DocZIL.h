// One open extended icon library: the document of a library window and at the same time the library store.
// It owns the category tree that its tree view shows.
#pragma once

#include <QString>
#include <filesystem>

#include "gui/common/ZsDocument.h"
#include "library/ZsIconLib.h"

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
    // Saves to the path. Refused with "The file is currently opened in %s.\nPlease close it first." when
    // another open library is that file (ZsSamePath); "Can not save file '%s'!" when writing fails.
    bool OnSaveDocument(const std::filesystem::path& path);
    // Closes the store and clears the preview.
    void OnCloseDocument();
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
    CZsCategoryTree mTree;
};
