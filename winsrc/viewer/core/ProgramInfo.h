#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// What the program tells about itself: its name, its version and how it was started.
class ProgramInfo
{
public:
    static int Major();
    static int Minor();
    static int Revision();
    // "KLVViewer", the program's title.
    static QString Title();
    // The file name of the running program ("KLVViewer" when there is no application object).
    static QString ExecutableName();

    // The command-line words as one line, each word with a blank or nothing in it quoted, and
    // the password of "-p" shown as stars: the line is shown on screen.
    static QString CommandLineText(const QStringList& words);
    static QString PasswordMask() { return QStringLiteral("********"); }

    // The program's own window icon: a list under a header bar, drawn for the usual sizes.
    static QIcon Icon();
};
