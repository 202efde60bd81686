// The recording the exports write: channels, event marks and the unmeasured samples.
#include "recording.h"

#include <algorithm>
#include <cstring>

namespace {

QList<int32_t> eventsOf(int slot, int count)
{
    QList<int32_t> out;
    for (int e = 0; e < EVENT_MAX && EventList[slot][e] != -1; ++e) {
        if (EventList[slot][e] >= 0 && EventList[slot][e] < count)
            out.append(EventList[slot][e]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Every value a copy carries over, the time, the sequence number and the status aside.
bool sameReadings(const SAMPLE_TYPE &a, const SAMPLE_TYPE &b)
{
    auto same = [](const float *x, const float *y, int n) {
        for (int i = 0; i < n; ++i) {
            if (x[i] != y[i])
                return false;
        }
        return true;
    };
    return a.Batt == b.Batt && same(a.Nirs, b.Nirs, 4) && same(a.Acc, b.Acc, 3) &&
           same(a.Gyr, b.Gyr, 3);
}

void addRun(QList<SampleRun> &runs, SampleKind kind, int i)
{
    if (!runs.isEmpty() && runs.back().kind == kind && runs.back().first + runs.back().count == i)
        ++runs.back().count;
    else
        runs.append({kind, i, 1});
}

} // namespace

ExportRecording recordingOfSlots(const QList<int> &slotList)
{
    ExportRecording r;
    for (int slot : slotList) {
        if (slot < 0 || slot >= SLOT_COUNT)
            return {};
        const DATA_INFO_TYPE &info = DataInfo[slot];
        if (r.channels.isEmpty()) {
            r.count = std::clamp(info.Ex_count, 0, SAMPLE_MAX);
            r.intervalMs = info.Log_Rate;
        } else if (info.Ex_count != r.count || info.Log_Rate != r.intervalMs) {
            return {};
        }
        r.channels.append({&info, SampleData[slot], eventsOf(slot, r.count)});
    }
    return r;
}

ExportRecording recordingOfSlot(int slot)
{
    return recordingOfSlots({slot});
}

QString recordingProblem(const ExportRecording &r)
{
    if (r.channels.isEmpty() || r.count <= 0)
        return QStringLiteral("There is no recording to export.");
    if (r.intervalMs <= 0)
        return QStringLiteral("The recording has no sampling interval.");
    return {};
}

QList<SampleRun> unmeasuredRuns(const ExportRecording &r, int c)
{
    QList<SampleRun> runs;
    if (c < 0 || c >= r.channels.size() || r.count <= 0)
        return runs;
    const SAMPLE_TYPE *s = r.channels[c].samples;
    const TDateTime interval = msToDays(r.channels[c].info->Log_Rate);
    TDateTime expected = s[0].Time; // the reader's own count, step for step
    if (s[0].Status & STATUS_BLANK)
        addRun(runs, SampleKind::Blank, 0);
    for (int i = 1; i < r.count; ++i) {
        const bool readings = sameReadings(s[i], s[i - 1]);
        const bool repeat =
            (s[i].Status & STATUS_REPEATED) && s[i].Status == (s[i - 1].Status | STATUS_REPEATED);
        if (readings && repeat && s[i].Time == s[i - 1].Time) {
            addRun(runs, SampleKind::Repeated, i); // the expected time stays
            continue;
        }
        expected += interval;
        if (s[i].Status & STATUS_BLANK) // the sensor's own flag (an upload has no fills)
            addRun(runs, SampleKind::Blank, i);
        else if (readings && s[i].Status == s[i - 1].Status && s[i].Time == expected)
            addRun(runs, SampleKind::Filled, i);
        else if (s[i].Status & STATUS_REPEATED)
            addRun(runs, SampleKind::Repeated, i);
    }
    return runs;
}

QString runLabel(SampleKind kind)
{
    switch (kind) {
    case SampleKind::Filled:
        return QStringLiteral("BAD_filled");
    case SampleKind::Repeated:
        return QStringLiteral("BAD_repeated");
    case SampleKind::Blank:
        return QStringLiteral("BAD_blank");
    case SampleKind::Measured:
        break;
    }
    return {};
}

QString serialNumber(const DATA_INFO_TYPE &info)
{
    return deviceName(info).mid(6);
}

QList<SeriesInfo> seriesOf(const DATA_INFO_TYPE &info)
{
    if (!info.Rev2)
        return {
            {Series::TOHb, "TOHb", "mM"}, {Series::StO2, "StO2", "%"}, {Series::Batt, "Batt", "V"}};
    return {{Series::OXHb, "OXHb", "mM"},    {Series::DXHb, "DXHb", "mM"},
            {Series::TOHb, "TOHb", "mM"},    {Series::StO2, "StO2", "%"},
            {Series::AccX, "AccX", "G"},     {Series::AccY, "AccY", "G"},
            {Series::AccZ, "AccZ", "G"},     {Series::GyrX, "GyrX", "deg/s"},
            {Series::GyrY, "GyrY", "deg/s"}, {Series::GyrZ, "GyrZ", "deg/s"},
            {Series::Batt, "Batt", "V"}};
}
