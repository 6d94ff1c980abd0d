#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QAbstractItemView;
class QKeyEvent;
class QMenu;
class QWidget;

// A widget's popup menu as a user opens it: with the right mouse button, the Menu key or
// Shift+F10, alike. Each of them reaches the widget as a context-menu event: the platform
// sends one for the right button (and, on X11, for the Menu key); the Menu key pressed and
// Shift+F10 are turned into one here. The menu opens at the mouse, or for the keyboard below
// the current row of a list (at its top left corner when no row is current in view), or at
// the widget with the focus.
//
// A control inside the watched widget that has a popup menu of its own (a text box) keeps
// it; the event reaches the watched widget only when its control leaves it.
class PopupMenu : public QObject
{
    Q_OBJECT

public:
    // Where the menu belongs on the screen, and whether the keyboard asked for it.
    using Show = std::function<void(const QPoint& globalPos, bool byKeyboard)>;

    // Watches target (and, for a list, its viewport) and calls show where the menu belongs.
    // The watcher is a child of target and goes with it.
    static PopupMenu* attach(QWidget* target, Show show);
    // Opens the main window's menu at globalPos, unless the main window switched it off.
    static void open(QMenu* menu, const QPoint& globalPos);

    // The two keys the keyboard opens a popup menu with: the Menu key and Shift+F10.
    static bool isMenuKey(const QKeyEvent* event);
    // Sends widget the context-menu event the keyboard gives; true when it was taken.
    static bool sendKeyboardEvent(QWidget* widget);
    // Where a popup menu opened from the keyboard stands for widget, on the screen.
    static QPoint keyboardPosition(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PopupMenu(QWidget* target, Show show);

    QWidget* m_target;
    QAbstractItemView* m_view;
    Show m_show;
};
