// Geometry and state rules of the graph-window layout: where the shown windows go in the
// graph area, a window's scroll range after a resize, and the moves of the window records
// when a window closes. Free of widgets; the main window applies the results to its controls.
#pragma once

#include "store.h"

#include <QRect>
#include <QSize>

// Arrangement of three or four shown windows (ArrangeMode).
inline constexpr int ARRANGE_STACKED = 0;
inline constexpr int ARRANGE_COLUMNS = 1;

// Place of a hidden graph panel.
inline constexpr QRect HIDDEN_PANEL_RECT{0, 0, 200, 100};

struct GraphArrangement
{
    bool shown[SLOT_COUNT] = {};
    QRect place[SLOT_COUNT]; // the shown windows' places in the graph area
    int shownCount = 0;
    bool arrangeVisible = false; // the "Arrangement" group; unchanged when shownCount is 0
};

// Lays out the windows whose check box is checked, by rank, in an area of the given client
// size: one fills it; two are always stacked; three or four are stacked or in two columns
// (top left, bottom left, top right, bottom right). Sizes truncate; leftovers stay grey.
GraphArrangement arrangeGraphs(const bool checked[SLOT_COUNT], int arrangeMode, QSize area);

// A window's horizontal scroll bar as the layout sees it (positions count samples).
struct ScrollRange
{
    bool visible = false;
    int maximum = 0;
    int position = 0;
};

struct ScrollFit
{
    ScrollRange scroll;
    int samplesPerPixel = 1;
    int maxSamplesPerPixel = 1;
    bool changed = false; // false: leave the window as it is
};

// Width of the plot on a drawing surface of the given width (at least 1).
int plotWidthOf(int surfaceWidth);
// Largest compression: count samples fit plotWidth columns (count / plotWidth rounded up,
// at least 1).
int maxSamplesPerPixelOf(int count, int plotWidth);
// The scroll range after a panel resize, for a measurement of count samples on a plot of
// plotWidth columns: a scroll bar appears (at 0) or stays (position clamped) while the
// measurement is longer than the plot, and disappears (at 0) when it fits. Any change
// returns the window to one sample per pixel.
ScrollFit fitScrollRange(const ScrollRange &current, int plotWidth, int count);

// Window `to` takes the measurement and view of window `from` (DataNo, TimeGrid, Offset,
// SamplesPerPixel, MaxSamplesPerPixel, LastPos); LinkBase and LinkHold stay with the window.
void moveWindowRecord(int to, int from);
