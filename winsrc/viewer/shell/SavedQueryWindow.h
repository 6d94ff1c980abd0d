#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <qnamespace.h>

class QTreeWidgetItem;

// The saved-query storage's view of a query window. It knows the window only by the names
// every query window offers, so it works on any window that has them and does nothing where
// one is missing:
// - properties "AktTableName" (QString), "AktTableID" (QString, the table's numeric id, which
//   is also the reference of its selection template), "AktTableHasTable" (bool, the default
//   of "ByRows") and "AktQueryName" (QString);
// - controls by object name: "Kriterien", "Sortierung" (QLineEdit); "Schluessel" (QComboBox,
//   its first entry the default key); "Ablageart" (QComboBox, item data = the storage kind's
//   number); "ZeilenSelektion" (check box); "Aufsteigend"/"Absteigend" and
//   "UNDVerknuepfung"/"ODERVerknuepfung" (option buttons); "FeldListe" (QTreeWidget, each
//   row's key "name#0#S" in column 0 under RowKeyRole, checked = chosen); "DatenListe" (the
//   result list: a QTreeWidget, the query window's ResultListView, or a view whose model
//   removes rows and columns);
//   "StatusBar" (QStatusBar whose panels are QLabels named "Panel1", "Panel2", ...);
// - invokable members: GetCurrentFieldList(QString&, QString&),
//   SetAllFieldsSelection(int, int), LoadRohlingProperties(QString&),
//   InsertExtraFeld(QString, bool, int&, bool) -> int,
//   InsertDataColumn(QTreeWidgetItem*, int&), UpdateDataColumns() -> bool (or
//   UpdateDataColumns(bool)).
class SavedQueryWindow
{
public:
    // The role of a field-list row's key.
    static constexpr int RowKeyRole = Qt::UserRole + 3;

    explicit SavedQueryWindow(QWidget* window);

    QWidget* widget() const { return m_window; }
    bool isNull() const { return m_window.isNull(); }

    // Whether the window has a current table at all (the property "AktTableName"), empty or not.
    bool hasTableMember() const;
    QString tableName() const;
    QString tableId() const;
    bool hasTable() const;
    QString queryName() const;
    void setQueryName(const QString& name);

    // Selection controls.
    QString criteria() const;
    void setCriteria(const QString& text);
    QString order() const;
    void setOrder(const QString& text);
    QString sortKey() const;
    void setSortKey(const QString& text);
    QString firstSortKey() const;
    // The selected storage kind's number as text; "" when none is selected.
    QString aliveFlag() const;
    // Selects the first entry whose number is value, else the first entry.
    void selectAliveFlag(qint64 value);
    bool byRows() const;
    bool byRowsEnabled() const;
    void setByRows(bool on);
    bool ascending() const;
    void setAscending(bool on);
    bool andJunction() const;
    void setAndJunction(bool on);

    // The window's members.
    bool getCurrentFieldList(QString& fields, QString& widths) const;
    void setAllFieldsSelection(int scope, int action);
    void loadRohlingProperties(const QString& reference);
    void insertExtraFeld(const QString& name);
    void insertDataColumn(QTreeWidgetItem* item, int width);
    void updateDataColumns(bool byRows);

    // The field-list row with that key, or null.
    QTreeWidgetItem* fieldItem(const QString& key) const;
    void clearDataRows();
    void clearDataColumns();
    void setStatusPanel(int panel, const QString& text);

private:
    template <class T>
    T* control(const char16_t* name) const;

    QPointer<QWidget> m_window;
};
