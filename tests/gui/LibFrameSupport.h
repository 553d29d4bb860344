// Library windows for the GUI tests: libraries of solid-colour icons written to files, a main frame shown
// with one of them open, and commands run as the user runs them.
#pragma once

#include <QTest>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "gui/app/FrmMain.h"
#include "gui/common/ZsCmdTarget.h"
#include "gui/ui/DocManagerZIL.h"
#include "gui/ui/DocZIL.h"
#include "gui/ui/FrmZIL.h"
#include "gui/ui/ViewZIL.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"
#include "library/ZsIconLib.h"

namespace guitest {

// An icon of one opaque colour in the given square sizes, 32 bits each.
inline ZsBlock SolidIcon(const std::vector<int>& sizes, uint32_t nArgb) {
    CIcon icon;
    for (int nSize : sizes) {
        ZI_IMAGE image = CIcon::NewImage({nSize, nSize, 32});
        ZI_SetImageBitmap(image, CZsBitmap(nSize, nSize, 32, nArgb));
        icon.AddImage(std::move(image));
    }
    return icon.GetData();
}

// Writes a library whose "My Icons" lists the given icons (named, with keywords "kw <name>").
inline void WriteLibraryOf(const std::filesystem::path& path,
                           const std::vector<std::pair<std::string, ZsBlock>>& icons) {
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    QVERIFY(lib.NewLib());
    ZIL_LIST ids;
    for (const auto& [sName, data] : icons) {
        const int32_t nId = lib.ImpIcon(data, &sName);
        lib.SetIconKeywords(nId, "kw " + sName);
        ids.push_back(nId);
    }
    lib.ListToNode(ZIL_ID_ALL, ids);
    lib.ListToNode(1, ids);
    QVERIFY(lib.Save(path));
    lib.Close();
}

// Creates the frame and shows it (at the size, when one is given); false when it cannot be created or shown.
inline bool ShowFrame(CFrmMain& frame, const QSize& size = QSize()) {
    if (!frame.Create()) {
        return false;
    }
    if (size.isValid()) {
        frame.resize(size);
    }
    frame.show();
    return QTest::qWaitForWindowExposed(&frame);
}

// A main frame, shown, with one library open in it.
struct CLibraryFrame {
    CFrmMain frame;
    CDocZIL* pDoc = nullptr;
    CViewZIL* pView = nullptr;

    // False when the frame or the library cannot be opened.
    bool Open(const std::filesystem::path& path, const QSize& size = QSize()) {
        if (!ShowFrame(frame, size)) {
            return false;
        }
        pDoc = frame.Docs().OpenDocumentFile(path);
        pView = pDoc ? frame.Docs().FrameOf(pDoc)->IconView() : nullptr;
        return pView != nullptr;
    }
    // Writes a library of the icons (WriteLibraryOf) and opens it.
    bool OpenLibraryOf(const std::filesystem::path& path,
                       const std::vector<std::pair<std::string, ZsBlock>>& icons,
                       const QSize& size = QSize()) {
        WriteLibraryOf(path, icons);
        return Open(path, size);
    }
};

// Runs a command as the user would: through its action, after the idle-time update has set its state.
inline void Trigger(CFrmMain& frame, int nId) {
    frame.Router().UpdateAll();
    frame.Router().Find(nId)->trigger();
}

inline bool IsEnabled(CFrmMain& frame, int nId) {
    frame.Router().UpdateAll();
    return frame.Router().Find(nId)->isEnabled();
}

}  // namespace guitest
