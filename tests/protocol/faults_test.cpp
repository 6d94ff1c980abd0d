// A session and its query against a server that misbehaves (scripted): lines that break the
// protocol, answers of other transactions, stray and doubled answers, stalls, the server
// ending the session, lines too long. In each, the call that meets the fault fails with its
// error, and every later command of the session gets its own answer or a clean error 5,
// never another command's data.
#include "Common.h"
#include "KLV.h"
#include "KLVDispatch.h"
#include "KLVQuery.h"
#include "KLVSockComm.h"
#include "KlvSessionFixture.h"

#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

class FaultTest : public KlvSessionFixture
{
protected:
    // The query's selection as the script serves it: two records in the first block, more
    // to fetch with GNR under transaction 5.
    void startScriptedQuery()
    {
        query->setDatasetSize(2);
        answerOnce(u"EXQ|"_s, {u"BOD|5||6"_s, u"D|5|1|eins"_s, u"D|5|2|zwei"_s, u"EOD|5|||F"_s});
        ASSERT_TRUE(query->StartQuery(u"KUNDEN"_s, u"nr,name"_s)) << query->GetLastError().toStdString();
        ASSERT_EQ(query->transactionId(), u"5"_s);
    }

    // The session still serves its own answers: the stand-in's Mandant, or a clean error 5
    // when the connection had to go.
    void expectOwnAnswerOrCleanEnd(bool connected)
    {
        if (connected) {
            EXPECT_EQ(session->GetMandantID(), u"100"_s) << session->GetLastError().toStdString();
            EXPECT_EQ(session->GetSessionOption(u"LANG"_s), u"D"_s);
            EXPECT_TRUE(session->IsConnected());
        } else {
            EXPECT_EQ(session->GetMandantID(), QString());
            EXPECT_EQ(session->GetLastError(), Common::GetErrorText(5));
            EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 5);
            EXPECT_FALSE(session->IsConnected());
        }
    }

    KLVDispatch* queue() { return session->Connection()->dispatcher(); }
};

} // namespace

TEST_F(FaultTest, ARecordOfAnotherTransactionInsideAQueryAnswerFailsTheStart)
{
    // Sent with id 0, the answer's own id is that of its first line.
    answerOnce(u"EXQ|"_s, {u"BOD|5||3"_s, u"D|5|1"_s, u"D|6|fremd"_s, u"D|5|2"_s, u"EOD|5|||T"_s});
    EXPECT_FALSE(query->StartQuery(u"KUNDEN"_s, u"nr"_s));
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(12));
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 12);
    EXPECT_FALSE(query->GetNextRecord() && query->GetField(1) == u"2"_s);
    expectOwnAnswerOrCleanEnd(true);
}

TEST_F(FaultTest, AnotherTransactionsLinesInAFurtherBlockEndTheSelectionWithTheErrorKept)
{
    startScriptedQuery();
    // First line foreign: that answer is skipped to its own end.
    answerOnce(u"GNR|5"_s, {u"D|7|fremd"_s, u"EOD|7|||T"_s});
    ASSERT_TRUE(query->GetNextRecord());
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(12));
    // The selection ended there: nothing more is asked for, the reason stays, and the
    // records already read are still there.
    server().clearReceived();
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 12);
    EXPECT_TRUE(query->GetFirstRecord());
    EXPECT_EQ(query->GetField(2), u"eins"_s);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 12);
    EXPECT_TRUE(server().receivedLines().isEmpty());
    EXPECT_EQ(query->GetRecordCount(), 2);
    expectOwnAnswerOrCleanEnd(true);

    // Mid-block: the block's own end is where the skip ends.
    startScriptedQuery();
    answerOnce(u"GNR|5"_s, {u"BOD|5||6"_s, u"D|5|3|drei"_s, u"D|8|fremd"_s, u"D|5|4|vier"_s, u"EOD|5|||T"_s});
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 3); // the record before the foreign line stays
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 12);
    expectOwnAnswerOrCleanEnd(true);
}

TEST_F(FaultTest, AStrayLineOrADoubledAnswerNeverReachesTheNextCommand)
{
    // A record after the complete answer.
    answerOnce(u"SHO|0|MANDNAME"_s, {u"BOD|0|SHO|1"_s, u"D|0|MANDNAME|100"_s, u"EOD|0|SHO|1|1"_s, u"D|0|PROBE|x"_s});
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_EQ(session->GetSessionOption(u"PROBE"_s), QString());
    EXPECT_FALSE(session->GetLastError().isEmpty()); // the server's own refusal of PROBE

    // The whole answer twice.
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.defaultAnswer();
        reply.defaultAnswer();
    });
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    answerOnce(u"EXQ|"_s, {u"BOD|5||1"_s, u"D|5|nur"_s, u"EOD|5|||T"_s});
    ASSERT_TRUE(query->StartQuery(u"KUNDEN"_s, u"nr"_s));
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(1), u"nur"_s);
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_TRUE(query->GetLastError().isEmpty());
    expectOwnAnswerOrCleanEnd(true);
}

TEST_F(FaultTest, GarbageInAQueryAnswerIsNoRecordOfAnyLaterCommand)
{
    startScriptedQuery();
    answerOnce(u"GNR|5"_s, {u"BOD|5||6"_s, u"D|5|3|drei"_s, u"%%%garbage%%%"_s});
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 3);
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(1) + u"\r\n%%%garbage%%%"_s);
    // Where that answer would end cannot be told: the connection is given up.
    EXPECT_EQ(session->GetSessionOption(u"PROBE"_s), QString());
    EXPECT_EQ(session->GetLastError(), Common::GetErrorText(5));
    EXPECT_FALSE(query->StartQuery(u"KUNDEN"_s, u"nr"_s));
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(5));
}

TEST_F(FaultTest, TheServerEndingTheSessionInTheMiddleOfAnAnswerIsALostConnection)
{
    answerOnce(u"SHO|0|MANDNAME"_s, {u"BOD|0|SHO|1"_s, u"END|0"_s});
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastError(), Common::GetErrorText(5));
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, ALineLongerThanTheLimitFailsTheCallAndClosesTheConnection)
{
    session->setMaxLineLength(4096);
    EXPECT_EQ(session->MaxLineLength(), 4096);
    answerOnce(u"SHO|0|MANDNAME"_s, {u"BOD|0|SHO|1"_s, u"D|0|MANDNAME|"_s + QString(8000, u'x'), u"EOD|0|SHO|1|1"_s});
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_TRUE(session->GetLastError().startsWith(Common::GetErrorText(1)));
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 1);
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, ALineThatNeverEndsIsNotHeldWithoutBound)
{
    session->setMaxLineLength(4096);
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) { reply.sendRaw(QByteArray(64 * 1024, 'x')); });
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_EQ(session->Connection()->lineReader().pendingBytes(), 0);
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, BreakEndsAStalledFetchAtOnceAndTheLateAnswerIsSkipped)
{
    startScriptedQuery();
    // The further block takes a minute, unless the break cuts it short.
    answerOnce(u"GNR|5"_s, [](KlvScriptReply& reply) {
        reply.delay(60000);
        reply.sendLine(u"BOD|5||6"_s);
        reply.sendLine(u"D|5|spaet"_s);
        reply.sendLine(u"EOD|5|||T"_s);
    });
    ASSERT_TRUE(query->GetNextRecord());
    ASSERT_TRUE(query->GetNextRecord());
    QTimer::singleShot(100, [this] { query->Break(); });
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(32));
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 32);
    EXPECT_EQ(query->GetRecordCount(), 2);
    // The server's refusal of the broken command is skipped: the next command has its own.
    expectOwnAnswerOrCleanEnd(true);
    EXPECT_EQ(server().receivedLines().filter(u"BRQ|"_s), QStringList{u"BRQ|5"_s});
}

TEST_F(FaultTest, AServerThatIgnoresTheBreakLosesTheConnectionAfterTheSkipLimit)
{
    startScriptedQuery();
    session->Connection()->setBreakDrainTimeout(300);
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply&) {
        // Neither the further block nor an answer to the break ever comes.
        return !greeting && (line.startsWith(u"GNR|"_s) || line.startsWith(u"BRQ|"_s));
    });
    ASSERT_TRUE(query->GetNextRecord());
    ASSERT_TRUE(query->GetNextRecord());
    QTimer::singleShot(100, [this] { query->Break(); });
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 32);
    EXPECT_TRUE(queue()->draining());
    // The next command waits behind the skip, which gives up: a clean error 5.
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, ARequestTimeOutEndsAStalledWaitAndClosesTheConnection)
{
    EXPECT_EQ(session->RequestTimeout(), 0);
    session->setRequestTimeout(300);
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.delay(60000);
        reply.defaultAnswer();
    });
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastError(), Common::GetErrorText(17));
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 17);
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, ALongAnswerThatKeepsComingOutlastsTheRequestTimeOut)
{
    session->setRequestTimeout(300);
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.sendLine(u"BOD|0|SHO|1"_s);
        for (int i = 0; i < 4; ++i) {
            reply.delay(150);
            reply.sendLine(u"S|0|noch da|STAT|1"_s);
        }
        reply.sendLine(u"D|0|MANDNAME|100"_s);
        reply.sendLine(u"EOD|0|SHO|1|1"_s);
    });
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_TRUE(session->GetLastError().isEmpty());
}

TEST_F(FaultTest, ReleasingTheSessionEndsTheWaitOfItsQuery)
{
    startScriptedQuery();
    answerOnce(u"GNR|5"_s, [](KlvScriptReply& reply) { reply.delay(60000); });
    ASSERT_TRUE(query->GetNextRecord());
    ASSERT_TRUE(query->GetNextRecord());
    // The window that owned both goes while the further block is awaited.
    QTimer::singleShot(100, [this] { session.reset(); });
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(5));
    EXPECT_TRUE(query->Session().isNull());
    EXPECT_FALSE(query->StartQuery(u"KUNDEN"_s, u"nr"_s));
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 5);
}

TEST_F(FaultTest, TheSocketKeepsItselfAliveAndSendsEachLineAtOnce)
{
    auto* socket = session->Connection()->findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    EXPECT_EQ(socket->socketOption(QAbstractSocket::KeepAliveOption).toInt(), 1);
    EXPECT_EQ(socket->socketOption(QAbstractSocket::LowDelayOption).toInt(), 1);
    // Idle, nothing runs: no timer ticks while nobody waits.
    EXPECT_FALSE(queue()->timerActive());
}
