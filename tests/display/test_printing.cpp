// Printing: the page rectangle, the window's picture and one-page jobs into a PDF file.
#include "printing.h"
#include "printsetupdialog.h"
#include "qtprompts.h"
#include "scriptedprompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPdfWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Pages of a PDF as the page tree counts them, and the number of page objects.
int pageObjects(const QByteArray &pdf)
{
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page ") +
               pdf.count("/Type /Page/") + pdf.count("/Type /Page>"));
}

QImage twoColourImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            image.setPixelColor(x, y, Qt::blue);
    return image;
}

// Print queues of a pretend machine: its printers and papers, and each job drawn into a PDF
// with a printer's margins, or refused with the queue's reason.
class FakeQueues : public PrintQueues
{
public:
    QStringList names;
    QHash<QString, QList<QPageSize>> sizes;
    QString refusal; // the queue's answer; empty: the job is taken
    QString folder;
    QList<PrintSettings> jobs;

    QStringList printers() const override { return names; }
    QList<QPageSize> pageSizes(const QString &printer) const override
    {
        return sizes.value(printer);
    }
    QString printPage(const PrintSettings &settings, const QImage &image) override
    {
        jobs.append(settings);
        if (!refusal.isEmpty())
            return refusal;
        QPdfWriter writer(QDir(folder).filePath(QStringLiteral("job%1.pdf").arg(jobs.size())));
        writer.setPageLayout(QPageLayout(settings.pageSize, settings.orientation,
                                         QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
        return PaintPage(writer, image) ? QString() : QStringLiteral("not drawn");
    }
};

QList<ScriptedPrompts::Kind> kinds(const ScriptedPrompts &prompts)
{
    QList<ScriptedPrompts::Kind> out;
    for (const auto &shown : prompts.shown)
        out.append(shown.kind);
    return out;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The page's size in points from the first MediaBox of a PDF.
QSizeF mediaBox(const QByteArray &pdf)
{
    static const QRegularExpression box(
        QStringLiteral("/MediaBox \\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]"));
    const auto match = box.match(QString::fromLatin1(pdf));
    return match.hasMatch() ? QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble())
                            : QSizeF();
}

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("control %s missing", name);
    return w;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void targetRectangle_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("target");
        // Twice as wide as high on a page 0.7 times as wide as high: limited by the width.
        QTest::newRow("wide image, portrait page")
            << QSize(7000, 10000) << QSize(1000, 500) << QRect(700, 1000, 5600, 2800);
        // A very tall window on a landscape page: limited by the height, same left margin,
        // the empty space on the right.
        QTest::newRow("tall image, landscape page")
            << QSize(10000, 7000) << QSize(500, 1500) << QRect(1000, 700, 1866, 5600);
        QTest::newRow("main window on A4")
            << QSize(4760, 6814) << QSize(1024, 581) << QRect(476, 681, 3808, 2160);
        QTest::newRow("same shape as the box")
            << QSize(1000, 500) << QSize(100, 50) << QRect(100, 50, 800, 400);
        QTest::newRow("odd page") << QSize(1005, 997) << QSize(10, 10) << QRect(100, 99, 797, 797);
        QTest::newRow("empty image") << QSize(1000, 1000) << QSize(0, 10) << QRect();
        QTest::newRow("empty page") << QSize(0, 0) << QSize(10, 10) << QRect();
    }
    void targetRectangle()
    {
        QFETCH(QSize, page);
        QFETCH(QSize, image);
        QFETCH(QRect, target);
        QCOMPARE(PrintTargetRect(page, image), target);
    }

    void captureLeavesOutMenuBar()
    {
        QMainWindow window;
        window.menuBar()->addMenu(QStringLiteral("File(&F)"));
        auto *central = new QLabel;
        central->setAutoFillBackground(true);
        QPalette palette = central->palette();
        palette.setColor(QPalette::Window, QColor(0, 128, 0));
        central->setPalette(palette);
        window.setCentralWidget(central);
        window.statusBar()->showMessage(QStringLiteral("Device Type:Vm731"));
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage image = CaptureClientArea(&window, window.menuBar());
        const qreal ratio = image.devicePixelRatio();
        const int menu = window.menuBar()->height();
        QVERIFY(menu > 0);
        QCOMPARE(image.size(), QSize(400, 300 - menu) * ratio);
        QCOMPARE(image.pixelColor(image.width() / 2, 2), QColor(0, 128, 0));
        const QImage whole = CaptureClientArea(&window, nullptr);
        QCOMPARE(whole.size(), QSize(400, 300) * ratio);
    }

    void printerTakesOnePageOrFailureIsShown_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::newRow("queue takes the job") << QString();
        QTest::newRow("queue refuses the job")
            << QStringLiteral("The printer \"Office\" did not take the page: "
                              "Destination \"Office\" is not accepting jobs.");
        QTest::newRow("printer gone") << QStringLiteral("The printer \"Office\" is not available.");
    }
    void printerTakesOnePageOrFailureIsShown()
    {
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        FakeQueues queues;
        queues.names = {QStringLiteral("Office")};
        queues.folder = dir.path();
        queues.refusal = refusal;
        QWidget window;
        window.resize(300, 200);
        PrintSettings settings;
        settings.printerName = QStringLiteral("Office");
        settings.pageSize = QPageSize(QPageSize::A5);
        settings.orientation = QPageLayout::Landscape;
        ScriptedPrompts prompts;
        PrintWindow(&window, nullptr, settings, queues, prompts);
        QCOMPARE(queues.jobs.size(), 1);
        QCOMPARE(queues.jobs[0].printerName, QStringLiteral("Office"));
        QVERIFY(queues.jobs[0].pageSize.isEquivalentTo(QPageSize(QPageSize::A5)));
        QCOMPARE(queues.jobs[0].orientation, QPageLayout::Landscape);
        if (refusal.isEmpty()) {
            QVERIFY(prompts.shown.isEmpty());
            const QByteArray pdf = readAll(dir.filePath(QStringLiteral("job1.pdf")));
            QCOMPARE(pageObjects(pdf), 1);
            const QSizeF page = mediaBox(pdf);
            QVERIFY2(page.width() > page.height(), qPrintable(QString::number(page.width())));
        } else {
            QCOMPARE(kinds(prompts), QList{ScriptedPrompts::Kind::PlatformError});
            QCOMPARE(prompts.shown[0].text, refusal);
        }
    }

    void pdfFileWhenNoPrinter_data()
    {
        using K = ScriptedPrompts::Kind;
        QTest::addColumn<bool>("printerInstalled");
        QTest::addColumn<bool>("pdfChosen");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QList<ScriptedPrompts::Kind>>("shown");
        QTest::addColumn<bool>("written");
        QTest::newRow("no printer, operator takes a PDF file")
            << false << false << false << QList{true} << "p.pdf" << QList{K::Caution, K::SaveDialog}
            << true;
        QTest::newRow("no printer, operator declines")
            << false << false << false << QList{false} << "p.pdf" << QList{K::Caution} << false;
        QTest::newRow("PDF file chosen in Print Setup")
            << true << true << false << QList<bool>{} << "p.pdf" << QList{K::SaveDialog} << true;
        QTest::newRow("PDF file chosen, no printer: no question")
            << false << true << false << QList<bool>{} << "p.pdf" << QList{K::SaveDialog} << true;
        QTest::newRow("file dialog cancelled")
            << true << true << false << QList<bool>{} << "" << QList{K::SaveDialog} << false;
        QTest::newRow("existing file kept") << true << true << true << QList{false} << "p.pdf"
                                            << QList{K::SaveDialog, K::Caution} << false;
        QTest::newRow("existing file replaced") << true << true << true << QList{true} << "p.pdf"
                                                << QList{K::SaveDialog, K::Caution} << true;
        QTest::newRow("folder missing") << true << true << false << QList<bool>{} << "missing/p.pdf"
                                        << QList{K::SaveDialog, K::PlatformError} << false;
    }
    void pdfFileWhenNoPrinter()
    {
        QFETCH(bool, printerInstalled);
        QFETCH(bool, pdfChosen);
        QFETCH(bool, fileExists);
        QFETCH(QList<bool>, answers);
        QFETCH(QString, fileName);
        QFETCH(QList<ScriptedPrompts::Kind>, shown);
        QFETCH(bool, written);
        QTemporaryDir dir;
        FakeQueues queues;
        if (printerInstalled)
            queues.names = {QStringLiteral("Office")};
        const QString path = fileName.isEmpty() ? QString() : dir.filePath(fileName);
        if (fileExists) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        }
        QWidget window;
        window.resize(300, 200);
        PrintSettings settings;
        settings.pdfChosen = pdfChosen;
        settings.pdfFile = dir.filePath(QStringLiteral("last.pdf"));
        ScriptedPrompts prompts;
        prompts.cautionAnswers = answers;
        prompts.saveAnswers = {path};
        PrintWindow(&window, nullptr, settings, queues, prompts);
        QCOMPARE(kinds(prompts), shown);
        QVERIFY(queues.jobs.isEmpty());
        if (shown.constFirst() == ScriptedPrompts::Kind::Caution && !fileExists)
            QCOMPARE(prompts.shown[0].text,
                     QStringLiteral("No printer is installed. Do you want to print the page to a "
                                    "PDF file?"));
        if (shown.contains(ScriptedPrompts::Kind::SaveDialog)) {
            QCOMPARE(prompts.dialogs.size(), 1);
            QCOMPARE(prompts.dialogs[0].filterPattern, QStringLiteral("*.pdf"));
            QCOMPARE(prompts.dialogs[0].fileName, dir.filePath(QStringLiteral("last.pdf")));
        }
        const QByteArray pdf = path.isEmpty() ? QByteArray() : readAll(path);
        QCOMPARE(pdf.startsWith("%PDF"), written);
        if (written) {
            QCOMPARE(pageObjects(pdf), 1);
            QCOMPARE(settings.pdfFile, path);
        }
        if (fileExists && !written)
            QCOMPARE(pdf, QByteArray("old"));
    }

    void pdfPageHasChosenPaperAndOrientation_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QSizeF>("points");
        QTest::newRow("A4 portrait") << int(QPageSize::A4) << false << QSizeF(595.3, 841.9);
        QTest::newRow("A5 landscape") << int(QPageSize::A5) << true << QSizeF(595.3, 419.5);
        QTest::newRow("Letter landscape") << int(QPageSize::Letter) << true << QSizeF(792, 612);
    }
    void pdfPageHasChosenPaperAndOrientation()
    {
        QFETCH(int, size);
        QFETCH(bool, landscape);
        QFETCH(QSizeF, points);
        QTemporaryDir dir;
        PrintSettings settings;
        settings.pageSize = QPageSize(QPageSize::PageSizeId(size));
        settings.orientation = landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
        const QString path = dir.filePath(QStringLiteral("page.pdf"));
        QVERIFY(WritePdfPage(path, settings, twoColourImage(1024, 581)));
        const QByteArray pdf = readAll(path);
        QCOMPARE(pageObjects(pdf), 1);
        const QSizeF page = mediaBox(pdf);
        QVERIFY2(qAbs(page.width() - points.width()) < 1 &&
                     qAbs(page.height() - points.height()) < 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
    }

    void defaultsAreFirstPrinterOrPdfFile()
    {
        FakeQueues queues;
        PrintSettings none = DefaultPrintSettings(queues);
        QVERIFY(none.printerName.isEmpty());
        QVERIFY(!none.pdfChosen);
        queues.names = {QStringLiteral("Lab"), QStringLiteral("Office")};
        queues.sizes[QStringLiteral("Lab")] = {QPageSize(QPageSize::Letter),
                                               QPageSize(QPageSize::A4)};
        const PrintSettings lab = DefaultPrintSettings(queues);
        QCOMPARE(lab.printerName, QStringLiteral("Lab"));
        QVERIFY(lab.pageSize.isEquivalentTo(QPageSize(QPageSize::Letter)));
        QCOMPARE(lab.orientation, QPageLayout::Portrait);
    }

    void setupDialogOpensOnCurrentPrinter_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("second printer") << "Lab"
                                        << "Lab";
        QTest::newRow("PDF file") << ""
                                  << "PDF file";
        QTest::newRow("printer gone") << "Gone"
                                      << "PDF file";
    }
    void setupDialogOpensOnCurrentPrinter()
    {
        QFETCH(QString, printer);
        QFETCH(QString, shown);
        FakeQueues queues;
        queues.names = {QStringLiteral("Office"), QStringLiteral("Lab")};
        queues.sizes[QStringLiteral("Lab")] = {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)};
        PrintSettings settings;
        settings.printerName = printer;
        settings.pageSize = QPageSize(QPageSize::A5);
        settings.orientation = QPageLayout::Landscape;
        PrintSetupDialog dialog(settings, queues);
        QCOMPARE(dialog.objectName(), QStringLiteral("PrinterSetupDialog1"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Print Setup"));
        QCOMPARE(child<QComboBox>(&dialog, "PrinterComboBox")->currentText(), shown);
        QCOMPARE(child<QComboBox>(&dialog, "PaperComboBox")->currentText(),
                 QPageSize(QPageSize::A5).name());
        QVERIFY(child<QRadioButton>(&dialog, "LandscapeRadioButton")->isChecked());
        // Printer, paper and orientation only: no copies, no page range, no Print button.
        QVERIFY(dialog.findChildren<QSpinBox *>().isEmpty());
        const auto buttons = child<QDialogButtonBox>(&dialog, "ButtonBox")->buttons();
        QCOMPARE(buttons.size(), 2);
    }

    void setupChoiceIsKeptOnlyOnOk_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void setupChoiceIsKeptOnlyOnOk()
    {
        QFETCH(bool, ok);
        FakeQueues queues;
        queues.names = {QStringLiteral("Office"), QStringLiteral("Lab")};
        queues.sizes[QStringLiteral("Office")] = {QPageSize(QPageSize::A4),
                                                  QPageSize(QPageSize::Letter)};
        queues.sizes[QStringLiteral("Lab")] = {QPageSize(QPageSize::Letter),
                                               QPageSize(QPageSize::A3)};
        PrintSettings settings = DefaultPrintSettings(queues);
        QtPrompts prompts;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *printers = child<QComboBox>(dialog, "PrinterComboBox");
            QCOMPARE(printers->currentText(), QStringLiteral("Office"));
            // A4 is not on Lab: its default paper, Letter, comes up; A3 chosen then.
            printers->setCurrentIndex(printers->findText(QStringLiteral("Lab")));
            auto *paper = child<QComboBox>(dialog, "PaperComboBox");
            QCOMPARE(paper->currentText(), QPageSize(QPageSize::Letter).name());
            paper->setCurrentIndex(1);
            QTest::mouseClick(child<QRadioButton>(dialog, "LandscapeRadioButton"), Qt::LeftButton);
            auto *box = child<QDialogButtonBox>(dialog, "ButtonBox");
            box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        PrinterSetup(settings, queues, prompts);
        QCOMPARE(settings.printerName, ok ? QStringLiteral("Lab") : QStringLiteral("Office"));
        QVERIFY(settings.pageSize.isEquivalentTo(QPageSize(ok ? QPageSize::A3 : QPageSize::A4)));
        QCOMPARE(settings.orientation, ok ? QPageLayout::Landscape : QPageLayout::Portrait);
        QVERIFY(!settings.pdfChosen);
    }

    void pdfFileChosenInSetup()
    {
        FakeQueues queues;
        queues.names = {QStringLiteral("Office")};
        PrintSettings settings = DefaultPrintSettings(queues);
        PrintSetupDialog dialog(settings, queues);
        auto *printers = child<QComboBox>(&dialog, "PrinterComboBox");
        printers->setCurrentIndex(printers->findText(QStringLiteral("PDF file")));
        dialog.applyTo(settings);
        QVERIFY(settings.printerName.isEmpty());
        QVERIFY(settings.pdfChosen);
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
