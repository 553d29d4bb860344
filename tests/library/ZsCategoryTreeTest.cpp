#include <gtest/gtest.h>

#include "library/ZsCategoryTree.h"

namespace {

// Records notifications as short strings.
class CRecorder : public CZsTreeObserver {
public:
    explicit CRecorder(const CZsCategoryTree& tree) : mTree(tree) {}
    void OnBeginInsert(ZsTreeItem parent, int nRow) override {
        events.push_back("begin-insert " + Title(parent) + " " + std::to_string(nRow));
    }
    void OnEndInsert(ZsTreeItem item) override { events.push_back("end-insert " + Title(item)); }
    void OnBeginRemove(ZsTreeItem parent, int nRow, ZsTreeItem item) override {
        events.push_back("begin-remove " + Title(parent) + " " + std::to_string(nRow) + " " + Title(item));
    }
    void OnEndRemove(ZsTreeItem parent) override { events.push_back("end-remove " + Title(parent)); }
    void OnItemChanged(ZsTreeItem item) override { events.push_back("changed " + Title(item)); }
    void OnBeginReset() override { events.push_back("begin-reset"); }
    void OnEndReset() override { events.push_back("end-reset"); }
    void OnSelectionChanged(ZsTreeItem item) override { events.push_back("selected " + Title(item)); }
    std::vector<std::string> events;

private:
    std::string Title(ZsTreeItem item) const { return item ? mTree.GetItemText(item) : std::string("-"); }
    const CZsCategoryTree& mTree;
};

std::vector<std::string> Preorder(const CZsCategoryTree& tree) {
    std::vector<std::string> out;
    for (ZsTreeItem i = tree.GetRootItem(); i; i = tree.GetNextPreorder(i)) {
        out.push_back(std::string(static_cast<size_t>(tree.GetLevel(i)), '.') + tree.GetItemText(i));
    }
    return out;
}

}  // namespace

TEST(CategoryTree, InsertPlacesFirstLastAndAfterASibling) {
    CZsCategoryTree tree;
    ZsTreeItem a = tree.InsertItem("A", 0, 0, -1);
    ZsTreeItem c = tree.InsertItem("C", 2, 2, 3, a);
    ZsTreeItem b = tree.InsertItem("B", 2, 2, 2, a, ZS_TI_FIRST);
    tree.InsertItem("B2", 2, 2, 4, a, b);
    tree.InsertItem("C1", 2, 2, 5, c);
    tree.InsertItem("Z", 3, 3, -2);
    // A sibling of another parent as insert-after falls back to last.
    tree.InsertItem("D", 2, 2, 6, a, c + 100);
    EXPECT_EQ(Preorder(tree), (std::vector<std::string>{"A", ".B", ".B2", ".C", "..C1", ".D", "Z"}));
    EXPECT_EQ(tree.GetCount(), 7);
    EXPECT_EQ(tree.GetItemRow(c), 2);
    EXPECT_EQ(tree.GetChildAt(a, 1), tree.GetNextSiblingItem(b));
    EXPECT_EQ(tree.GetChildCount(a), 4);
    EXPECT_EQ(tree.GetLastItem(), tree.GetLastChildItem(ZS_TI_NONE));
    EXPECT_EQ(tree.FindItem(5), tree.GetChildItem(c));
    EXPECT_TRUE(tree.IsAncestor(a, tree.GetChildItem(c)));
    EXPECT_FALSE(tree.IsAncestor(c, a));
    EXPECT_EQ(tree.InsertItem("orphan", 0, 0, 9, 12345), ZS_TI_NONE);
}

TEST(CategoryTree, DeleteRemovesTheSubtreeAndKeepsOtherHandles) {
    CZsCategoryTree tree;
    ZsTreeItem a = tree.InsertItem("A", 0, 0, 1);
    ZsTreeItem b = tree.InsertItem("B", 0, 0, 2, a);
    ZsTreeItem b1 = tree.InsertItem("B1", 0, 0, 3, b);
    ZsTreeItem c = tree.InsertItem("C", 0, 0, 4, a);
    tree.SelectItem(b1);
    EXPECT_TRUE(tree.DeleteItem(b));
    EXPECT_FALSE(tree.Exists(b1));
    EXPECT_EQ(tree.GetSelectedItem(), ZS_TI_NONE);
    EXPECT_EQ(tree.GetChildItem(a), c);
    EXPECT_EQ(tree.GetPrevSiblingItem(c), ZS_TI_NONE);
    EXPECT_EQ(tree.GetItemText(c), "C");
    // A new item never takes a deleted item's handle.
    ZsTreeItem d = tree.InsertItem("D", 0, 0, 5, a);
    EXPECT_NE(d, b);
    EXPECT_NE(d, b1);
    EXPECT_FALSE(tree.DeleteItem(b));
    EXPECT_EQ(tree.GetItemText(b), "");
    EXPECT_EQ(tree.GetItemData(b), 0);
}

TEST(CategoryTree, ObserversHearEveryChangeInOrder) {
    CZsCategoryTree tree;
    CRecorder rec(tree);
    tree.AddObserver(&rec);
    ZsTreeItem a = tree.InsertItem("A", 0, 0, -1);
    ZsTreeItem b = tree.InsertItem("B", 2, 2, 1, a);
    tree.InsertItem("C", 2, 2, 2, a, ZS_TI_FIRST);
    tree.SetItemText(b, "B'");
    tree.SelectItem(b);
    tree.SelectItem(b);
    tree.DeleteItem(b);
    tree.DeleteAllItems();
    EXPECT_EQ(rec.events,
              (std::vector<std::string>{"begin-insert - 0", "end-insert A", "begin-insert A 0", "end-insert B",
                                        "begin-insert A 0", "end-insert C", "changed B'", "selected B'",
                                        "begin-remove A 1 B'", "end-remove A", "selected -", "begin-reset",
                                        "end-reset"}));
    tree.RemoveObserver(&rec);
    tree.InsertItem("X", 0, 0, 0);
    EXPECT_EQ(rec.events.size(), 13u);
}

TEST(CategoryTree, DeepTreesNeedNoRecursion) {
    CZsCategoryTree tree;
    ZsTreeItem parent = ZS_TI_NONE;
    for (int i = 0; i < 100000; ++i) {
        parent = tree.InsertItem("n", 2, 2, i + 1, parent);
    }
    EXPECT_EQ(tree.GetLevel(parent), 99999);
    EXPECT_TRUE(tree.DeleteItem(tree.GetRootItem()));
    EXPECT_EQ(tree.GetCount(), 0);
}

TEST(CategoryTree, ChildCountsFollowInsertsAndDeletes) {
    CZsCategoryTree tree;
    CRecorder rec(tree);
    tree.AddObserver(&rec);
    ZsTreeItem a = tree.InsertItem("A", 0, 0, 1);
    for (int i = 0; i < 50000; ++i) {
        tree.InsertItem("c", 0, 0, i + 2, a);
    }
    EXPECT_EQ(rec.events.back(), "end-insert c");
    EXPECT_EQ(rec.events[rec.events.size() - 2], "begin-insert A 49999");
    ZsTreeItem second = tree.GetNextSiblingItem(tree.GetChildItem(a));
    tree.InsertItem("after", 0, 0, 0, a, second);
    EXPECT_EQ(rec.events[rec.events.size() - 2], "begin-insert A 2");
    EXPECT_EQ(tree.GetChildCount(a), 50001);
    tree.DeleteItem(second);
    EXPECT_EQ(tree.GetChildCount(a), 50000);
    EXPECT_EQ(tree.GetChildCount(ZS_TI_NONE), 1);
    tree.DeleteAllItems();
    EXPECT_EQ(tree.GetChildCount(ZS_TI_NONE), 0);
}
