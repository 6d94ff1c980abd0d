// Edit transactions over the wire: creating, changing, copying and deleting records, what
// later sessions see, records held while opened for change, and the transaction status.
#include "editor_client.h"

#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

class EditorRecords : public KlvServerFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions o;
        o.generatedRows = 10; // a read-only generated table "90:1"
        return o;
    }
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(first.connectTo(port()));
        ASSERT_TRUE(first.logOn(u"100"_s, u"admin"_s, u"secret"_s));
        ASSERT_TRUE(second.connectTo(port()));
        ASSERT_TRUE(second.logOn(u"100"_s, u"demo"_s, u"demo"_s));
    }
    EditorClient first;
    EditorClient second;
};

TEST_F(EditorRecords, ANewRecordIsStoredOnSaveAndSeenByEverySession)
{
    const QString tid = first.begin(u"NEW|0|1|EMPTY|"_s);
    ASSERT_FALSE(tid.isEmpty()) << first.last().join(u'\n').toStdString();
    EXPECT_NE(tid, u"0");
    EXPECT_EQ(first.status(tid, u"REF"_s), u"(0,0,0)");
    ASSERT_TRUE(first.ok(u"SFV|%1|0|name|Neukunde \\| Test|0"_s.arg(tid)));
    ASSERT_TRUE(first.ok(u"SFV|%1|0|such|NEUKUNDE|0"_s.arg(tid)));
    EXPECT_EQ(first.status(tid, u"MODIFIED"_s), u"1");

    ASSERT_TRUE(first.ok(u"COM|"_s + tid));
    ASSERT_EQ(first.last().size(), 2);
    EXPECT_TRUE(first.last().at(0).startsWith(u"S|%1|Datensatz gespeichert|"_s.arg(tid)));
    // The transaction has ended but still tells what it made.
    EXPECT_EQ(first.status(tid, u"STATE"_s), u"SAVED");
    const QString ref = first.status(tid, u"REF"_s);
    const QString number = first.status(tid, u"NUM"_s);
    EXPECT_EQ(ref, u"(1,1,121)");
    EXPECT_EQ(number, u"10121");

    const QString viewed = second.begin(u"VIE|0|1|NUMSW|%1"_s.arg(number));
    ASSERT_FALSE(viewed.isEmpty());
    EXPECT_EQ(second.value(viewed, u"name"_s), u"Neukunde | Test");
    EXPECT_EQ(second.status(viewed, u"REF"_s), ref);
    EXPECT_FALSE(second.begin(u"VIE|0||REF|"_s + ref).isEmpty());
}

TEST_F(EditorRecords, AChangeReachesOthersOnlyWhenSavedAndACancelLeavesNoTrace)
{
    const QString tid = first.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    ASSERT_FALSE(tid.isEmpty());
    ASSERT_TRUE(first.ok(u"SFV|%1|0|ort|Potsdam|0"_s.arg(tid)));
    const QString look = second.begin(u"VIE|0|1|NUMSW|MEIER"_s);
    const QString before = second.value(look, u"ort"_s);
    EXPECT_NE(before, u"Potsdam");
    ASSERT_TRUE(first.ok(u"COM|"_s + tid));
    EXPECT_EQ(second.value(second.begin(u"VIE|0|1|NUMSW|MEIER"_s), u"ort"_s), u"Potsdam");

    const QString again = first.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    ASSERT_TRUE(first.ok(u"SFV|%1|0|ort|Rostock|0"_s.arg(again)));
    ASSERT_TRUE(first.ok(u"CAN|"_s + again));
    EXPECT_EQ(first.status(again, u"STATE"_s), u"CANCELLED");
    EXPECT_FALSE(first.ok(u"SFV|%1|0|ort|Rostock|0"_s.arg(again)));
    EXPECT_EQ(first.refusal(), 1202);
    EXPECT_EQ(second.value(second.begin(u"VIE|0|1|NUMSW|MEIER"_s), u"ort"_s), u"Potsdam");
}

TEST_F(EditorRecords, ACopyTakesHeadAndRowsButNotTheNumber)
{
    const QString tid = first.begin(u"NEW|0|3|NUMSW|AU50004"_s);
    ASSERT_FALSE(tid.isEmpty()) << first.last().join(u'\n').toStdString();
    EXPECT_EQ(first.status(tid, u"NUMROWS"_s), u"5");
    EXPECT_EQ(first.value(tid, u"nummer"_s), u"");
    const QString template_ = second.begin(u"VIE|0|3|NUMSW|AU50004"_s);
    EXPECT_EQ(first.value(tid, u"preis"_s, u"3"_s), second.value(template_, u"preis"_s, u"3"_s));
    ASSERT_TRUE(first.ok(u"COM|"_s + tid));
    const QString number = first.status(tid, u"NUM"_s);
    EXPECT_EQ(number, u"50401");
    const QString copy = second.begin(u"VIE|0|3|NUMSW|"_s + number);
    EXPECT_EQ(second.status(copy, u"NUMROWS"_s), u"5");
    EXPECT_EQ(second.value(copy, u"kunde"_s), second.value(template_, u"kunde"_s));
}

TEST_F(EditorRecords, ADeletionCannotChangeAnythingAndRemovesTheRecordOnSave)
{
    const QString tid = first.begin(u"DEL|0|1|NUMSW|CELIK"_s);
    ASSERT_FALSE(tid.isEmpty());
    EXPECT_FALSE(first.ok(u"SFV|%1|0|ort|Bonn|0"_s.arg(tid)));
    EXPECT_EQ(first.refusal(), 1203);
    EXPECT_EQ(first.property(tid, u"0"_s, u"ort"_s, 5), u"0"); // not modifiable
    EXPECT_FALSE(first.ok(u"SAV|"_s + tid));
    EXPECT_EQ(first.refusal(), 1219);
    ASSERT_TRUE(first.ok(u"COM|"_s + tid));
    EXPECT_TRUE(first.last().at(0).contains(u"Datensatz gelöscht"));
    EXPECT_TRUE(second.begin(u"VIE|0|1|NUMSW|CELIK"_s).isEmpty());
    EXPECT_EQ(second.refusal(), 1106);
}

TEST_F(EditorRecords, ARecordOpenForChangeIsRefusedToASecondSessionUntilReleased)
{
    const QString held = first.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    ASSERT_FALSE(held.isEmpty());
    ASSERT_TRUE(second.ok(u"SET|0|LOCKBEHAVIOR|NOWAIT"_s));
    EXPECT_TRUE(second.begin(u"UPD|0|1|NUMSW|MEIER"_s).isEmpty());
    EXPECT_EQ(second.refusal(), 1009);
    EXPECT_TRUE(second.begin(u"DEL|0||REF|(1,1,2)"_s).isEmpty());
    EXPECT_TRUE(second.last().last().contains(u"(1,1,2)"));
    // Looking is not changing; another record is free; the same session cannot open it twice.
    EXPECT_FALSE(second.begin(u"VIE|0|1|NUMSW|MEIER"_s).isEmpty());
    EXPECT_FALSE(second.begin(u"UPD|0|1|NUMSW|CELIK"_s).isEmpty());
    EXPECT_TRUE(first.begin(u"UPD|0|1|NUMSW|MEIER"_s).isEmpty());
    EXPECT_EQ(first.refusal(), 1206);

    ASSERT_TRUE(first.ok(u"COM|"_s + held));
    EXPECT_FALSE(second.begin(u"UPD|0|1|NUMSW|MEIER"_s).isEmpty());
}

TEST_F(EditorRecords, AWaitForAHeldRecordEndsWhenItIsReleasedBrokenOrItsHolderLeaves)
{
    const QString held = first.begin(u"UPD|0|1|NUMSW|MEIER"_s);
    ASSERT_FALSE(held.isEmpty());
    ASSERT_TRUE(second.ok(u"SET|0|LOCKBEHAVIOR|WAIT"_s));

    second.sendLine(u"UPD|0|1|NUMSW|MEIER"_s);
    EXPECT_TRUE(second.readLine().startsWith(u"S|0|Der Datensatz (1,1,2) wird in Sitzung"));
    EXPECT_TRUE(second.readRawLine(300).isNull()); // waiting
    ASSERT_TRUE(first.ok(u"CAN|"_s + held));
    const QStringList granted = second.readAnswer();
    ASSERT_EQ(granted.size(), 1);
    ASSERT_TRUE(granted[0].startsWith(u"ACK|"));
    const QString secondTid = granted[0].mid(4);
    EXPECT_EQ(second.status(secondTid, u"STATE"_s), u"ACTIVE");

    // Now the first session waits, and breaks off.
    ASSERT_TRUE(first.ok(u"SET|0|LOCKBEHAVIOR|WAIT:60"_s));
    first.sendLine(u"UPD|0|1|NUMSW|MEIER"_s);
    EXPECT_TRUE(first.readLine().startsWith(u"S|0|"));
    first.sendLine(u"BRQ|0"_s);
    const QStringList broken = first.readAnswer();
    ASSERT_EQ(broken.size(), 1);
    EXPECT_TRUE(broken[0].startsWith(u"NAK|0|Request \"UPD\" broken off by BRQ|1011|"));

    // And waits again, until the holder's connection ends.
    first.sendLine(u"UPD|0|1|NUMSW|MEIER"_s);
    EXPECT_TRUE(first.readLine().startsWith(u"S|0|"));
    second.sendLine(u"END|0"_s);
    EXPECT_TRUE(first.readAnswer().value(0).startsWith(u"ACK|"));
}

TEST_F(EditorRecords, OpeningIsRefusedForWhatCannotBeFoundOrChanged)
{
    struct Case
    {
        QString line;
        int number;
    };
    const QList<Case> cases = {
        {u"UPD|0|77|NUMSW|1"_s, 1105},
        {u"UPD|0|1|NUMSW|NIEMAND"_s, 1106},
        {u"UPD|0||REF|(1,1,999)"_s, 1106},
        {u"UPD|0||REF|kein Verweis"_s, 1106},
        {u"UPD|0|1|SOMEHOW|MEIER"_s, 1217},
        {u"UPD|0|1|NUMSW|"_s, 1218},
        {u"UPD|0|90|NUMSW|3"_s, 1207},
        {u"NEW|0|1:7|EMPTY|"_s, 1226},
        {u"EDI|0|INVOICE|3|NUMSW|AU50001||"_s, 1211},
        {u"EDI|0|DO|RECALC||x||"_s, 1223},
        {u"EDI|0|COPY|1|EMPTY|||"_s, 1218},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(first.begin(c.line).isEmpty()) << c.line.toStdString();
        EXPECT_EQ(first.refusal(), c.number) << c.line.toStdString();
    }
    // A generated table can be looked at.
    const QString viewed = first.begin(u"VIE|0|90|NUMSW|3"_s);
    ASSERT_FALSE(viewed.isEmpty());
    EXPECT_EQ(first.value(viewed, u"nummer"_s), u"3");
}

TEST_F(EditorRecords, GeneralEditActionsMapOntoTheTransactionKinds)
{
    const QString update = first.begin(u"EDI|0|MODIFY|1|NUMSW|MEIER|menu|param"_s);
    ASSERT_FALSE(update.isEmpty());
    EXPECT_EQ(first.property(update, u"0"_s, u"ort"_s, 5), u"1");
    ASSERT_TRUE(first.ok(u"CAN|"_s + update));

    const QString got = first.begin(u"EDI|0|GET|1|NUMSW|MEIER||"_s);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(first.property(got, u"0"_s, u"ort"_s, 5), u"0"); // a GET outside the information systems only looks

    const QString stored = first.begin(u"EDI|0|STORE|4|EMPTY|||"_s);
    ASSERT_FALSE(stored.isEmpty());
    ASSERT_TRUE(first.ok(u"SFV|%1|0|name|Neu|0"_s.arg(stored)));
    ASSERT_TRUE(first.ok(u"COM|"_s + stored));
    EXPECT_EQ(first.status(stored, u"EDITDBNR"_s), u"4");
    EXPECT_NE(first.status(stored, u"REF"_s), u"(0,0,0)");
}

TEST_F(EditorRecords, StatusOfATransactionAndOfNone)
{
    EXPECT_EQ(first.status(u"0"_s, u"TATYPE"_s), u"NONE");
    EXPECT_EQ(first.status(u"0"_s, u"NUMROWS"_s), u"0");
    EXPECT_TRUE(first.records(u"GTS|4711|TATYPE"_s).isEmpty());
    EXPECT_EQ(first.refusal(), 1201);

    const QString tid = first.begin(u"UPD|0|3|NUMSW|AU50004"_s);
    ASSERT_FALSE(tid.isEmpty());
    EXPECT_EQ(first.status(tid, u"TATYPE"_s), u"EDIT");
    EXPECT_EQ(first.status(tid, u"state"_s), u"ACTIVE");
    EXPECT_EQ(first.status(tid, u"HASTABLE"_s), u"1");
    EXPECT_EQ(first.status(tid, u"NUMROWS"_s), u"5");
    EXPECT_EQ(first.status(tid, u"REF"_s), u"(3,1,4)");
    EXPECT_EQ(first.status(tid, u"NUM"_s), u"50004");
    EXPECT_EQ(first.status(tid, u"EDITDBNR"_s) + u':' + first.status(tid, u"EDITGRPNR"_s), u"3:1");
    EXPECT_EQ(first.status(tid, u"SCRNR"_s), u"1");
    EXPECT_EQ(first.status(tid, u"MODIFIED"_s), u"0");
    first.value(tid, u"menge"_s, u"3"_s);
    EXPECT_EQ(first.status(tid, u"ROW"_s), u"3");
    EXPECT_TRUE(first.records(u"GTS|%1|COLOUR"_s.arg(tid)).isEmpty());
    EXPECT_EQ(first.refusal(), 1212);
    // Another session's transaction is not this one's.
    EXPECT_TRUE(second.records(u"GTS|%1|STATE"_s.arg(tid)).isEmpty());
    EXPECT_EQ(first.status(u"0"_s, u"HASTABLE"_s), u"0");
}

TEST_F(EditorRecords, SaveAndReloadKeepsANewRecordOpenAndHeld)
{
    const QString tid = first.begin(u"NEW|0|2|EMPTY|"_s);
    ASSERT_TRUE(first.ok(u"SFV|%1|0|name|Zwinge|0"_s.arg(tid)));
    ASSERT_TRUE(first.ok(u"SAV|"_s + tid));
    EXPECT_EQ(first.status(tid, u"STATE"_s), u"ACTIVE");
    EXPECT_EQ(first.status(tid, u"MODIFIED"_s), u"0");
    const QString ref = first.status(tid, u"REF"_s);
    EXPECT_EQ(ref, u"(2,1,261)");
    ASSERT_TRUE(second.ok(u"SET|0|LOCKBEHAVIOR|NOWAIT"_s));
    EXPECT_TRUE(second.begin(u"UPD|0||REF|"_s + ref).isEmpty());
    ASSERT_TRUE(first.ok(u"SFV|%1|0|name|Schraubzwinge|0"_s.arg(tid)));
    ASSERT_TRUE(first.ok(u"COM|"_s + tid));
    const QString changed = second.begin(u"UPD|0||REF|"_s + ref);
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(second.value(changed, u"name"_s), u"Schraubzwinge");
}
