#pragma once

// Drives the logon component's modal dialogs from a test: an act runs on a window as soon as
// it shows, as a user's clicks would.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

namespace DialogDriver {

// Acts waiting for their window; a required one that never ran fails the test.
inline std::vector<std::pair<QPointer<QTimer>, bool>> pendingActs;

inline void closeModals()
{
    while (QWidget* w = QApplication::activeModalWidget()) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    }
}

// When an act runs on its window.
enum class Moment {
    Filled,  // once it shows and no longer waits for the server
    Waiting, // as soon as it shows, also while it waits (a window shown during a slow wait)
};

// Runs act on the modal window of this object or class name once it shows (a window shown
// during its wait is not filled yet: by default the act waits for that). A failed check
// inside act closes every modal window, so a failing test ends instead of hanging.
inline void whenShown(const QString& name, std::function<void(QWidget*)> act, bool required = true,
                      Moment moment = Moment::Filled)
{
    auto* timer = new QTimer;
    pendingActs.emplace_back(timer, required);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act, moment] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() ||
            (w->objectName() != name && QLatin1StringView(w->metaObject()->className()) != name) ||
            (moment == Moment::Filled && w->property("Busy").toBool()))
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
        if (QTest::currentTestFailed())
            closeModals();
    });
    timer->start(10);
}

// Stops the acts still waiting; false when a required one never ran.
inline bool finishPendingActs()
{
    bool missed = false;
    for (auto& [timer, required] : pendingActs) {
        missed = missed || (required && timer && timer->isActive());
        delete timer.data();
    }
    pendingActs.clear();
    closeModals();
    return !missed;
}

// A control of the dialog itself (the logon dialog's children include the other dialog,
// whose controls partly share its names).
template <class T>
T* child(QWidget* dialog, const QString& name)
{
    T* c = dialog->findChild<T*>(name, Qt::FindDirectChildrenOnly);
    if (!c)
        qFatal("no control %s in %s", qPrintable(name), qPrintable(dialog->objectName()));
    return c;
}

inline void click(QWidget* dialog, const QString& button)
{
    child<QPushButton>(dialog, button)->click();
}

// Picks a connection in the logon dialog's list with the arrow keys, each step a choice as the
// user makes it.
inline void choose(QWidget* logon, const QString& name)
{
    auto* list = child<QComboBox>(logon, QStringLiteral("Verbindungen"));
    const int target = list->findText(name);
    if (target < 0)
        qFatal("no connection %s in the list", qPrintable(name));
    while (list->currentIndex() < target)
        QTest::keyClick(list, Qt::Key_Down);
    while (list->currentIndex() > target)
        QTest::keyClick(list, Qt::Key_Up);
}

} // namespace DialogDriver
