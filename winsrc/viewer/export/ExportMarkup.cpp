#include "ExportMarkup.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t Replacement = 0xFFFD;

// What an ASCII character is to the escaping: written as it stands, escaped or replaced (a
// control, markup), or a colon, which in HTML may belong to an address.
enum AsciiKind : unsigned char { Special, Plain, Colon };

constexpr std::array<AsciiKind, 128> AsciiKinds = [] {
    std::array<AsciiKind, 128> kinds{};
    for (int c = 0x20; c < 0x80; ++c)
        kinds[size_t(c)] = Plain;
    kinds[size_t('&')] = Special;
    kinds[size_t('<')] = Special;
    kinds[size_t('>')] = Special;
    kinds[size_t('"')] = Special;
    kinds[size_t(':')] = Colon;
    return kinds;
}();

// A character that is written as it stands in every mode: not markup, not a line break, not
// a control and not part of a surrogate pair or a non-character.
inline bool plain(char16_t c)
{
    if (c < 0x80)
        return AsciiKinds[c] != Special;
    return (c < 0xD800 || c > 0xDFFF) && c < 0xFFFE;
}

// True when text needs nothing: every character goes as it stands, and in HTML it holds no
// "://" that could start an address.
inline bool needsNothing(QStringView text, bool html)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            const AsciiKind kind = AsciiKinds[c];
            if (kind == Plain)
                continue;
            if (kind == Special)
                return false;
            if (html && i + 2 < n && p[i + 1] == u'/' && p[i + 2] == u'/')
                return false;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE) {
            return false;
        }
    }
    return true;
}

// Finds the addresses that the HTML mode links, one after the other. Each scheme's next
// place is kept until the text before it is written, so a value full of addresses is looked
// through once, not once per address. The schemes are found in any case.
class AddressFinder
{
public:
    explicit AddressFinder(QStringView text) : m_text(text) {}

    // Where the next address starts, from position from on (never before the last one
    // found); -1 for none.
    qsizetype next(qsizetype from, qsizetype* schemeLength)
    {
        static const QString schemes[] = {u"http://"_s, u"https://"_s, u"file://"_s};
        qsizetype best = -1;
        for (size_t k = 0; k < std::size(schemes); ++k) {
            qsizetype& at = m_next[k];
            if (at == Unknown || (at >= 0 && at < from))
                at = find(schemes[k], from);
            if (at >= 0 && (best < 0 || at < best)) {
                best = at;
                *schemeLength = schemes[k].size();
            }
        }
        return best;
    }

private:
    static constexpr qsizetype Unknown = -2;

    // The first place of scheme from position from on with something after it; -1 for none.
    qsizetype find(const QString& scheme, qsizetype from) const
    {
        qsizetype at = from;
        while ((at = m_text.indexOf(scheme, at, Qt::CaseInsensitive)) >= 0) {
            // An address needs something after its scheme.
            const qsizetype after = at + scheme.size();
            if (after < m_text.size() && !m_text[after].isSpace())
                break;
            at = after;
        }
        return at;
    }

    QStringView m_text;
    qsizetype m_next[3] = {Unknown, Unknown, Unknown};
};

// Gathers escaped text in a string.
class StringOutput final : public ExportMarkup::Output
{
public:
    explicit StringOutput(QString& text) : m_text(text) {}
    void append(QStringView text) override { m_text.append(text); }

private:
    QString& m_text;
};

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
    if (needsNothing(text, mode == Mode::Html))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    StringOutput output(out);
    if (mode == Mode::Html)
        appendHtml(output, text, replaced);
    else
        appendEscaped(output, text, mode, replaced);
    return out;
}

void ExportMarkup::Append(Output& out, QStringView text, Mode mode, qint64* replaced)
{
    if (needsNothing(text, mode == Mode::Html))
        out.append(text);
    else if (mode == Mode::Html)
        appendHtml(out, text, replaced);
    else
        appendEscaped(out, text, mode, replaced);
}

void ExportMarkup::appendEscaped(Output& out, QStringView text, Mode mode, qint64* replaced)
{
    // Runs of characters that stand as they are go out in one piece.
    const qsizetype n = text.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (plain(c))
            continue;
        QStringView piece;
        switch (c) {
        case u'&':
            piece = u"&amp;";
            break;
        case u'<':
            piece = u"&lt;";
            break;
        case u'>':
            piece = u"&gt;";
            break;
        case u'"':
            piece = u"&quot;";
            break;
        case u'\r':
            if (mode == Mode::Html)
                continue;
            piece = u"&#13;";
            break;
        case u'\n':
            if (mode != Mode::XmlAttribute)
                continue;
            piece = u"&#10;";
            break;
        case u'\t':
            if (mode != Mode::XmlAttribute)
                continue;
            piece = u"&#9;";
            break;
        default:
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
                ++i;
                continue;
            }
            // A control, a surrogate on its own, U+FFFE or U+FFFF.
            piece = u"\uFFFD";
            if (replaced)
                ++*replaced;
            break;
        }
        out.append(text.sliced(from, i - from));
        out.append(piece);
        from = i + 1;
    }
    out.append(text.sliced(from));
}

void ExportMarkup::appendHtml(Output& out, QStringView text, qint64* replaced)
{
    // An address runs from its scheme to the next white space or the end of the value; a line
    // break is white space, so no address holds one.
    AddressFinder addresses(text);
    qsizetype pos = 0;
    qsizetype schemeLength = 0;
    qsizetype at;
    while ((at = addresses.next(pos, &schemeLength)) >= 0) {
        appendHtmlLines(out, text.sliced(pos, at - pos), replaced);
        qsizetype end = at + schemeLength;
        while (end < text.size() && !text[end].isSpace())
            ++end;
        const QStringView address = text.sliced(at, end - at);
        out.append(u"<A HREF=\"");
        appendEscaped(out, address, Mode::Html, replaced);
        out.append(u"\">");
        // The same characters again: counted once.
        appendEscaped(out, address, Mode::Html, nullptr);
        out.append(u"</A>");
        pos = end;
    }
    appendHtmlLines(out, text.sliced(pos), replaced);
}

void ExportMarkup::appendHtmlLines(Output& out, QStringView text, qint64* replaced)
{
    // Each line break (CR LF, or a CR or an LF on its own) becomes one <BR>.
    const qsizetype n = text.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        appendEscaped(out, text.sliced(from, i - from), Mode::Html, replaced);
        out.append(u"<BR>\r\n");
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    appendEscaped(out, text.sliced(from), Mode::Html, replaced);
}
