#include "SchluesselSchaetzenForm.h"

#include "ChildWindowFrame.h"
#include "ServerWait.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVError.h"
#include "KLVQuery.h"
#include "KLVSelection.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "NumberText.h"
#include "ViewerConfig.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString Section = u"SchlWindowSettings"_s;
// Asks a selection for its record total only.
const QString CountOnly = u"@lesen=(0)"_s;

constexpr int MsgNotNarrowing = 711;
constexpr int MsgNoStorageKind = 712;
constexpr int MsgKindDoesNotFit = 713;
constexpr int MsgRefused = 714;
constexpr int MsgHelpTopic = 912;
// The server's own text that names the key whose count is the key catalogue's.
constexpr int SpecialKeyMessage = 5406;

// Key_Fields positions the dialog reads.
constexpr int FldKeyName = 1;
constexpr int FldKeyRange = 2;
constexpr int FldKeyAliveRecs = 3;
constexpr int FldKeyFields = 4;
constexpr int FldKeyCondType = 8;
constexpr int FldKeyAliveFlag = 10;
constexpr int FldKeyKeyCount = 16;

qint64 wholeValue(const QString& text)
{
    return std::llround(NumberText::leadingValue(text));
}

QString storageKindText(int code)
{
    const QString key = QString::number(code);
    for (const auto& [number, text] : std::as_const(App().AblageartenListe)) {
        if (number == key)
            return text;
    }
    return key;
}

} // namespace

SchluesselSchaetzenForm::SchluesselSchaetzenForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"SchluesselSchaetzenForm"_s);
    setWindowTitle(u"1430"_s);
    setModal(true);
    buildControls();
    InitFormCommon(this);

    FormSupport::watchKeys(this);
    new ChildWindowFrame(this, QString());
    m_wait = new ServerWait(this);
    connect(m_wait, &ServerWait::brokenOff, this, [] { ShowMessageBox(GetMessageTextByNr(35)); });
}

SchluesselSchaetzenForm::~SchluesselSchaetzenForm()
{
    ChildWindowFrame::endConnections(this);
}

SchluesselSchaetzenForm* SchluesselSchaetzenForm::DefaultInstance()
{
    return FormSupport::defaultInstance<SchluesselSchaetzenForm>();
}

void SchluesselSchaetzenForm::buildControls()
{
    m_tabelle = FormSupport::named(new QLineEdit(this), u"Tabelle"_s);
    m_tabelle->setReadOnly(true);
    m_ablageart = FormSupport::named(new QLineEdit(this), u"Ablageart"_s);
    m_ablageart->setReadOnly(true);
    showReadOnly();
    m_selKrit = FormSupport::named(new QLineEdit(this), u"SelKrit"_s);
    m_sortierung = FormSupport::named(new QLineEdit(this), u"Sortierung"_s);
    auto* junction = new QWidget(this);
    m_und = FormSupport::named(new QRadioButton(u"194"_s, junction), u"UNDVerknuepfung"_s);
    m_oder = FormSupport::named(new QRadioButton(u"195"_s, junction), u"ODERVerknuepfung"_s);
    auto* junctionLayout = new QHBoxLayout(junction);
    junctionLayout->setContentsMargins(0, 0, 0, 0);
    junctionLayout->addWidget(m_und);
    junctionLayout->addWidget(m_oder);
    junctionLayout->addStretch(1);
    m_und->setChecked(true);
    m_zeilen = FormSupport::named(new QCheckBox(u"1409"_s, this), u"ZeilenSelektion"_s);

    auto* form = new QFormLayout;
    const auto label = [this](const QString& caption, const QString& name) {
        return FormSupport::named(new QLabel(caption, this), name + u"Label"_s);
    };
    form->addRow(label(u"1431"_s, u"Tabelle"_s), m_tabelle);
    form->addRow(label(u"1410"_s, u"Ablageart"_s), m_ablageart);
    form->addRow(label(u"1405"_s, u"SelKrit"_s), m_selKrit);
    form->addRow(label(u"1407"_s, u"Sortierung"_s), m_sortierung);
    form->addRow(label(u"1406"_s, u"Verknuepfung"_s), junction);
    form->addRow(QString(), m_zeilen);

    m_list = FormSupport::named(new QTreeWidget(this), u"SchluesselListe"_s);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSortingEnabled(false);
    struct Header
    {
        const char16_t* key;
        const char16_t* caption;
        int width;
    };
    constexpr Header headers[ColumnCount] = {
        {u"SchlName", u"1411", 110},      {u"SchlAnzahl", u"1433", 120},    {u"SchlSchaetzung", u"1434", 160},
        {u"SchlFelder", u"1435", 130},    {u"SchlAliveRecs", u"1436", 150}, {u"SchlRange", u"1437", 100},
        {u"SchlBedingung", u"1438", 110}, {u"SchlBemerkung", u"1439", 180}, {u"SchlSortKey", u"1440", 200},
    };
    m_list->setColumnCount(ColumnCount);
    for (int c = 0; c < ColumnCount; ++c) {
        m_list->headerItem()->setText(c, QString::fromUtf16(headers[c].caption));
        m_list->headerItem()->setData(c, LayoutStore::ColumnKeyRole, QString::fromUtf16(headers[c].key));
        if (c == ColKeyCount || c == ColEstimate)
            m_list->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        ListViewHelpers::SetDefaultColumnWidth(m_list, c, headers[c].width);
    }
    // When sorted, the list sorts upwards by the sort key.
    m_list->header()->setSortIndicator(ColSortKey, Qt::AscendingOrder);
    m_list->header()->setSortIndicatorShown(false);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { showKeyInfo(item); });

    m_sortieren = FormSupport::named(new QCheckBox(u"1432"_s, this), u"SchluesselSortieren"_s);
    connect(m_sortieren, &QCheckBox::clicked, this, [this](bool checked) { setSorted(checked); });
    auto* refresh = FormSupport::named(new QPushButton(u"1401"_s, this), u"AktualisierenButton"_s);
    auto* ok = FormSupport::named(new QPushButton(u"32"_s, this), u"OKButton"_s);
    auto* help = FormSupport::helpButton(this, MsgHelpTopic);
    for (QPushButton* button : {refresh, ok, help})
        button->setAutoDefault(false);
    connect(refresh, &QPushButton::clicked, this, [this] { EstimateKeyCounts(); });
    connect(ok, &QPushButton::clicked, this, [this] { closeDialog(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_sortieren);
    buttons->addStretch(1);
    buttons->addWidget(refresh);
    buttons->addWidget(ok);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(900, 480);
}

void SchluesselSchaetzenForm::load()
{
    LoadFormPosition(this, Section);
    LoadListViewColumns(m_list, Section, false);
    m_sortieren->setChecked(ViewerConfig::getBool(ViewerConfig::Key::KeyListAutoSort));
    setSorted(m_sortieren->isChecked());
}

void SchluesselSchaetzenForm::unload()
{
    if (!FormSupport::saveWindowState())
        return;
    SaveFormPosition(this, Section);
    SaveListViewColumns(m_list, Section, false);
    ViewerConfig::setBool(ViewerConfig::Key::KeyListAutoSort, m_sortieren->isChecked());
}

bool SchluesselSchaetzenForm::isBusy() const
{
    return m_wait->isBusy();
}

void SchluesselSchaetzenForm::closeDialog()
{
    // While it counts, the counting is broken off and the dialog closes once it has ended.
    if (m_wait->isBusy()) {
        m_wait->closeWindow();
        m_wait->breakOff();
        return;
    }
    unload();
    done(QDialog::Accepted);
}

void SchluesselSchaetzenForm::reject()
{
    // While it counts, Esc and Close break the counting off first.
    if (m_wait->isBusy())
        m_wait->breakOff();
    else
        closeDialog();
}

void SchluesselSchaetzenForm::closeEvent(QCloseEvent* event)
{
    if (!m_wait->mayClose(event))
        return;
    if (isVisible())
        unload();
    event->accept();
}

void SchluesselSchaetzenForm::SchaetzungZeigen(const QSharedPointer<KLV>& session, QWidget* queryWindow)
{
    m_queryWindow = queryWindow;
    if (m_wait->isBusy())
        return;
    m_query = session ? session->CreateQuery() : QSharedPointer<KLVQuery>();
    // Without that text on the server no key takes its count from the key catalogue.
    {
        const ServerWait::Scope busy(m_wait, 11, m_query);
        m_specialKey = m_query ? m_query->GetMessageText(u"cc"_s, SpecialKeyMessage, QString()) : QString();
        if (m_wait->wasBrokenOff())
            return;
    }

    const auto selection = [queryWindow] {
        QSharedPointer<KLVSelection> s;
        if (queryWindow)
            QMetaObject::invokeMethod(queryWindow, "GetSelection", Qt::DirectConnection,
                                      Q_RETURN_ARG(QSharedPointer<KLVSelection>, s));
        return s;
    };
    m_display = selection();
    m_count = selection();
    if (!m_query || !m_display || !m_count)
        return;

    m_tabelle->setText(m_display->TableName());
    m_ablageart->setText(storageKindText(m_display->AliveFlag()));
    m_und->setChecked(m_display->AndJunction());
    m_oder->setChecked(!m_display->AndJunction());
    m_zeilen->setChecked(m_display->ByRows());
    m_sortierung->setText(m_display->Order());
    m_display->setKey(QString());
    m_selKrit->setText(m_display->Krit());
    m_count->setKey(QString());
    m_count->setKrit(CountOnly);

    load();
    EstimateKeyCounts();
    if (m_wait->isClosePending())
        return;
    m_selKrit->setFocus();
    exec();
}

void SchluesselSchaetzenForm::EstimateKeyCounts()
{
    m_list->clear();
    m_bestKey.clear();
    if (!m_query || !m_display || !m_count || m_wait->isBusy())
        return;
    const ServerWait::Scope busy(m_wait, 11, m_query);
    const int selectionFlag = m_display->AliveFlag();

    if (!m_query->GetKeyNames(m_display->TableName())) {
        const QSharedPointer<KLVError> error = m_query->GetLastKLVError();
        if (!m_wait->wasBrokenOff())
            ShowMessageBox(ServerErrorText(error ? error->ErrInfo() : m_query->GetLastError()));
        return;
    }
    while (m_query->GetNextRecord()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(ColName, m_query->GetField(FldKeyName));
        item->setText(ColKeyCount, m_query->GetField(FldKeyKeyCount));
        item->setText(ColAliveRecs, m_query->GetField(FldKeyAliveRecs));
        item->setText(ColRange, m_query->GetField(FldKeyRange));
        const QString fields = m_query->GetField(FldKeyFields);
        if (m_query->GetField(FldKeyCondType) == u"0") {
            item->setText(ColFields, fields);
        } else {
            // A key with a condition lists the condition field first.
            item->setText(ColFields, fields.section(u',', 1));
            item->setText(ColCondition, fields.section(u',', 0, 0));
        }
        item->setData(0, ListViewHelpers::RowTagRole, qint64(wholeValue(m_query->GetField(FldKeyAliveFlag))));
        for (int c : {int(ColKeyCount), int(ColEstimate)})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }

    m_display->setOrder(m_sortierung->text());
    m_display->setKrit(m_selKrit->text());
    m_display->AppendKrit(CountOnly);
    m_display->setAndJunction(m_und->isChecked());
    m_display->setByRows(m_zeilen->isChecked());

    m_list->setProperty("Sorted", false);
    QTreeWidgetItem* best = nullptr;
    qint64 bestCount = 0;
    // A counting the user broke off counts no further key.
    for (int i = 0; i < m_list->topLevelItemCount() && !m_wait->wasBrokenOff(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        const QString name = item->text(ColName);
        const QString condition = item->text(ColCondition);
        m_display->setKey(name);
        m_count->setKey(name);
        qint64 count = NotCounted;
        qint64 keyTotal = NotCounted;
        QString remark;
        bool competes = false;

        const qint64 keyFlag = item->data(0, ListViewHelpers::RowTagRole).toLongLong();
        if (keyFlag < 1 || keyFlag > 3) {
            SetListItemFormat(item, MarkedColour, false);
            remark = GetMessageTextByNr(MsgNoStorageKind);
        } else if ((selectionFlag == 1 && keyFlag == 2) || (selectionFlag == 2 && keyFlag == 1) ||
                   (selectionFlag == 3 && keyFlag != 3)) {
            SetListItemFormat(item, MarkedColour, false);
            remark = GetMessageTextByNr(MsgKindDoesNotFit);
        } else if (!m_query->StartQuerySel(m_display, u"id"_s)) {
            // A key the server would not count has no count to compete with.
            SetListItemFormat(item, RefusedColour, false);
            remark = GetMessageTextByNr(MsgRefused);
        } else {
            if (name == m_specialKey) {
                count = keyTotal = wholeValue(item->text(ColKeyCount));
            } else {
                count = m_query->GetRecordTotal();
                if (!condition.isEmpty() && m_query->StartQuerySel(m_count, u"id"_s))
                    keyTotal = m_query->GetRecordTotal();
            }
            if (!condition.isEmpty() && count >= keyTotal) {
                SetListItemFormat(item, MarkedColour, false);
                remark = GetMessageTextByNr(MsgNotNarrowing);
            } else {
                competes = true;
            }
        }
        if (competes && (!best || bestCount > count)) {
            best = item;
            bestCount = count;
        }
        item->setText(ColEstimate, QString::number(count));
        item->setText(ColRemark, remark);
        item->setText(ColSortKey, remark + u"%1"_s.arg(count, 9, 10, QChar(u'0')));
    }
    if (best) {
        SetListItemFormat(best, BestColour, true);
        m_bestKey = best->text(ColName);
    }
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
    QHeaderView* header = m_list->header();
    ListViewHelpers::SetListViewSorting(m_list, m_sortieren->isChecked(), header->sortIndicatorSection(),
                                        header->sortIndicatorOrder());
}

void SchluesselSchaetzenForm::setSorted(bool sorted)
{
    ListViewHelpers::SetListViewSorting(m_list, sorted, ColSortKey, m_list->header()->sortIndicatorOrder());
}

void SchluesselSchaetzenForm::showKeyInfo(QTreeWidgetItem* item)
{
    if (!item || !item->isSelected() || !m_queryWindow)
        return;
    const QString table = m_tabelle->text();
    MemberCall::Invoke(m_queryWindow, "ShowSchluesselInfo", {table, table, item->text(ColName)});
}

void SchluesselSchaetzenForm::showReadOnly()
{
    // What cannot be changed here does not look as if it could: the window's background, in
    // the palette the dialog has now.
    for (QLineEdit* shown : {m_tabelle, m_ablageart}) {
        QPalette palette = shown->palette();
        palette.setColor(QPalette::Base, this->palette().color(QPalette::Window));
        shown->setPalette(palette);
    }
}

void SchluesselSchaetzenForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_tabelle)
        showReadOnly();
}

bool SchluesselSchaetzenForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool SchluesselSchaetzenForm::handleKey(const QKeyEvent* event)
{
    if (FormSupport::helpOrHardcopyKey(this, event, MsgHelpTopic))
        return true;
    const Qt::KeyboardModifiers shift = FormSupport::shiftState(event);
    switch (event->key()) {
    case Qt::Key_F5:
        EstimateKeyCounts();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (focusWidget() == m_selKrit)
            EstimateKeyCounts();
        else
            closeDialog();
        return true;
    case Qt::Key_C:
        // Only a list is copied here; a text box keeps its own copy.
        if (shift != Qt::ControlModifier || !qobject_cast<QAbstractItemView*>(focusWidget()))
            return false;
        CopyListViewToClipboard(focusWidget());
        return true;
    default:
        return false;
    }
}
