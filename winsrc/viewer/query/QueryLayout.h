#pragma once

#include <QRect>

// Where the query window's panes stand, in pixels of its client area: the table list and
// the field list side by side at the top with the vertical splitter in the gap between them,
// the horizontal splitter below them, the result list, the conditions frame and the status
// bar at the bottom. The margins are the gaps between panes and the splitters' thickness.
class QueryLayout
{
public:
    struct Panes
    {
        QRect tables;
        QRect tabFldSplit;
        QRect fields;
        QRect datenSplit;
        QRect results;
        QRect conditions;
        QRect status;
    };

    int hRand = 4;
    int vRand = 4;
    int conditionsHeight = 0;
    int statusHeight = 0;

    // The panes for a client area, a table-list width and a height of the upper lists.
    Panes compute(int clientWidth, int clientHeight, int tableListWidth, int listHeight) const;

    // The table-list width when the client width changed: half of the change goes to each
    // list (the field list's right edge was fieldListRight).
    int sharedTableListWidth(int tableListWidth, int fieldListRight, int clientWidth) const;
    // The vertical splitter's left edge after a drag, kept between the margin and the client
    // width less two margins.
    int clampVerticalSplitter(int left, int clientWidth) const;
    // The horizontal splitter's top after a drag, kept between the margin and the conditions
    // frame's top less a margin.
    int clampHorizontalSplitter(int top, int conditionsTop) const;

    // The table-list width and list height that put a splitter at that place.
    int tableListWidthForSplitter(int left) const { return left - hRand; }
    int listHeightForSplitter(int top) const { return top - vRand; }

    // Defaults before anything was stored: half of what the panes leave.
    int defaultTableListWidth(int clientWidth) const;
    int defaultListHeight(int clientHeight) const;
};
