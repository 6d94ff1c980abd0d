#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class MenuArray;
class QAction;
class QMainWindow;
class QMenu;

// Every menu of the program belongs to the main window: its menu bar and the pop-up menus
// that the child windows show over their lists. Each entry is a QAction whose object name is
// the entry's name (a submenu is a QMenu of that name, and its own action carries the name
// too); captions are message numbers until the window is localised.
//
// Menus the child windows pop up, found by object name on the main window:
//   "TabListeMenue", "FldListeMenue", "DatenlisteMenue" (also in the menu bar), "InfosysMenue",
//   "InfosysListeContextMenue", "UniversalContextMenue".
// Arrays of entries that the query window fills (MenuArray menus, never opened themselves):
//   "TabListeSortByFeldMenue" (from index 1; shown in "TabListeSortierenMenue"),
//   "FldListeSortByFeldMenue" (from 1; shown in "FldListeSortierenMenue" behind
//   "FldListeSortBySelectedMenue"), "TabListeKeyInfosMenue" (from 1; shown in
//   "TabListeShowKKeyInfosMenue"). Such a menu serves as the captionMenu of
//   BuildListViewColumns.
// The saved-query arrays "AbfrageZuLadenMenue", "TabAbfrageZuLadenMenue" and
// "AbfrageZuSpeichernMenue" are actions in the submenus "AbfrageLadenMenue",
// "TabAbfrageLadenMenue" and "AbfrageSpeichernMenue", their index in the property "Index".
class MainMenus
{
public:
    // Builds the menus on window (parented to it).
    explicit MainMenus(QMainWindow* window);

    // The entry of that name (a submenu's own action for a submenu); null when there is none.
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;
    MenuArray* array(const QString& name) const;

    // Every named entry, in design order.
    QStringList names() const { return m_order; }

private:
    QMenu* addMenu(QMenu* parent, const QString& name, const QString& caption);
    QAction* addEntry(QMenu* parent, const QString& name, const QString& caption);
    QAction* addArrayEntry(QMenu* parent, const QString& name, int index, const QString& caption);
    MenuArray* addArray(QMenu* shownIn, const QString& name, const QString& firstCaption);

    QMainWindow* m_window;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, MenuArray*> m_arrays;
    QStringList m_order;
};
