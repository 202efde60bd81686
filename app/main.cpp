// Keldra Data Viewer: program entry.
#include "form1.h"
#include "qtprompts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtPrompts prompts;
    Form1 form(prompts, Form1::settingsFilePath());
    prompts.setParentWidget(&form);
    form.show();
    return app.exec();
}
