// The reduced curves against the reference picture (every visible sample drawn as its own
// segment) on random recordings: identical images at every compression.
#include "plotfixture.h"
#include "plotgeometry.h"

#include <QTest>
#include <random>

namespace {

// Random walks with not-a-number samples, values pinned beyond either edge, flat runs and
// flagged samples; with levels, every value is one of three, so that equal neighbours and
// repeated extremes abound.
void randomRecording(int count, unsigned seed, bool levels)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> step(-1, 1);
    float walk[10] = {0.2f, 0.1f, 0.3f, 0.6f, 0, 0, 0, 0, 0, 0};
    const float scale[10] = {0.02f, 0.02f, 0.02f, 0.05f, 0.3f, 0.3f, 0.3f, 30, 30, 30};
    enterRecording(count, true, 100, [&](SAMPLE_TYPE &s, int) {
        const bool flat = rng() % 8 == 0;
        for (int k = 0; k < 10; ++k) {
            if (!flat)
                walk[k] += step(rng) * scale[k];
            float v = levels ? scale[k] * 10 * float(int(rng() % 3) - 1) : walk[k];
            const unsigned r = rng() % 200;
            if (r == 0)
                v = NAN;
            else if (r == 1)
                v = 1e6f;
            else if (r == 2)
                v = -1e6f;
            if (k < 4)
                s.Nirs_Ave[k] = v;
            else if (k < 7)
                s.Acc[k - 4] = v;
            else
                s.Gyr[k - 7] = v;
        }
        if (rng() % 50 == 0)
            s.Status = STATUS_FILE_ERROR | STATUS_REPEATED;
    });
    DataInfo[0].Log_Range[0] = 2;
    DataInfo[0].Log_Range[1] = 125;
}

int differingPixels(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

class TestCurveReduction : public QObject
{
    Q_OBJECT

private slots:
    void reducedEqualsEverySample_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("spp");
        QTest::addColumn<int>("scroll");
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("amp");
        QTest::addColumn<bool>("levels");
        const int max = (100000 + 559) / 560; // ceil(count / PlotWidth)
        QTest::newRow("1 per pixel") << 3000 << 1 << 100 << SENSOR_GYROSCOPE << 0 << 2 << false;
        QTest::newRow("2") << 5000 << 2 << 0 << SENSOR_ACCELEROMETER << 0 << 2 << false;
        QTest::newRow("3 scrolled") << 5000 << 3 << 17 << SENSOR_GYROSCOPE << -30 << 4 << false;
        QTest::newRow("3 levels") << 3000 << 3 << 0 << SENSOR_GYROSCOPE << 0 << 2 << true;
        QTest::newRow("5 levels") << 5000 << 5 << 3 << SENSOR_ACCELEROMETER << 0 << 3 << true;
        QTest::newRow("7 short tail") << 2000 << 7 << 5 << SENSOR_ACCELEROMETER << 20 << 1 << false;
        QTest::newRow("50") << 40000 << 50 << 333 << SENSOR_GYROSCOPE << 0 << 6 << false;
        QTest::newRow("max") << 100000 << max << 0 << SENSOR_GYROSCOPE << 0 << 2 << false;
        QTest::newRow("max levels") << 100000 << max << 0 << SENSOR_GYROSCOPE << 0 << 2 << true;
        QTest::newRow("max, x0.25") << 100000 << max << 0 << SENSOR_NONE << -100 << 0 << false;
    }
    void reducedEqualsEverySample()
    {
        QFETCH(int, count);
        QFETCH(int, spp);
        QFETCH(int, scroll);
        QFETCH(int, sensor);
        QFETCH(int, offset);
        QFETCH(int, amp);
        QFETCH(bool, levels);
        for (unsigned seed = 1; seed <= 3; ++seed) {
            randomRecording(count, seed * 7919u + unsigned(spp), levels);
            WinInfo[0].SamplesPerPixel = spp;
            WinInfo[0].Offset = offset;
            WinInfo[0].TimeGrid = CalcTimeGrid(0);
            TrendPlotControls c;
            c.ampIndex = amp;
            c.sensorIndex = sensor;
            c.scrollVisible = scroll > 0;
            c.scrollPosition = scroll;
            const QSize size(600, 420);
            const QImage reduced = renderPlot(size, c, CurveDrawing::Reduced);
            const QImage reference = renderPlot(size, c, CurveDrawing::EverySample);
            QCOMPARE(differingPixels(reduced, reference), 0);
            // The curves are really there: a good part of the surface is coloured.
            int white = 0;
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    white += reduced.pixel(x, y) == 0xffffffffu;
            QVERIFY(white < size.width() * size.height() * 95 / 100);
        }
    }
};

QTEST_MAIN(TestCurveReduction)
#include "test_curvereduction.moc"
