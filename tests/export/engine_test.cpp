// The block-wise engine: the count in blocks of 100 and the final count, cancel and a window's
// closing mid-way (a shorter, well-formed file), read and write failures (the old file
// stays), and the rows of a real query from klvserver with a break on the wire.
#include "ExportCallerSource.h"
#include "ExportEngine.h"
#include "ExportQuerySource.h"
#include "ExportTextWriter.h"
#include "ExportXmlWriter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KlvSessionFixture.h"
#include "export_support.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ExportTest;

namespace {

struct Result
{
    ExportEngine::Outcome outcome = ExportEngine::Outcome::ReadFailed;
    QList<qint64> counts;
    ExportFailure failure;
    QString readError;
    bool ended = false;
};

// Runs the engine to its end; act (when given) runs on it right after the start.
Result runToEnd(ExportEngine* engine, const std::function<void(ExportEngine*)>& act = {})
{
    Result result;
    QEventLoop loop;
    QObject::connect(engine, &ExportEngine::recordCount, [&result](qint64 rows) { result.counts.append(rows); });
    QObject::connect(engine, &ExportEngine::finished, [&](ExportEngine::Outcome outcome) {
        result.outcome = outcome;
        result.failure = engine->failure();
        result.readError = engine->readError();
        result.ended = true;
        loop.quit();
    });
    engine->start();
    if (act)
        act(engine);
    if (!result.ended) {
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result;
}

QList<QStringList> numberedRows(int count)
{
    QList<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.append({QString::number(i), u"Name "_s + QString::number(i)});
    return rows;
}

const QStringList Keys{u"nr#0#S"_s, u"name#0#S"_s};

class Engine : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadEnglishTexts()); }

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    std::unique_ptr<ExportXmlWriter> xmlWriter(const QString& name)
    {
        ExportXmlWriter::Options options;
        options.fileName = path(name);
        auto writer = std::make_unique<ExportXmlWriter>(
            job(3, {field(u"nr"_s, true, Keys[0]), field(u"name"_s, true, Keys[1])}), options);
        ExportFailure failure;
        EXPECT_TRUE(writer->open(failure));
        return writer;
    }

    ExportEngine* engineFor(RowsWindow& window, int rows, const QString& name)
    {
        return new ExportEngine(std::make_unique<ExportCallerSource>(&window, Keys, rows), xmlWriter(name), 2);
    }

    qsizetype recordsIn(const QString& name)
    {
        EXPECT_TRUE(xmllintAccepts(path(name), false));
        return xmlRecords(path(name)).toArray().size();
    }
};

} // namespace

TEST_F(Engine, CountsInBlocksOf100AndShowsTheFinalCount)
{
    RowsWindow window(Keys, numberedRows(250));
    const Result result = runToEnd(engineFor(window, 250, u"all.xml"_s));
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Completed);
    EXPECT_EQ(result.counts, (QList<qint64>{100, 200, 250}));
    EXPECT_EQ(recordsIn(u"all.xml"_s), 250);
    EXPECT_EQ(window.calls, 500);
}

TEST_F(Engine, ACancelMidWayLeavesAWellFormedFileWithTheRowsSoFar)
{
    RowsWindow window(Keys, numberedRows(1000));
    ExportEngine* engine = engineFor(window, 1000, u"cancel.xml"_s);
    window.onRowNumber = 150;
    // A cancel may come any number of times.
    window.onRow = [engine] {
        engine->cancel();
        engine->cancel();
    };
    const Result result = runToEnd(engine);
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Cancelled);
    EXPECT_EQ(result.counts.last(), 150);
    EXPECT_EQ(recordsIn(u"cancel.xml"_s), 150);
}

TEST_F(Engine, AClosingWindowEndsTheExportAtOnceWithTheRowsSoFar)
{
    // From within a row, as a close that arrives while the engine waits.
    RowsWindow window(Keys, numberedRows(1000));
    ExportEngine* engine = engineFor(window, 1000, u"inside.xml"_s);
    window.onRowNumber = 120;
    window.onRow = [engine] { engine->endNow(); };
    Result result = runToEnd(engine);
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Closed);
    EXPECT_EQ(recordsIn(u"inside.xml"_s), 120);

    // Between two ticks: the file is finished before endNow returns.
    RowsWindow other(Keys, numberedRows(1000));
    result = runToEnd(engineFor(other, 1000, u"between.xml"_s), [](ExportEngine* e) { e->endNow(); });
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Closed);
    EXPECT_EQ(recordsIn(u"between.xml"_s), 0);

    // An engine deleted while it runs finishes its file as well.
    RowsWindow third(Keys, numberedRows(10));
    ExportEngine* dropped = engineFor(third, 10, u"deleted.xml"_s);
    dropped->start();
    delete dropped;
    EXPECT_EQ(recordsIn(u"deleted.xml"_s), 0);
}

TEST_F(Engine, FailuresDropTheNewFileAndKeepTheOldOne)
{
    // A window that cannot give its rows.
    ASSERT_TRUE(writeFile(path(u"old.xml"_s), "old"));
    QObject mute;
    Result result =
        runToEnd(new ExportEngine(std::make_unique<ExportCallerSource>(&mute, Keys, 5), xmlWriter(u"old.xml"_s), 2));
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::ReadFailed);
    EXPECT_EQ(result.readError, u"GetResultField"_s);
    EXPECT_EQ(readFile(path(u"old.xml"_s)), "old");

    // A target that fills up.
    RowsWindow window(Keys, numberedRows(20000));
    auto writer =
        std::make_unique<ExportTextWriter>(job(0, {field(u"nr"_s), field(u"name"_s)}), ExportTextWriter::Options());
    FailingDevice device(50000);
    writer->setDevice(&device);
    ExportFailure failure;
    ASSERT_TRUE(writer->open(failure));
    result =
        runToEnd(new ExportEngine(std::make_unique<ExportCallerSource>(&window, Keys, 20000), std::move(writer), 2));
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::WriteFailed);
    EXPECT_EQ(result.failure.message, 241);
    EXPECT_LT(window.calls, 40000);
    // Rows were counted on the way; the last count says that none of them stayed.
    ASSERT_GE(result.counts.size(), 2);
    EXPECT_GT(result.counts.first(), 0);
    EXPECT_EQ(result.counts.last(), 0);
}

namespace {

class QueryRows : public KlvSessionFixture
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadEnglishTexts()); }
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.generatedRows = 1000;
        return options;
    }

    QTemporaryDir dir;

    ExportEngine* engine(const QString& file)
    {
        EXPECT_TRUE(query->StartQueryZOA(u"90:1"_s, u"nummer,name"_s));
        ExportTextWriter::Options options;
        options.fileName = dir.filePath(file);
        options.withFieldList = false;
        auto writer = std::make_unique<ExportTextWriter>(job(0, {field(u"nummer"_s), field(u"name"_s)}), options);
        ExportFailure failure;
        EXPECT_TRUE(writer->open(failure));
        return new ExportEngine(std::make_unique<ExportQuerySource>(query), std::move(writer), 2);
    }

    QList<QByteArray> lines(const QString& file)
    {
        QList<QByteArray> all = readFile(dir.filePath(file)).split('\n');
        all.removeLast(); // after the last line end
        return all;
    }
};

} // namespace

TEST_F(QueryRows, EveryRecordOfTheQueryInOrder)
{
    const Result result = runToEnd(engine(u"all.txt"_s));
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Completed);
    const QList<QByteArray> written = lines(u"all.txt"_s);
    ASSERT_EQ(written.size(), 1000);
    ASSERT_TRUE(query->StartQueryZOA(u"90:1"_s, u"nummer,name"_s));
    for (const QByteArray& line : written) {
        ASSERT_TRUE(query->GetNextRecord());
        EXPECT_EQ(QString::fromUtf8(line), query->GetField(1) + u';' + query->GetField(2) + u'\r');
    }
}

TEST_F(QueryRows, ACancelBreaksTheQueryOnTheServer)
{
    ExportEngine* e = engine(u"cancel.txt"_s);
    QObject::connect(e, &ExportEngine::recordCount, e, [e](qint64 rows) {
        if (rows >= 300)
            e->cancel();
    });
    const Result result = runToEnd(e);
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::Cancelled);
    const qsizetype written = lines(u"cancel.txt"_s).size();
    EXPECT_GE(written, 300);
    EXPECT_LT(written, 1000);
    EXPECT_EQ(written % 100, 0);
    EXPECT_FALSE(server().receivedLines().filter(QRegularExpression(u"^BRQ\\|50\\d+$"_s)).isEmpty());
}

TEST_F(QueryRows, ALostConnectionFailsTheExportAndKeepsTheOldFile)
{
    ASSERT_TRUE(writeFile(dir.filePath(u"lost.txt"_s), "old"));
    server().setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
        if (!line.startsWith(u"GNR|"_s))
            return false;
        reply.close();
        return true;
    });
    const Result result = runToEnd(engine(u"lost.txt"_s));
    EXPECT_EQ(result.outcome, ExportEngine::Outcome::ReadFailed);
    EXPECT_FALSE(result.readError.isEmpty());
    EXPECT_EQ(readFile(dir.filePath(u"lost.txt"_s)), "old");
}

// The shared test objects of export_support.h.
#include "moc_export_support.cpp"
