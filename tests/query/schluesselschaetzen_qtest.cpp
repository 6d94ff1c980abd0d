// The key-count estimation against the stand-in server's customers: which keys are counted
// for a selection's storage kind, which are marked and why, the best key, a key the server
// refuses to count, the sorted list, estimating again with edited criteria, the key
// information hand-off and the kept settings.
#include "KLV.h"
#include "KLVSelection.h"
#include "KlvServer.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "ReadableColour.h"
#include "SchluesselSchaetzenForm.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "ViewerConfig.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

using Form = SchluesselSchaetzenForm;

// The query window as the estimation sees it: a selection built from its controls, and the
// key information it is asked to show.
class FakeQueryWindow : public QWidget
{
    Q_OBJECT

public:
    QString table = u"1:1"_s;
    QString krit;
    QString order;
    QString key = u"such"_s;
    int aliveFlag = 1;
    bool andJunction = true;
    bool byRows = false;
    QStringList keyInfoCalls;

    Q_INVOKABLE QSharedPointer<KLVSelection> GetSelection()
    {
        auto s = QSharedPointer<KLVSelection>::create();
        s->setTableName(table);
        s->setKrit(krit);
        s->setKey(key);
        s->setAliveFlag(aliveFlag);
        s->setAndJunction(andJunction);
        s->setByRows(byRows);
        s->setOrder(order);
        return s;
    }

    Q_INVOKABLE void ShowSchluesselInfo(const QString& tableName, const QString& tableId, const QString& keyName)
    {
        keyInfoCalls << tableName + u' ' + tableId + u' ' + keyName;
    }
};

// A row as "name estimate remark".
QStringList rows(const QTreeWidget* list)
{
    QStringList all;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* r = list->topLevelItem(i);
        all << QString(r->text(Form::ColName) + u' ' + r->text(Form::ColEstimate) + u' ' + r->text(Form::ColRemark))
                   .trimmed();
    }
    return all;
}

QTreeWidgetItem* row(const QTreeWidget* list, const QString& name)
{
    const QList<QTreeWidgetItem*> found = list->findItems(name, Qt::MatchExactly, Form::ColName);
    return found.isEmpty() ? nullptr : found.first();
}

// The rows shown bold.
QStringList boldRows(const QTreeWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->font(0).bold())
            names << list->topLevelItem(i)->text(0);
    }
    return names;
}

QColor colour(qint32 rgb)
{
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

} // namespace

class SchluesselSchaetzenTest : public QObject, private ViewerTest::SessionTest
{
    Q_OBJECT

    std::unique_ptr<Form> form;
    FakeQueryWindow window;

    // Shows the estimation for the window; user acts while it is shown, then it is closed
    // with OK unless user closed it.
    void show(const std::function<void()>& user = {})
    {
        // The estimation waits for the server in nested event loops before the dialog shows:
        // the user acts once it is there.
        auto* timer = new QTimer(form.get());
        connect(timer, &QTimer::timeout, form.get(), [this, timer, user] {
            if (!form->isVisible() || QApplication::activeModalWidget() != form.get())
                return;
            timer->stop();
            if (user)
                user();
            if (form->isVisible())
                form->findChild<QPushButton*>(u"OKButton"_s)->click();
        });
        timer->start(5);
        form->SchaetzungZeigen(session, &window);
        delete timer;
    }

    QTreeWidget* list() const { return form->schluesselListe(); }
    template <class T>
    T* control(const char16_t* name) const
    {
        return form->findChild<T*>(QString::fromUtf16(name));
    }

    // The selection strings of the counting requests, in order.
    QStringList countRequests() const
    {
        QStringList selections;
        for (const QString& line : server->receivedLines()) {
            if (line.startsWith(u"EXQ|"_s))
                selections << line.section(u'|', 2, 2) + u" [" + line.section(u'|', 3, 3) + u']';
        }
        return selections;
    }

    // Refuses every EXQ whose line contains text.
    void refuseQueriesWith(const QString& text)
    {
        server->setScript([text](int, const QString& line, bool greeting, KlvScriptReply& reply) {
            if (greeting || !line.startsWith(u"EXQ|"_s) || !line.contains(text))
                return false;
            reply.sendLine(u"NAK|0|Not today|1109|"_s);
            return true;
        });
    }

private Q_SLOTS:
    void initTestCase()
    {
        startSession();
        App().AblageartenListe = {{u"0"_s, u"internal"_s},
                                  {u"1"_s, u"alive"_s},
                                  {u"2"_s, u"filed"_s},
                                  {u"3"_s, u"both"_s},
                                  {u"9"_s, u"all"_s}};
        recordBoxes();
    }

    void cleanupTestCase()
    {
        form.reset();
        stopSession();
    }

    void init()
    {
        recorded->texts.clear();
        server->setScript({});
        server->clearReceived();
        window.table = u"1:1"_s;
        window.krit.clear();
        window.order.clear();
        window.aliveFlag = 1;
        window.andJunction = true;
        window.byRows = false;
        window.keyInfoCalls.clear();
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, false);
        form = std::make_unique<Form>();
    }

    void aCountingTheServerDoesNotAnswerIsBrokenOffWithEscAndTheRestIsNotCounted()
    {
        // The dialog shows while it waits for the first count, and Esc ends the counting.
        const auto arrived = ViewerTest::holdFirst(*server, u"EXQ|"_s);
        ViewerTest::whenTrue([this, arrived] { return arrived->load() && form->isVisible(); },
                             [this] { QTest::keyClick(form.get(), Qt::Key_Escape); });
        // Then the dialog stays with what it counted, until the user closes it.
        int countsShown = -1;
        ViewerTest::whenTrue([this, arrived] { return arrived->load() && form->isVisible() && !form->isBusy(); },
                             [this, &countsShown] {
                                 countsShown = int(countRequests().size());
                                 form->findChild<QPushButton*>(u"OKButton"_s)->click();
                             });
        form->SchaetzungZeigen(session, &window);
        QCOMPARE(countsShown, 1);
        QCOMPARE(recorded->texts, QStringList{GetMessageTextByNr(35)});
        QTRY_VERIFY(!ViewerTest::linesStartingWith(*server, u"BRQ|"_s).isEmpty());
        QVERIFY(!form->isVisible());
    }

    void theSelectionIsShownAndEveryFittingKeyCounted()
    {
        window.key = u"such"_s;
        show();
        QCOMPARE(control<QLineEdit>(u"Tabelle")->text(), u"1:1"_s);
        QCOMPARE(control<QLineEdit>(u"Ablageart")->text(), u"alive"_s);
        QCOMPARE(control<QLineEdit>(u"SelKrit")->text(), QString());
        QVERIFY(control<QRadioButton>(u"UNDVerknuepfung")->isChecked());

        // nummer is the server's key counted by its catalogue; aktivkat's condition field
        // keeps every record of the selection; abgelegt holds filed records only.
        QCOMPARE(rows(list()), (QStringList{u"nummer 120"_s, u"such 114"_s, u"name 114"_s, u"ort 114"_s,
                                            u"aktivkat 90 Condition does not narrow"_s,
                                            u"abgelegt 999999999 Storage kind does not fit"_s, u"plz 114"_s}));
        QCOMPARE(row(list(), u"nummer"_s)->text(Form::ColKeyCount), u"120"_s);
        QCOMPARE(row(list(), u"aktivkat"_s)->text(Form::ColCondition), u"aktiv"_s);
        // The key fields of a key with a condition begin with the condition field.
        QCOMPARE(row(list(), u"aktivkat"_s)->text(Form::ColFields), u"aktiv,kategorie,nummer"_s);
        QCOMPARE(row(list(), u"ort"_s)->text(Form::ColFields), u"ort,name"_s);

        // The lowest count wins; of equal counts the key listed first.
        QCOMPARE(form->bestKey(), u"such"_s);
        QCOMPARE(boldRows(list()), QStringList{u"such"_s});
        QCOMPARE(row(list(), u"such"_s)->foreground(0).color(), colour(Form::BestColour));
        QCOMPARE(row(list(), u"aktivkat"_s)->foreground(0).color(), colour(Form::MarkedColour));
        QCOMPARE(row(list(), u"abgelegt"_s)->foreground(3).color(), colour(Form::MarkedColour));
        QVERIFY(list()->selectedItems().isEmpty());

        // Only record totals are asked for; the key condition's own total with no criteria.
        QCOMPARE(countRequests(), (QStringList{u"1:1,@sort=nummer;@ablageart=lebendig;;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=such;@ablageart=lebendig;;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=name;@ablageart=lebendig;;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=ort;@ablageart=lebendig;;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=aktivkat;@ablageart=lebendig;;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=aktivkat;@ablageart=lebendig;@lesen=(0) [id]"_s,
                                               u"1:1,@sort=plz;@ablageart=lebendig;;@lesen=(0) [id]"_s}));
    }

    void aConditionKeyThatNarrowsCompetes()
    {
        // Customers in Hamburg are active only in part: the condition key narrows them.
        window.krit = u"ort=Hamburg"_s;
        show();
        const QTreeWidgetItem* aktivkat = row(list(), u"aktivkat"_s);
        QCOMPARE(aktivkat->text(Form::ColRemark), QString());
        QVERIFY(aktivkat->text(Form::ColEstimate).toInt() < row(list(), u"such"_s)->text(Form::ColEstimate).toInt());
        QCOMPARE(form->bestKey(), u"aktivkat"_s);
        QCOMPARE(boldRows(list()), QStringList{u"aktivkat"_s});
    }

    void theStorageKindDecidesWhichKeysAreCounted()
    {
        const auto unfitting = [this] {
            QStringList names;
            for (int i = 0; i < list()->topLevelItemCount(); ++i) {
                if (list()->topLevelItem(i)->text(Form::ColRemark) == u"Storage kind does not fit"_s)
                    names << list()->topLevelItem(i)->text(0);
            }
            return names;
        };
        window.aliveFlag = 2;
        show();
        QCOMPARE(control<QLineEdit>(u"Ablageart")->text(), u"filed"_s);
        QCOMPARE(unfitting(), (QStringList{u"name"_s, u"ort"_s, u"aktivkat"_s, u"plz"_s}));
        window.aliveFlag = 3;
        show();
        QCOMPARE(unfitting(), (QStringList{u"name"_s, u"ort"_s, u"aktivkat"_s, u"abgelegt"_s, u"plz"_s}));
        // All records: every key that has a storage kind is counted.
        window.aliveFlag = 9;
        show();
        QCOMPARE(unfitting(), QStringList());
        QCOMPARE(row(list(), u"abgelegt"_s)->text(Form::ColEstimate), u"6"_s);
        QCOMPARE(form->bestKey(), u"abgelegt"_s);
    }

    void aKeyTheServerRefusesToCountIsNotRanked()
    {
        refuseQueriesWith(u"@sort=such;"_s);
        show();
        const QTreeWidgetItem* such = row(list(), u"such"_s);
        QCOMPARE(such->text(Form::ColRemark), u"Refused by the server"_s);
        QCOMPARE(such->text(Form::ColEstimate), u"999999999"_s);
        QCOMPARE(such->foreground(0).color(), colour(Form::RefusedColour));
        QCOMPARE(form->bestKey(), u"name"_s);

        // Nothing counted: no best key, although every refused key stands at the same count.
        refuseQueriesWith(u"EXQ|"_s);
        show();
        QCOMPARE(row(list(), u"nummer"_s)->text(Form::ColRemark), u"Refused by the server"_s);
        QCOMPARE(form->bestKey(), QString());
        QCOMPARE(boldRows(list()), QStringList());
    }

    void underADarkPaletteEveryRowAndFieldReads()
    {
        // The desktop turns dark while the dialog is loaded.
        QPalette dark = form->palette();
        dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Base, QColor(0x19, 0x19, 0x19));
        dark.setColor(QPalette::Text, Qt::white);
        form->setPalette(dark);
        refuseQueriesWith(u"@sort=name;"_s);
        show();
        const QColor base = list()->palette().color(QPalette::Base);
        QStringList unreadable;
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* r = list()->topLevelItem(i);
            const QVariant foreground = r->data(0, Qt::ForegroundRole);
            const QColor shown =
                foreground.isValid() ? r->foreground(0).color() : list()->palette().color(QPalette::Text);
            // The grey of a marked key stays as dim as on white, no dimmer.
            const double least = r->text(Form::ColRemark).isEmpty() || r->text(0) == u"name" ? 4.5 : 3.9;
            if (ReadableColour::Contrast(shown, base) < least)
                unreadable << r->text(0) + u' ' + shown.name();
        }
        QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(u", "_s)));
        for (const char16_t* name : {u"Tabelle", u"Ablageart"}) {
            const QPalette& field = control<QLineEdit>(name)->palette();
            QVERIFY(ReadableColour::Contrast(field.color(QPalette::Base), field.color(QPalette::Text)) >= 4.5);
        }
    }

    void theSortedListPutsCountedKeysFirst()
    {
        show([this] { control<QCheckBox>(u"SchluesselSortieren")->click(); });
        QCOMPARE(rows(list()), (QStringList{u"such 114"_s, u"name 114"_s, u"ort 114"_s, u"plz 114"_s, u"nummer 120"_s,
                                            u"aktivkat 90 Condition does not narrow"_s,
                                            u"abgelegt 999999999 Storage kind does not fit"_s}));
        QCOMPARE(row(list(), u"such"_s)->text(Form::ColSortKey), u"000000114"_s);
        QCOMPARE(row(list(), u"abgelegt"_s)->text(Form::ColSortKey), u"Storage kind does not fit999999999"_s);

        // Unsorted again: the server's order.
        show([this] {
            control<QCheckBox>(u"SchluesselSortieren")->setChecked(true);
            control<QCheckBox>(u"SchluesselSortieren")->click();
        });
        QCOMPARE(list()->topLevelItem(0)->text(0), u"nummer"_s);
    }

    void editedControlsAreEstimatedAgain()
    {
        bool stayedOpen = false;
        bool closedByEnter = false;
        show([&] {
            server->clearReceived();
            QLineEdit* krit = control<QLineEdit>(u"SelKrit");
            krit->setText(u"ort=Berlin"_s);
            krit->setFocus();
            QTest::keyClick(krit, Qt::Key_Return);
            stayedOpen = form->isVisible();
            control<QRadioButton>(u"ODERVerknuepfung")->setChecked(true);
            control<QCheckBox>(u"ZeilenSelektion")->setChecked(true);
            control<QLineEdit>(u"Sortierung")->setText(u"name"_s);
            control<QPushButton>(u"AktualisierenButton")->click();
            list()->setFocus();
            QTest::keyClick(list(), Qt::Key_Return);
            closedByEnter = !form->isVisible();
        });
        QVERIFY(stayedOpen);
        QVERIFY(closedByEnter);
        const QStringList requests = countRequests();
        QVERIFY(requests.contains(u"1:1,@sort=name;@ablageart=lebendig;ort=Berlin;@lesen=(0) [id]"_s));
        QVERIFY(requests.contains(
            u"1:1,@sort=name;@ordnung=name;@verkn=oder;@zeilen=ja;@ablageart=lebendig;ort=Berlin;@lesen=(0) [id]"_s));
    }

    void aDoubleClickOpensTheKeyInformation()
    {
        show([this] { UserInput::doubleClickItem(list(), row(list(), u"name"_s)); });
        QCOMPARE(window.keyInfoCalls, QStringList{u"1:1 1:1 name"_s});
    }

    void aRefusedKeyCatalogueIsTold()
    {
        window.table = u"77:7"_s;
        show();
        QCOMPARE(recorded->texts.size(), 1);
        QVERIFY(!recorded->texts.first().isEmpty());
        QCOMPARE(list()->topLevelItemCount(), 0);
        QCOMPARE(form->bestKey(), QString());
    }

    void theSortingChoiceIsKeptWhenTheSettingsSaySo()
    {
        const QString section = u"SchlWindowSettings"_s;
        SettingsStore::DeleteSetting(App().RegAppName, section);
        show([this] { control<QCheckBox>(u"SchluesselSortieren")->click(); });
        QVERIFY(SettingsStore::GetAllKeys(App().RegAppName, section).isEmpty());

        // Each showing loads the window anew: the unsaved choice is gone.
        ViewerConfig::setBool(ViewerConfig::Key::SaveWindowState, true);
        bool sortedAtStart = true;
        show([&] {
            sortedAtStart = control<QCheckBox>(u"SchluesselSortieren")->isChecked();
            control<QCheckBox>(u"SchluesselSortieren")->click();
        });
        QVERIFY(!sortedAtStart);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"KeyListAutoSort"_s), u"1"_s);
        QVERIFY(!SettingsStore::GetSetting(App().RegAppName, section, u"WindowWidth"_s).isEmpty());

        form = std::make_unique<Form>();
        show([&] { sortedAtStart = control<QCheckBox>(u"SchluesselSortieren")->isChecked(); });
        QVERIFY(sortedAtStart);
        QCOMPARE(list()->topLevelItem(0)->text(0), u"such"_s);
    }
};

VIEWER_TEST_MAIN(SchluesselSchaetzenTest)

#include "schluesselschaetzen_qtest.moc"
