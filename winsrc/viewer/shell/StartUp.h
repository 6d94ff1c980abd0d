#pragma once

#include <QStringList>

#include <optional>

class AppContext;

// The program's start, as main() drives it: the interface language, the message table, the
// command line (the table again when it chose another language), the clipboard format of
// the drag data, the program-wide texts, then the main window logged on.
class StartUp
{
public:
    explicit StartUp(AppContext& context);

    // The words of the command line after the program's name.
    static QStringList Words(int argc, char** argv);

    // Runs the start. The exit code when the program ends here (a usage request, a bad
    // command line, unreadable message files, a cancelled logon); nothing when it lives on in
    // its windows.
    std::optional<int> Main(const QStringList& words);

    // The program's end, after its event loop: a main window still there (the program was
    // ended by a signal, not by closing it) saves the settings and ends its session as
    // closing it would, without asking anything.
    void Finish();

    // Shows the usage view with text ("" for a plain request) in the About dialog; the exit
    // code the program then ends with (0 for a plain request, 2 after an error).
    static int ShowUsageAndExit(const QString& text);

private:
    // Loads the frame window KLVViewer and logs on with the start-up values; on success the
    // window is shown unless the program was started hidden. False when the logon was
    // cancelled: the window is gone and the program ends.
    bool StartMainWindow();

    AppContext& m_context;
};
