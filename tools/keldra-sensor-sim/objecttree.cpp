// The simulator's D-Bus object tree (see objecttree.h).
#include "objecttree.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <cstdio>

namespace {

const QString MANAGED_ROOT = QStringLiteral("/org/bluez");

const char *ERROR_UNKNOWN_METHOD = "org.freedesktop.DBus.Error.UnknownMethod";
const char *ERROR_UNKNOWN_OBJECT = "org.freedesktop.DBus.Error.UnknownObject";
const char *ERROR_INVALID_ARGS = "org.freedesktop.DBus.Error.InvalidArgs";
const char *ERROR_PROPERTY_READ_ONLY = "org.freedesktop.DBus.Error.PropertyReadOnly";

QString xmlEscape(const QString &s)
{
    return s.toHtmlEscaped();
}

} // namespace

ObjectTree::ObjectTree(QDBusConnection bus, QObject *parent)
    : QDBusVirtualObject(parent), m_bus(std::move(bus))
{
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ManagedObjects>();
    qDBusRegisterMetaType<QByteArrayList>();
}

bool ObjectTree::registerOnBus()
{
    return m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
}

bool ObjectTree::isManaged(const QString &path) const
{
    return path == MANAGED_ROOT || path.startsWith(MANAGED_ROOT + QLatin1Char('/'));
}

void ObjectTree::addObject(const QString &path, const InterfaceMap &interfaces)
{
    Object &object = m_objects[path];
    for (auto it = interfaces.begin(); it != interfaces.end(); ++it)
        object.interfaces.insert(it.key(), it.value());
    if (isManaged(path)) {
        emitSignal(QStringLiteral("/"), IFACE_OBJECT_MANAGER, QStringLiteral("InterfacesAdded"),
                   {QVariant::fromValue(QDBusObjectPath(path)), QVariant::fromValue(interfaces)});
    }
}

void ObjectTree::removeObject(const QString &path)
{
    // Deepest paths first, so that a descriptor goes before its characteristic.
    QStringList doomed;
    for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
        if (it.key() == path || it.key().startsWith(path + QLatin1Char('/')))
            doomed.append(it.key());
    }
    std::sort(doomed.begin(), doomed.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &p : doomed) {
        const QStringList names = m_objects.value(p).interfaces.keys();
        m_objects.remove(p);
        if (isManaged(p)) {
            emitSignal(QStringLiteral("/"), IFACE_OBJECT_MANAGER,
                       QStringLiteral("InterfacesRemoved"),
                       {QVariant::fromValue(QDBusObjectPath(p)), names});
        }
    }
}

QVariant ObjectTree::property(const QString &path, const QString &iface, const QString &name) const
{
    return m_objects.value(path).interfaces.value(iface).value(name);
}

void ObjectTree::setProperty(const QString &path, const QString &iface, const QString &name,
                             const QVariant &value, bool force)
{
    auto object = m_objects.find(path);
    if (object == m_objects.end())
        return;
    QVariantMap &props = object->interfaces[iface];
    if (!force && props.value(name) == value)
        return;
    props.insert(name, value);
    emitSignal(path, IFACE_PROPERTIES, QStringLiteral("PropertiesChanged"),
               {iface, QVariantMap{{name, value}}, QStringList()});
}

void ObjectTree::setMethod(const QString &path, const QString &iface, const QString &member,
                           Method method)
{
    if (!m_objects.contains(path))
        return;
    m_objects[path].methods.insert(iface + QLatin1Char('.') + member, std::move(method));
}

void ObjectTree::setSetter(const QString &path, const QString &iface, const QString &name,
                           Setter setter)
{
    if (!m_objects.contains(path))
        return;
    m_objects[path].setters.insert(iface + QLatin1Char('.') + name, std::move(setter));
}

void ObjectTree::reply(const QDBusMessage &call, const QVariantList &args)
{
    QDBusMessage answer = call.createReply(args);
    m_bus.send(answer);
}

void ObjectTree::replyError(const QDBusMessage &call, const QString &name, const QString &text)
{
    if (m_verbose)
        std::fprintf(stderr, "sim: error %s: %s\n", qPrintable(name), qPrintable(text));
    m_bus.send(call.createErrorReply(name, text));
}

void ObjectTree::emitSignal(const QString &path, const QString &iface, const QString &member,
                            const QVariantList &args)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, iface, member);
    signal.setArguments(args);
    m_bus.send(signal);
}

QString ObjectTree::introspect(const QString &path) const
{
    QString xml;
    const auto object = m_objects.constFind(path);
    if (object != m_objects.constEnd()) {
        for (auto it = object->interfaces.begin(); it != object->interfaces.end(); ++it)
            xml += QStringLiteral("  <interface name=\"%1\"/>\n").arg(xmlEscape(it.key()));
    }
    // Direct children, so that generic browsers can walk the tree.
    const QString prefix = path == QLatin1String("/") ? path : path + QLatin1Char('/');
    QSet<QString> children;
    for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
        if (it.key().startsWith(prefix) && it.key() != path)
            children.insert(it.key().mid(prefix.size()).section(QLatin1Char('/'), 0, 0));
    }
    QStringList sorted(children.begin(), children.end());
    sorted.sort();
    for (const QString &child : sorted)
        xml += QStringLiteral("  <node name=\"%1\"/>\n").arg(xmlEscape(child));
    return xml;
}

bool ObjectTree::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    QDBusMessage call = message;
    call.setDelayedReply(true);
    const QString path = call.path();
    if (m_verbose) {
        std::fprintf(stderr, "sim: %s %s.%s\n", qPrintable(path), qPrintable(call.interface()),
                     qPrintable(call.member()));
    }
    if (call.interface() == IFACE_INTROSPECTABLE) {
        reply(call, {QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object "
                                    "Introspection 1.0//EN\"\n \"http://www.freedesktop.org/"
                                    "standards/dbus/1.0/introspect.dtd\">\n<node>\n") +
                     introspect(path) + QStringLiteral("</node>\n")});
        return true;
    }
    if (path == QLatin1String("/") && call.interface() == IFACE_OBJECT_MANAGER &&
        call.member() == QLatin1String("GetManagedObjects")) {
        handleGetManagedObjects(call);
        return true;
    }
    auto object = m_objects.find(path);
    if (object == m_objects.end()) {
        replyError(call, QLatin1String(ERROR_UNKNOWN_OBJECT),
                   QStringLiteral("No such object %1").arg(path));
        return true;
    }
    if (call.interface() == IFACE_PROPERTIES) {
        handleProperties(call, *object);
        return true;
    }
    const auto method =
        object->methods.constFind(call.interface() + QLatin1Char('.') + call.member());
    if (method == object->methods.constEnd()) {
        replyError(call, QLatin1String(ERROR_UNKNOWN_METHOD),
                   QStringLiteral("No method %1.%2").arg(call.interface(), call.member()));
        return true;
    }
    // The handler may change the tree, so it runs on a copy.
    const Method handler = *method;
    handler(call);
    return true;
}

void ObjectTree::handleProperties(const QDBusMessage &call, Object &object)
{
    const QVariantList args = call.arguments();
    const QString iface = args.value(0).toString();
    const QString name = args.value(1).toString();
    const auto props = object.interfaces.constFind(iface);
    if (call.member() == QLatin1String("GetAll")) {
        reply(call, {props == object.interfaces.constEnd() ? QVariantMap() : *props});
        return;
    }
    if (props == object.interfaces.constEnd() || !props->contains(name)) {
        replyError(call, QLatin1String(ERROR_INVALID_ARGS),
                   QStringLiteral("No such property '%1'").arg(name));
        return;
    }
    if (call.member() == QLatin1String("Get")) {
        reply(call, {QVariant::fromValue(QDBusVariant(props->value(name)))});
        return;
    }
    if (call.member() != QLatin1String("Set")) {
        replyError(call, QLatin1String(ERROR_UNKNOWN_METHOD), call.member());
        return;
    }
    const auto setter = object.setters.constFind(iface + QLatin1Char('.') + name);
    if (setter == object.setters.constEnd()) {
        replyError(call, QLatin1String(ERROR_PROPERTY_READ_ONLY),
                   QStringLiteral("Property '%1' is not writable").arg(name));
        return;
    }
    const Setter apply = *setter;
    const QString refused = apply(qvariant_cast<QDBusVariant>(args.value(2)).variant());
    if (refused.isEmpty())
        reply(call);
    else
        replyError(call, refused, QStringLiteral("Invalid value for '%1'").arg(name));
}

void ObjectTree::handleGetManagedObjects(const QDBusMessage &call)
{
    ManagedObjects all;
    for (auto it = m_objects.begin(); it != m_objects.end(); ++it) {
        if (isManaged(it.key()) && !it->interfaces.isEmpty())
            all.insert(QDBusObjectPath(it.key()), it->interfaces);
    }
    reply(call, {QVariant::fromValue(all)});
}
