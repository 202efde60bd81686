// The curves of one plot of the trend plot (the four NIRS averages, or the three axes of the
// accelerometer or the gyroscope), either reduced per pixel column or every sample as its own
// segment.
#pragma once

#include "plotcanvas.h"
#include "plotgeometry.h"
#include "store.h"
#include "trendplotpaint.h"

#include <QColor>

// Which floats of a sample a plot draws: Nirs_Ave[0..3], Acc[0..2] or Gyr[0..2].
enum class SeriesKind { NirsAve, Acc, Gyr };

struct CurveStyle
{
    bool shown = false;
    QColor colour;
    ValueRange range;
};

// Where a plot's curves go: sample i of the visible ones at x = left + i div samplesPerPixel,
// values mapped between top and bottom.
struct CurveFrame
{
    int left = 0;
    int top = 0;
    int bottom = 0;
    int samplesPerPixel = 1;
};

// Draws samples first[0..count-1] of every shown series of the plot, in series order, each
// with a width-2 pen of its colour: a move to the first point, then lines on. styles holds
// 4 entries for NirsAve and 3 for Acc and Gyr.
void drawCurves(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesKind kind,
                const CurveStyle *styles, const CurveFrame &frame, CurveDrawing drawing);
