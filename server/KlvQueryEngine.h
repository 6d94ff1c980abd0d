#pragma once

#include "KlvErpData.h"
#include "KlvFieldExpression.h"
#include "KlvSelectionString.h"
#include "KlvValueFormat.h"

#include <QRegularExpression>
#include <QString>

#include <vector>

// Finds the records (or table rows) a selection asks for, in the order it asks for: the
// table or groups, the storage kinds, the key with its condition, the criteria joined by AND
// or OR, and the sort order. The values of criteria are read in the session's forms.
class KlvQueryEngine
{
public:
    struct Hit
    {
        KlvErpData::Ref ref;
        int row = 0; // 0: the record; n: its table row n
    };

    // What a selection found. A selection over the generated table without criteria and
    // sort keeps only its size and direction: a million records cost nothing until read.
    struct Result
    {
        std::vector<Hit> hits;
        int rangeSize = -1; // >= 0: the generated records 1..rangeSize instead of hits
        bool rangeDescending = false;
        int rangeDb = 0;
        int rangeGroup = 0;
        int size() const { return rangeSize >= 0 ? rangeSize : int(hits.size()); }
        Hit at(int i) const
        {
            if (rangeSize < 0)
                return hits[size_t(i)];
            return {{rangeDb, rangeGroup, rangeDescending ? rangeSize - i : i + 1}, 0};
        }
    };

    KlvQueryEngine(const KlvErpData& data, const KlvValueFormat& format) : m_data(data), m_format(format) {}

    // False with error (number and text) when the selection cannot run.
    bool run(const KlvSelectionString& selection, Result* result);
    // The groups a selection's table names ("1:1", "Kunde:Kunde", "1:", "1:1.2").
    QList<KlvErpData::Group> tableGroups(const QString& table) const;

    int errorNumber() const { return m_errorNumber; }
    QString errorText() const { return m_errorText; }

private:
    struct Condition
    {
        KlvFieldExpression field;
        QString op;
        QString value; // canonical, or the pattern
        bool pattern = false;
        QRegularExpression regex;
    };

    bool fail(int number, const QStringList& args);
    bool matches(const Condition& c, const KlvErpData::Ref& ref, int row, bool anyRow) const;
    bool compare(const Condition& c, const QString& value) const;
    int compareValues(const KlvTypeCode& type, const QString& a, const QString& b) const;

    const KlvErpData& m_data;
    const KlvValueFormat& m_format;
    int m_errorNumber = 0;
    QString m_errorText;
};
