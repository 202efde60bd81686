// Curve drawing of the trend plot.
#include "trendcurves.h"

#include "columnreduce.h"

namespace {

template <class Value>
void drawPoints(PlotCanvas &canvas, int count, Value value, const CurveFrame &frame,
                CurveDrawing drawing, std::vector<int> &kept)
{
    const int spp = frame.samplesPerPixel;
    auto point = [&](int i) {
        return QPoint(frame.left + i / spp,
                      mapValue(value(i), frame.range, frame.top, frame.bottom));
    };
    if (drawing == CurveDrawing::EverySample) {
        for (int i = 0; i < count; ++i) {
            if (i == 0)
                canvas.moveTo(point(i));
            else
                canvas.lineTo(point(i));
        }
        return;
    }
    kept.clear();
    reduceColumns(count, spp, value, kept);
    for (size_t k = 0; k < kept.size(); ++k) {
        if (k == 0)
            canvas.moveTo(point(kept[k]));
        else
            canvas.lineTo(point(kept[k]));
    }
}

} // namespace

void drawCurve(PlotCanvas &canvas, const SAMPLE_TYPE *first, int count, SeriesField field,
               const CurveFrame &frame, CurveDrawing drawing, std::vector<int> &scratch)
{
    if (count <= 0)
        return;
    const int k = field.index;
    switch (field.kind) {
    case SeriesKind::NirsAve:
        drawPoints(
            canvas, count, [first, k](int i) { return first[i].Nirs_Ave[k]; }, frame, drawing,
            scratch);
        break;
    case SeriesKind::Acc:
        drawPoints(
            canvas, count, [first, k](int i) { return first[i].Acc[k]; }, frame, drawing, scratch);
        break;
    case SeriesKind::Gyr:
        drawPoints(
            canvas, count, [first, k](int i) { return first[i].Gyr[k]; }, frame, drawing, scratch);
        break;
    }
}
