// The query window's table list against klvserver: the catalogue with its columns, extra
// tables added, renamed and removed (and so after reopening), their configuration file, and
// the table switch.
#include "IniFile.h"
#include "KLVTools.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

const QString Druck = u"Einstellungen:Druckeinstellung"_s;
const QString Mitarbeiter = u"Mitarbeiter:Mitarbeiter"_s;

QString stored(const QString& dir, const QString& db)
{
    IniFile ini(configFile(dir));
    ini.load();
    return ini.contains(u"ExtraTables"_s, db) ? ini.value(u"ExtraTables"_s, db) : u"<none>"_s;
}

} // namespace

class TableListTest : public QueryWindowTest
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;

    // The whole table catalogue answers these records (fields joined by "|").
    void scriptCatalogue(const QStringList& records)
    {
        server.setScript([records](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GTN|0||"))
                return false;
            reply.sendLine(u"BOD|0|GTN|"_s + QString::number(records.size()));
            reply.sendLine(u"DM|0|NAME|name|bez|id|typ|typtext|dnr|dbname|grpbits|grpnrs|grpnamen|tabelle|ablage"_s);
            reply.sendLine(u"DM|0|TYPE|GL40|GL60|GL10|I2|GL20|I4|GL20|I9|GL40|GL60|B|I2"_s);
            for (const QString& r : records)
                reply.sendLine(u"D|0|"_s + r);
            reply.sendLine(u"EOD|0|GTN|"_s + QString::number(records.size()) + u"|1"_s);
            return true;
        });
    }

private Q_SLOTS:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        server.setScript({});
        server.clearReceived();
    }

    void theCatalogueFillsTheListWithItsColumnsAndWords()
    {
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        const QStringList names = column(list);
        QVERIFY2(names.size() >= 8, qPrintable(names.join(u", "_s)));
        QCOMPARE(names.first(), u"Kunde:Kunde"_s);
        QVERIFY(!names.contains(Druck)); // not listed by the server
        QCOMPARE(form->panelText(1), QString::number(names.size()) + u' ' + GetMessageTextByNr(125));

        // Every catalogue column is shown, captioned from the message table.
        QCOMPARE(list->columnCount(), KLVTools().TableFieldCount());
        QCOMPARE(list->headerItem()->text(0), GetMessageTextByNr(1501));
        QCOMPARE(list->headerItem()->text(11), GetMessageTextByNr(1512));
        // The tag keeps the whole record; the table-part flag reads as the server's word,
        // the storage kind as its name.
        const QTreeWidgetItem* artikel = row(list, u"Artikel:Artikel"_s);
        QVERIFY(artikel);
        QCOMPARE(form->Tag2Field(artikel->data(0, ListViewHelpers::RowTagRole).toString(), 3), u"2:1"_s);
        QCOMPARE(artikel->text(10), Bool2ErpText(true));
        QCOMPARE(row(list, u"Kunde:Kunde"_s)->text(10), Bool2ErpText(false));
        QString both;
        for (const auto& [code, text] : std::as_const(App().AblageartenListe)) {
            if (code == u"3")
                both = text;
        }
        QVERIFY(!both.isEmpty());
        QCOMPARE(artikel->text(11), both);
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));

        // The main window's sort entries got the captions.
        auto* sortMenu = viewer.window->findChild<QMenu*>(u"TabListeSortByFeldMenue"_s);
        QVERIFY(sortMenu);
        QCOMPARE(sortMenu->actions().value(1)->text(), GetMessageTextByNr(1502));
    }

    void anEmptyOrWordyBooleanReadsAsFalse()
    {
        // A catalogue whose table-part flags are empty or no number at all.
        scriptCatalogue({u"Kunde:Kunde|Kunde|1:1|1|G|1|Kunde|2|1|Kunde||3"_s,
                         u"Artikel:Artikel|Artikel|2:1|1|G|2|Artikel|2|1|Artikel|vielleicht|7"_s});
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QCOMPARE(column(form->tabellenListe()), (QStringList{u"Kunde:Kunde"_s, u"Artikel:Artikel"_s}));
        QCOMPARE(form->tabellenListe()->topLevelItem(0)->text(10), Bool2ErpText(false));
        QCOMPARE(form->tabellenListe()->topLevelItem(1)->text(10), Bool2ErpText(false));
        // A storage kind the server does not know.
        QCOMPARE(form->tabellenListe()->topLevelItem(1)->text(11), u"???"_s);
        QVERIFY(boxes.texts.isEmpty());
    }

    void extraTablesAreAddedRenamedAndRemovedAndEveryChangeIsWritten()
    {
        // A catalogue that ends with a group of database 12; the employees (database 4) and
        // the print settings (12) are not in it.
        scriptCatalogue({u"Kunde:Kunde|Kunde|1:1|1|G|1|Kunde|2|1|Kunde|0|3"_s,
                         u"Artikel:Artikel|Artikel|2:1|1|G|2|Artikel|2|1|Artikel|1|3"_s,
                         u"Einstellungen:Selektionsvorlage|S|12:24|1|G|12|Einstellungen|2|24|S|1|3"_s});
        MessageBoxes boxes(QMessageBox::Yes);
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        QCOMPARE(list->topLevelItemCount(), 3);

        // Insert on the table list asks for the name; the row comes at the end, selected.
        InputBox seen;
        answerInputBox(Druck, &seen);
        QTest::keyClick(list, Qt::Key_Insert);
        QVERIFY(seen.shown);
        QCOMPARE(seen.prompt, GetMessageTextByNr(196));
        QCOMPARE(column(list).value(3), Druck);
        QCOMPARE(list->currentItem()->text(0), Druck);
        QVERIFY(form->IsExtraTable(Druck));
        QVERIFY(!form->IsExtraTable(u"Kunde:Kunde"_s));
        QCOMPARE(GetViewerConfigFile(), configFile(folder->path()));
        QCOMPARE(stored(folder->path(), u"12"_s), Druck);

        // Reopened, it comes again behind its database's rows, though they end the catalogue.
        QVERIFY(form->FillTabellenListe());
        QCOMPARE(column(list).value(3), Druck);
        QVERIFY(form->IsExtraTable(Druck));

        // Renamed to a table of another database: both databases are written at once.
        list->setCurrentItem(list->topLevelItem(3));
        answerInputBox(Mitarbeiter);
        QTest::keyClick(list, Qt::Key_F2);
        QCOMPARE(column(list).value(3), Mitarbeiter);
        QCOMPARE(list->topLevelItemCount(), 4);
        QVERIFY(form->IsExtraTable(Mitarbeiter));
        QVERIFY(!form->IsExtraTable(Druck));
        QCOMPARE(stored(folder->path(), u"12"_s), QString());
        QCOMPARE(stored(folder->path(), u"4"_s), Mitarbeiter);

        // Removing asks; No keeps the row, Yes removes it and writes the empty list.
        list->setCurrentItem(list->topLevelItem(3));
        boxes.answer = QMessageBox::No;
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(197) + u"\r\n"_s + Mitarbeiter);
        QCOMPARE(list->topLevelItemCount(), 4);
        boxes.answer = QMessageBox::Yes;
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(stored(folder->path(), u"4"_s), QString());

        // Rows of the server's catalogue can be neither renamed nor removed.
        list->setCurrentItem(list->topLevelItem(0));
        QTest::keyClick(list, Qt::Key_Delete);
        QTest::keyClick(list, Qt::Key_F2);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(boxes.texts.size(), 2); // the two questions of the removal
    }

    void renamingToItsOwnNameAnEmptyNameOrAnUnknownTableKeepsTheRow()
    {
        QVERIFY(QDir().mkpath(folder->path() + u"/100"_s));
        QVERIFY(IniFile::WriteIniString(configFile(folder->path()), u"ExtraTables"_s, u"12"_s, Druck));
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        QVERIFY(row(list, Druck));
        const QStringList before = column(list);
        // Behind the last group row of its database.
        QVERIFY(before.value(before.indexOf(Druck) - 1).startsWith(u"Einstellungen:"_s));

        for (const QString& answer : {Druck, QString(u""_s), QString()}) {
            list->setCurrentItem(row(list, Druck));
            answerInputBox(answer);
            form->ChangeTableName();
            QCOMPARE(column(list), before);
        }
        QVERIFY(boxes.texts.isEmpty());

        list->setCurrentItem(row(list, Druck));
        answerInputBox(u"Gibtsnicht:Tabelle"_s);
        form->ChangeTableName();
        QCOMPARE(column(list), before);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(874)));
        QCOMPARE(stored(folder->path(), u"12"_s), Druck);
    }

    void aListTheServerRefusesIsReportedAndKept()
    {
        QVERIFY(QDir().mkpath(folder->path() + u"/100"_s));
        QVERIFY(IniFile::WriteIniString(configFile(folder->path()), u"ExtraTables"_s, u"4"_s, u"Gibtsnicht:Tabelle"_s));
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(874)));
        QVERIFY(!form->IsExtraTable(u"Gibtsnicht:Tabelle"_s));
        viewer.reset();
        QCOMPARE(stored(folder->path(), u"4"_s), u"Gibtsnicht:Tabelle"_s);
    }

    void aConfigurationFileThatCannotBeReadIsToldOnceAndLeftAlone()
    {
        // Something that is no file stands where the configuration file belongs.
        const QString file = configFile(folder->path());
        QVERIFY(QDir().mkpath(file));
        MessageBoxes boxes(QMessageBox::Yes);
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        answerInputBox(Druck);
        QTest::keyClick(list, Qt::Key_Insert);
        QVERIFY(row(list, Druck));
        const QString told = FormatMessage(1397, QString(), file, u"Not a regular file"_s);
        QCOMPARE(boxes.texts, QStringList{told});
        // The same trouble again (the removal, the close) is not told again.
        list->setCurrentItem(row(list, Druck));
        QTest::keyClick(list, Qt::Key_Delete);
        viewer.reset();
        QCOMPARE(boxes.texts, (QStringList{told, GetMessageTextByNr(197) + u"\r\n"_s + Druck}));
        QVERIFY(QFileInfo(file).isDir());
    }

    void enterOpensTheSelectedTableAndNothingWithoutOne()
    {
        MessageBoxes boxes;
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        list->setCurrentItem(nullptr);
        list->clearSelection();
        server.clearReceived();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(form->AktTableName(), QString());
        QVERIFY(queries(server).isEmpty());

        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        QCOMPARE(form->AktTableID(), u"2:1"_s);
        QVERIFY(form->AktTableHasTable());
        // Enter in the table list never runs a query.
        QVERIFY(queries(server).isEmpty());
        QVERIFY(form->feldListe()->topLevelItemCount() > 0);
        QVERIFY(boxes.texts.isEmpty());
    }

    void aColumnClickSortsBothWaysAndTellsTheMainWindow()
    {
        QVERIFY(logOn(folder->path()));
        QTreeWidget* list = form->tabellenListe();
        QHeaderView* header = list->header();
        QVERIFY(header->sectionsClickable());
        const QStringList before = column(list);
        QStringList sorted = before;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(list), sorted);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        auto* sortMenu = viewer.window->findChild<QMenu*>(u"TabListeSortByFeldMenue"_s);
        QVERIFY(sortMenu->actions().first()->isChecked());
        UserInput::clickHeader(header, 0);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(column(list), sorted);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        // Another column starts ascending.
        UserInput::clickHeader(header, 2);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(sortMenu->actions().at(2)->isChecked());
    }

    void aDoubleClickOnARowMakesItTheWindowsTable()
    {
        QVERIFY(logOn(folder->path()));
        server.clearReceived();
        QVERIFY(doubleClickTable(form, u"Artikel:Artikel"_s));
        QCOMPARE(form->AktTableID(), u"2:1"_s);
        QVERIFY(!linesStartingWith(server, u"GFN|0|2:1||"_s).isEmpty());
        QVERIFY(queries(server).isEmpty());
        // The field list has the focus, its first row selected.
        QCOMPARE(QApplication::focusWidget(), form->feldListe());
        QCOMPARE(form->feldListe()->currentItem(), form->feldListe()->topLevelItem(0));
    }
};

VIEWER_TEST_MAIN(TableListTest)

#include "tablelist_qtest.moc"
