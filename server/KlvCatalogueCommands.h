#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class KlvCommandContext;
class KlvCommandTable;

// The catalogue commands of the sample ERP: databases (GDN), groups (GGN), enumerations and
// their positions (GAZ), message texts (GMT), reference types (GRI), tables (GTN), fields
// (GFN), keys (GKN), information systems (GIS) and the test of field values (TFV). Their
// columns are those the client's field-index enumerations number; with the metadata flag each
// answer describes its columns in "DM" lines.
class KlvCatalogueCommands
{
public:
    static void addTo(KlvCommandTable& table);

    // One column of a catalogue answer: name, type code and description.
    struct Column
    {
        QString name;
        QString type;
        QString de;
        QString en;
    };

private:
    static void databases(KlvCommandContext& context);
    static void groups(KlvCommandContext& context);
    static void enumerations(KlvCommandContext& context);
    static void messages(KlvCommandContext& context);
    static void referenceTypes(KlvCommandContext& context);
    static void tables(KlvCommandContext& context);
    static void fields(KlvCommandContext& context);
    static void keys(KlvCommandContext& context);
    static void infosystems(KlvCommandContext& context);
    static void testValues(KlvCommandContext& context);

    static void send(KlvCommandContext& context, const QString& word, const QList<Column>& columns,
                     QList<QStringList> rows, int blockSize, bool withMetadata);
};
