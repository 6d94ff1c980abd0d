// The session-settings dialog: its stored settings and defaults, the option sets of the three
// display modes, Cancel and OK, the language lists and samples from the stand-in server, and
// the session flag switch.
#include "KLV.h"
#include "KLVEinstellungenDialog.h"
#include "KLVQuery.h"
#include "KlvServer.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerTestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {

// Receives the push of the settings, as the main window does.
class FakeMainWindow : public QWidget
{
    Q_OBJECT
public:
    QList<bool> pushes;
    Q_INVOKABLE void SetKLVSessionSettings(bool& WithLanguage) { pushes << WithLanguage; }
};

// Runs act on the dialog once it shows modally.
void whenShown(QDialog* dialog, std::function<void()> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, dialog, act] {
        if (QApplication::activeModalWidget() != dialog)
            return;
        timer->stop();
        timer->deleteLater();
        act();
    });
    timer->start(10);
}

void answerInputBox(const QString& text)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        box->setTextValue(text);
        box->accept();
    });
    timer->start(10);
}

QString stored(const QString& section, const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, section, key, u"<none>"_s);
}

} // namespace

class SessionSettingsTest : public QObject
{
    Q_OBJECT

private:
    KlvServer server;
    QSharedPointer<KLV> session;
    MessageBoxes boxes{QMessageBox::Yes};

    static QAbstractButton* b(QWidget* d, const char16_t* name)
    {
        auto* button = d->findChild<QAbstractButton*>(QString::fromUtf16(name));
        if (!button)
            qFatal("no control %s", qPrintable(QString::fromUtf16(name)));
        return button;
    }

    // Ctrl+Shift+F on the dialog, active again after the boxes.texts before.
    static void flagShortcut(QWidget* d)
    {
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QTest::keyClick(d, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    }

    static QString text(QWidget* d, const char16_t* name)
    {
        if (auto* edit = d->findChild<QLineEdit*>(QString::fromUtf16(name)))
            return edit->text();
        return d->findChild<QLabel*>(QString::fromUtf16(name))->text();
    }

    static QStringList checkedOptions(QWidget* d)
    {
        QStringList names;
        for (QAbstractButton* button : d->findChildren<QAbstractButton*>()) {
            if (button->isCheckable() && button->isChecked())
                names << button->objectName();
        }
        names.sort();
        return names;
    }

    static void clearSettings()
    {
        for (const QString& section :
             {u"Settings"_s, u"Settings\\Operating"_s, u"Settings\\Output"_s, u"Settings\\Universal"_s})
            SettingsStore::DeleteSetting(App().RegAppName, section);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.start());
        session = QSharedPointer<KLV>::create();
        QVERIFY2(session->BeginSessionUser(u"127.0.0.1"_s, server.port(), u"100"_s, u"admin"_s, u"secret"_s),
                 qPrintable(session->GetLastError()));
    }

    void init()
    {
        clearSettings();
        boxes.texts.clear();
        App().MainSession.clear();
    }

    void cleanupTestCase()
    {
        session->EndSession();
        server.stop();
    }

    void withoutStoredSettingsTheDesignedDefaultsShow()
    {
        KLVEinstellungenDialog d;
        QCOMPARE(App().SessionSettingsForm.data(), static_cast<QWidget*>(&d));
        d.LoadKLVSessionSettings();
        QCOMPARE(checkedOptions(&d),
                 (QStringList{u"AufzDarstText"_s, u"BoolDarstTAV"_s, u"DatumTAV4"_s, u"DezPunktKomma"_s,
                              u"DisplaymodeOperating"_s, u"FTextDarstExt"_s, u"UsePasswordLang"_s, u"VarLangDeutsch"_s,
                              u"VerweisDarstRef"_s, u"ZahlenDarstTAV"_s, u"ZeilenumbruchLF"_s}));
        QCOMPARE(text(&d, u"FTLaenge"), u"300"_s);
        QCOMPARE(text(&d, u"DatasetSize"), u"200"_s);
        QCOMPARE(d.CurrentDisplayMode(), 0);
        QVERIFY(!d.findChild<QComboBox*>(u"AusgabeSprache"_s)->isEnabled());
        QVERIFY(!d.findChild<QComboBox*>(u"AktSprache"_s)->isEnabled());
        QVERIFY(!d.findChild<QLineEdit*>(u"FTLaenge"_s)->isEnabled());
        QCOMPARE(d.GetAktSprKZ(), QString());
        QCOMPARE(d.GetAktOutputSpr(), QString());
        // Loading writes nothing.
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, u"Settings\\Operating"_s).isEmpty());
    }

    void storedSettingsAreReadAsDocumented()
    {
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"DisplayMode"_s, u"uNiVeRsAl"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"FTextMode"_s, u"ext"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"FTextLen"_s, u"80"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"LineBreak"_s, u"CRLF"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"TrimValues"_s, u"1"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"VarLang"_s, u"E"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"UsePasswordLang"_s, u"0"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"DatasetSize"_s, u"50"_s);
        for (const auto& [key, value] : QList<QPair<QString, QString>>{{u"VerwMode"_s, u"SW"_s},
                                                                       {u"DateMode"_s, u"SORT"_s},
                                                                       {u"NumMode"_s, u"RAW"_s},
                                                                       {u"DecimalPoint"_s, u"PERIOD"_s},
                                                                       {u"BoolMode"_s, u"NUM"_s},
                                                                       {u"EnumMode"_s, u"BRIEFDESC"_s}})
            SettingsStore::SaveSetting(App().RegAppName, u"Settings\\Universal"_s, key, value);
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        QCOMPARE(d.CurrentDisplayMode(), 2);
        QCOMPARE(
            checkedOptions(&d),
            (QStringList{u"AufzDarstBriefDesc"_s, u"BoolDarstNum"_s, u"DatumSort"_s, u"DezPunktPunkt"_s,
                         u"DisplaymodeUniversal"_s, u"FTextDarstText"_s, u"FeldwerteTrimmen"_s, u"VarLangEnglisch"_s,
                         u"VerweisDarstSuchwort"_s, u"ZahlenDarstRoh"_s, u"ZeilenumbruchCRLF"_s}));
        QCOMPARE(text(&d, u"FTLaenge"), u"80"_s);
        QCOMPARE(text(&d, u"DatasetSize"), u"50"_s);
        QVERIFY(d.findChild<QComboBox*>(u"AktSprache"_s)->isEnabled());
        // The other modes' sections stay untouched.
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, u"Settings\\Operating"_s).isEmpty());
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, u"Settings\\Output"_s).isEmpty());
    }

    void eachDisplayModeKeepsItsOwnOptions()
    {
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        b(&d, u"VerweisDarstNummer")->click();
        b(&d, u"DatumSort")->click();
        b(&d, u"DisplaymodeOutput")->click();
        QCOMPARE(d.CurrentDisplayMode(), 1);
        QVERIFY(d.findChild<QComboBox*>(u"AusgabeSprache"_s)->isEnabled());
        QVERIFY(b(&d, u"VerweisDarstRef")->isChecked());
        QVERIFY(b(&d, u"DatumTAV4")->isChecked());
        QCOMPARE(stored(u"Settings\\Operating"_s, u"VerwMode"_s), u"NUM"_s);
        QCOMPARE(stored(u"Settings\\Operating"_s, u"DateMode"_s), u"SORT"_s);

        b(&d, u"BoolDarstNum")->click();
        b(&d, u"DisplaymodeOperating")->click();
        QVERIFY(b(&d, u"VerweisDarstNummer")->isChecked());
        QVERIFY(b(&d, u"DatumSort")->isChecked());
        QVERIFY(b(&d, u"BoolDarstTAV")->isChecked());
        QCOMPARE(stored(u"Settings\\Output"_s, u"BoolMode"_s), u"NUM"_s);
        QVERIFY(!d.findChild<QComboBox*>(u"AusgabeSprache"_s)->isEnabled());
    }

    void cancelPutsBackTheSettingsInEffect()
    {
        FakeMainWindow main;
        App().MainForm = &main;
        // The viewer settings say not to store: an OK holds for this run only.
        SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, u"SaveViewerSettings"_s, u"0"_s);
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        whenShown(&d, [&] {
            b(&d, u"VerweisDarstNummer")->click();
            b(&d, u"OKButton")->click();
        });
        d.DialogZeigen();
        QCOMPARE(d.Result(), 1);
        QCOMPARE(main.pushes, QList<bool>{false});
        QCOMPARE(stored(u"Settings"_s, u"DisplayMode"_s), u"<none>"_s);

        whenShown(&d, [&] {
            b(&d, u"VerweisDarstSuchwort")->click();
            b(&d, u"DisplaymodeOutput")->click(); // stores Operating's options for the switch
            b(&d, u"FeldwerteTrimmen")->click();
            d.findChild<QLineEdit*>(u"DatasetSize"_s)->setText(u"7"_s);
            b(&d, u"AbbrechenButton")->click();
        });
        d.DialogZeigen();
        QCOMPARE(d.Result(), 3);
        QCOMPARE(main.pushes.size(), 1);
        QCOMPARE(d.CurrentDisplayMode(), 0);
        QVERIFY(b(&d, u"DisplaymodeOperating")->isChecked());
        QVERIFY(b(&d, u"VerweisDarstNummer")->isChecked()); // what OK put in effect, not the store
        QVERIFY(!b(&d, u"FeldwerteTrimmen")->isChecked());
        QCOMPARE(text(&d, u"DatasetSize"), u"200"_s);
        QVERIFY(!d.findChild<QComboBox*>(u"AusgabeSprache"_s)->isEnabled());
        QCOMPARE(text(&d, u"BeispielVerweis"), GetMessageTextByNr(505) + u"\r\n100201"_s);
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, u"Settings\\Operating"_s).isEmpty());

        // Closing the window is a cancel too.
        whenShown(&d, [&] {
            b(&d, u"DatumSort")->click();
            d.close();
        });
        d.DialogZeigen();
        QVERIFY(b(&d, u"DatumTAV4")->isChecked());
        App().MainForm = nullptr;
    }

    void okPushesAndStoresTheSettings()
    {
        FakeMainWindow main;
        App().MainForm = &main;
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        d.LoadLanguages(session->CreateQuery());
        d.SetAktSprache(u"D"_s, true);
        whenShown(&d, [&] {
            b(&d, u"UsePasswordLang")->click();
            d.findChild<QComboBox*>(u"AktSprache"_s)->setCurrentIndex(1);
            b(&d, u"DisplaymodeOutput")->click();
            d.findChild<QComboBox*>(u"AusgabeSprache"_s)->setCurrentIndex(1);
            b(&d, u"ZahlenDarstRoh")->click();
            b(&d, u"FTextDarstText")->click();
            d.findChild<QLineEdit*>(u"FTLaenge"_s)->setText(u"120"_s);
            b(&d, u"OKButton")->click();
        });
        d.DialogZeigen();
        QCOMPARE(main.pushes, QList<bool>{true}); // the data language changed
        QCOMPARE(stored(u"Settings"_s, u"DisplayMode"_s), u"Output"_s);
        QCOMPARE(stored(u"Settings"_s, u"Lang"_s), u"E"_s);
        QCOMPARE(stored(u"Settings"_s, u"AusgabeSprache"_s), u"en"_s);
        QCOMPARE(stored(u"Settings"_s, u"UsePasswordLang"_s), u"0"_s);
        QCOMPARE(stored(u"Settings"_s, u"FTextMode"_s), u"TEXT"_s);
        QCOMPARE(stored(u"Settings"_s, u"FTextLen"_s), u"120"_s);
        QCOMPARE(stored(u"Settings"_s, u"LineBreak"_s), u"LF"_s);
        QCOMPARE(stored(u"Settings"_s, u"TrimValues"_s), u"0"_s);
        QCOMPARE(stored(u"Settings"_s, u"VarLang"_s), u"D"_s);
        QCOMPARE(stored(u"Settings"_s, u"DatasetSize"_s), u"200"_s);
        QCOMPARE(stored(u"Settings\\Output"_s, u"NumMode"_s), u"RAW"_s);
        QCOMPARE(stored(u"Settings\\Output"_s, u"VerwMode"_s), u"REF"_s);

        // The stored settings come back in a dialog of the next run.
        KLVEinstellungenDialog next;
        next.LoadKLVSessionSettings();
        QCOMPARE(next.CurrentDisplayMode(), 1);
        QVERIFY(b(&next, u"ZahlenDarstRoh")->isChecked());
        next.LoadLanguages(session->CreateQuery());
        QCOMPARE(next.GetAktOutputSpr(), u"en"_s);

        // No data language chosen stores "".
        KLVEinstellungenDialog none;
        whenShown(&none, [&] { b(&none, u"OKButton")->click(); });
        none.DialogZeigen();
        QCOMPARE(stored(u"Settings"_s, u"Lang"_s), QString());
        App().MainForm = nullptr;
    }

    void theLanguagesComeFromTheServerEachOnce()
    {
        KLVEinstellungenDialog d;
        d.SetAktOutputSpr(u"en"_s); // asked for before the lists exist
        for (int round = 0; round < 2; ++round)
            d.LoadLanguages(session->CreateQuery());
        auto* akt = d.findChild<QComboBox*>(u"AktSprache"_s);
        auto* out = d.findChild<QComboBox*>(u"AusgabeSprache"_s);
        QCOMPARE(akt->count(), 2);
        QCOMPARE(out->count(), 2);
        QCOMPARE(d.GetAktSprKZ(), QString());
        d.SetAktSprache(u"E"_s, true);
        QCOMPARE(d.GetAktSprKZ(), u"E"_s);
        d.SetAktSprache(akt->itemText(0), false);
        QCOMPARE(d.GetAktSprKZ(), u"D"_s);
        d.SetAktSprache(u"X"_s, true);
        QCOMPARE(d.GetAktSprKZ(), u"D"_s);
        QCOMPARE(d.GetAktOutputSpr(), u"en"_s);
        d.SetAktOutputSpr(u"de"_s);
        QCOMPARE(d.GetAktOutputSpr(), u"de"_s);
        out->setCurrentIndex(-1);
        QCOMPARE(d.GetAktOutputSpr(), u"de"_s); // none chosen: the first entry's
        d.LoadLanguages(nullptr);
        QCOMPARE(akt->count(), 0);

        // A stored code the server does not list: the first entry is in force, and shown.
        KLVEinstellungenDialog other;
        other.SetAktOutputSpr(u"(68)"_s);
        other.LoadLanguages(session->CreateQuery());
        auto* shown = other.findChild<QComboBox*>(u"AusgabeSprache"_s);
        QCOMPARE(shown->currentIndex(), 0);
        QCOMPARE(other.GetAktOutputSpr(), u"de"_s);
    }

    void theYesNoExampleSpeaksTheServersWordOnceItIsKnown()
    {
        const QString before = App().ErpTrueText;
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        App().ErpTrueText = u"jawohl"_s; // the logon brings the server's words after the dialog was made
        QString shown;
        QTimer::singleShot(0, &d, [&d, &shown] {
            shown = text(&d, u"BeispielBool");
            d.reject();
        });
        d.DialogZeigen();
        App().ErpTrueText = before;
        QVERIFY2(shown.endsWith(u"jawohl"_s), qPrintable(shown));
    }

    void samplesFollowTheChoices()
    {
        KLVEinstellungenDialog d;
        d.LoadKLVSessionSettings();
        const QString prefix = GetMessageTextByNr(505) + u"\r\n"_s;
        QCOMPARE(text(&d, u"BeispielZahl"), prefix + u"  1234567,89"_s);
        b(&d, u"DezPunktPunkt")->click();
        QCOMPARE(text(&d, u"BeispielZahl"), prefix + u"  1234567.89"_s);
        b(&d, u"ZahlenDarstRoh")->click();
        QCOMPARE(text(&d, u"BeispielZahl"), prefix + u"1234567.89"_s);
        QVERIFY(!b(&d, u"DezPunktKomma")->isEnabled());
        QCOMPARE(text(&d, u"BeispielTrimValues"), prefix + u"\"     1,234.56\""_s);
        b(&d, u"FeldwerteTrimmen")->click();
        QCOMPARE(text(&d, u"BeispielTrimValues"), prefix + u"\"1,234.56\""_s);
        b(&d, u"FTextDarstText")->click();
        QVERIFY(d.findChild<QLineEdit*>(u"FTLaenge"_s)->isEnabled());
        QCOMPARE(text(&d, u"BeispielFreitext"), prefix + GetMessageTextByNr(524));
        b(&d, u"VarLangEnglisch")->click();
        QCOMPARE(text(&d, u"BeispielVarLang"), prefix + u"searchExt"_s);
        b(&d, u"AufzDarstCode")->click();
        QCOMPARE(text(&d, u"BeispielAufzaehlung"), prefix + u"(69)"_s);

        // The formatted number is the server's, asked through the main session.
        b(&d, u"ZahlenDarstExt")->click();
        QCOMPARE(text(&d, u"BeispielZahl"), prefix + u"1234567.89"_s); // no session yet
        App().MainSession = session;
        const QString expected = session->CreateQuery()->TestGetFieldValue(u"RDT10.2"_s, u"1234567.89"_s);
        QVERIFY(!expected.isEmpty());
        server.clearReceived();
        b(&d, u"ZahlenDarstRoh")->click();
        b(&d, u"ZahlenDarstExt")->click();
        QCOMPARE(text(&d, u"BeispielZahl"), prefix + expected);
        QVERIFY(!server.receivedLines().filter(u"TFV|"_s).isEmpty());
    }

    void theBlockSizeTakesDigitsOnly()
    {
        KLVEinstellungenDialog d;
        auto* size = d.findChild<QLineEdit*>(u"DatasetSize"_s);
        size->clear();
        QTest::keyClicks(size, u"1a2-3 4"_s);
        QCOMPARE(size->text(), u"1234"_s);
    }

    void ctrlShiftFSwitchesASessionFlag()
    {
        App().MainSession = session;
        KLVEinstellungenDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.activateWindow();

        server.clearReceived();
        boxes.answer = QMessageBox::Yes;
        answerInputBox(u"7"_s);
        flagShortcut(&d);
        QCOMPARE(boxes.texts, QStringList{u"Aktueller Wert: False\r\nUmschalten?"_s});
        QVERIFY(session->IsFlagSet(7));
        QVERIFY(server.receivedLines().contains(u"SET|0|TESTFLAG|7|1"_s));

        // A number beyond the 32-bit range is no flag; 0 and less ask nothing.
        boxes.texts.clear();
        server.clearReceived();
        answerInputBox(u"99999999999"_s);
        flagShortcut(&d);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(1347)));
        answerInputBox(u"0"_s);
        flagShortcut(&d);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(server.receivedLines().filter(u"TESTFLAG"_s).isEmpty());

        // A flag above 32767 is switched like any other.
        answerInputBox(u"40000"_s);
        flagShortcut(&d);
        QVERIFY(server.receivedLines().contains(u"SET|0|TESTFLAG|40000|1"_s));
        d.hide();
    }
};

VIEWER_TEST_MAIN(SessionSettingsTest)

#include "sessionsettings_qtest.moc"
