// Mouse, cursor, readout and scrolling of the graph windows: panning, the height shift, the
// horizontal compression, the readout cursor, absorbed scroll moves and the interlock. The
// logic works on WinInfo and reaches the controls through InteractionControls.
#pragma once

#include "store.h"

#include <QLocale>
#include <QSize>
#include <QString>
#include <Qt>

// What the interaction needs of the graph windows' controls. The main window implements it on
// the real scroll bars and drawing surfaces (WinInfoControls); tests use a fake.
class InteractionControls
{
public:
    virtual ~InteractionControls() = default;
    virtual QSize surfaceSize(int w) const = 0;
    virtual bool panelVisible(int w) const = 0;
    virtual bool scrollVisible(int w) const = 0;
    virtual int scrollPosition(int w) const = 0;
    virtual int scrollMaximum(int w) const = 0;
    // Must run ScrollBar1Change(w, position) before returning when the position changes.
    virtual void setScrollPosition(int w, int position) = 0;
    // Small and large change of the scroll bar, samples.
    virtual void setScrollSteps(int w, int small, int large) = 0;
    // Asks for one later repaint of the window's drawing surface.
    virtual void repaint(int w) = 0;
};

// Sets the controls the handlers act on (not owned); nullptr detaches them.
void setInteractionControls(InteractionControls *controls);

// Drag state: the window, pointer, scroll position, offset and compression at the last press.
extern int32_t DragWindow;
extern int32_t DragX;
extern int32_t DragY;
extern int32_t DragPos;
extern int32_t DragOffset;
extern int32_t DragSamplesPerPixel;
extern int32_t DragAxis;  // -1 undecided, 0 horizontal, 1 vertical
extern bool DragMoved;    // the pointer left the dead zone since the press
extern bool ClickPending; // a left press that may still become a cursor click

// Pixels the pointer may wander before a press becomes a drag.
inline constexpr int DRAG_DEAD_ZONE = 5;
// Pointer travel that changes the compression by one sample per pixel.
inline constexpr int COMPRESSION_STEP_PX = 50;
// Largest small or large change a scroll bar takes.
inline constexpr int SCROLL_STEP_MAX = 32767;

// Drag state as at start-up.
void ResetInteraction();

// Mouse handlers of the drawing surfaces; w is the surface's window (0..3), x and y are
// relative to the surface, shift the buttons held.
void PaintBox1MouseDown(int w, Qt::MouseButton button, Qt::MouseButtons shift, int x, int y);
void PaintBox1MouseMove(int w, Qt::MouseButtons shift, int x, int y);
void PaintBox1MouseUp(int w, Qt::MouseButton button, Qt::MouseButtons shift, int x, int y);
void PaintBox1DblClick(int w);

// The scroll position of window w became position, by the user or by the program. Moves of
// less than one pixel column are absorbed; with the interlock on, a change that the interlock
// itself did not make moves the other shown windows by the same number of samples.
void ScrollBar1Change(int w, int position);

// The Interlock check box changed: checked takes the current positions as link bases.
void CHLinkCheckBoxClick(bool checked);

// The readout panel's texts for sample i of window w's measurement.
struct ReadoutTexts
{
    QString caption;   // "[2]14:03:27"
    QString labels[4]; // OXHb, DXHb, TOHb, StO2
};
ReadoutTexts readoutTexts(int w, int i, const QLocale &locale);

class QGroupBox;
class QLabel;
class QWidget;

// InteractionControls on the controls bound in WinInfo.
class WinInfoControls : public InteractionControls
{
public:
    QSize surfaceSize(int w) const override;
    bool panelVisible(int w) const override;
    bool scrollVisible(int w) const override;
    int scrollPosition(int w) const override;
    int scrollMaximum(int w) const override;
    void setScrollPosition(int w, int position) override;
    void setScrollSteps(int w, int small, int large) override;
    void repaint(int w) override;
};

// Makes the handlers act on the controls bound in WinInfo and routes the mouse events of
// every WinInfo[w].PaintBox to them. Call once the references are bound; the scroll bars'
// changes are the main window's to pass to ScrollBar1Change.
void attachInteraction();

// Readout update: fills and shows box and labels (OXHb, DXHb, TOHb, StO2) from sample i of
// window w.
void showReadout(QGroupBox *box, QLabel *const labels[4], int w, int i, const QLocale &locale);
