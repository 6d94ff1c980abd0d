#include "KLVWait.h"

#include <QTimer>

KLVWait::KLVWait() = default;

bool KLVWait::until(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    m_done = done;
    m_timedOut = false;

    // A timer of this wait's own: Qt never lets a timer fire again while its handler runs,
    // so a wait nested in the handler of an outer one must not rely on the outer's timers.
    QTimer deadline;
    deadline.setSingleShot(true);
    if (timeoutMs >= 0) {
        QObject::connect(&deadline, &QTimer::timeout, &m_context, [this] {
            m_timedOut = true;
            m_loop.quit();
        });
        deadline.start(timeoutMs);
    }
    for (;;) {
        if (done())
            return true;
        if (m_timedOut)
            return false;
        // No event loop runs while the application leaves its loops (a quit before its own
        // loop began): the wait ends here, as failed, rather than spin without reading.
        if (m_loop.exec() < 0)
            return done();
    }
}

void KLVWait::wake()
{
    if (m_done && m_done())
        m_loop.quit();
}
