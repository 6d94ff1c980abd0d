// The selection string of a query: which items are written, in which order, and what the
// effective table name is.
#include "KLVSelection.h"

#include <QVariant>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Selection, ANewSelectionWritesNothing)
{
    KLVSelection sel;
    EXPECT_TRUE(sel.SelString().isEmpty());
    EXPECT_TRUE(sel.KLVSelString().isEmpty());
    EXPECT_TRUE(sel.TableName().isEmpty());
    EXPECT_EQ(sel.AliveFlag(), int(aliveFlagAll));
    EXPECT_TRUE(sel.Ascending());
    EXPECT_TRUE(sel.AndJunction());
    EXPECT_TRUE(sel.Groups().isEmpty());
}

TEST(Selection, TableNameComesFromDatabaseAndGroupsUnlessSetItself)
{
    KLVSelection sel;
    sel.setDatabase(u"Kunde"_s);
    EXPECT_EQ(sel.TableName(), u"Kunde:"_s);
    sel.setGroup(u"Kunde"_s);
    EXPECT_EQ(sel.TableName(), u"Kunde:Kunde"_s);
    EXPECT_EQ(sel.Groups(), QStringList{u"Kunde"_s});
    sel.setGroups({u"G1"_s, u"G2"_s});
    EXPECT_EQ(sel.TableName(), u"Kunde:G1.G2"_s);

    sel.setKrit(u"nummer=5"_s);
    EXPECT_EQ(sel.KLVSelString(), u"Kunde:G1.G2,nummer=5"_s);
    // A table of its own wins over database and groups everywhere.
    sel.setTableName(u"1:1"_s);
    EXPECT_EQ(sel.TableName(), u"1:1"_s);
    EXPECT_EQ(sel.KLVSelString(), u"1:1,nummer=5"_s);
    sel.setKrit(QString());
    EXPECT_EQ(sel.KLVSelString(), u"1:1"_s);
}

TEST(Selection, ItemsComeInFixedOrderWithConditionsLast)
{
    KLVSelection sel;
    sel.setKey(u"K"_s);
    sel.setAscending(false);
    sel.setAndJunction(false);
    sel.setAliveFlag(aliveFlagAlive);
    sel.setKrit(u"C"_s);
    EXPECT_EQ(sel.SelString(), u"@sort=K;@richtung=rueckw;@verkn=oder;@ablageart=lebendig;C"_s);
    sel.setByRows(true);
    EXPECT_EQ(sel.SelString(), u"@sort=K;@richtung=rueckw;@verkn=oder;@zeilen=ja;@ablageart=lebendig;C"_s);
}

TEST(Selection, AnExplicitOrderReplacesTheDirection)
{
    KLVSelection sel;
    sel.setAscending(false);
    sel.AddOrder(u"name"_s);
    sel.AddOrder(u"ort"_s, false);
    EXPECT_EQ(sel.Order(), u"name.vorw,ort.rueckw"_s);
    EXPECT_EQ(sel.SelString(), u"@ordnung=name.vorw,ort.rueckw"_s);
}

TEST(Selection, StorageKindWordsAndValuesWithoutOne)
{
    KLVSelection sel;
    const std::pair<int, QString> words[] = {{0, u"@ablageart=programmintern"_s},
                                             {1, u"@ablageart=lebendig"_s},
                                             {2, u"@ablageart=abgelegt"_s},
                                             {3, u"@ablageart=beides"_s},
                                             {9, QString()},
                                             {5, QString()},
                                             {-1, QString()}};
    for (const auto& [flag, text] : words) {
        sel.setAliveFlag(flag);
        EXPECT_EQ(sel.AliveFlag(), flag);
        EXPECT_EQ(sel.SelString(), text) << flag;
    }
}

TEST(Selection, AppendKritAddsASeparatorEvenToNothing)
{
    KLVSelection sel;
    sel.AppendKrit(u"a=1"_s);
    EXPECT_EQ(sel.Krit(), u";a=1"_s);
    sel.AppendKrit(QString());
    EXPECT_EQ(sel.Krit(), u";a=1;"_s);
    sel.setKey(u"K"_s);
    EXPECT_EQ(sel.SelString(), u"@sort=K;;a=1;"_s);
}

TEST(Selection, SetSelectionPutsLeftOutArgumentsBackToDefaults)
{
    KLVSelection sel;
    sel.setTableName(u"2:1"_s);
    sel.SetSelection(u"x=1"_s, u"K"_s, true, aliveFlagBoth, false, false, u"a.vorw"_s);
    EXPECT_EQ(sel.SelString(), u"@sort=K;@ordnung=a.vorw;@verkn=oder;@zeilen=ja;@ablageart=beides;x=1"_s);
    sel.SetSelection(u"y=2"_s);
    EXPECT_TRUE(sel.Key().isEmpty());
    EXPECT_TRUE(sel.Order().isEmpty());
    EXPECT_FALSE(sel.ByRows());
    EXPECT_TRUE(sel.Ascending());
    EXPECT_TRUE(sel.AndJunction());
    EXPECT_EQ(sel.AliveFlag(), int(aliveFlagAll));
    EXPECT_EQ(sel.KLVSelString(), u"2:1,y=2"_s);
}

TEST(Selection, ToStringAllFieldsListsEveryLabel)
{
    KLVSelection sel;
    EXPECT_EQ(sel.ToStringAllFields(), u"TableName= Database= Groups= Krit= Key= Order= Ascending=True "
                                       u"AndJunction=True ByRows=False AliveFlag=9"_s);
    sel.setDatabase(u"D"_s);
    sel.setGroups({u"A"_s, u"B"_s});
    sel.setAliveFlag(2);
    EXPECT_EQ(sel.ToStringAllFields(), u"TableName=D:A.B Database=D Groups=A.B Krit= Key= Order= Ascending=True "
                                       u"AndJunction=True ByRows=False AliveFlag=2"_s);
}

TEST(Selection, PropertiesAreReachedByName)
{
    KLVSelection sel;
    EXPECT_TRUE(sel.setProperty("TableName", u"1:1"_s));
    EXPECT_TRUE(sel.setProperty("Group", u"G"_s));
    EXPECT_TRUE(sel.setProperty("AliveFlag", int(aliveFlagFiled)));
    EXPECT_EQ(sel.property("KLVSelString").toString(), u"1:1,@ablageart=abgelegt"_s);
    EXPECT_EQ(sel.property("Groups").toStringList(), QStringList{u"G"_s});
}
