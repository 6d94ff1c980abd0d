#include "ChildWindowCommands.h"

#include "ListViewHelpers.h"
#include "MainMenus.h"
#include "MainModul.h"
#include "MemberCall.h"
#include "QueryForm.h"
#include "QueryTag.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

bool ChildWindowCommands::IsQueryForm(const QWidget* window)
{
    return window && window->objectName() == u"QueryForm";
}

bool ChildWindowCommands::IsInfosysForm(const QWidget* window)
{
    return window && window->objectName() == u"InfosysForm";
}

QTreeWidgetItem* ChildWindowCommands::SelectedItem(const QWidget* window, const QString& listName)
{
    const auto* list = window ? window->findChild<QTreeWidget*>(listName) : nullptr;
    if (!list)
        return nullptr;
    QTreeWidgetItem* item = list->currentItem();
    if (item && item->isSelected())
        return item;
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

QString ChildWindowCommands::TagField(const QTreeWidgetItem* item, int index)
{
    if (!item || index < 1)
        return QString();
    return item->data(0, ListViewHelpers::RowTagRole).toString().split(u'\t').value(index - 1);
}

QString ChildWindowCommands::FieldKey(const QTreeWidgetItem* item)
{
    return item ? item->data(0, QueryForm::RowKeyRole).toString() : QString();
}

void ChildWindowCommands::EnableExtraTableMenu(const QWidget* window, const MainMenus& menus)
{
    const QTreeWidgetItem* item = IsQueryForm(window) ? SelectedItem(window, u"TabellenListe"_s) : nullptr;
    const bool enable = item && !item->data(0, ListViewHelpers::RowTagRole).toString().isEmpty();
    for (const char16_t* name : {u"TabListeChangeTableNameMenue", u"TabListeRemoveTableMenue"}) {
        if (QAction* a = menus.action(QString::fromUtf16(name)))
            a->setEnabled(enable);
    }
}

void ChildWindowCommands::EnableFieldListMenu(const QWidget* window, const MainMenus& menus)
{
    const auto* list = window ? window->findChild<QTreeWidget*>(u"FeldListe"_s) : nullptr;
    const bool selected = SelectedItem(window, u"FeldListe"_s) != nullptr;
    const auto set = [&menus](const char16_t* name, bool on) {
        if (QAction* a = menus.action(QString::fromUtf16(name)))
            a->setEnabled(on);
    };
    if (!selected) {
        for (const char16_t* name :
             {u"VerknHinzufuegenMenue", u"VerknAendernMenue", u"VerknEntfernenMenue", u"FeldExpModusMenue"})
            set(name, false);
    } else {
        // Change and remove keep the state the query window gave them.
        set(u"VerknHinzufuegenMenue", true);
        set(u"FeldExpModusMenue", true);
    }
    set(u"FldListeSpaltenWaehlenMenue", list && list->topLevelItemCount() > 0);
}

void ChildWindowCommands::EnableDataListMenu(const QWidget* window, const MainMenus& menus)
{
    const auto* view = window ? window->findChild<QAbstractItemView*>(u"DatenListe"_s) : nullptr;
    const QAbstractItemModel* model = view ? view->model() : nullptr;
    const bool selected = view && view->selectionModel() && view->selectionModel()->hasSelection();
    const bool columns = model && model->columnCount() > 0;
    const bool rows = model && model->rowCount() > 0;
    const auto set = [&menus](const char16_t* name, bool on) {
        if (QAction* a = menus.action(QString::fromUtf16(name)))
            a->setEnabled(on);
    };
    set(u"DatensatzZeigenMenue", selected);
    set(u"DatensatzAendernMenue", selected);
    set(u"AbfrageSpeichernMenue", columns);
    set(u"DatenExportierenMenue", rows);
}

void ChildWindowCommands::SortTableList(QWidget* window, int entryIndex)
{
    if (IsQueryForm(window))
        MemberCall::Invoke(window, "ResortTabellenListe", {entryIndex - 1});
}

void ChildWindowCommands::BuildFieldListOfSelectedTable(QWidget* window)
{
    if (!IsQueryForm(window))
        return;
    const QTreeWidgetItem* item = SelectedItem(window, u"TabellenListe"_s);
    if (!item)
        return;
    // The table part comes from the table's record, as a double click on the row takes it: a
    // table without one must not open as if it had rows to select.
    MemberCall::Invoke(window, "BuildTableInfos",
                       {item->text(0), TagField(item, 3), QueryTag::ToBool(TagField(item, 11)), true});
}

void ChildWindowCommands::ShowKeyInfo(QWidget* window, const QString& keyName)
{
    if (!IsQueryForm(window))
        return;
    const QTreeWidgetItem* item = SelectedItem(window, u"TabellenListe"_s);
    if (!item)
        return;
    MemberCall::Invoke(window, "ShowSchluesselInfo", {item->text(0), TagField(item, 3), keyName});
}

void ChildWindowCommands::SortFieldList(QWidget* window, int entryIndex)
{
    if (IsQueryForm(window))
        MemberCall::Invoke(window, "ResortFeldListe", {entryIndex - 1});
}

void ChildWindowCommands::AddLinkField(QWidget* window)
{
    if (IsQueryForm(window))
        MemberCall::Invoke(window, "AddExtraFeld", {false});
}

void ChildWindowCommands::ChangeLinkField(QWidget* window)
{
    const QTreeWidgetItem* item = IsQueryForm(window) ? SelectedItem(window, u"FeldListe"_s) : nullptr;
    if (item)
        MemberCall::Invoke(window, "ChangeExtraFeld", {FieldKey(item), false});
}

void ChildWindowCommands::RemoveLinkField(QWidget* window)
{
    const QTreeWidgetItem* item = IsQueryForm(window) ? SelectedItem(window, u"FeldListe"_s) : nullptr;
    if (item)
        MemberCall::Invoke(window, "DeleteExtraFeld", {FieldKey(item)});
}

void ChildWindowCommands::ExpressionField(QWidget* window)
{
    const QTreeWidgetItem* item = IsQueryForm(window) ? SelectedItem(window, u"FeldListe"_s) : nullptr;
    if (!item)
        return;
    if (MainModul::IsVerknFeld(item->text(0)))
        MemberCall::Invoke(window, "ChangeExtraFeld", {FieldKey(item), true});
    else
        MemberCall::Invoke(window, "AddExtraFeld", {true});
}

void ChildWindowCommands::SetActiveFieldsSelection(QWidget* window, int scope, int action)
{
    if (IsQueryForm(window))
        MemberCall::Invoke(window, "SetAllFieldsSelection", {scope, action});
}

void ChildWindowCommands::RunSelectedInfosys(QWidget* window)
{
    if (const QTreeWidgetItem* item = SelectedItem(window, u"InfosysListe"_s))
        MainModul::RunInfosysInGui(item->text(0));
}

void ChildWindowCommands::ViewSelectedInfosys(QWidget* catalogue)
{
    if (const QTreeWidgetItem* item = SelectedItem(catalogue, u"InfosysListe"_s))
        MainModul::ViewInfosysInGui(item->text(0));
}

bool ChildWindowCommands::OpenSelectedInfosys(QWidget* window, QWidget* infosysWindow)
{
    const QTreeWidgetItem* item = SelectedItem(window, u"InfosysListe"_s);
    if (!item || !infosysWindow)
        return false;
    // The catalogue keeps each row's record in its tag (number, search word, description are
    // its fields 2, 3 and 7), whichever columns it shows; a row without one gives its columns.
    const bool record = !item->data(0, ListViewHelpers::RowTagRole).toString().isEmpty();
    const QString number = record ? TagField(item, 2) : item->text(1);
    const QString searchWord = record ? TagField(item, 3) : item->text(2);
    const QString description = record ? TagField(item, 7) : item->text(6);
    MemberCall::Invoke(infosysWindow, "InitControls");
    MemberCall::Invoke(infosysWindow, "BuildInfosysInfos", {number, searchWord, description});
    return true;
}
