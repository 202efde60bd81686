// The main window's place worked out from the stored values and the desktop, and the choice
// of the settings file's folder.
#include "settingslocation.h"
#include "windowplace.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

Q_DECLARE_METATYPE(FormPlace)

class TestWindowPlace : public QObject
{
    Q_OBJECT

    static FormPlace place(int left, int top, int width, int height)
    {
        FormPlace p;
        p.left = left;
        p.top = top;
        p.width = width;
        p.height = height;
        return p;
    }

private slots:
    void fit_data()
    {
        QTest::addColumn<FormPlace>("stored");
        QTest::addColumn<QRect>("available"); // of the only screen
        QTest::addColumn<QRect>("expected");
        const QRect fullHd(0, 0, 1920, 1040); // a 1920 x 1080 screen with a 40-pixel panel
        const QRect small(0, 0, 1024, 576);   // a 1024 x 600 screen with a panel
        QTest::newRow("stored place kept")
            << place(200, 100, 1200, 700) << fullHd << QRect(200, 100, 1200, 700);
        QTest::newRow("raised to the limit")
            << place(20, 10, 500, 300) << fullHd << QRect(20, 10, 1024, 600);
        QTest::newRow("not stored: centred")
            << place(-1, -1, -1, -1) << fullHd << QRect(448, 210, 1024, 620);
        QTest::newRow("one negative value centres")
            << place(200, -1, 1200, 700) << fullHd << QRect(448, 210, 1024, 620);
        QTest::newRow("off the right edge moved back")
            << place(1500, 50, 1100, 650) << fullHd << QRect(820, 50, 1100, 650);
        QTest::newRow("larger than the screen shrunk")
            << place(0, 0, 2400, 1400) << fullHd << QRect(0, 0, 1920, 1040);
        QTest::newRow("largest size") << place(0, 0, INT_MAX, INT_MAX) << fullHd << fullHd;
        QTest::newRow("largest values: on no screen, centred")
            << place(INT_MAX, INT_MAX, INT_MAX, INT_MAX) << fullHd << QRect(448, 210, 1024, 620);
        QTest::newRow("largest place, overlapping")
            << place(100, 100, INT_MAX - 50, INT_MAX) << fullHd << QRect(0, 0, 1920, 1040);
        QTest::newRow("screen below the limit: the whole screen")
            << place(10, 10, 500, 300) << small << QRect(0, 0, 1024, 576);
        QTest::newRow("screen below the limit, not stored")
            << place(-1, -1, -1, -1) << small << QRect(0, 0, 1024, 576);
        QTest::newRow("scaled default larger than the screen")
            << place(-1, -1, -1, -1) << QRect(0, 0, 1920, 1080) << QRect(0, 0, 1920, 1080);
    }
    void fit()
    {
        QFETCH(FormPlace, stored);
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        // The default outer size: the design size with a frame (or, scaled twice, 2048 x 1240).
        const QSize defaultOuter =
            available.height() == 1080 ? QSize(2048, 1240) : QSize(1002, 620);
        const QList<ScreenArea> screens = {{available, available}};
        QCOMPARE(fitWindowPlace(stored, defaultOuter, screens, 0, QSize(1024, 600)), expected);
    }

    void fitChoosesTheScreenHoldingMost()
    {
        const QList<ScreenArea> screens = {
            {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)},
            {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)}};
        // Mostly on the right-hand screen, too wide for it: moved and shrunk onto it.
        QCOMPARE(fitWindowPlace(place(1800, 100, 1400, 700), QSize(1024, 600), screens, 0,
                                QSize(1024, 600)),
                 QRect(1920, 100, 1280, 700));
        // On the right-hand screen, whole: kept.
        QCOMPARE(fitWindowPlace(place(2000, 100, 1100, 700), QSize(1024, 600), screens, 0,
                                QSize(1024, 600)),
                 QRect(2000, 100, 1100, 700));
        // Not stored: on the primary screen, which need not be the first.
        QCOMPARE(fitWindowPlace(place(-1, 0, 0, 0), QSize(1024, 600), screens, 1, QSize(1024, 600)),
                 QRect(2048, 212, 1024, 600));
    }

    void settingsFolder_data()
    {
        QTest::addColumn<bool>("exeFolderWritable");
        QTest::addColumn<bool>("userFolderWritable");
        QTest::addColumn<QString>("expected"); // "exe" or "user"
        QTest::newRow("portable copy") << true << true << "exe";
        QTest::newRow("installed") << false << true << "user";
        QTest::newRow("neither: the user's, whose write reports it") << false << false << "user";
    }
    void settingsFolder()
    {
        QFETCH(bool, exeFolderWritable);
        QFETCH(bool, userFolderWritable);
        QFETCH(QString, expected);
        // A folder under a plain file can be made by nobody, not even by root.
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString exeDir = exeFolderWritable ? dir.filePath(QStringLiteral("bin"))
                                                 : dir.filePath(QStringLiteral("file/bin"));
        QDir().mkpath(exeDir);
        const QString userDir = userFolderWritable
                                    ? dir.filePath(QStringLiteral("home/.config/viewer"))
                                    : dir.filePath(QStringLiteral("file/.config/viewer"));
        const QString path =
            settingsPathFor(exeDir + QStringLiteral("/Keldra_data_viewer"), userDir);
        const QString folder = expected == QLatin1String("exe") ? exeDir : userDir;
        QCOMPARE(path, folder + QStringLiteral("/Keldra_data_viewer.ini"));
        // The user's folder is made when it is chosen and can be; the probe leaves nothing.
        QCOMPARE(QFileInfo(userDir).isDir(), !exeFolderWritable && userFolderWritable);
        if (exeFolderWritable)
            QCOMPARE(QDir(exeDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList());
    }

    void settingsFileReadOnlyBesideExecutable()
    {
        // A settings file that cannot be written, in a folder that can: the same rule, the
        // user's folder (root passes permission bits, so only a non-root run sees this).
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Keldra_data_viewer.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Form]\n");
        file.close();
        QFile::setPermissions(ini, QFile::ReadOwner);
        QFile probe(ini);
        if (probe.open(QIODevice::WriteOnly | QIODevice::Append))
            QSKIP("this user writes read-only files (root)");
        const QString user = dir.filePath(QStringLiteral("user"));
        QCOMPARE(settingsPathFor(dir.filePath(QStringLiteral("Keldra_data_viewer")), user),
                 user + QStringLiteral("/Keldra_data_viewer.ini"));
    }
};

QTEST_MAIN(TestWindowPlace)
#include "test_windowplace.moc"
