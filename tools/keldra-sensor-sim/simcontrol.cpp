// The simulator's control interface (see simcontrol.h).
#include "simcontrol.h"

#include "simadapter.h"
#include "simconfig.h"
#include "simdevice.h"

#include <QDBusVariant>

namespace {

const QString ERROR_UNKNOWN = QStringLiteral("org.keldra.SensorSim1.Error.UnknownSensor");
const QString ERROR_BAD_FAULT = QStringLiteral("org.keldra.SensorSim1.Error.BadFault");

} // namespace

SimControl::SimControl(ObjectTree &tree, SimAdapter &adapter,
                       const QList<SensorRecording> &recordings, QObject *parent)
    : QObject(parent), m_tree(tree), m_adapter(adapter), m_recordings(recordings)
{
    const QString path = QLatin1String(PATH);
    const QString iface = QLatin1String(INTERFACE);
    m_tree.addObject(path, {{iface, {}}});
    m_tree.setMethod(path, iface, QStringLiteral("Sensors"), [this](const QDBusMessage &call) {
        QStringList names;
        for (const SimDevice *d : m_adapter.devices())
            names.append(d->name());
        m_tree.reply(call, {names});
    });
    m_tree.setMethod(path, iface, QStringLiteral("Writes"), [this](const QDBusMessage &call) {
        if (SimDevice *d = deviceOf(call))
            m_tree.reply(call, {QVariant::fromValue(d->model().writes)});
    });
    m_tree.setMethod(path, iface, QStringLiteral("Commands"), [this](const QDBusMessage &call) {
        if (SimDevice *d = deviceOf(call))
            m_tree.reply(call, {d->model().commands});
    });
    m_tree.setMethod(path, iface, QStringLiteral("State"),
                     [this](const QDBusMessage &call) { state(call); });
    m_tree.setMethod(path, iface, QStringLiteral("SetFault"),
                     [this](const QDBusMessage &call) { setFault(call); });
    m_tree.setMethod(path, iface, QStringLiteral("SetPowered"), [this](const QDBusMessage &call) {
        m_adapter.setPowered(call.arguments().value(0).toBool());
        m_tree.reply(call);
    });
    m_tree.setMethod(path, iface, QStringLiteral("LoseLink"), [this](const QDBusMessage &call) {
        if (SimDevice *d = deviceOf(call)) {
            d->loseLink();
            m_tree.reply(call);
        }
    });
    m_tree.setMethod(path, iface, QStringLiteral("Reload"), [this](const QDBusMessage &call) {
        if (SimDevice *d = deviceOf(call)) {
            d->model().setRecording(m_recordings.value(m_adapter.devices().indexOf(d)));
            m_tree.reply(call);
        }
    });
}

SimDevice *SimControl::deviceOf(const QDBusMessage &call)
{
    const QString name = call.arguments().value(0).toString();
    SimDevice *d = m_adapter.device(name);
    if (!d)
        m_tree.replyError(call, ERROR_UNKNOWN, QStringLiteral("No sensor named \"%1\"").arg(name));
    return d;
}

void SimControl::state(const QDBusMessage &call)
{
    SimDevice *d = deviceOf(call);
    if (!d)
        return;
    const SensorModel &m = d->model();
    const SensorModel::Conditions &c = m.conditions;
    const QVariantMap state{
        {QStringLiteral("name"), m.name()},
        {QStringLiteral("paired"), m.paired},
        {QStringLiteral("connected"), d->isConnected()},
        {QStringLiteral("notifying"), d->isNotifying()},
        {QStringLiteral("linked"), m.linked()},
        {QStringLiteral("streaming"), m.streaming()},
        {QStringLiteral("samples"), int(m.recording().samples.size())},
        {QStringLiteral("announced"), m.recording().announcedCount()},
        {QStringLiteral("clock"), m.clock},
        {QStringLiteral("rateCode"), c.rateCode},
        {QStringLiteral("thick"), c.thick},
        {QStringLiteral("accCode"), c.accCode},
        {QStringLiteral("gyroCode"), c.gyroCode},
        {QStringLiteral("autoOffMinutes"), c.autoOffMinutes},
        {QStringLiteral("uploads"), m.uploads},
        {QStringLiteral("cancels"), m.cancels},
        {QStringLiteral("clears"), m.clears},
        {QStringLiteral("dataPacketsSent"), m.dataPacketsSent()},
        {QStringLiteral("notificationsSent"), d->notificationsSent()},
        {QStringLiteral("notificationsDropped"), d->notificationsDropped()},
    };
    m_tree.reply(call, {state});
}

void SimControl::setFault(const QDBusMessage &call)
{
    SimDevice *d = deviceOf(call);
    if (!d)
        return;
    const QString key = call.arguments().value(1).toString();
    const QVariant value = qvariant_cast<QDBusVariant>(call.arguments().value(2)).variant();
    SensorModel &m = d->model();
    if (key == QLatin1String("lose-after"))
        m.loseLinkAfterPacket = value.toInt();
    else if (key == QLatin1String("mute"))
        m.neverCompleteWrite = value.toBool();
    else if (key == QLatin1String("lose-on"))
        m.loseLinkOnCommand = value.toString();
    else if (key == QLatin1String("refuse"))
        m.connectable = !value.toBool();
    else if (key == QLatin1String("garbage"))
        m.garbage = value.toBool() ? simGarbage() : QByteArray();
    else if (key == QLatin1String("chunk") && value.toInt() >= 1)
        m.notificationSize = value.toInt();
    else if (key == QLatin1String("pace") && value.toInt() >= 0)
        d->setPace(value.toInt());
    else {
        m_tree.replyError(call, ERROR_BAD_FAULT, QStringLiteral("Unknown fault \"%1\"").arg(key));
        return;
    }
    m_tree.reply(call);
}
