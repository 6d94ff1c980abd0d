#include "KLVEditObject.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"

KLVEditObject::KLVEditObject(QObject* parent) : QObject(parent), m_head(QSharedPointer<KLVEditFieldList>::create()) {}

KLVEditObject::~KLVEditObject() = default;

QSharedPointer<KLVEditFieldList> KLVEditObject::GetFields(int Row) const
{
    if (Row == 0)
        return m_head;
    // A row that does not exist is an ordinary answer for callers walking rows: nothing.
    if (!m_hasTablePart || Row < 1 || Row > m_rows.size())
        return {};
    return m_rows[Row - 1];
}

QSharedPointer<KLVEditField> KLVEditObject::GetField(const QString& FieldName, int Row) const
{
    const QSharedPointer<KLVEditFieldList> list = GetFields(Row);
    return list ? list->GetField(FieldName) : QSharedPointer<KLVEditField>();
}

QSharedPointer<KLVEditFieldList> KLVEditObject::AppendRow()
{
    if (!m_hasTablePart)
        return {};
    auto list = QSharedPointer<KLVEditFieldList>::create();
    list->InitFromNames(m_tableNames, int(m_rows.size()) + 1);
    m_rows.append(list);
    return list;
}

void KLVEditObject::InitHeadFromNames(const QStringList& names)
{
    m_headerNames = names;
    m_head = QSharedPointer<KLVEditFieldList>::create();
    m_head->InitFromNames(names, 0);
}

void KLVEditObject::InitHead(const QSharedPointer<KLVEditFieldList>& head)
{
    m_head = head ? head : QSharedPointer<KLVEditFieldList>::create();
    m_headerNames = m_head->FieldNames();
}

void KLVEditObject::InitRows(const QStringList& names, int count)
{
    m_tableNames = names;
    m_rows.clear();
    m_hasTablePart = true;
    for (int i = 0; i < count; ++i)
        AppendRow();
}

void KLVEditObject::AddRowFieldList(const QSharedPointer<KLVEditFieldList>& list)
{
    if (!list)
        return;
    if (!m_hasTablePart)
        InitRows(list->FieldNames(), 0);
    m_rows.append(list);
}
