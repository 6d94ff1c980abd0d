// The export with a million records: 1,000,000 records of 10 fields of the stand-in server's
// generated table exported through the export dialog as a fresh query (query mode) to a
// delimited text file, an XML file, an HTML page, a workbook and a table of an SQLite file,
// beside the same records read through KLVQuery alone (GetNextRecord and GetField on every
// field). The fields carry their types, as a query window hands them over, so the workbook
// and the table write numbers and dates as such. The workbook is also exported into an
// existing workbook (its sheet of the name replaced, two other sheets kept), and both stand
// beside libxlsxwriter's constant-memory writer alone writing the same cells from the same
// read, whose writing share (its time less the read's) is theirs to match. Then the export of
// the rows a filled result list shows (GetResultField by name for every cell), beside reading
// those cells from the list without writing.
//
// The database targets also go beside anchors that write the same rows with nothing around
// them: into an SQLite file through sqlite3's prepared statements in one transaction, and into
// a PostgreSQL server (started by the program, in a temporary folder) through the same ODBC
// driver with a prepared INSERT and parameter arrays of 1,000 rows in one transaction; beside
// each the export's writing share (its time less the read's).
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all three
// times and prints the median times, each against its baseline, the file sizes and the peak
// memory; --kinds runs some of them only (the read alone always).
//   viewer_export_bench [--rows N] [--block N] [--repeat N]
//                       [--kinds text,xml,html,xlsx,xlsx-into,xlsx-alone,sqlite,sqlite-anchor,odbc,odbc-anchor,shown]
//   viewer_export_bench --run
//   library|text|xml|html|xlsx|xlsx-into|xlsx-alone|sqlite|sqlite-anchor|odbc|odbc-anchor|shown
//                       --rows N --block N
#include "AppContext.h"
#include "BenchProcess.h"
#include "ExportDialog.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "MainModul.h"
#include "PostgresServer.h"
#include "QueryTag.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "WorkbookMerge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>
#include <xlsxwriter.h>

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
// Their ERP types, as the server's field catalogue gives them.
const QStringList Types{u"I9"_s,    u"SW"_s, u"GL30"_s, u"GL20"_s, u"GD8"_s,
                        u"R10.2"_s, u"I6"_s, u"B"_s,    u"A131"_s, u"P1:1"_s};

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

int runLibrary(quint16 port, int block, int rows)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    QElapsedTimer timer;
    timer.start();
    if (!query->StartQueryZOA(Table, Fields.join(u',')))
        return 1;
    qint64 records = 0;
    qint64 chars = 0;
    while (query->GetNextRecord()) {
        for (int i = 1; i <= int(Fields.size()); ++i)
            chars += query->GetField(i).size();
        ++records;
    }
    const double read = seconds(timer);
    if (records != rows || !query->GetLastError().isEmpty()) {
        std::fprintf(stderr, "library: %lld of %d records: %s\n", records, rows, qPrintable(query->GetLastError()));
        return 1;
    }
    report(records, read, chars, 0);
    return 0;
}

// The ODBC connection string of the PostgreSQL server the parent started, and the table the
// export writes there.
const char* const PgConnectionVariable = "KLV_BENCH_PG_CONNECTION";
const QString PgTable = u"Massendaten:Messwert"_s;

// The export dialog set up as a window sets it up, started with its button, waited for. A new
// workbook or database file is made without a question; odbc takes the data source's kind.
bool exportThroughDialog(int kind, bool shownRows, QObject* caller, int rows, const QString& file, double& secs,
                         bool odbc = false)
{
    MainModul::SetMessageBoxHandler([](const QString&, QMessageBox::StandardButtons buttons) {
        return buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    ExportDialog* dialog = ExportDialog::DefaultInstance();
    // The field list of a query window: each field's catalogue record holds its type.
    auto* callerFields = new QTreeWidget(dialog);
    callerFields->hide();
    dialog->SetExportProperties(u"Massendaten:Messwert"_s, Table, kind, shownRows, caller, shownRows ? rows : 0);
    for (qsizetype i = 0; i < Fields.size(); ++i) {
        const QString key = Fields[i] + u"#0#S"_s;
        ExportDialog::AddExportField(dialog->feldListe(), key, Fields[i], MainModul::Bool2ErpText(false),
                                     u"0:"_s + Fields[i]);
        auto* item = new QTreeWidgetItem(callerFields);
        item->setData(0, ExportDialog::FieldKeyRole, key);
        item->setData(0, ExportDialog::FieldTagRole,
                      QueryTag::FieldArray2Tag({QString(), QString(), QString(), QString(), Types[i]}));
    }
    dialog->SetExportFldListe(callerFields);
    const QString box = kind == 0   ? u"ExportDateiName"_s
                        : kind == 1 ? u"ExportExcelName"_s
                        : kind == 2 ? u"ExportDBName"_s
                        : kind == 3 ? u"XMLDateiName"_s
                                    : u"HTMLDateiName"_s;
    if (odbc)
        dialog->findChild<QComboBox*>(u"ExportDBTypen"_s)->setCurrentIndex(1);
    dialog->findChild<QLineEdit*>(box)->setText(file);
    dialog->show();
    QElapsedTimer timer;
    timer.start();
    dialog->findChild<QAbstractButton*>(u"StartButton"_s)->click();
    while (ExportDialog::IsExportRunning())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    secs = seconds(timer);
    return odbc || QFileInfo::exists(file);
}

// The sheet the export writes into, named after the caption.
const QString SheetName = u"Massendaten - Messwert"_s;

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

int runExport(quint16 port, int block, int rows, int kind, bool intoExisting = false)
{
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session)
        return 1;
    App().MainSession = session;
    QTemporaryDir dir;
    const QString file = dir.filePath(kind == 1 ? u"export.xlsx"_s : u"export.out"_s);
    if (intoExisting && !writeExistingWorkbook(file))
        return 1;
    double secs = 0;
    if (!exportThroughDialog(kind, false, nullptr, rows, file, secs)) {
        std::fprintf(stderr, "export %d failed\n", kind);
        return 1;
    }
    if (intoExisting) {
        WorkbookMerge merged;
        if (merged.open(file) || merged.sheetNames() != QStringList{SheetName, u"Umsatz"_s, u"Notizen"_s}) {
            std::fprintf(stderr, "the workbook's sheets: %s\n", qPrintable(merged.sheetNames().join(u", ")));
            return 1;
        }
    }
    report(rows, secs, QFileInfo(file).size(), 0);
    return 0;
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

// The records of the query in blocks of AnchorBlock rows of Fields.size() texts; false at the
// end. Reading is not timed.
bool readBlock(KLVQuery& query, QList<QString>& block, int& count)
{
    block.resize(AnchorBlock * Fields.size());
    count = 0;
    while (count < AnchorBlock && query.GetNextRecord()) {
        for (int i = 0; i < int(Fields.size()); ++i)
            block[count * Fields.size() + i] = query.GetField(i + 1);
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
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    QElapsedTimer total;
    total.start();
    if (!query->StartQueryZOA(Table, Fields.join(u',')))
        return 1;
    qint64 writeNs = 0;
    QElapsedTimer write;
    write.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    writeNs += write.nsecsElapsed();
    QList<QString> values;
    int count = 0;
    qint64 records = 0;
    QByteArray utf8;
    while (readBlock(*query, values, count)) {
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

int runOdbcExport(quint16 port, int block, int rows)
{
    const QString connection = qEnvironmentVariable(PgConnectionVariable);
    const QSharedPointer<KLV> session = logOn(port, block);
    if (!session || connection.isEmpty())
        return 1;
    App().MainSession = session;
    double secs = 0;
    if (!exportThroughDialog(2, false, nullptr, rows, connection, secs, true) ||
        pgRowCount(connection, PgTable) != rows) {
        std::fprintf(stderr, "the ODBC export failed\n");
        return 1;
    }
    report(rows, secs, 0, 0);
    return 0;
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
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    QElapsedTimer total;
    total.start();
    if (!query->StartQueryZOA(Table, Fields.join(u',')))
        return 1;
    qint64 writeNs = 0;
    QElapsedTimer write;
    QList<QString> values;
    int count = 0;
    qint64 records = 0;
    while (readBlock(*query, values, count)) {
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
    const QSharedPointer<KLVQuery> query = session->CreateQuery();
    if (!query->StartQueryZOA(Table, Fields.join(u',')))
        return 1;
    lxw_row_t row = 0;
    QByteArray utf8;
    while (query->GetNextRecord()) {
        ++row;
        for (int i = 0; i < int(Fields.size()); ++i) {
            const QString value = query->GetField(i + 1);
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

    // The baseline: every cell read from the list in the order the export reads them,
    // nothing written.
    ShownRows caller(&view);
    QElapsedTimer timer;
    timer.start();
    qint64 chars = 0;
    QStringList keys;
    for (const QString& field : Fields)
        keys.append(field + u"#0#S"_s);
    for (int row = 1; row <= rows; ++row) {
        for (const QString& key : keys)
            chars += view.GetResultField(row, key).size();
    }
    const double read = seconds(timer);

    QTemporaryDir dir;
    const QString file = dir.filePath(u"shown.txt"_s);
    double secs = 0;
    if (!exportThroughDialog(0, true, &caller, rows, file, secs))
        return 1;
    report(rows, secs, QFileInfo(file).size(), read);
    return chars > 0 ? 0 : 1;
}

int runChild(int argc, char** argv, const QString& kind, int block, int rows)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The export stores its options: in a folder of the run's own, not the user's settings.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    AppContext context;
    QApplication app(argc, argv);
    const std::unique_ptr<KlvServer> server = BenchProcess::startServer(rows);
    if (!server)
        return 2;
    int rc = 1;
    if (kind == u"library"_s)
        rc = runLibrary(server->port(), block, rows);
    else if (kind == u"text"_s)
        rc = runExport(server->port(), block, rows, 0);
    else if (kind == u"xml"_s)
        rc = runExport(server->port(), block, rows, 3);
    else if (kind == u"html"_s)
        rc = runExport(server->port(), block, rows, 4);
    else if (kind == u"xlsx"_s)
        rc = runExport(server->port(), block, rows, 1);
    else if (kind == u"xlsx-into"_s)
        rc = runExport(server->port(), block, rows, 1, true);
    else if (kind == u"xlsx-alone"_s)
        rc = runWorkbookAlone(server->port(), block, rows);
    else if (kind == u"sqlite"_s)
        rc = runExport(server->port(), block, rows, 2);
    else if (kind == u"sqlite-anchor"_s)
        rc = runSqliteAnchor(server->port(), block, rows);
    else if (kind == u"odbc"_s)
        rc = runOdbcExport(server->port(), block, rows);
    else if (kind == u"odbc-anchor"_s)
        rc = runOdbcAnchor(server->port(), block, rows);
    else if (kind == u"shown"_s)
        rc = runShown(server->port(), block, rows);
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

    QStringList kinds{u"library"_s,    u"text"_s,   u"xml"_s,           u"html"_s, u"xlsx"_s,        u"xlsx-into"_s,
                      u"xlsx-alone"_s, u"sqlite"_s, u"sqlite-anchor"_s, u"odbc"_s, u"odbc-anchor"_s, u"shown"_s};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--kinds") == 0)
            kinds = QStringList{u"library"_s} + QString::fromLocal8Bit(argv[i + 1]).split(u',', Qt::SkipEmptyParts);
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
    const Row library = median(runs[u"library"_s]);
    std::printf("median of %d runs each\n", repeat);
    std::printf("%-40s %9s %10s %10s %10s %12s\n", "", "seconds", "vs read", "file MiB", "peak MiB", "above read");
    std::printf("%-40s %9.3f %9.2fx %10s %10.1f %12s\n", "read through KLVQuery alone", library.secs, 1.0, "",
                double(library.peakKb) / 1024.0, "");
    const std::pair<const char*, QString> exports[] = {{"export, query mode, text", u"text"_s},
                                                       {"export, query mode, XML", u"xml"_s},
                                                       {"export, query mode, HTML", u"html"_s},
                                                       {"workbook: libxlsxwriter alone, same cells", u"xlsx-alone"_s},
                                                       {"export, query mode, workbook", u"xlsx"_s},
                                                       {"export into an existing workbook", u"xlsx-into"_s},
                                                       {"export, query mode, SQLite table", u"sqlite"_s}};
    for (const auto& [label, kind] : exports) {
        if (!runs.contains(kind))
            continue;
        const Row row = median(runs[kind]);
        std::printf("%-40s %9.3f %9.2fx %10.1f %10.1f %11.1f\n", label, row.secs, row.secs / library.secs,
                    double(row.bytes) / 1048576.0, double(row.peakKb) / 1024.0,
                    double(row.peakKb - library.peakKb) / 1024.0);
    }
    // The database targets: the export's writing share (its time less the read's) beside its
    // anchor's writing time.
    const std::tuple<const char*, QString, const char*, QString> anchored[] = {
        {"SQLite table, writing share", u"sqlite"_s, "sqlite3 prepared statements alone", u"sqlite-anchor"_s},
        {"ODBC into PostgreSQL, writing share", u"odbc"_s, "ODBC, arrays of 1,000 rows alone", u"odbc-anchor"_s}};
    for (const auto& [label, kind, anchorLabel, anchorKind] : anchored) {
        if (!runs.contains(kind) || !runs.contains(anchorKind))
            continue;
        const Row row = median(runs[kind]);
        const Row anchor = median(runs[anchorKind]);
        const double share = row.secs - library.secs;
        std::printf("%-40s %9.3f %9.2fx %10s %10.1f %11.1f   (%.0f rows/s in all)\n", label, share, share / anchor.secs,
                    "", double(row.peakKb) / 1024.0, double(row.peakKb - library.peakKb) / 1024.0,
                    double(row.records) / row.secs);
        std::printf("%-40s %9.3f %9.2fx %10s %10.1f %12s\n", anchorLabel, anchor.secs, 1.0, "",
                    double(anchor.peakKb) / 1024.0, "");
    }
    if (runs.contains(u"xlsx-alone"_s)) {
        // The writing share: the time less the read's, the same for the writer alone.
        const double alone = median(runs[u"xlsx-alone"_s]).secs - library.secs;
        for (const auto& [label, kind] : {std::pair{"workbook: writing vs the writer alone", u"xlsx"_s},
                                          std::pair{"into existing: writing vs writer alone", u"xlsx-into"_s}}) {
            if (runs.contains(kind))
                std::printf("%-40s %9.3f %9.2fx\n", label, median(runs[kind]).secs - library.secs,
                            (median(runs[kind]).secs - library.secs) / alone);
        }
    }
    if (!runs.contains(u"shown"_s))
        return 0;
    const Row shown = median(runs[u"shown"_s]);
    std::printf("%-40s %9.3f %9.2fx\n", "shown rows read from the list alone", shown.baseline, 1.0);
    std::printf("%-40s %9.3f %9.2fx %10.1f %10.1f %12s\n", "export of the shown rows, text", shown.secs,
                shown.secs / shown.baseline, double(shown.bytes) / 1048576.0, double(shown.peakKb) / 1024.0,
                "(list filled)");
    return 0;
}

#include "viewer_export_bench.moc"
