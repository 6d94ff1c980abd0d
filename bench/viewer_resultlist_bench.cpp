// The query window's result list with a million records: 1,000,000 records of 10 fields
// (and the record id) from the stand-in server filled into a ResultListView through
// ResultFill, offscreen, beside the same records read through KLVQuery alone (GetNextRecord
// and GetField on every field). Then the list is sorted on one column (a first click, and a
// second that reverses it), and a list of 100,000 rows is copied to the clipboard.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all three
// times and prints the median times, the fill against the library-only read, and the peak
// memory.
//   viewer_resultlist_bench [--rows N] [--copy-rows N] [--block N] [--repeat N]
//   viewer_resultlist_bench --run library|viewer|copy --rows N --block N
#include "BenchProcess.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "ListViewHelpers.h"
#include "ResultFill.h"
#include "ResultListView.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString Table = u"90:1"_s;
const QStringList Fields{u"nummer"_s, u"such"_s,  u"name"_s,  u"ort"_s,       u"datum"_s,
                         u"betrag"_s, u"menge"_s, u"aktiv"_s, u"kategorie"_s, u"kunde"_s};
// The sorted column: every cell differs ("Messwert n"), the hardest case for a sort.
constexpr int SortColumn = 2;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

struct Session
{
    QSharedPointer<KLV> session;
    QSharedPointer<KLVQuery> query;
};

bool logOn(quint16 port, int block, Session& s)
{
    s.session = QSharedPointer<KLV>::create();
    if (!s.session->BeginSession(u"127.0.0.1"_s, port, u"100"_s, u"secret"_s)) {
        std::fprintf(stderr, "logon: %s\n", qPrintable(s.session->GetLastError()));
        return false;
    }
    s.query = s.session->CreateQuery();
    s.query->setDatasetSize(block);
    return true;
}

bool start(Session& s)
{
    if (s.query->StartQuery(Table, Fields.join(u',') + u",+id"_s))
        return true;
    std::fprintf(stderr, "query: %s\n", qPrintable(s.query->GetLastError()));
    return false;
}

// The same records through the library alone: every field of every record, as the fill
// reads them.
int runLibrary(quint16 port, int block, int rows)
{
    Session s;
    if (!logOn(port, block, s))
        return 1;
    QElapsedTimer timer;
    timer.start();
    if (!start(s))
        return 1;
    qint64 records = 0;
    qint64 chars = 0;
    const int fieldCount = int(Fields.size()) + 1;
    while (s.query->GetNextRecord()) {
        for (int i = 1; i <= fieldCount; ++i)
            chars += s.query->GetField(i).size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || !s.query->GetLastError().isEmpty()) {
        std::fprintf(stderr, "library: %lld of %d records: %s\n", records, rows, qPrintable(s.query->GetLastError()));
        return 1;
    }
    s.session->EndSession();
    // records, fill seconds, peak KiB, sort seconds, reverse seconds, chars
    std::printf("%lld %.6f %ld 0 0 %lld\n", records, read, BenchProcess::peakKilobytes(), chars);
    return 0;
}

std::unique_ptr<ResultListView> makeList()
{
    auto view = std::make_unique<ResultListView>();
    for (const QString& field : Fields)
        view->addColumn(field + u"#0#S"_s, u"0:"_s + field, field, 1440);
    view->resize(1200, 800);
    view->show();
    return view;
}

bool fill(quint16 port, int block, int rows, ResultListView& view, double& fillSeconds)
{
    Session s;
    if (!logOn(port, block, s))
        return false;
    ResultFill filler(&view);
    int progressCalls = 0;
    QElapsedTimer timer;
    timer.start();
    if (!start(s))
        return false;
    const int read = filler.run(s.query, view.columnCount(), [&progressCalls](int, int) { ++progressCalls; });
    fillSeconds = seconds(timer);
    if (read != rows || view.rowCount() != rows || !filler.lastError().isEmpty()) {
        std::fprintf(stderr, "viewer: %d of %d records: %s\n", read, rows, qPrintable(filler.lastError()));
        return false;
    }
    s.session->EndSession();
    return true;
}

int runViewer(quint16 port, int block, int rows)
{
    std::unique_ptr<ResultListView> view = makeList();
    double fillSeconds = 0;
    if (!fill(port, block, rows, *view, fillSeconds))
        return 1;
    QApplication::processEvents();
    const long fillPeak = BenchProcess::peakKilobytes();

    QElapsedTimer timer;
    timer.start();
    ListViewHelpers::SortListViewByColumn(view.get(), SortColumn);
    QApplication::processEvents();
    const double sortSeconds = seconds(timer);
    timer.restart();
    ListViewHelpers::SortListViewByColumn(view.get(), SortColumn);
    QApplication::processEvents();
    const double reverseSeconds = seconds(timer);
    if (view->cellText(0, SortColumn) != u"Messwert 999999"_s && rows == 1000000) {
        std::fprintf(stderr, "viewer: sorted wrongly, first row %s\n", qPrintable(view->cellText(0, SortColumn)));
        return 1;
    }
    std::printf("%d %.6f %ld %.6f %.6f %ld\n", view->rowCount(), fillSeconds, fillPeak, sortSeconds, reverseSeconds,
                BenchProcess::peakKilobytes());
    return 0;
}

int runCopy(quint16 port, int block, int rows)
{
    std::unique_ptr<ResultListView> view = makeList();
    double fillSeconds = 0;
    if (!fill(port, block, rows, *view, fillSeconds))
        return 1;
    QElapsedTimer timer;
    timer.start();
    ListViewHelpers::CopyListViewToClipboard(view.get());
    const qsizetype copied = QApplication::clipboard()->text().size();
    const double copySeconds = seconds(timer);
    if (copied == 0)
        return 1;
    std::printf("%d %.6f %ld %.6f 0 %lld\n", view->rowCount(), fillSeconds, BenchProcess::peakKilobytes(), copySeconds,
                qint64(copied));
    return 0;
}

int runChild(int argc, char** argv, const QString& kind, int block, int rows)
{
    std::unique_ptr<QCoreApplication> app;
    if (kind == u"library"_s) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    const std::unique_ptr<KlvServer> server = BenchProcess::startServer(rows);
    if (!server)
        return 2;
    int rc = 1;
    if (kind == u"library"_s)
        rc = runLibrary(server->port(), block, rows);
    else if (kind == u"viewer"_s)
        rc = runViewer(server->port(), block, rows);
    else if (kind == u"copy"_s)
        rc = runCopy(server->port(), block, rows);
    server->stop();
    return rc;
}

struct Row
{
    qint64 records = 0;
    double fill = 0;
    long peakKb = 0;
    double third = 0;
    double fourth = 0;
    long long fifth = 0;
};

// The run whose fill time is the median of the repeats: the machine's noise, not the code,
// makes single runs differ.
Row median(QList<Row> rows)
{
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.fill < b.fill; });
    return rows[rows.size() / 2];
}

bool runInChild(const QString& program, const QString& kind, int block, int rows, Row& row)
{
    const QStringList parts = BenchProcess::runChild(program, kind, block, rows, 6);
    if (parts.isEmpty())
        return false;
    row = {parts[0].toLongLong(), parts[1].toDouble(), parts[2].toLong(),
           parts[3].toDouble(),   parts[4].toDouble(), parts[5].toLongLong()};
    return true;
}

int argValue(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argValue(argc, argv, "--rows", 1000000);
    const int block = argValue(argc, argv, "--block", 200);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0)
            return runChild(argc, argv, QString::fromLocal8Bit(argv[i + 1]), block, rows);
    }
    const int copyRows = argValue(argc, argv, "--copy-rows", 100000);
    const int repeat = std::max(1, argValue(argc, argv, "--repeat", 3));

    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("%d records of %d fields and the record id from %s, block size %d; each run in a process of its "
                "own (server included)\n",
                rows, int(Fields.size()), qPrintable(Table), block);
    QList<Row> libraryRuns;
    QList<Row> viewerRuns;
    QList<Row> copyRuns;
    for (int r = 0; r < repeat; ++r) {
        Row library;
        Row viewer;
        Row copy;
        if (!runInChild(program, u"library"_s, block, rows, library) ||
            !runInChild(program, u"viewer"_s, block, rows, viewer) ||
            !runInChild(program, u"copy"_s, block, copyRows, copy)) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        libraryRuns.append(library);
        viewerRuns.append(viewer);
        copyRuns.append(copy);
    }
    const Row library = median(libraryRuns);
    const Row viewer = median(viewerRuns);
    std::sort(viewerRuns.begin(), viewerRuns.end(), [](const Row& a, const Row& b) { return a.third < b.third; });
    const Row sorting = viewerRuns[viewerRuns.size() / 2];
    std::sort(copyRuns.begin(), copyRuns.end(), [](const Row& a, const Row& b) { return a.third < b.third; });
    const Row copy = copyRuns[copyRuns.size() / 2];
    std::printf("median of %d runs each\n", repeat);
    std::printf("%-34s %10s %10s %12s\n", "", "seconds", "vs library", "peak MiB");
    std::printf("%-34s %10.3f %9.2fx %12.1f\n", "read through KLVQuery alone", library.fill, 1.0,
                double(library.peakKb) / 1024.0);
    std::printf("%-34s %10.3f %9.2fx %12.1f\n", "fill of the result list", viewer.fill, viewer.fill / library.fill,
                double(viewer.peakKb) / 1024.0);
    std::printf("%-34s %10.3f %10s %12.1f\n", "sort on one column (first click)", sorting.third, "",
                double(sorting.fifth) / 1024.0);
    std::printf("%-34s %10.3f\n", "sort reversed (second click)", sorting.fourth);
    std::printf("%-34s %10.3f %10s %12.1f\n", qPrintable(u"copy of %1 rows to the clipboard"_s.arg(copy.records)),
                copy.third, "", double(copy.peakKb) / 1024.0);
    std::printf("(copy list filled in %.3f s; %lld characters copied)\n", copy.fill, copy.fifth);
    return 0;
}
