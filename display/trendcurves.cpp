// Curve drawing of the trend plot.
//
// Reduced drawing: within one pixel column every segment between two of its samples is
// vertical, so together they cover the column from its lowest to its highest point, which
// the column's first, lowest, highest and last sample already give. Each column is drawn as
// the line from the previous column's last point to its first point, then the vertical line
// between its lowest and highest point; the reference picture draws every sample as its own
// segment, and the two are pixel-identical.
#include "trendcurves.h"

#include "columnreduce.h"

namespace {

constexpr int CURVE_PEN = 2;

template <int N> using SeriesMember = float (SAMPLE_TYPE::*)[N];

template <int N>
void drawEverySample(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count,
                     SeriesMember<N> member, int k, const CurveStyle &style, const CurveFrame &f)
{
    for (int i = 0; i < count; ++i) {
        const QPoint p(f.left + i / f.samplesPerPixel,
                       mapValue((first[i].*member)[k], style.range, f.top, f.bottom));
        if (i == 0)
            canvas.moveTo(p);
        else
            canvas.lineTo(p);
    }
}

template <int N>
void drawReduced(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesMember<N> member,
                 int k, const CurveStyle &style, const CurveFrame &f,
                 const std::vector<ColumnExtremes> &extremes)
{
    const int spp = f.samplesPerPixel;
    auto y = [&](int i) { return mapValue((first[i].*member)[k], style.range, f.top, f.bottom); };
    canvas.setFastLines(true);
    for (int c = 0; c * spp < count; ++c) {
        const int lo = c * spp, hi = std::min(count, lo + spp), x = f.left + c;
        if (c == 0)
            canvas.moveTo(x, y(lo));
        else
            canvas.lineTo(x, y(lo));
        if (hi - lo > 1) {
            canvas.moveTo(x, y(extremes[c].highest));
            canvas.lineTo(x, y(extremes[c].lowest));
            canvas.moveTo(x, y(hi - 1));
        }
    }
    canvas.setFastLines(false);
}

template <int N>
void drawPlot(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesMember<N> member,
              const CurveStyle *styles, const CurveFrame &frame, CurveDrawing drawing)
{
    std::vector<ColumnExtremes> extremes[N];
    if (drawing == CurveDrawing::Reduced && frame.samplesPerPixel > 1) {
        reduceColumns<N>(
            count, frame.samplesPerPixel, [first, member](int i) { return first[i].*member; },
            extremes);
    }
    for (int k = 0; k < N; ++k) {
        if (!styles[k].shown)
            continue;
        canvas.setPen(styles[k].colour, CURVE_PEN);
        if (drawing == CurveDrawing::EverySample)
            drawEverySample<N>(canvas, first, count, member, k, styles[k], frame);
        else
            drawReduced<N>(canvas, first, count, member, k, styles[k], frame, extremes[k]);
    }
}

} // namespace

void drawCurves(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesKind kind,
                const CurveStyle *styles, const CurveFrame &frame, CurveDrawing drawing)
{
    if (count <= 0)
        return;
    switch (kind) {
    case SeriesKind::NirsAve:
        drawPlot<4>(canvas, first, count, &SAMPLE_TYPE::Nirs_Ave, styles, frame, drawing);
        break;
    case SeriesKind::Acc:
        drawPlot<3>(canvas, first, count, &SAMPLE_TYPE::Acc, styles, frame, drawing);
        break;
    case SeriesKind::Gyr:
        drawPlot<3>(canvas, first, count, &SAMPLE_TYPE::Gyr, styles, frame, drawing);
        break;
    }
}
