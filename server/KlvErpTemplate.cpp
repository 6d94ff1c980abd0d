#include "KlvErpTemplate.h"

#include <QDate>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
// Recursive descent over one expression: sum := product (("+"|"-") product)*,
// product := factor (("*"|"/"|"%") factor)*, factor := number | n | r | "-" factor | "(" sum ")".
class Expression
{
public:
    Expression(const QString& text, int n, int r) : m_text(text), m_n(n), m_r(r) {}

    bool parse(qlonglong* value)
    {
        *value = sum();
        skipBlanks();
        return m_ok && m_pos == m_text.size();
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }
    bool take(QChar c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    qlonglong sum()
    {
        qlonglong v = product();
        for (;;) {
            if (take(u'+'))
                v += product();
            else if (take(u'-'))
                v -= product();
            else
                return v;
        }
    }
    qlonglong product()
    {
        qlonglong v = factor();
        for (;;) {
            if (take(u'*')) {
                v *= factor();
            } else if (take(u'/') || take(u'%')) {
                const bool modulo = m_text.at(m_pos - 1) == u'%';
                const qlonglong d = factor();
                if (d == 0) {
                    m_ok = false;
                    return 0;
                }
                v = modulo ? v % d : v / d;
            } else {
                return v;
            }
        }
    }
    qlonglong factor()
    {
        skipBlanks();
        if (take(u'-'))
            return -factor();
        if (take(u'(')) {
            const qlonglong v = sum();
            if (!take(u')'))
                m_ok = false;
            return v;
        }
        if (take(u'n'))
            return m_n;
        if (take(u'r'))
            return m_r;
        qlonglong v = 0;
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos).isDigit())
            v = v * 10 + m_text.at(m_pos++).digitValue();
        if (m_pos == start)
            m_ok = false;
        return v;
    }

    const QString& m_text;
    int m_n;
    int m_r;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

bool expandOne(const QString& inner, int n, int r, QString* out)
{
    const qsizetype blank = inner.indexOf(u' ');
    const QString word = blank < 0 ? QString() : inner.left(blank);
    const QString rest = blank < 0 ? QString() : inner.mid(blank + 1).trimmed();
    bool ok = true;
    if (word == u"pick") {
        const qsizetype colon = rest.indexOf(u':');
        if (colon < 0)
            return false;
        const QStringList choices = rest.mid(colon + 1).split(u'|');
        const qlonglong i = KlvErpTemplate::evaluate(rest.left(colon), n, r, &ok);
        *out = choices.at(qsizetype(((i % choices.size()) + choices.size()) % choices.size()));
        return ok;
    }
    if (word == u"pad") {
        const qsizetype space = rest.indexOf(u' ');
        const int width = rest.left(space).toInt();
        const qlonglong v = KlvErpTemplate::evaluate(rest.mid(space + 1), n, r, &ok);
        *out = QString::number(v).rightJustified(width, u'0');
        return ok && space > 0;
    }
    if (word == u"dec2") {
        const qlonglong v = KlvErpTemplate::evaluate(rest, n, r, &ok);
        const qlonglong a = v < 0 ? -v : v;
        *out = (v < 0 ? u"-"_s : QString()) + QString::number(a / 100) + u'.' +
               QString::number(a % 100).rightJustified(2, u'0');
        return ok;
    }
    if (word == u"date") {
        const qlonglong v = KlvErpTemplate::evaluate(rest, n, r, &ok);
        *out = QDate(2000, 1, 1).addDays(v).toString(u"yyyyMMdd"_s);
        return ok;
    }
    if (word == u"ref") {
        const qsizetype space = rest.indexOf(u' ');
        const QString table = rest.left(space);
        const qsizetype colon = table.indexOf(u':');
        const qlonglong v = KlvErpTemplate::evaluate(rest.mid(space + 1), n, r, &ok);
        *out = u'(' + table.left(colon) + u',' + table.mid(colon + 1) + u',' + QString::number(v) + u')';
        return ok && space > 0 && colon > 0;
    }
    if (word == u"text") {
        const qlonglong v = KlvErpTemplate::evaluate(rest, n, r, &ok);
        *out = KlvErpTemplate::text(int(qBound(0LL, v, 10000000LL)), n);
        return ok;
    }
    *out = QString::number(KlvErpTemplate::evaluate(inner, n, r, &ok));
    return ok;
}
} // namespace

qlonglong KlvErpTemplate::evaluate(const QString& expression, int n, int r, bool* ok)
{
    qlonglong v = 0;
    Expression e(expression, n, r);
    *ok = e.parse(&v);
    return *ok ? v : 0;
}

QString KlvErpTemplate::expand(const QString& rule, int n, int r, QString* error)
{
    QString out;
    qsizetype pos = 0;
    for (;;) {
        const qsizetype open = rule.indexOf(u'{', pos);
        if (open < 0)
            break;
        const qsizetype close = rule.indexOf(u'}', open);
        if (close < 0) {
            *error = u"unclosed \"{\" in \"%1\""_s.arg(rule);
            return {};
        }
        out += QStringView(rule).mid(pos, open - pos);
        QString piece;
        if (!expandOne(rule.mid(open + 1, close - open - 1), n, r, &piece)) {
            *error = u"cannot read \"%1\""_s.arg(rule.mid(open, close - open + 1));
            return {};
        }
        out += piece;
        pos = close + 1;
    }
    out += QStringView(rule).mid(pos);
    return out;
}

QString KlvErpTemplate::text(int length, int seed)
{
    // Words with umlauts and a line break every few words, so a long text tests both the
    // character set and line handling, and still reads like a note.
    static const QStringList words = {u"Lieferung"_s, u"Kunde"_s, u"bestätigt"_s, u"Rückfrage"_s, u"Termin"_s,
                                      u"Rechnung"_s,  u"offen"_s, u"Größe"_s,     u"Muster"_s,    u"Preis"_s,
                                      u"Anfrage"_s,   u"Lager"_s, u"Versand"_s,   u"Büro"_s,      u"erledigt"_s};
    QString out;
    out.reserve(length + 16);
    qsizetype i = qsizetype(seed) * 7;
    int onLine = 0;
    while (out.size() < length) {
        if (!out.isEmpty())
            out += ++onLine % 9 == 0 ? u'\n' : u' ';
        out += words.at(i++ % words.size());
    }
    out.truncate(length);
    return out;
}
