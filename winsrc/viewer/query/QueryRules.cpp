#include "QueryRules.h"

#include "MainModul.h"
#include "QueryTag.h"

using namespace Qt::StringLiterals;

int QueryRules::KeyFlagOf(const QString& catalogueText)
{
    return catalogueText.isEmpty() ? All : QueryTag::Val(catalogueText);
}

QList<int> QueryRules::StorageKindsFor(const QList<int>& keyFlags)
{
    if (keyFlags.contains(Both))
        return {Alive, Filed, Both};
    if (keyFlags.contains(Filed))
        return {Alive, Filed};
    return {Alive};
}

bool QueryRules::KeyServesStorageKind(int keyFlag, int storageKind)
{
    return storageKind == All || storageKind == keyFlag || keyFlag == Both;
}

QString QueryRules::CountText(int rows, int total)
{
    return QString::number(rows) + u' ' + MainModul::GetMessageTextByNr(rows == 1 ? 141 : 142) + u" ("_s +
           MainModul::GetMessageTextByNr(179) + u": "_s + QString::number(total) + u')';
}

QString QueryRules::MessageLine(int msgType, const QString& text)
{
    if (msgType != 0 && msgType != 1)
        return QString();
    return MainModul::GetMessageTextByNr(msgType == 1 ? 21 : 22) + u' ' + text;
}

void QueryRules::AppendTemplateCriterion(QString& criteria, const QString& name, const QString& alternative,
                                         const QString& value)
{
    if (value.isEmpty())
        return;
    const QString criterion = name.isEmpty() ? alternative : name;
    if (criterion.isEmpty())
        return;
    if (!criteria.isEmpty())
        criteria += u';';
    criteria += criterion + u'=' + value;
}

bool QueryRules::FieldInRange(int range, const QString& fieldTag)
{
    switch (range) {
    case RangeAll:
        return true;
    case RangeHead:
        return !MainModul::ErpText2Bool(QueryTag::Tag2Field(fieldTag, 6));
    case RangeTablePart:
        return MainModul::ErpText2Bool(QueryTag::Tag2Field(fieldTag, 6));
    case RangeSkip:
        return MainModul::ErpText2Bool(QueryTag::Tag2Field(fieldTag, 7));
    default:
        return false;
    }
}

bool QueryRules::CheckedAfter(int mode, bool checkedNow)
{
    if (mode == 1)
        return true;
    if (mode == 2)
        return false;
    return !checkedNow;
}
