// Layout rules without widgets: places of the shown windows, scroll ranges after a resize,
// the compression limit and the record moves of closing a window.
#include "layout.h"

#include <QTest>

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void arrange_data()
    {
        QTest::addColumn<QString>("checked"); // "1011": windows [1], [3], [4] checked
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<QRect>>("places"); // of the checked windows, in order
        QTest::addColumn<bool>("arrangeVisible");
        QTest::newRow("one fills") << "0100" << 0 << QList<QRect>{{0, 0, 882, 449}} << false;
        QTest::newRow("one fills in columns")
            << "0001" << 1 << QList<QRect>{{0, 0, 882, 449}} << false;
        QTest::newRow("two stacked")
            << "1100" << 0 << QList<QRect>{{0, 0, 882, 224}, {0, 224, 882, 224}} << false;
        QTest::newRow("two stacked whatever the mode")
            << "1010" << 1 << QList<QRect>{{0, 0, 882, 224}, {0, 224, 882, 224}} << false;
        QTest::newRow("three stacked")
            << "1110" << 0 << QList<QRect>{{0, 0, 882, 149}, {0, 149, 882, 149}, {0, 298, 882, 149}}
            << true;
        QTest::newRow("three in columns")
            << "1110" << 1 << QList<QRect>{{0, 0, 441, 224}, {0, 224, 441, 224}, {441, 0, 441, 224}}
            << true;
        QTest::newRow("four stacked") << "1111" << 0
                                      << QList<QRect>{{0, 0, 882, 112},
                                                      {0, 112, 882, 112},
                                                      {0, 224, 882, 112},
                                                      {0, 336, 882, 112}}
                                      << true;
        QTest::newRow("four in columns") << "1111" << 1
                                         << QList<QRect>{{0, 0, 441, 224},
                                                         {0, 224, 441, 224},
                                                         {441, 0, 441, 224},
                                                         {441, 224, 441, 224}}
                                         << true;
        QTest::newRow("ranks skip hidden")
            << "0111" << 1 << QList<QRect>{{0, 0, 441, 224}, {0, 224, 441, 224}, {441, 0, 441, 224}}
            << true;
    }
    void arrange()
    {
        QFETCH(QString, checked);
        QFETCH(int, mode);
        QFETCH(QList<QRect>, places);
        QFETCH(bool, arrangeVisible);
        bool c[SLOT_COUNT];
        for (int w = 0; w < SLOT_COUNT; ++w)
            c[w] = checked.at(w) == u'1';
        const GraphArrangement a = arrangeGraphs(c, mode, QSize(882, 449));
        QCOMPARE(a.shownCount, places.size());
        int k = 0;
        for (int w = 0; w < SLOT_COUNT; ++w) {
            QCOMPARE(a.shown[w], c[w]);
            if (c[w])
                QCOMPARE(a.place[w], places[k++]);
        }
        QCOMPARE(a.arrangeVisible, arrangeVisible);
    }

    void noneShown()
    {
        const bool c[SLOT_COUNT] = {};
        const GraphArrangement a = arrangeGraphs(c, 1, QSize(882, 449));
        QCOMPARE(a.shownCount, 0);
    }

    void maxSamplesPerPixel_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("plot");
        QTest::addColumn<int>("expected");
        QTest::newRow("1000 in 300") << 1000 << 300 << 4;
        QTest::newRow("multiple") << 900 << 300 << 3;
        QTest::newRow("one more") << 901 << 300 << 4;
        QTest::newRow("fits") << 300 << 300 << 1;
        QTest::newRow("largest recording") << 720000 << 1840 << 392;
    }
    void maxSamplesPerPixel()
    {
        QFETCH(int, count);
        QFETCH(int, plot);
        QFETCH(int, expected);
        QCOMPARE(maxSamplesPerPixelOf(count, plot), expected);
    }

    void fit_data()
    {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("plot");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("newVisible");
        QTest::addColumn<int>("newMaximum");
        QTest::addColumn<int>("newPosition");
        QTest::addColumn<int>("maxSpp");
        QTest::newRow("appears at 0")
            << false << 0 << 0 << 300 << 1000 << true << true << 700 << 0 << 4;
        QTest::newRow("stays, position kept")
            << true << 700 << 500 << 400 << 1000 << true << true << 600 << 500 << 3;
        QTest::newRow("stays, position clamped")
            << true << 700 << 690 << 400 << 1000 << true << true << 600 << 600 << 3;
        QTest::newRow("disappears when it fits")
            << true << 700 << 300 << 1000 << 1000 << true << false << 700 << 0 << 1;
        QTest::newRow("hidden and fits: nothing")
            << false << 0 << 0 << 500 << 200 << false << false << 0 << 0 << 1;
        QTest::newRow("one sample longer")
            << false << 0 << 0 << 300 << 301 << true << true << 1 << 0 << 2;
    }
    void fit()
    {
        QFETCH(bool, visible);
        QFETCH(int, maximum);
        QFETCH(int, position);
        QFETCH(int, plot);
        QFETCH(int, count);
        const ScrollFit f = fitScrollRange({visible, maximum, position}, plot, count);
        QTEST(f.changed, "changed");
        QTEST(f.scroll.visible, "newVisible");
        QTEST(f.scroll.maximum, "newMaximum");
        QTEST(f.scroll.position, "newPosition");
        QTEST(f.maxSamplesPerPixel, "maxSpp");
        QCOMPARE(f.samplesPerPixel, 1);
    }

    void plotWidthNeverBelowOne()
    {
        QCOMPARE(plotWidthOf(340), 300);
        QCOMPARE(plotWidthOf(40), 1);
        QCOMPARE(plotWidthOf(0), 1);
    }

    void moveKeepsLinkFields()
    {
        ResetStore();
        WinInfo[2] = {3,     60000,   -25,     5,       8,       1234,   77,
                      false, nullptr, nullptr, nullptr, nullptr, nullptr};
        WinInfo[1].LinkBase = 11;
        WinInfo[1].LinkHold = true;
        moveWindowRecord(1, 2);
        const WINDOW_INFO_TYPE &w = WinInfo[1];
        QCOMPARE(w.DataNo, 3);
        QCOMPARE(w.TimeGrid, 60000);
        QCOMPARE(w.Offset, -25);
        QCOMPARE(w.SamplesPerPixel, 5);
        QCOMPARE(w.MaxSamplesPerPixel, 8);
        QCOMPARE(w.LastPos, 1234);
        QCOMPARE(w.LinkBase, 11);
        QCOMPARE(w.LinkHold, true);
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "test_layout.moc"
