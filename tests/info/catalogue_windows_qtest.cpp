// What every catalogue window does alike, as a user meets it: it comes back where and how it
// was left (also when it was left maximised and the query window is then restored), its lists
// sort number columns by value, and a server that does not answer can be broken off with Esc,
// by closing the window or by ending the program.
#include "CatalogueWindow.h"
#include "ChildWindowFrame.h"
#include "DatabaseInfoForm.h"
#include "InfosysForm.h"
#include "MainMenus.h"
#include "ServerWait.h"
#include "SettingsStore.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"
#include "catalogue_support.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QStyleOptionComplex>

using namespace CatalogueTest;
using namespace MainModul;

namespace {

// The window's list whose column shows numbers, and the column's caption.
struct NumberColumn
{
    QString list;
    QString caption;
};

NumberColumn numberColumnOf(const QString& entry)
{
    if (entry == u"DBInfoMenue")
        return {u"DBListe"_s, GetMessageTextByNr(1602)}; // the database number
    if (entry == u"AufzInfoMenue")
        return {u"AufzListe"_s, GetMessageTextByNr(1654)}; // the longest value
    if (entry == u"InfosystemInfoMenue")
        return {u"InfosysFeldliste"_s, GetMessageTextByNr(1553)}; // a field's length
    if (entry == u"MeldungsInfoMenue")
        return {u"MsgListe"_s, GetMessageTextByNr(1752)}; // the message number
    return {u"NachVerwListe"_s, GetMessageTextByNr(380)}; // the database number
}

int columnOf(QTreeWidget* list, const QString& caption)
{
    for (int c = 0; c < list->columnCount(); ++c) {
        if (list->headerItem()->text(c) == caption)
            return c;
    }
    return -1;
}

QList<double> numbers(QTreeWidget* list, int c)
{
    QList<double> values;
    for (const QString& text : column(list, c))
        values.append(text.toDouble());
    return values;
}

// The frame's button that brings the maximised window back to its normal place: it stands
// in the main window's menu bar, drawn by the style.
QPoint restoreButton(QMenuBar* bar, QWidget** controls)
{
    *controls = bar->cornerWidget(Qt::TopRightCorner);
    if (!*controls)
        return {};
    QStyleOptionComplex option;
    option.initFrom(*controls);
    option.subControls = QStyle::SC_All;
    return (*controls)
        ->style()
        ->subControlRect(QStyle::CC_MdiControls, &option, QStyle::SC_MdiNormalButton, *controls)
        .center();
}

} // namespace

class CatalogueWindowsTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    CatalogueWindow* open(const QString& entry)
    {
        viewer.window->menus().action(entry)->trigger();
        auto* window = qobject_cast<CatalogueWindow*>(viewer.window->mdiArea()->activeSubWindow()
                                                          ? viewer.window->mdiArea()->activeSubWindow()->widget()
                                                          : nullptr);
        if (window && entry == u"MeldungsInfoMenue") {
            // The message texts come with a search: every text holding "Kunde".
            auto* text = window->findChild<QLineEdit*>(u"MsgText"_s);
            text->setFocus();
            QTest::keyClicks(text, u"Kunde"_s);
            clickButton(window, u"StartButton"_s);
        }
        if (window && entry == u"VerwInfoMenue") {
            // The references to the customers' group.
            auto* tree = window->findChild<QTreeWidget*>(u"DBListe"_s);
            QTreeWidgetItem* customers = row(tree, u"Kunde (1)"_s);
            tree->expandItem(customers);
            clickRow(tree, customers->child(0));
            auto* tabs = window->findChild<QTabWidget*>(u"Verweislisten"_s);
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
        }
        return window && window->isVisible() ? window : nullptr;
    }

    // What is wrong with the window as the user sees it, once its layout has followed what
    // it shows.
    static QStringList faults(QWidget* window)
    {
        QTest::qWait(0);
        QCoreApplication::processEvents();
        return WindowGeometry::problems(frameOf(window));
    }

    static void entries()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("databases") << u"DBInfoMenue"_s;
        QTest::newRow("enumerations") << u"AufzInfoMenue"_s;
        QTest::newRow("references") << u"VerwInfoMenue"_s;
        QTest::newRow("information systems") << u"InfosystemInfoMenue"_s;
        QTest::newRow("message texts") << u"MeldungsInfoMenue"_s;
    }

private Q_SLOTS:
    void init()
    {
        server.setScript({});
        QVERIFY(logOn());
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
    }

    void aWindowComesBackWhereAndHowItWasLeft_data() { entries(); }
    void aWindowComesBackWhereAndHowItWasLeft()
    {
        QFETCH(QString, entry);
        // The query window in its normal state, so the catalogue window can be too.
        frameOf(form)->showNormal();
        CatalogueWindow* w = open(entry);
        QVERIFY(w);
        QMdiSubWindow* sub = frameOf(w);
        QVERIFY(!sub->isMaximized());
        const QRect place(30, 20, sub->width() + 50, sub->height() + 30);
        sub->setGeometry(place);
        // The panes the user shares out come back too, where the window keeps them (the
        // information systems' window keeps only its place and its columns).
        auto* split = w->findChild<QSplitter*>(u"VSplit"_s);
        const bool keepsPanes = split && entry != u"InfosystemInfoMenue";
        if (keepsPanes)
            UserInput::dragSplitter(split, 1, 40);
        const QList<int> panes = keepsPanes ? split->sizes() : QList<int>();
        QVERIFY(closeViewer());

        QVERIFY(logOnAgain());
        frameOf(form)->showNormal();
        w = open(entry);
        QVERIFY(w);
        QCOMPARE(frameOf(w)->geometry(), place);
        QVERIFY(!frameOf(w)->isMaximized());
        if (keepsPanes)
            QTRY_COMPARE(w->findChild<QSplitter*>(u"VSplit"_s)->sizes(), panes);
        QVERIFY2(faults(w).isEmpty(), qPrintable(faults(w).join(u"\n"_s)));
    }

    void aWindowLeftMaximisedComesBackRightWhenTheQueryWindowIsRestored_data() { entries(); }
    void aWindowLeftMaximisedComesBackRightWhenTheQueryWindowIsRestored()
    {
        QFETCH(QString, entry);
        // Its normal place first, then maximised as the query window is: so it is left.
        frameOf(form)->showNormal();
        CatalogueWindow* w = open(entry);
        QVERIFY(w);
        const QString section = w->settingsSection();
        const QRect normal(40, 30, frameOf(w)->width(), frameOf(w)->height());
        frameOf(w)->setGeometry(normal);
        frameOf(w)->showMaximized();
        // The panes as the user shares them out in the maximised window.
        auto* split = w->findChild<QSplitter*>(u"VSplit"_s);
        const bool keepsPanes = split && entry != u"InfosystemInfoMenue";
        if (keepsPanes)
            UserInput::dragSplitter(split, 1, 60);
        const QList<int> panes = keepsPanes ? split->sizes() : QList<int>();
        QVERIFY(closeViewer());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"WindowState"_s), u"2"_s);

        // The next start: the query window opens maximised, and the user restores it with the
        // frame's button in the menu bar before opening the catalogue window.
        QVERIFY(logOnAgain());
        QVERIFY(frameOf(form)->isMaximized());
        QWidget* controls = nullptr;
        QPoint at = restoreButton(viewer.window->menuBar(), &controls);
        QVERIFY(controls);
        QTest::mouseClick(controls, Qt::LeftButton, {}, at);
        QTRY_VERIFY(!frameOf(form)->isMaximized());

        // It opens maximised in front of the query window, its panes with their room.
        w = open(entry);
        QVERIFY(w);
        const QPointer<QMdiSubWindow> sub = frameOf(w);
        QVERIFY(sub->isMaximized());
        QCOMPARE(viewer.window->mdiArea()->activeSubWindow(), sub.data());
        QVERIFY2(faults(w).isEmpty(), qPrintable(faults(w).join(u"\n"_s)));
        if (keepsPanes)
            QTRY_COMPARE(w->findChild<QSplitter*>(u"VSplit"_s)->sizes(), panes);

        // Restored, it stands at its normal place with its title bar, and keeps its panes.
        at = restoreButton(viewer.window->menuBar(), &controls);
        QVERIFY(controls);
        QTest::mouseClick(controls, Qt::LeftButton, {}, at);
        QTRY_VERIFY(!sub->isMaximized());
        QCOMPARE(sub->geometry(), normal);
        QVERIFY(sub->isVisible());
        QCOMPARE(viewer.window->mdiArea()->activeSubWindow(), sub.data());
        QVERIFY2(faults(w).isEmpty(), qPrintable(faults(w).join(u"\n"_s)));
        for (QTreeWidget* list : w->findChildren<QTreeWidget*>()) {
            if (list->isVisible())
                QVERIFY2(list->width() >= list->minimumSizeHint().width() && list->height() > 110,
                         qPrintable(list->objectName()));
        }
    }

    void aNumberColumnSortsByValueBothWays_data() { entries(); }
    void aNumberColumnSortsByValueBothWays()
    {
        QFETCH(QString, entry);
        CatalogueWindow* w = open(entry);
        QVERIFY(w);
        const NumberColumn number = numberColumnOf(entry);
        auto* list = w->findChild<QTreeWidget*>(number.list);
        QVERIFY(list);
        QTRY_VERIFY(list->topLevelItemCount() > 1 && !w->isBusy());
        const int c = columnOf(list, number.caption);
        QVERIFY2(c >= 0, qPrintable(number.caption));
        clickHeader(list, c);
        QList<double> values = numbers(list, c);
        QVERIFY2(std::is_sorted(values.begin(), values.end()), qPrintable(column(list, c).join(u' ')));
        clickHeader(list, c);
        values = numbers(list, c);
        QVERIFY2(std::is_sorted(values.rbegin(), values.rend()), qPrintable(column(list, c).join(u' ')));
    }

    void aServerThatStoppedAnsweringIsBrokenOffWithEscAndTheWindowSaysSo()
    {
        MessageBoxes boxes;
        const auto arrived = holdFirst(server, u"GDN|"_s);
        // The window shows while it waits, and Esc ends the wait; a window still waiting a good
        // while later has no way out.
        bool stillWaiting = false;
        whenWaiting<DatabaseInfoForm>(viewer.window.get(), [&stillWaiting](DatabaseInfoForm* w) {
            QTest::keyClick(w->dbListe(), Qt::Key_Escape);
            QTimer::singleShot(10000, w, [w, &stillWaiting] { stillWaiting = w->isBusy(); });
        });
        viewer.window->menus().action(u"DBInfoMenue"_s)->trigger();
        QVERIFY(arrived->load());
        QVERIFY(!stillWaiting);
        auto* w = viewer.window->findChild<DatabaseInfoForm*>();
        QVERIFY(w && w->isVisible() && !w->isBusy());
        QTRY_VERIFY(!received(u"BRQ|"_s).isEmpty());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(35)});
        // The window works on: F5 asks again, and the server answers now.
        server.setScript({});
        w->dbListe()->setFocus();
        QTest::keyClick(w->dbListe(), Qt::Key_F5);
        QTRY_VERIFY(w->dbListe()->topLevelItemCount() > 0);
    }

    void closingAWindowThatWaitsBreaksTheWaitOff()
    {
        const auto arrived = holdFirst(server, u"GAZ|"_s);
        QPointer<CatalogueWindow> waiting;
        whenWaiting<CatalogueWindow>(viewer.window.get(), [&waiting](CatalogueWindow* w) {
            waiting = w;
            frameOf(w)->close();
        });
        viewer.window->menus().action(u"AufzInfoMenue"_s)->trigger();
        QVERIFY(arrived->load());
        QTRY_VERIFY(!waiting);
        QVERIFY(!received(u"BRQ|"_s).isEmpty());
    }

    void exitEndsTheProgramOnTheFirstPressDuringAWait()
    {
        // An information-system window is open too, whose edit operation is cancelled when it
        // closes: the server answers that no more than the rest.
        viewer.window->AddInfosysForm();
        auto* infosys = viewer.window->findChild<InfosysForm*>();
        QVERIFY(infosys);
        infosys->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        QVERIFY(infosys->isEditOpen());
        auto arrived = std::make_shared<std::atomic_bool>(false);
        server.setScript([arrived](int, const QString& line, bool greeting, KlvScriptReply& reply) {
            if (greeting || !(line.startsWith(u"GDN|"_s) || line.startsWith(u"CAN|"_s)))
                return false;
            arrived->store(true);
            reply.delay(60000);
            reply.defaultAnswer();
            return true;
        });
        // A program still open a good while after Exit has no way out.
        bool stillOpen = false;
        whenWaiting<DatabaseInfoForm>(viewer.window.get(), [this, &stillOpen](DatabaseInfoForm*) {
            KLVViewerWindow* main = viewer.window.get();
            QTimer::singleShot(10000, main, [main, &stillOpen] { stillOpen = main->isVisible(); });
            UserInput::chooseMenuEntry(main->menuBar(), main->menus().menu(u"DateiMenue"_s),
                                       main->menus().action(u"BeendenMenue"_s));
        });
        viewer.window->menus().action(u"DBInfoMenue"_s)->trigger();
        QVERIFY(arrived->load());
        // One Exit: the wait is broken off, the windows close, the session ends.
        QTRY_VERIFY(!viewer.window->isVisible());
        QVERIFY(!stillOpen);
        QVERIFY(viewer.window->mdiArea()->subWindowList().isEmpty());
        QVERIFY(waitForLine(server, u"END|0"_s));
    }
};

VIEWER_TEST_MAIN(CatalogueWindowsTest)
#include "catalogue_windows_qtest.moc"
