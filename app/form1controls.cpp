// The main window's control tree: menus, the strip of view controls, the graph area with
// the four graph windows, the right-hand column and the status bar, at their design places.
#include "form1.h"
#include "graphwindow.h"
#include "icons.h"
#include "layout.h"
#include "viewsettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>

namespace {

// The width combo needs to show its longest item whole (the style's own measure, frame, arrow
// and padding included): width, or more where the font is wider than the design's.
int widthForItems(QComboBox *combo, int width)
{
    return std::max(width, combo->sizeHint().width());
}

const QColor SERIES_RED(255, 0, 0);
const QColor SERIES_BLUE(0, 0, 255);
const QColor SERIES_GREEN(0, 128, 0);
const QColor SERIES_PURPLE(128, 0, 128);
const QColor GRAPH_AREA_GREY(128, 128, 128);
const QColor INFO_BAR_SILVER(192, 192, 192);

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QAction *menuItem(QMenu *menu, const char *name, const char *caption)
{
    QAction *a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction *separator(QMenu *menu, const char *name)
{
    QAction *a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void setTextColor(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

void setBackground(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

void Form1::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    F1 = named(menuBar()->addMenu(QStringLiteral("File(&F)")), "F1");
    O1 = menuItem(F1, "O1", "Open(&O)");
    L1 = menuItem(F1, "L1", "Close All(&L)");
    N4 = separator(F1, "N4");
    C1 = menuItem(F1, "C1", "Connect(&C)");
    N2 = separator(F1, "N2");
    U1 = menuItem(F1, "U1", "Print Setup(&U)");
    P1 = menuItem(F1, "P1", "Print(&P)");
    E1 = named(F1->addMenu(QStringLiteral("Export(&E)")), "E1");
    E1->menuAction()->setObjectName(QStringLiteral("E1"));
    E2 = menuItem(E1, "E2", "Picture(&P)...");
    E3 = menuItem(E1, "E3", "Window 1(&1)...");
    E4 = menuItem(E1, "E4", "Window 2(&2)...");
    E5 = menuItem(E1, "E5", "Window 3(&3)...");
    E6 = menuItem(E1, "E6", "Window 4(&4)...");
    N3 = separator(F1, "N3");
    X1 = menuItem(F1, "X1", "Exit(&X)");
    N1 = named(menuBar()->addMenu(QStringLiteral("View(&V)")), "N1");
    I1 = menuItem(N1, "I1", "Initialize View Settings(&I)");
    H1 = named(menuBar()->addMenu(QStringLiteral("Help(&H)")), "H1");
    H2 = menuItem(H1, "H2", "Help(&H)");
    A1 = menuItem(H1, "A1", "About(&A)");
}

void Form1::buildTopStrip()
{
    QWidget *client = centralWidget();
    GroupBox1 = named(new QGroupBox(QStringLiteral("Display Data Select"), client), "GroupBox1");
    m_anchors.add(GroupBox1, QRect(8, 8, 233, 58));
    QCheckBox **boxes[] = {&Region1Data1CheckBox, &Region1Data2CheckBox, &Region1Data3CheckBox,
                           &Region1Data4CheckBox};
    QLabel **labels[] = {&Region1Data1Label, &Region1Data2Label, &Region1Data3Label,
                         &Region1Data4Label};
    const char *series[] = {"OXHb", "DXHb", "TOHb", "StO2"};
    const QColor colors[] = {SERIES_RED, SERIES_BLUE, SERIES_GREEN, SERIES_PURPLE};
    for (int k = 0; k < 4; ++k) {
        const int x = 15 + 54 * k;
        QCheckBox *box = new QCheckBox(GroupBox1);
        box->setObjectName(QStringLiteral("Region1Data%1CheckBox").arg(k + 1));
        box->setProperty("tag", k);
        box->setToolTip(QStringLiteral("Visible/Invisible ") + QLatin1String(series[k]));
        box->setChecked(k >= 2);
        box->setGeometry(x, 23, 17, 17);
        *boxes[k] = box;
        QLabel *label = new QLabel(QString::fromLatin1(series[k]), GroupBox1);
        label->setObjectName(QStringLiteral("Region1Data%1Label").arg(k + 1));
        setTextColor(label, colors[k]);
        label->setGeometry(x + 17, 23, 34, 17);
        *labels[k] = label;
    }

    struct ListGroup
    {
        QGroupBox **box;
        QComboBox **combo;
        const char *boxName, *comboName, *title, *hint;
        QRect place;
        QStringList items;
        int index;
    };
    const ListGroup lists[] = {
        {&GroupBox4, &AveComboBox, "GroupBox4", "AveComboBox", "Moving avg.",
         "Select averaging points.", QRect(264, 8, 96, 58), aveItems(), 0},
        {&GroupBox5, &AmpComboBox, "GroupBox5", "AmpComboBox", "Scaling",
         "Select vertical axis scaling for Hb", QRect(375, 8, 96, 58), ampItems(), 2},
        {&SensorGroupBox, &SensorComboBox, "SensorGroupBox", "SensorComboBox", "Disp. Sensor",
         "Select display sensor data", QRect(488, 8, 97, 58), sensorItems(), 0},
    };
    // A list wider than its design place (fonts other than the design's) widens its group and
    // moves the groups to its right along.
    int shift = 0;
    for (const ListGroup &g : lists) {
        *g.box = named(new QGroupBox(QString::fromLatin1(g.title), client), g.boxName);
        QComboBox *combo = named(new QComboBox(*g.box), g.comboName);
        combo->addItems(g.items);
        combo->setCurrentIndex(g.index);
        combo->setToolTip(QString::fromLatin1(g.hint));
        const int width = widthForItems(combo, g.place.width() - 16);
        combo->setGeometry(8, 24, width, 22);
        m_anchors.add(*g.box,
                      QRect(g.place.left() + shift, g.place.top(), width + 16, g.place.height()));
        shift += width + 16 - g.place.width();
        *g.combo = combo;
    }

    ArrangeGroupBox =
        named(new QGroupBox(QStringLiteral("Arrangement"), client), "ArrangeGroupBox");
    m_anchors.add(ArrangeGroupBox, QRect(606 + shift, 8, 97, 58));
    ArrangeGroupBox->hide();
    SpeedButton1 = named(new QToolButton(ArrangeGroupBox), "SpeedButton1");
    SpeedButton2 = named(new QToolButton(ArrangeGroupBox), "SpeedButton2");
    SpeedButton1->setToolTip(QStringLiteral("Display trend vertically"));
    SpeedButton2->setToolTip(QStringLiteral("Display trend horizontally"));
    SpeedButton1->setIcon(stackedIcon());
    SpeedButton2->setIcon(columnsIcon());
    for (QToolButton *b : {SpeedButton1, SpeedButton2}) {
        b->setAutoRaise(true);
        b->setIconSize(QSize(22, 22));
    }
    SpeedButton1->setProperty("tag", 0);
    SpeedButton2->setProperty("tag", 1);
    SpeedButton1->setGeometry(16, 22, 28, 28);
    SpeedButton2->setGeometry(52, 22, 28, 28);
}

void Form1::buildGraphArea()
{
    Panel1 = named(new NotifyingWidget(centralWidget()), "Panel1");
    setBackground(Panel1, GRAPH_AREA_GREY);
    m_anchors.add(Panel1, QRect(8, 80, 882, 449),
                  AnchorLeft | AnchorTop | AnchorRight | AnchorBottom);

    GraphPanel **panels[] = {&Graph1Panel, &Graph2Panel, &Graph3Panel, &Graph4Panel};
    QWidget **infoPanels[] = {&Graph1InfoPanel, &Graph2InfoPanel, &Graph3InfoPanel,
                              &Graph4InfoPanel};
    QLabel **numbers[] = {&Label1, &Label2, &Label3, &Label4};
    QLabel **infos[] = {&Graph1InfoLabel, &Graph2InfoLabel, &Graph3InfoLabel, &Graph4InfoLabel};
    QToolButton **closes[] = {&Graph1SpeedButton, &Graph2SpeedButton, &Graph3SpeedButton,
                              &Graph4SpeedButton};
    PaintBox **boxes[] = {&PaintBox1, &PaintBox2, &PaintBox3, &PaintBox4};
    QScrollBar **bars[] = {&ScrollBar1, &ScrollBar2, &ScrollBar3, &ScrollBar4};
    for (int w = 0; w < SLOT_COUNT; ++w) {
        const QString n = QString::number(w + 1);
        GraphPanel *panel = new GraphPanel(Panel1);
        panel->setObjectName(QStringLiteral("Graph%1Panel").arg(n));
        QWidget *info = new QWidget(panel);
        info->setObjectName(QStringLiteral("Graph%1InfoPanel").arg(n));
        setBackground(info, INFO_BAR_SILVER);
        QLabel *number = new QLabel(QStringLiteral("[%1]").arg(n), info);
        number->setObjectName(QStringLiteral("Label%1").arg(n));
        QLabel *text = new ElidedLabel(info);
        text->setObjectName(QStringLiteral("Graph%1InfoLabel").arg(n));
        QToolButton *close = new QToolButton(info);
        close->setObjectName(QStringLiteral("Graph%1SpeedButton").arg(n));
        close->setAutoRaise(true);
        close->setIcon(closeIcon());
        close->setIconSize(QSize(12, 12));
        close->setToolTip(QStringLiteral("Close"));
        PaintBox *box = new PaintBox(panel);
        box->setObjectName(QStringLiteral("PaintBox%1").arg(n));
        QScrollBar *bar = new QScrollBar(Qt::Horizontal, panel);
        bar->setObjectName(QStringLiteral("ScrollBar%1").arg(n));
        bar->setRange(0, 0);
        bar->hide();
        for (QObject *o : std::initializer_list<QObject *>{panel, close, box, bar})
            o->setProperty("tag", w);
        panel->setChildren(info, number, text, close, box, bar);
        panel->setGeometry(HIDDEN_PANEL_RECT);
        *panels[w] = panel;
        *infoPanels[w] = info;
        *numbers[w] = number;
        *infos[w] = text;
        *closes[w] = close;
        *boxes[w] = box;
        *bars[w] = bar;
    }
}

void Form1::buildRightColumn()
{
    CHGroupBox =
        named(new QGroupBox(QStringLiteral("Disp. Select"), centralWidget()), "CHGroupBox");
    m_anchors.add(CHGroupBox, QRect(900, 80, 90, 143), AnchorTop | AnchorRight);
    CHGroupBox->hide();
    QCheckBox **checks[] = {&CH1CheckBox, &CH2CheckBox, &CH3CheckBox, &CH4CheckBox};
    for (int w = 0; w < SLOT_COUNT; ++w) {
        const QString n = QString::number(w + 1);
        QCheckBox *box = new QCheckBox(QStringLiteral("[%1]").arg(n), CHGroupBox);
        box->setObjectName(QStringLiteral("CH%1CheckBox").arg(n));
        box->setToolTip(QStringLiteral("Visible/Invisible Window[%1]").arg(n));
        box->setProperty("tag", w);
        box->setGeometry(12, 20 + 24 * w, 70, 17);
        *checks[w] = box;
    }
    CHLinkCheckBox =
        named(new QCheckBox(QStringLiteral("Interlock"), CHGroupBox), "CHLinkCheckBox");
    CHLinkCheckBox->setToolTip(QStringLiteral("スクロール連動の設定"));
    CHLinkCheckBox->setGeometry(12, 116, 74, 17);

    ReadoutGroupBox = named(new QGroupBox(centralWidget()), "ReadoutGroupBox");
    m_anchors.add(ReadoutGroupBox, QRect(900, 400, 90, 129), AnchorRight | AnchorBottom);
    ReadoutGroupBox->hide();
    QLabel **labels[] = {&OXHbLabel, &DXHbLabel, &TOHbLabel, &STO2Label};
    const char *names[] = {"OXHbLabel", "DXHbLabel", "TOHbLabel", "STO2Label"};
    const QColor colors[] = {SERIES_RED, SERIES_BLUE, SERIES_GREEN, SERIES_PURPLE};
    for (int k = 0; k < 4; ++k) {
        QLabel *label = named(new QLabel(ReadoutGroupBox), names[k]);
        setTextColor(label, colors[k]);
        label->setGeometry(8, 24 + 24 * k, 78, 17);
        *labels[k] = label;
    }
}

void Form1::buildStatusBar()
{
    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setFixedHeight(19);
    m_statusLabel = new QLabel(StatusBar1);
    StatusBar1->addWidget(m_statusLabel, 1);
    setStatusBar(StatusBar1);
}
