// Messages, errors and collectors, and how the library's classes are reached by name.
#include "KLV.h"
#include "KLVError.h"
#include "KLVFactory.h"
#include "KLVMessageCollector.h"
#include "KLVMessageCollectors.h"

#include <QMetaMethod>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QSharedPointer<KLVMessage> message(int type, const QString& text, int number = 0, int row = 0,
                                   const QString& field = QString(), const QString& category = QString(),
                                   const QString& context = QString())
{
    return KLVMessage::create(type, category, text, number, row, field, context);
}

} // namespace

TEST(Messages, MsgInfoShowsOnlyThePartsThatAreSet)
{
    EXPECT_EQ(message(messageTypeStatus, u"ok"_s, 12, 3, u"name"_s)->MsgInfo(),
              u"STATUS_MESSAGE No=12 Fld=name(3): ok"_s);
    EXPECT_EQ(message(messageTypeError, u"x"_s, 0, 5)->MsgInfo(), u"ERROR_MESSAGE: x"_s);
    EXPECT_EQ(message(messageTypeText, u"x"_s, 0, 0, u"f"_s)->MsgInfo(), u"TEXT_MESSAGE Fld=f: x"_s);
    EXPECT_EQ(message(7, u"x"_s, -2, 0, QString(), u"CAT"_s, u"ctx"_s)->MsgInfo(),
              u"MESSAGE Context=[ctx] No=-2 Cat=CAT: x"_s);
}

TEST(Messages, ErrInfoListsTheMessagesOnLinesOfTheirOwn)
{
    KLVError plain;
    plain.SetError(0, u"x"_s, QString());
    EXPECT_EQ(plain.ErrInfo(), u"KLVError: x"_s);

    KLVError full;
    full.SetError(42, u"failed"_s, u"Kunden"_s,
                  {message(messageTypeError, u"a"_s), message(messageTypeError, u"b"_s, 3)});
    EXPECT_EQ(full.ErrInfo(), u"KLVError 42 [Kunden]: failed\r\nERROR_MESSAGE: a\r\nERROR_MESSAGE No=3: b"_s);
    EXPECT_EQ(full.ErrorMessages().size(), 2);

    KLVError fresh;
    EXPECT_EQ(fresh.Number(), 0);
    EXPECT_TRUE(fresh.Message().isEmpty());
    EXPECT_TRUE(fresh.ErrorMessages().isEmpty());
}

TEST(Messages, CollectorHandsOutAndEmpties)
{
    KLVMessageCollector collector;
    EXPECT_EQ(collector.GetAllMessagesText(), QString());
    EXPECT_EQ(collector.MessageCount(), 0);
    EXPECT_TRUE(collector.GetAllMessages().isEmpty());

    for (const QString& t : {u"eins"_s, u"zwei"_s, u"drei"_s})
        collector.CollectMessage(message(messageTypeError, t));
    EXPECT_EQ(collector.MessageCount(), 3);
    EXPECT_TRUE(collector.GetMessage(0).isNull());
    EXPECT_TRUE(collector.GetMessage(4).isNull());
    EXPECT_EQ(collector.GetMessage(2)->Text(), u"zwei"_s);
    EXPECT_EQ(collector.MessageCount(), 3);
    EXPECT_EQ(collector.GetAllMessagesText(), u"eins\r\nzwei\r\ndrei"_s);
    EXPECT_EQ(collector.MessageCount(), 0);

    collector.CollectMessage(message(messageTypeError, u"a"_s));
    collector.CollectMessage(message(messageTypeError, u"b"_s));
    EXPECT_EQ(collector.GetAllMessagesText(u"; "_s), u"a; b"_s);
    collector.CollectMessage(message(messageTypeError, u"c"_s));
    const KLVMessageList all = collector.GetAllMessages();
    ASSERT_EQ(all.size(), 1);
    EXPECT_EQ(collector.MessageCount(), 0);
    collector.CollectMessage(message(messageTypeError, u"d"_s));
    collector.Reset();
    EXPECT_EQ(collector.MessageCount(), 0);
}

TEST(Messages, EachKindGoesToItsOwnCollectorAndTheRestIsLeftToEvents)
{
    KLVMessageCollectors collectors;
    collectors.error = QSharedPointer<KLVMessageCollector>::create();
    collectors.text = QSharedPointer<KLVMessageCollector>::create();

    EXPECT_TRUE(collectors.collect(message(messageTypeError, u"e"_s)));
    EXPECT_TRUE(collectors.collect(message(messageTypeText, u"t"_s)));
    EXPECT_FALSE(collectors.collect(message(messageTypeStatus, u"s"_s)));
    EXPECT_EQ(collectors.error->GetAllMessagesText(), u"e"_s);
    EXPECT_EQ(collectors.text->GetAllMessagesText(), u"t"_s);

    // A message of no known kind has neither a collector nor an event.
    EXPECT_TRUE(collectors.collectorFor(7).isNull());
    EXPECT_TRUE(collectors.collect(message(7, u"x"_s)));
    EXPECT_EQ(collectors.error->MessageCount() + collectors.text->MessageCount(), 0);
}

TEST(TypeLibrary, CreatableClassesByNameAndClassId)
{
    const QSharedPointer<QObject> byName = KLVFactory::create(u"KLV"_s);
    ASSERT_TRUE(byName);
    EXPECT_TRUE(qobject_cast<KLV*>(byName.data()));
    EXPECT_TRUE(qobject_cast<KLV*>(KLVFactory::create(u"KLVActiveX.KLV"_s).data()));
    EXPECT_TRUE(qobject_cast<KLV*>(KLVFactory::create(u"{e82a4c8e-7cba-11d3-8d90-005004561fa5}"_s).data()));
    EXPECT_TRUE(
        qobject_cast<KLVMessageCollector*>(KLVFactory::create(u"7FD366A3-0068-11D6-8DBB-005004561FA5"_s).data()));
    EXPECT_FALSE(KLVFactory::create(u"KLVError"_s));
    EXPECT_FALSE(KLVFactory::create(u"KLVQuery"_s));
    EXPECT_EQ(KLVFactory::applicationObject(u"KLV"_s), KLVFactory::applicationObject(u"KLVActiveX.KLV"_s));
    EXPECT_FALSE(KLVFactory::applicationObject(u"KLVMessageCollector"_s));
}

TEST(TypeLibrary, MembersAreReachableByName)
{
    auto session = qSharedPointerCast<KLV>(KLVFactory::create(u"KLV"_s));
    EXPECT_TRUE(session->setProperty("DatasetSize", 0));
    EXPECT_EQ(session->property("DatasetSize").toInt(), 1);
    EXPECT_EQ(session->property("MaxKLVVersion").toString(), u"3.31"_s);
    EXPECT_EQ(session->property("ClientKLVVersion").toString(), u"3.31"_s);
    EXPECT_EQ(session->property("ProgVersion").toString().count(u'.'), 2);

    bool connected = true;
    ASSERT_TRUE(QMetaObject::invokeMethod(session.data(), "IsConnected", Q_RETURN_ARG(bool, connected)));
    EXPECT_FALSE(connected);
    bool ok = true;
    ASSERT_TRUE(QMetaObject::invokeMethod(session.data(), "SetDecimalPoint", Q_RETURN_ARG(bool, ok),
                                          Q_ARG(KLVActiveX::KLV_Decimalpoint, KLVActiveX::KLV_Decimalpoint(2))));
    EXPECT_FALSE(ok);
    QString text;
    ASSERT_TRUE(QMetaObject::invokeMethod(session.data(), "GetLastError", Q_RETURN_ARG(QString, text)));
    EXPECT_TRUE(text.endsWith(u"Invalid decimal point"_s) || text.endsWith(u"Ungültiger Dezimalpunkt"_s));

    const QMetaObject* meta = session->metaObject();
    for (const char* name : {"BeginSession(QString,int,QString,QString)", "EndSession()", "Clone()", "CreateQuery()",
                             "GetAllSessionOptions()", "SetStringLock(QString,KLVActiveX::KLV_LockMode,QVariant,int)",
                             "ExecuteShell(QString,bool)", "StartQuery(QString,QString,QString,QString,QVariant)",
                             "GetDate(QVariant)", "GetFTMode(int&)"})
        EXPECT_GE(meta->indexOfMethod(name), 0) << name;
    for (const char* event : {"StatusMessage(QString&)", "ErrorMessage(QString&)", "TextMessage(QString&)",
                              "MessageReceived(QSharedPointer<KLVMessage>&)"})
        EXPECT_GE(meta->indexOfSignal(event), 0) << event;

    const QMetaEnum lockModes = QMetaEnum::fromType<KLVActiveX::KLV_LockMode>();
    EXPECT_EQ(lockModes.keyToValue("klvLockModeUnlock"), -1);
    EXPECT_EQ(QMetaEnum::fromType<KLVActiveX::KLV_FTMode>().keyToValue("klvFTModeTextAll"), 3);
}
