#pragma once

#include <QString>

#include <functional>

// The programs an export starts on its finished file: a program the user named (started with
// an argument list, never through a shell), the desktop's program for the file's type, or
// the web browser. Tests put a handler in place of the real start.
class ExportFollowUp
{
public:
    enum class Kind { Program, DesktopApp, Browser };
    // program is the user's command for Kind::Program, empty otherwise.
    using Handler = std::function<void(Kind kind, const QString& program, const QString& file)>;
    // An empty handler restores the real start.
    static void SetHandler(Handler handler);

    static void StartProgram(const QString& command, const QString& file);
    static void OpenWithDesktopApp(const QString& file);
    static void OpenInBrowser(const QString& file);
};
