#pragma once

#include <QString>
#include <QStringList>

// The per-user settings store: one INI file per application name under the organisation
// "KLV". Sections are paths with "\" between the levels; sections and keys are found without
// regard to case, and a value written to a key that exists in another case goes to that key.
//
// A file that cannot be read reads as empty (every key its default) and is never written: what
// the program knows of it is less than it holds. A file that cannot be read or written is noted
// (FileTrouble) with the system's reason, for the main window to tell; the store itself shows
// nothing.
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
    // False when the application's settings file is there but cannot be read (noted then).
    static bool Readable(const QString& appName);
};
