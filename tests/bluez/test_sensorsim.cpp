// The simulator's sensor descriptions as given on its command line, and the sensor model each
// one builds.
#include "decodingsink.h"
#include "sensorsetup.h"
#include "simconfig.h"

#include "framereceiver.h"
#include "packetdecoder.h"
#include "store.h"
#include "writer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A measurement file as an upload of recording would save it.
bool writeUploadFile(const QString &path, const SensorRecording &recording)
{
    ResetStore();
    if (!SetFreeNo())
        return false;
    DecodingSink sink;
    sink.decoder.setDeviceName(QStringLiteral("Vm731-0042"));
    FrameReceiver receiver(&sink);
    receiver.feed(encodeStream(recording));
    QFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && writeMeasurement(file, NewInfo[0], FreeNo);
    ResetStore();
    return ok;
}

} // namespace

class TestSensorSim : public QObject
{
    Q_OBJECT
private slots:
    void parsesSensorDescriptions()
    {
        SensorSpec s;
        QString error;
        QVERIFY(parseSensorSpec("serial=0042,samples=12000,chunk=244,pace=2,lose-after=7,mute,"
                                "refuse=no,garbage,rate=4,trusted=no,file=/tmp/a,b.csv",
                                &s, &error));
        QCOMPARE(s.advertisedName(), QString("Vm731-0042"));
        QCOMPARE(s.samples, 12000);
        QCOMPARE(s.chunk, 244);
        QCOMPARE(s.paceMs, 2);
        QCOMPARE(s.loseAfter, 7);
        QVERIFY(s.mute);
        QVERIFY(!s.refuse);
        QVERIFY(s.garbage);
        QCOMPARE(s.rateCode, 4);
        QVERIFY(s.paired);
        QVERIFY(!s.trusted);
        QCOMPARE(s.file, QString("/tmp/a,b.csv"));

        QVERIFY(parseSensorSpec("name=Other-1,unpaired", &s, &error));
        QCOMPARE(s.advertisedName(), QString("Other-1"));
        QVERIFY(!s.paired);
        QVERIFY(parseSensorSpec("serial=", &s, &error));
        QCOMPARE(s.advertisedName(), QString("Vm731-"));
    }

    void refusesBadDescriptions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("no name") << "samples=5"
                                 << "a sensor needs serial= or name=";
        QTest::newRow("unknown key") << "serial=1,colour=red"
                                     << "unknown sensor key \"colour\"";
        QTest::newRow("chunk 0") << "serial=1,chunk=0"
                                 << "bad value in \"chunk=0\"";
        QTest::newRow("chunk too big") << "serial=1,chunk=510"
                                       << "bad value in \"chunk=510\"";
        QTest::newRow("rate code") << "serial=1,rate=6"
                                   << "bad value in \"rate=6\"";
        QTest::newRow("not a number") << "serial=1,pace=fast"
                                      << "bad value in \"pace=fast\"";
        QTest::newRow("bad flag") << "serial=1,mute=maybe"
                                  << "bad value in \"mute=maybe\"";
    }
    void refusesBadDescriptions()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        SensorSpec s;
        QString error;
        QVERIFY(!parseSensorSpec(text, &s, &error));
        QCOMPARE(error, message);
    }

    void addressesFollowTheCommandLineOrder()
    {
        QCOMPARE(sensorAddress(0), QString("C0:FF:EE:00:73:01"));
        QCOMPARE(sensorAddress(254), QString("C0:FF:EE:00:73:FF"));
        QCOMPARE(sensorAddress(255), QString("C0:FF:EE:00:74:00"));
        QCOMPARE(devicePathElement(sensorAddress(0)), QString("dev_C0_FF_EE_00_73_01"));
        QVERIFY(sensorAddress(1) > sensorAddress(0));
    }

    void modelCarriesTheDescription()
    {
        SensorSpec s;
        QString error;
        QVERIFY(parseSensorSpec("serial=77,unpaired,chunk=100,lose-after=3,mute,refuse,garbage", &s,
                                &error));
        SensorRecording rec;
        QVERIFY(loadRecording(s, &rec, &error));
        QCOMPARE(rec.samples.size(), 600);
        const SensorModel m = buildModel(s, rec);
        QCOMPARE(m.name(), QString("Vm731-77"));
        QVERIFY(!m.paired);
        QVERIFY(!m.connectable);
        QCOMPARE(m.notificationSize, 100);
        QCOMPARE(m.loseLinkAfterPacket, 3);
        QVERIFY(m.neverCompleteWrite);
        QVERIFY(!m.garbage.isEmpty());
        QVERIFY(!m.garbage.contains('{'));
        QCOMPARE(m.recording().samples.size(), 600);
    }

    void recordingFromAMeasurementFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rec.csv"));
        SensorRecording original = generateRecording(250, 3, true);
        original.start = {2025, 3, 7, 14, 5, 10, 0};
        QVERIFY(writeUploadFile(path, original));
        SensorSpec s;
        QString error;
        QVERIFY(parseSensorSpec(QStringLiteral("serial=1,file=") + path, &s, &error));
        SensorRecording loaded;
        QVERIFY2(loadRecording(s, &loaded, &error), qPrintable(error));
        QCOMPARE(loaded.samples.size(), 250);
        QCOMPARE(loaded.rateCode, 3);
        QCOMPARE(loaded.accCode, original.accCode);
        QCOMPARE(loaded.gyroCode, original.gyroCode);
        QCOMPARE(loaded.start.year, 2025);
        QCOMPARE(loaded.start.second, 10);
        for (int i = 0; i < 250; ++i) {
            QCOMPARE(loaded.samples[i].status, original.samples[i].status);
            QVERIFY(qAbs(loaded.samples[i].oxy - original.samples[i].oxy) < 1e-3f);
        }
        // The store is left empty for whatever runs next.
        QCOMPARE(WindowCount, 0);
    }

    void unreadableFileIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not,a,measurement\r\n");
        f.close();
        SensorSpec s;
        QString error;
        QVERIFY(parseSensorSpec(QStringLiteral("serial=1,file=") + path, &s, &error));
        SensorRecording loaded;
        QVERIFY(!loadRecording(s, &loaded, &error));
        QVERIFY(!error.isEmpty());
        s.file = dir.filePath(QStringLiteral("missing.csv"));
        QVERIFY(!loadRecording(s, &loaded, &error));
    }
};

QTEST_GUILESS_MAIN(TestSensorSim)
#include "test_sensorsim.moc"
