// Printing: the page rectangle, the window's picture and one-page jobs into a PDF file.
#include "printing.h"
#include "scriptedprompts.h"

#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

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

    void printsOnePageIntoPdf()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("window.pdf")));
        printer.setPageOrientation(QPageLayout::Portrait);
        QCOMPARE(PrinterProblem(printer), QString());
        const QSize page(printer.width(), printer.height());
        const QRect target = PrintTargetRect(page, QSize(1024, 581));
        QCOMPARE(target.left(), page.width() / 10);
        QCOMPARE(target.top(), page.height() / 10);
        QCOMPARE(target.width(), int(page.width() * 0.8));
        QVERIFY(target.height() < int(page.height() * 0.8));

        QCOMPARE(PrintImage(printer, twoColourImage(1024, 581)), QString());
        QFile file(printer.outputFileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(pageObjects(pdf), 1);
        QVERIFY(pdf.contains("/Count 1"));
        QVERIFY(!pdf.contains("/Title (") || pdf.contains("/Title ()") ||
                pdf.contains("/Title (\xfe\xff)"));
    }

    void printWindowGoesThroughChosenPrinter()
    {
        QTemporaryDir dir;
        QWidget window;
        window.resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("p.pdf")));
        ScriptedPrompts prompts;
        PrintWindow(&window, nullptr, printer, prompts);
        QVERIFY(prompts.shown.isEmpty());
        QVERIFY(QFile::exists(printer.outputFileName()));
    }

    void refusedJobReachesOperator()
    {
        QTemporaryDir dir;
        QWidget window;
        window.resize(300, 200);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("missing/folder/p.pdf")));
        ScriptedPrompts prompts;
        PrintWindow(&window, nullptr, printer, prompts);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::PlatformError);
        QVERIFY(!prompts.shown[0].text.isEmpty());
    }

    void noPrinterInstalledGivesMessages()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("this machine has a printer installed");
        QPrinter printer(QPrinter::HighResolution);
        QWidget window;
        window.resize(300, 200);
        ScriptedPrompts prompts;
        PrinterSetup(printer, prompts);
        PrintWindow(&window, nullptr, printer, prompts);
        QCOMPARE(prompts.shown.size(), 2);
        for (const auto &shown : prompts.shown) {
            QCOMPARE(shown.kind, ScriptedPrompts::Kind::PlatformError);
            QCOMPARE(shown.text, QStringLiteral("No printer is installed."));
        }
    }

    void setupOfFilePrinterShowsDialog()
    {
        QTemporaryDir dir;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("p.pdf")));
        ScriptedPrompts prompts;
        PrinterSetup(printer, prompts);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::Printer);
    }
};

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
