// Keldra Data Viewer: program entry.
#include "about.h"
#include "form1.h"
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
    prompts.setParentWidget(&form);
    form.show();
    return app.exec();
}
