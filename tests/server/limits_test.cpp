// What the stand-in server holds on to: the record of received lines only while a test asks
// for it and per connection, lines up to a limit, refusals that stay short, and patterns it
// cannot build refused instead of matching nothing or everything.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"
#include "KlvServerHooks.h"

#include <QDeadlineTimer>
#include <QThread>

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
