// The key information window, opened by the query window's key information button for the
// key chosen in its key box.
#include "SchlInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using namespace CatalogueTest;
using namespace MainModul;

namespace {

// A key record of the catalogue: name, range, storage kind, fields, database, group bits,
// group names, condition type, table key, storage flag, number, custom, name in the primary
// language, identifier, group numbers, count.
QStringList keyAnswer(const QString& fields, const QString& condition, const QString& tableKey)
{
    return {u"BOD|0|GKN|1"_s,
            u"D|0|bedkey|Bereich|lebendig|"_s + fields + u"|3|2|Auftrag|"_s + condition + u'|' + tableKey +
                u"|1|7|0|Bedingter Schlüssel|BEDKEY|1|42"_s,
            u"EOD|0|GKN|1|1"_s};
}

} // namespace

class KeyInfoTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    // What the dialog showed when it came up, field by field.
    QMap<QString, QString> shown;
    bool tableKey = false;
    bool dialogShown = false;

    // Chooses the key in the key box of the query window of the orders.
    void chooseKey(const QString& key)
    {
        auto* keys = form->findChild<QComboBox*>(u"Schluessel"_s);
        keys->setFocus();
        QTest::keyClicks(keys, key);
    }

    // Chooses the key and clicks the information button.
    void askForKey(const QString& key)
    {
        shown.clear();
        dialogShown = false;
        whenShown(
            u"SchlInfoForm"_s,
            [this](QWidget* dialog) {
                dialogShown = true;
                for (auto* edit : dialog->findChildren<QLineEdit*>())
                    shown.insert(edit->objectName(), edit->text());
                tableKey = dialog->findChild<QCheckBox*>(u"Tabellenschluessel"_s)->isChecked();
                clickButton(dialog, u"OKButton"_s);
            },
            false);
        chooseKey(key);
        QCOMPARE(form->findChild<QComboBox*>(u"Schluessel"_s)->currentText(), key);
        clickButton(form, u"SchlInfoButton"_s);
    }

private Q_SLOTS:
    void init()
    {
        server.setScript({});
        QVERIFY(logOn());
        QVERIFY(openTable(form, u"Auftrag:Auftrag"_s));
        server.clearReceived();
    }

    void theButtonShowsTheChosenKeysCatalogueRecord()
    {
        askForKey(u"offen"_s);
        QTRY_VERIFY(dialogShown);
        QCOMPARE(received(u"GKN|"_s), QStringList{u"GKN|0|3:1|offen|200|0"_s});
        QCOMPARE(shown.value(u"Schluesselname"_s), u"offen"_s);
        QCOMPARE(shown.value(u"Datenbank"_s), u"3"_s);
        QCOMPARE(shown.value(u"GruppenNamen"_s), u"Auftrag"_s);
        QCOMPARE(shown.value(u"Ablageart"_s), u"lebendig (1)"_s);
        QCOMPARE(shown.value(u"SchluesselBezeichner"_s), u"OFFEN"_s);
        QVERIFY(!tableKey);
    }

    void aConditionFieldIsTheSecondNameOfAConditionalKey()
    {
        answerWith(u"GKN|"_s, keyAnswer(u"offen,kunde,datum"_s, u"2"_s, u"1"_s));
        askForKey(u"offen"_s);
        QTRY_VERIFY(dialogShown);
        QCOMPARE(shown.value(u"Bedingungsfeld"_s), u"kunde"_s);
        QCOMPARE(shown.value(u"Schluesselfelder"_s), u"kunde,datum"_s);
        QCOMPARE(shown.value(u"Schluesselart"_s), u"Bereich (2)"_s);
        QCOMPARE(shown.value(u"SchluesselZahl"_s), u"42"_s);
        QVERIFY(tableKey);
    }

    void theServersConditionFieldIsTheOneShown()
    {
        // The customers' key over the active ones by category, as the server names it.
        QVERIFY(openTable(form, u"Kunde:Kunde"_s));
        askForKey(u"aktivkat"_s);
        QTRY_VERIFY(dialogShown);
        QCOMPARE(shown.value(u"Bedingungsfeld"_s), u"aktiv"_s);
        QCOMPARE(shown.value(u"Schluesselfelder"_s), u"aktiv,kategorie,nummer"_s);
    }

    void aConditionalKeyWithoutACommaHasNoConditionField()
    {
        answerWith(u"GKN|"_s, keyAnswer(u"nummer"_s, u"1"_s, u"0"_s));
        askForKey(u"offen"_s);
        QTRY_VERIFY(dialogShown);
        QCOMPARE(shown.value(u"Bedingungsfeld"_s), QString());
        QCOMPARE(shown.value(u"Schluesselfelder"_s), u"nummer"_s);

        // Without a condition the key fields are the whole text.
        answerWith(u"GKN|"_s, keyAnswer(u"kunde,datum"_s, u"0"_s, u"0"_s));
        askForKey(u"offen"_s);
        QTRY_VERIFY(dialogShown);
        QCOMPARE(shown.value(u"Bedingungsfeld"_s), QString());
        QCOMPARE(shown.value(u"Schluesselfelder"_s), u"kunde,datum"_s);
    }

    void aKeyTheServerDoesNotKnowOrRefusesIsShownInAMessageInstead()
    {
        MessageBoxes boxes;
        answerWith(u"GKN|"_s, emptyAnswer(u"GKN"_s));
        askForKey(u"offen"_s);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(342) + u"\r\n"_s + GetMessageTextByNr(344) +
                                          u" \"Auftrag:Auftrag\", "_s + GetMessageTextByNr(343) + u" \"offen\"\r\n"_s +
                                          GetMessageTextByNr(345));

        answerWith(u"GKN|"_s, {u"NAK|0|Schlüsselkatalog gesperrt|1103|"_s});
        askForKey(u"offen"_s);
        QCOMPARE(boxes.texts.size(), 2);
        QVERIFY(boxes.texts.last().startsWith(GetMessageTextByNr(346) + u"\r\n"_s));
        QVERIFY(boxes.texts.last().contains(u"Schlüsselkatalog gesperrt"_s));
        QVERIFY(!dialogShown);
        // Nothing half filled stays behind for the next showing.
        QCOMPARE(SchlInfoForm::DefaultInstance()->field(u"Schluesselname"_s)->text(), QString());
    }

    void okWhileTheDialogWaitsClosesItOnceTheWaitEndedWithoutAWord()
    {
        MessageBoxes boxes;
        delayAnswers(u"GKN|"_s, 1500);
        chooseKey(u"offen"_s);
        QVERIFY(okWhileFilledClosesTheDialog(u"SchlInfoForm"_s, [this] { clickButton(form, u"SchlInfoButton"_s); }));
        QVERIFY(!SchlInfoForm::DefaultInstance()->isVisible());
        QVERIFY(boxes.texts.isEmpty());
        QVERIFY(received(u"BRQ|"_s).isEmpty());
    }

    void aDialogClosedWhileItWaitsGoesWithoutAWord()
    {
        MessageBoxes boxes;
        const auto arrived = holdFirst(server, u"GKN|"_s);
        chooseKey(u"offen"_s);
        whenShown(
            u"SchlInfoForm"_s, [](QWidget* w) { w->close(); }, true, Moment::Waiting);
        clickButton(form, u"SchlInfoButton"_s);
        QVERIFY(arrived->load());
        QVERIFY(boxes.texts.isEmpty());
        QTRY_VERIFY(!SchlInfoForm::DefaultInstance()->isVisible());
        QTRY_VERIFY(!received(u"BRQ|"_s).isEmpty());
    }
};

VIEWER_TEST_MAIN(KeyInfoTest)
#include "keyinfo_qtest.moc"
