#include "ListViewHelpers.h"

#include "AppContext.h"
#include "KLVQuery.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVQueryMetaData.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "NumberText.h"
#include "ValueSort.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The text a Boolean field shows: the server's word for its value. A value that is neither
// a number nor a plain true/false word is shown as it came.
QString booleanText(const QString& value)
{
    const QString v = value.trimmed();
    if (NumberText::isNumber(v))
        return NumberText::leadingValue(v) != 0.0 ? App().ErpTrueText : App().ErpFalseText;
    if (v.compare(u"true"_s, Qt::CaseInsensitive) == 0)
        return App().ErpTrueText;
    if (v.compare(u"false"_s, Qt::CaseInsensitive) == 0)
        return App().ErpFalseText;
    return value;
}

QString cellText(QString text)
{
    text.replace(u"\r\n"_s, u"#"_s);
    text.replace(u'\r', u'#');
    text.replace(u'\n', u'#');
    text.replace(u'\t', u' ');
    return text;
}

bool isListView(const QWidget* w)
{
    return qobject_cast<const QTreeView*>(w) || qobject_cast<const QTableView*>(w);
}

} // namespace

void ListViewHelpers::FillListViewFromQuery(const QSharedPointer<KLVQuery>& query, QTreeWidget* view,
                                            ListViewColumnArray& columns, QProgressBar* progressBar, qint32 tagField)
{
    if (!query || !view)
        return;
    QList<QSharedPointer<KLVQueryFieldMetaData>> metaData;
    if (const QSharedPointer<KLVQueryMetaData> md = query->GetQueryMetaData())
        metaData = md->GetFieldMetaDataArray();

    // The record total is the server's estimate: the bar grows when more records come.
    QPointer<QProgressBar> bar(progressBar);
    if (bar) {
        int total = query->GetRecordTotal();
        if (total < 1) {
            total = query->GetRecordCount();
            if (total > 0)
                bar->setMaximum(total);
        } else {
            bar->setMaximum(total);
        }
        bar->setVisible(true);
        bar->setValue(0);
    }

    // Per field: is it shown, and is it a Boolean.
    KLVTools tools;
    QList<bool> booleanField(metaData.size() + 1, false);
    for (qsizetype j = 1; j <= metaData.size(); ++j) {
        if (metaData[j - 1])
            booleanField[j] = tools.GetDataType(metaData[j - 1]->ERPType()) == klvBool;
    }
    QList<Qt::Alignment> alignment;
    for (int c = 0; c < view->columnCount(); ++c)
        alignment.append(Qt::Alignment(view->headerItem()->textAlignment(c)));

    // The view can go while the query waits for the next block of records.
    QPointer<QTreeWidget> guard(view);
    RowBatch rows(view);
    while (query->GetNextRecord()) {
        if (!guard)
            break;
        auto* item = new QTreeWidgetItem;
        item->setText(0, query->GetField(1));
        const QStringList fields = query->GetFields();
        const int fieldCount = query->GetFieldCount();
        int k = 1;
        for (int j = 2; j <= fieldCount; ++j) {
            if (j > columns.size() || !columns[j - 1].Visible || j > metaData.size())
                continue;
            const QString value = j - 1 < fields.size() ? fields[j - 1] : QString();
            item->setText(k, booleanField[j] ? booleanText(value) : value);
            if (k < alignment.size() && (alignment[k] & Qt::AlignRight))
                item->setTextAlignment(k, alignment[k]);
            ++k;
        }
        if (tagField > 0)
            item->setData(0, RowTagRole, query->GetField(tagField));
        rows.add(item);

        const int recordNumber = query->GetRecordNumber();
        if (bar && recordNumber % ProgressStep == 0) {
            if (recordNumber > bar->maximum())
                bar->setMaximum(recordNumber);
            bar->setValue(recordNumber);
        }
    }
    rows.flush();
    if (bar)
        bar->setVisible(false);
    if (!guard)
        return;
    ApplyListViewSorting(view);
    if (view->topLevelItemCount() > 0)
        view->setCurrentItem(view->topLevelItem(0));
}

ListViewHelpers::RowBatch::RowBatch(QTreeWidget* view) : m_view(view) {}

ListViewHelpers::RowBatch::~RowBatch()
{
    flush();
}

void ListViewHelpers::RowBatch::add(QTreeWidgetItem* item)
{
    m_items.append(item);
    if (!m_view || m_items.size() >= std::max(ProgressStep, m_view->topLevelItemCount()))
        flush();
}

void ListViewHelpers::RowBatch::flush()
{
    if (m_view && !m_items.isEmpty())
        m_view->addTopLevelItems(m_items);
    else
        qDeleteAll(m_items);
    m_items.clear();
}

void ListViewHelpers::SortListViewByColumn(QAbstractItemView* view, int sortKey)
{
    if (!view || !LayoutStore::HeaderOf(view))
        return;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (view->property("Sorted").toBool() && view->property("SortKey").toInt() == sortKey &&
        view->property("SortOrder").toInt() == Qt::AscendingOrder)
        order = Qt::DescendingOrder;
    SetListViewSorting(view, true, sortKey, order);
}

void ListViewHelpers::ConnectHeaderSorting(QAbstractItemView* view, std::function<void(int)> onClick)
{
    QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (!header)
        return;
    header->setSectionsClickable(true);
    if (!onClick)
        onClick = [view](int section) { SortListViewByColumn(view, section); };
    QObject::connect(header, &QHeaderView::sectionClicked, view, std::move(onClick));
}

void ListViewHelpers::SetListViewSorting(QAbstractItemView* view, bool sorted, int sortKey, Qt::SortOrder order)
{
    QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (!header)
        return;
    view->setProperty("Sorted", sorted);
    view->setProperty("SortKey", sortKey);
    view->setProperty("SortOrder", int(order));
    header->setSortIndicatorShown(sorted);
    header->setSortIndicator(sortKey, order);
    ApplyListViewSorting(view);
}

void ListViewHelpers::ApplyListViewSorting(QAbstractItemView* view)
{
    QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (!header || !view->property("Sorted").toBool())
        return;
    const int column = view->property("SortKey").toInt();
    const auto order = Qt::SortOrder(view->property("SortOrder").toInt());
    // The indicator shows the order the rows are in, whatever a click did to it.
    header->setSortIndicator(column, order);
    auto* tree = qobject_cast<QTreeWidget*>(view);
    if (!tree) {
        if (view->model())
            view->model()->sort(column, order);
        return;
    }
    // Each cell is read once; rows with equal cells keep their order.
    QTreeWidgetItem* current = tree->currentItem();
    const QList<QTreeWidgetItem*> selected = tree->selectedItems();
    QList<QTreeWidgetItem*> items = tree->invisibleRootItem()->takeChildren();
    std::vector<QByteArray> cells;
    cells.reserve(size_t(items.size()));
    for (const QTreeWidgetItem* item : std::as_const(items))
        cells.push_back(item->text(column).toUtf8());
    std::vector<quint32> shown(cells.size());
    std::iota(shown.begin(), shown.end(), 0u);
    const ValueSort::Result sorted = ValueSort::Sort([&cells](quint32 row) { return QByteArrayView(cells[row]); },
                                                     shown, ColumnDataType(tree, column), order, QLocale());
    QList<QTreeWidgetItem*> ordered;
    ordered.reserve(items.size());
    for (quint32 row : sorted.order)
        ordered.append(items[qsizetype(row)]);
    tree->addTopLevelItems(ordered);
    if (current)
        tree->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

void ListViewHelpers::SetColumnDataType(QTreeWidget* view, int column, KLVActiveX::KLV_DataType type)
{
    if (view && column >= 0)
        view->headerItem()->setData(column, DataTypeRole, int(type));
}

KLVActiveX::KLV_DataType ListViewHelpers::ColumnDataType(const QTreeWidget* view, int column)
{
    const QVariant type = view && column >= 0 ? view->headerItem()->data(column, DataTypeRole) : QVariant();
    return type.isValid() ? KLVActiveX::KLV_DataType(type.toInt()) : KLVActiveX::klvString;
}

void ListViewHelpers::SetListItemFormat(QTreeWidgetItem* item, qint32 colour, bool bold)
{
    if (!item)
        return;
    const QColor color(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    const int count = std::max(item->columnCount(), item->treeWidget() ? item->treeWidget()->columnCount() : 0);
    for (int c = 0; c < count; ++c) {
        item->setForeground(c, color);
        const QVariant stored = item->data(c, Qt::FontRole);
        QFont font =
            stored.isValid() ? stored.value<QFont>() : (item->treeWidget() ? item->treeWidget()->font() : QFont());
        font.setBold(bold);
        item->setFont(c, font);
    }
}

QString ListViewHelpers::ListViewText(const QAbstractItemView* view)
{
    const QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return QString();
    // The columns the list shows: a column taken out of it is not copied.
    const QHeaderView* header = LayoutStore::HeaderOf(view);
    QList<int> columns;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (!header || !header->isSectionHidden(c))
            columns.append(c);
    }
    QString text;
    auto endLine = [&text](const QStringList& cells) {
        text += cells.join(u'\t');
        text += u"\r\n"_s;
    };
    QStringList cells;
    for (int c : std::as_const(columns))
        cells.append(cellText(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    endLine(cells);
    const int rows = model->rowCount();
    for (int r = 0; r < rows; ++r) {
        cells.clear();
        for (int c : std::as_const(columns))
            cells.append(cellText(model->data(model->index(r, c), Qt::DisplayRole).toString()));
        endLine(cells);
    }
    return text;
}

void ListViewHelpers::CopyListViewToClipboard(QWidget* control)
{
    if (!control || !isListView(control))
        return;
    auto* mime = new QMimeData;
    mime->setText(ListViewText(static_cast<QAbstractItemView*>(control)));
    QApplication::clipboard()->setMimeData(mime);
}
