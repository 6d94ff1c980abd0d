#include "InfosysForm.h"

#include "ExportRequest.h"
#include "FormSupport.h"
#include "InfosysFeldPanel.h"
#include "KLV.h"
#include "KLVEditField.h"
#include "KLVEditFieldList.h"
#include "KLVEditObject.h"
#include "KLVEditor.h"
#include "KLVEnums.h"
#include "KLVMessageCollector.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// Design-time margins of the window, in twips: left of the panes and above them.
constexpr int RandLinks = 120;
constexpr int RandOben = 120;
// The window's size before anything was stored, in twips.
constexpr int DefaultWidth = 9600;
constexpr int DefaultHeight = 7200;
// Rows loaded between two looks at the message loop.
constexpr int RowsPerYield = 100;

const QString CrLf = u"\r\n"_s;
const QString StartField = u"bstart"_s;
const QString HeadMenu = u"InfosysKopffelderMenue"_s;
const QString ListMenu = u"InfosysDatenlisteMenue"_s;

template <class T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

// ---- Busy scope -------------------------------------------------------------------------

InfosysForm::BusyScope::BusyScope(InfosysForm* form) : m_form(form)
{
    ++m_form->m_busy;
}

InfosysForm::BusyScope::~BusyScope()
{
    if (!m_form)
        return;
    if (--m_form->m_busy > 0)
        return;
    m_form->m_breakRequest = {};
    m_form->closeIfPending();
    // Header fields the user left while the window waited are sent now.
    if (!m_form->m_closePending && !m_form->m_leftFields.isEmpty())
        QTimer::singleShot(0, m_form, [form = m_form] {
            if (form)
                form->sendLeftFields();
        });
}

// ---- Load -------------------------------------------------------------------------------

InfosysForm::InfosysForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"InfosysForm"_s);
    setWindowTitle(u"601"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    FormSupport::watchKeys(this);
    InitFormCommon(this);
    resize(Twips::toPixelsX(DefaultWidth), Twips::toPixelsY(DefaultHeight));

    // The window works on a connection of its own, so that a long run leaves the main
    // window's session free; references come with number and search word.
    QString failure;
    if (const QSharedPointer<KLV> tav = App().MainSession.toStrongRef()) {
        m_session = tav->Clone();
        if (!m_session)
            failure = tav->GetLastError();
    }
    if (!m_session) {
        ShowMessageBox(GetMessageTextByNr(633) + CrLf + failure);
        return;
    }
    m_session->SetVerwMode(KLVActiveX::klvVerwModeExt);
    m_editor = m_session->CreateEditor();
    m_query = m_session->CreateQuery();
}

InfosysForm::~InfosysForm() = default;

void InfosysForm::buildControls()
{
    const int marginX = Twips::toPixelsX(RandLinks);
    const int marginY = Twips::toPixelsY(RandOben);

    m_panel = new InfosysFeldPanel(this);
    m_datenListe = named(new QTreeWidget(this), u"DatenListe"_s);
    m_datenListe->setRootIsDecorated(false);
    m_datenListe->setUniformRowHeights(true);
    m_datenListe->setAllColumnsShowFocus(true);
    m_datenListe->setSelectionMode(QAbstractItemView::SingleSelection);
    // A click on a header sorts through the program's list sorting, not Qt's own.
    m_datenListe->setSortingEnabled(false);
    m_datenListe->header()->setSectionsClickable(true);
    m_datenListe->header()->setStretchLastSection(false);
    m_datenListe->setHeaderLabels({u"625"_s});
    m_datenListe->viewport()->installEventFilter(this);
    connect(m_datenListe->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortListViewByColumn(m_datenListe, section); });

    // The panel keeps at least one header row in view, the list at least its header.
    m_split = named(new QSplitter(Qt::Vertical, this), u"DatenSplit"_s);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_panel);
    m_split->addWidget(m_datenListe);
    m_split->setStretchFactor(0, 2);
    m_split->setStretchFactor(1, 3);
    m_panel->setMinimumHeight(m_panel->minimumPanelHeight());

    m_startButton = named(new QPushButton(u"604"_s, this), u"StartInfosysButton"_s);
    m_stopButton = named(new QPushButton(u"606"_s, this), u"AbbrechenButton"_s);
    m_reloadButton = named(new QPushButton(u"605"_s, this), u"TabelleNeuLadenButton"_s);
    m_helpButton = named(new QPushButton(u"607"_s, this), u"HilfeButton"_s);
    m_closeButton = named(new QPushButton(u"608"_s, this), u"SchliessenButton"_s);
    for (QPushButton* b : {m_startButton, m_stopButton, m_reloadButton})
        b->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(marginX);
    buttons->addWidget(m_helpButton);
    buttons->addStretch(1);
    for (QPushButton* b : {m_startButton, m_stopButton, m_reloadButton, m_closeButton})
        buttons->addWidget(b);
    connect(m_startButton, &QPushButton::clicked, this, [this] { InfosystemAusfuehren(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { InfosystemAusfuehrungAbbrechen(); });
    connect(m_reloadButton, &QPushButton::clicked, this, [this] { TabelleNeuLaden(); });
    connect(m_helpButton, &QPushButton::clicked, this, [] { ShowHelpTopic(GetMessageTextByNr(919)); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { LayoutStore::WindowOf(this)->close(); });

    m_statusBar = named(new QStatusBar(this), u"StatusZeile"_s);
    m_statusBar->setSizeGripEnabled(false);
    for (int p = 1; p <= 4; ++p) {
        auto* panel = named(new QLabel(m_statusBar), u"Panel"_s + QString::number(p));
        panel->setContentsMargins(2, 0, 10, 0);
        // The activity takes the room the others leave.
        m_statusBar->addWidget(panel, p == 4 ? 1 : 0);
        m_panels.append(panel);
    }

    auto* body = new QVBoxLayout;
    body->setContentsMargins(marginX, marginY, marginX, marginY);
    body->setSpacing(marginY);
    body->addWidget(m_split, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(body, 1);
    layout->addWidget(m_statusBar);

    connect(m_panel, &InfosysFeldPanel::headerMenuRequested, this, [this] { popupMainMenu(HeadMenu); });
}

void InfosysForm::RestoreWindowPlacement()
{
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!sub || m_placed)
        return;
    m_placed = true;
    if (App().MainForm) {
        sub->setMinimumSize(Twips::toPixelsX(App().MainForm->property("MinWidth").toInt()),
                            Twips::toPixelsY(App().MainForm->property("MinHeight").toInt()));
    }
    QMdiArea* area = sub->mdiArea();
    if (area && !area->isVisible()) {
        // A frame that is not shown yet places its children when it shows: this comes after.
        area->installEventFilter(this);
        return;
    }
    placeInFrame();
}

void InfosysForm::placeInFrame()
{
    const QString section = QString::fromUtf16(SettingsSection);
    if (LayoutStore::HasStoredPlace(section))
        LoadFormPosition(this, section);
}

QString InfosysForm::panelText(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1]->text() : QString();
}

void InfosysForm::setPanel(int panel, const QString& text)
{
    if (panel >= 1 && panel <= m_panels.size())
        m_panels[panel - 1]->setText(text);
}

QString InfosysForm::rowCountText(int count) const
{
    return count == 1 ? GetMessageTextByNr(623) : QString::number(count) + u' ' + GetMessageTextByNr(624);
}

void InfosysForm::setMousePointer(int pointer)
{
    if (App().MainForm)
        App().MainForm->setProperty("MousePointer", pointer);
}

void InfosysForm::setMainMenuEnabled(const QString& name, bool enabled) const
{
    if (QMenu* menu = FormSupport::mainMenu(name))
        menu->menuAction()->setEnabled(enabled);
}

void InfosysForm::popupMainMenu(const QString& name) const
{
    if (QMenu* menu = FormSupport::mainMenu(name); menu && menu->menuAction()->isEnabled())
        menu->popup(QCursor::pos());
}

void InfosysForm::showFailure(int message, const QString& details)
{
    // A request broken off by a close needs no word.
    if (m_closePending || m_closing)
        return;
    ShowMessageBox(GetMessageTextByNr(message) + CrLf + details);
}

QString InfosysForm::collectedOr(const QString& fallback) const
{
    if (m_collector && m_collector->MessageCount() > 0)
        return m_collector->GetAllMessagesText(CrLf);
    return fallback;
}

void InfosysForm::closeIfPending()
{
    if (!m_closePending || m_busy > 0 || m_running)
        return;
    m_closePending = false;
    QTimer::singleShot(0, this, [this] { LayoutStore::WindowOf(this)->close(); });
}

// ---- Frame ------------------------------------------------------------------------------

void InfosysForm::InitControls()
{
    for (QPushButton* b : {m_startButton, m_reloadButton, m_stopButton})
        b->setEnabled(false);
    setMainMenuEnabled(HeadMenu, false);
    setMainMenuEnabled(ListMenu, false);
    m_panel->updateScrollBarInfo();
}

void InfosysForm::ReloadForm()
{
    if (!m_infosysNr.isEmpty())
        BuildInfosysInfos(m_infosysNr, m_suchwort, m_beschreibung);
}

void InfosysForm::setRunState(bool running)
{
    m_running = running;
    // Values go out only on an open edit operation.
    m_startButton->setEnabled(!running && m_editOpen);
    m_reloadButton->setEnabled(!running && m_editOpen);
    m_stopButton->setEnabled(running);
    setMousePointer(running ? 11 : 0);
}

// ---- Mask -------------------------------------------------------------------------------

void InfosysForm::BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description)
{
    // A rebuild while the window waits would pull the rows from under the request.
    if (m_busy > 0 || m_running || m_closing || !m_session)
        return;
    const BusyScope busy(this);
    setMousePointer(11);
    m_infosysNr = number;
    m_suchwort = searchWord;
    m_beschreibung = description;
    setWindowTitle(description);
    setPanel(2, GetMessageTextByNr(601) + u' ' + searchWord);
    setPanel(3, u"0 "_s + GetMessageTextByNr(624));

    m_leftFields.clear();
    m_panel->clear();
    m_datenListe->clear();
    setMainMenuEnabled(HeadMenu, false);
    setMainMenuEnabled(ListMenu, false);
    endInfosysEdit();
    setRunState(false);

    waitingOn(m_query);
    const bool ok = m_query->StartQueryZN(InfosysDefinition::Table, InfosysDefinition::QueryFields(),
                                          u"nummer="_s + number, QString(), true, true, true);
    if (ok && !m_closePending) {
        fillFeldListen();
        if (!m_closePending) {
            waitingOn(m_editor);
            startInfosysEdit();
        }
        m_panel->setFocusKopfFeld(m_definition.erstesParamFeld());
        setRunState(false);
        setMainMenuEnabled(HeadMenu, true);
    } else if (!ok) {
        showFailure(603, m_query->GetLastError());
    }
    setMousePointer(0);
}

void InfosysForm::fillFeldListen()
{
    m_definition.clear();
    const QStringList fields = InfosysDefinition::QueryFields();
    while (m_query->GetNextRecord()) {
        QHash<QString, QString> row;
        for (const QString& name : fields)
            row.insert(name, m_query->GetFieldN(name));
        m_definition.addRow(row);
    }

    QStringList captions{GetMessageTextByNr(625)};
    for (const InfosysFeld& f : m_definition.ergebnisFelder())
        captions.append(f.Beschr);
    m_datenListe->setColumnCount(int(captions.size()));
    m_datenListe->setHeaderLabels(captions);

    const QList<InfosysFeld>& kopf = m_definition.kopfFelder();
    for (int n = 1; n <= kopf.size(); ++n) {
        QWidget* control = m_panel->addRow(kopf[n - 1]);
        control->installEventFilter(this);
        if (auto* button = qobject_cast<QPushButton*>(control))
            connect(button, &QPushButton::clicked, this, [this, n] { UpdateFeldwert(n, QString()); });
        else if (auto* combo = qobject_cast<QComboBox*>(control); combo && !m_closePending)
            fillEnumeration(combo, kopf[n - 1].Art);
    }
    m_panel->updateScrollBarInfo();

    // The panel shows its rows, up to half of the room, when the window has its size.
    const QList<int> sizes = m_split->sizes();
    if (sizes.size() == 2 && sizes[0] + sizes[1] > 0) {
        const int total = sizes[0] + sizes[1];
        const int wanted =
            int(kopf.size()) * m_panel->rowHeight() + m_panel->minimumPanelHeight() - m_panel->rowHeight() + 2;
        const int panel = std::clamp(wanted, m_panel->minimumPanelHeight(), std::max(total / 2, 1));
        m_split->setSizes({panel, total - panel});
    }
}

void InfosysForm::fillEnumeration(QComboBox* combo, const QString& typeCode)
{
    combo->clear();
    const QPointer<QComboBox> guard(combo);
    m_enumQuery = m_session->CreateQuery();
    waitingOn(m_enumQuery);
    if (m_enumQuery->GetEnumPos(typeCode, true).toBool()) {
        while (m_enumQuery->GetNextRecord() && guard)
            guard->addItem(m_enumQuery->GetField(2));
    }
    m_enumQuery.reset();
    waitingOn(m_query);
    if (guard)
        guard->setProperty("DataChanged", false);
}

// ---- Edit operation and run -----------------------------------------------------------------

void InfosysForm::startInfosysEdit()
{
    setPanel(4, GetMessageTextByNr(9999, u"Starte Infosytem..."_s));
    m_collector = QSharedPointer<KLVMessageCollector>::create();
    m_editor->setErrorMessageCollector(m_collector);
    m_editOpen =
        m_editor->BeginEditOperation(KLVActiveX::editGet, u"65"_s, QString(), KLVActiveX::refTypeNumSW, m_infosysNr);
    if (m_editOpen) {
        updateKopfFelder();
        if (!m_closePending && m_editor->GetRowCount() >= 1) {
            m_stopRequested = false;
            ladeTabelle();
        }
    } else {
        // Without an edit operation nothing can be sent: the mask only shows.
        for (int n = 1; n <= m_panel->count(); ++n)
            m_panel->setModifiable(n, false);
        showFailure(620, collectedOr(m_editor->GetLastError()));
    }
    setPanel(4, QString());
}

void InfosysForm::endInfosysEdit()
{
    if (!m_editOpen)
        return;
    m_editOpen = false;
    if (m_editor->IsActive()) {
        m_editor->EndEditCancel();
        m_editor->setErrorMessageCollector({});
    }
}

void InfosysForm::updateKopfFelder()
{
    const QStringList names = m_definition.kopfFeldNamen();
    if (names.isEmpty())
        return;
    setPanel(4, GetMessageTextByNr(9999, u"Kopffelder aktualisieren..."_s));
    const QSharedPointer<KLVEditFieldList> list = m_editor->GetEditFieldListA(names, 0);
    for (int n = 1; list && n <= m_panel->count(); ++n) {
        if (const QSharedPointer<KLVEditField> field = list->GetFieldByNumber(n)) {
            // What the user typed meanwhile and has not sent yet stays.
            if (!m_panel->isChanged(n))
                m_panel->setValue(n, field->Val());
            m_panel->setModifiable(n, field->IsModifiable());
        }
    }
    setPanel(4, QString());
}

bool InfosysForm::UpdateFeldwert(int n, const QString& value)
{
    if (n < 1 || n > m_definition.kopfFelder().size() || !m_editOpen || m_busy > 0)
        return false;
    // Fields left before go first, in the order they were left.
    m_leftFields.removeAll(n);
    if (!m_sendingLeftFields && !sendLeftFields())
        return false;
    if (m_collector)
        m_collector->Reset();
    const QString name = m_definition.kopfFelder()[n - 1].Name;
    if (name.compare(StartField, Qt::CaseInsensitive) == 0) {
        InfosystemAusfuehren();
        return true;
    }
    bool ok = false;
    {
        const BusyScope busy(this);
        waitingOn(m_editor);
        m_updating = true;
        ok = m_editor->SetFieldVal(name, value, 0);
        m_updating = false;
        if (ok) {
            m_panel->setUnchanged(n);
            updateKopfFelder();
        } else
            showFailure(622, m_editor->GetLastError() + CrLf + collectedOr(QString()));
    }
    // A run asked for while the value went out follows it, once the value was taken.
    if (std::exchange(m_runAfterUpdate, false) && ok)
        QTimer::singleShot(0, this, [this] { InfosystemAusfuehren(); });
    return ok;
}

bool InfosysForm::sendLeftFields()
{
    if (m_busy > 0 || m_sendingLeftFields)
        return true;
    const QScopedValueRollback sending(m_sendingLeftFields, true);
    while (!m_leftFields.isEmpty()) {
        if (!sendField(m_leftFields.takeFirst())) {
            m_leftFields.clear();
            return false;
        }
    }
    return true;
}

bool InfosysForm::sendField(int n)
{
    QWidget* control = m_panel->control(n);
    // A field the user went back into goes when it is left again.
    if (!control || control->hasFocus() || m_panel->isLocked(n) || !m_panel->isChanged(n))
        return true;
    if (UpdateFeldwert(n, m_panel->text(n)))
        return true;
    // The value stays, and so does the focus.
    QTimer::singleShot(0, control, [control] { control->setFocus(); });
    return false;
}

void InfosysForm::InfosystemAusfuehren()
{
    if (m_infosysNr.isEmpty() || !m_editOpen || m_running)
        return;
    if (m_busy > 0) {
        if (m_updating)
            m_runAfterUpdate = true;
        return;
    }
    // The value of a field just left goes first; a refused one is not run with.
    if (!sendLeftFields() || m_running || m_closePending)
        return;
    const BusyScope busy(this);
    waitingOn(m_editor);
    setRunState(true);
    m_stopRequested = false;
    m_datenListe->clear();
    setMainMenuEnabled(ListMenu, false);
    if (m_collector)
        m_collector->Reset();
    setPanel(4, GetMessageTextByNr(9999, u"Startbutton..."_s));

    // The information system runs when its start button is pressed, that is, set.
    if (m_editor->SetFieldVal(StartField, QString(), 0)) {
        updateKopfFelder();
        ladeTabelle();
        if (!m_closePending)
            m_datenListe->setFocus();
    } else if (!m_stopRequested) {
        showFailure(621, collectedOr(m_editor->GetLastError()));
    }
    setPanel(4, QString());
    setRunState(false);
    setMainMenuEnabled(ListMenu, true);
}

void InfosysForm::InfosystemAusfuehrungAbbrechen()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    m_editor->Break();
}

void InfosysForm::TabelleNeuLaden()
{
    if (!m_editOpen || m_busy > 0 || m_running)
        return;
    const BusyScope busy(this);
    waitingOn(m_editor);
    // A reload can be stopped as a run can; an earlier stop does not stop it.
    setRunState(true);
    m_stopRequested = false;
    m_datenListe->clear();
    ladeTabelle();
    setRunState(false);
}

void InfosysForm::ladeTabelle()
{
    setPanel(3, rowCountText(m_editor->GetRowCount()));
    setPanel(4, GetMessageTextByNr(9999, u"Tabelle laden..."_s));
    // Exactly the result columns are asked for: none asked would mean every field.
    const QStringList results = m_definition.ergebnisFeldNamen();
    if (!results.isEmpty() && !m_stopRequested && !m_closePending) {
        const QSharedPointer<KLVEditObject> object =
            m_editor->GetEditObjectA(m_definition.kopfFeldNamen(), QVariant(results));
        if (!object && !m_stopRequested) {
            showFailure(621, collectedOr(m_editor->GetLastError()));
        } else if (object) {
            const QPointer<InfosysForm> alive(this);
            const int rows = object->RowCount();
            const int columns = int(results.size());
            for (int r = 1; r <= rows && !m_stopRequested; ++r) {
                const QSharedPointer<KLVEditFieldList> fields = object->GetFields(r);
                if (!fields)
                    break;
                QStringList texts;
                const QSharedPointer<KLVEditField> first = fields->GetFieldByNumber(1);
                texts.append(first ? first->Val() : QString());
                for (int c = 1; c <= columns; ++c) {
                    const QSharedPointer<KLVEditField> field = fields->GetFieldByNumber(c);
                    texts.append(field ? field->Val() : QString());
                }
                new QTreeWidgetItem(m_datenListe, texts);
                // Stop, Esc and a close are seen between blocks of rows.
                if (r % RowsPerYield == 0) {
                    QCoreApplication::processEvents();
                    if (!alive)
                        return;
                }
            }
        }
    }
    ListViewHelpers::ApplyListViewSorting(m_datenListe);
    setPanel(3, rowCountText(m_datenListe->topLevelItemCount()));
    setPanel(4, QString());
}

// ---- Export -----------------------------------------------------------------------------

QList<InfosysForm::ExportField> InfosysForm::exportFields() const
{
    QList<ExportField> fields;
    const QTreeWidgetItem* header = m_datenListe->headerItem();
    for (int c = 1; c <= m_definition.ergebnisFelder().size() && c < m_datenListe->columnCount(); ++c)
        fields.append({header->text(c), c + 1});
    return fields;
}

QString InfosysForm::GetResultField(int row, int column) const
{
    if (row < 1 || row > m_datenListe->topLevelItemCount() || column < 1 || column > m_datenListe->columnCount())
        return QString();
    return m_datenListe->topLevelItem(row - 1)->text(column - 1);
}

QString InfosysForm::GetResultField(int row, const QString& key) const
{
    bool ok = false;
    const int column = key.toInt(&ok);
    return ok ? GetResultField(row, column) : QString();
}

void InfosysForm::ShowExportDialog(int ExportType)
{
    // The rows come from this window: one export field per result column, whose key is the
    // column GetResultField reads; every result column is a field of the table part.
    ExportRequest request;
    request.exportType = ExportType;
    request.caption = InfosysNr();
    request.tableId = InfosysNr();
    request.caller = this;
    request.rowsFromCaller = true;
    request.rowCount = m_datenListe->topLevelItemCount();
    const QStringList names = m_definition.ergebnisFeldNamen();
    const QList<ExportField> fields = exportFields();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        ExportRequest::Field field;
        field.key = QString::number(fields[i].key);
        field.caption = fields[i].caption;
        field.tablePart = true;
        field.tag = u"1:"_s + names.value(i);
        request.fields.append(field);
    }
    ExportRequest::Open(request);
}

// ---- Events -----------------------------------------------------------------------------

bool InfosysForm::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (App().MainForm) {
            MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
            setMainMenuEnabled(HeadMenu, m_panel->count() > 0);
            setMainMenuEnabled(ListMenu, m_editOpen && !m_running);
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void InfosysForm::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->ignore();
        return;
    }
    // A request still waits: it is broken off, and the close follows once it has ended.
    if (m_busy > 0 || m_running) {
        m_closePending = true;
        m_stopRequested = true;
        if (m_breakRequest)
            m_breakRequest();
        event->ignore();
        return;
    }
    m_closing = true;
    if (FormSupport::saveWindowState())
        SaveFormPosition(this, QString::fromUtf16(SettingsSection));
    const QPointer<InfosysForm> alive(this);
    if (m_editor)
        endInfosysEdit();
    if (!alive)
        return;
    event->accept();
}

bool InfosysForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (auto* area = qobject_cast<QMdiArea*>(watched)) {
            area->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { placeInFrame(); });
        }
        break;
    case QEvent::KeyPress: {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control && (control == this || (isAncestorOf(control) && control->window() == window())))
            return handleKey(control, static_cast<QKeyEvent*>(event));
        break;
    }
    case QEvent::FocusOut: {
        // Leaving a header field sends its value, as a move to another control of the
        // window does; a message box or a popup taking the focus does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const int n = m_panel->indexOf(watched);
        if (n > 0 && watched == m_panel->control(n) && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
            // After the event that moved the focus: a click that moved it is pressed first,
            // and reaches its button even when the value is still on its way. A run that
            // comes first sends the value before it starts.
            if (!m_leftFields.contains(n))
                m_leftFields.append(n);
            QTimer::singleShot(0, this, [this] { sendLeftFields(); });
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (watched == m_datenListe->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            QTimer::singleShot(0, this, [this] { popupMainMenu(ListMenu); });
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool InfosysForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = FormSupport::shiftState(key);
    const int n = m_panel->indexOf(control);
    const bool inRow = n > 0 && control == m_panel->control(n);
    const InfosysFeldPanel::Kind kind = m_panel->kind(n);
    const bool inList = control == m_datenListe || m_datenListe->isAncestorOf(control);

    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::AltModifier) {
            if (!inRow)
                return false;
            const InfosysFeld& f = m_definition.kopfFelder()[n - 1];
            ShowMessageBox(GetMessageTextByNr(630) + u'\t' + f.Name + CrLf + GetMessageTextByNr(631) + u'\t' +
                           f.Beschr + CrLf + GetMessageTextByNr(632) + u'\t' + f.Art);
            return true;
        }
        // The window's own buttons take their Enter.
        if (!inRow && qobject_cast<QPushButton*>(control))
            return false;
        if (inRow && kind == InfosysFeldPanel::Kind::Text) {
            if (m_panel->isChanged(n) && !m_panel->isLocked(n))
                UpdateFeldwert(n, m_panel->text(n));
            else
                InfosystemAusfuehren();
        } else if (inRow && kind == InfosysFeldPanel::Kind::Button) {
            UpdateFeldwert(n, QString());
        } else {
            InfosystemAusfuehren();
        }
        return true;
    case Qt::Key_Escape:
        InfosystemAusfuehrungAbbrechen();
        return true;
    case Qt::Key_F1:
        ShowHelpTopic(GetMessageTextByNr(919));
        return true;
    case Qt::Key_F5:
        if (inRow && kind == InfosysFeldPanel::Kind::Text) {
            // A value the server refuses is not run with.
            if (m_panel->isLocked(n) || UpdateFeldwert(n, m_panel->text(n)))
                InfosystemAusfuehren();
            return true;
        }
        if (inList) {
            TabelleNeuLaden();
            return true;
        }
        return false;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (!inRow || kind == InfosysFeldPanel::Kind::Enumeration)
            return false;
        const int step = key->key() == Qt::Key_Up ? -1 : 1;
        const int target = n + step;
        if (target >= 1 && target <= m_panel->count()) {
            m_panel->setFocusKopfFeld(target);
            m_panel->scrollBar()->setValue(m_panel->scrollBar()->value() + step);
        }
        return true;
    }
    case Qt::Key_C:
        if (mods == Qt::ControlModifier && inList) {
            CopyListViewToClipboard(m_datenListe);
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
