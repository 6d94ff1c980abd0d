#pragma once

// The request queue of one connection: one request in flight, served in order as lines
// arrive. Each connection has its own, so the sessions of one program never wait on or steal
// each other's answers.
//
// The queue keeps the connection in step with the server or gives it up. Every byte received
// belongs to the answer of the request in flight, or to the rest of a broken-off answer that
// is being skipped; anything else means the stream is out of step, and nothing received from
// then on can be told apart from a real answer: bytes that arrive while no command is out,
// bytes behind an answer's end line, a line the answer cannot hold. Then the request that
// waits fails (error 1 or 12) and the connection is closed, as it is when a line grows past
// the limit or a request waits longer than the connection's request time-out. A request whose
// end line came is finished only when nothing is received behind it, so a late copy of an
// answer that arrives with the real one fails the request instead of answering it. A
// connection that closes fails every request waiting on it at once.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class KLVRequest;
class KLVSockComm;

class KLVDispatch : public QObject
{
    Q_OBJECT
public:
    enum class BreakOutcome {
        NotRunning,    // the request is in no queue of this connection
        BeforeSending, // it was still queued: nothing of it reached the server
        AfterSending,  // its line went out: the rest of its answer will be skipped
    };

    explicit KLVDispatch(KLVSockComm* connection);
    ~KLVDispatch() override;

    void AddRequest(KLVRequest* request);
    bool StartRequest(KLVRequest* request);
    void StartNextRequest();
    void RemoveRequest();
    // Serves the queue with what has arrived. Runs from the event loop whenever lines arrive
    // or the queue changes; it may be entered again from an event handler it calls.
    void T_Timer();

    // A request that goes away leaves the queue.
    void forget(KLVRequest* request);
    // Ends request at once as broken off (error 32). When its line went out, the rest of its
    // answer is skipped before the next request goes out.
    BreakOutcome breakRequest(KLVRequest* request);
    // The request being served, or null.
    KLVRequest* head() const;
    // Fails every queued and running request at once with the lost connection (error 5).
    // With notify, the running one reports it as a server message too.
    void failAll(bool notify);

    int queueLength() const { return int(m_queue.size()); }
    // True while a run of T_Timer is due.
    bool timerActive() const { return m_scheduled; }
    // True while the rest of a broken-off answer is being skipped.
    bool draining() const { return m_draining; }

private:
    void schedule();
    void removeRequest(KLVRequest* request);
    bool serve(KLVRequest* request);
    void finish(KLVRequest* request);
    void settleAnswerEnd(KLVRequest* request);
    void failOutOfStep(KLVRequest* request, const QString& detail);
    bool serveDrain();
    void closeConnection(const QString& why);
    void lineTooLong();
    void restartRequestTimer();
    void onRequestTimeout();

    KLVSockComm* m_connection;
    QList<QPointer<KLVRequest>> m_queue;
    bool m_scheduled = false;
    QTimer m_requestTimer;
    // The rest of a broken-off answer is being skipped; any end line ends it.
    bool m_draining = false;
    QTimer m_drainTimer;
    // A command went out without waiting for its answer, which a read-only request is to read.
    bool m_answerOwed = false;
};
