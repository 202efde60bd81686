// The scan, link, command and transfer sequences of the Connect dialog.
#include "linksession.h"
#include "commands.h"
#include "connectview.h"
#include "packetdecoder.h"
#include "prompts.h"
#include "protocol.h"
#include "reader.h"
#include "store.h"
#include "writer.h"

#include <QEventLoop>
#include <cstring>

namespace {

bool sameUuid(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

const QString kUploadCaption = QStringLiteral("Upload");
const QString kCancelCaption = QStringLiteral("Cancel");

// Decimal digits of v (as %d) at p; returns the end.
char16_t *putDecimal(char16_t *p, int32_t v)
{
    uint32_t u = uint32_t(v);
    if (v < 0) {
        *p++ = u'-';
        u = 0u - u;
    }
    char16_t digits[10];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + u % 10);
        u /= 10;
    } while (u > 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

// "/%d  %d%% Received." of logCount and percent at out (PROGRESS_TAIL_MAX characters at
// most); returns its length.
constexpr int PROGRESS_TAIL_MAX = 40;
int progressTail(char16_t *out, int32_t logCount, int percent)
{
    static constexpr char16_t kReceived[] = u"% Received.";
    char16_t *p = out;
    *p++ = u'/';
    p = putDecimal(p, logCount);
    *p++ = u' ';
    *p++ = u' ';
    p = putDecimal(p, percent);
    for (const char16_t c : kReceived) {
        if (c)
            *p++ = c;
    }
    return int(p - out);
}

} // namespace

QString progressText(int32_t getCount, int32_t logCount, int percent)
{
    char16_t text[2 * PROGRESS_TAIL_MAX];
    char16_t *p = putDecimal(text, getCount);
    p += progressTail(p, logCount, percent);
    return QString(reinterpret_cast<const QChar *>(text), p - text);
}

LinkSession::LinkSession(BleCentral &ble, PacketDecoder &decoder, Prompts &prompts,
                         ConnectView &view, QObject *parent)
    : QObject(parent), m_ble(ble), m_decoder(decoder), m_prompts(prompts), m_view(view),
      m_receiver(this), m_save([](Prompts &p) { return Save(p); }),
      m_clock([] { return QDateTime::currentDateTime(); }), m_writeTimeoutMs(WRITE_WAIT_TIMEOUT_MS)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setSingleShot(false);
    connect(&m_timer1, &QTimer::timeout, this, &LinkSession::Timer1Timer);
    connect(&m_ble, &BleCentral::discoveryEnded, this,
            &LinkSession::BluetoothLE1EndDiscoverDevices);
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
    m_view.setScanEnabled(false);
    m_view.setUploadEnabled(false);
    m_view.setSetEnabled(false);
    m_view.clearDevices();
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
        m_view.setUploadEnabled(SetFreeNo());
        m_view.setSetEnabled(true);
    } else {
        m_view.selectDevice(-1);
        m_prompts.notice(QStringLiteral("No connectable device found."));
    }
}

// ---- Link

bool LinkSession::Connect()
{
    m_selectedSerial = m_view.selectedSerial();
    m_lost = false;
    setDeviceName(QLatin1String(SENSOR_NAME_PREFIX) + m_selectedSerial);
    bool device = false, service = false, notify = false, write = false;
    for (const BleCentral::Device d : std::as_const(m_devices)) {
        if (m_ble.deviceName(d) != m_deviceName)
            continue;
        device = true;
        m_sensor = d;
        m_ble.discoverServices(d);
        if (m_ble.connectFailed(d))
            return reportConnectFailure();
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
    if (!(device && service && notify && write))
        return false;
    if (!m_ble.connectDevice(m_sensor))
        return reportConnectFailure();
    return true;
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
    if (m_busy || m_completing || m_uploadState != Transferring)
        return;
    m_prompts.notice(QStringLiteral(
        "The link to the sensor was lost. The upload was stopped; the recording stays in the "
        "sensor."));
    endTransfer();
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

void LinkSession::BluetoothLE1CharacteristicWrite(BleCentral::Characteristic, int)
{
    m_writeDone = true;
    emit linkEvent();
}

// ---- Commands and waits

void LinkSession::SendCommand(const QString &str, bool tsync)
{
    if (!m_linkState || str.isEmpty())
        return;
    m_ble.writeCharacteristic(m_sensor, m_write, commandBytes(str, tsync, m_clock()));
}

bool LinkSession::waitUntil(const std::function<bool()> &done, int timeoutMs, bool excludeInput)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &LinkSession::linkEvent, &loop, [&] {
        if (done())
            loop.quit();
    });
    limit.start(timeoutMs);
    loop.exec(excludeInput ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
    return done();
}

bool LinkSession::waitForWrite(const QString &text)
{
    m_writeDone = false;
    SendCommand(text, false);
    if (!m_linkState)
        return false;
    m_busy = true;
    waitUntil([this] { return m_writeDone || !m_linkState; }, m_writeTimeoutMs, false);
    m_busy = false;
    return m_writeDone;
}

// ---- Upload, cancel, set

void LinkSession::Button2Click()
{
    // The button stays pressable during the waits; a second press must not nest a sequence.
    if (m_busy || m_completing)
        return;
    if (m_uploadState == Idle)
        Upload();
    else
        Cancel();
}

void LinkSession::Upload()
{
    m_pending = QLatin1String(COMMAND_UPLOAD);
    if (!Connect())
        return;
    startTransfer();
}

void LinkSession::startTransfer()
{
    m_decoder.resetCounters();
    m_view.setScanEnabled(false);
    m_view.setSetEnabled(false);
    m_view.setCloseEnabled(false);
    m_uploadState = Transferring;
    m_view.setUploadCaption(kCancelCaption);
    m_view.setProgressText(QString());
    m_view.setProgressTextVisible(true);
    m_view.setProgressPosition(0);
    m_view.setProgressBarVisible(false);
    m_barPercent = 0;
    m_barShown = false;
    m_tailPercent = -1;
}

bool LinkSession::CheckPacket(int32_t count, const uint8_t *buff)
{
    return m_decoder.CheckPacket(count, buff);
}

void LinkSession::CheckProgress()
{
    // Packets arriving outside a transfer, or while its end or cancel is in progress, change
    // nothing beyond the decoder's counters.
    if (m_uploadState != Transferring || m_completing)
        return;
    const int32_t logCount = m_decoder.Log_Count;
    if (logCount == 0) {
        if (m_cancelling)
            return;
        m_completing = true;
        m_prompts.notice(QStringLiteral("No data recorded."));
        endTransfer();
        m_completing = false;
        return;
    }
    const int32_t getCount = m_decoder.Get_Count;
    const int percent = int(int64_t(getCount) * 100 / logCount);
    showProgressText(getCount, logCount, percent);
    // The label changes with every packet, the bar a hundred times in an upload: it is only
    // touched when what it shows changes.
    if (percent != m_barPercent) {
        m_view.setProgressPosition(percent);
        m_barPercent = percent;
    }
    if (!m_barShown) {
        m_view.setProgressBarVisible(true);
        m_barShown = true;
    }
    if (getCount != logCount || m_cancelling)
        return;
    completeTransfer();
}

void LinkSession::showProgressText(int32_t getCount, int32_t logCount, int percent)
{
    // Runs for every packet of an upload. Everything after the count changes a hundred
    // times in an upload and is kept; two texts are used in turn: the view holds a copy of
    // the last one, so the other is usually free again and is rewritten in place, without an
    // allocation. A text still held elsewhere is detached by resize() as any shared string is.
    if (percent != m_tailPercent || logCount != m_tailLog) {
        m_tail.resize(PROGRESS_TAIL_MAX);
        m_tail.resize(progressTail(reinterpret_cast<char16_t *>(m_tail.data()), logCount, percent));
        m_tailPercent = percent;
        m_tailLog = logCount;
    }
    char16_t count[12];
    const qsizetype digits = putDecimal(count, getCount) - count;
    m_progressFlip ^= 1;
    QString &shown = m_progressTexts[m_progressFlip];
    shown.resize(digits + m_tail.size());
    char16_t *out = reinterpret_cast<char16_t *>(shown.data());
    std::memcpy(out, count, size_t(digits) * sizeof(char16_t));
    std::memcpy(out + digits, m_tail.utf16(), size_t(m_tail.size()) * sizeof(char16_t));
    m_view.setProgressText(shown);
}

void LinkSession::completeTransfer()
{
    m_completing = true;
    FileDialogSpec dialogSpec;
    dialogSpec.filterName = QStringLiteral("csvファイル");
    dialogSpec.filterPattern = QStringLiteral("*.csv");
    dialogSpec.defaultExtension = QStringLiteral("csv");
    SaveDialogFileName = m_prompts.saveFileName(dialogSpec);
    const bool saved = !SaveDialogFileName.isEmpty() && m_save && m_save(m_prompts);
    if (saved) {
        // The sensor's memory is cleared only once the file reads back as the recording.
        const bool verified = SavedFileMatches(SaveDialogFileName);
        EntryNewData(SOURCE_UPLOAD);
        m_view.setUploadEnabled(SetFreeNo());
        // Without a link (lost meanwhile) nothing is written; the recording stays in the
        // sensor, which is safe. A write that goes out but is never confirmed is reported.
        const bool linked = m_linkState;
        if (!verified)
            m_prompts.error(QStringLiteral("The recording was saved but could not be verified. "
                                           "It is still in the sensor."));
        else if (!waitForWrite(QLatin1String(COMMAND_CLEAR)) && linked)
            m_prompts.notice(
                QStringLiteral("The sensor did not confirm that its memory was cleared."));
    }
    endTransfer();
    m_completing = false;
}

void LinkSession::endTransfer()
{
    closeLink();
    m_view.setScanEnabled(true);
    m_view.setSetEnabled(true);
    m_view.setCloseEnabled(true);
    m_uploadState = Idle;
    m_view.setUploadCaption(kUploadCaption);
}

void LinkSession::Cancel()
{
    m_cancelling = true;
    waitForWrite(QLatin1String(COMMAND_CANCEL));
    m_cancelling = false;
    endTransfer();
}

void LinkSession::Button3Click()
{
    if (m_busy || m_uploadState != Idle)
        return;
    m_pending = m_view.setupCommandText();
    m_writeDone = false;
    if (!Connect())
        return;
    m_prompts.notice(QStringLiteral("Set up %1.").arg(m_selectedSerial));
    // The message may be closed before the link is up: the command is still given its time.
    m_busy = true;
    waitUntil([this] { return m_writeDone || m_lost; }, m_writeTimeoutMs, true);
    m_busy = false;
    const bool sent = m_writeDone;
    closeLink();
    if (!sent)
        m_prompts.notice(QStringLiteral("Unable to set up %1.").arg(m_selectedSerial));
}
