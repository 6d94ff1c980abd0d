// Runs of the query window against klvserver: the rows and their count, the record id as the
// row's tag, Break within a block, a second run and a close while one runs, refused runs,
// server messages, sorting and copying, the result columns, and the hand-off of a record.
#include "TestEnvironment.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

QPushButton* button(QueryForm* form, const QString& name)
{
    return form->findChild<QPushButton*>(name);
}

bool menuEnabled(const KLVViewerWindow* window, const QString& name)
{
    const auto* menu = window->findChild<QMenu*>(name);
    return menu && menu->menuAction()->isEnabled();
}

} // namespace

class QueryRunTest : public QueryWindowTest
{
    Q_OBJECT

private:
    void runArticles(const QStringList& fields)
    {
        prepareArticles(fields);
        button(form, u"StartQueryButton"_s)->click();
    }

    void prepareArticles(const QStringList& fields)
    {
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        // A table with a table part selects its rows unless told otherwise: one per record here.
        auto* rows = form->findChild<QAbstractButton*>(u"ZeilenSelektion"_s);
        QVERIFY(rows->isChecked());
        rows->setChecked(false);
        // Alive and filed records: all 260.
        auto* kind = form->findChild<QComboBox*>(u"Ablageart"_s);
        kind->setCurrentIndex(kind->findData(3));
        check(form, fields);
        server.clearReceived();
    }

private Q_SLOTS:
    void aRunReadsEveryRecordWithItsCountAndKeepsTheIdAsTag()
    {
        MessageBoxes boxes;
        runArticles({u"nummer"_s, u"name"_s});
        ResultListView* data = form->datenListe();
        QCOMPARE(data->rowCount(), 260);
        QCOMPARE(data->columnCount(), 2);
        QCOMPARE(form->panelText(4),
                 u"260 "_s + GetMessageTextByNr(142) + u" ("_s + GetMessageTextByNr(179) + u": 260)"_s);
        QVERIFY2(data->rowTag(0).startsWith(u"(2,1,"_s), qPrintable(data->rowTag(0)));
        const QStringList exq = queries(server);
        QCOMPARE(exq.size(), 1);
        QVERIFY2(exq.first().startsWith(u"EXQ|0|2:1,@ablageart=beides|0:nummer,0:name,+id|200|"_s),
                 qPrintable(exq.first()));
        QCOMPARE(form->panelText(6), u"@ablageart=beides"_s);
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(button(form, u"StartQueryButton"_s)->isEnabled());
        QVERIFY(!button(form, u"BreakQueryButton"_s)->isEnabled());
        QVERIFY(menuEnabled(viewer.window.get(), u"DatenlisteMenue"_s));

        // Clicks on a header sort the rows as text: ascending, descending, ascending again,
        // with the indicator showing the order the rows are in.
        QStringList names;
        for (int r = 0; r < data->rowCount(); ++r)
            names.append(data->cellText(r, 1));
        QStringList sorted = names;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        const auto firstAndLast = [data] {
            return QStringList{data->cellText(0, 1), data->cellText(data->rowCount() - 1, 1)};
        };
        QHeaderView* header = data->horizontalHeader();
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
            UserInput::clickHeader(header, 1);
            const QStringList expected = order == Qt::AscendingOrder ? QStringList{sorted.first(), sorted.last()}
                                                                     : QStringList{sorted.last(), sorted.first()};
            QCOMPARE(firstAndLast(), expected);
            QCOMPARE(header->sortIndicatorOrder(), order);
            QCOMPARE(header->sortIndicatorSection(), 1);
            QVERIFY(header->isSortIndicatorShown());
        }
        QStringList now;
        for (int r = 0; r < data->rowCount(); ++r)
            now.append(data->cellText(r, 1));
        QVERIFY(std::is_sorted(now.begin(), now.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        }));

        // Ctrl+C copies the captions and every row, lines ended by CR LF.
        QApplication::clipboard()->clear();
        QTest::keyClick(data, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 261);
        QCOMPARE(lines.first(), u"nummer\tname"_s);
        // Ctrl+Shift+C does not copy.
        QApplication::clipboard()->clear();
        QTest::keyClick(data, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    void breakStopsTheRunWithinABlockAndASecondRunIsRefusedMeanwhile()
    {
        prepareArticles({u"nummer"_s});
        // The second block comes late: the run waits for it with the window's events running.
        const auto arrived = slowFirst(server, u"GNR|"_s, 3000);
        MessageBoxes boxes;
        bool during = false;
        whenTrue([arrived] { return arrived->load(); },
                 [this, &during] {
                     during = form->isQueryRunning() && !button(form, u"StartQueryButton"_s)->isEnabled() &&
                              button(form, u"BreakQueryButton"_s)->isEnabled() &&
                              !menuEnabled(viewer.window.get(), u"ExportMenue"_s) &&
                              !menuEnabled(viewer.window.get(), u"DatenlisteMenue"_s) &&
                              viewer.window->property("MousePointer").toInt() == 11;
                     // F5 on the result list and a table switch are refused while the run goes on.
                     QTest::keyClick(form->datenListe(), Qt::Key_F5);
                     form->BuildTableInfos(u"Kunde:Kunde"_s, u"1:1"_s, false, false);
                     // Enter breaks the running query.
                     QTest::keyClick(form->findChild<QLineEdit*>(u"Kriterien"_s), Qt::Key_Return);
                 });
        button(form, u"StartQueryButton"_s)->click();
        QVERIFY(during);
        QCOMPARE(form->datenListe()->rowCount(), 200);
        QCOMPARE(form->AktTableName(), u"Artikel:Artikel"_s);
        QCOMPARE(queries(server).size(), 1);
        // The break ends the wait at once; its line reaches the server a moment later.
        QTRY_VERIFY(!linesStartingWith(server, u"BRQ|"_s).isEmpty());
        // The count says that the run was broken off: the rows shown are not all there are.
        QVERIFY(form->panelText(4).startsWith(u"200 "_s));
        QVERIFY2(form->panelText(4).endsWith(u" - "_s + GetMessageTextByNr(35)), qPrintable(form->panelText(4)));
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(button(form, u"StartQueryButton"_s)->isEnabled());
        QCOMPARE(viewer.window->property("MousePointer").toInt(), 0);
        QVERIFY(menuEnabled(viewer.window.get(), u"ExportMenue"_s));
    }

    void aBlockThatCannotBeReadEndsTheRunAsFailedWithTheRowsReadSoFar()
    {
        // The second block breaks off in the middle: part of it, then a line no answer holds.
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GNR|"))
                return false;
            const QString tid = line.section(u'|', 1, 1);
            reply.sendLine(u"D|%1|999|Stueck|(2,1,999)"_s.arg(tid));
            reply.sendLine(u"?broken"_s);
            return true;
        });
        MessageBoxes boxes;
        runArticles({u"nummer"_s});
        QTRY_VERIFY(!form->isQueryRunning());
        // The whole first block; nothing of the second, whose records are no safer than the
        // line that broke it.
        QCOMPARE(form->datenListe()->rowCount(), 200);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].startsWith(u"The records could not all be read:\r\n"_s), qPrintable(boxes.texts[0]));
        const QString panel = form->panelText(4);
        QVERIFY2(panel.startsWith(u"200 records (total: 260) - read failed: "_s), qPrintable(panel));
        QVERIFY(button(form, u"StartQueryButton"_s)->isEnabled());
    }

    void aWindowClosedDuringARunClosesOnceTheRunIsBroken_data()
    {
        QTest::addColumn<QString>("held");
        // Before the query goes out, the query-string window looks the table up.
        QTest::newRow("while the table is looked up") << u"GTN|"_s;
        QTest::newRow("while a block is read") << u"GNR|"_s;
    }

    void aWindowClosedDuringARunClosesOnceTheRunIsBroken()
    {
        QFETCH(QString, held);
        MessageBoxes boxes;
        prepareArticles({u"nummer"_s});
        // The server holds the line until a break comes for it.
        const auto arrived = holdFirst(server, held);
        const QPointer<QueryForm> watched(form);
        bool stayedOpen = false;
        whenTrue([arrived] { return arrived->load(); },
                 [this, &stayedOpen, watched] {
                     qobject_cast<QMdiSubWindow*>(form->parentWidget())->close();
                     stayedOpen = watched && watched->isVisible();
                 });
        button(form, u"StartQueryButton"_s)->click();
        QVERIFY(stayedOpen);
        QTRY_VERIFY(!watched);
        QCOMPARE(linesStartingWith(server, u"BRQ|"_s).size(), 1);
        // A break before the query went out is the end of the run: no query follows it.
        QCOMPARE(queries(server).size(), held == u"GTN|"_s ? 0 : 1);
        QVERIFY(boxes.texts.isEmpty());
    }

    void aRefusedStartIsReportedAndTheButtonsComeBack()
    {
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"gibtsnicht=1"_s);
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().startsWith(GetMessageTextByNr(140) + u"\r\n"_s), qPrintable(boxes.texts.first()));
        QVERIFY(boxes.texts.first().size() > GetMessageTextByNr(140).size() + 2);
        QVERIFY(form->panelText(4).startsWith(u"0 "_s + GetMessageTextByNr(142)));
        QVERIFY(button(form, u"StartQueryButton"_s)->isEnabled());
        QVERIFY(!form->isQueryRunning());

        // One record reads in the singular.
        boxes.texts.clear();
        form->findChild<QLineEdit*>(u"Kriterien"_s)->setText(u"nummer=10001"_s);
        QTest::keyClick(form->datenListe(), Qt::Key_F5);
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY2(form->panelText(4).startsWith(u"1 "_s + GetMessageTextByNr(141) + u" ("_s),
                 qPrintable(form->panelText(4)));
    }

    void theRunNeedsTheShownTableAndAKeyThatHoldsTheStorageKind()
    {
        MessageBoxes boxes;
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        // Another row selected than the table whose fields are shown.
        form->tabellenListe()->setCurrentItem(row(form->tabellenListe(), u"Artikel:Artikel"_s));
        server.clearReceived();
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(139)});

        // Without a selected table row the same message says what is missing.
        form->tabellenListe()->clearSelection();
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(boxes.texts, (QStringList{GetMessageTextByNr(139), GetMessageTextByNr(139)}));
        QVERIFY(queries(server).isEmpty());

        form->tabellenListe()->setCurrentItem(row(form->tabellenListe(), u"Kunde:Kunde"_s));
        auto* key = form->findChild<QComboBox*>(u"Schluessel"_s);
        auto* kind = form->findChild<QComboBox*>(u"Ablageart"_s);
        key->setCurrentIndex(key->findText(u"abgelegt"_s)); // holds filed records only
        kind->setCurrentIndex(kind->findData(1));
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(176));
        QVERIFY(queries(server).isEmpty());

        // A key of both kinds serves every kind.
        key->setCurrentIndex(key->findText(u"nummer"_s));
        kind->setCurrentIndex(kind->findData(2));
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(queries(server).size(), 1);
        QVERIFY(form->datenListe()->rowCount() > 0);
    }

    void serverMessagesCollectInTheMessagePanel()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|"))
                return false;
            reply.sendLine(u"S|0|Erste Meldung|INFO|1"_s);
            reply.sendLine(u"S|0|Zweite Meldung|INFO|2"_s);
            reply.sendLine(u"E|0|Ein Fehler|CHECK|3"_s);
            reply.defaultAnswer();
            return true;
        });
        MessageBoxes boxes;
        runArticles({u"nummer"_s});
        const QStringList lines = form->panelText(5).split(u"\r\n"_s);
        QCOMPARE(lines, (QStringList{GetMessageTextByNr(21) + u" Erste Meldung"_s,
                                     GetMessageTextByNr(21) + u" Zweite Meldung"_s,
                                     GetMessageTextByNr(22) + u" Ein Fehler"_s}));
        // A click on the panel shows them all.
        QTest::mouseClick(form->findChild<QLabel*>(u"Panel5"_s), Qt::LeftButton);
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(147) + u"\r\n\r\n"_s + form->panelText(5));
    }

    void columnsFollowTheCheckedFieldsAndKeepTheirWidths()
    {
        MessageBoxes boxes;
        runArticles({u"nummer"_s, u"name"_s});
        ResultListView* data = form->datenListe();
        data->setColumnWidthTwips(1, 2400);
        check(form, {u"such"_s});
        button(form, u"StartQueryButton"_s)->click();
        QCOMPARE(form->BuildFldLst(), u"0:nummer,0:name,0:such"_s);
        QCOMPARE(data->columnWidthTwips(1), 2400);
        QCOMPARE(data->columnWidthTwips(2), 1440);
        // Sorted like the field list, where "such" stands before "name".
        form->ResortDataColumns();
        QString fields;
        QString widths;
        form->GetCurrentFieldList(fields, widths);
        QCOMPARE(fields, u"0:nummer,0:such,0:name"_s);
        QCOMPARE(widths.section(u',', 2, 2), u"2400"_s);
        QCOMPARE(form->BuildFldLst(), u"0:nummer,0:name,0:such"_s);

        // Captions by description, switched without a new run.
        auto* desc = viewer.window->viewerSettingsDialog()->findChild<QRadioButton*>(u"ColumnHeadersDesc"_s);
        QVERIFY(desc);
        desc->setChecked(true);
        viewer.window->UpdateAllQueryDataColumnHeaders();
        QCOMPARE(data->columnCaption(0), u"Artikelnummer"_s);
        viewer.window->viewerSettingsDialog()->findChild<QRadioButton*>(u"ColumnHeadersNames"_s)->setChecked(true);
        form->UpdateDataColumnHeaderText();
        QCOMPARE(data->columnCaption(0), u"nummer"_s);

        // Nothing checked: every field of the table is a column.
        form->SetAllFieldsSelection(1, 2);
        QVERIFY(form->UpdateDataColumns());
        QCOMPARE(data->columnCount(), form->feldListe()->topLevelItemCount());
        QVERIFY(!form->BuildFldLst().contains(u"+id"_s));
        QVERIFY(boxes.texts.isEmpty());
    }

    void aRecordIsHandedToTheGuiClientOnlyFromASelectedRow()
    {
        QTemporaryDir out;
        const QString script = out.path() + u"/gui.sh"_s;
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"$2\" >> \"$(dirname \"$0\")/commands\"\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        qputenv("KLV_GUI_COMMAND", script.toLocal8Bit());

        MessageBoxes boxes;
        runArticles({u"nummer"_s});
        ResultListView* data = form->datenListe();
        data->clearSelection();
        server.clearReceived();
        QTest::keyClick(data, Qt::Key_F11);
        QVERIFY(linesStartingWith(server, u"RDP|"_s).isEmpty());

        data->selectRow(0);
        const QString ref = data->selectedRowTag();
        QTest::keyClick(data, Qt::Key_F12);
        QCOMPARE(linesStartingWith(server, u"RDP|"_s).size(), 1);
        QVERIFY(linesStartingWith(server, u"RDP|"_s).first().startsWith(u"RDP|0|"_s + ref + u"|dnr,gruppe|"_s));
        QFile commands(out.path() + u"/commands"_s);
        QTRY_VERIFY(commands.exists() && commands.size() > 0);
        QVERIFY(commands.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(commands.readAll()).contains(ref));
        qunsetenv("KLV_GUI_COMMAND");
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
    }

    void moreThan300ChosenFieldsAreRefused()
    {
        // A window without a session: its field list is filled by hand.
        QueryForm offline;
        MessageBoxes boxes;
        QStringList record(23);
        for (int i = 1; i <= 301; ++i) {
            record[0] = u"f"_s + QString::number(i);
            record[5] = u"0"_s;
            record[13] = record[0];
            QVERIFY(offline.InsertFeld(record[0], record, {}, false, true, false, 0));
        }
        QVERIFY(!offline.UpdateDataColumns());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(168)});
        QCOMPARE(offline.datenListe()->columnCount(), 0);
        offline.SetFieldSelection(301, 2);
        QVERIFY(offline.UpdateDataColumns());
        QCOMPARE(offline.datenListe()->columnCount(), 300);
        QCOMPARE(offline.BuildFldLst().section(u',', 0, 1), u"0:f1,0:f2"_s);
    }
};

VIEWER_TEST_MAIN(QueryRunTest)

#include "queryrun_qtest.moc"
