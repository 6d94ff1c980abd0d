#include "QueryExportHandoff.h"

#include "ExportDialog.h"
#include "MainModul.h"
#include "QueryTag.h"
#include "ResultListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

constexpr int MsgNoFields = 139;
constexpr int MsgExportRunning = 281;

QString rowTag(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ExportDialog::FieldTagRole).toString() : QString();
}

QString rowKey(const QTreeWidgetItem* item)
{
    return item ? item->data(0, ExportDialog::FieldKeyRole).toString() : QString();
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

void QueryExportHandoff::QueryFld2ExportFld(const QTreeWidgetItem* fieldItem, QTreeWidget* exportList)
{
    if (!fieldItem || !exportList)
        return;
    const QString tag = rowTag(fieldItem);
    const QString caption = ViewerFlag(u"ColumnHeadersDesc"_s, ViewerConfig::Key::ColHeadersDesc)
                                ? QueryTag::Tag2Field(tag, 4)
                                : fieldItem->text(0);
    ExportDialog::AddExportField(exportList, rowKey(fieldItem), caption,
                                 Bool2ErpText(QueryTag::ToBool(QueryTag::Tag2Field(tag, 6))),
                                 QueryTag::FieldTag2QueryFldName(tag));
}

ExportDialog* QueryExportHandoff::ShowExportDialog(const QueryExportSource& source, int ExportType, bool RowsFromCaller)
{
    if (!source.fieldList || source.fieldList->topLevelItemCount() == 0) {
        ShowMessageBox(GetMessageTextByNr(MsgNoFields));
        return nullptr;
    }
    if (ExportDialog::IsExportRunning()) {
        ShowMessageBox(GetMessageTextByNr(MsgExportRunning));
        return nullptr;
    }
    const int rowCount = RowsFromCaller && source.resultList ? source.resultList->rowCount() : 0;
    const QString caption = source.tableRow ? source.tableRow->text(0) : source.tableName;
    const QString tableId = source.tableRow ? QueryTag::Tag2Field(rowTag(source.tableRow), 3) : source.tableId;

    ExportDialog* dialog = ExportDialog::DefaultInstance();
    dialog->SetExportProperties(caption, tableId, ExportType, RowsFromCaller, source.window, rowCount);

    const auto setText = [dialog](const QString& name, const QString& text) {
        if (auto* box = dialog->findChild<QLineEdit*>(name))
            box->setText(text);
    };
    const auto setChecked = [dialog](const QString& name, bool on) {
        if (auto* button = dialog->findChild<QAbstractButton*>(name))
            button->setChecked(on);
    };
    setText(u"Bedingungen"_s, source.criteria);
    setChecked(u"UNDVerknuepfung"_s, source.andJunction);
    setChecked(u"ODERVerknuepfung"_s, !source.andJunction);
    setChecked(u"ZeilenSelektion"_s, source.byRows);
    setText(u"Sortierung"_s, source.order);
    setText(u"Schluessel"_s, source.key);
    setText(u"AblageartText"_s, source.storageKindText);
    dialog->setExportAliveFlag(source.storageKind);
    setChecked(u"Aufsteigend"_s, source.ascending);
    setChecked(u"Absteigend"_s, !source.ascending);

    QTreeWidget* exportList = dialog->feldListe();
    exportList->clear();
    if (RowsFromCaller) {
        // The columns as the user sees them, in the order they were dragged into.
        ResultListView* list = source.resultList;
        const int columns = list ? list->columnCount() : 0;
        for (int position = 0; position < columns; ++position) {
            const int column = list->columnAtPosition(position);
            const QString key = list->columnKey(column);
            const QTreeWidgetItem* field = nullptr;
            for (int i = 0; i < source.fieldList->topLevelItemCount() && !field; ++i) {
                if (rowKey(source.fieldList->topLevelItem(i)) == key)
                    field = source.fieldList->topLevelItem(i);
            }
            ExportDialog::AddExportField(exportList, key, list->columnCaption(column),
                                         Bool2ErpText(QueryTag::ToBool(QueryTag::Tag2Field(rowTag(field), 6))),
                                         list->columnTag(column));
        }
    } else {
        for (int i = 0; i < source.fieldList->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* field = source.fieldList->topLevelItem(i);
            if (field->checkState(0) == Qt::Checked)
                QueryFld2ExportFld(field, exportList);
        }
        // No field chosen: every field is exported.
        if (exportList->topLevelItemCount() == 0) {
            for (int i = 0; i < source.fieldList->topLevelItemCount(); ++i)
                QueryFld2ExportFld(source.fieldList->topLevelItem(i), exportList);
        }
    }
    dialog->SetExportFldListe(source.fieldList);

    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
