// Shared set-up of the main-window tests: a main window on a settings file in a temporary
// folder, controls found by object name, and recordings entered into the store as the
// file reader enters them.
#pragma once

#include "displaystate.h"
#include "form1.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

// The control named name of type T in root, or a test failure.
template <typename T> T *control(QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("control %s not found", name);
    return found;
}

inline void writeSettings(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(content);
}

inline QByteArray readSettings(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Recording
{
    int count = 2000;
    int rate = 100;
    int deviceType = DEVICE_VM731;
    bool rev2 = true;
    const char *device = "Vm731-A00123";
    const char *file = "run01.csv";
    double phase = 0; // shifts the curves so that recordings differ
};

// Fills the next free slot with a recording of smooth curves and enters it, as the reader does.
inline bool enterRecording(const Recording &r)
{
    if (!SetFreeNo())
        return false;
    const int slot = FreeNo;
    ClearInfo(NewInfo[0]);
    ClearEventList(slot);
    DATA_INFO_TYPE &info = NewInfo[0];
    info.DeviceType = r.deviceType;
    setDeviceName(info, QString::fromLatin1(r.device));
    info.NumCH = 1;
    info.Log_Rate = r.rate;
    info.Log_FatThick = 3.5;
    info.Log_Range[0] = 2;
    info.Log_Range[1] = 125;
    info.Rev2 = r.rev2;
    DateTimeParts start;
    start.year = 2024;
    start.month = 5;
    start.day = 1;
    start.hour = 9;
    start.minute = 30;
    info.Log_start = encodeDateTime(start);
    for (int i = 0; i < r.count; ++i) {
        SAMPLE_TYPE &s = SampleData[slot][i];
        s = SAMPLE_TYPE{};
        const double t = i * 0.01 + r.phase;
        s.Time = msToDays(double(i) * r.rate);
        s.Seq = i;
        s.Batt = 3.7f;
        s.Nirs[0] = float(0.05 + 0.02 * std::sin(t));
        s.Nirs[1] = float(0.03 + 0.01 * std::cos(t * 1.3));
        s.Nirs[2] = float(0.12 + 0.03 * std::sin(t * 0.7));
        s.Nirs[3] = float(0.65 + 0.1 * std::sin(t * 0.5));
        for (int a = 0; a < 3; ++a) {
            s.Acc[a] = float(std::sin(t * (a + 1)));
            s.Gyr[a] = float(60 * std::cos(t * (a + 2)));
        }
        if (i > 0 && i % 700 == 0)
            AddEvent(slot, i);
    }
    info.Ex_count = r.count;
    info.Log_end = info.Log_start + msToDays(double(r.count - 1) * r.rate);
    OpenDialogFileName = QStringLiteral("/data/") + QString::fromLatin1(r.file);
    EntryNewData(SOURCE_OPEN_DIALOG);
    return true;
}

class Form1Fixture
{
public:
    // A fresh folder for every test: each starts without a settings file.
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    ScriptedPrompts prompts;
    std::unique_ptr<Form1> form;

    QString iniPath() const { return dir->filePath(QStringLiteral("Keldra_data_viewer.ini")); }

    Form1 *start(bool show = true)
    {
        form = std::make_unique<Form1>(prompts, iniPath());
        if (show) {
            form->show();
            if (!QTest::qWaitForWindowExposed(form.get()))
                qWarning("main window not exposed");
        }
        return form.get();
    }
    void stop()
    {
        form.reset();
        prompts = ScriptedPrompts();
        dir = std::make_unique<QTemporaryDir>();
    }
};
