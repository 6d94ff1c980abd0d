// The result list's model: columns over stored rows, rows shown per block, sorting by
// permuting the shown order (checked against a plain stable sort; numbers and dates by
// value), a sort in the worker thread meeting changes of the list, and cells that stay with
// their column when columns come and go.
#include "LayoutStore.h"
#include "ListTexts.h"
#include "ListViewHelpers.h"
#include "ResultListModel.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QRandomGenerator>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using ViewerTest::column;

namespace {

// A model with the columns A, B, C and rows given as cells plus a tag.
void addColumns(ResultListModel& model, const QStringList& names)
{
    for (const QString& n : names)
        ASSERT_GE(model.appendColumn(n + u"#0#S"_s, u"0:"_s + n, n), 0);
}

void addRows(ResultListModel& model, const QList<QStringList>& records)
{
    for (const QStringList& r : records)
        model.stageRecord(r, model.columnCount());
    model.commitRows();
}

QStringList tags(const ResultListModel& model)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts.append(model.rowTag(r));
    return texts;
}

// The order the viewer's other lists give: a stable sort of the texts, case aside.
QStringList referenceSort(const QList<QStringList>& records, int c, Qt::SortOrder order)
{
    QList<QStringList> sorted = records;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(sorted.begin(), sorted.end(), [&](const QStringList& a, const QStringList& b) {
        const int cmp = collator.compare(a[c], b[c]);
        return order == Qt::AscendingOrder ? cmp < 0 : cmp > 0;
    });
    QStringList out;
    for (const QStringList& r : sorted)
        out.append(r.last());
    return out;
}

} // namespace

TEST(ResultListModel, ARecordFillsTheColumnsInIndexOrderAndItsLastFieldIsTheTag)
{
    ResultListModel model;
    addColumns(model, {u"nummer"_s, u"name"_s});
    addRows(model, {{u"1"_s, u"Kunde 1"_s, u"(1,1,1)"_s}, {u"2"_s, u"Kunde 2"_s, u"(1,1,2)"_s}});
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.cellText(1, 0), u"2"_s);
    EXPECT_EQ(model.cellText(1, 1), u"Kunde 2"_s);
    EXPECT_EQ(model.rowTag(1), u"(1,1,2)"_s);
    EXPECT_EQ(model.rowTexts(0), (QStringList{u"1"_s, u"Kunde 1"_s}));
    // What the view and the shell's helpers read.
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), u"Kunde 1"_s);
    EXPECT_EQ(model.data(model.index(0, 1), ListViewHelpers::RowTagRole).toString(), u"(1,1,1)"_s);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"name"_s);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, LayoutStore::ColumnKeyRole).toString(), u"name#0#S"_s);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, ResultListModel::ColumnTagRole).toString(), u"0:name"_s);
    EXPECT_EQ(model.columnOfKey(u"name#0#S"_s), 1);
    EXPECT_EQ(model.columnOfTag(u"0:nummer"_s), 0);
    EXPECT_EQ(model.columnOfKey(u"nothing"_s), -1);

    // A short record leaves cells empty; outside the list everything is empty.
    addRows(model, {{u"3"_s}});
    EXPECT_EQ(model.cellText(2, 0), u"3"_s);
    EXPECT_EQ(model.cellText(2, 1), QString());
    EXPECT_EQ(model.cellText(5, 0), QString());
    EXPECT_EQ(model.cellText(0, 7), QString());
    EXPECT_EQ(model.rowTag(-1), QString());
    EXPECT_TRUE(model.rowTexts(9).isEmpty());
}

TEST(ResultListModel, StagedRowsAppearOnlyWithTheirBlock)
{
    ResultListModel model;
    addColumns(model, {u"a"_s});
    QList<std::pair<int, int>> inserted;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
        inserted.append({first, last});
    });
    for (int i = 0; i < 250; ++i)
        model.stageRecord({QString::number(i), u"t"_s}, 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.stagedRows(), 250);
    EXPECT_EQ(model.commitRows(), 250);
    model.stageRecord({u"x"_s, u"t"_s}, 1);
    EXPECT_EQ(model.commitRows(), 1);
    EXPECT_EQ(model.commitRows(), 0);
    EXPECT_EQ(inserted, (QList<std::pair<int, int>>{{0, 249}, {250, 250}}));
}

TEST(ResultListModel, AtMostThreeHundredColumns)
{
    ResultListModel model;
    for (int i = 0; i < ResultListModel::MaxColumns; ++i)
        ASSERT_EQ(model.appendColumn(QString::number(i), QString(), QString()), i);
    EXPECT_EQ(model.appendColumn(u"301"_s, QString(), QString()), -1);
    EXPECT_EQ(model.columnCount(), 300);
}

TEST(ResultListModel, ColumnsComingAndGoingLeaveTheOtherCellsInPlace)
{
    ResultListModel model;
    addColumns(model, {u"a"_s, u"b"_s, u"c"_s});
    addRows(model, {{u"a1"_s, u"b1"_s, u"c1"_s, u"(1)"_s}});
    model.removeColumns(1, 1);
    EXPECT_EQ(model.rowTexts(0), (QStringList{u"a1"_s, u"c1"_s}));
    // A column added now has no cells, and never shows the tag.
    addColumns(model, {u"d"_s});
    EXPECT_EQ(model.rowTexts(0), (QStringList{u"a1"_s, u"c1"_s, QString()}));
    EXPECT_EQ(model.rowTag(0), u"(1)"_s);
    EXPECT_FALSE(model.removeColumns(3, 1));

    // Rows read after the change go to the columns as they stand.
    addRows(model, {{u"a2"_s, u"c2"_s, u"d2"_s, u"(2)"_s}});
    EXPECT_EQ(model.rowTexts(1), (QStringList{u"a2"_s, u"c2"_s, u"d2"_s}));
    EXPECT_EQ(model.rowTexts(0), (QStringList{u"a1"_s, u"c1"_s, QString()}));
    EXPECT_EQ(model.rowTag(1), u"(2)"_s);

    // Once the rows are gone, a run's fields are positional again.
    model.clearRows();
    EXPECT_EQ(model.rowCount(), 0);
    addRows(model, {{u"x"_s, u"y"_s, u"z"_s, u"(3)"_s}});
    EXPECT_EQ(model.rowTexts(0), (QStringList{u"x"_s, u"y"_s, u"z"_s}));
    model.removeAllColumns();
    EXPECT_EQ(model.columnCount(), 0);
    EXPECT_EQ(model.rowTag(0), u"(3)"_s);
}

TEST(ResultListModel, ClearingRowsKeepsTheColumns)
{
    ResultListModel model;
    addColumns(model, {u"a"_s, u"b"_s});
    addRows(model, {{u"1"_s, u"2"_s, u"t"_s}});
    bool reset = false;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { reset = true; });
    model.clearRows();
    // A reset would make a view forget the widths and order of its columns.
    EXPECT_FALSE(reset);
    EXPECT_EQ(model.columnCount(), 2);
    model.clearRows(); // an empty list clears without complaint
}

TEST(ResultListModel, SortingMatchesAStableTextSortBothWaysAndAfterEveryClick)
{
    // Few distinct values with case variants make many ties, where stability shows.
    QList<QStringList> records;
    QRandomGenerator random(42);
    const QStringList words{u"apfel"_s, u"Apfel"_s, u"birne"_s, u""_s, u"10"_s, u"9"_s, u"Zitrone"_s, u"äpfel"_s};
    for (int i = 0; i < 500; ++i)
        records.append(
            {words[random.bounded(int(words.size()))], QString::number(random.bounded(20)), u"(9,1,%1)"_s.arg(i)});
    ResultListModel model;
    addColumns(model, {u"word"_s, u"number"_s});
    addRows(model, records);

    QList<QStringList> shown = records; // what a stable sort of the shown rows gives
    auto expectSorted = [&](int c, Qt::SortOrder order) {
        model.sort(c, order);
        const QStringList expected = referenceSort(shown, c, order);
        ASSERT_EQ(tags(model), expected);
        // The next reference starts from the rows as now shown.
        QList<QStringList> next;
        for (const QString& tag : expected)
            next.append(
                *std::find_if(records.begin(), records.end(), [&](const QStringList& r) { return r[2] == tag; }));
        shown = next;
    };
    expectSorted(0, Qt::AscendingOrder);
    expectSorted(0, Qt::DescendingOrder); // reversed without comparing
    expectSorted(0, Qt::AscendingOrder);
    expectSorted(1, Qt::DescendingOrder); // another column: a full sort of the shown order
    expectSorted(1, Qt::AscendingOrder);
    expectSorted(1, Qt::AscendingOrder); // the same again changes nothing

    // Rows added to a sorted list stand at its end until it is sorted again.
    model.stageRecord({u"aaa"_s, u""_s, u"new"_s}, 2);
    model.commitRows();
    EXPECT_EQ(model.rowTag(model.rowCount() - 1), u"new"_s);
    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(model.rowTag(0), u"new"_s);
    EXPECT_EQ(model.rowCount(), 501);
}

TEST(ResultListModel, TheSelectedRowFollowsItsRecordThroughASort)
{
    ResultListModel model;
    addColumns(model, {u"a"_s});
    addRows(model, {{u"c"_s, u"tc"_s}, {u"a"_s, u"ta"_s}, {u"b"_s, u"tb"_s}});
    QPersistentModelIndex selected(model.index(0, 0)); // "c"
    model.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(selected.row(), 2);
    model.sort(0, Qt::DescendingOrder);
    EXPECT_EQ(selected.row(), 0);
    EXPECT_EQ(model.rowTag(selected.row()), u"tc"_s);
    // A column that is not there sorts nothing.
    model.sort(5, Qt::AscendingOrder);
    EXPECT_EQ(column(model, 0), (QStringList{u"c"_s, u"b"_s, u"a"_s}));
}

namespace {

// One column of the type, a row per cell with the tags "r0", "r1", ...
void typedColumn(ResultListModel& model, const QStringList& cells, KLVActiveX::KLV_DataType type)
{
    addColumns(model, {u"value"_s});
    model.setColumnDataType(0, type);
    for (qsizetype i = 0; i < cells.size(); ++i)
        model.stageRecord({cells[i], u"r%1"_s.arg(i)}, 1);
    model.commitRows();
}

QStringList sortedCells(ResultListModel& model, Qt::SortOrder order)
{
    model.sort(0, order);
    return column(model, 0);
}

} // namespace

TEST(ResultListModel, NumbersSortByTheirValueInEveryNotationTheServerUses)
{
    // Decimal comma with grouping points; empty cells first, other text last; equal values
    // keep their order.
    {
        ResultListModel model;
        typedColumn(model,
                    {u"1.234,50"_s, u"-5,00"_s, u""_s, u"999,99"_s, u"12,5"_s, u"n/a"_s, u"1234,5"_s, u"0,00"_s,
                     u"3-"_s, u"  "_s},
                    KLVActiveX::klvReal);
        EXPECT_EQ(sortedCells(model, Qt::AscendingOrder),
                  (QStringList{u""_s, u"  "_s, u"-5,00"_s, u"3-"_s, u"0,00"_s, u"12,5"_s, u"999,99"_s, u"1.234,50"_s,
                               u"1234,5"_s, u"n/a"_s}));
        EXPECT_EQ(tags(model).mid(7, 2), (QStringList{u"r0"_s, u"r6"_s}));
        EXPECT_EQ(sortedCells(model, Qt::DescendingOrder),
                  (QStringList{u"n/a"_s, u"1.234,50"_s, u"1234,5"_s, u"999,99"_s, u"12,5"_s, u"0,00"_s, u"3-"_s,
                               u"-5,00"_s, u""_s, u"  "_s}));
    }
    // Decimal point with grouping commas.
    {
        ResultListModel model;
        typedColumn(model, {u"1,234.50"_s, u"12.5"_s, u"-0.75"_s, u"999.99"_s}, KLVActiveX::klvReal);
        EXPECT_EQ(sortedCells(model, Qt::AscendingOrder),
                  (QStringList{u"-0.75"_s, u"12.5"_s, u"999.99"_s, u"1,234.50"_s}));
    }
    // Whole numbers: a single point groups thousands. As text, "1.234" would come first.
    {
        ResultListModel model;
        typedColumn(model, {u"1.234"_s, u"999"_s, u"12.345"_s, u"7"_s}, KLVActiveX::klvLongInt);
        EXPECT_EQ(sortedCells(model, Qt::AscendingOrder), (QStringList{u"7"_s, u"999"_s, u"1.234"_s, u"12.345"_s}));
    }
}

TEST(ResultListModel, DatesWeeksAndPeriodsSortByTheCalendar)
{
    {
        ResultListModel model;
        // Two-digit years are read as 1930 to 2029.
        typedColumn(model,
                    {u"03.02.2001"_s, u"28.12.1999"_s, u"01.01.00"_s, u"15.06.99"_s, u""_s, u"kein Datum"_s,
                     u"31.12.29"_s, u"01.01.30"_s},
                    KLVActiveX::klvDate);
        EXPECT_EQ(sortedCells(model, Qt::AscendingOrder),
                  (QStringList{u""_s, u"01.01.30"_s, u"15.06.99"_s, u"28.12.1999"_s, u"01.01.00"_s, u"03.02.2001"_s,
                               u"31.12.29"_s, u"kein Datum"_s}));
    }
    struct Case
    {
        KLVActiveX::KLV_DataType type;
        QStringList cells;
        QStringList ascending;
    };
    const QList<Case> cases{
        // The sortable form the server gives on request.
        {KLVActiveX::klvDate,
         {u"20010203"_s, u"19991228"_s, u"20000101"_s},
         {u"19991228"_s, u"20000101"_s, u"20010203"_s}},
        {KLVActiveX::klvDateTime,
         {u"03.02.2001 14:05:00"_s, u"03.02.2001 09:30:00"_s, u"02.02.2001 23:59:59"_s, u"03.02.01 09:31"_s},
         {u"02.02.2001 23:59:59"_s, u"03.02.2001 09:30:00"_s, u"03.02.01 09:31"_s, u"03.02.2001 14:05:00"_s}},
        {KLVActiveX::klvWeek, {u"07/2001"_s, u"52/2000"_s, u"01/2001"_s}, {u"52/2000"_s, u"01/2001"_s, u"07/2001"_s}},
        {KLVActiveX::klvPeriod, {u"02.2001"_s, u"12.2000"_s, u"200011"_s}, {u"200011"_s, u"12.2000"_s, u"02.2001"_s}},
    };
    for (const Case& c : cases) {
        ResultListModel model;
        typedColumn(model, c.cells, c.type);
        EXPECT_EQ(sortedCells(model, Qt::AscendingOrder), c.ascending) << int(c.type);
    }
}

namespace {

// Records with repeated words and numbers, as a column of each kind.
QList<QStringList> mixedRecords(int count)
{
    QList<QStringList> records;
    QRandomGenerator random(7);
    const QStringList words{u"Köln"_s, u"Berlin"_s, u"berlin"_s, u""_s, u"Messwert 12"_s, u"Messwert 2"_s};
    for (int i = 0; i < count; ++i)
        records.append(
            {words[random.bounded(int(words.size()))], QString::number(random.bounded(-50, 50)),
             u"%1.%2.20%3"_s.arg(random.bounded(1, 29)).arg(random.bounded(1, 13)).arg(random.bounded(10, 30)),
             u"(9,1,%1)"_s.arg(i)});
    return records;
}

void mixedColumns(ResultListModel& model, const QList<QStringList>& records)
{
    addColumns(model, {u"word"_s, u"number"_s, u"date"_s});
    model.setColumnDataType(1, KLVActiveX::klvInteger);
    model.setColumnDataType(2, KLVActiveX::klvDate);
    addRows(model, records);
}

} // namespace

TEST(ResultListModel, WhatHappensWhileASortRunsEitherEndsItOrFollowsIt)
{
    const QList<QStringList> records = mixedRecords(500);
    std::function<void(ResultListModel&)> meanwhile;
    auto model = std::make_unique<ResultListModel>();
    auto prepare = [&] {
        model = std::make_unique<ResultListModel>();
        model->setBackgroundSortRows(0);
        mixedColumns(*model, records);
        QObject::connect(model.get(), &ResultListModel::sortRunning, [&](bool running) {
            if (running && meanwhile)
                std::exchange(meanwhile, nullptr)(*model);
        });
    };

    // The rows cleared: the sort ends without touching the empty list.
    prepare();
    meanwhile = [](ResultListModel& m) { m.clearRows(); };
    model->sort(0, Qt::AscendingOrder);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_FALSE(model->isSorting());
    addRows(*model, {{u"b"_s, u"1"_s, u""_s, u"tb"_s}, {u"a"_s, u"2"_s, u""_s, u"ta"_s}});
    model->sort(0, Qt::AscendingOrder);
    EXPECT_EQ(tags(*model), (QStringList{u"ta"_s, u"tb"_s}));

    // A second sort asked for meanwhile follows the first, from the order it gave.
    prepare();
    meanwhile = [](ResultListModel& m) { m.sort(1, Qt::DescendingOrder); };
    model->sort(0, Qt::AscendingOrder);
    ResultListModel expected;
    mixedColumns(expected, records);
    expected.sort(0, Qt::AscendingOrder);
    expected.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(tags(*model), tags(expected));

    // A row added meanwhile ends the sort; the row is there, and the next sort takes it in.
    prepare();
    meanwhile = [](ResultListModel& m) {
        m.stageRecord({u"Aachen"_s, u"0"_s, u""_s, u"new"_s}, 3);
        m.commitRows();
    };
    model->sort(0, Qt::AscendingOrder);
    EXPECT_EQ(model->rowCount(), 501);
    EXPECT_EQ(model->rowTag(500), u"new"_s);
    model->sort(0, Qt::AscendingOrder);
    EXPECT_EQ(model->cellText(model->rowCount() - 1, 0), u"Messwert 2"_s);
    EXPECT_NE(model->rowTag(500), u"new"_s);

    // The list gone meanwhile (its window closed): the sort returns without touching it.
    prepare();
    meanwhile = [&](ResultListModel&) { model.reset(); };
    ResultListModel* list = model.get();
    list->sort(2, Qt::AscendingOrder);
    EXPECT_EQ(model, nullptr);
}
