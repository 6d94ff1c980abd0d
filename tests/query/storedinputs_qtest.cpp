// What the query window takes from its stored inputs against klvserver: the extra tables of
// "ViewerConfig.ini" over several starts and as the user adds them, a refill of the table list
// with a changed saved query, the stored block size, a saved query with broken entries, and
// the count and selection panels after a break and a load.
#include "IniFile.h"
#include "QueryRules.h"
#include "SavedQueryStore.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

const QString Kunde = u"Kunde:Kunde"_s;
const QString Artikel = u"Artikel:Artikel"_s;
const QString Druck = u"Einstellungen:Druckeinstellung"_s;

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The entry of a saved-query menu array ("AbfrageZuLadenMenue", "AbfrageZuSpeichernMenue")
// with that array index.
QAction* menuEntry(const KLVViewerWindow* window, const QString& array, int index)
{
    for (QAction* a : window->findChildren<QAction*>(array)) {
        if (a->property("Index").toInt() == index)
            return a;
    }
    return nullptr;
}

QPushButton* button(QueryForm* form, const QString& name)
{
    return form->findChild<QPushButton*>(name);
}

} // namespace

class StoredInputsTest : public QueryWindowTest
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;

    QString config() const { return configFile(folder->path()); }

    void writeConfig(const QList<QPair<QString, QString>>& extraTables)
    {
        QVERIFY(QDir().mkpath(QFileInfo(config()).absolutePath()));
        for (const auto& [db, value] : extraTables)
            QVERIFY(IniFile::WriteIniString(config(), u"ExtraTables"_s, db, value));
        QVERIFY(IniFile::WriteIniString(config(), u"Elsewhere"_s, u"1"_s, u"stays"_s));
    }

    // Saves the window's query under a new name through the save menu.
    void saveAs(const QString& name)
    {
        answerInputBox(name);
        QAction* entry = menuEntry(viewer.window.get(), u"AbfrageZuSpeichernMenue"_s, 0);
        QVERIFY(entry);
        entry->trigger();
        QCOMPARE(form->AktQueryName(), name);
    }

    // Artikel, alive and filed records, one row each: 260 rows of the field nummer.
    void chooseArticles()
    {
        QVERIFY(openTable(form, Artikel));
        form->findChild<QAbstractButton*>(u"ZeilenSelektion"_s)->setChecked(false);
        auto* kind = form->findChild<QComboBox*>(u"Ablageart"_s);
        kind->setCurrentIndex(kind->findData(3));
        check(form, {u"nummer"_s});
    }

    void load(const QString& name)
    {
        const QStringList names = SavedQueryStore::GetTableQueries(form->AktTableName());
        const int i = int(names.indexOf(name));
        QVERIFY(i >= 0);
        QAction* entry = menuEntry(viewer.window.get(), u"AbfrageZuLadenMenue"_s, i == 0 ? 0 : i + 1);
        QVERIFY(entry);
        entry->trigger();
        QCOMPARE(form->AktQueryName(), name);
    }

private Q_SLOTS:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        server.setScript({});
        server.clearReceived();
    }

    void extraTablesTheServerListsStayOneRowOverFourStarts()
    {
        // Stored by name and by id, tables the server lists itself; a list of blanks; the
        // whole file comes back byte for byte at every close.
        writeConfig({{u"1"_s, Kunde}, {u"2"_s, u"2:1"_s}, {u"12"_s, u" , ,"_s}});
        const QByteArray before = contents(config());
        for (int start = 0; start < 4; ++start) {
            MessageBoxes boxes;
            QVERIFY(logOn(folder->path(), start == 0));
            const QStringList names = column(form->tabellenListe());
            QCOMPARE(names.count(Kunde), 1);
            QCOMPARE(names.count(Artikel), 1);
            QVERIFY(!form->IsExtraTable(Kunde));
            QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
            viewer.reset();
            QCOMPARE(contents(config()), before);
        }
        // Only names were asked for, never the whole catalogue again by a list of blanks.
        const QStringList asked = linesStartingWith(server, u"GTN|"_s);
        QCOMPARE(asked.filter(u"GTN|0||"_s).size(), 4);
        for (const QString& line : asked)
            QVERIFY2(line.startsWith(u"GTN|0||"_s) || !line.section(u'|', 2, 2).remove(u',').trimmed().isEmpty(),
                     qPrintable(line));
    }

    void copiesInTheFileAreReadAsOneTableAndTheUserCannotAddAListedOne()
    {
        writeConfig({{u"1"_s, Kunde}, {u"12"_s, Druck + u", "_s + Druck + u",,einstellungen:druckeinstellung"_s}});
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        QCOMPARE(column(list).count(Druck), 1);
        QVERIFY(form->IsExtraTable(Druck));
        const int rows = list->topLevelItemCount();

        // Commas and blanks are refused with a word, to add or to rename; the list stays.
        answerInputBox(u" , ,"_s);
        QTest::keyClick(list, Qt::Key_Insert);
        list->setCurrentItem(row(list, Druck));
        answerInputBox(u","_s);
        QTest::keyClick(list, Qt::Key_F2);
        QCOMPARE(boxes.texts, QStringList(2, GetMessageTextByNr(198)));
        QCOMPARE(column(list).count(Druck), 1);
        QCOMPARE(list->topLevelItemCount(), rows);

        // A table the list shows, by name, by id or as an extra table already, is shown, not
        // added.
        for (const QString& answer : QStringList{u"1:1"_s, u"kunde:kunde"_s, Kunde + u","_s + Druck}) {
            answerInputBox(answer);
            QTest::keyClick(list, Qt::Key_Insert);
            QCOMPARE(list->topLevelItemCount(), rows);
            QVERIFY(list->currentItem());
            QCOMPARE(list->currentItem()->text(0), answer.endsWith(Druck) ? Druck : Kunde);
        }
        QCOMPARE(boxes.texts.size(), 2);

        // Written back: each table once, the listed one kept, the rest of the file untouched.
        viewer.reset();
        IniFile ini(config());
        QVERIFY(ini.load());
        QCOMPARE(ini.value(u"ExtraTables"_s, u"12"_s), Druck);
        QCOMPARE(ini.value(u"ExtraTables"_s, u"1"_s), Kunde);
        QCOMPARE(ini.value(u"Elsewhere"_s, u"1"_s), u"stays"_s);
    }

    void aRefillAsksAboutAChangedSavedQueryOnly()
    {
        MessageBoxes boxes(QMessageBox::Cancel);
        QVERIFY(logOn(folder->path()));
        QVERIFY(doubleClickTable(form, Kunde));
        check(form, {u"name"_s, u"ort"_s});
        button(form, u"StartQueryButton"_s)->click();
        QVERIFY(form->datenListe()->rowCount() > 0);
        saveAs(u"Mine"_s);
        const QString file = SavedQueryStore::GetQuerySettingsFile(Kunde);

        // Unchanged: F5 refills without a word.
        QTest::keyClick(form->tabellenListe(), Qt::Key_F5);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
        QCOMPARE(form->AktTableName(), QString());

        // Loaded again and changed: F5 asks as a close does. Cancel keeps the query shown.
        QVERIFY(doubleClickTable(form, Kunde));
        load(u"Mine"_s);
        QVERIFY(boxes.texts.isEmpty());
        auto* criteria = form->findChild<QLineEdit*>(u"Kriterien"_s);
        QTest::keyClicks(criteria, u"ort=B*"_s);
        QTest::keyClick(form->tabellenListe(), Qt::Key_F5);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(182) + u" Mine\r\n"_s + GetMessageTextByNr(46));
        QCOMPARE(form->AktTableName(), Kunde);
        QCOMPARE(form->AktQueryName(), u"Mine"_s);
        QCOMPARE(criteria->text(), u"ort=B*"_s);

        // No: refilled, nothing saved.
        boxes.answer = QMessageBox::No;
        QTest::keyClick(form->tabellenListe(), Qt::Key_F5);
        QCOMPARE(boxes.texts.size(), 2);
        QCOMPARE(form->AktTableName(), QString());
        QCOMPARE(IniFile::ReadIniString(file, u"Mine"_s, u"Krit"_s, u"?"_s), QString());

        // The reload after a change of data language asks the same.
        QVERIFY(doubleClickTable(form, Kunde));
        load(u"Mine"_s);
        QTest::keyClicks(form->findChild<QLineEdit*>(u"Kriterien"_s), u"x"_s);
        boxes.answer = QMessageBox::Cancel;
        viewer.window->ReloadAllMDIChilds();
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(form->AktQueryName(), u"Mine"_s);
        // And so does the refill after the column chooser's OK.
        whenShown(u"SpaltenWahlForm"_s,
                  [](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton); });
        QTest::keyClick(form->tabellenListe(), Qt::Key_F7);
        QCOMPARE(boxes.texts.size(), 4);
        QCOMPARE(form->AktTableName(), Kunde);
        boxes.answer = QMessageBox::No;
        viewer.reset();
    }

    void aStoredBlockSizeThatIsNoNumberTakesTheDefault()
    {
        clearSettings();
        ViewerConfig::set(ViewerConfig::Key::DatasetSize, u"viele"_s);
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path(), false));
        QCOMPARE(App().SessionSettingsForm->findChild<QLineEdit*>(u"DatasetSize"_s)->text(), u"200"_s);
        chooseArticles();
        server.clearReceived();
        button(form, u"StartQueryButton"_s)->click();
        // 260 records: the first block and one more, of 200 each.
        QCOMPARE(form->datenListe()->rowCount(), 260);
        QCOMPARE(linesStartingWith(server, u"GNR|"_s).size(), 1);
        QVERIFY(boxes.texts.isEmpty());
        ViewerConfig::remove(ViewerConfig::Key::DatasetSize);
    }

    void aSavedQueryWithBrokenEntriesLoadsQuietlyWithEachFieldOnce()
    {
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        const QString file = SavedQueryStore::GetQuerySettingsFile(Kunde);
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        // A bare entry followed by its marked form, an empty entry, fields the server does not
        // know (plain, marked and a reference path), and a repeat the table part cannot take.
        const QString fields = u"name,0:name,0:ort,,gibtsnicht,1:gibtsauchnicht,x^y,ort"_s;
        QVERIFY(IniFile::WriteIniString(file, u"Default"_s, u"Fields"_s, fields));
        QVERIFY(IniFile::WriteIniString(file, u"Default"_s, u"FieldWidths"_s, u"1500,1500,1200"_s));
        QVERIFY(IniFile::WriteIniString(file, u"Andere"_s, u"Krit"_s, u"name=A*"_s));

        for (int opening = 0; opening < 2; ++opening) {
            QVERIFY(doubleClickTable(form, opening == 0 ? Kunde : Artikel));
            QVERIFY(doubleClickTable(form, Kunde));
            QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
            QCOMPARE(form->BuildFldLst(), u"0:name,0:ort"_s);
        }

        // Saved again: each field once; the other query stays.
        QAction* entry = menuEntry(viewer.window.get(), u"AbfrageZuSpeichernMenue"_s, 1);
        QVERIFY(entry);
        QCOMPARE(entry->data().toString(), u"Default"_s);
        entry->trigger();
        QCOMPARE(IniFile::ReadIniString(file, u"Default"_s, u"Fields"_s, QString()), u"0:name,0:ort"_s);
        QCOMPARE(IniFile::ReadIniString(file, u"Andere"_s, u"Krit"_s, QString()), u"name=A*"_s);
        QVERIFY(boxes.texts.isEmpty());
    }

    void aBrokenRunSaysSoAndALoadedQueryTakesTheLastSelectionAway()
    {
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        chooseArticles();

        // Break is clicked once the first block is shown, before the next one is asked for.
        QPushButton* breakButton = button(form, u"BreakQueryButton"_s);
        whenTrue([this] { return form->datenListe()->rowCount() >= 200; },
                 [breakButton] { QTest::mouseClick(breakButton, Qt::LeftButton); });
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(form->datenListe()->rowCount(), 200);
        QCOMPARE(form->panelText(4), QueryRules::CountText(200, 260) + u" - "_s + GetMessageTextByNr(35));
        QVERIFY(!form->panelText(6).isEmpty());

        // The rows go with a loaded query, and so do their count and selection.
        saveAs(u"Nummern"_s);
        load(u"Nummern"_s);
        QCOMPARE(form->datenListe()->rowCount(), 0);
        QCOMPARE(form->panelText(4), QString());
        QCOMPARE(form->panelText(6), QString());
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
    }
};

VIEWER_TEST_MAIN(StoredInputsTest)

#include "storedinputs_qtest.moc"
