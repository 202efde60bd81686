// The Connect dialog's scan, link, command writes and the waits for their completion.
#include "linksession.h"
#include "commands.h"
#include "connectview.h"
#include "eventwait.h"
#include "packetdecoder.h"
#include "prompts.h"
#include "protocol.h"
#include "reader.h"
#include "store.h"
#include "writer.h"

#include <QEventLoop>

namespace {

bool sameUuid(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

// Cancel stays dead this long after the link for an upload is up unless told otherwise, ms.
constexpr int CANCEL_GUARD_DEFAULT_MS = 500;

// The sensor is cleared only when the saved file reads back as the recording just decoded.
bool savedFileReadsBack(Prompts &prompts)
{
    if (SavedFileMatches(SaveDialogFileName))
        return true;
    prompts.error(QStringLiteral("The recording was saved but could not be verified. "
                                 "It is still in the sensor."));
    return false;
}

} // namespace

LinkSession::LinkSession(BleCentral &ble, PacketDecoder &decoder, Prompts &prompts,
                         ConnectView &view, QObject *parent)
    : QObject(parent), m_ble(ble), m_decoder(decoder), m_prompts(prompts), m_view(view),
      m_receiver(this), m_save([](Prompts &p) { return Save(p); }),
      m_clearCheck(savedFileReadsBack), m_clock([] { return QDateTime::currentDateTime(); }),
      m_writeTimeoutMs(WRITE_WAIT_TIMEOUT_MS), m_cancelGuardMs(CANCEL_GUARD_DEFAULT_MS)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(false);
    m_cancelGuard.setSingleShot(true);
    m_linkUpLimit.setSingleShot(true);
    connect(&m_timer1, &QTimer::timeout, this, &LinkSession::Timer1Timer);
    connect(&m_cancelGuard, &QTimer::timeout, this, &LinkSession::armCancel);
    connect(&m_linkUpLimit, &QTimer::timeout, this, &LinkSession::linkUpTimedOut);
    connect(&m_ble, &BleCentral::discoveryEnded, this,
            &LinkSession::BluetoothLE1EndDiscoverDevices);
    connect(&m_ble, &BleCentral::discoveryFailed, this, &LinkSession::scanFailed);
    connect(&m_ble, &BleCentral::connected, this, &LinkSession::BluetoothLE1Connect);
    connect(&m_ble, &BleCentral::valueChanged, this, &LinkSession::BluetoothLE1CharacteristicRead);
    connect(&m_ble, &BleCentral::written, this, &LinkSession::BluetoothLE1CharacteristicWrite);
    connect(&m_ble, &BleCentral::linkLost, this, &LinkSession::onLinkLost);
}

void LinkSession::setDeviceName(const QString &name)
{
    m_deviceName = name;
    m_decoder.setDeviceName(name);
}

// ---- Scan

void LinkSession::Button1Click()
{
    if (m_operating)
        return;
    m_view.setScanEnabled(false);
    m_view.setUploadEnabled(false);
    m_view.setSetEnabled(false);
    m_view.clearDevices();
    deviceSelected();
    if (!m_ble.startDiscovery(DISCOVERY_TIMEOUT_MS)) {
        m_prompts.notice(QStringLiteral("BluetoothLE is not available."));
        m_view.setScanEnabled(true);
        return;
    }
    m_timer1.start(SCAN_SAFETY_TIMER_MS);
}

void LinkSession::Timer1Timer()
{
    m_timer1.stop();
    m_ble.cancelDiscovery();
}

void LinkSession::BluetoothLE1EndDiscoverDevices(const QList<BleCentral::Device> &devices)
{
    m_timer1.stop();
    m_view.setScanEnabled(true);
    m_devices = devices;
    const QString prefix = QLatin1String(SENSOR_NAME_PREFIX);
    for (const BleCentral::Device d : devices) {
        const QString name = m_ble.deviceName(d);
        if (m_ble.devicePaired(d) && name.left(SENSOR_NAME_PREFIX_LENGTH) == prefix)
            m_view.addDevice(name.mid(SENSOR_NAME_PREFIX_LENGTH));
    }
    if (m_view.deviceCount() > 0) {
        m_view.selectDevice(0);
        m_uploadAllowed = SetFreeNo();
        m_view.setUploadEnabled(m_uploadAllowed);
        m_view.setSetEnabled(true);
    } else {
        m_view.selectDevice(-1);
        m_uploadAllowed = false;
        m_prompts.notice(QStringLiteral("No connectable device found."));
    }
    deviceSelected();
}

void LinkSession::scanFailed()
{
    // As a discovery that could not start; the old device list stays in use.
    m_timer1.stop();
    m_view.setScanEnabled(true);
    m_view.selectDevice(-1);
    m_uploadAllowed = false;
    m_prompts.notice(QStringLiteral("BluetoothLE is not available."));
    deviceSelected();
}

// ---- Progress display

void LinkSession::deviceSelected()
{
    if (m_operating)
        return;
    const bool own =
        m_hasProgress && m_view.deviceCount() > 0 && m_view.selectedSerial() == m_progressSerial;
    m_view.setProgressTextVisible(own);
    m_view.setProgressBarVisible(own && m_barShown);
}

void LinkSession::dialogShown()
{
    m_uploadAllowed = false;
    m_hasProgress = false;
    m_barShown = false;
    m_view.setProgressTextVisible(false);
    m_view.setProgressBarVisible(false);
}

// ---- Link

bool LinkSession::Connect()
{
    m_selectedSerial = m_view.selectedSerial();
    m_lost = false;
    m_writesSent = m_writesDone = 0;
    setDeviceName(QLatin1String(SENSOR_NAME_PREFIX) + m_selectedSerial);
    if (!findSensor()) {
        // Service discovery may have opened the link: it must not stay up unused.
        if (m_sensor >= 0)
            m_ble.disconnectDevice(m_sensor);
        return reportConnectFailure();
    }
    if (!m_ble.connectDevice(m_sensor))
        return reportConnectFailure();
    return true;
}

// The sensor named DeviceName in the device list, its service and both characteristics; true
// when all four were found.
bool LinkSession::findSensor()
{
    bool device = false, service = false, notify = false, write = false;
    m_sensor = -1;
    for (const BleCentral::Device d : std::as_const(m_devices)) {
        if (m_ble.deviceName(d) != m_deviceName)
            continue;
        device = true;
        m_sensor = d;
        m_ble.discoverServices(d);
        if (m_ble.connectFailed(d))
            return false;
        for (const BleCentral::Service s : m_ble.services(d)) {
            if (!sameUuid(m_ble.serviceUuid(s), SENSOR_SERVICE_UUID))
                continue;
            service = true;
            m_service = s;
            for (const BleCentral::Characteristic c : m_ble.serviceCharacteristics(s)) {
                const QString uuid = m_ble.characteristicUuid(c);
                if (sameUuid(uuid, SENSOR_NOTIFY_UUID)) {
                    m_notify = c;
                    notify = true;
                } else if (sameUuid(uuid, SENSOR_WRITE_UUID)) {
                    m_write = c;
                    write = true;
                }
            }
        }
        break;
    }
    return device && service && notify && write;
}

bool LinkSession::reportConnectFailure()
{
    m_prompts.notice(QStringLiteral("Unable to connect %1.").arg(m_deviceName));
    return false;
}

void LinkSession::BluetoothLE1Connect()
{
    m_linkState = true;
    EnableNotify(true);
    if (!m_pending.isEmpty())
        SendCommand(m_pending, true);
    if (m_uploadState == Transferring && m_linkUpLimit.isActive()) {
        m_linkUpLimit.stop();
        m_cancelGuard.start(m_cancelGuardMs);
    }
    emit linkEvent();
}

void LinkSession::EnableNotify(bool en)
{
    if (m_linkState)
        m_ble.setNotification(m_sensor, m_notify, en);
}

void LinkSession::closeLink()
{
    EnableNotify(false);
    if (m_sensor >= 0)
        m_ble.disconnectDevice(m_sensor);
    m_linkState = false;
}

void LinkSession::onLinkLost()
{
    m_linkState = false;
    m_lost = true;
    emit linkEvent();
    // A running wait or the end of a transfer finishes the sequence itself.
    if (m_busy || m_completing || m_cancelling || m_uploadState != Transferring)
        return;
    endTransfer();
    m_prompts.notice(QStringLiteral(
        "The link to the sensor was lost. The upload was stopped; the recording stays in the "
        "sensor."));
}

void LinkSession::linkUpTimedOut()
{
    if (m_uploadState != Transferring || m_linkState || m_completing || m_cancelling)
        return;
    endTransfer();
    reportConnectFailure();
}

void LinkSession::BluetoothLE1CharacteristicRead(BleCentral::Characteristic characteristic,
                                                 int status)
{
    if (status != BleCentral::GATT_SUCCESS || !m_linkState || characteristic != m_notify ||
        !sameUuid(m_ble.characteristicUuid(characteristic), SENSOR_NOTIFY_UUID))
        return;
    // A copy: nested handlers may replace the platform's value meanwhile.
    const QByteArray value = m_ble.characteristicValue(characteristic);
    m_receiver.feed(value);
}

void LinkSession::BluetoothLE1CharacteristicWrite(BleCentral::Characteristic, int status)
{
    ++m_writesDone;
    m_lastWriteOk = status == BleCentral::GATT_SUCCESS;
    emit linkEvent();
}

// ---- Commands and waits

void LinkSession::SendCommand(const QString &str, bool tsync)
{
    if (!m_linkState || str.isEmpty())
        return;
    ++m_writesSent;
    m_ble.writeCharacteristic(m_sensor, m_write, commandBytes(str, tsync, m_clock()));
}

bool LinkSession::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    // Every event runs meanwhile, the operator's too: the controls that could start or end
    // anything are disabled by the caller, so a click on them is dropped, not kept for later.
    return waitForCondition(this, &LinkSession::linkEvent, done, timeoutMs);
}

LinkSession::WriteResult LinkSession::waitForWrite(const QString &text)
{
    SendCommand(text, false);
    if (!m_linkState)
        return WriteResult::Lost;
    return waitForWrite(m_writesSent);
}

// Waits until the write numbered sequence since Connect completed (writes complete in order).
LinkSession::WriteResult LinkSession::waitForWrite(int sequence)
{
    m_busy = true;
    waitUntil([this, sequence] { return m_writesDone >= sequence || m_lost || m_aborted; },
              m_writeTimeoutMs);
    m_busy = false;
    if (m_writesDone >= sequence)
        return m_lastWriteOk ? WriteResult::Confirmed : WriteResult::Refused;
    if (m_lost || m_aborted)
        return WriteResult::Lost;
    return WriteResult::TimedOut;
}
