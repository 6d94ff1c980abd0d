#include "KLVEditFieldList.h"
#include "Common.h"
#include "KLVEditField.h"

using namespace Qt::StringLiterals;

KLVEditFieldList::KLVEditFieldList(QObject* parent) : QObject(parent) {}

KLVEditFieldList::~KLVEditFieldList() = default;

void KLVEditFieldList::AddField(const QSharedPointer<KLVEditField>& Field)
{
    if (!Field)
        return;
    const QString key = keyOf(Field->Name());
    if (!m_fields.contains(key))
        m_fields.insert(key, Field);
    AppendFieldName(Field->Name());
}

QSharedPointer<KLVEditField> KLVEditFieldList::findField(const QString& name) const
{
    return m_fields.value(keyOf(name));
}

QSharedPointer<KLVEditField> KLVEditFieldList::GetField(const QString& FieldName) const
{
    QSharedPointer<KLVEditField> field = findField(FieldName);
    if (!field)
        throw KLVRuntimeError(5, u"Invalid procedure call or argument: "_s + FieldName);
    return field;
}

QSharedPointer<KLVEditField> KLVEditFieldList::GetFieldByNumber(int FieldNumber) const
{
    if (FieldNumber < 1 || FieldNumber > m_names.size())
        return {};
    return findField(m_names[FieldNumber - 1]);
}

void KLVEditFieldList::AddNewField(const QString& FieldName, const QString& NewVal)
{
    auto field = QSharedPointer<KLVEditField>::create();
    field->SetName(FieldName);
    field->SetRow(m_row);
    if (!NewVal.isEmpty())
        field->setNewVal(NewVal);
    AddField(field);
}

void KLVEditFieldList::InitFromNames(const QStringList& names, int row)
{
    InitFromNamesAndValues(names, {}, row);
}

void KLVEditFieldList::InitFromNamesAndValues(const QStringList& names, const QStringList& values, int row)
{
    m_row = row;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (!names[i].isEmpty())
            AddNewField(names[i], values.value(i));
    }
}
