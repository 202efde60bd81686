// bench_export [RUNS]: opens a generated full slot in the real main window (offscreen) and
// exports it RUNS times in each format, printing every run, the median and the file size.
#include "exportformat.h"
#include "form1.h"
#include "generator.h"
#include "picture.h"
#include "scriptedprompts.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenuBar>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir work;
    GenOptions full;
    full.samples = SAMPLE_MAX;
    full.events = 20;
    const QString csv = work.filePath(QStringLiteral("full.csv"));
    QSaveFile out(csv);
    if (!work.isValid() || !out.open(QIODevice::WriteOnly) || !generateFile(full, out) ||
        !out.commit()) {
        std::fputs("bench_export: cannot write the recording\n", stderr);
        return 1;
    }
    ScriptedPrompts prompts;
    Form1 form(prompts, work.filePath(QStringLiteral("Keldra_data_viewer.ini")));
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    prompts.openAnswers << csv;
    form.O1->trigger();
    if (WindowCount != 1 || DataInfo[0].Ex_count != SAMPLE_MAX) {
        std::fputs("bench_export: the recording did not open whole\n", stderr);
        return 1;
    }
    const ExportRecording recording = recordingOfSlot(WinInfo[0].DataNo);
    std::printf("full slot: %d samples at %d ms, window %dx%d\n", recording.count,
                recording.intervalMs, form.width(), form.height());
    for (ExportFormat format : {ExportFormat::Snirf, ExportFormat::Edf, ExportFormat::Png,
                                ExportFormat::Svg, ExportFormat::Pdf}) {
        const QString name = exportFormatName(format);
        const QString path = work.filePath(QStringLiteral("full.") + name);
        QList<qint64> times;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer timer;
            timer.start();
            const QString why = isPictureFormat(format)
                                    ? writePicture(&form, form.menuBar(), format, path)
                                    : writeRecording(recording, format, path);
            times << timer.elapsed();
            if (!why.isEmpty()) {
                std::fprintf(stderr, "bench_export: %s: %s\n", qPrintable(name), qPrintable(why));
                return 1;
            }
        }
        QList<qint64> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        QStringList each;
        for (qint64 t : times)
            each << QString::number(t);
        std::printf("%-5s runs %s ms, median %lld ms, %lld bytes\n", qPrintable(name),
                    qPrintable(each.join(QLatin1Char(' '))), sorted[sorted.size() / 2],
                    QFileInfo(path).size());
    }
    return 0;
}
