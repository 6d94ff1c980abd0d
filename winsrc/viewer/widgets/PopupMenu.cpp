#include "PopupMenu.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

PopupMenu::PopupMenu(QWidget* target, Show show)
    : QObject(target), m_target(target), m_view(qobject_cast<QAbstractItemView*>(target)), m_show(std::move(show))
{
    target->installEventFilter(this);
    if (m_view)
        m_view->viewport()->installEventFilter(this);
}

PopupMenu* PopupMenu::attach(QWidget* target, Show show)
{
    return target ? new PopupMenu(target, std::move(show)) : nullptr;
}

void PopupMenu::open(QMenu* menu, const QPoint& globalPos)
{
    if (menu && menu->menuAction()->isEnabled())
        menu->popup(globalPos);
}

bool PopupMenu::isMenuKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return (event->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
           (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

QPoint PopupMenu::keyboardPosition(const QWidget* widget)
{
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        const QModelIndex current = view->currentIndex();
        const QRect row = current.isValid() ? view->visualRect(current) : QRect();
        if (row.isValid() && view->viewport()->rect().intersects(row))
            return view->viewport()->mapToGlobal(row.bottomLeft());
        return view->viewport()->mapToGlobal(QPoint(0, 0));
    }
    return widget->mapToGlobal(widget->rect().center());
}

bool PopupMenu::sendKeyboardEvent(QWidget* widget)
{
    const QPoint global = keyboardPosition(widget);
    QContextMenuEvent event(QContextMenuEvent::Keyboard, widget->mapFromGlobal(global), global);
    QCoreApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

bool PopupMenu::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ContextMenu: {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const bool keyboard = menuEvent->reason() == QContextMenuEvent::Keyboard;
        // The list's own view of it: a keyboard's menu below the current row.
        const QPoint at = keyboard && m_view ? keyboardPosition(m_view) : menuEvent->globalPos();
        m_show(at, keyboard);
        event->accept();
        return true;
    }
    case QEvent::KeyPress: {
        if (!isMenuKey(static_cast<QKeyEvent*>(event)))
            break;
        // The control with the focus comes first, so a text box keeps its own menu; what it
        // leaves comes back here as a context-menu event.
        QWidget* focus = QApplication::focusWidget();
        sendKeyboardEvent(focus && (focus == m_target || m_target->isAncestorOf(focus)) ? focus : m_target);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
