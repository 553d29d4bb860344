#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "library/ZsLibCmd.h"
#include "library/ZsLibEdit.h"

using test::Library;
using test::ScriptedMessages;

namespace {

// The sample tree with icons 1..n in "My Icons" and category 1 listing the ids given.
void Fill(Library& l, int n, const ZIL_LIST& category) {
    test::FillSample(l, n);
    l.lib.ListToNode(1, category);
}

std::vector<ZIL_ROW_ICON> Rows(const ZIL_LIST& list, const std::vector<int>& rows) {
    std::vector<ZIL_ROW_ICON> items;
    for (int nRow : rows) {
        items.push_back({nRow, list[static_cast<size_t>(nRow)]});
    }
    return items;
}

}  // namespace

TEST(DropRows, RowsDroppedOnOrJustAfterTheirSelectionStayWhereTheyAre) {
    Library l;
    Fill(l, 4, {1, 2, 3, 4});
    for (int nAt : {1, 2, 3}) {
        const ZIL_ICONS_RESULT r = ZsDropRows(l.lib, 1, Rows(l.lib.GetList(1), {1, 2}), nAt);
        ASSERT_TRUE(r.Ok()) << r.sRefusal;
        EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 2, 3, 4})) << nAt;
        EXPECT_EQ(r.rows, (std::vector<int>{1, 2})) << nAt;
        EXPECT_EQ(r.nOp, ZIL_OP_MOVE);
    }
    // To the first and past the last row (-1: after the last).
    EXPECT_EQ(ZsDropRows(l.lib, 1, Rows(l.lib.GetList(1), {2, 3}), 0).rows, (std::vector<int>{0, 1}));
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{3, 4, 1, 2}));
    EXPECT_EQ(ZsDropRows(l.lib, 1, Rows(l.lib.GetList(1), {0}), -1).rows, std::vector<int>{3});
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{4, 1, 2, 3}));
}

TEST(DropRows, RowsThatNoLongerHoldTheirIconsAreCopiedIn) {
    Library l;
    Fill(l, 5, {1, 2, 3});
    // Row 2 was cut (it holds icon 3 no more), and icon 5 comes from another category: a move turns into a
    // copy of the icons from "My Icons"; icons the list holds already are not put twice.
    ZIL_ARRANGE_OPTIONS o;
    o.nOp = ZIL_OP_MOVE;
    l.lib.ListToNode(1, {1, 2});
    const ZIL_ICONS_RESULT r = ZsDropRows(l.lib, 1, {{2, 3}, {0, 5}, {1, 2}}, 1, o);
    ASSERT_TRUE(r.Ok()) << r.sRefusal;
    EXPECT_EQ(r.nOp, ZIL_OP_COPY);
    EXPECT_EQ(l.lib.GetList(1), (ZIL_LIST{1, 3, 5, 2}));
    EXPECT_EQ(r.nIcons, 2);
    EXPECT_EQ(r.nCaret, 1);
    EXPECT_EQ(l.lib.GetList(ZIL_ID_ALL).size(), 5u);
    // Only user categories take rows this way.
    EXPECT_EQ(ZsDropRows(l.lib, ZIL_ID_ALL, {{0, 1}}, 0).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
    EXPECT_EQ(ZsDropRows(l.lib, ZIL_ID_FIND, {{0, 1}}, 0).nRefusal, ZIL_REFUSED_TAKES_NO_ICONS);
}

TEST(ListTransfers, MyIconsLetsNothingGoAndFindResultsTakesNothing) {
    Library l;
    Fill(l, 1, {1});
    const auto transfers = [&](int32_t nNode) {
        const ZIL_LIST_TRANSFERS t = ZsListTransfers(l.lib, nNode);
        return std::make_pair(t.bLetsGo, t.bTakes);
    };
    EXPECT_EQ(transfers(1), std::make_pair(true, true));
    EXPECT_EQ(transfers(ZIL_ID_ALL), std::make_pair(false, true));
    EXPECT_EQ(transfers(ZIL_ID_FIND), std::make_pair(true, false));
    EXPECT_EQ(transfers(0), std::make_pair(false, false));
    EXPECT_EQ(transfers(999), std::make_pair(false, false));
}

TEST(MergeRows, TheIconsThatAbsorbedTheOthersStaySelected) {
    Library l;
    Fill(l, 6, {1, 2, 3, 4, 5, 6});
    ScriptedMessages answers({ZS_IDOK});
    const ZIL_EDIT_RESULT r = ZsMergeIcons(l.lib, 1, {5, 1, 3, 0, 3});
    EXPECT_EQ(r.rows, (std::vector<int>{0, 1}));
    EXPECT_EQ(r.nCaret, 0);
}
