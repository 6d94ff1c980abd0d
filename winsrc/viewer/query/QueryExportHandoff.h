#pragma once

#include "ExportRequest.h"

#include <QString>

class QObject;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class ResultListView;

// What the query window hands to the export: its table, its selection and its fields.
struct QueryExportSource
{
    // The caller: it answers GetResultField(row, key) by name while the displayed rows are
    // exported, and its closing ends a running export. The window itself, or its result pane.
    QObject* window = nullptr;
    QTreeWidget* fieldList = nullptr;     // "FeldListe": key in FieldListPane::RowKeyRole, record in
                                          // ListViewHelpers::RowTagRole
    ResultListView* resultList = nullptr; // "DatenListe"
    QTreeWidgetItem* tableRow = nullptr;  // the selected row of "TabellenListe", record in its tag
    QString tableName;                    // the window's table, when no table row is selected
    QString tableId;

    QString criteria; // "Kriterien"
    bool andJunction = true;
    bool byRows = false;
    QString order;           // "Sortierung"
    QString key;             // the text of "Schluessel"
    QString storageKindText; // the text of "Ablageart"
    int storageKind = 9;     // its item data
    bool ascending = true;

    // Everything above read from the window's controls, found by their names, and its
    // properties "AktTableName" and "AktTableID".
    static QueryExportSource FromWindow(QWidget* window);
};

// The query window's side of the export: ShowExportDialog and QueryFld2ExportFld, which hand
// the export one ExportRequest.
//
// The window wires it as
//   void QueryForm::ShowExportDialog(int ExportType, bool RowsFromCaller)
//   { QueryExportHandoff::ShowExportDialog(QueryExportSource::FromWindow(this), ExportType, RowsFromCaller); }
//   QString QueryForm::GetResultField(int& row, QString& fieldKey)      // Q_INVOKABLE
//   { return m_datenListe->GetResultField(row, fieldKey); }
class QueryExportHandoff
{
public:
    // Refuses with message 139 when the window has no fields and 281 while an export runs;
    // otherwise opens the export with the window's table, selection and fields (the displayed
    // columns in the order shown for rows from the window, else the checked fields, or all
    // fields when none is checked). Returns the dialog, or null when refused.
    static ExportDialog* ShowExportDialog(const QueryExportSource& source, int ExportType, bool RowsFromCaller);

    // The export field of one field-list row: caption (the field's description when the viewer
    // setting ColumnHeadersDesc is on, else its name), key, table-part flag, query field name
    // and type.
    static ExportRequest::Field QueryFld2ExportFld(const QTreeWidgetItem* fieldItem);
};
