#pragma once

#include <QStringList>

class QAbstractItemModel;
class QAbstractItemView;
class QTreeWidget;
class QTreeWidgetItem;

// What a list shows, read the way a test compares it: the texts of a column, the captions of
// the headers, the row that shows a text.
namespace ViewerTest {

// The display texts of column c, top to bottom (the top-level rows of a tree).
QStringList column(const QAbstractItemModel& model, int c = 0);
QStringList column(const QAbstractItemView& view, int c = 0);
QStringList column(const QAbstractItemView* view, int c = 0);

// The captions of the list's header, left to right in logical order.
QStringList headers(const QTreeWidget* list);

// The first top-level row whose first column shows text; null when none does.
QTreeWidgetItem* row(const QTreeWidget* list, const QString& text);

} // namespace ViewerTest
