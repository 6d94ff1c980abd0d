// Type codes classified and described: one code of every family, the digit and length rules,
// reference targets, and the description made from a reference-type row.
#include "KLVTAVArtInfo.h"
#include "KLVTools.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QSharedPointer<KLVTAVArtInfo> info(const QString& code)
{
    return KLVTools().GetTAVArtInfo(code);
}

struct Classified
{
    const char16_t* code;
    KLV_DataType type;
};

} // namespace

TEST(TypeCodeClassification, OneCodeOfEveryFamilyAndTheRuleOrder)
{
    const Classified cases[] = {
        {u"R10.2", klvReal},
        {u"M8.3", klvReal},
        {u"iRE10.2", klvReal},
        {u"ARTR5", klvReal},
        {u"K3", klvByte},
        {u"KU3", klvByte},
        {u"GRN", klvByte},
        {u"GRDN", klvByte},
        {u"uKU2", klvByte},
        {u"J5", klvInteger},
        {u"TZN", klvInteger},
        {u"iSH", klvInteger},
        {u"I", klvLongInt},
        {u"I9", klvLongInt},
        {u"IPN7", klvLongInt},
        {u"IU5", klvLongInt},
        {u"B", klvBool},
        {u"B1", klvBool},
        {u"P12:3", klvReference},
        {u"PS12", klvReference},
        {u"ID5", klvReference},
        {u"C24", klvReference},
        {u"VP5", klvReference},
        {u"VPKS5", klvReference},
        {u"VID2", klvReference},
        {u"AZK", klvEnumReference},
        {u"AZM", klvEnumReference},
        {u"IDZ5", klvRowReference},
        {u"Z", klvTime},
        {u"D", klvDate},
        {u"GD8", klvDate},
        {u"GD10", klvDate},
        {u"GD14", klvDateTime},
        {u"GD16", klvDateTime},
        {u"GP", klvPeriod},
        {u"W", klvWeek},
        {u"GW", klvWeek},
        {u"DVB", klvButton},
        {u"DVMZ", klvButton},
        {u"BU1", klvButton},
        {u"TN", klvFText},
        {u"TN80", klvFText},
        {u"A48", klvEnumeration},
        {u"AK3", klvEnumeration},
        {u"AN7", klvEnumeration},
        {u"AU2", klvEnumeration},
        {u"TAZU", klvEnumeration},
        {u"GL40", klvUnknown},
        {u"B2", klvUnknown},
        {u"T80", klvUnknown},
        {u"", klvUnknown},
        {u"ri5", klvUnknown},
        {u"P", klvUnknown},
        {u"DV", klvUnknown},
    };
    KLVTools tools;
    for (const Classified& c : cases) {
        const QString code = QString::fromUtf16(c.code);
        EXPECT_EQ(tools.GetDataType(code), c.type) << code.toStdString();
        // The description's own classification answers for any code alike.
        EXPECT_EQ(info(u"R"_s)->GetDataType(code), c.type) << code.toStdString();
    }
}

TEST(TypeCodeDescription, IntegerFamiliesCountDigitsAndReadTheirFlags)
{
    auto longInt = info(u"I"_s);
    EXPECT_EQ(longInt->IntegerDigits(), 9);
    EXPECT_EQ(longInt->MaxLen2(), 9);
    EXPECT_EQ(longInt->TAVArtInfo(), u"LONGINT(9) POSITIVE=False BLANK-WHEN-ZERO=False MAXLEN=9"_s);

    auto flagged = info(u"IPN7"_s);
    EXPECT_EQ(flagged->IntegerDigits(), 7);
    EXPECT_TRUE(flagged->PositiveOnly());
    EXPECT_TRUE(flagged->IsBlankWhenZero());
    EXPECT_FALSE(flagged->IsUniversal());

    auto universal = info(u"KU3"_s);
    EXPECT_EQ(universal->DataType(), klvByte);
    EXPECT_TRUE(universal->IsUniversal());
    EXPECT_EQ(universal->TAVArtInfo(), u"BYTE(3) POSITIVE=False BLANK-WHEN-ZERO=False UNIVERSAL MAXLEN=3"_s);

    // Group numbers are two positive digits whatever their letters say.
    auto group = info(u"GRN"_s);
    EXPECT_EQ(group->IntegerDigits(), 2);
    EXPECT_TRUE(group->PositiveOnly());
    EXPECT_FALSE(group->IsBlankWhenZero());
    EXPECT_EQ(group->TAVArtInfo(), u"BYTE(2) POSITIVE=True BLANK-WHEN-ZERO=False MAXLEN=2"_s);

    auto tzn = info(u"TZN"_s);
    EXPECT_EQ(tzn->TAVArtInfo(), u"INTEGER(5) POSITIVE=True BLANK-WHEN-ZERO=False MAXLEN=5"_s);

    // No digit to read at the end: no digits, no crash.
    EXPECT_EQ(info(u"iSH"_s)->IntegerDigits(), 0);
}

TEST(TypeCodeDescription, RealsCountIntegerFractionAndGroupingIntoTheirLength)
{
    auto plain = info(u"R10.2"_s);
    EXPECT_EQ(plain->IntegerDigits(), 10);
    EXPECT_EQ(plain->FractionDigits(), 2);
    EXPECT_EQ(plain->MaxLen2(), 13);
    EXPECT_EQ(plain->MaxLen(), u"13"_s);
    EXPECT_TRUE(plain->HasTrailingFractionZeroes());
    EXPECT_FALSE(plain->HasIntegerGrouping());
    EXPECT_EQ(plain->TAVArtInfo(), u"REAL(10,2) GROUPING=False POSITIVE=False BLANK-WHEN-ZERO=False "
                                   u"TRAILINGFRACTZEROES=True MAXLEN=13"_s);

    EXPECT_EQ(info(u"RT10.2"_s)->MaxLen2(), 16);
    auto bare = info(u"R"_s);
    EXPECT_EQ(bare->IntegerDigits(), 15);
    EXPECT_EQ(bare->FractionDigits(), 9);
    EXPECT_EQ(bare->MaxLen2(), 17);
    EXPECT_EQ(info(u"RT"_s)->MaxLen2(), 21);
    // "ARTR" stands for the plain real, whatever letters it holds.
    EXPECT_EQ(info(u"ARTR"_s)->MaxLen2(), 17);
    EXPECT_FALSE(info(u"ARTR"_s)->HasIntegerGrouping());

    auto money = info(u"MTPN12.3"_s);
    EXPECT_FALSE(money->HasTrailingFractionZeroes());
    EXPECT_TRUE(money->HasIntegerGrouping());
    EXPECT_TRUE(money->PositiveOnly());
    EXPECT_TRUE(money->IsBlankWhenZero());
    EXPECT_EQ(money->MaxLen2(), 12 + 3 + 4);

    // Integer digits only: no fraction, no decimal point in the length.
    auto whole = info(u"R6"_s);
    EXPECT_EQ(whole->FractionDigits(), 0);
    EXPECT_EQ(whole->MaxLen2(), 6);
}

TEST(TypeCodeDescription, ReferencesNameTheirTargetAndEcho)
{
    auto ref = info(u"P12:3"_s);
    EXPECT_EQ(ref->DataType(), klvReference);
    EXPECT_EQ(ref->RefDatabaseNr(), 12);
    EXPECT_EQ(ref->RefGroupNr(), 3);
    EXPECT_EQ(ref->RefEchoType(), refEchoNum);
    EXPECT_EQ(ref->MaxLen2(), 30);
    EXPECT_EQ(ref->TAVArtInfo(), u"REF(12,3) ECHO=NUM MAXLEN=30"_s);

    auto sw = info(u"PS12"_s);
    EXPECT_EQ(sw->RefEchoType(), refEchoSW);
    EXPECT_EQ(sw->RefDatabaseNr(), 12);
    EXPECT_EQ(sw->RefGroupNr(), -1);
    EXPECT_EQ(sw->TAVArtInfo(), u"REF(12) ECHO=SW MAXLEN=30"_s);

    auto virt = info(u"VP5"_s);
    EXPECT_EQ(virt->RefDatabaseNr(), -1);
    EXPECT_EQ(virt->RefGroupNr(), -1);
    EXPECT_EQ(virt->TAVArtInfo(), u"REF (VIRTUAL) ECHO=NUM MAXLEN=30"_s);

    auto c = info(u"C24"_s);
    EXPECT_EQ(c->RefDatabaseNr(), 12);
    EXPECT_EQ(c->RefGroupNr(), 24);
    EXPECT_EQ(c->TAVArtInfo(), u"REF(12:24) ECHO=NUM MAXLEN=30"_s);

    auto id = info(u"ID5"_s);
    EXPECT_EQ(id->RefEchoType(), refEchoRef);
    EXPECT_EQ(id->RefDatabaseNr(), 5);

    auto row = info(u"IDZ5"_s);
    EXPECT_EQ(row->DataType(), klvRowReference);
    EXPECT_EQ(row->TAVArtInfo(), u"TABREF(5) ECHO=REF MAXLEN=30"_s);

    // A group part with a "." names no single group.
    auto dotted = info(u"P1:2.3"_s);
    EXPECT_EQ(dotted->RefDatabaseNr(), 1);
    EXPECT_EQ(dotted->RefGroupNr(), -1);
}

TEST(TypeCodeDescription, DatesTimesBooleansButtonsAndEnumerations)
{
    EXPECT_EQ(info(u"GD8"_s)->MaxLen2(), 8);
    EXPECT_TRUE(info(u"GD8"_s)->IsUniversal());
    EXPECT_EQ(info(u"GD8"_s)->TAVArtInfo(), u"DATE UNIVERSAL MAXLEN=8"_s);
    EXPECT_EQ(info(u"D"_s)->MaxLen2(), 10);
    EXPECT_EQ(info(u"GD14"_s)->MaxLen2(), 14);
    EXPECT_EQ(info(u"GD16"_s)->MaxLen2(), 19);
    EXPECT_EQ(info(u"GD16"_s)->TAVArtInfo(), u"DATETIME MAXLEN=19"_s);
    EXPECT_EQ(info(u"Z"_s)->TAVArtInfo(), u"TIME MAXLEN=5"_s);
    EXPECT_EQ(info(u"W"_s)->MaxLen2(), 8);
    EXPECT_EQ(info(u"GP"_s)->MaxLen2(), 20);

    EXPECT_EQ(info(u"B1"_s)->TAVArtInfo(), u"BOOL UNIVERSAL MAXLEN=1"_s);
    EXPECT_EQ(info(u"B"_s)->TAVArtInfo(), u"BOOL MAXLEN=4"_s);
    EXPECT_EQ(info(u"DVB"_s)->TAVArtInfo(), u"BUTTON MAXLEN=1"_s);

    EXPECT_EQ(info(u"A48"_s)->MaxLen2(), 40);
    EXPECT_EQ(info(u"AK3"_s)->MaxLen2(), 1);
    EXPECT_EQ(info(u"AN3"_s)->MaxLen2(), 3);
    EXPECT_EQ(info(u"AU3"_s)->TAVArtInfo(), u"ENUM UNIVERSAL MAXLEN=5"_s);
    EXPECT_EQ(info(u"TAZU"_s)->MaxLen2(), 7);
    EXPECT_EQ(info(u"TAZI"_s)->MaxLen2(), 3);
    EXPECT_EQ(info(u"TAZV"_s)->MaxLen2(), 2);
    EXPECT_EQ(info(u"TAZX"_s)->MaxLen2(), 40);

    EXPECT_EQ(info(u"AZK"_s)->TAVArtInfo(), u"ENUMREF MAXLEN=15"_s);
    EXPECT_EQ(info(u"AZMK"_s)->MaxLen2(), 15);
    EXPECT_EQ(info(u"AZL"_s)->MaxLen2(), 50);
}

TEST(TypeCodeDescription, TextsAndFreeTextsTakeTheirLengthsFromTheCode)
{
    auto ftext = info(u"TN"_s);
    EXPECT_EQ(ftext->MaxLen2(), std::numeric_limits<int>::max());
    EXPECT_EQ(ftext->MaxLineLen(), 3000);
    EXPECT_TRUE(ftext->IsMultiLine());
    EXPECT_EQ(ftext->TAVArtInfo(), u"FTEXT MAXLEN=2147483647 MULTILINE MAXLINELEN=3000"_s);

    auto t = info(u"T"_s);
    EXPECT_EQ(t->MaxLen2(), 2999);
    EXPECT_EQ(t->MaxLineLen(), 2999);
    EXPECT_TRUE(t->IsMultiLine());
    auto t80 = info(u"T80"_s);
    EXPECT_EQ(t80->MaxLineLen(), 80);
    EXPECT_EQ(t80->TAVArtInfo(), u"TEXT MAXLEN=2999 MULTILINE MAXLINELEN=80"_s);
    EXPECT_EQ(info(u"TU60"_s)->MaxLineLen(), 60);
    EXPECT_EQ(info(u"ST72"_s)->MaxLineLen(), 72);

    // A single-line text has no line length of its own: MaxLineLen is its length.
    auto gl = info(u"GL40"_s);
    EXPECT_EQ(gl->DataType(), klvUnknown);
    EXPECT_EQ(gl->MaxLen2(), 40);
    EXPECT_EQ(gl->MaxLineLen(), 40);
    EXPECT_FALSE(gl->IsMultiLine());
    EXPECT_EQ(gl->TAVArtInfo(), u"TEXT MAXLEN=40"_s);

    EXPECT_EQ(info(u"GL"_s)->MaxLen2(), 2999);
    EXPECT_EQ(info(u"GLU12"_s)->MaxLen2(), 12);
    EXPECT_EQ(info(u"BGLU25"_s)->MaxLen2(), 25);
    EXPECT_EQ(info(u"NT15"_s)->MaxLen2(), 15);
    EXPECT_EQ(info(u"N5"_s)->MaxLen2(), 22);
    EXPECT_EQ(info(u"SW"_s)->MaxLen2(), 30);
    EXPECT_EQ(info(u"ZAE0"_s)->MaxLen2(), 4);
    EXPECT_EQ(info(u"ZAE1"_s)->MaxLen2(), 22);
    EXPECT_EQ(info(u"DVX"_s)->MaxLen2(), 255);
    EXPECT_EQ(info(u"GJ"_s)->MaxLen2(), 4);
    EXPECT_EQ(info(u"GRDB"_s)->MaxLen2(), 20);
    EXPECT_EQ(info(u"GRB"_s)->MaxLen2(), 80);
    EXPECT_EQ(info(u"uSH"_s)->MaxLen2(), 6);
    EXPECT_EQ(info(u"XYZ"_s)->MaxLen2(), 2999);
}

TEST(TypeCodeDescription, ANewDescriptionSaysItWasNeverFilled)
{
    KLVTAVArtInfo fresh;
    EXPECT_EQ(fresh.TAVArtInfo(), u"***ERROR IN KLVTAVArtInfo INFORMATION***"_s);
    EXPECT_EQ(fresh.RefDatabaseNr(), -1);
    EXPECT_EQ(fresh.RefGroupNr(), -1);
    EXPECT_TRUE(fresh.HasTrailingFractionZeroes());
    EXPECT_EQ(fresh.MaxLineLen(), 0);
}

TEST(TypeCodeDescription, AReferenceTypeRowBuildsCodeAndText)
{
    KLVTAVArtInfo sw;
    sw.InitFromRefTypeRow(1, u"Kunde"_s, 1, u"Kunde"_s, u"SW"_s, 20);
    EXPECT_EQ(sw.DataType(), klvReference);
    EXPECT_EQ(sw.TAVArt(), u"PS1:1"_s);
    EXPECT_EQ(sw.RefEchoType(), refEchoSW);
    EXPECT_EQ(sw.MaxLen2(), 20);
    EXPECT_EQ(sw.RefDatabaseName(), u"Kunde"_s);
    EXPECT_EQ(sw.TAVArtInfo(), u"REF (1:1) (Kunde:Kunde) ECHO=SW MAXLEN=20"_s);

    KLVTAVArtInfo wholeDatabase;
    wholeDatabase.InitFromRefTypeRow(3, u"Artikel"_s, -1, QString(), u"REF"_s, 30);
    EXPECT_EQ(wholeDatabase.TAVArt(), u"ID3"_s);
    EXPECT_EQ(wholeDatabase.RefGroupNr(), -1);

    KLVTAVArtInfo odd;
    odd.InitFromRefTypeRow(2, u"A"_s, 4, u"B"_s, u"???"_s, 9);
    EXPECT_EQ(odd.RefEchoType(), refEchoUnknown);
    EXPECT_EQ(odd.TAVArt(), u"P2:4"_s);
}
