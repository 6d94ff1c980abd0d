#include "ExportTemporaryFile.h"

#include "ExportTemporaryFiles.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

ExportTemporaryFile::ExportTemporaryFile(const QString& target)
{
    // A link is followed, as an editor saving the file would: the file it points to is
    // replaced, the link stays.
    const QFileInfo info(target);
    m_target = info.isSymLink() ? info.symLinkTarget() : target;
}

ExportTemporaryFile::~ExportTemporaryFile()
{
    remove();
}

bool ExportTemporaryFile::create(int& error)
{
    remove();
    ExportTemporaryFiles::RemoveStale(QFileInfo(m_target).absolutePath());
    for (int n = 0;; ++n) {
        const QString name = ExportTemporaryFiles::Name(m_target, n);
        const int handle = ::open(QFile::encodeName(name).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle >= 0) {
            m_file = name;
            m_handle = handle;
            error = 0;
            return true;
        }
        error = errno;
        if (error != EEXIST || n >= 100)
            return false;
    }
}

bool ExportTemporaryFile::commit(int& error)
{
    if (m_file.isEmpty()) {
        error = EBADF;
        return false;
    }
    // A full disk may show only now, when the system writes what it held back.
    if (m_handle >= 0 && ::fsync(m_handle) != 0) {
        error = errno;
        remove();
        return false;
    }
    if (QFileInfo::exists(m_target))
        QFile::setPermissions(m_file, QFile::permissions(m_target));
    if (std::rename(QFile::encodeName(m_file).constData(), QFile::encodeName(m_target).constData()) != 0) {
        error = errno;
        remove();
        return false;
    }
    m_file.clear();
    close();
    error = 0;
    return true;
}

void ExportTemporaryFile::remove()
{
    if (!m_file.isEmpty())
        ::unlink(QFile::encodeName(m_file).constData());
    m_file.clear();
    close();
}

void ExportTemporaryFile::close()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}
