#pragma once

#include "DatabaseColumn.h"
#include "DatabaseError.h"
#include "TableWriteResult.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

class QSqlDatabase;
class QSqlQuery;

// A new table in an ODBC data source, written through Qt SQL.
//
// The rows go into a work table of this program's (WorkPrefix and a random part) that takes
// the table's name only once every row is in; an older table of the name stays until then.
// Where the server keeps DDL in a transaction (PostgreSQL, SQLite), all of it is one
// transaction: a cancel, a failure, a broken connection or a killed program leave the old
// table as it was and nothing of the export. Elsewhere the work table is made at once, and
// one that a killed export left behind is removed by the next export; the old table steps
// aside, the work table takes its name, and the old one goes, each step undone when the
// next fails.
//
// Rows are sent in groups, one INSERT of many rows each. A group that the server refuses is
// rolled back to its savepoint and written again row by row, each row under a savepoint of
// its own, so that a refused row is named and takes no other row with it. A driver that
// ends the whole transaction on an error (psqlODBC's "Protocol=7.4-1") is found at the start;
// then every statement commits by itself, and the work table is committed at once.
//
//   OdbcTableWriter table;
//   if (auto error = table.open(u"DSN=erp"_s)) ...
//   table.begin(name, columns, table.tableExists(name));
//   for (...) table.write(texts, row);   // refusals of the groups sent, failures
//   table.finish();                      // or discard()
class OdbcTableWriter
{
public:
    // Rows per INSERT, and the most parameters one takes (a driver breaks with too many).
    static constexpr int GroupRows = 100;
    static constexpr int GroupParameters = 2000;
    static constexpr QLatin1StringView WorkPrefix{"klvviewer_work_"};

    OdbcTableWriter();
    ~OdbcTableWriter();
    OdbcTableWriter(const OdbcTableWriter&) = delete;
    OdbcTableWriter& operator=(const OdbcTableWriter&) = delete;

    // Connects with a data source name or a connection string.
    std::optional<DatabaseError> open(const QString& databaseName);
    bool isOpen() const;
    // The longest table and column names the database keeps, in bytes as the driver tells
    // them; 0 where it sets no limit.
    int maxTableNameBytes() const { return m_maxTableName; }
    int maxColumnNameBytes() const { return m_maxColumnName; }
    // Whether the statements reach a table or view of the name (the server resolves it as it
    // resolves them: a table of another schema off the search path does not count). Before
    // begin() only.
    bool tableExists(const QString& name);
    // Removes the stale work tables, then makes the work table.
    std::optional<DatabaseError> begin(const QString& table, const QList<DatabaseColumn>& columns, bool replace);
    // One row: the display texts in column order. It goes with its group.
    TableWriteResult write(const QStringList& values, qint64 row);
    // Sends the rows still held, then the work table takes the table's name (the old table
    // goes). On a failure nothing of the export stays.
    TableWriteResult finish();
    // Nothing of the export stays; an old table is as it was.
    void discard();
    void close();

    // How the data source was found: whether a failed statement leaves the transaction (so
    // a savepoint can undo it), and whether DDL stays inside a transaction.
    bool keepsTransactionOnError() const { return m_savepoints; }
    bool transactionalDdl() const { return m_transactionalDdl; }
    // Takes the way of servers whose DDL commits at once, also where the server has no
    // need of it.
    void setTransactionalDdl(bool allowed) { m_ddlAllowed = allowed; }
    QString workTable() const { return m_work; }

private:
    QSqlDatabase database() const;
    QString quoted(const QString& name) const;
    bool exec(const QString& sql, QString* error = nullptr);
    bool connectionDead() const;
    DatabaseError lost(const QString& text) const;
    bool probeSavepoints();
    void removeStaleWorkTables();
    std::unique_ptr<QSqlQuery> prepareInsert(int rows, QString& error);
    // Sends the rows held; the refused rows, or a failure.
    TableWriteResult sendGroup();
    // One row of the group held, under a savepoint of its own; false when the table takes no
    // more (failure says why).
    bool sendRow(int index, TableWriteResult& result);
    std::optional<DatabaseError> replace();
    std::optional<DatabaseError> replaceStepwise();

    QString m_connection;
    QChar m_quoteOpen = u'"';
    QChar m_quoteClose = u'"';
    int m_maxTableName = 0;
    int m_maxColumnName = 0;
    bool m_transactionalDdl = false;
    bool m_ddlAllowed = true;
    bool m_savepoints = false;
    bool m_oneTransaction = false;

    QString m_table;
    QString m_work;
    bool m_replace = false;
    bool m_inTransaction = false;
    bool m_workCommitted = false; // the work table stands outside the transaction
    QList<DatabaseColumn> m_columns;
    int m_groupRows = GroupRows;
    std::unique_ptr<QSqlQuery> m_group;
    std::unique_ptr<QSqlQuery> m_single;
    QList<QVariant> m_pending; // the values of the rows held, row after row
    QList<qint64> m_pendingRows;
};
