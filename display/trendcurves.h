// The curves of the trend plot: one series of the visible samples through the canvas, either
// reduced per pixel column or every sample as its own segment.
#pragma once

#include "plotcanvas.h"
#include "plotgeometry.h"
#include "store.h"
#include "trendplotpaint.h"

#include <vector>

// Which float of a sample a curve draws.
enum class SeriesKind { NirsAve, Acc, Gyr };

struct SeriesField
{
    SeriesKind kind = SeriesKind::NirsAve;
    int index = 0; // 0..3 for NirsAve, 0..2 for Acc and Gyr
};

// Where a curve is drawn: its range mapped between top and bottom, sample i of the visible
// ones at x = left + i div samplesPerPixel.
struct CurveFrame
{
    int left = 0;
    int top = 0;
    int bottom = 0;
    int samplesPerPixel = 1;
    ValueRange range;
};

// Draws samples first[0..count-1] of one series with the canvas's current pen: a move to the
// first point, then a line to each further point drawn. scratch is reused between calls.
void drawCurve(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesField field,
               const CurveFrame &frame, CurveDrawing drawing, std::vector<int> &scratch);
