// The main window's place on the desktop.
#include "windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

// Stored values may be anything up to INT_MAX: the arithmetic on them is done in 64 bits.
struct Span
{
    qint64 start;
    qint64 length;
};

qint64 overlap(Span a, Span b)
{
    const qint64 from = std::max(a.start, b.start);
    const qint64 to = std::min(a.start + a.length, b.start + b.length);
    return std::max<qint64>(0, to - from);
}

// The length raised to the minimum and lowered to the room, then the start moved so that the
// span lies within the room.
Span fitSpan(Span s, qint64 minimum, Span room)
{
    s.length = std::min(std::max(s.length, std::min(minimum, room.length)), room.length);
    s.start = std::clamp(s.start, room.start, room.start + room.length - s.length);
    return s;
}

Span centred(qint64 length, qint64 minimum, Span room)
{
    length = std::min(std::max(length, std::min(minimum, room.length)), room.length);
    return {room.start + (room.length - length) / 2, length};
}

int scaled(int distance, qreal factor)
{
    return int(std::lround(distance * factor));
}

} // namespace

QSize sizeLimitOn(const ScreenArea &screen, QSize minimum)
{
    return minimum.boundedTo(screen.available.size());
}

QRect fitWindowPlace(const FormPlace &stored, QSize defaultOuter, const QList<ScreenArea> &screens,
                     int primary, QSize minimum)
{
    if (screens.isEmpty())
        return stored.usable() ? QRect(stored.left, stored.top, stored.width, stored.height)
                               : QRect(QPoint(0, 0), defaultOuter);
    primary = std::clamp<int>(primary, 0, int(screens.size()) - 1);
    int chosen = primary;
    if (stored.usable()) {
        qint64 best = 0;
        for (int i = 0; i < screens.size(); ++i) {
            const QRect &a = screens[i].available;
            const qint64 area = overlap({stored.left, stored.width}, {a.left(), a.width()}) *
                                overlap({stored.top, stored.height}, {a.top(), a.height()});
            if (area > best) {
                best = area;
                chosen = i;
            }
        }
        if (best > 0) {
            const Span x =
                fitSpan({stored.left, stored.width}, minimum.width(),
                        {screens[chosen].available.left(), screens[chosen].available.width()});
            const Span y =
                fitSpan({stored.top, stored.height}, minimum.height(),
                        {screens[chosen].available.top(), screens[chosen].available.height()});
            return QRect(int(x.start), int(y.start), int(x.length), int(y.length));
        }
    }
    // Not stored, or on no screen of the present desktop: centred with the default size.
    const QRect &a = screens[chosen].available;
    const Span x = centred(defaultOuter.width(), minimum.width(), {a.left(), a.width()});
    const Span y = centred(defaultOuter.height(), minimum.height(), {a.top(), a.height()});
    return QRect(int(x.start), int(y.start), int(x.length), int(y.length));
}

QRect toDevice(const QRect &logical, const QScreen *screen)
{
    if (!screen)
        return logical;
    const qreal ratio = screen->devicePixelRatio();
    const QPoint origin = screen->geometry().topLeft();
    const QPoint offset = logical.topLeft() - origin;
    return QRect(origin + QPoint(scaled(offset.x(), ratio), scaled(offset.y(), ratio)),
                 QSize(scaled(logical.width(), ratio), scaled(logical.height(), ratio)));
}

QRect toLogical(const QRect &device, const QScreen *screen)
{
    if (!screen)
        return device;
    const qreal ratio = screen->devicePixelRatio();
    const QPoint origin = screen->geometry().topLeft();
    const QPoint offset = device.topLeft() - origin;
    return QRect(origin + QPoint(scaled(offset.x(), 1 / ratio), scaled(offset.y(), 1 / ratio)),
                 QSize(scaled(device.width(), 1 / ratio), scaled(device.height(), 1 / ratio)));
}

QList<ScreenArea> desktopScreens(int *primary)
{
    QList<ScreenArea> areas;
    const QList<QScreen *> screens = QGuiApplication::screens();
    *primary = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const QScreen *s = screens[i];
        areas.append({toDevice(s->geometry(), s), toDevice(s->availableGeometry(), s)});
        if (s == QGuiApplication::primaryScreen())
            *primary = i;
    }
    return areas;
}

QScreen *screenForDeviceRect(const QRect &rect)
{
    QScreen *best = QGuiApplication::primaryScreen();
    qint64 bestArea = 0;
    for (QScreen *s : QGuiApplication::screens()) {
        const QRect common = toDevice(s->geometry(), s).intersected(rect);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    return best;
}
