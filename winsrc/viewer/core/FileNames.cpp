#include "FileNames.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

QString FileNames::MakeValidFileName(const QString& name, bool keepPaths)
{
    QString result = name;
    if (keepPaths) {
        result.replace(u'\\', u'/');
    } else {
        result.replace(u'\\', u'_');
        result.replace(u'/', u'_');
    }
    for (const QChar c : u":*?\"<>|"_s)
        result.replace(c, u'_');
    return result;
}

QString FileNames::SafePathComponent(const QString& name)
{
    QString result = MakeValidFileName(name, false);
    if (result == u"." || result == u"..")
        result.fill(u'_');
    return result;
}

QString FileNames::ParentPath(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

bool FileNames::MakeDirTree(const QString& path, int* errorNumber, QString* errorText)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return true;
    const QString parent = ParentPath(path);
    if (!parent.isEmpty() && !MakeDirTree(parent, errorNumber, errorText))
        return false;
    if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0 && errno != EEXIST) {
        const int err = errno;
        if (errorNumber)
            *errorNumber = err;
        if (errorText)
            *errorText = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    return true;
}

QString FileNames::BuildQuerySettingsDir(const QuerySaveOptions& options, const QString& userName,
                                         const QString& mandId, const QString& mandDirUNC)
{
    const QString userPart = options.byUser ? u'/' + SafePathComponent(userName) : QString();
    if (options.indivDir) {
        QString dir = options.dirText;
        dir.replace(u'\\', u'/');
        if (dir.isEmpty())
            return QString();
        while (dir.size() > 1 && dir.endsWith(u'/'))
            dir.chop(1);
        const QString mand = SafePathComponent(mandId);
        if (mand.isEmpty())
            return dir + userPart;
        return dir + userPart + u'/' + mand;
    }
    if (options.inMandDir) {
        QString mandDir = mandDirUNC;
        mandDir.replace(u'\\', u'/');
        if (mandDir.isEmpty())
            return QString();
        while (mandDir.size() > 1 && mandDir.endsWith(u'/'))
            mandDir.chop(1);
        QString sub = options.dirText;
        sub.replace(u'\\', u'/');
        return mandDir + u"/win/"_s + sub + userPart;
    }
    return QString();
}
