#include "KLVSelection.h"

using namespace Qt::StringLiterals;

namespace {

QString directionWord(bool ascending)
{
    return ascending ? u"vorw"_s : u"rueckw"_s;
}

QString aliveFlagWord(int flag)
{
    switch (flag) {
    case aliveFlagInternal:
        return u"programmintern"_s;
    case aliveFlagAlive:
        return u"lebendig"_s;
    case aliveFlagFiled:
        return u"abgelegt"_s;
    case aliveFlagBoth:
        return u"beides"_s;
    default:
        return {};
    }
}

// An item with an empty value is left out whole: a prefix alone would select nothing.
void appendSelItem(QString& selection, const QString& prefix, const QString& value)
{
    if (value.isEmpty())
        return;
    if (!selection.isEmpty())
        selection += u';';
    selection += prefix + value;
}

QString boolText(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

} // namespace

KLVSelection::KLVSelection(QObject* parent) : QObject(parent) {}

QString KLVSelection::TableName() const
{
    if (!m_tableName.isEmpty())
        return m_tableName;
    if (!m_database.isEmpty())
        return m_database + u':' + m_groups.join(u'.');
    return {};
}

void KLVSelection::SetSelection(const QString& Krit, const QString& SortKey, bool ByRows, int AliveFlag, bool Ascending,
                                bool AndJunction, const QString& Order)
{
    m_krit = Krit;
    m_key = SortKey;
    m_byRows = ByRows;
    m_aliveFlag = AliveFlag;
    m_ascending = Ascending;
    m_andJunction = AndJunction;
    m_order = Order;
}

void KLVSelection::AppendKrit(const QString& Krit)
{
    m_krit += u';' + Krit;
}

void KLVSelection::AddOrder(const QString& FieldName, bool Ascending)
{
    if (!m_order.isEmpty())
        m_order += u',';
    m_order += FieldName + u'.' + directionWord(Ascending);
}

QString KLVSelection::SelString() const
{
    QString sel;
    appendSelItem(sel, u"@sort="_s, m_key);
    // An explicit order carries its own directions.
    if (!m_order.isEmpty())
        appendSelItem(sel, u"@ordnung="_s, m_order);
    else if (!m_ascending)
        appendSelItem(sel, u"@richtung="_s, u"rueckw"_s);
    if (!m_andJunction)
        appendSelItem(sel, u"@verkn="_s, u"oder"_s);
    if (m_byRows)
        appendSelItem(sel, u"@zeilen="_s, u"ja"_s);
    appendSelItem(sel, u"@ablageart="_s, aliveFlagWord(m_aliveFlag));
    appendSelItem(sel, QString(), m_krit);
    return sel;
}

QString KLVSelection::ToStringAllFields() const
{
    return u"TableName="_s + TableName() + u" Database="_s + m_database + u" Groups="_s + m_groups.join(u'.') +
           u" Krit="_s + m_krit + u" Key="_s + m_key + u" Order="_s + m_order + u" Ascending="_s +
           boolText(m_ascending) + u" AndJunction="_s + boolText(m_andJunction) + u" ByRows="_s + boolText(m_byRows) +
           u" AliveFlag="_s + QString::number(m_aliveFlag);
}

QString KLVSelection::KLVSelString() const
{
    const QString sel = SelString();
    return sel.isEmpty() ? TableName() : TableName() + u',' + sel;
}
