#include "DatabaseInfoForm.h"
#include "HeadedSplitter.h"
#include "SettingsStore.h"
#include "Twips.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QSplitter>

using namespace CatalogueTest;
using namespace MainModul;

class DatabasesTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    DatabaseInfoForm* open()
    {
        server.clearReceived();
        return openFromMenu<DatabaseInfoForm>(u"DBInfoMenue"_s);
    }

    static QString heading(const QString& database) { return GetMessageTextByNr(356) + u" \""_s + database + u"\":"_s; }

private Q_SLOTS:
    void theMenuFillsBothListsAndARowClickFillsItsGroups()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(received(u"GDN|"_s), QStringList{u"GDN|0||1"_s});
        QCOMPARE(received(u"GGN|"_s), QStringList{u"GGN|0|1|ALL|1"_s});
        QCOMPARE(column(w->dbListe()), (QStringList{u"Kunde"_s, u"Artikel"_s, u"Auftrag"_s, u"Mitarbeiter"_s,
                                                    u"Einstellungen"_s, u"Infosystem"_s}));
        QCOMPARE(headers(w->dbListe()).value(1), GetMessageTextByNr(1602));
        QCOMPARE(w->gruppenlisteUeberschrift()->text(), heading(u"Kunde"_s));
        QCOMPARE(column(w->gruppenListe(), 2), QStringList{u"Kunde"_s});

        server.clearReceived();
        QVERIFY(clickRow(w->dbListe(), u"Einstellungen"_s));
        QCOMPARE(received(u"GGN|"_s), QStringList{u"GGN|0|12|ALL|1"_s});
        QCOMPARE(column(w->gruppenListe(), 2),
                 (QStringList{u"Passwort"_s, u"Druckeinstellung"_s, u"Selektionsvorlage"_s}));
        QCOMPARE(w->gruppenlisteUeberschrift()->text(), heading(u"Einstellungen"_s));

        // The kinds of groups: those for queries, then those new records go into.
        server.clearReceived();
        QTest::keyClick(w->gruppenTyp(), Qt::Key_Down);
        QCOMPARE(column(w->gruppenListe(), 2), (QStringList{u"Passwort"_s, u"Selektionsvorlage"_s}));
        QTest::keyClick(w->gruppenTyp(), Qt::Key_Down);
        QCOMPARE(received(u"GGN|"_s), (QStringList{u"GGN|0|12||1"_s, u"GGN|0|12|NEW|1"_s}));
    }

    void f5RefillsOnlyTheListWithTheFocus()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QVERIFY(clickRow(w->dbListe(), u"Auftrag"_s));
        clickRow(w->gruppenListe(), w->gruppenListe()->topLevelItem(1));
        server.clearReceived();
        QTest::keyClick(w->gruppenListe(), Qt::Key_F5);
        QCOMPARE(received(u"G"_s), QStringList{u"GGN|0|3|ALL|1"_s});

        server.clearReceived();
        QTest::keyClick(w->dbListe(), Qt::Key_F5);
        QCOMPARE(received(u"G"_s), (QStringList{u"GDN|0||1"_s, u"GGN|0|1|ALL|1"_s}));
        QCOMPARE(w->dbListe()->topLevelItemCount(), 6);
    }

    void aHeaderClickSortsTheRowsAndARefillTakesTheServersOrder()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        const QStringList ascending{u"Artikel"_s,    u"Auftrag"_s, u"Einstellungen"_s,
                                    u"Infosystem"_s, u"Kunde"_s,   u"Mitarbeiter"_s};
        clickHeader(w->dbListe(), 0);
        QCOMPARE(column(w->dbListe()), ascending);
        // A refill keeps the server's order until the user sorts again.
        QTest::keyClick(w->dbListe(), Qt::Key_F5);
        QCOMPARE(column(w->dbListe()).first(), u"Kunde"_s);
    }

    void chosenColumnsAreShownAndKeptForTheNextOpening()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        clickRow(w->dbListe(), w->dbListe()->topLevelItem(0));
        server.clearReceived();
        int shown = 0;
        toggleColumns({GetMessageTextByNr(1602), GetMessageTextByNr(1606)}, &shown);
        QTest::keyClick(w->dbListe(), Qt::Key_F7);
        QCOMPARE(shown, 1);
        QCOMPARE(received(u"GDN|"_s).size(), 1);
        const QStringList chosen{GetMessageTextByNr(1601), GetMessageTextByNr(1603), GetMessageTextByNr(1604),
                                 GetMessageTextByNr(1605)};
        QCOMPARE(headers(w->dbListe()), chosen);
        // The shown fields stay in their columns.
        QCOMPARE(w->dbListe()->topLevelItem(0)->text(1), Bool2ErpText(true));

        const QPointer<DatabaseInfoForm> closing(w);
        clickButton(w, u"OKButton"_s);
        QTRY_VERIFY(!closing);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, u"DBInfoWindowSettings"_s, u"DBList.Col2.Visible"_s),
                 u"0"_s);
        w = open();
        QVERIFY(w);
        QCOMPARE(headers(w->dbListe()), chosen);
    }

    void theContextMenuOffersTheColumnChoiceAndTheMenuKeyOpensItToo()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QMenu* menu = contextMenu(w->gruppenListe(), w->gruppenListe()->topLevelItem(0));
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), u"UniversalContextMenue"_s);
        int shown = 0;
        toggleColumns({GetMessageTextByNr(1621)}, &shown);
        clickEntry(menu, u"UniversalSpaltenWaehlenMenue"_s);
        QTRY_COMPARE(shown, 1);
        QCOMPARE(headers(w->gruppenListe()).value(0), GetMessageTextByNr(1621)); // the first column always shows
        QCOMPARE(headers(w->gruppenListe()).size(), 18);

        QTest::keyClick(w->dbListe(), Qt::Key_Menu);
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        menu->close();
        QTest::keyClick(w->dbListe(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
    }

    void anEmptyAnswerLeavesBothListsEmpty()
    {
        answerWith(u"GDN|"_s, emptyAnswer(u"GDN"_s));
        MessageBoxes boxes;
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(w->dbListe()->topLevelItemCount(), 0);
        QCOMPARE(w->gruppenListe()->topLevelItemCount(), 0);
        QVERIFY(received(u"GGN|"_s).isEmpty());
        QVERIFY(boxes.texts.isEmpty());
    }

    void aRefusedCatalogueIsShownAndF5TriesAgain()
    {
        answerWith(u"GDN|"_s, {u"NAK|0|Katalog gesperrt|1105|"_s});
        MessageBoxes boxes;
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(353) + u"\r\n"_s));
        QVERIFY(boxes.texts.first().contains(u"Katalog gesperrt"_s));
        QCOMPARE(w->dbListe()->topLevelItemCount(), 0);

        server.setScript({});
        QTest::mouseClick(w->dbListe()->viewport(), Qt::LeftButton);
        QTest::keyClick(w->dbListe(), Qt::Key_F5);
        QCOMPARE(w->dbListe()->topLevelItemCount(), 6);
        QCOMPARE(w->gruppenListe()->topLevelItemCount(), 1);
    }

    void aCloseDuringAFillBreaksTheRequestOffAndClosesOnceItEnded()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        const QPointer<DatabaseInfoForm> window(w);
        delayAnswers(u"GGN|"_s, 20000);
        MessageBoxes boxes;
        after(0, w, [w] { clickRow(w->dbListe(), u"Artikel"_s); });
        after(300, w, [w] { frameOf(w)->close(); });
        QTRY_VERIFY_WITH_TIMEOUT(!window, 15000);
        QVERIFY(!received(u"BRQ|"_s).isEmpty());
        QVERIFY(boxes.texts.isEmpty());
    }

    void theLastRowClickedDuringAFillIsFilledWhenItEnds()
    {
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        delayAnswers(u"GGN|"_s, 1000);
        server.clearReceived();
        after(0, w, [w] { clickRow(w->dbListe(), u"Artikel"_s); });
        after(200, w, [w] { clickRow(w->dbListe(), u"Auftrag"_s); });
        after(400, w, [w] { clickRow(w->dbListe(), u"Mitarbeiter"_s); });
        QTRY_COMPARE_WITH_TIMEOUT(w->gruppenlisteUeberschrift()->text(), heading(u"Mitarbeiter"_s), 10000);
        QCOMPARE(received(u"GGN|"_s), (QStringList{u"GGN|0|2|ALL|1"_s, u"GGN|0|4|ALL|1"_s}));
        QCOMPARE(column(w->gruppenListe(), 2), QStringList{u"Mitarbeiter"_s});
    }

    void theListsTakeTheirStoredWidthsThroughTheSplitter()
    {
        SettingsStore::SaveSetting(App().RegAppName, u"DBInfoWindowSettings"_s, u"DBListeWidth"_s, u"3000"_s);
        DatabaseInfoForm* w = open();
        QVERIFY(w);
        QTRY_COMPARE(w->dbListe()->width(), Twips::toPixelsX(3000));
        // The headings follow the panes below them.
        auto* split = w->findChild<HeadedSplitter*>();
        QTRY_COMPARE(split->headings()->sizes(), split->splitter()->sizes());
    }
};

VIEWER_TEST_MAIN(DatabasesTest)
#include "databases_qtest.moc"
