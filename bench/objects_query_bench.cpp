// Reading a large selection end to end: 1,000,000 records of 10 fields from the stand-in
// server through KLVQuery (a selection, then GetNextRecord and GetField on every field), with
// block sizes 200 and 5,000, beside a baseline client on a plain socket that sends the same
// EXQ and GNR lines and only splits the answers at line feeds.
//
// How the time is taken: each run goes in a child process of its own with its own server, so
// that its peak memory (ru_maxrss, server included) is its own; a run's time is the wall time
// from sending EXQ to the last record read, which is what the user waits for. The server
// works in a thread of the same process, so a loaded machine slows both clients alike only
// when they run under the same load: the baseline and the library run in pairs, back to
// back, and the ratio printed is the median of the pairs' ratios (with the least and the
// greatest), beside the median times. The client's own CPU time (its thread, without the
// server's) is printed too: the work the library adds, which only hides behind the server's
// where a core is free for it. Without arguments the program runs --repeat pairs (default 3)
// per block size and prints the load of the machine before it began.
//   objects_query_bench [--rows N] [--repeat N]
//   objects_query_bench --run library|baseline --block N --rows N
#include "BenchProcess.h"
#include "KLV.h"
#include "KLVQuery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHostInfo>
#include <QTcpSocket>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

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
    double cpuSeconds = 0; // the client's thread alone
    bool ok = false;
    QString error;
};

// CPU time of the calling thread, in seconds.
double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

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
    const double cpu = threadCpuSeconds();
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
    out.cpuSeconds = threadCpuSeconds() - cpu;
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
    const double cpu = threadCpuSeconds();
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
    out.cpuSeconds = threadCpuSeconds() - cpu;
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
    // One line for the parent: records, seconds, peak kilobytes, characters, CPU seconds.
    std::printf("%lld %.6f %ld %lld %.6f\n", out.records, out.seconds, BenchProcess::peakKilobytes(), out.chars,
                out.cpuSeconds);
    return 0;
}

struct Row
{
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKb = 0;
    qint64 records = 0;
};

bool runInChild(const QString& program, const QString& kind, int block, int rows, Row& row)
{
    const QStringList parts = BenchProcess::runChild(program, kind, block, rows, 5);
    if (parts.isEmpty())
        return false;
    row = {parts[1].toDouble(), parts[4].toDouble(), parts[2].toLong(), parts[0].toLongLong()};
    return true;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return u"unknown"_s;
    return QString::fromLatin1(file.readLine()).section(u' ', 0, 2);
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
    const int repeat = std::max(1, value(u"--repeat"_s, 3));

    std::printf("%d records of %d fields from 90:1; %d pairs of runs per block size, each run in a process of its "
                "own (server included); load average before: %s\n",
                rows, FieldCount, repeat, qPrintable(loadAverage()));
    std::printf("%-10s %6s %10s %14s %12s %24s %10s\n", "client", "block", "seconds", "records/s", "client CPU s",
                "vs base (least..most)", "peak MiB");
    for (int block : {200, 5000}) {
        QList<double> seconds[2];
        QList<double> cpu[2];
        QList<double> ratios;
        long peakKb[2] = {0, 0};
        for (int r = 0; r < repeat; ++r) {
            Row pair[2];
            if (!runInChild(app.applicationFilePath(), u"baseline"_s, block, rows, pair[0]) ||
                !runInChild(app.applicationFilePath(), u"library"_s, block, rows, pair[1])) {
                std::fprintf(stderr, "a run failed\n");
                return 1;
            }
            for (int k = 0; k < 2; ++k) {
                seconds[k].append(pair[k].seconds);
                cpu[k].append(pair[k].cpuSeconds);
                peakKb[k] = std::max(peakKb[k], pair[k].peakKb);
            }
            ratios.append(pair[1].seconds / pair[0].seconds);
        }
        const char* names[2] = {"baseline", "library"};
        for (int k = 0; k < 2; ++k) {
            const double s = median(seconds[k]);
            const QString versus = k == 0 ? u"1.00x"_s
                                          : QString::asprintf("%.2fx (%.2f..%.2f)", median(ratios),
                                                              *std::min_element(ratios.begin(), ratios.end()),
                                                              *std::max_element(ratios.begin(), ratios.end()));
            std::printf("%-10s %6d %10.3f %14.0f %12.3f %24s %10.1f\n", names[k], block, s, double(rows) / s,
                        median(cpu[k]), qPrintable(versus), double(peakKb[k]) / 1024.0);
        }
    }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return 0;
}
