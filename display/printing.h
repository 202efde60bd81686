// Printing the main window: the page rectangle, the window's picture, the printer of the run,
// Print Setup and Print. The printout is the client area exactly as on screen, on one page.
#pragma once

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QWidget;
class Prompts;

// Where the picture goes on the page: page is the printable area in device pixels, image the
// picture's size in pixels. The picture fills 80 % of the page in its limiting direction, keeps
// its aspect ratio and starts 10 % of the page width from the left and 10 % of the page height
// from the top; it is not centred. An empty page or image gives an empty rectangle.
QRect PrintTargetRect(const QSize &page, const QSize &image);

// The picture of a window's client area: everything below its menu bar (menuBar may be
// nullptr), drawn by the widgets' own paint code, in device pixels as on screen.
QImage CaptureClientArea(QWidget *window, QWidget *menuBar);

// The printer of the run and its page settings, chosen in Print Setup; never stored.
struct PrintSettings
{
    QString printerName; // an installed printer; empty: a PDF file
    bool pdfChosen =
        false; // the PDF file was chosen in Print Setup, not left for want of a printer
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QString pdfFile; // the PDF file last printed, proposed the next time
};

// The platform's print queues.
class PrintQueues
{
public:
    virtual ~PrintQueues() = default;
    // The installed printers, the default one first; empty when none is installed.
    virtual QStringList printers() const = 0;
    // The paper sizes printer offers, its default first; empty for an unknown printer.
    virtual QList<QPageSize> pageSizes(const QString &printer) const = 0;
    // One job of one page and one copy, without a document title, on settings.printerName with
    // its paper and orientation: image drawn by PaintPage. Returns an empty string when the
    // queue took the job, else the operator's message; nothing is printed then.
    virtual QString printPage(const PrintSettings &settings, const QImage &image) = 0;
};

// The queues of this machine (CUPS where the build has it, else the toolkit's printing layer).
PrintQueues &SystemPrintQueues();

// The settings the run starts with: the default printer with its default paper, portrait;
// a PDF file when no printer is installed.
PrintSettings DefaultPrintSettings(const PrintQueues &queues);

// The printer of the run, starting as DefaultPrintSettings(SystemPrintQueues()). Needs the
// application object.
PrintSettings &CurrentPrintSettings();

// The paper sizes offered for a PDF file.
QList<QPageSize> PdfPageSizes();

// Draws image onto one page of device, stretched into PrintTargetRect of its printable area.
// False when the device could not be opened or finished (nothing usable was printed).
bool PaintPage(QPagedPaintDevice &device, const QImage &image);

// Writes image as a one-page PDF file at path with the paper and orientation of settings and
// no margins. False when the file could not be written.
bool WritePdfPage(const QString &path, const PrintSettings &settings, const QImage &image);

// Print Setup: the printer set-up dialog through prompts on settings; cancelling it leaves
// settings as they were. Nothing else happens.
void PrinterSetup(PrintSettings &settings, const PrintQueues &queues, Prompts &prompts);

// Print: captures window below menuBar and prints it on one page. On a printer it prints at
// once; any failure of the printing layer reaches the operator through prompts as a platform
// error. A PDF file is asked for through prompts (with a caution first when no printer is
// installed and the PDF file was not chosen in Print Setup); cancelling prints nothing.
void PrintWindow(QWidget *window, QWidget *menuBar, PrintSettings &settings, PrintQueues &queues,
                 Prompts &prompts);
