#pragma once

#include "KlvScriptReply.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

class KlvServerHooks;
class KlvServerThread;

struct KlvServerOptions
{
    quint16 port = 0;            // 0 picks a free port
    QString dataFile;            // sample ERP data; empty: the data built into the server
    int generatedRows = 0;       // records of the generated table "90:1" (0: no such table)
    bool versionGreeting = true; // greet with "VERSION", so clients switch the Mandant with CHM
    int maxLineLength = 4000;    // a data record longer than this many characters goes on in DC lines
    // The longest line taken from a client, in bytes (the library's own limit): a longer one
    // is refused with a short NAK and the connection is closed.
    qsizetype maxReceivedLine = qsizetype(64) * 1024 * 1024;
    // Answers not yet taken by a client, in bytes, beyond which its connection handles no
    // further line until the client has read them: a client that stops reading holds its own
    // answers back, not the server's memory or the other clients.
    qsizetype maxUnsentAnswers = qsizetype(4) * 1024 * 1024;
    // Keeps the lines received for receivedLines(); the program and load tests leave it off.
    bool recordReceived = true;
};

// The stand-in KLV server: listens on 127.0.0.1 in a thread of its own and answers the line
// protocol as the ERP's KLV server does. Tests read what it received and script its answers.
// Every member may be called from any thread.
class KlvServer
{
public:
    explicit KlvServer(KlvServerOptions options = {});
    ~KlvServer(); // stops and joins its thread
    KlvServer(const KlvServer&) = delete;
    KlvServer& operator=(const KlvServer&) = delete;

    bool start(); // listens on 127.0.0.1 in a thread of its own
    void stop();  // closes every connection and ends the thread; start() may follow
    quint16 port() const;
    QString errorString() const;

    // Every complete line received on any connection while recording is on, in the order the
    // server takes them up, decoded in the character set then in force for that connection.
    // That is the order of arrival, except that a BRQ which breaks a running answer is taken
    // up at once, ahead of lines waiting behind that answer. The lines of a connection go with
    // it, once it is one of more than KlvServerHooks::KeptClosedConnections closed ones.
    QStringList receivedLines() const;
    // The same lines as their exact bytes, without the line end.
    QList<QByteArray> receivedRawLines() const;
    void clearReceived();
    // Starts or stops the record of received lines (KlvServerOptions::recordReceived at start).
    void setRecording(bool on);
    // True once at least count lines were received since the last clearReceived().
    bool waitForReceived(int count, int timeoutMs = 5000) const;
    // An empty function removes the script.
    void setScript(KlvScript script);
    // Connections open right now.
    int connectionCount() const;

private:
    KlvServerOptions m_options;
    std::shared_ptr<KlvServerHooks> m_hooks;
    std::unique_ptr<KlvServerThread> m_thread;
    quint16 m_port = 0;
    QString m_error;
};
