// Table rows inserted, deleted and moved in an edit transaction, and sub-editors, over the wire.
#include "editor_client.h"

#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

class EditorRows : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    // One column of every row, in row order.
    QStringList column(const QString& tid, const QString& field, int column = 3)
    {
        QStringList result;
        for (const QStringList& r : client.records(u"GFV|%1|*|%2"_s.arg(tid, field)))
            result.append(r.value(column - 1));
        return result;
    }
    bool ok(const QString& tid, const QString& pattern) { return client.ok(QString(pattern).replace(u"@"_s, tid)); }
    EditorClient client;
};

TEST_F(EditorRows, RowsMovedInsertedAndDeletedKeepTheirOwnValuesAndAreStoredInOrder)
{
    const QString tid = client.begin(u"UPD|0|3|NUMSW|AU50004"_s);
    ASSERT_FALSE(tid.isEmpty());
    ASSERT_EQ(column(tid, u"pos"_s), (QStringList{u"10"_s, u"20"_s, u"30"_s, u"40"_s, u"50"_s}));

    ASSERT_TRUE(ok(tid, u"RMV|@|2|5"_s));
    EXPECT_EQ(column(tid, u"pos"_s), (QStringList{u"10"_s, u"30"_s, u"40"_s, u"50"_s, u"20"_s}));
    // The value when editing began goes with the row: a moved row is not a changed one.
    EXPECT_EQ(column(tid, u"pos"_s, 4), (QStringList{u"10"_s, u"30"_s, u"40"_s, u"50"_s, u"20"_s}));
    EXPECT_EQ(column(tid, u"pos"_s, 6), QStringList(5, u"0"_s));
    EXPECT_EQ(client.status(tid, u"MODIFIED"_s), u"1");

    ASSERT_TRUE(ok(tid, u"RIN|@|2"_s));
    ASSERT_TRUE(ok(tid, u"RIN|@|"_s));
    EXPECT_EQ(column(tid, u"pos"_s), (QStringList{u"10"_s, {}, u"30"_s, u"40"_s, u"50"_s, u"20"_s, {}}));
    EXPECT_EQ(client.status(tid, u"NUMROWS"_s), u"7");
    ASSERT_TRUE(ok(tid, u"RDL|@|6-7"_s));
    ASSERT_TRUE(ok(tid, u"RMV|@|1,3|4"_s));
    EXPECT_EQ(column(tid, u"pos"_s), (QStringList{{}, u"40"_s, u"50"_s, u"10"_s, u"30"_s}));
    EXPECT_EQ(column(tid, u"zn"_s, 1), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));

    // One value into every row, one into the last.
    ASSERT_TRUE(ok(tid, u"SFV|@|*|menge|4|0"_s));
    ASSERT_TRUE(ok(tid, u"SFV|@|LAST|menge|9|0"_s));
    EXPECT_EQ(column(tid, u"menge"_s), (QStringList{u"4"_s, u"4"_s, u"4"_s, u"4"_s, u"9"_s}));

    ASSERT_TRUE(ok(tid, u"COM|@"_s));
    const QString viewed = client.begin(u"VIE|0|3|NUMSW|AU50004"_s);
    EXPECT_EQ(column(viewed, u"pos"_s), (QStringList{{}, u"40"_s, u"50"_s, u"10"_s, u"30"_s}));
    EXPECT_EQ(column(viewed, u"menge"_s), (QStringList{u"4"_s, u"4"_s, u"4"_s, u"4"_s, u"9"_s}));
}

TEST_F(EditorRows, RowRequestsThatNameNoRowOrNoTablePartAreRefused)
{
    const QString tid = client.begin(u"UPD|0|3|NUMSW|AU50004"_s);
    ASSERT_FALSE(tid.isEmpty());
    struct Case
    {
        QString line;
        int number;
    };
    for (const Case& c : QList<Case>{{u"RIN|@|7"_s, 1209},
                                     {u"RIN|@|*"_s, 1210},
                                     {u"RDL|@|0"_s, 1210},
                                     {u"RDL|@|4-9"_s, 1209},
                                     {u"RMV|@|x|1"_s, 1210},
                                     {u"RMV|@|1|6"_s, 1221},
                                     {u"RMV|@|1,2|5"_s, 1221},
                                     {u"SFV|@|0|menge|1|0"_s, 1102},
                                     {u"SFV|@|6|menge|1|0"_s, 1209}}) {
        EXPECT_FALSE(ok(tid, c.line)) << c.line.toStdString();
        EXPECT_EQ(client.refusal(), c.number) << c.line.toStdString();
    }
    EXPECT_EQ(client.status(tid, u"NUMROWS"_s), u"5"); // nothing of it changed the rows
    EXPECT_TRUE(client.records(u"GFV|%1|9|pos"_s.arg(tid)).isEmpty());
    EXPECT_TRUE(client.last().last().startsWith(u"EOD|")); // no such row: no record, no refusal
    ASSERT_TRUE(ok(tid, u"RDL|@|*"_s));
    EXPECT_EQ(client.status(tid, u"NUMROWS"_s), u"0");

    const QString customer = client.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    EXPECT_FALSE(ok(customer, u"RIN|@|"_s));
    EXPECT_EQ(client.refusal(), 1208);
    const QString viewed = client.begin(u"VIE|0|3|NUMSW|AU50003"_s);
    EXPECT_FALSE(ok(viewed, u"RDL|@|1"_s));
    EXPECT_EQ(client.refusal(), 1203);
}

TEST_F(EditorRows, ASubEditorChangesItsParentOnlyWhenItIsSaved)
{
    const QString parent = client.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    ASSERT_FALSE(parent.isEmpty());
    const QString before = client.value(parent, u"iban"_s);
    const QString sub = client.begin(u"SUB|0|%1||banktaste"_s.arg(parent));
    ASSERT_FALSE(sub.isEmpty()) << client.last().join(u'\n').toStdString();
    EXPECT_NE(sub, parent);
    EXPECT_EQ(client.status(sub, u"SCRNR"_s), u"2");
    EXPECT_EQ(client.status(sub, u"HASTABLE"_s), u"0");
    QStringList names;
    for (const QStringList& r : client.records(u"GFV|%1|0|"_s.arg(sub)))
        names.append(r.value(1));
    EXPECT_EQ(names, (QStringList{u"bank"_s, u"iban"_s, u"bic"_s}));
    EXPECT_EQ(client.property(sub, u"0"_s, u"ort"_s, 7), u"-");

    ASSERT_TRUE(ok(sub, u"SFV|@|0|iban|DE00 1234|0"_s));
    EXPECT_EQ(client.value(parent, u"iban"_s), before);
    EXPECT_FALSE(ok(parent, u"COM|@"_s));
    EXPECT_EQ(client.refusal(), 1214);
    ASSERT_TRUE(ok(sub, u"COM|@"_s));
    EXPECT_EQ(client.value(parent, u"iban"_s), u"DE00 1234");
    ASSERT_TRUE(ok(parent, u"COM|@"_s));
    EXPECT_EQ(client.value(client.begin(u"VIE|0|1|NUMSW|MEIER"_s), u"iban"_s), u"DE00 1234");
}

TEST_F(EditorRows, SubEditorsNeedAnOpenParentAndASubScreenButtonAndEndWithTheirParent)
{
    const QString parent = client.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    EXPECT_TRUE(client.begin(u"SUB|0|%1||ort"_s.arg(parent)).isEmpty());
    EXPECT_EQ(client.refusal(), 1215);
    EXPECT_TRUE(client.begin(u"SUB|0|999||banktaste"_s).isEmpty());
    EXPECT_EQ(client.refusal(), 1201);

    const QString sub = client.begin(u"SUB|0|%1||banktaste"_s.arg(parent));
    ASSERT_TRUE(ok(sub, u"SFV|@|0|bank|Irgendeine|0"_s));
    ASSERT_TRUE(ok(parent, u"CAN|@"_s));
    EXPECT_EQ(client.status(sub, u"STATE"_s), u"CANCELLED");
    EXPECT_FALSE(ok(sub, u"COM|@"_s));

    // A sub-editor of a transaction that only looks cannot change anything either.
    const QString viewed = client.begin(u"VIE|0|1|NUMSW|MEIER"_s);
    const QString viewSub = client.begin(u"SUB|0|%1|0|banktaste"_s.arg(viewed));
    ASSERT_FALSE(viewSub.isEmpty());
    EXPECT_FALSE(ok(viewSub, u"SFV|@|0|bank|Irgendeine|0"_s));
    EXPECT_EQ(client.refusal(), 1203);
}
