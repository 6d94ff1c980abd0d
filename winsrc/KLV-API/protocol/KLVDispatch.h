#pragma once

// The request queue of one connection: one request in flight, served in order, driven by a
// timer tick. Each connection has its own, so the sessions of one program never wait on or
// steal each other's answers.

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
    explicit KLVDispatch(KLVSockComm* connection);
    ~KLVDispatch() override;

    void AddRequest(KLVRequest* request);
    bool StartRequest(KLVRequest* request);
    void StartNextRequest();
    void RemoveRequest();
    void T_Timer();

    // A request that goes away leaves the queue.
    void forget(KLVRequest* request);
    int queueLength() const { return int(m_queue.size()); }
    bool timerActive() const { return T.isActive(); }

private:
    KLVRequest* head() const;
    bool discardForeignLine(const QString& line);

    KLVSockComm* m_connection;
    QList<QPointer<KLVRequest>> m_queue;
    QTimer T;
    // The transaction id of an answer that went to the wrong request, until its end.
    QString m_discardTid;
    bool m_discarding = false;
};
