#pragma once

#include "DatabaseColumn.h"
#include "DatabaseError.h"
#include "TableWriteResult.h"

#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>

#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A new table in an SQLite file, written through sqlite3's own calls: one transaction, one
// prepared INSERT, every value bound as the type of its column (text in UTF-8, dates in
// SQLite's own form, which its date functions read). An older table of the same name goes
// in the same transaction, so until commit() the file is as it was.
//
//   SqliteTableWriter table;
//   if (auto error = table.open(file, false)) ...
//   table.begin(name, columns, table.tableExists(name));
//   for (...) table.write(texts, row);   // refusals and failures as values
//   table.commit();                      // or rollback()
class SqliteTableWriter
{
public:
    SqliteTableWriter();
    ~SqliteTableWriter();
    SqliteTableWriter(const SqliteTableWriter&) = delete;
    SqliteTableWriter& operator=(const SqliteTableWriter&) = delete;

    // Opens the file; with create a missing file is made. What is no database fails here.
    std::optional<DatabaseError> open(const QString& file, bool create);
    bool isOpen() const { return m_db != nullptr; }
    // Whether the file holds a table of the name; SQLite tells names apart by ASCII case not.
    bool tableExists(const QString& name) const;
    // Starts the transaction, deletes the old table (replace), makes the new one.
    std::optional<DatabaseError> begin(const QString& table, const QList<DatabaseColumn>& columns, bool replace);
    // One row: the display texts in column order (missing ones are empty, and empty is NULL).
    // A row the database refuses leaves the table as it was before the row.
    TableWriteResult write(const QStringList& values, qint64 row);
    std::optional<DatabaseError> commit();
    // Drops everything since begin(); the file is as it was.
    void rollback();
    void close();

private:
    struct Slot
    {
        enum Type { Null, Whole, Real, Text } type = Null;
        qint64 whole = 0;
        double real = 0;
        qsizetype offset = 0;
        qsizetype length = 0;
    };

    std::optional<DatabaseError> exec(const char* sql, DatabaseError::Step step);
    DatabaseError error(DatabaseError::Step step, int code) const;
    void finalize();
    // Where bytes more of the row's texts go.
    char* room(qsizetype bytes);
    // The text's UTF-8 bytes go after the row's others.
    void appendText(QStringView text, Slot& slot);
    void appendBytes(const char* bytes, qsizetype length, Slot& slot);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    QList<DatabaseColumn> m_columns;
    std::vector<Slot> m_slots;
    std::vector<char> m_bytes;
    qsizetype m_used = 0;
    QStringEncoder m_utf8{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};
