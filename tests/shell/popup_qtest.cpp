// The pop-up menus' entries on the active child window: what each calls, with which
// arguments, the rules that enable entries when a menu opens, entries that meet a window
// without the member or without a selected row, and the information-system entries.
#include "ChildWindowCommands.h"
#include "InfosysForm.h"
#include "KLVViewerWindow.h"
#include "ListViewHelpers.h"
#include "MainMenus.h"
#include "MainModul.h"
#include "MenuArray.h"
#include "QueryForm.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

QTreeWidget* list(QWidget* parent, const QString& name)
{
    auto* view = new QTreeWidget(parent);
    view->setObjectName(name);
    view->setColumnCount(7);
    return view;
}

// A query window that records every member the menus call, with its arguments.
class RecordingQueryForm : public QWidget
{
    Q_OBJECT
public:
    RecordingQueryForm()
    {
        setObjectName(u"QueryForm"_s);
        tables = list(this, u"TabellenListe"_s);
        fields = list(this, u"FeldListe"_s);
        data = list(this, u"DatenListe"_s);
    }
    QTreeWidget* tables;
    QTreeWidget* fields;
    QTreeWidget* data;
    QStringList calls;

    void record(const QString& name, const QStringList& args = {})
    {
        calls.append(name + u'(' + args.join(u',') + u')');
    }
    static QString b(bool v) { return v ? u"true"_s : u"false"_s; }

    Q_INVOKABLE bool FillTabellenListe()
    {
        record(u"FillTabellenListe"_s);
        return true;
    }
    Q_INVOKABLE void AddExtraTable() { record(u"AddExtraTable"_s); }
    Q_INVOKABLE void ChangeTableName() { record(u"ChangeTableName"_s); }
    Q_INVOKABLE void RemoveExtraTable() { record(u"RemoveExtraTable"_s); }
    Q_INVOKABLE void SelectTableColumns() { record(u"SelectTableColumns"_s); }
    Q_INVOKABLE void SelectFieldColumns() { record(u"SelectFieldColumns"_s); }
    // The real window takes the column by reference.
    Q_INVOKABLE void ResortTabellenListe(int& column) { record(u"ResortTabellenListe"_s, {QString::number(column)}); }
    Q_INVOKABLE void ResortFeldListe(int column) { record(u"ResortFeldListe"_s, {QString::number(column)}); }
    Q_INVOKABLE void BuildTableInfos(const QString& name, const QString& id, bool hasTable, bool focus)
    {
        record(u"BuildTableInfos"_s, {name, id, b(hasTable), b(focus)});
    }
    Q_INVOKABLE void ShowSchluesselInfo(const QString& table, const QString& id, const QString& key)
    {
        record(u"ShowSchluesselInfo"_s, {table, id, key});
    }
    Q_INVOKABLE void FillFeldListe(bool flag) { record(u"FillFeldListe"_s, {b(flag)}); }
    Q_INVOKABLE void AddExtraFeld(bool expression) { record(u"AddExtraFeld"_s, {b(expression)}); }
    Q_INVOKABLE void ChangeExtraFeld(const QString& key, bool expression)
    {
        record(u"ChangeExtraFeld"_s, {key, b(expression)});
    }
    Q_INVOKABLE void DeleteExtraFeld(const QString& key) { record(u"DeleteExtraFeld"_s, {key}); }
    Q_INVOKABLE void SetAllFieldsSelection(int scope, int action)
    {
        record(u"SetAllFieldsSelection"_s, {QString::number(scope), QString::number(action)});
    }
    Q_INVOKABLE void GUIOeffnen(bool edit) { record(u"GUIOeffnen"_s, {b(edit)}); }
    Q_INVOKABLE void ResortDataColumns() { record(u"ResortDataColumns"_s); }
    Q_INVOKABLE void ShowQueryStringWindow() { record(u"ShowQueryStringWindow"_s); }

    QTreeWidgetItem* addTable(const QString& text, const QString& tag)
    {
        auto* item = new QTreeWidgetItem(tables, {text});
        item->setData(0, ListViewHelpers::RowTagRole, tag);
        return item;
    }
    QTreeWidgetItem* addField(const QString& name, const QString& key)
    {
        auto* item = new QTreeWidgetItem(fields, {name});
        item->setData(0, QueryForm::RowKeyRole, key);
        return item;
    }
};

// An information-system window that records its rebuild.
class RecordingInfosysForm : public QWidget
{
    Q_OBJECT
public:
    RecordingInfosysForm() { setObjectName(u"InfosysForm"_s); }
    int rebuilt = 0;
    Q_INVOKABLE void BuildAktInfosysInfos() { ++rebuilt; }
};

// A catalogue of information systems: its list "InfosysListe" with one row.
class Catalogue : public QWidget
{
    Q_OBJECT
public:
    Catalogue()
    {
        setObjectName(u"InfosysInfoForm"_s);
        infosysList = list(this, u"InfosysListe"_s);
        row = new QTreeWidgetItem(infosysList, {u"UMSATZ"_s, u"3"_s, u"UMS"_s, u""_s, u""_s, u""_s, u"Turnover"_s});
    }
    QTreeWidget* infosysList;
    QTreeWidgetItem* row;
    int columnsChosen = 0;
    Q_INVOKABLE void SelectColumns() { ++columnsChosen; }
};

} // namespace

class PopupTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KLVViewerWindow> window;
    QPointer<RecordingQueryForm> query;

    void trigger(const QString& name) { window->menus().action(name)->trigger(); }
    // Opens the menu as a popup (its entries are set up then) and closes it again.
    void open(const QString& menuName) { openAndClose(window->menus().menu(menuName)); }
    static void openAndClose(QMenu* menu)
    {
        menu->popup(QPoint(0, 0));
        menu->hide();
    }
    bool enabled(const QString& name) { return window->menus().action(name)->isEnabled(); }

    QMdiSubWindow* addChild(QWidget* child)
    {
        QMdiSubWindow* sub = window->mdiArea()->addSubWindow(child);
        sub->show();
        window->mdiArea()->setActiveSubWindow(sub);
        return sub;
    }

private Q_SLOTS:
    void initTestCase() { loadTexts(); }

    void init()
    {
        clearSettings();
        window = std::make_unique<KLVViewerWindow>();
        window->show();
        query = new RecordingQueryForm;
        addChild(query);
    }

    void cleanup() { window.reset(); }

    void theTableListEntriesCallTheWindow()
    {
        trigger(u"TabListeNeuMenue"_s);
        trigger(u"TabListeAddTableMenue"_s);
        trigger(u"TabListeChangeTableNameMenue"_s);
        trigger(u"TabListeRemoveTableMenue"_s);
        trigger(u"TabListeSpaltenWaehlenMenue"_s);
        MenuArray* sort = window->menus().array(u"TabListeSortByFeldMenue"_s);
        sort->addEntry(2, u"Description"_s);
        sort->addEntry(3, u"Table ID"_s);
        sort->entry(3)->trigger();
        QCOMPARE(query->calls,
                 (QStringList{u"FillTabellenListe()"_s, u"AddExtraTable()"_s, u"ChangeTableName()"_s,
                              u"RemoveExtraTable()"_s, u"SelectTableColumns()"_s, u"ResortTabellenListe(2)"_s}));
    }

    void theSelectedTableGoesToTheFieldListAndKeyInformation()
    {
        MenuArray* keys = window->menus().array(u"TabListeKeyInfosMenue"_s);
        keys->entry(1)->setText(u"nummer"_s);
        keys->entry(1)->setEnabled(true);
        keys->addEntry(2, u"such"_s);

        // Without a selected table neither entry calls anything.
        trigger(u"TabListeBuildFldListeMenue"_s);
        keys->entry(2)->trigger();
        QCOMPARE(query->calls, QStringList());

        // The table part comes from field 11 of the table's record.
        query->tables->setCurrentItem(
            query->addTable(u"Kunde:Kunde"_s, u"Kunde:Kunde\tKunde\t1:1\tT\t\t1\t\t\t\t\t0\t1"_s));
        trigger(u"TabListeBuildFldListeMenue"_s);
        keys->entry(2)->trigger();
        query->tables->setCurrentItem(
            query->addTable(u"Artikel:Artikel"_s, u"Artikel:Artikel\tArtikel\t2:1\tT\t\t2\t\t\t\t\t1\t1"_s));
        trigger(u"TabListeBuildFldListeMenue"_s);
        QCOMPARE(query->calls, (QStringList{u"BuildTableInfos(Kunde:Kunde,1:1,false,true)"_s,
                                            u"ShowSchluesselInfo(Kunde:Kunde,1:1,such)"_s,
                                            u"BuildTableInfos(Artikel:Artikel,2:1,true,true)"_s}));
    }

    void renamingAndRemovingNeedATableRowWithATag()
    {
        open(u"TabListeExtraTableMenue"_s);
        QVERIFY(!enabled(u"TabListeChangeTableNameMenue"_s));
        QVERIFY(!enabled(u"TabListeRemoveTableMenue"_s));
        QVERIFY(enabled(u"TabListeAddTableMenue"_s));

        QTreeWidgetItem* bare = query->addTable(u"X"_s, QString());
        query->tables->setCurrentItem(bare);
        open(u"TabListeExtraTableMenue"_s);
        QVERIFY(!enabled(u"TabListeChangeTableNameMenue"_s));

        query->tables->setCurrentItem(query->addTable(u"Y"_s, u"Y\tdesc\t9:9"_s));
        open(u"TabListeExtraTableMenue"_s);
        QVERIFY(enabled(u"TabListeChangeTableNameMenue"_s));
        QVERIFY(enabled(u"TabListeRemoveTableMenue"_s));

        query->tables->clearSelection();
        open(u"TabListeExtraTableMenue"_s);
        QVERIFY(!enabled(u"TabListeRemoveTableMenue"_s));
    }

    void theFieldListEntriesCallTheWindow()
    {
        trigger(u"FldListeNeuMenue"_s);
        trigger(u"FldListeSpaltenWaehlenMenue"_s);
        trigger(u"FldListeSortBySelectedMenue"_s);
        window->menus().array(u"FldListeSortByFeldMenue"_s)->addEntry(2, u"Kind"_s)->trigger();
        // Disabled until the menu opens over a selected field.
        trigger(u"VerknHinzufuegenMenue"_s);
        query->fields->setCurrentItem(query->addField(u"name"_s, u"name#0#S"_s));
        open(u"FldListeMenue"_s);
        trigger(u"VerknHinzufuegenMenue"_s);
        QCOMPARE(query->calls,
                 (QStringList{u"FillFeldListe(true)"_s, u"SelectFieldColumns()"_s, u"ResortFeldListe(-1)"_s,
                              u"ResortFeldListe(1)"_s, u"AddExtraFeld(false)"_s}));

        // The nine selection entries: scope (all, header, table, skip fields) and action
        // (check, uncheck, invert).
        query->calls.clear();
        for (const char16_t* name :
             {u"FldListeSelectAllMenue", u"FldListeSelectAllHeadMenue", u"FldListeSelectAllTabMenue",
              u"FldListeSelectAllSkipMenue", u"FldListeSelectNoneMenue", u"FldListeSelectNoHeadMenue",
              u"FldListeSelectNoTabMenue", u"FldListeSelectNoSkipMenue", u"FldListeInvertSelMenue"})
            trigger(QString::fromUtf16(name));
        QCOMPARE(query->calls, (QStringList{u"SetAllFieldsSelection(1,1)"_s, u"SetAllFieldsSelection(2,1)"_s,
                                            u"SetAllFieldsSelection(3,1)"_s, u"SetAllFieldsSelection(4,1)"_s,
                                            u"SetAllFieldsSelection(1,2)"_s, u"SetAllFieldsSelection(2,2)"_s,
                                            u"SetAllFieldsSelection(3,2)"_s, u"SetAllFieldsSelection(4,2)"_s,
                                            u"SetAllFieldsSelection(1,3)"_s}));
    }

    void fieldEntriesNeedASelectedField()
    {
        // The query window enables change and remove for its reference-path fields.
        window->menus().action(u"VerknAendernMenue"_s)->setEnabled(true);
        window->menus().action(u"VerknEntfernenMenue"_s)->setEnabled(true);
        trigger(u"VerknAendernMenue"_s);
        trigger(u"VerknEntfernenMenue"_s);
        trigger(u"FeldExpModusMenue"_s);
        QCOMPARE(query->calls, QStringList());

        QTreeWidgetItem* path = query->addField(u"kunde^name"_s, u"kunde^name#0#E"_s);
        query->fields->setCurrentItem(path);
        trigger(u"VerknAendernMenue"_s);
        trigger(u"VerknEntfernenMenue"_s);
        // A reference path is edited; a plain field starts a new expression field.
        trigger(u"FeldExpModusMenue"_s);
        query->fields->setCurrentItem(query->addField(u"name"_s, u"name#0#S"_s));
        trigger(u"FeldExpModusMenue"_s);
        QCOMPARE(query->calls,
                 (QStringList{u"ChangeExtraFeld(kunde^name#0#E,false)"_s, u"DeleteExtraFeld(kunde^name#0#E)"_s,
                              u"ChangeExtraFeld(kunde^name#0#E,true)"_s, u"AddExtraFeld(true)"_s}));
    }

    void theFieldListMenuEnablesByTheSelection()
    {
        window->menus().action(u"VerknAendernMenue"_s)->setEnabled(true);
        open(u"FldListeMenue"_s);
        for (const char16_t* name :
             {u"VerknHinzufuegenMenue", u"VerknAendernMenue", u"VerknEntfernenMenue", u"FeldExpModusMenue"})
            QVERIFY2(!enabled(QString::fromUtf16(name)), qPrintable(QString::fromUtf16(name)));
        QVERIFY(!enabled(u"FldListeSpaltenWaehlenMenue"_s));

        query->fields->setCurrentItem(query->addField(u"name"_s, u"name#0#S"_s));
        open(u"FldListeMenue"_s);
        QVERIFY(enabled(u"VerknHinzufuegenMenue"_s));
        QVERIFY(enabled(u"FeldExpModusMenue"_s));
        QVERIFY(enabled(u"FldListeSpaltenWaehlenMenue"_s));
        // Change and remove are the query window's to enable.
        QVERIFY(!enabled(u"VerknAendernMenue"_s));
        window->menus().action(u"VerknEntfernenMenue"_s)->setEnabled(true);
        open(u"FldListeMenue"_s);
        QVERIFY(enabled(u"VerknEntfernenMenue"_s));
    }

    void theResultListMenuOffersWhatTheListHolds()
    {
        query->data->setColumnCount(0);
        open(u"DatenlisteMenue"_s);
        QVERIFY(!enabled(u"DatensatzZeigenMenue"_s));
        QVERIFY(!enabled(u"DatensatzAendernMenue"_s));
        QVERIFY(!enabled(u"AbfrageSpeichernMenue"_s));
        QVERIFY(!enabled(u"DatenExportierenMenue"_s));

        query->data->setColumnCount(2);
        open(u"DatenlisteMenue"_s);
        QVERIFY(enabled(u"AbfrageSpeichernMenue"_s));
        QVERIFY(!enabled(u"DatenExportierenMenue"_s));

        auto* row = new QTreeWidgetItem(query->data, {u"1"_s, u"a"_s});
        open(u"DatenlisteMenue"_s);
        QVERIFY(enabled(u"DatenExportierenMenue"_s));
        QVERIFY(!enabled(u"DatensatzZeigenMenue"_s));
        query->data->setCurrentItem(row);
        open(u"DatenlisteMenue"_s);
        QVERIFY(enabled(u"DatensatzZeigenMenue"_s));
        QVERIFY(enabled(u"DatensatzAendernMenue"_s));

        trigger(u"DatensatzZeigenMenue"_s);
        trigger(u"DatensatzAendernMenue"_s);
        trigger(u"SortWieFeldlisteMenue"_s);
        trigger(u"DatenListeAbfrageStringMenue"_s);
        QCOMPARE(query->calls, (QStringList{u"GUIOeffnen(false)"_s, u"GUIOeffnen(true)"_s, u"ResortDataColumns()"_s,
                                            u"ShowQueryStringWindow()"_s}));
    }

    void everyEntryOnAWindowWithoutItsMembersDoesNothing()
    {
        // Entries that open dialogs of their own, end the program or leave it are not swept.
        const QStringList skipped{u"KLVSettingsMenue"_s,      u"ViewerSettingsMenue"_s, u"UeberMenue"_s,
                                  u"BeendenMenue"_s,          u"NeueVerbindungMenue"_s, u"ViewerHilfeMenue"_s,
                                  u"DBInfoMenue"_s,           u"InfosystemInfoMenue"_s, u"AufzInfoMenue"_s,
                                  u"VerwInfoMenue"_s,         u"MeldungsInfoMenue"_s,   u"MandInfoMenue"_s,
                                  u"NeuesQueryFensterMenue"_s};
        MessageBoxes boxes;
        // Any modal window that opens anyway is closed again.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(20);

        const auto sweep = [&] {
            for (const QString& name : window->menus().names()) {
                if (skipped.contains(name) || name == u"FensterSchliessenMenue")
                    continue;
                if (QMenu* menu = window->menus().menu(name))
                    openAndClose(menu);
                window->menus().action(name)->trigger();
            }
            for (const char16_t* array :
                 {u"TabListeSortByFeldMenue", u"FldListeSortByFeldMenue", u"TabListeKeyInfosMenue"})
                window->menus().array(QString::fromUtf16(array))->entry(1)->trigger();
            for (const char16_t* menu : {u"AbfrageLadenMenue", u"TabAbfrageLadenMenue", u"AbfrageSpeichernMenue"}) {
                for (QAction* a : window->menus().menu(QString::fromUtf16(menu))->actions()) {
                    if (a->property("Index").toInt() != 0 || !QString::fromUtf16(menu).contains(u"Speichern"_s))
                        a->trigger();
                }
            }
        };

        // A window of the query kind that has none of the members or lists.
        auto* bare = new QWidget;
        bare->setObjectName(u"QueryForm"_s);
        QMdiSubWindow* bareFrame = addChild(bare);
        sweep();
        // An information-system window and a catalogue without them.
        bareFrame->close();
        auto* infosys = new QWidget;
        infosys->setObjectName(u"InfosysForm"_s);
        QMdiSubWindow* infosysFrame = addChild(infosys);
        sweep();
        infosysFrame->close();
        // No child at all.
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList())
            sub->close();
        QTest::qWait(10);
        QVERIFY(!window->activeChild());
        sweep();
        QVERIFY(window->isVisible());
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(u" | "_s)));
    }

    void theInformationSystemEntriesUseTheSelectedRow()
    {
        auto* catalogue = new Catalogue;
        addChild(catalogue);
        trigger(u"InfosysListeSpaltenWaehlenMenue"_s);
        trigger(u"UniversalSpaltenWaehlenMenue"_s);
        QCOMPARE(catalogue->columnsChosen, 2);

        // Nothing selected: no window opens.
        trigger(u"ShowInfosysFormMenue"_s);
        QVERIFY(!window->findChild<InfosysForm*>());

        // With a selected row the window needs a connection of its own; without a session
        // to copy it says so and does not open (tests/info opens it logged on).
        catalogue->infosysList->setCurrentItem(catalogue->row);
        {
            MessageBoxes boxes;
            trigger(u"ShowInfosysFormMenue"_s);
            QVERIFY(!window->findChild<InfosysForm*>());
            QCOMPARE(boxes.texts.size(), 1);
        }

        auto* recording = new RecordingInfosysForm;
        addChild(recording);
        trigger(u"InfosysKFNeuAufbauenMenue"_s);
        QCOMPARE(recording->rebuilt, 1);
        trigger(u"InfosysDLFeldNeuMenue"_s);
        trigger(u"InfosysDLFeldLoeschenMenue"_s);
    }

    void anInformationSystemRunsInTheGuiClient()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(u"gui.sh"_s);
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.out\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("KLV_GUI_COMMAND", QFile::encodeName(program));

        auto* catalogue = new Catalogue;
        addChild(catalogue);
        catalogue->infosysList->setCurrentItem(catalogue->row);
        trigger(u"RunInfosystemMenue"_s);
        QFile out(program + u".out"_s);
        QTRY_VERIFY_WITH_TIMEOUT(out.exists() && out.size() > 0, 20000);
        QVERIFY(out.open(QIODevice::ReadOnly));
        // No client without a session: the fixed service, the run word of the data language.
        QCOMPARE(QString::fromUtf8(out.readAll()), u"WEXA-TAV|COMMAND\nUMSATZ<hole>\n"_s);
        out.close();
        out.remove();

        // "Show" reads the catalogue window of the information systems, whichever is active.
        QWidget* single = window->InfoWindow(u"InfosysInfoForm"_s);
        auto* singleList = single->findChild<QTreeWidget*>(u"InfosysListe"_s);
        singleList->setColumnCount(7);
        auto* row = new QTreeWidgetItem(singleList, {u"LAGER"_s, u"5"_s});
        addChild(new RecordingInfosysForm);
        trigger(u"ViewInfosystemMenue"_s);
        QTest::qWait(200);
        QVERIFY(!out.exists());
        singleList->setCurrentItem(row);
        trigger(u"ViewInfosystemMenue"_s);
        QTRY_VERIFY_WITH_TIMEOUT(out.exists() && out.size() > 0, 20000);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()), u"WEXA-TAV|COMMAND\nLAGER\n"_s);
        qunsetenv("KLV_GUI_COMMAND");
    }

    void aMenuArrayNumbersItsEntriesAndShowsThemInItsMenu()
    {
        QMenu shown;
        shown.addAction(u"own entry"_s);
        MenuArray array(u"TestArray"_s, 1, nullptr);
        array.attach(&shown);
        QAction* first = array.addEntry(1, u"one"_s);
        array.addEntry(2, u"two"_s);
        // An entry added as a plain action counts by its place.
        QAction* plain = array.addAction(u"three"_s);
        QCOMPARE(array.indexOf(plain), 3);
        QCOMPARE(array.entry(3), plain);
        QCOMPARE(first->objectName(), u"TestArray"_s);
        QCOMPARE(array.addEntry(1, u"again"_s), first);

        QList<int> clicks;
        connect(&array, &MenuArray::Click, [&clicks](int i) { clicks.append(i); });
        plain->trigger();
        first->trigger();
        QCOMPARE(clicks, (QList<int>{3, 1}));

        openAndClose(&shown);
        QStringList texts;
        for (QAction* a : shown.actions())
            texts.append(a->text());
        QCOMPARE(texts, (QStringList{u"own entry"_s, u"one"_s, u"two"_s, u"three"_s}));

        // Entries that went are gone from the menu the next time it opens.
        array.removeAction(plain);
        delete plain;
        openAndClose(&shown);
        QCOMPARE(shown.actions().size(), 3);
    }
};

VIEWER_TEST_MAIN(PopupTest)

#include "popup_qtest.moc"
