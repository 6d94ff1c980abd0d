// The connection as the user sees it when the server goes away: a server stopped in the middle
// of a run or while nothing runs turns the status bar to the lost connection and the query
// window's messages point to New connection, which logs on again; so does a connection the
// library gives up in an information window, whose message gives the same way back; a server that takes the
// connection and never greets, and a port nobody listens on, are told with host and port; a
// logon that waits shows the window meanwhile, and closing it then ends the logon.
#include "MainMenus.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include "KLVSockComm.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

bool entryEnabled(const KLVViewerWindow& window, const QString& name)
{
    const QAction* entry = window.menus().action(name);
    return entry && entry->isEnabled();
}

void clickStart(QueryForm* form)
{
    auto* start = form->findChild<QPushButton*>(u"StartQueryButton"_s);
    QVERIFY(start && start->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
}

// Every article, one row per record: two blocks of the server's answer.
void chooseArticles(QueryForm* form)
{
    QVERIFY(openTable(form, u"Artikel:Artikel"_s));
    auto* rows = form->findChild<QAbstractButton*>(u"ZeilenSelektion"_s);
    if (rows->isChecked())
        QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(4, rows->height() / 2));
    auto* kind = form->findChild<QComboBox*>(u"Ablageart"_s);
    kind->setCurrentIndex(kind->findData(3));
    check(form, {u"nummer"_s, u"name"_s});
}

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KlvServer> server;
    Viewer viewer;
    QTemporaryDir dir;

    QString lostText() const
    {
        return FormatMessage(1809, QString(), u"127.0.0.1"_s, server->port(), u"File"_s, u"New connection"_s);
    }

    void verifyShownLost()
    {
        const KLVViewerWindow& window = *viewer.window;
        QCOMPARE(statusPanel(window, 1), FormatMessage(1810, QString(), u"127.0.0.1"_s));
        for (int p = 2; p <= 5; ++p)
            QCOMPARE(statusPanel(window, p), QString());
        // The frame's own name (a maximised child adds its name behind it).
        QVERIFY2(!window.windowTitle().contains(u"127.0.0.1"_s), qPrintable(window.windowTitle()));
        QVERIFY(entryEnabled(window, u"NeueVerbindungMenue"_s));
        QVERIFY(!entryEnabled(window, u"KLVSettingsMenue"_s));
    }

private Q_SLOTS:
    void initTestCase() { loadTexts(); }

    void init()
    {
        server = std::make_unique<KlvServer>();
        QVERIFY(server->start());
        QVERIFY(viewer.logOn(server->port(), dir.path()));
    }

    void cleanup()
    {
        QVERIFY(DialogDriver::finishPendingActs());
        viewer.reset();
        server.reset();
    }

    void aServerStoppedMidRunShowsTheLostConnectionAndStartPointsToNewConnection()
    {
        QueryForm* form = viewer.form();
        QCOMPARE(statusPanel(*viewer.window, 1), u"Connected to 127.0.0.1"_s);
        // The server goes while the run waits for its second block.
        const auto asked = holdFirst(*server, u"GNR|"_s);
        whenTrue([asked] { return asked->load(); }, [this] { server->stop(); });
        MessageBoxes boxes;
        chooseArticles(form);
        clickStart(form);

        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(148) + u"\r\n"_s + lostText());
        verifyShownLost();
        // The window stays with the rows it read.
        QCOMPARE(viewer.form(), form);
        QCOMPARE(form->datenListe()->rowCount(), 200);

        // The next Start is told the same, without the library's raw text.
        clickStart(form);
        QCOMPARE(boxes.texts.size(), 2);
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(140) + u"\r\n"_s + lostText());
        QVERIFY2(!boxes.texts.last().contains(u"KLVAPI"_s), qPrintable(boxes.texts.last()));
        verifyShownLost();
    }

    void aServerStoppedWhileNothingRunsIsShownAndNewConnectionLogsOnAgain()
    {
        const quint16 port = server->port();
        server->stop();
        QTRY_COMPARE(statusPanel(*viewer.window, 1), FormatMessage(1810, QString(), u"127.0.0.1"_s));
        verifyShownLost();
        {
            // Opening a table tells the loss as the run does.
            MessageBoxes boxes;
            openTable(viewer.form(), u"Kunde:Kunde"_s);
            QVERIFY2(boxes.texts.size() == 1, qPrintable(boxes.texts.join(u" | "_s)));
            QCOMPARE(boxes.texts.first(), GetMessageTextByNr(127) + u"\r\n"_s + lostText());
        }

        // The server is back on its port: File > New connection logs on there again.
        storeConnection(u"Another"_s, u"127.0.0.1"_s, 1, u"100"_s, u"admin"_s);
        KlvServerOptions options;
        options.port = port;
        server = std::make_unique<KlvServer>(options);
        QVERIFY(server->start());
        DialogDriver::whenShown(u"Logon"_s, [](QWidget* w) {
            // The connection in use comes chosen, also after a start that never showed the
            // dialog (and so stored no last-used one), among others.
            QCOMPARE(DialogDriver::child<QComboBox>(w, u"Verbindungen"_s)->currentText(), u"Demo"_s);
            QTest::keyClicks(DialogDriver::child<QLineEdit>(w, u"Passwort"_s), u"secret"_s);
            DialogDriver::click(w, u"OKButton"_s);
        });
        const MainMenus& menus = viewer.window->menus();
        QVERIFY(UserInput::chooseMenuEntry(viewer.window->menuBar(), menus.menu(u"DateiMenue"_s),
                                           menus.action(u"NeueVerbindungMenue"_s)));
        QTRY_COMPARE(statusPanel(*viewer.window, 1), u"Connected to 127.0.0.1"_s);
        QVERIFY(viewer.window->TAV()->IsConnected());
        QVERIFY(entryEnabled(*viewer.window, u"KLVSettingsMenue"_s));
        QCOMPARE(linesStartingWith(*server, u"LGN|"_s).size(), 1);
        QVERIFY(viewer.form());
    }

    void aConnectionTheLibraryGivesUpInAnInformationWindowIsShownToo()
    {
        // An answer out of step: the library closes the connection itself, the socket says
        // nothing of it.
        server->setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GDN|"_s))
                return false;
            reply.sendLine(u"!!garbage!!"_s);
            return true;
        });
        MessageBoxes boxes;
        const MainMenus& menus = viewer.window->menus();
        QVERIFY(UserInput::chooseMenuEntry(viewer.window->menuBar(), menus.menu(u"InfoMenue"_s),
                                           menus.action(u"DBInfoMenue"_s)));
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY(!viewer.window->TAV()->IsConnected());
        verifyShownLost();
        // The window's message gives the way back as the query window's does.
        QVERIFY2(boxes.texts.first().endsWith(u"\r\n"_s + lostText()), qPrintable(boxes.texts.first()));
        QVERIFY2(!boxes.texts.first().contains(u"KLVAPI"_s), qPrintable(boxes.texts.first()));
    }

    void aServerThatCannotBeReachedIsToldWithHostAndPort()
    {
        viewer.reset();
        // One that takes the connection and never says a word, and a port nobody listens on.
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        QTcpServer gone;
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        const quint16 closedPort = gone.serverPort();
        gone.close();
        storeConnection(u"Mute"_s, u"127.0.0.1"_s, mute.serverPort(), u"100"_s, u"admin"_s);
        storeConnection(u"Closed"_s, u"127.0.0.1"_s, closedPort, u"100"_s, u"admin"_s);

        for (const QString& connection : {u"Mute"_s, u"Closed"_s}) {
            MessageBoxes boxes;
            DialogDriver::whenShown(u"Logon"_s, [](QWidget* w) { DialogDriver::click(w, u"AbbruchButton"_s); });
            KLVViewerWindow window;
            // The library gives up waiting for the greeting after this long.
            window.TAV()->Connection()->setConnectTimeout(300);
            QString name = connection;
            QVERIFY(!window.StartUp(name, u"admin"_s, u"secret"_s, QString()));
            QCOMPARE(boxes.texts.size(), 1);
            const QString text = boxes.texts.first();
            QVERIFY2(text.startsWith(GetMessageTextByNr(11) + u"\r\n"_s), qPrintable(text));
            const quint16 port = connection == u"Mute" ? mute.serverPort() : closedPort;
            QVERIFY2(text.contains(u"127.0.0.1 (port "_s + QString::number(port) + u')'), qPrintable(text));
            QVERIFY2(text.contains(u"a KLV server is running there"_s), qPrintable(text));
            QVERIFY2(text.contains(connection == u"Mute" ? u"did not answer"_s : u"Connection refused"_s),
                     qPrintable(text));
            QVERIFY2(!text.contains(u"KLVAPI"_s), qPrintable(text));
            QVERIFY(DialogDriver::finishPendingActs());
        }
    }

    void aLongLogonShowsTheWindowMeanwhileAndAClosedOneEndsWithoutASession()
    {
        viewer.reset();
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        storeConnection(u"Mute"_s, u"127.0.0.1"_s, mute.serverPort(), u"100"_s, u"admin"_s);
        MessageBoxes boxes;
        KLVViewerWindow window;
        // Never the end of a wait here: the server or the user ends each attempt.
        window.TAV()->Connection()->setConnectTimeout(60000);

        // The first attempt, with the password given, starts hidden and shows the window while it
        // waits; the server then closes the connection without a greeting.
        QString shownPanel;
        whenTrue([&] { return window.isVisible() && mute.hasPendingConnections(); },
                 [&] {
                     shownPanel = statusPanel(window, 1);
                     mute.nextPendingConnection()->close();
                 });
        // In the dialog the user tries again and, while that attempt waits, closes the window.
        bool closed = false;
        DialogDriver::whenShown(u"Logon"_s, [&](QWidget* w) {
            whenTrue([&] { return window.isVisible() && window.loggingOn(); }, [&] { closed = !window.close(); });
            DialogDriver::click(w, u"OKButton"_s);
        });
        QString name = u"Mute"_s;
        QVERIFY(!window.StartUp(name, u"admin"_s, u"secret"_s, QString()));

        QCOMPARE(shownPanel, FormatMessage(1811, QString(), u"127.0.0.1"_s, mute.serverPort()));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().contains(u"127.0.0.1 (port "_s + QString::number(mute.serverPort()) +
                                              u") closed the connection"_s),
                 qPrintable(boxes.texts.first()));
        // The close broke the second attempt off and ended the logon as a cancel does.
        QVERIFY(closed);
        QVERIFY(!window.isVisible());
        QVERIFY(!window.TAV());
    }

    // A server that takes the connection and never answers: the wait shows which server it
    // waits for, and Esc in it, Esc in the frame or its Cancel button bring the logon dialog
    // back within a second, without a word of failure.
    void aLogonToASilentServerIsBrokenOffByEscOrCancel()
    {
        viewer.reset();
        QTcpServer mute;
        QVERIFY(mute.listen(QHostAddress::LocalHost));
        storeConnection(u"Mute"_s, u"127.0.0.1"_s, mute.serverPort(), u"100"_s, u"admin"_s);
        MessageBoxes boxes;

        QElapsedTimer sinceBreak;
        QList<qint64> untilDialog;
        QStringList waitTexts;
        const auto breakInWait = [&](bool esc) {
            DialogDriver::whenShown(u"LogonWait"_s, [&, esc](QWidget* wait) {
                waitTexts.append(wait->findChild<QLabel*>(u"WaitText"_s)->text());
                sinceBreak.start();
                if (esc)
                    QTest::keyClick(wait, Qt::Key_Escape);
                else
                    QTest::mouseClick(DialogDriver::child<QPushButton>(wait, u"AbbruchButton"_s), Qt::LeftButton);
            });
        };
        const auto dialogBack = [&](std::function<void(QWidget*)> then) {
            DialogDriver::whenShown(u"Logon"_s, [&untilDialog, &sinceBreak, then](QWidget* logon) {
                untilDialog.append(sinceBreak.elapsed());
                then(logon);
            });
        };
        const auto giveUp = [](QWidget* logon) { DialogDriver::click(logon, u"AbbruchButton"_s); };
        {
            // With the password given, the first attempt runs without the dialog: Esc in its wait.
            KLVViewerWindow window;
            // Only the user ends a wait here.
            window.TAV()->Connection()->setConnectTimeout(60000);
            breakInWait(true);
            dialogBack(giveUp);
            QString name = u"Mute"_s;
            QVERIFY(!window.StartUp(name, u"admin"_s, u"secret"_s, QString()));
        }
        {
            // From the dialog: Esc in the frame at once, then the wait's Cancel button.
            KLVViewerWindow window;
            window.TAV()->Connection()->setConnectTimeout(60000);
            DialogDriver::whenShown(u"Logon"_s, [&](QWidget* logon) {
                whenTrue([&] { return window.loggingOn(); },
                         [&] {
                             sinceBreak.start();
                             QTest::keyClick(&window, Qt::Key_Escape);
                         });
                dialogBack([&](QWidget* again) {
                    breakInWait(false);
                    dialogBack(giveUp);
                    DialogDriver::click(again, u"OKButton"_s);
                });
                DialogDriver::click(logon, u"OKButton"_s);
            });
            QString name = u"Mute"_s;
            QVERIFY(!window.StartUp(name, u"admin"_s, QString(), QString()));
        }

        const QString text = u"Connecting to 127.0.0.1 (port "_s + QString::number(mute.serverPort()) + u") ..."_s;
        QCOMPARE(waitTexts, (QStringList{text, text}));
        QCOMPARE(untilDialog.size(), 3);
        for (qsizetype i = 0; i < untilDialog.size(); ++i)
            QVERIFY2(untilDialog[i] < 1000, qPrintable(u"break-off %1 took %2 ms"_s.arg(i).arg(untilDialog[i])));
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
    }

    // The one connection of a fresh install has no host: the user is told so and where to set
    // one, and nothing is tried.
    void aConnectionWithoutHostSaysWhereToSetOne()
    {
        viewer.reset();
        clearSettings();
        MessageBoxes boxes;
        DialogDriver::whenShown(u"Logon"_s, [](QWidget* w) {
            QCOMPARE(DialogDriver::child<QComboBox>(w, u"Verbindungen"_s)->currentText(), u"Default"_s);
            DialogDriver::click(w, u"AbbruchButton"_s);
        });
        KLVViewerWindow window;
        QString name;
        QVERIFY(!window.StartUp(name, u"admin"_s, u"secret"_s, QString()));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(11) + u"\r\n"_s +
                                          u"The connection \"Default\" names no host. \"New\" or \"Modify\" in "
                                          u"the logon dialog sets one."_s});
    }
};

VIEWER_TEST_MAIN(ConnectionTest)
#include "connection_qtest.moc"
