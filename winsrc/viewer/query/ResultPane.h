#pragma once

#include <QPoint>
#include <QWidget>

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

    // Sorts the rows by a column; the same column again reverses the order.
    void resort(int column);

Q_SIGNALS:
    // A double click on a row.
    void rowActivated();
    // The list has no rows any more after rows or columns went (a new run, another table, a
    // saved query loaded).
    void rowsCleared();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showContextMenu(const QPoint& globalPos);
    void startRowDrag();

    QueryContext* m_context;
    ResultListView* m_view;
    ResultFill* m_fill;
    QPoint m_dragStart;
    bool m_dragArmed = false;
};
