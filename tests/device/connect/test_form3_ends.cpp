// The Connect dialog at every point an operation can end (success, failure, time-out, Cancel,
// a lost link, the dialog going away): afterwards it is idle and unlinked and has said what the
// operator must know exactly once. Also: a double click on Upload never cancels, waits look
// busy, texts fit their controls, the progress display belongs to its sensor.
#include "rig.h"

#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

enum Fault {
    None,
    EmptyRecording,
    SaveCancelled,
    SaveFails,
    NoService,
    NoWrite,
    NoNotify,
    Refused,
    RefusedInDiscovery,
    LinkNeverUp,
    LostAfterHeader,
    LostMidTransfer,
    LostBeforeClear,
    LostOnClear,
    ClearUnanswered,
    ClearCheckFails,
    Cancelled,
    CancelUnanswered,
    LostOnCancel,
    HiddenMidTransfer,
    HiddenDuringClear,
    SetConfirmed,
    SetUnanswered,
    SetLost,
    SetRefused,
    SetNoNotify,
};

const QString kNotCleared = QStringLiteral("Data saved. Unable to clear the data in Vm731-0042.");
const QString kRefused = QStringLiteral("Unable to connect Vm731-0042.");
const QString kLost = QStringLiteral("The link to the sensor was lost. The upload was stopped; "
                                     "the recording stays in the sensor.");
const QString kCheckFailed = QStringLiteral("read-back check failed");

} // namespace

class TestForm3Ends : public QObject
{
    Q_OBJECT
private slots:
    void operationEnds_data();
    void operationEnds();
    void doubleClickOnUploadNeverCancels_data();
    void doubleClickOnUploadNeverCancels();
    void waitsLookBusy_data();
    void waitsLookBusy();
    void textsFitTheirControls();
    void fixedSizeOffersNoMaximise();
    void progressBelongsToItsSensor();
};

void TestForm3Ends::operationEnds_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("entered"); // the upload was saved and entered
    QTest::addColumn<bool>("clearSent");
    const QStringList none;
    QTest::newRow("complete") << int(None) << none << true << true;
    QTest::newRow("empty recording")
        << int(EmptyRecording) << QStringList{"No data recorded."} << false << false;
    QTest::newRow("save dialog cancelled") << int(SaveCancelled) << none << false << false;
    QTest::newRow("save fails") << int(SaveFails) << QStringList{"Unable to create file."} << false
                                << false;
    QTest::newRow("no service") << int(NoService) << QStringList{kRefused} << false << false;
    QTest::newRow("no write characteristic")
        << int(NoWrite) << QStringList{kRefused} << false << false;
    QTest::newRow("no notify characteristic")
        << int(NoNotify) << QStringList{kRefused} << false << false;
    QTest::newRow("connect refused") << int(Refused) << QStringList{kRefused} << false << false;
    QTest::newRow("refused in service discovery")
        << int(RefusedInDiscovery) << QStringList{kRefused} << false << false;
    QTest::newRow("link never up") << int(LinkNeverUp) << QStringList{kRefused} << false << false;
    QTest::newRow("lost after the header")
        << int(LostAfterHeader) << QStringList{kLost} << false << false;
    QTest::newRow("lost mid-transfer")
        << int(LostMidTransfer) << QStringList{kLost} << false << false;
    QTest::newRow("lost before @CLR")
        << int(LostBeforeClear) << QStringList{kNotCleared} << true << false;
    QTest::newRow("lost on @CLR") << int(LostOnClear) << QStringList{kNotCleared} << true << true;
    QTest::newRow("@CLR unanswered")
        << int(ClearUnanswered) << QStringList{kNotCleared} << true << true;
    QTest::newRow("clear check fails")
        << int(ClearCheckFails) << QStringList{kCheckFailed} << true << false;
    QTest::newRow("cancelled") << int(Cancelled) << none << false << false;
    QTest::newRow("GC unanswered")
        << int(CancelUnanswered) << QStringList{"No response from Vm731-0042."} << false << false;
    QTest::newRow("lost on GC") << int(LostOnCancel) << none << false << false;
    QTest::newRow("dialog hidden mid-transfer") << int(HiddenMidTransfer) << none << false << false;
    QTest::newRow("dialog hidden while clearing")
        << int(HiddenDuringClear) << QStringList{kNotCleared} << true << true;
    QTest::newRow("set") << int(SetConfirmed) << QStringList{"Set up 0042."} << false << false;
    QTest::newRow("set unanswered")
        << int(SetUnanswered) << QStringList{"Unable to set up 0042."} << false << false;
    QTest::newRow("set, lost on the command")
        << int(SetLost) << QStringList{"Unable to set up 0042."} << false << false;
    QTest::newRow("set, refused") << int(SetRefused) << QStringList{kRefused} << false << false;
    QTest::newRow("set, no notify characteristic")
        << int(SetNoNotify) << QStringList{kRefused} << false << false;
}

void TestForm3Ends::operationEnds()
{
    QFETCH(int, fault);
    QFETCH(QStringList, messages);
    QFETCH(bool, entered);
    QFETCH(bool, clearSent);
    QTemporaryDir dir;
    Rig rig;
    // As on QtBluetooth: finding the services opens the link.
    rig.ble.linkInDiscovery = fault != Refused && fault != LinkNeverUp;
    const bool slow = fault == Cancelled || fault == CancelUnanswered || fault == LostOnCancel ||
                      fault == HiddenMidTransfer || fault == LostMidTransfer;
    SensorModel *sensor =
        rig.addSensor(QStringLiteral("0042"), fault == EmptyRecording ? 0 : (slow ? 400 : 20));
    if (slow) {
        sensor->notificationSize = 31;
        rig.ble.notifyIntervalMs = 3;
    }
    sensor->offersService = fault != NoService;
    sensor->hasWriteCharacteristic = fault != NoWrite;
    sensor->hasNotifyCharacteristic = fault != NoNotify && fault != SetNoNotify;
    sensor->connectable = fault != Refused && fault != RefusedInDiscovery && fault != SetRefused;
    if (fault == LinkNeverUp)
        rig.ble.connectDelayMs = 2000;
    if (fault == LostAfterHeader)
        sensor->loseLinkAfterPacket = 0;
    if (fault == LostOnClear)
        sensor->loseLinkOnCommand = QStringLiteral("@CLR");
    if (fault == LostOnCancel)
        sensor->loseLinkOnCommand = QStringLiteral("GC");
    if (fault == SetUnanswered || fault == CancelUnanswered)
        sensor->neverCompleteWrite = true;
    if (fault == SetLost)
        sensor->loseLinkOnCommand = rig.form->setupCommandText();
    if (fault == ClearCheckFails)
        rig.form->session().setClearCheck([](Prompts &p) {
            p.notice(kCheckFailed);
            return false;
        });
    rig.prompts.saveAnswers << (fault == SaveCancelled ? QString()
                                : fault == SaveFails   ? dir.filePath(QStringLiteral("no/up.csv"))
                                                       : dir.filePath(QStringLiteral("up.csv")));
    // What happens while the save dialog is open.
    rig.prompts.onShown = [&](const ScriptedPrompts::Shown &s) {
        if (s.kind != ScriptedPrompts::Kind::SaveDialog)
            return;
        if (fault == LostBeforeClear)
            rig.ble.loseLink();
        if (fault == ClearUnanswered)
            sensor->neverCompleteWrite = true;
        if (fault == HiddenDuringClear) {
            sensor->neverCompleteWrite = true;
            QTimer::singleShot(20, rig.form.get(), [&] { rig.form->hide(); });
        }
    };
    QVERIFY(rig.showAndScan());
    const bool set = fault >= SetConfirmed;
    rig.click(set ? "Button3" : "Button2");
    if (fault == Cancelled || fault == CancelUnanswered || fault == LostOnCancel) {
        QVERIFY(rig.cancelLive());
        QTRY_VERIFY(rig.decoder.Get_Count >= 2);
        rig.click("Button2");
    }
    if (fault == LostMidTransfer) {
        QTRY_VERIFY(rig.decoder.Get_Count >= 5);
        rig.ble.loseLink();
    }
    if (fault == HiddenMidTransfer) {
        QTRY_VERIFY(rig.decoder.Get_Count >= 2);
        rig.form->hide();
    }
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 5000));
    QTest::qWait(20); // anything still queued (a late report) has run
    QVERIFY(rig.idle());
    QCOMPARE(rig.prompts.messages(), messages);
    QCOMPARE(WindowCount, entered ? 1 : 0);
    QCOMPARE(sensor->writes.contains(QByteArray("\x02@CLR\x03")), clearSent);
    if (!clearSent)
        QCOMPARE(sensor->clears, 0);
    if (!set && fault != HiddenMidTransfer && fault != HiddenDuringClear) {
        // Idle in the state the upload left: Upload and Set pressable again, closing allowed.
        QVERIFY(rig.form->Button2->isEnabled());
        QVERIFY(rig.form->Button3->isEnabled());
        rig.click("Button4");
        QVERIFY(!rig.form->isVisible());
    }
    QVERIFY(!sensor->linked());
}

void TestForm3Ends::doubleClickOnUploadNeverCancels_data()
{
    QTest::addColumn<int>("connectMs");
    QTest::addColumn<int>("secondClickMs");
    QTest::newRow("link up at once, 120 ms") << 0 << 120;
    QTest::newRow("link up at once, 300 ms") << 0 << 300;
    QTest::newRow("link up after 200 ms, 120 ms") << 200 << 120;
    QTest::newRow("link up after 200 ms, 300 ms") << 200 << 300;
}

void TestForm3Ends::doubleClickOnUploadNeverCancels()
{
    QFETCH(int, connectMs);
    QFETCH(int, secondClickMs);
    QTemporaryDir dir;
    Rig rig;
    rig.ble.connectDelayMs = connectMs;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), 300);
    sensor->notificationSize = 31;
    rig.ble.notifyIntervalMs = 3;
    QVERIFY(rig.showAndScan());
    rig.prompts.saveAnswers << dir.filePath(QStringLiteral("up.csv"));
    rig.click("Button2");
    QVERIFY(!rig.form->Button2->isEnabled());
    QTest::qWait(secondClickMs);
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 10000));
    QVERIFY(!sensor->commands.contains(QStringLiteral("GC")));
    QCOMPARE(sensor->clears, 1);
    QCOMPARE(WindowCount, 1);
    QVERIFY(rig.prompts.messages().isEmpty());

    // A deliberate Cancel in the next upload still works once it is live.
    sensor->setRecording(generateRecording(300));
    rig.click("Button2");
    QVERIFY(rig.cancelLive());
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 5000));
    QCOMPARE(sensor->cancels, 1);
}

void TestForm3Ends::waitsLookBusy_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("waiting for GC") << int(CancelUnanswered);
    QTest::newRow("waiting for @CLR") << int(ClearUnanswered);
    QTest::newRow("waiting for the set-up command") << int(SetUnanswered);
}

void TestForm3Ends::waitsLookBusy()
{
    QFETCH(int, fault);
    QTemporaryDir dir;
    Rig rig;
    SensorModel *sensor = rig.addSensor(QStringLiteral("0042"), fault == ClearUnanswered ? 5 : 400);
    sensor->notificationSize = 31;
    rig.ble.notifyIntervalMs = 3;
    rig.form->session().setWriteTimeout(400);
    rig.prompts.saveAnswers << dir.filePath(QStringLiteral("up.csv"));
    rig.prompts.onShown = [&](const ScriptedPrompts::Shown &s) {
        if (s.kind == ScriptedPrompts::Kind::SaveDialog)
            sensor->neverCompleteWrite = true;
    };
    QVERIFY(rig.showAndScan());
    // Sampled in the middle of the wait: nothing can be pressed, the pointer says "wait", and
    // neither a press on Upload/Cancel nor closing the dialog changes anything.
    QStringList seen;
    QTimer::singleShot(fault == CancelUnanswered ? 1200 : 150, rig.form.get(), [&] {
        Form3 &f = *rig.form;
        if (!f.session().busy())
            seen << "not waiting";
        for (QWidget *w : {(QWidget *)f.Button1, (QWidget *)f.Button2, (QWidget *)f.Button3,
                           (QWidget *)f.Button4, (QWidget *)f.ComboBox1})
            if (w->isEnabled())
                seen << w->objectName();
        if (f.cursor().shape() != Qt::WaitCursor)
            seen << "cursor";
        rig.click("Button2");
        f.close();
        if (!f.isVisible())
            seen << "closed";
    });
    if (fault == SetUnanswered) {
        sensor->neverCompleteWrite = true;
        rig.click("Button3");
    } else {
        rig.click("Button2");
        if (fault == CancelUnanswered) {
            QVERIFY(rig.cancelLive());
            sensor->neverCompleteWrite = true;
            rig.click("Button2");
        }
    }
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 5000));
    QCOMPARE(seen, QStringList());
    QCOMPARE(rig.prompts.messages().size(), 1);
    QCOMPARE(sensor->cancels, fault == CancelUnanswered ? 1 : 0);
}

void TestForm3Ends::textsFitTheirControls()
{
    Rig rig;
    rig.form->show();
    Form3 &f = *rig.form;
    const QRect client = f.rect();
    for (QLabel *l : {f.Label1, f.Label2, f.Label3, f.Label5, f.Label6, f.Label7}) {
        QVERIFY2(l->contentsRect().width() >= l->fontMetrics().horizontalAdvance(l->text()),
                 qPrintable(l->text()));
        QVERIFY(client.contains(l->geometry()));
    }
    for (QComboBox *c : {f.ComboBox2, f.ComboBox3, f.ComboBox4, f.ComboBox5}) {
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.rect = c->rect();
        const QRect field =
            c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        for (int i = 0; i < c->count(); ++i)
            QVERIFY2(field.width() >= c->fontMetrics().horizontalAdvance(c->itemText(i)),
                     qPrintable(c->itemText(i)));
        QVERIFY(client.contains(c->geometry()));
    }
    for (const QString &text : {QStringLiteral("11.0mm"), QStringLiteral(" 3.0mm")})
        QVERIFY(f.Edit1->width() - 8 >= f.Edit1->fontMetrics().horizontalAdvance(text));
    f.Label4->setText(QStringLiteral("10000/10000  100% Received."));
    QVERIFY(f.Label4->width() >= f.Label4->fontMetrics().horizontalAdvance(f.Label4->text()));
    // The right-hand controls end before the button column and overlap nothing.
    const QList<QWidget *> all{f.Button1, f.ComboBox1, f.ComboBox2, f.Label3,    f.Edit1,
                               f.UpDown1, f.ComboBox3, f.Label6,    f.ComboBox4, f.ComboBox5,
                               f.Button2, f.Button3,   f.Button4,   f.Label4,    f.ProgressBar1};
    for (int i = 0; i < all.size(); ++i) {
        QVERIFY(client.contains(all[i]->geometry()));
        for (int j = i + 1; j < all.size(); ++j)
            QVERIFY2(!all[i]->geometry().intersects(all[j]->geometry()),
                     qPrintable(all[i]->objectName() + " " + all[j]->objectName()));
    }
}

void TestForm3Ends::fixedSizeOffersNoMaximise()
{
    Rig rig;
    rig.form->show();
    const Qt::WindowFlags flags = rig.form->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(rig.form->minimumSize(), QSize(418, 270));
    QCOMPARE(rig.form->maximumSize(), QSize(418, 270));
}

void TestForm3Ends::progressBelongsToItsSensor()
{
    Rig rig;
    rig.addSensor(QStringLiteral("0042"), 3);
    rig.addSensor(QStringLiteral("A7"), 3);
    QVERIFY(rig.showAndScan());
    rig.click("Button2"); // the save dialog is cancelled: the progress stays
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 5000));
    QCOMPARE(rig.form->Label4->text(), QStringLiteral("3/3  100% Received."));
    QVERIFY(rig.form->Label4->isVisible());
    rig.combo("ComboBox1")->setCurrentIndex(1);
    QVERIFY(!rig.form->Label4->isVisible());
    QVERIFY(!rig.form->ProgressBar1->isVisible());
    rig.combo("ComboBox1")->setCurrentIndex(0);
    QVERIFY(rig.form->Label4->isVisible());
    QVERIFY(rig.form->ProgressBar1->isVisible());
    // A new scan lists the sensors again; the progress shows only with its sensor selected.
    rig.click("Button1");
    QVERIFY(!rig.form->Label4->isVisible());
    QTRY_VERIFY(rig.button("Button1")->isEnabled());
    QCOMPARE(rig.combo("ComboBox1")->currentText(), QStringLiteral("0042"));
    QVERIFY(rig.form->Label4->isVisible());
    // An upload from the other sensor makes the display its own.
    rig.combo("ComboBox1")->setCurrentIndex(1);
    rig.click("Button2");
    QVERIFY(QTest::qWaitFor([&] { return rig.idle(); }, 5000));
    QVERIFY(rig.form->Label4->isVisible());
    rig.combo("ComboBox1")->setCurrentIndex(0);
    QVERIFY(!rig.form->Label4->isVisible());
}

QTEST_MAIN(TestForm3Ends)
#include "test_form3_ends.moc"
