#include "ResultListView.h"

#include "KLVQueryFieldMetaData.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "Twips.h"

#include "KLVTools.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// The result list's column header. A click on a section turns Qt's sort indicator round
// before the header reports the click; the list sorts through SortListViewByColumn, which
// reads the indicator as the order the rows are in and turns it itself. So the indicator
// is put back before the click is reported: it only ever shows the order the rows are in.
class ResultListHeader : public QHeaderView
{
public:
    explicit ResultListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
    {
        setSectionsClickable(true);
        // Connected first, so it runs before anyone else hears of the click.
        connect(this, &QHeaderView::sectionClicked, this, [this] {
            if (!m_releasing)
                return;
            m_releasing = false;
            if (sortIndicatorSection() != m_section || sortIndicatorOrder() != m_order)
                setSortIndicator(m_section, m_order);
        });
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        m_section = sortIndicatorSection();
        m_order = sortIndicatorOrder();
        m_releasing = true;
        QHeaderView::mouseReleaseEvent(event);
        m_releasing = false;
    }

private:
    bool m_releasing = false;
    int m_section = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace

ResultListView::ResultListView(QWidget* parent) : QTableView(parent), m_model(new ResultListModel(this))
{
    setHorizontalHeader(new ResultListHeader(this));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false); // a click on a header goes to SortListViewByColumn
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // Every row has the same height, so a million of them cost the header no measuring.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    fitRowHeight();

    QHeaderView* columns = horizontalHeader();
    columns->setSectionsMovable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setMinimumSectionSize(0);
    columns->setSortIndicatorShown(false);

    // A long sort runs in a worker thread; the list shows it is busy meanwhile.
    connect(m_model, &ResultListModel::sortRunning, this, [this](bool running) {
        if (running)
            viewport()->setCursor(Qt::BusyCursor);
        else
            viewport()->unsetCursor();
    });
}

ResultListView::~ResultListView() = default;

void ResultListView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    // The window's fonts are applied after the list was made.
    if (event->type() == QEvent::FontChange)
        fitRowHeight();
}

void ResultListView::fitRowHeight()
{
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

int ResultListView::addColumn(const QString& key, const QString& tag, const QString& caption, int widthTwips)
{
    const int column = m_model->appendColumn(key, tag, caption);
    if (column < 0)
        return -1;
    // A new section may come in front of columns the user moved; it belongs at the end.
    QHeaderView* header = horizontalHeader();
    header->moveSection(header->visualIndex(column), header->count() - 1);
    setColumnWidthTwips(column, widthTwips);
    return column;
}

void ResultListView::removeColumn(int column)
{
    if (column >= 0 && column < columnCount())
        m_model->removeColumns(column, 1);
}

void ResultListView::removeAllColumns()
{
    m_model->removeAllColumns();
}

int ResultListView::columnWidthTwips(int column) const
{
    if (column < 0 || column >= columnCount())
        return 0;
    return int(std::lround(Twips::fromPixelsX(horizontalHeader()->sectionSize(column))));
}

void ResultListView::setColumnWidthTwips(int column, int widthTwips)
{
    if (column >= 0 && column < columnCount())
        horizontalHeader()->resizeSection(column, std::max(0, Twips::toPixelsX(widthTwips)));
}

int ResultListView::columnPosition(int column) const
{
    if (column < 0 || column >= columnCount())
        return -1;
    return horizontalHeader()->visualIndex(column);
}

int ResultListView::columnAtPosition(int position) const
{
    if (position < 0 || position >= columnCount())
        return -1;
    return horizontalHeader()->logicalIndex(position);
}

void ResultListView::moveColumnToPosition(int column, int position)
{
    if (column < 0 || column >= columnCount())
        return;
    position = std::clamp(position, 0, columnCount() - 1);
    QHeaderView* header = horizontalHeader();
    header->moveSection(header->visualIndex(column), position);
}

void ResultListView::buildListViewColumns(qint32 messageBase, ListViewColumnArray& columns,
                                          const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData)
{
    LayoutStore::StoreListViewColumnWidths(this, columns);
    if (fieldMetaData.size() > columns.size()) {
        columns.resize(fieldMetaData.size());
        LayoutStore::InitListViewColumnProps(messageBase, columns);
    }
    if (!columns.isEmpty())
        columns[0].Visible = true;

    removeAllColumns();
    for (qsizetype i = 1; i <= columns.size(); ++i) {
        ListViewColumnProperty& entry = columns[i - 1];
        if (!entry.Visible)
            continue;
        if (!entry.FieldMetaData && i <= fieldMetaData.size())
            entry.FieldMetaData = fieldMetaData[i - 1];
        if (entry.Descr.isEmpty() && entry.FieldMetaData)
            entry.Descr = entry.FieldMetaData->Description();
        const int column = addColumn(u"K"_s + QString::number(i), QString(), entry.Descr, entry.Width);
        if (column < 0)
            break;
        if (!entry.WidthGiven)
            ListViewHelpers::SetDefaultColumnWidth(this, column, Twips::toPixelsX(entry.Width));
        if (i >= 2 && entry.FieldMetaData && LayoutStore::IsNumericFieldType(entry.FieldMetaData->ERPType()))
            m_model->setColumnAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        if (entry.FieldMetaData)
            m_model->setColumnDataType(column, KLVTools::DataTypeOf(entry.FieldMetaData->ERPType()));
    }
}

void ResultListView::clearRows()
{
    m_model->clearRows();
    setProperty("Sorted", false);
    horizontalHeader()->setSortIndicatorShown(false);
}

int ResultListView::selectedRow() const
{
    const QItemSelectionModel* selection = selectionModel();
    if (!selection)
        return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ResultListView::selectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    QTableView::selectRow(row);
}

QString ResultListView::GetResultField(int row, const QString& key) const
{
    const int column = columnOfKey(key);
    if (column < 0)
        return QString();
    return m_model->cellText(row - 1, column);
}
