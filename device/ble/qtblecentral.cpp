// QtBluetooth behind the Bluetooth LE central interface.
#include "qtblecentral.h"
#include "eventwait.h"
#include "platformcentral.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothLocalDevice>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QTimer>

namespace {

QString uuidText(const QBluetoothUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

// Qt 6.4 has no named values for the Client Characteristic Configuration descriptor.
const QByteArray kNotifyOn = QByteArray::fromHex("0100");
const QByteArray kNotifyOff = QByteArray::fromHex("0000");

constexpr int kWriteError = 1;

} // namespace

QtBleCentral::QtBleCentral(QObject *parent) : BleCentral(parent) {}

QtBleCentral::~QtBleCentral()
{
    // Deleting a connected controller would leave the link up.
    if (m_controller)
        m_controller->disconnectFromDevice();
}

bool QtBleCentral::startDiscovery(int timeoutMs)
{
    delete m_agent;
    m_agent = new QBluetoothDeviceDiscoveryAgent(this);
    m_agent->setLowEnergyDiscoveryTimeout(timeoutMs);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::finished, this, &QtBleCentral::endDiscovery);
    // Stopping a running discovery reports canceled(), not finished().
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::canceled, this, &QtBleCentral::endDiscovery);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this, [this] {
        if (m_discovering && !m_agent->isActive()) {
            m_discovering = false;
            emit discoveryFailed();
        }
    });
    // An adapter that is off or missing reports its error from inside start(): that is a
    // discovery that could not start, not one that ended with nothing found.
    m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
    if (m_agent->error() != QBluetoothDeviceDiscoveryAgent::NoError || !m_agent->isActive())
        return false;
    m_discovering = true;
    return true;
}

void QtBleCentral::cancelDiscovery()
{
    if (m_agent && m_discovering && m_agent->isActive())
        m_agent->stop();
}

void QtBleCentral::endDiscovery()
{
    if (!m_discovering)
        return;
    m_discovering = false;
    // The adapter is looked up when the object is made: make it now, not at start-up.
    delete m_local;
    m_local = new QBluetoothLocalDevice(this);
    // An adapter switched off while the discovery ran ends it as if it had run its course,
    // with what was found before: that scan failed, its devices cannot be reached.
    if (!m_local->isValid() || m_local->hostMode() == QBluetoothLocalDevice::HostPoweredOff) {
        emit discoveryFailed();
        return;
    }
    m_devices = m_agent->discoveredDevices();
    QList<Device> devices;
    for (int i = 0; i < m_devices.size(); ++i)
        devices.append(i);
    emit discoveryEnded(devices);
}

QString QtBleCentral::deviceName(Device device) const
{
    return device >= 0 && device < m_devices.size() ? m_devices[device].name() : QString();
}

bool QtBleCentral::devicePaired(Device device) const
{
    if (!m_local || device < 0 || device >= m_devices.size())
        return false;
    const auto status = m_local->pairingStatus(m_devices[device].address());
    return status == QBluetoothLocalDevice::Paired ||
           status == QBluetoothLocalDevice::AuthorizedPaired;
}

bool QtBleCentral::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return waitForCondition(this, &QtBleCentral::progressed, done, timeoutMs,
                            QEventLoop::ExcludeUserInputEvents);
}

bool QtBleCentral::linked() const
{
    return m_controller && (m_controller->state() == QLowEnergyController::ConnectedState ||
                            m_controller->state() == QLowEnergyController::DiscoveredState);
}

void QtBleCentral::dropController()
{
    ++m_token;
    // Later: this may run inside one of their own signals.
    for (QLowEnergyService *s : std::as_const(m_services))
        s->deleteLater();
    m_services.clear();
    m_chars.clear();
    if (m_controller) {
        m_closing = true;
        m_controller->disconnectFromDevice();
        m_controller->deleteLater();
        m_controller.clear();
    }
    m_controllerDevice = -1;
}

void QtBleCentral::discoverServices(Device device)
{
    if (device < 0 || device >= m_devices.size())
        return;
    dropController();
    m_connectFailed = -1;
    m_failed = false;
    m_closing = false;
    QLowEnergyController *c = QLowEnergyController::createCentral(m_devices[device], this);
    m_controller = c;
    m_controllerDevice = device;
    connect(c, &QLowEnergyController::connected, this, &QtBleCentral::progressed);
    connect(c, &QLowEnergyController::discoveryFinished, this, &QtBleCentral::progressed);
    connect(c, &QLowEnergyController::errorOccurred, this, [this, c] {
        if (c != m_controller)
            return;
        m_failed = true;
        emit progressed();
    });
    connect(c, &QLowEnergyController::disconnected, this, [this, c] {
        // Qt reports a lost link as a plain disconnected() without an error.
        if (c != m_controller)
            return;
        m_failed = true;
        emit progressed();
        if (!m_closing)
            emit linkLost();
    });

    QElapsedTimer clock;
    clock.start();
    auto left = [&] { return std::max(1, m_linkTimeoutMs - int(clock.elapsed())); };
    // The link could not be opened or did not last until the services were known: the
    // connect failed. The controller goes, so that nothing of it reports later.
    auto fail = [&] {
        dropController();
        m_connectFailed = device;
    };
    c->connectToDevice();
    if (!waitFor([&] { return m_failed || linked(); }, left()) || m_failed)
        return fail();
    bool discovered = false;
    auto finished =
        connect(c, &QLowEnergyController::discoveryFinished, this, [&] { discovered = true; });
    c->discoverServices();
    waitFor([&] { return m_failed || discovered; }, left());
    disconnect(finished);
    if (m_failed || !discovered)
        return fail();
    for (const QBluetoothUuid &uuid : c->services()) {
        QLowEnergyService *s = c->createServiceObject(uuid, this);
        if (!s)
            continue;
        connect(s, &QLowEnergyService::stateChanged, this, &QtBleCentral::progressed);
        connect(s, &QLowEnergyService::errorOccurred, this, &QtBleCentral::progressed);
        s->discoverDetails();
        const bool settled = waitFor(
            [&] {
                return m_failed || s->state() == QLowEnergyService::RemoteServiceDiscovered ||
                       s->state() == QLowEnergyService::InvalidService ||
                       s->error() != QLowEnergyService::NoError;
            },
            left());
        if (m_failed || !settled) {
            s->deleteLater();
            return fail();
        }
        addService(s);
    }
}

bool QtBleCentral::connectFailed(Device device) const
{
    return device >= 0 && device == m_connectFailed;
}

void QtBleCentral::addService(QLowEnergyService *s)
{
    const int index = int(m_services.size());
    m_services.append(s);
    for (const QLowEnergyCharacteristic &c : s->characteristics())
        m_chars.append({index, c, QByteArray()});
    connect(s, &QLowEnergyService::characteristicChanged, this,
            [this, s](const QLowEnergyCharacteristic &c, const QByteArray &value) {
                const Characteristic h = find(s, c);
                if (h < 0)
                    return;
                m_chars[h].value = value;
                emit valueChanged(h, GATT_SUCCESS);
            });
    connect(s, &QLowEnergyService::characteristicWritten, this,
            [this, s](const QLowEnergyCharacteristic &c, const QByteArray &) {
                const Characteristic h = find(s, c);
                emit written(h, GATT_SUCCESS);
            });
    connect(s, &QLowEnergyService::errorOccurred, this, [this](QLowEnergyService::ServiceError e) {
        // A refused write still ends the wait for its completion.
        if (e == QLowEnergyService::CharacteristicWriteError)
            emit written(m_lastWrite, kWriteError);
    });
}

BleCentral::Characteristic QtBleCentral::find(const QLowEnergyService *service,
                                              const QLowEnergyCharacteristic &c) const
{
    for (int i = 0; i < m_chars.size(); ++i) {
        if (m_services[m_chars[i].service] == service && m_chars[i].characteristic == c)
            return i;
    }
    return -1;
}

QList<BleCentral::Service> QtBleCentral::services(Device device) const
{
    QList<Service> out;
    if (device == m_controllerDevice) {
        for (int i = 0; i < m_services.size(); ++i)
            out.append(i);
    }
    return out;
}

QString QtBleCentral::serviceUuid(Service service) const
{
    return service >= 0 && service < m_services.size()
               ? uuidText(m_services[service]->serviceUuid())
               : QString();
}

QList<BleCentral::Characteristic> QtBleCentral::serviceCharacteristics(Service service) const
{
    QList<Characteristic> out;
    for (int i = 0; i < m_chars.size(); ++i) {
        if (m_chars[i].service == service)
            out.append(i);
    }
    return out;
}

QString QtBleCentral::characteristicUuid(Characteristic c) const
{
    return c >= 0 && c < m_chars.size() ? uuidText(m_chars[c].characteristic.uuid()) : QString();
}

bool QtBleCentral::connectDevice(Device device)
{
    if (device != m_controllerDevice || !linked())
        return false;
    const int token = m_token;
    // The link is already up; the report must still come after this call has returned.
    QTimer::singleShot(0, this, [this, token] {
        if (token == m_token && linked())
            emit connected();
    });
    return true;
}

void QtBleCentral::setNotification(Device device, Characteristic c, bool on)
{
    if (device != m_controllerDevice || c < 0 || c >= m_chars.size() || !linked())
        return;
    const Chr &chr = m_chars[c];
    const QLowEnergyDescriptor cccd = chr.characteristic.descriptor(
        QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration);
    if (cccd.isValid())
        m_services[chr.service]->writeDescriptor(cccd, on ? kNotifyOn : kNotifyOff);
}

void QtBleCentral::writeCharacteristic(Device device, Characteristic c, const QByteArray &value)
{
    if (device != m_controllerDevice || c < 0 || c >= m_chars.size() || !linked()) {
        QTimer::singleShot(0, this, [this, c] { emit written(c, kWriteError); });
        return;
    }
    m_lastWrite = c;
    const Chr &chr = m_chars[c];
    m_services[chr.service]->writeCharacteristic(chr.characteristic, value,
                                                 QLowEnergyService::WriteWithResponse);
}

QByteArray QtBleCentral::characteristicValue(Characteristic c) const
{
    return c >= 0 && c < m_chars.size() ? m_chars[c].value : QByteArray();
}

void QtBleCentral::disconnectDevice(Device device)
{
    if (device == m_controllerDevice)
        dropController();
}

BleCentral *createPlatformCentral(QObject *parent)
{
    return new QtBleCentral(parent);
}
