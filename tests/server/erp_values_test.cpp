// The sample ERP's values as sessions see and type them, selection strings taken apart, and
// information systems run over the data.
#include "KlvErpData.h"
#include "KlvSelectionString.h"
#include "KlvValueFormat.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Failures show the texts, not their bytes.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {
class ErpValues : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        data = new KlvErpData;
        ASSERT_TRUE(data->load(KlvErpData::builtInDataFile()));
    }
    static void TearDownTestSuite() { delete data; }

    KlvValueFormat format(const QString& key = {}, const QString& value = {}) const
    {
        KlvValueFormat::Options o;
        if (key == u"date")
            o.dateMode = value;
        else if (key == u"number")
            o.numberMode = value;
        else if (key == u"point")
            o.decimalComma = false;
        else if (key == u"bool")
            o.boolMode = value;
        else if (key == u"enum")
            o.enumMode = value;
        else if (key == u"ref")
            o.verwMode = value;
        else if (key == u"crlf")
            o.crlf = true;
        else if (key == u"trim")
            o.trim = true;
        else if (key == u"lang")
            o.lang = value;
        return KlvValueFormat(*data, o);
    }
    QString parsed(const QString& type, const QString& text) const
    {
        const KlvValueFormat::Parsed p = format().parse(type, text);
        return p.ok ? p.value : u"error %1"_s.arg(p.error);
    }
    static KlvErpData* data;
};
KlvErpData* ErpValues::data = nullptr;
} // namespace

TEST_F(ErpValues, numbersFollowTheNumberModeTheDecimalPointAndTheType)
{
    EXPECT_EQ(format().display(u"RT10.2"_s, u"-1234567.5"_s), u"-1.234.567,50");
    EXPECT_EQ(format(u"number"_s, u"TAV"_s).display(u"RT10.2"_s, u"1234567.5"_s), u"1234567,50");
    EXPECT_EQ(format(u"number"_s, u"RAW"_s).display(u"RT10.2"_s, u"1234567.5"_s), u"1234567.5");
    EXPECT_EQ(format(u"point"_s).display(u"RT10.2"_s, u"1234.5"_s), u"1,234.50");
    EXPECT_EQ(format().display(u"R10.2"_s, u"2.345"_s), u"2,35"); // more decimals than the type: rounded
    EXPECT_EQ(format().display(u"M8.3"_s, u"7.500"_s), u"7,5");   // "M": no trailing zeroes
    EXPECT_EQ(format().display(u"I6"_s, u"42"_s), u"42");
    EXPECT_EQ(format().display(u"RN8.2"_s, u"0"_s), QString()); // "N": blank when zero
    EXPECT_EQ(format().display(u"R8.2"_s, QString()), QString());
}

TEST_F(ErpValues, numbersAreReadInTheSessionsFormAndChecked)
{
    EXPECT_EQ(parsed(u"R10.2"_s, u"1.234,50"_s), u"1234.5");
    EXPECT_EQ(parsed(u"R10.2"_s, u"1234.5"_s), u"1234.5"); // the kept form is understood
    EXPECT_EQ(parsed(u"R10.2"_s, u"-0,004"_s), u"0");      // rounded to the type's decimals
    EXPECT_EQ(parsed(u"R4.2"_s, u"12345"_s), u"error 1120");
    EXPECT_EQ(parsed(u"I6"_s, u"007"_s), u"7");
    EXPECT_EQ(parsed(u"I6"_s, u"7,5"_s), u"error 1112");
    EXPECT_EQ(parsed(u"IP6"_s, u"-7"_s), u"error 1117");
    EXPECT_EQ(parsed(u"I6"_s, u"1 2"_s), u"error 1112");
    EXPECT_EQ(parsed(u"I6"_s, QString()), QString());
}

TEST_F(ErpValues, datesTimesWeeksAndPeriods)
{
    EXPECT_EQ(format().display(u"GD8"_s, u"20240301"_s), u"01.03.2024");
    EXPECT_EQ(format(u"date"_s, u"TAV"_s).display(u"GD8"_s, u"20240301"_s), u"01.03.24");
    EXPECT_EQ(format(u"date"_s, u"SORT"_s).display(u"GD8"_s, u"20240301"_s), u"20240301");
    EXPECT_EQ(format().display(u"GD14"_s, u"20240301101500"_s), u"01.03.2024 10:15:00");
    EXPECT_EQ(format(u"date"_s, u"TAV"_s).display(u"GD14"_s, u"20240301101500"_s), u"01.03.24 10:15");
    EXPECT_EQ(format().display(u"GP"_s, u"202403"_s), u"03.2024");
    EXPECT_EQ(parsed(u"GD8"_s, u"1.3.24"_s), u"20240301");
    EXPECT_EQ(parsed(u"GD8"_s, u"29.02.2023"_s), u"error 1113");
    EXPECT_EQ(parsed(u"GD8"_s, u"01.03.2024 10:15"_s), u"error 1113"); // a date takes no time
    EXPECT_EQ(parsed(u"GD14"_s, u"01.03.2024"_s), u"20240301000000");
    EXPECT_EQ(parsed(u"Z"_s, u"25:00"_s), u"error 1122");
    EXPECT_EQ(parsed(u"W"_s, u"54/2024"_s), u"error 1113");
    EXPECT_EQ(parsed(u"GP"_s, u"3.2024"_s), u"202403");
}

TEST_F(ErpValues, booleansEnumerationsAndTheirModifiers)
{
    EXPECT_EQ(format().display(u"B"_s, QString()), u"0");
    EXPECT_EQ(format(u"bool"_s, u"TAV"_s).display(u"B"_s, u"1"_s), u"ja");
    EXPECT_EQ(format().display(u"B"_s, u"1"_s, u"0"_s), u"(1)");
    EXPECT_EQ(format().display(u"A35"_s, u"3"_s), u"GEL");
    EXPECT_EQ(format(u"enum"_s, u"TEXT"_s).display(u"A35"_s, u"3"_s), u"geliefert");
    EXPECT_EQ(format(u"enum"_s, u"CODE"_s).display(u"A35"_s, u"3"_s), u"3");
    EXPECT_EQ(format(u"lang"_s, u"E"_s).display(u"A35"_s, u"3"_s, u"text"_s), u"delivered");
    EXPECT_EQ(format().display(u"A35"_s, u"3"_s, u"code"_s), u"(3)");
    EXPECT_EQ(format().display(u"A35"_s, u"9"_s), u"9"); // an unknown code stays itself
    EXPECT_EQ(parsed(u"A35"_s, u"(2)"_s), u"2");
    EXPECT_EQ(parsed(u"A35"_s, u"Delivered"_s), u"3");
    EXPECT_EQ(parsed(u"A35"_s, QString()), u"error 1115"); // the status may not be empty
    EXPECT_EQ(parsed(u"A20"_s, QString()), QString());
    EXPECT_EQ(parsed(u"A999"_s, u"1"_s), u"error 1104");
    EXPECT_EQ(parsed(u"B"_s, u"JA"_s), u"1");
}

TEST_F(ErpValues, referencesAreShownAndFoundByNumberOrSearchWord)
{
    EXPECT_EQ(format().display(u"P4:1"_s, u"(4,1,2)"_s), u"2");
    EXPECT_EQ(format(u"ref"_s, u"SW"_s).display(u"P4:1"_s, u"(4,1,2)"_s), u"KRUEGER");
    EXPECT_EQ(format(u"ref"_s, u"EXT"_s).display(u"P4:1"_s, u"(4,1,2)"_s), u"2 KRUEGER");
    EXPECT_EQ(format().display(u"P4:1"_s, u"(4,1,2)"_s, u"ref"_s), u"(4,1,2)");
    EXPECT_EQ(format().display(u"P4:1"_s, u"(4,1,99)"_s), u"(4,1,99)"); // a lost target shows the reference
    EXPECT_EQ(parsed(u"P1:1"_s, u"Mueller"_s), u"(1,1,1)");
    EXPECT_EQ(parsed(u"P1:1"_s, u"10002 MEIER"_s), u"(1,1,2)");
    EXPECT_EQ(parsed(u"P1:1"_s, u"(2,1,1)"_s), u"error 1116"); // not a table of the type
    EXPECT_EQ(parsed(u"VPK51"_s, u"1; VOGEL"_s), u"(4,1,1);(4,1,3)");
    EXPECT_EQ(parsed(u"VP7"_s, u"(2,1,5)"_s), u"(2,1,5)");
    EXPECT_EQ(parsed(u"P1:1"_s, u"niemand"_s), u"error 1116");
}

TEST_F(ErpValues, textsFreeTextsLineBreaksAndTrimming)
{
    EXPECT_EQ(parsed(u"GL4"_s, u"vier"_s), u"vier");
    EXPECT_EQ(parsed(u"GL4"_s, u"fünf!"_s), u"error 1114");
    EXPECT_EQ(parsed(u"TN"_s, u"a\r\nb"_s), u"a\nb");
    EXPECT_EQ(format(u"crlf"_s).display(u"TN"_s, u"a\nb"_s), u"a\r\nb");
    EXPECT_EQ(format().display(u"TN"_s, QString(600, u'x')).size(), 500);
    EXPECT_EQ(format(u"trim"_s).display(u"GL10"_s, u" a  "_s), u"a");
    EXPECT_EQ(format().display(u"BU1"_s, u"x"_s), QString());
}

TEST(SelectionString, itemsAndCriteriaAreTakenApart)
{
    QString error;
    const auto s = KlvSelectionString::parse(
        u"1:1,@sort=ort;@richtung=rueckw;@verkn=oder;@zeilen=ja;@ablageart=beides;@lesen=(0);;ort=Berlin;"
        "umsatz>=100;name<>M*;email=`;a!=b"_s,
        &error);
    ASSERT_TRUE(s) << qPrintable(error);
    EXPECT_EQ(s->table, u"1:1");
    EXPECT_EQ(s->key, u"ort");
    EXPECT_TRUE(s->descending && s->orJunction && s->byRows && s->readNone);
    EXPECT_EQ(s->aliveFlag, 3);
    ASSERT_EQ(s->criteria.size(), 5);
    EXPECT_EQ(s->criteria.at(1).op, u">=");
    EXPECT_EQ(s->criteria.at(2).op, u"<>");
    EXPECT_EQ(s->criteria.at(3).value, QString());
    EXPECT_EQ(s->criteria.at(4).op, u"<>");

    const auto order = KlvSelectionString::parse(u"2:1,@ordnung=name.rueckw,nummer"_s, &error);
    ASSERT_TRUE(order);
    ASSERT_EQ(order->order.size(), 2);
    EXPECT_TRUE(order->order.at(0).descending);
    EXPECT_FALSE(order->order.at(1).descending);
    EXPECT_EQ(order->aliveFlag, -1);

    EXPECT_FALSE(KlvSelectionString::parse(u",ort=x"_s, &error));
    EXPECT_FALSE(KlvSelectionString::parse(u"1:1,Berlin"_s, &error));
    EXPECT_FALSE(KlvSelectionString::parse(u"1:1,@ablageart=irgendwas"_s, &error));
    EXPECT_FALSE(KlvSelectionString::parse(u"1:1,@ordnung=name.seitwaerts"_s, &error));
    EXPECT_TRUE(error.contains(u"seitwaerts"));
}

TEST_F(ErpValues, anInformationSystemRunSelectsWithItsParametersAndReports)
{
    const KlvErpData::InfosystemResult berlin =
        data->runInfosystem(1, {{u"ort"_s, u"Berlin"_s}, {u"min"_s, u"40000"_s}});
    ASSERT_TRUE(berlin.error.isEmpty()) << qPrintable(berlin.error);
    ASSERT_FALSE(berlin.rows.isEmpty());
    double sum = 0;
    for (const auto& row : berlin.rows) {
        EXPECT_EQ(row.value(u"ort"_s), u"Berlin");
        EXPECT_GE(row.value(u"umsatz"_s).toDouble(), 40000);
        EXPECT_FALSE(row.contains(u"knopf"_s)); // a button column has no values
        sum += row.value(u"umsatz"_s).toDouble();
    }
    EXPECT_EQ(berlin.head.value(u"anzahl"_s), QString::number(berlin.rows.size()));
    EXPECT_NEAR(berlin.head.value(u"summe"_s).toDouble(), sum, 0.001);
    // Without parameters every customer, alive or filed.
    EXPECT_EQ(data->runInfosystem(1, {}).rows.size(), 120);
    // Information system 2 needs its "abmin"; 3 takes a customer reference.
    EXPECT_FALSE(data->runInfosystem(2, {}).error.isEmpty());
    EXPECT_EQ(data->runInfosystem(3, {{u"kunde"_s, u"(1,1,8)"_s}}).rows.size(), 4);
    EXPECT_FALSE(data->runInfosystem(9, {}).error.isEmpty());
}
