#pragma once

#include "ExportWriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class WorkbookMerge;

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The workbook: a worksheet with the exported rows, written in constant memory (one row at a
// time), so a million rows cost a few megabytes. A new workbook holds that sheet alone. Into a
// workbook that exists the sheet goes as the spreadsheet adds one, its other sheets and parts
// kept (WorkbookMerge); a worksheet of the export's name is replaced, after the user agreed.
// The sheet is written as a workbook of its own whose cell formats are numbered on from the
// existing workbook's, so its rows are carried into the merge as they were compressed.
//
// Everything is written beside the target under hidden names this program knows again
// (ExportTemporaryFiles), and the result takes the target's place only once it is complete: a
// failed, dropped or killed export leaves an older workbook as it was, and what a killed one
// left is removed by the next export to the folder.
//
// Values keep their type: numbers (whole and real) as numbers, dates, times and date-times as
// date cells, anything else, and anything that does not read as its type, as text. Nothing is
// ever a formula. With "ExcelFormatColumns" the columns get number formats and widths by the
// field's type; without, date cells still get the spreadsheet's own date and time formats.
class ExportWorkbookWriter : public ExportWriter
{
public:
    struct Options
    {
        QString fileName;
        QString sheetName;
        bool withFieldNames = true;
        bool formatColumns = true;
        QString dateFormat = QStringLiteral("dd.mm.yyyy");
        QString timeFormat = QStringLiteral("hh:mm");
        // Afterwards the desktop's program for the workbook.
        bool startProgram = false;
    };
    enum Option { FileName, SheetName };

    // Rows, columns and name length of a worksheet.
    static constexpr qint64 MaxSheetRows = 1048576;
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxSheetNameLength = 31;

    ExportWorkbookWriter(ExportJob job, Options options);
    ~ExportWorkbookWriter() override;

    // At most 31 characters, none of []:*?/\ and no apostrophe at either end.
    static bool ValidSheetName(const QString& name);

    // The field count (289), the workbook name (235, 248 for a folder), the worksheet name
    // (236, 283).
    ExportCheck checkTarget() override;
    // A workbook that cannot be read (248), a sheet of the name that is no worksheet or a
    // workbook whose structure is protected (250, 251), and questions before a worksheet is
    // replaced (238, 239) or a new workbook is made (247).
    ExportCheck confirmTarget() override;
    bool open(ExportFailure& failure) override;
    // A cell that cannot be written asks whether to go on; a full worksheet ends the export
    // with the rows up to its last row, told once.
    Step writeRow(const QStringList& values, qint64 row, ExportFailure& failure) override;
    bool finish(ExportFailure& failure) override;
    void discard() override;
    void startFollowUp() override;

    QString fileName() const { return m_options.fileName; }
    const Options& options() const { return m_options; }
    // A text as a worksheet cell holds it: what reads as a character code ("_x0041_") keeps its
    // underscore as a code of its own ("_x005F_x0041_"), and a NUL is its code ("_x0000_"), so
    // it reads back as it was.
    static QString CellText(const QString& text);

private:
    enum class Kind { Text, Number, Date, Time, DateTime };
    struct Column
    {
        Kind kind = Kind::Text;
        int fractionDigits = 0;
        lxw_format* format = nullptr; // null: the sheet's own
        double width = 0;             // 0: the sheet's own
    };

    bool createTemporary(ExportFailure& failure);
    bool reserveFormats(int count, ExportFailure& failure);
    void prepareColumns();
    bool writeCell(int column, const QString& value, int& error);
    bool dataWriteFailed(ExportFailure& failure);
    void fail(ExportFailure& failure, int message, const QString& description, int number);
    const char* utf8(const QString& text);
    void removeTemporary();

    Options m_options;
    QString m_temporary;
    QString m_merged;
    int m_temporaryNumber = 0;
    QByteArray m_folder;
    std::unique_ptr<WorkbookMerge> m_merge;
    QByteArray m_sheetEntry;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_plain = nullptr;
    QList<Column> m_columns;
    qint64 m_nextRow = 0;
    QByteArray m_utf8;
};
