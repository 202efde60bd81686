// The main window's File > Open and File > Connect through the real menu actions: a file
// opened or a recording uploaded lands in the next graph window, and the Connect dialog keeps
// its conditions in the settings file.
#include "../files/fixture.h"
#include "form1fixture.h"
#include "form3.h"
#include "graphwindow.h"
#include "inifile.h"
#include "packetdecoder.h"
#include "sensormodel.h"
#include "simulatedcentral.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

class TestFileCommands : public QObject
{
    Q_OBJECT

    Form1Fixture f;

    QString writeFile(const QString &name, int samples, const QByteArray &device)
    {
        QByteArray content = standardHeader(1000, device);
        for (int i = 0; i < samples; ++i)
            content += sampleLine(9 * 3600 + 30 * 60 + i, i, 0.5 + 0.01 * i);
        const QString path = f.dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void cleanup() { f.stop(); }

    void openFillsWindowsInTurn()
    {
        Form1 *form = f.start();
        const QString first = writeFile(QStringLiteral("a.csv"), 20, "Vm731-A00123");
        const QString second = writeFile(QStringLiteral("b.csv"), 30, "Vm731-B00456");
        f.prompts.openAnswers << first << QString() << second;
        form->O1->trigger();
        QCOMPARE(WindowCount, 1);
        QVERIFY(form->Graph1InfoLabel->text().startsWith(QLatin1String("a.csv(S/N:A00123  ")));
        // A cancelled dialog changes nothing.
        form->O1->trigger();
        QCOMPARE(WindowCount, 1);
        form->O1->trigger();
        QCOMPARE(WindowCount, 2);
        QVERIFY(form->Graph2InfoLabel->text().startsWith(QLatin1String("b.csv(S/N:B00456  ")));
        QVERIFY(form->Graph2Panel->isVisible());
        QCOMPARE(DataInfo[WinInfo[1].DataNo].Ex_count, 30);
        QVERIFY(f.prompts.messages().isEmpty());
    }

    void openOfBadFileShowsMessageAndKeepsWindows()
    {
        Form1 *form = f.start();
        f.prompts.openAnswers << writeFile(QStringLiteral("a.csv"), 5, "Vm731-A00123");
        form->O1->trigger();
        const QString bad = f.dir->filePath(QStringLiteral("bad.csv"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a measurement\r\n");
        file.close();
        f.prompts.openAnswers << bad;
        form->O1->trigger();
        QCOMPARE(f.prompts.messages().size(), 1);
        QCOMPARE(WindowCount, 1);
        QVERIFY(form->Graph1InfoLabel->text().startsWith(QLatin1String("a.csv(S/N:A00123  ")));
    }

    void namedFilesOpenInOrderAsOpenDoes()
    {
        // The command line's and a drop's files: in order, with Open's messages, no dialog.
        Form1 *form = f.start();
        const QString bad = f.dir->filePath(QStringLiteral("bad.csv"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a measurement\r\n");
        file.close();
        QStringList names;
        for (int i = 0; i < 5; ++i) {
            const QByteArray device = "Vm731-A0012" + QByteArray::number(i);
            names << writeFile(QStringLiteral("n%1.csv").arg(i), 10 + i, device);
        }
        names.insert(1, bad);
        form->openFiles(names);
        QVERIFY(f.prompts.dialogs.isEmpty());
        QCOMPARE(WindowCount, 4);
        const QStringList expected = {"n0.csv", "n1.csv", "n2.csv", "n3.csv"};
        for (int w = 0; w < 4; ++w)
            QVERIFY2(WinInfo[w].InfoLabel->text().startsWith(expected[w]),
                     qPrintable(WinInfo[w].InfoLabel->text()));
        // The bad file's message, then Open's answer to a fifth recording.
        QCOMPARE(f.prompts.messages(),
                 QStringList({f.prompts.messages().value(0), "Unable to open anymore."}));
        f.prompts.shown.clear();
        form->O1->trigger();
        QCOMPARE(f.prompts.messages(), QStringList{"Unable to open anymore."});
    }

    void dropOpensLocalFiles()
    {
        Form1 *form = f.start();
        const QString a = writeFile(QStringLiteral("a.csv"), 5, "Vm731-A00123");
        const QString b = writeFile(QStringLiteral("b.csv"), 6, "Vm731-B00456");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(a), QUrl(QStringLiteral("https://example.org/x.csv")),
                      QUrl::fromLocalFile(b)});
        QCOMPARE(Form1::localFiles(mime.urls()), QStringList({a, b}));
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form, &drop);
        QTRY_COMPARE(WindowCount, 2);
        QVERIFY(form->Graph1InfoLabel->text().startsWith(QLatin1String("a.csv")));
        QVERIFY(form->Graph2InfoLabel->text().startsWith(QLatin1String("b.csv")));
        QVERIFY(f.prompts.messages().isEmpty());
    }

    // Upload through File > Connect: the saved recording is in graph window 2 at once, the
    // sensor's memory is cleared, and the dialog's conditions are in the settings file.
    void connectUploadsIntoNextWindow()
    {
        Form1 *form = f.start();
        f.prompts.openAnswers << writeFile(QStringLiteral("a.csv"), 5, "Vm731-A00123");
        form->O1->trigger();

        SimulatedCentral ble;
        SensorModel sensor(QStringLiteral("C00789"));
        sensor.setRecording(generateRecording(40));
        sensor.notificationSize = 20;
        ble.addSensor(&sensor);
        Form3 dialog(ble, form->decoder(), f.prompts, form->conditionSettings(), form);
        dialog.session().setWriteTimeout(300);
        form->setConnectDialog(&dialog);
        const QString saved = f.dir->filePath(QStringLiteral("up.csv"));
        f.prompts.saveAnswers << saved;

        bool ran = false;
        QPoint offCentre(-1, -1);
        bool modal = false;
        QTimer::singleShot(0, &dialog, [&] {
            offCentre = dialog.geometry().center() - form->geometry().center();
            modal = QApplication::activeModalWidget() == &dialog;
            auto button = [&](const char *name) {
                return dialog.findChild<QPushButton *>(QLatin1String(name));
            };
            button("Button1")->click();
            if (!QTest::qWaitFor([&] { return button("Button1")->isEnabled(); }, 5000))
                return dialog.done(0);
            dialog.ComboBox3->setCurrentIndex(2);
            button("Button2")->click();
            ran = QTest::qWaitFor(
                [&] { return sensor.clears == 1 && button("Button4")->isEnabled(); }, 10000);
            button("Button4")->click();
        });
        form->C1->trigger();
        QVERIFY(ran);
        // Opened modally, centred on the main window.
        QVERIFY(modal);
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(WindowCount, 2);
        QVERIFY(form->Graph2InfoLabel->text().startsWith(QLatin1String("up.csv(S/N:C00789  ")));
        QCOMPARE(DataInfo[WinInfo[1].DataNo].Ex_count, 40);
        QCOMPARE(form->decoder().Get_Count, 40);
        QVERIFY(QFile::exists(saved));
        const IniFile ini(f.iniPath(), f.prompts);
        QCOMPARE(ini.readInteger(QStringLiteral("condition"), QStringLiteral("RangeA"), -1), 2);
        QCOMPARE(ini.readInteger(QStringLiteral("Condition"), QStringLiteral("Thick"), -1), 30);
    }
};

QTEST_MAIN(TestFileCommands)
#include "test_filecommands.moc"
