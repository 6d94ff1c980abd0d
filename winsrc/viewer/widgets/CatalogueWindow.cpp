#include "CatalogueWindow.h"

#include "ChildWindowFrame.h"
#include "FormSupport.h"
#include "HeadedSplitter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "PopupMenu.h"
#include "QueryTag.h"
#include "ServerWait.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

CatalogueWindow::CatalogueWindow(const QString& name, const QString& caption, const QString& section,
                                 int helpTopicMessage, QWidget* parent)
    : QWidget(parent), m_section(section), m_helpTopicMessage(helpTopicMessage)
{
    setObjectName(name);
    setWindowTitle(caption);
    // The window is the one of its kind: closed, it goes, and the next opening makes it anew.
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame = new ChildWindowFrame(this, section);
    m_wait = new ServerWait(this);
    connect(m_wait, &ServerWait::idle, this, [this] { fillEnded(); });
    connect(m_wait, &ServerWait::brokenOff, this, [this] { showMessage(GetMessageTextByNr(35)); });
    m_okButton = new QPushButton(u"32"_s, this);
    m_okButton->setObjectName(u"OKButton"_s);
    connect(m_okButton, &QPushButton::clicked, this, [this] { okClicked(); });
}

CatalogueWindow::~CatalogueWindow()
{
    ChildWindowFrame::endConnections(this);
}

QSize CatalogueWindow::sizeHint() const
{
    return QSize(Twips::toPixelsX(11000), Twips::toPixelsY(6600)).expandedTo(minimumSizeHint());
}

int CatalogueWindow::margin() const
{
    return std::max(1, Twips::toPixelsX(DesignMargin));
}

bool CatalogueWindow::isBusy() const
{
    return m_wait->isBusy();
}

bool CatalogueWindow::refused() const
{
    return m_wait->isBusy() || m_wait->isClosePending();
}

bool CatalogueWindow::closing() const
{
    return m_wait->isClosePending();
}

bool CatalogueWindow::brokenOff() const
{
    return m_wait->wasBrokenOff();
}

void CatalogueWindow::closeWindow()
{
    m_wait->closeWindow();
}

QTreeWidget* CatalogueWindow::makeList(const QString& name, const QString& tag)
{
    auto* list = new QTreeWidget(this);
    list->setObjectName(name);
    list->setProperty("Tag", tag);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false); // a header click sorts through SortListViewByColumn
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsMovable(true);
    list->header()->setStretchLastSection(false);
    ListViewHelpers::ConnectHeaderSorting(list);
    PopupMenu::attach(list, [this, list](const QPoint& at, bool) { popupMenu(list, at); });
    return list;
}

HeadedSplitter* CatalogueWindow::makePanes(QWidget* leftHeading, QWidget* left, QWidget* rightHeading, QWidget* right)
{
    auto* split = new HeadedSplitter(this);
    split->splitter()->setHandleWidth(margin());
    split->addPane(leftHeading, left, 1);
    split->addPane(rightHeading, right, 1);
    return split;
}

void CatalogueWindow::setBody(QLayout* above, QWidget* panes, const QList<QWidget*>& bottomRow, QWidget* statusBar)
{
    const int m = margin();
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(m);
    for (QWidget* w : bottomRow)
        bottom->addWidget(w);
    bottom->addStretch(1);
    bottom->addWidget(m_okButton);
    bottom->addWidget(FormSupport::helpButton(this, m_helpTopicMessage));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(m, m, m, statusBar ? 0 : m);
    layout->setSpacing(m);
    if (above)
        layout->addLayout(above);
    layout->addWidget(panes, 1);
    layout->addLayout(bottom);
    if (statusBar)
        layout->addWidget(statusBar);
}

void CatalogueWindow::keepListLayout(QTreeWidget* list, ListViewColumnArray* columns, bool withPosition)
{
    m_keptLists.append({list, columns, withPosition});
}

void CatalogueWindow::finishLoad()
{
    InitFormCommon(this);
    for (const KeptList& kept : std::as_const(m_keptLists)) {
        if (kept.columns)
            LoadListViewColumns(kept.list, m_section, false, kept.columns);
    }
    FormSupport::watchKeys(this);
}

QSharedPointer<KLVQuery> CatalogueWindow::createQuery(const QSharedPointer<KLV>& session)
{
    QSharedPointer<KLVQuery> query = session ? session->CreateQuery() : nullptr;
    if (query)
        query->setEnableQueryMetaData(true);
    return query;
}

QSharedPointer<KLV> CatalogueWindow::mainSession()
{
    return App().MainSession.toStrongRef();
}

void CatalogueWindow::clearList(QTreeWidget* list)
{
    list->clear();
    ListViewHelpers::SetListViewSorting(list, false, -1, Qt::AscendingOrder);
}

void CatalogueWindow::showAnswer(QTreeWidget* list, ListViewColumnArray& columns, int messageBase, int tagField,
                                 const QSharedPointer<KLVQuery>& query, QProgressBar* progress)
{
    const QSharedPointer<KLVQueryMetaData> meta = query->GetQueryMetaData();
    BuildListViewColumns(list, messageBase, columns,
                         meta ? meta->GetFieldMetaDataArray() : QList<QSharedPointer<KLVQueryFieldMetaData>>());
    const bool records = tagField == RecordTag;
    // Rows that are to take their records keep the answer's order until they have them.
    if (records)
        list->header()->setSectionsClickable(false);
    const QPointer<QTreeWidget> view(list);
    FillListViewFromQuery(query, list, columns, progress, std::max(0, tagField));
    if (!records || !view)
        return;
    if (query->GetFirstRecord()) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            list->topLevelItem(i)->setData(0, ListViewHelpers::RowTagRole,
                                           QueryTag::FieldArray2Tag(query->GetFields()));
            if (!query->GetNextRecord())
                break;
        }
    }
    list->header()->setSectionsClickable(true);
}

QString CatalogueWindow::errInfo(const QSharedPointer<KLVQuery>& query)
{
    if (!query)
        return QString();
    const QSharedPointer<KLVError> error = query->GetLastKLVError();
    return error ? error->ErrInfo() : query->GetLastError();
}

void CatalogueWindow::showRefusal(const QString& headline, const QString& detail)
{
    // A lost connection is told as every window tells it, with the way back.
    if (!brokenOff())
        showMessage(headline + u"\r\n"_s + ServerErrorText(detail));
}

void CatalogueWindow::showMessage(const QString& text)
{
    if (!closing())
        ShowMessageBox(text);
}

QTreeWidget* CatalogueWindow::focusedList() const
{
    const QWidget* focus = focusWidget();
    if (!focus)
        return nullptr;
    for (const KeptList& kept : m_keptLists) {
        if (focus == kept.list || kept.list->isAncestorOf(focus))
            return kept.list;
    }
    return nullptr;
}

bool CatalogueWindow::handleKey(QWidget* control, const QKeyEvent* key)
{
    Q_UNUSED(control);
    const Qt::KeyboardModifiers mods = FormSupport::shiftState(key);
    if (FormSupport::helpOrHardcopyKey(this, key, m_helpTopicMessage))
        return true;
    QTreeWidget* list = focusedList();
    switch (key->key()) {
    case Qt::Key_Escape:
        if (!isBusy())
            return false;
        breakFill();
        m_wait->breakOff();
        return true;
    case Qt::Key_F5:
        if (mods != Qt::NoModifier)
            return false;
        if (list)
            refreshList(list);
        return true;
    case Qt::Key_F7:
        if (mods != Qt::NoModifier)
            return false;
        SelectColumns();
        return true;
    case Qt::Key_C:
        // Text boxes keep their own copy.
        if (mods != Qt::ControlModifier || !list)
            return false;
        CopyListViewToClipboard(list);
        return true;
    default:
        return false;
    }
}

QMenu* CatalogueWindow::contextMenuFor(QTreeWidget* list) const
{
    Q_UNUSED(list);
    return mainMenu(u"UniversalContextMenue"_s);
}

void CatalogueWindow::popupMenu(QTreeWidget* list, const QPoint& globalPos)
{
    QMenu* menu = contextMenuFor(list);
    if (!menu)
        return;
    list->setFocus(Qt::PopupFocusReason);
    PopupMenu::open(menu, globalPos);
}

QMenu* CatalogueWindow::mainMenu(const QString& name) const
{
    return FormSupport::mainMenu(name);
}

bool CatalogueWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && App().MainForm)
        MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
    return QWidget::event(event);
}

bool CatalogueWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || !control || (control != this && !isAncestorOf(control)))
        return QWidget::eventFilter(watched, event);
    // A key goes to the list it was typed in, also when another control had the focus.
    for (const KeptList& kept : std::as_const(m_keptLists)) {
        if ((control == kept.list || kept.list->isAncestorOf(control)) && focusWidget() != kept.list)
            kept.list->setFocus(Qt::OtherFocusReason);
    }
    return handleKey(control, static_cast<QKeyEvent*>(event));
}

void CatalogueWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // A stored width reaches the splitter once the panes have the sizes of the window as it
    // shows (maximised, it has its size only once its layout has run).
    QTimer::singleShot(0, this, [this] {
        for (const KeptList& kept : std::as_const(m_keptLists)) {
            if (kept.withPosition)
                LoadListViewColumns(kept.list, m_section, true, nullptr);
        }
    });
}

void CatalogueWindow::closeEvent(QCloseEvent* event)
{
    if (isBusy())
        breakFill();
    if (!m_wait->mayClose(event))
        return;
    // A window that never showed keeps the layout stored before.
    if (m_shown && FormSupport::saveWindowState())
        saveLayout();
    event->accept();
}

void CatalogueWindow::saveLayout()
{
    for (const KeptList& kept : std::as_const(m_keptLists))
        SaveListViewColumns(kept.list, m_section, kept.withPosition, kept.columns);
    m_frame->savePlace(m_placedControls);
}
