// The columns of a database table and the values written into them: dates and times read
// as ExportValue reads them (compared on every form and on random texts), column names cut
// to what a server keeps without splitting a character and kept apart, and text columns of a
// data source that hold any display text.
#include "DatabaseColumn.h"
#include "DatabaseValue.h"
#include "ExportValue.h"
#include "database_support.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ExportTest;

namespace {

// What DatabaseValue writes for a text, or a null string when it refuses it.
QString isoDate(const QString& text)
{
    char out[DatabaseValue::IsoDateLength];
    return DatabaseValue::IsoDate(text, out) ? QString::fromLatin1(out, DatabaseValue::IsoDateLength) : QString();
}

QString isoDateTime(const QString& text)
{
    char out[DatabaseValue::IsoDateTimeLength];
    return DatabaseValue::IsoDateTime(text, out) ? QString::fromLatin1(out, DatabaseValue::IsoDateTimeLength)
                                                 : QString();
}

// The same through ExportValue and QDate.
QString viaQDate(const QString& text)
{
    const std::optional<QDate> date = ExportValue::Date(text);
    return date ? date->toString(Qt::ISODate) : QString();
}

QString viaQDateTime(const QString& text)
{
    const std::optional<QDateTime> stamp = ExportValue::DateTime(text);
    return stamp ? stamp->toString(u"yyyy-MM-dd HH:mm:ss"_s) : QString();
}

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

} // namespace

TEST(DatabaseValues, DatesAndTimesReadAsExportValueReadsThem)
{
    QStringList texts{u"24.12.2023"_s, u" 1.2.23 "_s,   u"29.02.2024"_s,    u"29.02.2023"_s, u"29.02.2000"_s,
                      u"29.02.1900"_s, u"31.04.2023"_s, u"1.1.29"_s,        u"1.1.30"_s,     u"20231224"_s,
                      u"00000101"_s,   u"2023-12-24"_s, u"2023-1-2"_s,      u"23-12-24"_s,   u"0.12.2023"_s,
                      u"12.2023"_s,    u"1.2.3.4"_s,    u"a.b.cdef"_s,      u""_s,           u"31.12.9999"_s,
                      u"01.01.0001"_s, u"1.1.123"_s,    u"１.１.２０２３"_s};
    QStringList stamps{u"24.12.2023 10:30:15"_s, u"24.12.2023 10:30"_s, u"2023-12-24T23:59:59"_s,
                       u"20231224103015"_s,      u"202312241030"_s,     u"24.12.2023 24:00"_s,
                       u"24.12.2023 9:05"_s,     u"24.12.2023 10:60"_s, u"24.12.2023  10:30"_s,
                       u"24.12.2023"_s,          u"24.12.2023 1030"_s,  u"24.12.2023 10:30:5"_s,
                       u"31.02.2023 10:00"_s,    u"2023122410301"_s,    u"24.12.2023 10:30:15:00"_s};
    // Random texts of the characters the forms are made of, and random dates in each form.
    QRandomGenerator random(4711);
    const QString alphabet = u"0123456789.-: T"_s;
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = int(random.bounded(22));
        for (int c = 0; c < length; ++c)
            text += alphabet[int(random.bounded(int(alphabet.size())))];
        (i % 2 ? texts : stamps).append(text);
        const int year = int(random.bounded(10000));
        const int month = int(random.bounded(14));
        const int day = int(random.bounded(33));
        const QString time = twoDigits(int(random.bounded(25))) + u':' + twoDigits(int(random.bounded(61)));
        texts.append(QString::number(day) + u'.' + QString::number(month) + u'.' +
                     (i % 3 ? QString::number(year).rightJustified(4, u'0') : twoDigits(year % 100)));
        texts.append(QString::number(year).rightJustified(4, u'0') + twoDigits(month) + twoDigits(day));
        stamps.append(QString::number(year).rightJustified(4, u'0') + u'-' + QString::number(month) + u'-' +
                      QString::number(day) + (i % 2 ? u' ' : u'T') + time);
    }
    for (const QString& text : std::as_const(texts))
        ASSERT_EQ(isoDate(text), viaQDate(text)) << text.toStdString();
    for (const QString& text : std::as_const(stamps))
        ASSERT_EQ(isoDateTime(text), viaQDateTime(text)) << text.toStdString();
    EXPECT_EQ(isoDate(u"1.2.23"_s), u"2023-02-01"_s);
    EXPECT_EQ(isoDate(u"01.01.0001"_s), u"0001-01-01"_s);
    EXPECT_EQ(isoDateTime(u"20231224103015"_s), u"2023-12-24 10:30:15"_s);
}

TEST(DatabaseValues, LineBreaksBecomeCrLfWhicheverTheServerSent)
{
    EXPECT_EQ(DatabaseValue::CrLfLines(u"a\nb\r\nc\rd\r\n\ne"_s), u"a\r\nb\r\nc\r\nd\r\n\r\ne"_s);
    EXPECT_EQ(DatabaseValue::CrLfLines(u"plain"_s), u"plain"_s);
}

TEST(DatabaseColumns, NamesAreCutToWhatTheServerKeepsAndKeptApart)
{
    // Two bytes each: a cut never halves one, nor a pair of surrogates.
    const QString umlauts = QString(10, u'\u00e4');
    const QString emoji = u"ab\U0001F600"_s;
    const QList<DatabaseColumn> columns =
        DatabaseColumn::ForFields({field(umlauts), field(umlauts + u'x'), field(u"ABCDEFGHIJ"_s),
                                   field(u"abcdefghijk"_s), field(emoji), field(emoji + u'c')},
                                  false, true, 9);
    QStringList names;
    for (const DatabaseColumn& column : columns) {
        names.append(column.name);
        EXPECT_LE(column.name.toUtf8().size(), 9) << column.name.toStdString();
    }
    EXPECT_EQ(names, (QStringList{QString(4, u'\u00e4'), QString(3, u'\u00e4') + u"_2"_s, u"ABCDEFGHI"_s,
                                  u"abcdefg_2"_s, emoji, u"ab\U0001F600c"_s}));
    // Without a limit the names stay whole.
    EXPECT_EQ(DatabaseColumn::ForFields({field(QString(300, u'n'))}, false, true).first().name, QString(300, u'n'));
}

TEST(DatabaseColumns, ADataSourceGetsTextColumnsThatHoldAnyDisplayText)
{
    // An enumeration stores a code of one letter and shows its text; a reference shows more
    // than its stored number.
    for (const QString& code : {u"AK5"_s, u"AZK131"_s, u"GL40"_s, u"Z"_s, u"P1:1"_s})
        EXPECT_EQ(DatabaseColumn::SqlType(typedField(u"f"_s, code), true), u"TEXT"_s) << code.toStdString();
    // A file keeps the declared length, which SQLite never enforces.
    EXPECT_EQ(DatabaseColumn::SqlType(typedField(u"f"_s, u"GL40"_s), false), u"VARCHAR(40)"_s);
    EXPECT_EQ(DatabaseColumn::SqlType(typedField(u"f"_s, u"I6"_s), true), u"INTEGER"_s);
    EXPECT_EQ(DatabaseColumn::SqlType(typedField(u"f"_s, u"B"_s), true), u"SMALLINT"_s);
}
