#include "ExportTargetCheck.h"

#include "MainModul.h"

using namespace Qt::StringLiterals;
using namespace MainModul;

bool ExportTargetCheck::Workbook(const ExportJob& job, QString& focusControl)
{
    if (job.fields.size() > MaxWorkbookColumns) {
        ShowMessageBox(GetMessageTextByNr(289) + u' ' + QString::number(job.fields.size()));
        return false;
    }
    if (job.text(u"ExcelFileName"_s).isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(235));
        focusControl = u"ExportExcelName"_s;
        return false;
    }
    if (job.text(u"ExcelWorksheet"_s).isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(236));
        focusControl = u"ExcelWorksheet"_s;
        return false;
    }
    return true;
}

bool ExportTargetCheck::Database(const ExportJob& job, QString& focusControl)
{
    if (job.text(u"ExportDBType"_s) != u"ODBC"_s && job.text(u"ExportDBName"_s).isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(237));
        focusControl = u"ExportDBName"_s;
        return false;
    }
    return true;
}
