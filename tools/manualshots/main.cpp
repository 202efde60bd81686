// manualshots: takes the user manual's screenshots from the real windows, filled with made-up
// recordings. Build-time tool: manualshots OUTPUT_DIR (PNG files land in OUTPUT_DIR/images).
#include "about.h"
#include "conditionsettings.h"
#include "form1.h"
#include "form3.h"
#include "packetdecoder.h"
#include "samplefiles.h"
#include "scriptedprompts.h"
#include "sensormodel.h"
#include "simulatedcentral.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

QTextStream err(stderr);

bool save(QWidget *widget, const QString &dir, const char *name)
{
    const QString path = QDir(dir).filePath(QLatin1String(name));
    if (!widget->grab().save(path)) {
        err << "manualshots: cannot write " << path << "\n";
        return false;
    }
    return true;
}

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("manualshots: control %s missing", name);
    return w;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        err << "usage: manualshots OUTPUT_DIR\n";
        return 2;
    }
    const QString out = QDir(app.arguments()[1]).filePath(QStringLiteral("images"));
    QTemporaryDir work;
    if (!QDir().mkpath(out) || !work.isValid()) {
        err << "manualshots: cannot make " << out << "\n";
        return 1;
    }
    SampleRecording walk;
    walk.events = {1200, 2100};
    walk.errors = {2500};
    SampleRecording rest;
    rest.serial = QStringLiteral("A00124");
    rest.shape = 1;
    rest.count = 2400;
    rest.startMinute = 4;
    ScriptedPrompts prompts;
    Form1 form(prompts, work.filePath(QStringLiteral("Keldra_data_viewer.ini")));
    Form2 about(&form);
    form.show();
    form.resize(1024, 640);
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    enterSampleRecording(walk, work.filePath(QStringLiteral("walk.csv")));
    enterSampleRecording(rest, work.filePath(QStringLiteral("rest.csv")));
    child<QCheckBox>(&form, "Region1Data1CheckBox")->setChecked(true);
    child<QCheckBox>(&form, "Region1Data2CheckBox")->setChecked(true);
    auto *sensor = child<QComboBox>(&form, "SensorComboBox");
    sensor->setCurrentIndex(1);
    form.SensorComboBoxChange();
    QApplication::processEvents();
    child<QScrollBar>(&form, "ScrollBar1")->setValue(900);
    QWidget *surface = child<QWidget>(&form, "PaintBox1");
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(surface->width() / 2, 60));
    QApplication::processEvents();
    if (!prompts.messages().isEmpty()) {
        err << "manualshots: the viewer said " << prompts.messages().join(" / ") << "\n";
        return 1;
    }
    bool ok = save(&form, out, "main-window.png");
    ok = save(child<QWidget>(&form, "Graph1Panel"), out, "graph-window.png") && ok;
    about.show();
    ok = save(&about, out, "about.png") && ok;
    about.hide();

    // The Connect dialog after a scan that found two paired sensors.
    SimulatedCentral ble;
    SensorModel first(QStringLiteral("A00123")), second(QStringLiteral("A00124"));
    ble.addSensor(&first);
    ble.addSensor(&second);
    PacketDecoder decoder;
    MemoryConditionSettings conditions;
    conditions.values = {{QStringLiteral("Rate"), 1},
                         {QStringLiteral("Thick"), 35},
                         {QStringLiteral("RangeA"), 1},
                         {QStringLiteral("RangeG"), 2},
                         {QStringLiteral("AutoOff"), 2}};
    Form3 connect(ble, decoder, prompts, conditions, &form);
    connect.show();
    child<QPushButton>(&connect, "Button1")->click();
    auto *devices = child<QComboBox>(&connect, "ComboBox1");
    if (!QTest::qWaitFor([&] { return devices->count() == 2; }, 10000)) {
        err << "manualshots: the simulated scan found no sensors\n";
        return 1;
    }
    ok = save(&connect, out, "connect.png") && ok;
    connect.hide();
    form.close();
    return ok ? 0 : 1;
}
