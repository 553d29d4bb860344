// Shared pieces of the library tests: a store with its tree, icon blocks, and a look at the tree.
#pragma once

#include <string>
#include <vector>

#include "TestSupport.h"
#include "common/ZsByteReader.h"
#include "library/ZsIconLib.h"

namespace test {

struct Library {
    CZsCategoryTree tree;
    CZsIconLib lib;
    Library() { lib.AttachTree(&tree); }
    ZsTreeItem Item(int32_t nId) const { return tree.FindItem(nId); }
};

inline ZsBlock Ico(int nSize = 16, uint8_t nFill = 0x11) {
    return MakeIco({DibImage(nSize, nSize, 32, nFill), DibImage(nSize, nSize, 8, nFill)});
}

// A new library (the sample tree: 1 with children 2 and 3, then 4 and 5 under "My Icons") holding n icons
// named "i1", "i2", ... with ids 1..n, all in "My Icons".
inline void FillSample(Library& l, int n) {
    l.lib.NewLib();
    ZIL_LIST all;
    for (int i = 1; i <= n; ++i) {
        const std::string sName = "i" + std::to_string(i);
        all.push_back(l.lib.ImpIcon(Ico(16, static_cast<uint8_t>(i)), &sName));
    }
    l.lib.ListToNode(ZIL_ID_ALL, all);
}

// "depth title id image/selected" per item in pre-order.
inline std::vector<std::string> TreeLines(const CZsCategoryTree& tree) {
    std::vector<std::string> out;
    for (ZsTreeItem i = tree.GetRootItem(); i; i = tree.GetNextPreorder(i)) {
        int n = 0, s = 0;
        tree.GetItemImage(i, n, s);
        out.push_back(std::to_string(tree.GetLevel(i)) + " " + tree.GetItemText(i) + " " +
                      std::to_string(tree.GetItemData(i)) + " " + std::to_string(n) + "/" +
                      std::to_string(s));
    }
    return out;
}

// A tree record of the file's tree blob.
inline void PutTreeRecord(ZsBlock& blob, int32_t nDepth, int32_t nId, int nImage,
                          const std::u16string& title) {
    size_t off = blob.size();
    blob.resize(off + ZIL_TREE_ITEM_SIZE);
    ZsSetU32(&blob[off], static_cast<uint32_t>(nDepth));
    ZsSetU32(&blob[off + 4], static_cast<uint32_t>(nId));
    ZsSetU32(&blob[off + 8], static_cast<uint32_t>(nImage));
    ZsSetU32(&blob[off + 12], static_cast<uint32_t>(nImage));
    for (size_t i = 0; i < title.size() && i < ZIL_TITLE_UNITS; ++i) {
        ZsSetU16(&blob[off + 16 + 2 * i], static_cast<uint16_t>(title[i]));
    }
}

}  // namespace test
