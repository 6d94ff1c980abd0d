#include "KlvQueryCursor.h"

KlvQueryCursor::KlvQueryCursor(QString word, int blockSize) : m_word(std::move(word)), m_blockSize(blockSize)
{
    // A block size below 1 would never reach the end; the server's usual block serves.
    if (m_blockSize < 1)
        m_blockSize = 200;
}

KlvQueryCursor::~KlvQueryCursor() = default;

void KlvQueryCursor::skip(int records)
{
    m_position = qBound(0, m_position + qMax(0, records), size());
}

bool KlvQueryCursor::atEnd() const
{
    return m_countOnly || m_position >= size();
}

void KlvQueryCursor::writeBlock(KlvBlockWriter& writer)
{
    writer.begin(m_word, size());
    if (!m_metadataSent) {
        for (const QStringList& line : m_metadata)
            writer.metadata(line);
        m_metadataSent = true;
    }
    int count = 0;
    beforeBlock();
    if (!m_countOnly) {
        const int end = qMin(size(), m_position + m_blockSize);
        for (; m_position < end; ++m_position, ++count)
            writeRecord(writer, m_position);
    }
    writer.end(m_word, count, atEnd());
}
