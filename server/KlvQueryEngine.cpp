#include "KlvQueryEngine.h"

#include "KlvErpMessage.h"

#include <algorithm>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {
QList<int> kindsOf(int aliveFlag)
{
    switch (aliveFlag) {
    case 0:
        return {0};
    case 1:
        return {1};
    case 2:
        return {2};
    default:
        return {1, 2};
    }
}

bool conditionHolds(const QString& value)
{
    return !value.isEmpty() && value != u"0";
}
} // namespace

bool KlvQueryEngine::fail(int number, const QStringList& args)
{
    m_errorNumber = number;
    m_errorText = m_data.serverText(number, m_format.options().lang, args);
    return false;
}

QList<KlvErpData::Group> KlvQueryEngine::tableGroups(const QString& table) const
{
    if (const std::optional<KlvErpData::Group> g = m_data.findGroup(table))
        return {*g};
    // A database with its groups: "1:" all of them, "1:1.2" the ones named.
    const qsizetype colon = table.indexOf(u':');
    if (colon <= 0)
        return {};
    const std::optional<KlvErpData::Database> db = m_data.findDatabase(table.left(colon));
    if (!db)
        return {};
    const QString rest = table.mid(colon + 1).trimmed();
    const QList<KlvErpData::Group> all = m_data.groups(db->number);
    if (rest.isEmpty())
        return all;
    QList<KlvErpData::Group> result;
    for (const QString& part : rest.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok);
        const auto it = std::find_if(all.cbegin(), all.cend(), [&](const KlvErpData::Group& g) {
            return ok ? g.number == number
                      : g.name.de.compare(part.trimmed(), Qt::CaseInsensitive) == 0 ||
                            g.name.en.compare(part.trimmed(), Qt::CaseInsensitive) == 0;
        });
        if (it == all.cend())
            return {};
        result.append(*it);
    }
    return result;
}

bool KlvQueryEngine::run(const KlvSelectionString& sel, Result* result)
{
    m_errorNumber = 0;
    m_errorText.clear();
    *result = {};
    const QList<KlvErpData::Group> groups = tableGroups(sel.table);
    if (groups.isEmpty())
        return fail(KlvErpMessage::UnknownTable, {sel.table});
    const KlvErpData::Group& first = groups.first();

    // Storage kinds, and what the key holds.
    QList<int> kinds = kindsOf(sel.aliveFlag);
    const KlvErpData::Key* key = nullptr;
    if (!sel.key.isEmpty()) {
        for (const KlvErpData::Key& k : first.keys) {
            if (k.name.compare(sel.key, Qt::CaseInsensitive) == 0)
                key = &k;
        }
        if (!key)
            return fail(KlvErpMessage::UnknownKey, {sel.key, first.id()});
        const QList<int> keyKinds = kindsOf(key->aliveFlag);
        if (sel.aliveFlag >= 0) {
            for (int k : kinds) {
                if (!keyKinds.contains(k))
                    return fail(KlvErpMessage::KeyStorageKind, {key->name});
            }
        }
        kinds.removeIf([&](int k) { return !keyKinds.contains(k); });
    }

    // Criteria, read in the session's forms.
    QList<Condition> conditions;
    for (const KlvSelectionString::Criterion& c : sel.criteria) {
        Condition cond;
        cond.field = KlvFieldExpression::parse(c.field);
        cond.op = c.op;
        cond.value = c.value;
        if (!cond.field.resolve(m_data, first))
            return fail(KlvErpMessage::UnknownField, {cond.field.error(), first.id()});
        cond.pattern = c.value.contains(u'*') || c.value.contains(u'?');
        if (cond.pattern) {
            if (c.op != u"=" && c.op != u"<>")
                return fail(KlvErpMessage::BadSelection, {c.field + c.op + c.value});
            cond.regex = QRegularExpression(QRegularExpression::wildcardToRegularExpression(c.value),
                                            QRegularExpression::CaseInsensitiveOption);
            if (!cond.regex.isValid()) {
                // Too long or too involved for the pattern engine: refused once, and what the
                // log and the refusal show of it stays short.
                const QString shown = c.value.size() > 60 ? QString(c.value.left(60) + u"..."_s) : c.value;
                qWarning("klvserver: wildcard pattern refused (%lld characters): %s", qlonglong(c.value.size()),
                         qPrintable(cond.regex.errorString()));
                return fail(KlvErpMessage::BadSelection, {c.field + c.op + shown});
            }
        } else if (cond.field.pseudo() == KlvFieldExpression::Pseudo::None && !c.value.isEmpty()) {
            const KlvValueFormat::Parsed parsed = m_format.parse(cond.field.type(), c.value);
            if (!parsed.ok)
                return fail(KlvErpMessage::BadSelection, {parsed.errorText});
            cond.value = parsed.value;
        }
        conditions.append(cond);
    }

    // Sort order: the key's fields, or the explicit order.
    struct SortField
    {
        KlvFieldExpression field;
        bool descending;
    };
    QList<SortField> sortFields;
    if (key) {
        for (const QString& f : key->fields)
            sortFields.append({KlvFieldExpression::parse(f), sel.descending});
    } else {
        for (const KlvSelectionString::Order& o : sel.order)
            sortFields.append({KlvFieldExpression::parse(o.field), o.descending});
    }
    for (SortField& s : sortFields) {
        if (!s.field.resolve(m_data, first))
            return fail(KlvErpMessage::UnknownField, {s.field.error(), first.id()});
    }

    // The generated table in number order needs no list of hits.
    if (groups.size() == 1 && first.generatedRows > 0 && conditions.isEmpty() && kinds.contains(1) &&
        (sortFields.isEmpty() || (sortFields.size() == 1 && sortFields.first().field.name() == u"nummer"))) {
        result->rangeSize = first.generatedRows;
        result->rangeDescending = sortFields.isEmpty() ? sel.descending : sortFields.first().descending;
        result->rangeDb = first.db;
        result->rangeGroup = first.number;
        return true;
    }

    const bool junctionOr = sel.orJunction;
    auto accepted = [&](const KlvErpData::Ref& ref, int row, bool anyRow) {
        if (conditions.isEmpty())
            return true;
        for (const Condition& c : conditions) {
            const bool m = matches(c, ref, row, anyRow);
            if (junctionOr && m)
                return true;
            if (!junctionOr && !m)
                return false;
        }
        return !junctionOr;
    };

    for (const KlvErpData::Group& g : groups) {
        for (int number : m_data.recordNumbers(g.db, g.number)) {
            const KlvErpData::Ref ref{g.db, g.number, number};
            const int alive = g.generatedRows > 0 ? 1 : m_data.record(ref).value_or(KlvErpData::Record()).alive;
            if (!kinds.contains(alive))
                continue;
            if (key && !key->condition.isEmpty() && !conditionHolds(m_data.value(ref, key->condition)))
                continue;
            if (sel.byRows && g.tablePart) {
                const int rows = m_data.rowCount(ref);
                for (int r = 1; r <= rows; ++r) {
                    if (accepted(ref, r, false))
                        result->hits.push_back({ref, r});
                }
            } else if (accepted(ref, 0, true)) {
                result->hits.push_back({ref, 0});
            }
        }
    }

    if (!sortFields.isEmpty()) {
        struct Keyed
        {
            QStringList values;
            Hit hit;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(result->hits.size());
        for (const Hit& h : result->hits) {
            QStringList values;
            for (const SortField& s : sortFields)
                values.append(s.field.value(m_data, h.ref, h.row));
            keyed.push_back({values, h});
        }
        std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            for (qsizetype i = 0; i < sortFields.size(); ++i) {
                const int c = compareValues(sortFields.at(i).field.type(), a.values.at(i), b.values.at(i));
                if (c != 0)
                    return sortFields.at(i).descending ? c > 0 : c < 0;
            }
            return false;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            result->hits[i] = keyed[i].hit;
    } else if (sel.descending) {
        std::reverse(result->hits.begin(), result->hits.end());
    }
    return true;
}

bool KlvQueryEngine::matches(const Condition& c, const KlvErpData::Ref& ref, int row, bool anyRow) const
{
    if (c.field.pseudo() == KlvFieldExpression::Pseudo::Id) {
        // "id=" names a record by its reference, or by its number as templates are found.
        const std::optional<KlvErpData::Ref> wanted = KlvErpData::Ref::parse(c.value);
        const bool same =
            wanted ? *wanted == ref : m_data.value(ref, u"nummer"_s).compare(c.value, Qt::CaseInsensitive) == 0;
        return c.op == u"<>" ? !same : same;
    }
    if (c.field.inTable() && anyRow) {
        const int rows = m_data.rowCount(ref);
        if (rows == 0)
            return compare(c, QString());
        for (int r = 1; r <= rows; ++r) {
            if (compare(c, c.field.value(m_data, ref, r)))
                return true;
        }
        return false;
    }
    return compare(c, c.field.value(m_data, ref, row));
}

bool KlvQueryEngine::compare(const Condition& c, const QString& value) const
{
    if (c.pattern) {
        const QString shown = m_format.display(c.field.type(), value, c.field.modifier());
        const bool m = c.regex.match(shown).hasMatch() || c.regex.match(value).hasMatch();
        return c.op == u"=" ? m : !m;
    }
    const int r = compareValues(c.field.type(), value, c.value);
    if (c.op == u"=")
        return r == 0;
    if (c.op == u"<>")
        return r != 0;
    if (c.op == u"<")
        return r < 0;
    if (c.op == u"<=")
        return r <= 0;
    if (c.op == u">")
        return r > 0;
    return r >= 0;
}

int KlvQueryEngine::compareValues(const KlvTypeCode& type, const QString& a, const QString& b) const
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
    bool okA = false;
    bool okB = false;
    if (type.isNumber() || type.kind() == KlvTypeCode::Kind::Enumeration) {
        const double x = a.toDouble(&okA);
        const double y = b.toDouble(&okB);
        if (okA && okB)
            return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (type.kind() == KlvTypeCode::Kind::Reference) {
        // References sort by table and number, not as text: (1,1,99) before (1,1,100).
        const std::optional<KlvErpData::Ref> x = KlvErpData::Ref::parse(a.section(u';', 0, 0));
        const std::optional<KlvErpData::Ref> y = KlvErpData::Ref::parse(b.section(u';', 0, 0));
        if (x && y) {
            const auto tx = std::tie(x->db, x->group, x->number);
            const auto ty = std::tie(y->db, y->group, y->number);
            return tx < ty ? -1 : (ty < tx ? 1 : 0);
        }
    }
    return a.compare(b, Qt::CaseInsensitive);
}
