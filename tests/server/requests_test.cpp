// One answer at a time per connection: batches, the shell command, and the break.
#include "KlvLineClient.h"
#include "KlvServerFixture.h"

using namespace Qt::StringLiterals;

class ServerRequests : public KlvServerFixture
{
protected:
    void SetUp() override
    {
        KlvServerFixture::SetUp();
        ASSERT_TRUE(client.connectTo(port()));
        ASSERT_TRUE(client.logOn());
    }
    KlvLineClient client;
};

TEST_F(ServerRequests, ABatchIsAnsweredLineByLineInOrder)
{
    client.sendRaw("SET|0|DATEMODE|SORT\r\nSET|0|DATEMODE|NEVER\r\nSHO|0|DateMode|0\r\n");
    EXPECT_EQ(client.readAnswer(), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.readAnswer(), QStringList{u"NAK|0|Value \"NEVER\" not allowed for option DATEMODE|1006|"_s});
    EXPECT_EQ(client.readAnswer(), (QStringList{u"BOD|0|SHO|1"_s, u"D|0|DATEMODE|SORT"_s, u"EOD|0|SHO|1|1"_s}));
}

TEST_F(ServerRequests, ShellCommandsAnswerAnExitCode)
{
    EXPECT_EQ(client.request(u"XSH|0|exit 3|0|0"_s), (QStringList{u"BOD|0|XSH|1"_s, u"D|0|3"_s, u"EOD|0|XSH|1|1"_s}));
    EXPECT_EQ(client.request(u"XSH|0|rm -rf /|1|0"_s).value(1), u"D|0|127");
    EXPECT_EQ(client.request(u"XSH|0|echo hello|0|0"_s).mid(0, 3),
              (QStringList{u"S|0|hello|TEXT|0"_s, u"BOD|0|XSH|1"_s, u"D|0|0"_s}));
    ASSERT_EQ(client.request(u"SET|0|SHOWTEXT|0"_s), QStringList{u"ACK|0"_s});
    EXPECT_EQ(client.request(u"XSH|0|echo hello|0|0"_s).value(0), u"BOD|0|XSH|1");
}

TEST_F(ServerRequests, BreakCutsASlowAnswerShortAndTheNextRequestIsServed)
{
    client.sendLine(u"XSH|0|sleep 60000|0|0"_s);
    client.sendLine(u"SHO|0|LANG|0"_s); // waits behind the slow answer
    ASSERT_TRUE(server().waitForReceived(3));
    client.sendLine(u"BRQ|0"_s);
    EXPECT_EQ(client.readAnswer(), QStringList{u"NAK|0|Request \"XSH\" broken off by BRQ|1011|"_s});
    EXPECT_EQ(client.readAnswer().value(1), u"D|0|LANG|D");
    EXPECT_EQ(server().receivedLines().mid(2),
              (QStringList{u"XSH|0|sleep 60000|0|0"_s, u"BRQ|0"_s, u"SHO|0|LANG|0"_s}));
}

TEST_F(ServerRequests, ABreakWithNothingRunningGetsNoAnswer)
{
    client.sendLine(u"BRQ|0"_s);
    client.sendLine(u"BRQ|17"_s);
    EXPECT_EQ(client.request(u"SHO|0|LANG|0"_s).value(0), u"BOD|0|SHO|1");
}

TEST_F(ServerRequests, EveryCommandButTheSessionOnesNeedsALogon)
{
    KlvLineClient stranger;
    ASSERT_TRUE(stranger.connectTo(port()));
    stranger.readLine();
    for (const QString& line : {u"SET|0|LANG|E"_s, u"SHO|0|LANG|0"_s, u"TA|0|START"_s,
                                u"LCK|0|STRING|x|EXCLUSIVE|NOWAIT"_s, u"XSH|0|exit 0|0|0"_s}) {
        const QStringList answer = stranger.request(line);
        ASSERT_EQ(answer.size(), 1);
        EXPECT_TRUE(answer[0].startsWith(u"NAK|0|Not logged on")) << line.toStdString();
    }
}
