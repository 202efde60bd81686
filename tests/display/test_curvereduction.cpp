// The reduced curves against the reference picture (every visible sample drawn as its own
// segment) on random recordings: identical images at every compression.
#include "plotcanvas.h"
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

// Columns of a random curve, one pixel apart from x = 10, some with a vertical.
std::vector<PlotCanvas::CurveColumn> randomColumns(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<PlotCanvas::CurveColumn> columns(static_cast<size_t>(count));
    int y = 60;
    for (int i = 0; i < count; ++i) {
        PlotCanvas::CurveColumn &c = columns[size_t(i)];
        y = std::clamp(y + int(rng() % 15) - 7, 5, 115);
        c.x = 10 + i;
        c.vertical = rng() % 6 != 0;
        const int spread = c.vertical ? int(rng() % 30) : 0;
        c.top = std::max(2, y - int(rng() % (spread + 1)));
        c.bottom = std::min(118, y + int(rng() % (spread + 1)));
        auto inside = [&] { return c.top + int(rng() % unsigned(c.bottom - c.top + 1)); };
        c.first = inside();
        c.last = c.vertical ? inside() : c.first;
    }
    return columns;
}

QImage drawColumns(const std::vector<PlotCanvas::CurveColumn> &columns, const QTransform &t,
                   bool lineByLine)
{
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(t);
    PlotCanvas canvas(painter);
    canvas.setPen(QColor(0, 0, 255), 2);
    if (!lineByLine) {
        canvas.drawCurveColumns(columns.data(), int(columns.size()));
        return image;
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        const PlotCanvas::CurveColumn &c = columns[i];
        if (i == 0)
            canvas.moveTo(c.x, c.first);
        else
            canvas.lineTo(c.x, c.first);
        if (c.vertical) {
            canvas.moveTo(c.x, c.top);
            canvas.lineTo(c.x, c.bottom);
            canvas.moveTo(c.x, c.last);
        }
    }
    return image;
}

} // namespace

class TestCurveReduction : public QObject
{
    Q_OBJECT

private slots:
    // The reduced drawing leaves out a line between neighbouring columns when the verticals
    // around it cover every pixel it could touch; this pins where the painter puts those
    // pixels.
    void wideLineBetweenNeighbourColumnsStaysInItsBox()
    {
        for (int dy = -300; dy <= 300; ++dy) {
            QImage image(12, 700, QImage::Format_RGB32);
            image.fill(Qt::white);
            const int x = 5, a = 350, b = a + dy;
            {
                QPainter painter(&image);
                PlotCanvas canvas(painter);
                canvas.setPen(QColor(255, 0, 0), 2);
                canvas.moveTo(x - 1, a);
                canvas.lineTo(x, b);
            }
            QRect box;
            for (int py = 0; py < image.height(); ++py)
                for (int px = 0; px < image.width(); ++px)
                    if (image.pixel(px, py) != 0xffffffffu)
                        box |= QRect(px, py, 1, 1);
            const QRect allowed(QPoint(x - 2, std::min(a, b) - 1), QPoint(x, std::max(a, b)));
            QVERIFY2(!box.isEmpty() && allowed.contains(box),
                     qPrintable(QStringLiteral("dy %1").arg(dy)));
        }
    }

    void curveColumnsEqualTheirLines_data()
    {
        QTest::addColumn<QTransform>("transform");
        QTest::newRow("device pixels") << QTransform();
        QTest::newRow("moved by whole pixels") << QTransform::fromTranslate(7, -3);
        QTest::newRow("moved by half a pixel") << QTransform::fromTranslate(0.5, 0.5);
        QTest::newRow("scaled") << QTransform::fromScale(2, 2);
    }
    void curveColumnsEqualTheirLines()
    {
        QFETCH(QTransform, transform);
        for (unsigned seed = 1; seed <= 20; ++seed) {
            const auto columns = randomColumns(130, seed);
            const QImage reduced = drawColumns(columns, transform, false);
            const QImage reference = drawColumns(columns, transform, true);
            QCOMPARE(differingPixels(reduced, reference), 0);
        }
    }

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
