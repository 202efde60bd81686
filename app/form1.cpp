// The main window's own steps: creation, show, size limit, resize and close, and the window
// side of entering a measurement.
#include "form1.h"
#include "conditionini.h"
#include "displaystate.h"
#include "form3.h"
#include "graphwindow.h"
#include "inifile.h"
#include "interaction.h"
#include "packetdecoder.h"
#include "viewsettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <cmath>

namespace {

// Design client area: 1000 x 569 with the status bar, the controls' places refer to the
// part above it.
constexpr int DESIGN_WIDTH = 1000;
constexpr int DESIGN_HEIGHT = 569;
constexpr int STATUS_HEIGHT = 19;

} // namespace

Form1::Form1(Prompts &prompts, const QString &settingsPath, QWidget *parent)
    : QMainWindow(parent), m_prompts(prompts),
      m_ini(std::make_unique<IniFile>(settingsPath, prompts)),
      m_decoder(std::make_unique<PacketDecoder>()),
      m_conditions(std::make_unique<IniConditionSettings>(*m_ini)),
      m_anchors(QSize(DESIGN_WIDTH, DESIGN_HEIGHT - STATUS_HEIGHT))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("NIRS Data Viewer for Kel-Dra"));
    setFont(viewerFont());
    NotifyingWidget *client = new NotifyingWidget(this);
    client->onResize = [this, client] { m_anchors.apply(client->size()); };
    setCentralWidget(client);
    buildMenus();
    buildTopStrip();
    buildGraphArea();
    buildRightColumn();
    buildStatusBar();
    connectHandlers();
    FormCreate();
    resize(DESIGN_WIDTH, DESIGN_HEIGHT + menuBar()->sizeHint().height());
}

Form1::~Form1()
{
    setStoreWindow(nullptr);
    for (WINDOW_INFO_TYPE &wi : WinInfo) {
        wi.Panel = wi.PaintBox = nullptr;
        wi.ScrollBar = nullptr;
        wi.CHCheckBox = nullptr;
        wi.InfoLabel = nullptr;
    }
}

QString Form1::settingsFilePath()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
}

QFont Form1::viewerFont()
{
    QFont font = QFontDatabase::families().contains(QStringLiteral("Tahoma"))
                     ? QFont(QStringLiteral("Tahoma"))
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(8);
    return font;
}

QCheckBox *Form1::dataCheckBox(int k) const
{
    QCheckBox *const boxes[] = {Region1Data1CheckBox, Region1Data2CheckBox, Region1Data3CheckBox,
                                Region1Data4CheckBox};
    return boxes[k];
}

QLabel *Form1::dataLabel(int k) const
{
    QLabel *const labels[] = {Region1Data1Label, Region1Data2Label, Region1Data3Label,
                              Region1Data4Label};
    return labels[k];
}

QLabel *Form1::readoutLabel(int k) const
{
    QLabel *const labels[] = {OXHbLabel, DXHbLabel, TOHbLabel, STO2Label};
    return labels[k];
}

QToolButton *Form1::closeButton(int w) const
{
    QToolButton *const buttons[] = {Graph1SpeedButton, Graph2SpeedButton, Graph3SpeedButton,
                                    Graph4SpeedButton};
    return buttons[w];
}

QString Form1::statusText() const
{
    return m_statusLabel->text();
}

void Form1::FormCreate()
{
    ResetStore();
    ResetDisplayState();
    WindowCount = 0;
    FreeNo = 0;
    GraphPanel *const panels[] = {Graph1Panel, Graph2Panel, Graph3Panel, Graph4Panel};
    PaintBox *const boxes[] = {PaintBox1, PaintBox2, PaintBox3, PaintBox4};
    QScrollBar *const bars[] = {ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4};
    QCheckBox *const checks[] = {CH1CheckBox, CH2CheckBox, CH3CheckBox, CH4CheckBox};
    QLabel *const infos[] = {Graph1InfoLabel, Graph2InfoLabel, Graph3InfoLabel, Graph4InfoLabel};
    for (int w = 0; w < SLOT_COUNT; ++w) {
        WINDOW_INFO_TYPE &wi = WinInfo[w];
        wi.Panel = panels[w];
        wi.PaintBox = boxes[w];
        wi.ScrollBar = bars[w];
        wi.CHCheckBox = checks[w];
        wi.InfoLabel = infos[w];
        DataInfo[w].Enable = false;
        ResetWindowInfo(w);
        wi.LinkBase = 0;
        wi.Panel->hide();
        wi.CHCheckBox->hide();
    }
    setStoreWindow(this);
    ResetInteraction();
    attachInteraction();
}

void Form1::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // The platform window first, so that the frame's size is known to the show step.
        create();
        applySizeLimit();
        QSize outer = QSize(DESIGN_WIDTH, DESIGN_HEIGHT + menuBar()->sizeHint().height()) +
                      (frameGeometry().size() - size());
        FormCanResize(outer);
        resize(outer - (frameGeometry().size() - size()));
        FormShow();
    }
    QMainWindow::setVisible(visible);
    applySizeLimit();
}

void Form1::FormShow()
{
    IniBatch settings(*m_ini); // the settings file is read once for the whole step
    placeWindow();
    const ViewSettings s = readViewSettings(*m_ini);
    AmpComboBox->setCurrentIndex(s.amp);
    AveComboBox->setCurrentIndex(s.ave);
    SensorComboBox->setCurrentIndex(s.sensor);
    for (int k = 0; k < SERIES_COUNT; ++k)
        dataCheckBox(k)->setChecked(s.check[k]);
    for (int k = 0; k < SERIES_COUNT; ++k)
        DataColor[k] = dataLabel(k)->palette().color(QPalette::WindowText);
}

void Form1::placeWindow()
{
    const FormPlace place = readFormPlace(*m_ini);
    const QSize frameExtra = frameGeometry().size() - size();
    QRect stored(place.left, place.top, place.width, place.height);
    // A place on no screen of the present desktop (a screen since removed) is not restored:
    // the window would open out of sight.
    bool onScreen = false;
    for (const QScreen *screen : QGuiApplication::screens())
        onScreen = onScreen || screen->geometry().intersects(stored);
    if (place.usable() && onScreen) {
        move(place.left, place.top);
        QSize outer(place.width, place.height);
        FormCanResize(outer);
        resize(outer - frameExtra);
        // Where the window manager adds its frame only once the window is mapped (X11), the
        // frame is not known yet: the outer size is fitted again when it becomes known, so
        // that the window does not grow by its frame at every start.
        if (frameExtra.isNull())
            m_placedOuter = outer;
        return;
    }
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desktop = screen->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(desktop.left() + (desktop.width() - outer.width()) / 2,
         desktop.top() + (desktop.height() - outer.height()) / 2);
}

bool Form1::FormCanResize(QSize &newSize)
{
    newSize = newSize.expandedTo(QSize(MIN_WIDTH, MIN_HEIGHT));
    return true;
}

void Form1::applySizeLimit()
{
    // The limit holds for device pixels: on a scaled screen fewer logical pixels reach it.
    const qreal ratio = devicePixelRatioF();
    QSize outer(0, 0);
    FormCanResize(outer);
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize logical(int(std::ceil(outer.width() / ratio)),
                        int(std::ceil(outer.height() / ratio)));
    setMinimumSize(logical - frameExtra);
}

void Form1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    applySizeLimit();
    fitPlacedFrame();
}

void Form1::changeEvent(QEvent *event)
{
    // Maximised or minimised by the operator: the restored size is no longer to be fitted.
    if (event->type() == QEvent::WindowStateChange)
        m_placedOuter = QSize();
    QMainWindow::changeEvent(event);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitPlacedFrame();
}

void Form1::fitPlacedFrame()
{
    if (!m_placedOuter.isValid())
        return;
    const QSize frameExtra = frameGeometry().size() - size();
    if (frameExtra.isNull())
        return;
    const QSize outer = m_placedOuter;
    m_placedOuter = QSize();
    resize(outer - frameExtra);
}

void Form1::FormResize()
{
    GetSettings();
}

void Form1::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void Form1::FormClose()
{
    IniBatch settings(*m_ini); // ... and written once, when the step ends
    const QRect frame = frameGeometry();
    FormPlace place;
    place.top = frame.top();
    place.left = frame.left();
    place.width = frame.width();
    place.height = frame.height();
    if (!writeFormPlace(*m_ini, place))
        return;
    ViewSettings s;
    s.amp = AmpComboBox->currentIndex();
    s.ave = AveComboBox->currentIndex();
    s.sensor = SensorComboBox->currentIndex();
    for (int k = 0; k < SERIES_COUNT; ++k)
        s.check[k] = dataCheckBox(k)->isChecked();
    writeViewSettings(*m_ini, s);
}

int Form1::averagingIndex() const
{
    return std::max(0, AveComboBox->currentIndex());
}

void Form1::setInfoLabel(int window, const QString &text)
{
    WinInfo[window].InfoLabel->setText(text);
}

void Form1::resetScrollBar(int window)
{
    QScrollBar *bar = WinInfo[window].ScrollBar;
    bar->hide();
    bar->setValue(0);
    bar->setSingleStep(1);
    bar->setPageStep(100);
}

void Form1::setStatusText(const QString &text)
{
    m_statusLabel->setText(text);
}

void Form1::setDispSelectVisible(bool visible)
{
    CHGroupBox->setVisible(visible);
}

void Form1::setCHCheckBoxVisible(int window, bool visible)
{
    WinInfo[window].CHCheckBox->setVisible(visible);
}

void Form1::checkCHCheckBox(int window)
{
    WinInfo[window].CHCheckBox->setChecked(true);
}

void Form1::uncheckInterlock()
{
    CHLinkCheckBox->setChecked(false);
}
