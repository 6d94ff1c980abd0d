// The reference-path chooser against the stand-in server's sample ERP: the fields of the
// query's table split into reference and data fields, opening a reference with one target or
// several, existing paths opened at their last field, going back a level, a target chosen as
// an alternative for the level's table, and the result on OK, cancel and close.
#include "KLV.h"
#include "KlvServer.h"
#include "MainModul.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "VerknAuswahlForm.h"
#include "ViewerConfig.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using ViewerTest::column;

namespace {

QTreeWidgetItem* item(const QTreeWidget* list, const QString& text)
{
    const QList<QTreeWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

QString selected(const QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text(0);
}

void click(QTreeWidget* list, const QString& text)
{
    QTreeWidgetItem* row = item(list, text);
    QVERIFY2(row, qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
}

void doubleClick(QTreeWidget* list, const QString& text)
{
    QTreeWidgetItem* row = item(list, text);
    QVERIFY2(row, qPrintable(text));
    const QPoint at = list->visualItemRect(row).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class VerknAuswahlTest : public QObject, private ViewerTest::SessionTest
{
    Q_OBJECT

    std::unique_ptr<VerknAuswahlForm> form;

    QString path() const { return form->findChild<QLineEdit*>(u"AktVerknText"_s)->text(); }
    QString label(const char16_t* name) const { return form->findChild<QLabel*>(QString::fromUtf16(name))->text(); }
    bool backEnabled() const { return form->findChild<QPushButton*>(u"VorigeEbeneButton"_s)->isEnabled(); }

    bool open(const QString& table, const QString& caption, const QString& path = QString(),
              const QString& typeCode = QString())
    {
        bool ok = false;
        form->InitVerknInfo(session, table, caption, path, typeCode, ok);
        form->show();
        return ok && QTest::qWaitForWindowExposed(form.get());
    }

private Q_SLOTS:
    void initTestCase()
    {
        startSession();
        recordBoxes();
    }

    void cleanupTestCase()
    {
        form.reset();
        stopSession();
    }

    void init()
    {
        recorded->texts.clear();
        server->clearReceived();
        form = std::make_unique<VerknAuswahlForm>();
    }

    void aNewPathStartsAtTheQueryTable()
    {
        QVERIFY(open(u"3:1"_s, u"Auftrag:Auftrag"_s));
        QCOMPARE(form->AktEbene(), 0);
        QVERIFY(!backEnabled());
        QCOMPARE(path(), QString());
        QCOMPARE(label(u"VerwFeldListeLabel"), u"Reference fields of Auftrag:Auftrag"_s);
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Auftrag:Auftrag"_s);
        // The query table's own table-part references are offered; other table fields not.
        QCOMPARE(column(form->verwFeldListe()), (QStringList{u"kunde"_s, u"artikel"_s}));
        QCOMPARE(column(form->verwFeldListe(), 1), (QStringList{u"P1:1"_s, u"P2:1"_s}));
        QCOMPARE(column(form->verwFeldListe(), 3), (QStringList{u"No"_s, u"Yes"_s}));
        QCOMPARE(column(form->datenFeldListe()),
                 (QStringList{u"nummer"_s, u"such"_s, u"datum"_s, u"termin"_s, u"status"_s, u"offen"_s, u"summe"_s,
                              u"erfasser"_s, u"bemerk"_s}));
        QVERIFY(form->verweisziele()->topLevelItemCount() == 0);
        QVERIFY(server->receivedLines().filter(u"GFN|0|3:1||"_s).size() == 1);
    }

    void aHeaderClickSortsAListBothWays()
    {
        QVERIFY(open(u"3:1"_s, u"Auftrag:Auftrag"_s));
        QTreeWidget* data = form->datenFeldListe();
        QStringList names = column(data);
        std::sort(names.begin(), names.end());
        UserInput::clickHeader(data->header(), 0);
        QCOMPARE(column(data), names);
        UserInput::clickHeader(data->header(), 0);
        std::reverse(names.begin(), names.end());
        QCOMPARE(column(data), names);
        QCOMPARE(data->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    void aReferenceWithOneTargetOpensTheNextLevel()
    {
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s));
        click(form->verwFeldListe(), u"vertreter"_s);
        QCOMPARE(path(), u"vertreter"_s);
        doubleClick(form->verwFeldListe(), u"vertreter"_s);
        QCOMPARE(form->AktEbene(), 1);
        QVERIFY(backEnabled());
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Mitarbeiter:Mitarbeiter"_s);
        QCOMPARE(label(u"VerweiszieleLabel"), u"vertreter (P4:1) refers to:"_s);
        QCOMPARE(column(form->verweisziele()), QStringList{u"Mitarbeiter"_s});
        // The table itself adds nothing to the path; the next field does, after a "^".
        QCOMPARE(path(), u"vertreter"_s);
        click(form->datenFeldListe(), u"name"_s);
        QCOMPARE(path(), u"vertreter^name"_s);
        doubleClick(form->datenFeldListe(), u"kuerzel"_s);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->ErgebnisVerknFeld(), u"vertreter^kuerzel"_s);
    }

    void severalTargetsWaitForTheUsersChoice()
    {
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s));
        doubleClick(form->verwFeldListe(), u"bezug"_s);
        QCOMPARE(form->AktEbene(), 0);
        QCOMPARE(path(), u"bezug"_s);
        QCOMPARE(column(form->verweisziele()), (QStringList{u"Kunde"_s, u"Artikel"_s}));
        QCOMPARE(column(form->verweisziele(), 1), (QStringList{u"1"_s, u"2"_s}));
        QCOMPARE(column(form->verweisziele(), 3), (QStringList{u"1"_s, u"1"_s}));

        doubleClick(form->verweisziele(), u"Artikel"_s);
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Artikel:Artikel"_s);
        QVERIFY(item(form->datenFeldListe(), u"preis"_s));
        // A second target without a new field in between replaces the level's table.
        doubleClick(form->verweisziele(), u"Kunde"_s);
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Kunde:Kunde"_s);
        click(form->datenFeldListe(), u"ort"_s);
        QCOMPARE(path(), u"bezug^ort"_s);
    }

    void keysDriveTheListsAndTheLevels()
    {
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s));
        QTreeWidget* refs = form->verwFeldListe();
        refs->setFocus();
        refs->setCurrentItem(item(refs, u"betreuer"_s));
        QCOMPARE(path(), u"betreuer"_s);
        QTest::keyClick(refs, Qt::Key_Return);
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"VerwFeldListeLabel"), u"Reference fields of Mitarbeiter:Mitarbeiter"_s);

        // Back one level: the level-0 lists again, the reference field selected, no targets.
        QTest::keyClick(form->datenFeldListe(), Qt::Key_Backspace);
        QCOMPARE(form->AktEbene(), 0);
        QVERIFY(!backEnabled());
        QCOMPARE(path(), u"betreuer"_s);
        QCOMPARE(label(u"VerwFeldListeLabel"), u"Reference fields of Kunde:Kunde"_s);
        QCOMPARE(selected(refs), u"betreuer"_s);
        QCOMPARE(form->verweisziele()->topLevelItemCount(), 0);

        // Enter on a data field ends the dialog with that field.
        QTreeWidget* data = form->datenFeldListe();
        data->setFocus();
        data->setCurrentItem(item(data, u"plz"_s));
        QTest::keyClick(data, Qt::Key_Enter);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->ErgebnisVerknFeld(), u"plz"_s);
    }

    void anExistingPathOpensAtItsLastField()
    {
        // vertreter has one target: its table is the level's; name is a data field.
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(path(), u"vertreter^name"_s);
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Mitarbeiter:Mitarbeiter"_s);
        QCOMPARE(selected(form->datenFeldListe()), u"name"_s);
        QCOMPARE(focusWidget(), static_cast<QWidget*>(form->datenFeldListe()));

        // bezug has two targets and none was chosen: the first that knows lieferant is taken
        // (the customers answer for it with an invalid field). lieferant is a reference.
        server->clearReceived();
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"bezug^lieferant"_s, u"P1:1"_s));
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"VerwFeldListeLabel"), u"Reference fields of Artikel:Artikel"_s);
        QCOMPARE(selected(form->verwFeldListe()), u"lieferant"_s);
        QCOMPARE(column(form->verweisziele()), (QStringList{u"Kunde"_s, u"Artikel"_s}));
        const QStringList lines = server->receivedLines();
        QVERIFY(!lines.filter(u"GFN|0|1:1|bezug|"_s).isEmpty());
        QVERIFY(!lines.filter(u"GRI|0|VP7|"_s).isEmpty());
        QVERIFY(!lines.filter(u"GFN|0|1:1|lieferant|"_s).isEmpty());
        QVERIFY(!lines.filter(u"GFN|0|2:1|lieferant|"_s).isEmpty());
    }

    void aTargetChosenBesideAnOpenedPathReplacesItsTable()
    {
        // bezug^name opens on the customers; choosing the articles among bezug's targets
        // changes the table of that level, it does not open a level behind "name".
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"bezug^name"_s, u"GL40"_s));
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Kunde:Kunde"_s);
        doubleClick(form->verweisziele(), u"Artikel"_s);
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"DatenFeldListeLabel"), u"Data fields of Artikel:Artikel"_s);
        click(form->datenFeldListe(), u"preis"_s);
        QCOMPARE(path(), u"bezug^preis"_s);

        // The same after going back to a level that has several targets.
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s));
        doubleClick(form->verwFeldListe(), u"bezug"_s);
        doubleClick(form->verweisziele(), u"Artikel"_s);
        doubleClick(form->verwFeldListe(), u"lieferant"_s);
        QCOMPARE(form->AktEbene(), 2);
        QCOMPARE(path(), u"bezug^lieferant"_s);
        form->findChild<QPushButton*>(u"VorigeEbeneButton"_s)->click();
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(selected(form->verwFeldListe()), u"lieferant"_s);
        QCOMPARE(column(form->verweisziele()), (QStringList{u"Kunde"_s, u"Artikel"_s}));
        doubleClick(form->verweisziele(), u"Kunde"_s);
        QCOMPARE(form->AktEbene(), 1);
        QCOMPARE(label(u"VerwFeldListeLabel"), u"Reference fields of Kunde:Kunde"_s);
    }

    void okCancelAndCloseGiveTheirResults()
    {
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        form->findChild<QPushButton*>(u"OKButton"_s)->click();
        QCOMPARE(form->ErgebnisVerknFeld(), u"vertreter^name"_s);

        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        form->findChild<QPushButton*>(u"AbbrechenButton"_s)->click();
        QCOMPARE(form->ErgebnisVerknFeld(), QString());

        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        form->findChild<QPushButton*>(u"OKButton"_s)->click();
        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->ErgebnisVerknFeld(), QString());

        QVERIFY(open(u"1:1"_s, u"Kunde:Kunde"_s, u"vertreter^name"_s, u"GL40"_s));
        QTest::keyClick(form->datenFeldListe(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->ErgebnisVerknFeld(), QString());
    }

    void aRefusedFieldCatalogueLeavesTheListsEmpty()
    {
        QVERIFY(open(u"77:7"_s, u"Unbekannt"_s));
        QCOMPARE(recorded->texts, QStringList{u"The field list could not be read."_s});
        QCOMPARE(form->verwFeldListe()->topLevelItemCount(), 0);
        QCOMPARE(form->datenFeldListe()->topLevelItemCount(), 0);
    }

    void aPathDeeperThanTheLevelsIsRefused()
    {
        QStringList parts;
        for (int i = 0; i <= VerknAuswahlForm::MaxLevel + 1; ++i)
            parts << u"f"_s + QString::number(i);
        bool ok = true;
        form->InitVerknInfo(session, u"1:1"_s, u"Kunde:Kunde"_s, parts.join(u'^'), u"GL40"_s, ok);
        QVERIFY(!ok);
        QCOMPARE(recorded->texts, QStringList{u"A reference path can have at most 100 steps."_s});
        QVERIFY(server->receivedLines().isEmpty());
    }

    void theColumnWidthsAreKeptWhenTheSettingsSaySo()
    {
        const QString section = u"RefAssWindowSettings"_s;
        SettingsStore::DeleteSetting(App().RegAppName, section);
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, false);
        form->verweisziele()->header()->resizeSection(0, 111);
        form.reset();
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, section).isEmpty());

        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
        form = std::make_unique<VerknAuswahlForm>();
        form->verweisziele()->header()->resizeSection(0, 111);
        form->datenFeldListe()->header()->resizeSection(2, 222);
        form.reset();
        form = std::make_unique<VerknAuswahlForm>();
        QCOMPARE(form->verweisziele()->header()->sectionSize(0), 111);
        QCOMPARE(form->datenFeldListe()->header()->sectionSize(2), 222);
    }

private:
    QWidget* focusWidget() const { return form->focusWidget(); }
};

VIEWER_TEST_MAIN(VerknAuswahlTest)

#include "verknauswahl_qtest.moc"
