// The About box and Help: captions, version text, logo, placement; the manual beside the
// executable and the message when it cannot be opened.
#include "about.h"
#include "help.h"
#include "scriptedprompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("control %s missing", name);
    return w;
}

void touch(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write("%PDF-1.4\n");
}

// A fake desktop launcher named xdg-open in folder, running body under /bin/sh.
void fakeLauncher(const QString &folder, const QByteArray &body)
{
    const QString path = QDir(folder).filePath(QStringLiteral("xdg-open"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("#!/bin/sh\n" + body + "\n") <= 0)
        qFatal("cannot write %s", qPrintable(path));
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

// PATH with folder in front for the life of the object.
class PathFront
{
public:
    explicit PathFront(const QString &folder) : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", QFile::encodeName(folder) + ':' + m_old);
    }
    ~PathFront() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
};

} // namespace

class TestAboutHelp : public QObject
{
    Q_OBJECT

private slots:
    void aboutBoxHasItsControls()
    {
        QWidget main;
        Form2 form(&main);
        QCOMPARE(form.windowTitle(), QStringLiteral("About Keldra_data_viewer"));
        QCOMPARE(form.size(), QSize(283, 196));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(child<QLabel>(&form, "Label1")->text(), QStringLiteral("NIRS Data Viewer"));
        QVERIFY(child<QLabel>(&form, "Label1")->font().bold());
        QCOMPARE(child<QLabel>(&form, "Label2")->text(), QStringLiteral("for Kel-Dra Ver2.0.9"));
        QCOMPARE(child<QLabel>(&form, "Label2")->pos(), QPoint(125, 53));
        QVERIFY(child<QLabel>(&form, "Label3")->text().startsWith(QStringLiteral("Copyright")));
        auto *ok = child<QPushButton>(&form, "OkButton");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->geometry(), QRect(192, 152, 75, 25));
        QCOMPARE(child<QFrame>(&form, "Panel1")->geometry(), QRect(24, 125, 153, 52));
    }

    void logoIsDrawnInWhitePanel()
    {
        Form2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *panel = child<QFrame>(&form, "Panel1");
        QWidget *image = child<QWidget>(panel, "Image1");
        QVERIFY(panel->contentsRect().contains(image->geometry()));
        const QImage picture = panel->grab().toImage();
        int logoBlue = 0, red = 0, white = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                if (qAbs(c.red() - 0x1d) < 12 && qAbs(c.green() - 0x5c) < 12 &&
                    qAbs(c.blue() - 0x78) < 12)
                    ++logoBlue;
                else if (c.red() > 200 && c.green() < 90 && c.blue() < 90)
                    ++red;
                else if (c == Qt::white)
                    ++white;
            }
        }
        QVERIFY2(logoBlue > 300, qPrintable(QString::number(logoBlue)));
        QVERIFY(red > 20);
        QVERIFY(white > picture.width() * picture.height() / 3);
    }

    void versionAppearsOnceAndPlaceIsKept()
    {
        QWidget main;
        main.setGeometry(100, 100, 1000, 600);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        Form2 form(&main);
        QPoint firstCentre;
        QTimer::singleShot(0, &form, [&] {
            firstCentre = form.geometry().center();
            form.move(30, 40);
            child<QPushButton>(&form, "OkButton")->click();
        });
        A1Click(&form);
        QVERIFY(!form.isVisible());
        QVERIFY2((firstCentre - main.geometry().center()).manhattanLength() < 40,
                 qPrintable(QStringLiteral("%1,%2").arg(firstCentre.x()).arg(firstCentre.y())));
        QPoint second;
        QTimer::singleShot(0, &form, [&] {
            second = form.pos();
            form.accept();
        });
        A1Click(&form);
        QCOMPARE(second, QPoint(30, 40));
        QCOMPARE(child<QLabel>(&form, "Label2")->text(), QStringLiteral("for Kel-Dra Ver2.0.9"));
    }

    void okClosesWithResultOk()
    {
        Form2 form;
        QTimer::singleShot(0, &form, [&] { QTest::keyClick(&form, Qt::Key_Return); });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
    }

    void helpHandsDocumentToDesktop()
    {
        QTemporaryDir dir;
        touch(dir.filePath(QLatin1String(HELP_FILE_NAME)));
        ScriptedPrompts prompts;
        QList<QUrl> opened;
        const bool ok = openHelp(prompts, dir.path(), [&](const QUrl &url) {
            opened.append(url);
            return true;
        });
        QVERIFY(ok);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].toLocalFile(), QDir(dir.path()).filePath("Keldra_data_viewer_en.pdf"));
    }

    void helpFailureGivesError_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("desktopAccepts");
        QTest::newRow("document missing") << false << true;
        QTest::newRow("no viewer for PDF") << true << false;
    }
    void helpFailureGivesError()
    {
        QFETCH(bool, present);
        QFETCH(bool, desktopAccepts);
        QTemporaryDir dir;
        if (present)
            touch(dir.filePath(QLatin1String(HELP_FILE_NAME)));
        ScriptedPrompts prompts;
        int asked = 0;
        QVERIFY(!openHelp(prompts, dir.path(), [&](const QUrl &) {
            ++asked;
            return desktopAccepts;
        }));
        QCOMPARE(asked, present ? 1 : 0);
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::Error);
        QCOMPARE(prompts.shown[0].text, QStringLiteral("Help file not found."));
    }

    void desktopLauncherAnswerCounts_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("opened");
        QTest::newRow("viewer started")
            << QByteArray("printf %s \"$1\" > \"$KELDRA_OPENED\"") << true;
        QTest::newRow("no program for PDF files")
            << QByteArray("echo 'xdg-open: no method available for opening' >&2; exit 3") << false;
        QTest::newRow("viewer failed") << QByteArray("exit 4") << false;
        QTest::newRow("launcher crashed") << QByteArray("kill -SEGV $$") << false;
    }
    void desktopLauncherAnswerCounts()
    {
#if !defined(Q_OS_UNIX) || defined(Q_OS_MACOS)
        QSKIP("the desktop launcher is xdg-open on freedesktop systems only");
#endif
        QFETCH(QByteArray, body);
        QFETCH(bool, opened);
        QTemporaryDir bin, docs;
        fakeLauncher(bin.path(), body);
        touch(docs.filePath(QLatin1String(HELP_FILE_NAME)));
        const QString record = bin.filePath(QStringLiteral("opened"));
        qputenv("KELDRA_OPENED", QFile::encodeName(record));
        PathFront path(bin.path());
        ScriptedPrompts prompts;
        QCOMPARE(openHelp(prompts, docs.path()), opened);
        if (opened) {
            QVERIFY(prompts.messages().isEmpty());
            QFile f(record);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromLocal8Bit(f.readAll()),
                     QDir(docs.path()).filePath(QLatin1String(HELP_FILE_NAME)));
        } else {
            QCOMPARE(prompts.messages(), QStringList{QStringLiteral("Help file not found.")});
            QCOMPARE(prompts.shown[0].kind, ScriptedPrompts::Kind::Error);
        }
        QVERIFY(!prompts.busy);
    }

    void launcherStillRunningHasStartedViewer()
    {
        QTemporaryDir bin;
        // Its output away from the test's own, which the test runner reads to the end.
        fakeLauncher(bin.path(), "exec sleep 5 >/dev/null 2>&1");
        PathFront path(bin.path());
        QVERIFY(runLauncher(QStringLiteral("xdg-open"), QUrl::fromLocalFile(bin.filePath("x.pdf")),
                            300));
        QVERIFY(!runLauncher(QStringLiteral("keldra-no-such-launcher"),
                             QUrl::fromLocalFile("/x.pdf"), 300));
    }

    void helpNeverLooksInWorkingFolder()
    {
        QCOMPARE(helpFilePath(), QCoreApplication::applicationDirPath() +
                                     QStringLiteral("/Keldra_data_viewer_en.pdf"));
        if (QFile::exists(helpFilePath()))
            QSKIP("a manual lies beside the test executable");
        QTemporaryDir dir;
        touch(dir.filePath(QLatin1String(HELP_FILE_NAME)));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        ScriptedPrompts prompts;
        H2Click(prompts);
        QDir::setCurrent(before);
        QCOMPARE(prompts.messages(), QStringList{QStringLiteral("Help file not found.")});
        // A relative folder would be the working folder again: refused.
        ScriptedPrompts relative;
        QVERIFY(!openHelp(relative, QStringLiteral("."), [](const QUrl &) { return true; }));
    }
};

QTEST_MAIN(TestAboutHelp)
#include "test_about_help.moc"
