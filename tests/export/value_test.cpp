// The server's display texts read back as numbers, dates and times for the typed targets: each
// form the session may show, and what must stay text.
#include "ExportValue.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ExportValue, NumbersInEveryFormTheServerShows)
{
    struct Case
    {
        QString text;
        int fractionDigits;
        double value;
    };
    const Case numbers[] = {
        {u"123"_s, 0, 123},
        {u"-7"_s, 0, -7},
        {u"7-"_s, 0, -7},
        {u" +7 "_s, 0, 7},
        {u"1.234.567"_s, 0, 1234567},
        {u"1,234"_s, 0, 1234},
        {u"1 234"_s, 0, 1234},
        {u"1'234"_s, 0, 1234},
        {u"1.234,56"_s, 2, 1234.56},
        {u"1,234.56"_s, 2, 1234.56},
        {u"12,5"_s, 2, 12.5},
        {u"12.5"_s, 2, 12.5},
        // One separator before three digits: a thousand, unless the type holds three decimals.
        {u"1.234"_s, 2, 1234},
        {u"1.234"_s, 3, 1.234},
        {u"0,125"_s, 3, 0.125},
        {u"1234.5"_s, 2, 1234.5},
        {u"-0,00"_s, 2, 0},
        {u"123456789012345"_s, 0, 123456789012345},
        {u"0,000000000000001"_s, 15, 1e-15},
    };
    for (const Case& c : numbers) {
        const std::optional<double> value = ExportValue::Number(c.text, c.fractionDigits);
        ASSERT_TRUE(value.has_value()) << qPrintable(c.text);
        EXPECT_DOUBLE_EQ(*value, c.value) << qPrintable(c.text);
    }
    // Decimals in a whole number, groups that are no groups, and more digits than a double
    // keeps stay text.
    const std::pair<QString, int> texts[] = {
        {u"12.5"_s, 0},
        {u"12,34"_s, 0},
        {u"1.2.3"_s, 2},
        {u"1.23.456"_s, 2},
        {u"1234,567.89"_s, 2},
        {QString(), 2},
        {u"-"_s, 2},
        {u"abc"_s, 2},
        {u"1,"_s, 2},
        {u"1 2"_s, 0},
        {u"12e3"_s, 2},
        {u"1--"_s, 0},
        {u"0x10"_s, 0},
        {u"1234567890123456"_s, 0},
        {u"123456789012.3456"_s, 4},
    };
    for (const auto& [text, fraction] : texts)
        EXPECT_FALSE(ExportValue::Number(text, fraction).has_value()) << qPrintable(text);

    EXPECT_EQ(ExportValue::WholeNumber(u"1.234.567"_s), 1234567);
    EXPECT_FALSE(ExportValue::WholeNumber(u"1,5"_s).has_value());
}

TEST(ExportValue, DatesTimesAndDateTimesInEveryFormTheServerShows)
{
    EXPECT_EQ(ExportValue::Date(u"24.12.2023"_s), QDate(2023, 12, 24));
    EXPECT_EQ(ExportValue::Date(u"1.2.2024"_s), QDate(2024, 2, 1));
    EXPECT_EQ(ExportValue::Date(u"24.12.23"_s), QDate(2023, 12, 24));
    EXPECT_EQ(ExportValue::Date(u"01.01.30"_s), QDate(1930, 1, 1));
    EXPECT_EQ(ExportValue::Date(u"20231224"_s), QDate(2023, 12, 24));
    EXPECT_EQ(ExportValue::Date(u"2023-12-24"_s), QDate(2023, 12, 24));
    for (const QString& text : {u"31.02.2023"_s, u"2023-13-01"_s, u"24/12/2023"_s, u"24.12"_s, u"24.12.202"_s,
                                u"2023122"_s, QString(), u"00.00.0000"_s})
        EXPECT_FALSE(ExportValue::Date(text).has_value()) << qPrintable(text);

    EXPECT_EQ(ExportValue::Time(u"10:30"_s), QTime(10, 30));
    EXPECT_EQ(ExportValue::Time(u"9:05"_s), QTime(9, 5));
    EXPECT_EQ(ExportValue::Time(u"10:30:15"_s), QTime(10, 30, 15));
    EXPECT_EQ(ExportValue::Time(u"1030"_s), QTime(10, 30));
    EXPECT_EQ(ExportValue::Time(u"103015"_s), QTime(10, 30, 15));
    for (const QString& text : {u"25:00"_s, u"10:60"_s, u"10:5"_s, u"10"_s, u"10:30:1"_s, u"ab:cd"_s})
        EXPECT_FALSE(ExportValue::Time(text).has_value()) << qPrintable(text);

    const QDateTime stamp(QDate(2023, 12, 24), QTime(10, 30, 15));
    EXPECT_EQ(ExportValue::DateTime(u"24.12.2023 10:30:15"_s), stamp);
    EXPECT_EQ(ExportValue::DateTime(u"20231224103015"_s), stamp);
    EXPECT_EQ(ExportValue::DateTime(u"2023-12-24T10:30:15"_s), stamp);
    EXPECT_EQ(ExportValue::DateTime(u"24.12.23 10:30"_s), QDateTime(QDate(2023, 12, 24), QTime(10, 30)));
    EXPECT_EQ(ExportValue::DateTime(u"202312241030"_s), QDateTime(QDate(2023, 12, 24), QTime(10, 30)));
    for (const QString& text : {u"24.12.2023"_s, u"24.12.2023 25:00"_s, u"2023122410301"_s, u"x 10:30"_s})
        EXPECT_FALSE(ExportValue::DateTime(text).has_value()) << qPrintable(text);
}
