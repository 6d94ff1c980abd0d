#include "QueryForm.h"

#include "ConditionsPanel.h"
#include "FieldListPane.h"
#include "FormSupport.h"
#include "KLV.h"
#include "KLVError.h"
#include "KLVMessage.h"
#include "KLVMessageCollector.h"
#include "KLVQuery.h"
#include "KLVSelection.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "NumberText.h"
#include "PaneSplitter.h"
#include "QueryExportHandoff.h"
#include "QueryRules.h"
#include "QueryStatusBar.h"
#include "QueryStringForm.h"
#include "QueryTag.h"
#include "ResultDragData.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "ResultPane.h"
#include "SchluesselSchaetzenForm.h"
#include "TableListPane.h"
#include "Twips.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString CrLf = u"\r\n"_s;

QueryForm::KeyInfoHandler& keyInfoHandler()
{
    static QueryForm::KeyInfoHandler handler;
    return handler;
}

QString section()
{
    return QString::fromUtf16(QueryForm::SettingsSection);
}

// A stored whole number of twips, or nothing when the setting is missing or no number.
std::optional<qint32> storedTwips(LayoutStore::WindowKey key)
{
    const QString text = LayoutStore::WindowValue(section(), key);
    return NumberText::isNumber(text) ? NumberText::roundToInt32(NumberText::leadingValue(text)) : std::nullopt;
}

// Calls back at the first key or mouse button the user presses anywhere in the program.
class FirstInputWatcher : public QObject
{
public:
    FirstInputWatcher(QObject* parent, std::function<void()> onInput) : QObject(parent), m_onInput(std::move(onInput))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress) && event->spontaneous()) {
            qApp->removeEventFilter(this);
            // The callback may delete this watcher: nothing of it is used after the call.
            const std::function<void()> onInput = m_onInput;
            onInput();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onInput;
};

} // namespace

QueryForm::BusyScope::BusyScope(QueryForm* form) : m_form(form)
{
    ++m_form->m_busy;
}

QueryForm::BusyScope::~BusyScope()
{
    if (!m_form)
        return;
    --m_form->m_busy;
    m_form->closeIfPending();
}

void QueryForm::SetKeyInfoHandler(KeyInfoHandler handler)
{
    keyInfoHandler() = std::move(handler);
}

QueryForm::QueryForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"QueryForm"_s);
    setWindowTitle(u"1450"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    // The window's two queries; the auxiliary one collects its errors for the messages.
    if (const QSharedPointer<KLV> tav = QueryContext::session()) {
        m_context.query = tav->CreateQuery();
        m_context.tmpQuery = tav->CreateQuery();
    }
    m_context.tmpCollector = QSharedPointer<KLVMessageCollector>::create();
    if (m_context.query) {
        m_context.query->setEnableQueryMetaData(true);
        connect(m_context.query.data(), &KLVQuery::MessageReceived, this,
                [this](QSharedPointer<KLVMessage>& message) { ShowQueryMessage(message); });
    }
    if (m_context.tmpQuery) {
        m_context.tmpQuery->setEnableQueryMetaData(true);
        m_context.tmpQuery->setErrorMessageCollector(m_context.tmpCollector);
    }

    buildPanes();
    connectPanes();
    // The window sees keys before its controls.
    FormSupport::watchKeys(this);
    InitFormCommon(this);
    setPaneMinimums();
    RestoreQueryWindowSettings();
    ensureQueryStringWindow();

    resize(sizeHint());
}

QSize QueryForm::sizeHint() const
{
    return QSize(Twips::toPixelsX(9600), Twips::toPixelsY(7200));
}

QueryForm::~QueryForm() = default;

void QueryForm::buildPanes()
{
    const int hRand = std::max(1, Twips::toPixelsX(Margin));
    const int vRand = std::max(1, Twips::toPixelsY(Margin));

    m_tables = new TableListPane(&m_context);
    m_fields = new FieldListPane(&m_context);
    m_results = new ResultPane(&m_context);
    m_conditions = new ConditionsPanel(&m_context);
    m_statusBar = new QueryStatusBar;

    // A change of the window's width goes half to each list.
    m_tabFldSplit = new PaneSplitter(Qt::Horizontal, PaneSplitter::Change::Shared);
    m_tabFldSplit->setObjectName(u"TabFldSplit"_s);
    m_tabFldSplit->setHandleWidth(hRand);
    m_tabFldSplit->addWidget(m_tables);
    m_tabFldSplit->addWidget(m_fields);

    // The upper lists keep their height; the result list takes a change of the window's.
    m_datenSplit = new PaneSplitter(Qt::Vertical, PaneSplitter::Change::ToSecond);
    m_datenSplit->setObjectName(u"DatenSplit"_s);
    m_datenSplit->setHandleWidth(vRand);
    m_datenSplit->addWidget(m_tabFldSplit);
    m_datenSplit->addWidget(m_results);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(hRand, vRand, hRand, vRand);
    body->setSpacing(vRand);
    body->addWidget(m_datenSplit, 1);
    body->addWidget(m_conditions, 0);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(body, 1);
    outer->addWidget(m_statusBar, 0);
}

void QueryForm::connectPanes()
{
    connect(m_tables, &TableListPane::tableChosen, this, [this] { openSelectedTable(); });
    connect(m_fields, &FieldListPane::rowActivated, this, [this](QTreeWidgetItem* item) { fieldRowActivated(item); });
    connect(m_fields, &FieldListPane::fieldRemoving, this,
            [this](const QString& key) { m_results->view()->removeColumn(m_results->view()->columnOfKey(key)); });
    connect(m_fields, &FieldListPane::statusPanelsCleared, this, [this] { ClearStatusPanels(); });
    connect(m_results, &ResultPane::rowActivated, this, [this] { GUIOeffnen(false); });
    connect(m_conditions, &ConditionsPanel::startClicked, this, [this] { AbfrageStarten(); });
    connect(m_conditions, &ConditionsPanel::breakClicked, this, [this] { BreakQuery(); });
    connect(m_conditions, &ConditionsPanel::keyInfoClicked, this, [this] { keyInfoClicked(); });
    connect(m_conditions, &ConditionsPanel::estimateClicked, this, [this] { keyEstimationClicked(); });
    connect(m_statusBar, &QueryStatusBar::panelClicked, this, [this](int panel) { statusPanelClicked(panel); });

    // The panels follow the lists they count.
    for (QAbstractItemModel* model : {m_tables->model(), m_fields->model()}) {
        const bool tables = model == m_tables->model();
        const auto follow = [this, tables] { tables ? updateTablePanel() : updateFieldPanel(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, follow);
        connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
        connect(model, &QAbstractItemModel::modelReset, this, follow);
    }
    connect(m_results, &ResultPane::rowsCleared, this, [this] {
        if (!m_running)
            setPanel(4, QString());
    });

    // A splitter the user moves is his: the stored sizes are not put back after that.
    for (QSplitter* splitter : {m_tabFldSplit, m_datenSplit})
        connect(splitter, &QSplitter::splitterMoved, this, [this] { settle(); });
}

void QueryForm::setPaneMinimums()
{
    // No splitter drag and no size of the window leaves a pane without room: a list keeps its
    // header and a row or two, and is wide enough to be seen (in the window's fonts).
    const QFontMetrics form(font());
    const QFontMetrics data(m_results->view()->font());
    const int row = data.height() + 4;
    const int header = form.height() + 8;
    for (QWidget* list : {static_cast<QWidget*>(m_tables), static_cast<QWidget*>(m_fields)})
        list->setMinimumSize(10 * form.averageCharWidth(), header + 2 * row);
    m_results->setMinimumSize(10 * form.averageCharWidth(), header + 3 * row);
}

QTreeWidget* QueryForm::tabellenListe() const
{
    return m_tables;
}

QTreeWidget* QueryForm::feldListe() const
{
    return m_fields;
}

ResultListView* QueryForm::datenListe() const
{
    return m_results->view();
}

QSplitter* QueryForm::tablesAndFields() const
{
    return m_tabFldSplit;
}

QSplitter* QueryForm::listsAndResults() const
{
    return m_datenSplit;
}

const ListViewColumnArray& QueryForm::tableColumns() const
{
    return m_tables->columns();
}

const ListViewColumnArray& QueryForm::fieldColumns() const
{
    return m_fields->columns();
}

// ---- Frame ------------------------------------------------------------------------------

void QueryForm::InitControls()
{
    if (FillTabellenListe())
        m_conditions->startButton()->setEnabled(true);
}

QString QueryForm::panelText(int panel) const
{
    return m_statusBar->panelText(panel);
}

void QueryForm::setPanel(int panel, const QString& text)
{
    m_statusBar->setPanelText(panel, text);
}

void QueryForm::ClearStatusPanels()
{
    setPanel(5, QString());
    setPanel(6, QString());
}

void QueryForm::updateTablePanel()
{
    setPanel(1, QString::number(m_tables->topLevelItemCount()) + u' ' + GetMessageTextByNr(125));
}

void QueryForm::updateFieldPanel()
{
    const int count = m_fields->topLevelItemCount();
    if (m_context.aktTableName.isEmpty() && count == 0) {
        setPanel(2, QString());
        return;
    }
    setPanel(2, m_context.aktTableName + u": "_s + QString::number(count) + u' ' + GetMessageTextByNr(128));
}

void QueryForm::ShowQueryMessage(const QSharedPointer<KLVMessage>& message)
{
    if (!message)
        return;
    const QString line = QueryRules::MessageLine(int(message->MsgType()), message->Text());
    if (line.isEmpty())
        return;
    const QString now = panelText(5);
    setPanel(5, now.isEmpty() ? line : now + CrLf + line);
}

void QueryForm::statusPanelClicked(int panel)
{
    const QString text = panelText(panel);
    if (text.isEmpty())
        return;
    if (panel == 5)
        ShowMessageBox(GetMessageTextByNr(147) + CrLf + CrLf + text);
    else if (panel == 6)
        ShowQueryStringWindow();
}

QueryStringForm* QueryForm::ensureQueryStringWindow()
{
    if (!m_queryStringWindow) {
        m_queryStringWindow = new QueryStringForm(this);
        connect(m_queryStringWindow, &QueryStringForm::RequestRefresh, this, [this] { SetQueryStringWindowValues(); });
    }
    return m_queryStringWindow;
}

void QueryForm::SetQueryStringWindowValues()
{
    if (!m_queryStringWindow)
        return;
    const QSharedPointer<KLVSelection> selection = GetSelection();
    m_queryStringWindow->SetQueryString(m_context.aktTableName, m_context.aktTableID, selection->SelString(),
                                        BuildFldLst());
}

void QueryForm::ShowQueryStringWindow()
{
    QueryStringForm* w = ensureQueryStringWindow();
    SetQueryStringWindowValues();
    w->show();
    w->raise();
}

bool QueryForm::refused() const
{
    return m_running || m_busy > 0;
}

void QueryForm::closeIfPending()
{
    if (!m_closePending || m_running || m_busy > 0)
        return;
    m_closePending = false;
    QTimer::singleShot(0, this, [this] { LayoutStore::WindowOf(this)->close(); });
}

// ---- Window state and layout --------------------------------------------------------------

void QueryForm::RestoreWindowPlacement(int windowState)
{
    m_requestedState = windowState;
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub) {
        placeInFrame();
        return;
    }
    ResizeForm();
    QMdiArea* area = sub->mdiArea();
    if (area && !area->isVisible()) {
        // Placed in a frame that has no size yet, it would be placed wrongly: its place waits
        // until the frame is shown, its state is there at once.
        sub->hide();
        sub->setWindowState(windowState == 2   ? Qt::WindowMaximized
                            : windowState == 1 ? Qt::WindowMinimized
                                               : Qt::WindowNoState);
        m_placementPending = true;
        area->installEventFilter(this);
        return;
    }
    placeInFrame();
}

void QueryForm::placeInFrame()
{
    m_placementPending = false;
    QWidget* w = LayoutStore::WindowOf(this);
    // The stored normal place and size (the designed size, centred, when none is stored), then
    // the asked state.
    if (w != this)
        w->resize(w->sizeHint());
    LoadFormPosition(this, section());
    // Its place in the normal state is kept while it is maximised or minimised too.
    if (w != this)
        LayoutStore::TrackNormalGeometry(w);
    switch (m_requestedState) {
    case 2:
        w->showMaximized();
        break;
    case 1:
        w->showMinimized();
        break;
    default:
        w->showNormal();
        break;
    }
}

void QueryForm::ResizeForm()
{
    if (!App().MainForm)
        return;
    const int minWidth = Twips::toPixelsX(App().MainForm->property("MinWidth").toInt());
    const int minHeight = Twips::toPixelsY(App().MainForm->property("MinHeight").toInt());
    // Qt keeps a window in the normal state at least this large; maximised it fills its frame.
    LayoutStore::WindowOf(this)->setMinimumSize(minWidth, minHeight);
}

void QueryForm::ResizeControlsHorizontal(int& TabListWidth)
{
    if (TabListWidth < 1)
        return; // the splitter shares a change of the width half and half
    m_storedTableListWidth = TabListWidth;
    if (isVisible())
        m_tabFldSplit->setFirstSize(Twips::toPixelsX(TabListWidth));
}

void QueryForm::ResizeControlsVertical(int& TabListHeight)
{
    if (TabListHeight < 1)
        return; // the result list takes a change of the height
    m_storedTableListHeight = TabListHeight;
    if (isVisible())
        m_datenSplit->setFirstSize(Twips::toPixelsY(TabListHeight));
}

void QueryForm::applyPaneSizes()
{
    if (!isVisible())
        return;
    // Without stored sizes: the lists share the width, and they have half the height the
    // result list and they share.
    if (m_storedTableListWidth >= 1) {
        m_tabFldSplit->setFirstSize(Twips::toPixelsX(m_storedTableListWidth));
    } else {
        const QList<int> sizes = m_tabFldSplit->sizes();
        m_tabFldSplit->setFirstSize((sizes.value(0) + sizes.value(1)) / 2);
    }
    if (m_storedTableListHeight >= 1) {
        m_datenSplit->setFirstSize(Twips::toPixelsY(m_storedTableListHeight));
    } else {
        const QList<int> sizes = m_datenSplit->sizes();
        m_datenSplit->setFirstSize((sizes.value(0) + sizes.value(1)) / 2);
    }
    m_paneSizesApplied = true;
}

void QueryForm::settle()
{
    m_settled = true;
    if (m_firstInput) {
        m_firstInput->deleteLater();
        m_firstInput = nullptr;
    }
}

void QueryForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_settled)
        return;
    applyPaneSizes();
    // The stored sizes hold until the user first touches the program: whatever sizes the
    // frame gets until then is part of opening the window.
    if (!m_firstInput)
        m_firstInput = new FirstInputWatcher(this, [this] { settle(); });
}

void QueryForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_settled)
        applyPaneSizes();
}

// ---- Events -----------------------------------------------------------------------------

bool QueryForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && App().MainForm) {
        MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
        // The menus of a running query stay off.
        if (m_running) {
            FormSupport::setMainEntryEnabled(u"ExportMenue"_s, false);
            FormSupport::setMainEntryEnabled(u"DatenlisteMenue"_s, false);
        }
    }
    return QWidget::event(event);
}

bool QueryForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control && (control == this || (isAncestorOf(control) && control->window() == window())))
            return handleKey(control, static_cast<QKeyEvent*>(event));
        break;
    }
    case QEvent::Show:
        if (m_placementPending && qobject_cast<QMdiArea*>(watched)) {
            watched->removeEventFilter(this);
            placeInFrame();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool QueryForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = FormSupport::shiftState(key);
    const auto within = [control](QWidget* list) { return control == list || list->isAncestorOf(control); };
    const bool inTables = within(m_tables);
    const bool inFields = within(m_fields);
    const bool inData = within(m_results);

    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (inTables) {
            openSelectedTable();
        } else if (m_conditions->breakButton()->isEnabled()) {
            BreakQuery();
        } else if (m_conditions->startButton()->isEnabled()) {
            AbfrageStarten();
        }
        return true;
    case Qt::Key_F1:
        ShowHelpTopic(GetMessageTextByNr(904));
        return true;
    case Qt::Key_F5:
        if (inTables)
            FillTabellenListe();
        else if (inFields)
            FillFeldListe(true);
        else if (inData)
            AbfrageStarten();
        return inTables || inFields || inData;
    case Qt::Key_F7:
        if (inTables)
            SelectTableColumns();
        else if (inFields)
            SelectFieldColumns();
        return inTables || inFields;
    case Qt::Key_Insert:
        if (inFields && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            AddExtraFeld(mods == Qt::ShiftModifier);
            return true;
        }
        if (inTables) {
            AddExtraTable();
            return true;
        }
        return false;
    case Qt::Key_F2:
        if (inFields) {
            if (QTreeWidgetItem* item = m_fields->selectedRow();
                item && (mods == Qt::NoModifier || mods == Qt::ShiftModifier))
                ChangeExtraFeld(FieldListPane::rowKey(item), mods == Qt::ShiftModifier);
            return true;
        }
        if (inTables) {
            ChangeTableName();
            return true;
        }
        return false;
    case Qt::Key_Delete:
        if (inFields) {
            if (QTreeWidgetItem* item = m_fields->selectedRow())
                DeleteExtraFeld(FieldListPane::rowKey(item));
            return true;
        }
        if (inTables) {
            RemoveExtraTable();
            return true;
        }
        return false;
    case Qt::Key_F11:
        GUIOeffnen(false);
        return true;
    case Qt::Key_F12:
        GUIOeffnen(true);
        return true;
    case Qt::Key_C:
        // Text boxes keep their own copy; the lists copy all their rows.
        if (mods == Qt::ControlModifier && (inTables || inFields || inData)) {
            CopyListViewToClipboard(inTables   ? static_cast<QWidget*>(m_tables)
                                    : inFields ? static_cast<QWidget*>(m_fields)
                                               : static_cast<QWidget*>(m_results->view()));
            return true;
        }
        return false;
    case Qt::Key_Print:
        if (mods == (Qt::ControlModifier | Qt::AltModifier)) {
            PrintFormHardcopy(this);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void QueryForm::closeEvent(QCloseEvent* event)
{
    // A running query is broken off first; the window closes once the run has ended.
    if (m_running) {
        m_closePending = true;
        BreakQuery();
        event->ignore();
        return;
    }
    if (m_busy > 0) {
        // A catalogue request still waits: it is broken off, and the close follows it.
        m_closePending = true;
        if (m_context.query)
            m_context.query->Break();
        if (m_context.tmpQuery)
            m_context.tmpQuery->Break();
        event->ignore();
        return;
    }
    if (m_queryStringWindow) {
        m_queryStringWindow->close();
        delete m_queryStringWindow;
    }
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(App().MainForm, "CheckQuerySettingsChanges", check);
    if (check.value(1).toInt() == 2) {
        m_closePending = false;
        event->ignore();
        return;
    }
    SaveQueryWindowSettings();
    SaveExtraTables();
    event->accept();
    hide();
    MemberCall::Invoke(App().MainForm, "QueryWindowClosed");
}

// ---- Run and result list ------------------------------------------------------------------

QString QueryForm::BuildFldLst() const
{
    const ResultListView* view = m_results->view();
    QStringList tags;
    for (int c = 0; c < view->columnCount(); ++c)
        tags.append(view->columnTag(c));
    return tags.join(u',');
}

QString QueryForm::columnCaption(const QTreeWidgetItem* fieldItem) const
{
    if (ViewerFlag(u"ColumnHeadersDesc"_s, ViewerConfig::Key::ColHeadersDesc))
        return QueryTag::Tag2Field(CatalogueListPane::rowTag(fieldItem), 4);
    return fieldItem->text(0);
}

void QueryForm::InsertDataColumn(QTreeWidgetItem* FeldlisteItem, int& Breite)
{
    if (!FeldlisteItem)
        return;
    if (Breite < 1)
        Breite = DefaultColumnWidth;
    m_results->view()->addColumn(FieldListPane::rowKey(FeldlisteItem),
                                 QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(FeldlisteItem)),
                                 columnCaption(FeldlisteItem), Breite);
}

bool QueryForm::UpdateDataColumns()
{
    if (m_running)
        return false;
    const int rows = m_fields->topLevelItemCount();
    const int checked = m_fields->checkedCount();
    const bool all = checked == 0;
    if ((all ? rows : checked) > MaxDataColumns) {
        ShowMessageBox(GetMessageTextByNr(168));
        return false;
    }
    ResultListView* view = m_results->view();
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* row = m_fields->topLevelItem(i);
        const int column = view->columnOfTag(QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(row)));
        const bool chosen = all || row->checkState(0) == Qt::Checked;
        if (chosen && column < 0) {
            int width = 0;
            InsertDataColumn(row, width);
        } else if (!chosen && column >= 0) {
            view->removeColumn(column);
        }
    }
    return true;
}

bool QueryForm::UpdateDataColumns(bool flag)
{
    Q_UNUSED(flag);
    return UpdateDataColumns();
}

void QueryForm::UpdateDataColumnHeaderText()
{
    ResultListView* view = m_results->view();
    for (int c = 0; c < view->columnCount(); ++c) {
        if (const QTreeWidgetItem* row = m_fields->row(view->columnKey(c)))
            view->setColumnCaption(c, columnCaption(row));
    }
}

void QueryForm::ResortDataColumns()
{
    ResultListView* view = m_results->view();
    int position = 0;
    for (int i = 0; i < m_fields->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_fields->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        const int column = view->columnOfTag(QueryTag::FieldTag2QueryFldName(CatalogueListPane::rowTag(row)));
        if (column >= 0 && view->columnPosition(column) > position)
            view->moveColumnToPosition(column, position);
        ++position;
    }
}

void QueryForm::ResortDatenListe(int& column)
{
    m_results->resort(column);
}

void QueryForm::ShowAnzSaetze(int Anzahl, int Schaetzzahl)
{
    setPanel(4, QueryRules::CountText(Anzahl, Schaetzzahl));
}

void QueryForm::setRunState(bool running)
{
    m_running = running;
    m_conditions->setRunning(running);
    FormSupport::setMainEntryEnabled(u"ExportMenue"_s, !running);
    FormSupport::setMainEntryEnabled(u"DatenlisteMenue"_s, !running);
    FormSupport::setMousePointer(running ? 11 : 0);
}

void QueryForm::BreakQuery()
{
    if (!m_running)
        return;
    m_breakRequested = true;
    if (m_results->fill()->isRunning())
        m_results->fill()->requestBreak();
    else if (m_context.query)
        m_context.query->Break();
}

void QueryForm::AbfrageStarten()
{
    if (refused())
        return;
    // The run needs the table whose fields are shown, chosen in the table list.
    QTreeWidgetItem* row = m_tables->selectedRow();
    if (!row || m_context.aktTableID.isEmpty() ||
        QueryTag::Tag2Field(CatalogueListPane::rowTag(row), 3) != m_context.aktTableID) {
        ShowMessageBox(GetMessageTextByNr(139));
        m_tables->setFocus();
        return;
    }
    if (!m_conditions->keyServesStorageKind()) {
        ShowMessageBox(GetMessageTextByNr(176));
        return;
    }

    ResultListView* view = m_results->view();
    setPanel(4, QString());
    view->clearRows();
    ClearStatusPanels();
    if (row->text(0) != m_fields->tableShown())
        view->removeAllColumns();
    if (!UpdateDataColumns())
        return;

    m_breakRequested = false;
    setRunState(true);
    const QSharedPointer<KLVSelection> selection = GetSelection();
    const QString fields = BuildFldLst();
    if (ViewerFlag(u"SaveQueryAuto"_s, ViewerConfig::Key::QueryAutoSave))
        MemberCall::Invoke(App().MainForm, "SaveQuerySettings",
                           {QVariant::fromValue<QWidget*>(this), m_context.aktTableName, GetMessageTextByNr(126)});

    setPanel(6, selection->SelString());
    if (m_queryStringWindow)
        m_queryStringWindow->SetQueryString(m_context.aktTableName, m_context.aktTableID, selection->SelString(),
                                            fields);

    // The library's waits run the event loop: the window may hear of a break meanwhile.
    const QPointer<QueryForm> self(this);
    const QSharedPointer<KLVQuery> query = m_context.query;
    int rows = 0;
    QString readError;
    const bool started = query && query->StartQuerySel(selection, fields + u",+id"_s);
    if (!self)
        return;
    if (!started) {
        if (!m_breakRequested && query) {
            const QSharedPointer<KLVError> error = query->GetLastKLVError();
            ShowMessageBox(GetMessageTextByNr(140) + CrLf + (error ? error->ErrInfo() : query->GetLastError()));
        }
    } else {
        ResultFill* fill = m_results->fill();
        rows = fill->run(query, view->columnCount(), [this](int n, int total) { ShowAnzSaetze(n, total); });
        if (!self)
            return;
        readError = fill->wasBroken() ? QString() : fill->lastError();
    }
    ShowAnzSaetze(std::max(rows, 0), started && query ? query->GetRecordTotal() : 0);
    // A block that could not be read ends the run as failed: the rows read so far stay, and
    // the count says that they are not all there.
    if (!readError.isEmpty()) {
        setPanel(4, QueryRules::CountText(std::max(rows, 0), query->GetRecordTotal()) + u" - "_s +
                        GetMessageTextByNr(149) + u": "_s + readError);
        ShowMessageBox(GetMessageTextByNr(148) + CrLf + readError);
    }
    setRunState(false);
    closeIfPending();
}

bool QueryForm::ReadRecordOrigin(QString& ref, int& dnr, int& gruppe)
{
    ref = m_results->view()->selectedRowTag();
    return ResultDragData::ReadRecordOrigin(m_context.tmpQuery.data(), ref, dnr, gruppe);
}

void QueryForm::GUIOeffnen(bool Aendern)
{
    if (m_results->view()->selectedRow() < 0)
        return;
    QString ref;
    int dnr = -1;
    int gruppe = -1;
    ReadRecordOrigin(ref, dnr, gruppe);
    if (!ref.isEmpty())
        SendGuiCommand(QString(), ref, Aendern ? 2 : 4);
}

void QueryForm::ShowExportDialog(int ExportType, bool RowsFromCaller)
{
    QueryExportHandoff::ShowExportDialog(QueryExportSource::FromWindow(this), ExportType, RowsFromCaller);
}

QString QueryForm::GetResultField(int& row, QString& fieldKey)
{
    return m_results->view()->GetResultField(row, fieldKey);
}

// ---- Table list and extra tables ----------------------------------------------------------

bool QueryForm::FillTabellenListe()
{
    if (refused())
        return false;
    const BusyScope busy(this);
    return fillTableList();
}

bool QueryForm::fillTableList()
{
    // The window is emptied: no table, and so no saved query either, which could otherwise
    // be asked about or written under an empty table name.
    m_context.aktTableName.clear();
    m_context.aktTableID.clear();
    m_context.aktTableHasTable = false;
    m_context.aktQueryName.clear();
    ClearForm();
    setPanel(3, QString());
    setPanel(4, QString());
    m_conditions->startButton()->setEnabled(false);

    const QPointer<QueryForm> self(this);
    const bool filled = m_tables->fill();
    if (!self)
        return false;
    m_tables->setFocus();
    m_conditions->startButton()->setEnabled(filled);
    return filled;
}

bool QueryForm::IsExtraTable(const QString& tableName) const
{
    return m_tables->isExtraTable(tableName);
}

void QueryForm::AddExtraTable()
{
    if (refused())
        return;
    const BusyScope busy(this);
    m_tables->addExtraTable();
}

void QueryForm::ChangeTableName()
{
    if (refused())
        return;
    const BusyScope busy(this);
    m_tables->changeTableName();
}

void QueryForm::RemoveExtraTable()
{
    if (!refused())
        m_tables->removeExtraTable();
}

void QueryForm::SelectTableColumns()
{
    if (refused())
        return;
    const BusyScope busy(this);
    if (m_tables->chooseColumns())
        fillTableList();
}

void QueryForm::ResortTabellenListe(int& column)
{
    m_tables->resort(column);
}

void QueryForm::openSelectedTable()
{
    QTreeWidgetItem* item = m_tables->selectedRow();
    if (!item)
        return;
    const QString tag = CatalogueListPane::rowTag(item);
    BuildTableInfos(item->text(0), QueryTag::Tag2Field(tag, 3), QueryTag::ToBool(QueryTag::Tag2Field(tag, 11)), true);
}

void QueryForm::BuildTableInfos(const QString& TableName, const QString& TableID, bool HasTable, bool SetFocusFeldliste)
{
    if (refused())
        return;
    const BusyScope busy(this);
    buildTableInfos(TableName, TableID, HasTable, SetFocusFeldliste);
}

void QueryForm::buildTableInfos(const QString& TableName, const QString& TableID, bool HasTable, bool SetFocusFeldliste)
{
    const QPointer<QueryForm> self(this);

    // The query shown so far is saved or asked about before anything changes; Cancel stays.
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(App().MainForm, "CheckQuerySettingsChanges", check);
    if (!self || check.value(1).toInt() == 2)
        return;

    FormSupport::setMousePointer(11);
    m_context.aktTableName = TableName;
    m_context.aktTableID = TableID;
    m_context.aktTableHasTable = HasTable;
    m_context.aktQueryName.clear();

    fillFieldList(false);
    if (!self)
        return;
    fillKeyList();
    if (!self)
        return;
    FillAblageart();
    m_results->view()->clearRows();
    setPanel(4, QString());

    MemberCall::Invoke(App().MainForm, "FillTableQueries", {QVariant::fromValue<QWidget*>(this), TableName});
    QVariantList load{QVariant::fromValue<QWidget*>(this), TableName, TableID, GetMessageTextByNr(126), HasTable};
    MemberCall::Invoke(App().MainForm, "GetQuerySettings", load);
    if (!self)
        return;
    if (SetFocusFeldliste)
        SetFieldVisible(1);
    FormSupport::setMousePointer(0);
}

// ---- Field list -----------------------------------------------------------------------------

void QueryForm::FillFeldListe(bool SaveCheckedState)
{
    if (refused())
        return;
    const BusyScope busy(this);
    fillFieldList(SaveCheckedState);
}

void QueryForm::fillFieldList(bool SaveCheckedState)
{
    const QPointer<QueryForm> self(this);
    ClearStatusPanels();
    m_conditions->startButton()->setEnabled(false);
    m_fields->fill(SaveCheckedState);
    if (!self)
        return;
    updateFieldPanel();
    SetQueryStringWindowValues();
    m_conditions->startButton()->setEnabled(m_tables->topLevelItemCount() > 0);
}

bool QueryForm::InsertFeld(const QString& FldName, const QStringList& FldFields,
                           const QList<QSharedPointer<KLVQueryFieldMetaData>>& MetaData, bool FldIsExtra,
                           bool CheckField, bool SelectField, int Position)
{
    return m_fields->insertFeld(FldName, FldFields, MetaData, FldIsExtra, CheckField, SelectField, Position);
}

void QueryForm::SetFieldVisible(int FldIndex)
{
    m_fields->setFieldVisible(FldIndex);
}

void QueryForm::SelectFieldColumns()
{
    if (refused())
        return;
    const BusyScope busy(this);
    if (m_fields->chooseColumns())
        fillFieldList(true);
}

void QueryForm::ResortFeldListe(int column)
{
    m_fields->resort(column);
}

void QueryForm::SetAllFieldsSelection(int Range, int Mode)
{
    m_fields->setAllFieldsSelection(Range, Mode);
}

void QueryForm::SetFieldSelection(int Index, int Mode)
{
    m_fields->setFieldSelection(Index, Mode);
}

int QueryForm::InsertExtraFeld(const QString& ExtraFeldName, bool SelectField, int& Position, bool CheckField)
{
    return m_fields->insertExtraFeld(ExtraFeldName, SelectField, Position, CheckField);
}

int QueryForm::InsertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField)
{
    return m_fields->insertVerknFeld(name, SelectField, Position, CheckField);
}

void QueryForm::AddExtraFeld(bool Manuell)
{
    if (refused() || m_context.aktTableName.isEmpty())
        return;
    const BusyScope busy(this);
    m_fields->addExtraFeld(Manuell);
}

void QueryForm::ChangeExtraFeld(const QString& FldKey, bool Manuell)
{
    if (refused() || !IsExtraFeldKey(FldKey))
        return;
    const BusyScope busy(this);
    m_fields->changeExtraFeld(FldKey, Manuell);
}

void QueryForm::DeleteExtraFeld(const QString& FldKey)
{
    if (!refused())
        m_fields->deleteExtraFeld(FldKey);
}

QString QueryForm::ShowVerknAuswahlForm(QTreeWidgetItem* FeldlisteItem)
{
    return m_fields->showVerknAuswahlForm(FeldlisteItem);
}

void QueryForm::fieldRowActivated(QTreeWidgetItem* item)
{
    if (refused())
        return;
    const BusyScope busy(this);
    m_fields->activateRow(item);
}

// ---- Keys, storage kinds and selection --------------------------------------------------------

void QueryForm::FillKeyListe()
{
    if (refused())
        return;
    const BusyScope busy(this);
    fillKeyList();
}

void QueryForm::fillKeyList()
{
    const QPointer<QueryForm> self(this);
    m_conditions->startButton()->setEnabled(false);
    m_conditions->fillKeys();
    if (self)
        m_conditions->startButton()->setEnabled(m_tables->topLevelItemCount() > 0);
}

void QueryForm::keyInfoClicked()
{
    ShowSchluesselInfo(m_context.aktTableName, m_context.aktTableID, m_conditions->keyName());
}

void QueryForm::ShowSchluesselInfo(const QString& TableName, const QString& TableID, const QString& SchlName)
{
    if (TableName.isEmpty() || SchlName.isEmpty() || SchlName == App().NoKeyText)
        return;
    if (keyInfoHandler())
        keyInfoHandler()(QueryContext::session(), TableName, TableID, SchlName);
}

void QueryForm::keyEstimationClicked()
{
    if (m_context.aktTableID.isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(139));
        m_tables->setFocus();
        return;
    }
    if (ViewerFlag(u"SaveQueryAuto"_s, ViewerConfig::Key::QueryAutoSave))
        MemberCall::Invoke(App().MainForm, "SaveQuerySettings",
                           {QVariant::fromValue<QWidget*>(this), m_context.aktTableName, GetMessageTextByNr(126)});
    SchluesselSchaetzenForm::DefaultInstance()->SchaetzungZeigen(QueryContext::session(), this);
}

bool QueryForm::Key4AblageartExists(int AblArt) const
{
    return m_conditions->key4AblageartExists(AblArt);
}

void QueryForm::FillAblageart()
{
    m_conditions->fillStorageKinds();
}

QSharedPointer<KLVSelection> QueryForm::GetSelection() const
{
    return m_conditions->selection();
}

// ---- Templates and window state -------------------------------------------------------------

void QueryForm::LoadRohlingProperties(QString& ref)
{
    const QPointer<QueryForm> self(this);
    m_conditions->loadTemplate(ref);
    if (self)
        m_context.aktQueryName.clear();
}

void QueryForm::GetCurrentFieldList(QString& fields, QString& widths) const
{
    const ResultListView* view = m_results->view();
    const int n = view->columnCount();
    if (n == 0)
        return;
    QStringList names(n);
    QStringList sizes(n);
    for (int c = 0; c < n; ++c) {
        const int p = view->columnPosition(c);
        if (p < 0 || p >= n)
            continue;
        names[p] = view->columnTag(c);
        sizes[p] = QString::number(view->columnWidthTwips(c));
    }
    fields = names.join(u',');
    widths = sizes.join(u',');
}

void QueryForm::ClearForm()
{
    ClearStatusPanels();
    m_tables->clear();
    m_fields->clear();
    m_results->view()->removeAllColumns();
    m_conditions->clear();
}

void QueryForm::ReloadForm()
{
    if (refused())
        return;
    const BusyScope busy(this);
    const QString id = m_context.aktTableID;
    const QPointer<QueryForm> self(this);
    fillTableList();
    if (!self || id.isEmpty())
        return;
    // The previous table is found again by its id.
    QTreeWidgetItem* item = m_tables->rowOfTableId(id);
    if (!item)
        return;
    m_tables->setCurrentItem(item);
    item->setSelected(true);
    m_tables->scrollToItem(item);
    const QString tag = CatalogueListPane::rowTag(item);
    buildTableInfos(item->text(0), id, QueryTag::ToBool(QueryTag::Tag2Field(tag, 11)), true);
}

void QueryForm::SaveExtraTables()
{
    m_tables->saveExtraTables();
}

void QueryForm::SaveQueryWindowSettings()
{
    if (!FormSupport::saveWindowState())
        return;
    SaveFormPosition(this, section());
    // A window that never had its real size keeps the sizes it was given.
    const auto twips = [](double value) { return QString::number(std::lround(value)); };
    const QString width =
        m_paneSizesApplied ? twips(Twips::fromPixelsX(m_tables->width())) : QString::number(m_storedTableListWidth);
    const QString height =
        m_paneSizesApplied ? twips(Twips::fromPixelsY(m_tables->height())) : QString::number(m_storedTableListHeight);
    LayoutStore::SetWindowValue(section(), LayoutStore::WindowKey::TableListWidth, width);
    LayoutStore::SetWindowValue(section(), LayoutStore::WindowKey::TableListHeight, height);
    m_tables->saveColumnLayout(section());
    m_fields->saveColumnLayout(section());
}

void QueryForm::RestoreQueryWindowSettings()
{
    // The window's place comes with its frame (RestoreWindowPlacement); here the panes.
    if (const auto w = storedTwips(LayoutStore::WindowKey::TableListWidth); w && *w >= 1)
        m_storedTableListWidth = *w;
    if (const auto h = storedTwips(LayoutStore::WindowKey::TableListHeight); h && *h >= 1)
        m_storedTableListHeight = *h;
    m_tables->restoreColumnLayout(section());
    m_fields->restoreColumnLayout(section());
}

QString QueryForm::FieldArray2Tag(const QStringList& record) const
{
    return QueryTag::FieldArray2Tag(record);
}

QString QueryForm::Tag2Field(const QString& tag, int position) const
{
    return QueryTag::Tag2Field(tag, position);
}

void QueryForm::Tag2Field(const QString& tag, int position, QString& value) const
{
    value = QueryTag::Tag2Field(tag, position);
}

QString QueryForm::FieldTag2QueryFldName(const QString& tag) const
{
    return QueryTag::FieldTag2QueryFldName(tag);
}
