#include "KlvLineClient.h"

#include "KlvAnsiCodec.h"

#include <QDeadlineTimer>
#include <QHostAddress>

using namespace Qt::StringLiterals;

bool KlvLineClient::connectTo(quint16 port, int timeoutMs)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return m_socket.waitForConnected(timeoutMs);
}

void KlvLineClient::sendLine(const QString& line)
{
    sendRaw((m_utf8 ? line.toUtf8() : KlvAnsiCodec::encode(line)) + "\r\n");
}

void KlvLineClient::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.waitForBytesWritten(5000);
}

QByteArray KlvLineClient::readRawLine(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype lf = m_buffer.indexOf('\n');
        if (lf >= 0) {
            QByteArray line = m_buffer.left(lf);
            m_buffer.remove(0, lf + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return line.isEmpty() ? QByteArray("", 0) : line; // empty, but not "no line"
        }
        if (m_socket.bytesAvailable() > 0) {
            m_buffer += m_socket.readAll();
            continue;
        }
        if (m_socket.state() != QAbstractSocket::ConnectedState || deadline.hasExpired())
            return {};
        if (m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            m_buffer += m_socket.readAll();
    }
}

QString KlvLineClient::readLine(int timeoutMs)
{
    const QByteArray raw = readRawLine(timeoutMs);
    if (raw.isNull())
        return {};
    const QString line = m_utf8 ? QString::fromUtf8(raw) : KlvAnsiCodec::decode(raw);
    return line.isNull() ? u""_s : line;
}

QStringList KlvLineClient::readAnswer(int timeoutMs)
{
    QStringList lines;
    for (;;) {
        const QString line = readLine(timeoutMs);
        if (line.isNull())
            return lines;
        lines.append(line);
        const QString code = line.section(u'|', 0, 0);
        if (code == u"ACK" || code == u"NAK" || code == u"EOD" || code == u"END")
            return lines;
    }
}

bool KlvLineClient::waitForClosed(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        if (m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            m_buffer += m_socket.readAll();
    }
    return m_socket.state() != QAbstractSocket::ConnectedState;
}

QStringList KlvLineClient::request(const QString& line, int timeoutMs)
{
    sendLine(line);
    return readAnswer(timeoutMs);
}

bool KlvLineClient::logOn(const QString& mandant, const QString& user, const QString& password, int timeoutMs)
{
    if (!readLine(timeoutMs).startsWith(u"S|"))
        return false;
    if (request(u"CHM|0|"_s + mandant, timeoutMs) != QStringList{u"ACK|0"_s})
        return false;
    return request(u"LGN|0|%1||3.31|testhost|test|testhost:1|127.0.0.1|%2|0"_s.arg(password, user), timeoutMs) ==
           QStringList{u"ACK|0"_s};
}
