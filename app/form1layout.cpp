// The graph windows on the main window's controls: laying out the shown windows, their
// scroll ranges, closing one window with compaction, Close All and the view reset.
#include "displaystate.h"
#include "form1.h"
#include "graphwindow.h"
#include "layout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>

void Form1::GetSettings()
{
    for (int k = 0; k < SERIES_COUNT; ++k) {
        DataVisible[k] = dataCheckBox(k)->isChecked();
        readoutLabel(k)->setVisible(DataVisible[k]);
    }
    bool checked[SLOT_COUNT];
    for (int w = 0; w < SLOT_COUNT; ++w) {
        QWidget *panel = WinInfo[w].Panel;
        checked[w] = WinInfo[w].CHCheckBox->isChecked();
        if (checked[w]) {
            panel->setVisible(true);
        } else {
            panel->hide();
            panel->setGeometry(HIDDEN_PANEL_RECT);
        }
    }
    const GraphArrangement a = arrangeGraphs(checked, ArrangeMode, Panel1->size());
    if (a.shownCount == 0)
        return;
    ArrangeGroupBox->setVisible(a.arrangeVisible);
    for (int w = 0; w < SLOT_COUNT; ++w) {
        if (a.shown[w])
            WinInfo[w].Panel->setGeometry(a.place[w]);
    }
}

void Form1::Graph1PanelResize(int w)
{
    WINDOW_INFO_TYPE &wi = WinInfo[w];
    if (wi.Panel->isHidden() || wi.DataNo == -1)
        return;
    QScrollBar *bar = wi.ScrollBar;
    const ScrollRange current{!bar->isHidden(), bar->maximum(), bar->value()};
    const ScrollFit fit =
        fitScrollRange(current, plotWidthOf(wi.PaintBox->width()), DataInfo[wi.DataNo].Ex_count);
    if (fit.changed) {
        if (fit.scroll.visible) {
            bar->setMaximum(fit.scroll.maximum);
            bar->setValue(fit.scroll.position);
            bar->show();
        } else {
            bar->setValue(0);
            bar->hide();
        }
        wi.SamplesPerPixel = fit.samplesPerPixel;
        wi.MaxSamplesPerPixel = fit.maxSamplesPerPixel;
        // Back at one sample per pixel, the grid and the scroll steps follow at once.
        wi.TimeGrid = CalcTimeGrid(w);
        bar->setSingleStep(1);
        bar->setPageStep(100);
    }
    wi.PaintBox->update();
}

void Form1::moveWindowControls(int to, int from)
{
    const WINDOW_INFO_TYPE &f = WinInfo[from];
    const WINDOW_INFO_TYPE &t = WinInfo[to];
    t.ScrollBar->setMaximum(f.ScrollBar->maximum());
    t.ScrollBar->setValue(f.ScrollBar->value());
    t.ScrollBar->setVisible(!f.ScrollBar->isHidden());
    // The steps follow the compression that moved with the measurement.
    t.ScrollBar->setSingleStep(f.ScrollBar->singleStep());
    t.ScrollBar->setPageStep(f.ScrollBar->pageStep());
    t.CHCheckBox->setVisible(!f.CHCheckBox->isHidden());
    t.CHCheckBox->setChecked(f.CHCheckBox->isChecked());
    t.InfoLabel->setText(f.InfoLabel->text());
}

void Form1::freeWindowControls(int w)
{
    const WINDOW_INFO_TYPE &wi = WinInfo[w];
    wi.ScrollBar->hide();
    wi.ScrollBar->setValue(0);
    wi.ScrollBar->setMaximum(0);
    wi.ScrollBar->setSingleStep(1);
    wi.ScrollBar->setPageStep(100);
    wi.CHCheckBox->setChecked(false);
    wi.CHCheckBox->hide();
    wi.InfoLabel->clear();
}

void Form1::clearCursor()
{
    CursorWindow = -1;
    CursorIndex = -1;
    ReadoutGroupBox->hide();
}

void Form1::Graph1SpeedButtonClick(int w)
{
    const int slot = WinInfo[w].DataNo;
    if (slot == -1 || !DataInfo[slot].Enable)
        return;
    // A readout cursor in this window or behind it would now point into another recording.
    if (CursorWindow >= w)
        clearCursor();
    for (int k = w; k < WindowCount - 1; ++k) {
        moveWindowRecord(k, k + 1);
        moveWindowControls(k, k + 1);
    }
    const int last = WindowCount - 1;
    ResetWindowInfo(last);
    freeWindowControls(last);
    DataInfo[slot].Enable = false;
    --WindowCount;
    if (WindowCount < 2) {
        CHGroupBox->hide();
        if (CHLinkCheckBox->isChecked())
            CHLinkCheckBox->setChecked(false);
    }
    if (WindowCount == 0) {
        CurDeviceType = 0;
        setStatusText(QString());
    }
    GetSettings();
    // The windows from w on now show other recordings, or none; where a window keeps its
    // size (four in two columns), no resize would redraw it.
    for (int k = w; k < SLOT_COUNT; ++k)
        WinInfo[k].PaintBox->update();
}

void Form1::L1Click()
{
    for (int w = 0; w < WindowCount; ++w) {
        WINDOW_INFO_TYPE &wi = WinInfo[w];
        const int slot = wi.DataNo;
        ResetWindowInfo(w);
        wi.ScrollBar->hide();
        wi.ScrollBar->setValue(0);
        wi.ScrollBar->setMaximum(0);
        wi.ScrollBar->setSingleStep(1);
        wi.ScrollBar->setPageStep(100);
        wi.CHCheckBox->hide();
        wi.CHCheckBox->setChecked(false);
        wi.InfoLabel->clear();
        if (slot != -1 && DataInfo[slot].Enable)
            DataInfo[slot].Enable = false;
    }
    WindowCount = 0;
    CurDeviceType = 0;
    setStatusText(QString());
    CHLinkCheckBox->setChecked(false);
    CHGroupBox->hide();
    clearCursor();
    GetSettings();
}

void Form1::I1Click()
{
    for (int w = 0; w < SLOT_COUNT; ++w) {
        WINDOW_INFO_TYPE &wi = WinInfo[w];
        if (wi.Panel->isHidden() || wi.DataNo == -1)
            continue;
        wi.Offset = 0;
        wi.SamplesPerPixel = 1;
        wi.TimeGrid = CalcTimeGrid(w);
        wi.ScrollBar->setValue(0);
        wi.ScrollBar->setSingleStep(1);
        wi.ScrollBar->setPageStep(100);
        wi.PaintBox->update();
    }
}
