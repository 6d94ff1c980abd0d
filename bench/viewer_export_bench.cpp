// The export with a million records: 1,000,000 records of 10 fields of the stand-in server's
// generated table exported as a fresh query (query mode) to a delimited text file, an XML
// file, an HTML page, a workbook (new, and into an existing one whose other sheets it keeps), a
// table of an SQLite file and a table of a PostgreSQL server through ODBC. Each writer is driven
// as the dialog drives it (its checks, the target opened, the rows written by the engine tick
// after tick) with no dialog at all: its questions go to a prompt of the benchmark that agrees.
// The fields carry their types, as a query window hands them over, so the workbook and the
// tables write numbers and dates as such.
//
// Beside them, in the same run:
//   - the read alone: the same query, started as the export starts it, every row read through
//     the export's own row source, nothing written. A format's writing share is its time less
//     this read's;
//   - an anchor for each format that writes the same output from the same read with no program
//     around it: for the text, XML and HTML files a plain writer of the same bytes (a buffer of
//     its own, written with fwrite and on disk at the end, as the export's file is; before the
//     measurements the program writes a few thousand rows both ways and stops unless the files
//     are the same, byte for byte), libxlsxwriter's constant-memory writer alone on the same
//     cells, sqlite3's prepared statements in one transaction, and the same ODBC driver with a
//     prepared INSERT and parameter arrays of 1,000 rows (into a PostgreSQL server the program
//     starts in a temporary folder). The writing share of each anchor is the one to match.
// Then the export of the rows a filled result list shows (GetResultField by name for every
// cell), beside the same cells read through the export's row source for shown rows.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all three
// times and prints the median times, the writing shares against the anchors', the file sizes
// and the peak memory above the read's; --kinds runs some of them only (the read always).
//   viewer_export_bench [--rows N] [--block N] [--repeat N] [--kinds text,text-plain,xml,xml-plain,
//                       html,html-plain,xlsx,xlsx-into,xlsx-alone,sqlite,sqlite-anchor,odbc,odbc-anchor,shown]
//   viewer_export_bench --run read|check|<one of the kinds> --rows N --block N
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
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "PostgresServer.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "WorkbookMerge.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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
// The ODBC connection string of the PostgreSQL server the parent started, and the table the
// export writes there.
const char* const PgConnectionVariable = "KLV_BENCH_PG_CONNECTION";
const QString PgTable = u"Massendaten:Messwert"_s;

// The sheet the export writes into, named after the caption.
const QString SheetName = u"Massendaten - Messwert"_s;

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

// ---- The database targets and their anchors -------------------------------------------------

// The columns as the export makes them for these field types.
const char* const AnchorColumns = "(nummer INTEGER, such TEXT, name TEXT, ort TEXT, datum DATE, betrag DOUBLE "
                                  "PRECISION, menge INTEGER, aktiv SMALLINT, kategorie TEXT, kunde TEXT)";
enum class AnchorKind { Whole, Text, Date, Real, Bool };
const AnchorKind AnchorKinds[] = {AnchorKind::Whole, AnchorKind::Text, AnchorKind::Text,  AnchorKind::Text,
                                  AnchorKind::Date,  AnchorKind::Real, AnchorKind::Whole, AnchorKind::Bool,
                                  AnchorKind::Text,  AnchorKind::Text};
constexpr int AnchorBlock = 1000;

// The records of the export's read in blocks of AnchorBlock rows of Fields.size() texts; false
// at the end. Reading is not timed.
bool readBlock(ExportRowSource& source, QList<QString>& block, int& count)
{
    block.resize(AnchorBlock * Fields.size());
    count = 0;
    QStringList row;
    while (count < AnchorBlock && source.next()) {
        source.values(int(Fields.size()), row);
        for (int i = 0; i < int(Fields.size()); ++i)
            block[count * Fields.size() + i] = row[i];
        ++count;
    }
    return count > 0;
}

// "dd.mm.yyyy", the form the server shows: year, month and day.
bool dateParts(QStringView text, int& year, int& month, int& day)
{
    if (text.size() != 10 || text[2] != u'.' || text[5] != u'.')
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    day = text.left(2).toInt(&ok1);
    month = text.mid(3, 2).toInt(&ok2);
    year = text.mid(6).toInt(&ok3);
    return ok1 && ok2 && ok3;
}

// "79,19": the session's decimal comma.
bool realValue(const QString& text, double& value)
{
    bool ok = false;
    value = QString(text).replace(u',', u'.').toDouble(&ok);
    return ok;
}

int runSqliteAnchor(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"anchor.sqlite"_s);
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK ||
        sqlite3_exec(db, QByteArray(QByteArray("CREATE TABLE anchor ") + AnchorColumns).constData(), nullptr, nullptr,
                     nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT INTO anchor VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr) !=
            SQLITE_OK) {
        std::fprintf(stderr, "sqlite anchor: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    QElapsedTimer total;
    total.start();
    const QSharedPointer<KLVQuery> query = startQuery(session, exportJob(2, false));
    if (!query)
        return 1;
    ExportQuerySource source(query);
    qint64 writeNs = 0;
    QElapsedTimer write;
    write.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    writeNs += write.nsecsElapsed();
    QList<QString> values;
    int count = 0;
    qint64 records = 0;
    QByteArray utf8;
    while (readBlock(source, values, count)) {
        write.start();
        for (int r = 0; r < count; ++r) {
            for (int i = 0; i < int(Fields.size()); ++i) {
                const QString& text = values[r * Fields.size() + i];
                const int n = i + 1;
                bool ok = !text.isEmpty();
                switch (AnchorKinds[i]) {
                case AnchorKind::Whole: {
                    const qint64 number = text.toLongLong(&ok);
                    if (ok)
                        sqlite3_bind_int64(insert, n, number);
                    break;
                }
                case AnchorKind::Real: {
                    double number = 0;
                    if ((ok = ok && realValue(text, number)))
                        sqlite3_bind_double(insert, n, number);
                    break;
                }
                case AnchorKind::Bool:
                    if (ok)
                        sqlite3_bind_int(insert, n, text == u"1"_s ? 1 : 0);
                    break;
                case AnchorKind::Date: {
                    int year = 0, month = 0, day = 0;
                    if ((ok = ok && dateParts(text, year, month, day))) {
                        char iso[11];
                        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
                        sqlite3_bind_text(insert, n, iso, 10, SQLITE_TRANSIENT);
                    }
                    break;
                }
                case AnchorKind::Text:
                    if (ok) {
                        utf8 = text.toUtf8();
                        sqlite3_bind_text(insert, n, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                    }
                    break;
                }
                if (!ok)
                    sqlite3_bind_null(insert, n);
            }
            if (sqlite3_step(insert) != SQLITE_DONE) {
                std::fprintf(stderr, "sqlite anchor: %s\n", sqlite3_errmsg(db));
                return 1;
            }
            sqlite3_reset(insert);
        }
        writeNs += write.nsecsElapsed();
        records += count;
    }
    write.start();
    sqlite3_finalize(insert);
    const bool committed = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    writeNs += write.nsecsElapsed();
    sqlite3_close(db);
    if (!committed || records != rows)
        return 1;
    report(records, double(writeNs) / 1e9, QFileInfo(file).size(), seconds(total));
    return 0;
}

// The rows of the table the export or the anchor wrote into the server, asked through the
// driver; -1 when that fails.
qint64 pgRowCount(const QString& connection, const QString& table)
{
    qint64 count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, u"count"_s);
        db.setDatabaseName(connection);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(u"SELECT count(*) FROM \""_s + table + u'"') && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(u"count"_s);
    return count;
}

// ODBC's own calls; false (with the driver's text on standard error) when one fails.
bool odbcOk(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what)
{
    if (SQL_SUCCEEDED(rc))
        return true;
    SQLCHAR state[6] = {};
    SQLCHAR text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length);
    std::fprintf(stderr, "odbc anchor, %s: %s %s\n", what, reinterpret_cast<char*>(state),
                 reinterpret_cast<char*>(text));
    return false;
}

int runOdbcAnchor(quint16 port, int block, int rows)
{
    const QByteArray connection = qgetenv(PgConnectionVariable);
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session || connection.isEmpty())
        return 1;
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!odbcOk(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connection.constData())),
                                 SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
                SQL_HANDLE_DBC, dbc, "connect"))
        return 1;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    const QByteArray create = QByteArray("CREATE TABLE anchor ") + AnchorColumns;
    if (!odbcOk(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(create.constData())), SQL_NTS),
                SQL_HANDLE_STMT, stmt, "create"))
        return 1;
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    char insert[] = "INSERT INTO anchor VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    if (!odbcOk(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(insert), SQL_NTS), SQL_HANDLE_STMT, stmt, "prepare"))
        return 1;
    // Column-wise arrays of AnchorBlock values, one per parameter.
    constexpr int TextChars = 64;
    struct Parameter
    {
        std::vector<SQLBIGINT> whole = std::vector<SQLBIGINT>(AnchorBlock);
        std::vector<double> real = std::vector<double>(AnchorBlock);
        std::vector<SQLSMALLINT> flag = std::vector<SQLSMALLINT>(AnchorBlock);
        std::vector<SQL_DATE_STRUCT> date = std::vector<SQL_DATE_STRUCT>(AnchorBlock);
        std::vector<SQLWCHAR> text = std::vector<SQLWCHAR>(AnchorBlock * TextChars);
        std::vector<SQLLEN> indicator = std::vector<SQLLEN>(AnchorBlock);
    };
    std::vector<Parameter> parameters(Fields.size());
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0);
    for (int i = 0; i < int(Fields.size()); ++i) {
        Parameter& p = parameters[size_t(i)];
        SQLRETURN rc = SQL_ERROR;
        const SQLUSMALLINT n = SQLUSMALLINT(i + 1);
        switch (AnchorKinds[i]) {
        case AnchorKind::Whole:
            rc = SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, p.whole.data(), 0,
                                  p.indicator.data());
            break;
        case AnchorKind::Real:
            rc = SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, p.real.data(), 0,
                                  p.indicator.data());
            break;
        case AnchorKind::Bool:
            rc = SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_SSHORT, SQL_SMALLINT, 0, 0, p.flag.data(), 0,
                                  p.indicator.data());
            break;
        case AnchorKind::Date:
            rc = SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, p.date.data(), 0,
                                  p.indicator.data());
            break;
        case AnchorKind::Text:
            rc = SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, TextChars, 0, p.text.data(),
                                  TextChars * sizeof(SQLWCHAR), p.indicator.data());
            break;
        }
        if (!odbcOk(rc, SQL_HANDLE_STMT, stmt, "bind"))
            return 1;
    }
    QElapsedTimer total;
    total.start();
    const QSharedPointer<KLVQuery> query = startQuery(session, exportJob(2, false));
    if (!query)
        return 1;
    ExportQuerySource source(query);
    qint64 writeNs = 0;
    QElapsedTimer write;
    QList<QString> values;
    int count = 0;
    qint64 records = 0;
    while (readBlock(source, values, count)) {
        write.start();
        for (int r = 0; r < count; ++r) {
            for (int i = 0; i < int(Fields.size()); ++i) {
                const QString& text = values[r * Fields.size() + i];
                Parameter& p = parameters[size_t(i)];
                bool ok = !text.isEmpty();
                switch (AnchorKinds[i]) {
                case AnchorKind::Whole:
                    p.whole[size_t(r)] = text.toLongLong(&ok);
                    break;
                case AnchorKind::Real:
                    ok = ok && realValue(text, p.real[size_t(r)]);
                    break;
                case AnchorKind::Bool:
                    p.flag[size_t(r)] = text == u"1"_s ? 1 : 0;
                    break;
                case AnchorKind::Date: {
                    int year = 0, month = 0, day = 0;
                    ok = ok && dateParts(text, year, month, day);
                    p.date[size_t(r)] = {SQLSMALLINT(year), SQLUSMALLINT(month), SQLUSMALLINT(day)};
                    break;
                }
                case AnchorKind::Text: {
                    const qsizetype length = std::min<qsizetype>(text.size(), TextChars);
                    std::memcpy(p.text.data() + size_t(r) * TextChars, text.utf16(), size_t(length) * 2);
                    p.indicator[size_t(r)] = SQLLEN(length * 2);
                    break;
                }
                }
                if (!ok)
                    p.indicator[size_t(r)] = SQL_NULL_DATA;
                else if (AnchorKinds[i] != AnchorKind::Text)
                    p.indicator[size_t(r)] = 0;
            }
        }
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(count)), 0);
        if (!odbcOk(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, "execute"))
            return 1;
        writeNs += write.nsecsElapsed();
        records += count;
    }
    write.start();
    const bool committed = odbcOk(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_HANDLE_DBC, dbc, "commit");
    writeNs += write.nsecsElapsed();
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    if (!committed || records != rows || pgRowCount(QString::fromUtf8(connection), u"anchor"_s) != rows)
        return 1;
    report(records, double(writeNs) / 1e9, 0, seconds(total));
    return 0;
}

// libxlsxwriter's constant-memory writer alone: the same read, the same header, cells, types,
// number formats and widths as the export writes, converted without a program around it.
int runWorkbookAlone(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    QTemporaryDir dir;
    const QString file = dir.filePath(u"alone.xlsx"_s);
    QElapsedTimer timer;
    timer.start();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray folder = QFile::encodeName(dir.path());
    options.tmpdir = const_cast<char*>(folder.constData());
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, SheetName.toUtf8().constData());
    lxw_format* plain = workbook_add_format(book);
    enum class Kind { Text, Number, Date };
    QList<Kind> kinds;
    QList<lxw_format*> formats;
    QHash<QByteArray, lxw_format*> byNumberFormat;
    for (qsizetype i = 0; i < Fields.size(); ++i) {
        const QSharedPointer<KLVTAVArtInfo> type = KLVTools().GetTAVArtInfo(Types[i]);
        Kind kind = Kind::Text;
        QByteArray numberFormat;
        double width = 0;
        switch (type->DataType()) {
        case KLVActiveX::klvLongInt:
        case KLVActiveX::klvInteger:
        case KLVActiveX::klvByte:
        case KLVActiveX::klvReal:
            kind = Kind::Number;
            numberFormat = type->FractionDigits() > 0 ? QByteArray("0." + QByteArray(type->FractionDigits(), '0'))
                                                      : QByteArray("0");
            width = type->MaxLen2();
            break;
        case KLVActiveX::klvDate:
            kind = Kind::Date;
            numberFormat = "dd.mm.yyyy";
            width = 12;
            break;
        case KLVActiveX::klvString:
            numberFormat = "@";
            width = std::min(80, type->MaxLineLen());
            break;
        default:
            break;
        }
        // One format object per number format: the library looks a second one of the same kind
        // up again for every cell.
        lxw_format* format = numberFormat.isEmpty() ? nullptr : byNumberFormat.value(numberFormat);
        if (!numberFormat.isEmpty() && !format) {
            format = workbook_add_format(book);
            format_set_num_format(format, numberFormat.constData());
            byNumberFormat.insert(numberFormat, format);
        }
        if (format || width > 0)
            worksheet_set_column(sheet, lxw_col_t(i), lxw_col_t(i), width > 0 ? width : LXW_DEF_COL_WIDTH, format);
        kinds.append(kind);
        formats.append(format);
        // The header in the plain format, whatever the column's.
        worksheet_write_string(sheet, 0, lxw_col_t(i), Fields[i].toUtf8().constData(), plain);
    }
    const QSharedPointer<KLVQuery> query = startQuery(session, exportJob(1, false));
    if (!query)
        return 1;
    ExportQuerySource source(query);
    QStringList values;
    lxw_row_t row = 0;
    QByteArray utf8;
    while (source.next()) {
        source.values(int(Fields.size()), values);
        ++row;
        for (int i = 0; i < int(Fields.size()); ++i) {
            const QString& value = values[i];
            if (value.isEmpty())
                continue;
            utf8 = value.toUtf8();
            const lxw_col_t col = lxw_col_t(i);
            // The session shows numbers as "1.234,5" and dates as "24.12.2023".
            if (kinds[i] == Kind::Number) {
                utf8.replace(".", "").replace(',', '.');
                worksheet_write_number(sheet, row, col, std::strtod(utf8.constData(), nullptr), formats[i]);
            } else if (kinds[i] == Kind::Date && utf8.size() == 10) {
                const char* d = utf8.constData();
                lxw_datetime cell{std::atoi(d + 6), std::atoi(d + 3), std::atoi(d), 0, 0, 0};
                worksheet_write_datetime(sheet, row, col, &cell, formats[i]);
            } else {
                worksheet_write_string(sheet, row, col, utf8.constData(), formats[i]);
            }
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR || int(row) != rows)
        return 1;
    report(rows, seconds(timer), QFileInfo(file).size(), 0);
    return 0;
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
    const bool written =
        name.endsWith(u"-plain"_s)
            ? writePlain(job.exportType, *source, file, records)
            : runWriter(std::move(source), writerFor(job, file, name == u"odbc"_s), int(job.fields.size()), records);
    secs = seconds(timer);
    return written;
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
    if (file.isEmpty() || !exportOnce(port, block, name, file, records, secs) || records != rows ||
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
    report(records, secs, odbc ? 0 : QFileInfo(file).size(), 0);
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
    else if (kind == u"xlsx-alone"_s)
        rc = runWorkbookAlone(server->port(), block, rows);
    else if (kind == u"sqlite-anchor"_s)
        rc = runSqliteAnchor(server->port(), block, rows);
    else if (kind == u"odbc-anchor"_s)
        rc = runOdbcAnchor(server->port(), block, rows);
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

    QStringList kinds{u"read"_s,   u"text"_s,          u"text-plain"_s, u"xml"_s,         u"xml-plain"_s,
                      u"html"_s,   u"html-plain"_s,    u"xlsx"_s,       u"xlsx-into"_s,   u"xlsx-alone"_s,
                      u"sqlite"_s, u"sqlite-anchor"_s, u"odbc"_s,       u"odbc-anchor"_s, u"shown"_s};
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
                               parts[4].toDouble()});
        }
    }
    const Row read = median(runs[u"read"_s]);
    std::printf("median of %d runs each; writing: the time less the read's\n", repeat);
    std::printf("%-38s %9s %9s %10s %9s %9s %11s\n", "", "seconds", "writing", "vs anchor", "file MiB", "peak MiB",
                "above read");
    std::printf("%-38s %9.3f %9s %10s %9s %9.1f %11s\n", "read through the export's source", read.secs, "", "", "",
                double(read.peakKb) / 1024.0, "");
    // The database anchors time their writing alone.
    const auto writing = [&](const QString& kind) {
        const Row row = median(runs[kind]);
        return kind.endsWith(u"-anchor"_s) ? row.secs : row.secs - read.secs;
    };
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
                          {"workbook: libxlsxwriter alone (anchor)", u"xlsx-alone"_s, {}},
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
