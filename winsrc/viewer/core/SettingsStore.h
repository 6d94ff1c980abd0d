#pragma once

#include <QString>
#include <QStringList>

// The per-user settings store: one INI file per application name under the organisation
// "KLV". Sections are paths with "\" between the levels; sections and keys are found without
// regard to case, and a value written to a key that exists in another case goes to that key.
class SettingsStore
{
public:
    static QString GetSetting(const QString& appName, const QString& section, const QString& key,
                              const QString& Default = QString());
    static void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);
    // Removes one key, or the whole section when key is empty.
    static void DeleteSetting(const QString& appName, const QString& section, const QString& key = QString());
    // The keys of a section, as stored.
    static QStringList GetAllKeys(const QString& appName, const QString& section);
    // The file that holds an application's settings.
    static QString FileName(const QString& appName);
};
