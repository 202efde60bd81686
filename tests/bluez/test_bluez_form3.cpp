// The Connect dialog end to end through QtBluetooth's BlueZ backend and the simulated BlueZ
// daemon: scan, complete uploads in small and large notifications, a second upload after the
// sensor was cleared, Set, and the failures (link lost mid-upload, a write never answered, a
// sensor that refuses to connect and is then uploaded from, Bluetooth switched off). Runs under
// scripts/sensor-bus with the sensors listed in CMakeLists.txt; one scan serves every upload, so
// the order of the cases matters and the adapter is switched off only in the last one.
#include "commands.h"
#include "conditionsettings.h"
#include "decodingsink.h"
#include "form3.h"
#include "framereceiver.h"
#include "headlesswindow.h"
#include "packetdecoder.h"
#include "qtblecentral.h"
#include "scriptedprompts.h"
#include "sensorrecording.h"
#include "simclient.h"
#include "store.h"
#include "writer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The sensors' recordings as the simulator generates them (see CMakeLists.txt).
constexpr int UPLOAD_SAMPLES = 10000;
constexpr int LOST_SAMPLES = 2000;

// What the writer makes of a sensor's recording: its upload stream decoded into a free slot
// and written as a measurement file.
QByteArray expectedFile(const QString &name, const SensorRecording &recording)
{
    if (!SetFreeNo())
        return {};
    DecodingSink sink;
    sink.decoder.setDeviceName(name);
    FrameReceiver receiver(&sink);
    receiver.feed(encodeStream(recording));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (sink.decoder.Get_Count != recording.announcedCount() ||
        !writeMeasurement(out, NewInfo[0], FreeNo))
        return {};
    return out.data();
}

} // namespace

class TestBluezForm3 : public QObject
{
    Q_OBJECT

    HeadlessWindow m_window;
    ScriptedPrompts m_prompts;
    MemoryConditionSettings m_settings;
    PacketDecoder m_decoder;
    QtBleCentral *m_ble = nullptr;
    Form3 *m_form = nullptr;
    QTemporaryDir m_dir;
    const QDateTime m_now{QDate(2025, 3, 7), QTime(14, 5, 9, 600)};

    bool idle() const
    {
        return m_form->Button1->isEnabled() && m_form->Button4->isEnabled() &&
               m_form->Button2->text() == QLatin1String("Upload") &&
               m_form->session().uploadState() == LinkSession::Idle &&
               !m_form->session().linkState();
    }

    void select(const QString &serial)
    {
        const int index = m_form->ComboBox1->findText(serial);
        QVERIFY2(index >= 0, qPrintable(serial));
        m_form->ComboBox1->setCurrentIndex(index);
    }

    // Uploads from serial, saving under file; waits until the dialog is idle again.
    void upload(const QString &serial, const QString &file)
    {
        select(serial);
        m_prompts.saveAnswers = {file};
        QVERIFY(m_form->Button2->isEnabled());
        QTest::mouseClick(m_form->Button2, Qt::LeftButton);
        QCOMPARE(m_form->Button2->text(), QString("Cancel"));
        QVERIFY(!m_form->Button1->isEnabled());
        QVERIFY(!m_form->Button4->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 30000);
    }

    int saveDialogs() const
    {
        int n = 0;
        for (const ScriptedPrompts::Shown &s : m_prompts.shown)
            n += s.kind == ScriptedPrompts::Kind::SaveDialog;
        return n;
    }

    void completeUpload(const QString &serial)
    {
        const QString name = QStringLiteral("Vm731-") + serial;
        const QString file = m_dir.filePath(serial + QStringLiteral(".csv"));
        const int windows = WindowCount;
        const int dialogs = saveDialogs();
        upload(serial, file);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(saveDialogs(), dialogs + 1);
        QCOMPARE(m_form->Label4->text(), QString("10000/10000  100% Received."));

        // Entered as a measurement of that sensor.
        QCOMPARE(WindowCount, windows + 1);
        const DATA_INFO_TYPE &info = DataInfo[WinInfo[windows].DataNo];
        QVERIFY(info.Enable);
        QCOMPARE(info.Ex_count, UPLOAD_SAMPLES);
        QCOMPARE(deviceName(info), name);

        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray expected = expectedFile(name, generateRecording(UPLOAD_SAMPLES, 1, true));
        QVERIFY(!expected.isEmpty());
        QVERIFY(saved.readAll() == expected);

        // The sensor got the date/time and "GS4", then "@CLR", and its memory is empty.
        const QList<QByteArray> writes = SimClient::writes(name);
        QCOMPARE(writes.size(), 2);
        QCOMPARE(writes[0], commandBytes(QStringLiteral("GS4"), true, m_now));
        QCOMPARE(writes[1], commandBytes(QStringLiteral("@CLR"), false, m_now));
        const QVariantMap state = SimClient::state(name);
        QCOMPARE(state.value("clears").toInt(), 1);
        QCOMPARE(state.value("samples").toInt(), 0);
        QCOMPARE(state.value("clock").toString(), QString("250307140510"));
        QTRY_VERIFY(!SimClient::state(name).value("connected").toBool());
    }

    // Empties the store; Upload was disabled by a full store until a scan finds it free again.
    void freeSlots()
    {
        ResetStore();
        if (m_form->Button2->isEnabled())
            return;
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Button1->isEnabled(), 10000);
        QVERIFY(m_form->Button2->isEnabled());
    }

    // The sensor still holds its whole recording and was never told to clear it.
    void nothingCleared(const QString &name, int samples)
    {
        const QVariantMap state = SimClient::state(name);
        QCOMPARE(state.value("clears").toInt(), 0);
        QCOMPARE(state.value("samples").toInt(), samples);
        QVERIFY(!SimClient::commands(name).contains(QStringLiteral("@CLR")));
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!SimClient::onPrivateBus(&why))
            QFAIL(qPrintable(why));
        QVERIFY(m_dir.isValid());
        ResetStore();
        setStoreWindow(&m_window);
        // Conditions of an earlier session: "5.0sec", 11.0 mm, "+/- 16G", "+/-2000°/s", "1hour".
        m_settings.values = {
            {"Rate", 5}, {"Thick", 110}, {"RangeA", 3}, {"RangeG", 4}, {"AutoOff", 3}};
        m_ble = new QtBleCentral(this);
        m_form = new Form3(*m_ble, m_decoder, m_prompts, m_settings);
        m_form->session().setClock([this] { return m_now; });
        m_form->session().setWriteTimeout(1000);
        // As the main window wires it: the upload is saved by the measurement file writer.
        m_form->session().setSaver([](Prompts &prompts) { return Save(prompts); });
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }

    void cleanupTestCase()
    {
        delete m_form;
        setStoreWindow(nullptr);
    }

    void scanListsPairedSensorsInOrder()
    {
        QVERIFY(!m_form->Button2->isEnabled());
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QVERIFY(!m_form->Button1->isEnabled());
        QVERIFY(!m_form->Button3->isEnabled());
        QVERIFY(!m_form->FormCloseQuery());
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Button1->isEnabled(), 10000);
        QStringList serials;
        for (int i = 0; i < m_form->ComboBox1->count(); ++i)
            serials.append(m_form->ComboBox1->itemText(i));
        // Not the unpaired Vm731-0099 nor the paired Other-1; paired but not trusted counts.
        QCOMPARE(serials, QStringList({"0042", "A7", "LOST", "MUTE", "DENY", "UNTR", "SPARE",
                                       "NONO", "NOSV"}));
        QCOMPARE(m_form->ComboBox1->currentIndex(), 0);
        QVERIFY(m_form->Button2->isEnabled());
        QVERIFY(m_form->Button3->isEnabled());
        QVERIFY(m_prompts.messages().isEmpty());
    }

    void uploadIn20ByteNotifications() { completeUpload(QStringLiteral("0042")); }
    void uploadIn244ByteNotifications() { completeUpload(QStringLiteral("A7")); }

    void secondUploadAfterClearFindsNoData()
    {
        const int dialogs = saveDialogs();
        upload(QStringLiteral("0042"), m_dir.filePath(QStringLiteral("again.csv")));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_prompts.messages().value(m_prompts.messages().size() - 1),
                 QString("No data recorded."));
        QCOMPARE(saveDialogs(), dialogs);
        QCOMPARE(SimClient::state(QStringLiteral("Vm731-0042")).value("clears").toInt(), 1);
    }

    void setSendsDateTimeAndConditions()
    {
        select(QStringLiteral("UNTR"));
        QTest::mouseClick(m_form->Button3, Qt::LeftButton);
        QCOMPARE(m_prompts.messages().value(m_prompts.messages().size() - 1),
                 QString("Set up UNTR."));
        const QList<QByteArray> writes = SimClient::writes(QStringLiteral("Vm731-UNTR"));
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0], commandBytes(QStringLiteral("SS5,110,34,000,60"), true, m_now));
        QCOMPARE(writes[0].size(), 36);
        const QVariantMap state = SimClient::state(QStringLiteral("Vm731-UNTR"));
        QCOMPARE(state.value("clock").toString(), QString("250307140510"));
        QCOMPARE(state.value("rateCode").toInt(), 5);
        QCOMPARE(state.value("thick").toInt(), 110);
        QCOMPARE(state.value("accCode").toInt(), 3);
        QCOMPARE(state.value("gyroCode").toInt(), 4);
        QCOMPARE(state.value("autoOffMinutes").toInt(), 60);
        QTRY_VERIFY(!SimClient::state(QStringLiteral("Vm731-UNTR")).value("connected").toBool());
        QVERIFY(idle());
    }

    void linkLostMidUploadEndsCleanly()
    {
        const int windows = WindowCount;
        const int dialogs = saveDialogs();
        upload(QStringLiteral("LOST"), m_dir.filePath(QStringLiteral("lost.csv")));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(saveDialogs(), dialogs);
        QCOMPARE(WindowCount, windows);
        QVERIFY(m_prompts.messages().last().startsWith("The link to the sensor was lost."));
        QVERIFY(m_form->Label4->text().startsWith(QLatin1String("500/2000")));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("lost.csv"))));
        nothingCleared(QStringLiteral("Vm731-LOST"), LOST_SAMPLES);
    }

    void unansweredWriteEndsCleanly()
    {
        // The sensor acts on its commands but never acknowledges a write: the upload streams,
        // and the wait for "@CLR" (queued behind the unanswered "GS4") gives up.
        const QString file = m_dir.filePath(QStringLiteral("mute.csv"));
        const int windows = WindowCount;
        upload(QStringLiteral("MUTE"), file);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_prompts.messages().last(),
                 QString("Data saved. Unable to clear the data in Vm731-MUTE."));
        QCOMPARE(WindowCount, windows + 1);
        QVERIFY(QFile::exists(file));
        QTRY_VERIFY(!SimClient::state(QStringLiteral("Vm731-MUTE")).value("connected").toBool());
        nothingCleared(QStringLiteral("Vm731-MUTE"), 600);
    }

    void refusedConnectIsReported()
    {
        const QString name = QStringLiteral("Vm731-DENY");
        const QStringList refused{QStringLiteral("Unable to connect Vm731-DENY.")};
        select(QStringLiteral("DENY"));
        const int windows = WindowCount;
        const qsizetype before = m_prompts.messages().size();
        QTest::mouseClick(m_form->Button2, Qt::LeftButton);
        QCOMPARE(m_prompts.messages().mid(before), refused);
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 10000);
        QCOMPARE(m_form->Button2->text(), QString("Upload"));
        QVERIFY(m_form->Button2->isEnabled());
        QVERIFY(m_form->Button3->isEnabled());
        QCOMPARE(m_form->ComboBox1->currentText(), QString("DENY"));
        QCOMPARE(WindowCount, windows);
        // Set is refused the same way.
        QTest::mouseClick(m_form->Button3, Qt::LeftButton);
        QCOMPARE(m_prompts.messages().mid(before), refused + refused);
        QVERIFY(idle());
        QVERIFY(SimClient::writes(name).isEmpty());
        nothingCleared(name, 600);

        // Nothing was lost: once the sensor accepts, the same entry uploads its recording.
        QVERIFY(SimClient::setFault(name, QStringLiteral("refuse"), false));
        const QString file = m_dir.filePath(QStringLiteral("deny.csv"));
        upload(QStringLiteral("DENY"), file);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(m_prompts.messages().mid(before), refused + refused);
        QCOMPARE(m_form->Label4->text(), QString("600/600  100% Received."));
        QCOMPARE(WindowCount, windows + 1);
        QVERIFY(QFile::exists(file));
        QCOMPARE(SimClient::state(name).value("clears").toInt(), 1);
    }

    void operationEnds_data();
    void operationEnds();
    void doubleClickOnUploadNeverCancels_data();
    void doubleClickOnUploadNeverCancels();

    void bluetoothOffIsNotAvailable()
    {
        QVERIFY(SimClient::setPowered(false));
        const qsizetype before = m_prompts.messages().size();
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Button1->isEnabled(), 10000);
        QTest::qWait(200); // a late report of the failed start would show its message now
        QCOMPARE(m_prompts.messages().mid(before), QStringList{"BluetoothLE is not available."});
        QCOMPARE(m_form->ComboBox1->count(), 0);
        QVERIFY(!m_form->Button2->isEnabled());
        QVERIFY(!m_form->Button3->isEnabled());
        QVERIFY(m_form->FormCloseQuery());
        QVERIFY(SimClient::setPowered(true));
    }

    void bluetoothOffMidScanIsNotAvailable()
    {
        const qsizetype before = m_prompts.messages().size();
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QTest::qWait(300);
        QVERIFY(SimClient::setPowered(false));
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Button1->isEnabled(), 10000);
        QTest::qWait(200);
        QCOMPARE(m_prompts.messages().mid(before), QStringList{"BluetoothLE is not available."});
        QCOMPARE(m_form->ComboBox1->count(), 0);
        QVERIFY(!m_form->Button2->isEnabled());
        QVERIFY(!m_form->Button3->isEnabled());
        QVERIFY(!m_form->session().timer().isActive());
        QVERIFY(SimClient::setPowered(true));
    }
};

namespace {

// Failure points through the real link, on the sensors SPARE, NONO and NOSV.
enum BluezFault {
    Complete,
    NoNotify,
    NoService,
    LostMidTransfer,
    LostBeforeClear,
    LostOnClear,
    ClearUnanswered,
    Cancelled,
    CancelUnanswered,
    LostOnCancel,
    SetConfirmed,
    SetUnanswered,
};

const QString kSpare = QStringLiteral("Vm731-SPARE");

} // namespace

void TestBluezForm3::operationEnds_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("entered");
    QTest::addColumn<bool>("clearWritten");
    const QString notCleared =
        QStringLiteral("Data saved. Unable to clear the data in Vm731-SPARE.");
    const QString lost = QStringLiteral("The link to the sensor was lost. The upload was stopped; "
                                        "the recording stays in the sensor.");
    const QStringList none;
    QTest::newRow("complete") << int(Complete) << "SPARE" << none << true << true;
    QTest::newRow("no notify characteristic")
        << int(NoNotify) << "NONO" << QStringList{"Unable to connect Vm731-NONO."} << false
        << false;
    QTest::newRow("no service") << int(NoService) << "NOSV"
                                << QStringList{"Unable to connect Vm731-NOSV."} << false << false;
    QTest::newRow("lost mid-transfer")
        << int(LostMidTransfer) << "SPARE" << QStringList{lost} << false << false;
    QTest::newRow("lost before @CLR")
        << int(LostBeforeClear) << "SPARE" << QStringList{notCleared} << true << false;
    QTest::newRow("lost on @CLR") << int(LostOnClear) << "SPARE" << QStringList{notCleared} << true
                                  << true;
    QTest::newRow("@CLR unanswered")
        << int(ClearUnanswered) << "SPARE" << QStringList{notCleared} << true << true;
    QTest::newRow("cancelled") << int(Cancelled) << "SPARE" << none << false << false;
    QTest::newRow("GC unanswered")
        << int(CancelUnanswered) << "SPARE" << QStringList{"No response from Vm731-SPARE."} << false
        << false;
    QTest::newRow("lost on GC") << int(LostOnCancel) << "SPARE" << none << false << false;
    QTest::newRow("set") << int(SetConfirmed) << "SPARE" << QStringList{"Set up SPARE."} << false
                         << false;
    QTest::newRow("set unanswered") << int(SetUnanswered) << "SPARE"
                                    << QStringList{"Unable to set up SPARE."} << false << false;
}

void TestBluezForm3::operationEnds()
{
    QFETCH(int, fault);
    QFETCH(QString, serial);
    QFETCH(QStringList, messages);
    QFETCH(bool, entered);
    QFETCH(bool, clearWritten);
    const QString name = QStringLiteral("Vm731-") + serial;
    freeSlots();
    if (QTest::currentTestFailed())
        return;
    // Every row starts from the sensor as configured, with its whole recording.
    QVERIFY(SimClient::reload(name));
    for (const char *key : {"mute", "lose-on", "pace"})
        QVERIFY(
            SimClient::setFault(name, QLatin1String(key),
                                QLatin1String(key) == QLatin1String("lose-on") ? QVariant(QString())
                                : QLatin1String(key) == QLatin1String("pace")  ? QVariant(0)
                                                                               : QVariant(false)));
    const bool slow = fault == LostMidTransfer || fault == Cancelled || fault == CancelUnanswered ||
                      fault == LostOnCancel;
    if (slow)
        QVERIFY(SimClient::setFault(name, QStringLiteral("pace"), 2));
    if (fault == LostOnClear)
        QVERIFY(SimClient::setFault(name, QStringLiteral("lose-on"), QStringLiteral("@CLR")));
    if (fault == LostOnCancel)
        QVERIFY(SimClient::setFault(name, QStringLiteral("lose-on"), QStringLiteral("GC")));
    if (fault == SetUnanswered)
        QVERIFY(SimClient::setFault(name, QStringLiteral("mute"), true));
    const int writesBefore = int(SimClient::writes(name).size());
    const int clearsBefore = SimClient::state(name).value("clears").toInt();
    const qsizetype before = m_prompts.messages().size();
    const int windows = WindowCount;
    m_prompts.saveAnswers = {m_dir.filePath(serial + QString::number(fault) + ".csv")};
    m_prompts.onShown = [&](const ScriptedPrompts::Shown &shown) {
        if (shown.kind != ScriptedPrompts::Kind::SaveDialog)
            return;
        if (fault == LostBeforeClear) {
            SimClient::loseLink(name);
            QTRY_VERIFY(!m_form->session().linkState());
        }
        if (fault == ClearUnanswered)
            SimClient::setFault(name, QStringLiteral("mute"), true);
    };
    select(serial);
    const bool set = fault == SetConfirmed || fault == SetUnanswered;
    QTest::mouseClick(set ? m_form->Button3 : m_form->Button2, Qt::LeftButton);
    if (fault == Cancelled || fault == CancelUnanswered || fault == LostOnCancel) {
        QTRY_VERIFY_WITH_TIMEOUT(m_form->Button2->isEnabled(), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_decoder.Get_Count >= 5, 10000);
        if (fault == CancelUnanswered)
            QVERIFY(SimClient::setFault(name, QStringLiteral("mute"), true));
        QCOMPARE(m_form->Button2->text(), QString("Cancel"));
        QTest::mouseClick(m_form->Button2, Qt::LeftButton);
    }
    if (fault == LostMidTransfer) {
        QTRY_VERIFY_WITH_TIMEOUT(m_decoder.Get_Count >= 5, 10000);
        QVERIFY(SimClient::loseLink(name));
    }
    QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_form->session().operating(), 30000);
    m_prompts.onShown = nullptr;
    QTRY_VERIFY(!SimClient::state(name).value("connected").toBool());
    QTest::qWait(100); // a late report would show its message now
    QCOMPARE(m_prompts.messages().mid(before), messages);
    QVERIFY(m_form->Button1->isEnabled() && m_form->Button4->isEnabled() &&
            m_form->ComboBox1->isEnabled());
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(WindowCount, windows + (entered ? 1 : 0));
    const QList<QByteArray> writes = SimClient::writes(name).mid(writesBefore);
    QCOMPARE(writes.contains(commandBytes(QStringLiteral("@CLR"), false, m_now)), clearWritten);
    if (fault != Complete && fault != ClearUnanswered)
        QCOMPARE(SimClient::state(name).value("clears").toInt(), clearsBefore);
    QVERIFY(SimClient::setFault(name, QStringLiteral("pace"), 0));
    QVERIFY(SimClient::setFault(name, QStringLiteral("mute"), false));
    QVERIFY(SimClient::setFault(name, QStringLiteral("lose-on"), QString()));
}

void TestBluezForm3::doubleClickOnUploadNeverCancels_data()
{
    QTest::addColumn<int>("secondClickMs");
    QTest::newRow("120 ms") << 120;
    QTest::newRow("300 ms") << 300;
}

void TestBluezForm3::doubleClickOnUploadNeverCancels()
{
    QFETCH(int, secondClickMs);
    freeSlots();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(SimClient::reload(kSpare));
    QVERIFY(SimClient::setFault(kSpare, QStringLiteral("pace"), 1));
    const int clears = SimClient::state(kSpare).value("clears").toInt();
    const int cancels = SimClient::state(kSpare).value("cancels").toInt();
    const int windows = WindowCount;
    const qsizetype before = m_prompts.messages().size();
    select(QStringLiteral("SPARE"));
    m_prompts.saveAnswers = {m_dir.filePath(QStringLiteral("dbl%1.csv").arg(secondClickMs))};
    // The second click lands wherever the dialog is by then: while the link comes up, or
    // just after.
    QTimer::singleShot(secondClickMs, m_form,
                       [this] { QTest::mouseClick(m_form->Button2, Qt::LeftButton); });
    QTest::mouseClick(m_form->Button2, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(idle() && !m_form->session().operating(), 30000);
    QCOMPARE(SimClient::state(kSpare).value("cancels").toInt(), cancels);
    QCOMPARE(SimClient::state(kSpare).value("clears").toInt(), clears + 1);
    QCOMPARE(WindowCount, windows + 1);
    QCOMPARE(m_prompts.messages().mid(before), QStringList());
    QVERIFY(SimClient::setFault(kSpare, QStringLiteral("pace"), 0));
}

QTEST_MAIN(TestBluezForm3)
#include "test_bluez_form3.moc"
