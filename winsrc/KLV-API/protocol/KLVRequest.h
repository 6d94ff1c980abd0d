#pragma once

// One exchange with the server: a command line (or a batch of lines) sent, and its answer
// lines handed to a result set until the answer ends.

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>

class KLVResultSet;
class KLVSockComm;

class KLVRequest : public QObject
{
    Q_OBJECT
public:
    enum Type { SendAndRead = 0, SendOnly = 1, ReadOnly = 2 };
    enum State { New = 0, Queued = 1, Sending = 2, Waiting = 3, Done = 4, Failed = 5, SessionEnded = 6 };
    // What the end of a request leaves for the queue to do with the connection.
    enum class Leftover {
        None,         // nothing: the answer ended with its end line, or never began
        OutOfStep,    // lines came that are no part of the answer: the stream cannot be trusted
        SessionEnded, // the server ended the session
    };

    explicit KLVRequest(QObject* parent = nullptr);
    ~KLVRequest() override;

    void SetState(int state);
    int GetState() const { return m_state; }
    int GetType() const { return m_type; }
    KLVSockComm* Connection() const;
    KLVResultSet* ResultSet() const;
    QString CmdLine() const { return m_cmdLine; }
    QString CmdLine4Log() const { return m_cmdLine4Log; }
    QString RequestTID() const { return m_requestTid; }

    // Runs the request to its end; the outcome is GetState() (4 is success).
    void Perform(int type, KLVResultSet* resultSet, KLVSockComm* connection);
    // The two halves of Perform: Start queues the request (a send-only one goes out at once)
    // and returns; WaitForEnd returns once it has ended, at once when it has already.
    void Start(int type, KLVResultSet* resultSet, KLVSockComm* connection);
    void WaitForEnd();
    bool hasEnded() const { return m_state != Queued && m_state != Waiting && m_state != Sending; }
    // One received line; an empty line with connected false reports the end of the connection.
    // source, when given, is the received chunk the line lies in.
    void ReceiveLine(QByteArrayView line, bool connected, const QByteArray* source = nullptr);

    // The caller broke the request off after its line went out: it still waits for its
    // answer, which the server ends early (with its refusal of the broken command) or gives
    // in full.
    void markBroken() { m_broken = true; }
    bool broken() const { return m_broken; }

    // A request sent ahead of its caller's need (the next block of a selection): its answer
    // is left in the connection until the caller claims it, or until another request needs
    // the connection, which takes it in first.
    void setAhead(bool ahead) { m_ahead = ahead; }
    bool isAhead() const { return m_ahead; }
    // The caller now waits for it: its lines are read as they come.
    void claim();
    bool claimed() const { return m_claimed; }

    // The request behind this one went out the moment this answer was whole in the
    // connection, with nothing behind its end line: that look stands for the one at its end.
    void setSuccessorSent(bool sent) { m_successorSent = sent; }
    bool successorSent() const { return m_successorSent; }

    // Set by the result set or the queue when the answer broke the protocol or the session.
    void setLeftover(Leftover leftover) { m_leftover = leftover; }
    Leftover leftover() const { return m_leftover; }

Q_SIGNALS:
    void stateChanged(int state);

private:
    int m_state = New;
    int m_type = SendAndRead;
    QPointer<KLVResultSet> m_resultSet;
    QPointer<KLVSockComm> m_connection;
    QString m_cmdLine;
    QString m_cmdLine4Log;
    QString m_requestTid;
    Leftover m_leftover = Leftover::None;
    bool m_broken = false;
    bool m_ahead = false;
    bool m_claimed = false;
    bool m_successorSent = false;
};
