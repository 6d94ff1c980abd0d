#include "ValueSort.h"

#include "CollatedRanks.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace {

constexpr size_t CheckEvery = size_t(1) << 14;

bool isCancelled(const std::atomic<bool>* cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

double powerOfTen(int exponent)
{
    static constexpr double exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return exponent >= 0 && exponent <= 22 ? exact[exponent] : std::pow(10.0, exponent);
}

// A number as the server shows it: digits, a sign in front or behind, one decimal
// separator, and grouping (the other of "," and ".", a blank or an apostrophe) between
// digits. decimal is 0 when the column has no decimals.
std::optional<double> numberValue(QByteArrayView text, char decimal)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    } else if (!text.isEmpty() && text.back() == '-') {
        negative = true;
        text.chop(1);
    }
    quint64 mantissa = 0;
    int exponent = 0;
    int digits = 0;
    bool inFraction = false;
    char previous = 0;
    for (char c : text) {
        if (isDigit(c)) {
            ++digits;
            if (mantissa < 100000000000000000ull) {
                mantissa = mantissa * 10 + quint64(c - '0');
                if (inFraction)
                    --exponent;
            } else if (!inFraction) {
                ++exponent; // beyond what a double tells apart anyway
            }
        } else if (c == decimal && decimal != 0 && !inFraction) {
            inFraction = true;
        } else if ((c == ',' || c == '.' || c == ' ' || c == '\'') && !inFraction && isDigit(previous)) {
            // grouping
        } else {
            return std::nullopt;
        }
        previous = c;
    }
    if (digits == 0 || !isDigit(previous))
        return std::nullopt;
    double value = double(mantissa);
    value = exponent < 0 ? value / powerOfTen(-exponent) : value * powerOfTen(exponent);
    return negative && value != 0 ? -value : value;
}

// Which of "," and "." a number column uses for decimals, from its cells: where both stand
// in a cell, the later one; a separator that stands twice groups; one that is followed by
// other than three digits is decimal. Without any sign, a column of reals takes the one
// it shows, a column of whole numbers has none.
template <typename CellAt>
char decimalOf(size_t count, const CellAt& cellAt, bool real)
{
    size_t votes[2] = {0, 0}; // ",", "."
    char seen = 0;
    for (size_t p = 0; p < count; ++p) {
        const QByteArrayView text = cellAt(p);
        int commas = 0;
        int dots = 0;
        qsizetype lastComma = -1;
        qsizetype lastDot = -1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == ',') {
                ++commas;
                lastComma = i;
            } else if (text[i] == '.') {
                ++dots;
                lastDot = i;
            }
        }
        if (commas == 0 && dots == 0)
            continue;
        if (commas > 0 && dots > 0) {
            ++votes[lastComma > lastDot ? 0 : 1];
            continue;
        }
        const bool comma = commas > 0;
        seen = comma ? ',' : '.';
        if (commas + dots > 1) {
            ++votes[comma ? 1 : 0];
            continue;
        }
        const qsizetype at = comma ? lastComma : lastDot;
        qsizetype after = 0;
        while (at + 1 + after < text.size() && isDigit(text[at + 1 + after]))
            ++after;
        if (after != 3)
            ++votes[comma ? 0 : 1];
    }
    if (votes[0] != 0 || votes[1] != 0)
        return votes[0] >= votes[1] ? ',' : '.';
    return real ? (seen != 0 ? seen : ',') : char(0);
}

// A date, time stamp, week or period as the server shows it, as one number that orders
// like the calendar: year, then month (or week), day, hour, minute, second, in the digits
// of "yyyymmddhhmmss". The shown forms put the day first ("03.02.2001", "03.02.01
// 14:05", "07/2001", "02.2001"); the sortable form is the digits alone ("20010203"). A
// two-digit year is read as 1930 to 2029.
std::optional<quint64> calendarValue(QByteArrayView text, KLVActiveX::KLV_DataType type)
{
    text = trimmed(text);
    quint64 groups[6] = {};
    int lengths[6] = {};
    int count = 0;
    bool inGroup = false;
    for (char c : text) {
        if (isDigit(c)) {
            if (!inGroup) {
                if (count == 6)
                    return std::nullopt;
                ++count;
                inGroup = true;
            }
            if (++lengths[count - 1] > 14)
                return std::nullopt;
            groups[count - 1] = groups[count - 1] * 10 + quint64(c - '0');
        } else if (c == '.' || c == '/' || c == '-' || c == ':' || c == ' ') {
            inGroup = false;
        } else {
            return std::nullopt;
        }
    }
    if (count == 0)
        return std::nullopt;
    if (count == 1) {
        quint64 value = groups[0];
        for (int i = lengths[0]; i < 14; ++i)
            value *= 10;
        return value;
    }
    for (int i = 0; i < count; ++i) {
        if (lengths[i] > 4)
            return std::nullopt;
    }
    const bool yearFirst = lengths[0] == 4;
    const bool dayCalendar = type == KLVActiveX::klvDate || type == KLVActiveX::klvDateTime;
    quint64 year = 0;
    quint64 major = 0; // month or week
    quint64 day = 0;
    int timeFrom = 0;
    int yearLength = 4;
    if (dayCalendar) {
        if (count < 3)
            return std::nullopt;
        year = yearFirst ? groups[0] : groups[2];
        yearLength = yearFirst ? 4 : lengths[2];
        major = groups[1];
        day = yearFirst ? groups[2] : groups[0];
        timeFrom = 3;
    } else {
        year = yearFirst ? groups[0] : groups[1];
        yearLength = yearFirst ? 4 : lengths[1];
        major = yearFirst ? groups[1] : groups[0];
        timeFrom = 2;
    }
    if (yearLength <= 2)
        year += year < 30 ? 2000 : 1900;
    quint64 value = ((year * 100 + major) * 100 + day) * 1000000;
    quint64 scale = 10000;
    for (int i = timeFrom; i < count && i < timeFrom + 3; ++i) {
        value += groups[i] * scale;
        scale /= 100;
    }
    return value;
}

// A double as an unsigned number of the same order.
quint64 orderedBits(double value)
{
    const quint64 bits = std::bit_cast<quint64>(value);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
}

// Ranks the texts of the given cells (all cells when cells is null) into rank[cell], from
// first on; returns the number of ranks.
template <typename CellAt>
quint32 rankTexts(const std::vector<quint32>* cells, size_t all, const CellAt& cellAt, quint32 first,
                  const QLocale& locale, std::vector<quint32>& rank, const std::atomic<bool>* cancel)
{
    const size_t count = cells ? cells->size() : all;
    auto cellOf = [&](size_t i) { return cells ? (*cells)[i] : quint32(i); };
    std::vector<quint32> ranks;
    const quint32 distinct = CollatedRanks::Rank(
        quint32(count), [&](quint32 i) { return cellAt(cellOf(i)); }, locale, ranks, cancel);
    if (isCancelled(cancel))
        return 0;
    for (size_t i = 0; i < count; ++i)
        rank[cellOf(i)] = first + ranks[i];
    return distinct;
}

} // namespace

ValueSort::Kind ValueSort::KindOf(KLVActiveX::KLV_DataType type)
{
    switch (type) {
    case KLVActiveX::klvLongInt:
    case KLVActiveX::klvInteger:
    case KLVActiveX::klvByte:
    case KLVActiveX::klvReal:
        return Kind::Number;
    case KLVActiveX::klvDate:
    case KLVActiveX::klvDateTime:
    case KLVActiveX::klvWeek:
    case KLVActiveX::klvPeriod:
        return Kind::Date;
    default:
        return Kind::Text;
    }
}

ValueSort::Result ValueSort::Sort(const CellAt& cellAt, const std::vector<quint32>& order,
                                  KLVActiveX::KLV_DataType type, Qt::SortOrder sortOrder, const QLocale& locale,
                                  const std::atomic<bool>* cancel)
{
    Result result;
    const size_t n = order.size();
    // rank[row]: the key of the row's cell; equal cells, equal keys.
    std::vector<quint32> rank(n, 0);
    quint32 ranks = 0;
    const Kind kind = KindOf(type);
    if (kind == Kind::Text) {
        ranks = rankTexts(nullptr, n, cellAt, 0, locale, rank, cancel);
    } else {
        const char decimal = kind == Kind::Number ? decimalOf(n, cellAt, type == KLVActiveX::klvReal) : char(0);
        struct Keyed
        {
            quint64 key;
            quint32 row;
        };
        std::vector<Keyed> values;
        std::vector<quint32> others;
        for (size_t s = 0; s < n; ++s) {
            if (s % CheckEvery == 0 && isCancelled(cancel)) {
                result.cancelled = true;
                return result;
            }
            const QByteArrayView text = cellAt(s);
            if (trimmed(text).isEmpty())
                continue; // rank 0: empty cells first
            if (kind == Kind::Number) {
                if (const std::optional<double> v = numberValue(text, decimal)) {
                    values.push_back({orderedBits(*v), quint32(s)});
                    continue;
                }
            } else if (const std::optional<quint64> v = calendarValue(text, type)) {
                values.push_back({*v, quint32(s)});
                continue;
            }
            others.push_back(quint32(s));
        }
        std::sort(values.begin(), values.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
        quint32 next = 1;
        for (size_t i = 0; i < values.size(); ++i) {
            if (i > 0 && values[i].key != values[i - 1].key)
                ++next;
            rank[values[i].row] = next;
        }
        if (!values.empty())
            ++next;
        values = {};
        ranks = next + rankTexts(&others, n, cellAt, next, locale, rank, cancel);
    }
    if (isCancelled(cancel)) {
        result.cancelled = true;
        return result;
    }

    // Placed by key, each key's rows in the order they had: a stable sort either way.
    const bool ascending = sortOrder == Qt::AscendingOrder;
    auto keyAt = [&](size_t p) {
        const quint32 r = rank[order[p]];
        return ascending ? r : ranks - 1 - r;
    };
    std::vector<quint32> start(size_t(ranks) + 1, 0);
    for (size_t p = 0; p < n; ++p)
        ++start[keyAt(p) + 1];
    for (size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    result.order.resize(n);
    for (size_t p = 0; p < n; ++p)
        result.order[start[keyAt(p)]++] = order[p];
    start = {};

    result.tieWithPrevious.assign(n, false);
    for (size_t i = 1; i < n; ++i)
        result.tieWithPrevious[i] = rank[result.order[i]] == rank[result.order[i - 1]];
    return result;
}
