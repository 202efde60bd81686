// Keldra Data Viewer: program entry. The files named on the command line (a desktop's "open
// with") are opened in order once the window is up, each as File > Open opens it.
#include "about.h"
#include "blecentral.h"
#include "form1.h"
#include "form3.h"
#include "platformcentral.h"
#include "qtprompts.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QUrl>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/keldra/icon.svg")));
    // The desktop entry's name; on X11 the window's class stays the executable's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("keldra-data-viewer"));
    QtPrompts prompts;
    Form1 form(prompts, Form1::settingsFilePath());
    Form2 about(&form);
    form.setAboutBox(&about);
    BleCentral *central = createPlatformCentral(&form);
    Form3 connectDialog(*central, form.decoder(), prompts, form.conditionSettings(), &form);
    form.setConnectDialog(&connectDialog);
    prompts.setParentWidget(&form);
    form.show();
    QStringList files;
    for (const QString &arg : app.arguments().mid(1))
        files.append(arg.startsWith(QStringLiteral("file:")) ? QUrl(arg).toLocalFile() : arg);
    if (!files.isEmpty())
        QTimer::singleShot(0, &form, [&form, files] { form.openFiles(files); });
    return app.exec();
}
