#include "FieldListPane.h"

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
#include "QueryRules.h"
#include "QueryTag.h"
#include "ServerWait.h"
#include "SpaltenWahlForm.h"
#include "VerknAuswahlForm.h"

#include <QInputDialog>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString CrLf = u"\r\n"_s;

QList<QSharedPointer<KLVQueryFieldMetaData>> metaDataOf(const QSharedPointer<KLVQuery>& query)
{
    const QSharedPointer<KLVQueryMetaData> meta = query ? query->GetQueryMetaData() : nullptr;
    return meta ? meta->GetFieldMetaDataArray() : QList<QSharedPointer<KLVQueryFieldMetaData>>();
}

bool isBoolType(const QSharedPointer<KLVQueryFieldMetaData>& meta)
{
    return meta && KLVTools::DataTypeOf(meta->ERPType()) == KLVActiveX::klvBool;
}

// A field the visible columns show, in column order: its place in the catalogue record and
// whether it is a Boolean (shown in the server's words).
struct ShownField
{
    int field;
    bool boolean;
};

QList<ShownField> shownFields(const ListViewColumnArray& columns,
                              const QList<QSharedPointer<KLVQueryFieldMetaData>>& metaData)
{
    QList<ShownField> shown;
    for (int i = 2; i <= metaData.size(); ++i) {
        if (i <= columns.size() && columns[i - 1].Visible)
            shown.append({i - 1, isBoolType(metaData[i - 1])});
    }
    return shown;
}

// A field the list cannot take (no name, or its key is there already).
void tellNotInserted(const QString& name, const QStringList& fields)
{
    QString text = GetMessageTextByNr(129) + u' ' + name;
    if (QueryTag::ToBool(fields.value(5)))
        text += GetMessageTextByNr(130);
    ShowMessageBox(text);
}

// A new row for the field, not yet in a list.
QTreeWidgetItem* newRow(const QString& name, const QString& key, const QStringList& fields,
                        const QList<ShownField>& shown, bool checked)
{
    auto* item = new QTreeWidgetItem;
    item->setText(0, name);
    item->setData(0, FieldListPane::RowKeyRole, key);
    item->setData(0, CatalogueListPane::tagRole(), QueryTag::FieldArray2Tag(fields));
    int column = 1;
    for (const ShownField& f : shown) {
        const QString value = fields.value(f.field);
        item->setText(column++, f.boolean ? Bool2ErpText(QueryTag::ToBool(value)) : value);
    }
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

QString inputBox(QWidget* parent, const QString& prompt, const QString& title, const QString& defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

} // namespace

FieldListPane::FieldListPane(QueryContext* context, QWidget* parent)
    : CatalogueListPane(context, u"FeldListe"_s, u"FieldList"_s, CaptionBase, KLVTools().FieldFieldCount(), parent)
{
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item)
            Q_EMIT rowActivated(item);
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { updatePathEntries(item); });

    const QAbstractItemModel* rows = model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        if (!parent.isValid())
            indexRows(first, last);
    });
    connect(rows, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    unindexRows(first, last);
            });
    connect(rows, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_rowsByKey.clear(); });
    connect(rows, &QAbstractItemModel::modelReset, this, [this] {
        m_rowsByKey.clear();
        indexRows(0, topLevelItemCount() - 1);
    });
}

FieldListPane::~FieldListPane()
{
    // The tree's own teardown empties its model: the index goes with this object first.
    disconnect(model(), nullptr, this, nullptr);
}

void FieldListPane::indexRows(int first, int last)
{
    for (int i = first; i <= last; ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const QString key = rowKey(item);
        if (item && !key.isEmpty())
            m_rowsByKey.insert(key, item);
    }
}

void FieldListPane::unindexRows(int first, int last)
{
    for (int i = first; i <= last; ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        const auto it = m_rowsByKey.constFind(rowKey(item));
        if (item && it != m_rowsByKey.cend() && it.value() == item)
            m_rowsByKey.erase(it);
    }
}

QString FieldListPane::rowKey(const QTreeWidgetItem* item)
{
    return item ? item->data(0, RowKeyRole).toString() : QString();
}

QTreeWidgetItem* FieldListPane::row(const QString& key) const
{
    return key.isEmpty() ? nullptr : m_rowsByKey.value(key);
}

int FieldListPane::checkedCount() const
{
    int checked = 0;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->checkState(0) == Qt::Checked)
            ++checked;
    }
    return checked;
}

void FieldListPane::fill(bool saveCheckedState)
{
    const QPointer<FieldListPane> self(this);
    // The run compares this name with the selected table row to see whether its columns fit.
    m_tableShown = m_context->aktTableName;
    QStringList checkedKeys;
    if (saveCheckedState) {
        for (int i = 0; i < topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = topLevelItem(i);
            if (item->checkState(0) == Qt::Checked)
                checkedKeys.append(rowKey(item));
        }
    }
    clear();
    ListViewHelpers::SetListViewSorting(this, false, -1, Qt::AscendingOrder);

    const QSharedPointer<KLVQuery> query = m_context->query;
    if (query && !m_context->aktTableID.isEmpty()) {
        if (query->GetFieldNames(m_context->aktTableID)) {
            if (!self)
                return;
            const QList<QSharedPointer<KLVQueryFieldMetaData>> meta = metaDataOf(query);
            buildColumns(meta, u"FldListeSortByFeldMenue"_s);
            // Rows go in in batches (ListViewHelpers::RowBatch); the keys of this fill, of the rows
            // still waiting too, count as taken.
            const QList<ShownField> shown = shownFields(columns(), meta);
            ListViewHelpers::RowBatch rows(this);
            QSet<QString> keys;
            bool more = query->GetNextRecord();
            while (more && self) {
                const QStringList record = query->GetFields();
                const QString name = query->GetField(1);
                const QString key = BuildFeldKey(name, record.value(5), false);
                if (name.isEmpty() || keys.contains(key) || row(key)) {
                    tellNotInserted(name, record);
                } else {
                    rows.add(newRow(name, key, record, shown, false));
                    keys.insert(key);
                }
                if (self)
                    more = query->GetNextRecord();
            }
            if (!self)
                return;
            rows.flush();
        } else if (self && !ServerWait::wasBrokenOff(query)) {
            ShowMessageBox(GetMessageTextByNr(127) + CrLf + ServerErrorText(query->GetLastError()));
        }
    }
    if (!self)
        return;
    for (const QString& key : std::as_const(checkedKeys)) {
        if (QTreeWidgetItem* item = row(key))
            item->setCheckState(0, Qt::Checked);
    }
    fitFirstColumn();
}

bool FieldListPane::insertFeld(const QString& FldName, const QStringList& FldFields,
                               const QList<QSharedPointer<KLVQueryFieldMetaData>>& MetaData, bool FldIsExtra,
                               bool CheckField, bool SelectField, int Position)
{
    const int count = topLevelItemCount();
    if (Position <= 0 || Position > count + 1)
        Position = count + 1;
    const QString key = BuildFeldKey(FldName, FldFields.value(5), FldIsExtra);
    if (FldName.isEmpty() || row(key)) {
        tellNotInserted(FldName, FldFields);
        return false;
    }
    insertTopLevelItem(Position - 1, newRow(FldName, key, FldFields, shownFields(columns(), MetaData), CheckField));
    if (SelectField)
        setFieldVisible(Position);
    return true;
}

void FieldListPane::setFieldVisible(int FldIndex)
{
    QTreeWidgetItem* item = topLevelItem(FldIndex - 1);
    setFocus();
    if (!item)
        return;
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

bool FieldListPane::chooseColumns()
{
    storeColumnWidths();
    return SpaltenWahlForm::DefaultInstance()->SelectColumns(columns()) == SpaltenWahlForm::ResultOk;
}

void FieldListPane::resort(int column)
{
    if (column < 0) {
        // Checked rows first, each group in its order: every row taken out and put back once,
        // the current and the selected rows kept.
        ListViewHelpers::SetListViewSorting(this, false, -1, Qt::AscendingOrder);
        QTreeWidgetItem* current = currentItem();
        const QList<QTreeWidgetItem*> selected = selectedItems();
        QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
        std::stable_partition(items.begin(), items.end(),
                              [](const QTreeWidgetItem* item) { return item->checkState(0) == Qt::Checked; });
        addTopLevelItems(items);
        if (current)
            setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
        for (QTreeWidgetItem* item : selected)
            item->setSelected(true);
        if (topLevelItemCount() > 0)
            scrollToItem(topLevelItem(0));
    } else {
        SortListViewByColumn(this, column);
    }
    MemberCall::Invoke(App().MainForm, "SetFldListeSortColumn", {column});
}

void FieldListPane::setAllFieldsSelection(int Range, int Mode)
{
    for (int i = 1; i <= topLevelItemCount(); ++i) {
        if (QueryRules::FieldInRange(Range, rowTag(topLevelItem(i - 1))))
            setFieldSelection(i, Mode);
    }
}

void FieldListPane::setFieldSelection(int Index, int Mode)
{
    QTreeWidgetItem* item = topLevelItem(Index - 1);
    if (!item)
        return;
    const bool on = QueryRules::CheckedAfter(Mode, item->checkState(0) == Qt::Checked);
    item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

int FieldListPane::insertExtraFeld(const QString& ExtraFeldName, bool SelectField, int& Position, bool CheckField,
                                   bool tell)
{
    int result = NotInserted;
    const QSharedPointer<KLVQuery> tmp = m_context->tmpQuery;
    if (!tmp || ExtraFeldName.trimmed().isEmpty())
        return result;
    const QPointer<FieldListPane> self(this);
    m_context->tmpCollector->Reset();
    const bool ok = tmp->GetFieldNames(m_context->aktTableID, ExtraFeldName);
    if (!self)
        return result;
    if (ok && tmp->GetNextRecord() && tmp->GetField(2) != u"-") {
        if (!self)
            return result;
        static const QRegularExpression checkPrefix(u"^[01]:"_s);
        QString name = ExtraFeldName;
        if (checkPrefix.match(name).hasMatch())
            name = name.mid(2);
        if (insertFeld(name, tmp->GetFields(), metaDataOf(tmp), true, CheckField, SelectField, Position))
            result = Inserted;
    } else if (self && tell) {
        ShowMessageBox(GetMessageTextByNr(136) + u' ' + ExtraFeldName + CrLf +
                       m_context->tmpCollector->GetAllMessagesText(CrLf));
    }
    return result;
}

int FieldListPane::insertVerknFeld(const QString& name, bool SelectField, int& Position, bool CheckField)
{
    if (IsVerknFeld(name))
        return insertExtraFeld(name, SelectField, Position, CheckField);
    const QMessageBox::StandardButton answer =
        ShowMessageBox(GetMessageTextByNr(135) + u' ' + name, QMessageBox::Ok | QMessageBox::Cancel);
    return answer == QMessageBox::Ok ? NotInserted : Cancelled;
}

void FieldListPane::addExtraFeld(bool Manuell)
{
    if (m_context->aktTableName.isEmpty())
        return;
    const QPointer<FieldListPane> self(this);
    QString text;
    for (;;) {
        Q_EMIT statusPanelsCleared();
        if (Manuell)
            text =
                inputBox(this, GetMessageTextByNr(131) + CrLf + GetMessageTextByNr(132), GetMessageTextByNr(133), text);
        else
            text = showVerknAuswahlForm(nullptr);
        if (!self || text.isEmpty())
            return;
        int position = 0;
        if (insertExtraFeld(text, true, position, true) == Inserted || !self)
            return;
    }
}

void FieldListPane::changeExtraFeld(const QString& FldKey, bool Manuell)
{
    if (!IsExtraFeldKey(FldKey))
        return;
    const QPointer<FieldListPane> self(this);
    QTreeWidgetItem* item = row(FldKey);
    if (!item)
        return;
    const QString current = item->text(0);
    QString text = current;
    for (;;) {
        Q_EMIT statusPanelsCleared();
        if (Manuell || !IsVerknFeld(current))
            text = inputBox(this, GetMessageTextByNr(131), GetMessageTextByNr(134), text);
        else
            text = showVerknAuswahlForm(item);
        if (!self || text.isEmpty() || text == current)
            return;
        item = row(FldKey);
        if (!item)
            return;
        int position = indexOfTopLevelItem(item) + 1;
        if (insertExtraFeld(text, true, position, true) == Inserted) {
            if (self)
                deleteExtraFeld(FldKey);
            return;
        }
        if (!self)
            return;
    }
}

void FieldListPane::deleteExtraFeld(const QString& FldKey)
{
    if (!IsExtraFeldKey(FldKey))
        return;
    QTreeWidgetItem* item = row(FldKey);
    if (!item)
        return;
    int index = indexOfTopLevelItem(item) + 1;
    Q_EMIT fieldRemoving(FldKey);
    delete item;
    if (index > topLevelItemCount())
        index = topLevelItemCount();
    setFieldVisible(index);
}

QString FieldListPane::showVerknAuswahlForm(QTreeWidgetItem* FeldlisteItem)
{
    QString startField;
    QString startType;
    if (FeldlisteItem) {
        const QString type = QueryTag::Tag2Field(rowTag(FeldlisteItem), 5);
        if (IsVerknFeld(FeldlisteItem->text(0)) || KLVTools::DataTypeOf(type) == KLVActiveX::klvReference) {
            startField = FeldlisteItem->text(0);
            startType = type;
        }
    }
    VerknAuswahlForm* chooser = VerknAuswahlForm::DefaultInstance();
    bool ok = false;
    chooser->InitVerknInfo(QueryContext::session(), m_context->aktTableID, m_context->aktTableName, startField,
                           startType, ok);
    if (!ok)
        return QString();
    chooser->exec();
    return chooser->ErgebnisVerknFeld();
}

void FieldListPane::activateRow(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QString key = rowKey(item);
    if (IsVerknFeld(item->text(0)))
        changeExtraFeld(key, false);
    else if (IsExtraFeldKey(key))
        changeExtraFeld(key, true);
    else if (KLVTools::DataTypeOf(QueryTag::Tag2Field(rowTag(item), 5)) == KLVActiveX::klvReference)
        addExtraFeld(false);
    else
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void FieldListPane::updatePathEntries(const QTreeWidgetItem* item)
{
    const bool path = item && IsVerknFeld(item->text(0));
    FormSupport::setMainEntryEnabled(u"VerknAendernMenue"_s, path);
    FormSupport::setMainEntryEnabled(u"VerknEntfernenMenue"_s, path);
}

void FieldListPane::showContextMenu(const QPoint& globalPos)
{
    // The keyboard reaches the menu without a click on the row: its entries follow it too.
    updatePathEntries(selectedRow());
    if (QMenu* menu = FormSupport::mainMenu(u"FldListeMenue"_s))
        menu->popup(globalPos);
}
