#include "ExportMarkup.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t Replacement = 0xFFFD;

// A character that is written as it stands in every mode: not markup, not a line break, not
// a control and not part of a surrogate pair or a non-character.
inline bool plain(char16_t c)
{
    return c >= 0x20 && c != u'&' && c != u'<' && c != u'>' && c != u'"' && (c < 0xD800 || c > 0xDFFF) && c < 0xFFFE;
}

// Where an address that the HTML mode links starts, from position from on; -1 for none. The
// schemes are found in any case.
qsizetype findAddress(QStringView text, qsizetype from, qsizetype* schemeLength)
{
    static const QStringList schemes{u"http://"_s, u"https://"_s, u"file://"_s};
    qsizetype best = -1;
    for (const QString& scheme : schemes) {
        qsizetype at = from;
        while ((at = text.indexOf(scheme, at, Qt::CaseInsensitive)) >= 0) {
            // An address needs something after its scheme.
            const qsizetype after = at + scheme.size();
            if (after < text.size() && !text[after].isSpace())
                break;
            at = after;
        }
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            *schemeLength = scheme.size();
        }
    }
    return best;
}

} // namespace

bool ExportMarkup::IsXmlChar(char32_t c)
{
    if (c < 0x20)
        return c == 0x9 || c == 0xA || c == 0xD;
    if (c >= 0xD800 && c <= 0xDFFF)
        return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

QString ExportMarkup::XMLEscape(const QString& text, bool htmlMode, qint64* replaced)
{
    return Escape(text, htmlMode ? Mode::Html : Mode::XmlContent, replaced);
}

QString ExportMarkup::Escape(const QString& text, Mode mode, qint64* replaced)
{
    // Most values need nothing: they go out as they are, without a copy.
    bool clean = true;
    for (const QChar ch : text) {
        if (!plain(ch.unicode())) {
            clean = false;
            break;
        }
    }
    if (clean && (mode != Mode::Html || !text.contains(u"://"_s)))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    if (mode == Mode::Html)
        appendHtml(out, text, replaced);
    else
        appendEscaped(out, text, mode, replaced);
    return out;
}

void ExportMarkup::appendEscaped(QString& out, QStringView text, Mode mode, qint64* replaced)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (plain(c)) {
            out.append(QChar(c));
            continue;
        }
        switch (c) {
        case u'&':
            out.append(u"&amp;"_s);
            continue;
        case u'<':
            out.append(u"&lt;"_s);
            continue;
        case u'>':
            out.append(u"&gt;"_s);
            continue;
        case u'"':
            out.append(u"&quot;"_s);
            continue;
        case u'\r':
            out.append(mode == Mode::Html ? u"\r"_s : u"&#13;"_s);
            continue;
        case u'\n':
            out.append(mode == Mode::XmlAttribute ? u"&#10;"_s : u"\n"_s);
            continue;
        case u'\t':
            out.append(mode == Mode::XmlAttribute ? u"&#9;"_s : u"\t"_s);
            continue;
        default:
            break;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.append(text[i]);
            out.append(text[i + 1]);
            ++i;
            continue;
        }
        // A control, a surrogate on its own, U+FFFE or U+FFFF.
        out.append(QChar(Replacement));
        if (replaced)
            ++*replaced;
    }
}

void ExportMarkup::appendHtml(QString& out, QStringView text, qint64* replaced)
{
    // Line breaks first (CR LF, then a CR on its own, both as LF), so each becomes one <BR>.
    QString lines = text.toString();
    lines.replace(u"\r\n"_s, u"\n"_s);
    lines.replace(u'\r', u'\n');

    const auto appendText = [&out, replaced](QStringView part) {
        qsizetype start = 0;
        while (start <= part.size()) {
            const qsizetype lf = part.indexOf(u'\n', start);
            const qsizetype end = lf < 0 ? part.size() : lf;
            appendEscaped(out, part.mid(start, end - start), Mode::Html, replaced);
            if (lf < 0)
                break;
            out.append(u"<BR>\r\n"_s);
            start = lf + 1;
        }
    };

    // An address runs from its scheme to the next white space or the end of the value.
    const QStringView all(lines);
    qsizetype pos = 0;
    qsizetype schemeLength = 0;
    qsizetype at;
    while ((at = findAddress(all, pos, &schemeLength)) >= 0) {
        appendText(all.mid(pos, at - pos));
        qsizetype end = at + schemeLength;
        while (end < all.size() && !all[end].isSpace())
            ++end;
        QString address;
        appendEscaped(address, all.mid(at, end - at), Mode::Html, replaced);
        out.append(u"<A HREF=\""_s + address + u"\">"_s + address + u"</A>"_s);
        pos = end;
    }
    appendText(all.mid(pos));
}
