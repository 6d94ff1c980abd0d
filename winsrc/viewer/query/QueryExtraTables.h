#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The tables a query window shows beyond the server's plain table list, given by name by
// the user and remembered per database in the section "ExtraTables" of "ViewerConfig.ini":
// one key per database number, its value the names of that database's extra tables in the
// order the table list shows them, joined by "," (an empty value once none is left).
//
// The registry holds the databases that have or had an extra table in this window, in the
// order they came, and for every extra table its database. Names are found without regard
// to case, as the table names the user types are.
class QueryExtraTables
{
public:
    static constexpr const char16_t* Section = u"ExtraTables";

    void clear();

    // A database whose key is written; a number is kept in its decimal form, once.
    void addDatabase(const QString& db);
    QStringList databases() const { return m_databases; }

    // Registers an extra table under its database; a name already registered keeps its entry.
    void registerTable(const QString& name, const QString& db);
    void unregister(const QString& name);
    // A stored name of a database that the server's own list shows already (by its name or
    // its id): it gets no row of its own, but stays in the database's stored list.
    void keepListed(const QString& db, const QString& name);
    // The old name's database goes to the new name, unless the new name has one already; the
    // old name stays registered while a row of the table list (rowTexts) still shows it.
    void rename(const QString& oldName, const QString& newName, const QStringList& rowTexts);
    bool isExtraTable(const QString& name) const;
    QString databaseOf(const QString& name) const;

    // What SaveExtraTables writes: for every database, in order, the extra tables among the
    // table list's rows (in row order) and then its kept names (keepListed), each once, joined
    // by ",".
    QList<QPair<QString, QString>> entries(const QStringList& rowTexts) const;
    // Writes every database's entry; the other keys and sections of the file stay. An entry
    // that cannot be stored does not keep the others from being written; false, with the
    // reason in errorText, when one could not, or the file could not be read or written (a
    // file that could not be read is not written at all).
    bool save(const QString& file, const QStringList& rowTexts, QString* errorText = nullptr) const;
    // The stored list of one database, trimmed ("" when there is none).
    static QString load(const QString& file, const QString& db);

    static QString normalizedDb(const QString& db);
    // The names of a comma-separated list: blanks around each taken off, empty ones left
    // out, each name once (its first spelling).
    static QStringList SplitNames(const QString& list);

private:
    QStringList m_databases;
    QHash<QString, QString> m_dbByName;   // lower-cased name -> database
    QHash<QString, QStringList> m_listed; // database -> kept names the server lists
};
