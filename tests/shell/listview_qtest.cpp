// Sorting list views on a column click, copying them to the clipboard, row formats, and the
// localisation of windows at load.
#include "FormLocalizer.h"
#include "LayoutStore.h"
#include "ListTexts.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "TestEnvironment.h"
#include "UserInput.h"
#include "ViewerTestMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using ViewerTest::column;
using namespace MainModul;

namespace {

QTreeWidgetItem* row(QTreeWidget& view, const QStringList& cells)
{
    auto* item = new QTreeWidgetItem(cells);
    view.addTopLevelItem(item);
    return item;
}

} // namespace

class ListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickingAColumnSortsAscendingThenDescendingThenAscending()
    {
        // Clicked as a user clicks: Qt moves the indicator itself before the click is
        // reported, and the order still alternates.
        QTreeWidget view;
        view.setColumnCount(2);
        row(view, {u"b"_s, u"2"_s});
        row(view, {u"C"_s, u"10"_s});
        row(view, {u"a"_s, u"9"_s});
        ListViewHelpers::ConnectHeaderSorting(&view);
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHeaderView* header = view.header();
        const QStringList up{u"a"_s, u"b"_s, u"C"_s}; // case aside
        const QStringList down{u"C"_s, u"b"_s, u"a"_s};
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
            UserInput::clickHeader(header, 0);
            QCOMPARE(column(view, 0), order == Qt::AscendingOrder ? up : down);
            QCOMPARE(header->sortIndicatorOrder(), order);
            QCOMPARE(header->sortIndicatorSection(), 0);
        }
        // Another column starts ascending again, and compares texts, not numbers.
        UserInput::clickHeader(header, 1);
        QCOMPARE(column(view, 1), (QStringList{u"10"_s, u"2"_s, u"9"_s}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(!view.isSortingEnabled());
        // Called by name, as the menus do, it alternates the same way.
        SortListViewByColumn(&view, 1);
        QCOMPARE(column(view, 1), (QStringList{u"9"_s, u"2"_s, u"10"_s}));
    }

    void aColumnOfNumbersOrDatesSortsByValue()
    {
        // What the server sends: whole and decimal numbers, dates as shown; empty cells and
        // cells that are no value of the column's type.
        QTreeWidget view;
        view.setColumnCount(3);
        row(view, {u"10"_s, u"1.234,5"_s, u"03.02.2001"_s});
        row(view, {u"2"_s, u"-7,25"_s, u"01.12.1999"_s});
        row(view, {QString(), u"12,5"_s, u"15.01.2001"_s});
        row(view, {u"9"_s, QString(), u"unknown"_s});
        row(view, {u"x"_s, u"0,5"_s, QString()});
        ListViewHelpers::SetColumnDataType(&view, 0, KLVActiveX::klvLongInt);
        ListViewHelpers::SetColumnDataType(&view, 1, KLVActiveX::klvReal);
        ListViewHelpers::SetColumnDataType(&view, 2, KLVActiveX::klvDate);
        ListViewHelpers::ConnectHeaderSorting(&view);
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QHeaderView* header = view.header();

        // Empty first, the values in their order, then what is no value.
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(view, 0), (QStringList{QString(), u"2"_s, u"9"_s, u"10"_s, u"x"_s}));
        UserInput::clickHeader(header, 0);
        QCOMPARE(column(view, 0), (QStringList{u"x"_s, u"10"_s, u"9"_s, u"2"_s, QString()}));
        UserInput::clickHeader(header, 1);
        QCOMPARE(column(view, 1), (QStringList{QString(), u"-7,25"_s, u"0,5"_s, u"12,5"_s, u"1.234,5"_s}));
        UserInput::clickHeader(header, 2);
        QCOMPARE(column(view, 2),
                 (QStringList{QString(), u"01.12.1999"_s, u"15.01.2001"_s, u"03.02.2001"_s, u"unknown"_s}));
        UserInput::clickHeader(header, 2);
        QCOMPARE(column(view, 2),
                 (QStringList{u"unknown"_s, u"03.02.2001"_s, u"15.01.2001"_s, u"01.12.1999"_s, QString()}));
    }

    void aSortedListStaysSortedWhenRowsCome()
    {
        QTreeWidget view;
        view.setColumnCount(1);
        row(view, {u"b"_s});
        ListViewHelpers::SetListViewSorting(&view, true, 0, Qt::DescendingOrder);
        row(view, {u"c"_s});
        row(view, {u"a"_s});
        ListViewHelpers::ApplyListViewSorting(&view);
        QCOMPARE(column(view, 0), (QStringList{u"c"_s, u"b"_s, u"a"_s}));
    }

    void theSelectionSurvivesSorting()
    {
        QTreeWidget view;
        view.setColumnCount(1);
        row(view, {u"b"_s});
        QTreeWidgetItem* a = row(view, {u"a"_s});
        view.setCurrentItem(a);
        SortListViewByColumn(&view, 0);
        QCOMPARE(view.currentItem(), a);
        QVERIFY(a->isSelected());
    }

    void aTableOverAModelSortsThroughItsModel()
    {
        QStandardItemModel model(0, 1);
        for (const QString& t : {u"b"_s, u"a"_s})
            model.appendRow(new QStandardItem(t));
        QTableView view;
        view.setModel(&model);
        SortListViewByColumn(&view, 0);
        QCOMPARE(model.item(0)->text(), u"a"_s);
        SortListViewByColumn(&view, 0);
        QCOMPARE(model.item(0)->text(), u"b"_s);
    }

    void copyingGivesTabsAndCrLfsAndKeepsTheTableShape()
    {
        QTreeWidget view;
        view.setHeaderLabels({u"Nr"_s, u"Text\tHead"_s, u"Note"_s});
        row(view, {u"1"_s, u"two\r\nlines"_s, u"a\rb"_s});
        row(view, {u"2"_s, u"tab\there"_s, u"x\ny"_s});
        row(view, {u"3"_s}); // missing cells are empty
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(),
                 u"Nr\tText Head\tNote\r\n1\ttwo#lines\ta#b\r\n2\ttab here\tx#y\r\n3\t\t\r\n"_s);
        QVERIFY(QApplication::clipboard()->mimeData()->hasText());
    }

    void copyingFollowsTheSortedOrderAndAnEmptyListGivesItsHeaders()
    {
        QTreeWidget view;
        view.setHeaderLabels({u"A"_s, u"B"_s});
        row(view, {u"z"_s, u"1"_s});
        row(view, {u"y"_s, u"2"_s});
        SortListViewByColumn(&view, 0);
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(), u"A\tB\r\ny\t2\r\nz\t1\r\n"_s);
        view.clear();
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(), u"A\tB\r\n"_s);
    }

    void copyingATableModelAndIgnoringOtherControls()
    {
        QStandardItemModel model(1, 2);
        model.setHorizontalHeaderLabels({u"H1"_s, u"H2"_s});
        model.setItem(0, 0, new QStandardItem(u"a"_s));
        model.setItem(0, 1, new QStandardItem(u"b"_s));
        QTableView table;
        table.setModel(&model);
        CopyListViewToClipboard(&table);
        QCOMPARE(QApplication::clipboard()->text(), u"H1\tH2\r\na\tb\r\n"_s);
        QLineEdit edit(u"not a list"_s);
        CopyListViewToClipboard(&edit);
        CopyListViewToClipboard(nullptr);
        QCOMPARE(QApplication::clipboard()->text(), u"H1\tH2\r\na\tb\r\n"_s);
    }

    void aRowFormatReachesEveryCell()
    {
        QTreeWidget view;
        view.setColumnCount(3);
        QTreeWidgetItem* item = row(view, {u"a"_s, u"b"_s, u"c"_s});
        SetListItemFormat(item, 0x0000FF, true); // red, as the Windows program writes RGB values
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(item->foreground(c).color(), QColor(255, 0, 0));
            QVERIFY(item->font(c).bold());
        }
        SetListItemFormat(item, 0x7F7F7F, false);
        QCOMPARE(item->foreground(2).color(), QColor(0x7F, 0x7F, 0x7F));
        QVERIFY(!item->font(2).bold());
    }

    void aWindowShowsItsMessagesAfterLoad()
    {
        App().MessageTexts.Clear();
        App().MessageTexts.SetText(900, u"Query window"_s);
        App().MessageTexts.SetText(912, u"Close"_s);
        App().MessageTexts.SetText(914, u"Help"_s);
        App().MessageTexts.SetText(915, u"File"_s);
        App().MessageTexts.SetText(916, u"Open"_s);
        App().MessageTexts.SetText(917, u"Tab one"_s);
        App().MessageTexts.SetText(918, u"Number"_s);
        App().MessageTexts.SetText(919, u"Ready"_s);
        App().MessageTexts.SetText(920, u"Group"_s);
        QMainWindow form;
        form.setWindowTitle(u"900"_s);
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* close = new QPushButton(u"912"_s);
        close->setToolTip(u"914"_s);
        auto* unknown = new QPushButton(u"913"_s); // no message: keeps its number
        auto* plain = new QLabel(u"Plain text"_s);
        auto* group = new QGroupBox(u"920"_s);
        auto* tabs = new QTabWidget;
        tabs->addTab(new QWidget, u"917"_s);
        auto* list = new QTreeWidget;
        list->setHeaderLabels({u"918"_s, u"x"_s});
        for (QWidget* w : {static_cast<QWidget*>(close), static_cast<QWidget*>(unknown), static_cast<QWidget*>(plain),
                           static_cast<QWidget*>(group), static_cast<QWidget*>(tabs), static_cast<QWidget*>(list)})
            layout->addWidget(w);
        form.setCentralWidget(central);
        QMenu* file = form.menuBar()->addMenu(u"915"_s);
        file->addAction(u"916"_s);
        auto* panel = new QLabel(u"919"_s);
        form.statusBar()->addWidget(panel);
        InitDefaultFonts();
        App().DataFont.setPointSize(11);
        InitFormCommon(&form);

        QCOMPARE(form.windowTitle(), u"Query window"_s);
        QCOMPARE(close->text(), u"Close"_s);
        QCOMPARE(close->toolTip(), u"Help"_s);
        QCOMPARE(unknown->text(), u"913"_s);
        QCOMPARE(plain->text(), u"Plain text"_s);
        QCOMPARE(group->title(), u"Group"_s);
        QCOMPARE(tabs->tabText(0), u"Tab one"_s);
        QCOMPARE(list->headerItem()->text(0), u"Number"_s);
        QCOMPARE(list->headerItem()->text(1), u"x"_s);
        QCOMPARE(file->title(), u"File"_s);
        QCOMPARE(file->actions().first()->text(), u"Open"_s);
        QCOMPARE(panel->text(), u"Ready"_s);
        // Lists take the data font, everything else the form font.
        QCOMPARE(list->font().pointSize(), 11);
        QCOMPARE(close->font().family(), App().FormFont.family());
        QCOMPARE(close->font().pointSize(), App().FormFont.pointSize());
        App().MessageTexts.Clear();
    }
};

VIEWER_TEST_MAIN(ListViewTest)

#include "listview_qtest.moc"
