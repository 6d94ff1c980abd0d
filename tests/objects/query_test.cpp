// Selections against the stand-in server: records read block by block to the end, the lines
// that go over the wire, navigation and its fetching, the record cache, Break, records read
// by reference, column metadata, refusals and server messages.
#include "Common.h"
#include "KLV.h"
#include "KLVBoundEditField.h"
#include "KLVEditField.h"
#include "KLVEditor.h"
#include "KLVQuery.h"
#include "KLVResultSet.h"
#include "KLVSelection.h"
#include "KlvSessionFixture.h"
#include "TraceForm.h"

#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The generated table of the server: record n has "nummer" n and "name" "Messwert n".
const QString Readings = u"90:1"_s;
// 120 customers.
const QString Customers = u"1:1"_s;

class QueryTest : public KlvSessionFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.generatedRows = 2000;
        return options;
    }

    QStringList received() { return server().receivedLines(); }
    QStringList receivedStartingWith(const QString& word)
    {
        QStringList lines;
        for (const QString& line : received()) {
            if (line.startsWith(word + u'|'))
                lines << line;
        }
        return lines;
    }

    static QSharedPointer<KLVSelection> selection(const QString& table, const QString& krit = QString())
    {
        auto sel = QSharedPointer<KLVSelection>::create();
        sel->setTableName(table);
        sel->setKrit(krit);
        return sel;
    }
};

} // namespace

TEST_F(QueryTest, SelectionsOfEverySizeAreReadToTheEndEveryRecordOnceInOrder)
{
    struct Case
    {
        QString krit;
        int records;
        int fetches; // further blocks of 200
    };
    const Case cases[] = {
        {u"nummer=0"_s, 0, 0}, {u"nummer=5"_s, 1, 0}, {u"nummer<=250"_s, 250, 1}, {QString(), 2000, 9}};
    query->setDatasetSize(200);
    query->setEnableQueryMetaData(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        server().clearReceived();
        ASSERT_TRUE(query->StartQuerySel(selection(Readings, c.krit), u"nummer,name,ort"_s))
            << query->GetLastError().toStdString();
        EXPECT_EQ(query->GetRecordTotal(), c.records);
        EXPECT_EQ(query->GetRecordCount(), std::min(c.records, 200));

        const auto metaData = query->GetQueryMetaData();
        ASSERT_TRUE(metaData);
        const KLVFieldMetaDataList columns = metaData->GetFieldMetaDataArray();
        ASSERT_EQ(columns.size(), 3);
        EXPECT_EQ(columns[0]->OrigName(), u"nummer"_s);
        EXPECT_EQ(columns[0]->ERPType(), u"I9"_s);
        EXPECT_EQ(columns[2]->ERPType(), u"GL20"_s);
        EXPECT_EQ(metaData->GetFieldNumber(u"ORT"_s), 3);

        const int first = c.records == 1 ? 5 : 1;
        int read = 0;
        while (query->GetNextRecord()) {
            ++read;
            ASSERT_EQ(query->GetRecordNumber(), read);
            ASSERT_EQ(query->GetFieldCount(), 3);
            ASSERT_EQ(query->GetField(2), u"Messwert "_s + QString::number(first + read - 1));
            ASSERT_EQ(Common::ToLong(query->GetFieldN(u"nummer"_s)), first + read - 1);
        }
        EXPECT_EQ(read, c.records);
        EXPECT_EQ(query->GetRecordCount(), c.records);
        EXPECT_TRUE(query->GetLastError().isEmpty());
        EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), c.fetches);
        // Past the end nothing more is asked for and the position stays.
        EXPECT_FALSE(query->GetNextRecord());
        EXPECT_EQ(query->GetRecordNumber(), c.records);
        EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), c.fetches);
    }
}

TEST_F(QueryTest, TheQueryLineCarriesSelectionFieldsBlockSizeAndFlags)
{
    auto sel = selection(Readings, u"nummer<=3"_s);
    sel->setKey(u"nummer"_s);
    sel->setAscending(false);
    query->setDatasetSize(25);
    query->setTimeOut(30);
    ASSERT_TRUE(query->StartQuerySel(sel, u"nummer,name"_s));
    EXPECT_EQ(received().value(0), u"EXQ|0|90:1,@sort=nummer;@richtung=rueckw;nummer<=3|nummer,name|25|0||||30|0"_s);
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(2), u"Messwert 3"_s);

    // The table, criteria and key of the plain forms go through a selection of their own.
    server().clearReceived();
    ASSERT_TRUE(query->StartQueryZ(Readings, u"name"_s, u"nummer=7"_s, QString(), true, true, false));
    EXPECT_EQ(received().value(0), u"EXQ|0|90:1,@verkn=oder;@zeilen=ja;nummer=7|name|25|0||||30|0"_s);
    EXPECT_EQ(query->GetERPQueryString(u"nummer=7"_s), u"nummer=7"_s);
    EXPECT_EQ(query->GetERPQueryString(u"a=1"_s, u"K"_s, false, aliveFlagAlive, false),
              u"@sort=K;@richtung=rueckw;@ablageart=lebendig;a=1"_s);
}

TEST_F(QueryTest, BlockSizesFollowTheArgumentsAndTheQuery)
{
    query->setDatasetSize(0);
    EXPECT_EQ(query->DatasetSize(), 1);
    query->setDatasetSize(-5);
    EXPECT_EQ(query->DatasetSize(), 1);
    query->setDatasetSize(40);

    ASSERT_TRUE(query->StartQueryZOA(Readings, u"nummer"_s));
    EXPECT_TRUE(received().value(0).startsWith(u"EXQ|0|90:1|nummer|40|0|"_s)) << received().value(0).toStdString();
    server().clearReceived();
    ASSERT_TRUE(
        query->StartQueryZOA(Readings, u"nummer"_s, QString(), QString(), false, aliveFlagAlive, true, true, 10, 15));
    EXPECT_TRUE(received().value(0).startsWith(u"EXQ|0|90:1,@ablageart=lebendig|nummer|15|10|"_s));
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(Common::ToLong(query->GetField(1)), 11);
    server().clearReceived();
    // Left out, the block size of this form is 0: the server's own choice.
    query->StartQueryZO(Readings, u"nummer"_s, u"nummer<=3"_s);
    EXPECT_TRUE(received().value(0).startsWith(u"EXQ|0|90:1,nummer<=3|nummer|0|0|"_s));
}

TEST_F(QueryTest, ArrayFormsSendTrimmedNamesAndRefuseAnEmptyFirstName)
{
    ASSERT_TRUE(query->StartQueryZN(Readings, {u" nummer"_s, u"name "_s}, u"nummer=2"_s));
    EXPECT_TRUE(received().value(0).startsWith(u"EXQ|0|90:1,nummer=2|nummer,name|"_s));
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetFieldN(u"name"_s), u"Messwert 2"_s);

    server().clearReceived();
    EXPECT_FALSE(query->StartQueryN(Readings, {QString(), u"name"_s}));
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Empty field list not allowed"_s);
    EXPECT_EQ(query->GetLastKLVError()->Number(), 0);
    EXPECT_FALSE(query->StartQuerySelN(selection(Readings), {}));
    EXPECT_FALSE(query->ReadRecordsAN({u"(90,1,1)"_s}, {}));
    EXPECT_FALSE(query->StartFieldQueryA(Readings, QString(), QString(), {}, {}).toBool());
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(QueryTest, NavigationFetchesOnlyTheBlocksItNeeds)
{
    query->setDatasetSize(50);
    ASSERT_TRUE(query->StartQuery(Customers, u"nummer,name"_s));
    EXPECT_EQ(query->GetRecordCount(), 50);
    EXPECT_EQ(query->GetRecordTotal(), 120);
    EXPECT_EQ(query->GetRecordNumber(), 0);

    ASSERT_TRUE(query->GetRecordAbsolute(120));
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 2);
    const QString tid = query->transactionId();
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).value(0), u"GNR|"_s + tid);
    const QString last = query->GetField(1);

    ASSERT_TRUE(query->GetPrevRecord());
    EXPECT_EQ(query->GetRecordNumber(), 119);
    ASSERT_TRUE(query->GetRecordRelative(-18));
    EXPECT_EQ(query->GetRecordNumber(), 101);
    EXPECT_FALSE(query->GetRecordRelative(100));
    EXPECT_EQ(query->GetRecordNumber(), 101);
    ASSERT_TRUE(query->GetFirstRecord());
    EXPECT_EQ(query->GetRecordNumber(), 1);
    EXPECT_FALSE(query->GetPrevRecord());
    EXPECT_FALSE(query->GetRecordAbsolute(0));
    ASSERT_TRUE(query->GetLastRecord());
    EXPECT_EQ(query->GetRecordNumber(), 120);
    EXPECT_EQ(query->GetField(1), last);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 2);

    // On a fresh selection the last record is fetched block by block.
    server().clearReceived();
    ASSERT_TRUE(query->StartQuery(Customers, u"nummer"_s));
    ASSERT_TRUE(query->GetLastRecord());
    EXPECT_EQ(query->GetRecordNumber(), 120);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 2);
}

TEST_F(QueryTest, TheRecordCacheBoundsMemoryAndForgetsTheOldestRecords)
{
    query->setDatasetSize(50);
    query->setMaxResultsetSize(100);
    EXPECT_EQ(query->MaxResultsetSize(), 100);
    query->setMaxResultsetSize(-1);
    EXPECT_EQ(query->MaxResultsetSize(), 100);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s));
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 2000);
    EXPECT_EQ(query->GetRecordCount(), 2000);
    EXPECT_LE(query->GetRecordCount() - query->resultSet()->droppedCount(), 100);
    EXPECT_FALSE(query->GetFirstRecord());
    EXPECT_TRUE(query->GetRecordAbsolute(1950));
    EXPECT_EQ(query->GetField(2), u"Messwert 1950"_s);
}

TEST_F(QueryTest, BreakEndsTheSelectionAndTheQueryCanStartAnother)
{
    // Idle, without an open selection, there is nothing to break.
    query->Break();
    EXPECT_TRUE(received().isEmpty());

    query->setDatasetSize(200);
    ASSERT_TRUE(query->StartQuerySel(selection(Readings), u"nummer,name"_s));
    const QString tid = query->transactionId();
    ASSERT_NE(tid, u"0"_s);
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(query->GetNextRecord());
    query->Break();
    ASSERT_TRUE(server().waitForReceived(3)); // EXQ, GNR, BRQ
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s), QStringList{u"BRQ|"_s + tid});
    EXPECT_EQ(query->transactionId(), tid);
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(32));

    // The records already here are still read; no further block is asked for, and the end
    // of the read says it was broken off, not that the data ended.
    int more = 0;
    while (query->GetNextRecord())
        ++more;
    EXPECT_EQ(more, 100);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 32);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 1);

    ASSERT_TRUE(query->StartQuerySel(selection(Readings, u"nummer<=250"_s), u"nummer,name"_s));
    int read = 0;
    while (query->GetNextRecord())
        ASSERT_EQ(query->GetField(2), u"Messwert "_s + QString::number(++read));
    EXPECT_EQ(read, 250);
}

TEST_F(QueryTest, BreakFromAHandlerEndsTheFetchThatIsWaiting)
{
    // The second block takes a minute; the break must not wait for it.
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        reply.delay(60000);
        reply.defaultAnswer();
        return true;
    });
    query->setDatasetSize(100);
    ASSERT_TRUE(query->StartQuerySel(selection(Readings), u"nummer"_s));
    QTimer::singleShot(0, [this] {
        // Fires inside the wait for the second block.
        QTimer::singleShot(200, [this] { query->Break(); });
    });
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 100);
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(32));
    ASSERT_TRUE(server().waitForReceived(3)); // EXQ, GNR, BRQ
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s).size(), 1);
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastError(), Common::GetErrorText(32));
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 1);
    // The broken answer comes all the same and is skipped: the next command has its own.
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
}

TEST_F(QueryTest, ABlockAskedForAheadComesInItsPlaceWhateverTheCallerDoesMeanwhile)
{
    // A caller that reads on through further blocks gets the next one asked for while it
    // reads the one before: at record 601, blocks up to 800 were read and 801-1000 is asked for.
    query->setDatasetSize(200);
    const auto readTo = [](const QSharedPointer<KLVQuery>& q, int n) {
        while (q->GetRecordNumber() < n) {
            if (!q->GetNextRecord())
                return false;
            if (q->GetField(2) != u"Messwert "_s + QString::number(q->GetRecordNumber()))
                return false;
        }
        return true;
    };
    const QStringList fourFetches = {u"GNR"_s, u"GNR"_s, u"GNR"_s, u"GNR"_s};
    const auto words = [this] {
        QStringList out;
        for (const QString& line : received())
            out << line.section(u'|', 0, 0);
        return out;
    };

    // A new selection of the same query: the answer ahead is skipped, not taken for its own.
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s));
    ASSERT_TRUE(readTo(query, 601));
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s, u"nummer>1990"_s));
    EXPECT_EQ(words(), QStringList{u"EXQ"_s} + fourFetches + QStringList{u"EXQ"_s});
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(2), u"Messwert 1991"_s);

    // A break: no record of the block asked for ahead is read; the blocks fetched are.
    server().clearReceived();
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s));
    ASSERT_TRUE(readTo(query, 601));
    const QString tid = query->transactionId();
    query->Break();
    EXPECT_TRUE(readTo(query, 800));
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 32);
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s), QStringList{u"BRQ|"_s + tid});
    EXPECT_EQ(words().mid(0, 6), QStringList{u"EXQ"_s} + fourFetches + QStringList{u"BRQ"_s});

    // The query dropped: its answer ahead is skipped, and the session goes on.
    server().clearReceived();
    auto dropped = session->CreateQuery();
    dropped->setDatasetSize(200);
    ASSERT_TRUE(dropped->StartQuery(Readings, u"nummer,name"_s));
    ASSERT_TRUE(readTo(dropped, 601));
    dropped.reset();
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_EQ(words(), QStringList{u"EXQ"_s} + fourFetches + QStringList{u"SHO"_s});

    // Another command between blocks takes the answer ahead in first; a small cache keeps
    // what the caller has still to read, though the last block is short.
    server().clearReceived();
    query->setDatasetSize(150);
    query->setMaxResultsetSize(60);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s));
    ASSERT_TRUE(readTo(query, 1801)); // the first of block 13; block 14 (1951-2000) is asked for
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_EQ(query->GetRecordCount(), 2000);
    EXPECT_TRUE(readTo(query, 2000));
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_TRUE(query->GetLastError().isEmpty());
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 13);
}

TEST_F(QueryTest, TheBlockAfterTheOneClaimedGoesOutOnceItsAnswerIsWholeAndOnlyThen)
{
    // Every further block of 200 comes in one piece; the third (601-800, claimed at record
    // 601) has a status line before its records, and, when asked, a late copy of its end line.
    auto fetches = std::make_shared<std::atomic_int>(0);
    auto lateCopy = std::make_shared<std::atomic_bool>(false);
    auto refuseFourth = std::make_shared<std::atomic_bool>(false);
    server().setScript([=](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        const int k = ++*fetches;
        const QByteArray tid = line.section(u'|', 1, 1).toUtf8();
        if (k == 4 && refuseFourth->load()) {
            reply.sendRaw("BOD|" + tid + "|GNR|2000\r\nDC|" + tid + "|no record to go on\r\nEOD|" + tid +
                          "|GNR|0|0\r\n");
            return true;
        }
        QByteArray answer = "BOD|" + tid + "|GNR|2000\r\n";
        if (k == 3)
            answer += "S|" + tid + "|Halfway|INFO|12\r\n";
        for (int n = 200 * k + 1; n <= 200 * k + 200; ++n)
            answer += "D|" + tid + '|' + QByteArray::number(n) + "|Messwert " + QByteArray::number(n) + "\r\n";
        const QByteArray end = "EOD|" + tid + "|GNR|200|" + (k == 9 ? "1" : "0") + "\r\n";
        reply.sendRaw(answer + end + (k == 3 && lateCopy->load() ? end : QByteArray()));
        return true;
    });
    query->setDatasetSize(200);
    std::function<void()> whileClaimedBlockIsRead;
    bool askedBeforeTakenIn = false;
    int recordsThen = 0;
    QObject::connect(query.data(), &KLVQuery::StatusMessage, [&](QString&) {
        recordsThen = query->GetRecordCount();
        if (whileClaimedBlockIsRead) {
            askedBeforeTakenIn = server().waitForReceived(5, 5000); // EXQ and four GNR
            whileClaimedBlockIsRead();
        }
    });
    const auto startAndReadTo600 = [&] {
        *fetches = 0;
        server().clearReceived();
        askedBeforeTakenIn = false;
        ASSERT_TRUE(query->StartQuery(Readings, u"nummer,name"_s));
        for (int n = 1; n <= 600; ++n)
            ASSERT_TRUE(query->GetNextRecord());
    };
    const auto readOnFrom601 = [&] {
        int last = 600;
        while (query->GetNextRecord() && query->GetField(2) == u"Messwert "_s + QString::number(last + 1))
            ++last;
        return last;
    };
    const auto words = [this] {
        QStringList out;
        for (const QString& line : received())
            out << line.section(u'|', 0, 0);
        return out;
    };

    // The fourth block is asked for before a record of the third is taken in. Another command
    // meanwhile (a handler's) takes the fourth block in before it goes out, and the read goes
    // on in order to the end.
    QString client;
    whileClaimedBlockIsRead = [&] { client = session->GetMandantID(); };
    startAndReadTo600();
    EXPECT_EQ(readOnFrom601(), 2000);
    EXPECT_TRUE(query->GetLastError().isEmpty());
    EXPECT_TRUE(askedBeforeTakenIn);
    EXPECT_EQ(recordsThen, 600);
    EXPECT_EQ(client, u"100"_s);
    EXPECT_EQ(words().mid(0, 6), (QStringList{u"EXQ"_s, u"GNR"_s, u"GNR"_s, u"GNR"_s, u"GNR"_s, u"SHO"_s}));
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 9);

    // A break meanwhile: the fourth block's answer is skipped and the third's records stay.
    whileClaimedBlockIsRead = [&] { query->Break(); };
    startAndReadTo600();
    EXPECT_EQ(readOnFrom601(), 800);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 32);
    EXPECT_TRUE(askedBeforeTakenIn);
    EXPECT_EQ(session->GetMandantID(), u"100"_s);
    EXPECT_EQ(words().mid(0, 6), (QStringList{u"EXQ"_s, u"GNR"_s, u"GNR"_s, u"GNR"_s, u"GNR"_s, u"BRQ"_s}));

    // A fourth block that breaks the protocol, taken in by another command meanwhile: the
    // read ends after the third, whose records all stay.
    whileClaimedBlockIsRead = [&] { client = session->GetMandantID(); };
    *refuseFourth = true;
    startAndReadTo600();
    EXPECT_EQ(readOnFrom601(), 800);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_EQ(query->GetRecordCount(), 800);
    ASSERT_TRUE(query->GetRecordAbsolute(700));
    EXPECT_EQ(query->GetField(2), u"Messwert 700"_s);
    *refuseFourth = false;
    // That closed the connection: the session logs on anew.
    ASSERT_TRUE(logOn(*session));

    // A second end line behind the answer: nothing further goes out, and the block fails as
    // out of step rather than end with lines that may belong to another answer.
    *lateCopy = true;
    whileClaimedBlockIsRead = nullptr;
    startAndReadTo600();
    EXPECT_EQ(readOnFrom601(), 600);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 1);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 3);
}

TEST_F(QueryTest, AnEmptyBlockWithoutEndStopsTheFetchWithError16)
{
    auto fetches = std::make_shared<std::atomic_int>(0);
    server().setScript([fetches](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        ++*fetches;
        const QString tid = line.section(u'|', 1, 1);
        reply.sendLine(u"BOD|"_s + tid + u"|GNR|2000"_s);
        reply.sendLine(u"EOD|"_s + tid + u"|GNR|0|0"_s);
        return true;
    });
    query->setDatasetSize(10);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s));
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 10);
    EXPECT_EQ(fetches->load(), 1);
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Cant read data (result.getNext)"_s);
    // The selection ended there: the way to the last record asks for nothing more and keeps
    // the reason.
    EXPECT_TRUE(query->GetLastRecord());
    EXPECT_EQ(query->GetRecordNumber(), 10);
    EXPECT_EQ(fetches->load(), 1);
    EXPECT_EQ(query->GetLastKLVError()->ApiErrorCode(), 16);
}

TEST_F(QueryTest, ARefusedFurtherBlockEndsTheReadWithTheServersError)
{
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        reply.sendLine(u"NAK|"_s + line.section(u'|', 1, 1) + u"|Selection expired|1117|ctx"_s);
        return true;
    });
    query->setDatasetSize(10);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s));
    int read = 0;
    while (query->GetNextRecord())
        ++read;
    EXPECT_EQ(read, 10);
    // Not the end of the data: the read stopped, and the query says why.
    EXPECT_EQ(query->GetLastKLVError()->Number(), 1117);
    EXPECT_TRUE(query->GetLastError().contains(u"Selection expired"_s));
}

TEST_F(QueryTest, ARecordIsReadByItsReference)
{
    ASSERT_TRUE(query->GetRecordByRef(Customers, u"(1,1,5)"_s, u"nummer,name,+id"_s))
        << query->GetLastError().toStdString();
    EXPECT_EQ(received().value(0), u"EXQ|0|1:1,@ablageart=beides;id=(1,1,5)|nummer,name,+id|50|0||||0|0"_s);
    EXPECT_EQ(query->GetRecordNumber(), 1);
    EXPECT_EQ(query->GetFieldN(u"+ID"_s), u"(1,1,5)"_s);
    const QString name = query->GetFieldN(u"name"_s);
    EXPECT_FALSE(name.isEmpty());

    // The R form leaves the record to the caller.
    ASSERT_TRUE(query->GetRecordByRefRN(Customers, u"(1,1,5)"_s, {u"name"_s}));
    EXPECT_EQ(query->GetRecordNumber(), 0);
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetField(1), name);

    server().clearReceived();
    for (const QString& empty : {QString(), u"(0,0,0)"_s}) {
        EXPECT_FALSE(query->GetRecordByRef(Customers, empty, u"name"_s));
        EXPECT_EQ(query->GetLastError(), u"KLVAPI: Empty reference not allowed"_s);
        EXPECT_FALSE(query->ReadRecord(empty, u"name"_s));
        EXPECT_EQ(query->GetLastError(), u"KLVAPI: Empty reference not allowed"_s);
    }
    EXPECT_FALSE(query->ReadRecords(QString(), u"name"_s));
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(QueryTest, RecordsAreReadWithTheirFieldsByReference)
{
    ASSERT_TRUE(query->ReadRecord(u"(1,1,7)"_s, u"nummer,name"_s));
    EXPECT_EQ(received().value(0), u"RDP|0|(1,1,7)|nummer,name|0|1|0"_s);
    EXPECT_EQ(query->GetRecordNumber(), 1);
    EXPECT_EQ(query->transactionId(), u"0"_s);
    const QString name = query->GetField(2);
    EXPECT_FALSE(name.isEmpty());

    server().clearReceived();
    query->setDatasetSize(2);
    ASSERT_TRUE(query->ReadRecordsAN({u"(90,1,3)"_s, u"(1,1,7)"_s, u"(90,1,9)"_s}, {u"name"_s}));
    EXPECT_EQ(received().value(0), u"RDP|0|(90,1,3);(1,1,7);(90,1,9)|name|0|2|0"_s);
    EXPECT_EQ(query->GetRecordNumber(), 0);
    QStringList names;
    while (query->GetNextRecord())
        names << query->GetField(1);
    EXPECT_EQ(names, (QStringList{u"Messwert 3"_s, name, u"Messwert 9"_s}));

    // A reference the server does not know is its refusal.
    EXPECT_FALSE(query->ReadRecord(u"(1,1,99999)"_s, u"name"_s));
    EXPECT_FALSE(query->GetLastError().isEmpty());
}

TEST_F(QueryTest, ColumnsAreNamedByTheFieldListOrByTheServersDescription)
{
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer, NAME"_s, u"nummer=4"_s));
    auto namesOnly = query->GetQueryMetaData();
    ASSERT_TRUE(namesOnly);
    EXPECT_TRUE(namesOnly->GetFieldMetaDataArray().isEmpty());
    ASSERT_TRUE(query->GetNextRecord());
    EXPECT_EQ(query->GetFieldN(u"name"_s), u"Messwert 4"_s);
    EXPECT_TRUE(query->GetFieldN(u"ort2"_s).isEmpty());
    EXPECT_TRUE(query->GetField(3).isEmpty());
    EXPECT_TRUE(query->GetField(0).isEmpty());
    EXPECT_EQ(query->GetFields().size(), 2);

    // A single column is described like several.
    query->setEnableQueryMetaData(true);
    ASSERT_TRUE(query->StartQuery(Readings, u"betrag"_s, u"nummer=4"_s));
    EXPECT_TRUE(received().last().endsWith(u"|1"_s));
    auto described = query->GetQueryMetaData();
    ASSERT_NE(described, namesOnly);
    ASSERT_TRUE(described->GetFieldMetaData(u"betrag"_s));
    EXPECT_EQ(described->GetFieldMetaData(u"betrag"_s)->ERPType(), u"R10.2"_s);
    EXPECT_FALSE(described->GetFieldMetaData(u"betrag"_s)->Description().isEmpty());
    // The object a caller holds keeps describing its own query.
    EXPECT_EQ(namesOnly->GetFieldName(2), u"NAME"_s);
}

TEST_F(QueryTest, ARefusedSelectionCarriesTheServersError)
{
    query->setDatasetSize(200);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s));
    ASSERT_NE(query->transactionId(), u"0"_s);
    EXPECT_FALSE(query->StartQuery(u"77:7"_s, u"nummer"_s));
    EXPECT_FALSE(query->GetLastError().isEmpty());
    EXPECT_NE(query->GetLastKLVError()->Number(), 0);
    EXPECT_EQ(query->transactionId(), u"0"_s);
    EXPECT_EQ(query->GetRecordCount(), 0);
    EXPECT_FALSE(query->GetNextRecord());
}

TEST_F(QueryTest, ServerMessagesGoToTheCollectorOrToTheEvents)
{
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"EXQ|"_s))
            return false;
        reply.sendLine(u"S|0|Selecting|INFO|12"_s);
        reply.sendLine(u"E|0|Slow key|QUERY|33|0|"_s);
        reply.defaultAnswer();
        return true;
    });
    QStringList events;
    QObject::connect(query.data(), &KLVQuery::StatusMessage, [&](QString& text) { events << u"S:"_s + text; });
    QObject::connect(query.data(), &KLVQuery::ErrorMessage, [&](QString& text) { events << u"E:"_s + text; });
    QObject::connect(query.data(), &KLVQuery::MessageReceived,
                     [&](QSharedPointer<KLVMessage>& m) { events << u"M:"_s + QString::number(m->Number()); });
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s, u"nummer=1"_s));
    EXPECT_EQ(events, (QStringList{u"S:Selecting"_s, u"M:12"_s, u"E:Slow key"_s, u"M:33"_s}));

    events.clear();
    auto collector = QSharedPointer<KLVMessageCollector>::create();
    query->setErrorMessageCollector(collector);
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s, u"nummer=1"_s));
    EXPECT_EQ(events, (QStringList{u"S:Selecting"_s, u"M:12"_s}));
    ASSERT_EQ(collector->MessageCount(), 1);
    EXPECT_EQ(collector->GetMessage(1)->Text(), u"Slow key"_s);
}

TEST_F(QueryTest, AFieldQueryNamesTheEditorTransactionRowAndField)
{
    auto editor = session->CreateEditor();
    editor->setEditTID(u"44"_s);
    auto field = QSharedPointer<KLVEditField>::create();
    field->SetRow(2);
    field->SetName(u"kunde"_s);
    auto bound = QSharedPointer<KLVBoundEditField>::create();
    bound->InitBoundField(editor, field);

    ASSERT_TRUE(query->StartFieldQuery(Customers, u"nummer"_s, u"nummer<=3"_s, u"nummer,name"_s, bound).toBool())
        << query->GetLastError().toStdString();
    EXPECT_EQ(received().value(0), u"EXQ|0|1:1,@sort=nummer;nummer<=3|nummer,name|50|0|44|2|kunde|0|0"_s);
    ASSERT_TRUE(query->StartFieldQueryA(Customers, QString(), QString(), {u" name"_s}, bound).toBool());
    EXPECT_EQ(received().value(1), u"EXQ|0|1:1|name|50|0|44|2|kunde|0|0"_s);

    // Without a field to choose for there is nothing to ask.
    server().clearReceived();
    EXPECT_FALSE(query->StartFieldQuery(Customers, QString(), QString(), u"name"_s, {}).toBool());
    EXPECT_FALSE(query->GetLastError().isEmpty());
    EXPECT_FALSE(query->StartQuerySel({}, u"name"_s));
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(QueryTest, TheTraceShowsEachOperationThatTalksToTheServer)
{
    session->setTraceMode(true);
    TraceForm::instance()->clear();
    ASSERT_TRUE(query->StartQuery(Readings, u"nummer"_s, u"nummer=1"_s));
    ASSERT_TRUE(query->GetNextRecord());
    query->GetField(1);
    query->GetRecordCount();
    const QStringList lines = TraceForm::instance()->lines();
    session->setTraceMode(false);
    QStringList ours;
    for (const QString& line : lines) {
        if (line.startsWith(u">Query."_s) || line.startsWith(u"<Query."_s))
            ours << line;
    }
    EXPECT_EQ(ours, (QStringList{u">Query.StartQuery"_s, u"<Query.StartQuery"_s, u">Query.GetNextRecord"_s,
                                 u"<Query.GetNextRecord"_s}));
}
