#pragma once

#include <QString>

// The export dialog's stored options. Each format's options page declares its own keys (with
// ExportOptionsPage::bind), in the order they are read; the names and the values stay those
// the users' settings files hold. The target names and the XML field choice are kept per
// exported caption in "Export\<name>" (the caption made a valid file name), everything else
// in "Export", shared by all captions.
class ExportSettings
{
public:
    enum class Scope { Shared, PerCaption };

    struct Entry
    {
        QString key;
        Scope scope = Scope::Shared;
        // "{folder}", "{name}", "{caption}" and "{ext}" stand for the default folder, the
        // export name, the caption and the workbook extension.
        QString defaultValue;
    };

    // The caption with every character a file name cannot hold ("\" and "/" included) as "_".
    static QString ExportName(const QString& caption);
    // The folder the default target names lie in: the user's documents folder, or the home
    // folder when there is no documents folder.
    static QString DefaultFolder();
    // "Export", or "Export\" and the export name.
    static QString Section(const Entry& entry, const QString& exportName);
    static QString DefaultValue(const Entry& entry, const QString& exportName, const QString& caption);

    static QString Read(const Entry& entry, const QString& caption);
    static void Write(const Entry& entry, const QString& caption, const QString& value);
    // A connection string ("key=value" pairs joined by ";", a value in braces may hold ";")
    // without its "PWD" and "Password" pairs; any other text as it is.
    static QString WithoutPassword(const QString& text);
};
