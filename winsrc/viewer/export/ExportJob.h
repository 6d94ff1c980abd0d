#pragma once

#include <QHash>
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

// Everything a writer needs to know of one export: what is exported, the fields, how the rows
// were selected (for headings), and the options of the export kind as the user set them in
// the dialog, keyed by their setting names ("FieldSeparator", "HTMLBorderSize", ...). Check
// boxes read "1" or "0".
class ExportJob
{
public:
    int exportType = 0;
    QString caption; // what the dialog calls the exported data
    QString tableId; // the table a fresh query reads
    bool rowsFromCaller = false;
    QList<ExportField> fields;
    // Positions (from 1) of the XML record id and caption fields; 0 for none.
    int xmlRecIdIndex = 0;
    int xmlDescrIndex = 0;

    // The selection of the rows.
    QString criteria;
    QString key;     // the key box's text
    QString sortKey; // the key a fresh query sorts by; empty for displayed rows or no key
    QString storageKindText;
    bool byRows = false;
    bool andJunction = true;
    bool ascending = true;

    QHash<QString, QString> options;

    QString text(const QString& setting) const { return options.value(setting); }
    bool flag(const QString& setting) const;
};
