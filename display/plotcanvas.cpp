// Line and text primitives of the trend plot on a QPainter.
#include "plotcanvas.h"

#include <QPainter>
#include <algorithm>

namespace {

// The surface font drawn without antialiasing.
QFont aliased(QFont font)
{
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

} // namespace

PlotCanvas::PlotCanvas(QPainter &painter)
    : m_painter(painter), m_metrics(aliased(painter.font())), m_penColour(Qt::black),
      m_fontColour(Qt::black)
{
    m_painter.save();
    m_painter.setFont(aliased(m_painter.font()));
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, false);
    m_painter.setBrush(Qt::NoBrush);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    setPen(m_penColour, 1);
}

PlotCanvas::~PlotCanvas()
{
    flush();
    m_painter.restore();
}

void PlotCanvas::setFastLines(bool on)
{
    flush();
    m_fastLines = on;
}

void PlotCanvas::flush()
{
    if (m_lines.isEmpty())
        return;
    m_painter.drawLines(m_lines.constData(), int(m_lines.size()));
    m_lines.clear();
}

void PlotCanvas::setPen(const QColor &colour, int width)
{
    flush();
    m_penColour = colour;
    m_width = std::max(width, 1);
    m_pen = QPen(colour, m_width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    m_painter.setPen(m_pen);
}

void PlotCanvas::lineTo(const QPoint &p)
{
    const QPoint from = m_current;
    m_current = p;
    if (m_width > 1) {
        if (!m_fastLines) {
            m_painter.drawLine(from, p);
        } else if (m_width == 2 && from.x() == p.x()) {
            // What the raster engine covers for a vertical width-2 square-capped line:
            // columns x - 1 and x, rows from the upper end - 1 down to the lower end.
            const int top = std::min(from.y(), p.y()), bottom = std::max(from.y(), p.y());
            m_painter.fillRect(p.x() - 1, top - 1, 2, bottom - top + 2, m_penColour);
        } else {
            m_lines.append(QLine(from, p));
        }
        return;
    }
    flush();
    // Width 1: the pixels from the start up to, not including, the end. Horizontal and
    // vertical lines are filled exactly; any other line follows the toolkit's own rule.
    if (from.y() == p.y() && from.x() != p.x()) {
        const int left = from.x() < p.x() ? from.x() : p.x() + 1;
        m_painter.fillRect(left, p.y(), std::abs(p.x() - from.x()), 1, m_penColour);
    } else if (from.x() == p.x() && from.y() != p.y()) {
        const int top = from.y() < p.y() ? from.y() : p.y() + 1;
        m_painter.fillRect(p.x(), top, 1, std::abs(p.y() - from.y()), m_penColour);
    } else if (from != p) {
        QPen flat = m_pen;
        flat.setCapStyle(Qt::FlatCap);
        m_painter.setPen(flat);
        m_painter.drawLine(from, p);
        m_painter.setPen(m_pen);
    }
}

void PlotCanvas::textOut(int x, int y, const QString &text)
{
    flush();
    m_painter.setPen(m_fontColour);
    m_painter.drawText(x, y + m_metrics.ascent(), text);
    m_painter.setPen(m_pen);
}

int PlotCanvas::textWidth(const QString &text) const
{
    return m_metrics.horizontalAdvance(text);
}
