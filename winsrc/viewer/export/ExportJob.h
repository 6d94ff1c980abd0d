#pragma once

#include "KLVEnums.h"

#include <QList>
#include <QSharedPointer>
#include <QString>

class KLVTAVArtInfo;

// One exported field, in the order of the export dialog's field list.
struct ExportField
{
    QString caption; // header text, XML field name, database column name
    QString key;     // the caller's key of the field, passed to its GetResultField
    QString tag;     // the query field name: table-part flag, ":", name in the table
    bool tablePart = false;
    // The field's type description; null when the caller has none for it.
    QSharedPointer<KLVTAVArtInfo> type;
};

// What every format needs to know of one export: what is exported, the fields, and how the
// rows were selected (what a fresh query is started with, what a heading tells). The options
// of the format travel typed, beside the job, in its writer's Options.
class ExportJob
{
public:
    int exportType = 0;
    QString caption; // what the dialog calls the exported data
    QString tableId; // the table a fresh query reads
    bool rowsFromCaller = false;
    QList<ExportField> fields;

    // The selection of the rows.
    QString criteria;
    QString key;     // the key box's text
    QString sortKey; // the key a fresh query sorts by; empty for displayed rows or no key
    QString order;   // the explicit order the window shows ("name.vorw,ort.rueckw")
    QString storageKindText;
    int aliveFlag = KLVActiveX::aliveFlagAll; // the storage kind a fresh query reads
    bool byRows = false;
    bool andJunction = true;
    bool ascending = true;
};
