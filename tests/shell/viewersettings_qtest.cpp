// The viewer-settings dialog: its stored settings and defaults, what is saved when, the
// saved-query directory it chooses, the fonts, and the main window it calls back.
#include "MainModul.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTestMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

// The main window's members the dialog calls.
class FakeMainWindow : public QWidget
{
    Q_OBJECT
public:
    QStringList calls;
    Q_INVOKABLE void LoadFontSettings(const QString& prefix, QFont& font)
    {
        calls << u"LoadFontSettings "_s + prefix;
        font.setFamily(prefix == u"Form"_s ? u"Form Sans"_s : u"Data Mono"_s);
        font.setPointSize(prefix == u"Form"_s ? 9 : 11);
    }
    Q_INVOKABLE void SetElementsSize() { calls << u"SetElementsSize"_s; }
    Q_INVOKABLE void UpdateAllQueryDataColumnHeaders() { calls << u"UpdateAllQueryDataColumnHeaders"_s; }
};

QString stored(const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, u"Settings"_s, key, u"<none>"_s);
}

void store(const QString& key, const QString& value)
{
    SettingsStore::SaveSetting(App().RegAppName, u"Settings"_s, key, value);
}

} // namespace

class ViewerSettingsTest : public QObject
{
    Q_OBJECT

private:
    static QAbstractButton* b(QWidget* d, const char16_t* name)
    {
        auto* button = d->findChild<QAbstractButton*>(QString::fromUtf16(name));
        if (!button)
            qFatal("no control %s", qPrintable(QString::fromUtf16(name)));
        return button;
    }

    static QLineEdit* edit(QWidget* d, const char16_t* name)
    {
        return d->findChild<QLineEdit*>(QString::fromUtf16(name));
    }

    static QStringList checked(QWidget* d)
    {
        QStringList names;
        for (QAbstractButton* button : d->findChildren<QAbstractButton*>()) {
            if (button->isCheckable() && button->isChecked() && button->property("Index").isNull())
                names << button->objectName();
        }
        names.sort();
        return names;
    }

private Q_SLOTS:
    void init()
    {
        SettingsStore::DeleteSetting(App().RegAppName, u"Settings"_s);
        App().MainForm = nullptr;
        InitDefaultFonts();
    }

    void withoutStoredSettingsTheDefaultsShow()
    {
        ViewerEinstellungenDialog d;
        QCOMPARE(App().ViewerSettingsForm.data(), static_cast<QWidget*>(&d));
        d.LoadKLVViewerSettings();
        QCOMPARE(checked(&d), (QStringList{u"ColumnHeadersNames"_s, u"QueryChangeAskUser"_s, u"SaveQueryAuto"_s,
                                           u"SaveQueryByUser"_s, u"SaveQueryIndivDir"_s, u"SaveViewerSettings"_s,
                                           u"SaveWindowState"_s}));
        QCOMPARE(edit(&d, u"LogfileName")->text(),
                 QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                                          u"/klv.log"_s));
        QVERIFY(!edit(&d, u"LogfileName")->isEnabled());
        QCOMPARE(edit(&d, u"SaveQueryDir")->text(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/KLV/KLVViewer"_s);
        auto* tabs = d.findChild<QTabWidget*>(u"ViewerEinstellungenTab"_s);
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(!tabs->isTabVisible(2));
        // Nothing is written by loading.
        QCOMPARE(stored(u"SaveViewerSettings"_s), u"<none>"_s);
    }

    void storedSettingsComeBackAndTheSecondDirectoryChoiceWins()
    {
        store(u"Logging"_s, u"1"_s);
        store(u"Logfile"_s, u"/var/tmp/trace.log"_s);
        store(u"QueryAutoSave"_s, u"0"_s);
        store(u"QuerySaveByUser"_s, u"0"_s);
        store(u"QuerySaveIndiv"_s, u"1"_s);
        store(u"QuerySaveInMand"_s, u"1"_s);
        store(u"QuerySaveDirIndiv"_s, u"/home/q"_s);
        store(u"QuerySaveDirMand"_s, u"abfragen"_s);
        store(u"QueryChangeDontSave"_s, u"0"_s);
        store(u"QueryChangeSaveAlways"_s, u"1"_s);
        store(u"ColHeadersNames"_s, u"0"_s);
        store(u"ColHeadersDesc"_s, u"1"_s);
        store(u"SaveWindowState"_s, u"0"_s);
        ViewerEinstellungenDialog d;
        d.LoadKLVViewerSettings();
        QCOMPARE(checked(&d), (QStringList{u"ColumnHeadersDesc"_s, u"ProtokAktiv"_s, u"QueryChangeSaveAlways"_s,
                                           u"SaveQueryInMand"_s, u"SaveViewerSettings"_s}));
        QCOMPARE(edit(&d, u"LogfileName")->text(), u"/var/tmp/trace.log"_s);
        QVERIFY(edit(&d, u"LogfileName")->isEnabled());
        QCOMPARE(edit(&d, u"SaveQueryDir")->text(), u"abfragen"_s);
        // Choosing the other option shows its own directory; clearing leaves the text.
        b(&d, u"SaveQueryIndivDir")->click();
        QCOMPARE(edit(&d, u"SaveQueryDir")->text(), u"/home/q"_s);
        b(&d, u"ProtokAktiv")->click();
        QVERIFY(!edit(&d, u"LogfileName")->isEnabled());

        // Neither directory option nor heading option stored: none is chosen.
        store(u"QuerySaveIndiv"_s, u"0"_s);
        store(u"QuerySaveInMand"_s, u"0"_s);
        store(u"ColHeadersDesc"_s, u"0"_s);
        d.LoadKLVViewerSettings();
        QVERIFY(!b(&d, u"SaveQueryIndivDir")->isChecked());
        QVERIFY(!b(&d, u"SaveQueryInMand")->isChecked());
        QVERIFY(!b(&d, u"ColumnHeadersNames")->isChecked());
        QVERIFY(!b(&d, u"ColumnHeadersDesc")->isChecked());
        QCOMPARE(GetQuerySettingsDir(), QString());
    }

    void savingWritesEverythingOnlyWhenAskedButAlwaysTheChoiceItself()
    {
        ViewerEinstellungenDialog d;
        d.LoadKLVViewerSettings();
        b(&d, u"ProtokAktiv")->click();
        edit(&d, u"LogfileName")->setText(u"/tmp/x.log"_s);
        b(&d, u"QueryChangeDontSave")->click();
        b(&d, u"SaveQueryInMand")->click();
        edit(&d, u"SaveQueryDir")->setText(u"sub"_s);
        d.SaveKLVViewerSettings();
        QCOMPARE(stored(u"Logging"_s), u"1"_s);
        QCOMPARE(stored(u"Logfile"_s), u"/tmp/x.log"_s);
        QCOMPARE(stored(u"QueryChangeDontSave"_s), u"1"_s);
        QCOMPARE(stored(u"QueryChangeAskUser"_s), u"0"_s);
        QCOMPARE(stored(u"QuerySaveInMand"_s), u"1"_s);
        QCOMPARE(stored(u"QuerySaveIndiv"_s), u"0"_s);
        QCOMPARE(stored(u"QuerySaveDirMand"_s), u"sub"_s);
        QCOMPARE(stored(u"QuerySaveDirIndiv"_s), u"<none>"_s);
        QCOMPARE(stored(u"ColHeadersNames"_s), u"1"_s);

        b(&d, u"SaveViewerSettings")->click();
        b(&d, u"SaveWindowState")->click();
        b(&d, u"ProtokAktiv")->click();
        d.SaveKLVViewerSettings();
        QCOMPARE(stored(u"SaveViewerSettings"_s), u"0"_s);
        QCOMPARE(stored(u"SaveWindowState"_s), u"0"_s);
        QCOMPARE(stored(u"Logging"_s), u"1"_s);
    }

    void okStoresTheQueryAndFontKeysAndReheadsTheResultLists()
    {
        FakeMainWindow main;
        App().MainForm = &main;
        ViewerEinstellungenDialog d;
        d.LoadKLVViewerSettings();
        QCOMPARE(main.calls, (QStringList{u"LoadFontSettings Form"_s, u"LoadFontSettings Data"_s}));
        QCOMPARE(App().FormFont.family(), u"Form Sans"_s);
        QCOMPARE(App().DataFont.pointSize(), 11);
        main.calls.clear();

        b(&d, u"SaveViewerSettings")->click();
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(d.fontControl<QLabel>(u"FontNameLabel", 1)->text(), u"Data Mono"_s);
        QCOMPARE(d.fontControl<QLabel>(u"FontSizeLabel", 0)->text(), u"9"_s);
        b(&d, u"SaveQueryAuto")->click();
        b(&d, u"ColumnHeadersDesc")->click();
        b(&d, u"OKButton")->click();
        QVERIFY(d.isHidden());
        QCOMPARE(main.calls, QStringList{u"UpdateAllQueryDataColumnHeaders"_s});
        QCOMPARE(stored(u"QueryAutoSave"_s), u"0"_s);
        QCOMPARE(stored(u"DataFontName"_s), u"Data Mono"_s);
        QCOMPARE(stored(u"DataFontSize"_s), u"11"_s);
        QCOMPARE(stored(u"FormFontBold"_s), u"0"_s);
        QCOMPARE(stored(u"ColHeadersDesc"_s), u"<none>"_s); // not a key OK stores

        // Unchanged headings re-head nothing; Escape closes like OK.
        main.calls.clear();
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        b(&d, u"SaveQueryAuto")->click();
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isHidden());
        QVERIFY(main.calls.isEmpty());
        QCOMPARE(stored(u"QueryAutoSave"_s), u"1"_s);
        App().MainForm = nullptr;
    }

    void aChosenFontShowsInItsOwnSampleOnly()
    {
        FakeMainWindow main;
        App().MainForm = &main;
        ViewerEinstellungenDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const QString formName = d.fontControl<QLabel>(u"FontNameLabel", 0)->text();
        QFont chosen;
        QTimer::singleShot(0, [&chosen] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QFont font = dialog->currentFont();
            font.setPointSize(14);
            font.setUnderline(true);
            dialog->setCurrentFont(font);
            chosen = dialog->currentFont();
            dialog->accept();
        });
        b(&d, u"DataFontButton")->click();
        QCOMPARE(App().DataFont.pointSize(), 14);
        QCOMPARE(App().DataFont.family(), chosen.family());
        QCOMPARE(App().DataFont.bold(), chosen.bold());
        QVERIFY(App().DataFont.underline());
        QVERIFY(d.fontControl<QCheckBox>(u"FontUnderlineBox", 1)->isChecked());
        QCOMPARE(d.fontControl<QLabel>(u"FontSizeLabel", 1)->text(), u"14"_s);
        QCOMPARE(d.fontControl<QLabel>(u"FontNameLabel", 1)->text(), chosen.family());
        QCOMPARE(d.fontControl<QLabel>(u"SampleText", 1)->font().pointSize(), 14);
        QCOMPARE(d.fontControl<QLabel>(u"FontNameLabel", 0)->text(), formName);
        QVERIFY(!d.fontControl<QCheckBox>(u"FontUnderlineBox", 0)->isChecked());
        QVERIFY(main.calls.isEmpty()); // only the form font lays out the main window again

        // A cancelled choice changes nothing; a form font lays the main window out again.
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        b(&d, u"FormFontButton")->click();
        QVERIFY(main.calls.isEmpty());
        QTimer::singleShot(0, [] { qobject_cast<QDialog*>(QApplication::activeModalWidget())->accept(); });
        b(&d, u"FormFontButton")->click();
        QCOMPARE(main.calls, QStringList{u"SetElementsSize"_s});
        d.hide();
        App().MainForm = nullptr;
    }

    void theSavedQueryDirectoryFollowsTheControls()
    {
        ViewerEinstellungenDialog d;
        d.LoadKLVViewerSettings();
        b(&d, u"SaveQueryByUser")->click();
        edit(&d, u"SaveQueryDir")->setText(u"/data/queries"_s);
        QCOMPARE(GetQuerySettingsDir(), u"/data/queries"_s);
        QCOMPARE(GetViewerConfigFile(), u"/data/queries/ViewerConfig.ini"_s);
        b(&d, u"SaveQueryByUser")->click();
        QCOMPARE(GetQuerySettingsDir(), u"/data/queries/"_s + GetWindowsUserName());
    }

    void helpFollowsTheTab()
    {
        ViewerEinstellungenDialog d;
        auto* tabs = d.findChild<QTabWidget*>(u"ViewerEinstellungenTab"_s);
        QCOMPARE(d.HelpTopic(), GetMessageTextByNr(922));
        tabs->setCurrentIndex(3);
        QCOMPARE(d.HelpTopic(), GetMessageTextByNr(925));
    }
};

VIEWER_TEST_MAIN(ViewerSettingsTest)

#include "viewersettings_qtest.moc"
