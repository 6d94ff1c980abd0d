// The editor on the wire: how transactions begin and end, sub-editors, status and option
// requests, field values and properties, free texts, rows, and where its messages go.
#include "KLVBoundEditField.h"
#include "KLVEditField.h"
#include "KLVResultSet.h"
#include "editor_scripted.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using EditorWireTest = ScriptedEditorTest;

QString repeated(QChar c, qsizetype n)
{
    return QString(n, c);
}

} // namespace

TEST_F(EditorWireTest, BeginLinesNameDatabaseGroupAndReferenceKind)
{
    EXPECT_TRUE(editor->BeginEditNew(u"10"_s, QString()));
    EXPECT_TRUE(editor->BeginEditNew(u"10"_s, u"2"_s));
    EXPECT_TRUE(editor->BeginEditNewCopy(u"(10,2,5)"_s));
    EXPECT_TRUE(editor->BeginEditNewCopy(u"K-100"_s, u"10"_s));
    EXPECT_TRUE(editor->BeginEdit(u"(10,1,7)"_s));
    EXPECT_TRUE(editor->BeginEdit(u"K-100"_s, u"10"_s));
    EXPECT_TRUE(editor->BeginDelete(u"(10,1,7)"_s));
    EXPECT_TRUE(editor->BeginView(u"K-100"_s, u"10"_s));
    EXPECT_TRUE(editor->BeginEditCmd(u"43"_s, u"a|b"_s));
    EXPECT_TRUE(editor->BeginEditOperation(editGet, u"65"_s, QString(), refTypeNumSW, u"12"_s));
    EXPECT_TRUE(editor->BeginEditOperationM(editStore, u"10"_s, u"1"_s, refTypeRef, u"(10,1,7)"_s, u"M3"_s, u"P"_s));
    EXPECT_EQ(received(), (QStringList{u"NEW|0|10|EMPTY|"_s, u"NEW|0|10:2|EMPTY|"_s, u"NEW|0||REF|(10,2,5)"_s,
                                       u"NEW|0|10|NUMSW|K-100"_s, u"UPD|0||REF|(10,1,7)"_s, u"UPD|0|10|NUMSW|K-100"_s,
                                       u"DEL|0||REF|(10,1,7)"_s, u"VIE|0|10|NUMSW|K-100"_s, u"EDI|0|DO|43||a\\|b||"_s,
                                       u"EDI|0|GET|65|NUMSW|12||"_s, u"EDI|0|STORE|10:1|REF|(10,1,7)|M3|P"_s}));
}

TEST_F(EditorWireTest, ActionOrReferenceKindOutsideItsEnumerationIsRefusedBeforeSending)
{
    EXPECT_THROW(editor->BeginEditOperation(Edit_Action(0), u"10"_s, QString(), refTypeRef, u"x"_s), KLVRuntimeError);
    EXPECT_THROW(editor->BeginEditOperation(Edit_Action(19), u"10"_s, QString(), refTypeRef, u"x"_s), KLVRuntimeError);
    EXPECT_THROW(editor->BeginEditOperation(editGet, u"10"_s, QString(), Edit_RefType(4), u"x"_s), KLVRuntimeError);
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(EditorWireTest, TransactionIdOfTheBeginAnswerTravelsWithEveryLaterCommand)
{
    once(u"NEW|0|"_s, {u"ACK|T42"_s});
    ASSERT_TRUE(editor->BeginEditNew(u"10"_s));
    EXPECT_EQ(editor->EditTID(), u"T42"_s);
    EXPECT_TRUE(editor->SetFieldVal(u"name"_s, u"Meier"_s));
    EXPECT_TRUE(editor->EndEditSave());
    EXPECT_TRUE(editor->EndEditCancel());
    EXPECT_TRUE(editor->SaveReload());
    EXPECT_EQ(editor->EditTID(), u"T42"_s);
    EXPECT_EQ(received().mid(1), (QStringList{u"SFV|T42|0|name|Meier|0"_s, u"COM|T42"_s, u"CAN|T42"_s, u"SAV|T42"_s}));

    // A refused begin leaves no transaction behind.
    once(u"UPD|"_s, {u"NAK|0|Record locked|1009|"_s});
    EXPECT_FALSE(editor->BeginEdit(u"(10,1,7)"_s));
    EXPECT_EQ(editor->EditTID(), u"0"_s);
    EXPECT_EQ(editor->GetLastError(), u"Record locked"_s);
    EXPECT_EQ(editor->GetLastKLVError()->Number(), 1009);
}

TEST_F(EditorWireTest, RefusalCarriesTheServersErrorMessagesAndLaterSuccessClearsIt)
{
    begin();
    once(u"SFV|"_s, {u"E|77|Value too long|FIELD|311|0|name"_s, u"NAK|77|Field refused|311|ctx"_s});
    EXPECT_FALSE(editor->SetFieldVal(u"name"_s, repeated(u'x', 50)));
    const QSharedPointer<KLVError> error = editor->GetLastKLVError();
    EXPECT_EQ(error->Message(), u"Field refused"_s);
    EXPECT_EQ(error->Context(), u"ctx"_s);
    ASSERT_EQ(error->ErrorMessages().size(), 1);
    EXPECT_EQ(error->ErrorMessages()[0]->FieldName(), u"name"_s);

    EXPECT_TRUE(editor->SetFieldVal(u"name"_s, u"x"_s));
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditorWireTest, ServerMessagesRaiseEventsOrGoToTheCollectors)
{
    begin();
    QStringList events;
    QObject::connect(editor.data(), &KLVEditor::ErrorMessage,
                     [&](QString& text, int& number, int& row, QString& field) {
                         events << u"error %1 %2 %3 %4"_s.arg(text).arg(number).arg(row).arg(field);
                     });
    QObject::connect(editor.data(), &KLVEditor::StatusMessage,
                     [&](QString& text, int& number) { events << u"status %1 %2"_s.arg(text).arg(number); });
    QObject::connect(editor.data(), &KLVEditor::TextMessage, [&](QString text) { events << u"text "_s + text; });
    QObject::connect(editor.data(), &KLVEditor::MessageReceived,
                     [&](QSharedPointer<KLVMessage>& m) { events << u"received "_s + m->Text(); });

    const QStringList answer = {u"E|77|Bad value|FIELD|311|2|menge"_s, u"S|77|Saved|INFO|12"_s, u"S|77|Hello|TEXT"_s,
                                u"ACK|77"_s};
    on(u"SFV|"_s, answer);
    EXPECT_TRUE(editor->SetFieldVal(u"menge"_s, u"1"_s, 2));
    EXPECT_EQ(events, (QStringList{u"error Bad value 311 2 menge"_s, u"received Bad value"_s, u"status Saved 12"_s,
                                   u"received Saved"_s, u"text Hello"_s, u"received Hello"_s}));

    events.clear();
    auto errors = QSharedPointer<KLVMessageCollector>::create();
    auto statuses = QSharedPointer<KLVMessageCollector>::create();
    editor->setErrorMessageCollector(errors);
    editor->setStatusMessageCollector(statuses);
    EXPECT_TRUE(editor->SetFieldVal(u"menge"_s, u"1"_s, 2));
    EXPECT_EQ(events, (QStringList{u"text Hello"_s, u"received Hello"_s}));
    ASSERT_EQ(errors->MessageCount(), 1);
    EXPECT_EQ(errors->GetMessage(1)->FieldRow(), 2);
    EXPECT_EQ(statuses->MessageCount(), 1);
}

TEST_F(EditorWireTest, IsActiveAsksForTheStateOnlyOfAnEditTransaction)
{
    begin();
    on(u"GTS|77|TATYPE"_s, {u"D|77|TATYPE|VIEW"_s, u"EOD|77"_s});
    EXPECT_FALSE(editor->IsActive());
    EXPECT_EQ(received(), QStringList{u"GTS|77|TATYPE"_s});

    on(u"GTS|77|TATYPE"_s, {u"D|77|TATYPE|EDIT"_s, u"EOD|77"_s});
    on(u"GTS|77|STATE"_s, {u"D|77|STATE|ACTIVE"_s, u"EOD|77"_s});
    EXPECT_TRUE(editor->IsActive());
    on(u"GTS|77|STATE"_s, {u"D|77|STATE|DONE"_s, u"EOD|77"_s});
    EXPECT_FALSE(editor->IsActive());
}

TEST_F(EditorWireTest, StatusShortcutsReadTheirKeys)
{
    begin();
    on(u"GTS|77|NUMROWS"_s, {u"D|77|NUMROWS|12 rows"_s, u"EOD|77"_s});
    on(u"GTS|77|HASTABLE"_s, {u"D|77|HASTABLE|1"_s, u"EOD|77"_s});
    on(u"GTS|77|MODIFIED"_s, {u"D|77|MODIFIED|0"_s, u"EOD|77"_s});
    on(u"GTS|77|REF"_s, {u"D|77|REF|(10,1,7)"_s, u"EOD|77"_s});
    on(u"GTS|77|EDITDBNR"_s, {u"D|77|EDITDBNR|10"_s, u"EOD|77"_s});
    on(u"GTS|77|ROW"_s, {u"D|77|ROW|3"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetRowCount(), 12);
    EXPECT_TRUE(editor->HasTablePart());
    EXPECT_FALSE(editor->IsModified());
    EXPECT_EQ(editor->GetEditRef(), u"(10,1,7)"_s);
    EXPECT_EQ(editor->GetEditDatabaseNr(), u"10"_s);
    EXPECT_EQ(editor->GetCurrentRow(), 3);
    EXPECT_EQ(editor->GetEditorStatus(u"REF"_s), u"(10,1,7)"_s);
}

TEST_F(EditorWireTest, StatusAnswerWithoutRecordIsErrorSixteenAndAnEmptyRowIsZero)
{
    begin();
    on(u"GTS|77|NUM"_s, {u"EOD|77"_s});
    EXPECT_EQ(editor->GetEditID(), QString());
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));
    EXPECT_EQ(editor->GetLastKLVError()->Number(), 0);

    // An empty current row has no number: it is no row, not a crash.
    on(u"GTS|77|ROW"_s, {u"D|77|ROW|"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetCurrentRow(), 0);
    EXPECT_TRUE(editor->GetLastError().isEmpty());
    on(u"GTS|77|ROW"_s, {u"D|77|ROW|first"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetCurrentRow(), 0);
    EXPECT_TRUE(editor->GetLastError().startsWith(Common::GetErrorText(1)));
}

TEST_F(EditorWireTest, OptionsGoAsShowAndSetWithTheirKeywords)
{
    begin();
    on(u"SHO|77|UPDATEMODE"_s, {u"D|77|UPDATEMODE|ERRABORT"_s, u"EOD|77"_s});
    on(u"SHO|77|STOREROWMODE"_s, {u"D|77|STOREROWMODE|whatever"_s, u"EOD|77"_s});
    on(u"SHO|77|TRUNCTEXT"_s, {u"D|77|TRUNCTEXT|JA"_s, u"EOD|77"_s});
    on(u"SHO|77|AUTOROUND"_s, {u"EOD|77"_s});
    on(u"SET|77|"_s, {u"ACK|77"_s});
    EXPECT_EQ(editor->GetUpdateMode(), klvUpdateModeErrAbort);
    EXPECT_EQ(editor->GetStoreRowMode(), klvStoreRowModeDeleteTail);
    EXPECT_TRUE(editor->IsTruncateTextValues());
    EXPECT_FALSE(editor->IsAutoround());
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));
    EXPECT_TRUE(editor->SetUpdateMode(klvUpdateModeBatch));
    EXPECT_TRUE(editor->SetStoreRowMode(klvStoreRowModeDeleteNone));
    EXPECT_TRUE(editor->SetTruncateTextValues(false));
    EXPECT_TRUE(editor->SetAutoround(true));
    EXPECT_EQ(received(),
              (QStringList{u"SHO|77|UPDATEMODE|0"_s, u"SHO|77|STOREROWMODE|0"_s, u"SHO|77|TRUNCTEXT|0"_s,
                           u"SHO|77|AUTOROUND|0"_s, u"SET|77|UPDATEMODE|BATCH"_s, u"SET|77|STOREROWMODE|DELNONE"_s,
                           u"SET|77|TRUNCTEXT|0"_s, u"SET|77|AUTOROUND|1"_s}));
}

TEST_F(EditorWireTest, MessageContextMarksLaterErrorsOfTheLibrary)
{
    begin();
    EXPECT_TRUE(editor->SetMessageContext(u"order 7"_s));
    EXPECT_EQ(received(), QStringList{u"SET|77|CONTEXT|order 7"_s});
    on(u"GTS|"_s, {u"EOD|77"_s});
    editor->GetEditRef();
    EXPECT_EQ(editor->GetLastKLVError()->Context(), u"order 7"_s);
}

TEST_F(EditorWireTest, SubEditorTakesTheAnswersIdAndKnowsItsParent)
{
    begin();
    once(u"SUB|"_s, {u"ACK|S9"_s});
    QSharedPointer<KLVEditor> sub = editor->OpenSubEditor(u"bpos"_s, u"3"_s);
    ASSERT_TRUE(sub);
    EXPECT_EQ(received(), QStringList{u"SUB|0|77|3|bpos"_s});
    EXPECT_EQ(sub->EditTID(), u"S9"_s);
    EXPECT_TRUE(sub->IsSubEditor());
    EXPECT_EQ(sub->GetParentEditor(), editor);
    EXPECT_EQ(sub->Session(), session);
    EXPECT_FALSE(editor->IsSubEditor());
    EXPECT_TRUE(sub->SetFieldVal(u"text"_s, u"x"_s));
    EXPECT_EQ(received().last(), u"SFV|S9|0|text|x|0"_s);

    // Its own next begin makes it a top-level editor.
    EXPECT_TRUE(sub->BeginEditNew(u"10"_s));
    EXPECT_FALSE(sub->IsSubEditor());
    EXPECT_FALSE(sub->GetParentEditor());
}

TEST_F(EditorWireTest, RefusedSubEditorIsNullAndTheParentKeepsTheReason)
{
    begin();
    once(u"SUB|"_s, {u"NAK|0|No such button|1020|"_s});
    EXPECT_FALSE(editor->OpenSubEditor(u"nobutton"_s));
    EXPECT_EQ(editor->GetLastError(), u"No such button"_s);
}

TEST_F(EditorWireTest, FieldValuesGoWithRowNumberOrRowSelection)
{
    begin();
    EXPECT_TRUE(editor->SetFieldVal(u"menge"_s, u"5"_s, 2));
    EXPECT_TRUE(editor->SetFieldVal2(u"menge"_s, u"5"_s, u"*"_s));
    EXPECT_TRUE(editor->SetFieldValI(u"menge"_s, u"6"_s, 0, true));
    EXPECT_TRUE(editor->SetFieldValI2(u"menge"_s, u"a|b"_s, QString(), true));
    EXPECT_TRUE(editor->ResetFieldVal(u"menge"_s, 4));
    EXPECT_TRUE(editor->ResetFieldVal2(u"menge"_s));
    once(u"SFV|"_s, {u"NAK|77|refused|5|"_s});
    EXPECT_FALSE(editor->SetFieldVal(u"menge"_s, u"x"_s));
    EXPECT_EQ(received(), (QStringList{u"SFV|77|2|menge|5|0"_s, u"SFV|77|*|menge|5|0"_s, u"SFV|77|0|menge|6|1"_s,
                                       u"SFV|77||menge|a\\|b|1"_s, u"RFV|77|4|menge"_s, u"RFV|77||menge"_s,
                                       u"SFV|77|0|menge|x|0"_s}));
}

TEST_F(EditorWireTest, PropertyGettersReadTheirColumnOfTheFieldsRow)
{
    begin();
    on(u"GFV|"_s, {u"D|77|3|menge|12,5|10|1|1|N8.2|N|11|1|2|C|D|1|1"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetFieldVal(u"menge"_s, 3), u"12,5"_s);
    EXPECT_EQ(editor->GetOldFieldVal(u"menge"_s, 3), editor->GetOldFieldVal2(u"menge"_s, u"3"_s));
    EXPECT_EQ(editor->GetOldFieldVal(u"menge"_s, 3), u"10"_s);
    EXPECT_TRUE(editor->FieldIsModifiable(u"menge"_s, 3));
    EXPECT_TRUE(editor->FieldIsModified(u"menge"_s, 3));
    EXPECT_EQ(editor->GetFieldTAVArt(u"menge"_s, 3), u"N8.2"_s);
    EXPECT_EQ(editor->GetFieldKLVType(u"menge"_s, 3), u"N"_s);
    EXPECT_EQ(editor->GetFieldLength(u"menge"_s, 3), 11);
    EXPECT_TRUE(editor->FieldIsSkip(u"menge"_s, 3));
    EXPECT_EQ(editor->GetFieldScrProtection(u"menge"_s, 3), klvScrProtCoreControlled);
    EXPECT_EQ(editor->GetFieldPrioDisp(u"menge"_s, 3), u"C"_s);
    EXPECT_EQ(editor->GetFieldPrioEdit(u"menge"_s, 3), u"D"_s);
    EXPECT_TRUE(editor->FieldIsCustom(u"menge"_s, 3));
    EXPECT_TRUE(editor->FieldIsAlias(u"menge"_s, 3));
    EXPECT_EQ(received().first(), u"GFV|77|3|menge"_s);
    EXPECT_EQ(received()[2], u"GFV|77|3|menge"_s);

    server().clearReceived();
    editor->GetFieldVal(u"x"_s, 0);
    editor->GetFieldVal2(u"x"_s);
    EXPECT_EQ(received(), (QStringList{u"GFV|77|0|x"_s, u"GFV|77||x"_s}));
}

TEST_F(EditorWireTest, EmptyScreenProtectionIsModifiableAndEmptyLengthIsZero)
{
    begin();
    on(u"GFV|"_s, {u"D|77|0|kunde|K1|K1|1|0|A10|A||0||A|A|0|0"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetFieldScrProtection(u"kunde"_s), klvScrProtModifiable);
    EXPECT_EQ(editor->GetFieldLength(u"kunde"_s), 0);
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditorWireTest, UnknownFieldIsErrorSixteenAndAnEmptyNameIsAProgrammingFault)
{
    begin();
    on(u"GFV|77|0|nofield"_s, {u"D|77|0|nofield|x|x|1|0|-|A|5|0|3|A|A|0|0"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetFieldVal(u"nofield"_s), QString());
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));
    EXPECT_FALSE(editor->FieldIsModifiable(u"nofield"_s));
    EXPECT_EQ(editor->GetFieldLength(u"nofield"_s), 0);

    on(u"GFV|77|0|gone"_s, {u"EOD|77"_s});
    EXPECT_EQ(editor->GetFieldTAVArt(u"gone"_s), QString());
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));

    server().clearReceived();
    try {
        editor->GetFieldVal(QString());
        ADD_FAILURE() << "no run-time error";
    } catch (const KLVRuntimeError& e) {
        EXPECT_EQ(e.number(), 31);
    }
    EXPECT_TRUE(editor->GetLastError().isEmpty());
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(EditorWireTest, RowOfARowSelectionIsAskedSilently)
{
    begin();
    int events = 0;
    QObject::connect(editor.data(), &KLVEditor::ErrorMessage, [&](QString&, int&, int&, QString&) { ++events; });
    on(u"GFV|77|last|zn"_s, {u"E|77|just so|X|1|0|zn"_s, u"D|77|4|zn|4|4|0|0|N3|N|3|0|1|A|A|0|0"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetRowFromRowSpec(u"last"_s), 4);
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(editor->messageReporting());

    // Servers before 3.09 know the row by another name.
    auto older = QSharedPointer<KLV>::create();
    older->setClientKLVVersion(u"3.05"_s);
    ASSERT_TRUE(logOn(*older));
    QSharedPointer<KLVEditor> oldEditor = older->CreateEditor();
    server().clearReceived();
    oldEditor->GetRowFromRowSpec(u"*"_s);
    EXPECT_EQ(received(), QStringList{u"GFV|0|*|tabnr,id"_s});
}

TEST_F(EditorWireTest, FreeTextGoesInPiecesOfTwoThousandCharacters)
{
    begin();
    EXPECT_TRUE(editor->SetFText2(u"ftext"_s, repeated(u'a', 2000)));
    EXPECT_EQ(received(), QStringList{u"SFT|77||ftext|"_s + repeated(u'a', 2000)});

    server().clearReceived();
    EXPECT_TRUE(editor->SetFText(u"ftext"_s, repeated(u'b', 2000) + u'c', 1));
    EXPECT_EQ(received(), (QStringList{u"SFT|77|1|ftext|"_s + repeated(u'b', 2000), u"SFT|77|1|ftext|c"_s}));

    server().clearReceived();
    EXPECT_TRUE(editor->SetFText2(u"ftext"_s, QString()));
    EXPECT_EQ(received(), QStringList{u"SFT|77||ftext|"_s});

    // A character beyond the basic plane is never cut in two at a piece's end.
    server().clearReceived();
    const QString clef = QString::fromUtf16(u"\U0001D11E");
    EXPECT_TRUE(editor->SetFText2(u"ftext"_s, repeated(u'd', 1999) + clef + u'e'));
    EXPECT_EQ(received(), (QStringList{u"SFT|77||ftext|"_s + repeated(u'd', 1999), u"SFT|77||ftext|"_s + clef + u'e'}));

    // A refused piece ends the transfer.
    server().clearReceived();
    once(u"SFT|"_s, {u"NAK|77|too long|17|"_s});
    EXPECT_FALSE(editor->SetFText2(u"ftext"_s, repeated(u'f', 4500)));
    EXPECT_EQ(received().size(), 1);
    EXPECT_EQ(editor->GetLastError(), u"too long"_s);
}

TEST_F(EditorWireTest, FreeTextFromFileReadsUtf8OrWindows1252AndReportsMissingFiles)
{
    begin();
    QTemporaryDir dir;
    const QString empty = dir.filePath(u"empty.txt"_s);
    const QString utf8 = dir.filePath(u"utf8.txt"_s);
    const QString ansi = dir.filePath(u"ansi.txt"_s);
    QFile(empty).open(QIODevice::WriteOnly);
    {
        QFile f(utf8);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((u"Größe\r\n"_s + repeated(u'x', 2000)).toUtf8());
    }
    {
        QFile f(ansi);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Gr\xf6\xdf"
                "e \x80");
    }

    EXPECT_TRUE(editor->SetFTextFromFile(u"ftext"_s, empty));
    EXPECT_TRUE(received().isEmpty());

    EXPECT_TRUE(editor->SetFTextFromFile(u"ftext"_s, utf8, 2));
    EXPECT_EQ(received(), (QStringList{u"SFT|77|2|ftext|Größe\\r\\n"_s + repeated(u'x', 1993),
                                       u"SFT|77|2|ftext|"_s + repeated(u'x', 7)}));

    server().clearReceived();
    EXPECT_TRUE(editor->SetFTextFromFile2(u"ftext"_s, ansi));
    EXPECT_EQ(received(), QStringList{u"SFT|77||ftext|Größe €"_s});

    server().clearReceived();
    EXPECT_FALSE(editor->SetFTextFromFile(u"ftext"_s, dir.filePath(u"missing.txt"_s)));
    EXPECT_TRUE(editor->GetLastError().startsWith(Common::GetErrorText(20) + u"\r\n"_s));
    EXPECT_GT(editor->GetLastError().size(), Common::GetErrorText(20).size() + 2);
    EXPECT_TRUE(received().isEmpty());
}

TEST_F(EditorWireTest, FreeTextIsReadUntilAnEmptyPieceOrTheWantedLength)
{
    begin();
    once(u"GFT|77||ftext|START|20000|0"_s, {u"D|77|"_s + repeated(u'a', 20000), u"EOD|77"_s});
    once(u"GFT|77||ftext|NEXT|20000|0"_s, {u"D|77|"_s + repeated(u'b', 300), u"EOD|77"_s});
    once(u"GFT|77||ftext|NEXT|20000|0"_s, {u"D|77|"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetFText2(u"ftext"_s), repeated(u'a', 20000) + repeated(u'b', 300));
    EXPECT_EQ(received().size(), 3);

    server().clearReceived();
    once(u"GFT|77|0|ftext|START|20000|0"_s, {u"D|77|"_s + repeated(u'a', 20000), u"EOD|77"_s});
    once(u"GFT|77|0|ftext|NEXT|5000|0"_s, {u"D|77|"_s + repeated(u'b', 6000), u"EOD|77"_s});
    EXPECT_EQ(editor->GetFText(u"ftext"_s, 0, 25000), repeated(u'a', 20000) + repeated(u'b', 5000));
    EXPECT_EQ(received(), (QStringList{u"GFT|77|0|ftext|START|20000|0"_s, u"GFT|77|0|ftext|NEXT|5000|0"_s}));

    server().clearReceived();
    once(u"GFT|77|0|ftext|START|100|0"_s, {u"D|77|"_s + repeated(u'c', 150), u"EOD|77"_s});
    EXPECT_EQ(editor->GetFText(u"ftext"_s, 0, 100), repeated(u'c', 100));
    EXPECT_EQ(received().size(), 1);

    // A failing later piece ends the text where it is, with the failure as last error.
    once(u"GFT|77||ftext|START"_s, {u"D|77|abc"_s, u"EOD|77"_s});
    once(u"GFT|77||ftext|NEXT"_s, {u"NAK|77|gone|9|"_s});
    EXPECT_EQ(editor->GetFText2(u"ftext"_s), u"abc"_s);
    EXPECT_EQ(editor->GetLastError(), u"gone"_s);

    // The next read starts without that error: an error after it means a text cut short,
    // none means the text is whole.
    once(u"GFT|77||ftext|START"_s, {u"D|77|xyz"_s, u"EOD|77"_s});
    once(u"GFT|77||ftext|NEXT"_s, {u"D|77|"_s, u"EOD|77"_s});
    EXPECT_EQ(editor->GetFText2(u"ftext"_s), u"xyz"_s);
    EXPECT_TRUE(editor->GetLastError().isEmpty());
}

TEST_F(EditorWireTest, FreeTextIntoFileFailsWhenAReadFailsAndLeavesTheFileAsItWas)
{
    begin();
    QTemporaryDir dir;
    const QString target = dir.filePath(u"out.txt"_s);
    once(u"GFT|77|0|ftext|START|20000|0"_s, {u"D|77|Größe\\r\\nzwei"_s, u"EOD|77"_s});
    once(u"GFT|77|0|ftext|NEXT|20000|0"_s, {u"D|77|"_s, u"EOD|77"_s});
    ASSERT_TRUE(editor->GetFTextIntoFile(u"ftext"_s, target));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), u"Größe\r\nzwei"_s.toUtf8());
    written.close();

    once(u"GFT|77|0|ftext|START|20000|0"_s, {u"D|77|new text"_s, u"EOD|77"_s});
    once(u"GFT|77|0|ftext|NEXT|20000|0"_s, {u"NAK|77|connection to the text store lost|88|"_s});
    EXPECT_FALSE(editor->GetFTextIntoFile(u"ftext"_s, target));
    EXPECT_EQ(editor->GetLastError(), u"connection to the text store lost"_s);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), u"Größe\r\nzwei"_s.toUtf8());
    written.close();

    // An answer without a record is no end of text either.
    once(u"GFT|77|0|ftext|START|20000|0"_s, {u"EOD|77"_s});
    EXPECT_FALSE(editor->GetFTextIntoFile(u"ftext"_s, dir.filePath(u"other.txt"_s)));
    EXPECT_EQ(editor->GetLastError(), Common::GetErrorText(16));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"other.txt"_s)));

    EXPECT_FALSE(editor->GetFTextIntoFile(u"ftext"_s, dir.filePath(u"no/such/dir/x.txt"_s)));
    EXPECT_TRUE(editor->GetLastError().startsWith(Common::GetErrorText(22) + u"\r\n"_s));
}

TEST_F(EditorWireTest, RowCommandsCarryTheirRowSelections)
{
    begin();
    EXPECT_TRUE(editor->InsertRow(3));
    EXPECT_TRUE(editor->InsertRow2());
    EXPECT_TRUE(editor->DeleteRow(2));
    EXPECT_TRUE(editor->DeleteRows(u"4-6"_s));
    EXPECT_TRUE(editor->DeleteAllRows());
    EXPECT_TRUE(editor->MoveRow(2, 5));
    const QVariant moved = editor->MoveRows(u"1,3"_s, u"7"_s);
    EXPECT_EQ(moved.typeId(), QMetaType::Bool);
    EXPECT_TRUE(moved.toBool());
    EXPECT_EQ(received(), (QStringList{u"RIN|77|3"_s, u"RIN|77|"_s, u"RDL|77|2"_s, u"RDL|77|4-6"_s, u"RDL|77|*"_s,
                                       u"RMV|77|2|5"_s, u"RMV|77|1,3|7"_s}));

    once(u"RMV|"_s, {u"NAK|77|no such row|30|"_s});
    EXPECT_FALSE(editor->MoveRows(u"9"_s, u"1"_s).toBool());
    EXPECT_EQ(editor->GetLastError(), u"no such row"_s);
    once(u"RIN|"_s, {u"NAK|77|table full|31|"_s});
    EXPECT_FALSE(editor->InsertRow(99));
}

TEST_F(EditorWireTest, BreakReachesTheServerWhileABeginWaits)
{
    once(u"UPD|"_s, {u"delay:3000"_s, u"ACK|5"_s});
    QTimer::singleShot(100, [this] { editor->Break(); });
    EXPECT_FALSE(editor->BeginEdit(u"(10,1,7)"_s));
    EXPECT_EQ(received(), (QStringList{u"UPD|0||REF|(10,1,7)"_s, u"BRQ|0"_s}));
    EXPECT_EQ(editor->EditTID(), u"0"_s);
    EXPECT_FALSE(editor->GetLastError().isEmpty());
}

TEST_F(EditorWireTest, ABreakWhileASaveWaitsEndsItWithTheServersAnswerToIt)
{
    begin();
    // The server breaks the save off: its refusal is the save's answer, and says so.
    QTimer::singleShot(100, [this] { editor->Break(); });
    once(u"COM|"_s, {u"delay:60000"_s, u"ACK|{tid}"_s});
    EXPECT_FALSE(editor->EndEditSave());
    EXPECT_EQ(editor->GetLastError(), u"Request \"COM\" broken off by BRQ"_s);
    EXPECT_EQ(editor->GetLastKLVError()->ApiErrorCode(), 32);

    // The server had saved when the break came: its answer comes all the same, and the save
    // is reported as done, with the server's message.
    QStringList status;
    QObject::connect(editor.data(), &KLVEditor::StatusMessage, [&](QString& text, int&) { status << text; });
    QTimer::singleShot(100, [this] { editor->Break(); });
    once(u"COM|"_s, {u"delay:60000"_s});
    once(u"BRQ|"_s, {u"S|77|Datensatz gespeichert|EDIT|100"_s, u"ACK|77"_s});
    EXPECT_TRUE(editor->EndEditSave()) << editor->GetLastError().toStdString();
    EXPECT_TRUE(editor->GetLastError().isEmpty());
    EXPECT_EQ(status, QStringList{u"Datensatz gespeichert"_s});

    // Each answer was its command's: the next command has its own.
    once(u"GTS|77|TATYPE"_s, {u"D|77|TATYPE|EDIT"_s, u"ACK|77"_s});
    EXPECT_EQ(editor->GetEditorStatus(u"TATYPE"_s), u"EDIT"_s);
    EXPECT_EQ(received(), (QStringList{u"COM|77"_s, u"BRQ|77"_s, u"COM|77"_s, u"BRQ|77"_s, u"GTS|77|TATYPE"_s}));
}

TEST_F(EditorWireTest, EditorWhoseSessionIsGoneFailsInsteadOfTouchingItsConnection)
{
    auto raw = std::make_unique<KLV>();
    ASSERT_TRUE(logOn(*raw));
    QSharedPointer<KLVEditor> orphan = raw->CreateEditor();
    raw.reset();
    EXPECT_FALSE(orphan->BeginEditNew(u"10"_s));
    EXPECT_EQ(orphan->GetLastError(), Common::GetErrorText(5));
    orphan->Break();
    EXPECT_EQ(orphan->GetLastError(), Common::GetErrorText(5));
}

TEST_F(EditorWireTest, EditorKeepsItsSessionAlive)
{
    QWeakPointer<KLV> weak = session;
    QSharedPointer<KLVEditor> kept = editor;
    session.reset();
    editor.reset();
    ASSERT_FALSE(weak.isNull());
    EXPECT_TRUE(weak.toStrongRef()->IsConnected());
    EXPECT_TRUE(kept->BeginEditNew(u"10"_s));
}
