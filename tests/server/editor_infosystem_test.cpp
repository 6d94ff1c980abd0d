// An information system run through the editor: opened with a "get", its header fields set,
// its start button pressed, its result rows read as the table part.
#include "editor_client.h"

#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

class EditorInfosystem : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
        tid = client.begin(u"EDI|0|GET|65|NUMSW|1||"_s);
        ASSERT_FALSE(tid.isEmpty()) << client.last().join(u'\n').toStdString();
    }
    EditorClient client;
    QString tid;
};

TEST_F(EditorInfosystem, HeaderFieldsComeFromTheDefinitionAndOnlyParametersAndButtonsCanChange)
{
    EXPECT_EQ(client.status(tid, u"TATYPE"_s), u"EDIT");
    EXPECT_EQ(client.status(tid, u"STATE"_s), u"ACTIVE");
    EXPECT_EQ(client.status(tid, u"HASTABLE"_s), u"1");
    const QList<QStringList> head =
        client.records(u"GFV|%1|0|num65,such65,name,ort,kat,bstart,anzahl,intern,umsatz"_s.arg(tid));
    ASSERT_EQ(head.size(), 9);
    QStringList values, modifiable, types;
    for (const QStringList& r : head) {
        values.append(r.value(2));
        modifiable.append(r.value(4));
        types.append(r.value(6));
    }
    EXPECT_EQ(values.mid(0, 3), (QStringList{u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s}));
    EXPECT_EQ(modifiable.mid(3, 5), (QStringList{u"1"_s, u"1"_s, u"1"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(types.mid(3), (QStringList{u"GL30"_s, u"A131"_s, u"BU1"_s, u"I6"_s, u"GL10"_s, u"-"_s}));

    // A result column may share its name with a header field; the row tells them apart.
    EXPECT_EQ(client.property(tid, u"*"_s, u"ort"_s, 7), u"<no record>"); // no rows before a run
    EXPECT_FALSE(client.ok(u"SFV|%1|0|anzahl|5|0"_s.arg(tid)));
    EXPECT_EQ(client.refusal(), 1204);
    EXPECT_FALSE(client.ok(u"SFV|%1|0|kat|99|0"_s.arg(tid)));
    EXPECT_EQ(client.refusal(), 1115);
}

TEST_F(EditorInfosystem, TheStartButtonRunsItWithTheHeaderValuesIntoTheTablePart)
{
    for (const QString& city : {u"Berlin"_s, u"Hamburg"_s}) {
        ASSERT_TRUE(client.ok(u"SFV|%1|0|ort|%2|0"_s.arg(tid, city)));
        EXPECT_EQ(client.value(tid, u"ort"_s), city);
        ASSERT_TRUE(client.ok(u"SFV|%1|0|bstart||0"_s.arg(tid))) << client.last().join(u'\n').toStdString();
        // A second run replaces the rows of the first; the header reports on the run.
        const int rows = client.status(tid, u"NUMROWS"_s).toInt();
        EXPECT_GT(rows, 0) << city.toStdString();
        EXPECT_EQ(client.value(tid, u"anzahl"_s), QString::number(rows));
        EXPECT_EQ(client.records(u"GFV|%1|*|nummer,ort"_s.arg(tid)).size(), rows * 2);
        for (const QStringList& r : client.records(u"GFV|%1|*|ort"_s.arg(tid)))
            EXPECT_EQ(r.value(2), city);
    }

    // Ending it: a cancel, after which the editor is no longer active.
    ASSERT_TRUE(client.ok(u"CAN|"_s + tid));
    EXPECT_EQ(client.status(tid, u"STATE"_s), u"CANCELLED");
    EXPECT_TRUE(client.begin(u"EDI|0|GET|65|NUMSW|NIRGENDS||"_s).isEmpty());
    EXPECT_EQ(client.refusal(), 1118);
}
