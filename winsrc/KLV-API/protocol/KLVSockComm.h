#pragma once

// The session's one TCP connection to the KLV server: sending and receiving lines in ANSI
// (Windows-1252) or UTF-8, the protocol log, and the connection's own request queue.

#include "KLVLineReader.h"

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
    // The next complete line without waiting; false when none is complete.
    bool takeLine(QString& line);
    // The next complete line, or an empty string at once.
    QString GetOneLine();
    // The next complete line, waiting for it; an empty string when the connection ends first
    // or timeoutMs (if not negative) passes. timedOut tells the two apart.
    QString GetLine(int timeoutMs = -1, bool* timedOut = nullptr);

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

Q_SIGNALS:
    // Some bytes arrived, or the connection ended: waits and the queue look again.
    void activity();

private:
    void writeLog(const QString& entry);
    void logData(const QString& name, const QString& data);
    bool encodeLine(const QString& line, QByteArray& out);
    void onError();
    void onDisconnected();

    QTcpSocket* m_socket;
    KLVDispatch* m_dispatch;
    KLVLineReader m_reader;
    int m_errNumber = 0;
    QString m_errText;
    bool m_unicode = false;
    int m_connectTimeoutMs = DefaultConnectTimeoutMs;
    int m_sendStallTimeoutMs = DefaultConnectTimeoutMs;

    QFile m_log;
    QString m_logFileName;
    QString m_tag;
};
