#include "KlvConnection.h"

#include "KlvAnsiCodec.h"
#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvMessageNumber.h"
#include "KlvScriptReply.h"
#include "KlvServerHooks.h"
#include "KlvServerWorker.h"
#include "KlvSessionCommands.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {
bool isBreakLine(const QByteArray& raw)
{
    return raw == "BRQ" || raw.startsWith("BRQ|");
}

// What the socket itself reads ahead of the connection. Bounded, so that a connection that
// takes no input for the moment leaves the rest in the system's buffers, where TCP holds the
// client back.
constexpr qint64 ReadAhead = 1024 * 1024;
} // namespace

KlvConnection::KlvConnection(int id, QTcpSocket* socket, KlvServerWorker& server)
    : m_id(id), m_socket(socket), m_server(server)
{
    m_socket->setParent(this);
    // Scripts split lines across reads with a delay between the pieces; without this the
    // pieces may still travel in one segment.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setReadBufferSize(ReadAhead);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_suspended == Suspended::Wait && m_waitTimeout)
            m_waitTimeout();
        endSuspension();
        pump();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &KlvConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &KlvConnection::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &KlvConnection::onDisconnected);
}

KlvConnection::~KlvConnection() = default;

KlvAnswer KlvConnection::newAnswer(const QString& tid) const
{
    return KlvAnswer(tid, m_session.option(u"CONTEXT"_s), m_server.options().maxLineLength);
}

void KlvConnection::greet()
{
    m_answering = Answering::Greeting;
    m_current = {};
    queueAnswer(QString(), true);
    pump();
}

void KlvConnection::runNext(std::vector<KlvAction> actions)
{
    m_actions.insert(m_actions.begin(), std::make_move_iterator(actions.begin()),
                     std::make_move_iterator(actions.end()));
}

void KlvConnection::retryWait()
{
    if (m_suspended != Suspended::Wait || !m_waitAttempt || !m_waitAttempt())
        return;
    endSuspension();
    pump();
}

void KlvConnection::abort()
{
    m_closed = true;
    endSuspension();
    m_socket->abort();
}

void KlvConnection::onReadyRead()
{
    if (m_closed) {
        m_socket->readAll(); // after a refusal nothing more is taken
        return;
    }
    if (holdingInput()) {
        m_heldBack = true;
        return;
    }
    m_buffer += m_socket->readAll();
    takeLines();
}

bool KlvConnection::holdingInput() const
{
    // One worker serves every connection: a client that sends requests and reads none of the
    // answers would otherwise have them all made and kept, while the others wait.
    const qsizetype limit = m_server.options().maxUnsentAnswers;
    return m_socket->bytesToWrite() > limit || m_inboxBytes > limit;
}

void KlvConnection::onBytesWritten()
{
    // A flush inside pump() reports here too; pump() looks after that itself.
    if (!m_pumping)
        resumeInput();
}

void KlvConnection::resumeInput()
{
    if (!m_heldBack || m_closed || holdingInput())
        return;
    m_heldBack = false;
    pump();
    onReadyRead(); // the lines behind, in the buffer and in the socket
}

void KlvConnection::takeLines()
{
    // Lines are cut at a read position and the buffer compacted once, so a batch of many
    // lines costs no more than its length.
    const qsizetype limit = m_server.options().maxReceivedLine;
    qsizetype lf;
    bool held = false;
    while (!m_closed && !(held = holdingInput()) && (lf = m_buffer.indexOf('\n', qMax(m_readPos, m_scanFrom))) >= 0) {
        qsizetype end = lf;
        if (end > m_readPos && m_buffer.at(end - 1) == '\r')
            --end;
        if (end - m_readPos > limit) {
            refuseLongLine();
            return;
        }
        QByteArray raw = m_buffer.sliced(m_readPos, end - m_readPos);
        m_readPos = lf + 1;
        if (isBreakLine(raw) && m_suspended != Suspended::No) {
            breakAnswer(raw);
        } else {
            m_inboxBytes += raw.size() + 1; // an empty line counts too
            m_inbox.push_back(std::move(raw));
        }
        pump();
    }
    if (m_closed)
        return;
    m_buffer.remove(0, m_readPos);
    m_readPos = 0;
    if (held) {
        // Whole lines may wait in the buffer; they are looked for again on resuming.
        m_heldBack = true;
        m_scanFrom = 0;
        return;
    }
    m_scanFrom = m_buffer.size();
    // A line that never ends would be held without bound.
    if (m_buffer.size() > limit)
        refuseLongLine();
}

void KlvConnection::refuseLongLine()
{
    // The line is dropped unread; what the client meant by it cannot be told, so the
    // connection ends after a short refusal.
    const qsizetype limit = m_server.options().maxReceivedLine;
    m_refused = true;
    m_buffer.clear();
    m_readPos = m_scanFrom = 0;
    m_inbox.clear();
    m_inboxBytes = 0;
    endSuspension();
    m_actions.clear();
    KlvAnswer answer = newAnswer(u"0"_s);
    answer.nak(u"Line longer than %1 bytes"_s.arg(limit), KlvMessageNumber::LineTooLong);
    for (KlvAction& a : answer.take())
        execute(a);
    m_closed = true;
    m_socket->disconnectFromHost(); // writes the refusal first
}

void KlvConnection::recordUnanswered()
{
    // Lines that arrived behind an unfinished answer are still part of what was received.
    for (const QByteArray& raw : m_inbox)
        m_server.hooks().record(m_id, raw, m_utf8);
    m_inbox.clear();
    m_inboxBytes = 0;
    qsizetype lf;
    while ((lf = m_buffer.indexOf('\n', m_readPos)) >= 0) {
        QByteArray raw = m_buffer.sliced(m_readPos, lf - m_readPos);
        if (raw.endsWith('\r'))
            raw.chop(1);
        m_server.hooks().record(m_id, raw, m_utf8);
        m_readPos = lf + 1;
    }
}

void KlvConnection::onDisconnected()
{
    if (m_socket->bytesAvailable() > 0) {
        if (m_refused)
            m_socket->readAll(); // the rest of the line that was too long
        else
            m_buffer += m_socket->readAll();
    }
    m_closed = true;
    endSuspension();
    m_actions.clear();
    recordUnanswered();
    Q_EMIT finished(this);
}

QString KlvConnection::decode(const QByteArray& raw) const
{
    return m_utf8 ? QString::fromUtf8(raw) : KlvAnsiCodec::decode(raw);
}

void KlvConnection::sendText(const QString& line)
{
    QByteArray bytes = m_utf8 ? line.toUtf8() : KlvAnsiCodec::encode(line);
    bytes += "\r\n";
    m_socket->write(bytes);
}

void KlvConnection::pump()
{
    if (m_pumping)
        return;
    m_pumping = true;
    while (!m_closed && m_suspended == Suspended::No) {
        if (!m_actions.empty()) {
            KlvAction action = std::move(m_actions.front());
            m_actions.pop_front();
            execute(action);
            continue;
        }
        m_answering = Answering::Nothing;
        if (m_inbox.empty())
            break;
        if (m_socket->bytesToWrite() > m_server.options().maxUnsentAnswers) {
            m_heldBack = true; // the next line waits until the client has read
            break;
        }
        const QByteArray raw = std::move(m_inbox.front());
        m_inbox.pop_front();
        m_inboxBytes -= raw.size() + 1;
        startLine(raw);
    }
    // Written out now rather than when the event loop comes round: a script's pieces
    // separated by a delay must leave as separate reads.
    if (!m_closed)
        m_socket->flush();
    m_pumping = false;
    // The flush, or the lines just answered, may have made the room that was waited for;
    // the input is taken up again once the caller is through with it.
    if (m_heldBack && !m_closed && !m_resumeQueued && !holdingInput()) {
        m_resumeQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_resumeQueued = false;
                resumeInput();
            },
            Qt::QueuedConnection);
    }
}

void KlvConnection::startLine(const QByteArray& raw)
{
    const QString line = decode(raw);
    m_server.hooks().record(m_id, raw, m_utf8);
    m_current = KlvCommandLine::parse(line);
    m_answering = Answering::Command;
    queueAnswer(line);
}

void KlvConnection::queueAnswer(const QString& line, bool isGreeting)
{
    // A test's script answers the line (or the greeting) when it takes it; otherwise the
    // server's own answer does.
    KlvScriptReply reply;
    if (m_server.hooks().runScript(m_id, line, isGreeting, reply)) {
        for (KlvAction& a : reply.takeActions())
            m_actions.push_back(std::move(a));
    } else {
        m_actions.push_back(KlvAction::defaultAnswer());
    }
}

void KlvConnection::breakAnswer(const QByteArray& raw)
{
    // A script that takes the BRQ decides what replaces the rest of the broken answer; its
    // defaultAnswer() is the server's refusal of the broken command.
    const QString line = decode(raw);
    m_server.hooks().record(m_id, raw, m_utf8);
    endSuspension();
    m_actions.clear();
    m_answering = Answering::Break;
    queueAnswer(line);
}

void KlvConnection::endSuspension()
{
    if (m_suspended == Suspended::Wait)
        m_server.removeWaiter(this);
    m_suspended = Suspended::No;
    m_timer.stop();
    m_waitAttempt = {};
    m_waitTimeout = {};
}

void KlvConnection::execute(KlvAction& action)
{
    switch (action.kind) {
    case KlvAction::Kind::SendLine:
        sendText(action.text);
        break;
    case KlvAction::Kind::SendRaw:
        m_socket->write(action.bytes);
        break;
    case KlvAction::Kind::Delay:
        m_suspended = Suspended::Delay;
        m_timer.start(qMax(0, action.ms));
        break;
    case KlvAction::Kind::Close:
        m_actions.clear();
        m_closed = true;
        recordUnanswered();
        m_socket->disconnectFromHost(); // writes what is pending first
        break;
    case KlvAction::Kind::DefaultAnswer:
        defaultAnswer();
        break;
    case KlvAction::Kind::Call:
        if (action.call)
            action.call();
        break;
    case KlvAction::Kind::Wait:
        if (action.attempt && action.attempt())
            break;
        if (action.ms == 0) {
            if (action.call)
                action.call();
            break;
        }
        m_suspended = Suspended::Wait;
        m_waitAttempt = std::move(action.attempt);
        m_waitTimeout = std::move(action.call);
        m_server.addWaiter(this);
        if (action.ms > 0)
            m_timer.start(action.ms);
        break;
    }
}

void KlvConnection::defaultAnswer()
{
    switch (m_answering) {
    case Answering::Nothing:
        break;
    case Answering::Greeting: {
        KlvAnswer answer = newAnswer(u"0"_s);
        KlvSessionCommands::greeting(answer, m_server.options().versionGreeting);
        runNext(answer.take());
        break;
    }
    case Answering::Break: {
        if (m_current.line.isEmpty())
            break; // the greeting has no command to refuse
        KlvAnswer answer = newAnswer(m_current.tid);
        answer.nak(u"Request \"%1\" broken off by BRQ"_s.arg(m_current.word), KlvMessageNumber::RequestBroken);
        runNext(answer.take());
        break;
    }
    case Answering::Command: {
        if (m_current.line.isEmpty())
            break; // an empty line asks nothing and gets no answer
        KlvCommandContext context(m_server, *this, m_current);
        m_server.commands().dispatch(context);
        runNext(context.answer().take());
        break;
    }
    }
}
