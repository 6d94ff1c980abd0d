// The drag data of a result row: the record reference and its database and group numbers as
// the ERP GUI client reads them, byte for byte, read from klvserver; no drag for a record that
// cannot be read.
#include "KLV.h"
#include "KLVQuery.h"
#include "KlvSessionFixture.h"
#include "ResultDragData.h"
#include "export_support.h"

#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

class DragData : public KlvSessionFixture
{
protected:
    // The reference of the first record of a table, as a result row keeps it.
    QString firstRef(const QString& table)
    {
        EXPECT_TRUE(query->StartQuery(table, u"nummer,+id"_s));
        EXPECT_TRUE(query->GetNextRecord());
        return query->GetField(2);
    }
};

TEST_F(DragData, ARowIsDraggedAsItsReferenceAndOrigin)
{
    const QString ref = firstRef(u"2:1"_s);
    ASSERT_FALSE(ref.isEmpty());
    const QSharedPointer<KLVQuery> tmp = session->CreateQuery();
    const std::unique_ptr<QMimeData> data(ResultDragData::Create(tmp.data(), ref));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(), QStringList{u"CF_WEXA_GUI_DRAGDROP"_s});
    const QString text = ref + QChar(24) + u"(2,1)"_s + QChar(24) + u"[pos]=0"_s;
    EXPECT_EQ(data->data(u"CF_WEXA_GUI_DRAGDROP"_s), ExportTest::utf16le(text));
    EXPECT_TRUE(server().receivedLines().filter(u"|dnr,gruppe|"_s).size() == 1);
}

TEST_F(DragData, NoDragForARecordThatCannotBeRead)
{
    const QSharedPointer<KLVQuery> tmp = session->CreateQuery();
    int dnr = 0;
    int gruppe = 0;
    EXPECT_FALSE(ResultDragData::ReadRecordOrigin(tmp.data(), u"(2,1,999999)"_s, dnr, gruppe));
    EXPECT_EQ(dnr, -1);
    EXPECT_EQ(gruppe, -1);
    EXPECT_EQ(ResultDragData::Create(tmp.data(), u"(2,1,999999)"_s), nullptr);
    EXPECT_EQ(ResultDragData::Create(tmp.data(), QString()), nullptr);
}

TEST_F(DragData, TheTextIsCutTo9999Characters)
{
    const QString longRef(10050, u'x');
    const QByteArray bytes = ResultDragData::Bytes(longRef, 1, 2);
    EXPECT_EQ(bytes.size(), 2 * 9999);
    EXPECT_EQ(ResultDragData::Text(u"(1,1,7)"_s, 1, 0), u"(1,1,7)\x18(1,0)\x18[pos]=0"_s);
}
