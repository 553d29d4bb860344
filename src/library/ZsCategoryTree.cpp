#include "library/ZsCategoryTree.h"

#include <algorithm>

const CZsCategoryTree::Item* CZsCategoryTree::Find(ZsTreeItem item) const {
    auto it = mItems.find(item);
    return it == mItems.end() ? nullptr : &it->second;
}

CZsCategoryTree::Item* CZsCategoryTree::Find(ZsTreeItem item) {
    auto it = mItems.find(item);
    return it == mItems.end() ? nullptr : &it->second;
}

ZsTreeItem CZsCategoryTree::InsertItem(const std::string& sTitle, int nImage, int nSelectedImage, int32_t nData,
                                       ZsTreeItem parent, ZsTreeItem insertAfter) {
    Item* pParent = nullptr;
    if (parent != ZS_TI_NONE) {
        pParent = Find(parent);
        if (!pParent) {
            return ZS_TI_NONE;
        }
    }
    ZsTreeItem& first = pParent ? pParent->first : mFirst;
    ZsTreeItem& last = pParent ? pParent->last : mLast;
    ZsTreeItem prev = ZS_TI_NONE;
    if (insertAfter == ZS_TI_FIRST) {
        prev = ZS_TI_NONE;
    } else if (insertAfter == ZS_TI_LAST) {
        prev = last;
    } else {
        const Item* pAfter = Find(insertAfter);
        prev = pAfter && pAfter->parent == parent ? insertAfter : last;
    }
    int& nChildren = pParent ? pParent->nChildren : mnTopLevel;
    // Appending, the common case (a whole tree is built so), needs no walk along the siblings.
    int nRow = prev == ZS_TI_NONE ? 0 : prev == last ? nChildren : GetItemRow(prev) + 1;
    for (CZsTreeObserver* p : mObservers) {
        p->OnBeginInsert(parent, nRow);
    }
    ZsTreeItem item = mNextHandle++;
    Item node;
    node.sTitle = sTitle;
    node.nImage = nImage;
    node.nSelectedImage = nSelectedImage;
    node.nData = nData;
    node.parent = parent;
    node.prev = prev;
    node.next = prev == ZS_TI_NONE ? first : Find(prev)->next;
    if (node.next != ZS_TI_NONE) {
        Find(node.next)->prev = item;
    } else {
        last = item;
    }
    if (prev != ZS_TI_NONE) {
        Find(prev)->next = item;
    } else {
        first = item;
    }
    ++nChildren;
    // The map may rehash here; the references above are not used after it.
    mItems.emplace(item, std::move(node));
    for (CZsTreeObserver* p : mObservers) {
        p->OnEndInsert(item);
    }
    return item;
}

void CZsCategoryTree::Unlink(ZsTreeItem item) {
    Item* pItem = Find(item);
    Item* pParent = pItem->parent != ZS_TI_NONE ? Find(pItem->parent) : nullptr;
    ZsTreeItem& first = pParent ? pParent->first : mFirst;
    ZsTreeItem& last = pParent ? pParent->last : mLast;
    --(pParent ? pParent->nChildren : mnTopLevel);
    if (pItem->prev != ZS_TI_NONE) {
        Find(pItem->prev)->next = pItem->next;
    } else {
        first = pItem->next;
    }
    if (pItem->next != ZS_TI_NONE) {
        Find(pItem->next)->prev = pItem->prev;
    } else {
        last = pItem->prev;
    }
}

void CZsCategoryTree::EraseSubtree(ZsTreeItem item) {
    // Iterative, so that a deep tree read from a file cannot exhaust the stack.
    std::vector<ZsTreeItem> pending{item};
    while (!pending.empty()) {
        ZsTreeItem cur = pending.back();
        pending.pop_back();
        const Item* pItem = Find(cur);
        for (ZsTreeItem child = pItem->first; child != ZS_TI_NONE; child = Find(child)->next) {
            pending.push_back(child);
        }
        if (mSelected == cur) {
            mSelected = ZS_TI_NONE;
        }
        mItems.erase(cur);
    }
}

bool CZsCategoryTree::DeleteItem(ZsTreeItem item) {
    const Item* pItem = Find(item);
    if (!pItem) {
        return false;
    }
    ZsTreeItem parent = pItem->parent;
    bool bWasSelected = mSelected != ZS_TI_NONE && (mSelected == item || IsAncestor(item, mSelected));
    int nRow = GetItemRow(item);
    for (CZsTreeObserver* p : mObservers) {
        p->OnBeginRemove(parent, nRow, item);
    }
    Unlink(item);
    EraseSubtree(item);
    for (CZsTreeObserver* p : mObservers) {
        p->OnEndRemove(parent);
    }
    if (bWasSelected) {
        for (CZsTreeObserver* p : mObservers) {
            p->OnSelectionChanged(ZS_TI_NONE);
        }
    }
    return true;
}

void CZsCategoryTree::DeleteAllItems() {
    for (CZsTreeObserver* p : mObservers) {
        p->OnBeginReset();
    }
    bool bHadSelection = mSelected != ZS_TI_NONE;
    mItems.clear();
    mFirst = mLast = mSelected = ZS_TI_NONE;
    mnTopLevel = 0;
    for (CZsTreeObserver* p : mObservers) {
        p->OnEndReset();
    }
    if (bHadSelection) {
        for (CZsTreeObserver* p : mObservers) {
            p->OnSelectionChanged(ZS_TI_NONE);
        }
    }
}

ZsTreeItem CZsCategoryTree::GetParentItem(ZsTreeItem item) const {
    const Item* p = Find(item);
    return p ? p->parent : ZS_TI_NONE;
}

ZsTreeItem CZsCategoryTree::GetChildItem(ZsTreeItem item) const {
    if (item == ZS_TI_NONE) {
        return mFirst;
    }
    const Item* p = Find(item);
    return p ? p->first : ZS_TI_NONE;
}

ZsTreeItem CZsCategoryTree::GetLastChildItem(ZsTreeItem item) const {
    if (item == ZS_TI_NONE) {
        return mLast;
    }
    const Item* p = Find(item);
    return p ? p->last : ZS_TI_NONE;
}

ZsTreeItem CZsCategoryTree::GetNextSiblingItem(ZsTreeItem item) const {
    const Item* p = Find(item);
    return p ? p->next : ZS_TI_NONE;
}

ZsTreeItem CZsCategoryTree::GetPrevSiblingItem(ZsTreeItem item) const {
    const Item* p = Find(item);
    return p ? p->prev : ZS_TI_NONE;
}

int32_t CZsCategoryTree::GetItemData(ZsTreeItem item) const {
    const Item* p = Find(item);
    return p ? p->nData : 0;
}

bool CZsCategoryTree::SetItemData(ZsTreeItem item, int32_t nData) {
    Item* p = Find(item);
    if (!p) {
        return false;
    }
    p->nData = nData;
    for (CZsTreeObserver* o : mObservers) {
        o->OnItemChanged(item);
    }
    return true;
}

std::string CZsCategoryTree::GetItemText(ZsTreeItem item) const {
    const Item* p = Find(item);
    return p ? p->sTitle : std::string();
}

bool CZsCategoryTree::SetItemText(ZsTreeItem item, const std::string& sTitle) {
    Item* p = Find(item);
    if (!p) {
        return false;
    }
    p->sTitle = sTitle;
    for (CZsTreeObserver* o : mObservers) {
        o->OnItemChanged(item);
    }
    return true;
}

bool CZsCategoryTree::GetItemImage(ZsTreeItem item, int& nImage, int& nSelectedImage) const {
    const Item* p = Find(item);
    if (!p) {
        return false;
    }
    nImage = p->nImage;
    nSelectedImage = p->nSelectedImage;
    return true;
}

bool CZsCategoryTree::SetItemImage(ZsTreeItem item, int nImage, int nSelectedImage) {
    Item* p = Find(item);
    if (!p) {
        return false;
    }
    p->nImage = nImage;
    p->nSelectedImage = nSelectedImage;
    for (CZsTreeObserver* o : mObservers) {
        o->OnItemChanged(item);
    }
    return true;
}

bool CZsCategoryTree::SelectItem(ZsTreeItem item) {
    if (item != ZS_TI_NONE && !Find(item)) {
        return false;
    }
    if (item != mSelected) {
        mSelected = item;
        for (CZsTreeObserver* o : mObservers) {
            o->OnSelectionChanged(item);
        }
    }
    return true;
}

int CZsCategoryTree::GetLevel(ZsTreeItem item) const {
    int n = 0;
    for (ZsTreeItem p = GetParentItem(item); p != ZS_TI_NONE; p = GetParentItem(p)) {
        ++n;
    }
    return n;
}

ZsTreeItem CZsCategoryTree::GetNextPreorder(ZsTreeItem item) const {
    const Item* p = Find(item);
    if (!p) {
        return ZS_TI_NONE;
    }
    if (p->first != ZS_TI_NONE) {
        return p->first;
    }
    while (p) {
        if (p->next != ZS_TI_NONE) {
            return p->next;
        }
        p = p->parent != ZS_TI_NONE ? Find(p->parent) : nullptr;
    }
    return ZS_TI_NONE;
}

ZsTreeItem CZsCategoryTree::GetLastItem() const {
    ZsTreeItem item = mLast;
    for (const Item* p = Find(item); p && p->last != ZS_TI_NONE; p = Find(item)) {
        item = p->last;
    }
    return item;
}

int CZsCategoryTree::GetItemRow(ZsTreeItem item) const {
    const Item* p = Find(item);
    if (!p) {
        return -1;
    }
    int nRow = 0;
    for (ZsTreeItem prev = p->prev; prev != ZS_TI_NONE; prev = Find(prev)->prev) {
        ++nRow;
    }
    return nRow;
}

ZsTreeItem CZsCategoryTree::GetChildAt(ZsTreeItem parent, int nRow) const {
    if (nRow < 0) {
        return ZS_TI_NONE;
    }
    ZsTreeItem item = GetChildItem(parent);
    if (parent != ZS_TI_NONE && !Find(parent)) {
        return ZS_TI_NONE;
    }
    for (int i = 0; i < nRow && item != ZS_TI_NONE; ++i) {
        item = Find(item)->next;
    }
    return item;
}

int CZsCategoryTree::GetChildCount(ZsTreeItem parent) const {
    if (parent == ZS_TI_NONE) {
        return mnTopLevel;
    }
    const Item* p = Find(parent);
    return p ? p->nChildren : 0;
}

bool CZsCategoryTree::IsAncestor(ZsTreeItem ancestor, ZsTreeItem item) const {
    if (ancestor == ZS_TI_NONE) {
        return false;
    }
    for (ZsTreeItem p = GetParentItem(item); p != ZS_TI_NONE; p = GetParentItem(p)) {
        if (p == ancestor) {
            return true;
        }
    }
    return false;
}

ZsTreeItem CZsCategoryTree::FindItem(int32_t nData) const {
    for (ZsTreeItem item = mFirst; item != ZS_TI_NONE; item = GetNextPreorder(item)) {
        if (Find(item)->nData == nData) {
            return item;
        }
    }
    return ZS_TI_NONE;
}

void CZsCategoryTree::AddObserver(CZsTreeObserver* pObserver) {
    if (pObserver && std::find(mObservers.begin(), mObservers.end(), pObserver) == mObservers.end()) {
        mObservers.push_back(pObserver);
    }
}

void CZsCategoryTree::RemoveObserver(CZsTreeObserver* pObserver) {
    mObservers.erase(std::remove(mObservers.begin(), mObservers.end(), pObserver), mObservers.end());
}
