#include "library/ZsLibCmd.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <unordered_set>

#include "common/ZsLog.h"

namespace {

ZIL_CHECK Refuse(ZIL_REFUSAL nRefusal, std::string sText) {
    ZIL_CHECK c;
    c.nRefusal = nRefusal;
    c.sRefusal = std::move(sText);
    return c;
}

template <typename Result>
Result Refused(const ZIL_CHECK& check) {
    Result r;
    static_cast<ZIL_CHECK&>(r) = check;
    return r;
}

// The item must be in the library's tree.
ZIL_CHECK CheckItem(const CZsIconLib& lib, ZsTreeItem item) {
    if (!lib.GetTree()) {
        return Refuse(ZIL_REFUSED_NO_TREE, "The library has no category tree.");
    }
    if (!lib.GetTree()->Exists(item)) {
        return Refuse(ZIL_REFUSED_NO_CATEGORY, "The category is no longer there.");
    }
    return {};
}

// The category must be in the library's tree.
ZIL_CHECK CheckCategory(const CZsIconLib& lib, int32_t nNode) {
    if (!lib.GetTree()) {
        return Refuse(ZIL_REFUSED_NO_TREE, "The library has no category tree.");
    }
    if (nNode == 0 || lib.GetTree()->FindItem(nNode) == ZS_TI_NONE) {
        return Refuse(ZIL_REFUSED_NO_CATEGORY, "The category is no longer there.");
    }
    return {};
}

// The library a drop comes from: another open one, or this one.
CZsIconLib& SourceOf(CZsIconLib& lib, CZsIconLib* pSourceLib) {
    return pSourceLib ? *pSourceLib : lib;
}
const CZsIconLib& SourceOf(const CZsIconLib& lib, const CZsIconLib* pSourceLib) {
    return pSourceLib ? *pSourceLib : lib;
}

// What every drop checks first: where it comes from and where it goes, then the operation.
ZIL_CHECK CheckDrop(const ZIL_CHECK& from, const ZIL_CHECK& to, int nOp, const char* pszOps) {
    if (!from.Ok()) {
        return from;
    }
    if (!to.Ok()) {
        return to;
    }
    if (nOp != ZIL_OP_COPY && nOp != ZIL_OP_MOVE) {
        return Refuse(ZIL_REFUSED_INVALID, pszOps);
    }
    return {};
}

int32_t IdOf(const CZsIconLib& lib, ZsTreeItem item) {
    return lib.GetTree()->GetItemData(item);
}

// Whether a category may be put at a place relative to a target category: into user categories and "My
// Icons", beside user categories.
ZIL_CHECK CheckPlace(int32_t nTarget, int nPosition) {
    if (nPosition == ZIL_POS_CHILD) {
        if (!ZsCanHoldCategories(nTarget)) {
            return Refuse(ZIL_REFUSED_NO_PLACE, nTarget == ZIL_ID_FIND
                                                    ? "\"Find Results\" holds no categories."
                                                    : "That category holds no categories.");
        }
        return {};
    }
    if (nPosition != ZIL_POS_ABOVE && nPosition != ZIL_POS_BELOW) {
        return Refuse(ZIL_REFUSED_INVALID, "A category goes into another one, or just above or below it.");
    }
    if (!ZsIsUserCategory(nTarget)) {
        return Refuse(ZIL_REFUSED_NO_PLACE,
                      "Categories go beside user categories, not beside \"My Icons\" or "
                      "\"Find Results\".");
    }
    return {};
}

// The parent and the insert-after item of a place relative to target.
void PlaceOf(const CZsCategoryTree& tree, ZsTreeItem target, int nPosition, ZsTreeItem& parent,
             ZsTreeItem& after) {
    if (nPosition == ZIL_POS_CHILD) {
        parent = target;
        after = ZS_TI_LAST;
        return;
    }
    parent = tree.GetParentItem(target);
    if (nPosition == ZIL_POS_BELOW) {
        after = target;
    } else {
        const ZsTreeItem prev = tree.GetPrevSiblingItem(target);
        after = prev == ZS_TI_NONE ? ZS_TI_FIRST : prev;
    }
}

// Every title is non-empty: an empty one would give the category the title path of its parent. A unique
// title is also one that no other child of parent has.
ZIL_CHECK CheckTitle(const CZsCategoryTree& tree, ZsTreeItem parent, ZsTreeItem self,
                     const std::string& sTitle, bool bUnique) {
    if (sTitle.empty()) {
        return Refuse(ZIL_REFUSED_TITLE, "A category needs a title.");
    }
    for (ZsTreeItem i = bUnique ? tree.GetChildItem(parent) : ZS_TI_NONE; i != ZS_TI_NONE;
         i = tree.GetNextSiblingItem(i)) {
        if (i != self && tree.GetItemText(i) == sTitle) {
            return Refuse(ZIL_REFUSED_TITLE,
                          ZsFormat("There is a category '%s' there already.", sTitle.c_str()));
        }
    }
    return {};
}

ZIL_CHECK CheckIdsLeft(const CZsIconLib& lib, int64_t nNeeded) {
    if (lib.GetNextNode() < 1 || static_cast<int64_t>(INT32_MAX) - lib.GetNextNode() < nNeeded) {
        return Refuse(ZIL_REFUSED_IDS_USED_UP, "The library has no category ids left.");
    }
    return {};
}

// One category of a subtree as it is copied: nParent is the index of its parent in the copy (-1: the top).
struct CATEGORY_COPY {
    std::string sTitle;
    int nImage = 0;
    int nSelectedImage = 0;
    int32_t nId = 0;
    int nParent = -1;
};

// The subtree of an item in pre-order.
std::vector<CATEGORY_COPY> SnapshotSubtree(const CZsCategoryTree& tree, ZsTreeItem top) {
    std::vector<CATEGORY_COPY> out;
    // Without recursion: a tree read from a file may be arbitrarily deep.
    std::vector<std::pair<ZsTreeItem, int>> pending{{top, -1}};
    while (!pending.empty()) {
        const auto [item, nParent] = pending.back();
        pending.pop_back();
        CATEGORY_COPY c;
        c.sTitle = tree.GetItemText(item);
        tree.GetItemImage(item, c.nImage, c.nSelectedImage);
        c.nId = tree.GetItemData(item);
        c.nParent = nParent;
        const int nIndex = static_cast<int>(out.size());
        out.push_back(std::move(c));
        for (ZsTreeItem child = tree.GetLastChildItem(item); child != ZS_TI_NONE;
             child = tree.GetPrevSiblingItem(child)) {
            pending.emplace_back(child, nIndex);
        }
    }
    return out;
}

int SubtreeSize(const CZsCategoryTree& tree, ZsTreeItem top) {
    int n = 0;
    const ZsTreeItem end = [&] {
        // The pre-order successor of the subtree: the next sibling of the nearest item that has one.
        for (ZsTreeItem i = top; i != ZS_TI_NONE; i = tree.GetParentItem(i)) {
            if (tree.GetNextSiblingItem(i) != ZS_TI_NONE) {
                return tree.GetNextSiblingItem(i);
            }
        }
        return ZS_TI_NONE;
    }();
    for (ZsTreeItem i = top; i != ZS_TI_NONE && i != end; i = tree.GetNextPreorder(i)) {
        ++n;
    }
    return n;
}

// Icons of another library brought into this one, each once: an icon listed twice becomes one new icon.
class CIconImporter {
public:
    CIconImporter(CZsIconLib& lib, CZsIconLib& source) : mLib(lib), mSource(source), mBatch(source) {}

    // The new id of a source icon; 0 when its data cannot be read (it is then named in failed once).
    int32_t Get(int32_t nSourceId) {
        auto it = mDone.find(nSourceId);
        if (it != mDone.end()) {
            return it->second;
        }
        int32_t nNew = 0;
        const ZsBytes data = mSource.GetIconData(nSourceId);
        if (!data.empty()) {
            ZsBlock block(data.begin(), data.end());
            const ZIL_ICON& rec = mSource.GetIconRec(nSourceId, ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS);
            const std::string sName = rec.name.value_or(std::string());
            const std::string sKwds = rec.kwds.value_or(std::string());
            nNew = mLib.ImpIcon(std::move(block), &sName);
            if (nNew != 0 && !sKwds.empty()) {
                mLib.SetIconKeywords(nNew, sKwds);
            }
        }
        if (nNew == 0) {
            ZS_LOG_ERR("CIconImporter::Get", "icon %d of the other library cannot be copied", nSourceId);
            failed.push_back(nSourceId);
        } else {
            added.push_back(nNew);
        }
        mDone.emplace(nSourceId, nNew);
        return nNew;
    }

    // Lists the new icons in "My Icons" (unless they went in there already).
    void AddToAll(int32_t nTarget) {
        if (added.empty() || nTarget == ZIL_ID_ALL) {
            return;
        }
        ZIL_LIST all = mLib.GetList(ZIL_ID_ALL);
        all.insert(all.end(), added.begin(), added.end());
        mLib.ListToNode(ZIL_ID_ALL, all);
    }

    std::vector<int32_t> added;
    std::vector<int32_t> failed;

private:
    CZsIconLib& mLib;
    CZsIconLib& mSource;
    CZsSqlReadBatch mBatch;
    std::unordered_map<int32_t, int32_t> mDone;
};

// A list without the chosen rows (clean).
ZIL_LIST WithoutRows(ZIL_LIST list, const std::vector<int>& rows) {
    std::vector<bool> drop(list.size(), false);
    for (int nRow : rows) {
        drop[static_cast<size_t>(nRow)] = true;
    }
    size_t nOut = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!drop[i]) {
            list[nOut++] = list[i];
        }
    }
    list.resize(nOut);
    return list;
}

void RemoveRows(CZsIconLib& lib, int32_t nNode, const std::vector<int>& rows) {
    lib.ListToNode(nNode, WithoutRows(lib.GetList(nNode), rows));
}

// Inserts ids into a list at row nAt (-1 or past the end: appended).
void InsertAt(ZIL_LIST& list, int nAt, const std::vector<int32_t>& ids) {
    const size_t nPos = nAt < 0 ? list.size() : std::min(list.size(), static_cast<size_t>(nAt));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(nPos), ids.begin(), ids.end());
}

}  // namespace

std::vector<int> ZsRowsOfIcons(const ZIL_LIST& list, const std::vector<int32_t>& ids) {
    std::unordered_map<int32_t, int> first;
    for (int32_t nId : ids) {
        first.emplace(nId, -1);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        auto it = first.find(list[i]);
        if (it != first.end() && it->second < 0) {
            it->second = static_cast<int>(i);
        }
    }
    std::vector<int> rows;
    for (int32_t nId : ids) {
        if (first[nId] >= 0) {
            rows.push_back(first[nId]);
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

namespace {

// The clean rows of a command on a category's list once its other checks have passed; a refusal when none
// is left.
ZIL_CHECK TakeRows(const ZIL_CHECK& check, CZsIconLib& lib, int32_t nNode, std::vector<int>& rows) {
    if (!check.Ok()) {
        return check;
    }
    rows = ZsCleanRows(std::move(rows), lib.GetList(nNode).size());
    if (rows.empty()) {
        return Refuse(ZIL_REFUSED_NO_ROWS, "No icon is chosen.");
    }
    return {};
}

}  // namespace

// ---- Categories -------------------------------------------------------------------------------------------

int ZsCategoryEffects(const CZsIconLib& lib, ZsTreeItem item) {
    if (!CheckItem(lib, item).Ok() || !ZsIsUserCategory(IdOf(lib, item))) {
        return 0;
    }
    return ZIL_OP_COPY | ZIL_OP_MOVE;
}

ZIL_CHECK ZsCheckNewCategory(const CZsIconLib& lib, ZsTreeItem item, int nPosition) {
    ZIL_CHECK c = CheckItem(lib, item);
    if (c.Ok()) {
        c = CheckPlace(IdOf(lib, item), nPosition);
    }
    if (c.Ok()) {
        c = CheckIdsLeft(lib, 1);
    }
    return c;
}

ZIL_CATEGORY_RESULT ZsNewCategory(CZsIconLib& lib, ZsTreeItem item, const ZIL_NEW_CATEGORY_OPTIONS& options) {
    ZIL_CHECK c = ZsCheckNewCategory(lib, item, options.nPosition);
    if (!c.Ok()) {
        return Refused<ZIL_CATEGORY_RESULT>(c);
    }
    CZsCategoryTree& tree = *lib.GetTree();
    ZsTreeItem parent = ZS_TI_NONE, after = ZS_TI_NONE;
    PlaceOf(tree, item, options.nPosition, parent, after);
    c = CheckTitle(tree, parent, ZS_TI_NONE, options.sTitle, options.bUniqueTitle);
    if (!c.Ok()) {
        return Refused<ZIL_CATEGORY_RESULT>(c);
    }
    ZIL_CATEGORY_RESULT r;
    r.item = lib.NewNode(parent, after, options.sTitle);
    r.nCategories = r.item != ZS_TI_NONE ? 1 : 0;
    return r;
}

ZIL_CHECK ZsCheckRenameCategory(const CZsIconLib& lib, ZsTreeItem item) {
    ZIL_CHECK c = CheckItem(lib, item);
    if (c.Ok() && !ZsIsUserCategory(IdOf(lib, item))) {
        c = Refuse(ZIL_REFUSED_FIXED, "\"My Icons\" and \"Find Results\" keep their titles.");
    }
    return c;
}

ZIL_CATEGORY_RESULT ZsRenameCategory(CZsIconLib& lib, ZsTreeItem item,
                                     const ZIL_RENAME_CATEGORY_OPTIONS& options) {
    ZIL_CHECK c = ZsCheckRenameCategory(lib, item);
    CZsCategoryTree* pTree = lib.GetTree();
    if (c.Ok()) {
        c = CheckTitle(*pTree, pTree->GetParentItem(item), item, options.sTitle, options.bUniqueTitle);
    }
    if (!c.Ok()) {
        return Refused<ZIL_CATEGORY_RESULT>(c);
    }
    pTree->SetItemText(item, options.sTitle);
    ZIL_CATEGORY_RESULT r;
    r.item = item;
    r.nCategories = 1;
    return r;
}

ZIL_CHECK ZsCheckDeleteCategory(const CZsIconLib& lib, ZsTreeItem item) {
    ZIL_CHECK c = CheckItem(lib, item);
    if (c.Ok() && !ZsIsUserCategory(IdOf(lib, item))) {
        c = Refuse(ZIL_REFUSED_FIXED, "\"My Icons\" and \"Find Results\" cannot be deleted.");
    }
    return c;
}

ZIL_CATEGORY_RESULT ZsDeleteCategory(CZsIconLib& lib, ZsTreeItem item,
                                     const ZIL_DELETE_CATEGORY_OPTIONS& options) {
    ZIL_CHECK c = ZsCheckDeleteCategory(lib, item);
    if (!c.Ok()) {
        return Refused<ZIL_CATEGORY_RESULT>(c);
    }
    ZIL_CATEGORY_RESULT r;
    if (options.bAsk &&
        ZsMsgBox(ZS_MB_QUESTION,
                 "Are you sure you want to delete the selected category with subcategories and icons?") !=
            ZS_IDOK) {
        r.bDeclined = true;
        return r;
    }
    const CZsCategoryTree& tree = *lib.GetTree();
    r.item = tree.GetNextSiblingItem(item);
    if (r.item == ZS_TI_NONE) {
        r.item = tree.GetPrevSiblingItem(item);
    }
    if (r.item == ZS_TI_NONE) {
        r.item = tree.GetParentItem(item);
    }
    r.nCategories = lib.DelNode(item);
    return r;
}

ZIL_CHECK ZsCheckDropCategory(const CZsIconLib& lib, ZsTreeItem source, ZsTreeItem target,
                              const ZIL_DROP_CATEGORY_OPTIONS& options) {
    const CZsIconLib& sourceLib = SourceOf(lib, options.pSourceLib);
    const bool bOther = &sourceLib != &lib;
    ZIL_CHECK c = CheckDrop(CheckItem(sourceLib, source), CheckItem(lib, target), options.nOp,
                            "A category is moved or copied.");
    if (!c.Ok()) {
        return c;
    }
    if (!ZsIsUserCategory(IdOf(sourceLib, source))) {
        return Refuse(ZIL_REFUSED_FIXED, "\"My Icons\" and \"Find Results\" cannot be moved or copied.");
    }
    const CZsCategoryTree& tree = *lib.GetTree();
    if (!bOther) {
        if (source == target || tree.IsAncestor(source, target)) {
            return Refuse(ZIL_REFUSED_INTO_ITSELF,
                          "A category cannot go into itself or its own subcategories.");
        }
        if (options.nOp == ZIL_OP_MOVE &&
            ((options.nPosition == ZIL_POS_CHILD && tree.GetParentItem(source) == target &&
              tree.GetNextSiblingItem(source) == ZS_TI_NONE) ||
             (options.nPosition == ZIL_POS_ABOVE && tree.GetPrevSiblingItem(target) == source) ||
             (options.nPosition == ZIL_POS_BELOW && tree.GetNextSiblingItem(target) == source))) {
            return Refuse(ZIL_REFUSED_NO_CHANGE, "The category is there already.");
        }
    }
    c = CheckPlace(IdOf(lib, target), options.nPosition);
    if (c.Ok() && (bOther || options.nOp == ZIL_OP_COPY)) {
        c = CheckIdsLeft(lib, SubtreeSize(*sourceLib.GetTree(), source));
    }
    return c;
}

ZIL_CATEGORY_RESULT ZsDropCategory(CZsIconLib& lib, ZsTreeItem source, ZsTreeItem target,
                                   const ZIL_DROP_CATEGORY_OPTIONS& options) {
    ZIL_CHECK c = ZsCheckDropCategory(lib, source, target, options);
    if (!c.Ok()) {
        return Refused<ZIL_CATEGORY_RESULT>(c);
    }
    CZsIconLib& sourceLib = SourceOf(lib, options.pSourceLib);
    const bool bOther = &sourceLib != &lib;
    const bool bMove = !bOther && options.nOp == ZIL_OP_MOVE;
    CZsCategoryTree& tree = *lib.GetTree();
    const std::vector<CATEGORY_COPY> copies = SnapshotSubtree(*sourceLib.GetTree(), source);

    ZIL_CATEGORY_RESULT r;
    std::optional<CIconImporter> importer;
    if (bOther) {
        importer.emplace(lib, sourceLib);
    }
    std::vector<ZsTreeItem> items;
    items.reserve(copies.size());
    for (const CATEGORY_COPY& copy : copies) {
        ZsTreeItem parent = ZS_TI_NONE, after = ZS_TI_LAST;
        if (copy.nParent < 0) {
            PlaceOf(tree, target, options.nPosition, parent, after);
        } else {
            parent = items[static_cast<size_t>(copy.nParent)];
        }
        const int32_t nId = bMove ? copy.nId : lib.NewNodeId();
        const ZsTreeItem item =
            tree.InsertItem(copy.sTitle, copy.nImage, copy.nSelectedImage, nId, parent, after);
        items.push_back(item);
        if (bMove) {
            continue;
        }
        // A copy lists what its source lists: the same icons within one library, new ones from another.
        ZIL_LIST list = sourceLib.GetList(copy.nId);
        if (importer) {
            ZIL_LIST mapped;
            mapped.reserve(list.size());
            for (int32_t nIcon : list) {
                if (const int32_t nNew = importer->Get(nIcon)) {
                    mapped.push_back(nNew);
                }
            }
            list = std::move(mapped);
        }
        lib.ListToNode(nId, list);
    }
    if (bMove) {
        tree.DeleteItem(source);
    }
    if (importer) {
        importer->AddToAll(0);
        r.nNewIcons = static_cast<int>(importer->added.size());
        r.failed = importer->failed;
    }
    r.item = items.front();
    r.nCategories = static_cast<int>(items.size());
    return r;
}

// ---- Icon lists -------------------------------------------------------------------------------------------

ZIL_LIST_TRANSFERS ZsListTransfers(const CZsIconLib& lib, int32_t nNode) {
    ZIL_LIST_TRANSFERS t;
    if (CheckCategory(lib, nNode).Ok()) {
        t.bLetsGo = nNode != ZIL_ID_ALL;
        t.bTakes = nNode != ZIL_ID_FIND;
    }
    return t;
}

ZIL_CHECK ZsCheckImportTarget(const CZsIconLib& lib, int32_t nNode) {
    ZIL_CHECK c = CheckCategory(lib, nNode);
    if (c.Ok() && nNode == ZIL_ID_FIND) {
        c = Refuse(ZIL_REFUSED_TAKES_NO_ICONS, "Icons cannot be imported into \"Find Results\".");
    }
    if (const std::string sWhy = lib.WhyCannotTakeIcons(); c.Ok() && !sWhy.empty()) {
        c = Refuse(lib.GetDamage().empty() ? ZIL_REFUSED_IDS_USED_UP : ZIL_REFUSED_DAMAGED,
                   ZsFormat("The library cannot take new icons: %s.", sWhy.c_str()));
    }
    return c;
}

ZIL_CHECK ZsCheckPutIcons(const CZsIconLib& lib, int32_t nTarget, int32_t nSource,
                          const ZIL_PUT_ICONS_OPTIONS& options) {
    const CZsIconLib& sourceLib = SourceOf(lib, options.pSourceLib);
    const bool bOther = &sourceLib != &lib;
    const ZIL_CHECK c = CheckDrop(CheckCategory(sourceLib, nSource), CheckCategory(lib, nTarget), options.nOp,
                                  "Icons are moved or copied.");
    if (!c.Ok()) {
        return c;
    }
    if (nTarget == ZIL_ID_FIND) {
        return Refuse(ZIL_REFUSED_TAKES_NO_ICONS, "\"Find Results\" holds only the results of a search.");
    }
    if (!bOther && nTarget == ZIL_ID_ALL) {
        return Refuse(ZIL_REFUSED_TAKES_NO_ICONS, "\"My Icons\" lists every icon of the library already.");
    }
    if (!bOther && nTarget == nSource) {
        return Refuse(ZIL_REFUSED_SAME_CATEGORY, "The icons are in that category already.");
    }
    return c;
}

ZIL_ICONS_RESULT ZsPutIcons(CZsIconLib& lib, int32_t nTarget, int32_t nSource, std::vector<int> rows,
                            const ZIL_PUT_ICONS_OPTIONS& options) {
    CZsIconLib& sourceLib = SourceOf(lib, options.pSourceLib);
    const ZIL_CHECK c = TakeRows(ZsCheckPutIcons(lib, nTarget, nSource, options), sourceLib, nSource, rows);
    if (!c.Ok()) {
        return Refused<ZIL_ICONS_RESULT>(c);
    }
    ZIL_ICONS_RESULT r;
    const std::vector<int32_t> chosen = ZsIconsOfRows(sourceLib.GetList(nSource), rows);
    ZIL_LIST target = lib.GetList(nTarget);
    std::vector<int32_t> put;
    if (&sourceLib != &lib) {
        CIconImporter importer(lib, sourceLib);
        for (int32_t nId : chosen) {
            if (const int32_t nNew = importer.Get(nId)) {
                put.push_back(nNew);
            }
        }
        InsertAt(target, options.nAt, put);
        lib.ListToNode(nTarget, target);
        importer.AddToAll(nTarget);
        r.nNewIcons = static_cast<int>(importer.added.size());
        r.failed = importer.failed;
    } else {
        const std::unordered_set<int32_t> present(target.begin(), target.end());
        for (int32_t nId : chosen) {
            if (present.count(nId) == 0) {
                put.push_back(nId);
            }
        }
        InsertAt(target, options.nAt, put);
        lib.ListToNode(nTarget, target);
        if (options.nOp == ZIL_OP_MOVE && nSource != ZIL_ID_ALL) {
            RemoveRows(lib, nSource, rows);
            r.nCaret = ZsClampRow(options.nCaret, lib.GetList(nSource).size());
        }
    }
    r.nIcons = static_cast<int>(put.size());
    r.nOp = options.nOp;
    r.rows = ZsRowsOfIcons(lib.GetList(nTarget), &sourceLib != &lib ? put : chosen);
    return r;
}

ZIL_CHECK ZsCheckArrangeRows(const CZsIconLib& lib, int32_t nNode) {
    ZIL_CHECK c = CheckCategory(lib, nNode);
    if (c.Ok() && !ZsIsUserCategory(nNode)) {
        c = Refuse(ZIL_REFUSED_TAKES_NO_ICONS, "Only the icons of user categories can be arranged.");
    }
    return c;
}

ZIL_ICONS_RESULT ZsArrangeRows(CZsIconLib& lib, int32_t nNode, std::vector<int> rows, int nAt,
                               const ZIL_ARRANGE_OPTIONS& options) {
    const ZIL_CHECK c =
        TakeRows(CheckDrop(ZsCheckArrangeRows(lib, nNode), {}, options.nOp, "Rows are moved or copied."), lib,
                 nNode, rows);
    if (!c.Ok()) {
        return Refused<ZIL_ICONS_RESULT>(c);
    }
    ZIL_LIST list = lib.GetList(nNode);
    nAt = std::clamp(nAt, 0, static_cast<int>(std::min<size_t>(list.size(), INT_MAX)));
    std::vector<int32_t> ids;
    for (int nRow : rows) {
        ids.push_back(list[static_cast<size_t>(nRow)]);
    }
    if (options.nOp == ZIL_OP_MOVE) {
        list = WithoutRows(std::move(list), rows);
        nAt -=
            static_cast<int>(std::count_if(rows.begin(), rows.end(), [&](int nRow) { return nRow < nAt; }));
    }
    InsertAt(list, nAt, ids);
    lib.ListToNode(nNode, list);
    ZIL_ICONS_RESULT r;
    r.nIcons = static_cast<int>(ids.size());
    r.nOp = options.nOp;
    for (size_t i = 0; i < ids.size(); ++i) {
        r.rows.push_back(nAt + static_cast<int>(i));
    }
    const auto caret = std::find(rows.begin(), rows.end(), options.nCaret);
    r.nCaret = nAt + (caret == rows.end() ? 0 : static_cast<int>(caret - rows.begin()));
    return r;
}

std::vector<int> ZsRowsStillHeld(const ZIL_LIST& list, const std::vector<ZIL_ROW_ICON>& items) {
    std::vector<int> rows;
    for (const ZIL_ROW_ICON& item : items) {
        if (item.nRow >= 0 && static_cast<size_t>(item.nRow) < list.size() &&
            list[static_cast<size_t>(item.nRow)] == item.nId) {
            rows.push_back(item.nRow);
        }
    }
    return rows;
}

ZIL_ICONS_RESULT ZsDropRows(CZsIconLib& lib, int32_t nNode, const std::vector<ZIL_ROW_ICON>& items, int nAt,
                            const ZIL_ARRANGE_OPTIONS& options) {
    const ZIL_LIST& list = lib.GetList(nNode);
    if (nAt < 0) {
        nAt = static_cast<int>(std::min<size_t>(list.size(), INT_MAX));
    }
    std::vector<int> rows = ZsRowsStillHeld(list, items);
    if (rows.size() == items.size()) {
        return ZsArrangeRows(lib, nNode, std::move(rows), nAt, options);
    }
    std::vector<int32_t> ids;
    ids.reserve(items.size());
    for (const ZIL_ROW_ICON& item : items) {
        ids.push_back(item.nId);
    }
    ZIL_PUT_ICONS_OPTIONS put;
    put.nOp = ZIL_OP_COPY;
    put.nAt = nAt;
    ZIL_ICONS_RESULT r = ZsPutIcons(lib, nNode, ZIL_ID_ALL, ZsRowsOfIcons(lib.GetList(ZIL_ID_ALL), ids), put);
    r.nCaret = r.rows.empty() ? -1 : r.rows.front();
    return r;
}

ZIL_CHECK ZsCheckRemoveIcons(const CZsIconLib& lib, int32_t nNode) {
    ZIL_CHECK c = CheckCategory(lib, nNode);
    if (c.Ok() && nNode == ZIL_ID_ALL) {
        c = Refuse(ZIL_REFUSED_ONLY_DELETE,
                   "Icons leave \"My Icons\" only when they are deleted from the library.");
    }
    return c;
}

ZIL_ICONS_RESULT ZsRemoveIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                               const ZIL_REMOVE_ICONS_OPTIONS& options) {
    const ZIL_CHECK c = TakeRows(ZsCheckRemoveIcons(lib, nNode), lib, nNode, rows);
    if (!c.Ok()) {
        return Refused<ZIL_ICONS_RESULT>(c);
    }
    RemoveRows(lib, nNode, rows);
    ZIL_ICONS_RESULT r;
    r.nIcons = static_cast<int>(rows.size());
    r.nCaret = ZsClampRow(options.nCaret, lib.GetList(nNode).size());
    return r;
}

ZIL_ICONS_RESULT ZsDeleteIconsFromLibrary(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                                          const ZIL_REMOVE_ICONS_OPTIONS& options) {
    const ZIL_CHECK c = TakeRows(CheckCategory(lib, nNode), lib, nNode, rows);
    if (!c.Ok()) {
        return Refused<ZIL_ICONS_RESULT>(c);
    }
    const ZIL_LIST& list = lib.GetList(nNode);
    std::vector<int32_t> ids;
    ids.reserve(rows.size());
    for (int nRow : rows) {
        ids.push_back(list[static_cast<size_t>(nRow)]);
    }
    ZIL_ICONS_RESULT r;
    r.nIcons = lib.DelIcons(ids);
    r.nCaret = ZsClampRow(options.nCaret, lib.GetList(nNode).size());
    return r;
}

ZIL_ICONS_RESULT ZsSetIconText(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                               const ZIL_ICON_TEXT_OPTIONS& options) {
    const ZIL_CHECK c = TakeRows(CheckCategory(lib, nNode), lib, nNode, rows);
    if (!c.Ok()) {
        return Refused<ZIL_ICONS_RESULT>(c);
    }
    const std::vector<int32_t> ids = ZsIconsOfRows(lib.GetList(nNode), rows);
    for (int32_t nId : ids) {
        if (options.name) {
            lib.SetIconName(nId, *options.name);
        }
        if (options.keywords) {
            lib.SetIconKeywords(nId, *options.keywords);
        }
    }
    ZIL_ICONS_RESULT r;
    r.nIcons = static_cast<int>(ids.size());
    r.rows = std::move(rows);
    return r;
}
