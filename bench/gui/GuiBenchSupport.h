// What the benchmarks of the desktop program share: a library opened in the main window.
#pragma once

#include <QListView>
#include <filesystem>

#include "gui/app/FrmMain.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "gui/ui/ViwZILTree.h"

namespace bench {

// Opens the library in the frame with "My Icons" on display; its icon list, or null when the library does
// not open.
inline QListView* OpenMyIcons(CFrmMain& frame, const std::filesystem::path& path, CDocZIL** ppDoc) {
    CDocZIL* pDoc = frame.Docs().OpenDocumentFile(path);
    *ppDoc = pDoc;
    if (!pDoc) {
        return nullptr;
    }
    CFrmZIL* pFrame = frame.Docs().FrameOf(pDoc);
    pFrame->TreeView()->SelectTreeItem(pDoc->Tree().GetRootItem());
    return pFrame->IconView()->IconList();
}

}  // namespace bench
