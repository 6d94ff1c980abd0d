#include "KLVWait.h"

#include <QTimer>

KLVWait::KLVWait() = default;

void KLVWait::setPoll(std::function<void()> poll, int intervalMs)
{
    m_poll = std::move(poll);
    m_interval = intervalMs;
}

bool KLVWait::until(const std::function<bool()>& done, int timeoutMs)
{
    if (m_poll)
        m_poll();
    if (done())
        return true;
    m_done = done;
    m_timedOut = false;

    QTimer deadline;
    deadline.setSingleShot(true);
    if (timeoutMs >= 0) {
        QObject::connect(&deadline, &QTimer::timeout, &m_context, [this] {
            m_timedOut = true;
            m_loop.quit();
        });
        deadline.start(timeoutMs);
    }
    // A timer of this wait's own: Qt never lets a timer fire again while its handler runs,
    // so a wait nested in the handler of an outer one must not rely on the outer's timers.
    QTimer tick;
    tick.setInterval(m_interval);
    QObject::connect(&tick, &QTimer::timeout, &m_context, [this] { wake(); });
    tick.start();

    for (;;) {
        if (m_poll)
            m_poll();
        if (done())
            return true;
        if (m_timedOut)
            return false;
        m_loop.exec();
    }
}

void KLVWait::wake()
{
    // With a poll, the loop returns so that the poll runs at the level of the wait.
    if (m_poll || (m_done && m_done()))
        m_loop.quit();
}
