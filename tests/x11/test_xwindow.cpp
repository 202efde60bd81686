// The main window under a real window manager (run-in-x starts Xvfb and openbox): the stored
// place is the outer frame in device pixels, start/Exit/start keeps it, every start lies on
// the available screen, and a graph window shows the recording it names after a close.
#include "form1fixture.h"
#include "graphwindow.h"
#include "windowplace.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>

class TestXWindow : public QObject
{
    Q_OBJECT

    Form1Fixture f;

    static qreal scale() { return QGuiApplication::primaryScreen()->devicePixelRatio(); }
    static QRect available()
    {
        const QScreen *s = QGuiApplication::primaryScreen();
        return toDevice(s->availableGeometry(), s);
    }

    // The outer frame in device pixels once the window manager has framed and placed it.
    static QRect settledFrame(Form1 *w)
    {
        if (!QTest::qWaitFor([w] { return !w->placing(); }, 5000))
            qWarning("the window is still being placed");
        QTest::qWait(100);
        return toDevice(w->frameGeometry(), w->screen());
    }

    QRect storedPlace() const
    {
        const QString text = QString::fromLatin1(readSettings(f.iniPath()));
        auto value = [&text](const char *key) {
            const QRegularExpression re(QStringLiteral("\\n%1=(-?\\d+)").arg(QLatin1String(key)));
            return re.match(text).captured(1).toInt();
        };
        return QRect(value("Left"), value("Top"), value("Width"), value("Height"));
    }

private slots:
    void init()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the X session that tests/x11/run-in-x starts");
    }
    void cleanup() { f.stop(); }

    void placeRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QRect>("exact"); // where it fits the screen; null: only on screen
        QTest::newRow("no settings file") << QByteArray() << QRect();
        QTest::newRow("stored place is the outer frame")
            << QByteArray("[Form]\nTop=100\nLeft=200\nWidth=1200\nHeight=700\n")
            << QRect(200, 100, 1200, 700);
        QTest::newRow("too small raised to the limit")
            << QByteArray("[Form]\nTop=10\nLeft=20\nWidth=500\nHeight=300\n")
            << QRect(20, 10, 1024, 600);
        QTest::newRow("largest values")
            << QByteArray("[Form]\nTop=2147483647\nLeft=2147483647\nWidth=2147483647\n"
                          "Height=2147483647\n")
            << QRect();
        QTest::newRow("largest size") << QByteArray("[Form]\nTop=0\nLeft=0\nWidth=2147483647\n"
                                                    "Height=2147483647\n")
                                      << QRect();
        QTest::newRow("partly off the right edge")
            << QByteArray("[Form]\nTop=50\nLeft=1500\nWidth=1100\nHeight=650\n") << QRect();
    }
    void placeRoundTrips()
    {
        QFETCH(QByteArray, content);
        QFETCH(QRect, exact);
        if (!content.isEmpty())
            writeSettings(f.iniPath(), content);
        Form1 *w = f.start();
        const QRect frame = settledFrame(w);
        const QRect desk = available();
        QVERIFY2(desk.contains(frame), qPrintable(QStringLiteral("frame %1,%2 %3x%4 off screen")
                                                      .arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())));
        if (exact.isValid() && desk.contains(exact))
            QCOMPARE(frame, exact);
        if (content.isEmpty() && scale() == 1 && desk.width() >= 1024) {
            QCOMPARE(frame.width(), 1024);
            QVERIFY(qAbs(frame.center().x() - desk.center().x()) <= 1);
        }
        // Exit writes back exactly the frame it opened with, and the next start keeps it.
        w->close();
        QCOMPARE(storedPlace(), frame);
        f.form.reset();
        w = f.start();
        QCOMPARE(settledFrame(w), frame);
        w->close();
        QCOMPARE(storedPlace(), frame);
    }

    void closingRepaintsMovedWindows()
    {
        // Four windows in two columns keep their quarter size when one closes: what the screen
        // shows in the windows that moved up must be their new recordings.
        Form1 *w = f.start();
        settledFrame(w);
        for (int i = 0; i < 4; ++i) {
            Recording r;
            r.count = 3000;
            r.phase = i * 1.7;
            QVERIFY(enterRecording(r));
        }
        control<QToolButton>(w, "SpeedButton2")->click();
        QTest::qWait(200);
        control<QToolButton>(w, "Graph1SpeedButton")->click();
        QTest::qWait(200);
        for (int k = 0; k < WindowCount; ++k) {
            QWidget *box = WinInfo[k].PaintBox;
            const QPoint at = box->mapTo(w, QPoint(0, 0));
            const QImage shown =
                w->screen()
                    ->grabWindow(w->winId(), at.x(), at.y(), box->width(), box->height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            QImage fresh = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
            fresh.setDevicePixelRatio(shown.devicePixelRatio());
            QCOMPARE(shown.size(), fresh.size());
            QVERIFY2(shown == fresh,
                     qPrintable(QStringLiteral("window [%1] shows a stale plot").arg(k + 1)));
        }
    }
};

QTEST_MAIN(TestXWindow)
#include "test_xwindow.moc"
