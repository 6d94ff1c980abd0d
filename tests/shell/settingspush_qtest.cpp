// The session settings pushed into a session of the stand-in server, read from the controls of
// a settings form by name; the output language stored through the typing command "43"; the
// fonts read back from the stored settings.
#include "FontSettings.h"
#include "KLV.h"
#include "KlvServer.h"
#include "MainModul.h"
#include "SessionSettingsPush.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <atomic>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

// Stands in for the session-settings dialog: its option buttons, check boxes and text boxes
// by name, and the output language it answers.
class SettingsForm : public QWidget
{
    Q_OBJECT
public:
    SettingsForm()
    {
        // One group per option, as the dialog has them; each starts with its first button.
        const QList<QStringList> groups{
            {u"DisplaymodeOperating"_s, u"DisplaymodeOutput"_s, u"DisplaymodeUniversal"_s},
            {u"VerweisDarstRef"_s, u"VerweisDarstNummer"_s, u"VerweisDarstSuchwort"_s, u"VerweisDarstExt"_s},
            {u"DatumTAV"_s, u"DatumTAV4"_s, u"DatumSort"_s},
            {u"ZahlenDarstTAV"_s, u"ZahlenDarstExt"_s, u"ZahlenDarstRoh"_s},
            {u"DezPunktKomma"_s, u"DezPunktPunkt"_s},
            {u"BoolDarstTAV"_s, u"BoolDarstNum"_s},
            {u"AufzDarstText"_s, u"AufzDarstCode"_s, u"AufzDarstBriefDesc"_s},
            {u"FTextDarstExt"_s, u"FTextDarstText"_s},
            {u"ZeilenumbruchLF"_s, u"ZeilenumbruchCRLF"_s},
            {u"VarLangDeutsch"_s, u"VarLangEnglisch"_s}};
        for (const QStringList& group : groups) {
            auto* box = new QWidget(this);
            for (const QString& name : group) {
                auto* b = new QRadioButton(box);
                b->setObjectName(name);
                b->setChecked(name == group.first());
            }
        }
        for (const char16_t* name : {u"FeldwerteTrimmen", u"UsePasswordLang"})
            (new QCheckBox(this))->setObjectName(QString::fromUtf16(name));
        for (const char16_t* name : {u"FTLaenge", u"DatasetSize"})
            (new QLineEdit(this))->setObjectName(QString::fromUtf16(name));
    }

    void choose(const QString& name) { findChild<QAbstractButton*>(name)->setChecked(true); }
    void setText(const QString& name, const QString& text) { findChild<QLineEdit*>(name)->setText(text); }

    QString outputLanguage = u"E"_s;
    Q_INVOKABLE QString GetAktOutputSpr() const { return outputLanguage; }
};

} // namespace

class SettingsPushTest : public QObject
{
    Q_OBJECT

private:
    KlvServer server;
    QSharedPointer<KLV> session;
    // How the scripted server answers the steps of the typing command: "" lets the server
    // answer as it does (it refuses the command), else one word per step.
    QString editorScript;

    QStringList pushed(SettingsForm& form)
    {
        server.clearReceived();
        SessionSettingsPush::Push(*session, &form);
        QStringList lines;
        for (const QString& line : server.receivedLines()) {
            if (line.startsWith(u"SET|"_s))
                lines.append(line.section(u'|', 2));
        }
        return lines;
    }

private Q_SLOTS:
    void initTestCase()
    {
        loadTexts();
        QVERIFY(server.start());
        server.setScript([this](int, const QString& line, bool isGreeting, KlvScriptReply& reply) {
            if (isGreeting || editorScript.isEmpty())
                return false;
            const QString word = line.section(u'|', 0, 0);
            if (word == u"EDI") {
                reply.sendLine(u"ACK|101"_s);
                return true;
            }
            if (word == u"SFV") {
                reply.sendLine(editorScript.contains(u"field-refused"_s) ? u"NAK|101|No such field|1116|"_s
                                                                         : u"ACK|101"_s);
                return true;
            }
            if (word == u"COM") {
                reply.sendLine(editorScript.contains(u"save-refused"_s) ? u"NAK|101|Not saved|1214|"_s : u"ACK|101"_s);
                return true;
            }
            if (word == u"CAN") {
                reply.sendLine(u"ACK|101"_s);
                return true;
            }
            return false;
        });
        session = QSharedPointer<KLV>::create();
        QVERIFY2(session->BeginSessionUser(u"127.0.0.1"_s, server.port(), u"100"_s, u"admin"_s, u"secret"_s),
                 qPrintable(session->GetLastError()));
    }

    void cleanupTestCase()
    {
        session->EndSession();
        server.stop();
    }

    void everyGroupGoesOutInItsOrder()
    {
        SettingsForm form;
        form.choose(u"DisplaymodeOutput"_s);
        form.choose(u"VerweisDarstSuchwort"_s);
        form.choose(u"AufzDarstCode"_s);
        form.choose(u"BoolDarstNum"_s);
        form.choose(u"DatumSort"_s);
        form.choose(u"ZahlenDarstTAV"_s);
        form.choose(u"DezPunktPunkt"_s);
        form.choose(u"FTextDarstText"_s);
        form.setText(u"FTLaenge"_s, u"77"_s);
        form.choose(u"ZeilenumbruchCRLF"_s);
        form.choose(u"VarLangEnglisch"_s);
        form.findChild<QCheckBox*>(u"FeldwerteTrimmen"_s)->setChecked(true);
        form.setText(u"DatasetSize"_s, u"150"_s);

        QCOMPARE(pushed(form),
                 (QStringList{u"DISPLAYMODE|OUTPUT"_s, u"VERWMODE|SW"_s, u"EnumMode|CODE"_s, u"BOOLMODE|NUM"_s,
                              u"DATEMODE|SORT"_s, u"NUMMODE|TAV"_s, u"DECIMALPOINT|PERIOD"_s, u"FTMODE|TEXT:77"_s,
                              u"LINEBREAK|CRLF"_s, u"VARLANG|en"_s, u"TRIMVALUES|1"_s}));
        QCOMPARE(session->DatasetSize(), 150);
        QCOMPARE(session->GetNumberMode(), KLVActiveX::klvNumModeTAV);
        QCOMPARE(session->GetDecimalPoint(), KLVActiveX::klvDecimalPointPeriod);
    }

    void theDecimalPointGoesOnlyWithTheErpsNumberForm()
    {
        SettingsForm form;
        form.choose(u"ZahlenDarstRoh"_s);
        form.choose(u"DezPunktPunkt"_s);
        QStringList lines = pushed(form);
        QVERIFY(lines.contains(u"NUMMODE|RAW"_s));
        QVERIFY2(!lines.join(u' ').contains(u"DECIMALPOINT"_s), qPrintable(lines.join(u' ')));

        form.choose(u"ZahlenDarstExt"_s);
        lines = pushed(form);
        QVERIFY(lines.contains(u"NUMMODE|EXT"_s));
        QVERIFY(!lines.join(u' ').contains(u"DECIMALPOINT"_s));
    }

    void externalFreeTextsIgnoreTheLength()
    {
        SettingsForm form;
        form.choose(u"FTextDarstExt"_s);
        form.setText(u"FTLaenge"_s, u"55"_s);
        QCOMPARE(pushed(form).filter(u"FTMODE"_s), QStringList{u"FTMODE|EXT"_s});
    }

    void textBoxesAreReadByTheirLeadingNumber()
    {
        SettingsForm form;
        form.choose(u"FTextDarstText"_s);
        form.setText(u"FTLaenge"_s, u"40 chars"_s);
        form.setText(u"DatasetSize"_s, u"250xyz"_s);
        QVERIFY(pushed(form).contains(u"FTMODE|TEXT:40"_s));
        QCOMPARE(session->DatasetSize(), 250);

        // No number, or one beyond 32 bits, reads as 0; the session keeps at least one record
        // per block.
        form.setText(u"DatasetSize"_s, u"many"_s);
        pushed(form);
        QCOMPARE(session->DatasetSize(), 1);
        form.setText(u"DatasetSize"_s, u"99999999999"_s);
        pushed(form);
        QCOMPARE(session->DatasetSize(), 1);
        QCOMPARE(SessionSettingsPush::NumberOf(u"  12,5"_s), 12);
    }

    void aFormWithoutTheControlsPushesTheFirstChoices()
    {
        QWidget empty;
        server.clearReceived();
        SessionSettingsPush::Push(*session, &empty);
        QStringList lines;
        for (const QString& line : server.receivedLines()) {
            if (line.startsWith(u"SET|"_s))
                lines.append(line.section(u'|', 2));
        }
        QCOMPARE(lines.value(0), u"DISPLAYMODE|OPERATING"_s);
        QVERIFY(lines.contains(u"VERWMODE|EXT"_s));
        QVERIFY(lines.contains(u"NUMMODE|EXT"_s));
    }

    void theOutputLanguageIsStoredAndAFailedChangeIsCancelled()
    {
        SettingsForm form;
        form.outputLanguage = u"F"_s;

        // The server refuses the typing command: nothing else is sent for it.
        editorScript.clear();
        server.clearReceived();
        SessionSettingsPush::StoreOutputLanguage(*session, u"F"_s);
        QCOMPARE(linesStartingWith(server, u"EDI|"_s), QStringList{u"EDI|0|DO|43||||"_s});
        QVERIFY(linesStartingWith(server, u"SFV|"_s).isEmpty());
        QVERIFY(linesStartingWith(server, u"CAN|"_s).isEmpty());

        // Accepted: the field is set and the edit saved.
        editorScript = u"accept"_s;
        server.clearReceived();
        SessionSettingsPush::StoreOutputLanguage(*session, u"F"_s);
        QCOMPARE(linesStartingWith(server, u"SFV|101|"_s).size(), 1);
        QVERIFY(linesStartingWith(server, u"SFV|101|"_s).first().contains(u"|spr|F"_s));
        QCOMPARE(linesStartingWith(server, u"COM|101"_s).size(), 1);
        QVERIFY(linesStartingWith(server, u"CAN|"_s).isEmpty());

        // The field refused: the edit is not left open on the server.
        editorScript = u"field-refused"_s;
        server.clearReceived();
        SessionSettingsPush::StoreOutputLanguage(*session, u"F"_s);
        QVERIFY(linesStartingWith(server, u"COM|"_s).isEmpty());
        QCOMPARE(linesStartingWith(server, u"CAN|101"_s).size(), 1);

        // The save refused: cancelled as well.
        editorScript = u"save-refused"_s;
        server.clearReceived();
        SessionSettingsPush::StoreOutputLanguage(*session, u"F"_s);
        QCOMPARE(linesStartingWith(server, u"COM|101"_s).size(), 1);
        QCOMPARE(linesStartingWith(server, u"CAN|101"_s).size(), 1);

        // The push stores the form's output language right after the display mode.
        editorScript = u"accept"_s;
        const QStringList all = [&] {
            server.clearReceived();
            SessionSettingsPush::Push(*session, &form);
            return server.receivedLines();
        }();
        QVERIFY(all.indexOf(u"EDI|0|DO|43||||"_s) == 1);
        editorScript.clear();
    }

    void fontsAreReadUntilAValueCannotBe()
    {
        const auto store = [](const QString& key, const QString& value) {
            SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, key, value);
        };
        QFont untouched(u"Serif"_s, 10);
        untouched.setItalic(true);

        QFont font = untouched;
        FontSettings::LoadFontSettings(u"Form"_s, font);
        // Nothing stored: the desktop's font, not a Windows font name.
        QCOMPARE(font.family(), FontSettings::DefaultFont().family());
        QCOMPARE(font.pointSize(), FontSettings::DefaultFont().pointSize());
        QVERIFY(!font.bold());
        QVERIFY(!font.italic());

        store(u"DataFontName"_s, u"DejaVu Sans"_s);
        store(u"DataFontSize"_s, u"12"_s);
        store(u"DataFontBold"_s, u"True"_s);
        store(u"DataFontItalic"_s, u"maybe"_s);
        store(u"DataFontUnderline"_s, u"1"_s);
        font = untouched;
        FontSettings::LoadFontSettings(u"Data"_s, font);
        QCOMPARE(font.family(), u"DejaVu Sans"_s);
        QCOMPARE(font.pointSize(), 12);
        QVERIFY(font.bold());
        // The unreadable italic value stops the reading: italic and underline keep theirs.
        QVERIFY(font.italic());
        QVERIFY(!font.underline());

        store(u"DataFontSize"_s, u"big"_s);
        font = untouched;
        FontSettings::LoadFontSettings(u"Data"_s, font);
        QCOMPARE(font.family(), u"DejaVu Sans"_s);
        QCOMPARE(font.pointSize(), 10);

        QCOMPARE(FontSettings::ReadBool(u"-1"_s), std::optional<bool>(true));
        QCOMPARE(FontSettings::ReadBool(u"0"_s), std::optional<bool>(false));
        QCOMPARE(FontSettings::ReadBool(u"FALSE"_s), std::optional<bool>(false));
        QVERIFY(!FontSettings::ReadBool(u"ja"_s));
    }
};

VIEWER_TEST_MAIN(SettingsPushTest)

#include "settingspush_qtest.moc"
