#include "KlvErpLoader.h"

#include "KlvErpTemplate.h"
#include "KlvTypeCode.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {
// A data file with more than this many records per group is a mistake, not a sample.
constexpr int kMaxGeneratedRecords = 100000;
// Keeps a string rule from being read as a number by accident: records of the data file
// write numbers as JSON numbers or as text, both mean the same canonical text.
} // namespace

bool KlvErpLoader::fail(const QString& text)
{
    m_error = m_where.isEmpty() ? text : m_where + u": "_s + text;
    return false;
}

KlvErpData::Text KlvErpLoader::text(const QJsonValue& value)
{
    if (value.isObject()) {
        const QJsonObject o = value.toObject();
        return {o.value(u"de"_s).toString(), o.value(u"en"_s).toString()};
    }
    return {value.toString(), QString()};
}

QString KlvErpLoader::scalar(const QJsonValue& value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (d == double(qlonglong(d)))
            return QString::number(qlonglong(d));
        return QString::number(d, 'g', 15);
    }
    if (value.isBool())
        return value.toBool() ? u"1"_s : u"0"_s;
    return value.toString();
}

bool KlvErpLoader::load(const QString& fileName, int generatedRows)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"cannot read the data file \"%1\": %2"_s.arg(fileName, file.errorString()));
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull())
        return fail(u"the data file \"%1\" is not valid JSON: %2 (at byte %3)"_s.arg(
            fileName, parseError.errorString(), QString::number(parseError.offset)));
    const QJsonObject root = doc.object();

    m_data.m_databases.clear();
    m_data.m_groups.clear();
    m_data.m_enumerations.clear();
    m_data.m_virtualRefTypes.clear();
    m_data.m_messages.clear();
    m_data.m_recordLocks.clear();

    for (const QJsonValue& v : root.value(u"databases"_s).toArray()) {
        if (!readDatabase(v.toObject()))
            return false;
    }
    for (const QJsonValue& v : root.value(u"enumerations"_s).toArray()) {
        if (!readEnumeration(v.toObject()))
            return false;
    }
    m_where.clear();
    const QJsonObject refTypes = root.value(u"referenceTypes"_s).toObject();
    for (auto it = refTypes.begin(); it != refTypes.end(); ++it) {
        QList<KlvErpData::RefTarget> targets;
        for (const QJsonValue& t : it.value().toArray()) {
            const QStringList parts = t.toString().split(u':');
            targets.append({parts.value(0).toInt(), parts.size() > 1 ? parts.at(1).toInt() : -1});
        }
        m_data.m_virtualRefTypes.insert(it.key(), targets);
    }
    for (const QJsonValue& v : root.value(u"messages"_s).toArray()) {
        const QJsonObject o = v.toObject();
        const QString dict = o.value(u"dict"_s).toString();
        const int nr = o.value(u"nr"_s).toInt();
        for (const QString& lang : {u"D"_s, u"E"_s}) {
            const QString t = o.value(lang == u"D" ? u"de"_s : u"en"_s).toString();
            if (!t.isEmpty())
                m_data.m_messages.append({dict, nr, lang, t});
        }
    }
    if (generatedRows > 0)
        addGeneratedTable(generatedRows);
    numberFieldTexts();
    return true;
}

bool KlvErpLoader::readDatabase(const QJsonObject& o)
{
    KlvErpData::Database d;
    d.number = o.value(u"nr"_s).toInt();
    d.name = text(o.value(u"name"_s));
    d.className = o.value(u"class"_s).toString();
    d.masterData = o.value(u"masterData"_s).toBool();
    d.additional = o.value(u"additional"_s).toBool();
    d.editable = o.value(u"editable"_s).toBool(true);
    m_where = u"database %1"_s.arg(d.number);
    if (d.number <= 0 || d.name.de.isEmpty())
        return fail(u"a database needs a number above 0 and a name"_s);
    m_data.m_databases.append(d);
    for (const QJsonValue& v : o.value(u"groups"_s).toArray()) {
        if (!readGroup(d.number, v.toObject()))
            return false;
    }
    return true;
}

bool KlvErpLoader::readGroup(int db, const QJsonObject& o)
{
    KlvErpData::GroupData data;
    KlvErpData::Group& g = data.group;
    g.db = db;
    g.number = o.value(u"nr"_s).toInt();
    g.name = text(o.value(u"name"_s));
    g.className = o.value(u"class"_s).toString();
    g.tablePart = o.value(u"tablePart"_s).toBool();
    g.editable = o.value(u"editable"_s).toBool(true);
    g.newAllowed = o.value(u"newAllowed"_s).toBool(true);
    g.listed = o.value(u"listed"_s).toBool(true);
    g.singleObject = o.value(u"singleObject"_s).toBool();
    m_where = u"table %1:%2"_s.arg(db).arg(g.number);
    if (g.number <= 0 || g.name.de.isEmpty())
        return fail(u"a group needs a number above 0 and a name"_s);

    // Names are kept in lower case, so a set finds a second field of a name at once however
    // many fields the group has.
    QSet<QString> names;
    for (const QJsonValue& v : o.value(u"fields"_s).toArray()) {
        const QJsonObject fo = v.toObject();
        KlvErpData::Field f;
        f.name = fo.value(u"name"_s).toString().toLower();
        f.type = fo.value(u"type"_s).toString();
        f.desc = text(fo.value(u"desc"_s));
        f.prompt = fo.contains(u"prompt"_s) ? text(fo.value(u"prompt"_s)) : f.desc;
        f.inTable = fo.value(u"table"_s).toBool();
        f.skip = fo.value(u"skip"_s).toBool();
        f.protection = fo.value(u"protection"_s).toInt(3);
        f.prioDisp = fo.value(u"prioDisp"_s).toString(u"A"_s);
        f.prioEdit = fo.value(u"prioEdit"_s).toString(u"A"_s);
        f.custom = fo.value(u"custom"_s).toBool();
        f.aliasOf = fo.value(u"alias"_s).toString().toLower();
        f.queryable = fo.value(u"query"_s).toBool(true);
        for (const QJsonValue& s : fo.value(u"subscreen"_s).toArray())
            f.subscreen.append(s.toString().toLower());
        if (f.name.isEmpty() || f.type.isEmpty())
            return fail(u"a field needs a name and a type code"_s);
        if (names.contains(f.name))
            return fail(u"the field \"%1\" is there twice"_s.arg(f.name));
        names.insert(f.name);
        if (f.inTable && !g.tablePart)
            return fail(u"the field \"%1\" lies in a table part the group does not have"_s.arg(f.name));
        g.fields.append(f);
    }
    for (const KlvErpData::Field& f : std::as_const(g.fields)) {
        if (f.isAlias() && !g.field(f.aliasOf))
            return fail(u"the alias \"%1\" names the unknown field \"%2\""_s.arg(f.name, f.aliasOf));
    }

    int keyNumber = 0;
    for (const QJsonValue& v : o.value(u"keys"_s).toArray()) {
        const QJsonObject ko = v.toObject();
        KlvErpData::Key k;
        k.name = ko.value(u"name"_s).toString();
        for (const QString& f : ko.value(u"fields"_s).toString().split(u',', Qt::SkipEmptyParts))
            k.fields.append(f.trimmed().toLower());
        k.condition = ko.value(u"condition"_s).toString().toLower();
        k.conditionType = ko.value(u"conditionType"_s).toInt(k.condition.isEmpty() ? 0 : 1);
        k.aliveFlag = ko.value(u"alive"_s).toInt(1);
        k.tableKey = ko.value(u"tableKey"_s).toBool();
        k.custom = ko.value(u"custom"_s).toBool();
        k.number = ko.value(u"nr"_s).toInt(++keyNumber);
        k.range = ko.value(u"range"_s).toString();
        k.desc = text(ko.value(u"desc"_s));
        if (k.name.isEmpty() || k.fields.isEmpty())
            return fail(u"a key needs a name and fields"_s);
        for (const QString& f : std::as_const(k.fields)) {
            if (!g.field(f))
                return fail(u"the key \"%1\" names the unknown field \"%2\""_s.arg(k.name, f));
        }
        if (!k.condition.isEmpty() && !g.field(k.condition))
            return fail(u"the key \"%1\" has the unknown condition field \"%2\""_s.arg(k.name, k.condition));
        g.keys.append(k);
    }

    if (!readRecords(data, o))
        return false;
    m_data.m_groups.append(data);
    return true;
}

bool KlvErpLoader::readRecords(KlvErpData::GroupData& data, const QJsonObject& o)
{
    const KlvErpData::Group& g = data.group;
    auto checkField = [&](const QString& name, bool inRow) {
        const KlvErpData::Field* f = g.field(name);
        if (!f)
            return fail(u"the value of the unknown field \"%1\""_s.arg(name));
        if (f->inTable != inRow)
            return fail(u"the field \"%1\" belongs in the %2"_s.arg(name, f->inTable ? u"rows"_s : u"head"_s));
        return true;
    };

    // Generated records first; records written out in the file then add to them or change them.
    const QJsonObject gen = o.value(u"generate"_s).toObject();
    const int count = gen.value(u"count"_s).toInt();
    if (count < 0 || count > kMaxGeneratedRecords)
        return fail(u"\"count\" must lie between 0 and %1"_s.arg(kMaxGeneratedRecords));
    const QJsonObject headRules = gen.value(u"head"_s).toObject();
    const QJsonObject rowRules = gen.value(u"rows"_s).toObject();
    const QJsonObject rowValues = rowRules.value(u"values"_s).toObject();
    const QString rowCountRule = scalar(rowRules.value(u"count"_s));
    const QString aliveRule = scalar(gen.value(u"alive"_s));
    for (auto it = headRules.begin(); it != headRules.end(); ++it) {
        if (!checkField(it.key().toLower(), false))
            return false;
    }
    for (auto it = rowValues.begin(); it != rowValues.end(); ++it) {
        if (!checkField(it.key().toLower(), true))
            return false;
    }
    QString error;
    for (int n = 1; n <= count; ++n) {
        KlvErpData::Record r;
        r.number = n;
        if (!aliveRule.isEmpty()) {
            bool ok = false;
            r.alive = int(KlvErpTemplate::evaluate(aliveRule, n, 0, &ok));
            if (!ok)
                return fail(u"cannot read the rule \"alive\": %1"_s.arg(aliveRule));
        }
        for (auto it = headRules.begin(); it != headRules.end(); ++it) {
            const QString v = KlvErpTemplate::expand(scalar(it.value()), n, 0, &error);
            if (!error.isEmpty())
                return fail(error);
            r.head.insert(it.key().toLower(), v);
        }
        if (!rowCountRule.isEmpty()) {
            bool ok = false;
            const qlonglong rows = KlvErpTemplate::evaluate(rowCountRule, n, 0, &ok);
            if (!ok || rows < 0 || rows > 1000)
                return fail(u"cannot read the rule of the row count: %1"_s.arg(rowCountRule));
            for (int row = 1; row <= rows; ++row) {
                QHash<QString, QString> values;
                for (auto it = rowValues.begin(); it != rowValues.end(); ++it) {
                    const QString v = KlvErpTemplate::expand(scalar(it.value()), n, row, &error);
                    if (!error.isEmpty())
                        return fail(error);
                    values.insert(it.key().toLower(), v);
                }
                r.rows.append(values);
            }
        }
        data.records.insert(n, r);
    }

    for (const QJsonValue& v : o.value(u"records"_s).toArray()) {
        const QJsonObject ro = v.toObject();
        const int number = ro.value(u"nr"_s).toInt();
        if (number <= 0)
            return fail(u"a record needs a number above 0"_s);
        KlvErpData::Record& r = data.records[number];
        r.number = number;
        if (ro.contains(u"alive"_s))
            r.alive = ro.value(u"alive"_s).toInt();
        const QJsonObject head = ro.value(u"head"_s).toObject();
        for (auto it = head.begin(); it != head.end(); ++it) {
            if (!checkField(it.key().toLower(), false))
                return false;
            const QString value = KlvErpTemplate::expand(scalar(it.value()), number, 0, &error);
            if (!error.isEmpty())
                return fail(error);
            r.head.insert(it.key().toLower(), value);
        }
        if (ro.contains(u"rows"_s)) {
            if (!g.tablePart)
                return fail(u"record %1 has rows, the group has no table part"_s.arg(number));
            r.rows.clear();
            for (const QJsonValue& rowValue : ro.value(u"rows"_s).toArray()) {
                const QJsonObject row = rowValue.toObject();
                QHash<QString, QString> values;
                for (auto it = row.begin(); it != row.end(); ++it) {
                    if (!checkField(it.key().toLower(), true))
                        return false;
                    const QString value =
                        KlvErpTemplate::expand(scalar(it.value()), number, int(r.rows.size()) + 1, &error);
                    if (!error.isEmpty())
                        return fail(error);
                    values.insert(it.key().toLower(), value);
                }
                r.rows.append(values);
            }
        }
    }
    // Numbers are kept without trailing zeroes in the fraction, however the file wrote them.
    for (const KlvErpData::Field& f : g.fields) {
        if (!KlvTypeCode(f.type).isNumber() || f.isAlias())
            continue;
        for (KlvErpData::Record& r : data.records) {
            auto trim = [](QString& v) {
                if (!v.contains(u'.'))
                    return;
                while (v.endsWith(u'0'))
                    v.chop(1);
                if (v.endsWith(u'.'))
                    v.chop(1);
            };
            if (!f.inTable) {
                auto it = r.head.find(f.name);
                if (it != r.head.end())
                    trim(*it);
            } else {
                for (QHash<QString, QString>& row : r.rows) {
                    auto it = row.find(f.name);
                    if (it != row.end())
                        trim(*it);
                }
            }
        }
    }
    data.nextNumber = data.records.isEmpty() ? 1 : data.records.lastKey() + 1;
    return true;
}

bool KlvErpLoader::readEnumeration(const QJsonObject& o)
{
    KlvErpData::Enumeration e;
    e.name = o.value(u"name"_s).toString();
    e.desc = text(o.value(u"desc"_s));
    e.emptyIsValid = o.value(u"emptyIsValid"_s).toBool(true);
    e.className = o.value(u"class"_s).toString();
    e.id = o.value(u"id"_s).toInt(e.name.mid(1).toInt());
    e.actType = o.value(u"actType"_s).toInt();
    e.isMenu = o.value(u"menu"_s).toBool();
    m_where = u"enumeration %1"_s.arg(e.name);
    if (e.name.isEmpty())
        return fail(u"an enumeration needs a name"_s);
    for (const QJsonValue& v : o.value(u"positions"_s).toArray()) {
        const QJsonObject po = v.toObject();
        KlvErpData::EnumPosition p;
        p.code = scalar(po.value(u"code"_s));
        p.text = text(po.value(u"text"_s));
        p.briefDesc = po.value(u"brief"_s).toString(p.text.de.left(3));
        p.universal = po.value(u"universal"_s).toString(p.code);
        p.identifier = po.value(u"identifier"_s).toString();
        e.positions.append(p);
    }
    m_data.m_enumerations.append(e);
    return true;
}

void KlvErpLoader::addGeneratedTable(int rows)
{
    // Made on the fly by KlvErpData::generatedValue, so a million records cost nothing to hold.
    KlvErpData::Database d;
    d.number = 90;
    d.name = {u"Massendaten"_s, u"Bulk data"_s};
    d.className = u"MASSE"_s;
    d.editable = false;
    m_data.m_databases.append(d);

    KlvErpData::GroupData data;
    KlvErpData::Group& g = data.group;
    g.db = 90;
    g.number = 1;
    g.name = {u"Messwert"_s, u"Reading"_s};
    g.className = u"MESSWERT"_s;
    g.editable = false;
    g.newAllowed = false;
    g.generatedRows = rows;
    auto field = [&](const char* name, const char* type, const QString& de, const QString& en) {
        KlvErpData::Field f;
        f.name = QString::fromLatin1(name);
        f.type = QString::fromLatin1(type);
        f.desc = {de, en};
        f.prompt = f.desc;
        f.protection = 1;
        g.fields.append(f);
    };
    field("nummer", "I9", u"Nummer"_s, u"Number"_s);
    field("such", "SW", u"Suchwort"_s, u"Search word"_s);
    field("name", "GL30", u"Bezeichnung"_s, u"Name"_s);
    field("ort", "GL20", u"Ort"_s, u"Place"_s);
    field("datum", "GD8", u"Datum"_s, u"Date"_s);
    field("betrag", "R10.2", u"Betrag"_s, u"Amount"_s);
    field("menge", "I6", u"Menge"_s, u"Quantity"_s);
    field("aktiv", "B", u"Aktiv"_s, u"Active"_s);
    field("kategorie", "A131", u"Kategorie"_s, u"Category"_s);
    field("kunde", "P1:1", u"Kunde"_s, u"Customer"_s);
    KlvErpData::Key k;
    k.name = u"nummer"_s;
    k.fields = {u"nummer"_s};
    k.number = 1;
    k.range = u"1-%1"_s.arg(rows);
    g.keys.append(k);
    m_data.m_groups.append(data);
}

void KlvErpLoader::numberFieldTexts()
{
    // Field descriptions and database names are message texts of the dictionaries "fd" and
    // "db" too, so the message catalogue can find them and the field catalogue can name them.
    int next = 1;
    for (KlvErpData::GroupData& g : m_data.m_groups) {
        for (KlvErpData::Field& f : g.group.fields) {
            f.msgNumber = next++;
            m_data.m_messages.append({u"fd"_s, f.msgNumber, u"D"_s, f.desc.de});
            if (!f.desc.en.isEmpty())
                m_data.m_messages.append({u"fd"_s, f.msgNumber, u"E"_s, f.desc.en});
        }
    }
    for (const KlvErpData::Database& d : std::as_const(m_data.m_databases)) {
        m_data.m_messages.append({u"db"_s, d.number, u"D"_s, d.name.de});
        if (!d.name.en.isEmpty())
            m_data.m_messages.append({u"db"_s, d.number, u"E"_s, d.name.en});
    }
}
