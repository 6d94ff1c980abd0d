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

TEST_F(EditorInfosystem, articlesByPriceRangeAndUnitWithTheRequiredStockFirst)
{
    const QString articles = client.begin(u"EDI|0|GET|65|NUMSW|ARTBEST||"_s);
    ASSERT_FALSE(articles.isEmpty()) << client.last().join(u'\n').toStdString();
    // Price range and unit are parameters; the unit is chosen among the enumeration's texts.
    for (const QString& field : {u"abmin"_s, u"preisab"_s, u"preisbis"_s, u"einheit"_s})
        EXPECT_EQ(client.property(articles, u"0"_s, field, 5), u"1") << field.toStdString();
    EXPECT_EQ(client.property(articles, u"0"_s, u"einheit"_s, 7), u"A36");

    // The lowest stock must come first.
    EXPECT_FALSE(client.ok(u"SFV|%1|0|bstart||0"_s.arg(articles)));
    EXPECT_EQ(client.refusal(), 1227);

    ASSERT_TRUE(client.ok(u"SFV|%1|0|abmin|0|0"_s.arg(articles)));
    ASSERT_TRUE(client.ok(u"SFV|%1|0|preisab|100|0"_s.arg(articles)));
    ASSERT_TRUE(client.ok(u"SFV|%1|0|preisbis|200,50|0"_s.arg(articles)));
    ASSERT_TRUE(client.ok(u"SFV|%1|0|bstart||0"_s.arg(articles))) << client.last().join(u'\n').toStdString();
    const QList<QStringList> prices = client.records(u"GFV|%1|*|preis"_s.arg(articles));
    ASSERT_FALSE(prices.isEmpty());
    for (const QStringList& r : prices) {
        const double price = QString(r.value(2)).remove(u'.').replace(u',', u'.').toDouble();
        EXPECT_GE(price, 100.0) << r.value(2).toStdString();
        EXPECT_LE(price, 200.5) << r.value(2).toStdString();
    }

    // The unit narrows the same range further.
    ASSERT_TRUE(client.ok(u"SFV|%1|0|einheit|Kilogramm|0"_s.arg(articles)));
    ASSERT_TRUE(client.ok(u"SFV|%1|0|bstart||0"_s.arg(articles)));
    const QList<QStringList> kilos = client.records(u"GFV|%1|*|einheit(code)"_s.arg(articles));
    EXPECT_FALSE(kilos.isEmpty());
    EXPECT_LT(kilos.size(), prices.size());
    for (const QStringList& r : kilos)
        EXPECT_EQ(r.value(2), u"(kg)");
    EXPECT_EQ(client.value(articles, u"anzahl"_s), QString::number(kilos.size()));
}

TEST_F(EditorInfosystem, theFieldCatalogueOfAnInformationSystemListsItsMask)
{
    // The fields of an information system by its number, header fields and result columns.
    const QList<QStringList> fields = client.records(u"GFN|0|2||0|INFOSYS|0"_s);
    QStringList names;
    for (const QStringList& f : fields)
        names.append(f.value(0));
    for (const QString& name : {u"abmin"_s, u"preisab"_s, u"preisbis"_s, u"einheit"_s, u"bstart"_s, u"preis"_s})
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
}
