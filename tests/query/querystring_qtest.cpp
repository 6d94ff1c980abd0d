// The query-string window's four texts for a selection: the plain string, the export tool's
// command line, the FO selection command and the GUI client's command, for a table addressed
// by database and groups and for one addressed by its name; the table looked up on the
// stand-in server by id or by name; the caption, refresh and close.
#include "KLV.h"
#include "KlvServer.h"
#include "MainModul.h"
#include "QueryStringForm.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerConfig.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

QStringList texts(const QueryStringForm& form)
{
    QStringList all;
    for (const char16_t* name : {u"PureQueryString", u"klvexportString", u"FOString", u"GUIString"})
        all << form.findChild<QLineEdit*>(QString::fromUtf16(name))->text();
    return all;
}

QStringList notations(const QueryStringForm::Notations& n)
{
    return {n.pure, n.klvexport, n.fo, n.gui};
}

} // namespace

class QueryStringTest : public QObject, private ViewerTest::SessionTest
{
    Q_OBJECT

    // The catalogue answers one table record (fields as given) to the first GTN for start.
    void answerTable(const QString& start, const QStringList& record)
    {
        auto done = std::make_shared<std::atomic_bool>(false);
        server->setScript([=](int, const QString& line, bool greeting, KlvScriptReply& reply) {
            if (greeting || !line.startsWith(u"GTN|0|"_s + start + u'|') || done->exchange(true))
                return false;
            reply.sendLine(u"BOD|0|GTN|1"_s);
            reply.sendLine(u"D|0|"_s + record.join(u'|'));
            reply.sendLine(u"EOD|0|GTN|1|1"_s);
            return true;
        });
    }

    QStringList catalogueRequests() const { return server->receivedLines().filter(QRegularExpression(u"^GTN\\|"_s)); }

private Q_SLOTS:
    void initTestCase()
    {
        startSession();
        App().MainSession = session;
    }

    void cleanupTestCase()
    {
        App().MainSession.clear();
        stopSession();
    }

    void init()
    {
        server->setScript({});
        server->clearReceived();
    }

    void aTableOfDatabaseAndGroupsIsAddressedByItsNumbers()
    {
        const QueryStringForm::TableAddress table{false, u"1"_s, u"1"_s};
        QCOMPARE(notations(
                     QueryStringForm::Notate(u"Kunde:Kunde"_s, u"@sort=nummer;name=A*"_s, u"0:nummer,0:name"_s, table)),
                 (QStringList{u"@sort=nummer;name=A*"_s,
                              u"klvexport.sh -l \"Kunde:Kunde\" -k '@sort=nummer;name=A*' -f \"0:nummer,0:name\""_s,
                              u".hole OBJ \"$,,@datei=1;@gruppe=1;@sort=nummer;name=A*\""_s,
                              u"<obj>%,,@datei=1;@gruppe=1;@sort=nummer;name=A*;0:nummer=;0:name=;"_s}));
        // Without criteria and fields the parts that would carry them are left out.
        QCOMPARE(notations(QueryStringForm::Notate(u"Kunde:Kunde"_s, QString(), QString(), table)),
                 (QStringList{QString(), u"klvexport.sh -l \"Kunde:Kunde\""_s,
                              u".hole OBJ \"$,,@datei=1;@gruppe=1;\""_s, u"<obj>%,,@datei=1;@gruppe=1;"_s}));
    }

    void aTableOfAnotherTypeIsAddressedByItsName()
    {
        const QueryStringForm::TableAddress table{true, u"12"_s, u"7"_s};
        QCOMPARE(notations(QueryStringForm::Notate(u"Sonder"_s, u"a=1"_s, u"0:x"_s, table)),
                 (QStringList{u"a=1"_s, u"klvexport.sh -l \"Sonder\" -k 'a=1' -f \"0:x\""_s,
                              u".hole OBJ \"$Sonder,,a=1\""_s, u"<obj>%Sonder,,a=1;0:x=;"_s}));
        QCOMPARE(
            notations(QueryStringForm::Notate(u"Sonder"_s, QString(), QString(), table)),
            (QStringList{QString(), u"klvexport.sh -l \"Sonder\""_s, u".hole OBJ \"$Sonder\""_s, u"<obj>%Sonder,,"_s}));
    }

    void theWindowLooksTheTableUpByItsId()
    {
        QueryStringForm form;
        QCOMPARE(form.windowTitle(), u"Query as text"_s);
        form.SetQueryString(u"Kunde:Kunde"_s, u"1:1"_s, u"@sort=nummer;@ablageart=lebendig"_s, u"0:nummer,0:name"_s);
        QCOMPARE(form.windowTitle(), u"Query as text [Kunde:Kunde/1:1]"_s);
        QCOMPARE(texts(form),
                 (QStringList{u"@sort=nummer;@ablageart=lebendig"_s,
                              u"klvexport.sh -l \"Kunde:Kunde\" -k '@sort=nummer;@ablageart=lebendig' -f "
                              "\"0:nummer,0:name\""_s,
                              u".hole OBJ \"$,,@datei=1;@gruppe=1;@sort=nummer;@ablageart=lebendig\""_s,
                              u"<obj>%,,@datei=1;@gruppe=1;@sort=nummer;@ablageart=lebendig;0:nummer=;0:name=;"_s}));
        QCOMPARE(catalogueRequests().size(), 1);
        QVERIFY(catalogueRequests().first().startsWith(u"GTN|0|1:1|"_s));
    }

    void anIdWithoutColonIsNoIdAndTheNameIsAsked()
    {
        QueryStringForm form;
        form.SetQueryString(u"Artikel:Artikel"_s, u"2"_s, QString(), QString());
        QCOMPARE(catalogueRequests().size(), 1);
        QVERIFY(catalogueRequests().first().startsWith(u"GTN|0|Artikel:Artikel|"_s));
        QCOMPARE(texts(form).at(2), u".hole OBJ \"$,,@datei=2;@gruppe=1;\""_s);
    }

    void groupNumbersAreJoinedByPoints()
    {
        answerTable(u"3:1.2"_s, {u"Auftrag:Alle"_s, u"Alle"_s, u"3:1.2"_s, u"1"_s, u"Datenbankgruppe"_s, u"3"_s,
                                 u"Auftrag"_s, u"6"_s, u"1,2"_s, u"Auftrag,Angebot"_s, u"1"_s, u"3"_s});
        QueryStringForm form;
        form.SetQueryString(u"Auftrag:Alle"_s, u"3:1.2"_s, u"kunde=5"_s, QString());
        QCOMPARE(texts(form).at(2), u".hole OBJ \"$,,@datei=3;@gruppe=1.2;kunde=5\""_s);
        QCOMPARE(texts(form).at(3), u"<obj>%,,@datei=3;@gruppe=1.2;kunde=5;"_s);
    }

    void aTableOfAnotherCatalogueTypeGetsItsNameInTheCommands()
    {
        answerTable(u"12:99"_s, {u"Sonder"_s, u"Sondertabelle"_s, u"12:99"_s, u"2"_s, u"Tabelle"_s, u"12"_s,
                                 u"Einstellungen"_s, u"0"_s, u"99"_s, u"Sonder"_s, u"0"_s, u"1"_s});
        QueryStringForm form;
        form.SetQueryString(u"Sonder"_s, u"12:99"_s, u"a=1"_s, u"0:x"_s);
        QCOMPARE(texts(form).at(2), u".hole OBJ \"$Sonder,,a=1\""_s);
        QCOMPARE(texts(form).at(3), u"<obj>%Sonder,,a=1;0:x=;"_s);
    }

    void aTableTheServerDoesNotKnowStillGetsAllTexts()
    {
        QueryStringForm form;
        form.SetQueryString(u"Gibtsnicht"_s, u"77:7"_s, u"a=1"_s, u"0:x"_s);
        QCOMPARE(texts(form),
                 (QStringList{u"a=1"_s, u"klvexport.sh -l \"Gibtsnicht\" -k 'a=1' -f \"0:x\""_s,
                              u".hole OBJ \"$,,@datei=;@gruppe=;a=1\""_s, u"<obj>%,,@datei=;@gruppe=;a=1;0:x=;"_s}));
    }

    void noTableEmptiesTheWindow()
    {
        QueryStringForm form;
        form.SetQueryString(u"Kunde:Kunde"_s, u"1:1"_s, u"a=1"_s, u"0:x"_s);
        server->clearReceived();
        form.SetQueryString(u"Kunde:Kunde"_s, QString(), u"a=1"_s, u"0:x"_s);
        QCOMPARE(form.windowTitle(), u"Query as text"_s);
        QCOMPARE(texts(form), (QStringList{QString(), QString(), QString(), QString()}));
        QVERIFY(catalogueRequests().isEmpty());
    }

    void refreshAsksTheOwnerAndCloseHides()
    {
        QueryStringForm form;
        form.show();
        QSignalSpy refresh(&form, &QueryStringForm::RequestRefresh);
        form.findChild<QPushButton*>(u"AktualisierenButton"_s)->click();
        QCOMPARE(refresh.count(), 1);
        form.findChild<QPushButton*>(u"SchliessenButton"_s)->click();
        QVERIFY(!form.isVisible());
    }

    void thePlaceIsKeptWhenTheSettingsSaySo()
    {
        const QString section = u"QueryStringWindowSettings"_s;
        SettingsStore::DeleteSetting(App().RegAppName, section);
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, false);
        delete new QueryStringForm;
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, section).isEmpty());
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
        delete new QueryStringForm;
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"WindowLeft"_s).isEmpty());
    }
};

VIEWER_TEST_MAIN(QueryStringTest)

#include "querystring_qtest.moc"
