#pragma once

#include <QString>

class MainMenus;
class QTreeWidgetItem;
class QWidget;

// What the entries of the pop-up menus do to the active child window. Every entry calls a
// member of the window by name; entries meant for a query window first make sure the window
// is one ("QueryForm"). A window without the member, no window at all or a list without the
// selected row an entry needs leave the entry without effect: nothing is called, nothing
// breaks.
class ChildWindowCommands
{
public:
    static bool IsQueryForm(const QWidget* window);
    static bool IsInfosysForm(const QWidget* window);

    // The selected row of the window's list of that name; null when there is none.
    static QTreeWidgetItem* SelectedItem(const QWidget* window, const QString& listName);
    // Field index (from 1) of a row's tag: its fields are joined by TAB.
    static QString TagField(const QTreeWidgetItem* item, int index);
    // A field-list row's key ("name#0#S").
    static QString FieldKey(const QTreeWidgetItem* item);

    // Enabling rules, run when the menu opens.
    // Extra tables: rename and remove only for a selected table row with a tag.
    static void EnableExtraTableMenu(const QWidget* window, const MainMenus& menus);
    // Field list: the reference-path entries need a selected field; the column chooser a field.
    static void EnableFieldListMenu(const QWidget* window, const MainMenus& menus);
    // Result list: record entries need a selected row, saving a column, export a row.
    static void EnableDataListMenu(const QWidget* window, const MainMenus& menus);

    // Table list.
    static void SortTableList(QWidget* window, int entryIndex);
    static void BuildFieldListOfSelectedTable(QWidget* window);
    static void ShowKeyInfo(QWidget* window, const QString& keyName);
    // Field list.
    static void SortFieldList(QWidget* window, int entryIndex);
    static void AddLinkField(QWidget* window);
    static void ChangeLinkField(QWidget* window);
    static void RemoveLinkField(QWidget* window);
    static void ExpressionField(QWidget* window);
    static void SetActiveFieldsSelection(QWidget* window, int scope, int action);
    // Information systems.
    static void RunSelectedInfosys(QWidget* window);
    static void ViewSelectedInfosys(QWidget* catalogue);
    // Opens infosysWindow for the row selected in window's InfosysListe; false when none.
    static bool OpenSelectedInfosys(QWidget* window, QWidget* infosysWindow);
};
