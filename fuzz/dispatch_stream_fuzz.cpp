// Drives a connection's request queue and transport over a real socket on 127.0.0.1: a
// queue of requests, each answered by a peer in this process with bytes cut into reads at
// chosen points, some with a fault in them: a late copy of an earlier answer in front of the
// answer, a copy's first bytes or any bytes behind its end, a line of another transaction, a
// misplaced continuation or garbage inside, bytes while no command is out, lines longer than
// the limit. After every step the invariant is checked: a request succeeds only with exactly
// its own answer, fails where its answer was faulty, and the connection is either in step
// (every byte sent was taken, nothing is left over) or closed. A closed connection is made
// anew for the next request.
//
// The input: one byte for the line-length limit, then steps. A step's first byte picks a
// request (its low two bits not 3; bit 2 sends a single command ahead, its answer left in the
// connection while the peer sends it and claimed afterwards) or bytes sent while idle (3: a
// length and the bytes). A
// request reads: flags (bit 0 request id "5"; bit 1 answer id "5" for a request with "0";
// bits 2-3 the answer: records, ACK, NAK; bit 4 a batch of two; bits 5-7 the fault), the
// number of records (bits 0-2; bit 3 a status line; bit 4 records continued by DC lines), one
// length byte per record, the number of cuts and their places, and a fault parameter.
//
// A fault is placed where nothing else could tell it from an answer: what stands in front of
// an answer is a whole earlier answer, and whatever stands in front of or behind an answer's
// end comes in one read with it (a late answer that arrives alone, after the next command
// went out, looks like that command's answer to anyone).
#include "AnsiCodec.h"
#include "KLVCmdParser.h"
#include "KLVDispatch.h"
#include "KLVError.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Input
{
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    QByteArray bytes(int n)
    {
        const size_t take = std::min(size_t(n), m_size - std::min(m_pos, m_size));
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(take));
        m_pos += take;
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

enum class Fault {
    None,
    CopyInFront,
    CopyBehind,
    BytesBehind,
    ForeignInside,
    ContinuationInside,
    GarbageInside,
    IdleAfter
};

// One answer as the peer sends it, with what the request must end with.
struct Answer
{
    QByteArray bytes;          // the stream: fault and answer, in order
    QByteArray own;            // the answer alone, for copies in later answers
    QList<qsizetype> joined;   // places no read may end at
    QList<QByteArray> records; // the records' texts (D and its DC lines joined)
    bool negative = false;     // a NAK (or a batch with one)
    int nakNumber = 0;
    bool tooLong = false; // a line of it is longer than the limit
    Fault fault = Fault::None;
};

// Record texts: bytes that need escaping, a field separator, ANSI letters; no line end.
QByteArray recordText(int length, uint32_t seed)
{
    static const char alphabet[] = "ab|\\xyz09 \xe4\xc4-";
    QByteArray text(length, 'a');
    for (int i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        text[i] = alphabet[(seed >> 16) % (sizeof alphabet - 1)];
    }
    // An escape cut off at the end would swallow the separator of the next line's fields.
    if (text.endsWith('\\'))
        text.back() = 'e';
    return text;
}

class Harness : public QObject
{
public:
    Harness()
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            broken("no local server");
    }

    void run(Input& in)
    {
        m_limit = 24 + 8 * int(in.byte());
        QByteArray previous; // the last answer sent, for copies
        while (!in.atEnd()) {
            const uint8_t op = in.byte();
            if ((op & 3) == 3) {
                idleBytes(in.bytes(1 + in.byte() % 16));
                continue;
            }
            request(in, previous, (op & 4) != 0);
        }
        m_connection.reset();
        m_peer.reset();
    }

private:
    void connectAnew()
    {
        m_peer.reset();
        if (!m_connection) {
            m_connection = std::make_unique<KLVSockComm>();
            m_connection->setBreakDrainTimeout(1000);
        }
        m_connection->setMaxLineLength(m_limit);
        if (!m_connection->Connect(u"127.0.0.1"_s, m_server.serverPort()))
            broken("no connection");
        if (!m_server.hasPendingConnections() && !m_server.waitForNewConnection(5000))
            broken("no peer");
        m_peer.reset(m_server.nextPendingConnection());
        m_peer->setParent(nullptr);
        m_peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(m_peer.get(), &QTcpSocket::readyRead, this, [this] { onCommand(); });
        m_written = 0;
        m_commandBytes.clear();
    }

    Answer makeAnswer(Input& in, uint8_t flags, const QByteArray& tid, const QByteArray& previous)
    {
        Answer a;
        const int kind = (flags >> 2) & 3;
        const bool batch = flags & 0x10;
        a.fault = Fault((flags >> 5) & 7);
        const uint8_t shape = in.byte();
        const int count = shape & 7;
        QByteArray own;
        const auto line = [&](const QByteArray& text) {
            if (text.size() > m_limit)
                a.tooLong = true;
            own += text + "\r\n";
        };
        if (batch) {
            // Two answers, one per command, each an ACK or a NAK.
            for (int i = 0; i < 2; ++i) {
                if ((kind >> i) & 1) {
                    line("NAK|" + tid + "|abgelehnt|" + QByteArray::number(40 + i) + '|');
                    a.negative = true;
                } else {
                    line("ACK|" + tid);
                }
            }
            if (a.fault == Fault::CopyInFront)
                a.fault = Fault::None; // one copied answer does not end a batch of two
        } else if (kind == 1) {
            line("ACK|" + tid);
        } else if (kind == 2) {
            a.negative = true;
            a.nakNumber = 1000 + shape;
            line("NAK|" + tid + "|abgelehnt|" + QByteArray::number(a.nakNumber) + "|ctx");
        } else {
            line("BOD|" + tid + "|X|" + QByteArray::number(count));
            if (shape & 8)
                line("S|" + tid + "|Info|STAT|1");
            for (int r = 0; r < count; ++r) {
                const QByteArray text = recordText(4 * int(in.byte()), uint32_t(r * 7919 + shape));
                a.records.append(text);
                if ((shape & 16) && text.size() > 1) {
                    const qsizetype half = text.size() / 2;
                    line("D|" + tid + '|' + text.left(half));
                    line("DC|" + tid + '|' + text.mid(half));
                } else {
                    line("D|" + tid + '|' + text);
                }
            }
            line("EOD|" + tid + "|X|" + QByteArray::number(count) + "|T");
        }
        a.own = own;
        const uint8_t param = in.byte();
        const int lines = int(own.count('\n'));
        const auto atLine = [&own](int n) {
            qsizetype pos = 0;
            for (int i = 0; i < n; ++i)
                pos = own.indexOf('\n', pos) + 1;
            return pos;
        };
        switch (a.fault) {
        case Fault::None:
        case Fault::IdleAfter:
            a.bytes = own;
            break;
        case Fault::CopyInFront:
            if (previous.isEmpty()) {
                a.fault = Fault::None;
                a.bytes = own;
            } else {
                // The copy's first end line (a batch's copy has more) comes with what follows.
                a.bytes = previous + own;
                for (qsizetype lf = previous.indexOf('\n'); lf >= 0; lf = previous.indexOf('\n', lf + 1))
                    a.joined.append(lf + 1);
            }
            break;
        case Fault::CopyBehind: {
            const QByteArray copy = previous.isEmpty() ? own : previous;
            a.bytes = own + copy.left(1 + param % copy.size());
            a.joined = {own.size()};
            break;
        }
        case Fault::BytesBehind:
            a.bytes = own + in.bytes(1 + param % 16);
            if (a.bytes.size() == own.size())
                a.bytes += 'x';
            a.joined = {own.size()};
            break;
        case Fault::ForeignInside: {
            const qsizetype pos = atLine(param % lines);
            a.bytes = own.left(pos) + "D|9|fremd\r\n" + own.mid(pos);
            break;
        }
        case Fault::ContinuationInside: {
            // Before any record, or right behind the answer's first line (a BOD, an ACK).
            const qsizetype pos = (param & 1) ? atLine(1) : 0;
            a.bytes = own.left(pos) + "DC|" + tid + "|XX\r\n" + own.mid(pos);
            // Behind the answer's end, it comes with it.
            if (pos == own.size())
                a.joined = {pos};
            break;
        }
        case Fault::GarbageInside: {
            const qsizetype pos = atLine(param % lines);
            a.bytes = own.left(pos) + "%%garbage\r\n" + own.mid(pos);
            break;
        }
        }
        return a;
    }

    QList<QByteArray> cut(Input& in, const Answer& a)
    {
        QList<qsizetype> at;
        const int cuts = in.byte() % 8;
        for (int i = 0; i < cuts; ++i)
            at.append(qsizetype(in.byte()) * a.bytes.size() / 256);
        std::sort(at.begin(), at.end());
        QList<QByteArray> pieces;
        qsizetype from = 0;
        for (qsizetype pos : std::as_const(at)) {
            if (pos <= from || pos >= a.bytes.size() || a.joined.contains(pos))
                continue;
            pieces.append(a.bytes.mid(from, pos - from));
            from = pos;
        }
        pieces.append(a.bytes.mid(from));
        return pieces;
    }

    void request(Input& in, QByteArray& previous, bool ahead)
    {
        const uint8_t flags = in.byte();
        const QByteArray tid = (flags & 1) ? "5" : "0";
        const QByteArray answerTid = (flags & 1) || (flags & 2) ? "5" : "0";
        const bool batch = flags & 0x10;
        const Answer a = makeAnswer(in, flags, answerTid, previous);
        m_pieces = cut(in, a);
        m_next = 0;
        m_linesAwaited = batch ? 2 : 1;
        m_started = false;
        m_serving = true;

        if (!m_connection || !m_connection->SocketIsConnected())
            connectAnew();
        KLVResultSet rs;
        rs.SetConnection(m_connection.get());
        bool ok;
        if (batch) {
            rs.SendCommandLineBatch(u"SFV|"_s + QString::fromLatin1(tid) + u"|0|a|1|0"_s, true);
            rs.SendCommandLineBatch(u"SFV|"_s + QString::fromLatin1(tid) + u"|0|b|2|0"_s, false);
            ok = rs.FinishBatchCommands(QString::fromLatin1(tid));
        } else {
            ok = ahead ? sendAheadAndClaim(rs, tid)
                       : rs.ProcessCommand(QString::fromLatin1(tid), u"SHO|"_s + QString::fromLatin1(tid) + u"|X|0"_s,
                                           QString(), true);
        }
        m_started = true;
        m_serving = false; // no more pieces go out for this request
        previous = a.own;

        const bool faulty = a.fault != Fault::None && a.fault != Fault::IdleAfter;
        if (ok) {
            if (faulty)
                broken("a faulty answer ended as a success");
            if (a.negative || a.tooLong)
                broken("a negative or too long answer ended as a success");
            if (m_next != m_pieces.size())
                broken("a success before its answer's end");
            if (rs.GetRecordCount() != a.records.size())
                broken("a success with records of another answer");
            for (int r = 0; r < a.records.size(); ++r) {
                QStringList fields;
                KLVCmdParser::GetFieldsArray(AnsiCodec::decode(a.records[r]), fields, true,
                                             KLVResultSet::MaxRecordFields);
                if (!rs.SetCurrRecord(r + 1, true) || rs.GetFields() != fields)
                    broken("a success with a record not its own");
            }
        } else {
            if (!faulty && !a.negative && !a.tooLong)
                broken("a sound answer failed");
            if (!faulty && !a.tooLong && !batch && rs.GetCurrentError()->Number() != a.nakNumber)
                broken("a negative answer failed with another error");
            if (!faulty && !a.tooLong && batch && rs.GetCurrentError()->ApiErrorCode() != 27)
                broken("a negative batch failed with another error");
            if ((faulty || a.tooLong) && rs.GetRecordCount() != 0)
                broken("a failed answer handed out records");
        }
        if ((faulty || a.tooLong) && m_connection->SocketIsConnected())
            broken("a faulty answer left the connection open");
        expectInStepOrClosed();
        if (a.fault == Fault::IdleAfter && m_connection->SocketIsConnected())
            idleBytes(in.bytes(1 + in.byte() % 8));
    }

    // The command goes out at once and its answer comes while nobody claims it; then it is
    // claimed, as a query's next block is.
    bool sendAheadAndClaim(KLVResultSet& rs, const QByteArray& tid)
    {
        if (!rs.sendAhead(QString::fromLatin1(tid), u"SHO|"_s + QString::fromLatin1(tid) + u"|X|0"_s))
            broken("a command could not be sent ahead");
        QElapsedTimer clock;
        clock.start();
        while (m_next < m_pieces.size() && m_connection->SocketIsConnected() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (rs.aheadEnded() && m_connection->SocketIsConnected() && m_connection->dispatcher()->queueLength() == 0 &&
            rs.GetCurrentError()->Message().isEmpty())
            broken("an answer sent ahead ended before it was claimed, with nothing else waiting");
        return rs.claimAhead();
    }

    // Bytes while no command is out: the queue gives the connection up.
    void idleBytes(const QByteArray& bytes)
    {
        if (bytes.isEmpty() || !m_connection || !m_connection->SocketIsConnected() || !m_peer)
            return;
        m_peer->write(bytes);
        m_peer->flush();
        m_written += bytes.size();
        QElapsedTimer clock;
        clock.start();
        while (m_connection->SocketIsConnected() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (m_connection->SocketIsConnected())
            broken("data while no command is out left the connection open");
        expectInStepOrClosed();
    }

    void expectInStepOrClosed()
    {
        if (!m_connection->SocketIsConnected())
            return;
        if (m_connection->lineReader().pendingBytes() != 0 || m_connection->lineReader().overflowed())
            broken("an open connection holds bytes of no answer");
        if (m_connection->dispatcher()->draining() || m_connection->dispatcher()->queueLength() != 0)
            broken("an open connection still serves a request");
        if (m_connection->bytesReceived() != m_written || m_next != m_pieces.size())
            broken("an open connection left bytes unread");
    }

    void onCommand()
    {
        m_commandBytes += m_peer->readAll();
        if (m_started || m_commandBytes.count('\n') < m_linesAwaited)
            return;
        m_commandBytes.clear();
        m_started = true;
        pump();
    }

    // One piece per read: the next goes out once the last was read and served.
    void pump()
    {
        if (!m_serving || !m_peer || m_next >= m_pieces.size() || !m_connection || !m_connection->SocketIsConnected())
            return;
        if (m_connection->bytesReceived() < m_written || m_connection->dispatcher()->timerActive()) {
            QTimer::singleShot(0, this, [this] { pump(); });
            return;
        }
        const QByteArray& piece = m_pieces[m_next++];
        m_peer->write(piece);
        m_peer->flush();
        m_written += piece.size();
        QTimer::singleShot(0, this, [this] { pump(); });
    }

    QTcpServer m_server;
    std::unique_ptr<KLVSockComm> m_connection;
    std::unique_ptr<QTcpSocket> m_peer;
    QByteArray m_commandBytes;
    QList<QByteArray> m_pieces;
    qsizetype m_next = 0;
    qint64 m_written = 0;
    int m_linesAwaited = 1;
    bool m_started = true;
    bool m_serving = false;
    int m_limit = 64;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The library's settings are read from a folder of the fuzzer's own.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Harness harness;
    Input in(data, size);
    harness.run(in);
    return 0;
}
