// The main window's menus: the tree under their names and texts, the menu state that follows
// the kind of the active child, new query windows and their count, export routing, the walks
// over all windows, the sort marks and the arrangement of the children. No server: the
// children are stand-ins that record what the main window asks of them.
#include "KLVViewerWindow.h"
#include "MainMenus.h"
#include "MainModul.h"
#include "MenuArray.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;

namespace {

// A child window of a given kind that records the members called on it.
class RecordingChild : public QWidget
{
    Q_OBJECT
public:
    explicit RecordingChild(const QString& formName) { setObjectName(formName); }
    QStringList calls;

    Q_INVOKABLE void ReloadForm() { calls.append(u"ReloadForm"_s); }
    Q_INVOKABLE void UpdateDataColumnHeaderText() { calls.append(u"UpdateDataColumnHeaderText"_s); }
};

class RecordingQueryForm : public RecordingChild
{
    Q_OBJECT
public:
    RecordingQueryForm() : RecordingChild(u"QueryForm"_s) {}
    Q_INVOKABLE void ShowExportDialog(int type, bool shownRows)
    {
        calls.append(u"ShowExportDialog(%1,%2)"_s.arg(type).arg(shownRows ? u"true"_s : u"false"_s));
    }
};

class RecordingInfosysForm : public RecordingChild
{
    Q_OBJECT
public:
    RecordingInfosysForm() : RecordingChild(u"InfosysForm"_s) {}
    Q_INVOKABLE void ShowExportDialog(int type) { calls.append(u"ShowExportDialog(%1)"_s.arg(type)); }
};

// The hidden information-system menu is enabled as the menu its window pops up.
bool enabled(const KLVViewerWindow& window, const QString& name)
{
    if (QMenu* menu = window.menus().menu(name); menu && !menu->menuAction()->isVisible())
        return menu->isEnabled();
    return window.menus().action(name)->isEnabled();
}

} // namespace

class MenuTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<KLVViewerWindow> window;
    // A query window without a session may have something to say: it must not wait for a click.
    std::unique_ptr<MessageBoxes> boxes;

    QMdiSubWindow* addChild(QWidget* child, bool maximized = false)
    {
        QMdiSubWindow* sub = window->mdiArea()->addSubWindow(child);
        if (maximized)
            sub->showMaximized();
        else
            sub->show();
        window->mdiArea()->setActiveSubWindow(sub);
        return sub;
    }

    // The state of the menus that follow the active child window, as one text.
    QString menuState()
    {
        QStringList on;
        for (const char16_t* name : {u"TabListeMenue", u"FldListeMenue", u"DatenlisteMenue", u"InfosysMenue",
                                     u"ExportMenue", u"FensterSchliessenMenue"}) {
            if (enabled(*window, QString::fromUtf16(name)))
                on.append(QString::fromUtf16(name));
        }
        return on.join(u' ');
    }

private Q_SLOTS:
    void initTestCase() { loadTexts(); }

    void init()
    {
        clearSettings();
        boxes = std::make_unique<MessageBoxes>();
        window = std::make_unique<KLVViewerWindow>();
        window->show();
    }

    void cleanup()
    {
        window.reset();
        boxes.reset();
    }

    void everyEntryHasItsNameAndItsText()
    {
        const MainMenus& menus = window->menus();
        QVERIFY(menus.names().size() > 80);
        const QRegularExpression number(u"^\\d+$"_s);
        for (const QString& name : menus.names()) {
            QAction* a = menus.action(name);
            QVERIFY2(a, qPrintable(name));
            QCOMPARE(a->objectName(), name);
            QVERIFY2(!number.match(a->text()).hasMatch(), qPrintable(name + u" still reads "_s + a->text()));
        }
        QCOMPARE(menus.action(u"TabListeMenue"_s)->text(), GetMessageTextByNr(807));
        QCOMPARE(menus.action(u"UeberMenue"_s)->text(), GetMessageTextByNr(852));
        QCOMPARE(menus.action(u"BeendenMenue"_s)->text(), GetMessageTextByNr(710));
        QCOMPARE(menus.action(u"TabListeSpaltenWaehlenMenue"_s)->text(), GetMessageTextByNr(887));

        // The menus the children pop up are found on the main window by name.
        for (const char16_t* name : {u"TabListeMenue", u"FldListeMenue", u"DatenlisteMenue", u"InfosysMenue",
                                     u"InfosysListeContextMenue", u"UniversalContextMenue", u"TabListeSortByFeldMenue",
                                     u"FldListeSortByFeldMenue", u"TabListeKeyInfosMenue"})
            QVERIFY2(window->findChild<QMenu*>(QString::fromUtf16(name)), qPrintable(QString::fromUtf16(name)));
        // The pop-ups of the information windows are not in the menu bar; the information
        // system's menu is there but hidden.
        QVERIFY(!window->menuBar()->actions().contains(menus.action(u"UniversalContextMenue"_s)));
        QVERIFY(!menus.action(u"InfosysMenue"_s)->isVisible());
        QVERIFY(!menus.action(u"ShowInfosysFormMenue"_s)->isVisible());

        // Design-time states.
        for (const char16_t* name : {u"VerknHinzufuegenMenue", u"VerknAendernMenue", u"VerknEntfernenMenue"})
            QVERIFY(!enabled(*window, QString::fromUtf16(name)));
        QVERIFY(!menus.array(u"TabListeKeyInfosMenue"_s)->entry(1)->isEnabled());
        QCOMPARE(menus.array(u"TabListeSortByFeldMenue"_s)->entry(1)->text(), GetMessageTextByNr(812));

        // The saved-query arrays: their entries by array name and index in their submenus.
        const auto entries = [this](const char16_t* menu, const char16_t* array) {
            QStringList found;
            for (QAction* a : window->findChild<QMenu*>(QString::fromUtf16(menu))->actions()) {
                if (a->objectName() == QString::fromUtf16(array))
                    found.append(a->property("Index").toString() + u'=' + a->text());
            }
            return found;
        };
        QCOMPARE(entries(u"AbfrageLadenMenue", u"AbfrageZuLadenMenue"),
                 (QStringList{u"0=Default"_s, u"1="_s + GetMessageTextByNr(864)}));
        QCOMPARE(entries(u"TabAbfrageLadenMenue", u"TabAbfrageZuLadenMenue"),
                 (QStringList{u"0=Default"_s, u"1="_s + GetMessageTextByNr(864)}));
        QCOMPARE(entries(u"AbfrageSpeichernMenue", u"AbfrageZuSpeichernMenue"),
                 (QStringList{u"0="_s + GetMessageTextByNr(858), u"1=Default"_s}));
    }

    void theMenusFollowTheKindOfTheActiveChild()
    {
        // Disconnected and without children.
        QCOMPARE(menuState(), QString());
        QVERIFY(!enabled(*window, u"NeueVerbindungMenue"_s));
        QVERIFY(!enabled(*window, u"KLVSettingsMenue"_s));
        QCOMPARE(window->GetVisibleFormCount(), 0);

        auto* query = new RecordingQueryForm;
        addChild(query);
        window->SetMenues(query);
        QCOMPARE(menuState(), u"TabListeMenue FldListeMenue DatenlisteMenue ExportMenue FensterSchliessenMenue"_s);

        auto* infosys = new RecordingInfosysForm;
        addChild(infosys);
        window->SetMenues(infosys);
        QCOMPARE(menuState(), u"InfosysMenue ExportMenue FensterSchliessenMenue"_s);

        // A catalogue window is neither kind.
        auto* catalogue = new RecordingChild(u"DatabaseInfoForm"_s);
        addChild(catalogue);
        window->SetMenues(catalogue);
        QCOMPARE(menuState(), u"FensterSchliessenMenue"_s);
        QCOMPARE(window->GetVisibleFormCount(), 3);

        // Activation alone switches them.
        window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(query->parentWidget()));
        QCOMPARE(menuState(), u"TabListeMenue FldListeMenue DatenlisteMenue ExportMenue FensterSchliessenMenue"_s);

        window->SetMenues(window.get());
        QCOMPARE(menuState(), u"FensterSchliessenMenue"_s);
    }

    void aVisibleDialogCountsAsAnOpenWindow()
    {
        QCOMPARE(window->GetVisibleFormCount(), 0);
        QDialog dialog;
        dialog.show();
        QCOMPARE(window->GetVisibleFormCount(), 1);
        window->SetMenues(window.get());
        QVERIFY(enabled(*window, u"FensterSchliessenMenue"_s));
        dialog.hide();
        window->SetMenues(window.get());
        QVERIFY(!enabled(*window, u"FensterSchliessenMenue"_s));
    }

    void newQueryWindowsFollowTheActiveOnesStateAndAreCounted()
    {
        window->AddQueryForm();
        QList<QMdiSubWindow*> children = window->mdiArea()->subWindowList();
        QCOMPARE(children.size(), 1);
        QVERIFY(children.first()->isMaximized());
        QCOMPARE(children.first()->widget()->objectName(), u"QueryForm"_s);

        children.first()->showNormal();
        window->menus().action(u"NeuesQueryFensterMenue"_s)->trigger();
        children = window->mdiArea()->subWindowList();
        QCOMPARE(children.size(), 2);
        QVERIFY(!children.last()->isMaximized());
        QCOMPARE(window->QueryWindowCount(), 2);
        QCOMPARE(menuState(), u"TabListeMenue FldListeMenue DatenlisteMenue ExportMenue FensterSchliessenMenue"_s);
    }

    void closingTheLastQueryWindowResetsTheMenus()
    {
        window->AddQueryForm();
        window->AddQueryForm();
        auto* catalogue = new RecordingChild(u"MandInfoForm"_s);
        QMdiSubWindow* catalogueFrame = window->mdiArea()->addSubWindow(catalogue);
        catalogueFrame->showNormal();

        QList<QMdiSubWindow*> queries;
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList()) {
            if (sub->widget()->objectName() == u"QueryForm")
                queries.append(sub);
        }
        QCOMPARE(queries.size(), 2);

        window->mdiArea()->setActiveSubWindow(queries.first());
        window->menus().action(u"FensterSchliessenMenue"_s)->trigger();
        QCOMPARE(window->QueryWindowCount(), 1);
        window->SetMenues(queries.last()->widget());
        QVERIFY(enabled(*window, u"TabListeMenue"_s));

        queries.last()->close();
        QCOMPARE(window->QueryWindowCount(), 0);
        QTest::qWait(10);
        QVERIFY(!enabled(*window, u"TabListeMenue"_s));
        QVERIFY(!enabled(*window, u"DatenlisteMenue"_s));
        QVERIFY(!enabled(*window, u"ExportMenue"_s));
        // The catalogue window is still open.
        QVERIFY(enabled(*window, u"FensterSchliessenMenue"_s));

        catalogueFrame->close();
        QTest::qWait(10);
        QVERIFY(!enabled(*window, u"FensterSchliessenMenue"_s));
        // Without a child the entry does nothing.
        window->menus().action(u"FensterSchliessenMenue"_s)->trigger();
        QVERIFY(window->isVisible());
    }

    void exportGoesToTheActiveQueryOrInformationSystemWindow()
    {
        auto* query = new RecordingQueryForm;
        QMdiSubWindow* queryFrame = addChild(query);
        const QStringList mainEntries{u"ExportDateiMenue"_s, u"ExportExcelMenue"_s, u"ExportDBMenue"_s,
                                      u"ExportXMLMenue"_s, u"ExportHTMLMenue"_s};
        for (const QString& name : mainEntries)
            window->menus().action(name)->trigger();
        const QStringList rowEntries{u"DatenExportierenDateiMenue"_s, u"DatenExportierenExcelMenue"_s,
                                     u"DatenExportierenDBMenue"_s, u"DatenExportierenXMLMenue"_s,
                                     u"DatenExportierenHTMLMenue"_s};
        for (const QString& name : rowEntries)
            window->menus().action(name)->trigger();
        // The main menu has the dialog run the query afresh; the result list hands on its rows.
        QCOMPARE(query->calls, (QStringList{u"ShowExportDialog(0,false)"_s, u"ShowExportDialog(1,false)"_s,
                                            u"ShowExportDialog(2,false)"_s, u"ShowExportDialog(3,false)"_s,
                                            u"ShowExportDialog(4,false)"_s, u"ShowExportDialog(0,true)"_s,
                                            u"ShowExportDialog(1,true)"_s, u"ShowExportDialog(2,true)"_s,
                                            u"ShowExportDialog(3,true)"_s, u"ShowExportDialog(4,true)"_s}));

        auto* infosys = new RecordingInfosysForm;
        addChild(infosys);
        window->menus().action(u"ExportHTMLMenue"_s)->trigger();
        QCOMPARE(infosys->calls, QStringList{u"ShowExportDialog(4)"_s});

        // Another kind of window, or none, is not asked.
        auto* catalogue = new RecordingChild(u"AufzInfoForm"_s);
        addChild(catalogue);
        query->calls.clear();
        window->menus().action(u"ExportDateiMenue"_s)->trigger();
        queryFrame->close();
        window->ExportActiveChild(0, false);
        QCOMPARE(catalogue->calls, QStringList());
    }

    void reloadAndColumnCaptionsReachTheirWindows()
    {
        auto* first = new RecordingQueryForm;
        auto* second = new RecordingQueryForm;
        auto* info = new RecordingChild(u"AufzInfoForm"_s);
        addChild(first);
        addChild(second);
        addChild(info);
        window->ReloadAllMDIChilds();
        QCOMPARE(first->calls, QStringList{u"ReloadForm"_s});
        QCOMPARE(second->calls, QStringList{u"ReloadForm"_s});
        QCOMPARE(info->calls, QStringList{u"ReloadForm"_s});
        QVERIFY(boxes->texts.isEmpty());

        window->UpdateAllQueryDataColumnHeaders();
        QCOMPARE(first->calls.last(), u"UpdateDataColumnHeaderText"_s);
        QCOMPARE(second->calls.last(), u"UpdateDataColumnHeaderText"_s);
        QCOMPARE(info->calls.size(), 1);
    }

    void theSortEntriesMarkTheSortedColumn()
    {
        MenuArray* tab = window->menus().array(u"TabListeSortByFeldMenue"_s);
        for (int i = 2; i <= 4; ++i)
            tab->addEntry(i, u"Col "_s + QString::number(i));
        window->SetTabListeSortColumn(2);
        QStringList checked;
        for (QAction* a : tab->entries()) {
            if (a->isChecked())
                checked.append(a->text());
        }
        QCOMPARE(checked, QStringList{u"Col 3"_s});
        window->SetTabListeSortColumn(-1);
        for (QAction* a : tab->entries())
            QVERIFY(!a->isChecked());
        window->SetTabListeSortColumn(7);
        for (QAction* a : tab->entries())
            QVERIFY(!a->isChecked());

        MenuArray* fld = window->menus().array(u"FldListeSortByFeldMenue"_s);
        fld->addEntry(2, u"Second"_s);
        window->SetFldListeSortColumn(0);
        QVERIFY(fld->entry(1)->isChecked());
        QVERIFY(!fld->entry(2)->isChecked());
        QVERIFY(!window->menus().action(u"FldListeSortBySelectedMenue"_s)->isChecked());
    }

    void theArrangementsTileAndCascadeTheChildren()
    {
        QMdiSubWindow* a = addChild(new RecordingChild(u"A"_s));
        QMdiSubWindow* b = addChild(new RecordingChild(u"B"_s));
        const QRect area = window->mdiArea()->viewport()->rect();

        window->menus().action(u"FensterHorizontalAnordnenMenue"_s)->trigger();
        QCOMPARE(a->width(), area.width());
        QCOMPARE(b->width(), area.width());
        QVERIFY(a->y() != b->y());
        QCOMPARE(a->height() + b->height(), area.height());

        window->menus().action(u"FensterVertikalAnordnenMenue"_s)->trigger();
        QCOMPARE(a->height(), area.height());
        QCOMPARE(b->height(), area.height());
        QCOMPARE(a->width() + b->width(), area.width());

        window->menus().action(u"FensterUeberlappendAnordnenMenue"_s)->trigger();
        QVERIFY(a->pos() != b->pos());
    }

    void aWindowWithoutStoredPlaceOpensCentred()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(window->width(), 1000);
        QCOMPARE(window->height(), 750);
        QVERIFY(qAbs(window->frameGeometry().center().x() - screen.center().x()) <= 2);
    }
};

VIEWER_TEST_MAIN(MenuTest)

#include "menu_qtest.moc"
