#include "KlvValueFormat.h"

#include "KlvErpMessage.h"
#include "KlvSession.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

using namespace Qt::StringLiterals;

namespace {
bool isDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

QString keepDigitsAndSign(const QString& text, QChar decimal, QChar grouping, bool* ok)
{
    QString out;
    *ok = true;
    bool seenDecimal = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isDigit()) {
            out += c;
        } else if (c == u'-' && out.isEmpty() && i == 0) {
            out += c;
        } else if (c == u'+' && i == 0) {
            continue;
        } else if (c == decimal && !seenDecimal) {
            seenDecimal = true;
            out += u'.';
        } else if (c == grouping && !seenDecimal) {
            continue;
        } else {
            *ok = false;
            return {};
        }
    }
    if (out.isEmpty() || out == u"-" || out == u".")
        *ok = false;
    return out;
}

QString groupThousands(const QString& digits, QChar separator)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}
KlvValueFormat::Parsed accepted(const QString& value)
{
    KlvValueFormat::Parsed p;
    p.value = value;
    return p;
}
} // namespace

KlvValueFormat::KlvValueFormat(const KlvErpData& data, Options options)
    : m_data(data), m_options(std::move(options)), m_sortDates(m_options.dateMode == u"SORT"),
      m_shortYear(m_options.dateMode == u"TAV"), m_rawNumbers(m_options.numberMode == u"RAW"),
      m_groupNumbers(m_options.numberMode == u"EXT"), m_boolTexts(m_options.boolMode == u"TAV"),
      m_enumText(m_options.enumMode == u"TEXT"), m_enumCode(m_options.enumMode == u"CODE")
{}

KlvValueFormat::Options KlvValueFormat::Options::fromSession(const KlvSession& session)
{
    Options o;
    o.dateMode = session.option(u"DATEMODE"_s);
    o.numberMode = session.option(u"NUMMODE"_s);
    o.decimalComma = session.option(u"DECIMALPOINT"_s) != u"PERIOD";
    o.boolMode = session.option(u"BOOLMODE"_s);
    o.enumMode = session.option(u"ENUMMODE"_s);
    o.verwMode = session.option(u"VERWMODE"_s);
    const QString ft = session.option(u"FTMODE"_s);
    o.freeTextLength = ft.startsWith(u"TEXT:") ? qMax(0, ft.mid(5).toInt()) : -1;
    o.crlf = session.option(u"LINEBREAK"_s) == u"CRLF";
    o.trim = session.option(u"TRIMVALUES"_s) == u"1";
    o.lang = session.option(u"LANG"_s) == u"E" ? u"E"_s : u"D"_s;
    return o;
}

QString KlvValueFormat::enumerationName(const QString& typeCode)
{
    if (KlvTypeCode::classify(typeCode) == KlvTypeCode::Kind::EnumReference) {
        QString digits;
        for (QChar c : typeCode) {
            if (c.isDigit())
                digits += c;
        }
        return u"A"_s + digits;
    }
    return typeCode;
}

const KlvErpData::Enumeration* KlvValueFormat::enumeration(const QString& name) const
{
    auto it = m_enums.find(name);
    if (it == m_enums.end())
        it = m_enums.insert(name, m_data.enumeration(name));
    return it->has_value() ? &**it : nullptr;
}

// --- display -----------------------------------------------------------------------------------

QString KlvValueFormat::display(const KlvTypeCode& type, const QString& canonical, const QString& modifier) const
{
    using Kind = KlvTypeCode::Kind;
    QString out;
    switch (type.kind()) {
    case Kind::LongInt:
    case Kind::Integer:
    case Kind::Byte:
    case Kind::Real:
        out = displayNumber(type, canonical);
        break;
    case Kind::Bool:
        out = displayBool(canonical, modifier);
        break;
    case Kind::Enumeration:
    case Kind::EnumReference:
        out = displayEnum(type, canonical, modifier);
        break;
    case Kind::Reference:
        out = displayReference(type, canonical, modifier);
        break;
    case Kind::Date:
    case Kind::DateTime: {
        // Cut from the kept form: the date is the first 8 digits, the time the next 6.
        const qsizetype size = type.kind() == Kind::Date ? 8 : 14;
        if (canonical.size() != size || !isDigits(canonical) || m_sortDates) {
            out = canonical;
            break;
        }
        const QStringView c(canonical);
        const bool shortYear = m_shortYear;
        out = c.mid(6, 2) + u'.' + c.mid(4, 2) + u'.' + (shortYear ? c.mid(2, 2) : c.left(4));
        if (size == 14)
            out += u' ' + c.mid(8, 2) + u':' + c.mid(10, 2) + (shortYear ? QString() : u':' + c.mid(12, 2).toString());
        break;
    }
    case Kind::Time:
        out = canonical.size() == 4 && !m_sortDates ? canonical.left(2) + u':' + canonical.mid(2) : canonical;
        break;
    case Kind::Week:
        out = canonical.size() == 6 && !m_sortDates ? canonical.mid(4) + u'/' + canonical.left(4) : canonical;
        break;
    case Kind::Period:
        out = canonical.size() == 6 && !m_sortDates ? canonical.mid(4) + u'.' + canonical.left(4) : canonical;
        break;
    case Kind::Button:
        break;
    case Kind::FText:
        out = m_options.freeTextLength >= 0 ? canonical.left(m_options.freeTextLength) : canonical;
        break;
    case Kind::RowReference:
    case Kind::Text:
        out = canonical;
        break;
    }
    if (type.isMultiLine() && m_options.crlf && out.contains(u'\n')) {
        out.replace(u"\r\n"_s, u"\n"_s);
        out.replace(u"\n"_s, u"\r\n"_s);
    }
    if (m_options.trim)
        out = out.trimmed();
    return out;
}

QString KlvValueFormat::displayNumber(const KlvTypeCode& type, const QString& canonical) const
{
    if (canonical.isEmpty() || m_rawNumbers)
        return canonical;
    // Worked on the digits of the kept form; only a value with more decimals than the type
    // holds goes through a double to be rounded.
    const bool real = type.kind() == KlvTypeCode::Kind::Real;
    const int fraction = real ? type.fractionDigits() : 0;
    const qsizetype dot = canonical.indexOf(u'.');
    const QStringView digits = QStringView(canonical).mid(canonical.startsWith(u'-') ? 1 : 0);
    for (QChar c : digits) {
        if (!c.isDigit() && c != u'.')
            return canonical;
    }
    bool zero = true;
    for (QChar c : digits)
        zero = zero && (c == u'0' || c == u'.');
    if (zero && type.code().contains(u'N') && type.kind() != KlvTypeCode::Kind::LongInt)
        return {};
    QString text;
    const qsizetype have = dot < 0 ? 0 : canonical.size() - dot - 1;
    if (have > fraction) {
        text = QString::number(canonical.toDouble(), 'f', fraction);
    } else {
        text = dot < 0 ? canonical : canonical.left(dot);
        if (fraction > 0)
            text += u'.' + (dot < 0 ? QString() : canonical.mid(dot + 1)) + QString(fraction - have, u'0');
    }
    if (real && type.code().startsWith(u'M') && text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    const QChar decimal = m_options.decimalComma ? u',' : u'.';
    const QChar grouping = m_options.decimalComma ? u'.' : u',';
    const bool negative = text.startsWith(u'-');
    if (negative)
        text.remove(0, 1);
    const qsizetype point = text.indexOf(u'.');
    QString whole = point < 0 ? text : text.left(point);
    const QString part = point < 0 ? QString() : text.mid(point + 1);
    if (m_groupNumbers && type.grouping())
        whole = groupThousands(whole, grouping);
    return (negative ? u"-"_s : QString()) + whole + (part.isEmpty() ? QString() : decimal + part);
}

QString KlvValueFormat::displayBool(const QString& canonical, const QString& modifier) const
{
    const QString code = canonical == u"1" ? u"1"_s : u"0"_s;
    if (modifier == u"0" || modifier == u"code")
        return u'(' + code + u')';
    if (canonical.isEmpty() && !m_boolTexts)
        return u"0"_s;
    if (m_boolTexts) {
        if (const KlvErpData::Enumeration* e = enumeration(u"A2"_s)) {
            if (const KlvErpData::EnumPosition* p = e->position(code))
                return p->text.in(m_options.lang);
        }
    }
    return code;
}

QString KlvValueFormat::displayEnum(const KlvTypeCode& type, const QString& canonical, const QString& modifier) const
{
    if (modifier == u"0" || modifier == u"code")
        return u'(' + canonical + u')';
    if (canonical.isEmpty())
        return {};
    const KlvErpData::Enumeration* e =
        enumeration(type.kind() == KlvTypeCode::Kind::EnumReference ? enumerationName(type.code()) : type.code());
    const KlvErpData::EnumPosition* p = e ? e->position(canonical) : nullptr;
    if (!p)
        return canonical;
    if (modifier == u"text" || (modifier.isEmpty() && m_enumText))
        return p->text.in(m_options.lang);
    if (modifier.isEmpty() && m_enumCode)
        return p->code;
    return p->briefDesc;
}

QString KlvValueFormat::displayReference(const KlvTypeCode& type, const QString& canonical,
                                         const QString& modifier) const
{
    if (canonical.isEmpty())
        return {};
    QString mode = m_options.verwMode;
    if (modifier == u"ref" || modifier == u"0")
        mode = u"REF"_s;
    else if (modifier == u"num")
        mode = u"NUM"_s;
    else if (modifier == u"sw")
        mode = u"SW"_s;
    if (mode == u"REF")
        return canonical;
    const QString cacheKey = mode + canonical;
    if (const auto it = m_shownRefs.constFind(cacheKey); it != m_shownRefs.cend())
        return *it;
    QStringList shown;
    for (const QString& one : canonical.split(u';', Qt::SkipEmptyParts)) {
        const std::optional<KlvErpData::Ref> ref = KlvErpData::Ref::parse(one);
        if (!ref || ref->isNull()) {
            shown.append(one);
            continue;
        }
        const QString number = m_data.value(*ref, u"nummer"_s);
        const QString search = m_data.value(*ref, u"such"_s);
        if (mode == u"SW")
            shown.append(search.isEmpty() ? number : search);
        else if (mode == u"EXT")
            shown.append(search.isEmpty() ? number : number + u' ' + search);
        else
            shown.append(number.isEmpty() ? one : number);
    }
    Q_UNUSED(type);
    if (m_shownRefs.size() > 10000)
        m_shownRefs.clear();
    return *m_shownRefs.insert(cacheKey, shown.join(u';'));
}

// --- parsing -------------------------------------------------------------------------------------

KlvValueFormat::Parsed KlvValueFormat::fail(int error, const QStringList& args) const
{
    Parsed p;
    p.ok = false;
    p.error = error;
    p.errorText = m_data.serverText(error, m_options.lang, args);
    return p;
}

KlvValueFormat::Parsed KlvValueFormat::parse(const KlvTypeCode& type, const QString& input) const
{
    using Kind = KlvTypeCode::Kind;
    const QString text = type.isMultiLine() ? input : input.trimmed();
    switch (type.kind()) {
    case Kind::LongInt:
    case Kind::Integer:
    case Kind::Byte:
    case Kind::Real:
        return parseNumber(type, text);
    case Kind::Bool: {
        const QString t = text.toLower();
        if (t.isEmpty() || t == u"0" || t == u"(0)" || t == u"nein" || t == u"no" || t == u"n" || t == u"false" ||
            t == u"f")
            return accepted(u"0"_s);
        if (t == u"1" || t == u"(1)" || t == u"ja" || t == u"yes" || t == u"j" || t == u"y" || t == u"true" ||
            t == u"t")
            return accepted(u"1"_s);
        return fail(KlvErpMessage::NotABoolean, {text});
    }
    case Kind::Enumeration:
    case Kind::EnumReference:
        return parseEnum(type, text);
    case Kind::Reference:
        return parseReference(type, text);
    case Kind::Date:
    case Kind::DateTime: {
        if (text.isEmpty())
            return accepted(QString());
        const QString datePart = text.section(u' ', 0, 0);
        const QString timePart = text.section(u' ', 1).trimmed();
        QDate d;
        QTime t(0, 0);
        if (isDigits(datePart) && datePart.size() == 14 && type.kind() == Kind::DateTime) {
            const QDateTime dt = QDateTime::fromString(datePart, u"yyyyMMddHHmmss"_s);
            d = dt.date();
            t = dt.time();
        } else if (isDigits(datePart) && datePart.size() == 8) {
            d = QDate::fromString(datePart, u"yyyyMMdd"_s);
        } else {
            const QStringList p = datePart.split(u'.');
            if (p.size() == 3 && isDigits(p.at(0)) && isDigits(p.at(1)) && isDigits(p.at(2))) {
                int year = p.at(2).toInt();
                if (p.at(2).size() <= 2)
                    year += year < 70 ? 2000 : 1900;
                d = QDate(year, p.at(1).toInt(), p.at(0).toInt());
            }
        }
        if (!timePart.isEmpty()) {
            t = QTime::fromString(timePart, timePart.size() > 5 ? u"HH:mm:ss"_s : u"HH:mm"_s);
            if (!t.isValid() || type.kind() != Kind::DateTime)
                d = {};
        }
        if (!d.isValid())
            return fail(KlvErpMessage::NotADate, {text});
        if (type.kind() == Kind::Date)
            return accepted(d.toString(u"yyyyMMdd"_s));
        return accepted(d.toString(u"yyyyMMdd"_s) + t.toString(u"HHmmss"_s));
    }
    case Kind::Time: {
        if (text.isEmpty())
            return accepted(QString());
        QString digits = text;
        if (const qsizetype colon = text.indexOf(u':'); colon > 0)
            digits = text.left(colon).rightJustified(2, u'0') + text.mid(colon + 1);
        const QTime t = QTime::fromString(digits, u"HHmm"_s);
        if (digits.size() != 4 || !t.isValid())
            return fail(KlvErpMessage::NotATime, {text});
        return accepted(digits);
    }
    case Kind::Week:
    case Kind::Period: {
        if (text.isEmpty())
            return accepted(QString());
        const QChar sep = type.kind() == Kind::Week ? u'/' : u'.';
        QString canonical = text;
        if (text.contains(sep)) {
            const QStringList p = text.split(sep);
            canonical = p.size() == 2 ? p.at(1) + p.at(0).rightJustified(2, u'0') : QString();
        }
        const int unit = canonical.mid(4).toInt();
        const int highest = type.kind() == Kind::Week ? 53 : 12;
        if (canonical.size() != 6 || !isDigits(canonical) || unit < 1 || unit > highest)
            return fail(KlvErpMessage::NotADate, {text});
        return accepted(canonical);
    }
    case Kind::Button:
        return accepted(QString());
    case Kind::FText:
        return accepted(QString(input).replace(u"\r\n"_s, u"\n"_s));
    case Kind::RowReference:
        return accepted(text);
    case Kind::Text: {
        const QString value = type.isMultiLine() ? QString(input).replace(u"\r\n"_s, u"\n"_s) : text;
        if (value.size() > type.maxLength())
            return fail(KlvErpMessage::TooLong, {value, QString::number(type.maxLength())});
        return accepted(value);
    }
    }
    return accepted(text);
}

KlvValueFormat::Parsed KlvValueFormat::parseNumber(const KlvTypeCode& type, const QString& text) const
{
    if (text.isEmpty())
        return accepted(QString());
    bool ok = false;
    // Without a decimal comma in the text a period is read as the decimal point, so the
    // canonical form is always understood.
    const bool commaDecimal = m_options.decimalComma && (text.contains(u',') || text.count(u'.') > 1);
    QString canonical = keepDigitsAndSign(text, commaDecimal ? u',' : u'.', commaDecimal ? u'.' : u',', &ok);
    if (!ok)
        return fail(KlvErpMessage::NotANumber, {text});
    if (canonical.startsWith(u'-') && type.positiveOnly())
        return fail(KlvErpMessage::Negative, {text});
    const bool real = type.kind() == KlvTypeCode::Kind::Real;
    const qsizetype dot = canonical.indexOf(u'.');
    QString whole = dot < 0 ? canonical : canonical.left(dot);
    QString fraction = dot < 0 ? QString() : canonical.mid(dot + 1);
    const bool negative = whole.startsWith(u'-');
    if (negative)
        whole.remove(0, 1);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = u"0"_s;
    if (!real && !fraction.isEmpty() && fraction.toLongLong() != 0)
        return fail(KlvErpMessage::NotANumber, {text});
    if (!real)
        fraction.clear();
    if (real && fraction.size() > type.fractionDigits()) {
        // More decimals than the field holds are rounded, as the ERP's own input does.
        const double v = QString(whole + u'.' + fraction).toDouble();
        const QString rounded = QString::number(v, 'f', type.fractionDigits());
        const qsizetype rdot = rounded.indexOf(u'.');
        whole = rdot < 0 ? rounded : rounded.left(rdot);
        fraction = rdot < 0 ? QString() : rounded.mid(rdot + 1);
    }
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (whole.size() > type.integerDigits())
        return fail(KlvErpMessage::TooManyDigits, {text});
    QString value = whole + (fraction.isEmpty() ? QString() : u'.' + fraction);
    if (negative && value != u"0")
        value.prepend(u'-');
    return accepted(value);
}

KlvValueFormat::Parsed KlvValueFormat::parseEnum(const KlvTypeCode& type, const QString& text) const
{
    const QString name = enumerationName(type.code());
    const KlvErpData::Enumeration* e = enumeration(name);
    if (!e)
        return fail(KlvErpMessage::UnknownEnumeration, {name});
    if (text.isEmpty()) {
        if (e->emptyIsValid)
            return accepted(QString());
        return fail(KlvErpMessage::NotAPosition, {text, name});
    }
    QString t = text;
    if (t.startsWith(u'(') && t.endsWith(u')'))
        t = t.mid(1, t.size() - 2);
    for (const KlvErpData::EnumPosition& p : e->positions) {
        if (p.code == t)
            return accepted(p.code);
    }
    for (const KlvErpData::EnumPosition& p : e->positions) {
        if (p.text.de.compare(t, Qt::CaseInsensitive) == 0 || p.text.en.compare(t, Qt::CaseInsensitive) == 0 ||
            p.briefDesc.compare(t, Qt::CaseInsensitive) == 0)
            return accepted(p.code);
    }
    return fail(KlvErpMessage::NotAPosition, {text, name});
}

KlvValueFormat::Parsed KlvValueFormat::parseReference(const KlvTypeCode& type, const QString& text) const
{
    if (text.isEmpty())
        return accepted(QString());
    const QList<KlvErpData::RefTarget> targets = m_data.refTargets(type.code());
    QStringList refs;
    const QStringList parts = type.isMultipleReference() ? text.split(u';', Qt::SkipEmptyParts) : QStringList{text};
    for (const QString& rawPart : parts) {
        const QString part = rawPart.trimmed();
        std::optional<KlvErpData::Ref> ref = KlvErpData::Ref::parse(part);
        if (ref) {
            if (ref->isNull()) {
                refs.append(ref->text());
                continue;
            }
            bool fits = targets.isEmpty();
            for (const KlvErpData::RefTarget& t : targets)
                fits = fits || (t.db == ref->db && (t.group < 0 || t.group == ref->group));
            if (!fits || !m_data.record(*ref))
                return fail(KlvErpMessage::NoRecordFor, {part});
            refs.append(ref->text());
            continue;
        }
        // A number or search word; for EXT both, the number first.
        const QString key = part.section(u' ', 0, 0);
        for (const KlvErpData::RefTarget& t : targets) {
            ref = m_data.findByNumberOrSearchWord(t.db, key);
            if (ref && (t.group < 0 || ref->group == t.group))
                break;
            ref.reset();
        }
        if (!ref)
            return fail(KlvErpMessage::NoRecordFor, {part});
        refs.append(ref->text());
    }
    return accepted(refs.join(u';'));
}
