// Markdown to PDF for the user manual.
#include "markdownpdf.h"

#include "pdfoutline.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <memory>

namespace {

// A4 with 2 cm margins; page numbers in a strip at the foot of the text area.
constexpr double MARGIN_MM = 20.0;
constexpr int DPI = 300;
constexpr double FOOTER_MM = 8.0;
// Width of the text column at 96 dpi, the unit of the pictures' sizes.
constexpr double TEXT_WIDTH_PX = (210.0 - 2 * MARGIN_MM) / 25.4 * 96.0;
// Examples are made smaller to fit the text width, but not below this.
constexpr double MIN_CODE_POINTS = 5.5;
// Block properties of this tool: the block may not start a page (it belongs to the one
// before), and the block is a line of the table of contents.
constexpr int KEEP_WITH_PREVIOUS = QTextFormat::UserProperty + 1;
constexpr int CONTENTS_LINE = QTextFormat::UserProperty + 2;
const QString kContents = QStringLiteral("Contents");

double mmToDevice(double mm)
{
    return mm / 25.4 * DPI;
}

QString findImage(const QString &name, const QStringList &dirs)
{
    for (const QString &dir : dirs) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

// The pictures' descriptions in the Markdown, by file name: ![description](file).
QHash<QString, QString> imageDescriptions(const QString &markdown)
{
    static const QRegularExpression image(QStringLiteral("!\\[([^\\]]*)\\]\\(([^)\\s]+)\\)"));
    QHash<QString, QString> out;
    for (auto it = image.globalMatch(markdown); it.hasNext();) {
        const auto match = it.next();
        out.insert(match.captured(2), match.captured(1));
    }
    return out;
}

// Loads every image into the document, fits wide ones to the text width and puts a numbered
// caption under each.
QString placeImages(QTextDocument &doc, const QStringList &dirs,
                    const QHash<QString, QString> &descriptions)
{
    int figure = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        bool hasImage = false;
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
            hasImage = true;
        }
        if (!hasImage)
            continue;
        QString name;
        for (auto it = block.begin(); !it.atEnd() && name.isEmpty(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                name = it.fragment().charFormat().toImageFormat().name();
        }
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock);
        QTextBlockFormat captionFormat;
        captionFormat.setAlignment(Qt::AlignHCenter);
        captionFormat.setTopMargin(2);
        captionFormat.setBottomMargin(8);
        captionFormat.setProperty(KEEP_WITH_PREVIOUS, true);
        QTextCharFormat text;
        text.setFontItalic(true);
        text.setFontPointSize(9);
        cursor.insertBlock(captionFormat, text);
        cursor.insertText(
            QStringLiteral("Figure %1. %2").arg(++figure).arg(descriptions.value(name)));
        block = cursor.block();
    }
    return {};
}

bool isCode(const QTextBlock &block)
{
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

// Tables get thin ruled cells with some air, examples a grey ground and a size that fits the
// text width (lines of a file are not wrapped).
void styleBlocks(QTextDocument &doc, const QPaintDevice &device, double textWidth)
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
            continue;
        }
        if (!isCode(block))
            continue;
        QTextBlock last = block;
        double widest = 0;
        for (QTextBlock b = block; b.isValid() && isCode(b); b = b.next()) {
            QFont font = b.charFormat().font();
            widest = std::max(widest, QFontMetricsF(font, &device).horizontalAdvance(b.text()));
            last = b;
        }
        QTextCursor group(block);
        group.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        QTextBlockFormat ground;
        ground.setBackground(QColor(240, 240, 240));
        group.mergeBlockFormat(ground);
        const double points = block.charFormat().font().pointSizeF();
        if (widest > textWidth && points > 0) {
            QTextCharFormat smaller;
            smaller.setFontPointSize(std::max(MIN_CODE_POINTS, points * textWidth / widest * 0.98));
            group.mergeCharFormat(smaller);
        }
        block = last;
    }
}

struct Heading
{
    int level;
    QString title;
    int position; // of its block in the document
};

QList<Heading> headings(const QTextDocument &doc)
{
    QList<Heading> out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level >= 2 && level <= 3 && block.text() != kContents)
            out.append({level, block.text(), block.position()});
    }
    return out;
}

// A place where a page may begin, in document coordinates.
struct BreakPoint
{
    double y;
    bool allowed;
};

// Where pages may begin: before any line of a paragraph, before a table row; not inside an
// example, not right after a heading, not between a picture and its caption.
QList<BreakPoint> breakPoints(const QTextDocument &doc)
{
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    // The layout is made lazily and places blocks again as it goes on: finish it before
    // reading places from it.
    layout->documentSize();
    QList<BreakPoint> points;
    QTextTable *lastTable = nullptr;
    bool afterHeading = false;
    bool afterCode = false;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        QTextTable *table = QTextCursor(block).currentTable();
        if (table) {
            if (table != lastTable) {
                // Cell padding and the ruling above the row, which is drawn half above it.
                const double padding =
                    table->format().cellPadding() + 2 * table->format().border() + 1;
                for (int r = 0; r < table->rows(); ++r) {
                    double top = std::numeric_limits<double>::max();
                    for (int c = 0; c < table->columns(); ++c)
                        top =
                            std::min(top, layout
                                              ->blockBoundingRect(
                                                  table->cellAt(r, c).firstCursorPosition().block())
                                              .top());
                    points.append({top - padding, !(r == 0 && afterHeading)});
                }
                lastTable = table;
            }
            afterHeading = false;
            afterCode = false;
            continue;
        }
        const bool keep = afterHeading ||
                          block.blockFormat().property(KEEP_WITH_PREVIOUS).toBool() ||
                          (afterCode && isCode(block));
        const QTextLayout *lines = block.layout();
        for (int i = 0; i < lines->lineCount(); ++i)
            points.append({rect.top() + lines->lineAt(i).y(), i == 0 ? !keep : !isCode(block)});
        afterHeading = block.blockFormat().headingLevel() > 0;
        afterCode = isCode(block);
    }
    std::sort(points.begin(), points.end(),
              [](const BreakPoint &a, const BreakPoint &b) { return a.y < b.y; });
    return points;
}

// The tops of the pages in document coordinates, the first at 0.
QList<double> paginate(const QTextDocument &doc, double pageHeight)
{
    const QList<BreakPoint> points = breakPoints(doc);
    const double end = doc.documentLayout()->documentSize().height();
    QList<double> tops{0};
    while (end - tops.back() > pageHeight) {
        const double start = tops.back();
        double next = start + pageHeight;
        for (const BreakPoint &p : points) {
            if (p.y > start + pageHeight)
                break;
            if (p.allowed && p.y > start + 1)
                next = p.y;
        }
        tops.append(next);
    }
    return tops;
}

int pageOf(const QList<double> &tops, double y)
{
    return int(std::upper_bound(tops.begin(), tops.end(), y) - tops.begin()) - 1;
}

// The table of contents before the first chapter: the chapters and sections with their pages
// (pages empty: not known yet). Replaces the one written before.
void writeContents(QTextDocument &doc, const QList<Heading> &list, const QList<int> &pages,
                   double textWidth)
{
    QTextCursor cursor(&doc);
    int first = -1, end = -1;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().property(CONTENTS_LINE).toBool()) {
            if (first < 0)
                first = block.position();
            end = block.position() + block.length() - 1;
        }
    }
    if (first >= 0) {
        // Emptied down to its first block, which takes the new contents.
        cursor.setPosition(first);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        QTextBlock block = doc.begin();
        while (block.isValid() && block.blockFormat().headingLevel() != 2)
            block = block.next();
        cursor = QTextCursor(block);
        cursor.insertBlock();
        cursor.movePosition(QTextCursor::PreviousBlock);
    }
    QTextBlockFormat title;
    title.setHeadingLevel(2);
    title.setProperty(CONTENTS_LINE, true);
    title.setTopMargin(12);
    title.setBottomMargin(6);
    QTextCharFormat titleText;
    titleText.setFontPointSize(16);
    titleText.setFontWeight(QFont::Bold);
    cursor.setBlockFormat(title);
    cursor.setBlockCharFormat(titleText);
    cursor.insertText(kContents, titleText);
    for (int i = 0; i < list.size(); ++i) {
        QTextBlockFormat line;
        line.setProperty(CONTENTS_LINE, true);
        line.setIndent(list[i].level - 2);
        // Tab positions are in the layout's 96 dpi units, not the writer's, and count from
        // inside the document margin.
        const double tab = textWidth * 96.0 / DPI - 2 * doc.documentMargin() -
                           doc.indentWidth() * line.indent() - 2;
        line.setTabPositions({QTextOption::Tab(tab, QTextOption::RightTab)});
        line.setTopMargin(list[i].level == 2 ? 4 : 0);
        QTextCharFormat text;
        text.setFontWeight(list[i].level == 2 ? QFont::Bold : QFont::Normal);
        cursor.insertBlock(line, text);
        cursor.insertText(
            list[i].title + QLatin1Char('\t') +
                (pages.isEmpty() ? QStringLiteral("00") : QString::number(pages[i] + 1)),
            text);
    }
}

// A fresh copy of doc laid out in one pass for device: the layout of a document edited after
// it was laid out keeps stale places in its drawing shortcuts.
std::unique_ptr<QTextDocument> laidOut(const QTextDocument &doc, QPaintDevice &device,
                                       double textWidth)
{
    std::unique_ptr<QTextDocument> copy(doc.clone());
    copy->documentLayout()->setPaintDevice(&device);
    copy->setTextWidth(textWidth);
    copy->documentLayout()->documentSize();
    return copy;
}

} // namespace

QString writeManualPdf(const QString &input, const QString &output, const QStringList &imageDirs)
{
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(input);
    const QString markdown = QString::fromUtf8(file.readAll());

    QPdfWriter writer(output);
    writer.setTitle(QStringLiteral("Keldra Data Viewer - User Manual"));
    writer.setCreator(QStringLiteral("Keldra Data Viewer"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(MARGIN_MM, MARGIN_MM, MARGIN_MM, MARGIN_MM),
                                     QPageLayout::Millimeter));
    writer.setResolution(DPI);
    const double textWidth = writer.width();
    const double pageHeight = writer.height() - mmToDevice(FOOTER_MM);

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    doc.setDefaultFont(font);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    doc.setMetaInformation(QTextDocument::DocumentTitle, QStringLiteral("Keldra Data Viewer"));
    doc.setTextWidth(textWidth);
    QStringList dirs{QFileInfo(input).absolutePath()};
    dirs += imageDirs;
    if (const QString failure = placeImages(doc, dirs, imageDescriptions(markdown));
        !failure.isEmpty())
        return failure;
    styleBlocks(doc, writer, textWidth);

    // The contents list takes room itself: settle its page numbers by laying out again until
    // they stay the same.
    const QList<Heading> chapters = headings(doc);
    QList<int> pages;
    QList<double> tops;
    std::unique_ptr<QTextDocument> final;
    for (int round = 0; round < 4; ++round) {
        writeContents(doc, chapters, pages, textWidth);
        final = laidOut(doc, writer, textWidth);
        tops = paginate(*final, pageHeight);
        QList<int> now;
        for (const Heading &h : headings(*final))
            now.append(pageOf(
                tops,
                final->documentLayout()->blockBoundingRect(final->findBlock(h.position)).top()));
        if (now == pages)
            break;
        pages = now;
    }

    QList<OutlineEntry> outline;
    QPainter painter;
    if (!painter.begin(&writer))
        return QStringLiteral("cannot write %1").arg(output);
    for (int page = 0; page < tops.size(); ++page) {
        if (page > 0)
            writer.newPage();
        const double top = tops[page];
        const double bottom = page + 1 < tops.size() ? tops[page + 1] : top + pageHeight;
        painter.save();
        // A hair short of the next page's top, so that the block starting there is not drawn
        // (clipped, but still in the page's text) here as well.
        const QRectF area(0, top, textWidth, bottom - top - 1);
        painter.translate(0, -top);
        painter.setClipRect(area);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = area;
        final->documentLayout()->draw(&painter, context);

        painter.restore();
        QFont footer = font;
        footer.setPointSizeF(9);
        painter.setFont(footer);
        painter.drawText(QRectF(0, writer.height() - mmToDevice(FOOTER_MM) * 0.6, textWidth,
                                mmToDevice(FOOTER_MM) * 0.6),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(page + 1));
    }
    const bool painted = painter.end();
    for (const Heading &h : headings(*final)) {
        const double y =
            final->documentLayout()->blockBoundingRect(final->findBlock(h.position)).top();
        const int page = pageOf(tops, y);
        // Points from the page's foot, as PDF destinations count.
        const double fromTop = MARGIN_MM / 25.4 * 72 + (y - tops[page]) / DPI * 72;
        outline.append(
            {h.level - 1, h.title, page, writer.pageLayout().fullRectPoints().height() - fromTop});
    }
    if (!painted || !QFileInfo(output).isFile() || QFileInfo(output).size() == 0)
        return QStringLiteral("cannot write %1").arg(output);
    return addPdfOutline(output, outline);
}
