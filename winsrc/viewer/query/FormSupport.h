#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <qnamespace.h>

class QKeyEvent;
class QWidget;

// What the query window and its dialogs share: the one instance of a dialog the program shows
// again and again, whether window layouts are kept, and the keys a window sees first.
class FormSupport
{
public:
    // The program's one instance of Dialog, made on first use as a child of the main window
    // and kept (hidden) between uses; made again once it was deleted. Without a main window
    // it goes when the program ends.
    template <class Dialog>
    static Dialog* defaultInstance();

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
