// The record a list row keeps in its tag, the query field name of a field row, the truth of
// catalogue texts, and the criteria a selection template's rows make.
#include "MainModul.h"
#include "QueryRules.h"
#include "QueryTag.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(QueryTag, fieldsKeepTheirPositionsEmptyOnesToo)
{
    const QString tag = QueryTag::FieldArray2Tag({u"a"_s, QString(), u"c"_s});
    EXPECT_EQ(tag, u"a\t\tc"_s);
    EXPECT_EQ(QueryTag::Tag2Field(tag, 1), u"a"_s);
    EXPECT_EQ(QueryTag::Tag2Field(tag, 2), QString());
    EXPECT_EQ(QueryTag::Tag2Field(tag, 3), u"c"_s);
    EXPECT_EQ(QueryTag::Tag2Field(tag, 4), QString());
    EXPECT_EQ(QueryTag::Tag2Field(tag, 0), QString());
    EXPECT_EQ(QueryTag::Tag2Field(QString(), 1), QString());
}

TEST(QueryTag, aFieldRowsQueryNameIsItsPartFlagAndItsNameInTheTable)
{
    QStringList record(23);
    record[0] = u"kundennr"_s;
    record[5] = u"1"_s;
    record[13] = u"nummer"_s;
    EXPECT_EQ(QueryTag::FieldTag2QueryFldName(QueryTag::FieldArray2Tag(record)), u"1:nummer"_s);
}

TEST(QueryTag, catalogueTextsReadAsTruthWithoutFailing)
{
    App().ErpTrueText = u"ja"_s;
    EXPECT_TRUE(QueryTag::ToBool(u"1"_s));
    EXPECT_TRUE(QueryTag::ToBool(u"-1"_s));
    EXPECT_TRUE(QueryTag::ToBool(u"True"_s));
    EXPECT_TRUE(QueryTag::ToBool(u"ja"_s));
    EXPECT_FALSE(QueryTag::ToBool(u"0"_s));
    EXPECT_FALSE(QueryTag::ToBool(QString()));
    EXPECT_FALSE(QueryTag::ToBool(u"vielleicht"_s));
    EXPECT_EQ(QueryTag::Val(u" 12abc"_s), 12);
    EXPECT_EQ(QueryTag::Val(u"x"_s), 0);
}

TEST(QueryRules, templateRowsJoinTheirCriteria)
{
    QString criteria;
    QueryRules::AppendTemplateCriterion(criteria, u"ort"_s, QString(), u"Berlin"_s);
    QueryRules::AppendTemplateCriterion(criteria, QString(), u"kategorie"_s, u"1"_s);
    QueryRules::AppendTemplateCriterion(criteria, u"land"_s, QString(), QString());
    QueryRules::AppendTemplateCriterion(criteria, QString(), QString(), u"ignoriert"_s);
    QueryRules::AppendTemplateCriterion(criteria, u"plz"_s, u"vname"_s, u"1*"_s);
    EXPECT_EQ(criteria, u"ort=Berlin;kategorie=1;plz=1*"_s);
}
