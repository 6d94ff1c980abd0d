#include "KLVLineReader.h"
#include "AnsiCodec.h"

#include <cstring>

KLVLineReader::KLVLineReader(bool chunkQueue) : m_chunkQueue(chunkQueue) {}

void KLVLineReader::append(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    if (m_chunkQueue)
        m_chunks.push_back(chunk);
    else
        m_buffer.append(chunk);
}

bool KLVLineReader::findLineFeed(qsizetype& position)
{
    for (;;) {
        const qsizetype from = std::max(m_scanPos, m_readPos);
        if (from < m_buffer.size()) {
            const void* hit = std::memchr(m_buffer.constData() + from, '\n', size_t(m_buffer.size() - from));
            if (hit) {
                position = static_cast<const char*>(hit) - m_buffer.constData();
                return true;
            }
        }
        m_scanPos = m_buffer.size();
        if (m_chunks.empty())
            return false;
        // Drop what was read before growing the buffer, so it holds only unread bytes.
        if (m_readPos > 0 && m_readPos >= m_buffer.size() / 2) {
            m_buffer.remove(0, m_readPos);
            m_scanPos -= m_readPos;
            m_readPos = 0;
        }
        m_buffer.append(m_chunks.front());
        m_chunks.pop_front();
    }
}

bool KLVLineReader::takeLineBytes(QByteArray& bytes)
{
    qsizetype lf = 0;
    if (!findLineFeed(lf))
        return false;
    qsizetype end = lf;
    if (end > m_readPos && m_buffer.at(end - 1) == '\r')
        --end;
    bytes = m_buffer.mid(m_readPos, end - m_readPos);
    m_readPos = lf + 1;
    m_scanPos = m_readPos;
    if (m_readPos == m_buffer.size()) {
        m_buffer.clear();
        m_readPos = m_scanPos = 0;
    }
    return true;
}

bool KLVLineReader::takeLine(QString& line)
{
    qsizetype lf = 0;
    if (!findLineFeed(lf))
        return false;
    qsizetype end = lf;
    if (end > m_readPos && m_buffer.at(end - 1) == '\r')
        --end;
    line = decode(m_buffer.constData() + m_readPos, end - m_readPos);
    m_readPos = lf + 1;
    m_scanPos = m_readPos;
    if (m_readPos == m_buffer.size()) {
        m_buffer.clear();
        m_readPos = m_scanPos = 0;
    } else if (m_readPos > (1 << 16) && m_readPos >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_readPos);
        m_readPos = m_scanPos = 0;
    }
    return true;
}

bool KLVLineReader::hasCompleteLine()
{
    qsizetype lf = 0;
    return findLineFeed(lf);
}

QString KLVLineReader::decode(const char* data, qsizetype size) const
{
    if (m_unicode)
        return QString::fromUtf8(data, size);
    return AnsiCodec::decode(QByteArrayView(data, size));
}

void KLVLineReader::clear()
{
    m_buffer.clear();
    m_readPos = m_scanPos = 0;
    m_chunks.clear();
}

qsizetype KLVLineReader::pendingBytes() const
{
    qsizetype n = m_buffer.size() - m_readPos;
    for (const QByteArray& c : m_chunks)
        n += c.size();
    return n;
}
