#include "TextFileDecoder.h"

#include "AnsiCodec.h"

#include <QStringDecoder>

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
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        if (wasUtf8)
            *wasUtf8 = true;
        return text;
    }
    if (wasUtf8)
        *wasUtf8 = false;
    return AnsiCodec::decode(view);
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
