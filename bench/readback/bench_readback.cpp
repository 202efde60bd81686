// Times the end of an upload on a recording read from FILE: the save of slot 0 into a new file
// beside the system's temporary files, then the read-back that must agree before the sensor
// may be cleared. Prints the Open's time first ("open_ms <ms>"), then one line per run:
// "save_ms <ms> readback_ms <ms> readback_cpu_ms <ms> samples <count>" (the CPU time counts on
// a busy machine, where the wall time waits for a core).
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"
#include "writer.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <ctime>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_readback FILE [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? args[2].toInt() : 1;
    HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore();
    ScriptedPrompts prompts;
    prompts.openAnswers << args[1];
    const auto opening = std::chrono::steady_clock::now();
    OpenMeasurementFile(prompts);
    // The Open of the same file, for scale on a shared machine.
    std::printf("open_ms %.1f\n", std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - opening)
                                      .count());
    if (WindowCount != 1) {
        std::fprintf(stderr, "bench_readback: the file did not open\n");
        return 1;
    }
    // Slot 0 as an upload leaves it: its header staged, its error flags the sensor's.
    NewInfo[0] = DataInfo[0];
    FreeNo = 0;
    for (int i = 0; i < NewInfo[0].Ex_count; ++i) {
        if (SampleData[0][i].Status & STATUS_FILE_ERROR)
            SampleData[0][i].Status |= STATUS_DEVICE_ERROR;
    }
    QTemporaryDir dir;
    SaveDialogFileName = dir.filePath(QStringLiteral("upload.csv"));
    for (int r = 0; r < runs; ++r) {
        using clock = std::chrono::steady_clock;
        prompts.cautionAnswers << true;
        const auto t0 = clock::now();
        const bool saved = Save(prompts);
        const auto t1 = clock::now();
        const std::clock_t c1 = std::clock();
        const bool same = saved && SavedFileMatches(SaveDialogFileName);
        const std::clock_t c2 = std::clock();
        const auto t2 = clock::now();
        if (!same) {
            std::fprintf(stderr, "bench_readback: the saved file did not read back\n");
            return 1;
        }
        std::printf("save_ms %.1f readback_ms %.1f readback_cpu_ms %.1f samples %d\n",
                    std::chrono::duration<double, std::milli>(t1 - t0).count(),
                    std::chrono::duration<double, std::milli>(t2 - t1).count(),
                    1000.0 * double(c2 - c1) / CLOCKS_PER_SEC, NewInfo[0].Ex_count);
        std::fflush(stdout);
    }
    return 0;
}
