// Printing the main window: the page rectangle, the window's picture, Print Setup and Print.
#include "printing.h"

#include "prompts.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <cstdint>

QRect PrintTargetRect(const QSize &page, const QSize &image)
{
    if (page.isEmpty() || image.isEmpty())
        return {};
    // Exact integer arithmetic: W / iw and H / ih compared by cross-multiplying, so that a
    // scale like 5.6 does not floor one pixel short.
    const int64_t iw = image.width();
    const int64_t ih = image.height();
    int64_t w = int64_t(page.width()) * 4 / 5;
    int64_t h = int64_t(page.height()) * 4 / 5;
    if (h * iw > w * ih)
        h = ih * w / iw; // the width is the limit
    else
        w = iw * h / ih; // the height is the limit
    return QRect(page.width() / 10, page.height() / 10, int(w), int(h));
}

QImage CaptureClientArea(QWidget *window, QWidget *menuBar)
{
    QRect area = window->rect();
    if (menuBar && !menuBar->isHidden() && menuBar->parentWidget() == window)
        area.setTop(menuBar->geometry().bottom() + 1);
    return window->grab(area).toImage();
}

QPrinter &CurrentPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

QString PrinterProblem(const QPrinter &printer)
{
    // Without an installed printer the printing layer falls back to file output with no file.
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty())
        return QStringLiteral("No printer is installed.");
    if (!printer.isValid())
        return QStringLiteral("The printer \"%1\" is not available.").arg(printer.printerName());
    return {};
}

QString PrintImage(QPrinter &printer, const QImage &image)
{
    if (const QString problem = PrinterProblem(printer); !problem.isEmpty())
        return problem;
    if (image.isNull())
        return QStringLiteral("There is nothing to print.");
    printer.setDocName(QString());
    printer.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("The printer could not start the print job.");
    const QRect target = PrintTargetRect(QSize(printer.width(), printer.height()), image.size());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return QStringLiteral("The printer reported an error; the page may not have been printed.");
    return {};
}

void PrinterSetup(QPrinter &printer, Prompts &prompts)
{
    // A file printer needs no installed one; any other printer does.
    const QString problem = PrinterProblem(printer);
    if (!problem.isEmpty() && QPrinterInfo::availablePrinterNames().isEmpty()) {
        prompts.platformError(problem);
        return;
    }
    prompts.printerSetup(&printer);
}

void PrintWindow(QWidget *window, QWidget *menuBar, QPrinter &printer, Prompts &prompts)
{
    const QImage image = CaptureClientArea(window, menuBar);
    const QString failure = PrintImage(printer, image);
    if (!failure.isEmpty())
        prompts.platformError(failure);
}
