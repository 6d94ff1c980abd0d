#pragma once

#include "KlvBlockWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

// The answer of a query or catalogue request that the client reads block by block: the first
// block goes out with the request, each "GNR" sends the next, "BRQ" drops the rest. What the
// records are is the subclass's business; the blocks and the end flag are this class's.
class KlvQueryCursor
{
public:
    KlvQueryCursor(QString word, int blockSize);
    virtual ~KlvQueryCursor();

    // Metadata lines ("NAME", "DESC", ...) sent with the first block only.
    void setMetadata(QList<QStringList> lines) { m_metadata = std::move(lines); }
    // Records before this position are never sent (EXQ's offset).
    void skip(int records);
    // Records are counted for the total but none is sent ("@lesen=(0)").
    void setCountOnly(bool on) { m_countOnly = on; }

    // BOD, DM (first time), up to a block of records, EOD with the end flag.
    void writeBlock(KlvBlockWriter& writer);
    bool atEnd() const;
    int total() const { return size(); }

protected:
    virtual int size() const = 0;
    // Runs before the records of every block.
    virtual void beforeBlock() {}
    virtual void writeRecord(KlvBlockWriter& writer, int index) = 0;

private:
    QString m_word;
    int m_blockSize;
    int m_position = 0;
    bool m_countOnly = false;
    bool m_metadataSent = false;
    QList<QStringList> m_metadata;
};
