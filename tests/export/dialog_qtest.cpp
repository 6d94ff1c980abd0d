// The export dialog and its progress window, driven as a user does: the settings per caption
// and their defaults, the option boxes that switch or exclude each other, the XML pickers,
// the colour and program choosers, every refusal of the start, an export of shown rows with
// its program started afterwards, a cancel mid-way of every kind (the end says so, with the
// records the target holds), and a write that fails part-way in a process whose files may not
// grow (the old file stays, nothing is started, the end says that nothing was written).
#include "DialogDriver.h"
#include "ExportDialog.h"
#include "ExportProgressDialog.h"
#include "ExportSettings.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerTest.h"
#include "export_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace MainModul;
using namespace ExportTest;
using ViewerTest::MessageBoxes;

namespace {

const QStringList Keys{u"nr#0#S"_s, u"name#0#S"_s};

template <class T>
T* find(QWidget* dialog, const QString& name)
{
    T* w = dialog->findChild<T*>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

// A click where a user clicks: on a box's indicator and text, else in the middle.
void click(QWidget* w)
{
    QPoint at = w->rect().center();
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        at = button->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, button).center();
    }
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
}

void type(QLineEdit* box, const QString& text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}

// The dialog as a caller sets it up, shown; fields are (caption, table-part) pairs.
ExportDialog* openDialog(const QString& caption, int kind, QObject* caller, int rows,
                         const QList<std::pair<QString, bool>>& fields)
{
    ExportDialog* dialog = ExportDialog::DefaultInstance();
    dialog->SetExportProperties(caption, u"1:1"_s, kind, true, caller, rows);
    for (const auto& [name, tablePart] : fields)
        ExportDialog::AddExportField(dialog->feldListe(), name + u"#0#S"_s, name, Bool2ErpText(tablePart),
                                     u"0:"_s + name);
    dialog->SetExportFldListe(nullptr);
    dialog->show();
    return dialog;
}

// Presses Start and waits until the export ended (or never started).
bool startAndWait(ExportDialog* dialog)
{
    click(find<QPushButton>(dialog, u"StartButton"_s));
    const bool ended = QTest::qWaitFor([] { return !ExportDialog::IsExportRunning(); }, 60000);
    QCoreApplication::processEvents();
    return ended;
}

QString stored(const QString& section, const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, section, key, u"<none>"_s);
}

} // namespace

class ExportDialogTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { ViewerTest::loadTexts(); }

    void init() { ViewerTest::clearSettings(); }

    void cleanup()
    {
        QVERIFY(DialogDriver::finishPendingActs());
        delete ExportDialog::DefaultInstance();
        ExportProgressDialog::DefaultInstance()->Unload();
    }

    void theSettingsOfACaptionComeBackAndOtherCaptionsShareTheOptions()
    {
        RowsWindow window(Keys, {{u"1"_s, u"a,b"_s}, {u"2"_s, u"c"_s}});
        ExportDialog* dialog = openDialog(u"Kunde:Kunde/1"_s, 0, &window, 2, {{u"nr"_s, false}, {u"name"_s, false}});
        // Defaults: the documents folder and the caption made a file name.
        QCOMPARE(find<QLineEdit>(dialog, u"ExportDateiName"_s)->text(),
                 ExportSettings::DefaultFolder() + u"/Kunde_Kunde_1.exp"_s);
        QCOMPARE(find<QLineEdit>(dialog, u"ExcelWorksheet"_s)->text(), u"Kunde - Kunde/1"_s);
        QVERIFY(find<QCheckBox>(dialog, u"MitFeldliste"_s)->isChecked());
        QCOMPARE(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s)->text(), u";"_s);
        QCOMPARE(find<QLineEdit>(dialog, u"Zeilenumbruchzeichen"_s)->text(), u"#"_s);
        QVERIFY(!dialog->findChild<QTabWidget*>()->isTabVisible(3));

        type(find<QLineEdit>(dialog, u"ExportDateiName"_s), path(u"kunde.csv"_s));
        click(find<QCheckBox>(dialog, u"FormatRFC4180"_s));
        type(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s), u","_s);
        QVERIFY(startAndWait(dialog));
        QCOMPARE(readFile(path(u"kunde.csv"_s)), QByteArray("nr,name\r\n\"1\",\"a,b\"\r\n\"2\",\"c\"\r\n"));
        QCOMPARE(stored(u"Export\\Kunde_Kunde_1"_s, u"ExportFileName"_s), path(u"kunde.csv"_s));
        QCOMPARE(stored(u"Export"_s, u"FormatRFC4180"_s), u"1"_s);
        QCOMPARE(stored(u"Export"_s, u"FieldSeparator"_s), u","_s);

        // The same caption again: its file, and the shared options, which switch the
        // line-break box off from the start.
        dialog = openDialog(u"Kunde:Kunde/1"_s, 0, &window, 2, {});
        QCOMPARE(find<QLineEdit>(dialog, u"ExportDateiName"_s)->text(), path(u"kunde.csv"_s));
        QVERIFY(find<QCheckBox>(dialog, u"FormatRFC4180"_s)->isChecked());
        QVERIFY(!find<QLineEdit>(dialog, u"Zeilenumbruchzeichen"_s)->isEnabled());
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // Another caption: its own default file, the shared options.
        dialog = openDialog(u"Artikel:Artikel"_s, 0, &window, 2, {});
        QCOMPARE(find<QLineEdit>(dialog, u"ExportDateiName"_s)->text(),
                 ExportSettings::DefaultFolder() + u"/Artikel_Artikel.exp"_s);
        QCOMPARE(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s)->text(), u","_s);
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // An HTML export with nothing stored.
        dialog = openDialog(u"Artikel:Artikel"_s, 4, &window, 2, {});
        QVERIFY(find<QCheckBox>(dialog, u"HTMLMitUeberschrift"_s)->isChecked());
        QVERIFY(!find<QCheckBox>(dialog, u"HTMLDateiInBrowserZeigen"_s)->isChecked());
        QCOMPARE(find<QLineEdit>(dialog, u"HTMLRahmenDicke"_s)->text(), u"1"_s);
        const QStringList colours{u"HTMLFGColorHeader"_s, u"HTMLBGColorHeader"_s, u"HTMLBGColorEven"_s,
                                  u"HTMLBGColorOdd"_s};
        QStringList values;
        for (const QString& name : colours)
            values.append(find<QLineEdit>(dialog, name)->text());
        QCOMPARE(values, (QStringList{u"#000000"_s, u"#FFFFFF"_s, u"#F0F0F0"_s, u"#F8F8F8"_s}));
        QCOMPARE(dialog->windowTitle(), GetMessageTextByNr(231));
    }

    void settingsTheWindowsProgramWroteAreReadAsTheyStand()
    {
        const auto save = [](const QString& key, const QString& value) {
            SettingsStore::SaveSetting(App().RegAppName, u"Export"_s, key, value);
        };
        // An Access format is an SQLite file here; Booleans in the Windows program's spelling.
        save(u"ExportDBType"_s, u"MS Access 2002-2003 Format"_s);
        save(u"StartAccess"_s, u"True"_s);
        save(u"DBFieldsWithTabPfx"_s, u"0"_s);
        save(u"ExportDBName"_s, u"/data/erp.mdb"_s);
        ExportDialog* dialog = openDialog(u"W"_s, 2, nullptr, 0, {});
        QCOMPARE(find<QComboBox>(dialog, u"ExportDBTypen"_s)->currentText(), u"SQLite"_s);
        QVERIFY(find<QCheckBox>(dialog, u"AccessStarten"_s)->isChecked());
        QVERIFY(!find<QCheckBox>(dialog, u"DBFelderMitTabPraefix"_s)->isChecked());
        QCOMPARE(find<QLineEdit>(dialog, u"ExportDBName"_s)->text(), u"/data/erp.mdb"_s);
        QCOMPARE(find<QLineEdit>(dialog, u"NeueTabelle"_s)->text(), u"W"_s);
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A data source comes before the program's box, which then stays off.
        save(u"ExportDBType"_s, u"ODBC"_s);
        dialog = openDialog(u"W"_s, 2, nullptr, 0, {});
        QCOMPARE(find<QComboBox>(dialog, u"ExportDBTypen"_s)->currentText(), u"ODBC"_s);
        QVERIFY(!find<QCheckBox>(dialog, u"AccessStarten"_s)->isChecked());
        QVERIFY(!find<QCheckBox>(dialog, u"AccessStarten"_s)->isEnabled());
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A kind the program does not know leaves the first.
        save(u"ExportDBType"_s, u"dBase"_s);
        dialog = openDialog(u"W"_s, 2, nullptr, 0, {});
        QCOMPARE(find<QComboBox>(dialog, u"ExportDBTypen"_s)->currentText(), u"SQLite"_s);
    }

    void theOptionBoxesSwitchAndExcludeEachOther()
    {
        ExportDialog* dialog = openDialog(u"T"_s, 0, nullptr, 0, {});
        auto* named = find<QCheckBox>(dialog, u"FileAppStarten"_s);
        auto* desktop = find<QCheckBox>(dialog, u"FileAppStartenExt"_s);
        auto* program = find<QLineEdit>(dialog, u"FileAppName"_s);
        auto* chooser = find<QPushButton>(dialog, u"FileAppDialogButton"_s);
        QVERIFY(!program->isEnabled() && !chooser->isEnabled());
        click(named);
        QVERIFY(program->isEnabled() && chooser->isEnabled());
        click(desktop);
        QVERIFY(desktop->isChecked() && !named->isChecked());
        QVERIFY(!program->isEnabled() && !chooser->isEnabled());
        click(named);
        QVERIFY(named->isChecked() && !desktop->isChecked());
        click(find<QCheckBox>(dialog, u"FormatRFC4180"_s));
        QVERIFY(!find<QLineEdit>(dialog, u"Zeilenumbruchzeichen"_s)->isEnabled());
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        dialog = openDialog(u"T"_s, 3, nullptr, 0, {});
        auto* xmlNamed = find<QCheckBox>(dialog, u"XMLAppStarten"_s);
        auto* xmlDesktop = find<QCheckBox>(dialog, u"XMLStdAppStarten"_s);
        click(xmlNamed);
        QVERIFY(find<QLineEdit>(dialog, u"XMLAppName"_s)->isEnabled());
        click(xmlDesktop);
        QVERIFY(!xmlNamed->isChecked() && !find<QLineEdit>(dialog, u"XMLAppName"_s)->isEnabled());
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        dialog = openDialog(u"T"_s, 1, nullptr, 0, {});
        click(find<QCheckBox>(dialog, u"ExcelFormatColumns"_s));
        for (const QString& name :
             {u"ExcelDateFormat"_s, u"ExcelTimeFormat"_s, u"ExcelDateFormatLabel"_s, u"ExcelTimeFormatLabel"_s})
            QVERIFY2(!find<QWidget>(dialog, name)->isEnabled(), qPrintable(name));
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A data source has no file to choose and no program to open it with.
        dialog = openDialog(u"T"_s, 2, nullptr, 0, {});
        auto* kinds = find<QComboBox>(dialog, u"ExportDBTypen"_s);
        auto* start = find<QCheckBox>(dialog, u"AccessStarten"_s);
        click(start);
        QVERIFY(start->isChecked());
        kinds->setFocus();
        QTest::keyClick(kinds, Qt::Key_Down);
        QCOMPARE(kinds->currentText(), u"ODBC"_s);
        QVERIFY(!find<QPushButton>(dialog, u"DBAuswaehlenButton"_s)->isEnabled());
        QVERIFY(!start->isChecked() && !start->isEnabled());
        QVERIFY(find<QLineEdit>(dialog, u"ExportDBName"_s)->isEnabled());
        QTest::keyClick(kinds, Qt::Key_Up);
        QVERIFY(find<QPushButton>(dialog, u"DBAuswaehlenButton"_s)->isEnabled());
        QVERIFY(start->isEnabled() && !start->isChecked());
    }

    void theXmlPickersOfferTablePartFieldsOnly()
    {
        const QList<std::pair<QString, bool>> fields{
            {u"Nummer"_s, true}, {u"nummer"_s, true}, {u"name"_s, true}, {u"such"_s, true}, {u"kopf"_s, false}};
        ExportDialog* dialog = openDialog(u"X"_s, 3, nullptr, 0, fields);
        auto* id = find<QComboBox>(dialog, u"XMLSatzIDFeld"_s);
        auto* caption = find<QComboBox>(dialog, u"XMLBeschrFeld"_s);
        QStringList entries;
        for (int i = 0; i < id->count(); ++i)
            entries.append(id->itemText(i));
        QCOMPARE(entries, (QStringList{QString(), u"Nummer"_s, u"nummer"_s, u"name"_s, u"such"_s}));
        // "Nummer" does not match "num*"; the entries carry the field's position.
        QCOMPARE(id->currentText(), u"nummer"_s);
        QCOMPARE(id->currentData().toInt(), 2);
        QCOMPARE(caption->currentText(), u"name"_s);
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A stored field that is gone leaves no id field; a stored caption field is taken.
        SettingsStore::SaveSetting(App().RegAppName, u"Export\\X"_s, u"XMLRecIdFld"_s, u"gone"_s);
        SettingsStore::SaveSetting(App().RegAppName, u"Export\\X"_s, u"XMLDescrFld"_s, u"such"_s);
        dialog = openDialog(u"X"_s, 3, nullptr, 0, fields);
        QCOMPARE(find<QComboBox>(dialog, u"XMLSatzIDFeld"_s)->currentIndex(), 0);
        QCOMPARE(find<QComboBox>(dialog, u"XMLBeschrFeld"_s)->currentText(), u"such"_s);
    }

    void theColourButtonsConvertTheirText()
    {
        ExportDialog* dialog = openDialog(u"C"_s, 4, nullptr, 0, {});
        auto* box = find<QLineEdit>(dialog, u"HTMLBGColorEven"_s);
        auto* button = find<QPushButton>(dialog, u"HTMLBGEvenButton"_s);
        type(box, u"red"_s);
        {
            MessageBoxes no(QMessageBox::No);
            click(button);
            QCOMPARE(no.texts, QStringList{GetMessageTextByNr(1211)});
            QCOMPARE(box->text(), u"red"_s);
        }
        {
            MessageBoxes yes(QMessageBox::Yes);
            QColor started;
            DialogDriver::whenShown(u"ExportColourChooser"_s, [&started](QWidget* w) {
                auto* chooser = qobject_cast<QColorDialog*>(w);
                started = chooser->currentColor();
                chooser->reject();
            });
            click(button);
            QCOMPARE(started, QColor(Qt::black));
            QCOMPARE(box->text(), u"#000000"_s);
        }
        type(box, u"#12"_s);
        QColor started;
        DialogDriver::whenShown(u"ExportColourChooser"_s, [&started](QWidget* w) {
            auto* chooser = qobject_cast<QColorDialog*>(w);
            started = chooser->currentColor();
            chooser->setCurrentColor(QColor(0, 128, 255));
            chooser->accept();
        });
        click(button);
        QCOMPARE(started, QColor(0x12, 0, 0));
        QCOMPARE(box->text(), u"#0080FF"_s);
    }

    void aChosenProgramWhosePathHoldsABlankIsStartedOnTheFile()
    {
        // A program that writes down the arguments it was given.
        const QString tool = path(u"my tool"_s);
        const QString out = path(u"chosen-args.txt"_s);
        QVERIFY(writeFile(tool, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + out.toUtf8() + "\"\n"));
        QVERIFY(QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner));
        RowsWindow window(Keys, {{u"1"_s, u"x"_s}});
        ExportDialog* dialog = openDialog(u"P"_s, 0, &window, 1, {{u"nr"_s, true}});
        type(find<QLineEdit>(dialog, u"ExportDateiName"_s), path(u"p.exp"_s));
        click(find<QCheckBox>(dialog, u"FileAppStarten"_s));
        DialogDriver::whenShown(u"ExportProgramChooser"_s, [tool](QWidget* w) {
            auto* chooser = qobject_cast<QFileDialog*>(w);
            QVERIFY(chooser->filter().testFlag(QDir::Executable));
            // The name box takes a chosen file only while it has no focus; the folder is read
            // in the background meanwhile.
            auto* name = chooser->findChild<QLineEdit*>(u"fileNameEdit"_s);
            QVERIFY(name);
            name->clearFocus();
            chooser->selectFile(tool);
            QVERIFY2(QTest::qWaitFor([chooser, tool] { return chooser->selectedFiles() == QStringList{tool}; }, 5000),
                     qPrintable(chooser->selectedFiles().join(u'|')));
            static_cast<QDialog*>(chooser)->accept();
        });
        click(find<QPushButton>(dialog, u"FileAppDialogButton"_s));
        // Written as a command names it, so the blank does not split it.
        const QString command = u'"' + tool + u'"';
        QCOMPARE(find<QLineEdit>(dialog, u"FileAppName"_s)->text(), command);
        // A cancelled chooser keeps the text; it starts on the program the box names.
        QString started;
        DialogDriver::whenShown(u"ExportProgramChooser"_s, [&started](QWidget* w) {
            started = qobject_cast<QFileDialog*>(w)->selectedFiles().value(0);
            qobject_cast<QDialog*>(w)->reject();
        });
        click(find<QPushButton>(dialog, u"FileAppDialogButton"_s));
        QCOMPARE(started, tool);
        QCOMPARE(find<QLineEdit>(dialog, u"FileAppName"_s)->text(), command);

        MessageBoxes boxes;
        QVERIFY(startAndWait(dialog));
        QVERIFY2(QTest::qWaitFor([out] { return readFile(out).endsWith('\n'); }, 10000),
                 qPrintable(boxes.texts.join(u'|')));
        QCOMPARE(readFile(out), path(u"p.exp"_s).toUtf8() + '\n');
        QVERIFY(boxes.texts.isEmpty());
    }

    void theStartRefusesWhatItCannotWrite()
    {
        MessageBoxes boxes(QMessageBox::Cancel);
        RowsWindow window(Keys, {{u"1"_s, u"a"_s}});
        ExportDialog* dialog = openDialog(u"S"_s, 0, &window, 1, {{u"nr"_s, true}});
        auto* file = find<QLineEdit>(dialog, u"ExportDateiName"_s);
        auto* start = find<QPushButton>(dialog, u"StartButton"_s);
        const auto refused = [&](int message) {
            boxes.texts.clear();
            click(start);
            return !ExportDialog::IsExportRunning() && start->isEnabled() &&
                   boxes.texts.value(0).startsWith(GetMessageTextByNr(message));
        };

        type(file, QString());
        QVERIFY(refused(234));
        QCOMPARE(dialog->focusWidget(), file);
        type(file, dir.path());
        QVERIFY(refused(241));
        QVERIFY(boxes.texts.first().endsWith(u"(21)"_s));
        type(file, path(u"s.exp"_s));
        type(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s), QString());
        QVERIFY(refused(293));
        type(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s), u";"_s);
        // An existing file is kept when the user cancels, and nothing is stored.
        QVERIFY(writeFile(path(u"s.exp"_s), "old"));
        QVERIFY(refused(233));
        QCOMPARE(boxes.texts.first(),
                 GetMessageTextByNr(233) + u' ' + path(u"s.exp"_s) + u"\r\n"_s + GetMessageTextByNr(239));
        QCOMPARE(readFile(path(u"s.exp"_s)), QByteArray("old"));
        QCOMPARE(stored(u"Export\\S"_s, u"ExportFileName"_s), u"<none>"_s);
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // No rows to export.
        dialog = openDialog(u"S"_s, 0, &window, 0, {{u"nr"_s, true}});
        type(find<QLineEdit>(dialog, u"ExportDateiName"_s), path(u"t.exp"_s));
        start = find<QPushButton>(dialog, u"StartButton"_s);
        QVERIFY(refused(282));
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A workbook: at most 16,384 columns, a name and a sheet a workbook can take, and a new
        // workbook only when the user wants one.
        QList<std::pair<QString, bool>> many;
        for (int i = 0; i <= 16384; ++i)
            many.append({u"f"_s + QString::number(i), true});
        dialog = openDialog(u"S"_s, 1, &window, 1, many);
        start = find<QPushButton>(dialog, u"StartButton"_s);
        QVERIFY(refused(289));
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(289) + u" 16385"_s);
        delete dialog->feldListe()->topLevelItem(0);
        QVERIFY(refused(247));
        QVERIFY(boxes.texts.value(1).startsWith(GetMessageTextByNr(248)));
        type(find<QLineEdit>(dialog, u"ExcelWorksheet"_s), u"Kunde/1"_s);
        QVERIFY(refused(283));
        QCOMPARE(dialog->focusWidget(), find<QLineEdit>(dialog, u"ExcelWorksheet"_s));
        type(find<QLineEdit>(dialog, u"ExcelWorksheet"_s), QString());
        QVERIFY(refused(236));
        QCOMPARE(dialog->focusWidget(), find<QLineEdit>(dialog, u"ExcelWorksheet"_s));
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // A database file needs a name, the table too; a data source may be left to the
        // driver, which says when it finds none.
        dialog = openDialog(u"S"_s, 2, &window, 1, {{u"nr"_s, true}});
        start = find<QPushButton>(dialog, u"StartButton"_s);
        QVERIFY(refused(237));
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), path(u"s.sqlite"_s));
        type(find<QLineEdit>(dialog, u"NeueTabelle"_s), QString());
        QVERIFY(refused(285));
        QCOMPARE(dialog->focusWidget(), find<QLineEdit>(dialog, u"NeueTabelle"_s));
        type(find<QLineEdit>(dialog, u"NeueTabelle"_s), u"S"_s);
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), QString());
        auto* kinds = find<QComboBox>(dialog, u"ExportDBTypen"_s);
        kinds->setFocus();
        QTest::keyClick(kinds, Qt::Key_Down);
        QVERIFY(refused(243));
        QVERIFY(!QFile::exists(path(u"s.sqlite"_s)));
    }

    void htmlOptionsThatAreNotValidAreToldBeforeTheStart()
    {
        RowsWindow window(Keys, {{u"1"_s, u"a"_s}});
        ExportDialog* dialog = openDialog(u"H"_s, 4, &window, 1, {{u"nr"_s, true}});
        const QString file = path(u"h.html"_s);
        type(find<QLineEdit>(dialog, u"HTMLDateiName"_s), file);
        type(find<QLineEdit>(dialog, u"HTMLBGColorOdd"_s), u"red"_s);
        type(find<QLineEdit>(dialog, u"HTMLRahmenDicke"_s), u"100"_s);
        type(find<QLineEdit>(dialog, u"HTMLFGColorHeader"_s), u"#00ff00"_s);
        // Cancel: back to the first box that is not valid, nothing written or stored.
        MessageBoxes boxes(QMessageBox::Cancel);
        click(find<QPushButton>(dialog, u"StartButton"_s));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(1227) +
                                          u"\r\nBorder size (0 to 99): \"100\" \u2192 1"
                                          u"\r\nOdd rows (Background): \"red\" \u2192 #F8F8F8\r\n"_s +
                                          GetMessageTextByNr(1228)});
        QVERIFY(!ExportDialog::IsExportRunning());
        QCOMPARE(dialog->focusWidget(), find<QLineEdit>(dialog, u"HTMLRahmenDicke"_s));
        QVERIFY(!QFile::exists(file));
        QCOMPARE(stored(u"Export"_s, u"HTMLBorderSize"_s), u"<none>"_s);

        // OK: the file gets the defaults the question named.
        boxes.answer = QMessageBox::Ok;
        QVERIFY(startAndWait(dialog));
        QCOMPARE(boxes.texts.size(), 2);
        const QJsonArray rows = htmlContent(file)[u"rows"_s].toArray();
        // The header row, then the one record's (an odd row).
        QCOMPARE(rows.size() >= 2 ? rows[rows.size() - 2][u"fg"_s].toString() : QString(), u"#00ff00"_s);
        QCOMPARE(rows.last()[u"bg"_s].toString(), u"#F8F8F8"_s);
        QVERIFY(fromUtf16le(readFile(file)).contains(u"CELLSPACING=\"1\""_s));
    }

    void theSettingsAreStoredOnceTheNamesPassWhateverTheTargetSaysThen()
    {
        QVERIFY(configureOdbc(dir.path()));
        RowsWindow window(Keys, {{u"1"_s, u"a"_s}});
        MessageBoxes boxes(QMessageBox::Cancel);
        // Cancel at the question before a file is replaced: nothing is stored.
        const QString text = path(u"stored.exp"_s);
        QVERIFY(writeFile(text, "old"));
        ExportDialog* dialog = openDialog(u"St"_s, 0, &window, 1, {{u"nr"_s, true}});
        type(find<QLineEdit>(dialog, u"ExportDateiName"_s), text);
        type(find<QLineEdit>(dialog, u"Feldtrennzeichen"_s), u","_s);
        click(find<QPushButton>(dialog, u"StartButton"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith(GetMessageTextByNr(233)));
        QCOMPARE(stored(u"Export"_s, u"FieldSeparator"_s), u"<none>"_s);
        QCOMPARE(stored(u"Export\\St"_s, u"ExportFileName"_s), u"<none>"_s);
        click(find<QPushButton>(dialog, u"AbbruchButton"_s));

        // Cancel at the question before a table is replaced: every setting of the kind is
        // stored, as the export starts once the names passed.
        const QString database = path(u"stored.sqlite"_s);
        QVERIFY(!run(u"/usr/bin/sqlite3"_s, {database, u"CREATE TABLE T (old);"_s}).isNull());
        boxes.texts.clear();
        dialog = openDialog(u"St"_s, 2, &window, 1, {{u"nr"_s, true}});
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), database);
        type(find<QLineEdit>(dialog, u"NeueTabelle"_s), u"T"_s);
        click(find<QCheckBox>(dialog, u"DBFelderMitTabPraefix"_s));
        click(find<QPushButton>(dialog, u"StartButton"_s));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(240) + u" T\r\n"_s + GetMessageTextByNr(239)});
        QVERIFY(dialog->isVisible());
        QCOMPARE(stored(u"Export"_s, u"ExportDBName"_s), database);
        QCOMPARE(stored(u"Export\\St"_s, u"DBTableName"_s), u"T"_s);
        QCOMPARE(stored(u"Export"_s, u"DBFieldsWithTabPfx"_s), u"0"_s);
        QCOMPARE(stored(u"Export"_s, u"ExportDBType"_s), u"SQLite"_s);

        // A data source the logon cannot reach: stored all the same.
        boxes.texts.clear();
        auto* kinds = find<QComboBox>(dialog, u"ExportDBTypen"_s);
        kinds->setFocus();
        QTest::keyClick(kinds, Qt::Key_Down);
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), u"no-such-source"_s);
        click(find<QPushButton>(dialog, u"StartButton"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].startsWith(GetMessageTextByNr(243) + u"\r\n"_s));
        QCOMPARE(stored(u"Export"_s, u"ExportDBType"_s), u"ODBC"_s);
        QCOMPARE(stored(u"Export"_s, u"ExportDBName"_s), u"no-such-source"_s);
        QVERIFY(find<QPushButton>(dialog, u"StartButton"_s)->isEnabled());
    }

    void aWorkbookAndATableTakeTheShownRowsAndTheirProgramStartsAfterwards()
    {
        // The data source's driver, found through a configuration of the test's own.
        QVERIFY(configureOdbc(dir.path()));
        FollowUps followUps;
        Answers boxes;
        RowsWindow window(Keys, {{u"1"_s, u"=1+1"_s}, {u"2"_s, QString()}});
        const QList<std::pair<QString, bool>> fields{{u"nr"_s, true}, {u"name"_s, true}};

        ExportDialog* dialog = openDialog(u"W:1"_s, 1, &window, 2, fields);
        QCOMPARE(find<QLineEdit>(dialog, u"ExcelWorksheet"_s)->text(), u"W - 1"_s);
        type(find<QLineEdit>(dialog, u"ExportExcelName"_s), path(u"w.xlsx"_s));
        click(find<QCheckBox>(dialog, u"ExcelStarten"_s));
        QVERIFY(startAndWait(dialog));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(247)});
        const QJsonValue book = workbookContent(path(u"w.xlsx"_s));
        QCOMPARE(book[u"sheets"_s].toArray(), QJsonArray{u"W - 1"_s});
        QCOMPARE(book[u"rows"_s].toArray().size(), 3);
        QCOMPARE(book[u"rows"_s][1][1][1].toString(), u"=1+1"_s);
        QCOMPARE(followUps.starts.size(), 1);
        QCOMPARE(followUps.starts[0].kind, ExportFollowUp::Kind::DesktopApp);
        QCOMPARE(followUps.starts[0].file, path(u"w.xlsx"_s));
        QCOMPARE(find<QLineEdit>(ExportProgressDialog::DefaultInstance(), u"AnzahlSaetze"_s)->text(), u"2"_s);

        boxes.texts.clear();
        dialog = openDialog(u"W:1"_s, 2, &window, 2, fields);
        QCOMPARE(find<QLineEdit>(dialog, u"NeueTabelle"_s)->text(), u"W:1"_s);
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), path(u"w.sqlite"_s));
        click(find<QCheckBox>(dialog, u"AccessStarten"_s));
        QVERIFY(startAndWait(dialog));
        QCOMPARE(boxes.texts, QStringList{GetMessageTextByNr(242)});
        // Columns are named by the query's field names unless the user unticks that.
        QCOMPARE(sqliteRows(path(u"w.sqlite"_s), u"SELECT * FROM \"W:1\""_s),
                 (QJsonArray{QJsonObject{{u"0:nr"_s, u"1"_s}, {u"0:name"_s, u"=1+1"_s}},
                             QJsonObject{{u"0:nr"_s, u"2"_s}, {u"0:name"_s, QJsonValue()}}}));
        QCOMPARE(followUps.starts.size(), 2);
        QCOMPARE(followUps.starts[1].kind, ExportFollowUp::Kind::DesktopApp);
        QCOMPARE(followUps.starts[1].file, path(u"w.sqlite"_s));

        // A data source: its connection string is stored without the password, and there is
        // no program to start.
        dialog = openDialog(u"W:1"_s, 2, &window, 2, fields);
        auto* kinds = find<QComboBox>(dialog, u"ExportDBTypen"_s);
        kinds->setFocus();
        QTest::keyClick(kinds, Qt::Key_Down);
        const QString source = u"DRIVER=SQLite3;Database="_s + path(u"w.sqlite"_s);
        type(find<QLineEdit>(dialog, u"ExportDBName"_s), source + u";PWD=secret"_s);
        type(find<QLineEdit>(dialog, u"NeueTabelle"_s), u"W2"_s);
        QVERIFY(!find<QCheckBox>(dialog, u"AccessStarten"_s)->isEnabled());
        QVERIFY(startAndWait(dialog));
        QCOMPARE(stored(u"Export"_s, u"ExportDBName"_s), source);
        QCOMPARE(stored(u"Export"_s, u"ExportDBType"_s), u"ODBC"_s);
        QCOMPARE(sqliteValue(path(u"w.sqlite"_s), u"SELECT group_concat(\"0:nr\") FROM W2"_s), u"1,2"_s);
        QCOMPARE(followUps.starts.size(), 2);
    }

    void shownRowsAreExportedAndTheProgramStartsAfterwards()
    {
        FollowUps followUps;
        RowsWindow window(Keys, {{u"1"_s, u"x"_s}, {u"2"_s, u"y"_s}, {u"3"_s, u"z"_s}});
        ExportDialog* dialog = openDialog(u"R"_s, 3, &window, 3, {{u"nr"_s, true}, {u"name"_s, true}});
        type(find<QLineEdit>(dialog, u"XMLDateiName"_s), path(u"r.xml"_s));
        click(find<QCheckBox>(dialog, u"XMLAppStarten"_s));
        type(find<QLineEdit>(dialog, u"XMLAppName"_s), u"viewer --read"_s);
        const QPointer<ExportDialog> alive(dialog);
        ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
        click(find<QPushButton>(dialog, u"StartButton"_s));
        // The dialog hides; the progress window stands modal over the window whose rows go.
        QVERIFY(ExportDialog::IsExportRunning());
        QVERIFY(!dialog->isVisible());
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->windowModality(), Qt::ApplicationModal);
        QCOMPARE(find<QLineEdit>(progress, u"Tabellenname"_s)->text(), u"R"_s);
        QTRY_VERIFY(!ExportDialog::IsExportRunning());
        QTRY_VERIFY(!alive);

        QCOMPARE(xmlRecords(path(u"r.xml"_s)).toArray().size(), 3);
        QCOMPARE(followUps.starts.size(), 1);
        QCOMPARE(followUps.starts[0].kind, ExportFollowUp::Kind::Program);
        QCOMPARE(followUps.starts[0].program, u"viewer --read"_s);
        QCOMPARE(followUps.starts[0].file, path(u"r.xml"_s));
        // The final count stays in view until the user closes the window.
        QVERIFY(progress->isVisible() && progress->hasEnded());
        QCOMPARE(find<QLineEdit>(progress, u"AnzahlSaetze"_s)->text(), u"3"_s);
        QCOMPARE(progress->windowTitle(), FormatMessage(297, QString(), u"3"_s));
        QVERIFY(!progress->isExpanded());
        click(find<QPushButton>(progress, u"AbbrechenButton"_s));
        QVERIFY(!progress->isVisible());
    }

    void theNamedProgramGetsTheFileAsOneArgument()
    {
        const QString tool = path(u"record"_s);
        const QString out = path(u"args.txt"_s);
        QVERIFY(writeFile(tool, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + out.toUtf8() + "\"\n"));
        QVERIFY(QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner));
        RowsWindow window(Keys, {{u"1"_s, u"x"_s}});
        ExportDialog* dialog = openDialog(u"A"_s, 0, &window, 1, {{u"nr"_s, true}});
        type(find<QLineEdit>(dialog, u"ExportDateiName"_s), path(u"with blank; and $x.exp"_s));
        click(find<QCheckBox>(dialog, u"FileAppStarten"_s));
        type(find<QLineEdit>(dialog, u"FileAppName"_s), u'"' + tool + u"\" --first"_s);
        QVERIFY(startAndWait(dialog));
        QTRY_VERIFY(QFile::exists(out) && readFile(out).endsWith('\n'));
        QCOMPARE(readFile(out), "--first\n" + path(u"with blank; and $x.exp"_s).toUtf8() + '\n');
    }

    void aCancelEndsEveryKindWithTheCountItsTargetHolds()
    {
        // 2,000 shown rows, cancelled by the user while row 150 is read. The data source's
        // driver is found through a configuration of the test's own.
        QVERIFY(configureOdbc(dir.path()));
        FollowUps followUps;
        QList<QStringList> rows;
        for (int i = 1; i <= 2000; ++i)
            rows.append({QString::number(i), u"n"_s + QString::number(i)});
        RowsWindow window(Keys, rows);
        ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
        window.onRowNumber = 150;
        window.onRow = [progress] { click(find<QPushButton>(progress, u"AbbrechenButton"_s)); };

        // A workbook of another program, which takes the sheet beside its own, and a database
        // whose table of the name a cancel leaves as it was.
        const QString oldBook = path(u"c-old.xlsx"_s);
        QVERIFY(!run(u"/usr/bin/python3"_s, {u"-c"_s,
                                             u"import sys,openpyxl\n"
                                             "wb = openpyxl.Workbook()\n"
                                             "wb.active.title = 'Other'\n"
                                             "wb.save(sys.argv[1])\n"_s,
                                             oldBook})
                     .isNull());
        const QString database = path(u"c.sqlite"_s);
        QVERIFY(!run(u"/usr/bin/sqlite3"_s, {database, u"CREATE TABLE Old (old); INSERT INTO Old VALUES ('kept');"_s})
                     .isNull());

        // Each kind's target and the records of the export it holds, as its own reader finds
        // them (-1 when the target is not as it should be).
        const QString text = path(u"c.exp"_s);
        const QString xml = path(u"c.xml"_s);
        const QString html = path(u"c.html"_s);
        const QString newBook = path(u"c-new.xlsx"_s);
        const auto bookRecords = [](const QString& file, const QJsonArray& sheets) -> qsizetype {
            const QJsonValue book = workbookContent(file);
            return book[u"sheets"_s].toArray() == sheets ? book[u"rows"_s].toArray().size() - 1 : -1;
        };
        const auto tableRecords = [database](const QString& table) {
            return sqliteValue(database, u"SELECT count(*) FROM "_s + table).toLongLong();
        };
        struct Target
        {
            int kind;
            QString name;  // the kind's file, database or data source
            QString table; // the new table of a database
            qint64 held;   // the records it holds after the cancel
            std::function<qint64()> records;
        };
        const QList<Target> targets{
            {0, text, {}, 150, [&] { return csvRows(text, u";"_s).toArray().size() - 1; }},
            {3, xml, {}, 150, [&] { return xmlRecords(xml).toArray().size(); }},
            {4,
             html,
             {},
             150,
             [&] {
                 const QJsonArray all = htmlContent(html)[u"rows"_s].toArray();
                 return std::count_if(all.begin(), all.end(),
                                      [](const QJsonValue& r) { return r[u"data"_s].toBool(); });
             }},
            {1, newBook, {}, 150, [&] { return bookRecords(newBook, {u"K"_s}); }},
            {1,
             oldBook,
             {},
             150,
             [&] {
                 return bookRecords(oldBook, {u"K"_s, u"Other"_s});
             }},
            {2, database, u"K"_s, 150, [&] { return tableRecords(u"K"_s); }},
            {2, database, u"Old"_s, 0,
             [&] { return sqliteValue(database, u"SELECT group_concat(old) FROM Old"_s) == u"kept"_s ? 0 : -1; }},
            {2, u"DRIVER=SQLite3;Database="_s + database, u"KO"_s, 150, [&] { return tableRecords(u"KO"_s); }},
        };
        const QString nameBoxes[] = {u"ExportDateiName"_s, u"ExportExcelName"_s, u"ExportDBName"_s, u"XMLDateiName"_s,
                                     u"HTMLDateiName"_s};
        for (const Target& target : targets) {
            const QByteArray what = (QString::number(target.kind) + u' ' + target.name + u' ' + target.table).toUtf8();
            // Every question (a new workbook, the table to replace) answered yes.
            Answers boxes;
            ExportDialog* dialog = openDialog(u"K"_s, target.kind, &window, 2000, {{u"nr"_s, true}, {u"name"_s, true}});
            if (target.name.startsWith(u"DRIVER="_s)) {
                auto* kinds = find<QComboBox>(dialog, u"ExportDBTypen"_s);
                kinds->setFocus();
                QTest::keyClick(kinds, Qt::Key_Down);
            }
            type(find<QLineEdit>(dialog, nameBoxes[target.kind]), target.name);
            if (target.kind == 2)
                type(find<QLineEdit>(dialog, u"NeueTabelle"_s), target.table);
            if (target.kind == 0)
                click(find<QCheckBox>(dialog, u"FileAppStartenExt"_s));
            QVERIFY2(startAndWait(dialog), what.constData());
            // The window says the export was cancelled, with the records the target holds.
            const QString held = QString::number(target.held);
            QVERIFY2(progress->hasEnded() && progress->end() == ExportProgressDialog::End::Cancelled, what.constData());
            QCOMPARE(progress->windowTitle(), FormatMessage(1225, QString(), held));
            QCOMPARE(find<QLineEdit>(progress, u"AnzahlSaetze"_s)->text(), held);
            // In the window too, where a cut caption cannot hide it.
            const QListWidgetItem* told = find<QListWidget>(progress, u"MeldungenListe"_s)->item(0);
            QCOMPARE(told ? told->text() : QString(), FormatMessage(1225, QString(), held));
            QVERIFY(progress->isExpanded());
            QCOMPARE(target.records(), target.held);
        }
        // A cancel ends the file as a complete export ends it: its program is started.
        QCOMPARE(followUps.starts.size(), 1);
        QCOMPARE(followUps.starts[0].kind, ExportFollowUp::Kind::DesktopApp);
        QCOMPARE(followUps.starts[0].file, text);
    }

    void theProgressWindowCollapsesCountsAndCancelsByItsCloseBox()
    {
        CancelCounter caller;
        ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
        progress->SetInitialValues(&caller, u"Kunde"_s);
        progress->show();
        QVERIFY(!progress->isExpanded());
        const int collapsed = progress->height();
        QCOMPARE(progress->windowTitle(), GetMessageTextByNr(263));

        progress->showMinimized();
        progress->SetRecordCount(300);
        QCOMPARE(progress->windowTitle(), FormatMessage(265, QString(), u"300"_s));
        // A message brings the window back at its full size.
        progress->AddMessage(u"Status: working"_s);
        QVERIFY(!progress->isMinimized());
        QVERIFY(progress->isExpanded());
        QVERIFY(progress->height() > collapsed);
        auto* list = find<QListWidget>(progress, u"MeldungenListe"_s);
        progress->AddMessage(u"Error: late"_s);
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(progress->windowTitle(), GetMessageTextByNr(263));

        // The close box cancels, as the button does; the program's own unload does not.
        click(find<QPushButton>(progress, u"AbbrechenButton"_s));
        QCOMPARE(caller.cancels, 1);
        progress->close();
        QCOMPARE(caller.cancels, 2);
        progress->show();
        progress->Unload();
        QCOMPARE(caller.cancels, 2);
        progress->SetInitialValues(&caller, u"Kunde"_s);
        progress->show();
        progress->ShowEnd(ExportProgressDialog::End::Finished, 5, {});
        progress->close();
        QCOMPARE(caller.cancels, 2);
    }

    void aWriteFailingPartWayKeepsTheOldFileAndStartsNothing()
    {
        // An XML file, a workbook and a table of a database file, each with its program ticked;
        // the rows of the table fit in the database's cache, so its commit fails.
        const QString xml = path(u"limited.xml"_s);
        const QString book = path(u"limited.xlsx"_s);
        const QString database = path(u"limited.sqlite"_s);
        QVERIFY(writeFile(xml, "old content"));
        // A workbook of another program, which keeps its sheet.
        QVERIFY(!run(u"/usr/bin/python3"_s, {u"-c"_s,
                                             u"import sys,openpyxl\n"
                                             "wb = openpyxl.Workbook()\n"
                                             "wb.active['A1'] = 'old workbook'\n"
                                             "wb.save(sys.argv[1])\n"_s,
                                             book})
                     .isNull());
        const QByteArray oldBook = readFile(book);
        QVERIFY(!run(u"/usr/bin/sqlite3"_s, {database, u"CREATE TABLE L (old); INSERT INTO L VALUES ('kept');"_s})
                     .isNull());
        const QList<std::tuple<int, QString, int>> kinds{{3, xml, 241}, {1, book, 249}, {2, database, 298}};
        for (const auto& [kind, file, message] : kinds) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {u"--fsize-child"_s, file, QString::number(kind)});
            QVERIFY(child.waitForFinished(120000));
            const QString out = QString::fromUtf8(child.readAllStandardOutput());
            QCOMPARE(child.exitCode(), 0);
            QVERIFY2(out.contains(u"BOX " + GetMessageTextByNr(message)), qPrintable(out));
            QVERIFY2(!out.contains(u"START"_s), qPrintable(out));
            // The progress window does not stay with the count of rows that are not there.
            QVERIFY2(out.contains(u"END "_s + GetMessageTextByNr(1226) + u"|0\n"_s), qPrintable(out));
        }
        QCOMPARE(readFile(xml), QByteArray("old content"));
        QCOMPARE(readFile(book), oldBook);
        QCOMPARE(sqliteValue(database, u"SELECT group_concat(old) FROM L"_s), u"kept"_s);
        QCOMPARE(sqliteValue(database, u"PRAGMA integrity_check"_s), u"ok"_s);
        QCOMPARE(QDir(dir.path()).entryList({u"*limited*"_s}, QDir::Files | QDir::Hidden),
                 (QStringList{u"limited.sqlite"_s, u"limited.xlsx"_s, u"limited.xml"_s}));
    }

    void aFullDiskIsToldInTheSystemsWords()
    {
        // A file system of 256 KiB of the child's own, in a mount namespace of its own, which the
        // rows of a text, XML or HTML export outgrow.
        const QString unshare = QStandardPaths::findExecutable(u"unshare"_s);
        if (unshare.isEmpty())
            QSKIP("unshare is not installed");
        const QString folder = path(u"full"_s);
        QVERIFY(QDir().mkpath(folder));
        QProcess child;
        child.start(unshare,
                    {u"-rm"_s, u"sh"_s, u"-c"_s,
                     u"mount -t tmpfs -o size=256k tmpfs \"$1\" || exit 77; exec \"$2\" --full-disk-child \"$1\""_s,
                     u"sh"_s, folder, QCoreApplication::applicationFilePath()});
        QVERIFY(child.waitForFinished(120000));
        if (child.exitCode() == 77)
            QSKIP("no file system of a process's own can be mounted here");
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitCode(), 0);
        const QString told = GetMessageTextByNr(241) + u"\r\n"_s + QString::fromLocal8Bit(std::strerror(ENOSPC)) +
                             u" ("_s + QString::number(ENOSPC) + u')';
        QCOMPARE(out.count(u"BOX "_s + told), 3);
        QVERIFY2(!out.contains(u"LEFT"_s), qPrintable(out));
    }
};

// Exports 20,000 shown rows to the file in the given kind (the file's program ticked) and
// prints the boxes shown and the programs started.
void exportInChild(const QString& file, int kind)
{
    MessageBoxes shown;
    FollowUps followUps;
    QList<QStringList> rows;
    for (int i = 1; i <= 20000; ++i)
        rows.append({QString::number(i), u"a value that fills the file quickly"_s});
    RowsWindow window(Keys, rows);
    ExportDialog* dialog = openDialog(u"L"_s, kind, &window, 20000, {{u"nr"_s, true}, {u"name"_s, true}});
    // Each kind's file box and its program's box.
    const std::pair<QString, QString> boxes[] = {{u"ExportDateiName"_s, u"FileAppStartenExt"_s},
                                                 {u"ExportExcelName"_s, u"ExcelStarten"_s},
                                                 {u"ExportDBName"_s, u"AccessStarten"_s},
                                                 {u"XMLDateiName"_s, u"XMLStdAppStarten"_s},
                                                 {u"HTMLDateiName"_s, u"HTMLDateiInBrowserZeigen"_s}};
    type(find<QLineEdit>(dialog, boxes[kind].first), file);
    click(find<QCheckBox>(dialog, boxes[kind].second));
    shown.texts.clear();
    // The question before the old target is replaced is answered OK.
    shown.answer = QMessageBox::Ok;
    startAndWait(dialog);
    for (const QString& text : shown.texts)
        std::printf("BOX %s\n", qPrintable(text));
    // How the progress window ended: its caption and count.
    ExportProgressDialog* progress = ExportProgressDialog::DefaultInstance();
    std::printf("END %s|%s\n", qPrintable(progress->windowTitle()),
                qPrintable(find<QLineEdit>(progress, u"AnzahlSaetze"_s)->text()));
    for (const FollowUps::Start& start : followUps.starts)
        std::printf("START %s\n", qPrintable(start.file));
}

// The child of the write-failure test: files may grow to 64 KiB only, and going beyond is an
// error of the write, not a signal.
int fileSizeChild(const QString& file, int kind)
{
    ViewerTest::loadTexts();
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    exportInChild(file, kind);
    return 0;
}

// The child of the full-disk test: a text, an XML and an HTML export into a folder that fills
// up; after each nothing may be left there.
int fullDiskChild(const QString& folder)
{
    ViewerTest::loadTexts();
    for (const auto& [kind, name] :
         {std::pair{0, u"full.exp"_s}, std::pair{3, u"full.xml"_s}, std::pair{4, u"full.html"_s}}) {
        exportInChild(QDir(folder).filePath(name), kind);
        for (const QString& left : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            std::printf("LEFT %s\n", qPrintable(left));
        std::fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv)
{
    TestEnvironment::redirectSettings();
    AppContext context;
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--fsize-child") == 0)
        return fileSizeChild(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    if (argc == 3 && qstrcmp(argv[1], "--full-disk-child") == 0)
        return fullDiskChild(QString::fromLocal8Bit(argv[2]));
    ExportDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "dialog_qtest.moc"
#include "moc_export_support.cpp"
