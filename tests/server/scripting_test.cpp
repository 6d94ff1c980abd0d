// What tests make the server do: scripted greetings and answers, delays, split and raw
// lines, DC continuations, a close or END in the middle of an answer.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

#include <QAtomicInt>

using namespace Qt::StringLiterals;

class ServerScripting : public KlvServerFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.maxLineLength = 50;
        return options;
    }
};

TEST_F(ServerScripting, TheGreetingCanBeScripted)
{
    server().setScript([](int, const QString& line, bool isGreeting, KlvScriptReply& reply) {
        if (!isGreeting)
            return false;
        EXPECT_TRUE(line.isEmpty());
        reply.sendLine(u"S|0|Hello|x|2796"_s);
        return true;
    });
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    EXPECT_EQ(client.readLine(), u"S|0|Hello|x|2796");
    // A greeting the script gave up on gives the server's own.
    server().setScript({});
    KlvLineClient plain;
    ASSERT_TRUE(plain.connectTo(port()));
    EXPECT_EQ(plain.readLine(), u"S|0|KLV server 3.31 ready|VERSION|2797");
}

TEST_F(ServerScripting, ScriptedLinesGoAroundTheNormalAnswer)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    QAtomicInt connection = 0;
    server().setScript([&](int connectionId, const QString& line, bool, KlvScriptReply& reply) {
        if (!line.startsWith(u"SHO|"))
            return false;
        connection = connectionId;
        reply.sendLine(u"S|0|Before \u00e4|INFO|12"_s);
        reply.delay(50);
        reply.defaultAnswer();
        reply.sendLine(u"S|0|After|INFO|13"_s); // after the answer's end: it belongs to nobody
        return true;
    });
    EXPECT_EQ(client.request(u"SHO|0|LANG|0"_s),
              (QStringList{u"S|0|Before \u00e4|INFO|12"_s, u"BOD|0|SHO|1"_s, u"D|0|LANG|D"_s, u"EOD|0|SHO|1|1"_s}));
    EXPECT_EQ(client.readLine(), u"S|0|After|INFO|13");
    EXPECT_EQ(connection.loadRelaxed(), 1);
    EXPECT_EQ(client.request(u"SET|0|LANG|E"_s), QStringList{u"ACK|0"_s}); // left to the server
}

TEST_F(ServerScripting, RawBytesArriveExactlyAndLinesSplitAcrossReads)
{
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (line != u"SHO|0|SPLIT|0")
            return false;
        reply.sendRaw("BOD|0|SHO|1\r\nD|0|SP");
        reply.delay(100);
        reply.sendRaw("LIT|\xe4\r");
        reply.delay(100);
        reply.sendRaw("\nEOD|0|SHO|1|1\n");
        return true;
    });
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    client.sendLine(u"SHO|0|SPLIT|0"_s);
    EXPECT_EQ(client.readRawLine(), QByteArray("BOD|0|SHO|1"));
    EXPECT_TRUE(client.readRawLine(20).isNull()); // the rest is not there yet
    EXPECT_EQ(client.readRawLine(), QByteArray("D|0|SPLIT|\xe4"));
    EXPECT_EQ(client.readRawLine(), QByteArray("EOD|0|SHO|1|1"));
}

TEST_F(ServerScripting, LongRecordsAreContinuedInDcLines)
{
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    ASSERT_EQ(client.request(u"SET|0|CONTEXT|"_s + QString(120, u'x') + u"\\|end"_s), QStringList{u"ACK|0"_s});
    const QStringList answer = client.request(u"SHO|0|CONTEXT|0"_s);
    ASSERT_EQ(answer.size(), 5); // BOD, D, DC, DC, EOD: 133 characters in lines of at most 50
    EXPECT_TRUE(answer[1].startsWith(u"D|0|CONTEXT|xxx"));
    QString joined = answer[1].mid(4);
    for (int i = 2; i < 4; ++i) {
        ASSERT_TRUE(answer[i].startsWith(u"DC|0|")) << answer[i].toStdString();
        joined += answer[i].mid(5);
    }
    EXPECT_EQ(joined, u"CONTEXT|"_s + QString(120, u'x') + u"\\|end"_s);
}

TEST_F(ServerScripting, CloseAndEndInTheMiddleOfAnAnswer)
{
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (line.startsWith(u"SHO|0|CLOSE")) {
            reply.sendLine(u"BOD|0|SHO|2"_s);
            reply.sendLine(u"D|0|a"_s);
            reply.close();
            reply.sendLine(u"D|0|never sent"_s);
            return true;
        }
        if (line.startsWith(u"SHO|0|END")) {
            reply.sendLine(u"BOD|0|SHO|2"_s);
            reply.sendLine(u"END|0"_s);
            return true;
        }
        return false;
    });
    KlvLineClient ended;
    ASSERT_TRUE(ended.connectTo(port()));
    ASSERT_TRUE(ended.logOn());
    EXPECT_EQ(ended.request(u"SHO|0|END|0"_s), (QStringList{u"BOD|0|SHO|2"_s, u"END|0"_s}));

    KlvLineClient closed;
    ASSERT_TRUE(closed.connectTo(port()));
    ASSERT_TRUE(closed.logOn());
    EXPECT_EQ(closed.request(u"SHO|0|CLOSE|0"_s), (QStringList{u"BOD|0|SHO|2"_s, u"D|0|a"_s}));
    EXPECT_TRUE(closed.waitForClosed());
}

TEST_F(ServerScripting, WrongTidsAndUnknownCodesAreSentAsScripted)
{
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (!line.startsWith(u"TA|"))
            return false;
        reply.sendLine(u"ACK|7"_s);
        reply.sendLine(u"ZZZ|0|what"_s);
        reply.sendLine(QString());
        return true;
    });
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    client.sendLine(u"TA|0|START"_s);
    EXPECT_EQ(client.readLine(), u"ACK|7");
    EXPECT_EQ(client.readLine(), u"ZZZ|0|what");
    EXPECT_EQ(client.readLine(), u"");
}

TEST_F(ServerScripting, BreakCutsAScriptedDelay)
{
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (!line.startsWith(u"SHO|"))
            return false;
        reply.sendLine(u"BOD|0|SHO|1"_s);
        reply.delay(60000);
        reply.defaultAnswer();
        return true;
    });
    KlvLineClient client;
    ASSERT_TRUE(client.connectTo(port()));
    ASSERT_TRUE(client.logOn());
    client.sendLine(u"SHO|0|LANG|0"_s);
    EXPECT_EQ(client.readLine(), u"BOD|0|SHO|1");
    client.sendLine(u"BRQ|0"_s);
    EXPECT_EQ(client.readLine(), u"NAK|0|Request \"SHO\" broken off by BRQ|1011|");
}

TEST_F(ServerScripting, LinesBehindAnUnfinishedAnswerAreRecordedWhenTheClientLeaves)
{
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (!line.startsWith(u"SHO|"))
            return false;
        reply.delay(60000);
        return true;
    });
    {
        KlvLineClient client;
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
        client.sendRaw("SHO|0|LANG|0\r\nSET|0|LANG|E\r\nEND|0\r\n");
        ASSERT_TRUE(server().waitForReceived(3));
    }
    ASSERT_TRUE(server().waitForReceived(5));
    EXPECT_EQ(server().receivedLines().mid(2), (QStringList{u"SHO|0|LANG|0"_s, u"SET|0|LANG|E"_s, u"END|0"_s}));
    server().clearReceived();
    EXPECT_TRUE(server().receivedLines().isEmpty());
}
