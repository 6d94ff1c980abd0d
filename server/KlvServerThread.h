#pragma once

#include "KlvServer.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <memory>

class KlvServerHooks;

// The server's own thread: creates the server in it, runs its event loop, and destroys it
// there again, so no socket is ever touched from another thread.
class KlvServerThread : public QThread
{
    Q_OBJECT
public:
    KlvServerThread(KlvServerOptions options, std::shared_ptr<KlvServerHooks> hooks);
    ~KlvServerThread() override;

    // Starts the thread and waits until the server listens or failed to.
    bool startListening();
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    void stop();

protected:
    void run() override;

private:
    KlvServerOptions m_options;
    std::shared_ptr<KlvServerHooks> m_hooks;
    QMutex m_mutex;
    QWaitCondition m_ready;
    bool m_done = false;
    bool m_listening = false;
    quint16 m_port = 0;
    QString m_error;
};
