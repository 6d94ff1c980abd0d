#pragma once

#include "CatalogueListPane.h"
#include "QueryExtraTables.h"

#include <QHash>
#include <QSet>

// The query window's table list "TabellenListe": one row per table the server offers through
// the window's query, with the catalogue columns the user chose, and the extra tables the user
// added by name behind the tables of their database. The extra tables are remembered per
// database in "ViewerConfig.ini" (QueryExtraTables).
//
// A double click on a row asks the window to make it its table (tableChosen); Enter comes the
// same way through the window's keys. The context menu is the main window's "TabListeMenue",
// with the entries about the window's table on only for the row of that table.
class TableListPane : public CatalogueListPane
{
    Q_OBJECT

public:
    // Message base of the column captions.
    static constexpr qint32 CaptionBase = 1500;

    explicit TableListPane(QueryContext* context, QWidget* parent = nullptr);

    // Reads the server's table list into the list, each database's extra tables behind its
    // group rows; true when the list has rows. A refused request is told in a message box.
    bool fill();
    // One row for a catalogue record, at the end (index < 1) or at row index (from 1).
    QTreeWidgetItem* addTableListItems(const QStringList& record,
                                       const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData, bool isExtra,
                                       int index, bool select);
    // Appends the stored extra tables of a database. A stored table that the server lists
    // itself gets no second row; its name stays in the stored list.
    void loadExtraTables(const QString& databaseNr);
    enum class Fetched {
        Refused,      // told in a message box; nothing added
        AlreadyShown, // every table answered has a row already (selected when asked to)
        Added,
    };
    // Asks the server for the catalogue records of the comma-separated tables and adds them as
    // extra tables at index, each table the list does not show yet (a row of its own, apart
    // from the row keep, counts as shown).
    Fetched fetchTableMetaData(const QString& tableList, int index, bool select, const QTreeWidgetItem* keep = nullptr);

    bool isExtraTable(const QString& tableName) const { return m_extraTables.isExtraTable(tableName); }
    void addExtraTable();
    void changeTableName();
    void removeExtraTable();
    // Writes the extra tables to the configuration file; one that cannot be written is told,
    // the same trouble once.
    void saveExtraTables();

    // The column chooser over the list's columns; true on OK (the window then refills).
    bool chooseColumns();
    // Sorts by a column (the same column again reverses) and tells the main window.
    void resort(int column);
    void sortByColumn(int column) override { resort(column); }

    // The row whose table record holds id in field 3, or null.
    QTreeWidgetItem* rowOfTableId(const QString& id) const;

Q_SIGNALS:
    // The user chose the selected row's table (a double click on it).
    void tableChosen();

protected:
    void showContextMenu(const QPoint& globalPos) override;

private:
    // The rows by case-folded name (the first of a name), row keep aside.
    QHash<QString, QTreeWidgetItem*> rowsByName(const QTreeWidgetItem* keep) const;
    // Whether the server's own table list holds a table of that name or id.
    bool serverLists(const QString& nameOrId) const;

    QueryExtraTables m_extraTables;
    QString m_saveTroubleTold;
    // Lower-cased names and ids of the tables of the server's own list, as last filled.
    QSet<QString> m_serverNames;
    QSet<QString> m_serverIds;
};
