#pragma once

#include <QJsonArray>
#include <QMap>
#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

// A PostgreSQL server of the caller's own: a new cluster in a temporary folder, on 127.0.0.1
// at a free port, with one password user (a superuser) and no Unix socket. It is stopped and
// its folder removed with the object, and it ends with the process that started it. Run as
// root, the server runs as the user "postgres", since it refuses to run as root.
//
// What it holds is read back through psycopg2, a reader that shares nothing with the
// program's own ODBC code.
//
//   PostgresServer server;
//   if (!server.start()) FAIL() << server.errorString();
//   QSqlDatabase::setDatabaseName(server.odbcConnection());
//   server.rows(u"SELECT count(*) FROM t"_s);
class PostgresServer
{
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The folder of initdb and postgres (the highest version installed); empty when the
    // server is not installed.
    static QString binFolder();
    // Debian's ODBC driver for PostgreSQL, the Unicode or the ANSI one; empty when missing.
    static QString odbcDriver(bool unicode = true);

    bool start();
    void stop();
    bool isRunning() const;
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    QString database() const { return m_database; }
    // The temporary folder the server lives in (the cluster is in its "data").
    QString folder() const;

    // A connection string that reaches the server through the ODBC driver, with further
    // attributes ("Protocol=7.4-1;") after it.
    QString odbcConnection(const QString& attributes = QString(), bool unicode = true) const;
    // A data source of that name (with the attributes) in an odbc.ini of the server's folder,
    // the two drivers in its odbcinst.ini, and unixODBC pointed at both.
    bool addDataSource(const QString& name, const QString& attributes = QString(), bool unicode = true);

    // The rows of a query as psycopg2 reads them: one array per row; dates and times in ISO
    // form, numerics as numbers. Empty also when the query failed (errorString says why).
    QJsonArray rows(const QString& sql);
    // The first value of the first row as text ("" for NULL or no row); null on failure.
    QString value(const QString& sql);
    // Runs statements (several, separated by ";") in autocommit mode.
    bool execute(const QString& sql);
    // Ends every other connection to the server, as a server going away or an
    // administrator would.
    bool dropConnections();

private:
    bool runAsServerUser(QProcess& process, const QString& program, const QStringList& arguments);
    bool startOnce();
    QString python(const QString& script, const QStringList& arguments);
    bool writeOdbcFiles();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_server;
    quint16 m_port = 0;
    QString m_user = QStringLiteral("klvtest");
    QString m_password = QStringLiteral("klv-secret-7");
    QString m_database = QStringLiteral("postgres");
    QString m_error;
    QMap<QString, QString> m_dataSources; // name -> its lines
    // The user the server runs as when this process is root; -1 otherwise.
    int m_uid = -1;
    int m_gid = -1;
};
