#pragma once

#include "ListViewColumnProperty.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QTreeWidget>

class KLVQueryFieldMetaData;
class QMenu;
class QueryContext;

// What the query window's two catalogue lists (the table list and the field list) have in
// common: one row per catalogue record, with the record in the row's tag; the columns the
// user chose, kept in a column array with the list's settings; a header that sorts on a
// click; a first column as wide as its texts unless a width is stored for it;
// and a context menu that the right mouse button, the Menu key and Shift+F10 open alike.
class CatalogueListPane : public QTreeWidget
{
    Q_OBJECT

public:
    // The role of a row's tag (the catalogue record joined by TAB).
    static int tagRole();

    CatalogueListPane(QueryContext* context, const QString& objectName, const QString& tag, qint32 messageBase,
                      int columnCount, QWidget* parent = nullptr);

    ListViewColumnArray& columns() { return m_columns; }
    const ListViewColumnArray& columns() const { return m_columns; }

    // The column layout as stored in the window's section (widths, visibility), and back.
    void restoreColumnLayout(const QString& section);
    void saveColumnLayout(const QString& section);
    // Rebuilds the headers from the column array and the answer's field metadata; the
    // captions also go to the main window's menu of that name (when there is one).
    void buildColumns(const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData, const QString& captionMenu);
    // Copies the shown widths into the column array (before the column chooser).
    void storeColumnWidths();

    // The selected row (the current one when it is selected), or null.
    QTreeWidgetItem* selectedRow() const;
    static QString rowTag(const QTreeWidgetItem* item);
    QStringList rowTexts() const;

    // Sorts by a clicked header's column; each list says how and tells the main window.
    virtual void sortByColumn(int column) = 0;

protected:
    // Opens the list's context menu at globalPos (a mouse event's place, or below the current
    // row for the keyboard).
    virtual void showContextMenu(const QPoint& globalPos) = 0;
    // After the first fill: the first column as wide as its texts, unless a width is stored
    // for it.
    void fitFirstColumn();

    QueryContext* m_context;

private:
    ListViewColumnArray m_columns;
    qint32 m_messageBase;
    bool m_firstWidthGiven = false;
};
