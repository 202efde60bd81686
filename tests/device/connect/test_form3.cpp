// The Connect dialog through its widgets, offscreen, with simulated sensors: scan, upload,
// save, cancel, set-up, settings and the sensor's misbehaviours.
#include "commands.h"
#include "rig.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

class TestForm3 : public QObject
{
    Q_OBJECT
private slots:
    void initialState();
    void scanListsPairedSensorsWithPrefix();
    void scanOfExactPrefixAddsEmptyEntry();
    void scanFindsNothing();
    void scanCannotStart();
    void adapterOffMidScan();
    void noFreeSlotEnablesSetOnly();
    void closingRefusedDuringScan();
    void safetyTimerEndsHangingScan();
    void wholeUpload();
    void uploadOfEmptyRecording();
    void saveDialogCancelled();
    void overwriteAnsweredNo();
    void saveFails();
    void lastFreeSlotDisablesUpload();
    void cancelDuringTransfer();
    void connectFailures_data();
    void connectFailures();
    void refusedConnectLosesNothing_data();
    void refusedConnectLosesNothing();
    void set_data();
    void set();
    void settingsFirstUse();
    void settingsStored();
    void spinnerLimits();
    void misbehaviourLoseLink_data();
    void misbehaviourLoseLink();
    void misbehaviourNeverCompleteWrite();
    void misbehaviourGarbageAndEscapes_data();
    void misbehaviourGarbageAndEscapes();
    void reopenAfterUpload();
};

namespace {

QString savedPath(const QTemporaryDir &dir, const char *name = "up.csv")
{
    return dir.filePath(QLatin1String(name));
}

bool waitIdle(Rig &rig)
{
    return QTest::qWaitFor([&] { return rig.idle(); }, 5000);
}

} // namespace

void TestForm3::initialState()
{
    Rig rig;
    rig.form->show();
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Connect"));
    QCOMPARE(rig.form->size(), QSize(418, 270));
    QVERIFY(rig.button("Button1")->isEnabled());
    QCOMPARE(rig.button("Button1")->text(), QStringLiteral("Scan Device"));
    QCOMPARE(rig.button("Button1")->toolTip(), QStringLiteral("Find a connectable device"));
    QVERIFY(!rig.button("Button2")->isEnabled());
    QCOMPARE(rig.button("Button2")->toolTip(),
             QStringLiteral("Upload data from the selected device"));
    QVERIFY(!rig.button("Button3")->isEnabled());
    QCOMPARE(rig.button("Button3")->toolTip(),
             QStringLiteral("Set measurement condition to the selected device"));
    QCOMPARE(rig.button("Button4")->text(), QStringLiteral("Close"));
    QCOMPARE(rig.combo("ComboBox1")->count(), 0);
    QCOMPARE(rig.combo("ComboBox2")->itemText(0), QStringLiteral("0.05s"));
    QCOMPARE(rig.combo("ComboBox2")->itemText(5), QStringLiteral("5.0sec"));
    QCOMPARE(rig.combo("ComboBox3")->itemText(3), QStringLiteral("+/- 16G"));
    QCOMPARE(rig.combo("ComboBox4")->itemText(4), QStringLiteral("+/-2000°/s"));
    QCOMPARE(rig.combo("ComboBox5")->itemText(3), QStringLiteral("1hour"));
    QCOMPARE(rig.child<QLineEdit>("Edit1")->toolTip(), QStringLiteral("Input fat thick"));
    QVERIFY(!rig.child<QLabel>("Label4")->isVisible());
    QVERIFY(!rig.child<QProgressBar>("ProgressBar1")->isVisible());
    QCOMPARE(rig.child<QLabel>("Label3")->text(), QStringLiteral("Fat Thick[mm]:"));
    QCOMPARE(rig.child<UpDown>("UpDown1")->position(), 30);
    // Tab order: device box, Scan Device, ..., Upload, Set, Close, the three range lists.
    QWidget *stops[] = {rig.form->ComboBox1, rig.form->Button1,  rig.form->ComboBox2,
                        rig.form->UpDown1,   rig.form->Edit1,    rig.form->Button2,
                        rig.form->Button3,   rig.form->Button4,  rig.form->ComboBox3,
                        rig.form->ComboBox4, rig.form->ComboBox5};
    for (size_t i = 0; i + 1 < std::size(stops); ++i) {
        QWidget *next = stops[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || next->parentWidget() != rig.form.get())
            next = next->nextInFocusChain();
        QCOMPARE(next, stops[i + 1]);
    }
}

void TestForm3::scanListsPairedSensorsWithPrefix()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"));
    rig.addSensor(QStringLiteral("A7"));
    rig.addSensor(QStringLiteral("0099"))->paired = false;
    rig.addSensor(QString())->setName(QStringLiteral("Other-1"));
    QVERIFY(rig.showAndScan());
    QComboBox *box = rig.combo("ComboBox1");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QStringLiteral("0042"));
    QCOMPARE(box->itemText(1), QStringLiteral("A7"));
    QCOMPARE(box->currentIndex(), 0);
    QVERIFY(rig.button("Button2")->isEnabled());
    QVERIFY(rig.button("Button3")->isEnabled());
    QVERIFY(rig.prompts.messages().isEmpty());
}

void TestForm3::scanOfExactPrefixAddsEmptyEntry()
{
    Rig rig;
    rig.addSensor(QString());
    QVERIFY(rig.showAndScan());
    QCOMPARE(rig.combo("ComboBox1")->count(), 1);
    QCOMPARE(rig.combo("ComboBox1")->itemText(0), QString());
}

void TestForm3::scanFindsNothing()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0099"))->paired = false;
    QVERIFY(rig.showAndScan());
    QCOMPARE(rig.prompts.messages(), QStringList{"No connectable device found."});
    QCOMPARE(rig.combo("ComboBox1")->currentIndex(), -1);
    QVERIFY(!rig.button("Button2")->isEnabled());
    QVERIFY(!rig.button("Button3")->isEnabled());
}

void TestForm3::scanCannotStart()
{
    Rig rig;
    rig.ble.available = false;
    QVERIFY(rig.showAndScan());
    QCOMPARE(rig.prompts.messages(), QStringList{"BluetoothLE is not available."});
    QVERIFY(!rig.form->session().timer().isActive());
    QVERIFY(!rig.button("Button2")->isEnabled());
}

void TestForm3::adapterOffMidScan()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"));
    QVERIFY(rig.showAndScan());
    QVERIFY(rig.button("Button2")->isEnabled());
    // A second scan, and the adapter goes off while it runs.
    rig.ble.discoveryMs = 2000;
    rig.click("Button1");
    QCOMPARE(rig.combo("ComboBox1")->count(), 0);
    rig.ble.switchOff();
    QTRY_VERIFY(rig.button("Button1")->isEnabled());
    QCOMPARE(rig.prompts.messages(), QStringList{"BluetoothLE is not available."});
    QVERIFY(!rig.form->session().timer().isActive());
    QCOMPARE(rig.combo("ComboBox1")->count(), 0);
    QVERIFY(!rig.button("Button2")->isEnabled());
    QVERIFY(!rig.button("Button3")->isEnabled());
    QVERIFY(rig.form->FormCloseQuery());
    // Switched on again, the next scan finds the sensor.
    rig.ble.available = true;
    rig.ble.discoveryMs = 0;
    rig.click("Button1");
    QTRY_VERIFY(rig.button("Button2")->isEnabled());
    QCOMPARE(rig.combo("ComboBox1")->currentText(), QStringLiteral("0042"));
    QCOMPARE(rig.prompts.messages().size(), 1);
}

void TestForm3::noFreeSlotEnablesSetOnly()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"));
    for (DATA_INFO_TYPE &info : DataInfo)
        info.Enable = true;
    QVERIFY(rig.showAndScan());
    QVERIFY(!rig.button("Button2")->isEnabled());
    QVERIFY(rig.button("Button3")->isEnabled());
}

void TestForm3::closingRefusedDuringScan()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"));
    rig.ble.discoveryMs = 400;
    rig.form->show();
    rig.click("Button1");
    QVERIFY(!rig.button("Button1")->isEnabled());
    rig.click("Button4");
    QVERIFY(rig.form->isVisible());
    rig.form->close();
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.settings.writtenKeys.isEmpty());
    QTRY_VERIFY(rig.button("Button1")->isEnabled());
    rig.click("Button4");
    QVERIFY(!rig.form->isVisible());
    QCOMPARE(rig.settings.writtenKeys,
             (QStringList{"Rate", "Thick", "RangeA", "RangeG", "AutoOff"}));
}

void TestForm3::safetyTimerEndsHangingScan()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"));
    rig.ble.discoveryMs = 60000;
    rig.form->show();
    rig.click("Button1");
    QCOMPARE(rig.form->session().timer().interval(), 6000);
    // What the timer does when it fires: the discovery ends, once.
    QSignalSpy ended(&rig.ble, &BleCentral::discoveryEnded);
    rig.form->session().Timer1Timer();
    QCOMPARE(ended.size(), 1);
    QVERIFY(rig.button("Button1")->isEnabled());
    rig.form->session().Timer1Timer();
    QCOMPARE(ended.size(), 1);
    QCOMPARE(rig.combo("ComboBox1")->count(), 1);
}

void TestForm3::wholeUpload()
{
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("A00123"), 3);
    QVERIFY(rig.showAndScan());
    const QString path = savedPath(dir);
    QString labelAtSave;
    rig.prompts.saveAnswers << path;
    rig.prompts.onShown = [&](const ScriptedPrompts::Shown &s) {
        if (s.kind == ScriptedPrompts::Kind::SaveDialog)
            labelAtSave = rig.form->Label4->text();
    };
    rig.click("Button2");
    QCOMPARE(rig.button("Button2")->text(), QStringLiteral("Cancel"));
    QVERIFY(!rig.button("Button1")->isEnabled());
    QVERIFY(!rig.button("Button3")->isEnabled());
    QVERIFY(!rig.button("Button4")->isEnabled());
    QVERIFY(rig.form->Label4->isVisible());
    QVERIFY(waitIdle(rig));
    QCOMPARE(labelAtSave, QStringLiteral("3/3  100% Received."));
    QCOMPARE(rig.form->ProgressBar1->value(), 100);
    QVERIFY(rig.form->ProgressBar1->isVisible());
    QCOMPARE(rig.prompts.dialogs.size(), 1);
    QCOMPARE(rig.prompts.dialogs[0].filterName, QStringLiteral("csvファイル"));
    QCOMPARE(rig.prompts.dialogs[0].filterPattern, QStringLiteral("*.csv"));
    QCOMPARE(rig.prompts.dialogs[0].defaultExtension, QStringLiteral("csv"));
    QVERIFY(QFile::exists(path));
    QCOMPARE(WindowCount, 1);
    QCOMPARE(DataInfo[0].Ex_count, 3);
    QCOMPARE(deviceName(DataInfo[0]), QStringLiteral("Vm731-A00123"));
    // Date/time and "GS4" in one write, then "@CLR" alone.
    QCOMPARE(sensor->writes.size(), 2);
    QCOMPARE(hexBytes(sensor->writes[0]),
             QStringLiteral("02 52 53 2C 32 35 30 33 30 37 31 34 30 35 31 30 03 02 47 53 34 03"));
    QCOMPARE(sensor->commands.last(), QStringLiteral("@CLR"));
    QCOMPARE(sensor->clears, 1);
    QVERIFY(rig.button("Button2")->isEnabled());
    QVERIFY(rig.button("Button3")->isEnabled());
    QVERIFY(rig.prompts.messages().isEmpty());
    // The sensor is empty now.
    rig.click("Button2");
    QTRY_COMPARE(rig.prompts.messages(), QStringList{"No data recorded."});
    QVERIFY(waitIdle(rig));
}

void TestForm3::uploadOfEmptyRecording()
{
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 0);
    QVERIFY(rig.showAndScan());
    rig.click("Button2");
    QVERIFY(waitIdle(rig));
    QCOMPARE(rig.prompts.messages(), QStringList{"No data recorded."});
    QVERIFY(rig.prompts.dialogs.isEmpty());
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(WindowCount, 0);
}

void TestForm3::saveDialogCancelled()
{
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 5);
    QVERIFY(rig.showAndScan());
    rig.click("Button2");
    QTRY_COMPARE(rig.prompts.dialogs.size(), 1);
    QVERIFY(waitIdle(rig));
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(WindowCount, 0);
    QVERIFY(!DataInfo[0].Enable);
    QVERIFY(rig.button("Button2")->isEnabled());
    // The same recording uploads again.
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QTRY_COMPARE(sensor->clears, 1);
    QVERIFY(waitIdle(rig));
    QCOMPARE(WindowCount, 1);
    QCOMPARE(DataInfo[0].Ex_count, 5);
}

void TestForm3::overwriteAnsweredNo()
{
    QTemporaryDir dir;
    const QString path = savedPath(dir);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 4);
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << path;
    rig.prompts.cautionAnswers << false;
    rig.click("Button2");
    QTRY_COMPARE(rig.prompts.messages(),
                 QStringList{"Do you want to overwrite the existing file?"});
    QVERIFY(waitIdle(rig));
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(WindowCount, 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
}

void TestForm3::saveFails()
{
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 4);
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << dir.filePath(QStringLiteral("no/such/folder/up.csv"));
    rig.click("Button2");
    QTRY_COMPARE(rig.prompts.messages(), QStringList{"Unable to create file."});
    QVERIFY(waitIdle(rig));
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(WindowCount, 0);
}

void TestForm3::lastFreeSlotDisablesUpload()
{
    QTemporaryDir dir;
    Rig rig;
    rig.addSensor(QStringLiteral("0042"), 2);
    for (int s = 0; s < 3; ++s)
        DataInfo[s].Enable = true;
    WindowCount = 3;
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QTRY_COMPARE(WindowCount, 4);
    QVERIFY(waitIdle(rig));
    QVERIFY(DataInfo[3].Enable);
    QVERIFY(!rig.button("Button2")->isEnabled());
    QVERIFY(rig.button("Button3")->isEnabled());
    QVERIFY(rig.button("Button4")->isEnabled());
}

void TestForm3::cancelDuringTransfer()
{
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 400);
    sensor->notificationSize = 31;
    rig.ble.notifyIntervalMs = 5;
    QVERIFY(rig.showAndScan());
    rig.click("Button2");
    QTRY_VERIFY(rig.decoder.Get_Count >= 2);
    QVERIFY(rig.cancelLive());
    rig.click("Button2");
    QVERIFY(waitIdle(rig));
    QCOMPARE(sensor->cancels, 1);
    QCOMPARE(sensor->commands.last(), QStringLiteral("GC"));
    QCOMPARE(sensor->writes.last(), QByteArray("\x02GC\x03"));
    QVERIFY(rig.decoder.Get_Count < 400);
    QVERIFY(rig.prompts.dialogs.isEmpty());
    QVERIFY(rig.prompts.messages().isEmpty());
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(sensor->recording().samples.size(), 400);
    QCOMPARE(WindowCount, 0);
    QVERIFY(rig.button("Button2")->isEnabled());
}

void TestForm3::connectFailures_data()
{
    // Every failure to open the link is said once, with the sensor's full name.
    QTest::addColumn<int>("fault");
    QTest::addColumn<QStringList>("messages");
    const QStringList refused{"Unable to connect Vm731-0042."};
    QTest::newRow("no service") << 0 << refused;
    QTest::newRow("no write characteristic") << 1 << refused;
    QTest::newRow("no notify characteristic") << 2 << refused;
    QTest::newRow("connect refused") << 3 << refused;
    QTest::newRow("gone from the list") << 4 << QStringList{"Unable to connect Vm731-0043."};
    QTest::newRow("connect refused during service discovery") << 5 << refused;
}

void TestForm3::connectFailures()
{
    QFETCH(int, fault);
    QFETCH(QStringList, messages);
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"));
    // A second sensor of the same name is never tried.
    rig.addSensor(QStringLiteral("0042"));
    sensor->offersService = fault != 0;
    sensor->hasWriteCharacteristic = fault != 1;
    sensor->hasNotifyCharacteristic = fault != 2;
    sensor->connectable = fault != 3 && fault != 5;
    rig.ble.linkInDiscovery = fault == 5;
    QVERIFY(rig.showAndScan());
    if (fault == 4) {
        rig.combo("ComboBox1")->clear();
        rig.combo("ComboBox1")->addItem(QStringLiteral("0043"));
    }
    rig.click("Button2");
    QCOMPARE(rig.prompts.messages(), messages);
    QVERIFY(rig.idle());
    QCOMPARE(rig.form->session().uploadState(), LinkSession::Idle);
    rig.click("Button3");
    QCOMPARE(rig.prompts.messages(), messages + messages);
    QVERIFY(rig.sensors[1]->writes.isEmpty());
    QVERIFY(sensor->writes.isEmpty());
}

void TestForm3::refusedConnectLosesNothing_data()
{
    QTest::addColumn<bool>("linkInDiscovery");
    QTest::newRow("refused by the connect") << false;
    QTest::newRow("refused while discovering services") << true;
}

void TestForm3::refusedConnectLosesNothing()
{
    QFETCH(bool, linkInDiscovery);
    QTemporaryDir dir;
    Rig rig;
    rig.ble.linkInDiscovery = linkInDiscovery;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 3);
    rig.addSensor(QStringLiteral("A7"));
    sensor->connectable = false;
    QVERIFY(rig.showAndScan());
    rig.click("Button2");
    QCOMPARE(rig.prompts.messages(), QStringList{"Unable to connect Vm731-0042."});
    QCOMPARE(rig.prompts.shown.last().kind, ScriptedPrompts::Kind::Notice);
    // Back to idle with the scan's list, the selection and the sensor's recording intact.
    QVERIFY(rig.idle());
    QCOMPARE(rig.form->session().uploadState(), LinkSession::Idle);
    QVERIFY(rig.button("Button2")->isEnabled());
    QVERIFY(rig.button("Button3")->isEnabled());
    QCOMPARE(rig.combo("ComboBox1")->count(), 2);
    QCOMPARE(rig.combo("ComboBox1")->currentText(), QStringLiteral("0042"));
    QVERIFY(!rig.form->Label4->isVisible());
    QVERIFY(sensor->writes.isEmpty());
    QCOMPARE(sensor->recording().samples.size(), 3);
    // Once the sensor accepts, the same entry uploads without a new scan.
    sensor->connectable = true;
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QTRY_COMPARE(sensor->clears, 1);
    QVERIFY(waitIdle(rig));
    QCOMPARE(WindowCount, 1);
    QCOMPARE(DataInfo[0].Ex_count, 3);
    QCOMPARE(rig.prompts.messages(), QStringList{"Unable to connect Vm731-0042."});
}

void TestForm3::set_data()
{
    QTest::addColumn<QList<int>>("choice"); // rate, thick steps from 30, acc, gyro, auto-off
    QTest::addColumn<QString>("command");
    QTest::newRow("example") << QList<int>{1, 0, 1, 2, 2} << "SS1,030,12,000,30";
    QTest::newRow("largest") << QList<int>{5, 80, 3, 4, 3} << "SS5,110,34,000,60";
    QTest::newRow("thinnest") << QList<int>{0, -20, 0, 0, 1} << "SS0,010,00,000,10";
}

void TestForm3::set()
{
    QFETCH(QList<int>, choice);
    QFETCH(QString, command);
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"));
    rig.ble.connectDelayMs = 20;
    QVERIFY(rig.showAndScan());
    rig.combo("ComboBox2")->setCurrentIndex(choice[0]);
    UpDown *spin = rig.child<UpDown>("UpDown1");
    for (int i = 0; i < std::abs(choice[1]); ++i)
        QTest::keyClick(spin, choice[1] > 0 ? Qt::Key_Up : Qt::Key_Down);
    rig.combo("ComboBox3")->setCurrentIndex(choice[2]);
    rig.combo("ComboBox4")->setCurrentIndex(choice[3]);
    rig.combo("ComboBox5")->setCurrentIndex(choice[4]);
    rig.click("Button3");
    QCOMPARE(rig.prompts.messages(), QStringList{"Set up 0042."});
    QVERIFY(rig.idle());
    QCOMPARE(sensor->writes.size(), 1);
    QCOMPARE(sensor->writes[0], commandBytes(command, true, rig.clock));
    QCOMPARE(sensor->writes[0].size(), 36);
    QCOMPARE(sensor->clock, QStringLiteral("250307140510"));
    QCOMPARE(sensor->commands.last(), command);
    QVERIFY(!sensor->linked());
}

void TestForm3::settingsFirstUse()
{
    Rig rig;
    rig.form->show();
    QCOMPARE(rig.combo("ComboBox2")->currentText(), QStringLiteral("0.05s"));
    QCOMPARE(rig.child<QLineEdit>("Edit1")->text(), QStringLiteral(" 3.0mm"));
    QCOMPARE(rig.combo("ComboBox3")->currentText(), QStringLiteral("+/- 2G"));
    QCOMPARE(rig.combo("ComboBox4")->currentText(), QStringLiteral("+/-125°/s"));
    QCOMPARE(rig.combo("ComboBox5")->currentText(), QStringLiteral("Disable"));
    rig.click("Button4");
    QVERIFY(!rig.form->isVisible());
    const QMap<QString, int> expected{
        {"Rate", 0}, {"Thick", 30}, {"RangeA", 0}, {"RangeG", 0}, {"AutoOff", 0}};
    QCOMPARE(rig.settings.values, expected);
}

void TestForm3::settingsStored()
{
    Rig rig;
    rig.settings.values = {
        {"Rate", 4}, {"Thick", 45}, {"RangeA", 2}, {"RangeG", 3}, {"AutoOff", 1}};
    rig.form->show();
    QCOMPARE(rig.combo("ComboBox2")->currentText(), QStringLiteral("1.0sec"));
    QCOMPARE(rig.child<QLineEdit>("Edit1")->text(), QStringLiteral(" 4.5mm"));
    QCOMPARE(rig.combo("ComboBox4")->currentText(), QStringLiteral("+/-1000°/s"));
    QCOMPARE(rig.combo("ComboBox5")->currentText(), QStringLiteral("10min"));
    rig.combo("ComboBox3")->setCurrentIndex(3);
    QTest::keyClick(rig.child<UpDown>("UpDown1"), Qt::Key_Up);
    QCOMPARE(rig.child<QLineEdit>("Edit1")->text(), QStringLiteral(" 4.6mm"));
    QTest::keyClick(rig.form.get(), Qt::Key_Escape);
    QVERIFY(!rig.form->isVisible());
    QCOMPARE(rig.settings.values.value("RangeA"), 3);
    QCOMPARE(rig.settings.values.value("Thick"), 46);

    // Stored values outside the lists and the spinner's range: first items, 3.0 mm.
    rig.settings.values = {
        {"Rate", 9}, {"Thick", 500}, {"RangeA", -1}, {"RangeG", 5}, {"AutoOff", 4}};
    rig.form->show();
    QCOMPARE(rig.combo("ComboBox2")->currentIndex(), 0);
    QCOMPARE(rig.combo("ComboBox3")->currentIndex(), 0);
    QCOMPARE(rig.combo("ComboBox4")->currentIndex(), 0);
    QCOMPARE(rig.combo("ComboBox5")->currentIndex(), 0);
    QCOMPARE(rig.form->fatThick(), 30);
    QCOMPARE(rig.form->setupCommandText(), QStringLiteral("SS0,030,00,000,00"));
}

void TestForm3::spinnerLimits()
{
    Rig rig;
    rig.settings.values = {{"Thick", 10}};
    rig.form->show();
    UpDown *spin = rig.child<UpDown>("UpDown1");
    QCOMPARE(rig.form->Edit1->text(), QStringLiteral(" 1.0mm"));
    QTest::keyClick(spin, Qt::Key_Down);
    QCOMPARE(rig.form->fatThick(), 10);
    QCOMPARE(spin->position(), 10);
    rig.form->hide();
    rig.settings.values = {{"Thick", 110}};
    rig.form->show();
    QCOMPARE(rig.form->Edit1->text(), QStringLiteral("11.0mm"));
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(rig.form->fatThick(), 110);
    QTest::keyClick(spin, Qt::Key_Down);
    QCOMPARE(rig.form->Edit1->text(), QStringLiteral("10.9mm"));
}

void TestForm3::misbehaviourLoseLink_data()
{
    QTest::addColumn<int>("afterPacket");
    QTest::newRow("after the header") << 0;
    QTest::newRow("after packet 1") << 1;
    QTest::newRow("after packet 49") << 49;
}

void TestForm3::misbehaviourLoseLink()
{
    QFETCH(int, afterPacket);
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 50);
    sensor->loseLinkAfterPacket = afterPacket;
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QTRY_COMPARE(rig.prompts.messages().size(), 1);
    QVERIFY(
        rig.prompts.messages()[0].startsWith(QStringLiteral("The link to the sensor was lost.")));
    QVERIFY(waitIdle(rig));
    QCOMPARE(rig.decoder.Get_Count, afterPacket);
    QVERIFY(rig.prompts.dialogs.isEmpty());
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(sensor->recording().samples.size(), 50);
    QCOMPARE(WindowCount, 0);
    // Once the link holds, the same recording comes whole.
    sensor->loseLinkAfterPacket = -1;
    rig.click("Button2");
    QTRY_COMPARE(sensor->clears, 1);
    QVERIFY(waitIdle(rig));
    QCOMPARE(DataInfo[0].Ex_count, 50);
}

void TestForm3::misbehaviourNeverCompleteWrite()
{
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 400);
    sensor->notificationSize = 31;
    sensor->neverCompleteWrite = true;
    rig.ble.notifyIntervalMs = 5;
    QVERIFY(rig.showAndScan());
    rig.click("Button2");
    QTRY_VERIFY(rig.decoder.Get_Count >= 2);
    QVERIFY(rig.cancelLive());
    // A second press while the wait for "GC" runs finds Cancel disabled.
    bool waitShown = false;
    QTimer::singleShot(50, rig.form.get(), [&] {
        waitShown = rig.form->session().busy() && !rig.form->Button2->isEnabled() &&
                    rig.form->cursor().shape() == Qt::WaitCursor;
        rig.click("Button2");
    });
    rig.click("Button2");
    QVERIFY(waitShown);
    QVERIFY(waitIdle(rig));
    QCOMPARE(sensor->cancels, 1);
    QCOMPARE(sensor->clears, 0);
    QCOMPARE(sensor->recording().samples.size(), 400);
    QVERIFY(!sensor->linked());
    QCOMPARE(rig.prompts.messages(), QStringList{"No response from Vm731-0042."});

    // The set-up command is given its time, then the link closes; one message says so.
    rig.click("Button3");
    QCOMPARE(rig.prompts.messages(),
             (QStringList{"No response from Vm731-0042.", "Unable to set up 0042."}));
    QVERIFY(rig.idle());
}

void TestForm3::misbehaviourGarbageAndEscapes_data()
{
    QTest::addColumn<QByteArray>("garbage");
    QTest::addColumn<bool>("escapeAll");
    QTest::addColumn<int>("size");
    QTest::newRow("garbage between frames") << QByteArray("x\x7D\x7C\x01 zz") << false << 7;
    QTest::newRow("every byte escaped") << QByteArray() << true << 13;
    QTest::newRow("both, large notifications") << QByteArray("\x7D\x7D") << true << 244;
}

void TestForm3::misbehaviourGarbageAndEscapes()
{
    QFETCH(QByteArray, garbage);
    QFETCH(bool, escapeAll);
    QFETCH(int, size);
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 120);
    sensor->garbage = garbage;
    sensor->escapeEverything = escapeAll;
    sensor->notificationSize = size;
    const SensorRecording sent = sensor->recording();
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QTRY_COMPARE(sensor->clears, 1);
    QVERIFY(waitIdle(rig));
    QCOMPARE(DataInfo[0].Ex_count, 120);
    QCOMPARE(encodeStream(recordingFromStore(DataInfo[0], 0)), encodeStream(sent));
}

void TestForm3::reopenAfterUpload()
{
    QTemporaryDir dir;
    Rig rig;
    rig.addSensor(QStringLiteral("0042"), 3);
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << savedPath(dir);
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return WindowCount == 1 && rig.idle(); }, 5000));
    rig.click("Button4");
    QVERIFY(!rig.form->isVisible());
    rig.form->show();
    QCOMPARE(rig.combo("ComboBox1")->count(), 0);
    QVERIFY(!rig.button("Button2")->isEnabled());
    QVERIFY(!rig.button("Button3")->isEnabled());
    QVERIFY(!rig.form->Label4->isVisible());
    QVERIFY(!rig.form->ProgressBar1->isVisible());
    QVERIFY(rig.form->DeviceName().isEmpty());
}

QTEST_MAIN(TestForm3)
#include "test_form3.moc"
