#include "QueryExportHandoff.h"

#include "FieldListPane.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "QueryTag.h"
#include "ResultListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgNoFields = 139;

QString rowTag(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ListViewHelpers::RowTagRole).toString() : QString();
}

QString rowKey(const QTreeWidgetItem* item)
{
    return item ? item->data(0, FieldListPane::RowKeyRole).toString() : QString();
}

template <class T>
T* find(QWidget* window, const QString& name)
{
    return window ? window->findChild<T*>(name) : nullptr;
}

QTreeWidgetItem* selectedRow(QTreeWidget* list)
{
    if (!list)
        return nullptr;
    QTreeWidgetItem* item = list->currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

} // namespace

QueryExportSource QueryExportSource::FromWindow(QWidget* window)
{
    QueryExportSource source;
    source.window = window;
    source.fieldList = find<QTreeWidget>(window, u"FeldListe"_s);
    source.resultList = find<ResultListView>(window, u"DatenListe"_s);
    source.tableRow = selectedRow(find<QTreeWidget>(window, u"TabellenListe"_s));
    if (window) {
        source.tableName = window->property("AktTableName").toString();
        source.tableId = window->property("AktTableID").toString();
    }
    if (auto* box = find<QLineEdit>(window, u"Kriterien"_s))
        source.criteria = box->text();
    if (auto* box = find<QLineEdit>(window, u"Sortierung"_s))
        source.order = box->text();
    if (auto* box = find<QComboBox>(window, u"Schluessel"_s))
        source.key = box->currentText();
    if (auto* box = find<QComboBox>(window, u"Ablageart"_s)) {
        source.storageKindText = box->currentText();
        bool isNumber = false;
        const int kind = box->currentData().toInt(&isNumber);
        if (isNumber)
            source.storageKind = kind;
    }
    if (auto* button = find<QRadioButton>(window, u"UNDVerknuepfung"_s))
        source.andJunction = button->isChecked();
    if (auto* button = find<QRadioButton>(window, u"Aufsteigend"_s))
        source.ascending = button->isChecked();
    if (auto* box = find<QCheckBox>(window, u"ZeilenSelektion"_s))
        source.byRows = box->isChecked();
    return source;
}

ExportRequest::Field QueryExportHandoff::QueryFld2ExportFld(const QTreeWidgetItem* fieldItem)
{
    ExportRequest::Field field;
    if (!fieldItem)
        return field;
    const QString tag = rowTag(fieldItem);
    field.key = rowKey(fieldItem);
    field.caption = ViewerFlag(u"ColumnHeadersDesc"_s, ViewerConfig::Key::ColHeadersDesc) ? QueryTag::Tag2Field(tag, 4)
                                                                                          : fieldItem->text(0);
    field.tablePart = QueryTag::ToBool(QueryTag::Tag2Field(tag, 6));
    field.tag = QueryTag::FieldTag2QueryFldName(tag);
    field.typeCode = QueryTag::Tag2Field(tag, 5);
    return field;
}

ExportDialog* QueryExportHandoff::ShowExportDialog(const QueryExportSource& source, int ExportType, bool RowsFromCaller)
{
    if (!source.fieldList || source.fieldList->topLevelItemCount() == 0) {
        ShowMessageBox(GetMessageTextByNr(MsgNoFields));
        return nullptr;
    }
    ExportRequest request;
    request.exportType = ExportType;
    request.caption = source.tableRow ? source.tableRow->text(0) : source.tableName;
    request.tableId = source.tableRow ? QueryTag::Tag2Field(rowTag(source.tableRow), 3) : source.tableId;
    request.caller = source.window;
    request.rowsFromCaller = RowsFromCaller;
    request.rowCount = RowsFromCaller && source.resultList ? source.resultList->rowCount() : 0;
    request.criteria = source.criteria;
    request.andJunction = source.andJunction;
    request.byRows = source.byRows;
    request.order = source.order;
    request.key = source.key;
    request.storageKindText = source.storageKindText;
    request.storageKind = source.storageKind;
    request.ascending = source.ascending;

    if (RowsFromCaller) {
        // The field list's rows by key (the first of a key), found once per column.
        QHash<QString, const QTreeWidgetItem*> fieldRows;
        for (int i = 0; i < source.fieldList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = source.fieldList->topLevelItem(i);
            if (const QString key = rowKey(row); !fieldRows.contains(key))
                fieldRows.insert(key, row);
        }
        // The columns as the user sees them, in the order they were dragged into.
        ResultListView* list = source.resultList;
        const int columns = list ? list->columnCount() : 0;
        for (int position = 0; position < columns; ++position) {
            const int column = list->columnAtPosition(position);
            const QString key = list->columnKey(column);
            const QString tag = rowTag(fieldRows.value(key));
            ExportRequest::Field field;
            field.key = key;
            field.caption = list->columnCaption(column);
            field.tablePart = QueryTag::ToBool(QueryTag::Tag2Field(tag, 6));
            field.tag = list->columnTag(column);
            field.typeCode = QueryTag::Tag2Field(tag, 5);
            request.fields.append(field);
        }
    } else {
        for (int i = 0; i < source.fieldList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* field = source.fieldList->topLevelItem(i);
            if (field->checkState(0) == Qt::Checked)
                request.fields.append(QueryFld2ExportFld(field));
        }
        // No field chosen: every field is exported.
        if (request.fields.isEmpty()) {
            for (int i = 0; i < source.fieldList->topLevelItemCount(); ++i)
                request.fields.append(QueryFld2ExportFld(source.fieldList->topLevelItem(i)));
        }
    }
    return ExportRequest::Open(request);
}
