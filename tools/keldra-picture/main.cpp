// keldra-picture: opens a measurement file in the real main window, offscreen, through
// File > Open, and writes the window's picture as Print takes it.
//   keldra-picture png|svg|pdf FILE OUT
// Exit status 0 on success, 1 when the file cannot be read or the picture written, 2 for a
// usage error.
#include "form1.h"
#include "picture.h"
#include "scriptedprompts.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The platform's notes about an offscreen run (no runtime folder, no window manager) are no
// business of the caller: only critical messages reach stderr.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "keldra-picture: %s\n", qPrintable(text));
}

int failure(const QString &why)
{
    std::fprintf(stderr, "keldra-tool: %s\n", qPrintable(why));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawn without a display whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    ExportFormat format;
    if (args.size() != 4 || !exportFormatNamed(args[1], &format) || !isPictureFormat(format)) {
        std::fputs("usage: keldra-picture png|svg|pdf FILE OUT\n", stderr);
        return 2;
    }
    const QString file = args[2];
    const QString out = args[3];

    // A settings file of its own, so that the operator's view settings are neither read nor
    // changed: the picture shows the viewer's defaults.
    QTemporaryDir work;
    if (!work.isValid())
        return failure(
            QStringLiteral("cannot make a temporary folder: %1").arg(work.errorString()));
    ScriptedPrompts prompts;
    Form1 form(prompts, work.filePath(QStringLiteral("Keldra_data_viewer.ini")));
    form.show();
    prompts.openAnswers << file;
    form.O1->trigger();
    const QString said = prompts.messages().join(QStringLiteral(" / "));
    if (WindowCount == 0)
        return failure(QStringLiteral("cannot read %1: %2")
                           .arg(file, said.isEmpty() ? QStringLiteral("no samples") : said));
    if (!said.isEmpty())
        std::fprintf(stderr, "keldra-tool: %s: %s\n", qPrintable(file), qPrintable(said));
    QApplication::processEvents();
    if (const QString why = writePicture(&form, form.menuBar(), format, out); !why.isEmpty())
        return failure(QStringLiteral("cannot write %1: %2").arg(out, why));
    return 0;
}
