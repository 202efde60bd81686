// One Bluetooth LE peripheral as BlueZ presents it: its Device1 object under the adapter and,
// while connected, its GATT service with the sensor's write and notify characteristics and
// the notify characteristic's configuration descriptor. Behind it sits the sensor model that
// the in-process simulated central also uses; this front feeds it the writes and pumps its
// notifications onto the bus at the sensor's pace.
#pragma once

#include "objecttree.h"
#include "sensormodel.h"
#include "simconfig.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QTimer>

struct SimTimings
{
    int connectDelayMs = 20;
    int resolveDelayMs = 20;
    int pairDelayMs = 50;
};

class SimDevice : public QObject
{
    Q_OBJECT
public:
    SimDevice(ObjectTree &tree, const QString &adapterPath, const QString &address,
              const SensorSpec &sensorSpec, const SensorModel &model, const SimTimings &timings,
              QObject *parent = nullptr);

    QString path() const { return m_path; }
    QString name() const { return m_model.name(); }
    const SensorSpec &sensorSpec() const { return m_spec; }
    SensorModel &model() { return m_model; }
    const SensorModel &model() const { return m_model; }

    // Exports the Device1 object (with RSSI when seen by a discovery).
    void exportDevice(bool seen);
    bool isExported() const { return m_tree.hasObject(m_path); }
    // A discovery has seen the device: RSSI appears or changes.
    void seen();
    // The adapter was switched off or the device removed: the link drops.
    void dropLink();

    bool isConnected() const { return m_connected; }
    bool isNotifying() const { return !m_notifySessions.isEmpty(); }
    void setPowered(bool powered) { m_powered = powered; }
    // Pause between notifications in ms; 0 sends as fast as the bus takes them.
    void setPace(int ms);

    int notificationsSent() const { return m_notificationsSent; }
    int notificationsDropped() const { return m_notificationsDropped; }

public slots:
    // Sends one notification of the notify characteristic; dropped unless a client has
    // switched notifications on (as a peripheral whose configuration descriptor is off).
    void notify(const QByteArray &value);
    // The peripheral goes out of range: the link drops without Disconnect being called.
    void loseLink();

private:
    void setupDeviceMethods();
    void connectCall(const QDBusMessage &call);
    void disconnectCall(const QDBusMessage &call);
    void pairCall(const QDBusMessage &call);
    void exportGatt();
    void writeValueCall(const QDBusMessage &call);
    void startNotifyCall(const QDBusMessage &call);
    void stopNotifyCall(const QDBusMessage &call);
    void cccdReadCall(const QDBusMessage &call);
    void endLink();
    void pump();
    void clientGone(const QString &client);
    void setDeviceProperty(const QString &name, const QVariant &value);

    ObjectTree &m_tree;
    QString m_adapterPath;
    QString m_address;
    QString m_path;
    QString m_servicePath;
    QString m_writePath;
    QString m_notifyPath;
    QString m_cccdPath;
    SensorSpec m_spec;
    SimTimings m_timings;
    bool m_powered = true;
    bool m_connecting = false;
    bool m_connected = false;
    // Bumped whenever the link goes down, so that timers of an older link do nothing.
    int m_linkGeneration = 0;
    QSet<QString> m_notifySessions;
    QList<QDBusMessage> m_unanswered;
    SensorModel m_model;
    QTimer m_pump;
    int m_notificationsSent = 0;
    int m_notificationsDropped = 0;
    class QDBusServiceWatcher *m_watcher = nullptr;
};
