// Stored places and sizes that no longer fit: the main window and its child windows open on
// the screen and in the frame, at least at their smallest size, and the panes of a window keep
// their minimums whatever sizes were stored; everything else that was stored stays.
#include "HeadedSplitter.h"
#include "LayoutStore.h"
#include "MainMenus.h"
#include "ResultPane.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerTest.h"
#include "ViewerTestMain.h"
#include "WindowGeometry.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace ViewerTest;

namespace {

const QString MainSection = u"Settings"_s;
const QString QuerySection = u"QueryWindowSettings"_s;

void store(const QString& section, const QString& key, const QString& value)
{
    SettingsStore::SaveSetting(App().RegAppName, section, key, value);
}

QString stored(const QString& section, const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, section, key, u"<none>"_s);
}

void storePlace(const QString& section, const QString& left, const QString& top, const QString& width,
                const QString& height)
{
    store(section, u"WindowState"_s, u"0"_s);
    store(section, u"WindowLeft"_s, left);
    store(section, u"WindowTop"_s, top);
    store(section, u"WindowWidth"_s, width);
    store(section, u"WindowHeight"_s, height);
}

QString text(const QRect& r)
{
    return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// A pane's faults: smaller than its minimum, in either direction.
QStringList belowMinimum(const QList<QWidget*>& panes)
{
    QStringList faults;
    for (const QWidget* pane : panes) {
        if (pane->width() < pane->minimumWidth() || pane->height() < pane->minimumHeight())
            faults.append(u"%1 is %2x%3, its minimum %4x%5"_s.arg(pane->objectName())
                              .arg(pane->width())
                              .arg(pane->height())
                              .arg(pane->minimumWidth())
                              .arg(pane->minimumHeight()));
    }
    return faults;
}

} // namespace

class StoredPlacesTest : public QueryWindowTest
{
    Q_OBJECT

private:
    QMdiSubWindow* frameOf(QWidget* window) const { return qobject_cast<QMdiSubWindow*>(window->parentWidget()); }

    // The places are stored over a first run's settings, as a later start finds them.
    bool firstRunThenClose() { return logOn() && closeViewer(); }

private Q_SLOTS:
    // Each test logs on itself, after storing what it needs.
    void init() {}

    void placesTheWindowsCannotTakeComeOnScreen_data()
    {
        QTest::addColumn<QStringList>("place"); // left, top, width, height in twips
        QTest::newRow("negative size") << QStringList{u"1500"_s, u"1500"_s, u"-15000"_s, u"-6000"_s};
        QTest::newRow("tiny") << QStringList{u"1500"_s, u"1500"_s, u"150"_s, u"150"_s};
        QTest::newRow("absurdly large") << QStringList{u"0"_s, u"0"_s, u"1E+12"_s, u"3000000"_s};
        QTest::newRow("above and left") << QStringList{u"-9000"_s, u"-3000"_s, u"11700"_s, u"9000"_s};
        QTest::newRow("far right and below") << QStringList{u"90000"_s, u"1E+15"_s, u"11700"_s, u"9000"_s};
    }

    // One rule for the main window on the screen and for a child window in the frame.
    void placesTheWindowsCannotTakeComeOnScreen()
    {
        QFETCH(QStringList, place);
        QVERIFY(firstRunThenClose());
        storePlace(MainSection, place[0], place[1], place[2], place[3]);
        storePlace(QuerySection, place[0], place[1], place[2], place[3]);
        // Stored beside the places: none of it is lost.
        store(MainSection, u"FormFontSize"_s, u"11"_s);
        store(QuerySection, u"TableListWidth"_s, u"2400"_s);
        store(QuerySection, u"TabellenListe.Col2.Width"_s, u"1234"_s);

        QVERIFY(logOnAgain());
        KLVViewerWindow* main = viewer.window.get();
        QMdiSubWindow* sub = frameOf(form);
        // The first query window opens maximised over its normal place.
        sub->showNormal();
        const QRect screen = main->screen()->availableGeometry();
        QVERIFY2(screen.contains(main->frameGeometry()), qPrintable(text(main->frameGeometry())));
        QVERIFY(main->width() >= main->minimumSizeHint().width());
        QVERIFY(main->height() >= main->minimumSizeHint().height());

        QVERIFY(!sub->isMaximized());
        // In the frame; where the frame is smaller than the window can be, at its top left.
        const QRect area(QPoint(0, 0), main->mdiArea()->viewport()->size());
        const QSize least = sub->minimumSize();
        const QRect expected = least.width() > area.width() || least.height() > area.height()
                                   ? QRect(QPoint(0, 0), least.expandedTo(area.size()))
                                   : area;
        QVERIFY2(expected.contains(sub->geometry()), qPrintable(text(sub->geometry()) + u" in "_s + text(area)));
        QVERIFY(sub->width() >= sub->minimumWidth() && sub->height() >= sub->minimumHeight());
        const QStringList faults = WindowGeometry::problems(sub);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
        QCOMPARE(App().FormFont.pointSize(), 11);
        QCOMPARE(stored(QuerySection, u"TabellenListe.Col2.Width"_s), u"1234"_s);

        // Closed, the windows store where they are now, and the rest stays.
        QVERIFY(closeViewer());
        QCOMPARE(stored(MainSection, u"FormFontSize"_s), u"11"_s);
        QCOMPARE(stored(QuerySection, u"TabellenListe.Col2.Width"_s), u"1234"_s);
        QVERIFY(stored(MainSection, u"WindowWidth"_s).toDouble() > 0);
        QVERIFY(stored(QuerySection, u"WindowWidth"_s).toDouble() > 0);
    }

    // A place that fits is taken as it is.
    void aPlaceThatFitsIsKept()
    {
        QVERIFY(firstRunThenClose());
        storePlace(MainSection, u"150"_s, u"75"_s, u"11700"_s, u"10500"_s);
        storePlace(QuerySection, u"300"_s, u"150"_s, u"11250"_s, u"6750"_s);
        QVERIFY(logOnAgain());
        QCOMPARE(viewer.window->pos(), QPoint(Twips::toPixelsX(150), Twips::toPixelsY(75)));
        QCOMPARE(viewer.window->size(), QSize(Twips::toPixelsX(11700), Twips::toPixelsY(10500)));
        frameOf(form)->showNormal();
        QCOMPARE(frameOf(form)->geometry(),
                 QRect(Twips::toPixelsX(300), Twips::toPixelsY(150), Twips::toPixelsX(11250), Twips::toPixelsY(6750)));
        QVERIFY(closeViewer());
    }

    void placeOnScreenMovesAsLittleAsItMust()
    {
        const QList<QRect> screens{QRect(0, 0, 1000, 800), QRect(1000, 0, 1000, 800)};
        const QSize least(200, 100);
        const QSize designed(600, 400);
        // Across both screens: stays.
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(800, 100, 400, 300), least, designed, screens),
                 QRect(800, 100, 400, 300));
        // Over the right edge of the second: pulled back just enough.
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(1800, 100, 400, 300), least, designed, screens),
                 QRect(1600, 100, 400, 300));
        // Larger than any screen: the size of the one that holds most of it.
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(1100, 0, 5000, 5000), least, designed, screens),
                 QRect(1000, 0, 1000, 800));
        // No size: the designed one; below the least: the least; never below it on a small area.
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(10, 10, -5, 0), least, designed, screens), QRect(10, 10, 600, 400));
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(10, 10, 50, 50), least, designed, screens), QRect(10, 10, 200, 100));
        QCOMPARE(LayoutStore::PlaceOnScreen(QRect(10, 10, 50, 50), least, designed, {QRect(0, 0, 150, 80)}),
                 QRect(0, 0, 200, 100));
    }

    // A list's stored width in panes side by side: too small or too large for the window it
    // opens in, it is enlarged or cut so that every pane keeps its minimum.
    void aStoredListWidthLeavesEveryPaneItsMinimum()
    {
        const QString section = u"StoredPanesTest"_s;
        QWidget window;
        auto* panes = new HeadedSplitter(&window);
        auto* left = new QTreeWidget;
        left->setObjectName(u"DBListe"_s);
        left->setMinimumWidth(150);
        auto* right = new QTreeWidget;
        right->setObjectName(u"GruppenListe"_s);
        right->setMinimumWidth(200);
        panes->addPane(new QLabel(u"Databases"_s), left, 1);
        panes->addPane(new QLabel(u"Groups"_s), right, 1);
        (new QVBoxLayout(&window))->addWidget(panes);
        window.resize(600, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int total = left->width() + right->width();
        for (const int stored : {1, 5000}) {
            store(section, u"DBListeWidth"_s, QString::number(Twips::fromPixelsX(stored)));
            LayoutStore::LoadListViewColumns(left, section, true, nullptr);
            QTRY_COMPARE(left->width() + right->width(), total);
            QCOMPARE(left->width(), stored == 1 ? 150 : total - 200);
        }
        SettingsStore::DeleteSetting(App().RegAppName, section);
    }

    // A window closed at its smallest (after Cascade) stores small panes; opened again
    // maximised, no pane is below its minimum and the window's layout holds.
    void paneSizesStoredAtTheSmallestLeaveEveryPaneItsMinimum()
    {
        QVERIFY(logOn());
        QMdiSubWindow* sub = frameOf(form);
        viewer.window->menus().action(u"FensterUeberlappendAnordnenMenue"_s)->trigger();
        QTRY_VERIFY(!sub->isMaximized());
        sub->resize(1, 1);
        QCOMPARE(sub->size(), sub->minimumSize());
        QVERIFY(closeViewer());
        store(QuerySection, u"WindowState"_s, u"2"_s);

        QVERIFY(logOnAgain());
        sub = frameOf(form);
        QTRY_VERIFY(sub->isMaximized());
        const QList<QWidget*> panes{form->tabellenListe(), form->feldListe(),
                                    static_cast<QWidget*>(form->resultPane())};
        QStringList faults = belowMinimum(panes) + WindowGeometry::problems(sub);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"\n"_s)));
        QVERIFY(closeViewer());
    }
};

VIEWER_TEST_MAIN(StoredPlacesTest)
#include "storedplaces_qtest.moc"
