#pragma once

#include <QString>
#include <QStringList>

// The hand-off of records and information systems to the ERP GUI client. The command text is
// the one the GUI client understands; it goes to the program named in the environment
// variable KLV_GUI_COMMAND, started with two arguments: the topic (service & "|COMMAND") and
// the command text. Nothing runs through a shell.
class GuiLink
{
public:
    static constexpr int ActionEdit = 2;
    static constexpr int ActionShow = 4;
    static constexpr int ActionRun = 5;

    // The fixed service of the GUI client, asked when the session names none.
    static QString DefaultService();

    // The word that ends a command: by the action and the data language's letter ("E" gives
    // the English words).
    static QString ActionWord(int action, const QString& languageLetter);

    // ["<" & name & ">"] & text & the action's word; the name part only when name is not empty.
    static QString CommandText(const QString& name, const QString& text, int action, const QString& languageLetter);

    // The service a command goes to: the session's GUI service for a session with a client
    // (the fixed service when the session names none), the fixed service without a client.
    static QString ServiceFor(const QString& client, const QString& sessionService);

    // The program of KLV_GUI_COMMAND; "" when the variable is not set (no GUI client).
    static QString Program();

    // The arguments the program is started with.
    static QStringList Arguments(const QString& service, const QString& commandText);

    // Starts the program with the command. False when no program is set (errorText empty)
    // or it cannot be started (errorText says why).
    static bool Execute(const QString& service, const QString& commandText, QString* errorText);
};
