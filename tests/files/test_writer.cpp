// The measurement file writer: exact bytes, the overwrite question, a file that cannot be
// created or written (the old file stays, nothing partial is left), and the round trip
// through the reader.
#include "fixture.h"
#include "writer.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kOverwrite = QStringLiteral("Do you want to overwrite the existing file?");
const QString kCannotCreate = QStringLiteral("Unable to create file.");
const QByteArray kOldContent = "old file\r\n";

SAMPLE_TYPE sample(double ms, int seq, float batt, std::initializer_list<float> nirs,
                   std::initializer_list<float> acc, std::initializer_list<float> gyr,
                   uint16_t status = 0)
{
    SAMPLE_TYPE s{};
    s.Time = msToDays(ms);
    s.Seq = seq;
    s.Batt = batt;
    s.Status = status;
    std::copy(nirs.begin(), nirs.end(), s.Nirs);
    std::copy(acc.begin(), acc.end(), s.Acc);
    std::copy(gyr.begin(), gyr.end(), s.Gyr);
    return s;
}

// The upload of 3 samples at 100 ms, started 2024-05-01 09:30:00, staged in slot 0.
void stageUpload()
{
    ResetStore();
    SetFreeNo();
    DATA_INFO_TYPE &info = NewInfo[0];
    ClearInfo(info);
    info.DeviceType = DEVICE_VM731;
    setDeviceName(info, QStringLiteral("Vm731-A00123"));
    info.NumCH = 1;
    info.Ex_count = 3;
    info.Log_Rate = 100;
    info.Log_FatThick = 3.5;
    info.Log_Range[0] = 4;
    info.Log_Range[1] = 500;
    info.Rev2 = true;
    info.Log_start = encodeDateTime({2024, 5, 1, 9, 30, 0, 0});
    info.Log_end = encodeDateTime({2024, 5, 1, 9, 30, 0, 200});
    SampleData[0][0] = sample(0, 0, 3.9f, {0.0123f, -0.0045f, 0.0078f, 0.6543f},
                              {0.012f, -0.998f, 0.034f}, {1.2f, -0.4f, 0.0f});
    SampleData[0][1] = sample(100, 1, 3.85f, {0.1f, 0.2f, -0.3f, 0.5f}, {1, 2, 3},
                              {-250, 0, 1999.96f}, STATUS_DEVICE_ERROR | 0x0002);
    SampleData[0][2] =
        sample(200, 2, 4.0f, {12.5f, -12.5f, 0, 1}, {-16, 0, 16}, {2000, -2000, 0}, STATUS_BLANK);
    ClearEventList(0);
    AddEvent(0, 1);
}

const QByteArray kUploadFile =
    "S/N,Vm731-A00123,RATE,100,TH, 3.5,RANGE,4,500\r\n"
    "START 2024/05/01 09:30:00\r\n"
    "END 2024/05/01 09:30:00\r\n"
    ",,CH1\r\n"
    "TIME,SEQ,BATT[V],EVENT,ERROR,OXHb[mM],DXHb[mM],TOHb[mM],StO2[%],AccX[G],AccY[G],AccZ[G],"
    "GyrX[deg/s],GyrY[deg/s],GyrZ[deg/s]\r\n"
    " 0: 0: 0,0,3.9,,, 0.0123,-0.0045, 0.0078, 65.43,  0.012, -0.998,  0.034,    1.2,   -0.4,"
    "    0.0\r\n"
    " 0: 0: 0,1,3.8,S1,E, 0.1000, 0.2000,-0.3000, 50.00,  1.000,  2.000,  3.000, -250.0,    0.0,"
    " 2000.0\r\n"
    " 0: 0: 0,2,4.0,,,12.5000,-12.5000, 0.0000,100.00,-16.000,  0.000, 16.000, 2000.0,-2000.0,"
    "    0.0\r\n";

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A device that refuses every byte after the first `room`.
class FullDevice : public QIODevice
{
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (written.size() + len > m_room)
            return -1;
        written.append(data, len);
        return len;
    }

private:
    qint64 m_room;
};

// Lowers a resource limit for one scope (the soft limit only, so it can be raised back).
class ScopedLimit
{
public:
    ScopedLimit(int resource, rlim_t soft) : m_resource(resource)
    {
        getrlimit(resource, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        m_ok = setrlimit(resource, &lowered) == 0;
    }
    ~ScopedLimit() { setrlimit(m_resource, &m_saved); }
    bool ok() const { return m_ok; }

private:
    int m_resource;
    rlimit m_saved;
    bool m_ok;
};

} // namespace

class TestWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    HeadlessWindow m_win;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        setStoreWindow(&m_win);
        for (const QString &e : entries())
            QFile::remove(m_dir.filePath(e));
        stageUpload();
    }
    void cleanup() { setStoreWindow(nullptr); }

    // 3.85 V is 3.8499999 as a float: written "3.8", as printf would; 1999.96 rounds up.
    void writesExactBytes()
    {
        SaveDialogFileName = path("up.csv");
        ScriptedPrompts prompts;
        QVERIFY(Save(prompts));
        QCOMPARE(prompts.shown.size(), 0);
        QCOMPARE(readFile(SaveDialogFileName), kUploadFile);
        QCOMPARE(entries(), QStringList{QStringLiteral("up.csv")});
    }

    void sampleLineFormats_data()
    {
        QTest::addColumn<double>("ms");
        QTest::addColumn<float>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("hours wrap after a day")
            << (25 * 3600 + 3 * 60 + 4) * 1000.0 << 0.0f
            << QByteArray(" 1: 3: 4,7,0.0,,, 0.0000, 0.0000, 0.0000,  0.00,  0.000,  0.000,  "
                          "0.000,    0.0,    0.0,    0.0\r\n");
        QTest::newRow("two-digit fields")
            << (23 * 3600 + 59 * 60 + 59) * 1000.0 + 999 << -1.23456f
            << QByteArray("23:59:59,7,-1.2,,,-1.2346,-1.2346,-1.2346,-123.46, -1.235, -1.235, "
                          "-1.235,   -1.2,   -1.2,   -1.2\r\n");
        QTest::newRow("wider than the field")
            << 0.0 << 123456.5f
            << QByteArray(" 0: 0: 0,7,123456.5,,,123456.5000,123456.5000,123456.5000,12345650.00,"
                          "123456.500,123456.500,123456.500,123456.5,123456.5,123456.5\r\n");
    }

    void sampleLineFormats()
    {
        QFETCH(double, ms);
        QFETCH(float, value);
        QFETCH(QByteArray, line);
        const SAMPLE_TYPE s = sample(ms, 7, value, {value, value, value, value},
                                     {value, value, value}, {value, value, value});
        QCOMPARE(formatSampleLine(s, false), line);
    }

    void nameMadeAscii()
    {
        // A comma would split the name's cell and make the file unreadable.
        setDeviceName(NewInfo[0], QStringLiteral("Vm731-Ä1\u6E2C\r\n,x"));
        QCOMPARE(formatHeaderLines(NewInfo[0]).left(30),
                 QByteArray("S/N,Vm731-?1????x,RATE,100,TH,"));
    }

    void nothingToSave_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<QString>("name");
        QTest::newRow("no samples") << 0 << QStringLiteral("a.csv");
        QTest::newRow("no file name") << 3 << QString();
    }

    void nothingToSave()
    {
        QFETCH(int, samples);
        QFETCH(QString, name);
        NewInfo[0].Ex_count = samples;
        SaveDialogFileName = name.isEmpty() ? name : m_dir.filePath(name);
        ScriptedPrompts prompts;
        QVERIFY(!Save(prompts));
        QCOMPARE(prompts.shown.size(), 0);
        QCOMPARE(entries(), QStringList());
    }

    void overwriteAsked_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes replaces") << true;
        QTest::newRow("no keeps the old file") << false;
    }

    void overwriteAsked()
    {
        QFETCH(bool, yes);
        SaveDialogFileName = path("up.csv");
        writeFile(SaveDialogFileName, kOldContent);
        ScriptedPrompts prompts;
        prompts.cautionAnswers << yes;
        QCOMPARE(Save(prompts), yes);
        QCOMPARE(prompts.messages(), QStringList{kOverwrite});
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::Caution);
        QCOMPARE(readFile(SaveDialogFileName), yes ? kUploadFile : kOldContent);
        QCOMPARE(entries(), QStringList{QStringLiteral("up.csv")});
    }

    void folderMissing()
    {
        SaveDialogFileName = path("no/such/folder/up.csv");
        ScriptedPrompts prompts;
        QVERIFY(!Save(prompts));
        QCOMPARE(prompts.messages(), QStringList{kCannotCreate});
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::Error);
    }

    void readOnlyFolderKeepsOldFile()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders; see descriptorsExhaustedKeepsOldFile");
        SaveDialogFileName = path("up.csv");
        writeFile(SaveDialogFileName, kOldContent);
        QVERIFY(
            QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        ScriptedPrompts prompts;
        prompts.cautionAnswers << true;
        const bool saved = Save(prompts);
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        QVERIFY(!saved);
        QCOMPARE(prompts.messages(), (QStringList{kOverwrite, kCannotCreate}));
        QCOMPARE(readFile(SaveDialogFileName), kOldContent);
        QCOMPARE(entries(), QStringList{QStringLiteral("up.csv")});
    }

    // No file can be created when the process has no descriptor left: this fails even as root.
    void descriptorsExhaustedKeepsOldFile()
    {
        SaveDialogFileName = path("up.csv");
        writeFile(SaveDialogFileName, kOldContent);
        ScriptedPrompts prompts;
        prompts.cautionAnswers << true;
        bool saved;
        {
            const int probe = ::open("/dev/null", O_RDONLY);
            QVERIFY(probe >= 0);
            ::close(probe);
            ScopedLimit limit(RLIMIT_NOFILE, rlim_t(probe));
            QVERIFY(limit.ok());
            saved = Save(prompts);
        }
        QVERIFY(!saved);
        QCOMPARE(prompts.messages(), (QStringList{kOverwrite, kCannotCreate}));
        QCOMPARE(readFile(SaveDialogFileName), kOldContent);
        QCOMPARE(entries(), QStringList{QStringLiteral("up.csv")});
    }

    // A file that grows past what the system lets it hold: writing fails like on a full disk.
    void writeFailureKeepsOldFileAndLeavesNothing()
    {
        for (int i = 0; i < 2000; ++i)
            SampleData[0][i] = SampleData[0][i % 3];
        NewInfo[0].Ex_count = 2000;
        SaveDialogFileName = path("up.csv");
        writeFile(SaveDialogFileName, kOldContent);
        ScriptedPrompts prompts;
        prompts.cautionAnswers << true;
        bool saved;
        {
            const auto previous = std::signal(SIGXFSZ, SIG_IGN);
            ScopedLimit limit(RLIMIT_FSIZE, 4096);
            QVERIFY(limit.ok());
            saved = Save(prompts);
            std::signal(SIGXFSZ, previous);
        }
        QVERIFY(!saved);
        QCOMPARE(prompts.messages(), (QStringList{kOverwrite, kCannotCreate}));
        QCOMPARE(readFile(SaveDialogFileName), kOldContent);
        QCOMPARE(entries(), QStringList{QStringLiteral("up.csv")});
    }

    void writeStopsAtFirstFailure_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::newRow("header") << qint64(10);
        QTest::newRow("samples") << qint64(kUploadFile.size() - 1);
    }

    void writeStopsAtFirstFailure()
    {
        QFETCH(qint64, room);
        FullDevice device(room);
        QVERIFY(!writeMeasurement(device, NewInfo[0], 0));
        FullDevice roomy(kUploadFile.size());
        QVERIFY(writeMeasurement(roomy, NewInfo[0], 0));
        QCOMPARE(roomy.written, kUploadFile);
    }

    // Event marks in any order, repeated, or past the last sample: each marked sample once.
    void eventMarksInAnyOrder()
    {
        const int n = 50;
        NewInfo[0].Ex_count = n;
        for (int i = 0; i < n; ++i)
            SampleData[0][i] = sample(i * 100.0, i, 3.9f, {0, 0, 0, 0.5f}, {0, 0, 0}, {0, 0, 0});
        ClearEventList(0);
        for (const int32_t e : {40, 3, 0, 3, 49, 17, 60})
            AddEvent(0, e);
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(writeMeasurement(out, NewInfo[0], 0));
        QByteArray expected = formatHeaderLines(NewInfo[0]);
        for (int i = 0; i < n; ++i)
            expected += formatSampleLine(SampleData[0][i], HasEvent(0, i));
        QCOMPARE(out.data(), expected);
        QCOMPARE(out.data().count(",S1,"), 5);
    }

    // Random samples written, read back, and written again from what was read: the same file.
    void roundTripThroughReader()
    {
        QRandomGenerator rng(2024);
        const int n = 5000;
        NewInfo[0].Ex_count = n;
        NewInfo[0].Log_Rate = 200;
        ClearEventList(0);
        for (int i = 0; i < n; ++i) {
            auto r = [&](double lo, double hi) {
                return float(lo + rng.generateDouble() * (hi - lo));
            };
            const uint16_t statuses[] = {0, STATUS_DEVICE_ERROR, STATUS_BLANK, 0x0003};
            SampleData[0][i] = sample(
                i * 200.0, i, r(3.5, 4.2), {r(-0.1, 0.1), r(-0.1, 0.1), r(-0.2, 0.2), r(0.3, 0.95)},
                {r(-2, 2), r(-2, 2), r(-2, 2)}, {r(-500, 500), r(-500, 500), r(-500, 500)},
                statuses[rng.bounded(4)]);
            if (rng.bounded(100) == 0)
                AddEvent(0, i);
        }
        const std::vector<SAMPLE_TYPE> written(SampleData[0], SampleData[0] + n);
        std::vector<int32_t> marks(EventList[0], EventList[0] + EVENT_MAX);
        const QByteArray header = formatHeaderLines(NewInfo[0]);
        SaveDialogFileName = path("trip.csv");
        ScriptedPrompts prompts;
        QVERIFY(Save(prompts));
        const QByteArray file = readFile(SaveDialogFileName);

        prompts.openAnswers << SaveDialogFileName;
        OpenMeasurementFile(prompts);
        QCOMPARE(prompts.messages(), QStringList());
        QCOMPARE(DataInfo[0].Ex_count, n);
        QCOMPARE(formatHeaderLines(DataInfo[0]), header);
        QByteArray again = header;
        for (int i = 0; i < n; ++i) {
            SAMPLE_TYPE s = SampleData[0][i];
            QCOMPARE(bool(s.Status & STATUS_FILE_ERROR),
                     bool(written[size_t(i)].Status & STATUS_DEVICE_ERROR));
            QCOMPARE(s.Seq, i);
            QCOMPARE(std::llround(s.Time * MS_PER_DAY), i / 5 * 1000LL);
            s.Batt = written[size_t(i)].Batt; // not read back
            s.Status = s.Status ? STATUS_DEVICE_ERROR : 0;
            again += formatSampleLine(s, HasEvent(0, i));
        }
        QCOMPARE(again, file);
        QVERIFY(std::equal(marks.begin(), marks.end(), EventList[0]));
    }
};

QTEST_GUILESS_MAIN(TestWriter)
#include "test_writer.moc"
