// The saved-query list: one row per saved query of a table with its stored values (and their
// defaults where the file holds none), deleting after a question, OK and Cancel as the main
// window reads them, the storage's own dialog hand-off, and the kept layout.
#include "MainModul.h"
#include "QueryListForm.h"
#include "SavedQueryStore.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerConfig.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {

const QString Table = u"2:1"_s;

QStringList rowTexts(const QTreeWidgetItem* row)
{
    QStringList texts;
    for (int c = 0; c < row->columnCount(); ++c)
        texts << row->text(c);
    return texts;
}

} // namespace

class QueryListTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    MessageBoxes boxes;

    QString file() const { return SavedQueryStore::GetQuerySettingsFile(Table); }

    void writeFile(const QString& text)
    {
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }

    void load(QueryListForm& form, QString table = Table)
    {
        QString ini = SavedQueryStore::GetQuerySettingsFile(table);
        form.LoadQueryList(table, ini);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(ViewerTest::loadEnglishTexts());
        ViewerConfig::setBool(ViewerConfig::Key::QuerySaveByUser, false);
        ViewerConfig::setBool(ViewerConfig::Key::QuerySaveIndiv, true);
        ViewerConfig::set(ViewerConfig::Key::QuerySaveDirIndiv, dir.path());
        App().AblageartenListe = {{u"0"_s, u"internal"_s},
                                  {u"1"_s, u"alive"_s},
                                  {u"2"_s, u"filed"_s},
                                  {u"3"_s, u"both"_s},
                                  {u"9"_s, u"all"_s}};
    }

    void init()
    {
        boxes.texts.clear();
        boxes.answer = QMessageBox::Ok;
        QFile::remove(file());
    }

    void rowsShowTheStoredValuesAndTheirDefaults()
    {
        // The writer spells "AndJunction"; keys are found whatever their case.
        writeFile(u"[Alles]\r\nFields=0:nummer,1:abmenge\r\nKrit=name=A*\r\nAndJunction=0\r\nOrder=name\r\n"
                  "Ascending=0\r\nByRows=1\r\nAliveFlag=1\r\nSortKey=such\r\n"
                  "[Leer]\r\n"
                  "[Seltsam]\r\nAliveFlag=\r\nAscending=abc\r\nByRows=True\r\n"
                  "[Fremd]\r\nAliveFlag=7\r\nAscending=-1\r\n"_s);
        QueryListForm form;
        load(form);

        QCOMPARE(form.windowTitle(), u"Saved queries of table 2:1"_s);
        QTreeWidget* list = form.queryList();
        QCOMPARE(list->topLevelItemCount(), 4);
        QCOMPARE(rowTexts(list->topLevelItem(0)),
                 (QStringList{u"Alles"_s, u"0:nummer,1:abmenge"_s, u"name=A*"_s, u"OR"_s, u"name"_s, u"No"_s, u"Yes"_s,
                              u"alive"_s, u"such"_s}));
        // Nothing stored: all fields, AND, ascending, no row selection, no storage kind, the
        // default key.
        QCOMPARE(rowTexts(list->topLevelItem(1)), (QStringList{u"Leer"_s, u"*"_s, QString(), u"AND"_s, QString(),
                                                               u"Yes"_s, u"No"_s, QString(), u"Default"_s}));
        // An empty storage kind shows none; a flag that is no number or Boolean word is shown
        // as stored; "True" reads as true.
        const QTreeWidgetItem* odd = list->topLevelItem(2);
        QCOMPARE(odd->text(7), QString());
        QCOMPARE(odd->text(5), u"abc"_s);
        QCOMPARE(odd->text(6), u"Yes"_s);
        // A storage kind the server did not name is shown by its number; -1 is true.
        QCOMPARE(list->topLevelItem(3)->text(7), u"7"_s);
        QCOMPARE(list->topLevelItem(3)->text(5), u"Yes"_s);
    }

    void aTableWithoutSavedQueriesListsTheDefault()
    {
        QueryListForm form;
        load(form, u"3:1"_s);
        QCOMPARE(form.queryList()->topLevelItemCount(), 1);
        QCOMPARE(rowTexts(form.queryList()->topLevelItem(0)),
                 (QStringList{u"Default"_s, u"*"_s, QString(), u"AND"_s, QString(), u"Yes"_s, u"No"_s, QString(),
                              u"Default"_s}));
        QCOMPARE(form.windowTitle(), u"Saved queries of table 3:1"_s);
    }

    void deletingAsksFirstAndCancelKeepsEverything()
    {
        writeFile(u"[A]\r\nKrit=x=1\r\n[B]\r\nKrit=y=2\r\n"_s);
        QueryListForm form;
        load(form);
        form.show();
        QTreeWidget* list = form.queryList();
        list->setCurrentItem(list->topLevelItem(1));
        auto* remove = form.findChild<QPushButton*>(u"QueryLoeschenButton"_s);

        boxes.answer = QMessageBox::Cancel;
        remove->click();
        QCOMPARE(boxes.texts, QStringList{u"Delete the saved query: B"_s});
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(SavedQueryStore::GetTableQueries(Table), (QStringList{u"A"_s, u"B"_s}));

        boxes.answer = QMessageBox::Ok;
        remove->click();
        QCOMPARE(list->topLevelItemCount(), 1);
        QCOMPARE(list->topLevelItem(0)->text(0), u"A"_s);
        QCOMPARE(SavedQueryStore::GetTableQueries(Table), QStringList{u"A"_s});
    }

    void theDeleteKeyDeletesOnlyFromTheList()
    {
        writeFile(u"[A]\r\n[B]\r\n"_s);
        QueryListForm form;
        load(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTreeWidget* list = form.queryList();
        list->setCurrentItem(list->topLevelItem(0));

        auto* ok = form.findChild<QPushButton*>(u"OKButton"_s);
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Delete);
        QVERIFY(boxes.texts.isEmpty());

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(boxes.texts, QStringList{u"Delete the saved query: A"_s});
        QCOMPARE(SavedQueryStore::GetTableQueries(Table), QStringList{u"B"_s});
    }

    void okAndCancelSetTheResultAndHideTheDialog()
    {
        writeFile(u"[A]\r\n[B]\r\n"_s);
        QueryListForm form;
        QCOMPARE(form.DialogResult(), 2);
        load(form);

        QTimer::singleShot(0, &form, [&form] {
            form.queryList()->setCurrentItem(form.queryList()->topLevelItem(1));
            form.findChild<QPushButton*>(u"OKButton"_s)->click();
        });
        form.exec();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.property("DialogResult").toInt(), 1);
        QCOMPARE(form.queryList()->currentItem()->text(0), u"B"_s);

        // Escape cancels: the result the main window reads goes back to 2.
        QTimer::singleShot(0, &form, [&form] { QTest::keyClick(form.queryList(), Qt::Key_Escape); });
        form.exec();
        QCOMPARE(form.DialogResult(), 2);

        // A double click on a row is OK.
        QTimer::singleShot(
            0, &form, [&form] { UserInput::doubleClickItem(form.queryList(), form.queryList()->topLevelItem(0)); });
        form.exec();
        QCOMPARE(form.DialogResult(), 1);
    }

    void theSavedQueryStorageLoadsTheChosenQuery()
    {
        writeFile(u"[Erste]\r\nKrit=a=1\r\n[Zweite]\r\nKrit=b=2\r\n"_s);
        QWidget window;
        window.setProperty("AktTableName", Table);
        window.setProperty("AktQueryName", QString());
        QueryListForm form;
        QTimer::singleShot(0, &form, [&form] {
            form.queryList()->setCurrentItem(form.queryList()->topLevelItem(1));
            form.findChild<QPushButton*>(u"OKButton"_s)->click();
        });
        SavedQueryStore::ShowQuerySettingsDlg(&window, &form);
        QCOMPARE(window.property("AktQueryName").toString(), u"Zweite"_s);
    }

    void ctrlCCopiesTheList()
    {
        writeFile(u"[A]\r\nKrit=x=1\r\n"_s);
        QueryListForm form;
        load(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.queryList()->setFocus();
        QTest::keyClick(form.queryList(), Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split(u"\r\n"_s);
        QCOMPARE(lines.value(0).split(u'\t').first(), u"Name"_s);
        QCOMPARE(lines.value(1).split(u'\t').mid(0, 3), (QStringList{u"A"_s, u"*"_s, u"x=1"_s}));
    }

    void theLayoutIsKeptOnlyWhenTheSettingsSaySo()
    {
        SettingsStore::DeleteSetting(App().RegAppName, u"QueryList"_s);
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, false);
        delete new QueryListForm;
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, u"QueryList"_s).isEmpty());

        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
        {
            QueryListForm form;
            form.resize(500, 260);
            form.queryList()->header()->resizeSection(2, 150);
        }
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, u"QueryList"_s, u"WindowWidth"_s).isEmpty());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"QueryList"_s, u"Krit"_s),
                 QString::number(qRound(Twips::fromPixelsX(150))));

        QueryListForm again;
        QCOMPARE(again.queryList()->header()->sectionSize(2), 150);
    }
};

VIEWER_TEST_MAIN(QueryListTest)

#include "querylist_qtest.moc"
