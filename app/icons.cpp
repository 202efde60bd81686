// Each picture is painted at twice its size so that it stays sharp on dense screens.
#include "icons.h"

#include <QPainter>
#include <QPixmap>
#include <functional>

namespace {

QIcon paintedIcon(int size, const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(size * scale, size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, false);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// One miniature trend window: white plot with a grey title strip and a curve.
void drawWindow(QPainter &p, const QRect &r)
{
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, 2), QColor(160, 160, 160));
    const int y0 = r.top() + 4;
    const int h = r.height() - 6;
    if (h < 2)
        return;
    QPen curve(QColor(128, 0, 128));
    curve.setWidth(1);
    p.setPen(curve);
    const int xs[] = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18};
    const int ys[] = {6, 3, 5, 2, 4, 7, 4, 5, 2, 3};
    QPoint last;
    for (int i = 0; i < 10 && xs[i] < r.width() - 3; ++i) {
        const QPoint pt(r.left() + 2 + xs[i], y0 + ys[i] * (h - 1) / 8);
        if (i > 0)
            p.drawLine(last, pt);
        last = pt;
    }
}

} // namespace

QIcon stackedIcon()
{
    return paintedIcon(22, [](QPainter &p) {
        drawWindow(p, QRect(1, 1, 20, 10));
        drawWindow(p, QRect(1, 11, 20, 10));
    });
}

QIcon columnsIcon()
{
    return paintedIcon(22, [](QPainter &p) {
        drawWindow(p, QRect(1, 1, 10, 10));
        drawWindow(p, QRect(1, 11, 10, 10));
        drawWindow(p, QRect(11, 1, 10, 10));
        drawWindow(p, QRect(11, 11, 10, 10));
    });
}

QIcon closeIcon()
{
    return paintedIcon(12, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(QColor(64, 64, 64));
        pen.setWidthF(1.6);
        p.setPen(pen);
        p.drawLine(QPointF(2.5, 2.5), QPointF(9.5, 9.5));
        p.drawLine(QPointF(9.5, 2.5), QPointF(2.5, 9.5));
    });
}
