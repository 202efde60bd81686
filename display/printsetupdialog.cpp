// Print Setup dialog.
#include "printsetupdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kPdfFile = QStringLiteral("PDF file");

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

PrintSetupDialog::PrintSetupDialog(const PrintSettings &settings, const PrintQueues &queues,
                                   QWidget *parent)
    : QDialog(parent), m_queues(queues)
{
    setObjectName(QStringLiteral("PrinterSetupDialog1"));
    setWindowTitle(QStringLiteral("Print Setup"));
    m_printer = named(new QComboBox, "PrinterComboBox");
    m_printer->addItems(queues.printers());
    m_printer->addItem(kPdfFile);
    const int current =
        settings.printerName.isEmpty() ? -1 : m_printer->findText(settings.printerName);
    m_printer->setCurrentIndex(current >= 0 ? current : m_printer->count() - 1);
    m_paper = named(new QComboBox, "PaperComboBox");
    m_portrait = named(new QRadioButton(QStringLiteral("Portrait")), "PortraitRadioButton");
    m_landscape = named(new QRadioButton(QStringLiteral("Landscape")), "LandscapeRadioButton");
    (settings.orientation == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    fillPaper(settings.pageSize);
    connect(m_printer, &QComboBox::currentIndexChanged, this,
            [this] { fillPaper(m_sizes.value(m_paper->currentIndex())); });

    auto *printerBox = new QGroupBox(QStringLiteral("Printer"));
    auto *printerForm = new QFormLayout(printerBox);
    printerForm->addRow(QStringLiteral("Name:"), m_printer);
    auto *paperBox = new QGroupBox(QStringLiteral("Paper"));
    auto *paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("Size:"), m_paper);
    auto *orientationBox = new QGroupBox(QStringLiteral("Orientation"));
    auto *orientation = new QVBoxLayout(orientationBox);
    orientation->addWidget(m_portrait);
    orientation->addWidget(m_landscape);
    auto *pageRow = new QHBoxLayout;
    pageRow->addWidget(paperBox, 1);
    pageRow->addWidget(orientationBox);
    auto *buttons =
        named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel), "ButtonBox");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(printerBox);
    layout->addLayout(pageRow);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString PrintSetupDialog::chosenPrinter() const
{
    return m_printer->currentIndex() == m_printer->count() - 1 ? QString()
                                                               : m_printer->currentText();
}

void PrintSetupDialog::fillPaper(const QPageSize &wanted)
{
    const QString printer = chosenPrinter();
    m_sizes = printer.isEmpty() ? PdfPageSizes() : m_queues.pageSizes(printer);
    if (m_sizes.isEmpty())
        m_sizes = PdfPageSizes();
    // The paper kept where the printer has it, else the printer's default (the first).
    int index = 0;
    for (int i = 0; i < m_sizes.size(); ++i) {
        if (wanted.isValid() && m_sizes[i].isEquivalentTo(wanted)) {
            index = i;
            break;
        }
    }
    QSignalBlocker block(m_paper);
    m_paper->clear();
    for (const QPageSize &size : m_sizes)
        m_paper->addItem(size.name());
    m_paper->setCurrentIndex(index);
}

void PrintSetupDialog::applyTo(PrintSettings &settings) const
{
    settings.printerName = chosenPrinter();
    settings.pdfChosen = settings.printerName.isEmpty();
    settings.pageSize = m_sizes.value(m_paper->currentIndex(), QPageSize(QPageSize::A4));
    settings.orientation =
        m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
}
