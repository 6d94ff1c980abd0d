// Query templates and window state against klvserver: the server's selection templates in
// the controls, the result columns handed to the saved-query storage and back, the reload,
// and the window's layout kept from one window to the next.
#include "SavedQueryStore.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

class TemplatesTest : public QueryWindowTest
{
    Q_OBJECT

private:
    template <class T>
    T* control(const QString& name)
    {
        return form->findChild<T*>(name);
    }

    QString kindText(int code) const
    {
        for (const auto& [key, text] : std::as_const(App().AblageartenListe)) {
            if (key == QString::number(code))
                return text;
        }
        return QString();
    }

private Q_SLOTS:
    void init() { QVERIFY(logOn()); }

    void aTemplateFillsTheSelectionControls()
    {
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        form->setAktQueryName(u"Mine"_s);
        QString ref = u"1:1"_s;
        form->LoadRohlingProperties(ref);
        // Rows with an empty value or without names add nothing; a row with only the
        // alternative name uses it.
        QCOMPARE(control<QLineEdit>(u"Kriterien"_s)->text(), u"ort=Berlin;kategorie=1"_s);
        QCOMPARE(control<QLineEdit>(u"Sortierung"_s)->text(), u"name.vorw"_s);
        QCOMPARE(control<QComboBox>(u"Schluessel"_s)->currentText(), u"ort"_s);
        QVERIFY(control<QRadioButton>(u"UNDVerknuepfung"_s)->isChecked());
        QVERIFY(control<QRadioButton>(u"Aufsteigend"_s)->isChecked());
        QVERIFY(!control<QCheckBox>(u"ZeilenSelektion"_s)->isChecked());
        QCOMPARE(control<QComboBox>(u"Ablageart"_s)->currentText(), kindText(1));
        QCOMPARE(form->AktQueryName(), QString());
        QVERIFY(!queries(server).filter(u"num12=1:1;sini<>`|merkmaltyp(0),merkmalname,vname,sini|"_s).isEmpty());

        // The article template: OR, descending, row selection, no key, both kinds.
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        ref = u"2:1"_s;
        form->LoadRohlingProperties(ref);
        QVERIFY(control<QRadioButton>(u"ODERVerknuepfung"_s)->isChecked());
        QVERIFY(control<QRadioButton>(u"Absteigend"_s)->isChecked());
        QCOMPARE(control<QComboBox>(u"Schluessel"_s)->currentText(), App().NoKeyText);
        QCOMPARE(control<QComboBox>(u"Ablageart"_s)->currentText(), kindText(3));

        // No template: everything as reset.
        control<QLineEdit>(u"Kriterien"_s)->setText(u"x=1"_s);
        ref = u"9:9"_s;
        form->LoadRohlingProperties(ref);
        QCOMPARE(control<QLineEdit>(u"Kriterien"_s)->text(), QString());
        QVERIFY(control<QRadioButton>(u"UNDVerknuepfung"_s)->isChecked());
        QVERIFY(control<QRadioButton>(u"Aufsteigend"_s)->isChecked());
        QCOMPARE(control<QComboBox>(u"Ablageart"_s)->currentIndex(), 0);
        QVERIFY(boxes.texts.isEmpty());
    }

    void theDefaultQueryIsSavedByARunAndComesBackWithTheTable()
    {
        MessageBoxes boxes;
        viewer.window->viewerSettingsDialog()->findChild<QCheckBox*>(u"SaveQueryAuto"_s)->setChecked(true);
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"name"_s, u"ort"_s});
        control<QLineEdit>(u"Kriterien"_s)->setText(u"ort=Berlin"_s);
        control<QPushButton>(u"StartQueryButton"_s)->click();
        ResultListView* data = form->datenListe();
        QVERIFY(data->rowCount() > 0);
        // The user puts "ort" first and widens it.
        data->horizontalHeader()->moveSection(2, 0);
        data->setColumnWidthTwips(2, 2000);
        const QString wide = QString::number(data->columnWidthTwips(2)); // whole pixels
        QString fields;
        QString widths;
        form->GetCurrentFieldList(fields, widths);
        QCOMPARE(fields, u"0:ort,0:nummer,0:name"_s);
        QCOMPARE(widths, wide + u",1440,1440"_s);
        control<QPushButton>(u"StartQueryButton"_s)->click(); // saved before it runs

        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        QCOMPARE(form->datenListe()->columnCount(), 0);
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        QCOMPARE(checkedKeys(form->feldListe()), (QStringList{u"nummer#0#S"_s, u"name#0#S"_s, u"ort#0#S"_s}));
        form->GetCurrentFieldList(fields, widths);
        QCOMPARE(fields, u"0:ort,0:nummer,0:name"_s);
        QCOMPARE(widths, wide + u",1440,1440"_s);
        QCOMPARE(control<QLineEdit>(u"Kriterien"_s)->text(), u"ort=Berlin"_s);

        // Loading it from the menus takes the rows of the last run away.
        control<QPushButton>(u"StartQueryButton"_s)->click();
        QVERIFY(form->datenListe()->rowCount() > 0);
        SavedQueryStore::LoadQueryIntoWindow(form, u"Default"_s, false);
        QCOMPARE(form->datenListe()->rowCount(), 0);
        QCOMPARE(form->BuildFldLst(), u"0:ort,0:nummer,0:name"_s);
        QVERIFY(boxes.texts.isEmpty());

        // Without columns the caller's texts stay.
        QueryForm empty;
        fields = u"kept"_s;
        empty.GetCurrentFieldList(fields, widths);
        QCOMPARE(fields, u"kept"_s);
    }

    void aReloadKeepsTheCurrentTable()
    {
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        server.clearReceived();
        viewer.window->ReloadAllMDIChilds();
        QCOMPARE(form->AktTableName(), u"Artikel:Artikel"_s);
        QCOMPARE(form->AktTableID(), u"2:1"_s);
        QVERIFY(form->feldListe()->topLevelItemCount() > 0);
        QCOMPARE(form->tabellenListe()->currentItem()->text(0), u"Artikel:Artikel"_s);
        QVERIFY(!linesStartingWith(server, u"GTN|0||"_s).isEmpty());
        QVERIFY(!linesStartingWith(server, u"GFN|0|2:1||"_s).isEmpty());
    }

    void theLayoutIsKeptForTheNextWindow()
    {
        const QString section = u"QueryWindowSettings"_s;
        // The table list is made narrower by its splitter.
        const int before = form->tabellenListe()->width();
        UserInput::dragSplitter(form->tablesAndFields(), 1, -40);
        const int narrower = form->tabellenListe()->width();
        QCOMPARE(narrower, before - 40);
        viewer.reset();

        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"TableListWidth"_s).toInt(),
                 qRound(Twips::fromPixelsX(narrower)));
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"TableListHeight"_s).isEmpty());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"TableList.Col1.Visible"_s), u"1"_s);
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"FieldList.Col23.Width"_s).isEmpty());

        // A window of the next run takes the stored width.
        QueryForm next;
        next.show();
        QCOMPARE(next.tabellenListe()->width(), Twips::toPixelsX(qRound(Twips::fromPixelsX(narrower))));
    }
};

VIEWER_TEST_MAIN(TemplatesTest)

#include "templates_qtest.moc"
