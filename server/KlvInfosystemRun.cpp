#include "KlvInfosystemRun.h"

using namespace Qt::StringLiterals;

KlvErpData::InfosystemResult KlvInfosystemRun::run(int number, const QHash<QString, QString>& headValues) const
{
    Q_UNUSED(headValues);
    KlvErpData::InfosystemResult result;
    if (!m_data.infosystem(number))
        result.error = m_data.serverText(1118, u"D"_s, {QString::number(number)});
    return result;
}
