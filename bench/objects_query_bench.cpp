// Reading a large selection end to end: 1,000,000 records of 10 fields from the stand-in
// server through KLVQuery (a selection, then GetNextRecord and GetField on every field), with
// block sizes 200 and 5,000, beside a baseline client on a plain socket that sends the same
// EXQ and GNR lines and only splits the answers at line feeds.
//
// Each run goes in a child process of its own with its own server, so that its peak memory
// (ru_maxrss, server included) is its own. Without arguments the program runs them all and
// prints records per second, the time against the baseline and the peak memory.
//   objects_query_bench [--rows N]
//   objects_query_bench --run library|baseline --block N --rows N
#include "BenchProcess.h"
#include "KLV.h"
#include "KLVQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostInfo>
#include <QTcpSocket>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QString Table = u"90:1"_s;
const QString Fields = u"nummer,such,name,ort,datum,betrag,menge,aktiv,kategorie,kunde"_s;
constexpr int FieldCount = 10;

struct Outcome
{
    qint64 records = 0;
    qint64 chars = 0; // what was read, so nothing is optimised away
    double seconds = 0;
    bool ok = false;
    QString error;
};

Outcome runLibrary(quint16 port, int block)
{
    Outcome out;
    auto session = QSharedPointer<KLV>::create();
    if (!session->BeginSession(u"127.0.0.1"_s, port, u"100"_s, u"secret"_s)) {
        out.error = session->GetLastError();
        return out;
    }
    auto query = session->CreateQuery();
    query->setDatasetSize(block);
    QElapsedTimer timer;
    timer.start();
    if (!query->StartQuery(Table, Fields)) {
        out.error = query->GetLastError();
        return out;
    }
    while (query->GetNextRecord()) {
        for (int i = 1; i <= FieldCount; ++i)
            out.chars += query->GetField(i).size();
        ++out.records;
    }
    out.seconds = double(timer.nsecsElapsed()) / 1e9;
    out.ok = query->GetLastError().isEmpty();
    out.error = query->GetLastError();
    session->EndSession();
    return out;
}

// A blocking line client that does no more than a client must: split at line feeds, count
// the records, and find the end flag and the transaction id of each block.
class PlainClient
{
public:
    bool connect(quint16 port)
    {
        m_socket.connectToHost(u"127.0.0.1"_s, port);
        return m_socket.waitForConnected(30000);
    }

    void send(const QByteArray& line)
    {
        m_socket.write(line + "\r\n");
        m_socket.waitForBytesWritten(30000);
    }

    // The next line without its end; empty when the connection gave nothing for 30 s.
    QByteArray line()
    {
        for (;;) {
            const char* begin = m_buffer.constData() + m_pos;
            const void* lf = std::memchr(begin, '\n', size_t(m_buffer.size() - m_pos));
            if (lf) {
                const qsizetype length = static_cast<const char*>(lf) - begin;
                QByteArray out(begin, length && begin[length - 1] == '\r' ? length - 1 : length);
                m_pos += length + 1;
                return out;
            }
            if (!fill())
                return {};
        }
    }

    // Reads one block's lines: counts "D" lines, and returns the end flag of its "EOD" line.
    bool readBlock(qint64& records, QByteArray& tid, bool& end, qint64& chars)
    {
        for (;;) {
            const char* begin = m_buffer.constData() + m_pos;
            const char* stop = m_buffer.constData() + m_buffer.size();
            const void* lf = std::memchr(begin, '\n', size_t(stop - begin));
            if (!lf) {
                if (!fill())
                    return false;
                continue;
            }
            const char* eol = static_cast<const char*>(lf);
            m_pos = eol + 1 - m_buffer.constData();
            chars += eol - begin;
            if (begin[0] == 'D' && begin[1] == '|') {
                ++records;
            } else if (std::strncmp(begin, "EOD|", 4) == 0) {
                const QByteArray eod(begin, eol - begin);
                tid = eod.split('|').value(1);
                end = eod.trimmed().endsWith("|1");
                return true;
            } else if (std::strncmp(begin, "NAK|", 4) == 0) {
                return false;
            }
        }
    }

private:
    bool fill()
    {
        if (m_pos > 0) {
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        if (!m_socket.bytesAvailable() && !m_socket.waitForReadyRead(30000))
            return false;
        m_buffer += m_socket.readAll();
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
};

Outcome runBaseline(quint16 port, int block)
{
    Outcome out;
    PlainClient client;
    if (!client.connect(port)) {
        out.error = u"no connection"_s;
        return out;
    }
    client.line(); // greeting
    const QByteArray host = QHostInfo::localHostName().toUtf8();
    const QList<QByteArray> logon{"CHM|0|100",
                                  QByteArray("LGN|0|secret||3.31|" + host + "|baseline|" + host + "|127.0.0.1|admin|0"),
                                  "SET|0|CHARSET|UTF-8"};
    for (const QByteArray& line : logon) {
        client.send(line);
        if (!client.line().startsWith("ACK")) {
            out.error = u"logon refused"_s;
            return out;
        }
    }
    QElapsedTimer timer;
    timer.start();
    client.send(
        QByteArray("EXQ|0|" + Table.toUtf8() + '|' + Fields.toUtf8() + '|' + QByteArray::number(block) + "|0||||0|0"));
    QByteArray tid;
    bool end = false;
    while (client.readBlock(out.records, tid, end, out.chars)) {
        if (end) {
            out.ok = true;
            break;
        }
        client.send(QByteArray("GNR|" + tid));
    }
    out.seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!out.ok)
        out.error = u"answer broken off"_s;
    return out;
}

int runChild(const QString& kind, int block, int rows)
{
    const std::unique_ptr<KlvServer> server = BenchProcess::startServer(rows);
    if (!server)
        return 2;
    server->setRecording(false); // nobody reads what it received
    const Outcome out = kind == u"library" ? runLibrary(server->port(), block) : runBaseline(server->port(), block);
    server->stop();
    if (!out.ok || out.records != rows) {
        std::fprintf(stderr, "%s: %lld of %d records: %s\n", qPrintable(kind), out.records, rows,
                     qPrintable(out.error));
        return 1;
    }
    // One line for the parent: records, seconds, peak kilobytes.
    std::printf("%lld %.6f %ld %lld\n", out.records, out.seconds, BenchProcess::peakKilobytes(), out.chars);
    return 0;
}

struct Row
{
    QString kind;
    int block = 0;
    double seconds = 0;
    long peakKb = 0;
    qint64 records = 0;
};

bool runInChild(const QString& program, const QString& kind, int block, int rows, Row& row)
{
    const QStringList parts = BenchProcess::runChild(program, kind, block, rows, 3);
    if (parts.isEmpty())
        return false;
    row = {kind, block, parts[1].toDouble(), parts[2].toLong(), parts[0].toLongLong()};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto value = [&args](const QString& name, int fallback) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : fallback;
    };
    const int rows = value(u"--rows"_s, 1000000);
    if (const qsizetype i = args.indexOf(u"--run"_s); i >= 0 && i + 1 < args.size())
        return runChild(args[i + 1], value(u"--block"_s, 200), rows);

    std::printf("%d records of %d fields from 90:1; each run in a process of its own (server included)\n", rows,
                FieldCount);
    std::printf("%-10s %6s %10s %14s %10s %12s\n", "client", "block", "seconds", "records/s", "vs base", "peak MiB");
    for (int block : {200, 5000}) {
        Row base;
        Row lib;
        if (!runInChild(app.applicationFilePath(), u"baseline"_s, block, rows, base) ||
            !runInChild(app.applicationFilePath(), u"library"_s, block, rows, lib)) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        for (const Row& r : {base, lib}) {
            std::printf("%-10s %6d %10.3f %14.0f %9.2fx %12.1f\n", qPrintable(r.kind), r.block, r.seconds,
                        double(r.records) / r.seconds, r.seconds / base.seconds, double(r.peakKb) / 1024.0);
        }
    }
    return 0;
}
