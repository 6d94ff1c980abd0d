#pragma once

#include <QString>

// A file an export writes beside its target under a hidden name of this program's own,
// ".<target name>.<process id>-<n>.tmp", which takes the target's place only once it is
// complete: a failed or cancelled export leaves an older target as it was and nothing of its
// own. The file is locked while its export lives, so an export that was killed half way is
// told from one that still runs: the next export into that folder removes what the killed one
// left (SweepStale), whichever format either wrote.
//
//   ExportTemporaryFile temporary(target);
//   if (!temporary.create(error)) ...;           // write temporary.fileName() or handle()
//   if (!temporary.commit(error)) ...;           // else the destructor removes it
class ExportTemporaryFile
{
public:
    explicit ExportTemporaryFile(const QString& target);
    ~ExportTemporaryFile();
    ExportTemporaryFile(const ExportTemporaryFile&) = delete;
    ExportTemporaryFile& operator=(const ExportTemporaryFile&) = delete;

    // Removes the stale temporary files of the target's folder, then makes a new empty one,
    // locked from now on. false with the system's error number when the folder takes none.
    bool create(int& error);
    // The hidden file; empty before create and after commit or remove.
    QString fileName() const { return m_file; }
    // Its open descriptor (for writing), -1 when there is none.
    int handle() const { return m_handle; }
    // Its content to disk, then the file in the target's place (an older target's permissions
    // kept). false with the system's error number; the file is then removed.
    bool commit(int& error);
    void remove();

    // Removes the temporary files of this program in the folder that no running export holds;
    // the number removed.
    static int SweepStale(const QString& folder);
    static bool IsTemporaryName(const QString& fileName);

private:
    void close();

    QString m_target;
    QString m_file;
    int m_handle = -1;
};
