#pragma once

#include "KLVEnums.h"
#include "ListViewColumnProperty.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <qnamespace.h>

#include <functional>

class KLVQuery;
class QAbstractItemView;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// List views of the viewer: filled from a running query, sorted by a clicked column, copied
// to the clipboard as text. Filling works on a QTreeWidget; sorting and copying also on a
// QTableView over a model of our own (its model sorts itself, and answers the cell texts).
// Every list sorts a column as its field type asks (ValueSort): numbers by value, dates by
// the calendar, texts as people read them; a QTreeWidget's column keeps its field type in the
// header's data under DataTypeRole (a column without one is text).
//
// The sort state lives in the view's dynamic properties "Sorted" (bool), "SortKey" (int) and
// "SortOrder" (Qt::SortOrder as int); the header's sort indicator only shows it. Qt moves the
// indicator itself when a clickable header is clicked, before sectionClicked arrives, so the
// indicator cannot be the memory of the last sort. The views keep Qt's own sorting off: a
// click on a header goes to SortListViewByColumn instead (ConnectHeaderSorting).
class ListViewHelpers
{
public:
    // The row's tag (a QTreeWidgetItem's data in column 0).
    static constexpr int RowTagRole = Qt::UserRole + 2;
    // The field type (KLVActiveX::KLV_DataType) of a QTreeWidget's column, in its header item.
    static constexpr int DataTypeRole = Qt::UserRole + 4;
    // How many rows pass between two progress updates.
    static constexpr int ProgressStep = 100;

    static void FillListViewFromQuery(const QSharedPointer<KLVQuery>& query, QTreeWidget* view,
                                      ListViewColumnArray& columns, QProgressBar* progressBar, qint32 tagField);

    // The rows a list gets while an answer is read, added to its end in batches as large as the
    // list already is (ProgressStep at least), the last batch by flush() or at the end. A
    // QTreeView lays out all its rows anew after an insertion once the event loop runs, which it
    // does while the next block of records is awaited: rows added one by one, or a block at a
    // time, make that work grow with the square of the answer. Rows held when the list has gone
    // are deleted.
    class RowBatch
    {
    public:
        explicit RowBatch(QTreeWidget* view);
        ~RowBatch();
        RowBatch(const RowBatch&) = delete;
        RowBatch& operator=(const RowBatch&) = delete;

        void add(QTreeWidgetItem* item);
        void flush();

    private:
        QPointer<QTreeWidget> m_view;
        QList<QTreeWidgetItem*> m_items;
    };

    // Sorts by the column (0 = the first); the same column again reverses the order.
    static void SortListViewByColumn(QAbstractItemView* view, int sortKey);
    // Makes the view's header clickable and sends each click on a section to onClick, or to
    // SortListViewByColumn when none is given. The list keeps its horizontal scroll through
    // the click, so the column clicked stays where the user sees it.
    static void ConnectHeaderSorting(QAbstractItemView* view, std::function<void(int section)> onClick = {});
    // Sets the sort state without a click (for lists that keep themselves sorted) and sorts.
    static void SetListViewSorting(QAbstractItemView* view, bool sorted, int sortKey, Qt::SortOrder order);
    // Sorts again by the current state, after rows were added (nothing when not sorted).
    static void ApplyListViewSorting(QAbstractItemView* view);

    // Default column widths. A column the program sizes by its design (a width in pixels at
    // the program's default font, FontSettings::DefaultFont) is made as much wider or narrower
    // as the list's font is, and never narrower than its header needs to show its text whole.
    // It follows a later change of the list's font or of its header's text as long as it keeps
    // that width; a width the user drags, or a stored one put on it, stays as it is.
    static void SetDefaultColumnWidth(QAbstractItemView* view, int column, int designedPixels);
    // Every column's present width taken as its design.
    static void SetDefaultColumnWidths(QAbstractItemView* view);
    // Whether the column still has its default width.
    static bool HasDefaultWidth(const QAbstractItemView* view, int column);
    // The width the column's header needs to show its text whole, with the room of the sort
    // indicator where a click on it sorts.
    static int HeaderTextWidth(const QAbstractItemView* view, int column);
    // Sets the view's header up as every list of the program has it: a text too long for its
    // column is cut with an ellipsis at its end (whatever its alignment; Qt cuts it off at the
    // side it is not aligned to). Done by the other helpers for the views they are given.
    static void PrepareHeader(QAbstractItemView* view);

    // The field type a column sorts by.
    static void SetColumnDataType(QTreeWidget* view, int column, KLVActiveX::KLV_DataType type);
    static KLVActiveX::KLV_DataType ColumnDataType(const QTreeWidget* view, int column);

    // colour is an RGB value as the Windows program writes it: red in the lowest byte. It was
    // chosen for a white list: on a list of another background it keeps the contrast it has
    // on white (ReadableColour::Designed).
    static void SetListItemFormat(QTreeWidgetItem* item, qint32 colour, bool bold);

    // The text CopyListViewToClipboard puts on the clipboard: the headers of the columns shown,
    // then every row in the list's order, cells joined by TAB, each line ended by CR LF. A line break inside a
    // cell (CR LF, CR or LF) becomes one "#", a TAB a blank, so the table keeps its shape.
    static QString ListViewText(const QAbstractItemView* view);
    // Puts ListViewText on the clipboard when control is a list view (a tree or table view).
    static void CopyListViewToClipboard(QWidget* control);
};
