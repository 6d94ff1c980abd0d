#pragma once

#include "KLVEnums.h"

#include <QByteArrayView>
#include <QLocale>
#include <qnamespace.h>

#include <atomic>
#include <functional>
#include <vector>

// How every list of the viewer orders the cells of a column, as the column's field type asks:
// numbers by their value, dates (and weeks and periods) by the calendar, and everything else
// as text, compared as a collator of the locale compares it, case aside (CollatedRanks).
// Empty cells come first; cells of a number or date column that are no number or date come
// after the others, compared as text. Rows with equal cells keep their order.
//
// Every cell is read once, as UTF-8 bytes, into a compact key: a rank for texts, a number for
// numbers and dates. The rows are then placed by their keys, without comparing cells again.
class ValueSort
{
public:
    enum class Kind { Text, Number, Date };
    static Kind KindOf(KLVActiveX::KLV_DataType type);

    // The cell of row `row` (as the caller numbers its rows, from 0).
    using CellAt = std::function<QByteArrayView(quint32 row)>;

    struct Result
    {
        std::vector<quint32> order;        // the rows in their new order
        std::vector<bool> tieWithPrevious; // the row's cell equals the one above
        bool cancelled = false;
    };

    // order: the rows in the order shown, a permutation of 0 to n - 1. Checks cancel now and
    // then.
    static Result Sort(const CellAt& cellAt, const std::vector<quint32>& order, KLVActiveX::KLV_DataType type,
                       Qt::SortOrder sortOrder, const QLocale& locale, const std::atomic<bool>* cancel = nullptr);
};
