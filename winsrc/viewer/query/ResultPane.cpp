#include "ResultPane.h"

#include "FormSupport.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "QueryContext.h"
#include "ResultDragData.h"
#include "ResultFill.h"
#include "ResultListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
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

    // The list is another class's: its context menu, keys and row drags are watched here.
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
}

void ResultPane::resort(int column)
{
    if (column >= 0)
        MainModul::SortListViewByColumn(m_view, column);
}

bool ResultPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view && watched != m_view->viewport())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        showContextMenu(FormSupport::contextMenuPosition(m_view, menuEvent->globalPos(),
                                                         menuEvent->reason() == QContextMenuEvent::Keyboard));
        return true;
    }
    // A row pressed and pulled further than the drag distance goes out as the ERP GUI
    // client's drag data; a row whose record cannot be read is not dragged.
    if (watched == m_view->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            m_dragStart = mouse->position().toPoint();
            m_dragArmed = m_view->indexAt(m_dragStart).isValid();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_dragArmed = false;
        } else if (event->type() == QEvent::MouseMove && m_dragArmed && (mouse->buttons() & Qt::LeftButton) &&
                   (mouse->position().toPoint() - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragArmed = false;
            startRowDrag();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched == m_view &&
        FormSupport::isContextMenuKey(static_cast<QKeyEvent*>(event))) {
        FormSupport::openKeyboardContextMenu(m_view);
        return true;
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
    QMenu* menu = FormSupport::mainMenu(u"DatenlisteMenue"_s);
    if (menu && menu->menuAction()->isEnabled())
        menu->popup(globalPos);
}
