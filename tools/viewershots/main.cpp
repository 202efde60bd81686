// viewershots: opens four generated recordings through File > Open of the real main window
// and saves the window as PNG at several sizes and in both arrangements, for looking at the
// picture as an operator sees it.
//   viewershots OUTPUT_DIR [SAMPLES]   (SAMPLES: length of the longest recording, default 648000,
//   18 h)
#include "form1.h"
#include "generator.h"
#include "scriptedprompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QToolButton>

namespace {

QTextStream err(stderr);

bool writeRecording(const GenOptions &options, const QString &path)
{
    if (generateFile(options, path))
        return true;
    err << "viewershots: cannot write " << path << "\n";
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = args.size() == 2 || args.size() == 3;
    const qint64 samples = args.size() == 3 ? args[2].toLongLong(&ok) : 648000;
    if (!ok || samples < 100) {
        err << "usage: viewershots OUTPUT_DIR [SAMPLES]\n";
        return 2;
    }
    const QDir out(args[1]);
    QTemporaryDir work;
    if (!QDir().mkpath(out.path()) || !work.isValid()) {
        err << "viewershots: cannot make " << out.path() << "\n";
        return 1;
    }

    // A full day at 100 ms, a shorter walk at 1 s with many events, and a two-channel
    // recording that fills two windows.
    GenOptions day;
    day.samples = samples;
    day.rate = 100;
    day.events = 12;
    day.errors = 4;
    GenOptions walk;
    walk.samples = std::min<qint64>(samples / 10, 7200);
    walk.rate = 1000;
    walk.seed = 7;
    walk.device = "Vm731-A00124";
    walk.start = {2024, 5, 2, 14, 5, 0, 0};
    walk.events = 8;
    walk.gaps = 2;
    GenOptions two;
    two.samples = std::min<qint64>(samples / 4, 36000);
    two.form = FileForm::TwoChannel;
    two.seed = 3;
    two.start = {2024, 5, 3, 8, 0, 0, 0};
    const QStringList files = {work.filePath(QStringLiteral("day.csv")),
                               work.filePath(QStringLiteral("walk.csv")),
                               work.filePath(QStringLiteral("legs.csv"))};
    if (!writeRecording(day, files[0]) || !writeRecording(walk, files[1]) ||
        !writeRecording(two, files[2]))
        return 1;

    ScriptedPrompts prompts;
    Form1 form(prompts, work.filePath(QStringLiteral("Keldra_data_viewer.ini")));
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    prompts.openAnswers = files;
    for (int i = 0; i < files.size(); ++i)
        form.O1->trigger();
    if (!prompts.messages().isEmpty() || WindowCount != 4) {
        err << "viewershots: " << WindowCount << " windows; the viewer said "
            << prompts.messages().join(QStringLiteral(" / ")) << "\n";
        return 1;
    }

    const QList<QSize> sizes = {{1024, 600}, {1280, 800}, {1600, 900}, {1920, 1080}};
    for (int arrangement = 0; arrangement < 2; ++arrangement) {
        QToolButton *button = arrangement == 0 ? form.SpeedButton1 : form.SpeedButton2;
        button->click();
        for (const QSize &size : sizes) {
            form.resize(size);
            QApplication::processEvents();
            const QString name =
                QStringLiteral("viewer-%1-%2x%3.png")
                    .arg(arrangement == 0 ? QLatin1String("stacked") : QLatin1String("columns"))
                    .arg(size.width())
                    .arg(size.height());
            if (!form.grab().save(out.filePath(name))) {
                err << "viewershots: cannot write " << out.filePath(name) << "\n";
                return 1;
            }
        }
    }

    // The README's picture: every series, the accelerometer plot, 5-point averages, a scale
    // that suits these recordings, and the cursor in window 1.
    for (int k = 0; k < 4; ++k)
        form.dataCheckBox(k)->setChecked(true);
    form.AveComboBox->setCurrentIndex(2);
    form.AveComboBoxChange();
    form.AmpComboBox->setCurrentIndex(6);
    form.AmpComboBoxChange();
    form.SensorComboBox->setCurrentIndex(1);
    form.SensorComboBoxChange();
    form.SpeedButton2->click();
    form.resize(1600, 900);
    QApplication::processEvents();
    QWidget *surface = form.findChild<QWidget *>(QStringLiteral("PaintBox1"));
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() * 3 / 5, 40));
    QApplication::processEvents();
    if (!form.grab().save(out.filePath(QStringLiteral("viewer.png")))) {
        err << "viewershots: cannot write " << out.filePath(QStringLiteral("viewer.png")) << "\n";
        return 1;
    }
    return 0;
}
