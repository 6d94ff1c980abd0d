#include "ExportTemporaryFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The longest name a folder takes, in bytes.
constexpr qsizetype MaxNameBytes = 255;

const QRegularExpression& temporaryPattern()
{
    static const QRegularExpression pattern(u"^\\..+\\.[0-9]+-[0-9]+\\.tmp$"_s);
    return pattern;
}

bool sameFile(int handle, const QByteArray& path)
{
    struct stat open = {};
    struct stat named = {};
    return ::fstat(handle, &open) == 0 && ::lstat(path.constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

} // namespace

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

bool ExportTemporaryFile::IsTemporaryName(const QString& fileName)
{
    return temporaryPattern().match(fileName).hasMatch();
}

int ExportTemporaryFile::SweepStale(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!IsTemporaryName(name))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int handle = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (handle < 0)
            continue;
        // An export that still writes holds the lock; a killed one has let it go. The name is
        // removed only while it still names the file that was locked.
        struct stat status = {};
        if (::flock(handle, LOCK_EX | LOCK_NB) == 0 && ::fstat(handle, &status) == 0 && S_ISREG(status.st_mode) &&
            sameFile(handle, path) && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(handle);
    }
    return removed;
}

bool ExportTemporaryFile::create(int& error)
{
    remove();
    const QFileInfo target(m_target);
    const QString folder = target.absolutePath();
    SweepStale(folder);
    QString base = target.fileName();
    const QString pid = QString::number(QCoreApplication::applicationPid());
    for (int attempt = 0;; ++attempt) {
        const QString suffix = u'.' + pid + u'-' + QString::number(attempt) + u".tmp"_s;
        // A target name that fills the folder's limit is cut, so its hidden name still fits.
        while (!base.isEmpty() && QFile::encodeName(u'.' + base + suffix).size() > MaxNameBytes)
            base.chop(1);
        const QString name = folder + u"/."_s + base + suffix;
        const QByteArray path = QFile::encodeName(name);
        const int handle = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle < 0) {
            error = errno;
            if (error == EEXIST && attempt < 100)
                continue;
            return false;
        }
        // Between making and locking, a sweep elsewhere may have taken the file for a stale
        // one: then another name.
        if (::flock(handle, LOCK_EX | LOCK_NB) != 0 || !sameFile(handle, path)) {
            ::close(handle);
            if (attempt < 100)
                continue;
            error = EAGAIN;
            return false;
        }
        m_file = name;
        m_handle = handle;
        error = 0;
        return true;
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
