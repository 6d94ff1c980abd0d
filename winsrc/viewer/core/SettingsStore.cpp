#include "SettingsStore.h"

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
    const int depth = beginSection(settings, section);
    const QString k = storedKey(settings, key);
    settings.setValue(k.isEmpty() ? key : k, value);
    endSection(settings, depth);
}

void SettingsStore::DeleteSetting(const QString& appName, const QString& section, const QString& key)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
    const int depth = beginSection(settings, section);
    if (key.isEmpty()) {
        settings.remove(QString());
    } else {
        const QString k = storedKey(settings, key);
        if (!k.isEmpty())
            settings.remove(k);
    }
    endSection(settings, depth);
}

QStringList SettingsStore::GetAllKeys(const QString& appName, const QString& section)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, u"KLV"_s, appName);
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
