#include "KLVQueryFieldMetaData.h"

using namespace Qt::StringLiterals;

KLVQueryFieldMetaData::KLVQueryFieldMetaData(QObject* parent) : QObject(parent) {}

QString KLVQueryFieldMetaData::ToString() const
{
    return m_origName + u": name=["_s + m_name + u"] outputName=["_s + m_outputName + u"] descr=["_s + m_description +
           u"] inTab=["_s + (m_isTabField ? u"True"_s : u"False"_s) + u"] length=["_s + QString::number(m_length) +
           u"] type=["_s + m_erpType + u']';
}
