// The information-system catalogue: the information systems by name, work area and kind, the
// fields of the one chosen, and the information system a row hands on.
#include "ChildWindowCommands.h"
#include "InfosysInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

using namespace CatalogueTest;
using namespace MainModul;

namespace {

// Stands in for the information-system window: records what it is asked to show.
class InfosysRecorder : public QWidget
{
    Q_OBJECT

public:
    QStringList calls;
    Q_INVOKABLE void InitControls() { calls << u"InitControls"_s; }
    Q_INVOKABLE void BuildInfosysInfos(const QString& number, const QString& searchWord, const QString& description)
    {
        calls << number + u'|' + searchWord + u'|' + description;
    }
};

} // namespace

class InfosysCatalogueTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    InfosysInfoForm* open()
    {
        server.clearReceived();
        return openFromMenu<InfosysInfoForm>(u"InfosystemInfoMenue"_s);
    }

    // The kinds ticked, then the search started as a user does it.
    void search(InfosysInfoForm* w, bool standard, bool custom)
    {
        for (const auto& [name, on] : {std::pair{u"StdInfosys"_s, standard}, std::pair{u"IndivInfosys"_s, custom}}) {
            if (w->findChild<QCheckBox*>(name)->isChecked() != on)
                clickButton(w, name);
        }
        server.clearReceived();
        clickButton(w, u"StartButton"_s);
    }

    bool entryEnabled(const QString& name) const { return viewer.window->menus().action(name)->isEnabled(); }

private Q_SLOTS:
    void theCatalogueComesWithTheFieldsOfItsFirstInformationSystem()
    {
        InfosysInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(received(u"GIS|"_s).size(), 1);
        QVERIFY(received(u"GIS|"_s).first().startsWith(u"GIS|0|||ALL|"_s));
        QCOMPARE(column(w->infosysListe(), 1), (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(w->panelText(1), u"3 "_s + GetMessageTextByNr(1111));
        QCOMPARE(received(u"GFN|"_s).size(), 1);
        QVERIFY(received(u"GFN|"_s).first().startsWith(u"GFN|0|1||"_s));
        QVERIFY(received(u"GFN|"_s).first().contains(u"|INFOSYS|"_s));
        const int fields = w->infosysFeldliste()->topLevelItemCount();
        QVERIFY(fields > 0);
        QCOMPARE(w->findChild<QLabel*>(u"InfosysFeldlisteLabel"_s)->text(), GetMessageTextByNr(1107) + u" 1:"_s);
        QCOMPARE(w->panelText(2), u"/vertrieb/KUNDUMS: "_s + QString::number(fields) + u' ' + GetMessageTextByNr(1112));
        QVERIFY(entryEnabled(u"RunInfosystemMenue"_s));
        QVERIFY(entryEnabled(u"ViewInfosystemMenue"_s));

        server.clearReceived();
        clickRow(w->infosysListe(), w->infosysListe()->topLevelItem(1));
        QCOMPARE(received(u"GFN|"_s).size(), 1);
        QVERIFY(received(u"GFN|"_s).first().startsWith(u"GFN|0|2||"_s));
        QVERIFY(w->panelText(2).startsWith(u"/lager/ARTBEST: "_s));
    }

    void theKindBoxesAndTheWorkAreaChooseWhatIsListed()
    {
        InfosysInfoForm* w = open();
        QVERIFY(w);
        search(w, false, true);
        QVERIFY(received(u"GIS|"_s).value(0).startsWith(u"GIS|0|||CUSTOM|"_s));
        QCOMPARE(column(w->infosysListe(), 1), QStringList{u"2"_s});
        QCOMPARE(w->panelText(1), u"1 "_s + GetMessageTextByNr(1110));
        search(w, true, false);
        QVERIFY(received(u"GIS|"_s).value(0).startsWith(u"GIS|0|||STANDARD|"_s));
        search(w, false, false);
        QVERIFY(received(u"GIS|"_s).value(0).startsWith(u"GIS|0|||ALL|"_s));

        // A work area lists by name and work area, whatever the kind boxes say; Enter searches.
        QLineEdit* workArea = w->findChild<QLineEdit*>(u"Arbeitsbereich"_s);
        workArea->setFocus();
        QTest::keyClicks(workArea, u"lager"_s);
        server.clearReceived();
        QTest::keyClick(workArea, Qt::Key_Return);
        QVERIFY(received(u"GIS|"_s).value(0).startsWith(u"GIS|0||lager|ALL|"_s));
        QCOMPARE(column(w->infosysListe(), 1), QStringList{u"2"_s});
    }

    void aSearchWithoutHitsEmptiesTheFieldsAndLeavesRunAndShowOff()
    {
        InfosysInfoForm* w = open();
        QVERIFY(w);
        QLineEdit* name = w->findChild<QLineEdit*>(u"InfosysName"_s);
        name->setFocus();
        QTest::keyClicks(name, u"gibtsnicht"_s);
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(w->infosysListe()->topLevelItemCount(), 0);
        QCOMPARE(w->infosysFeldliste()->topLevelItemCount(), 0);
        QCOMPARE(w->panelText(1), u"0 "_s + GetMessageTextByNr(1111));
        QVERIFY(!entryEnabled(u"RunInfosystemMenue"_s));
        QVERIFY(!entryEnabled(u"ViewInfosystemMenue"_s));
    }

    void aRowHandsOnItsRecordWhicheverColumnsAreShown()
    {
        InfosysInfoForm* w = open();
        QVERIFY(w);
        clickRow(w->infosysListe(), w->infosysListe()->topLevelItem(0));
        toggleColumns({GetMessageTextByNr(1802), GetMessageTextByNr(1803)});
        QTest::keyClick(w->infosysListe(), Qt::Key_F7);
        QCOMPARE(headers(w->infosysListe()).size(), 6);

        server.clearReceived();
        clickRow(w->infosysListe(), w->infosysListe()->topLevelItem(1));
        QVERIFY(received(u"GFN|"_s).value(0).startsWith(u"GFN|0|2||"_s));
        QVERIFY(w->panelText(2).startsWith(u"/lager/ARTBEST: "_s));

        InfosysRecorder recorder;
        QVERIFY(ChildWindowCommands::OpenSelectedInfosys(w, &recorder));
        QCOMPARE(recorder.calls.value(0), u"InitControls"_s);
        QVERIFY(recorder.calls.value(1).startsWith(u"2|ARTBEST|"_s));
        QCOMPARE(recorder.calls.value(1).section(u'|', 2),
                 InfosysInfoForm::recordField(w->infosysListe()->topLevelItem(1), 7));
    }

    void theLastRowClickedDuringAFieldFillIsFilledWhenItEnds()
    {
        InfosysInfoForm* w = open();
        QVERIFY(w);
        delayAnswers(u"GFN|0|2|"_s, 1000);
        server.clearReceived();
        QTreeWidget* list = w->infosysListe();
        after(0, w, [list] { clickRow(list, list->topLevelItem(1)); });
        after(200, w, [list] { clickRow(list, list->topLevelItem(2)); });
        after(400, w, [list] { clickRow(list, list->topLevelItem(0)); });
        auto* label = w->findChild<QLabel*>(u"InfosysFeldlisteLabel"_s);
        QTRY_VERIFY_WITH_TIMEOUT(received(u"GFN|"_s).size() == 2, 10000);
        QTRY_COMPARE(label->text(), GetMessageTextByNr(1107) + u" 1:"_s);
        QVERIFY(received(u"GFN|"_s).value(0).startsWith(u"GFN|0|2||"_s));
        QVERIFY(received(u"GFN|"_s).value(1).startsWith(u"GFN|0|1||"_s));
    }

    void aRefusedCatalogueIsShownAndTheWindowDoesNotOpen()
    {
        answerWith(u"GIS|"_s, {u"NAK|0|Infosysteme gesperrt|1118|"_s});
        MessageBoxes boxes;
        QVERIFY(!open());
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(1108) + u"\r\n"_s));
        QVERIFY(boxes.texts.first().contains(u"Infosysteme gesperrt"_s));
        QTRY_VERIFY(!viewer.window->findChild<InfosysInfoForm*>());
    }
};

VIEWER_TEST_MAIN(InfosysCatalogueTest)
#include "catalogue_infosystems_qtest.moc"
