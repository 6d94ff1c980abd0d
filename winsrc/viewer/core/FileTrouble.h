#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Trouble with a file the program keeps for the user (the settings store, the protocol log),
// found where the file is used, which shows nothing, and told by the main window: each
// trouble once in a run, however often the file is used. The notes live in the context.
class FileTrouble
{
public:
    // Notes the text to tell under key, unless the key was noted before in this run; the
    // listener then runs (the main window has it tell the text when it can).
    static void Note(const QString& key, const QString& text);
    static bool Noted(const QString& key);
    // The texts noted and not told yet, oldest first; each is handed out once.
    static QStringList Take();
    static void SetListener(std::function<void()> listener);
};
