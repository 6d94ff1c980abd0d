// The program's start as main() drives it: Qt's own texts (the buttons of message boxes, the
// file dialog) speak the language the start chose, German after "-l D", English after "-l E".
#include "StartUp.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>

#include <utility>

using namespace Qt::StringLiterals;
using namespace ViewerTest;

namespace {

// What Qt says on a question's buttons and in the file dialog the export's choosers show.
QStringList qtTexts()
{
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QFileDialog chooser;
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    const auto* buttons = chooser.findChild<QDialogButtonBox*>();
    return {box.button(QMessageBox::Yes)->text(), box.button(QMessageBox::No)->text(),
            buttons->button(QDialogButtonBox::Cancel)->text(), chooser.findChild<QLabel*>(u"lookInLabel"_s)->text(),
            chooser.findChild<QLabel*>(u"fileNameLabel"_s)->text()};
}

} // namespace

class StartUpTest : public QObject
{
    Q_OBJECT

private:
    KlvServer server;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(server.start());
        loadTexts();
    }

    void cleanupTestCase() { server.stop(); }

    void qtsOwnTextsSpeakTheLanguageOfTheStart()
    {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + u"/qtbase_de.qm"_s))
            QSKIP("Qt's German translations are not installed (Debian package qt6-translations-l10n)");
        clearSettings();
        storeConnection(u"Demo"_s, u"127.0.0.1"_s, server.port(), u"100"_s, u"admin"_s);
        const std::pair<QString, QStringList> starts[] = {
            {u"D"_s, {u"&Ja"_s, u"&Nein"_s, u"Abbrechen"_s, u"Suchen in:"_s, u"Datei&name:"_s}},
            {u"E"_s, {u"&Yes"_s, u"&No"_s, u"Cancel"_s, u"Look in:"_s, u"File &name:"_s}},
        };
        for (const auto& [language, expected] : starts) {
            StartUp start(App());
            // Logged on without a window, as a start with "-e" is.
            const std::optional<int> ended =
                start.Main({u"-l"_s, language, u"-c"_s, u"Demo"_s, u"-p"_s, u"secret"_s, u"-e"_s, u"1"_s});
            QVERIFY2(!ended, qPrintable(language));
            const QStringList texts = qtTexts();
            start.Finish();
            QCOMPARE(texts, expected);
        }
    }
};

VIEWER_TEST_MAIN(StartUpTest)
#include "startup_qtest.moc"
