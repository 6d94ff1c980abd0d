#include "DatabaseInfoForm.h"

#include "HeadedSplitter.h"
#include "KLV.h"
#include "KLVQuery.h"
#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

QString rowTag(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ListViewHelpers::RowTagRole).toString() : QString();
}

} // namespace

DatabaseInfoForm::DatabaseInfoForm(QWidget* parent)
    : CatalogueWindow(u"DatabaseInfoForm"_s, u"306"_s, u"DBInfoWindowSettings"_s, 910, parent)
{
    auto* dbHeading = new QLabel(u"307"_s, this);
    dbHeading->setObjectName(u"DBListeUeberschrift"_s);
    m_dbListe = makeList(u"DBListe"_s, u"DBList"_s);
    dbHeading->setBuddy(m_dbListe);

    auto* groupHead = new QWidget(this);
    auto* groupHeadLayout = new QHBoxLayout(groupHead);
    groupHeadLayout->setContentsMargins(0, 0, 0, 0);
    m_gruppenHeading = new QLabel(u"356"_s, groupHead);
    m_gruppenHeading->setObjectName(u"GruppenlisteUeberschrift"_s);
    m_gruppenTyp = new QComboBox(groupHead);
    m_gruppenTyp->setObjectName(u"GruppenTyp"_s);
    groupHeadLayout->addWidget(m_gruppenHeading, 1);
    groupHeadLayout->addWidget(m_gruppenTyp);
    m_gruppenListe = makeList(u"GruppenListe"_s, u"GrpList"_s);
    setBody(nullptr, makePanes(dbHeading, m_dbListe, groupHead, m_gruppenListe), {});

    // The kinds of groups, in the order of their list kinds below.
    for (int message : {369, 362, 363})
        m_gruppenTyp->addItem(GetMessageTextByNr(message));
    m_gruppenTyp->setCurrentIndex(0);

    const KLVTools tools;
    m_dbColumns.resize(tools.DatabaseFieldCount());
    m_groupColumns.resize(tools.GroupFieldCount());
    InitListViewColumnProps(1600, m_dbColumns);
    InitListViewColumnProps(1620, m_groupColumns);
    // Names are wider than flags until the user says otherwise.
    m_dbColumns[0].Width = 1800;
    m_groupColumns[0].Width = 1500;
    m_groupColumns[2].Width = 2200;
    keepListLayout(m_dbListe, &m_dbColumns, true);
    keepListLayout(m_gruppenListe, &m_groupColumns, true);
    finishLoad();
    BuildListViewColumns(m_dbListe, 1600, m_dbColumns, {});
    BuildListViewColumns(m_gruppenListe, 1620, m_groupColumns, {});

    connect(m_dbListe, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current)
            groupsWanted();
    });
    connect(m_gruppenTyp, &QComboBox::currentIndexChanged, this, [this] {
        if (m_dbListe->currentItem())
            groupsWanted();
    });
}

void DatabaseInfoForm::FillDBListe(const QSharedPointer<KLV>& session)
{
    if (refused())
        return;
    m_session = session;
    m_query = createQuery(session);
    RebuildDBListe();
}

void DatabaseInfoForm::ReloadForm()
{
    if (!refused() && m_query)
        RebuildDBListe();
}

int DatabaseInfoForm::groupListKind() const
{
    switch (m_gruppenTyp->currentIndex()) {
    case 1:
        return KLVActiveX::klvGroupListTypeQuery;
    case 2:
        return KLVActiveX::klvGroupListTypeNew;
    default:
        return KLVActiveX::klvGroupListTypeAll;
    }
}

QString DatabaseInfoForm::selectedDatabase() const
{
    return rowTag(m_dbListe->currentItem());
}

void DatabaseInfoForm::RebuildDBListe()
{
    if (!m_query)
        return;
    const ServerWait::Scope busy(serverWait(), 11, m_query);
    const QPointer<DatabaseInfoForm> self(this);
    clearList(m_dbListe);
    if (!m_query->GetDatabaseNames()) {
        if (!self)
            return;
        showRefusal(GetMessageTextByNr(353), errInfo(m_query));
        RebuildGruppenListe(QString());
        return;
    }
    if (!self)
        return;
    showAnswer(m_dbListe, m_dbColumns, 1600, 2, m_query);
    if (!self || brokenOff())
        return;
    // An empty answer leaves the groups empty too.
    RebuildGruppenListe(rowTag(m_dbListe->topLevelItem(0)));
}

void DatabaseInfoForm::RebuildGruppenListe(const QString& databaseNr)
{
    const ServerWait::Scope busy(serverWait(), 11, m_query);
    const QPointer<DatabaseInfoForm> self(this);
    clearList(m_gruppenListe);
    m_shownGroups = databaseNr.isEmpty() ? QString() : databaseNr + u'|' + QString::number(groupListKind());
    m_wantedGroups = m_shownGroups;
    const QTreeWidgetItem* row = m_dbListe->currentItem();
    if (databaseNr.isEmpty() || !row || !m_query) {
        m_gruppenHeading->setText(GetMessageTextByNr(356));
        return;
    }
    m_gruppenHeading->setText(GetMessageTextByNr(356) + u" \""_s + row->text(0) + u"\":"_s);
    if (!m_query->GetGroupNames2(databaseNr, groupListKind()).toBool()) {
        if (self)
            showRefusal(GetMessageTextByNr(353), errInfo(m_query));
        return;
    }
    if (self)
        showAnswer(m_gruppenListe, m_groupColumns, 1620, 0, m_query);
}

void DatabaseInfoForm::groupsWanted()
{
    const QString database = selectedDatabase();
    if (database.isEmpty())
        return;
    m_wantedGroups = database + u'|' + QString::number(groupListKind());
    if (refused())
        return; // followed once the running fill has ended
    RebuildGruppenListe(database);
}

void DatabaseInfoForm::fillEnded()
{
    if (!m_wantedGroups.isEmpty() && m_wantedGroups != m_shownGroups)
        groupsWanted();
}

void DatabaseInfoForm::refreshList(QTreeWidget* list)
{
    if (refused())
        return;
    if (list == m_dbListe)
        ReloadForm();
    else if (list == m_gruppenListe && m_dbListe->currentItem())
        RebuildGruppenListe(selectedDatabase());
}

void DatabaseInfoForm::SelectColumns()
{
    if (refused())
        return;
    QTreeWidget* list = focusedList();
    if (list == m_dbListe) {
        StoreListViewColumnWidths(m_dbListe, m_dbColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_dbColumns) == SpaltenWahlForm::ResultOk)
            RebuildDBListe();
    } else if (list == m_gruppenListe) {
        StoreListViewColumnWidths(m_gruppenListe, m_groupColumns);
        if (SpaltenWahlForm::DefaultInstance()->SelectColumns(m_groupColumns) == SpaltenWahlForm::ResultOk &&
            m_dbListe->currentItem())
            RebuildGruppenListe(selectedDatabase());
    }
}
