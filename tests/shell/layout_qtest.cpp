// Window and list-view layouts kept from one run to the next, in a temporary settings folder.
#include "KLVQueryFieldMetaData.h"
#include "LayoutStore.h"
#include "MainModul.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace MainModul;

namespace {

const QString section = u"LayoutTestSettings"_s;

QString stored(const QString& key)
{
    return SettingsStore::GetSetting(App().RegAppName, section, key, u"<none>"_s);
}

QSharedPointer<KLVQueryFieldMetaData> field(const QString& description, const QString& type)
{
    auto md = QSharedPointer<KLVQueryFieldMetaData>::create();
    md->SetDescription(description);
    md->SetERPType(type);
    return md;
}

QStringList headerKeys(const QTreeWidget& view)
{
    QStringList keys;
    for (int c = 0; c < view.columnCount(); ++c)
        keys << LayoutStore::ColumnKey(&view, c);
    return keys;
}

QStringList headerTexts(const QTreeWidget& view)
{
    QStringList texts;
    for (int c = 0; c < view.columnCount(); ++c)
        texts << view.headerItem()->text(c);
    return texts;
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        SettingsStore::DeleteSetting(App().RegAppName, section);
        App().MessageTexts.Clear();
    }

    void aWindowWithoutStoredPlaceOpensCentredAtItsDesignedSize()
    {
        QWidget w;
        w.resize(400, 300);
        LoadFormPosition(&w, section);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(w.size(), QSize(400, 300));
        QCOMPARE(w.pos(), QPoint(screen.x() + (screen.width() - 400) / 2, screen.y() + (screen.height() - 300) / 2));
    }

    void placeSizeAndControlsComeBackInTwips()
    {
        QWidget w;
        auto* button = new QPushButton(&w);
        button->setObjectName(u"OKButton"_s);
        button->setGeometry(10, 20, 80, 24);
        w.setGeometry(50, 60, 400, 300);
        SaveFormPosition(&w, section, {button});
        const double tppX = Twips::perPixelX();
        QCOMPARE(stored(u"WindowLeft"_s).toDouble(), 50 * tppX);
        QCOMPARE(stored(u"WindowWidth"_s).toDouble(), 400 * tppX);
        QCOMPARE(stored(u"WindowState"_s), u"0"_s);
        QCOMPARE(stored(u"OKButtonWidth"_s).toDouble(), 80 * tppX);

        QWidget again;
        auto* other = new QPushButton(&again);
        other->setObjectName(u"OKButton"_s);
        LoadFormPosition(&again, section, {other});
        QCOMPARE(again.pos(), QPoint(50, 60));
        QCOMPARE(again.size(), QSize(400, 300));
        QCOMPARE(other->geometry(), QRect(10, 20, 80, 24));
    }

    void aListInASplitterTakesItsStoredSizeThroughTheSplitterAndALayoutKeepsItsOwn()
    {
        QWidget w;
        auto* split = new QSplitter(Qt::Horizontal, &w);
        auto* left = new QTreeWidget(split);
        left->setObjectName(u"DBListe"_s);
        auto* right = new QTreeWidget(split);
        right->setObjectName(u"GruppenListe"_s);
        auto* laidOut = new QTreeWidget;
        laidOut->setObjectName(u"EnumListe"_s);
        auto* box = new QVBoxLayout(&w);
        box->addWidget(split);
        box->addWidget(laidOut);
        w.resize(600, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        SettingsStore::SaveSetting(App().RegAppName, section, u"DBListeWidth"_s,
                                   QString::number(Twips::fromPixelsX(150)));
        SettingsStore::SaveSetting(App().RegAppName, section, u"EnumListeLeft"_s, u"9000"_s);
        const QRect laidOutBefore = laidOut->geometry();
        LoadListViewColumns(left, section, true);
        LoadListViewColumns(laidOut, section, true);
        QCOMPARE(split->sizes().first(), 150);
        QCOMPARE(left->width(), 150);
        QCOMPARE(laidOut->geometry(), laidOutBefore);
    }

    void aFixedDialogStoresOnlyItsPosition()
    {
        QDialog d;
        d.setFixedSize(200, 100);
        d.move(30, 40);
        SaveFormPosition(&d, section);
        QCOMPARE(stored(u"WindowWidth"_s), u"<none>"_s);
        QCOMPARE(stored(u"WindowState"_s), u"<none>"_s);
        QVERIFY(stored(u"WindowLeft"_s) != u"<none>"_s);
    }

    void aMaximisedWindowComesBackMaximisedOverItsNormalPlace()
    {
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowState"_s, u"2"_s);
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowLeft"_s, u"1500"_s);
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowTop"_s, u"1500"_s);
        QWidget w;
        LoadFormPosition(&w, section);
        QVERIFY(w.windowState() & Qt::WindowMaximized);
    }

    void aPlaceOnAScreenThatIsGoneKeepsTheTitleBarReachable()
    {
        // Stored on a second screen to the right and far below.
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowLeft"_s, u"90000"_s);
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowTop"_s, u"-3000"_s);
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowWidth"_s, u"6000"_s);
        SettingsStore::SaveSetting(App().RegAppName, section, u"WindowHeight"_s, u"4500"_s);
        QWidget w;
        LoadFormPosition(&w, section);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(w.pos()), qPrintable(u"%1,%2"_s.arg(w.x()).arg(w.y())));
        QVERIFY(w.x() + 100 <= screen.right() + 1);
    }

    void reachablePositionKeepsGoodPlacesAndPullsBadOnesIn()
    {
        const QList<QRect> screens{QRect(0, 0, 1000, 800), QRect(1000, 0, 1000, 800)};
        // On the second screen: stays.
        QCOMPARE(LayoutStore::ReachablePosition(QRect(1200, 100, 300, 200), screens, 30), QPoint(1200, 100));
        // Hanging over the left edge with enough title bar showing: stays.
        QCOMPARE(LayoutStore::ReachablePosition(QRect(-200, 100, 300, 200), screens, 30), QPoint(-200, 100));
        // Title bar above the screen: pulled down.
        QCOMPARE(LayoutStore::ReachablePosition(QRect(100, -50, 300, 200), screens, 30), QPoint(100, 0));
        // Right of every screen: pulled onto the nearest so that 100 pixels of it show.
        QCOMPARE(LayoutStore::ReachablePosition(QRect(5000, 100, 300, 200), screens, 30), QPoint(1900, 100));
        // Below every screen.
        QCOMPARE(LayoutStore::ReachablePosition(QRect(100, 5000, 300, 200), screens, 30), QPoint(100, 770));
    }

    void columnArrayWidthsAndVisibilityRoundTrip()
    {
        App().MessageTexts.SetText(1501, u"Number"_s);
        App().MessageTexts.SetText(1503, u"Name"_s);
        QTreeWidget view;
        view.setObjectName(u"TabellenListe"_s);
        view.setProperty("Tag", u"TableList"_s);
        ListViewColumnArray columns(3);
        InitListViewColumnProps(1500, columns);
        QCOMPARE(columns[1].Descr, u"Col 2"_s);
        columns[0].Visible = true;
        columns[2].Visible = true;
        columns[1].Width = 1234;
        BuildListViewColumns(&view, 1500, columns, {});
        QCOMPARE(headerKeys(view), (QStringList{u"K1"_s, u"K3"_s}));
        QCOMPARE(headerTexts(view), (QStringList{u"Number"_s, u"Name"_s}));

        // The user widens K3; saving keeps the hidden entry's width.
        view.header()->resizeSection(1, 200);
        SaveListViewColumns(&view, section, false, &columns);
        QCOMPARE(stored(u"TableList.Col3.Width"_s).toInt(), qRound(200 * Twips::perPixelX()));
        QCOMPARE(stored(u"TableList.Col2.Width"_s), u"1234"_s);
        QCOMPARE(stored(u"TableList.Col2.Visible"_s), u"0"_s);
        QCOMPARE(stored(u"TableList.Col1.Visible"_s), u"1"_s);

        ListViewColumnArray fresh(3);
        LoadListViewColumns(&view, section, false, &fresh);
        QCOMPARE(fresh[2].Width, qRound(200 * Twips::perPixelX()));
        QCOMPARE(fresh[1].Width, 1234);
        QVERIFY(fresh[0].Visible && !fresh[1].Visible && fresh[2].Visible);
    }

    void aListViewNeverSavedShowsEveryColumn()
    {
        QTreeWidget view;
        view.setObjectName(u"DBListe"_s);
        ListViewColumnArray columns(4);
        LoadListViewColumns(&view, section, false, &columns);
        for (const ListViewColumnProperty& c : columns) {
            QVERIFY(c.Visible);
            QCOMPARE(c.Width, 1000);
        }
    }

    void keysFollowTheTagTextOrTheControlName()
    {
        QTreeWidget view;
        view.setObjectName(u"MsgListe"_s);
        ListViewColumnArray columns(1);
        columns[0].Width = 1500;
        SaveListViewColumns(&view, section, false, &columns);
        QCOMPARE(stored(u"MsgListe.Col1.Width"_s), u"1500"_s);
        view.setProperty("Tag", u"MsgList"_s);
        view.setGeometry(15, 30, 200, 100);
        SaveListViewColumns(&view, section, true, &columns);
        QCOMPARE(stored(u"MsgList.Col1.Width"_s), u"1500"_s);
        // Its own place goes under its control name, in whole twips.
        QCOMPARE(stored(u"MsgListeLeft"_s), QString::number(qRound(15 * Twips::perPixelX())));

        QTreeWidget other;
        other.setObjectName(u"MsgListe"_s);
        other.setProperty("Tag", u"MsgList"_s);
        LoadListViewColumns(&other, section, true, nullptr);
        QCOMPARE(other.geometry(), QRect(15, 30, 200, 100));
    }

    void headersWithoutArrayKeepTheirWidthsUnderTheirKeys()
    {
        QTreeWidget view;
        view.setColumnCount(2);
        view.headerItem()->setData(0, LayoutStore::ColumnKeyRole, u"Name"_s);
        view.header()->resizeSection(0, 120);
        view.header()->resizeSection(1, 80); // no key: not stored
        SaveListViewColumns(&view, section, false, nullptr);
        QCOMPARE(stored(u"Name"_s), QString::number(qRound(120 * Twips::perPixelX())));
        view.header()->resizeSection(0, 10);
        LoadListViewColumns(&view, section, false, nullptr);
        QCOMPARE(view.header()->sectionSize(0), 120);
    }

    void columnsFollowTheMetadataAndGrowWithIt()
    {
        App().MessageTexts.SetText(1551, u"Field"_s);
        QTreeWidget view;
        ListViewColumnArray columns(2);
        InitListViewColumnProps(1550, columns);
        columns[0].Visible = true;
        columns[1].Visible = true;
        columns[1].Descr.clear(); // an entry without caption takes the field's description
        const QList<QSharedPointer<KLVQueryFieldMetaData>> metaData{
            field(u"Nummer"_s, u"I"_s), field(u"Betrag"_s, u"R2.2"_s), field(u"Text"_s, u"A20"_s),
            field(u"Menge"_s, u"I5"_s)};
        QMenu menu;
        menu.addAction(u"old 1"_s);
        for (int i = 0; i < 5; ++i)
            menu.addAction(u"stale"_s);
        BuildListViewColumns(&view, 1550, columns, metaData, &menu);
        QCOMPARE(columns.size(), 4);
        // The array grew; every caption came anew from the messages, new entries start hidden.
        QCOMPARE(columns[2].Descr, u"Col 3"_s);
        QVERIFY(!columns[2].Visible);
        QCOMPARE(headerKeys(view), (QStringList{u"K1"_s, u"K2"_s}));
        QCOMPARE(headerTexts(view), (QStringList{u"Field"_s, u"Col 2"_s}));
        QCOMPARE(columns[0].FieldMetaData, metaData[0]);
        // The first column stays left-aligned even for a number; a later number goes right.
        QVERIFY(view.headerItem()->textAlignment(0) & Qt::AlignLeft);
        QVERIFY(view.headerItem()->textAlignment(1) & Qt::AlignRight);
        // The menu has one entry per header.
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.actions()[1]->text(), u"Col 2"_s);
        QCOMPARE(menu.actions()[1]->data().toInt(), 2);

        columns[3].Visible = true;
        columns[3].Descr.clear();
        BuildListViewColumns(&view, 1550, columns, metaData, &menu);
        QCOMPARE(headerTexts(view), (QStringList{u"Field"_s, u"Col 2"_s, u"Menge"_s}));
        QVERIFY(view.headerItem()->textAlignment(2) & Qt::AlignRight);
        QCOMPARE(menu.actions().size(), 3);
    }

    void theFirstColumnIsAlwaysShown()
    {
        QTreeWidget view;
        ListViewColumnArray columns(3);
        InitListViewColumnProps(1500, columns);
        columns[2].Visible = true; // entry 1 hidden by a stored layout
        BuildListViewColumns(&view, 1500, columns, {});
        QCOMPARE(headerKeys(view), (QStringList{u"K1"_s, u"K3"_s}));
        QVERIFY(columns[0].Visible);
    }

    void widthsTheUserDraggedSurviveARebuild()
    {
        QTreeWidget view;
        ListViewColumnArray columns(2);
        columns[0].Visible = true;
        columns[1].Visible = true;
        BuildListViewColumns(&view, 1500, columns, {});
        view.header()->resizeSection(1, 77);
        columns[1].Visible = false;
        BuildListViewColumns(&view, 1500, columns, {});
        QCOMPARE(columns[1].Width, qRound(77 * Twips::perPixelX()));
        columns[1].Visible = true;
        BuildListViewColumns(&view, 1500, columns, {});
        QCOMPARE(view.header()->sectionSize(1), 77);
    }
};

VIEWER_TEST_MAIN(LayoutTest)

#include "layout_qtest.moc"
