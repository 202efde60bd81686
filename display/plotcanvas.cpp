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
    m_painter.restore();
}

void PlotCanvas::setPen(const QColor &colour, int width)
{
    m_penColour = colour;
    m_width = std::max(width, 1);
    m_pen = QPen(colour, m_width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    m_painter.setPen(m_pen);
}

void PlotCanvas::lineTo(const QPoint &p)
{
    const QPoint from = m_current;
    m_current = p;
    if (m_width > 1) {
        m_painter.drawLine(from, p);
        return;
    }
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
    m_painter.setPen(m_fontColour);
    m_painter.drawText(x, y + m_metrics.ascent(), text);
    m_painter.setPen(m_pen);
}

int PlotCanvas::textWidth(const QString &text) const
{
    return m_metrics.horizontalAdvance(text);
}
