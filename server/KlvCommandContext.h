#pragma once

#include "KlvAnswer.h"
#include "KlvCommandLine.h"

class KlvConnection;
class KlvServerWorker;
class KlvSession;

// What a command handler works with: the received line, the connection and its session, the
// server's shared state, and the answer it builds.
class KlvCommandContext
{
public:
    KlvCommandContext(KlvServerWorker& server, KlvConnection& connection, const KlvCommandLine& command);

    const KlvCommandLine& command() const { return m_command; }
    QString field(qsizetype i) const { return m_command.field(i); }
    KlvServerWorker& server() { return m_server; }
    KlvConnection& connection() { return m_connection; }
    KlvSession& session();
    KlvAnswer& answer() { return m_answer; }
    // A fresh answer to the same command, for steps that run later (after a wait).
    KlvAnswer newAnswer();

private:
    KlvServerWorker& m_server;
    KlvConnection& m_connection;
    const KlvCommandLine& m_command;
    KlvAnswer m_answer;
};
