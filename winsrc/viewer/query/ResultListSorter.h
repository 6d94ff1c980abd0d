#pragma once

#include "KLVEnums.h"
#include "ResultListRows.h"

#include <QLocale>
#include <qnamespace.h>

#include <atomic>
#include <vector>

// Sorts the rows of a result list by one column, as the column's field type asks: numbers
// by their value, dates (and weeks and periods) by the calendar, and everything else as
// text, the way the viewer's lists compare it (CollatedRanks). Empty cells come first;
// cells of a number or date column that are no number or date come after the others,
// compared as text. Rows with equal cells keep their order.
//
// Every cell is read once, from its raw bytes, into a compact key: a rank for texts, a
// number for numbers and dates. The rows are then placed by their keys, without comparing
// cells again. It only reads the rows, so it may run in another thread while they stay as
// they are.
class ResultListSorter
{
public:
    enum class Kind { Text, Number, Date };
    static Kind KindOf(KLVActiveX::KLV_DataType type);

    struct Result
    {
        std::vector<quint32> order;        // the stored rows in their new order
        std::vector<bool> tieWithPrevious; // the row's cell equals the one above
        bool cancelled = false;
    };

    // order: the stored rows in the order shown; slot: the value of a stored row that the
    // column shows (a row's last value is its tag, never a cell: a row without the slot has
    // an empty cell there). Checks cancel now and then.
    static Result Sort(const ResultListRows& rows, const std::vector<quint32>& order, int slot,
                       KLVActiveX::KLV_DataType type, Qt::SortOrder sortOrder, const QLocale& locale,
                       const std::atomic<bool>* cancel = nullptr);
};
