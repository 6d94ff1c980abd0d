#pragma once

#include <QString>
#include <QStringView>

// Text made safe for the XML and HTML export files.
//
// Every text is escaped ("&", "<", ">" and the double quote), and characters that an XML
// file cannot hold (controls other than TAB, LF and CR, U+FFFE, U+FFFF, a surrogate without
// its partner) become U+FFFD, counted in *replaced, so a reader never refuses the file.
//
// The writers escape straight into their file's buffer (Append): a value that needs nothing,
// as most do, is found with one look at each character and goes out as one piece, without a
// string of its own.
class ExportMarkup
{
public:
    enum class Mode {
        XmlContent,   // element content: a CR is written as "&#13;", which a reader keeps
        XmlAttribute, // attribute value: TAB, LF and CR as character references, which
                      // survive the blanks a reader makes of them otherwise
        Html          // line breaks become "<BR>" CR LF; web and file addresses become links
    };

    // Where escaped text goes, piece by piece.
    class Output
    {
    public:
        virtual void append(QStringView text) = 0;

    protected:
        ~Output() = default;
    };

    // XMLEscape of the export: plain (XML content) or HTML mode.
    static QString XMLEscape(const QString& text, bool htmlMode, qint64* replaced = nullptr);
    // The text escaped; the text itself when it needs nothing.
    static QString Escape(const QString& text, Mode mode, qint64* replaced = nullptr);
    // The text escaped, appended to out.
    static void Append(Output& out, QStringView text, Mode mode, qint64* replaced = nullptr);

    // True for a character (a whole code point) that an XML file may hold.
    static bool IsXmlChar(char32_t c);

private:
    static void appendEscaped(Output& out, QStringView text, Mode mode, qint64* replaced);
    static void appendHtml(Output& out, QStringView text, qint64* replaced);
    static void appendHtmlLines(Output& out, QStringView text, qint64* replaced);
};
