// keldra-tool export: reads a measurement file as the Open command does and writes it as SNIRF
// or EDF+, or the main window's picture of it as PNG, SVG or PDF. The pictures need the
// widgets, which this program does not load: keldra-picture, beside it, draws them.
#include "exportformat.h"
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"
#include "tool.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

namespace {

const char kUsage[] = "export --format snirf|edf|png|svg|pdf FILE OUT";
const char kPictureProgram[] = "keldra-picture";

int failure(const QString &why)
{
    std::fprintf(stderr, "keldra-tool: %s\n", qPrintable(why));
    return 1;
}

// Runs keldra-picture on the same arguments; its exit status and messages are this program's.
int runPicture(const QString &format, const QString &file, const QString &out)
{
    const QString program =
        QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kPictureProgram));
    if (!QFileInfo(program).isExecutable())
        return failure(QStringLiteral("%1 is missing; it draws the pictures.").arg(program));
    QProcess picture;
    picture.setProcessChannelMode(QProcess::ForwardedChannels);
    picture.start(program, {format, file, out});
    if (!picture.waitForFinished(-1) || picture.exitStatus() != QProcess::NormalExit)
        return failure(QStringLiteral("%1 did not finish: %2").arg(program, picture.errorString()));
    return picture.exitCode();
}

} // namespace

int runExport(const QStringList &args)
{
    QString formatName;
    QStringList files;
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (optionsEnd || !a.startsWith(QLatin1String("--"))) {
            files << a;
        } else if (a == QLatin1String("--")) {
            optionsEnd = true;
        } else if (a == QLatin1String("--format")) {
            if (i + 1 >= args.size())
                return usageError(kUsage, QStringLiteral("--format needs a format"));
            formatName = args[++i];
        } else if (a.startsWith(QLatin1String("--format="))) {
            formatName = a.mid(9);
        } else {
            return usageError(kUsage, QStringLiteral("unknown option %1").arg(a));
        }
    }
    ExportFormat format;
    if (!exportFormatNamed(formatName, &format))
        return usageError(kUsage, QStringLiteral("--format must be snirf, edf, png, svg or pdf"));
    if (files.size() != 2 || files[0].isEmpty() || files[1].isEmpty())
        return usageError(kUsage, QStringLiteral("FILE and OUT are needed"));
    const QString file = QFileInfo(files[0]).absoluteFilePath();
    const QString out = QFileInfo(files[1]).absoluteFilePath();
    if (!QFileInfo(file).isFile())
        return failure(QStringLiteral("cannot read %1: no such file").arg(files[0]));
    if (isPictureFormat(format))
        return runPicture(exportFormatName(format), file, out);

    QLocale::setDefault(QLocale::c());
    HeadlessWindow window;
    setStoreWindow(&window);
    ResetStore();
    ScriptedPrompts prompts;
    prompts.openAnswers << file;
    OpenMeasurementFile(prompts);
    setStoreWindow(nullptr);
    const QString said = prompts.messages().join(QStringLiteral(" / "));
    if (WindowCount == 0)
        return failure(QStringLiteral("cannot read %1: %2")
                           .arg(files[0], said.isEmpty() ? QStringLiteral("no samples") : said));
    if (!said.isEmpty()) // e.g. a recording cut at the slot's size: exported as read
        std::fprintf(stderr, "keldra-tool: %s: %s\n", qPrintable(files[0]), qPrintable(said));
    QList<int> slotList;
    for (int w = 0; w < WindowCount; ++w)
        slotList << WinInfo[w].DataNo;
    const ExportRecording recording = recordingOfSlots(slotList);
    if (const QString why = writeRecording(recording, format, out); !why.isEmpty())
        return failure(QStringLiteral("cannot write %1: %2").arg(files[1], why));
    return 0;
}
