#pragma once

#include <QString>

// A file an export writes beside its target under a hidden name of this program's own
// (ExportTemporaryFiles::Name), which takes the target's place only once it is complete: a
// failed or cancelled export leaves an older target as it was and nothing of its own. What an
// export that was killed left is removed by the next export into that folder, which removes
// first what no running process of the program holds (ExportTemporaryFiles::RemoveStale),
// whichever format left it.
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

    // Removes the stale files of the target's folder, then makes a new empty one. false with
    // the system's error number when the folder takes none.
    bool create(int& error);
    // The hidden file; empty before create and after commit or remove.
    QString fileName() const { return m_file; }
    // Its open descriptor (for writing), -1 when there is none.
    int handle() const { return m_handle; }
    // Its content to disk, then the file in the target's place (an older target's permissions
    // kept). false with the system's error number; the file is then removed.
    bool commit(int& error);
    void remove();

private:
    void close();

    QString m_target;
    QString m_file;
    int m_handle = -1;
};
