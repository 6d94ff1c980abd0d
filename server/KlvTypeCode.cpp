#include "KlvTypeCode.h"

#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
// Patterns are compiled once per pattern text; classification runs for every column of
// every answer.
bool matches(const QString& code, const QString& pattern)
{
    thread_local QHash<QString, QRegularExpression> compiled;
    auto it = compiled.find(pattern);
    if (it == compiled.end())
        it = compiled.insert(pattern, QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
    return it->match(code).hasMatch();
}

// The number that starts at the first digit of text (0 when there is none).
int numberFrom(const QString& text, qsizetype from = 0)
{
    qsizetype i = from;
    while (i < text.size() && !text.at(i).isDigit())
        ++i;
    int n = 0;
    while (i < text.size() && text.at(i).isDigit() && n < 100000000)
        n = n * 10 + text.at(i++).digitValue();
    return n;
}
} // namespace

KlvTypeCode::Kind KlvTypeCode::classify(const QString& c)
{
    if (matches(c, u"ARTR.*|iRE.*|[RM].*"_s))
        return Kind::Real;
    if (matches(c, u"KU[0-9].*|K[0-9].*|iKU.*|uKU.*|GRN.*|GRDN.*"_s))
        return Kind::Byte;
    if (matches(c, u"J[0-9].*|iSH.*|TZN"_s))
        return Kind::Integer;
    if (matches(c, u"I|I[0-9].*|I[PNU][0-9].*|IP[NU][0-9].*|iI.*|uI.*"_s))
        return Kind::LongInt;
    if (c == u"B1" || c == u"B")
        return Kind::Bool;
    if (matches(c, u"VP[KBNS][0-9].*|VP[0-9].*|VP[KBN]S[0-9].*|VID[0-9].*|[PC][0-9].*|PS[0-9].*|ID[0-9].*"_s))
        return Kind::Reference;
    if (matches(c, u"AZ[MKL].*"_s))
        return Kind::EnumReference;
    if (matches(c, u"IDZ.*"_s))
        return Kind::RowReference;
    if (c == u"Z")
        return Kind::Time;
    if (c.startsWith(u"GD") || c == u"D")
        return numberFrom(c.mid(2)) >= 14 && c.size() > 2 && c.at(2).isDigit() ? Kind::DateTime : Kind::Date;
    if (c.startsWith(u"GP"))
        return Kind::Period;
    if (c == u"W" || c.startsWith(u"GW"))
        return Kind::Week;
    if (c == u"DVB" || c == u"DVMB" || c == u"DVZ" || c == u"DVMZ" || matches(c, u"BU[0-9].*"_s))
        return Kind::Button;
    if (c.startsWith(u"TN"))
        return Kind::FText;
    if (matches(c, u"AK[0-9].*|A[0-9].*|AN[0-9].*|AU[0-9].*|TAZ.*"_s))
        return Kind::Enumeration;
    return Kind::Text;
}

KlvTypeCode::KlvTypeCode(const QString& code) : m_code(code), m_kind(classify(code))
{
    const QString& c = m_code;
    switch (m_kind) {
    case Kind::Byte:
    case Kind::Integer:
    case Kind::LongInt:
        if (c.startsWith(u"GR")) {
            m_integerDigits = 2;
        } else if (c == u"TZN") {
            m_integerDigits = 5;
        } else if (c == u"I") {
            m_integerDigits = 9;
        } else {
            m_integerDigits = c.back().isDigit() ? c.back().digitValue() : 9;
        }
        m_positiveOnly = c.startsWith(u"GR") || c == u"TZN" || c.contains(u'P');
        m_maxLength = m_integerDigits + (m_positiveOnly ? 0 : 1);
        break;
    case Kind::Real: {
        const QString r = c.startsWith(u"ARTR") ? u"R"_s + c.mid(4) : c;
        m_grouping = r.contains(u'T');
        m_positiveOnly = r.contains(u'P');
        const qsizetype firstDigit = r.indexOf(QRegularExpression(u"[0-9]"_s));
        if (firstDigit < 0) {
            m_integerDigits = 15;
            m_fractionDigits = 9;
        } else {
            const QString digits = r.mid(firstDigit);
            const qsizetype dot = digits.indexOf(u'.');
            m_integerDigits = numberFrom(dot < 0 ? digits : digits.left(dot));
            m_fractionDigits = dot < 0 ? 0 : numberFrom(digits.mid(dot + 1));
        }
        m_maxLength = m_integerDigits + (m_grouping ? (m_integerDigits - 1) / 3 : 0) +
                      (m_fractionDigits > 0 ? m_fractionDigits + 1 : 0) + (m_positiveOnly ? 0 : 1);
        break;
    }
    case Kind::Bool:
        m_maxLength = c == u"B1" ? 1 : 4;
        break;
    case Kind::Reference:
    case Kind::RowReference:
        m_maxLength = 30;
        if (c.startsWith(u'C')) {
            m_refDb = 12;
            m_refGroup = numberFrom(c);
        } else if (!c.startsWith(u'V')) {
            const qsizetype firstDigit = c.indexOf(QRegularExpression(u"[0-9]"_s));
            if (firstDigit >= 0) {
                const QString rest = c.mid(firstDigit);
                const qsizetype colon = rest.indexOf(u':');
                m_refDb = numberFrom(colon < 0 ? rest : rest.left(colon));
                if (colon >= 0 && !rest.mid(colon + 1).contains(u'.'))
                    m_refGroup = numberFrom(rest.mid(colon + 1));
            }
        }
        break;
    case Kind::Time:
        m_maxLength = 5;
        break;
    case Kind::Date:
        m_maxLength = c == u"GD8" ? 8 : 10;
        break;
    case Kind::DateTime:
        m_maxLength = c == u"GD14" ? 14 : 19;
        break;
    case Kind::Week:
        m_maxLength = 8;
        break;
    case Kind::Period:
        m_maxLength = 20;
        break;
    case Kind::Button:
        m_maxLength = 1;
        break;
    case Kind::FText:
        m_maxLength = 2147483647;
        break;
    case Kind::Enumeration:
        m_maxLength = 40;
        break;
    case Kind::EnumReference:
        m_maxLength = 50;
        break;
    case Kind::Text:
        if (c.startsWith(u"GRDB")) {
            m_maxLength = 20;
        } else if (c.startsWith(u"GRB")) {
            m_maxLength = 80;
        } else if (c.startsWith(u"SW")) {
            m_maxLength = 30;
        } else if (matches(c, u"TU[0-9].*|[SB]T[0-9].*"_s)) {
            m_maxLength = 2999;
            m_multiLine = true;
        } else if (c == u"T" || matches(c, u"T[0-9].*"_s)) {
            m_maxLength = 2999;
            m_multiLine = true;
        } else if (matches(c, u"GL[0-9].*|NT[0-9].*"_s)) {
            m_maxLength = numberFrom(c, 2);
        } else if (matches(c, u"GLU[0-9].*|BGL[0-9].*|GLA[0-9].*"_s)) {
            m_maxLength = numberFrom(c, 3);
        } else {
            m_maxLength = 2999;
        }
        break;
    }
}

bool KlvTypeCode::isNumber() const
{
    return m_kind == Kind::LongInt || m_kind == Kind::Integer || m_kind == Kind::Byte || m_kind == Kind::Real;
}

bool KlvTypeCode::isMultipleReference() const
{
    if (m_kind != Kind::Reference || !m_code.startsWith(u'V') || m_code.size() < 2)
        return false;
    const QString last = m_code.right(2);
    return last.at(0).isDigit() && numberFrom(last) > 50;
}

QString KlvTypeCode::refEcho() const
{
    if (m_code.contains(u'S'))
        return u"SW"_s;
    if (m_code.contains(u"ID"))
        return u"REF"_s;
    return u"NUM"_s;
}

QString KlvTypeCode::klvLetter() const
{
    if (isNumber())
        return u"N"_s;
    switch (m_kind) {
    case Kind::Time:
    case Kind::Date:
    case Kind::DateTime:
    case Kind::Week:
    case Kind::Period:
        return u"D"_s;
    default:
        return u"A"_s;
    }
}
