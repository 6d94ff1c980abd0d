#pragma once

// The input a user gives, for widget tests: clicks on a header's section or a view's row at
// their place on screen, a drag of a splitter's handle, a right click that goes the way the
// platform sends it (so the widget gets its context-menu event).

#include <QAbstractItemView>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QWindow>

namespace UserInput {

// The middle of a section, in the header's viewport.
inline QPoint sectionCenter(const QHeaderView* header, int logicalSection)
{
    const int along = header->sectionViewportPosition(logicalSection) + header->sectionSize(logicalSection) / 2;
    return header->orientation() == Qt::Horizontal ? QPoint(along, header->height() / 2)
                                                   : QPoint(header->width() / 2, along);
}

inline void clickHeader(QHeaderView* header, int logicalSection)
{
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sectionCenter(header, logicalSection));
}

// A click on the column's section of a tree's or a table's header.
inline void clickHeader(QTreeView* view, int column)
{
    clickHeader(view->header(), column);
}

inline void clickHeader(QTableView* view, int column)
{
    clickHeader(view->horizontalHeader(), column);
}

// The middle of a row's cell, in the view's viewport, scrolled into view first.
inline QPoint indexCenter(QAbstractItemView* view, const QModelIndex& index)
{
    view->scrollTo(index);
    return view->visualRect(index).center();
}

inline QModelIndex indexOf(QTreeWidget* tree, QTreeWidgetItem* item, int column = 0)
{
    const int row = tree->indexOfTopLevelItem(item);
    return row < 0 ? QModelIndex() : tree->model()->index(row, column);
}

inline void clickIndex(QAbstractItemView* view, const QModelIndex& index, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(view->viewport(), button, {}, indexCenter(view, index));
}

// Press, release, double click, release: what a double click is made of.
inline void doubleClickIndex(QAbstractItemView* view, const QModelIndex& index)
{
    const QPoint at = indexCenter(view, index);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
}

inline void clickItem(QTreeWidget* tree, QTreeWidgetItem* item)
{
    clickIndex(tree, indexOf(tree, item));
}

inline void doubleClickItem(QTreeWidget* tree, QTreeWidgetItem* item)
{
    doubleClickIndex(tree, indexOf(tree, item));
}

// Drags handle number index of the splitter (1 is the one between its first two widgets) by
// delta pixels along the splitter, with the left button held.
inline void dragSplitter(QSplitter* splitter, int index, int delta)
{
    QSplitterHandle* handle = splitter->handle(index);
    const QPoint start = handle->rect().center();
    const QPoint end = splitter->orientation() == Qt::Horizontal ? start + QPoint(delta, 0) : start + QPoint(0, delta);
    QTest::mousePress(handle, Qt::LeftButton, {}, start);
    QTest::mouseMove(handle, end);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, end);
}

// A right click at pos of widget sent to its window, as the platform sends it: the widget
// under the mouse gets the press and then its context-menu event.
inline void rightClick(QWidget* widget, const QPoint& pos)
{
    QWindow* window = widget->window()->windowHandle();
    const QPoint at = window->mapFromGlobal(widget->mapToGlobal(pos));
    QTest::mouseClick(window, Qt::RightButton, {}, at);
}

// Opens menu from the menu bar and clicks its entry; false when the menu did not open.
inline bool chooseMenuEntry(QMenuBar* bar, QMenu* menu, QAction* entry)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
        return false;
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    return true;
}

} // namespace UserInput
