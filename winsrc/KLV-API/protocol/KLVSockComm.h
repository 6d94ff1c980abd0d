#pragma once

// The session's one TCP connection to the KLV server: sending and receiving lines in ANSI
// (Windows-1252) or UTF-8, the protocol log, and the connection's own request queue.
//
// The socket keeps itself alive (TCP keep-alive, with times of its own, so that a peer that
// died without a word is noticed within about a minute, not after the system's two hours),
// sends each line at once (no delay: the protocol is question and answer), and takes lines up
// to a maximum length. The protocol log is created for the user alone, never through a
// symbolic link, and shows no password.

#include "KLVLineReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

class QTcpSocket;
class KLVDispatch;

class KLVSockComm : public QObject
{
    Q_OBJECT
public:
    // Connecting and waiting for the greeting give up after this long.
    static constexpr int DefaultConnectTimeoutMs = 30000;
    // The rest of an answer whose request was broken off is awaited this long after its last
    // line before the connection is given up.
    static constexpr int DefaultBreakDrainTimeoutMs = 30000;

    // How a dead peer is noticed: keep-alive probes after KeepAliveIdle seconds without
    // traffic, every KeepAliveInterval seconds, KeepAliveCount unanswered ones end the
    // connection; a line the peer has not acknowledged after UserTimeout seconds ends it too.
    // A living peer answers the probes however long it works on an answer. Read from the
    // library's settings ("Config") when a connection is made; 0 leaves the system's value.
    struct DeadPeerTimes
    {
        int idle = 30;
        int interval = 10;
        int count = 3;
        int userTimeout = 60;
    };
    static DeadPeerTimes deadPeerTimesFromSettings();

    explicit KLVSockComm(QObject* parent = nullptr);
    ~KLVSockComm() override;

    bool Connect(const QString& host, int port);
    void Disconnect();

    QString LocalHostName() const;
    QString LocalIPAddr() const;

    bool SocketIsOpen() const;
    bool SocketIsConnected() const;
    bool SocketIsConnecting() const;
    bool SocketIsClosing() const;
    bool SocketIsClosed() const;
    bool SocketError() const;
    bool SocketHasData() const;
    QString getErrText() const { return m_errText; }
    void setErrText(const QString& text) { m_errText = text; }
    // The library's error code for the last failure (4, 5, 18), 0 when there is none.
    int errorCode() const { return m_errCode; }

    // Takes effect for the next send and the next line taken.
    void setUnicode(bool on);
    bool Unicode() const { return m_unicode; }

    // Sends one line (the line end is added) and waits until it is written. logLine is what
    // the log and the trace show instead (the logon line with its password masked).
    bool SendLine(const QString& line, const QString& logLine = QString());
    // Writes a line without entering an event loop: for a session that is going away.
    void SendLineNoWait(const QString& line);

    void ReceivePendingData();
    bool Receive();
    // True when bytes arrived that no line was taken from yet: in the reader, in the socket,
    // or already in the system's buffer of the socket. With reuseRecentLook, a look into the
    // system's buffer that found it empty less than QuietRecheckNs ago, with nothing read
    // since, stands (the end of an answer and the next command, microseconds apart, both ask).
    bool hasUnreadData(bool reuseRecentLook = false);
    // True when the system holds bytes for the socket that were not read from it yet.
    bool systemHoldsData(bool reuseRecentLook = false);
    static constexpr qint64 QuietRecheckNs = 100000;
    // True while a caller waits for a line outside the request queue (the greeting).
    bool readingDirectly() const { return m_directReaders > 0; }
    // Bytes read from the socket since the connection was made.
    qint64 bytesReceived() const { return m_bytesReceived; }
    // The next complete line without waiting; false when none is complete.
    bool takeLine(QString& line);
    // The same as the line's bytes, valid until the connection is next used; see
    // KLVLineReader::takeLineView for source.
    bool takeLineView(QByteArrayView& line, const QByteArray** source = nullptr);
    // The next complete line, or an empty string at once.
    QString GetOneLine();
    // The next complete line, waiting for it; an empty string when the connection ends first
    // or timeoutMs (if not negative) passes. timedOut tells the two apart.
    QString GetLine(int timeoutMs = -1, bool* timedOut = nullptr);

    // Closes at once, without a word to the server: for a connection that cannot be trusted.
    // The requests waiting on it are the queue's to fail.
    void abortConnection();

    void SetTag(const QString& tag) { m_tag = tag; }
    QString GetTag() const { return m_tag; }
    QString GetLogFile() const { return m_logFileName; }
    void SetLogFile(const QString& name);

    KLVDispatch* dispatcher() const { return m_dispatch; }
    KLVLineReader& lineReader() { return m_reader; }

    int connectTimeout() const { return m_connectTimeoutMs; }
    void setConnectTimeout(int ms) { m_connectTimeoutMs = ms; }
    // How long a send may make no progress before the connection is given up.
    int sendStallTimeout() const { return m_sendStallTimeoutMs; }
    void setSendStallTimeout(int ms) { m_sendStallTimeoutMs = ms; }
    // How long a request may wait for the next line of its answer; 0 waits as long as it takes.
    int requestTimeout() const { return m_requestTimeoutMs; }
    void setRequestTimeout(int ms) { m_requestTimeoutMs = ms > 0 ? ms : 0; }
    int breakDrainTimeout() const { return m_breakDrainTimeoutMs; }
    void setBreakDrainTimeout(int ms) { m_breakDrainTimeoutMs = ms > 0 ? ms : DefaultBreakDrainTimeoutMs; }
    // The longest line taken, in bytes; a longer one gives the connection up.
    qsizetype maxLineLength() const { return m_reader.maxLineLength(); }
    void setMaxLineLength(qsizetype bytes) { m_reader.setMaxLineLength(bytes); }
    // Time-outs run from the last line received.
    void noteLine() { m_lastLine.restart(); }
    qint64 msSinceLastLine() const { return m_lastLine.isValid() ? m_lastLine.elapsed() : 0; }

Q_SIGNALS:
    // Some bytes arrived, or the connection ended: waits and the queue look again.
    void activity();

private:
    void writeLog(const QString& entry);
    void logData(const QString& name, const QString& data);
    void logReceived(const QByteArray& chunk, bool flush);
    void closeSocket();
    bool encodeLine(const QString& line, QByteArray& out);
    void onError();
    void onDisconnected();
    void applyDeadPeerTimes();

    QTcpSocket* m_socket;
    KLVDispatch* m_dispatch;
    KLVLineReader m_reader;
    int m_errNumber = 0;
    QString m_errText;
    int m_errCode = 0;
    bool m_unicode = false;
    int m_connectTimeoutMs = DefaultConnectTimeoutMs;
    int m_sendStallTimeoutMs = DefaultConnectTimeoutMs;
    int m_requestTimeoutMs = 0;
    int m_breakDrainTimeoutMs = DefaultBreakDrainTimeoutMs;
    QElapsedTimer m_lastLine;
    int m_directReaders = 0;
    qint64 m_bytesReceived = 0;
    // When the system's buffer of the socket was last found empty, and m_bytesReceived then.
    QElapsedTimer m_quietSince;
    qint64 m_quietBytes = -1;

    QFile m_log;
    // Received bytes after the last line feed: the log shows whole lines, so that a password
    // is never cut in two where it cannot be recognised.
    QByteArray m_logCarry;
    QString m_logFileName;
    QString m_tag;
};
