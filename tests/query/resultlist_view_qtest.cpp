// The result list as the query window and the shell's list helpers use it: sorting on a
// click of a column's header, both ways, on every kind of column of real records; copying to
// the clipboard, column widths, keys and positions kept through a clear and in the layout
// store, headers built from a column array, the selected row.
#include "KLVQueryFieldMetaData.h"
#include "LayoutStore.h"
#include "ListTexts.h"
#include "ListViewHelpers.h"
#include "MainModul.h"
#include "ResultListView.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "ViewerTestMain.h"
#include "resultlist_support.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDate>
#include <QHash>
#include <QHeaderView>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;
using ViewerTest::column;
using namespace MainModul;
using namespace ResultListTest;

namespace {

// A list with the columns of the names and rows of cells; the last cell of a row is its tag.
void fill(ResultListView& view, const QStringList& names, const QList<QStringList>& rows)
{
    for (const QString& n : names)
        QVERIFY(view.addColumn(n + u"#0#S"_s, u"0:"_s + n, n, 1000) >= 0);
    for (const QStringList& r : rows)
        view.resultModel()->stageRecord(r, view.columnCount());
    view.resultModel()->commitRows();
}

// A list shown on screen, its header clicks sorting it as in the query window.
void showForClicks(ResultListView& view)
{
    sortOnHeaderClicks(&view);
    view.resize(600, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
}

QSharedPointer<KLVQueryFieldMetaData> field(const QString& description, const QString& type)
{
    auto md = QSharedPointer<KLVQueryFieldMetaData>::create();
    md->SetDescription(description);
    md->SetERPType(type);
    return md;
}

} // namespace

class ResultListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aHeaderClickSortsAscendingThenDescendingThenAscending()
    {
        ResultListView view;
        fill(view, {u"name"_s, u"menge"_s},
             {{u"b"_s, u"2"_s, u"t1"_s}, {u"C"_s, u"10"_s, u"t2"_s}, {u"a"_s, u"9"_s, u"t3"_s}});
        showForClicks(view);
        QHeaderView* header = view.horizontalHeader();
        clickHeader(&view, 0);
        QCOMPARE(column(view, 0), (QStringList{u"a"_s, u"b"_s, u"C"_s})); // case aside
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), 0);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        clickHeader(&view, 0);
        QCOMPARE(column(view, 0), (QStringList{u"C"_s, u"b"_s, u"a"_s}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        clickHeader(&view, 0);
        QCOMPARE(column(view, 0), (QStringList{u"a"_s, u"b"_s, u"C"_s}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        // Another column starts ascending again; without a field type it holds text.
        clickHeader(&view, 1);
        QCOMPARE(column(view, 1), (QStringList{u"10"_s, u"2"_s, u"9"_s}));
        QCOMPARE(header->sortIndicatorSection(), 1);
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        QVERIFY(!view.isSortingEnabled());
        // Tags travel with their rows.
        QCOMPARE(view.rowTag(0), u"t2"_s);

        // A clear switches the sorting off: the next click starts ascending.
        view.clearRows();
        QVERIFY(!view.property("Sorted").toBool());
        QVERIFY(!header->isSortIndicatorShown());
        view.resultModel()->stageRecord({u"z"_s, u"1"_s, u"t"_s}, 2);
        view.resultModel()->stageRecord({u"y"_s, u"1"_s, u"t"_s}, 2);
        view.resultModel()->commitRows();
        clickHeader(&view, 0);
        QCOMPARE(column(view, 0), (QStringList{u"y"_s, u"z"_s}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    void threeClicksSortEveryKindOfColumnOfRealRecords_data()
    {
        QTest::addColumn<int>("backgroundRows");
        QTest::newRow("sorted at once") << ResultListModel::DefaultBackgroundRows;
        QTest::newRow("sorted in the worker thread") << 0;
    }

    // The readings' text, number and date columns, three clicks each: ascending, descending,
    // ascending, each checked against an order of its own and by its first and last rows.
    // Rows with equal cells keep the order they had.
    void threeClicksSortEveryKindOfColumnOfRealRecords()
    {
        QFETCH(int, backgroundRows);
        constexpr int Rows = 2500;
        ResultListView view;
        view.resultModel()->setBackgroundSortRows(backgroundRows);
        Readings readings(Rows);
        QVERIFY(readings.read(&view, {u"nummer"_s, u"name"_s, u"datum"_s, u"betrag"_s, u"ort"_s, u"menge"_s}));
        QCOMPARE(view.rowCount(), Rows);
        showForClicks(view);
        // The numbers go by value: as text, "999" would come after "2500".
        QCOMPARE(view.resultModel()->columnDataType(0), KLVActiveX::klvLongInt);

        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        auto number = [](const QString& cell) {
            // "7.919,00" or "7919" as the server shows them
            QString plain = cell;
            return plain.remove(u'.').replace(u',', u'.').toDouble();
        };
        auto date = [](const QString& cell) { return QDate::fromString(cell, u"dd.MM.yyyy"_s); };
        using Compare = std::function<int(const QString&, const QString&)>;
        const Compare byText = [&](const QString& a, const QString& b) { return collator.compare(a, b); };
        const Compare byNumber = [&](const QString& a, const QString& b) {
            return (number(a) > number(b)) - (number(a) < number(b));
        };
        const Compare byDate = [&](const QString& a, const QString& b) {
            return (date(a) > date(b)) - (date(a) < date(b));
        };
        for (int r = 0; r < Rows; ++r)
            QVERIFY2(date(view.cellText(r, 2)).isValid(), qPrintable(view.cellText(r, 2)));
        struct Case
        {
            int column;
            Compare compare;
        };
        // Names all differ; places (some with umlauts) and quantities repeat.
        const QList<Case> cases{{1, byText}, {4, byText}, {0, byNumber}, {5, byNumber}, {2, byDate}, {3, byNumber}};
        // While a sort runs in the worker thread, the list shows it is busy.
        int busy = 0;
        connect(view.resultModel(), &ResultListModel::sortRunning, &view, [&](bool running) {
            QCOMPARE(view.viewport()->cursor().shape(), running ? Qt::BusyCursor : Qt::ArrowCursor);
            busy += running ? 1 : 0;
        });
        QHeaderView* header = view.horizontalHeader();
        for (const Case& c : cases) {
            // The smallest and the largest cell, found without sorting.
            const QStringList cells = column(view, c.column);
            const auto less = [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; };
            const QString smallest = *std::min_element(cells.begin(), cells.end(), less);
            const QString largest = *std::max_element(cells.begin(), cells.end(), less);
            for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
                QHash<QString, int> before; // row of each record ("nummer") before the click
                for (int r = 0; r < Rows; ++r)
                    before.insert(view.cellText(r, 0), r);
                clickHeader(&view, c.column);
                QCOMPARE(view.rowCount(), Rows);
                QCOMPARE(header->sortIndicatorSection(), c.column);
                QCOMPARE(header->sortIndicatorOrder(), order);
                const bool ascending = order == Qt::AscendingOrder;
                QCOMPARE(view.cellText(0, c.column), ascending ? smallest : largest);
                QCOMPARE(view.cellText(Rows - 1, c.column), ascending ? largest : smallest);
                // In order all through, and where cells are equal, the rows stand as before.
                for (int r = 1; r < Rows; ++r) {
                    const int cmp = c.compare(view.cellText(r - 1, c.column), view.cellText(r, c.column));
                    QVERIFY2(ascending ? cmp <= 0 : cmp >= 0, qPrintable(u"row %1"_s.arg(r)));
                    if (cmp == 0) {
                        QVERIFY2(before.value(view.cellText(r - 1, 0)) < before.value(view.cellText(r, 0)),
                                 qPrintable(u"row %1"_s.arg(r)));
                    }
                }
            }
        }
        // One full sort per column; the clicks after it reverse the rows without one.
        QCOMPARE(busy, backgroundRows == 0 ? int(cases.size()) : 0);
    }

    void copyingReadsTheRowsInTheirOrderWithTabsAndCrLfs()
    {
        ResultListView view;
        fill(view, {u"Nr"_s, u"Text"_s, u"Note"_s},
             {{u"2"_s, u"tab\there"_s, u"x\ny"_s, u"t2"_s},
              {u"1"_s, u"two\r\nlines"_s, u"a\rb"_s, u"t1"_s},
              {u"3"_s, u""_s, u""_s, u"t3"_s}});
        showForClicks(view);
        clickHeader(&view, 0);
        // Only a few rows are on screen; the copy reads all of them from the model.
        view.resize(200, 40);
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(),
                 u"Nr\tText\tNote\r\n1\ttwo#lines\ta#b\r\n2\ttab here\tx#y\r\n3\t\t\r\n"_s);
        view.clearRows();
        CopyListViewToClipboard(&view);
        QCOMPARE(QApplication::clipboard()->text(), u"Nr\tText\tNote\r\n"_s);
    }

    void columnsKeepWidthPositionAndKeyThroughAClear()
    {
        ResultListView view;
        QCOMPARE(view.addColumn(u"a#0#S"_s, u"0:a"_s, u"A"_s, 1440), 0);
        QCOMPARE(view.addColumn(u"b#0#S"_s, u"0:b"_s, u"B"_s, 3000), 1);
        QCOMPARE(view.addColumn(u"c#0#S"_s, u"0:c"_s, u"C"_s, 0), 2);
        QCOMPARE(view.horizontalHeader()->sectionSize(0), Twips::toPixelsX(1440));
        QCOMPARE(view.columnWidthTwips(1), qRound(Twips::fromPixelsX(Twips::toPixelsX(3000))));
        QCOMPARE(view.columnWidthTwips(2), 0);

        // The user's order: a column moved to the front; one added later stands last.
        view.moveColumnToPosition(2, 0);
        QCOMPARE(view.columnPosition(2), 0);
        QCOMPARE(view.columnAtPosition(1), 0);
        QCOMPARE(view.addColumn(u"d#0#S"_s, u"0:d"_s, u"D"_s, 500), 3);
        QCOMPARE(view.columnPosition(3), 3);
        view.moveColumnToPosition(3, 99); // beyond the end: the last position
        QCOMPARE(view.columnPosition(3), 3);

        view.resultModel()->stageRecord({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"t"_s}, 4);
        view.resultModel()->commitRows();
        view.clearRows();
        QCOMPARE(view.columnCount(), 4);
        QCOMPARE(view.columnPosition(2), 0);
        QCOMPARE(view.horizontalHeader()->sectionSize(0), Twips::toPixelsX(1440));

        view.setColumnCaption(1, u"Bee"_s);
        QCOMPARE(view.columnCaption(1), u"Bee"_s);
        QCOMPARE(view.model()->headerData(1, Qt::Horizontal).toString(), u"Bee"_s);
        view.removeColumn(0);
        QCOMPARE(view.columnCount(), 3);
        QCOMPARE(view.columnKey(0), u"b#0#S"_s);
        QCOMPARE(view.columnTag(1), u"0:c"_s);
        QCOMPARE(view.columnWidthTwips(0), qRound(Twips::fromPixelsX(Twips::toPixelsX(3000))));
        view.removeColumn(7); // nothing there
        view.removeAllColumns();
        QCOMPARE(view.columnCount(), 0);
        QCOMPARE(view.columnWidthTwips(0), 0);
        QCOMPARE(view.columnPosition(0), -1);
    }

    void theLayoutStoreKeepsTheWidthsUnderTheColumnKeys()
    {
        const QString section = u"ResultListTestSettings"_s;
        ResultListView view;
        fill(view, {u"a"_s, u"b"_s}, {});
        view.horizontalHeader()->resizeSection(0, 120);
        view.horizontalHeader()->resizeSection(1, 40);
        SaveListViewColumns(&view, section, false, nullptr);
        QCOMPARE(SettingsStore::GetSetting(App().RegAppName, section, u"a#0#S"_s, u"<none>"_s),
                 QString::number(qRound(120 * Twips::perPixelX())));
        view.horizontalHeader()->resizeSection(0, 10);
        view.horizontalHeader()->resizeSection(1, 10);
        LoadListViewColumns(&view, section, false, nullptr);
        QCOMPARE(view.horizontalHeader()->sectionSize(0), 120);
        QCOMPARE(view.horizontalHeader()->sectionSize(1), 40);
    }

    void headersFromAColumnArrayAsTheCatalogueListsBuildThem()
    {
        App().MessageTexts.SetText(1551, u"Field"_s);
        ResultListView view;
        ListViewColumnArray columns(2);
        InitListViewColumnProps(1550, columns);
        columns[1].Visible = true;
        const QList<QSharedPointer<KLVQueryFieldMetaData>> metaData{
            field(u"Nummer"_s, u"I"_s), field(u"Betrag"_s, u"R2.2"_s), field(u"Text"_s, u"A20"_s),
            field(u"Menge"_s, u"I5"_s)};
        view.buildListViewColumns(1550, columns, metaData);
        // The array grew to the answer's fields; the new entries start hidden, the first is
        // always shown.
        QCOMPARE(columns.size(), 4);
        QVERIFY(columns[0].Visible);
        QVERIFY(!columns[2].Visible);
        QCOMPARE(view.columnCount(), 2);
        QCOMPARE(LayoutStore::ColumnKey(&view, 0), u"K1"_s);
        QCOMPARE(LayoutStore::ColumnKey(&view, 1), u"K2"_s);
        QCOMPARE(view.columnCaption(0), u"Field"_s);
        QCOMPARE(view.columnCaption(1), u"Col 2"_s);
        QCOMPARE(columns[1].FieldMetaData, metaData[1]);
        // The first column stays left-aligned; a later number goes right.
        QVERIFY(view.model()->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
        QVERIFY(view.model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);

        // A width the user gave survives hiding the column and showing it again.
        view.horizontalHeader()->resizeSection(1, 77);
        columns[1].Visible = false;
        columns[3].Visible = true;
        columns[3].Descr.clear();
        view.buildListViewColumns(1550, columns, metaData);
        QCOMPARE(columns[1].Width, qRound(77 * Twips::perPixelX()));
        QCOMPARE(view.columnCaption(1), u"Menge"_s);
        QCOMPARE(LayoutStore::ColumnKey(&view, 1), u"K4"_s);
        columns[1].Visible = true;
        view.buildListViewColumns(1550, columns, metaData);
        QCOMPARE(view.horizontalHeader()->sectionSize(view.columnOfKey(u"K2"_s)), 77);
    }

    void theSelectedRowItsTagAndTheCellsTheExportReads()
    {
        ResultListView view;
        fill(view, {u"nummer"_s, u"name"_s},
             {{u"2"_s, u"Zwei"_s, u"(1,1,2)"_s}, {u"1"_s, u"Eins"_s, u"(1,1,1)"_s}, {u"3"_s, u"Drei"_s, u"(1,1,3)"_s}});
        QCOMPARE(view.selectedRow(), -1);
        QCOMPARE(view.selectedRowTag(), QString());
        view.selectRow(1);
        QCOMPARE(view.selectedRow(), 1);
        QCOMPARE(view.selectedRowTag(), u"(1,1,1)"_s);
        QCOMPARE(view.rowTexts(1), (QStringList{u"1"_s, u"Eins"_s}));
        // The selection stays with its record when the rows are sorted.
        showForClicks(view);
        clickHeader(&view, 0);
        QCOMPARE(view.selectedRow(), 0);
        QCOMPARE(view.selectedRowTag(), u"(1,1,1)"_s);

        // Rows from 1 in the order shown, cells by the column's key.
        QCOMPARE(view.GetResultField(1, u"name#0#S"_s), u"Eins"_s);
        QCOMPARE(view.GetResultField(3, u"nummer#0#S"_s), u"3"_s);
        QCOMPARE(view.GetResultField(0, u"name#0#S"_s), QString());
        QCOMPARE(view.GetResultField(4, u"name#0#S"_s), QString());
        QCOMPARE(view.GetResultField(1, u"nothing"_s), QString());
        // The export reaches it by name.
        QString cell;
        QVERIFY(QMetaObject::invokeMethod(&view, "GetResultField", Q_RETURN_ARG(QString, cell), Q_ARG(int, 2),
                                          Q_ARG(QString, u"name#0#S"_s)));
        QCOMPARE(cell, u"Zwei"_s);

        view.selectRow(-1);
        QCOMPARE(view.selectedRow(), -1);
        view.selectRow(2);
        view.clearRows();
        QCOMPARE(view.selectedRow(), -1);
        QCOMPARE(view.selectedRowTag(), QString());
    }

    void rowsFollowTheFontTheWindowGivesTheList()
    {
        ResultListView view;
        fill(view, {u"a"_s}, {{u"x"_s, u"t"_s}});
        QFont big = view.font();
        big.setPointSize(big.pointSize() * 3);
        view.setFont(big);
        QCOMPARE(view.rowHeight(0), QFontMetrics(big).height() + 4);
    }

    void noMoreThanThreeHundredColumns()
    {
        ResultListView view;
        for (int i = 0; i < 300; ++i)
            QCOMPARE(view.addColumn(QString::number(i), QString(), QString(), 100), i);
        QCOMPARE(view.addColumn(u"301"_s, QString(), QString(), 100), -1);
        QCOMPARE(view.horizontalHeader()->count(), 300);
    }
};

VIEWER_TEST_MAIN(ResultListViewTest)

#include "resultlist_view_qtest.moc"
