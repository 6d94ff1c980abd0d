#include "KlvServer.h"

#include "KlvServerHooks.h"
#include "KlvServerThread.h"

KlvServer::KlvServer(KlvServerOptions options)
    : m_options(std::move(options)), m_hooks(std::make_shared<KlvServerHooks>())
{
    m_hooks->setRecording(m_options.recordReceived);
}

KlvServer::~KlvServer()
{
    stop();
}

bool KlvServer::start()
{
    if (m_thread)
        return true;
    auto thread = std::make_unique<KlvServerThread>(m_options, m_hooks);
    const bool ok = thread->startListening();
    m_port = thread->port();
    m_error = thread->errorString();
    if (!ok)
        return false; // the thread has nothing to run and ends by itself
    m_thread = std::move(thread);
    return true;
}

void KlvServer::stop()
{
    if (m_thread) {
        m_thread->stop();
        m_thread.reset();
    }
}

quint16 KlvServer::port() const
{
    return m_port;
}

QString KlvServer::errorString() const
{
    return m_error;
}

QStringList KlvServer::receivedLines() const
{
    return m_hooks->lines();
}

QList<QByteArray> KlvServer::receivedRawLines() const
{
    return m_hooks->rawLines();
}

void KlvServer::clearReceived()
{
    m_hooks->clear();
}

void KlvServer::setRecording(bool on)
{
    m_hooks->setRecording(on);
}

bool KlvServer::waitForReceived(int count, int timeoutMs) const
{
    return m_hooks->waitFor(count, timeoutMs);
}

void KlvServer::setScript(KlvScript script)
{
    m_hooks->setScript(std::move(script));
}

int KlvServer::connectionCount() const
{
    return m_hooks->connectionCount();
}
