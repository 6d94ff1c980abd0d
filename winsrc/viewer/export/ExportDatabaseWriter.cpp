#include "ExportDatabaseWriter.h"

#include "ExportFollowUp.h"
#include "ExportPrompt.h"
#include "ExportValue.h"
#include "KLVTAVArtInfo.h"
#include "MainModul.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgNoDatabaseName = 237;
constexpr int MsgTableExists = 240;
constexpr int MsgOverwrite = 239;
constexpr int MsgCreateFile = 242;
constexpr int MsgOpenFailed = 243;
constexpr int MsgCreateFailed = 244;
constexpr int MsgDropFailed = 245;
constexpr int MsgTableFailed = 246;
constexpr int MsgNoTableName = 285;
constexpr int MsgRow = 287;
constexpr int MsgCommitFailed = 298;
constexpr int MsgInsertFailed = 1218;
constexpr int MsgRowFailed = 1219;

QString systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

int errorNumber(const QSqlError& error)
{
    bool isNumber = false;
    const int number = error.nativeErrorCode().toInt(&isNumber);
    return isNumber ? number : 0;
}

QString connectionName()
{
    static int next = 0;
    return u"KLVViewerExport"_s + QString::number(++next);
}

} // namespace

ExportDatabaseWriter::ExportDatabaseWriter(ExportJob job, Options options)
    : ExportWriter(std::move(job)), m_options(std::move(options)), m_odbc(m_options.target == Target::Odbc),
      m_file(m_options.database), m_table(m_options.table)
{}

ExportDatabaseWriter::~ExportDatabaseWriter()
{
    discard();
}

QString ExportDatabaseWriter::SqlType(const ExportField& field, bool odbc)
{
    const KLVTAVArtInfo* type = field.type.data();
    if (!type || type->TAVArt().isEmpty())
        return u"TEXT"_s;
    const auto whole = [](int digits) {
        return digits <= 4 ? u"SMALLINT"_s : digits <= 9 ? u"INTEGER"_s : u"BIGINT"_s;
    };
    switch (type->DataType()) {
    case KLVActiveX::klvDate:
        return u"DATE"_s;
    case KLVActiveX::klvDateTime:
        return u"TIMESTAMP"_s;
    case KLVActiveX::klvBool:
        // Not every data source knows BOOLEAN; each stores 0 and 1.
        return odbc ? u"SMALLINT"_s : u"BOOLEAN"_s;
    case KLVActiveX::klvByte:
    case KLVActiveX::klvInteger:
        return whole(std::min(type->IntegerDigits(), 4));
    case KLVActiveX::klvLongInt:
        return whole(std::max(type->IntegerDigits(), 5));
    case KLVActiveX::klvReal:
        return u"DOUBLE PRECISION"_s;
    case KLVActiveX::klvFText:
        return u"TEXT"_s;
    default:
        break;
    }
    const QString code = type->TAVArt();
    if (code.startsWith(u"DVMI"_s) || code.startsWith(u"DVMR"_s) || type->MaxLen2() >= 256)
        return u"TEXT"_s;
    return u"VARCHAR("_s + QString::number(std::max(1, type->MaxLen2())) + u')';
}

QString ExportDatabaseWriter::OdbcDatabaseName(const QString& text)
{
    // The driver puts "DSN=" before anything that names no driver or server itself: a
    // connection string that starts with its own "DSN=" would be named twice.
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(u"DSN="_s, Qt::CaseInsensitive) && !trimmed.contains(u"DRIVER="_s, Qt::CaseInsensitive) &&
        !trimmed.contains(u"SERVER="_s, Qt::CaseInsensitive))
        return trimmed.mid(4);
    return trimmed;
}

QSqlDatabase ExportDatabaseWriter::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

ExportCheck ExportDatabaseWriter::checkTarget()
{
    // A data source may be left to the driver.
    if (!m_odbc && m_file.isEmpty())
        return ExportCheck::Refused(GetMessageTextByNr(MsgNoDatabaseName), Database);
    if (m_table.trimmed().isEmpty())
        return ExportCheck::Refused(GetMessageTextByNr(MsgNoTableName), Table);
    if (!m_odbc && QFileInfo(m_file).isDir())
        return ExportCheck::Refused(ExportFailure{MsgOpenFailed, systemText(EISDIR), EISDIR}.text(), Database);
    return {};
}

ExportCheck ExportDatabaseWriter::confirmTarget()
{
    m_createFile = false;
    if (!m_odbc && !QFileInfo::exists(m_file)) {
        if (!prompt().ask(GetMessageTextByNr(MsgCreateFile), ExportPrompt::Choice::YesNo))
            return ExportCheck::Refused(ExportFailure{MsgOpenFailed, systemText(ENOENT), ENOENT}.text());
        m_createFile = true;
    }
    ExportFailure failure;
    if (!connect(failure))
        return ExportCheck::Refused(failure.text());
    m_replace = tableExists(m_table);
    if (m_replace) {
        const QString question =
            GetMessageTextByNr(MsgTableExists) + u' ' + m_table + u"\r\n"_s + GetMessageTextByNr(MsgOverwrite);
        if (!prompt().ask(question, ExportPrompt::Choice::OkCancel)) {
            discard();
            return ExportCheck::Declined();
        }
    }
    return {};
}

bool ExportDatabaseWriter::connect(ExportFailure& failure)
{
    close();
    m_connection = connectionName();
    const int openMessage = m_createFile ? MsgCreateFailed : MsgOpenFailed;
    // No handle of the connection may outlive this block: a failure removes the connection.
    QSqlError error;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_odbc ? u"QODBC"_s : u"QSQLITE"_s, m_connection);
        if (db.isValid()) {
            db.setDatabaseName(m_odbc ? OdbcDatabaseName(m_file) : m_file);
            opened = db.open();
        }
        if (!opened)
            error = db.lastError();
    }
    if (m_createFile && QFileInfo::exists(m_file))
        m_createdFile = true;
    // The file is read on first use: something that is no database says so here.
    if (opened && !m_odbc && !exec(u"SELECT count(*) FROM sqlite_master"_s, &error))
        opened = false;
    if (!opened) {
        fail(failure, openMessage, error);
        return false;
    }
    // The driver's own quoting takes a "." for the end of a schema name and leaves a name that
    // starts or ends with a quote as it is: only its quote characters are used.
    const QString probe = database().driver()->escapeIdentifier(u"x"_s, QSqlDriver::FieldName);
    if (probe.size() == 3 && probe[1] == u'x') {
        m_quoteOpen = probe[0];
        m_quoteClose = probe[2];
    }
    return true;
}

bool ExportDatabaseWriter::tableExists(const QString& name) const
{
    // SQLite does not tell names apart by case; a data source may.
    const Qt::CaseSensitivity cs = m_odbc ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QStringList tables = database().tables(QSql::Tables);
    return std::any_of(tables.cbegin(), tables.cend(),
                       [&](const QString& table) { return table.compare(name, cs) == 0; });
}

QString ExportDatabaseWriter::uniqueTableName(const QString& base) const
{
    QString name = base;
    for (int n = 2; tableExists(name); ++n)
        name = base + u'_' + QString::number(n);
    return name;
}

QString ExportDatabaseWriter::quoted(const QString& name) const
{
    QString inner = name;
    inner.replace(m_quoteClose, QString(2, m_quoteClose));
    return m_quoteOpen + inner + m_quoteClose;
}

bool ExportDatabaseWriter::exec(const QString& sql, QSqlError* error)
{
    QSqlQuery query(database());
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

void ExportDatabaseWriter::prepareColumns()
{
    const bool withPrefix = m_options.withTablePrefix;
    m_columns.clear();
    QStringList used; // lower case: a database takes "Name" and "name" for one column
    for (qsizetype i = 0; i < job().fields.size(); ++i) {
        const ExportField& field = job().fields[i];
        Column column;
        // A field of a window that knows no query names (an information system) goes by its
        // caption.
        QString base = withPrefix && !field.tag.isEmpty() ? field.tag : field.caption;
        if (base.isEmpty())
            base = u"F"_s + QString::number(i + 1);
        column.name = base;
        for (int n = 2; used.contains(column.name.toLower()); ++n)
            column.name = base + u'_' + QString::number(n);
        used.append(column.name.toLower());
        column.type = SqlType(field, m_odbc);

        const KLVTAVArtInfo* type = field.type.data();
        const bool typed = type && !type->TAVArt().isEmpty();
        switch (typed ? int(type->DataType()) : -1) {
        case KLVActiveX::klvLongInt:
        case KLVActiveX::klvInteger:
        case KLVActiveX::klvByte:
            column.kind = Kind::Whole;
            break;
        case KLVActiveX::klvReal:
            column.kind = Kind::Real;
            column.fractionDigits = type->FractionDigits();
            break;
        case KLVActiveX::klvBool:
            column.kind = Kind::Bool;
            break;
        case KLVActiveX::klvDate:
            column.kind = Kind::Date;
            break;
        case KLVActiveX::klvDateTime:
            column.kind = Kind::DateTime;
            break;
        default:
            column.kind = typed && (type->IsMultiLine() || type->TAVArt().startsWith(u"DVMI"_s) ||
                                    type->TAVArt().startsWith(u"DVMR"_s))
                              ? Kind::LineText
                              : Kind::Text;
            break;
        }
        m_columns.append(column);
    }
}

bool ExportDatabaseWriter::open(ExportFailure& failure)
{
    if (!database().isOpen()) {
        // Without the checks nothing is made and nothing replaced: a table of the name stays,
        // and the new one is refused.
        if (!m_odbc && !QFileInfo::exists(m_file)) {
            failure = {MsgOpenFailed, systemText(ENOENT), ENOENT};
            return false;
        }
        m_createFile = false;
        m_replace = false;
        if (!connect(failure))
            return false;
    }
    prepareColumns();
    QStringList definitions;
    QStringList names;
    QStringList marks;
    for (const Column& column : std::as_const(m_columns)) {
        definitions.append(quoted(column.name) + u' ' + column.type);
        names.append(quoted(column.name));
        marks.append(u"?"_s);
    }
    QSqlError error;
    if (m_odbc) {
        // The rows go into a table of their own; it takes the old one's place at the end.
        m_workTable = m_replace ? uniqueTableName(m_table + u"_new"_s) : m_table;
    } else {
        // Everything in one transaction: the old table goes only with a complete new one.
        m_workTable = m_table;
        if (!database().transaction()) {
            error = database().lastError();
            fail(failure, MsgOpenFailed, error);
            return false;
        }
        m_inTransaction = true;
        if (m_replace && !exec(u"DROP TABLE "_s + quoted(m_table), &error)) {
            fail(failure, MsgDropFailed, error);
            return false;
        }
    }
    if (!exec(u"CREATE TABLE "_s + quoted(m_workTable) + u" ("_s + definitions.join(u", "_s) + u')', &error)) {
        fail(failure, MsgTableFailed, error, m_table + u": "_s);
        return false;
    }
    m_tableCreated = true;
    if (m_odbc && database().driver()->hasFeature(QSqlDriver::Transactions)) {
        if (!database().transaction()) {
            error = database().lastError();
            fail(failure, MsgOpenFailed, error);
            return false;
        }
        m_inTransaction = true;
    }
    m_insert = std::make_unique<QSqlQuery>(database());
    if (!m_insert->prepare(u"INSERT INTO "_s + quoted(m_workTable) + u" ("_s + names.join(u", "_s) + u") VALUES ("_s +
                           marks.join(u", "_s) + u')')) {
        error = m_insert->lastError();
        fail(failure, MsgInsertFailed, error, m_table + u": "_s);
        return false;
    }
    m_uncommitted = 0;
    return true;
}

QVariant ExportDatabaseWriter::value(const Column& column, const QString& text) const
{
    switch (column.kind) {
    case Kind::Whole:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<qlonglong>());
        if (const std::optional<qint64> number = ExportValue::WholeNumber(text))
            return qlonglong(*number);
        break;
    case Kind::Real:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<double>());
        if (const std::optional<double> number = ExportValue::Number(text, column.fractionDigits))
            return *number;
        break;
    case Kind::Bool:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<int>());
        return ErpText2Bool(text) ? 1 : 0;
    case Kind::Date:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<QString>());
        if (const std::optional<QDate> date = ExportValue::Date(text))
            return m_odbc ? QVariant(*date) : QVariant(date->toString(Qt::ISODate));
        break;
    case Kind::DateTime:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<QString>());
        // SQLite's own form of a date and time, which its date functions read.
        if (const std::optional<QDateTime> stamp = ExportValue::DateTime(text))
            return m_odbc ? QVariant(*stamp) : QVariant(stamp->toString(u"yyyy-MM-dd HH:mm:ss"_s));
        break;
    case Kind::LineText:
        if (!text.isEmpty() && (text.contains(u'\n') || text.contains(u'\r'))) {
            // Every line break CR LF, whichever the server sent.
            QString lines = text;
            lines.replace(u"\r\n"_s, u"\n"_s);
            lines.replace(u'\r', u'\n');
            lines.replace(u"\n"_s, u"\r\n"_s);
            return lines;
        }
        break;
    case Kind::Text:
        break;
    }
    // What does not read as the column's type goes as the text it is.
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

ExportWriter::Step ExportDatabaseWriter::writeRow(const QStringList& values, qint64 row, ExportFailure& failure)
{
    if (!m_insert) {
        failure = {MsgInsertFailed, QString(), 0};
        return Step::Fail;
    }
    for (int i = 0; i < m_columns.size(); ++i)
        m_insert->bindValue(i, value(m_columns[i], values.value(i)));
    if (!m_insert->exec()) {
        const QSqlError error = m_insert->lastError();
        if (fatal(error)) {
            fail(failure, MsgRowFailed, error);
            return Step::Fail;
        }
        const QString text = GetMessageTextByNr(MsgRowFailed) + u"\r\n"_s + error.text() + u"\r\n"_s +
                             GetMessageTextByNr(MsgRow) + u' ' + QString::number(row);
        // The row is left out, or the export ends with the rows so far.
        return prompt().ask(text, ExportPrompt::Choice::OkCancel) ? Step::Continue : Step::Cancel;
    }
    if (m_odbc && m_inTransaction && ++m_uncommitted >= OdbcCommitRows) {
        if (!database().commit()) {
            const QSqlError error = database().lastError();
            fail(failure, MsgCommitFailed, error);
            return Step::Fail;
        }
        m_inTransaction = database().transaction();
        m_uncommitted = 0;
    }
    return Step::Continue;
}

bool ExportDatabaseWriter::fatal(const QSqlError& error) const
{
    if (m_odbc)
        return false;
    // The file itself fails (full, unwritable, locked, broken): every further row would too.
    const int code = errorNumber(error) & 0xFF;
    constexpr int Busy = 5, Locked = 6, NoMem = 7, ReadOnly = 8, IoErr = 10, Corrupt = 11, Full = 13, CantOpen = 14,
                  NotADb = 26;
    return code == Busy || code == Locked || code == NoMem || code == ReadOnly || code == IoErr || code == Corrupt ||
           code == Full || code == CantOpen || code == NotADb;
}

bool ExportDatabaseWriter::finish(ExportFailure& failure)
{
    if (!m_insert || !database().isOpen()) {
        failure = {MsgInsertFailed, QString(), 0};
        discard();
        return false;
    }
    m_insert.reset();
    if (m_inTransaction) {
        if (!database().commit()) {
            const QSqlError error = database().lastError();
            fail(failure, MsgCommitFailed, error);
            return false;
        }
        m_inTransaction = false;
    }
    if (m_odbc && m_replace && !replaceOldTable(failure))
        return false;
    m_tableCreated = false;
    m_createdFile = false;
    close();
    return true;
}

bool ExportDatabaseWriter::replaceOldTable(ExportFailure& failure)
{
    // The old table steps aside under another name first, so that it can come back when the
    // new one cannot take its name.
    const QString aside = uniqueTableName(m_table + u"_old"_s);
    QSqlError error;
    if (!exec(u"ALTER TABLE "_s + quoted(m_table) + u" RENAME TO "_s + quoted(aside), &error)) {
        fail(failure, MsgDropFailed, error);
        return false;
    }
    if (!exec(u"ALTER TABLE "_s + quoted(m_workTable) + u" RENAME TO "_s + quoted(m_table), &error)) {
        exec(u"ALTER TABLE "_s + quoted(aside) + u" RENAME TO "_s + quoted(m_table));
        fail(failure, MsgTableFailed, error, m_table + u": "_s);
        return false;
    }
    m_tableCreated = false;
    // The new table is in place: an old one that stays under its other name loses nothing.
    exec(u"DROP TABLE "_s + quoted(aside));
    return true;
}

void ExportDatabaseWriter::discard()
{
    m_insert.reset();
    if (!m_connection.isEmpty()) {
        QSqlDatabase db = database();
        if (db.isOpen()) {
            if (m_inTransaction)
                db.rollback();
            // A data source keeps what was committed: the new table goes again.
            if (m_odbc && m_tableCreated)
                exec(u"DROP TABLE "_s + quoted(m_workTable));
        }
    }
    m_inTransaction = false;
    m_tableCreated = false;
    close();
    if (m_createdFile)
        QFile::remove(m_file);
    m_createdFile = false;
}

void ExportDatabaseWriter::fail(ExportFailure& failure, int message, const QSqlError& error, const QString& prefix)
{
    failure = {message, prefix + error.text(), errorNumber(error)};
    discard();
}

void ExportDatabaseWriter::close()
{
    m_insert.reset();
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

void ExportDatabaseWriter::startFollowUp()
{
    // A data source has no file for a program to open.
    if (!m_odbc && m_options.startProgram)
        ExportFollowUp::OpenWithDesktopApp(m_file);
}
