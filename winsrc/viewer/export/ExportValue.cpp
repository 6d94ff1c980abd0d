#include "ExportValue.h"

#include <QByteArray>

#include <charconv>
#include <cmath>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isGrouping(QChar c)
{
    return c == u',' || c == u'.' || c == u' ' || c == u'\'';
}

// The value of a text of minLength to maxLength digits; -1 for anything else.
int digitsValue(QStringView text, int minLength, int maxLength)
{
    if (text.size() < minLength || text.size() > maxLength)
        return -1;
    int value = 0;
    for (const QChar c : text) {
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

bool allDigits(QStringView text)
{
    for (const QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return !text.isEmpty();
}

std::optional<QDate> makeDate(int year, int month, int day)
{
    if (year < 0 || month < 0 || day < 0)
        return std::nullopt;
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

std::optional<QTime> makeTime(int hour, int minute, int second)
{
    if (hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QTime time(hour, minute, second);
    return time.isValid() ? std::optional<QTime>(time) : std::nullopt;
}

// Where the decimal separator of a number stands; -1 for none.
qsizetype decimalPosition(QStringView text, int fractionDigits)
{
    const qsizetype lastComma = text.lastIndexOf(u',');
    const qsizetype lastDot = text.lastIndexOf(u'.');
    if (fractionDigits <= 0 || (lastComma < 0 && lastDot < 0))
        return -1;
    const qsizetype at = std::max(lastComma, lastDot);
    if (text.count(text[at]) > 1)
        return -1; // "1.234.567": it groups
    if (lastComma >= 0 && lastDot >= 0)
        return at; // "1.234,5": the later one
    // "1.234" is a thousand and more unless the type holds three decimals or more.
    const qsizetype after = text.size() - at - 1;
    return after != 3 || fractionDigits >= 3 ? at : -1;
}

} // namespace

std::optional<double> ExportValue::Number(QStringView text, int fractionDigits)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    } else if (!text.isEmpty() && text.back() == u'-') {
        negative = true;
        text.chop(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    const qsizetype decimal = decimalPosition(text, fractionDigits);
    const QStringView whole = decimal < 0 ? text : text.left(decimal);
    const QStringView fraction = decimal < 0 ? QStringView() : text.sliced(decimal + 1);

    // The plain form "-123.45" for the conversion, and the digits that count.
    char plain[64];
    int length = 0;
    int significant = 0;
    int pendingZeros = 0; // zeros of the fraction that count only when a digit follows
    bool leading = true;
    const auto take = [&](QChar c, bool inFraction) {
        if (length >= int(sizeof plain) - 2)
            return false;
        plain[length++] = char(c.unicode());
        if (c == u'0' && leading)
            return true;
        leading = false;
        if (inFraction && c == u'0') {
            ++pendingZeros;
        } else {
            significant += pendingZeros + 1;
            pendingZeros = 0;
        }
        return true;
    };
    if (negative)
        plain[length++] = '-';

    int wholeDigits = 0;
    int group = -1; // digits since the last grouping separator; -1 before the first
    for (qsizetype i = 0; i < whole.size(); ++i) {
        const QChar c = whole[i];
        if (isDigit(c)) {
            if (!take(c, false))
                return std::nullopt;
            ++wholeDigits;
            if (group >= 0)
                ++group;
        } else if (isGrouping(c) && i > 0 && isDigit(whole[i - 1])) {
            // Groups of three; the first of one to three digits.
            if ((group < 0 && wholeDigits > 3) || (group >= 0 && group != 3))
                return std::nullopt;
            group = 0;
        } else {
            return std::nullopt;
        }
    }
    if (group >= 0 && group != 3)
        return std::nullopt;
    if (decimal >= 0) {
        if (fraction.isEmpty() || !allDigits(fraction))
            return std::nullopt;
        plain[length++] = '.';
        for (const QChar c : fraction) {
            if (!take(c, true))
                return std::nullopt;
        }
    } else if (wholeDigits == 0) {
        return std::nullopt;
    }
    if (significant > MaxDigits)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(plain, plain + length, value);
    if (error != std::errc() || end != plain + length)
        return std::nullopt;
    return value == 0 ? 0.0 : value;
}

std::optional<qint64> ExportValue::WholeNumber(QStringView text)
{
    const std::optional<double> value = Number(text, 0);
    if (!value)
        return std::nullopt;
    return qint64(std::llround(*value));
}

std::optional<QDate> ExportValue::Date(QStringView text)
{
    text = text.trimmed();
    if (text.size() == 8 && allDigits(text))
        return makeDate(digitsValue(text.left(4), 4, 4), digitsValue(text.mid(4, 2), 2, 2),
                        digitsValue(text.mid(6, 2), 2, 2));
    if (text.count(u'-') == 2) {
        const qsizetype first = text.indexOf(u'-');
        const qsizetype second = text.indexOf(u'-', first + 1);
        return makeDate(digitsValue(text.left(first), 4, 4),
                        digitsValue(text.sliced(first + 1, second - first - 1), 1, 2),
                        digitsValue(text.sliced(second + 1), 1, 2));
    }
    if (text.count(u'.') == 2) {
        const qsizetype first = text.indexOf(u'.');
        const qsizetype second = text.indexOf(u'.', first + 1);
        const QStringView yearText = text.sliced(second + 1);
        int year = yearText.size() == 2 ? digitsValue(yearText, 2, 2) : digitsValue(yearText, 4, 4);
        if (yearText.size() == 2 && year >= 0)
            year += year < 30 ? 2000 : 1900;
        return makeDate(year, digitsValue(text.sliced(first + 1, second - first - 1), 1, 2),
                        digitsValue(text.left(first), 1, 2));
    }
    return std::nullopt;
}

std::optional<QTime> ExportValue::Time(QStringView text)
{
    text = text.trimmed();
    if ((text.size() == 4 || text.size() == 6) && allDigits(text))
        return makeTime(digitsValue(text.left(2), 2, 2), digitsValue(text.mid(2, 2), 2, 2),
                        text.size() == 6 ? digitsValue(text.mid(4, 2), 2, 2) : 0);
    const qsizetype first = text.indexOf(u':');
    if (first < 0)
        return std::nullopt;
    const qsizetype second = text.indexOf(u':', first + 1);
    const QStringView minutes = second < 0 ? text.sliced(first + 1) : text.sliced(first + 1, second - first - 1);
    return makeTime(digitsValue(text.left(first), 1, 2), digitsValue(minutes, 2, 2),
                    second < 0 ? 0 : digitsValue(text.sliced(second + 1), 2, 2));
}

std::optional<QDateTime> ExportValue::DateTime(QStringView text)
{
    text = text.trimmed();
    std::optional<QDate> date;
    std::optional<QTime> time;
    if ((text.size() == 14 || text.size() == 12) && allDigits(text)) {
        date = Date(text.left(8));
        time = Time(text.sliced(8));
    } else {
        qsizetype at = text.indexOf(u' ');
        if (at < 0)
            at = text.indexOf(u'T');
        if (at < 0)
            return std::nullopt;
        date = Date(text.left(at));
        time = Time(text.sliced(at + 1));
    }
    if (!date || !time)
        return std::nullopt;
    return QDateTime(*date, *time);
}
