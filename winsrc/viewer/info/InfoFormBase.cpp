#include "InfoFormBase.h"

#include "KLV.h"
#include "KLVQuery.h"
#include "ListViewHelpers.h"
#include "MainModul.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

InfoFormBase::InfoFormBase(const QString& name, const QString& listName, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setWindowTitle(name);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(listName);
    m_list->setRootIsDecorated(false);
    m_list->setSortingEnabled(false);
    connect(m_list->header(), &QHeaderView::sectionClicked, m_list,
            [this](int section) { MainModul::SortListViewByColumn(m_list, section); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
}

void InfoFormBase::ReloadForm()
{
    if (m_session)
        fill(m_session, m_errorNumber);
}

bool InfoFormBase::fill(const QSharedPointer<KLV>& session, int errorNumber)
{
    m_session = session;
    m_errorNumber = errorNumber;
    m_list->clear();
    const QSharedPointer<KLVQuery> query = session ? session->CreateQuery() : nullptr;
    if (!query || !request(*query)) {
        MainModul::ShowMessageBox(MainModul::GetMessageTextByNr(errorNumber) + u'\n' +
                                  (query ? query->GetLastError() : QString()));
        return false;
    }
    int columns = 1;
    while (query->GetNextRecord()) {
        const QStringList fields = query->GetFields();
        columns = std::max<int>(columns, int(fields.size()));
        if (m_list->columnCount() < columns)
            m_list->setColumnCount(columns);
        new QTreeWidgetItem(m_list, fields);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    return true;
}
