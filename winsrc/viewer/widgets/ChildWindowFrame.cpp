#include "ChildWindowFrame.h"

#include "FormSupport.h"
#include "LayoutStore.h"
#include "MainModul.h"
#include "NumberText.h"
#include "Twips.h"

#include <QDialog>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

const char* const FrameProperty = "ChildWindowFrame";

} // namespace

ChildWindowFrame::ChildWindowFrame(QWidget* window, const QString& section)
    : QObject(window), m_window(window), m_section(section)
{
    m_window->setProperty(FrameProperty, QVariant::fromValue<QObject*>(this));
    m_window->installEventFilter(this);
}

ChildWindowFrame* ChildWindowFrame::of(const QWidget* window)
{
    return window ? qobject_cast<ChildWindowFrame*>(window->property(FrameProperty).value<QObject*>()) : nullptr;
}

QMdiSubWindow* ChildWindowFrame::subWindow() const
{
    return qobject_cast<QMdiSubWindow*>(m_window->parentWidget());
}

QMdiSubWindow* ChildWindowFrame::addTo(QMdiArea* area, int state)
{
    m_state = state;
    QMdiSubWindow* sub = area->addSubWindow(m_window);
    sub->installEventFilter(this);
    sub->hide();
    applyLeastSize();
    return sub;
}

void ChildWindowFrame::show()
{
    QMdiSubWindow* sub = subWindow();
    if (!sub) {
        // A dialog its caller shows modal once it is filled is modal from the start.
        if (qobject_cast<QDialog*>(m_window) && !m_window->isVisible())
            m_window->setWindowModality(Qt::ApplicationModal);
        m_window->show();
        return;
    }
    QMdiArea* area = sub->mdiArea();
    if (area && !area->isVisible()) {
        // A frame without its size would place the window wrongly: it shows once the frame
        // has shown.
        if (!m_showPending) {
            m_showPending = true;
            area->installEventFilter(this);
        }
        // Its state is there at once.
        const int state = wantedState();
        sub->setWindowState(state == 2 ? Qt::WindowMaximized : state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
        return;
    }
    if (!m_placed)
        place();
    else if (!sub->isVisible())
        sub->show();
    m_window->show();
    if (area && sub->isVisible())
        area->setActiveSubWindow(sub);
}

void ChildWindowFrame::place()
{
    m_placed = true;
    QMdiSubWindow* sub = subWindow();
    applyLeastSize();
    int state = m_state;
    sub->resize(sub->sizeHint().expandedTo(sub->minimumSize()));
    if (!m_section.isEmpty()) {
        if (state == StoredState) {
            const QString stored = LayoutStore::WindowValue(m_section, LayoutStore::WindowKey::WindowState);
            state = NumberText::isNumber(stored) ? int(NumberText::leadingValue(stored)) : 0;
        }
        MainModul::LoadFormPosition(m_window, m_section);
    }
    // The normal place is taken before the window takes its state, and kept under it.
    sub->setWindowState(sub->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    LayoutStore::TrackNormalGeometry(sub);
    switch (state) {
    case 2:
        sub->showMaximized();
        break;
    case 1:
        sub->showMinimized();
        break;
    default:
        sub->showNormal();
        break;
    }
}

int ChildWindowFrame::wantedState() const
{
    if (m_state != StoredState)
        return m_state;
    const QString stored =
        m_section.isEmpty() ? QString() : LayoutStore::WindowValue(m_section, LayoutStore::WindowKey::WindowState);
    return NumberText::isNumber(stored) ? int(NumberText::leadingValue(stored)) : 0;
}

QSize ChildWindowFrame::leastSize() const
{
    QSize least(0, 0);
    // The main window's least size of its children.
    if (QWidget* main = App().MainForm) {
        least = QSize(Twips::toPixelsX(main->property("MinWidth").toInt()),
                      Twips::toPixelsY(main->property("MinHeight").toInt()));
    }
    QMdiSubWindow* sub = subWindow();
    // What the contents need, with the frame's border and title bar.
    return least.expandedTo(sub ? sub->minimumSizeHint() : m_window->minimumSizeHint());
}

void ChildWindowFrame::applyLeastSize()
{
    m_leastPending = false;
    QMdiSubWindow* sub = subWindow();
    if (!sub)
        return;
    // Maximised or minimised, a frame has no border and title bar of its own: the least size
    // it had in the normal state is kept for when it comes back to it.
    QSize least = leastSize();
    if (sub->isMaximized() || sub->isMinimized())
        least = least.expandedTo(sub->minimumSize());
    sub->setMinimumSize(least);
}

void ChildWindowFrame::savePlace(const QList<QWidget*>& controls)
{
    // A window outside a frame is placed where it shows.
    const bool placed = m_placed || (!subWindow() && m_window->isVisible());
    if (placed && !m_section.isEmpty() && FormSupport::saveWindowState())
        MainModul::SaveFormPosition(m_window, m_section, controls);
}

void ChildWindowFrame::endConnections(QWidget* window)
{
    const QList<QObject*> children = window->findChildren<QObject*>();
    for (QObject* child : children)
        child->blockSignals(true);
}

bool ChildWindowFrame::eventFilter(QObject* watched, QEvent* event)
{
    const bool contentsChanged = watched == m_window && event->type() == QEvent::LayoutRequest;
    const bool stateChanged = watched == subWindow() && event->type() == QEvent::WindowStateChange;
    if ((contentsChanged || stateChanged) && !m_leastPending) {
        // The contents or the state changed: the least size follows, once the layout has
        // settled.
        m_leastPending = true;
        QTimer::singleShot(0, this, [this] { applyLeastSize(); });
    } else if (event->type() == QEvent::Show && m_showPending && qobject_cast<QMdiArea*>(watched)) {
        watched->removeEventFilter(this);
        m_showPending = false;
        show();
    }
    return QObject::eventFilter(watched, event);
}
