#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

const QString FolderName = u"klvviewer"_s;
const QString Marker = u"msg_en.txt"_s;

} // namespace

QStringList DataFolder::Candidates(const QString& programDir)
{
    QStringList folders{programDir, QDir::cleanPath(programDir + u"/../share/"_s + FolderName)};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = QDir::cleanPath(data + u'/' + FolderName);
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

QString DataFolder::Find(const QString& programDir)
{
    for (const QString& folder : Candidates(programDir)) {
        if (QFileInfo::exists(folder + u'/' + Marker))
            return folder;
    }
    return programDir;
}
