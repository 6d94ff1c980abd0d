#pragma once

#include "KlvScriptReply.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>

// What the server shares with the threads of a test: the record of received lines and the
// script. The server's thread writes and calls, the test's thread reads and sets.
//
// Lines are recorded only while recording is on (a test asks for it; the program never
// does), once each, as their bytes, in the record of their connection. A connection's record
// goes with the connection, though the last few closed ones stay readable, since a test
// often looks at what arrived just before the peer hung up.
class KlvServerHooks
{
public:
    // Closed connections whose lines stay readable.
    static constexpr int KeptClosedConnections = 16;

    void setRecording(bool on) { m_recording = on; }
    bool recording() const { return m_recording; }
    // utf8 tells how the connection read the line then.
    void record(int connectionId, const QByteArray& raw, bool utf8);
    // Every recorded line of every connection, in the order they were recorded.
    QStringList lines() const;
    QList<QByteArray> rawLines() const;
    void clear();
    bool waitFor(int count, int timeoutMs) const;

    void setScript(KlvScript script);
    // False when no script is set or the script left the line to the server.
    bool runScript(int connectionId, const QString& line, bool isGreeting, KlvScriptReply& reply) const;

    void connectionOpened() { ++m_connections; }
    void connectionClosed(int connectionId);
    int connectionCount() const { return m_connections; }

private:
    struct Entry
    {
        quint64 sequence;
        QByteArray raw;
        bool utf8;
    };
    QList<Entry> merged() const;

    mutable QMutex m_mutex;
    mutable QWaitCondition m_received;
    QHash<int, QList<Entry>> m_records;
    QList<int> m_closed; // closed connections whose record is kept, oldest first
    quint64 m_sequence = 0;
    int m_count = 0;
    std::atomic<bool> m_recording{false};
    KlvScript m_script;
    std::atomic<int> m_connections{0};
};
