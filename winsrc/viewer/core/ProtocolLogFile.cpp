#include "ProtocolLogFile.h"

#include "MainModul.h"
#include "UserFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

QString ProtocolLogFile::Problem(const QString& path)
{
    if (path.isEmpty())
        return UserFile::SystemText(ENOENT);
    // Opened as the session opens it: for appending, made for the user alone, without waiting,
    // and not through a link.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return UserFile::SystemText(errno);
    struct stat info = {};
    const bool own = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
    ::close(fd);
    if (!own)
        return MainModul::FormatMessage(1399, u"it is not a file of the user's own"_s);
    return QString();
}
