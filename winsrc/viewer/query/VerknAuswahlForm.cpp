#include "VerknAuswahlForm.h"

#include "ChildWindowFrame.h"
#include "ServerWait.h"

#include "FormSupport.h"
#include "KLV.h"
#include "KLVEnums.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString Section = u"RefAssWindowSettings"_s;

constexpr int MsgFieldListFailed = 375;
constexpr int MsgReferenceFieldsOf = 452;
constexpr int MsgDataFieldsOf = 453;
constexpr int MsgRefersTo = 454;
constexpr int MsgHelpTopic = 916;
constexpr int MsgTooDeep = 1441;

// A reference field's row key, as the query window keys its field rows.
constexpr int RowKeyRole = Qt::UserRole + 3;

// Field_Fields and RefInfo_Fields positions the dialog reads.
constexpr int FldFieldName = 1;
constexpr int FldFieldType = 2;
constexpr int FldFieldDesc = 4;
constexpr int FldFieldTAVType = 5;
constexpr int FldFieldInTab = 6;
constexpr int FldRefTypeDBNr = 1;
constexpr int FldRefTypeDBName = 2;
constexpr int FldRefTypeGrpNr = 3;
constexpr int FldRefTypeGrpName = 4;

bool isReference(const QString& typeCode)
{
    return KLVTools().GetDataType(typeCode) == klvReference;
}

struct Column
{
    const char16_t* key;
    const char16_t* caption;
};

QTreeWidget* listView(QWidget* parent, const QString& name, std::initializer_list<Column> columns)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSortingEnabled(false);
    view->setColumnCount(int(columns.size()));
    int c = 0;
    for (const Column& column : columns) {
        view->headerItem()->setText(c, QString::fromUtf16(column.caption));
        view->headerItem()->setData(c, LayoutStore::ColumnKeyRole, QString::fromUtf16(column.key));
        ++c;
    }
    ListViewHelpers::ConnectHeaderSorting(view);
    ListViewHelpers::SetDefaultColumnWidths(view);
    return view;
}

} // namespace

VerknAuswahlForm::VerknAuswahlForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"VerknAuswahlForm"_s);
    setWindowTitle(u"1419"_s);
    setModal(true);
    buildControls();
    m_fokusControl = m_verwFelder;
    for (QStringList* level : {&m_ebeneFeld, &m_ebeneFeldArt, &m_ebeneTabelle, &m_ebeneTabellenName})
        level->resize(MaxLevel + 1);
    setAktEbene(0);

    InitFormCommon(this);
    for (QTreeWidget* list : {m_verwFelder, m_datenFelder, m_ziele})
        LoadListViewColumns(list, Section, false);

    FormSupport::watchKeys(this);
    new ChildWindowFrame(this, QString());
    m_wait = new ServerWait(this);
    connect(m_wait, &ServerWait::brokenOff, this, [] { ShowMessageBox(GetMessageTextByNr(35)); });
}

VerknAuswahlForm::~VerknAuswahlForm()
{
    saveLayout();
    ChildWindowFrame::endConnections(this);
}

VerknAuswahlForm* VerknAuswahlForm::DefaultInstance()
{
    return FormSupport::defaultInstance<VerknAuswahlForm>();
}

void VerknAuswahlForm::buildControls()
{
    m_verwFelder = listView(this, u"VerwFeldListe"_s,
                            {{u"VerwFeldName", u"1422"},
                             {u"VerwFeldArt", u"1423"},
                             {u"VerwFeldDesc", u"1424"},
                             {u"VerwFeldInTab", u"1425"}});
    m_datenFelder = listView(this, u"DatenFeldListe"_s,
                             {{u"DatenFeldName", u"1422"}, {u"DatenFeldArt", u"1423"}, {u"DatenFeldDesc", u"1424"}});
    m_ziele = listView(
        this, u"Verweisziele"_s,
        {{u"ZielDBName", u"1426"}, {u"ZielDBNr", u"1427"}, {u"ZielGrpName", u"1428"}, {u"ZielGrpNr", u"1429"}});
    m_verwFelderLabel = new QLabel(u"452"_s, this);
    m_verwFelderLabel->setObjectName(u"VerwFeldListeLabel"_s);
    m_datenFelderLabel = new QLabel(u"453"_s, this);
    m_datenFelderLabel->setObjectName(u"DatenFeldListeLabel"_s);
    m_zieleLabel = new QLabel(QString(), this);
    m_zieleLabel->setObjectName(u"VerweiszieleLabel"_s);
    auto* pathLabel = new QLabel(u"1420"_s, this);
    pathLabel->setObjectName(u"AktVerknTextLabel"_s);
    m_aktVerknText = new QLineEdit(this);
    m_aktVerknText->setObjectName(u"AktVerknText"_s);
    // The text follows the chosen fields; typing would leave the levels behind.
    m_aktVerknText->setReadOnly(true);
    pathLabel->setBuddy(m_aktVerknText);

    for (QTreeWidget* list : {m_verwFelder, m_datenFelder}) {
        connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { AppendFeld(item); });
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this, list] { listSelectionChanged(list); });
    }
    connect(m_verwFelder, &QTreeWidget::itemDoubleClicked, this, [this] { OpenReferenceField(); });
    connect(m_datenFelder, &QTreeWidget::itemDoubleClicked, this, [this] { ChooseDataField(); });
    connect(m_ziele, &QTreeWidget::itemDoubleClicked, this, [this] { ChooseTarget(); });

    auto* ok = new QPushButton(u"32"_s, this);
    ok->setObjectName(u"OKButton"_s);
    auto* cancel = new QPushButton(u"33"_s, this);
    cancel->setObjectName(u"AbbrechenButton"_s);
    auto* help = FormSupport::helpButton(this, MsgHelpTopic);
    m_vorigeEbene = new QPushButton(u"1421"_s, this);
    m_vorigeEbene->setObjectName(u"VorigeEbeneButton"_s);
    for (QPushButton* button : {ok, cancel, help, m_vorigeEbene})
        button->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { FinishVerknAuswahl(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { FinishVerknAuswahl(false); });
    connect(m_vorigeEbene, &QPushButton::clicked, this, [this] { GoToPreviousLevel(); });

    auto* grid = new QGridLayout;
    grid->addWidget(m_verwFelderLabel, 0, 0);
    grid->addWidget(m_datenFelderLabel, 0, 1);
    grid->addWidget(m_verwFelder, 1, 0);
    grid->addWidget(m_datenFelder, 1, 1);
    grid->addWidget(m_zieleLabel, 2, 0, 1, 2);
    grid->addWidget(m_ziele, 3, 0, 1, 2);
    grid->setRowStretch(1, 3);
    grid->setRowStretch(3, 1);
    auto* path = new QHBoxLayout;
    path->addWidget(pathLabel);
    path->addWidget(m_aktVerknText, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_vorigeEbene);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(path);
    layout->addLayout(buttons);
    resize(760, 520);
}

void VerknAuswahlForm::setAktEbene(int level)
{
    m_aktEbene = level;
    m_vorigeEbene->setEnabled(level != 0);
}

void VerknAuswahlForm::clearLists()
{
    const QScopedValueRollback<bool> inCode(m_inCode, true);
    for (QTreeWidget* list : {m_verwFelder, m_datenFelder, m_ziele})
        list->clear();
}

void VerknAuswahlForm::InitVerknInfo(const QSharedPointer<KLV>& session, const QString& table,
                                     const QString& tableCaption, const QString& path, const QString& typeCode,
                                     bool& ok)
{
    ok = false;
    if (!m_query && session)
        m_query = session->CreateQuery();
    const ServerWait::Scope busy(m_wait, 0, m_query);

    const QStringList parts = path.split(u'^');
    if (parts.size() - 1 > MaxLevel) {
        ShowMessageBox(GetMessageTextByNr(MsgTooDeep));
        return;
    }
    for (QStringList* level : {&m_ebeneFeld, &m_ebeneFeldArt, &m_ebeneTabelle, &m_ebeneTabellenName})
        *level = QStringList(MaxLevel + 1);
    clearLists();
    for (QTreeWidget* list : {m_verwFelder, m_datenFelder, m_ziele})
        ListViewHelpers::SetListViewSorting(list, false, 0, Qt::AscendingOrder);
    m_neueEbene = true;

    // The type code of every reference field on the way, asked of the query's table by the
    // path up to that field.
    for (int i = 0; i + 1 < parts.size() && !m_wait->wasBrokenOff(); ++i) {
        m_ebeneFeld[i] = parts[i];
        const QString prefix = parts.mid(0, i + 1).join(u'^');
        if (m_query && m_query->GetFieldNames(table, prefix) && m_query->GetNextRecord() &&
            m_query->GetField(FldFieldType) != u"-")
            m_ebeneFeldArt[i] = m_query->GetField(FldFieldTAVType);
    }
    setAktEbene(int(parts.size()) - 1);
    const int level = m_aktEbene;
    m_ebeneFeld[level] = parts.last();
    m_ebeneFeldArt[level] = typeCode;
    m_ebeneTabelle[0] = table;
    m_ebeneTabellenName[0] = tableCaption;

    if (path.isEmpty()) {
        BuildFieldLists(m_ebeneTabelle[level], m_ebeneTabellenName[level]);
        m_fokusControl = m_verwFelder;
    } else {
        BuildTargetList(m_ebeneFeld[level - 1], m_ebeneFeldArt[level - 1], false);
        // The targets listed now are alternatives for this level's table: choosing one
        // replaces it rather than opening a level behind the path's last field.
        m_neueEbene = false;
        if (m_ebeneTabelle[level].isEmpty())
            GetFirstTableOfField(m_ebeneFeld[level]);
        BuildFieldLists(m_ebeneTabelle[level], m_ebeneTabellenName[level]);
        QTreeWidget* list = isReference(m_ebeneFeldArt[level]) ? m_verwFelder : m_datenFelder;
        SetFeldFocus(list, parts.last());
        m_fokusControl = list;
    }
    BuildPathText();
    m_inEbeneZurueck = false;
    ok = true;
}

void VerknAuswahlForm::SetFeldFocus(QTreeWidget* list, const QString& fieldName)
{
    if (!list)
        return;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->text(0) != fieldName)
            continue;
        const QScopedValueRollback<bool> inCode(m_inCode, true);
        list->setCurrentItem(item);
        item->setSelected(true);
        list->scrollToItem(item);
        return;
    }
}

void VerknAuswahlForm::GetFirstTableOfField(const QString& fieldName)
{
    const ServerWait::Scope busy(m_wait, 0, m_query);
    if (!m_query)
        return;
    for (int i = 0; i < m_ziele->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* target = m_ziele->topLevelItem(i);
        const QString candidate = target->text(1) + u':' + target->text(3);
        // A table that does not know the field may still answer, with "-" as its type.
        if (m_query->GetFieldNames(candidate, fieldName) && m_query->GetNextRecord() &&
            m_query->GetField(FldFieldType) != u"-") {
            m_ebeneTabelle[m_aktEbene] = candidate;
            m_ebeneTabellenName[m_aktEbene] = target->text(0) + u':' + target->text(2);
            return;
        }
    }
}

void VerknAuswahlForm::BuildFieldLists(const QString& table, const QString& tableCaption)
{
    const ServerWait::Scope busy(m_wait, 0, m_query);
    {
        const QScopedValueRollback<bool> inCode(m_inCode, true);
        m_verwFelder->clear();
        m_datenFelder->clear();
    }
    m_verwFelderLabel->setText(GetMessageTextByNr(MsgReferenceFieldsOf) + u' ' + tableCaption);
    m_datenFelderLabel->setText(GetMessageTextByNr(MsgDataFieldsOf) + u' ' + tableCaption);

    if (!m_query || !m_query->GetFieldNames(table)) {
        if (!m_wait->wasBrokenOff())
            ShowMessageBox(GetMessageTextByNr(MsgFieldListFailed));
        return;
    }
    KLVTools tools;
    ListViewHelpers::RowBatch references(m_verwFelder);
    ListViewHelpers::RowBatch data(m_datenFelder);
    while (m_query->GetNextRecord()) {
        const QString typeCode = m_query->GetField(FldFieldTAVType);
        const int dataType = tools.GetDataType(typeCode);
        const QString inTable = m_query->GetField(FldFieldInTab);
        // Table-part fields cannot be followed further, except the query table's own
        // reference fields at the first level.
        if (inTable != u"0" && (m_aktEbene != 0 || dataType != klvReference))
            continue;
        const QString name = m_query->GetField(FldFieldName);
        auto* item = new QTreeWidgetItem;
        item->setText(0, name);
        item->setText(1, typeCode);
        item->setText(2, m_query->GetField(FldFieldDesc));
        if (dataType == klvReference) {
            item->setData(0, RowKeyRole, BuildFeldKey(name, inTable, false));
            item->setText(3, Bool2MsgText(Str2Bool(inTable)));
            references.add(item);
        } else {
            item->setData(0, RowKeyRole, name);
            data.add(item);
        }
    }
    references.flush();
    data.flush();
    ListViewHelpers::ApplyListViewSorting(m_verwFelder);
    ListViewHelpers::ApplyListViewSorting(m_datenFelder);
    if (isVisible())
        (m_verwFelder->topLevelItemCount() > 2 ? m_verwFelder : m_datenFelder)->setFocus();
}

void VerknAuswahlForm::BuildTargetList(const QString& fieldName, const QString& typeCode, bool autoSelect)
{
    const ServerWait::Scope busy(m_wait, 0, m_query);
    m_ziele->clear();
    m_zieleLabel->setText(fieldName + u" ("_s + typeCode + u") "_s + GetMessageTextByNr(MsgRefersTo));
    if (m_query && m_query->GetRefTypeInfo(typeCode)) {
        while (m_query->GetNextRecord()) {
            auto* item = new QTreeWidgetItem(m_ziele);
            item->setText(0, m_query->GetField(FldRefTypeDBName));
            item->setText(1, m_query->GetField(FldRefTypeDBNr));
            item->setText(2, m_query->GetField(FldRefTypeGrpName));
            item->setText(3, m_query->GetField(FldRefTypeGrpNr));
        }
        ListViewHelpers::ApplyListViewSorting(m_ziele);
    }
    m_neueEbene = true;

    if (m_ziele->topLevelItemCount() == 1) {
        QTreeWidgetItem* only = m_ziele->topLevelItem(0);
        if (m_ebeneTabelle[m_aktEbene].isEmpty()) {
            m_ebeneTabelle[m_aktEbene] = only->text(1) + u':' + only->text(3);
            m_ebeneTabellenName[m_aktEbene] = only->text(0) + u':' + only->text(2);
        }
        if (autoSelect) {
            m_ziele->setCurrentItem(only);
            only->setSelected(true);
            ChooseTarget();
        }
    } else if (isVisible()) {
        m_ziele->setFocus();
    }
}

void VerknAuswahlForm::ChooseTarget()
{
    QTreeWidgetItem* target = m_ziele->currentItem();
    if (!target || !target->isSelected())
        return;
    if (m_neueEbene) {
        if (m_aktEbene >= MaxLevel) {
            ShowMessageBox(GetMessageTextByNr(MsgTooDeep));
            return;
        }
        setAktEbene(m_aktEbene + 1);
    }
    m_ebeneTabelle[m_aktEbene] = target->text(1) + u':' + target->text(3);
    m_ebeneTabellenName[m_aktEbene] = target->text(0) + u':' + target->text(2);
    BuildFieldLists(m_ebeneTabelle[m_aktEbene], m_ebeneTabellenName[m_aktEbene]);
    m_neueEbene = false;
}

void VerknAuswahlForm::AppendFeld(QTreeWidgetItem* item)
{
    if (!item)
        return;
    m_ebeneFeld[m_aktEbene] = item->text(0);
    m_ebeneFeldArt[m_aktEbene] = item->text(1);
    BuildPathText();
}

void VerknAuswahlForm::listSelectionChanged(QTreeWidget* list)
{
    // Only the user's choice counts, by mouse or by keyboard.
    if (m_inCode)
        return;
    QTreeWidgetItem* item = list->currentItem();
    if (item && item->isSelected())
        AppendFeld(item);
}

void VerknAuswahlForm::OpenReferenceField()
{
    QTreeWidgetItem* field = m_verwFelder->currentItem();
    if (!field || !field->isSelected())
        return;
    m_ebeneFeld[m_aktEbene] = field->text(0);
    m_ebeneFeldArt[m_aktEbene] = field->text(1);
    BuildPathText();
    BuildTargetList(m_ebeneFeld[m_aktEbene], field->text(1), true);
}

void VerknAuswahlForm::ChooseDataField()
{
    QTreeWidgetItem* field = m_datenFelder->currentItem();
    if (!field || !field->isSelected())
        return;
    AppendFeld(field);
    FinishVerknAuswahl(true);
}

void VerknAuswahlForm::BuildPathText()
{
    QString text = m_ebeneFeld[0];
    for (int i = 1; i <= m_aktEbene; ++i)
        text += u'^' + m_ebeneFeld[i];
    m_aktVerknText->setText(text);
}

void VerknAuswahlForm::FinishVerknAuswahl(bool ok)
{
    m_ergebnis = ok ? m_aktVerknText->text() : QString();
    done(ok ? QDialog::Accepted : QDialog::Rejected);
}

void VerknAuswahlForm::GoToPreviousLevel()
{
    if (m_inEbeneZurueck)
        return;
    m_inEbeneZurueck = true;
    const int old = m_aktEbene;
    if (m_aktEbene > 0) {
        setAktEbene(m_aktEbene - 1);
        const int level = m_aktEbene;
        BuildPathText();
        clearLists();
        if (level > 0) {
            BuildTargetList(m_ebeneFeld[level - 1], m_ebeneFeldArt[level - 1], false);
            // As after opening an existing path: a target chosen now replaces this level's
            // table.
            m_neueEbene = false;
        }
        if (!m_ebeneTabelle[level].isEmpty()) {
            BuildFieldLists(m_ebeneTabelle[level], m_ebeneTabellenName[level]);
            SetFeldFocus(m_verwFelder, m_ebeneFeld[level]);
        }
    }
    m_ebeneFeld[old].clear();
    m_ebeneFeldArt[old].clear();
    m_inEbeneZurueck = false;
}

void VerknAuswahlForm::reject()
{
    // While it asks the server, Esc and Close break the request off first.
    if (m_wait->isBusy())
        m_wait->breakOff();
    else
        FinishVerknAuswahl(false);
}

void VerknAuswahlForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_fokusControl)
        m_fokusControl->setFocus();
}

void VerknAuswahlForm::closeEvent(QCloseEvent* event)
{
    // Closed by the user: a cancel, and the dialog stays loaded for the next path.
    if (!m_wait->mayClose(event))
        return;
    FinishVerknAuswahl(false);
    saveLayout();
    event->accept();
}

void VerknAuswahlForm::saveLayout()
{
    if (!FormSupport::saveWindowState())
        return;
    for (QTreeWidget* list : {m_verwFelder, m_datenFelder, m_ziele})
        SaveListViewColumns(list, Section, false);
}

bool VerknAuswahlForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool VerknAuswahlForm::handleKey(const QKeyEvent* event)
{
    if (FormSupport::helpOrHardcopyKey(this, event, MsgHelpTopic))
        return true;
    const Qt::KeyboardModifiers shift = FormSupport::shiftState(event);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        enterPressed();
        return true;
    case Qt::Key_Backspace:
        GoToPreviousLevel();
        return true;
    case Qt::Key_C:
        // Only a list is copied here; the path text keeps its own copy.
        if (shift != Qt::ControlModifier || !qobject_cast<QAbstractItemView*>(focusWidget()))
            return false;
        CopyListViewToClipboard(focusWidget());
        return true;
    default:
        return false;
    }
}

void VerknAuswahlForm::enterPressed()
{
    QWidget* focus = focusWidget();
    if (focus == m_verwFelder)
        OpenReferenceField();
    else if (focus == m_datenFelder)
        ChooseDataField();
    else if (focus == m_ziele)
        ChooseTarget();
    else if (auto* button = qobject_cast<QPushButton*>(focus))
        button->click();
}
