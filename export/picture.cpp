// Rendering the window into an image, an SVG generator or a PDF writer, then written as a
// whole file.
#include "picture.h"
#include "wholefile.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QWidget>

namespace {

constexpr qreal PNG_SCALE = 2;

QRect clientArea(QWidget *window, QWidget *menuBar)
{
    QRect area = window->rect();
    if (menuBar && !menuBar->isHidden() && menuBar->parentWidget() == window)
        area.setTop(menuBar->geometry().bottom() + 1);
    return area;
}

// Paints the area of window at the painter's origin; false when the painter did not start.
bool paint(QPainter &painter, QWidget *window, const QRect &area)
{
    if (!painter.isActive())
        return false;
    window->render(&painter, QPoint(), QRegion(area),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return painter.end();
}

QString writePng(QWidget *window, const QRect &area, QIODevice &file)
{
    const qreal ratio = PNG_SCALE * window->devicePixelRatioF();
    QImage image(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QStringLiteral("There is not enough memory for the picture.");
    image.setDevicePixelRatio(ratio);
    image.fill(window->palette().color(window->backgroundRole()));
    QPainter painter(&image);
    if (!paint(painter, window, area))
        return QStringLiteral("The picture could not be drawn.");
    if (!image.save(&file, "PNG"))
        return QStringLiteral("The PNG file could not be written (%1).").arg(file.errorString());
    return {};
}

QString writeSvg(QWidget *window, const QRect &area, QIODevice &file)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(area.size());
    svg.setViewBox(QRect(QPoint(), area.size()));
    svg.setResolution(window->logicalDpiX());
    svg.setTitle(window->windowTitle());
    QPainter painter(&svg);
    if (!paint(painter, window, area))
        return QStringLiteral("The SVG file could not be written (%1).").arg(file.errorString());
    return {};
}

QString writePdf(QWidget *window, const QRect &area, QIODevice &file)
{
    QPdfWriter pdf(&file);
    const int dpi = window->logicalDpiX();
    pdf.setResolution(dpi);
    pdf.setTitle(window->windowTitle());
    pdf.setCreator(QStringLiteral("Keldra Data Viewer"));
    // One page the size of the picture at the screen's resolution, without margins.
    const QSizeF points(area.width() * 72.0 / dpi, area.height() * 72.0 / dpi);
    if (!pdf.setPageLayout(
            QPageLayout(QPageSize(points, QPageSize::Point), QPageLayout::Portrait, QMarginsF())))
        return QStringLiteral("The PDF page could not be set up.");
    QPainter painter(&pdf);
    if (!paint(painter, window, area))
        return QStringLiteral("The PDF file could not be written (%1).").arg(file.errorString());
    return {};
}

} // namespace

QString writePicture(QWidget *window, QWidget *menuBar, ExportFormat format, const QString &path)
{
    if (!isPictureFormat(format))
        return QStringLiteral("%1 is not a picture format.")
            .arg(exportFormatName(format).toUpper());
    const QRect area = clientArea(window, menuBar);
    if (area.isEmpty())
        return QStringLiteral("There is nothing to draw.");
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);
    QString why;
    switch (format) {
    case ExportFormat::Png:
        why = writePng(window, area, file);
        break;
    case ExportFormat::Svg:
        why = writeSvg(window, area, file);
        break;
    default:
        why = writePdf(window, area, file);
        break;
    }
    file.close();
    if (why.isEmpty() && !writeWholeFile(path, bytes))
        why = QStringLiteral("The file could not be saved.");
    return why;
}
