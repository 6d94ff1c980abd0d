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
class ExportHtmlWriter : public ExportFileWriter
{
public:
    // Colours are "#RRGGBB"; any other text writes the colour's default. The border size is a
    // whole number from 0 to 99; any other text writes 1.
    struct Options
    {
        QString fileName;
        bool withHeading = true;
        QString borderSize = QStringLiteral("1");
        QString headerForeground = QStringLiteral("#000000");
        QString headerBackground = QStringLiteral("#FFFFFF");
        QString evenForeground = QStringLiteral("#000000");
        QString evenBackground = QStringLiteral("#F0F0F0");
        QString oddForeground = QStringLiteral("#000000");
        QString oddBackground = QStringLiteral("#F8F8F8");
        QString borderColor = QStringLiteral("#000000");
        bool showInBrowser = false;
    };
    // The options a check names, for the focus.
    enum Option {
        FileName,
        BorderSizeBox,
        HeaderForegroundBox,
        HeaderBackgroundBox,
        EvenForegroundBox,
        EvenBackgroundBox,
        OddForegroundBox,
        OddBackgroundBox,
        BorderColorBox
    };

    ExportHtmlWriter(ExportJob job, Options options);

    // The colour when it is "#RRGGBB", else the fallback.
    static QString Color(const QString& value, const QString& fallback);
    // The border size when it is a whole number from 0 to 99, else "1".
    static QString BorderSize(const QString& value);

    const Options& options() const { return m_options; }
    void startFollowUp() override;

protected:
    // A colour or border size that would be written as its default asks first.
    ExportCheck checkOptions() override;
    void writeHead() override;
    void writeRecord(const QStringList& values, qint64 row) override;
    void writeTail() override;

private:
    void writeHeading();
    // One row of the heading table: each cell escaped, an empty one as &nbsp;.
    void WriteHTMLTableRow(int indent, const QStringList& cells);

    Options m_options;
    QString m_evenRowStart;
    QString m_oddRowStart;
    QString m_evenCellStart;
    QString m_oddCellStart;
};
