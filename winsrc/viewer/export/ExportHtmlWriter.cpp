#include "ExportHtmlWriter.h"

#include "ExportColor.h"
#include "ExportFollowUp.h"
#include "ExportHtmlOptionsCheck.h"
#include "MainModul.h"

using namespace Qt::StringLiterals;
using namespace MainModul;
using Mode = ExportMarkup::Mode;

namespace {

constexpr int MsgTable = 202;
constexpr int MsgStorageKind = 192;
constexpr int MsgRowSelection = 187;
constexpr int MsgCriteria = 186;
constexpr int MsgJunction = 194;
constexpr int MsgAnd = 193;
constexpr int MsgOr = 195;
constexpr int MsgSortKey = 1213;
constexpr int MsgKey = 185;
constexpr int MsgDirection = 1215;
constexpr int MsgAscending = 1214;
constexpr int MsgDescending = 1216;

} // namespace

ExportHtmlWriter::ExportHtmlWriter(ExportJob job, Options options)
    : ExportFileWriter(std::move(job), options.fileName, FileName, Encoding::Utf16LE), m_options(std::move(options))
{
    // The lines of a row as they stand, indent and line end included.
    const Options defaults;
    m_evenRowStart = u"         <TR VALIGN=\"top\" BGCOLOR=\""_s +
                     Color(m_options.evenBackground, defaults.evenBackground) + u"\">\r\n"_s;
    m_oddRowStart = u"         <TR VALIGN=\"top\" BGCOLOR=\""_s +
                    Color(m_options.oddBackground, defaults.oddBackground) + u"\">\r\n"_s;
    m_evenCellStart = u"            <TD NOWRAP><TT><FONT COLOR=\""_s +
                      Color(m_options.evenForeground, defaults.evenForeground) + u"\">"_s;
    m_oddCellStart = u"            <TD NOWRAP><TT><FONT COLOR=\""_s +
                     Color(m_options.oddForeground, defaults.oddForeground) + u"\">"_s;
}

QString ExportHtmlWriter::Color(const QString& value, const QString& fallback)
{
    return ExportColor::IsColorText(value) ? value : fallback;
}

QString ExportHtmlWriter::BorderSize(const QString& text)
{
    const QString value = text.trimmed();
    bool isNumber = false;
    const int size = value.toInt(&isNumber);
    const bool digitsOnly =
        !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return isNumber && digitsOnly && size >= 0 && size <= 99 ? QString::number(size) : u"1"_s;
}

ExportCheck ExportHtmlWriter::checkOptions()
{
    return ExportHtmlOptionsCheck::Check(m_options, prompt());
}

void ExportHtmlWriter::writeHead()
{
    writeLine(u"<HTML>");
    writeLine(u"<HEAD>", 3);
    writeLine(QString(u"<TITLE>"_s + escape(job().caption, Mode::Html) + u"</TITLE>"_s), 6);
    writeLine(u"<META http-equiv=\"content-type\" content=\"text/html; charset=UTF-16\"/>", 6);
    writeLine(u"</HEAD>", 3);
    writeLine(u"<BODY>", 3);
    if (m_options.withHeading)
        writeHeading();

    const Options defaults;
    writeLine(QString(u"<TABLE BORDER=\"0\" BGCOLOR=\""_s + Color(m_options.borderColor, defaults.borderColor) +
                      u"\" CELLPADDING=\"5\" CELLSPACING=\""_s + BorderSize(m_options.borderSize) + u"\">"_s),
              6);
    writeLine(QString(u"<TR BGCOLOR=\""_s + Color(m_options.headerBackground, defaults.headerBackground) + u"\">"_s),
              9);
    const QString captionStart =
        u"<TD NOWRAP><B><FONT COLOR=\""_s + Color(m_options.headerForeground, defaults.headerForeground) + u"\">"_s;
    for (const ExportField& field : job().fields)
        writeLine(QString(captionStart + escape(field.caption, Mode::Html) + u"</FONT></B></TD>"_s), 12);
    writeLine(u"</TR>", 9);
}

void ExportHtmlWriter::writeHeading()
{
    const ExportJob& j = job();
    writeLine(u"<TABLE BORDER=\"0\" CELLSPACING=\"5\">", 6);
    WriteHTMLTableRow(9, {GetMessageTextByNr(MsgTable), QString(), j.caption});
    WriteHTMLTableRow(9, {GetMessageTextByNr(MsgStorageKind), QString(), j.storageKindText});
    WriteHTMLTableRow(9, {GetMessageTextByNr(MsgRowSelection), QString(), Bool2MsgText(j.byRows)});
    WriteHTMLTableRow(9, {GetMessageTextByNr(MsgCriteria), QString(), j.criteria});
    WriteHTMLTableRow(9,
                      {GetMessageTextByNr(MsgJunction), QString(), GetMessageTextByNr(j.andJunction ? MsgAnd : MsgOr)});
    if (!j.rowsFromCaller && !j.sortKey.isEmpty())
        WriteHTMLTableRow(9, {GetMessageTextByNr(MsgSortKey), QString(), j.sortKey});
    if (!j.key.isEmpty())
        WriteHTMLTableRow(9, {GetMessageTextByNr(MsgKey), QString(), j.key});
    WriteHTMLTableRow(9, {GetMessageTextByNr(MsgDirection), QString(),
                          GetMessageTextByNr(j.ascending ? MsgAscending : MsgDescending)});
    writeLine(u"</TABLE>", 6);
    writeLine(u"<P>&nbsp;</P>", 6);
}

void ExportHtmlWriter::WriteHTMLTableRow(int indent, const QStringList& cells)
{
    writeLine(u"<TR>", indent);
    for (const QString& cell : cells) {
        if (cell.isEmpty())
            writeLine(u"<TD>&nbsp;</TD>", indent + 3);
        else
            writeLine(QString(u"<TD>"_s + escape(cell, Mode::Html) + u"</TD>"_s), indent + 3);
    }
    writeLine(u"</TR>", indent);
}

void ExportHtmlWriter::writeRecord(const QStringList& values, qint64 row)
{
    const bool even = row % 2 == 0;
    append(even ? m_evenRowStart : m_oddRowStart);
    const QString& cellStart = even ? m_evenCellStart : m_oddCellStart;
    for (const QString& value : values) {
        append(cellStart);
        appendEscaped(value, Mode::Html);
        append(u"</FONT></TT></TD>\r\n");
    }
    append(u"         </TR>\r\n");
}

void ExportHtmlWriter::writeTail()
{
    writeLine(u"</TABLE>", 6);
    writeLine(u"</BODY>", 3);
    writeLine(u"</HTML>");
}

void ExportHtmlWriter::startFollowUp()
{
    if (m_options.showInBrowser)
        ExportFollowUp::OpenInBrowser(fileName());
}
