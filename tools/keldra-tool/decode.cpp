// keldra-tool decode: an upload stream fed to the viewer's frame receiver as if it came from
// the named sensor; prints the progress texts, messages, the save and the entered recording.
#include "headlessconnectview.h"
#include "headlesswindow.h"
#include "jsonout.h"
#include "linksession.h"
#include "packetdecoder.h"
#include "scriptedprompts.h"
#include "simulatedcentral.h"
#include "store.h"
#include "tool.h"
#include "writer.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>

namespace {

const char kUsage[] = "decode --name NAME STREAM OUT";

// Prints every measurement entered, once it is shown in its window.
class DecodeWindow : public HeadlessWindow
{
public:
    void checkCHCheckBox(int w) override
    {
        HeadlessWindow::checkCHCheckBox(w);
        const int slot = WinInfo[w].DataNo;
        const DATA_INFO_TYPE &info = DataInfo[slot];
        printLine("{\"entered\":" + headerObject(slot, w, info, infoLabels[w]) + '}');
        for (int i = 0; i < info.Ex_count; ++i)
            printLine(sampleObject(SampleData[slot][i], true));
    }
};

bool isMessage(ScriptedPrompts::Kind kind)
{
    using K = ScriptedPrompts::Kind;
    return kind == K::Notice || kind == K::Error || kind == K::Caution || kind == K::PlatformError;
}

} // namespace

int runDecode(const QStringList &args)
{
    QString name;
    bool named = false;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--name")) {
            if (i + 1 >= args.size())
                return usageError(kUsage, QStringLiteral("--name needs the sensor's name"));
            name = args[++i];
            named = true;
        } else if (args[i].startsWith(QLatin1String("--name="))) {
            name = args[i].mid(7);
            named = true;
        } else if (args[i].startsWith(QLatin1String("--"))) {
            return usageError(kUsage, QStringLiteral("unknown option %1").arg(args[i]));
        } else {
            files << args[i];
        }
    }
    if (!named)
        return usageError(kUsage, QStringLiteral("--name is needed"));
    if (files.size() != 2)
        return usageError(kUsage, QStringLiteral("STREAM and OUT are needed"));
    QFile stream(files[0]);
    if (!stream.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "keldra-tool: cannot read %s\n", qPrintable(files[0]));
        return 1;
    }
    const QByteArray bytes = stream.readAll();
    const QString out = QFileInfo(files[1]).absoluteFilePath();

    QLocale::setDefault(QLocale::c());
    DecodeWindow window;
    setStoreWindow(&window);
    ResetStore();
    SetFreeNo();

    ScriptedPrompts prompts;
    prompts.saveAnswers << out;
    prompts.cautionAnswers << true; // an existing OUT is overwritten
    prompts.onShown = [](const ScriptedPrompts::Shown &shown) {
        if (isMessage(shown.kind))
            printLine("{\"message\":" + jsonString(shown.text) + '}');
    };
    HeadlessConnectView view;
    view.onProgress = [](const QString &text) {
        printLine("{\"progress\":" + jsonString(text) + '}');
    };
    SimulatedCentral noLink;
    PacketDecoder decoder;
    LinkSession session(noLink, decoder, prompts, view);
    // A save that fails, or a saved file that does not read back as the recording (reported
    // in an error message), ends the tool with status 1.
    bool failed = false;
    qsizetype shownAtSave = -1;
    session.setSaver([&](Prompts &p) {
        const bool saved = Save(p);
        printLine((saved ? "{\"saved\":" : "{\"failed\":") + jsonString(out) + '}');
        failed = !saved;
        shownAtSave = prompts.shown.size();
        return saved;
    });
    session.setDeviceName(name);
    session.startTransfer();
    session.receiver().feed(bytes);
    printLine("{\"Log_Count\":" + QByteArray::number(decoder.Log_Count) +
              ",\"Get_Count\":" + QByteArray::number(decoder.Get_Count) + '}');
    setStoreWindow(nullptr);
    for (qsizetype i = shownAtSave; i >= 0 && i < prompts.shown.size(); ++i)
        failed = failed || prompts.shown[i].kind == ScriptedPrompts::Kind::Error;
    return failed ? 1 : 0;
}
