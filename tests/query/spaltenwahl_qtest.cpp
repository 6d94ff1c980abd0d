// The column chooser: the column entries listed in array order with the visible ones
// selected; OK writes the user's choice back into the array, Cancel leaves it alone; the
// window's place is kept.
#include "MainModul.h"
#include "SettingsStore.h"
#include "SpaltenWahlForm.h"
#include "TestEnvironment.h"
#include "ViewerConfig.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

ListViewColumnArray columns(const QList<QPair<QString, bool>>& entries)
{
    ListViewColumnArray array;
    for (const auto& [caption, visible] : entries) {
        ListViewColumnProperty p;
        p.Descr = caption;
        p.Visible = visible;
        p.Width = 1200;
        array.append(p);
    }
    return array;
}

QList<bool> visibility(const ListViewColumnArray& array)
{
    QList<bool> flags;
    for (const ListViewColumnProperty& p : array)
        flags << p.Visible;
    return flags;
}

} // namespace

class SpaltenWahlTest : public QObject
{
    Q_OBJECT

    // What the list showed when the dialog came up: caption, entry number, selected.
    QStringList shown;

    // Runs SelectColumns with user acting on the shown dialog, then pressing button.
    int choose(SpaltenWahlForm& form, ListViewColumnArray& array, const std::function<void(QListWidget*)>& user,
               const QString& button)
    {
        shown.clear();
        QTimer::singleShot(0, &form, [&] {
            QListWidget* list = form.columnList();
            for (int j = 0; j < list->count(); ++j)
                shown << u"%1 %2 %3"_s.arg(list->item(j)->text())
                             .arg(list->item(j)->data(Qt::UserRole).toInt())
                             .arg(list->item(j)->isSelected());
            user(list);
            form.findChild<QPushButton*>(button)->click();
        });
        return form.SelectColumns(array);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(ViewerTest::loadEnglishTexts()); }

    void okWritesTheChoiceIntoTheArray()
    {
        SpaltenWahlForm form;
        QCOMPARE(form.windowTitle(), u"Choose columns"_s);
        ListViewColumnArray array = columns({{u"Table"_s, true}, {u"Description"_s, false}, {u"Table ID"_s, true}});
        const int result = choose(
            form, array,
            [](QListWidget* list) {
                list->item(1)->setSelected(true);
                list->item(2)->setSelected(false);
            },
            u"OKButton"_s);
        QCOMPARE(result, SpaltenWahlForm::ResultOk);
        QCOMPARE(shown, (QStringList{u"Table 1 1"_s, u"Description 2 0"_s, u"Table ID 3 1"_s}));
        QCOMPARE(visibility(array), (QList<bool>{true, true, false}));
        // Only the flags change: widths and captions stay.
        QCOMPARE(array[2].Width, 1200);
        QCOMPARE(array[2].Descr, u"Table ID"_s);
    }

    void cancelLeavesTheArrayAsItWas()
    {
        SpaltenWahlForm form;
        ListViewColumnArray array = columns({{u"A"_s, true}, {u"B"_s, false}});
        const int result = choose(
            form, array, [](QListWidget* list) { list->selectAll(); }, u"AbbrechenButton"_s);
        QCOMPARE(result, SpaltenWahlForm::ResultCancel);
        QCOMPARE(visibility(array), (QList<bool>{true, false}));

        // Escape and the close button cancel too.
        QTimer::singleShot(0, &form, [&form] {
            form.columnList()->selectAll();
            form.close();
        });
        QCOMPARE(form.SelectColumns(array), SpaltenWahlForm::ResultCancel);
        QCOMPARE(visibility(array), (QList<bool>{true, false}));
    }

    void okWithNothingSelectedHidesEveryColumn()
    {
        SpaltenWahlForm form;
        ListViewColumnArray array = columns({{u"A"_s, true}, {u"B"_s, true}});
        choose(
            form, array, [](QListWidget* list) { list->clearSelection(); }, u"OKButton"_s);
        QCOMPARE(visibility(array), (QList<bool>{false, false}));
    }

    void everyCallListsItsOwnArray()
    {
        // The same (hidden) dialog serves one list after the other.
        SpaltenWahlForm* form = SpaltenWahlForm::DefaultInstance();
        QCOMPARE(SpaltenWahlForm::DefaultInstance(), form);
        ListViewColumnArray first = columns({{u"A"_s, true}, {u"B"_s, false}, {u"C"_s, false}});
        choose(
            *form, first, [](QListWidget*) {}, u"OKButton"_s);
        ListViewColumnArray second = columns({{u"X"_s, false}});
        choose(
            *form, second, [](QListWidget*) {}, u"OKButton"_s);
        QCOMPARE(shown, QStringList{u"X 1 0"_s});
        QCOMPARE(visibility(first), (QList<bool>{true, false, false}));
        delete form;
    }

    void thePlaceIsKept()
    {
        const QString section = u"SpaltenWahlWindowSettings"_s;
        // Unloading always keeps it.
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, false);
        SettingsStore::DeleteSetting(App().RegAppName, section);
        delete new SpaltenWahlForm;
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"WindowLeft"_s).isEmpty());

        // After a choice only while the viewer settings say so.
        SpaltenWahlForm form;
        SettingsStore::DeleteSetting(App().RegAppName, section);
        ListViewColumnArray array = columns({{u"A"_s, true}});
        choose(
            form, array, [](QListWidget*) {}, u"OKButton"_s);
        QVERIFY(SettingsStore::GetSetting(App().RegAppName, section, u"WindowLeft"_s).isEmpty());
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
        choose(
            form, array, [](QListWidget*) {}, u"OKButton"_s);
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"WindowLeft"_s).isEmpty());
    }
};

VIEWER_TEST_MAIN(SpaltenWahlTest)

#include "spaltenwahl_qtest.moc"
