#pragma once

#include "KlvErpData.h"
#include "KlvFieldExpression.h"
#include "KlvQueryCursor.h"
#include "KlvQueryEngine.h"
#include "KlvValueFormat.h"

#include <QHash>
#include <QList>

// A cursor over the records a selection (EXQ) or a read by reference (RDP) found: each record
// is formatted when its block goes out, so a million records cost only their list, and
// changes made meanwhile show in the blocks still to come.
class KlvSelectionCursor : public KlvQueryCursor
{
public:
    KlvSelectionCursor(QString word, int blockSize, const KlvErpData& data, KlvValueFormat::Options options,
                       KlvQueryEngine::Result result, QList<KlvFieldExpression> columns);

    // Binds the columns to a table; false with the unknown field named in error.
    bool bind(const KlvErpData::Group& group, QString* error);
    // The metadata lines of the columns as bound to that table.
    QList<QStringList> metadataLines(const KlvErpData::Group& group);

protected:
    int size() const override { return m_result.size(); }
    void writeRecord(KlvBlockWriter& writer, int index) override;
    void beforeBlock() override { m_format.forgetShownReferences(); }

private:
    const QList<KlvFieldExpression>* columnsFor(int db, int group);

    const KlvErpData& m_data;
    KlvValueFormat m_format;
    KlvQueryEngine::Result m_result;
    QList<KlvFieldExpression> m_columns;
    QHash<qint64, QList<KlvFieldExpression>> m_bound; // by table
    qint64 m_lastKey = -1;
    const QList<KlvFieldExpression>* m_last = nullptr;
};
