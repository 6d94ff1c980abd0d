#include "ExportHtmlWriter.h"

#include "ExportColor.h"
#include "ExportFollowUp.h"
#include "MainModul.h"

#include <QHash>

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

const QHash<QString, QString>& colorDefaults()
{
    static const QHash<QString, QString> defaults{
        {u"HTMLFGColorHeader"_s, u"#000000"_s}, {u"HTMLBGColorHeader"_s, u"#FFFFFF"_s},
        {u"HTMLFGColorEven"_s, u"#000000"_s},   {u"HTMLBGColorEven"_s, u"#F0F0F0"_s},
        {u"HTMLFGColorOdd"_s, u"#000000"_s},    {u"HTMLBGColorOdd"_s, u"#F8F8F8"_s},
        {u"HTMLBorderColor"_s, u"#000000"_s},
    };
    return defaults;
}

} // namespace

ExportHtmlWriter::ExportHtmlWriter(ExportJob job)
    : ExportFileWriter(std::move(job), u"HTMLFileName"_s, u"HTMLDateiName"_s, Encoding::Utf16LE)
{
    const ExportJob& j = this->job();
    m_evenRowStart = u"<TR VALIGN=\"top\" BGCOLOR=\""_s + Color(j, u"HTMLBGColorEven"_s) + u"\">"_s;
    m_oddRowStart = u"<TR VALIGN=\"top\" BGCOLOR=\""_s + Color(j, u"HTMLBGColorOdd"_s) + u"\">"_s;
    m_evenCellStart = u"<TD NOWRAP><TT><FONT COLOR=\""_s + Color(j, u"HTMLFGColorEven"_s) + u"\">"_s;
    m_oddCellStart = u"<TD NOWRAP><TT><FONT COLOR=\""_s + Color(j, u"HTMLFGColorOdd"_s) + u"\">"_s;
}

QString ExportHtmlWriter::Color(const ExportJob& job, const QString& setting)
{
    const QString value = job.text(setting);
    return ExportColor::IsColorText(value) ? value : colorDefaults().value(setting, u"#000000"_s);
}

QString ExportHtmlWriter::BorderSize(const ExportJob& job)
{
    const QString value = job.text(u"HTMLBorderSize"_s).trimmed();
    bool isNumber = false;
    const int size = value.toInt(&isNumber);
    const bool digitsOnly =
        !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return isNumber && digitsOnly && size >= 0 && size <= 99 ? QString::number(size) : u"1"_s;
}

void ExportHtmlWriter::writeHead()
{
    writeLine(u"<HTML>");
    writeLine(u"<HEAD>", 3);
    writeLine(QString(u"<TITLE>"_s + escape(job().caption, Mode::Html) + u"</TITLE>"_s), 6);
    writeLine(u"<META http-equiv=\"content-type\" content=\"text/html; charset=UTF-16\"/>", 6);
    writeLine(u"</HEAD>", 3);
    writeLine(u"<BODY>", 3);
    if (job().flag(u"HTMLWithHeading"_s))
        writeHeading();

    writeLine(QString(u"<TABLE BORDER=\"0\" BGCOLOR=\""_s + Color(job(), u"HTMLBorderColor"_s) +
                      u"\" CELLPADDING=\"5\" CELLSPACING=\""_s + BorderSize(job()) + u"\">"_s),
              6);
    writeLine(QString(u"<TR BGCOLOR=\""_s + Color(job(), u"HTMLBGColorHeader"_s) + u"\">"_s), 9);
    const QString captionStart = u"<TD NOWRAP><B><FONT COLOR=\""_s + Color(job(), u"HTMLFGColorHeader"_s) + u"\">"_s;
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
    writeLine(even ? m_evenRowStart : m_oddRowStart, 9);
    const QString& cellStart = even ? m_evenCellStart : m_oddCellStart;
    for (const QString& value : values) {
        appendIndent(12);
        append(cellStart);
        append(escape(value, Mode::Html));
        append(u"</FONT></TT></TD>");
        endLine();
    }
    writeLine(u"</TR>", 9);
}

void ExportHtmlWriter::writeTail()
{
    writeLine(u"</TABLE>", 6);
    writeLine(u"</BODY>", 3);
    writeLine(u"</HTML>");
}

void ExportHtmlWriter::startFollowUp()
{
    if (job().flag(u"HTMLShowFileInBrowser"_s))
        ExportFollowUp::OpenInBrowser(fileName());
}
