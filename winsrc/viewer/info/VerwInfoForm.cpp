#include "VerwInfoForm.h"

#include "Common.h"
#include "FormSupport.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "QueryTag.h"
#include "ServerWait.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int NodeKeyRole = Qt::UserRole;

QString databaseKey(int database)
{
    return u"D"_s + QString::number(database);
}

QString groupKey(int database, int group)
{
    return databaseKey(database) + u'G' + QString::number(group);
}

struct FixedColumn
{
    QString key;
    int caption;
    KLVActiveX::KLV_DataType type;
};

QTreeWidget* referenceList(QWidget* parent, const QString& name, const QString& toolTip,
                           const QList<FixedColumn>& columns)
{
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setToolTip(toolTip);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->header()->setStretchLastSection(false);
    list->setColumnCount(int(columns.size()));
    QTreeWidgetItem* header = list->headerItem();
    for (int c = 0; c < columns.size(); ++c) {
        header->setText(c, QString::number(columns[c].caption));
        header->setData(c, LayoutStore::ColumnKeyRole, columns[c].key);
        ListViewHelpers::SetColumnDataType(list, int(c), columns[c].type);
    }
    ListViewHelpers::ConnectHeaderSorting(list);
    ListViewHelpers::SetDefaultColumnWidths(list);
    return list;
}

} // namespace

VerwInfoForm::VerwInfoForm(QWidget* parent)
    : CatalogueWindow(u"VerwInfoForm"_s, u"310"_s, u"VerwWindowSettings"_s, 911, parent)
{
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(u"VSplit"_s);
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(margin());
    m_tree = new QTreeWidget(m_split);
    m_tree->setObjectName(u"DBListe"_s);
    m_tree->setToolTip(u"387"_s);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    m_tabs = new QTabWidget(m_split);
    m_tabs->setObjectName(u"Verweislisten"_s);
    m_von = referenceList(m_tabs, u"VonVerwListe"_s, u"388"_s,
                          {{u"RefFromFldName"_s, 384, klvString},
                           {u"RefFromFldInTab"_s, 390, klvString},
                           {u"RefFromFldType"_s, 385, klvString},
                           {u"RefFromTgtDBNr"_s, 380, klvLongInt},
                           {u"RefFromTgtDBName"_s, 382, klvString},
                           {u"RefFromTgtGrpNr"_s, 381, klvLongInt},
                           {u"RefFromTgtGrpName"_s, 383, klvString},
                           {u"RefFromFldDesc"_s, 386, klvString}});
    m_nach = referenceList(m_tabs, u"NachVerwListe"_s, u"389"_s,
                           {{u"RefToSrcDBNr"_s, 380, klvLongInt},
                            {u"RefToSrcGrpNr"_s, 381, klvLongInt},
                            {u"RefToSrcDBName"_s, 382, klvString},
                            {u"RefToSrcGrpName"_s, 383, klvString},
                            {u"RefToFldName"_s, 384, klvString},
                            {u"RefToFldInTab"_s, 390, klvString},
                            {u"RefToFldType"_s, 385, klvString},
                            {u"RefToFldDesc"_s, 386, klvString}});
    m_tabs->addTab(m_von, u"373"_s);
    m_tabs->addTab(m_nach, u"374"_s);
    m_split->addWidget(m_tree);
    m_split->addWidget(m_tabs);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 2);

    m_excludeVRefs = new QCheckBox(u"391"_s, this);
    m_excludeVRefs->setObjectName(u"ExcludeVRefs"_s);
    m_loadingLabel = new QLabel(u"372"_s, this);
    m_loadingLabel->setObjectName(u"LoadingLabel"_s);
    m_loadingLabel->setVisible(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"LoadingProgress"_s);
    m_progress->setVisible(false);
    setBody(nullptr, m_split, {m_excludeVRefs, m_loadingLabel, m_progress});

    keepListLayout(m_tree, nullptr, true);
    keepListLayout(m_von, nullptr, false);
    keepListLayout(m_nach, nullptr, false);
    keepControlPlaces({m_tree, m_tabs});
    finishLoad();
    LoadListViewColumns(m_von, settingsSection(), false);
    LoadListViewColumns(m_nach, settingsSection(), false);
    m_tabs->setCurrentIndex(0);
    m_excludeVRefs->setChecked(ViewerConfig::getBool(ViewerConfig::Key::ExcludeVRefs));

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            FillVerwListen(current);
    });
}

bool VerwInfoForm::IsMultipleReference(const QString& typeCode)
{
    return typeCode.startsWith(u'V') && QueryTag::Val(typeCode.right(2)) > 50;
}

bool VerwInfoForm::FillVerwInfos(const QSharedPointer<KLV>& session)
{
    if (refused())
        return !closing();
    const QSharedPointer<KLVQuery> databases = createQuery(session);
    const QSharedPointer<KLVQuery> groups = createQuery(session);
    const QSharedPointer<KLVQuery> fields = createQuery(session);
    const QSharedPointer<KLVQuery> refTypes = createQuery(session);
    const ServerWait::Scope busy(serverWait(), 13, databases, groups, fields, refTypes);
    const QPointer<VerwInfoForm> self(this);
    m_break = false;
    m_session = session;
    m_progress->setValue(0);
    m_progress->setVisible(true);
    m_loadingLabel->setText(QString());
    m_loadingLabel->setVisible(true);
    okButton()->setText(GetMessageTextByNr(33));
    FormSupport::setMainEntryEnabled(u"FensterSchliessenMenue"_s, false);

    m_toIndex.clear();
    m_fromIndex.clear();
    m_nodes.clear();
    m_targets.clear();
    m_tree->clear();
    m_von->clear();
    m_nach->clear();
    m_infos.clear();

    if (!databases || !databases->GetDatabaseNames()) {
        if (self)
            showRefusal(GetMessageTextByNr(379), databases ? databases->GetLastError() : QString());
    } else if (self) {
        databases->GetLastRecord();
        if (!self)
            return false;
        m_progress->setMaximum(std::max(1, databases->GetRecordCount()));
        bool more = databases->GetFirstRecord();
        while (more && !m_break && self) {
            const int number = Common::ToLong(databases->GetField(KLVActiveX::fldDatabaseNr));
            const QString name = databases->GetField(KLVActiveX::fldDatabaseName);
            m_progress->setValue(std::min(m_progress->maximum(), databases->GetRecordNumber()));
            m_loadingLabel->setText(GetMessageTextByNr(372) + u' ' + name);
            const QString key = databaseKey(number);
            // A database the catalogue names twice is walked once.
            if (!m_nodes.contains(key)) {
                m_toIndex.insert(key, {});
                auto* node = new QTreeWidgetItem(m_tree, {name + u" ("_s + QString::number(number) + u')'});
                node->setData(0, NodeKeyRole, key);
                m_nodes.insert(key, node);
                readGroups(number, name, node, groups, fields, refTypes);
            }
            if (self)
                more = databases->GetNextRecord();
        }
        if (!self)
            return false;
        databases->Break();
        groups->Break();
        fields->Break();
    }
    if (!self)
        return false;
    m_progress->setVisible(false);
    m_loadingLabel->setVisible(false);
    okButton()->setText(GetMessageTextByNr(32));
    FormSupport::setMainEntryEnabled(u"FensterSchliessenMenue"_s, true);
    return true;
}

void VerwInfoForm::readGroups(int databaseNr, const QString& databaseName, QTreeWidgetItem* databaseNode,
                              const QSharedPointer<KLVQuery>& groups, const QSharedPointer<KLVQuery>& fields,
                              const QSharedPointer<KLVQuery>& refTypes)
{
    const QPointer<VerwInfoForm> self(this);
    if (!groups->GetGroupNames(QString::number(databaseNr))) {
        if (!self || closing() || brokenOff())
            return;
        const QString text = GetMessageTextByNr(378) + u"\r\n"_s + GetMessageTextByNr(376) + u' ' +
                             QString::number(databaseNr) + u"\r\n"_s + ServerErrorText(groups->GetLastError());
        if (ShowMessageBox(text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Cancel)
            m_break = true;
        return;
    }
    const bool exclude = m_excludeVRefs->isChecked();
    while (self && !m_break && groups->GetNextRecord()) {
        const int groupNr = Common::ToLong(groups->GetField(KLVActiveX::fldGroupNr));
        const QString groupName = groups->GetField(KLVActiveX::fldGroupName);
        const QString key = groupKey(databaseNr, groupNr);
        if (!m_fromIndex.contains(key))
            m_fromIndex.insert(key, {});
        if (!m_toIndex.contains(key))
            m_toIndex.insert(key, {});
        if (!m_nodes.contains(key)) {
            auto* node = new QTreeWidgetItem(databaseNode, {groupName + u" ("_s + QString::number(groupNr) + u')'});
            node->setData(0, NodeKeyRole, key);
            m_nodes.insert(key, node);
        }
        const QString table = QString::number(databaseNr) + u':' + QString::number(groupNr);
        if (!fields->GetFieldNames(table, QString())) {
            if (!self || closing() || brokenOff())
                return;
            const QString text = GetMessageTextByNr(375) + u"\r\n"_s + GetMessageTextByNr(376) + u' ' +
                                 QString::number(databaseNr) + u", "_s + GetMessageTextByNr(377) + u' ' +
                                 QString::number(groupNr) + u"\r\n"_s + ServerErrorText(fields->GetLastError());
            if (ShowMessageBox(text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Cancel)
                m_break = true;
            continue;
        }
        while (self && fields->GetNextRecord()) {
            const QString type = fields->GetField(KLVActiveX::fldFieldTAVType);
            if (KLVTools::DataTypeOf(type) != KLVActiveX::klvReference)
                continue;
            const QString name = fields->GetField(KLVActiveX::fldFieldName);
            if (name == u"sn" || name == u"id" || (exclude && IsMultipleReference(type)))
                continue;
            if (!m_targets.contains(type)) {
                // A type the server knows no targets of (or refuses) gives no target.
                const KLVTAVArtInfoList targets = refTypes->GetRefTypeInfoArray(type);
                if (!self)
                    return;
                m_targets.insert(type, targets);
            }
            const KLVTAVArtInfoList targets = m_targets.value(type);
            for (const QSharedPointer<KLVTAVArtInfo>& target : targets)
                AddVerwFeldInfo(fields, databaseNr, databaseName, groupNr, groupName, target);
        }
    }
}

void VerwInfoForm::AddVerwFeldInfo(const QSharedPointer<KLVQuery>& fields, int databaseNr, const QString& databaseName,
                                   int groupNr, const QString& groupName, const QSharedPointer<KLVTAVArtInfo>& target)
{
    if (!target)
        return;
    VerwFeldInfo info;
    info.FldName = fields->GetField(KLVActiveX::fldFieldName);
    // The server may send its own word for the flag ("ja"): the library reads it.
    info.FldInTab = Common::ParseBool(fields->GetField(KLVActiveX::fldFieldInTab));
    info.FldDesc = fields->GetField(KLVActiveX::fldFieldDesc);
    info.FldArt = fields->GetField(KLVActiveX::fldFieldTAVType);
    info.RefFromDBNr = databaseNr;
    info.RefFromDBName = databaseName;
    info.RefFromGrpNr = groupNr;
    info.RefFromGrpName = groupName;
    info.RefToDBNr = target->RefDatabaseNr();
    info.RefToDBName = target->RefDatabaseName();
    info.RefToGrpNr = target->RefGroupNr();
    info.RefToGrpName = target->RefGroupName();
    m_infos.append(info);
    const int position = int(m_infos.size());
    m_fromIndex[groupKey(databaseNr, groupNr)].append(position);
    AddVerwToIndex(info.RefToDBNr, info.RefToGrpNr, position);
}

void VerwInfoForm::AddVerwToIndex(int databaseNr, int groupNr, int position)
{
    m_toIndex[groupNr < 0 ? databaseKey(databaseNr) : groupKey(databaseNr, groupNr)].append(position);
}

void VerwInfoForm::FillVerwListen(QTreeWidgetItem* node)
{
    if (m_listsBusy || !node)
        return;
    m_listsBusy = true;
    for (QTreeWidget* list : {m_von, m_nach}) {
        list->clear();
        ListViewHelpers::SetListViewSorting(list, false, -1, Qt::AscendingOrder);
    }
    const QString key = node->data(0, NodeKeyRole).toString();
    const auto number = [](int n) { return QString::number(n); };
    if (node->parent() && node->childCount() == 0) {
        for (int position : m_fromIndex.value(key)) {
            const VerwFeldInfo& info = m_infos.at(position - 1);
            const bool group = info.RefToGrpNr >= 0;
            auto* item = new QTreeWidgetItem(m_von, {info.FldName, Bool2MsgText(info.FldInTab), info.FldArt,
                                                     number(info.RefToDBNr), info.RefToDBName,
                                                     group ? number(info.RefToGrpNr) : QString(),
                                                     group ? info.RefToGrpName : QString(), info.FldDesc});
            item->setData(0, NodeKeyRole, QString(u"K"_s + number(position)));
        }
    }
    for (int position : m_toIndex.value(key)) {
        const VerwFeldInfo& info = m_infos.at(position - 1);
        auto* item = new QTreeWidgetItem(m_nach, {number(info.RefFromDBNr), number(info.RefFromGrpNr),
                                                  info.RefFromDBName, info.RefFromGrpName, info.FldName,
                                                  Bool2MsgText(info.FldInTab), info.FldArt, info.FldDesc});
        item->setData(0, NodeKeyRole, QString(u"K"_s + number(position)));
    }
    m_listsBusy = false;
}

bool VerwInfoForm::event(QEvent* event)
{
    const bool handled = CatalogueWindow::event(event);
    // The main window's menus follow the window; closing it stays off while it fills.
    if (event->type() == QEvent::WindowActivate && isBusy())
        FormSupport::setMainEntryEnabled(u"FensterSchliessenMenue"_s, false);
    return handled;
}

void VerwInfoForm::ReloadForm()
{
    FillVerwInfos(mainSession());
}

bool VerwInfoForm::handleKey(QWidget* control, const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_F5 && mods == Qt::NoModifier) {
        const QTreeWidget* list = focusedList();
        if (list == m_von || list == m_nach)
            FillVerwListen(m_tree->currentItem());
        else if (!isBusy())
            FillVerwInfos(m_session);
        return true;
    }
    if (key->key() == Qt::Key_F7)
        return false; // the columns are fixed
    return CatalogueWindow::handleKey(control, key);
}

QMenu* VerwInfoForm::contextMenuFor(QTreeWidget* list) const
{
    Q_UNUSED(list);
    return nullptr;
}

void VerwInfoForm::breakFill()
{
    m_break = true;
}

void VerwInfoForm::okClicked()
{
    if (!isBusy()) {
        closeWindow();
        return;
    }
    // The fill stops, and so does its wait for the server.
    breakFill();
    serverWait()->breakOff();
}

void VerwInfoForm::saveLayout()
{
    CatalogueWindow::saveLayout();
    ViewerConfig::setBool(ViewerConfig::Key::ExcludeVRefs, m_excludeVRefs->isChecked());
}
