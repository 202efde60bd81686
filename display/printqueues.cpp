// The machine's print queues: CUPS where the build has it (its own answer to each job), else
// the toolkit's printing layer.
#include "printing.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <memory>

#ifdef KELDRA_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

const QString kNotAvailable = QStringLiteral("The printer \"%1\" is not available.");
const QString kRefused = QStringLiteral("The printer \"%1\" did not take the page: %2");

// A printer object on settings, or nullptr when the printer is no longer installed.
std::unique_ptr<QPrinter> printerFor(const PrintSettings &settings)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPrinterName(settings.printerName);
    if (printer->outputFormat() != QPrinter::NativeFormat ||
        printer->printerName() != settings.printerName)
        return nullptr;
    printer->setPageSize(settings.pageSize);
    printer->setPageOrientation(settings.orientation);
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setCollateCopies(false);
    printer->setPrintRange(QPrinter::AllPages);
    printer->setDocName(QString());
    return printer;
}

#ifdef KELDRA_HAVE_CUPS
// The page as a PDF job handed to CUPS, whose answer is checked (the toolkit drops it).
QString printThroughCups(const PrintSettings &settings, const QImage &image)
{
    const auto printer = printerFor(settings);
    if (!printer)
        return kNotAvailable.arg(settings.printerName);
    QTemporaryFile job(QDir::tempPath() + QStringLiteral("/keldra-print-XXXXXX.pdf"));
    if (!job.open())
        return kRefused.arg(settings.printerName, QStringLiteral("no room for the print job"));
    job.close();
    {
        QPdfWriter writer(job.fileName());
        writer.setResolution(printer->resolution());
        writer.setPageLayout(printer->pageLayout());
        if (!PaintPage(writer, image))
            return kRefused.arg(settings.printerName,
                                QStringLiteral("the page could not be drawn"));
    }
    const QByteArray name = settings.printerName.toLocal8Bit();
    const QByteArray media = printer->pageLayout().pageSize().key().toLocal8Bit();
    cups_option_t *options = nullptr;
    int count = 0;
    // One copy whatever the queue's own default says.
    count = cupsAddOption("copies", "1", count, &options);
    count = cupsAddOption("number-up", "1", count, &options);
    if (!media.isEmpty())
        count = cupsAddOption("media", media.constData(), count, &options);
    const int id = cupsPrintFile(name.constData(), QFile::encodeName(job.fileName()).constData(),
                                 "", count, options);
    cupsFreeOptions(count, options);
    if (id == 0)
        return kRefused.arg(settings.printerName, QString::fromLocal8Bit(cupsLastErrorString()));
    if (QPrinterInfo::printerInfo(settings.printerName).state() == QPrinter::Error)
        return QStringLiteral("The printer \"%1\" is stopped: the page waits in its queue.")
            .arg(settings.printerName);
    return {};
}
#endif

class SystemQueues : public PrintQueues
{
public:
    QStringList printers() const override
    {
        QStringList names = QPrinterInfo::availablePrinterNames();
        const QString preferred = QPrinterInfo::defaultPrinterName();
        if (names.removeAll(preferred) > 0)
            names.prepend(preferred);
        return names;
    }

    QList<QPageSize> pageSizes(const QString &printer) const override
    {
        const QPrinterInfo info = QPrinterInfo::printerInfo(printer);
        if (info.isNull())
            return {};
        QList<QPageSize> sizes = info.supportedPageSizes();
        const QPageSize preferred = info.defaultPageSize();
        if (preferred.isValid()) {
            sizes.removeIf([&](const QPageSize &s) { return s.isEquivalentTo(preferred); });
            sizes.prepend(preferred);
        }
        return sizes;
    }

    QString printPage(const PrintSettings &settings, const QImage &image) override
    {
#ifdef KELDRA_HAVE_CUPS
        return printThroughCups(settings, image);
#else
        const auto printer = printerFor(settings);
        if (!printer)
            return kNotAvailable.arg(settings.printerName);
        if (!PaintPage(*printer, image) || printer->printerState() == QPrinter::Error)
            return kRefused.arg(settings.printerName, QStringLiteral("the job failed"));
        return {};
#endif
    }
};

} // namespace

PrintQueues &SystemPrintQueues()
{
    static SystemQueues queues;
    return queues;
}
