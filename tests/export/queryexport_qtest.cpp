// The export of a real query window against klvserver: a fresh query with the window's
// selection and checked fields (what went over the wire), every field when none is checked,
// with descriptions as captions, the shown rows in the column order the user dragged, server
// messages and the start button while the server is asked, the query asked before the target
// is touched (a refusal asks nothing more, a declined target breaks the query off), cancel
// mid-way, and a query window or the main window closing while the export runs.
#include "ExportDialog.h"
#include "ExportProgressDialog.h"
#include "ExportValue.h"
#include "MainMenus.h"
#include "QueryExportHandoff.h"
#include "QueryTag.h"
#include "TestEnvironment.h"
#include "UserInput.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"
#include "export_support.h"

#include <QCheckBox>
#include <QDrag>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;
using namespace ExportTest;

namespace {

QStringList exportFields(const ExportDialog* dialog, int role = -1)
{
    QStringList result;
    for (int i = 0; i < dialog->feldListe()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = dialog->feldListe()->topLevelItem(i);
        result.append(role < 0 ? item->text(0) : item->data(0, role).toString());
    }
    return result;
}

void type(QWidget* dialog, const QString& name, const QString& text)
{
    auto* box = dialog->findChild<QLineEdit*>(name);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

void clickButton(QWidget* window, const QString& name)
{
    auto* button = window->findChild<QPushButton*>(name);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
}

bool exportEnded()
{
    return QTest::qWaitFor([] { return !ExportDialog::IsExportRunning(); }, 60000);
}

} // namespace

class QueryExportTest : public QueryWindowTest
{
    Q_OBJECT

    QTemporaryDir files;
    QString path(const QString& name) const { return files.filePath(name); }

    ExportDialog* exportDialog(int kind, bool shownRows, QObject* caller = nullptr)
    {
        QueryExportSource source = QueryExportSource::FromWindow(form);
        if (caller)
            source.window = caller;
        return QueryExportHandoff::ShowExportDialog(source, kind, shownRows);
    }

private Q_SLOTS:
    void init() { QVERIFY(logOn()); }
    void cleanup()
    {
        ExportProgressDialog::DefaultInstance()->Unload();
        QVERIFY(closeViewer());
    }

    void aFreshQueryExportsTheCheckedFieldsWithTheWindowsSelection()
    {
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"name"_s, u"ort"_s});
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"ort=Berlin"_s);
        form->findChild<QRadioButton*>(u"Absteigend"_s)->setChecked(true);
        ExportDialog* dialog = exportDialog(0, false);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QCOMPARE(exportFields(dialog), (QStringList{u"nummer"_s, u"name"_s, u"ort"_s}));
        QCOMPARE(exportFields(dialog, ExportDialog::FieldTagRole),
                 (QStringList{u"0:nummer"_s, u"0:name"_s, u"0:ort"_s}));
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Tabelle"_s)->text(), u"Kunde:Kunde"_s);
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Bedingungen"_s)->text(), u"ort=Berlin"_s);
        QVERIFY(dialog->findChild<QRadioButton*>(u"Absteigend"_s)->isChecked());
        QCOMPARE(dialog->findChild<QLineEdit*>(u"AblageartText"_s)->text(),
                 form->findChild<QComboBox*>(u"Ablageart"_s)->currentText());
        type(dialog, u"ExportDateiName"_s, path(u"berlin.exp"_s));
        server.clearReceived();
        clickButton(dialog, u"StartButton"_s);
        // A fresh query's progress stands beside the window, which stays usable.
        QCOMPARE(ExportProgressDialog::DefaultInstance()->windowModality(), Qt::NonModal);
        QVERIFY(exportEnded());
        QVERIFY(boxes.texts.isEmpty());

        const QStringList sent = queries(server);
        QCOMPARE(sent.size(), 1);
        QVERIFY2(sent[0].contains(u"ort=Berlin"_s) && sent[0].contains(u"@richtung=rueckw"_s), qPrintable(sent[0]));
        QVERIFY2(sent[0].contains(u"|0:nummer,0:name,0:ort|"_s), qPrintable(sent[0]));
        const QList<QByteArray> lines = readFile(path(u"berlin.exp"_s)).split('\n');
        QCOMPARE(lines.first(), QByteArray("nummer;name;ort\r"));
        // The same selection run in the window gives the same rows.
        clickButton(form, u"StartQueryButton"_s);
        ResultListView* data = form->datenListe();
        QVERIFY(data->rowCount() > 0);
        QCOMPARE(lines.size() - 2, data->rowCount());
        for (int row = 0; row < data->rowCount(); ++row)
            QCOMPARE(QString::fromUtf8(lines[row + 1]), data->rowTexts(row).mid(0, 3).join(u';') + u'\r');
    }

    void fileExportWritesTheRowsInTheOrderTheWindowShows()
    {
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"name"_s});
        auto* order = form->findChild<QLineEdit*>(u"Sortierung"_s);
        order->setFocus();
        QTest::keyClicks(order, u"name.rueckw"_s);

        // File, Export, Text file, with the mouse.
        const MainMenus& menus = viewer.window->menus();
        QMenuBar* bar = viewer.window->menuBar();
        QMenu* file = menus.menu(u"DateiMenue"_s);
        QMenu* exports = menus.menu(u"ExportMenue"_s);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file->menuAction()).center());
        QVERIFY(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
        QTest::mouseClick(file, Qt::LeftButton, {}, file->actionGeometry(exports->menuAction()).center());
        QVERIFY(QTest::qWaitFor([exports] { return exports->isVisible(); }, 2000));
        QTest::mouseClick(exports, Qt::LeftButton, {},
                          exports->actionGeometry(menus.action(u"ExportDateiMenue"_s)).center());
        ExportDialog* dialog = ExportDialog::DefaultInstance();
        QVERIFY(QTest::qWaitFor([dialog] { return dialog->isVisible(); }, 2000));
        QCOMPARE(dialog->findChild<QLineEdit*>(u"Sortierung"_s)->text(), u"name.rueckw"_s);
        type(dialog, u"ExportDateiName"_s, path(u"ordered.exp"_s));
        server.clearReceived();
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u'|')));

        // The server was asked for that order, and the file has the rows in it: the order the
        // window's own run of the selection lists them in.
        const QStringList sent = queries(server);
        QCOMPARE(sent.size(), 1);
        QVERIFY2(sent[0].contains(u"@ordnung=name.rueckw"_s), qPrintable(sent[0]));
        QList<QByteArray> lines = readFile(path(u"ordered.exp"_s)).split('\n');
        lines.removeFirst(); // the captions
        lines.removeLast();  // after the last line end
        clickButton(form, u"StartQueryButton"_s);
        ResultListView* data = form->datenListe();
        QCOMPARE(lines.size(), data->rowCount());
        QList<int> numbers;
        for (int row = 0; row < data->rowCount(); ++row) {
            QCOMPARE(QString::fromUtf8(lines[row]), data->rowTexts(row).mid(0, 2).join(u';') + u'\r');
            numbers.append(data->rowTexts(row)[0].toInt());
        }
        // Not the order of the record numbers.
        QVERIFY(numbers.size() > 2);
        QVERIFY(!std::is_sorted(numbers.cbegin(), numbers.cend()));
    }

    void aFreshQueryGoesIntoAWorkbookAndATableWithTheServersTypes()
    {
        Answers boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"umsatz"_s, u"kredlim"_s, u"gruendung"_s, u"kontakt"_s, u"besuch"_s, u"aktiv"_s});
        ExportDialog* dialog = exportDialog(1, false);
        type(dialog, u"ExportExcelName"_s, path(u"kunde.xlsx"_s));
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        dialog = exportDialog(2, false);
        type(dialog, u"ExportDBName"_s, path(u"kunde.sqlite"_s));
        auto* prefix = dialog->findChild<QCheckBox*>(u"DBFelderMitTabPraefix"_s);
        QTest::mouseClick(prefix, Qt::LeftButton, Qt::NoModifier, QPoint(4, prefix->height() / 2));
        QVERIFY(!prefix->isChecked());
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        QCOMPARE(boxes.texts, (QStringList{GetMessageTextByNr(247), GetMessageTextByNr(242)}));

        // The values the window shows, read back typed as the field types say.
        clickButton(form, u"StartQueryButton"_s);
        ResultListView* data = form->datenListe();
        QVERIFY(data->rowCount() > 100);
        const QJsonArray book = workbookContent(path(u"kunde.xlsx"_s))[u"rows"_s].toArray();
        const QJsonArray table = sqliteRows(
            path(u"kunde.sqlite"_s), u"SELECT nummer, typeof(nummer) AS tn, umsatz, typeof(umsatz) AS tu, kredlim, "
                                     "gruendung, kontakt, aktiv FROM \"Kunde:Kunde\" ORDER BY rowid"_s);
        QCOMPARE(book.size(), data->rowCount() + 1);
        QCOMPARE(table.size(), data->rowCount());
        QStringList header;
        for (const QJsonValue& cell : book[0].toArray())
            header.append(cell[1].toString());
        const auto shown = [&](int row, const QString& name) {
            return data->rowTexts(row)[data->columnOfTag(u"0:"_s + name)];
        };
        const auto inBook = [&](int row, const QString& name) { return book[row + 1][header.indexOf(name)].toArray(); };
        for (int row = 0; row < data->rowCount(); ++row) {
            const double number = shown(row, u"nummer"_s).toDouble();
            const double umsatz = *ExportValue::Number(shown(row, u"umsatz"_s), 2);
            const double kredlim = *ExportValue::Number(shown(row, u"kredlim"_s), 2);
            const QDate gruendung = *ExportValue::Date(shown(row, u"gruendung"_s));
            const QDateTime kontakt = *ExportValue::DateTime(shown(row, u"kontakt"_s));
            QCOMPARE(inBook(row, u"nummer"_s)[1].toDouble(), number);
            QCOMPARE(inBook(row, u"umsatz"_s)[1].toDouble(), umsatz);
            QCOMPARE(inBook(row, u"kredlim"_s)[1].toDouble(), kredlim);
            QCOMPARE(inBook(row, u"gruendung"_s)[1].toString(), gruendung.toString(Qt::ISODate) + u"T00:00:00"_s);
            QCOMPARE(inBook(row, u"kontakt"_s)[1].toString(), kontakt.toString(Qt::ISODate));
            QCOMPARE(inBook(row, u"besuch"_s)[0].toString(), u"time"_s);
            QCOMPARE(inBook(row, u"aktiv"_s)[1].toString(), shown(row, u"aktiv"_s));

            const QJsonObject record = table[row].toObject();
            QCOMPARE(record[u"nummer"_s].toDouble(), number);
            QCOMPARE(record[u"tn"_s].toString(), u"integer"_s);
            QCOMPARE(record[u"umsatz"_s].toDouble(), umsatz);
            QCOMPARE(record[u"tu"_s].toString(), u"real"_s);
            QCOMPARE(record[u"kredlim"_s].toDouble(), kredlim);
            QCOMPARE(record[u"gruendung"_s].toString(), gruendung.toString(Qt::ISODate));
            QCOMPARE(record[u"kontakt"_s].toString(), kontakt.toString(u"yyyy-MM-dd HH:mm:ss"_s));
            QCOMPARE(record[u"aktiv"_s].toInt(), ErpText2Bool(shown(row, u"aktiv"_s)) ? 1 : 0);
        }
    }

    void withoutACheckedFieldEveryFieldGoesWithItsDescription()
    {
        viewer.window->viewerSettingsDialog()->findChild<QRadioButton*>(u"ColumnHeadersDesc"_s)->setChecked(true);
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        QVERIFY(checkedKeys(form->feldListe()).isEmpty());
        ExportDialog* dialog = exportDialog(3, false);
        QTreeWidget* fields = form->feldListe();
        QCOMPARE(dialog->feldListe()->topLevelItemCount(), fields->topLevelItemCount());
        for (int i = 0; i < fields->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* field = fields->topLevelItem(i);
            const QTreeWidgetItem* item = dialog->feldListe()->topLevelItem(i);
            const QString tag = field->data(0, ListViewHelpers::RowTagRole).toString();
            QCOMPARE(item->text(0), QueryTag::Tag2Field(tag, 4));
            QCOMPARE(item->data(0, ExportDialog::FieldKeyRole), field->data(0, QueryForm::RowKeyRole));
            QCOMPARE(item->data(0, ExportDialog::FieldTagRole).toString(), QueryTag::FieldTag2QueryFldName(tag));
            QCOMPARE(ErpText2Bool(item->text(1)), QueryTag::ToBool(QueryTag::Tag2Field(tag, 6)));
        }
        // The table part's fields are offered as the XML record's id and caption.
        auto* id = dialog->findChild<QComboBox*>(u"XMLSatzIDFeld"_s);
        QVERIFY(id->count() > 1);
        for (int i = 1; i < id->count(); ++i)
            QVERIFY(ErpText2Bool(dialog->feldListe()->topLevelItem(id->itemData(i).toInt() - 1)->text(1)));
        clickButton(dialog, u"AbbruchButton"_s);
    }

    void shownRowsFollowTheColumnOrderTheUserDragged()
    {
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"name"_s, u"ort"_s});
        clickButton(form, u"StartQueryButton"_s);
        ResultListView* data = form->datenListe();
        QVERIFY(data->rowCount() > 0);
        // The user drags "ort" in front of the other columns.
        QHeaderView* header = data->horizontalHeader();
        QWidget* strip = header->viewport();
        const int ort = data->columnOfTag(u"0:ort"_s);
        const QPoint from(header->sectionViewportPosition(ort) + header->sectionSize(ort) / 2, header->height() / 2);
        const QPoint to(2, header->height() / 2);
        QTest::mousePress(strip, Qt::LeftButton, Qt::NoModifier, from);
        for (int step = 1; step <= 10; ++step)
            QTest::mouseMove(strip, from + (to - from) * step / 10);
        QTest::mouseRelease(strip, Qt::LeftButton, Qt::NoModifier, to);
        QCOMPARE(data->columnPosition(ort), 0);

        // The result list's own menu: a right click on a row, then Export, then HTML.
        UserInput::rightClick(data->viewport(), data->visualRect(data->model()->index(0, 0)).center());
        QMenu* popup = viewer.window->menus().menu(u"DatenlisteMenue"_s);
        QVERIFY(QTest::qWaitFor([popup] { return popup->isVisible(); }, 2000));
        QMenu* exports = viewer.window->menus().menu(u"DatenExportierenMenue"_s);
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(exports->menuAction()).center());
        QVERIFY(QTest::qWaitFor([exports] { return exports->isVisible(); }, 2000));
        QTest::mouseClick(
            exports, Qt::LeftButton, {},
            exports->actionGeometry(viewer.window->menus().action(u"DatenExportierenHTMLMenue"_s)).center());
        ExportDialog* dialog = ExportDialog::DefaultInstance();
        QVERIFY(QTest::qWaitFor([dialog] { return dialog->isVisible(); }, 2000));
        QCOMPARE(exportFields(dialog), (QStringList{u"ort"_s, u"nummer"_s, u"name"_s}));
        type(dialog, u"HTMLDateiName"_s, path(u"shown.html"_s));
        clickButton(dialog, u"StartButton"_s);
        QCOMPARE(ExportProgressDialog::DefaultInstance()->windowModality(), Qt::ApplicationModal);
        QVERIFY(exportEnded());

        const QJsonArray rows = htmlContent(path(u"shown.html"_s))[u"rows"_s].toArray();
        QList<QStringList> cells;
        for (const QJsonValue& row : rows) {
            if (row[u"data"_s].toBool())
                cells.append(row[u"cells"_s].toVariant().toStringList());
        }
        QCOMPARE(cells.size(), data->rowCount());
        for (int row = 0; row < data->rowCount(); ++row) {
            const QStringList shown = data->rowTexts(row);
            QCOMPARE(cells[row], (QStringList{shown[ort], shown[data->columnOfTag(u"0:nummer"_s)],
                                              shown[data->columnOfTag(u"0:name"_s)]}));
        }
    }

    void aRowPulledOutOfTheListCarriesItsRecordsDragData()
    {
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s, u"name"_s});
        clickButton(form, u"StartQueryButton"_s);
        ResultListView* data = form->datenListe();
        QVERIFY(data->rowCount() > 1);
        const QPoint from = data->visualRect(data->model()->index(1, 0)).center();
        QTest::mousePress(data->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(data->viewport(), from + QPoint(0, QApplication::startDragDistance() + 5));
        QTest::mouseRelease(data->viewport(), Qt::LeftButton, {},
                            from + QPoint(0, QApplication::startDragDistance() + 5));
        // The drag is over (nothing takes a drop here), its object not yet gone.
        const QDrag* drag = data->findChild<QDrag*>();
        QVERIFY(drag);
        const QByteArray carried = drag->mimeData()->data(u"CF_WEXA_GUI_DRAGDROP"_s);
        const QString ref = data->rowTag(1);
        QVERIFY(!ref.isEmpty());
        QCOMPARE(carried, utf16le(ref + QChar(24) + u"(1,1)"_s + QChar(24) + u"[pos]=0"_s));
    }

    void theServerIsAskedOnceAndItsMessagesAreShown()
    {
        MessageBoxes boxes;
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|"_s))
                return false;
            reply.sendLine(u"S|0|Preparing the export|INFO|1"_s);
            reply.delay(200);
            reply.defaultAnswer();
            return true;
        });
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        check(form, {u"nummer"_s});
        ExportDialog* dialog = exportDialog(0, false);
        type(dialog, u"ExportDateiName"_s, path(u"once.exp"_s));
        auto* start = dialog->findChild<QPushButton*>(u"StartButton"_s);
        auto* messages = ExportProgressDialog::DefaultInstance()->findChild<QListWidget*>(u"MeldungenListe"_s);
        bool offWhileAsked = false;
        // The server's message arrives while the start waits for its answer: a second press
        // then does nothing.
        connect(messages->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            offWhileAsked = !start->isEnabled();
            QTest::mouseClick(start, Qt::LeftButton);
        });
        server.clearReceived();
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        server.setScript({});
        QVERIFY(offWhileAsked);
        QCOMPARE(queries(server).size(), 1);
        QCOMPARE(messages->item(0)->text(), GetMessageTextByNr(21) + u" Preparing the export"_s);
        QVERIFY(ExportProgressDialog::DefaultInstance()->isExpanded());
        QVERIFY(boxes.texts.isEmpty());
    }

    void theServerIsAskedBeforeTheTargetIsTouched()
    {
        // A database file whose table of the export's name the user had.
        const QString database = path(u"order.sqlite"_s);
        QVERIFY(!run(u"/usr/bin/sqlite3"_s, {database, u"CREATE TABLE \"Auftrag:Auftrag\" (old); "
                                                       "INSERT INTO \"Auftrag:Auftrag\" VALUES ('kept');"_s})
                     .isNull());
        const auto oldTableKept = [database] {
            return sqliteValue(database, u"SELECT group_concat(old) FROM \"Auftrag:Auftrag\""_s) == u"kept"_s;
        };
        QVERIFY(openTable(form, u"Auftrag:Auftrag"_s));
        check(form, {u"nummer"_s, u"kunde"_s});
        form->findChild<QCheckBox*>(u"ZeilenSelektion"_s)->setChecked(false);
        ExportDialog* dialog = exportDialog(2, false);
        type(dialog, u"ExportDBName"_s, database);
        auto* start = dialog->findChild<QPushButton*>(u"StartButton"_s);

        // The server refuses the query: that is all the user is told, and no question about
        // the table comes first.
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|"_s))
                return false;
            reply.sendLine(u"NAK|0|Tabelle gesperrt|1104|"_s);
            return true;
        });
        Answers boxes;
        clickButton(dialog, u"StartButton"_s);
        server.setScript({});
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].startsWith(GetMessageTextByNr(140) + u"\r\n"_s), qPrintable(boxes.texts[0]));
        QVERIFY(boxes.texts[0].contains(u"Tabelle gesperrt"_s));
        QVERIFY(dialog->isVisible() && start->isEnabled() && !ExportDialog::IsExportRunning());
        QVERIFY(oldTableKept());

        // The query runs, the user keeps the table: the query sent is broken off on the server,
        // nothing is written, and the dialog stays for another try.
        boxes.texts.clear();
        boxes.answers = {QMessageBox::Cancel};
        server.clearReceived();
        clickButton(dialog, u"StartButton"_s);
        QCOMPARE(boxes.texts,
                 QStringList{GetMessageTextByNr(240) + u" Auftrag:Auftrag\r\n"_s + GetMessageTextByNr(239)});
        QCOMPARE(queries(server).size(), 1);
        QVERIFY(QTest::qWaitFor([this] { return !linesStartingWith(server, u"BRQ|"_s).isEmpty(); }, 5000));
        QVERIFY(dialog->isVisible() && start->isEnabled() && !ExportDialog::IsExportRunning());
        QVERIFY(oldTableKept());
        QVERIFY(!ExportProgressDialog::DefaultInstance()->isVisible());

        // The query window closes while the question is open: the start ends there, whatever
        // the answer, and nothing is written.
        boxes.texts.clear();
        QWidget* window = viewer.window->mdiArea()->subWindowList().first();
        boxes.onBox = [window](const QString&) { window->close(); };
        clickButton(dialog, u"StartButton"_s);
        boxes.onBox = {};
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(start->isEnabled() && !ExportDialog::IsExportRunning());
        QVERIFY(oldTableKept());
        QVERIFY(!ExportProgressDialog::DefaultInstance()->isVisible());
        const QPointer<QueryForm> closed(form);
        QTRY_VERIFY(!closed);

        // The next try on the same connection replaces the table with every record.
        boxes.texts.clear();
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        QCOMPARE(boxes.texts.size(), 1);
        const QString count = ExportProgressDialog::DefaultInstance()->findChild<QLineEdit*>(u"AnzahlSaetze"_s)->text();
        QVERIFY(count.toInt() > 200);
        QCOMPARE(sqliteValue(database, u"SELECT count(*) FROM \"Auftrag:Auftrag\""_s), count);
    }

    void aCancelMidWayEndsAFreshQueryWithTheRowsSoFar()
    {
        QVERIFY(openTable(form, u"Auftrag:Auftrag"_s));
        check(form, {u"nummer"_s, u"kunde"_s});
        form->findChild<QCheckBox*>(u"ZeilenSelektion"_s)->setChecked(false);
        ExportDialog* dialog = exportDialog(3, false);
        type(dialog, u"XMLDateiName"_s, path(u"cancel.xml"_s));
        dialog->findChild<QComboBox*>(u"XMLSatzIDFeld"_s)->setCurrentIndex(0);
        ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
        auto* count = progress->findChild<QLineEdit*>(u"AnzahlSaetze"_s);
        connect(count, &QLineEdit::textChanged, this, [progress](const QString& text) {
            if (text == u"100"_s)
                clickButton(progress, u"AbbrechenButton"_s);
        });
        server.clearReceived();
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        QVERIFY(xmllintAccepts(path(u"cancel.xml"_s), false));
        QCOMPARE(xmlRecords(path(u"cancel.xml"_s)).toArray().size(), 100);
        QCOMPARE(count->text(), u"100"_s);
        QCOMPARE(progress->windowTitle(), FormatMessage(1225, QString(), u"100"_s));
        QVERIFY(!linesStartingWith(server, u"BRQ|"_s).isEmpty());
    }

    void closingTheWindowsEndsTheExportWithTheRowsWritten()
    {
        MessageBoxes boxes(QMessageBox::No);
        FollowUps followUps;
        for (const bool mainWindow : {false, true}) {
            if (mainWindow)
                QVERIFY(logOn());
            QVERIFY(openTable(form, u"Auftrag:Auftrag"_s));
            check(form, {u"nummer"_s});
            const QString file = path(mainWindow ? u"main.xml"_s : u"query.xml"_s);
            ExportDialog* dialog = exportDialog(3, false);
            type(dialog, u"XMLDateiName"_s, file);
            dialog->findChild<QCheckBox*>(u"XMLStdAppStarten"_s)->setChecked(true);
            auto* count = ExportProgressDialog::DefaultInstance()->findChild<QLineEdit*>(u"AnzahlSaetze"_s);
            QWidget* closing = mainWindow ? static_cast<QWidget*>(viewer.window.get())
                                          : viewer.window->mdiArea()->subWindowList().first();
            const QMetaObject::Connection once =
                connect(count, &QLineEdit::textChanged, this, [closing](const QString& text) {
                    if (text == u"100"_s)
                        closing->close();
                });
            clickButton(dialog, u"StartButton"_s);
            QVERIFY(exportEnded());
            disconnect(once);
            QVERIFY(xmllintAccepts(file, false));
            const qsizetype written = xmlRecords(file).toArray().size();
            QVERIFY2(written >= 100 && written < 400, qPrintable(QString::number(written)));
            QVERIFY(followUps.starts.isEmpty());
            QCoreApplication::processEvents();
            if (!mainWindow) {
                QCOMPARE(viewer.window->mdiArea()->subWindowList().size(), 0);
                viewer.reset();
            }
        }
    }

    void refusalsBeforeTheDialogIsTouched()
    {
        MessageBoxes boxes;
        QueryForm empty;
        QVERIFY(!QueryExportHandoff::ShowExportDialog(QueryExportSource::FromWindow(&empty), 0, false));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(139)});

        // While an export runs, a second one is refused.
        QVERIFY(openTable(form, u"Auftrag:Auftrag"_s));
        check(form, {u"nummer"_s});
        form->findChild<QCheckBox*>(u"ZeilenSelektion"_s)->setChecked(false);
        ExportDialog* dialog = exportDialog(0, false);
        type(dialog, u"ExportDateiName"_s, path(u"first.exp"_s));
        auto* count = ExportProgressDialog::DefaultInstance()->findChild<QLineEdit*>(u"AnzahlSaetze"_s);
        bool refused = false;
        connect(count, &QLineEdit::textChanged, this, [&](const QString& text) {
            if (text == u"100"_s)
                refused = !exportDialog(4, false);
        });
        clickButton(dialog, u"StartButton"_s);
        QVERIFY(exportEnded());
        QVERIFY(refused);
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(281));
        // The first goes on to its end: the header and every record, as the final count says.
        QVERIFY(count->text().toInt() > 100);
        QCOMPARE(readFile(path(u"first.exp"_s)).count('\n'), count->text().toInt() + 1);
    }
};

VIEWER_TEST_MAIN(QueryExportTest)

#include "moc_export_support.cpp"
#include "queryexport_qtest.moc"
