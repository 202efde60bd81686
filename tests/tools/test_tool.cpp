// keldra-tool read end to end: the program is run on files in a temporary folder and its
// JSON Lines are checked against the reader run in this process.
#include "format.h"
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QList<QByteArray> lines; // stdout, one JSON object each
    QByteArray err;
};

Run runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("KELDRA_TOOL"), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    for (const QByteArray &l : p.readAllStandardOutput().split('\n')) {
        if (!l.isEmpty())
            r.lines << l;
    }
    r.err = p.readAllStandardError();
    return r;
}

QJsonObject object(const QByteArray &line)
{
    QJsonParseError e;
    const QJsonDocument d = QJsonDocument::fromJson(line, &e);
    if (e.error != QJsonParseError::NoError || !d.isObject())
        qWarning("not a JSON object: %s", line.constData());
    return d.object();
}

// The keys of a JSON object as they stand in its text.
QStringList keyOrder(const QByteArray &line, const QStringList &keys)
{
    QList<std::pair<qsizetype, QString>> found;
    for (const QString &k : keys)
        found.append({line.indexOf("\"" + k.toUtf8() + "\":"), k});
    std::sort(found.begin(), found.end());
    QStringList out;
    for (const auto &f : found)
        out << (f.first < 0 ? QStringLiteral("<missing %1>").arg(f.second) : f.second);
    return out;
}

const QByteArray kHeader = "S/N,Vm731-A00123,RATE,200,TH, 3.5,RANGE,4,500\r\n"
                           "START 2024/05/01 09:30:00\r\n"
                           "END 2024/05/01 10:15:42\r\n"
                           ",,CH1\r\n" +
                           QByteArray(TITLE_LINE) + "\r\n";

} // namespace

class TestTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const char *name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariable("KELDRA_TOOL").isEmpty(), "KELDRA_TOOL is not set");
    }

    // Every sample printed parses back to the float the reader stored.
    void readPrintsWhatTheReaderStores()
    {
        QRandomGenerator rng(7);
        QByteArray body;
        char buf[SAMPLE_LINE_MAX];
        for (int i = 0; i < 300; ++i) {
            SAMPLE_TYPE s{};
            s.Time = msToDays(i * 200.0 + (i > 100 ? 4000 : 0)); // a gap of 4 s
            s.Seq = i;
            s.Status = i % 17 == 0 ? STATUS_DEVICE_ERROR : 0;
            for (float &v : s.Nirs)
                v = float(rng.generateDouble() - 0.5);
            s.Nirs[3] = float(rng.generateDouble());
            for (int j = 0; j < 3; ++j) {
                s.Acc[j] = float(rng.generateDouble() * 4 - 2);
                s.Gyr[j] = float(rng.generateDouble() * 1000 - 500);
            }
            body.append(buf, formatSampleLine(buf, s, i % 50 == 3));
        }
        body += "0:1:5,300,3.9\r\n";
        const QString path = write("run01.csv", kHeader + body);

        HeadlessWindow win;
        QLocale::setDefault(QLocale::c());
        setStoreWindow(&win);
        ResetStore();
        ScriptedPrompts prompts;
        prompts.openAnswers << path;
        OpenMeasurementFile(prompts);
        setStoreWindow(nullptr);
        const int n = DataInfo[0].Ex_count;
        QCOMPARE(n, 321);

        const Run r = runTool({QStringLiteral("read"), path});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.lines.size(), n + 2);
        QCOMPARE(keyOrder(r.lines[0], {"slot", "window", "DeviceType", "Log_Device", "NumCH",
                                       "Ex_count", "Log_Rate", "Log_FatThick", "Log_Range", "Rev2",
                                       "Log_start", "Log_end", "events", "InfoLabel"}),
                 (QStringList{"slot", "window", "DeviceType", "Log_Device", "NumCH", "Ex_count",
                              "Log_Rate", "Log_FatThick", "Log_Range", "Rev2", "Log_start",
                              "Log_end", "events", "InfoLabel"}));
        const QJsonObject h = object(r.lines[0])[QStringLiteral("entered")].toObject();
        QCOMPARE(h[QStringLiteral("slot")].toInt(), 0);
        QCOMPARE(h[QStringLiteral("window")].toInt(), 0);
        QCOMPARE(h[QStringLiteral("DeviceType")].toInt(), 1);
        QCOMPARE(h[QStringLiteral("Log_Device")].toString(), QStringLiteral("Vm731-A00123"));
        QCOMPARE(h[QStringLiteral("NumCH")].toInt(), 1);
        QCOMPARE(h[QStringLiteral("Ex_count")].toInt(), n);
        QCOMPARE(h[QStringLiteral("Log_Rate")].toInt(), 200);
        QCOMPARE(h[QStringLiteral("Log_FatThick")].toDouble(), 3.5);
        QCOMPARE(h[QStringLiteral("Log_Range")].toArray(), (QJsonArray{4, 500}));
        QCOMPARE(h[QStringLiteral("Rev2")].toBool(), true);
        QCOMPARE(h[QStringLiteral("Log_start")].toString(),
                 QStringLiteral("2024-05-01 09:30:00.000"));
        QCOMPARE(h[QStringLiteral("Log_end")].toString(),
                 QStringLiteral("2024-05-01 10:15:42.000"));
        QJsonArray events;
        for (int i = 0; EventList[0][i] != -1; ++i)
            events << EventList[0][i];
        QCOMPARE(events.size(), 6);
        QCOMPARE(h[QStringLiteral("events")].toArray(), events);
        QCOMPARE(h[QStringLiteral("InfoLabel")].toString(),
                 QStringLiteral("run01.csv(S/N:A00123  2024/05/01 09:30:00 - 2024/05/01 10:15:42 "
                                "@200[ms],3.5[mm])"));

        for (int i = 0; i < n; ++i) {
            const QByteArray &line = r.lines[1 + i];
            QCOMPARE(keyOrder(line, {"Seq", "Time_ms", "Status", "Nirs", "Acc", "Gyr"}),
                     (QStringList{"Seq", "Time_ms", "Status", "Nirs", "Acc", "Gyr"}));
            const QJsonObject o = object(line);
            const SAMPLE_TYPE &s = SampleData[0][i];
            QCOMPARE(o[QStringLiteral("Seq")].toInt(), i);
            QCOMPARE(o[QStringLiteral("Time_ms")].toInteger(), std::llround(s.Time * MS_PER_DAY));
            QCOMPARE(o[QStringLiteral("Status")].toInt(), int(s.Status));
            const QJsonArray nirs = o[QStringLiteral("Nirs")].toArray();
            const QJsonArray acc = o[QStringLiteral("Acc")].toArray();
            const QJsonArray gyr = o[QStringLiteral("Gyr")].toArray();
            QCOMPARE(nirs.size(), 4);
            QCOMPARE(acc.size(), 3);
            QCOMPARE(gyr.size(), 3);
            for (int j = 0; j < 4; ++j)
                QVERIFY(float(nirs[j].toDouble()) == s.Nirs[j]);
            for (int j = 0; j < 3; ++j) {
                QVERIFY(float(acc[j].toDouble()) == s.Acc[j]);
                QVERIFY(float(gyr[j].toDouble()) == s.Gyr[j]);
            }
        }
        QCOMPARE(object(r.lines.last()), (QJsonObject{{"WindowCount", 1}, {"CurDeviceType", 1}}));
    }

    void twoChannelFileEntersTwice()
    {
        const QByteArray title = QByteArray(TITLE_LINE);
        const QString path =
            write("two.csv",
                  "S/N,Vm731-AAA111,RATE,1000,TH,3.5,RANGE,8,1000,,,,,,,S/N,Vm731-BBB222,TH,6.0\r\n"
                  "START 2024/05/01 09:30:00,,,,,,,,,,,,,,,START 2024/05/02 10:00:00\r\n"
                  "END 2024/05/01 09:40:00,,,,,,,,,,,,,,,END 2024/05/02 10:10:00\r\n"
                  ",,CH1,,,,,,,,,,,,,,,CH2\r\n" +
                      title + "," + title.mid(9) +
                      "\r\n"
                      "0:0:0,0,3.9,S1,,1,1,1,50,0,0,0,0,0,0,3.8,,,2,2,2,60,0,0,0,0,0,0\r\n");
        const Run r = runTool({QStringLiteral("read"), QStringLiteral("--in-use=1"), path});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 5);
        const QJsonObject first = object(r.lines[0])[QStringLiteral("entered")].toObject();
        const QJsonObject second = object(r.lines[2])[QStringLiteral("entered")].toObject();
        QCOMPARE(first[QStringLiteral("slot")].toInt(), 1);
        QCOMPARE(first[QStringLiteral("window")].toInt(), 1);
        QCOMPARE(first[QStringLiteral("NumCH")].toInt(), 2);
        QCOMPARE(second[QStringLiteral("slot")].toInt(), 2);
        QCOMPARE(second[QStringLiteral("window")].toInt(), 2);
        QCOMPARE(second[QStringLiteral("NumCH")].toInt(), 0);
        QCOMPARE(second[QStringLiteral("Log_Device")].toString(), QStringLiteral("Vm731-BBB222"));
        QCOMPARE(second[QStringLiteral("events")].toArray(), QJsonArray{0});
        QCOMPARE(object(r.lines[3])[QStringLiteral("Nirs")].toArray(), (QJsonArray{2, 2, 2, 0.6}));
        QCOMPARE(object(r.lines[4]), (QJsonObject{{"WindowCount", 3}, {"CurDeviceType", 1}}));
    }

    void messages_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("lines");
        const QByteArray good = kHeader + "0:0:0,0,3.9,,,1,1,1,1,1,1,1,1,1,1\r\n";
        QTest::newRow("no free slot")
            << QStringList{"--in-use", "4"} << good
            << QList<QByteArray>{"{\"message\":\"Unable to open anymore.\"}",
                                 "{\"WindowCount\":4,\"CurDeviceType\":1}"};
        QTest::newRow("other type shown")
            << QStringList{"--in-use", "1", "--shown-type", "2"} << good
            << QList<QByteArray>{"{\"message\":\"The type is different from the read data.\"}",
                                 "{\"WindowCount\":1,\"CurDeviceType\":2}"};
        QTest::newRow("format error")
            << QStringList{} << QByteArray("S/N,Vm731-A,RATE\r\n")
            << QList<QByteArray>{"{\"message\":\"Data format error.\"}",
                                 "{\"WindowCount\":0,\"CurDeviceType\":0}"};
        QTest::newRow("conversion error")
            << QStringList{} << kHeader + "0:0:0,0,3.9,,,1,1,1,1,1,1,1,1,1,1x\r\n"
            << QList<QByteArray>{
                   "{\"message\":\"Invalid number \\\"1x\\\" in line 6, cell 15 of the file.\"}",
                   "{\"WindowCount\":0,\"CurDeviceType\":1}"};
        QTest::newRow("header only")
            << QStringList{} << kHeader
            << QList<QByteArray>{"{\"WindowCount\":0,\"CurDeviceType\":1}"};
    }

    void messages()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, lines);
        const Run r = runTool(QStringList{"read"} + options + QStringList{write("m.csv", bytes)});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, lines);
    }

    void missingFileIsNotAnError()
    {
        const Run r = runTool({"read", m_dir.filePath("missing.csv")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, QList<QByteArray>{"{\"WindowCount\":0,\"CurDeviceType\":0}"});
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown subcommand") << QStringList{"frobnicate", "x.csv"};
        QTest::newRow("no file") << QStringList{"read"};
        QTest::newRow("two files") << QStringList{"read", "a.csv", "b.csv"};
        QTest::newRow("in-use 5") << QStringList{"read", "--in-use", "5", "a.csv"};
        QTest::newRow("in-use -1") << QStringList{"read", "--in-use=-1", "a.csv"};
        QTest::newRow("in-use without value") << QStringList{"read", "a.csv", "--in-use"};
        QTest::newRow("shown-type not a number")
            << QStringList{"read", "--shown-type", "x", "a.csv"};
        QTest::newRow("unknown option") << QStringList{"read", "--verbose", "a.csv"};
    }

    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = runTool(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.lines.isEmpty());
        QVERIFY2(r.err.contains("usage:"), r.err.constData());
        QVERIFY(r.err.contains("keldra-tool read [--in-use N] [--shown-type T] FILE"));
    }

    void helpPrintsUsageOnStdout_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("--help") << QStringLiteral("--help");
        QTest::newRow("-h") << QStringLiteral("-h");
    }
    void helpPrintsUsageOnStdout()
    {
        QFETCH(QString, option);
        const Run r = runTool({option});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), r.err.constData());
        QVERIFY(!r.lines.isEmpty());
        QCOMPARE(r.lines.constFirst(), QByteArray("usage:"));
        for (const char *sub : {"read", "decode", "command", "encode"})
            QVERIFY(r.lines.join('\n').contains(QByteArray("  keldra-tool ") + sub + ' '));
    }
};

QTEST_GUILESS_MAIN(TestTool)
#include "test_tool.moc"
