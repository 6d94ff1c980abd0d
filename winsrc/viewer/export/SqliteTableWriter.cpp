#include "SqliteTableWriter.h"

#include "DatabaseValue.h"
#include "ExportValue.h"
#include "MainModul.h"

#include <QFile>

#include <sqlite3.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Another writer holds the file for at most this long before the export gives up.
constexpr int BusyMilliseconds = 5000;

QByteArray quoted(const QString& name)
{
    QString inner = name;
    inner.replace(u'"', u"\"\""_s);
    return '"' + inner.toUtf8() + '"';
}

// The file itself fails (full, unwritable, locked, broken): every further row would too.
bool fatal(int code)
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOMEM:
    case SQLITE_READONLY:
    case SQLITE_INTERRUPT:
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
        return true;
    default:
        return false;
    }
}

} // namespace

SqliteTableWriter::SqliteTableWriter() = default;

SqliteTableWriter::~SqliteTableWriter()
{
    close();
}

DatabaseError SqliteTableWriter::error(DatabaseError::Step step, int code) const
{
    const char* text = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code);
    return {step, QString::fromUtf8(text), code};
}

std::optional<DatabaseError> SqliteTableWriter::exec(const char* sql, DatabaseError::Step step)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        return std::nullopt;
    return error(step, sqlite3_extended_errcode(m_db));
}

std::optional<DatabaseError> SqliteTableWriter::open(const QString& file, bool create)
{
    close();
    const DatabaseError::Step step = create ? DatabaseError::Step::CreateFile : DatabaseError::Step::Open;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const DatabaseError failure = error(step, m_db ? sqlite3_extended_errcode(m_db) : rc);
        close();
        return failure;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, BusyMilliseconds);
    // The file is read on first use: something that is no database says so here.
    if (std::optional<DatabaseError> failure = exec("SELECT count(*) FROM sqlite_master", step)) {
        close();
        return failure;
    }
    return std::nullopt;
}

bool SqliteTableWriter::tableExists(const QString& name) const
{
    if (!m_db)
        return false;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                           -1, &query, nullptr) != SQLITE_OK)
        return false;
    const QByteArray utf8 = name.toUtf8();
    sqlite3_bind_text(query, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(query) == SQLITE_ROW;
    sqlite3_finalize(query);
    return found;
}

std::optional<DatabaseError> SqliteTableWriter::begin(const QString& table, const QList<DatabaseColumn>& columns,
                                                      bool replace)
{
    using Step = DatabaseError::Step;
    if (!m_db)
        return DatabaseError{Step::Open, QString(), 0};
    // The write lock from the start: another writer makes the export wait or fail here, not
    // at its end.
    if (std::optional<DatabaseError> failure = exec("BEGIN IMMEDIATE", Step::Open))
        return failure;
    if (replace) {
        if (std::optional<DatabaseError> failure =
                exec(QByteArray("DROP TABLE " + quoted(table)).constData(), Step::DropOld))
            return failure;
    }
    QByteArray definitions;
    QByteArray names;
    QByteArray marks;
    for (const DatabaseColumn& column : columns) {
        if (!names.isEmpty()) {
            definitions += ", ";
            names += ", ";
            marks += ", ";
        }
        definitions += quoted(column.name) + ' ' + column.sqlType.toUtf8();
        names += quoted(column.name);
        marks += '?';
    }
    const QByteArray create = "CREATE TABLE " + quoted(table) + " (" + definitions + ')';
    if (std::optional<DatabaseError> failure = exec(create.constData(), Step::CreateTable))
        return failure;
    const QByteArray insert = "INSERT INTO " + quoted(table) + " (" + names + ") VALUES (" + marks + ')';
    if (sqlite3_prepare_v3(m_db, insert.constData(), int(insert.size()), SQLITE_PREPARE_PERSISTENT, &m_insert,
                           nullptr) != SQLITE_OK) {
        m_insert = nullptr;
        return error(Step::Prepare, sqlite3_extended_errcode(m_db));
    }
    m_columns = columns;
    m_slots.assign(size_t(columns.size()), Slot());
    return std::nullopt;
}

char* SqliteTableWriter::room(qsizetype bytes)
{
    if (m_used + bytes > qsizetype(m_bytes.size()))
        m_bytes.resize(size_t(std::max(m_used + bytes, qsizetype(m_bytes.size()) * 2)));
    return m_bytes.data() + m_used;
}

void SqliteTableWriter::appendBytes(const char* bytes, qsizetype length, Slot& slot)
{
    std::memcpy(room(length), bytes, size_t(length));
    slot.type = Slot::Text;
    slot.offset = m_used;
    slot.length = length;
    m_used += length;
}

void SqliteTableWriter::appendText(QStringView text, Slot& slot)
{
    char* start = room(m_utf8.requiredSpace(text.size()));
    char* end = m_utf8.appendToBuffer(start, text);
    slot.type = Slot::Text;
    slot.offset = m_used;
    slot.length = end - start;
    m_used += slot.length;
}

TableWriteResult SqliteTableWriter::write(const QStringList& values, qint64 row)
{
    using Kind = DatabaseColumn::Kind;
    if (!m_insert)
        return TableWriteResult::Failed({DatabaseError::Step::Prepare, QString(), 0});
    // First every value into its slot (the texts one after the other in one buffer), then the
    // binds, which point into the buffer.
    m_used = 0;
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        Slot& slot = m_slots[size_t(i)];
        slot.type = Slot::Null;
        if (i >= values.size() || values[i].isEmpty())
            continue;
        const QString& text = values[i];
        const DatabaseColumn& column = m_columns[i];
        switch (column.kind) {
        case Kind::Whole:
            if (const std::optional<qint64> number = ExportValue::WholeNumber(text)) {
                slot.type = Slot::Whole;
                slot.whole = *number;
                continue;
            }
            break;
        case Kind::Real:
            if (const std::optional<double> number = ExportValue::Number(text, column.fractionDigits)) {
                slot.type = Slot::Real;
                slot.real = *number;
                continue;
            }
            break;
        case Kind::Bool:
            slot.type = Slot::Whole;
            slot.whole = MainModul::ErpText2Bool(text) ? 1 : 0;
            continue;
        case Kind::Date:
        case Kind::DateTime: {
            char iso[DatabaseValue::IsoDateTimeLength];
            const bool date = column.kind == Kind::Date;
            if (date ? DatabaseValue::IsoDate(text, iso) : DatabaseValue::IsoDateTime(text, iso)) {
                appendBytes(iso, date ? DatabaseValue::IsoDateLength : DatabaseValue::IsoDateTimeLength, slot);
                continue;
            }
            break;
        }
        case Kind::LineText:
            appendText(DatabaseValue::CrLfLines(text), slot);
            continue;
        case Kind::Text:
            break;
        }
        // What does not read as the column's type goes as the text it is.
        appendText(text, slot);
    }
    for (int i = 0; i < int(m_slots.size()); ++i) {
        const Slot& slot = m_slots[size_t(i)];
        switch (slot.type) {
        case Slot::Null:
            sqlite3_bind_null(m_insert, i + 1);
            break;
        case Slot::Whole:
            sqlite3_bind_int64(m_insert, i + 1, slot.whole);
            break;
        case Slot::Real:
            sqlite3_bind_double(m_insert, i + 1, slot.real);
            break;
        case Slot::Text:
            sqlite3_bind_text(m_insert, i + 1, m_bytes.data() + slot.offset, int(slot.length), SQLITE_STATIC);
            break;
        }
    }
    const int rc = sqlite3_step(m_insert);
    sqlite3_reset(m_insert);
    if (rc == SQLITE_DONE)
        return {};
    const int code = sqlite3_extended_errcode(m_db);
    if (fatal(rc))
        return TableWriteResult::Failed(error(DatabaseError::Step::Write, code));
    TableWriteResult result;
    result.refused.append({row, QString::fromUtf8(sqlite3_errmsg(m_db))});
    return result;
}

std::optional<DatabaseError> SqliteTableWriter::commit()
{
    finalize();
    if (!m_db)
        return DatabaseError{DatabaseError::Step::Commit, QString(), 0};
    if (std::optional<DatabaseError> failure = exec("COMMIT", DatabaseError::Step::Commit)) {
        rollback();
        return failure;
    }
    return std::nullopt;
}

void SqliteTableWriter::rollback()
{
    finalize();
    // A failed write may have ended the transaction already.
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTableWriter::finalize()
{
    if (m_insert)
        sqlite3_finalize(m_insert);
    m_insert = nullptr;
}

void SqliteTableWriter::close()
{
    rollback();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}
