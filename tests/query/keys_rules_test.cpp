// The storage kinds a table's keys offer and whether a key serves one, the record count text,
// the message panel's lines and the ranges of field rows a selection names.
#include "MainModul.h"
#include "QueryRules.h"
#include "QueryTag.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QList<int> kinds(const QStringList& flags)
{
    QList<int> keyFlags{QueryRules::All}; // the no-key entry
    for (const QString& f : flags)
        keyFlags.append(QueryRules::KeyFlagOf(f));
    return QueryRules::StorageKindsFor(keyFlags);
}

} // namespace

TEST(QueryRules, storageKindsFollowTheKeysFlags)
{
    EXPECT_EQ(kinds({}), QList<int>{1});
    EXPECT_EQ(kinds({u"1"_s, u"2"_s}), (QList<int>{1, 2}));
    EXPECT_EQ(kinds({u"1"_s, u"3"_s}), (QList<int>{1, 2, 3}));
    // A key without a flag counts as "all" and adds nothing.
    EXPECT_EQ(QueryRules::KeyFlagOf(QString()), 9);
    EXPECT_EQ(kinds({QString(), u"1"_s}), QList<int>{1});
}

TEST(QueryRules, aKeyServesItsOwnKindAndBothServesEveryKind)
{
    EXPECT_TRUE(QueryRules::KeyServesStorageKind(1, 1));
    EXPECT_FALSE(QueryRules::KeyServesStorageKind(1, 2));
    EXPECT_FALSE(QueryRules::KeyServesStorageKind(2, 3));
    EXPECT_TRUE(QueryRules::KeyServesStorageKind(3, 2));
    EXPECT_TRUE(QueryRules::KeyServesStorageKind(2, 9));
    EXPECT_TRUE(QueryRules::KeyServesStorageKind(9, 9));
}

TEST(QueryRules, theCountReadsInTheSingularForOneRecord)
{
    App().MessageTexts.SetText(141, u"record"_s);
    App().MessageTexts.SetText(142, u"records"_s);
    App().MessageTexts.SetText(179, u"total"_s);
    EXPECT_EQ(QueryRules::CountText(1200, 5000), u"1200 records (total: 5000)"_s);
    EXPECT_EQ(QueryRules::CountText(1, 1), u"1 record (total: 1)"_s);
    EXPECT_EQ(QueryRules::CountText(0, 0), u"0 records (total: 0)"_s);
}

TEST(QueryRules, onlyStatusAndErrorMessagesMakeALine)
{
    App().MessageTexts.SetText(21, u"Status:"_s);
    App().MessageTexts.SetText(22, u"Error:"_s);
    EXPECT_EQ(QueryRules::MessageLine(1, u"ok"_s), u"Status: ok"_s);
    EXPECT_EQ(QueryRules::MessageLine(0, u"bad"_s), u"Error: bad"_s);
    EXPECT_EQ(QueryRules::MessageLine(2, u"text"_s), QString());
}

TEST(QueryRules, rangesNameHeadTablePartOrSkipFields)
{
    App().ErpTrueText = u"ja"_s;
    QStringList record(23);
    record[5] = u"ja"_s; // table part, in the server's word
    record[6] = u"0"_s;
    const QString tablePart = QueryTag::FieldArray2Tag(record);
    record[5] = u"0"_s;
    record[6] = u"1"_s;
    const QString skipHead = QueryTag::FieldArray2Tag(record);
    EXPECT_TRUE(QueryRules::FieldInRange(1, tablePart));
    EXPECT_FALSE(QueryRules::FieldInRange(2, tablePart));
    EXPECT_TRUE(QueryRules::FieldInRange(3, tablePart));
    EXPECT_TRUE(QueryRules::FieldInRange(2, skipHead));
    EXPECT_TRUE(QueryRules::FieldInRange(4, skipHead));
    EXPECT_FALSE(QueryRules::FieldInRange(4, tablePart));
    EXPECT_FALSE(QueryRules::FieldInRange(5, tablePart));
    EXPECT_TRUE(QueryRules::CheckedAfter(1, false));
    EXPECT_FALSE(QueryRules::CheckedAfter(2, true));
    EXPECT_TRUE(QueryRules::CheckedAfter(3, false));
    EXPECT_FALSE(QueryRules::CheckedAfter(3, true));
}
