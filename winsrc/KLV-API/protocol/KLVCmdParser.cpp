#include "KLVCmdParser.h"

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
