// Queries of several connections at once, and their texts in both character sets.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

// Failures show the texts, not their bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {
QString exq(const QString& selection, const QString& fields, int block)
{
    return u"EXQ|0|%1|%2|%3|0||||0|0"_s.arg(selection, fields).arg(block);
}
} // namespace

class QueryConnections : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(first.connectTo(port()));
        ASSERT_TRUE(first.logOn());
        ASSERT_TRUE(second.connectTo(port()));
        ASSERT_TRUE(second.logOn(u"100"_s, u"demo"_s, u"demo"_s));
    }
    KlvLineClient first;
    KlvLineClient second;
};

TEST_F(QueryConnections, eachConnectionReadsItsOwnOpenAnswers)
{
    // Both get the same transaction id: ids belong to their connection.
    const QStringList a = first.request(exq(u"2:1"_s, u"nummer"_s, 2));
    const QStringList b = second.request(exq(u"2:1,@richtung=rueckw"_s, u"nummer"_s, 2));
    ASSERT_EQ(a.value(0), u"BOD|500001|EXQ|260");
    ASSERT_EQ(b.value(0), u"BOD|500001|EXQ|260");
    EXPECT_EQ(first.request(u"GNR|500001"_s).value(1), u"D|500001|1003");
    EXPECT_EQ(second.request(u"GNR|500001"_s).value(1), u"D|500001|1258");
    // A break on one leaves the other's answer open.
    second.sendLine(u"BRQ|500001"_s);
    EXPECT_EQ(second.request(u"GNR|500001"_s).value(0).section(u'|', 0, 0), u"NAK");
    EXPECT_EQ(first.request(u"GNR|500001"_s).value(1), u"D|500001|1005");
    // Several open answers on one connection are read in any order.
    const QStringList c = first.request(exq(u"1:1"_s, u"nummer"_s, 1));
    ASSERT_EQ(c.value(0), u"BOD|500002|EXQ|120");
    EXPECT_EQ(first.request(u"GNR|500002"_s).value(1), u"D|500002|10002");
    EXPECT_EQ(first.request(u"GNR|500001"_s).value(1), u"D|500001|1007");
}

TEST_F(QueryConnections, textsGoInTheConnectionsCharacterSetBothWays)
{
    // ANSI: a criterion with an umlaut and an answer with one, one byte each.
    const QStringList ansi = first.request(exq(u"1:1,name=Müller GmbH"_s, u"nummer,name"_s, 5));
    EXPECT_EQ(ansi.value(1), u"D|0|10001|Müller GmbH");
    // UTF-8: a character Windows-1252 does not hold travels too.
    ASSERT_EQ(second.request(u"SET|0|CHARSET|UTF-8"_s), QStringList{u"ACK|0"_s});
    second.setUtf8(true);
    EXPECT_EQ(second.request(exq(u"1:1,name=Zo*"_s, u"name"_s, 5)).value(1), u"D|0|Zoë Çelik Ltd");
    EXPECT_EQ(second.request(u"TFV|0|GL40|Łódź"_s).value(1), u"D|0|1|0||Łódź");
    EXPECT_EQ(second.request(exq(u"1:1,name=Łódź"_s, u"nummer"_s, 5)).value(0), u"BOD|0|EXQ|0");
}

TEST_F(QueryConnections, queriesNeedALogonAndKnownTransactions)
{
    KlvLineClient stranger;
    ASSERT_TRUE(stranger.connectTo(port()));
    stranger.readLine();
    EXPECT_EQ(stranger.request(exq(u"1:1"_s, u"nummer"_s, 5)).value(0).section(u'|', 3, 3), u"1002");
    EXPECT_EQ(stranger.request(u"GDN|0||0"_s).value(0).section(u'|', 3, 3), u"1002");
    EXPECT_EQ(first.request(u"GNR|777"_s), QStringList{u"NAK|777|Keine offene Abfrage zur Transaktion 777|1107|"_s});
    // The refusal speaks the session's language.
    ASSERT_EQ(first.request(u"SET|0|LANG|E"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(first.request(u"GNR|777"_s), QStringList{u"NAK|777|No open query for transaction 777|1107|"_s});
}
