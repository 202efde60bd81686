// The Connect dialog's logic without widgets: the scan, the link to the chosen sensor, the
// command writes and the upload state machine (idle, waiting for the header, receiving), the
// upload's end with the save, the cancel and the set-up sequence. Form3 wires its controls to
// it; keldra-tool decode drives the same upload steps without a link.
#pragma once

#include "blecentral.h"
#include "framereceiver.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

class ConnectView;
class PacketDecoder;
class Prompts;

// The progress label's text, "%d/%d  %d%% Received." of the stored and announced records and
// the percentage.
QString progressText(int32_t getCount, int32_t logCount, int percent);

class LinkSession : public QObject, public PacketSink
{
    Q_OBJECT
public:
    // Upload state of the Upload button (its Tag).
    enum UploadState { Idle = 0, Transferring = 1 };

    LinkSession(BleCentral &ble, PacketDecoder &decoder, Prompts &prompts, ConnectView &view,
                QObject *parent = nullptr);

    // Writes the uploaded measurement under SaveDialogFileName; true on success. Default: Save
    // (files/writer.h).
    void setSaver(std::function<bool(Prompts &)> save) { m_save = std::move(save); }
    // The local time the date/time command is built from. Default: now.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // Bound of every wait for a write completion and of the wait for the link, ms.
    void setWriteTimeout(int ms) { m_writeTimeoutMs = ms; }
    // Time after the link for an upload is up before Cancel can be pressed, ms: the repeated
    // click of a double click on Upload must not cancel it. Form3 sets the platform's
    // double-click interval.
    void setCancelGuard(int ms) { m_cancelGuardMs = ms; }
    // Decides after a good save, before the recording is entered and "@CLR" is sent, whether
    // the sensor may be cleared; false keeps the recording in the sensor (the check shows its
    // own message). Default: the saved file reads back as the recording.
    void setClearCheck(std::function<bool(Prompts &)> check) { m_clearCheck = std::move(check); }

    // Handlers of the dialog.
    void Button1Click(); // Scan Device
    void Button2Click(); // Upload / Cancel
    void Button3Click(); // Set
    void Timer1Timer();
    // The device box's selection changed: the progress display is shown only while it names
    // the sensor the progress describes.
    void deviceSelected();
    // The dialog is shown again: Upload waits for a scan, the progress display of earlier
    // uploads is gone.
    void dialogShown();
    // The dialog goes away: a running operation ends at once (no message), the link closes.
    void abort();

    // Link operations and platform reports.
    bool Connect();
    void BluetoothLE1EndDiscoverDevices(const QList<BleCentral::Device> &devices);
    // The discovery stopped with the platform's error: "BluetoothLE is not available.".
    void scanFailed();
    void BluetoothLE1Connect();
    void BluetoothLE1CharacteristicRead(BleCentral::Characteristic characteristic, int status);
    void BluetoothLE1CharacteristicWrite(BleCentral::Characteristic characteristic, int status);
    void EnableNotify(bool en);
    void SendCommand(const QString &str, bool tsync);
    void closeLink();

    // Upload steps 3 to 5 (counters 0, buttons and progress display), run once the link for an
    // upload has been asked for; keldra-tool decode runs them without a link.
    void startTransfer();
    // The frame receiver's hand-over (PacketSink).
    bool CheckPacket(int32_t count, const uint8_t *buff) override;
    void CheckProgress() override;

    FrameReceiver &receiver() { return m_receiver; }
    QTimer &timer() { return m_timer1; }
    const QString &deviceName() const { return m_deviceName; }
    void setDeviceName(const QString &name);
    UploadState uploadState() const { return m_uploadState; }
    bool linkState() const { return m_linkState; }
    const QString &pendingCommand() const { return m_pending; }
    // True while a wait for a write (or for the set-up to go out) is running.
    bool busy() const { return m_busy; }
    // True while an operation (upload, cancel, set-up, the link coming up) is running.
    bool operating() const { return m_operating; }
    // True once Cancel can be pressed in the running upload.
    bool cancelArmed() const { return m_cancelArmed; }

signals:
    // A report changed the write-done flag or the link state (wakes the waits).
    void linkEvent();

private:
    // How a wait for a write ended.
    enum class WriteResult { Confirmed, Refused, Lost, TimedOut };

    void onLinkLost();
    bool reportConnectFailure(); // "Unable to connect %s."; false
    bool findSensor();
    void Upload();
    void Cancel();
    void showProgressText(int32_t getCount, int32_t logCount, int percent);
    void completeTransfer();
    bool saveUpload();
    bool clearSensor();
    void endTransfer();
    void beginWaiting();
    void becomeIdle();
    void armCancel();
    void linkUpTimedOut();
    WriteResult waitForWrite(const QString &text);
    WriteResult waitForWrite(int sequence);
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);

    BleCentral &m_ble;
    PacketDecoder &m_decoder;
    Prompts &m_prompts;
    ConnectView &m_view;
    FrameReceiver m_receiver;
    QTimer m_timer1;
    std::function<bool(Prompts &)> m_save;
    std::function<bool(Prompts &)> m_clearCheck;
    std::function<QDateTime()> m_clock;
    int m_writeTimeoutMs;
    int m_cancelGuardMs;
    QTimer m_cancelGuard; // arms Cancel
    QTimer m_linkUpLimit; // bounds the wait for the link of an upload

    QList<BleCentral::Device> m_devices;
    QString m_selectedSerial;
    QString m_deviceName;
    BleCentral::Device m_sensor = -1;
    BleCentral::Service m_service = -1;
    BleCentral::Characteristic m_notify = -1;
    BleCentral::Characteristic m_write = -1;
    bool m_linkState = false;
    QString m_pending;
    int m_writesSent = 0; // writes asked for since the last Connect
    int m_writesDone = 0; // completions reported since then (they come in order)
    bool m_lastWriteOk = false;
    UploadState m_uploadState = Idle;
    bool m_busy = false;
    bool m_operating = false;
    bool m_aborted = false;
    bool m_cancelling = false;
    bool m_completing = false;
    bool m_cancelArmed = false;
    bool m_linkedTransfer = false; // the running transfer came over a link (not fed by a tool)
    bool m_uploadAllowed = false;  // Upload's state when idle
    bool m_lost = false;           // the link went down since the last Connect
    QString m_progressSerial;      // the sensor the progress display describes
    bool m_hasProgress = false;
    int m_barPercent = 0; // what the progress bar shows in this transfer
    bool m_barShown = false;
    QString m_progressTexts[2]; // the progress label's texts, used in turn
    int m_progressFlip = 0;
    QString m_tail; // the label's text after the count, for m_tailLog and m_tailPercent
    int32_t m_tailLog = -1;
    int m_tailPercent = -1;
};
