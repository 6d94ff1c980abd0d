#include "KlvSelectionString.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
bool parseCriterion(const QString& item, KlvSelectionString::Criterion* c)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < item.size(); ++i) {
        const QChar ch = item.at(i);
        if (ch == u'=' || ch == u'<' || ch == u'>' || (ch == u'!' && item.mid(i, 2) == u"!=")) {
            at = i;
            break;
        }
    }
    if (at <= 0)
        return false;
    QString op = item.mid(at, 2);
    if (op != u"<>" && op != u"<=" && op != u">=" && op != u"!=")
        op = item.mid(at, 1);
    c->field = item.left(at).trimmed();
    c->op = op == u"!=" ? u"<>"_s : op;
    c->value = item.mid(at + op.size());
    if (c->value == u"`")
        c->value.clear();
    return !c->field.isEmpty();
}
} // namespace

std::optional<KlvSelectionString> KlvSelectionString::parse(const QString& text, QString* error)
{
    KlvSelectionString s;
    const qsizetype comma = text.indexOf(u',');
    s.table = (comma < 0 ? text : text.left(comma)).trimmed();
    if (s.table.isEmpty()) {
        *error = u"no table"_s;
        return std::nullopt;
    }
    if (comma < 0)
        return s;
    const QStringList items = text.mid(comma + 1).split(u';');
    for (const QString& raw : items) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        if (!item.startsWith(u'@')) {
            Criterion c;
            if (!parseCriterion(item, &c)) {
                *error = u"\"%1\" is no criterion"_s.arg(item);
                return std::nullopt;
            }
            s.criteria.append(c);
            continue;
        }
        const qsizetype eq = item.indexOf(u'=');
        const QString name = item.mid(1, eq < 0 ? -1 : eq - 1).trimmed().toLower();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        const QString lower = value.toLower();
        if (name == u"sort") {
            s.key = value;
        } else if (name == u"ordnung") {
            for (const QString& o : value.split(u',', Qt::SkipEmptyParts)) {
                const qsizetype dot = o.lastIndexOf(u'.');
                const QString direction = dot < 0 ? QString() : o.mid(dot + 1).trimmed().toLower();
                if (dot >= 0 && direction != u"vorw" && direction != u"rueckw") {
                    *error = u"\"%1\" is no sort item"_s.arg(o);
                    return std::nullopt;
                }
                s.order.append({(dot < 0 ? o : o.left(dot)).trimmed(), direction == u"rueckw"});
            }
        } else if (name == u"richtung" && (lower == u"rueckw" || lower == u"vorw")) {
            s.descending = lower == u"rueckw";
        } else if (name == u"verkn" && (lower == u"oder" || lower == u"und")) {
            s.orJunction = lower == u"oder";
        } else if (name == u"zeilen" && (lower == u"ja" || lower == u"nein")) {
            s.byRows = lower == u"ja";
        } else if (name == u"ablageart") {
            static const QStringList words = {u"programmintern"_s, u"lebendig"_s, u"abgelegt"_s, u"beides"_s};
            s.aliveFlag = int(words.indexOf(lower));
            if (s.aliveFlag < 0) {
                *error = u"unknown storage kind \"%1\""_s.arg(value);
                return std::nullopt;
            }
        } else if (name == u"lesen") {
            s.readNone = value == u"(0)" || value == u"0";
        } else {
            *error = u"unknown item \"%1\""_s.arg(item);
            return std::nullopt;
        }
    }
    return s;
}
