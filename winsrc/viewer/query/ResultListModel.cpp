#include "ResultListModel.h"

#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "ResultListSorter.h"

#include <QEventLoop>
#include <QLocale>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

struct ResultListModel::SortJob
{
    std::thread thread;
    std::atomic<bool> cancel{false};
    ResultListSorter::Result result;
};

ResultListModel::ResultListModel(QObject* parent) : QAbstractTableModel(parent) {}

ResultListModel::~ResultListModel()
{
    // The worker reads the rows: it ends before they go.
    stopSortJob();
}

int ResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(int(m_columns[index.column()].alignment));
    case ListViewHelpers::RowTagRole:
        return rowTag(index.row());
    default:
        return QVariant();
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QVariant();
    const Column& column = m_columns[section];
    switch (role) {
    case Qt::DisplayRole:
        return column.caption;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(int(column.alignment));
    case LayoutStore::ColumnKeyRole:
        return column.key;
    case ColumnTagRole:
        return column.tag;
    default:
        return QVariant();
    }
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// ---------------------------------------------------------------------------------------------
// Columns

int ResultListModel::appendColumn(const QString& key, const QString& tag, const QString& caption)
{
    if (m_columns.size() >= MaxColumns)
        return -1;
    const int column = int(m_columns.size());
    beginInsertColumns(QModelIndex(), column, column);
    // A slot no stored row has: the new column starts empty.
    const int slot = std::max(m_nextSlot, m_widestRow);
    m_columns.append(Column{key, tag, caption, slot});
    m_nextSlot = slot + 1;
    endInsertColumns();
    return column;
}

bool ResultListModel::removeColumns(int column, int count, const QModelIndex& parent)
{
    if (parent.isValid() || column < 0 || count < 1 || column + count > columnCount())
        return false;
    beginRemoveColumns(QModelIndex(), column, column + count - 1);
    m_columns.remove(column, count);
    m_runsValid = false;
    if (m_rows.isEmpty())
        compactSlots();
    endRemoveColumns();
    return true;
}

void ResultListModel::removeAllColumns()
{
    if (!m_columns.isEmpty())
        removeColumns(0, columnCount());
}

void ResultListModel::setColumnCaption(int column, const QString& caption)
{
    if (column < 0 || column >= columnCount())
        return;
    m_columns[column].caption = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void ResultListModel::setColumnAlignment(int column, Qt::Alignment alignment)
{
    if (column < 0 || column >= columnCount())
        return;
    m_columns[column].alignment = alignment;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

void ResultListModel::setColumnDataType(int column, KLVActiveX::KLV_DataType type)
{
    if (column < 0 || column >= columnCount() || m_columns[column].dataType == type)
        return;
    m_columns[column].dataType = type;
    // Sorted by the old type, the rows are no longer known to be in this column's order.
    if (m_columns[column].slot == m_sortSlot)
        m_runsValid = false;
}

KLVActiveX::KLV_DataType ResultListModel::columnDataType(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].dataType : KLVActiveX::klvString;
}

QString ResultListModel::columnKey(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].key : QString();
}

QString ResultListModel::columnTag(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].tag : QString();
}

QString ResultListModel::columnCaption(int column) const
{
    return column >= 0 && column < columnCount() ? m_columns[column].caption : QString();
}

int ResultListModel::columnOfKey(const QString& key) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (m_columns[c].key == key)
            return c;
    }
    return -1;
}

int ResultListModel::columnOfTag(const QString& tag) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (m_columns[c].tag == tag)
            return c;
    }
    return -1;
}

void ResultListModel::compactSlots()
{
    for (int c = 0; c < columnCount(); ++c)
        m_columns[c].slot = c;
    m_nextSlot = int(m_columns.size());
    m_widestRow = 0;
}

bool ResultListModel::slotsCompact() const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (m_columns[c].slot != c)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Rows

template <typename Value>
void ResultListModel::stageValues(const Value* fields, int fieldCount, int columnCount)
{
    stopSortJob();
    columnCount = std::clamp(columnCount, 0, int(m_columns.size()));
    int values = 0;
    if (slotsCompact() && fieldCount == columnCount + 1) {
        // The usual case: the record is stored as it came.
        m_rows.append(fields, columnCount + 1);
        values = columnCount + 1;
    } else {
        int width = 0;
        for (int c = 0; c < columnCount; ++c)
            width = std::max(width, m_columns[c].slot + 1);
        std::vector<Value> slots(size_t(width) + 1);
        for (int c = 0; c < columnCount && c < fieldCount; ++c)
            slots[size_t(m_columns[c].slot)] = fields[c];
        if (columnCount < fieldCount)
            slots[size_t(width)] = fields[columnCount];
        m_rows.append(slots.data(), int(slots.size()));
        values = int(slots.size());
    }
    m_widestRow = std::max(m_widestRow, values);
}

void ResultListModel::stageRecord(const QStringList& fields, int columnCount)
{
    stageValues(fields.constData(), int(fields.size()), columnCount);
}

void ResultListModel::stageRecord(const QByteArrayView* fields, int fieldCount, int columnCount)
{
    stageValues(fields, std::max(fieldCount, 0), columnCount);
}

int ResultListModel::commitRows()
{
    stopSortJob();
    const int first = int(m_order.size());
    const int last = m_rows.size() - 1;
    if (last < first)
        return 0;
    beginInsertRows(QModelIndex(), first, last);
    m_order.reserve(size_t(last) + 1);
    for (int r = first; r <= last; ++r)
        m_order.push_back(quint32(r));
    // The new rows stand unsorted behind the sorted ones.
    m_runsValid = false;
    endInsertRows();
    return last - first + 1;
}

void ResultListModel::clearRows()
{
    stopSortJob();
    m_pendingSort.reset();
    // Rows go one by one in the view's eyes, not by a reset: a reset would also forget the
    // columns' widths and positions.
    const int shown = rowCount();
    if (shown > 0)
        beginRemoveRows(QModelIndex(), 0, shown - 1);
    m_rows.clear();
    m_order.clear();
    m_order.shrink_to_fit();
    m_tieWithPrevious.clear();
    m_tieWithPrevious.shrink_to_fit();
    m_runsValid = false;
    m_sortSlot = -1;
    compactSlots();
    if (shown > 0)
        endRemoveRows();
}

int ResultListModel::storedRow(int row) const
{
    return row >= 0 && row < rowCount() ? int(m_order[size_t(row)]) : -1;
}

QString ResultListModel::slotValue(int stored, int slot) const
{
    // The last value of a stored row is its tag.
    return slot < m_rows.valueCount(stored) - 1 ? m_rows.value(stored, slot) : QString();
}

QString ResultListModel::cellText(int row, int column) const
{
    const int stored = storedRow(row);
    if (stored < 0 || column < 0 || column >= columnCount())
        return QString();
    return slotValue(stored, m_columns[column].slot);
}

QString ResultListModel::rowTag(int row) const
{
    const int stored = storedRow(row);
    if (stored < 0)
        return QString();
    const int n = m_rows.valueCount(stored);
    return n > 0 ? m_rows.value(stored, n - 1) : QString();
}

QStringList ResultListModel::rowTexts(int row) const
{
    QStringList texts;
    if (storedRow(row) < 0)
        return texts;
    texts.reserve(columnCount());
    for (int c = 0; c < columnCount(); ++c)
        texts.append(cellText(row, c));
    return texts;
}

// ---------------------------------------------------------------------------------------------
// Sorting

void ResultListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    if (m_job) {
        // Asked for while the rows are being sorted: done right after, the last one wins.
        m_pendingSort = SortRequest{column, order};
        return;
    }
    const int slot = m_columns[column].slot;
    const bool sameColumn = m_runsValid && slot == m_sortSlot;
    if (sameColumn && order == m_sortOrder)
        return;

    std::vector<quint32> sorted;
    std::vector<bool> ties;
    bool done = true;
    if (sameColumn) {
        reverseRuns(sorted, ties);
    } else {
        const QPointer<ResultListModel> self(this);
        done = fullSort(slot, m_columns[column].dataType, order, sorted, ties);
        if (!self)
            return;
    }
    if (done) {
        m_sortSlot = slot;
        m_sortOrder = order;
        m_runsValid = true;
        applyOrder(std::move(sorted), std::move(ties));
    }
    if (m_pendingSort) {
        const SortRequest next = *m_pendingSort;
        m_pendingSort.reset();
        sort(next.column, next.order);
    }
}

bool ResultListModel::fullSort(int slot, KLVActiveX::KLV_DataType type, Qt::SortOrder order,
                               std::vector<quint32>& sorted, std::vector<bool>& ties)
{
    // Texts compare as the collator of the program's locale has them, as in the other lists.
    const QLocale locale;
    auto sortHere = [&] {
        ResultListSorter::Result result = ResultListSorter::Sort(m_rows, m_order, slot, type, order, locale);
        sorted = std::move(result.order);
        ties = std::move(result.tieWithPrevious);
        return true;
    };
    if (int(m_order.size()) < m_backgroundRows)
        return sortHere();

    auto job = std::make_shared<SortJob>();
    QEventLoop loop;
    try {
        job->thread = std::thread([job, rows = &m_rows, shown = &m_order, slot, type, order, locale, &loop] {
            job->result = ResultListSorter::Sort(*rows, *shown, slot, type, order, locale, &job->cancel);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return sortHere(); // no thread to be had: the window waits instead
    }
    m_job = job;
    const QPointer<ResultListModel> self(this);
    Q_EMIT sortRunning(true);
    // The window paints meanwhile; the user's clicks and keys wait until the rows stand in
    // their new order.
    if (self && !job->cancel)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // Also when the loop was ended from outside (the program quits): the worker reads the
    // rows and posts to the loop, so it ends first.
    if (job->thread.joinable())
        job->thread.join();
    if (!self)
        return false;
    if (m_job == job)
        m_job.reset();
    Q_EMIT sortRunning(false);
    if (!self || job->cancel || job->result.cancelled)
        return false;
    sorted = std::move(job->result.order);
    ties = std::move(job->result.tieWithPrevious);
    return true;
}

void ResultListModel::stopSortJob()
{
    if (!m_job)
        return;
    // The sort that waits for it sees the job stopped and leaves the rows as they are.
    m_job->cancel = true;
    if (m_job->thread.joinable())
        m_job->thread.join();
    m_job.reset();
}

void ResultListModel::applyOrder(std::vector<quint32>&& sorted, std::vector<bool>&& ties)
{
    if (sorted.size() != m_order.size())
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Selected and current rows follow their records.
    const QModelIndexList persistent = persistentIndexList();
    std::vector<int> persistentStored;
    persistentStored.reserve(size_t(persistent.size()));
    for (const QModelIndex& i : persistent)
        persistentStored.push_back(storedRow(i.row()));

    m_order.swap(sorted);
    m_tieWithPrevious.swap(ties);

    if (!persistent.isEmpty()) {
        std::vector<int> shownAt(size_t(m_rows.size()), -1);
        for (size_t p = 0; p < m_order.size(); ++p)
            shownAt[m_order[p]] = int(p);
        QModelIndexList to;
        to.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i) {
            const int stored = persistentStored[size_t(i)];
            const int row = stored >= 0 ? shownAt[size_t(stored)] : -1;
            to.append(row >= 0 ? index(row, persistent[i].column()) : QModelIndex());
        }
        changePersistentIndexList(persistent, to);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultListModel::reverseRuns(std::vector<quint32>& reversed, std::vector<bool>& ties) const
{
    // A stable sort the other way round puts the groups of equal cells in reverse order and
    // keeps each group's own order: the same result without a comparison.
    const size_t n = m_order.size();
    reversed.clear();
    reversed.reserve(n);
    ties.assign(n, false);
    size_t end = n;
    while (end > 0) {
        size_t start = end - 1;
        while (start > 0 && m_tieWithPrevious[start])
            --start;
        for (size_t p = start; p < end; ++p) {
            ties[reversed.size()] = p != start;
            reversed.push_back(m_order[p]);
        }
        end = start;
    }
}
