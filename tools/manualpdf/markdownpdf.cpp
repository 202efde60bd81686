// Markdown to PDF for the user manual.
#include "markdownpdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

namespace {

// Width of the text column at 96 dpi: A4 less 2 cm on each side.
constexpr double TEXT_WIDTH_PX = (210.0 - 40.0) / 25.4 * 96.0;

QString findImage(const QString &name, const QStringList &dirs)
{
    for (const QString &dir : dirs) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

// Loads every image into the document and fits wide ones to the text width.
QString placeImages(QTextDocument &doc, const QStringList &dirs)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString path = findImage(format.name(), dirs);
            QImage image(path);
            if (path.isEmpty() || image.isNull())
                return QStringLiteral("image %1 not found").arg(format.name());
            doc.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            // Screenshots carry their scale: a 200 % picture is laid out at its 100 % size.
            const double ratio = image.devicePixelRatio() > 0 ? image.devicePixelRatio() : 1.0;
            double width = image.width() / ratio;
            double height = image.height() / ratio;
            if (width > TEXT_WIDTH_PX) {
                height *= TEXT_WIDTH_PX / width;
                width = TEXT_WIDTH_PX;
            }
            format.setWidth(width);
            format.setHeight(height);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    return {};
}

// Tables get thin ruled cells with some air, headings of code blocks a grey ground.
void styleBlocks(QTextDocument &doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        if (QTextTable *table = cursor.currentTable()) {
            QTextTableFormat format = table->format();
            if (format.cellPadding() != 4) {
                format.setCellPadding(4);
                format.setCellSpacing(0);
                format.setBorder(1);
                format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                format.setBorderCollapse(true);
                format.setBorderBrush(QColor(128, 128, 128));
                format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
                table->setFormat(format);
            }
        } else if (block.blockFormat().hasProperty(QTextFormat::BlockCodeFence)) {
            QTextBlockFormat format = block.blockFormat();
            format.setBackground(QColor(240, 240, 240));
            cursor.setBlockFormat(format);
        }
    }
}

} // namespace

QString writeManualPdf(const QString &input, const QString &output, const QStringList &imageDirs)
{
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(input);
    const QString markdown = QString::fromUtf8(file.readAll());

    QTextDocument doc;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setDefaultStyleSheet(QStringLiteral("code { font-family: 'DejaVu Sans Mono'; }"));
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    doc.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Keldra Data Viewer"));
    QStringList dirs{QFileInfo(input).absolutePath()};
    dirs += imageDirs;
    if (const QString failure = placeImages(doc, dirs); !failure.isEmpty())
        return failure;
    styleBlocks(doc);

    QPdfWriter writer(output);
    writer.setTitle(QStringLiteral("Keldra Data Viewer - User Manual"));
    writer.setCreator(QStringLiteral("Keldra Data Viewer"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    doc.print(&writer);
    if (!QFileInfo(output).isFile() || QFileInfo(output).size() == 0)
        return QStringLiteral("cannot write %1").arg(output);
    return {};
}
