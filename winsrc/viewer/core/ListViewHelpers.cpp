#include "ListViewHelpers.h"

#include "AppContext.h"
#include "FontSettings.h"
#include "KLVQuery.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVQueryMetaData.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "NumberText.h"
#include "ReadableColour.h"
#include "ValueSort.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
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

// Keeps a list's horizontal scroll through a change of its rows' order: making the current row
// current again scrolls its first column into view, and the column the user clicked out of it.
class HorizontalScrollKept
{
public:
    explicit HorizontalScrollKept(QAbstractItemView* view)
        : m_view(view), m_value(view ? view->horizontalScrollBar()->value() : 0)
    {}
    ~HorizontalScrollKept()
    {
        if (m_view)
            m_view->horizontalScrollBar()->setValue(m_value);
    }
    HorizontalScrollKept(const HorizontalScrollKept&) = delete;
    HorizontalScrollKept& operator=(const HorizontalScrollKept&) = delete;

private:
    QPointer<QAbstractItemView> m_view;
    int m_value;
};

// Draws a header's text cut with an ellipsis where its section is too narrow for it. Qt draws
// it whole and clips it at the section's edge, so a right-aligned text loses its beginning.
class HeaderLabelStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    static QStyle* instance()
    {
        static QPointer<QStyle> style;
        if (!style) {
            QStyle* base = QStyleFactory::create(QApplication::style()->name());
            style = new HeaderLabelStyle(base);
            style->setParent(qApp);
        }
        return style;
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (element != CE_HeaderLabel || !header || header->text.isEmpty())
            return QProxyStyle::drawControl(element, option, painter, widget);
        int room = header->rect.width();
        if (!header->icon.isNull())
            room -= pixelMetric(PM_SmallIconSize, option, widget) + pixelMetric(PM_HeaderMargin, option, widget);
        QFont font = painter->font();
        if (header->state & State_On)
            font.setBold(true); // a selected section's text is drawn bold
        // Texts have widths in fractions of a pixel: one that reaches into the last pixel fits.
        if (std::ceil(QFontMetricsF(font).horizontalAdvance(header->text)) <= room)
            return QProxyStyle::drawControl(element, option, painter, widget);
        const QString text = QFontMetrics(font).elidedText(header->text, Qt::ElideRight, std::max(0, room));
        QStyleOptionHeaderV2 cut;
        if (const auto* v2 = qstyleoption_cast<const QStyleOptionHeaderV2*>(option))
            cut = *v2;
        else
            static_cast<QStyleOptionHeader&>(cut) = *header;
        cut.text = text;
        QProxyStyle::drawControl(element, &cut, painter, widget);
    }
};

// The columns of a list that still have their default width (ListViewHelpers::
// SetDefaultColumnWidth), by logical index: their design and the width they were given. A
// column whose width is no longer the one given has been sized by someone else and is left
// alone from then on.
class DefaultWidths : public QObject
{
public:
    static constexpr const char16_t* Name = u"DefaultColumnWidths";

    static DefaultWidths* of(const QAbstractItemView* view)
    {
        QHeaderView* header = LayoutStore::HeaderOf(view);
        return header ? static_cast<DefaultWidths*>(
                            header->findChild<QObject*>(QString::fromUtf16(Name), Qt::FindDirectChildrenOnly))
                      : nullptr;
    }

    static DefaultWidths* make(QAbstractItemView* view)
    {
        if (DefaultWidths* widths = of(view))
            return widths;
        QHeaderView* header = LayoutStore::HeaderOf(view);
        return header && header->model() ? new DefaultWidths(view, header) : nullptr;
    }

    void set(int column, int designed)
    {
        if (column < 0 || column >= m_header->count())
            return;
        if (column >= m_marks.size())
            m_marks.resize(column + 1);
        m_marks[column] = {std::max(0, designed), -1};
        m_header->resizeSection(column, wanted(column, m_marks[column].designed));
        m_marks[column].given = m_header->sectionSize(column);
    }

    bool isDefault(int column) const
    {
        return column >= 0 && column < m_marks.size() && m_marks[column].designed >= 0 &&
               !m_header->isSectionHidden(column) && m_header->sectionSize(column) == m_marks[column].given;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FontChange) {
            for (int c = 0; c < m_marks.size(); ++c)
                fit(c);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Mark
    {
        int designed = -1; // none: the column's width is not ours
        int given = -1;
    };

    DefaultWidths(QAbstractItemView* view, QHeaderView* header) : QObject(header), m_view(view), m_header(header)
    {
        setObjectName(QString::fromUtf16(Name));
        // The rows' font makes the width, the header's its least.
        view->installEventFilter(this);
        header->installEventFilter(this);
        const QAbstractItemModel* model = header->model();
        connect(model, &QAbstractItemModel::columnsInserted, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid() && first <= m_marks.size())
                        m_marks.insert(first, last - first + 1, Mark());
                });
        connect(model, &QAbstractItemModel::columnsRemoved, this,
                [this](const QModelIndex& parent, int first, int last) {
                    if (!parent.isValid() && first < m_marks.size())
                        m_marks.remove(first, std::min(last - first + 1, int(m_marks.size()) - first));
                });
        // A reset takes the rows (a list's clear); the header keeps the widths of the columns
        // that are still there.
        connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
            if (m_marks.size() > model->columnCount())
                m_marks.resize(model->columnCount());
        });
        connect(model, &QAbstractItemModel::headerDataChanged, this,
                [this](Qt::Orientation orientation, int first, int last) {
                    if (orientation != Qt::Horizontal)
                        return;
                    for (int c = std::max(0, first); c <= last && c < m_marks.size(); ++c)
                        fit(c);
                });
    }

    int wanted(int column, int designed) const
    {
        // As much wider as the list's font is than the one the design was made for.
        const double now = QFontMetricsF(m_view->font()).averageCharWidth();
        const double base = QFontMetricsF(FontSettings::DefaultFont()).averageCharWidth();
        const int scaled = base > 0 && now > 0 ? int(std::lround(designed * now / base)) : designed;
        return std::max(scaled, ListViewHelpers::HeaderTextWidth(m_view, column));
    }

    void fit(int column)
    {
        if (!isDefault(column)) {
            if (column < m_marks.size() && !m_header->isSectionHidden(column))
                m_marks[column].designed = -1;
            return;
        }
        Mark& mark = m_marks[column];
        const int width = wanted(column, mark.designed);
        if (width == mark.given)
            return;
        m_header->resizeSection(column, width);
        mark.given = m_header->sectionSize(column);
    }

    QAbstractItemView* m_view;
    QHeaderView* m_header;
    QList<Mark> m_marks;
};

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
    PrepareHeader(view);
    header->setSectionsClickable(true);
    if (!onClick)
        onClick = [view](int section) { SortListViewByColumn(view, section); };
    QObject::connect(header, &QHeaderView::sectionClicked, view, [view, onClick = std::move(onClick)](int section) {
        const HorizontalScrollKept kept(view);
        onClick(section);
    });
}

void ListViewHelpers::SetListViewSorting(QAbstractItemView* view, bool sorted, int sortKey, Qt::SortOrder order)
{
    QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (!header)
        return;
    PrepareHeader(view);
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
    const HorizontalScrollKept kept(view);
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

void ListViewHelpers::SetDefaultColumnWidth(QAbstractItemView* view, int column, int designedPixels)
{
    PrepareHeader(view);
    if (DefaultWidths* widths = view ? DefaultWidths::make(view) : nullptr)
        widths->set(column, designedPixels);
}

void ListViewHelpers::SetDefaultColumnWidths(QAbstractItemView* view)
{
    const QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (!header)
        return;
    for (int c = 0; c < header->count(); ++c) {
        if (!HasDefaultWidth(view, c))
            SetDefaultColumnWidth(view, c, header->sectionSize(c));
    }
}

bool ListViewHelpers::HasDefaultWidth(const QAbstractItemView* view, int column)
{
    const DefaultWidths* widths = view ? DefaultWidths::of(view) : nullptr;
    return widths && widths->isDefault(column);
}

int ListViewHelpers::HeaderTextWidth(const QAbstractItemView* view, int column)
{
    const QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    const QAbstractItemModel* model = header ? header->model() : nullptr;
    if (!model || column < 0 || column >= model->columnCount())
        return 0;
    QStyleOptionHeader option;
    option.initFrom(header);
    option.orientation = Qt::Horizontal;
    option.section = column;
    option.text = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    QFont font = header->font();
    if (const QVariant own = model->headerData(column, Qt::Horizontal, Qt::FontRole); own.canConvert<QFont>())
        font = own.value<QFont>();
    option.fontMetrics = QFontMetrics(font);
    // A header that sorts on a click shows the indicator in the column sorted by.
    option.sortIndicator = header->sectionsClickable() || header->isSortIndicatorShown() ? QStyleOptionHeader::SortDown
                                                                                         : QStyleOptionHeader::None;
    // What the section keeps beside its label: its margins and the indicator.
    constexpr int Wide = 1000;
    option.rect = QRect(0, 0, Wide, option.fontMetrics.height() * 2);
    const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(option.text))) + Wide - label.width();
}

void ListViewHelpers::PrepareHeader(QAbstractItemView* view)
{
    QHeaderView* header = view ? LayoutStore::HeaderOf(view) : nullptr;
    if (header && header->style() != HeaderLabelStyle::instance())
        header->setStyle(HeaderLabelStyle::instance());
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
    QColor color(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    // The colours rows are marked with were chosen for a white list.
    if (const QTreeWidget* tree = item->treeWidget())
        color = ReadableColour::Designed(color, tree->palette().color(QPalette::Base));
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
