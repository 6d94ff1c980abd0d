#include "InfosysInfoForm.h"

#include "FormSupport.h"
#include "HeadedSplitter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "QueryTag.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// Fields of an information system's catalogue record.
constexpr int NumberField = 2;
constexpr int SearchWordField = 3;
constexpr int WorkAreaField = 4;

} // namespace

InfosysInfoForm::InfosysInfoForm(QWidget* parent)
    : CatalogueWindow(u"InfosysInfoForm"_s, u"1114"_s, u"InfosysInfoWindowSettings"_s, 927, parent)
{
    const int margin = this->margin();

    auto* frame = new QGroupBox(u"1113"_s, this);
    frame->setObjectName(u"ISSelektionFrame"_s);
    auto* nameLabel = new QLabel(u"1101"_s, frame);
    nameLabel->setObjectName(u"InfosysNameLabel"_s);
    m_name = new QLineEdit(frame);
    m_name->setObjectName(u"InfosysName"_s);
    nameLabel->setBuddy(m_name);
    auto* workAreaLabel = new QLabel(u"1102"_s, frame);
    workAreaLabel->setObjectName(u"ArbeitsbereichLabel"_s);
    m_workArea = new QLineEdit(frame);
    m_workArea->setObjectName(u"Arbeitsbereich"_s);
    workAreaLabel->setBuddy(m_workArea);
    m_standard = new QCheckBox(u"1103"_s, frame);
    m_standard->setObjectName(u"StdInfosys"_s);
    m_standard->setChecked(true);
    m_custom = new QCheckBox(u"1104"_s, frame);
    m_custom->setObjectName(u"IndivInfosys"_s);
    m_custom->setChecked(true);
    m_startButton = new QPushButton(u"1109"_s, frame);
    m_startButton->setObjectName(u"StartButton"_s);
    auto* filter = new QHBoxLayout(frame);
    filter->addWidget(nameLabel);
    filter->addWidget(m_name, 2);
    filter->addSpacing(margin);
    filter->addWidget(workAreaLabel);
    filter->addWidget(m_workArea, 2);
    filter->addSpacing(margin);
    filter->addWidget(m_standard);
    filter->addWidget(m_custom);
    filter->addStretch(1);
    filter->addWidget(m_startButton);

    auto* listLabel = new QLabel(u"1106"_s, this);
    listLabel->setObjectName(u"InfosysLabel"_s);
    m_infosysListe = makeList(u"InfosysListe"_s, u"InfosysList"_s);
    listLabel->setBuddy(m_infosysListe);
    m_feldlisteLabel = new QLabel(u"1107"_s, this);
    m_feldlisteLabel->setObjectName(u"InfosysFeldlisteLabel"_s);
    m_feldliste = makeList(u"InfosysFeldliste"_s, u"InfosysFieldList"_s);
    m_feldlisteLabel->setBuddy(m_feldliste);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"StatusBar"_s);
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 1; i <= 2; ++i) {
        auto* panel = new QLabel(m_statusBar);
        panel->setObjectName(u"Panel"_s + QString::number(i));
        m_statusBar->addWidget(panel, i == 1 ? 1 : 2);
        m_panels.append(panel);
    }

    auto* above = new QVBoxLayout;
    above->addWidget(frame);
    setBody(above, makePanes(listLabel, m_infosysListe, m_feldlisteLabel, m_feldliste), {}, m_statusBar);

    const KLVTools tools;
    m_infosysColumns.resize(tools.InfosysFieldCount());
    m_fieldColumns.resize(tools.FieldFieldCount());
    InitListViewColumnProps(1800, m_infosysColumns);
    InitListViewColumnProps(1550, m_fieldColumns);
    m_infosysColumns[0].Width = 1800;
    m_infosysColumns[3].Width = 1500;
    m_infosysColumns[6].Width = 3000;
    m_fieldColumns[3].Width = 2500;
    keepListLayout(m_infosysListe, &m_infosysColumns, false);
    keepListLayout(m_feldliste, &m_fieldColumns, false);
    finishLoad();
    BuildListViewColumns(m_infosysListe, 1800, m_infosysColumns, {});
    BuildListViewColumns(m_feldliste, 1550, m_fieldColumns, {});

    connect(m_infosysListe, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            FillInfosysFeldListe(mainSession(), current, false);
    });
    connect(m_infosysListe, &QTreeWidget::itemDoubleClicked, this,
            [](QTreeWidgetItem* item) { RunInfosysInGui(item->text(0)); });
    connect(m_startButton, &QPushButton::clicked, this, [this] { FillInfosysListe(mainSession()); });
}

QString InfosysInfoForm::recordField(const QTreeWidgetItem* row, int field)
{
    return row ? QueryTag::Tag2Field(row->data(0, ListViewHelpers::RowTagRole).toString(), field) : QString();
}

QString InfosysInfoForm::panelText(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels[panel - 1]->text() : QString();
}

void InfosysInfoForm::setPanel(int panel, const QString& text)
{
    if (panel >= 1 && panel <= m_panels.size())
        m_panels[panel - 1]->setText(text);
}

QTreeWidgetItem* InfosysInfoForm::selectedRow() const
{
    QTreeWidgetItem* item = m_infosysListe->currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = m_infosysListe->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QTreeWidgetItem* InfosysInfoForm::rowOf(const QString& number) const
{
    for (int i = 0; i < m_infosysListe->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_infosysListe->topLevelItem(i);
        if (recordField(item, NumberField) == number)
            return item;
    }
    return nullptr;
}

bool InfosysInfoForm::FillInfosysListe(const QSharedPointer<KLV>& session)
{
    if (refused())
        return !closing();
    const QSharedPointer<KLVQuery> query = createQuery(session);
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<InfosysInfoForm> self(this);
    setPanel(1, QString());
    FormSupport::setMainEntryEnabled(u"ViewInfosystemMenue"_s, false);
    FormSupport::setMainEntryEnabled(u"RunInfosystemMenue"_s, false);
    clearList(m_infosysListe);

    int kind = KLVActiveX::klvInfosysTypeAll;
    if (!m_standard->isChecked() && m_custom->isChecked())
        kind = KLVActiveX::klvInfosysTypeCustom;
    else if (m_standard->isChecked() && !m_custom->isChecked())
        kind = KLVActiveX::klvInfosysTypeStandard;
    bool accepted = false;
    if (query) {
        // A work area lists by search word and work area; the kind does not count then.
        accepted = m_workArea->text().isEmpty() ? query->GetInfosystemNamesT(m_name->text(), kind)
                                                : query->GetInfosystemNames(m_name->text(), m_workArea->text());
    }
    if (!self)
        return false;
    if (!accepted) {
        // Broken off by the user, it says so; refused, it says why.
        if (brokenOff())
            showMessage(GetMessageTextByNr(35));
        else
            showRefusal(GetMessageTextByNr(1108), query ? query->GetLastError() : QString());
        closeWindow();
        return false;
    }
    showAnswer(m_infosysListe, m_infosysColumns, 1800, RecordTag, query);
    if (!self)
        return false;
    const int count = m_infosysListe->topLevelItemCount();
    if (count > 0) {
        // The first one's fields follow once this fill has ended (fillEnded).
        m_lastInfosys = recordField(m_infosysListe->topLevelItem(0), NumberField);
        m_shownInfosys.clear();
    } else {
        m_lastInfosys.clear();
        m_shownInfosys.clear();
        clearList(m_feldliste);
        m_feldlisteLabel->setText(GetMessageTextByNr(1107));
        setPanel(2, QString());
    }
    setPanel(1, QString::number(count) + u' ' + GetMessageTextByNr(count == 1 ? 1110 : 1111));
    if (count > 0) {
        FormSupport::setMainEntryEnabled(u"RunInfosystemMenue"_s, true);
        FormSupport::setMainEntryEnabled(u"ViewInfosystemMenue"_s, true);
    }
    return true;
}

void InfosysInfoForm::FillInfosysFeldListe(const QSharedPointer<KLV>& session, QTreeWidgetItem* row, bool force)
{
    Q_UNUSED(session); // the fields are read on the main window's session, as the list is
    const QString number = recordField(row, NumberField);
    if (number.isEmpty() || (!force && number == m_lastInfosys))
        return;
    m_lastInfosys = number;
    setPanel(2, QString());
    if (refused())
        return; // the last one asked for is filled once the running fill has ended
    fillFields(number);
}

void InfosysInfoForm::fillFields(const QString& number)
{
    const QSharedPointer<KLVQuery> query = createQuery(mainSession());
    const ServerWait::Scope busy(serverWait(), 11, query);
    const QPointer<InfosysInfoForm> self(this);
    m_shownInfosys = number;
    m_feldlisteLabel->setText(GetMessageTextByNr(1107) + u' ' + number + u':');
    clearList(m_feldliste);
    if (!query || !query->GetFieldNames2(number, QString(), KLVActiveX::klvFieldListTypeInfosys)) {
        if (!self)
            return;
        showRefusal(GetMessageTextByNr(1105) + u' ' + number, errInfo(query));
    } else {
        if (!self)
            return;
        showAnswer(m_feldliste, m_fieldColumns, 1550, 0, query);
        if (!self)
            return;
    }
    const QTreeWidgetItem* row = rowOf(number);
    setPanel(2, recordField(row, WorkAreaField) + u'/' + recordField(row, SearchWordField) + u": "_s +
                    QString::number(m_feldliste->topLevelItemCount()) + u' ' + GetMessageTextByNr(1112));
}

void InfosysInfoForm::fillEnded()
{
    if (!m_lastInfosys.isEmpty() && m_lastInfosys != m_shownInfosys)
        fillFields(m_lastInfosys);
}

void InfosysInfoForm::ReloadForm()
{
    FillInfosysListe(mainSession());
}

bool InfosysInfoForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    QTreeWidget* list = focusedList();
    QTreeWidgetItem* row = selectedRow();
    switch (key->key()) {
    case Qt::Key_F2:
        if (mods != Qt::NoModifier)
            return false;
        if (list == m_infosysListe && row)
            RunInfosysInGui(row->text(0));
        return true;
    case Qt::Key_F5:
        if (mods != Qt::NoModifier)
            return false;
        refreshList(list);
        return true;
    case Qt::Key_F11:
        if (mods != Qt::NoModifier)
            return false;
        if (list == m_infosysListe && row)
            ViewInfosysInGui(row->text(0));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (list == m_infosysListe && row)
            RunInfosysInGui(row->text(0));
        else if (list != m_feldliste && !qobject_cast<QPushButton*>(control))
            FillInfosysListe(mainSession());
        else
            return false;
        return true;
    default:
        return CatalogueWindow::handleKey(control, key);
    }
}

void InfosysInfoForm::refreshList(QTreeWidget* list)
{
    if (refused())
        return;
    if (list == m_feldliste && selectedRow())
        FillInfosysFeldListe(mainSession(), selectedRow(), true);
    else
        FillInfosysListe(mainSession());
}

QMenu* InfosysInfoForm::contextMenuFor(QTreeWidget* list) const
{
    if (list == m_infosysListe)
        return mainMenu(u"InfosysListeContextMenue"_s);
    return CatalogueWindow::contextMenuFor(list);
}

void InfosysInfoForm::SelectColumns()
{
    if (refused())
        return;
    QTreeWidget* list = focusedList();
    if (list == m_infosysListe) {
        StoreListViewColumnWidths(m_infosysListe, m_infosysColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_infosysColumns) == SpaltenWahlForm::ResultOk)
            ReloadForm();
    } else if (list == m_feldliste) {
        StoreListViewColumnWidths(m_feldliste, m_fieldColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_fieldColumns) == SpaltenWahlForm::ResultOk &&
            selectedRow())
            FillInfosysFeldListe(mainSession(), selectedRow(), true);
    }
}
