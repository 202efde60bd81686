// The manual's Markdown-to-PDF step: pages, embedded pictures, and refusal of a missing one.
#include "markdownpdf.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(text);
}

} // namespace

class TestManualPdf : public QObject
{
    Q_OBJECT

private slots:
    void imagesFromSecondFolderAreEmbedded()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("src")) && QDir().mkpath(dir.filePath("shots/images")));
        QByteArray text =
            "# Title\n\nSome *text* and a table:\n\n| a | b |\n|---|---|\n| 1 | 2 |\n\n"
            "![wide](images/wide.png)\n\n";
        for (int i = 0; i < 120; ++i)
            text += "A paragraph long enough to need more than one page, line " +
                    QByteArray::number(i) + ".\n\n";
        write(dir.filePath("src/manual.md"), text);
        QImage wide(2000, 400, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QVERIFY(wide.save(dir.filePath("shots/images/wide.png")));
        const QString out = dir.filePath("out.pdf");
        QCOMPARE(writeManualPdf(dir.filePath("src/manual.md"), out, {dir.filePath("shots")}),
                 QString());
        const QByteArray pdf = readAll(out);
        QVERIFY(pdf.startsWith("%PDF"));
        QVERIFY(pdf.contains("/Subtype /Image"));
        QVERIFY(pdf.contains("/Width 2000"));
        QVERIFY(pdf.contains("/PageMode /UseOutlines"));
    }

    // A manual with chapters, a table, an over-wide example and a picture, read back with
    // poppler's tools as a reader would see it.
    void pagesOutlineAndCaptions()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        const QString pdftohtml = QStandardPaths::findExecutable(QStringLiteral("pdftohtml"));
        if (pdftotext.isEmpty() || pdftohtml.isEmpty())
            QSKIP("poppler-utils (pdftotext, pdftohtml) is not installed");
        QTemporaryDir dir;
        QByteArray text = "# The Manual\n\nIntro.\n\n";
        for (int chapter = 1; chapter <= 4; ++chapter) {
            text += "## " + QByteArray::number(chapter) + ". Chapter " +
                    QByteArray::number(chapter) + "\n\n";
            for (int section = 1; section <= 3; ++section) {
                text += "### " + QByteArray::number(chapter) + "." + QByteArray::number(section) +
                        " Section\n\n";
                for (int i = 0; i < 9; ++i)
                    text += "Filler text that takes a line or two of the page, again and again, "
                            "so that headings fall near the foot of pages.\n\n";
                text += "| key | value |\n|---|---|\n";
                for (int row = 0; row < 6; ++row)
                    text += "| row " + QByteArray::number(row) +
                            " | BEGIN a cell with so many words in it that they need two lines or "
                            "more of the column to be shown whole END |\n";
                text += "\n";
            }
        }
        text += "```\nHEAD" + QByteArray(150, 'x') + "TAIL\n```\n\n![A wide picture](wide.png)\n";
        write(dir.filePath("manual.md"), text);
        QImage wide(900, 300, QImage::Format_RGB32);
        wide.fill(Qt::darkBlue);
        QVERIFY(wide.save(dir.filePath("wide.png")));
        const QString out = dir.filePath("out.pdf");
        QCOMPARE(writeManualPdf(dir.filePath("manual.md"), out, {}), QString());

        QProcess html;
        html.start(pdftohtml, {"-xml", "-i", "-stdout", "-q", out});
        QVERIFY(html.waitForFinished(60000));
        const QString xml = QString::fromUtf8(html.readAllStandardOutput());
        static const QRegularExpression item(
            QStringLiteral("<item page=\"(\\d+)\">([^<]*)</item>"));
        QStringList titles;
        for (auto it = item.globalMatch(xml); it.hasNext();)
            titles << it.next().captured(2);
        QCOMPARE(titles.size(), 4 + 4 * 3);
        QCOMPARE(titles.constFirst(), QStringLiteral("1. Chapter 1"));
        QCOMPARE(titles.constLast(), QStringLiteral("4.3 Section"));

        QProcess pages;
        pages.start(pdftotext, {"-layout", out, "-"});
        QVERIFY(pages.waitForFinished(60000));
        const QStringList sheets =
            QString::fromUtf8(pages.readAllStandardOutput()).split(QLatin1Char('\f'));
        QVERIFY(sheets.size() > 5);
        // The contents list on the first page, with the page of each chapter.
        QVERIFY(sheets[0].contains(QStringLiteral("Contents")));
        static const QRegularExpression contentsLine(QStringLiteral("4\\.3 Section\\s+(\\d+)"));
        const auto line = contentsLine.match(sheets[0]);
        QVERIFY(line.hasMatch());
        QVERIFY(sheets[line.captured(1).toInt() - 1].contains(QStringLiteral("4.3 Section")));
        for (int page = 0; page < sheets.size(); ++page) {
            QStringList lines = sheets[page].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
                lines.removeLast();
            if (lines.size() < 2)
                continue;
            // The last line is the page number; no heading just above it.
            QCOMPARE(lines.back().trimmed(), QString::number(page + 1));
            const QString last = lines[lines.size() - 2].trimmed();
            QVERIFY2(!last.endsWith(QStringLiteral("Section")) &&
                         !last.contains(QStringLiteral("Chapter")),
                     qPrintable(
                         QStringLiteral("page %1 ends in a heading: %2").arg(page + 1).arg(last)));
            // Table rows stay whole: a row cut by the foot of a page would be drawn on both.
            QVERIFY2(
                sheets[page].count(QStringLiteral("BEGIN")) ==
                    sheets[page].count(QStringLiteral("END")),
                qPrintable(QStringLiteral("a row split at the foot of page %1").arg(page + 1)));
        }
        const QString all = sheets.join(QString());
        QCOMPARE(all.count(QStringLiteral("BEGIN")), 4 * 3 * 6);
        // Each heading once in the contents and once in the text, never again at a page foot.
        QCOMPARE(all.count(QStringLiteral("3. Chapter 3")), 2);
        QCOMPARE(all.count(QStringLiteral("4.3 Section")), 2);
        QVERIFY(all.contains(QStringLiteral("HEAD") + QString(150, QLatin1Char('x')) +
                             QStringLiteral("TAIL")));
        QVERIFY(all.contains(QStringLiteral("Figure 1. A wide picture")));
    }

    void missingImageIsAnError()
    {
        QTemporaryDir dir;
        write(dir.filePath("manual.md"), "![gone](images/gone.png)\n");
        const QString failure =
            writeManualPdf(dir.filePath("manual.md"), dir.filePath("out.pdf"), {});
        QVERIFY(failure.contains(QStringLiteral("images/gone.png")));
    }

    void unreadableInputIsAnError()
    {
        QTemporaryDir dir;
        QVERIFY(!writeManualPdf(dir.filePath("none.md"), dir.filePath("out.pdf"), {}).isEmpty());
    }
};

QTEST_MAIN(TestManualPdf)
#include "test_manualpdf.moc"
