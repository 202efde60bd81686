// The Connect dialog: scans for sensors, uploads a sensor's recording with a progress display
// and sends it the measurement conditions. Its controls carry the names of the design; the
// logic lives in LinkSession, which this dialog feeds with its controls' events.
#pragma once

#include "connectview.h"
#include "linksession.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class BleCentral;
class ConditionSettings;
class PacketDecoder;
class Prompts;
class UpDown;

class Form3 : public QDialog, public ConnectView
{
    Q_OBJECT
public:
    // None of the references is owned; all must outlive the dialog. decoder is the main
    // window's (it holds Log_Count and Get_Count).
    Form3(BleCentral &ble, PacketDecoder &decoder, Prompts &prompts, ConditionSettings &settings,
          QWidget *parent = nullptr);

    // Client area, pixels.
    static constexpr int CLIENT_WIDTH = 418;
    static constexpr int CLIENT_HEIGHT = 270;
    // Cancel is dead at least this long after the link for an upload is up, ms.
    static constexpr int CANCEL_GUARD_MIN_MS = 400;

    QPushButton *Button1, *Button2, *Button3, *Button4;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5;
    QLineEdit *Edit1;
    UpDown *UpDown1;
    QProgressBar *ProgressBar1;

    LinkSession &session() { return *m_session; }
    // The full name of the sensor last chosen ("Vm731-" + serial); emptied on every show.
    QString DeviceName() const { return m_session->deviceName(); }
    // Fat thickness in tenths of a millimetre.
    int fatThick() const { return m_thick; }

    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void Button4Click();
    // Decides a spinner change to newValue; true allows it.
    bool UpDown1ChangingEx(int newValue);

    // ConnectView.
    void setScanEnabled(bool on) override;
    void setUploadEnabled(bool on) override;
    void setUploadCaption(const QString &text) override;
    void setSetEnabled(bool on) override;
    void setCloseEnabled(bool on) override;
    void setActivity(Activity activity) override;
    void setDevicesEnabled(bool on) override;
    void clearDevices() override;
    void addDevice(const QString &serial) override;
    int deviceCount() const override;
    void selectDevice(int index) override;
    QString selectedSerial() const override;
    void setProgressText(const QString &text) override;
    void setProgressTextVisible(bool on) override;
    void setProgressPosition(int percent) override;
    void setProgressBarVisible(bool on) override;
    QString setupCommandText() const override;

    // "%4.1fmm" of tenths / 10 in the user's decimal separator.
    static QString thickText(int tenths);

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void placeControls();
    void setTabOrder();
    void showThick();

    ConditionSettings &m_settings;
    LinkSession *m_session;
    int m_thick = 30;
};
