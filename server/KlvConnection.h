#pragma once

#include "KlvAction.h"
#include "KlvAnswer.h"
#include "KlvCommandLine.h"
#include "KlvSession.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <deque>
#include <vector>

class KlvServerWorker;
class QTcpSocket;

// One client connection: takes lines apart from the byte stream, answers them one at a time
// in arrival order, and keeps the session's state. An answer is a list of steps; a slow one
// (a delay, a wait for a lock) holds back the lines behind it, except "BRQ", which breaks it.
class KlvConnection : public QObject
{
    Q_OBJECT
public:
    KlvConnection(int id, QTcpSocket* socket, KlvServerWorker& server);
    ~KlvConnection() override;

    int id() const { return m_id; }
    KlvSession& session() { return m_session; }
    bool isUtf8() const { return m_utf8; }
    // Takes effect for the next line sent and the next line taken from the input.
    void setUtf8(bool on) { m_utf8 = on; }
    KlvAnswer newAnswer(const QString& tid) const;

    // Sends the greeting (scripted or the server's own).
    void greet();
    // Steps that run before the rest of the answer in progress.
    void runNext(std::vector<KlvAction> actions);
    // A lock went: a connection waiting for one tries again.
    void retryWait();
    // Ends the connection at once (server shutting down).
    void abort();

Q_SIGNALS:
    void finished(KlvConnection* connection);

private:
    enum class Suspended { No, Delay, Wait };
    enum class Answering { Nothing, Greeting, Command, Break };

    void onReadyRead();
    void onBytesWritten();
    void onDisconnected();
    bool holdingInput() const;
    void resumeInput();
    void takeLines();
    void refuseLongLine();
    void recordUnanswered();
    void pump();
    void execute(KlvAction& action);
    void startLine(const QByteArray& raw);
    void breakAnswer(const QByteArray& raw);
    void queueAnswer(const QString& line, bool isGreeting = false);
    void defaultAnswer();
    void endSuspension();
    void sendText(const QString& line);
    QString decode(const QByteArray& raw) const;

    int m_id;
    QTcpSocket* m_socket;
    KlvServerWorker& m_server;
    KlvSession m_session;
    bool m_utf8 = false;

    QByteArray m_buffer;
    qsizetype m_readPos = 0;  // start of the first line not yet taken
    qsizetype m_scanFrom = 0; // no line feed before this position
    std::deque<QByteArray> m_inbox;
    qsizetype m_inboxBytes = 0;
    bool m_heldBack = false; // input left unread until the client takes its answers
    bool m_resumeQueued = false;
    std::deque<KlvAction> m_actions;
    Answering m_answering = Answering::Nothing;
    KlvCommandLine m_current;
    Suspended m_suspended = Suspended::No;
    QTimer m_timer; // a delay, or the time limit of a wait
    std::function<bool()> m_waitAttempt;
    std::function<void()> m_waitTimeout;
    bool m_pumping = false;
    bool m_closed = false;
    bool m_refused = false; // a line too long ended the connection
};
