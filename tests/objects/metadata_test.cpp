// Column metadata of a query result: names from a field list, look-ups by name and position,
// and the columns the server described.
#include "KLVQueryMetaData.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QSharedPointer<KLVQueryFieldMetaData> column(const QString& origName, const QString& type = QString())
{
    auto c = QSharedPointer<KLVQueryFieldMetaData>::create();
    c->SetOrigName(origName);
    c->SetName(origName.section(u'(', 0, 0));
    c->SetERPType(type);
    return c;
}

} // namespace

TEST(QueryMetaData, NamesFromAListAreTrimmedAndFoundInAnyCaseAtTheirFirstPosition)
{
    KLVQueryMetaData md;
    md.InitFromList(u" A , b,A "_s);
    EXPECT_EQ(md.GetFieldNames(), (QStringList{u"A"_s, u"b"_s, u"A"_s}));
    EXPECT_EQ(md.GetFieldNumber(u"a"_s), 1);
    EXPECT_EQ(md.GetFieldNumber(u" B "_s), 2);
    EXPECT_EQ(md.GetFieldName(3), u"A"_s);
    EXPECT_EQ(md.GetFieldNumber(u"c"_s), 0);
    // The list comes back exactly as the query gave it.
    EXPECT_EQ(md.GetFieldList(), u" A , b,A "_s);
}

TEST(QueryMetaData, PositionsOutsideTheColumnsGiveNothing)
{
    KLVQueryMetaData md;
    md.InitFromList(u"nummer,name"_s);
    EXPECT_TRUE(md.GetFieldName(0).isEmpty());
    EXPECT_TRUE(md.GetFieldName(3).isEmpty());
    EXPECT_TRUE(md.GetFieldName(-1).isEmpty());
    EXPECT_EQ(md.GetFieldName(2), u"name"_s);
}

TEST(QueryMetaData, AnEmptyListHasOneUnnamedColumnThatNoNameFinds)
{
    KLVQueryMetaData md;
    md.InitFromList(QString());
    EXPECT_EQ(md.GetFieldNames(), QStringList{QString()});
    EXPECT_EQ(md.GetFieldNumber(QString()), 0);
    EXPECT_EQ(md.GetFieldNumber(u"x"_s), 0);
    EXPECT_TRUE(md.GetFieldList().isEmpty());

    KLVQueryMetaData fromArray;
    fromArray.InitFromArray({});
    EXPECT_EQ(fromArray.GetFieldNames(), QStringList{QString()});
}

TEST(QueryMetaData, NamesOnlyHaveNoColumnObjects)
{
    KLVQueryMetaData md;
    md.InitFromArray({u"nummer"_s, u" name"_s});
    EXPECT_TRUE(md.GetFieldMetaDataArray().isEmpty());
    EXPECT_FALSE(md.GetFieldMetaData(u"nummer"_s));
    // Built from an array, the list is the trimmed names joined.
    EXPECT_EQ(md.GetFieldList(), u"nummer,name"_s);
}

TEST(QueryMetaData, ServerColumnsNameTheResultByTheirOriginalNames)
{
    KLVQueryMetaData md;
    md.InitFromList(u"nummer,iverk(0),sabl(text)"_s);
    const KLVFieldMetaDataList columns{column(u"nummer"_s, u"I9"_s), column(u"iverk(0)"_s), column(u"sabl(text)"_s)};
    md.MergeServerMetaData(columns);
    EXPECT_EQ(md.GetFieldNames(), (QStringList{u"nummer"_s, u"iverk(0)"_s, u"sabl(text)"_s}));
    EXPECT_EQ(md.GetFieldNumber(u"SABL(TEXT)"_s), 3);
    EXPECT_EQ(md.GetFieldMetaData(u"nummer"_s), columns[0]);
    EXPECT_EQ(md.GetFieldMetaData(u"nummer"_s)->ERPType(), u"I9"_s);
    EXPECT_EQ(md.GetFieldMetaDataArray(), columns);
    EXPECT_FALSE(md.GetFieldMetaData(u"iverk"_s));
    // The list the query gave stays.
    EXPECT_EQ(md.GetFieldList(), u"nummer,iverk(0),sabl(text)"_s);
}

TEST(QueryMetaData, OneServerColumnIsAResultLikeAnyOther)
{
    KLVQueryMetaData md;
    md.MergeServerMetaData({column(u"name"_s)});
    ASSERT_TRUE(md.GetFieldMetaData(u"name"_s));
    EXPECT_EQ(md.GetFieldNumber(u"name"_s), 1);
    EXPECT_EQ(md.GetFieldList(), u"name"_s);
}

TEST(QueryFieldMetaData, ToStringShowsEveryAttribute)
{
    KLVQueryFieldMetaData f;
    f.SetOrigName(u"kunde^name"_s);
    f.SetName(u"name"_s);
    f.SetOutputName(u"Name"_s);
    f.SetDescription(u"Customer name"_s);
    f.SetIsTabField(true);
    f.SetLength(40);
    f.SetERPType(u"GL40"_s);
    EXPECT_EQ(f.ToString(), u"kunde^name: name=[name] outputName=[Name] descr=[Customer name] inTab=[True] "
                            u"length=[40] type=[GL40]"_s);
}
