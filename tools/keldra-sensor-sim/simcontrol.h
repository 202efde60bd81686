// The simulator's control interface org.keldra.SensorSim1 at /org/keldra/sim, beside the
// BlueZ tree: tests and demos read what each sensor received and holds, and switch faults.
#pragma once

#include "objecttree.h"
#include "sensorrecording.h"

#include <QList>
#include <QObject>

class SimAdapter;
class SimDevice;

class SimControl : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *PATH = "/org/keldra/sim";
    static constexpr const char *INTERFACE = "org.keldra.SensorSim1";

    // recordings: each sensor's recording as loaded, for Reload (same order as the devices).
    SimControl(ObjectTree &tree, SimAdapter &adapter, const QList<SensorRecording> &recordings,
               QObject *parent = nullptr);

private:
    SimDevice *deviceOf(const QDBusMessage &call);
    void state(const QDBusMessage &call);
    void setFault(const QDBusMessage &call);

    ObjectTree &m_tree;
    SimAdapter &m_adapter;
    QList<SensorRecording> m_recordings;
};
