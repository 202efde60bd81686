// Graph-window placement, scroll ranges and record moves.
#include "layout.h"
#include "plotgeometry.h"

#include <algorithm>

GraphArrangement arrangeGraphs(const bool checked[SLOT_COUNT], int arrangeMode, QSize area)
{
    GraphArrangement a;
    int order[SLOT_COUNT] = {};
    for (int w = 0; w < SLOT_COUNT; ++w) {
        a.shown[w] = checked[w];
        if (checked[w])
            order[a.shownCount++] = w;
    }
    const int n = a.shownCount;
    if (n == 0)
        return a;
    const int cw = area.width();
    const int ch = area.height();
    for (int k = 0; k < n; ++k) {
        QRect &r = a.place[order[k]];
        if (n == 1) {
            r = QRect(0, 0, cw, ch);
        } else if (arrangeMode == ARRANGE_STACKED || n == 2) {
            r = QRect(0, k * (ch / n), cw, ch / n);
        } else {
            r = QRect(k < 2 ? 0 : cw / 2, k % 2 == 0 ? 0 : ch / 2, cw / 2, ch / 2);
        }
    }
    a.arrangeVisible = n > 2;
    return a;
}

int plotWidthOf(int surfaceWidth)
{
    return std::max(1, surfaceWidth - PLOT_MARGIN);
}

int maxSamplesPerPixelOf(int count, int plotWidth)
{
    if (plotWidth < 1 || count <= plotWidth)
        return 1;
    return count / plotWidth + (count % plotWidth != 0 ? 1 : 0);
}

ScrollFit fitScrollRange(const ScrollRange &current, int plotWidth, int count)
{
    ScrollFit fit;
    fit.scroll = current;
    const bool longer = plotWidth < count;
    if (!current.visible && !longer)
        return fit;
    fit.changed = true;
    if (longer) {
        fit.scroll.visible = true;
        fit.scroll.maximum = count - plotWidth;
        fit.scroll.position =
            current.visible ? std::clamp(current.position, 0, fit.scroll.maximum) : 0;
        fit.maxSamplesPerPixel = maxSamplesPerPixelOf(count, plotWidth);
    } else {
        fit.scroll.visible = false;
        fit.scroll.position = 0;
    }
    return fit;
}

void moveWindowRecord(int to, int from)
{
    WINDOW_INFO_TYPE &t = WinInfo[to];
    const WINDOW_INFO_TYPE &f = WinInfo[from];
    t.DataNo = f.DataNo;
    t.TimeGrid = f.TimeGrid;
    t.Offset = f.Offset;
    t.SamplesPerPixel = f.SamplesPerPixel;
    t.MaxSamplesPerPixel = f.MaxSamplesPerPixel;
    t.LastPos = f.LastPos;
}
