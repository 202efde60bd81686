// Measurement files for the tests: the header lines of the three forms, sample lines, and the
// Open command run on a file in a temporary folder with scripted answers.
#pragma once

#include "format.h"
#include "headlesswindow.h"
#include "reader.h"
#include "scriptedprompts.h"
#include "store.h"

#include <QFile>
#include <QTemporaryDir>

inline QByteArray standardHeader(int rate = 1000, const QByteArray &name = "Vm731-A00123")
{
    return "S/N," + name + ",RATE," + QByteArray::number(rate) +
           ",TH, 3.5,RANGE,4,500\r\n"
           "START 2024/05/01 09:30:00\r\n"
           "END 2024/05/01 10:15:42\r\n"
           ",,CH1\r\n" +
           QByteArray(TITLE_LINE) + "\r\n";
}

inline QByteArray shortHeader(int rate = 1000)
{
    return "S/N,Vm731-B7,RATE," + QByteArray::number(rate) +
           ",TH,2.0\r\n"
           "START,2024/05/01 09:30:00\r\n"
           "END,2024/05/01 09:30:09\r\n"
           ",,CH1\r\n"
           "TIME,SEQ,BATT[V],EVENT,ERROR,TOHb[mM],StO2[%]\r\n";
}

inline QByteArray twoChannelHeader(int rate = 1000)
{
    return "S/N,Vm731-AAA111,RATE," + QByteArray::number(rate) +
           ",TH, 3.5,RANGE,8,1000,,,,,,,S/N,Vm731-BBB222,TH, 6.0\r\n"
           "START 2024/05/01 09:30:00,,,,,,,,,,,,,,,START 2024/05/02 10:00:00\r\n"
           "END 2024/05/01 09:40:00,,,,,,,,,,,,,,,END 2024/05/02 10:10:00\r\n"
           ",,CH1,,,,,,,,,,,,,,,CH2\r\n" +
           QByteArray(TITLE_LINE) + ',' + QByteArray(TITLE_LINE).mid(9) + "\r\n";
}

// A standard-form sample line; v sets every NIRS value (StO2 is v %) and the motion values.
inline QByteArray sampleLine(int seconds, int seq, double v = 0.5, const QByteArray &event = "",
                             const QByteArray &error = "")
{
    const QByteArray t = QByteArray::number(seconds / 3600) + ':' +
                         QByteArray::number(seconds / 60 % 60) + ':' +
                         QByteArray::number(seconds % 60);
    QByteArray line = t + ',' + QByteArray::number(seq) + ",3.9," + event + ',' + error;
    for (int i = 0; i < 10; ++i)
        line += ',' + QByteArray::number(v + i, 'f', 4);
    return line + "\r\n";
}

// The same for the second channel's cells (15 to 27) of a two-channel line.
inline QByteArray secondChannelCells(double v, const QByteArray &event = "",
                                     const QByteArray &error = "")
{
    QByteArray cells = ",3.8," + event + ',' + error;
    for (int i = 0; i < 10; ++i)
        cells += ',' + QByteArray::number(v + i, 'f', 4);
    return cells;
}

class FileFixture
{
public:
    QTemporaryDir dir;
    HeadlessWindow win;
    ScriptedPrompts prompts;

    FileFixture()
    {
        setStoreWindow(&win);
        ResetStore();
    }
    ~FileFixture() { setStoreWindow(nullptr); }

    QString write(const QByteArray &bytes, const QString &name = QStringLiteral("m.csv"))
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // The Open command on path; returns the messages shown.
    QStringList open(const QString &path)
    {
        prompts = ScriptedPrompts();
        prompts.openAnswers << path;
        OpenMeasurementFile(prompts);
        return prompts.messages();
    }

    QStringList openBytes(const QByteArray &bytes) { return open(write(bytes)); }

    // Slots 0..count-1 in use, shown as one-sample measurements of model type.
    void show(int count, int type = DEVICE_VM731)
    {
        for (int i = 0; i < count; ++i) {
            SetFreeNo();
            ClearInfo(NewInfo[0]);
            NewInfo[0].DeviceType = type;
            NewInfo[0].Ex_count = 1;
            NewInfo[0].Log_Rate = 1000;
            EntryNewData(SOURCE_OPEN_DIALOG);
        }
    }
};
