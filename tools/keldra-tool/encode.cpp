// keldra-tool encode: the byte stream a sensor would send for a measurement file (header
// packet, then one data packet per sample, framed and escaped), by the simulated sensor's own
// encoder.
#include "headlesswindow.h"
#include "jsonout.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "sensorrecording.h"
#include "store.h"
#include "tool.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

const char kUsage[] = "encode FILE STREAM";

} // namespace

int runEncode(const QStringList &args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")))
        return usageError(kUsage, QStringLiteral("FILE and STREAM are needed"));
    HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore();
    ScriptedPrompts prompts;
    prompts.openAnswers << QFileInfo(args[0]).absoluteFilePath();
    prompts.onShown = [](const ScriptedPrompts::Shown &shown) {
        if (shown.kind != ScriptedPrompts::Kind::OpenDialog)
            printLine("{\"message\":" + jsonString(shown.text) + '}');
    };
    OpenMeasurementFile(prompts);
    setStoreWindow(nullptr);
    if (WindowCount == 0) {
        std::fprintf(stderr, "keldra-tool: %s was not read\n", qPrintable(args[0]));
        return 1;
    }
    // A second channel of the file stays out: a sensor sends one.
    const int slot = WinInfo[0].DataNo;
    const SensorRecording rec = recordingFromStore(DataInfo[slot], slot);
    const QByteArray bytes = encodeStream(rec);
    QFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush()) {
        std::fprintf(stderr, "keldra-tool: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    printLine("{\"records\":" + QByteArray::number(rec.announcedCount()) +
              ",\"bytes\":" + QByteArray::number(bytes.size()) + '}');
    return 0;
}
