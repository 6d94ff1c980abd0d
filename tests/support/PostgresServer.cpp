#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int StartSeconds = 60;

bool writeText(const QString& name, const QByteArray& text)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QString readText(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// The rows of a query as JSON, or the statements run; the connection comes from the
// environment (PGHOST, PGPORT, ...), as libpq reads it.
const char* const ReaderScript = R"(import datetime, decimal, json, sys
import psycopg2
def plain(v):
    if isinstance(v, (datetime.date, datetime.datetime, datetime.time)):
        return v.isoformat()
    if isinstance(v, decimal.Decimal):
        return float(v)
    if isinstance(v, memoryview):
        return v.tobytes().hex()
    return v
try:
    conn = psycopg2.connect('')
    conn.autocommit = True
    cur = conn.cursor()
    if sys.argv[1] == 'drop':
        cur.execute('SELECT pg_terminate_backend(pid) FROM pg_stat_activity '
                    'WHERE pid <> pg_backend_pid() AND backend_type = %s', ('client backend',))
        print('[]')
    else:
        cur.execute(sys.argv[2])
        rows = cur.fetchall() if cur.description else []
        print(json.dumps([[plain(v) for v in row] for row in rows]))
except Exception as e:
    sys.stderr.write(str(e))
    sys.exit(1)
)";

} // namespace

PostgresServer::PostgresServer() = default;

PostgresServer::~PostgresServer()
{
    stop();
}

QString PostgresServer::binFolder()
{
    const QDir root(u"/usr/lib/postgresql"_s);
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& version : versions) {
        const QString bin = root.filePath(version + u"/bin"_s);
        if (QFile::exists(bin + u"/initdb"_s) && QFile::exists(bin + u"/postgres"_s))
            return bin;
    }
    return {};
}

QString PostgresServer::odbcDriver(bool unicode)
{
    const QDir lib(u"/usr/lib"_s);
    const QString name = unicode ? u"/odbc/psqlodbcw.so"_s : u"/odbc/psqlodbca.so"_s;
    for (const QString& arch : lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (QFile::exists(lib.filePath(arch + name)))
            return lib.filePath(arch + name);
    }
    return {};
}

QString PostgresServer::folder() const
{
    return m_dir ? m_dir->path() : QString();
}

bool PostgresServer::runAsServerUser(QProcess& process, const QString& program, const QStringList& arguments)
{
    const int uid = m_uid;
    const int gid = m_gid;
    // The server goes with this process, however it ends; as root it runs as its own user.
    process.setChildProcessModifier([uid, gid] {
        if (uid >= 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(gid)) != 0 || ::setuid(uid_t(uid)) != 0)
                ::_exit(126);
        }
        ::prctl(PR_SET_PDEATHSIG, SIGINT);
    });
    process.start(program, arguments);
    return process.waitForStarted(StartSeconds * 1000);
}

bool PostgresServer::start()
{
    if (isRunning())
        return true;
    const QString bin = binFolder();
    if (bin.isEmpty()) {
        m_error = u"The PostgreSQL server is not installed (no initdb under /usr/lib/postgresql)"_s;
        return false;
    }
    // A name of its own: a program's temporary folders may be swept by that program.
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/klv-postgres-XXXXXX"_s);
    if (!m_dir->isValid()) {
        m_error = u"No temporary folder: "_s + m_dir->errorString();
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* account = ::getpwnam("postgres");
        if (!account) {
            m_error = u"Running as root, and there is no user \"postgres\" to run the server as"_s;
            return false;
        }
        m_uid = int(account->pw_uid);
        m_gid = int(account->pw_gid);
        if (::chown(QFile::encodeName(m_dir->path()).constData(), account->pw_uid, account->pw_gid) != 0) {
            m_error = u"The temporary folder cannot be given to the user \"postgres\""_s;
            return false;
        }
    }
    const QString passwordFile = m_dir->filePath(u"password"_s);
    if (!writeText(passwordFile, m_password.toUtf8() + '\n') ||
        (m_uid >= 0 && ::chown(QFile::encodeName(passwordFile).constData(), uid_t(m_uid), gid_t(m_gid)) != 0)) {
        m_error = u"The password file cannot be written"_s;
        return false;
    }
    QProcess initdb;
    initdb.setProcessChannelMode(QProcess::MergedChannels);
    if (!runAsServerUser(initdb, bin + u"/initdb"_s,
                         {u"-D"_s, m_dir->filePath(u"data"_s), u"-U"_s, m_user, u"--pwfile="_s + passwordFile,
                          u"--auth=scram-sha-256"_s, u"-E"_s, u"UTF8"_s, u"--locale=C"_s, u"--no-sync"_s}) ||
        !initdb.waitForFinished(StartSeconds * 1000) || initdb.exitStatus() != QProcess::NormalExit ||
        initdb.exitCode() != 0) {
        m_error = u"initdb failed: "_s + QString::fromLocal8Bit(initdb.readAll()) + initdb.errorString();
        return false;
    }
    // A port found free may be taken before the server binds it: then another one.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (startOnce())
            return true;
    }
    return false;
}

bool PostgresServer::startOnce()
{
    m_port = freePort();
    if (m_port == 0) {
        m_error = u"No free port on 127.0.0.1"_s;
        return false;
    }
    const QString data = m_dir->filePath(u"data"_s);
    const QString log = m_dir->filePath(u"server.log"_s);
    QFile::remove(data + u"/postmaster.pid"_s);
    m_server = std::make_unique<QProcess>();
    m_server->setStandardOutputFile(log);
    m_server->setStandardErrorFile(log, QIODevice::Append);
    // The data are thrown away afterwards: nothing needs to reach the disk.
    const QStringList arguments{u"-D"_s, data,
                                u"-p"_s, QString::number(m_port),
                                u"-c"_s, u"listen_addresses=127.0.0.1"_s,
                                u"-c"_s, u"unix_socket_directories="_s,
                                u"-c"_s, u"fsync=off"_s,
                                u"-c"_s, u"full_page_writes=off"_s,
                                u"-c"_s, u"max_connections=20"_s,
                                u"-c"_s, u"shared_buffers=32MB"_s};
    if (!runAsServerUser(*m_server, binFolder() + u"/postgres"_s, arguments)) {
        m_error = u"postgres did not start: "_s + m_server->errorString();
        m_server.reset();
        return false;
    }
    // The server writes "ready" into its pid file once it takes connections.
    const QDeadlineTimer deadline(StartSeconds * 1000);
    while (!deadline.hasExpired()) {
        if (m_server->state() == QProcess::NotRunning || m_server->waitForFinished(0)) {
            m_error = u"postgres ended at its start: "_s + readText(log);
            m_server.reset();
            return false;
        }
        const QStringList lines = readText(data + u"/postmaster.pid"_s).split(u'\n');
        if (lines.size() > 7 && lines[7].trimmed() == u"ready"_s)
            return true;
        QThread::msleep(50);
    }
    m_error = u"postgres was not ready within "_s + QString::number(StartSeconds) + u" seconds: "_s + readText(log);
    stop();
    return false;
}

void PostgresServer::stop()
{
    if (!m_server)
        return;
    if (m_server->state() != QProcess::NotRunning) {
        // A fast shutdown: open connections are ended, nothing is waited for.
        ::kill(pid_t(m_server->processId()), SIGINT);
        if (!m_server->waitForFinished(StartSeconds * 1000)) {
            m_server->kill();
            m_server->waitForFinished(5000);
        }
    }
    m_server.reset();
}

bool PostgresServer::isRunning() const
{
    return m_server && m_server->state() == QProcess::Running;
}

QString PostgresServer::odbcConnection(const QString& attributes, bool unicode) const
{
    return u"DRIVER="_s + odbcDriver(unicode) + u";SERVER=127.0.0.1;PORT="_s + QString::number(m_port) +
           u";DATABASE="_s + m_database + u";UID="_s + m_user + u";PWD="_s + m_password + u';' + attributes;
}

bool PostgresServer::addDataSource(const QString& name, const QString& attributes, bool unicode)
{
    QString lines = u"Driver="_s + (unicode ? u"PostgreSQL Unicode"_s : u"PostgreSQL ANSI"_s) +
                    u"\nServername=127.0.0.1\nPort="_s + QString::number(m_port) + u"\nDatabase="_s + m_database +
                    u"\nUserName="_s + m_user + u"\nPassword="_s + m_password + u'\n';
    for (const QString& attribute : attributes.split(u';', Qt::SkipEmptyParts))
        lines += attribute.trimmed() + u'\n';
    m_dataSources.insert(name, lines);
    return writeOdbcFiles();
}

bool PostgresServer::writeOdbcFiles()
{
    if (!m_dir)
        return false;
    const QByteArray drivers = "[PostgreSQL Unicode]\nDriver=" + QFile::encodeName(odbcDriver(true)) +
                               "\n\n[PostgreSQL ANSI]\nDriver=" + QFile::encodeName(odbcDriver(false)) + "\n";
    QByteArray sources;
    for (auto it = m_dataSources.cbegin(); it != m_dataSources.cend(); ++it)
        sources += '[' + it.key().toUtf8() + "]\n" + it.value().toUtf8() + '\n';
    if (!writeText(m_dir->filePath(u"odbcinst.ini"_s), drivers) || !writeText(m_dir->filePath(u"odbc.ini"_s), sources))
        return false;
    qputenv("ODBCSYSINI", QFile::encodeName(m_dir->path()));
    qputenv("ODBCINI", QFile::encodeName(m_dir->filePath(u"odbc.ini"_s)));
    return true;
}

QString PostgresServer::python(const QString& script, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PGHOST"_s, u"127.0.0.1"_s);
    environment.insert(u"PGPORT"_s, QString::number(m_port));
    environment.insert(u"PGUSER"_s, m_user);
    environment.insert(u"PGPASSWORD"_s, m_password);
    environment.insert(u"PGDATABASE"_s, m_database);
    environment.insert(u"PGCONNECT_TIMEOUT"_s, u"30"_s);
    process.setProcessEnvironment(environment);
    process.start(u"/usr/bin/python3"_s, QStringList{u"-c"_s, script} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        m_error = u"psycopg2: "_s + QString::fromUtf8(process.readAllStandardError()) + process.errorString();
        return {};
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return out.isNull() ? u""_s : out;
}

QJsonArray PostgresServer::rows(const QString& sql)
{
    const QString out = python(QString::fromUtf8(ReaderScript), {u"query"_s, sql});
    if (out.isNull())
        return {};
    return QJsonDocument::fromJson(out.toUtf8()).array();
}

QString PostgresServer::value(const QString& sql)
{
    const QString out = python(QString::fromUtf8(ReaderScript), {u"query"_s, sql});
    if (out.isNull())
        return {};
    const QJsonArray all = QJsonDocument::fromJson(out.toUtf8()).array();
    const QJsonValue first = all.first().toArray().first();
    if (first.isNull() || first.isUndefined())
        return u""_s;
    if (first.isDouble())
        return QString::number(first.toDouble(), 'g', 17);
    if (first.isBool())
        return first.toBool() ? u"true"_s : u"false"_s;
    return first.toString();
}

bool PostgresServer::execute(const QString& sql)
{
    return !python(QString::fromUtf8(ReaderScript), {u"query"_s, sql}).isNull();
}

bool PostgresServer::dropConnections()
{
    return !python(QString::fromUtf8(ReaderScript), {u"drop"_s, QString()}).isNull();
}
