#pragma once

#include "KlvScriptReply.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>

// What the server shares with the threads of a test: the record of received lines and the
// script. The server's thread writes and calls, the test's thread reads and sets.
class KlvServerHooks
{
public:
    void record(const QString& line, const QByteArray& raw);
    QStringList lines() const;
    QList<QByteArray> rawLines() const;
    void clear();
    bool waitFor(int count, int timeoutMs) const;

    void setScript(KlvScript script);
    // False when no script is set or the script left the line to the server.
    bool runScript(int connectionId, const QString& line, bool isGreeting, KlvScriptReply& reply) const;

    void connectionOpened() { ++m_connections; }
    void connectionClosed() { --m_connections; }
    int connectionCount() const { return m_connections; }

private:
    mutable QMutex m_mutex;
    mutable QWaitCondition m_received;
    QStringList m_lines;
    QList<QByteArray> m_rawLines;
    KlvScript m_script;
    std::atomic<int> m_connections{0};
};
