#pragma once

#include <QString>

#include <optional>

class KlvAnswer;
class KlvCommandContext;
class KlvCommandTable;

// The session level of the protocol: greeting, Mandant switch, logon, end, options and
// information, transactions, locks, the shell command and the break.
class KlvSessionCommands
{
public:
    static void addTo(KlvCommandTable& table);
    // The status line every connection opens with; its number 2797 is what clients check.
    static void greeting(KlvAnswer& answer, bool withVersion);

private:
    static void changeMandant(KlvCommandContext& context);
    static void logon(KlvCommandContext& context);
    static void end(KlvCommandContext& context);
    static void transaction(KlvCommandContext& context);
    static void setOption(KlvCommandContext& context);
    static void showOption(KlvCommandContext& context);
    static void lock(KlvCommandContext& context);
    static void shell(KlvCommandContext& context);
    static void breakRequest(KlvCommandContext& context);

    static void refuseLogon(KlvCommandContext& context, const QString& reason);
    // The value of a read-only information keyword; nothing when the keyword is not one.
    static std::optional<QString> information(KlvCommandContext& context, const QString& keyword, QString* error);
};
