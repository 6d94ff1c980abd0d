#include "QueryLayout.h"

#include <algorithm>
#include <cmath>

QueryLayout::Panes QueryLayout::compute(int clientWidth, int clientHeight, int tableListWidth, int listHeight) const
{
    Panes p;
    const int tw = std::max(0, tableListWidth);
    const int lh = std::max(0, listHeight);

    p.status = QRect(0, std::max(0, clientHeight - statusHeight), clientWidth, statusHeight);
    const int conditionsTop = std::max(0, p.status.top() - vRand - conditionsHeight);
    p.conditions = QRect(hRand, conditionsTop, std::max(0, clientWidth - 2 * hRand), conditionsHeight);

    p.tables = QRect(hRand, vRand, tw, lh);
    p.tabFldSplit = QRect(hRand + tw, vRand, hRand, lh);
    const int fieldsLeft = tw + 2 * hRand;
    p.fields = QRect(fieldsLeft, vRand, std::max(0, clientWidth - hRand - fieldsLeft), lh);

    const int resultsTop = lh + 2 * vRand;
    p.datenSplit = QRect(hRand, resultsTop - vRand, std::max(0, clientWidth - 2 * hRand), vRand);
    p.results =
        QRect(hRand, resultsTop, std::max(0, clientWidth - 2 * hRand), std::max(0, conditionsTop - vRand - resultsTop));
    return p;
}

int QueryLayout::sharedTableListWidth(int tableListWidth, int fieldListRight, int clientWidth) const
{
    const int difference = clientWidth - (fieldListRight + hRand);
    return std::max(0, tableListWidth + difference / 2);
}

int QueryLayout::clampVerticalSplitter(int left, int clientWidth) const
{
    return std::max(hRand, std::min(left, clientWidth - 2 * hRand));
}

int QueryLayout::clampHorizontalSplitter(int top, int conditionsTop) const
{
    return std::max(vRand, std::min(top, conditionsTop - vRand));
}

int QueryLayout::defaultTableListWidth(int clientWidth) const
{
    return int(std::lround((clientWidth - 3.0 * hRand) / 2.0));
}

int QueryLayout::defaultListHeight(int clientHeight) const
{
    return int(std::lround((clientHeight - conditionsHeight - statusHeight - 2.0 * vRand) / 2.0));
}
