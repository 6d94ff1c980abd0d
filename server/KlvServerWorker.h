#pragma once

#include "KlvCommandTable.h"
#include "KlvErpData.h"
#include "KlvLockTable.h"
#include "KlvServer.h"
#include "KlvUserDirectory.h"

#include <QList>
#include <QObject>
#include <QTcpServer>

#include <memory>

class KlvConnection;
class KlvServerHooks;

// The server inside its thread: accepts connections and holds what they share (users,
// locks, the command table). Everything here runs in that one thread.
class KlvServerWorker : public QObject
{
    Q_OBJECT
public:
    KlvServerWorker(KlvServerOptions options, std::shared_ptr<KlvServerHooks> hooks);
    ~KlvServerWorker() override;

    bool listen();
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const;

    const KlvServerOptions& options() const { return m_options; }
    KlvServerHooks& hooks() { return *m_hooks; }
    KlvUserDirectory& directory() { return m_directory; }
    KlvLockTable& locks() { return m_locks; }
    // The sample ERP that every connection of this server shares.
    KlvErpData& erp() { return *m_erp; }
    const KlvCommandTable& commands() const { return m_commands; }

    // Connections waiting for a lock, in the order they began to wait.
    void addWaiter(KlvConnection* connection);
    void removeWaiter(KlvConnection* connection);
    // Something was released: every waiting connection tries again, longest waiting first.
    void wakeWaiters();

private:
    void onNewConnection();
    void onFinished(KlvConnection* connection);

    KlvServerOptions m_options;
    std::shared_ptr<KlvServerHooks> m_hooks;
    QTcpServer m_server;
    KlvUserDirectory m_directory;
    KlvLockTable m_locks;
    std::unique_ptr<KlvErpData> m_erp;
    bool m_erpLoaded = false;
    KlvCommandTable m_commands;
    QList<KlvConnection*> m_connections;
    QList<KlvConnection*> m_waiters;
    int m_nextId = 1;
};
