#include "MainMenus.h"

#include "MenuArray.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

// Until the storage fills them, the entries of saved query 1 stand for the name a table
// without saved queries lists.
const QString firstQueryPlaceholder = u"Default"_s;

} // namespace

MainMenus::MainMenus(QMainWindow* window) : m_window(window)
{
    QMenuBar* bar = window->menuBar();
    bar->setObjectName(u"MenuBar"_s);

    // File: connection, settings, export, end.
    QMenu* file = addMenu(nullptr, u"DateiMenue"_s, u"700"_s);
    addEntry(file, u"NeueVerbindungMenue"_s, u"701"_s);
    file->addSeparator();
    addEntry(file, u"KLVSettingsMenue"_s, u"702"_s);
    addEntry(file, u"ViewerSettingsMenue"_s, u"703"_s);
    file->addSeparator();
    QMenu* exportMenu = addMenu(file, u"ExportMenue"_s, u"704"_s);
    addEntry(exportMenu, u"ExportDateiMenue"_s, u"705"_s);
    addEntry(exportMenu, u"ExportExcelMenue"_s, u"706"_s);
    addEntry(exportMenu, u"ExportDBMenue"_s, u"707"_s);
    addEntry(exportMenu, u"ExportXMLMenue"_s, u"708"_s);
    addEntry(exportMenu, u"ExportHTMLMenue"_s, u"709"_s);
    file->addSeparator();
    addEntry(file, u"BeendenMenue"_s, u"710"_s);

    // The read-only information windows.
    QMenu* info = addMenu(nullptr, u"InfoMenue"_s, u"715"_s);
    addEntry(info, u"DBInfoMenue"_s, u"716"_s);
    addEntry(info, u"InfosystemInfoMenue"_s, u"717"_s);
    addEntry(info, u"AufzInfoMenue"_s, u"718"_s);
    addEntry(info, u"VerwInfoMenue"_s, u"719"_s);
    addEntry(info, u"MeldungsInfoMenue"_s, u"720"_s);
    addEntry(info, u"MandInfoMenue"_s, u"721"_s);

    // Table list of the query window.
    QMenu* tab = addMenu(nullptr, u"TabListeMenue"_s, u"807"_s);
    addEntry(tab, u"TabListeNeuMenue"_s, u"808"_s);
    QMenu* extra = addMenu(tab, u"TabListeExtraTableMenue"_s, u"870"_s);
    addEntry(extra, u"TabListeAddTableMenue"_s, u"871"_s);
    addEntry(extra, u"TabListeChangeTableNameMenue"_s, u"872"_s);
    addEntry(extra, u"TabListeRemoveTableMenue"_s, u"873"_s);
    addEntry(tab, u"TabListeSpaltenWaehlenMenue"_s, u"887"_s);
    QMenu* tabSort = addMenu(tab, u"TabListeSortierenMenue"_s, u"809"_s);
    addArray(tabSort, u"TabListeSortByFeldMenue"_s, u"812"_s);
    addEntry(tab, u"TabListeBuildFldListeMenue"_s, u"810"_s);
    QMenu* keys = addMenu(tab, u"TabListeShowKKeyInfosMenue"_s, u"811"_s);
    addArray(keys, u"TabListeKeyInfosMenue"_s, u"853"_s)->entry(1)->setEnabled(false);
    QMenu* tabLoad = addMenu(tab, u"TabAbfrageLadenMenue"_s, u"857"_s);
    addArrayEntry(tabLoad, u"TabAbfrageZuLadenMenue"_s, 0, firstQueryPlaceholder);
    addArrayEntry(tabLoad, u"TabAbfrageZuLadenMenue"_s, 1, u"864"_s);
    addEntry(tab, u"TabAbfragenVerwaltenMenue"_s, u"862"_s);

    // Field list of the query window.
    QMenu* fld = addMenu(nullptr, u"FldListeMenue"_s, u"815"_s);
    addEntry(fld, u"FldListeNeuMenue"_s, u"816"_s);
    fld->addSeparator();
    addEntry(fld, u"FldListeSpaltenWaehlenMenue"_s, u"887"_s);
    QMenu* fldSort = addMenu(fld, u"FldListeSortierenMenue"_s, u"809"_s);
    addEntry(fldSort, u"FldListeSortBySelectedMenue"_s, u"829"_s);
    addArray(fldSort, u"FldListeSortByFeldMenue"_s, u"830"_s);
    fld->addSeparator();
    addEntry(fld, u"VerknHinzufuegenMenue"_s, u"817"_s)->setEnabled(false);
    addEntry(fld, u"VerknAendernMenue"_s, u"818"_s)->setEnabled(false);
    addEntry(fld, u"VerknEntfernenMenue"_s, u"819"_s)->setEnabled(false);
    addEntry(fld, u"FeldExpModusMenue"_s, u"866"_s);
    fld->addSeparator();
    addEntry(fld, u"FldListeSelectAllMenue"_s, u"820"_s);
    addEntry(fld, u"FldListeSelectAllHeadMenue"_s, u"821"_s);
    addEntry(fld, u"FldListeSelectAllTabMenue"_s, u"822"_s);
    addEntry(fld, u"FldListeSelectAllSkipMenue"_s, u"823"_s);
    fld->addSeparator();
    addEntry(fld, u"FldListeSelectNoneMenue"_s, u"824"_s);
    addEntry(fld, u"FldListeSelectNoHeadMenue"_s, u"825"_s);
    addEntry(fld, u"FldListeSelectNoTabMenue"_s, u"826"_s);
    addEntry(fld, u"FldListeSelectNoSkipMenue"_s, u"827"_s);
    fld->addSeparator();
    addEntry(fld, u"FldListeInvertSelMenue"_s, u"828"_s);

    // Result list of the query window.
    QMenu* data = addMenu(nullptr, u"DatenlisteMenue"_s, u"854"_s);
    QMenu* load = addMenu(data, u"AbfrageLadenMenue"_s, u"857"_s);
    addArrayEntry(load, u"AbfrageZuLadenMenue"_s, 0, firstQueryPlaceholder);
    addArrayEntry(load, u"AbfrageZuLadenMenue"_s, 1, u"864"_s);
    QMenu* save = addMenu(data, u"AbfrageSpeichernMenue"_s, u"856"_s);
    addArrayEntry(save, u"AbfrageZuSpeichernMenue"_s, 0, u"858"_s);
    addArrayEntry(save, u"AbfrageZuSpeichernMenue"_s, 1, firstQueryPlaceholder);
    addEntry(data, u"AbfragenVerwaltenMenue"_s, u"862"_s);
    data->addSeparator();
    addEntry(data, u"DatensatzZeigenMenue"_s, u"859"_s);
    addEntry(data, u"DatensatzAendernMenue"_s, u"865"_s);
    data->addSeparator();
    QMenu* dataExport = addMenu(data, u"DatenExportierenMenue"_s, u"855"_s);
    addEntry(dataExport, u"DatenExportierenDateiMenue"_s, u"836"_s);
    addEntry(dataExport, u"DatenExportierenExcelMenue"_s, u"837"_s);
    addEntry(dataExport, u"DatenExportierenDBMenue"_s, u"838"_s);
    addEntry(dataExport, u"DatenExportierenXMLMenue"_s, u"868"_s);
    addEntry(dataExport, u"DatenExportierenHTMLMenue"_s, u"869"_s);
    data->addSeparator();
    addEntry(data, u"SortWieFeldlisteMenue"_s, u"863"_s);
    data->addSeparator();
    addEntry(data, u"DatenListeAbfrageStringMenue"_s, u"886"_s);

    // The information-system window's menu: hidden in the bar, popped up by that window.
    QMenu* infosys = addMenu(nullptr, u"InfosysMenue"_s, u"875"_s);
    infosys->menuAction()->setVisible(false);
    infosys->menuAction()->setEnabled(false);
    QMenu* head = addMenu(infosys, u"InfosysKopffelderMenue"_s, u"877"_s);
    addEntry(head, u"InfosysKFNeuAufbauenMenue"_s, u"883"_s);
    QMenu* rows = addMenu(infosys, u"InfosysDatenlisteMenue"_s, u"878"_s);
    addEntry(rows, u"InfosysDLFeldNeuMenue"_s, u"884"_s);
    addEntry(rows, u"InfosysDLFeldLoeschenMenue"_s, u"885"_s);

    // Arrangement of the child windows.
    QMenu* windows = addMenu(nullptr, u"FensterMenue"_s, u"722"_s);
    addEntry(windows, u"NeuesQueryFensterMenue"_s, u"723"_s);
    windows->addSeparator();
    addEntry(windows, u"FensterUeberlappendAnordnenMenue"_s, u"724"_s);
    addEntry(windows, u"FensterHorizontalAnordnenMenue"_s, u"725"_s);
    addEntry(windows, u"FensterVertikalAnordnenMenue"_s, u"726"_s);
    windows->addSeparator();
    addEntry(windows, u"FensterSchliessenMenue"_s, u"727"_s);

    QMenu* help = addMenu(nullptr, u"HilfeMenue"_s, u"850"_s);
    addEntry(help, u"ViewerHilfeMenue"_s, u"851"_s);
    addEntry(help, u"UeberMenue"_s, u"852"_s);

    // Pop-up menus of the information windows' lists; never in the bar.
    QMenu* infosysList = new QMenu(window);
    infosysList->setObjectName(u"InfosysListeContextMenue"_s);
    infosysList->menuAction()->setObjectName(infosysList->objectName());
    m_menus.insert(infosysList->objectName(), infosysList);
    m_actions.insert(infosysList->objectName(), infosysList->menuAction());
    m_order.append(infosysList->objectName());
    addEntry(infosysList, u"ShowInfosysFormMenue"_s, u"892"_s)->setVisible(false);
    addEntry(infosysList, u"RunInfosystemMenue"_s, u"890"_s);
    addEntry(infosysList, u"ViewInfosystemMenue"_s, u"891"_s);
    infosysList->addSeparator();
    addEntry(infosysList, u"InfosysListeSpaltenWaehlenMenue"_s, u"887"_s);

    QMenu* universal = new QMenu(window);
    universal->setObjectName(u"UniversalContextMenue"_s);
    universal->menuAction()->setObjectName(universal->objectName());
    m_menus.insert(universal->objectName(), universal);
    m_actions.insert(universal->objectName(), universal->menuAction());
    m_order.append(universal->objectName());
    addEntry(universal, u"UniversalSpaltenWaehlenMenue"_s, u"887"_s);
}

QMenu* MainMenus::addMenu(QMenu* parent, const QString& name, const QString& caption)
{
    QMenu* menu = new QMenu(caption, m_window);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    if (parent)
        parent->addMenu(menu);
    else
        m_window->menuBar()->addMenu(menu);
    m_menus.insert(name, menu);
    m_actions.insert(name, menu->menuAction());
    m_order.append(name);
    return menu;
}

QAction* MainMenus::addEntry(QMenu* parent, const QString& name, const QString& caption)
{
    QAction* a = new QAction(caption, m_window);
    a->setObjectName(name);
    parent->addAction(a);
    m_actions.insert(name, a);
    m_order.append(name);
    return a;
}

QAction* MainMenus::addArrayEntry(QMenu* parent, const QString& name, int index, const QString& caption)
{
    QAction* a = new QAction(caption, parent);
    a->setObjectName(name);
    a->setProperty("Index", index);
    parent->addAction(a);
    return a;
}

MenuArray* MainMenus::addArray(QMenu* shownIn, const QString& name, const QString& firstCaption)
{
    auto* array = new MenuArray(name, 1, m_window);
    array->addEntry(1, firstCaption);
    array->attach(shownIn);
    array->showIn();
    m_arrays.insert(name, array);
    return array;
}

QAction* MainMenus::action(const QString& name) const
{
    return m_actions.value(name);
}

QMenu* MainMenus::menu(const QString& name) const
{
    return m_menus.value(name);
}

MenuArray* MainMenus::array(const QString& name) const
{
    return m_arrays.value(name);
}
