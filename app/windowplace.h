// Where the main window goes on the desktop: the stored place, raised to the size limit and
// brought fully onto one screen's available area, all in device pixels; and the conversion
// between device pixels and the toolkit's logical ones on a scaled screen.
#pragma once

#include "viewsettings.h"

#include <QList>
#include <QRect>

class QScreen;

// One screen in device pixels: its whole area and the part not taken by panels and docks.
struct ScreenArea
{
    QRect geometry;
    QRect available;
};

// The outer frame the window opens with, in device pixels. stored: the settings file's place
// (any negative value: centred on the primary screen with size defaultOuter). Every value is
// accepted, however large: the result never overflows. The size is raised to minimum (but no
// further than the screen's available area) and lowered to that area; a place that does not
// fit is moved onto it, so the title bar is always reachable. A place on no screen is centred
// on the primary one. With no screen at all the stored place is returned as it is.
QRect fitWindowPlace(const FormPlace &stored, QSize defaultOuter, const QList<ScreenArea> &screens,
                     int primary, QSize minimum);

// The size limit on a screen: minimum, but never beyond its available area.
QSize sizeLimitOn(const ScreenArea &screen, QSize minimum);

// The desktop's screens in device pixels, the primary one's index in *primary.
QList<ScreenArea> desktopScreens(int *primary);

// Device pixels and logical pixels on one screen. A screen keeps its top-left corner in both;
// distances from it are scaled by the screen's device pixel ratio.
QRect toDevice(const QRect &logical, const QScreen *screen);
QRect toLogical(const QRect &device, const QScreen *screen);
// The screen whose device area holds the most of rect (the primary one when none does).
QScreen *screenForDeviceRect(const QRect &rect);
