// Every window and dialog of the program, opened the way the program opens it, keeps its
// panes inside itself and apart from each other at its smallest and at its opening size.
#include "ConnectionDataDialog.h"
#include "ExportDialog.h"
#include "KLVLogon.h"
#include "LogonDialog.h"
#include "MainMenus.h"
#include "SchlInfoForm.h"
#include "SchluesselSchaetzenForm.h"
#include "TestEnvironment.h"
#include "TraceForm.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace Qt::StringLiterals;
using namespace ViewerTest;

class WindowsTest : public QueryWindowTest
{
    Q_OBJECT

private:
    // The faults of a window at its smallest and at the size it opened in.
    static QStringList faultsOf(QWidget* window)
    {
        QWidget* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        const QSize opened = frame ? frame->size() : window->size();
        return WindowGeometry::problemsAtMinimumAndSize(window, opened);
    }

    // Triggers the main window's menu entry and checks the modal dialog it opens.
    QStringList faultsOfModal(const QString& entry, const QString& dialog)
    {
        QStringList faults;
        bool shown = false;
        whenShown(dialog, [&faults, &shown](QWidget* w) {
            shown = true;
            faults = faultsOf(w);
            qobject_cast<QDialog*>(w)->reject();
        });
        viewer.window->menus().action(entry)->trigger();
        if (!shown)
            faults.append(dialog + u" did not open"_s);
        return faults;
    }

    // Triggers the main window's menu entry and checks the child window it shows.
    QStringList faultsOfChild(const QString& entry)
    {
        QMdiArea* area = viewer.window->mdiArea();
        viewer.window->menus().action(entry)->trigger();
        QMdiSubWindow* sub = area->activeSubWindow();
        if (!sub || !sub->isVisible() || sub->widget() == form)
            return {entry + u" opened no window"_s};
        return faultsOf(sub->widget());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(startServer());
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
    }

    void cleanupTestCase()
    {
        QVERIFY(closeViewer());
        server.stop();
    }

    // The tests share the one logon of initTestCase.
    void init() {}
    void cleanup() {}

    void theCheckFindsPanesOutsideOverlappingOrWithoutRoom()
    {
        QWidget window;
        window.resize(200, 100);
        const auto pane = [&window](const QString& name, const QRect& r) {
            auto* w = new QWidget(&window);
            w->setObjectName(name);
            w->setGeometry(r);
            return w;
        };
        pane(u"Left"_s, QRect(0, 0, 100, 100));
        QWidget* right = pane(u"Right"_s, QRect(100, 0, 100, 100));
        window.show();
        QVERIFY(WindowGeometry::problems(&window).isEmpty());
        right->setGeometry(90, 0, 100, 100);
        QCOMPARE(WindowGeometry::problems(&window).size(), 1);
        right->setGeometry(150, 0, 100, 100);
        QCOMPARE(WindowGeometry::problems(&window).size(), 1);
        right->setGeometry(100, 0, 100, 0);
        QCOMPARE(WindowGeometry::problems(&window).size(), 1);
        right->hide();
        QVERIFY(WindowGeometry::problems(&window).isEmpty());
        // A label narrower than its text cannot be read.
        auto* label = new QLabel(u"Search word"_s, &window);
        label->setGeometry(110, 0, 20, 20);
        label->show();
        QCOMPARE(WindowGeometry::problems(&window).size(), 1);
        QVERIFY(WindowGeometry::problems(&window).first().contains(u"is cut"_s));
    }

    void theMainWindowAndTheQueryWindow()
    {
        // The program has its own icon, which the child windows show too.
        QVERIFY(!QApplication::windowIcon().availableSizes().isEmpty());
        QCOMPARE(form->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QStringList faults = WindowGeometry::problemsAtMinimumAndSize(viewer.window.get(), viewer.window->size());
        faults += faultsOf(form);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theDialogsOfTheMainWindow_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("about") << u"UeberMenue"_s << u"AboutDialog"_s;
        QTest::newRow("session settings") << u"KLVSettingsMenue"_s << u"KLVEinstellungenDialog"_s;
        QTest::newRow("viewer settings") << u"ViewerSettingsMenue"_s << u"ViewerEinstellungenDialog"_s;
        QTest::newRow("saved queries") << u"AbfragenVerwaltenMenue"_s << u"QueryListForm"_s;
        QTest::newRow("column chooser") << u"TabListeSpaltenWaehlenMenue"_s << u"SpaltenWahlForm"_s;
        QTest::newRow("client") << u"MandInfoMenue"_s << u"MandInfoForm"_s;
    }

    void theDialogsOfTheMainWindow()
    {
        QFETCH(QString, entry);
        QFETCH(QString, dialog);
        const QStringList faults = faultsOfModal(entry, dialog);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theDialogsOfTheQueryWindow()
    {
        QStringList faults;
        form->ShowQueryStringWindow();
        faults += faultsOf(form->queryStringWindow());
        form->queryStringWindow()->close();

        int shown = 0;
        const auto check = [&faults, &shown](QWidget* w) {
            ++shown;
            faults += faultsOf(w);
            qobject_cast<QDialog*>(w)->reject();
        };
        whenShown(u"SchluesselSchaetzenForm"_s, check);
        SchluesselSchaetzenForm::DefaultInstance()->SchaetzungZeigen(viewer.window->TAV(), form);
        // The reference-path chooser, as Insert in the field list opens it.
        whenShown(u"VerknAuswahlForm"_s, check);
        QTest::keyClick(form->feldListe(), Qt::Key_Insert);
        QCOMPARE(shown, 2);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theInformationWindows_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("databases") << u"DBInfoMenue"_s;
        QTest::newRow("enumerations") << u"AufzInfoMenue"_s;
        QTest::newRow("references") << u"VerwInfoMenue"_s;
        QTest::newRow("messages") << u"MeldungsInfoMenue"_s;
        QTest::newRow("information systems") << u"InfosystemInfoMenue"_s;
    }

    void theInformationWindows()
    {
        QFETCH(QString, entry);
        const QStringList faults = faultsOfChild(entry);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theInformationSystemWindowAndTheKeyInformation()
    {
        QStringList faults;
        QMdiArea* area = viewer.window->mdiArea();
        viewer.window->AddInfosysForm();
        QMdiSubWindow* sub = area->activeSubWindow();
        QVERIFY(sub && sub->widget()->objectName() == u"InfosysForm"_s);
        faults += faultsOf(sub->widget());
        sub->close();

        bool shown = false;
        whenShown(u"SchlInfoForm"_s, [&faults, &shown](QWidget* w) {
            shown = true;
            faults += faultsOf(w);
            qobject_cast<QDialog*>(w)->reject();
        });
        SchlInfoForm* keyInfo = SchlInfoForm::DefaultInstance();
        QString key;
        bool ok = false;
        keyInfo->FillSchlInfo(viewer.window->TAV(), u"Kunde:Kunde"_s, form->AktTableID(), key, ok);
        QVERIFY(ok);
        keyInfo->exec();
        QVERIFY(shown);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theExportDialogOnEachOfItsPages()
    {
        QStringList faults;
        for (int kind = 0; kind <= 4; ++kind) {
            form->ShowExportDialog(kind, false);
            ExportDialog* dialog = ExportDialog::DefaultInstance();
            QVERIFY(dialog->isVisible());
            faults += faultsOf(dialog);
            dialog->reject();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }

    void theLogonDialogsAndTheTraceWindow()
    {
        QStringList faults;
        klvutils::LogonDialog logon;
        faults += faultsOf(&logon);
        klvutils::ConnectionDataDialog connection;
        faults += faultsOf(&connection);
        TraceForm* trace = TraceForm::instance();
        faults += faultsOf(trace);
        trace->hide();
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
    }
};

VIEWER_TEST_MAIN(WindowsTest)

#include "windows_qtest.moc"
