// Catalogue requests against the stand-in server: every list with its columns, the lines that
// go over the wire, the checks made before sending, message texts, reference types and the
// tests of field values.
#include "Common.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"
#include "KlvSessionFixture.h"

#include <functional>

using namespace Qt::StringLiterals;

namespace {

class CatalogueTest : public KlvSessionFixture
{
protected:
    KlvServerOptions serverOptions() const override
    {
        KlvServerOptions options;
        options.generatedRows = 300;
        return options;
    }

    QString lastReceived()
    {
        const QStringList lines = server().receivedLines();
        return lines.isEmpty() ? QString() : lines.last();
    }

    // Every row of the answer, each as its fields.
    QList<QStringList> rows()
    {
        QList<QStringList> all;
        while (query->GetNextRecord())
            all << query->GetFields();
        return all;
    }

    // Answers the first line that starts with prefix by script, the rest as usual.
    void answerOnce(const QString& prefix, std::function<void(const QString&, KlvScriptReply&)> script)
    {
        auto done = std::make_shared<std::atomic_bool>(false);
        server().setScript([=](int, const QString& line, bool greeting, KlvScriptReply& reply) {
            if (greeting || !line.startsWith(prefix) || done->exchange(true))
                return false;
            script(line, reply);
            return true;
        });
    }

    KLVTools tools;
};

} // namespace

TEST_F(CatalogueTest, EveryCatalogueListAnswersWithItsColumns)
{
    ASSERT_TRUE(query->GetDatabaseNames());
    auto list = rows();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list[0].size(), tools.DatabaseFieldCount());
    EXPECT_TRUE(column(list, fldDatabaseNr).contains(u"90"_s));

    ASSERT_TRUE(query->GetGroupNames(u"12"_s));
    list = rows();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list[0].size(), tools.GroupFieldCount());
    EXPECT_TRUE(column(list, fldGroupNr).contains(u"24"_s));
    // The whole list names the groups the table catalogue leaves out as well.
    ASSERT_TRUE(query->GetGroupNames2(u"12"_s, klvGroupListTypeAll).toBool());
    EXPECT_GT(rows().size(), list.size());
    ASSERT_TRUE(query->GetGroupNamesNew(u"90"_s));
    EXPECT_TRUE(rows().isEmpty());

    ASSERT_TRUE(query->GetTableNames());
    list = rows();
    EXPECT_EQ(list.value(0).size(), tools.TableFieldCount());
    EXPECT_TRUE(column(list, fldTableNumID).contains(u"90:1"_s));
    ASSERT_TRUE(query->GetTableNames(u"90:1"_s));
    EXPECT_EQ(rows().size(), 1);

    ASSERT_TRUE(query->GetFieldNames(u"90:1"_s));
    list = rows();
    EXPECT_EQ(list.value(0).size(), tools.FieldFieldCount());
    EXPECT_EQ(column(list, fldFieldName),
              (QStringList{u"nummer"_s, u"such"_s, u"name"_s, u"ort"_s, u"datum"_s, u"betrag"_s, u"menge"_s, u"aktiv"_s,
                           u"kategorie"_s, u"kunde"_s}));
    EXPECT_EQ(column(list, fldFieldTAVType).value(5), u"R10.2"_s);

    ASSERT_TRUE(query->GetKeyNames(u"90:1"_s));
    list = rows();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].size(), tools.KeyFieldCount());
    EXPECT_EQ(list[0].value(fldKeyName - 1), u"nummer"_s);
    EXPECT_EQ(list[0].value(fldKeyKeyCount - 1), u"300"_s);

    ASSERT_TRUE(query->GetEnumerations());
    list = rows();
    EXPECT_EQ(list.value(0).size(), tools.EnumFieldCount());
    EXPECT_TRUE(column(list, fldEnumName).contains(u"A158"_s));
    ASSERT_TRUE(query->GetEnumPos(u"A2"_s).toBool());
    list = rows();
    EXPECT_EQ(list.size(), 2);
    EXPECT_EQ(list.value(0).size(), tools.EnumPosFieldCount());
    ASSERT_TRUE(query->GetEnumPos(u"A2"_s, true).toBool());
    EXPECT_EQ(rows().size(), 3);

    ASSERT_TRUE(query->GetInfosystemNames());
    list = rows();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list[0].size(), tools.InfosysFieldCount());
    ASSERT_TRUE(query->GetInfosystemNamesT(QString(), klvInfosysTypeCustom));
    EXPECT_LT(rows().size(), list.size());

    ASSERT_TRUE(query->GetRefTypeInfo(u"VP7"_s));
    list = rows();
    EXPECT_EQ(column(list, fldRefTypeDBNr), (QStringList{u"1"_s, u"2"_s}));
    EXPECT_EQ(list.value(0).size(), tools.RefInfoFieldCount());

    ASSERT_TRUE(query->SearchMessageTexts({QString()}, u"master"_s, {u"E"_s}, true));
    list = rows();
    EXPECT_EQ(list.value(0).size(), tools.MessageFieldCount());
    EXPECT_EQ(column(list, fldMsgText),
              (QStringList{u"Customer master"_s, u"Article master"_s, u"Help on the customer master"_s}));
}

TEST_F(CatalogueTest, CatalogueLinesCarryTheirKeywordsAndTheMetadataFlag)
{
    struct Case
    {
        std::function<void()> call;
        QString line;
    };
    query->setDatasetSize(30);
    const Case cases[] = {
        {[&] { query->GetDatabaseNames(); }, u"GDN|0||0"_s},
        {[&] { query->GetGroupNames2(u"1"_s, 5); }, u"GGN|0|1||0"_s},
        {[&] { query->GetGroupNamesNew(u"1"_s); }, u"GGN|0|1|NEW|0"_s},
        {[&] { query->GetEnumerations(u"A2"_s); }, u"GAZ|0|A2|HEAD|0|0"_s},
        {[&] { query->GetEnumPos(u"A2"_s, true); }, u"GAZ|0|A2|POS|1|0"_s},
        {[&] { query->GetTableNames(u"Kunde"_s); }, u"GTN|0|Kunde|30|0"_s},
        {[&] { query->GetFieldNames2(u"1:1"_s, u"name"_s, 7); }, u"GFN|0|1:1|name|30|QUERY|0"_s},
        {[&] { query->GetFieldNames2(u"1"_s, QString(), klvFieldListTypeInfosys); }, u"GFN|0|1||30|INFOSYS|0"_s},
        {[&] { query->GetKeyNames(u"1:1"_s, u"nummer"_s); }, u"GKN|0|1:1|nummer|30|0"_s},
        {[&] { query->GetInfosystemNames(u"kunde"_s, u"vk"_s); }, u"GIS|0|kunde|vk|ALL|30|0"_s},
        {[&] { query->GetInfosystemNamesT(u"x"_s, 0); }, u"GIS|0|x||ALL|30|0"_s},
        {[&] { query->GetInfosystemNamesT(u"x"_s, klvInfosysTypeStandard); }, u"GIS|0|x||STANDARD|30|0"_s},
        {[&] { query->GetMessageText(u"cc"_s, 100, u"E"_s); }, u"GMT|0|cc|100|E||0|0"_s},
        {[&] {
             query->GetMessageTexts(u"cc"_s, {100, 102}, {u"D"_s, u"E"_s});
         },
         u"GMT|0|cc|100,102|D,E||0|0"_s},
        {[&] { query->GetMessageTexts2(u"cc"_s, 100, 120); }, u"GMT|0|cc|100-120|||0|0"_s},
        {[&] {
             query->SearchMessageTexts({u"ms"_s, u"mn"_s}, u"Edit"_s, {u"E"_s}, true);
         },
         u"GMT|0|ms,mn||E|Edit|1|0"_s},
        {[&] { query->GetMessageNumber(u"cc"_s, u"Please"_s); }, u"GMT|0|cc|||Please|0|0"_s},
        {[&] { query->GetRefTypeInfo(u"P1:1"_s); }, u"GRI|0|P1:1|0"_s},
        {[&] {
             query->TestFieldValues({u"I9"_s, u"GD8"_s}, {u"1"_s, u"x"_s});
         },
         u"TFV|0|I9,GD8|1|x"_s},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(lastReceived(), c.line);
    }
    query->setEnableQueryMetaData(true);
    ASSERT_TRUE(query->GetDatabaseNames2(u"Kunde"_s));
    EXPECT_EQ(lastReceived(), u"GDN|0|Kunde|1"_s);
    // The server described the columns of the catalogue answer.
    ASSERT_TRUE(query->GetQueryMetaData());
    EXPECT_EQ(query->GetQueryMetaData()->GetFieldMetaDataArray().size(), tools.DatabaseFieldCount());
}

TEST_F(CatalogueTest, ARequestAfterAnOpenSelectionCarriesItsTransactionId)
{
    query->setDatasetSize(100);
    ASSERT_TRUE(query->StartQuery(u"90:1"_s, u"nummer"_s));
    const QString tid = query->transactionId();
    ASSERT_NE(tid, u"0"_s);
    ASSERT_TRUE(query->GetDatabaseNames());
    EXPECT_EQ(lastReceived(), u"GDN|"_s + tid + u"||0"_s);
    EXPECT_EQ(query->transactionId(), u"0"_s);
    EXPECT_FALSE(rows().isEmpty());
}

TEST_F(CatalogueTest, EmptyNamesAreRefusedBeforeAnythingIsSent)
{
    EXPECT_FALSE(query->GetEnumPos(QString()).toBool());
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Empty enumeration name not allowed"_s);
    EXPECT_EQ(query->GetLastKLVError()->Number(), 0);
    EXPECT_FALSE(query->GetRefTypeInfo(QString()));
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Reference type is missing"_s);
    EXPECT_TRUE(query->GetRefTypeInfoArray(QString()).isEmpty());
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Reference type is missing"_s);
    EXPECT_TRUE(server().receivedLines().isEmpty());
}

TEST_F(CatalogueTest, ARefusedRequestCarriesTheServersErrorAndNoRecord)
{
    EXPECT_FALSE(query->GetFieldNames(u"77:7"_s));
    EXPECT_FALSE(query->GetLastError().isEmpty());
    EXPECT_NE(query->GetLastKLVError()->Number(), 0);
    EXPECT_FALSE(query->GetNextRecord());
    EXPECT_FALSE(query->GetEnumPos(u"A99999"_s).toBool());
    EXPECT_FALSE(query->GetLastError().isEmpty());
}

TEST_F(CatalogueTest, OneMessageTextOrNumberIsReadFromTheFirstRow)
{
    EXPECT_EQ(query->GetMessageText(u"cc"_s, 100, u"E"_s), u"Record saved"_s);
    EXPECT_EQ(query->GetMessageText(u"cc"_s, 100, u"D"_s), u"Datensatz gespeichert"_s);
    // Searched in the session's language.
    EXPECT_EQ(query->GetMessageNumber(u"cc"_s, u"bitte WARTEN"_s, true), 102);
    EXPECT_TRUE(query->GetLastError().isEmpty());
    EXPECT_EQ(query->GetMessageNumber(u"cc"_s, u"bitte WARTEN"_s, false), 0);

    // No such message: nothing, and the reason.
    EXPECT_TRUE(query->GetMessageText(u"cc"_s, 99999, u"E"_s).isEmpty());
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Cant read data (result.getNext)"_s);
    EXPECT_EQ(query->GetMessageNumber(u"cc"_s, u"no text like this"_s), 0);
    EXPECT_EQ(query->GetLastError(), u"KLVAPI: Cant read data (result.getNext)"_s);

    ASSERT_TRUE(query->GetMessageTexts(u"cc"_s, {102, 100}, {u"E"_s}));
    EXPECT_EQ(column(rows(), fldMsgText), (QStringList{u"Please wait"_s, u"Record saved"_s}));
    ASSERT_TRUE(query->GetMessageTexts2(u"cc"_s, 100, 102, u"E"_s));
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(CatalogueTest, ReferenceTypesAndReferencesAreDescribed)
{
    const KLVTAVArtInfoList targets = query->GetRefTypeInfoArray(u"VP7"_s);
    ASSERT_EQ(targets.size(), 2);
    EXPECT_EQ(targets[0]->RefDatabaseNr(), 1);
    EXPECT_EQ(targets[0]->RefGroupNr(), 1);
    EXPECT_FALSE(targets[0]->RefDatabaseName().isEmpty());
    EXPECT_EQ(targets[1]->RefDatabaseNr(), 2);
    EXPECT_EQ(targets[1]->DataType(), klvReference);
    EXPECT_TRUE(targets[0]->TAVArtInfo().startsWith(u"REF (1:1) ("_s));

    EXPECT_TRUE(query->GetRefTypeInfoArray(u"P77:7"_s).isEmpty());
    EXPECT_FALSE(query->GetLastError().isEmpty());

    server().clearReceived();
    const auto info = query->GetRefInfo(u"(90,1,5)"_s);
    ASSERT_TRUE(info);
    EXPECT_EQ(server().receivedLines().value(0), u"RDP|0|(90,1,5)|dnr,gruppe|0|1|0"_s);
    EXPECT_EQ(info->TAVArt(), u"P90:1"_s);
    EXPECT_EQ(info->RefDatabaseNr(), 90);
    EXPECT_EQ(info->RefGroupNr(), 1);
    EXPECT_FALSE(query->GetRefInfo(u"(90,1,99999)"_s));
}

TEST_F(CatalogueTest, OlderServersGiveTheGroupOfAReferenceAsStatusBits)
{
    auto old = QSharedPointer<KLV>::create();
    old->setClientKLVVersion(u"3.0"_s);
    ASSERT_TRUE(logOn(*old)) << old->GetLastError().toStdString();
    auto oldQuery = old->CreateQuery();
    answerOnce(u"RDP|"_s, [](const QString&, KlvScriptReply& reply) {
        reply.sendLine(u"BOD|0|RDP|1"_s);
        reply.sendLine(u"D|0| 3 5"_s);
        reply.sendLine(u"EOD|0|RDP|1|1"_s);
    });
    server().clearReceived();
    const auto info = oldQuery->GetRefInfo(u"(4,7,1)"_s);
    ASSERT_TRUE(info);
    EXPECT_EQ(server().receivedLines().value(0), u"RDP|0|(4,7,1)|grust|0|1|0"_s);
    EXPECT_EQ(info->RefGroupNr(), 35 & 31);
    EXPECT_EQ(info->TAVArt(), u"P7:3"_s);
}

TEST_F(CatalogueTest, FieldValuesAreTestedAgainstTheirTypeCode)
{
    query->setEnableQueryMetaData(true);
    ASSERT_TRUE(query->StartQuery(u"90:1"_s, u"nummer"_s, u"nummer=1"_s));
    ASSERT_TRUE(query->GetQueryMetaData());

    EXPECT_TRUE(query->TestFieldValue(u"I9"_s, u"12"_s).isEmpty());
    EXPECT_FALSE(query->GetQueryMetaData());
    EXPECT_EQ(query->TestGetFieldValue(u"I9"_s, u"12"_s), u"12"_s);
    EXPECT_FALSE(query->TestFieldValue2(u"I9"_s, u"12"_s));

    const QString reason = query->TestFieldValue(u"I9"_s, u"abc"_s);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(query->TestGetFieldValue(u"I9"_s, u"abc"_s), QString(QChar(u'\0')));
    const auto message = query->TestFieldValue2(u"I9"_s, u"abc"_s);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->MsgType(), messageTypeError);
    EXPECT_EQ(message->MsgCategory(), u"ERROR"_s);
    EXPECT_EQ(message->Text(), reason);
    EXPECT_NE(message->Number(), 0);
    // The test's verdict is not the query's last error.
    EXPECT_TRUE(query->GetLastError().isEmpty());

    server().clearReceived();
    EXPECT_EQ(query->TestFieldValue(QString(), u"12"_s), u"KLVAPI: WEXA Type missing"_s);
    EXPECT_EQ(query->TestGetFieldValue(QString(), u"12"_s), QString(QChar(u'\0')));
    EXPECT_TRUE(server().receivedLines().isEmpty());

    ASSERT_TRUE(query->TestFieldValues({u"I9"_s, u"GD8"_s}, {u"7"_s, u"notadate"_s}));
    const auto list = rows();
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(Common::ParseBool(list[0].value(fldFldTestRC - 1)));
    EXPECT_FALSE(Common::ParseBool(list[1].value(fldFldTestRC - 1)));
}

TEST_F(CatalogueTest, AFieldTestAnsweredWithoutARowIsNotValid)
{
    for (auto member : {0, 1, 2}) {
        answerOnce(u"TFV|"_s, [](const QString&, KlvScriptReply& reply) {
            reply.sendLine(u"BOD|0|TFV|0"_s);
            reply.sendLine(u"EOD|0|TFV|0|1"_s);
        });
        switch (member) {
        case 0:
            EXPECT_EQ(query->TestFieldValue(u"I9"_s, u"12"_s), u"KLVAPI: Cant read data (result.getNext)"_s);
            break;
        case 1:
            EXPECT_TRUE(query->TestFieldValue2(u"I9"_s, u"12"_s));
            break;
        default:
            EXPECT_EQ(query->TestGetFieldValue(u"I9"_s, u"12"_s), QString(QChar(u'\0')));
        }
    }
    // A refusal reports the server's reason.
    answerOnce(u"TFV|"_s, [](const QString&, KlvScriptReply& reply) { reply.sendLine(u"NAK|0|No test|1234|"_s); });
    EXPECT_EQ(query->TestFieldValue(u"I9"_s, u"12"_s), u"No test"_s);
}
