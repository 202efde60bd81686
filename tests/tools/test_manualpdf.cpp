// The manual's Markdown-to-PDF step: pages, embedded pictures, and refusal of a missing one.
#include "markdownpdf.h"

#include <QFile>
#include <QImage>
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
        QVERIFY(!pdf.contains("/Count 1\n") && !pdf.contains("/Count 1 "));
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
