// The simulated adapter (see simadapter.h).
#include "simadapter.h"

#include <QDBusServiceWatcher>
#include <QTimer>

namespace {

const QString IFACE_ADAPTER = QStringLiteral("org.bluez.Adapter1");
const QString IFACE_AGENT_MANAGER = QStringLiteral("org.bluez.AgentManager1");
const QString IFACE_PROFILE_MANAGER = QStringLiteral("org.bluez.ProfileManager1");
const QString ERROR_NOT_READY = QStringLiteral("org.bluez.Error.NotReady");
const QString ERROR_IN_PROGRESS = QStringLiteral("org.bluez.Error.InProgress");
const QString ERROR_FAILED = QStringLiteral("org.bluez.Error.Failed");
const QString ERROR_DOES_NOT_EXIST = QStringLiteral("org.bluez.Error.DoesNotExist");

} // namespace

SimAdapter::SimAdapter(ObjectTree &tree, const SimConfig &config, const QList<SensorModel> &models,
                       QObject *parent)
    : QObject(parent), m_tree(tree), m_config(config), m_powered(config.powered)
{
    m_watcher = new QDBusServiceWatcher(this);
    m_watcher->setConnection(m_tree.bus());
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &s) {
        // bluetoothd ends a discovery whose client has left the bus.
        if (s == m_discoveryClient)
            stopDiscovery();
        m_watcher->removeWatchedService(s);
    });
    exportObjects();
    const SimTimings timings{config.connectDelayMs, config.resolveDelayMs, config.pairDelayMs};
    for (int i = 0; i < config.sensors.size(); ++i) {
        auto *device = new SimDevice(m_tree, QLatin1String(PATH), sensorAddress(i),
                                     config.sensors[i], models[i], timings, this);
        device->setPowered(m_powered);
        // Paired devices are known to bluetoothd before any discovery; others appear when
        // a discovery sees them.
        if (models[i].paired)
            device->exportDevice(false);
        m_devices.append(device);
    }
}

SimDevice *SimAdapter::device(const QString &name) const
{
    for (SimDevice *d : m_devices) {
        if (d->name() == name)
            return d;
    }
    return nullptr;
}

void SimAdapter::exportObjects()
{
    const QString root = QStringLiteral("/org/bluez");
    m_tree.addObject(root, {{IFACE_AGENT_MANAGER, {}}, {IFACE_PROFILE_MANAGER, {}}});
    const auto accept = [this](const QDBusMessage &call) { m_tree.reply(call); };
    for (const char *m : {"RegisterAgent", "UnregisterAgent", "RequestDefaultAgent"})
        m_tree.setMethod(root, IFACE_AGENT_MANAGER, QLatin1String(m), accept);
    for (const char *m : {"RegisterProfile", "UnregisterProfile"})
        m_tree.setMethod(root, IFACE_PROFILE_MANAGER, QLatin1String(m), accept);

    const QString path = QLatin1String(PATH);
    m_tree.addObject(path,
                     {{IFACE_ADAPTER,
                       {{QStringLiteral("Address"), m_config.adapterAddress},
                        {QStringLiteral("AddressType"), QStringLiteral("public")},
                        {QStringLiteral("Name"), QStringLiteral("keldra-sim")},
                        {QStringLiteral("Alias"), QStringLiteral("keldra-sim")},
                        {QStringLiteral("Class"), QVariant::fromValue<quint32>(0)},
                        {QStringLiteral("Powered"), m_powered},
                        {QStringLiteral("Discoverable"), false},
                        {QStringLiteral("DiscoverableTimeout"), QVariant::fromValue<quint32>(180)},
                        {QStringLiteral("Pairable"), true},
                        {QStringLiteral("PairableTimeout"), QVariant::fromValue<quint32>(0)},
                        {QStringLiteral("Discovering"), false},
                        {QStringLiteral("UUIDs"), QStringList()},
                        {QStringLiteral("Modalias"), QStringLiteral("usb:v1D6Bp0246d0542")}}}});
    m_tree.setMethod(path, IFACE_ADAPTER, QStringLiteral("SetDiscoveryFilter"), accept);
    m_tree.setMethod(path, IFACE_ADAPTER, QStringLiteral("StartDiscovery"),
                     [this](const QDBusMessage &call) { startDiscoveryCall(call); });
    m_tree.setMethod(path, IFACE_ADAPTER, QStringLiteral("StopDiscovery"),
                     [this](const QDBusMessage &call) { stopDiscoveryCall(call); });
    m_tree.setMethod(path, IFACE_ADAPTER, QStringLiteral("RemoveDevice"),
                     [this](const QDBusMessage &call) { removeDeviceCall(call); });
    m_tree.setSetter(path, IFACE_ADAPTER, QStringLiteral("Powered"), [this](const QVariant &v) {
        setPowered(v.toBool());
        return QString();
    });
    for (const char *name : {"Discoverable", "Pairable"}) {
        const QString n = QLatin1String(name);
        m_tree.setSetter(path, IFACE_ADAPTER, n, [this, n](const QVariant &v) {
            setAdapterProperty(n, v.toBool());
            return QString();
        });
    }
}

void SimAdapter::setAdapterProperty(const QString &name, const QVariant &value)
{
    m_tree.setProperty(QLatin1String(PATH), IFACE_ADAPTER, name, value);
}

void SimAdapter::setPowered(bool on)
{
    if (on == m_powered)
        return;
    m_powered = on;
    if (!on) {
        stopDiscovery();
        for (SimDevice *d : std::as_const(m_devices))
            d->dropLink();
    }
    for (SimDevice *d : std::as_const(m_devices))
        d->setPowered(on);
    setAdapterProperty(QStringLiteral("Powered"), on);
}

void SimAdapter::startDiscoveryCall(const QDBusMessage &call)
{
    if (!m_powered) {
        m_tree.replyError(call, ERROR_NOT_READY, QStringLiteral("Resource Not Ready"));
        return;
    }
    if (m_discovering) {
        m_tree.replyError(call, ERROR_IN_PROGRESS, QStringLiteral("Operation already in progress"));
        return;
    }
    m_discovering = true;
    m_discoveryClient = call.service();
    m_watcher->addWatchedService(m_discoveryClient);
    m_tree.reply(call);
    setAdapterProperty(QStringLiteral("Discovering"), true);
    const int generation = ++m_discoveryGeneration;
    QTimer::singleShot(m_config.discoveryDelayMs, this, [this, generation] {
        if (generation != m_discoveryGeneration || !m_discovering)
            return;
        for (SimDevice *d : std::as_const(m_devices))
            d->seen();
    });
}

void SimAdapter::stopDiscoveryCall(const QDBusMessage &call)
{
    if (!m_discovering) {
        m_tree.replyError(call, ERROR_FAILED, QStringLiteral("No discovery started"));
        return;
    }
    m_tree.reply(call);
    stopDiscovery();
}

void SimAdapter::stopDiscovery()
{
    if (!m_discovering)
        return;
    m_discovering = false;
    ++m_discoveryGeneration;
    m_discoveryClient.clear();
    setAdapterProperty(QStringLiteral("Discovering"), false);
}

void SimAdapter::removeDeviceCall(const QDBusMessage &call)
{
    const QString path = qvariant_cast<QDBusObjectPath>(call.arguments().value(0)).path();
    for (SimDevice *d : std::as_const(m_devices)) {
        if (d->path() == path && d->isExported()) {
            d->dropLink();
            d->model().paired = false;
            m_tree.removeObject(path);
            m_tree.reply(call);
            return;
        }
    }
    m_tree.replyError(call, ERROR_DOES_NOT_EXIST, QStringLiteral("Does Not Exist"));
}
