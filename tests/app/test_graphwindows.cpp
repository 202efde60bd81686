// The graph windows on the real main window: entering recordings, the layout of one to four
// windows in both arrangements, hiding by the check boxes, scroll ranges, closing with
// compaction and the series switches.
#include "form1fixture.h"
#include "graphwindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>

class TestGraphWindows : public QObject
{
    Q_OBJECT

    Form1Fixture f;

    QSize area() const { return f.form->Panel1->size(); }
    QWidget *panel(int w) const { return WinInfo[w].Panel; }
    static QToolButton *closeButton(Form1 *form, int w)
    {
        const QByteArray name = "Graph" + QByteArray::number(w + 1) + "SpeedButton";
        return control<QToolButton>(form, name.constData());
    }

    void enterRecordings(int n, int count = 3000)
    {
        for (int i = 0; i < n; ++i) {
            Recording r;
            r.count = count;
            r.phase = i;
            QVERIFY(enterRecording(r));
        }
    }

private slots:
    void cleanup() { f.stop(); }

    void entryShowsNextWindow()
    {
        Form1 *w = f.start();
        enterRecordings(1);
        QVERIFY(panel(0)->isVisible());
        QCOMPARE(panel(0)->geometry(), QRect(QPoint(0, 0), area()));
        QVERIFY(!control<QGroupBox>(w, "CHGroupBox")->isVisible());
        QVERIFY(control<QCheckBox>(w, "CH1CheckBox")->isChecked());
        enterRecordings(1);
        QVERIFY(control<QGroupBox>(w, "CHGroupBox")->isVisible());
        QVERIFY(control<QCheckBox>(w, "CH2CheckBox")->isVisible());
        QVERIFY(!control<QCheckBox>(w, "CH3CheckBox")->isVisible());
        QVERIFY(!control<QCheckBox>(w, "CH4CheckBox")->isVisible());
        QVERIFY(!control<QGroupBox>(w, "ArrangeGroupBox")->isVisible());
    }

    void layout_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("mode");
        for (int n = 1; n <= 4; ++n) {
            for (int mode = 0; mode <= 1; ++mode)
                QTest::addRow("%d windows, mode %d", n, mode) << n << mode;
        }
    }
    void layout()
    {
        QFETCH(int, count);
        QFETCH(int, mode);
        Form1 *w = f.start();
        enterRecordings(count);
        if (mode == 1) {
            if (count > 2)
                control<QToolButton>(w, "SpeedButton2")->click();
            else
                w->SpeedButton1Click(1);
        }
        QCOMPARE(ArrangeMode, mode);
        const int cw = area().width();
        const int ch = area().height();
        for (int k = 0; k < count; ++k) {
            QRect expected;
            if (count == 1)
                expected = QRect(0, 0, cw, ch);
            else if (mode == 0 || count == 2)
                expected = QRect(0, k * (ch / count), cw, ch / count);
            else
                expected = QRect(k < 2 ? 0 : cw / 2, k % 2 ? ch / 2 : 0, cw / 2, ch / 2);
            QCOMPARE(panel(k)->geometry(), expected);
            QVERIFY(panel(k)->isVisible());
        }
        for (int k = count; k < SLOT_COUNT; ++k)
            QVERIFY(!panel(k)->isVisible());
        QCOMPARE(control<QGroupBox>(w, "ArrangeGroupBox")->isVisible(), count > 2);
        // The stacked button returns to one column.
        if (mode == 1 && count > 2) {
            control<QToolButton>(w, "SpeedButton1")->click();
            QCOMPARE(ArrangeMode, 0);
            QCOMPARE(panel(0)->width(), cw);
        }
    }

    void layoutFollowsMainWindow()
    {
        Form1 *w = f.start();
        enterRecordings(2);
        w->resize(1400, 900);
        QCOMPARE(area(), w->centralWidget()->size() - QSize(118, 101));
        QCOMPARE(panel(1)->geometry(),
                 QRect(0, area().height() / 2, area().width(), area().height() / 2));
    }

    void hidingRelaysByRank()
    {
        Form1 *w = f.start();
        enterRecordings(4);
        control<QToolButton>(w, "SpeedButton2")->click();
        control<QCheckBox>(w, "CH1CheckBox")->click();
        QVERIFY(!panel(0)->isVisible());
        QCOMPARE(panel(0)->geometry(), QRect(0, 0, 200, 100));
        QCOMPARE(panel(1)->geometry(), QRect(0, 0, area().width() / 2, area().height() / 2));
        QCOMPARE(panel(3)->geometry().topLeft(), QPoint(area().width() / 2, 0));
        QVERIFY(control<QGroupBox>(w, "ArrangeGroupBox")->isVisible());
        for (const char *n : {"CH2CheckBox", "CH3CheckBox", "CH4CheckBox"})
            control<QCheckBox>(w, n)->click();
        for (int k = 0; k < SLOT_COUNT; ++k)
            QVERIFY(!panel(k)->isVisible());
        // With nothing shown the arrangement group keeps its visibility.
        w->ArrangeGroupBox->show();
        w->GetSettings();
        QVERIFY(w->ArrangeGroupBox->isVisible());
        QCOMPARE(WindowCount, 4);
    }

    void scrollRangeFollowsPlotWidth()
    {
        f.start();
        enterRecordings(1, 5000);
        const int plot = WinInfo[0].PaintBox->width() - 40;
        QCOMPARE(WinInfo[0].PaintBox->width(), area().width() - 4);
        QScrollBar *bar = WinInfo[0].ScrollBar;
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), 5000 - plot);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(WinInfo[0].MaxSamplesPerPixel, (5000 + plot - 1) / plot);
        // The drawing surface ends at the scroll bar.
        QCOMPARE(WinInfo[0].PaintBox->geometry().bottom() + 1, bar->geometry().top());
        QCOMPARE(bar->height(), 17);
    }

    void resizeClampsAndReturnsToOneSamplePerPixel()
    {
        Form1 *w = f.start();
        enterRecordings(1, 5000);
        QScrollBar *bar = WinInfo[0].ScrollBar;
        bar->setValue(bar->maximum());
        WinInfo[0].SamplesPerPixel = 5;
        WinInfo[0].TimeGrid = 60000;
        w->resize(1400, 700);
        const int plot = WinInfo[0].PaintBox->width() - 40;
        QCOMPARE(bar->maximum(), 5000 - plot);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(WinInfo[0].SamplesPerPixel, 1);
        QCOMPARE(WinInfo[0].TimeGrid, 10000);
    }

    void shortRecordingHasNoScrollBar()
    {
        f.start();
        enterRecordings(1, 300);
        QVERIFY(!WinInfo[0].ScrollBar->isVisible());
        QCOMPARE(WinInfo[0].MaxSamplesPerPixel, 1);
        // The surface then reaches down to the bevel.
        QCOMPARE(WinInfo[0].PaintBox->geometry().bottom() + 1, panel(0)->height() - 2);
    }

    void enlargingUntilItFitsHidesScrollBar()
    {
        Form1 *w = f.start();
        enterRecordings(1, 1000);
        QVERIFY(WinInfo[0].ScrollBar->isVisible());
        WinInfo[0].ScrollBar->setValue(20);
        w->resize(1200, 700);
        QVERIFY(!WinInfo[0].ScrollBar->isVisible());
        QCOMPARE(WinInfo[0].ScrollBar->value(), 0);
        QCOMPARE(WinInfo[0].MaxSamplesPerPixel, 1);
    }

    void closingMiddleOfThreeCompacts()
    {
        Form1 *w = f.start();
        enterRecordings(3);
        control<QCheckBox>(w, "CHLinkCheckBox")->setChecked(true);
        const QString third = WinInfo[2].InfoLabel->text();
        WinInfo[2].Offset = 30;
        WinInfo[2].LinkBase = 5;
        WinInfo[1].LinkBase = 9;
        control<QToolButton>(w, "Graph2SpeedButton")->click();
        QCOMPARE(WindowCount, 2);
        QCOMPARE(WinInfo[1].DataNo, 2);
        QCOMPARE(WinInfo[1].Offset, 30);
        QCOMPARE(WinInfo[1].LinkBase, 9);
        QCOMPARE(WinInfo[1].InfoLabel->text(), third);
        QVERIFY(!DataInfo[1].Enable);
        QCOMPARE(WinInfo[2].DataNo, -1);
        QCOMPARE(WinInfo[2].Offset, 0);
        QVERIFY(WinInfo[2].InfoLabel->text().isEmpty());
        QVERIFY(!control<QCheckBox>(w, "CH3CheckBox")->isVisible());
        QVERIFY(!control<QCheckBox>(w, "CH3CheckBox")->isChecked());
        QVERIFY(control<QGroupBox>(w, "CHGroupBox")->isVisible());
        QVERIFY(control<QCheckBox>(w, "CHLinkCheckBox")->isChecked());
        QCOMPARE(panel(1)->geometry(),
                 QRect(0, area().height() / 2, area().width(), area().height() / 2));
        QVERIFY(!panel(2)->isVisible());
        // The next recording goes into the freed slot and the third window position.
        enterRecordings(1);
        QCOMPARE(WinInfo[2].DataNo, 1);
    }

    void closingMovesCompressionWhenSizeStays()
    {
        // Four windows in two columns; closing [2] leaves three quarters of the same size, so
        // no resize returns the moved measurement to one sample per pixel.
        Form1 *w = f.start();
        enterRecordings(4, 20000);
        control<QToolButton>(w, "SpeedButton2")->click();
        WinInfo[2].SamplesPerPixel = 5;
        WinInfo[2].ScrollBar->setValue(1234);
        WinInfo[2].ScrollBar->setSingleStep(5);
        const QSize quarter = panel(2)->size();
        control<QToolButton>(w, "Graph2SpeedButton")->click();
        QCOMPARE(WinInfo[1].DataNo, 2);
        QCOMPARE(WinInfo[1].SamplesPerPixel, 5);
        QCOMPARE(WinInfo[1].ScrollBar->value(), 1234);
        QCOMPARE(WinInfo[1].ScrollBar->singleStep(), 5);
        QCOMPARE(panel(1)->geometry(), QRect(QPoint(0, quarter.height()), quarter));
        QCOMPARE(WinInfo[2].DataNo, 3);
        QCOMPARE(panel(2)->geometry(), QRect(QPoint(quarter.width(), 0), quarter));
        QVERIFY(!panel(3)->isVisible());
        QVERIFY(!control<QCheckBox>(w, "CH4CheckBox")->isVisible());
        QVERIFY(control<QGroupBox>(w, "ArrangeGroupBox")->isVisible());
    }

    void closingRepaintsMovedWindows_data()
    {
        QTest::addColumn<int>("closed");
        for (int w = 0; w < 3; ++w)
            QTest::addRow("close [%d] of four in two columns", w + 1) << w;
    }
    void closingRepaintsMovedWindows()
    {
        // The quarters keep their size, so nothing but the close itself can tell the moved
        // windows to draw their new recordings: what is on screen must be the new picture.
        QFETCH(int, closed);
        Form1 *w = f.start();
        enterRecordings(4, 3000);
        control<QToolButton>(w, "SpeedButton2")->click();
        QCoreApplication::processEvents();
        QTest::qWait(50);
        closeButton(w, closed)->click();
        QCoreApplication::processEvents();
        QTest::qWait(50);
        for (int k = closed; k < WindowCount; ++k) {
            QWidget *box = WinInfo[k].PaintBox;
            const QRect onWindow(box->mapTo(w, QPoint(0, 0)), box->size());
            const QImage shown = w->screen()
                                     ->grabWindow(w->winId(), onWindow.x(), onWindow.y(),
                                                  onWindow.width(), onWindow.height())
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
            const QImage fresh = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QVERIFY2(shown == fresh,
                     qPrintable(QStringLiteral("window [%1] shows a stale plot").arg(k + 1)));
        }
    }

    void closingCarriesHiddenState()
    {
        Form1 *w = f.start();
        enterRecordings(3);
        control<QCheckBox>(w, "CH3CheckBox")->click();
        control<QToolButton>(w, "Graph1SpeedButton")->click();
        QVERIFY(control<QCheckBox>(w, "CH1CheckBox")->isChecked());
        QVERIFY(!control<QCheckBox>(w, "CH2CheckBox")->isChecked());
        QVERIFY(control<QCheckBox>(w, "CH2CheckBox")->isVisible());
        QVERIFY(panel(0)->isVisible());
        QVERIFY(!panel(1)->isVisible());
        QCOMPARE(panel(0)->geometry(), QRect(QPoint(0, 0), area()));
    }

    void closingOneOfTwo()
    {
        Form1 *w = f.start();
        enterRecordings(2);
        control<QCheckBox>(w, "CHLinkCheckBox")->setChecked(true);
        control<QToolButton>(w, "Graph1SpeedButton")->click();
        QCOMPARE(WindowCount, 1);
        QCOMPARE(WinInfo[0].DataNo, 1);
        QCOMPARE(panel(0)->geometry(), QRect(QPoint(0, 0), area()));
        QVERIFY(!control<QGroupBox>(w, "CHGroupBox")->isVisible());
        QVERIFY(!control<QCheckBox>(w, "CHLinkCheckBox")->isChecked());
        QCOMPARE(w->statusText(), QString("Device Type:Vm731"));
    }

    void closingTheLastWindow()
    {
        Form1 *w = f.start();
        enterRecordings(1);
        CursorWindow = 0;
        CursorIndex = 5;
        control<QToolButton>(w, "Graph1SpeedButton")->click();
        QCOMPARE(WindowCount, 0);
        QCOMPARE(CurDeviceType, 0);
        QCOMPARE(CursorWindow, -1);
        QCOMPARE(WinInfo[0].TimeGrid, 1);
        QCOMPARE(WinInfo[0].MaxSamplesPerPixel, 1);
        QVERIFY(!panel(0)->isVisible());
        // The close button of a free window does nothing.
        w->Graph1SpeedButtonClick(2);
        QCOMPARE(WindowCount, 0);
    }

    void seriesSwitches()
    {
        Form1 *w = f.start();
        enterRecordings(1);
        control<QCheckBox>(w, "Region1Data1CheckBox")->click();
        control<QCheckBox>(w, "Region1Data4CheckBox")->click();
        QVERIFY(DataVisible[0]);
        QVERIFY(!DataVisible[3]);
        QVERIFY(!control<QLabel>(w, "STO2Label")->isVisibleTo(w->ReadoutGroupBox));
        QVERIFY(control<QLabel>(w, "OXHbLabel")->isVisibleTo(w->ReadoutGroupBox));
    }
};

QTEST_MAIN(TestGraphWindows)
#include "test_graphwindows.moc"
