#pragma once

// A nested event loop that runs until a condition holds. Every wait of the library goes
// through it: the condition is checked whenever one of the signals it listens to fires
// (and on a safety tick), so the user interface stays responsive while it waits.

#include <QEventLoop>
#include <QObject>

#include <functional>

class KLVWait
{
public:
    KLVWait();
    KLVWait(const KLVWait&) = delete;
    KLVWait& operator=(const KLVWait&) = delete;

    template <typename Sender, typename Signal>
    void wakeOn(const Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, &m_context, [this] { wake(); });
    }

    // Work to do on every wake before the condition is checked (the request queue is pumped
    // this way). It runs at the level of the wait, never inside the slot that woke it, and
    // also every intervalMs.
    void setPoll(std::function<void()> poll, int intervalMs);

    // Returns true once done() holds; false when timeoutMs (if not negative) passed first.
    bool until(const std::function<bool()>& done, int timeoutMs = -1);

private:
    void wake();

    QObject m_context;
    QEventLoop m_loop;
    std::function<bool()> m_done;
    std::function<void()> m_poll;
    int m_interval = 50;
    bool m_timedOut = false;
};
