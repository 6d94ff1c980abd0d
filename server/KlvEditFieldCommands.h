#pragma once

#include <QString>

class KlvCommandContext;
class KlvCommandTable;
class KlvEditContext;
class KlvEditTransaction;

// Field values, field properties and free texts of an edit transaction: SFV sets a value (a
// button field is pressed instead), GFV answers one property row per field and row, RFV
// resets a value, SFT writes a free text in pieces and GFT reads one in pieces.
class KlvEditFieldCommands
{
public:
    static void addTo(KlvCommandTable& table);

private:
    static void setValue(KlvCommandContext& context);
    static void getValues(KlvCommandContext& context);
    static void resetValue(KlvCommandContext& context);
    static void setText(KlvCommandContext& context);
    static void getText(KlvCommandContext& context);

    // A button field: the information system's start button runs it, others have nothing to
    // carry out here (a sub-screen opens with SUB).
    static void press(KlvEditContext& edit, KlvEditTransaction& t, const QString& button);
};
