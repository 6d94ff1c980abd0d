// The main window against the stand-in server: logging on with and without the logon dialog,
// refused logons, the status bar, the first query window, the session settings on the wire,
// the protocol log, new connections and the close with its "END".
#include "DesktopLauncher.h"
#include "DialogDriver.h"
#include "KLV.h"
#include "KLVEinstellungenDialog.h"
#include "KLVLogon.h"
#include "KLVViewerWindow.h"
#include "KlvServer.h"
#include "MainMenus.h"
#include "MainModul.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"
#include "opener_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;
using namespace DialogDriver;

namespace {

// A child window that refuses to close, as a query window does when its user cancels.
class StubbornChild : public QWidget
{
    Q_OBJECT
public:
    bool refuse = true;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (refuse)
            event->ignore();
        else
            event->accept();
    }
};

} // namespace

class MainWindowTestCase : public QObject
{
    Q_OBJECT

private:
    KlvServer server;
    std::unique_ptr<KLVViewerWindow> window;

    // A window logged on as admin with the password "on the command line".
    bool logOn(const QString& connection = u"Demo"_s, const QString& password = u"secret"_s)
    {
        window = std::make_unique<KLVViewerWindow>();
        QString name = connection;
        return window->StartUp(name, u"admin"_s, password, QString());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.start());
        loadTexts();
    }

    void init()
    {
        clearSettings();
        storeConnection(u"Demo"_s, u"127.0.0.1"_s, server.port(), u"100"_s, u"admin"_s);
        server.clearReceived();
    }

    void cleanup()
    {
        QVERIFY(finishPendingActs());
        window.reset();
    }

    void cleanupTestCase() { server.stop(); }

    void aPasswordGivenLogsOnWithoutTheDialogAndShowsTheSession()
    {
        MessageBoxes boxes;
        bool dialogShown = false;
        whenShown(
            u"Logon"_s,
            [&dialogShown](QWidget* w) {
                dialogShown = true;
                click(w, u"AbbruchButton"_s);
            },
            false);

        QVERIFY(logOn());
        QVERIFY(!dialogShown);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
        // Before the logon the window stays hidden: Main shows it afterwards.
        QVERIFY(!window->isVisible());

        QCOMPARE(statusPanel(*window, 1), u"Connected to 127.0.0.1"_s);
        QCOMPARE(statusPanel(*window, 3), u"Demo Trading Ltd"_s);
        QCOMPARE(statusPanel(*window, 4), u"6.12"_s);
        QCOMPARE(statusPanel(*window, 5), u"KLV protocol 3.31"_s);
        // (A maximised child adds its own name behind the frame's caption.)
        QVERIFY2(window->windowTitle().startsWith(u"KLVViewer - Mandant 100 on 127.0.0.1"_s),
                 qPrintable(window->windowTitle()));
        QCOMPARE(window->property("MandID").toString(), u"100"_s);
        QCOMPARE(window->property("MandDirUNC").toString(), u"\\\\erpsrv\\mand\\100"_s);
        QCOMPARE(App().ServerProtocolVersion, 3.31);

        // The logon went out with the user, the client's version and the program's name.
        const QStringList logons = linesStartingWith(server, u"LGN|"_s);
        QCOMPARE(logons.size(), 1);
        const QStringList fields = logons.first().split(u'|');
        QCOMPARE(fields.value(2), u"secret"_s);
        QCOMPARE(fields.value(4), u"3.24"_s);
        QVERIFY2(fields.value(6).startsWith(u"KLVViewer "_s), qPrintable(logons.first()));
        QVERIFY(logons.first().contains(u"|admin|"_s));
        // The user's name is read from the password record the session names.
        QVERIFY(!linesStartingWith(server, u"EXQ|0|12:11"_s).isEmpty() ||
                !linesStartingWith(server, u"RDP|0|"_s).isEmpty());

        // The storage kinds of the server, in its order.
        QCOMPARE(App().AblageartenListe.size(), 4);
        QCOMPARE(App().AblageartenListe.value(1).first, u"1"_s);
        QCOMPARE(App().AblageartenListe.value(1).second, u"lebendig"_s);

        // The first query window, maximised in an empty frame, with the query menus on.
        const QList<QMdiSubWindow*> children = window->mdiArea()->subWindowList();
        QCOMPARE(children.size(), 1);
        QCOMPARE(children.first()->widget()->objectName(), u"QueryForm"_s);
        QVERIFY(children.first()->isMaximized());
        QCOMPARE(window->QueryWindowCount(), 1);
        QVERIFY(window->menus().action(u"TabListeMenue"_s)->isEnabled());
        QVERIFY(window->menus().action(u"ExportMenue"_s)->isEnabled());
        QVERIFY(!window->menus().action(u"InfosysMenue"_s)->isEnabled());
        QVERIFY(window->menus().action(u"NeueVerbindungMenue"_s)->isEnabled());
        QVERIFY(window->menus().action(u"KLVSettingsMenue"_s)->isEnabled());

        // Closing ends the session on the wire.
        QVERIFY(!server.receivedLines().contains(u"END|0"_s));
        QVERIFY(window->close());
        QVERIFY(waitForLine(server, u"END|0"_s));
        QVERIFY(!window->TAV());
    }

    void theSessionSettingsReachTheServerAfterLogon()
    {
        QVERIFY(logOn());
        // The stored settings of a first run, pushed in their order; the number mode of the
        // ERP carries the decimal point, the block size stays on this side.
        const QStringList expected{u"SET|0|CHARSET|UTF-8"_s, u"SET|0|DISPLAYMODE|OPERATING"_s,
                                   u"SET|0|VERWMODE|REF"_s,  u"SET|0|EnumMode|TEXT"_s,
                                   u"SET|0|BOOLMODE|TAV"_s,  u"SET|0|DATEMODE|TAV4"_s,
                                   u"SET|0|NUMMODE|TAV"_s,   u"SET|0|DECIMALPOINT|COMMA"_s,
                                   u"SET|0|FTMODE|EXT"_s,    u"SET|0|LINEBREAK|LF"_s,
                                   u"SET|0|VARLANG|de"_s,    u"SET|0|TRIMVALUES|0"_s};
        QCOMPARE(linesStartingWith(server, u"SET|"_s), expected);
        // The output language is stored through the typing command 43 before the references.
        const QStringList lines = server.receivedLines();
        QVERIFY(lines.indexOf(u"EDI|0|DO|43||||"_s) > lines.indexOf(u"SET|0|DISPLAYMODE|OPERATING"_s));
        QVERIFY(lines.indexOf(u"EDI|0|DO|43||||"_s) < lines.indexOf(u"SET|0|VERWMODE|REF"_s));
        QCOMPARE(window->TAV()->DatasetSize(), 200);
        // The logon's own language: the session is asked for it, nothing is set.
        QVERIFY(linesStartingWith(server, u"SET|0|LANG"_s).isEmpty());
        QVERIFY(lines.contains(u"SHO|0|LANG|0"_s));
    }

    void aStoredDataLanguageIsSetWhenTheLogonLanguageIsNotUsed()
    {
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"UsePasswordLang"_s, u"0"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"Lang"_s, u"E"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"DisplayMode"_s, u"Universal"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings\\Universal"_s, u"NumMode"_s, u"RAW"_s);
        QVERIFY(logOn());
        QVERIFY(linesStartingWith(server, u"SET|0|LANG|E"_s).size() >= 1);
        QVERIFY(server.receivedLines().contains(u"SET|0|DISPLAYMODE|UNIVERSAL"_s));
        QVERIFY(server.receivedLines().contains(u"SET|0|NUMMODE|RAW"_s));
        // Raw numbers keep the session's decimal point.
        QVERIFY(linesStartingWith(server, u"SET|0|DECIMALPOINT"_s).isEmpty());
        QCOMPARE(window->sessionSettingsDialog()->GetAktSprKZ(), u"E"_s);
    }

    void aRefusedLogonShowsTheServersErrorAndOffersTheDialogAgain()
    {
        QStringList events;
        MessageBoxes boxes;
        boxes.onBox = [&events](const QString&) { events.append(u"box"_s); };
        whenShown(u"Logon"_s, [&events](QWidget* w) {
            events.append(u"dialog"_s);
            auto* password = child<QLineEdit>(w, u"Passwort"_s);
            password->clear();
            QTest::keyClicks(password, u"secret"_s);
            click(w, u"OKButton"_s);
        });

        QVERIFY(logOn(u"Demo"_s, u"wrong"_s));
        QCOMPARE(events, (QStringList{u"box"_s, u"dialog"_s}));
        const QString text = boxes.texts.value(0);
        QVERIFY2(text.startsWith(GetMessageTextByNr(11) + u"\r\n"_s), qPrintable(text));
        // The session's error, then the server's messages of this attempt.
        QVERIFY2(text.contains(u"Logon refused"_s), qPrintable(text));
        QVERIFY2(text.contains(u"\r\n\r\n"_s + GetMessageTextByNr(12) + u" \r\n"_s + GetMessageTextByNr(22) + u' '),
                 qPrintable(text));
        QCOMPARE(linesStartingWith(server, u"LGN|"_s).size(), 2);
        QVERIFY(window->TAV()->IsConnected());
        QVERIFY(window->LogonMessages().isEmpty());
    }

    void cancellingTheLogonDialogEndsWithoutASession()
    {
        MessageBoxes boxes;
        whenShown(u"Logon"_s, [](QWidget* w) { click(w, u"AbbruchButton"_s); });
        window = std::make_unique<KLVViewerWindow>();
        QString name = u"Demo"_s;
        QVERIFY(!window->StartUp(name, u"admin"_s, QString(), QString()));
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(!window->isVisible());
        QVERIFY(!window->TAV());
        QVERIFY(linesStartingWith(server, u"LGN|"_s).isEmpty());
        // The unload stored the viewer's settings.
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"SaveViewerSettings"_s), u"1"_s);
    }

    void anUnknownConnectionIsToldThenTheDialogOffered()
    {
        MessageBoxes boxes;
        QStringList shownConnections;
        whenShown(u"Logon"_s, [&shownConnections](QWidget* w) {
            shownConnections.append(child<QComboBox>(w, u"Verbindungen"_s)->currentText());
            click(w, u"AbbruchButton"_s);
        });
        QVERIFY(!logOn(u"Nowhere"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().contains(u"Nowhere"_s), qPrintable(boxes.texts.first()));
        QCOMPARE(shownConnections.size(), 1);
        QVERIFY(linesStartingWith(server, u"LGN|"_s).isEmpty());
    }

    void aPortOutsideTheRangeIsRefusedWithAMessage()
    {
        storeConnection(u"Far"_s, u"127.0.0.1"_s, 65536 + server.port(), u"100"_s, u"admin"_s);
        MessageBoxes boxes;
        whenShown(u"Logon"_s, [](QWidget* w) { click(w, u"AbbruchButton"_s); });
        QVERIFY(!logOn(u"Far"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), FormatMessage(742, QString(), 65536 + server.port()));
        // Not cut to 16 bits: the server on the port's lower half heard nothing.
        QVERIFY(server.receivedLines().isEmpty());
    }

    void closingSendsEndAndStoresTheWindowPlace()
    {
        QVERIFY(logOn());
        window->show();
        window->setGeometry(100, 120, 700, 500);
        QTest::qWait(20);
        QVERIFY(window->close());
        QVERIFY(waitForLine(server, u"END|0"_s));
        const auto stored = [](const char16_t* key) {
            return SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, QString::fromUtf16(key));
        };
        QCOMPARE(stored(u"WindowState"), u"0"_s);
        QCOMPARE(stored(u"WindowWidth"), QString::number(window->NormalWidth()));
        QCOMPARE(stored(u"WindowHeight"), QString::number(window->NormalHeight()));
        QCOMPARE(stored(u"WindowLeft"), QString::number(window->NormalLeft()));
        QCOMPARE(stored(u"WindowTop"), QString::number(window->NormalTop()));
        QVERIFY(window->NormalWidth() > 0);

        // The next window opens where this one was.
        auto next = std::make_unique<KLVViewerWindow>();
        QCOMPARE(next->NormalWidth(), window->NormalWidth());
        QCOMPARE(next->NormalHeight(), window->NormalHeight());
    }

    void aMinimisedWindowIsStoredNormalWithItsLastNormalPlace()
    {
        QVERIFY(logOn());
        window->show();
        window->setGeometry(150, 100, 640, 480);
        QTest::qWait(20);
        const int width = window->NormalWidth();
        const int left = window->NormalLeft();
        window->setWindowState(Qt::WindowMinimized);
        QVERIFY(window->close());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"WindowState"_s), u"0"_s);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"WindowWidth"_s), QString::number(width));
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"WindowLeft"_s), QString::number(left));
    }

    void aMaximisedWindowIsStoredMaximised()
    {
        QVERIFY(logOn());
        window->show();
        window->setWindowState(Qt::WindowMaximized);
        QTest::qWait(20);
        QVERIFY(window->close());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"WindowState"_s), u"2"_s);
    }

    void theInformationSystemEntryIsOfferedWhenTheSettingSaysSo()
    {
        QVERIFY(logOn());
        QVERIFY(!window->menus().action(u"ShowInfosysFormMenue"_s)->isVisible());
        window.reset();
        SettingsStore::SaveSetting(App().RegAppName, u"\\"_s, u"ShowInfosysForm"_s, u"1"_s);
        QVERIFY(logOn());
        QVERIFY(window->menus().action(u"ShowInfosysFormMenue"_s)->isVisible());
        QVERIFY(window->menus().action(u"ShowInfosysFormMenue"_s)->isEnabled());
    }

    void withoutSaveWindowStateNothingOfThePlaceIsWritten()
    {
        QVERIFY(logOn());
        window->viewerSettingsDialog()->findChild<QAbstractButton*>(u"SaveWindowState"_s)->setChecked(false);
        QVERIFY(window->close());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"WindowWidth"_s, u"<none>"_s),
                 u"<none>"_s);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, u"SaveWindowState"_s), u"0"_s);
    }

    void aChildThatStaysOpenStopsTheCloseAndTheNewConnection()
    {
        QVERIFY(logOn());
        auto* stubborn = new StubbornChild;
        window->mdiArea()->addSubWindow(stubborn)->show();
        server.clearReceived();

        QVERIFY(!window->close());
        QVERIFY(window->TAV());
        QVERIFY(window->TAV()->IsConnected());
        QVERIFY(window->mdiArea()->subWindowList().contains(qobject_cast<QMdiSubWindow*>(stubborn->parentWidget())));

        bool dialogShown = false;
        whenShown(
            u"Logon"_s,
            [&dialogShown](QWidget* w) {
                dialogShown = true;
                click(w, u"AbbruchButton"_s);
            },
            false);
        window->menus().action(u"NeueVerbindungMenue"_s)->trigger();
        QVERIFY(!dialogShown);
        QVERIFY(window->TAV()->IsConnected());
        QTest::qWait(50);
        QVERIFY(!server.receivedLines().contains(u"END|0"_s));

        stubborn->refuse = false;
        QVERIFY(window->close());
        QVERIFY(waitForLine(server, u"END|0"_s));
    }

    void aNewConnectionEndsTheSessionAndACancelEndsTheProgram()
    {
        QVERIFY(logOn());
        window->show();
        server.clearReceived();
        bool endBeforeDialog = false;
        whenShown(u"Logon"_s, [this, &endBeforeDialog](QWidget* w) {
            // The session was ended before the dialog came; its END reaches the server's record
            // a moment later, so it is waited for while the dialog stands.
            const bool windowsGone = window->mdiArea()->subWindowList().isEmpty();
            endBeforeDialog = windowsGone && waitForLine(server, u"END|0"_s);
            click(w, u"AbbruchButton"_s);
        });
        window->menus().action(u"NeueVerbindungMenue"_s)->trigger();
        QVERIFY(endBeforeDialog);
        QVERIFY(!window->isVisible());
        QVERIFY(!window->TAV());
    }

    void aNewConnectionLogsOnAgainOnTheSameSession()
    {
        QVERIFY(logOn());
        const QSharedPointer<KLV> session = window->TAV();
        whenShown(u"Logon"_s, [](QWidget* w) {
            choose(w, u"Demo"_s);
            QTest::keyClicks(child<QLineEdit>(w, u"Passwort"_s), u"secret"_s);
            click(w, u"OKButton"_s);
        });
        window->menus().action(u"NeueVerbindungMenue"_s)->trigger();
        QCOMPARE(window->TAV(), session);
        QVERIFY(session->IsConnected());
        QCOMPARE(linesStartingWith(server, u"LGN|"_s).size(), 2);
        QCOMPARE(window->mdiArea()->subWindowList().size(), 1);
        QCOMPARE(window->QueryWindowCount(), 1);
    }

    void sessionFlagsBeyondSixteenBitsReachTheServerWhole()
    {
        App().SessionFlags = {3, 40000};
        const bool ok = logOn();
        App().SessionFlags.clear();
        QVERIFY(ok);
        QCOMPARE(linesStartingWith(server, u"SET|0|TESTFLAG|"_s),
                 (QStringList{u"SET|0|TESTFLAG|3|1"_s, u"SET|0|TESTFLAG|40000|1"_s}));
        QVERIFY(window->TAV()->IsFlagSet(40000));
    }

    void functionKeyOneInTheLogonDialogsOpensTheirHelp()
    {
        FakeOpener opener;
        QVERIFY(logOn());
        const auto press = [this](const QString& form, int key) {
            QString name = form;
            int code = key;
            int shift = 0;
            Q_EMIT window->logon()->KeyPressed(name, code, shift);
        };
        press(u"Logon"_s, 112);
        press(u"ConnectionData"_s, 112);
        press(u"Logon"_s, 113);
        press(u"Other"_s, 112);
        QStringList opened = opener.addresses(2);
        QCOMPARE(opened.size(), 2);
        // The two openers run side by side.
        opened.sort();
        QCOMPARE(QUrl(opened.value(0)).fragment(), GetMessageTextByNr(902));
        QCOMPARE(QUrl(opened.value(1)).fragment(), GetMessageTextByNr(903));
    }

    void functionKeyOneWithAnOpenerThatFailsTellsThePagesPath()
    {
        QVERIFY(logOn());
        window->show();
        FakeOpener opener(3);
        MessageBoxes boxes;
        auto* form = qobject_cast<QueryForm*>(window->mdiArea()->subWindowList().value(0)->widget());
        QVERIFY(form);
        QTest::keyClick(form->tabellenListe(), Qt::Key_F1);
        QTRY_COMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(),
                 GetMessageTextByNr(23) + u'\n' + QCoreApplication::applicationDirPath() + u'/' + App().HelpFileName);
        QCOMPARE(QUrl(opener.addresses().value(0)).fragment(), GetMessageTextByNr(904));
    }

    void theViewerSettingsSwitchTheProtocolLog()
    {
        QVERIFY(logOn());
        QTemporaryDir dir;
        const QString log = dir.filePath(u"klv.log"_s);
        QWidget* viewer = window->viewerSettingsDialog();
        viewer->findChild<QAbstractButton*>(u"ProtokAktiv"_s)->setChecked(true);
        viewer->findChild<QLineEdit*>(u"LogfileName"_s)->setText(log);

        // The settings dialog's menu entry applies the log when the dialog closes.
        whenShown(u"ViewerEinstellungenDialog"_s, [](QWidget* w) { click(w, u"OKButton"_s); });
        window->menus().action(u"ViewerSettingsMenue"_s)->trigger();
        QCOMPARE(window->TAV()->LogFile(), log);
        window->TAV()->GetTAVVersion();
        QVERIFY(QFile(log).size() > 0);

        viewer->findChild<QAbstractButton*>(u"ProtokAktiv"_s)->setChecked(false);
        window->SetKLVLogging();
        QCOMPARE(window->TAV()->LogFile(), QString());
        const qint64 size = QFile(log).size();
        window->TAV()->GetTAVVersion();
        QCOMPARE(QFile(log).size(), size);
    }
};

VIEWER_TEST_MAIN(MainWindowTestCase)

#include "mainwindow_qtest.moc"
