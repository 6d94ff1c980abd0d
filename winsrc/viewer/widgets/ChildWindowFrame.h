#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// How a child window stands in the main window's frame.
//
// It is added to the frame's area first, hidden. When it is first shown, its stored place,
// size and state (or the state asked for) are applied, once, and only once the frame itself
// shows, so that they are taken in the frame's real size: a window stored maximised keeps its
// normal place under its maximised one, and comes back with its title bar and its panes as
// they were when the user restores it. Without a stored place it opens centred at its designed
// size (its sizeHint).
//
// Its least size is what its contents need, so that every control stays readable, and never
// less than the main window's MinWidth and MinHeight; it follows the contents as they change.
// Its place is kept when the viewer settings say so (savePlace).
//
// Before its children go, a window ends their connections to itself (endConnections, first
// thing in its destructor): a child's signal sent while the window is half destroyed would
// reach members that are gone.
class ChildWindowFrame : public QObject
{
    Q_OBJECT

public:
    // The state the settings hold for the window.
    static constexpr int StoredState = -1;

    // section: the settings section of the window's place ("" keeps none).
    ChildWindowFrame(QWidget* window, const QString& section);
    // The frame a window was given, or null.
    static ChildWindowFrame* of(const QWidget* window);

    // Adds the window to area, hidden; state: 0 normal, 1 minimised, 2 maximised, or the stored
    // one. Its place follows when it is first shown.
    QMdiSubWindow* addTo(QMdiArea* area, int state = StoredState);
    // Shows the window in its frame and makes it the active one; the first time, in its place.
    void show();
    // True once the window has been shown in its place.
    bool isPlaced() const { return m_placed; }
    QMdiSubWindow* subWindow() const;

    // The least size of the window in the frame (the sub-window's), as it stands now, and
    // that size given to the frame (it follows the contents by itself).
    QSize leastSize() const;
    void applyLeastSize();
    // Stores the window's place (and the places of controls) when "Save window state" is
    // ticked and the window was shown in its place; a window that never was keeps what was
    // stored before.
    void savePlace(const QList<QWidget*>& controls = {});

    // No signal of a child (a descendant) of window reaches anything any more.
    static void endConnections(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    int wantedState() const;

    QWidget* m_window;
    QString m_section;
    int m_state = StoredState;
    bool m_placed = false;
    bool m_showPending = false;
    bool m_leastPending = false;
};
