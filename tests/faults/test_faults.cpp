// A failing disk under a save: every write, the sync, the close and the rename fail in turn
// (through the preloaded fault library), and a small tmpfs fills up for real. A failed save
// is reported and leaves the old file as it was and nothing else behind; an upload whose file
// is not whole, or does not read back as the recording, never clears the sensor.
#include "../device/connect/rig.h"
#include "format.h"
#include "generator.h"
#include "inifile.h"
#include "reader.h"
#include "wholefile.h"
#include "writer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <dlfcn.h>
#include <sys/mount.h>

namespace {

using ArmFn = void (*)(const char *, const char *, long, long long, int);
using CallsFn = long (*)(const char *);
ArmFn armFault = nullptr;
CallsFn faultCalls = nullptr;

const QString kCannotCreate = QStringLiteral("Unable to create file.");
const QString kNotVerified =
    QStringLiteral("The recording was saved but could not be verified. It is still in the sensor.");

void arm(const QString &dir, const QString &op = QString(), long nth = 0, qint64 bytes = -1)
{
    armFault(QFile::encodeName(dir).constData(), op.toLatin1().constData(), nth, bytes, 0);
}

void disarm()
{
    armFault("", "", 0, -1, 0);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// An upload of count samples in slot FreeNo, as the decoder leaves it.
void stageRecording(int count)
{
    ResetStore();
    SetFreeNo();
    DATA_INFO_TYPE &info = NewInfo[0];
    ClearInfo(info);
    info.DeviceType = DEVICE_VM731;
    info.NumCH = 1;
    info.Rev2 = true;
    setDeviceName(info, QStringLiteral("Vm731-F00042"));
    info.Log_Rate = 100;
    info.Log_FatThick = 3.5;
    info.Log_Range[0] = 4;
    info.Log_Range[1] = 500;
    info.Log_start = encodeDateTime({2025, 3, 7, 14, 5, 10, 0});
    info.Log_end = info.Log_start + msToDays(100.0 * count);
    ClearEventList(FreeNo);
    for (int i = 0; i < count; ++i) {
        SAMPLE_TYPE &s = SampleData[FreeNo][i];
        s = SAMPLE_TYPE{};
        s.Time = msToDays(100.0 * i);
        s.Seq = i;
        s.Batt = 3.9f;
        for (int j = 0; j < 3; ++j) {
            s.Nirs[j] = 0.01f * float(i % 97) + float(j);
            s.Acc[j] = 0.125f * float(j) - 0.5f;
            s.Gyr[j] = 10.5f * float(j);
        }
        s.Nirs[3] = 0.6543f;
    }
    AddEvent(FreeNo, count / 2);
    info.Ex_count = count;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { disarm(); }
    void cleanup() { disarm(); }
    void saveFailsAtEveryStep_data();
    void saveFailsAtEveryStep();
    void folderSyncFailureIsReported();
    void longNameIsOverwritten();
    void savedFileReadsBack();
    void alteredFileIsNotVerified_data();
    void alteredFileIsNotVerified();
    void unusualValuesOpen_data();
    void unusualValuesOpen();
    void uploadKeepsRecordingWhenSaveFails_data();
    void uploadKeepsRecordingWhenSaveFails();
    void uploadKeepsRecordingWhenNotVerified();
    void uploadOfUnusualValuesOpensAndClears();
    void settingsWriteFails_data();
    void settingsWriteFails();
    void generatedFileIsWholeOrNothing();
    void fullTmpfs();
};

void TestFaults::initTestCase()
{
    armFault = reinterpret_cast<ArmFn>(dlsym(RTLD_DEFAULT, "kdv_fault_arm"));
    faultCalls = reinterpret_cast<CallsFn>(dlsym(RTLD_DEFAULT, "kdv_fault_calls"));
    if (!armFault || !faultCalls) {
        if (qEnvironmentVariableIsSet("LD_PRELOAD"))
            QFAIL("the fault library is preloaded but its controls are missing");
        QSKIP("run with the fault library preloaded (ctest does): LD_PRELOAD is not set");
    }
}

void TestFaults::saveFailsAtEveryStep_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("oldFile");
    for (const bool old : {false, true}) {
        const char *suffix = old ? " over an old file" : " without an old file";
        for (const char *op : {"open", "write", "bytes", "fdatasync", "close", "rename"})
            QTest::addRow("%s%s", op, suffix) << QString::fromLatin1(op) << old;
    }
}

// Each failure point of a save of a file of several 64 KiB chunks: the chunks one by one, a
// disk filling at byte offsets (in the first chunk, at a chunk's end, in the last 16 KiB, at
// the last byte), and the sync, close and rename.
void TestFaults::saveFailsAtEveryStep()
{
    QFETCH(QString, op);
    QFETCH(bool, oldFile);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    const QByteArray oldBytes = "S/N,Vm731-OLD,RATE,100\r\nold measurement\r\n";
    stageRecording(3000);

    // A save that succeeds tells how many writes and bytes a whole file takes.
    SaveDialogFileName = target;
    arm(dir.path());
    ScriptedPrompts probe;
    QVERIFY(Save(probe));
    const long writes = faultCalls("write");
    const qint64 size = QFileInfo(target).size();
    QVERIFY2(writes >= 4, "the test file should span several chunks");
    QVERIFY(QFile::remove(target));

    QList<QPair<long, qint64>> cases; // (nth call, byte budget)
    if (op == QLatin1String("write")) {
        for (long n = 1; n <= writes; ++n)
            cases.append({n, -1});
    } else if (op == QLatin1String("bytes")) {
        for (const qint64 at :
             {qint64(0), qint64(100), qint64(64 * 1024), size - 16 * 1024 + 7, size - 1})
            cases.append({0, at});
    } else {
        cases.append({1, -1});
    }
    for (const auto &[nth, bytes] : cases) {
        const QString what = QStringLiteral("%1 %2/%3").arg(op).arg(nth).arg(bytes);
        if (oldFile)
            QVERIFY(writeFile(target, oldBytes));
        ScriptedPrompts prompts;
        prompts.cautionAnswers << true;
        arm(dir.path(), op == QLatin1String("bytes") ? QStringLiteral("write") : op, nth, bytes);
        const bool saved = Save(prompts);
        disarm();
        QVERIFY2(!saved, qPrintable(what));
        QVERIFY2(prompts.messages().contains(kCannotCreate), qPrintable(what));
        if (oldFile) {
            QVERIFY2(readFile(target) == oldBytes, qPrintable(what));
            QCOMPARE(entries(dir.path()), QStringList{"out.csv"});
        } else {
            QVERIFY2(entries(dir.path()).isEmpty(), qPrintable(what));
        }
    }
}

// After the rename the new file is in place, but a folder that could not be synced may lose it
// at a power loss: reported, never taken as saved.
void TestFaults::folderSyncFailureIsReported()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    stageRecording(50);
    SaveDialogFileName = target;
    ScriptedPrompts prompts;
    arm(dir.path(), QStringLiteral("fsync"), 1);
    QVERIFY(!Save(prompts));
    QCOMPARE(prompts.messages(), QStringList{kCannotCreate});
    QCOMPARE(entries(dir.path()), QStringList{"out.csv"});
}

// A target whose name is as long as a name may be: the temporary name still fits.
void TestFaults::longNameIsOverwritten()
{
    QTemporaryDir dir;
    const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".csv");
    const QString target = dir.filePath(name);
    QVERIFY(writeFile(target, "old"));
    QVERIFY(QFileInfo(WholeFile::temporaryName(target, 0xFFFFFFFF)).fileName().toUtf8().size() <=
            255);
    stageRecording(20);
    SaveDialogFileName = target;
    ScriptedPrompts prompts;
    prompts.cautionAnswers << true;
    QVERIFY(Save(prompts));
    QVERIFY(readFile(target).startsWith("S/N,Vm731-F00042,"));
    QVERIFY(SavedFileMatches(target));
    QCOMPARE(entries(dir.path()), QStringList{name});
}

// The read-back leaves the staging area and the slot as they were.
void TestFaults::savedFileReadsBack()
{
    QTemporaryDir dir;
    stageRecording(SAMPLE_MAX);
    SaveDialogFileName = dir.filePath(QStringLiteral("full.csv"));
    ScriptedPrompts prompts;
    QVERIFY(Save(prompts));
    const DATA_INFO_TYPE before = NewInfo[0];
    const SAMPLE_TYPE last = SampleData[FreeNo][SAMPLE_MAX - 1];
    QVERIFY(SavedFileMatches(SaveDialogFileName));
    QCOMPARE(std::memcmp(&before, &NewInfo[0], sizeof before), 0);
    QCOMPARE(std::memcmp(&last, &SampleData[FreeNo][SAMPLE_MAX - 1], sizeof last), 0);
    QVERIFY(HasEvent(FreeNo, SAMPLE_MAX / 2));
    QCOMPARE(EventList[FreeNo][1], -1);
    QVERIFY(prompts.messages().isEmpty());
}

void TestFaults::alteredFileIsNotVerified_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("name") << QByteArray("Vm731-F00042") << QByteArray("Vm731-F00043");
    QTest::newRow("thickness") << QByteArray("TH, 3.5") << QByteArray("TH, 3.4");
    QTest::newRow("start") << QByteArray("START 2025/03/07 14:05:10")
                           << QByteArray("START 2025/03/07 14:05:11");
    QTest::newRow("value") << QByteArray(" 0.9600, 1.9600") << QByteArray(" 0.9600, 1.9700");
    QTest::newRow("seq") << QByteArray(" 0: 0: 1,10,") << QByteArray(" 0: 0: 1,11,");
    QTest::newRow("time") << QByteArray(" 0: 0: 1,10,") << QByteArray(" 0: 0: 2,10,");
    QTest::newRow("mark lost") << QByteArray(",S1,") << QByteArray(",,");
    QTest::newRow("mark added") << QByteArray(" 0: 0: 2,20,3.9,,")
                                << QByteArray(" 0: 0: 2,20,3.9,S1,");
    QTest::newRow("cell lost") << QByteArray("199,3.9") << QByteArray("199");
    QTest::newRow("error flag") << QByteArray(" 0: 0: 2,20,3.9,,,")
                                << QByteArray(" 0: 0: 2,20,3.9,,E,");
    QTest::newRow("line added") << QByteArray(" 0: 0:19,199,")
                                << QByteArray(" 0: 0:19,199,3.9,,, 1.0000\r\n 0: 0:19,199,");
}

void TestFaults::alteredFileIsNotVerified()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QTemporaryDir dir;
    stageRecording(200);
    SaveDialogFileName = dir.filePath(QStringLiteral("a.csv"));
    ScriptedPrompts prompts;
    QVERIFY(Save(prompts));
    QVERIFY(SavedFileMatches(SaveDialogFileName));
    QByteArray bytes = readFile(SaveDialogFileName);
    const qsizetype at = bytes.indexOf(from);
    QVERIFY2(at >= 0, bytes.left(400).constData());
    bytes.replace(at, from.size(), to);
    QVERIFY(writeFile(SaveDialogFileName, bytes));
    QVERIFY(!SavedFileMatches(SaveDialogFileName));
    QCOMPARE(NewInfo[0].Ex_count, 200);
}

void TestFaults::unusualValuesOpen_data()
{
    QTest::addColumn<double>("fat");
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("reads");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("NaN") << 3.0 << std::numeric_limits<float>::quiet_NaN() << 0.0f;
    QTest::newRow("Inf") << 3.0 << inf << 0.0f;
    QTest::newRow("-Inf") << 3.0 << -inf << 0.0f;
    QTest::newRow("huge") << 3.0 << 3e38f << 0.0f;
    QTest::newRow("below the limit") << 3.0 << 123456.5f << 123456.5f;
    QTest::newRow("fat 1e30") << 1e30 << 1.0f << 1.0f;
    QTest::newRow("fat NaN") << std::nan("") << 1.0f << 1.0f;
    QTest::newRow("fat -2") << -2.0 << 1.0f << 1.0f;
    QTest::newRow("fat 11.06") << 11.06 << 1.0f << 1.0f;
}

// Values the format cannot carry are written so that the file opens in the viewer, reads back
// as the recording and the upload may clear the sensor.
void TestFaults::unusualValuesOpen()
{
    QFETCH(double, fat);
    QFETCH(float, value);
    QFETCH(float, reads);
    QTemporaryDir dir;
    stageRecording(10);
    NewInfo[0].Log_FatThick = fat;
    for (int j = 0; j < 3; ++j) {
        SampleData[FreeNo][4].Nirs[j] = value;
        SampleData[FreeNo][4].Acc[j] = value;
        SampleData[FreeNo][4].Gyr[j] = value;
    }
    SampleData[FreeNo][4].Nirs[3] = value;
    SampleData[FreeNo][4].Batt = value;
    SaveDialogFileName = dir.filePath(QStringLiteral("odd.csv"));
    ScriptedPrompts prompts;
    QVERIFY(Save(prompts));
    QVERIFY(SavedFileMatches(SaveDialogFileName));

    ResetStore();
    prompts.openAnswers << SaveDialogFileName;
    OpenMeasurementFile(prompts);
    QCOMPARE(prompts.messages(), QStringList{});
    QCOMPARE(DataInfo[0].Ex_count, 10);
    QVERIFY(DataInfo[0].Log_FatThick >= 0 && DataInfo[0].Log_FatThick <= 11);
    QCOMPARE(SampleData[0][4].Nirs[0], reads);
    QCOMPARE(SampleData[0][4].Gyr[2], reads);
    QCOMPARE(SampleData[0][3].Nirs[1], 1.03f);
}

void TestFaults::uploadKeepsRecordingWhenSaveFails_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("oldFile");
    for (const bool old : {false, true}) {
        for (const char *op : {"write", "fdatasync", "close", "rename"})
            QTest::addRow("%s%s", op, old ? " over an old file" : "")
                << QString::fromLatin1(op) << old;
    }
}

void TestFaults::uploadKeepsRecordingWhenSaveFails()
{
    QFETCH(QString, op);
    QFETCH(bool, oldFile);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("up.csv"));
    if (oldFile)
        QVERIFY(writeFile(target, "old"));
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("A00123"), 120);
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << target;
    rig.prompts.cautionAnswers << true;
    arm(dir.path(), op, 1);
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 10000));
    disarm();
    QVERIFY(rig.prompts.messages().contains(kCannotCreate));
    QCOMPARE(sensor->clears, 0);
    QVERIFY(!sensor->commands.contains(QStringLiteral("@CLR")));
    QCOMPARE(readFile(target), oldFile ? QByteArray("old") : QByteArray());
    QCOMPARE(entries(dir.path()), oldFile ? QStringList{"up.csv"} : QStringList{});
}

// A save reported as done whose file then does not read back: kept in the sensor.
void TestFaults::uploadKeepsRecordingWhenNotVerified()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("up.csv"));
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("A00123"), 30);
    rig.form->session().setSaver([](Prompts &p) {
        if (!Save(p))
            return false;
        QFile f(SaveDialogFileName);
        return f.open(QIODevice::ReadWrite) && f.resize(f.size() - 40);
    });
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << target;
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 10000));
    QCOMPARE(rig.prompts.messages(), QStringList{kNotVerified});
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(WindowCount, 1); // the recording is shown all the same
}

// NaN and infinite values and a thickness of 1e30 from the sensor: the file opens in the
// viewer and reads back, so the sensor is cleared.
void TestFaults::uploadOfUnusualValuesOpensAndClears()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("odd.csv"));
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("A00123"), 0);
    SensorRecording rec = generateRecording(40);
    rec.fatThick = 1e30f;
    rec.samples[3].oxy = std::numeric_limits<float>::quiet_NaN();
    rec.samples[4].deoxy = std::numeric_limits<float>::infinity();
    rec.samples[5].sto2 = -std::numeric_limits<float>::infinity();
    sensor->setRecording(rec);
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << target;
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 10000));
    QCOMPARE(rig.prompts.messages(), QStringList{});
    QCOMPARE(sensor->clears, 1);

    ResetStore();
    ScriptedPrompts prompts;
    prompts.openAnswers << target;
    OpenMeasurementFile(prompts);
    QCOMPARE(prompts.messages(), QStringList{});
    QCOMPARE(DataInfo[0].Ex_count, 40);
    QCOMPARE(DataInfo[0].Log_FatThick, 11.0);
    QCOMPARE(SampleData[0][3].Nirs[0], 0.0f);
    QCOMPARE(SampleData[0][4].Nirs[1], 0.0f);
    QCOMPARE(SampleData[0][4].Nirs[2], 0.0f); // OXHb + DXHb is infinite too
    QCOMPARE(SampleData[0][5].Nirs[3], 0.0f);
}

void TestFaults::settingsWriteFails_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("batch");
    for (const bool batch : {false, true}) {
        for (const char *op : {"open", "write", "fdatasync", "close", "rename"})
            QTest::addRow("%s%s", op, batch ? " in a batch" : "")
                << QString::fromLatin1(op) << batch;
    }
}

void TestFaults::settingsWriteFails()
{
    QFETCH(QString, op);
    QFETCH(bool, batch);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("viewer.ini"));
    const QByteArray old = "[Form]\r\nTop=10\r\nLeft=20\r\n\r\n[Condition]\r\nRate=3\r\n";
    QVERIFY(writeFile(path, old));
    ScriptedPrompts prompts;
    IniFile ini(path, prompts);
    const QString error = QDir::toNativeSeparators(path) + QStringLiteral(" に書き込めません");
    // The calls on the temporary file only (named after the file, beside it).
    arm(QStringLiteral("/.viewer.ini.~"), op, 1);
    if (batch) {
        IniBatch step(ini);
        QCOMPARE(ini.readInteger(QStringLiteral("Form"), QStringLiteral("Top"), -1), 10);
        QVERIFY(ini.writeInteger(QStringLiteral("Form"), QStringLiteral("Top"), 11));
        QVERIFY(ini.writeInteger(QStringLiteral("Form"), QStringLiteral("Left"), 21));
        QVERIFY(!step.commit());
    } else {
        QCOMPARE(ini.readInteger(QStringLiteral("Form"), QStringLiteral("Top"), -1), 10);
        QVERIFY(!ini.writeInteger(QStringLiteral("Form"), QStringLiteral("Top"), 11));
    }
    QCOMPARE(faultCalls(op.toLatin1().constData()), 1L);
    disarm();
    QCOMPARE(prompts.messages(), QStringList{error});
    QCOMPARE(readFile(path), old);
    QCOMPARE(entries(dir.path()), QStringList{"viewer.ini"});
}

// keldra-gen's and the screenshots' recordings: a failing last write, sync or rename leaves
// the old file as it was and reports the failure.
void TestFaults::generatedFileIsWholeOrNothing()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("gen.csv"));
    const QByteArray oldBytes = "an older recording\r\n";
    GenOptions options;
    options.samples = 5000;
    arm(dir.path());
    QVERIFY(generateFile(options, target));
    const qint64 size = QFileInfo(target).size();
    QVERIFY(size > 64 * 1024);
    for (const auto &[op, bytes] :
         {std::pair{"write", size - 1}, std::pair{"fdatasync", -1LL}, std::pair{"rename", -1LL}}) {
        QVERIFY(writeFile(target, oldBytes));
        arm(dir.path(), QString::fromLatin1(op), bytes < 0 ? 1 : 0, bytes);
        const bool written = generateFile(options, target);
        disarm();
        QVERIFY2(!written, op);
        QCOMPARE(readFile(target), oldBytes);
        QCOMPARE(entries(dir.path()), QStringList{"gen.csv"});
    }
}

// A real file system that fills up: a 64 KiB tmpfs holding an older file.
void TestFaults::fullTmpfs()
{
    QTemporaryDir dir;
    const QByteArray mountPoint = QFile::encodeName(dir.path());
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("cannot mount a tmpfs here (needs root or CAP_SYS_ADMIN): skipped");
    struct Unmount
    {
        QByteArray at;
        ~Unmount() { ::umount(at.constData()); }
    } unmount{mountPoint};
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    const QByteArray old = "S/N,Vm731-OLD\r\n" + QByteArray(2000, 'o');
    bool ok = writeFile(target, old);
    // Fill what is left.
    QFile filler(dir.filePath(QStringLiteral("filler")));
    ok = ok && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(4096, 'f');
    while (ok && filler.write(block) == block.size()) {
    }
    filler.close();

    for (const int samples : {100, 3000}) {
        stageRecording(samples);
        SaveDialogFileName = target;
        ScriptedPrompts prompts;
        prompts.cautionAnswers << true;
        const bool saved = Save(prompts);
        QVERIFY(ok);
        QVERIFY(!saved);
        QVERIFY(prompts.messages().contains(kCannotCreate));
        QCOMPARE(readFile(target), old);
        QCOMPARE(entries(dir.path()), (QStringList{"filler", "out.csv"}));
    }
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
