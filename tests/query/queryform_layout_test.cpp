// Where the query window's panes stand: the lists side by side with the splitter in the gap,
// the result list between the splitter and the conditions frame, and the splitters' bounds.
#include "QueryLayout.h"

#include <gtest/gtest.h>

namespace {

QueryLayout layout()
{
    QueryLayout l;
    l.hRand = 4;
    l.vRand = 4;
    l.conditionsHeight = 100;
    l.statusHeight = 20;
    return l;
}

} // namespace

TEST(QueryLayout, panesTileTheClientAreaWithTheMarginsAsGaps)
{
    const QueryLayout::Panes p = layout().compute(800, 600, 300, 200);
    EXPECT_EQ(p.tables, QRect(4, 4, 300, 200));
    EXPECT_EQ(p.tabFldSplit, QRect(304, 4, 4, 200));
    EXPECT_EQ(p.fields, QRect(308, 4, 488, 200));
    EXPECT_EQ(p.fields.right() + 1 + 4, 800);
    EXPECT_EQ(p.datenSplit, QRect(4, 204, 792, 4));
    EXPECT_EQ(p.results.top(), 208);
    EXPECT_EQ(p.status, QRect(0, 580, 800, 20));
    EXPECT_EQ(p.conditions, QRect(4, 476, 792, 100));
    EXPECT_EQ(p.results.bottom() + 1 + 4, p.conditions.top());
}

TEST(QueryLayout, panesNeverGetANegativeSize)
{
    const QueryLayout::Panes p = layout().compute(100, 150, 300, 400);
    EXPECT_EQ(p.fields.width(), 0);
    EXPECT_EQ(p.results.height(), 0);
    EXPECT_GE(p.conditions.top(), 0);
}

TEST(QueryLayout, aWiderWindowIsSharedHalfAndHalf)
{
    const QueryLayout l = layout();
    // The field list reached to 796 in a window of 800; now the window is 1000 wide.
    EXPECT_EQ(l.sharedTableListWidth(300, 796, 1000), 400);
    EXPECT_EQ(l.sharedTableListWidth(300, 796, 600), 200);
    EXPECT_EQ(l.sharedTableListWidth(10, 796, 200), 0);
}

TEST(QueryLayout, splittersKeepWithinTheirBounds)
{
    const QueryLayout l = layout();
    EXPECT_EQ(l.clampVerticalSplitter(-50, 800), 4);
    EXPECT_EQ(l.clampVerticalSplitter(900, 800), 792);
    EXPECT_EQ(l.clampVerticalSplitter(400, 800), 400);
    EXPECT_EQ(l.tableListWidthForSplitter(400), 396);
    EXPECT_EQ(l.clampHorizontalSplitter(0, 476), 4);
    EXPECT_EQ(l.clampHorizontalSplitter(500, 476), 472);
    EXPECT_EQ(l.listHeightForSplitter(204), 200);
}

TEST(QueryLayout, defaultsSplitWhatThePanesLeave)
{
    const QueryLayout l = layout();
    EXPECT_EQ(l.defaultTableListWidth(800), 394);
    EXPECT_EQ(l.defaultListHeight(600), 236);
}
