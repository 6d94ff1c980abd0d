// Field lists, rows and edit objects read from and written to the server: how answers of
// "GFV" become lists, how new values go back in one batch, and what survives a failure.
#include "KLVBoundEditField.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"
#include "KLVEditObject.h"
#include "KLVResultSet.h"
#include "editor_scripted.h"

namespace {

class EditObjectWireTest : public ScriptedEditorTest
{
protected:
    // Answers the status request for key with value.
    void status(const QString& key, const QString& value)
    {
        on(u"GTS|77|"_s + key, {u"D|77|"_s + key + u'|' + value, u"EOD|77"_s});
    }

    QStringList sentWith(const QString& word)
    {
        QStringList lines;
        for (const QString& line : received())
            if (line.startsWith(word))
                lines << line;
        return lines;
    }
};

} // namespace

TEST_F(EditObjectWireTest, ListOfNamedFieldsTakesTheNamesAsAskedAndStopsAtTheNextRow)
{
    begin();
    on(u"GFV|77|2|Artikel(0),menge"_s,
       {propertyRecord(u"77"_s, 2, u"artikel"_s, u"A-1"_s), propertyRecord(u"77"_s, 2, u"menge"_s, u"4"_s, u"N8.2"_s),
        propertyRecord(u"77"_s, 3, u"artikel"_s, u"A-2"_s), u"EOD|77"_s});
    auto list = editor->GetEditFieldListA({u"Artikel(0)"_s, u"menge"_s}, 2);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Row(), 2);
    EXPECT_EQ(list->FieldNames(), (QStringList{u"Artikel(0)"_s, u"menge"_s}));
    auto article = list->GetField(u"artikel(0)"_s);
    EXPECT_EQ(article->Name(), u"Artikel(0)"_s);
    EXPECT_EQ(article->TrueName(), u"artikel"_s);
    EXPECT_EQ(article->Val(), u"A-1"_s);
    EXPECT_EQ(article->OldVal(), u"old-A-1"_s);
    EXPECT_EQ(article->Row(), 2);
    EXPECT_TRUE(article->IsModifiable());
    EXPECT_EQ(article->PrioDisp(), u"A"_s);
    EXPECT_EQ(article->PrioEdit(), u"B"_s);
    EXPECT_EQ(article->ScrProtection(), klvScrProtModifiable);
    EXPECT_EQ(article->Length(), 20);
    EXPECT_FALSE(article->HasNewVal());
    EXPECT_EQ(list->GetFieldByNumber(2)->TAVArt(), u"N8.2"_s);

    // The same through the text form.
    server().clearReceived();
    editor->GetEditFieldList(u"Artikel(0),menge"_s, 2);
    EXPECT_EQ(received(), QStringList{u"GFV|77|2|Artikel(0),menge"_s});
}

TEST_F(EditObjectWireTest, EmptyNameListReadsEveryFieldOfTheFirstRowUnderItsTrueName)
{
    begin();
    on(u"GFV|77||"_s,
       {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), propertyRecord(u"77"_s, 0, u"datum"_s, u"1.2.24"_s),
        propertyRecord(u"77"_s, 1, u"artikel"_s, u"A-1"_s), u"EOD|77"_s});
    auto list = editor->GetEditFieldListA2({});
    ASSERT_TRUE(list);
    EXPECT_EQ(list->FieldNames(), (QStringList{u"kunde"_s, u"datum"_s}));
    auto again = editor->GetEditFieldListA2({QString()});
    EXPECT_EQ(again->FieldCount(), 2);
    EXPECT_EQ(received().last(), u"GFV|77||"_s);

    on(u"GFV|77|0|"_s, {u"EOD|77"_s});
    auto none = editor->GetEditFieldList();
    ASSERT_TRUE(none);
    EXPECT_EQ(none->FieldCount(), 0);

    once(u"GFV|"_s, {u"NAK|77|not now|1|"_s});
    EXPECT_FALSE(editor->GetEditFieldList());
    EXPECT_EQ(editor->GetLastError(), u"not now"_s);
}

TEST_F(EditObjectWireTest, SingleFieldDoesNotTestForUnknownFieldsButNeedsARecord)
{
    begin();
    on(u"GFV|77|0|x"_s, {u"D|77|0|x|||0|0|-|A|0|0||A|A|0|0"_s, u"EOD|77"_s});
    auto field = editor->GetEditField(u"x"_s);
    ASSERT_TRUE(field);
    EXPECT_EQ(field->TAVArt(), u"-"_s);
    EXPECT_EQ(field->PrioDisp(), u"A"_s);

    on(u"GFV|77|1|y"_s, {u"EOD|77"_s});
    EXPECT_FALSE(editor->GetEditField(u"y"_s, 1));
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));
}

TEST_F(EditObjectWireTest, RowsOfTheAnswerBecomeOneListEach)
{
    begin();
    on(u"GFV|77|*|artikel,menge"_s,
       {propertyRecord(u"77"_s, 1, u"artikel"_s, u"A-1"_s), propertyRecord(u"77"_s, 1, u"menge"_s, u"1"_s),
        propertyRecord(u"77"_s, 2, u"artikel"_s, u"A-2"_s), propertyRecord(u"77"_s, 2, u"menge"_s, u"2"_s),
        propertyRecord(u"77"_s, 4, u"artikel"_s, u"A-4"_s), u"EOD|77"_s});
    const KLVEditFieldListArray rows = editor->GetEditRows(u"artikel,menge"_s, u"*"_s);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0]->Row(), 1);
    EXPECT_EQ(rows[1]->GetField(u"menge"_s)->Val(), u"2"_s);
    EXPECT_EQ(rows[2]->Row(), 4);
    EXPECT_EQ(rows[2]->FieldNames(), QStringList{u"artikel"_s});

    on(u"GFV|77|9-12|"_s, {u"EOD|77"_s});
    EXPECT_TRUE(editor->GetEditRowsA({}, u"9-12"_s).isEmpty());
    once(u"GFV|77|*|"_s, {u"NAK|77|no table|1|"_s});
    EXPECT_TRUE(editor->GetEditRowsA({}, u"*"_s).isEmpty());
    EXPECT_EQ(editor->GetLastError(), u"no table"_s);
}

TEST_F(EditObjectWireTest, UpdateWithoutNewValuesSendsNothing)
{
    begin();
    auto list = editor->CreateEditFieldListA({u"a"_s, u"b"_s}, 0);
    EXPECT_EQ(editor->UpdateEditFields(list), list);
    EXPECT_TRUE(received().isEmpty());
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditObjectWireTest, NewValuesGoInOneBatchAndAreClearedWhenTheServerTookThem)
{
    begin();
    auto list = editor->CreateEditFieldListAW({u"kunde"_s, u"datum"_s, u"KUNDE"_s, u"summe"_s},
                                              {u"K1"_s, QString(), u"K2"_s, u"a|b"_s}, 3);
    EXPECT_EQ(editor->UpdateEditFields(list), list);
    // The field held under two names goes once, with the first name's value.
    EXPECT_EQ(received(), (QStringList{u"SFV|77|3|kunde|K1|0"_s, u"SFV|77|3|summe|a\\|b|0"_s}));
    EXPECT_FALSE(list->GetField(u"kunde"_s)->HasNewVal());
    EXPECT_FALSE(list->GetField(u"summe"_s)->HasNewVal());
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditObjectWireTest, RefusedBatchKeepsTheNewValuesForAnotherTry)
{
    begin();
    once(u"SFV|77|0|kunde"_s, {u"ACK|77"_s});
    once(u"SFV|77|0|datum"_s, {u"E|77|Bad date|FIELD|40|0|datum"_s, u"NAK|77|Bad date|40|"_s});
    once(u"SFV|77|0|summe"_s, {u"ACK|77"_s});
    auto list = editor->CreateEditFieldListAW({u"kunde"_s, u"datum"_s, u"summe"_s}, {u"K1"_s, u"31.2."_s, u"9"_s});
    EXPECT_EQ(editor->UpdateEditFields(list), list);
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(26));
    EXPECT_EQ(editor->GetLastKLVError()->Number(), 0);
    EXPECT_FALSE(editor->GetLastKLVError()->ErrorMessages().isEmpty());
    EXPECT_TRUE(list->GetField(u"kunde"_s)->HasNewVal());
    EXPECT_EQ(list->GetField(u"datum"_s)->NewVal(), u"31.2."_s);

    // With a reload asked for, a failure gives nothing back.
    once(u"SFV|77|0|datum"_s, {u"NAK|77|Bad date|40|"_s});
    EXPECT_FALSE(editor->UpdateEditFields(list, true));
    EXPECT_TRUE(list->GetField(u"summe"_s)->HasNewVal());

    // The values are still there to be sent once they are right.
    list->GetField(u"datum"_s)->setNewVal(u"29.2."_s);
    server().clearReceived();
    on(u"GFV|77|0|kunde,datum,summe"_s,
       {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), propertyRecord(u"77"_s, 0, u"datum"_s, u"29.2."_s),
        propertyRecord(u"77"_s, 0, u"summe"_s, u"9"_s), u"EOD|77"_s});
    auto reloaded = editor->UpdateEditFields(list, true);
    ASSERT_TRUE(reloaded);
    EXPECT_NE(reloaded, list);
    EXPECT_EQ(reloaded->GetField(u"datum"_s)->Val(), u"29.2."_s);
    EXPECT_EQ(sentWith(u"SFV"_s).size(), 3);
    EXPECT_FALSE(list->GetField(u"datum"_s)->HasNewVal());
}

TEST_F(EditObjectWireTest, MoreNewValuesThanOneBatchHoldsAreRefusedBeforeAnythingIsSent)
{
    begin();
    QStringList names;
    QStringList values;
    for (int i = 1; i <= KLVResultSet::MaxBatchCommands + 1; ++i) {
        names << u"f"_s + QString::number(i);
        values << QString::number(i);
    }
    auto list = editor->CreateEditFieldListAW(names, values);
    EXPECT_EQ(editor->UpdateEditFields(list), list);
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(26));
    EXPECT_TRUE(received().isEmpty());
    EXPECT_TRUE(list->GetFieldByNumber(1)->HasNewVal());

    // A full batch still goes, and nothing of the refused one is left behind in it.
    list->GetFieldByNumber(1)->ClearNewVal();
    EXPECT_EQ(editor->UpdateEditFields(list), list);
    EXPECT_TRUE(editor->GetLastError().isEmpty());
    EXPECT_EQ(received().size(), KLVResultSet::MaxBatchCommands);
    EXPECT_EQ(received().first(), u"SFV|77|0|f2|2|0"_s);
}

TEST_F(EditObjectWireTest, ObjectReadsHeadThenRowsOfTheTable)
{
    begin();
    on(u"GFV|77|0|kunde,summe"_s,
       {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), propertyRecord(u"77"_s, 0, u"summe"_s, u"12"_s), u"EOD|77"_s});
    status(u"HASTABLE"_s, u"1"_s);
    status(u"NUMROWS"_s, u"2"_s);
    on(u"GFV|77|*|artikel"_s, {propertyRecord(u"77"_s, 1, u"artikel"_s, u"A-1"_s),
                               propertyRecord(u"77"_s, 2, u"artikel"_s, u"A-2"_s), u"EOD|77"_s});
    auto object = editor->GetEditObjectA({u"kunde"_s, u"summe"_s}, QVariant(QStringList{u"artikel"_s}));
    ASSERT_TRUE(object);
    EXPECT_EQ(received(), (QStringList{u"GFV|77|0|kunde,summe"_s, u"GTS|77|HASTABLE"_s, u"GTS|77|NUMROWS"_s,
                                       u"GFV|77|*|artikel"_s}));
    EXPECT_EQ(object->GetField(u"summe"_s)->Val(), u"12"_s);
    ASSERT_EQ(object->RowCount(), 2);
    EXPECT_EQ(object->GetField(u"artikel"_s, 2)->Val(), u"A-2"_s);
    EXPECT_EQ(object->TableFieldNames(), QStringList{u"artikel"_s});
    EXPECT_FALSE(object->GetFields(3));

    // The text form, and a refresh: new objects, the old one stays.
    server().clearReceived();
    auto byText = editor->GetEditObject(u"kunde,summe"_s, QVariant(u"artikel"_s));
    ASSERT_TRUE(byText);
    EXPECT_EQ(byText->RowCount(), 2);
    auto refreshed = editor->RefreshEditObject(object);
    ASSERT_TRUE(refreshed);
    EXPECT_NE(refreshed, object);
    EXPECT_EQ(refreshed->RowCount(), 2);
}

TEST_F(EditObjectWireTest, ObjectWithEmptyTableHasATablePartWithoutRows)
{
    begin();
    on(u"GFV|77|0|kunde"_s, {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), u"EOD|77"_s});
    status(u"HASTABLE"_s, u"1"_s);
    status(u"NUMROWS"_s, u"0"_s);
    auto object = editor->GetEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}));
    ASSERT_TRUE(object);
    EXPECT_TRUE(object->HasTablePart());
    EXPECT_EQ(object->RowCount(), 0);
    EXPECT_TRUE(sentWith(u"GFV|77|*"_s).isEmpty());

    // An object kind without a table part.
    status(u"HASTABLE"_s, u"0"_s);
    auto head = editor->GetEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}));
    EXPECT_FALSE(head->HasTablePart());

    once(u"GFV|77|0|kunde"_s, {u"NAK|77|gone|1|"_s});
    EXPECT_FALSE(editor->GetEditObjectA({u"kunde"_s}));
}

TEST_F(EditObjectWireTest, OlderServersAreReadRowByRow)
{
    auto older = QSharedPointer<KLV>::create();
    older->setClientKLVVersion(u"3.02"_s);
    ASSERT_TRUE(logOn(*older));
    editor = older->CreateEditor();
    begin();
    on(u"GFV|77|0|kunde"_s, {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), u"EOD|77"_s});
    status(u"NUMROWS"_s, u"2"_s);
    on(u"GFV|77|1|artikel"_s, {propertyRecord(u"77"_s, 1, u"artikel"_s, u"A-1"_s), u"EOD|77"_s});
    on(u"GFV|77|2|artikel"_s, {propertyRecord(u"77"_s, 2, u"artikel"_s, u"A-2"_s), u"EOD|77"_s});
    auto object = editor->GetEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}));
    ASSERT_TRUE(object);
    EXPECT_EQ(received(), (QStringList{u"GFV|77|0|kunde"_s, u"GTS|77|NUMROWS"_s, u"GFV|77|1|artikel"_s,
                                       u"GTS|77|NUMROWS"_s, u"GFV|77|2|artikel"_s}));
    ASSERT_EQ(object->RowCount(), 2);
    EXPECT_EQ(object->GetField(u"artikel"_s, 2)->Val(), u"A-2"_s);
}

TEST_F(EditObjectWireTest, UpdateInsertsTheRowsTheServerLacksBeforeFillingThem)
{
    begin();
    status(u"NUMROWS"_s, u"1"_s);
    auto object = editor->CreateEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}), 3);
    object->GetField(u"kunde"_s)->setNewVal(u"K9"_s);
    for (int row = 1; row <= 3; ++row)
        object->GetField(u"artikel"_s, row)->setNewVal(u"A-"_s + QString::number(row));
    EXPECT_EQ(editor->UpdateEditObject(object), object);
    EXPECT_EQ(received(),
              (QStringList{u"SFV|77|0|kunde|K9|0"_s, u"GTS|77|NUMROWS"_s, u"SFV|77|1|artikel|A-1|0"_s, u"RIN|77|2"_s,
                           u"SFV|77|2|artikel|A-2|0"_s, u"RIN|77|3"_s, u"SFV|77|3|artikel|A-3|0"_s}));
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditObjectWireTest, FirstFailureOfAnObjectUpdateStaysTheLastError)
{
    begin();
    status(u"NUMROWS"_s, u"2"_s);
    once(u"SFV|77|0|kunde"_s, {u"NAK|77|Customer blocked|77|"_s});
    auto object = editor->CreateEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}), 2);
    object->GetField(u"kunde"_s)->setNewVal(u"K9"_s);
    object->GetField(u"artikel"_s, 2)->setNewVal(u"A-2"_s);
    EXPECT_EQ(editor->UpdateEditObject(object), object);
    EXPECT_EQ(received().last(), u"SFV|77|2|artikel|A-2|0"_s);
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(26));
    EXPECT_TRUE(object->GetField(u"kunde"_s)->HasNewVal());
    EXPECT_FALSE(object->GetField(u"artikel"_s, 2)->HasNewVal());

    // Also when the object is read again afterwards.
    once(u"SFV|77|0|kunde"_s, {u"NAK|77|Customer blocked|77|"_s});
    status(u"HASTABLE"_s, u"1"_s);
    on(u"GFV|77|0|kunde"_s, {propertyRecord(u"77"_s, 0, u"kunde"_s, u"K1"_s), u"EOD|77"_s});
    on(u"GFV|77|*|artikel"_s, {propertyRecord(u"77"_s, 1, u"artikel"_s, u"A-1"_s),
                               propertyRecord(u"77"_s, 2, u"artikel"_s, u"A-2"_s), u"EOD|77"_s});
    auto reloaded = editor->UpdateEditObject(object, true);
    ASSERT_TRUE(reloaded);
    EXPECT_NE(reloaded, object);
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(26));
}

TEST_F(EditObjectWireTest, UnreadableRowCountStopsAnObjectUpdateBeforeTheRows)
{
    begin();
    once(u"GTS|77|NUMROWS"_s, {u"NAK|77|busy|3|"_s});
    auto object = editor->CreateEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}), 2);
    object->GetField(u"artikel"_s, 1)->setNewVal(u"A-1"_s);
    editor->UpdateEditObject(object);
    EXPECT_EQ(received(), QStringList{u"GTS|77|NUMROWS"_s});
    EXPECT_EQ(editor->GetLastError(), u"busy"_s);
    EXPECT_TRUE(object->GetField(u"artikel"_s, 1)->HasNewVal());

    // A refused insert ends the rows there: later ones would land in the wrong place.
    status(u"NUMROWS"_s, u"0"_s);
    once(u"RIN|77|1"_s, {u"NAK|77|table full|4|"_s});
    server().clearReceived();
    editor->UpdateEditObject(object);
    EXPECT_EQ(received(), (QStringList{u"GTS|77|NUMROWS"_s, u"RIN|77|1"_s}));
    EXPECT_EQ(editor->GetLastError(), u"table full"_s);
}

TEST_F(EditObjectWireTest, BoundFieldWritesItselfBackAndReloads)
{
    begin();
    on(u"GFV|77|2|menge"_s, {propertyRecord(u"77"_s, 2, u"menge"_s, u"4"_s), u"EOD|77"_s});
    auto bound = editor->GetBoundEditField(u"menge"_s, u"2"_s);
    ASSERT_TRUE(bound->EditField());
    EXPECT_EQ(bound->Editor(), editor);
    auto before = bound->EditField();
    before->setNewVal(u"5"_s);

    server().clearReceived();
    EXPECT_TRUE(bound->Update().toBool());
    EXPECT_EQ(received(), QStringList{u"SFV|77|2|menge|5|0"_s});
    EXPECT_TRUE(before->HasNewVal());
    EXPECT_EQ(bound->EditField(), before);

    EXPECT_TRUE(bound->Update(true).toBool());
    EXPECT_NE(bound->EditField(), before);
    EXPECT_FALSE(bound->EditField()->HasNewVal());

    // A failed reload keeps the field it has.
    auto current = bound->EditField();
    on(u"GFV|77|2|menge"_s, {u"EOD|77"_s});
    EXPECT_FALSE(bound->Refresh());
    EXPECT_EQ(bound->EditField(), current);
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));

    once(u"SUB|0|77|2|menge"_s, {u"ACK|S1"_s});
    auto sub = bound->OpenSubEditor();
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->EditTID(), u"S1"_s);

    // A field the server did not give still comes back bound, without a field.
    on(u"GFV|77||nix"_s, {u"EOD|77"_s});
    auto unbound = editor->GetBoundEditField(u"nix"_s);
    ASSERT_TRUE(unbound);
    EXPECT_FALSE(unbound->EditField());
}
