#pragma once

#include "KlvQueryCursor.h"

// A cursor over records made in advance: the catalogue lists.
class KlvRowsCursor : public KlvQueryCursor
{
public:
    KlvRowsCursor(QString word, int blockSize, QList<QStringList> rows)
        : KlvQueryCursor(std::move(word), blockSize), m_rows(std::move(rows))
    {}

protected:
    int size() const override { return int(m_rows.size()); }
    void writeRecord(KlvBlockWriter& writer, int index) override;

private:
    QList<QStringList> m_rows;
};
