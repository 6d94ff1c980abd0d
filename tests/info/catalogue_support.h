#pragma once

// What the tests of the catalogue windows share: the main window logged on to klvserver (the
// query window's set-up), the catalogue windows opened from its menu, the user's clicks on
// rows, headers, buttons and the column chooser, and scripted answers of the server.

#include "KlvScriptReply.h"
#include "MainMenus.h"
#include "ViewerTest.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace CatalogueTest {

using namespace ViewerTest;
using namespace Qt::StringLiterals;

// The stand-in server and the main window logged on to it; a test opens its catalogue window
// from the main menu.
class CatalogueWindowTest : public QueryWindowTest
{
protected:
    // The window of that class once the main menu's entry opened it; null when none shows.
    template <class Form>
    Form* openFromMenu(const QString& entry)
    {
        viewer.window->menus().action(entry)->trigger();
        Form* window = viewer.window->findChild<Form*>();
        return window && window->isVisible() ? window : nullptr;
    }

    // The lines the server received that start with prefix.
    QStringList received(const QString& prefix) const { return linesStartingWith(server, prefix); }

    // The server answers the lines that start with prefix as usual, but the first count of
    // them only after ms milliseconds (a break cuts the wait short).
    void delayAnswers(const QString& prefix, int ms, int count = 1)
    {
        auto left = std::make_shared<std::atomic<int>>(count);
        server.setScript([prefix, ms, left](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(prefix) || left->fetch_sub(1) <= 0)
                return false;
            reply.delay(ms);
            reply.defaultAnswer();
            return true;
        });
    }

    // The server answers the lines that start with prefix with these lines instead.
    void answerWith(const QString& prefix, const QStringList& lines)
    {
        server.setScript([prefix, lines](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(prefix))
                return false;
            for (const QString& l : lines)
                reply.sendLine(l);
            return true;
        });
    }
};

// An answer of a catalogue command without records.
inline QStringList emptyAnswer(const QString& word)
{
    return {u"BOD|0|"_s + word + u"|0"_s, u"EOD|0|"_s + word + u"|0|1"_s};
}

// The frame of a catalogue window inside the main window.
inline QMdiSubWindow* frameOf(QWidget* window)
{
    return qobject_cast<QMdiSubWindow*>(window->parentWidget());
}

inline QPoint rowPosition(QTreeWidget* list, QTreeWidgetItem* item)
{
    list->scrollToItem(item);
    return list->visualItemRect(item).center();
}

inline void clickRow(QTreeWidget* list, QTreeWidgetItem* item)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPosition(list, item));
}

// Clicks the row with that text; false when there is none.
inline bool clickRow(QTreeWidget* list, const QString& text)
{
    QTreeWidgetItem* item = row(list, text);
    if (item)
        clickRow(list, item);
    return item != nullptr;
}

using UserInput::clickHeader;

inline void clickButton(QWidget* window, const QString& name)
{
    auto* button = window->findChild<QAbstractButton*>(name);
    // A check box or option button takes the click on its box.
    const bool box = button->isCheckable() && !qobject_cast<QPushButton*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, box ? QPoint(6, button->height() / 2) : QPoint());
}

// Takes OK on the dialog of that name as soon as it shows while open() fills it slowly; true
// when the dialog then went without showing again once filled (were it shown again, it is
// closed, so that the test fails instead of hanging).
inline bool okWhileFilledClosesTheDialog(const QString& name, const std::function<void()>& open)
{
    const auto took = std::make_shared<bool>(false);
    whenShown(
        name,
        [took](QWidget* w) {
            *took = true;
            clickButton(w, u"OKButton"_s);
        },
        true, Moment::Waiting);
    bool cameBack = false;
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&cameBack] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && !dialog->property("Busy").toBool() && !dialog->property("ClosePending").toBool()) {
            cameBack = true;
            dialog->reject();
        }
    });
    guard.start(10000);
    open();
    guard.stop();
    return *took && !cameBack && QTest::qWaitFor([&name] {
        const QWidget* dialog = QApplication::activeModalWidget();
        return !dialog || dialog->objectName() != name;
    });
}

// The right button released over the row: the context-menu event; the menu that pops up.
inline QMenu* contextMenu(QTreeWidget* list, QTreeWidgetItem* item)
{
    const QPoint at = rowPosition(list, item);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// Clicks the menu's entry of that name.
inline void clickEntry(QMenu* menu, const QString& name)
{
    for (QAction* action : menu->actions()) {
        if (action->objectName() == name) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    QFAIL(qPrintable(u"no entry "_s + name));
}

// Answers the column chooser when it shows: the entries with these captions are clicked (each
// click switches one), then OK; shown counts the times it showed.
inline void toggleColumns(const QStringList& captions, int* shown = nullptr)
{
    whenShown(u"SpaltenWahlForm"_s, [captions, shown](QWidget* dialog) {
        if (shown)
            ++*shown;
        auto* list = dialog->findChild<QListWidget*>(u"SpaltenListe"_s);
        for (const QString& caption : captions) {
            const QList<QListWidgetItem*> found = list->findItems(caption, Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable(caption));
            list->scrollToItem(found.first());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
        }
        clickButton(dialog, u"OKButton"_s);
    });
}

// Runs act once, as soon as a window of that class shows while it waits for the server (from
// inside that wait).
template <class Form>
void whenWaiting(QWidget* main, std::function<void(Form*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, main, act] {
        Form* window = main->findChild<Form*>();
        if (!window || !window->isVisible() || !window->isBusy())
            return;
        timer->stop();
        timer->deleteLater();
        act(window);
    });
    timer->start();
}

// Runs act after ms milliseconds of the event loop, also inside a wait for the server, unless
// the window has gone by then.
inline void after(int ms, QWidget* window, std::function<void()> act)
{
    QTimer::singleShot(ms, window, std::move(act));
}

} // namespace CatalogueTest
