// Line and text primitives of the trend plot on a QPainter.
#include "plotcanvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

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
    m_pixelAligned = on && pixelAligned();
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
        } else if (m_width == 2 && from.x() == p.x() && m_pixelAligned) {
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

bool PlotCanvas::pixelAligned() const
{
    const QTransform t = m_painter.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) &&
           t.dy() == std::floor(t.dy()) && !m_painter.testRenderHint(QPainter::Antialiasing);
}

void PlotCanvas::drawColumnsLineByLine(const CurveColumn *columns, int count)
{
    const bool fast = m_fastLines;
    setFastLines(true);
    for (int i = 0; i < count; ++i) {
        const CurveColumn &c = columns[i];
        if (i == 0)
            moveTo(c.x, c.first);
        else
            lineTo(c.x, c.first);
        if (c.vertical) {
            moveTo(c.x, c.top);
            lineTo(c.x, c.bottom);
            moveTo(c.x, c.last);
        }
    }
    setFastLines(fast);
}

namespace {

// Whether the vertical of column c, filled over pixel rows top - 1 .. bottom, holds rows
// from..to.
bool verticalHolds(const PlotCanvas::CurveColumn &c, int from, int to)
{
    return c.vertical && c.top - 1 <= from && to <= c.bottom;
}

// A filled rectangle being grown to the right: pixel columns left..right, rows top..bottom.
struct Run
{
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

} // namespace

// A width-2 vertical at x covers pixel columns x - 1 and x, rows top - 1 to bottom, so pixel
// column p is covered by the verticals at p and p + 1: at most two row ranges, filled as
// one-pixel-wide rectangles, and grown to the right while the next column's range is the
// same.
void PlotCanvas::fillVerticals(const CurveColumn *columns, int count)
{
    const int x0 = columns[0].x;
    Run open[2], next[2];
    int openCount = 0;
    auto fill = [this](const Run &r) {
        m_painter.fillRect(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1, m_penColour);
    };
    for (int p = x0 - 1; p <= columns[count - 1].x; ++p) {
        int tops[2], bottoms[2], n = 0;
        for (int i = p - x0; i <= p - x0 + 1; ++i) {
            if (i < 0 || i >= count || !columns[i].vertical)
                continue;
            const int top = columns[i].top - 1, bottom = columns[i].bottom;
            if (n == 1 && top <= bottoms[0] + 1 && tops[0] <= bottom + 1) {
                tops[0] = std::min(tops[0], top);
                bottoms[0] = std::max(bottoms[0], bottom);
            } else {
                tops[n] = top;
                bottoms[n] = bottom;
                ++n;
            }
        }
        int nextCount = 0;
        bool extended[2] = {false, false};
        for (int k = 0; k < n; ++k) {
            Run run{p, p, tops[k], bottoms[k]};
            for (int o = 0; o < openCount; ++o) {
                if (!extended[o] && open[o].top == run.top && open[o].bottom == run.bottom) {
                    run.left = open[o].left;
                    extended[o] = true;
                    break;
                }
            }
            next[nextCount++] = run;
        }
        for (int o = 0; o < openCount; ++o)
            if (!extended[o])
                fill(open[o]);
        std::copy(next, next + nextCount, open);
        openCount = nextCount;
    }
    for (int o = 0; o < openCount; ++o)
        fill(open[o]);
}

void PlotCanvas::drawCurveColumns(const CurveColumn *columns, int count)
{
    if (count <= 0)
        return;
    bool consecutive = true;
    for (int i = 1; i < count && consecutive; ++i)
        consecutive = columns[i].x == columns[i - 1].x + 1;
    if (m_width != 2 || !consecutive || !pixelAligned()) {
        drawColumnsLineByLine(columns, count);
        return;
    }
    flush();
    // A width-2 square-capped line between neighbouring columns, from (x - 1, a) to (x, b),
    // covers no pixel outside columns x - 2 .. x and rows min(a, b) - 1 .. max(a, b); when
    // the verticals on both sides hold those rows, it adds nothing.
    for (int i = 1; i < count; ++i) {
        const CurveColumn &a = columns[i - 1], &b = columns[i];
        const int from = std::min(a.last, b.first) - 1, to = std::max(a.last, b.first);
        if (!verticalHolds(a, from, to) || !verticalHolds(b, from, to))
            m_lines.append(QLine(a.x, a.last, b.x, b.first));
    }
    flush();
    fillVerticals(columns, count);
    m_current = QPoint(columns[count - 1].x, columns[count - 1].last);
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
