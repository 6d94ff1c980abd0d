#include "KLVBoundEditField.h"
#include "KLVEditField.h"
#include "KLVEditor.h"

KLVBoundEditField::KLVBoundEditField(QObject* parent) : QObject(parent) {}

KLVBoundEditField::~KLVBoundEditField() = default;

void KLVBoundEditField::InitBoundField(const QSharedPointer<KLVEditor>& editor,
                                       const QSharedPointer<KLVEditField>& field)
{
    m_editor = editor;
    m_field = field;
}

QVariant KLVBoundEditField::Update(bool Reload)
{
    // A field that could not be read has nothing to send and no name to send it under.
    if (!m_field || !m_editor)
        return QVariant(false);
    if (!m_field->HasNewVal())
        return QVariant(true);
    if (!m_editor->SetFieldVal(m_field->Name(), m_field->NewVal(), m_field->Row()))
        return QVariant(false);
    return QVariant(Reload ? Refresh() : true);
}

bool KLVBoundEditField::Refresh()
{
    if (!m_field || !m_editor)
        return false;
    const QString name = m_field->Name();
    if (!m_editor->GetFieldProperty(name, QString::number(m_field->Row())))
        return false;
    m_field = m_editor->BuildEditField(name);
    return true;
}

QSharedPointer<KLVEditor> KLVBoundEditField::OpenSubEditor()
{
    if (!m_field || !m_editor)
        return {};
    return m_editor->OpenSubEditor(m_field->Name(), QString::number(m_field->Row()));
}
