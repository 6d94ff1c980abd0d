#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

// A plain blocking client of the line protocol for tests that look at the wire itself:
// sends lines in ANSI or UTF-8 and reads answer lines with a time limit. Runs in the
// calling thread without an event loop.
class KlvLineClient
{
public:
    bool connectTo(quint16 port, int timeoutMs = 5000);
    void setUtf8(bool on) { m_utf8 = on; }

    void sendLine(const QString& line);
    void sendRaw(const QByteArray& bytes);

    // The next line without its line end, as bytes; a null array when none came in time or
    // the server closed.
    QByteArray readRawLine(int timeoutMs = 5000);
    // The same, decoded in the client's character set.
    QString readLine(int timeoutMs = 5000);
    // Lines up to and including the one that ends an answer ("ACK", "NAK", "EOD" or "END");
    // stops early on a time-out or a close.
    QStringList readAnswer(int timeoutMs = 5000);
    // True when the server closed the connection within the time.
    bool waitForClosed(int timeoutMs = 5000);
    // Sends a line and reads its answer.
    QStringList request(const QString& line, int timeoutMs = 5000);
    // Greeting, "CHM" and "LGN" for a known user; true when the logon was acknowledged. Each
    // line of the server's may take timeoutMs.
    bool logOn(const QString& mandant = QStringLiteral("100"), const QString& user = QStringLiteral("admin"),
               const QString& password = QStringLiteral("secret"), int timeoutMs = 5000);

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
    bool m_utf8 = false;
};
