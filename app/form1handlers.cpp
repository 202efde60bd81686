// Wiring of the main window's controls and menus to their handlers, and the handlers of the
// menu commands and view controls.
#include "about.h"
#include "conditionini.h"
#include "displaystate.h"
#include "exportcommands.h"
#include "form1.h"
#include "form3.h"
#include "graphwindow.h"
#include "help.h"
#include "interaction.h"
#include "packetdecoder.h"
#include "platformcentral.h"
#include "printing.h"
#include "reader.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

void Form1::connectHandlers()
{
    // A check box runs its handler whenever its state changes, by the user or the program;
    // a list only when the user picks an item; a scroll bar on every real change of position.
    for (int k = 0; k < SERIES_COUNT; ++k)
        connect(dataCheckBox(k), &QCheckBox::toggled, this, [this, k] { Region1CheckBoxClick(k); });
    connect(AveComboBox, &QComboBox::activated, this, &Form1::AveComboBoxChange);
    connect(AmpComboBox, &QComboBox::activated, this, &Form1::AmpComboBoxChange);
    connect(SensorComboBox, &QComboBox::activated, this, &Form1::SensorComboBoxChange);
    for (QToolButton *button : {SpeedButton1, SpeedButton2}) {
        const int tag = button->property("tag").toInt();
        connect(button, &QToolButton::clicked, this, [this, tag] { SpeedButton1Click(tag); });
    }
    GraphPanel *const panels[] = {Graph1Panel, Graph2Panel, Graph3Panel, Graph4Panel};
    PaintBox *const boxes[] = {PaintBox1, PaintBox2, PaintBox3, PaintBox4};
    QScrollBar *const bars[] = {ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4};
    QCheckBox *const checks[] = {CH1CheckBox, CH2CheckBox, CH3CheckBox, CH4CheckBox};
    for (int w = 0; w < SLOT_COUNT; ++w) {
        panels[w]->onResize = [this, w] { Graph1PanelResize(w); };
        boxes[w]->onPaint = [this, w](QPainter &painter) { paintGraph(w, painter); };
        connect(bars[w], &QScrollBar::valueChanged, this, [this, w] { ScrollBar1Change(w); });
        connect(checks[w], &QCheckBox::toggled, this, [this, w] { CH1CheckBoxClick(w); });
        connect(closeButton(w), &QToolButton::clicked, this,
                [this, w] { Graph1SpeedButtonClick(w); });
    }
    Panel1->onResize = [this] { FormResize(); };

    connect(CHLinkCheckBox, &QCheckBox::toggled, this, [](bool on) { CHLinkCheckBoxClick(on); });

    connect(O1, &QAction::triggered, this, &Form1::O1Click);
    connect(L1, &QAction::triggered, this, &Form1::L1Click);
    connect(C1, &QAction::triggered, this, &Form1::C1Click);
    connect(U1, &QAction::triggered, this, &Form1::U1Click);
    connect(P1, &QAction::triggered, this, &Form1::P1Click);
    connect(E2, &QAction::triggered, this, &Form1::E2Click);
    QAction *const exportWindows[] = {E3, E4, E5, E6};
    for (int w = 0; w < SLOT_COUNT; ++w)
        connect(exportWindows[w], &QAction::triggered, this, [this, w] { E3Click(w); });
    // A window's item is enabled while the window shows a recording.
    connect(E1, &QMenu::aboutToShow, this, [this] {
        QAction *const items[] = {E3, E4, E5, E6};
        for (int w = 0; w < SLOT_COUNT; ++w)
            items[w]->setEnabled(CanExportWindow(w));
    });
    connect(X1, &QAction::triggered, this, &Form1::X1Click);
    connect(I1, &QAction::triggered, this, &Form1::I1Click);
    connect(H2, &QAction::triggered, this, &Form1::H2Click);
    connect(A1, &QAction::triggered, this, &Form1::A1Click);
}

void Form1::O1Click()
{
    OpenMeasurementFile(m_prompts);
}

void Form1::openFiles(const QStringList &names)
{
    for (const QString &name : names)
        OpenMeasurementFile(m_prompts, name);
}

QStringList Form1::localFiles(const QList<QUrl> &urls)
{
    QStringList names;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            names.append(url.toLocalFile());
    }
    return names;
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && !localFiles(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QStringList names = localFiles(event->mimeData()->urls());
    if (names.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: a message box must not run inside the drag's own loop.
    QTimer::singleShot(0, this, [this, names] { openFiles(names); });
}

void Form1::C1Click()
{
    if (!m_connect) {
        m_ownConnect = std::make_unique<Form3>(*createPlatformCentral(this), *m_decoder, m_prompts,
                                               *m_conditions, this);
        m_connect = m_ownConnect.get();
    }
    m_connect->exec();
}

void Form1::U1Click()
{
    PrinterSetup(CurrentPrintSettings(), SystemPrintQueues(), m_prompts);
}

void Form1::P1Click()
{
    PrintWindow(this, menuBar(), CurrentPrintSettings(), SystemPrintQueues(), m_prompts);
}

void Form1::E2Click()
{
    ExportPictureCommand(this, menuBar(), m_prompts);
}

void Form1::E3Click(int w)
{
    // The progress in the status bar, over the device type, which comes back afterwards.
    int shown = -1;
    ExportWindowCommand(w, m_prompts, [this, &shown](double done) {
        const int percent = int(done * 100);
        if (percent == shown)
            return;
        shown = percent;
        StatusBar1->showMessage(QStringLiteral("Exporting... %1 %").arg(percent));
        StatusBar1->repaint();
    });
    StatusBar1->clearMessage();
}

void Form1::H2Click()
{
    ::H2Click(m_prompts);
}

void Form1::A1Click()
{
    if (!m_about)
        m_about = new Form2(this);
    ::A1Click(m_about);
}

void Form1::X1Click()
{
    close();
}

void Form1::repaintWindowsInUse()
{
    for (const WINDOW_INFO_TYPE &wi : WinInfo) {
        if (wi.DataNo != -1)
            wi.PaintBox->update();
    }
}

void Form1::CH1CheckBoxClick(int)
{
    GetSettings();
}

void Form1::Region1CheckBoxClick(int)
{
    GetSettings();
    repaintWindowsInUse();
}

void Form1::SpeedButton1Click(int tag)
{
    if (tag == ArrangeMode)
        return;
    ArrangeMode = tag;
    GetSettings();
}

void Form1::AveComboBoxChange()
{
    CalcAverageData(-1);
    repaintWindowsInUse();
}

void Form1::AmpComboBoxChange()
{
    repaintWindowsInUse();
}

void Form1::SensorComboBoxChange()
{
    repaintWindowsInUse();
}

void Form1::ScrollBar1Change(int w)
{
    ::ScrollBar1Change(w, WinInfo[w].ScrollBar->value());
}
