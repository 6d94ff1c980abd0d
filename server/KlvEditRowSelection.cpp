#include "KlvEditRowSelection.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
std::optional<int> rowNumber(QStringView text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1)
        return std::nullopt;
    return n;
}
} // namespace

std::optional<KlvEditRowSelection> KlvEditRowSelection::parse(const QString& text)
{
    const QString selection = text.trimmed();
    KlvEditRowSelection result;
    if (selection.isEmpty() || selection == u"0")
        return result;
    if (selection == u"*") {
        result.m_kind = Kind::All;
        return result;
    }
    if (selection.compare(u"LAST"_s, Qt::CaseInsensitive) == 0) {
        result.m_kind = Kind::Last;
        return result;
    }
    result.m_kind = Kind::Rows;
    for (QStringView item : QStringView(selection).split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        const std::optional<int> first = rowNumber(dash < 0 ? item : item.left(dash));
        const std::optional<int> last = dash < 0 ? first : rowNumber(item.mid(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        result.m_ranges.append({*first, *last});
    }
    return result;
}

std::optional<int> KlvEditRowSelection::single() const
{
    if (m_kind != Kind::Rows || m_ranges.size() != 1 || m_ranges[0].first != m_ranges[0].last)
        return std::nullopt;
    return m_ranges[0].first;
}

QList<int> KlvEditRowSelection::rows(int rowCount, int* missing) const
{
    if (missing)
        *missing = 0;
    QList<int> result;
    switch (m_kind) {
    case Kind::Head:
        break;
    case Kind::All:
        for (int r = 1; r <= rowCount; ++r)
            result.append(r);
        break;
    case Kind::Last:
        if (rowCount > 0)
            result.append(rowCount);
        else if (missing)
            *missing = 1;
        break;
    case Kind::Rows: {
        QSet<int> seen;
        for (const Range& range : m_ranges) {
            // A range far beyond the table must not be walked row by row.
            if (missing && range.last > rowCount && *missing == 0)
                *missing = std::max(range.first, rowCount + 1);
            for (int r = range.first; r <= std::min(range.last, rowCount); ++r) {
                if (!seen.contains(r)) {
                    seen.insert(r);
                    result.append(r);
                }
            }
        }
        std::sort(result.begin(), result.end());
        break;
    }
    }
    return result;
}
