// The trend plot renderer: draws one graph window's measurement onto any QPainter of a given
// size (screen, test image, printer), from the store and the display state.
#pragma once

#include <QLocale>
#include <QSize>

class QPainter;

// The main-window controls the renderer reads.
struct TrendPlotControls
{
    int ampIndex = 2;        // AmpComboBox: 0..6 for x0.25 .. x16
    int sensorIndex = 0;     // SensorComboBox: 0 none, 1 Accelerometer, 2 Gyroscope
    bool scrollVisible = false;
    int scrollPosition = 0;  // first visible sample while the scroll bar is visible
    QLocale locale;          // regional settings for numbers and times
};

// What the paint asks of the readout panel.
enum class ReadoutRequest { Leave, Show, Hide };

struct TrendPlotResult
{
    ReadoutRequest readout = ReadoutRequest::Leave;
    int sampleIndex = -1; // the sample to show when readout is Show
};

// Paints window w (0..3) onto painter, whose surface is size pixels; the painter's font is
// the surface font. Changes no state of the store or of the window records.
TrendPlotResult PaintBox1Paint(QPainter &painter, const QSize &size, int w,
                               const TrendPlotControls &controls);
