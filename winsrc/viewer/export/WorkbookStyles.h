#pragma once

#include <QString>

class WorkbookXml;

// The cell formats of a sheet written in a workbook of its own, carried into the styles of the
// workbook the sheet goes into. A cell names its format by its number in the list of cell
// formats; the sheet's own formats stand in its list from the number the other workbook's list
// ends at, so appended to that list in their order they keep their numbers and the sheet is
// taken over as it was written, however many rows it has. What a format refers to goes along
// with it: its number format, font, fill and border, the workbook's own where it holds the same,
// else added to its lists. The first of each, the defaults of the sheet's workbook, become the
// defaults of the other, as a new sheet in a workbook takes the workbook's normal style.
class WorkbookStyles
{
public:
    // How many cell formats the styles hold.
    static int CellFormatCount(const WorkbookXml& styles);
    // Appends the cell formats of sheetStyles from number first on to those of styles, which
    // holds first of them. An empty text, or what does not fit.
    static QString Merge(WorkbookXml& styles, const WorkbookXml& sheetStyles, int first);
};
