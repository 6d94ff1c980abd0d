// The information-system window against klvserver: the mask built from a definition, header
// values sent and refused, runs with their rows and count, stopping, a second run while one
// runs, closing while the window waits, a refused edit operation, the keys of the mask, and
// the result list's sorting and export hand-off (the fields typed as the definition says).
#include "TestEnvironment.h"
#include "ViewerTestMain.h"
#include "infosys_support.h"

#include "ExportDialog.h"
#include "ExportValue.h"
#include "ReadableColour.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace InfosysTest;

class InfosysFormTest : public QObject, private WindowTest
{
    Q_OBJECT

private:
    // Runs the information system with the Start button and waits for the run to end.
    bool run()
    {
        click(button(u"StartInfosysButton"_s));
        return QTest::qWaitFor([this] { return form && !form->isRunning(); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        start();
        QVERIFY(!QTest::currentTestFailed());
    }
    void cleanupTestCase() { stop(); }
    void init() { begin(); }
    void cleanup() { end(); }

    void theMaskFollowsTheDefinition()
    {
        QVERIFY(open());
        // The definition is read by rows, the enumeration's positions with the empty one, the
        // information system opened by number, and the header values read by their names.
        const QStringList exq = matching(*server, u"^EXQ\\|"_s);
        QCOMPARE(exq.size(), 1);
        QCOMPARE(exq.first().section(u'|', 0, 3),
                 u"EXQ|0|65:1,@zeilen=ja;nummer=1|num65,such65,name,vname,vkt,vitf,vbed,extbez,inmask,"
                 u"param(code),artausr(code)"_s);
        QCOMPARE(matching(*server, u"^GAZ\\|"_s).size(), 1);
        QVERIFY(matching(*server, u"^GAZ\\|"_s).first().startsWith(u"GAZ|0|A131|POS|1|"_s));
        QCOMPARE(matching(*server, u"^EDI\\|"_s), QStringList{u"EDI|0|GET|65|NUMSW|1||"_s});
        QCOMPARE(matching(*server, u"^GFV\\|"_s).first().section(u'|', 2), u"0|"_s + CustomerHeaderFields.join(u','));

        InfosysFeldPanel* p = panel();
        QCOMPARE(p->count(), 9); // "ixintern" is not in the mask
        QStringList labels;
        for (int n = 1; n <= p->count(); ++n)
            labels.append(p->label(n)->text());
        QCOMPARE(labels, (QStringList{u"&Nummer"_s, u"&Suchwort"_s, u"&Beschreibung"_s, u"&Ort"_s, u"&Kategorie"_s,
                                      u"&Mindestumsatz"_s, u"&Start"_s, u"&Anzahl Kunden"_s, u"&Summe Umsatz"_s}));
        using Kind = InfosysFeldPanel::Kind;
        QCOMPARE(p->kind(4), Kind::Text);
        QCOMPARE(p->kind(5), Kind::Enumeration);
        QCOMPARE(p->kind(7), Kind::Button);
        QCOMPARE(p->feldListe(5)->count(), 6); // the empty position and five categories
        QCOMPARE(p->feldListe(5)->itemText(2), u"B-Kunde"_s);
        QVERIFY(p->feldWert(6)->alignment() & Qt::AlignRight);
        QVERIFY(p->feldWert(4)->alignment() & Qt::AlignLeft);

        // Only parameters can be changed; what the editor shows comes in.
        QCOMPARE(p->feldWert(1)->text(), u"1"_s);
        QCOMPARE(p->feldWert(3)->text(), u"Kundenumsatz"_s);
        for (int locked : {1, 2, 3, 8, 9}) {
            QVERIFY2(p->feldWert(locked)->isReadOnly(), qPrintable(QString::number(locked)));
            QCOMPARE(p->feldWert(locked)->palette().color(QPalette::Base), p->lockedColour());
        }
        for (int open : {4, 6}) {
            QVERIFY(!p->feldWert(open)->isReadOnly());
            QCOMPARE(p->feldWert(open)->palette().color(QPalette::Base), p->unlockedColour());
        }
        QVERIFY(p->feldListe(5)->isEnabled());
        QVERIFY(p->kopfButton(7)->isEnabled());
        // The first parameter field has the focus; the result columns follow the entry column.
        QCOMPARE(QApplication::focusWidget(), p->feldWert(4));
        QStringList captions;
        for (int c = 0; c < form->datenListe()->columnCount(); ++c)
            captions.append(form->datenListe()->headerItem()->text(c));
        QCOMPARE(captions, (QStringList{u"Entry"_s, u"Nummer"_s, u"Name"_s, u"Ort"_s, u"Umsatz"_s}));
        QCOMPARE(form->windowTitle(), u"Kundenumsatz"_s);
        QCOMPARE(form->panelText(2), u"Information system KUNDUMS"_s);
        QCOMPARE(form->panelText(3), u"0 rows"_s);
        QVERIFY(button(u"StartInfosysButton"_s)->isEnabled());
        QVERIFY(button(u"TabelleNeuLadenButton"_s)->isEnabled());
        QVERIFY(!button(u"AbbrechenButton"_s)->isEnabled());
        QVERIFY(shown->texts.isEmpty());
    }

    void theFieldsStayReadableUnderADarkPalette()
    {
        QVERIFY(open());
        InfosysFeldPanel* p = panel();
        const QPalette light = form->palette();
        const auto readable = [p](int n) {
            const QPalette& shown = p->feldWert(n)->palette();
            return ReadableColour::Contrast(shown.color(QPalette::Base), shown.color(QPalette::Text)) >=
                   ReadableColour::TextContrast;
        };
        // The desktop's palette turns dark while the window is open.
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
        dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
        dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
        form->setPalette(dark);
        for (int n : {1, 4, 6, 9})
            QVERIFY2(readable(n), qPrintable(QString::number(n)));
        // Open and locked fields still look different.
        QVERIFY(p->feldWert(4)->palette().color(QPalette::Base) != p->feldWert(1)->palette().color(QPalette::Base));
        // Light again, an open field is white as designed.
        form->setPalette(light);
        QCOMPARE(p->feldWert(4)->palette().color(QPalette::Base), QColor(Qt::white));
        QVERIFY(readable(4) && readable(1));
    }

    void theMaskReadsTheServersBooleanWords()
    {
        // With Booleans as words the definition says "ja" and "nein": the same mask.
        QVERIFY(session->SetBoolMode(KLVActiveX::klvBoolModeTAV));
        const bool opened = open();
        session->SetBoolMode(KLVActiveX::klvBoolModeNum);
        QVERIFY(opened);
        QVERIFY(matching(*server, u"^SET\\|0\\|BOOLMODE\\|TAV"_s).size() >= 2); // the window's copy too
        QCOMPARE(panel()->count(), 9);
        QCOMPARE(form->definition().ergebnisFeldNamen(), CustomerResultFields);
    }

    void aHeaderValueIsSentWhenLeftAndARefusalKeepsIt()
    {
        QVERIFY(open());
        const QString tid = editTid();
        InfosysFeldPanel* p = panel();
        server->clearReceived();

        // Enter sends a changed value; the header is read again.
        typeInto(p->feldWert(4), u"Berlin"_s);
        QTest::keyClick(p->feldWert(4), Qt::Key_Return);
        QCOMPARE(matching(*server, u"^SFV\\|"_s), QStringList{u"SFV|%1|0|ort|Berlin|0"_s.arg(tid)});
        QCOMPARE(matching(*server, u"^GFV\\|"_s).size(), 1);
        QVERIFY(!p->isChanged(4));

        // Tab leaves the field: a value the server cannot read is refused, stays, and keeps
        // the focus.
        server->clearReceived();
        typeInto(p->feldWert(6), u"viel"_s);
        QTest::keyClick(p->feldWert(6), Qt::Key_Tab);
        QTRY_COMPARE(matching(*server, u"^SFV\\|"_s), QStringList{u"SFV|%1|0|min|viel|0"_s.arg(tid)});
        QCOMPARE(shown->texts.size(), 1);
        QVERIFY(shown->texts.first().startsWith(u"The value was not accepted:\r\n"_s));
        QCOMPARE(p->feldWert(6)->text(), u"viel"_s);
        QTRY_COMPARE(QApplication::focusWidget(), p->feldWert(6));

        // A field left unchanged sends nothing.
        server->clearReceived();
        typeInto(p->feldWert(6), u"40000"_s);
        QTest::keyClick(p->feldWert(6), Qt::Key_Return);
        p->feldWert(4)->setFocus();
        QTest::keyClick(p->feldWert(4), Qt::Key_Tab);
        QTest::qWait(0);
        QCOMPARE(matching(*server, u"^SFV\\|"_s), QStringList{u"SFV|%1|0|min|40000|0"_s.arg(tid)});
        // A locked field sends nothing either: Enter there runs.
        QVERIFY(p->feldWert(8)->isReadOnly());
        QTest::keyClick(p->feldWert(8), Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([this] { return !form->isRunning(); }));
        QCOMPARE(matching(*server, u"^SFV\\|"_s).last(), u"SFV|%1|0|bstart||0"_s.arg(tid));
    }

    void aRunShowsItsRowsAndTheirCount()
    {
        QVERIFY(open());
        const QString tid = editTid();
        InfosysFeldPanel* p = panel();
        typeInto(p->feldWert(4), u"Berlin"_s);
        server->clearReceived();
        // The click leaves the field, whose value goes first, then the run.
        QVERIFY(run());
        QCOMPARE(matching(*server, u"^SFV\\|"_s),
                 (QStringList{u"SFV|%1|0|ort|Berlin|0"_s.arg(tid), u"SFV|%1|0|bstart||0"_s.arg(tid)}));
        // Exactly the result columns are read, for every row.
        QCOMPARE(matching(*server, u"^GFV\\|\\d+\\|\\*"_s),
                 QStringList{u"GFV|%1|*|%2"_s.arg(tid, CustomerResultFields.join(u','))});

        QTreeWidget* list = form->datenListe();
        const int rows = list->topLevelItemCount();
        QVERIFY(rows > 1);
        QCOMPARE(form->panelText(3), u"%1 rows"_s.arg(rows));
        QCOMPARE(p->feldWert(8)->text(), QString::number(rows)); // the run reports its count
        QCOMPARE(column(list, 3), QStringList(rows, u"Berlin"_s));
        // The entry column shows the row's first field, as the first result column does.
        QCOMPARE(column(list, 0), column(list, 1));
        QCOMPARE(QApplication::focusWidget(), list);
        QVERIFY(button(u"StartInfosysButton"_s)->isEnabled());
        QVERIFY(!button(u"AbbrechenButton"_s)->isEnabled());

        // The export's view of the rows: one field per result column, read by column number.
        const QList<InfosysForm::ExportField> fields = form->exportFields();
        QCOMPARE(fields.size(), 4);
        QCOMPARE(fields[2].caption, u"Ort"_s);
        QCOMPARE(fields[2].key, 4);
        QCOMPARE(form->GetResultField(1, 4), u"Berlin"_s);
        QCOMPARE(form->GetResultField(1, 1), list->topLevelItem(0)->text(0));
        QCOMPARE(form->GetResultField(rows + 1, 1), QString());
        QCOMPARE(form->GetResultField(1, 6), QString());
        QVERIFY(shown->texts.isEmpty());
    }

    void theRowsShownGoToATextFileOneFieldPerResultColumn()
    {
        QVERIFY(open());
        typeInto(panel()->feldWert(4), u"Berlin"_s);
        QVERIFY(run());
        QTreeWidget* list = form->datenListe();
        const int rows = list->topLevelItemCount();
        QVERIFY(rows > 1);

        // The main window's export menus call this by name on the active window.
        QVERIFY(QMetaObject::invokeMethod(form, "ShowExportDialog", Q_ARG(int, 0)));
        ExportDialog* dialog = ExportDialog::DefaultInstance();
        QVERIFY(dialog->isVisible());
        QStringList captions;
        for (int i = 0; i < dialog->feldListe()->topLevelItemCount(); ++i)
            captions << dialog->feldListe()->topLevelItem(i)->text(0);
        QCOMPARE(captions, (QStringList{u"Nummer"_s, u"Name"_s, u"Ort"_s, u"Umsatz"_s}));

        QTemporaryDir dir;
        const QString file = dir.filePath(u"berlin.txt"_s);
        auto* name = dialog->findChild<QLineEdit*>(u"ExportDateiName"_s);
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, file);
        server->clearReceived();
        auto* start = dialog->findChild<QPushButton*>(u"StartButton"_s);
        QTest::mouseClick(start, Qt::LeftButton, Qt::NoModifier, start->rect().center());
        QVERIFY(QTest::qWaitFor([] { return !ExportDialog::IsExportRunning(); }, 60000));
        QVERIFY(shown->texts.isEmpty());
        // The rows come from the window, not from a query of their own.
        QVERIFY(matching(*server, u"^EXQ\\|"_s).isEmpty());

        QFile out(file);
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(out.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), rows + 1);
        QCOMPARE(lines.first(), u"Nummer;Name;Ort;Umsatz"_s);
        for (int r = 0; r < rows; ++r) {
            const QTreeWidgetItem* item = list->topLevelItem(r);
            QCOMPARE(lines[r + 1],
                     (QStringList{item->text(1), item->text(2), item->text(3), item->text(4)}.join(u';')));
        }
    }

    void theRowsGoToADatabaseTableTypedAsTheDefinitionSays()
    {
        QVERIFY(open());
        QVERIFY(run());
        QTreeWidget* list = form->datenListe();
        const int rows = list->topLevelItemCount();
        QVERIFY(rows > 1);
        QVERIFY(QMetaObject::invokeMethod(form, "ShowExportDialog", Q_ARG(int, 2)));
        ExportDialog* dialog = ExportDialog::DefaultInstance();
        QTemporaryDir dir;
        const QString file = dir.filePath(u"infosys.sqlite"_s);
        auto* name = dialog->findChild<QLineEdit*>(u"ExportDBName"_s);
        name->setFocus();
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, file);
        // The new database file is made.
        shown->answer = QMessageBox::Yes;
        auto* start = dialog->findChild<QPushButton*>(u"StartButton"_s);
        QTest::mouseClick(start, Qt::LeftButton, Qt::NoModifier, start->rect().center());
        QVERIFY(QTest::qWaitFor([] { return !ExportDialog::IsExportRunning(); }, 60000));
        QCOMPARE(shown->texts, QStringList{GetMessageTextByNr(242)});

        // "Nummer" (I6) and "Umsatz" (R12.2) are numbers in the table, not texts.
        QProcess sqlite;
        sqlite.start(u"/usr/bin/sqlite3"_s,
                     {file, u"SELECT group_concat(DISTINCT typeof(\"1:nummer\") || '/' || typeof(\"1:umsatz\")), "
                            "count(*), sum(\"1:umsatz\") FROM \""_s +
                                form->InfosysNr() + u'"'});
        QVERIFY(sqlite.waitForFinished(30000));
        const QStringList got = QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed().split(u'|');
        QCOMPARE(got.value(0), u"integer/real"_s);
        QCOMPARE(got.value(1), QString::number(rows));
        double sum = 0;
        for (int r = 0; r < rows; ++r)
            sum += ExportValue::Number(list->topLevelItem(r)->text(4), 2).value_or(0);
        QCOMPARE(got.value(2).toDouble(), sum);
    }

    void oneRowAndNoneHaveTheirTexts()
    {
        QVERIFY(open());
        InfosysFeldPanel* p = panel();
        typeInto(p->feldWert(4), u"Berlin"_s);
        // One customer in Berlin has a turnover of 94,000 or more, none of a million.
        const QList<std::pair<QString, QString>> cases{{u"94000"_s, u"1 row"_s}, {u"1000000"_s, u"0 rows"_s}};
        for (const auto& [least, text] : cases) {
            typeInto(p->feldWert(6), least);
            QVERIFY(run());
            QCOMPARE(form->panelText(3), text);
            QCOMPARE(form->datenListe()->topLevelItemCount(), text == u"1 row" ? 1 : 0);
        }
        QVERIFY(shown->texts.isEmpty());
    }

    void anEnumerationsChoiceGoesOutWhenItIsLeft()
    {
        QVERIFY(open(u"3"_s, u"AUFOFF"_s, u"Offene Auftr\u00e4ge"_s));
        const QString tid = editTid();
        InfosysFeldPanel* p = panel();
        // The orders of customer 10008, then those of them still "entered".
        typeInto(p->feldWert(4), u"10008"_s);
        QVERIFY(run());
        QCOMPARE(form->panelText(3), u"4 rows"_s);
        QComboBox* combo = p->feldListe(5);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        server->clearReceived();
        QVERIFY(run());
        QCOMPARE(matching(*server, u"^SFV\\|"_s), (QStringList{u"SFV|%1|0|status|%2|0"_s.arg(tid, combo->currentText()),
                                                               u"SFV|%1|0|bstart||0"_s.arg(tid)}));
        QVERIFY(!p->isChanged(5));
        QVERIFY(shown->texts.isEmpty());
    }

    void aChoiceMadeWithTheKeysAndEnterGiveTheRowsOfTheValueShown()
    {
        QVERIFY(open());
        InfosysFeldPanel* p = panel();
        // The category chosen with the keys, the list still closed, and Enter at once.
        QComboBox* combo = p->feldListe(5);
        combo->setFocus();
        while (combo->currentIndex() < 1)
            QTest::keyClick(combo, Qt::Key_Down);
        const QString shown = combo->currentText();
        QVERIFY(!shown.isEmpty());
        QTest::keyClick(combo, Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([this] { return !form->isRunning() && !form->isBusy(); }));
        const QString byEnter = form->panelText(3);
        // Start with the same value shown gives the same rows.
        QVERIFY(run());
        QCOMPARE(form->panelText(3), byEnter);
        QCOMPARE(combo->currentText(), shown);
        QVERIFY(byEnter != u"120 rows"_s); // not every customer: the category counted
    }

    void aRefusedRunShowsTheServersMessages()
    {
        // Information system 2 needs its lowest stock.
        QVERIFY(open(u"2"_s, u"ARTBEST"_s, u"Artikelbestand"_s));
        QVERIFY(run());
        QCOMPARE(shown->texts.size(), 1);
        QVERIFY(shown->texts.first().startsWith(u"The information system could not be run:\r\n"_s));
        QVERIFY(shown->texts.first().size() > u"The information system could not be run:\r\n"_s.size());
        QCOMPARE(form->datenListe()->topLevelItemCount(), 0);
        QVERIFY(button(u"StartInfosysButton"_s)->isEnabled());
        QVERIFY(!button(u"AbbrechenButton"_s)->isEnabled());
    }

    void aStopEndsTheLoadAndTheNextLoadIsWhole()
    {
        QVERIFY(open());
        // All 120 customers; the stop comes when the first hundred are in.
        QTreeWidget* list = form->datenListe();
        whenTrue([list] { return list->topLevelItemCount() > 0; }, [this] { click(button(u"AbbrechenButton"_s)); });
        QVERIFY(run());
        QCOMPARE(list->topLevelItemCount(), 100);
        QCOMPARE(form->panelText(3), u"100 rows"_s);
        // The next load is not stopped by the last stop.
        click(button(u"TabelleNeuLadenButton"_s));
        QVERIFY(QTest::qWaitFor([this] { return !form->isRunning(); }));
        QCOMPARE(list->topLevelItemCount(), 120);
        QCOMPARE(form->panelText(3), u"120 rows"_s);
        // F5 in the list reloads it too.
        server->clearReceived();
        QTest::keyClick(list, Qt::Key_F5);
        QCOMPARE(matching(*server, u"^GFV\\|\\d+\\|\\*"_s).size(), 1);
        QCOMPARE(list->topLevelItemCount(), 120);
        QVERIFY(shown->texts.isEmpty());
    }

    void aSecondRunWhileOneRunsIsIgnoredAndStopBreaksTheRun()
    {
        QVERIFY(open());
        const QString tid = editTid();
        const auto arrived = holdFirst(*server, u"SFV|"_s + tid + u"|0|bstart|"_s);
        QTreeWidget* list = form->datenListe();
        bool stopEnabled = false;
        whenTrue([arrived] { return arrived->load(); },
                 [&] {
                     // Start is off while the run waits; Enter and F5 start nothing either.
                     stopEnabled = button(u"AbbrechenButton"_s)->isEnabled();
                     click(button(u"StartInfosysButton"_s));
                     QTest::keyClick(panel()->feldWert(4), Qt::Key_F5);
                     QTest::keyClick(list, Qt::Key_Return);
                     QTest::keyClick(list, Qt::Key_F5);
                     QTest::keyClick(list, Qt::Key_Escape);
                 });
        QVERIFY(run());
        QVERIFY(stopEnabled);
        QCOMPARE(matching(*server, u"\\|bstart\\|"_s).size(), 1);
        QCOMPARE(matching(*server, u"^BRQ\\|"_s), QStringList{u"BRQ|"_s + tid});
        // A stopped run says nothing; the window is ready for the next.
        QVERIFY(shown->texts.isEmpty());
        QCOMPARE(list->topLevelItemCount(), 0);
        QVERIFY(button(u"StartInfosysButton"_s)->isEnabled());
        QVERIFY(run());
        QCOMPARE(list->topLevelItemCount(), 120);
    }

    void aCloseDuringARunBreaksItAndClosesOnceItEnded()
    {
        QVERIFY(open());
        const QString tid = editTid();
        const auto arrived = holdFirst(*server, u"GFV|"_s + tid + u"|*|"_s);
        whenTrue([arrived] { return arrived->load(); }, [this] { click(button(u"SchliessenButton"_s)); });
        click(button(u"StartInfosysButton"_s));
        QTRY_VERIFY(!form);
        const QStringList after = server->receivedLines();
        const qsizetype brq = after.indexOf(u"BRQ|"_s + tid);
        QVERIFY(brq >= 0);
        // The edit operation is cancelled after the break, on its way out.
        QVERIFY(after.indexOf(u"CAN|"_s + tid) > brq);
        QVERIFY(shown->texts.isEmpty());
    }

    void aCloseWhileTheDefinitionIsReadClosesOnceItWasBroken()
    {
        const auto arrived = holdFirst(*server, u"EXQ|0|65:1"_s);
        form = new InfosysForm;
        QVERIFY(form->hasSession());
        form->show();
        whenTrue([arrived] { return arrived->load(); }, [this] { click(button(u"SchliessenButton"_s)); });
        form->InitControls();
        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        QTRY_VERIFY(!form);
        QVERIFY(!matching(*server, u"^BRQ\\|0$"_s).isEmpty());
        // Nothing more was asked for, and nothing said.
        QVERIFY(matching(*server, u"^(EDI|GAZ)\\|"_s).isEmpty());
        QVERIFY(shown->texts.isEmpty());
    }

    void aStartWhileAValueGoesOutRunsOnceTheValueWasTaken()
    {
        QVERIFY(open());
        const QString tid = editTid();
        const auto arrived = slowFirst(*server, u"SFV|"_s + tid + u"|0|ort|"_s, 1000);
        typeInto(panel()->feldWert(4), u"Hamburg"_s);
        // The click's press takes the focus and sends the value; the release comes while the
        // value is on its way.
        whenTrue([arrived] { return arrived->load(); },
                 [this] { QTest::mouseRelease(button(u"StartInfosysButton"_s), Qt::LeftButton); });
        QTest::mousePress(button(u"StartInfosysButton"_s), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return form->datenListe()->topLevelItemCount() > 0 && !form->isRunning(); }));
        QCOMPARE(matching(*server, u"^SFV\\|"_s),
                 (QStringList{u"SFV|%1|0|ort|Hamburg|0"_s.arg(tid), u"SFV|%1|0|bstart||0"_s.arg(tid)}));
        QCOMPARE(column(form->datenListe(), 3).first(), u"Hamburg"_s);
    }

    void aValueLeftWhileTheWindowWaitsGoesOutAfterwards()
    {
        QVERIFY(open());
        const QString tid = editTid();
        const auto arrived = slowFirst(*server, u"SFV|"_s + tid + u"|0|bstart|"_s, 1000);
        whenTrue([arrived] { return arrived->load(); },
                 [this] {
                     typeInto(panel()->feldWert(4), u"Hamburg"_s);
                     QTest::keyClick(panel()->feldWert(4), Qt::Key_Tab);
                 });
        QVERIFY(run());
        QTRY_COMPARE(matching(*server, u"^SFV\\|"_s),
                     (QStringList{u"SFV|%1|0|bstart||0"_s.arg(tid), u"SFV|%1|0|ort|Hamburg|0"_s.arg(tid)}));
        QTRY_VERIFY(!panel()->isChanged(4));
    }

    void theListCopiesItsRows()
    {
        QVERIFY(open());
        typeInto(panel()->feldWert(4), u"Berlin"_s);
        QVERIFY(run());
        QTest::keyClick(form->datenListe(), Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QApplication::clipboard()->text().split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.first(), u"Entry\tNummer\tName\tOrt\tUmsatz"_s);
        QCOMPARE(lines.size(), form->datenListe()->topLevelItemCount() + 1);
        // A text box keeps its own copy.
        panel()->feldWert(4)->setFocus();
        panel()->feldWert(4)->selectAll();
        QTest::keyClick(panel()->feldWert(4), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"Berlin"_s);
    }

    void aWindowWithoutAnInformationSystemHasNothingToReload()
    {
        form = new InfosysForm;
        QVERIFY(form->hasSession());
        server->clearReceived();
        form->InitControls();
        form->ReloadForm();
        form->InfosystemAusfuehren();
        form->TabelleNeuLaden();
        QVERIFY(server->receivedLines().isEmpty());
        QVERIFY(!button(u"StartInfosysButton"_s)->isEnabled());
    }

    void aRebuildWhileTheWindowWaitsIsRefused()
    {
        QVERIFY(open());
        const QString tid = editTid();
        const auto arrived = holdFirst(*server, u"SFV|"_s + tid + u"|0|bstart|"_s);
        whenTrue([arrived] { return arrived->load(); },
                 [this] {
                     form->ReloadForm();
                     form->BuildInfosysInfos(u"2"_s, u"ARTBEST"_s, u"Artikelbestand"_s);
                     QTest::keyClick(form->datenListe(), Qt::Key_Escape);
                 });
        QVERIFY(run());
        QCOMPARE(matching(*server, u"^EXQ\\|"_s).size(), 1);
        QCOMPARE(form->InfosysNr(), u"1"_s);
        QCOMPARE(panel()->count(), 9);
    }

    void aRefusedEditOperationLeavesNothingToSend()
    {
        server->setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EDI|"_s))
                return false;
            reply.sendLine(u"E|0|Infosystem gesperrt|EDIT|1227"_s);
            reply.sendLine(u"NAK|0|Bearbeitung nicht m\u00f6glich|1227|"_s);
            return true;
        });
        QVERIFY(!open());
        QCOMPARE(shown->texts, QStringList{u"The information system could not be opened:\r\nInfosystem gesperrt"_s});
        QVERIFY(!button(u"StartInfosysButton"_s)->isEnabled());
        QVERIFY(!button(u"TabelleNeuLadenButton"_s)->isEnabled());
        // The mask shows, but nothing in it can be changed or sent.
        InfosysFeldPanel* p = panel();
        QCOMPARE(p->count(), 9);
        QVERIFY(p->feldWert(4)->isReadOnly());
        server->clearReceived();
        QTest::keyClick(p->feldWert(4), Qt::Key_Return);
        QTest::keyClick(p->feldWert(4), Qt::Key_F5);
        click(p->kopfButton(7));
        QVERIFY(matching(*server, u"^(SFV|GFV|GTS)\\|"_s).isEmpty());
        // A rebuild opens it when the server lets it.
        server->setScript({});
        form->ReloadForm();
        QVERIFY(form->isEditOpen());
        QVERIFY(button(u"StartInfosysButton"_s)->isEnabled());
    }

    void withoutResultColumnsNoTableIsRead()
    {
        // A definition of header fields only.
        server->setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"EXQ|0|65:1"_s))
                return false;
            const QStringList rows{u"itnum65|0|I4|Nummer||0|(1)|(76)"_s, u"ikort|0|GL30|Ort|Ort|1|(2)|(76)"_s,
                                   u"ikbstart|0|BU1|Start|Start|1|(1)|(76)"_s};
            reply.sendLine(u"BOD|0|EXQ|3"_s);
            for (const QString& r : rows)
                reply.sendLine(u"D|0|1|KUNDUMS|Kundenumsatz|"_s + r);
            reply.sendLine(u"EOD|0|EXQ|3|1"_s);
            return true;
        });
        QVERIFY(open());
        QCOMPARE(form->datenListe()->columnCount(), 1);
        const QString tid = editTid();
        QVERIFY(run());
        QCOMPARE(matching(*server, u"^SFV\\|"_s), QStringList{u"SFV|%1|0|bstart||0"_s.arg(tid)});
        QVERIFY(matching(*server, u"^GFV\\|\\d+\\|\\*"_s).isEmpty());
        QCOMPARE(form->datenListe()->topLevelItemCount(), 0);
        QCOMPARE(form->panelText(3), u"0 rows"_s);
        QVERIFY(form->exportFields().isEmpty());
    }

    void theMaskKeys()
    {
        QVERIFY(open());
        const QString tid = editTid();
        InfosysFeldPanel* p = panel();

        // Up and Down move between text boxes and buttons; at either end the focus stays.
        p->feldWert(1)->setFocus();
        QTest::keyClick(p->feldWert(1), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), p->feldWert(1));
        QTest::keyClick(p->feldWert(1), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), p->feldWert(2));
        p->feldWert(9)->setFocus();
        QTest::keyClick(p->feldWert(9), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), p->feldWert(9));
        QTest::keyClick(p->feldWert(9), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), p->feldWert(8));
        QTest::keyClick(p->feldWert(8), Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), p->kopfButton(7));

        // Alt+Enter tells what the field is.
        QTest::keyClick(p->feldWert(6), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(shown->texts, QStringList{u"Editor field:\tmin\r\nLabel:\tMindestumsatz\r\nType code:\tR12.2"_s});

        // Enter in a combo box runs with the choice it shows: the choice goes first.
        server->clearReceived();
        QComboBox* combo = p->feldListe(5);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([this] { return !form->isRunning(); }));
        QCOMPARE(matching(*server, u"^SFV\\|"_s), (QStringList{u"SFV|%1|0|kat|%2|0"_s.arg(tid, combo->currentText()),
                                                               u"SFV|%1|0|bstart||0"_s.arg(tid)}));

        // Pressing the start button of the mask runs the information system too.
        server->clearReceived();
        click(p->kopfButton(7));
        QVERIFY(QTest::qWaitFor([this] { return !form->isRunning(); }));
        QVERIFY(matching(*server, u"^SFV\\|"_s).contains(u"SFV|%1|0|bstart||0"_s.arg(tid)));
        QCOMPARE(matching(*server, u"\\|bstart\\|"_s).size(), 1);
    }

    void theResultListSortsByAClickedColumnBothWays()
    {
        QVERIFY(open());
        typeInto(panel()->feldWert(6), u"50000"_s);
        QVERIFY(run());
        QTreeWidget* list = form->datenListe();
        QVERIFY(list->topLevelItemCount() > 2);
        QVERIFY(!sortedBy(list, 2, Qt::AscendingOrder));
        clickHeader(list, 2);
        QVERIFY(sortedBy(list, 2, Qt::AscendingOrder));
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        clickHeader(list, 2);
        QVERIFY(sortedBy(list, 2, Qt::DescendingOrder));
        QCOMPARE(list->header()->sortIndicatorOrder(), Qt::DescendingOrder);
        // The next run's rows come in the order chosen.
        const Qt::SortOrder chosen = Qt::SortOrder(list->header()->sortIndicatorOrder());
        QVERIFY(run());
        QVERIFY(sortedBy(list, 2, chosen));
    }

    void theScrollBarCoversTheRowsThatDoNotFit()
    {
        QVERIFY(open());
        InfosysFeldPanel* p = panel();
        QScrollBar* bar = p->scrollBar();
        // Room for every row: nothing to scroll.
        form->resize(900, 900);
        QTRY_VERIFY(p->visibleRows() >= p->count());
        QCOMPARE(bar->maximum(), bar->minimum());
        // Room for fewer: the bar moves the first row shown, and a focused row comes into view.
        form->resize(900, 300);
        QTRY_VERIFY(p->visibleRows() < p->count());
        QCOMPARE(bar->maximum(), p->count() - p->visibleRows() + 1);
        p->feldWert(9)->setFocus();
        QCOMPARE(bar->value(), p->count() - p->visibleRows() + 1);
        p->feldWert(1)->setFocus();
        QCOMPARE(bar->value(), 1);
    }
};

VIEWER_TEST_MAIN(InfosysFormTest)

#include "infosys_form_qtest.moc"
