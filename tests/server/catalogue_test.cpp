// The catalogue commands of the sample ERP, over the wire: what each list holds, the columns
// the client's field-index enumerations number, the metadata lines, blocks, and refusals.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"
#include "KlvWire.h"

using namespace Qt::StringLiterals;

// Failures show the texts, not their bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {
// The records of an answer: "D" lines with their "DC" continuations, split into fields.
QList<QStringList> records(const QStringList& answer)
{
    QList<QString> texts;
    for (const QString& line : answer) {
        const QString code = line.section(u'|', 0, 0);
        const QString rest = line.section(u'|', 2);
        if (code == u"D")
            texts.append(rest);
        else if (code == u"DC" && !texts.isEmpty())
            texts.last() += rest;
    }
    QList<QStringList> result;
    for (const QString& t : texts)
        result.append(KlvWire::splitFields(t));
    return result;
}

QStringList metadata(const QStringList& answer, const QString& keyword)
{
    for (const QString& line : answer) {
        const QStringList f = KlvWire::splitFields(line);
        if (f.value(0) == u"DM" && f.value(2) == keyword)
            return f.mid(3);
    }
    return {};
}

} // namespace

class Catalogue : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    QList<QStringList> rowsOf(const QString& line) { return records(client.request(line)); }
    KlvLineClient client;
};

TEST_F(Catalogue, everyListHasTheColumnsTheClientNumbersAndDescribesThem)
{
    const struct
    {
        const char* line;
        int columns;
    } lists[] = {
        {"GDN|0||1", 6},          {"GGN|0|1|ALL|1", 18},        {"GAZ|0||HEAD|0|1", 10},
        {"GAZ|0|A48|POS|0|1", 5}, {"GMT|0|cc|5406|D||0|1", 4},  {"GRI|0|P1:1|1", 6},
        {"GTN|0||0|1", 12},       {"GFN|0|1:1||0|QUERY|1", 23}, {"GKN|0|1:1||0|1", 16},
        {"GIS|0|||ALL|0|1", 8},
    };
    for (const auto& l : lists) {
        const QStringList answer = client.request(QString::fromUtf8(l.line));
        const QList<QStringList> rows = records(answer);
        ASSERT_FALSE(rows.isEmpty()) << l.line;
        for (const QStringList& r : rows)
            EXPECT_EQ(r.size(), l.columns) << l.line << ": " << qPrintable(r.join(u'|'));
        // The client names the columns by ORIGNAME; the types say which are Booleans.
        EXPECT_EQ(metadata(answer, u"ORIGNAME"_s).size(), l.columns) << l.line;
        EXPECT_EQ(metadata(answer, u"TYPE"_s).size(), l.columns) << l.line;
        EXPECT_EQ(answer.last(), u"EOD|0|%1|%2|1"_s.arg(QString::fromUtf8(l.line).left(3)).arg(rows.size()));
    }
    // Without the flag no metadata line comes.
    EXPECT_TRUE(metadata(client.request(u"GDN|0||0"_s), u"NAME"_s).isEmpty());
}

TEST_F(Catalogue, databasesAndGroupsByNumberOrNameAndByListKind)
{
    const QList<QStringList> dbs = rowsOf(u"GDN|0||0"_s);
    EXPECT_EQ(column(dbs, 2), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"12"_s, u"65"_s}));
    EXPECT_EQ(rowsOf(u"GDN|0|Artikel|0"_s).value(0),
              (QStringList{u"Artikel"_s, u"2"_s, u"1"_s, u"1"_s, u"0"_s, u"ARTIKEL"_s}));
    EXPECT_EQ(client.request(u"GDN|0|Lager|0"_s).value(0), u"NAK|0|Unbekannte Datenbank \"Lager\"|1105|");

    // The query list hides the hidden group; "ALL" shows it.
    EXPECT_EQ(column(rowsOf(u"GGN|0|12||0"_s), 4), (QStringList{u"11"_s, u"24"_s}));
    EXPECT_EQ(column(rowsOf(u"GGN|0|12|ALL|0"_s), 4), (QStringList{u"11"_s, u"2"_s, u"24"_s}));
    const QStringList orders = rowsOf(u"GGN|0|Auftrag|NEW|0"_s).value(0);
    EXPECT_EQ(orders.value(2), u"Auftrag");
    EXPECT_EQ(orders.value(5), u"1");  // table part
    EXPECT_EQ(orders.value(15), u"1"); // table part's original group
}

TEST_F(Catalogue, tablesByIdNameOrListAndInBlocks)
{
    const QStringList first = client.request(u"GTN|0||5|0"_s);
    EXPECT_EQ(first.value(0), u"BOD|500001|GTN|8");
    EXPECT_EQ(first.last(), u"EOD|500001|GTN|5|0");
    const QStringList rest = client.request(u"GNR|500001"_s);
    EXPECT_EQ(rest.last(), u"EOD|500001|GTN|3|1");
    QStringList ids = column(records(first), 3) + column(records(rest), 3);
    EXPECT_EQ(ids, (QStringList{u"1:1"_s, u"2:1"_s, u"3:1"_s, u"3:2"_s, u"4:1"_s, u"12:11"_s, u"12:24"_s, u"65:1"_s}));
    EXPECT_EQ(client.request(u"GNR|500001"_s).value(0).section(u'|', 0, 0), u"NAK"); // read to the end

    // Hidden tables are found by name or id; a list answers in its own order.
    const QList<QStringList> extra = rowsOf(u"GTN|0|Einstellungen:Druckeinstellung,1:1|0|0"_s);
    EXPECT_EQ(column(extra, 3), (QStringList{u"12:2"_s, u"1:1"_s}));
    EXPECT_EQ(extra.value(0), (QStringList{u"Einstellungen:Druckeinstellung"_s, u"Druckeinstellung"_s, u"12:2"_s,
                                           u"1"_s, u"Datenbankgruppe"_s, u"12"_s, u"Einstellungen"_s, u"4"_s, u"2"_s,
                                           u"Druckeinstellung"_s, u"0"_s, u"3"_s}));
    EXPECT_EQ(column(rowsOf(u"GTN|0|Auft|0|0"_s), 3), (QStringList{u"3:1"_s, u"3:2"_s}));
    EXPECT_EQ(client.request(u"GTN|0|1:1,Nirgends|0|0"_s).value(0), u"NAK|0|Unbekannte Tabelle \"Nirgends\"|1101|");
}

TEST_F(Catalogue, fieldsOfATableOfOneDatabaseAndOfAnInformationSystem)
{
    const QList<QStringList> query = rowsOf(u"GFN|0|1:1||0|QUERY|0"_s);
    const QList<QStringList> edit = rowsOf(u"GFN|0|1:1||0|EDIT|0"_s);
    EXPECT_FALSE(column(query, 1).contains(u"banktaste")); // a button is no query field
    EXPECT_TRUE(column(edit, 1).contains(u"banktaste"));
    const QStringList number = query.value(0);
    EXPECT_EQ(number.mid(0, 7), (QStringList{u"nummer"_s, u"N"_s, u"7"_s, u"Kundennummer"_s, u"I6"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(number.value(13), u"nummer");    // its name in the table
    EXPECT_EQ(query.value(1).value(12), u"1"); // "kundennr" is an alias

    // DBALL lists the fields of every group of the database once.
    const QStringList all = column(rowsOf(u"GFN|0|3:1||0|DBALL|0"_s), 1);
    EXPECT_EQ(all.count(u"nummer"_s), 1);
    EXPECT_TRUE(all.contains(u"menge"));

    // Named fields: paths and modifiers are valid, what the table lacks reads "-".
    const QList<QStringList> named = rowsOf(u"GFN|0|3:1|kunde^vertreter^name,nix,1:menge,status(text)|0|QUERY|0"_s);
    EXPECT_EQ(column(named, 1), (QStringList{u"kunde^vertreter^name"_s, u"nix"_s, u"1:menge"_s, u"status(text)"_s}));
    EXPECT_EQ(column(named, 2), (QStringList{u"A"_s, u"-"_s, u"N"_s, u"A"_s}));
    EXPECT_EQ(named.value(0).value(3), u"Name");
    EXPECT_EQ(named.value(2).value(5), u"1");

    // The fields of information system 1: the definition's names without their prefix.
    const QList<QStringList> is = rowsOf(u"GFN|0|1||0|INFOSYS|0"_s);
    EXPECT_TRUE(column(is, 1).contains(u"bstart"));
    EXPECT_EQ(is.last().value(0), u"knopf");
    EXPECT_EQ(is.last().value(5), u"1"); // a result column
    EXPECT_EQ(client.request(u"GFN|0|99||0|INFOSYS|0"_s).value(0).section(u'|', 0, 0), u"NAK");
    EXPECT_EQ(client.request(u"GFN|0|8:1||0|QUERY|0"_s).value(0), u"NAK|0|Unbekannte Tabelle \"8:1\"|1101|");
}

TEST_F(Catalogue, keysWithConditionsStorageKindsAndCounts)
{
    const QList<QStringList> keys = rowsOf(u"GKN|0|3:1||0|0"_s);
    EXPECT_EQ(column(keys, 1), (QStringList{u"nummer"_s, u"kunde"_s, u"offen"_s, u"artikel"_s}));
    const QStringList open = keys.value(2);
    // The condition field first, then the key fields, which begin with it too.
    EXPECT_EQ(open.value(3), u"offen,offen,datum,nummer");
    EXPECT_EQ(open.value(7), u"2");
    EXPECT_EQ(open.value(9), u"1");
    EXPECT_EQ(open.value(15), u"200"); // orders 1, 2, 5, 6, ... are open and all alive
    EXPECT_EQ(keys.value(0).value(2), u"beides");
    EXPECT_EQ(keys.value(0).value(15), u"400");
    EXPECT_EQ(keys.value(3).value(8), u"1");                                 // a key over the rows
    EXPECT_EQ(rowsOf(u"GKN|0|1:1|abgelegt|0|0"_s).value(0).value(15), u"6"); // customers 19, 39, ... 119

    EXPECT_TRUE(rowsOf(u"GKN|0|1:1|gibtsnicht|0|0"_s).isEmpty());
}

TEST_F(Catalogue, enumerationsAndTheirPositionsWithTheEmptyOne)
{
    const QList<QStringList> all = rowsOf(u"GAZ|0||HEAD|0|0"_s);
    for (const char* name : {"A2", "A48", "A72", "A73", "A158", "A159"})
        EXPECT_TRUE(column(all, 1).contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(rowsOf(u"GAZ|0|A2|POS|0|0"_s), (QList<QStringList>{{u"0"_s, u"nein"_s, u"N"_s, u"0"_s, u"NEIN"_s},
                                                                 {u"1"_s, u"ja"_s, u"J"_s, u"1"_s, u"JA"_s}}));
    const QList<QStringList> withEmpty = rowsOf(u"GAZ|0|A2|POS|1|0"_s);
    ASSERT_EQ(withEmpty.size(), 3);
    EXPECT_EQ(withEmpty.value(0).join(QString()), QString());
    // An enumeration-reference type code names its enumeration.
    EXPECT_EQ(rowsOf(u"GAZ|0|AZK131|POS|0|0"_s).size(), 5);
    EXPECT_EQ(client.request(u"GAZ|0|A999|POS|0|0"_s).value(0), u"NAK|0|Unbekannte Aufzählung \"A999\"|1104|");

    ASSERT_EQ(client.request(u"SET|0|LANG|E"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(rowsOf(u"GAZ|0|A2|POS|0|0"_s).value(1).value(1), u"yes");
}

TEST_F(Catalogue, messageTextsByNumberRangeLanguageAndSearch)
{
    EXPECT_EQ(rowsOf(u"GMT|0|cc|5406|||0|0"_s), (QList<QStringList>{{u"cc"_s, u"5406"_s, u"D"_s, u"nummer"_s}}));
    const QList<QStringList> range = rowsOf(u"GMT|0|cc|1101-1102|E,D|||0"_s);
    EXPECT_EQ(column(range, 2), (QStringList{u"1101"_s, u"1101"_s, u"1102"_s, u"1102"_s}));
    EXPECT_EQ(column(range, 3), (QStringList{u"E"_s, u"D"_s, u"E"_s, u"D"_s}));
    EXPECT_EQ(column(rowsOf(u"GMT|0|cc|102,100|D|||0"_s), 2), (QStringList{u"102"_s, u"100"_s}));

    // A search over all dictionaries, with and without regard to case; field texts are there.
    EXPECT_TRUE(rowsOf(u"GMT|0|||D|kundennummer|0|0"_s).isEmpty());
    const QList<QStringList> found = rowsOf(u"GMT|0|||D|kundennummer|1|0"_s);
    EXPECT_FALSE(found.isEmpty());
    EXPECT_EQ(found.value(0).value(0), u"fd");
    EXPECT_EQ(client.request(u"GMT|0|cc|7-x|D|||0"_s).value(0).section(u'|', 0, 0), u"NAK");

    // Every dictionary the message-text window offers has texts in both languages.
    for (const QString& dictionary :
         {u"cc"_s, u"db"_s, u"fd"_s, u"ms"_s, u"mn"_s, u"is"_s, u"pr"_s, u"hp"_s, u"us"_s}) {
        const QStringList languages = column(rowsOf(u"GMT|0|"_s + dictionary + u"||D,E|||0"_s), 3);
        EXPECT_TRUE(languages.contains(u"D"_s) && languages.contains(u"E"_s)) << dictionary.toStdString();
    }
}

TEST_F(Catalogue, referenceTypesNameTheirTargetsAndEcho)
{
    EXPECT_EQ(rowsOf(u"GRI|0|PS2:1|0"_s),
              (QList<QStringList>{{u"2"_s, u"Artikel"_s, u"1"_s, u"Artikel"_s, u"SW"_s, u"30"_s}}));
    EXPECT_EQ(rowsOf(u"GRI|0|P1|0"_s).value(0).mid(2, 2), (QStringList{u"-1"_s, QString()})); // a whole database
    EXPECT_EQ(column(rowsOf(u"GRI|0|VP7|0"_s), 1), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(rowsOf(u"GRI|0|C24|0"_s).value(0).value(3), u"Selektionsvorlage");
    EXPECT_EQ(client.request(u"GRI|0|GL40|0"_s).value(0), u"NAK|0|Unbekannter Verweistyp \"GL40\"|1110|");
}

TEST_F(Catalogue, informationSystemsBySearchWordWorkAreaAndKind)
{
    EXPECT_EQ(column(rowsOf(u"GIS|0|||ALL|0|0"_s), 2), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
    EXPECT_EQ(column(rowsOf(u"GIS|0|||CUSTOM|0|0"_s), 2), QStringList{u"2"_s});
    EXPECT_EQ(column(rowsOf(u"GIS|0||vertrieb|ALL|0|0"_s), 2), (QStringList{u"1"_s, u"3"_s}));
    EXPECT_EQ(rowsOf(u"GIS|0|artbest||ALL|0|0"_s).value(0),
              (QStringList{u"IS_ARTBEST"_s, u"2"_s, u"ARTBEST"_s, u"/lager"_s, u"20"_s, u"0"_s, u"Artikelbestand"_s,
                           u"ISARTIKEL"_s}));
}

TEST_F(Catalogue, fieldValueTestsOfEveryFamily)
{
    const QList<QStringList> rows = rowsOf(
        u"TFV|0|R10.2,I6,GD8,GD14,Z,W,GP,B,A35,P1:1,VPK51,GL4,TN|1.234,5|12x|31.02.2024|01.03.2024 10:15|7:30|12/2024|"
        "13.2024|ja|geliefert|mueller|2;3|fünf!|frei\\ntext"_s);
    ASSERT_EQ(rows.size(), 13);
    EXPECT_EQ(rows.value(0), (QStringList{u"1"_s, u"0"_s, QString(), u"1234,50"_s}));
    EXPECT_EQ(rows.value(1).mid(0, 2), (QStringList{u"0"_s, u"1112"_s}));
    EXPECT_EQ(rows.value(2).mid(0, 2), (QStringList{u"0"_s, u"1113"_s}));
    EXPECT_EQ(rows.value(3).value(3), u"01.03.2024 10:15:00");
    EXPECT_EQ(rows.value(4).value(3), u"07:30");
    EXPECT_EQ(rows.value(5).value(3), u"12/2024");
    EXPECT_EQ(rows.value(6).mid(0, 2), (QStringList{u"0"_s, u"1113"_s})); // no 13th month
    EXPECT_EQ(rows.value(7).value(3), u"1");
    EXPECT_EQ(rows.value(8).value(3), u"GEL");
    EXPECT_EQ(rows.value(9).value(3), u"10001");
    EXPECT_EQ(rows.value(10).value(3), u"2;3");
    EXPECT_EQ(rows.value(11).mid(0, 3), (QStringList{u"0"_s, u"1114"_s, u"\"fünf!\" ist länger als 4 Zeichen"_s}));
    EXPECT_EQ(rows.value(12).value(3), u"frei\ntext");

    // One code serves every value; an empty code is refused per value; the session's forms count.
    EXPECT_EQ(column(rowsOf(u"TFV|0|J3|1|-1000|x"_s), 1), (QStringList{u"1"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(rowsOf(u"TFV|0||5"_s).value(0).mid(0, 2), (QStringList{u"0"_s, u"1111"_s}));
    EXPECT_TRUE(rowsOf(u"TFV|0|I6"_s).isEmpty());
    ASSERT_EQ(client.request(u"SET|0|DECIMALPOINT|PERIOD"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(rowsOf(u"TFV|0|RT10.2|1,234.5"_s).value(0).value(3), u"1,234.50");
    EXPECT_EQ(rowsOf(u"TFV|0|IP6|-3"_s).value(0).value(1), u"1117");
}
