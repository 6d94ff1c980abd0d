// An information system's definition rows become the mask's header fields and the result
// columns: which rows are taken, what kind each is, its label, whether it is a parameter,
// and which field takes the focus.
#include "InfosysDefinition.h"
#include "MainModul.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Values = QHash<QString, QString>;

// A definition row named vname: a text field shown in the mask, not a parameter, unless values
// say otherwise.
Values row(const QString& vname, const Values& values = {})
{
    Values r{
        {u"vname"_s, vname},      {u"vkt"_s, u"0"_s},    {u"vitf"_s, u"GL30"_s},       {u"vbed"_s, QString()},
        {u"extbez"_s, QString()}, {u"inmask"_s, u"1"_s}, {u"param(code)"_s, u"(1)"_s}, {u"artausr(code)"_s, u"(76)"_s}};
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        r.insert(it.key(), it.value());
    return r;
}

InfosysDefinition read(const QList<Values>& rows)
{
    InfosysDefinition def;
    for (const Values& r : rows)
        def.addRow(r);
    return def;
}

QStringList labels(const QList<InfosysFeld>& list)
{
    QStringList result;
    for (const InfosysFeld& f : list)
        result.append(f.Beschr);
    return result;
}

} // namespace

TEST(InfosysDefinition, theDefinitionQueryAsksForItsFieldsInOrder)
{
    EXPECT_EQ(InfosysDefinition::Table, u"65:1");
    EXPECT_EQ(InfosysDefinition::QueryFields().join(u','),
              u"num65,such65,name,vname,vkt,vitf,vbed,extbez,inmask,param(code),artausr(code)");
}

TEST(InfosysDefinition, rowsOutsideTheMaskAreLeftOutExceptNumberSearchWordAndDescription)
{
    const InfosysDefinition def = read({
        row(u"itnum65"_s, {{u"vbed"_s, u"Nummer"_s}, {u"inmask"_s, u"0"_s}}),
        row(u"itsuch65"_s, {{u"inmask"_s, u"nein"_s}}),
        row(u"isname"_s, {{u"inmask"_s, u"0"_s}}),
        row(u"ixintern"_s, {{u"inmask"_s, u"0"_s}}),
        row(u"ikleer"_s, {{u"inmask"_s, QString()}}),
        row(u"ikja"_s, {{u"inmask"_s, u"ja"_s}}),
        row(u"ikother"_s, {{u"inmask"_s, u"xyz"_s}}),
    });
    EXPECT_EQ(def.kopfFeldNamen(), (QStringList{u"num65"_s, u"such65"_s, u"name"_s, u"leer"_s, u"ja"_s}));
    EXPECT_TRUE(def.ergebnisFelder().isEmpty());
    EXPECT_TRUE(def.ergebnisFeldNamen().isEmpty());
}

TEST(InfosysDefinition, resultColumnsAreTheRowsMarkedForTheTableButButtons)
{
    const InfosysDefinition def = read({
        row(u"ikort"_s),
        row(u"tknummer"_s,
            {{u"vkt"_s, u"1"_s}, {u"vitf"_s, u"I6"_s}, {u"vbed"_s, u"Kundennummer"_s}, {u"extbez"_s, u"Nummer"_s}}),
        row(u"tkname"_s, {{u"vkt"_s, u"ja"_s}, {u"vbed"_s, u"Name"_s}}),
        row(u"tkknopf"_s, {{u"vkt"_s, u"TRUE"_s}, {u"vitf"_s, u"BU1"_s}, {u"vbed"_s, u"Knopf"_s}}),
        row(u"tkohne"_s, {{u"vkt"_s, u"yes"_s}}),
    });
    EXPECT_EQ(def.kopfFeldNamen(), QStringList{u"ort"_s});
    // Exactly one name per column, nothing after the last.
    EXPECT_EQ(def.ergebnisFeldNamen(), (QStringList{u"nummer"_s, u"name"_s, u"ohne"_s}));
    // A caption falls back to the meaning, then to the name without its prefix.
    EXPECT_EQ(labels(def.ergebnisFelder()), (QStringList{u"Nummer"_s, u"Name"_s, u"ohne"_s}));
    EXPECT_EQ(def.ergebnisFelder().first().Art, u"I6");
}

TEST(InfosysDefinition, headerLabelsParametersAndAlignment)
{
    const InfosysDefinition def = read({
        row(u"ikort"_s, {{u"vbed"_s, u"Ort"_s}, {u"extbez"_s, u"Stadt"_s}, {u"param(code)"_s, u"(2)"_s}}),
        row(u"ikmin"_s,
            {{u"vbed"_s, u"Mindestumsatz"_s}, {u"param(code)"_s, u"(3)"_s}, {u"artausr(code)"_s, u"(82)"_s}}),
        row(u"ikanzahl"_s, {{u"param(code)"_s, u"(1)"_s}, {u"artausr(code)"_s, u"(82)"_s}}),
        row(u"ikx"_s, {{u"param(code)"_s, u"2"_s}}),
    });
    // A header label falls back to the meaning, then to the whole name.
    EXPECT_EQ(labels(def.kopfFelder()), (QStringList{u"Stadt"_s, u"Mindestumsatz"_s, u"ikanzahl"_s, u"ikx"_s}));
    QList<bool> params, right;
    for (const InfosysFeld& f : def.kopfFelder()) {
        params.append(f.IstParam);
        right.append(f.RightAligned);
    }
    EXPECT_EQ(params, (QList<bool>{true, true, false, false}));
    EXPECT_EQ(right, (QList<bool>{false, true, true, false}));
}

TEST(InfosysDefinition, theFocusGoesToTheFirstParameterFromTheSecondRowOn)
{
    // Parameters at 1 and 3: the one at 3.
    EXPECT_EQ(read({row(u"ika"_s, {{u"param(code)"_s, u"(2)"_s}}), row(u"ikb"_s),
                    row(u"ikc"_s, {{u"param(code)"_s, u"(2)"_s}}), row(u"ikd"_s, {{u"param(code)"_s, u"(2)"_s}})})
                  .erstesParamFeld(),
              3);
    // Only at 1, or none at all: the first field.
    EXPECT_EQ(read({row(u"ika"_s, {{u"param(code)"_s, u"(2)"_s}}), row(u"ikb"_s)}).erstesParamFeld(), 1);
    EXPECT_EQ(read({row(u"ika"_s), row(u"ikb"_s)}).erstesParamFeld(), 1);
    // A button is never where the focus starts; an enumeration is.
    EXPECT_EQ(read({row(u"ika"_s), row(u"ikb"_s, {{u"vitf"_s, u"BU1"_s}, {u"param(code)"_s, u"(2)"_s}}),
                    row(u"ikc"_s, {{u"vitf"_s, u"A131"_s}, {u"param(code)"_s, u"(3)"_s}})})
                  .erstesParamFeld(),
              3);
}

TEST(InfosysDefinition, booleansReadEveryWordTheServerMaySend)
{
    for (const QString& yes : {u"1"_s, u"ja"_s, u"Ja"_s, u"yes"_s, u"T"_s, u"TRUE"_s, u" ja "_s})
        EXPECT_TRUE(InfosysDefinition::IsTrue(yes)) << yes.toStdString();
    for (const QString& no : {u"0"_s, u"nein"_s, u"no"_s, QString(), u"2"_s})
        EXPECT_FALSE(InfosysDefinition::IsTrue(no)) << no.toStdString();
    // The server's own word counts too.
    const QString saved = App().ErpTrueText;
    App().ErpTrueText = u"wahr"_s;
    EXPECT_TRUE(InfosysDefinition::IsTrue(u"wahr"_s));
    App().ErpTrueText = saved;
}

TEST(InfosysDefinition, clearStartsAfresh)
{
    InfosysDefinition def =
        read({row(u"ika"_s), row(u"ikb"_s, {{u"param(code)"_s, u"(2)"_s}}), row(u"tax"_s, {{u"vkt"_s, u"1"_s}})});
    def.clear();
    EXPECT_TRUE(def.kopfFelder().isEmpty());
    EXPECT_TRUE(def.ergebnisFelder().isEmpty());
    EXPECT_EQ(def.erstesParamFeld(), 1);
}
