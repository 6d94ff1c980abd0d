#pragma once

#include <QPoint>
#include <QWidget>

class FieldListPane;
class QTreeWidgetItem;
class QueryContext;
class ResultFill;
class ResultListView;

// The query window's result pane: the result list "DatenListe" (a ResultListView) and the
// reading of a run's records into it (ResultFill). A click on a header sorts the rows by that
// column, ascending and then descending; a double click on a row asks the window to open its
// record (rowActivated); the context menu is the main window's "DatenlisteMenue", or the
// message to open a table first while the window has none.
//
// A row pulled out of the list carries the ERP GUI client's drag data of its record.
class ResultPane : public QWidget
{
    Q_OBJECT

public:
    explicit ResultPane(QueryContext* context, QWidget* parent = nullptr);

    ResultListView* view() const { return m_view; }
    ResultFill* fill() const { return m_fill; }

    // Width in twips of a result column added without one.
    static constexpr int DefaultColumnWidth = 1440;

    // Sorts the rows by a column; the same column again reverses the order.
    void resort(int column);

    // The result columns, as the fields of the field list they show (a column's tag is the
    // field's query field name, its key the field-list row's key).
    // Their query field names in the order they were added, joined by ",".
    QString fieldList() const;
    // Their names and widths (twips) in the order shown, each joined by ","; both empty
    // without columns.
    void currentFieldList(QString& fields, QString& widths) const;
    // Adds a column for the field-list row; a width below 1 becomes the default.
    void insertColumn(QTreeWidgetItem* fieldRow, int& widthTwips);
    // The columns follow the checked fields (every field when none is checked): false, the
    // columns untouched, when that would be more than most.
    bool followCheckedFields(const FieldListPane* fields, int most);
    // Captions by the column-header setting: the field's description or its name.
    void updateCaptions(const FieldListPane* fields);
    // The columns of the checked fields in the field list's order.
    void orderLikeFields(const FieldListPane* fields);

Q_SIGNALS:
    // A double click on a row.
    void rowActivated();
    // The list has no rows any more after rows or columns went (a new run, another table, a
    // saved query loaded).
    void rowsCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString columnCaption(const QTreeWidgetItem* fieldRow);
    void showContextMenu(const QPoint& globalPos);
    void startRowDrag();

    QueryContext* m_context;
    ResultListView* m_view;
    ResultFill* m_fill;
    QPoint m_dragStart;
    bool m_dragArmed = false;
};
