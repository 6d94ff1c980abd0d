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
//
// A request broken off after its line went out keeps waiting for its answer: the server ends
// it early (its refusal of the broken command) or has finished it already, and either is the
// request's outcome. Only when no line of it comes within the connection's break time-out is
// the connection given up and the request failed as broken off.
//
// A request sent ahead (the next block of a selection, asked for while its caller still reads
// the block before) is served like any other, with one difference: its lines stay in the
// connection until its caller claims it, or until another request is queued behind it, which
// cannot go out before the answer ahead of it was taken in. So there is still one request in
// flight, and every byte still belongs to it. While a caller reads on, the block after the one
// it claimed goes out the moment the claimed answer is whole in the connection: its end line
// received, asking for more, with no other end line before it and nothing behind it. That
// is the look the answer's end would make, made before its records are taken in rather than
// after, and the server works on the next block meanwhile.

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
        AfterSending,  // its line went out: it waits for the server's answer to it
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
    // Breaks request off: one still queued ends at once (error 32); one whose line went out
    // is marked broken and goes on waiting for its answer, within the break time-out.
    BreakOutcome breakRequest(KLVRequest* request);
    // A request sent ahead that nobody will claim leaves the queue: one still queued at once,
    // one whose line went out once the rest of its answer has been skipped.
    void abandon(KLVRequest* request);
    // Sends request now when it is the only one and nothing is being skipped, else leaves it
    // to the queue.
    void startIfIdle(KLVRequest* request);
    // The queue looks again at what it can serve: request, sent ahead, was claimed.
    void claimed(KLVRequest* request);
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
    void onActivity();
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
    void onDrainTimeout();
    void startDrain();
    // request is the only one, queued, and nothing is being skipped: it may be sent now.
    bool canStartAtOnce(const KLVRequest* request);
    // A request sent ahead whose lines wait until it is claimed or another needs the line.
    bool holdsBack(const KLVRequest* request) const;
    // request, claimed, is read on by its caller: its successor goes out now when its answer
    // is whole in the connection.
    void sendSuccessorEarly(KLVRequest* request);
    bool answerIsWholeAndAsksForMore(KLVRequest* request);

    KLVSockComm* m_connection;
    QList<QPointer<KLVRequest>> m_queue;
    bool m_scheduled = false;
    QTimer m_requestTimer;
    // The rest of an answer nobody reads is being skipped; any end line ends it.
    bool m_draining = false;
    // Bounds the skip, and the wait of a broken-off request for its answer.
    QTimer m_drainTimer;
    // A command went out without waiting for its answer, which a read-only request is to read.
    bool m_answerOwed = false;
    // A request behind the head went out and was abandoned: its answer, behind the head's,
    // is skipped once the head is through.
    bool m_drainAfterHead = false;
    // What had been received when the queue last looked for a whole answer.
    qint64 m_lookedAtBytes = -1;
    // Runs of T_Timer in progress (it may be entered again from a handler it calls).
    int m_serving = 0;
    // A successor is being queued by sendSuccessorEarly, which sends it itself.
    bool m_queueingSuccessor = false;
    // sendSuccessorEarly is looking at the connection.
    bool m_lookingAhead = false;
};
