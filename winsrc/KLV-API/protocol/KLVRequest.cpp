#include "KLVRequest.h"
#include "Common.h"
#include "KLVDispatch.h"
#include "KLVResultSet.h"
#include "KLVSockComm.h"
#include "KLVWait.h"

using namespace Qt::StringLiterals;

KLVRequest::KLVRequest(QObject* parent) : QObject(parent) {}

KLVRequest::~KLVRequest()
{
    if (m_connection && m_connection->dispatcher())
        m_connection->dispatcher()->forget(this);
}

KLVSockComm* KLVRequest::Connection() const
{
    return m_connection;
}

KLVResultSet* KLVRequest::ResultSet() const
{
    return m_resultSet;
}

void KLVRequest::SetState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

void KLVRequest::Perform(int type, KLVResultSet* resultSet, KLVSockComm* connection)
{
    Start(type, resultSet, connection);
    if (type != SendOnly)
        WaitForEnd();
}

void KLVRequest::Start(int type, KLVResultSet* resultSet, KLVSockComm* connection)
{
    if (!resultSet)
        throw KLVRuntimeError(999, u"Interner Fehler, Request ohne ResultSet"_s);
    if (!connection)
        throw KLVRuntimeError(999, u"Interner Fehler, Request ohne Connection"_s);
    m_type = type;
    m_resultSet = resultSet;
    m_connection = connection;
    m_cmdLine = resultSet->GetCurrCmdLine(false);
    m_cmdLine4Log = resultSet->GetCurrCmdLine(true);
    m_requestTid = resultSet->requestTID();

    KLVDispatch* dispatch = connection->dispatcher();
    if (type == SendOnly) {
        // Outside the queue: a break must reach the server while another request waits.
        dispatch->StartRequest(this);
        return;
    }
    dispatch->AddRequest(this);
}

void KLVRequest::WaitForEnd()
{
    // The queue is served from the event loop as lines arrive; the wait only watches this
    // request's state, which every way out of it (answer, break time-out, request time-out,
    // lost or destroyed connection) changes.
    KLVWait wait;
    wait.wakeOn(this, &KLVRequest::stateChanged);
    wait.until([this] { return hasEnded(); });
}

void KLVRequest::claim()
{
    m_claimed = true;
    if (m_connection && m_connection->dispatcher())
        m_connection->dispatcher()->claimed(this);
}

void KLVRequest::ReceiveLine(QByteArrayView line, bool connected, const QByteArray* source)
{
    if (m_resultSet)
        m_resultSet->ReceiveLine(line, connected, this, source);
    else
        SetState(Failed);
}
