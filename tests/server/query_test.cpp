// Selections and reads by reference over the wire: blocks read to the end, sort orders,
// criteria, rows of the table part, storage kinds, the break, metadata and long values.
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
struct Answer
{
    QStringList lines;
    QList<QStringList> records;
    QString tid; // of the BOD line
    int total = -1;
    bool last = false;
};

Answer parse(const QStringList& lines)
{
    Answer a;
    a.lines = lines;
    QList<QString> texts;
    for (const QString& line : lines) {
        const QStringList head = line.split(u'|');
        const QString code = head.value(0);
        if (code == u"BOD") {
            a.tid = head.value(1);
            a.total = head.value(3).toInt();
        } else if (code == u"D") {
            texts.append(line.section(u'|', 2));
        } else if (code == u"DC" && !texts.isEmpty()) {
            texts.last() += line.section(u'|', 2);
        } else if (code == u"EOD") {
            a.last = head.value(4) == u"1";
        }
    }
    for (const QString& t : texts)
        a.records.append(KlvWire::splitFields(t));
    return a;
}

QString exq(const QString& selection, const QString& fields, int block = 200, bool meta = false, int offset = 0)
{
    return u"EXQ|0|%1|%2|%3|%4||||0|%5"_s.arg(selection, fields).arg(block).arg(offset).arg(meta ? 1 : 0);
}
} // namespace

class Query : public KlvServerFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions o;
        o.generatedRows = 3000;
        return o;
    }
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    Answer ask(const QString& line) { return parse(client.request(line)); }

    // A selection read to its end as the client does: the first block, then GNR until the
    // end flag. Every block but the last is full.
    QList<QStringList> readAll(const QString& selection, const QString& fields, int block, int* total, int* blocks)
    {
        Answer a = ask(exq(selection, fields, block));
        *total = a.total;
        *blocks = 1;
        QList<QStringList> rows = a.records;
        while (!a.last) {
            EXPECT_EQ(a.records.size(), block);
            a = ask(u"GNR|"_s + a.tid);
            if (a.total < 0)
                return rows; // refused
            ++*blocks;
            rows += a.records;
        }
        return rows;
    }
    KlvLineClient client;
};

TEST_F(Query, selectionsOfNoneOneAndManyRecordsAreReadToTheEndInBlocks)
{
    const struct
    {
        QString selection;
        int expected;
        int blocks;
    } cases[] = {
        {u"3:2"_s, 0, 1}, // the empty quotation table
        {u"1:1,nummer=10007"_s, 1, 1},
        {u"2:1,nummer<=1250;@ablageart=beides"_s, 250, 2},
        {u"90:1,nummer<=2000"_s, 2000, 10},
        {u"90:1,@sort=nummer"_s, 3000, 15}, // the generated table read lazily
    };
    for (const auto& c : cases) {
        int total = 0;
        int blocks = 0;
        const QList<QStringList> rows = readAll(c.selection, u"nummer"_s, 200, &total, &blocks);
        EXPECT_EQ(total, c.expected) << qPrintable(c.selection);
        EXPECT_EQ(rows.size(), c.expected) << qPrintable(c.selection);
        EXPECT_EQ(blocks, c.blocks) << qPrintable(c.selection);
        // Every record once, in number order.
        for (qsizetype i = 1; i < rows.size(); ++i)
            ASSERT_LT(rows.at(i - 1).value(0).toInt(), rows.at(i).value(0).toInt()) << qPrintable(c.selection);
    }
}

TEST_F(Query, anAnswerCompleteInOneBlockKeepsNothingOpen)
{
    const Answer a = ask(exq(u"4:1"_s, u"nummer"_s));
    EXPECT_EQ(a.tid, u"0");
    EXPECT_TRUE(a.last);
    EXPECT_EQ(a.lines.last(), u"EOD|0|EXQ|6|1");
    EXPECT_EQ(client.request(u"GNR|0"_s).value(0), u"NAK|0|Keine offene Abfrage zur Transaktion 0|1107|");
}

TEST_F(Query, breakDropsTheRestAndTheQueryCanStartAgain)
{
    const Answer first = ask(exq(u"2:1"_s, u"nummer"_s, 50));
    ASSERT_FALSE(first.last);
    ASSERT_EQ(ask(u"GNR|"_s + first.tid).records.value(0).value(0), u"1051");
    // The client sends BRQ twice and reads no answer to it.
    client.sendLine(u"BRQ|"_s + first.tid);
    client.sendLine(u"BRQ|"_s + first.tid);
    EXPECT_EQ(client.request(u"GNR|"_s + first.tid).value(0).section(u'|', 0, 1), u"NAK|" + first.tid);
    const Answer again = ask(exq(u"2:1"_s, u"nummer"_s, 50));
    EXPECT_EQ(again.records.value(0).value(0), u"1001");
    EXPECT_NE(again.tid, first.tid);
    // A catalogue request on the same query (its old tid in the line) drops its answer too.
    client.request(u"GDN|"_s + again.tid + u"||0"_s);
    EXPECT_EQ(client.request(u"GNR|"_s + again.tid).value(0).section(u'|', 0, 0), u"NAK");
}

TEST_F(Query, sortByKeyByFieldsAndDirection)
{
    // Key "ort": city, then name.
    const Answer byCity = ask(exq(u"1:1,@sort=ort"_s, u"ort,name"_s, 200));
    QStringList cities = column(byCity.records, 1);
    QStringList sorted = cities;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(cities, sorted);
    EXPECT_EQ(byCity.total, 114); // the key holds alive records only

    const Answer down = ask(exq(u"1:1,@sort=nummer;@richtung=rueckw"_s, u"nummer"_s, 3));
    EXPECT_EQ(column(down.records, 1), (QStringList{u"10120"_s, u"10119"_s, u"10118"_s}));
    const Answer plainDown = ask(exq(u"4:1,@richtung=rueckw"_s, u"nummer"_s));
    EXPECT_EQ(column(plainDown.records, 1).first(), u"6");

    // Explicit order: amount down, then number up; references sort by number, not as text.
    const Answer order = ask(exq(u"3:1,@ordnung=kunde.rueckw,nummer.vorw;kunde<=10002"_s, u"kunde,nummer"_s));
    EXPECT_EQ(column(order.records, 1).first(), u"10002");
    EXPECT_EQ(column(order.records, 1).last(), u"10001");
    EXPECT_LT(order.records.value(0).value(1).toInt(), order.records.value(1).value(1).toInt());
    EXPECT_EQ(client.request(exq(u"1:1,@sort=schnell"_s, u"nummer"_s)).value(0),
              u"NAK|0|Unbekannter Schlüssel \"schnell\" in Tabelle 1:1|1103|");
}

TEST_F(Query, criteriaWithAndOrPatternsAndTheEmptyValue)
{
    // Berlin: customers 1, 10, 20, ... 120; category 1: every fifth.
    EXPECT_EQ(ask(exq(u"1:1,ort=Berlin;kategorie=1"_s, u"nummer"_s)).total, 12);
    EXPECT_EQ(ask(exq(u"1:1,ort=Berlin;kategorie=1;@verkn=oder"_s, u"nummer"_s)).total, 25);
    EXPECT_EQ(column(ask(exq(u"1:1,name=m*gmbh"_s, u"name"_s)).records, 1).first(), u"Müller GmbH");
    EXPECT_EQ(ask(exq(u"1:1,email=`"_s, u"nummer"_s)).records, (QList<QStringList>{{u"10003"_s}}));
    EXPECT_EQ(ask(exq(u"1:1,email<>`"_s, u"nummer"_s)).total, 119);
    // Values in the session's forms: a date, an amount with a decimal comma, an enumeration text.
    EXPECT_EQ(ask(exq(u"3:1,datum>=01.01.2024;datum<=31.01.2024"_s, u"nummer"_s)).total, 31);
    EXPECT_EQ(ask(exq(u"1:1,umsatz>50000,00;umsatz<50500"_s, u"nummer"_s)).total, 1);
    EXPECT_EQ(ask(exq(u"3:1,status=geliefert"_s, u"nummer"_s)).total, 100);
    // A reference by the customer's number, and a path into the customer.
    EXPECT_EQ(ask(exq(u"3:1,kunde=10008"_s, u"nummer"_s)).total, 4); // orders 1, 121, 241, 361
    EXPECT_EQ(ask(exq(u"3:1,kunde^ort=Berlin"_s, u"nummer"_s)).total, 43);
    // What cannot be read is refused with the reason.
    EXPECT_EQ(client.request(exq(u"3:1,datum=gestern"_s, u"nummer"_s)).value(0),
              u"NAK|0|Selektion nicht lesbar: \"gestern\" ist kein gültiges Datum|1108|");
    EXPECT_EQ(client.request(exq(u"3:1,farbe=rot"_s, u"nummer"_s)).value(0),
              u"NAK|0|Unbekanntes Feld \"farbe\" in Tabelle 3:1|1102|");
    EXPECT_EQ(client.request(exq(u"3:1,@gibts=nicht"_s, u"nummer"_s)).value(0).section(u'|', 3, 3), u"1108");
}

TEST_F(Query, rowsOfTheTablePartAreSelectedOnePerRow)
{
    // Article 7 has three rows (10, 20, 30); a row criterion picks rows, a head criterion records.
    const Answer rows = ask(exq(u"2:1,@zeilen=ja;nummer=1007"_s, u"nummer,1:abmenge,zn"_s));
    EXPECT_EQ(
        rows.records,
        (QList<QStringList>{{u"1007"_s, u"10"_s, u"1"_s}, {u"1007"_s, u"20"_s, u"2"_s}, {u"1007"_s, u"30"_s, u"3"_s}}));
    EXPECT_EQ(ask(exq(u"2:1,@zeilen=ja;nummer=1007;abmenge>10"_s, u"abmenge"_s)).total, 2);
    // Without rows a row criterion asks whether any row meets it.
    EXPECT_EQ(ask(exq(u"2:1,nummer<=1008;abmenge=30"_s, u"nummer"_s)).records,
              (QList<QStringList>{{u"1003"_s}, {u"1007"_s}}));
    // The criterion rows of a selection template, as the query window reads them.
    const Answer tpl = ask(exq(u"12:24,@zeilen=ja;num12=1:1;sini<>`"_s, u"merkmaltyp(0),merkmalname,vname,sini"_s));
    EXPECT_EQ(tpl.records, (QList<QStringList>{{u"(0)"_s, u"ort"_s, QString(), u"Berlin"_s},
                                               {u"(0)"_s, QString(), u"kategorie"_s, u"1"_s},
                                               {u"(1)"_s, QString(), QString(), u"ignoriert"_s}}));
}

TEST_F(Query, storageKindsAndKeysThatHoldThem)
{
    EXPECT_EQ(ask(exq(u"1:1"_s, u"nummer"_s)).total, 120);
    EXPECT_EQ(ask(exq(u"1:1,@ablageart=lebendig"_s, u"nummer"_s)).total, 114);
    EXPECT_EQ(column(ask(exq(u"1:1,@ablageart=abgelegt"_s, u"nummer"_s)).records, 1).first(), u"10019");
    EXPECT_EQ(ask(exq(u"1:1,@ablageart=programmintern"_s, u"nummer"_s)).total, 0);
    EXPECT_EQ(ask(exq(u"1:1,@sort=abgelegt"_s, u"nummer"_s)).total, 6);
    EXPECT_EQ(client.request(exq(u"1:1,@sort=name;@ablageart=abgelegt"_s, u"nummer"_s)).value(0),
              u"NAK|0|Schlüssel \"name\" enthält diese Ablageart nicht|1109|");
    // A key with a condition holds only the records that meet it.
    EXPECT_EQ(ask(exq(u"3:1,@sort=offen"_s, u"offen"_s)).total, 200);
    // Count only: the total, no record.
    const Answer count = ask(exq(u"1:1,@sort=aktivkat;@lesen=(0)"_s, u"id"_s));
    EXPECT_EQ(count.total, 90); // alive and active: 114 less the 24 alive ones with n % 4 == 3
    EXPECT_TRUE(count.records.isEmpty());
    EXPECT_TRUE(count.last);
}

TEST_F(Query, fieldsAreShownInTheSessionsForms)
{
    const QString fields = u"0:nummer,umsatz,kredlim,aktiv,aktiv(0),gruendung,kategorie,kategorie(text),"
                           "vertreter,betreuer,besuch,+id"_s;
    const QStringList r = ask(exq(u"1:1,nummer=10005"_s, fields)).records.value(0);
    EXPECT_EQ(r, (QStringList{u"10005"_s, u"5236,45"_s, u"30.000,00"_s, u"1"_s, u"(1)"_s, u"25.01.2004"_s, u"A"_s,
                              u"A-Kunde"_s, u"6"_s, u"6;2"_s, u"13:15"_s, u"(1,1,5)"_s}));
    for (const char* option :
         {"DATEMODE|SORT", "NUMMODE|RAW", "BOOLMODE|TAV", "ENUMMODE|TEXT", "VERWMODE|SW", "LANG|E"})
        ASSERT_EQ(client.request(u"SET|0|"_s + QString::fromLatin1(option)), QStringList{u"ACK|0"_s});
    const QStringList s = ask(exq(u"1:1,nummer=10005"_s, fields)).records.value(0);
    EXPECT_EQ(s, (QStringList{u"10005"_s, u"5236.45"_s, u"30000"_s, u"yes"_s, u"(1)"_s, u"20040125"_s, u"A customer"_s,
                              u"A customer"_s, u"OTTO"_s, u"OTTO;KRUEGER"_s, u"1315"_s, u"(1,1,5)"_s}));
}

TEST_F(Query, metadataDescribesEveryColumnAsWritten)
{
    const Answer a = ask(exq(u"3:1,nummer=50001"_s, u"0:nummer,kunde^name,1:menge,status(text),+id"_s, 200, true));
    QHash<QString, QStringList> dm;
    for (const QString& line : a.lines) {
        const QStringList f = KlvWire::splitFields(line);
        if (f.value(0) == u"DM")
            dm.insert(f.value(2), f.mid(3));
    }
    EXPECT_EQ(dm.value(u"NAME"_s), (QStringList{u"nummer"_s, u"kunde^name"_s, u"menge"_s, u"status"_s, u"id"_s}));
    EXPECT_EQ(dm.value(u"ORIGNAME"_s),
              (QStringList{u"0:nummer"_s, u"kunde^name"_s, u"1:menge"_s, u"status(text)"_s, u"+id"_s}));
    EXPECT_EQ(dm.value(u"TABLEFLAG"_s), (QStringList{u"0"_s, u"0"_s, u"1"_s, u"0"_s, u"0"_s}));
    EXPECT_EQ(dm.value(u"TYPE"_s), (QStringList{u"I6"_s, u"GL40"_s, u"I6"_s, u"A35"_s, u"ID3"_s}));
    EXPECT_EQ(dm.value(u"DESC"_s).value(0), u"Auftragsnummer");
    // Metadata comes once, with the first block.
    const Answer big = ask(exq(u"2:1"_s, u"nummer"_s, 100, true));
    EXPECT_FALSE(client.request(u"GNR|"_s + big.tid).join(u'\n').contains(u"DM|"));
}

TEST_F(Query, offsetSkipsRecordsAndUnknownTablesAreRefused)
{
    const Answer a = ask(exq(u"4:1"_s, u"nummer"_s, 200, false, 4));
    EXPECT_EQ(column(a.records, 1), (QStringList{u"5"_s, u"6"_s}));
    EXPECT_EQ(a.total, 6);
    EXPECT_EQ(client.request(exq(u"9:9"_s, u"nummer"_s)).value(0), u"NAK|0|Unbekannte Tabelle \"9:9\"|1101|");
    // A database with its groups: orders and quotations.
    EXPECT_EQ(ask(exq(u"3:1.2"_s, u"nummer"_s)).total, 400);
    EXPECT_EQ(ask(exq(u"Auftrag:"_s, u"gruppe"_s)).total, 400);
}

TEST_F(Query, aLongFreeTextGoesOutInContinuationLinesAndArrivesWhole)
{
    ASSERT_EQ(client.request(u"SET|0|FTMODE|EXT"_s), QStringList{u"ACK|0"_s});
    const Answer a = ask(exq(u"1:1,nummer=10001"_s, u"nummer,bemerk,name"_s));
    int continuations = 0;
    for (const QString& line : a.lines) {
        EXPECT_LE(line.size(), 4000 + 20);
        continuations += line.startsWith(u"DC|");
    }
    EXPECT_GE(continuations, 11);
    ASSERT_EQ(a.records.size(), 1);
    EXPECT_EQ(a.records.value(0).value(1).size(), 45000);
    EXPECT_EQ(a.records.value(0).value(2), u"Müller GmbH");
    // With a text length the session sees only the start.
    ASSERT_EQ(client.request(u"SET|0|FTMODE|TEXT:100"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(ask(exq(u"1:1,nummer=10001"_s, u"bemerk"_s)).records.value(0).value(0).size(), 100);
}

TEST_F(Query, recordsReadByReferenceInTheOrderGiven)
{
    const Answer a = ask(u"RDP|0|(1,1,3);(1,1,1)|nummer,name|0|5|0"_s);
    EXPECT_EQ(a.records, (QList<QStringList>{{u"10003"_s, u"Zoë Çelik Ltd"_s}, {u"10001"_s, u"Müller GmbH"_s}}));
    // The user's password record, as the client window reads it.
    EXPECT_EQ(ask(u"RDP|0|(12,11,1)|name,bezeich|0|1|0"_s).records.value(0),
              (QStringList{u"admin"_s, u"Administrator"_s}));
    EXPECT_EQ(ask(u"RDP|0|(2,1,7)|dnr,gruppe|0|1|0"_s).records.value(0), (QStringList{u"2"_s, u"1"_s}));
    // By rows, and in blocks.
    const Answer rows = ask(u"RDP|0|(2,1,7);(2,1,3)|abmenge|1|2|0"_s);
    EXPECT_EQ(rows.total, 6);
    EXPECT_FALSE(rows.last);
    EXPECT_EQ(ask(u"GNR|"_s + rows.tid).records.size(), 2);
    EXPECT_EQ(client.request(u"RDP|0|(1,1,999)|name|0|1|0"_s).value(0),
              u"NAK|0|Datensatz (1,1,999) nicht gefunden|1106|");
    EXPECT_EQ(client.request(u"RDP|0|(0,0,0)|name|0|1|0"_s).value(0), u"NAK|0|Leere Referenz|1119|");
    // A record named by its number, as a template is looked up with "id=".
    EXPECT_EQ(ask(exq(u"12:24,id=2:1;@ablageart=beides"_s, u"baum,sabl(text),iverk(0)"_s)).records.value(0),
              (QStringList{QString(), u"beides"_s, u"(1)"_s}));
    EXPECT_EQ(ask(exq(u"1:1,id=(1,1,4)"_s, u"nummer"_s)).records.value(0).value(0), u"10004");
}
