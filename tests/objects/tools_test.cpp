// The stateless tools: null references, value lists, catalogue column counts that match the
// column enumerations, the message factories, and the shared instance the factory hands out.
#include "KLVFactory.h"
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Tools, NullReferenceIsEmptyOrAllZeroes)
{
    KLVTools tools;
    EXPECT_EQ(tools.GetNullRef(), u"(0,0,0)"_s);
    EXPECT_TRUE(tools.IsNullRef(QString()));
    EXPECT_TRUE(tools.IsNullRef(tools.GetNullRef()));
    EXPECT_FALSE(tools.IsNullRef(u"(1,1,5)"_s));
    EXPECT_FALSE(tools.IsNullRef(u"(0,0,1)"_s));
}

TEST(Tools, StringList2ArrayKeepsOrderAndTurnsValuesIntoText)
{
    KLVTools tools;
    EXPECT_EQ(tools.StringList2Array({u"nummer"_s, 12, true, QString()}),
              (QStringList{u"nummer"_s, u"12"_s, u"true"_s, QString()}));
    EXPECT_TRUE(tools.StringList2Array({}).isEmpty());
}

TEST(Tools, ColumnCountsMatchTheLastColumnOfEachCatalogueAnswer)
{
    KLVTools tools;
    EXPECT_EQ(tools.DatabaseFieldCount(), int(fldDatabaseClassName));
    EXPECT_EQ(tools.GroupFieldCount(), int(fldGroupClassName));
    EXPECT_EQ(tools.EnumFieldCount(), int(fldEnumIsMenu));
    EXPECT_EQ(tools.EnumPosFieldCount(), int(fldEnumPosIdentifier));
    EXPECT_EQ(tools.TableFieldCount(), int(fldTableAliveFlag));
    EXPECT_EQ(tools.FieldFieldCount(), int(fldFieldHeadTextMsgNr));
    EXPECT_EQ(tools.KeyFieldCount(), int(fldKeyKeyCount));
    EXPECT_EQ(tools.RefInfoFieldCount(), int(fldRefTypeEchoLen));
    EXPECT_EQ(tools.FldTestFieldCount(), int(fldFldTestValue));
    EXPECT_EQ(tools.MessageFieldCount(), int(fldMsgText));
    EXPECT_EQ(tools.InfosysFieldCount(), int(fldInfosysClassName));
    // Late-bound callers read them as properties.
    EXPECT_EQ(tools.property("FieldFieldCount").toInt(), 23);
}

TEST(Tools, MessageFactoriesMakeStatusAndErrorMessages)
{
    KLVTools tools;
    auto status = tools.StatusMessage(u"saved"_s, u"export"_s);
    EXPECT_EQ(status->MsgType(), messageTypeStatus);
    EXPECT_EQ(status->MsgCategory(), u"STATUS"_s);
    EXPECT_EQ(status->Text(), u"saved"_s);
    EXPECT_EQ(status->Context(), u"export"_s);
    EXPECT_EQ(status->Number(), 0);
    EXPECT_EQ(status->FieldRow(), 0);
    EXPECT_TRUE(status->FieldName().isEmpty());

    auto error = tools.ErrorMessage(u"failed"_s);
    EXPECT_EQ(error->MsgType(), messageTypeError);
    EXPECT_EQ(error->MsgCategory(), u"ERROR"_s);
    EXPECT_TRUE(error->Context().isEmpty());
}

TEST(Tools, FactoryMakesToolsAsOneSharedInstanceAndSelectionsAsNewOnes)
{
    auto tools = KLVFactory::applicationObject(u"KLVActiveX.KLVTools"_s);
    ASSERT_TRUE(tools);
    EXPECT_EQ(tools, KLVFactory::applicationObject(u"{36B3FA70-B216-11D3-8D98-005004561FA5}"_s));
    EXPECT_TRUE(qobject_cast<KLVTools*>(tools.data()));

    auto first = KLVFactory::create(u"KLVSelection"_s);
    auto second = KLVFactory::create(u"{F0A102A0-196C-4147-9955-7F69756B9B98}"_s);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first->metaObject()->className(), QByteArray("KLVSelection"));
    EXPECT_FALSE(KLVFactory::applicationObject(u"KLVSelection"_s));
    EXPECT_TRUE(KLVFactory::creatableClasses().contains(u"KLVTools"_s));

    // Members are reached by name, as automation clients call them.
    QSharedPointer<KLVTAVArtInfo> described;
    ASSERT_TRUE(QMetaObject::invokeMethod(tools.data(), "GetTAVArtInfo",
                                          Q_RETURN_ARG(QSharedPointer<KLVTAVArtInfo>, described),
                                          Q_ARG(QString, u"R10.2"_s)));
    ASSERT_TRUE(described);
    EXPECT_EQ(described->MaxLen2(), 13);
}
