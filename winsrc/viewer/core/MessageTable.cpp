#include "MessageTable.h"

#include "NumberText.h"
#include "TextFileDecoder.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

MessageTable::MessageTable()
{
    Clear();
}

void MessageTable::Clear()
{
    m_texts = QStringList(Size, QString());
}

bool MessageTable::LoadFile(const QString& path, QString* errorText)
{
    const auto fail = [errorText](const QString& text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    // Opened without waiting: a pipe or a device in the file's place would hold the start
    // for ever (a pipe until someone writes to it). What was opened is checked, not the name.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return fail(u"Not a regular file"_s);
    const QString tooLarge = u"Larger than a message file can be (%1 bytes at most)"_s.arg(MaxFileBytes);
    if (info.st_size > MaxFileBytes)
        return fail(tooLarge);
    // A file that grows while it is read is cut off at the limit, and refused as well.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (bytes.size() > MaxFileBytes)
        return fail(tooLarge);
    LoadText(TextFileDecoder::decode(bytes));
    return true;
}

void MessageTable::LoadText(const QString& text)
{
    for (const QString& line : TextFileDecoder::splitLines(text)) {
        if (line.startsWith(u'"'))
            continue;
        // The number sits in the first four characters, the fifth separates, the text follows.
        const std::optional<qint32> number = NumberText::roundToInt32(NumberText::leadingValue(line.left(4)));
        if (!number || *number < 0 || *number >= Size)
            continue;
        m_texts[*number] = line.mid(5);
    }
}

QString MessageTable::Text(int number) const
{
    if (number < 0 || number >= Size)
        return QString();
    return m_texts[number];
}

void MessageTable::SetText(int number, const QString& text)
{
    if (number >= 0 && number < Size)
        m_texts[number] = text;
}

QString MessageTable::GetMessageTextByNr(const QVariant& number, const QVariant& Default) const
{
    const QString given = number.toString();
    if (NumberText::isNumber(number)) {
        const double value =
            number.typeId() == QMetaType::QString ? NumberText::leadingValue(given.trimmed()) : number.toDouble();
        const std::optional<qint32> nr = NumberText::roundToInt32(value);
        const QString text = nr ? Text(*nr) : QString();
        if (!text.isEmpty())
            return text;
    }
    if (Default.isValid())
        return Default.toString();
    return u"Error "_s + given + u" (Cant load message)"_s;
}

QString MessageTable::FillPlaceholders(const QString& text, const QStringList& values)
{
    if (values.isEmpty())
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (c == u'{') {
            qsizetype end = pos + 1;
            while (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
                ++end;
            // "{" & k & "}" has no leading zero, so "{01}" is not a placeholder.
            if (end > pos + 1 && end < text.size() && text[end] == u'}' && text[pos + 1] != u'0') {
                bool ok = false;
                const qsizetype k = text.mid(pos + 1, end - pos - 1).toLongLong(&ok);
                if (ok && k >= 1 && k <= values.size()) {
                    result += values[k - 1];
                    pos = end + 1;
                    continue;
                }
            }
        }
        result += c;
        ++pos;
    }
    return result;
}

QString MessageTable::FormatMessage(const QVariant& number, const QString& defaultText,
                                    const QVariantList& values) const
{
    const QString text = defaultText.isEmpty() ? GetMessageTextByNr(number) : GetMessageTextByNr(number, defaultText);
    QStringList texts;
    texts.reserve(values.size());
    for (const QVariant& v : values)
        texts.append(v.toString());
    return FillPlaceholders(text, texts);
}
