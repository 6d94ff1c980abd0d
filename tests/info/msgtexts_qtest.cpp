// The message-text window: the server's texts searched by text or read by number, in the
// languages chosen.
#include "MsgInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace CatalogueTest;
using namespace MainModul;

class MsgTextsTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    MsgInfoForm* open()
    {
        server.clearReceived();
        return openFromMenu<MsgInfoForm>(u"MeldungsInfoMenue"_s);
    }

    static void type(MsgInfoForm* w, const QString& field, const QString& text)
    {
        auto* edit = w->findChild<QLineEdit*>(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    static void selectLanguages(MsgInfoForm* w)
    {
        QListWidget* languages = w->sprachenListe();
        for (int i = 0; i < languages->count(); ++i) {
            if (!languages->item(i)->isSelected())
                QTest::mouseClick(languages->viewport(), Qt::LeftButton, {},
                                  languages->visualItemRect(languages->item(i)).center());
        }
    }

    // Picks the dictionary by its code with the keyboard (the entry that begins with it).
    static void chooseDictionary(MsgInfoForm* w, const QString& code)
    {
        auto* dictionary = w->findChild<QComboBox*>(u"Woerterbuch"_s);
        dictionary->setFocus();
        QTest::keyClicks(dictionary, code);
        QVERIFY(dictionary->currentText().startsWith(code));
    }

private Q_SLOTS:
    void openingReadsTheLanguagesAndSearchesNothing()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        QCOMPARE(received(u"GAZ|"_s), (QStringList{u"GAZ|0|A158|POS|0|1"_s, u"GAZ|0|A73|POS|0|1"_s}));
        QVERIFY(received(u"GMT|"_s).isEmpty());
        QCOMPARE(w->sprachenListe()->count(), 2); // "(all)" is left out
        QCOMPARE(w->sprachenListe()->item(0)->text(), u"Deutsch"_s);
        QCOMPARE(w->findChild<QComboBox*>(u"Woerterbuch"_s)->count(), 10);
    }

    void aTextIsSearchedInAllDictionariesInTheChosenLanguages()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        selectLanguages(w);
        type(w, u"MsgText"_s, u"order"_s);
        clickButton(w, u"GrossKleinIgnorieren"_s);
        server.clearReceived();
        clickButton(w, u"StartButton"_s);
        QCOMPARE(received(u"GMT|"_s), QStringList{u"GMT|0|||D,E|order|1|1"_s});
        QVERIFY(w->msgListe()->topLevelItemCount() > 0);
        const QStringList languages = column(w->msgListe(), 2);
        QVERIFY(languages.contains(u"E"_s));
        QCOMPARE(headers(w->msgListe()).value(3), GetMessageTextByNr(1754));
        QCOMPARE(w->statusText(),
                 GetMessageTextByNr(1021) + u": "_s + QString::number(w->msgListe()->topLevelItemCount()));
    }

    void numbersAreReadInOneDictionaryInEveryChosenLanguage()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        selectLanguages(w);
        type(w, u"MsgNummern"_s, u"100 abc  102 0 -5"_s);
        QVERIFY(w->findChild<QRadioButton*>(u"Nummernsuche"_s)->isChecked());
        chooseDictionary(w, u"cc"_s);
        server.clearReceived();
        QTest::keyClick(w->msgListe(), Qt::Key_F5);
        QCOMPARE(received(u"GMT|"_s), QStringList{u"GMT|0|cc|100,102|D,E||0|1"_s});
        QCOMPARE(column(w->msgListe(), 3),
                 (QStringList{u"Datensatz gespeichert"_s, u"Record saved"_s, u"Bitte warten"_s, u"Please wait"_s}));
    }

    void inputErrorsChangeNothingAndSendNothing()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        chooseDictionary(w, u"cc"_s);
        type(w, u"MsgNummern"_s, u"100"_s);
        clickButton(w, u"StartButton"_s);
        QCOMPARE(w->msgListe()->topLevelItemCount(), 1);
        const QString status = w->statusText();

        MessageBoxes boxes;
        server.clearReceived();
        type(w, u"MsgNummern"_s, u"0 abc"_s);
        clickButton(w, u"StartButton"_s);
        type(w, u"MsgNummern"_s, QString());
        clickButton(w, u"Nummernsuche"_s);
        clickButton(w, u"StartButton"_s);
        type(w, u"MsgNummern"_s, u"100"_s);
        auto* dictionary = w->findChild<QComboBox*>(u"Woerterbuch"_s);
        dictionary->setFocus();
        QTest::keyClick(dictionary, Qt::Key_Home);
        QCOMPARE(dictionary->currentIndex(), 0);
        clickButton(w, u"StartButton"_s);
        QCOMPARE(boxes.texts, (QStringList{u"Keine nummerischen Meldungsnummern"_s, u"Mindestens eine Nummer angeben"_s,
                                           u"Nummern können nur in einzelnem Wörterbuch gelesen werden"_s}));
        QVERIFY(received(u"GMT|"_s).isEmpty());
        QCOMPARE(w->msgListe()->topLevelItemCount(), 1);
        QCOMPARE(w->statusText(), status);
    }

    void aRefusedSearchEmptiesTheRowsAndKeepsTheColumns()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        type(w, u"MsgText"_s, u"Kunde"_s);
        clickButton(w, u"StartButton"_s);
        QVERIFY(w->msgListe()->topLevelItemCount() > 0);
        const QStringList columns = headers(w->msgListe());

        answerWith(u"GMT|"_s, {u"NAK|0|Wörterbuch gesperrt|1123|"_s});
        MessageBoxes boxes;
        clickButton(w, u"StartButton"_s);
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(u"Suche des Textes gescheitert\r\n"_s));
        QVERIFY(boxes.texts.first().contains(u"Wörterbuch gesperrt"_s));
        QCOMPARE(w->msgListe()->topLevelItemCount(), 0);
        QCOMPARE(headers(w->msgListe()), columns);
        QCOMPARE(w->statusText(), GetMessageTextByNr(1021) + u": 0"_s);
    }

    void aLanguageListThatCannotBeReadIsReportedAndTheWindowDoesNotOpen()
    {
        answerWith(u"GAZ|0|A73|"_s, {u"NAK|0|Aufzählung fehlt|1104|"_s});
        MessageBoxes boxes;
        QVERIFY(!open());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(1020) + u" (A73)"_s});
        QTRY_VERIFY(!viewer.window->findChild<MsgInfoForm*>());
    }

    void languagesThatCannotBeReadOnAReloadAreReportedAndTheWindowCloses()
    {
        MsgInfoForm* w = open();
        QVERIFY(w);
        // The main window reloads every window when the session's language changes.
        answerWith(u"GAZ|0|A158|"_s, {u"NAK|0|Aufzählung fehlt|1104|"_s});
        MessageBoxes boxes;
        viewer.window->ReloadAllMDIChilds();
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(1020) + u" (A158)"_s});
        QTRY_VERIFY(!viewer.window->findChild<MsgInfoForm*>());
    }

    void aServerBeforeProtocol3OpensNothing()
    {
        App().ServerProtocolVersion = 2.9;
        QVERIFY(!open());
        QVERIFY(received(u"GAZ|"_s).isEmpty());
        QTRY_VERIFY(!viewer.window->findChild<MsgInfoForm*>());
        App().ServerProtocolVersion = 3.31;
    }

    void numbersAreTheWholeValuesAboveZeroTheTextsStartWith_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<int>("count");
        QTest::newRow("mixed") << QStringList{u"12"_s, u"0"_s, u"-5"_s, u"abc"_s, u"7"_s} << QList<int>{12, 7} << 2;
        QTest::newRow("none") << QStringList{u"0"_s, u"abc"_s} << QList<int>{0, 0} << 0;
        QTest::newRow("empty part") << QStringList{u"3"_s, QString(), u"4x"_s} << QList<int>{3, 4} << 2;
        QTest::newRow("halves to even") << QStringList{u"2.5"_s, u"3.5"_s} << QList<int>{2, 4} << 2;
        QTest::newRow("too large") << QStringList{u"99999999999"_s, u"8"_s} << QList<int>{8} << 1;
    }

    void numbersAreTheWholeValuesAboveZeroTheTextsStartWith()
    {
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, numbers);
        QFETCH(int, count);
        QList<int> result;
        int n = -1;
        MsgInfoForm::StringArray2LongArray(texts, result, n);
        QCOMPARE(n, count);
        QCOMPARE(result, numbers);
    }
};

VIEWER_TEST_MAIN(MsgTextsTest)
#include "msgtexts_qtest.moc"
