// The category tree of a library: the hierarchy and titles of its categories, with the operations of a tree
// control that the store uses and change notifications through which a view (the GUI's item model) follows
// it. Items are addressed by handles that stay valid until the item is deleted and are never reused.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

using ZsTreeItem = uint64_t;
inline constexpr ZsTreeItem ZS_TI_NONE = 0;
// Insert-after values besides a sibling handle.
inline constexpr ZsTreeItem ZS_TI_FIRST = ~ZsTreeItem(0);
inline constexpr ZsTreeItem ZS_TI_LAST = ~ZsTreeItem(0) - 1;

// Receives the tree's changes. A view that maps items to rows learns about an insertion or removal before
// and after it happens, so it can announce both to its own clients.
class CZsTreeObserver {
public:
    virtual ~CZsTreeObserver() = default;
    // An item is about to become child number nRow of parent (ZS_TI_NONE: top level).
    virtual void OnBeginInsert(ZsTreeItem parent, int nRow) = 0;
    virtual void OnEndInsert(ZsTreeItem item) = 0;
    // The item (with its subtree), child number nRow of parent, is about to go.
    virtual void OnBeginRemove(ZsTreeItem parent, int nRow, ZsTreeItem item) = 0;
    virtual void OnEndRemove(ZsTreeItem parent) = 0;
    // Title, images or data changed.
    virtual void OnItemChanged(ZsTreeItem item) = 0;
    // Every item is about to go, and has gone.
    virtual void OnBeginReset() = 0;
    virtual void OnEndReset() = 0;
    virtual void OnSelectionChanged(ZsTreeItem item) = 0;
};

class CZsCategoryTree {
public:
    CZsCategoryTree() = default;
    CZsCategoryTree(const CZsCategoryTree&) = delete;
    CZsCategoryTree& operator=(const CZsCategoryTree&) = delete;

    // Inserts under parent (ZS_TI_NONE: top level) after the given sibling, or first or last. An
    // insert-after item that is not a child of parent inserts last. ZS_TI_NONE when parent does not exist.
    ZsTreeItem InsertItem(const std::string& sTitle, int nImage, int nSelectedImage, int32_t nData,
                          ZsTreeItem parent = ZS_TI_NONE, ZsTreeItem insertAfter = ZS_TI_LAST);
    // Deletes the item with its subtree; the selection moves off a deleted item.
    bool DeleteItem(ZsTreeItem item);
    void DeleteAllItems();

    int GetCount() const { return static_cast<int>(mItems.size()); }
    bool Exists(ZsTreeItem item) const { return mItems.count(item) != 0; }

    ZsTreeItem GetRootItem() const { return mFirst; }
    ZsTreeItem GetParentItem(ZsTreeItem item) const;
    ZsTreeItem GetChildItem(ZsTreeItem item) const;
    ZsTreeItem GetNextSiblingItem(ZsTreeItem item) const;
    ZsTreeItem GetPrevSiblingItem(ZsTreeItem item) const;
    ZsTreeItem GetLastChildItem(ZsTreeItem item) const;
    bool ItemHasChildren(ZsTreeItem item) const { return GetChildItem(item) != ZS_TI_NONE; }

    int32_t GetItemData(ZsTreeItem item) const;
    bool SetItemData(ZsTreeItem item, int32_t nData);
    std::string GetItemText(ZsTreeItem item) const;
    bool SetItemText(ZsTreeItem item, const std::string& sTitle);
    bool GetItemImage(ZsTreeItem item, int& nImage, int& nSelectedImage) const;
    bool SetItemImage(ZsTreeItem item, int nImage, int nSelectedImage);

    ZsTreeItem GetSelectedItem() const { return mSelected; }
    bool SelectItem(ZsTreeItem item);

    // The number of ancestors (0 for a top-level item and for no item).
    int GetLevel(ZsTreeItem item) const;
    // First child, else next sibling, else the next sibling of the nearest ancestor that has one.
    ZsTreeItem GetNextPreorder(ZsTreeItem item) const;
    // The last item in pre-order (the deepest last descendant of the last top-level item).
    ZsTreeItem GetLastItem() const;
    // The item's position among its siblings, and the child at a position (ZS_TI_NONE when none).
    int GetItemRow(ZsTreeItem item) const;
    ZsTreeItem GetChildAt(ZsTreeItem parent, int nRow) const;
    int GetChildCount(ZsTreeItem parent) const;
    bool IsAncestor(ZsTreeItem ancestor, ZsTreeItem item) const;
    // The first item in pre-order whose data is nData.
    ZsTreeItem FindItem(int32_t nData) const;

    void AddObserver(CZsTreeObserver* pObserver);
    void RemoveObserver(CZsTreeObserver* pObserver);

private:
    struct Item {
        std::string sTitle;
        int nImage = 0;
        int nSelectedImage = 0;
        int32_t nData = 0;
        ZsTreeItem parent = ZS_TI_NONE;
        ZsTreeItem first = ZS_TI_NONE;
        ZsTreeItem last = ZS_TI_NONE;
        ZsTreeItem prev = ZS_TI_NONE;
        ZsTreeItem next = ZS_TI_NONE;
        int nChildren = 0;
    };

    const Item* Find(ZsTreeItem item) const;
    Item* Find(ZsTreeItem item);
    void Unlink(ZsTreeItem item);
    void EraseSubtree(ZsTreeItem item);

    std::unordered_map<ZsTreeItem, Item> mItems;
    ZsTreeItem mFirst = ZS_TI_NONE;
    ZsTreeItem mLast = ZS_TI_NONE;
    int mnTopLevel = 0;
    ZsTreeItem mSelected = ZS_TI_NONE;
    ZsTreeItem mNextHandle = 1;
    std::vector<CZsTreeObserver*> mObservers;
};
