#pragma once

#include <QList>
#include <QString>

// The export dialog's stored options, one table: each key with its section, the dialog
// control it fills, its default and the export kind it belongs to. The target names and the
// XML field choice are kept per exported caption in "Export\<name>" (the caption made a
// valid file name), everything else in "Export", shared by all captions. All keys of a kind
// are read when the dialog opens for that kind and written when an export of it starts.
class ExportSettings
{
public:
    enum class Scope { Shared, PerCaption };
    enum class Control {
        CheckBox, // stored "0" or "1"
        Text,     // a text box, stored as its text
        Combo,    // a combo box, stored as the selected entry's text
        Member    // no control: a value the dialog keeps itself
    };

    struct Entry
    {
        QString key;
        Scope scope;
        QString control;
        Control kind;
        // "{folder}", "{name}", "{caption}" and "{ext}" stand for the default folder, the
        // export name, the caption and the workbook extension.
        QString defaultValue;
        int exportType;
    };

    static const QList<Entry>& Entries();
    // The entries of one export kind, in the table's order.
    static QList<Entry> EntriesOf(int exportType);

    // The caption with every character a file name cannot hold ("\" and "/" included) as "_".
    static QString ExportName(const QString& caption);
    // The folder the default target names lie in: the user's documents folder, or the home
    // folder when there is no documents folder.
    static QString DefaultFolder();
    // "Export", or "Export\" and the export name.
    static QString Section(const Entry& entry, const QString& exportName);
    static QString DefaultValue(const Entry& entry, const QString& exportName, const QString& caption);

    static QString Read(const Entry& entry, const QString& exportName, const QString& caption);
    // An ODBC connection string in "ExportDBName" is stored without its password.
    static void Write(const Entry& entry, const QString& exportName, const QString& value);
    // A connection string ("key=value" pairs joined by ";", a value in braces may hold ";")
    // without its "PWD" and "Password" pairs; any other text as it is.
    static QString WithoutPassword(const QString& text);
};
