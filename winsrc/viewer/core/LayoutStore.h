#pragma once

#include "ListViewColumnProperty.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSharedPointer>
#include <QString>
#include <qnamespace.h>

class KLVQueryFieldMetaData;
class QAbstractItemView;
class QHeaderView;
class QMenu;
class QTreeWidget;
class QWidget;

// Windows keep their place, size and state, and list views their column widths, visibility
// and order, from one run to the next, in the per-user settings store (sizes in twips).
//
// A list view's headers are found by key: "K" & i for column entry i, kept in the header's
// data under ColumnKeyRole (a QTreeWidget's header item; a model of our own answers it from
// headerData). Its column settings are stored under its tag text (the dynamic property
// "Tag", or its object name when it has none); its own place under its object name.
class LayoutStore
{
public:
    static constexpr int ColumnKeyRole = Qt::UserRole + 1;

    static QString ListViewTag(const QAbstractItemView* view);
    static QHeaderView* HeaderOf(const QAbstractItemView* view);
    // The key of column c ("" when it has none).
    static QString ColumnKey(const QAbstractItemView* view, int column);

    // The window a form stands in: its frame inside the main window, else the form itself.
    static QWidget* WindowOf(QWidget* form);
    static void SaveFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls);
    // A child window of the main window's frame forgets its normal place while it is
    // maximised or minimised; this keeps it (in its property "NormalGeometry"), so that
    // SaveFormPosition stores the normal place whatever the state. Call it again after placing
    // a window that is not shown yet.
    static void TrackNormalGeometry(QWidget* subWindow);
    static void LoadFormPosition(QWidget* form, const QString& section, const QList<QWidget*>& controls);

    static void SaveListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                                    ListViewColumnArray* columns);
    static void LoadListViewColumns(QAbstractItemView* view, const QString& section, bool withPosition,
                                    ListViewColumnArray* columns);

    // Every entry's caption: message base + i, or "Col " & i when there is none.
    static void InitListViewColumnProps(qint32 messageBase, ListViewColumnArray& columns);

    // Rebuilds the headers from the visible entries; the first entry is always shown, since
    // the first field is always the row's text. Each header's caption also goes to action i
    // of captionMenu (created when missing; extra actions go), with i as the action's data.
    static void BuildListViewColumns(QTreeWidget* view, qint32 messageBase, ListViewColumnArray& columns,
                                     const QList<QSharedPointer<KLVQueryFieldMetaData>>& fieldMetaData,
                                     QMenu* captionMenu);

    static void StoreListViewColumnWidths(const QAbstractItemView* view, ListViewColumnArray& columns);

    static bool IsNumericFieldType(const QString& typeCode);

    // The keys of a layout section that windows read or write themselves: the place and state
    // of a window, and the query window's table list.
    enum class WindowKey {
        WindowLeft,
        WindowTop,
        WindowWidth,
        WindowHeight,
        WindowState,
        TableListWidth,
        TableListHeight
    };
    static QString WindowKeyName(WindowKey key);
    static QString WindowValue(const QString& section, WindowKey key);
    static void SetWindowValue(const QString& section, WindowKey key, const QString& value);
    // Whether a window's place was ever stored in section.
    static bool HasStoredPlace(const QString& section);
    // The stored width of a list's column (from 1) in section: whether there is one, and
    // forgetting it.
    static bool HasColumnWidth(const QAbstractItemView* view, const QString& section, int column);
    static void ForgetColumnWidth(const QAbstractItemView* view, const QString& section, int column);

    // Where a window stored at frame (its place and outer size) stands, on the areas (the
    // screens' available rects, or the frame window's area for a child window): as stored when
    // it lies wholly on them and is not smaller than least. Otherwise a size that is none (0 or
    // less) is the designed one, a smaller one least, one larger than the area that holds most
    // of the window that area's (but never less than least), and the window moves onto that
    // area, as little as it must.
    static QRect PlaceOnScreen(const QRect& frame, const QSize& least, const QSize& designed,
                               const QList<QRect>& areas);

    // Where a window with frame rect may stay so that its title bar can still be reached on
    // one of the areas (the screens' available rects): the stored place when it can, else the
    // nearest place inside the area that holds most of it (the first area when none does).
    static QPoint ReachablePosition(const QRect& frame, const QList<QRect>& areas, int titleBarHeight);
};
