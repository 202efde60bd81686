// The drawing operations the trend plot is made of, on a QPainter: move to, line to (the end
// point itself is not drawn), text out at a top-left corner, text extents, pen and font
// colours, all without antialiasing.
#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QPen>
#include <QPoint>
#include <QString>
#include <QVector>

class QPainter;

class PlotCanvas
{
public:
    // Takes the painter's current font as the surface font. The painter's state is saved
    // here and restored when the canvas goes.
    explicit PlotCanvas(QPainter &painter);
    ~PlotCanvas();
    PlotCanvas(const PlotCanvas &) = delete;
    PlotCanvas &operator=(const PlotCanvas &) = delete;

    // Pen width 1 or 2 (wider pens are drawn as width 2 would be, scaled).
    void setPen(const QColor &colour, int width = 1);
    void setFontColor(const QColor &colour) { m_fontColour = colour; }

    void moveTo(int x, int y) { m_current = QPoint(x, y); }
    void moveTo(const QPoint &p) { m_current = p; }
    // A width-1 line covers its start pixel and stops before its end pixel. A wider line is
    // the pen's square-capped stroke from the current point to the end point: each segment
    // separately, so the picture is the union of the segments whatever their order, and the
    // raster engine's direct line rasterizer draws it (a round cap would go through the
    // general stroker, several times slower per segment).
    void lineTo(int x, int y) { lineTo(QPoint(x, y)); }
    void lineTo(const QPoint &p);

    // Fast wide lines: the same pixels as one painter line per segment, for less work.
    // Segments are collected and handed to the painter together at the next pen change,
    // text, thin line or end of fast lines, and, on a painter that moves by whole pixels only,
    // a vertical width-2 line is filled as the rectangle it covers.
    void setFastLines(bool on);

    // A curve reduced to pixel columns, drawn with the current pen: a move to the first
    // column's (x, first) and a line from each column's (x, last) to the next one's
    // (x, first); in a column that holds several samples, the vertical line between top and
    // bottom (top <= bottom). The current point ends at the last column's (x, last). Columns run
    // left to right, one pixel apart. With a width-2 pen on a painter that only translates by whole
    // pixels, the same pixels are filled with less work: the verticals as the pixel columns they
    // cover together, and a connecting line that lies wholly inside the verticals around it is left
    // out.
    struct CurveColumn
    {
        int x = 0;
        int first = 0;
        int top = 0;
        int bottom = 0;
        int last = 0;
        bool vertical = false;
    };
    void drawCurveColumns(const CurveColumn *columns, int count);

    // Text drawn with a transparent background, (x, y) being the top-left corner of its cell.
    void textOut(int x, int y, const QString &text);
    int textWidth(const QString &text) const;
    // Height of a text cell of the surface font.
    int textHeight() const { return m_metrics.height(); }

private:
    void flush();
    void drawColumnsLineByLine(const CurveColumn *columns, int count);
    bool pixelAligned() const;
    void fillVerticals(const CurveColumn *columns, int count);

    QPainter &m_painter;
    QFontMetrics m_metrics;
    QPen m_pen;
    int m_width = 1;
    QColor m_penColour;
    QColor m_fontColour;
    QPoint m_current;
    bool m_fastLines = false;
    bool m_pixelAligned = false; // fast lines on a painter that moves by whole pixels only
    QVector<QLine> m_lines;
};
