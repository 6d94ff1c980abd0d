// The export with a million records: 1,000,000 records of 10 fields of the stand-in server's
// generated table exported as a fresh query (query mode) to a delimited text file, an XML
// file, an HTML page, a workbook (new, and into an existing one whose other sheets it keeps), a
// table of an SQLite file and a table of a PostgreSQL server through ODBC. Each writer is driven
// as the dialog drives it (its checks, the target opened, the rows written by the engine tick
// after tick) with no dialog at all: its questions go to a prompt of the benchmark that agrees.
// The fields carry their types, as a query window hands them over, so the workbook and the
// tables write numbers and dates as such. About one row in six holds what a user's data holds
// and the export has to treat ("&", "<", ">", double quotes, line breaks, controls, addresses,
// empty values: ExportBench::UserRows), in every run alike.
//
// Beside them, in the same run:
//   - an anchor for each format that writes the same output from the same rows with no program
//     around it: for the text, XML and HTML files a plain writer of the same bytes (a buffer of
//     its own, written with fwrite and on disk at the end, as the export's file is; it converts
//     the values itself), libxlsxwriter's constant-memory writer alone on the same cells,
//     sqlite3's prepared statements in one transaction, and the same ODBC driver with a
//     prepared INSERT and parameter arrays of 1,000 rows (into a PostgreSQL server the program
//     starts in a temporary folder);
//   - the read alone: the same query, started as the export starts it, every row read through
//     the export's own row source, nothing written.
//
// How the text, XML and HTML files are timed:
//   - their writing ("<format>-writing"): one process reads the rows from the server in pieces
//     of 10,000 and hands each piece, already read, to the export's writer and to the anchor in
//     turn (which goes first alternates), each writing into memory of its own; after each piece
//     both are compared byte for byte, every row of them, and let go. What is timed is the
//     thread's CPU time in the writer's calls (open, each row, finish) and in the anchor's: the
//     conversion and the copies of the bytes, not the read, not the server's thread and not the
//     file system, which takes the same bytes from both and on a shared machine only adds its
//     noise (the whole export below has it). The measure is the median of the pieces' ratios,
//     which a moment of the machine's other work does not move; the totals are printed beside;
//   - the user's whole export ("<format>" beside "<format>-plain"): from the start of the query
//     to the finished file on disk, in processes of their own, the writer driven by the engine.
// The other formats' writing is their time less the time their own read took, timed in the same
// process (the rows' source sums it); the database anchors time their own writing.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program first writes a few
// thousand rows each way and stops unless the anchors' files are the export's, byte for byte,
// then runs them all three times and prints the medians, the ratios to the anchors (for the
// writing, each run's ratio too), the file sizes and the peak memory above the read's; --kinds
// runs some of them only (the read always). Each ratio is taken from runs of the same
// invocation: compare nothing across invocations on a shared machine.
//   viewer_export_bench [--rows N] [--block N] [--repeat N] [--kinds text-writing,xml-writing,
//                       html-writing,text,text-plain,xml,xml-plain,html,html-plain,xlsx,xlsx-into,
//                       xlsx-alone,sqlite,sqlite-anchor,odbc,odbc-anchor,shown]
//   viewer_export_bench --run read|check|<one of the kinds> --rows N --block N
//
// The anchors are in ExportAnchors, what they share with the runs (the table, the logon, the
// query, the rows, the writer driven as the dialog drives it) in ExportBench.
#include "AppContext.h"
#include "BenchProcess.h"
#include "ExportAnchors.h"
#include "ExportBench.h"
#include "ExportCallerSource.h"
#include "ExportDatabaseWriter.h"
#include "ExportFileWriter.h"
#include "ExportHtmlWriter.h"
#include "ExportQuerySource.h"
#include "ExportTextWriter.h"
#include "ExportWorkbookWriter.h"
#include "ExportXmlWriter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "PostgresServer.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "WorkbookMerge.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace ExportBench;

namespace {

// The rows written both ways before the measurements.
constexpr int CheckRows = 3000;
// The table the ODBC export writes into the PostgreSQL server.
const QString PgTable = u"Massendaten:Messwert"_s;

// The writer of a kind as its options page makes it by default, into file (for a data source:
// its connection string). The page of the HTML file writes no heading here, so that the anchor
// need not know the message texts.
std::unique_ptr<ExportWriter> writerFor(const ExportJob& job, const QString& file, bool odbc = false)
{
    switch (job.exportType) {
    case 0: {
        ExportTextWriter::Options options;
        options.fileName = file;
        return std::make_unique<ExportTextWriter>(job, options);
    }
    case 1: {
        ExportWorkbookWriter::Options options;
        options.fileName = file;
        options.sheetName = SheetName;
        return std::make_unique<ExportWorkbookWriter>(job, options);
    }
    case 2: {
        ExportDatabaseWriter::Options options;
        options.target = odbc ? ExportDatabaseWriter::Target::Odbc : ExportDatabaseWriter::Target::SQLite;
        options.database = file;
        options.table = Caption;
        return std::make_unique<ExportDatabaseWriter>(job, options);
    }
    case 3: {
        ExportXmlWriter::Options options;
        options.fileName = file;
        return std::make_unique<ExportXmlWriter>(job, options);
    }
    default: {
        ExportHtmlWriter::Options options;
        options.fileName = file;
        options.withHeading = false;
        return std::make_unique<ExportHtmlWriter>(job, options);
    }
    }
}

// ---- The runs ---------------------------------------------------------------------------------

int kindOf(const QString& name)
{
    const QString format = name.section(u'-', 0, 0);
    return format == u"text"_s                            ? 0
           : format == u"xlsx"_s                          ? 1
           : format == u"sqlite"_s || format == u"odbc"_s ? 2
           : format == u"xml"_s                           ? 3
                                                          : 4;
}

int runRead(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    const ExportJob job = exportJob(0, false);
    QElapsedTimer timer;
    timer.start();
    const QSharedPointer<KLVQuery> query = startQuery(session, job);
    if (!query)
        return 1;
    const std::unique_ptr<ExportRowSource> source = exportRows(query);
    QStringList values;
    qint64 records = 0;
    qint64 chars = 0;
    while (source->next()) {
        source->values(int(Fields.size()), values);
        for (const QString& value : std::as_const(values))
            chars += value.size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || source->state() != ExportRowSource::State::Ended) {
        std::fprintf(stderr, "read: %lld of %d records: %s\n", records, rows, qPrintable(source->errorText()));
        return 1;
    }
    report(records, read, chars, 0);
    return 0;
}

// The export of a kind, or with plain its anchor, into file; the seconds from the start of the
// query to the finished file, and of them those spent reading the rows.
bool exportOnce(quint16 port, int block, const QString& name, const QString& file, qint64& records, double& secs,
                double* readSecs = nullptr)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return false;
    const ExportJob job = exportJob(kindOf(name), false);
    QElapsedTimer timer;
    timer.start();
    const QSharedPointer<KLVQuery> query = startQuery(session, job);
    if (!query)
        return false;
    qint64 readNs = 0;
    std::unique_ptr<ExportRowSource> source = exportRows(query, &readNs);
    const bool written =
        name.endsWith(u"-plain"_s)
            ? ExportAnchors::writePlain(job.exportType, *source, file, records)
            : runWriter(std::move(source), writerFor(job, file, name == u"odbc"_s), int(job.fields.size()), records);
    secs = seconds(timer);
    if (readSecs)
        *readSecs = double(readNs) / 1e9;
    return written;
}

double medianOf(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The files of the two writers are the same, byte for byte.
bool sameBytes(const QString& first, const QString& second)
{
    QFile a(first), b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    QByteArray x(1 << 20, Qt::Uninitialized), y(1 << 20, Qt::Uninitialized);
    qint64 n;
    while ((n = a.read(x.data(), x.size())) > 0) {
        if (b.read(y.data(), n) != n || std::memcmp(x.constData(), y.constData(), size_t(n)) != 0)
            return false;
    }
    return n == 0 && b.atEnd();
}

// What the export's writer writes, kept in memory until it is compared.
class MemorySink : public QIODevice
{
public:
    MemorySink() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    std::string bytes;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        bytes.append(data, size_t(size));
        return size;
    }
};

// The writing of a text, XML or HTML file: the export's writer and the anchor fed the same rows,
// already read, piece by piece in turn, each into memory of its own, which is compared and
// emptied after each piece; prints the writer's CPU seconds, the anchor's as the baseline, the
// seconds on the clock of both and the median of the pieces' ratios.
int runWriting(quint16 port, int block, int rows, const QString& name)
{
    constexpr int PieceRows = 10000;
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    const ExportJob job = exportJob(kindOf(name), false);
    const QSharedPointer<KLVQuery> query = startQuery(session, job);
    if (!query)
        return 1;
    const std::unique_ptr<ExportRowSource> source = exportRows(query);
    Agreeing prompt;
    const std::unique_ptr<ExportWriter> writer = writerFor(job, u"export.out"_s);
    writer->setPrompt(&prompt);
    MemorySink exported;
    static_cast<ExportFileWriter*>(writer.get())->setDevice(&exported);
    std::string plain;
    // Room for a piece and more, kept from piece to piece, alike for both.
    exported.bytes.reserve(64 << 20);
    plain.reserve(64 << 20);

    // The bytes both wrote so far, compared and let go; false at the first difference.
    qint64 bytes = 0;
    const auto sameSoFar = [&] {
        const size_t n = std::min(exported.bytes.size(), plain.size());
        if (std::memcmp(exported.bytes.data(), plain.data(), n) != 0)
            return false;
        exported.bytes.erase(0, n);
        plain.erase(0, n);
        bytes += qint64(n);
        return true;
    };

    WorkClock exportClock, anchorClock;
    ExportFailure failure;
    exportClock.start();
    const bool opened = writer->open(failure);
    exportClock.stop();
    anchorClock.start();
    ExportAnchors::PlainExport anchor(job.exportType, plain);
    anchorClock.stop();
    if (!opened) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(failure.text()));
        return 1;
    }
    const int fields = int(job.fields.size());
    QList<QStringList> piece(PieceRows);
    QList<double> ratios;
    qint64 records = 0;
    bool failed = false;
    bool same = true;
    for (int turn = 0; !failed && same; ++turn) {
        int count = 0;
        while (count < PieceRows && source->next())
            source->values(fields, piece[count++]);
        if (count == 0)
            break;
        const auto writeExport = [&] {
            exportClock.start();
            for (int i = 0; i < count && !failed; ++i)
                failed = writer->writeRow(piece[i], records + i + 1, failure) != ExportWriter::Step::Continue;
            exportClock.stop();
        };
        const auto writeAnchor = [&] {
            anchorClock.start();
            for (int i = 0; i < count; ++i)
                anchor.row(piece[i]);
            anchorClock.stop();
        };
        if (turn % 2 == 0) {
            writeExport();
            writeAnchor();
        } else {
            writeAnchor();
            writeExport();
        }
        if (anchorClock.lastCpuSeconds() > 0)
            ratios.append(exportClock.lastCpuSeconds() / anchorClock.lastCpuSeconds());
        records += count;
        same = sameSoFar();
    }
    exportClock.start();
    failed = failed || !writer->finish(failure);
    exportClock.stop();
    anchorClock.start();
    const bool anchorWritten = anchor.close();
    anchorClock.stop();
    if (failed || !anchorWritten || records != rows || source->state() != ExportRowSource::State::Ended) {
        std::fprintf(stderr, "%s: %lld of %d records %s\n", qPrintable(name), records, rows,
                     qPrintable(failure.text()));
        return 1;
    }
    if (!same || !sameSoFar() || !exported.bytes.empty() || !plain.empty()) {
        std::fprintf(stderr, "%s: the anchor's bytes are not the export's (from byte %lld on)\n", qPrintable(name),
                     bytes);
        return 1;
    }
    std::printf("%lld %.6f %ld %lld %.6f %.6f %.6f %.6f\n", records, exportClock.cpuSeconds(),
                BenchProcess::peakKilobytes(), bytes, anchorClock.cpuSeconds(), exportClock.wallSeconds(),
                anchorClock.wallSeconds(), ratios.isEmpty() ? 0.0 : medianOf(ratios));
    return 0;
}

// A workbook of another program to export into: a sheet of 20,000 rows with number formats, a
// bold header and widths, the export's sheet with older rows, a third sheet and a name.
bool writeExistingWorkbook(const QString& file)
{
    lxw_workbook* book = workbook_new(QFile::encodeName(file).constData());
    if (!book)
        return false;
    lxw_worksheet* kept = workbook_add_worksheet(book, "Umsatz");
    lxw_worksheet* old = workbook_add_worksheet(book, SheetName.toUtf8().constData());
    lxw_worksheet* notes = workbook_add_worksheet(book, "Notizen");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* money = workbook_add_format(book);
    format_set_num_format(money, "#,##0.00 \"EUR\"");
    worksheet_set_column(kept, 0, 0, 24, nullptr);
    worksheet_write_string(kept, 0, 0, "Posten", bold);
    worksheet_write_string(kept, 0, 1, "Betrag", bold);
    for (lxw_row_t r = 1; r <= 20000; ++r) {
        worksheet_write_string(kept, r, 0, QByteArray("Posten " + QByteArray::number(r)).constData(), nullptr);
        worksheet_write_number(kept, r, 1, r * 1.25, money);
    }
    worksheet_write_formula(kept, 20001, 1, "=SUM(B2:B20001)", money);
    for (lxw_row_t r = 0; r < 100; ++r)
        worksheet_write_number(old, r, 0, r, nullptr);
    worksheet_write_string(notes, 0, 0, "kept as it is", nullptr);
    workbook_define_name(book, "Gesamt", "=Umsatz!$B$20002");
    return workbook_close(book) == LXW_NO_ERROR;
}

int runExport(quint16 port, int block, int rows, const QString& name)
{
    QTemporaryDir dir;
    const bool odbc = name == u"odbc"_s;
    const QString file = odbc                         ? qEnvironmentVariable(PgConnectionVariable)
                         : name.startsWith(u"xlsx"_s) ? dir.filePath(u"export.xlsx"_s)
                                                      : dir.filePath(u"export.out"_s);
    if (name == u"xlsx-into"_s && !writeExistingWorkbook(file))
        return 1;
    qint64 records = 0;
    double secs = 0;
    double read = 0;
    if (file.isEmpty() || !exportOnce(port, block, name, file, records, secs, &read) || records != rows ||
        (odbc && pgRowCount(file, PgTable) != rows)) {
        std::fprintf(stderr, "%s: %lld of %d records\n", qPrintable(name), records, rows);
        return 1;
    }
    if (name == u"xlsx-into"_s) {
        WorkbookMerge merged;
        if (merged.open(file) || merged.sheetNames() != QStringList{SheetName, u"Umsatz"_s, u"Notizen"_s}) {
            std::fprintf(stderr, "the workbook's sheets: %s\n", qPrintable(merged.sheetNames().join(u", ")));
            return 1;
        }
    }
    report(records, secs, odbc ? 0 : QFileInfo(file).size(), read);
    return 0;
}

// The anchors write the export's bytes: each format both ways, compared.
int runCheck(quint16 port, int block, int rows)
{
    QTemporaryDir dir;
    for (const QString& format : {u"text"_s, u"xml"_s, u"html"_s}) {
        const QString exported = dir.filePath(format + u".export"_s);
        const QString plain = dir.filePath(format + u".plain"_s);
        qint64 a = 0, b = 0;
        double secs = 0;
        if (!exportOnce(port, block, format, exported, a, secs) ||
            !exportOnce(port, block, format + u"-plain"_s, plain, b, secs) || a != rows || b != rows) {
            std::fprintf(stderr, "check %s: not written\n", qPrintable(format));
            return 1;
        }
        if (!sameBytes(exported, plain)) {
            std::fprintf(stderr, "check %s: the anchor's bytes are not the export's\n", qPrintable(format));
            return 1;
        }
    }
    report(rows, 0, 0, 0);
    return 0;
}

// The rows of a result list, given by name as the query window gives them.
class ShownRows : public QObject
{
    Q_OBJECT

public:
    explicit ShownRows(ResultListView* list) : m_list(list) {}
    Q_INVOKABLE QString GetResultField(int& row, QString& fieldKey) { return m_list->GetResultField(row, fieldKey); }

private:
    ResultListView* m_list;
};

int runShown(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    ResultListView view;
    for (const QString& field : Fields)
        view.addColumn(field + u"#0#S"_s, u"0:"_s + field, field, 1440);
    view.resize(1200, 800);
    view.show();
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    if (!query->StartQuery(Table, Fields.join(u',') + u",+id"_s))
        return 1;
    ResultFill fill(&view);
    if (fill.run(query, view.columnCount(), [](int, int) {}) != rows)
        return 1;
    session->EndSession();

    const ExportJob job = exportJob(0, true);
    QStringList keys;
    for (const ExportField& field : job.fields)
        keys.append(field.key);
    ShownRows caller(&view);

    // The baseline: every cell read through the export's source of shown rows, nothing written.
    QElapsedTimer timer;
    timer.start();
    qint64 chars = 0;
    ExportCallerSource cells(&caller, keys, rows);
    QStringList values;
    while (cells.next()) {
        cells.values(int(keys.size()), values);
        for (const QString& value : std::as_const(values))
            chars += value.size();
    }
    const double read = seconds(timer);

    QTemporaryDir dir;
    const QString file = dir.filePath(u"shown.txt"_s);
    timer.restart();
    qint64 records = 0;
    if (!runWriter(std::make_unique<ExportCallerSource>(&caller, keys, rows), writerFor(job, file), int(keys.size()),
                   records) ||
        records != rows)
        return 1;
    report(rows, seconds(timer), QFileInfo(file).size(), read);
    return chars > 0 ? 0 : 1;
}

int runChild(int argc, char** argv, const QString& kind, int block, int rows)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The export may store settings: in a folder of the run's own, not the user's.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    AppContext context;
    QApplication app(argc, argv);
    const std::unique_ptr<KlvServer> server = BenchProcess::startServer(rows);
    if (!server)
        return 2;
    int rc = 1;
    if (kind == u"read"_s)
        rc = runRead(server->port(), block, rows);
    else if (kind == u"check"_s)
        rc = runCheck(server->port(), block, rows);
    else if (kind == u"shown"_s)
        rc = runShown(server->port(), block, rows);
    else if (kind == u"xlsx-alone"_s)
        rc = ExportAnchors::runWorkbookAlone(server->port(), block, rows);
    else if (kind == u"sqlite-anchor"_s)
        rc = ExportAnchors::runSqliteAnchor(server->port(), block, rows);
    else if (kind == u"odbc-anchor"_s)
        rc = ExportAnchors::runOdbcAnchor(server->port(), block, rows);
    else if (kind.endsWith(u"-writing"_s))
        rc = runWriting(server->port(), block, rows, kind);
    else
        rc = runExport(server->port(), block, rows, kind);
    server->stop();
    return rc;
}

struct Row
{
    qint64 records = 0;
    double secs = 0;
    long peakKb = 0;
    qint64 bytes = 0;
    double baseline = 0;
    // The writing runs: the writer's and the anchor's seconds on the clock, and the median of
    // the pieces' ratios.
    double wall = 0;
    double baselineWall = 0;
    double pieceRatio = 0;
};

Row median(QList<Row> rows)
{
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.secs < b.secs; });
    return rows[rows.size() / 2];
}

const char* const Usage =
    "viewer_export_bench [--rows N] [--block N] [--repeat N] [--kinds KIND,...]\n"
    "  Exports N records (1,000,000) of the stand-in server's generated table read in blocks of N\n"
    "  (200) in every format beside its anchor, N times (3) each, and prints the medians and the\n"
    "  ratios. Kinds: text-writing, xml-writing, html-writing (the writing of rows already read,\n"
    "  the writer's CPU time beside the plain writer's in the same process), text, text-plain,\n"
    "  xml, xml-plain, html, html-plain (the user's whole export and the plain writer's whole\n"
    "  run), xlsx, xlsx-into, xlsx-alone, sqlite, sqlite-anchor, odbc, odbc-anchor, shown.\n"
    "viewer_export_bench --run read|check|KIND --rows N --block N\n"
    "  One run in this process; prints its line of numbers.\n";

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }
    const int rows = BenchProcess::argValue(argc, argv, "--rows", 1000000);
    const int block = BenchProcess::argValue(argc, argv, "--block", 200);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0)
            return runChild(argc, argv, QString::fromLocal8Bit(argv[i + 1]), block, rows);
    }
    const int repeat = std::max(1, BenchProcess::argValue(argc, argv, "--repeat", 3));
    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("%d records of %d fields from %s, block size %d, one row in six as a user's data has it; each run "
                "in a process of its own (server included)\n",
                rows, int(Fields.size()), qPrintable(Table), block);
    if (BenchProcess::runChild(program, u"check"_s, block, std::min(rows, CheckRows), 5).isEmpty()) {
        std::fprintf(stderr, "the anchors do not write the export's bytes\n");
        return 1;
    }
    std::printf("the anchors write the export's bytes (%d records compared)\n", std::min(rows, CheckRows));

    QStringList kinds{u"read"_s,       u"text-writing"_s, u"xml-writing"_s, u"html-writing"_s, u"text"_s,
                      u"text-plain"_s, u"xml"_s,          u"xml-plain"_s,   u"html"_s,         u"html-plain"_s,
                      u"xlsx"_s,       u"xlsx-into"_s,    u"xlsx-alone"_s,  u"sqlite"_s,       u"sqlite-anchor"_s,
                      u"odbc"_s,       u"odbc-anchor"_s,  u"shown"_s};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--kinds") == 0)
            kinds = QStringList{u"read"_s} + QString::fromLocal8Bit(argv[i + 1]).split(u',', Qt::SkipEmptyParts);
    }
    // The data source of the ODBC runs: a PostgreSQL server of this run's own.
    PostgresServer pg;
    if (kinds.contains(u"odbc"_s) || kinds.contains(u"odbc-anchor"_s)) {
        if (pg.start()) {
            qputenv(PgConnectionVariable, pg.odbcConnection().toUtf8());
        } else {
            std::fprintf(stderr, "no ODBC runs, PostgreSQL did not start: %s\n", qPrintable(pg.errorString()));
            kinds.removeAll(u"odbc"_s);
            kinds.removeAll(u"odbc-anchor"_s);
        }
    }
    QHash<QString, QList<Row>> runs;
    for (int r = 0; r < repeat; ++r) {
        for (const QString& kind : kinds) {
            if (kind.startsWith(u"odbc"_s) &&
                !pg.execute(u"DROP TABLE IF EXISTS \""_s + PgTable + u"\"; DROP TABLE IF EXISTS anchor"_s)) {
                std::fprintf(stderr, "PostgreSQL: %s\n", qPrintable(pg.errorString()));
                return 1;
            }
            const QStringList parts = BenchProcess::runChild(program, kind, block, rows, 5);
            if (parts.isEmpty()) {
                std::fprintf(stderr, "the %s run failed\n", qPrintable(kind));
                return 1;
            }
            runs[kind].append({parts[0].toLongLong(), parts[1].toDouble(), parts[2].toLong(), parts[3].toLongLong(),
                               parts[4].toDouble(), parts.value(5).toDouble(), parts.value(6).toDouble(),
                               parts.value(7).toDouble()});
        }
    }
    const Row read = median(runs[u"read"_s]);
    std::printf("median of %d runs each\n", repeat);

    struct Format
    {
        const char* label;
        QString kind;
    };
    const Format files[] = {{"text", u"text"_s}, {"XML", u"xml"_s}, {"HTML", u"html"_s}};
    bool writingShown = false;
    for (const Format& f : files) {
        const QList<Row>& done = runs.value(f.kind + u"-writing"_s);
        if (done.isEmpty())
            continue;
        if (!writingShown) {
            std::printf("\nwriting the rows already read, beside the plain writer in the same process, piece by "
                        "piece:\nthe writing thread's CPU seconds (on the clock in brackets), the ratio of the totals, "
                        "and the median of the pieces' ratios (the measure)\n");
            std::printf("%-8s %9s %9s %8s %10s %10s %8s  %s\n", "", "export", "anchor", "totals", "(export)",
                        "(anchor)", "pieces", "each run's pieces");
            writingShown = true;
        }
        QList<double> ratios, totals, secs, anchors, walls, anchorWalls;
        QString each;
        for (const Row& run : done) {
            ratios.append(run.pieceRatio);
            totals.append(run.secs / run.baseline);
            secs.append(run.secs);
            anchors.append(run.baseline);
            walls.append(run.wall);
            anchorWalls.append(run.baselineWall);
            each += QString::number(run.pieceRatio, 'f', 2) + u"x "_s;
        }
        std::printf("%-8s %9.3f %9.3f %7.2fx %10.3f %10.3f %7.2fx  %s\n", f.label, medianOf(secs), medianOf(anchors),
                    medianOf(totals), medianOf(walls), medianOf(anchorWalls), medianOf(ratios),
                    qPrintable(each.trimmed()));
    }

    bool wholeShown = false;
    for (const Format& f : files) {
        if (!runs.contains(f.kind) || !runs.contains(f.kind + u"-plain"_s))
            continue;
        if (!wholeShown) {
            std::printf("\nthe user's whole export, from the start of the query to the finished file (seconds on the "
                        "clock)\n");
            std::printf("%-8s %9s %13s %7s %9s %9s %11s\n", "", "export", "plain writer", "ratio", "file MiB",
                        "peak MiB", "above read");
            wholeShown = true;
        }
        const Row row = median(runs[f.kind]);
        const Row plain = median(runs[f.kind + u"-plain"_s]);
        std::printf("%-8s %9.3f %13.3f %6.2fx %9.1f %9.1f %11.1f\n", f.label, row.secs, plain.secs,
                    row.secs / plain.secs, double(row.bytes) / 1048576.0, double(row.peakKb) / 1024.0,
                    double(row.peakKb - read.peakKb) / 1024.0);
    }

    std::printf("\nwriting: the run's time less its own read's (timed in the same process)\n");
    std::printf("%-38s %9s %9s %10s %9s %9s %11s\n", "", "seconds", "writing", "vs anchor", "file MiB", "peak MiB",
                "above read");
    std::printf("%-38s %9.3f %9s %10s %9s %9.1f %11s\n", "read through the export's source", read.secs, "", "", "",
                double(read.peakKb) / 1024.0, "");
    // The database anchors time their writing alone; every other run its read.
    const auto writing = [&](const QString& kind) {
        QList<double> secs;
        for (const Row& run : runs[kind])
            secs.append(kind.endsWith(u"-anchor"_s) ? run.secs : run.secs - run.baseline);
        return medianOf(secs);
    };
    struct Line
    {
        const char* label;
        QString kind;
        QString anchor;
    };
    const Line lines[] = {{"workbook: libxlsxwriter alone (anchor)", u"xlsx-alone"_s, {}},
                          {"workbook: export", u"xlsx"_s, u"xlsx-alone"_s},
                          {"workbook: export into an existing one", u"xlsx-into"_s, u"xlsx-alone"_s},
                          {"SQLite: prepared statements (anchor)", u"sqlite-anchor"_s, {}},
                          {"SQLite table: export", u"sqlite"_s, u"sqlite-anchor"_s},
                          {"ODBC: arrays of 1,000 rows (anchor)", u"odbc-anchor"_s, {}},
                          {"ODBC into PostgreSQL: export", u"odbc"_s, u"odbc-anchor"_s}};
    for (const Line& l : lines) {
        if (!runs.contains(l.kind))
            continue;
        const Row row = median(runs[l.kind]);
        const QString versus = !l.anchor.isEmpty() && runs.contains(l.anchor)
                                   ? QString::number(writing(l.kind) / writing(l.anchor), 'f', 2) + u'x'
                                   : QString();
        std::printf("%-38s %9.3f %9.3f %10s %9.1f %9.1f %11.1f\n", l.label, row.secs, writing(l.kind),
                    qPrintable(versus), double(row.bytes) / 1048576.0, double(row.peakKb) / 1024.0,
                    double(row.peakKb - read.peakKb) / 1024.0);
    }
    if (!runs.contains(u"shown"_s))
        return 0;
    const Row shown = median(runs[u"shown"_s]);
    std::printf("%-38s %9.3f\n", "shown rows read through their source", shown.baseline);
    std::printf("%-38s %9.3f %9.3f %10s %9.1f %9.1f %11s\n", "shown rows: text export", shown.secs,
                shown.secs - shown.baseline, "", double(shown.bytes) / 1048576.0, double(shown.peakKb) / 1024.0,
                "(list filled)");
    return 0;
}

#include "viewer_export_bench.moc"
