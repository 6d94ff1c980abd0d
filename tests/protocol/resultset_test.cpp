// The result set fed answer lines directly, without a socket: how each answer code ends a
// request, where records, metadata, errors and messages go, and the bounded record cache.
#include "Common.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class ResultSetTest : public ::testing::Test
{
protected:
    void SetUp() override { Common::InitMessageLanguage(9); }

    // Starts an answer to a command sent with tid and feeds lines until the request ends.
    int feed(const QString& tid, const QStringList& lines)
    {
        rs.prepareAnswer(tid);
        rs.setUnicode(true);
        request = std::make_unique<KLVRequest>();
        request->SetState(KLVRequest::Waiting);
        for (const QString& line : lines) {
            rs.ReceiveLine(line.toUtf8(), true, request.get());
            if (request->GetState() != KLVRequest::Waiting)
                break;
        }
        return request->GetState();
    }

    QStringList record(int n)
    {
        if (!rs.SetCurrRecord(n, true))
            return {u"<none>"_s};
        return rs.GetFields();
    }

    KLVResultSet rs;
    std::unique_ptr<KLVRequest> request;
};

} // namespace

TEST_F(ResultSetTest, NegativeAnswerCarriesTextNumberAndContext)
{
    EXPECT_EQ(feed(u"5"_s, {u"NAK|5|Datensatz gesperrt|123|Kunden"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Message(), u"Datensatz gesperrt"_s);
    EXPECT_EQ(rs.GetCurrentError()->Number(), 123);
    EXPECT_EQ(rs.GetCurrentError()->Context(), u"Kunden"_s);
    EXPECT_TRUE(rs.atEOF());
}

TEST_F(ResultSetTest, ErrorLinesBecomeTheMessagesOfTheFailure)
{
    QList<QSharedPointer<KLVMessage>> raised;
    QObject::connect(&rs, &KLVResultSet::MessageReceived, [&](const QSharedPointer<KLVMessage>& m) { raised << m; });
    EXPECT_EQ(feed(u"0"_s, {u"E|0|Feld leer|CHECK|17|3|name"_s, u"NAK|0|Abgelehnt|9|"_s}), KLVRequest::Failed);
    ASSERT_EQ(raised.size(), 1);
    EXPECT_EQ(raised[0]->MsgType(), messageTypeError);
    EXPECT_EQ(raised[0]->MsgCategory(), u"CHECK"_s);
    EXPECT_EQ(raised[0]->Number(), 17);
    EXPECT_EQ(raised[0]->FieldRow(), 3);
    EXPECT_EQ(raised[0]->FieldName(), u"name"_s);
    ASSERT_EQ(rs.GetCurrentError()->ErrorMessages().size(), 1);
    EXPECT_EQ(rs.GetCurrentError()->ErrorMessages()[0]->Text(), u"Feld leer"_s);
}

TEST_F(ResultSetTest, ForeignTransactionIdFailsTheRequest)
{
    EXPECT_EQ(feed(u"5"_s, {u"ACK|7"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(12));
    EXPECT_EQ(rs.GetCurrentError()->Number(), 0);
    EXPECT_EQ(rs.GetCurrentError()->ApiErrorCode(), 12);
    // Whose the lines behind it are cannot be told: the queue gives the connection up.
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::OutOfStep);
    EXPECT_FALSE(rs.answerEnded());
    EXPECT_EQ(feed(u"5"_s, {u"D|7|x"_s}), KLVRequest::Failed);
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::OutOfStep);
    EXPECT_EQ(feed(u"5"_s, {u"BOD|5||3"_s, u"D|5|a"_s, u"D|7|fremd"_s}), KLVRequest::Failed);
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::OutOfStep);

    EXPECT_EQ(feed(u"0"_s, {u"ACK|7"_s}), KLVRequest::Done);
    EXPECT_EQ(feed(u"5"_s, {u"ACK|0"_s}), KLVRequest::Done);
    // Message lines are never checked.
    EXPECT_EQ(feed(u"5"_s, {u"S|9|hallo|INFO|5"_s, u"E|9|fehler|X|1"_s, u"ACK|5"_s}), KLVRequest::Done);
}

TEST_F(ResultSetTest, EveryLineOfAnAnswerCarriesTheTransactionIdOfItsFirst)
{
    // Sent with "0", the answer opens a transaction of its own: its lines all carry it.
    EXPECT_EQ(feed(u"0"_s, {u"BOD|5||2"_s, u"D|5|a"_s, u"S|0|Info|STAT|1"_s, u"D|5|b"_s, u"EOD|5|||T"_s}),
              KLVRequest::Done);
    EXPECT_EQ(rs.GetRecordCount(), 2);
    // A record of another transaction inside it is no record of this answer.
    rs.ClearDataLines();
    EXPECT_EQ(feed(u"0"_s, {u"BOD|5||2"_s, u"D|5|a"_s, u"D|6|fremd"_s, u"EOD|5|||T"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(12));
    EXPECT_EQ(rs.GetRecordCount(), 1);
    // Each answer of a batch is an answer of its own.
    rs.SendCommandLineBatch(u"SFV|5|0|a|1|0"_s, false);
    rs.SendCommandLineBatch(u"BEG|0|x"_s, false);
    EXPECT_EQ(feed(u"5"_s, {u"ACK|5"_s, u"ACK|0"_s}), KLVRequest::Done);
}

TEST_F(ResultSetTest, StatusLinesBecomeTextOrStatusMessagesAndTheGreetingIsIgnored)
{
    QList<QSharedPointer<KLVMessage>> raised;
    QObject::connect(&rs, &KLVResultSet::MessageReceived, [&](const QSharedPointer<KLVMessage>& m) { raised << m; });
    feed(u"0"_s, {u"S|0|Hinweis|TEXT|5"_s, u"S|0|Willkommen|VERSION|2797"_s, u"S|0|Fertig|STAT|42"_s, u"ACK|0"_s});
    ASSERT_EQ(raised.size(), 2);
    EXPECT_EQ(raised[0]->MsgType(), messageTypeText);
    EXPECT_EQ(raised[0]->Text(), u"Hinweis"_s);
    EXPECT_EQ(raised[0]->MsgCategory(), QString());
    EXPECT_EQ(raised[1]->MsgType(), messageTypeStatus);
    EXPECT_EQ(raised[1]->MsgCategory(), u"STAT"_s);
    EXPECT_EQ(raised[1]->Number(), 42);
    EXPECT_TRUE(rs.GetCurrentError()->ErrorMessages().isEmpty());
}

TEST_F(ResultSetTest, RecordsAreSplitWhenTheyBecomeCurrent)
{
    EXPECT_EQ(feed(u"0"_s, {u"BOD|3|x|120"_s, u"D|3|1|Meier\\|Co|a\\\\b"_s, u"D|3|2||x"_s, u"EOD|3|||F"_s}),
              KLVRequest::Done);
    EXPECT_EQ(rs.getTID(), u"3"_s);
    EXPECT_EQ(rs.GetRecordTotal(), 120);
    EXPECT_EQ(rs.GetRecordCount(), 2);
    EXPECT_FALSE(rs.atEOF());
    EXPECT_EQ(record(1), (QStringList{u"1"_s, u"Meier|Co"_s, u"a\\b"_s}));
    EXPECT_EQ(rs.GetFieldVal(2), u"Meier|Co"_s);
    EXPECT_EQ(rs.GetFieldVal(0), QString());
    EXPECT_EQ(rs.GetFieldVal(4), QString());
    EXPECT_EQ(record(2), (QStringList{u"2"_s, QString(), u"x"_s}));
    EXPECT_EQ(record(3), QStringList{u"<none>"_s});
    EXPECT_EQ(rs.GetFieldCount(), 0);
    EXPECT_EQ(rs.GetCurrRecordNr(), 2);

    feed(u"3"_s, {u"EOD|3|||T"_s});
    EXPECT_TRUE(rs.atEOF());
}

TEST_F(ResultSetTest, ContinuationLinesJoinTheRawRecordText)
{
    feed(u"0"_s, {u"D|0|a|b"_s, u"DC|0|c|d"_s, u"EOD|0|||1"_s});
    EXPECT_EQ(rs.GetRecordCount(), 1);
    EXPECT_EQ(record(1), (QStringList{u"a"_s, u"bc"_s, u"d"_s}));
    // An escape split across the two lines joins as well.
    feed(u"0"_s, {u"D|0|x\\"_s, u"DC|0||y"_s, u"ACK|0"_s});
    EXPECT_EQ(record(2), (QStringList{u"x|y"_s}));
}

TEST_F(ResultSetTest, EmptyRecordHasNoFields)
{
    feed(u"0"_s, {u"D|0"_s, u"D|0|"_s, u"ACK|0"_s});
    EXPECT_EQ(rs.GetRecordCount(), 2);
    ASSERT_TRUE(rs.SetCurrRecord(1, true));
    EXPECT_EQ(rs.GetFieldCount(), 0);
    ASSERT_TRUE(rs.SetCurrRecord(2, true));
    EXPECT_EQ(rs.GetFieldCount(), 0);
}

TEST_F(ResultSetTest, WideRecordsAndMetadataLinesAreReadWholeAndWiderOnesFailTheAnswerInStep)
{
    // 2,000 fields, the record in two lines, the metadata in one line per attribute.
    const auto numbered = [](int from, int to) {
        QString text;
        for (int i = from; i <= to; ++i)
            text += u'|' + QString::number(i);
        return text;
    };
    const QString names = u"DM|0|NAME"_s + numbered(1, 2000);
    const QString types = u"DM|0|TYPE"_s + numbered(1, 2000).replace(u'|', u"|N"_s);
    EXPECT_EQ(feed(u"0"_s, {names, types, u"D|0"_s + numbered(1, 1200), u"DC|0|"_s + numbered(1201, 2000), u"ACK|0"_s}),
              KLVRequest::Done);
    ASSERT_TRUE(rs.SetCurrRecord(1, true));
    EXPECT_EQ(rs.GetFieldCount(), 2000);
    EXPECT_EQ(rs.GetFieldVal(1200), u"1200"_s);
    EXPECT_EQ(rs.GetFieldVal(2000), u"2000"_s);
    const KLVFieldMetaDataList columns = rs.GetFieldMetaData();
    ASSERT_EQ(columns.size(), 2000);
    EXPECT_EQ(columns[1999]->Name(), u"2000"_s);
    EXPECT_EQ(columns[1999]->ERPType(), u"N2000"_s);

    // Ordinary answer lines read the fields they have; more carry nothing.
    QString nak = u"NAK|0|text|5|ctx"_s;
    for (int i = 0; i < 300; ++i)
        nak += u"|x"_s;
    EXPECT_EQ(feed(u"0"_s, {nak}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Context(), u"ctx"_s);

    // One field or column more than is taken: the answer is read to its end, so the
    // connection stays in step, and fails saying why, whatever its end line says.
    const int limit = KLVResultSet::MaxRecordFields;
    const QList<QStringList> tooWide = {
        {u"D|0"_s + numbered(1, limit + 1)},
        {u"DM|0|NAME"_s + numbered(1, limit + 1)},
        {u"D|0"_s + numbered(1, limit - 5), u"DC|0|"_s + numbered(1, 10)}, // wide once its continuation came
    };
    for (const QStringList& lines : tooWide) {
        EXPECT_EQ(feed(u"0"_s, QStringList{u"D|0|before"_s} + lines + QStringList{u"D|0|after"_s, u"NAK|0|text|3|"_s}),
                  KLVRequest::Failed);
        EXPECT_TRUE(rs.answerEnded());
        EXPECT_EQ(request->leftover(), KLVRequest::Leftover::None);
        EXPECT_EQ(rs.GetCurrentError()->ApiErrorCode(), 1);
        EXPECT_TRUE(rs.GetCurrentError()->Message().contains(u"more than 100000"_s))
            << rs.GetCurrentError()->Message().toStdString();
    }
    // More bars than fields taken, but escaped ones do not cut.
    rs.ClearDataLines();
    EXPECT_EQ(feed(u"0"_s, {u"D|0"_s + numbered(1, limit - 1) + u"|a\\|b\\|c"_s, u"EOD|0|||T"_s}), KLVRequest::Done);
    ASSERT_TRUE(rs.SetCurrRecord(1, true));
    EXPECT_EQ(rs.GetFieldCount(), limit);
    EXPECT_EQ(rs.GetFieldVal(limit), u"a|b|c"_s);
}

TEST_F(ResultSetTest, NumbersThatAreNotNumbersReadAsZero)
{
    EXPECT_EQ(feed(u"0"_s, {u"NAK|0|kaputt|zwölf|"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Number(), 0);
    feed(u"0"_s, {u"BOD|0|x|viele"_s, u"DM|0|NAME|a"_s, u"DM|0|LENGTH|lang"_s, u"E|0|t|C|x|y|f"_s, u"ACK|0"_s});
    EXPECT_EQ(rs.GetRecordTotal(), 0);
    ASSERT_EQ(rs.GetFieldMetaData().size(), 1);
    EXPECT_EQ(rs.GetFieldMetaData()[0]->Length(), 0);
}

TEST_F(ResultSetTest, MetadataLinesFillTheColumnsNamedFirst)
{
    feed(u"0"_s, {u"DM|0|DESC|ignored"_s, u"DM|0|NAME|nr|name"_s, u"DM|0|OUTNAME|Nr|Name"_s,
                  u"DM|0|ORIGNAME|nummer|such"_s, u"DM|0|DESC|Nummer"_s, u"DM|0|TABLEFLAG|ja|0|1"_s,
                  u"DM|0|LENGTH|10|40"_s, u"DM|0|TYPE|N10|A40"_s, u"DM|0|UNKNOWN|q|r"_s, u"ACK|0"_s});
    const KLVFieldMetaDataList meta = rs.GetFieldMetaData();
    ASSERT_EQ(meta.size(), 2);
    EXPECT_EQ(meta[0]->Name(), u"nr"_s);
    EXPECT_EQ(meta[0]->OutputName(), u"Nr"_s);
    EXPECT_EQ(meta[0]->OrigName(), u"nummer"_s);
    EXPECT_EQ(meta[0]->Description(), u"Nummer"_s);
    EXPECT_EQ(meta[1]->Description(), QString());
    EXPECT_TRUE(meta[0]->IsTabField());
    EXPECT_FALSE(meta[1]->IsTabField());
    EXPECT_EQ(meta[1]->Length(), 40);
    EXPECT_EQ(meta[1]->ERPType(), u"A40"_s);
    EXPECT_EQ(meta[0]->ToString(),
              u"nummer: name=[nr] outputName=[Nr] descr=[Nummer] inTab=[True] length=[10] type=[N10]"_s);
    rs.ClearDataLines();
    EXPECT_TRUE(rs.GetFieldMetaData().isEmpty());
}

TEST_F(ResultSetTest, CacheKeepsTheCurrentBlockAndDropsOlderRecords)
{
    rs.setDataCacheSize(3);
    rs.setDataCacheSize(-1); // ignored
    EXPECT_EQ(rs.DataCacheSize(), 3);
    QStringList block{u"BOD|0||50"_s};
    for (int i = 1; i <= 5; ++i)
        block << u"D|0|"_s + QString::number(i);
    block << u"EOD|0|||F"_s;
    feed(u"0"_s, block);
    EXPECT_EQ(rs.GetRecordCount(), 5);
    EXPECT_EQ(rs.droppedCount(), 0);
    EXPECT_EQ(record(1), QStringList{u"1"_s});

    // The next block: the cache may hold twice that block, the older records go first.
    feed(u"0"_s, {u"BOD|0||50"_s, u"D|0|6"_s, u"D|0|7"_s, u"EOD|0|||F"_s});
    EXPECT_EQ(rs.GetRecordCount(), 7);
    EXPECT_EQ(rs.droppedCount(), 3);
    EXPECT_EQ(record(3), QStringList{u"<none>"_s});
    EXPECT_EQ(rs.GetCurrRecordNr(), 1);
    EXPECT_EQ(record(4), QStringList{u"4"_s});
    EXPECT_EQ(record(7), QStringList{u"7"_s});

    rs.setDataCacheSize(0); // no limit
    feed(u"0"_s, {u"BOD|0||50"_s, u"D|0|8"_s, u"D|0|9"_s, u"D|0|10"_s, u"D|0|11"_s, u"EOD|0|||T"_s});
    EXPECT_EQ(rs.droppedCount(), 3);
    EXPECT_EQ(rs.GetRecordCount(), 11);
}

TEST_F(ResultSetTest, UnexpectedLineFailsWithTheLineInTheError)
{
    EXPECT_EQ(feed(u"0"_s, {u"HELLO|0|x"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(1) + u"\r\nHELLO|0|x"_s);
    EXPECT_EQ(rs.GetCurrentError()->ApiErrorCode(), 1);
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::OutOfStep);
    EXPECT_EQ(feed(u"0"_s, {u"no bars at all"_s}), KLVRequest::Failed);
    EXPECT_EQ(feed(u"4"_s, {u"BOD|4||1"_s, u"??"_s}), KLVRequest::Failed);
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::OutOfStep);
}

TEST_F(ResultSetTest, AContinuationJoinsOnlyTheRecordRightBeforeItInItsBlock)
{
    EXPECT_EQ(feed(u"0"_s, {u"BOD|0||2"_s, u"D|0|a|b"_s, u"DC|0|c|d"_s, u"DC|0|e"_s, u"EOD|0|||T"_s}),
              KLVRequest::Done);
    EXPECT_EQ(record(1), (QStringList{u"a"_s, u"bc"_s, u"de"_s}));

    // Anything between the record and the continuation (a further block's BOD, a second BOD
    // in one answer, a message) leaves the continuation with no record of its own.
    const QList<QStringList> misplaced = {
        {u"BOD|0||2"_s, u"D|0|r2a|r2b"_s, u"EOD|0|||F"_s, u"BOD|0||2"_s, u"DC|0|XX"_s},
        {u"BOD|0||2"_s, u"D|0|r2a|r2b"_s, u"BOD|0||2"_s, u"DC|0|XX"_s},
        {u"BOD|0||2"_s, u"D|0|r2a|r2b"_s, u"S|0|Info|STAT|1"_s, u"DC|0|XX"_s},
        {u"BOD|0||2"_s, u"DC|0|XX"_s},
        {u"DC|0|XX"_s},
    };
    for (const QStringList& lines : misplaced) {
        // Two answers expected, so that an end line inside the list does not end the feed.
        KLVResultSet fresh;
        fresh.SendCommandLineBatch(u"GNR|0"_s, false);
        fresh.SendCommandLineBatch(u"GNR|0"_s, false);
        fresh.prepareAnswer(u"0"_s);
        KLVRequest req;
        req.SetState(KLVRequest::Waiting);
        for (const QString& line : lines)
            fresh.ReceiveLine(line.toUtf8(), true, &req);
        EXPECT_EQ(req.GetState(), KLVRequest::Failed) << lines.join(u' ').toStdString();
        EXPECT_EQ(fresh.GetCurrentError()->Message(), Common::GetErrorText(1) + u"\r\nDC|0|XX"_s);
        EXPECT_EQ(req.leftover(), KLVRequest::Leftover::OutOfStep);
        if (fresh.SetCurrRecord(1, true)) { // never glued on
            EXPECT_EQ(fresh.GetFields(), (QStringList{u"r2a"_s, u"r2b"_s}));
        }
    }
}

TEST_F(ResultSetTest, AnAnswerTakenBackLeavesWhatTheEarlierAnswersStored)
{
    rs.setDataCacheSize(3);
    EXPECT_EQ(feed(u"5"_s, {u"BOD|5||9"_s, u"DM|5|NAME|nr"_s, u"D|5|1"_s, u"D|5|2"_s, u"EOD|5|||F"_s}),
              KLVRequest::Done);
    ASSERT_TRUE(rs.answerEnded());
    ASSERT_TRUE(rs.SetCurrRecord(2, true));
    // The next block turns out to be no answer of its own: another total, metadata and more
    // records than the cache holds came before the fault.
    EXPECT_EQ(feed(u"5"_s,
                   {u"BOD|5||4"_s, u"DM|5|NAME|x|y"_s, u"D|5|3"_s, u"D|5|4"_s, u"D|5|5"_s, u"D|5|6"_s, u"EOD|5|||T"_s}),
              KLVRequest::Done);
    rs.answerOutOfStep(u"(data behind the end of the answer)"_s);
    EXPECT_FALSE(rs.answerEnded());
    EXPECT_EQ(rs.GetCurrentError()->ApiErrorCode(), 1);
    rs.discardAnswer();
    // Record 1 went when the cache made room for the block: it stays gone, record 2 stays.
    EXPECT_EQ(rs.GetRecordCount(), 2);
    EXPECT_EQ(rs.GetRecordTotal(), 9);
    EXPECT_FALSE(rs.atEOF());
    ASSERT_EQ(rs.GetFieldMetaData().size(), 1);
    EXPECT_FALSE(rs.SetCurrRecord(3, true));
    EXPECT_EQ(record(2), QStringList{u"2"_s});

    // A further answer numbers on from there.
    EXPECT_EQ(feed(u"5"_s, {u"BOD|5||9"_s, u"D|5|3"_s, u"EOD|5|||T"_s}), KLVRequest::Done);
    EXPECT_EQ(record(3), QStringList{u"3"_s});
}

TEST_F(ResultSetTest, EndOrLostConnectionEndsTheSession)
{
    EXPECT_EQ(feed(u"0"_s, {u"D|0|x"_s, u"END|0"_s}), KLVRequest::SessionEnded);
    // The server ending the session in the middle of an answer is a connection that broke off.
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(5));
    EXPECT_EQ(request->leftover(), KLVRequest::Leftover::SessionEnded);

    QList<QSharedPointer<KLVMessage>> raised;
    QObject::connect(&rs, &KLVResultSet::MessageReceived, [&](const QSharedPointer<KLVMessage>& m) { raised << m; });
    rs.prepareAnswer(u"5"_s);
    KLVRequest req;
    req.SetState(KLVRequest::Waiting);
    rs.ReceiveLine(QByteArrayView(), false, &req);
    EXPECT_EQ(req.GetState(), KLVRequest::SessionEnded);
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(5));
    ASSERT_EQ(raised.size(), 1);
    EXPECT_EQ(raised[0]->MsgCategory(), u"ERROR"_s);
    EXPECT_EQ(rs.GetCurrentError()->ErrorMessages().size(), 1);
}

TEST_F(ResultSetTest, BatchWithOneRefusalFailsAsAWhole)
{
    QList<QSharedPointer<KLVMessage>> raised;
    QObject::connect(&rs, &KLVResultSet::MessageReceived, [&](const QSharedPointer<KLVMessage>& m) { raised << m; });
    rs.SendCommandLineBatch(u"SFV|5|0|a|1|0"_s, false);
    rs.SendCommandLineBatch(u"SFV|5|0|b|x|0"_s, false);
    rs.SendCommandLineBatch(u"SFV|5|0|c|2|0"_s, false);
    EXPECT_EQ(rs.batchCount(), 3);
    EXPECT_EQ(rs.GetCurrCmdLine(false), QString()); // nothing sent yet
    EXPECT_EQ(feed(u"5"_s, {u"ACK|5"_s, u"NAK|5|Wert ungültig|77|"_s, u"ACK|5"_s}), KLVRequest::Failed);
    EXPECT_EQ(rs.GetCurrentError()->Message(), Common::GetErrorText(27));
    ASSERT_EQ(raised.size(), 1);
    EXPECT_EQ(raised[0]->MsgCategory(), u"ERROR"_s);
    EXPECT_EQ(raised[0]->Text(), u"Wert ungültig"_s);
    EXPECT_EQ(raised[0]->Number(), 77);
    EXPECT_EQ(rs.batchCount(), 0);

    for (int i = 0; i < 3; ++i)
        rs.SendCommandLineBatch(u"SFV|5|0|a|1|0"_s, false);
    EXPECT_EQ(feed(u"5"_s, {u"ACK|5"_s, u"ACK|5"_s, u"ACK|5"_s}), KLVRequest::Done);
}

TEST_F(ResultSetTest, BatchAnswerClearsDataWhereItsCommandAsked)
{
    rs.SendCommandLineBatch(u"GFV|5|0|a"_s, false);
    rs.SendCommandLineBatch(u"GFV|5|0|b"_s, true);
    EXPECT_EQ(feed(u"5"_s, {u"D|5|first"_s, u"ACK|5"_s, u"D|5|second"_s, u"ACK|5"_s}), KLVRequest::Done);
    // The second answer's end cleared the data, the record after it came too late for it.
    EXPECT_EQ(rs.GetRecordCount(), 0);
}

TEST_F(ResultSetTest, FullBatchRefusesFurtherCommands)
{
    for (int i = 0; i < KLVResultSet::MaxBatchCommands; ++i)
        rs.SendCommandLineBatch(u"RIN|5|1"_s, false);
    EXPECT_THROW(rs.SendCommandLineBatch(u"RIN|5|2"_s, false), KLVRuntimeError);
    EXPECT_EQ(rs.batchCount(), KLVResultSet::MaxBatchCommands);
}

TEST_F(ResultSetTest, EmptyBatchFinishesAtOnce)
{
    EXPECT_TRUE(rs.FinishBatchCommands(u"0"_s)); // no connection needed: nothing is sent
}

TEST_F(ResultSetTest, RequestWithoutConnectionIsAProgrammingFault)
{
    EXPECT_THROW(rs.ProcessCommand(u"0"_s, u"SHO|0|X|0"_s, QString(), true), KLVRuntimeError);
}
