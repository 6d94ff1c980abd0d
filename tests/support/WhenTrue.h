#pragma once

#include <QTimer>

#include <functional>

namespace TestEvents {

// Runs action once, the first time the event loop finds condition true (also inside the waits
// of the code under test). A test acts on a state it can see, not after a guessed time.
inline void whenTrue(std::function<bool()> condition, std::function<void()> action)
{
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, condition, action] {
        if (!condition())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

} // namespace TestEvents
