// What the stand-in server holds on to: the record of received lines only while a test asks
// for it and per connection, lines up to a limit, refusals that stay short, patterns it
// cannot build refused instead of matching nothing or everything, and the answers of a client
// that stops reading.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"
#include "KlvServerHooks.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype Limit = 64 * 1024;

class ServerLimits : public KlvServerFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions o;
        o.maxReceivedLine = Limit;
        return o;
    }
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    KlvLineClient client;
};

} // namespace

TEST_F(ServerLimits, ALineLongerThanTheLimitIsRefusedShortAndTheConnectionEnds)
{
    // Without a line feed the line never ends: it is not held until the close.
    client.sendRaw(QByteArray(Limit + 10, 'x'));
    const QString refusal = client.readLine();
    EXPECT_EQ(refusal, u"NAK|0|Line longer than 65536 bytes|1016|"_s);
    EXPECT_TRUE(client.waitForClosed());

    // A whole line that is too long, after a good one that is still answered.
    KlvLineClient other;
    ASSERT_TRUE(other.connectTo(port()));
    ASSERT_TRUE(other.logOn());
    other.sendRaw("SHO|0|LANG|0\r\nSET|0|CONTEXT|" + QByteArray(Limit, 'y') + "\r\n");
    EXPECT_EQ(other.readAnswer().value(1), u"D|0|LANG|D"_s);
    EXPECT_EQ(other.readLine().section(u'|', 0, 3), u"NAK|0|Line longer than 65536 bytes|1016"_s);
    EXPECT_TRUE(other.waitForClosed());
}

TEST_F(ServerLimits, AnUnknownCommandIsNamedShortInItsRefusal)
{
    const QString word(Limit / 2, u'Q');
    const QStringList answer = client.request(word + u"|0"_s);
    ASSERT_EQ(answer.size(), 1);
    EXPECT_TRUE(answer[0].startsWith(u"NAK|0|Unknown command \"QQQQ"_s));
    EXPECT_LT(answer[0].size(), 100);
}

TEST_F(ServerLimits, AWildcardPatternThatCannotBeBuiltIsRefusedForBothOperators)
{
    // Too large for the pattern engine, and a set that is never closed.
    const QStringList patterns{u"a*"_s + QString(60000, u'?') + u"*"_s, u"*[A*"_s};
    for (const QString& pattern : patterns) {
        for (const QString& op : {u"="_s, u"<>"_s}) {
            const QStringList answer = client.request(u"EXQ|0|1:1,name"_s + op + pattern + u"|nummer|200|0||||0|0"_s);
            ASSERT_EQ(answer.size(), 1) << op.toStdString() << pattern.left(10).toStdString();
            EXPECT_EQ(answer[0].section(u'|', 0, 1), u"NAK|0"_s);
            EXPECT_EQ(answer[0].section(u'|', 3, 3), u"1108"_s);
            EXPECT_LT(answer[0].size(), 300);
        }
    }
    // A pattern that can be built still matches.
    const QStringList found = client.request(u"EXQ|0|1:1,name=m*gmbh|name|200|0||||0|0"_s);
    EXPECT_TRUE(found.value(0).startsWith(u"BOD|"_s));
}

TEST_F(ServerLimits, LinesAreRecordedOnlyWhileATestAsksAndGoWithTheirConnection)
{
    server().clearReceived();
    server().setRecording(false);
    EXPECT_EQ(client.request(u"SHO|0|LANG|0"_s).size(), 3);
    EXPECT_TRUE(server().receivedLines().isEmpty());

    server().setRecording(true);
    client.request(u"SHO|0|MANDANT|0"_s);
    EXPECT_EQ(server().receivedLines(), QStringList{u"SHO|0|MANDANT|0"_s});

    // Closed connections are let go, all but the last few.
    for (int i = 0; i < KlvServerHooks::KeptClosedConnections + 4; ++i) {
        KlvLineClient passing;
        ASSERT_TRUE(passing.connectTo(port()));
        passing.readLine();
        passing.sendLine(u"SHO|0|LANG|"_s + QString::number(i));
        passing.readAnswer();
        passing.sendLine(u"END|0"_s);
        ASSERT_TRUE(passing.waitForClosed());
    }
    ASSERT_TRUE(server().waitForReceived(1 + 2 * KlvServerHooks::KeptClosedConnections));
    QDeadlineTimer deadline(5000);
    while (server().connectionCount() > 1 && !deadline.hasExpired())
        QThread::msleep(5);
    const QStringList lines = server().receivedLines();
    EXPECT_EQ(lines.size(), 1 + 2 * KlvServerHooks::KeptClosedConnections);
    EXPECT_EQ(lines.value(0), u"SHO|0|MANDANT|0"_s); // the open connection keeps its record
    EXPECT_FALSE(lines.contains(u"SHO|0|LANG|0"_s));
    EXPECT_TRUE(lines.contains(u"SHO|0|LANG|"_s + QString::number(KlvServerHooks::KeptClosedConnections + 3)));
}

namespace {

class ServerUnreadAnswers : public KlvServerFixture
{
protected:
    static constexpr int Rows = 20000; // about 1.5 MB a block: more than the system's buffers take in a few
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions o;
        o.generatedRows = Rows;
        o.maxUnsentAnswers = 1024 * 1024;
        return o;
    }
};

int countStartingWith(const QStringList& lines, const QString& prefix)
{
    return int(std::count_if(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(prefix); }));
}

} // namespace

TEST_F(ServerUnreadAnswers, AClientThatReadsNothingHoldsBackOnlyItsOwnAnswersAndGetsThemAllLater)
{
    constexpr int Queries = 12;
    constexpr int Settings = 200;
    KlvLineClient flood;
    ASSERT_TRUE(flood.connectTo(port()));
    ASSERT_TRUE(flood.logOn());
    const QByteArray query = "EXQ|0|90:1||" + QByteArray::number(Rows) + "|0||||0|0\r\n";
    flood.sendRaw(query.repeated(Queries) + QByteArray("SET|0|CONTEXT|c\r\n").repeated(Settings));
    ASSERT_TRUE(server().waitForReceived(3)); // the logon and the first query

    // Another client is served throughout, while the first one's answers wait to be read. The
    // server makes one answer at a time: the probe may wait for the block being made (seconds
    // on a loaded machine under the sanitizers), but not for the unread ones.
    constexpr int ProbeMs = 30000;
    KlvLineClient probe;
    ASSERT_TRUE(probe.connectTo(port(), ProbeMs));
    ASSERT_TRUE(probe.logOn(u"100"_s, u"admin"_s, u"secret"_s, ProbeMs));
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(probe.request(u"SHO|0|LANG|0"_s, ProbeMs).value(1), u"D|0|LANG|D"_s) << i;

    // The reader that never reads had only a few of its lines answered: the rest wait unread
    // rather than as answers in the server's memory.
    const QStringList taken = server().receivedLines();
    EXPECT_LT(countStartingWith(taken, u"EXQ|"_s), Queries);
    EXPECT_EQ(countStartingWith(taken, u"SET|0|CONTEXT|"_s), 0);

    // Once it reads, every answer comes, whole and in order.
    for (int q = 0; q < Queries; ++q) {
        const QStringList answer = flood.readAnswer(20000);
        ASSERT_EQ(answer.size(), Rows + 2) << q;
        EXPECT_EQ(answer.first(), u"BOD|0|EXQ|%1"_s.arg(Rows));
        EXPECT_TRUE(answer.last().startsWith(u"EOD|0|EXQ|%1|"_s.arg(Rows))) << answer.last().toStdString();
    }
    for (int i = 0; i < Settings; ++i)
        ASSERT_EQ(flood.readAnswer(), QStringList{u"ACK|0"_s}) << i;
    const QStringList all = server().receivedLines();
    EXPECT_EQ(countStartingWith(all, u"EXQ|"_s), Queries);
    EXPECT_EQ(countStartingWith(all, u"SET|0|CONTEXT|"_s), Settings);
}
