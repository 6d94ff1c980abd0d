#pragma once

#include "KLVEnums.h"
#include "ResultListRows.h"
#include "ValueSort.h"

#include <QLocale>
#include <qnamespace.h>

#include <atomic>
#include <vector>

// Sorts the rows of a result list by one column as every list of the viewer sorts
// (ValueSort), reading each cell once from its raw bytes. It only reads the rows, so it may
// run in another thread while they stay as they are.
class ResultListSorter
{
public:
    using Result = ValueSort::Result;

    // order: the stored rows in the order shown; slot: the value of a stored row that the
    // column shows (a row's last value is its tag, never a cell: a row without the slot has
    // an empty cell there). Checks cancel now and then.
    static Result Sort(const ResultListRows& rows, const std::vector<quint32>& order, int slot,
                       KLVActiveX::KLV_DataType type, Qt::SortOrder sortOrder, const QLocale& locale,
                       const std::atomic<bool>* cancel = nullptr);
};
