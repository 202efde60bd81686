// The simulated BlueZ daemon as QtBluetooth's BlueZ backend sees it: discovery with the
// pairing state, connect, service and descriptor discovery, notifications switched through
// the configuration descriptor, a write with its completion, the whole upload stream, and the
// faults (link loss, unanswered write, refused connect, adapter off). Runs under
// scripts/sensor-bus with the sensors listed in CMakeLists.txt.
#include "protocol.h"
#include "sensorrecording.h"
#include "simclient.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothLocalDevice>
#include <QLowEnergyController>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

QByteArray frame(const QByteArray &text)
{
    return '\x02' + text + '\x03';
}

// The sensor's link as the viewer opens it: connected, details discovered, notifications on.
struct Link
{
    std::unique_ptr<QLowEnergyController> controller;
    std::unique_ptr<QLowEnergyService> service;
    QLowEnergyCharacteristic writeChar;
    QLowEnergyCharacteristic notifyChar;
    QByteArray received;
};

} // namespace

class TestBluezQt : public QObject
{
    Q_OBJECT

    QList<QBluetoothDeviceInfo> m_devices;

    QBluetoothDeviceInfo device(const QString &name) const
    {
        for (const QBluetoothDeviceInfo &d : m_devices) {
            if (d.name() == name)
                return d;
        }
        return {};
    }

    // Connects and readies the link; false (with a test failure) when a step does not come.
    bool open(const QString &name, Link &link)
    {
        link.controller.reset(QLowEnergyController::createCentral(device(name)));
        QSignalSpy connected(link.controller.get(), &QLowEnergyController::connected);
        link.controller->connectToDevice();
        if (!connected.wait(5000))
            return false;
        QSignalSpy discovered(link.controller.get(), &QLowEnergyController::discoveryFinished);
        link.controller->discoverServices();
        if (discovered.isEmpty() && !discovered.wait(5000))
            return false;
        link.service.reset(link.controller->createServiceObject(
            QBluetoothUuid(QString::fromLatin1(SENSOR_SERVICE_UUID))));
        if (!link.service)
            return false;
        QSignalSpy details(link.service.get(), &QLowEnergyService::stateChanged);
        link.service->discoverDetails();
        if (!QTest::qWaitFor(
                [&] { return link.service->state() == QLowEnergyService::RemoteServiceDiscovered; },
                5000))
            return false;
        link.writeChar =
            link.service->characteristic(QBluetoothUuid(QString::fromLatin1(SENSOR_WRITE_UUID)));
        link.notifyChar =
            link.service->characteristic(QBluetoothUuid(QString::fromLatin1(SENSOR_NOTIFY_UUID)));
        if (!link.writeChar.isValid() || !link.notifyChar.isValid())
            return false;
        connect(link.service.get(), &QLowEnergyService::characteristicChanged, this,
                [&link](const QLowEnergyCharacteristic &, const QByteArray &value) {
                    link.received += value;
                });
        const QLowEnergyDescriptor cccd = link.notifyChar.descriptor(
            QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration);
        QSignalSpy cccdWritten(link.service.get(), &QLowEnergyService::descriptorWritten);
        link.service->writeDescriptor(cccd, QByteArray::fromHex("0100"));
        return cccdWritten.wait(5000);
    }

    bool write(Link &link, const QByteArray &bytes)
    {
        QSignalSpy written(link.service.get(), &QLowEnergyService::characteristicWritten);
        link.service->writeCharacteristic(link.writeChar, bytes);
        return written.wait(5000) && written.first().at(1).toByteArray() == bytes;
    }

    void close(Link &link)
    {
        QSignalSpy gone(link.controller.get(), &QLowEnergyController::disconnected);
        link.controller->disconnectFromDevice();
        QVERIFY(gone.wait(5000));
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!SimClient::onPrivateBus(&why))
            QFAIL(qPrintable(why));
        // The discovery runs until the unpaired sensor has been seen, not for a fixed time: on
        // a loaded machine the simulator may announce it later than any short time-out.
        QBluetoothDeviceDiscoveryAgent agent;
        agent.setLowEnergyDiscoveryTimeout(0);
        QSignalSpy canceled(&agent, &QBluetoothDeviceDiscoveryAgent::canceled);
        agent.start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
        QVERIFY(agent.isActive());
        const auto seen = [&] {
            for (const QBluetoothDeviceInfo &d : agent.discoveredDevices()) {
                if (d.name() == QLatin1String("Vm731-0099"))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(seen(), 10000);
        agent.stop();
        QTRY_COMPARE(canceled.size(), 1);
        m_devices = agent.discoveredDevices();
    }

    void discoveryListsPairedDevicesFirstInTreeOrder()
    {
        QStringList names;
        for (const QBluetoothDeviceInfo &d : std::as_const(m_devices))
            names.append(d.name());
        // Paired devices are known before the discovery starts; the unpaired one is seen later.
        QCOMPARE(names, QStringList({"Vm731-0042", "Vm731-A7", "Other-1", "Vm731-LOST",
                                     "Vm731-MUTE", "Vm731-DENY", "Vm731-UNTR", "Vm731-0099"}));
    }

    void pairingStatusComesFromPairedAndTrusted()
    {
        QBluetoothLocalDevice local;
        QVERIFY(local.isValid());
        QCOMPARE(local.pairingStatus(device("Vm731-0042").address()),
                 QBluetoothLocalDevice::AuthorizedPaired);
        QCOMPARE(local.pairingStatus(device("Vm731-UNTR").address()),
                 QBluetoothLocalDevice::Paired);
        QCOMPARE(local.pairingStatus(device("Vm731-0099").address()),
                 QBluetoothLocalDevice::Unpaired);
    }

    void uploadStreamArrivesWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("20-byte notifications") << "Vm731-0042";
        QTest::newRow("244-byte notifications") << "Vm731-A7";
    }
    void uploadStreamArrivesWhole()
    {
        QFETCH(QString, name);
        QVERIFY(SimClient::reload(name));
        const QByteArray expected = encodeStream(generateRecording(300, 1, true));
        Link link;
        QVERIFY(open(name, link));
        const QByteArray request = frame("RS,250307140510") + frame("GS4");
        QVERIFY(write(link, request));
        QTRY_COMPARE_WITH_TIMEOUT(link.received.size(), expected.size(), 10000);
        QCOMPARE(link.received, expected);
        QVERIFY(write(link, frame("@CLR")));
        close(link);
        const QVariantMap state = SimClient::state(name);
        QCOMPARE(state.value("clock").toString(), QString("250307140510"));
        QCOMPARE(state.value("clears").toInt(), 1);
        QCOMPARE(state.value("samples").toInt(), 0);
        QCOMPARE(state.value("connected").toBool(), false);
        QCOMPARE(SimClient::writes(name), QList<QByteArray>({request, frame("@CLR")}));
    }

    void lostLinkGivesDisconnectedWithoutError()
    {
        Link link;
        QVERIFY(open("Vm731-LOST", link));
        QSignalSpy gone(link.controller.get(), &QLowEnergyController::disconnected);
        QSignalSpy failed(link.controller.get(), &QLowEnergyController::errorOccurred);
        QVERIFY(write(link, frame("GS4")));
        // Notifications, and so the loss, may come before the write's completion.
        QTRY_COMPARE_WITH_TIMEOUT(gone.size(), 1, 10000);
        QCOMPARE(failed.size(), 0);
        const QVariantMap state = SimClient::state("Vm731-LOST");
        QCOMPARE(state.value("dataPacketsSent").toInt(), 100);
        QCOMPARE(state.value("samples").toInt(), 300);
    }

    void unansweredWriteFailsWhenTheLinkCloses()
    {
        Link link;
        QVERIFY(open("Vm731-MUTE", link));
        QSignalSpy written(link.service.get(), &QLowEnergyService::characteristicWritten);
        QSignalSpy failed(link.service.get(), &QLowEnergyService::errorOccurred);
        link.service->writeCharacteristic(link.writeChar, frame("GC"));
        QTRY_COMPARE(SimClient::writes("Vm731-MUTE").size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(written.size(), 0);
        close(link);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first().at(0).value<QLowEnergyService::ServiceError>(),
                 QLowEnergyService::CharacteristicWriteError);
        QCOMPARE(written.size(), 0);
    }

    void refusedConnectIsAnError()
    {
        std::unique_ptr<QLowEnergyController> c(
            QLowEnergyController::createCentral(device("Vm731-DENY")));
        QSignalSpy failed(c.get(), &QLowEnergyController::errorOccurred);
        c->connectToDevice();
        QVERIFY(failed.wait(5000));
        QCOMPARE(c->state(), QLowEnergyController::UnconnectedState);
    }

    void adapterOffStopsDiscovery()
    {
        QVERIFY(SimClient::setPowered(false));
        QBluetoothDeviceDiscoveryAgent agent;
        QSignalSpy failed(&agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred);
        agent.start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(agent.error(), QBluetoothDeviceDiscoveryAgent::PoweredOffError);
        QVERIFY(SimClient::setPowered(true));
    }
};

QTEST_GUILESS_MAIN(TestBluezQt)
#include "test_bluez_qt.moc"
