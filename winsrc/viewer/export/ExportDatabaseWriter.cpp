#include "ExportDatabaseWriter.h"

#include "ExportFollowUp.h"
#include "ExportPrompt.h"
#include "MainModul.h"
#include "OdbcTableWriter.h"
#include "SqliteTableWriter.h"

#include <QFile>
#include <QFileInfo>

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
constexpr int MsgNameTooLong = 1220;
constexpr int MsgRefusedRows = 1221;
constexpr int MsgCancelKeptOld = 1222;
constexpr int MsgConnectionLost = 1223;
constexpr int MsgTransactionLost = 1224;

QString systemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

// A database's text in one line, for the list of notes.
QString oneLine(const QString& text)
{
    return text.simplified();
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
    // The server would shorten the name without a word, and the next export into it fail.
    const int limit = m_source ? m_source->maxTableNameBytes() : 0;
    if (limit > 0 && m_table.toUtf8().size() > limit) {
        discard();
        return ExportCheck::Refused(FormatMessage(MsgNameTooLong, QString(), limit) + u' ' + m_table, Table);
    }
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
    std::optional<DatabaseError> error;
    if (m_odbc) {
        m_source = std::make_unique<OdbcTableWriter>();
        error = m_source->open(OdbcDatabaseName(m_file));
    } else {
        m_sqlite = std::make_unique<SqliteTableWriter>();
        error = m_sqlite->open(m_file, m_createFile);
        if (m_createFile && QFileInfo::exists(m_file))
            m_createdFile = true;
    }
    if (error) {
        failure = failureOf(*error);
        discard();
        return false;
    }
    return true;
}

bool ExportDatabaseWriter::tableExists(const QString& name) const
{
    return m_odbc ? m_source->tableExists(name) : m_sqlite->tableExists(name);
}

ExportFailure ExportDatabaseWriter::failureOf(const DatabaseError& error) const
{
    using S = DatabaseError::Step;
    const QString table = m_table + u": "_s;
    switch (error.step) {
    case S::Open:
        return {MsgOpenFailed, error.text, error.number};
    case S::CreateFile:
        return {MsgCreateFailed, error.text, error.number};
    case S::DropOld:
        return {MsgDropFailed, error.text, error.number};
    case S::CreateTable:
        return {MsgTableFailed, table + error.text, error.number};
    case S::Prepare:
        return {MsgInsertFailed, table + error.text, error.number};
    case S::Write:
        return {MsgRowFailed, error.text, error.number};
    case S::Commit:
        return {MsgCommitFailed, error.text, error.number};
    case S::ConnectionLost:
        return {MsgConnectionLost, error.text, error.number};
    case S::TransactionLost:
        return {MsgTransactionLost, error.text, error.number};
    }
    return {MsgRowFailed, error.text, error.number};
}

bool ExportDatabaseWriter::open(ExportFailure& failure)
{
    const bool connected = m_odbc ? m_source && m_source->isOpen() : m_sqlite && m_sqlite->isOpen();
    if (!connected) {
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
    const bool withPrefix = m_options.withTablePrefix;
    const QList<DatabaseColumn> columns =
        DatabaseColumn::ForFields(job().fields, withPrefix, m_odbc, m_odbc ? m_source->maxColumnNameBytes() : 0);
    const std::optional<DatabaseError> error =
        m_odbc ? m_source->begin(m_table, columns, m_replace) : m_sqlite->begin(m_table, columns, m_replace);
    if (error) {
        failure = failureOf(*error);
        discard();
        return false;
    }
    m_begun = true;
    m_rows = 0;
    m_notKept = 0;
    m_refused.clear();
    m_refusedCount = 0;
    m_cancelled = false;
    m_keptOld = false;
    return true;
}

ExportWriter::Step ExportDatabaseWriter::take(const TableWriteResult& result, ExportFailure& failure, bool ask)
{
    Step step = Step::Continue;
    for (const TableWriteResult::Refusal& refusal : result.refused) {
        ++m_refusedCount;
        ++m_notKept;
        if (m_refused.size() < NamedRefusals)
            m_refused.append(refusal);
        if (!ask || step != Step::Continue)
            continue;
        const QString text = GetMessageTextByNr(MsgRowFailed) + u"\r\n"_s + refusal.text + u"\r\n"_s +
                             GetMessageTextByNr(MsgRow) + u' ' + QString::number(refusal.row);
        // The row is left out, or the export ends with the rows so far.
        if (!prompt().ask(text, ExportPrompt::Choice::OkCancel))
            step = Step::Cancel;
    }
    if (result.failure) {
        failure = failureOf(*result.failure);
        discard();
        return Step::Fail;
    }
    return step;
}

ExportWriter::Step ExportDatabaseWriter::writeRow(const QStringList& values, qint64 row, ExportFailure& failure)
{
    if (!m_begun) {
        failure = {MsgInsertFailed, QString(), 0};
        return Step::Fail;
    }
    ++m_rows;
    return take(m_odbc ? m_source->write(values, row) : m_sqlite->write(values, row), failure, true);
}

bool ExportDatabaseWriter::finish(ExportFailure& failure)
{
    if (!m_begun) {
        failure = {MsgInsertFailed, QString(), 0};
        discard();
        return false;
    }
    if (m_cancelled && m_replace) {
        // A cancelled export replaces nothing: the user's table stays as it was.
        discard();
        m_keptOld = true;
        m_notKept = m_rows;
        return true;
    }
    if (m_odbc) {
        // The rows still held go now; their refusals are told in the notes.
        if (take(m_source->finish(), failure, false) == Step::Fail)
            return false;
    } else if (const std::optional<DatabaseError> error = m_sqlite->commit()) {
        failure = failureOf(*error);
        discard();
        return false;
    }
    m_begun = false;
    m_createdFile = false;
    close();
    return true;
}

QStringList ExportDatabaseWriter::endNotes() const
{
    QStringList notes;
    if (m_keptOld) {
        notes.append(FormatMessage(MsgCancelKeptOld, QString(), m_table));
        return notes;
    }
    if (m_refusedCount == 0)
        return notes;
    notes.append(FormatMessage(MsgRefusedRows, QString(), m_refusedCount));
    for (const TableWriteResult::Refusal& refusal : m_refused)
        notes.append(GetMessageTextByNr(MsgRow) + u' ' + QString::number(refusal.row) + u": "_s +
                     oneLine(refusal.text));
    if (m_refusedCount > m_refused.size())
        notes.append(u"\u2026"_s);
    return notes;
}

void ExportDatabaseWriter::discard()
{
    m_begun = false;
    if (m_source)
        m_source->discard();
    if (m_sqlite)
        m_sqlite->rollback();
    close();
    if (m_createdFile)
        QFile::remove(m_file);
    m_createdFile = false;
}

void ExportDatabaseWriter::close()
{
    m_source.reset();
    m_sqlite.reset();
}

void ExportDatabaseWriter::startFollowUp()
{
    // A data source has no file for a program to open.
    if (!m_odbc && m_options.startProgram)
        ExportFollowUp::OpenWithDesktopApp(m_file);
}
