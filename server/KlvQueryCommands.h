#pragma once

#include <QString>

#include <memory>

class KlvCommandContext;
class KlvCommandTable;
class KlvQueryCursor;

// The query commands: "EXQ" (a selection), "RDP" (records by reference), "GNR" (the next
// block of an open answer) and "BRQ" (drop an open answer). The catalogue commands hand their
// lists to sendFirstBlock too, so every list is read the same way.
class KlvQueryCommands
{
public:
    static void addTo(KlvCommandTable& table);

    // Sends the first block of an answer. When records are left, the answer gets a
    // transaction id of its own and stays open for "GNR"; otherwise its lines carry "0".
    static void sendFirstBlock(KlvCommandContext& context, std::shared_ptr<KlvQueryCursor> cursor);
    // A new command on a query supersedes what the query had open.
    static void dropOpenAnswer(KlvCommandContext& context);
    // NAK with one of the sample ERP's own texts, in the session's language.
    static void refuse(KlvCommandContext& context, int number, const QStringList& args);

private:
    static void executeQuery(KlvCommandContext& context);
    static void readByReference(KlvCommandContext& context);
    static void nextBlock(KlvCommandContext& context);
    static void breakRequest(KlvCommandContext& context);
};
