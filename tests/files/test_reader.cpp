// The Open command: the three forms, every failure of the table, filled-in and repeated
// samples, the slot limit, event marks and the slot choice of two-channel files.
#include "fixture.h"

#include <QTest>

namespace {

const QString kFormatError = QStringLiteral("Data format error.");
const QString kNoRoom = QStringLiteral("Unable to open anymore.");
const QString kOtherType = QStringLiteral("The type is different from the read data.");

TDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return encodeDateTime({y, mo, d, h, mi, s, 0});
}

int timeMs(const SAMPLE_TYPE &s)
{
    return int(std::llround(s.Time * MS_PER_DAY));
}

// A sample line whose BATT cell (never read) is padded to make the line `length` bytes long
// before its CR LF.
QByteArray paddedLine(int seconds, int seq, double v, int length)
{
    QByteArray line = sampleLine(seconds, seq, v).chopped(2);
    line.insert(line.indexOf(",3.9,") + 4, QByteArray(length - line.size(), ' '));
    return line;
}

QList<int> events(int slot)
{
    QList<int> out;
    for (int i = 0; i < EVENT_MAX && EventList[slot][i] != -1; ++i)
        out << EventList[slot][i];
    return out;
}

} // namespace

class TestReader : public QObject
{
    Q_OBJECT

private slots:
    void standardForm()
    {
        FileFixture f;
        const QString path = f.write(
            standardHeader(100) +
                " 0: 0: 0,0,3.9,,, 0.0123,-0.0045, 0.0078, 65.43,  0.012, -0.998,  0.034,    1.2,"
                "   -0.4,    0.0\r\n" +
                sampleLine(0, 1, 0.25),
            QStringLiteral("run01.csv"));
        QCOMPARE(f.open(path), QStringList());
        QCOMPARE(f.prompts.dialogs.size(), 1);
        const FileDialogSpec &dialogSpec = f.prompts.dialogs[0];
        QCOMPARE(dialogSpec.title, QString());
        QCOMPARE(dialogSpec.fileName, QString());
        QCOMPARE(dialogSpec.filterName, QStringLiteral("CSVファイル"));
        QCOMPARE(dialogSpec.filterPattern, QStringLiteral("*.csv"));
        QCOMPARE(dialogSpec.defaultExtension, QStringLiteral("csv"));
        QCOMPARE(OpenDialogFileName, path);
        QVERIFY(!f.prompts.busy);

        QCOMPARE(WindowCount, 1);
        const DATA_INFO_TYPE &info = DataInfo[0];
        QVERIFY(info.Enable);
        QCOMPARE(info.DeviceType, DEVICE_VM731);
        QCOMPARE(deviceName(info), QStringLiteral("Vm731-A00123"));
        QCOMPARE(info.NumCH, 1);
        QCOMPARE(info.Ex_count, 2);
        QCOMPARE(info.Log_Rate, 100);
        QCOMPARE(info.Log_FatThick, 3.5);
        QCOMPARE(info.Log_Range[0], 4);
        QCOMPARE(info.Log_Range[1], 500);
        QVERIFY(info.Rev2);
        QCOMPARE(info.Log_start, at(2024, 5, 1, 9, 30, 0));
        QCOMPARE(info.Log_end, at(2024, 5, 1, 10, 15, 42));
        QCOMPARE(CurDeviceType, DEVICE_VM731);
        QCOMPARE(f.win.statusText, QStringLiteral("Device Type:Vm731"));
        QCOMPARE(f.win.infoLabels[0].left(21), QStringLiteral("run01.csv(S/N:A00123 "));

        const SAMPLE_TYPE &s = SampleData[0][0];
        QCOMPARE(s.Seq, 0);
        QCOMPARE(timeMs(s), 0);
        QCOMPARE(s.Status, uint16_t(0));
        QCOMPARE(s.Nirs[0], 0.0123f);
        QCOMPARE(s.Nirs[1], -0.0045f);
        QCOMPARE(s.Nirs[2], 0.0078f);
        QCOMPARE(s.Nirs[3], 0.6543f);
        QCOMPARE(s.Acc[0], 0.012f);
        QCOMPARE(s.Acc[1], -0.998f);
        QCOMPARE(s.Acc[2], 0.034f);
        QCOMPARE(s.Gyr[0], 1.2f);
        QCOMPARE(s.Gyr[1], -0.4f);
        QCOMPARE(s.Gyr[2], 0.0f);
        QCOMPARE(SampleData[0][1].Seq, 1);
        QCOMPARE(SampleData[0][1].Gyr[2], 9.25f);
        QCOMPARE(SampleData[0][1].Nirs_Ave[0], 0.25f); // averages computed ("none")
    }

    void shortForm()
    {
        FileFixture f;
        QCOMPARE(f.openBytes(shortHeader() + "0:0:0,0,3.9,S1,E, 0.0200, 70.00\r\n"
                                             "0:0:1,1,3.9,,, 0.0300, 71.00\r\n"),
                 QStringList());
        const DATA_INFO_TYPE &info = DataInfo[0];
        QVERIFY(!info.Rev2);
        QCOMPARE(info.NumCH, 1);
        QCOMPARE(info.Log_Range[0], 0);
        QCOMPARE(info.Log_FatThick, 2.0);
        QCOMPARE(info.Log_start, at(2024, 5, 1, 9, 30, 0));
        QCOMPARE(info.Log_end, at(2024, 5, 1, 9, 30, 9));
        QCOMPARE(info.Ex_count, 2);
        const SAMPLE_TYPE &s = SampleData[0][0];
        QCOMPARE(s.Nirs[0], 0.0f);
        QCOMPARE(s.Nirs[1], 0.0f);
        QCOMPARE(s.Nirs[2], 0.02f);
        QCOMPARE(s.Nirs[3], 0.7f);
        QCOMPARE(s.Acc[0], 0.0f);
        QCOMPARE(s.Status, STATUS_FILE_ERROR);
        QCOMPARE(events(0), QList<int>{0});
        QCOMPARE(SampleData[0][1].Nirs[3], 0.71f);
    }

    void twoChannelFormFillsTwoSlots()
    {
        FileFixture f;
        const QByteArray body = sampleLine(0, 0, 1).chopped(2) + secondChannelCells(20) + "\r\n" +
                                sampleLine(1, 1, 2, "S1").chopped(2) + secondChannelCells(30) +
                                "\r\n" + sampleLine(2, 2, 3, "S2").chopped(2) +
                                secondChannelCells(40, "S1", "E") + "\r\n";
        QCOMPARE(f.openBytes(twoChannelHeader() + body), QStringList());
        QCOMPARE(WindowCount, 2);
        QCOMPARE(WinInfo[0].DataNo, 0);
        QCOMPARE(WinInfo[1].DataNo, 1);
        QCOMPARE(deviceName(DataInfo[0]), QStringLiteral("Vm731-AAA111"));
        QCOMPARE(deviceName(DataInfo[1]), QStringLiteral("Vm731-BBB222"));
        QCOMPARE(DataInfo[0].NumCH, 2);
        QCOMPARE(DataInfo[1].NumCH, 0);
        QCOMPARE(DataInfo[1].DeviceType, DEVICE_VM731);
        QVERIFY(DataInfo[1].Rev2);
        QCOMPARE(DataInfo[1].Log_Rate, 1000);
        QCOMPARE(DataInfo[1].Log_Range[0], 8);
        QCOMPARE(DataInfo[1].Log_Range[1], 1000);
        QCOMPARE(DataInfo[1].Log_FatThick, 6.0);
        QCOMPARE(DataInfo[1].Log_start, at(2024, 5, 2, 10, 0, 0));
        QCOMPARE(DataInfo[1].Log_end, at(2024, 5, 2, 10, 10, 0));
        QCOMPARE(DataInfo[0].Ex_count, 3);
        QCOMPARE(DataInfo[1].Ex_count, 3);
        QCOMPARE(SampleData[0][2].Nirs[0], 3.0f);
        QCOMPARE(SampleData[1][2].Nirs[0], 40.0f);
        QCOMPARE(SampleData[1][2].Gyr[2], 49.0f);
        QCOMPARE(timeMs(SampleData[1][2]), 2000);
        QCOMPARE(SampleData[1][2].Status, STATUS_FILE_ERROR);
        QCOMPARE(SampleData[0][2].Status, uint16_t(0));
        // "S1" in the first channel's cell marks both, "S2" only the first; cell 16 the second.
        QCOMPARE(events(0), (QList<int>{1, 2}));
        QCOMPARE(events(1), (QList<int>{1, 2}));
        QVERIFY(f.win.infoLabels[1].contains(QStringLiteral("(S/N:BBB222  ")));
    }

    void twoChannelSlotChoice_data()
    {
        QTest::addColumn<QList<int>>("inUse");
        QTest::addColumn<QList<int>>("entered"); // slots of the new windows, in order
        QTest::newRow("all free") << QList<int>{} << QList<int>{0, 1};
        QTest::newRow("one free") << QList<int>{0, 1, 2} << QList<int>{3};
        QTest::newRow("1 and 3 free") << QList<int>{0, 2} << QList<int>{1, 3};
    }

    void twoChannelSlotChoice()
    {
        QFETCH(QList<int>, inUse);
        QFETCH(QList<int>, entered);
        FileFixture f;
        f.show(4);
        for (int s = 0; s < SLOT_COUNT; ++s)
            DataInfo[s].Enable = inUse.contains(s);
        WindowCount = int(inUse.size());
        for (int w = 0; w < SLOT_COUNT; ++w)
            WinInfo[w].DataNo = w < inUse.size() ? inUse[w] : -1;
        const QByteArray body =
            sampleLine(0, 0, 1, "S1").chopped(2) + secondChannelCells(20) + "\r\n";
        QCOMPARE(f.openBytes(twoChannelHeader() + body), QStringList());
        QCOMPARE(WindowCount, int(inUse.size() + entered.size()));
        for (int i = 0; i < entered.size(); ++i) {
            const int s = entered[i];
            QCOMPARE(WinInfo[inUse.size() + i].DataNo, s);
            QCOMPARE(SampleData[s][0].Nirs[0], i == 0 ? 1.0f : 20.0f);
            QCOMPARE(events(s), QList<int>{0});
        }
    }

    void shortSampleLineReadsMissingCellsAsEmpty()
    {
        FileFixture f;
        QCOMPARE(f.openBytes(standardHeader() + "0:0:0,0,3.9,,,0.1,0.2,0.3\r\n"), QStringList());
        const SAMPLE_TYPE &s = SampleData[0][0];
        QCOMPARE(s.Nirs[2], 0.3f);
        QCOMPARE(s.Nirs[3], 0.0f);
        QCOMPARE(s.Gyr[2], 0.0f);
    }

    void emptyCellsLeaveZero()
    {
        FileFixture f;
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0, 7) + "0:0:1,1,,,,,,,,,,,,,\r\n"),
                 QStringList());
        QCOMPARE(DataInfo[0].Ex_count, 2);
        QCOMPARE(SampleData[0][1].Nirs[0], 0.0f);
        QCOMPARE(SampleData[0][1].Acc[1], 0.0f);
        QCOMPARE(timeMs(SampleData[0][1]), 1000);
    }

    void fillsInMissingSamples_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QList<int>>("lineSeconds"); // TIME of each sample line
        QTest::addColumn<QList<int>>("times");       // ms of the stored samples
        QTest::addColumn<QList<int>>("values");      // Nirs[0] of the stored samples
        QTest::newRow("jump of 3 s at 1000 ms")
            << 1000 << QList<int>{0, 3, 4} << QList<int>{0, 1000, 2000, 3000, 4000}
            << QList<int>{0, 0, 0, 1, 2};
        // A line's sample takes the TIME of its line; a filled-in one the expected time.
        QList<int> tenPerSecond, times, values;
        for (int i = 0; i < 20; ++i) {
            tenPerSecond << i / 10;
            times << i / 10 * 1000;
            values << i;
        }
        QTest::newRow("ten lines a second at 100 ms") << 100 << tenPerSecond << times << values;
        QList<int> gap = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}, gapTimes, gapValues;
        for (int i = 0; i < 21; ++i) {
            gapTimes << (i < 10 ? 0 : i * 100);
            gapValues << (i < 10 ? i : i < 20 ? 9 : 10);
        }
        QTest::newRow("a missing second at 100 ms") << 100 << gap << gapTimes << gapValues;
        QTest::newRow("time running behind")
            << 1000 << QList<int>{5, 3} << QList<int>{5000, 3000} << QList<int>{0, 1};
    }

    void fillsInMissingSamples()
    {
        QFETCH(int, rate);
        QFETCH(QList<int>, lineSeconds);
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, values);
        QByteArray body;
        for (int i = 0; i < lineSeconds.size(); ++i)
            body += sampleLine(lineSeconds[i], i, i);
        FileFixture f;
        QCOMPARE(f.openBytes(standardHeader(rate) + body), QStringList());
        QCOMPARE(DataInfo[0].Ex_count, int(times.size()));
        for (int i = 0; i < times.size(); ++i) {
            QCOMPARE(timeMs(SampleData[0][i]), times[i]);
            QCOMPARE(SampleData[0][i].Nirs[0], float(values[i]));
            QCOMPARE(SampleData[0][i].Seq, i);
            QCOMPARE(SampleData[0][i].Status, uint16_t(0));
        }
    }

    void filledSamplesMatchedInSecondChannel()
    {
        FileFixture f;
        const QByteArray body = sampleLine(0, 0, 1).chopped(2) + secondChannelCells(20, "", "E") +
                                "\r\n" + sampleLine(2, 1, 2).chopped(2) + secondChannelCells(30) +
                                "\r\n";
        QCOMPARE(f.openBytes(twoChannelHeader() + body), QStringList());
        QCOMPARE(DataInfo[1].Ex_count, 3);
        QCOMPARE(timeMs(SampleData[1][1]), 1000);
        QCOMPARE(SampleData[1][1].Nirs[0], 20.0f);
        QCOMPARE(SampleData[1][1].Status, STATUS_FILE_ERROR); // the copy keeps the status
        QCOMPARE(SampleData[1][2].Nirs[0], 30.0f);
    }

    void unreadableLineRepeatsPrevious()
    {
        FileFixture f;
        QByteArray body;
        for (int i = 0; i < 4; ++i)
            body += sampleLine(i, i, i, "", i == 3 ? "E" : "");
        body += "0:0:4,4,3.9,,\r\n" + sampleLine(5, 5, 5);
        QCOMPARE(f.openBytes(standardHeader() + body), QStringList());
        QCOMPARE(DataInfo[0].Ex_count, 7);
        const SAMPLE_TYPE &r = SampleData[0][4];
        QCOMPARE(r.Seq, 4);
        QCOMPARE(timeMs(r), 3000); // its time included
        QCOMPARE(r.Nirs[0], 3.0f);
        QCOMPARE(r.Status, uint16_t(STATUS_REPEATED | STATUS_FILE_ERROR));
        // The repeat does not advance the expected time, so the line at 5 s finds 4 s missing
        // and fills it in with a copy of the repeat.
        QCOMPARE(timeMs(SampleData[0][5]), 4000);
        QCOMPARE(SampleData[0][5].Status, uint16_t(STATUS_REPEATED | STATUS_FILE_ERROR));
        QCOMPARE(timeMs(SampleData[0][6]), 5000);
        QCOMPARE(SampleData[0][6].Nirs[0], 5.0f);
    }

    void repeatedInBothChannels()
    {
        FileFixture f;
        const QByteArray body =
            sampleLine(0, 0, 1).chopped(2) + secondChannelCells(20) + "\r\n" + "0:0:1,1,3.9\r\n";
        QCOMPARE(f.openBytes(twoChannelHeader() + body), QStringList());
        QCOMPARE(DataInfo[1].Ex_count, 2);
        QCOMPARE(SampleData[1][1].Nirs[0], 20.0f);
        QCOMPARE(SampleData[1][1].Status, STATUS_REPEATED);
    }

    void eventMarkIndexIsSamplesBeforeTheLine()
    {
        FileFixture f;
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0) + sampleLine(3, 1, 0, "S1") +
                             sampleLine(4, 2, 0, "S") + sampleLine(5, 3, 0, "X1")),
                 QStringList());
        // The mark of the line at 3 s is taken before the two missing samples are filled in;
        // a lone "S" and a cell not beginning with "S" mark nothing.
        QCOMPARE(events(0), QList<int>{1});
    }

    void fullEventListDropsMarks()
    {
        FileFixture f;
        QByteArray body;
        for (int i = 0; i < EVENT_MAX + 5; ++i)
            body += sampleLine(i, i, 0, "S1");
        QCOMPARE(f.openBytes(standardHeader() + body), QStringList());
        QCOMPARE(events(0).size(), EVENT_MAX);
        QCOMPARE(DataInfo[0].Ex_count, EVENT_MAX + 5);
    }

    void longLinesAndHighBytes()
    {
        FileFixture f;
        // A 511-byte line with its CR LF is one line; the pair 0x93 0xFA is one "?" (here in
        // the unread BATT cell, and in the sensor name).
        const QByteArray exact = paddedLine(1, 1, 1, LINE_BYTES_MAX) + "\r\n";
        QCOMPARE(f.openBytes(standardHeader(1000, "Vm731-\x93\xFA"
                                                  "7") +
                             sampleLine(0, 0) + exact +
                             sampleLine(2, 2, 2).replace("3.9", "\x93\xFA")),
                 QStringList());
        QCOMPARE(DataInfo[0].Ex_count, 3);
        QCOMPARE(SampleData[0][2].Nirs[0], 2.0f);
        QCOMPARE(deviceName(DataInfo[0]), QStringLiteral("Vm731-?7"));
    }

    void overlongLineIsCut()
    {
        FileFixture f;
        // Cut after 511 bytes: the first part is a whole sample, the rest ("abc") a line that
        // cannot be read, so the sample is repeated in its place.
        const QByteArray longLine = paddedLine(1, 1, 1, LINE_BYTES_MAX) + "abc\r\n";
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0) + longLine + sampleLine(2, 2, 2)),
                 QStringList());
        QCOMPARE(DataInfo[0].Ex_count, 4);
        QCOMPARE(SampleData[0][1].Nirs[0], 1.0f);
        QCOMPARE(SampleData[0][2].Nirs[0], 1.0f);
        QCOMPARE(SampleData[0][2].Status, STATUS_REPEATED);
        QCOMPARE(SampleData[0][3].Nirs[0], 2.0f);
    }

    void endsWithoutMessage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("samples");
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("header only") << standardHeader() << 0;
        QTest::newRow("three header lines")
            << standardHeader().split('\n').mid(0, 3).join('\n') << 0;
        QTest::newRow("empty line ends the file")
            << standardHeader() + sampleLine(0, 0) + "\r\n" + sampleLine(1, 1) << 1;
        QTest::newRow("no final newline") << standardHeader() + sampleLine(0, 0).chopped(2) << 1;
        QTest::newRow("lf only")
            << QByteArray(standardHeader() + sampleLine(0, 0)).replace("\r", "") << 1;
    }

    void endsWithoutMessage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, samples);
        FileFixture f;
        QCOMPARE(f.openBytes(bytes), QStringList());
        QCOMPARE(WindowCount, samples ? 1 : 0);
        QCOMPARE(NewInfo[0].Ex_count, samples);
        QVERIFY(!f.prompts.busy);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray body = sampleLine(0, 0);
        const QByteArray std = standardHeader();
        auto header = [&](const QByteArray &line0) {
            return line0 + "\r\n" + std.mid(std.indexOf('\n') + 1) + body;
        };
        auto line = [&](int n, const QByteArray &text) {
            QList<QByteArray> lines = std.split('\n');
            lines[n] = text + '\r';
            return lines.join('\n') + body;
        };
        const QString fmt = kFormatError;
        QTest::newRow("5 cells") << header("S/N,Vm731-A,RATE,100,TH") << fmt;
        QTest::newRow("9 cells without RANGE")
            << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGX,4,500") << fmt;
        QTest::newRow("no S/N") << header("SN,Vm731-A,RATE,100,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("name of 4") << header("S/N,Vm73,RATE,100,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("name of 1") << header("S/N,V,RATE,100,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("other model") << header("S/N,Vm733-A,RATE,100,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("no RATE") << header("S/N,Vm731-A,RATES,100,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("rate 40") << header("S/N,Vm731-A,RATE,40,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("rate 5001") << header("S/N,Vm731-A,RATE,5001,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("rate of 1 char") << header("S/N,Vm731-A,RATE,5,TH,3.5,RANGE,4,500") << fmt;
        QTest::newRow("no TH") << header("S/N,Vm731-A,RATE,100,T,3.5,RANGE,4,500") << fmt;
        QTest::newRow("TH empty") << header("S/N,Vm731-A,RATE,100,TH,,RANGE,4,500") << fmt;
        QTest::newRow("TH 11.1") << header("S/N,Vm731-A,RATE,100,TH,11.1,RANGE,4,500") << fmt;
        QTest::newRow("TH -0.1") << header("S/N,Vm731-A,RATE,100,TH,-0.1,RANGE,4,500") << fmt;
        QTest::newRow("acc 1") << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,1,500") << fmt;
        QTest::newRow("acc 17") << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,17,500") << fmt;
        QTest::newRow("acc empty") << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,,500") << fmt;
        QTest::newRow("gyro 124") << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,124") << fmt;
        QTest::newRow("gyro 2001") << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,2001") << fmt;
        QTest::newRow("second S/N missing")
            << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,500,,,,,,,SN,Vm731-B,TH,3") << fmt;
        QTest::newRow("second name empty")
            << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,500,,,,,,,S/N,,TH,3") << fmt;
        QTest::newRow("second TH 12")
            << header("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,500,,,,,,,S/N,Vm731-B,TH,12") << fmt;
        QTest::newRow("start too short") << line(1, "START 202") << fmt;
        QTest::newRow("start keyword missing") << line(1, "BEGIN 2024/05/01 09:30:00") << fmt;
        QTest::newRow("end keyword missing") << line(2, "START 2024/05/01 09:30:00") << fmt;
        QTest::newRow("two channels in line 3") << line(3, ",,CH1,CH2") << fmt;
        QTest::newRow("no channel in line 3") << line(3, ",,") << fmt;
        QTest::newRow("title without TIME") << line(4, "TIM,SEQ,A,B,C,D,E") << fmt;
        QTest::newRow("title of 6 cells") << line(4, "TIME,SEQ,A,B,C,D") << fmt;
        QTest::newRow("first sample line of 5 cells") << std + "0:0:0,0,3.9,,\r\n" + body << fmt;
        QTest::newRow("rate holds letters")
            << header("S/N,Vm731-A,RATE,1O0,TH,3.5,RANGE,4,500")
            << QStringLiteral("Invalid number \"1O0\" in line 1, cell 4 of the file.");
        QTest::newRow("TH holds letters")
            << header("S/N,Vm731-A,RATE,100,TH,3;5,RANGE,4,500")
            << QStringLiteral("Invalid number \"3;5\" in line 1, cell 6 of the file.");
        QTest::newRow("month 13") << line(1, "START 2024/13/01 09:30:00")
                                  << QStringLiteral("Invalid date or time \"START 2024/13/01 "
                                                    "09:30:00\" in line 2, cell 1 of the file.");
        QTest::newRow("hour 24") << line(2, "END 2024/05/01 24:00:00")
                                 << QStringLiteral("Invalid date or time \"END 2024/05/01 "
                                                   "24:00:00\" in line 3, cell 1 of the file.");
        QTest::newRow("date without separators")
            << line(1, "START 20240501 093000")
            << QStringLiteral("Invalid date or time \"START 20240501 093000\" in line 2, cell 1 "
                              "of the file.");
        QTest::newRow("sample time 0:60:0")
            << std + body + "0:60:0,1,3.9,,,1,1,1,1,1,1,1,1,1,1\r\n"
            << QStringLiteral("Invalid time \"0:60:0\" in line 7, cell 1 of the file.");
        QTest::newRow("sample value")
            << std + body + body + "0:0:2,2,3.9,,,1,1,1,1,1,abc,1,1,1,1\r\n"
            << QStringLiteral("Invalid number \"abc\" in line 8, cell 11 of the file.");
        QTest::newRow("sample SEQ empty") << std + "0:0:0,,3.9,,,1,1,1,1,1,1,1,1,1,1\r\n"
                                          << QStringLiteral("Invalid number \"\" in line 6, "
                                                            "cell 2 of the file.");
        QTest::newRow("nan is not a number")
            << std + "0:0:0,0,3.9,,,nan,1,1,1,1,1,1,1,1,1\r\n"
            << QStringLiteral("Invalid number \"nan\" in line 6, cell 6 of the file.");
        QTest::newRow("line counted after a cut")
            << std + body + QByteArray(600, 'x') + "\r\n0:0:0,0,3.9,,,1,1,1,1,1,1,1,1,1,x\r\n"
            << QStringLiteral("Invalid number \"x\" in line 8, cell 15 of the file.");
    }

    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        FileFixture f;
        QCOMPARE(f.openBytes(bytes), QStringList{message});
        QCOMPARE(WindowCount, 0);
        QCOMPARE(NewInfo[0].Ex_count, 0);
        QCOMPARE(NewInfo[1].Ex_count, 0);
        QVERIFY(!DataInfo[0].Enable);
        QVERIFY(!f.prompts.busy);
    }

    void conversionErrorDropsSamplesRead()
    {
        FileFixture f;
        QByteArray body;
        for (int i = 0; i < 5; ++i)
            body += sampleLine(i, i);
        const QStringList shown =
            f.openBytes(standardHeader() + body + "0:0:5,5,3.9,,,1,1,1,1,1,1,1,1,1,1.2.3\r\n");
        QCOMPARE(shown, QStringList{QStringLiteral(
                            "Invalid number \"1.2.3\" in line 11, cell 15 of the file.")});
        QCOMPARE(WindowCount, 0);
        QCOMPARE(CurDeviceType, DEVICE_VM731); // set once line 0 was accepted
    }

    void headerValuesAccepted_data()
    {
        QTest::addColumn<QByteArray>("line0");
        QTest::newRow("6 cells short") << QByteArray("S/N,Vm731-A,RATE,100,TH,3.5");
        QTest::newRow("8 cells short") << QByteArray("S/N,Vm731-A,RATE,100,TH,3.5,X,Y");
        QTest::newRow("rate 50, TH 11") << QByteArray("S/N,Vm731-A,RATE,50,TH,11,RANGE,2,125");
        QTest::newRow("rate 5000, TH 0") << QByteArray("S/N,Vm731-A,RATE,5000,TH,0,RANGE,16,2000");
        QTest::newRow("name of 5, blanks")
            << QByteArray("S/N,Vm731,RATE, 100,TH, +3.5,RANGE, 4, 500");
        QTest::newRow("name without hyphen")
            << QByteArray("S/N,Vm731XYZ,RATE,100,TH,3.5,RANGE,4,500");
        QTest::newRow("18 cells") << QByteArray("S/N,Vm731-A,RATE,100,TH,3.5,RANGE,4,500,,,,,,,,,");
    }

    void headerValuesAccepted()
    {
        QFETCH(QByteArray, line0);
        const bool shortForm = cellCountOf(line0) < 9;
        const QByteArray rest = shortForm
                                    ? shortHeader().mid(shortHeader().indexOf('\n') + 1)
                                    : standardHeader().mid(standardHeader().indexOf('\n') + 1);
        FileFixture f;
        QCOMPARE(f.openBytes(line0 + "\r\n" + rest + sampleLine(0, 0)), QStringList());
        QCOMPARE(WindowCount, 1);
        QCOMPARE(DataInfo[0].Rev2, !shortForm);
    }

    void noFreeSlot()
    {
        FileFixture f;
        f.show(4);
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0)), QStringList{kNoRoom});
        QVERIFY(f.prompts.dialogs.isEmpty());
        QCOMPARE(WindowCount, 4);
    }

    void cancelledOrUnopenable_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled") << QString();
        QTest::newRow("missing file") << QStringLiteral("/nonexistent/keldra/file.csv");
    }

    void cancelledOrUnopenable()
    {
        QFETCH(QString, answer);
        FileFixture f;
        QCOMPARE(f.open(answer), QStringList());
        QCOMPARE(f.prompts.dialogs.size(), 1);
        QCOMPARE(WindowCount, 0);
        QVERIFY(!f.prompts.busy);
    }

    // A file that opens but cannot be read (here memory that is not mapped) is not entered as
    // an empty or cut recording.
    void readFailureIsReported()
    {
        FileFixture f;
        QCOMPARE(f.open(QStringLiteral("/proc/self/mem")),
                 QStringList{QStringLiteral("Unable to read the file.")});
        QCOMPARE(WindowCount, 0);
        QVERIFY(!f.prompts.busy);
    }

    void typeMustMatchShownMeasurements()
    {
        FileFixture f;
        f.show(1, DEVICE_VM732);
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0)), QStringList{kOtherType});
        QCOMPARE(WindowCount, 1);
        QCOMPARE(CurDeviceType, DEVICE_VM732);
    }

    void anyTypeWithNoWindowOpen()
    {
        FileFixture f;
        CurDeviceType = DEVICE_VM732; // left from before the last window closed
        QCOMPARE(f.openBytes(standardHeader() + sampleLine(0, 0)), QStringList());
        QCOMPARE(CurDeviceType, DEVICE_VM731);
        // A Vm732 file: its header is read, its sample lines are accepted but not parsed.
        QCOMPARE(f.openBytes(standardHeader(1000, "Vm732-X1") + "whatever\r\nat,all\r\n"),
                 QStringList{kOtherType});
        ResetStore();
        QCOMPARE(f.openBytes(standardHeader(1000, "Vm732-X1") + "whatever\r\nat,all\r\n"),
                 QStringList());
        QCOMPARE(DataInfo[0].DeviceType, DEVICE_VM732);
        QCOMPARE(DataInfo[0].Ex_count, 2);
        QCOMPARE(f.win.statusText, QStringLiteral("Device Type:Vm732"));
    }

    void stopsAtSlotLimit()
    {
        FileFixture f;
        QFile file(f.dir.filePath(QStringLiteral("big.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(standardHeader(1000));
        SAMPLE_TYPE s{};
        char buf[SAMPLE_LINE_MAX];
        QByteArray chunk;
        for (int i = 0; i < SAMPLE_MAX + 3; ++i) {
            s.Seq = i;
            s.Time = msToDays(i * 1000.0);
            s.Nirs[0] = float(i % 1000);
            chunk.append(buf, formatSampleLine(buf, s, false));
            if (chunk.size() > (1 << 20) || i == SAMPLE_MAX + 2) {
                QCOMPARE(file.write(chunk), chunk.size());
                chunk.clear();
            }
        }
        file.close();
        QCOMPARE(f.open(file.fileName()), QStringList{kNoRoom});
        QCOMPARE(DataInfo[0].Ex_count, SAMPLE_MAX);
        QCOMPARE(WindowCount, 1);
        QCOMPARE(SampleData[0][SAMPLE_MAX - 1].Nirs[0], float((SAMPLE_MAX - 1) % 1000));
        QCOMPARE(timeMs(SampleData[0][SAMPLE_MAX - 1]), (SAMPLE_MAX - 1) % 86400 * 1000);
    }

    void stopsAtSlotLimitWhileFillingIn()
    {
        FileFixture f;
        // At 50 ms, ten hours missing are 720000 samples to fill in.
        QCOMPARE(f.openBytes(standardHeader(50) + sampleLine(0, 0, 1) + sampleLine(36000, 1, 2)),
                 QStringList{kNoRoom});
        QCOMPARE(DataInfo[0].Ex_count, SAMPLE_MAX);
        QCOMPARE(SampleData[0][SAMPLE_MAX - 1].Nirs[0], 1.0f);
        QCOMPARE(timeMs(SampleData[0][SAMPLE_MAX - 1]), (SAMPLE_MAX - 1) * 50);
    }

    void exactlyFullSlot()
    {
        // Samples filled in up to the last entry, then the line's own sample does not fit.
        FileFixture f;
        // At 50 ms the line at 35999 s is sample 719980 (after 719979 filled in); 19 more lines
        // of the same second fill the slot, and the line after them is not read.
        QByteArray body = sampleLine(0, 0, 1) + sampleLine(35999, 1, 2);
        for (int i = 0; i < 19; ++i)
            body += sampleLine(35999, 2 + i, 3);
        body += sampleLine(35999, 21, 4);
        QCOMPARE(f.openBytes(standardHeader(50) + body), QStringList{kNoRoom});
        QCOMPARE(DataInfo[0].Ex_count, SAMPLE_MAX);
        QCOMPARE(SampleData[0][SAMPLE_MAX - 20].Nirs[0], 2.0f);
        QCOMPARE(SampleData[0][SAMPLE_MAX - 1].Nirs[0], 3.0f);
    }

private:
    static int cellCountOf(const QByteArray &line) { return int(line.count(',')) + 1; }
};

QTEST_GUILESS_MAIN(TestReader)
#include "test_reader.moc"
