// One simulated peripheral on the BlueZ object tree (see simdevice.h).
#include "simdevice.h"

#include <QDBusArgument>
#include <QDBusServiceWatcher>
#include <QTimer>

namespace {

const QString IFACE_DEVICE = QStringLiteral("org.bluez.Device1");
const QString IFACE_SERVICE = QStringLiteral("org.bluez.GattService1");
const QString IFACE_CHARACTERISTIC = QStringLiteral("org.bluez.GattCharacteristic1");
const QString IFACE_DESCRIPTOR = QStringLiteral("org.bluez.GattDescriptor1");

// BlueZ spells UUIDs in lower case.
const QString UUID_SERVICE = QStringLiteral("6e400001-b5a3-f393-e0a9-e50e24dcca9e");
const QString UUID_WRITE = QStringLiteral("6e400002-b5a3-f393-e0a9-e50e24dcca9e");
const QString UUID_NOTIFY = QStringLiteral("6e400003-b5a3-f393-e0a9-e50e24dcca9e");
const QString UUID_CCCD = QStringLiteral("00002902-0000-1000-8000-00805f9b34fb");

// The longest attribute value of a (long) write.
constexpr int ATT_VALUE_MAX = 512;
constexpr int ATT_HEADER = 3;

const QString ERROR_FAILED = QStringLiteral("org.bluez.Error.Failed");
const QString ERROR_NOT_READY = QStringLiteral("org.bluez.Error.NotReady");
const QString ERROR_IN_PROGRESS = QStringLiteral("org.bluez.Error.InProgress");
const QString ERROR_ALREADY_EXISTS = QStringLiteral("org.bluez.Error.AlreadyExists");
const QString ERROR_NOT_PERMITTED = QStringLiteral("org.bluez.Error.NotPermitted");
const QString ERROR_NOT_SUPPORTED = QStringLiteral("org.bluez.Error.NotSupported");
const QString ERROR_NOT_CONNECTED = QStringLiteral("org.bluez.Error.NotConnected");
const QString ERROR_INVALID_LENGTH = QStringLiteral("org.bluez.Error.InvalidValueLength");

QVariant objectPath(const QString &path)
{
    return QVariant::fromValue(QDBusObjectPath(path));
}

} // namespace

SimDevice::SimDevice(ObjectTree &tree, const QString &adapterPath, const QString &address,
                     const SensorSpec &sensorSpec, const SensorModel &model,
                     const SimTimings &timings, QObject *parent)
    : QObject(parent), m_tree(tree), m_adapterPath(adapterPath), m_address(address),
      m_path(adapterPath + QLatin1Char('/') + devicePathElement(address)),
      m_servicePath(m_path + QStringLiteral("/service0010")),
      m_writePath(m_servicePath + QStringLiteral("/char0011")),
      m_notifyPath(m_servicePath + QStringLiteral("/char0013")),
      m_cccdPath(m_notifyPath + QStringLiteral("/desc0015")), m_spec(sensorSpec),
      m_timings(timings), m_model(model)
{
    // At pace 0 the pump sends a batch per turn of the event loop, so that calls (a "GC"
    // write, a Disconnect) are still answered in the middle of an upload.
    m_pump.setInterval(m_spec.paceMs);
    connect(&m_pump, &QTimer::timeout, this, &SimDevice::pump);
    m_watcher = new QDBusServiceWatcher(this);
    m_watcher->setConnection(m_tree.bus());
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, &SimDevice::clientGone);
}

void SimDevice::exportDevice(bool seen)
{
    QVariantMap props{
        {QStringLiteral("Address"), m_address},
        {QStringLiteral("AddressType"), QStringLiteral("public")},
        {QStringLiteral("Name"), name()},
        {QStringLiteral("Alias"), name()},
        {QStringLiteral("Adapter"), objectPath(m_adapterPath)},
        {QStringLiteral("Paired"), m_model.paired},
        {QStringLiteral("Bonded"), m_model.paired},
        {QStringLiteral("Trusted"), m_model.paired && m_spec.trusted},
        {QStringLiteral("Blocked"), false},
        {QStringLiteral("LegacyPairing"), false},
        {QStringLiteral("Connected"), false},
        {QStringLiteral("ServicesResolved"), false},
        {QStringLiteral("UUIDs"),
         m_model.offersService ? QStringList{UUID_SERVICE} : QStringList()},
    };
    if (seen)
        props.insert(QStringLiteral("RSSI"), QVariant::fromValue<qint16>(m_spec.rssi));
    m_tree.addObject(m_path, {{IFACE_DEVICE, props}});
    setupDeviceMethods();
}

void SimDevice::setupDeviceMethods()
{
    m_tree.setMethod(m_path, IFACE_DEVICE, QStringLiteral("Connect"),
                     [this](const QDBusMessage &call) { connectCall(call); });
    m_tree.setMethod(m_path, IFACE_DEVICE, QStringLiteral("Disconnect"),
                     [this](const QDBusMessage &call) { disconnectCall(call); });
    m_tree.setMethod(m_path, IFACE_DEVICE, QStringLiteral("Pair"),
                     [this](const QDBusMessage &call) { pairCall(call); });
    m_tree.setMethod(m_path, IFACE_DEVICE, QStringLiteral("CancelPairing"),
                     [this](const QDBusMessage &call) { m_tree.reply(call); });
    m_tree.setSetter(m_path, IFACE_DEVICE, QStringLiteral("Trusted"), [this](const QVariant &v) {
        m_spec.trusted = v.toBool();
        setDeviceProperty(QStringLiteral("Trusted"), v.toBool());
        return QString();
    });
    m_tree.setSetter(m_path, IFACE_DEVICE, QStringLiteral("Alias"), [this](const QVariant &v) {
        setDeviceProperty(QStringLiteral("Alias"), v.toString().isEmpty() ? name() : v.toString());
        return QString();
    });
}

void SimDevice::setDeviceProperty(const QString &name, const QVariant &value)
{
    m_tree.setProperty(m_path, IFACE_DEVICE, name, value);
}

void SimDevice::seen()
{
    if (!isExported())
        exportDevice(true);
    else
        m_tree.setProperty(m_path, IFACE_DEVICE, QStringLiteral("RSSI"),
                           QVariant::fromValue<qint16>(m_spec.rssi), true);
}

void SimDevice::connectCall(const QDBusMessage &call)
{
    if (!m_powered) {
        m_tree.replyError(call, ERROR_NOT_READY, QStringLiteral("Resource Not Ready"));
        return;
    }
    if (m_connected) {
        m_tree.reply(call);
        return;
    }
    if (m_connecting) {
        m_tree.replyError(call, ERROR_IN_PROGRESS, QStringLiteral("In Progress"));
        return;
    }
    m_connecting = true;
    const int generation = m_linkGeneration;
    QTimer::singleShot(m_timings.connectDelayMs, this, [this, call, generation] {
        m_connecting = false;
        if (generation != m_linkGeneration || !m_powered) {
            m_tree.replyError(call, ERROR_FAILED, QStringLiteral("le-connection-abort-by-local"));
            return;
        }
        if (!m_model.connectable) {
            m_tree.replyError(call, ERROR_FAILED, QStringLiteral("le-connection-abort-by-local"));
            return;
        }
        // The order of bluetoothd: Connected, the reply, the GATT objects, ServicesResolved.
        m_connected = true;
        setDeviceProperty(QStringLiteral("Connected"), true);
        m_tree.reply(call);
        exportGatt();
        QTimer::singleShot(m_timings.resolveDelayMs, this, [this, generation] {
            if (generation != m_linkGeneration)
                return;
            setDeviceProperty(QStringLiteral("ServicesResolved"), true);
            m_model.linkUp();
        });
    });
}

void SimDevice::disconnectCall(const QDBusMessage &call)
{
    endLink();
    m_tree.reply(call);
}

void SimDevice::pairCall(const QDBusMessage &call)
{
    if (m_model.paired) {
        m_tree.replyError(call, ERROR_ALREADY_EXISTS, QStringLiteral("Already Exists"));
        return;
    }
    if (!m_powered) {
        m_tree.replyError(call, ERROR_NOT_READY, QStringLiteral("Resource Not Ready"));
        return;
    }
    QTimer::singleShot(m_timings.pairDelayMs, this, [this, call] {
        m_model.paired = true;
        setDeviceProperty(QStringLiteral("Paired"), true);
        setDeviceProperty(QStringLiteral("Bonded"), true);
        m_tree.reply(call);
    });
}

void SimDevice::exportGatt()
{
    const QString mtuName = QStringLiteral("MTU");
    const QVariant mtu =
        QVariant::fromValue<quint16>(quint16(m_model.notificationSize + ATT_HEADER));
    if (!m_model.offersService)
        return;
    m_tree.addObject(
        m_servicePath,
        {{IFACE_SERVICE,
          {{QStringLiteral("UUID"), UUID_SERVICE},
           {QStringLiteral("Device"), objectPath(m_path)},
           {QStringLiteral("Primary"), true},
           {QStringLiteral("Includes"), QVariant::fromValue(QList<QDBusObjectPath>())}}}});
    if (m_model.hasWriteCharacteristic)
        m_tree.addObject(
            m_writePath,
            {{IFACE_CHARACTERISTIC,
              {{QStringLiteral("UUID"), UUID_WRITE},
               {QStringLiteral("Service"), objectPath(m_servicePath)},
               {QStringLiteral("Value"), QByteArray()},
               {QStringLiteral("Flags"),
                QStringList{QStringLiteral("write"), QStringLiteral("write-without-response")}},
               {mtuName, mtu}}}});
    if (m_model.hasNotifyCharacteristic) {
        m_tree.addObject(m_notifyPath,
                         {{IFACE_CHARACTERISTIC,
                           {{QStringLiteral("UUID"), UUID_NOTIFY},
                            {QStringLiteral("Service"), objectPath(m_servicePath)},
                            {QStringLiteral("Value"), QByteArray()},
                            {QStringLiteral("Notifying"), false},
                            {QStringLiteral("Flags"), QStringList{QStringLiteral("notify")}},
                            {mtuName, mtu}}}});
        m_tree.addObject(m_cccdPath,
                         {{IFACE_DESCRIPTOR,
                           {{QStringLiteral("UUID"), UUID_CCCD},
                            {QStringLiteral("Characteristic"), objectPath(m_notifyPath)},
                            {QStringLiteral("Value"), QByteArray()}}}});
    }

    const auto notPermitted = [this](const QString &what) {
        return [this, what](const QDBusMessage &call) {
            m_tree.replyError(call, ERROR_NOT_PERMITTED, what);
        };
    };
    const auto notSupported = [this](const QDBusMessage &call) {
        m_tree.replyError(call, ERROR_NOT_SUPPORTED, QStringLiteral("Operation is not supported"));
    };
    m_tree.setMethod(m_writePath, IFACE_CHARACTERISTIC, QStringLiteral("WriteValue"),
                     [this](const QDBusMessage &call) { writeValueCall(call); });
    m_tree.setMethod(m_writePath, IFACE_CHARACTERISTIC, QStringLiteral("ReadValue"),
                     notPermitted(QStringLiteral("Read not permitted")));
    m_tree.setMethod(m_writePath, IFACE_CHARACTERISTIC, QStringLiteral("AcquireWrite"),
                     notSupported);
    m_tree.setMethod(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("StartNotify"),
                     [this](const QDBusMessage &call) { startNotifyCall(call); });
    m_tree.setMethod(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("StopNotify"),
                     [this](const QDBusMessage &call) { stopNotifyCall(call); });
    m_tree.setMethod(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("ReadValue"),
                     notPermitted(QStringLiteral("Read not permitted")));
    m_tree.setMethod(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("WriteValue"),
                     notPermitted(QStringLiteral("Write not permitted")));
    m_tree.setMethod(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("AcquireNotify"),
                     notSupported);
    m_tree.setMethod(m_cccdPath, IFACE_DESCRIPTOR, QStringLiteral("ReadValue"),
                     [this](const QDBusMessage &call) { cccdReadCall(call); });
    // bluetoothd owns the configuration descriptor; clients go through StartNotify.
    m_tree.setMethod(m_cccdPath, IFACE_DESCRIPTOR, QStringLiteral("WriteValue"),
                     notPermitted(QStringLiteral("Write not permitted")));
}

void SimDevice::writeValueCall(const QDBusMessage &call)
{
    const QByteArray value = call.arguments().value(0).toByteArray();
    const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().value(1));
    const QString type =
        options.value(QStringLiteral("type"), QStringLiteral("request")).toString();
    if (!m_connected) {
        m_tree.replyError(call, ERROR_NOT_CONNECTED, QStringLiteral("Not Connected"));
        return;
    }
    const bool withoutResponse = type == QLatin1String("command");
    if (value.size() > ATT_VALUE_MAX ||
        (withoutResponse && value.size() > m_model.notificationSize)) {
        m_tree.replyError(call, ERROR_INVALID_LENGTH, QStringLiteral("Invalid Length"));
        return;
    }
    // A sensor that never acknowledges still acts on the write; the answer is then held
    // until the link goes down.
    if (m_model.receiveWrite(value))
        m_tree.reply(call);
    else
        m_unanswered.append(call);
    if (m_model.linkDropRequested()) {
        loseLink();
        return;
    }
    if (m_model.hasNotification() && !m_pump.isActive())
        m_pump.start();
}

void SimDevice::setPace(int ms)
{
    m_spec.paceMs = ms;
    m_pump.setInterval(ms);
}

void SimDevice::pump()
{
    // One notification per tick when paced; otherwise a batch, then back to the event loop.
    constexpr int BATCH = 32;
    const int count = m_spec.paceMs > 0 ? 1 : BATCH;
    for (int i = 0; i < count && m_connected && m_model.hasNotification(); ++i) {
        notify(m_model.nextNotification());
        if (m_model.linkDropRequested()) {
            loseLink();
            break;
        }
    }
    if (!m_connected || !m_model.hasNotification())
        m_pump.stop();
}

void SimDevice::startNotifyCall(const QDBusMessage &call)
{
    if (!m_connected) {
        m_tree.replyError(call, ERROR_NOT_CONNECTED, QStringLiteral("Not Connected"));
        return;
    }
    m_notifySessions.insert(call.service());
    m_watcher->addWatchedService(call.service());
    m_tree.reply(call);
    m_tree.setProperty(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("Notifying"), true);
}

void SimDevice::stopNotifyCall(const QDBusMessage &call)
{
    if (!m_notifySessions.remove(call.service())) {
        m_tree.replyError(call, ERROR_FAILED, QStringLiteral("No notify session started"));
        return;
    }
    m_tree.reply(call);
    if (m_notifySessions.isEmpty())
        m_tree.setProperty(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("Notifying"), false);
}

void SimDevice::cccdReadCall(const QDBusMessage &call)
{
    const QByteArray value = isNotifying() ? QByteArray::fromHex("0100") : QByteArray(2, '\0');
    m_tree.reply(call, {value});
}

void SimDevice::clientGone(const QString &client)
{
    if (m_notifySessions.remove(client) && m_notifySessions.isEmpty())
        m_tree.setProperty(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("Notifying"), false);
    m_watcher->removeWatchedService(client);
}

void SimDevice::notify(const QByteArray &value)
{
    if (!m_connected || !isNotifying()) {
        ++m_notificationsDropped;
        return;
    }
    ++m_notificationsSent;
    m_tree.setProperty(m_notifyPath, IFACE_CHARACTERISTIC, QStringLiteral("Value"), value, true);
}

void SimDevice::loseLink()
{
    endLink();
}

void SimDevice::dropLink()
{
    endLink();
}

void SimDevice::endLink()
{
    ++m_linkGeneration;
    if (!m_connected)
        return;
    m_connected = false;
    for (const QDBusMessage &call : std::as_const(m_unanswered))
        m_tree.replyError(call, ERROR_FAILED, QStringLiteral("Not connected"));
    m_unanswered.clear();
    m_notifySessions.clear();
    setDeviceProperty(QStringLiteral("ServicesResolved"), false);
    setDeviceProperty(QStringLiteral("Connected"), false);
    m_tree.removeObject(m_servicePath);
    m_pump.stop();
    m_model.linkDown();
}
