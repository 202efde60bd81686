// The main window through its real widgets: control tree, start-up with and without a
// settings file, the size limit, the close step, and the commands of the File and View menus.
#include "form1fixture.h"
#include "graphwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>

class TestForm1 : public QObject
{
    Q_OBJECT

    Form1Fixture f;

    // The size the client area has grown beyond its design size (1000 x 550).
    QSize growth() const { return f.form->centralWidget()->size() - QSize(1000, 550); }

    // Centred on the desktop. The offscreen platform pushes a window that would start left of
    // the screen right by its frame margin, as window managers do.
    bool isCentred(const QRect &frame, const QRect &desktop) const
    {
        const int left = desktop.left() + (desktop.width() - frame.width()) / 2;
        const int top = desktop.top() + (desktop.height() - frame.height()) / 2;
        const int margin = f.form->geometry().left() - frame.left();
        const bool leftOk = left >= 0 ? frame.left() == left
                                      : frame.left() >= left && frame.left() <= left + margin;
        return leftOk && frame.top() == top;
    }

private slots:
    void cleanup() { f.stop(); }

    void controlTree_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QRect>("place"); // at the design client size; null: not checked
        QTest::addColumn<int>("anchors");
        const int lt = AnchorLeft | AnchorTop;
        QTest::newRow("GroupBox1") << "GroupBox1"
                                   << "Display Data Select"
                                   << "" << QRect(8, 8, 233, 58) << lt;
        // The list groups widen (and those right of them move) where the fonts at hand need it;
        // test_textfit checks their places.
        QTest::newRow("GroupBox4") << "GroupBox4"
                                   << "Moving avg."
                                   << "" << QRect() << lt;
        QTest::newRow("GroupBox5") << "GroupBox5"
                                   << "Scaling"
                                   << "" << QRect() << lt;
        QTest::newRow("SensorGroupBox") << "SensorGroupBox"
                                        << "Disp. Sensor"
                                        << "" << QRect() << lt;
        QTest::newRow("ArrangeGroupBox") << "ArrangeGroupBox"
                                         << "Arrangement"
                                         << "" << QRect() << lt;
        QTest::newRow("Panel1") << "Panel1"
                                << ""
                                << "" << QRect(8, 80, 882, 449)
                                << (lt | AnchorRight | AnchorBottom);
        QTest::newRow("CHGroupBox") << "CHGroupBox"
                                    << "Disp. Select"
                                    << "" << QRect(900, 80, 90, 143) << (AnchorTop | AnchorRight);
        QTest::newRow("ReadoutGroupBox")
            << "ReadoutGroupBox"
            << ""
            << "" << QRect(900, 400, 90, 129) << (AnchorRight | AnchorBottom);
        QTest::newRow("Region1Data1CheckBox") << "Region1Data1CheckBox"
                                              << ""
                                              << "Visible/Invisible OXHb" << QRect() << 0;
        QTest::newRow("Region1Data2CheckBox") << "Region1Data2CheckBox"
                                              << ""
                                              << "Visible/Invisible DXHb" << QRect() << 0;
        QTest::newRow("Region1Data3CheckBox") << "Region1Data3CheckBox"
                                              << ""
                                              << "Visible/Invisible TOHb" << QRect() << 0;
        QTest::newRow("Region1Data4CheckBox") << "Region1Data4CheckBox"
                                              << ""
                                              << "Visible/Invisible StO2" << QRect() << 0;
        QTest::newRow("Region1Data1Label") << "Region1Data1Label"
                                           << "OXHb"
                                           << "" << QRect() << 0;
        QTest::newRow("Region1Data4Label") << "Region1Data4Label"
                                           << "StO2"
                                           << "" << QRect() << 0;
        QTest::newRow("AveComboBox") << "AveComboBox"
                                     << ""
                                     << "Select averaging points." << QRect() << 0;
        QTest::newRow("AmpComboBox") << "AmpComboBox"
                                     << ""
                                     << "Select vertical axis scaling for Hb" << QRect() << 0;
        QTest::newRow("SensorComboBox") << "SensorComboBox"
                                        << ""
                                        << "Select display sensor data" << QRect() << 0;
        QTest::newRow("SpeedButton1") << "SpeedButton1"
                                      << ""
                                      << "Display trend vertically" << QRect() << 0;
        QTest::newRow("SpeedButton2") << "SpeedButton2"
                                      << ""
                                      << "Display trend horizontally" << QRect() << 0;
        QTest::newRow("CH1CheckBox") << "CH1CheckBox"
                                     << "[1]"
                                     << "Visible/Invisible Window[1]" << QRect() << 0;
        QTest::newRow("CH4CheckBox") << "CH4CheckBox"
                                     << "[4]"
                                     << "Visible/Invisible Window[4]" << QRect() << 0;
        QTest::newRow("CHLinkCheckBox") << "CHLinkCheckBox"
                                        << "Interlock"
                                        << "スクロール連動の設定" << QRect() << 0;
        QTest::newRow("Label3") << "Label3"
                                << "[3]"
                                << "" << QRect() << 0;
        QTest::newRow("Graph2SpeedButton") << "Graph2SpeedButton"
                                           << ""
                                           << "Close" << QRect() << 0;
    }
    void controlTree()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        QFETCH(QRect, place);
        QFETCH(int, anchors);
        f.start();
        QWidget *w = control<QWidget>(f.form.get(), qPrintable(name));
        QCOMPARE(w->toolTip(), hint);
        QString shown;
        if (auto *g = qobject_cast<QGroupBox *>(w))
            shown = g->title();
        else if (auto *c = qobject_cast<QCheckBox *>(w))
            shown = c->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        QCOMPARE(shown, text);
        if (!place.isNull())
            QCOMPARE(w->geometry(), Anchors::placeFor(place, anchors, QSize(1000, 550),
                                                      QSize(1000, 550) + growth()));
    }

    void listsAndColours()
    {
        f.start();
        QComboBox *ave = control<QComboBox>(f.form.get(), "AveComboBox");
        QComboBox *amp = control<QComboBox>(f.form.get(), "AmpComboBox");
        QComboBox *sensor = control<QComboBox>(f.form.get(), "SensorComboBox");
        QCOMPARE(ave->count(), 6);
        QCOMPARE(ave->itemText(5), QString("11 points"));
        QCOMPARE(amp->count(), 7);
        QCOMPARE(amp->itemText(0), QString("x0.25"));
        QCOMPARE(amp->itemText(6), QString("x16"));
        QCOMPARE(sensor->itemText(2), QString("Gyroscope"));
        QVERIFY(!ave->isEditable() && !amp->isEditable() && !sensor->isEditable());
        const char *labels[] = {"Region1Data1Label", "Region1Data2Label", "Region1Data3Label",
                                "Region1Data4Label"};
        const QColor colours[] = {{255, 0, 0}, {0, 0, 255}, {0, 128, 0}, {128, 0, 128}};
        for (int k = 0; k < 4; ++k) {
            QLabel *l = control<QLabel>(f.form.get(), labels[k]);
            QCOMPARE(l->palette().color(QPalette::WindowText), colours[k]);
            QCOMPARE(DataColor[k], colours[k]);
        }
        QCOMPARE(control<QWidget>(f.form.get(), "Panel1")->palette().color(QPalette::Window),
                 QColor(128, 128, 128));
        QCOMPARE(
            control<QWidget>(f.form.get(), "Graph1InfoPanel")->palette().color(QPalette::Window),
            QColor(192, 192, 192));
        QCOMPARE(f.form->font().pointSize(), 8);
        QCOMPARE(f.form->windowTitle(), QString("NIRS Data Viewer for Kel-Dra"));
        QCOMPARE(control<QStatusBar>(f.form.get(), "StatusBar1")->height(), 19);
    }

    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("items"); // "name=caption"
        QTest::newRow("File") << "F1" << QStringList{"O1=Open(&O)",  "L1=Close All(&L)",
                                                     "N4=",          "C1=Connect(&C)",
                                                     "N2=",          "U1=Print Setup(&U)",
                                                     "P1=Print(&P)", "E1=Export(&E)",
                                                     "N3=",          "X1=Exit(&X)"};
        QTest::newRow("Export") << "E1"
                                << QStringList{"E2=Picture(&P)...", "E3=Window 1(&1)...",
                                               "E4=Window 2(&2)...", "E5=Window 3(&3)...",
                                               "E6=Window 4(&4)..."};
        QTest::newRow("View") << "N1" << QStringList{"I1=Initialize View Settings(&I)"};
        QTest::newRow("Help") << "H1" << QStringList{"H2=Help(&H)", "A1=About(&A)"};
    }
    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, items);
        f.start();
        QMenu *m = control<QMenu>(f.form.get(), qPrintable(menu));
        const QList<QAction *> actions = m->actions();
        QCOMPARE(actions.size(), items.size());
        for (int i = 0; i < items.size(); ++i) {
            const QStringList parts = items[i].split(u'=');
            QCOMPARE(actions[i]->objectName(), parts[0]);
            if (parts[1].isEmpty()) {
                QVERIFY(actions[i]->isSeparator());
            } else {
                QCOMPARE(actions[i]->text(), parts[1]);
                QVERIFY(actions[i]->shortcut().isEmpty());
                QVERIFY(actions[i]->isEnabled());
            }
        }
        const QStringList titles = {"File(&F)", "View(&V)", "Help(&H)"};
        QCOMPARE(f.form->menuBar()->actions().size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(f.form->menuBar()->actions()[i]->text(), titles[i]);
    }

    void startsWithoutSettingsFile()
    {
        f.start();
        Form1 *w = f.form.get();
        QCOMPARE(w->frameGeometry().width(), 1024);
        QVERIFY(w->frameGeometry().height() >= 600);
        QVERIFY(isCentred(w->frameGeometry(), w->screen()->availableGeometry()));
        QCOMPARE(control<QComboBox>(w, "AveComboBox")->currentText(), QString("none"));
        QCOMPARE(control<QComboBox>(w, "AmpComboBox")->currentText(), QString("x0.5"));
        QCOMPARE(control<QComboBox>(w, "SensorComboBox")->currentText(), QString("none"));
        QVERIFY(!control<QCheckBox>(w, "Region1Data1CheckBox")->isChecked());
        QVERIFY(!control<QCheckBox>(w, "Region1Data2CheckBox")->isChecked());
        QVERIFY(control<QCheckBox>(w, "Region1Data3CheckBox")->isChecked());
        QVERIFY(control<QCheckBox>(w, "Region1Data4CheckBox")->isChecked());
        for (const char *n : {"Graph1Panel", "Graph2Panel", "Graph3Panel", "Graph4Panel",
                              "CHGroupBox", "ReadoutGroupBox", "ArrangeGroupBox"})
            QVERIFY2(!control<QWidget>(w, n)->isVisible(), n);
        QCOMPARE(w->statusText(), QString());
        QCOMPARE(WindowCount, 0);
        for (const WINDOW_INFO_TYPE &wi : WinInfo) {
            QCOMPARE(wi.DataNo, -1);
            QVERIFY(wi.LinkHold);
        }
        QCOMPARE(CursorWindow, -1);
        QCOMPARE(CursorIndex, -1);
        QVERIFY(!QFile::exists(f.iniPath()));
    }

    void startsFromSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QRect>("frame"); // null: centred
        QTest::addColumn<int>("amp");
        QTest::addColumn<int>("ave");
        QTest::addColumn<int>("sensor");
        QTest::addColumn<QString>("checks");
        QTest::newRow("stored place")
            << QByteArray("[Form]\r\nTop=100\r\nLeft=200\r\nWidth=1200\r\nHeight=700\r\n")
            << QRect(200, 100, 1200, 700) << 1 << 0 << 0 << "0011";
        QTest::newRow("too small raised to the limit")
            << QByteArray("[Form]\nTop=10\nLeft=20\nWidth=500\nHeight=300\n")
            << QRect(20, 10, 1024, 600) << 1 << 0 << 0 << "0011";
        QTest::newRow("hex top") << QByteArray("[Form]\nTop=0x10\nLeft=0\nWidth=1100\nHeight=650\n")
                                 << QRect(0, 16, 1100, 650) << 1 << 0 << 0 << "0011";
        QTest::newRow("negative value centres")
            << QByteArray("[Form]\nTop=100\nLeft=-1200\nWidth=1200\nHeight=700\n") << QRect() << 1
            << 0 << 0 << "0011";
        QTest::newRow("width not a number centres")
            << QByteArray("[Form]\nTop=100\nLeft=200\nWidth=abc\nHeight=700\n") << QRect() << 1 << 0
            << 0 << "0011";
        QTest::newRow("off every screen centres")
            << QByteArray("[Form]\nTop=30000\nLeft=30000\nWidth=1200\nHeight=700\n") << QRect() << 1
            << 0 << 0 << "0011";
        QTest::newRow("largest values: on no screen, centred")
            << QByteArray("[Form]\nTop=2147483647\nLeft=2147483647\nWidth=2147483647\n"
                          "Height=2147483647\n")
            << QRect() << 1 << 0 << 0 << "0011";
        QTest::newRow("largest size: the whole screen")
            << QByteArray("[Form]\nTop=0\nLeft=0\nWidth=2147483647\nHeight=2147483647\n")
            << QRect(0, 0, 1920, 1080) << 1 << 0 << 0 << "0011";
        QTest::newRow("off the right edge moved back")
            << QByteArray("[Form]\nTop=50\nLeft=1500\nWidth=1100\nHeight=650\n")
            << QRect(820, 50, 1100, 650) << 1 << 0 << 0 << "0011";
        QTest::newRow("view controls")
            << QByteArray("[settings]\namp=6\nAve=5\nSensor=2\nCheck1=1\nCheck3=0\n") << QRect()
            << 6 << 5 << 2 << "1001";
        QTest::newRow("indexes outside their lists take defaults")
            << QByteArray("[Settings]\nAmp=7\nAve=-1\nSensor=3\nCheck2=0x1\nCheck4=zero\n")
            << QRect() << 1 << 0 << 0 << "0111";
    }
    void startsFromSettingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QRect, frame);
        QFETCH(int, amp);
        QFETCH(int, ave);
        QFETCH(int, sensor);
        QFETCH(QString, checks);
        writeSettings(f.iniPath(), content);
        Form1 *w = f.start();
        if (frame.isNull()) {
            const QRect desktop = w->screen()->availableGeometry();
            const QRect frame = w->frameGeometry();
            QVERIFY(isCentred(frame, desktop));
        } else {
            QCOMPARE(w->frameGeometry(), frame);
        }
        QCOMPARE(control<QComboBox>(w, "AmpComboBox")->currentIndex(), amp);
        QCOMPARE(control<QComboBox>(w, "AveComboBox")->currentIndex(), ave);
        QCOMPARE(control<QComboBox>(w, "SensorComboBox")->currentIndex(), sensor);
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(w->dataCheckBox(k)->isChecked(), checks.at(k) == u'1');
            QCOMPARE(DataVisible[k], checks.at(k) == u'1');
        }
    }

    void sizeLimit_data()
    {
        QTest::addColumn<QSize>("proposed");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("small") << QSize(500, 300) << QSize(1024, 600);
        QTest::newRow("narrow") << QSize(800, 900) << QSize(1024, 900);
        QTest::newRow("low") << QSize(1300, 200) << QSize(1300, 600);
        QTest::newRow("large") << QSize(1500, 1000) << QSize(1500, 1000);
    }
    void sizeLimit()
    {
        QFETCH(QSize, proposed);
        QFETCH(QSize, expected);
        QSize s = proposed;
        QVERIFY(Form1::FormCanResize(s));
        QCOMPARE(s, expected);
        Form1 *w = f.start();
        w->resize(proposed - (w->frameGeometry().size() - w->size()));
        QCOMPARE(w->frameGeometry().size(), expected);
    }

    void closeWritesFormAndSettings()
    {
        Form1 *w = f.start();
        w->close();
        const QRect frame = w->frameGeometry();
        const QByteArray expected =
            QStringLiteral("[Form]\r\nTop=%1\r\nLeft=%2\r\nWidth=%3\r\nHeight=%4\r\n\r\n"
                           "[Settings]\r\nAmp=1\r\nAve=0\r\nSensor=0\r\nCheck1=0\r\nCheck2=0\r\n"
                           "Check3=1\r\nCheck4=1\r\n")
                .arg(frame.top())
                .arg(frame.left())
                .arg(frame.width())
                .arg(frame.height())
                .toLatin1();
        QCOMPARE(readSettings(f.iniPath()), expected);
        QVERIFY(f.prompts.shown.isEmpty());
    }

    void closeKeepsUnknownKeysAndRoundTrips()
    {
        writeSettings(f.iniPath(), "[Condition]\r\nRate=3\r\nThick=45\r\n[Form]\r\nTop=40\r\n"
                                   "Left=50\r\nWidth=1111\r\nHeight=666\r\nExtra=keep\r\n");
        Form1 *w = f.start();
        control<QComboBox>(w, "AmpComboBox")->setCurrentIndex(4);
        control<QCheckBox>(w, "Region1Data1CheckBox")->setChecked(true);
        w->resize(QSize(1300, 700) - (w->frameGeometry().size() - w->size()));
        w->close();
        const QByteArray text = readSettings(f.iniPath());
        QVERIFY(text.startsWith("[Condition]\r\nRate=3\r\nThick=45\r\n[Form]\r\nTop=40\r\n"
                                "Left=50\r\nWidth=1300\r\nHeight=700\r\nExtra=keep\r\n"));
        f.form.reset();
        w = f.start();
        QCOMPARE(w->frameGeometry(), QRect(50, 40, 1300, 700));
        QCOMPARE(control<QComboBox>(w, "AmpComboBox")->currentIndex(), 4);
        QVERIFY(control<QCheckBox>(w, "Region1Data1CheckBox")->isChecked());
    }

    void refusedWriteStopsCloseStep()
    {
        f.form = std::make_unique<Form1>(f.prompts, f.dir->filePath("no/such/folder/v.ini"));
        f.form->show();
        f.form->close();
        QCOMPARE(f.prompts.shown.size(), 1);
        QCOMPARE(f.prompts.shown[0].kind, ScriptedPrompts::Kind::PlatformError);
        QVERIFY(f.prompts.shown[0].text.endsWith(QString::fromUtf8("v.ini に書き込めません")));
        QVERIFY(f.prompts.shown[0].text.startsWith(QDir::toNativeSeparators(f.dir->path())));
        QVERIFY(!f.form->isVisible());
    }

    void exitWritesSettingsAndAsksNothing()
    {
        Form1 *w = f.start();
        Recording r;
        QVERIFY(enterRecording(r));
        control<QAction>(w, "X1")->trigger();
        QVERIFY(!w->isVisible());
        QVERIFY(readSettings(f.iniPath()).contains("[Settings]"));
        QVERIFY(f.prompts.shown.isEmpty());
    }

    void settingsFileBesideExecutable()
    {
        const QString p = Form1::settingsFilePath();
        QCOMPARE(QFileInfo(p).absolutePath(), QCoreApplication::applicationDirPath());
        QCOMPARE(QFileInfo(p).fileName(),
                 QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini");
    }

    void statusBarFollowsDeviceType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::newRow("Vm731") << 1 << "Device Type:Vm731";
        QTest::newRow("Vm732") << 2 << "Device Type:Vm732";
        QTest::newRow("unknown") << 0 << "Device Type:Unknown";
    }
    void statusBarFollowsDeviceType()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        Form1 *w = f.start();
        Recording r;
        r.deviceType = type;
        QVERIFY(enterRecording(r));
        QCOMPARE(w->statusText(), text);
        QCOMPARE(CurDeviceType, type);
        QCOMPARE(control<QLabel>(w, "Graph1InfoLabel")->text(),
                 describeMeasurement(DataInfo[0], "run01.csv", QLocale()));
        control<QToolButton>(w, "Graph1SpeedButton")->click();
        QCOMPARE(w->statusText(), QString());
        QCOMPARE(CurDeviceType, 0);
    }

    void closeAllReleasesEverything()
    {
        Form1 *w = f.start();
        for (int i = 0; i < 3; ++i)
            QVERIFY(enterRecording(Recording{}));
        control<QCheckBox>(w, "CHLinkCheckBox")->setChecked(true);
        CursorWindow = 1;
        CursorIndex = 10;
        control<QAction>(w, "L1")->trigger();
        QCOMPARE(WindowCount, 0);
        QCOMPARE(CurDeviceType, 0);
        QCOMPARE(w->statusText(), QString());
        QVERIFY(!control<QCheckBox>(w, "CHLinkCheckBox")->isChecked());
        QVERIFY(!control<QGroupBox>(w, "CHGroupBox")->isVisible());
        QCOMPARE(CursorWindow, -1);
        for (int s = 0; s < SLOT_COUNT; ++s) {
            QVERIFY(!DataInfo[s].Enable);
            const WINDOW_INFO_TYPE &wi = WinInfo[s];
            QCOMPARE(wi.DataNo, -1);
            QCOMPARE(wi.TimeGrid, 1);
            QCOMPARE(wi.MaxSamplesPerPixel, 1);
            QVERIFY(!wi.Panel->isVisible());
            QVERIFY(wi.CHCheckBox->isHidden());
            QVERIFY(!wi.CHCheckBox->isChecked());
            QVERIFY(wi.ScrollBar->isHidden());
            QCOMPARE(wi.ScrollBar->maximum(), 0);
            QVERIFY(wi.InfoLabel->text().isEmpty());
        }
        QVERIFY(enterRecording(Recording{}));
        QCOMPARE(WinInfo[0].DataNo, 0);
        QVERIFY(WinInfo[0].Panel->isVisible());
        QVERIFY(f.prompts.shown.isEmpty());
    }

    void closeAllWithNothingOpen()
    {
        Form1 *w = f.start();
        w->setStatusText("x");
        control<QAction>(w, "L1")->trigger();
        QCOMPARE(w->statusText(), QString());
        QVERIFY(f.prompts.shown.isEmpty());
    }

    void initializeViewSettings()
    {
        Form1 *w = f.start();
        QVERIFY(enterRecording(Recording{5000}));
        QVERIFY(enterRecording(Recording{5000}));
        control<QCheckBox>(w, "CH2CheckBox")->setChecked(false);
        for (int k = 0; k < 2; ++k) {
            WinInfo[k].Offset = 40;
            WinInfo[k].SamplesPerPixel = 3;
            WinInfo[k].TimeGrid = 123;
        }
        WinInfo[0].ScrollBar->setValue(700);
        control<QAction>(w, "I1")->trigger();
        QCOMPARE(WinInfo[0].Offset, 0);
        QCOMPARE(WinInfo[0].SamplesPerPixel, 1);
        QCOMPARE(WinInfo[0].TimeGrid, 10000);
        QCOMPARE(WinInfo[0].ScrollBar->value(), 0);
        // The hidden window [2] is not touched.
        QCOMPARE(WinInfo[1].Offset, 40);
        QCOMPARE(WinInfo[1].SamplesPerPixel, 3);
        QCOMPARE(control<QComboBox>(w, "AmpComboBox")->currentIndex(), 1);
    }

    void initializeWithNothingVisible()
    {
        Form1 *w = f.start();
        control<QAction>(w, "I1")->trigger();
        for (const WINDOW_INFO_TYPE &wi : WinInfo)
            QCOMPARE(wi.TimeGrid, 1);
    }

    void movingAverageControl()
    {
        Form1 *w = f.start();
        QComboBox *ave = control<QComboBox>(w, "AveComboBox");
        // Changed with nothing loaded: the next recording is averaged with the new index.
        ave->setFocus();
        QTest::keyClick(ave, Qt::Key_Down);
        QCOMPARE(ave->currentIndex(), 1);
        QVERIFY(enterRecording(Recording{100}));
        const SAMPLE_TYPE *s = SampleData[0];
        QCOMPARE(s[0].Nirs_Ave[2], (s[0].Nirs[2] + s[1].Nirs[2]) / 2);
        QTest::keyClick(ave, Qt::Key_Up);
        QCOMPARE(ave->currentIndex(), 0);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(s[i].Nirs_Ave[3], s[i].Nirs[3]);
    }

    void programmaticListChangeRunsNoHandler()
    {
        Form1 *w = f.start();
        QVERIFY(enterRecording(Recording{100}));
        control<QComboBox>(w, "AveComboBox")->setCurrentIndex(5);
        QCOMPARE(SampleData[0][0].Nirs_Ave[2], SampleData[0][0].Nirs[2]);
    }
};

QTEST_MAIN(TestForm1)
#include "test_form1.moc"
