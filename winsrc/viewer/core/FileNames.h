#pragma once

#include <QString>

// File and directory names: cleaning names that come from users and the server, the
// directory of the saved queries, creating directory trees.
class FileNames
{
public:
    // The name with the characters a file name cannot hold replaced by "_". keepPaths False
    // also replaces "\" and "/"; keepPaths True turns the Windows separator "\" into "/".
    static QString MakeValidFileName(const QString& name, bool keepPaths);

    // One path component from a name the user or the server chose: cleaned, and never "."
    // or "..", so it cannot lead out of the directory it is put in.
    static QString SafePathComponent(const QString& name);

    // The text before the last "/"; "" when there is none.
    static QString ParentPath(const QString& path);

    // Creates the directory and every missing parent. False with the system's error number
    // and text when a directory cannot be created.
    static bool MakeDirTree(const QString& path, int* errorNumber = nullptr, QString* errorText = nullptr);

    // The viewer settings that place the saved queries.
    struct QuerySaveOptions
    {
        bool byUser = false;    // a subdirectory per user
        bool indivDir = false;  // the user's own directory
        bool inMandDir = false; // the ERP client's directory
        QString dirText;        // the directory (own) or subdirectory (client) of the chosen option
    };

    // The saved-query directory; "" when no option is chosen or the directory it needs is
    // not known (an empty directory text, or no client directory): the files then have no
    // place rather than landing in the filesystem root.
    static QString BuildQuerySettingsDir(const QuerySaveOptions& options, const QString& userName,
                                         const QString& mandId, const QString& mandDirUNC);
};
