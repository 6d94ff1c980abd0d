#pragma once

#include <QString>

// The files an export writes beside its target until the target is complete: hidden, and named
// after the target, this computer and the process, ".kunde.xlsx.klv-host-4711-0.tmp", so that
// no user takes one for a file to keep and a later export to the same folder knows which are
// this program's and whose process has gone (killed or crashed before it could remove them).
// A zip library that writes such a file through one of its own, named after it with six
// characters more (".kunde.xlsx.klv-host-4711-1.tmp.Ab3xYz"), is covered as well.
class ExportTemporaryFiles
{
public:
    // The hidden name number n beside target for this process.
    static QString Name(const QString& target, int n);
    // The process that made the file of that name on this computer; 0 when the name is not one
    // of this program's or was made on another computer (a folder shared over the network).
    static qint64 Owner(const QString& fileName);
    // Removes the files of this program in folder whose process no longer runs; how many.
    static int RemoveStale(const QString& folder);
};
