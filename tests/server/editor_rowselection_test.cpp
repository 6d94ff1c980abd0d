// The row selections the editor commands understand.
#include "KlvEditRowSelection.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(EditorRowSelection, HeadAllLastAndSingleRows)
{
    for (const QString& head : {QString(), u"0"_s, u" 0 "_s})
        EXPECT_TRUE(KlvEditRowSelection::parse(head)->isHead()) << head.toStdString();
    EXPECT_TRUE(KlvEditRowSelection::parse(u"*"_s)->isAll());
    EXPECT_EQ(KlvEditRowSelection::parse(u"*"_s)->rows(3), (QList<int>{1, 2, 3}));
    EXPECT_EQ(KlvEditRowSelection::parse(u"last"_s)->rows(4), QList<int>{4});
    int missing = 0;
    EXPECT_TRUE(KlvEditRowSelection::parse(u"LAST"_s)->rows(0, &missing).isEmpty());
    EXPECT_EQ(missing, 1);
    // One number beyond the last row is still one row written: an insert may append there.
    EXPECT_EQ(KlvEditRowSelection::parse(u"6"_s)->single(), 6);
    EXPECT_FALSE(KlvEditRowSelection::parse(u"2-3"_s)->single());
}

TEST(EditorRowSelection, ListsAndRangesGiveExistingRowsAscendingOnce)
{
    int missing = -1;
    EXPECT_EQ(KlvEditRowSelection::parse(u" 4 , 1-2,2"_s)->rows(5, &missing), (QList<int>{1, 2, 4}));
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(KlvEditRowSelection::parse(u"2,7,9"_s)->rows(5, &missing), QList<int>{2});
    EXPECT_EQ(missing, 7);
    // A range far beyond the table is cut at its end, not walked.
    EXPECT_EQ(KlvEditRowSelection::parse(u"4-2000000000"_s)->rows(5, &missing), (QList<int>{4, 5}));
    EXPECT_EQ(missing, 6);
}

TEST(EditorRowSelection, AnythingElseIsNoRowSelection)
{
    for (const QString& bad : {u"x"_s, u"-1"_s, u"3-1"_s, u"0,1"_s, u"1,"_s, u"1--2"_s, u"**"_s, u"1 2"_s})
        EXPECT_FALSE(KlvEditRowSelection::parse(bad)) << bad.toStdString();
}
