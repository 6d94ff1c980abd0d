#include "KLVCmdParser.h"

#include <cstring>

QString KLVCmdParser::GetCMD(QStringView line)
{
    const qsizetype bar = line.indexOf(u'|');
    if (bar <= 0)
        return {};
    return line.left(bar).toString();
}

QString KLVCmdParser::getTID(QStringView line)
{
    const qsizetype first = line.indexOf(u'|');
    if (first < 0)
        return {};
    const qsizetype second = line.indexOf(u'|', first + 1);
    if (second < 0)
        return line.mid(first + 1).toString();
    return line.mid(first + 1, second - first - 1).toString();
}

QStringView KLVCmdParser::GetCmdLineFieldsView(QStringView line)
{
    const qsizetype first = line.indexOf(u'|');
    if (first < 0)
        return {};
    const qsizetype second = line.indexOf(u'|', first + 1);
    if (second < 0)
        return {};
    return line.mid(second + 1);
}

QString KLVCmdParser::GetCmdLineFields(QStringView line)
{
    return GetCmdLineFieldsView(line).toString();
}

int KLVCmdParser::GetFieldsArray(QStringView text, QStringList& array, bool shrink, int limit)
{
    int count = 0;
    const auto store = [&](QString&& value) {
        if (count >= limit)
            return;
        if (array.size() <= count)
            array.resize(count + 1);
        array[count] = std::move(value);
        ++count;
    };

    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    QString current;
    qsizetype runStart = 0; // start of the plain characters not yet copied into current
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c == u'|') {
            current.append(QStringView(p + runStart, i - runStart));
            store(std::move(current));
            current = QString();
            runStart = i + 1;
        } else if (c == u'\\' && i + 1 < n) {
            current.append(QStringView(p + runStart, i - runStart));
            const char16_t next = p[i + 1];
            switch (next) {
            case u'n':
                current.append(QChar(u'\n'));
                break;
            case u'r':
                current.append(QChar(u'\r'));
                break;
            case u'0':
                current.append(QChar(u'\0'));
                break;
            default:
                current.append(QChar(next));
            }
            ++i;
            runStart = i + 1;
        }
    }
    current.append(QStringView(p + runStart, n - runStart));
    if (!current.isEmpty())
        store(std::move(current));
    if (shrink && count > 0)
        array.resize(count);
    return count;
}

QByteArrayView KLVCmdParser::CodeBytes(QByteArrayView line)
{
    if (line.isEmpty())
        return {};
    const void* bar = std::memchr(line.data(), '|', size_t(line.size()));
    if (!bar)
        return {};
    return line.first(static_cast<const char*>(bar) - line.data());
}

QByteArrayView KLVCmdParser::TidBytes(QByteArrayView line)
{
    if (line.isEmpty())
        return {};
    const char* begin = line.data();
    const char* end = begin + line.size();
    const char* first = static_cast<const char*>(std::memchr(begin, '|', size_t(line.size())));
    if (!first)
        return {};
    const char* second = static_cast<const char*>(std::memchr(first + 1, '|', size_t(end - first - 1)));
    return QByteArrayView(first + 1, (second ? second : end) - first - 1);
}

QByteArrayView KLVCmdParser::FieldBytes(QByteArrayView line)
{
    if (line.isEmpty())
        return {};
    const char* begin = line.data();
    const char* end = begin + line.size();
    const char* first = static_cast<const char*>(std::memchr(begin, '|', size_t(line.size())));
    if (!first)
        return {};
    const char* second = static_cast<const char*>(std::memchr(first + 1, '|', size_t(end - first - 1)));
    if (!second)
        return {};
    return QByteArrayView(second + 1, end - second - 1);
}

namespace {

// An escape escapes one character of the text. In UTF-8 a character may take several bytes,
// and a stray byte that is none decodes to a replacement character on its own: such a field
// is unescaped on its text, as the text splitter does, and stored as UTF-8 again.
bool escapesNonAscii(const char* begin, const char* end)
{
    for (const char* c = begin; c + 1 < end; ++c) {
        if (*c == '\\') {
            if (static_cast<unsigned char>(c[1]) >= 0x80)
                return true;
            ++c;
        }
    }
    return false;
}

void appendUnescapedText(const char* begin, const char* end, std::vector<char>& out)
{
    // The field holds no unescaped bar: it is one piece of the text splitter.
    const QString text = QString::fromUtf8(begin, end - begin);
    QStringList piece;
    KLVCmdParser::GetFieldsArray(text, piece, true, 1);
    const QByteArray bytes = piece.value(0).toUtf8();
    out.insert(out.end(), bytes.constData(), bytes.constData() + bytes.size());
}

} // namespace

void KLVCmdParser::SplitLineBytes(QByteArrayView line, QByteArrayView& code, QByteArrayView& tid,
                                  QByteArrayView& fields)
{
    code = tid = fields = QByteArrayView();
    if (line.isEmpty())
        return;
    const char* begin = line.data();
    const char* end = begin + line.size();
    const char* first = static_cast<const char*>(std::memchr(begin, '|', size_t(line.size())));
    if (!first)
        return;
    code = QByteArrayView(begin, first - begin);
    const char* second = first + 1;
    while (second < end && *second != '|')
        ++second;
    tid = QByteArrayView(first + 1, second - first - 1);
    if (second < end)
        fields = QByteArrayView(second + 1, end - second - 1);
}

int KLVCmdParser::SplitFieldBytes(QByteArrayView text, std::vector<KLVFieldSpan>& spans, std::vector<char>& unescaped,
                                  int limit, bool utf8)
{
    spans.clear();
    if (limit <= 0 || text.isEmpty())
        return 0;
    const char* const base = text.data();
    const char* const end = base + text.size();
    const auto nextBackslash = [end](const char* from) {
        const void* hit = std::memchr(from, '\\', size_t(end - from));
        return hit ? static_cast<const char*>(hit) : end;
    };
    const char* p = base;
    const char* backslash = nextBackslash(p);
    for (;;) {
        // Most fields hold no backslash: their end is the next bar, found with memchr.
        const char* fieldStart = p;
        const char* bar = nullptr;
        bool escaped = false;
        for (;;) {
            bar = static_cast<const char*>(std::memchr(p, '|', size_t(backslash - p)));
            if (bar || backslash == end)
                break;
            // A backslash before the next bar: the character after it is not a separator.
            escaped = true;
            p = backslash + 2 <= end ? backslash + 2 : end;
            backslash = nextBackslash(p);
        }
        const char* fieldEnd = bar ? bar : end;
        if (!bar && fieldEnd == fieldStart)
            break; // an empty last piece is no field
        if (!escaped) {
            spans.push_back({quint32(fieldStart - base), quint32(fieldEnd - fieldStart), false});
        } else if (utf8 && escapesNonAscii(fieldStart, fieldEnd)) {
            const size_t offset = unescaped.size();
            appendUnescapedText(fieldStart, fieldEnd, unescaped);
            spans.push_back({quint32(offset), quint32(unescaped.size() - offset), true});
        } else {
            const size_t offset = unescaped.size();
            for (const char* c = fieldStart; c < fieldEnd; ++c) {
                if (*c != '\\' || c + 1 >= end) {
                    unescaped.push_back(*c);
                    continue;
                }
                ++c;
                switch (*c) {
                case 'n':
                    unescaped.push_back('\n');
                    break;
                case 'r':
                    unescaped.push_back('\r');
                    break;
                case '0':
                    unescaped.push_back('\0');
                    break;
                default:
                    unescaped.push_back(*c);
                }
            }
            spans.push_back({quint32(offset), quint32(unescaped.size() - offset), true});
        }
        if (int(spans.size()) >= limit || !bar)
            break;
        p = bar + 1;
    }
    return int(spans.size());
}
