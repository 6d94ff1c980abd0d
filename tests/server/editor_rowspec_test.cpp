// The row specifications the editor commands understand.
#include "KlvEditRowSpec.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(EditorRowSpec, HeadAllLastAndSingleRows)
{
    for (const QString& head : {QString(), u"0"_s, u" 0 "_s})
        EXPECT_TRUE(KlvEditRowSpec::parse(head)->isHead()) << head.toStdString();
    EXPECT_TRUE(KlvEditRowSpec::parse(u"*"_s)->isAll());
    EXPECT_EQ(KlvEditRowSpec::parse(u"*"_s)->rows(3), (QList<int>{1, 2, 3}));
    EXPECT_EQ(KlvEditRowSpec::parse(u"last"_s)->rows(4), QList<int>{4});
    int missing = 0;
    EXPECT_TRUE(KlvEditRowSpec::parse(u"LAST"_s)->rows(0, &missing).isEmpty());
    EXPECT_EQ(missing, 1);
    // One number beyond the last row is still one row written: an insert may append there.
    EXPECT_EQ(KlvEditRowSpec::parse(u"6"_s)->single(), 6);
    EXPECT_FALSE(KlvEditRowSpec::parse(u"2-3"_s)->single());
}

TEST(EditorRowSpec, ListsAndRangesGiveExistingRowsAscendingOnce)
{
    int missing = -1;
    EXPECT_EQ(KlvEditRowSpec::parse(u" 4 , 1-2,2"_s)->rows(5, &missing), (QList<int>{1, 2, 4}));
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(KlvEditRowSpec::parse(u"2,7,9"_s)->rows(5, &missing), QList<int>{2});
    EXPECT_EQ(missing, 7);
    // A range far beyond the table is cut at its end, not walked.
    EXPECT_EQ(KlvEditRowSpec::parse(u"4-2000000000"_s)->rows(5, &missing), (QList<int>{4, 5}));
    EXPECT_EQ(missing, 6);
}

TEST(EditorRowSpec, AnythingElseIsNoSpecification)
{
    for (const QString& bad : {u"x"_s, u"-1"_s, u"3-1"_s, u"0,1"_s, u"1,"_s, u"1--2"_s, u"**"_s, u"1 2"_s})
        EXPECT_FALSE(KlvEditRowSpec::parse(bad)) << bad.toStdString();
}
