#include "KlvServerHooks.h"

#include <QDeadlineTimer>

void KlvServerHooks::record(const QString& line, const QByteArray& raw)
{
    QMutexLocker lock(&m_mutex);
    m_lines.append(line);
    m_rawLines.append(raw);
    m_received.wakeAll();
}

QStringList KlvServerHooks::lines() const
{
    QMutexLocker lock(&m_mutex);
    return m_lines;
}

QList<QByteArray> KlvServerHooks::rawLines() const
{
    QMutexLocker lock(&m_mutex);
    return m_rawLines;
}

void KlvServerHooks::clear()
{
    QMutexLocker lock(&m_mutex);
    m_lines.clear();
    m_rawLines.clear();
}

bool KlvServerHooks::waitFor(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_lines.size() < count) {
        if (!m_received.wait(&m_mutex, deadline))
            return m_lines.size() >= count;
    }
    return true;
}

void KlvServerHooks::setScript(KlvScript script)
{
    QMutexLocker lock(&m_mutex);
    m_script = std::move(script);
}

bool KlvServerHooks::runScript(int connectionId, const QString& line, bool isGreeting, KlvScriptReply& reply) const
{
    KlvScript script;
    {
        // The script runs without the lock: it may well read receivedLines() itself.
        QMutexLocker lock(&m_mutex);
        script = m_script;
    }
    return script && script(connectionId, line, isGreeting, reply);
}
