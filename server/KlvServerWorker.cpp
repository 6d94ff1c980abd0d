#include "KlvServerWorker.h"

#include "KlvCatalogueCommands.h"
#include "KlvConnection.h"
#include "KlvEditorCommands.h"
#include "KlvQueryCommands.h"
#include "KlvServerHooks.h"
#include "KlvSessionCommands.h"

#include <QHostAddress>
#include <QTcpSocket>

KlvServerWorker::KlvServerWorker(KlvServerOptions options, std::shared_ptr<KlvServerHooks> hooks)
    : m_options(std::move(options)), m_hooks(std::move(hooks))
{
    KlvSessionCommands::addTo(m_commands);
    KlvEditorCommands::addTo(m_commands);
    KlvQueryCommands::addTo(m_commands);
    KlvCatalogueCommands::addTo(m_commands);
    m_erp = std::make_unique<KlvErpData>();
    const QString dataFile = m_options.dataFile.isEmpty() ? KlvErpData::builtInDataFile() : m_options.dataFile;
    m_erpLoaded = m_erp->load(dataFile, m_options.generatedRows);
    connect(&m_server, &QTcpServer::newConnection, this, &KlvServerWorker::onNewConnection);
}

KlvServerWorker::~KlvServerWorker()
{
    m_server.close();
    const QList<KlvConnection*> connections = std::exchange(m_connections, {});
    for (KlvConnection* c : connections) {
        c->disconnect(this);
        c->abort();
        m_hooks->connectionClosed(c->id());
        delete c;
    }
}

bool KlvServerWorker::listen()
{
    if (!m_erpLoaded)
        return false;
    return m_server.listen(QHostAddress::LocalHost, m_options.port);
}

QString KlvServerWorker::errorString() const
{
    return m_erpLoaded ? m_server.errorString() : m_erp->errorString();
}

void KlvServerWorker::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* connection = new KlvConnection(m_nextId++, socket, *this);
        m_connections.append(connection);
        m_hooks->connectionOpened();
        connect(connection, &KlvConnection::finished, this, &KlvServerWorker::onFinished);
        connection->greet();
    }
}

void KlvServerWorker::onFinished(KlvConnection* connection)
{
    if (!m_connections.removeOne(connection))
        return;
    m_waiters.removeOne(connection);
    m_hooks->connectionClosed(connection->id());
    m_locks.releaseAll(connection->id());
    m_erp->unlockAll(connection->id());
    connection->deleteLater();
    // A record it held for an edit may be what another connection waits for.
    wakeWaiters();
}

void KlvServerWorker::addWaiter(KlvConnection* connection)
{
    if (!m_waiters.contains(connection))
        m_waiters.append(connection);
}

void KlvServerWorker::removeWaiter(KlvConnection* connection)
{
    m_waiters.removeOne(connection);
}

void KlvServerWorker::wakeWaiters()
{
    const QList<KlvConnection*> waiters = m_waiters;
    for (KlvConnection* c : waiters) {
        if (m_waiters.contains(c))
            c->retryWait();
    }
}
