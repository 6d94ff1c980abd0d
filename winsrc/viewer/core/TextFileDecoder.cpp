#include "TextFileDecoder.h"

#include "AnsiCodec.h"

#include <QStringDecoder>

#include <optional>

namespace {

// The text of bytes when they are valid UTF-8.
std::optional<QString> utf8Text(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString TextFileDecoder::decode(const QByteArray& bytes, bool* wasUtf8)
{
    QByteArrayView view(bytes);
    // regedit and Notepad may write UTF-16 with a byte-order mark.
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(view.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        if (wasUtf8)
            *wasUtf8 = false;
        return utf16.decode(view.sliced(2));
    }
    static constexpr char bom[] = "\xEF\xBB\xBF";
    if (view.startsWith(QByteArrayView(bom, 3)))
        view = view.sliced(3);
    if (std::optional<QString> text = utf8Text(view)) {
        if (wasUtf8)
            *wasUtf8 = true;
        return *text;
    }
    if (wasUtf8)
        *wasUtf8 = false;
    // Line ends are the same bytes in both encodings, so the lines can be told apart before
    // they are decoded; the line ends themselves stay as they were.
    QString text;
    text.reserve(view.size());
    qsizetype start = 0;
    while (start < view.size()) {
        qsizetype end = start;
        while (end < view.size() && view[end] != '\n' && view[end] != '\r')
            ++end;
        const QByteArrayView line = view.sliced(start, end - start);
        if (std::optional<QString> lineText = utf8Text(line))
            text += *lineText;
        else
            text += AnsiCodec::decode(line);
        qsizetype next = end;
        while (next < view.size() && (view[next] == '\n' || view[next] == '\r'))
            ++next;
        text += QString::fromLatin1(view.sliced(end, next - end));
        start = next;
    }
    return text;
}

QStringList TextFileDecoder::splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}
