#pragma once

#include <QString>
#include <QStringList>

// One saved query as its section of the table's INI file holds it: nine values, each a single
// line. The file has one section per saved query, named as the user named the query; values
// come back exactly as they were written (blanks and quotes included).
class SavedQuerySettings
{
public:
    QString Fields;      // result columns in display order: "0:name" / "1:name" (bare names are read too)
    QString FieldWidths; // their widths in twips, in the same order
    QString Krit;        // criteria
    QString ByRows;      // "1"/"0"
    QString AliveFlag;   // storage kind number
    QString Ascending;   // "1"/"0"
    QString Order;       // sort fields
    QString AndJunction; // "1"/"0"
    QString SortKey;     // key name

    // The keys in the order they are written.
    static const QStringList& KeyNames();

    // The most names a table's list of saved queries shows.
    static constexpr int MaxQueryNames = 1000;
    // The name that stands for "no saved query": listed when a table has none, never compared.
    static QString DefaultName();

    // A name can be a section of the file: not empty, no "[", "]" or line break, no blank at
    // either end. Other names would split or merge sections when the file is read again.
    static bool IsStorableName(const QString& name);

    // The file of a table in directory dir: the table name made file-safe, ".ini" appended
    // ("12:24" -> dir/12_24.ini). "" when dir or table is "": without either there is no file.
    static QString FileFor(const QString& dir, const QString& table);

    // Writes the nine keys into section name (other keys of the section stay). False, with
    // the reason in errorText, when the name cannot be stored or the file cannot be written;
    // the file is then unchanged.
    bool write(const QString& file, const QString& name, QString* errorText = nullptr) const;

    // Reads section name; every key the section lacks takes the value of defaults. A missing
    // file or section reads as defaults.
    static SavedQuerySettings read(const QString& file, const QString& name, const SavedQuerySettings& defaults);

    // The section names of the file, in file order, at most MaxQueryNames; the single name
    // DefaultName() when the file is missing or has no section.
    static QStringList QueryNames(const QString& file);

    // Removes the section; errors are ignored.
    static void remove(const QString& file, const QString& name);

    bool operator==(const SavedQuerySettings& other) const = default;
};
