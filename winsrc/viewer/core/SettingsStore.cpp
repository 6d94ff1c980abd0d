#include "SettingsStore.h"

#include "FileTrouble.h"
#include "MainModul.h"
#include "UserFile.h"

#include <QFileInfo>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

// Opens the group path of section level by level, taking the stored spelling of each level
// that exists in another case. Returns the number of groups opened.
int beginSection(QSettings& settings, const QString& section)
{
    int depth = 0;
    const QStringList levels = section.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& level : levels) {
        QString name = level;
        const QStringList groups = settings.childGroups();
        for (const QString& g : groups) {
            if (g.compare(level, Qt::CaseInsensitive) == 0) {
                name = g;
                break;
            }
        }
        settings.beginGroup(name);
        ++depth;
    }
    return depth;
}

void endSection(QSettings& settings, int depth)
{
    while (depth-- > 0)
        settings.endGroup();
}

// A file is noted once in a run for reading and once for writing: the user hears of it once,
// and the reason is looked for only then.
QString troubleKey(const QString& file, bool reading)
{
    return (reading ? u"settings read\n"_s : u"settings write\n"_s) + file;
}

void note(const QString& file, const QString& reason, bool reading)
{
    const QString why = reason.isEmpty() ? MainModul::FormatMessage(1398, u"no reason given by the system"_s) : reason;
    FileTrouble::Note(
        troubleKey(file, reading),
        reading ? MainModul::FormatMessage(1394,
                                           u"The settings in {1} could not be read: {2}. The program "
                                           "goes on with its default settings and leaves the file as "
                                           "it is."_s,
                                           file, why)
                : MainModul::FormatMessage(1393, u"The settings could not be stored in {1}: {2}"_s, file, why));
}

// False (and noted) when the store's file is there but could not be read. (The store also
// reports an access error when it opens while changes of an earlier write that failed are
// still pending: a file that reads is no trouble to read.)
bool openedReadable(const QSettings& settings)
{
    if (settings.status() != QSettings::AccessError)
        return true;
    const QString file = settings.fileName();
    const UserFile::ReadResult read = UserFile::Read(file);
    if (read.status != UserFile::ReadStatus::Failed)
        return true;
    note(file, read.error, true);
    return false;
}

// The number of keys an INI file written by QSettings holds: one line of "key=value" each.
qsizetype keyLines(const QByteArray& bytes)
{
    qsizetype count = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.sliced(start, end - start).trimmed();
        if (!line.isEmpty() && !line.startsWith('[') && line.contains('='))
            ++count;
        start = end + 1;
    }
    return count;
}

// Writes what was changed to the file; a write that fails is noted. QSettings takes a write
// that the disk cut short (a disk with some room, but not enough) for a whole one and puts
// the cut file in the old one's place: what it wrote is read back, and a file that lacks keys
// is replaced by what it held before (the room the cut file took and the old one's own room
// are enough for that).
void commit(QSettings& settings, const UserFile::ReadResult& before)
{
    settings.sync();
    const QString file = settings.fileName();
    if (settings.status() == QSettings::NoError) {
        // A file that changed was written whole from what the store holds.
        const UserFile::ReadResult after = UserFile::Read(file);
        if (after.status == UserFile::ReadStatus::Read &&
            (after.bytes == before.bytes || keyLines(after.bytes) >= settings.allKeys().size()))
            return;
        if (before.status == UserFile::ReadStatus::Read)
            UserFile::Replace(file, before.bytes);
    }
    if (!FileTrouble::Noted(troubleKey(file, false)))
        note(file, UserFile::WhyNotWritable(file, QFileInfo(file).size() + 4096), false);
}

QString storedKey(const QSettings& settings, const QString& key)
{
    if (settings.contains(key))
        return key;
    const QStringList keys = settings.childKeys();
    for (const QString& k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return QString();
}

} // namespace

QString SettingsStore::GetSetting(const QString& appName, const QString& section, const QString& key,
                                  const QString& Default)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    if (!openedReadable(settings))
        return Default;
    const int depth = beginSection(settings, section);
    const QString k = storedKey(settings, key);
    QString value = Default;
    if (!k.isEmpty()) {
        // A hand-edited value with an unquoted comma reads as a list; it is still one text.
        const QVariant stored = settings.value(k);
        value = stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(u", "_s) : stored.toString();
    }
    endSection(settings, depth);
    return value;
}

void SettingsStore::SaveSetting(const QString& appName, const QString& section, const QString& key,
                                const QString& value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    if (!openedReadable(settings))
        return;
    const int depth = beginSection(settings, section);
    const QString k = storedKey(settings, key);
    const UserFile::ReadResult before = UserFile::Read(settings.fileName());
    settings.setValue(k.isEmpty() ? key : k, value);
    endSection(settings, depth);
    commit(settings, before);
}

void SettingsStore::DeleteSetting(const QString& appName, const QString& section, const QString& key)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    if (!openedReadable(settings))
        return;
    const UserFile::ReadResult before = UserFile::Read(settings.fileName());
    const int depth = beginSection(settings, section);
    if (key.isEmpty()) {
        settings.remove(QString());
    } else {
        const QString k = storedKey(settings, key);
        if (!k.isEmpty())
            settings.remove(k);
    }
    endSection(settings, depth);
    commit(settings, before);
}

QStringList SettingsStore::GetAllKeys(const QString& appName, const QString& section)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    if (!openedReadable(settings))
        return {};
    const int depth = beginSection(settings, section);
    QStringList keys = settings.childKeys();
    endSection(settings, depth);
    return keys;
}

QString SettingsStore::FileName(const QString& appName)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    return settings.fileName();
}

bool SettingsStore::Readable(const QString& appName)
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    return openedReadable(settings);
}
