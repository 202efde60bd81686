// The graph windows' mouse gestures, scroll bars, interlock and readout, driven through the
// real main window with QTest mouse events; the menus by their accelerator letters; Print,
// Help and About from the menu.
#include "about.h"
#include "displaystate.h"
#include "form1.h"
#include "interaction.h"
#include "printing.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T *child(QObject *parent, const QString &name)
{
    T *w = parent->findChild<T *>(name);
    if (!w)
        qFatal("control %s missing", qPrintable(name));
    return w;
}

// Enters a recording of count samples at rateMs into the next window, as the file reader
// does. Sample values: StO2 0.6534, TOHb 0.05, OXHb 0.03, DXHb 0.02.
void enterRecording(int count, int rateMs = 100)
{
    QVERIFY(SetFreeNo());
    DATA_INFO_TYPE &info = NewInfo[0];
    ClearInfo(info);
    info.DeviceType = DEVICE_VM731;
    setDeviceName(info, QStringLiteral("Vm731-T%1").arg(FreeNo));
    info.NumCH = 1;
    info.Log_Rate = rateMs;
    info.Log_FatThick = 3.0;
    info.Log_Range[0] = 4;
    info.Log_Range[1] = 500;
    info.Rev2 = true;
    info.Log_start = encodeDateTime({2026, 3, 4, 14, 0, 0, 0});
    info.Log_end = info.Log_start + msToDays(double(count) * rateMs);
    ClearEventList(FreeNo);
    for (int i = 0; i < count; ++i) {
        SAMPLE_TYPE &s = SampleData[FreeNo][i];
        s = SAMPLE_TYPE{};
        s.Time = msToDays(double(i) * rateMs);
        s.Seq = i;
        s.Nirs[0] = 0.03f;
        s.Nirs[1] = 0.02f;
        s.Nirs[2] = 0.05f;
        s.Nirs[3] = 0.6534f;
    }
    info.Ex_count = count;
    OpenDialogFileName = QStringLiteral("/data/t%1.csv").arg(FreeNo);
    EntryNewData(SOURCE_OPEN_DIALOG);
}

} // namespace

class TestViewerInteraction : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompts *m_prompts = nullptr;
    Form1 *m_form = nullptr;

    QWidget *surface(int w)
    {
        return child<QWidget>(m_form, QStringLiteral("PaintBox%1").arg(w + 1));
    }
    QScrollBar *bar(int w)
    {
        return child<QScrollBar>(m_form, QStringLiteral("ScrollBar%1").arg(w + 1));
    }
    int plotWidth(int w) { return surface(w)->width() - 40; }
    // The plot width that windows [1] and [2] get once shown: a first recording lays the
    // windows out; Close All frees it again.
    int shownPlotWidth()
    {
        enterRecording(10);
        enterRecording(10);
        const int width = plotWidth(0);
        m_form->L1Click();
        return width;
    }
    QGroupBox *readout() { return child<QGroupBox>(m_form, QStringLiteral("ReadoutGroupBox")); }

    void press(int w, Qt::MouseButton b, QPoint p) { QTest::mousePress(surface(w), b, {}, p); }
    void move(int w, QPoint p) { QTest::mouseMove(surface(w), p); }
    void release(int w, Qt::MouseButton b, QPoint p) { QTest::mouseRelease(surface(w), b, {}, p); }
    void drag(int w, Qt::MouseButton b, QPoint from, QPoint by)
    {
        press(w, b, from);
        move(w, from + by / 2);
        move(w, from + by);
        release(w, b, from + by);
    }
    // Compression from 1 to z by a leftward right-button drag.
    void compressTo(int w, int z)
    {
        drag(w, Qt::RightButton, QPoint(surface(w)->width() - 30, 40), QPoint(-50 * (z - 1), 0));
        QCOMPARE(WinInfo[w].SamplesPerPixel, z);
    }

private slots:
    void init()
    {
        m_prompts = new ScriptedPrompts;
        m_form = new Form1(*m_prompts, m_dir.filePath(QStringLiteral("viewer.ini")));
        m_form->show();
        m_form->resize(1024, 640);
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }

    void cleanup()
    {
        delete m_form;
        delete m_prompts;
        m_form = nullptr;
    }

    void clickWithinDeadZoneSetsCursor_data()
    {
        QTest::addColumn<QPoint>("wobble");
        QTest::addColumn<bool>("cursor");
        QTest::newRow("4 px right") << QPoint(4, 0) << true;
        QTest::newRow("4 px up") << QPoint(0, -4) << true;
        QTest::newRow("6 px right") << QPoint(6, 0) << false;
        QTest::newRow("6 px down") << QPoint(0, 6) << false;
    }
    void clickWithinDeadZoneSetsCursor()
    {
        const int W = shownPlotWidth();
        QFETCH(QPoint, wobble);
        QFETCH(bool, cursor);
        enterRecording(W + 2000);
        bar(0)->setValue(500);
        const QPoint at(120, 60);
        press(0, Qt::LeftButton, at);
        move(0, at + wobble);
        release(0, Qt::LeftButton, at + wobble);
        QCOMPARE(CursorWindow, cursor ? 0 : -1);
        if (cursor) {
            QCOMPARE(CursorIndex, 600 + wobble.x());
            QTRY_VERIFY(readout()->isVisible());
            QVERIFY(readout()->title().startsWith(QStringLiteral("[1]")));
        } else if (wobble.x()) {
            QCOMPARE(bar(0)->value(), 500 - wobble.x());
        } else {
            QCOMPARE(WinInfo[0].Offset, int(std::floor(600.0 / (surface(0)->height() - 32))));
        }
    }

    void frameLineClickRemovesCursor()
    {
        const int W = shownPlotWidth();
        enterRecording(W + 500);
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(50, 60));
        QCOMPARE(CursorIndex, 30);
        QTRY_VERIFY(readout()->isVisible());
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(20, 60));
        QCOMPARE(CursorWindow, -1);
        QTRY_VERIFY(!readout()->isVisible());
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(50, 60));
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(surface(0)->width() - 20, 60));
        QCOMPARE(CursorWindow, -1);
    }

    void clickOnCompressedWindowDoesNothing()
    {
        const int W = shownPlotWidth();
        enterRecording(W * 5);
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(100, 60));
        QCOMPARE(CursorIndex, 80);
        compressTo(0, 2);
        QTRY_VERIFY(!readout()->isVisible()); // the cursor is kept but not shown
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(200, 60));
        QCOMPARE(CursorIndex, 80);
        QCOMPARE(CursorWindow, 0);
        drag(0, Qt::RightButton, QPoint(300, 40), QPoint(60, 0));
        QCOMPARE(WinInfo[0].SamplesPerPixel, 1);
        QTRY_VERIFY(readout()->isVisible());
    }

    void scrollMovesAtFourSamplesPerPixelAreAbsorbed()
    {
        const int W = shownPlotWidth();
        enterRecording(W * 6);
        compressTo(0, 4);
        QCOMPARE(bar(0)->singleStep(), 4);
        QCOMPARE(bar(0)->pageStep(), 400);
        bar(0)->setValue(1000);
        QCOMPARE(WinInfo[0].LastPos, 1000);
        for (int p : {1001, 1002, 1003}) {
            bar(0)->setValue(p);
            QCOMPARE(WinInfo[0].LastPos, 1000);
        }
        bar(0)->setValue(1004);
        QCOMPARE(WinInfo[0].LastPos, 1004);
        bar(0)->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QCOMPARE(bar(0)->value(), 1000);
        QCOMPARE(WinInfo[0].LastPos, 1000);
    }

    void scrollingRemovesOnlyOwnCursor()
    {
        const int W = shownPlotWidth();
        enterRecording(W + 1000);
        enterRecording(W + 1000);
        QTRY_VERIFY(!bar(1)->isHidden());
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(100, 40));
        QCOMPARE(CursorWindow, 0);
        bar(1)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(CursorWindow, 0);
        bar(0)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(CursorWindow, -1);
        QTRY_VERIFY(!readout()->isVisible());
    }

    void interlockKeepsOffsetsAndNeverClamps()
    {
        const int W = shownPlotWidth();
        enterRecording(W + 2000);
        enterRecording(W + 320);
        QTRY_VERIFY(!bar(1)->isHidden());
        QCOMPARE(bar(1)->maximum(), 320);
        bar(0)->setValue(100);
        bar(1)->setValue(300);
        auto *link = child<QCheckBox>(m_form, QStringLiteral("CHLinkCheckBox"));
        QVERIFY(link->isVisible());
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, link->height() / 2));
        QVERIFY(link->isChecked());
        bar(0)->setValue(110);
        QCOMPARE(bar(1)->value(), 310);
        bar(0)->setValue(150); // [2] would need 350, beyond its maximum of 320
        QCOMPARE(bar(1)->value(), 310);
        bar(0)->setValue(100);
        QCOMPARE(bar(1)->value(), 300);
        bar(1)->setValue(50); // [1] would need -150
        QCOMPARE(bar(0)->value(), 100);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, link->height() / 2));
        bar(0)->setValue(120);
        QCOMPARE(bar(1)->value(), 50);
    }

    void compressionDragSteps()
    {
        const int W = shownPlotWidth();
        enterRecording(W * 7);
        QCOMPARE(WinInfo[0].MaxSamplesPerPixel, 7);
        compressTo(0, 5);
        drag(0, Qt::RightButton, QPoint(100, 40), QPoint(120, 0));
        QCOMPARE(WinInfo[0].SamplesPerPixel, 3);
        QCOMPARE(bar(0)->pageStep(), 300);
        drag(0, Qt::RightButton, QPoint(20, 40), QPoint(400, 0));
        QCOMPARE(WinInfo[0].SamplesPerPixel, 1);
        compressTo(0, 5);
        drag(0, Qt::RightButton, QPoint(300, 40), QPoint(-10, 0));
        QCOMPARE(WinInfo[0].SamplesPerPixel, 6);
        drag(0, Qt::RightButton, QPoint(300, 40), QPoint(-10, 0));
        drag(0, Qt::RightButton, QPoint(300, 40), QPoint(-10, 0));
        QCOMPARE(WinInfo[0].SamplesPerPixel, 7); // limited by MaxSamplesPerPixel
        QCOMPARE(WinInfo[0].TimeGrid, CalcTimeGrid(0));
    }

    void heightDragAndDoubleClick()
    {
        const int W = shownPlotWidth();
        enterRecording(W + 100);
        const int plot = surface(0)->height() - 32;
        drag(0, Qt::LeftButton, QPoint(200, 30), QPoint(0, 50));
        QCOMPARE(WinInfo[0].Offset, int(std::floor(5000.0 / plot)));
        QVERIFY(WinInfo[0].Offset > 0);
        QCOMPARE(CursorWindow, -1);
        // A double click: press and release, then the second press as a double-click event.
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(200, 40));
        QTest::mouseDClick(surface(0), Qt::LeftButton, {}, QPoint(200, 40));
        QTest::mouseRelease(surface(0), Qt::LeftButton, {}, QPoint(200, 40));
        QCOMPARE(WinInfo[0].Offset, 0);
        // Each click of the double click is a cursor click.
        QCOMPARE(CursorWindow, 0);
        QCOMPARE(CursorIndex, 180);
    }

    void readoutShowsBlankAndFlaggedSamples_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("good") << 0
                              << QStringList{"0.0300[mM]", "0.0200[mM]", "0.0500[mM]", " 65.3[%]"};
        QTest::newRow("blank") << int(STATUS_BLANK) << QStringList{"", "", "", ""};
        QTest::newRow("repeated") << int(STATUS_REPEATED)
                                  << QStringList{"*****[mM]", "*****[mM]", "*****[mM]", "*****[%]"};
    }
    void readoutShowsBlankAndFlaggedSamples()
    {
        const int W = shownPlotWidth();
        QFETCH(int, status);
        QFETCH(QStringList, labels);
        QLocale::setDefault(QLocale::c());
        enterRecording(W + 100);
        SampleData[WinInfo[0].DataNo][40].Status = uint16_t(status);
        QTest::mouseClick(surface(0), Qt::LeftButton, {}, QPoint(60, 50));
        QCOMPARE(CursorIndex, 40);
        QTRY_VERIFY(readout()->isVisible());
        QCOMPARE(readout()->title(), QStringLiteral("[1]14:00:04"));
        const char *names[] = {"OXHbLabel", "DXHbLabel", "TOHbLabel", "STO2Label"};
        for (int k = 0; k < 4; ++k)
            QCOMPARE(child<QLabel>(m_form, QLatin1String(names[k]))->text(), labels[k]);
    }

    void everyMenuCommandHasItsAccelerator_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("action");
        QTest::newRow("Open") << "F"
                              << "O"
                              << "O1";
        QTest::newRow("Close All") << "F"
                                   << "L"
                                   << "L1";
        QTest::newRow("Connect") << "F"
                                 << "C"
                                 << "C1";
        QTest::newRow("Print Setup") << "F"
                                     << "U"
                                     << "U1";
        QTest::newRow("Print") << "F"
                               << "P"
                               << "P1";
        QTest::newRow("Exit") << "F"
                              << "X"
                              << "X1";
        QTest::newRow("Initialize View Settings") << "V"
                                                  << "I"
                                                  << "I1";
        QTest::newRow("Help") << "H"
                              << "H"
                              << "H2";
        QTest::newRow("About") << "H"
                               << "A"
                               << "A1";
    }
    void everyMenuCommandHasItsAccelerator()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, action);
        // Print asks for a PDF file here (and is cancelled); dialogs that open are closed at once.
        CurrentPrintSettings() = PrintSettings{};
        CurrentPrintSettings().pdfChosen = true;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        closer.start(10);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        auto *a = child<QAction>(m_form, action);
        QSignalSpy triggered(a, &QAction::triggered);
        QTest::keyClick(m_form, menu.at(0).toLatin1(), Qt::AltModifier);
        QMenu *popup = nullptr;
        QTRY_VERIFY((popup = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QTest::keyClick(popup, item.at(0).toLower().toLatin1());
        QTRY_COMPARE(triggered.count(), 1);
    }

    void printPutsWindowOnOnePage()
    {
        const int W = shownPlotWidth();
        enterRecording(W + 100);
        CurrentPrintSettings() = PrintSettings{};
        CurrentPrintSettings().pdfChosen = true;
        const QString file = m_dir.filePath(QStringLiteral("window.pdf"));
        m_prompts->saveAnswers = QStringList{file};
        child<QAction>(m_form, QStringLiteral("P1"))->trigger();
        QVERIFY(m_prompts->messages().isEmpty());
        QCOMPARE(CurrentPrintSettings().pdfFile, file);
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.contains("/Count 1"));
        QVERIFY(bytes.contains("/Subtype /Image"));
    }

    void helpFromMenuReportsMissingManual()
    {
        if (QFile::exists(QCoreApplication::applicationDirPath() +
                          QStringLiteral("/Keldra_data_viewer_en.pdf")))
            QSKIP("a manual lies beside the test executable");
        child<QAction>(m_form, QStringLiteral("H2"))->trigger();
        QCOMPARE(m_prompts->messages(), QStringList{QStringLiteral("Help file not found.")});
        QCOMPARE(m_prompts->shown[0].kind, ScriptedPrompts::Kind::Error);
    }
};

QTEST_MAIN(TestViewerInteraction)
#include "test_viewer_interaction.moc"
