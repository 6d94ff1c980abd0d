// The logon component as its callers and users meet it: the logon run with and without the
// dialog, the connection-data dialog's changes to the store, keys and languages.
#include "ConnectionStore.h"
#include "DialogDriver.h"
#include "KLVLogon.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;
using klvutils::ConnectionStore;
using namespace DialogDriver;

namespace {

QStringList entries(QWidget* logon)
{
    auto* list = child<QComboBox>(logon, u"Verbindungen"_s);
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

void retype(QWidget* w, const QString& box, const QString& text)
{
    auto* edit = child<QLineEdit>(w, box);
    edit->clear();
    QTest::keyClicks(edit, text);
}

QByteArray iniContent(const QString& app)
{
    QFile f(TestEnvironment::settingsDir() + u"/KLV/"_s + app + u".ini"_s);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Several outputs in one text, so a failed comparison shows them all.
QString field(const QString& v)
{
    return v;
}
QString field(int v)
{
    return QString::number(v);
}
QString field(bool v)
{
    return v ? u"true"_s : u"false"_s;
}
template <class... T>
QString fields(const T&... v)
{
    return QStringList{field(v)...}.join(u'|');
}

// What the caller passes and gets back.
struct Args
{
    QString host = u"h0"_s;
    int port = 1;
    QString mandant = u"m0"_s;
    QString user = u"u0"_s;
    QString password = u"p0"_s;
};

} // namespace

class LogonTest : public QObject
{
    Q_OBJECT

    // Every test has settings of its own.
    QString app() const { return QString::fromLatin1(QTest::currentTestFunction()); }

    void storeAB()
    {
        ConnectionStore store(app());
        store.write(u"A"_s, u"host-a"_s, 7001, u"ma"_s, true, u"ua"_s);
        store.write(u"B"_s, u"host-b"_s, 7002, u"mb"_s, false, QString());
        store.setLastUsed(u"A"_s);
    }

    KLVLogon::Logon_Result run(KLVLogon& logon, Args& a, bool showDialog = true)
    {
        return logon.GetKLVLogonInfoUser(app(), a.host, a.port, a.mandant, a.user, a.password, showDialog);
    }

private Q_SLOTS:
    void cleanup() { QVERIFY2(finishPendingActs(), "a window the test waited for was not shown"); }

    void choosingAStoredConnectionReturnsItsDataAndRemembersIt()
    {
        storeAB();
        ConnectionStore(app()).setLastUsed(u"B"_s);
        KLVLogon logon;
        logon.setLanguage(9);
        whenShown(u"Logon"_s, [](QWidget* w) {
            QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentText(), u"B"_s);
            QVERIFY(!child<QLineEdit>(w, u"UserName"_s)->isEnabled());
            choose(w, u"A"_s);
            QCOMPARE(child<QLineEdit>(w, u"UserName"_s)->text(), u"ua"_s);
            retype(w, u"UserName"_s, u"typed"_s);
            QTest::keyClicks(child<QLineEdit>(w, u"Passwort"_s), u"s3cret"_s);
            click(w, u"OKButton"_s);
        });
        Args a;
        a.password.clear();
        QCOMPARE(run(logon, a), KLVLogon::logonOK);
        QCOMPARE(a.host, u"host-a"_s);
        QCOMPARE(a.port, 7001);
        QCOMPARE(a.mandant, u"ma"_s);
        QCOMPARE(a.user, u"typed"_s);
        QCOMPARE(a.password, u"s3cret"_s);
        QCOMPARE(ConnectionStore(app()).lastUsed(), u"A"_s);
        QVERIFY(!iniContent(app()).contains("s3cret"));
    }

    void cancelAndClosingChangeNothing()
    {
        storeAB();
        const QByteArray before = iniContent(app());
        KLVLogon logon;
        for (const bool byClose : {false, true}) {
            whenShown(u"Logon"_s, [byClose](QWidget* w) {
                choose(w, u"B"_s);
                if (byClose)
                    w->close();
                else
                    click(w, u"AbbruchButton"_s);
            });
            Args a;
            QCOMPARE(run(logon, a), KLVLogon::logonAbort);
            QCOMPARE(fields(a.host, a.port, a.mandant, a.user, a.password), u"h0|1|m0|u0|p0"_s);
        }
        QCOMPARE(iniContent(app()), before);
    }

    void withoutDialogTheLastUsedConnectionIsReadAndNothingWritten()
    {
        storeAB();
        const QByteArray before = iniContent(app());
        KLVLogon logon;
        Args a;
        QCOMPARE(run(logon, a, false), KLVLogon::logonOK);
        QCOMPARE(fields(a.host, a.port, a.mandant, a.user, a.password), u"host-a|7001|ma|ua|p0"_s);

        Args b;
        QCOMPARE(logon.GetKLVLogonInfo(app(), b.host, b.port, b.mandant, b.password), KLVLogon::logonOK);
        QCOMPARE(b.host, u"host-a"_s);
        QCOMPARE(iniContent(app()), before);
    }

    void aPasswordIsShownForOneLogonOnly()
    {
        storeAB();
        KLVLogon logon;
        Args a;
        a.password = u"given"_s;
        run(logon, a, false);
        for (const QString& expected : {u"given"_s, u""_s}) {
            whenShown(u"Logon"_s, [expected](QWidget* w) {
                QCOMPARE(child<QLineEdit>(w, u"Passwort"_s)->text(), expected);
                click(w, u"AbbruchButton"_s);
            });
            a.password = expected;
            QCOMPARE(run(logon, a), KLVLogon::logonAbort);
        }
    }

    void userNameBoxFollowsTheChosenConnection()
    {
        ConnectionStore store(app());
        store.write(u"With"_s, u"h"_s, 1, u"m"_s, true, QString());
        store.write(u"Without"_s, u"h"_s, 1, u"m"_s, false, QString());
        store.setLastUsed(u"Without"_s);
        KLVLogon logon;
        whenShown(u"Logon"_s, [](QWidget* w) {
            auto* user = child<QLineEdit>(w, u"UserName"_s);
            QVERIFY(!user->isEnabled());
            QCOMPARE(user->text(), u""_s);
            choose(w, u"With"_s);
            QVERIFY(user->isEnabled());
            QCOMPARE(w->focusWidget(), user);
            QTest::keyClicks(user, u"typed"_s);
            choose(w, u"Without"_s);
            QCOMPARE(user->text(), u""_s);
            choose(w, u"With"_s);
            QCOMPARE(user->text(), u"typed"_s);
            choose(w, u"Without"_s);
            click(w, u"OKButton"_s);
        });
        Args a;
        a.user = u"passed"_s;
        QCOMPARE(run(logon, a), KLVLogon::logonOK);
        QCOMPARE(a.user, u""_s);
    }

    void okWithoutAChoiceAsksAgain()
    {
        storeAB();
        ConnectionStore(app()).setLastUsed(u"Gone"_s);
        KLVLogon logon;
        logon.setLanguage(9);
        whenShown(u"Logon"_s, [](QWidget* w) {
            QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentIndex(), -1);
            whenShown(u"QMessageBox"_s, [](QWidget* box) {
                QCOMPARE(static_cast<QMessageBox*>(box)->text(),
                         u"Can't connect:\nNo connection information selected"_s);
                whenShown(u"Logon"_s, [](QWidget* again) {
                    choose(again, u"B"_s);
                    click(again, u"OKButton"_s);
                });
                static_cast<QMessageBox*>(box)->accept();
            });
            click(w, u"OKButton"_s);
        });
        Args a;
        QCOMPARE(run(logon, a), KLVLogon::logonOK);
        QCOMPARE(a.host, u"host-b"_s);
    }

    void aNamedConnectionIsReadWithoutDialogAndAnUnknownOneIsAFailure()
    {
        storeAB();
        KLVLogon logon;
        logon.setLanguage(9);
        Args a;
        bool withUserName = false;
        QCOMPARE(logon.GetKLVConnInfoUser(app(), u"b"_s, a.host, a.port, a.mandant, withUserName), KLVLogon::logonOK);
        QCOMPARE(fields(a.host, a.port, a.mandant, withUserName), u"host-b|7002|mb|false"_s);
        QCOMPARE(logon.ConnectionName(), u"b"_s);

        whenShown(
            u"Logon"_s, [](QWidget*) { QFAIL("no dialog for a connection that is not stored"); }, false);
        Args b;
        logon.setConnectionName(u"Nope"_s);
        QCOMPARE(run(logon, b), KLVLogon::logonUnknownConnection);
        QCOMPARE(logon.GetLastError(), u"The connection \"Nope\" is not stored."_s);
        QCOMPARE(logon.GetKLVConnInfo(app(), u"Nope"_s, b.host, b.port, b.mandant), KLVLogon::logonUnknownConnection);
        QCOMPARE(fields(b.host, b.port, b.mandant, b.password), u"h0|1|m0|p0"_s);
        QCOMPARE(logon.GetKLVConnInfo(app(), u"A"_s, b.host, b.port, b.mandant), KLVLogon::logonOK);
        QCOMPARE(logon.GetLastError(), QString());
    }

    void aNewConnectionIsStoredAndFoundAfterARestart()
    {
        {
            KLVLogon logon;
            logon.setLanguage(9);
            whenShown(u"Logon"_s, [](QWidget* w) {
                QCOMPARE(entries(w), QStringList{u"Default"_s});
                whenShown(u"ConnectionData"_s, [](QWidget* d) {
                    QCOMPARE(d->windowTitle(), u"New connection data"_s);
                    QCOMPARE(child<QLineEdit>(d, u"Port"_s)->text(), u"6550"_s);
                    retype(d, u"ConnName"_s, u"Prod;1/2"_s);
                    retype(d, u"Host"_s, u"erp.example.com"_s);
                    retype(d, u"Port"_s, u"7000"_s);
                    retype(d, u"Mandant"_s, u"m;x"_s);
                    child<QCheckBox>(d, u"MitUsername"_s)->setChecked(true);
                    retype(d, u"UserName"_s, u"dom;meier"_s);
                    click(d, u"SpeichernButton"_s);
                });
                click(w, u"NeueVerbindung"_s);
                QCOMPARE(entries(w), (QStringList{u"Default"_s, u"Prod;1/2"_s}));
                QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentText(), u"Prod;1/2"_s);
                QCOMPARE(child<QLineEdit>(w, u"UserName"_s)->text(), u"dom;meier"_s);
                QCOMPARE(w->focusWidget(), child<QLineEdit>(w, u"Passwort"_s));
                click(w, u"OKButton"_s);
            });
            Args a;
            QCOMPARE(run(logon, a), KLVLogon::logonOK);
        }
        // Everything of the component is gone; a new one reads what was stored.
        KLVLogon logon;
        Args a;
        QCOMPARE(run(logon, a, false), KLVLogon::logonOK);
        QCOMPARE(fields(a.host, a.port, a.mandant, a.user), u"erp.example.com|7000|m;x|dom;meier"_s);
        QCOMPARE(ConnectionStore(app()).names(), QStringList{u"Prod;1/2"_s});
    }

    void renamingReplacesTheRecordAndItsEntry()
    {
        storeAB();
        KLVLogon logon;
        whenShown(u"Logon"_s, [](QWidget* w) {
            for (const QString& newName : {u"A2"_s, u"a2"_s}) {
                whenShown(u"ConnectionData"_s, [newName](QWidget* d) {
                    retype(d, u"ConnName"_s, newName);
                    retype(d, u"Port"_s, u"7100"_s);
                    click(d, u"SpeichernButton"_s);
                });
                click(w, u"VerbindungAendern"_s);
                QCOMPARE(entries(w), (QStringList{u"B"_s, newName}));
                QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentText(), newName);
            }
            click(w, u"AbbruchButton"_s);
        });
        Args a;
        run(logon, a);
        const ConnectionStore store(app());
        QCOMPARE(store.names(), (QStringList{u"B"_s, u"a2"_s}));
        QCOMPARE(store.storedName(u"A"_s), QString());
        bool withUserName = false;
        store.read(u"a2"_s, a.host, a.port, a.mandant, withUserName, a.user);
        QCOMPARE(fields(a.host, a.port, a.user), u"host-a|7100|ua"_s);
    }

    void deletingRemovesTheRecordAndItsEntry()
    {
        storeAB();
        KLVLogon logon;
        logon.setLanguage(9);
        whenShown(u"Logon"_s, [](QWidget* w) {
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                QCOMPARE(d->windowTitle(), u"Delete connection data"_s);
                QCOMPARE(child<QLineEdit>(d, u"ConnName"_s)->text(), u"A"_s);
                click(d, u"SpeichernButton"_s);
            });
            click(w, u"VerbindungLoeschen"_s);
            QCOMPARE(entries(w), QStringList{u"B"_s});
            QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentIndex(), -1);
            QVERIFY(!child<QLineEdit>(w, u"UserName"_s)->isEnabled());
            click(w, u"AbbruchButton"_s);
        });
        Args a;
        run(logon, a);
        QCOMPARE(ConnectionStore(app()).names(), QStringList{u"B"_s});
    }

    void savingUnderAnExistingNameUpdatesTheOneEntry()
    {
        storeAB();
        KLVLogon logon;
        whenShown(u"Logon"_s, [](QWidget* w) {
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                retype(d, u"ConnName"_s, u"b"_s);
                retype(d, u"Host"_s, u"host-new"_s);
                click(d, u"SpeichernButton"_s);
            });
            click(w, u"NeueVerbindung"_s);
            QCOMPARE(entries(w), (QStringList{u"A"_s, u"b"_s}));
            QCOMPARE(child<QComboBox>(w, u"Verbindungen"_s)->currentText(), u"b"_s);
            click(w, u"OKButton"_s);
        });
        Args a;
        QCOMPARE(run(logon, a), KLVLogon::logonOK);
        QCOMPARE(a.host, u"host-new"_s);
        QCOMPARE(ConnectionStore(app()).names().size(), 2);
    }

    void aFailedSaveIsShownAndTheDialogsStayUsable()
    {
        // The settings file of one program where another's folder should be; the caller's name
        // holds markup, which the box shows as it is.
        ConnectionStore(app()).setLastUsed(u"x"_s);
        const QString blocked = app() + u".ini/<i>App"_s;
        KLVLogon logon;
        logon.setLanguage(9);
        whenShown(u"Logon"_s, [](QWidget* w) {
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                whenShown(u"QMessageBox"_s, [](QWidget* w) {
                    auto* box = static_cast<QMessageBox*>(w);
                    QVERIFY(box->text().startsWith(u"The connection data could not be saved"_s));
                    QVERIFY(box->text().contains(u"/<i>App.ini"_s));
                    QCOMPARE(box->textFormat(), Qt::PlainText);
                    whenShown(u"ConnectionData"_s, [](QWidget* again) {
                        QCOMPARE(child<QLineEdit>(again, u"ConnName"_s)->text(), u"Typed"_s);
                        click(again, u"AbbruchButton"_s);
                    });
                    box->accept();
                });
                retype(d, u"ConnName"_s, u"Typed"_s);
                click(d, u"SpeichernButton"_s);
            });
            click(w, u"NeueVerbindung"_s);
            QCOMPARE(entries(w), QStringList{u"Default"_s});
            click(w, u"OKButton"_s);
        });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"last-used connection could not be saved"_s));
        Args a;
        QCOMPARE(logon.GetKLVLogonInfoUser(blocked, a.host, a.port, a.mandant, a.user, a.password, true),
                 KLVLogon::logonOK);
        QCOMPARE(fields(a.host, a.port, a.mandant), u"|6550|erp"_s);
    }

    void connectionDataTakesOnlyWhatCanBeStored()
    {
        KLVLogon logon;
        whenShown(u"Logon"_s, [](QWidget* w) {
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                auto* save = child<QPushButton>(d, u"SpeichernButton"_s);
                QCOMPARE(d->focusWidget(), child<QLineEdit>(d, u"Host"_s)); // the first empty box
                retype(d, u"Port"_s, u"12a3"_s);
                QCOMPARE(child<QLineEdit>(d, u"Port"_s)->text(), u"123"_s);
                retype(d, u"Port"_s, u"70000"_s);
                QVERIFY(!save->isEnabled());
                retype(d, u"Port"_s, u"65535"_s);
                QVERIFY(save->isEnabled());
                retype(d, u"ConnName"_s, u"  "_s);
                QVERIFY(!save->isEnabled());
                auto* user = child<QLineEdit>(d, u"UserName"_s);
                user->setText(u"kept"_s);
                child<QCheckBox>(d, u"MitUsername"_s)->setChecked(false);
                QVERIFY(!user->isEnabled());
                QCOMPARE(user->text(), u"kept"_s);
                click(d, u"AbbruchButton"_s);
            });
            click(w, u"NeueVerbindung"_s);
            click(w, u"AbbruchButton"_s);
        });
        Args a;
        run(logon, a);
        QVERIFY(ConnectionStore(app()).names().isEmpty());
    }

    void functionKeysRaiseKeyPressed()
    {
        KLVLogon logon;
        std::vector<std::tuple<QString, int, int>> keys;
        connect(&logon, &KLVLogon::KeyPressed, this,
                [&keys](QString& form, int& code, int& shift) { keys.emplace_back(form, code, shift); });
        whenShown(u"Logon"_s, [](QWidget* w) {
            auto* password = child<QLineEdit>(w, u"Passwort"_s);
            QTest::keyRelease(password, Qt::Key_F1);
            QTest::keyRelease(password, Qt::Key_F17);
            QTest::keyRelease(password, Qt::Key_Return);
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                QTest::keyRelease(child<QLineEdit>(d, u"Host"_s), Qt::Key_F16, Qt::ShiftModifier);
                click(d, u"AbbruchButton"_s);
            });
            click(w, u"NeueVerbindung"_s);
            click(w, u"AbbruchButton"_s);
        });
        Args a;
        run(logon, a);
        QStringList got;
        for (const auto& [form, code, shift] : keys)
            got << fields(form, code, shift);
        QCOMPARE(got, (QStringList{u"Logon|112|0"_s, u"ConnectionData|127|1"_s}));
    }

    void everyCaptionFollowsTheLanguage()
    {
        KLVLogon logon;
        logon.setLanguage(0);
        QCOMPARE(logon.Language(), 9);
        whenShown(u"Logon"_s, [&logon](QWidget* w) {
            for (const char16_t* name :
                 {u"Label5", u"Verbindungen", u"NeueVerbindung", u"VerbindungAendern", u"VerbindungLoeschen", u"Label1",
                  u"UserName", u"PasswortLabel", u"Passwort", u"OKButton", u"AbbruchButton"})
                QVERIFY(w->findChild<QWidget*>(QString::fromUtf16(name), Qt::FindDirectChildrenOnly));
            QCOMPARE(w->windowTitle(), u"Connect to KLV server"_s);
            QCOMPARE(child<QPushButton>(w, u"OKButton"_s)->text(), u"Co&nnect"_s);
            logon.setLanguage(7);
            QCOMPARE(w->windowTitle(), u"KLV-Verbindung herstellen"_s);
            QCOMPARE(child<QLabel>(w, u"Label5"_s)->text(), u"&Verbindung"_s);
            whenShown(u"ConnectionData"_s, [](QWidget* d) {
                QCOMPARE(d->windowTitle(), u"Verbindungsdaten ändern"_s);
                QCOMPARE(child<QCheckBox>(d, u"MitUsername"_s)->text(), u"Mit Benutzer&namen anmelden"_s);
                click(d, u"AbbruchButton"_s);
            });
            click(w, u"VerbindungAendern"_s);
            click(w, u"AbbruchButton"_s);
        });
        Args a;
        run(logon, a);
        QCOMPARE(logon.Language(), 7);
        logon.setLanguage(12);
        QCOMPARE(logon.Language(), 9);
    }

    // The caller's wait for the session it opens: once it lasts, the window says which server
    // it waits for; closing it breaks the wait off, once. A wait that ends by itself takes the
    // window along.
    void theCallersWaitShowsTheServerAndClosingItBreaksItOff()
    {
        KLVLogon logon;
        logon.setLanguage(9);
        QPointer<QWidget> window;
        whenShown(u"LogonWait"_s, [&window](QWidget* w) {
            window = w;
            QCOMPARE(w->findChild<QLabel*>(u"WaitText"_s)->text(), u"Connecting to erp1 (port 6550) ..."_s);
            w->close();
        });
        int breaks = 0;
        // Broken off, the attempt fails; it never ends by itself.
        const auto attempt = [&breaks] { return !QTest::qWaitFor([&breaks] { return breaks > 0; }, 10000); };
        QVERIFY(!logon.WaitForLogon(u"erp1"_s, 6550, attempt, [&breaks] { ++breaks; }));
        QCOMPARE(breaks, 1);
        QVERIFY(logon.LogonWaitBrokenOff());
        QVERIFY(window && !window->isVisible());

        QVERIFY(logon.WaitForLogon(
            u"erp1"_s, 6550, [&window] { return QTest::qWaitFor([&window] { return window->isVisible(); }, 10000); },
            [] {}));
        QVERIFY(!logon.LogonWaitBrokenOff());
        QVERIFY(!window->isVisible());
    }

    void membersAreReachableByName()
    {
        storeAB();
        KLVLogon logon;
        QVERIFY(logon.setProperty("ConnectionName", u"B"_s));
        QVERIFY(logon.setProperty("Language", 7));
        QCOMPARE(logon.property("Language").toInt(), 7);
        Args a;
        KLVLogon::Logon_Result rc = KLVLogon::logonAbort;
        QVERIFY(QMetaObject::invokeMethod(&logon, "GetKLVLogonInfo", Q_RETURN_ARG(KLVLogon::Logon_Result, rc),
                                          Q_ARG(QString, app()), Q_ARG(QString&, a.host), Q_ARG(int&, a.port),
                                          Q_ARG(QString&, a.mandant), Q_ARG(QString&, a.password)));
        QCOMPARE(rc, KLVLogon::logonOK);
        QCOMPARE(fields(a.host, a.port), u"host-b|7002"_s);
    }
};

int main(int argc, char** argv)
{
    TestEnvironment::redirectSettings();
    QApplication app(argc, argv);
    LogonTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "logon_qtest.moc"
