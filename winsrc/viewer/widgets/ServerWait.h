#pragma once

#include "KLVError.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QTimer>
#include <QWeakPointer>

#include <functional>

class QCloseEvent;
class QWidget;

// A window that waits for the server. The library's waits keep the window's message loop
// running, so while one of the window's actions waits the user can go on working: the window
// is busy then (it refuses, or defers, what would run into the request), and every wait can
// be broken off by the user: Esc and the window's Stop or Break button (breakOff), and
// closing the window, which breaks the wait off and closes the window once the wait has
// ended. A wait that goes on while the window is not shown (a window filled before it shows)
// shows it after a moment, so that there is always a window to break it off in.
// When the last wait ends the main window looks whether the connection is still there.
//
// What a break-off breaks is what the waits named: each Scope names the objects it waits on
// (queries, editors, sessions: anything with Break()).
class ServerWait : public QObject
{
    Q_OBJECT

public:
    // How long a wait may run before a hidden window shows.
    static constexpr int ShowHiddenAfterMs = 400;
    // The window's property that tells others (the main window) that it closes once its wait
    // has ended.
    static constexpr const char* ClosePendingProperty = "ClosePending";
    // The window's property that is true while it waits (a window shown during its wait is
    // not filled yet).
    static constexpr const char* BusyProperty = "Busy";

    explicit ServerWait(QWidget* window);

    // The window is busy while a scope lives; the first one sets the main window's pointer
    // (11 hourglass, 13 arrow with hourglass, 0 leaves it) and the last one puts it back.
    class Scope
    {
    public:
        explicit Scope(ServerWait* wait, int pointer = 11);
        template <class... T>
        Scope(ServerWait* wait, int pointer, const QSharedPointer<T>&... objects) : Scope(wait, pointer)
        {
            (on(objects), ...);
        }
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        // The scope waits on object (too): a break-off breaks it.
        template <class T>
        void on(const QSharedPointer<T>& object)
        {
            if (m_wait && object)
                m_wait->m_breakers.append({this, [weak = object.toWeakRef()] {
                                               if (const QSharedPointer<T> o = weak.toStrongRef())
                                                   o->Break();
                                           }});
        }

    private:
        QPointer<ServerWait> m_wait;
    };

    // The library's code of a request that was broken off.
    static constexpr int BrokenOffError = 32;
    // True when object's last request was broken off: its refusal is no news to the user,
    // who broke it off, and the window tells that once the wait has ended.
    template <class T>
    static bool wasBrokenOff(const QSharedPointer<T>& object)
    {
        const QSharedPointer<KLVError> error = object ? object->GetLastKLVError() : nullptr;
        return error && error->ApiErrorCode() == BrokenOffError;
    }

    bool isBusy() const { return m_busy > 0; }
    bool isClosePending() const { return m_closePending; }
    // True once the user broke the present wait off (Esc, Stop, a close), until the next wait
    // begins after an idle window.
    bool wasBrokenOff() const { return m_brokenOff; }

    // The user breaks the wait off: every object the open scopes wait on is broken off.
    // Nothing happens while the window does not wait.
    void breakOff();
    // The user broke the wait off in a way of the window's own (it broke its requests off
    // itself): it counts and is told as a break-off.
    void markBrokenOff();
    // For the window's closeEvent: true when the window may close now; else the event is
    // ignored, the wait broken off, and the window closes once the wait has ended.
    bool mayClose(QCloseEvent* event);
    // The window closes itself (its OK button, a fill that failed): now, or once the wait
    // has ended.
    void closeWindow();

Q_SIGNALS:
    // The last scope ended, and neither a close is pending nor did the user break it off.
    void idle();
    // The last scope of a wait the user broke off ended, with the window still there.
    void brokenOff();

private:
    struct Breaker
    {
        const Scope* scope;
        std::function<void()> breakIt;
    };

    void begin(int pointer);
    void end(const Scope* scope);
    void scheduleClose();
    void showHiddenWindow();

    QWidget* m_window;
    QList<Breaker> m_breakers;
    QTimer m_showTimer;
    int m_busy = 0;
    int m_pointer = 0;
    bool m_closePending = false;
    bool m_closeScheduled = false;
    bool m_brokenOff = false;
    bool m_reportBreak = false;
};
