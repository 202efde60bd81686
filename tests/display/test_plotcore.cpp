// Pure cores of the trend plot: layout, scales, value mapping, label texts, time labels and
// the column reduction.
#include "columnreduce.h"
#include "plotgeometry.h"

#include <QTest>
#include <array>
#include <random>

class TestPlotCore : public QObject
{
    Q_OBJECT

private slots:
    void layoutWithoutSensorPlot()
    {
        const PlotGeometry g = plotGeometry(600, 400, 13, false);
        QCOMPARE(g.PlotLeft, 20);
        QCOMPARE(g.PlotWidth, 560);
        QCOMPARE(g.PlotRight, 580);
        QCOMPARE(g.HbTop, 16);
        QCOMPARE(g.HbHeight, 368);
        QCOMPARE(g.HbBottom, 384);
        QVERIFY(!g.sensorShown);
    }

    void layoutWithSensorPlot()
    {
        const PlotGeometry g = plotGeometry(600, 400, 13, true);
        QVERIFY(g.sensorShown);
        QCOMPARE(g.SensorHeight, 117); // (400 - 48) div 3
        QCOMPARE(g.HbHeight, 235);
        QCOMPARE(g.HbBottom, 251);
        QCOMPARE(g.SensorTop, 267);
        QCOMPARE(g.SensorBottom, 384);
    }

    void sensorPlotDroppedWhenQuarterBelowTextHeight_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("shown");
        // text height 13: SensorHeight div 4 must reach 13, so SensorHeight >= 52, A >= 156.
        QTest::newRow("A 155") << 203 << false;
        QTest::newRow("A 156") << 204 << true;
        QTest::newRow("tiny") << 10 << false;
    }
    void sensorPlotDroppedWhenQuarterBelowTextHeight()
    {
        QFETCH(int, height);
        QFETCH(bool, shown);
        const PlotGeometry g = plotGeometry(300, height, 13, true);
        QCOMPARE(g.sensorShown, shown);
        if (!shown)
            QCOMPARE(g.HbBottom, height - 16);
    }

    void axisScaleHalvesPerStep()
    {
        const double expected[AMP_COUNT] = {4, 2, 1, 0.5, 0.25, 0.125, 0.0625};
        for (int i = 0; i < AMP_COUNT; ++i)
            QCOMPARE(axisScale(i), expected[i]);
    }

    void mapValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("y");
        // StO2 range 0..1 between 16 and 116.
        QTest::newRow("middle") << 0.5 << 66;
        QTest::newRow("top") << 1.0 << 16;
        QTest::newRow("bottom") << 0.0 << 116;
        QTest::newRow("above pinned") << 1.5 << 16;
        QTest::newRow("below pinned") << -0.2 << 116;
        QTest::newRow("nan bottom") << double(NAN) << 116;
        QTest::newRow("floor") << 0.333 << 82; // 16 + floor(66.7)
    }
    void mapValue()
    {
        QFETCH(double, value);
        QFETCH(int, y);
        QCOMPARE(::mapValue(value, sto2Range(0), 16, 116), y);
    }

    void hbRangeFollowsOffsetAndScale()
    {
        const ValueRange r = hbRange(-50, 0); // x0.25
        QCOMPARE(r.lo, -0.8);
        QCOMPARE(r.hi, 0.8);
        QCOMPARE(::mapValue(0.0, r, 0, 100), 50);
        const ValueRange s = sto2Range(10);
        QCOMPARE(s.lo, 0.1);
        QCOMPARE(s.hi, 1.1);
    }

    void gridLines_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("firstLeft");
        QTest::newRow("offset 0") << 0 << 5 << "25";
        QTest::newRow("offset -100") << -100 << 1 << "-75";
        QTest::newRow("offset 10") << 10 << 5 << "25";
        QTest::newRow("offset 100") << 100 << 9 << "125";
    }
    void gridLines()
    {
        QFETCH(int, offset);
        QFETCH(int, first);
        QFETCH(QString, firstLeft);
        QCOMPARE(gridFirstIndex(offset), first);
        QCOMPARE(sto2GridText(first), firstLeft);
    }

    void gridLineYMovesWithOffset()
    {
        const PlotGeometry g = plotGeometry(600, 432, 13, false); // HbHeight 400
        QCOMPARE(gridLineY(5, 0, g), 316);
        QCOMPARE(gridLineY(8, 0, g), 16);    // the top edge
        QCOMPARE(gridLineY(8, 10, g), 56);   // 100 % moves down by 10 % of the height
        QCOMPARE(gridLineY(4, -100, g), 16); // 0 % at the top
    }

    void hbLabels_data()
    {
        QTest::addColumn<int>("amp");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::newRow("x1 first") << 2 << 5 << "0.1";
        QTest::newRow("x1 third") << 2 << 7 << "0.3";
        QTest::newRow("x16 first") << 6 << 5 << "0.00625";
        QTest::newRow("x2 first") << 3 << 5 << "0.05";
        QTest::newRow("x0.25 first") << 0 << 5 << "0.4";
        QTest::newRow("x0.25 negative") << 0 << 1 << "-1.2";
        QTest::newRow("zero") << 4 << 4 << "0.000";
    }
    void hbLabels()
    {
        QFETCH(int, amp);
        QFETCH(int, index);
        QFETCH(QString, text);
        QCOMPARE(hbGridText(index, amp, QLocale::c()), text);
    }

    void labelsUseLocaleDecimalSeparator()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(hbGridText(5, 6, german), QStringLiteral("0,00625"));
        const int32_t range[2] = {2, 125};
        QCOMPARE(sensorQuarterText(SENSOR_GYROSCOPE, range, german), QStringLiteral("62,5"));
    }

    void sensorQuarterLabels_data()
    {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("acc");
        QTest::addColumn<int>("gyr");
        QTest::addColumn<QString>("text");
        QTest::newRow("gyro 125") << SENSOR_GYROSCOPE << 2 << 125 << "62.5";
        QTest::newRow("gyro 250") << SENSOR_GYROSCOPE << 2 << 250 << "125";
        QTest::newRow("acc 2") << SENSOR_ACCELEROMETER << 2 << 125 << "1";
        QTest::newRow("acc 3") << SENSOR_ACCELEROMETER << 3 << 125 << "1";
        QTest::newRow("acc 16") << SENSOR_ACCELEROMETER << 16 << 125 << "8";
    }
    void sensorQuarterLabels()
    {
        QFETCH(int, sensor);
        QFETCH(int, acc);
        QFETCH(int, gyr);
        QFETCH(QString, text);
        const int32_t range[2] = {acc, gyr};
        QCOMPARE(sensorQuarterText(sensor, range, QLocale::c()), text);
    }

    void timeGridPositions()
    {
        QCOMPARE(firstGridTime(0, 10000), 10000);
        QCOMPARE(firstGridTime(10000, 10000), 20000);
        QCOMPARE(firstGridTime(12345, 10000), 20000);
        // 100 ms samples, 3 per column, first visible sample 30 (3 s).
        QCOMPARE(timeToX(10000, 100, 30, 3), 20 + 23);
        // Whole-recording spans overflow 32 bits: 5000 ms x 720000 samples.
        QCOMPARE(timeToX(int64_t(5000) * 700000, 5000, 0, 400), 20 + 1750);
    }

    void timeTexts_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("clock");
        QTest::newRow("10 s") << qint64(10000) << "0:00:10"
                              << "9:30:10";
        QTest::newRow("ms dropped") << qint64(65999) << "0:01:05"
                                    << "9:31:05";
        QTest::newRow("hours") << qint64(3723000) << "1:02:03"
                               << "10:32:03";
        QTest::newRow("over a day") << qint64(90000000) << "25:00:00"
                                    << "10:30:00";
    }
    void timeTexts()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, elapsed);
        QFETCH(QString, clock);
        const TDateTime start = encodeDateTime({2024, 5, 1, 9, 30, 0, 0});
        QCOMPARE(elapsedTimeText(ms, QLocale::c()), elapsed);
        QCOMPARE(clockTimeText(start, ms, QLocale::c()), clock);
    }

    void timeSeparatorOfLocale()
    {
        QCOMPARE(timeSeparator(QLocale::c()), QStringLiteral(":"));
        const QLocale finnish(QLocale::Finnish, QLocale::Finland);
        QCOMPARE(timeSeparator(finnish), QStringLiteral("."));
        QCOMPARE(elapsedTimeText(3723000, finnish), QStringLiteral("1.02.03"));
    }

    void reductionGivesLowestAndHighestOfEachColumn()
    {
        // Lane 0 as in the comments, lane 1 its negation, lane 2 constant, lane 3 all NaN.
        const std::vector<float> v = {5, 1, 9, 3, /**/ 2, 2, 2, 2, /**/ NAN, 4, -7, 8, /**/ 6};
        std::vector<ColumnValues<1>> out;
        reduceColumns<1>(
            int(v.size()), 4,
            [&](int i, FloatLanes *lanes) {
                lanes[0] = FloatLanes{v[i], -v[i], 0.5f, NAN};
            },
            out);
        QCOMPARE(out.size(), size_t(4));
        // Column 0: 1..9. Column 1: constant. Column 2: NaN is the lowest. Column 3: one sample.
        const float lowest[4] = {1, 2, -INFINITY, 6}, highest[4] = {9, 2, 8, 6};
        const float negLowest[4] = {-9, -2, -INFINITY, -6}, negHighest[4] = {-1, -2, 7, -6};
        for (size_t c = 0; c < out.size(); ++c) {
            QCOMPARE(out[c].lowest[0][0], lowest[c]);
            QCOMPARE(out[c].highest[0][0], highest[c]);
            QCOMPARE(out[c].lowest[0][1], negLowest[c]);
            QCOMPARE(out[c].highest[0][1], negHighest[c]);
            QCOMPARE(out[c].lowest[0][2], 0.5f);
            QCOMPARE(out[c].highest[0][2], 0.5f);
            QCOMPARE(out[c].lowest[0][3], -INFINITY);
            QCOMPARE(out[c].highest[0][3], -INFINITY);
        }
    }

    void reductionMatchesBruteForcePerLane()
    {
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> d(-1, 1);
        constexpr int lanes = 8;
        for (int round = 0; round < 50; ++round) {
            const int n = 1 + int(rng() % 500), spp = 1 + int(rng() % 40);
            std::vector<std::array<float, lanes>> v(static_cast<size_t>(n));
            for (auto &s : v) {
                for (float &x : s) {
                    const unsigned r = rng() % 20;
                    x = r == 0   ? NAN
                        : r == 1 ? INFINITY
                        : r == 2 ? -INFINITY
                                 : float(int(d(rng) * 4)) / 4; // ties abound
                }
            }
            std::vector<ColumnValues<2>> out;
            reduceColumns<2>(
                n, spp,
                [&](int i, FloatLanes *group) {
                    for (int g = 0; g < 2; ++g)
                        for (int k = 0; k < 4; ++k)
                            group[g][k] = v[size_t(i)][size_t(g * 4 + k)];
                },
                out);
            QCOMPARE(int(out.size()), (n + spp - 1) / spp);
            for (int c = 0; c * spp < n; ++c) {
                const int lo = c * spp, hi = std::min(n, lo + spp);
                for (int l = 0; l < lanes; ++l) {
                    float low = reductionKey(v[size_t(lo)][size_t(l)]), high = low;
                    for (int i = lo; i < hi; ++i) {
                        low = std::min(low, reductionKey(v[size_t(i)][size_t(l)]));
                        high = std::max(high, reductionKey(v[size_t(i)][size_t(l)]));
                    }
                    QCOMPARE(out[size_t(c)].lowest[l / 4][l % 4], low);
                    QCOMPARE(out[size_t(c)].highest[l / 4][l % 4], high);
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPlotCore)
#include "test_plotcore.moc"
