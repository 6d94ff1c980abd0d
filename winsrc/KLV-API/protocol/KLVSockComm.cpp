#include "KLVSockComm.h"
#include "AnsiCodec.h"
#include "Common.h"
#include "KLVDispatch.h"
#include "KLVWait.h"

#include <QHostInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString boolText(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

QSettings librarySettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, u"KLV-API"_s);
}

int settingsSeconds(const QSettings& settings, const QString& key, int fallback)
{
    bool ok = false;
    const int value = settings.value(u"Config/"_s + key).toString().trimmed().toInt(&ok);
    // The system takes no more than this many seconds in any of these times.
    return ok && value >= 0 ? std::min(value, 32767) : fallback;
}

} // namespace

KLVSockComm::KLVSockComm(QObject* parent)
    : QObject(parent), m_socket(new QTcpSocket(this)), m_dispatch(new KLVDispatch(this))
{
    // "1" selects the single receive buffer; anything else the chunk queue.
    const QSettings settings = librarySettings();
    m_reader.setChunkQueue(settings.value(u"Config/UseRecvBufStr"_s, u"0"_s).toString() != u"1"_s);

    connect(m_socket, &QTcpSocket::connected, this, [] { Common::WriteTrace(u"Socket_Connect"_s); });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        Common::WriteTrace(u"Socket_DataArrival: "_s + QString::number(m_socket->bytesAvailable()));
        ReceivePendingData();
    });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket->bytesToWrite() == 0)
            Common::WriteTrace(u"Socket_SendComplete"_s);
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { onError(); });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] { onDisconnected(); });
}

KLVSockComm::~KLVSockComm()
{
    // The queue fails whatever still waits on this connection before it goes.
    delete m_dispatch;
    m_dispatch = nullptr;
    m_socket->disconnect(this);
    m_socket->abort();
    if (m_log.isOpen())
        m_log.close();
}

void KLVSockComm::onError()
{
    // The peer closing is not an error here: the close handler deals with it.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    m_errNumber = int(m_socket->error()) + 1;
    m_errText = m_socket->errorString();
    m_errCode = m_socket->state() == QAbstractSocket::ConnectedState ? 5 : 4;
    Common::WriteTrace(u"Socket_Error: "_s + QString::number(m_errNumber) + u' ' + m_errText);
    Q_EMIT activity();
}

void KLVSockComm::onDisconnected()
{
    Common::WriteTrace(u"Socket_Close"_s);
    // Keep whatever arrived before the close: the lines still count.
    ReceivePendingData();
    m_socket->close();
    m_errText.clear();
    Q_EMIT activity();
}

bool KLVSockComm::Connect(const QString& host, int port)
{
    Common::AssertLibraryThread(this);
    Common::WriteTrace(u">>>SocketConnect"_s);
    m_errNumber = 0;
    m_errText.clear();
    m_errCode = 0;
    m_reader.clear();
    m_logCarry.clear();
    m_bytesReceived = 0;
    m_quietSince.invalidate();
    writeLog(u"Connect: Host="_s + host + u" Port="_s + QString::number(port));

    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    m_socket->connectToHost(host, quint16(port));

    Common::WriteTrace(u">>>WaitForConnection"_s);
    KLVWait wait;
    wait.wakeOn(m_socket, &QTcpSocket::connected);
    wait.wakeOn(m_socket, &QTcpSocket::stateChanged);
    wait.wakeOn(this, &KLVSockComm::activity);
    const bool settled = wait.until(
        [this] {
            return m_socket->state() == QAbstractSocket::ConnectedState || m_errNumber != 0 ||
                   m_socket->state() == QAbstractSocket::UnconnectedState;
        },
        m_connectTimeoutMs);

    bool ok = m_socket->state() == QAbstractSocket::ConnectedState;
    if (ok) {
        // A dead peer is noticed without a request, and each line leaves at once.
        m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        applyDeadPeerTimes();
    } else {
        if (!settled) {
            m_errText = Common::GetErrorText(4);
            m_errCode = 4;
        } else if (m_errNumber == 0) {
            m_errText = Common::GetErrorText(5);
            m_errCode = 5;
        } else {
            m_errCode = 4;
        }
        m_socket->abort();
    }
    Common::WriteTrace(u"<<<WaitForConnection"_s);
    Common::WriteTrace(u"<<<SocketConnect "_s + boolText(ok));
    return ok;
}

KLVSockComm::DeadPeerTimes KLVSockComm::deadPeerTimesFromSettings()
{
    const QSettings settings = librarySettings();
    const DeadPeerTimes defaults;
    DeadPeerTimes times;
    times.idle = settingsSeconds(settings, u"KeepAliveIdle"_s, defaults.idle);
    times.interval = settingsSeconds(settings, u"KeepAliveInterval"_s, defaults.interval);
    times.count = settingsSeconds(settings, u"KeepAliveCount"_s, defaults.count);
    times.userTimeout = settingsSeconds(settings, u"UserTimeout"_s, defaults.userTimeout);
    return times;
}

void KLVSockComm::applyDeadPeerTimes()
{
    const int fd = int(m_socket->socketDescriptor());
    if (fd < 0)
        return;
    const DeadPeerTimes times = deadPeerTimesFromSettings();
    const auto set = [fd](int option, int value, const char* name) {
        if (value > 0 && ::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value) != 0)
            Common::WriteTrace(u"Socket option not set: "_s + QLatin1StringView(name) + u' ' +
                               QString::fromLocal8Bit(std::strerror(errno)));
    };
    set(TCP_KEEPIDLE, times.idle, "TCP_KEEPIDLE");
    set(TCP_KEEPINTVL, times.interval, "TCP_KEEPINTVL");
    set(TCP_KEEPCNT, times.count, "TCP_KEEPCNT");
    // Milliseconds here: how long a line sent may stay unacknowledged.
    set(TCP_USER_TIMEOUT, times.userTimeout * 1000, "TCP_USER_TIMEOUT");
}

void KLVSockComm::closeSocket()
{
    m_quietSince.invalidate();
    m_reader.clear();
    m_logCarry.clear();
    m_unicode = false;
    m_reader.setUnicode(false);
    // Our own close must not be mistaken for the peer's.
    QSignalBlocker block(m_socket);
    m_socket->close();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

void KLVSockComm::Disconnect()
{
    Common::WriteTrace(u">>>Disconnect"_s);
    writeLog(u"Disconnect"_s);
    m_errNumber = 0;
    m_errText.clear();
    m_errCode = 0;
    closeSocket();
    // Nothing that waits on this connection can be answered any more.
    m_dispatch->failAll(true);
    Q_EMIT activity();
    Common::WriteTrace(u"<<<Disconnect"_s);
}

void KLVSockComm::abortConnection()
{
    writeLog(u"Disconnect"_s);
    closeSocket();
}

QString KLVSockComm::LocalHostName() const
{
    return QHostInfo::localHostName();
}

QString KLVSockComm::LocalIPAddr() const
{
    return m_socket->localAddress().toString();
}

bool KLVSockComm::SocketIsOpen() const
{
    const auto state = m_socket->state();
    return state != QAbstractSocket::UnconnectedState && state != QAbstractSocket::ClosingState;
}

bool KLVSockComm::SocketIsConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool KLVSockComm::SocketIsConnecting() const
{
    const auto state = m_socket->state();
    return state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState;
}

bool KLVSockComm::SocketIsClosing() const
{
    return m_socket->state() == QAbstractSocket::ClosingState;
}

bool KLVSockComm::SocketIsClosed() const
{
    return m_socket->state() == QAbstractSocket::UnconnectedState;
}

bool KLVSockComm::SocketError() const
{
    return m_errNumber != 0;
}

bool KLVSockComm::SocketHasData() const
{
    return m_socket->bytesAvailable() > 0;
}

void KLVSockComm::setUnicode(bool on)
{
    m_unicode = on;
    m_reader.setUnicode(on);
}

bool KLVSockComm::encodeLine(const QString& line, QByteArray& out)
{
    if (m_unicode) {
        out = line.toUtf8();
        return true;
    }
    qsizetype bad = -1;
    if (AnsiCodec::encode(line, out, &bad))
        return true;
    m_errText = Common::GetErrorText(18) + u" (U+"_s +
                QStringLiteral("%1").arg(line.at(bad).unicode(), 4, 16, QChar(u'0')).toUpper() +
                u" is not in the ANSI character set)"_s;
    return false;
}

bool KLVSockComm::SendLine(const QString& line, const QString& logLine)
{
    Common::AssertLibraryThread(this);
    Common::WriteTrace(u">>>SocketSend"_s);
    m_errNumber = 0;
    m_errText.clear();
    m_errCode = 0;
    const QString& shown = logLine.isEmpty() ? line : logLine;

    if (!SocketIsOpen()) {
        m_socket->abort();
        m_errText = Common::GetErrorText(5);
        m_errCode = 5;
        Common::WriteTrace(u"<<<SocketSend False"_s);
        return false;
    }
    logData(u"Send"_s, shown);
    Common::WriteTrace(u"Send: "_s + shown);

    QByteArray bytes;
    if (!encodeLine(line, bytes)) {
        m_errCode = 18;
        Common::WriteTrace(u"<<<SocketSend False"_s);
        return false;
    }
    bytes.append("\r\n", 2);
    // The usual case: nothing else waits to go out and the system takes the whole line at
    // once, with no wait and no turn of the event loop. Whatever it does not take (a full
    // buffer, an error) goes the socket's own way below, which waits for it or reports why.
    qint64 direct = 0;
    if (m_socket->bytesToWrite() == 0 && SocketIsConnected()) {
        const int fd = int(m_socket->socketDescriptor());
        const ssize_t n =
            fd >= 0 ? ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT) : -1;
        direct = n > 0 ? qint64(n) : 0;
        if (direct == bytes.size()) {
            Common::WriteTrace(u"Socket_SendComplete"_s);
            Common::WriteTrace(u"<<<SocketSend True"_s);
            return true;
        }
    }
    // A socket that drops empties its buffer too: only the bytes it reports as written count.
    qint64 written = direct;
    QObject counter;
    connect(m_socket, &QTcpSocket::bytesWritten, &counter, [&written](qint64 n) { written += n; });
    m_socket->write(bytes.constData() + direct, bytes.size() - direct);
    m_socket->flush();

    KLVWait wait;
    wait.wakeOn(m_socket, &QTcpSocket::bytesWritten);
    wait.wakeOn(this, &KLVSockComm::activity);
    wait.wakeOn(m_socket, &QTcpSocket::stateChanged);
    const auto sent = [this] { return m_socket->bytesToWrite() == 0 || m_errNumber != 0 || !SocketIsConnected(); };
    // A peer that stops reading would hold the send for ever. As long as the line moves the
    // wait goes on; when nothing of it moved for the stall limit, the connection is given up,
    // since a line cut in two leaves nothing sound to talk over.
    for (qint64 pending = m_socket->bytesToWrite(); !wait.until(sent, m_sendStallTimeoutMs);) {
        const qint64 now = m_socket->bytesToWrite();
        if (now >= pending) {
            Common::WriteTrace(u"SocketSend: no progress, connection given up"_s);
            m_socket->abort();
            break;
        }
        pending = now;
    }

    const bool ok = written >= bytes.size() && m_errNumber == 0;
    if (!ok) {
        m_errText = Common::GetErrorText(18);
        m_errCode = 18;
    }
    Common::WriteTrace(u"<<<SocketSend "_s + boolText(ok));
    return ok;
}

void KLVSockComm::SendLineNoWait(const QString& line)
{
    if (!SocketIsConnected())
        return;
    logData(u"Send"_s, line);
    QByteArray bytes;
    if (!encodeLine(line, bytes))
        return;
    bytes.append("\r\n", 2);
    m_socket->write(bytes);
    m_socket->flush();
    if (m_socket->bytesToWrite() > 0)
        m_socket->waitForBytesWritten(1000);
}

void KLVSockComm::ReceivePendingData()
{
    if (m_socket->bytesAvailable() <= 0)
        return;
    Common::WriteTrace(u">>>SocketReceivePendingData"_s);
    // What the socket holds in one piece is handed over as it is; readAll would copy it into
    // a buffer grown chunk by chunk, which costs more than the rest of the read.
    const QByteArray chunk = m_socket->read(m_socket->bytesAvailable());
    m_bytesReceived += chunk.size();
    if (m_log.isOpen())
        logReceived(chunk, false);
    m_reader.append(chunk);
    Common::WriteTrace(u"<<<SocketReceivePendingData: "_s + QString::number(chunk.size()));
    Q_EMIT activity();
}

void KLVSockComm::logReceived(const QByteArray& chunk, bool flush)
{
    // Whole lines only, each with its line end; the rest waits for its line feed.
    m_logCarry.append(chunk);
    qsizetype end = m_logCarry.lastIndexOf('\n') + 1;
    if (flush || m_logCarry.size() - end > m_reader.maxLineLength())
        end = m_logCarry.size();
    if (end == 0)
        return;
    logData(u"Recv"_s, Common::MaskSecrets(m_reader.decode(QByteArrayView(m_logCarry).first(end))));
    m_logCarry.remove(0, end);
}

bool KLVSockComm::Receive()
{
    if (m_socket->bytesAvailable() <= 0)
        return false;
    ReceivePendingData();
    return true;
}

bool KLVSockComm::hasUnreadData(bool reuseRecentLook)
{
    Receive();
    return m_reader.pendingBytes() > 0 || systemHoldsData(reuseRecentLook);
}

bool KLVSockComm::systemHoldsData(bool reuseRecentLook)
{
    if (m_socket->bytesAvailable() > 0)
        return true;
    // Bytes the system holds for the socket arrived before now as well, though the socket
    // has not been told yet. Bytes that reach it within microseconds of a look that found
    // none could as well have come just after the next command went out, which no look can
    // tell: a second look so soon, with nothing read in between, would only cost a system call.
    if (reuseRecentLook && m_quietBytes == m_bytesReceived && m_quietSince.isValid() &&
        m_quietSince.nsecsElapsed() < QuietRecheckNs)
        return false;
    const int fd = int(m_socket->socketDescriptor());
    int waiting = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &waiting) != 0)
        return false;
    if (waiting > 0)
        return true;
    m_quietBytes = m_bytesReceived;
    m_quietSince.start();
    return false;
}

bool KLVSockComm::takeLine(QString& line)
{
    Receive();
    if (!m_reader.takeLine(line))
        return false;
    if (Common::TraceFlag())
        Common::WriteTrace(u"Recv: "_s + Common::MaskSecrets(line));
    return true;
}

bool KLVSockComm::takeLineView(QByteArrayView& line, const QByteArray** source)
{
    Receive();
    if (!m_reader.takeLineView(line, source))
        return false;
    if (Common::TraceFlag())
        Common::WriteTrace(u"Recv: "_s + Common::MaskSecrets(m_reader.decode(line)));
    return true;
}

QString KLVSockComm::GetOneLine()
{
    m_errText.clear();
    QString line;
    takeLine(line);
    return line;
}

QString KLVSockComm::GetLine(int timeoutMs, bool* timedOut)
{
    m_errText.clear();
    if (timedOut)
        *timedOut = false;
    QString line;
    KLVWait wait;
    wait.wakeOn(this, &KLVSockComm::activity);
    wait.wakeOn(m_socket, &QTcpSocket::stateChanged);
    // What arrives meanwhile is this caller's, not data that no request waits for.
    ++m_directReaders;
    const auto done = qScopeGuard([this] { --m_directReaders; });
    bool got = false;
    const bool ended = wait.until(
        [&] {
            if (got)
                return true;
            got = takeLine(line);
            return got || !SocketIsConnected();
        },
        timeoutMs);
    if (!ended && timedOut)
        *timedOut = true;
    return got ? line : QString();
}

void KLVSockComm::SetLogFile(const QString& name)
{
    if (m_log.isOpen()) {
        if (!m_logCarry.isEmpty())
            logReceived(QByteArray(), true);
        m_log.close();
    }
    m_logCarry.clear();
    m_logFileName = name;
    if (name.isEmpty())
        return;
    // The log holds what the user reads and writes: it is made for the user alone, and a
    // link (which someone else may have laid) or a file of someone else's is not written to.
    // Not opening it is no failure of the caller's: the session runs without a log.
    const QByteArray path = QFile::encodeName(name);
    const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        Common::WriteTrace(u"LogFile not opened: "_s + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        Common::WriteTrace(u"LogFile refused: not a file of the user's own"_s);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!m_log.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle))
        ::close(fd);
}

void KLVSockComm::writeLog(const QString& entry)
{
    if (!m_log.isOpen())
        return;
    const QString prefix = m_tag.isEmpty() ? QString() : u'[' + m_tag + u"] "_s;
    m_log.write((prefix + entry + u'\n').toUtf8());
    m_log.flush();
}

void KLVSockComm::logData(const QString& name, const QString& data)
{
    if (!m_log.isOpen())
        return;
    writeLog(name + u'(' + QString::number(data.size()) + u"): ["_s + data + u']');
}
