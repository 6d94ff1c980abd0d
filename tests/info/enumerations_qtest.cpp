#include "AufzInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QLabel>
#include <QPointer>

using namespace CatalogueTest;
using namespace MainModul;

class EnumerationsTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    AufzInfoForm* open()
    {
        server.clearReceived();
        return openFromMenu<AufzInfoForm>(u"AufzInfoMenue"_s);
    }

    static QString heading(const QString& name) { return GetMessageTextByNr(303) + u' ' + name + u':'; }

private Q_SLOTS:
    void theEnumerationsComeWithThePositionsOfTheFirstAndAClickShowsAnothers()
    {
        AufzInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(received(u"GAZ|"_s), (QStringList{u"GAZ|0||HEAD|0|1"_s, u"GAZ|0|A2|POS|0|1"_s}));
        QCOMPARE(column(w->aufzListe()).mid(0, 3), (QStringList{u"A2"_s, u"A20"_s, u"A35"_s}));
        QCOMPARE(headers(w->aufzListe()).value(0), GetMessageTextByNr(1651));
        QCOMPARE(w->aufzPosListeLabel()->text(), heading(u"A2"_s));
        QCOMPARE(column(w->aufzPosListe(), 1), (QStringList{u"nein"_s, u"ja"_s}));

        server.clearReceived();
        QVERIFY(clickRow(w->aufzListe(), u"A35"_s));
        QCOMPARE(received(u"GAZ|"_s), QStringList{u"GAZ|0|A35|POS|0|1"_s});
        QCOMPARE(w->aufzPosListeLabel()->text(), heading(u"A35"_s));
        QCOMPARE(column(w->aufzPosListe()), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));

        // The enumeration shown is not asked for again on a click, but F5 on the positions asks.
        server.clearReceived();
        QVERIFY(clickRow(w->aufzListe(), u"A35"_s));
        QVERIFY(received(u"GAZ|"_s).isEmpty());
        clickRow(w->aufzPosListe(), w->aufzPosListe()->topLevelItem(0));
        QTest::keyClick(w->aufzPosListe(), Qt::Key_F5);
        QCOMPARE(received(u"GAZ|"_s), QStringList{u"GAZ|0|A35|POS|0|1"_s});
    }

    void enumerationsThatCannotBeReadCloseTheWindow()
    {
        answerWith(u"GAZ|0||HEAD"_s, {u"NAK|0|Keine Aufzählungen|1104|"_s});
        MessageBoxes boxes;
        QVERIFY(!open());
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(304) + u"\r\n"_s));
        QVERIFY(boxes.texts.first().contains(u"Keine Aufzählungen"_s));
        QTRY_VERIFY(!viewer.window->findChild<AufzInfoForm*>());
    }

    void unreadablePositionsLeaveTheirListEmptyAndTheWindowOpen()
    {
        answerWith(u"GAZ|0|A2|POS"_s, {u"NAK|0|Gesperrt|1104|"_s});
        MessageBoxes boxes;
        AufzInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(305) + u" A2\r\n"_s));
        QCOMPARE(w->aufzPosListe()->topLevelItemCount(), 0);
        QVERIFY(w->aufzListe()->topLevelItemCount() > 10);
    }

    void anEmptyAnswerLeavesBothListsEmpty()
    {
        answerWith(u"GAZ|0||HEAD"_s, emptyAnswer(u"GAZ"_s));
        MessageBoxes boxes;
        AufzInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(w->aufzListe()->topLevelItemCount(), 0);
        QCOMPARE(w->aufzPosListe()->topLevelItemCount(), 0);
        QCOMPARE(received(u"GAZ|"_s).size(), 1);
        QVERIFY(boxes.texts.isEmpty());
    }

    void theLastEnumerationClickedDuringAFillIsFilledWhenItEnds()
    {
        AufzInfoForm* w = open();
        QVERIFY(w);
        delayAnswers(u"GAZ|0|A20|POS"_s, 1000);
        server.clearReceived();
        after(0, w, [w] { clickRow(w->aufzListe(), u"A20"_s); });
        after(200, w, [w] { clickRow(w->aufzListe(), u"A35"_s); });
        after(400, w, [w] { clickRow(w->aufzListe(), u"A36"_s); });
        QTRY_COMPARE_WITH_TIMEOUT(w->aufzPosListeLabel()->text(), heading(u"A36"_s), 10000);
        QCOMPARE(received(u"GAZ|"_s), (QStringList{u"GAZ|0|A20|POS|0|1"_s, u"GAZ|0|A36|POS|0|1"_s}));
        QCOMPARE(column(w->aufzPosListe()), (QStringList{u"St"_s, u"kg"_s, u"m"_s, u"l"_s}));
    }

    void aReloadWhileAFillRunsIsRefused()
    {
        AufzInfoForm* w = open();
        QVERIFY(w);
        delayAnswers(u"GAZ|0|A20|POS"_s, 1000);
        server.clearReceived();
        after(0, w, [w] { clickRow(w->aufzListe(), u"A20"_s); });
        after(200, w, [w] { QTest::keyClick(w->aufzListe(), Qt::Key_F5); });
        QTRY_COMPARE_WITH_TIMEOUT(w->aufzPosListe()->topLevelItemCount(), 5, 10000);
        QCOMPARE(received(u"GAZ|"_s), QStringList{u"GAZ|0|A20|POS|0|1"_s});
    }
};

VIEWER_TEST_MAIN(EnumerationsTest)
#include "enumerations_qtest.moc"
