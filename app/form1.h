// The main window: menu bar, the strip of view controls, the graph area with its four graph
// windows, the right-hand column and the status bar. It owns the controls and wires their
// events to the handlers; the rules live in store/, files/ and display/.
#pragma once

#include "anchors.h"
#include "store.h"
#include "viewsettings.h"

#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <memory>

class ConditionSettings;
class Form2;
class Form3;
class GraphPanel;
class NotifyingWidget;
class IniFile;
class PacketDecoder;
class PaintBox;
class Prompts;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QScreen;
class QScrollBar;
class QStatusBar;
class QToolButton;

class Form1 : public QMainWindow, public StoreWindow
{
    Q_OBJECT
public:
    // settingsPath: the settings file (settingsFilePath() in the viewer).
    Form1(Prompts &prompts, const QString &settingsPath, QWidget *parent = nullptr);
    ~Form1() override;

    // The executable's path with its extension replaced by ".ini" where that folder can be
    // written, else the same name in the user's configuration folder.
    static QString settingsFilePath();
    // The window font: Tahoma 8 pt where the system has it, else the desktop's sans-serif.
    static QFont viewerFont();
    // The smallest outer size of the main window, in device pixels.
    static constexpr int MIN_WIDTH = 1024;
    static constexpr int MIN_HEIGHT = 600;

    Prompts &prompts() { return m_prompts; }
    // The upload's decoder (its Log_Count and Get_Count are the main window's counters).
    PacketDecoder &decoder() { return *m_decoder; }
    // The Connect dialog's measurement conditions, in the settings file's "Condition" section.
    ConditionSettings &conditionSettings() { return *m_conditions; }

    // Menu bar.
    QMenu *F1, *N1, *H1;
    QAction *O1, *L1, *N4, *C1, *N2, *U1, *P1, *N3, *X1, *I1, *H2, *A1;
    // File > Export, after Print: the picture (E2) and the recording of graph window
    // [1]..[4] (E3..E6).
    QMenu *E1;
    QAction *E2, *E3, *E4, *E5, *E6;

    // Strip of view controls.
    QGroupBox *GroupBox1;
    QCheckBox *Region1Data1CheckBox, *Region1Data2CheckBox, *Region1Data3CheckBox,
        *Region1Data4CheckBox;
    QLabel *Region1Data1Label, *Region1Data2Label, *Region1Data3Label, *Region1Data4Label;
    QGroupBox *GroupBox4, *GroupBox5, *SensorGroupBox, *ArrangeGroupBox;
    QComboBox *AveComboBox, *AmpComboBox, *SensorComboBox;
    QToolButton *SpeedButton1, *SpeedButton2;

    // Graph area and graph windows [1]..[4].
    NotifyingWidget *Panel1;
    GraphPanel *Graph1Panel, *Graph2Panel, *Graph3Panel, *Graph4Panel;
    QWidget *Graph1InfoPanel, *Graph2InfoPanel, *Graph3InfoPanel, *Graph4InfoPanel;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QLabel *Graph1InfoLabel, *Graph2InfoLabel, *Graph3InfoLabel, *Graph4InfoLabel;
    QToolButton *Graph1SpeedButton, *Graph2SpeedButton, *Graph3SpeedButton, *Graph4SpeedButton;
    PaintBox *PaintBox1, *PaintBox2, *PaintBox3, *PaintBox4;
    QScrollBar *ScrollBar1, *ScrollBar2, *ScrollBar3, *ScrollBar4;

    // Right-hand column.
    QGroupBox *CHGroupBox;
    QCheckBox *CH1CheckBox, *CH2CheckBox, *CH3CheckBox, *CH4CheckBox, *CHLinkCheckBox;
    QGroupBox *ReadoutGroupBox;
    QLabel *OXHbLabel, *DXHbLabel, *TOHbLabel, *STO2Label;

    QStatusBar *StatusBar1;

    // The controls of one kind, indexed by their tag.
    QCheckBox *dataCheckBox(int k) const;
    QLabel *dataLabel(int k) const;
    QLabel *readoutLabel(int k) const;
    QToolButton *closeButton(int w) const;
    QString statusText() const;

    // Window steps.
    void FormCreate();
    void FormShow();
    // Raises a proposed outer size to the minimum; always accepts.
    static bool FormCanResize(QSize &newSize);
    void FormResize();
    void FormClose();

    // Commands.
    void O1Click();
    void L1Click();
    void C1Click();
    void X1Click();
    void I1Click();
    void U1Click();
    void P1Click();
    void E2Click();
    void E3Click(int w);
    void H2Click();
    void A1Click();
    // True while the window is still being brought onto its place after the show (the window
    // manager's frame is looked for and the place applied until the frame stays there).
    bool placing() const { return m_placePending; }
    // Opens the named measurement files in order, each exactly as Open does with that name
    // (the command line's files, the files dropped on the window).
    void openFiles(const QStringList &names);
    // The local files among urls, in order.
    static QStringList localFiles(const QList<QUrl> &urls);
    // The About box that About shows; created at start-up after the main window (one is made
    // on first use when none was given).
    void setAboutBox(Form2 *about) { m_about = about; }
    // The Connect dialog that Connect shows, created at start-up after the About box (one on
    // the platform's Bluetooth LE central is made on first use when none was given).
    void setConnectDialog(Form3 *dialog) { m_connect = dialog; }

    // Layout and view controls (one handler per kind, told apart by the tag).
    void GetSettings();
    void Graph1PanelResize(int w);
    void Graph1SpeedButtonClick(int w);
    void CH1CheckBoxClick(int w);
    void Region1CheckBoxClick(int k);
    void SpeedButton1Click(int tag);
    void AveComboBoxChange();
    void AmpComboBoxChange();
    void SensorComboBoxChange();
    void ScrollBar1Change(int w);
    // Repaint request for every window in use.
    void repaintWindowsInUse();
    // Shows sample sampleIndex of window w's measurement in the readout panel.
    void fillReadout(int w, int sampleIndex);

    // StoreWindow: the window side of entering a measurement.
    int averagingIndex() const override;
    void setInfoLabel(int window, const QString &text) override;
    void resetScrollBar(int window) override;
    void setStatusText(const QString &text) override;
    void setDispSelectVisible(bool visible) override;
    void setCHCheckBoxVisible(int window, bool visible) override;
    void checkCHCheckBox(int window) override;
    void uncheckInterlock() override;

protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildMenus();
    void buildTopStrip();
    void buildGraphArea();
    void buildRightColumn();
    void buildStatusBar();
    void connectHandlers();
    // The size limit of the screen on (the window's own when null) as its minimum size.
    void applySizeLimit(QScreen *on = nullptr);
    void placeWindow();
    // The outer frame (device pixels) for the stored place on the present desktop.
    QRect targetPlace() const;
    // Gives the window the outer frame device (device pixels).
    void applyPlace(const QRect &device);
    // Applies the place once more when the frame becomes known after the show.
    void fitPlacedFrame();
    // The outer frame, logical pixels.
    QRect outerFrame() const;
    // Width and height the window manager's frame adds (logical pixels; null while unknown).
    QSize frameExtra() const;
    // Window w's free-window values on its controls (scroll bar, check box, description).
    void freeWindowControls(int w);
    void moveWindowControls(int to, int from);
    void clearCursor();
    void paintGraph(int w, QPainter &painter);

    Prompts &m_prompts;
    std::unique_ptr<IniFile> m_ini;
    std::unique_ptr<PacketDecoder> m_decoder;
    std::unique_ptr<ConditionSettings> m_conditions;
    Anchors m_anchors;
    QLabel *m_statusLabel = nullptr;
    bool m_shown = false;
    FormPlace m_storedPlace;     // as the show step read it
    bool m_placePending = false; // placed while the frame's size was not yet known
    QTimer m_frameTimer;         // looks for the frame's size after the show
    int m_frameChecks = 0;
    static constexpr int FRAME_CHECK_MS = 50;
    static constexpr int FRAME_CHECKS = 100; // five seconds
    static constexpr int FRAME_SETTLED = 3;  // checks that find the frame on its place
    int m_frameSettled = 0;
    static constexpr int MAX_FRAME_MARGIN = 200;
    Form2 *m_about = nullptr;
    Form3 *m_connect = nullptr;
    // The dialog made on first use is deleted before the decoder and settings it refers to.
    std::unique_ptr<Form3> m_ownConnect;
};
