// Internal entry of the trend plot renderer: the same paint with a choice of how the curves
// are passed to the canvas. The program always uses the reduced drawing; drawing every
// sample is the reference picture that tests and benchmarks compare it with.
#pragma once

#include "trendplot.h"

enum class CurveDrawing {
    Reduced,    // per pixel column only the samples that change the picture
    EverySample // every visible sample as its own segment
};

TrendPlotResult paintTrendPlot(QPainter &painter, const QSize &size, int w,
                               const TrendPlotControls &controls, CurveDrawing drawing);
