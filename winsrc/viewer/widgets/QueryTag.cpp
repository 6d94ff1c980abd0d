#include "QueryTag.h"

#include "MainModul.h"
#include "NumberText.h"

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

QString QueryTag::FieldArray2Tag(const QStringList& record)
{
    return record.join(u'\t');
}

QString QueryTag::Tag2Field(const QString& tag, int position)
{
    if (position < 1)
        return QString();
    // Counting separators avoids splitting a long record for one field.
    qsizetype start = 0;
    for (int i = 1; i < position; ++i) {
        const qsizetype tab = tag.indexOf(u'\t', start);
        if (tab < 0)
            return QString();
        start = tab + 1;
    }
    const qsizetype end = tag.indexOf(u'\t', start);
    return end < 0 ? tag.mid(start) : tag.mid(start, end - start);
}

QString QueryTag::FieldTag2QueryFldName(const QString& tag)
{
    return Tag2Field(tag, 6) + u':' + Tag2Field(tag, 14);
}

bool QueryTag::ToBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    if (NumberText::isNumber(t))
        return NumberText::leadingValue(t) != 0.0;
    if (t.compare(u"true"_s, Qt::CaseInsensitive) == 0)
        return true;
    return MainModul::ErpText2Bool(t);
}

int QueryTag::Val(const QString& text)
{
    const double value = std::trunc(NumberText::leadingValue(text));
    if (!std::isfinite(value) || value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return 0;
    return int(value);
}
