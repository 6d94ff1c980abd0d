#include "KLVEditFieldProperties.h"

using namespace Qt::StringLiterals;

namespace {

QString boolText(bool value)
{
    return value ? u"True"_s : u"False"_s;
}

} // namespace

QString KLVEditFieldProperties::PropertiesText() const
{
    return u" TrueName=["_s + m_trueName + u"] akt=["_s + m_val + u"] old=["_s + m_oldVal + u"] new=["_s + m_newVal +
           u"] modified="_s + boolText(m_isModified) + u" modifiable="_s + boolText(m_isModifiable) + u" wexa-Art="_s +
           m_wexaArt + u" KLV-Typ="_s + m_klvType + u" Länge="_s + QString::number(m_length) + u" IsSkip="_s +
           boolText(m_isSkip) + u" ScrProt="_s + QString::number(int(m_scrProtection)) + u" PrioDisp="_s + m_prioDisp +
           u" PrioEdit="_s + m_prioEdit + u" IsCustom="_s + boolText(m_isCustom) + u" IsAlias="_s + boolText(m_isAlias);
}
