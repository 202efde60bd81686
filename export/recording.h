// A recording as the exports see it: one or two measurements of the store that share their
// sampling (the channels of one file), their event marks, and the runs of samples that were
// not measured (filled in by the reader, repeated in place of an unreadable line, or left
// blank by the sensor).
#pragma once

#include "store.h"

#include <QList>
#include <QString>
#include <functional>

struct ExportChannel
{
    const DATA_INFO_TYPE *info = nullptr;
    const SAMPLE_TYPE *samples = nullptr;
    QList<int32_t> events; // sample indices, ascending, each once, all below the sample count
};

struct ExportRecording
{
    QList<ExportChannel> channels; // one or two, all with the same count and interval
    int count = 0;                 // samples per channel
    int intervalMs = 0;            // Log_Rate of the first channel
};

// The recording of one slot in use.
ExportRecording recordingOfSlot(int slot);
// The recording of slotList (one slot per channel); empty when they differ in sample count or
// interval.
ExportRecording recordingOfSlots(const QList<int> &slotList);

// Why a recording cannot be exported, or an empty string when it can.
QString recordingProblem(const ExportRecording &recording);

// Time of sample i from the start, in seconds, from the sampling interval: the TIME column of
// a file counts whole seconds only.
inline double sampleSeconds(const ExportRecording &r, int i)
{
    return double(i) * r.intervalMs / 1000.0;
}

enum class SampleKind { Measured, Filled, Repeated, Blank };

struct SampleRun
{
    SampleKind kind;
    int first; // sample index
    int count;
};

// The runs of samples of channel c that carry no measurement of their own, ascending:
// - Repeated: flagged STATUS_REPEATED by the reader, a copy of the sample before it with the
//   same time, in place of an unreadable line;
// - Blank: flagged STATUS_BLANK by the sensor;
// - Filled: a sample the reader added where the TIME column skipped ahead. The reader does
//   not flag these; they are found again by following the reader's expected-time count: a
//   sample at exactly the expected time that repeats every value of the sample before it.
//   A measured line that repeats its predecessor exactly at the expected time is counted
//   with them (it carries nothing its predecessor does not).
QList<SampleRun> unmeasuredRuns(const ExportRecording &r, int c);

// The annotation text of a run kind ("BAD_" makes analysis tools leave the span out).
QString runLabel(SampleKind kind);

// The sensor's serial number: Log_Device from its 7th character on.
QString serialNumber(const DATA_INFO_TYPE &info);

// The series the exports write, in order, with their units as in the measurement file.
enum class Series { OXHb, DXHb, TOHb, StO2, AccX, AccY, AccZ, GyrX, GyrY, GyrZ, Batt };
struct SeriesInfo
{
    Series series;
    const char *label;
    const char *unit;
};
// The series a measurement carries: without the motion channels (the short form) only TOHb,
// StO2 and the battery.
QList<SeriesInfo> seriesOf(const DATA_INFO_TYPE &info);
// The value of a series in its unit (StO2 in percent).
inline double seriesValue(const SAMPLE_TYPE &s, Series series)
{
    switch (series) {
    case Series::OXHb:
        return s.Nirs[0];
    case Series::DXHb:
        return s.Nirs[1];
    case Series::TOHb:
        return s.Nirs[2];
    case Series::StO2:
        return double(s.Nirs[3]) * 100.0;
    case Series::AccX:
    case Series::AccY:
    case Series::AccZ:
        return s.Acc[int(series) - int(Series::AccX)];
    case Series::GyrX:
    case Series::GyrY:
    case Series::GyrZ:
        return s.Gyr[int(series) - int(Series::GyrX)];
    case Series::Batt:
        return s.Batt;
    }
    return 0;
}

// Reports progress as a fraction 0..1 of the work; may be empty.
using ExportProgress = std::function<void(double)>;
