// Command lines as they go over the wire, and answer lines split back into fields.
#include "KLVCmdBuilder.h"
#include "KLVCmdParser.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList split(const QString& text, int limit = std::numeric_limits<int>::max())
{
    QStringList fields;
    KLVCmdParser::GetFieldsArray(text, fields, true, limit);
    return fields;
}

} // namespace

TEST(CommandLine, BarBackslashAndLineFeedAreEscapedAndReadBack)
{
    const QString value = u"a|b\\c\nd\re"_s + QChar(u'\0') + u"f"_s;
    const QString escaped = KLVCmdBuilder::EscapeField(value);
    EXPECT_EQ(escaped, u"a\\|b\\\\c\\nd\\re\\0f"_s);
    EXPECT_EQ(split(escaped), QStringList{value});

    KLVCmdBuilder builder;
    const QString line = builder.buildSFV(u"7"_s, u"0"_s, u"FELD"_s, value, false);
    EXPECT_EQ(line, u"SFV|7|0|FELD|"_s + escaped + u"|0"_s);
    EXPECT_EQ(split(line), (QStringList{u"SFV"_s, u"7"_s, u"0"_s, u"FELD"_s, value, u"0"_s}));
}

TEST(CommandLine, EveryKindOfCharacterSurvivesTheRoundTrip)
{
    QString value;
    for (char16_t c = 0; c < 300; ++c)
        value += QChar(c);
    value += u"\\|\\\\||\\"_s;
    EXPECT_EQ(split(KLVCmdBuilder::EscapeField(value)), QStringList{value});
}

TEST(CommandLine, TrailingBarAddsNoEmptyElement)
{
    EXPECT_EQ(split(u"ACK|5"_s), (QStringList{u"ACK"_s, u"5"_s}));
    EXPECT_EQ(split(u"ACK|5|"_s), (QStringList{u"ACK"_s, u"5"_s}));
}

TEST(CommandLine, EmptyFieldsInsideTheLineAreKept)
{
    const QStringList fields = split(u"E|0||12||last"_s);
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[2], QString());
    EXPECT_EQ(fields[3], u"12"_s);
    EXPECT_EQ(fields[4], QString());
    EXPECT_EQ(fields[5], u"last"_s);
}

TEST(CommandLine, LineWithoutBarHasNoCodeAndNoTid)
{
    const QString line = u"garbage without bars"_s;
    EXPECT_EQ(KLVCmdParser::GetCMD(line), QString());
    EXPECT_EQ(KLVCmdParser::getTID(line), QString());
    EXPECT_EQ(KLVCmdParser::GetCmdLineFields(line), QString());
    EXPECT_EQ(split(line), QStringList{line});
}

TEST(CommandLine, CodeTidAndFieldsAreTakenApart)
{
    EXPECT_EQ(KLVCmdParser::GetCMD(u"|0|x"_s), QString());
    EXPECT_EQ(KLVCmdParser::GetCMD(u"NAK|12|text|5"_s), u"NAK"_s);
    EXPECT_EQ(KLVCmdParser::getTID(u"NAK|12|text|5"_s), u"12"_s);
    EXPECT_EQ(KLVCmdParser::getTID(u"ACK|12"_s), u"12"_s);
    EXPECT_EQ(KLVCmdParser::GetCmdLineFields(u"ACK|12"_s), QString());
    EXPECT_EQ(KLVCmdParser::GetCmdLineFields(u"NAK|12|text\\|x|5"_s), u"text\\|x|5"_s);
}

TEST(CommandLine, BackslashRules)
{
    EXPECT_EQ(split(u"ab\\"_s), QStringList{u"ab\\"_s});
    EXPECT_EQ(split(u"\\x\\y"_s), QStringList{u"xy"_s});
    EXPECT_EQ(split(u"a\\|b|c"_s), (QStringList{u"a|b"_s, u"c"_s}));
}

TEST(CommandLine, ArrayIsNotClearedAndShrinkCutsIt)
{
    QStringList fields{u"old1"_s, u"old2"_s, u"old3"_s};
    EXPECT_EQ(KLVCmdParser::GetFieldsArray(u"new"_s, fields, false), 1);
    EXPECT_EQ(fields, (QStringList{u"new"_s, u"old2"_s, u"old3"_s}));
    EXPECT_EQ(KLVCmdParser::GetFieldsArray(u"a|b"_s, fields, true), 2);
    EXPECT_EQ(fields, (QStringList{u"a"_s, u"b"_s}));
    // Nothing found: shrink leaves the array alone.
    EXPECT_EQ(KLVCmdParser::GetFieldsArray(u""_s, fields, true), 0);
    EXPECT_EQ(fields.size(), 2);
}

TEST(CommandLine, FieldsBeyondTheLimitAreDropped)
{
    QString line;
    for (int i = 1; i <= 2000; ++i)
        line += QString::number(i) + u'|';
    QStringList fields(99);
    EXPECT_EQ(KLVCmdParser::GetFieldsArray(line, fields, false, 99), 99);
    EXPECT_EQ(fields.size(), 99);
    EXPECT_EQ(fields[98], u"99"_s);
    EXPECT_EQ(split(line, 1500).size(), 1500);
}

TEST(CommandLine, NumbersAndBooleans)
{
    KLVCmdBuilder b;
    EXPECT_EQ(b.buildGTN(u"0"_s, u"A"_s, -25, true), u"GTN|0|A|-25|1"_s);
    EXPECT_EQ(b.buildGTN(u"0"_s, QString(), 0, false), u"GTN|0||0|0"_s);
    EXPECT_EQ(KLVCmdBuilder::AppendNumber(2147483647), u"|2147483647"_s);
}

TEST(CommandLine, CommandWithoutFieldsEndsAfterTheTid)
{
    KLVCmdBuilder b;
    EXPECT_EQ(b.buildEND(u"0"_s), u"END|0"_s);
    EXPECT_EQ(b.buildGNR(u"42"_s), u"GNR|42"_s);
    EXPECT_EQ(b.buildBRQ(u"42"_s), u"BRQ|42"_s);
    EXPECT_EQ(b.buildCOM(u"3"_s), u"COM|3"_s);
}

TEST(CommandLine, FieldsLeftOutWhenEmpty)
{
    KLVCmdBuilder b;
    EXPECT_EQ(b.buildSET(u"0"_s, u"CHARSET"_s, u"UTF-8"_s, QString()), u"SET|0|CHARSET|UTF-8"_s);
    EXPECT_EQ(b.buildSET(u"0"_s, u"TESTFLAG"_s, u"5"_s, u"1"_s), u"SET|0|TESTFLAG|5|1"_s);
    EXPECT_EQ(b.buildSHO(u"0"_s, u"DISPLAYMODE"_s, QString(), false), u"SHO|0|DISPLAYMODE|0"_s);
    EXPECT_EQ(b.buildSHO(u"0"_s, u"TESTFLAG"_s, u"5"_s, false), u"SHO|0|TESTFLAG|5|0"_s);
    EXPECT_EQ(b.buildNEW(u"0"_s, u"KUNDEN"_s, QString(), u"EMPTY"_s, QString()), u"NEW|0|KUNDEN|EMPTY|"_s);
    EXPECT_EQ(b.buildNEW(u"0"_s, u"KUNDEN"_s, u"2"_s, u"REF"_s, u"(1,2,3)"_s), u"NEW|0|KUNDEN:2|REF|(1,2,3)"_s);
}

TEST(CommandLine, ReferenceTypeFollowsTheDatabase)
{
    KLVCmdBuilder b;
    EXPECT_EQ(b.buildUPD(u"0"_s, u"1"_s, u"10"_s), u"UPD|0|1|NUMSW|10"_s);
    EXPECT_EQ(b.buildDEL(u"0"_s, QString(), u"(1,2,3)"_s), u"DEL|0||REF|(1,2,3)"_s);
    EXPECT_EQ(b.buildVIE(u"0"_s, u"1"_s, u"10"_s), u"VIE|0|1|NUMSW|10"_s);
}

TEST(CommandLine, LogonLineCarriesEveryFieldAndTheDefaultApplicationName)
{
    KLVCmdBuilder b;
    QString appName;
    const QString line =
        b.buildLGN(u"0"_s, u"pw|d"_s, u"100"_s, u"3.31"_s, u"host"_s, appName, u"host"_s, u"127.0.0.1"_s, u"admin"_s);
    EXPECT_TRUE(appName.startsWith(u"KLV-API "_s));
    EXPECT_TRUE(appName.contains(u" Rev "_s));
    EXPECT_EQ(line, u"LGN|0|pw\\|d|100|3.31|host|"_s + appName + u"|host|127.0.0.1|admin|0"_s);

    QString given = u"MyApp"_s;
    b.buildLGN(u"0"_s, QString(), QString(), u"3.31"_s, QString(), given, QString(), QString(), QString());
    EXPECT_EQ(given, u"MyApp"_s);
}

TEST(CommandLine, QueryAndEditorCommandsPlaceTheirFields)
{
    KLVCmdBuilder b;
    EXPECT_EQ(b.buildEXQ(u"0"_s, u"KUNDEN,@sort=nummer"_s, u"nummer,name"_s, 50, 0, QString(), QString(), QString(), 0,
                         false),
              u"EXQ|0|KUNDEN,@sort=nummer|nummer,name|50|0||||0|0"_s);
    EXPECT_EQ(b.buildTFV(u"0"_s, u"A10"_s, {}), u"TFV|0|A10"_s);
    EXPECT_EQ(b.buildTFV(u"0"_s, u"A10,N5"_s, {u"x"_s, QString()}), u"TFV|0|A10,N5|x|"_s);
    EXPECT_EQ(b.buildLCK(u"0"_s, u"APP"_s, u"BACKUP"_s, u"UNLOCK"_s, QString()), u"LCK|0|APP|BACKUP|UNLOCK|"_s);
    EXPECT_EQ(b.buildGFT(u"5"_s, u"0"_s, u"TEXT"_s, u"START"_s, 1000, 0), u"GFT|5|0|TEXT|START|1000|0"_s);
    EXPECT_EQ(b.buildXSH(u"0"_s, u"ls"_s, true), u"XSH|0|ls|1|0"_s);
    EXPECT_EQ(b.buildSUB(u"0"_s, u"17"_s, u"2"_s, u"BTN"_s), u"SUB|0|17|2|BTN"_s);
    EXPECT_EQ(b.buildGMT(u"0"_s, u"D"_s, u"100-120"_s, u"de,en"_s, QString(), false, true),
              u"GMT|0|D|100-120|de,en||0|1"_s);
}
