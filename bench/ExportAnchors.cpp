#include "ExportAnchors.h"

#include "ExportBench.h"
#include "ExportRowSource.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "PlainFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;
using namespace ExportBench;

namespace ExportAnchors {

namespace {

// ---- The text, XML and HTML files: the same bytes, written plainly ---------------------------

// A text value on one line: each CR LF, CR or LF as "#".
void textValue(PlainFile& out, QStringView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        out.utf8(text.sliced(from, i - from));
        out.bytes("#", 1);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    out.utf8(text.sliced(from));
}

// Markup: "&", "<", ">" and the double quote as references; in XML content a CR as "&#13;"; a
// character an XML file cannot hold (a control but TAB, LF and CR, a surrogate without its
// partner, U+FFFE, U+FFFF) as U+FFFD. CR and LF do not reach here in HTML.
void markup(PlainFile& out, QStringView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0xD800 && c != u'&' && c != u'<' && c != u'>' && c != u'"')
            continue;
        if (c == u'\t' || c == u'\n' || (c >= 0xE000 && c < 0xFFFE))
            continue;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const char16_t* entity = c == u'&'    ? u"&amp;"
                                 : c == u'<'  ? u"&lt;"
                                 : c == u'>'  ? u"&gt;"
                                 : c == u'"'  ? u"&quot;"
                                 : c == u'\r' ? u"&#13;"
                                              : u"\uFFFD";
        out.utf16(text.sliced(from, i - from));
        out.utf16(QStringView(entity));
        from = i + 1;
    }
    out.utf16(text.sliced(from));
}

// An HTML cell's text without addresses: each CR LF, CR or LF as "<BR>" and a line break.
void htmlLines(PlainFile& out, QStringView text)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        markup(out, text.sliced(from, i - from));
        out.utf16(u"<BR>\r\n");
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    markup(out, text.sliced(from));
}

// Where the first address of an HTML cell starts, from from on: "http://", "https://" or
// "file://" in any case, with something other than white space behind; -1 for none. Each
// "://" is looked at once.
qsizetype address(QStringView text, qsizetype from, qsizetype& schemeLength)
{
    static const QLatin1StringView schemes[] = {QLatin1StringView("http"), QLatin1StringView("https"),
                                                QLatin1StringView("file")};
    for (qsizetype colon = text.indexOf(u"://", from); colon >= 0; colon = text.indexOf(u"://", colon + 1)) {
        const qsizetype after = colon + 3;
        if (after >= text.size() || text[after].isSpace())
            continue;
        for (const QLatin1StringView scheme : schemes) {
            const qsizetype at = colon - scheme.size();
            if (at >= from && text.sliced(at, scheme.size()).compare(scheme, Qt::CaseInsensitive) == 0) {
                schemeLength = scheme.size() + 3;
                return at;
            }
        }
    }
    return -1;
}

// An HTML cell: an address runs to the next white space or the end and becomes a link to itself.
void htmlCell(PlainFile& out, QStringView text)
{
    qsizetype from = 0;
    qsizetype schemeLength = 0;
    qsizetype at;
    while ((at = address(text, from, schemeLength)) >= 0) {
        htmlLines(out, text.sliced(from, at - from));
        qsizetype end = at + schemeLength;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        out.utf16(u"<A HREF=\"");
        markup(out, text.sliced(at, end - at));
        out.utf16(u"\">");
        markup(out, text.sliced(at, end - at));
        out.utf16(u"</A>");
        from = end;
    }
    htmlLines(out, text.sliced(from));
}

void line(PlainFile& out, int indent, QStringView text)
{
    static const QString blanks(32, u' ');
    out.utf16(QStringView(blanks).left(indent));
    out.utf16(text);
    out.utf16(u"\r\n");
}

// ---- The texts the session shows, read as values --------------------------------------------

// "24.12.2023", the form the session shows: year, month and day.
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

// "1.234,5": the session's grouping points and decimal comma.
bool sessionNumber(const QString& text, double& value)
{
    bool ok = false;
    value = QString(text).remove(u'.').replace(u',', u'.').toDouble(&ok);
    return ok;
}

// ---- The database tables ----------------------------------------------------------------------

// The table with the columns the export makes for these field types, and its rows.
const char* const CreateAnchor = "CREATE TABLE anchor (nummer INTEGER, such TEXT, name TEXT, ort TEXT, datum DATE, "
                                 "betrag DOUBLE PRECISION, menge INTEGER, aktiv SMALLINT, kategorie TEXT, kunde TEXT)";
const char* const InsertAnchor = "INSERT INTO anchor VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
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

// A field's value as a database column of its kind takes it.
struct Cell
{
    qint64 whole = 0; // a whole number, or the Boolean's 0 or 1
    double real = 0;
    int year = 0, month = 0, day = 0;
};

// The value of text in a column of kind; false for NULL: an empty text, or one that is not of
// the kind. A text column takes the text as it stands.
bool cellValue(AnchorKind kind, const QString& text, Cell& cell)
{
    if (text.isEmpty())
        return false;
    bool ok = true;
    switch (kind) {
    case AnchorKind::Whole:
        cell.whole = text.toLongLong(&ok);
        break;
    case AnchorKind::Real:
        ok = sessionNumber(text, cell.real);
        break;
    case AnchorKind::Bool:
        cell.whole = text == u"1"_s ? 1 : 0;
        break;
    case AnchorKind::Date:
        ok = dateParts(text, cell.year, cell.month, cell.day);
        break;
    case AnchorKind::Text:
        break;
    }
    return ok;
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

} // namespace

// ---- The anchors ------------------------------------------------------------------------------

PlainExport::PlainExport(int kind, const QString& file) : m_kind(kind), m_out(file)
{
    head();
}

PlainExport::PlainExport(int kind, std::string& sink) : m_kind(kind), m_out(sink)
{
    head();
}

void PlainExport::head()
{
    if (m_kind == 0) {
        m_out.utf8(Fields.join(u';'));
        m_out.bytes("\r\n", 2);
    } else if (m_kind == 3) {
        m_out.utf16(u"\uFEFF");
        line(m_out, 0, u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
        line(m_out, 0, u"<WEXAData>");
        line(m_out, 2, u"<RecordSet source=\"KLVViewer\" sourcetype=\"DataQuery\">");
    } else {
        m_out.utf16(u"\uFEFF");
        line(m_out, 0, u"<HTML>");
        line(m_out, 3, u"<HEAD>");
        m_out.utf16(u"      <TITLE>");
        htmlCell(m_out, Caption);
        m_out.utf16(u"</TITLE>\r\n");
        line(m_out, 6, u"<META http-equiv=\"content-type\" content=\"text/html; charset=UTF-16\"/>");
        line(m_out, 3, u"</HEAD>");
        line(m_out, 3, u"<BODY>");
        line(m_out, 6, u"<TABLE BORDER=\"0\" BGCOLOR=\"#000000\" CELLPADDING=\"5\" CELLSPACING=\"1\">");
        line(m_out, 9, u"<TR BGCOLOR=\"#FFFFFF\">");
        for (const QString& field : Fields)
            line(m_out, 12, QString(u"<TD NOWRAP><B><FONT COLOR=\"#000000\">"_s + field + u"</FONT></B></TD>"_s));
        line(m_out, 9, u"</TR>");
    }
}

void PlainExport::row(const QStringList& values)
{
    ++m_rows;
    const int count = int(Fields.size());
    if (m_kind == 0) {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                m_out.bytes(";", 1);
            textValue(m_out, values[i]);
        }
        m_out.bytes("\r\n", 2);
    } else if (m_kind == 3) {
        // Head fields and no record id: every row a record of its own; an empty field is left
        // out.
        line(m_out, 4, u"<Record>");
        line(m_out, 6, u"<Head>");
        for (int i = 0; i < count; ++i) {
            if (values[i].isEmpty())
                continue;
            m_out.utf16(u"        <Field name=\"");
            m_out.utf16(Fields[i]);
            m_out.utf16(u"\">");
            markup(m_out, values[i]);
            m_out.utf16(u"</Field>\r\n");
        }
        line(m_out, 6, u"</Head>");
        line(m_out, 4, u"</Record>");
    } else {
        line(m_out, 9,
             m_rows % 2 == 0 ? u"<TR VALIGN=\"top\" BGCOLOR=\"#F0F0F0\">" : u"<TR VALIGN=\"top\" BGCOLOR=\"#F8F8F8\">");
        for (int i = 0; i < count; ++i) {
            m_out.utf16(u"            <TD NOWRAP><TT><FONT COLOR=\"#000000\">");
            htmlCell(m_out, values[i]);
            m_out.utf16(u"</FONT></TT></TD>\r\n");
        }
        line(m_out, 9, u"</TR>");
    }
}

bool PlainExport::close()
{
    if (m_kind == 3) {
        line(m_out, 2, u"</RecordSet>");
        line(m_out, 0, u"</WEXAData>");
    } else if (m_kind == 4) {
        line(m_out, 6, u"</TABLE>");
        line(m_out, 3, u"</BODY>");
        line(m_out, 0, u"</HTML>");
    }
    m_out.close();
    return m_out.ok();
}

bool writePlain(int kind, ExportRowSource& source, const QString& file, qint64& rows)
{
    PlainExport out(kind, file);
    QStringList values;
    while (source.next()) {
        source.values(int(Fields.size()), values);
        out.row(values);
        ++rows;
    }
    return out.close() && source.state() == ExportRowSource::State::Ended;
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
        sqlite3_exec(db, CreateAnchor, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, InsertAnchor, -1, &insert, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite anchor: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    QElapsedTimer total;
    total.start();
    const QSharedPointer<KLVQuery> query = startQuery(session, exportJob(2, false));
    if (!query)
        return 1;
    const std::unique_ptr<ExportRowSource> rowsRead = exportRows(query);
    ExportRowSource& source = *rowsRead;
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
                Cell cell;
                if (!cellValue(AnchorKinds[i], text, cell)) {
                    sqlite3_bind_null(insert, n);
                    continue;
                }
                switch (AnchorKinds[i]) {
                case AnchorKind::Whole:
                case AnchorKind::Bool:
                    sqlite3_bind_int64(insert, n, cell.whole);
                    break;
                case AnchorKind::Real:
                    sqlite3_bind_double(insert, n, cell.real);
                    break;
                case AnchorKind::Date: {
                    char iso[11];
                    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", cell.year, cell.month, cell.day);
                    sqlite3_bind_text(insert, n, iso, 10, SQLITE_TRANSIENT);
                    break;
                }
                case AnchorKind::Text:
                    utf8 = text.toUtf8();
                    sqlite3_bind_text(insert, n, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
                    break;
                }
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
    if (!odbcOk(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(CreateAnchor)), SQL_NTS),
                SQL_HANDLE_STMT, stmt, "create"))
        return 1;
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    if (!odbcOk(SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(InsertAnchor)), SQL_NTS), SQL_HANDLE_STMT,
                stmt, "prepare"))
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
    const std::unique_ptr<ExportRowSource> rowsRead = exportRows(query);
    ExportRowSource& source = *rowsRead;
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
                const size_t at = size_t(r);
                Cell cell;
                if (!cellValue(AnchorKinds[i], text, cell)) {
                    p.indicator[at] = SQL_NULL_DATA;
                    continue;
                }
                p.indicator[at] = 0;
                switch (AnchorKinds[i]) {
                case AnchorKind::Whole:
                    p.whole[at] = cell.whole;
                    break;
                case AnchorKind::Real:
                    p.real[at] = cell.real;
                    break;
                case AnchorKind::Bool:
                    p.flag[at] = SQLSMALLINT(cell.whole);
                    break;
                case AnchorKind::Date:
                    p.date[at] = {SQLSMALLINT(cell.year), SQLUSMALLINT(cell.month), SQLUSMALLINT(cell.day)};
                    break;
                case AnchorKind::Text: {
                    const qsizetype length = std::min<qsizetype>(text.size(), TextChars);
                    std::memcpy(p.text.data() + at * TextChars, text.utf16(), size_t(length) * 2);
                    p.indicator[at] = SQLLEN(length * 2);
                    break;
                }
                }
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
    qint64 readNs = 0;
    const std::unique_ptr<ExportRowSource> rowsRead = exportRows(query, &readNs);
    ExportRowSource& source = *rowsRead;
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
            const lxw_col_t col = lxw_col_t(i);
            double number = 0;
            lxw_datetime date{};
            if (kinds[i] == Kind::Number && sessionNumber(value, number)) {
                worksheet_write_number(sheet, row, col, number, formats[i]);
            } else if (kinds[i] == Kind::Date && dateParts(value, date.year, date.month, date.day)) {
                worksheet_write_datetime(sheet, row, col, &date, formats[i]);
            } else {
                utf8 = value.toUtf8();
                worksheet_write_string(sheet, row, col, utf8.constData(), formats[i]);
            }
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR || int(row) != rows)
        return 1;
    report(rows, seconds(timer), QFileInfo(file).size(), double(readNs) / 1e9);
    return 0;
}

} // namespace ExportAnchors
