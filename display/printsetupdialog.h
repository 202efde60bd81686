// Print Setup: the printer of the run and its page settings (printer, paper, orientation), and
// nothing else.
#pragma once

#include "printing.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

// The dialog `PrinterSetupDialog1`: opens on settings (the current printer of the run) with
// the printers of queues and "PDF file"; applyTo() writes the operator's choice back.
class PrintSetupDialog : public QDialog
{
public:
    PrintSetupDialog(const PrintSettings &settings, const PrintQueues &queues,
                     QWidget *parent = nullptr);
    // The chosen printer, paper and orientation onto settings (the PDF file name is kept).
    void applyTo(PrintSettings &settings) const;

private:
    void fillPaper(const QPageSize &wanted);
    QString chosenPrinter() const;

    const PrintQueues &m_queues;
    QComboBox *m_printer;
    QComboBox *m_paper;
    QRadioButton *m_portrait;
    QRadioButton *m_landscape;
    QList<QPageSize> m_sizes; // the paper sizes in m_paper, in its order
};
