#include "ExportTemporaryFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <signal.h>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// The computer's name as it may stand in a file name.
QString host()
{
    static const QString name = [] {
        QString h = QSysInfo::machineHostName();
        for (QChar& c : h) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.')
                c = u'_';
        }
        return h.isEmpty() ? u"_"_s : h;
    }();
    return name;
}

// ".<target>.klv-<host>-<pid>-<n>.tmp", perhaps with a zip library's six characters after it.
const QRegularExpression& pattern()
{
    static const QRegularExpression re(u"^\\..+\\.klv-(.+)-(\\d+)-\\d+\\.tmp(\\.[A-Za-z0-9]{6})?$"_s);
    return re;
}

bool runs(qint64 pid)
{
    // A process of another user that runs answers EPERM: it runs.
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

QString ExportTemporaryFiles::Name(const QString& target, int n)
{
    const QFileInfo info(target);
    return info.absolutePath() + u"/."_s + info.fileName() + u".klv-"_s + host() + u'-' +
           QString::number(QCoreApplication::applicationPid()) + u'-' + QString::number(n) + u".tmp"_s;
}

qint64 ExportTemporaryFiles::Owner(const QString& fileName)
{
    const QRegularExpressionMatch match = pattern().match(fileName);
    if (!match.hasMatch() || match.captured(1) != host())
        return 0;
    bool ok = false;
    const qint64 pid = match.captured(2).toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

int ExportTemporaryFiles::RemoveStale(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QFileInfoList candidates =
        dir.entryInfoList({u".*.tmp"_s, u".*.tmp.??????"_s}, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo& file : candidates) {
        const qint64 pid = Owner(file.fileName());
        if (pid == 0 || pid == QCoreApplication::applicationPid() || runs(pid))
            continue;
        if (QFile::remove(file.absoluteFilePath()))
            ++removed;
    }
    return removed;
}
