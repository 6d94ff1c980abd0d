#pragma once

#include "ListViewColumnProperty.h"
#include "ResultListModel.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTableView>

class KLVQueryFieldMetaData;

// A result list: a table view in the shape of a report list (whole rows selected, one at a
// time, no grid, no row numbers, columns the user can drag) over a ResultListModel of its
// own. The shell's list helpers work on it as on any list view: SortListViewByColumn sorts
// through the model, CopyListViewToClipboard and the layout store read its header keys
// (LayoutStore::ColumnKeyRole) and widths. The header's sort indicator shows the order the
// rows are in: a click leaves it to SortListViewByColumn, Qt does not turn it on its own.
// A column sorts by the data type of its field (ResultListModel::setColumnDataType): the
// fill sets it from the query's field descriptions.
//
// Columns are named by their index (the order in which they were added, which is the field
// order of a run); their position is where the user sees them. Widths are in twips. Rows
// are counted in the order shown, from 0, except in GetResultField.
//
// As the query window uses it:
//   view->addColumn(fieldKey, queryFieldName, caption, widthTwips);   // -1 past 300 columns
//   view->clearRows();                                // before a run: rows gone, sorting off
//   ResultFill fill(view);  fill.run(query, view->columnCount(), progress);   // see ResultFill.h
//   connect(view->horizontalHeader(), &QHeaderView::sectionClicked, ...SortListViewByColumn);
//   view->selectedRow(), view->selectedRowTag(), view->rowTexts(row)   // drag and hand-off
//   view->GetResultField(row, key)                                    // export of shown rows
class ResultListView : public QTableView
{
    Q_OBJECT

public:
    explicit ResultListView(QWidget* parent = nullptr);
    ~ResultListView() override;

    ResultListModel* resultModel() const { return m_model; }

    // --- Columns.
    int columnCount() const { return m_model->columnCount(); }
    // Adds a column at the end and shows it at the last position; -1 when
    // ResultListModel::MaxColumns columns stand.
    int addColumn(const QString& key, const QString& tag, const QString& caption, int widthTwips);
    void removeColumn(int column);
    void removeAllColumns();
    int columnOfKey(const QString& key) const { return m_model->columnOfKey(key); }
    int columnOfTag(const QString& tag) const { return m_model->columnOfTag(tag); }
    QString columnKey(int column) const { return m_model->columnKey(column); }
    QString columnTag(int column) const { return m_model->columnTag(column); }
    QString columnCaption(int column) const { return m_model->columnCaption(column); }
    void setColumnCaption(int column, const QString& caption) { m_model->setColumnCaption(column, caption); }
    int columnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, int widthTwips);
    // Display position (from 0) of a column, and the column at a position; -1 when none.
    int columnPosition(int column) const;
    int columnAtPosition(int position) const;
    void moveColumnToPosition(int column, int position);

    // Headers from a column array as the catalogue lists build theirs: entry i, when
    // visible, becomes a column with key "K" & i, its caption (the field's description when
    // it has none) and its width, right-aligned for number fields except the first; the
    // current widths go back into the array first, and the first entry is always shown.
    void buildListViewColumns(qint32 messageBase, ListViewColumnArray& columns,
                              const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData);

    // --- Rows.
    int rowCount() const { return m_model->rowCount(); }
    // Removes every row and switches the list's sorting off; columns stay.
    void clearRows();
    // The selected row, -1 when none is.
    int selectedRow() const;
    void selectRow(int row);
    QString selectedRowTag() const { return m_model->rowTag(selectedRow()); }
    QString rowTag(int row) const { return m_model->rowTag(row); }
    // The row's cells in column index order; empty for a row that is not there.
    QStringList rowTexts(int row) const { return m_model->rowTexts(row); }
    QString cellText(int row, int column) const { return m_model->cellText(row, column); }
    // The cell of the column with that key in row number row, counted from 1 in the order
    // shown; empty for a key no column has or a row outside the list.
    Q_INVOKABLE QString GetResultField(int row, const QString& key) const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitRowHeight();

    ResultListModel* m_model;
};
