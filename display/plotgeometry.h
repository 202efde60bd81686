// Geometry of a trend plot surface: the plot rectangles, the scales, the value-to-pixel and
// time-to-pixel mappings and the texts of the grid labels. Pure functions of explicit inputs.
#pragma once

#include "datetime.h"

#include <QLocale>
#include <QString>
#include <cmath>
#include <cstdint>

inline constexpr int PLOT_LEFT = 20;
inline constexpr int PLOT_MARGIN = 40; // PlotWidth = surface width - PLOT_MARGIN
inline constexpr int HB_TOP = 16;
inline constexpr int LABEL_BAND = 16; // height of the bands that carry labels
inline constexpr int AMP_COUNT = 7;   // "x0.25" .. "x16"
inline constexpr int AMP_X1 = 2;
inline constexpr int SENSOR_NONE = 0;
inline constexpr int SENSOR_ACCELEROMETER = 1;
inline constexpr int SENSOR_GYROSCOPE = 2;
inline constexpr int GRID_LINES = 4;
// Field widths of the right-hand tick labels per scaling index; decimals are width - 2.
inline constexpr int HbDigits[AMP_COUNT] = {3, 3, 3, 4, 5, 6, 7};

struct PlotGeometry
{
    int PlotLeft = PLOT_LEFT;
    int PlotWidth = 0;
    int PlotRight = PLOT_LEFT;
    int HbTop = HB_TOP;
    int HbHeight = 0;
    int HbBottom = HB_TOP;
    bool sensorShown = false;
    int SensorHeight = 0;
    int SensorTop = 0;
    int SensorBottom = 0;
};

// Lays out a surface of width x height pixels. sensorWanted: the measurement carries the
// motion channels and a sensor plot is selected; the sensor plot is dropped when its quarter
// height would be below textHeight.
PlotGeometry plotGeometry(int width, int height, int textHeight, bool sensorWanted);

// 2 ^ (2 - ampIndex): the Hb scale factor of a scaling index (clamped to 0..6).
double axisScale(int ampIndex);

// A value range; span is the divisor of the mapping (hi - lo, or exactly 1 for StO2).
struct ValueRange
{
    double lo = 0;
    double hi = 1;
    double span = 1;
};

// StO2 range for an offset in percent: [o, o + 1] with o = offset / 100, span 1.
ValueRange sto2Range(int offset);
// Hb range in mM: [0.4 o, 0.4 o + 0.4] times the axis scale.
ValueRange hbRange(int offset, int ampIndex);
// Sensor range: [-fullScale, +fullScale].
ValueRange sensorRange(int32_t fullScale);

// Vertical pixel of value v on range r drawn between top and bottom: below lo or not a number
// gives bottom, above hi gives top. Non-increasing in v (NaN counting as the lowest value), so
// the lowest and highest values of a run of samples give its lowest and highest pixels.
inline int mapValue(double v, const ValueRange &r, int top, int bottom)
{
    if (!(v >= r.lo))
        return bottom;
    if (v > r.hi)
        return top;
    if (!(r.span > 0)) // degenerate range: v equals both ends
        return bottom;
    return top + int(std::floor((r.hi - v) * (bottom - top) / r.span));
}

// The horizontal grid: indices first..first + 3, index i standing for StO2 i * 0.25 - 1.
int gridFirstIndex(int offset);
int gridLineY(int index, int offset, const PlotGeometry &g);
// Left label: the StO2 percentage i * 25 - 100.
QString sto2GridText(int index);
// Right label: the Hb value of index i, "%*.*f" with the scaling's field width, in the
// locale's decimal separator.
QString hbGridText(int index, int ampIndex, const QLocale &locale);

// Quarter-line label value of the sensor plot ("1", "62.5"), for SENSOR_ACCELEROMETER or
// SENSOR_GYROSCOPE and the measurement's ranges.
QString sensorQuarterText(int sensorIndex, const int32_t range[2], const QLocale &locale);
// "[G]" or "[deg/s]".
QString sensorUnitText(int sensorIndex);

// Time grid: x of a time in ms since the first sample, for first visible sample J.
int timeToX(int64_t ms, int64_t logRate, int64_t firstSample, int samplesPerPixel);
// First multiple of step strictly after t0 (both ms, step > 0).
int64_t firstGridTime(int64_t t0, int64_t step);
// Elapsed time "h:nn:ss" of whole seconds of ms (hours not wrapped at 24).
QString elapsedTimeText(int64_t ms, const QLocale &locale);
// Time of day "h:nn:ss" of start + ms.
QString clockTimeText(TDateTime start, int64_t ms, const QLocale &locale);
// The time separator of a locale (":" when its time format shows none).
QString timeSeparator(const QLocale &locale);
