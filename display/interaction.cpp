// Mouse, cursor, readout and scrolling of the graph windows.
#include "interaction.h"

#include "displaystate.h"
#include "plotgeometry.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWidget>
#include <cmath>
#include <cstdlib>

int32_t DragWindow = -1;
int32_t DragX = 0;
int32_t DragY = 0;
int32_t DragPos = 0;
int32_t DragOffset = 0;
int32_t DragSamplesPerPixel = 1;
int32_t DragAxis = -1;
bool DragMoved = false;
bool ClickPending = false;

namespace {

// The plot's right edge lies PLOT_MARGIN - PLOT_LEFT from the surface's right edge.
constexpr int PLOT_MARGIN_RIGHT = PLOT_MARGIN - PLOT_LEFT;
// The Hb plot without a sensor plot: the surface less its two labelled bands.
constexpr int PLOT_BANDS = 2 * LABEL_BAND;
constexpr int OFFSET_MAX = 100;

InteractionControls *controls = nullptr;
// True while the interlock moves the other windows: their changes are not passed on again.
bool interlockMoving = false;

bool inUse(int w)
{
    return w >= 0 && w < SLOT_COUNT && WinInfo[w].DataNo >= 0 && WinInfo[w].DataNo < SLOT_COUNT;
}

int firstVisibleSample(int w)
{
    return controls->scrollVisible(w) ? controls->scrollPosition(w) : 0;
}

int floorDiv(int a, int b)
{
    return static_cast<int>(std::floor(static_cast<double>(a) / b));
}

void removeCursor()
{
    CursorWindow = -1;
    CursorIndex = -1;
}

void pan(int w, int dx)
{
    if (!controls->scrollVisible(w))
        return;
    const int p = qBound(0, DragPos - WinInfo[w].SamplesPerPixel * dx, controls->scrollMaximum(w));
    if (p != controls->scrollPosition(w))
        controls->setScrollPosition(w, p);
}

void shiftHeight(int w, int dy)
{
    const int plotHeight = controls->surfaceSize(w).height() - PLOT_BANDS;
    if (plotHeight < 1)
        return;
    const int v = qBound(-OFFSET_MAX, floorDiv(dy * 100, plotHeight) + DragOffset, OFFSET_MAX);
    if (v != WinInfo[w].Offset) {
        WinInfo[w].Offset = v;
        controls->repaint(w);
    }
}

void compress(int w, int dx)
{
    WINDOW_INFO_TYPE &win = WinInfo[w];
    int z = DragSamplesPerPixel - floorDiv(dx, COMPRESSION_STEP_PX);
    if (z < 1)
        z = 1;
    else if (z > win.MaxSamplesPerPixel)
        z = win.MaxSamplesPerPixel;
    if (z == win.SamplesPerPixel)
        return;
    win.SamplesPerPixel = z;
    win.TimeGrid = CalcTimeGrid(w);
    const int64_t large = static_cast<int64_t>(100) * z;
    controls->setScrollSteps(w, qMin(z, SCROLL_STEP_MAX),
                             static_cast<int>(qMin<int64_t>(large, SCROLL_STEP_MAX)));
    controls->repaint(w);
}

void passOn(int w, int position)
{
    interlockMoving = true;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        if (i == w || !controls->panelVisible(i) || !controls->scrollVisible(i))
            continue;
        const int p = WinInfo[i].LinkBase - WinInfo[w].LinkBase + position;
        // A window that cannot follow is left where it is, not stopped at its end.
        if (p >= 0 && p <= controls->scrollMaximum(i))
            controls->setScrollPosition(i, p);
    }
    interlockMoving = false;
}

} // namespace

void setInteractionControls(InteractionControls *c)
{
    controls = c;
}

void ResetInteraction()
{
    DragWindow = -1;
    DragX = DragY = DragPos = DragOffset = 0;
    DragSamplesPerPixel = 1;
    DragAxis = -1;
    DragMoved = false;
    ClickPending = false;
    interlockMoving = false;
}

void PaintBox1MouseDown(int w, Qt::MouseButton button, Qt::MouseButtons, int x, int y)
{
    if (!controls || !inUse(w))
        return;
    if (button != Qt::LeftButton && button != Qt::RightButton && button != Qt::MiddleButton)
        return;
    DragWindow = w;
    DragX = x;
    DragY = y;
    DragPos = controls->scrollPosition(w);
    DragOffset = WinInfo[w].Offset;
    DragSamplesPerPixel = WinInfo[w].SamplesPerPixel;
    DragAxis = -1;
    DragMoved = false;
    if (button == Qt::LeftButton)
        ClickPending = true;
}

void PaintBox1MouseMove(int w, Qt::MouseButtons shift, int x, int y)
{
    if (!controls || !inUse(w) || w != DragWindow)
        return;
    const bool left = shift.testFlag(Qt::LeftButton);
    const bool other = shift.testFlag(Qt::RightButton) || shift.testFlag(Qt::MiddleButton);
    if (!((left && ClickPending) || other))
        return;
    const int dx = x - DragX;
    const int dy = y - DragY;
    if (dx == 0 && dy == 0 && DragAxis == -1)
        return;
    if (DragAxis == -1 && (std::abs(dx) > DRAG_DEAD_ZONE || std::abs(dy) > DRAG_DEAD_ZONE)) {
        DragAxis = std::abs(dx) > std::abs(dy) ? 0 : 1;
        DragMoved = true;
    }
    if (left) {
        if (DragAxis == 0)
            pan(w, dx);
        else if (DragAxis == 1)
            shiftHeight(w, dy);
    } else if (DragAxis == 0) {
        compress(w, dx);
    }
}

void PaintBox1MouseUp(int w, Qt::MouseButton button, Qt::MouseButtons, int x, int y)
{
    if (!controls || button != Qt::LeftButton || !ClickPending || DragMoved || w != DragWindow ||
        !inUse(w) || WinInfo[w].SamplesPerPixel != 1) {
        ClickPending = false;
        return;
    }
    ClickPending = false;
    if (CursorWindow != -1 && CursorWindow != DragWindow)
        controls->repaint(CursorWindow);
    removeCursor();
    const QSize size = controls->surfaceSize(w);
    if (x > PLOT_LEFT && x < size.width() - PLOT_MARGIN_RIGHT && y > HB_TOP &&
        y < size.height() - LABEL_BAND) {
        const int i = x - PLOT_LEFT + firstVisibleSample(w);
        if (i < DataInfo[WinInfo[w].DataNo].Ex_count) {
            CursorIndex = i;
            CursorWindow = DragWindow;
        }
    }
    controls->repaint(w);
}

void PaintBox1DblClick(int w)
{
    if (!controls || !inUse(w) || WinInfo[w].Offset == 0)
        return;
    WinInfo[w].Offset = 0;
    controls->repaint(w);
}

void ScrollBar1Change(int w, int position)
{
    // A free window has nothing to scroll: closing windows moves their bars back to 0.
    if (!controls || !inUse(w))
        return;
    WINDOW_INFO_TYPE &win = WinInfo[w];
    const int delta = win.LastPos == -1 ? position : position - win.LastPos;
    if (win.SamplesPerPixel != 1 && win.LastPos != -1 && std::abs(delta) < win.SamplesPerPixel)
        return;
    if (CursorWindow == w)
        removeCursor();
    controls->repaint(w);
    win.LastPos = position;
    if (!interlockMoving && !win.LinkHold)
        passOn(w, position);
}

void CHLinkCheckBoxClick(bool checked)
{
    for (int w = 0; w < SLOT_COUNT; ++w) {
        WinInfo[w].LinkHold = !checked;
        if (checked)
            WinInfo[w].LinkBase = controls ? controls->scrollPosition(w) : 0;
    }
}

ReadoutTexts readoutTexts(int w, int i, const QLocale &locale)
{
    ReadoutTexts t;
    const int slot = WinInfo[w].DataNo;
    const SAMPLE_TYPE &sample = SampleData[slot][i];
    // The same clock time as the plot's time labels.
    t.caption = QStringLiteral("[%1]").arg(w + 1) +
                clockTimeText(DataInfo[slot].Log_start + sample.Time, 0, locale);
    if (sample.Status & STATUS_BLANK)
        return t;
    if (sample.Status != 0) {
        for (int k = 0; k < 3; ++k)
            t.labels[k] = QStringLiteral("*****[mM]");
        t.labels[3] = QStringLiteral("*****[%]");
        return t;
    }
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    auto field = [&](double v, int width, int decimals) {
        return plain.toString(v, 'f', decimals).rightJustified(width, QLatin1Char(' '));
    };
    for (int k = 0; k < 3; ++k)
        t.labels[k] = field(sample.Nirs[k], 6, 4) + QStringLiteral("[mM]");
    t.labels[3] = field(static_cast<double>(sample.Nirs[3]) * 100, 5, 1) + QStringLiteral("[%]");
    return t;
}

void showReadout(QGroupBox *box, QLabel *const labels[4], int w, int i, const QLocale &locale)
{
    if (!inUse(w) || i < 0 || i >= DataInfo[WinInfo[w].DataNo].Ex_count)
        return;
    const ReadoutTexts t = readoutTexts(w, i, locale);
    box->setTitle(t.caption);
    for (int k = 0; k < 4; ++k)
        labels[k]->setText(t.labels[k]);
    box->setVisible(true);
}

QSize WinInfoControls::surfaceSize(int w) const
{
    return WinInfo[w].PaintBox ? WinInfo[w].PaintBox->size() : QSize();
}

bool WinInfoControls::panelVisible(int w) const
{
    return WinInfo[w].Panel && !WinInfo[w].Panel->isHidden();
}

bool WinInfoControls::scrollVisible(int w) const
{
    return WinInfo[w].ScrollBar && !WinInfo[w].ScrollBar->isHidden();
}

int WinInfoControls::scrollPosition(int w) const
{
    return WinInfo[w].ScrollBar ? WinInfo[w].ScrollBar->value() : 0;
}

int WinInfoControls::scrollMaximum(int w) const
{
    return WinInfo[w].ScrollBar ? WinInfo[w].ScrollBar->maximum() : 0;
}

void WinInfoControls::setScrollPosition(int w, int position)
{
    if (WinInfo[w].ScrollBar)
        WinInfo[w].ScrollBar->setValue(position);
}

void WinInfoControls::setScrollSteps(int w, int small, int large)
{
    if (!WinInfo[w].ScrollBar)
        return;
    WinInfo[w].ScrollBar->setSingleStep(small);
    WinInfo[w].ScrollBar->setPageStep(large);
}

void WinInfoControls::repaint(int w)
{
    if (WinInfo[w].PaintBox)
        WinInfo[w].PaintBox->update();
}

namespace {

// Turns the mouse events of one drawing surface into the handlers' calls.
class SurfaceMouse : public QObject
{
public:
    SurfaceMouse(int w, QObject *parent) : QObject(parent), m_window(w) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            down(static_cast<QMouseEvent *>(event));
            break;
        case QEvent::MouseButtonDblClick: {
            // The second press of a double click arrives as this event alone.
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton)
                PaintBox1DblClick(m_window);
            down(mouse);
            break;
        }
        case QEvent::MouseMove: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QPoint p = mouse->position().toPoint();
            PaintBox1MouseMove(m_window, mouse->buttons(), p.x(), p.y());
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QPoint p = mouse->position().toPoint();
            PaintBox1MouseUp(m_window, mouse->button(), mouse->buttons(), p.x(), p.y());
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    void down(QMouseEvent *mouse)
    {
        const QPoint p = mouse->position().toPoint();
        PaintBox1MouseDown(m_window, mouse->button(), mouse->buttons(), p.x(), p.y());
    }

    int m_window;
};

WinInfoControls widgetControls;

} // namespace

void attachInteraction()
{
    setInteractionControls(&widgetControls);
    for (int w = 0; w < SLOT_COUNT; ++w) {
        QWidget *surface = WinInfo[w].PaintBox;
        // Once per surface, however often the window's creation step runs.
        if (surface && !surface->findChild<SurfaceMouse *>(QString(), Qt::FindDirectChildrenOnly))
            surface->installEventFilter(new SurfaceMouse(w, surface));
    }
}
