#include "KlvServerHooks.h"

#include "KlvAnsiCodec.h"

#include <QDeadlineTimer>

#include <algorithm>

void KlvServerHooks::record(int connectionId, const QByteArray& raw, bool utf8)
{
    if (!m_recording)
        return;
    QMutexLocker lock(&m_mutex);
    m_records[connectionId].append({m_sequence++, raw, utf8});
    ++m_count;
    m_received.wakeAll();
}

void KlvServerHooks::connectionClosed(int connectionId)
{
    --m_connections;
    QMutexLocker lock(&m_mutex);
    if (!m_records.contains(connectionId))
        return;
    m_closed.append(connectionId);
    while (m_closed.size() > KeptClosedConnections) {
        m_count -= int(m_records.take(m_closed.takeFirst()).size());
    }
}

QList<KlvServerHooks::Entry> KlvServerHooks::merged() const
{
    QList<Entry> all;
    all.reserve(m_count);
    for (const QList<Entry>& entries : m_records)
        all.append(entries);
    std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.sequence < b.sequence; });
    return all;
}

QStringList KlvServerHooks::lines() const
{
    QMutexLocker lock(&m_mutex);
    QStringList out;
    for (const Entry& e : merged())
        out.append(e.utf8 ? QString::fromUtf8(e.raw) : KlvAnsiCodec::decode(e.raw));
    return out;
}

QList<QByteArray> KlvServerHooks::rawLines() const
{
    QMutexLocker lock(&m_mutex);
    QList<QByteArray> out;
    for (const Entry& e : merged())
        out.append(e.raw);
    return out;
}

void KlvServerHooks::clear()
{
    QMutexLocker lock(&m_mutex);
    for (int id : std::as_const(m_closed))
        m_records.remove(id);
    m_closed.clear();
    for (QList<Entry>& entries : m_records)
        entries.clear();
    m_count = 0;
}

bool KlvServerHooks::waitFor(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker lock(&m_mutex);
    while (m_count < count) {
        if (!m_received.wait(&m_mutex, deadline))
            return m_count >= count;
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
