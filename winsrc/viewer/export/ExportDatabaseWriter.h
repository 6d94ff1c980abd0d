#pragma once

#include "DatabaseColumn.h"
#include "DatabaseError.h"
#include "ExportWriter.h"
#include "TableWriteResult.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class OdbcTableWriter;
class SqliteTableWriter;

// The database table: a new table, its columns typed by the fields' types, in an SQLite file
// ("SQLite", created after the user agreed when it is not there) or in an ODBC data source
// ("ODBC": "ExportDBName" holds a data source name or a connection string). Every column
// takes NULL, an empty value is NULL, and every name is quoted, so captions with ":", "^",
// "." or quotes and repeated captions (made "name_2") are columns like any other.
//
// The writing itself is SqliteTableWriter's and OdbcTableWriter's; this is the export's side
// of it: the checks and questions, the messages, and the count. An older table of the name
// stays as it was until the new one is complete, and also when the export is cancelled (a
// new table then keeps the rows so far). A row the database refuses asks whether to go on;
// the refused rows are not counted as written, and the notes at the end name them. A table
// name longer than the database keeps is refused before anything is made.
class ExportDatabaseWriter : public ExportWriter
{
public:
    enum class Target { SQLite, Odbc };
    struct Options
    {
        Target target = Target::SQLite;
        // The SQLite file, or the data source's name or connection string.
        QString database;
        QString table;
        // Column names with the table-part prefix of the query field name ("0:name").
        bool withTablePrefix = true;
        // Afterwards the desktop's program for the database file.
        bool startProgram = false;
    };
    enum Option { Database, Table };

    // How many refused rows the notes at the end name one by one.
    static constexpr int NamedRefusals = 10;

    ExportDatabaseWriter(ExportJob job, Options options);
    ~ExportDatabaseWriter() override;

    // What the ODBC driver is given for the text of "ExportDBName": a data source name, or a
    // connection string.
    static QString OdbcDatabaseName(const QString& text);

    // The database name (237) and table name (285).
    ExportCheck checkTarget() override;
    // For a file kind a question before a new file is made (242). Then the database is opened,
    // a name too long for it refused (1220), and, when the table exists, the user is asked
    // before it is replaced (240, 239).
    ExportCheck confirmTarget() override;
    bool open(ExportFailure& failure) override;
    // A row the database refuses asks whether to go on without it; a failure of the database
    // itself (or a broken connection) ends the export.
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override;
    void startFollowUp() override;
    QStringList endNotes() const override;
    void cancelled() override { m_cancelled = true; }
    qint64 rowsNotKept() const override { return m_notKept; }

    bool isOdbc() const { return m_odbc; }

private:
    bool connect(ExportFailure& failure);
    bool tableExists(const QString& name) const;
    ExportFailure failureOf(const DatabaseError& error) const;
    // Notes the refusals and asks about each; Cancel when the user chose to end.
    Step take(const TableWriteResult& result, ExportFailure& failure, bool ask);
    void close();

    Options m_options;
    bool m_odbc = false;
    QString m_file;
    QString m_table;
    bool m_createFile = false;  // the file is not there: made when the database opens
    bool m_createdFile = false; // made by this export, and gone again when it fails
    bool m_replace = false;
    bool m_begun = false;
    bool m_cancelled = false;
    bool m_keptOld = false; // a cancel left the old table as it was
    qint64 m_rows = 0;
    qint64 m_notKept = 0;
    QList<TableWriteResult::Refusal> m_refused;
    qint64 m_refusedCount = 0;
    std::unique_ptr<SqliteTableWriter> m_sqlite;
    std::unique_ptr<OdbcTableWriter> m_source;
};
