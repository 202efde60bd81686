// Anchored placement of the main window's controls.
#include "anchors.h"

#include <QWidget>

void Anchors::add(QWidget *widget, const QRect &designPlace, int anchors)
{
    m_entries.append({widget, designPlace, anchors});
    widget->setGeometry(designPlace);
}

void Anchors::apply(QSize size) const
{
    for (const Entry &e : m_entries)
        e.widget->setGeometry(placeFor(e.design, e.anchors, m_design, size));
}

QRect Anchors::placeFor(const QRect &design, int anchors, QSize designSize, QSize size)
{
    const int dw = size.width() - designSize.width();
    const int dh = size.height() - designSize.height();
    QRect r = design;
    if (anchors & AnchorRight) {
        if (anchors & AnchorLeft)
            r.setWidth(design.width() + dw);
        else
            r.moveLeft(design.left() + dw);
    }
    if (anchors & AnchorBottom) {
        if (anchors & AnchorTop)
            r.setHeight(design.height() + dh);
        else
            r.moveTop(design.top() + dh);
    }
    if (r.width() < 0)
        r.setWidth(0);
    if (r.height() < 0)
        r.setHeight(0);
    return r;
}
