// The packet layer: frame receiver, packet decoder, command builder and the simulated
// sensor's encoder.
#include "commands.h"
#include "framereceiver.h"
#include "packetdecoder.h"
#include "protocol.h"
#include "sensorrecording.h"
#include "store.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Records every frame handed over; accepts them all.
struct FrameLog : PacketSink
{
    QList<QByteArray> frames;
    int progress = 0;
    bool CheckPacket(int32_t count, const uint8_t *buff) override
    {
        frames.append(QByteArray(reinterpret_cast<const char *>(buff), count));
        return true;
    }
    void CheckProgress() override { ++progress; }
};

// The decoder behind a receiver, counting progress steps.
struct Upload : PacketSink
{
    PacketDecoder decoder;
    FrameReceiver receiver{this};
    int progress = 0;
    Upload()
    {
        ResetStore();
        SetFreeNo();
        decoder.setDeviceName(QStringLiteral("Vm731-A00123"));
    }
    bool CheckPacket(int32_t count, const uint8_t *buff) override
    {
        return decoder.CheckPacket(count, buff);
    }
    void CheckProgress() override { ++progress; }
    bool packet(const QByteArray &p)
    {
        return decoder.CheckPacket(int32_t(p.size()), reinterpret_cast<const uint8_t *>(p.data()));
    }
};

const char *kHeader = "00 12 34 00 01 40 40 00 00 00 00 00 00 00 00 00 03 00 01 00 04 00 24 02 29 "
                      "00 23 59 59";
const char *kDataFrame = "7B 01 03 7C 5D 80 40 3F 80 00 00 3E 80 00 00 3F 40 00 00 40 00 C0 00 "
                         "7F FF 00 00 80 00 7F FF 7D";

QByteArray header(int rate, int acc, int gyro, int32_t count)
{
    SensorRecording rec;
    rec.rateCode = rate;
    rec.accCode = acc;
    rec.gyroCode = gyro;
    rec.announced = count;
    return encodeHeaderPacket(rec);
}

QByteArray framed(const QByteArray &packet)
{
    QByteArray out;
    appendFrame(out, packet);
    return out;
}

TDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return encodeDateTime({y, mo, d, h, mi, s, 0});
}

} // namespace

class TestPackets : public QObject
{
    Q_OBJECT
private slots:
    void workedExample();
    void receiverFrames_data();
    void receiverFrames();
    void escapesSplitAcrossNotificationsAtEveryPosition();
    void startByteInsideFrameDiscardsIt();
    void overlongFrameIsCutAt256AndRefused();
    void receiverMatchesByteByByteOnRandomStreams();
    void headerRefusals_data();
    void headerRefusals();
    void emptyRecordingLeavesHeaderPhase();
    void dataPhaseTakesAnyByte0();
    void bcdStartTime_data();
    void bcdStartTime();
    void scalings();
    void timeAndEndAdvance();
    void eventMarks();
    void sampleLimit();
    void dateTimeCommand_data();
    void dateTimeCommand();
    void setupCommand_data();
    void setupCommand();
    void commandBytesOfOneWrite();
    void encoderRoundTrip();
};

void TestPackets::workedExample()
{
    Upload u;
    u.receiver.feed(framed(hex(kHeader)));
    QCOMPARE(u.progress, 1);
    QCOMPARE(u.decoder.Log_Count, 3);
    const DATA_INFO_TYPE &info = NewInfo[0];
    QCOMPARE(info.Log_Rate, 100);
    QCOMPARE(info.Log_FatThick, 3.0);
    QCOMPARE(info.Log_Range[0], 4);
    QCOMPARE(info.Log_Range[1], 2000);
    QCOMPARE(info.Log_start, at(2024, 2, 29, 23, 59, 59));
    QCOMPARE(info.DeviceType, DEVICE_VM731);
    QCOMPARE(info.NumCH, 1);
    QVERIFY(info.Rev2);
    QCOMPARE(deviceName(info), QStringLiteral("Vm731-A00123"));

    u.receiver.feed(hex(kDataFrame));
    QCOMPARE(u.progress, 2);
    QCOMPARE(u.decoder.Get_Count, 1);
    const SAMPLE_TYPE &s = SampleData[FreeNo][0];
    QCOMPARE(s.Seq, 0);
    QCOMPARE(s.Batt, float(893 * 0.00352));
    QCOMPARE(s.Status, uint16_t(0x0040));
    QVERIFY(HasEvent(FreeNo, 0));
    QCOMPARE(s.Nirs[0], 1.0f);
    QCOMPARE(s.Nirs[1], 0.25f);
    QCOMPARE(s.Nirs[2], 1.25f);
    QCOMPARE(s.Nirs[3], 0.75f);
    QCOMPARE(s.Acc[0], 2.0f);
    QCOMPARE(s.Acc[1], -2.0f);
    QCOMPARE(s.Acc[2], float(32767 * 4 / 32768.0));
    QCOMPARE(s.Gyr[0], 0.0f);
    QCOMPARE(s.Gyr[1], -2000.0f);
    QCOMPARE(s.Gyr[2], float(32767 * 2000 / 32768.0));
    QCOMPARE(s.Time, 0.0);
    QCOMPARE(info.Log_end, info.Log_start);
}

void TestPackets::receiverFrames_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<QByteArray>>("frames");
    const QByteArray p(29, 'a');
    QTest::newRow("two packets in one notification") << ("{" + p + "}{" + QByteArray(29, 'b') + "}")
                                                     << QList<QByteArray>{p, QByteArray(29, 'b')};
    QTest::newRow("start then end passes nothing") << QByteArray("{}") << QList<QByteArray>{};
    QTest::newRow("escaped end byte") << hex("7B 7C 5D 7D") << QList<QByteArray>{hex("7D")};
    QTest::newRow("any escaped byte") << hex("7B 7C 41 7D") << QList<QByteArray>{hex("61")};
    QTest::newRow("bytes between frames dropped")
        << QByteArray("{x}garbage|z{y}") << QList<QByteArray>{"x", "y"};
    QTest::newRow("escape outside a frame does nothing")
        << QByteArray("|{A}") << QList<QByteArray>{"A"};
    QTest::newRow("end outside a frame") << QByteArray("}}{B}") << QList<QByteArray>{"B"};
}

void TestPackets::receiverFrames()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QByteArray>, frames);
    FrameLog log;
    FrameReceiver r(&log);
    r.feed(input);
    QCOMPARE(log.frames, frames);
}

void TestPackets::escapesSplitAcrossNotificationsAtEveryPosition()
{
    SensorRecording rec = generateRecording(3);
    rec.samples[1].status = 0x7B7D; // framing bytes inside the payload
    rec.samples[2].battery = 0x7C7C;
    for (const bool all : {false, true}) {
        const QByteArray stream = encodeStream(rec, all);
        FrameLog whole;
        FrameReceiver(&whole).feed(stream);
        QCOMPARE(whole.frames.size(), 4);
        QCOMPARE(whole.frames[2], encodeDataPacket(rec.samples[1]));
        for (qsizetype i = 0; i <= stream.size(); ++i) {
            for (qsizetype j = i; j <= std::min(stream.size(), i + 3); ++j) {
                FrameLog log;
                FrameReceiver r(&log);
                r.feed(stream.left(i));
                r.feed(stream.mid(i, j - i));
                r.feed(stream.mid(j));
                QCOMPARE(log.frames, whole.frames);
            }
        }
    }
}

void TestPackets::startByteInsideFrameDiscardsIt()
{
    FrameLog log;
    FrameReceiver r(&log);
    r.feed(QByteArray("{abc|"));
    QVERIFY(r.inFrame());
    QVERIFY(r.escaped());
    r.feed(QByteArray("{de}"));
    QCOMPARE(log.frames, QList<QByteArray>{"de"});
    QVERIFY(!r.inFrame());
}

void TestPackets::overlongFrameIsCutAt256AndRefused()
{
    FrameLog log;
    FrameReceiver r(&log);
    r.feed("{" + QByteArray(300, 'q') + "}");
    QCOMPARE(log.frames.size(), 1);
    QCOMPARE(log.frames[0].size(), 256);
    QCOMPARE(r.buffer()[256], uint8_t(0));

    Upload u;
    u.receiver.feed("{" + QByteArray(30, '\0') + "}");
    u.receiver.feed("{" + QByteArray(300, '\0') + "}");
    QCOMPARE(u.progress, 0);
}

void TestPackets::receiverMatchesByteByByteOnRandomStreams()
{
    // The receiver's rules applied one byte at a time, as the reference.
    struct Reference
    {
        QList<QByteArray> frames;
        QByteArray frame;
        bool inFrame = false, escape = false;
        void feed(uint8_t b)
        {
            if (b == FRAME_START) {
                frame.clear();
                inFrame = true;
                escape = false;
            } else if (b == FRAME_ESCAPE) {
                escape = inFrame;
            } else if (b == FRAME_END) {
                if (inFrame && !frame.isEmpty())
                    frames.append(frame);
                inFrame = false;
            } else if (inFrame && frame.size() < FRAME_MAX) {
                frame.append(char(escape ? b ^ FRAME_XOR : b));
                escape = false;
            }
        }
    };
    QRandomGenerator random(731);
    for (int round = 0; round < 200; ++round) {
        // Framing bytes often, long plain runs now and then (frames beyond 256 bytes).
        QByteArray stream;
        const int parts = random.bounded(1, 60);
        for (int k = 0; k < parts; ++k) {
            const int pick = random.bounded(10);
            if (pick < 4)
                stream.append(char(FRAME_START + random.bounded(3)));
            else
                stream.append(QByteArray(random.bounded(pick == 9 ? 300 : 40), 'a' + char(k % 20)));
        }
        Reference ref;
        for (const char c : std::as_const(stream))
            ref.feed(uint8_t(c));
        FrameLog log;
        FrameReceiver r(&log);
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = std::min<qsizetype>(random.bounded(1, 300), stream.size() - at);
            r.feed(QByteArrayView(stream).sliced(at, n));
            at += n;
        }
        QCOMPARE(log.frames, ref.frames);
        QCOMPARE(r.inFrame(), ref.inFrame);
        QCOMPARE(r.escaped(), ref.escape);
        if (ref.inFrame) {
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.buffer()), r.frameLength()),
                     ref.frame);
        }
    }
}

void TestPackets::headerRefusals_data()
{
    QTest::addColumn<QByteArray>("packet");
    QByteArray good = hex(kHeader);
    QByteArray b0 = good;
    b0[0] = 1;
    QByteArray magic = good;
    magic[2] = 0x35;
    QTest::newRow("byte 0 not 0") << b0;
    QTest::newRow("bad magic") << magic;
    QTest::newRow("interval code 6") << header(6, 0, 0, 3);
    QTest::newRow("accelerometer code 4") << header(0, 4, 0, 3);
    QTest::newRow("gyroscope code 5") << header(0, 0, 5, 3);
    QTest::newRow("interval code 0x0100") << header(0x100, 0, 0, 3);
    QByteArray negative = good;
    negative[13] = char(0x80);
    QTest::newRow("negative record count") << negative;
    QTest::newRow("28 bytes") << good.left(28);
    QTest::newRow("30 bytes") << good + '\0';
}

void TestPackets::headerRefusals()
{
    QFETCH(QByteArray, packet);
    Upload u;
    NewInfo[0].Log_Rate = 777;
    QVERIFY(!u.packet(packet));
    QCOMPARE(u.decoder.Log_Count, 0);
    QCOMPARE(NewInfo[0].Log_Rate, 777);
    // Without a slot to fill even a good header is refused.
    FreeNo = -1;
    QVERIFY(!u.packet(hex(kHeader)));
}

void TestPackets::emptyRecordingLeavesHeaderPhase()
{
    Upload u;
    NewInfo[0].Log_Rate = 777;
    u.receiver.feed(framed(header(1, 0, 0, 0)));
    QCOMPARE(u.progress, 1);
    QCOMPARE(u.decoder.Log_Count, 0);
    QCOMPARE(NewInfo[0].Log_Rate, 777);
}

void TestPackets::dataPhaseTakesAnyByte0()
{
    Upload u;
    QByteArray b0 = hex(kHeader);
    b0[0] = 1;
    QVERIFY(u.packet(hex(kHeader)));
    QVERIFY(u.packet(b0));
    QCOMPARE(u.decoder.Get_Count, 1);
}

void TestPackets::bcdStartTime_data()
{
    QTest::addColumn<QByteArray>("bcd");
    QTest::addColumn<double>("expected");
    QTest::newRow("leap day") << hex("24 02 29 23 59 59") << at(2024, 2, 29, 23, 59, 59);
    QTest::newRow("month 13 is January") << hex("24 13 05 10 00 00") << at(2024, 1, 5, 10, 0, 0);
    QTest::newRow("year value 105 is 2000") << hex("A5 03 04 05 06 07") << at(2000, 3, 4, 5, 6, 7);
    QTest::newRow("hour 24 is 0") << hex("24 03 04 24 06 07") << at(2024, 3, 4, 0, 6, 7);
    QTest::newRow("day 0 is 1") << hex("24 03 00 01 02 03") << at(2024, 3, 1, 1, 2, 3);
    QTest::newRow("minute and second 60 are 0")
        << hex("24 03 04 05 60 60") << at(2024, 3, 4, 5, 0, 0);
    QTest::newRow("31 April is 30 April") << hex("24 04 31 12 00 00") << at(2024, 4, 30, 12, 0, 0);
    QTest::newRow("30 February of a leap year is 29")
        << hex("24 02 30 00 00 00") << at(2024, 2, 29, 0, 0, 0);
    QTest::newRow("29 February otherwise is 28")
        << hex("23 02 29 00 00 00") << at(2023, 2, 28, 0, 0, 0);
    QTest::newRow("nibble above 9 adds its value")
        << hex("1A 01 0F 00 00 00") << at(2020, 1, 15, 0, 0, 0);
}

void TestPackets::bcdStartTime()
{
    QFETCH(QByteArray, bcd);
    QFETCH(double, expected);
    QCOMPARE(decodeBcdStartTime(reinterpret_cast<const uint8_t *>(bcd.constData())), expected);
    // The same through a header packet.
    QByteArray h = hex(kHeader);
    for (int i = 0; i < 6; ++i)
        h[i < 3 ? 22 + i : 23 + i] = bcd[i];
    Upload u;
    QVERIFY(u.packet(h));
    QCOMPARE(NewInfo[0].Log_start, expected);
}

void TestPackets::scalings()
{
    Upload u;
    QVERIFY(u.packet(header(1, 0, 4, 5)));
    SensorSample s;
    s.battery = 1000;
    s.acc[0] = 16384;
    s.acc[1] = -32768;
    s.gyr[0] = 32767;
    QVERIFY(u.packet(encodeDataPacket(s)));
    const SAMPLE_TYPE &d = SampleData[FreeNo][0];
    QCOMPARE(d.Batt, 3.52f);
    QCOMPARE(d.Acc[0], 1.0f);
    QCOMPARE(d.Acc[1], -2.0f);
    QVERIFY(std::abs(d.Gyr[0] - 1999.94f) < 0.01f);
}

void TestPackets::timeAndEndAdvance()
{
    Upload u;
    QVERIFY(u.packet(header(4, 0, 0, 4000)));
    const QByteArray p = encodeDataPacket(SensorSample());
    for (int i = 0; i <= 3600; ++i)
        QVERIFY(u.packet(p));
    const SAMPLE_TYPE &s = SampleData[FreeNo][3600];
    QCOMPARE(s.Seq, 3600);
    QCOMPARE(s.Time, 1.0 / 24);
    QCOMPARE(NewInfo[0].Log_end, NewInfo[0].Log_start + 1.0 / 24);
    QCOMPARE(NewInfo[0].Ex_count, 3601);
    QCOMPARE(u.decoder.Get_Count, 3601);
}

void TestPackets::eventMarks()
{
    Upload u;
    ClearEventList(FreeNo);
    EventList[FreeNo][0] = 123; // left over from an earlier fill: the header clears it
    QVERIFY(u.packet(header(0, 0, 0, 2000)));
    QCOMPARE(EventList[FreeNo][0], -1);
    SensorSample marked;
    marked.status = 0x8040;
    for (int i = 0; i < 1001; ++i)
        QVERIFY(u.packet(encodeDataPacket(marked)));
    QCOMPARE(EventList[FreeNo][0], 0);
    QCOMPARE(EventList[FreeNo][999], 999);
    QVERIFY(!HasEvent(FreeNo, 1000));
    QCOMPARE(SampleData[FreeNo][1000].Status, uint16_t(0x0040));
}

void TestPackets::sampleLimit()
{
    Upload u;
    QVERIFY(u.packet(header(0, 0, 0, SAMPLE_MAX + 1)));
    QByteArray stream;
    const QByteArray p = encodeDataPacket(SensorSample());
    for (int i = 0; i < SAMPLE_MAX + 1; ++i)
        appendFrame(stream, p);
    u.receiver.feed(stream);
    QCOMPARE(u.progress, SAMPLE_MAX + 1);
    QCOMPARE(u.decoder.Get_Count, SAMPLE_MAX);
    QCOMPARE(NewInfo[0].Ex_count, SAMPLE_MAX);
    QCOMPARE(SampleData[FreeNo][SAMPLE_MAX - 1].Seq, SAMPLE_MAX - 1);
}

void TestPackets::dateTimeCommand_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << QDateTime(QDate(2025, 3, 7), QTime(14, 5, 9, 600))
                             << "RS,250307140510";
    QTest::newRow("rounds down") << QDateTime(QDate(2025, 3, 7), QTime(14, 5, 9, 499))
                                 << "RS,250307140509";
    QTest::newRow("into the next year")
        << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59, 500)) << "RS,000101000000";
}

void TestPackets::dateTimeCommand()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, text);
    QCOMPARE(SyncDateTimeString(now), text);
}

void TestPackets::setupCommand_data()
{
    QTest::addColumn<QList<int>>("args");
    QTest::addColumn<QString>("text");
    QTest::newRow("example") << QList<int>{1, 30, 1, 2, 2} << "SS1,030,12,000,30";
    QTest::newRow("largest") << QList<int>{5, 110, 3, 4, 3} << "SS5,110,34,000,60";
    QTest::newRow("smallest") << QList<int>{0, 10, 0, 0, 0} << "SS0,010,00,000,00";
    QTest::newRow("10min") << QList<int>{0, 10, 0, 0, 1} << "SS0,010,00,000,10";
    QTest::newRow("rate out of table") << QList<int>{6, 30, 0, 0, 0} << "";
    QTest::newRow("auto-off out of table") << QList<int>{0, 30, 0, 0, 4} << "";
    QTest::newRow("negative index") << QList<int>{0, 30, -1, 0, 0} << "";
}

void TestPackets::setupCommand()
{
    QFETCH(QList<int>, args);
    QFETCH(QString, text);
    QCOMPARE(::setupCommand(args[0], args[1], args[2], args[3], args[4]), text);
}

void TestPackets::commandBytesOfOneWrite()
{
    const QDateTime now(QDate(2025, 3, 7), QTime(14, 5, 9, 600));
    QCOMPARE(hexBytes(commandBytes(QStringLiteral("GS4"), true, now)),
             QStringLiteral("02 52 53 2C 32 35 30 33 30 37 31 34 30 35 31 30 03 02 47 53 34 03"));
    QCOMPARE(commandBytes(::setupCommand(5, 110, 3, 4, 3), true, now).size(), 36);
    QCOMPARE(commandBytes(QStringLiteral("GC"), false, now), hex("02 47 43 03"));
    QCOMPARE(commandBytes(QStringLiteral("@CLR"), false, now), hex("02 40 43 4C 52 03"));
    QVERIFY(commandBytes(QString(), true, now).isEmpty());
}

void TestPackets::encoderRoundTrip()
{
    SensorRecording rec = generateRecording(250, 2);
    rec.fatThick = 4.5f;
    rec.start = {2025, 12, 31, 23, 58, 1, 0};
    rec.samples[7].status = 0x4000;
    Upload u;
    u.receiver.feed(encodeStream(rec, false));
    QCOMPARE(u.decoder.Get_Count, 250);
    QCOMPARE(NewInfo[0].Log_Rate, 200);
    QCOMPARE(NewInfo[0].Log_FatThick, 4.5);
    QCOMPARE(NewInfo[0].Log_start, at(2025, 12, 31, 23, 58, 1));
    for (int i = 0; i < 250; ++i) {
        const SensorSample &s = rec.samples[i];
        const SAMPLE_TYPE &d = SampleData[FreeNo][i];
        QCOMPARE(d.Nirs[0], s.oxy);
        QCOMPARE(d.Nirs[3], s.sto2);
        QCOMPARE(d.Acc[2], float(s.acc[2] * 4 / 32768.0));
        QCOMPARE(d.Gyr[1], float(s.gyr[1] * 500 / 32768.0));
        QCOMPARE(d.Status, uint16_t(s.status & 0x7FFF));
        QCOMPARE(HasEvent(FreeNo, i), (s.status & 0x8000) != 0);
    }
    // And back: the store's measurement gives the same packets.
    const SensorRecording back = recordingFromStore(NewInfo[0], FreeNo);
    QCOMPARE(encodeStream(back), encodeStream(rec));
}

QTEST_GUILESS_MAIN(TestPackets)
#include "test_packets.moc"
