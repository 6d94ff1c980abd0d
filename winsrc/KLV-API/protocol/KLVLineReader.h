#pragma once

// Received bytes of the line protocol, cut into lines. Bytes are kept raw and a line is
// decoded only when it is taken, in the character set in force at that moment: so a switch
// to UTF-8 never garbles lines that arrived before it, and a character split across two
// reads is decoded whole. Lines may be of any length.

#include <QByteArray>
#include <QString>

#include <deque>

class KLVLineReader
{
public:
    // With chunkQueue, received chunks are only queued and joined while a line end is sought.
    explicit KLVLineReader(bool chunkQueue = true);

    void append(const QByteArray& chunk);
    // Takes the next complete line (without CR LF or LF); false when none is complete.
    bool takeLine(QString& line);
    // The next complete line's raw bytes, without decoding.
    bool takeLineBytes(QByteArray& bytes);
    bool hasCompleteLine();

    void setUnicode(bool on) { m_unicode = on; }
    bool unicode() const { return m_unicode; }
    void setChunkQueue(bool on) { m_chunkQueue = on; }
    bool chunkQueue() const { return m_chunkQueue; }

    void clear();
    qsizetype pendingBytes() const;

    QString decode(const char* data, qsizetype size) const;

private:
    bool findLineFeed(qsizetype& position);

    QByteArray m_buffer;
    qsizetype m_readPos = 0; // first unread byte of m_buffer
    qsizetype m_scanPos = 0; // no line feed before this position
    std::deque<QByteArray> m_chunks;
    bool m_chunkQueue;
    bool m_unicode = false;
};
