#include "KLVWait.h"

#include <QTimer>

KLVWait::KLVWait() = default;

bool KLVWait::until(const std::function<bool()>& done, int timeoutMs)
{
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
    // A signal that is missed (or a condition that changes without one) must not leave the
    // caller waiting for ever.
    QTimer safety;
    safety.setInterval(50);
    QObject::connect(&safety, &QTimer::timeout, &m_context, [this] { check(); });
    safety.start();

    // A quit may have been meant for an inner loop that has since returned: check again.
    while (!done()) {
        if (m_timedOut)
            return false;
        m_loop.exec();
    }
    return true;
}

void KLVWait::check()
{
    if (m_done && m_done())
        m_loop.quit();
}
