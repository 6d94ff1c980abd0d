// Edit fields, field lists and edit objects as plain client-side objects: their defaults,
// new values, lookups by name and number, and the rows of an edit object.
#include "Common.h"
#include "KLVBoundEditField.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"
#include "KLVEditObject.h"
#include "KLVEditor.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// An editor without connection: everything here must work without the server, and any
// request would throw.
QSharedPointer<KLVEditor> offlineEditor()
{
    return QSharedPointer<KLVEditor>::create();
}

} // namespace

TEST(EditField, NewFieldHasTheServersDefaults)
{
    KLVEditField field;
    EXPECT_EQ(field.Row(), 0);
    EXPECT_TRUE(field.Name().isEmpty());
    EXPECT_TRUE(field.Val().isEmpty());
    EXPECT_TRUE(field.OldVal().isEmpty());
    EXPECT_TRUE(field.TAVArt().isEmpty());
    EXPECT_TRUE(field.KLVType().isEmpty());
    EXPECT_TRUE(field.TrueName().isEmpty());
    EXPECT_TRUE(field.NewVal().isEmpty());
    EXPECT_TRUE(field.IsModifiable());
    EXPECT_FALSE(field.IsModified());
    EXPECT_FALSE(field.HasNewVal());
    EXPECT_FALSE(field.IsSkip());
    EXPECT_FALSE(field.IsCustom());
    EXPECT_FALSE(field.IsAlias());
    EXPECT_EQ(field.ScrProtection(), klvScrProtModifiable);
    EXPECT_EQ(field.PrioDisp(), u"A"_s);
    EXPECT_EQ(field.PrioEdit(), u"A"_s);
    EXPECT_EQ(field.Length(), 0);
}

TEST(EditField, EmptyNewValueIsStillANewValueUntilCleared)
{
    KLVEditField field;
    field.setNewVal(QString());
    EXPECT_TRUE(field.HasNewVal());
    field.setNewVal(u"12"_s);
    EXPECT_EQ(field.NewVal(), u"12"_s);
    field.ClearNewVal();
    EXPECT_FALSE(field.HasNewVal());
    EXPECT_TRUE(field.NewVal().isEmpty());

    // Late-bound callers reach the same through the property.
    EXPECT_TRUE(field.setProperty("NewVal", u"x"_s));
    EXPECT_TRUE(field.property("HasNewVal").toBool());
}

TEST(EditField, TableFieldAndFieldInfoFollowTheRow)
{
    KLVEditField head;
    head.SetName(u"kunde"_s);
    head.SetTrueName(u"kunde"_s);
    EXPECT_FALSE(head.IsTabField());
    EXPECT_TRUE(head.FieldInfo().startsWith(u"kunde: TrueName=[kunde] akt=[] old=[] new=[] modified=False"_s))
        << head.FieldInfo().toStdString();

    KLVEditField row;
    row.SetName(u"menge"_s);
    row.SetRow(1);
    EXPECT_TRUE(row.IsTabField());
    row.SetRow(3);
    row.setNewVal(u"5"_s);
    EXPECT_TRUE(row.FieldInfo().startsWith(u"menge(3): TrueName=[] akt=[] old=[] new=[5]"_s));
    EXPECT_TRUE(row.FieldInfo().endsWith(u" ScrProt=3 PrioDisp=A PrioEdit=A IsCustom=False IsAlias=False"_s));
}

TEST(EditFieldList, ThousandAndFirstFieldKeepsEveryEarlierName)
{
    KLVEditFieldList list;
    for (int i = 1; i <= 1001; ++i)
        list.AddNewField(u"f"_s + QString::number(i));
    EXPECT_EQ(list.FieldCount(), 1001);
    ASSERT_TRUE(list.GetFieldByNumber(1001));
    EXPECT_EQ(list.GetFieldByNumber(1001)->Name(), u"f1001"_s);
    EXPECT_EQ(list.GetFieldByNumber(1)->Name(), u"f1"_s);
    EXPECT_EQ(list.GetFieldByNumber(1000)->Name(), u"f1000"_s);
    EXPECT_EQ(list.FieldNames().size(), 1001);
    EXPECT_EQ(list.FieldNames().last(), u"f1001"_s);
    EXPECT_FALSE(list.GetFieldByNumber(0));
    EXPECT_FALSE(list.GetFieldByNumber(1002));
}

TEST(EditFieldList, NamesDifferingOnlyInCaseCountTwiceButFindTheFirst)
{
    KLVEditFieldList list;
    list.AddNewField(u"Menge"_s, u"1"_s);
    list.AddNewField(u"MENGE"_s, u"2"_s);
    EXPECT_EQ(list.FieldCount(), 2);
    EXPECT_EQ(list.FieldNames(), (QStringList{u"Menge"_s, u"MENGE"_s}));
    EXPECT_EQ(list.GetField(u"MENGE"_s)->NewVal(), u"1"_s);
    EXPECT_EQ(list.GetFieldByNumber(2), list.GetFieldByNumber(1));
}

TEST(EditFieldList, UnknownNameIsAProgrammingFault)
{
    KLVEditFieldList list;
    list.AddNewField(u"kunde"_s);
    EXPECT_THROW(list.GetField(u"lieferant"_s), KLVRuntimeError);
    EXPECT_TRUE(list.FieldNames().size() == 1);
    KLVEditFieldList empty;
    EXPECT_TRUE(empty.FieldNames().isEmpty());
    EXPECT_FALSE(empty.GetFieldByNumber(1));
}

TEST(EditFieldList, AddNewFieldTakesTheListsRowAndAValueOnlyWhenGiven)
{
    KLVEditFieldList list;
    list.SetRow(4);
    list.AddNewField(u"a"_s);
    list.AddNewField(u"b"_s, u"7"_s);
    EXPECT_FALSE(list.GetField(u"a"_s)->HasNewVal());
    EXPECT_TRUE(list.GetField(u"b"_s)->HasNewVal());
    EXPECT_EQ(list.GetField(u"b"_s)->NewVal(), u"7"_s);
    EXPECT_EQ(list.GetField(u"a"_s)->Row(), 4);
}

TEST(EditFieldList, ListsMadeByTheEditorSkipEmptyNamesAndPairValuesByPosition)
{
    auto editor = offlineEditor();
    auto list = editor->CreateEditFieldListAW({u"a"_s, QString(), u"c"_s, u"d"_s}, {u"1"_s, u"2"_s, u"3"_s}, 2);
    EXPECT_EQ(list->FieldNames(), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(list->Row(), 2);
    EXPECT_EQ(list->GetField(u"c"_s)->NewVal(), u"3"_s);
    // A value missing at the end is an empty one: no new value.
    EXPECT_FALSE(list->GetField(u"d"_s)->HasNewVal());

    auto names = editor->CreateEditFieldListA({u"x"_s, u"y"_s});
    EXPECT_EQ(names->FieldCount(), 2);
    EXPECT_FALSE(names->GetField(u"x"_s)->HasNewVal());

    auto single = editor->CreateEditField(u"spr"_s, 3);
    EXPECT_TRUE(single->HasNewVal());
    EXPECT_EQ(single->Row(), 3);
    EXPECT_TRUE(single->NewVal().isEmpty());
}

TEST(EditObject, TableListGivesRowsOfItsFieldsNumberedFromOne)
{
    auto editor = offlineEditor();
    auto object = editor->CreateEditObjectA({u"kunde"_s, u"datum"_s, u"summe"_s},
                                            QVariant(QStringList{u"artikel"_s, u"menge"_s}), 3);
    EXPECT_EQ(object->HeaderFieldNames(), (QStringList{u"kunde"_s, u"datum"_s, u"summe"_s}));
    EXPECT_EQ(object->GetFields(0)->FieldCount(), 3);
    EXPECT_EQ(object->GetFields()->Row(), 0);
    EXPECT_TRUE(object->HasTablePart());
    ASSERT_EQ(object->RowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        auto list = object->GetFields(row);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->Row(), row);
        EXPECT_EQ(list->FieldNames(), (QStringList{u"artikel"_s, u"menge"_s}));
        EXPECT_EQ(object->GetField(u"menge"_s, row)->Row(), row);
    }
    auto appended = object->AppendRow();
    ASSERT_TRUE(appended);
    EXPECT_EQ(appended->Row(), 4);
    EXPECT_EQ(object->RowCount(), 4);
    EXPECT_EQ(object->GetFields(4), appended);

    // Late-bound callers give arrays as variant lists.
    auto variantTable = editor->CreateEditObjectA({u"kunde"_s}, QVariantList{u"artikel"_s}, 1);
    EXPECT_EQ(variantTable->TableFieldNames(), QStringList{u"artikel"_s});
    EXPECT_EQ(variantTable->RowCount(), 1);
}

TEST(EditObject, WithoutTableListThereIsNoTablePart)
{
    auto editor = offlineEditor();
    auto object = editor->CreateEditObjectA({u"kunde"_s}, QVariant(), 5);
    EXPECT_FALSE(object->HasTablePart());
    EXPECT_EQ(object->RowCount(), 0);
    EXPECT_FALSE(object->AppendRow());
    EXPECT_EQ(object->RowCount(), 0);
    // A text is no array of names.
    EXPECT_FALSE(editor->CreateEditObjectA({u"kunde"_s}, QVariant(u"artikel"_s), 2)->HasTablePart());
}

TEST(EditObject, RowOutsideTheTableIsNothing)
{
    auto editor = offlineEditor();
    auto object = editor->CreateEditObjectA({u"kunde"_s}, QVariant(QStringList{u"artikel"_s}), 2);
    EXPECT_FALSE(object->GetFields(3));
    EXPECT_FALSE(object->GetFields(-1));
    EXPECT_FALSE(object->GetField(u"artikel"_s, 3));
    auto headOnly = editor->CreateEditObjectA({u"kunde"_s});
    EXPECT_FALSE(headOnly->GetFields(1));
    EXPECT_TRUE(headOnly->GetField(u"kunde"_s));
    EXPECT_THROW(object->GetField(u"nope"_s, 1), KLVRuntimeError);
}

TEST(EditObject, HeadFromAListTakesItsNames)
{
    auto editor = offlineEditor();
    auto head = editor->CreateEditFieldListA({u"kunde"_s, u"datum"_s});
    head->GetField(u"kunde"_s)->setNewVal(u"K1"_s);
    auto object = editor->CreateEditObjectL(head, QVariant(QStringList{u"artikel"_s}));
    EXPECT_EQ(object->GetFields(0), head);
    EXPECT_EQ(object->HeaderFieldNames(), (QStringList{u"kunde"_s, u"datum"_s}));
    EXPECT_TRUE(object->HasTablePart());
    EXPECT_EQ(object->RowCount(), 0);
}

TEST(BoundEditField, FieldWithoutNewValueUpdatesWithoutARequest)
{
    auto editor = offlineEditor();
    auto field = editor->CreateEditField(u"menge"_s);
    field->ClearNewVal();
    KLVBoundEditField bound;
    bound.InitBoundField(editor, field);
    const QVariant result = bound.Update(true);
    EXPECT_EQ(result.typeId(), QMetaType::Bool);
    EXPECT_TRUE(result.toBool());
    EXPECT_EQ(bound.EditField(), field);
    EXPECT_EQ(bound.Editor(), editor);
}

TEST(BoundEditField, BoundFieldThatCouldNotBeReadFailsQuietly)
{
    KLVBoundEditField bound;
    bound.InitBoundField(offlineEditor(), {});
    EXPECT_FALSE(bound.Update().toBool());
    EXPECT_FALSE(bound.Refresh());
    EXPECT_FALSE(bound.OpenSubEditor());
}

TEST(EditorHelpers, ScreenProtectionAndReferenceKindFromText)
{
    EXPECT_EQ(KLVEditor::ScrProtectionFromText(QString()), klvScrProtModifiable);
    EXPECT_EQ(KLVEditor::ScrProtectionFromText(u"1"_s), klvScrProtProtected);
    EXPECT_EQ(KLVEditor::ScrProtectionFromText(u"2.4"_s), klvScrProtCoreControlled);
    EXPECT_EQ(KLVEditor::RefTypeKeyword(QString()), u"REF"_s);
    EXPECT_EQ(KLVEditor::RefTypeKeyword(u"10"_s), u"NUMSW"_s);
}
