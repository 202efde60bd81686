// manualpdf: turns the user manual (Markdown with images) into the PDF that lies beside the
// viewer. Build-time tool: manualpdf INPUT.md OUTPUT.pdf [IMAGE_DIR...]
#include "markdownpdf.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: manualpdf INPUT.md OUTPUT.pdf [IMAGE_DIR...]\n";
        return 2;
    }
    const QString failure = writeManualPdf(args[1], args[2], args.mid(3));
    if (!failure.isEmpty()) {
        err << "manualpdf: " << failure << "\n";
        return 1;
    }
    return 0;
}
