// The export with a million records: 1,000,000 records of 10 fields of the stand-in server's
// generated table exported as a fresh query (query mode) to a delimited text file, an XML
// file, an HTML page, a workbook and a table of an SQLite file. Each writer is driven as the
// dialog drives it (its checks, the target opened, the rows written by the engine tick after
// tick) with no dialog at all: its questions go to a prompt of the benchmark that agrees. The
// fields carry their types, as a query window hands them over, so the workbook and the table
// write numbers and dates as such.
//
// Beside them, in the same run:
//   - the read alone: the same query, started as the export starts it, every row read through
//     the export's own row source, nothing written. A format's writing share is its time less
//     this read's;
//   - an anchor for the text, XML and HTML files: a plain writer of the same bytes from the same
//     rows with no program around it (a buffer of its own, written with fwrite and on disk at the
//     end, as the export's file is), whose writing share is the one to match. Before the measurements the program
//     writes a few thousand rows both ways and stops unless the files are the same, byte for byte.
// Then the export of the rows a filled result list shows (GetResultField by name for every
// cell), beside the same cells read through the export's row source for shown rows.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all three
// times and prints the median times, the writing shares against the anchors', the file sizes
// and the peak memory above the read's; --kinds runs some of them only (the read always).
//   viewer_export_bench [--rows N] [--block N] [--repeat N]
//                       [--kinds text,text-plain,xml,xml-plain,html,html-plain,xlsx,sqlite,shown]
//   viewer_export_bench --run read|check|text|text-plain|xml|xml-plain|html|html-plain|xlsx|sqlite|shown
//                       --rows N --block N
#include "AppContext.h"
#include "BenchProcess.h"
#include "ExportCallerSource.h"
#include "ExportDatabaseWriter.h"
#include "ExportEngine.h"
#include "ExportHtmlWriter.h"
#include "ExportPrompt.h"
#include "ExportQuerySource.h"
#include "ExportTextWriter.h"
#include "ExportWorkbookWriter.h"
#include "ExportXmlWriter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "ResultFill.h"
#include "ResultListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace Qt::StringLiterals;

namespace {

const QString Table = u"90:1"_s;
const QString Caption = u"Massendaten:Messwert"_s;
const QStringList Fields{u"nummer"_s, u"such"_s,  u"name"_s,  u"ort"_s,       u"datum"_s,
                         u"betrag"_s, u"menge"_s, u"aktiv"_s, u"kategorie"_s, u"kunde"_s};
// Their ERP types, as the server's field catalogue gives them.
const QStringList Types{u"I9"_s,    u"SW"_s, u"GL30"_s, u"GL20"_s, u"GD8"_s,
                        u"R10.2"_s, u"I6"_s, u"B"_s,    u"A131"_s, u"P1:1"_s};
// The rows written both ways before the measurements.
constexpr int CheckRows = 3000;

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

QSharedPointer<KLV> logOn(quint16 port, int block)
{
    auto session = QSharedPointer<KLV>::create();
    if (!session->BeginSession(u"127.0.0.1"_s, port, u"100"_s, u"secret"_s)) {
        std::fprintf(stderr, "logon: %s\n", qPrintable(session->GetLastError()));
        return {};
    }
    session->setDatasetSize(block);
    return session;
}

// What every run prints: records, seconds, peak KiB, file bytes, baseline seconds.
void report(qint64 records, double secs, qint64 bytes, double baseline)
{
    std::printf("%lld %.6f %ld %lld %.6f\n", records, secs, BenchProcess::peakKilobytes(), bytes, baseline);
}

// The export of the query window's fields, as it hands them over: head fields with their
// query names and types, the selection of the whole table.
ExportJob exportJob(int kind, bool shownRows)
{
    ExportJob job;
    job.exportType = kind;
    job.caption = Caption;
    job.tableId = Table;
    job.rowsFromCaller = shownRows;
    const KLVTools tools;
    for (qsizetype i = 0; i < Fields.size(); ++i) {
        ExportField field;
        field.caption = Fields[i];
        field.key = Fields[i] + u"#0#S"_s;
        field.tag = u"0:"_s + Fields[i];
        field.type = tools.GetTAVArtInfo(Types[i]);
        job.fields.append(field);
    }
    return job;
}

// The writer of a kind as its options page makes it by default, into file. The page of the
// HTML file writes no heading here, so that the anchor need not know the message texts.
std::unique_ptr<ExportWriter> writerFor(const ExportJob& job, const QString& file)
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
        options.sheetName = u"Massendaten - Messwert"_s;
        return std::make_unique<ExportWorkbookWriter>(job, options);
    }
    case 2: {
        ExportDatabaseWriter::Options options;
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

// The user who agrees to every question (a new workbook or database file) and reads every
// notice.
class Agreeing : public ExportPrompt
{
public:
    bool ask(const QString&, Choice) override { return true; }
    void tell(const QString& text) override { std::fprintf(stderr, "told: %s\n", qPrintable(text)); }
};

// The query the export starts for the job, started.
QSharedPointer<KLVQuery> startQuery(const QSharedPointer<KLV>& session, const ExportJob& job)
{
    QSharedPointer<KLVQuery> query = session->CreateQuery();
    if (!ExportQuerySource::Start(*query, job)) {
        std::fprintf(stderr, "query: %s\n", qPrintable(query->GetLastError()));
        return {};
    }
    return query;
}

// The writer driven as the dialog drives it: checks, open, the engine to its end.
bool runWriter(std::unique_ptr<ExportRowSource> source, std::unique_ptr<ExportWriter> writer, int fields, qint64& rows)
{
    Agreeing prompt;
    writer->setPrompt(&prompt);
    ExportFailure failure;
    if (!writer->checkTarget().passed() || !writer->confirmTarget().passed() || !writer->open(failure)) {
        std::fprintf(stderr, "start: %s\n", qPrintable(failure.text()));
        return false;
    }
    auto* engine = new ExportEngine(std::move(source), std::move(writer), fields);
    QEventLoop loop;
    ExportEngine::Outcome outcome = ExportEngine::Outcome::ReadFailed;
    QObject::connect(engine, &ExportEngine::finished, &loop, [&](ExportEngine::Outcome o) {
        outcome = o;
        rows = engine->rowsWritten();
        if (o == ExportEngine::Outcome::WriteFailed)
            std::fprintf(stderr, "write: %s\n", qPrintable(engine->failure().text()));
        loop.quit();
    });
    engine->start();
    loop.exec();
    return outcome == ExportEngine::Outcome::Completed;
}

// ---- The anchors: the same bytes from the same rows, written plainly ------------------------

// A buffer written to its file with fwrite once it holds a MiB.
class PlainFile
{
public:
    explicit PlainFile(const QString& name)
        : m_file(std::fopen(QFile::encodeName(name).constData(), "wb")), m_failed(!m_file)
    {
        m_bytes.reserve(Flush + 4096);
    }
    ~PlainFile() { close(); }
    bool ok() const { return !m_failed; }
    void bytes(const char* data, size_t size)
    {
        m_bytes.append(data, size);
        if (m_bytes.size() >= Flush)
            flush();
    }
    // Text as UTF-8.
    void utf8(QStringView text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
            if (c < 0x80) {
                m_bytes.push_back(char(c));
            } else if (c < 0x800) {
                m_bytes.push_back(char(0xC0 | (c >> 6)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            } else if (c < 0x10000) {
                m_bytes.push_back(char(0xE0 | (c >> 12)));
                m_bytes.push_back(char(0x80 | ((c >> 6) & 0x3F)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            } else {
                m_bytes.push_back(char(0xF0 | (c >> 18)));
                m_bytes.push_back(char(0x80 | ((c >> 12) & 0x3F)));
                m_bytes.push_back(char(0x80 | ((c >> 6) & 0x3F)));
                m_bytes.push_back(char(0x80 | (c & 0x3F)));
            }
        }
        if (m_bytes.size() >= Flush)
            flush();
    }
    // Text as UTF-16 little-endian (the machine's own order).
    void utf16(QStringView text) { bytes(reinterpret_cast<const char*>(text.utf16()), size_t(text.size()) * 2); }
    // On disk before it counts as written, as the export's file is.
    void close()
    {
        if (!m_file)
            return;
        flush();
        m_failed = std::fflush(m_file) != 0 || ::fsync(fileno(m_file)) != 0 || m_failed;
        m_failed = std::fclose(m_file) != 0 || m_failed;
        m_file = nullptr;
    }

private:
    static constexpr size_t Flush = 1 << 20;
    void flush()
    {
        if (m_file && !m_bytes.empty() && std::fwrite(m_bytes.data(), 1, m_bytes.size(), m_file) != m_bytes.size())
            m_failed = true;
        m_bytes.clear();
    }
    std::FILE* m_file;
    std::string m_bytes;
    bool m_failed;
};

// "&", "<", ">" and the double quote as references; in HTML a line break as "<BR>" and CR LF.
void escaped(PlainFile& out, QStringView text, bool html)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t* entity = c == u'&'            ? u"&amp;"
                                 : c == u'<'          ? u"&lt;"
                                 : c == u'>'          ? u"&gt;"
                                 : c == u'"'          ? u"&quot;"
                                 : html && c == u'\n' ? u"<BR>\r\n"
                                 : html && c == u'\r' ? u""
                                                      : nullptr;
        if (!entity)
            continue;
        out.utf16(text.sliced(from, i - from));
        out.utf16(QStringView(entity));
        from = i + 1;
    }
    out.utf16(text.sliced(from));
}

void line(PlainFile& out, int indent, QStringView text)
{
    static const QString blanks(32, u' ');
    out.utf16(QStringView(blanks).left(indent));
    out.utf16(text);
    out.utf16(u"\r\n");
}

// The anchor of a kind: the same header, rows and tail as the export, from the rows the same
// read gives.
bool writePlain(int kind, ExportRowSource& source, const QString& file, qint64& rows)
{
    PlainFile out(file);
    QStringList values;
    const int count = int(Fields.size());
    if (kind == 0) {
        out.utf8(Fields.join(u';'));
        out.bytes("\r\n", 2);
        while (source.next()) {
            source.values(count, values);
            for (int i = 0; i < count; ++i) {
                if (i > 0)
                    out.bytes(";", 1);
                out.utf8(values[i]);
            }
            out.bytes("\r\n", 2);
            ++rows;
        }
    } else if (kind == 3) {
        out.utf16(u"\uFEFF");
        line(out, 0, u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
        line(out, 0, u"<WEXAData>");
        line(out, 2, u"<RecordSet source=\"KLVViewer\" sourcetype=\"DataQuery\">");
        // Head fields and no record id: every row a record of its own; an empty field is left
        // out.
        while (source.next()) {
            source.values(count, values);
            line(out, 4, u"<Record>");
            line(out, 6, u"<Head>");
            for (int i = 0; i < count; ++i) {
                if (values[i].isEmpty())
                    continue;
                out.utf16(u"        <Field name=\"");
                out.utf16(Fields[i]);
                out.utf16(u"\">");
                escaped(out, values[i], false);
                out.utf16(u"</Field>\r\n");
            }
            line(out, 6, u"</Head>");
            line(out, 4, u"</Record>");
            ++rows;
        }
        line(out, 2, u"</RecordSet>");
        line(out, 0, u"</WEXAData>");
    } else {
        out.utf16(u"\uFEFF");
        line(out, 0, u"<HTML>");
        line(out, 3, u"<HEAD>");
        out.utf16(u"      <TITLE>");
        escaped(out, Caption, true);
        out.utf16(u"</TITLE>\r\n");
        line(out, 6, u"<META http-equiv=\"content-type\" content=\"text/html; charset=UTF-16\"/>");
        line(out, 3, u"</HEAD>");
        line(out, 3, u"<BODY>");
        line(out, 6, u"<TABLE BORDER=\"0\" BGCOLOR=\"#000000\" CELLPADDING=\"5\" CELLSPACING=\"1\">");
        line(out, 9, u"<TR BGCOLOR=\"#FFFFFF\">");
        for (const QString& field : Fields)
            line(out, 12, QString(u"<TD NOWRAP><B><FONT COLOR=\"#000000\">"_s + field + u"</FONT></B></TD>"_s));
        line(out, 9, u"</TR>");
        while (source.next()) {
            source.values(count, values);
            ++rows;
            line(out, 9,
                 rows % 2 == 0 ? u"<TR VALIGN=\"top\" BGCOLOR=\"#F0F0F0\">"
                               : u"<TR VALIGN=\"top\" BGCOLOR=\"#F8F8F8\">");
            for (int i = 0; i < count; ++i) {
                out.utf16(u"            <TD NOWRAP><TT><FONT COLOR=\"#000000\">");
                escaped(out, values[i], true);
                out.utf16(u"</FONT></TT></TD>\r\n");
            }
            line(out, 9, u"</TR>");
        }
        line(out, 6, u"</TABLE>");
        line(out, 3, u"</BODY>");
        line(out, 0, u"</HTML>");
    }
    out.close();
    return out.ok() && source.state() == ExportRowSource::State::Ended;
}

// ---- The runs ---------------------------------------------------------------------------------

int kindOf(const QString& name)
{
    const QString format = name.section(u'-', 0, 0);
    return format == u"text"_s ? 0 : format == u"xlsx"_s ? 1 : format == u"sqlite"_s ? 2 : format == u"xml"_s ? 3 : 4;
}

int runRead(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    const ExportJob job = exportJob(0, false);
    QElapsedTimer timer;
    timer.start();
    ExportQuerySource source(startQuery(session, job));
    QStringList values;
    qint64 records = 0;
    qint64 chars = 0;
    while (source.next()) {
        source.values(int(Fields.size()), values);
        for (const QString& value : std::as_const(values))
            chars += value.size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || source.state() != ExportRowSource::State::Ended) {
        std::fprintf(stderr, "read: %lld of %d records: %s\n", records, rows, qPrintable(source.errorText()));
        return 1;
    }
    report(records, read, chars, 0);
    return 0;
}

// The export of a kind, or with plain its anchor, into file; the seconds from the start of the
// query to the finished file.
bool exportOnce(quint16 port, int block, const QString& name, const QString& file, qint64& records, double& secs)
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
    auto source = std::make_unique<ExportQuerySource>(query);
    const bool written = name.endsWith(u"-plain"_s)
                             ? writePlain(job.exportType, *source, file, records)
                             : runWriter(std::move(source), writerFor(job, file), int(job.fields.size()), records);
    secs = seconds(timer);
    return written;
}

int runExport(quint16 port, int block, int rows, const QString& name)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(name.startsWith(u"xlsx"_s) ? u"export.xlsx"_s : u"export.out"_s);
    qint64 records = 0;
    double secs = 0;
    if (!exportOnce(port, block, name, file, records, secs) || records != rows) {
        std::fprintf(stderr, "%s: %lld of %d records\n", qPrintable(name), records, rows);
        return 1;
    }
    report(records, secs, QFileInfo(file).size(), 0);
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
        QFile x(exported), y(plain);
        if (!x.open(QIODevice::ReadOnly) || !y.open(QIODevice::ReadOnly) || x.readAll() != y.readAll()) {
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
};

Row median(QList<Row> rows)
{
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.secs < b.secs; });
    return rows[rows.size() / 2];
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
    const int repeat = std::max(1, BenchProcess::argValue(argc, argv, "--repeat", 3));
    QCoreApplication app(argc, argv);
    const QString program = app.applicationFilePath();
    std::printf("%d records of %d fields from %s, block size %d; each run in a process of its own (server "
                "included)\n",
                rows, int(Fields.size()), qPrintable(Table), block);
    if (BenchProcess::runChild(program, u"check"_s, block, std::min(rows, CheckRows), 5).isEmpty()) {
        std::fprintf(stderr, "the anchors do not write the export's bytes\n");
        return 1;
    }
    std::printf("the anchors write the export's bytes (%d records compared)\n", std::min(rows, CheckRows));

    QStringList kinds{u"read"_s, u"text"_s,       u"text-plain"_s, u"xml"_s,    u"xml-plain"_s,
                      u"html"_s, u"html-plain"_s, u"xlsx"_s,       u"sqlite"_s, u"shown"_s};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--kinds") == 0)
            kinds = QStringList{u"read"_s} + QString::fromLocal8Bit(argv[i + 1]).split(u',', Qt::SkipEmptyParts);
    }
    QHash<QString, QList<Row>> runs;
    for (int r = 0; r < repeat; ++r) {
        for (const QString& kind : kinds) {
            const QStringList parts = BenchProcess::runChild(program, kind, block, rows, 5);
            if (parts.isEmpty()) {
                std::fprintf(stderr, "the %s run failed\n", qPrintable(kind));
                return 1;
            }
            runs[kind].append({parts[0].toLongLong(), parts[1].toDouble(), parts[2].toLong(), parts[3].toLongLong(),
                               parts[4].toDouble()});
        }
    }
    const Row read = median(runs[u"read"_s]);
    std::printf("median of %d runs each; writing: the time less the read's\n", repeat);
    std::printf("%-36s %9s %9s %10s %9s %9s %11s\n", "", "seconds", "writing", "vs anchor", "file MiB", "peak MiB",
                "above read");
    std::printf("%-36s %9.3f %9s %10s %9s %9.1f %11s\n", "read through the export's source", read.secs, "", "", "",
                double(read.peakKb) / 1024.0, "");
    struct Line
    {
        const char* label;
        QString kind;
        QString anchor;
    };
    const Line lines[] = {{"text: plain writer (anchor)", u"text-plain"_s, {}},
                          {"text: export", u"text"_s, u"text-plain"_s},
                          {"XML: plain writer (anchor)", u"xml-plain"_s, {}},
                          {"XML: export", u"xml"_s, u"xml-plain"_s},
                          {"HTML: plain writer (anchor)", u"html-plain"_s, {}},
                          {"HTML: export", u"html"_s, u"html-plain"_s},
                          {"workbook: export", u"xlsx"_s, {}},
                          {"SQLite table: export", u"sqlite"_s, {}}};
    for (const Line& l : lines) {
        if (!runs.contains(l.kind))
            continue;
        const Row row = median(runs[l.kind]);
        const double writing = row.secs - read.secs;
        const QString versus = !l.anchor.isEmpty() && runs.contains(l.anchor)
                                   ? QString::number(writing / (median(runs[l.anchor]).secs - read.secs), 'f', 2) + u'x'
                                   : QString();
        std::printf("%-36s %9.3f %9.3f %10s %9.1f %9.1f %11.1f\n", l.label, row.secs, writing, qPrintable(versus),
                    double(row.bytes) / 1048576.0, double(row.peakKb) / 1024.0,
                    double(row.peakKb - read.peakKb) / 1024.0);
    }
    if (!runs.contains(u"shown"_s))
        return 0;
    const Row shown = median(runs[u"shown"_s]);
    std::printf("%-36s %9.3f\n", "shown rows read through their source", shown.baseline);
    std::printf("%-36s %9.3f %9.3f %10s %9.1f %9.1f %11s\n", "shown rows: text export", shown.secs,
                shown.secs - shown.baseline, "", double(shown.bytes) / 1048576.0, double(shown.peakKb) / 1024.0,
                "(list filled)");
    return 0;
}

#include "viewer_export_bench.moc"
