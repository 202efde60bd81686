// Exports: the unmeasured samples found again, the EDF+ range fields, every value back within
// one step, whole-file-or-nothing on a failing write, keldra-tool export's exit statuses, and
// File > Export on the real main window.
#include "edf.h"
#include "exportcommands.h"
#include "exportformat.h"
#include "form1.h"
#include "generator.h"
#include "headlesswindow.h"
#include "picture.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSaveFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

using Kind = SampleKind;

// A slot filled by hand: times in ms, values (Nirs[0]) and status bits per sample.
void fillSlot(int rate, const QList<int> &timesMs, const QList<float> &values,
              const QList<uint16_t> &status)
{
    ResetStore();
    DATA_INFO_TYPE &info = DataInfo[0];
    ClearInfo(info);
    info.Enable = true;
    info.Log_Rate = rate;
    info.Rev2 = true;
    info.Ex_count = int(timesMs.size());
    ClearEventList(0);
    for (int i = 0; i < timesMs.size(); ++i) {
        SAMPLE_TYPE &s = SampleData[0][i];
        s = SAMPLE_TYPE{};
        s.Seq = i;
        s.Time = msToDays(timesMs[i]);
        s.Nirs[0] = values[i];
        s.Status = status[i];
    }
}

QString runsText(const QList<SampleRun> &runs)
{
    QStringList out;
    for (const SampleRun &r : runs)
        out << QStringLiteral("%1@%2x%3").arg(runLabel(r.kind)).arg(r.first).arg(r.count);
    return out.join(u' ');
}

struct EdfFile
{
    int records = 0, signalCount = 0;
    QList<QByteArray> labels;
    QList<double> pmin, pmax;
    QList<int> perRecord;
    QList<QList<double>> values; // per signal, physical
};

// A reader of the file's own: header fields and 16-bit samples turned back into values.
EdfFile readEdf(const QString &path)
{
    EdfFile e;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return e;
    const QByteArray b = f.readAll();
    const int ns = b.mid(252, 4).trimmed().toInt();
    e.records = b.mid(236, 8).trimmed().toInt();
    e.signalCount = ns;
    auto fieldOf = [&](int offset, int width, int i) {
        return b.mid(256 + offset * ns + i * width, width).trimmed();
    };
    for (int i = 0; i < ns; ++i) {
        e.labels << fieldOf(0, 16, i);
        e.pmin << fieldOf(104, 8, i).toDouble();
        e.pmax << fieldOf(112, 8, i).toDouble();
        e.perRecord << fieldOf(216, 8, i).toInt();
        e.values << QList<double>();
    }
    qsizetype at = 256 * (ns + 1);
    for (int r = 0; r < e.records; ++r) {
        for (int i = 0; i < ns; ++i) {
            for (int k = 0; k < e.perRecord[i]; ++k, at += 2) {
                const auto d = int16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
                e.values[i] << (d + 32768) * (e.pmax[i] - e.pmin[i]) / 65535.0 + e.pmin[i];
            }
        }
    }
    return e;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Opens a generated file through the reader into an empty store, as keldra-tool does.
bool readGenerated(const GenOptions &options, const QString &path)
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !generateFile(options, out) || !out.commit())
        return false;
    static HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore();
    ScriptedPrompts prompts;
    prompts.openAnswers << path;
    OpenMeasurementFile(prompts);
    setStoreWindow(nullptr);
    return prompts.messages().isEmpty() && WindowCount > 0;
}

struct ToolRun
{
    int exitCode = -1;
    QByteArray err;
};

ToolRun runTool(const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("KELDRA_TOOL"), args);
    ToolRun r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit)
        r.exitCode = p.exitCode();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void unmeasuredRuns_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QList<float>>("values");
        QTest::addColumn<QList<uint16_t>>("status");
        QTest::addColumn<QString>("runs");
        constexpr uint16_t R = STATUS_REPEATED, B = STATUS_BLANK, E = STATUS_FILE_ERROR;
        QTest::newRow("all measured") << 1000 << QList<int>{0, 1000, 2000} << QList<float>{1, 2, 3}
                                      << QList<uint16_t>{0, 0, 0} << "";
        QTest::newRow("two seconds filled in at 1 s")
            << 1000 << QList<int>{0, 1000, 2000, 3000} << QList<float>{1, 1, 1, 4}
            << QList<uint16_t>{0, 0, 0, 0} << "BAD_filled@1x2";
        QTest::newRow("copies keep the status")
            << 1000 << QList<int>{0, 1000, 2000} << QList<float>{1, 1, 5}
            << QList<uint16_t>{E, E, 0} << "BAD_filled@1x1";
        // Ten lines share each TIME at 100 ms: equal values within a second are measured.
        QTest::newRow("equal lines within a second")
            << 100 << QList<int>{0, 0, 0, 1000} << QList<float>{1, 1, 1, 1}
            << QList<uint16_t>{0, 0, 0, 0} << "";
        QTest::newRow("filled-in tenths")
            << 100 << QList<int>{0, 100, 200, 300} << QList<float>{1, 1, 1, 2}
            << QList<uint16_t>{0, 0, 0, 0} << "BAD_filled@1x2";
        QTest::newRow("repeat keeps the time")
            << 1000 << QList<int>{0, 1000, 1000, 2000} << QList<float>{1, 2, 2, 3}
            << QList<uint16_t>{0, 0, R, 0} << "BAD_repeated@2x1";
        // The repeat does not advance the expected time; the fill after it copies its flag.
        QTest::newRow("filled in after a repeat")
            << 1000 << QList<int>{0, 0, 1000, 2000} << QList<float>{1, 1, 1, 3}
            << QList<uint16_t>{0, R, R, 0} << "BAD_repeated@1x1 BAD_filled@2x1";
        QTest::newRow("blank from the sensor")
            << 1000 << QList<int>{0, 1000, 2000} << QList<float>{1, 0, 0}
            << QList<uint16_t>{0, B, B} << "BAD_blank@1x2";
        QTest::newRow("value changed: measured")
            << 1000 << QList<int>{0, 1000} << QList<float>{1, 1.0001f} << QList<uint16_t>{0, 0}
            << "";
    }
    void unmeasuredRuns()
    {
        QFETCH(int, rate);
        QFETCH(QList<int>, times);
        QFETCH(QList<float>, values);
        QFETCH(QList<uint16_t>, status);
        QFETCH(QString, runs);
        fillSlot(rate, times, values, status);
        QCOMPARE(runsText(::unmeasuredRuns(recordingOfSlot(0), 0)), runs);
    }

    // Against the reader itself: every sample it added for a skipped second is found, and no
    // other, on a generated file with gaps and unreadable lines.
    void unmeasuredRunsOfTheReader()
    {
        GenOptions o;
        o.samples = 5000;
        o.gaps = 3;
        o.badLines = 3;
        o.seed = 11;
        QVERIFY(readGenerated(o, path(QStringLiteral("gaps.csv"))));
        const QByteArray text = fileBytes(path(QStringLiteral("gaps.csv")));
        const int lines = int(text.count('\n')) - 5;
        int filled = 0, repeated = 0;
        for (const SampleRun &r : ::unmeasuredRuns(recordingOfSlot(0), 0))
            (r.kind == Kind::Filled ? filled : repeated) += r.count;
        QCOMPARE(filled, DataInfo[0].Ex_count - lines);
        QVERIFY(filled > 0);
        QCOMPARE(repeated, 3);
    }

    void edfRange_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QByteArray>("min");
        QTest::addColumn<QByteArray>("max");
        QTest::newRow("small") << -0.0123456789 << 0.05 << QByteArray("-0.01235")
                               << QByteArray("0.050000");
        QTest::newRow("tens") << -12.3456789 << 45.6 << QByteArray("-12.3457")
                              << QByteArray("45.60000");
        QTest::newRow("constant") << 5.0 << 5.0 << QByteArray("4.000000") << QByteArray("6.000000");
        QTest::newRow("large") << -1999.5 << 2000.0 << QByteArray("-1999.50")
                               << QByteArray("2000.000");
        QTest::newRow("too large") << 0.0 << 1e9 << QByteArray() << QByteArray();
        QTest::newRow("not a number") << qQNaN() << 1.0 << QByteArray() << QByteArray();
    }
    void edfRange()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QByteArray, min);
        QFETCH(QByteArray, max);
        const EdfRange r = ::edfRange(lo, hi);
        QCOMPARE(r.ok, !min.isEmpty());
        if (!r.ok)
            return;
        QCOMPARE(r.min, min);
        QCOMPARE(r.max, max);
        QVERIFY(r.min.toDouble() <= lo && r.max.toDouble() >= hi);
    }

    // Every value of every series, the battery included, within one step of the file's range;
    // the last record ends exactly at the last sample.
    void edfValuesWithinOneStep_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("rate");
        QTest::newRow("standard, 100 ms") << int(FileForm::Standard) << 1234 << 100;
        QTest::newRow("two channels, 1 s") << int(FileForm::TwoChannel) << 300 << 1000;
        QTest::newRow("short, 3 s") << int(FileForm::Short) << 200 << 3000;
    }
    void edfValuesWithinOneStep()
    {
        QFETCH(int, form);
        QFETCH(int, samples);
        QFETCH(int, rate);
        GenOptions o;
        o.form = FileForm(form);
        o.samples = samples;
        o.rate = rate;
        o.events = 4;
        QVERIFY(readGenerated(o, path(QStringLiteral("v.csv"))));
        QList<int> slotList;
        for (int w = 0; w < WindowCount; ++w)
            slotList << WinInfo[w].DataNo;
        const ExportRecording rec = recordingOfSlots(slotList);
        const QString out = path(QStringLiteral("v.edf"));
        QCOMPARE(writeEdf(rec, out), QString());
        const EdfFile e = readEdf(out);
        const QList<SeriesInfo> series = seriesOf(*rec.channels[0].info);
        QCOMPARE(e.signalCount, int(series.size() * rec.channels.size()) + 1);
        QCOMPARE(e.labels.last(), QByteArray("EDF Annotations"));
        for (int j = 0; j + 1 < e.signalCount; ++j) {
            const int c = j / int(series.size());
            const SeriesInfo &s = series[j % series.size()];
            QVERIFY(e.labels[j].endsWith(s.label));
            QCOMPARE(e.values[j].size(), rec.count);
            const double step = (e.pmax[j] - e.pmin[j]) / 65535.0;
            for (int i = 0; i < rec.count; ++i) {
                const double want = seriesValue(rec.channels[c].samples[i], s.series);
                if (std::abs(e.values[j][i] - want) > step * 0.5001)
                    QFAIL(qPrintable(QStringLiteral("%1[%2]: %3 for %4, step %5")
                                         .arg(QLatin1String(e.labels[j]))
                                         .arg(i)
                                         .arg(e.values[j][i])
                                         .arg(want)
                                         .arg(step)));
            }
        }
    }

    // A write that fails part-way (the file-size limit standing in for a full disk) leaves the
    // file that was there as it was, and no temporary file beside it.
    void failedWriteLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("SNIRF") << "full.snirf";
        QTest::newRow("EDF+") << "full.edf";
    }
    void failedWriteLeavesTheOldFile()
    {
        QFETCH(QString, name);
        GenOptions o;
        o.samples = 20000;
        QVERIFY(readGenerated(o, path(QStringLiteral("big.csv"))));
        QTemporaryDir dir;
        const QString target = dir.filePath(name);
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the old file");
        }
        ExportFormat format;
        QVERIFY(exportFormatOfPath(target, &format));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 100000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString why = writeRecording(recordingOfSlot(0), format, target);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QVERIFY2(!why.isEmpty(), "a failed write reported as success");
        QCOMPARE(fileBytes(target), QByteArray("the old file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        // Without the limit the same export replaces the file.
        QCOMPARE(writeRecording(recordingOfSlot(0), format, target), QString());
        QVERIFY(fileBytes(target).size() > 100000);
    }

    void toolExitStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("message");
        const QString csv = QStringLiteral("@/t.csv");
        QTest::newRow("no arguments") << QStringList{"export"} << 2 << QByteArray("usage");
        QTest::newRow("unknown format") << QStringList{"export", "--format", "xls", csv, "@/o.xls"}
                                        << 2 << QByteArray("--format");
        QTest::newRow("no OUT") << QStringList{"export", "--format=edf", csv} << 2
                                << QByteArray("FILE and OUT");
        QTest::newRow("missing FILE")
            << QStringList{"export", "--format", "edf", "@/none.csv", "@/o.edf"} << 1
            << QByteArray("cannot read");
        QTest::newRow("unreadable FILE")
            << QStringList{"export", "--format", "snirf", "@/bad.csv", "@/o.snirf"} << 1
            << QByteArray("cannot read");
        QTest::newRow("OUT in a missing folder")
            << QStringList{"export", "--format", "snirf", csv, "@/no/o.snirf"} << 1
            << QByteArray("cannot write");
        QTest::newRow("picture in a missing folder")
            << QStringList{"export", "--format", "png", csv, "@/no/o.png"} << 1
            << QByteArray("cannot write");
        QTest::newRow("SNIRF") << QStringList{"export", "--format", "snirf", csv, "@/o.snirf"} << 0
                               << QByteArray();
        QTest::newRow("EDF+") << QStringList{"export", "--format", "EDF", csv, "@/o.edf"} << 0
                              << QByteArray();
        QTest::newRow("PNG") << QStringList{"export", "--format", "png", csv, "@/o.png"} << 0
                             << QByteArray();
        QTest::newRow("SVG") << QStringList{"export", "--format", "svg", csv, "@/o.svg"} << 0
                             << QByteArray();
        QTest::newRow("PDF") << QStringList{"export", "--format", "pdf", csv, "@/o.pdf"} << 0
                             << QByteArray();
    }
    void toolExitStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, message);
        QTemporaryDir dir;
        GenOptions o;
        o.samples = 600;
        QSaveFile csv(dir.filePath(QStringLiteral("t.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly) && generateFile(o, csv) && csv.commit());
        QFile bad(dir.filePath(QStringLiteral("bad.csv")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a measurement\r\n") > 0);
        bad.close();
        for (QString &a : args)
            a.replace(QLatin1String("@"), dir.path());
        const ToolRun r = runTool(args);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        QVERIFY2(r.err.contains(message), r.err.constData());
        if (exitCode == 0) {
            QCOMPARE(r.err, QByteArray()); // nothing on stderr on success
            const QByteArray out = fileBytes(args.last());
            const QByteArray magic = args.last().endsWith(QLatin1String(".png"))   ? "\x89PNG"
                                     : args.last().endsWith(QLatin1String(".svg")) ? "<?xml"
                                     : args.last().endsWith(QLatin1String(".pdf")) ? "%PDF"
                                     : args.last().endsWith(QLatin1String(".edf")) ? "0       "
                                                                                   : "\x89HDF";
            QVERIFY(out.startsWith(magic));
        } else if (args.size() == 5) {
            QVERIFY(!QFile::exists(args.last()));
        }
    }

    // File > Export on the main window: the picture in each format, a window's recording, a
    // name without a known suffix, the overwrite question, and the window items' state.
    void viewerExport()
    {
        GenOptions o;
        o.samples = 3000;
        const QString csv = path(QStringLiteral("view.csv"));
        QSaveFile out(csv);
        QVERIFY(out.open(QIODevice::WriteOnly) && generateFile(o, out) && out.commit());

        ResetStore();
        ScriptedPrompts prompts;
        Form1 form(prompts, path(QStringLiteral("Keldra_data_viewer.ini")));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        prompts.openAnswers << csv;
        form.O1->trigger();
        QCOMPARE(WindowCount, 1);

        QMenu *exportMenu = form.findChild<QMenu *>(QStringLiteral("E1"));
        QVERIFY(exportMenu);
        emit exportMenu->aboutToShow();
        QVERIFY(form.E3->isEnabled());
        QVERIFY(!form.E4->isEnabled());

        const QSize client(form.width(), form.height() - form.menuBar()->height());
        prompts.saveAnswers << path(QStringLiteral("p.png")) << path(QStringLiteral("p.svg"))
                            << path(QStringLiteral("p.pdf"));
        for (int i = 0; i < 3; ++i)
            form.E2->trigger();
        QCOMPARE(prompts.messages(), QStringList());
        QCOMPARE(prompts.dialogs.last().filterPattern, QStringLiteral("*.png *.svg *.pdf"));
        const QImage png(path(QStringLiteral("p.png")));
        QCOMPARE(png.size(), client * 2);
        const QByteArray svg = fileBytes(path(QStringLiteral("p.svg")));
        QVERIFY(svg.contains("<polyline") || svg.contains("<path"));
        QVERIFY(svg.contains("OXHb") || svg.contains("TOHb")); // text stays text
        QVERIFY(fileBytes(path(QStringLiteral("p.pdf"))).startsWith("%PDF"));

        prompts.saveAnswers << path(QStringLiteral("w.snirf")) << path(QStringLiteral("w.txt"));
        form.E3->trigger();
        form.E2->trigger();
        QCOMPARE(prompts.messages(),
                 QStringList{QStringLiteral("Choose a file name ending in .png, .svg or .pdf.")});
        QVERIFY(fileBytes(path(QStringLiteral("w.snirf"))).startsWith("\x89HDF"));
        QVERIFY(!QFile::exists(path(QStringLiteral("w.txt"))));

        // An existing file: No keeps it.
        const QByteArray before = fileBytes(path(QStringLiteral("w.snirf")));
        prompts.shown.clear();
        prompts.saveAnswers << path(QStringLiteral("w.snirf"));
        prompts.cautionAnswers << false;
        form.E3->trigger();
        QCOMPARE(prompts.messages(),
                 QStringList{QStringLiteral("Do you want to overwrite the existing file?")});
        QCOMPARE(fileBytes(path(QStringLiteral("w.snirf"))), before);

        // Progress rises to the end; the status bar shows the device type again afterwards.
        QList<double> steps;
        prompts.saveAnswers << path(QStringLiteral("w.edf"));
        ExportWindowCommand(0, prompts, [&steps](double f) { steps << f; });
        QVERIFY(!steps.isEmpty());
        QVERIFY(std::is_sorted(steps.begin(), steps.end()));
        QCOMPARE(steps.last(), 1.0);
        prompts.saveAnswers << path(QStringLiteral("w2.edf"));
        form.E3->trigger();
        QCOMPARE(form.StatusBar1->currentMessage(), QString());
        QCOMPARE(form.statusText(), QStringLiteral("Device Type:Vm731"));

        // A window without a recording asks nothing.
        const qsizetype dialogs = prompts.dialogs.size();
        form.E4->trigger();
        QCOMPARE(prompts.dialogs.size(), dialogs);
    }
};

QTEST_MAIN(TestExport)
#include "test_export.moc"
