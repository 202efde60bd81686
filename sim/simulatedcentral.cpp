// The simulated central's discovery, link, writes and notification pump.
#include "simulatedcentral.h"
#include "protocol.h"
#include "sensormodel.h"

SimulatedCentral::SimulatedCentral(QObject *parent) : BleCentral(parent)
{
    m_discoveryTimer.setSingleShot(true);
    connect(&m_discoveryTimer, &QTimer::timeout, this, &SimulatedCentral::endDiscovery);
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimulatedCentral::pump);
}

SensorModel *SimulatedCentral::sensor(Device device) const
{
    return device >= 0 && device < m_found.size() ? m_found[device] : nullptr;
}

bool SimulatedCentral::startDiscovery(int timeoutMs)
{
    if (!available)
        return false;
    m_discoveryTimer.start(std::min(discoveryMs, timeoutMs));
    return true;
}

void SimulatedCentral::cancelDiscovery()
{
    if (!m_discoveryTimer.isActive())
        return;
    m_discoveryTimer.stop();
    endDiscovery();
}

void SimulatedCentral::switchOff()
{
    available = false;
    if (!m_discoveryTimer.isActive())
        return;
    m_discoveryTimer.stop();
    QTimer::singleShot(0, this, [this] { emit discoveryFailed(); });
}

void SimulatedCentral::endDiscovery()
{
    m_found = m_sensors;
    m_servicesKnown.clear();
    QList<Device> devices;
    for (int i = 0; i < m_found.size(); ++i)
        devices.append(i);
    emit discoveryEnded(devices);
}

QString SimulatedCentral::deviceName(Device device) const
{
    const SensorModel *s = sensor(device);
    return s ? s->name() : QString();
}

bool SimulatedCentral::devicePaired(Device device) const
{
    const SensorModel *s = sensor(device);
    return s && s->paired;
}

void SimulatedCentral::discoverServices(Device device)
{
    const SensorModel *s = sensor(device);
    m_connectFailed = -1;
    m_servicesKnown.removeAll(device);
    if (!s)
        return;
    if (linkInDiscovery) {
        if (!s->connectable) {
            m_connectFailed = device;
            return;
        }
        // As on QtBluetooth: the link stays up for the connect that follows (or for a
        // disconnect when the caller finds what it needs missing).
        if (m_link != device)
            disconnectDevice(m_link);
        m_link = device;
        m_notifying = false;
        m_found[device]->linkUp();
    }
    m_servicesKnown.append(device);
}

bool SimulatedCentral::connectFailed(Device device) const
{
    return device >= 0 && device == m_connectFailed;
}

QList<BleCentral::Service> SimulatedCentral::services(Device device) const
{
    const SensorModel *s = sensor(device);
    if (!s || !s->offersService || !m_servicesKnown.contains(device))
        return {};
    return {serviceOf(device)};
}

QString SimulatedCentral::serviceUuid(Service service) const
{
    return service % 4 == 1 && sensor(service / 4) ? QLatin1String(SENSOR_SERVICE_UUID) : QString();
}

QList<BleCentral::Characteristic> SimulatedCentral::serviceCharacteristics(Service service) const
{
    const SensorModel *s = service % 4 == 1 ? sensor(service / 4) : nullptr;
    if (!s)
        return {};
    QList<Characteristic> out;
    if (s->hasWriteCharacteristic)
        out.append(writeOf(service / 4));
    if (s->hasNotifyCharacteristic)
        out.append(notifyOf(service / 4));
    return out;
}

QString SimulatedCentral::characteristicUuid(Characteristic c) const
{
    if (!sensor(c / 4))
        return QString();
    if (c % 4 == 2)
        return QLatin1String(SENSOR_NOTIFY_UUID);
    if (c % 4 == 3)
        return QLatin1String(SENSOR_WRITE_UUID);
    return QString();
}

bool SimulatedCentral::connectDevice(Device device)
{
    SensorModel *s = sensor(device);
    if (linkInDiscovery && device == m_link) {
        QTimer::singleShot(connectDelayMs, this, [this, device] {
            if (m_link == device)
                emit connected();
        });
        return true;
    }
    if (!s || !s->connectable)
        return false;
    m_connecting = device;
    QTimer::singleShot(connectDelayMs, this, [this, device] {
        if (m_connecting != device)
            return;
        m_connecting = -1;
        m_link = device;
        m_notifying = false;
        sensor(device)->linkUp();
        emit connected();
    });
    return true;
}

void SimulatedCentral::setNotification(Device device, Characteristic c, bool on)
{
    if (device != m_link || c != notifyOf(device))
        return;
    m_notifying = on;
}

void SimulatedCentral::writeCharacteristic(Device device, Characteristic c, const QByteArray &value)
{
    if (device != m_link || c != writeOf(device)) {
        QTimer::singleShot(0, this, [this, c] { emit written(c, 1); });
        return;
    }
    SensorModel *s = sensor(device);
    if (s->receiveWrite(value))
        QTimer::singleShot(0, this, [this, c] { emit written(c, GATT_SUCCESS); });
    if (s->linkDropRequested()) {
        QTimer::singleShot(0, this, [this, device] {
            if (m_link == device)
                dropLink();
        });
        return;
    }
    if (!m_pumpTimer.isActive())
        m_pumpTimer.start(notifyIntervalMs);
}

QByteArray SimulatedCentral::characteristicValue(Characteristic) const
{
    return m_value;
}

void SimulatedCentral::disconnectDevice(Device device)
{
    if (device == m_connecting)
        m_connecting = -1;
    if (device != m_link)
        return;
    m_pumpTimer.stop();
    m_link = -1;
    m_notifying = false;
    if (SensorModel *s = sensor(device))
        s->linkDown();
}

void SimulatedCentral::loseLink()
{
    if (m_link >= 0)
        dropLink();
}

void SimulatedCentral::dropLink()
{
    disconnectDevice(m_link);
    emit linkLost();
}

void SimulatedCentral::pump()
{
    for (int n = 0; n < std::max(1, notificationsPerBurst); ++n) {
        SensorModel *s = sensor(m_link);
        if (!s) {
            m_pumpTimer.stop();
            return;
        }
        if (s->linkDropRequested()) {
            dropLink();
            return;
        }
        if (!s->hasNotification()) {
            m_pumpTimer.stop();
            return;
        }
        const QByteArray value = s->nextNotification();
        if (!m_notifying)
            continue;
        m_value = value;
        // The handler may nest event loops that pump again; the link may be gone afterwards.
        emit valueChanged(notifyOf(m_link), GATT_SUCCESS);
    }
}
