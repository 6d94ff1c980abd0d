// The query window's result list with a million records: 1,000,000 records of 10 fields
// (and the record id) from the stand-in server
// - read through KLVQuery alone (GetNextRecord, and GetFields once per record);
// - read through the library with every record's field bytes stored in pages of memory, as
//   plain a store of the same rows as there can be: the anchor of the fill, in the same kind of
//   process as the fill (a widget application with an empty list shown, offscreen), so that the
//   ratio is what the fill adds;
// - filled into a ResultListView through ResultFill, offscreen;
// - run in the program's own query window: the main window logged on, the table opened, its
//   fields checked and Start clicked, with the count and the status bar painted as they come,
//   against the bare fill.
// Then the list is sorted on a column of each kind the sample holds (text, number, date), each
// with a first click and a second that reverses it, and a list of 100,000 rows is copied to the
// clipboard.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all three
// times and prints the median times, the ratios, and the peak memory.
//   viewer_resultlist_bench [--rows N] [--copy-rows N] [--block N] [--repeat N]
//   viewer_resultlist_bench --run library|store|viewer|window|copy --rows N --block N
#include "AppContext.h"
#include "BenchProcess.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVResultSet.h"
#include "KLVViewerWindow.h"
#include "ListViewHelpers.h"
#include "MessageBoxes.h"
#include "QueryForm.h"
#include "QueryWindowInput.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "ViewerSession.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString Table = u"90:1"_s;
const QStringList Fields{u"nummer"_s, u"such"_s,  u"name"_s,  u"ort"_s,       u"datum"_s,
                         u"betrag"_s, u"menge"_s, u"aktiv"_s, u"kategorie"_s, u"kunde"_s};
// The sorted columns, one of each kind: text where every cell differs ("Messwert n"),
// amounts ("7.919,00") and dates ("03.02.2001").
struct SortCase
{
    const char* kind;
    int column;
};
constexpr SortCase SortCases[] = {{"text", 2}, {"number", 5}, {"date", 4}};
constexpr int SortCaseCount = int(std::size(SortCases));

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
    // As the query window asks: with the fields' descriptions, from which the list knows
    // which columns hold numbers and dates.
    s.query->setEnableQueryMetaData(true);
    return true;
}

bool start(Session& s)
{
    if (s.query->StartQuery(Table, Fields.join(u',') + u",+id"_s))
        return true;
    std::fprintf(stderr, "query: %s\n", qPrintable(s.query->GetLastError()));
    return false;
}

// The same records through the library alone, read as the fill reads them: every record's
// fields in one GetFields.
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
    while (s.query->GetNextRecord()) {
        const QStringList fields = s.query->GetFields();
        for (const QString& field : fields)
            chars += field.size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || !s.query->GetLastError().isEmpty()) {
        std::fprintf(stderr, "library: %lld of %d records: %s\n", records, rows, qPrintable(s.query->GetLastError()));
        return 1;
    }
    s.session->EndSession();
    // records, read seconds, peak KiB, chars
    std::printf("%lld %.6f %ld %lld\n", records, read, BenchProcess::peakKilobytes(), chars);
    return 0;
}

// A store of rows as plain as there can be: every record's field bytes one after the other in
// pages of 2 MiB, and the end of each field.
class PlainRows
{
public:
    void append(QByteArrayView bytes)
    {
        if (m_pages.empty() || PageBytes - m_used < bytes.size()) {
            m_pages.push_back(std::make_unique_for_overwrite<char[]>(size_t(std::max(PageBytes, bytes.size()))));
            m_used = 0;
        }
        if (!bytes.isEmpty())
            std::memcpy(m_pages.back().get() + m_used, bytes.data(), size_t(bytes.size()));
        m_used += bytes.size();
        m_ends.push_back(quint32(m_used));
    }
    size_t values() const { return m_ends.size(); }

private:
    static constexpr qsizetype PageBytes = qsizetype(2) << 20;
    std::vector<std::unique_ptr<char[]>> m_pages;
    std::vector<quint32> m_ends;
    qsizetype m_used = 0;
};

// The same records read through the library, each record's fields stored as the bytes they
// came in: what the fill does, without the list.
int runStore(quint16 port, int block, int rows)
{
    Session s;
    if (!logOn(port, block, s))
        return 1;
    PlainRows store;
    QElapsedTimer timer;
    timer.start();
    if (!start(s))
        return 1;
    qint64 records = 0;
    const KLVResultSet* record = s.query->resultSet();
    while (s.query->GetNextRecord()) {
        const int fields = record->GetFieldCount();
        for (int f = 1; f <= fields; ++f)
            store.append(record->fieldBytes(f));
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || !s.query->GetLastError().isEmpty()) {
        std::fprintf(stderr, "store: %lld of %d records: %s\n", records, rows, qPrintable(s.query->GetLastError()));
        return 1;
    }
    s.session->EndSession();
    // records, read seconds, peak KiB, values stored
    std::printf("%lld %.6f %ld %lld\n", records, read, BenchProcess::peakKilobytes(), qint64(store.values()));
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

struct TimedSort
{
    double seconds;      // until the sorted list is painted
    double longestPause; // of the window's event loop meanwhile: how long it was frozen
};

// One click on a column's header, with a timer that ticks every few milliseconds while the
// window's event loop runs.
TimedSort timedSort(ResultListView& view, int column)
{
    QElapsedTimer timer;
    qint64 lastTick = 0;
    qint64 longestPause = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longestPause = std::max(longestPause, now - lastTick);
        lastTick = now;
    });
    timer.start();
    ticks.start();
    ListViewHelpers::SortListViewByColumn(&view, column);
    QApplication::processEvents();
    const qint64 end = timer.nsecsElapsed();
    longestPause = std::max(longestPause, end - lastTick);
    return {double(end) / 1e9, double(longestPause) / 1e9};
}

// Whether the column stands in the order of the click (not timed): texts as the lists
// compare them, numbers ("7.919,00") and dates ("03.02.2001") by value.
bool sortedAs(const ResultListView& view, const SortCase& c, Qt::SortOrder order)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto key = [&](const QString& cell) {
        if (std::strcmp(c.kind, "number") == 0)
            return QString(cell).remove(u'.').replace(u',', u'.').toDouble();
        const QDate date = QDate::fromString(cell, u"dd.MM.yyyy"_s);
        return double(date.year() * 10000 + date.month() * 100 + date.day());
    };
    const bool text = std::strcmp(c.kind, "text") == 0;
    for (int r = 1; r < view.rowCount(); ++r) {
        const QString a = view.cellText(r - 1, c.column);
        const QString b = view.cellText(r, c.column);
        const int cmp = text ? collator.compare(a, b) : (key(a) > key(b)) - (key(a) < key(b));
        if (order == Qt::AscendingOrder ? cmp > 0 : cmp < 0) {
            std::fprintf(stderr, "viewer: %s column out of order at row %d: %s, %s\n", c.kind, r, qPrintable(a),
                         qPrintable(b));
            return false;
        }
    }
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

    // rows, fill seconds, peak KiB after the fill, then per sorted column the first click's
    // seconds, the second click's seconds and the window's longest pause in the first, then
    // the peak KiB after all sorts.
    QString line = u"%1 %2 %3"_s.arg(view->rowCount()).arg(fillSeconds, 0, 'f', 6).arg(fillPeak);
    for (const SortCase& c : SortCases) {
        const TimedSort sort = timedSort(*view, c.column);
        if (!sortedAs(*view, c, Qt::AscendingOrder))
            return 1;
        const TimedSort reverse = timedSort(*view, c.column);
        if (!sortedAs(*view, c, Qt::DescendingOrder))
            return 1;
        line += u" %1 %2 %3"_s.arg(sort.seconds, 0, 'f', 6)
                    .arg(reverse.seconds, 0, 'f', 6)
                    .arg(sort.longestPause, 0, 'f', 6);
    }
    std::printf("%s %ld\n", qPrintable(line), BenchProcess::peakKilobytes());
    return 0;
}

// The program's query window as a user runs it: the main window logged on to the server, the
// table of the generated records opened, its fields checked, and a click on Start. The click
// returns once the run has ended, every count shown and painted on the way. The window reads
// in the program's own block size (200, the default of --block).
int runWindow(quint16 port, int rows)
{
    QTemporaryDir dir;
    ViewerTest::loadTexts();
    const ViewerTest::MessageBoxes boxes;
    ViewerTest::Viewer viewer;
    if (!viewer.logOn(port, dir.path())) {
        std::fprintf(stderr, "window: no logon\n");
        return 1;
    }
    viewer.window->resize(1200, 800);
    QueryForm* form = viewer.form();
    QString table;
    QStringList listed;
    for (int i = 0; i < form->tabellenListe()->topLevelItemCount(); ++i) {
        const QString name = form->tabellenListe()->topLevelItem(i)->text(0);
        listed.append(name);
        if (name.endsWith(u":Messwert"_s))
            table = name;
    }
    if (table.isEmpty() || !ViewerTest::openTable(form, table)) {
        std::fprintf(stderr, "window: the table of readings is not among %s\n", qPrintable(listed.join(u", "_s)));
        return 1;
    }
    ViewerTest::check(form, Fields);
    auto* startButton = form->findChild<QPushButton*>(u"StartQueryButton"_s);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(startButton, Qt::LeftButton);

    const double runSeconds = seconds(timer);
    ResultListView* list = form->datenListe();
    if (list->rowCount() != rows || list->columnCount() != Fields.size() || !boxes.texts.isEmpty() ||
        !form->panelText(4).startsWith(QString::number(rows) + u' ')) {
        std::fprintf(stderr, "window: %d of %d records in %d columns, count \"%s\", %s\n", list->rowCount(), rows,
                     list->columnCount(), qPrintable(form->panelText(4)), qPrintable(boxes.texts.join(u" / "_s)));
        return 1;
    }
    QApplication::processEvents();
    // rows, run seconds, peak KiB
    std::printf("%d %.6f %ld\n", list->rowCount(), runSeconds, BenchProcess::peakKilobytes());
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
    // The program's settings go to a folder of the run's own, never the user's.
    QTemporaryDir settings;
    if (kind == u"window"_s)
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    AppContext context;
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
    else if (kind == u"store"_s) {
        // In the fill's surroundings: a list shown, left empty.
        const std::unique_ptr<ResultListView> list = makeList();
        rc = runStore(server->port(), block, rows);
    } else if (kind == u"window"_s)
        rc = runWindow(server->port(), rows);
    else if (kind == u"viewer"_s)
        rc = runViewer(server->port(), block, rows);
    else if (kind == u"copy"_s)
        rc = runCopy(server->port(), block, rows);
    server->stop();
    return rc;
}

// The numbers one child printed.
using Numbers = QList<double>;

bool runInChild(const QString& program, const QString& kind, int block, int rows, int fields, Numbers& numbers)
{
    const QStringList parts = BenchProcess::runChild(program, kind, block, rows, fields);
    if (parts.isEmpty())
        return false;
    numbers.clear();
    for (const QString& part : parts)
        numbers.append(part.toDouble());
    return true;
}

// The median of one number over the repeats: the machine's noise, not the code, makes
// single runs differ.
double median(const QList<Numbers>& runs, int index)
{
    QList<double> values;
    for (const Numbers& run : runs)
        values.append(run.value(index));
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = BenchProcess::argValue(argc, argv, "--rows", 1000000);
    const int block = BenchProcess::argValue(argc, argv, "--block", 200);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0)
            return runChild(argc, argv, QString::fromLocal8Bit(argv[i + 1]), block, rows);
    }
    const int copyRows = BenchProcess::argValue(argc, argv, "--copy-rows", 100000);
    const int repeat = std::max(1, BenchProcess::argValue(argc, argv, "--repeat", 3));

    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("%d records of %d fields and the record id from %s, block size %d; each run in a process of its "
                "own (server included)\n",
                rows, int(Fields.size()), qPrintable(Table), block);
    // library: records, seconds, peak KiB, chars; viewer: see runViewer; copy: rows, fill
    // seconds, peak KiB, copy seconds, 0, chars.
    const int viewerFields = 3 + 3 * SortCaseCount + 1;
    QList<Numbers> libraryRuns;
    QList<Numbers> storeRuns;
    QList<Numbers> viewerRuns;
    QList<Numbers> windowRuns;
    QList<Numbers> copyRuns;
    for (int r = 0; r < repeat; ++r) {
        Numbers library;
        Numbers store;
        Numbers viewer;
        Numbers window;
        Numbers copy;
        if (!runInChild(program, u"library"_s, block, rows, 4, library) ||
            !runInChild(program, u"store"_s, block, rows, 4, store) ||
            !runInChild(program, u"viewer"_s, block, rows, viewerFields, viewer) ||
            !runInChild(program, u"window"_s, block, rows, 3, window) ||
            !runInChild(program, u"copy"_s, block, copyRows, 6, copy)) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        libraryRuns.append(library);
        storeRuns.append(store);
        viewerRuns.append(viewer);
        windowRuns.append(window);
        copyRuns.append(copy);
    }
    const double libraryRead = median(libraryRuns, 1);
    const double storeRead = median(storeRuns, 1);
    const double viewerFill = median(viewerRuns, 1);
    const double windowRun = median(windowRuns, 1);
    std::printf("median of %d runs each\n", repeat);
    std::printf("%-40s %10s %10s %12s\n", "", "seconds", "vs library", "peak MiB");
    std::printf("%-40s %10.3f %9.2fx %12.1f\n", "read through KLVQuery alone", libraryRead, 1.0,
                median(libraryRuns, 2) / 1024.0);
    std::printf("%-40s %10.3f %9.2fx %12.1f\n", "read through the library, rows stored", storeRead,
                storeRead / libraryRead, median(storeRuns, 2) / 1024.0);
    std::printf("%-40s %10.3f %9.2fx %12.1f\n", "fill of the result list", viewerFill, viewerFill / libraryRead,
                median(viewerRuns, 2) / 1024.0);
    std::printf("%-40s %10.3f %9.2fx %12.1f\n", "run in the query window (Start clicked)", windowRun,
                windowRun / libraryRead, median(windowRuns, 2) / 1024.0);
    std::printf("%-40s %9.2fx\n", "fill vs the library read storing rows", viewerFill / storeRead);
    std::printf("%-40s %9.2fx\n", "window's run vs the fill", windowRun / viewerFill);
    double slowest = 0;
    const char* slowestKind = "";
    for (int c = 0; c < SortCaseCount; ++c) {
        const double first = median(viewerRuns, 3 + 3 * c);
        const double second = median(viewerRuns, 4 + 3 * c);
        const double pause = median(viewerRuns, 5 + 3 * c);
        const QByteArray kind = QByteArray(SortCases[c].kind) + " column " + Fields[SortCases[c].column].toUtf8();
        const QByteArray label = "sort " + kind + " (first click)";
        std::printf("%-40s %10.3f %9.2fx\n", label.constData(), first, first / libraryRead);
        std::printf("%-40s %10.3f\n", "  window's longest pause meanwhile", pause);
        std::printf("%-40s %10.3f %9.2fx\n", "  reversed (second click)", second, second / libraryRead);
        if (first > slowest) {
            slowest = first;
            slowestKind = SortCases[c].kind;
        }
    }
    std::printf("%-40s %10.3f %9.2fx %12.1f\n", qPrintable(u"slowest sort (%1)"_s.arg(QLatin1StringView(slowestKind))),
                slowest, slowest / libraryRead, median(viewerRuns, viewerFields - 1) / 1024.0);
    std::printf("%-40s %10.3f %10s %12.1f\n",
                qPrintable(u"copy of %1 rows to the clipboard"_s.arg(qint64(median(copyRuns, 0)))), median(copyRuns, 3),
                "", median(copyRuns, 2) / 1024.0);
    std::printf("(copy list filled in %.3f s; %lld characters copied)\n", median(copyRuns, 1),
                qint64(median(copyRuns, 5)));
    return 0;
}
