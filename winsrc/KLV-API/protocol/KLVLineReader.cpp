#include "KLVLineReader.h"
#include "AnsiCodec.h"

#include <cstring>

KLVLineReader::KLVLineReader(bool chunkQueue) : m_chunkQueue(chunkQueue) {}

void KLVLineReader::append(const QByteArray& chunk)
{
    if (chunk.isEmpty() || m_overflow)
        return;
    const void* lastLf = memrchr(chunk.constData(), '\n', size_t(chunk.size()));
    m_tail = lastLf ? chunk.size() - (static_cast<const char*>(lastLf) - chunk.constData()) - 1 : m_tail + chunk.size();
    // A line of the longest length may still wait for the line feed behind its carriage return.
    if (m_tail > m_maxLineLength + 1) {
        overflow();
        return;
    }
    m_chunks.push_back(chunk);
}

void KLVLineReader::overflow()
{
    clear();
    m_overflow = true;
}

void KLVLineReader::releaseTaken()
{
    // The line handed out last may lie in the carry or in a chunk read to its end: only now
    // may their bytes go.
    if (m_carryTaken) {
        m_carry.resize(0);
        m_carryTaken = false;
    }
    while (!m_chunks.empty() && m_readPos >= m_chunks.front().size()) {
        m_chunks.pop_front();
        m_readPos = 0;
    }
}

bool KLVLineReader::takeLineView(QByteArrayView& line, const QByteArray** source)
{
    releaseTaken();
    while (!m_chunks.empty()) {
        const QByteArray& chunk = m_chunks.front();
        const char* begin = chunk.constData() + m_readPos;
        const qsizetype rest = chunk.size() - m_readPos;
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', size_t(rest)));
        if (!lf) {
            // The line goes on in the next chunk.
            m_carry.append(begin, rest);
            m_chunks.pop_front();
            m_readPos = 0;
            continue;
        }
        const qsizetype length = lf - begin;
        m_readPos += length + 1;
        if (m_carry.isEmpty()) {
            line = QByteArrayView(begin, length);
            if (source)
                *source = &chunk;
        } else {
            m_carry.append(begin, length);
            m_carryTaken = true;
            line = QByteArrayView(m_carry);
            if (source)
                *source = nullptr;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > m_maxLineLength) {
            overflow();
            return false;
        }
        return true;
    }
    return false;
}

bool KLVLineReader::takeLine(QString& line)
{
    QByteArrayView bytes;
    if (!takeLineView(bytes))
        return false;
    line = decode(bytes);
    return true;
}

bool KLVLineReader::takeLineBytes(QByteArray& bytes)
{
    QByteArrayView view;
    if (!takeLineView(view))
        return false;
    bytes = view.toByteArray();
    return true;
}

bool KLVLineReader::hasCompleteLine()
{
    releaseTaken();
    qsizetype from = m_readPos;
    for (const QByteArray& chunk : m_chunks) {
        if (std::memchr(chunk.constData() + from, '\n', size_t(chunk.size() - from)))
            return true;
        from = 0;
    }
    return false;
}

bool KLVLineReader::peekLines(const std::function<bool(QByteArrayView)>& visit) const
{
    // The beginning of a line spanning chunks is joined, as takeLineView joins it.
    QByteArray joined = m_carryTaken ? QByteArray() : m_carry;
    for (std::size_t i = 0; i < m_chunks.size(); ++i) {
        const QByteArray& chunk = m_chunks[i];
        qsizetype pos = i == 0 ? m_readPos : 0;
        while (pos < chunk.size()) {
            const char* begin = chunk.constData() + pos;
            const char* lf = static_cast<const char*>(std::memchr(begin, '\n', size_t(chunk.size() - pos)));
            if (!lf) {
                joined.append(begin, chunk.size() - pos);
                break;
            }
            QByteArrayView line(begin, lf - begin);
            if (!joined.isEmpty()) {
                joined.append(line);
                line = QByteArrayView(joined);
            }
            if (line.endsWith('\r'))
                line.chop(1);
            if (!visit(line))
                return true;
            joined.resize(0);
            pos = lf - chunk.constData() + 1;
        }
    }
    return joined.isEmpty();
}

QByteArrayView KLVLineReader::lastLine() const
{
    if (m_chunks.empty() || m_tail != 0 || m_overflow)
        return {};
    const QByteArray& chunk = m_chunks.back();
    const qsizetype from = m_chunks.size() == 1 ? m_readPos : 0;
    if (chunk.size() - from < 1 || chunk.back() != '\n')
        return {};
    QByteArrayView rest = QByteArrayView(chunk).sliced(from).chopped(1);
    const qsizetype lf = rest.lastIndexOf('\n');
    if (lf < 0) {
        // The line began with this chunk only if what came before it ended with a line feed.
        const bool begunHere =
            m_chunks.size() > 1 ? m_chunks[m_chunks.size() - 2].endsWith('\n') : (m_carryTaken || m_carry.isEmpty());
        if (!begunHere)
            return {};
    }
    QByteArrayView line = rest.sliced(lf + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString KLVLineReader::decode(QByteArrayView bytes) const
{
    if (m_unicode)
        return QString::fromUtf8(bytes);
    return AnsiCodec::decode(bytes);
}

void KLVLineReader::clear()
{
    m_chunks.clear();
    m_readPos = 0;
    m_carry.clear();
    m_carryTaken = false;
    m_tail = 0;
    m_overflow = false;
}

qsizetype KLVLineReader::pendingBytes() const
{
    qsizetype n = (m_carryTaken ? 0 : m_carry.size()) - m_readPos;
    for (const QByteArray& c : m_chunks)
        n += c.size();
    return n;
}
