#include "InfoFormBase.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVQueryMetaData.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "QueryTag.h"
#include "Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

InfoFormBase::BusyScope::BusyScope(InfoFormBase* form, int pointer) : m_form(form)
{
    if (m_form->m_busy++ == 0)
        m_form->setMousePointer(pointer);
}

InfoFormBase::BusyScope::~BusyScope()
{
    m_form->endBusy();
}

InfoFormBase::InfoFormBase(const QString& name, const QString& caption, const QString& section, int helpTopicMessage,
                           QWidget* parent)
    : QWidget(parent), m_section(section), m_helpTopicMessage(helpTopicMessage)
{
    setObjectName(name);
    setWindowTitle(caption);
    // The window is the one of its kind: closed, it goes, and the next opening makes it anew.
    setAttribute(Qt::WA_DeleteOnClose);
    // The smallest size in which the panes still share the window sensibly.
    setMinimumSize(Twips::toPixelsX(4000), Twips::toPixelsY(3000));
}

InfoFormBase::~InfoFormBase() = default;

QSize InfoFormBase::sizeHint() const
{
    return QSize(Twips::toPixelsX(11000), Twips::toPixelsY(6600));
}

void InfoFormBase::endBusy()
{
    if (--m_busy > 0)
        return;
    setMousePointer(0);
    if (m_closePending) {
        if (!m_closeScheduled) {
            m_closeScheduled = true;
            QTimer::singleShot(0, this, [this] { LayoutStore::WindowOf(this)->close(); });
        }
        return;
    }
    fillEnded();
}

QPushButton* InfoFormBase::makeOkButton()
{
    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    connect(ok, &QPushButton::clicked, this, [this] { closeWindow(); });
    return ok;
}

QTreeWidget* InfoFormBase::makeList(const QString& name, const QString& tag)
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
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(false);
    connect(list->header(), &QHeaderView::sectionClicked, list,
            [list](int section) { SortListViewByColumn(list, section); });
    return list;
}

void InfoFormBase::keepListLayout(QTreeWidget* list, ListViewColumnArray* columns, bool withPosition)
{
    m_keptLists.append({list, columns, withPosition});
}

void InfoFormBase::finishLoad()
{
    InitFormCommon(this);
    for (const KeptList& kept : std::as_const(m_keptLists)) {
        if (!kept.columns)
            continue;
        LoadListViewColumns(kept.list, m_section, false, kept.columns);
    }
    FormSupport::watchKeys(this);
}

void InfoFormBase::closeWindow()
{
    m_closePending = true;
    if (m_busy == 0 && !m_closeScheduled) {
        m_closeScheduled = true;
        QTimer::singleShot(0, this, [this] { LayoutStore::WindowOf(this)->close(); });
    }
}

QSharedPointer<KLVQuery> InfoFormBase::createQuery(const QSharedPointer<KLV>& session)
{
    QSharedPointer<KLVQuery> query = session ? session->CreateQuery() : nullptr;
    if (!query)
        return query;
    query->setEnableQueryMetaData(true);
    m_queries.removeIf([](const QWeakPointer<KLVQuery>& q) { return q.isNull(); });
    m_queries.append(query);
    return query;
}

QSharedPointer<KLV> InfoFormBase::mainSession()
{
    return App().MainSession.toStrongRef();
}

void InfoFormBase::clearList(QTreeWidget* list)
{
    list->clear();
    ListViewHelpers::SetListViewSorting(list, false, -1, Qt::AscendingOrder);
}

void InfoFormBase::showAnswer(QTreeWidget* list, ListViewColumnArray& columns, int messageBase, int tagField,
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

QString InfoFormBase::errInfo(const QSharedPointer<KLVQuery>& query)
{
    if (!query)
        return QString();
    const QSharedPointer<KLVError> error = query->GetLastKLVError();
    return error ? error->ErrInfo() : query->GetLastError();
}

void InfoFormBase::showRefusal(const QString& headline, const QString& detail)
{
    if (!m_closePending)
        ShowMessageBox(headline + u"\r\n"_s + detail);
}

QTreeWidget* InfoFormBase::focusedList() const
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

bool InfoFormBase::handleKey(QWidget* control, const QKeyEvent* key)
{
    Q_UNUSED(control);
    const Qt::KeyboardModifiers mods = FormSupport::shiftState(key);
    if (FormSupport::helpOrHardcopyKey(this, key, m_helpTopicMessage))
        return true;
    QTreeWidget* list = focusedList();
    switch (key->key()) {
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
    case Qt::Key_Menu:
    case Qt::Key_F10: {
        const bool menuKey = key->key() == Qt::Key_Menu ? mods == Qt::NoModifier : mods == Qt::ShiftModifier;
        if (!menuKey || !list)
            return false;
        const QRect rect = list->visualItemRect(list->currentItem());
        const QPoint at = rect.isValid() ? rect.center() : QPoint(0, 0);
        popupMenu(list, list->viewport()->mapToGlobal(at));
        return true;
    }
    default:
        return false;
    }
}

QMenu* InfoFormBase::contextMenuFor(QTreeWidget* list) const
{
    Q_UNUSED(list);
    return mainMenu(u"UniversalContextMenue"_s);
}

void InfoFormBase::popupMenu(QTreeWidget* list, const QPoint& globalPos)
{
    QMenu* menu = contextMenuFor(list);
    if (!menu)
        return;
    list->setFocus(Qt::PopupFocusReason);
    menu->popup(globalPos);
}

QMenu* InfoFormBase::mainMenu(const QString& name) const
{
    return App().MainForm ? App().MainForm->findChild<QMenu*>(name) : nullptr;
}

void InfoFormBase::setMainEntryEnabled(const QString& name, bool enabled) const
{
    if (!App().MainForm)
        return;
    const QList<QAction*> actions = App().MainForm->findChildren<QAction*>(name);
    for (QAction* a : actions)
        a->setEnabled(enabled);
}

void InfoFormBase::setMousePointer(int pointer) const
{
    if (App().MainForm)
        App().MainForm->setProperty("MousePointer", pointer);
}

bool InfoFormBase::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (App().MainForm)
            MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
        break;
    case QEvent::ParentChange:
        // Inside the main window's frame the sub-window takes the stored place, size and state,
        // once.
        if (!m_placed && qobject_cast<QMdiSubWindow*>(parentWidget())) {
            m_placed = true;
            if (LayoutStore::HasStoredPlace(m_section))
                LoadFormPosition(this, m_section);
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool InfoFormBase::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control || (control != this && !isAncestorOf(control)))
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        // A key goes to the list it was typed in, also when another control had the focus.
        for (const KeptList& kept : std::as_const(m_keptLists)) {
            if ((control == kept.list || kept.list->isAncestorOf(control)) && focusWidget() != kept.list)
                kept.list->setFocus(Qt::OtherFocusReason);
        }
        return handleKey(control, static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::ContextMenu) {
        for (const KeptList& kept : std::as_const(m_keptLists)) {
            if (control != kept.list && control != kept.list->viewport())
                continue;
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            QPoint at = menuEvent->globalPos();
            if (menuEvent->reason() != QContextMenuEvent::Mouse) {
                const QRect rect = kept.list->visualItemRect(kept.list->currentItem());
                at = kept.list->viewport()->mapToGlobal(rect.isValid() ? rect.center() : QPoint(0, 0));
            }
            popupMenu(kept.list, at);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void InfoFormBase::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The panes have their first sizes now: a stored width reaches the splitter.
    for (const KeptList& kept : std::as_const(m_keptLists)) {
        if (kept.withPosition)
            LoadListViewColumns(kept.list, m_section, true, nullptr);
    }
}

void InfoFormBase::closeEvent(QCloseEvent* event)
{
    if (m_busy > 0) {
        // The request is broken off; the window closes once the fill has ended.
        m_closePending = true;
        breakFill();
        for (const QWeakPointer<KLVQuery>& weak : std::as_const(m_queries)) {
            if (const QSharedPointer<KLVQuery> query = weak.toStrongRef())
                query->Break();
        }
        event->ignore();
        return;
    }
    // A window that never showed keeps the layout stored before.
    if (m_shown && FormSupport::saveWindowState())
        saveLayout();
    event->accept();
}

void InfoFormBase::saveLayout()
{
    for (const KeptList& kept : std::as_const(m_keptLists))
        SaveListViewColumns(kept.list, m_section, kept.withPosition, kept.columns);
    SaveFormPosition(this, m_section, m_placedControls);
}
