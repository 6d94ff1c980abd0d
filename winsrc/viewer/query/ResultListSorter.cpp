#include "ResultListSorter.h"

ResultListSorter::Result ResultListSorter::Sort(const ResultListRows& rows, const std::vector<quint32>& order, int slot,
                                                KLVActiveX::KLV_DataType type, Qt::SortOrder sortOrder,
                                                const QLocale& locale, const std::atomic<bool>* cancel)
{
    // The shown rows are the stored rows 0 to n - 1 in some order; a cell is read from the
    // bytes its row keeps.
    const auto cellAt = [&rows, slot](quint32 stored) {
        int values = 0;
        const QByteArrayView text = rows.utf8(int(stored), slot, values);
        return slot < values - 1 ? text : QByteArrayView();
    };
    return ValueSort::Sort(cellAt, order, type, sortOrder, locale, cancel);
}
