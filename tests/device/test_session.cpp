// The link session without widgets: progress texts, command writes and link reports.
#include "commands.h"
#include "headlessconnectview.h"
#include "linksession.h"
#include "packetdecoder.h"
#include "scriptedprompts.h"
#include "sensormodel.h"
#include "simulatedcentral.h"
#include "store.h"

#include <QTest>

namespace {

struct Bench
{
    ScriptedPrompts prompts;
    HeadlessConnectView view;
    SimulatedCentral ble;
    PacketDecoder decoder;
    SensorModel sensor{QStringLiteral("0042")};
    LinkSession session{ble, decoder, prompts, view};
    QDateTime now{QDate(2025, 3, 7), QTime(14, 5, 9, 600)};

    Bench()
    {
        ResetStore();
        sensor.setRecording(generateRecording(3));
        ble.addSensor(&sensor);
        session.setClock([this] { return now; });
        session.setWriteTimeout(300);
        session.setCancelGuard(50);
        session.setSaver([](Prompts &) { return false; });
    }
    bool scan()
    {
        session.Button1Click();
        return QTest::qWaitFor([this] { return view.scanEnabled; }, 2000);
    }
    bool idle() const
    {
        return view.scanEnabled && session.uploadState() == LinkSession::Idle && !ble.linkUp();
    }
};

} // namespace

class TestSession : public QObject
{
    Q_OBJECT
private slots:
    void progressTextsOfThreeRecords();
    void progressTextsOfEveryPacketKept();
    void progressTextIsTheFormat_data();
    void progressTextIsTheFormat();
    void connectedReportTwiceSendsTwice();
    void sendCommandNeedsLinkAndText();
    void pressBeforeLinkIsUpCancelsNothing();
    void idleLinkLossShowsNothing();
    void notificationsOfOtherCharacteristicsIgnored();
};

void TestSession::progressTextsOfThreeRecords()
{
    Bench b;
    QVERIFY(b.scan());
    b.prompts.saveAnswers << QStringLiteral("unused.csv");
    b.session.Button2Click();
    QVERIFY(b.view.progressTextVisible);
    QVERIFY(!b.view.progressBarVisible);
    QVERIFY(QTest::qWaitFor([&] { return b.idle(); }, 2000));
    const QStringList expected{"", "0/3  0% Received.", "1/3  33% Received.", "2/3  66% Received.",
                               "3/3  100% Received."};
    QCOMPARE(b.view.progressTexts, expected);
    QCOMPARE(b.view.progressPosition, 100);
    QVERIFY(b.view.progressBarVisible);
    QCOMPARE(b.decoder.Log_Count, 3);
    QCOMPARE(b.decoder.Get_Count, 3);
    // The save was refused: nothing entered, nothing cleared.
    QCOMPARE(b.sensor.clears, 0);
    QCOMPARE(WindowCount, 0);
}

void TestSession::progressTextsOfEveryPacketKept()
{
    // The texts are rebuilt in place where nobody holds them: every one recorded stays as it
    // was shown.
    Bench b;
    const int records = 250;
    b.sensor.setRecording(generateRecording(records));
    b.sensor.notificationSize = 244;
    QVERIFY(b.scan());
    b.session.Button2Click();
    QVERIFY(QTest::qWaitFor([&] { return b.idle(); }, 5000));
    QStringList expected{QString()};
    for (int g = 0; g <= records; ++g)
        expected
            << QStringLiteral("%1/%2  %3% Received.").arg(g).arg(records).arg(g * 100 / records);
    QCOMPARE(b.view.progressTexts, expected);
    QCOMPARE(b.view.progressPosition, 100);
}

void TestSession::progressTextIsTheFormat_data()
{
    QTest::addColumn<int>("got");
    QTest::addColumn<int>("total");
    QTest::newRow("header") << 0 << 3;
    QTest::newRow("a third") << 1 << 3;
    QTest::newRow("full slot") << 720000 << 720000;
    QTest::newRow("beyond the slot") << 720000 << 720001;
    QTest::newRow("largest count") << 2147483647 << 2147483647;
    QTest::newRow("tens") << 10 << 100;
}

void TestSession::progressTextIsTheFormat()
{
    QFETCH(int, got);
    QFETCH(int, total);
    const auto format = [](int g, int t, int p) {
        return QStringLiteral("%1/%2  %3% Received.").arg(g).arg(t).arg(p);
    };
    const int percent = int(int64_t(got) * 100 / total);
    QCOMPARE(progressText(got, total, percent), format(got, total, percent));
    // Every count of a small upload and a spread of large ones.
    for (int g = 0; g <= 1000; ++g)
        QCOMPARE(progressText(g, 1000, g / 10), format(g, 1000, g / 10));
    for (int64_t g = 1; g <= 2147483647; g = g * 7 + 3)
        QCOMPARE(progressText(int32_t(g), total, 99), format(int(g), total, 99));
}

void TestSession::connectedReportTwiceSendsTwice()
{
    Bench b;
    b.sensor.setRecording(generateRecording(0));
    QVERIFY(b.scan());
    b.session.Button3Click(); // Set: the write goes out while the message is shown
    QCOMPARE(b.sensor.writes.size(), 1);
    // A connected report arriving again sends the pending command again, freshly dated.
    QVERIFY(b.session.Connect());
    QVERIFY(QTest::qWaitFor([&] { return b.sensor.writes.size() == 2; }, 2000));
    b.now = b.now.addSecs(61);
    b.session.BluetoothLE1Connect();
    QCOMPARE(b.sensor.writes.size(), 3);
    const QString command = b.view.setupCommandText();
    QCOMPARE(b.sensor.writes[1], commandBytes(command, true, b.now.addSecs(-61)));
    QCOMPARE(b.sensor.writes[2], commandBytes(command, true, b.now));
    QCOMPARE(b.sensor.clock, QStringLiteral("250307140611"));
    b.session.closeLink();
}

void TestSession::sendCommandNeedsLinkAndText()
{
    Bench b;
    QVERIFY(b.scan());
    b.session.SendCommand(QStringLiteral("GC"), false);
    QVERIFY(b.sensor.writes.isEmpty());
    QVERIFY(b.session.Connect());
    QVERIFY(QTest::qWaitFor([&] { return b.session.linkState(); }, 2000));
    const auto before = b.sensor.writes.size(); // the pending command went out on connect
    b.session.SendCommand(QString(), true);
    QCOMPARE(b.sensor.writes.size(), before);
    b.session.SendCommand(QStringLiteral("GC"), false);
    QCOMPARE(b.sensor.writes.last(), QByteArray("\x02GC\x03"));
    b.session.closeLink();
    QVERIFY(!b.sensor.linked());
}

void TestSession::pressBeforeLinkIsUpCancelsNothing()
{
    Bench b;
    b.ble.connectDelayMs = 100;
    b.sensor.setRecording(generateRecording(200));
    b.sensor.notificationSize = 31;
    b.ble.notifyIntervalMs = 2;
    QVERIFY(b.scan());
    b.session.Button2Click();
    QCOMPARE(b.session.uploadState(), LinkSession::Transferring);
    QVERIFY(!b.view.uploadEnabled);
    QCOMPARE(b.view.activity, ConnectView::Activity::Working);
    // The repeated press of a double click: nothing.
    b.session.Button2Click();
    QVERIFY(b.ble.connecting());
    QVERIFY(QTest::qWaitFor([&] { return b.session.cancelArmed(); }, 2000));
    QVERIFY(b.view.uploadEnabled);
    QVERIFY(b.sensor.linked());
    QCOMPARE(b.sensor.commands.value(1), QStringLiteral("GS4"));
    QVERIFY(!b.sensor.commands.contains(QStringLiteral("GC")));
    // A deliberate Cancel once it is live.
    b.session.Button2Click();
    QVERIFY(b.idle());
    QCOMPARE(b.sensor.cancels, 1);
    QVERIFY(!b.sensor.linked());
    QCOMPARE(b.view.activity, ConnectView::Activity::None);
}

void TestSession::idleLinkLossShowsNothing()
{
    Bench b;
    QVERIFY(b.scan());
    emit b.ble.linkLost();
    QVERIFY(b.prompts.messages().isEmpty());
    QVERIFY(b.idle());
}

void TestSession::notificationsOfOtherCharacteristicsIgnored()
{
    Bench b;
    b.sensor.notificationSize = 1;
    QVERIFY(b.scan());
    b.session.Button2Click();
    const FrameReceiver &r = b.session.receiver();
    QVERIFY(QTest::qWaitFor([&] { return r.inFrame() && r.frameLength() >= 2; }, 2000));
    const int32_t length = b.session.receiver().frameLength();
    // The write characteristic, a failed status: ignored.
    b.session.BluetoothLE1CharacteristicRead(3, 0);
    b.session.BluetoothLE1CharacteristicRead(2, 1);
    QCOMPARE(b.session.receiver().frameLength(), length);
    b.session.BluetoothLE1CharacteristicRead(2, 0);
    QVERIFY(b.session.receiver().frameLength() != length);
    QVERIFY(QTest::qWaitFor([&] { return b.session.cancelArmed(); }, 2000));
    b.session.Button2Click();
    QVERIFY(b.idle());
}

QTEST_MAIN(TestSession)
#include "test_session.moc"
