// What the simulator exports: its adapter, its timings and the sensors behind it, as given on
// the command line.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What a sensor with the garbage fault sends between its frames: bytes outside any frame,
// stray escape and end bytes among them (never a start byte).
QByteArray simGarbage();

struct SensorSpec
{
    QString serial;         // the name is "Vm731-" + serial unless name is given
    QString name;           // full advertised name (another device than a sensor)
    bool paired = true;     // in the adapter's tree from the start
    bool trusted = true;    // Paired and Trusted: Qt reports AuthorizedPaired
    QString file;           // measurement file holding the recording; empty: generated
    int samples = 600;      // length of a generated recording
    int chunk = 20;         // bytes per notification (ATT MTU - 3)
    int paceMs = 0;         // pause between notifications; 0: as fast as the bus takes them
    int loseAfter = -1;     // the link drops after this many packets of an upload (-1: never)
    bool mute = false;      // writes reach nothing and are never answered
    bool refuse = false;    // Connect fails
    bool garbage = false;   // bytes outside frames between the packets
    int rssi = -58;         // dBm, reported once discovery has seen the sensor
    int rateCode = 1;       // sampling-interval code of a generated recording
    bool escapeAll = false; // every payload byte escaped
    bool offersService = true;
    bool hasWrite = true;
    bool hasNotify = true;

    QString advertisedName() const;
};

struct SimConfig
{
    QList<SensorSpec> sensors;
    QString adapterAddress = QStringLiteral("00:1A:7D:DA:71:0A");
    bool powered = true;
    int connectDelayMs = 20;    // Connect until Connected
    int resolveDelayMs = 20;    // Connected until ServicesResolved
    int discoveryDelayMs = 100; // discovery start until the sensors are seen
    int pairDelayMs = 50;
    QString readyFile;  // written once org.bluez is owned
    QString busAddress; // empty: the bus in DBUS_SYSTEM_BUS_ADDRESS
    bool verbose = false;
};

// Parses one --sensor value: comma-separated key=value pairs (see the --help text). Returns
// false with a message for an unknown key or a bad value.
bool parseSensorSpec(const QString &text, SensorSpec *sensorSpec, QString *error);
// The D-Bus path element of a device address ("dev_C0_FF_EE_00_73_01").
QString devicePathElement(const QString &address);
// Address of the index-th sensor: C0:FF:EE:00:73:<index + 1>, so that the adapter's tree
// lists the sensors in command-line order.
QString sensorAddress(int index);
