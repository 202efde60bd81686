// The trend plot paint: grid, labels, frames, sensor plot, time grid, curves, cursor and
// event marks of one graph window, in that order.
#include "trendplot.h"

#include "displaystate.h"
#include "trendcurves.h"
#include "trendplotpaint.h"

#include <QPainter>
#include <algorithm>

namespace {

const QColor SILVER(192, 192, 192);
const QColor GREY(128, 128, 128);
const QColor DARK_GREY(64, 64, 64);
const QColor CURSOR_GREEN(0, 255, 0);
const QColor TEAL(0, 128, 128);
constexpr int LABEL_GAP = 20;  // a grid line must lie this far below the top to be labelled
constexpr int LEFT_INSET = 5;  // left labels from the frame
constexpr int RIGHT_INSET = 2; // right labels from the frame
constexpr int EVENT_TEXT_DX = 2;
constexpr int EVENT_TEXT_DY = 3;
constexpr int STO2_SERIES = 3;
constexpr int TOHB_SERIES = 2;

struct Paint
{
    PlotCanvas &canvas;
    PlotGeometry g;
    const DATA_INFO_TYPE &info;
    const SAMPLE_TYPE *samples;
    const int32_t *events;
    const TrendPlotControls &controls;
    int w = 0;
    int offset = 0;
    int spp = 1;
    int64_t J = 0;
    int th = 0;
    int64_t span = 0; // samples the plot width holds: spp x PlotWidth
};

// Horizontal line from left to right edge (the right end pixel is not drawn).
void rule(PlotCanvas &c, const PlotGeometry &g, int y)
{
    c.moveTo(g.PlotLeft, y);
    c.lineTo(g.PlotRight, y);
}

void vertical(PlotCanvas &c, int x, int top, int bottom)
{
    c.moveTo(x, top);
    c.lineTo(x, bottom);
}

void frame(PlotCanvas &c, int left, int top, int right, int bottom)
{
    c.moveTo(left, top);
    c.lineTo(left, bottom);
    c.lineTo(right, bottom);
    c.lineTo(right, top);
    c.lineTo(left, top);
}

void rightAligned(PlotCanvas &c, int right, int y, const QString &text)
{
    c.textOut(right - c.textWidth(text), y, text);
}

void drawHorizontalGrid(Paint &p)
{
    const PlotGeometry &g = p.g;
    const int first = gridFirstIndex(p.offset);
    for (int i = first; i < first + GRID_LINES; ++i) {
        const int y = gridLineY(i, p.offset, g);
        rule(p.canvas, g, y);
        if (y - g.HbTop > LABEL_GAP) {
            p.canvas.textOut(g.PlotLeft + LEFT_INSET, y - p.th - 1, sto2GridText(i));
            rightAligned(p.canvas, g.PlotRight - RIGHT_INSET, y - p.th - 1,
                         hbGridText(i, p.controls.ampIndex, p.controls.locale));
        }
    }
}

void drawHbFrame(Paint &p)
{
    const PlotGeometry &g = p.g;
    p.canvas.setPen(DARK_GREY);
    p.canvas.setFontColor(DARK_GREY);
    frame(p.canvas, g.PlotLeft, g.HbTop, g.PlotRight, g.HbBottom);
    p.canvas.textOut(g.PlotLeft + LEFT_INSET, g.HbTop - p.th - 1, QStringLiteral("[%]"));
    rightAligned(p.canvas, g.PlotRight, g.HbTop - p.th - 1, QStringLiteral("[mM]"));
}

void drawSensorFrame(Paint &p)
{
    const PlotGeometry &g = p.g;
    PlotCanvas &c = p.canvas;
    c.setFontColor(GREY);
    c.setPen(SILVER);
    const QString r =
        sensorQuarterText(p.controls.sensorIndex, p.info.Log_Range, p.controls.locale);
    const int upper = g.SensorTop + g.SensorHeight / 4;
    rule(c, g, upper);
    rightAligned(c, g.PlotRight, upper - p.th - 1, QLatin1Char('+') + r);
    const int lower = g.SensorBottom - g.SensorHeight / 4;
    rule(c, g, lower);
    rightAligned(c, g.PlotRight, lower - p.th - 1, QLatin1Char('-') + r);
    c.setPen(DARK_GREY);
    c.setFontColor(DARK_GREY);
    frame(c, g.PlotLeft, g.SensorTop, g.PlotRight, g.SensorBottom);
    rule(c, g, (g.SensorTop + g.SensorBottom) / 2);
    int x = g.PlotLeft;
    const QString axes[3] = {QStringLiteral("[X]"), QStringLiteral("[Y]"), QStringLiteral("[Z]")};
    for (int k = 0; k < 3; ++k) {
        c.setFontColor(SERIES_COLOURS[k]);
        c.textOut(x, g.SensorBottom + 1, axes[k]);
        x += c.textWidth(axes[k]);
    }
    c.setFontColor(DARK_GREY);
    rightAligned(c, g.PlotRight, g.SensorBottom + 1, sensorUnitText(p.controls.sensorIndex));
}

// The clock-time label of a time line at x, kept inside the frame.
void drawClockLabel(Paint &p, int x, int64_t t)
{
    const PlotGeometry &g = p.g;
    const QString text = clockTimeText(p.info.Log_start, t, p.controls.locale);
    const int tw = p.canvas.textWidth(text);
    int left = x - tw / 2;
    if (g.PlotLeft + tw / 2 >= x)
        left = g.PlotLeft + 1;
    else if (g.PlotRight - tw / 2 <= x)
        left = g.PlotRight - tw - 1;
    p.canvas.textOut(left, g.HbTop + 1, text);
}

void drawTimeGrid(Paint &p)
{
    const PlotGeometry &g = p.g;
    const int64_t step = WinInfo[p.w].TimeGrid;
    const int64_t rate = p.info.Log_Rate;
    if (step <= 0 || rate <= 0) // no usable grid step: no time lines
        return;
    p.canvas.setFontColor(GREY);
    p.canvas.setPen(SILVER);
    for (int64_t t = firstGridTime(rate * p.J, step);; t += step) {
        const int x = timeToX(t, rate, p.J, p.spp);
        if (x > g.PlotRight)
            break;
        vertical(p.canvas, x, g.HbTop, g.HbBottom);
        if (g.sensorShown)
            vertical(p.canvas, x, g.SensorTop, g.SensorBottom);
        const QString text = elapsedTimeText(t, p.controls.locale);
        const int tw = p.canvas.textWidth(text);
        if (g.PlotLeft + tw / 2 < x && x < g.PlotRight - tw / 2) {
            p.canvas.textOut(x - tw / 2, g.HbBottom - p.th - 1, text);
            drawClockLabel(p, x, t);
        }
    }
}

int visibleCount(const Paint &p)
{
    const int64_t left = std::min<int64_t>(p.info.Ex_count, SAMPLE_MAX) - p.J;
    return int(std::clamp<int64_t>(std::min(left, p.span), 0, SAMPLE_MAX));
}

// The Hb curves and, when the sensor plot is shown, the sensor curves.
void drawAllCurves(Paint &p, CurveDrawing drawing)
{
    const PlotGeometry &g = p.g;
    CurveStyle hb[SERIES_COUNT];
    for (int k = 0; k < SERIES_COUNT; ++k) {
        // OXHb and DXHb only for measurements that carry the motion channels.
        hb[k].shown = DataVisible[k] && (k >= TOHB_SERIES || p.info.Rev2);
        hb[k].colour = DataColor[k];
        hb[k].range =
            k == STO2_SERIES ? sto2Range(p.offset) : hbRange(p.offset, p.controls.ampIndex);
    }
    const bool gyro = p.controls.sensorIndex == SENSOR_GYROSCOPE;
    CurveStyle sensor[3];
    for (int k = 0; k < 3; ++k)
        sensor[k] = {true, SERIES_COLOURS[k], sensorRange(p.info.Log_Range[gyro ? 1 : 0])};
    const CurvePlot plots[2] = {{SeriesKind::NirsAve, hb, {g.PlotLeft, g.HbTop, g.HbBottom}},
                                {gyro ? SeriesKind::Gyr : SeriesKind::Acc,
                                 sensor,
                                 {g.PlotLeft, g.SensorTop, g.SensorBottom}}};
    drawCurves(p.canvas, p.samples + p.J, visibleCount(p), p.spp, plots, g.sensorShown ? 2 : 1,
               drawing);
}

TrendPlotResult drawCursor(Paint &p)
{
    p.canvas.setPen(CURSOR_GREEN);
    const int64_t index = CursorIndex;
    if (CursorWindow == p.w && p.spp == 1 && p.J < index && index < p.J + p.g.PlotWidth &&
        index < p.info.Ex_count) {
        vertical(p.canvas, int(p.g.PlotLeft + (index - p.J)), p.g.HbTop, p.g.HbBottom);
        return {ReadoutRequest::Show, int(index)};
    }
    if (CursorWindow == -1 || CursorWindow == p.w)
        return {ReadoutRequest::Hide, -1};
    return {};
}

void drawEvents(Paint &p)
{
    const PlotGeometry &g = p.g;
    p.canvas.setPen(TEAL);
    p.canvas.setFontColor(TEAL);
    for (int n = 0; n < EVENT_MAX; ++n) {
        const int64_t e = p.events[n];
        if (e < 0)
            break;
        const int64_t d = e - p.J;
        if (d < 1)
            continue;
        if (d > p.span - 1) // the list is ascending
            break;
        const int x = int(g.PlotLeft + d / p.spp);
        vertical(p.canvas, x, g.HbTop, g.HbBottom);
        if (g.sensorShown)
            vertical(p.canvas, x, g.SensorTop, g.SensorBottom);
        p.canvas.textOut(x - EVENT_TEXT_DX, g.HbBottom + EVENT_TEXT_DY, QStringLiteral("E"));
    }
}

} // namespace

TrendPlotResult paintTrendPlot(QPainter &painter, const QSize &size, int w,
                               const TrendPlotControls &controls, CurveDrawing drawing)
{
    if (w < 0 || w >= SLOT_COUNT)
        return {};
    const WINDOW_INFO_TYPE &win = WinInfo[w];
    if (win.DataNo < 0 || win.DataNo >= SLOT_COUNT)
        return {};
    const int slot = win.DataNo;
    const DATA_INFO_TYPE &info = DataInfo[slot];
    PlotCanvas canvas(painter);
    const int th = canvas.textHeight();
    const bool sensorWanted = info.Rev2 && (controls.sensorIndex == SENSOR_ACCELEROMETER ||
                                            controls.sensorIndex == SENSOR_GYROSCOPE);
    Paint p{canvas,
            plotGeometry(size.width(), size.height(), th, sensorWanted),
            info,
            SampleData[slot],
            EventList[slot],
            controls};
    p.w = w;
    p.offset = std::clamp(win.Offset, -100, 100);
    p.spp = std::max(win.SamplesPerPixel, 1);
    p.J = controls.scrollVisible ? std::max(controls.scrollPosition, 0) : 0;
    p.th = th;
    p.span = int64_t(p.spp) * std::max(p.g.PlotWidth, 0);

    canvas.setPen(SILVER);
    canvas.setFontColor(GREY);
    drawHorizontalGrid(p);
    drawHbFrame(p);
    if (p.g.sensorShown)
        drawSensorFrame(p);
    if (info.Ex_count <= 0)
        return {};
    drawTimeGrid(p);
    if (p.J < std::min<int64_t>(info.Ex_count, SAMPLE_MAX))
        drawAllCurves(p, drawing);
    const TrendPlotResult result = drawCursor(p);
    drawEvents(p);
    return result;
}

TrendPlotResult PaintBox1Paint(QPainter &painter, const QSize &size, int w,
                               const TrendPlotControls &controls)
{
    return paintTrendPlot(painter, size, w, controls, CurveDrawing::Reduced);
}
