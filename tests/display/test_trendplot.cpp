// The trend plot as drawn: pixels probed at the places the geometry gives (grid, labels,
// frames, sensor plot, time grid, curves, cursor and readout, event marks).
#include "plotcanvas.h"
#include "plotfixture.h"
#include "plotgeometry.h"

#include <QTest>

namespace {

const QColor SILVER(192, 192, 192);
const QColor GREY(128, 128, 128);
const QColor DARK_GREY(64, 64, 64);
const QColor RED(255, 0, 0);
const QColor BLUE(0, 0, 255);
const QColor GREEN(0, 128, 0);
const QColor PURPLE(128, 0, 128);
const QColor CURSOR(0, 255, 0);
const QColor TEAL(0, 128, 128);

int textHeight()
{
    return QFontMetrics(surfaceFont()).height();
}

int textWidth(const QString &text)
{
    return QFontMetrics(surfaceFont()).horizontalAdvance(text);
}

QColor at(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

int countColour(const QImage &image, const QRect &rect, const QColor &colour)
{
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// True when, inside the cell of text at top-left (x, y), exactly the pixels that the text
// drawn alone on white would colour have its colour (lines under the text may show through
// between the glyphs), and the text shows at least one pixel.
bool textAt(const QImage &image, int x, int y, const QString &text, const QColor &colour)
{
    QImage alone(image.size(), QImage::Format_RGB32);
    alone.fill(Qt::white);
    {
        QPainter painter(&alone);
        painter.setFont(surfaceFont());
        PlotCanvas canvas(painter);
        canvas.setFontColor(colour);
        canvas.textOut(x, y, text);
    }
    const QRect cell(x, y, textWidth(text), textHeight());
    if (countColour(alone, cell, colour) == 0)
        return false;
    for (int py = cell.top(); py <= cell.bottom(); ++py)
        for (int px = cell.left(); px <= cell.right(); ++px)
            if ((image.pixelColor(px, py) == colour) != (alone.pixelColor(px, py) == colour))
                return false;
    return true;
}

TrendPlotControls controls(int amp = AMP_X1, int sensor = SENSOR_NONE)
{
    TrendPlotControls c;
    c.ampIndex = amp;
    c.sensorIndex = sensor;
    c.locale = QLocale::c();
    return c;
}

void constantSeries(SAMPLE_TYPE &s, float oxhb, float dxhb, float tohb, float sto2)
{
    s.Nirs_Ave[0] = oxhb;
    s.Nirs_Ave[1] = dxhb;
    s.Nirs_Ave[2] = tohb;
    s.Nirs_Ave[3] = sto2;
}

// Surface 600 x 432 without sensor plot: Hb plot 20..580 x 16..416, height 400.
const QSize SURFACE(600, 432);
constexpr int LEFT = 20, RIGHT = 580, TOP = 16, BOTTOM = 416;

} // namespace

class TestTrendPlot : public QObject
{
    Q_OBJECT

private slots:
    void emptyWindowDrawsNothing()
    {
        enterRecording(10, true);
        WinInfo[0].DataNo = -1;
        TrendPlotResult r;
        const QImage image = renderPlot(SURFACE, controls(), CurveDrawing::Reduced, &r);
        QCOMPARE(countColour(image, image.rect(), Qt::white), 600 * 432);
        QCOMPARE(r.readout, ReadoutRequest::Leave);
    }

    void gridLinesAndLabelsAtOffsetZero()
    {
        enterRecording(0, true);
        CursorWindow = 0;
        CursorIndex = 5;
        TrendPlotResult r;
        const QImage image = renderPlot(SURFACE, controls(), CurveDrawing::Reduced, &r);
        QCOMPARE(r.readout, ReadoutRequest::Leave); // no samples: the readout is not touched
        const int th = textHeight();
        const int ys[3] = {316, 216, 116};
        const char *left[3] = {"25", "50", "75"};
        const char *right[3] = {"0.1", "0.2", "0.3"};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(at(image, LEFT + 1, ys[k]), SILVER);
            QCOMPARE(at(image, RIGHT - 1, ys[k]), SILVER);
            QCOMPARE(at(image, 300, ys[k] + 1), QColor(Qt::white));
            QVERIFY(textAt(image, LEFT + 5, ys[k] - th - 1, left[k], GREY));
            const QString hb = QString::fromLatin1(right[k]);
            QVERIFY(textAt(image, RIGHT - textWidth(hb) - 2, ys[k] - th - 1, hb, GREY));
        }
        // The 100 % / 0.4 mM line is the top edge: no labels in the band above it; the
        // bottom edge has no grid line of its own.
        QCOMPARE(countColour(image, QRect(0, 0, 600, TOP), GREY), 0);
        QCOMPARE(countColour(image, QRect(LEFT + 1, TOP + 1, 559, BOTTOM - TOP - 1), SILVER),
                 3 * 559);
        // No samples: no time lines.
        QCOMPARE(countColour(image, QRect(LEFT + 1, 300, 559, 1), SILVER), 0);
    }

    void rightLabelDecimals_data()
    {
        QTest::addColumn<int>("amp");
        QTest::addColumn<QString>("first");
        QTest::newRow("x16") << 6 << "0.00625";
        QTest::newRow("x2") << 3 << "0.05";
        QTest::newRow("x0.25") << 0 << "0.4";
    }
    void rightLabelDecimals()
    {
        QFETCH(int, amp);
        QFETCH(QString, first);
        enterRecording(0, true);
        const QImage image = renderPlot(SURFACE, controls(amp));
        QVERIFY(textAt(image, RIGHT - textWidth(first) - 2, 316 - textHeight() - 1, first, GREY));
    }

    void labelsFollowLocale()
    {
        enterRecording(0, true);
        TrendPlotControls c = controls(6);
        c.locale = QLocale(QLocale::German, QLocale::Germany);
        const QImage image = renderPlot(SURFACE, c);
        const QString first = QStringLiteral("0,00625");
        QVERIFY(textAt(image, RIGHT - textWidth(first) - 2, 316 - textHeight() - 1, first, GREY));
    }

    void gridFollowsOffset_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QList<int>>("ys");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("right");
        QTest::newRow("-100") << -100 << QList<int>{316, 216, 116, 16}
                              << QStringList{"-75", "-50", "-25", ""}
                              << QStringList{"-0.3", "-0.2", "-0.1", ""};
        QTest::newRow("10") << 10 << QList<int>{356, 256, 156, 56}
                            << QStringList{"25", "50", "75", "100"}
                            << QStringList{"0.1", "0.2", "0.3", "0.4"};
        // 100 % lies 20 pixels below the top: not more than 20, so no labels.
        QTest::newRow("5") << 5 << QList<int>{336, 236, 136, 36}
                           << QStringList{"25", "50", "75", ""}
                           << QStringList{"0.1", "0.2", "0.3", ""};
    }
    void gridFollowsOffset()
    {
        QFETCH(int, offset);
        QFETCH(QList<int>, ys);
        QFETCH(QStringList, left);
        QFETCH(QStringList, right);
        enterRecording(0, true);
        WinInfo[0].Offset = offset;
        const QImage image = renderPlot(SURFACE, controls());
        const int th = textHeight();
        for (int k = 0; k < 4; ++k) {
            const QColor line = ys[k] == TOP ? DARK_GREY : SILVER;
            QCOMPARE(at(image, 300, ys[k]), line);
            const QRect band(LEFT + 1, ys[k] - th - 1, 558, th);
            if (left[k].isEmpty()) {
                QCOMPARE(countColour(image, band, GREY), 0);
                continue;
            }
            QVERIFY(textAt(image, LEFT + 5, ys[k] - th - 1, left[k], GREY));
            QVERIFY(textAt(image, RIGHT - textWidth(right[k]) - 2, ys[k] - th - 1, right[k], GREY));
        }
    }

    void hbFrameAndUnits()
    {
        enterRecording(0, true);
        const QImage image = renderPlot(SURFACE, controls());
        for (int y = TOP; y <= BOTTOM; ++y) {
            QCOMPARE(at(image, LEFT, y), DARK_GREY);
            QCOMPARE(at(image, RIGHT, y), DARK_GREY);
        }
        for (int x = LEFT; x <= RIGHT; ++x) {
            QCOMPARE(at(image, x, TOP), DARK_GREY);
            QCOMPARE(at(image, x, BOTTOM), DARK_GREY);
        }
        QCOMPARE(at(image, LEFT - 1, 200), QColor(Qt::white));
        QCOMPARE(at(image, RIGHT + 1, 200), QColor(Qt::white));
        QCOMPARE(at(image, 300, BOTTOM + 1), QColor(Qt::white));
        const int th = textHeight();
        QVERIFY(textAt(image, LEFT + 5, TOP - th - 1, QStringLiteral("[%]"), DARK_GREY));
        QVERIFY(textAt(image, RIGHT - textWidth(QStringLiteral("[mM]")), TOP - th - 1,
                       QStringLiteral("[mM]"), DARK_GREY));
    }

    void sensorPlotFrameLabelsAndUnits_data()
    {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("acc");
        QTest::addColumn<int>("gyr");
        QTest::addColumn<QString>("quarter");
        QTest::addColumn<QString>("unit");
        QTest::newRow("gyroscope 125") << SENSOR_GYROSCOPE << 2 << 125 << "62.5"
                                       << "[deg/s]";
        QTest::newRow("accelerometer 2") << SENSOR_ACCELEROMETER << 2 << 125 << "1"
                                         << "[G]";
        QTest::newRow("accelerometer 3") << SENSOR_ACCELEROMETER << 3 << 125 << "1"
                                         << "[G]";
    }
    void sensorPlotFrameLabelsAndUnits()
    {
        QFETCH(int, sensor);
        QFETCH(int, acc);
        QFETCH(int, gyr);
        QFETCH(QString, quarter);
        QFETCH(QString, unit);
        enterRecording(0, true);
        DataInfo[0].Log_Range[0] = acc;
        DataInfo[0].Log_Range[1] = gyr;
        const QSize size(600, 400);
        const PlotGeometry g = plotGeometry(600, 400, textHeight(), true);
        QVERIFY(g.sensorShown);
        const QImage image = renderPlot(size, controls(AMP_X1, sensor));
        const int th = textHeight();
        QCOMPARE(at(image, 300, g.HbBottom), DARK_GREY);
        QCOMPARE(at(image, 300, g.HbBottom + 1), QColor(Qt::white));
        QCOMPARE(at(image, 300, g.SensorTop), DARK_GREY);
        QCOMPARE(at(image, 300, g.SensorBottom), DARK_GREY);
        QCOMPARE(at(image, LEFT, (g.SensorTop + g.SensorBottom) / 2 + 10), DARK_GREY);
        QCOMPARE(at(image, 300, (g.SensorTop + g.SensorBottom) / 2), DARK_GREY);
        const int upper = g.SensorTop + g.SensorHeight / 4;
        const int lower = g.SensorBottom - g.SensorHeight / 4;
        QCOMPARE(at(image, 300, upper), SILVER);
        QCOMPARE(at(image, 300, lower), SILVER);
        const QString plus = QLatin1Char('+') + quarter, minus = QLatin1Char('-') + quarter;
        QVERIFY(textAt(image, RIGHT - textWidth(plus), upper - th - 1, plus, GREY));
        QVERIFY(textAt(image, RIGHT - textWidth(minus), lower - th - 1, minus, GREY));
        int x = LEFT;
        const QString axes[3] = {"[X]", "[Y]", "[Z]"};
        const QColor colours[3] = {RED, BLUE, GREEN};
        for (int k = 0; k < 3; ++k) {
            QVERIFY(textAt(image, x, g.SensorBottom + 1, axes[k], colours[k]));
            x += textWidth(axes[k]);
        }
        QVERIFY(textAt(image, RIGHT - textWidth(unit), g.SensorBottom + 1, unit, DARK_GREY));
    }

    void sensorPlotDroppedWhenTooLow()
    {
        enterRecording(50, true, 100, [](SAMPLE_TYPE &s, int i) { s.Acc[0] = float(i % 3); });
        const int th = textHeight();
        const QSize low(600, 48 + 12 * th - 1); // SensorHeight div 4 = th - 1
        const QImage none = renderPlot(low, controls(AMP_X1, SENSOR_NONE));
        QCOMPARE(renderPlot(low, controls(AMP_X1, SENSOR_ACCELEROMETER)), none);
        QCOMPARE(at(none, 300, low.height() - 16), DARK_GREY);
        const QSize enough(600, 48 + 12 * th);
        QVERIFY(renderPlot(enough, controls(AMP_X1, SENSOR_ACCELEROMETER)) !=
                renderPlot(enough, controls(AMP_X1, SENSOR_NONE)));
    }

    void withoutRev2OnlyTohbAndSto2AndNoSensorPlot()
    {
        enterRecording(500, false, 100, [](SAMPLE_TYPE &s, int i) {
            constantSeries(s, 0.1f, 0.15f, 0.3f, 0.625f);
            s.Acc[0] = s.Gyr[0] = float(i % 2);
        });
        const QImage image = renderPlot(QSize(600, 400), controls(AMP_X1, SENSOR_ACCELEROMETER));
        QCOMPARE(countColour(image, image.rect(), RED), 0);
        QCOMPARE(countColour(image, image.rect(), BLUE), 0);
        QVERIFY(countColour(image, image.rect(), GREEN) > 400);
        QVERIFY(countColour(image, image.rect(), PURPLE) > 400);
        QCOMPARE(at(image, 300, 400 - 16), DARK_GREY); // Hb frame reaches down: no sensor plot
    }

    void curvesAtTheirValues()
    {
        enterRecording(600, true, 100,
                       [](SAMPLE_TYPE &s, int) { constantSeries(s, 0.1f, 0.15f, 0.3f, 0.625f); });
        const QImage image = renderPlot(SURFACE, controls());
        const int x = LEFT + 55; // clear of the time lines
        const ValueRange hb = hbRange(0, AMP_X1);
        const int yOx = mapValue(0.1f, hb, TOP, BOTTOM), yDx = mapValue(0.15f, hb, TOP, BOTTOM),
                  yTo = mapValue(0.3f, hb, TOP, BOTTOM);
        QCOMPARE(yOx, 315);
        const int ySt = 16 + 150; // (1 - 0.625) x 400
        // The width-2 pen covers the row of the point and the one above it.
        const std::pair<int, QColor> curves[4] = {
            {yOx, RED}, {yDx, BLUE}, {yTo, GREEN}, {ySt, PURPLE}};
        for (const auto &[y, colour] : curves) {
            QCOMPARE(at(image, x, y), colour);
            QCOMPARE(at(image, x, y - 1), colour);
            QVERIFY(at(image, x, y + 1) != colour);
            QVERIFY(at(image, x, y - 2) != colour);
        }
    }

    void pinnedAndNotANumberAtTheEdges_data()
    {
        QTest::addColumn<float>("sto2");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("y");
        QTest::newRow("above") << 1.5f << 0 << TOP;
        QTest::newRow("below") << -0.3f << 0 << BOTTOM;
        QTest::newRow("nan") << float(NAN) << 0 << BOTTOM;
        QTest::newRow("0.5 at offset -100") << 0.5f << -100 << TOP;
    }
    void pinnedAndNotANumberAtTheEdges()
    {
        QFETCH(float, sto2);
        QFETCH(int, offset);
        QFETCH(int, y);
        enterRecording(600, true, 100, [=](SAMPLE_TYPE &s, int) { s.Nirs_Ave[3] = sto2; });
        for (int k = 0; k < 3; ++k)
            DataVisible[k] = false;
        WinInfo[0].Offset = offset;
        const QImage image = renderPlot(SURFACE, controls());
        QCOMPARE(at(image, LEFT + 55, y), PURPLE);
        QCOMPARE(at(image, LEFT + 55, y - 1), PURPLE);
        QCOMPARE(countColour(image, QRect(LEFT + 55, TOP + 2, 1, BOTTOM - TOP - 4), PURPLE), 0);
    }

    void firstTimeLineAfterFirstVisibleSample()
    {
        enterRecording(2000, true);
        for (bool &v : DataVisible)
            v = false;
        const QImage image = renderPlot(SURFACE, controls());
        const int th = textHeight();
        // 100 ms samples, one per pixel, 10 s grid: lines every 100 columns from 10 s on.
        for (int x = LEFT + 100; x <= RIGHT; x += 100) {
            QCOMPARE(at(image, x, 200), SILVER);
            QCOMPARE(at(image, x, TOP), SILVER); // drawn over the frame
            QCOMPARE(at(image, x - 1, 200), QColor(Qt::white));
        }
        QCOMPARE(at(image, LEFT + 1, 200), QColor(Qt::white));
        const QString elapsed = QStringLiteral("0:00:10"), clock = QStringLiteral("9:30:10");
        QVERIFY(textAt(image, LEFT + 100 - textWidth(elapsed) / 2, BOTTOM - th - 1, elapsed, GREY));
        QVERIFY(textAt(image, LEFT + 100 - textWidth(clock) / 2, TOP + 1, clock, GREY));
    }

    void timeLinesFollowScrollAndContinuePastTheData()
    {
        enterRecording(100, true); // 10 s in a 560-pixel plot
        for (bool &v : DataVisible)
            v = false;
        TrendPlotControls c = controls();
        c.scrollVisible = true;
        c.scrollPosition = 50; // 5 s: the first line at 10 s lies 50 columns in
        const QImage image = renderPlot(SURFACE, c);
        for (int x = LEFT + 50; x <= RIGHT; x += 100)
            QCOMPARE(at(image, x, 200), SILVER);
        QCOMPARE(at(image, LEFT + 150, 200), SILVER);
        QCOMPARE(at(image, RIGHT, 200), DARK_GREY);
    }

    void timeLabelsStayInsideTheFrame()
    {
        // A line at the right edge (x = PlotRight) gets no labels; a clock label wider than
        // its elapsed label, near the left edge, is moved to PlotLeft + 1.
        enterRecording(2000, true);
        DataInfo[0].Log_start = encodeDateTime({2024, 5, 1, 19, 30, 0, 0});
        for (bool &v : DataVisible)
            v = false;
        const QString elapsed = QStringLiteral("0:00:10"), clock = QStringLiteral("19:30:10");
        QVERIFY(textWidth(clock) / 2 > textWidth(elapsed) / 2 + 1);
        TrendPlotControls c = controls();
        c.scrollVisible = true;
        c.scrollPosition = 100 - textWidth(elapsed) / 2 - 1; // first line at tw div 2 + 1
        const QImage image = renderPlot(QSize(620, 432), c);
        const int th = textHeight();
        const int x = LEFT + textWidth(elapsed) / 2 + 1;
        QCOMPARE(at(image, x, 200), SILVER);
        QVERIFY(textAt(image, x - textWidth(elapsed) / 2, BOTTOM - th - 1, elapsed, GREY));
        QVERIFY(textAt(image, LEFT + 1, TOP + 1, clock, GREY));

        enterRecording(2000, true);
        for (bool &v : DataVisible)
            v = false;
        const QImage edge = renderPlot(QSize(640, 432), controls()); // a line at 60 s = 620
        QCOMPARE(at(edge, 620, 200), SILVER);
        QCOMPARE(at(edge, 520, 200), SILVER);
        QCOMPARE(countColour(edge, QRect(590, BOTTOM - th - 1, 50, th), GREY), 0);
        QCOMPARE(countColour(edge, QRect(570, TOP + 1, 70, th), GREY), 0);
    }

    void eventMarks_data()
    {
        QTest::addColumn<int>("spp");
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("x"); // -1: not marked
        QTest::newRow("at J") << 1 << 50 << -1;
        QTest::newRow("at J+1") << 1 << 51 << LEFT + 1;
        QTest::newRow("compressed") << 3 << 55 << LEFT + 1;
        QTest::newRow("last column") << 3 << 50 + 3 * 560 - 1 << RIGHT - 1;
        QTest::newRow("past the plot") << 3 << 50 + 3 * 560 << -1;
    }
    void eventMarks()
    {
        QFETCH(int, spp);
        QFETCH(int, event);
        QFETCH(int, x);
        enterRecording(3000, true);
        for (bool &v : DataVisible)
            v = false;
        WinInfo[0].SamplesPerPixel = spp;
        WinInfo[0].TimeGrid = 1000000; // no time lines in view
        AddEvent(0, event);
        TrendPlotControls c = controls(AMP_X1, SENSOR_GYROSCOPE);
        c.scrollVisible = true;
        c.scrollPosition = 50;
        const QSize size(600, 400);
        const PlotGeometry g = plotGeometry(600, 400, textHeight(), true);
        const QImage image = renderPlot(size, c);
        const int teal = countColour(image, image.rect(), TEAL);
        if (x < 0) {
            QCOMPARE(teal, 0);
            return;
        }
        QCOMPARE(at(image, x, g.HbTop), TEAL);
        QCOMPARE(at(image, x, g.HbBottom - 1), TEAL);
        QCOMPARE(at(image, x, g.HbBottom), DARK_GREY);
        QCOMPARE(at(image, x, g.SensorTop + 1), TEAL);
        QCOMPARE(at(image, x, g.SensorBottom - 1), TEAL);
        QVERIFY(textAt(image, x - 2, g.HbBottom + 3, QStringLiteral("E"), TEAL));
    }

    void cursorAndReadout_data()
    {
        QTest::addColumn<int>("cursorWindow");
        QTest::addColumn<int>("cursorIndex");
        QTest::addColumn<int>("spp");
        QTest::addColumn<int>("readout");
        QTest::newRow("shown") << 0 << 60 << 1 << int(ReadoutRequest::Show);
        QTest::newRow("compressed x3 hides") << 0 << 60 << 3 << int(ReadoutRequest::Hide);
        QTest::newRow("at J hides") << 0 << 50 << 1 << int(ReadoutRequest::Hide);
        QTest::newRow("past the plot") << 0 << 50 + 560 << 1 << int(ReadoutRequest::Hide);
        QTest::newRow("past the data") << 0 << 400 << 1 << int(ReadoutRequest::Hide);
        QTest::newRow("no cursor hides") << -1 << -1 << 1 << int(ReadoutRequest::Hide);
        QTest::newRow("other window's") << 1 << 60 << 1 << int(ReadoutRequest::Leave);
    }
    void cursorAndReadout()
    {
        QFETCH(int, cursorWindow);
        QFETCH(int, cursorIndex);
        QFETCH(int, spp);
        QFETCH(int, readout);
        enterRecording(400, true);
        WinInfo[0].SamplesPerPixel = spp;
        CursorWindow = cursorWindow;
        CursorIndex = cursorIndex;
        TrendPlotControls c = controls();
        c.scrollVisible = true;
        c.scrollPosition = 50;
        TrendPlotResult r;
        const QImage image = renderPlot(SURFACE, c, CurveDrawing::Reduced, &r);
        QCOMPARE(int(r.readout), readout);
        if (r.readout != ReadoutRequest::Show) {
            QCOMPARE(countColour(image, image.rect(), CURSOR), 0);
            return;
        }
        QCOMPARE(r.sampleIndex, cursorIndex);
        const int x = LEFT + cursorIndex - 50;
        QCOMPARE(countColour(image, QRect(x, TOP, 1, BOTTOM - TOP), CURSOR), BOTTOM - TOP);
        QVERIFY(at(image, x, BOTTOM) != CURSOR); // the end point is not drawn
        QCOMPARE(countColour(image, image.rect(), CURSOR), BOTTOM - TOP);
    }
};

QTEST_MAIN(TestTrendPlot)
#include "test_trendplot.moc"
