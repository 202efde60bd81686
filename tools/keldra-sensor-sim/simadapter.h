// The simulated Bluetooth adapter hci0 with its devices: Adapter1 (power, discovery, device
// removal) and the BlueZ manager object /org/bluez.
#pragma once

#include "objecttree.h"
#include "simconfig.h"
#include "simdevice.h"

#include <QList>
#include <QObject>

class QDBusServiceWatcher;

class SimAdapter : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *PATH = "/org/bluez/hci0";

    // One device per sensor of config, each behind its model (same order).
    SimAdapter(ObjectTree &tree, const SimConfig &config, const QList<SensorModel> &models,
               QObject *parent = nullptr);

    const QList<SimDevice *> &devices() const { return m_devices; }
    SimDevice *device(const QString &name) const;
    bool isPowered() const { return m_powered; }
    bool isDiscovering() const { return m_discovering; }
    // Switches the adapter on or off; off drops every link and ends a discovery.
    void setPowered(bool on);

private:
    void exportObjects();
    void startDiscoveryCall(const QDBusMessage &call);
    void stopDiscoveryCall(const QDBusMessage &call);
    void removeDeviceCall(const QDBusMessage &call);
    void stopDiscovery();
    void setAdapterProperty(const QString &name, const QVariant &value);

    ObjectTree &m_tree;
    SimConfig m_config;
    QList<SimDevice *> m_devices;
    bool m_powered = true;
    bool m_discovering = false;
    int m_discoveryGeneration = 0;
    QString m_discoveryClient;
    QDBusServiceWatcher *m_watcher = nullptr;
};
