// A running query read into the result list against the stand-in server: every record
// with its id, the count every 100 rows, rows shown per block, Break within a block and in
// the wait for a block, a second run refused, the window closed in the middle, a dropped
// connection, the columns' field types, and a sort while the rows still come.
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVSelection.h"
#include "KlvSessionFixture.h"
#include "ListViewHelpers.h"
#include "ResultFill.h"
#include "ResultListModel.h"
#include "ResultListRows.h"
#include "ResultListView.h"
#include "WhenTrue.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// 260 articles, each with a two-line description.
const QString Articles = u"2:1"_s;
// The generated table: record n has "nummer" n and "name" "Messwert n".
const QString Readings = u"90:1"_s;

class ResultFillTest : public KlvSessionFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.generatedRows = 2000;
        return options;
    }

    void SetUp() override
    {
        KlvSessionFixture::SetUp();
        query->setDatasetSize(200);          // as the main window sets it
        query->setEnableQueryMetaData(true); // as the query window asks
        view = std::make_unique<ResultListView>();
        fill = std::make_unique<ResultFill>(view.get());
    }

    void TearDown() override
    {
        server().setScript({});
        fill.reset();
        view.reset();
        KlvSessionFixture::TearDown();
    }

    void columns(const QStringList& names)
    {
        for (const QString& n : names)
            view->addColumn(n + u"#0#S"_s, u"0:"_s + n, n, 1440);
    }

    // Starts a selection of the columns' fields and the record id, as the query window does.
    bool start(const QString& table, const QString& krit = QString())
    {
        auto selection = QSharedPointer<KLVSelection>::create();
        selection->setTableName(table);
        selection->setKrit(krit);
        QStringList fields;
        for (int c = 0; c < view->columnCount(); ++c)
            fields << view->columnTag(c).section(u':', 1);
        return query->StartQuerySel(selection, fields.join(u',') + u",+id"_s);
    }

    QStringList receivedStartingWith(const QString& word)
    {
        QStringList lines;
        for (const QString& line : server().receivedLines()) {
            if (line.startsWith(word + u'|'))
                lines << line;
        }
        return lines;
    }

    std::unique_ptr<ResultListView> view;
    std::unique_ptr<ResultFill> fill;
};

TEST_F(ResultFillTest, ARunOf260RecordsGivesEveryRowItsFieldsAndIdAndCountsEveryHundred)
{
    columns({u"nummer"_s, u"name"_s, u"beschr"_s});
    int insertions = 0;
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    ASSERT_TRUE(start(Articles));
    QList<std::pair<int, int>> counts;
    const int rows = fill->run(query, view->columnCount(), [&](int n, int total) { counts.append({n, total}); });
    EXPECT_EQ(rows, 260);
    EXPECT_EQ(view->rowCount(), 260);
    EXPECT_EQ(counts, (QList<std::pair<int, int>>{{100, 260}, {200, 260}}));
    EXPECT_FALSE(fill->wasBroken());
    EXPECT_TRUE(fill->lastError().isEmpty());
    EXPECT_FALSE(fill->isRunning());
    // Two blocks, and the rows went in per block, not per row.
    EXPECT_EQ(receivedStartingWith(u"EXQ"_s).size(), 1);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 1);
    EXPECT_GE(insertions, 1);
    EXPECT_LE(insertions, 2);

    // The cells are what the library reads for the same records.
    auto check = session->CreateQuery();
    ASSERT_TRUE(check->StartQuery(Articles, u"nummer,name,beschr,+id"_s));
    for (int r = 0; r < 260; ++r) {
        ASSERT_TRUE(check->GetNextRecord());
        ASSERT_EQ(view->rowTexts(r), (QStringList{check->GetField(1), check->GetField(2), check->GetField(3)}));
        ASSERT_EQ(view->rowTag(r), check->GetField(4));
    }
    EXPECT_TRUE(view->rowTag(0).startsWith(u"(2,1,"_s));

    // Sorted and copied: the description's line break becomes "#".
    ListViewHelpers::SetListViewSorting(view.get(), true, 0, Qt::DescendingOrder);
    ListViewHelpers::CopyListViewToClipboard(view.get());
    const QStringList lines = QApplication::clipboard()->text().split(u"\r\n"_s);
    ASSERT_EQ(lines.size(), 262); // header, 260 rows, and the empty text after the last CR LF
    EXPECT_EQ(lines[0], u"nummer\tname\tbeschr"_s);
    EXPECT_TRUE(lines[1].startsWith(u"1260\t"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(u"\tArtikel 1260#Lagerplatz C-20"_s)) << lines[1].toStdString();
}

TEST_F(ResultFillTest, BreakEndsTheFillAtOnceWithinTheBlock)
{
    columns({u"nummer"_s, u"name"_s});
    ASSERT_TRUE(start(Readings));
    const QString tid = query->transactionId();
    const int rows = fill->run(query, view->columnCount(), [&](int n, int) {
        if (n == 100)
            fill->requestBreak();
    });
    // The block of 200 holds more, but not one row more is read.
    EXPECT_EQ(rows, 100);
    EXPECT_EQ(view->rowCount(), 100);
    EXPECT_EQ(view->cellText(99, 1), u"Messwert 100"_s);
    EXPECT_TRUE(fill->wasBroken());
    EXPECT_TRUE(fill->lastError().isEmpty());
    ASSERT_TRUE(server().waitForReceived(2));
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s).value(0), u"BRQ|"_s + tid);
    EXPECT_TRUE(receivedStartingWith(u"GNR"_s).isEmpty());

    // The next run starts afresh.
    view->clearRows();
    ASSERT_TRUE(start(Readings, u"nummer<=250"_s));
    EXPECT_EQ(fill->run(query, view->columnCount()), 250);
    EXPECT_FALSE(fill->wasBroken());
    EXPECT_EQ(view->cellText(249, 0), u"250"_s);
}

TEST_F(ResultFillTest, BreakWhileTheNextBlockIsAwaitedEndsTheWait)
{
    // The second block would take a minute.
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        reply.delay(60000);
        reply.defaultAnswer();
        return true;
    });
    columns({u"nummer"_s});
    ASSERT_TRUE(start(Readings));
    // In the wait for the second block, with the first block on screen.
    TestEvents::whenTrue([&] { return view->rowCount() == 200 && !receivedStartingWith(u"GNR"_s).isEmpty(); },
                         [&] { fill->requestBreak(); });
    EXPECT_EQ(fill->run(query, view->columnCount()), 200);
    EXPECT_TRUE(fill->wasBroken());
    EXPECT_EQ(view->rowCount(), 200);
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 1);
}

TEST_F(ResultFillTest, ASecondRunWhileOneRunsIsRefused)
{
    columns({u"nummer"_s});
    auto other = session->CreateQuery();
    ResultFill secondFill(view.get());
    int nested = 0;
    int nestedOther = 0;
    ASSERT_TRUE(start(Readings, u"nummer<=300"_s));
    server().clearReceived();
    const int rows = fill->run(query, view->columnCount(), [&](int n, int) {
        if (n == 100) {
            EXPECT_TRUE(fill->isRunning());
            nested = fill->run(other, 1);
            nestedOther = secondFill.run(other, 1);
        }
    });
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(nestedOther, -1);
    EXPECT_EQ(rows, 300);
    EXPECT_EQ(view->rowCount(), 300);
    // Only the one selection read anything.
    EXPECT_EQ(receivedStartingWith(u"GNR"_s).size(), 1);

    // Once it ended, the list takes a run again, from any fill.
    view->clearRows();
    ASSERT_TRUE(start(Readings, u"nummer<=10"_s));
    EXPECT_EQ(secondFill.run(query, view->columnCount()), 10);
}

TEST_F(ResultFillTest, TheWindowKeepsRunningEventsWhileTheRowsCome)
{
    // The server answers at once, so the library never waits long: the fill itself must let
    // the window's events run between blocks.
    columns({u"nummer"_s});
    ASSERT_TRUE(start(Readings));
    int shownWhenFired = -1;
    QTimer::singleShot(0, [&] { shownWhenFired = view->rowCount(); });
    EXPECT_EQ(fill->run(query, view->columnCount()), 2000);
    EXPECT_GT(shownWhenFired, 0);
    EXPECT_LT(shownWhenFired, 2000);
}

TEST_F(ResultFillTest, AWindowClosedDuringTheRunEndsItAndBreaksTheQuery)
{
    columns({u"nummer"_s});
    ASSERT_TRUE(start(Readings));
    const int rows = fill->run(query, view->columnCount(), [&](int n, int) {
        if (n == 300)
            view.reset(); // the list, and the model with it
    });
    EXPECT_EQ(rows, 300);
    EXPECT_FALSE(fill->isRunning());
    ASSERT_TRUE(server().waitForReceived(3)); // EXQ, GNR, BRQ
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s).size(), 1);

    // The fill itself goes with its window.
    view = std::make_unique<ResultListView>();
    fill = std::make_unique<ResultFill>(view.get());
    columns({u"nummer"_s});
    ASSERT_TRUE(start(Readings));
    server().clearReceived();
    ResultFill* running = fill.get();
    const int more = running->run(query, view->columnCount(), [&](int n, int) {
        if (n == 100)
            fill.reset();
    });
    EXPECT_EQ(more, 100);
    ASSERT_TRUE(server().waitForReceived(1));
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s).size(), 1);
    // The list is free for a new fill.
    fill = std::make_unique<ResultFill>(view.get());
    view->clearRows();
    ASSERT_TRUE(start(Readings, u"nummer<=5"_s));
    EXPECT_EQ(fill->run(query, view->columnCount()), 5);
}

TEST_F(ResultFillTest, AFillGoneWhileTheNextBlockIsAwaitedEndsTheWait)
{
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        reply.delay(60000);
        reply.defaultAnswer();
        return true;
    });
    columns({u"nummer"_s});
    ASSERT_TRUE(start(Readings));
    ResultFill* running = fill.get();
    TestEvents::whenTrue([&] { return view->rowCount() == 200 && !receivedStartingWith(u"GNR"_s).isEmpty(); },
                         [&] { fill.reset(); });
    EXPECT_EQ(running->run(query, view->columnCount()), 200);
    EXPECT_EQ(view->rowCount(), 200);
    ASSERT_TRUE(server().waitForReceived(3)); // EXQ, GNR, BRQ
    EXPECT_EQ(receivedStartingWith(u"BRQ"_s).size(), 1);
    EXPECT_FALSE(view->resultModel()->isFilling());
}

TEST_F(ResultFillTest, ADroppedConnectionKeepsTheRowsReadAndTheQueryReportsIt)
{
    server().setScript([](int, const QString& line, bool greeting, KlvScriptReply& reply) {
        if (greeting || !line.startsWith(u"GNR|"_s))
            return false;
        reply.close();
        return true;
    });
    columns({u"nummer"_s, u"name"_s});
    ASSERT_TRUE(start(Readings));
    // The window shows the query's error messages as they come.
    QStringList errors;
    QObject::connect(query.get(), &KLVQuery::ErrorMessage, [&](QString& message) { errors << message; });
    EXPECT_EQ(fill->run(query, view->columnCount()), 200);
    EXPECT_EQ(view->rowCount(), 200);
    EXPECT_FALSE(fill->wasBroken());
    EXPECT_FALSE(errors.isEmpty());
}

TEST_F(ResultFillTest, AFillGoneWhileItsLastSortRunsReturnsWithoutTouchingIt)
{
    columns({u"nummer"_s, u"name"_s});
    ListViewHelpers::SetListViewSorting(view.get(), true, 1, Qt::AscendingOrder);
    view->resultModel()->setBackgroundSortRows(0);
    QObject::connect(view->resultModel(), &ResultListModel::sortRunning, [&](bool running) {
        if (running)
            fill.reset(); // its window closed while the rows it read are sorted
    });
    ASSERT_TRUE(start(Readings, u"nummer<=300"_s));
    ResultFill* running = fill.get();
    EXPECT_EQ(running->run(query, view->columnCount()), 300);
    EXPECT_EQ(view->rowCount(), 300);
    EXPECT_EQ(view->cellText(0, 1), u"Messwert 1"_s);
    EXPECT_FALSE(view->resultModel()->isFilling());
}

TEST_F(ResultFillTest, FieldsReachTheListAsTheLibraryReadsThemInEitherCharacterSet)
{
    columns({u"nummer"_s, u"ort"_s, u"name"_s});
    // A session in Windows-1252 ("München" comes as one byte per umlaut) and the fixture's in
    // UTF-8.
    const auto ansi = QSharedPointer<KLV>::create();
    ansi->setClientKLVVersion(u"3.0"_s);
    ASSERT_TRUE(logOn(*ansi));
    for (const QSharedPointer<KLV>& reading : {ansi, session}) {
        const QSharedPointer<KLVQuery> reader = reading->CreateQuery();
        view->clearRows();
        reader->setDatasetSize(200);
        ASSERT_TRUE(reader->StartQuery(Readings, u"nummer,ort,name,+id"_s));
        ASSERT_EQ(fill->run(reader, view->columnCount()), 2000);
        auto check = reading->CreateQuery();
        ASSERT_TRUE(check->StartQuery(Readings, u"nummer,ort,name,+id"_s));
        for (int r = 0; r < 2000; ++r) {
            ASSERT_TRUE(check->GetNextRecord());
            ASSERT_EQ(view->rowTexts(r), check->GetFields().mid(0, 3)) << "row " << r;
            ASSERT_EQ(view->rowTag(r), check->GetField(4));
        }
        // Record 6 is in München, record 9 in Köln.
        int umlauts = 0;
        for (int r = 0; r < 2000; ++r) {
            const QString n = view->cellText(r, 0);
            if (n == u"6"_s || n == u"9"_s) {
                EXPECT_EQ(view->cellText(r, 1), n == u"6"_s ? u"München"_s : u"Köln"_s);
                ++umlauts;
            }
        }
        EXPECT_EQ(umlauts, 2);
    }
    ansi->EndSession();

    // Bytes that are not UTF-8 are stored as the text the library makes of them; UTF-8 ones are
    // taken as they are, without a copy.
    QByteArray scratch;
    const QByteArrayView munich("M\xC3\xBCnchen");
    EXPECT_EQ(ResultFill::utf8Field(munich, true, scratch).data(), munich.data());
    EXPECT_EQ(ResultFill::utf8Field("plain", false, scratch), QByteArrayView("plain"));
    EXPECT_EQ(QString::fromUtf8(ResultFill::utf8Field("M\xFCnchen \x80", false, scratch)), u"München €"_s);
    for (const char* bad : {"a\xFF"
                            "b",
                            "\xC3", "\xED\xA0\x80x", "\xC0\x80", "ok\xF4\x90\x80\x80"}) {
        const QByteArrayView stored = ResultFill::utf8Field(bad, true, scratch);
        EXPECT_TRUE(ResultListRows::isUtf8(stored)) << bad;
        EXPECT_EQ(QString::fromUtf8(stored), QString::fromUtf8(bad)) << bad;
    }
}

TEST_F(ResultFillTest, ASortWhileTheRowsComeLeavesTheWholeListSortedByTheFieldsTypes)
{
    columns({u"nummer"_s, u"name"_s, u"datum"_s});
    // Sorted in the worker thread, in the middle of the fill and again at its end.
    view->resultModel()->setBackgroundSortRows(0);
    ASSERT_TRUE(start(Readings));
    fill->run(query, view->columnCount(), [&](int n, int) {
        if (n == 700)
            ListViewHelpers::SetListViewSorting(view.get(), true, 1, Qt::DescendingOrder);
    });
    ASSERT_EQ(view->rowCount(), 2000);
    EXPECT_FALSE(view->resultModel()->isSorting());
    EXPECT_FALSE(view->resultModel()->isFilling());
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (int r = 1; r < view->rowCount(); ++r)
        ASSERT_GE(collator.compare(view->cellText(r - 1, 1), view->cellText(r, 1)), 0) << "row " << r;
    EXPECT_EQ(view->cellText(0, 1), u"Messwert 999"_s);

    // The columns sort by their fields' types, from the query's field descriptions: the
    // numbers by value ("999" would lead as text).
    EXPECT_EQ(view->resultModel()->columnDataType(0), KLVActiveX::klvLongInt);
    EXPECT_EQ(view->resultModel()->columnDataType(1), KLVActiveX::klvString);
    EXPECT_EQ(view->resultModel()->columnDataType(2), KLVActiveX::klvDate);
    ListViewHelpers::SetListViewSorting(view.get(), true, 0, Qt::DescendingOrder);
    EXPECT_EQ(view->cellText(0, 0), u"2000"_s);
    EXPECT_EQ(view->cellText(1999, 0), u"1"_s);
}

} // namespace
