#pragma once

#include "ExportJob.h"

#include <QString>

// The start's checks of the workbook and database targets, for their writers' checkTarget:
// each tells the user why not and names the control that should take the focus.
class ExportTargetCheck
{
public:
    // Most columns a worksheet holds.
    static constexpr int MaxWorkbookColumns = 16384;

    // Too many fields (289 and the count), no workbook name (235), no worksheet name (236).
    static bool Workbook(const ExportJob& job, QString& focusControl);
    // No database file name for a file kind (237); a data source may be left to the driver.
    static bool Database(const ExportJob& job, QString& focusControl);
};
