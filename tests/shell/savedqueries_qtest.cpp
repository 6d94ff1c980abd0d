// Saved queries between query windows and their INI files: a query saved from a window comes
// back into another, field entries find their rows (or become extra fields), changed queries
// are saved or asked about as the viewer settings say, and the menus of saved queries follow
// the table.
#include "ChildRun.h"
#include "MainModul.h"
#include "MessageBoxes.h"
#include "SavedQuerySettings.h"
#include "SavedQueryStore.h"
#include "SavedQueryWindow.h"
#include "TestEnvironment.h"
#include "ViewerEinstellungenDialog.h"
#include "ViewerTestMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;
using ViewerTest::MessageBoxes;
using namespace MainModul;

namespace {

// A query window as the storage sees it: the documented controls, window values and members,
// with a field list for a table with a head part (0) and a table part (1).
class FakeQueryForm : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString AktTableName MEMBER AktTableName)
    Q_PROPERTY(QString AktTableID MEMBER AktTableID)
    Q_PROPERTY(bool AktTableHasTable MEMBER AktTableHasTable)
    Q_PROPERTY(QString AktQueryName MEMBER AktQueryName)

public:
    QString AktTableName = u"2:1"_s;
    QString AktTableID = u"(12,24,2)"_s;
    bool AktTableHasTable = true;
    QString AktQueryName;

    QTreeWidget* fields = new QTreeWidget(this);
    QTreeWidget* data = new QTreeWidget(this);
    QLineEdit* kriterien = new QLineEdit(this);
    QLineEdit* sortierung = new QLineEdit(this);
    QComboBox* schluessel = new QComboBox(this);
    QComboBox* ablageart = new QComboBox(this);
    QCheckBox* zeilen = new QCheckBox(this);
    QRadioButton* auf = new QRadioButton(this);
    QRadioButton* ab = new QRadioButton(this);
    QWidget* junctions = new QWidget(this);
    QRadioButton* und = new QRadioButton(junctions);
    QRadioButton* oder = new QRadioButton(junctions);
    QStatusBar* status = new QStatusBar(this);

    QStringList extraFieldsAccepted; // expressions the server would take
    QStringList calls;

    FakeQueryForm()
    {
        fields->setObjectName(u"FeldListe"_s);
        data->setObjectName(u"DatenListe"_s);
        kriterien->setObjectName(u"Kriterien"_s);
        sortierung->setObjectName(u"Sortierung"_s);
        schluessel->setObjectName(u"Schluessel"_s);
        ablageart->setObjectName(u"Ablageart"_s);
        zeilen->setObjectName(u"ZeilenSelektion"_s);
        auf->setObjectName(u"Aufsteigend"_s);
        ab->setObjectName(u"Absteigend"_s);
        und->setObjectName(u"UNDVerknuepfung"_s);
        oder->setObjectName(u"ODERVerknuepfung"_s);
        status->setObjectName(u"StatusBar"_s);
        for (int i = 1; i <= 6; ++i) {
            auto* panel = new QLabel(status);
            panel->setObjectName(u"Panel"_s + QString::number(i));
            status->addWidget(panel);
        }
        schluessel->addItems({u"Default"_s, u"nummer"_s, u"such"_s});
        const QList<QPair<QString, int>> kinds{{u"alle"_s, 0}, {u"aktiv"_s, 1}, {u"abgelegt"_s, 2}, {u"beide"_s, 9}};
        for (const auto& [text, number] : kinds)
            ablageart->addItem(text, number);
        for (const QString& key :
             {u"nummer#0#S"_s, u"name#0#S"_s, u"preis#0#S"_s, u"nummer#1#S"_s, u"abmenge#1#S"_s, u"stpreis#1#S"_s})
            addField(key);
        reset();
    }

    // The window after a table switch: nothing chosen, first entries, ascending, AND.
    void reset()
    {
        kriterien->clear();
        sortierung->clear();
        schluessel->setCurrentIndex(0);
        ablageart->setCurrentIndex(0);
        zeilen->setEnabled(true);
        zeilen->setChecked(false);
        auf->setChecked(true);
        und->setChecked(true);
        SetAllFieldsSelection(1, 2);
        data->clear();
        data->setColumnCount(0);
    }

    QTreeWidgetItem* addField(const QString& key)
    {
        auto* item = new QTreeWidgetItem(fields, {key.section(u'#', 0, 0)});
        item->setData(0, SavedQueryWindow::RowKeyRole, key);
        item->setCheckState(0, Qt::Unchecked);
        return item;
    }

    QStringList checkedKeys() const
    {
        QStringList keys;
        for (int i = 0; i < fields->topLevelItemCount(); ++i) {
            if (fields->topLevelItem(i)->checkState(0) == Qt::Checked)
                keys << fields->topLevelItem(i)->data(0, SavedQueryWindow::RowKeyRole).toString();
        }
        return keys;
    }

    // The result columns as "tag width".
    QStringList columns() const
    {
        QStringList cols;
        for (int c = 0; c < data->columnCount(); ++c)
            cols << data->headerItem()->data(c, Qt::UserRole).toString() + u' ' +
                        data->headerItem()->data(c, Qt::UserRole + 1).toString();
        return cols;
    }

    QString panel3() const { return status->findChild<QLabel*>(u"Panel3"_s)->text(); }

    Q_INVOKABLE void GetCurrentFieldList(QString& fieldList, QString& widths)
    {
        if (data->columnCount() == 0)
            return;
        QStringList names, w;
        for (int c = 0; c < data->columnCount(); ++c) {
            names << data->headerItem()->data(c, Qt::UserRole).toString();
            w << data->headerItem()->data(c, Qt::UserRole + 1).toString();
        }
        fieldList = names.join(u',');
        widths = w.join(u',');
    }

    Q_INVOKABLE void SetAllFieldsSelection(int scope, int action)
    {
        calls << u"SetAllFieldsSelection %1 %2"_s.arg(scope).arg(action);
        for (int i = 0; i < fields->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = fields->topLevelItem(i);
            const bool on = action == 1 || (action == 3 && item->checkState(0) != Qt::Checked);
            item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
        }
    }

    Q_INVOKABLE void LoadRohlingProperties(QString& reference)
    {
        calls << u"LoadRohlingProperties "_s + reference;
        kriterien->setText(u"from template"_s);
        AktQueryName.clear();
    }

    Q_INVOKABLE int InsertExtraFeld(const QString& name, bool selectField, int& position, bool checkField)
    {
        calls << u"InsertExtraFeld %1 %2 %3 %4"_s.arg(name).arg(selectField).arg(position).arg(checkField);
        if (!extraFieldsAccepted.contains(name))
            return 2;
        addField(name + u"#0#E"_s)->setCheckState(0, checkField ? Qt::Checked : Qt::Unchecked);
        return 1;
    }

    Q_INVOKABLE void InsertDataColumn(QTreeWidgetItem* item, int& width)
    {
        if (width < 1)
            width = 1440;
        const QString key = item->data(0, SavedQueryWindow::RowKeyRole).toString();
        const int c = data->columnCount();
        data->setColumnCount(c + 1);
        data->headerItem()->setText(c, key.section(u'#', 0, 0));
        data->headerItem()->setData(c, Qt::UserRole, QString(key.section(u'#', 1, 1) + u':' + key.section(u'#', 0, 0)));
        data->headerItem()->setData(c, Qt::UserRole + 1, width);
    }

    Q_INVOKABLE bool UpdateDataColumns()
    {
        calls << u"UpdateDataColumns"_s;
        return true;
    }
};

// Stands in for the saved-query list dialog.
class FakeQueryListForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int DialogResult MEMBER DialogResult)

public:
    int DialogResult = 2;
    QTreeWidget* list = new QTreeWidget(this);
    QString table, file;
    int choose = -1; // the row the user picks, -1 for none
    bool ok = true;

    FakeQueryListForm()
    {
        setObjectName(u"QueryListForm"_s);
        list->setObjectName(u"QueryList"_s);
    }

    Q_INVOKABLE void LoadQueryList(QString& tableName, QString& iniFile)
    {
        table = tableName;
        file = iniFile;
        list->clear();
        for (const QString& name : SavedQuerySettings::QueryNames(iniFile))
            new QTreeWidgetItem(list, {name});
    }

    int exec() override
    {
        if (choose >= 0)
            list->setCurrentItem(list->topLevelItem(choose));
        DialogResult = ok ? 1 : 2;
        return DialogResult;
    }
};

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes into path until the disk it is on is full.
void fillDisk(const QString& path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("f", 1) == 1) {
    }
}

// Answers the next input box with text (or cancels it when text is null).
void answerInputBox(const QString& text)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, text] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->deleteLater();
        timer->stop();
        if (text.isNull()) {
            box->reject();
        } else {
            box->setTextValue(text);
            box->accept();
        }
    });
    timer->start(10);
}

} // namespace

class SavedQueriesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    ViewerEinstellungenDialog* viewer = nullptr;
    MessageBoxes boxes;

    QString file(QString table = u"2:1"_s) const { return dir.filePath(table.replace(u':', u'_') + u".ini"_s); }

    void choose(const char16_t* option)
    {
        viewer->findChild<QAbstractButton*>(QString::fromUtf16(option))->setChecked(true);
    }

    // A window with a query the user put together.
    void fillQuery(FakeQueryForm& w)
    {
        w.kriterien->setText(u"  name=\"Müller\""_s);
        w.sortierung->setText(u"name.rueckw"_s);
        w.schluessel->setCurrentIndex(2);
        w.ablageart->setCurrentIndex(2);
        w.zeilen->setChecked(true);
        w.ab->setChecked(true);
        w.oder->setChecked(true);
        int width = 2000;
        w.InsertDataColumn(w.fields->topLevelItem(1), width); // name, head part
        width = 900;
        w.InsertDataColumn(w.fields->topLevelItem(4), width); // abmenge, table part
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        viewer = new ViewerEinstellungenDialog;
        viewer->LoadKLVViewerSettings();
        viewer->findChild<QAbstractButton*>(u"SaveQueryByUser"_s)->setChecked(false);
        choose(u"SaveQueryIndivDir");
        viewer->findChild<QLineEdit*>(u"SaveQueryDir"_s)->setText(dir.path());
    }

    void init()
    {
        boxes.texts.clear();
        boxes.answer = QMessageBox::Ok;
        choose(u"QueryChangeAskUser");
        for (const QString& f : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(f));
    }

    void cleanupTestCase() { delete viewer; }

    void aQuerySavedFromOneWindowComesBackIntoAnother()
    {
        FakeQueryForm source;
        fillQuery(source);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&source, u"2:1"_s, u"Große Posten"_s));
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(SavedQueryStore::GetQuerySettingsFile(u"2:1"_s), file());
        QCOMPARE(SavedQueryStore::GetTableQueries(u"2:1"_s), QStringList{u"Große Posten"_s});

        FakeQueryForm target;
        QString name = u"Große Posten"_s;
        SavedQueryStore::GetQuerySettings(&target, u"2:1"_s, target.AktTableID, name, true);
        QCOMPARE(target.checkedKeys(), (QStringList{u"name#0#S"_s, u"abmenge#1#S"_s}));
        QCOMPARE(target.columns(), (QStringList{u"0:name 2000"_s, u"1:abmenge 900"_s}));
        QCOMPARE(target.kriterien->text(), u"  name=\"Müller\""_s);
        QCOMPARE(target.sortierung->text(), u"name.rueckw"_s);
        QCOMPARE(target.schluessel->currentText(), u"such"_s);
        QCOMPARE(target.ablageart->currentData().toInt(), 2);
        QVERIFY(target.zeilen->isChecked());
        QVERIFY(target.ab->isChecked());
        QVERIFY(target.oder->isChecked());
        QCOMPARE(target.AktQueryName, u"Große Posten"_s);
        QCOMPARE(target.panel3(), GetMessageTextByNr(177) + u" Große Posten"_s);
        QVERIFY(!target.calls.contains(u"LoadRohlingProperties (12,24,2)"_s));

        // Row selection is taken only where the window allows it.
        FakeQueryForm noRows;
        noRows.zeilen->setEnabled(false);
        SavedQueryStore::GetQuerySettings(&noRows, u"2:1"_s, noRows.AktTableID, name, true);
        QVERIFY(!noRows.zeilen->isChecked());
    }

    void aTableWithoutSavedQueriesLoadsTheDefaults()
    {
        FakeQueryForm w;
        fillQuery(w);
        w.data->setColumnCount(0);
        QCOMPARE(SavedQueryStore::GetTableQueries(u"3:1"_s), QStringList{u"Default"_s});
        QString name = u"Default"_s;
        SavedQueryStore::GetQuerySettings(&w, u"3:1"_s, w.AktTableID, name, false);
        QCOMPARE(w.ablageart->currentData().toInt(), 9);
        QVERIFY(w.und->isChecked());
        QVERIFY(w.auf->isChecked());
        QCOMPARE(w.schluessel->currentText(), u"Default"_s);
        QCOMPARE(w.kriterien->text(), QString());
        QVERIFY(!w.zeilen->isChecked());
        QCOMPARE(w.columns(), QStringList());
        // The ByRows default of the table counts when the query does not say.
        SavedQueryStore::GetQuerySettings(&w, u"3:1"_s, w.AktTableID, name, true);
        QVERIFY(w.zeilen->isChecked());
    }

    void aTemplateTableWithoutDefaultFieldsLoadsItsTemplate()
    {
        FakeQueryForm w;
        w.AktTableName = u"Kundenvorlage"_s;
        QString name = u"Mine"_s;
        SavedQueryStore::GetQuerySettings(&w, w.AktTableName, w.AktTableID, name, false);
        QVERIFY(w.calls.contains(u"LoadRohlingProperties (12,24,2)"_s));
        QCOMPARE(w.AktQueryName, u"Default"_s);
        QCOMPARE(w.panel3(), GetMessageTextByNr(177) + u" Mine"_s);

        // Once "Default" holds fields the saved query is read instead.
        SavedQuerySettings def;
        def.Fields = u"0:nummer"_s;
        QVERIFY(def.write(file(u"Kundenvorlage"_s), u"Default"_s));
        FakeQueryForm again;
        again.AktTableName = u"Kundenvorlage"_s;
        name = u"Default"_s;
        SavedQueryStore::GetQuerySettings(&again, again.AktTableName, again.AktTableID, name, false);
        QVERIFY(again.calls.filter(u"LoadRohlingProperties"_s).isEmpty());
        QCOMPARE(again.checkedKeys(), QStringList{u"nummer#0#S"_s});
    }

    void fieldEntriesFindTheirRowsOrBecomeExtraFields()
    {
        SavedQuerySettings s;
        // A bare name twice takes the head field, then the table part's; an unknown
        // expression becomes an extra field; one the server refuses is dropped.
        s.Fields = u"0:nummer,nummer,preis*2,unbekannt,1:stpreis,abmenge"_s;
        s.FieldWidths = u"100,abc,300.6,400"_s;
        QVERIFY(s.write(file(), u"Q"_s));
        FakeQueryForm w;
        w.extraFieldsAccepted = {u"preis*2"_s};
        SavedQueryStore::GetQuerySettingsFromIniFile(file(), &w, u"2:1"_s, u"Q"_s, false);
        QCOMPARE(w.checkedKeys(),
                 (QStringList{u"nummer#0#S"_s, u"nummer#1#S"_s, u"abmenge#1#S"_s, u"stpreis#1#S"_s, u"preis*2#0#E"_s}));
        // Widths: "abc" keeps the one before, 300.6 rounds, a missing width is 0 (the
        // window's own default then).
        QCOMPARE(w.columns(), (QStringList{u"0:nummer 100"_s, u"1:nummer 100"_s, u"0:preis*2 301"_s,
                                           u"1:stpreis 1440"_s, u"1:abmenge 1440"_s}));
        QCOMPARE(w.calls.filter(u"InsertExtraFeld"_s),
                 (QStringList{u"InsertExtraFeld preis*2 0 0 1"_s, u"InsertExtraFeld unbekannt 0 0 1"_s}));
    }

    void oddStoredValuesFallBackAsDocumented()
    {
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Q]\r\nAliveFlag=xyz\r\nAscending=yes\r\nAndJunction=-1\r\nSortKey=gibtsnicht\r\nByRows=0\r\n");
        f.close();
        FakeQueryForm w;
        w.schluessel->setCurrentIndex(1);
        SavedQueryStore::GetQuerySettingsFromIniFile(file(), &w, u"2:1"_s, u"Q"_s, true);
        QCOMPARE(w.ablageart->currentData().toInt(), 0); // not a number counts as 0
        QVERIFY(w.ab->isChecked());
        QVERIFY(w.oder->isChecked());
        QCOMPARE(w.schluessel->currentText(), u"nummer"_s); // a key the list lacks is not chosen
        QVERIFY(!w.zeilen->isChecked());
    }

    void unstorableNamesAndAMissingDirectoryAreToldAndNothingIsWritten()
    {
        FakeQueryForm w;
        fillQuery(w);
        QVERIFY(!SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"[x]"_s));
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.first().startsWith(GetMessageTextByNr(1390)));
        QVERIFY(!QFile::exists(file()));

        viewer->findChild<QLineEdit*>(u"SaveQueryDir"_s)->setText(QString());
        const bool saved = SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"Q"_s);
        viewer->findChild<QLineEdit*>(u"SaveQueryDir"_s)->setText(dir.path());
        QVERIFY(!saved);
        QCOMPARE(boxes.texts.size(), 2);
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(1392));
        QVERIFY(!SavedQueryStore::SaveQuerySettings(nullptr, u"2:1"_s, u"Q"_s));

        // A window without a table has no file to save into, and no change to ask about.
        QVERIFY(!SavedQueryStore::SaveQuerySettings(&w, QString(), u"Q"_s));
        QCOMPARE(boxes.texts.last(), GetMessageTextByNr(139));
        QCOMPARE(SavedQueryStore::GetQuerySettingsFile(QString()), QString());
        w.setProperty("AktTableName", QString());
        w.setProperty("AktQueryName", u"Q"_s);
        int result = 0;
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 1);
        QCOMPARE(boxes.texts.size(), 3);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void aChangedQueryIsSavedOrAskedAboutAsTheSettingsSay()
    {
        FakeQueryForm w;
        fillQuery(w);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"Q"_s));
        w.AktQueryName = u"Q"_s;
        int result = 0;

        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 1);
        QVERIFY(boxes.texts.isEmpty());

        // Every stored value counts, the field list last.
        int width = 500;
        w.InsertDataColumn(w.fields->topLevelItem(0), width);
        boxes.answer = QMessageBox::No;
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 7);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.first(), GetMessageTextByNr(182) + u" Q\r\n"_s + GetMessageTextByNr(46));
        boxes.answer = QMessageBox::Cancel;
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 2);
        QVERIFY(!SavedQuerySettings::read(file(), u"Q"_s, {}).Fields.contains(u"0:nummer"_s));
        boxes.answer = QMessageBox::Yes;
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 1);
        QVERIFY(SavedQuerySettings::read(file(), u"Q"_s, {}).Fields.endsWith(u"0:nummer"_s));

        boxes.texts.clear();
        w.und->setChecked(true);
        choose(u"QueryChangeSaveAlways");
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 1);
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(SavedQuerySettings::read(file(), u"Q"_s, {}).AndJunction, u"1"_s);

        w.kriterien->setText(u"other"_s);
        choose(u"QueryChangeDontSave");
        SavedQueryStore::CheckQuerySettingsChanges(&w, result);
        QCOMPARE(result, 1);
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(SavedQuerySettings::read(file(), u"Q"_s, {}).Krit, u"  name=\"Müller\""_s);

        // A window showing no named query is never compared.
        choose(u"QueryChangeAskUser");
        for (const QString& name : {u"Default"_s, QString()}) {
            w.AktQueryName = name;
            SavedQueryStore::CheckQuerySettingsChanges(&w, result);
            QCOMPARE(result, 1);
            QVERIFY(boxes.texts.isEmpty());
        }
        SavedQueryStore::CheckQuerySettingsChanges(nullptr, result);
        QCOMPARE(result, 1);
    }

    void theMenusListTheTablesSavedQueries()
    {
        QMainWindow main;
        auto* data = main.menuBar()->addMenu(u"Daten"_s);
        QMenu* load = data->addMenu(u"load"_s);
        load->setObjectName(u"AbfrageLadenMenue"_s);
        QMenu* save = data->addMenu(u"save"_s);
        save->setObjectName(u"AbfrageSpeichernMenue"_s);
        auto* tab = new QMenu(&main);
        QMenu* tabLoad = tab->addMenu(u"tabload"_s);
        tabLoad->setObjectName(u"TabAbfrageLadenMenue"_s);

        auto entries = [](QMenu* menu) {
            QStringList list;
            for (QAction* a : menu->actions())
                list << u"%1 %2 %3%4"_s.arg(SavedQueryStore::MenuIndex(a))
                            .arg(a->text(), SavedQueryStore::MenuQueryName(a),
                                 a->isVisible() ? QString() : u" hidden"_s);
            return list;
        };

        SavedQueryStore::FillTableQueries(&main, u"2:1"_s);
        const QString tmpl = GetMessageTextByNr(864);
        QCOMPARE(entries(load), (QStringList{u"0 Default Default"_s, u"1 "_s + tmpl + u' ' + tmpl + u" hidden"_s}));
        QCOMPARE(entries(tabLoad), entries(load));
        QCOMPARE(entries(save), (QStringList{u"0 "_s + GetMessageTextByNr(858) + u' ', u"1 Default Default"_s}));

        FakeQueryForm w;
        for (const QString& name : {u"Eins"_s, u"Zwei & Drei"_s, u"Vier"_s})
            QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"Vorlage"_s, name));
        SavedQueryStore::FillTableQueries(&main, u"Vorlage"_s);
        QCOMPARE(entries(load), (QStringList{u"0 Eins Eins"_s, u"1 "_s + tmpl + u' ' + tmpl,
                                             u"2 Zwei && Drei Zwei & Drei"_s, u"3 Vier Vier"_s}));
        QCOMPARE(entries(save), (QStringList{u"0 "_s + GetMessageTextByNr(858) + u' ', u"1 Eins Eins"_s,
                                             u"2 Zwei && Drei Zwei & Drei"_s, u"3 Vier Vier"_s}));

        // Back to a table with one saved query: the surplus entries go.
        SavedQueryStore::FillTableQueries(&main, u"2:1"_s);
        QCOMPARE(entries(load).size(), 2);
        QCOMPARE(entries(save).size(), 2);
        QCOMPARE(entries(tabLoad).size(), 2);
        SavedQueryStore::FillTableQueries(nullptr, u"2:1"_s);
    }

    void savingFromTheMenuAsksForANameAndShowsIt()
    {
        QMainWindow main;
        QMenu* save = main.menuBar()->addMenu(u"save"_s);
        save->setObjectName(u"AbfrageSpeichernMenue"_s);
        SavedQueryStore::FillTableQueries(&main, u"2:1"_s);
        FakeQueryForm w;
        fillQuery(w);
        QAction* newName = save->actions().at(0);

        answerInputBox(u"  Meine Abfrage "_s);
        SavedQueryStore::MenuEntryTriggered(&main, &w, newName);
        QCOMPARE(SavedQueryStore::GetTableQueries(u"2:1"_s), QStringList{u"Meine Abfrage"_s});
        QCOMPARE(w.AktQueryName, u"Meine Abfrage"_s);
        QCOMPARE(w.panel3(), GetMessageTextByNr(177) + u" Meine Abfrage"_s);
        QCOMPARE(SavedQueryStore::MenuQueryName(save->actions().at(1)), u"Meine Abfrage"_s);

        // Cancel and an empty name save nothing; a bracket is refused with a message.
        answerInputBox(QString());
        SavedQueryStore::MenuEntryTriggered(&main, &w, save->actions().at(0));
        answerInputBox(u"   "_s);
        SavedQueryStore::MenuEntryTriggered(&main, &w, save->actions().at(0));
        answerInputBox(u"a]b"_s);
        SavedQueryStore::MenuEntryTriggered(&main, &w, save->actions().at(0));
        QCOMPARE(SavedQueryStore::GetTableQueries(u"2:1"_s), QStringList{u"Meine Abfrage"_s});
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(w.AktQueryName, u"Meine Abfrage"_s);

        // An existing entry saves under its own name without asking.
        w.kriterien->setText(u"neu"_s);
        SavedQueryStore::MenuEntryTriggered(&main, &w, save->actions().at(1));
        QCOMPARE(SavedQuerySettings::read(file(), u"Meine Abfrage"_s, {}).Krit, u"neu"_s);
        SavedQueryStore::MenuEntryTriggered(&main, nullptr, save->actions().at(1));
    }

    void loadingFromTheMenuStartsAfresh()
    {
        QMainWindow main;
        QMenu* load = main.menuBar()->addMenu(u"load"_s);
        load->setObjectName(u"AbfrageLadenMenue"_s);
        FakeQueryForm source;
        fillQuery(source);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&source, u"2:1"_s, u"Q"_s));
        SavedQueryStore::FillTableQueries(&main, u"2:1"_s);

        FakeQueryForm w;
        w.SetAllFieldsSelection(1, 1);
        new QTreeWidgetItem(w.data, {u"old row"_s});
        w.calls.clear();
        SavedQueryStore::MenuEntryTriggered(&main, &w, load->actions().at(0));
        QCOMPARE(w.calls.first(), u"SetAllFieldsSelection 1 2"_s);
        QCOMPARE(w.calls.last(), u"UpdateDataColumns"_s);
        QCOMPARE(w.checkedKeys(), (QStringList{u"name#0#S"_s, u"abmenge#1#S"_s}));
        QCOMPARE(w.data->topLevelItemCount(), 0);
        QCOMPARE(w.AktQueryName, u"Q"_s);

        // The template entry of a template table loads the template.
        w.AktTableName = u"Vorlage"_s;
        w.AktQueryName.clear();
        w.calls.clear();
        SavedQueryStore::MenuEntryTriggered(&main, &w, load->actions().at(1));
        QCOMPARE(w.calls, (QStringList{u"SetAllFieldsSelection 1 2"_s, u"LoadRohlingProperties (12,24,2)"_s,
                                       u"UpdateDataColumns"_s}));
    }

    void loadingAfterCancellingTheQuestionStillLoads()
    {
        FakeQueryForm w;
        fillQuery(w);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"A"_s));
        w.reset();
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"B"_s));
        w.AktQueryName = u"B"_s;
        w.kriterien->setText(u"changed"_s);
        boxes.answer = QMessageBox::Cancel;
        SavedQueryStore::LoadQueryIntoWindow(&w, u"A"_s, false);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(w.AktQueryName, u"A"_s);
        QCOMPARE(SavedQuerySettings::read(file(), u"B"_s, {}).Krit, QString());
    }

    void theManagementDialogLoadsTheChosenQuery()
    {
        FakeQueryForm w;
        fillQuery(w);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"A"_s));
        w.reset();
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"B"_s));

        FakeQueryListForm list;
        list.choose = 0;
        SavedQueryStore::ShowQuerySettingsDlg(&w, &list);
        QCOMPARE(list.table, u"2:1"_s);
        QCOMPARE(list.file, file());
        QCOMPARE(w.AktQueryName, u"A"_s);
        QCOMPARE(w.kriterien->text(), u"  name=\"Müller\""_s);

        // Cancelled, or OK without a chosen row: nothing is loaded.
        w.AktQueryName = u"A"_s;
        list.choose = 1;
        list.ok = false;
        SavedQueryStore::ShowQuerySettingsDlg(&w, &list);
        QCOMPARE(w.AktQueryName, u"A"_s);
        list.ok = true;
        list.choose = -1;
        list.list->clearSelection();
        SavedQueryStore::ShowQuerySettingsDlg(&w, &list);
        QCOMPARE(w.AktQueryName, u"A"_s);

        // Without a dialog, or without a window, nothing happens.
        list.setObjectName(u"SomethingElse"_s);
        SavedQueryStore::ShowQuerySettingsDlg(&w);
        SavedQueryStore::ShowQuerySettingsDlg(nullptr, &list);
    }

    void deletingRemovesTheSection()
    {
        FakeQueryForm w;
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"A"_s));
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, u"2:1"_s, u"B"_s));
        SavedQueryStore::DeleteQuerySetting(u"2:1"_s, u"A"_s);
        QCOMPARE(SavedQueryStore::GetTableQueries(u"2:1"_s), QStringList{u"B"_s});
        SavedQueryStore::DeleteQuerySetting(u"2:1"_s, u"B"_s);
        QCOMPARE(SavedQueryStore::GetTableQueries(u"2:1"_s), QStringList{u"Default"_s});
    }

    void aFullDiskKeepsEveryQueryAndTellsTheSystemsReason()
    {
        // Runs again as a child with a small disk of its own, which the child fills.
        const QString folder = qEnvironmentVariable("KLV_FULL_DISK");
        if (folder.isEmpty()) {
            QTemporaryDir disk;
            QProcessEnvironment env;
            env.insert(u"KLV_FULL_DISK"_s, disk.path());
            const ChildRun::Result child =
                ChildRun::onSmallDisk(disk.path(), 64, {QString::fromLatin1(QTest::currentTestFunction())}, env);
            if (!child.started)
                QSKIP("no file system of a process's own can be mounted here");
            QVERIFY2(child.exitCode == 0, qPrintable(child.output));
            return;
        }
        viewer->findChild<QLineEdit*>(u"SaveQueryDir"_s)->setText(folder);
        const QString table = u"2:1"_s;
        const QString path = SavedQueryStore::GetQuerySettingsFile(table);
        FakeQueryForm w;
        fillQuery(w);
        for (int i = 1; i <= 40; ++i)
            QVERIFY(SavedQueryStore::SaveQuerySettings(&w, table, u"Abfrage "_s + QString::number(i)));
        const QByteArray held = contents(path);
        fillDisk(folder + u"/filler"_s);

        // A new name and a changed query: neither is saved, each is told with the reason, and
        // the file stays as it was.
        const QString told =
            GetMessageTextByNr(1391) + u"\r\n"_s + path + u"\r\n"_s + QString::fromLocal8Bit(std::strerror(ENOSPC));
        QVERIFY(!SavedQueryStore::SaveQuerySettings(&w, table, u"Neu"_s));
        w.kriterien->setText(u"name=Neu*"_s);
        QVERIFY(!SavedQueryStore::SaveQuerySettings(&w, table, u"Abfrage 7"_s));
        QCOMPARE(boxes.texts, (QStringList{told, told}));
        QCOMPARE(contents(path), held);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{u"2_1.ini"_s, u"filler"_s}));

        // With room again the next save writes everything the file held, and the new query.
        QVERIFY(QFile::remove(folder + u"/filler"_s));
        QVERIFY(SavedQueryStore::SaveQuerySettings(&w, table, u"Neu"_s));
        const QStringList names = SavedQueryStore::GetTableQueries(table);
        QCOMPARE(names.size(), 41);
        QCOMPARE(names.last(), u"Neu"_s);
        QVERIFY(contents(path).startsWith(held));
    }

    void aWindowWithoutTheMembersIsLeftAlone()
    {
        QWidget bare;
        bare.setProperty("AktTableName", u"2:1"_s);
        bare.setProperty("AktQueryName", u"Q"_s);
        QVERIFY(SavedQueryStore::SaveQuerySettings(&bare, u"2:1"_s, u"Q"_s));
        QString name = u"Q"_s;
        SavedQueryStore::GetQuerySettings(&bare, u"2:1"_s, QString(), name, false);
        SavedQueryStore::LoadQueryIntoWindow(&bare, u"Q"_s, true);
        int result = 0;
        SavedQueryStore::CheckQuerySettingsChanges(&bare, result);
        QCOMPARE(result, 1);
        QCOMPARE(bare.property("AktQueryName").toString(), u"Q"_s);
    }
};

VIEWER_TEST_MAIN(SavedQueriesTest)

#include "savedqueries_qtest.moc"
