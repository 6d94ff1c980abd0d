#include "KlvCatalogueCommands.h"

#include "KlvCommandContext.h"
#include "KlvCommandTable.h"
#include "KlvErpMessage.h"
#include "KlvFieldExpression.h"
#include "KlvQueryCommands.h"
#include "KlvQueryEngine.h"
#include "KlvRowsCursor.h"
#include "KlvServerWorker.h"
#include "KlvSession.h"
#include "KlvTypeCode.h"
#include "KlvValueFormat.h"

#include <QSet>

using namespace Qt::StringLiterals;
using Column = KlvCatalogueCommands::Column;

namespace {
QString lang(KlvCommandContext& context)
{
    return context.session().option(u"LANG"_s) == u"E" ? u"E"_s : u"D"_s;
}

QString bit(bool on)
{
    return on ? u"1"_s : u"0"_s;
}

// A key's fields as the key catalogue names them: a key with a condition names its condition
// field first and then its key fields, which begin with the condition field too.
QString keyFieldsText(const KlvErpData::Key& key)
{
    if (key.condition.isEmpty())
        return key.fields.join(u',');
    return (QStringList{key.condition, key.condition} + key.fields).join(u',');
}

bool flag(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    return t == u"1" || t == u"T" || t == u"TRUE" || t == u"YES" || t == u"JA";
}

int storageKinds(const KlvErpData::Group& g)
{
    int kinds = 0;
    for (const KlvErpData::Key& k : g.keys)
        kinds |= k.aliveFlag;
    return kinds == 0 ? 1 : kinds;
}

QString aliveText(const KlvErpData& data, int aliveFlag, const QString& lang)
{
    if (const auto e = data.enumeration(u"A48"_s)) {
        if (const KlvErpData::EnumPosition* p = e->position(QString::number(aliveFlag)))
            return p->text.in(lang);
    }
    return QString::number(aliveFlag);
}

// --- the columns of each answer, as the client's field-index enumerations number them -----

const QList<Column> kDatabaseColumns = {
    {u"name"_s, u"GL20"_s, u"Datenbank"_s, u"Database"_s},    {u"dnr"_s, u"I4"_s, u"Nummer"_s, u"Number"_s},
    {u"edit"_s, u"B"_s, u"Bearbeitbar"_s, u"Editable"_s},     {u"stamm"_s, u"B"_s, u"Stammdaten"_s, u"Master data"_s},
    {u"zusatz"_s, u"B"_s, u"Zusatzdaten"_s, u"Additional"_s}, {u"klasse"_s, u"GL20"_s, u"Klasse"_s, u"Class"_s},
};
const QList<Column> kGroupColumns = {
    {u"dbname"_s, u"GL20"_s, u"Datenbank"_s, u"Database"_s},
    {u"dnr"_s, u"I4"_s, u"Datenbanknummer"_s, u"Database number"_s},
    {u"name"_s, u"GL30"_s, u"Gruppe"_s, u"Group"_s},
    {u"gruppe"_s, u"I4"_s, u"Gruppennummer"_s, u"Group number"_s},
    {u"edit"_s, u"B"_s, u"Bearbeitbar"_s, u"Editable"_s},
    {u"tabelle"_s, u"B"_s, u"Tabellenteil"_s, u"Table part"_s},
    {u"suchext"_s, u"B"_s, u"Suchworterweiterung"_s, u"Search extension"_s},
    {u"kopfpers"_s, u"B"_s, u"Kopf persistent"_s, u"Head persistent"_s},
    {u"tabpers"_s, u"B"_s, u"Tabelle persistent"_s, u"Table persistent"_s},
    {u"kopfzit"_s, u"B"_s, u"Kopf zitiert"_s, u"Head quoted"_s},
    {u"tabzit"_s, u"B"_s, u"Tabelle zitiert"_s, u"Table quoted"_s},
    {u"tabzittab"_s, u"B"_s, u"Tabelle zitiert Tabelle"_s, u"Table quotes table"_s},
    {u"kopfdnr"_s, u"I4"_s, u"Kopf Datenbank"_s, u"Head database"_s},
    {u"kopfgrp"_s, u"I4"_s, u"Kopf Gruppe"_s, u"Head group"_s},
    {u"tabdnr"_s, u"I4"_s, u"Tabelle Datenbank"_s, u"Table database"_s},
    {u"tabgrp"_s, u"I4"_s, u"Tabelle Gruppe"_s, u"Table group"_s},
    {u"einzel"_s, u"B"_s, u"Einzelobjekt"_s, u"Single object"_s},
    {u"klasse"_s, u"GL20"_s, u"Klasse"_s, u"Class"_s},
};
const QList<Column> kEnumColumns = {
    {u"name"_s, u"GL10"_s, u"Aufzählung"_s, u"Enumeration"_s},
    {u"bez"_s, u"GL40"_s, u"Bezeichnung"_s, u"Description"_s},
    {u"leer"_s, u"B"_s, u"Leer erlaubt"_s, u"Empty valid"_s},
    {u"maxlen"_s, u"I4"_s, u"Maximale Länge"_s, u"Maximum length"_s},
    {u"klasse"_s, u"GL20"_s, u"Klasse"_s, u"Class"_s},
    {u"maxkurz"_s, u"I4"_s, u"Maximale Kurzlänge"_s, u"Maximum brief length"_s},
    {u"id"_s, u"I6"_s, u"Kennung"_s, u"Identifier"_s},
    {u"akttyp"_s, u"I4"_s, u"Aktualisierungstyp"_s, u"Update type"_s},
    {u"kurz"_s, u"B"_s, u"Kurzbezeichnung"_s, u"Brief description"_s},
    {u"menue"_s, u"B"_s, u"Menü"_s, u"Menu"_s},
};
const QList<Column> kEnumPosColumns = {
    {u"code"_s, u"GL10"_s, u"Code"_s, u"Code"_s},
    {u"text"_s, u"GL40"_s, u"Text"_s, u"Text"_s},
    {u"kurz"_s, u"GL10"_s, u"Kurzbezeichnung"_s, u"Brief description"_s},
    {u"universal"_s, u"GL10"_s, u"Universal"_s, u"Universal"_s},
    {u"kennung"_s, u"GL20"_s, u"Bezeichner"_s, u"Identifier"_s},
};
const QList<Column> kMessageColumns = {
    {u"wb"_s, u"GL2"_s, u"Wörterbuch"_s, u"Dictionary"_s},
    {u"nr"_s, u"I6"_s, u"Nummer"_s, u"Number"_s},
    {u"spr"_s, u"GL2"_s, u"Sprache"_s, u"Language"_s},
    {u"text"_s, u"GL255"_s, u"Text"_s, u"Text"_s},
};
const QList<Column> kRefInfoColumns = {
    {u"dnr"_s, u"I4"_s, u"Datenbanknummer"_s, u"Database number"_s},
    {u"dbname"_s, u"GL20"_s, u"Datenbank"_s, u"Database"_s},
    {u"gruppe"_s, u"I4"_s, u"Gruppennummer"_s, u"Group number"_s},
    {u"grpname"_s, u"GL30"_s, u"Gruppe"_s, u"Group"_s},
    {u"echo"_s, u"GL4"_s, u"Echoart"_s, u"Echo kind"_s},
    {u"echolen"_s, u"I4"_s, u"Echolänge"_s, u"Echo length"_s},
};
const QList<Column> kFieldTestColumns = {
    {u"rc"_s, u"B"_s, u"Gültig"_s, u"Valid"_s},
    {u"fehlernr"_s, u"I6"_s, u"Fehlernummer"_s, u"Error number"_s},
    {u"fehler"_s, u"GL255"_s, u"Fehlertext"_s, u"Error text"_s},
    {u"wert"_s, u"GL255"_s, u"Wert"_s, u"Value"_s},
};
const QList<Column> kTableColumns = {
    {u"name"_s, u"GL40"_s, u"Tabelle"_s, u"Table"_s},
    {u"bez"_s, u"GL60"_s, u"Bezeichnung"_s, u"Description"_s},
    {u"id"_s, u"GL10"_s, u"Tabellennummer"_s, u"Table id"_s},
    {u"typ"_s, u"I2"_s, u"Typ"_s, u"Type"_s},
    {u"typtext"_s, u"GL20"_s, u"Typtext"_s, u"Type text"_s},
    {u"dnr"_s, u"I4"_s, u"Datenbanknummer"_s, u"Database number"_s},
    {u"dbname"_s, u"GL20"_s, u"Datenbank"_s, u"Database"_s},
    {u"grpbits"_s, u"I9"_s, u"Gruppenbits"_s, u"Group bits"_s},
    {u"grpnrs"_s, u"GL40"_s, u"Gruppennummern"_s, u"Group numbers"_s},
    {u"grpnamen"_s, u"GL60"_s, u"Gruppennamen"_s, u"Group names"_s},
    {u"tabelle"_s, u"B"_s, u"Tabellenteil"_s, u"Table part"_s},
    {u"ablage"_s, u"I2"_s, u"Ablageart"_s, u"Storage kind"_s},
};
const QList<Column> kFieldColumns = {
    {u"name"_s, u"GL40"_s, u"Feld"_s, u"Field"_s},
    {u"klvtyp"_s, u"GL1"_s, u"KLV-Typ"_s, u"KLV type"_s},
    {u"laenge"_s, u"I9"_s, u"Länge"_s, u"Length"_s},
    {u"bez"_s, u"GL60"_s, u"Bezeichnung"_s, u"Description"_s},
    {u"art"_s, u"GL10"_s, u"Feldart"_s, u"Field type"_s},
    {u"intab"_s, u"B"_s, u"Tabellenfeld"_s, u"Table field"_s},
    {u"skip"_s, u"B"_s, u"Skipfeld"_s, u"Skip field"_s},
    {u"engl"_s, u"GL40"_s, u"Englischer Name"_s, u"English name"_s},
    {u"schutz"_s, u"I2"_s, u"Bildschirmschutz"_s, u"Screen protection"_s},
    {u"prioanz"_s, u"GL2"_s, u"Anzeigepriorität"_s, u"Display priority"_s},
    {u"prioed"_s, u"GL2"_s, u"Eingabepriorität"_s, u"Edit priority"_s},
    {u"eigen"_s, u"B"_s, u"Eigenes Feld"_s, u"Custom field"_s},
    {u"alias"_s, u"B"_s, u"Alias"_s, u"Alias"_s},
    {u"orig"_s, u"GL40"_s, u"Name in der Tabelle"_s, u"Name in the table"_s},
    {u"bedeutung"_s, u"GL60"_s, u"Bedeutung"_s, u"Meaning"_s},
    {u"bedwb"_s, u"GL2"_s, u"Bedeutung Wörterbuch"_s, u"Meaning dictionary"_s},
    {u"bednr"_s, u"I6"_s, u"Bedeutung Nummer"_s, u"Meaning number"_s},
    {u"prompt"_s, u"GL40"_s, u"Prompt"_s, u"Prompt"_s},
    {u"promptwb"_s, u"GL2"_s, u"Prompt Wörterbuch"_s, u"Prompt dictionary"_s},
    {u"promptnr"_s, u"I6"_s, u"Prompt Nummer"_s, u"Prompt number"_s},
    {u"kopf"_s, u"GL40"_s, u"Spaltenkopf"_s, u"Column heading"_s},
    {u"kopfwb"_s, u"GL2"_s, u"Spaltenkopf Wörterbuch"_s, u"Heading dictionary"_s},
    {u"kopfnr"_s, u"I6"_s, u"Spaltenkopf Nummer"_s, u"Heading number"_s},
};
const QList<Column> kKeyColumns = {
    {u"name"_s, u"GL20"_s, u"Schlüssel"_s, u"Key"_s},
    {u"bereich"_s, u"GL20"_s, u"Bereich"_s, u"Range"_s},
    {u"ablage"_s, u"GL20"_s, u"Ablageart"_s, u"Storage kind"_s},
    {u"felder"_s, u"GL60"_s, u"Schlüsselfelder"_s, u"Key fields"_s},
    {u"dnr"_s, u"I4"_s, u"Datenbanknummer"_s, u"Database number"_s},
    {u"grpbits"_s, u"I9"_s, u"Gruppenbits"_s, u"Group bits"_s},
    {u"grpnamen"_s, u"GL60"_s, u"Gruppennamen"_s, u"Group names"_s},
    {u"bedtyp"_s, u"I2"_s, u"Bedingungstyp"_s, u"Condition type"_s},
    {u"tabkey"_s, u"B"_s, u"Tabellenschlüssel"_s, u"Table key"_s},
    {u"ablagekz"_s, u"I2"_s, u"Ablagekennzeichen"_s, u"Storage flag"_s},
    {u"nr"_s, u"I4"_s, u"Schlüsselnummer"_s, u"Key number"_s},
    {u"eigen"_s, u"B"_s, u"Eigener Schlüssel"_s, u"Custom key"_s},
    {u"primname"_s, u"GL40"_s, u"Name in der Primärsprache"_s, u"Name in the primary language"_s},
    {u"kennung"_s, u"GL20"_s, u"Bezeichner"_s, u"Identifier"_s},
    {u"grpnrs"_s, u"GL40"_s, u"Gruppennummern"_s, u"Group numbers"_s},
    {u"anzahl"_s, u"I9"_s, u"Schlüsselanzahl"_s, u"Key count"_s},
};
const QList<Column> kInfosysColumns = {
    {u"kennung"_s, u"GL20"_s, u"Kennung"_s, u"Identifier"_s},
    {u"nummer"_s, u"I4"_s, u"Nummer"_s, u"Number"_s},
    {u"such"_s, u"SW"_s, u"Suchwort"_s, u"Search word"_s},
    {u"verz"_s, u"GL40"_s, u"Arbeitsbereich"_s, u"Work area"_s},
    {u"prio"_s, u"I4"_s, u"Priorität"_s, u"Priority"_s},
    {u"std"_s, u"B"_s, u"Standard"_s, u"Standard"_s},
    {u"bez"_s, u"GL60"_s, u"Beschreibung"_s, u"Description"_s},
    {u"klasse"_s, u"GL20"_s, u"Klasse"_s, u"Class"_s},
};

QStringList fieldRow(const KlvErpData::Field& f, const QString& name, bool inTable, const QString& lang,
                     const QString& dictionary = u"fd"_s, int number = -1)
{
    const KlvTypeCode type(f.type);
    const QString msg = QString::number(number >= 0 ? number : f.msgNumber);
    const QString desc = f.desc.in(lang);
    const QString prompt = f.prompt.in(lang).isEmpty() ? desc : f.prompt.in(lang);
    return {name,
            type.klvLetter(),
            QString::number(type.maxLength()),
            desc,
            f.type,
            bit(inTable),
            bit(f.skip),
            f.desc.en.isEmpty() ? f.name : f.desc.en,
            QString::number(f.protection),
            f.prioDisp,
            f.prioEdit,
            bit(f.custom),
            bit(f.isAlias()),
            name,
            desc,
            dictionary,
            msg,
            prompt,
            dictionary,
            msg,
            prompt,
            dictionary,
            msg};
}

// The record of a field that is not valid: "-" where its type letter would stand.
QStringList invalidFieldRow(const QString& name)
{
    QStringList row(23);
    row[0] = name;
    row[1] = u"-"_s;
    row[13] = name;
    return row;
}

QList<int> messageNumbers(const QString& text, bool* ok)
{
    *ok = true;
    QList<int> numbers;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return numbers;
    const qsizetype dash = t.indexOf(u'-', 1);
    if (dash > 0 && !t.contains(u',')) {
        bool okFrom = false;
        bool okTo = false;
        const int from = t.left(dash).trimmed().toInt(&okFrom);
        const int to = t.mid(dash + 1).trimmed().toInt(&okTo);
        if (!okFrom || !okTo || to < from || to - from > 100000) {
            *ok = false;
            return {};
        }
        for (int n = from; n <= to; ++n)
            numbers.append(n);
        return numbers;
    }
    for (const QString& part : t.split(u',', Qt::SkipEmptyParts)) {
        bool okNumber = false;
        numbers.append(part.trimmed().toInt(&okNumber));
        if (!okNumber) {
            *ok = false;
            return {};
        }
    }
    return numbers;
}

QString languageCode(const QString& text)
{
    const QString t = text.trimmed().toUpper();
    if (t == u"D" || t == u"DE" || t == u"DEU" || t == u"DE-DE")
        return u"D"_s;
    if (t == u"E" || t == u"EN" || t == u"ENG" || t == u"EN-GB" || t == u"EN-US")
        return u"E"_s;
    return t;
}
} // namespace

void KlvCatalogueCommands::addTo(KlvCommandTable& table)
{
    using Access = KlvCommandTable::Access;
    table.add(u"GDN"_s, Access::LoggedOn, &databases);
    table.add(u"GGN"_s, Access::LoggedOn, &groups);
    table.add(u"GAZ"_s, Access::LoggedOn, &enumerations);
    table.add(u"GMT"_s, Access::LoggedOn, &messages);
    table.add(u"GRI"_s, Access::LoggedOn, &referenceTypes);
    table.add(u"GTN"_s, Access::LoggedOn, &tables);
    table.add(u"GFN"_s, Access::LoggedOn, &fields);
    table.add(u"GKN"_s, Access::LoggedOn, &keys);
    table.add(u"GIS"_s, Access::LoggedOn, &infosystems);
    table.add(u"TFV"_s, Access::LoggedOn, &testValues);
}

void KlvCatalogueCommands::send(KlvCommandContext& context, const QString& word, const QList<Column>& columns,
                                QList<QStringList> rows, int blockSize, bool withMetadata)
{
    KlvQueryCommands::dropOpenAnswer(context);
    const int size = int(rows.size());
    auto cursor = std::make_shared<KlvRowsCursor>(word, blockSize > 0 ? blockSize : qMax(1, size), std::move(rows));
    if (withMetadata) {
        const QString l = lang(context);
        QStringList name{u"NAME"_s}, out{u"OUTNAME"_s}, orig{u"ORIGNAME"_s}, desc{u"DESC"_s}, tab{u"TABLEFLAG"_s},
            length{u"LENGTH"_s}, type{u"TYPE"_s};
        for (const Column& c : columns) {
            name.append(c.name);
            out.append(c.name);
            orig.append(c.name);
            desc.append(l == u"E" ? c.en : c.de);
            tab.append(u"0"_s);
            length.append(QString::number(KlvTypeCode(c.type).maxLength()));
            type.append(c.type);
        }
        cursor->setMetadata({name, out, orig, desc, tab, length, type});
    }
    KlvQueryCommands::sendFirstBlock(context, cursor);
}

void KlvCatalogueCommands::databases(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString wanted = context.field(0).trimmed();
    QList<KlvErpData::Database> list;
    if (wanted.isEmpty()) {
        list = data.databases();
    } else if (const auto d = data.findDatabase(wanted)) {
        list = {*d};
    } else {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownDatabase, {wanted});
        return;
    }
    QList<QStringList> rows;
    for (const KlvErpData::Database& d : std::as_const(list)) {
        rows.append({d.name.in(l), QString::number(d.number), bit(d.editable), bit(d.masterData), bit(d.additional),
                     d.className});
    }
    send(context, u"GDN"_s, kDatabaseColumns, rows, 0, flag(context.field(1)));
}

void KlvCatalogueCommands::groups(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString wanted = context.field(0).trimmed();
    const QString kind = context.field(1).trimmed().toUpper();
    QList<KlvErpData::Database> dbs;
    if (wanted.isEmpty()) {
        dbs = data.databases();
    } else if (const auto d = data.findDatabase(wanted)) {
        dbs = {*d};
    } else {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownDatabase, {wanted});
        return;
    }
    QList<QStringList> rows;
    for (const KlvErpData::Database& d : std::as_const(dbs)) {
        for (const KlvErpData::Group& g : data.groups(d.number)) {
            // The query list holds the groups of the table catalogue, "NEW" those a record can
            // be created in, "ALL" every group.
            if ((kind.isEmpty() && !g.listed) || (kind == u"NEW" && (!g.newAllowed || !g.editable)))
                continue;
            const QString db = QString::number(g.db);
            const QString grp = QString::number(g.number);
            rows.append({d.name.in(l), db, g.name.in(l), grp, bit(g.editable), bit(g.tablePart),
                         bit(g.field(u"such"_s) != nullptr), u"1"_s, bit(g.tablePart), u"0"_s, u"0"_s, u"0"_s, db, grp,
                         g.tablePart ? db : QString(), g.tablePart ? grp : QString(), bit(g.singleObject),
                         g.className});
        }
    }
    send(context, u"GGN"_s, kGroupColumns, rows, 0, flag(context.field(2)));
}

void KlvCatalogueCommands::enumerations(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString name = context.field(0).trimmed();
    const bool positions = context.field(1).trimmed().toUpper() == u"POS";
    QList<QStringList> rows;
    if (positions) {
        const auto e = data.enumeration(KlvValueFormat::enumerationName(name));
        if (!e) {
            KlvQueryCommands::refuse(context, KlvErpMessage::UnknownEnumeration, {name});
            return;
        }
        if (flag(context.field(2)))
            rows.append({QString(), QString(), QString(), QString(), QString()});
        for (const KlvErpData::EnumPosition& p : e->positions)
            rows.append({p.code, p.text.in(l), p.briefDesc, p.universal, p.identifier});
        send(context, u"GAZ"_s, kEnumPosColumns, rows, 0, flag(context.field(3)));
        return;
    }
    QList<KlvErpData::Enumeration> list;
    if (name.isEmpty()) {
        list = data.enumerations();
    } else if (const auto e = data.enumeration(name)) {
        list = {*e};
    } else {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownEnumeration, {name});
        return;
    }
    for (const KlvErpData::Enumeration& e : std::as_const(list)) {
        qsizetype maxText = 0;
        qsizetype maxBrief = 0;
        for (const KlvErpData::EnumPosition& p : e.positions) {
            maxText = qMax(maxText, p.text.in(l).size());
            maxBrief = qMax(maxBrief, p.briefDesc.size());
        }
        rows.append({e.name, e.desc.in(l), bit(e.emptyIsValid), QString::number(maxText), e.className,
                     QString::number(maxBrief), QString::number(e.id), QString::number(e.actType), bit(maxBrief > 0),
                     bit(e.isMenu)});
    }
    send(context, u"GAZ"_s, kEnumColumns, rows, 0, flag(context.field(3)));
}

void KlvCatalogueCommands::messages(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    QStringList dictionaries;
    for (const QString& d : context.field(0).split(u',', Qt::SkipEmptyParts)) {
        if (!d.trimmed().isEmpty())
            dictionaries.append(d.trimmed().toLower());
    }
    bool ok = false;
    const QList<int> numbers = messageNumbers(context.field(1), &ok);
    if (!ok) {
        KlvQueryCommands::refuse(context, KlvErpMessage::BadMessageNumber, {context.field(1)});
        return;
    }
    QStringList languages;
    for (const QString& l : context.field(2).split(u',', Qt::SkipEmptyParts)) {
        if (!l.trimmed().isEmpty())
            languages.append(languageCode(l));
    }
    if (languages.isEmpty())
        languages.append(lang(context));
    const QString search = context.field(3);
    const Qt::CaseSensitivity cs = flag(context.field(4)) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QSet<int> wantedNumbers(numbers.cbegin(), numbers.cend());

    QList<KlvErpData::Message> found;
    for (const KlvErpData::Message& m : data.messages()) {
        if (!dictionaries.isEmpty() && !dictionaries.contains(m.dictionary.toLower()))
            continue;
        if (!wantedNumbers.isEmpty() && !wantedNumbers.contains(m.number))
            continue;
        if (!languages.contains(m.lang))
            continue;
        if (!search.isEmpty() && !m.text.contains(search, cs))
            continue;
        found.append(m);
    }
    // In the order asked for: numbers as listed, then languages as listed.
    std::stable_sort(found.begin(), found.end(), [&](const KlvErpData::Message& a, const KlvErpData::Message& b) {
        if (a.dictionary != b.dictionary)
            return false;
        const qsizetype na = numbers.isEmpty() ? a.number : numbers.indexOf(a.number);
        const qsizetype nb = numbers.isEmpty() ? b.number : numbers.indexOf(b.number);
        if (na != nb)
            return na < nb;
        return languages.indexOf(a.lang) < languages.indexOf(b.lang);
    });
    QList<QStringList> rows;
    for (const KlvErpData::Message& m : std::as_const(found))
        rows.append({m.dictionary, QString::number(m.number), m.lang, m.text});
    send(context, u"GMT"_s, kMessageColumns, rows, 0, flag(context.field(5)));
}

void KlvCatalogueCommands::referenceTypes(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString code = context.field(0).trimmed();
    const QList<KlvErpData::RefTarget> targets = data.refTargets(code);
    if (targets.isEmpty()) {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownRefType, {code});
        return;
    }
    const KlvTypeCode type(code);
    const QString echo = type.refEcho();
    const QString echoLength = echo == u"NUM" ? u"10"_s : u"30"_s;
    QList<QStringList> rows;
    for (const KlvErpData::RefTarget& t : targets) {
        const auto db = data.database(t.db);
        const auto g = t.group >= 0 ? data.group(t.db, t.group) : std::nullopt;
        rows.append({QString::number(t.db), db ? db->name.in(l) : QString(), QString::number(t.group),
                     g ? g->name.in(l) : QString(), echo, echoLength});
    }
    send(context, u"GRI"_s, kRefInfoColumns, rows, 0, flag(context.field(1)));
}

void KlvCatalogueCommands::tables(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString start = context.field(0).trimmed();
    QList<KlvErpData::Group> list;
    if (start.isEmpty()) {
        for (const KlvErpData::Database& d : data.databases()) {
            for (const KlvErpData::Group& g : data.groups(d.number)) {
                if (g.listed)
                    list.append(g);
            }
        }
    } else {
        const QStringList names = start.split(u',', Qt::SkipEmptyParts);
        for (const QString& name : names) {
            if (const auto g = data.findGroup(name)) {
                list.append(*g);
                continue;
            }
            // A single word that names no table exactly lists the tables it begins.
            if (names.size() == 1) {
                for (const KlvErpData::Database& d : data.databases()) {
                    for (const KlvErpData::Group& g : data.groups(d.number)) {
                        if (g.listed &&
                            data.groupName(g.db, g.number, l).startsWith(name.trimmed(), Qt::CaseInsensitive))
                            list.append(g);
                    }
                }
            }
            if (list.isEmpty() || names.size() > 1) {
                KlvQueryCommands::refuse(context, KlvErpMessage::UnknownTable, {name.trimmed()});
                return;
            }
        }
    }
    QList<QStringList> rows;
    for (const KlvErpData::Group& g : std::as_const(list)) {
        const auto db = data.database(g.db);
        const QString dbName = db ? db->name.in(l) : QString();
        rows.append({data.groupName(g.db, g.number, l), g.name.in(l), g.id(), u"1"_s,
                     l == u"E" ? u"Database group"_s : u"Datenbankgruppe"_s, QString::number(g.db), dbName,
                     QString::number(g.number < 31 ? (qint64(1) << g.number) : 0), QString::number(g.number),
                     g.name.in(l), bit(g.tablePart), QString::number(storageKinds(g))});
    }
    send(context, u"GTN"_s, kTableColumns, rows, context.field(1).toInt(), flag(context.field(2)));
}

void KlvCatalogueCommands::fields(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString table = context.field(0).trimmed();
    const QString list = context.field(1);
    const int blockSize = context.field(2).toInt();
    const QString kind = context.field(3).trimmed().toUpper();
    const bool withMetadata = flag(context.field(4));
    QList<QStringList> rows;

    if (kind == u"INFOSYS") {
        bool ok = false;
        const int number = table.toInt(&ok);
        const std::optional<KlvErpData::Record> def =
            ok ? data.record(KlvErpData::Ref{65, 1, number}) : std::optional<KlvErpData::Record>();
        if (!def) {
            KlvQueryCommands::refuse(context, KlvErpMessage::UnknownInfosystem, {table});
            return;
        }
        for (const QHash<QString, QString>& row : def->rows) {
            KlvErpData::Field f;
            const QString vname = row.value(u"vname"_s);
            f.name = vname.mid(2);
            f.type = row.value(u"vitf"_s);
            const QString label = row.value(u"extbez"_s).isEmpty() ? row.value(u"vbed"_s) : row.value(u"extbez"_s);
            f.desc = {label, QString()};
            f.prompt = f.desc;
            const QString param = row.value(u"param"_s);
            f.protection = param == u"2" || param == u"3" ? 3 : 1;
            rows.append(fieldRow(f, f.name, row.value(u"vkt"_s) == u"1", l, u"is"_s, number));
        }
        send(context, u"GFN"_s, kFieldColumns, rows, blockSize, withMetadata);
        return;
    }

    const std::optional<KlvErpData::Group> group = data.findGroup(table);
    if (!group) {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownTable, {table});
        return;
    }
    if (!list.trimmed().isEmpty()) {
        // Each item: a field, a reference path or an expression with a modifier; what the
        // table does not know comes back with "-" for its type.
        for (KlvFieldExpression e : KlvFieldExpression::parseList(list)) {
            const QString name = e.written().trimmed();
            if (!e.resolve(data, *group)) {
                rows.append(invalidFieldRow(name));
                continue;
            }
            KlvErpData::Field f = e.field();
            QStringList row = fieldRow(f, name, e.inTable(), l);
            if (e.isPath())
                row[12] = u"0"_s;
            rows.append(row);
        }
        send(context, u"GFN"_s, kFieldColumns, rows, blockSize, withMetadata);
        return;
    }
    QList<KlvErpData::Group> sources{*group};
    if (kind == u"DBALL")
        sources = data.groups(group->db);
    QSet<QString> seen;
    for (const KlvErpData::Group& g : std::as_const(sources)) {
        for (const KlvErpData::Field& f : g.fields) {
            if (seen.contains(f.name) || (kind != u"EDIT" && kind != u"DBALL" && !f.queryable))
                continue;
            seen.insert(f.name);
            rows.append(fieldRow(f, f.name, f.inTable, l));
        }
    }
    send(context, u"GFN"_s, kFieldColumns, rows, blockSize, withMetadata);
}

void KlvCatalogueCommands::keys(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString table = context.field(0).trimmed();
    const QString keyName = context.field(1).trimmed();
    const std::optional<KlvErpData::Group> group = data.findGroup(table);
    if (!group) {
        KlvQueryCommands::refuse(context, KlvErpMessage::UnknownTable, {table});
        return;
    }
    QList<QStringList> rows;
    for (const KlvErpData::Key& k : group->keys) {
        if (!keyName.isEmpty() && k.name.compare(keyName, Qt::CaseInsensitive) != 0)
            continue;
        // The number of entries: the records (rows for a table key) of its storage kinds
        // that meet its condition.
        qint64 count = 0;
        if (group->generatedRows > 0) {
            count = group->generatedRows;
        } else {
            for (int number : data.recordNumbers(group->db, group->number)) {
                const KlvErpData::Ref ref{group->db, group->number, number};
                const int alive = data.record(ref)->alive;
                const bool kindFits = k.aliveFlag == 3 ? (alive == 1 || alive == 2) : alive == k.aliveFlag;
                if (!kindFits)
                    continue;
                if (!k.condition.isEmpty()) {
                    const QString c = data.value(ref, k.condition);
                    if (c.isEmpty() || c == u"0")
                        continue;
                }
                count += k.tableKey ? data.rowCount(ref) : 1;
            }
        }
        rows.append({k.name, k.range, aliveText(data, k.aliveFlag, l), keyFieldsText(k), QString::number(group->db),
                     QString::number(group->number < 31 ? (qint64(1) << group->number) : 0), group->name.in(l),
                     QString::number(k.conditionType), bit(k.tableKey), QString::number(k.aliveFlag),
                     QString::number(k.number), bit(k.custom), k.desc.de.isEmpty() ? k.name : k.desc.de,
                     k.name.toUpper(), QString::number(group->number), QString::number(count)});
    }
    send(context, u"GKN"_s, kKeyColumns, rows, context.field(2).toInt(), flag(context.field(3)));
}

void KlvCatalogueCommands::infosystems(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const QString l = lang(context);
    const QString search = context.field(0).trimmed();
    const QString dir = context.field(1).trimmed();
    const QString kind = context.field(2).trimmed().toUpper();
    QList<QStringList> rows;
    for (const KlvErpData::Infosystem& is : data.infosystems()) {
        if (!search.isEmpty() && !is.searchWord.contains(search, Qt::CaseInsensitive) &&
            !is.id.contains(search, Qt::CaseInsensitive) && !is.desc.de.contains(search, Qt::CaseInsensitive) &&
            !is.desc.en.contains(search, Qt::CaseInsensitive) && QString::number(is.number) != search)
            continue;
        if (!dir.isEmpty() && !is.workingDir.contains(dir, Qt::CaseInsensitive))
            continue;
        if ((kind == u"STANDARD" && !is.standard) || (kind == u"CUSTOM" && is.standard))
            continue;
        rows.append({is.id, QString::number(is.number), is.searchWord, is.workingDir, QString::number(is.prio),
                     bit(is.standard), is.desc.in(l), is.className});
    }
    send(context, u"GIS"_s, kInfosysColumns, rows, context.field(3).toInt(), flag(context.field(4)));
}

void KlvCatalogueCommands::testValues(KlvCommandContext& context)
{
    const KlvErpData& data = context.server().erp();
    const KlvValueFormat format(data, KlvValueFormat::Options::fromSession(context.session()));
    const QStringList codes = context.field(0).split(u',');
    const QStringList& all = context.command().fields;
    QList<QStringList> rows;
    for (qsizetype i = 1; i < all.size(); ++i) {
        // One code for every value, or one code per value.
        const QString code = (codes.size() == 1 ? codes.first() : codes.value(i - 1)).trimmed();
        if (code.isEmpty()) {
            rows.append({u"0"_s, QString::number(KlvErpMessage::TypeMissing),
                         data.serverText(KlvErpMessage::TypeMissing, format.options().lang), QString()});
            continue;
        }
        const KlvTypeCode type(code);
        const KlvValueFormat::Parsed parsed = format.parse(type, all.at(i));
        if (parsed.ok)
            rows.append({u"1"_s, u"0"_s, QString(), format.display(type, parsed.value)});
        else
            rows.append({u"0"_s, QString::number(parsed.error), parsed.errorText, all.at(i)});
    }
    send(context, u"TFV"_s, kFieldTestColumns, rows, 0, false);
}
