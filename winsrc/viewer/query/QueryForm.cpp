#include "QueryForm.h"

#include "KLV.h"
#include "KLVQuery.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QTreeWidget* listView(QWidget* parent, const QString& name, const QStringList& headers)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(name);
    view->setRootIsDecorated(false);
    view->setHeaderLabels(headers);
    view->setSortingEnabled(false);
    QObject::connect(view->header(), &QHeaderView::sectionClicked, view,
                     [view](int section) { MainModul::SortListViewByColumn(view, section); });
    return view;
}

template <class T>
T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

QueryForm::QueryForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"QueryForm"_s);
    setWindowTitle(u"QueryForm"_s);
    setAttribute(Qt::WA_DeleteOnClose);

    m_tables = listView(this, u"TabellenListe"_s, {u"1501"_s, u"1502"_s});
    m_fields = listView(this, u"FeldListe"_s, {u"1551"_s, u"1554"_s});
    m_data = listView(this, u"DatenListe"_s, {});
    m_data->setColumnCount(0);
    connect(m_tables, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        QString id;
        Tag2Field(item->data(0, ListViewHelpers::RowTagRole).toString(), 3, id);
        QString hasTable;
        Tag2Field(item->data(0, ListViewHelpers::RowTagRole).toString(), 11, hasTable);
        BuildTableInfos(item->text(0), id, MainModul::ErpText2Bool(hasTable), true);
    });

    auto* conditions = new QWidget(this);
    auto* form = new QFormLayout(conditions);
    form->addRow(named(new QLabel(u"Kriterien"_s, conditions), u"KriterienLabel"_s),
                 named(new QLineEdit(conditions), u"Kriterien"_s));
    form->addRow(named(new QLabel(u"Sortierung"_s, conditions), u"SortierungLabel"_s),
                 named(new QLineEdit(conditions), u"Sortierung"_s));
    auto* key = named(new QComboBox(conditions), u"Schluessel"_s);
    key->addItem(MainModul::NoKeyText.isEmpty() ? u"Default"_s : MainModul::NoKeyText);
    form->addRow(named(new QLabel(u"Schluessel"_s, conditions), u"SchluesselLabel"_s), key);
    auto* kinds = named(new QComboBox(conditions), u"Ablageart"_s);
    for (const auto& [code, text] : std::as_const(MainModul::AblageartenListe))
        kinds->addItem(text, code.toInt());
    form->addRow(named(new QLabel(u"Ablageart"_s, conditions), u"AblageartLabel"_s), kinds);
    form->addRow(named(new QCheckBox(u"ZeilenSelektion"_s, conditions), u"ZeilenSelektion"_s));
    auto* direction = new QWidget(conditions);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->setContentsMargins(0, 0, 0, 0);
    auto* ascending = named(new QRadioButton(u"Aufsteigend"_s, direction), u"Aufsteigend"_s);
    directionLayout->addWidget(ascending);
    directionLayout->addWidget(named(new QRadioButton(u"Absteigend"_s, direction), u"Absteigend"_s));
    ascending->setChecked(true);
    form->addRow(direction);
    auto* junction = new QWidget(conditions);
    auto* junctionLayout = new QHBoxLayout(junction);
    junctionLayout->setContentsMargins(0, 0, 0, 0);
    auto* und = named(new QRadioButton(u"UND"_s, junction), u"UNDVerknuepfung"_s);
    junctionLayout->addWidget(und);
    junctionLayout->addWidget(named(new QRadioButton(u"ODER"_s, junction), u"ODERVerknuepfung"_s));
    und->setChecked(true);
    form->addRow(junction);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(m_tables);
    top->addWidget(m_fields);
    top->addWidget(conditions);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(m_data);

    auto* status = named(new QStatusBar(this), u"StatusBar"_s);
    status->setSizeGripEnabled(false);
    const QStringList captions{u"159"_s, u"160"_s, u"177"_s, u"161"_s, u"162"_s, u"163"_s};
    for (int p = 1; p <= captions.size(); ++p)
        status->addWidget(named(new QLabel(captions[p - 1], status), u"Panel"_s + QString::number(p)), 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split, 1);
    layout->addWidget(status);

    MainModul::InitFormCommon(this);
}

QSharedPointer<KLV> QueryForm::session() const
{
    return MainModul::MainSession.toStrongRef();
}

void QueryForm::setPanel(int panel, const QString& text)
{
    if (auto* label = findChild<QLabel*>(u"Panel"_s + QString::number(panel)))
        label->setText(text);
}

void QueryForm::InitControls()
{
    FillTabellenListe();
}

void QueryForm::ReloadForm()
{
    FillTabellenListe();
}

bool QueryForm::FillTabellenListe()
{
    m_tables->clear();
    m_aktTableName.clear();
    m_aktTableID.clear();
    const QSharedPointer<KLV> tav = session();
    if (!tav || !tav->IsConnected())
        return false;
    const QSharedPointer<KLVQuery> query = tav->CreateQuery();
    if (!query || !query->GetTableNames()) {
        if (query)
            MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(124) + u'\n' + query->GetLastError());
        return false;
    }
    while (query->GetNextRecord()) {
        auto* item = new QTreeWidgetItem(m_tables, {query->GetField(1), query->GetField(2)});
        item->setData(0, ListViewHelpers::RowTagRole, query->GetFields().join(u'\t'));
    }
    setPanel(1, QString::number(m_tables->topLevelItemCount()) + u' ' + MainModul::GetMessageTextByNr(125));
    if (m_tables->topLevelItemCount() > 0)
        m_tables->setCurrentItem(m_tables->topLevelItem(0));
    return m_tables->topLevelItemCount() > 0;
}

void QueryForm::ResortTabellenListe(int& column)
{
    MainModul::SortListViewByColumn(m_tables, column);
    MemberCall::Invoke(MainModul::MainForm, "SetTabListeSortColumn", {column});
}

void QueryForm::ResortFeldListe(int column)
{
    if (column >= 0)
        MainModul::SortListViewByColumn(m_fields, column);
    MemberCall::Invoke(MainModul::MainForm, "SetFldListeSortColumn", {column});
}

void QueryForm::BuildTableInfos(const QString& TableName, const QString& TableID, bool HasTable, bool)
{
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(MainModul::MainForm, "CheckQuerySettingsChanges", check);
    m_aktTableName = TableName;
    m_aktTableID = TableID;
    m_aktTableHasTable = HasTable;
    m_aktQueryName.clear();
    FillFeldListe(true);
    m_data->clear();
    MemberCall::Invoke(MainModul::MainForm, "FillTableQueries", {QVariant::fromValue<QWidget*>(this), TableName});
    QVariantList load{QVariant::fromValue<QWidget*>(this), TableName, TableID, MainModul::GetMessageTextByNr(126),
                      HasTable};
    MemberCall::Invoke(MainModul::MainForm, "GetQuerySettings", load);
}

void QueryForm::FillFeldListe(bool)
{
    m_fields->clear();
    const QSharedPointer<KLV> tav = session();
    if (!tav || !tav->IsConnected() || m_aktTableName.isEmpty())
        return;
    const QSharedPointer<KLVQuery> query = tav->CreateQuery();
    if (!query)
        return;
    if (!query->GetFieldNames(m_aktTableName)) {
        MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(127) + u'\n' + query->GetLastError());
        return;
    }
    while (query->GetNextRecord()) {
        const QString name = query->GetField(1);
        auto* item = new QTreeWidgetItem(m_fields, {name, query->GetField(4)});
        const QString part = MainModul::ErpText2Bool(query->GetField(6)) ? u"1"_s : u"0"_s;
        item->setData(0, RowKeyRole, MainModul::BuildFeldKey(name, part, false));
        item->setData(0, ListViewHelpers::RowTagRole, query->GetFields().join(u'\t'));
        item->setCheckState(0, Qt::Unchecked);
    }
    setPanel(2, m_aktTableName + u": "_s + QString::number(m_fields->topLevelItemCount()) + u' ' +
                    MainModul::GetMessageTextByNr(128));
}

void QueryForm::SetAllFieldsSelection(int scope, int action)
{
    // Which fields are header, table or skip fields is the full window's knowledge; here
    // every field belongs to scope 1.
    if (scope != 1)
        return;
    for (int i = 0; i < m_fields->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_fields->topLevelItem(i);
        const bool on = action == 1 ? true : action == 2 ? false : item->checkState(0) != Qt::Checked;
        item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
    }
}

void QueryForm::GetCurrentFieldList(QString& fields, QString& widths)
{
    const int n = m_data->columnCount();
    if (n == 0)
        return;
    QStringList names(n);
    QStringList sizes(n);
    const QHeaderView* header = m_data->header();
    for (int c = 0; c < n; ++c) {
        const int p = header->visualIndex(c);
        names[p] = m_data->headerItem()->data(c, RowKeyRole).toString();
        sizes[p] = QString::number(std::lround(Twips::fromPixelsX(header->sectionSize(c))));
    }
    fields = names.join(u',');
    widths = sizes.join(u',');
}

void QueryForm::InsertDataColumn(QTreeWidgetItem* item, int& width)
{
    if (!item)
        return;
    if (width < 1)
        width = 1440;
    const int c = m_data->columnCount();
    m_data->setColumnCount(c + 1);
    // The column's field: the row's part marker and name, as the result list names it.
    const QStringList key = item->data(0, RowKeyRole).toString().split(u'#');
    m_data->headerItem()->setText(c, item->text(0));
    m_data->headerItem()->setData(c, RowKeyRole, QString(key.value(1) + u':' + key.value(0)));
    m_data->header()->resizeSection(c, Twips::toPixelsX(width));
}

void QueryForm::LoadRohlingProperties(QString&)
{
    for (const char16_t* name : {u"Kriterien", u"Sortierung"}) {
        if (auto* edit = findChild<QLineEdit*>(QString::fromUtf16(name)))
            edit->clear();
    }
    m_aktQueryName.clear();
}

void QueryForm::Tag2Field(const QString& tag, int index, QString& value)
{
    value = index >= 1 ? tag.split(u'\t').value(index - 1) : QString();
}

void QueryForm::closeEvent(QCloseEvent* event)
{
    // A changed query is saved or asked for first; Cancel keeps the window.
    QVariantList check{QVariant::fromValue<QWidget*>(this), 1};
    MemberCall::Invoke(MainModul::MainForm, "CheckQuerySettingsChanges", check);
    if (check.value(1).toInt() == 2) {
        event->ignore();
        return;
    }
    event->accept();
    MemberCall::Invoke(MainModul::MainForm, "QueryWindowClosed");
}
