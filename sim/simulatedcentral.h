// The Bluetooth LE central on simulated sensors: discovery lists the SensorModels added to
// it, and a timer pumps each linked sensor's notifications at a configurable pace. Every
// report is emitted from the event loop of the thread it lives in (the user-interface thread),
// never from inside the call that caused it.
#pragma once

#include "blecentral.h"

#include <QTimer>

class SensorModel;

class SimulatedCentral : public BleCentral
{
    Q_OBJECT
public:
    explicit SimulatedCentral(QObject *parent = nullptr);

    // The sensors in range, in list order (not owned).
    void addSensor(SensorModel *sensor) { m_sensors.append(sensor); }
    void clearSensors() { m_sensors.clear(); }

    bool available = true;    // false: discovery cannot start
    int discoveryMs = 0;      // time until discovery ends by itself (capped by its time-out)
    int connectDelayMs = 0;   // time from connectDevice to the connected report
    int notifyIntervalMs = 0; // pause between two bursts of notifications
    int notificationsPerBurst = 1;
    // As on QtBluetooth: service discovery opens the link, so a sensor that refuses to
    // connect lists no services and connectFailed() says why; otherwise connectDevice refuses.
    bool linkInDiscovery = false;

    bool discovering() const { return m_discoveryTimer.isActive(); }
    bool linkUp() const { return m_link >= 0; }
    // A connected report is still to come.
    bool connecting() const { return m_connecting >= 0; }
    // The link drops as when the sensor goes out of range (linkLost follows at once).
    void loseLink();
    // The adapter is switched off: a running discovery reports discoveryFailed, and none can
    // start until available is set again.
    void switchOff();
    // The sensor behind a device handle of the last discovery, nullptr when none.
    SensorModel *sensor(Device device) const;

    bool startDiscovery(int timeoutMs) override;
    void cancelDiscovery() override;
    QString deviceName(Device device) const override;
    bool devicePaired(Device device) const override;
    void discoverServices(Device device) override;
    QList<Service> services(Device device) const override;
    QString serviceUuid(Service service) const override;
    QList<Characteristic> serviceCharacteristics(Service service) const override;
    QString characteristicUuid(Characteristic characteristic) const override;
    bool connectFailed(Device device) const override;
    bool connectDevice(Device device) override;
    void setNotification(Device device, Characteristic characteristic, bool on) override;
    void writeCharacteristic(Device device, Characteristic characteristic,
                             const QByteArray &value) override;
    QByteArray characteristicValue(Characteristic characteristic) const override;
    void disconnectDevice(Device device) override;

private:
    // Handles: device d has service d * 4 + 1, notify characteristic d * 4 + 2, write d * 4 + 3.
    static Service serviceOf(Device d) { return d * 4 + 1; }
    static Characteristic notifyOf(Device d) { return d * 4 + 2; }
    static Characteristic writeOf(Device d) { return d * 4 + 3; }
    void endDiscovery();
    void pump();
    void dropLink();

    QList<SensorModel *> m_sensors;
    QList<SensorModel *> m_found;
    QList<Device> m_servicesKnown;
    QTimer m_discoveryTimer;
    QTimer m_pumpTimer;
    Device m_connecting = -1;
    Device m_link = -1;
    Device m_connectFailed = -1;
    bool m_notifying = false;
    QByteArray m_value;
};
