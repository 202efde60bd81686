// The curves of the trend plot (the four NIRS averages, and the three axes of the
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
};

// One plot of curves: its floats, their styles (4 entries for NirsAve, 3 for Acc and Gyr)
// and its frame.
struct CurvePlot
{
    SeriesKind kind = SeriesKind::NirsAve;
    const CurveStyle *styles = nullptr;
    CurveFrame frame;
};

// Draws samples first[0..count-1] of every shown series of plots[0..plotCount-1] (at most
// 2), plot after plot and in series order within a plot, each with a width-2 pen of its
// colour: a move to the first point, then lines on. The reduced drawing reads the samples
// once for all plots.
void drawCurves(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, int samplesPerPixel,
                const CurvePlot *plots, int plotCount, CurveDrawing drawing);
