#include "UserFile.h"

#include "FileNames.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A descriptor closed when it goes out of scope, unless taken.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int take() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool writeAll(int fd, QByteArrayView content)
{
    const char* data = content.data();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            // A write that takes nothing and names no error: count it as a full disk.
            errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// The file a replacement goes to: a link's target, else the path itself.
QString replacedFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? info.symLinkTarget() : target;
}

} // namespace

QString UserFile::SystemText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

UserFile::ReadResult UserFile::Read(const QString& path)
{
    ReadResult result;
    const auto fail = [&result](const QString& why) {
        result.status = ReadStatus::Failed;
        result.bytes.clear();
        result.error = why;
        return result;
    };
    if (path.isEmpty())
        return fail(SystemText(ENOENT));
    const QByteArray name = QFile::encodeName(path);
    Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return result; // Missing
        return fail(SystemText(errno));
    }
    struct stat info = {};
    if (::fstat(fd.get(), &info) != 0)
        return fail(SystemText(errno));
    if (!S_ISREG(info.st_mode))
        return fail(u"Not a regular file"_s);
    result.bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(SystemText(errno));
        }
        if (n == 0)
            break;
        result.bytes.append(buffer, qsizetype(n));
    }
    result.status = ReadStatus::Read;
    return result;
}

QString UserFile::Replace(const QString& path, QByteArrayView content)
{
    if (path.isEmpty())
        return SystemText(ENOENT);
    const QString target = replacedFile(path);
    const QFileInfo targetInfo(target);
    const QByteArray targetName = QFile::encodeName(target);

    // The new file takes the old one's permissions; a new file gets the usual ones.
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat old = {};
    if (::stat(targetName.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
        keepMode = true;
    }

    // Hidden beside the file, so the rename stays within one file system.
    const QString stem =
        targetInfo.absolutePath() + u"/."_s + targetInfo.fileName() + u'.' + QString::number(::getpid()) + u'.';
    QByteArray temporary;
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
        temporary = QFile::encodeName(stem + QString::number(QRandomGenerator::global()->generate(), 36) + u".tmp"_s);
        created = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (created < 0 && errno != EEXIST)
            return SystemText(errno);
    }
    if (created < 0)
        return SystemText(EEXIST);
    Descriptor fd(created);
    const auto fail = [&temporary](int errorNumber) {
        ::unlink(temporary.constData());
        return SystemText(errorNumber);
    };
    if (keepMode && ::fchmod(fd.get(), mode) != 0 && errno != EPERM)
        return fail(errno);
    if (!writeAll(fd.get(), content))
        return fail(errno);
    // A disk that fills, a quota or a network share may refuse the data only here.
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        return fail(errno);
    // (Linux has closed the descriptor even when close reports EINTR.)
    if (::close(fd.take()) != 0 && errno != EINTR)
        return fail(errno);
    if (::rename(temporary.constData(), targetName.constData()) != 0)
        return fail(errno);
    return QString();
}

QString UserFile::WhyNotWritable(const QString& path, qint64 size)
{
    const QFileInfo info(path);
    const QByteArray name = QFile::encodeName(path);
    if (info.exists()) {
        const int fd = ::open(name.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return SystemText(errno);
        ::close(fd);
    }
    QString why;
    if (!FileNames::MakeDirTree(info.absolutePath(), nullptr, &why))
        return why;
    // A file of the same size beside it: a folder that cannot be written, a read-only file
    // system, a full disk or a quota each show on the way.
    const QByteArray probe = QFile::encodeName(info.absolutePath() + u"/."_s + info.fileName() + u'.' +
                                               QString::number(::getpid()) + u".probe"_s);
    Descriptor fd(::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return SystemText(errno);
    const QByteArray block(64 * 1024, ' ');
    bool written = true;
    for (qint64 left = qMax<qint64>(size, 1); written && left > 0; left -= block.size())
        written = writeAll(fd.get(), QByteArrayView(block).first(qMin<qint64>(left, block.size())));
    if (written && ::fsync(fd.get()) != 0 && errno != EINVAL)
        written = false;
    if (!written)
        why = SystemText(errno);
    ::close(fd.take());
    ::unlink(probe.constData());
    return why;
}
