#pragma once

#include <QString>
#include <QStringList>

class QAction;
class QMenu;
class QWidget;

// Saved queries: the main window keeps any number of named query settings per table, one
// INI file per table (SavedQuerySettings) in the saved-query directory, and brings them in
// and out of query windows (SavedQueryWindow). The main window offers these members under
// the same names to the windows that call them by name, and connects its three menus of saved
// queries here.
//
// The menus are found under the menu owner (the main window) by object name: the submenus
// "AbfrageLadenMenue", "TabAbfrageLadenMenue" and "AbfrageSpeichernMenue". Their entries are
// the arrays "AbfrageZuLadenMenue", "TabAbfrageZuLadenMenue" and "AbfrageZuSpeichernMenue":
// actions with that object name and their array index in the property "Index"; an entry
// that stands for a saved query carries the query's name as its data (its text is the name
// with "&" doubled, so Qt shows it as typed).
//   load arrays: index 0 saved query 1, index 1 the selection-template entry (shown only for
//                a template table), index i >= 2 saved query i;
//   save array:  index 0 "new name...", index i >= 1 saved query i.
// A triggered entry goes to MenuEntryTriggered with the active query window.
//
// Every member does nothing harmful when the window is null or lacks a member it uses.
class SavedQueryStore
{
public:
    static inline const char* const LoadMenuName = "AbfrageLadenMenue";
    static inline const char* const TabLoadMenuName = "TabAbfrageLadenMenue";
    static inline const char* const SaveMenuName = "AbfrageSpeichernMenue";
    static inline const char* const LoadEntryName = "AbfrageZuLadenMenue";
    static inline const char* const TabLoadEntryName = "TabAbfrageZuLadenMenue";
    static inline const char* const SaveEntryName = "AbfrageZuSpeichernMenue";

    // The table's file in the saved-query directory; "" when no directory is set.
    static QString GetQuerySettingsFile(const QString& table);

    // Writes the window's query as saved query name of the table. No table, a name that cannot
    // be a section, no saved-query directory or a failed write is told in a message box and
    // gives false; nothing is written then.
    static bool SaveQuerySettings(QWidget* window, const QString& table, const QString& name);

    // The table's saved queries in file order (element 0 is query 1); at least one name:
    // "Default" when the table has none.
    static QStringList GetTableQueries(const QString& table);

    // Loads saved query name into the window, or, for a template table whose "Default" has no
    // fields, the selection template templateRef (name then becomes "Default").
    static void GetQuerySettings(QWidget* window, const QString& table, const QString& templateRef, QString& name,
                                 bool byRowsDefault);
    // Applies section name of file to the window.
    static void GetQuerySettingsFromIniFile(const QString& file, QWidget* window, const QString& table,
                                            const QString& name, bool byRowsDefault);

    static void DeleteQuerySetting(const QString& table, const QString& name);

    // Before the window's query is left: when it differs from its stored form, saves it or
    // asks, as the viewer settings say. result is 1, or the answer 7 (No) or 2 (Cancel: the
    // caller does not go on).
    static void CheckQuerySettingsChanges(QWidget* window, int& result);

    // Rebuilds the three menus of saved queries under menuOwner for the table.
    static void FillTableQueries(QWidget* menuOwner, const QString& table);

    // The common load step of the load menus and the management dialog.
    static void LoadQueryIntoWindow(QWidget* window, const QString& name, bool templateEntry);

    // The management dialog (the top-level window "QueryListForm", or the one given): fills
    // it for the window's table, shows it modally and loads the chosen query.
    static void ShowQuerySettingsDlg(QWidget* window, QWidget* queryListForm = nullptr);

    // Save-menu entry index: 0 asks for a new name, i >= 1 saves under saved query i's name.
    // Then the menus are rebuilt and the window shows the name.
    static void SaveQueryFromMenu(QWidget* menuOwner, QWidget* window, const QAction* entry);

    // A triggered entry of one of the three arrays, for the active query window.
    static void MenuEntryTriggered(QWidget* menuOwner, QWidget* window, const QAction* entry);

    // An entry's array index (-1 when it has none) and the saved query it names.
    static int MenuIndex(const QAction* entry);
    static QString MenuQueryName(const QAction* entry);
};
