#pragma once

// A nested event loop that runs until a condition holds. Every wait of the library goes
// through it: the condition is checked whenever one of the signals it listens to fires, so
// the user interface stays responsive while it waits and nothing polls. A wait listens to
// every signal that can change its condition; a time limit, where one is given, ends it too.

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

    // Returns true once done() holds; false when timeoutMs (if not negative) passed first.
    bool until(const std::function<bool()>& done, int timeoutMs = -1);

private:
    void wake();

    QObject m_context;
    QEventLoop m_loop;
    std::function<bool()> m_done;
    bool m_timedOut = false;
};
