// A session and its query against a server that misbehaves (scripted): lines that break the
// protocol, answers of other transactions, stray, late and doubled answers cut anywhere,
// stalls, the server ending the session, lines too long. In each, the call that meets the
// fault fails with its error after a correct part of its records at most, and every later
// command of the session gets its own answer or a clean error 5, never another command's
// data; logged on anew, the session works again.
#include "Common.h"
#include "KLV.h"
#include "KLVDispatch.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"
#include "KlvScriptedSelection.h"
#include "KlvSessionFixture.h"

#include "KLVWait.h"

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

    // After the connection was given up, a new one serves as before.
    void expectWorksOnANewConnection()
    {
        ASSERT_TRUE(logOn(*session)) << session->GetLastError().toStdString();
        expectOwnAnswerOrCleanEnd(true);
    }

    // A read of the selection either came to its end with all records, or stopped on an
    // error after the first records and nothing else.
    static void expectCorrectOrCorrectPrefix(const KlvSelectionRead& read, const QStringList& truth)
    {
        if (read.error == 0)
            EXPECT_EQ(read.values, truth);
        else
            EXPECT_EQ(read.values, truth.mid(0, read.values.size())) << "error " << read.error;
    }

    // Eight records in blocks of two, as a query reads them: the first with EXQ, three GNRs.
    static QStringList eightRecords()
    {
        QStringList records;
        for (int i = 1; i <= 8; ++i)
            records << QString::number(i) + u"|r"_s + QString::number(i);
        return records;
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
    // Nothing of that answer is handed out, and whose the rest is cannot be told.
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetRecordCount(), 0);
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, AnotherTransactionsLinesInAFurtherBlockEndTheSelectionWithTheErrorKept)
{
    startScriptedQuery();
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
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();

    // Mid-block: the records of the block before the foreign line are no safer than it.
    startScriptedQuery();
    answerOnce(u"GNR|5"_s, {u"BOD|5||6"_s, u"D|5|3|drei"_s, u"D|8|fremd"_s, u"D|5|4|vier"_s, u"EOD|5|||T"_s});
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 2);
    EXPECT_EQ(query->GetRecordTotal(), 6);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 12);
    expectOwnAnswerOrCleanEnd(false);
}

TEST_F(FaultTest, BytesBehindAnAnswersEndFailItAndCloseTheConnection)
{
    // A record behind the complete answer, in the same read: the answer it follows may be a
    // late copy itself, so it fails too.
    answerOnce(u"SHO|0|MANDNAME"_s, {u"BOD|0|SHO|1"_s, u"D|0|MANDNAME|100"_s, u"EOD|0|SHO|1|1"_s, u"D|0|PROBE|x"_s});
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_TRUE(session->GetLastError().startsWith(Common::GetErrorText(1)));
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();

    // The whole answer twice.
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.defaultAnswer();
        reply.defaultAnswer();
    });
    EXPECT_EQ(session->GetMandantID(), QString());
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 1);
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, BytesThatArriveWhileNoCommandIsOutCloseTheConnection)
{
    // The answer's end comes alone; a stray record follows while the session is idle.
    answerOnce(u"SHO|0|MANDNAME"_s, [](KlvScriptReply& reply) {
        reply.defaultAnswer();
        reply.delay(100);
        reply.sendLine(u"D|0|PROBE|x"_s);
    });
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    KLVWait wait;
    wait.wakeOn(session->Connection(), &KLVSockComm::activity);
    EXPECT_TRUE(wait.until([this] { return !session->IsConnected(); }, 10000));
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, ACopyOfAnAnswerCutAfterItsFirstBytesAroundTheNextCommandIsNoAnswer)
{
    // The first two bytes of a copy of the first further block come with that block, the
    // rest before the next block: once, the queue dropped them and read the rest as a record.
    const KlvScriptedSelection selection(eightRecords(), 2);
    selection.install(server(), [&selection](int block) -> QList<KlvScriptedSelection::Piece> {
        if (block == 1)
            return {{selection.answer(1) + selection.answer(1).left(2)}};
        if (block == 2)
            return {{selection.answer(1).mid(2) + selection.answer(2)}};
        return {{selection.answer(block)}};
    });
    ASSERT_TRUE(selection.start(*query));
    const KlvSelectionRead read = readSelection(*query);
    expectCorrectOrCorrectPrefix(read, secondFields(selection.records()));
    EXPECT_EQ(read.values, (QStringList{u"r1"_s, u"r2"_s}));
    EXPECT_EQ(read.error, 1);
    EXPECT_LE(query->GetRecordCount(), 2);
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, WholeCopiesOfAnAnswerAfterTheNextCommandNeverAnswerIt)
{
    // The copy of the first further block comes before the second, which it looks like.
    for (int copies = 1; copies <= 2; ++copies) {
        const KlvScriptedSelection selection(eightRecords(), 2);
        selection.install(server(), [&selection, copies](int block) -> QList<KlvScriptedSelection::Piece> {
            if (block == 2)
                return {{selection.answer(1).repeated(copies) + selection.answer(2)}};
            return {{selection.answer(block)}};
        });
        ASSERT_TRUE(selection.start(*query));
        const KlvSelectionRead read = readSelection(*query);
        expectCorrectOrCorrectPrefix(read, secondFields(selection.records()));
        EXPECT_EQ(read.values.size(), 4) << copies;
        EXPECT_EQ(read.error, 1);
        EXPECT_EQ(query->GetRecordCount(), 4);
        expectOwnAnswerOrCleanEnd(false);
        expectWorksOnANewConnection();
    }

    // An option query: the copy of the last option's answer comes before its own.
    EXPECT_EQ(session->GetSessionOption(u"MANDNAME"_s), u"100"_s);
    answerOnce(u"SHO|0|LANG"_s, [](KlvScriptReply& reply) {
        reply.sendRaw("BOD|0|SHO|1\r\nD|0|MANDNAME|100\r\nEOD|0|SHO|1|1\r\n");
        reply.defaultAnswer();
    });
    EXPECT_EQ(session->GetSessionOption(u"LANG"_s), QString());
    EXPECT_EQ(session->GetLastKLVError()->ApiErrorCode(), 1);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, AStrayLineSplitFromItsEndLineAroundAnOptionQueryAnswersNothing)
{
    // Once, the record went when the option query went out, its ACK was read as that query's
    // answer (no value: "TAV"), and every later option query was one answer behind.
    ASSERT_TRUE(session->SetDateMode(klvDateModeSort));
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting)
            return false;
        if (line.startsWith(u"SET|0|DATEMODE"_s)) {
            reply.defaultAnswer();
            reply.sendRaw("D|0|DATEMODE|TAV\r\n");
            return true;
        }
        if (line.startsWith(u"SHO|0|DATEMODE"_s)) {
            reply.sendRaw("ACK|0\r\n");
            reply.defaultAnswer();
            return true;
        }
        return false;
    });
    session->SetDateMode(klvDateModeSort);
    // The call either fails or answers what the server holds, never the stray value.
    const KLV_DateMode mode = session->GetDateMode();
    if (session->GetLastError().isEmpty())
        EXPECT_EQ(mode, klvDateModeSort);
    else
        EXPECT_NE(session->GetLastKLVError()->ApiErrorCode(), 0);
    EXPECT_FALSE(session->IsConnected());
    server().setScript({});
    expectWorksOnANewConnection();
    EXPECT_EQ(session->GetDateMode(), klvDateModeTAV4); // the new session's own
    EXPECT_EQ(session->GetDateMode(), klvDateModeTAV4); // and no answer behind
}

TEST_F(FaultTest, AContinuationAfterALaterBodIsAnUnexpectedLineNotPartOfTheLastRecord)
{
    query->setDatasetSize(2);
    answerOnce(u"EXQ|"_s, {u"BOD|5||4"_s, u"D|5|r1a|r1b"_s, u"D|5|r2a|r2b"_s, u"EOD|5|||F"_s});
    ASSERT_TRUE(query->StartQuery(u"KUNDEN"_s, u"a,b"_s));
    answerOnce(u"GNR|5"_s, {u"BOD|5||4"_s, u"DC|5|XX"_s, u"D|5|r3a|r3b"_s, u"EOD|5|||T"_s});
    ASSERT_TRUE(query->GetNextRecord());
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(2), u"r2b"_s);
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(1) + u"\r\nDC|5|XX"_s);
    ASSERT_TRUE(query->GetPrevRecord());
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(2), u"r2b"_s); // read again: not glued on
    EXPECT_EQ(query->GetRecordCount(), 2);
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();

    // The same after a second BOD inside one answer.
    answerOnce(u"EXQ|"_s, {u"BOD|0||2"_s, u"D|0|r1a|r1b"_s, u"BOD|0||2"_s, u"DC|0|XX"_s, u"EOD|0|||T"_s});
    EXPECT_FALSE(query->StartQuery(u"KUNDEN"_s, u"a,b"_s));
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_EQ(query->GetRecordCount(), 0);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, GarbageInAQueryAnswerIsNoRecordOfAnyLaterCommand)
{
    startScriptedQuery();
    answerOnce(u"GNR|5"_s, {u"BOD|5||6"_s, u"D|5|3|drei"_s, u"%%%garbage%%%"_s});
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 2); // the block's record before the garbage is no safer than it
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

TEST_F(FaultTest, BreakEndsAStalledFetchWithTheServersRefusalAndTheConnectionStaysInStep)
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
    // The server's refusal of the broken command was the fetch's answer: the next command
    // has its own.
    expectOwnAnswerOrCleanEnd(true);
    EXPECT_EQ(server().receivedLines().filter(u"BRQ|"_s), QStringList{u"BRQ|5"_s});
}

TEST_F(FaultTest, AServerThatIgnoresTheBreakLosesTheConnectionAfterTheBreakTimeOut)
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
    EXPECT_EQ(query->GetRecordCount(), 2);
    // Nothing that came later could be told from the broken command's answer: a clean error 5.
    expectOwnAnswerOrCleanEnd(false);
    expectWorksOnANewConnection();
}

TEST_F(FaultTest, RecordsAndMetadataOf2000FieldsAreReadWholeAndWiderOnesFailTheQueryInStep)
{
    const auto numbered = [](const QString& head, int count) {
        QString line = head;
        for (int i = 1; i <= count; ++i)
            line += u'|' + QString::number(i);
        return line;
    };
    query->setEnableQueryMetaData(true);
    answerOnce(u"EXQ|"_s, {u"BOD|0||1"_s, numbered(u"DM|0|NAME"_s, 2000), numbered(u"DM|0|ORIGNAME"_s, 2000),
                           numbered(u"D|0"_s, 2000), u"EOD|0|||T"_s});
    ASSERT_TRUE(query->StartQuery(u"KUNDEN"_s, u"a,b"_s)) << query->GetLastError().toStdString();
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetFieldCount(), 2000);
    EXPECT_EQ(query->GetFields().last(), u"2000"_s);
    EXPECT_EQ(query->GetQueryMetaData()->GetFieldNames().size(), 2000);
    EXPECT_EQ(query->GetFieldN(u"1999"_s), u"1999"_s);

    // Past the limit the query fails saying why, hands nothing out, and the connection,
    // read to the answer's end, serves on.
    const int wider = KLVResultSet::MaxRecordFields + 1;
    for (const QString& line : {numbered(u"D|0"_s, wider), numbered(u"DM|0|NAME"_s, wider)}) {
        answerOnce(u"EXQ|"_s, {u"BOD|0||2"_s, u"D|0|1"_s, line, u"D|0|2"_s, u"EOD|0|||T"_s});
        EXPECT_FALSE(query->StartQuery(u"KUNDEN"_s, u"a,b"_s));
        EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 1);
        EXPECT_TRUE(query->GetLastError().contains(u"more than 100000"_s)) << query->GetLastError().toStdString();
        EXPECT_EQ(query->GetRecordCount(), 0);
        EXPECT_FALSE(query->GetNextRecord());
        expectOwnAnswerOrCleanEnd(true);
    }
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

TEST_F(FaultTest, DestroyingTheSessionEndsTheWaitOfItsQuery)
{
    // A session owned by a parent object rather than shared goes with its parent, whoever
    // still holds its queries.
    auto owner = std::make_unique<QObject>();
    auto* owned = new KLV(owner.get());
    ASSERT_TRUE(logOn(*owned));
    const QSharedPointer<KLVQuery> orphan = owned->CreateQuery();
    orphan->setDatasetSize(2);
    answerOnce(u"EXQ|"_s, {u"BOD|5||6"_s, u"D|5|1|eins"_s, u"D|5|2|zwei"_s, u"EOD|5|||F"_s});
    ASSERT_TRUE(orphan->StartQuery(u"KUNDEN"_s, u"nr,name"_s));
    answerOnce(u"GNR|5"_s, [](KlvScriptReply& reply) { reply.delay(60000); });
    ASSERT_TRUE(orphan->GetNextRecord());
    ASSERT_TRUE(orphan->GetNextRecord());
    QTimer::singleShot(100, [&owner] { owner.reset(); });
    EXPECT_FALSE(orphan->GetNextRecord());
    EXPECT_EQ(orphan->GetLastError(), Common::GetErrorText(5));
    EXPECT_TRUE(orphan->Session().isNull());
    EXPECT_FALSE(orphan->StartQuery(u"KUNDEN"_s, u"nr"_s));
    EXPECT_EQ(orphan->GetLastKLVError()->ApiErrorCode(), 5);
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
