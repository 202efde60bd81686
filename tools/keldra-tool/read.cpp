// keldra-tool read: the viewer's Open command on one file, with the store prepared as if
// some measurements were already shown; prints what was shown and entered.
#include "headlesswindow.h"
#include "jsonout.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"
#include "tool.h"

#include <QFileInfo>
#include <QLocale>
#include <climits>

namespace {

const char kUsage[] = "read [--in-use N] [--shown-type T] FILE";

// Prints every measurement entered, once it is shown in its window.
class ReadWindow : public HeadlessWindow
{
public:
    bool printing = false;

    void checkCHCheckBox(int w) override
    {
        HeadlessWindow::checkCHCheckBox(w);
        if (!printing)
            return;
        const int slot = WinInfo[w].DataNo;
        const DATA_INFO_TYPE &info = DataInfo[slot];
        printLine("{\"entered\":" + headerObject(slot, w, info, infoLabels[w]) + '}');
        for (int i = 0; i < info.Ex_count; ++i)
            printLine(sampleObject(SampleData[slot][i]));
    }
};

// Slots 0..count-1 in use, each shown as a one-sample measurement of model type.
void enterShown(int count, int type)
{
    for (int i = 0; i < count; ++i) {
        SetFreeNo();
        ClearInfo(NewInfo[0]);
        NewInfo[0].DeviceType = type;
        NewInfo[0].NumCH = 1;
        NewInfo[0].Ex_count = 1;
        NewInfo[0].Log_Rate = 1000;
        setDeviceName(NewInfo[0], QStringLiteral("Vm73%1-SHOWN%2").arg(type).arg(i));
        ClearEventList(FreeNo);
        SampleData[FreeNo][0] = SAMPLE_TYPE{};
        EntryNewData(SOURCE_OPEN_DIALOG);
    }
}

bool isMessage(ScriptedPrompts::Kind kind)
{
    using K = ScriptedPrompts::Kind;
    return kind == K::Notice || kind == K::Error || kind == K::Caution || kind == K::PlatformError;
}

} // namespace

int runRead(const QStringList &args)
{
    int inUse = 0;
    int shownType = DEVICE_VM731;
    QStringList files;
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (optionsEnd || !a.startsWith(QLatin1String("--"))) {
            files << a;
        } else if (a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (a == QLatin1String("--in-use") || a.startsWith(QLatin1String("--in-use="))) {
            if (!takeIntOption(args, i, QStringLiteral("--in-use"), 0, SLOT_COUNT, &inUse))
                return usageError(kUsage, QStringLiteral("--in-use needs a number from 0 to 4"));
        } else if (a == QLatin1String("--shown-type") ||
                   a.startsWith(QLatin1String("--shown-type="))) {
            if (!takeIntOption(args, i, QStringLiteral("--shown-type"), INT_MIN, INT_MAX,
                               &shownType))
                return usageError(kUsage, QStringLiteral("--shown-type needs an integer"));
        } else {
            return usageError(kUsage, QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (files.size() != 1 || files[0].isEmpty())
        return usageError(kUsage, QStringLiteral("exactly one FILE is needed"));
    const QString file = files[0];

    QLocale::setDefault(QLocale::c());
    ReadWindow window;
    setStoreWindow(&window);
    ResetStore();
    enterShown(inUse, shownType);
    window.printing = true;

    ScriptedPrompts prompts;
    prompts.openAnswers << QFileInfo(file).absoluteFilePath();
    prompts.onShown = [](const ScriptedPrompts::Shown &shown) {
        if (isMessage(shown.kind))
            printLine("{\"message\":" + jsonString(shown.text) + '}');
    };
    OpenMeasurementFile(prompts);
    printLine("{\"WindowCount\":" + QByteArray::number(WindowCount) +
              ",\"CurDeviceType\":" + QByteArray::number(CurDeviceType) + '}');
    setStoreWindow(nullptr);
    return 0;
}
