// The about dialog: collapsed and expanded with the usage button, the version line, the usage
// and invocation lines with their fallbacks, the password of "-p" masked, and the usage view
// of the command-line errors.
#include "AboutDialog.h"
#include "DialogDriver.h"
#include "MainModul.h"
#include "ProgramInfo.h"
#include "StartUp.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ViewerTest;
using namespace DialogDriver;

namespace {

QString labelText(const QWidget& dialog, const QString& name)
{
    const auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : u"<no label>"_s;
}

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { loadTexts(); }
    void cleanup() { QVERIFY(finishPendingActs()); }

    void theUsageButtonFoldsTheUsagePartInAndOut()
    {
        AboutDialog about({});
        about.show();
        auto* button = about.findChild<QPushButton*>(u"UsageButton"_s);
        QWidget* invocation = about.findChild<QLabel*>(u"AufrufWarLabel"_s);
        const QString caption = GetMessageTextByNr(732);
        QCOMPARE(button->text(), caption + u" >>"_s);
        QVERIFY(!invocation->isVisible());
        QVERIFY(!about.UsageShown());
        const int collapsed = about.height();

        button->click();
        QVERIFY(about.UsageShown());
        QVERIFY(invocation->isVisible());
        QCOMPARE(button->text(), caption + u" <<"_s);
        QCOMPARE(labelText(about, u"UsageMessage"_s), QString());
        QVERIFY(about.height() > collapsed);
        // The invocation line is the lowest element of the expanded dialog.
        for (const QLabel* label : about.findChildren<QLabel*>()) {
            if (label->isVisible())
                QVERIFY(label->mapTo(&about, QPoint(0, label->height())).y() <=
                        invocation->mapTo(&about, QPoint(0, invocation->height())).y());
        }

        button->click();
        QVERIFY(!about.UsageShown());
        QCOMPARE(button->text(), caption + u" >>"_s);
        QCOMPARE(about.height(), collapsed);
    }

    void theDialogNamesTheVersionAndHowTheProgramWasStarted()
    {
        AboutDialog about({u"-c"_s, u"My Conn"_s, u"-u"_s, u"admin"_s, u"-p"_s, u"geheim"_s, u"-f"_s, u"3"_s});
        QCOMPARE(labelText(about, u"VersionsinfoLabel"_s),
                 GetMessageTextByNr(34) + u' ' + QString::number(ProgramInfo::Major()) + u'.' +
                     QString::number(ProgramInfo::Minor()) + u"  Rev. "_s + QString::number(ProgramInfo::Revision()));
        QCOMPARE(labelText(about, u"UsageLabel"_s), u"usage: "_s + ProgramInfo::ExecutableName());
        const QString invocation = labelText(about, u"AufrufWarLabel"_s);
        QCOMPARE(invocation, ProgramInfo::ExecutableName() + u" -c \"My Conn\" -u admin -p ******** -f 3"_s);
        QVERIFY(!invocation.contains(u"geheim"_s));
        // The switch texts are messages.
        QCOMPARE(labelText(about, u"UsageSwitchLabel1"_s), GetMessageTextByNr(734));
    }

    void onlyTheArgumentOfARealPasswordSwitchIsMasked()
    {
        // "-c -p" names a connection "-p"; the password is the word after the real "-p".
        QCOMPARE(ProgramInfo::CommandLineText({u"-c"_s, u"-p"_s, u"-p"_s, u"-u"_s, u"-e"_s, u"x"_s}),
                 u"-c -p -p ******** -e x"_s);
        QCOMPARE(ProgramInfo::CommandLineText({u"-p"_s}), u"-p"_s);
        QCOMPARE(ProgramInfo::CommandLineText({QString(), u"-l"_s, u"de"_s}), u"\"\" -l de"_s);
    }

    void missingUsageTextsFallBackToTheirDefaults()
    {
        App().MessageTexts.SetText(48, QString());
        App().MessageTexts.SetText(59, QString());
        AboutDialog about({u"-h"_s});
        QCOMPARE(labelText(about, u"UsageLabel"_s), u"usage: "_s + ProgramInfo::ExecutableName());
        QCOMPARE(labelText(about, u"AufrufWarLabel"_s), ProgramInfo::ExecutableName() + u" -h"_s);
    }

    void aCommandLineErrorIsShownExpandedWithoutTheUsageButton()
    {
        App().CommandLineWords = {u"-x"_s};
        QString shownMessage;
        bool buttonHidden = false;
        whenShown(u"AboutDialog"_s, [&](QWidget* w) {
            shownMessage = labelText(*w, u"UsageMessage"_s);
            buttonHidden = !w->findChild<QPushButton*>(u"UsageButton"_s)->isVisible();
            click(w, u"OKButton"_s);
        });
        QCOMPARE(StartUp::ShowUsageAndExit(GetMessageTextByNr(69) + u" -x"_s), 2);
        QCOMPARE(shownMessage, GetMessageTextByNr(69) + u" -x"_s);
        QVERIFY(buttonHidden);

        whenShown(u"AboutDialog"_s, [](QWidget* w) { click(w, u"OKButton"_s); });
        QCOMPARE(StartUp::ShowUsageAndExit(QString()), 0);
        App().CommandLineWords.clear();
    }
};

VIEWER_TEST_MAIN(AboutTest)

#include "about_qtest.moc"
