#include "ResultPane.h"

#include "CatalogueListPane.h"
#include "FieldListPane.h"
#include "FormSupport.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "PopupMenu.h"
#include "QueryContext.h"
#include "QueryTag.h"
#include "ResultDragData.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "Twips.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

ResultPane::ResultPane(QueryContext* context, QWidget* parent)
    : QWidget(parent), m_context(context), m_view(new ResultListView(this)), m_fill(new ResultFill(m_view, this))
{
    setObjectName(u"DatenListePane"_s);
    m_view->setObjectName(u"DatenListe"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    ListViewHelpers::ConnectHeaderSorting(m_view, [this](int section) { resort(section); });
    connect(m_view, &QAbstractItemView::doubleClicked, this, &ResultPane::rowActivated);
    QAbstractItemModel* model = m_view->model();
    const auto followRows = [this] {
        if (m_view->rowCount() == 0)
            Q_EMIT rowsCleared();
    };
    connect(model, &QAbstractItemModel::rowsRemoved, this, followRows);
    connect(model, &QAbstractItemModel::modelReset, this, followRows);
    // Columns taken away (another table, a saved query loaded) leave a count of nothing.
    connect(model, &QAbstractItemModel::columnsRemoved, this, followRows);

    // The list is another class's: its popup menu and row drags are watched here.
    PopupMenu::attach(m_view, [this](const QPoint& at, bool) { showContextMenu(at); });
    m_view->viewport()->installEventFilter(this);
}

void ResultPane::resort(int column)
{
    if (column >= 0)
        MainModul::SortListViewByColumn(m_view, column);
}

bool ResultPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view->viewport())
        return QWidget::eventFilter(watched, event);
    // A row pressed and pulled further than the drag distance goes out as the ERP GUI
    // client's drag data; a row whose record cannot be read is not dragged.
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_dragStart = mouse->position().toPoint();
            m_dragArmed = m_view->indexAt(m_dragStart).isValid();
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragArmed = false;
        break;
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragArmed && (mouse->buttons() & Qt::LeftButton) &&
            (mouse->position().toPoint() - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragArmed = false;
            startRowDrag();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ResultPane::startRowDrag()
{
    std::unique_ptr<QMimeData> data(ResultDragData::Create(m_context->tmpQuery.data(), m_view->selectedRowTag()));
    if (!data)
        return;
    auto* drag = new QDrag(m_view);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction);
}

void ResultPane::showContextMenu(const QPoint& globalPos)
{
    // Without a table there are no fields and nothing the menu could act on.
    if (m_context->aktTableName.isEmpty()) {
        MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(139));
        return;
    }
    PopupMenu::open(FormSupport::mainMenu(u"DatenlisteMenue"_s), globalPos);
}

QString ResultPane::fieldList() const
{
    QStringList tags;
    for (int c = 0; c < m_view->columnCount(); ++c)
        tags.append(m_view->columnTag(c));
    return tags.join(u',');
}

void ResultPane::currentFieldList(QString& fields, QString& widths) const
{
    const int n = m_view->columnCount();
    if (n == 0)
        return;
    QStringList names(n);
    QStringList sizes(n);
    for (int c = 0; c < n; ++c) {
        const int p = m_view->columnPosition(c);
        if (p < 0 || p >= n)
            continue;
        names[p] = m_view->columnTag(c);
        sizes[p] = QString::number(m_view->columnWidthTwips(c));
    }
    fields = names.join(u',');
    widths = sizes.join(u',');
}

QString ResultPane::columnCaption(const QTreeWidgetItem* fieldRow)
{
    if (MainModul::ViewerFlag(u"ColumnHeadersDesc"_s, ViewerConfig::Key::ColHeadersDesc))
        return QueryTag::Tag2Field(CatalogueListPane::rowTag(fieldRow), 4);
    return fieldRow->text(0);
}

void ResultPane::insertColumn(QTreeWidgetItem* fieldRow, int& widthTwips)
{
    if (!fieldRow)
        return;
    // Without a width the column has the default one, which follows the list's font and fits
    // the caption; a saved query's width is the user's.
    const bool designed = widthTwips < 1;
    if (designed)
        widthTwips = DefaultColumnWidth;
    const QString tag = QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(fieldRow));
    // A field has one column: a saved query that names it twice (bare and with its part
    // marker) gets it once, and is saved so.
    if (m_view->columnOfTag(tag) >= 0)
        return;
    const int column = m_view->addColumn(FieldListPane::rowKey(fieldRow), tag, columnCaption(fieldRow), widthTwips);
    if (designed && column >= 0)
        ListViewHelpers::SetDefaultColumnWidth(m_view, column, Twips::toPixelsX(widthTwips));
}

bool ResultPane::followCheckedFields(const FieldListPane* fields, int most)
{
    const int rows = fields->topLevelItemCount();
    const int checked = fields->checkedCount();
    const bool all = checked == 0;
    if ((all ? rows : checked) > most)
        return false;
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* row = fields->topLevelItem(i);
        const int column = m_view->columnOfTag(QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(row)));
        const bool chosen = all || row->checkState(0) == Qt::Checked;
        if (chosen && column < 0) {
            int width = 0;
            insertColumn(row, width);
        } else if (!chosen && column >= 0) {
            m_view->removeColumn(column);
        }
    }
    return true;
}

void ResultPane::updateCaptions(const FieldListPane* fields)
{
    for (int c = 0; c < m_view->columnCount(); ++c) {
        if (const QTreeWidgetItem* row = fields->row(m_view->columnKey(c)))
            m_view->setColumnCaption(c, columnCaption(row));
    }
}

void ResultPane::orderLikeFields(const FieldListPane* fields)
{
    int position = 0;
    for (int i = 0; i < fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = fields->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        const int column = m_view->columnOfTag(QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(row)));
        if (column >= 0 && m_view->columnPosition(column) > position)
            m_view->moveColumnToPosition(column, position);
        ++position;
    }
}
