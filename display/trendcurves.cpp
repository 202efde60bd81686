// Curve drawing of the trend plot.
//
// Reduced drawing: within one pixel column every segment between two of its samples is
// vertical, so together they cover the column from its lowest to its highest point, which
// the column's first, lowest, highest and last value already give. Each column is drawn as
// the line from the previous column's last point to its first point, then the vertical line
// between its lowest and highest point; the reference picture draws every sample as its own
// segment, and the two are pixel-identical. The columns are reduced in value space, for all
// plots in one pass over the samples, and only the points drawn are mapped to pixels.
#include "trendcurves.h"

#include "columnreduce.h"
#include "displaystate.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr int CURVE_PEN = 2;
constexpr int MAX_PLOTS = 2;
constexpr int LANE_COUNT = 4;
constexpr int PREFETCH_SAMPLES = 32;

float seriesValue(const SAMPLE_TYPE &s, SeriesKind kind, int k)
{
    switch (kind) {
    case SeriesKind::NirsAve:
        return s.Nirs_Ave[k];
    case SeriesKind::Acc:
        return s.Acc[k];
    case SeriesKind::Gyr:
        return s.Gyr[k];
    }
    return NAN;
}

int seriesCount(SeriesKind kind)
{
    return kind == SeriesKind::NirsAve ? SERIES_COUNT : 3;
}

// The four consecutive floats of a sample that hold a plot's series, read as one group: the
// byte offset of the group and the lane of series 0. The gyroscope group ends with Gyr[2],
// so that no read goes past the axes into the record's padding.
struct SeriesLanes
{
    size_t offset = 0;
    int firstLane = 0;
};

SeriesLanes lanesOf(SeriesKind kind)
{
    constexpr size_t groupBytes = sizeof(FloatLanes);
    constexpr size_t gyrGroup = offsetof(SAMPLE_TYPE, Gyr) + 3 * sizeof(float) - groupBytes;
    static_assert(offsetof(SAMPLE_TYPE, Nirs_Ave) + groupBytes <= sizeof(SAMPLE_TYPE));
    static_assert(offsetof(SAMPLE_TYPE, Acc) + groupBytes <= sizeof(SAMPLE_TYPE));
    static_assert(gyrGroup + groupBytes == offsetof(SAMPLE_TYPE, Gyr) + sizeof(float[3]));
    switch (kind) {
    case SeriesKind::NirsAve:
        return {offsetof(SAMPLE_TYPE, Nirs_Ave), 0};
    case SeriesKind::Acc:
        return {offsetof(SAMPLE_TYPE, Acc), 0};
    case SeriesKind::Gyr:
        return {gyrGroup, 1};
    }
    return {};
}

void drawEverySample(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, int spp,
                     SeriesKind kind, int k, const CurveStyle &style, const CurveFrame &f)
{
    for (int i = 0; i < count; ++i) {
        const QPoint p(f.left + i / spp,
                       mapValue(seriesValue(first[i], kind, k), style.range, f.top, f.bottom));
        if (i == 0)
            canvas.moveTo(p);
        else
            canvas.lineTo(p);
    }
}

// One point per pixel column: each sample is its own column.
void drawSampleColumns(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesKind kind,
                       int k, const CurveStyle &style, const CurveFrame &f)
{
    canvas.setFastLines(true);
    for (int c = 0; c < count; ++c) {
        const int y = mapValue(seriesValue(first[c], kind, k), style.range, f.top, f.bottom);
        if (c == 0)
            canvas.moveTo(f.left, y);
        else
            canvas.lineTo(f.left + c, y);
    }
    canvas.setFastLines(false);
}

// A series of the reduced columns, its values in lane `lane` of group g; drawn is scratch
// space.
template <int G>
void drawReduced(PlotCanvas &canvas, int count, int spp, const CurveStyle &style,
                 const CurveFrame &f, const std::vector<ColumnValues<G>> &columns, int g, int lane,
                 std::vector<PlotCanvas::CurveColumn> &drawn)
{
    auto y = [&](float v) { return mapValue(v, style.range, f.top, f.bottom); };
    drawn.resize(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        const ColumnValues<G> &r = columns[c];
        const int lo = int(c) * spp;
        PlotCanvas::CurveColumn &d = drawn[c];
        d.x = f.left + int(c);
        d.first = y(r.first[g][lane]);
        d.vertical = std::min(count, lo + spp) - lo > 1;
        // The highest value is the highest point, the smallest y.
        d.top = d.vertical ? y(r.highest[g][lane]) : d.first;
        d.bottom = d.vertical ? y(r.lowest[g][lane]) : d.first;
        d.last = d.vertical ? y(r.last[g][lane]) : d.first;
    }
    canvas.drawCurveColumns(drawn.data(), int(drawn.size()));
}

bool anyShown(const CurvePlot &plot)
{
    for (int k = 0; k < seriesCount(plot.kind); ++k)
        if (plot.styles[k].shown)
            return true;
    return false;
}

// The reduced drawing of the plots whose groups are listed in plots[0..G-1].
template <int G>
void drawReducedPlots(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, int spp,
                      const CurvePlot *const *plots)
{
    size_t offsets[G];
    for (int g = 0; g < G; ++g)
        offsets[g] = lanesOf(plots[g]->kind).offset;
    const auto *bytes = static_cast<const unsigned char *>(static_cast<const void *>(first));
    std::vector<ColumnValues<G>> columns;
    reduceColumns<G>(
        count, spp,
        [bytes, &offsets, count](int i, FloatLanes *lanes) {
            const unsigned char *sample = bytes + size_t(i) * sizeof(SAMPLE_TYPE);
            // The scan is bound by memory: ask for the samples a little ahead early.
            if (i + PREFETCH_SAMPLES < count)
                simd::prefetch(sample + PREFETCH_SAMPLES * sizeof(SAMPLE_TYPE));
            for (int g = 0; g < G; ++g)
                std::memcpy(&lanes[g], sample + offsets[g], sizeof(FloatLanes));
        },
        columns);
    std::vector<PlotCanvas::CurveColumn> drawn;
    for (int g = 0; g < G; ++g) {
        const CurvePlot &plot = *plots[g];
        const int firstLane = lanesOf(plot.kind).firstLane;
        for (int k = 0; k < seriesCount(plot.kind); ++k) {
            const CurveStyle &style = plot.styles[k];
            if (!style.shown)
                continue;
            canvas.setPen(style.colour, CURVE_PEN);
            drawReduced<G>(canvas, count, spp, style, plot.frame, columns, g, firstLane + k, drawn);
        }
    }
}

static_assert(SERIES_COUNT <= LANE_COUNT);

} // namespace

void drawCurves(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, int samplesPerPixel,
                const CurvePlot *plots, int plotCount, CurveDrawing drawing)
{
    if (count <= 0)
        return;
    const int spp = std::max(samplesPerPixel, 1);
    plotCount = std::clamp(plotCount, 0, MAX_PLOTS);
    if (drawing == CurveDrawing::Reduced && spp > 1) {
        // Plots with nothing to draw are not read at all.
        const CurvePlot *drawn[MAX_PLOTS];
        int n = 0;
        for (int i = 0; i < plotCount; ++i)
            if (anyShown(plots[i]))
                drawn[n++] = &plots[i];
        if (n == 1)
            drawReducedPlots<1>(canvas, first, count, spp, drawn);
        else if (n == 2)
            drawReducedPlots<2>(canvas, first, count, spp, drawn);
        return;
    }
    for (int i = 0; i < plotCount; ++i) {
        const CurvePlot &plot = plots[i];
        for (int k = 0; k < seriesCount(plot.kind); ++k) {
            const CurveStyle &style = plot.styles[k];
            if (!style.shown)
                continue;
            canvas.setPen(style.colour, CURVE_PEN);
            if (drawing == CurveDrawing::EverySample)
                drawEverySample(canvas, first, count, spp, plot.kind, k, style, plot.frame);
            else
                drawSampleColumns(canvas, first, count, plot.kind, k, style, plot.frame);
        }
    }
}
