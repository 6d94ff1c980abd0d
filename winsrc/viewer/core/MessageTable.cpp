#include "MessageTable.h"

#include "NumberText.h"
#include "TextFileDecoder.h"

#include <QFile>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
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
