// Made-up but plausible recordings for the manual's screenshots, entered into the store as the
// file reader enters them.
#pragma once

#include <QList>
#include <QString>

struct SampleRecording
{
    QString serial = QStringLiteral("A00123");
    int rateMs = 100;
    int count = 3000;
    double fatThick = 3.5;
    int startHour = 14, startMinute = 3, startSecond = 20;
    // Samples that carry an event mark.
    QList<int> events;
    // Samples flagged by the sensor ("E" in the ERROR column).
    QList<int> errors;
    // Shape of the curves: 0 rest then exercise, 1 slow drift.
    int shape = 0;
};

// Enters the recording into the next free slot and graph window as the file reader does,
// named fileName; false when no slot is free.
bool enterSampleRecording(const SampleRecording &recording, const QString &fileName);
