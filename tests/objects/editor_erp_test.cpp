// The editor against the stand-in server's sample ERP: records made, changed, copied and
// deleted as later queries see them, table rows, long free texts, held records, sub-screens
// and an information system run through the editor.
#include "KLV.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"
#include "KLVEditObject.h"
#include "KLVEditor.h"
#include "KLVQuery.h"
#include "KlvSessionFixture.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

class EditorErpTest : public KlvSessionFixture
{
protected:
    void SetUp() override
    {
        KlvSessionFixture::SetUp();
        editor = session->CreateEditor();
    }
    void TearDown() override
    {
        editor.reset();
        KlvSessionFixture::TearDown();
    }

    QSharedPointer<KLV> openSession()
    {
        auto s = QSharedPointer<KLV>::create();
        EXPECT_TRUE(logOn(*s)) << s->GetLastError().toStdString();
        return s;
    }

    // The named fields of the record with that reference, as a query of the session reads them.
    QStringList queried(const QString& table, const QString& ref, const QString& fields)
    {
        auto reader = session->CreateQuery();
        if (!reader->GetRecordByRef(table, ref, fields))
            return {};
        return reader->GetFields();
    }

    int sent(const QString& prefix)
    {
        int n = 0;
        for (const QString& line : server().receivedLines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

    QSharedPointer<KLVEditor> editor;
};

QString error(const QSharedPointer<KLVEditor>& editor)
{
    return editor->GetLastError();
}

} // namespace

TEST_F(EditorErpTest, RecordMadeChangedCopiedAndDeletedIsWhatLaterQueriesSee)
{
    ASSERT_TRUE(editor->BeginEditNew(u"1"_s)) << error(editor).toStdString();
    EXPECT_EQ(editor->GetEditRef(), u"(0,0,0)"_s);
    ASSERT_TRUE(editor->SetFieldVal(u"name"_s, u"Neu | Söhne"_s)) << error(editor).toStdString();
    ASSERT_TRUE(editor->SetFieldVal(u"ort"_s, u"Kiel"_s));
    ASSERT_TRUE(editor->EndEditSave()) << error(editor).toStdString();
    const QString ref = editor->GetEditRef();
    ASSERT_NE(ref, u"(0,0,0)"_s);
    EXPECT_EQ(queried(u"1:1"_s, ref, u"name,ort"_s), (QStringList{u"Neu | Söhne"_s, u"Kiel"_s}));

    ASSERT_TRUE(editor->BeginEdit(ref)) << error(editor).toStdString();
    EXPECT_FALSE(editor->IsModified());
    ASSERT_TRUE(editor->SetFieldVal(u"ort"_s, u"Lübeck"_s));
    EXPECT_TRUE(editor->FieldIsModified(u"ort"_s));
    EXPECT_EQ(editor->GetOldFieldVal(u"ort"_s), u"Kiel"_s);
    EXPECT_EQ(editor->GetFieldVal(u"ort"_s), u"Lübeck"_s);
    EXPECT_TRUE(editor->IsModified());
    EXPECT_TRUE(editor->IsActive());
    ASSERT_TRUE(editor->EndEditSave());
    EXPECT_FALSE(editor->IsActive());
    EXPECT_EQ(queried(u"1:1"_s, ref, u"ort"_s), QStringList{u"Lübeck"_s});

    ASSERT_TRUE(editor->BeginEditNewCopy(ref)) << error(editor).toStdString();
    ASSERT_TRUE(editor->EndEditSave()) << error(editor).toStdString();
    const QString copy = editor->GetEditRef();
    EXPECT_NE(copy, ref);
    EXPECT_EQ(queried(u"1:1"_s, copy, u"name,ort"_s), (QStringList{u"Neu | Söhne"_s, u"Lübeck"_s}));

    ASSERT_TRUE(editor->BeginDelete(copy)) << error(editor).toStdString();
    EXPECT_FALSE(editor->SetFieldVal(u"ort"_s, u"Kiel"_s));
    ASSERT_TRUE(editor->EndEditSave()) << error(editor).toStdString();
    EXPECT_TRUE(queried(u"1:1"_s, copy, u"name"_s).isEmpty());
    EXPECT_EQ(queried(u"1:1"_s, ref, u"name"_s), QStringList{u"Neu | Söhne"_s});
}

TEST_F(EditorErpTest, TableRowsAreInsertedMovedAndDeleted)
{
    ASSERT_TRUE(editor->BeginEditNew(u"3"_s, u"1"_s)) << error(editor).toStdString();
    const QStringList rowFields = {u"artikel"_s, u"menge"_s};
    auto order = editor->CreateEditObjectA({u"kunde"_s}, QVariant(rowFields), 3);
    order->GetField(u"kunde"_s)->setNewVal(u"10002"_s);
    for (int row = 1; row <= 3; ++row) {
        order->GetField(u"artikel"_s, row)->setNewVal(QString::number(1000 + row));
        order->GetField(u"menge"_s, row)->setNewVal(QString::number(row));
    }
    editor->UpdateEditObject(order);
    ASSERT_TRUE(error(editor).isEmpty()) << error(editor).toStdString();
    EXPECT_EQ(sent(u"RIN|"_s), 3);
    EXPECT_EQ(editor->GetRowCount(), 3);

    ASSERT_TRUE(editor->MoveRow(1, 3)); // 1002 1003 1001
    ASSERT_TRUE(editor->DeleteRow(2));  // 1002 1001
    ASSERT_TRUE(editor->InsertRow(1));  // new 1002 1001
    ASSERT_TRUE(editor->SetFieldVal(u"artikel"_s, u"1004"_s, 1));
    const auto articles = [&] {
        QStringList values;
        for (const auto& row : editor->GetEditRows(u"artikel"_s, u"*"_s))
            values << row->GetField(u"artikel"_s)->Val();
        return values;
    };
    EXPECT_EQ(articles(), (QStringList{u"1004"_s, u"1002"_s, u"1001"_s}));
    EXPECT_FALSE(editor->MoveRows(u"9"_s, u"1"_s).toBool());
    ASSERT_TRUE(editor->EndEditSave()) << error(editor).toStdString();
    const QString ref = editor->GetEditRef();

    // Read again as an edit object, in a transaction that only looks.
    ASSERT_TRUE(editor->BeginView(ref));
    auto stored = editor->GetEditObjectA({u"kunde"_s}, QVariant(rowFields));
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->RowCount(), 3);
    EXPECT_EQ(stored->GetField(u"kunde"_s)->Val(), u"10002"_s);
    EXPECT_EQ(stored->GetField(u"menge"_s, 2)->Val(), u"2"_s);
    EXPECT_EQ(stored->GetField(u"menge"_s, 1)->Val(), QString());
    EXPECT_FALSE(stored->GetFields(4));
    EXPECT_FALSE(editor->DeleteAllRows());
    EXPECT_TRUE(editor->EndEditCancel());

    ASSERT_TRUE(editor->BeginEdit(ref));
    ASSERT_TRUE(editor->DeleteAllRows());
    EXPECT_EQ(editor->GetRowCount(), 0);
    EXPECT_TRUE(editor->EndEditCancel());
}

TEST_F(EditorErpTest, LongFreeTextComesBackUnchangedThroughTextAndFiles)
{
    ASSERT_TRUE(editor->BeginEdit(u"10001"_s, u"1"_s)) << error(editor).toStdString();
    EXPECT_EQ(editor->GetFText(u"bemerk"_s).size(), 45000);

    QString text;
    const QString clef = QString::fromUtf16(u"\U0001D11E");
    while (text.size() < 45000)
        text += u"Größe | Maß \\ Zeile "_s + QString::number(text.size()) + u'\n' + clef;
    text.truncate(45000);
    server().clearReceived();
    ASSERT_TRUE(editor->SetFText(u"bemerk"_s, text)) << error(editor).toStdString();
    EXPECT_EQ(sent(u"SFT|"_s), 23);
    EXPECT_EQ(editor->GetFText(u"bemerk"_s), text);
    EXPECT_EQ(sent(u"GFT|"_s), 4);
    EXPECT_EQ(editor->GetFText(u"bemerk"_s, 0, 30000), text.left(30000));

    QTemporaryDir dir;
    const QString in = dir.filePath(u"in.txt"_s);
    const QString out = dir.filePath(u"out.txt"_s);
    {
        QFile file(in);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8().replace('a', 'o'));
    }
    ASSERT_TRUE(editor->SetFTextFromFile(u"bemerk"_s, in)) << error(editor).toStdString();
    ASSERT_TRUE(editor->GetFTextIntoFile(u"bemerk"_s, out)) << error(editor).toStdString();
    QFile a(in);
    QFile b(out);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_TRUE(editor->EndEditCancel());
}

TEST_F(EditorErpTest, RecordOpenedForChangeIsRefusedToASecondSessionUntilItIsReleased)
{
    ASSERT_TRUE(editor->BeginEdit(u"10002"_s, u"1"_s)) << error(editor).toStdString();

    auto other = openSession();
    auto otherEditor = other->CreateEditor();
    ASSERT_TRUE(other->SetLockBehavior(klvLockBehaviorNoWait));
    EXPECT_FALSE(otherEditor->BeginEdit(u"10002"_s, u"1"_s));
    EXPECT_EQ(otherEditor->GetLastKLVError()->Number(), 1009);
    EXPECT_TRUE(otherEditor->BeginView(u"10002"_s, u"1"_s)) << error(otherEditor).toStdString();

    // Waiting for the record: the server says so, and a break ends the wait.
    ASSERT_TRUE(other->SetLockBehavior(klvLockBehaviorWaitInfinite));
    int waits = 0;
    QObject::connect(otherEditor.data(), &KLVEditor::StatusMessage, [&](QString&, int& number) {
        if (number == 1015) {
            ++waits;
            otherEditor->Break();
        }
    });
    EXPECT_FALSE(otherEditor->BeginEdit(u"10002"_s, u"1"_s));
    EXPECT_EQ(waits, 1);

    EXPECT_TRUE(editor->EndEditCancel());
    EXPECT_TRUE(otherEditor->BeginEdit(u"10002"_s, u"1"_s)) << error(otherEditor).toStdString();
    EXPECT_TRUE(otherEditor->EndEditCancel());
}

TEST_F(EditorErpTest, ASaveBrokenOffAfterTheServerMadeItIsReportedSaved)
{
    ASSERT_TRUE(editor->BeginEdit(u"10004"_s, u"1"_s)) << error(editor).toStdString();
    ASSERT_TRUE(editor->SetFieldVal(u"ort"_s, u"Husum"_s)) << error(editor).toStdString();
    const QString ref = editor->GetEditRef();
    // The user breaks off while the save's answer is read: the server had saved already.
    int breaks = 0;
    QObject::connect(editor.data(), &KLVEditor::StatusMessage, [&](QString&, int& number) {
        if (number == 100) {
            ++breaks;
            session->Break();
        }
    });
    EXPECT_TRUE(editor->EndEditSave()) << error(editor).toStdString();
    EXPECT_EQ(breaks, 1);
    EXPECT_TRUE(editor->GetLastError().isEmpty());
    EXPECT_EQ(queried(u"1:1"_s, ref, u"ort"_s), QStringList{u"Husum"_s});
    EXPECT_EQ(sent(u"BRQ|"_s), 1);
}

TEST_F(EditorErpTest, SubScreenChangesTheFieldsBehindItsButton)
{
    ASSERT_TRUE(editor->BeginEdit(u"10003"_s, u"1"_s)) << error(editor).toStdString();
    auto bound = editor->GetBoundEditField(u"banktaste"_s);
    ASSERT_TRUE(bound->EditField());
    QSharedPointer<KLVEditor> sub = bound->OpenSubEditor();
    ASSERT_TRUE(sub) << error(editor).toStdString();
    EXPECT_TRUE(sub->IsSubEditor());
    auto fields = sub->GetEditFieldList();
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->FieldNames(), (QStringList{u"bank"_s, u"iban"_s, u"bic"_s}));
    ASSERT_TRUE(sub->SetFieldVal(u"bank"_s, u"Sparkasse"_s)) << error(sub).toStdString();
    EXPECT_FALSE(editor->EndEditSave());
    ASSERT_TRUE(sub->EndEditSave()) << error(sub).toStdString();
    EXPECT_EQ(editor->GetFieldVal(u"bank"_s), u"Sparkasse"_s);
    EXPECT_TRUE(editor->EndEditCancel());
}

TEST_F(EditorErpTest, InformationSystemRunFillsItsResultRows)
{
    auto collector = QSharedPointer<KLVMessageCollector>::create();
    editor->setErrorMessageCollector(collector);
    ASSERT_TRUE(editor->BeginEditOperation(editGet, u"65"_s, QString(), refTypeNumSW, u"1"_s))
        << error(editor).toStdString();
    EXPECT_TRUE(editor->IsActive());
    auto head = editor->GetEditFieldListA({});
    ASSERT_TRUE(head);
    ASSERT_GT(head->FieldCount(), 0);
    EXPECT_EQ(head->GetField(u"num65"_s)->Val(), u"1"_s);
    ASSERT_TRUE(editor->SetFieldVal(u"bstart"_s, QString())) << collector->GetAllMessagesText().toStdString();
    const int rows = editor->GetRowCount();
    ASSERT_GT(rows, 0);
    auto result = editor->GetEditObjectA(head->FieldNames(), QVariant(QStringList()));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->RowCount(), rows);
    EXPECT_GT(result->GetFields(1)->FieldCount(), 0);
    EXPECT_TRUE(editor->EndEditCancel());
    EXPECT_EQ(collector->MessageCount(), 0);
}
