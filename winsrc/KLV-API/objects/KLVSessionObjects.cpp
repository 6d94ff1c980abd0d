// The session's members that work with queries and editors: creating them, the default query
// and the shortcuts through it. They live here, with the queries, so that the transport layer
// of the session includes nothing of this layer.
#include "KLV.h"
#include "KLVEditor.h"
#include "KLVQuery.h"

void KLV::makeDefaultQuery()
{
    m_defaultQuery = CreateQuery();
    // The session holds its default query: a hold back would keep both for ever.
    m_defaultQuery->SetSession(this, false);
    connect(m_defaultQuery.data(), &KLVQuery::ErrorMessage, this, [this](QString& text) { Q_EMIT ErrorMessage(text); });
    connect(m_defaultQuery.data(), &KLVQuery::StatusMessage, this,
            [this](QString& text) { Q_EMIT StatusMessage(text); });
    connect(m_defaultQuery.data(), &KLVQuery::TextMessage, this, [this](QString& text) { Q_EMIT TextMessage(text); });
}

QSharedPointer<KLVQuery> KLV::CreateQuery()
{
    auto query = QSharedPointer<KLVQuery>::create();
    query->SetConnection(m_connection);
    query->SetSession(this);
    query->setDatasetSize(m_datasetSize);
    return query;
}

QSharedPointer<KLVEditor> KLV::CreateEditor()
{
    auto editor = QSharedPointer<KLVEditor>::create();
    editor->SetConnection(m_connection);
    editor->SetSession(this);
    return editor;
}

// Shortcuts to the default query

bool KLV::GetTableNames()
{
    const bool ok = m_defaultQuery->GetTableNames(QString());
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

bool KLV::GetFieldNames(const QString& TableName)
{
    const bool ok = m_defaultQuery->GetFieldNames(TableName, QString());
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

bool KLV::GetKeyNames(const QString& TableName)
{
    const bool ok = m_defaultQuery->GetKeyNames(TableName, QString());
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

bool KLV::StartQuery(const QString& TableName, const QString& Krit, const QString& SortKey, const QString& FieldList,
                     const QVariant& MaxRec)
{
    Q_UNUSED(MaxRec)
    const bool ok = m_defaultQuery->StartQuery(TableName, FieldList, Krit, SortKey, true, true);
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

bool KLV::GetNextRecord()
{
    const bool ok = m_defaultQuery->GetNextRecord();
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

bool KLV::GetRecordByRef(const QString& TableName, const QString& Ref, const QString& FieldList)
{
    const bool ok = m_defaultQuery->GetRecordByRef(TableName, Ref, FieldList);
    m_lastError = m_defaultQuery->GetLastKLVError();
    return ok;
}

QString KLV::GetField(int FieldNr)
{
    const QString value = m_defaultQuery->GetField(FieldNr);
    m_lastError = m_defaultQuery->GetLastKLVError();
    return value;
}
