#pragma once

#include "ResultListRows.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <vector>

// The model of a result list: columns with a key, a tag and a caption over rows kept raw in
// ResultListRows. A cell is decoded when the view asks for it; sorting permutes the order in
// which the stored rows are shown and never touches the rows themselves.
//
// A stored row holds the record's fields in the order of the run, then its tag (the record
// id) as its last value. Each column reads one value slot: while no rows are stored, column i
// reads slot i, so a run's fields land in the columns in index order. A column removed while
// rows are shown takes only its header away; a column added then shows empty cells.
//
// Rows arrive in two steps: stageRecord stores one, commitRows shows all that were staged
// (one beginInsertRows per block, not per row).
class ResultListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int MaxColumns = 300;
    // Header data: the column's tag, the query field name it shows. Its key is in
    // LayoutStore::ColumnKeyRole, and every cell answers its row's tag in
    // ListViewHelpers::RowTagRole.
    static constexpr int ColumnTagRole = Qt::UserRole + 5;

    explicit ResultListModel(QObject* parent = nullptr);
    ~ResultListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeColumns(int column, int count, const QModelIndex& parent = QModelIndex()) override;
    // Sorts the shown rows as text by the column, stable, case aside, as the list views of
    // the viewer compare. The same column in the other order reverses the groups of equal
    // cells without comparing again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // --- Columns (index order = the order they were added).
    // Adds a column at the end; -1 when MaxColumns columns stand.
    int appendColumn(const QString& key, const QString& tag, const QString& caption);
    void removeAllColumns();
    void setColumnCaption(int column, const QString& caption);
    void setColumnAlignment(int column, Qt::Alignment alignment);
    QString columnKey(int column) const;
    QString columnTag(int column) const;
    QString columnCaption(int column) const;
    // -1 when no column has it.
    int columnOfKey(const QString& key) const;
    int columnOfTag(const QString& tag) const;

    // --- Rows (row numbers are positions in the shown order, from 0).
    // Stores one record: fields[i] for column i (i < columnCount) and fields[columnCount] as
    // its tag; missing fields are empty. Shown from the next commitRows on.
    void stageRecord(const QStringList& fields, int columnCount);
    int stagedRows() const { return m_rows.size() - int(m_order.size()); }
    // Shows the staged rows at the end of the list; returns how many.
    int commitRows();
    void clearRows();

    QString cellText(int row, int column) const;
    QString rowTag(int row) const;
    // The row's cells in column index order.
    QStringList rowTexts(int row) const;
    // The stored row shown at position row, -1 outside the list.
    int storedRow(int row) const;
    const ResultListRows& rows() const { return m_rows; }
    // Set while a fill reads into the list, so that a second one is refused.
    bool isFilling() const { return m_filling; }
    void setFilling(bool filling) { m_filling = filling; }

private:
    struct Column
    {
        QString key;
        QString tag;
        QString caption;
        int slot = 0;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    };

    // Column i reads slot i again; only while no rows are stored.
    void compactSlots();
    bool slotsCompact() const;
    // The value of the slot in a stored row; the tag is not a slot.
    QString slotValue(int stored, int slot) const;
    void fullSort(int slot, Qt::SortOrder order);
    void reverseRuns();

    QList<Column> m_columns;
    int m_nextSlot = 0;
    int m_widestRow = 0; // most values of a stored row, tag included

    ResultListRows m_rows;
    std::vector<quint32> m_order;        // shown position -> stored row
    std::vector<bool> m_tieWithPrevious; // after a sort: the cell equals the one above
    bool m_runsValid = false;
    int m_sortSlot = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_filling = false;
};
