#include "DatabaseValue.h"

#include "ExportValue.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The value of minLength to maxLength digits; -1 for anything else.
int digits(QStringView text, int minLength, int maxLength)
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

// A day of the Gregorian calendar from year 1 to 9999, as QDate takes it.
bool validDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

void put(char*& out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
    out += width;
}

struct Ymd
{
    int year = -1;
    int month = -1;
    int day = -1;
};

Ymd readDate(QStringView text)
{
    text = text.trimmed();
    if (text.size() == 8 && allDigits(text))
        return {digits(text.left(4), 4, 4), digits(text.mid(4, 2), 2, 2), digits(text.mid(6, 2), 2, 2)};
    if (text.count(u'-') == 2) {
        const qsizetype first = text.indexOf(u'-');
        const qsizetype second = text.indexOf(u'-', first + 1);
        return {digits(text.left(first), 4, 4), digits(text.sliced(first + 1, second - first - 1), 1, 2),
                digits(text.sliced(second + 1), 1, 2)};
    }
    if (text.count(u'.') == 2) {
        const qsizetype first = text.indexOf(u'.');
        const qsizetype second = text.indexOf(u'.', first + 1);
        const QStringView yearText = text.sliced(second + 1);
        int year = yearText.size() == 2 ? digits(yearText, 2, 2) : digits(yearText, 4, 4);
        if (yearText.size() == 2 && year >= 0)
            year += year < 30 ? 2000 : 1900;
        return {year, digits(text.sliced(first + 1, second - first - 1), 1, 2), digits(text.left(first), 1, 2)};
    }
    return {};
}

struct Hms
{
    int hour = -1;
    int minute = -1;
    int second = -1;
    bool valid() const { return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60; }
};

Hms readTime(QStringView text)
{
    text = text.trimmed();
    if ((text.size() == 4 || text.size() == 6) && allDigits(text))
        return {digits(text.left(2), 2, 2), digits(text.mid(2, 2), 2, 2),
                text.size() == 6 ? digits(text.mid(4, 2), 2, 2) : 0};
    const qsizetype first = text.indexOf(u':');
    if (first < 0)
        return {};
    const qsizetype second = text.indexOf(u':', first + 1);
    const QStringView minutes = second < 0 ? text.sliced(first + 1) : text.sliced(first + 1, second - first - 1);
    return {digits(text.left(first), 1, 2), digits(minutes, 2, 2),
            second < 0 ? 0 : digits(text.sliced(second + 1), 2, 2)};
}

bool writeDate(const Ymd& date, char*& out)
{
    if (!validDate(date.year, date.month, date.day))
        return false;
    put(out, date.year, 4);
    *out++ = '-';
    put(out, date.month, 2);
    *out++ = '-';
    put(out, date.day, 2);
    return true;
}

} // namespace

bool DatabaseValue::IsoDate(QStringView text, char* out)
{
    return writeDate(readDate(text), out);
}

bool DatabaseValue::IsoDateTime(QStringView text, char* out)
{
    text = text.trimmed();
    Ymd date;
    Hms time;
    if ((text.size() == 14 || text.size() == 12) && allDigits(text)) {
        date = readDate(text.left(8));
        time = readTime(text.sliced(8));
    } else {
        qsizetype at = text.indexOf(u' ');
        if (at < 0)
            at = text.indexOf(u'T');
        if (at < 0)
            return false;
        date = readDate(text.left(at));
        time = readTime(text.sliced(at + 1));
    }
    if (!time.valid() || !validDate(date.year, date.month, date.day))
        return false;
    writeDate(date, out);
    *out++ = ' ';
    put(out, time.hour, 2);
    *out++ = ':';
    put(out, time.minute, 2);
    *out++ = ':';
    put(out, time.second, 2);
    return true;
}

QString DatabaseValue::CrLfLines(const QString& text)
{
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString lines = text;
    lines.replace(u"\r\n"_s, u"\n"_s);
    lines.replace(u'\r', u'\n');
    lines.replace(u"\n"_s, u"\r\n"_s);
    return lines;
}

QVariant DatabaseValue::Variant(const DatabaseColumn& column, const QString& text)
{
    using Kind = DatabaseColumn::Kind;
    switch (column.kind) {
    case Kind::Whole:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<qlonglong>());
        if (const std::optional<qint64> number = ExportValue::WholeNumber(text))
            return qlonglong(*number);
        break;
    case Kind::Real:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<double>());
        if (const std::optional<double> number = ExportValue::Number(text, column.fractionDigits))
            return *number;
        break;
    case Kind::Bool:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<int>());
        return MainModul::ErpText2Bool(text) ? 1 : 0;
    case Kind::Date:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<QDate>());
        if (const std::optional<QDate> date = ExportValue::Date(text))
            return *date;
        break;
    case Kind::DateTime:
        if (text.isEmpty())
            return QVariant(QMetaType::fromType<QDateTime>());
        if (const std::optional<QDateTime> stamp = ExportValue::DateTime(text))
            return *stamp;
        break;
    case Kind::LineText:
        if (!text.isEmpty())
            return CrLfLines(text);
        break;
    case Kind::Text:
        break;
    }
    // What does not read as the column's type goes as the text it is.
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}
