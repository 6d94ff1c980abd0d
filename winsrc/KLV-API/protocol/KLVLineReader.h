#pragma once

// Received bytes of the line protocol, cut into lines. The chunks are kept as they were read
// and a line is handed out as a view into its chunk; only a line that spans two reads is
// joined, in a buffer of its own. A line is decoded only when a caller asks for text, in the
// character set in force at that moment: so a switch to UTF-8 never garbles lines that arrived
// before it, and a character split across two reads is decoded whole.
//
// A line may be at most maxLineLength bytes long. Past that the reader overflows: it drops
// everything it holds and takes no more bytes until it is cleared, so a peer that never sends
// a line feed cannot make it grow without bound.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <deque>
#include <functional>

class KLVLineReader
{
public:
    static constexpr qsizetype DefaultMaxLineLength = qsizetype(64) * 1024 * 1024;

    // The receive mode of the settings ("UseRecvBufStr"); both modes read alike, since
    // received chunks are never joined but where a line spans them.
    explicit KLVLineReader(bool chunkQueue = true);

    void append(const QByteArray& chunk);
    // The next complete line's bytes (without CR LF or LF), valid until the reader is next
    // used; false when none is complete. With source, *source is the received chunk the line
    // lies in (a caller may keep a copy of it, sharing its bytes), or null for a line that
    // spanned chunks and was joined.
    bool takeLineView(QByteArrayView& line, const QByteArray** source = nullptr);
    // The same, decoded in the character set in force.
    bool takeLine(QString& line);
    // The same as bytes of their own.
    bool takeLineBytes(QByteArray& bytes);
    bool hasCompleteLine();
    // The complete lines not taken yet, looked at without taking them: visit(line) for each
    // in order until it returns false. False when bytes of a further line, not complete yet,
    // follow them (the look then stops short of them).
    bool peekLines(const std::function<bool(QByteArrayView)>& visit) const;
    // The last line received, when it is complete and lies within one received chunk; else
    // empty. Valid until the reader is next changed.
    QByteArrayView lastLine() const;

    void setUnicode(bool on) { m_unicode = on; }
    bool unicode() const { return m_unicode; }
    void setChunkQueue(bool on) { m_chunkQueue = on; }
    bool chunkQueue() const { return m_chunkQueue; }
    qsizetype maxLineLength() const { return m_maxLineLength; }
    // At most 1 GiB; 0 or less is the default.
    void setMaxLineLength(qsizetype bytes)
    {
        m_maxLineLength = bytes > 0 ? std::min(bytes, qsizetype(1) << 30) : DefaultMaxLineLength;
    }

    // True once a line grew past the limit; cleared by clear().
    bool overflowed() const { return m_overflow; }

    // Drops everything, complete lines and a partial one alike.
    void clear();
    qsizetype pendingBytes() const;

    QString decode(QByteArrayView bytes) const;

private:
    void overflow();
    void releaseTaken();

    std::deque<QByteArray> m_chunks; // unread chunks, the first read from m_readPos on
    qsizetype m_readPos = 0;
    QByteArray m_carry;        // the beginning of a line that spans chunks
    bool m_carryTaken = false; // m_carry was handed out as the last line
    qsizetype m_tail = 0;      // bytes received since the last line feed
    qsizetype m_maxLineLength = DefaultMaxLineLength;
    bool m_chunkQueue;
    bool m_unicode = false;
    bool m_overflow = false;
};
