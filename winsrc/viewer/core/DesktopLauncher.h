#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// Help pages, web addresses and files opened on the desktop: addresses and files through the
// desktop's registered programs, other programs started with an argument list, never through
// a shell.
class DesktopLauncher
{
public:
    // The address of the help file (relative to the program's directory, "\" or "/" between
    // its parts) at a topic ("" for its start).
    static QUrl HelpAddress(const QString& programDir, const QString& helpFileName, const QString& topic);

    // The extension of a file: the text after the last "." of its name (not of the directories
    // above it); "" when the name has no ".".
    static QString FileExtension(const QString& filePath);

    // The program and its arguments for a command line and a file: every "%1" becomes the
    // file; without one the file is the last argument. Double quotes group words, three in a
    // row stand for one; a command without quotes that names a program file as a whole (a
    // path with blanks written before they were quoted) is that program.
    static QStringList CommandArguments(const QString& command, const QString& filePath);
    // A program's path as a command names it: in double quotes when it holds a blank or a
    // quote, so CommandArguments gives it back as one word.
    static QString QuotedProgram(const QString& path);

    // Opens an address with the desktop's program for it: xdg-open, started without waiting
    // for it (it may run the program it opens for as long as that runs). failed runs later,
    // once, when the opener could not open the address (it ended with another code than 0, or
    // could not be started), and never when it did. Without xdg-open the address goes to Qt's
    // desktop services, and failed runs at once when they refuse it.
    static void OpenUrl(const QUrl& url, const std::function<void()>& failed);
    // How many openers still run.
    static int RunningOpeners();

    // Starts a command for a file, detached. False with errorText when it cannot be started.
    static bool StartCommand(const QString& command, const QString& filePath, QString* errorText);
};
