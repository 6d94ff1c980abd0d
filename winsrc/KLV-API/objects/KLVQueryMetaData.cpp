#include "KLVQueryMetaData.h"

using namespace Qt::StringLiterals;

namespace {

QString indexKey(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

} // namespace

KLVQueryMetaData::KLVQueryMetaData(QObject* parent) : QObject(parent) {}

void KLVQueryMetaData::InitFromList(const QString& fieldList)
{
    m_fieldList = fieldList;
    InitFromArray(fieldList.isEmpty() ? QStringList() : fieldList.split(u','));
}

void KLVQueryMetaData::InitFromArray(const QStringList& names)
{
    m_index.clear();
    m_names.clear();
    if (names.isEmpty()) {
        // One unnamed column that no name finds.
        m_names.append(QString());
        return;
    }
    m_names.reserve(names.size());
    for (const QString& name : names) {
        m_names.append(name.trimmed());
        index(name, int(m_names.size()));
    }
}

void KLVQueryMetaData::MergeServerMetaData(const KLVFieldMetaDataList& fields)
{
    m_names.clear();
    m_index.clear();
    m_fields = fields;
    m_names.reserve(fields.size());
    for (const auto& field : fields) {
        const QString name = field ? field->OrigName() : QString();
        m_names.append(name);
        index(name, int(m_names.size()));
    }
}

void KLVQueryMetaData::index(const QString& name, int position)
{
    // A repeated name keeps its first position.
    const QString key = indexKey(name);
    if (!m_index.contains(key))
        m_index.insert(key, position);
}

QString KLVQueryMetaData::GetFieldList()
{
    if (m_fieldList.isEmpty())
        m_fieldList = m_names.join(u',');
    return m_fieldList;
}

QSharedPointer<KLVQueryFieldMetaData> KLVQueryMetaData::GetFieldMetaData(const QString& FieldName) const
{
    const int k = GetFieldNumber(FieldName);
    if (k < 1 || k > m_fields.size())
        return {};
    return m_fields[k - 1];
}

QString KLVQueryMetaData::GetFieldName(int FieldNumber) const
{
    if (FieldNumber < 1 || FieldNumber > m_names.size())
        return {};
    return m_names[FieldNumber - 1];
}

int KLVQueryMetaData::GetFieldNumber(const QString& FieldName) const
{
    return m_index.value(indexKey(FieldName), 0);
}
