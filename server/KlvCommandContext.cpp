#include "KlvCommandContext.h"

#include "KlvConnection.h"
#include "KlvServerWorker.h"

using namespace Qt::StringLiterals;

KlvCommandContext::KlvCommandContext(KlvServerWorker& server, KlvConnection& connection, const KlvCommandLine& command)
    : m_server(server), m_connection(connection), m_command(command), m_answer(connection.newAnswer(command.tid))
{}

KlvSession& KlvCommandContext::session()
{
    return m_connection.session();
}

KlvAnswer KlvCommandContext::newAnswer()
{
    return m_connection.newAnswer(m_command.tid);
}
