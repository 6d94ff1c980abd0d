#pragma once

#include "KlvErpData.h"

// Runs an information system over the sample data: the definition record in "65:1" names its
// source table ("quelle"); each parameter field with a criterion ("krit", e.g. "ort=" or
// "umsatz>=") and a value adds that criterion, the result columns take their values from the
// source fields ("quellfeld"), and header fields whose source is "#anzahl" or "#summe:<field>"
// report the number of rows and a sum.
class KlvInfosystemRun
{
public:
    explicit KlvInfosystemRun(const KlvErpData& data) : m_data(data) {}

    KlvErpData::InfosystemResult run(int number, const QHash<QString, QString>& headValues) const;

private:
    const KlvErpData& m_data;
};
