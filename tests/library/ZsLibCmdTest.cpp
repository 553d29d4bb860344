#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "library/ZsLibCmd.h"

using test::Library;
using test::ScriptedMessages;
using test::TreeLines;

namespace {

void Fill(Library& l, int n) {
    test::FillSample(l, n);
}

// The titles of the tree in pre-order, each indented by its level.
std::vector<std::string> Titles(const CZsCategoryTree& tree) {
    std::vector<std::string> out;
    for (ZsTreeItem i = tree.GetRootItem(); i != ZS_TI_NONE; i = tree.GetNextPreorder(i)) {
        out.push_back(std::string(static_cast<size_t>(2 * tree.GetLevel(i)), ' ') + tree.GetItemText(i));
    }
    return out;
}

bool Dirty(Library& l, int32_t nNode) {
    return (l.lib.GetNodeIcons(nNode, 0).nFlags & ZIL_DIRTY_DATA) != 0;
}

bool Deleted(Library& l, int32_t nIcon) {
    return (l.lib.GetIconRec(nIcon, 0).nFlags & ZIL_DELETED) != 0;
}

ZIL_DROP_CATEGORY_OPTIONS Drop(int nOp, int nPosition, CZsIconLib* pSource = nullptr) {
    ZIL_DROP_CATEGORY_OPTIONS o;
    o.nOp = nOp;
    o.nPosition = nPosition;
    o.pSourceLib = pSource;
    return o;
}

}  // namespace

TEST(LibCmdRows, CleanRowsAndClampedCarets) {
    EXPECT_EQ(ZsCleanRows({5, -1, 2, 2, 9, 0}, 6), (std::vector<int>{0, 2, 5}));
    EXPECT_TRUE(ZsCleanRows({0, 1}, 0).empty());
    EXPECT_EQ(ZsClampRow(7, 3), 2);
    EXPECT_EQ(ZsClampRow(-4, 3), 0);
    EXPECT_EQ(ZsClampRow(0, 0), -1);
}

TEST(NewCategory, ChildOrSiblingWithAFreshId) {
    Library l;
    Fill(l, 0);
    ZIL_CATEGORY_RESULT r = ZsNewCategory(l.lib, l.Item(1));
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(l.tree.GetItemData(r.item), 6);
    EXPECT_EQ(l.tree.GetItemText(r.item), "Untitled");
    EXPECT_EQ(l.tree.GetParentItem(r.item), l.Item(1));
    EXPECT_EQ(l.tree.GetNextSiblingItem(l.Item(3)), r.item);

    ZIL_NEW_CATEGORY_OPTIONS above;
    above.nPosition = ZIL_POS_ABOVE;
    above.sTitle = "Above";
    ASSERT_TRUE(ZsNewCategory(l.lib, l.Item(4), above).Ok());
    ZIL_NEW_CATEGORY_OPTIONS below;
    below.nPosition = ZIL_POS_BELOW;
    below.sTitle = "Below";
    ASSERT_TRUE(ZsNewCategory(l.lib, l.Item(5), below).Ok());
    ASSERT_TRUE(ZsNewCategory(l.lib, l.Item(ZIL_ID_ALL)).Ok());
    EXPECT_EQ(Titles(l.tree),
              (std::vector<std::string>{"My Icons", "  Sample Category 1", "    Sample Subcategory 1",
                                        "    Sample Subcategory 2", "    Untitled", "  Above",
                                        "  Sample Category 2", "  Sample Category 3", "  Below", "  Untitled",
                                        "Find Results"}));
    EXPECT_EQ(l.lib.GetNextNode(), 10);
}

TEST(NewCategory, FixedCategoriesTakeNoSiblingsAndFindResultsNoChildren) {
    Library l;
    Fill(l, 0);
    for (int nPos : {ZIL_POS_ABOVE, ZIL_POS_BELOW}) {
        EXPECT_EQ(ZsCheckNewCategory(l.lib, l.Item(ZIL_ID_ALL), nPos).nRefusal, ZIL_REFUSED_NO_PLACE);
        EXPECT_EQ(ZsCheckNewCategory(l.lib, l.Item(ZIL_ID_FIND), nPos).nRefusal, ZIL_REFUSED_NO_PLACE);
    }
    ZIL_CATEGORY_RESULT r = ZsNewCategory(l.lib, l.Item(ZIL_ID_FIND));
    EXPECT_EQ(r.nRefusal, ZIL_REFUSED_NO_PLACE);
    EXPECT_EQ(r.sRefusal, "\"Find Results\" holds no categories.");
    EXPECT_EQ(ZsCheckNewCategory(l.lib, l.Item(1), 3).nRefusal, ZIL_REFUSED_INVALID);
    EXPECT_EQ(ZsCheckNewCategory(l.lib, 999, ZIL_POS_CHILD).nRefusal, ZIL_REFUSED_NO_CATEGORY);
    EXPECT_EQ(l.lib.GetNextNode(), 6);
    EXPECT_EQ(l.tree.GetCount(), 7);

    CZsIconLib detached;
    EXPECT_EQ(ZsCheckNewCategory(detached, 1, ZIL_POS_CHILD).nRefusal, ZIL_REFUSED_NO_TREE);
}

TEST(NewCategory, TitlesAreNeverEmptyAndUniqueOnesNoSiblings) {
    Library l;
    Fill(l, 0);
    ZIL_NEW_CATEGORY_OPTIONS o;
    o.sTitle = "";
    for (bool bUnique : {false, true}) {
        o.bUniqueTitle = bUnique;
        const ZIL_CATEGORY_RESULT r = ZsNewCategory(l.lib, l.Item(ZIL_ID_ALL), o);
        EXPECT_EQ(r.nRefusal, ZIL_REFUSED_TITLE);
        EXPECT_EQ(r.sRefusal, "A category needs a title.");
    }
    EXPECT_EQ(l.lib.GetNextNode(), 6);
    o.bUniqueTitle = true;
    o.sTitle = "Sample Category 2";
    EXPECT_EQ(ZsNewCategory(l.lib, l.Item(ZIL_ID_ALL), o).nRefusal, ZIL_REFUSED_TITLE);
    // A title of another level is free.
    o.sTitle = "Sample Subcategory 1";
    EXPECT_TRUE(ZsNewCategory(l.lib, l.Item(ZIL_ID_ALL), o).Ok());
    o.bUniqueTitle = false;
    EXPECT_TRUE(ZsNewCategory(l.lib, l.Item(ZIL_ID_ALL), o).Ok());
}

TEST(RenameCategory, OnlyUserCategoriesTakeANewTitle) {
    Library l;
    Fill(l, 0);
    EXPECT_TRUE(ZsCheckRenameCategory(l.lib, l.Item(2)).Ok());
    for (int32_t nFixed : {ZIL_ID_ALL, ZIL_ID_FIND}) {
        ZIL_CATEGORY_RESULT r = ZsRenameCategory(l.lib, l.Item(nFixed), {"Mine", false});
        EXPECT_EQ(r.nRefusal, ZIL_REFUSED_FIXED);
    }
    EXPECT_EQ(l.tree.GetItemText(l.Item(ZIL_ID_ALL)), "My Icons");
    // An empty title would give the category its parent's title path: refused whether or not the title
    // must be unique, and the old title stays.
    for (bool bUnique : {false, true}) {
        const ZIL_CATEGORY_RESULT r = ZsRenameCategory(l.lib, l.Item(2), {"", bUnique});
        EXPECT_EQ(r.nRefusal, ZIL_REFUSED_TITLE);
        EXPECT_EQ(r.sRefusal, "A category needs a title.");
        EXPECT_EQ(l.tree.GetItemText(l.Item(2)), "Sample Subcategory 1");
    }
    // A sibling's title is refused only when the title must be unique; the category's own is free.
    EXPECT_EQ(ZsRenameCategory(l.lib, l.Item(2), {"Sample Subcategory 2", true}).nRefusal, ZIL_REFUSED_TITLE);
    EXPECT_TRUE(ZsRenameCategory(l.lib, l.Item(2), {"Sample Subcategory 1", true}).Ok());
    EXPECT_TRUE(ZsRenameCategory(l.lib, l.Item(3), {"Sample Subcategory 1", false}).Ok());
    ZIL_CATEGORY_RESULT r = ZsRenameCategory(l.lib, l.Item(2), {"Icons/16", true});
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.item, l.Item(2));
    EXPECT_EQ(l.tree.GetItemText(l.Item(2)), "Icons/16");
}

TEST(DeleteCategory, AsksThenDeletesTheSubtreeAndKeepsTheIcons) {
    Library l;
    Fill(l, 3);
    l.lib.ListToNode(1, {1});
    l.lib.ListToNode(3, {2});
    {
        ScriptedMessages cancel({ZS_IDCANCEL});
        ZIL_CATEGORY_RESULT r = ZsDeleteCategory(l.lib, l.Item(1));
        EXPECT_TRUE(r.Ok());
        EXPECT_TRUE(r.bDeclined);
        ASSERT_EQ(cancel.shown.size(), 1u);
        EXPECT_EQ(cancel.shown[0],
                  std::make_pair(int(ZS_MB_QUESTION),
                                 std::string("Are you sure you want to delete the selected category with "
                                             "subcategories and icons?")));
        EXPECT_EQ(l.tree.GetCount(), 7);
    }
    ScriptedMessages ok({ZS_IDOK});
    ZIL_CATEGORY_RESULT r = ZsDeleteCategory(l.lib, l.Item(1));
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.nCategories, 3);
    // The selection goes to the next sibling.
    EXPECT_EQ(r.item, l.Item(4));
    EXPECT_EQ(l.lib.GetNodeIds(), (std::vector<int32_t>{-1, 4, 5, -2}));
    EXPECT_TRUE(l.lib.GetNodeIcons(3, 0).nFlags & ZIL_DELETED);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    EXPECT_FALSE(Deleted(l, 1));

    // Without a next sibling the previous one, without either the parent.
    EXPECT_EQ(ZsDeleteCategory(l.lib, l.Item(5), {false}).item, l.Item(4));
    EXPECT_EQ(ZsDeleteCategory(l.lib, l.Item(4), {false}).item, l.Item(ZIL_ID_ALL));
    EXPECT_EQ(ZsDeleteCategory(l.lib, l.Item(ZIL_ID_ALL), {false}).nRefusal, ZIL_REFUSED_FIXED);
    EXPECT_EQ(ZsCheckDeleteCategory(l.lib, l.Item(ZIL_ID_FIND)).nRefusal, ZIL_REFUSED_FIXED);
}

TEST(DropCategory, OnlyUserCategoriesMoveOrCopy) {
    Library l;
    Fill(l, 0);
    EXPECT_EQ(ZsCategoryEffects(l.lib, l.Item(1)), ZIL_OP_COPY | ZIL_OP_MOVE);
    EXPECT_EQ(ZsCategoryEffects(l.lib, l.Item(ZIL_ID_ALL)), 0);
    EXPECT_EQ(ZsCategoryEffects(l.lib, l.Item(ZIL_ID_FIND)), 0);
    EXPECT_EQ(ZsCategoryEffects(l.lib, ZS_TI_NONE), 0);
    for (int nOp : {ZIL_OP_COPY, ZIL_OP_MOVE}) {
        EXPECT_EQ(
            ZsCheckDropCategory(l.lib, l.Item(ZIL_ID_ALL), l.Item(4), Drop(nOp, ZIL_POS_CHILD)).nRefusal,
            ZIL_REFUSED_FIXED);
        // Onto itself or into its own subtree, for copies too.
        EXPECT_EQ(ZsCheckDropCategory(l.lib, l.Item(1), l.Item(1), Drop(nOp, ZIL_POS_CHILD)).nRefusal,
                  ZIL_REFUSED_INTO_ITSELF);
        EXPECT_EQ(ZsCheckDropCategory(l.lib, l.Item(1), l.Item(3), Drop(nOp, ZIL_POS_BELOW)).nRefusal,
                  ZIL_REFUSED_INTO_ITSELF);
        // "Find Results" accepts nothing; "My Icons" takes categories as children only.
        EXPECT_EQ(
            ZsCheckDropCategory(l.lib, l.Item(4), l.Item(ZIL_ID_FIND), Drop(nOp, ZIL_POS_CHILD)).nRefusal,
            ZIL_REFUSED_NO_PLACE);
        EXPECT_EQ(
            ZsCheckDropCategory(l.lib, l.Item(4), l.Item(ZIL_ID_ALL), Drop(nOp, ZIL_POS_ABOVE)).nRefusal,
            ZIL_REFUSED_NO_PLACE);
        EXPECT_TRUE(ZsCheckDropCategory(l.lib, l.Item(2), l.Item(ZIL_ID_ALL), Drop(nOp, ZIL_POS_CHILD)).Ok());
    }
    EXPECT_EQ(ZsCheckDropCategory(l.lib, l.Item(4), l.Item(5), Drop(3, ZIL_POS_CHILD)).nRefusal,
              ZIL_REFUSED_INVALID);
    EXPECT_EQ(ZsCheckDropCategory(l.lib, l.Item(4), l.Item(5), Drop(ZIL_OP_MOVE, 7)).nRefusal,
              ZIL_REFUSED_INVALID);
}

TEST(DropCategory, MovesThatLeaveACategoryWhereItIsAreRefused) {
    Library l;
    Fill(l, 0);
    const auto check = [&](int32_t nSource, int32_t nTarget, int nOp, int nPos) {
        return ZsCheckDropCategory(l.lib, l.Item(nSource), l.Item(nTarget), Drop(nOp, nPos)).nRefusal;
    };
    // The last child onto its parent; an earlier child may move to the end.
    EXPECT_EQ(check(5, ZIL_ID_ALL, ZIL_OP_MOVE, ZIL_POS_CHILD), ZIL_REFUSED_NO_CHANGE);
    EXPECT_EQ(check(4, ZIL_ID_ALL, ZIL_OP_MOVE, ZIL_POS_CHILD), ZIL_REFUSED_NONE);
    EXPECT_EQ(check(5, ZIL_ID_ALL, ZIL_OP_COPY, ZIL_POS_CHILD), ZIL_REFUSED_NONE);
    // The sibling just above the target above it, just below below it.
    EXPECT_EQ(check(4, 5, ZIL_OP_MOVE, ZIL_POS_ABOVE), ZIL_REFUSED_NO_CHANGE);
    EXPECT_EQ(check(5, 4, ZIL_OP_MOVE, ZIL_POS_BELOW), ZIL_REFUSED_NO_CHANGE);
    EXPECT_EQ(check(5, 4, ZIL_OP_MOVE, ZIL_POS_ABOVE), ZIL_REFUSED_NONE);
    EXPECT_EQ(check(4, 5, ZIL_OP_COPY, ZIL_POS_ABOVE), ZIL_REFUSED_NONE);
}

TEST(DropCategory, AMoveKeepsIdsAndListsAndRebuildsTheSubtree) {
    Library l;
    Fill(l, 3);
    l.lib.ListToNode(1, {1, 2});
    l.lib.ListToNode(3, {3});
    l.tree.SelectItem(l.Item(3));
    ZIL_CATEGORY_RESULT r = ZsDropCategory(l.lib, l.Item(1), l.Item(5), Drop(ZIL_OP_MOVE, ZIL_POS_BELOW));
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nCategories, 3);
    EXPECT_EQ(r.item, l.Item(1));
    EXPECT_EQ(TreeLines(l.tree),
              (std::vector<std::string>{"0 My Icons -1 0/0", "1 Sample Category 2 4 2/2",
                                        "1 Sample Category 3 5 2/2", "1 Sample Category 1 1 2/2",
                                        "2 Sample Subcategory 1 2 2/2", "2 Sample Subcategory 2 3 2/2",
                                        "0 Find Results -2 3/3"}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2}));
    EXPECT_EQ(l.lib.GetList(3), ZIL_LIST{3});
    EXPECT_EQ(l.lib.GetNextNode(), 6);
    // The moved categories keep their rows in the file: nothing of them is flagged deleted.
    EXPECT_EQ(l.lib.GetNodeIcons(1, 0).nFlags & ZIL_DELETED, 0);

    // Keyboard moving: Shift+Up is a move above the previous sibling.
    r = ZsDropCategory(l.lib, l.Item(1), l.Item(5), Drop(ZIL_OP_MOVE, ZIL_POS_ABOVE));
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(l.lib.GetNodeIds(), (std::vector<int32_t>{-1, 4, 1, 2, 3, 5, -2}));
    // A cut category that was pasted once is no longer there to paste again.
    const ZsTreeItem gone = l.Item(5);
    ASSERT_TRUE(ZsDropCategory(l.lib, gone, l.Item(4), Drop(ZIL_OP_MOVE, ZIL_POS_CHILD)).Ok());
    EXPECT_EQ(ZsDropCategory(l.lib, gone, l.Item(4), Drop(ZIL_OP_MOVE, ZIL_POS_CHILD)).nRefusal,
              ZIL_REFUSED_NO_CATEGORY);
}

TEST(DropCategory, ACopyGivesEveryCategoryAFreshIdAndACopyOfItsList) {
    Library l;
    Fill(l, 3);
    l.lib.ListToNode(1, {1, 2});
    l.lib.ListToNode(2, {3});
    ZIL_CATEGORY_RESULT r = ZsDropCategory(l.lib, l.Item(1), l.Item(4), Drop(ZIL_OP_COPY, ZIL_POS_CHILD));
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nCategories, 3);
    EXPECT_EQ(r.nNewIcons, 0);
    EXPECT_EQ(l.tree.GetItemData(r.item), 6);
    EXPECT_EQ(l.lib.GetNodeIds(), (std::vector<int32_t>{-1, 1, 2, 3, 4, 6, 7, 8, 5, -2}));
    EXPECT_EQ(l.lib.GetList(6), (ZIL_LIST{1, 2}));
    EXPECT_EQ(l.lib.GetList(7), ZIL_LIST{3});
    EXPECT_TRUE(l.lib.GetList(8).empty());
    for (int32_t nId : {6, 7, 8}) {
        EXPECT_TRUE(Dirty(l, nId)) << nId;
    }
    // The icons are shared, not duplicated.
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2}));
}

TEST(DropCategory, CopiesNeedAnIdForEveryCategory) {
    test::TempDir dir;
    {
        Library l;
        Fill(l, 0);
        ASSERT_TRUE(l.lib.Save(dir / "lib.pctv"));
    }
    {
        CSQLite db;
        ASSERT_TRUE(db.Open(dir / "lib.pctv"));
        ZsBlock header(16);
        ZsSetU32(&header[8], 0x7FFFFFFD);
        ZsSetU32(&header[12], 1);
        ASSERT_TRUE(db.ExecBlob("update main set data=? where id=1;", header.data(), header.size()));
    }
    Library l;
    ASSERT_TRUE(l.lib.Load(dir / "lib.pctv"));
    EXPECT_EQ(ZsCheckDropCategory(l.lib, l.Item(1), l.Item(4), Drop(ZIL_OP_COPY, ZIL_POS_CHILD)).nRefusal,
              ZIL_REFUSED_IDS_USED_UP);
    EXPECT_TRUE(ZsDropCategory(l.lib, l.Item(1), l.Item(4), Drop(ZIL_OP_MOVE, ZIL_POS_CHILD)).Ok());
    EXPECT_TRUE(ZsDropCategory(l.lib, l.Item(2), l.Item(4), Drop(ZIL_OP_COPY, ZIL_POS_CHILD)).Ok());
    EXPECT_TRUE(ZsDropCategory(l.lib, l.Item(3), l.Item(4), Drop(ZIL_OP_COPY, ZIL_POS_CHILD)).Ok());
    EXPECT_EQ(ZsCheckNewCategory(l.lib, l.Item(4), ZIL_POS_CHILD).nRefusal, ZIL_REFUSED_IDS_USED_UP);
}

TEST(DropCategory, FromAnotherLibraryItsIconsBecomeNewIcons) {
    Library source;
    Fill(source, 4);
    source.lib.SetIconKeywords(2, "blue, round");
    source.lib.ListToNode(1, {2, 3});
    // Icon 2 is listed twice in the subtree; icon 4's data is no icon.
    source.lib.ListToNode(2, {4, 2});
    source.lib.SetIconData(4, ZsBlock{1, 2, 3});
    Library l;
    Fill(l, 2);

    test::LogCapture log;
    // A move from another library is a copy: the other library stays as it was.
    ZIL_CATEGORY_RESULT r = ZsDropCategory(l.lib, source.Item(1), l.Item(ZIL_ID_ALL),
                                           Drop(ZIL_OP_MOVE, ZIL_POS_CHILD, &source.lib));
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nCategories, 3);
    EXPECT_EQ(r.nNewIcons, 2);
    EXPECT_EQ(r.failed, ZIL_LIST{4});
    EXPECT_EQ(source.lib.GetNodeIds(), (std::vector<int32_t>{-1, 1, 2, 3, 4, 5, -2}));
    EXPECT_EQ(source.lib.GetList(ZIL_ID_ALL).size(), 4u);

    EXPECT_EQ(l.tree.GetItemData(r.item), 6);
    EXPECT_EQ(l.tree.GetItemText(r.item), "Sample Category 1");
    EXPECT_EQ(l.tree.GetParentItem(r.item), l.Item(ZIL_ID_ALL));
    EXPECT_EQ(l.lib.GetList(6), (ZIL_LIST{3, 4}));
    EXPECT_EQ(l.lib.GetList(7), ZIL_LIST{3});
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
    EXPECT_EQ(l.lib.GetIconName(3), "i2");
    EXPECT_EQ(l.lib.GetIconKeywords(3), "blue, round");
    const ZsBytes copied = l.lib.GetIconData(3), original = source.lib.GetIconData(2);
    EXPECT_TRUE(std::equal(copied.begin(), copied.end(), original.begin(), original.end()));
    EXPECT_EQ(l.lib.GetIconName(4), "i3");

    // The rules of the place still hold; a fixed category of the other library is not copied.
    EXPECT_EQ(ZsCheckDropCategory(l.lib, source.Item(4), l.Item(ZIL_ID_FIND),
                                  Drop(ZIL_OP_COPY, ZIL_POS_CHILD, &source.lib))
                  .nRefusal,
              ZIL_REFUSED_NO_PLACE);
    EXPECT_EQ(ZsCheckDropCategory(l.lib, source.Item(ZIL_ID_ALL), l.Item(4),
                                  Drop(ZIL_OP_COPY, ZIL_POS_CHILD, &source.lib))
                  .nRefusal,
              ZIL_REFUSED_FIXED);
}

TEST(PutIcons, AppendsWhatTheTargetLacksInRowOrder) {
    Library l;
    Fill(l, 5);
    l.lib.ListToNode(1, {5, 4, 3, 2, 1});
    l.lib.ListToNode(4, {2});
    ZIL_PUT_ICONS_OPTIONS o;
    ZIL_ICONS_RESULT r = ZsPutIcons(l.lib, 4, 1, {4, 0, 3, 4, 9}, o);
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nIcons, 2);
    EXPECT_EQ(l.lib.GetList(4), (ZIL_LIST{2, 5, 1}));
    EXPECT_EQ(r.rows, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(Dirty(l, 4));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{5, 4, 3, 2, 1}));

    // At a row, the batch keeps its order there.
    o.nAt = 1;
    r = ZsPutIcons(l.lib, 4, 1, {1, 2}, o);
    EXPECT_EQ(l.lib.GetList(4), (ZIL_LIST{2, 4, 3, 5, 1}));
    EXPECT_EQ(r.rows, (std::vector<int>{1, 2}));
}

TEST(PutIcons, AMoveTakesTheRowsOutOfTheSourceUnlessItIsMyIcons) {
    Library l;
    Fill(l, 4);
    l.lib.ListToNode(1, {1, 2, 3, 4});
    l.lib.ListToNode(5, {3});
    ZIL_PUT_ICONS_OPTIONS o;
    o.nOp = ZIL_OP_MOVE;
    o.nCaret = 3;
    ZIL_ICONS_RESULT r = ZsPutIcons(l.lib, 4, 1, {1, 3}, o);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(l.lib.GetList(4), (ZIL_LIST{2, 4}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3}));
    EXPECT_EQ(r.nCaret, 1);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 4u);
    EXPECT_EQ(l.lib.GetList(5), ZIL_LIST{3});

    r = ZsPutIcons(l.lib, 5, ZIL_ID_ALL, {0, 2}, o);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(l.lib.GetList(5), (ZIL_LIST{3, 1}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
}

TEST(PutIcons, RefusesFindResultsMyIconsAndTheSourceItself) {
    Library l;
    Fill(l, 2);
    l.lib.ListToNode(1, {1, 2});
    EXPECT_EQ(ZsPutIcons(l.lib, ZIL_ID_FIND, 1, {0}).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsPutIcons(l.lib, ZIL_ID_ALL, 1, {0}).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsPutIcons(l.lib, 1, 1, {0}).nRefusal, ZIL_REFUSED_SAME_CATEGORY);
    EXPECT_EQ(ZsPutIcons(l.lib, 4, 1, {7}).nRefusal, ZIL_REFUSED_NO_ROWS);
    EXPECT_EQ(ZsPutIcons(l.lib, 99, 1, {0}).nRefusal, ZIL_REFUSED_NO_CATEGORY);
    ZIL_PUT_ICONS_OPTIONS bad;
    bad.nOp = 0;
    EXPECT_EQ(ZsCheckPutIcons(l.lib, 4, 1, bad).nRefusal, ZIL_REFUSED_INVALID);
    EXPECT_TRUE(l.lib.GetList(4).empty());
}

TEST(PutIcons, FromAnotherLibraryTheyBecomeNewIcons) {
    Library source;
    Fill(source, 3);
    source.lib.SetIconData(3, ZsBlock{7});
    source.lib.ListToNode(1, {3, 1, 1, 2});
    Library l;
    Fill(l, 1);
    l.lib.ListToNode(4, {1});

    test::LogCapture log;
    ZIL_PUT_ICONS_OPTIONS o;
    o.nOp = ZIL_OP_MOVE;
    o.nAt = 0;
    o.pSourceLib = &source.lib;
    ZIL_ICONS_RESULT r = ZsPutIcons(l.lib, 4, 1, {0, 1, 2, 3}, o);
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nIcons, 2);
    EXPECT_EQ(r.nNewIcons, 2);
    EXPECT_EQ(r.failed, ZIL_LIST{3});
    EXPECT_EQ(l.lib.GetList(4), (ZIL_LIST{2, 3, 1}));
    EXPECT_EQ(r.rows, (std::vector<int>{0, 1}));
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    EXPECT_EQ(l.lib.GetIconName(2), "i1");
    EXPECT_EQ(source.lib.GetList(1), (ZIL_LIST{3, 1, 1, 2}));

    // Into "My Icons" (each once) but never into "Find Results".
    o.nAt = -1;
    r = ZsPutIcons(l.lib, ZIL_ID_ALL, 1, {3}, o);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3, 4}));
    EXPECT_EQ(ZsPutIcons(l.lib, ZIL_ID_FIND, 1, {3}, o).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
}

TEST(ArrangeRows, MovesAndCopiesRowsWithinAUserCategory) {
    Library l;
    Fill(l, 6);
    l.lib.ListToNode(1, {1, 2, 3, 4, 5, 6});
    // Rows 1 and 3 dropped before row 5: two rows above it go first.
    ZIL_ARRANGE_OPTIONS o;
    o.nCaret = 3;
    ZIL_ICONS_RESULT r = ZsArrangeRows(l.lib, 1, {3, 1}, 5, o);
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3, 5, 2, 4, 6}));
    EXPECT_EQ(r.rows, (std::vector<int>{3, 4}));
    EXPECT_EQ(r.nCaret, 4);

    // A copy lists the icons twice; the caret goes to the first dropped row when it was not among them.
    o.nOp = ZIL_OP_COPY;
    o.nCaret = 5;
    r = ZsArrangeRows(l.lib, 1, {0}, 99, o);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3, 5, 2, 4, 6, 1}));
    EXPECT_EQ(r.rows, std::vector<int>{6});
    EXPECT_EQ(r.nCaret, 6);
    EXPECT_TRUE(Dirty(l, 1));

    EXPECT_EQ(ZsArrangeRows(l.lib, ZIL_ID_ALL, {0}, 2).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsCheckArrangeRows(l.lib, ZIL_ID_FIND).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsArrangeRows(l.lib, 1, {}, 2).nRefusal, ZIL_REFUSED_NO_ROWS);
}

// Moving rows to each place of the list: dropped onto a chosen row or just after the chosen ones changes
// nothing; rows dropped past the end go to the end.
TEST(ArrangeRows, MoveToEveryRowOfTheList) {
    const std::vector<std::pair<std::vector<int>, std::vector<ZIL_LIST>>> cases = {
        {{1, 2},
         {{2, 3, 1, 4, 5},
          {1, 2, 3, 4, 5},
          {1, 2, 3, 4, 5},
          {1, 2, 3, 4, 5},
          {1, 4, 2, 3, 5},
          {1, 4, 5, 2, 3},
          {1, 4, 5, 2, 3}}},
        {{0, 2},
         {{1, 3, 2, 4, 5},
          {1, 3, 2, 4, 5},
          {2, 1, 3, 4, 5},
          {2, 1, 3, 4, 5},
          {2, 4, 1, 3, 5},
          {2, 4, 5, 1, 3},
          {2, 4, 5, 1, 3}}},
        {{4},
         {{5, 1, 2, 3, 4},
          {1, 5, 2, 3, 4},
          {1, 2, 5, 3, 4},
          {1, 2, 3, 5, 4},
          {1, 2, 3, 4, 5},
          {1, 2, 3, 4, 5},
          {1, 2, 3, 4, 5}}},
    };
    for (const auto& [rows, expected] : cases) {
        for (int nAt = 0; nAt <= 6; ++nAt) {
            Library l;
            Fill(l, 5);
            l.lib.ListToNode(1, {1, 2, 3, 4, 5});
            const ZIL_ICONS_RESULT r = ZsArrangeRows(l.lib, 1, rows, nAt);
            ASSERT_TRUE(r.Ok()) << r.sRefusal;
            const ZIL_LIST& list = l.lib.GetList(1);
            EXPECT_EQ(list, expected[static_cast<size_t>(nAt)]) << "rows from " << rows[0] << " to " << nAt;
            // The dropped rows are selected where they now lie.
            ASSERT_EQ(r.rows.size(), rows.size());
            for (size_t i = 0; i < rows.size(); ++i) {
                EXPECT_EQ(list[static_cast<size_t>(r.rows[i])], static_cast<int32_t>(rows[i] + 1));
            }
        }
    }
}

TEST(RemoveIcons, TakesRowsOutOfOneCategoryButNeverOutOfMyIcons) {
    Library l;
    Fill(l, 3);
    l.lib.ListToNode(1, {1, 2, 3, 2});
    l.lib.ListToNode(4, {2});
    ZIL_ICONS_RESULT r = ZsRemoveIcons(l.lib, ZIL_ID_ALL, {0});
    EXPECT_EQ(r.nRefusal, ZIL_REFUSED_ONLY_DELETE);
    EXPECT_EQ(r.sRefusal, "Icons leave \"My Icons\" only when they are deleted from the library.");
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 3u);
    EXPECT_FALSE(Deleted(l, 1));

    // One of two rows of icon 2 goes; the other and every other category keep it.
    r = ZsRemoveIcons(l.lib, 1, {1, 1, 8}, {3});
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.nIcons, 1);
    EXPECT_EQ(r.nCaret, 2);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3, 2}));
    EXPECT_EQ(l.lib.GetList(4), ZIL_LIST{2});
    EXPECT_FALSE(Deleted(l, 2));
    // "Find Results" lets go of search results.
    l.lib.ListToNode(ZIL_ID_FIND, {3});
    EXPECT_TRUE(ZsRemoveIcons(l.lib, ZIL_ID_FIND, {0}).Ok());
    EXPECT_TRUE(l.lib.GetList(ZIL_ID_FIND).empty());
    EXPECT_EQ(ZsRemoveIcons(l.lib, 1, {}).nRefusal, ZIL_REFUSED_NO_ROWS);
}

TEST(DeleteIconsFromLibrary, EveryListLetsGoInOnePass) {
    Library l;
    Fill(l, 5);
    l.lib.ListToNode(1, {5, 4, 3});
    l.lib.ListToNode(3, {4, 4, 1});
    l.lib.ListToNode(ZIL_ID_FIND, {4, 2});
    ZIL_ICONS_RESULT r = ZsDeleteIconsFromLibrary(l.lib, 1, {1, 0, 1}, {2});
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.nIcons, 2);
    EXPECT_EQ(r.nCaret, 0);
    EXPECT_EQ(l.lib.GetList(1), ZIL_LIST{3});
    EXPECT_EQ(l.lib.GetList(3), ZIL_LIST{1});
    EXPECT_EQ(l.lib.GetList(ZIL_ID_FIND), ZIL_LIST{2});
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{1, 2, 3}));
    EXPECT_TRUE(Deleted(l, 4));
    EXPECT_TRUE(Deleted(l, 5));
    EXPECT_FALSE(Deleted(l, 3));
    EXPECT_FALSE(Dirty(l, 2));
    EXPECT_TRUE(Dirty(l, 3));
}

TEST(DeleteIconsFromLibrary, IdsFarApartAreFoundToo) {
    Library l;
    l.lib.NewLib();
    // Ids from a damaged file may lie anywhere; the lists are searched all the same.
    l.lib.ListToNode(ZIL_ID_ALL, {7, 2000000000, 9, -5});
    l.lib.ListToNode(2, {2000000000, 9});
    l.lib.DelIcons({-5, 2000000000});
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{7, 9}));
    EXPECT_EQ(l.lib.GetList(2), ZIL_LIST{9});
    l.lib.DelIcons({});
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL), (ZIL_LIST{7, 9}));
}

TEST(SetIconText, NamesAndKeywordsOfEveryChosenIcon) {
    Library l;
    Fill(l, 3);
    ZIL_ICON_TEXT_OPTIONS o;
    o.name = "Folder";
    ZIL_ICONS_RESULT r = ZsSetIconText(l.lib, ZIL_ID_ALL, {2, 0, 2}, o);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.nIcons, 2);
    EXPECT_EQ(l.lib.GetIconName(1), "Folder");
    EXPECT_EQ(l.lib.GetIconName(2), "i2");
    EXPECT_EQ(l.lib.GetIconName(3), "Folder");
    EXPECT_EQ(l.lib.GetIconKeywords(1), "");
    o.name.reset();
    o.keywords = "open, yellow";
    ASSERT_TRUE(ZsSetIconText(l.lib, ZIL_ID_ALL, {1}, o).Ok());
    EXPECT_EQ(l.lib.GetIconName(2), "i2");
    EXPECT_EQ(l.lib.GetIconKeywords(2), "open, yellow");
    EXPECT_TRUE(l.lib.GetIconRec(2, 0).nFlags & ZIL_DIRTY_KWDS);
    EXPECT_EQ(ZsSetIconText(l.lib, ZIL_ID_ALL, {5}, o).nRefusal, ZIL_REFUSED_NO_ROWS);
}

TEST(ImportTarget, UserCategoriesAndMyIconsTakeImports) {
    Library l;
    Fill(l, 0);
    EXPECT_TRUE(ZsCheckImportTarget(l.lib, 3).Ok());
    EXPECT_TRUE(ZsCheckImportTarget(l.lib, ZIL_ID_ALL).Ok());
    EXPECT_EQ(ZsCheckImportTarget(l.lib, ZIL_ID_FIND).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsCheckImportTarget(l.lib, 42).nRefusal, ZIL_REFUSED_NO_CATEGORY);
}
