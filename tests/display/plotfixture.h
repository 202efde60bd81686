// Test fixture of the trend plot: a measurement put straight into a slot and window 0, and
// the renderer run onto a white image with the surface font.
#pragma once

#include "displaystate.h"
#include "store.h"
#include "trendplotpaint.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>

// Tahoma 8 pt where the system has it, otherwise the desktop's sans-serif at 8 pt.
inline QFont surfaceFont()
{
    QFont tahoma(QStringLiteral("Tahoma"), 8);
    if (QFontInfo(tahoma).family().compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0)
        return tahoma;
    QFont sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    sans.setPointSize(8);
    return sans;
}

// A measurement in slot 0 shown in window 0: count samples of rate ms, every value given by
// fill(sample, index). Events cleared, cursor off, one sample per pixel.
inline void enterRecording(int count, bool rev2, int rate = 100,
                           const std::function<void(SAMPLE_TYPE &, int)> &fill = {})
{
    ResetStore();
    ResetDisplayState();
    DATA_INFO_TYPE &info = DataInfo[0];
    ClearInfo(info);
    info.Enable = true;
    info.DeviceType = DEVICE_VM731;
    info.NumCH = 1;
    info.Ex_count = count;
    info.Log_Rate = rate;
    info.Log_Range[0] = 2;
    info.Log_Range[1] = 250;
    info.Rev2 = rev2;
    info.Log_start = encodeDateTime({2024, 5, 1, 9, 30, 0, 0});
    for (int i = 0; i < count; ++i) {
        SAMPLE_TYPE &s = SampleData[0][i];
        s = SAMPLE_TYPE{};
        s.Seq = i;
        s.Time = msToDays(double(i) * rate);
        if (fill)
            fill(s, i);
    }
    ClearEventList(0);
    WinInfo[0].DataNo = 0;
    WinInfo[0].SamplesPerPixel = 1;
    WinInfo[0].MaxSamplesPerPixel = 1;
    WinInfo[0].Offset = 0;
    WinInfo[0].TimeGrid = 10000;
    WindowCount = 1;
    for (bool &v : DataVisible)
        v = true;
}

inline QImage renderPlot(const QSize &size, const TrendPlotControls &controls,
                         CurveDrawing drawing = CurveDrawing::Reduced,
                         TrendPlotResult *result = nullptr, int w = 0)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(surfaceFont());
    const TrendPlotResult r = drawing == CurveDrawing::Reduced
                                  ? PaintBox1Paint(painter, size, w, controls)
                                  : paintTrendPlot(painter, size, w, controls, drawing);
    painter.end();
    if (result)
        *result = r;
    return image;
}
