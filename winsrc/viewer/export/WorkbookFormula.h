#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// What becomes of a formula (a defined name's reference) when a sheet of the workbook is
// deleted, as the spreadsheet itself changes it: a reference to the sheet becomes "#REF!"
// ("'Kunde'!$A$1:$C$9" becomes "#REF!$A$1:$C$9"); a reference across sheets that begins or ends
// at it ("Jan:Mar!B2") shrinks to the sheets that remain between its ends. Text in quotes and
// references into other workbooks ("[1]Kunde!A1") are left alone. Sheet names compare without
// regard to case, as the spreadsheet compares them.
class WorkbookFormula
{
public:
    // sheets: the workbook's sheet names in their order, the deleted one among them.
    static QString WithoutSheet(QStringView formula, const QString& sheet, const QStringList& sheets);
    // A sheet name as a formula writes it before its "!": in apostrophes, doubled inside.
    static QString Quoted(const QString& sheet);
};
