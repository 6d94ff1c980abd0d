#pragma once

#include "KLVEnums.h"

#include <QList>
#include <QString>

class ExportDialog;
class QObject;

// What a window hands to the export: its table, its selection as it shows it, the fields in
// export order, and where the rows come from (the rows it shows, or a fresh query with that
// selection). The one header of the export a window includes.
//
//   ExportRequest request;
//   request.exportType = ExportType;           // 0 text, 1 workbook, 2 database, 3 XML, 4 HTML
//   request.caption = ...; request.tableId = ...; request.fields = ...;
//   request.caller = this; request.rowsFromCaller = true; request.rowCount = shownRows;
//   ExportRequest::Open(request);
//
// With rows from the caller, the caller offers GetResultField(int row, QString key) -> QString
// as an invokable member: it is called by name for rows 1 to rowCount and each field's key.
struct ExportRequest
{
    struct Field
    {
        QString key;     // the caller's key, given back to its GetResultField
        QString caption; // header text, XML field name, database column name
        bool tablePart = false;
        QString tag;      // the query field name: table-part flag, ":", name in the table
        QString typeCode; // the field's ERP type code; empty when the caller knows none
    };

    int exportType = 0;
    QString caption;
    QString tableId;
    // Answers GetResultField for the rows it shows; closing it ends a running export.
    QObject* caller = nullptr;
    bool rowsFromCaller = false;
    int rowCount = 0;

    QString criteria;
    bool andJunction = true;
    bool byRows = false;
    QString order;
    QString key;
    QString storageKindText;
    int storageKind = KLVActiveX::aliveFlagAll;
    bool ascending = true;

    QList<Field> fields;

    // Refuses with message 281 while an export runs; otherwise the export dialog set up with
    // the request and shown, modal. Returns the dialog, or null when refused.
    static ExportDialog* Open(const ExportRequest& request);
};
