// Painting a graph window's drawing surface and keeping the readout panel in step with it.
#include "displaystate.h"
#include "form1.h"
#include "graphwindow.h"
#include "interaction.h"
#include "trendplot.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPainter>
#include <QScrollBar>

void Form1::paintGraph(int w, QPainter &painter)
{
    const WINDOW_INFO_TYPE &wi = WinInfo[w];
    TrendPlotControls controls;
    controls.ampIndex = std::max(0, AmpComboBox->currentIndex());
    controls.sensorIndex = std::max(0, SensorComboBox->currentIndex());
    controls.scrollVisible = !wi.ScrollBar->isHidden();
    controls.scrollPosition = wi.ScrollBar->value();
    controls.locale = QLocale();
    painter.setFont(wi.PaintBox->font());
    const TrendPlotResult result = PaintBox1Paint(painter, wi.PaintBox->size(), w, controls);
    if (result.readout == ReadoutRequest::Show)
        fillReadout(w, result.sampleIndex);
    else if (result.readout == ReadoutRequest::Hide)
        ReadoutGroupBox->hide();
}

void Form1::fillReadout(int w, int sampleIndex)
{
    QLabel *const labels[SERIES_COUNT] = {OXHbLabel, DXHbLabel, TOHbLabel, STO2Label};
    showReadout(ReadoutGroupBox, labels, w, sampleIndex, QLocale());
}
