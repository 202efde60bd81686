// Keldra Data Viewer: program entry.
#include "about.h"
#include "blecentral.h"
#include "form1.h"
#include "form3.h"
#include "platformcentral.h"
#include "qtprompts.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/keldra/icon.svg")));
    QtPrompts prompts;
    Form1 form(prompts, Form1::settingsFilePath());
    Form2 about(&form);
    form.setAboutBox(&about);
    BleCentral *central = createPlatformCentral(&form);
    Form3 connectDialog(*central, form.decoder(), prompts, form.conditionSettings(), &form);
    form.setConnectDialog(&connectDialog);
    prompts.setParentWidget(&form);
    form.show();
    return app.exec();
}
