#pragma once

#include "KlvErpData.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Reads the data file of the sample ERP (JSON; its layout is in server/README.md) into a
// KlvErpData, expands the value rules of generated records, and adds the generated table of
// the "--rows" option. Runs with the data's lock held by the caller.
class KlvErpLoader
{
public:
    explicit KlvErpLoader(KlvErpData& data) : m_data(data) {}

    bool load(const QString& fileName, int generatedRows);
    QString errorString() const { return m_error; }

private:
    bool readDatabase(const QJsonObject& object);
    bool readGroup(int db, const QJsonObject& object);
    bool readRecords(KlvErpData::GroupData& group, const QJsonObject& object);
    bool readEnumeration(const QJsonObject& object);
    void addGeneratedTable(int rows);
    void numberFieldTexts();
    bool fail(const QString& text);

    static KlvErpData::Text text(const QJsonValue& value);
    static QString scalar(const QJsonValue& value);

    KlvErpData& m_data;
    QString m_error;
    QString m_where;
};
