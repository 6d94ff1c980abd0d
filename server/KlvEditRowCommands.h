#pragma once

class KlvCommandContext;
class KlvCommandTable;

// The table part of an edited object: rows inserted (RIN), deleted (RDL) and moved (RMV) in
// the transaction's working copy.
class KlvEditRowCommands
{
public:
    static void addTo(KlvCommandTable& table);

private:
    static void insertRow(KlvCommandContext& context);
    static void deleteRows(KlvCommandContext& context);
    static void moveRows(KlvCommandContext& context);
};
