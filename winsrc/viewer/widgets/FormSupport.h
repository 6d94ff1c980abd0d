#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <qnamespace.h>

class QKeyEvent;
class QMenu;
class QPushButton;
class QWidget;

// What the query window and its dialogs share: the one instance of a dialog the program shows
// again and again, whether window layouts are kept, the keys a window sees first, and the
// main window's menus and pointer, which the windows reach by name.
class FormSupport
{
public:
    // The program's one instance of Dialog, made on first use as a child of the main window
    // and kept (hidden) between uses; made again once it was deleted. Without a main window
    // it goes when the program ends.
    template <class Dialog>
    static Dialog* defaultInstance();

    // The widget with that object name (by which the windows find each other's controls).
    template <class T>
    static T* named(T* widget, const QString& name)
    {
        widget->setObjectName(name);
        return widget;
    }

    // "Save window state" of the viewer settings.
    static bool saveWindowState();

    // The window sees every key of itself and its controls before they do (it filters its
    // own events and theirs).
    static void watchKeys(QWidget* window);

    // Shift, Ctrl and Alt of a key press, without the keypad and other flags.
    static Qt::KeyboardModifiers shiftState(const QKeyEvent* event);

    // F1 shows the help topic the message helpTopicMessage names, Ctrl+Alt+Print prints the
    // window: true when the key was one of them.
    static bool helpOrHardcopyKey(QWidget* window, const QKeyEvent* event, int helpTopicMessage);
    // The window's Help button (message 47, named "HilfeButton"): a click opens the help topic
    // the message helpTopicMessage names.
    static QPushButton* helpButton(QWidget* window, int helpTopicMessage);
    // The same for an event a window's filter sees: a key pressed in the window or one of its
    // controls.
    static bool helpOrHardcopyKeyIn(QWidget* window, QObject* watched, QEvent* event, int helpTopicMessage);

    // The main window's menu of that object name, or null.
    static QMenu* mainMenu(const QString& name);
    // Switches the main window's entry of that name (a menu or an action) on or off.
    static void setMainEntryEnabled(const QString& name, bool enabled);
    // The main window's pointer: 11 hourglass, 13 arrow with hourglass, 0 normal.
    static void setMousePointer(int pointer);

private:
    static QWidget* mainForm();
};

template <class Dialog>
Dialog* FormSupport::defaultInstance()
{
    static QPointer<Dialog> instance;
    if (!instance) {
        instance = new Dialog(mainForm());
        if (!instance->parent())
            QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [] { delete instance.data(); });
    }
    return instance;
}
