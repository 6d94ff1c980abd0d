// The query window's field list against klvserver: the fields of a table, checks kept over a
// refill, extra fields typed or chosen as reference paths (checked by the server first),
// changed and deleted, groups of fields checked, and the checked rows sorted first.
#include "KLVTools.h"
#include "TestEnvironment.h"
#include "VerknAuswahlForm.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QHeaderView>
#include <QMenu>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

QTreeWidgetItem* entry(QTreeWidget* list, const QString& text)
{
    QStringList all;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == text)
            return list->topLevelItem(i);
        all << list->topLevelItem(i)->text(0);
    }
    qWarning("no entry %s in %s", qPrintable(text), qPrintable(all.join(u',')));
    return nullptr;
}

// Walks the reference-path chooser with double clicks: opens the reference field, then picks
// the data field.
void choosePath(const QString& reference, const QString& field)
{
    whenShown(u"VerknAuswahlForm"_s, [reference, field](QWidget* w) {
        auto* chooser = qobject_cast<VerknAuswahlForm*>(w);
        QTreeWidgetItem* ref = entry(chooser->verwFeldListe(), reference);
        QVERIFY(ref);
        UserInput::doubleClickItem(chooser->verwFeldListe(), ref);
        QTreeWidgetItem* data = entry(chooser->datenFeldListe(), field);
        QVERIFY(data);
        UserInput::doubleClickItem(chooser->datenFeldListe(), data);
    });
}

// The field catalogue's answer for a table of the given fields (name, table flag), in one
// block with the field descriptions, as the server sends it: each field described "Feld <name>".
QStringList fieldAnswer(const QList<QPair<QString, bool>>& fields)
{
    const QString n = QString::number(fields.size());
    const QString columns = u"name|klvtyp|laenge|bez|art|intab|skip|engl|schutz|prioanz|prioed|eigen|alias|orig|"
                            u"bedeutung|bedwb|bednr|prompt|promptwb|promptnr|kopf|kopfwb|kopfnr"_s;
    QStringList lines{u"BOD|0|GFN|"_s + n};
    for (const QString& head : {u"NAME"_s, u"OUTNAME"_s, u"ORIGNAME"_s, u"DESC"_s})
        lines.append(u"DM|0|"_s + head + u'|' + columns);
    lines.append(u"DM|0|TABLEFLAG|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0"_s);
    lines.append(u"DM|0|LENGTH|40|1|10|60|10|4|4|40|3|2|2|4|4|40|60|2|7|40|2|7|40|2|7"_s);
    lines.append(u"DM|0|TYPE|GL40|GL1|I9|GL60|GL10|B|B|GL40|I2|GL2|GL2|B|B|GL40|GL60|GL2|I6|GL40|GL2|I6|GL40|GL2|I6"_s);
    for (const auto& [name, inTable] : fields) {
        const QString desc = u"Feld "_s + name;
        lines.append(u"D|0|%1|A|40|%2|GL40|%3|0|%1|3|A|A|0|0|%1|%2|fd|1|%2|fd|1|%2|fd|1"_s.arg(
            name, desc, inTable ? u"1"_s : u"0"_s));
    }
    lines.append(u"EOD|0|GFN|"_s + n + u"|1"_s);
    return lines;
}

// Picks a data field in the chooser as it opens (at the level of an existing path's last field).
void chooseField(const QString& field)
{
    whenShown(u"VerknAuswahlForm"_s, [field](QWidget* w) {
        auto* chooser = qobject_cast<VerknAuswahlForm*>(w);
        QCOMPARE(chooser->AktEbene(), 1);
        QTreeWidgetItem* data = entry(chooser->datenFeldListe(), field);
        QVERIFY(data);
        UserInput::doubleClickItem(chooser->datenFeldListe(), data);
    });
}

} // namespace

class FieldListTest : public QueryWindowTest
{
    Q_OBJECT

private:
private Q_SLOTS:
    void init()
    {
        server.setScript({});
        server.clearReceived();
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
    }

    void aTablesFieldsComeWithKeysTagsAndTheServersWords()
    {
        QTreeWidget* fields = form->feldListe();
        const int n = fields->topLevelItemCount();
        QVERIFY(n > 20);
        QCOMPARE(form->panelText(2), u"Kunde:Kunde: "_s + QString::number(n) + u' ' + GetMessageTextByNr(128));
        QCOMPARE(fields->columnCount(), KLVTools().FieldFieldCount());
        QCOMPARE(fields->headerItem()->text(3), GetMessageTextByNr(1554));
        const QTreeWidgetItem* name = row(fields, u"name"_s);
        QVERIFY(name);
        QCOMPARE(name->data(0, QueryForm::RowKeyRole).toString(), u"name#0#S"_s);
        QCOMPARE(form->FieldTag2QueryFldName(name->data(0, ListViewHelpers::RowTagRole).toString()), u"0:name"_s);
        QCOMPARE(name->checkState(0), Qt::Unchecked);
        // The table-field column (a Boolean) speaks the server's words.
        QCOMPARE(name->text(5), Bool2ErpText(false));
        QVERIFY(server.receivedLines().contains(u"GFN|0|1:1||200|QUERY|1"_s) ||
                !linesStartingWith(server, u"GFN|0|1:1||"_s).isEmpty());
    }

    void aRefillKeepsTheChecksOnlyWhenAsked()
    {
        check(form, {u"name"_s, u"ort"_s});
        form->FillFeldListe(true);
        QCOMPARE(checkedKeys(form->feldListe()), (QStringList{u"name#0#S"_s, u"ort#0#S"_s}));
        QTest::keyClick(form->feldListe(), Qt::Key_F5);
        QCOMPARE(checkedKeys(form->feldListe()), (QStringList{u"name#0#S"_s, u"ort#0#S"_s}));
        form->FillFeldListe(false);
        QVERIFY(checkedKeys(form->feldListe()).isEmpty());
    }

    void typedExpressionsAreCheckedByTheServerBeforeTheyAreAdded()
    {
        MessageBoxes boxes;
        QTreeWidget* fields = form->feldListe();
        const int n = fields->topLevelItemCount();

        // Shift+Insert asks for an expression; the server knows it: a checked, selected row.
        InputBox seen;
        answerInputBox(u"vertreter^name"_s, &seen);
        QTest::keyClick(fields, Qt::Key_Insert, Qt::ShiftModifier);
        QVERIFY(seen.shown);
        QCOMPARE(seen.prompt, GetMessageTextByNr(131) + u"\r\n"_s + GetMessageTextByNr(132));
        QCOMPARE(fields->topLevelItemCount(), n + 1);
        QTreeWidgetItem* added = fields->topLevelItem(n);
        QCOMPARE(added->text(0), u"vertreter^name"_s);
        QCOMPARE(added->data(0, QueryForm::RowKeyRole).toString(), u"vertreter^name#0#E"_s);
        QCOMPARE(added->checkState(0), Qt::Checked);
        QCOMPARE(fields->currentItem(), added);
        QVERIFY(server.receivedLines().filter(u"GFN|0|1:1|vertreter^name|"_s).size() == 1);

        // A name the server does not know is refused, and the box comes back with it; the
        // same expression a second time is refused by the list itself.
        QList<InputBox> boxesSeen;
        answerInputBoxes({u"gibtsnicht"_s, u"vertreter^name"_s, QString()}, &boxesSeen);
        form->AddExtraFeld(true);
        QCOMPARE(boxesSeen.size(), 3);
        QCOMPARE(boxesSeen[1].defaultText, u"gibtsnicht"_s);
        QCOMPARE(boxesSeen[2].defaultText, u"vertreter^name"_s);
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts[0].startsWith(GetMessageTextByNr(136) + u" gibtsnicht"_s));
        QCOMPARE(boxes.texts[1], GetMessageTextByNr(129) + u" vertreter^name"_s);
        QCOMPARE(fields->topLevelItemCount(), n + 1);

        // A saved query's field with its check-state prefix comes in under its own name.
        int position = 0;
        QCOMPARE(form->InsertExtraFeld(u"1:plz"_s, false, position, true), 1);
        QVERIFY(row(fields, u"plz"_s) != fields->topLevelItem(n + 1));
        QCOMPARE(fields->topLevelItem(n + 1)->text(0), u"plz"_s);
        QCOMPARE(form->InsertVerknFeld(u"plz"_s, false, position, true), 4);
        boxes.answer = QMessageBox::Cancel;
        QCOMPARE(form->InsertVerknFeld(u"plz"_s, false, position, true), 2);
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(135) + u" plz"_s);
    }

    void aReferencePathIsChosenChangedAndDeletedWithItsColumn()
    {
        MessageBoxes boxes;
        QTreeWidget* fields = form->feldListe();
        const int n = fields->topLevelItemCount();
        choosePath(u"vertreter"_s, u"name"_s);
        QTest::keyClick(fields, Qt::Key_Insert);
        QCOMPARE(fields->topLevelItemCount(), n + 1);
        QTreeWidgetItem* path = fields->topLevelItem(n);
        QCOMPARE(path->text(0), u"vertreter^name"_s);
        QCOMPARE(path->checkState(0), Qt::Checked);

        // Its result column comes with the next run; deleting the row takes it away too.
        check(form, {u"nummer"_s});
        QVERIFY(form->UpdateDataColumns());
        QCOMPARE(form->BuildFldLst(), u"0:nummer,0:vertreter^name"_s);

        // Changing it to its own path changes nothing; to another one replaces the row.
        fields->setCurrentItem(path);
        chooseField(u"name"_s);
        QTest::keyClick(fields, Qt::Key_F2);
        QCOMPARE(fields->topLevelItem(n)->text(0), u"vertreter^name"_s);
        chooseField(u"such"_s);
        form->ChangeExtraFeld(u"vertreter^name#0#E"_s, false);
        QCOMPARE(fields->topLevelItemCount(), n + 1);
        QCOMPARE(fields->topLevelItem(n)->text(0), u"vertreter^such"_s);
        QCOMPARE(form->BuildFldLst(), u"0:nummer"_s);

        // Delete on the last row removes it and selects the new last row.
        form->UpdateDataColumns();
        QCOMPARE(form->BuildFldLst(), u"0:nummer,0:vertreter^such"_s);
        fields->setCurrentItem(fields->topLevelItem(n));
        QTest::keyClick(fields, Qt::Key_Delete);
        QCOMPARE(fields->topLevelItemCount(), n);
        QCOMPARE(fields->currentItem(), fields->topLevelItem(n - 1));
        QCOMPARE(form->BuildFldLst(), u"0:nummer"_s);
        // Catalogue fields are not deleted.
        QTest::keyClick(fields, Qt::Key_Delete);
        QCOMPARE(fields->topLevelItemCount(), n);
        QVERIFY(boxes.texts.isEmpty());
    }

    void rangesCheckUncheckOrInvertTheirFieldsAndCheckedRowsSortFirst()
    {
        QVERIFY(openTable(form, u"Artikel:Artikel"_s));
        QTreeWidget* fields = form->feldListe();
        const QStringList tablePart{u"abmenge#1#S"_s, u"stpreis#1#S"_s, u"gueltig#1#S"_s};
        form->SetAllFieldsSelection(3, 1);
        QCOMPARE(checkedKeys(fields), tablePart);
        // Inverting the head fields leaves the table part as it is.
        form->SetAllFieldsSelection(2, 3);
        QCOMPARE(checkedKeys(fields).size(), fields->topLevelItemCount());
        form->SetAllFieldsSelection(2, 2);
        QCOMPARE(checkedKeys(fields), tablePart);
        form->SetAllFieldsSelection(1, 3);
        QCOMPARE(checkedKeys(fields).size(), fields->topLevelItemCount() - 3);
        form->SetAllFieldsSelection(1, 2);
        QVERIFY(checkedKeys(fields).isEmpty());

        // Checked rows first, in their order; the rest keep theirs.
        const QStringList before = column(fields);
        check(form, {u"gueltig"_s, u"preis"_s});
        form->ResortFeldListe(-1);
        QStringList expected{u"preis"_s, u"gueltig"_s};
        for (const QString& t : before) {
            if (!expected.contains(t))
                expected.append(t);
        }
        QCOMPARE(column(fields), expected);
        form->ResortFeldListe(-1);
        QCOMPARE(column(fields), expected);
    }

    void aHeaderClickSortsTheFieldsBothWays()
    {
        QTreeWidget* fields = form->feldListe();
        QHeaderView* header = fields->header();
        const QStringList names = column(fields);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(fields), sorted);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        UserInput::clickHeader(header, 0);
        std::reverse(sorted.begin(), sorted.end());
        QCOMPARE(column(fields), sorted);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        auto* sortMenu = viewer.window->findChild<QMenu*>(u"FldListeSortByFeldMenue"_s);
        QVERIFY(sortMenu->actions().first()->isChecked());
    }

    void aWideTablesFieldsComeInTheServersOrderEachKeyOnce()
    {
        // 3,000 fields: a name again within the first hundred rows, one again far behind its
        // first row, a nameless one, and a table field named like a head field (a key of its own).
        QList<QPair<QString, bool>> answer;
        QStringList shown;
        for (int i = 1; i <= 3000; ++i) {
            const QString name = u"f%1"_s.arg(i, 4, 10, QChar(u'0'));
            answer.append({name, false});
            shown.append(name);
        }
        answer[59] = {u"f0010"_s, false};
        answer[2499] = {u"f0003"_s, false};
        answer[1199] = {QString(), false};
        answer[19] = {u"f0019"_s, true};
        for (int i : {2499, 1199, 59})
            shown.removeAt(i);
        shown[19] = u"f0019"_s;
        server.setScript([lines = fieldAnswer(answer)](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"GFN|0|1:1||"_s))
                return false;
            for (const QString& l : lines)
                reply.sendLine(l);
            return true;
        });
        MessageBoxes boxes;
        QTreeWidget* fields = form->feldListe();
        QTest::keyClick(fields, Qt::Key_F5);
        QCOMPARE(column(fields), shown);
        const QString refused = GetMessageTextByNr(129) + u' ';
        QCOMPARE(boxes.texts, (QStringList{refused + u"f0010"_s, refused, refused + u"f0003"_s}));
        QCOMPARE(form->panelText(2), u"Kunde:Kunde: 2997 "_s + GetMessageTextByNr(128));
        const QTreeWidgetItem* tableField = fields->topLevelItem(19);
        QCOMPARE(tableField->data(0, QueryForm::RowKeyRole).toString(), u"f0019#1#S"_s);
        QCOMPARE(tableField->text(3), u"Feld f0019"_s);
        QCOMPARE(tableField->text(5), Bool2ErpText(true));
        QCOMPARE(fields->topLevelItem(18)->text(5), Bool2ErpText(false));

        // The checks come back on their keys over a refill, and the checked rows sort first
        // with the current row kept.
        check(form, {u"f2999"_s, u"f0019"_s, u"f0500"_s});
        QTest::keyClick(fields, Qt::Key_F5);
        const QStringList checked{u"f0019#0#S"_s, u"f0500#0#S"_s, u"f2999#0#S"_s};
        QCOMPARE(checkedKeys(fields), checked);
        QTreeWidgetItem* current = row(fields, u"f1500"_s);
        UserInput::clickItem(fields, current);
        form->ResortFeldListe(-1);
        QCOMPARE(column(fields).mid(0, 4), (QStringList{u"f0019"_s, u"f0500"_s, u"f2999"_s, u"f0001"_s}));
        QCOMPARE(fields->currentItem(), current);
        QVERIFY(current->isSelected());

        // After a sort by a header the list still knows its keys: a field it shows is refused,
        // a new one goes in once.
        UserInput::clickHeader(fields->header(), 0);
        boxes.texts.clear();
        const auto record = [](const QString& name) {
            return QStringList{name, u"A"_s, u"40"_s, name, u"GL40"_s, u"0"_s};
        };
        QVERIFY(!form->InsertFeld(u"f0005"_s, record(u"f0005"_s), {}, false, false, false, 0));
        QVERIFY(form->InsertFeld(u"f9999"_s, record(u"f9999"_s), {}, false, false, false, 0));
        QVERIFY(!form->InsertFeld(u"f9999"_s, record(u"f9999"_s), {}, false, false, false, 0));
        QCOMPARE(boxes.texts, (QStringList{refused + u"f0005"_s, refused + u"f9999"_s}));
        QCOMPARE(fields->topLevelItemCount(), 2998);
    }

    void aDoubleClickInvertsAFieldOrOpensThePathChooserOnAReference()
    {
        QTreeWidget* fields = form->feldListe();
        QTreeWidgetItem* name = row(fields, u"name"_s);
        UserInput::doubleClickItem(fields, name);
        QCOMPARE(name->checkState(0), Qt::Checked);
        UserInput::doubleClickItem(fields, name);
        QCOMPARE(name->checkState(0), Qt::Unchecked);

        choosePath(u"vertreter"_s, u"email"_s);
        UserInput::doubleClickItem(fields, row(fields, u"vertreter"_s));
        QVERIFY(row(fields, u"vertreter^email"_s));
    }
};

VIEWER_TEST_MAIN(FieldListTest)

#include "fieldlist_qtest.moc"
