// A whole upload of 720000 records through the Connect dialog, offscreen, from a simulated
// sensor that sends one notification per event-loop pass (each may repaint the progress
// display, as on a real link): the process's CPU time against the time a 175 kB/s link needs
// for the same bytes. The upload is saved by the measurement file writer into a temporary
// folder and entered into the store, as the viewer does. The simulated sensor's own share
// (building its notifications) is measured apart and taken off.
#include "conditionsettings.h"
#include "form3.h"
#include "packetdecoder.h"
#include "scriptedprompts.h"
#include "sensormodel.h"
#include "simulatedcentral.h"
#include "store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The fastest notification rate of a Bluetooth LE link, bytes per second.
constexpr double LINK_BYTES_PER_S = 175000.0;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Mark
{
    double wall = 0, cpu = 0;
};

// CPU seconds the simulated sensor spends building the notifications of one upload.
double sensorShare(const SensorRecording &recording, int chunk, qsizetype *bytes)
{
    SensorModel sensor(QStringLiteral("BENCH"));
    sensor.setRecording(recording);
    sensor.notificationSize = chunk;
    sensor.linkUp();
    const double c0 = cpuSeconds();
    sensor.receiveWrite(QByteArray("\x02GS4\x03"));
    *bytes = 0;
    while (sensor.hasNotification())
        *bytes += sensor.nextNotification().size();
    return cpuSeconds() - c0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int chunk = argc > 1 ? std::max(1, std::atoi(argv[1])) : 244;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const SensorRecording recording = generateRecording(SAMPLE_MAX, 1, true);
    qsizetype streamBytes = 0;
    const double sensorCpu = sensorShare(recording, chunk, &streamBytes);

    ResetStore();
    ScriptedPrompts prompts;
    MemoryConditionSettings settings;
    SimulatedCentral ble;
    ble.notificationsPerBurst = 1;
    SensorModel sensor(QStringLiteral("BENCH"));
    sensor.setRecording(recording);
    sensor.notificationSize = chunk;
    ble.addSensor(&sensor);
    PacketDecoder decoder;
    Form3 form(ble, decoder, prompts, settings);
    form.show();

    QElapsedTimer wall;
    Mark start, atSave;
    auto mark = [&](Mark &m) {
        m.wall = wall.nsecsElapsed() / 1e9;
        m.cpu = cpuSeconds();
    };
    prompts.onShown = [&](const ScriptedPrompts::Shown &s) {
        if (s.kind == ScriptedPrompts::Kind::SaveDialog)
            mark(atSave);
    };
    prompts.saveAnswers << dir.filePath(QStringLiteral("upload.csv"));

    form.Button1->click();
    while (!form.Button1->isEnabled())
        app.processEvents(QEventLoop::WaitForMoreEvents);
    wall.start();
    mark(start);
    form.Button2->click();
    while (sensor.clears == 0 || form.session().uploadState() != LinkSession::Idle)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    Mark end;
    mark(end);

    if (WindowCount != 1 || DataInfo[0].Ex_count != SAMPLE_MAX || !prompts.messages().isEmpty()) {
        std::fprintf(stderr, "bench_upload: the upload did not end as it should\n");
        return 1;
    }
    const double linkSeconds = streamBytes / LINK_BYTES_PER_S;
    const double transferCpu = atSave.cpu - start.cpu - sensorCpu;
    const double totalCpu = end.cpu - start.cpu - sensorCpu;
    std::printf("upload: %d records, %.2f MB in %d-byte notifications (%lld of them)\n", SAMPLE_MAX,
                streamBytes / 1e6, chunk,
                static_cast<long long>((streamBytes + chunk - 1) / chunk));
    std::printf("transfer to the save dialog: %.2f s wall, %.2f s CPU (sensor's %.2f s taken "
                "off: viewer %.2f s)\n",
                atSave.wall - start.wall, atSave.cpu - start.cpu, sensorCpu, transferCpu);
    std::printf("save, entry and \"@CLR\": %.2f s wall, %.2f s CPU\n", end.wall - atSave.wall,
                end.cpu - atSave.cpu);
    std::printf("viewer CPU for the whole upload %.2f s against %.1f s on a 175 kB/s link: "
                "%.2f %% of the transfer time\n",
                totalCpu, linkSeconds, totalCpu / linkSeconds * 100);
    return 0;
}
