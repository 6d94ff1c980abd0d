#include "QueryForm.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVEnums.h"
#include "KLVError.h"
#include "KLVMessage.h"
#include "KLVMessageCollector.h"
#include "KLVQuery.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVQueryMetaData.h"
#include "KLVSelection.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "MenuArray.h"
#include "NumberText.h"
#include "QueryRules.h"
#include "QueryStringForm.h"
#include "QueryTag.h"
#include "ResultFill.h"
#include "ResultListView.h"
#include "SchluesselSchaetzenForm.h"
#include "SettingsStore.h"
#include "SpaltenWahlForm.h"
#include "Twips.h"
#include "VerknAuswahlForm.h"
#include "ViewerConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// Design-time gap between the panes, in twips: the left edge of the result list and the top
// edge of the table list.
constexpr int DesignMargin = 60;
const QString CrLf = u"\r\n"_s;

QueryForm::KeyInfoHandler& keyInfoHandler()
{
    static QueryForm::KeyInfoHandler handler;
    return handler;
}

template <class T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QTreeWidget* makeList(QWidget* parent, const QString& name, const QString& tag)
{
    auto* list = named(new QTreeWidget(parent), name);
    list->setProperty("Tag", tag);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false); // a click on a header goes to the window's resort
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->header()->setSectionsMovable(true);
    list->header()->setStretchLastSection(false);
    return list;
}

QString rowTag(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ListViewHelpers::RowTagRole).toString() : QString();
}

QString rowKey(const QTreeWidgetItem* item)
{
    return item ? item->data(0, QueryForm::RowKeyRole).toString() : QString();
}

QList<QSharedPointer<KLVQueryFieldMetaData>> metaDataOf(const QSharedPointer<KLVQuery>& query)
{
    const QSharedPointer<KLVQueryMetaData> meta = query ? query->GetQueryMetaData() : nullptr;
    return meta ? meta->GetFieldMetaDataArray() : QList<QSharedPointer<KLVQueryFieldMetaData>>();
}

bool isBoolType(const QSharedPointer<KLVQueryFieldMetaData>& meta)
{
    return meta && KLVTools::DataTypeOf(meta->ERPType()) == KLVActiveX::klvBool;
}

QString storageKindName(const QString& code)
{
    for (const auto& [key, text] : std::as_const(AblageartenListe)) {
        if (key == code)
            return text;
    }
    return QString();
}

QWidget* windowOfForm(QWidget* form)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget()))
        return sub;
    return form;
}

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

    // 1. and 2.: the margins as laid out at design time; the splitters fill the gaps.
    m_layout.hRand = std::max(1, Twips::toPixelsX(DesignMargin));
    m_layout.vRand = std::max(1, Twips::toPixelsY(DesignMargin));
    buildControls();
    watchKeys();

    // 3. and 4.: the column arrays, and the window in the interface language.
    const KLVTools tools;
    m_tabColumns.resize(tools.TableFieldCount());
    m_fldColumns.resize(tools.FieldFieldCount());
    InitFormCommon(this);
    InitListViewColumnProps(1500, m_tabColumns);
    InitListViewColumnProps(1550, m_fldColumns);

    // 5.: the window's two queries; the auxiliary one collects its errors for the messages.
    if (const QSharedPointer<KLV> tav = session()) {
        m_query = tav->CreateQuery();
        m_tmpQuery = tav->CreateQuery();
    }
    m_tmpCollector = QSharedPointer<KLVMessageCollector>::create();
    if (m_query) {
        m_query->setEnableQueryMetaData(true);
        connect(m_query.data(), &KLVQuery::MessageReceived, this,
                [this](QSharedPointer<KLVMessage>& message) { ShowQueryMessage(message); });
    }
    if (m_tmpQuery) {
        m_tmpQuery->setEnableQueryMetaData(true);
        m_tmpQuery->setErrorMessageCollector(m_tmpCollector);
    }

    // 6. to 8.
    RestoreQueryWindowSettings();
    ensureQueryStringWindow();
    const QString estimate = SettingsStore::GetSetting(RegAppName, u"\\"_s, u"SchlüsselSchätzen"_s, u"0"_s);
    m_schaetzenButton->setVisible(estimate == u"1");
    m_schaetzenButton->setEnabled(ServerProtocolVersion >= 3.31);

    // The lists show their columns before they have rows.
    BuildListViewColumns(m_tabellenListe, 1500, m_tabColumns, {});
    BuildListViewColumns(m_feldListe, 1550, m_fldColumns, {});
    // The panes as restored, in the window's present size; later resizes share the change.
    layoutPanes();
}

QueryForm::~QueryForm() = default;

QSharedPointer<KLV> QueryForm::session() const
{
    return MainSession.toStrongRef();
}

void QueryForm::buildControls()
{
    m_tabellenListe = makeList(this, u"TabellenListe"_s, u"TableList"_s);
    m_feldListe = makeList(this, u"FeldListe"_s, u"FieldList"_s);
    m_datenListe = named(new ResultListView(this), u"DatenListe"_s);
    m_fill = new ResultFill(m_datenListe, this);

    m_tabFldSplit = named(new QWidget(this), u"TabFldSplit"_s);
    m_tabFldSplit->setCursor(Qt::SplitHCursor);
    m_datenSplit = named(new QWidget(this), u"DatenSplit"_s);
    m_datenSplit->setCursor(Qt::SplitVCursor);

    // The conditions frame: the selection controls on the left, the two query buttons at its
    // right end, spaced evenly in its height.
    m_bedingungen = named(new QGroupBox(u"1464"_s, this), u"BedingungenFrame"_s);
    auto* grid = new QGridLayout;
    m_schluessel = named(new QComboBox(m_bedingungen), u"Schluessel"_s);
    m_schluessel->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_schluessel->setMinimumContentsLength(16);
    m_schlInfoButton = named(new QPushButton(u"1453"_s, m_bedingungen), u"SchlInfoButton"_s);
    m_schlInfoButton->setEnabled(false);
    m_schaetzenButton = named(new QPushButton(u"1454"_s, m_bedingungen), u"SchluesselSchaetzenButton"_s);
    m_ablageart = named(new QComboBox(m_bedingungen), u"Ablageart"_s);
    m_ablageart->setMinimumContentsLength(10);
    m_kriterien = named(new QLineEdit(m_bedingungen), u"Kriterien"_s);
    m_sortierung = named(new QLineEdit(m_bedingungen), u"Sortierung"_s);

    auto* direction = named(new QWidget(m_bedingungen), u"RichtungBox"_s);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->setContentsMargins(0, 0, 0, 0);
    m_aufsteigend = named(new QRadioButton(u"1459"_s, direction), u"Aufsteigend"_s);
    m_absteigend = named(new QRadioButton(u"1460"_s, direction), u"Absteigend"_s);
    directionLayout->addWidget(m_aufsteigend);
    directionLayout->addWidget(m_absteigend);
    directionLayout->addStretch(1);
    m_aufsteigend->setChecked(true);

    auto* junction = named(new QWidget(m_bedingungen), u"VerknuepfungBox"_s);
    auto* junctionLayout = new QHBoxLayout(junction);
    junctionLayout->setContentsMargins(0, 0, 0, 0);
    m_und = named(new QRadioButton(u"1461"_s, junction), u"UNDVerknuepfung"_s);
    m_oder = named(new QRadioButton(u"1462"_s, junction), u"ODERVerknuepfung"_s);
    m_zeilenSelektion = named(new QCheckBox(u"1463"_s, junction), u"ZeilenSelektion"_s);
    junctionLayout->addWidget(m_und);
    junctionLayout->addWidget(m_oder);
    junctionLayout->addSpacing(12);
    junctionLayout->addWidget(m_zeilenSelektion);
    junctionLayout->addStretch(1);
    m_und->setChecked(true);

    const auto label = [this](const QString& name, const QString& caption, QWidget* buddy) {
        auto* l = named(new QLabel(caption, m_bedingungen), name);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(u"SchluesselLabel"_s, u"1455"_s, m_schluessel), 0, 0);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_schluessel, 1);
    keyRow->addWidget(m_schlInfoButton);
    keyRow->addWidget(m_schaetzenButton);
    keyRow->addSpacing(12);
    keyRow->addWidget(label(u"AblageartLabel"_s, u"1456"_s, m_ablageart));
    keyRow->addWidget(m_ablageart, 1);
    grid->addLayout(keyRow, 0, 1);
    grid->addWidget(label(u"KriterienLabel"_s, u"1457"_s, m_kriterien), 1, 0);
    grid->addWidget(m_kriterien, 1, 1);
    grid->addWidget(label(u"SortierungLabel"_s, u"1458"_s, m_sortierung), 2, 0);
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(m_sortierung, 1);
    sortRow->addWidget(direction);
    grid->addLayout(sortRow, 2, 1);
    grid->addWidget(junction, 3, 1);
    grid->setColumnStretch(1, 1);

    m_startButton = named(new QPushButton(u"1451"_s, m_bedingungen), u"StartQueryButton"_s);
    m_breakButton = named(new QPushButton(u"1452"_s, m_bedingungen), u"BreakQueryButton"_s);
    m_startButton->setEnabled(false);
    m_breakButton->setEnabled(false);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_startButton);
    buttons->addStretch(1);
    buttons->addWidget(m_breakButton);
    buttons->addStretch(1);
    auto* frameLayout = new QHBoxLayout(m_bedingungen);
    frameLayout->addLayout(grid, 1);
    frameLayout->addSpacing(8);
    frameLayout->addLayout(buttons);

    // Status bar: six panels, captioned with message numbers until the window is localised.
    m_statusBar = named(new QStatusBar(this), u"StatusBar"_s);
    m_statusBar->setSizeGripEnabled(false);
    const int captions[] = {159, 160, 177, 161, 162, 163};
    for (int p = 1; p <= 6; ++p) {
        auto* panel = named(new QLabel(QString::number(captions[p - 1]), m_statusBar), u"Panel"_s + QString::number(p));
        // One line shows; panel 5 collects several, which its click shows whole. The counts
        // take the room they need, the messages and the selection share the rest.
        panel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        panel->setFixedHeight(panel->fontMetrics().height() + 2);
        panel->setContentsMargins(2, 0, 10, 0);
        panel->installEventFilter(this);
        if (p >= 5)
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        m_statusBar->addWidget(panel, p >= 5 ? 1 : 0);
        m_panels.append(panel);
    }

    // Events of the lists and controls.
    connect(m_tabellenListe, &QTreeWidget::itemDoubleClicked, this, [this] { openSelectedTable(); });
    connect(m_tabellenListe->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        int column = section;
        ResortTabellenListe(column);
    });
    connect(m_feldListe, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { fieldRowDoubleClicked(item); });
    connect(m_feldListe, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { fieldRowClicked(item); });
    connect(m_feldListe->header(), &QHeaderView::sectionClicked, this,
            [this](int section) { ResortFeldListe(section); });
    connect(m_datenListe->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        int column = section;
        ResortDatenListe(column);
    });
    connect(m_datenListe, &QAbstractItemView::doubleClicked, this, [this] { GUIOeffnen(false); });
    for (QWidget* list : {static_cast<QWidget*>(m_tabellenListe), static_cast<QWidget*>(m_feldListe),
                          static_cast<QWidget*>(m_datenListe)}) {
        if (auto* view = qobject_cast<QAbstractItemView*>(list))
            view->viewport()->installEventFilter(this);
    }
    m_tabFldSplit->installEventFilter(this);
    m_datenSplit->installEventFilter(this);

    connect(m_schluessel, &QComboBox::currentIndexChanged, this, [this] { keyChosen(); });
    connect(m_schlInfoButton, &QPushButton::clicked, this, [this] { keyInfoClicked(); });
    connect(m_schaetzenButton, &QPushButton::clicked, this, [this] { keyEstimationClicked(); });
    connect(m_startButton, &QPushButton::clicked, this, [this] { AbfrageStarten(); });
    connect(m_breakButton, &QPushButton::clicked, this, [this] { BreakQuery(); });

    resize(Twips::toPixelsX(9600), Twips::toPixelsY(7200));
}

void QueryForm::watchKeys()
{
    // The window sees keys before its controls.
    FormSupport::watchKeys(this);
}

// ---- Frame ------------------------------------------------------------------------------

void QueryForm::InitControls()
{
    if (FillTabellenListe())
        m_startButton->setEnabled(true);
}

QString QueryForm::panelText(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1]->text() : QString();
}

void QueryForm::setPanel(int panel, const QString& text)
{
    if (panel >= 1 && panel <= m_panels.size())
        m_panels[panel - 1]->setText(text);
}

void QueryForm::ClearStatusPanels()
{
    setPanel(5, QString());
    setPanel(6, QString());
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
    m_queryStringWindow->SetQueryString(m_aktTableName, m_aktTableID, selection->SelString(), BuildFldLst());
}

void QueryForm::ShowQueryStringWindow()
{
    QueryStringForm* w = ensureQueryStringWindow();
    SetQueryStringWindowValues();
    w->show();
    w->raise();
}

void QueryForm::setMousePointer(int pointer)
{
    if (MainForm)
        MainForm->setProperty("MousePointer", pointer);
}

QMenu* QueryForm::mainMenu(const QString& name) const
{
    return MainForm ? MainForm->findChild<QMenu*>(name) : nullptr;
}

void QueryForm::setMainEntryEnabled(const QString& name, bool enabled) const
{
    if (!MainForm)
        return;
    if (QMenu* menu = MainForm->findChild<QMenu*>(name)) {
        menu->menuAction()->setEnabled(enabled);
        return;
    }
    const QList<QAction*> actions = MainForm->findChildren<QAction*>(name);
    for (QAction* a : actions)
        a->setEnabled(enabled);
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
    QTimer::singleShot(0, this, [this] { windowOfForm(this)->close(); });
}

// ---- Layout -----------------------------------------------------------------------------

void QueryForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QWidget* w = windowOfForm(this);
    if (w->isMinimized())
        return;
    ResizeForm();
    const int minWidth = Twips::toPixelsX(MainForm ? MainForm->property("MinWidth").toInt() : 0);
    const int minHeight = Twips::toPixelsY(MainForm ? MainForm->property("MinHeight").toInt() : 0);
    const bool maximized = w->isMaximized();
    int none = -1;
    if (!(maximized && w->width() <= minWidth))
        ResizeControlsHorizontal(none);
    none = -1;
    if (!(maximized && w->height() <= minHeight))
        ResizeControlsVertical(none);
}

void QueryForm::ResizeForm()
{
    QWidget* w = windowOfForm(this);
    if (w->isMinimized() || w->isMaximized() || !MainForm)
        return;
    const int minWidth = Twips::toPixelsX(MainForm->property("MinWidth").toInt());
    const int minHeight = Twips::toPixelsY(MainForm->property("MinHeight").toInt());
    if (w->width() < minWidth || w->height() < minHeight)
        w->resize(std::max(w->width(), minWidth), std::max(w->height(), minHeight));
}

void QueryForm::ResizeControlsHorizontal(int& TabListWidth)
{
    if (TabListWidth >= 1) {
        m_tableListWidth = Twips::toPixelsX(TabListWidth);
    } else if (m_tableListWidth >= 0) {
        const int fieldRight = m_feldListe->geometry().x() + m_feldListe->geometry().width();
        m_tableListWidth = m_layout.sharedTableListWidth(m_tableListWidth, fieldRight, width());
    }
    layoutPanes();
}

void QueryForm::ResizeControlsVertical(int& TabListHeight)
{
    // Below 1 the lists keep their height (worked out on the first layout).
    if (TabListHeight > 0)
        m_listHeight = Twips::toPixelsY(TabListHeight);
    layoutPanes();
}

void QueryForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    layoutPanes();
}

void QueryForm::layoutPanes()
{
    m_layout.conditionsHeight = m_bedingungen->sizeHint().height();
    m_layout.statusHeight = m_statusBar->sizeHint().height();
    // Without stored sizes the lists share what the window leaves, in the size it is first
    // shown in (a hidden window's size is not yet the one the user sees).
    int tableListWidth = m_tableListWidth;
    int listHeight = m_listHeight;
    if (tableListWidth < 0)
        tableListWidth = std::max(0, m_layout.defaultTableListWidth(width()));
    if (listHeight < 0)
        listHeight = std::max(0, m_layout.defaultListHeight(height()));
    if (isVisible()) {
        m_tableListWidth = tableListWidth;
        m_listHeight = listHeight;
    }
    const QueryLayout::Panes p = m_layout.compute(width(), height(), tableListWidth, listHeight);
    m_tabellenListe->setGeometry(p.tables);
    m_tabFldSplit->setGeometry(p.tabFldSplit);
    m_feldListe->setGeometry(p.fields);
    m_datenSplit->setGeometry(p.datenSplit);
    m_datenListe->setGeometry(p.results);
    m_bedingungen->setGeometry(p.conditions);
    m_statusBar->setGeometry(p.status);
    m_tabFldSplit->raise();
    m_datenSplit->raise();
}

void QueryForm::moveVerticalSplitter(int dx)
{
    if (dx == 0)
        return;
    const int left = m_layout.clampVerticalSplitter(m_tabFldSplit->x() + dx, width());
    m_tableListWidth = m_layout.tableListWidthForSplitter(left);
    layoutPanes();
}

void QueryForm::moveHorizontalSplitter(int dy)
{
    if (dy == 0)
        return;
    const int top = m_layout.clampHorizontalSplitter(m_datenSplit->y() + dy, m_bedingungen->y());
    m_listHeight = m_layout.listHeightForSplitter(top);
    layoutPanes();
}

// ---- Events -----------------------------------------------------------------------------

bool QueryForm::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (MainForm) {
            MemberCall::Invoke(MainForm, "SetMenues", {QVariant::fromValue<QWidget*>(this)});
            // The menus of a running query stay off.
            if (m_running) {
                setMainEntryEnabled(u"ExportMenue"_s, false);
                setMainEntryEnabled(u"DatenlisteMenue"_s, false);
            }
        }
        break;
    case QEvent::ParentChange:
        // Inside the main window's frame the sub-window takes the stored place and size.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget())) {
            if (!SettingsStore::GetSetting(RegAppName, QString::fromUtf16(SettingsSection), u"WindowWidth"_s)
                     .isEmpty()) {
                const Qt::WindowStates state = sub->windowState();
                LoadFormPosition(this, QString::fromUtf16(SettingsSection));
                sub->setWindowState(state);
            }
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool QueryForm::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control && isAncestorOf(control) && control->window() == window())
            return handleKey(control, static_cast<QKeyEvent*>(event));
        if (control == this)
            return handleKey(control, static_cast<QKeyEvent*>(event));
        break;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if ((watched == m_tabFldSplit || watched == m_datenSplit) && mouse->button() == Qt::LeftButton) {
            m_dragging = true;
            m_dragStart = mouse->position().toPoint();
            return true;
        }
        for (int p = 0; p < m_panels.size(); ++p) {
            if (watched == m_panels[p] && mouse->button() == Qt::LeftButton) {
                statusPanelClicked(p + 1);
                return true;
            }
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_dragging && (mouse->buttons() & Qt::LeftButton)) {
            const QPoint delta = mouse->position().toPoint() - m_dragStart;
            if (watched == m_tabFldSplit) {
                moveVerticalSplitter(delta.x());
                return true;
            }
            if (watched == m_datenSplit) {
                moveHorizontalSplitter(delta.y());
                return true;
            }
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == m_tabFldSplit || watched == m_datenSplit) {
            m_dragging = false;
            return true;
        }
        if (mouse->button() != Qt::RightButton)
            break;
        if (watched == m_tabellenListe->viewport())
            QTimer::singleShot(0, this, [this] { tableListMouseUp(); });
        else if (watched == m_feldListe->viewport())
            QTimer::singleShot(0, this, [this] {
                if (QMenu* menu = mainMenu(u"FldListeMenue"_s))
                    menu->popup(QCursor::pos());
            });
        else if (watched == m_datenListe->viewport())
            QTimer::singleShot(0, this, [this] { dataListMouseUp(); });
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool QueryForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const auto within = [control](QWidget* list) { return control == list || list->isAncestorOf(control); };
    const bool inTables = within(m_tabellenListe);
    const bool inFields = within(m_feldListe);
    const bool inData = within(m_datenListe);

    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (inTables) {
            openSelectedTable();
        } else if (m_breakButton->isEnabled()) {
            BreakQuery();
        } else if (m_startButton->isEnabled()) {
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
            if (QTreeWidgetItem* item = selectedFieldRow();
                item && (mods == Qt::NoModifier || mods == Qt::ShiftModifier))
                ChangeExtraFeld(rowKey(item), mods == Qt::ShiftModifier);
            return true;
        }
        if (inTables) {
            ChangeTableName();
            return true;
        }
        return false;
    case Qt::Key_Delete:
        if (inFields) {
            if (QTreeWidgetItem* item = selectedFieldRow())
                DeleteExtraFeld(rowKey(item));
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
            CopyListViewToClipboard(inTables   ? static_cast<QWidget*>(m_tabellenListe)
                                    : inFields ? static_cast<QWidget*>(m_feldListe)
                                               : static_cast<QWidget*>(m_datenListe));
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
        if (m_query)
            m_query->Break();
        if (m_tmpQuery)
            m_tmpQuery->Break();
        event->ignore();
        return;
    }
    if (m_queryStringWindow) {
        m_queryStringWindow->close();
        delete m_queryStringWindow;
    }
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(MainForm, "CheckQuerySettingsChanges", check);
    if (check.value(1).toInt() == 2) {
        m_closePending = false;
        event->ignore();
        return;
    }
    SaveQueryWindowSettings();
    SaveExtraTables();
    event->accept();
    hide();
    MemberCall::Invoke(MainForm, "QueryWindowClosed");
}

// ---- Run and result list ------------------------------------------------------------------

QString QueryForm::BuildFldLst() const
{
    QStringList tags;
    for (int c = 0; c < m_datenListe->columnCount(); ++c)
        tags.append(m_datenListe->columnTag(c));
    return tags.join(u',');
}

QString QueryForm::columnCaption(const QTreeWidgetItem* fieldItem) const
{
    if (ViewerFlag(u"ColumnHeadersDesc"_s, ViewerConfig::Key::ColHeadersDesc))
        return QueryTag::Tag2Field(rowTag(fieldItem), 4);
    return fieldItem->text(0);
}

void QueryForm::InsertDataColumn(QTreeWidgetItem* FeldlisteItem, int& Breite)
{
    if (!FeldlisteItem)
        return;
    if (Breite < 1)
        Breite = DefaultColumnWidth;
    m_datenListe->addColumn(rowKey(FeldlisteItem), QueryTag::FieldTag2QueryFldName(rowTag(FeldlisteItem)),
                            columnCaption(FeldlisteItem), Breite);
}

bool QueryForm::UpdateDataColumns()
{
    if (m_running)
        return false;
    const int rows = m_feldListe->topLevelItemCount();
    int checked = 0;
    for (int i = 0; i < rows; ++i) {
        if (m_feldListe->topLevelItem(i)->checkState(0) == Qt::Checked)
            ++checked;
    }
    const bool all = checked == 0;
    if ((all ? rows : checked) > MaxDataColumns) {
        ShowMessageBox(GetMessageTextByNr(168));
        return false;
    }
    for (int i = 0; i < rows; ++i) {
        QTreeWidgetItem* row = m_feldListe->topLevelItem(i);
        const int column = m_datenListe->columnOfTag(QueryTag::FieldTag2QueryFldName(rowTag(row)));
        const bool chosen = all || row->checkState(0) == Qt::Checked;
        if (chosen && column < 0) {
            int width = 0;
            InsertDataColumn(row, width);
        } else if (!chosen && column >= 0) {
            m_datenListe->removeColumn(column);
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
    for (int c = 0; c < m_datenListe->columnCount(); ++c) {
        if (const QTreeWidgetItem* row = fieldRow(m_datenListe->columnKey(c)))
            m_datenListe->setColumnCaption(c, columnCaption(row));
    }
}

void QueryForm::ResortDataColumns()
{
    int position = 0;
    for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_feldListe->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        const int column = m_datenListe->columnOfTag(QueryTag::FieldTag2QueryFldName(rowTag(row)));
        if (column >= 0 && m_datenListe->columnPosition(column) > position)
            m_datenListe->moveColumnToPosition(column, position);
        ++position;
    }
}

void QueryForm::ResortDatenListe(int& column)
{
    if (column >= 0)
        SortListViewByColumn(m_datenListe, column);
}

void QueryForm::ShowAnzSaetze(int Anzahl, int Schaetzzahl)
{
    setPanel(4, QueryRules::CountText(Anzahl, Schaetzzahl));
}

void QueryForm::setRunState(bool running)
{
    m_running = running;
    m_breakButton->setEnabled(running);
    m_startButton->setEnabled(!running);
    setMainEntryEnabled(u"ExportMenue"_s, !running);
    setMainEntryEnabled(u"DatenlisteMenue"_s, !running);
    setMousePointer(running ? 11 : 0);
}

void QueryForm::BreakQuery()
{
    if (!m_running)
        return;
    m_breakRequested = true;
    if (m_fill->isRunning())
        m_fill->requestBreak();
    else if (m_query)
        m_query->Break();
}

void QueryForm::AbfrageStarten()
{
    if (refused())
        return;
    // The run needs the table whose fields are shown; without a selected row nothing happens.
    QTreeWidgetItem* row = selectedTableRow();
    if (!row)
        return;
    if (m_aktTableID.isEmpty() || QueryTag::Tag2Field(rowTag(row), 3) != m_aktTableID) {
        ShowMessageBox(GetMessageTextByNr(139));
        m_tabellenListe->setFocus();
        return;
    }
    if (m_schluessel->currentIndex() >= 0 && m_schluessel->currentText() != NoKeyText) {
        const int kind = m_ablageart->currentIndex() < 0 ? QueryRules::All : m_ablageart->currentData().toInt();
        const int keyFlag = m_schluessel->currentData().toInt();
        if (!QueryRules::KeyServesStorageKind(keyFlag, kind)) {
            ShowMessageBox(GetMessageTextByNr(176));
            return;
        }
    }

    setPanel(4, QString());
    m_datenListe->clearRows();
    ClearStatusPanels();
    if (row->text(0) != m_feldListeTable)
        m_datenListe->removeAllColumns();
    if (!UpdateDataColumns())
        return;

    m_breakRequested = false;
    setRunState(true);
    const QSharedPointer<KLVSelection> selection = GetSelection();
    const QString fields = BuildFldLst();
    if (ViewerFlag(u"SaveQueryAuto"_s, ViewerConfig::Key::QueryAutoSave))
        MemberCall::Invoke(MainForm, "SaveQuerySettings",
                           {QVariant::fromValue<QWidget*>(this), m_aktTableName, GetMessageTextByNr(126)});

    setPanel(6, selection->SelString());
    if (m_queryStringWindow)
        m_queryStringWindow->SetQueryString(m_aktTableName, m_aktTableID, selection->SelString(), fields);

    // The library's waits run the event loop: the window may hear of a break meanwhile.
    const QPointer<QueryForm> self(this);
    int rows = 0;
    const bool started = m_query && m_query->StartQuerySel(selection, fields + u",+id"_s);
    if (!self)
        return;
    if (!started) {
        if (!m_breakRequested && m_query) {
            const QSharedPointer<KLVError> error = m_query->GetLastKLVError();
            ShowMessageBox(GetMessageTextByNr(140) + CrLf + (error ? error->ErrInfo() : m_query->GetLastError()));
        }
    } else {
        rows = m_fill->run(m_query, m_datenListe->columnCount(), [this](int n, int total) { ShowAnzSaetze(n, total); });
        if (!self)
            return;
        if (!m_fill->wasBroken() && !m_fill->lastError().isEmpty())
            ShowMessageBox(GetMessageTextByNr(22) + u' ' + m_fill->lastError());
    }
    ShowAnzSaetze(std::max(rows, 0), started && m_query ? m_query->GetRecordTotal() : 0);
    setRunState(false);
    closeIfPending();
}

void QueryForm::dataListMouseUp()
{
    if (m_feldListe->topLevelItemCount() == 0) {
        ShowMessageBox(GetMessageTextByNr(139));
        return;
    }
    QMenu* menu = mainMenu(u"DatenlisteMenue"_s);
    if (menu && menu->menuAction()->isEnabled())
        menu->popup(QCursor::pos());
}

bool QueryForm::ReadRecordOrigin(QString& ref, int& dnr, int& gruppe)
{
    ref = m_datenListe->selectedRowTag();
    dnr = -1;
    gruppe = -1;
    if (ref.isEmpty() || !m_tmpQuery || !m_tmpQuery->ReadRecord(ref, u"dnr,gruppe"_s))
        return false;
    const auto whole = [](const QString& text) {
        return NumberText::roundToInt32(NumberText::leadingValue(text)).value_or(0);
    };
    dnr = whole(m_tmpQuery->GetField(1));
    gruppe = whole(m_tmpQuery->GetField(2));
    return true;
}

void QueryForm::GUIOeffnen(bool Aendern)
{
    if (m_datenListe->selectedRow() < 0)
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
    Q_UNUSED(ExportType);
    Q_UNUSED(RowsFromCaller);
}

// ---- Table list and extra tables ----------------------------------------------------------

QTreeWidgetItem* QueryForm::selectedTableRow() const
{
    QTreeWidgetItem* item = m_tabellenListe->currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = m_tabellenListe->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QStringList QueryForm::tableRowTexts() const
{
    QStringList texts;
    for (int i = 0; i < m_tabellenListe->topLevelItemCount(); ++i)
        texts.append(m_tabellenListe->topLevelItem(i)->text(0));
    return texts;
}

bool QueryForm::FillTabellenListe()
{
    if (refused())
        return false;
    const BusyScope busy(this);
    return fillTableList();
}

bool QueryForm::fillTableList()
{
    ClearForm();
    m_startButton->setEnabled(false);
    m_tabellenListe->clear();
    ListViewHelpers::SetListViewSorting(m_tabellenListe, false, -1, Qt::AscendingOrder);
    m_tabellenListe->setUpdatesEnabled(false);
    m_aktTableName.clear();
    m_aktTableID.clear();
    MemberCall::Invoke(MainForm, "SetTabListeSortColumn", {-1});
    m_extraTables.clear();

    const QPointer<QueryForm> self(this);
    if (m_query && m_query->GetTableNames(QString())) {
        if (!self)
            return false;
        const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(m_query);
        BuildListViewColumns(m_tabellenListe, 1500, m_tabColumns, meta, mainMenu(u"TabListeSortByFeldMenue"_s));
        // The extra tables of a database follow its last group row.
        QString remembered;
        while (m_query->GetNextRecord()) {
            if (!self)
                return false;
            const QStringList record = m_query->GetFields();
            if (IsDbGroupName(record.value(0))) {
                const QString db = record.value(5);
                if (db != remembered) {
                    if (!remembered.isEmpty())
                        LoadExtraTables(remembered);
                    remembered = db;
                }
            } else if (!remembered.isEmpty()) {
                LoadExtraTables(remembered);
                remembered.clear();
            }
            AddTableListItems(record, meta, false, 0, false);
        }
        if (!self)
            return false;
        // The list may end with a database's group rows: its extra tables come last.
        if (!remembered.isEmpty())
            LoadExtraTables(remembered);
    } else if (self) {
        ShowMessageBox(GetMessageTextByNr(124) + CrLf + (m_query ? m_query->GetLastError() : QString()));
        m_tabellenListe->clear();
    }
    if (!self)
        return false;

    const int count = m_tabellenListe->topLevelItemCount();
    setPanel(1, QString::number(count) + u' ' + GetMessageTextByNr(125));
    m_tabellenListe->setUpdatesEnabled(true);
    m_tabellenListe->setFocus();
    m_startButton->setEnabled(count > 0);
    return count > 0;
}

void QueryForm::AddTableListItems(const QStringList& record,
                                  const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData, bool isExtra, int index,
                                  bool select)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, record.value(0));
    item->setData(0, ListViewHelpers::RowTagRole, QueryTag::FieldArray2Tag(record));
    if (index < 1)
        m_tabellenListe->addTopLevelItem(item);
    else
        m_tabellenListe->insertTopLevelItem(std::min(index - 1, m_tabellenListe->topLevelItemCount()), item);
    if (isExtra)
        m_extraTables.registerTable(record.value(0), record.value(5));

    int column = 1;
    for (int i = 2; i <= metaData.size(); ++i) {
        if (i > m_tabColumns.size() || !m_tabColumns[i - 1].Visible)
            continue;
        const QString value = record.value(i - 1);
        QString text;
        if (i == 12) {
            if (!value.isEmpty()) {
                text = storageKindName(value);
                if (text.isEmpty())
                    text = u"???"_s;
            }
        } else if (isBoolType(metaData[i - 1])) {
            text = Bool2ErpText(QueryTag::ToBool(value));
        } else {
            text = value;
        }
        item->setText(column, text);
        ++column;
    }

    if (select) {
        m_tabellenListe->setFocus();
        m_tabellenListe->setCurrentItem(item);
        m_tabellenListe->scrollToItem(item);
    }
}

void QueryForm::LoadExtraTables(const QString& databaseNr)
{
    const QString list = QueryExtraTables::load(GetViewerConfigFile(), databaseNr);
    if (list.isEmpty())
        return;
    // Only a database whose extra tables came is written back: a refused request must not
    // empty the stored list.
    if (FetchTableMetaData(list, 0, false))
        m_extraTables.addDatabase(databaseNr);
}

bool QueryForm::FetchTableMetaData(const QString& tableList, int index, bool select)
{
    if (!m_tmpQuery)
        return false;
    const QPointer<QueryForm> self(this);
    m_tmpCollector->Reset();
    bool ok = m_tmpQuery->GetTableNames(tableList);
    if (!self)
        return false;
    int added = 0;
    if (ok) {
        const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(m_tmpQuery);
        while (m_tmpQuery->GetNextRecord()) {
            if (!self)
                return false;
            AddTableListItems(m_tmpQuery->GetFields(), meta, true, index, select);
            ++added;
        }
        if (!self)
            return false;
    }
    // An answer without a table adds nothing: it counts as refused, so a rename keeps its row.
    if (!ok || added == 0) {
        ok = false;
        ShowMessageBox(GetMessageTextByNr(874) + CrLf + tableList + CrLf + m_tmpQuery->GetLastError() + CrLf +
                       m_tmpCollector->GetAllMessagesText(CrLf));
    }
    m_tmpQuery->Break();
    SaveExtraTables();
    return ok;
}

bool QueryForm::IsExtraTable(const QString& tableName) const
{
    return m_extraTables.isExtraTable(tableName);
}

QString QueryForm::inputBox(const QString& prompt, const QString& title, const QString& defaultText, bool* ok)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (ok)
        *ok = accepted;
    return accepted ? text : QString();
}

void QueryForm::AddExtraTable()
{
    if (refused())
        return;
    const BusyScope busy(this);
    bool ok = false;
    const QString answer = inputBox(GetMessageTextByNr(196), QString(), QString(), &ok).trimmed();
    if (ok && !answer.isEmpty())
        FetchTableMetaData(answer, 0, true);
}

void QueryForm::ChangeTableName()
{
    if (refused())
        return;
    const BusyScope busy(this);
    QTreeWidgetItem* item = selectedTableRow();
    if (!item || !IsExtraTable(item->text(0)))
        return;
    const QString current = item->text(0);
    bool ok = false;
    const QString answer = inputBox(GetMessageTextByNr(196), QString(), current, &ok).trimmed();
    if (!ok || answer.isEmpty() || answer == current) {
        m_tabellenListe->setFocus();
        return;
    }
    const int index = m_tabellenListe->indexOfTopLevelItem(item) + 1;
    const QPointer<QueryForm> self(this);
    if (!FetchTableMetaData(answer, index, true) || !self)
        return;
    delete item;
    m_extraTables.rename(current, answer, tableRowTexts());
    // The change is in the file at once, not only when the window closes.
    SaveExtraTables();
}

void QueryForm::RemoveExtraTable()
{
    if (refused())
        return;
    QTreeWidgetItem* item = selectedTableRow();
    if (!item || !IsExtraTable(item->text(0)))
        return;
    const QString name = item->text(0);
    if (ShowMessageBox(GetMessageTextByNr(197) + CrLf + name, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    delete item;
    if (!tableRowTexts().contains(name, Qt::CaseInsensitive))
        m_extraTables.unregister(name);
    SaveExtraTables();
}

void QueryForm::SelectTableColumns()
{
    if (refused())
        return;
    const BusyScope busy(this);
    StoreListViewColumnWidths(m_tabellenListe, m_tabColumns);
    if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_tabColumns) == SpaltenWahlForm::ResultOk)
        fillTableList();
}

void QueryForm::ResortTabellenListe(int& column)
{
    SortListViewByColumn(m_tabellenListe, column);
    MemberCall::Invoke(MainForm, "SetTabListeSortColumn", {column});
}

void QueryForm::openSelectedTable()
{
    QTreeWidgetItem* item = selectedTableRow();
    if (!item)
        return;
    const QString tag = rowTag(item);
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
    MemberCall::Invoke(MainForm, "CheckQuerySettingsChanges", check);
    if (!self || check.value(1).toInt() == 2)
        return;

    setMousePointer(11);
    m_aktTableName = TableName;
    m_aktTableID = TableID;
    m_aktTableHasTable = HasTable;
    m_aktQueryName.clear();

    fillFieldList(false);
    if (!self)
        return;
    fillKeyList();
    if (!self)
        return;
    FillAblageart();
    m_datenListe->clearRows();

    MemberCall::Invoke(MainForm, "FillTableQueries", {QVariant::fromValue<QWidget*>(this), TableName});
    QVariantList load{QVariant::fromValue<QWidget*>(this), TableName, TableID, GetMessageTextByNr(126), HasTable};
    MemberCall::Invoke(MainForm, "GetQuerySettings", load);
    if (!self)
        return;
    if (SetFocusFeldliste)
        SetFieldVisible(1);
    setMousePointer(0);
}

void QueryForm::tableListMouseUp()
{
    const QTreeWidgetItem* item = selectedTableRow();
    const bool current = item && !m_aktTableName.isEmpty() && item->text(0) == m_aktTableName;
    for (const char16_t* name : {u"TabListeShowKKeyInfosMenue", u"TabAbfrageLadenMenue", u"TabAbfragenVerwaltenMenue"})
        setMainEntryEnabled(QString::fromUtf16(name), current);
    if (QMenu* menu = mainMenu(u"TabListeMenue"_s))
        menu->popup(QCursor::pos());
}

// ---- Field list -----------------------------------------------------------------------------

QTreeWidgetItem* QueryForm::fieldRow(const QString& key) const
{
    if (key.isEmpty())
        return nullptr;
    for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_feldListe->topLevelItem(i);
        if (rowKey(item) == key)
            return item;
    }
    return nullptr;
}

QTreeWidgetItem* QueryForm::selectedFieldRow() const
{
    QTreeWidgetItem* item = m_feldListe->currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = m_feldListe->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

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
    m_startButton->setEnabled(false);
    // The field list is the current table's: the run compares its name with the selected row.
    m_feldListeTable = m_aktTableName;
    QStringList checkedKeys;
    if (SaveCheckedState) {
        for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = m_feldListe->topLevelItem(i);
            if (item->checkState(0) == Qt::Checked)
                checkedKeys.append(rowKey(item));
        }
    }
    m_feldListe->clear();
    ListViewHelpers::SetListViewSorting(m_feldListe, false, -1, Qt::AscendingOrder);

    if (m_query && !m_aktTableID.isEmpty()) {
        if (m_query->GetFieldNames(m_aktTableID)) {
            if (!self)
                return;
            const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(m_query);
            BuildListViewColumns(m_feldListe, 1550, m_fldColumns, meta, mainMenu(u"FldListeSortByFeldMenue"_s));
            while (m_query->GetNextRecord()) {
                if (!self)
                    return;
                InsertFeld(m_query->GetField(1), m_query->GetFields(), meta, false, false, false, 0);
            }
            if (!self)
                return;
        } else if (self) {
            ShowMessageBox(GetMessageTextByNr(127) + CrLf + m_query->GetLastError());
        }
    }
    if (!self)
        return;
    setPanel(2, m_aktTableName + u": "_s + QString::number(m_feldListe->topLevelItemCount()) + u' ' +
                    GetMessageTextByNr(128));
    SetQueryStringWindowValues();
    for (const QString& key : std::as_const(checkedKeys)) {
        if (QTreeWidgetItem* item = fieldRow(key))
            item->setCheckState(0, Qt::Checked);
    }
    m_startButton->setEnabled(m_tabellenListe->topLevelItemCount() > 0);
}

bool QueryForm::InsertFeld(const QString& FldName, const QStringList& FldFields,
                           const QList<QSharedPointer<KLVQueryFieldMetaData>>& MetaData, bool FldIsExtra,
                           bool CheckField, bool SelectField, int Position)
{
    const int count = m_feldListe->topLevelItemCount();
    if (Position <= 0 || Position > count + 1)
        Position = count + 1;
    const QString key = BuildFeldKey(FldName, FldFields.value(5), FldIsExtra);
    if (FldName.isEmpty() || fieldRow(key)) {
        QString text = GetMessageTextByNr(129) + u' ' + FldName;
        if (QueryTag::ToBool(FldFields.value(5)))
            text += GetMessageTextByNr(130);
        ShowMessageBox(text);
        return false;
    }
    auto* item = new QTreeWidgetItem;
    item->setText(0, FldName);
    item->setData(0, RowKeyRole, key);
    item->setData(0, ListViewHelpers::RowTagRole, QueryTag::FieldArray2Tag(FldFields));
    int column = 1;
    for (int i = 2; i <= MetaData.size(); ++i) {
        if (i > m_fldColumns.size() || !m_fldColumns[i - 1].Visible)
            continue;
        const QString value = FldFields.value(i - 1);
        item->setText(column, isBoolType(MetaData[i - 1]) ? Bool2ErpText(QueryTag::ToBool(value)) : value);
        ++column;
    }
    m_feldListe->insertTopLevelItem(Position - 1, item);
    item->setCheckState(0, CheckField ? Qt::Checked : Qt::Unchecked);
    if (SelectField)
        SetFieldVisible(Position);
    return true;
}

void QueryForm::SetFieldVisible(int FldIndex)
{
    QTreeWidgetItem* item = m_feldListe->topLevelItem(FldIndex - 1);
    m_feldListe->setFocus();
    if (!item)
        return;
    m_feldListe->setCurrentItem(item);
    item->setSelected(true);
    m_feldListe->scrollToItem(item);
}

void QueryForm::SelectFieldColumns()
{
    if (refused())
        return;
    const BusyScope busy(this);
    StoreListViewColumnWidths(m_feldListe, m_fldColumns);
    if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_fldColumns) == SpaltenWahlForm::ResultOk)
        fillFieldList(true);
}

void QueryForm::ResortFeldListe(int column)
{
    if (column < 0) {
        // Checked rows first, each group in its order.
        ListViewHelpers::SetListViewSorting(m_feldListe, false, -1, Qt::AscendingOrder);
        int dest = 0;
        for (int i = 0; i < m_feldListe->topLevelItemCount(); ++i) {
            if (m_feldListe->topLevelItem(i)->checkState(0) != Qt::Checked)
                continue;
            if (i > dest) {
                QTreeWidgetItem* item = m_feldListe->takeTopLevelItem(i);
                m_feldListe->insertTopLevelItem(dest, item);
            }
            ++dest;
        }
        if (m_feldListe->topLevelItemCount() > 0)
            m_feldListe->scrollToItem(m_feldListe->topLevelItem(0));
    } else {
        SortListViewByColumn(m_feldListe, column);
    }
    MemberCall::Invoke(MainForm, "SetFldListeSortColumn", {column});
}

void QueryForm::SetAllFieldsSelection(int Range, int Mode)
{
    for (int i = 1; i <= m_feldListe->topLevelItemCount(); ++i) {
        if (QueryRules::FieldInRange(Range, rowTag(m_feldListe->topLevelItem(i - 1))))
            SetFieldSelection(i, Mode);
    }
}

void QueryForm::SetFieldSelection(int Index, int Mode)
{
    QTreeWidgetItem* item = m_feldListe->topLevelItem(Index - 1);
    if (!item)
        return;
    const bool on = QueryRules::CheckedAfter(Mode, item->checkState(0) == Qt::Checked);
    item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

int QueryForm::InsertExtraFeld(const QString& ExtraFeldName, bool SelectField, int& Position, bool CheckField)
{
    int result = 4;
    if (!m_tmpQuery)
        return result;
    const QPointer<QueryForm> self(this);
    m_tmpCollector->Reset();
    const bool ok = m_tmpQuery->GetFieldNames(m_aktTableID, ExtraFeldName);
    if (!self)
        return result;
    if (ok && m_tmpQuery->GetNextRecord() && m_tmpQuery->GetField(2) != u"-") {
        if (!self)
            return result;
        static const QRegularExpression checkPrefix(u"^[01]:"_s);
        QString name = ExtraFeldName;
        if (checkPrefix.match(name).hasMatch())
            name = name.mid(2);
        if (InsertFeld(name, m_tmpQuery->GetFields(), metaDataOf(m_tmpQuery), true, CheckField, SelectField, Position))
            result = 1;
    } else if (self) {
        ShowMessageBox(GetMessageTextByNr(136) + u' ' + ExtraFeldName + CrLf +
                       m_tmpCollector->GetAllMessagesText(CrLf));
    }
    return result;
}

int QueryForm::InsertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField)
{
    if (IsVerknFeld(name))
        return InsertExtraFeld(name, SelectField, Position, CheckField);
    const QMessageBox::StandardButton answer =
        ShowMessageBox(GetMessageTextByNr(135) + u' ' + name, QMessageBox::Ok | QMessageBox::Cancel);
    return answer == QMessageBox::Ok ? 4 : 2;
}

void QueryForm::AddExtraFeld(bool Manuell)
{
    if (refused() || m_aktTableName.isEmpty())
        return;
    const BusyScope busy(this);
    const QPointer<QueryForm> self(this);
    QString text;
    for (;;) {
        ClearStatusPanels();
        if (Manuell) {
            bool ok = false;
            text =
                inputBox(GetMessageTextByNr(131) + CrLf + GetMessageTextByNr(132), GetMessageTextByNr(133), text, &ok);
        } else {
            text = ShowVerknAuswahlForm(nullptr);
        }
        if (!self || text.isEmpty())
            return;
        int position = 0;
        if (InsertExtraFeld(text, true, position, true) == 1 || !self)
            return;
    }
}

void QueryForm::ChangeExtraFeld(const QString& FldKey, bool Manuell)
{
    if (refused() || !IsExtraFeldKey(FldKey))
        return;
    const BusyScope busy(this);
    const QPointer<QueryForm> self(this);
    QTreeWidgetItem* row = fieldRow(FldKey);
    if (!row)
        return;
    const QString current = row->text(0);
    QString text = current;
    for (;;) {
        ClearStatusPanels();
        if (Manuell || !IsVerknFeld(current)) {
            bool ok = false;
            text = inputBox(GetMessageTextByNr(131), GetMessageTextByNr(134), text, &ok);
        } else {
            text = ShowVerknAuswahlForm(row);
        }
        if (!self || text.isEmpty() || text == current)
            return;
        row = fieldRow(FldKey);
        if (!row)
            return;
        int position = m_feldListe->indexOfTopLevelItem(row) + 1;
        if (InsertExtraFeld(text, true, position, true) == 1) {
            if (self)
                deleteExtraField(FldKey);
            return;
        }
        if (!self)
            return;
    }
}

void QueryForm::DeleteExtraFeld(const QString& FldKey)
{
    if (!refused())
        deleteExtraField(FldKey);
}

void QueryForm::deleteExtraField(const QString& FldKey)
{
    if (!IsExtraFeldKey(FldKey))
        return;
    QTreeWidgetItem* row = fieldRow(FldKey);
    if (!row)
        return;
    int index = m_feldListe->indexOfTopLevelItem(row) + 1;
    m_datenListe->removeColumn(m_datenListe->columnOfKey(FldKey));
    delete row;
    if (index > m_feldListe->topLevelItemCount())
        index = m_feldListe->topLevelItemCount();
    SetFieldVisible(index);
}

QString QueryForm::ShowVerknAuswahlForm(QTreeWidgetItem* FeldlisteItem)
{
    QString startField;
    QString startType;
    if (FeldlisteItem) {
        const QString type = QueryTag::Tag2Field(rowTag(FeldlisteItem), 5);
        if (IsVerknFeld(FeldlisteItem->text(0)) || KLVTools::DataTypeOf(type) == KLVActiveX::klvReference) {
            startField = FeldlisteItem->text(0);
            startType = type;
        }
    }
    VerknAuswahlForm* chooser = VerknAuswahlForm::DefaultInstance();
    bool ok = false;
    chooser->InitVerknInfo(session(), m_aktTableID, m_aktTableName, startField, startType, ok);
    if (!ok)
        return QString();
    chooser->exec();
    return chooser->ErgebnisVerknFeld();
}

void QueryForm::fieldRowDoubleClicked(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString key = rowKey(item);
    if (IsVerknFeld(item->text(0))) {
        ChangeExtraFeld(key, false);
    } else if (IsExtraFeldKey(key)) {
        ChangeExtraFeld(key, true);
    } else if (KLVTools::DataTypeOf(QueryTag::Tag2Field(rowTag(item), 5)) == KLVActiveX::klvReference) {
        AddExtraFeld(false);
    } else {
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void QueryForm::fieldRowClicked(QTreeWidgetItem* item)
{
    const bool path = item && IsVerknFeld(item->text(0));
    setMainEntryEnabled(u"VerknAendernMenue"_s, path);
    setMainEntryEnabled(u"VerknEntfernenMenue"_s, path);
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

    m_startButton->setEnabled(false);
    m_schluessel->clear();
    m_schluessel->addItem(NoKeyText, QueryRules::All);

    auto* keyMenu = qobject_cast<MenuArray*>(mainMenu(u"TabListeKeyInfosMenue"_s));
    if (keyMenu) {
        const QList<QAction*> entries = keyMenu->entries();
        for (int i = 0; i < entries.size(); ++i) {
            entries[i]->setVisible(i == 0);
            if (i == 0) {
                entries[i]->setText(GetMessageTextByNr(137));
                entries[i]->setEnabled(false);
            }
        }
        if (entries.isEmpty()) {
            QAction* first = keyMenu->addEntry(keyMenu->firstIndex(), GetMessageTextByNr(137));
            first->setEnabled(false);
        }
    }

    if (m_query && !m_aktTableID.isEmpty()) {
        if (m_query->GetKeyNames(m_aktTableID)) {
            while (self && m_query->GetNextRecord())
                m_schluessel->addItem(m_query->GetField(1), QueryRules::KeyFlagOf(m_query->GetField(10)));
            if (!self)
                return;
        } else if (self) {
            ShowMessageBox(GetMessageTextByNr(138) + CrLf + m_query->GetLastError());
        }
    }
    if (!self)
        return;
    m_schluessel->setCurrentIndex(0);

    if (keyMenu) {
        int index = keyMenu->firstIndex();
        for (int i = 1; i < m_schluessel->count(); ++i) {
            const QString name = m_schluessel->itemText(i);
            if (name == NoKeyText)
                continue;
            QAction* entry = keyMenu->addEntry(index, name);
            entry->setText(name);
            entry->setVisible(true);
            entry->setEnabled(true);
            ++index;
        }
    }
    keyChosen();
    m_startButton->setEnabled(m_tabellenListe->topLevelItemCount() > 0);
}

void QueryForm::keyChosen()
{
    const bool key = m_schluessel->currentIndex() >= 0 && m_schluessel->currentText() != NoKeyText;
    m_schlInfoButton->setEnabled(key);
}

void QueryForm::keyInfoClicked()
{
    ShowSchluesselInfo(m_aktTableName, m_aktTableID, m_schluessel->currentText());
}

void QueryForm::ShowSchluesselInfo(const QString& TableName, const QString& TableID, const QString& SchlName)
{
    if (TableName.isEmpty() || SchlName.isEmpty() || SchlName == NoKeyText)
        return;
    if (keyInfoHandler())
        keyInfoHandler()(session(), TableName, TableID, SchlName);
}

void QueryForm::keyEstimationClicked()
{
    if (m_aktTableID.isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(139));
        m_tabellenListe->setFocus();
        return;
    }
    if (ViewerFlag(u"SaveQueryAuto"_s, ViewerConfig::Key::QueryAutoSave))
        MemberCall::Invoke(MainForm, "SaveQuerySettings",
                           {QVariant::fromValue<QWidget*>(this), m_aktTableName, GetMessageTextByNr(126)});
    SchluesselSchaetzenForm::DefaultInstance()->SchaetzungZeigen(session(), this);
}

bool QueryForm::Key4AblageartExists(int AblArt) const
{
    for (int i = 0; i < m_schluessel->count(); ++i) {
        if (m_schluessel->itemData(i).toInt() == AblArt)
            return true;
    }
    return false;
}

void QueryForm::FillAblageart()
{
    m_ablageart->clear();
    QList<int> flags;
    for (int i = 0; i < m_schluessel->count(); ++i)
        flags.append(m_schluessel->itemData(i).toInt());
    for (const int code : QueryRules::StorageKindsFor(flags))
        m_ablageart->addItem(storageKindName(QString::number(code)), code);
    m_ablageart->setCurrentIndex(0);
}

QSharedPointer<KLVSelection> QueryForm::GetSelection() const
{
    auto selection = QSharedPointer<KLVSelection>::create();
    // The window's current table, the one the field list shows, whatever row is selected.
    selection->setTableName(m_aktTableID);
    selection->setKrit(m_kriterien->text());
    const QString key = m_schluessel->currentText();
    selection->setKey(key == NoKeyText ? QString() : key);
    selection->setAscending(m_aufsteigend->isChecked());
    selection->setByRows(m_zeilenSelektion->checkState() == Qt::Checked);
    selection->setAliveFlag(m_ablageart->currentIndex() < 0 ? int(QueryRules::All)
                                                            : m_ablageart->currentData().toInt());
    selection->setAndJunction(m_und->isChecked());
    selection->setOrder(m_sortierung->text());
    return selection;
}

// ---- Templates and window state -------------------------------------------------------------

void QueryForm::LoadRohlingProperties(QString& ref)
{
    m_kriterien->clear();
    m_sortierung->clear();
    m_zeilenSelektion->setChecked(false);
    m_aufsteigend->setChecked(true);
    m_und->setChecked(true);
    if (m_ablageart->count() > 0)
        m_ablageart->setCurrentIndex(0);
    if (const int none = m_schluessel->findText(NoKeyText); none >= 0)
        m_schluessel->setCurrentIndex(none);

    const QPointer<QueryForm> self(this);
    const QString table = u"12:24"_s;
    m_tmpCollector->Reset();
    if (m_tmpQuery &&
        m_tmpQuery->GetRecordByRef(table, ref, u"baum,iverk(0),iricht(0),vart(0),sabl(text),izeilen(0),iordnung"_s) &&
        self) {
        const auto flag = [this](const QString& field) { return m_tmpQuery->GetFieldN(field) == u"(1)"; };
        (flag(u"iverk(0)"_s) ? m_oder : m_und)->setChecked(true);
        m_sortierung->setText(m_tmpQuery->GetFieldN(u"iordnung"_s));
        (flag(u"iricht(0)"_s) ? m_absteigend : m_aufsteigend)->setChecked(true);
        m_zeilenSelektion->setChecked(flag(u"izeilen(0)"_s));
        if (m_ablageart->count() > 0) {
            const int kind = m_ablageart->findText(m_tmpQuery->GetFieldN(u"sabl(text)"_s));
            m_ablageart->setCurrentIndex(std::max(0, kind));
        }
        const QString key = m_tmpQuery->GetFieldN(u"baum"_s);
        if (!key.isEmpty()) {
            if (const int index = m_schluessel->findText(key); index >= 0)
                m_schluessel->setCurrentIndex(index);
        }

        m_tmpCollector->Reset();
        QString criteria;
        if (m_tmpQuery->StartQueryZ(table, u"merkmaltyp(0),merkmalname,vname,sini"_s, u"num12="_s + ref + u";sini<>`"_s,
                                    QString(), true, true, true)) {
            while (self && m_tmpQuery->GetNextRecord()) {
                QueryRules::AppendTemplateCriterion(criteria, m_tmpQuery->GetFieldN(u"merkmalname"_s),
                                                    m_tmpQuery->GetFieldN(u"vname"_s),
                                                    m_tmpQuery->GetFieldN(u"sini"_s));
            }
        }
        if (self)
            m_kriterien->setText(criteria);
    }
    if (self)
        m_aktQueryName.clear();
}

void QueryForm::GetCurrentFieldList(QString& fields, QString& widths) const
{
    const int n = m_datenListe->columnCount();
    if (n == 0)
        return;
    QStringList names(n);
    QStringList sizes(n);
    for (int c = 0; c < n; ++c) {
        const int p = m_datenListe->columnPosition(c);
        if (p < 0 || p >= n)
            continue;
        names[p] = m_datenListe->columnTag(c);
        sizes[p] = QString::number(m_datenListe->columnWidthTwips(c));
    }
    fields = names.join(u',');
    widths = sizes.join(u',');
}

void QueryForm::ClearForm()
{
    ClearStatusPanels();
    m_tabellenListe->clear();
    m_feldListe->clear();
    m_datenListe->removeAllColumns();
    m_schluessel->clear();
    m_ablageart->clear();
    m_kriterien->clear();
    m_sortierung->clear();
}

void QueryForm::ReloadForm()
{
    if (refused())
        return;
    const BusyScope busy(this);
    const QString id = m_aktTableID;
    const QPointer<QueryForm> self(this);
    fillTableList();
    if (!self || id.isEmpty())
        return;
    // The previous table is found again by its id.
    for (int i = 0; i < m_tabellenListe->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tabellenListe->topLevelItem(i);
        const QString tag = rowTag(item);
        if (QueryTag::Tag2Field(tag, 3) != id)
            continue;
        m_tabellenListe->setCurrentItem(item);
        item->setSelected(true);
        m_tabellenListe->scrollToItem(item);
        buildTableInfos(item->text(0), id, QueryTag::ToBool(QueryTag::Tag2Field(tag, 11)), true);
        return;
    }
}

void QueryForm::SaveExtraTables()
{
    m_extraTables.save(GetViewerConfigFile(), tableRowTexts());
}

void QueryForm::SaveQueryWindowSettings()
{
    if (!FormSupport::saveWindowState())
        return;
    const QString section = QString::fromUtf16(SettingsSection);
    SaveFormPosition(this, section);
    SettingsStore::SaveSetting(RegAppName, section, u"TableListWidth"_s,
                               QString::number(std::lround(Twips::fromPixelsX(m_tabellenListe->width()))));
    SettingsStore::SaveSetting(RegAppName, section, u"TableListHeight"_s,
                               QString::number(std::lround(Twips::fromPixelsY(m_tabellenListe->height()))));
    SaveListViewColumns(m_tabellenListe, section, false, &m_tabColumns);
    SaveListViewColumns(m_feldListe, section, false, &m_fldColumns);
}

void QueryForm::RestoreQueryWindowSettings()
{
    const QString section = QString::fromUtf16(SettingsSection);
    // The window's place comes with its sub-window (see event); here the panes and columns.
    const auto stored = [&section](const QString& key) {
        const QString text = SettingsStore::GetSetting(RegAppName, section, key);
        return NumberText::isNumber(text) ? NumberText::roundToInt32(NumberText::leadingValue(text)) : std::nullopt;
    };
    if (const auto w = stored(u"TableListWidth"_s); w && *w >= 1)
        m_tableListWidth = Twips::toPixelsX(*w);
    if (const auto h = stored(u"TableListHeight"_s); h && *h >= 1)
        m_listHeight = Twips::toPixelsY(*h);
    LoadListViewColumns(m_tabellenListe, section, false, &m_tabColumns);
    LoadListViewColumns(m_feldListe, section, false, &m_fldColumns);
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
