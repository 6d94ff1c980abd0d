#include "KlvServerThread.h"

#include "KlvServerHooks.h"
#include "KlvServerWorker.h"

KlvServerThread::KlvServerThread(KlvServerOptions options, std::shared_ptr<KlvServerHooks> hooks)
    : m_options(std::move(options)), m_hooks(std::move(hooks))
{}

KlvServerThread::~KlvServerThread()
{
    stop();
}

bool KlvServerThread::startListening()
{
    start();
    QMutexLocker lock(&m_mutex);
    while (!m_done)
        m_ready.wait(&m_mutex);
    return m_listening;
}

void KlvServerThread::stop()
{
    quit();
    wait();
}

void KlvServerThread::run()
{
    KlvServerWorker worker(m_options, m_hooks);
    const bool listening = worker.listen();
    {
        QMutexLocker lock(&m_mutex);
        m_listening = listening;
        m_port = worker.port();
        m_error = worker.errorString();
        m_done = true;
        m_ready.wakeAll();
    }
    if (listening)
        exec();
}
