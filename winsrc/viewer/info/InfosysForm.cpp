#include "InfosysForm.h"

#include "ChildWindowFrame.h"
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
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "PopupMenu.h"
#include "ServerWait.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
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
// The least height of the result list below a mask given its room: its header and a few rows.
constexpr int ListRowsBelowMask = 4;
// How long a closing window waits for the server to take the cancel of its edit operation:
// its own connection goes with it in any case.
constexpr int CloseCancelTimeoutMs = 2000;

const QString CrLf = u"\r\n"_s;
const QString StartField = u"bstart"_s;
const QString HeadMenu = u"InfosysKopffelderMenue"_s;
const QString ListMenu = u"InfosysDatenlisteMenue"_s;

} // namespace

// ---- Load -------------------------------------------------------------------------------

InfosysForm::InfosysForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"InfosysForm"_s);
    setWindowTitle(u"601"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_frame = new ChildWindowFrame(this, QString::fromUtf16(SettingsSection));
    m_wait = new ServerWait(this);
    // Header fields the user left while the window waited are sent once it no longer waits.
    connect(m_wait, &ServerWait::idle, this, [this] {
        if (!m_leftFields.isEmpty())
            QTimer::singleShot(0, this, [this] { sendLeftFields(); });
    });
    connect(m_wait, &ServerWait::brokenOff, this, [this] { setPanel(4, GetMessageTextByNr(35)); });
    buildControls();
    FormSupport::watchKeys(this);
    InitFormCommon(this);
    resize(sizeHint());

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

InfosysForm::~InfosysForm()
{
    ChildWindowFrame::endConnections(this);
}

QSize InfosysForm::sizeHint() const
{
    return QSize(Twips::toPixelsX(DefaultWidth), Twips::toPixelsY(DefaultHeight));
}

void InfosysForm::buildControls()
{
    const int marginX = Twips::toPixelsX(RandLinks);
    const int marginY = Twips::toPixelsY(RandOben);

    m_panel = new InfosysFeldPanel(this);
    m_datenListe = new InfosysResultList(this);
    // Right button, Menu key and Shift+F10: the main window's menu of the list or the mask.
    PopupMenu::attach(m_datenListe, [this](const QPoint& at, bool byKeyboard) {
        m_popupColumn = m_datenListe->resultColumnAt(byKeyboard ? QPoint() : at);
        popupMainMenu(ListMenu, at);
    });
    PopupMenu::attach(m_panel, [this](const QPoint& at, bool) { popupMainMenu(HeadMenu, at); });

    // The panel keeps at least one header row in view, the list at least its header.
    m_split = FormSupport::named(new QSplitter(Qt::Vertical, this), u"DatenSplit"_s);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_panel);
    m_split->addWidget(m_datenListe);
    m_split->setStretchFactor(0, 2);
    m_split->setStretchFactor(1, 3);
    m_panel->setMinimumHeight(m_panel->minimumPanelHeight());

    m_startButton = FormSupport::named(new QPushButton(u"604"_s, this), u"StartInfosysButton"_s);
    m_stopButton = FormSupport::named(new QPushButton(u"606"_s, this), u"AbbrechenButton"_s);
    m_reloadButton = FormSupport::named(new QPushButton(u"605"_s, this), u"TabelleNeuLadenButton"_s);
    m_helpButton = FormSupport::named(new QPushButton(u"607"_s, this), u"HilfeButton"_s);
    m_closeButton = FormSupport::named(new QPushButton(u"608"_s, this), u"SchliessenButton"_s);
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

    m_statusBar = FormSupport::named(new QStatusBar(this), u"StatusZeile"_s);
    m_statusBar->setSizeGripEnabled(false);
    for (int p = 1; p <= 4; ++p) {
        auto* panel = FormSupport::named(new QLabel(m_statusBar), u"Panel"_s + QString::number(p));
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

void InfosysForm::setMainMenuEnabled(const QString& name, bool enabled) const
{
    if (QMenu* menu = FormSupport::mainMenu(name))
        menu->menuAction()->setEnabled(enabled);
}

void InfosysForm::popupMainMenu(const QString& name, const QPoint& globalPos)
{
    if (name == ListMenu) {
        // What the entries of the result list can act on.
        FormSupport::setMainEntryEnabled(u"InfosysDLFeldNeuMenue"_s, !m_datenListe->hiddenResultColumns().isEmpty());
        FormSupport::setMainEntryEnabled(u"InfosysDLFeldLoeschenMenue"_s, m_popupColumn > 0);
    }
    PopupMenu::open(FormSupport::mainMenu(name), globalPos);
}

bool InfosysForm::isBusy() const
{
    return m_wait->isBusy();
}

bool InfosysForm::closing() const
{
    return m_closing || m_wait->isClosePending();
}

void InfosysForm::showFailure(int message, const QString& details)
{
    // A request broken off by the user or by a close needs no word of its own.
    if (closing() || m_wait->wasBrokenOff())
        return;
    ShowMessageBox(GetMessageTextByNr(message) + CrLf + ServerErrorText(details));
}

QString InfosysForm::collectedOr(const QString& fallback) const
{
    if (m_collector && m_collector->MessageCount() > 0)
        return m_collector->GetAllMessagesText(CrLf);
    return fallback;
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
    FormSupport::setMousePointer(running ? 11 : 0);
}

void InfosysForm::giveMaskItsRoom()
{
    const QList<int> sizes = m_split->sizes();
    if (sizes.size() != 2 || sizes[0] + sizes[1] <= 0)
        return;
    m_maskRoomPending = false;
    const int wanted = m_panel->heightForAllRows();
    const int listLeast = m_datenListe->heightForRows(ListRowsBelowMask);
    // A window in the normal state grows to show the whole mask, within its frame.
    QMdiSubWindow* sub = m_frame->subWindow();
    const int missing = wanted - sizes[0] - std::max(0, sizes[1] - listLeast);
    if (sub && missing > 0 && !sub->isMaximized() && !sub->isMinimized() && sub->mdiArea()) {
        const QRect area = sub->mdiArea()->viewport()->rect();
        const int height = std::min(area.height(), sub->height() + missing);
        const int top = std::clamp(sub->y(), 0, std::max(0, area.height() - height));
        sub->setGeometry(sub->x(), top, sub->width(), height);
    }
    const QList<int> now = m_split->sizes();
    const int total = now.value(0) + now.value(1);
    const int panel = std::clamp(wanted, m_panel->minimumPanelHeight(), std::max(total - listLeast, 1));
    m_split->setSizes({panel, total - panel});
}

// ---- Mask -------------------------------------------------------------------------------

void InfosysForm::BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description)
{
    // A rebuild while the window waits would pull the rows from under the request.
    if (isBusy() || m_running || closing() || !m_session)
        return;
    ServerWait::Scope busy(m_wait, 0, m_query);
    m_infosysNr = number;
    m_suchwort = searchWord;
    m_beschreibung = description;
    setWindowTitle(description);
    setPanel(2, GetMessageTextByNr(601) + u' ' + searchWord);
    setPanel(3, u"0 "_s + GetMessageTextByNr(624));
    setPanel(4, QString());

    m_leftFields.clear();
    m_panel->clear();
    m_datenListe->clear();
    setMainMenuEnabled(HeadMenu, false);
    setMainMenuEnabled(ListMenu, false);
    endInfosysEdit();
    setRunState(false);
    FormSupport::setMousePointer(11);

    const bool ok = m_query->StartQueryZN(InfosysDefinition::Table, InfosysDefinition::QueryFields(),
                                          u"nummer="_s + number, QString(), true, true, true);
    if (ok && !closing()) {
        fillFeldListen();
        if (!closing() && !m_wait->wasBrokenOff()) {
            busy.on(m_editor);
            startInfosysEdit();
        }
        m_panel->setFocusKopfFeld(m_definition.erstesParamFeld());
        setRunState(false);
        setMainMenuEnabled(HeadMenu, true);
    } else if (!ok) {
        showFailure(603, m_query->GetLastError());
    }
    FormSupport::setMousePointer(0);
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
    m_datenListe->setColumns(m_definition.ergebnisFelder());

    const QList<InfosysFeld>& kopf = m_definition.kopfFelder();
    for (int n = 1; n <= kopf.size(); ++n) {
        QWidget* control = m_panel->addRow(kopf[n - 1]);
        control->installEventFilter(this);
        if (auto* button = qobject_cast<QPushButton*>(control))
            connect(button, &QPushButton::clicked, this, [this, n] { UpdateFeldwert(n, QString()); });
        else if (auto* combo = qobject_cast<QComboBox*>(control); combo && !closing() && !m_wait->wasBrokenOff())
            fillEnumeration(combo, kopf[n - 1].Art);
    }
    m_panel->updateScrollBarInfo();
    // Once the window has its size (now, or when it shows).
    m_maskRoomPending = true;
    if (isVisible())
        giveMaskItsRoom();
}

void InfosysForm::fillEnumeration(QComboBox* combo, const QString& typeCode)
{
    combo->clear();
    const QPointer<QComboBox> guard(combo);
    const QSharedPointer<KLVQuery> positions = m_session->CreateQuery();
    const ServerWait::Scope busy(m_wait, 0, positions);
    if (positions->GetEnumPos(typeCode, true).toBool()) {
        while (positions->GetNextRecord() && guard)
            guard->addItem(positions->GetField(2));
    }
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
        if (!closing() && m_editor->GetRowCount() >= 1) {
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
    if (n < 1 || n > m_definition.kopfFelder().size() || !m_editOpen || isBusy())
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
        const ServerWait::Scope busy(m_wait, 0, m_editor);
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
    if (isBusy() || m_sendingLeftFields)
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
    if (isBusy()) {
        if (m_updating)
            m_runAfterUpdate = true;
        return;
    }
    // The value of a field just left goes first; a refused one is not run with.
    if (!sendLeftFields() || m_running || closing())
        return;
    const ServerWait::Scope busy(m_wait, 0, m_editor);
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
        if (!closing())
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
    m_wait->breakOff();
}

void InfosysForm::TabelleNeuLaden()
{
    if (!m_editOpen || isBusy() || m_running)
        return;
    const ServerWait::Scope busy(m_wait, 0, m_editor);
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
    if (!results.isEmpty() && !m_stopRequested && !closing()) {
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
                m_datenListe->addRow(texts);
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

// ---- Result list ----------------------------------------------------------------------------

void InfosysForm::DatenlisteFeldNeu()
{
    m_datenListe->chooseColumnToShow(GetMessageTextByNr(884));
}

void InfosysForm::DatenlisteFeldLoeschen()
{
    m_datenListe->hideResultColumn(std::exchange(m_popupColumn, 0));
}

// ---- Export -----------------------------------------------------------------------------

QList<InfosysForm::ExportField> InfosysForm::exportFields() const
{
    return m_datenListe->exportFields();
}

QString InfosysForm::GetResultField(int row, int column) const
{
    return m_datenListe->cell(row, column);
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
    // column GetResultField reads, with the type its definition gives it (numbers and dates go
    // as such); every result column is a field of the table part.
    ExportRequest request;
    request.exportType = ExportType;
    request.caption = InfosysNr();
    request.tableId = InfosysNr();
    request.caller = this;
    request.rowsFromCaller = true;
    request.rowCount = m_datenListe->topLevelItemCount();
    const QList<ExportField> fields = exportFields();
    QHash<QString, QString> types;
    for (const InfosysFeld& result : m_definition.ergebnisFelder())
        types.insert(result.Name, result.Art);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        ExportRequest::Field field;
        field.key = QString::number(fields[i].key);
        field.caption = fields[i].caption;
        field.tablePart = true;
        field.tag = u"1:"_s + fields[i].name;
        field.typeCode = types.value(fields[i].name);
        request.fields.append(field);
    }
    ExportRequest::Open(request);
}

// ---- Events -----------------------------------------------------------------------------

bool InfosysForm::event(QEvent* event)
{
    if (event->type() == QEvent::Show && m_maskRoomPending)
        QTimer::singleShot(0, this, [this] { giveMaskItsRoom(); });
    if (event->type() == QEvent::WindowActivate && App().MainForm) {
        MemberCall::Invoke(App().MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
        setMainMenuEnabled(HeadMenu, m_panel->count() > 0);
        setMainMenuEnabled(ListMenu, m_editOpen && !m_running);
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
    if (isBusy())
        m_stopRequested = true;
    if (!m_wait->mayClose(event))
        return;
    m_closing = true;
    m_frame->savePlace();
    const QPointer<InfosysForm> alive(this);
    if (m_session)
        m_session->setRequestTimeout(CloseCancelTimeoutMs);
    if (m_editor)
        endInfosysEdit();
    if (!alive)
        return;
    event->accept();
}

bool InfosysForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
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
        } else if (inRow && kind == InfosysFeldPanel::Kind::Enumeration && m_panel->isChanged(n) &&
                   !m_panel->isLocked(n)) {
            // The run takes the value the field shows: it goes first, and a refused one is
            // not run with.
            if (UpdateFeldwert(n, m_panel->text(n)))
                InfosystemAusfuehren();
        } else {
            InfosystemAusfuehren();
        }
        return true;
    case Qt::Key_Escape:
        // A run stops; any other wait for the server is broken off.
        if (m_running)
            InfosystemAusfuehrungAbbrechen();
        else
            m_wait->breakOff();
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
