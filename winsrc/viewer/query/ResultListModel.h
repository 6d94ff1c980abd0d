#pragma once

#include "KLVEnums.h"
#include "ResultListRows.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
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
//
// A column sorts as its field's data type says (ResultListSorter): numbers and dates by
// value, the rest as text. A long list is sorted in a worker thread over the stored rows,
// which stay as they are meanwhile: sort() waits for it in a nested event loop that lets
// the window paint but holds back the user's input until the rows are in their new order.
// A change of the rows in that time (a clear, a new row) ends the sort unfinished; a second
// sort asked for in that time follows the first.
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
    // Sorts the shown rows by the column, stable: numbers and dates by value, other cells as
    // text, case aside, as the list views of the viewer compare. The same column in the other
    // order reverses the groups of equal cells without comparing again.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // Whether a sort is running in the worker thread (sort() waits for it).
    bool isSorting() const { return m_job != nullptr; }
    // Lists of at least this many rows are sorted in the worker thread; shorter ones at once.
    static constexpr int DefaultBackgroundRows = 20000;
    void setBackgroundSortRows(int rows) { m_backgroundRows = rows; }

    // --- Columns (index order = the order they were added).
    // Adds a column at the end; -1 when MaxColumns columns stand.
    int appendColumn(const QString& key, const QString& tag, const QString& caption);
    void removeAllColumns();
    void setColumnCaption(int column, const QString& caption);
    void setColumnAlignment(int column, Qt::Alignment alignment);
    // The data type of the column's field (KLVTools::DataTypeOf its ERP type); it decides how
    // the column sorts. Columns start as text (klvString).
    void setColumnDataType(int column, KLVActiveX::KLV_DataType type);
    KLVActiveX::KLV_DataType columnDataType(int column) const;
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
    // The same for a record's fieldCount fields as well-formed UTF-8 (ResultListRows::isUtf8),
    // stored as they are.
    void stageRecord(const QByteArrayView* fields, int fieldCount, int columnCount);
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

Q_SIGNALS:
    // A sort went to the worker thread (true), and it ended (false).
    void sortRunning(bool running);

private:
    struct SortJob;

    struct Column
    {
        QString key;
        QString tag;
        QString caption;
        int slot = 0;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        KLVActiveX::KLV_DataType dataType = KLVActiveX::klvString;
    };
    struct SortRequest
    {
        int column;
        Qt::SortOrder order;
    };

    // Stores the record's fields in the columns' slots, then its tag.
    template <typename Value>
    void stageValues(const Value* fields, int fieldCount, int columnCount);
    // Column i reads slot i again; only while no rows are stored.
    void compactSlots();
    bool slotsCompact() const;
    // The value of the slot in a stored row; the tag is not a slot.
    QString slotValue(int stored, int slot) const;
    // The new order of a full sort; false when it was stopped (or the model went) meanwhile.
    bool fullSort(int slot, KLVActiveX::KLV_DataType type, Qt::SortOrder order, std::vector<quint32>& sorted,
                  std::vector<bool>& ties);
    void reverseRuns(std::vector<quint32>& reversed, std::vector<bool>& ties) const;
    // Shows the rows in the new order; selected and current rows follow their records.
    void applyOrder(std::vector<quint32>&& sorted, std::vector<bool>&& ties);
    // Ends a sort running in the worker thread before the rows change.
    void stopSortJob();

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
    int m_backgroundRows = DefaultBackgroundRows;
    std::shared_ptr<SortJob> m_job;
    std::optional<SortRequest> m_pendingSort; // asked for while a sort ran
};
