#pragma once

// One exchange with the server: a command line (or a batch of lines) sent, and its answer
// lines handed to a result set until the answer ends.

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
    void ReceiveLine(QString line, bool connected);

    // Set by the result set when a line of another transaction's answer arrived: the rest of
    // that answer must not reach the next request.
    void setForeignAnswer(const QString& tid, bool ended);
    bool hasForeignAnswer() const { return m_foreignOpen; }
    QString foreignTid() const { return m_foreignTid; }

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
    QString m_foreignTid;
    bool m_foreignOpen = false;
};
