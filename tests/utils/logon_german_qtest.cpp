// On a German desktop, without a language set by the caller, both dialogs and the
// component's messages speak German, also those that tell why a server cannot be reached.
#include "ConnectionStore.h"
#include "DialogDriver.h"
#include "KLVLogon.h"
#include "TestEnvironment.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>

#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace DialogDriver;

class LogonGermanTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QVERIFY2(finishPendingActs(), "a window the test waited for was not shown"); }

    void theUsersGermanLanguageIsTakenWhenNoneIsSet()
    {
        klvutils::ConnectionStore(u"German"_s).write(u"A"_s, u"h"_s, 1, u"m"_s, false, QString());
        KLVLogon logon;
        QCOMPARE(logon.Language(), 7);

        whenShown(u"Logon"_s, [](QWidget* w) {
            QCOMPARE(w->windowTitle(), u"KLV-Verbindung herstellen"_s);
            QCOMPARE(child<QLabel>(w, u"Label5"_s)->text(), u"&Verbindung"_s);
            QCOMPARE(child<QLabel>(w, u"Label1"_s)->text(), u"&Benutzername"_s);
            QCOMPARE(child<QPushButton>(w, u"VerbindungLoeschen"_s)->text(), u"&Löschen"_s);
            QCOMPARE(child<QPushButton>(w, u"OKButton"_s)->text(), u"Ver&binden"_s);
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                QCOMPARE(d->windowTitle(), u"Neue Verbindungsdaten"_s);
                QCOMPARE(child<QLabel>(d, u"HostLabel"_s)->text(), u"wexa-Server (&Host)"_s);
                QCOMPARE(child<QLabel>(d, u"Label1"_s)->text(), u"Default-&Benutzername"_s);
                QCOMPARE(child<QCheckBox>(d, u"MitUsername"_s)->text(), u"Mit Benutzer&namen anmelden"_s);
                click(d, u"AbbruchButton"_s);
            });
            click(w, u"NeueVerbindung"_s);

            // No choice: the message's first line has only an English text.
            child<QComboBox>(w, u"Verbindungen"_s)->setCurrentIndex(-1);
            whenShown(u"QMessageBox"_s, [](QWidget* box) {
                QCOMPARE(static_cast<QMessageBox*>(box)->text(),
                         u"Can't connect:\nKeine Verbindungsinformationen ausgewählt"_s);
                whenShown(u"Logon"_s, [](QWidget* again) { click(again, u"AbbruchButton"_s); });
                static_cast<QMessageBox*>(box)->accept();
            });
            click(w, u"OKButton"_s);
        });
        QString host, mandant, password;
        int port = 0;
        QCOMPARE(logon.GetKLVLogonInfo(u"German"_s, host, port, mandant, password, true), KLVLogon::logonAbort);

        logon.setConnectionName(u"Fehlt"_s);
        QCOMPARE(logon.GetKLVLogonInfo(u"German"_s, host, port, mandant, password), KLVLogon::logonUnknownConnection);
        QCOMPARE(logon.GetLastError(), u"Die Verbindung \"Fehlt\" ist nicht gespeichert."_s);

        // A server that cannot be reached is told in German too, with host, port and the
        // system's reason.
        const QString refused =
            logon.ConnectFailureText(KLVLogon::connectRefused, u"erp1"_s, 6550, u"Connection refused"_s);
        QCOMPARE(refused.left(refused.indexOf(u'.')), u"Keine Verbindung zu erp1 (Port 6550): Connection refused"_s);
        QVERIFY2(logon.ConnectFailureText(KLVLogon::connectNoAnswer, u"erp1"_s, 6550)
                     .startsWith(u"Der Server erp1 (Port 6550) hat nicht geantwortet."_s),
                 "no answer");
    }
};

int main(int argc, char** argv)
{
    // The user's language is read from the environment when the application starts.
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    setenv("LANGUAGE", "de", 1);
    TestEnvironment::redirectSettings();
    QApplication app(argc, argv);
    LogonGermanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "logon_german_qtest.moc"
