#include "KLVDispatch.h"
#include "Common.h"
#include "KLVCmdParser.h"
#include "KLVRequest.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"

using namespace Qt::StringLiterals;

KLVDispatch::KLVDispatch(KLVSockComm* connection) : QObject(nullptr), m_connection(connection)
{
    T.setInterval(1);
    connect(&T, &QTimer::timeout, this, &KLVDispatch::T_Timer);
}

KLVDispatch::~KLVDispatch()
{
    T.stop();
}

KLVRequest* KLVDispatch::head() const
{
    return m_queue.isEmpty() ? nullptr : m_queue.first().data();
}

void KLVDispatch::AddRequest(KLVRequest* request)
{
    m_queue.append(request);
    request->SetState(KLVRequest::Queued);
    if (!T.isActive())
        T.start();
}

bool KLVDispatch::StartRequest(KLVRequest* request)
{
    if (request->GetType() == KLVRequest::ReadOnly) {
        request->SetState(KLVRequest::Waiting);
        return true;
    }
    if (m_discarding && request->RequestTID() == m_discardTid)
        m_discarding = false; // the transaction is addressed again: its lines are wanted
    if (request->GetType() == KLVRequest::SendAndRead)
        request->SetState(KLVRequest::Sending);
    KLVSockComm* connection = request->Connection();
    if (connection && connection->SendLine(request->CmdLine(), request->CmdLine4Log())) {
        request->SetState(request->GetType() == KLVRequest::SendOnly ? KLVRequest::Done : KLVRequest::Waiting);
        return true;
    }
    if (KLVResultSet* rs = request->ResultSet())
        rs->SetCurrentError(connection ? connection->getErrText() : Common::GetErrorText(5), 0, rs->Context());
    request->SetState(KLVRequest::Failed);
    return false;
}

void KLVDispatch::StartNextRequest()
{
    KLVRequest* request = head();
    if (!request)
        return;
    if (!StartRequest(request) && head() == request)
        RemoveRequest();
}

void KLVDispatch::RemoveRequest()
{
    if (!m_queue.isEmpty())
        m_queue.removeFirst();
    // Requests that went away while queued are dropped as well.
    while (!m_queue.isEmpty() && !m_queue.first())
        m_queue.removeFirst();
    if (m_queue.isEmpty())
        T.stop();
    else if (head()->GetState() == KLVRequest::Queued)
        StartNextRequest();
}

void KLVDispatch::forget(KLVRequest* request)
{
    const bool wasHead = head() == request;
    m_queue.removeAll(QPointer<KLVRequest>(request));
    for (qsizetype i = m_queue.size() - 1; i >= 0; --i) {
        if (!m_queue[i] || m_queue[i] == request)
            m_queue.removeAt(i);
    }
    if (m_queue.isEmpty())
        T.stop();
    else if (wasHead && head()->GetState() == KLVRequest::Queued)
        StartNextRequest();
}

bool KLVDispatch::discardForeignLine(const QString& line)
{
    if (!m_discarding || KLVCmdParser::getTID(line) != m_discardTid)
        return false;
    const QString code = KLVCmdParser::GetCMD(line);
    if (Common::IsAnswerEnd(code) || code == u"END"_s)
        m_discarding = false;
    Common::WriteTrace(u"Discarded line of a foreign answer: "_s + line);
    return true;
}

void KLVDispatch::T_Timer()
{
    // Every call below may yield to the event loop (sending, event handlers of the caller), in
    // which this tick can run again: the head is checked anew after each of them.
    while (!m_queue.isEmpty() && !m_queue.first())
        m_queue.removeFirst();
    KLVRequest* request = head();
    if (!request) {
        T.stop();
        return;
    }
    switch (request->GetState()) {
    case KLVRequest::Queued:
        StartNextRequest();
        return;
    case KLVRequest::Sending:
        return; // the send's own wait finishes it
    case KLVRequest::Waiting:
        break;
    default:
        RemoveRequest();
        return;
    }

    for (;;) {
        if (head() != request || request->GetState() != KLVRequest::Waiting)
            return;
        QString line;
        const bool got = m_connection->takeLine(line);
        if (!got) {
            if (m_connection->SocketIsConnected())
                return; // nothing complete yet: next tick
            // The connection is gone and nothing it delivered is left: the answer cannot end.
            m_discarding = false;
            request->ReceiveLine(QString(), false);
        } else if (line.isEmpty()) {
            Common::WriteTrace(u"Empty line ignored"_s);
            continue;
        } else if (discardForeignLine(line)) {
            continue;
        } else {
            request->ReceiveLine(std::move(line), true);
        }
        if (head() != request)
            return;
        if (request->GetState() != KLVRequest::Waiting) {
            if (request->hasForeignAnswer()) {
                m_discardTid = request->foreignTid();
                m_discarding = true;
            }
            RemoveRequest();
            return;
        }
    }
}
