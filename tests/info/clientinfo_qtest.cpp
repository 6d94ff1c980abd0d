// The client-information window: a modal dialog the main menu fills from the session.
#include "MandInfoForm.h"
#include "ViewerTestMain.h"
#include "catalogue_support.h"

#include <QTabWidget>

using namespace CatalogueTest;
using namespace MainModul;

class ClientInfoTest : public CatalogueWindowTest
{
    Q_OBJECT

private:
    QMap<QString, QString> shown;
    QMap<QString, bool> ticked;
    int tab = -1;

    // Opens the dialog from the menu; records what it shows and leaves it on tabToLeave.
    void openDialog(int tabToLeave = 0)
    {
        shown.clear();
        ticked.clear();
        tab = -1;
        whenShown(u"MandInfoForm"_s, [this, tabToLeave](QWidget* w) {
            auto* dialog = qobject_cast<MandInfoForm*>(w);
            tab = dialog->tabs()->currentIndex();
            for (const char16_t* field :
                 {u"MandBez", u"MandID", u"MandVerzUNC", u"HOMEDIR", u"GUIDDEName", u"TAVVersion", u"ServerKLVVersion",
                  u"AktBenutzer", u"AktZeichen", u"AktSprache", u"Aufrufernummer", u"TAVServer", u"NetzPort",
                  u"AnwName", u"ClientKLVVersion", u"MaxClientKLVVersion"})
                shown.insert(QString::fromUtf16(field), dialog->text(QString::fromUtf16(field)));
            for (const char16_t* box : {u"IstWartungsmodus", u"EFOPsAusfuehren"})
                ticked.insert(QString::fromUtf16(box), dialog->isChecked(QString::fromUtf16(box)));
            QTabBar* bar = dialog->tabs()->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tabToLeave).center());
            clickButton(dialog, u"OKButton"_s);
        });
        viewer.window->menus().action(u"MandInfoMenue"_s)->trigger();
    }

private Q_SLOTS:
    void theDialogShowsTheSessionTheUserAndTheConnection()
    {
        openDialog(2);
        QCOMPARE(tab, 0);
        QCOMPARE(shown.value(u"MandBez"_s), u"Demo Trading Ltd"_s);
        QCOMPARE(shown.value(u"MandID"_s), u"100"_s);
        QCOMPARE(shown.value(u"MandVerzUNC"_s), u"\\\\erpsrv\\mand\\100"_s);
        QCOMPARE(shown.value(u"HOMEDIR"_s), u"/srv/erp/home/admin"_s);
        QCOMPARE(shown.value(u"GUIDDEName"_s), u"WEXAGUI_100"_s);
        QCOMPARE(shown.value(u"TAVVersion"_s), u"6.12"_s);
        QCOMPARE(shown.value(u"ServerKLVVersion"_s), u"3.31"_s);
        QCOMPARE(shown.value(u"AktBenutzer"_s), u"admin (Administrator)"_s);
        QCOMPARE(shown.value(u"AktZeichen"_s), u"ADM"_s);
        QCOMPARE(shown.value(u"Aufrufernummer"_s), u"DB100"_s);
        QCOMPARE(shown.value(u"TAVServer"_s), u"127.0.0.1"_s);
        QCOMPARE(shown.value(u"NetzPort"_s), QString::number(server.port()));
        QCOMPARE(shown.value(u"AnwName"_s), u"KLVViewer"_s);
        QCOMPARE(shown.value(u"ClientKLVVersion"_s), u"3.24"_s);
        QCOMPARE(shown.value(u"MaxClientKLVVersion"_s), u"3.31"_s);
        QVERIFY(!ticked.value(u"IstWartungsmodus"_s));
        QVERIFY(ticked.value(u"EFOPsAusfuehren"_s));
        QCOMPARE(linesStartingWith(server, u"RDP|0|(12,11,1)|name,bezeich|"_s).size(), 1);

        // It opens on its first tab again.
        openDialog();
        QCOMPARE(tab, 0);
    }

    void maintenanceModeTicksItsBoxAndAnUnreadableUserStaysEmpty()
    {
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (line.startsWith(u"SHO|0|MAINTMODE|"_s)) {
                for (const QString& l : {u"BOD|0|SHO|1"_s, u"D|0|MAINTMODE|1"_s, u"EOD|0|SHO|1|1"_s})
                    reply.sendLine(l);
                return true;
            }
            if (line.startsWith(u"RDP|"_s)) {
                reply.sendLine(u"NAK|0|Kein Zugriff|1106|"_s);
                return true;
            }
            return false;
        });
        MessageBoxes boxes;
        openDialog();
        QVERIFY(ticked.value(u"IstWartungsmodus"_s));
        QCOMPARE(shown.value(u"AktBenutzer"_s), QString());
        QCOMPARE(shown.value(u"AktZeichen"_s), u"ADM"_s);
    }

    void aConnectionThatIsGoneIsSaidAndTheDialogDoesNotOpen()
    {
        // The server ends the connection at the first value asked for.
        server.setScript([](int, const QString& line, bool, KlvScriptReply& reply) {
            if (!line.startsWith(u"SHO|0|MANDANT|"_s))
                return false;
            reply.close();
            return true;
        });
        MessageBoxes boxes;
        bool opened = false;
        whenShown(
            u"MandInfoForm"_s,
            [&opened](QWidget* w) {
                opened = true;
                qobject_cast<QDialog*>(w)->reject();
            },
            false);
        viewer.window->menus().action(u"MandInfoMenue"_s)->trigger();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().startsWith(GetMessageTextByNr(1058) + u"\r\n"_s), qPrintable(boxes.texts.first()));
        QVERIFY(boxes.texts.first().size() > GetMessageTextByNr(1058).size() + 2); // and why
        QTest::qWait(50);
        QVERIFY(!opened);
    }

    void aServerThatStoppedAnsweringIsBrokenOffWithEsc()
    {
        const auto arrived = holdFirst(server, u"SHO|0|MANDANT|"_s);
        MessageBoxes boxes;
        // The dialog shows while it waits, and Esc ends the wait.
        whenShown(
            u"MandInfoForm"_s, [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, true, Moment::Waiting);
        viewer.window->menus().action(u"MandInfoMenue"_s)->trigger();
        QVERIFY(arrived->load());
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(35)});
        QVERIFY(!MandInfoForm::DefaultInstance()->isVisible());
        QTRY_VERIFY(!received(u"BRQ|"_s).isEmpty());
    }

    void aDialogClosedWhileItWaitsGoesWithoutAWord()
    {
        const auto arrived = holdFirst(server, u"SHO|0|MANDANT|"_s);
        server.clearReceived();
        MessageBoxes boxes;
        whenShown(
            u"MandInfoForm"_s, [](QWidget* w) { w->close(); }, true, Moment::Waiting);
        viewer.window->menus().action(u"MandInfoMenue"_s)->trigger();
        QVERIFY(arrived->load());
        QVERIFY(boxes.texts.isEmpty());
        QTRY_VERIFY(!MandInfoForm::DefaultInstance()->isVisible());
        QTRY_VERIFY(!received(u"BRQ|"_s).isEmpty());
    }

    void okWhileTheDialogWaitsClosesItOnceTheWaitEndedWithoutAWord()
    {
        // A slow answer: the dialog shows while it is filled, and its user takes OK.
        const auto arrived = slowFirst(server, u"SHO|0|MANDANT|"_s, 1500);
        server.clearReceived();
        MessageBoxes boxes;
        QVERIFY(okWhileFilledClosesTheDialog(u"MandInfoForm"_s,
                                             [this] { viewer.window->menus().action(u"MandInfoMenue"_s)->trigger(); }));
        QVERIFY(arrived->load());
        QVERIFY(!MandInfoForm::DefaultInstance()->isVisible());
        QVERIFY(boxes.texts.isEmpty());
        // Nothing was broken off: the values were all read.
        QVERIFY(received(u"BRQ|"_s).isEmpty());
    }
};

VIEWER_TEST_MAIN(ClientInfoTest)
#include "clientinfo_qtest.moc"
