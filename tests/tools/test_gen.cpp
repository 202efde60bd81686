// keldra-gen: the same seed gives the same bytes, every form opens cleanly in the viewer's
// reader with the marks, gaps and unreadable lines asked for, and the values look recorded.
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class TestGen : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    HeadlessWindow m_win;

    static QString gen()
    {
        return QFileInfo(qEnvironmentVariable("KELDRA_TOOL")).dir().filePath("keldra-gen");
    }

    // Runs keldra-gen; returns its exit status, or -1 when it did not finish.
    static int run(const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess p;
        p.start(gen(), args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitCode();
    }

    QStringList open(const QString &path)
    {
        setStoreWindow(&m_win);
        ResetStore();
        ScriptedPrompts prompts;
        prompts.openAnswers << path;
        OpenMeasurementFile(prompts);
        setStoreWindow(nullptr);
        return prompts.messages();
    }

    static int count(int slot, uint16_t bit)
    {
        int n = 0;
        for (int i = 0; i < DataInfo[slot].Ex_count; ++i)
            n += (SampleData[slot][i].Status & bit) != 0;
        return n;
    }

    static int events(int slot)
    {
        int n = 0;
        while (n < EVENT_MAX && EventList[slot][n] != -1)
            ++n;
        return n;
    }

private slots:
    void initTestCase() { QVERIFY2(QFileInfo(gen()).isExecutable(), qPrintable(gen())); }

    void sameSeedSameBytes()
    {
        QByteArray a, b, c;
        QCOMPARE(run({"--samples", "500", "--seed", "9", "--gaps", "2"}, &a), 0);
        QCOMPARE(run({"--samples", "500", "--seed", "9", "--gaps", "2"}, &b), 0);
        QCOMPARE(run({"--samples", "500", "--seed", "10", "--gaps", "2"}, &c), 0);
        QVERIFY(a.size() > 300 * 90); // gaps leave out at most 100 of the 500 lines
        QCOMPARE(a, b);
        QVERIFY(a != c);
    }

    void opensCleanly_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("windows");
        QTest::addColumn<bool>("rev2");
        QTest::newRow("standard 100 ms") << QStringList{"--rate", "100"} << 1 << true;
        QTest::newRow("short 1000 ms")
            << QStringList{"--form", "short", "--rate", "1000"} << 1 << false;
        QTest::newRow("two channels 200 ms")
            << QStringList{"--form", "two", "--rate", "200"} << 2 << true;
        QTest::newRow("gaps at 50 ms") << QStringList{"--rate", "50", "--gaps", "4"} << 1 << true;
        QTest::newRow("gaps at 5000 ms")
            << QStringList{"--rate", "5000", "--gaps", "4"} << 1 << true;
    }

    // Gaps are filled in again by the reader, so every sample position comes back.
    void opensCleanly()
    {
        QFETCH(QStringList, args);
        QFETCH(int, windows);
        QFETCH(bool, rev2);
        const QString path = m_dir.filePath("gen.csv");
        QCOMPARE(run(args + QStringList{"--samples", "3000", "--events", "6", "--errors", "4", "-o",
                                        path}),
                 0);
        QCOMPARE(open(path), QStringList());
        QCOMPARE(WindowCount, windows);
        for (int s = 0; s < windows; ++s) {
            QCOMPARE(DataInfo[s].Ex_count, 3000);
            QCOMPARE(DataInfo[s].Rev2, rev2);
            QVERIFY(events(s) >= 1 && events(s) <= 6);
            QCOMPARE(count(s, STATUS_REPEATED), 0);
        }
        QVERIFY(count(0, STATUS_FILE_ERROR) >= 1 && count(0, STATUS_FILE_ERROR) <= 4);
        QCOMPARE(DataInfo[0].Log_start, encodeDateTime({2024, 5, 1, 9, 30, 0, 0}));
    }

    void valuesVarySlowly()
    {
        const QString path = m_dir.filePath("slow.csv");
        QCOMPARE(run({"--samples", "20000", "--rate", "100", "-o", path}), 0);
        QCOMPARE(open(path), QStringList());
        double step = 0, lo = 1, hi = 0;
        for (int i = 0; i < DataInfo[0].Ex_count; ++i) {
            const SAMPLE_TYPE &s = SampleData[0][i];
            if (i)
                step += std::fabs(s.Nirs[0] - SampleData[0][i - 1].Nirs[0]);
            lo = std::min(lo, double(s.Nirs[3]));
            hi = std::max(hi, double(s.Nirs[3]));
            QVERIFY(std::fabs(s.Nirs[2] - (s.Nirs[0] + s.Nirs[1])) < 2e-4);
            const double g = std::sqrt(s.Acc[0] * s.Acc[0] + s.Acc[1] * s.Acc[1]);
            QVERIFY2(g > 0.3 && g < 3, "gravity keeps the accelerometer near 1 G");
        }
        QVERIFY(step / DataInfo[0].Ex_count < 0.002);
        QVERIFY(lo >= 0.3 && hi <= 0.95 && hi - lo > 0.01);
    }

    void badLinesAreRepeated()
    {
        const QString path = m_dir.filePath("bad.csv");
        QCOMPARE(run({"--samples", "2000", "--rate", "1000", "--bad-lines", "3", "--errors", "0",
                      "-o", path}),
                 0);
        QCOMPARE(open(path), QStringList());
        QVERIFY(count(0, STATUS_REPEATED) >= 1);
        QCOMPARE(count(0, STATUS_FILE_ERROR), 0);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("rate 49") << QStringList{"--rate", "49"} << 2;
        QTest::newRow("unknown form") << QStringList{"--form", "long"} << 2;
        QTest::newRow("bad start") << QStringList{"--start", "2024-02-30 00:00:00"} << 2;
        QTest::newRow("unknown option") << QStringList{"--colour", "red"} << 2;
        QTest::newRow("missing value") << QStringList{"--samples"} << 2;
    }

    void usage()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QByteArray out;
        QCOMPARE(run(args, &out), status);
        QCOMPARE(out.startsWith("usage: keldra-gen"), status == 0);
    }
};

QTEST_GUILESS_MAIN(TestGen)
#include "test_gen.moc"
