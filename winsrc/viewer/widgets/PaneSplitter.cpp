#include "PaneSplitter.h"

#include <QResizeEvent>

#include <algorithm>

PaneSplitter::PaneSplitter(Qt::Orientation orientation, Change change, QWidget* parent)
    : QSplitter(orientation, parent), m_change(change)
{
    setChildrenCollapsible(false);
}

int PaneSplitter::minimumOf(int index) const
{
    const QWidget* w = widget(index);
    if (!w)
        return 0;
    // What the splitter itself keeps: the minimum size given, else what the pane's layout
    // needs (a splitter of lists inside has no minimum of its own, only its lists').
    const bool horizontal = orientation() == Qt::Horizontal;
    const int given = horizontal ? w->minimumWidth() : w->minimumHeight();
    const QSize hint = w->minimumSizeHint();
    return given > 0 ? given : std::max(0, horizontal ? hint.width() : hint.height());
}

void PaneSplitter::setFirstSize(int size)
{
    const QList<int> now = sizes();
    if (now.size() != 2)
        return;
    const int total = now[0] + now[1];
    if (total <= 0)
        return;
    const int low = minimumOf(0);
    const int high = std::max(low, total - minimumOf(1));
    const int first = std::clamp(size, low, high);
    setSizes({first, total - first});
}

void PaneSplitter::resizeEvent(QResizeEvent* event)
{
    const QList<int> before = sizes();
    QSplitter::resizeEvent(event);
    if (before.size() != 2 || count() != 2)
        return;
    const int oldTotal = before[0] + before[1];
    const QList<int> after = sizes();
    const int delta = after[0] + after[1] - oldTotal;
    if (oldTotal <= 0 || delta == 0)
        return;
    // Shared, the second pane takes what is left of an odd change. Either way the second pane
    // keeps its minimum: beyond that the first one gives.
    setFirstSize(m_change == Change::Shared ? before[0] + delta / 2 : before[0]);
}
