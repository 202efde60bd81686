// Resident memory of a program with the store (built as bench_memory) and of the same program
// without it (bench_memory_nostore): idle after start-up, and after opening one full slot.
// Prints "idle_rss_kib N" and, given a FILE, "open_rss_kib N".
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#ifdef WITH_STORE
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"
#endif

namespace {

long residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
#ifdef WITH_STORE
    HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore(); // as the main window does when it is created
#endif
    std::printf("idle_rss_kib %ld\n", residentKib());
#ifdef WITH_STORE
    if (argc > 1) {
        ScriptedPrompts prompts;
        prompts.openAnswers << QString::fromLocal8Bit(argv[1]);
        OpenMeasurementFile(prompts);
        std::printf("open_rss_kib %ld samples %d\n", residentKib(), DataInfo[0].Ex_count);
    }
#endif
    return 0;
}
