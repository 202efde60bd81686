// keldra-tool decode, command and encode, run as the operator would.
#include "sensorrecording.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QList<QJsonObject> lines;
};

Run tool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("KELDRA_TOOL"), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    for (const QByteArray &l : p.readAllStandardOutput().split('\n')) {
        if (!l.isEmpty())
            r.lines << QJsonDocument::fromJson(l).object();
    }
    return r;
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList values(const Run &r, const char *key)
{
    QStringList out;
    for (const QJsonObject &o : r.lines) {
        if (o.contains(QLatin1String(key)))
            out << o.value(QLatin1String(key)).toString();
    }
    return out;
}

// The worked example's header announcing three records and its data frame three times.
QByteArray exampleStream()
{
    QByteArray s;
    appendFrame(s, hex("00 12 34 00 01 40 40 00 00 00 00 00 00 00 00 00 03 00 01 00 04 00 24 02 "
                       "29 00 23 59 59"));
    for (int i = 0; i < 3; ++i)
        s += hex("7B 01 03 7C 5D 80 40 3F 80 00 00 3E 80 00 00 3F 40 00 00 40 00 C0 00 7F FF "
                 "00 00 80 00 7F FF 7D");
    return s;
}

} // namespace

class TestDeviceTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariable("KELDRA_TOOL").isEmpty()); }
    void command_data();
    void command();
    void commandRefusesBadArguments_data();
    void commandRefusesBadArguments();
    void decodeWholeUpload();
    void decodeEmptyRecording();
    void decodeFailedSave();
    void encodeDecodeRoundTrip();
};

void TestDeviceTool::command_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("bytes");
    const QString at = QStringLiteral("2025-03-07 14:05:09.600");
    QTest::newRow("upload") << QStringList{"upload", "--at", at}
                            << "02 52 53 2C 32 35 30 33 30 37 31 34 30 35 31 30 03 02 47 53 34 03";
    QTest::newRow("set") << QStringList{"set",     "--at",      at,      "--rate", "5",
                                        "--thick", "110",       "--acc", "3",      "--gyro",
                                        "4",       "--autooff", "3"}
                         << "02 52 53 2C 32 35 30 33 30 37 31 34 30 35 31 30 03 02 53 53 35 2C 31 "
                            "31 30 2C 33 34 2C 30 30 30 2C 36 30 03";
    QTest::newRow("set defaults") << QStringList{"set", "--at=2025-03-07 14:05:09.600"}
                                  << "02 52 53 2C 32 35 30 33 30 37 31 34 30 35 31 30 03 02 53 53 "
                                     "30 2C 30 33 30 2C 30 30 2C 30 30 30 2C 30 30 03";
    QTest::newRow("cancel") << QStringList{"cancel"} << "02 47 43 03";
    QTest::newRow("clear") << QStringList{"clear"} << "02 40 43 4C 52 03";
}

void TestDeviceTool::command()
{
    QFETCH(QStringList, args);
    QFETCH(QString, bytes);
    const Run r = tool(QStringList{"command"} + args);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(values(r, "bytes"), QStringList{bytes});
}

void TestDeviceTool::commandRefusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no kind") << QStringList{};
    QTest::newRow("unknown kind") << QStringList{"reset"};
    QTest::newRow("thickness out of range") << QStringList{"set", "--thick", "111"};
    QTest::newRow("rate out of table") << QStringList{"set", "--rate", "6"};
    QTest::newRow("conditions on upload") << QStringList{"upload", "--acc", "1"};
    QTest::newRow("bad date") << QStringList{"upload", "--at", "yesterday"};
}

void TestDeviceTool::commandRefusesBadArguments()
{
    QFETCH(QStringList, args);
    const Run r = tool(QStringList{"command"} + args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.lines.isEmpty());
}

void TestDeviceTool::decodeWholeUpload()
{
    QTemporaryDir dir;
    const QString stream = dir.filePath(QStringLiteral("s.bin"));
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(writeFile(stream, exampleStream()));
    QVERIFY(writeFile(out, "old"));
    const Run r = tool({"decode", "--name", "Vm731-A7", stream, out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(values(r, "progress"), (QStringList{"", "0/3  0% Received.", "1/3  33% Received.",
                                                 "2/3  66% Received.", "3/3  100% Received."}));
    QCOMPARE(values(r, "message"), QStringList{"Do you want to overwrite the existing file?"});
    QCOMPARE(values(r, "saved"), QStringList{out});
    const QByteArray file = readFile(out);
    QVERIFY(file.startsWith("S/N,Vm731-A7,RATE,100,TH, 3.0,RANGE,4,2000\r\n"));
    QVERIFY(r.lines.size() >= 4);
    const QJsonObject entered = r.lines[r.lines.size() - 5].value("entered").toObject();
    QCOMPARE(entered.value("Ex_count").toInt(), 3);
    QCOMPARE(entered.value("Log_start").toString(), QStringLiteral("2024-02-29 23:59:59.000"));
    const QJsonObject first = r.lines[r.lines.size() - 4];
    QCOMPARE(float(first.value("Batt").toDouble()), float(893 * 0.00352));
    QCOMPARE(first.value("Status").toInt(), 0x40);
    const QJsonObject last = r.lines.last();
    QCOMPARE(last.value("Log_Count").toInt(), 3);
    QCOMPARE(last.value("Get_Count").toInt(), 3);
}

void TestDeviceTool::decodeEmptyRecording()
{
    QTemporaryDir dir;
    const QString stream = dir.filePath(QStringLiteral("s.bin"));
    SensorRecording empty;
    QVERIFY(writeFile(stream, encodeStream(empty)));
    const Run r = tool({"decode", "--name", "Vm731-A7", stream, dir.filePath("out.csv")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(values(r, "message"), QStringList{"No data recorded."});
    QCOMPARE(values(r, "progress"), QStringList{""});
    QVERIFY(values(r, "saved").isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("out.csv")));
    QCOMPARE(r.lines.last().value("Log_Count").toInt(), 0);
}

// A save that fails is reported as failed, never as saved, and ends the tool with status 1.
void TestDeviceTool::decodeFailedSave()
{
    QTemporaryDir dir;
    const QString stream = dir.filePath(QStringLiteral("s.bin"));
    QVERIFY(writeFile(stream, exampleStream()));
    const QString out = dir.filePath(QStringLiteral("missing/out.csv"));
    const Run r = tool({"decode", "--name", "Vm731-A7", stream, out});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(values(r, "message"), QStringList{"Unable to create file."});
    QVERIFY(values(r, "saved").isEmpty());
    QCOMPARE(values(r, "failed"), QStringList{out});
}

void TestDeviceTool::encodeDecodeRoundTrip()
{
    QTemporaryDir dir;
    SensorRecording rec = generateRecording(300, 3);
    rec.samples[5].status = 0x8040;
    QVERIFY(writeFile(dir.filePath("s.bin"), encodeStream(rec)));
    QCOMPARE(tool({"decode", "--name", "Vm731-1", dir.filePath("s.bin"), dir.filePath("a.csv")})
                 .exitCode,
             0);
    const Run e = tool({"encode", dir.filePath("a.csv"), dir.filePath("s2.bin")});
    QCOMPARE(e.exitCode, 0);
    QCOMPARE(e.lines.last().value("records").toInt(), 300);
    QCOMPARE(tool({"decode", "--name", "Vm731-1", dir.filePath("s2.bin"), dir.filePath("b.csv")})
                 .exitCode,
             0);
    const QByteArray a = readFile(dir.filePath("a.csv"));
    QVERIFY(a.contains(",S1,E,"));
    // The reader leaves the battery voltage out, so the second file has 0.0 there; TOHb is the
    // sum of the rounded OXHb and DXHb the file gave.
    auto withoutBattery = [](const QByteArray &file) {
        QList<QByteArray> lines = file.split('\n');
        for (QByteArray &l : lines) {
            QList<QByteArray> cells = l.split(',');
            if (cells.size() == 15) {
                cells.removeAt(7);
                cells.removeAt(2);
            }
            l = cells.join(',');
        }
        return lines;
    };
    QCOMPARE(withoutBattery(readFile(dir.filePath("b.csv"))), withoutBattery(a));
}

QTEST_GUILESS_MAIN(TestDeviceTool)
#include "test_devicetool.moc"
