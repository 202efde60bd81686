// The Connect dialog's controls, show and close steps and the fat-thickness spinner.
#include "form3.h"
#include "commands.h"
#include "conditionsettings.h"
#include "protocol.h"
#include "updown.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionComboBox>

namespace {

template <typename W> W *named(QWidget *parent, const char *name)
{
    auto *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &hint)
{
    auto *b = named<QPushButton>(parent, name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = named<QLabel>(parent, name);
    l->setText(text);
    return l;
}

QComboBox *list(QWidget *parent, const char *name, const QStringList &items, const QString &hint)
{
    auto *c = named<QComboBox>(parent, name);
    c->addItems(items);
    c->setToolTip(hint);
    if (!items.isEmpty())
        c->setCurrentIndex(0);
    return c;
}

// A stored list index outside the list selects the first item.
void selectStored(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0);
}

} // namespace

Form3::Form3(BleCentral &ble, PacketDecoder &decoder, Prompts &prompts, ConditionSettings &settings,
             QWidget *parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Connect"));
    // Tahoma where it exists; elsewhere the platform's substitute, which the layout measures.
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    // A fixed-size dialog frame: a caption and a close button, nothing to maximise or minimise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    setModal(true);
    createControls();
    placeControls();
    setTabOrder();
    m_session = new LinkSession(ble, decoder, prompts, *this, this);
    connect(Button1, &QPushButton::clicked, m_session, &LinkSession::Button1Click);
    connect(Button2, &QPushButton::clicked, m_session, &LinkSession::Button2Click);
    connect(Button3, &QPushButton::clicked, m_session, &LinkSession::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Form3::Button4Click);
    connect(ComboBox1, &QComboBox::currentIndexChanged, m_session, &LinkSession::deviceSelected);
    // The repeated click of a double click on Upload must not land on Cancel.
    m_session->setCancelGuard(
        std::max(QGuiApplication::styleHints()->mouseDoubleClickInterval(), CANCEL_GUARD_MIN_MS));
    UpDown1->setChanging([this](int v) { return UpDown1ChangingEx(v); });
}

void Form3::createControls()
{
    Button1 = button(this, "Button1", QStringLiteral("Scan Device"),
                     QStringLiteral("Find a connectable device"));
    Label1 = label(this, "Label1", QStringLiteral("Connect to:"));
    ComboBox1 = list(this, "ComboBox1", {}, QStringLiteral("Select a connection device"));
    Button2 = button(this, "Button2", QStringLiteral("Upload"),
                     QStringLiteral("Upload data from the selected device"));
    Button2->setEnabled(false);
    Label2 = label(this, "Label2", QStringLiteral("Samp. Rate"));
    ComboBox2 = list(this, "ComboBox2",
                     {QStringLiteral("0.05s"), QStringLiteral("0.1sec"), QStringLiteral("0.2sec"),
                      QStringLiteral("0.5sec"), QStringLiteral("1.0sec"), QStringLiteral("5.0sec")},
                     QStringLiteral("Select measurement interval"));
    Label3 = label(this, "Label3", QStringLiteral("Fat Thick[mm]:"));
    Edit1 = named<QLineEdit>(this, "Edit1");
    Edit1->setReadOnly(true);
    Edit1->setToolTip(QStringLiteral("Input fat thick"));
    UpDown1 = named<UpDown>(this, "UpDown1");
    UpDown1->setRange(THICK_MIN, THICK_MAX);
    UpDown1->setPosition(THICK_MIN);
    Button3 = button(this, "Button3", QStringLiteral("Set"),
                     QStringLiteral("Set measurement condition to the selected device"));
    Button3->setEnabled(false);
    Label5 = label(this, "Label5", QStringLiteral("Acc. Range:"));
    ComboBox3 = list(this, "ComboBox3",
                     {QStringLiteral("+/- 2G"), QStringLiteral("+/- 4G"), QStringLiteral("+/- 8G"),
                      QStringLiteral("+/- 16G")},
                     QStringLiteral("Select range of accelerometer"));
    Label6 = label(this, "Label6", QStringLiteral("Gyro. Range:"));
    ComboBox4 =
        list(this, "ComboBox4",
             {QStringLiteral("+/-125°/s"), QStringLiteral("+/-250°/s"), QStringLiteral("+/-500°/s"),
              QStringLiteral("+/-1000°/s"), QStringLiteral("+/-2000°/s")},
             QStringLiteral("Select range of gyroscope"));
    Button4 = button(this, "Button4", QStringLiteral("Close"), QStringLiteral("Close this dialog"));
    Label7 = label(this, "Label7", QStringLiteral("Auto Off:"));
    ComboBox5 = list(this, "ComboBox5",
                     {QStringLiteral("Disable"), QStringLiteral("10min"), QStringLiteral("30min"),
                      QStringLiteral("1hour")},
                     QStringLiteral("Select auto power off time"));
    Label4 = label(this, "Label4", QString());
    Label4->setAlignment(Qt::AlignCenter);
    Label4->hide();
    ProgressBar1 = named<QProgressBar>(this, "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
}

// Width a label needs for its text in the dialog's font.
static int labelWidth(const QLabel *label)
{
    return label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin() + 2;
}

// Width a drop-down list needs to show its longest item whole.
static int listWidth(QComboBox *box, int least)
{
    int text = 0;
    for (int i = 0; i < box->count(); ++i)
        text = std::max(text, box->fontMetrics().horizontalAdvance(box->itemText(i)));
    QStyleOptionComboBox opt;
    opt.initFrom(box);
    opt.rect = QRect(0, 0, 200, 22);
    const QRect field =
        box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, box);
    // What the frame and the arrow take, plus the text's own margins.
    return std::max(least, text + (opt.rect.width() - field.width()) + 8);
}

void Form3::placeControls()
{
    // Rows of label and control 40 pixels apart under the Scan Device button; the action
    // buttons in a column at the right edge. Labels and lists take the width their texts need
    // in the font the platform has; the right-hand controls end before the button column.
    constexpr int margin = 8, rowHeight = 22, upDownWidth = 17;
    const int buttonX = CLIENT_WIDTH - margin - 75;
    Button1->setGeometry(margin, margin, 97, 38);
    const int rowY[4] = {56, 96, 136, 176};
    const int leftLabel =
        std::max({labelWidth(Label1), labelWidth(Label2), labelWidth(Label5), labelWidth(Label7)});
    const int leftX = margin + leftLabel + 2;
    const int leftList =
        std::max({listWidth(ComboBox2, 72), listWidth(ComboBox3, 72), listWidth(ComboBox5, 72)});
    Label1->setGeometry(margin, rowY[0] + 3, leftLabel, 16);
    ComboBox1->setGeometry(leftX, rowY[0], 150, rowHeight);
    Label2->setGeometry(margin, rowY[1] + 3, leftLabel, 16);
    ComboBox2->setGeometry(leftX, rowY[1], leftList, rowHeight);
    Label5->setGeometry(margin, rowY[2] + 3, leftLabel, 16);
    ComboBox3->setGeometry(leftX, rowY[2], leftList, rowHeight);
    Label7->setGeometry(margin, rowY[3] + 3, leftLabel, 16);
    ComboBox5->setGeometry(leftX, rowY[3], leftList, rowHeight);

    const int rightLabelX = leftX + leftList + margin;
    const int rightEnd = buttonX - 5;
    const int edit =
        std::max(52, Edit1->fontMetrics().horizontalAdvance(thickText(THICK_MAX)) + 12);
    const int editX = rightEnd - upDownWidth - edit;
    Label3->setGeometry(rightLabelX, rowY[1] + 3, std::max(0, editX - 2 - rightLabelX), 16);
    Edit1->setGeometry(editX, rowY[1], edit, rowHeight);
    UpDown1->setGeometry(editX + edit, rowY[1], upDownWidth, rowHeight);
    const int gyroList = std::max(listWidth(ComboBox4, 80), edit + upDownWidth);
    const int gyroX = rightEnd - gyroList;
    Label6->setGeometry(rightLabelX, rowY[2] + 3, std::max(0, gyroX - 2 - rightLabelX), 16);
    ComboBox4->setGeometry(gyroX, rowY[2], gyroList, rowHeight);

    Button2->setGeometry(buttonX, rowY[0] - 8, 75, 38);
    Button3->setGeometry(buttonX, rowY[1] + 12, 75, 38);
    Button4->setGeometry(buttonX, rowY[3] - 8, 75, 38);
    Label4->setGeometry(leftX, 212, 241, 16);
    ProgressBar1->setGeometry(leftX, 234, 241, 18);
}

void Form3::setTabOrder()
{
    QWidget *order[] = {ComboBox1, Button1, ProgressBar1, ComboBox2, UpDown1,   Edit1,
                        Button2,   Button3, Button4,      ComboBox3, ComboBox4, ComboBox5};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

QString Form3::thickText(int tenths)
{
    return QLocale().toString(tenths / 10.0, 'f', 1).rightJustified(4, QLatin1Char(' ')) +
           QStringLiteral("mm");
}

void Form3::showThick()
{
    Edit1->setText(thickText(m_thick));
}

// ---- Show, close, spinner

void Form3::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Form3::FormShow()
{
    m_settings.beginStep();
    selectStored(ComboBox2, m_settings.readInteger(QStringLiteral("Rate"), 0));
    m_thick = m_settings.readInteger(QStringLiteral("Thick"), THICK_DEFAULT);
    if (m_thick < THICK_MIN || m_thick > THICK_MAX)
        m_thick = THICK_DEFAULT;
    selectStored(ComboBox3, m_settings.readInteger(QStringLiteral("RangeA"), 0));
    selectStored(ComboBox4, m_settings.readInteger(QStringLiteral("RangeG"), 0));
    selectStored(ComboBox5, m_settings.readInteger(QStringLiteral("AutoOff"), 0));
    m_settings.endStep();
    UpDown1->setPosition(m_thick);
    showThick();
    m_session->setDeviceName(QString());
    Button2->setEnabled(false);
    Button3->setEnabled(false);
    ComboBox1->clear();
    m_session->dialogShown();
}

bool Form3::UpDown1ChangingEx(int newValue)
{
    if (newValue < THICK_MIN || newValue > THICK_MAX)
        return false;
    m_thick = newValue;
    showThick();
    return true;
}

bool Form3::FormCloseQuery()
{
    return Button1->isEnabled();
}

void Form3::FormClose()
{
    // The close step stops at the first key that cannot be written.
    m_settings.beginStep();
    m_settings.writeInteger(QStringLiteral("Rate"), ComboBox2->currentIndex()) &&
        m_settings.writeInteger(QStringLiteral("Thick"), m_thick) &&
        m_settings.writeInteger(QStringLiteral("RangeA"), ComboBox3->currentIndex()) &&
        m_settings.writeInteger(QStringLiteral("RangeG"), ComboBox4->currentIndex()) &&
        m_settings.writeInteger(QStringLiteral("AutoOff"), ComboBox5->currentIndex());
    m_settings.endStep();
}

void Form3::hideEvent(QHideEvent *event)
{
    // However the dialog goes away, no operation goes on without it and no link stays up.
    if (!event->spontaneous())
        m_session->abort();
    QDialog::hideEvent(event);
}

void Form3::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    // The dialog's own close runs reject(), which takes the close step.
    QDialog::closeEvent(event);
}

void Form3::reject()
{
    // Escape closes like the Close button: through the close query and the close step.
    if (FormCloseQuery() && isVisible()) {
        FormClose();
        QDialog::reject();
    }
}

void Form3::Button4Click()
{
    close();
}

// ---- ConnectView

void Form3::setScanEnabled(bool on)
{
    Button1->setEnabled(on);
}

void Form3::setUploadEnabled(bool on)
{
    Button2->setEnabled(on);
}

void Form3::setUploadCaption(const QString &text)
{
    Button2->setText(text);
}

void Form3::setSetEnabled(bool on)
{
    Button3->setEnabled(on);
}

void Form3::setCloseEnabled(bool on)
{
    Button4->setEnabled(on);
}

void Form3::setActivity(Activity activity)
{
    switch (activity) {
    case Activity::None:
        unsetCursor();
        break;
    case Activity::Working:
        setCursor(Qt::BusyCursor);
        break;
    case Activity::Waiting:
        setCursor(Qt::WaitCursor);
        break;
    }
}

void Form3::setDevicesEnabled(bool on)
{
    ComboBox1->setEnabled(on);
}

void Form3::clearDevices()
{
    ComboBox1->clear();
}

void Form3::addDevice(const QString &serial)
{
    ComboBox1->addItem(serial);
}

int Form3::deviceCount() const
{
    return ComboBox1->count();
}

void Form3::selectDevice(int index)
{
    ComboBox1->setCurrentIndex(index);
}

QString Form3::selectedSerial() const
{
    return ComboBox1->currentText();
}

void Form3::setProgressText(const QString &text)
{
    Label4->setText(text);
}

void Form3::setProgressTextVisible(bool on)
{
    Label4->setVisible(on);
}

void Form3::setProgressPosition(int percent)
{
    ProgressBar1->setValue(percent);
}

void Form3::setProgressBarVisible(bool on)
{
    ProgressBar1->setVisible(on);
}

QString Form3::setupCommandText() const
{
    return setupCommand(ComboBox2->currentIndex(), m_thick, ComboBox3->currentIndex(),
                        ComboBox4->currentIndex(), ComboBox5->currentIndex());
}
