#include "TableListPane.h"

#include "FormSupport.h"
#include "KLVEnums.h"
#include "KLVMessageCollector.h"
#include "KLVQuery.h"
#include "KLVQueryFieldMetaData.h"
#include "KLVQueryMetaData.h"
#include "KLVTools.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "QueryContext.h"
#include "QueryTag.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"

#include <QInputDialog>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString CrLf = u"\r\n"_s;
// A name list of only commas and blanks.
constexpr int MsgNoTableName = 198;

QList<QSharedPointer<KLVQueryFieldMetaData>> metaDataOf(const QSharedPointer<KLVQuery>& query)
{
    const QSharedPointer<KLVQueryMetaData> meta = query ? query->GetQueryMetaData() : nullptr;
    return meta ? meta->GetFieldMetaDataArray() : QList<QSharedPointer<KLVQueryFieldMetaData>>();
}

QString storageKindName(const QString& code)
{
    for (const auto& [key, text] : std::as_const(App().AblageartenListe)) {
        if (key == code)
            return text;
    }
    return QString();
}

} // namespace

TableListPane::TableListPane(QueryContext* context, QWidget* parent)
    : CatalogueListPane(context, u"TabellenListe"_s, u"TableList"_s, CaptionBase, KLVTools().TableFieldCount(), parent)
{
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] { Q_EMIT tableChosen(); });
}

bool TableListPane::fill()
{
    clear();
    ListViewHelpers::SetListViewSorting(this, false, -1, Qt::AscendingOrder);
    MemberCall::Invoke(App().MainForm, "SetTabListeSortColumn", {-1});
    m_extraTables.clear();
    m_serverNames.clear();
    m_serverIds.clear();
    setUpdatesEnabled(false);

    const QPointer<TableListPane> self(this);
    const QSharedPointer<KLVQuery> query = m_context->query;
    if (query && query->GetTableNames(QString())) {
        if (!self)
            return false;
        const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(query);
        buildColumns(meta, u"TabListeSortByFeldMenue"_s);
        // The whole list first: a stored extra table that the server lists itself, wherever
        // it stands, gets no second row.
        QList<QStringList> records;
        while (query->GetNextRecord()) {
            if (!self)
                return false;
            records.append(query->GetFields());
        }
        if (!self)
            return false;
        for (const QStringList& record : std::as_const(records)) {
            m_serverNames.insert(record.value(0).toLower());
            m_serverIds.insert(record.value(2).toLower());
        }
        // The extra tables of a database follow its last group row.
        QString remembered;
        for (const QStringList& record : std::as_const(records)) {
            if (IsDbGroupName(record.value(0))) {
                const QString db = record.value(5);
                if (db != remembered) {
                    if (!remembered.isEmpty())
                        loadExtraTables(remembered);
                    remembered = db;
                }
            } else if (!remembered.isEmpty()) {
                loadExtraTables(remembered);
                remembered.clear();
            }
            if (!self)
                return false;
            addTableListItems(record, meta, false, 0, false);
        }
        // The list may end with a database's group rows: its extra tables come last.
        if (!remembered.isEmpty())
            loadExtraTables(remembered);
    } else if (self && !ServerWait::wasBrokenOff(query)) {
        ShowMessageBox(GetMessageTextByNr(124) + CrLf + ServerErrorText(query ? query->GetLastError() : QString()));
        clear();
    }
    if (!self)
        return false;
    setUpdatesEnabled(true);
    fitFirstColumn();
    return topLevelItemCount() > 0;
}

QTreeWidgetItem* TableListPane::addTableListItems(const QStringList& record,
                                                  const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData,
                                                  bool isExtra, int index, bool select)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, record.value(0));
    item->setData(0, tagRole(), QueryTag::FieldArray2Tag(record));
    if (index < 1)
        addTopLevelItem(item);
    else
        insertTopLevelItem(std::min(index - 1, topLevelItemCount()), item);
    if (isExtra)
        m_extraTables.registerTable(record.value(0), record.value(5));

    const ListViewColumnArray& cols = columns();
    int column = 1;
    for (int i = 2; i <= metaData.size(); ++i) {
        if (i > cols.size() || !cols[i - 1].Visible)
            continue;
        const QString value = record.value(i - 1);
        QString text;
        if (i == 12) {
            if (!value.isEmpty()) {
                text = storageKindName(value);
                if (text.isEmpty())
                    text = u"???"_s;
            }
        } else if (metaData[i - 1] && KLVTools::DataTypeOf(metaData[i - 1]->ERPType()) == KLVActiveX::klvBool) {
            text = Bool2ErpText(QueryTag::ToBool(value));
        } else {
            text = value;
        }
        item->setText(column, text);
        ++column;
    }

    if (select) {
        setFocus();
        setCurrentItem(item);
        scrollToItem(item);
    }
    return item;
}

void TableListPane::loadExtraTables(const QString& databaseNr)
{
    // Blanks and empty entries name no table (an empty start would list the whole catalogue),
    // and a table written more than once is one table.
    const QStringList names = QueryExtraTables::SplitNames(QueryExtraTables::load(GetViewerConfigFile(), databaseNr));
    if (names.isEmpty())
        return;
    // Only a database whose extra tables came is written back: a refused request must not
    // empty the stored list.
    const QPointer<TableListPane> self(this);
    if (fetchTableMetaData(names.join(u','), 0, false) == Fetched::Refused || !self)
        return;
    m_extraTables.addDatabase(databaseNr);
    for (const QString& name : names) {
        if (serverLists(name))
            m_extraTables.keepListed(databaseNr, name);
    }
}

bool TableListPane::serverLists(const QString& nameOrId) const
{
    const QString key = nameOrId.toLower();
    return m_serverNames.contains(key) || m_serverIds.contains(key);
}

QHash<QString, QTreeWidgetItem*> TableListPane::rowsByName(const QTreeWidgetItem* keep) const
{
    QHash<QString, QTreeWidgetItem*> rows;
    rows.reserve(topLevelItemCount());
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const QString name = item->text(0).toCaseFolded();
        if (item != keep && !rows.contains(name))
            rows.insert(name, item);
    }
    return rows;
}

TableListPane::Fetched TableListPane::fetchTableMetaData(const QString& tableList, int index, bool select,
                                                         const QTreeWidgetItem* keep)
{
    const QSharedPointer<KLVQuery> tmp = m_context->tmpQuery;
    const QString names = QueryExtraTables::SplitNames(tableList).join(u',');
    if (!tmp || names.isEmpty())
        return Fetched::Refused;
    const QPointer<TableListPane> self(this);
    m_context->tmpCollector->Reset();
    bool ok = tmp->GetTableNames(names);
    if (!self)
        return Fetched::Refused;
    int answered = 0;
    int added = 0;
    QTreeWidgetItem* shown = nullptr;
    if (ok) {
        const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(tmp);
        // Looked up once per record, however many the answer holds: the rows by name, made
        // when the first record is in and kept up to date as rows are added.
        QHash<QString, QTreeWidgetItem*> rows;
        while (tmp->GetNextRecord()) {
            if (!self)
                return Fetched::Refused;
            const QStringList record = tmp->GetFields();
            if (answered++ == 0)
                rows = rowsByName(keep);
            // A table the list shows already, the server's own or one added before, is not
            // added again.
            const QString name = record.value(0).toCaseFolded();
            QTreeWidgetItem* row = rows.value(name);
            if (row || m_serverNames.contains(record.value(0).toLower())) {
                shown = row ? row : shown;
                continue;
            }
            rows.insert(name, addTableListItems(record, meta, true, index, select));
            ++added;
        }
        if (!self)
            return Fetched::Refused;
    }
    // An answer without a table adds nothing: it counts as refused, so a rename keeps its row.
    if (!ok || answered == 0) {
        ok = false;
        ShowMessageBox(GetMessageTextByNr(874) + CrLf + names + CrLf + ServerErrorText(tmp->GetLastError()) + CrLf +
                       m_context->tmpCollector->GetAllMessagesText(CrLf));
    }
    tmp->Break();
    if (!self)
        return Fetched::Refused;
    if (select && ok && added == 0 && shown) {
        setFocus();
        setCurrentItem(shown);
        scrollToItem(shown);
    }
    saveExtraTables();
    if (!ok)
        return Fetched::Refused;
    return added > 0 ? Fetched::Added : Fetched::AlreadyShown;
}

void TableListPane::addExtraTable()
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(this, QString(), GetMessageTextByNr(196), QLineEdit::Normal, QString(), &ok).trimmed();
    if (!ok || answer.isEmpty())
        return;
    // Commas and blanks alone name no table: sent as they are, they would ask for the whole
    // catalogue.
    if (QueryExtraTables::SplitNames(answer).isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(MsgNoTableName));
        return;
    }
    fetchTableMetaData(answer, 0, true);
}

void TableListPane::changeTableName()
{
    QTreeWidgetItem* item = selectedRow();
    if (!item || !isExtraTable(item->text(0)))
        return;
    const QString current = item->text(0);
    bool ok = false;
    const QString answer =
        QInputDialog::getText(this, QString(), GetMessageTextByNr(196), QLineEdit::Normal, current, &ok).trimmed();
    if (!ok || answer.isEmpty() || answer == current) {
        setFocus();
        return;
    }
    if (QueryExtraTables::SplitNames(answer).isEmpty()) {
        ShowMessageBox(GetMessageTextByNr(MsgNoTableName));
        return;
    }
    const int index = indexOfTopLevelItem(item) + 1;
    const QPointer<TableListPane> self(this);
    // The row renamed may come again under its own name among the new ones.
    if (fetchTableMetaData(answer, index, true, item) != Fetched::Added || !self)
        return;
    delete item;
    m_extraTables.rename(current, answer, rowTexts());
    // The change is in the file at once, not only when the window closes.
    saveExtraTables();
}

void TableListPane::removeExtraTable()
{
    QTreeWidgetItem* item = selectedRow();
    if (!item || !isExtraTable(item->text(0)))
        return;
    const QString name = item->text(0);
    if (ShowMessageBox(GetMessageTextByNr(197) + CrLf + name, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    delete item;
    if (!rowTexts().contains(name, Qt::CaseInsensitive))
        m_extraTables.unregister(name);
    saveExtraTables();
}

void TableListPane::saveExtraTables()
{
    // Without a folder for saved queries there is no file to keep them in.
    const QString file = GetViewerConfigFile();
    if (file.isEmpty())
        return;
    QString why;
    if (m_extraTables.save(file, rowTexts(), &why))
        return;
    const QString text = FormatMessage(1397, u"The extra tables could not be stored in {1}: {2}"_s, file, why);
    if (std::exchange(m_saveTroubleTold, text) != text)
        ShowMessageBox(text);
}

bool TableListPane::chooseColumns()
{
    storeColumnWidths();
    return SpaltenWahlForm::DefaultInstance()->SelectColumns(columns()) == SpaltenWahlForm::ResultOk;
}

void TableListPane::resort(int column)
{
    SortListViewByColumn(this, column);
    MemberCall::Invoke(App().MainForm, "SetTabListeSortColumn", {column});
}

QTreeWidgetItem* TableListPane::rowOfTableId(const QString& id) const
{
    if (id.isEmpty())
        return nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (QueryTag::Tag2Field(rowTag(item), 3) == id)
            return item;
    }
    return nullptr;
}

void TableListPane::showContextMenu(const QPoint& globalPos)
{
    const QTreeWidgetItem* item = selectedRow();
    const QString current = m_context->aktTableName;
    const bool isCurrent = item && !current.isEmpty() && item->text(0) == current;
    for (const char16_t* name : {u"TabListeShowKKeyInfosMenue", u"TabAbfrageLadenMenue", u"TabAbfragenVerwaltenMenue"})
        FormSupport::setMainEntryEnabled(QString::fromUtf16(name), isCurrent);
    if (QMenu* menu = FormSupport::mainMenu(u"TabListeMenue"_s))
        menu->popup(globalPos);
}
