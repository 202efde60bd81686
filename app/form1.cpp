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
#include "settingslocation.h"
#include "viewsettings.h"
#include "windowplace.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
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
    // Measurement files dropped from a file manager are opened as Open opens them.
    setAcceptDrops(true);
    NotifyingWidget *client = new NotifyingWidget(this);
    client->onResize = [this, client] { m_anchors.apply(client->size()); };
    setCentralWidget(client);
    buildMenus();
    buildTopStrip();
    buildGraphArea();
    buildRightColumn();
    buildStatusBar();
    connectHandlers();
    m_frameTimer.setInterval(FRAME_CHECK_MS);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] {
        fitPlacedFrame();
        if (++m_frameChecks >= FRAME_CHECKS)
            m_placePending = false;
        if (!m_placePending)
            m_frameTimer.stop();
    });
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
    return settingsPathFor(QCoreApplication::applicationFilePath(),
                           QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
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
        // The platform window first, so that the frame's size is known to the show step
        // where the platform knows it before the window is mapped.
        create();
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

QSize Form1::frameExtra() const
{
    // Asked of the platform window: the widget's own copy is refreshed only by later events.
    const QWindow *window = windowHandle();
    if (!window)
        return frameGeometry().size() - size();
    // While the window manager reparents the window, X can report nonsense margins (minus the
    // window's size): only a plausible frame counts as known.
    const QMargins m = window->frameMargins();
    const int largest = std::max({m.left(), m.top(), m.right(), m.bottom()});
    const int smallest = std::min({m.left(), m.top(), m.right(), m.bottom()});
    if (smallest < 0 || largest > MAX_FRAME_MARGIN)
        return QSize(0, 0);
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

void Form1::placeWindow()
{
    m_storedPlace = readFormPlace(*m_ini);
    const bool frameKnown = !frameExtra().isNull();
    applyPlace(targetPlace());
    // Where the window manager adds its frame only once the window is mapped (X11), the frame
    // is not known yet: the place is worked out and applied again when it becomes known, so
    // that the outer frame, not the client area, lands on the stored place.
    if (!frameKnown) {
        m_placePending = true;
        // The frame's size comes with no event of its own: it is looked for a while.
        m_frameChecks = 0;
        m_frameSettled = 0;
        m_frameTimer.start();
    }
}

QRect Form1::targetPlace() const
{
    int primary = 0;
    const QList<ScreenArea> screens = desktopScreens(&primary);
    // The design size with the frame, on the primary screen, where a window without a stored
    // place opens.
    const QRect design(QPoint(0, 0),
                       QSize(DESIGN_WIDTH, DESIGN_HEIGHT + menuBar()->sizeHint().height()) +
                           frameExtra());
    const QSize defaultOuter = toDevice(design, QGuiApplication::primaryScreen()).size();
    return fitWindowPlace(m_storedPlace, defaultOuter, screens, primary,
                          QSize(MIN_WIDTH, MIN_HEIGHT));
}

void Form1::applyPlace(const QRect &device)
{
    QScreen *screen = screenForDeviceRect(device);
    const QRect logical = toLogical(device, screen);
    applySizeLimit(screen);
    resize(logical.size() - frameExtra());
    move(logical.topLeft());
    // The point is that of the outer frame, also while the frame's size is still unknown
    // (a widget's move counts the frame only once it is known).
    if (QWindow *window = windowHandle())
        window->setFramePosition(logical.topLeft());
}

bool Form1::FormCanResize(QSize &newSize)
{
    newSize = newSize.expandedTo(QSize(MIN_WIDTH, MIN_HEIGHT));
    return true;
}

void Form1::applySizeLimit(QScreen *on)
{
    // The limit holds for device pixels: on a scaled screen fewer logical pixels reach it. A
    // screen smaller than the limit takes the whole of its available area instead.
    const QScreen *screen = on ? on : this->screen();
    if (!screen)
        return;
    const ScreenArea area{toDevice(screen->geometry(), screen),
                          toDevice(screen->availableGeometry(), screen)};
    const QSize limit = sizeLimitOn(area, QSize(MIN_WIDTH, MIN_HEIGHT));
    const qreal ratio = screen->devicePixelRatio();
    const QSize logical(int(std::ceil(limit.width() / ratio - 0.001)),
                        int(std::ceil(limit.height() / ratio - 0.001)));
    setMinimumSize((logical - frameExtra()).expandedTo(QSize(0, 0)));
}

void Form1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    applySizeLimit();
}

void Form1::changeEvent(QEvent *event)
{
    // Maximised or minimised by the operator: the restored place is no longer to be fitted.
    if (event->type() == QEvent::WindowStateChange) {
        m_placePending = false;
        m_frameTimer.stop();
    }
    QMainWindow::changeEvent(event);
}

void Form1::fitPlacedFrame()
{
    if (!m_placePending || frameExtra().isNull())
        return; // not known yet; with no frame at all the time runs out and the place stands
    const QRect target = targetPlace();
    // On a scaled screen the frame's logical size is rounded: a pixel or two off is on place.
    const QRect now = toDevice(outerFrame(), screen());
    const int slack = int(std::ceil(devicePixelRatioF())) - 1;
    auto near = [slack](int a, int b) { return std::abs(a - b) <= slack; };
    if (near(now.left(), target.left()) && near(now.top(), target.top()) &&
        near(now.width(), target.width()) && near(now.height(), target.height())) {
        if (++m_frameSettled >= FRAME_SETTLED)
            m_placePending = false;
        return;
    }
    // The window manager may still answer an earlier request (the creation size, a position
    // taken for the client area): applied again until the frame stays on the place.
    m_frameSettled = 0;
    applyPlace(target);
}

QRect Form1::outerFrame() const
{
    const QWindow *window = windowHandle();
    if (window && !frameExtra().isNull())
        return window->frameGeometry();
    return frameGeometry();
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
    // Stored in device pixels, as the screen counts them. While the window manager is still
    // answering the placing, the window's own idea of its frame may be half-way: the place
    // it is being given is the one to keep.
    const QRect frame = m_placePending ? targetPlace() : toDevice(outerFrame(), screen());
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
