#pragma once

#include <QSize>
#include <QStringList>

class QWidget;

// A check any window's layout should pass, whatever its size: every visible child lies inside
// its parent, has room (neither width nor height is 0), no two visible siblings overlap, and
// no label or button is narrower than its text (a status bar's lines aside), and no list's
// column is narrower than its header's text.
// The inside of list views, combo and spin boxes, line edits and the frame's child-window area
// are their own business and not looked into.
namespace WindowGeometry {

// What is wrong with the window's layout as it stands, one line per fault; empty when
// nothing is.
QStringList problems(const QWidget* window);

// The window shown at its smallest size and then at size (its default), with the faults at
// each; the window is left shown at size. An MDI child is sized through its sub-window.
QStringList problemsAtMinimumAndSize(QWidget* window, const QSize& size);

// The window's smallest size: its minimum size, else what its layout needs.
QSize smallestSize(const QWidget* window);

} // namespace WindowGeometry
