#include "OdbcTableWriter.h"

#include "DatabaseValue.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString connectionName()
{
    static int next = 0;
    return u"KLVViewerOdbc"_s + QString::number(++next);
}

int errorNumber(const QSqlError& error)
{
    bool isNumber = false;
    const int number = error.nativeErrorCode().toInt(&isNumber);
    return isNumber ? number : 0;
}

// The connection's ODBC handle, which Qt SQL hands out for what it does not ask itself.
SQLHDBC nativeHandle(const QSqlDatabase& db)
{
    if (!db.isValid() || !db.driver())
        return nullptr;
    // Qt 6 names the type as the void pointer SQLHANDLE is.
    QVariant handle = db.driver()->handle();
    const char* type = handle.typeName();
    if (!handle.isValid() || (qstrcmp(type, "SQLHANDLE") != 0 && qstrcmp(type, "void*") != 0))
        return nullptr;
    return *static_cast<SQLHDBC*>(handle.data());
}

int infoNumber(SQLHDBC hdbc, SQLUSMALLINT item)
{
    SQLUSMALLINT value = 0;
    if (!hdbc || !SQL_SUCCEEDED(SQLGetInfo(hdbc, item, &value, sizeof value, nullptr)))
        return -1;
    return int(value);
}

// The random part of a work table's name, as long as the name may be.
QString workName(int maxBytes)
{
    const int digits = maxBytes > 0 ? std::clamp(maxBytes - int(OdbcTableWriter::WorkPrefix.size()), 4, 12) : 12;
    const QString random = QString::number(QRandomGenerator::global()->generate64() | (1ULL << 63), 16);
    return OdbcTableWriter::WorkPrefix + random.right(digits);
}

} // namespace

OdbcTableWriter::OdbcTableWriter() = default;

OdbcTableWriter::~OdbcTableWriter()
{
    close();
}

QSqlDatabase OdbcTableWriter::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool OdbcTableWriter::isOpen() const
{
    return !m_connection.isEmpty() && database().isOpen();
}

std::optional<DatabaseError> OdbcTableWriter::open(const QString& databaseName)
{
    close();
    m_connection = connectionName();
    // No handle of the connection may outlive this block: a failure removes the connection.
    QSqlError error;
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, m_connection);
        if (db.isValid()) {
            db.setDatabaseName(databaseName);
            opened = db.open();
        }
        if (!opened)
            error = db.lastError();
    }
    if (!opened) {
        close();
        return DatabaseError{DatabaseError::Step::Open, error.text(), errorNumber(error)};
    }
    const SQLHDBC hdbc = nativeHandle(database());
    m_maxTableName = std::max(0, infoNumber(hdbc, SQL_MAX_TABLE_NAME_LEN));
    m_maxColumnName = std::max(0, infoNumber(hdbc, SQL_MAX_COLUMN_NAME_LEN));
    m_transactionalDdl = infoNumber(hdbc, SQL_TXN_CAPABLE) == SQL_TC_ALL;
    // The driver's own quoting takes a "." for the end of a schema name and leaves a name that
    // starts or ends with a quote as it is: only its quote characters are used.
    const QString probe = database().driver()->escapeIdentifier(u"x"_s, QSqlDriver::FieldName);
    if (probe.size() == 3 && probe[1] == u'x') {
        m_quoteOpen = probe[0];
        m_quoteClose = probe[2];
    }
    return std::nullopt;
}

QString OdbcTableWriter::quoted(const QString& name) const
{
    QString inner = name;
    inner.replace(m_quoteClose, QString(2, m_quoteClose));
    return m_quoteOpen + inner + m_quoteClose;
}

bool OdbcTableWriter::exec(const QString& sql, QString* error)
{
    QSqlQuery query(database());
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool OdbcTableWriter::connectionDead() const
{
    const SQLHDBC hdbc = nativeHandle(database());
    SQLUINTEGER dead = SQL_CD_FALSE;
    return hdbc && SQL_SUCCEEDED(SQLGetConnectAttr(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

DatabaseError OdbcTableWriter::lost(const QString& text) const
{
    return {connectionDead() ? DatabaseError::Step::ConnectionLost : DatabaseError::Step::TransactionLost, text, 0};
}

bool OdbcTableWriter::tableExists(const QString& name)
{
    // Asked as the statements ask, so the server resolves the name for both the same way.
    return isOpen() && exec(u"SELECT 1 FROM "_s + quoted(name) + u" WHERE 1 = 0"_s);
}

bool OdbcTableWriter::probeSavepoints()
{
    // A statement that fails (the work table is not made yet), undone by its savepoint: a
    // driver that ends the whole transaction on an error loses the savepoint with it.
    QSqlDatabase db = database();
    if (!db.driver()->hasFeature(QSqlDriver::Transactions) || !db.transaction())
        return false;
    const bool kept = exec(u"SAVEPOINT klv_probe"_s) &&
                      !exec(u"SELECT 1 FROM "_s + quoted(m_work) + u" WHERE 1 = 0"_s) &&
                      exec(u"ROLLBACK TO SAVEPOINT klv_probe"_s) && exec(u"RELEASE SAVEPOINT klv_probe"_s);
    db.rollback();
    return kept;
}

void OdbcTableWriter::removeStaleWorkTables()
{
    // Only committed work tables are seen: one of an export still running in one transaction
    // is not there for others.
    static const QRegularExpression pattern(u"^"_s + WorkPrefix + u"[0-9a-f]{4,12}$"_s,
                                            QRegularExpression::CaseInsensitiveOption);
    const QStringList tables = database().tables(QSql::Tables);
    for (const QString& table : tables) {
        if (pattern.match(table).hasMatch() && table != m_work)
            exec(u"DROP TABLE "_s + quoted(table));
    }
}

std::unique_ptr<QSqlQuery> OdbcTableWriter::prepareInsert(int rows, QString& error)
{
    QStringList names;
    QStringList marks;
    for (const DatabaseColumn& column : std::as_const(m_columns)) {
        names.append(quoted(column.name));
        marks.append(u"?"_s);
    }
    const QString one = u'(' + marks.join(u", "_s) + u')';
    QStringList values;
    for (int i = 0; i < rows; ++i)
        values.append(one);
    auto query = std::make_unique<QSqlQuery>(database());
    if (!query->prepare(u"INSERT INTO "_s + quoted(m_work) + u" ("_s + names.join(u", "_s) + u") VALUES "_s +
                        values.join(u", "_s))) {
        error = query->lastError().text();
        return nullptr;
    }
    return query;
}

std::optional<DatabaseError> OdbcTableWriter::begin(const QString& table, const QList<DatabaseColumn>& columns,
                                                    bool replace)
{
    using Step = DatabaseError::Step;
    if (!isOpen())
        return DatabaseError{Step::Open, QString(), 0};
    m_table = table;
    m_columns = columns;
    m_replace = replace;
    m_work = workName(m_maxTableName);
    for (int attempt = 0; attempt < 3 && tableExists(m_work); ++attempt)
        m_work = workName(m_maxTableName);
    removeStaleWorkTables();
    m_savepoints = probeSavepoints();
    m_oneTransaction = m_transactionalDdl && m_ddlAllowed && m_savepoints;

    QStringList definitions;
    for (const DatabaseColumn& column : std::as_const(m_columns))
        definitions.append(quoted(column.name) + u' ' + column.sqlType);
    QSqlDatabase db = database();
    if (m_oneTransaction) {
        if (!db.transaction())
            return DatabaseError{Step::Open, db.lastError().text(), errorNumber(db.lastError())};
        m_inTransaction = true;
    }
    QString error;
    if (!exec(u"CREATE TABLE "_s + quoted(m_work) + u" ("_s + definitions.join(u", "_s) + u')', &error))
        return DatabaseError{Step::CreateTable, error, 0};
    if (!m_oneTransaction) {
        m_workCommitted = true;
        if (m_savepoints) {
            if (!db.transaction())
                return DatabaseError{Step::Open, db.lastError().text(), errorNumber(db.lastError())};
            m_inTransaction = true;
        }
    }
    m_groupRows = std::clamp(GroupParameters / std::max(1, int(m_columns.size())), 1, GroupRows);
    m_single = prepareInsert(1, error);
    if (m_single && m_groupRows > 1)
        m_group = prepareInsert(m_groupRows, error);
    if (!m_single || (m_groupRows > 1 && !m_group))
        return DatabaseError{Step::Prepare, error, 0};
    m_pending.reserve(m_groupRows * m_columns.size());
    return std::nullopt;
}

TableWriteResult OdbcTableWriter::write(const QStringList& values, qint64 row)
{
    if (!m_single)
        return TableWriteResult::Failed({DatabaseError::Step::Prepare, QString(), 0});
    for (qsizetype i = 0; i < m_columns.size(); ++i)
        m_pending.append(DatabaseValue::Variant(m_columns[i], values.value(i)));
    m_pendingRows.append(row);
    if (m_pendingRows.size() < m_groupRows)
        return {};
    return sendGroup();
}

TableWriteResult OdbcTableWriter::sendGroup()
{
    TableWriteResult result;
    const int rows = int(m_pendingRows.size());
    if (rows == 0)
        return result;
    const int columns = int(m_columns.size());
    QString error;
    std::unique_ptr<QSqlQuery> last;
    QSqlQuery* insert = rows == 1 ? m_single.get() : rows == m_groupRows ? m_group.get() : nullptr;
    if (!insert) {
        // The last rows, fewer than a group: a statement of their own, or else row by row.
        last = prepareInsert(rows, error);
        insert = last.get();
    }
    if (m_savepoints && !exec(u"SAVEPOINT klv_group"_s, &error))
        return TableWriteResult::Failed(lost(error));
    bool sent = false;
    if (insert) {
        for (int i = 0; i < rows * columns; ++i)
            insert->bindValue(i, m_pending[i]);
        sent = insert->exec();
        if (!sent)
            error = insert->lastError().text();
    }
    if (sent) {
        if (m_savepoints && !exec(u"RELEASE SAVEPOINT klv_group"_s, &error))
            return TableWriteResult::Failed(lost(error));
    } else {
        if (connectionDead())
            return TableWriteResult::Failed({DatabaseError::Step::ConnectionLost, error, 0});
        if (m_savepoints &&
            (!exec(u"ROLLBACK TO SAVEPOINT klv_group"_s, &error) || !exec(u"RELEASE SAVEPOINT klv_group"_s, &error)))
            return TableWriteResult::Failed(lost(error));
        // Row by row: the refused ones are named, every other one is kept.
        for (int i = 0; i < rows; ++i) {
            if (!sendRow(i, result))
                return result;
        }
    }
    m_pending.clear();
    m_pendingRows.clear();
    return result;
}

bool OdbcTableWriter::sendRow(int index, TableWriteResult& result)
{
    const int columns = int(m_columns.size());
    QString error;
    if (m_savepoints && !exec(u"SAVEPOINT klv_row"_s, &error)) {
        result.failure = lost(error);
        return false;
    }
    for (int i = 0; i < columns; ++i)
        m_single->bindValue(i, m_pending[index * columns + i]);
    if (m_single->exec()) {
        if (m_savepoints && !exec(u"RELEASE SAVEPOINT klv_row"_s, &error)) {
            result.failure = lost(error);
            return false;
        }
        return true;
    }
    const QString refusal = m_single->lastError().text();
    if (connectionDead()) {
        result.failure = DatabaseError{DatabaseError::Step::ConnectionLost, refusal, 0};
        return false;
    }
    if (m_savepoints &&
        (!exec(u"ROLLBACK TO SAVEPOINT klv_row"_s, &error) || !exec(u"RELEASE SAVEPOINT klv_row"_s, &error))) {
        result.failure = lost(error);
        return false;
    }
    result.refused.append({m_pendingRows[index], refusal});
    return true;
}

TableWriteResult OdbcTableWriter::finish()
{
    if (!m_single) {
        discard();
        return TableWriteResult::Failed({DatabaseError::Step::Prepare, QString(), 0});
    }
    TableWriteResult result = sendGroup();
    if (!result.failure && m_inTransaction && !m_oneTransaction) {
        QSqlDatabase db = database();
        if (db.commit())
            m_inTransaction = false;
        else
            result.failure =
                DatabaseError{DatabaseError::Step::Commit, db.lastError().text(), errorNumber(db.lastError())};
    }
    if (!result.failure)
        result.failure = replace();
    if (result.failure)
        discard();
    return result;
}

std::optional<DatabaseError> OdbcTableWriter::replace()
{
    using Step = DatabaseError::Step;
    // Nothing may still stand on the work table when it is renamed.
    m_group.reset();
    m_single.reset();
    QSqlDatabase db = database();
    if (!m_oneTransaction) {
        if (!m_transactionalDdl || !m_ddlAllowed)
            return replaceStepwise();
        if (!db.transaction())
            return DatabaseError{Step::Commit, db.lastError().text(), errorNumber(db.lastError())};
        m_inTransaction = true;
    }
    QString error;
    // A view or a key on the old table refuses the drop: the transaction goes back, and the old
    // table with it stays as it was.
    if (m_replace && !exec(u"DROP TABLE "_s + quoted(m_table), &error))
        return DatabaseError{Step::DropOld, error, 0};
    if (!exec(u"ALTER TABLE "_s + quoted(m_work) + u" RENAME TO "_s + quoted(m_table), &error))
        return DatabaseError{Step::CreateTable, error, 0};
    if (!db.commit())
        return DatabaseError{Step::Commit, db.lastError().text(), errorNumber(db.lastError())};
    m_inTransaction = false;
    m_workCommitted = false;
    return std::nullopt;
}

std::optional<DatabaseError> OdbcTableWriter::replaceStepwise()
{
    using Step = DatabaseError::Step;
    const auto rename = [this](const QString& from, const QString& to, QString* error = nullptr) {
        return exec(u"ALTER TABLE "_s + quoted(from) + u" RENAME TO "_s + quoted(to), error);
    };
    QString error;
    if (!m_replace) {
        if (!rename(m_work, m_table, &error))
            return DatabaseError{Step::CreateTable, error, 0};
        m_workCommitted = false;
        return std::nullopt;
    }
    // The old table steps aside under a name that is no work table's, so that no later
    // export takes it for stale, and comes back when a later step fails.
    const QString aside = u"klvviewer_old_"_s + m_work.mid(WorkPrefix.size());
    if (!rename(m_table, aside, &error))
        return DatabaseError{Step::DropOld, error, 0};
    if (!rename(m_work, m_table, &error)) {
        rename(aside, m_table);
        return DatabaseError{Step::CreateTable, error, 0};
    }
    if (!exec(u"DROP TABLE "_s + quoted(aside), &error)) {
        rename(m_table, m_work);
        rename(aside, m_table);
        return DatabaseError{Step::DropOld, error, 0};
    }
    m_workCommitted = false;
    return std::nullopt;
}

void OdbcTableWriter::discard()
{
    m_group.reset();
    m_single.reset();
    m_pending.clear();
    m_pendingRows.clear();
    if (!isOpen())
        return;
    QSqlDatabase db = database();
    if (m_inTransaction)
        db.rollback();
    m_inTransaction = false;
    // What stands outside the transaction goes by itself; after a broken connection the next
    // export removes it.
    if (m_workCommitted && !connectionDead())
        exec(u"DROP TABLE "_s + quoted(m_work));
    m_workCommitted = false;
}

void OdbcTableWriter::close()
{
    discard();
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}
