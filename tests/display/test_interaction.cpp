// The mouse, cursor, readout, scrolling and interlock logic over a recording fake of the
// graph windows' controls.
#include "displaystate.h"
#include "interaction.h"
#include "store.h"

#include <QTest>

namespace {

class FakeControls : public InteractionControls
{
public:
    QSize size[SLOT_COUNT];
    bool panel[SLOT_COUNT] = {};
    bool scroll[SLOT_COUNT] = {};
    int pos[SLOT_COUNT] = {};
    int max[SLOT_COUNT] = {};
    int small[SLOT_COUNT] = {};
    int large[SLOT_COUNT] = {};
    QList<int> repaints;

    QSize surfaceSize(int w) const override { return size[w]; }
    bool panelVisible(int w) const override { return panel[w]; }
    bool scrollVisible(int w) const override { return scroll[w]; }
    int scrollPosition(int w) const override { return pos[w]; }
    int scrollMaximum(int w) const override { return max[w]; }
    void setScrollPosition(int w, int p) override
    {
        if (p == pos[w])
            return;
        pos[w] = p;
        ScrollBar1Change(w, p);
    }
    void setScrollSteps(int w, int s, int l) override
    {
        small[w] = s;
        large[w] = l;
    }
    void repaint(int w) override { repaints.append(w); }
};

constexpr Qt::MouseButton L = Qt::LeftButton;
constexpr Qt::MouseButton R = Qt::RightButton;

} // namespace

class TestInteraction : public QObject
{
    Q_OBJECT

    FakeControls fake;

    // Window w shows slot w: count samples at 100 ms on a 340 x 232 surface (300-pixel plot).
    void addWindow(int w, int count, int position = 0)
    {
        DataInfo[w].Enable = true;
        DataInfo[w].Ex_count = count;
        DataInfo[w].Log_Rate = 100;
        WinInfo[w].DataNo = w;
        WindowCount = qMax(WindowCount, w + 1);
        fake.size[w] = QSize(340, 232);
        fake.panel[w] = true;
        fake.scroll[w] = count > 300;
        fake.max[w] = qMax(0, count - 300);
        fake.pos[w] = position;
        WinInfo[w].MaxSamplesPerPixel = count / 300 + (count % 300 ? 1 : 0);
        WinInfo[w].LastPos = position;
    }

    void click(int w, int x, int y, int wobbleX = 0, int wobbleY = 0)
    {
        PaintBox1MouseDown(w, L, L, x, y);
        if (wobbleX || wobbleY)
            PaintBox1MouseMove(w, L, x + wobbleX, y + wobbleY);
        PaintBox1MouseUp(w, L, {}, x + wobbleX, y + wobbleY);
    }

    void drag(int w, Qt::MouseButton button, int x, int y, int dx, int dy)
    {
        PaintBox1MouseDown(w, button, button, x, y);
        PaintBox1MouseMove(w, button, x + dx, y + dy);
        PaintBox1MouseUp(w, button, {}, x + dx, y + dy);
    }

private slots:
    void init()
    {
        ResetStore();
        ResetDisplayState();
        ResetInteraction();
        fake = FakeControls();
        setInteractionControls(&fake);
        addWindow(0, 2000, 500);
    }

    void cleanup() { setInteractionControls(nullptr); }

    void pressAndReleaseWithinDeadZoneIsClick_data()
    {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("offset");
        QTest::newRow("still") << 0 << 0 << 600 << 500 << 0;
        QTest::newRow("4 px right") << 4 << 0 << 604 << 500 << 0;
        QTest::newRow("4 px down") << 0 << 4 << 600 << 500 << 0;
        QTest::newRow("5 px diagonal") << 5 << -5 << 605 << 500 << 0;
        QTest::newRow("6 px right pans") << 6 << 0 << -1 << 494 << 0;
        QTest::newRow("6 px down shifts") << 0 << 6 << -1 << 500 << 3;
        QTest::newRow("tie is vertical") << -8 << -8 << -1 << 500 << -4;
    }
    void pressAndReleaseWithinDeadZoneIsClick()
    {
        QFETCH(int, dx);
        QFETCH(int, dy);
        QFETCH(int, cursor);
        QFETCH(int, position);
        QFETCH(int, offset);
        click(0, 120, 100, dx, dy);
        QCOMPARE(CursorIndex, cursor);
        QCOMPARE(CursorWindow, cursor == -1 ? -1 : 0);
        QCOMPARE(fake.pos[0], position);
        QCOMPARE(WinInfo[0].Offset, offset);
    }

    void clickOutsidePlotRemovesCursor_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("cursor");
        QTest::newRow("left frame line") << 20 << 100 << -1;
        QTest::newRow("right frame line") << 320 << 100 << -1;
        QTest::newRow("top band") << 100 << 16 << -1;
        QTest::newRow("bottom band") << 100 << 216 << -1;
        QTest::newRow("first column") << 21 << 17 << 501;
        QTest::newRow("last column") << 319 << 215 << 799;
    }
    void clickOutsidePlotRemovesCursor()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, cursor);
        click(0, 100, 100);
        QCOMPARE(CursorIndex, 580);
        click(0, x, y);
        QCOMPARE(CursorIndex, cursor);
        QCOMPARE(fake.repaints.last(), 0);
    }

    void clickPastRecordingEndRemovesCursor()
    {
        addWindow(1, 200);
        click(1, 50, 100);
        QCOMPARE(CursorWindow, 1);
        QCOMPARE(CursorIndex, 30);
        click(1, 250, 100);
        QCOMPARE(CursorWindow, -1);
        QCOMPARE(CursorIndex, -1);
    }

    void clickOnCompressedWindowLeavesCursor()
    {
        click(0, 120, 100);
        WinInfo[0].SamplesPerPixel = 2;
        fake.repaints.clear();
        click(0, 200, 100);
        QCOMPARE(CursorIndex, 600);
        QCOMPARE(CursorWindow, 0);
        QVERIFY(fake.repaints.isEmpty());
    }

    void clickInOtherWindowRepaintsOldOne()
    {
        addWindow(1, 1000);
        click(0, 120, 100);
        fake.repaints.clear();
        click(1, 40, 100);
        QCOMPARE(CursorWindow, 1);
        QCOMPARE(CursorIndex, 20);
        QCOMPARE(fake.repaints, QList<int>({0, 1}));
    }

    void releaseOnOtherWindowIsNoClick()
    {
        addWindow(1, 1000);
        PaintBox1MouseDown(0, L, L, 100, 100);
        PaintBox1MouseUp(1, L, {}, 100, 100);
        QCOMPARE(CursorWindow, -1);
        // The pending click is gone: a release on the first window does nothing either.
        PaintBox1MouseUp(0, L, {}, 100, 100);
        QCOMPARE(CursorWindow, -1);
    }

    void moveOnOtherWindowIsIgnored()
    {
        addWindow(1, 1000, 100);
        PaintBox1MouseDown(0, L, L, 100, 100);
        PaintBox1MouseMove(1, L, 200, 100);
        QCOMPARE(fake.pos[1], 100);
        QCOMPARE(fake.pos[0], 500);
    }

    void panFollowsPointerWithinRange_data()
    {
        QTest::addColumn<int>("spp");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("position");
        QTest::newRow("right shows earlier") << 1 << 100 << 400;
        QTest::newRow("left shows later") << 1 << -100 << 600;
        QTest::newRow("compressed") << 3 << 50 << 350;
        QTest::newRow("stops at 0") << 1 << 900 << 0;
        QTest::newRow("stops at maximum") << 1 << -5000 << 1700;
    }
    void panFollowsPointerWithinRange()
    {
        QFETCH(int, spp);
        QFETCH(int, dx);
        QFETCH(int, position);
        WinInfo[0].SamplesPerPixel = spp;
        drag(0, L, 150, 100, dx, 0);
        QCOMPARE(fake.pos[0], position);
        QCOMPARE(WinInfo[0].LastPos, position);
    }

    void panWithoutScrollBarDoesNothing()
    {
        addWindow(1, 250);
        drag(1, L, 150, 100, 40, 0);
        QCOMPARE(fake.pos[1], 0);
        QVERIFY(fake.repaints.isEmpty());
    }

    void heightDragMovesOffsetAndDoubleClickResets()
    {
        drag(0, L, 150, 100, 0, 50);
        QCOMPARE(WinInfo[0].Offset, 25);
        drag(0, L, 150, 100, 0, -7);
        QCOMPARE(WinInfo[0].Offset, 21); // floor(-700 / 200) = -4
        drag(0, L, 150, 10, 0, 220);
        QCOMPARE(WinInfo[0].Offset, 100);
        fake.repaints.clear();
        PaintBox1DblClick(0);
        QCOMPARE(WinInfo[0].Offset, 0);
        QCOMPARE(fake.repaints, QList<int>({0}));
        PaintBox1DblClick(0);
        QCOMPARE(fake.repaints.size(), 1);
        drag(0, L, 150, 210, 0, -300);
        QCOMPARE(WinInfo[0].Offset, -100);
    }

    void directionHoldsUntilNextPress()
    {
        PaintBox1MouseDown(0, L, L, 150, 100);
        PaintBox1MouseMove(0, L, 150, 150);
        QCOMPARE(WinInfo[0].Offset, 25);
        PaintBox1MouseMove(0, L, 50, 150); // now mostly horizontal: still a height drag
        QCOMPARE(fake.pos[0], 500);
        QCOMPARE(WinInfo[0].Offset, 25);
        PaintBox1MouseUp(0, L, {}, 50, 150);
        QCOMPARE(CursorWindow, -1);
    }

    void compressionDragSteps_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("result");
        QTest::newRow("120 px right from 5") << 5 << 120 << 7 << 3;
        QTest::newRow("10 px left from 5") << 5 << -10 << 7 << 6;
        QTest::newRow("10 px left at maximum") << 5 << -10 << 5 << 5;
        QTest::newRow("49 px right") << 5 << 49 << 7 << 5;
        QTest::newRow("50 px right") << 5 << 50 << 7 << 4;
        QTest::newRow("far right stops at 1") << 5 << 900 << 7 << 1;
        QTest::newRow("51 px left") << 2 << -51 << 7 << 4;
    }
    void compressionDragSteps()
    {
        QFETCH(int, from);
        QFETCH(int, dx);
        QFETCH(int, maximum);
        QFETCH(int, result);
        WinInfo[0].SamplesPerPixel = from;
        WinInfo[0].MaxSamplesPerPixel = maximum;
        drag(0, R, 200, 100, dx, 0);
        QCOMPARE(WinInfo[0].SamplesPerPixel, result);
        QCOMPARE(fake.pos[0], 500);
        if (result != from) {
            QCOMPARE(fake.small[0], result);
            QCOMPARE(fake.large[0], 100 * result);
            QCOMPARE(WinInfo[0].TimeGrid, CalcTimeGrid(0));
            QCOMPARE(fake.repaints, QList<int>({0}));
        } else {
            QVERIFY(fake.repaints.isEmpty());
        }
    }

    void compressionLargeChangeIsCapped()
    {
        WinInfo[0].MaxSamplesPerPixel = 400;
        drag(0, Qt::MiddleButton, 300, 100, -299, 0);
        QCOMPARE(WinInfo[0].SamplesPerPixel, 7);
        PaintBox1MouseDown(0, R, R, 300, 100);
        PaintBox1MouseMove(0, R, 300 - 50 * 400, 100);
        QCOMPARE(WinInfo[0].SamplesPerPixel, 400);
        QCOMPARE(fake.small[0], 400);
        QCOMPARE(fake.large[0], 32767);
    }

    void verticalRightDragDoesNothing()
    {
        WinInfo[0].MaxSamplesPerPixel = 7;
        drag(0, R, 200, 100, 3, 80);
        QCOMPARE(WinInfo[0].SamplesPerPixel, 1);
        QCOMPARE(WinInfo[0].Offset, 0);
        QVERIFY(fake.repaints.isEmpty());
    }

    void compressionKeepsCursorForLater()
    {
        click(0, 120, 100);
        WinInfo[0].MaxSamplesPerPixel = 7;
        drag(0, R, 200, 100, -20, 0);
        QCOMPARE(WinInfo[0].SamplesPerPixel, 2);
        QCOMPARE(CursorIndex, 600);
    }

    void scrollMovesAreAbsorbedBelowOneColumn()
    {
        WinInfo[0].SamplesPerPixel = 4;
        WinInfo[0].LastPos = 1000;
        for (int p : {1001, 1002, 1003}) {
            ScrollBar1Change(0, p);
            QVERIFY(fake.repaints.isEmpty());
            QCOMPARE(WinInfo[0].LastPos, 1000);
        }
        ScrollBar1Change(0, 1004);
        QCOMPARE(fake.repaints, QList<int>({0}));
        QCOMPARE(WinInfo[0].LastPos, 1004);
        ScrollBar1Change(0, 1001);
        QCOMPARE(fake.repaints.size(), 1);
        ScrollBar1Change(0, 1000);
        QCOMPARE(fake.repaints.size(), 2);
    }

    void firstScrollChangeIsNeverAbsorbed()
    {
        WinInfo[0].SamplesPerPixel = 4;
        WinInfo[0].LastPos = -1;
        ScrollBar1Change(0, 2);
        QCOMPARE(fake.repaints, QList<int>({0}));
        QCOMPARE(WinInfo[0].LastPos, 2);
    }

    void scrollRemovesOnlyItsOwnCursor()
    {
        addWindow(1, 1000);
        click(0, 120, 100);
        ScrollBar1Change(1, 1);
        QCOMPARE(CursorWindow, 0);
        ScrollBar1Change(0, 501);
        QCOMPARE(CursorWindow, -1);
        QCOMPARE(CursorIndex, -1);
    }

    void scrollOfFreeWindowChangesNothing()
    {
        ScrollBar1Change(2, 0);
        QCOMPARE(WinInfo[2].LastPos, -1);
        QVERIFY(fake.repaints.isEmpty());
    }

    void interlockMovesByLinkBases()
    {
        fake.pos[0] = 100;
        WinInfo[0].LastPos = 100;
        addWindow(1, 2000, 300);
        CHLinkCheckBoxClick(true);
        QCOMPARE(WinInfo[1].LinkBase, 300);
        QVERIFY(!WinInfo[0].LinkHold);
        fake.setScrollPosition(0, 150);
        QCOMPARE(fake.pos[1], 350);
        QCOMPARE(WinInfo[1].LastPos, 350);

        // Out of range: the other window stays, it is not stopped at its end.
        fake.setScrollPosition(0, 100);
        QCOMPARE(fake.pos[1], 300);
        fake.max[1] = 320;
        fake.setScrollPosition(0, 150);
        QCOMPARE(fake.pos[1], 300);
        fake.setScrollPosition(1, 50);
        QCOMPARE(fake.pos[0], 150);
        fake.setScrollPosition(1, 250);
        QCOMPARE(fake.pos[0], 50);
    }

    void interlockSkipsHiddenWindows()
    {
        addWindow(1, 2000, 300);
        addWindow(2, 2000, 0);
        CHLinkCheckBoxClick(true);
        fake.panel[1] = false;
        fake.scroll[2] = false;
        fake.setScrollPosition(0, 520);
        QCOMPARE(fake.pos[1], 300);
        QCOMPARE(fake.pos[2], 0);
    }

    void interlockOffPassesNothing()
    {
        addWindow(1, 2000, 300);
        CHLinkCheckBoxClick(true);
        CHLinkCheckBoxClick(false);
        QVERIFY(WinInfo[0].LinkHold && WinInfo[1].LinkHold);
        fake.setScrollPosition(0, 600);
        QCOMPARE(fake.pos[1], 300);
    }

    void absorbedMoveIsNotPassedOn()
    {
        addWindow(1, 2000, 300);
        CHLinkCheckBoxClick(true);
        WinInfo[0].SamplesPerPixel = 4;
        fake.setScrollPosition(0, 502);
        QCOMPARE(fake.pos[1], 300);
    }

    void readoutFormats_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("plain") << 0 << "C"
                               << QStringList{"0.1235[mM]", "-0.0500[mM]", "12.5000[mM]",
                                              " 65.3[%]"};
        QTest::newRow("comma") << 0 << "de_DE"
                               << QStringList{"0,1235[mM]", "-0,0500[mM]", "12,5000[mM]",
                                              " 65,3[%]"};
        QTest::newRow("blank") << int(STATUS_BLANK | STATUS_REPEATED) << "C"
                               << QStringList{"", "", "", ""};
        QTest::newRow("repeated") << int(STATUS_REPEATED) << "C"
                                  << QStringList{"*****[mM]", "*****[mM]", "*****[mM]", "*****[%]"};
        QTest::newRow("device error")
            << int(STATUS_DEVICE_ERROR) << "C"
            << QStringList{"*****[mM]", "*****[mM]", "*****[mM]", "*****[%]"};
    }
    void readoutFormats()
    {
        QFETCH(int, status);
        QFETCH(QString, locale);
        QFETCH(QStringList, labels);
        addWindow(1, 1000);
        DataInfo[1].Log_start = encodeDateTime({2026, 3, 4, 14, 3, 20, 0});
        SAMPLE_TYPE &s = SampleData[1][70];
        s.Time = msToDays(7000);
        s.Status = static_cast<uint16_t>(status);
        s.Nirs[0] = 0.12346f;
        s.Nirs[1] = -0.05f;
        s.Nirs[2] = 12.5f;
        s.Nirs[3] = 0.6534f;
        s.Nirs_Ave[3] = 0.1f; // the plotted average is not what the readout shows
        const ReadoutTexts t = readoutTexts(1, 70, QLocale(locale));
        QCOMPARE(t.caption, QStringLiteral("[2]14:03:27"));
        for (int k = 0; k < 4; ++k)
            QCOMPARE(t.labels[k], labels[k]);
    }

    void captionTimeHasNoLeadingZeroAndLocaleSeparator()
    {
        addWindow(1, 1000);
        DataInfo[1].Log_start = encodeDateTime({2026, 1, 2, 9, 5, 0, 0});
        SampleData[1][3].Time = msToDays(7999);
        QCOMPARE(readoutTexts(1, 3, QLocale::c()).caption, QStringLiteral("[2]9:05:07"));
        QCOMPARE(readoutTexts(1, 3, QLocale(QLocale::Finnish, QLocale::Finland)).caption,
                 QStringLiteral("[2]9.05.07"));
    }
};

QTEST_GUILESS_MAIN(TestInteraction)
#include "test_interaction.moc"
