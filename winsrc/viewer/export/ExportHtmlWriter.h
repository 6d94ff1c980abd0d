#pragma once

#include "ExportFileWriter.h"

#include <QString>
#include <QStringList>

// The HTML page: UTF-16 little-endian with its byte-order mark, lines indented by blanks and
// ended by CR LF. A title, optionally a heading table that describes the selection, then the
// data table: a header row of the field captions and one row per record, odd and even rows
// in their own colours; the border is the table's background showing through the cell
// spacing. Every text is escaped; line breaks in a value become <BR>, and web and file
// addresses in a value become links.
//
// Options: "HTMLFileName", "HTMLWithHeading", "HTMLBorderSize" (a whole number 0 to 99, else
// 1), the colours "HTMLFGColorHeader", "HTMLBGColorHeader", "HTMLFGColorEven",
// "HTMLBGColorEven", "HTMLFGColorOdd", "HTMLBGColorOdd", "HTMLBorderColor" ("#RRGGBB", else
// the colour's default), "HTMLShowFileInBrowser".
class ExportHtmlWriter : public ExportFileWriter
{
public:
    explicit ExportHtmlWriter(ExportJob job);

    // The option's colour when it is "#RRGGBB", else its default.
    static QString Color(const ExportJob& job, const QString& setting);
    // The option's border size when it is a whole number from 0 to 99, else "1".
    static QString BorderSize(const ExportJob& job);

    void startFollowUp() override;

protected:
    void writeHead() override;
    void writeRecord(const QStringList& values, qint64 row) override;
    void writeTail() override;

private:
    void writeHeading();
    // One row of the heading table: each cell escaped, an empty one as &nbsp;.
    void WriteHTMLTableRow(int indent, const QStringList& cells);

    QString m_evenRowStart;
    QString m_oddRowStart;
    QString m_evenCellStart;
    QString m_oddCellStart;
};
