#pragma once

#include <QString>
#include <QStringList>

// Where the program's read-only files are: the message files and the help pages. An installed
// program finds them in its data folder "klvviewer" (beside its own prefix first, so a copy
// installed anywhere finds its own files, then the system's data folders); a program run from
// its build tree finds them beside itself.
class DataFolder
{
public:
    // The folders searched, in order: the program's directory when it holds the message
    // files (the build tree), <prefix>/share/klvviewer of the program's own prefix, then
    // "klvviewer" in each of the system's data folders.
    static QStringList Candidates(const QString& programDir);

    // The first candidate that holds the English message file; the program's directory when
    // none does, so that the failure names the place a developer expects.
    static QString Find(const QString& programDir);
};
