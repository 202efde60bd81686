// Times the viewer's whole Open command on one file: from the chosen file name to the
// measurement entered (averages included), in this process, after the store was emptied.
// Prints one line per run: "open_ms <milliseconds> samples <count>".
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_open FILE [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? args[2].toInt() : 1;
    HeadlessWindow window;
    window.averaging = 2; // "5 points"
    setStoreWindow(&window);
    for (int r = 0; r < runs; ++r) {
        ResetStore();
        ScriptedPrompts prompts;
        prompts.openAnswers << args[1];
        const auto t0 = std::chrono::steady_clock::now();
        OpenMeasurementFile(prompts);
        const auto t1 = std::chrono::steady_clock::now();
        // A full slot is reported as such ("Unable to open anymore."); anything else is wrong.
        const QStringList shown = prompts.messages();
        const bool full = DataInfo[0].Ex_count == SAMPLE_MAX;
        if (WindowCount != 1 || shown.size() > (full ? 1 : 0)) {
            std::fprintf(stderr, "bench_open: the file did not open cleanly\n");
            return 1;
        }
        std::printf("open_ms %.1f samples %d\n",
                    std::chrono::duration<double, std::milli>(t1 - t0).count(),
                    DataInfo[0].Ex_count);
        std::fflush(stdout);
    }
    return 0;
}
