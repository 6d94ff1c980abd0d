#include "InfosysResultList.h"

#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "MainModul.h"

#include <QHeaderView>
#include <QInputDialog>

#include <algorithm>

using namespace Qt::StringLiterals;

InfosysResultList::InfosysResultList(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(u"DatenListe"_s);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A click on a header sorts through the program's list sorting, not Qt's own.
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    setHeaderLabels({u"625"_s});
    ListViewHelpers::ConnectHeaderSorting(this);
}

void InfosysResultList::setColumns(const QList<InfosysFeld>& resultFields)
{
    clear();
    m_fields = resultFields;
    QStringList captions{MainModul::GetMessageTextByNr(625)};
    for (const InfosysFeld& f : resultFields)
        captions.append(f.Beschr);
    setColumnCount(int(captions.size()));
    setHeaderLabels(captions);
    // The entry is the first result field's value: it sorts as that field does.
    for (int c = 0; c < columnCount(); ++c) {
        header()->setSectionHidden(c, false);
        // Another information system's columns: each starts at its default width.
        ListViewHelpers::SetDefaultColumnWidth(this, c, header()->defaultSectionSize());
        const int field = std::max(0, c - 1);
        ListViewHelpers::SetColumnDataType(
            this, c, field < m_fields.size() ? KLVTools::DataTypeOf(m_fields[field].Art) : KLVActiveX::klvString);
    }
}

void InfosysResultList::addRow(const QStringList& texts)
{
    new QTreeWidgetItem(this, texts);
}

QString InfosysResultList::cell(int row, int column) const
{
    if (row < 1 || row > topLevelItemCount() || column < 1 || column > columnCount())
        return QString();
    return topLevelItem(row - 1)->text(column - 1);
}

QList<InfosysResultList::ExportField> InfosysResultList::exportFields() const
{
    QList<ExportField> fields;
    const QHeaderView* h = header();
    for (int visual = 0; visual < h->count(); ++visual) {
        const int c = h->logicalIndex(visual);
        if (c < 1 || c > m_fields.size() || h->isSectionHidden(c))
            continue;
        fields.append({headerItem()->text(c), c + 1, m_fields[c - 1].Name});
    }
    return fields;
}

int InfosysResultList::resultColumnAt(const QPoint& globalPos) const
{
    const int c =
        globalPos.isNull() ? currentColumn() : header()->logicalIndexAt(viewport()->mapFromGlobal(globalPos).x());
    return c >= 1 && c <= m_fields.size() && !header()->isSectionHidden(c) ? c : 0;
}

bool InfosysResultList::hideResultColumn(int n)
{
    if (n < 1 || n > m_fields.size() || header()->isSectionHidden(n))
        return false;
    header()->setSectionHidden(n, true);
    return true;
}

QList<int> InfosysResultList::hiddenResultColumns() const
{
    QList<int> hidden;
    for (int n = 1; n <= m_fields.size(); ++n) {
        if (header()->isSectionHidden(n))
            hidden.append(n);
    }
    return hidden;
}

QString InfosysResultList::resultCaption(int n) const
{
    return n >= 1 && n <= m_fields.size() ? m_fields[n - 1].Beschr : QString();
}

void InfosysResultList::showResultColumn(int n)
{
    if (n < 1 || n > m_fields.size() || !header()->isSectionHidden(n))
        return;
    header()->setSectionHidden(n, false);
    // It comes back at the end, where the user looks for what he just added.
    header()->moveSection(header()->visualIndex(n), header()->count() - 1);
    if (header()->sectionSize(n) < 20)
        resizeColumnToContents(n);
}

void InfosysResultList::chooseColumnToShow(const QString& title)
{
    const QList<int> hidden = hiddenResultColumns();
    if (hidden.isEmpty())
        return;
    QStringList captions;
    for (int n : hidden)
        captions.append(resultCaption(n));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, title, title + u':', captions, 0, false, &ok);
    const qsizetype i = captions.indexOf(chosen);
    if (ok && i >= 0)
        showResultColumn(hidden[i]);
}

int InfosysResultList::heightForRows(int rows) const
{
    const int row = fontMetrics().height() + 4;
    return std::max(minimumSizeHint().height(), (rows + 1) * row + 2 * frameWidth());
}
