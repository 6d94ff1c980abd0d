#include "CatalogueListPane.h"

#include "FormSupport.h"
#include "LayoutStore.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "PopupMenu.h"

#include <QHeaderView>

#include <algorithm>

using namespace Qt::StringLiterals;

int CatalogueListPane::tagRole()
{
    return ListViewHelpers::RowTagRole;
}

CatalogueListPane::CatalogueListPane(QueryContext* context, const QString& objectName, const QString& tag,
                                     qint32 messageBase, int columnCount, QWidget* parent)
    : QTreeWidget(parent), m_context(context), m_messageBase(messageBase)
{
    setObjectName(objectName);
    setProperty("Tag", tag);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false); // a click on a header goes to sortByColumn
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(false);
    ListViewHelpers::ConnectHeaderSorting(this, [this](int section) { sortByColumn(section); });
    PopupMenu::attach(this, [this](const QPoint& at, bool) { showContextMenu(at); });

    m_columns.resize(columnCount);
    LayoutStore::InitListViewColumnProps(messageBase, m_columns);
}

void CatalogueListPane::restoreColumnLayout(const QString& section)
{
    m_firstWidthGiven = LayoutStore::HasColumnWidth(this, section, 1);
    LayoutStore::LoadListViewColumns(this, section, false, &m_columns);
    // The lists show their columns before rows come.
    LayoutStore::BuildListViewColumns(this, m_messageBase, m_columns, {}, nullptr);
}

void CatalogueListPane::saveColumnLayout(const QString& section)
{
    LayoutStore::SaveListViewColumns(this, section, false, &m_columns);
    // A first column that never had rows to fit has no width of its own yet: the next window
    // fits it rather than taking the design's width as if the user had chosen it.
    if (!m_firstWidthGiven)
        LayoutStore::ForgetColumnWidth(this, section, 1);
}

void CatalogueListPane::buildColumns(const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData,
                                     const QString& captionMenu)
{
    LayoutStore::BuildListViewColumns(this, m_messageBase, m_columns, metaData, FormSupport::mainMenu(captionMenu));
}

void CatalogueListPane::storeColumnWidths()
{
    LayoutStore::StoreListViewColumnWidths(this, m_columns);
}

void CatalogueListPane::fitFirstColumn()
{
    // Once: after that the width is the user's, kept across refills like the others.
    if (m_firstWidthGiven || topLevelItemCount() == 0 || columnCount() == 0)
        return;
    resizeColumnToContents(0);
    // A very long name must leave room for the other columns.
    const int most = viewport()->width() * 2 / 3;
    if (most > 0 && columnWidth(0) > most)
        setColumnWidth(0, most);
    m_firstWidthGiven = true;
}

QTreeWidgetItem* CatalogueListPane::selectedRow() const
{
    QTreeWidgetItem* item = currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QString CatalogueListPane::rowTag(const QTreeWidgetItem* item)
{
    return item ? item->data(0, tagRole()).toString() : QString();
}

QStringList CatalogueListPane::rowTexts() const
{
    QStringList texts;
    for (int i = 0; i < topLevelItemCount(); ++i)
        texts.append(topLevelItem(i)->text(0));
    return texts;
}
