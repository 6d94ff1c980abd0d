#include "KLVEditField.h"
#include "KLVEditFieldProperties.h"

using namespace Qt::StringLiterals;

KLVEditField::KLVEditField(QObject* parent)
    : QObject(parent), m_properties(QSharedPointer<KLVEditFieldProperties>::create())
{}

KLVEditField::~KLVEditField() = default;

QString KLVEditField::Val() const
{
    return m_properties->Val();
}

QString KLVEditField::OldVal() const
{
    return m_properties->OldVal();
}

bool KLVEditField::IsModifiable() const
{
    return m_properties->IsModifiable();
}

bool KLVEditField::IsModified() const
{
    return m_properties->IsModified();
}

QString KLVEditField::TAVArt() const
{
    return m_properties->WEXAArt();
}

QString KLVEditField::FieldInfo() const
{
    QString info = m_name;
    if (m_row > 0)
        info += u'(' + QString::number(m_row) + u')';
    return info + u':' + m_properties->PropertiesText();
}

QString KLVEditField::NewVal() const
{
    return m_properties->NewVal();
}

void KLVEditField::setNewVal(const QString& value)
{
    m_properties->setNewVal(value);
}

bool KLVEditField::HasNewVal() const
{
    return m_properties->HasNewVal();
}

void KLVEditField::ClearNewVal()
{
    m_properties->ClearNewVal();
}

QString KLVEditField::KLVType() const
{
    return m_properties->KLVType();
}

int KLVEditField::Length() const
{
    return m_properties->Length();
}

bool KLVEditField::IsSkip() const
{
    return m_properties->IsSkip();
}

QString KLVEditField::TrueName() const
{
    return m_properties->TrueName();
}

KLV_ScreenProtection KLVEditField::ScrProtection() const
{
    return m_properties->ScrProtection();
}

QString KLVEditField::PrioDisp() const
{
    return m_properties->PrioDisp();
}

QString KLVEditField::PrioEdit() const
{
    return m_properties->PrioEdit();
}

bool KLVEditField::IsCustom() const
{
    return m_properties->IsCustom();
}

bool KLVEditField::IsAlias() const
{
    return m_properties->IsAlias();
}

void KLVEditField::SetProperties(const QSharedPointer<KLVEditFieldProperties>& properties)
{
    // A field never stands without properties: every getter reads them.
    if (properties)
        m_properties = properties;
}

void KLVEditField::SetTrueName(const QString& name)
{
    m_properties->setTrueName(name);
}
