#pragma once

#include "KlvEditTransaction.h"
#include "KlvErpData.h"

#include <QString>

#include <optional>

class KlvCommandTable;
class KlvEditContext;
class KlvCommandContext;

// The editor side of the protocol: opening an edit transaction on one object (NEW, UPD, DEL,
// VIE, EDI) or on a sub-screen of another (SUB), ending it (COM, CAN, SAV) and its status
// (GTS). Field values, free texts and table rows are KlvEditFieldCommands and
// KlvEditRowCommands; addTo registers those too.
class KlvEditorCommands
{
public:
    static void addTo(KlvCommandTable& table);

private:
    static void newObject(KlvCommandContext& context);
    static void update(KlvCommandContext& context);
    static void remove(KlvCommandContext& context);
    static void view(KlvCommandContext& context);
    static void operation(KlvCommandContext& context);
    static void subEditor(KlvCommandContext& context);
    static void commit(KlvCommandContext& context);
    static void cancel(KlvCommandContext& context);
    static void saveReload(KlvCommandContext& context);
    static void status(KlvCommandContext& context);

    using Kind = KlvEditTransaction::Kind;
    // Opens a transaction of kind on the object that database, reference type and reference
    // name; for Kind::New an empty reference type ("EMPTY") makes an empty record in the
    // database's group, any other a copy of the record named.
    static void begin(KlvEditContext& edit, Kind kind, const QString& action, const QString& databaseAndGroup,
                      const QString& refType, const QString& ref);
    static void beginInfosystem(KlvEditContext& edit, const QString& ref);
    // The record a reference type and reference name; refuses and returns nothing otherwise.
    static std::optional<KlvErpData::Ref> findRecord(KlvEditContext& edit, const QString& database,
                                                     const QString& refType, const QString& ref);
    // Holds the record for a change or deletion, waiting as LOCKBEHAVIOR says, and answers.
    static void openHeld(KlvEditContext& edit, Kind kind, const QString& action, const KlvErpData::Group& group,
                         const KlvErpData::Ref& ref);
    // Ends a transaction; false (refused) when it cannot.
    static bool save(KlvEditContext& edit, KlvEditTransaction& t, bool reload);
    static void release(KlvEditContext& edit, KlvEditTransaction& t);
    static std::optional<QString> statusValue(KlvEditTransaction* t, const QString& name);
};
