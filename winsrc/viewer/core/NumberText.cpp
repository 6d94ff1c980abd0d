#include "NumberText.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Length of the number at pos (0 when there is none); the value goes to out.
qsizetype scanNumber(const QString& text, qsizetype pos, double* out)
{
    const qsizetype start = pos;
    const qsizetype n = text.size();
    if (pos < n && (text[pos] == u'+' || text[pos] == u'-'))
        ++pos;
    qsizetype digits = 0;
    while (pos < n && text[pos].isDigit() && text[pos].unicode() < 128) {
        ++pos;
        ++digits;
    }
    if (pos < n && text[pos] == u'.') {
        qsizetype p = pos + 1;
        qsizetype fraction = 0;
        while (p < n && text[p].isDigit() && text[p].unicode() < 128) {
            ++p;
            ++fraction;
        }
        if (digits + fraction > 0) {
            digits += fraction;
            pos = p;
        }
    }
    if (digits == 0)
        return 0;
    if (pos < n && (text[pos] == u'e' || text[pos] == u'E' || text[pos] == u'd' || text[pos] == u'D')) {
        qsizetype p = pos + 1;
        if (p < n && (text[p] == u'+' || text[p] == u'-'))
            ++p;
        const qsizetype expStart = p;
        while (p < n && text[p].isDigit() && text[p].unicode() < 128)
            ++p;
        if (p > expStart)
            pos = p;
    }
    QString number = text.mid(start, pos - start);
    number.replace(u'd', u'e').replace(u'D', u'e');
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (out)
        *out = ok ? value : 0.0;
    return pos - start;
}

} // namespace

double NumberText::leadingValue(const QString& text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    double value = 0.0;
    if (scanNumber(text, pos, &value) == 0)
        return 0.0;
    return value;
}

bool NumberText::isNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    return scanNumber(trimmed, 0, nullptr) == trimmed.size();
}

bool NumberText::isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    case QMetaType::QString:
        return isNumber(value.toString());
    default:
        return false;
    }
}

std::optional<qint32> NumberText::roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode is half to even
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

QString NumberText::singleText(double value)
{
    return QString::number(float(value), 'g', 7);
}

double NumberText::parseStored(const QString& text, double fallback)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    if (!isNumber(t))
        return fallback;
    return leadingValue(t);
}
