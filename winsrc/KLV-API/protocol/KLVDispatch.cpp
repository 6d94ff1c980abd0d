#include "KLVDispatch.h"
#include "Common.h"
#include "KLVCmdParser.h"
#include "KLVLineReader.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"

#include <QScopeGuard>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isAnswerEndCode(QByteArrayView code)
{
    return code == "ACK" || code == "NAK" || code == "EOD";
}

} // namespace

KLVDispatch::KLVDispatch(KLVSockComm* connection) : QObject(nullptr), m_connection(connection)
{
    m_requestTimer.setSingleShot(true);
    m_drainTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &KLVDispatch::onRequestTimeout);
    connect(&m_drainTimer, &QTimer::timeout, this, &KLVDispatch::onDrainTimeout);
    connect(connection, &KLVSockComm::activity, this, &KLVDispatch::onActivity);
}

void KLVDispatch::onDrainTimeout()
{
    KLVRequest* request = head();
    const bool brokenWaits = request && request->broken() &&
                             (request->GetState() == KLVRequest::Waiting || request->GetState() == KLVRequest::Sending);
    if (!m_draining && !brokenWaits)
        return;
    // The limit runs from the last line received: an answer that keeps coming is fine.
    const int limit = m_connection->breakDrainTimeout();
    if (m_connection->msSinceLastLine() < limit) {
        m_drainTimer.start(int(limit - m_connection->msSinceLastLine()));
        return;
    }
    if (m_draining) {
        closeConnection(u"the rest of an answer nobody reads did not come"_s);
    } else {
        // The server neither ended the broken command nor answers at all: nothing behind it
        // could be told from its late answer.
        removeRequest(request);
        if (KLVResultSet* rs = request->ResultSet())
            rs->setLibraryError(32);
        request->SetState(KLVRequest::Failed);
        closeConnection(u"no answer to a broken-off request"_s);
    }
    schedule();
}

bool KLVDispatch::holdsBack(const KLVRequest* request) const
{
    // One broken off is taken in as it comes: its answer ends it, and nobody may wait for it.
    return request->isAhead() && !request->claimed() && !request->broken() && m_queue.size() == 1;
}

bool KLVDispatch::answerIsWholeAndAsksForMore(KLVRequest* request)
{
    KLVResultSet* rs = request->ResultSet();
    const KLVLineReader& reader = m_connection->lineReader();
    m_connection->Receive();
    const QByteArrayView last = reader.lastLine();
    if (KLVCmdParser::CodeBytes(last) != "EOD" || !rs->endAsksForMore(last))
        return false;
    // Its end line must be the first: a second would leave the answer's end in doubt.
    const char* firstEnd = nullptr;
    const bool whole = reader.peekLines([&firstEnd](QByteArrayView line) {
        const QByteArrayView code = KLVCmdParser::CodeBytes(line);
        if (!isAnswerEndCode(code) && code != "END")
            return true;
        firstEnd = line.data();
        return false;
    });
    if (!whole || firstEnd != last.data())
        return false;
    // Bytes the system holds already would be behind the end line.
    return !m_connection->systemHoldsData();
}

void KLVDispatch::sendSuccessorEarly(KLVRequest* request)
{
    // Looked at again only when bytes came since the last look. The look reads from the
    // socket, and what it reads reports activity: one look at a time.
    if (m_lookingAhead || request->successorSent() || m_connection->bytesReceived() == m_lookedAtBytes)
        return;
    m_lookedAtBytes = m_connection->bytesReceived();
    m_lookingAhead = true;
    const auto looked = qScopeGuard([this] { m_lookingAhead = false; });
    KLVResultSet* rs = request->ResultSet();
    if (!rs || !request->claimed() || request->broken() || m_draining || m_drainAfterHead || m_queue.size() != 1 ||
        !rs->wantsSuccessor() || !m_connection->SocketIsConnected() || !answerIsWholeAndAsksForMore(request))
        return;
    // It goes out below, and the queue is being served or the answer's arrival serves it:
    // a turn of the event loop for it would find nothing to do.
    m_queueingSuccessor = true;
    const QPointer<KLVRequest> next = rs->queueSuccessor();
    m_queueingSuccessor = false;
    if (!next || m_queue.size() != 2 || m_queue[1] != next)
        return;
    request->setSuccessorSent(true);
    next->SetState(KLVRequest::Sending);
    const bool sent = m_connection->SendLine(next->CmdLine(), next->CmdLine4Log());
    if (!next || next->GetState() != KLVRequest::Sending)
        return; // abandoned or failed while its line went out
    // A line that could not go out is left to the queue, which tries it when its turn comes.
    next->SetState(sent ? KLVRequest::Waiting : KLVRequest::Queued);
    request->setSuccessorSent(sent);
}

KLVDispatch::~KLVDispatch()
{
    // Whoever still waits on this connection learns at once that it is gone.
    failAll(false);
}

KLVRequest* KLVDispatch::head() const
{
    return m_queue.isEmpty() ? nullptr : m_queue.first().data();
}

void KLVDispatch::onActivity()
{
    // Bytes arrived. A claimed block whose answer they made whole sends its successor at
    // once, from here: the server would otherwise wait for a turn of the event loop. The rest
    // (the lines taken in, any handler they call) is served from the event loop as always.
    KLVRequest* request = head();
    if (m_serving == 0 && request && request->GetState() == KLVRequest::Waiting)
        sendSuccessorEarly(request);
    schedule();
}

void KLVDispatch::schedule()
{
    // Served from the event loop, never inside the socket's own signal: a handler that the
    // answer calls may wait for further lines itself.
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &KLVDispatch::T_Timer, Qt::QueuedConnection);
}

void KLVDispatch::claimed(KLVRequest* request)
{
    // Nothing of its answer is here yet and the connection stands: a run of the queue now
    // would find nothing to do, and the answer's arrival starts one anyway.
    if (head() == request && request->GetState() == KLVRequest::Waiting && !m_draining &&
        m_connection->SocketIsConnected() && !m_connection->lineReader().overflowed() &&
        m_connection->lineReader().pendingBytes() == 0 && !m_connection->SocketHasData())
        return;
    schedule();
}

void KLVDispatch::AddRequest(KLVRequest* request)
{
    m_queue.append(request);
    request->SetState(KLVRequest::Queued);
    // One sent ahead that can go out at once is sent by its caller right away (startIfIdle):
    // a turn of the event loop for it would find nothing to do.
    if (!m_queueingSuccessor && !(request->isAhead() && canStartAtOnce(request)))
        schedule();
}

bool KLVDispatch::canStartAtOnce(const KLVRequest* request)
{
    return head() == request && m_queue.size() == 1 && request->GetState() == KLVRequest::Queued && !m_draining &&
           !m_connection->lineReader().overflowed();
}

bool KLVDispatch::StartRequest(KLVRequest* request)
{
    if (request->GetType() == KLVRequest::ReadOnly) {
        m_answerOwed = false;
        request->SetState(KLVRequest::Waiting);
        restartRequestTimer();
        return true;
    }
    const bool sendAndRead = request->GetType() == KLVRequest::SendAndRead;
    if (sendAndRead) {
        // Whatever arrived before the command goes out answers nothing that was asked, and the
        // answer of this command could not be told from it.
        if (m_connection->SocketIsConnected() && m_connection->hasUnreadData(true)) {
            failOutOfStep(request, u"(data that no command waits for)"_s);
            return false;
        }
        request->SetState(KLVRequest::Sending);
    }
    KLVSockComm* connection = request->Connection();
    const bool sent = connection && connection->SendLine(request->CmdLine(), request->CmdLine4Log());
    // Broken off or failed while its line went out: what it left is taken care of already.
    if (sendAndRead && request->GetState() != KLVRequest::Sending)
        return sent;
    if (sent) {
        request->SetState(sendAndRead ? KLVRequest::Waiting : KLVRequest::Done);
        if (sendAndRead)
            restartRequestTimer();
        // A command sent without reading its answer leaves that answer to a read-only request;
        // a break has none of its own (the broken command's answer is its own request's).
        else if (!request->CmdLine().startsWith(u"BRQ"_s))
            m_answerOwed = true;
        return true;
    }
    if (KLVResultSet* rs = request->ResultSet()) {
        if (connection) {
            rs->SetCurrentError(connection->getErrText(), 0, rs->Context());
            rs->GetCurrentError()->setApiErrorCode(connection->errorCode());
        } else {
            rs->setLibraryError(5);
        }
    }
    request->SetState(KLVRequest::Failed);
    return false;
}

void KLVDispatch::StartNextRequest()
{
    KLVRequest* request = head();
    if (!request)
        return;
    if (!StartRequest(request) && head() == request)
        removeRequest(request);
}

void KLVDispatch::RemoveRequest()
{
    if (KLVRequest* request = head())
        removeRequest(request);
    else if (!m_queue.isEmpty())
        m_queue.removeFirst();
    schedule();
}

void KLVDispatch::removeRequest(KLVRequest* request)
{
    const bool wasHead = head() == request;
    for (qsizetype i = m_queue.size() - 1; i >= 0; --i) {
        if (!m_queue[i] || m_queue[i] == request)
            m_queue.removeAt(i);
    }
    if (!wasHead)
        return;
    m_requestTimer.stop();
    m_lookedAtBytes = -1;
    if (std::exchange(m_drainAfterHead, false))
        startDrain();
    else if (KLVRequest* next = head(); next && next->GetState() == KLVRequest::Waiting)
        restartRequestTimer(); // its line went out while the one before was read
}

void KLVDispatch::forget(KLVRequest* request)
{
    const bool wasHead = head() == request;
    removeRequest(request);
    if (wasHead)
        schedule();
}

KLVDispatch::BreakOutcome KLVDispatch::breakRequest(KLVRequest* request)
{
    if (!m_queue.contains(QPointer<KLVRequest>(request)))
        return BreakOutcome::NotRunning;
    const int state = request->GetState();
    if (head() == request && (state == KLVRequest::Sending || state == KLVRequest::Waiting)) {
        // The server has the command: its answer, whole or ended early by the break, is still
        // this request's, and what it did (a record saved) is not undone by the break.
        if (!request->broken()) {
            Common::WriteTrace(u"Request broken off: it waits for the server's answer"_s);
            request->markBroken();
            m_connection->noteLine();
            if (!m_draining)
                m_drainTimer.start(m_connection->breakDrainTimeout());
        }
        return BreakOutcome::AfterSending;
    }
    // Nothing of it reached the server: it simply ends.
    removeRequest(request);
    if (KLVResultSet* rs = request->ResultSet())
        rs->setLibraryError(32);
    request->SetState(KLVRequest::Failed);
    schedule();
    return BreakOutcome::BeforeSending;
}

void KLVDispatch::startDrain()
{
    Common::WriteTrace(u"The rest of an answer nobody reads is skipped"_s);
    m_draining = true;
    m_connection->noteLine();
    m_drainTimer.start(m_connection->breakDrainTimeout());
}

void KLVDispatch::abandon(KLVRequest* request)
{
    if (!m_queue.contains(QPointer<KLVRequest>(request)))
        return;
    const int state = request->GetState();
    const bool lineWentOut = state == KLVRequest::Sending || state == KLVRequest::Waiting;
    const bool behindHead = head() != request;
    removeRequest(request);
    if (lineWentOut && behindHead)
        m_drainAfterHead = true; // its answer comes behind the head's
    else if (lineWentOut)
        startDrain();
    request->SetState(KLVRequest::Failed);
    schedule();
}

void KLVDispatch::startIfIdle(KLVRequest* request)
{
    if (!canStartAtOnce(request))
        return;
    if (!StartRequest(request)) {
        if (head() == request)
            removeRequest(request);
        schedule();
    }
}

void KLVDispatch::failAll(bool notify)
{
    m_requestTimer.stop();
    m_drainTimer.stop();
    m_draining = false;
    m_drainAfterHead = false;
    m_answerOwed = false;
    const QList<QPointer<KLVRequest>> queue = std::exchange(m_queue, {});
    for (const QPointer<KLVRequest>& pointer : queue) {
        KLVRequest* request = pointer;
        if (!request)
            continue;
        const int state = request->GetState();
        if (state != KLVRequest::Queued && state != KLVRequest::Sending && state != KLVRequest::Waiting)
            continue;
        if (notify && state == KLVRequest::Waiting)
            request->ReceiveLine(QByteArrayView(), false);
        if (request->GetState() == state) {
            if (KLVResultSet* rs = request->ResultSet())
                rs->setLibraryError(5);
            request->SetState(KLVRequest::SessionEnded);
        }
    }
}

void KLVDispatch::closeConnection(const QString& why)
{
    Common::WriteTrace(u"Connection given up: "_s + why);
    m_connection->abortConnection();
    failAll(true);
}

void KLVDispatch::failOutOfStep(KLVRequest* request, const QString& detail)
{
    removeRequest(request);
    if (KLVResultSet* rs = request->ResultSet())
        rs->answerOutOfStep(detail);
    request->setLeftover(KLVRequest::Leftover::OutOfStep);
    request->SetState(KLVRequest::Failed);
    closeConnection(u"the stream is out of step "_s + detail);
}

bool KLVDispatch::serveDrain()
{
    QByteArrayView line;
    while (m_connection->takeLineView(line)) {
        m_connection->noteLine();
        const QByteArrayView code = KLVCmdParser::CodeBytes(line);
        if (!line.isEmpty())
            Common::WriteTrace(u"Line of a broken-off answer skipped"_s);
        if (isAnswerEndCode(code)) {
            // Anything behind this end line is no answer to anything: the next command, or the
            // idle queue, finds it and gives the connection up.
            m_draining = false;
            m_drainTimer.stop();
            return true;
        }
        if (code == "END") {
            closeConnection(u"the server ended the session"_s);
            return true;
        }
    }
    if (m_connection->lineReader().overflowed())
        return true;
    if (!m_connection->SocketIsConnected()) {
        m_draining = false;
        m_drainTimer.stop();
        return true;
    }
    return false;
}

void KLVDispatch::lineTooLong()
{
    const QString detail = u"(a line longer than "_s + QString::number(m_connection->maxLineLength()) + u" bytes)"_s;
    KLVRequest* request = head();
    if (request && (request->GetState() == KLVRequest::Waiting || request->GetState() == KLVRequest::Sending)) {
        removeRequest(request);
        if (KLVResultSet* rs = request->ResultSet())
            rs->setLibraryError(1, detail);
        request->SetState(KLVRequest::Failed);
    }
    closeConnection(detail);
}

void KLVDispatch::restartRequestTimer()
{
    m_connection->noteLine();
    const int limit = m_connection->requestTimeout();
    if (limit > 0)
        m_requestTimer.start(limit);
    else
        m_requestTimer.stop();
}

void KLVDispatch::onRequestTimeout()
{
    KLVRequest* request = head();
    const int limit = m_connection->requestTimeout();
    if (!request || request->GetState() != KLVRequest::Waiting || limit <= 0)
        return;
    // An answer sent ahead that its caller has not asked for yet lies unread in the
    // connection: the server did answer.
    if (holdsBack(request) && m_connection->hasUnreadData())
        m_connection->noteLine();
    // The limit runs from the last line received: a long answer that keeps coming is fine.
    if (m_connection->msSinceLastLine() < limit) {
        m_requestTimer.start(int(limit - m_connection->msSinceLastLine()));
        return;
    }
    removeRequest(request);
    if (KLVResultSet* rs = request->ResultSet())
        rs->setLibraryError(17);
    request->SetState(KLVRequest::Failed);
    closeConnection(u"no answer within the request time-out"_s);
    schedule();
}

bool KLVDispatch::serve(KLVRequest* request)
{
    for (;;) {
        if (head() != request)
            return true; // served or broken off from a handler it called
        if (request->GetState() != KLVRequest::Waiting) {
            finish(request);
            return true;
        }
        if (holdsBack(request))
            return false;
        sendSuccessorEarly(request);
        QByteArrayView line;
        const QByteArray* source = nullptr;
        if (!m_connection->takeLineView(line, &source)) {
            if (m_connection->lineReader().overflowed())
                return true;
            if (m_connection->SocketIsConnected())
                return false; // nothing complete yet
            // The connection is gone and nothing it delivered is left: the answer cannot end.
            request->ReceiveLine(QByteArrayView(), false);
            continue;
        }
        if (line.isEmpty()) {
            Common::WriteTrace(u"Empty line ignored"_s);
            continue;
        }
        if (m_connection->requestTimeout() > 0 || request->broken())
            m_connection->noteLine();
        if (KLVResultSet* rs = request->ResultSet())
            rs->setUnicode(m_connection->Unicode());
        request->ReceiveLine(line, true, source);
        if (head() == request && request->GetState() != KLVRequest::Waiting)
            settleAnswerEnd(request);
    }
}

void KLVDispatch::settleAnswerEnd(KLVRequest* request)
{
    // Only an answer that ended with its end line is settled here; the others failed already.
    const int state = request->GetState();
    if ((state != KLVRequest::Done && state != KLVRequest::Failed) ||
        request->leftover() != KLVRequest::Leftover::None || !m_connection->SocketIsConnected())
        return;
    // The end line is the answer's only if nothing follows it: no further command is out, so
    // bytes already received behind it belong to no answer, and the lines just read may
    // themselves have been a late copy of another one. The request is failed before its
    // caller sees it end. The look made before its successor went out early stands for it.
    if (request->successorSent() || !m_connection->hasUnreadData())
        return;
    if (KLVResultSet* rs = request->ResultSet())
        rs->answerOutOfStep(u"(data behind the end of the answer)"_s);
    request->setLeftover(KLVRequest::Leftover::OutOfStep);
    request->SetState(KLVRequest::Failed);
}

void KLVDispatch::finish(KLVRequest* request)
{
    removeRequest(request);
    switch (request->leftover()) {
    case KLVRequest::Leftover::None:
        break;
    case KLVRequest::Leftover::OutOfStep:
        closeConnection(u"the stream is out of step"_s);
        break;
    case KLVRequest::Leftover::SessionEnded:
        closeConnection(u"the server ended the session"_s);
        break;
    }
}

void KLVDispatch::T_Timer()
{
    m_scheduled = false;
    ++m_serving;
    const auto served = qScopeGuard([this] { --m_serving; });
    // Every call below may yield to the event loop (sending, event handlers of the caller), in
    // which this may run again: the head is looked at anew after each of them.
    for (;;) {
        while (!m_queue.isEmpty() && !m_queue.first())
            m_queue.removeFirst();
        if (m_connection->lineReader().overflowed()) {
            lineTooLong();
            continue;
        }
        if (m_draining && !serveDrain())
            return;
        KLVRequest* request = head();
        if (!request) {
            // Nothing is out and nothing is owed: what arrives now answers no command, and the
            // answer of the next one could not be told from it. A line awaited outside the
            // queue (the greeting), or the answer of a command sent without reading it, is
            // its reader's.
            if (!m_draining && !m_answerOwed && !m_connection->readingDirectly() && m_connection->SocketIsConnected() &&
                m_connection->hasUnreadData(true))
                closeConnection(u"the stream is out of step (data that no command waits for)"_s);
            return;
        }
        switch (request->GetState()) {
        case KLVRequest::Queued:
            if (!StartRequest(request) && head() == request)
                removeRequest(request);
            continue;
        case KLVRequest::Sending:
            return; // the send's own wait finishes it
        case KLVRequest::Waiting:
            if (!serve(request))
                return;
            continue;
        default:
            removeRequest(request);
            continue;
        }
    }
}
