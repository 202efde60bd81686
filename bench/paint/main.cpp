// Benchmark of the trend plot paint: a 1880 x 950 surface showing a 720000-sample recording
// with all four series and the gyroscope plot, at the compression that fits it whole, drawn
// with the reduced curves and with every sample as its own segment, and the same window at
// one sample per pixel. Runs alternate; medians are reported side by side.
#include "displaystate.h"
#include "store.h"
#include "trendplotpaint.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int WIDTH = 1880;
constexpr int HEIGHT = 950;
constexpr int COUNT = SAMPLE_MAX;
constexpr int RATE_MS = 100;

QFont surfaceFont()
{
    QFont tahoma(QStringLiteral("Tahoma"), 8);
    if (QFontInfo(tahoma).family().compare(QStringLiteral("Tahoma"), Qt::CaseInsensitive) == 0)
        return tahoma;
    QFont sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    sans.setPointSize(8);
    return sans;
}

// A day-long-like recording: slow waves, noise, a few not-a-number samples and spikes.
void fillRecording()
{
    ResetStore();
    ResetDisplayState();
    DATA_INFO_TYPE &info = DataInfo[0];
    ClearInfo(info);
    info.Enable = true;
    info.DeviceType = DEVICE_VM731;
    info.NumCH = 1;
    info.Ex_count = COUNT;
    info.Log_Rate = RATE_MS;
    info.Log_Range[0] = 2;
    info.Log_Range[1] = 250;
    info.Rev2 = true;
    info.Log_start = encodeDateTime({2024, 5, 1, 9, 30, 0, 0});
    std::mt19937 rng(1);
    std::normal_distribution<float> noise(0, 1);
    for (int i = 0; i < COUNT; ++i) {
        SAMPLE_TYPE &s = SampleData[0][i];
        const double t = i * RATE_MS / 1000.0;
        s.Seq = i;
        s.Time = msToDays(double(i) * RATE_MS);
        s.Nirs_Ave[0] = float(0.1 + 0.04 * std::sin(t / 300) + 0.004 * noise(rng));
        s.Nirs_Ave[1] = float(0.05 + 0.02 * std::cos(t / 500) + 0.004 * noise(rng));
        s.Nirs_Ave[2] = float(0.2 + 0.05 * std::sin(t / 900) + 0.004 * noise(rng));
        s.Nirs_Ave[3] =
            i % 5000 == 7 ? NAN : float(0.65 + 0.1 * std::sin(t / 700) + 0.01 * noise(rng));
        for (int k = 0; k < 3; ++k)
            s.Gyr[k] = float(60 * std::sin(t / (20 + 7 * k)) + 20 * noise(rng));
        if (i % 20000 == 3)
            s.Gyr[0] = 5000; // beyond the range: pinned
    }
    ClearEventList(0);
    for (int e = 1; e < 40; ++e)
        AddEvent(0, e * 17000);
    WinInfo[0].DataNo = 0;
    WinInfo[0].Offset = 0;
    WindowCount = 1;
    for (bool &v : DataVisible)
        v = true;
}

struct Case
{
    const char *name;
    int samplesPerPixel;
    CurveDrawing drawing;
    std::vector<double> ms;
    QImage last;
};

double paintOnce(Case &c, QImage &image, const TrendPlotControls &controls)
{
    WinInfo[0].SamplesPerPixel = c.samplesPerPixel;
    WinInfo[0].TimeGrid = CalcTimeGrid(0);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(surfaceFont());
    QElapsedTimer timer;
    timer.start();
    paintTrendPlot(painter, image.size(), 0, controls, c.drawing);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    painter.end();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long differing(const QImage &a, const QImage &b)
{
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, atoi(argv[1])) : 7;
    fillRecording();
    const int plotWidth = WIDTH - 40;
    // What the layout sets for a recording longer than the plot: Ex_count / PlotWidth, rounded up.
    const int maxSpp = COUNT / plotWidth + (COUNT % plotWidth != 0 ? 1 : 0);
    WinInfo[0].MaxSamplesPerPixel = maxSpp;
    TrendPlotControls controls;
    controls.ampIndex = 2;
    controls.sensorIndex = 2; // Gyroscope
    controls.scrollVisible = true;
    controls.scrollPosition = 0;

    Case cases[3] = {{"reduced, max compression", maxSpp, CurveDrawing::Reduced, {}, {}},
                     {"every sample, max compression", maxSpp, CurveDrawing::EverySample, {}, {}},
                     {"one sample per pixel", 1, CurveDrawing::Reduced, {}, {}}};
    QImage image(WIDTH, HEIGHT, QImage::Format_RGB32);
    for (Case &c : cases) // warm-up: page in the samples, load the glyphs
        paintOnce(c, image, controls);
    for (int r = 0; r < runs; ++r) {
        for (Case &c : cases) {
            c.ms.push_back(paintOnce(c, image, controls));
            c.last = image.copy();
        }
    }
    std::printf("surface %dx%d, %d samples, MaxSamplesPerPixel %d, %d runs each (alternating)\n",
                WIDTH, HEIGHT, COUNT, maxSpp, runs);
    for (const Case &c : cases)
        std::printf("  %-32s median %9.2f ms  (min %.2f, max %.2f)\n", c.name, median(c.ms),
                    *std::min_element(c.ms.begin(), c.ms.end()),
                    *std::max_element(c.ms.begin(), c.ms.end()));
    const double reduced = median(cases[0].ms), every = median(cases[1].ms),
                 floor = median(cases[2].ms);
    std::printf("every sample / reduced: %.1fx (goal >= 40x)\n", every / reduced);
    std::printf("reduced / one per pixel: %.2fx (goal <= 4x)\n", reduced / floor);
    const long diff = differing(cases[0].last, cases[1].last);
    std::printf("differing pixels, reduced vs every sample: %ld\n", diff);
    return diff == 0 ? 0 : 1;
}
