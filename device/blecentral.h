// The Bluetooth LE central as the Connect dialog sees it: exactly the operations its logic
// needs. The viewer runs it on QtBluetooth (QtBleCentral); tests, tools and demos run it on
// simulated sensors (SimulatedCentral). Every report is a signal emitted on the user-interface
// thread; handlers run to completion (or nest event loops) before the next report.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class BleCentral : public QObject
{
    Q_OBJECT
public:
    // Handles of the platform's objects. A device handle is valid from the end-of-discovery
    // report that listed it until the next discovery starts; service and characteristic
    // handles from discoverServices until the device's services are discovered again.
    // -1 stands for none. Equal handles mean the very same object.
    using Device = int;
    using Service = int;
    using Characteristic = int;
    static constexpr int GATT_SUCCESS = 0;

    using QObject::QObject;

    // Starts a discovery that ends by itself after timeoutMs. False when Bluetooth LE cannot
    // be used. Exactly one discoveryEnded or discoveryFailed report follows a successful start.
    virtual bool startDiscovery(int timeoutMs) = 0;
    // Stops a discovery that is still running (it then reports its end); otherwise nothing.
    virtual void cancelDiscovery() = 0;

    virtual QString deviceName(Device device) const = 0;
    virtual bool devicePaired(Device device) const = 0;

    // Fills the device's list of services, opening the GATT link as needed; the list may be
    // empty. Blocks the caller's user input until it is done or has given up.
    virtual void discoverServices(Device device) = 0;
    virtual QList<Service> services(Device device) const = 0;
    virtual QString serviceUuid(Service service) const = 0;
    virtual QList<Characteristic> serviceCharacteristics(Service service) const = 0;
    virtual QString characteristicUuid(Characteristic characteristic) const = 0;
    // True when the last discoverServices of the device had to open the link and could not
    // (refused, lost or timed out before the services were known): for the caller that is a
    // connect that raised an error. A platform that opens the link only in connectDevice
    // reports a refused connect there and never here.
    virtual bool connectFailed(Device) const { return false; }

    // Asks for the link; false when the device cannot be connected. When true, connected()
    // follows later (never before this returns).
    virtual bool connectDevice(Device device) = 0;
    // Switches value notifications through the Client Characteristic Configuration descriptor.
    virtual void setNotification(Device device, Characteristic characteristic, bool on) = 0;
    // Sets the value and writes it whole in one GATT write (with response); written() follows.
    virtual void writeCharacteristic(Device device, Characteristic characteristic,
                                     const QByteArray &value) = 0;
    // The bytes of the last notification of the characteristic.
    virtual QByteArray characteristicValue(Characteristic characteristic) const = 0;
    // Closes the link (no linkLost report for it).
    virtual void disconnectDevice(Device device) = 0;

signals:
    // End of discovery, once per started discovery, with every device found in list order.
    void discoveryEnded(const QList<BleCentral::Device> &devices);
    // A started discovery could not go on: the platform raised an error, or the adapter was
    // switched off or went away while it ran. No discoveryEnded follows.
    void discoveryFailed();
    // The link asked for by connectDevice is up.
    void connected();
    // A notification arrived; its bytes are characteristicValue(characteristic).
    void valueChanged(BleCentral::Characteristic characteristic, int status);
    // A write finished (status GATT_SUCCESS or an error code).
    void written(BleCentral::Characteristic characteristic, int status);
    // The link went down without disconnectDevice being asked for.
    void linkLost();
};
