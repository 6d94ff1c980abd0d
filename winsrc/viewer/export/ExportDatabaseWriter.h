#pragma once

#include "ExportWriter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// The database table: a new table, its columns typed by the fields' types, in an SQLite file
// ("SQLite", created after the user agreed when it is not there) or in an ODBC data source
// ("ODBC": "ExportDBName" holds a data source name or a connection string). Every column
// takes NULL, an empty value is NULL, and every name is quoted, so captions with ":", "^",
// "." or quotes and repeated captions (made "name_2") are columns like any other.
//
// One prepared INSERT serves every row. An SQLite file is written in one transaction: an
// older table of the same name goes in it, so a failed export leaves it as it was. A data
// source commits every OdbcCommitRows rows; there the rows go into a table of another name
// that takes the old table's place once they are all in.
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

    static constexpr int OdbcCommitRows = 10000;

    ExportDatabaseWriter(ExportJob job, Options options);
    ~ExportDatabaseWriter() override;

    // The column type of a field in the table; a data source gets the types every database
    // knows.
    static QString SqlType(const ExportField& field, bool odbc);
    // What the ODBC driver is given for the text of "ExportDBName": a data source name, or a
    // connection string.
    static QString OdbcDatabaseName(const QString& text);

    // The database name (237) and table name (285).
    ExportCheck checkTarget() override;
    // For a file kind a question before a new file is made (242). Then the database is opened
    // and, when the table exists, the user is asked before it is replaced (240, 239).
    ExportCheck confirmTarget() override;
    bool open(ExportFailure& failure) override;
    // A row the database refuses asks whether to go on without it; a failure of the database
    // itself ends the export.
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override;
    void startFollowUp() override;

    bool isOdbc() const { return m_odbc; }

private:
    enum class Kind { Text, LineText, Whole, Real, Bool, Date, DateTime };
    struct Column
    {
        QString name;
        QString type;
        Kind kind = Kind::Text;
        int fractionDigits = 0;
    };

    QSqlDatabase database() const;
    bool connect(ExportFailure& failure);
    bool tableExists(const QString& name) const;
    QString uniqueTableName(const QString& base) const;
    QString quoted(const QString& name) const;
    bool exec(const QString& sql, QSqlError* error = nullptr);
    void prepareColumns();
    QVariant value(const Column& column, const QString& text) const;
    bool fatal(const QSqlError& error) const;
    bool replaceOldTable(ExportFailure& failure);
    void fail(ExportFailure& failure, int message, const QSqlError& error, const QString& prefix = QString());
    void close();

    Options m_options;
    bool m_odbc = false;
    QString m_file;
    QString m_table;
    QString m_workTable;
    QString m_connection;
    QChar m_quoteOpen = u'"';
    QChar m_quoteClose = u'"';
    bool m_createFile = false;  // the file is not there: made when the database opens
    bool m_createdFile = false; // made by this export, and gone again when it fails
    bool m_replace = false;
    bool m_tableCreated = false;
    bool m_inTransaction = false;
    qint64 m_uncommitted = 0;
    QList<Column> m_columns;
    std::unique_ptr<QSqlQuery> m_insert;
};
