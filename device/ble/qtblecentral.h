// The Bluetooth LE central on QtBluetooth: LE device discovery with a time-out, the paired
// state from the local adapter, and one QLowEnergyController for the GATT link. Qt opens the
// link before services can be discovered, so discoverServices connects, discovers the
// services and their details in a nested event loop that takes no user input, bounded by a
// time-out; connectDevice then only reports the link that is already up (queued). A link that
// cannot be opened there is reported by connectFailed.
#pragma once

#include "blecentral.h"

#include <QBluetoothDeviceInfo>
#include <QLowEnergyCharacteristic>
#include <QPointer>

class QBluetoothDeviceDiscoveryAgent;
class QBluetoothLocalDevice;
class QLowEnergyController;
class QLowEnergyService;

class QtBleCentral : public BleCentral
{
    Q_OBJECT
public:
    explicit QtBleCentral(QObject *parent = nullptr);
    ~QtBleCentral() override;

    // Bound of the whole connect-and-discover step, ms.
    void setLinkTimeout(int ms) { m_linkTimeoutMs = ms; }

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

signals:
    // Internal: a controller or service report arrived (wakes the nested wait).
    void progressed();

private:
    struct Chr
    {
        int service;
        QLowEnergyCharacteristic characteristic;
        QByteArray value;
    };
    void endDiscovery();
    void dropController();
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    bool linked() const;
    Characteristic find(const QLowEnergyService *service, const QLowEnergyCharacteristic &c) const;
    void addService(QLowEnergyService *service);

    QBluetoothDeviceDiscoveryAgent *m_agent = nullptr;
    QBluetoothLocalDevice *m_local = nullptr;
    bool m_discovering = false;
    QList<QBluetoothDeviceInfo> m_devices;

    QPointer<QLowEnergyController> m_controller;
    Device m_controllerDevice = -1;
    Device m_connectFailed = -1; // the last discoverServices could not open the link
    bool m_failed = false;
    bool m_closing = false;
    int m_token = 0;
    int m_linkTimeoutMs = 20000;
    QList<QLowEnergyService *> m_services;
    QList<Chr> m_chars;
    Characteristic m_lastWrite = -1;
};
