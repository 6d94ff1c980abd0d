#include "QueryForm.h"

#include "ChildWindowFrame.h"
#include "ConditionsPanel.h"
#include "FieldListPane.h"
#include "FocusFrame.h"
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
#include "QueryKeys.h"
#include "QueryPaneSizes.h"
#include "QueryRules.h"
#include "QueryRun.h"
#include "QueryStatusBar.h"
#include "QueryStringForm.h"
#include "QueryTag.h"
#include "ResultDragData.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "ResultPane.h"
#include "SchluesselSchaetzenForm.h"
#include "ServerWait.h"
#include "TableListPane.h"
#include "Twips.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QCloseEvent>
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

} // namespace

void QueryForm::SetKeyInfoHandler(KeyInfoHandler handler)
{
    keyInfoHandler() = std::move(handler);
}

QueryForm::QueryForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"QueryForm"_s);
    setWindowTitle(u"1450"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame = new ChildWindowFrame(this, section());
    m_wait = new ServerWait(this);
    m_run = std::make_unique<QueryRun>(this, &m_context, m_wait);
    connect(m_wait, &ServerWait::brokenOff, this, [this] {
        // The window says so beside the count of what it read.
        const QString count = panelText(4);
        const QString text = GetMessageTextByNr(35);
        setPanel(4, count.isEmpty() ? text : count + u" - "_s + text);
    });

    // The window's two queries; the auxiliary one collects its errors for the messages.
    if (const QSharedPointer<KLV> tav = QueryContext::session()) {
        m_context.query = tav->CreateQuery();
        m_context.tmpQuery = tav->CreateQuery();
    }
    m_context.tmpCollector = QSharedPointer<KLVMessageCollector>::create();
    if (m_context.query) {
        m_context.query->setEnableQueryMetaData(true);
        connect(m_context.query.data(), &KLVQuery::MessageReceived, this,
                [this](QSharedPointer<KLVMessage>& message) { m_statusBar->appendMessage(message); });
    }
    if (m_context.tmpQuery) {
        m_context.tmpQuery->setEnableQueryMetaData(true);
        m_context.tmpQuery->setErrorMessageCollector(m_context.tmpCollector);
    }

    buildPanes();
    m_paneSizes = new QueryPaneSizes(this, m_tabFldSplit, m_datenSplit, m_tables, section());
    connectPanes();
    // The window sees keys before its controls.
    FormSupport::watchKeys(this);
    InitFormCommon(this);
    m_paneSizes->keepMinimums(m_fields, m_results, m_results->view());
    RestoreQueryWindowSettings();
    ensureQueryStringWindow();

    resize(sizeHint());
}

QSize QueryForm::sizeHint() const
{
    return QSize(Twips::toPixelsX(9600), Twips::toPixelsY(7200));
}

QueryForm::~QueryForm()
{
    ChildWindowFrame::endConnections(this);
}

void QueryForm::buildPanes()
{
    const int hRand = std::max(1, Twips::toPixelsX(Margin));
    const int vRand = std::max(1, Twips::toPixelsY(Margin));

    m_tables = new TableListPane(&m_context);
    m_fields = new FieldListPane(&m_context);
    m_results = new ResultPane(&m_context);
    m_conditions = new ConditionsPanel(&m_context);
    m_statusBar = new QueryStatusBar;
    for (QAbstractItemView* list :
         {static_cast<QAbstractItemView*>(m_tables), static_cast<QAbstractItemView*>(m_fields),
          static_cast<QAbstractItemView*>(m_results->view())})
        FocusFrame::install(list);

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
    connect(m_statusBar, &QueryStatusBar::selectionClicked, this, [this] { ShowQueryStringWindow(); });

    // The panels follow the lists they count.
    for (QAbstractItemModel* model : {m_tables->model(), m_fields->model()}) {
        const bool tables = model == m_tables->model();
        const auto follow = [this, tables] { tables ? updateTablePanel() : updateFieldPanel(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, follow);
        connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
        connect(model, &QAbstractItemModel::modelReset, this, follow);
    }
    // Rows that went outside a run (another table, a saved query loaded) take their count,
    // their server messages and the selection that read them along.
    connect(m_results, &ResultPane::rowsCleared, this, [this] {
        if (m_run->isRunning())
            return;
        setPanel(4, QString());
        ClearStatusPanels();
    });
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
    m_statusBar->showTableCount(m_tables->topLevelItemCount());
}

void QueryForm::updateFieldPanel()
{
    m_statusBar->showFieldCount(m_context.aktTableName, m_fields->topLevelItemCount());
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
    return m_run->isRunning() || m_wait->isBusy() || m_wait->isClosePending();
}

bool QueryForm::isQueryRunning() const
{
    return m_run->isRunning();
}

bool QueryForm::isBusy() const
{
    return m_wait->isBusy();
}

void QueryForm::breakOff()
{
    if (m_run->isRunning())
        m_run->breakOff();
    else
        m_wait->breakOff();
}

ServerWait::Scope QueryForm::waitScope()
{
    // The window's catalogue reads wait on its auxiliary query, its run on its query.
    return ServerWait::Scope(m_wait, 0, m_context.tmpQuery, m_context.query);
}

// ---- Window state and layout --------------------------------------------------------------

void QueryForm::ResizeForm()
{
    // Qt keeps a window in the normal state at least this large; maximised it fills its frame.
    m_frame->applyLeastSize();
}

void QueryForm::ResizeControlsHorizontal(int& TabListWidth)
{
    m_paneSizes->setTableListWidth(TabListWidth);
}

void QueryForm::ResizeControlsVertical(int& TabListHeight)
{
    m_paneSizes->setTableListHeight(TabListHeight);
}

// ---- Events -----------------------------------------------------------------------------

bool QueryForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && App().MainForm) {
        MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
        // The menus of a running query stay off.
        if (m_run->isRunning()) {
            FormSupport::setMainEntryEnabled(u"ExportMenue"_s, false);
            FormSupport::setMainEntryEnabled(u"DatenlisteMenue"_s, false);
        }
    }
    return QWidget::event(event);
}

bool QueryForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control && (control == this || (isAncestorOf(control) && control->window() == window())))
            return QueryKeys::Handle(*this, control, static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void QueryForm::closeEvent(QCloseEvent* event)
{
    // A running query, or a catalogue request, is broken off first; the window closes once
    // it has ended.
    if (m_run->isRunning())
        m_run->breakOff();
    if (!m_wait->mayClose(event))
        return;
    if (m_queryStringWindow) {
        m_queryStringWindow->close();
        delete m_queryStringWindow;
    }
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(App().MainForm, "CheckQuerySettingsChanges", check);
    if (check.value(1).toInt() == 2) {
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
    return m_results->fieldList();
}

void QueryForm::InsertDataColumn(QTreeWidgetItem* FeldlisteItem, int& Breite)
{
    m_results->insertColumn(FeldlisteItem, Breite);
}

bool QueryForm::UpdateDataColumns()
{
    if (m_run->isRunning())
        return false;
    if (!m_results->followCheckedFields(m_fields, MaxDataColumns)) {
        ShowMessageBox(GetMessageTextByNr(168));
        return false;
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
    m_results->updateCaptions(m_fields);
}

void QueryForm::ResortDataColumns()
{
    m_results->orderLikeFields(m_fields);
}

void QueryForm::ResortDatenListe(int& column)
{
    m_results->resort(column);
}

void QueryForm::ShowAnzSaetze(int Anzahl, int Schaetzzahl)
{
    setPanel(4, QueryRules::CountText(Anzahl, Schaetzzahl));
}

void QueryForm::BreakQuery()
{
    m_run->breakOff();
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
    if (UpdateDataColumns())
        m_run->run();
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
    if (!mayLeaveQuery())
        return m_tables->topLevelItemCount() > 0;
    const ServerWait::Scope busy = waitScope();
    return fillTableList();
}

bool QueryForm::mayLeaveQuery()
{
    // As before a close: the query shown is saved or asked about while the window still
    // shows it; Cancel keeps it.
    const QPointer<QueryForm> self(this);
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(App().MainForm, "CheckQuerySettingsChanges", check);
    return self && check.value(1).toInt() != 2;
}

bool QueryForm::fillTableList()
{
    // The window is emptied: no table, and so no saved query either, which could otherwise
    // be asked about against the emptied controls or written under an empty table name. The
    // caller asked about the query before.
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
    const ServerWait::Scope busy = waitScope();
    m_tables->addExtraTable();
}

void QueryForm::ChangeTableName()
{
    if (refused())
        return;
    const ServerWait::Scope busy = waitScope();
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
    const ServerWait::Scope busy = waitScope();
    // The columns chosen take effect with the refill; kept when the user stays with the query.
    const ListViewColumnArray before = m_tables->columns();
    if (!m_tables->chooseColumns())
        return;
    if (mayLeaveQuery())
        fillTableList();
    else
        m_tables->columns() = before;
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
    const ServerWait::Scope busy = waitScope();
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
    // A connection found lost there is told once: the key list asks it nothing more.
    if (!self || ConnectionLost()) {
        FormSupport::setMousePointer(0);
        return;
    }
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
    const ServerWait::Scope busy = waitScope();
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
    const ServerWait::Scope busy = waitScope();
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
    // The member the saved-query storage adds a stored field by: one the server refuses is
    // dropped without a word, as a stored query is read on every opening of its table.
    return m_fields->insertExtraFeld(ExtraFeldName, SelectField, Position, CheckField, false);
}

int QueryForm::InsertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField)
{
    return m_fields->insertVerknFeld(name, SelectField, Position, CheckField);
}

void QueryForm::AddExtraFeld(bool Manuell)
{
    if (refused() || m_context.aktTableName.isEmpty())
        return;
    const ServerWait::Scope busy = waitScope();
    m_fields->addExtraFeld(Manuell);
}

void QueryForm::ChangeExtraFeld(const QString& FldKey, bool Manuell)
{
    if (refused() || !IsExtraFeldKey(FldKey))
        return;
    const ServerWait::Scope busy = waitScope();
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
    const ServerWait::Scope busy = waitScope();
    m_fields->activateRow(item);
}

// ---- Keys, storage kinds and selection --------------------------------------------------------

void QueryForm::FillKeyListe()
{
    if (refused())
        return;
    const ServerWait::Scope busy = waitScope();
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
    m_results->currentFieldList(fields, widths);
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
    if (!mayLeaveQuery())
        return;
    const ServerWait::Scope busy = waitScope();
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
    m_frame->savePlace();
    m_paneSizes->save();
    m_tables->saveColumnLayout(section());
    m_fields->saveColumnLayout(section());
}

void QueryForm::RestoreQueryWindowSettings()
{
    // The window's place comes with its frame (ChildWindowFrame); here the panes.
    m_paneSizes->restore();
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
