// Extended icon libraries (".pctv") on arbitrary bytes: opening with the category tree attached, then every
// category's list, and every listed icon's name, keywords, data and place in the tree.
#include <cstdint>
#include <set>

#include "FuzzSupport.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsIconLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    static const std::filesystem::path path = fuzz::ScratchPath("library.pctv");
    if (!fuzz::WriteScratch(path, pData, nSize)) {
        return 0;
    }
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    if (!lib.Load(path)) {
        return 0;
    }
    std::set<int32_t> icons;
    for (int32_t nNode : lib.GetNodeIds()) {
        for (int32_t nId : lib.GetList(nNode)) {
            icons.insert(nId);
        }
    }
    for (int32_t nId : icons) {
        lib.GetIconName(nId);
        lib.GetIconKeywords(nId);
        CIcon icon;
        lib.GetIcon(nId, icon);
        lib.GetIconPath(nId);
    }
    lib.Close();
    return 0;
}
