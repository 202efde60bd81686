// Controls placed at design positions that keep their distance to chosen edges of their
// parent as it grows or shrinks (a control anchored left and right stretches).
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QWidget;

enum Anchor { AnchorLeft = 1, AnchorTop = 2, AnchorRight = 4, AnchorBottom = 8 };

class Anchors
{
public:
    // designSize: the parent's client size the design places refer to.
    explicit Anchors(QSize designSize) : m_design(designSize) {}
    void add(QWidget *widget, const QRect &designPlace, int anchors = AnchorLeft | AnchorTop);
    // Places every control for the parent's current client size.
    void apply(QSize size) const;
    // The place of a control for a given client size.
    static QRect placeFor(const QRect &design, int anchors, QSize designSize, QSize size);

private:
    struct Entry
    {
        QWidget *widget;
        QRect design;
        int anchors;
    };
    QSize m_design;
    QList<Entry> m_entries;
};
