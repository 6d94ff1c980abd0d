#include "ServerWait.h"

#include "ChildWindowFrame.h"
#include "FormSupport.h"
#include "LayoutStore.h"
#include "MainModul.h"
#include "MemberCall.h"

#include <QCloseEvent>
#include <QWidget>

#include <utility>

ServerWait::ServerWait(QWidget* window) : QObject(window), m_window(window)
{
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(ShowHiddenAfterMs);
    connect(&m_showTimer, &QTimer::timeout, this, [this] { showHiddenWindow(); });
}

ServerWait::Scope::Scope(ServerWait* wait, int pointer) : m_wait(wait)
{
    if (m_wait)
        m_wait->begin(pointer);
}

ServerWait::Scope::~Scope()
{
    if (m_wait)
        m_wait->end(this);
}

void ServerWait::begin(int pointer)
{
    if (m_busy++ == 0) {
        m_window->setProperty(BusyProperty, true);
        m_brokenOff = false;
        m_reportBreak = false;
        m_pointer = pointer;
        if (pointer != 0)
            FormSupport::setMousePointer(pointer);
        if (!m_window->isVisible())
            m_showTimer.start();
    }
}

void ServerWait::end(const Scope* scope)
{
    m_breakers.removeIf([scope](const Breaker& b) { return b.scope == scope; });
    if (--m_busy > 0)
        return;
    m_window->setProperty(BusyProperty, false);
    m_showTimer.stop();
    if (m_pointer != 0)
        FormSupport::setMousePointer(0);
    // A wait may have found the connection gone, also where the library gave it up without a
    // word from the socket (a time-out, an answer out of step): the main window shows it.
    MemberCall::Invoke(App().MainForm, "CheckConnection");
    if (m_closePending) {
        scheduleClose();
        return;
    }
    // What was to follow the wait does not follow one the user broke off.
    if (std::exchange(m_reportBreak, false))
        Q_EMIT brokenOff();
    else
        Q_EMIT idle();
}

void ServerWait::breakOff()
{
    if (m_busy == 0)
        return;
    markBrokenOff();
    // A break-off may end a wait at once, and its scope with it: the list is taken first.
    const QList<Breaker> breakers = m_breakers;
    for (const Breaker& b : breakers)
        b.breakIt();
}

void ServerWait::markBrokenOff()
{
    if (m_busy == 0)
        return;
    m_brokenOff = true;
    m_reportBreak = !m_closePending;
}

bool ServerWait::mayClose(QCloseEvent* event)
{
    if (m_busy == 0) {
        m_closePending = false;
        m_closeScheduled = false;
        m_window->setProperty(ClosePendingProperty, false);
        return true;
    }
    m_closePending = true;
    m_window->setProperty(ClosePendingProperty, true);
    breakOff();
    event->ignore();
    return false;
}

void ServerWait::closeWindow()
{
    m_closePending = true;
    m_window->setProperty(ClosePendingProperty, true);
    if (m_busy == 0)
        scheduleClose();
}

void ServerWait::scheduleClose()
{
    if (m_closeScheduled)
        return;
    m_closeScheduled = true;
    QTimer::singleShot(0, m_window, [this] {
        m_closeScheduled = false;
        // A window that stays (it asked its user, who said no) takes new actions again.
        if (!LayoutStore::WindowOf(m_window)->close()) {
            m_closePending = false;
            m_window->setProperty(ClosePendingProperty, false);
        }
    });
}

void ServerWait::showHiddenWindow()
{
    if (m_busy == 0 || m_closePending || m_window->isVisible())
        return;
    if (ChildWindowFrame* frame = ChildWindowFrame::of(m_window))
        frame->show();
    else
        m_window->show();
}
