// Synthetic measurement files: a deterministic model of a recording (slowly varying NIRS
// values, posture and movement in the motion channels, a draining battery, events and a few
// error flags), written in any of the three forms the reader accepts.
#pragma once

#include "datetime.h"

#include <QByteArray>
#include <QIODevice>
#include <cstdint>

enum class FileForm { Short, Standard, TwoChannel };

struct GenOptions
{
    int64_t samples = 1000; // sample positions of the recording (before gaps are cut out)
    FileForm form = FileForm::Standard;
    int rate = 100; // ms
    uint64_t seed = 1;
    DateTimeParts start{2024, 5, 1, 9, 30, 0, 0};
    QByteArray device = "Vm731-A00123";
    QByteArray device2 = "Vm731-B00456";
    double fat = 3.5;   // mm
    double fat2 = 4.0;  // mm
    int accRange = 4;   // G
    int gyrRange = 500; // deg/s
    int events = 3;
    int errors = 2;
    int gaps = 0;     // places where whole seconds of lines are left out
    int badLines = 0; // lines replaced by unreadable ones (fewer than 7 cells)
};

// Writes the whole file to out; false when a write fails.
bool generateFile(const GenOptions &options, QIODevice &out);
// Writes the whole file as path: it appears complete or not at all (an old file stays as it
// was). False when any step fails.
bool generateFile(const GenOptions &options, const QString &path);
