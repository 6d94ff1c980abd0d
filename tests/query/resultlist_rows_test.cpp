// Raw row storage of the result list: values come back exactly as they went in, whatever
// their characters and lengths, across page boundaries and in rows too long for 16-bit ends.
#include "ResultListRows.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace {

QStringList readRow(const ResultListRows& rows, int row)
{
    QStringList values;
    for (int i = 0; i < rows.valueCount(row); ++i)
        values.append(rows.value(row, i));
    return values;
}

} // namespace

TEST(ResultListRows, ValuesOfEveryKindComeBackAsTheyWent)
{
    ResultListRows rows;
    const QStringList plain{u"1"_s, u""_s, u"Messwert 1"_s, u""_s};
    const QStringList international{u"Müller & Söhne"_s,
                                    u"€ 12,50"_s,
                                    u"日本語"_s,
                                    QString::fromUcs4(U"\U0001F600 smile"),
                                    u"two\r\nlines\ttab"_s,
                                    QString(u"nul"_s + QChar(0) + u"inside"_s)};
    EXPECT_EQ(rows.append(plain), 0);
    EXPECT_EQ(rows.append(international), 1);
    EXPECT_EQ(rows.append(QStringList()), 2);
    EXPECT_EQ(rows.size(), 3);
    EXPECT_EQ(readRow(rows, 0), plain);
    EXPECT_EQ(readRow(rows, 1), international);
    EXPECT_EQ(rows.valueCount(2), 0);
    // Outside a row or the list: nothing, never a crash.
    EXPECT_EQ(rows.value(0, 4), QString());
    EXPECT_EQ(rows.value(0, -1), QString());
    EXPECT_EQ(rows.value(3, 0), QString());
    EXPECT_EQ(rows.value(-1, 0), QString());
    EXPECT_EQ(rows.valueCount(7), 0);
}

TEST(ResultListRows, ALoneSurrogateReadsAsTheReplacementCharacterAndSpoilsNothingElse)
{
    ResultListRows rows;
    const QString broken = u"a"_s + QChar(0xD800) + u"b"_s + QChar(0xDC00);
    rows.append(QStringList{broken, u"next"_s});
    EXPECT_EQ(rows.value(0, 0), u"a\uFFFDb\uFFFD"_s);
    EXPECT_EQ(rows.value(0, 1), u"next"_s);
}

TEST(ResultListRows, Utf8BytesAreStoredAsTheyCameAndOnlyWellFormedOnesPassAsUtf8)
{
    ResultListRows rows;
    const QByteArray longValue(70000, 'x'); // beyond 16-bit ends
    const QByteArrayView values[] = {"M\xC3\xBCnchen", "", "\xE2\x82\xAC 12,50", "\xF0\x9F\x98\x80", longValue};
    EXPECT_EQ(rows.append(values, 4), 0);
    EXPECT_EQ(rows.append(values, 5), 1);
    EXPECT_EQ(rows.append(values, 0), 2);
    EXPECT_EQ(readRow(rows, 0), (QStringList{u"München"_s, u""_s, u"€ 12,50"_s, QString::fromUcs4(U"\U0001F600")}));
    EXPECT_EQ(rows.utf8(0, 0), QByteArrayView("M\xC3\xBCnchen"));
    EXPECT_EQ(rows.value(1, 4).size(), 70000);
    EXPECT_EQ(rows.value(1, 3), QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(rows.valueCount(2), 0);

    for (const char* good : {"", "plain ASCII text, longer than a word", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80",
                             "\xED\x9F\xBF", "\xEE\x80\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(ResultListRows::isUtf8(good)) << good;
    // Stray and missing continuation bytes, overlong forms, surrogates, beyond U+10FFFF, and
    // Windows-1252 text.
    for (const char* bad :
         {"\x80", "a\xBF", "\xC3", "abcdefgh\xC3", "\xC3(", "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80",
          "\xE2\x82", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF", "M\xFCnchen"})
        EXPECT_FALSE(ResultListRows::isUtf8(bad)) << bad;
}

TEST(ResultListRows, LongRowsAndPageBoundariesKeepEveryValue)
{
    ResultListRows rows;
    // A value beyond 16-bit ends, one larger than a page, and ordinary rows around them.
    const QString longText = QString(30000, u'ä');
    const QString hugeText = QString(int(ResultListRows::PageBytes), u'x') + u"end"_s;
    QList<QStringList> expected;
    QRandomGenerator random(7);
    for (int r = 0; r < 60000; ++r) {
        QStringList row;
        if (r == 100)
            row = {u"before"_s, longText, u"after"_s};
        else if (r == 30000)
            row = {hugeText, u"tail"_s};
        else
            row = {QString::number(r), QString(int(random.bounded(40)), QChar(u'a' + r % 26)), u"(90,1,%1)"_s.arg(r)};
        expected.append(row);
        ASSERT_EQ(rows.append(row), r);
    }
    for (int r = 0; r < rows.size(); ++r)
        ASSERT_EQ(readRow(rows, r), expected[r]) << "row " << r;
    EXPECT_GT(rows.memoryUsed(), qsizetype(ResultListRows::PageBytes));

    rows.clear();
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_EQ(rows.value(0, 0), QString());
    EXPECT_EQ(rows.memoryUsed(), 0);
    EXPECT_EQ(rows.append(QStringList{u"again"_s}), 0);
    EXPECT_EQ(rows.value(0, 0), u"again"_s);
}

TEST(ResultListRows, AMillionShortRowsTakeAFractionOfWhatStringListsWould)
{
    ResultListRows rows;
    const QStringList record{
        u"123456"_s, u"M0123456"_s, u"Messwert 123456"_s, u"Hamburg"_s,      u"20140512"_s, u"6543.21"_s, u"456"_s,
        u"1"_s,      u"3"_s,        u"(1,1,57)"_s,        u"(90,1,123456)"_s};
    for (int r = 0; r < 1000000; ++r)
        rows.append(record);
    // Ten short fields and the id: about 110 bytes a row, where a list of strings per row
    // costs well over a kilobyte.
    EXPECT_LT(rows.memoryUsed(), qsizetype(140) * 1000000);
    EXPECT_EQ(readRow(rows, 999999), record);
}
