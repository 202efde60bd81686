// Printing the main window: the page rectangle, the window's picture, Print Setup and Print.
#include "printing.h"

#include "prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QWidget>
#include <cstdint>

namespace {

const QString kNoPrinter =
    QStringLiteral("No printer is installed. Do you want to print the page to a PDF file?");
const QString kOverwrite = QStringLiteral("Do you want to overwrite the existing file?");
const QString kPdfNotWritten = QStringLiteral("The PDF file \"%1\" could not be written.");
// The resolution of PDF pages: enough for a screen picture several times over.
constexpr int PDF_DPI = 600;

// Asks for the PDF file to print into; empty when the operator gave up.
QString askPdfFile(const PrintSettings &settings, Prompts &prompts)
{
    FileDialogSpec request;
    request.title = QStringLiteral("Print to PDF File");
    request.filterName = QStringLiteral("PDF");
    request.filterPattern = QStringLiteral("*.pdf");
    request.defaultExtension = QStringLiteral("pdf");
    request.fileName = settings.pdfFile;
    const QString path = prompts.saveFileName(request);
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path) && !prompts.caution(kOverwrite))
        return {};
    return path;
}

void printToPdfFile(const QImage &image, PrintSettings &settings, const PrintQueues &queues,
                    Prompts &prompts)
{
    if (!settings.pdfChosen && queues.printers().isEmpty() && !prompts.caution(kNoPrinter))
        return;
    const QString path = askPdfFile(settings, prompts);
    if (path.isEmpty())
        return;
    settings.pdfFile = path;
    if (!WritePdfPage(path, settings, image))
        prompts.platformError(kPdfNotWritten.arg(QDir::toNativeSeparators(path)));
}

} // namespace

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

PrintSettings DefaultPrintSettings(const PrintQueues &queues)
{
    PrintSettings settings;
    const QStringList printers = queues.printers();
    if (printers.isEmpty())
        return settings;
    settings.printerName = printers.constFirst();
    const QList<QPageSize> sizes = queues.pageSizes(settings.printerName);
    if (!sizes.isEmpty())
        settings.pageSize = sizes.constFirst();
    return settings;
}

PrintSettings &CurrentPrintSettings()
{
    static PrintSettings settings = DefaultPrintSettings(SystemPrintQueues());
    return settings;
}

QList<QPageSize> PdfPageSizes()
{
    return {QPageSize(QPageSize::A4),   QPageSize(QPageSize::A3),    QPageSize(QPageSize::A5),
            QPageSize(QPageSize::B5),   QPageSize(QPageSize::JisB5), QPageSize(QPageSize::Letter),
            QPageSize(QPageSize::Legal)};
}

bool PaintPage(QPagedPaintDevice &device, const QImage &image)
{
    if (image.isNull())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRect target = PrintTargetRect(QSize(device.width(), device.height()), image.size());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    return painter.end();
}

bool WritePdfPage(const QString &path, const PrintSettings &settings, const QImage &image)
{
    QPdfWriter writer(path);
    writer.setResolution(PDF_DPI);
    writer.setCreator(QCoreApplication::applicationName());
    if (!writer.setPageLayout(QPageLayout(settings.pageSize, settings.orientation, QMarginsF())))
        return false;
    return PaintPage(writer, image) && QFileInfo(path).size() > 0;
}

void PrinterSetup(PrintSettings &settings, const PrintQueues &queues, Prompts &prompts)
{
    prompts.printerSetup(settings, queues);
}

void PrintWindow(QWidget *window, QWidget *menuBar, PrintSettings &settings, PrintQueues &queues,
                 Prompts &prompts)
{
    const QImage image = CaptureClientArea(window, menuBar);
    if (settings.printerName.isEmpty()) {
        printToPdfFile(image, settings, queues, prompts);
        return;
    }
    const QString failure = queues.printPage(settings, image);
    if (!failure.isEmpty())
        prompts.platformError(failure);
}
