// Slot choice, entering a measurement, averaging, time grid and date-times of the store.
#include "headlesswindow.h"
#include "store.h"

#include <QRandomGenerator>
#include <QTest>

class TestStore : public QObject
{
    Q_OBJECT

    HeadlessWindow win;

    void enterSamples(int slot, std::initializer_list<float> values)
    {
        int k = 0;
        for (const float v : values) {
            SampleData[slot][k].Seq = k;
            for (float &n : SampleData[slot][k].Nirs)
                n = v;
            ++k;
        }
        DataInfo[slot].Ex_count = k;
    }

    void enter(const char *name, int rate, int type = DEVICE_VM731)
    {
        QVERIFY(SetFreeNo());
        ClearInfo(NewInfo[0]);
        NewInfo[0].DeviceType = type;
        setDeviceName(NewInfo[0], QString::fromLatin1(name));
        NewInfo[0].Log_Rate = rate;
        NewInfo[0].Ex_count = 1;
        EntryNewData(SOURCE_OPEN_DIALOG);
    }

private slots:
    void init()
    {
        win = HeadlessWindow();
        setStoreWindow(&win);
        ResetStore();
    }
    void cleanup() { setStoreWindow(nullptr); }

    void startsEmpty()
    {
        QCOMPARE(WindowCount, 0);
        QCOMPARE(FreeNo, 0);
        for (const WINDOW_INFO_TYPE &w : WinInfo) {
            QCOMPARE(w.DataNo, -1);
            QVERIFY(w.LinkHold);
            QCOMPARE(w.TimeGrid, 1);
            QCOMPARE(w.MaxSamplesPerPixel, 1);
        }
    }

    void setFreeNoPicksLowestTwo()
    {
        DataInfo[0].Enable = DataInfo[2].Enable = true;
        QVERIFY(SetFreeNo());
        QCOMPARE(FreeNo, 1);
        QCOMPARE(FreeNo2, 3);
        DataInfo[1].Enable = DataInfo[3].Enable = true;
        DataInfo[2].Enable = false;
        QVERIFY(SetFreeNo());
        QCOMPARE(FreeNo, 2);
        QCOMPARE(FreeNo2, -1);
        DataInfo[2].Enable = true;
        QVERIFY(!SetFreeNo());
        QCOMPARE(FreeNo, -1);
        QCOMPARE(FreeNo2, -1);
    }

    void entryBindsWindowAndDescribes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("run01.csv(S/N:");
        const QString times = QStringLiteral("  2024/05/01 09:30:00 - 2024/05/01 10:15:42");
        QTest::newRow("ms") << "Vm731-A00123" << 100
                            << head + "A00123" + times + " @100[ms],3.5[mm])";
        QTest::newRow("1000") << "Vm731-A00123" << 1000
                              << head + "A00123" + times + " @1[sec],3.5[mm])";
        QTest::newRow("1500") << "Vm731-A00123" << 1500
                              << head + "A00123" + times + " @1[sec],3.5[mm])";
        QTest::newRow("5000") << "Vm731-A00123" << 5000
                              << head + "A00123" + times + " @5[sec],3.5[mm])";
        QTest::newRow("999") << "Vm731-A00123" << 999
                             << head + "A00123" + times + " @999[ms],3.5[mm])";
        QTest::newRow("short name") << "Vm731-" << 100 << head + times + " @100[ms],3.5[mm])";
    }
    void entryBindsWindowAndDescribes()
    {
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(QString, expected);
        DATA_INFO_TYPE info;
        ClearInfo(info);
        setDeviceName(info, name);
        info.Log_Rate = rate;
        info.Log_FatThick = 3.5;
        info.Log_start = encodeDateTime({2024, 5, 1, 9, 30, 0, 0});
        info.Log_end = encodeDateTime({2024, 5, 1, 10, 15, 42, 0});
        QCOMPARE(describeMeasurement(info, "/data/x/run01.csv", QLocale::c()), expected);
    }

    void entryShowsNextWindowAndStatus()
    {
        win.averaging = 1;
        enter("Vm732-1", 100, DEVICE_VM732);
        QCOMPARE(WindowCount, 1);
        QCOMPARE(WinInfo[0].DataNo, 0);
        QVERIFY(DataInfo[0].Enable);
        QCOMPARE(CurDeviceType, DEVICE_VM732);
        QCOMPARE(win.statusText, QStringLiteral("Device Type:Vm732"));
        QVERIFY(!win.dispSelectVisible);
        QVERIFY(win.chChecked[0] && win.chVisible[0]);
        QCOMPARE(WinInfo[0].TimeGrid, 10000);

        enter("Vm731-2", 100);
        enter("Vm731-3", 100);
        QCOMPARE(WindowCount, 3);
        QVERIFY(win.dispSelectVisible);
        QCOMPARE(CurDeviceType, DEVICE_VM732);

        // Closing the first window frees slot 0; the next goes there, shown third... here the
        // store alone: free slot 0 and compact the windows as the layout would.
        DataInfo[0].Enable = false;
        WinInfo[0] = WinInfo[1];
        WinInfo[1] = WinInfo[2];
        ResetWindowInfo(2);
        WindowCount = 2;
        enter("Vm731-4", 100);
        QCOMPARE(WinInfo[2].DataNo, 0);
        QCOMPARE(WindowCount, 3);
    }

    void firstEntryAfterAllClosedSetsStatus()
    {
        enter("Vm732-1", 100, DEVICE_VM732);
        DataInfo[0].Enable = false;
        ResetWindowInfo(0);
        WindowCount = 0;
        CurDeviceType = 0;
        enter("Vm731-1", 100);
        QCOMPARE(win.statusText, QStringLiteral("Device Type:Vm731"));
        enter("Vm733-1", 100, 7);
        QCOMPARE(win.statusText, QStringLiteral("Device Type:Vm731"));
        DataInfo[0].Enable = DataInfo[1].Enable = false;
        WindowCount = 0;
        enter("Vm733-1", 100, 7);
        QCOMPARE(win.statusText, QStringLiteral("Device Type:Unknown"));
    }

    void movingAverage()
    {
        DataInfo[0].Enable = true;
        enterSamples(0, {1, 2, 3, 4});
        win.averaging = 1;
        CalcAverageData(0);
        const float want[] = {1.5f, 2, 3, 3.5f};
        for (int k = 0; k < 4; ++k)
            QCOMPARE(SampleData[0][k].Nirs_Ave[2], want[k]);

        enterSamples(0, {1, 2, 6});
        win.averaging = 5;
        CalcAverageData(-1);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(SampleData[0][k].Nirs_Ave[0], 3.0f);

        enterSamples(0, {0.1f, 0.7f, 0.3f});
        win.averaging = 0;
        CalcAverageData(-1);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(SampleData[0][k].Nirs_Ave[3], SampleData[0][k].Nirs[3]);
    }

    void averageMatchesBruteForce()
    {
        DataInfo[1].Enable = true;
        const int n = 500;
        for (int k = 0; k < n; ++k)
            for (float &v : SampleData[1][k].Nirs)
                v = static_cast<float>((k * 7919) % 101) / 7.0f;
        DataInfo[1].Ex_count = n;
        for (int a = 1; a <= 5; ++a) {
            win.averaging = a;
            CalcAverageData(1);
            for (int k = 0; k < n; ++k) {
                double sum = 0;
                const int lo = std::max(0, k - a), hi = std::min(n - 1, k + a);
                for (int i = lo; i <= hi; ++i)
                    sum += SampleData[1][i].Nirs[1];
                QVERIFY(qAbs(SampleData[1][k].Nirs_Ave[1] - sum / (hi - lo + 1)) < 1e-4);
            }
        }
    }

    // Bit for bit the running sum of each series alone, as carried from sample to sample.
    void averageIsEachSeriesRunningSum()
    {
        DataInfo[1].Enable = true;
        const int n = 3000;
        QRandomGenerator rng(12);
        for (int k = 0; k < n; ++k)
            for (float &v : SampleData[1][k].Nirs)
                v = static_cast<float>(rng.generateDouble() * 200 - 100);
        DataInfo[1].Ex_count = n;
        for (int a = 1; a <= 5; ++a) {
            win.averaging = a;
            CalcAverageData(1);
            for (int j = 0; j < 4; ++j) {
                double sum = 0;
                for (int k = 0; k < std::min(a, n); ++k)
                    sum += SampleData[1][k].Nirs[j];
                for (int k = 0; k < n; ++k) {
                    if (k - a > 0)
                        sum -= SampleData[1][k - a - 1].Nirs[j];
                    if (k + a < n)
                        sum += SampleData[1][k + a].Nirs[j];
                    const int count = std::min(n - 1, k + a) - std::max(0, k - a) + 1;
                    if (SampleData[1][k].Nirs_Ave[j] != static_cast<float>(sum / count))
                        QFAIL(qPrintable(
                            QStringLiteral("a %1 series %2 sample %3").arg(a).arg(j).arg(k)));
                }
            }
        }
    }

    // The time of day as the library's rounding gives it, halves and near-halves included.
    void timeOfDayRoundsAsTheLibrary()
    {
        auto model = [](double v) {
            const double whole = v >= 0 ? std::floor(v) : std::ceil(v);
            const int64_t ms = std::llround(std::fabs(v - whole) * MS_PER_DAY);
            return ms >= 86400000 ? ms - 86400000 : ms;
        };
        QRandomGenerator rng(13);
        for (int i = 0; i < 200000; ++i) {
            const double ms = double(rng.bounded(86400000)) + (i % 3 == 0 ? 0.5 : 0.0);
            double v = double(rng.bounded(80000)) + ms / MS_PER_DAY;
            if (i % 5 == 0)
                v = std::nextafter(v, i % 2 ? 0.0 : 1e9);
            if (i % 7 == 0)
                v = -v;
            if (timeOfDayMs(v) != model(v))
                QFAIL(qPrintable(QString::number(v, 'g', 17)));
        }
    }

    void timeGrid_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("spp");
        QTest::addColumn<int>("step");
        QTest::newRow("100ms x1") << 100 << 1 << 10000;
        QTest::newRow("100ms x4") << 100 << 4 << 60000;
        QTest::newRow("50ms x1") << 50 << 1 << 5000;
        QTest::newRow("5000ms x200") << 5000 << 200 << 86400000;
        QTest::newRow("1000ms x18") << 1000 << 18 << 1800000;
        QTest::newRow("1000ms x19") << 1000 << 19 << 3600000;
        QTest::newRow("5000ms x172") << 5000 << 172 << 86400000;
    }
    void timeGrid()
    {
        QFETCH(int, rate);
        QFETCH(int, spp);
        QFETCH(int, step);
        enter("Vm731-1", rate);
        WinInfo[0].SamplesPerPixel = spp;
        QCOMPARE(CalcTimeGrid(0), step);
    }

    void timeGridOfClosedWindowIsZero()
    {
        enter("Vm731-1", 100);
        enter("Vm731-2", 100);
        QCOMPARE(CalcTimeGrid(2), 0);
        QCOMPARE(CalcTimeGrid(-1), 0);
    }

    void dateTimeRoundTrip()
    {
        const DateTimeParts p{2024, 2, 29, 23, 59, 59, 0};
        const TDateTime v = encodeDateTime(p);
        QCOMPARE(v, 45351.0 + (86399.0 / 86400.0));
        const DateTimeParts q = decodeDateTime(v);
        QCOMPARE(q.year, 2024);
        QCOMPARE(q.day, 29);
        QCOMPARE(q.second, 59);
        QCOMPARE(decodeDateTime(0.0).year, 1899);
        TDateTime out = 0;
        QVERIFY(!tryEncodeDateTime({2023, 2, 29, 0, 0, 0, 0}, &out));
        QVERIFY(!tryEncodeDateTime({2024, 13, 1, 0, 0, 0, 0}, &out));
        QVERIFY(!tryEncodeDateTime({2024, 1, 1, 24, 0, 0, 0}, &out));
        QCOMPARE(timeOfDayMs(1.5 + msToDays(1)), 43200001);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
