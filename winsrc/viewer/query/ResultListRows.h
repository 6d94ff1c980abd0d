#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <memory>
#include <vector>

// The rows of a result list as raw bytes. A row is one run of UTF-8 bytes in a page, led by
// its value count and the end of each value, and a value is decoded only when it is read: a
// million rows of ten short fields take about a fifth of what lists of strings would, and
// appending a row costs no allocation of its own. Rows that come as UTF-8 already (the
// fields of a record as received) are copied as they are, without a pass through UTF-16.
class ResultListRows
{
public:
    ResultListRows();
    ~ResultListRows();
    ResultListRows(const ResultListRows&) = delete;
    ResultListRows& operator=(const ResultListRows&) = delete;

    // Appends a row of count values (at most MaxValues are kept); returns its index.
    int append(const QString* values, int count);
    int append(const QStringList& values) { return append(values.constData(), int(values.size())); }
    // The same for values that are well-formed UTF-8 already (isUtf8); they are copied as
    // they are.
    int append(const QByteArrayView* values, int count);

    // Whether bytes are well-formed UTF-8: no stray or missing continuation byte, no
    // overlong form, no surrogate, nothing beyond U+10FFFF.
    static bool isUtf8(QByteArrayView bytes);

    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    int valueCount(int row) const;
    // Value index (from 0) of the row; empty outside the row or for a row that is not there.
    QString value(int row, int index) const;
    // The same value as its UTF-8 bytes, without decoding; valid until the rows change.
    // Safe to read from another thread while nothing is appended or cleared.
    QByteArrayView utf8(int row, int index) const;
    // The same, and the row's value count (0 for a row that is not there).
    QByteArrayView utf8(int row, int index, int& valueCount) const;

    void clear();
    // Memory held for the rows, index included.
    qsizetype memoryUsed() const;

    static constexpr int MaxValues = 0xFFFF;
    // Rows are packed into pages of this size; a larger row gets a page of its own.
    static constexpr qsizetype PageBytes = qsizetype(2) << 20;

private:
    struct RowRef
    {
        quint32 page;   // highest bit: the value ends are 32-bit
        quint32 offset; // of the row in its page
    };
    struct FreePage
    {
        void operator()(char* bytes) const { std::free(bytes); }
    };
    using PageBytesPtr = std::unique_ptr<char, FreePage>;
    struct Page
    {
        PageBytesPtr bytes;
        qsizetype capacity = 0;
    };
    static constexpr quint32 WideBit = 0x80000000u;

    static PageBytesPtr allocatePage(qsizetype capacity);
    // Room for bytes at the end of the last page, or in a new one.
    char* reserve(qsizetype bytes, RowRef& ref);
    // Writes a row of count values whose UTF-8 takes at most bound bytes: write(i, out)
    // writes value i at out and returns the end of what it wrote.
    template <typename Write>
    int appendRow(int count, qsizetype bound, Write write);
    // The value's bytes; false outside the row.
    bool locate(int row, int index, const char*& begin, qsizetype& length, int* valueCount = nullptr) const;

    std::vector<Page> m_pages;
    std::vector<RowRef> m_rows;
    qsizetype m_used = 0; // bytes used in the last page
};
