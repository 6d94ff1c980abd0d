#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// An existing workbook that takes one worksheet written elsewhere, as the spreadsheet deletes
// a worksheet of the name and adds the new one: everything else of the workbook stays (its
// other sheets with their cells, formulas, styles and widths, its shared strings, names,
// theme, properties, drawings, printer settings, macros, and parts this program does not
// know), carried over as they are stored, without being unpacked.
//
// - The new sheet goes where the spreadsheet puts a sheet it adds: before the active sheet, or
//   in the place of the sheet it replaces when that was the active one, and then it is the
//   active sheet. Otherwise the active sheet stays the active one, so no other sheet's part
//   needs to change.
// - What belonged to a replaced sheet alone goes with it (its drawings, comments, tables,
//   printer settings), and so do the names defined for it; other names that refer to it refer
//   to "#REF!" (WorkbookFormula). The calculation chain, which lists its formulas, is dropped
//   and the workbook recalculated when it is next opened, as formulas elsewhere may refer to
//   the sheet's cells.
// - The new sheet's cell formats are merged into the workbook's styles (WorkbookStyles); its
//   texts are inline, so the workbook's shared strings stay as they are. The list of sheet
//   names in the document's properties names it too.
//
// The workbook is read when it is opened and kept open until the merge is written, so a
// workbook saved over meanwhile is merged as it was when the export began. Nothing is written
// to it: write() makes a new file, which the caller puts in its place.
class WorkbookMerge
{
public:
    // Why a workbook cannot be read or the merge written: the zip library's or the system's
    // description and error number.
    struct Failure
    {
        QString description;
        int number = 0;
    };
    enum class SheetKind { None, Worksheet, OtherSheet };

    WorkbookMerge();
    ~WorkbookMerge();
    WorkbookMerge(const WorkbookMerge&) = delete;
    WorkbookMerge& operator=(const WorkbookMerge&) = delete;

    // Reads the workbook's package: its parts, sheets, names, views and styles. A file that is
    // not a zip archive or not a workbook fails; so does a workbook in the strict form of the
    // format, whose parts would not mix with the sheet written for it.
    std::optional<Failure> open(const QString& file);

    QStringList sheetNames() const;
    // What sheet has the name (compared as the spreadsheet compares sheet names, ignoring case):
    // a worksheet is replaced; another kind of sheet (a chart sheet) keeps the name taken.
    SheetKind sheetKind(const QString& name) const;
    // Whether the workbook's structure is protected: no sheet may be added or deleted.
    bool structureLocked() const;
    // Whether the sheet of that name becomes the active one (it replaces the active sheet).
    bool becomesActive(const QString& name) const;
    // How many cell formats the workbook has: the new sheet's own formats are numbered on from
    // there in the sheet's workbook, so its cells need no renumbering.
    int cellFormatCount() const;

    // Writes the workbook with the worksheet sheetName of the workbook sheetBook put in, as the
    // new zip archive output, which must not exist yet.
    std::optional<Failure> write(const QString& sheetBook, const QString& sheetName, const QString& output) const;

    struct Package;

private:
    std::unique_ptr<Package> m_book;
};
