// Geometry, scales, mappings and label texts of the trend plot.
#include "plotgeometry.h"

#include <algorithm>

namespace {

constexpr int SENSOR_BANDS = 48; // label bands above, between and below the two plots
constexpr int HB_ONLY_BANDS = 32;
constexpr double STO2_STEP = 0.25; // StO2 per grid index
constexpr double HB_STEP = 0.1;    // mM per grid index at "x1"
constexpr double HB_SPAN = 0.4;    // mM shown at "x1"
constexpr int64_t MS_PER_SECOND = 1000;
constexpr int64_t SECONDS_PER_HOUR = 3600;
constexpr int64_t SECONDS_PER_MINUTE = 60;

QString hmsText(int64_t seconds, const QLocale &locale)
{
    const QString sep = timeSeparator(locale);
    const int64_t rest = seconds % SECONDS_PER_HOUR;
    return QString::number(seconds / SECONDS_PER_HOUR) + sep +
           QStringLiteral("%1").arg(rest / SECONDS_PER_MINUTE, 2, 10, QLatin1Char('0')) + sep +
           QStringLiteral("%1").arg(rest % SECONDS_PER_MINUTE, 2, 10, QLatin1Char('0'));
}

// printf-style fixed-point text with the locale's decimal separator; a value that rounds to
// zero is shown without a minus sign.
QString fixedText(double value, int width, int decimals, const QLocale &locale)
{
    if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0.0;
    QString text = QString::asprintf("%*.*f", width, decimals, value);
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

} // namespace

PlotGeometry plotGeometry(int width, int height, int textHeight, bool sensorWanted)
{
    PlotGeometry g;
    g.PlotWidth = width - PLOT_MARGIN;
    g.PlotRight = g.PlotLeft + g.PlotWidth;
    if (sensorWanted) {
        const int a = height - SENSOR_BANDS;
        const int sensorHeight = a / 3;
        if (sensorHeight / 4 >= textHeight) {
            g.sensorShown = true;
            g.SensorHeight = sensorHeight;
            g.HbHeight = a - sensorHeight;
            g.HbBottom = g.HbTop + g.HbHeight;
            g.SensorTop = g.HbBottom + LABEL_BAND;
            g.SensorBottom = g.SensorTop + g.SensorHeight;
            return g;
        }
    }
    g.HbHeight = height - HB_ONLY_BANDS;
    g.HbBottom = height - LABEL_BAND;
    return g;
}

double axisScale(int ampIndex)
{
    return std::pow(2.0, AMP_X1 - std::clamp(ampIndex, 0, AMP_COUNT - 1));
}

ValueRange sto2Range(int offset)
{
    const double o = offset / 100.0;
    return {o, o + 1, 1.0};
}

ValueRange hbRange(int offset, int ampIndex)
{
    const double o = offset / 100.0;
    const double scale = axisScale(ampIndex);
    const double lo = HB_SPAN * o * scale;
    const double hi = (HB_SPAN * o + HB_SPAN) * scale;
    return {lo, hi, hi - lo};
}

ValueRange sensorRange(int32_t fullScale)
{
    const double lo = -double(fullScale);
    const double hi = double(fullScale);
    return {lo, hi, hi - lo};
}

int gridFirstIndex(int offset)
{
    return (offset + 100) / 25 + 1;
}

int gridLineY(int index, int offset, const PlotGeometry &g)
{
    const double o = offset / 100.0;
    return int(std::floor(g.HbBottom - g.HbHeight * (index * STO2_STEP - 1 - o) / 1.0));
}

QString sto2GridText(int index)
{
    return QString::number(index * 25 - 100);
}

QString hbGridText(int index, int ampIndex, const QLocale &locale)
{
    const int amp = std::clamp(ampIndex, 0, AMP_COUNT - 1);
    const double value = (index * HB_STEP - HB_SPAN) * axisScale(amp);
    return fixedText(value, HbDigits[amp], HbDigits[amp] - 2, locale);
}

QString sensorQuarterText(int sensorIndex, const int32_t range[2], const QLocale &locale)
{
    if (sensorIndex == SENSOR_GYROSCOPE && range[1] % 2 != 0)
        return fixedText(range[1] / 2.0, 0, 1, locale);
    const int32_t fullScale = sensorIndex == SENSOR_GYROSCOPE ? range[1] : range[0];
    return QString::number(fullScale / 2);
}

QString sensorUnitText(int sensorIndex)
{
    return sensorIndex == SENSOR_GYROSCOPE ? QStringLiteral("[deg/s]") : QStringLiteral("[G]");
}

int timeToX(int64_t ms, int64_t logRate, int64_t firstSample, int samplesPerPixel)
{
    const int64_t perColumn = logRate * samplesPerPixel;
    if (perColumn <= 0)
        return PLOT_LEFT;
    return int(PLOT_LEFT + (ms - logRate * firstSample) / perColumn);
}

int64_t firstGridTime(int64_t t0, int64_t step)
{
    return (t0 / step + 1) * step;
}

QString elapsedTimeText(int64_t ms, const QLocale &locale)
{
    return hmsText(ms / MS_PER_SECOND, locale);
}

QString clockTimeText(TDateTime start, int64_t ms, const QLocale &locale)
{
    return hmsText(timeOfDayMs(start + msToDays(double(ms))) / MS_PER_SECOND, locale);
}

QString timeSeparator(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    qsizetype i = 0;
    while (i < format.size() && format[i].toLower() != QLatin1Char('h'))
        ++i;
    while (i < format.size() && format[i].toLower() == QLatin1Char('h'))
        ++i;
    QString sep;
    for (; i < format.size() && format[i] != QLatin1Char('m'); ++i) {
        if (format[i] != QLatin1Char('\''))
            sep += format[i];
    }
    return sep.isEmpty() || i == format.size() ? QStringLiteral(":") : sep;
}
