// The simulator's D-Bus objects: one virtual object at "/" that holds every exported path with
// its interfaces and properties, answers Properties, ObjectManager and Introspectable calls
// itself, and hands every other method call to the handler registered for it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMap>
#include <QSet>
#include <QVariantMap>
#include <functional>

using InterfaceMap = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, InterfaceMap>;

inline const QString IFACE_PROPERTIES = QStringLiteral("org.freedesktop.DBus.Properties");
inline const QString IFACE_OBJECT_MANAGER = QStringLiteral("org.freedesktop.DBus.ObjectManager");
inline const QString IFACE_INTROSPECTABLE = QStringLiteral("org.freedesktop.DBus.Introspectable");

class ObjectTree : public QDBusVirtualObject
{
    Q_OBJECT
public:
    // A method handler answers the call itself, at once or later (see reply/replyError).
    using Method = std::function<void(const QDBusMessage &call)>;
    // A writable property: returns an empty string to accept the value, or a BlueZ error
    // name to refuse it.
    using Setter = std::function<QString(const QVariant &value)>;

    explicit ObjectTree(QDBusConnection bus, QObject *parent = nullptr);

    // Registers the tree at "/" (sub-paths included).
    bool registerOnBus();

    // Objects reported by GetManagedObjects are those under managedRoot ("/org/bluez").
    void addObject(const QString &path, const InterfaceMap &interfaces);
    // Removes path and everything under it; announces every managed one, children first.
    void removeObject(const QString &path);
    bool hasObject(const QString &path) const { return m_objects.contains(path); }

    QVariant property(const QString &path, const QString &iface, const QString &name) const;
    // Changes a property and emits PropertiesChanged when the value differs (or always
    // when force is set, as BlueZ does for a characteristic's Value).
    void setProperty(const QString &path, const QString &iface, const QString &name,
                     const QVariant &value, bool force = false);

    void setMethod(const QString &path, const QString &iface, const QString &member, Method method);
    void setSetter(const QString &path, const QString &iface, const QString &name, Setter setter);

    // Answers a call whose handler returned without replying.
    void reply(const QDBusMessage &call, const QVariantList &args = {});
    void replyError(const QDBusMessage &call, const QString &name, const QString &text);

    QDBusConnection &bus() { return m_bus; }
    // Logs every call and signal to stderr.
    void setVerbose(bool on) { m_verbose = on; }

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    struct Object
    {
        InterfaceMap interfaces;
        QMap<QString, Method> methods; // "iface.member"
        QMap<QString, Setter> setters; // "iface.name"
    };

    bool isManaged(const QString &path) const;
    void handleProperties(const QDBusMessage &call, Object &object);
    void handleGetManagedObjects(const QDBusMessage &call);
    void emitSignal(const QString &path, const QString &iface, const QString &member,
                    const QVariantList &args);

    QDBusConnection m_bus;
    QMap<QString, Object> m_objects;
    bool m_verbose = false;
};
