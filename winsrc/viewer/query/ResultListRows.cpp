#include "ResultListRows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

quint32 readEnd(const char* at, bool wide)
{
    if (wide) {
        quint32 v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    quint16 v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

// UTF-8 of a UTF-16 text; a lone surrogate becomes the replacement character U+FFFD.
// Our own loop: most cells are short and plain ASCII, and a call into the codec per cell
// costs more than the cell.
char* appendUtf8(char* out, QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            *out++ = char(c);
            continue;
        }
        if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
                c = QChar::surrogateToUcs4(char16_t(c), p[++i]);
                *out++ = char(0xF0 | (c >> 18));
                *out++ = char(0x80 | ((c >> 12) & 0x3F));
                *out++ = char(0x80 | ((c >> 6) & 0x3F));
                *out++ = char(0x80 | (c & 0x3F));
                continue;
            }
            c = 0xFFFD;
        }
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace

ResultListRows::PageBytesPtr ResultListRows::allocatePage(qsizetype capacity)
{
    // Whole pages on a page boundary, which the kernel may back with huge pages: a million
    // rows then fault in a few dozen times instead of tens of thousands.
    const auto size = size_t(capacity);
    void* bytes = std::aligned_alloc(size_t(PageBytes), size);
    if (!bytes)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(bytes, size, MADV_HUGEPAGE);
#endif
    return PageBytesPtr(static_cast<char*>(bytes));
}

ResultListRows::ResultListRows() = default;

ResultListRows::~ResultListRows() = default;

char* ResultListRows::reserve(qsizetype bytes, RowRef& ref)
{
    if (m_pages.empty() || m_pages.back().capacity - m_used < bytes) {
        Page page;
        page.capacity = (std::max(bytes, PageBytes) + PageBytes - 1) / PageBytes * PageBytes;
        page.bytes = allocatePage(page.capacity);
        m_pages.push_back(std::move(page));
        m_used = 0;
    }
    ref.page = quint32(m_pages.size() - 1);
    ref.offset = quint32(m_used);
    return m_pages.back().bytes.get() + m_used;
}

template <typename Write>
int ResultListRows::appendRow(int count, qsizetype bound, Write write)
{
    // Short rows keep 16-bit ends.
    const bool wide = bound > 0xFFFF;
    const qsizetype endSize = wide ? 4 : 2;
    const qsizetype header = 2 + count * endSize;

    RowRef ref{};
    char* row = reserve(header + bound, ref);
    const quint16 n = quint16(count);
    std::memcpy(row, &n, sizeof n);
    char* data = row + header;
    char* out = data;
    for (int i = 0; i < count; ++i) {
        out = write(i, out);
        const auto end = quint32(out - data);
        if (wide) {
            std::memcpy(row + 2 + i * endSize, &end, 4);
        } else {
            const auto end16 = quint16(end);
            std::memcpy(row + 2 + i * endSize, &end16, 2);
        }
    }
    m_used += header + (out - data);
    if (wide)
        ref.page |= WideBit;
    m_rows.push_back(ref);
    return int(m_rows.size() - 1);
}

int ResultListRows::append(const QString* values, int count)
{
    count = std::clamp(count, 0, int(MaxValues));
    qsizetype chars = 0;
    for (int i = 0; i < count; ++i)
        chars += values[i].size();
    // UTF-8 takes at most three bytes per UTF-16 unit.
    return appendRow(count, chars * 3, [values](int i, char* out) { return appendUtf8(out, values[i]); });
}

int ResultListRows::append(const QByteArrayView* values, int count)
{
    count = std::clamp(count, 0, int(MaxValues));
    qsizetype bytes = 0;
    for (int i = 0; i < count; ++i)
        bytes += values[i].size();
    return appendRow(count, bytes, [values](int i, char* out) {
        const QByteArrayView value = values[i];
        if (!value.isEmpty())
            std::memcpy(out, value.data(), size_t(value.size()));
        return out + value.size();
    });
}

bool ResultListRows::isUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = p + bytes.size();
    while (p < end) {
        // Most values are plain ASCII: eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ull)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        // The lead byte says how many continuation bytes follow and the range the second
        // one must lie in (no overlong forms, no surrogates, nothing beyond U+10FFFF).
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more || p[1] < low || p[1] > high)
            return false;
        for (int k = 2; k <= more; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
        }
        p += more + 1;
    }
    return true;
}

int ResultListRows::valueCount(int row) const
{
    if (row < 0 || row >= size())
        return 0;
    const RowRef ref = m_rows[size_t(row)];
    quint16 n;
    std::memcpy(&n, m_pages[ref.page & ~WideBit].bytes.get() + ref.offset, sizeof n);
    return n;
}

bool ResultListRows::locate(int row, int index, const char*& begin, qsizetype& length, int* valueCount) const
{
    if (valueCount)
        *valueCount = 0;
    if (row < 0 || row >= size() || index < 0)
        return false;
    const RowRef ref = m_rows[size_t(row)];
    const bool wide = ref.page & WideBit;
    const char* base = m_pages[ref.page & ~WideBit].bytes.get() + ref.offset;
    quint16 n;
    std::memcpy(&n, base, sizeof n);
    if (valueCount)
        *valueCount = n;
    if (index >= n)
        return false;
    const qsizetype endSize = wide ? 4 : 2;
    const char* data = base + 2 + n * endSize;
    const quint32 start = index == 0 ? 0 : readEnd(base + 2 + (index - 1) * endSize, wide);
    const quint32 end = readEnd(base + 2 + index * endSize, wide);
    begin = data + start;
    length = qsizetype(end - start);
    return true;
}

QString ResultListRows::value(int row, int index) const
{
    const char* begin = nullptr;
    qsizetype length = 0;
    if (!locate(row, index, begin, length))
        return QString();
    return QString::fromUtf8(begin, length);
}

QByteArrayView ResultListRows::utf8(int row, int index) const
{
    const char* begin = nullptr;
    qsizetype length = 0;
    if (!locate(row, index, begin, length))
        return QByteArrayView();
    return QByteArrayView(begin, length);
}

QByteArrayView ResultListRows::utf8(int row, int index, int& valueCount) const
{
    const char* begin = nullptr;
    qsizetype length = 0;
    if (!locate(row, index, begin, length, &valueCount))
        return QByteArrayView();
    return QByteArrayView(begin, length);
}

void ResultListRows::clear()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_pages.clear();
    m_used = 0;
}

qsizetype ResultListRows::memoryUsed() const
{
    qsizetype bytes = qsizetype(m_rows.capacity() * sizeof(RowRef));
    for (const Page& page : m_pages)
        bytes += page.capacity;
    return bytes;
}
