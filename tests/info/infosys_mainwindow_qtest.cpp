// The information-system window in the program: opened by the main window on a connection of
// its own (the one-time password of the main session), not opened when that connection is
// refused, opened from the catalogue's selected row as the one window of the menus, placed
// as stored inside the frame, and keeping its place only when the settings say so.
#include "ChildWindowCommands.h"
#include "MainMenus.h"
#include "MemberCall.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"
#include "infosys_support.h"

#include <QDialogButtonBox>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace InfosysTest;

namespace {

const QString Section = QString::fromUtf16(InfosysForm::SettingsSection);

QList<InfosysForm*> infosysWindows(const KLVViewerWindow* window)
{
    QList<InfosysForm*> forms;
    for (QMdiSubWindow* sub : window->mdiArea()->subWindowList()) {
        if (auto* form = qobject_cast<InfosysForm*>(sub->widget()))
            forms.append(form);
    }
    return forms;
}

// A value of every export field, in order.
template <class Read>
QStringList column(const QList<InfosysForm::ExportField>& fields, Read read)
{
    QStringList values;
    for (const InfosysForm::ExportField& f : fields)
        values.append(read(f));
    return values;
}

QMdiSubWindow* frameOf(QWidget* form)
{
    return qobject_cast<QMdiSubWindow*>(form->parentWidget());
}

void storePlace(int left, int top, int width, int height, int state)
{
    const QList<std::pair<QString, int>> values{{u"WindowLeft"_s, left},
                                                {u"WindowTop"_s, top},
                                                {u"WindowWidth"_s, width},
                                                {u"WindowHeight"_s, height},
                                                {u"WindowState"_s, state}};
    for (const auto& [key, value] : values)
        SettingsStore::SaveSetting(App().RegAppName, Section, key, QString::number(value));
}

} // namespace

class InfosysMainWindowTest : public ViewerTest::QueryWindowTest
{
    Q_OBJECT

private:
    KLVViewerWindow* window() const { return viewer.window.get(); }

    // The viewer setting, as the settings dialog holds it.
    void setSaveWindowState(bool on)
    {
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, on);
        window()->viewerSettingsDialog()->LoadKLVViewerSettings();
    }

private Q_SLOTS:
    void init()
    {
        server.setScript({});
        QVERIFY(logOn());
        server.clearReceived();
    }

    void cleanup()
    {
        server.setScript({});
        QVERIFY(closeViewer());
    }

    void aNewWindowWorksOnAConnectionOfItsOwn()
    {
        MessageBoxes boxes;
        window()->AddInfosysForm();
        const QList<InfosysForm*> forms = infosysWindows(window());
        QCOMPARE(forms.size(), 1);
        QCOMPARE(window()->activeChild(), forms.first());
        QVERIFY(window()->menus().menu(u"InfosysMenue"_s)->isEnabled());
        // The main session asks for a one-time password, which logs the same user on anew.
        QCOMPARE(matching(server, u"^SHO\\|0\\|ONETIMEPWD"_s).size(), 1);
        const QStringList logons = matching(server, u"^LGN\\|"_s);
        QCOMPARE(logons.size(), 1);
        const QString password = logons.first().section(u'|', 2, 2);
        QCOMPARE(password.size(), 21);
        QCOMPARE(password.at(14), u'#');
        QCOMPARE(logons.first().section(u'|', 9, 9), u"admin"_s);
        // References come with number and search word on that connection only.
        QCOMPARE(matching(server, u"^SET\\|0\\|VERWMODE\\|EXT"_s).size(), 1);

        // Until a mask stands the window's menus and buttons are off.
        QVERIFY(!window()->menus().menu(u"InfosysKopffelderMenue"_s)->menuAction()->isEnabled());
        QVERIFY(!forms.first()->findChild<QPushButton*>(u"StartInfosysButton"_s)->isEnabled());
        forms.first()->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        QVERIFY(window()->menus().menu(u"InfosysKopffelderMenue"_s)->menuAction()->isEnabled());

        // The menu's rebuild reads the definition again.
        server.clearReceived();
        window()->menus().action(u"InfosysKFNeuAufbauenMenue"_s)->trigger();
        QCOMPARE(matching(server, u"^EXQ\\|0\\|65:1"_s).size(), 1);
        QCOMPARE(matching(server, u"^CAN\\|"_s).size(), 1); // the old edit operation goes first

        // Further windows are windows of their own.
        window()->AddInfosysForm();
        QCOMPARE(infosysWindows(window()).size(), 2);
        QVERIFY(boxes.texts.isEmpty());
    }

    void aRefusedConnectionIsShownAndTheWindowDoesNotOpen()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"LGN|"_s) || !line.section(u'|', 2, 2).contains(u'#'))
                return false;
            reply.sendLine(u"E|0|Einmalkennwort ung\u00fcltig|LOGON|1004"_s);
            reply.sendLine(u"NAK|0|Anmeldung abgelehnt|1004|"_s);
            return true;
        });
        MessageBoxes boxes;
        window()->AddInfosysForm();
        QVERIFY(infosysWindows(window()).isEmpty());
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().startsWith(
                     u"The information-system window could not open its own connection to the server:\r\n"_s),
                 qPrintable(boxes.texts.first()));
        QVERIFY2(boxes.texts.first().contains(u"Anmeldung abgelehnt"_s), qPrintable(boxes.texts.first()));
        // The main window's session goes on.
        QVERIFY(window()->TAV()->IsConnected());
        QVERIFY(window()->activeChild() && ChildWindowCommands::IsQueryForm(window()->activeChild()));
    }

    void theCataloguesSelectedRowOpensTheOneWindowOfTheMenus()
    {
        window()->menus().action(u"InfosystemInfoMenue"_s)->trigger();
        auto* catalogue = qobject_cast<QWidget*>(window()->activeChild());
        QVERIFY(catalogue);
        auto* list = catalogue->findChild<QTreeWidget*>(u"InfosysListe"_s);
        QVERIFY(list && list->topLevelItemCount() == 3);
        QTreeWidgetItem* third = list->topLevelItem(2);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(third).center());
        QCOMPARE(list->currentItem(), third);

        server.clearReceived();
        window()->menus().action(u"ShowInfosysFormMenue"_s)->trigger();
        QList<InfosysForm*> forms = infosysWindows(window());
        QCOMPARE(forms.size(), 1);
        InfosysForm* form = forms.first();
        QVERIFY(form->isVisible());
        QCOMPARE(window()->activeChild(), form);
        QCOMPARE(form->InfosysNr(), u"3"_s);
        QVERIFY(form->isEditOpen());
        QCOMPARE(matching(server, u"^EDI\\|"_s), QStringList{u"EDI|0|GET|65|NUMSW|3||"_s});

        // The next row goes to the same window.
        window()->mdiArea()->setActiveSubWindow(frameOf(catalogue));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->topLevelItem(0)).center());
        window()->menus().action(u"ShowInfosysFormMenue"_s)->trigger();
        forms = infosysWindows(window());
        QCOMPARE(forms.size(), 1);
        QCOMPARE(forms.first(), form);
        QCOMPARE(form->InfosysNr(), u"1"_s);
    }

    void theRightButtonOpensTheWindowsMenus()
    {
        window()->AddInfosysForm();
        InfosysForm* form = infosysWindows(window()).value(0);
        QVERIFY(form);
        QMenu* head = window()->menus().menu(u"InfosysKopffelderMenue"_s);
        QMenu* rows = window()->menus().menu(u"InfosysDatenlisteMenue"_s);
        const auto rightClick = [](QWidget* w) { UserInput::rightClick(w, w->rect().center()); };
        // Off until there is a mask, and no popup then.
        rightClick(form->datenListe()->viewport());
        QTest::qWait(0);
        QVERIFY(!rows->isVisible());

        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        rightClick(form->feldPanel()->label(2));
        QTRY_VERIFY(head->isVisible());
        head->close();
        click(form->findChild<QPushButton*>(u"StartInfosysButton"_s));
        QVERIFY(QTest::qWaitFor([form] { return !form->isRunning(); }));
        rightClick(form->datenListe()->viewport());
        QTRY_VERIFY(rows->isVisible());
        rows->close();

        // The keyboard opens them too: the Menu key in the list, Shift+F10 in the mask.
        form->datenListe()->setFocus();
        QTest::keyClick(form->datenListe(), Qt::Key_Menu);
        QTRY_VERIFY(rows->isVisible());
        rows->close();
        form->feldPanel()->kopfButton(7)->setFocus();
        QTest::keyClick(form->feldPanel()->kopfButton(7), Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(head->isVisible());
        head->close();
    }

    void deleteFieldTakesAColumnOutAndNewFieldBringsItBack()
    {
        window()->AddInfosysForm();
        InfosysForm* form = infosysWindows(window()).value(0);
        QVERIFY(form);
        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        click(form->findChild<QPushButton*>(u"StartInfosysButton"_s));
        QVERIFY(QTest::qWaitFor([form] { return !form->isRunning() && form->datenListe()->topLevelItemCount() > 0; }));
        InfosysResultList* list = form->datenListe();
        QMenu* rows = window()->menus().menu(u"InfosysDatenlisteMenue"_s);
        QAction* newField = window()->menus().action(u"InfosysDLFeldNeuMenue"_s);
        const QStringList captions = column(form->exportFields(), [](const auto& f) { return f.caption; });
        QCOMPARE(captions.size(), 4);

        // The right button on a cell of the "name" column, then the menu's entry.
        const QModelIndex cell = list->model()->index(0, 2);
        UserInput::rightClick(list->viewport(), UserInput::indexCenter(list, cell));
        QTRY_VERIFY(rows->isVisible());
        QVERIFY(!newField->isEnabled()); // nothing taken out yet
        QTest::mouseClick(rows, Qt::LeftButton, {},
                          rows->actionGeometry(window()->menus().action(u"InfosysDLFeldLoeschenMenue"_s)).center());
        QVERIFY(list->header()->isSectionHidden(2));
        QCOMPARE(column(form->exportFields(), [](const auto& f) { return f.caption; }),
                 (QStringList{captions[0], captions[2], captions[3]}));
        // What is copied is what is shown.
        QVERIFY(!ListViewHelpers::ListViewText(list).section(u"\r\n"_s, 0, 0).contains(captions[1]));

        // New field offers the column taken out, and brings it back at the end.
        whenShown(u"QInputDialog"_s, [&captions](QWidget* dialog) {
            auto* choice = dialog->findChild<QComboBox*>();
            QCOMPARE(choice->currentText(), captions[1]);
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        UserInput::rightClick(list->viewport(), UserInput::indexCenter(list, list->model()->index(0, 1)));
        QTRY_VERIFY(rows->isVisible());
        QVERIFY(newField->isEnabled());
        QTest::mouseClick(rows, Qt::LeftButton, {}, rows->actionGeometry(newField).center());
        QTRY_VERIFY(!list->header()->isSectionHidden(2));
        QCOMPARE(list->header()->visualIndex(2), list->columnCount() - 1);
        QCOMPARE(column(form->exportFields(), [](const auto& f) { return f.caption; }),
                 (QStringList{captions[0], captions[2], captions[3], captions[1]}));
        QVERIFY(!list->topLevelItem(0)->text(2).isEmpty()); // with its values
    }

    void aMaskBuiltBeforeTheWindowShowsHasTheRoomForAllItsRows()
    {
        frameOf(form)->showNormal();
        // The one window of the catalogue's menu is filled hidden and shown afterwards.
        QWidget* single = window()->InfoWindow(u"InfosysForm"_s);
        QVERIFY(single && !single->isVisible());
        MemberCall::Invoke(single, "InitControls");
        MemberCall::Invoke(single, "BuildInfosysInfos", {u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s});
        window()->ShowChildWindow(single);
        auto* infosys = qobject_cast<InfosysForm*>(single);
        InfosysFeldPanel* panel = infosys->feldPanel();
        QTRY_VERIFY(panel->visibleRows() >= panel->count());
        QCOMPARE(panel->scrollBar()->maximum(), panel->scrollBar()->minimum());
        // The list below keeps its header and some rows, and the frame holds the window.
        QVERIFY(infosys->datenListe()->height() > 4 * infosys->datenListe()->fontMetrics().height());
        const QRect area(QPoint(0, 0), window()->mdiArea()->viewport()->size());
        QVERIFY(area.contains(frameOf(single)->geometry()));

        // Tiled beside a query window in a frame that has the room for both, both stay
        // inside it.
        window()->resize(1500, 900);
        QTRY_COMPARE(window()->width(), 1500);
        const QRect wide(QPoint(0, 0), window()->mdiArea()->viewport()->size());
        window()->menus().action(u"FensterVertikalAnordnenMenue"_s)->trigger();
        for (QMdiSubWindow* sub : window()->mdiArea()->subWindowList()) {
            QVERIFY2(wide.contains(sub->geometry()), qPrintable(sub->widget()->objectName()));
            const QStringList faults = WindowGeometry::problems(sub);
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
        }
    }

    void rebuildingTheMaskWhileAFieldHasTheFocusKeepsTheWindowWorking()
    {
        window()->AddInfosysForm();
        InfosysForm* form = infosysWindows(window()).value(0);
        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        InfosysFeldPanel* panel = form->feldPanel();
        typeInto(panel->feldWert(4), u"Berlin"_s);
        QCOMPARE(QApplication::focusWidget(), panel->feldWert(4));
        // The rows go while one of them has the focus.
        window()->menus().action(u"InfosysKFNeuAufbauenMenue"_s)->trigger();
        QCOMPARE(panel->count(), 9);
        QCOMPARE(QApplication::focusWidget(), panel->control(form->definition().erstesParamFeld()));
        click(form->findChild<QPushButton*>(u"StartInfosysButton"_s));
        QVERIFY(QTest::qWaitFor([form] { return !form->isRunning() && form->datenListe()->topLevelItemCount() > 0; }));
    }

    void aServerThatStoppedAnsweringIsBrokenOffWithEscOrStop()
    {
        MessageBoxes boxes;
        window()->AddInfosysForm();
        InfosysForm* form = infosysWindows(window()).value(0);
        // While the definition is read: Esc.
        auto arrived = holdFirst(server, u"EXQ|0|65:1"_s);
        whenTrue([arrived] { return arrived->load(); }, [form] { QTest::keyClick(form, Qt::Key_Escape); });
        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        QVERIFY(!form->isBusy());
        QCOMPARE(form->panelText(4), GetMessageTextByNr(35));
        QTRY_VERIFY(!matching(server, u"^BRQ\\|"_s).isEmpty());
        QVERIFY(boxes.texts.isEmpty());

        // While it runs: its Stop button.
        server.setScript({});
        form->BuildInfosysInfos(u"1"_s, u"KUNDUMS"_s, u"Kundenumsatz"_s);
        QVERIFY(form->isEditOpen());
        arrived = holdFirst(server, u"SFV|"_s);
        QPushButton* stop = form->findChild<QPushButton*>(u"AbbrechenButton"_s);
        whenTrue([arrived] { return arrived->load(); }, [stop] { click(stop); });
        click(form->findChild<QPushButton*>(u"StartInfosysButton"_s));
        QVERIFY(QTest::qWaitFor([form] { return !form->isBusy(); }, 10000));
        QCOMPARE(form->panelText(4), GetMessageTextByNr(35));
        QVERIFY(boxes.texts.isEmpty());
    }

    void theStoredPlaceSizeAndStateAreTakenInsideTheFrame()
    {
        // A maximised child makes the next one maximised too, as frames do: the query window
        // is shown normal first.
        frameOf(form)->showNormal();
        storePlace(1500, 750, 9000, 6000, 0);
        window()->AddInfosysForm();
        QMdiSubWindow* frame = frameOf(infosysWindows(window()).value(0));
        QVERIFY(frame);
        QCOMPARE(frame->geometry(),
                 QRect(Twips::toPixelsX(1500), Twips::toPixelsY(750), Twips::toPixelsX(9000), Twips::toPixelsY(6000)));
        QVERIFY(!frame->isMaximized());
        QVERIFY(frame->close());

        // The one window of the menus is placed the same way, hidden until it is shown.
        QWidget* single = window()->InfoWindow(u"InfosysForm"_s);
        QVERIFY(single && !single->isVisible());
        window()->ShowChildWindow(single);
        QCOMPARE(frameOf(single)->geometry(),
                 QRect(Twips::toPixelsX(1500), Twips::toPixelsY(750), Twips::toPixelsX(9000), Twips::toPixelsY(6000)));

        storePlace(1500, 750, 9000, 6000, 2);
        window()->AddInfosysForm();
        frame = frameOf(infosysWindows(window()).value(1));
        QVERIFY(frame->isMaximized());
        QCOMPARE(window()->activeChild(), frame->widget());
    }

    void closingKeepsThePlaceOnlyWhenTheSettingsSaySo()
    {
        frameOf(form)->showNormal();
        setSaveWindowState(false);
        storePlace(1500, 750, 9000, 6000, 0);
        window()->AddInfosysForm();
        QMdiSubWindow* frame = frameOf(infosysWindows(window()).value(0));
        frame->resize(frame->size() + QSize(30, 20));
        QVERIFY(frame->close());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, Section, u"WindowWidth"_s), u"9000"_s);

        setSaveWindowState(true);
        window()->AddInfosysForm();
        frame = frameOf(infosysWindows(window()).value(0));
        frame->resize(Twips::toPixelsX(9600), Twips::toPixelsY(6600));
        QVERIFY(frame->close());
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, Section, u"WindowWidth"_s).toDouble(),
                 Twips::fromPixelsX(Twips::toPixelsX(9600)));
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, Section, u"WindowState"_s), u"0"_s);
    }
};

VIEWER_TEST_MAIN(InfosysMainWindowTest)

#include "infosys_mainwindow_qtest.moc"
