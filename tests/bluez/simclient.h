// The tests' side of the simulator's control interface: what each simulated sensor received
// and holds, and its faults. Every call goes to the private bus of scripts/sensor-bus.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QList>
#include <QStringList>
#include <QVariantMap>

class SimClient
{
public:
    // True when this process runs on a private bus that the simulator serves; tests refuse
    // to run otherwise, so that they never reach the machine's own system bus.
    static bool onPrivateBus(QString *why)
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS") ||
            qEnvironmentVariableIsEmpty("BLUETOOTH_FORCE_DBUS_LE_VERSION")) {
            *why = QStringLiteral("run through scripts/sensor-bus (DBUS_SYSTEM_BUS_ADDRESS unset)");
            return false;
        }
        const QDBusMessage answer = call(QStringLiteral("Sensors"), {});
        if (answer.type() != QDBusMessage::ReplyMessage) {
            *why = QStringLiteral("no simulator on the bus: ") + answer.errorMessage();
            return false;
        }
        return true;
    }

    static QVariantMap state(const QString &name)
    {
        return qdbus_cast<QVariantMap>(call(QStringLiteral("State"), {name}).arguments().value(0));
    }
    static QList<QByteArray> writes(const QString &name)
    {
        const QVariant v = call(QStringLiteral("Writes"), {name}).arguments().value(0);
        if (v.userType() != qMetaTypeId<QDBusArgument>())
            return v.value<QList<QByteArray>>();
        QList<QByteArray> out;
        v.value<QDBusArgument>() >> out;
        return out;
    }
    static QStringList commands(const QString &name)
    {
        return call(QStringLiteral("Commands"), {name}).arguments().value(0).toStringList();
    }
    static bool setFault(const QString &name, const QString &key, const QVariant &value)
    {
        return call(QStringLiteral("SetFault"),
                    {name, key, QVariant::fromValue(QDBusVariant(value))})
                   .type() == QDBusMessage::ReplyMessage;
    }
    static bool setPowered(bool on)
    {
        return call(QStringLiteral("SetPowered"), {on}).type() == QDBusMessage::ReplyMessage;
    }
    // The sensor goes out of range: its link drops.
    static bool loseLink(const QString &name)
    {
        return call(QStringLiteral("LoseLink"), {name}).type() == QDBusMessage::ReplyMessage;
    }
    static bool reload(const QString &name)
    {
        return call(QStringLiteral("Reload"), {name}).type() == QDBusMessage::ReplyMessage;
    }

private:
    static QDBusMessage call(const QString &method, const QVariantList &args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.bluez"), QStringLiteral("/org/keldra/sim"),
            QStringLiteral("org.keldra.SensorSim1"), method);
        m.setArguments(args);
        return QDBusConnection::systemBus().call(m, QDBus::Block, 5000);
    }
};
