// keldra-sensor-sim: a simulated BlueZ daemon with Keldra sensors behind it, for a private
// D-Bus bus standing in for the system bus (see scripts/sensor-bus).
#include "objecttree.h"
#include "sensorsetup.h"
#include "simadapter.h"
#include "simcontrol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

namespace {

// bluetoothd answers --version with its version alone; Qt's backend probe reads it the same
// way from the owner of org.bluez.
const char BLUEZ_VERSION[] = "5.66";

const char SENSOR_HELP[] =
    "Sensor description for --sensor: comma-separated keys, for example\n"
    "  serial=0042,samples=12000,chunk=244\n"
    "  serial=0099,unpaired     name=Other-1     serial=LOST,lose-after=500\n"
    "Keys:\n"
    "  serial=S        advertised name \"Vm731-\"S\n"
    "  name=N          advertised name N instead (another kind of device)\n"
    "  paired=yes|no   paired with this computer (default yes); 'unpaired' = paired=no\n"
    "  trusted=yes|no  also trusted (default yes)\n"
    "  samples=N       length of the generated recording (default 600)\n"
    "  rate=C          sampling-interval code 0..5 of the generated recording (default 1)\n"
    "  file=PATH       the recording is this measurement file (must be the last key)\n"
    "  chunk=N         bytes per notification, 1..509 (default 20)\n"
    "  pace=MS         pause between notifications (default 0: as fast as possible)\n"
    "Faults:\n"
    "  lose-after=K    the link drops after K data packets of an upload\n"
    "  mute            writes are never answered\n"
    "  refuse          Connect fails\n"
    "  garbage         bytes outside frames between the packets\n"
    "  escape-all      every payload byte escaped\n"
    "  service=no, write-char=no, notify-char=no   parts of the GATT service missing\n"
    "  rssi=DBM        signal strength once discovered (default -58)\n";

const char CONTROL_HELP[] =
    "Control interface org.keldra.SensorSim1 at /org/keldra/sim on the same bus:\n"
    "  Sensors() -> as, Writes(s name) -> aay, Commands(s name) -> as,\n"
    "  State(s name) -> a{sv}, SetFault(s name, s key, v value) with the fault keys\n"
    "  above, chunk/pace and lose-on (a command text: a write holding it is neither\n"
    "  acted on nor answered, the link drops instead), SetPowered(b), LoseLink(s name)\n"
    "  drops the sensor's link, Reload(s name) restores the recording.\n";

int intOption(const QCommandLineParser &p, const QString &name, int fallback)
{
    if (!p.isSet(name))
        return fallback;
    bool ok = false;
    const int v = p.value(name).toInt(&ok);
    if (!ok || v < 0) {
        std::fprintf(stderr, "keldra-sensor-sim: bad value for --%s\n", qPrintable(name));
        std::exit(2);
    }
    return v;
}

SimConfig parseCommandLine(const QCoreApplication &app)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Simulated BlueZ daemon: owns org.bluez on the bus in "
                       "DBUS_SYSTEM_BUS_ADDRESS (or --bus) and exports an adapter with\n"
                       "simulated Keldra sensors, as bluetoothd presents them to Qt.\n\n") +
        QLatin1String(SENSOR_HELP) + QLatin1Char('\n') + QLatin1String(CONTROL_HELP));
    p.addHelpOption();
    p.addOptions({
        {QStringLiteral("sensor"), QStringLiteral("Adds a sensor (see above); repeatable."),
         QStringLiteral("description")},
        {QStringLiteral("bus"), QStringLiteral("Address of the bus to serve."),
         QStringLiteral("address")},
        {QStringLiteral("adapter-address"), QStringLiteral("Address of hci0."),
         QStringLiteral("addr")},
        {QStringLiteral("powered-off"), QStringLiteral("The adapter starts switched off.")},
        {QStringLiteral("connect-delay-ms"),
         QStringLiteral("Connect until Connected (default 20)."), QStringLiteral("ms")},
        {QStringLiteral("resolve-delay-ms"),
         QStringLiteral("Connected until ServicesResolved (default 20)."), QStringLiteral("ms")},
        {QStringLiteral("discovery-delay-ms"),
         QStringLiteral("Discovery start until sensors are seen (default 100)."),
         QStringLiteral("ms")},
        {QStringLiteral("pair-delay-ms"), QStringLiteral("Pair until paired (default 50)."),
         QStringLiteral("ms")},
        {QStringLiteral("ready-file"), QStringLiteral("Written once org.bluez is owned."),
         QStringLiteral("path")},
        {QStringLiteral("verbose"), QStringLiteral("Logs every call to stderr.")},
        {QStringLiteral("version"), QStringLiteral("Prints the BlueZ version imitated.")},
    });
    p.process(app);
    if (p.isSet(QStringLiteral("version"))) {
        std::printf("%s\n", BLUEZ_VERSION);
        std::exit(0);
    }
    SimConfig config;
    for (const QString &text : p.values(QStringLiteral("sensor"))) {
        SensorSpec sensorSpec;
        QString error;
        if (!parseSensorSpec(text, &sensorSpec, &error)) {
            std::fprintf(stderr, "keldra-sensor-sim: --sensor %s: %s\n", qPrintable(text),
                         qPrintable(error));
            std::exit(2);
        }
        config.sensors.append(sensorSpec);
    }
    if (config.sensors.isEmpty()) {
        SensorSpec one;
        one.serial = QStringLiteral("0001");
        config.sensors.append(one);
    }
    if (p.isSet(QStringLiteral("adapter-address")))
        config.adapterAddress = p.value(QStringLiteral("adapter-address"));
    config.powered = !p.isSet(QStringLiteral("powered-off"));
    config.connectDelayMs = intOption(p, QStringLiteral("connect-delay-ms"), config.connectDelayMs);
    config.resolveDelayMs = intOption(p, QStringLiteral("resolve-delay-ms"), config.resolveDelayMs);
    config.discoveryDelayMs =
        intOption(p, QStringLiteral("discovery-delay-ms"), config.discoveryDelayMs);
    config.pairDelayMs = intOption(p, QStringLiteral("pair-delay-ms"), config.pairDelayMs);
    config.readyFile = p.value(QStringLiteral("ready-file"));
    config.busAddress = p.value(QStringLiteral("bus"));
    config.verbose = p.isSet(QStringLiteral("verbose"));
    return config;
}

QDBusConnection openBus(const SimConfig &config)
{
    if (!config.busAddress.isEmpty())
        return QDBusConnection::connectToBus(config.busAddress, QStringLiteral("sim"));
    // Never the machine's own system bus: that one belongs to the real bluetoothd.
    if (qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS")) {
        std::fprintf(stderr, "keldra-sensor-sim: DBUS_SYSTEM_BUS_ADDRESS is not set; refusing "
                             "to use the machine's system bus (see scripts/sensor-bus)\n");
        std::exit(2);
    }
    return QDBusConnection::systemBus();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("keldra-sensor-sim"));
    const SimConfig config = parseCommandLine(app);

    QList<SensorModel> models;
    QList<SensorRecording> recordings;
    for (const SensorSpec &sensorSpec : config.sensors) {
        SensorRecording recording;
        QString error;
        if (!loadRecording(sensorSpec, &recording, &error)) {
            std::fprintf(stderr, "keldra-sensor-sim: %s: %s\n", qPrintable(sensorSpec.file),
                         qPrintable(error));
            return 2;
        }
        recordings.append(recording);
        models.append(buildModel(sensorSpec, recording));
    }

    QDBusConnection bus = openBus(config);
    if (!bus.isConnected()) {
        std::fprintf(stderr, "keldra-sensor-sim: cannot connect to the bus: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    ObjectTree tree(bus);
    tree.setVerbose(config.verbose);
    SimAdapter adapter(tree, config, models);
    SimControl control(tree, adapter, recordings);
    // The objects are in place before the name is taken, so that the first GetManagedObjects
    // sees the whole tree.
    if (!tree.registerOnBus()) {
        std::fprintf(stderr, "keldra-sensor-sim: cannot register objects: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    if (!bus.registerService(QStringLiteral("org.bluez"))) {
        std::fprintf(stderr, "keldra-sensor-sim: cannot own org.bluez: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    if (!config.readyFile.isEmpty()) {
        QSaveFile ready(config.readyFile);
        if (!ready.open(QIODevice::WriteOnly) ||
            ready.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n') < 0 ||
            !ready.commit()) {
            std::fprintf(stderr, "keldra-sensor-sim: cannot write %s\n",
                         qPrintable(config.readyFile));
            return 1;
        }
    }
    return app.exec();
}
