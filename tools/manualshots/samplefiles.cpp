// Made-up recordings entered into the store as the file reader enters them.
#include "samplefiles.h"

#include "store.h"

#include <cmath>

namespace {

struct Values
{
    double oxy, deoxy, sto2, acc[3], gyr[3];
};

Values valuesAt(const SampleRecording &r, int i)
{
    const double t = double(i) * r.rateMs / 1000.0; // seconds
    const double total = double(r.count) * r.rateMs / 1000.0;
    Values v{};
    const double pulse = 0.004 * std::sin(2 * M_PI * 1.1 * t);
    if (r.shape == 0) {
        // Rest, then exercise from a third of the recording: oxygenation falls and recovers.
        const double start = total / 3, end = total * 2 / 3;
        double load = 0;
        if (t > start && t < end)
            load = 1 - std::exp(-(t - start) / 20.0);
        else if (t >= end)
            load = std::exp(-(t - end) / 30.0) * (1 - std::exp(-(end - start) / 20.0));
        v.oxy = 0.34 - 0.16 * load + pulse;
        v.deoxy = 0.12 + 0.10 * load + 0.3 * pulse;
        const double walk = (t > start && t < end) ? 1.0 : 0.05;
        v.acc[0] = walk * 1.6 * std::sin(2 * M_PI * 1.8 * t);
        v.acc[1] = -0.98 + walk * 0.9 * std::sin(2 * M_PI * 3.6 * t + 0.5);
        v.acc[2] = walk * 0.7 * std::cos(2 * M_PI * 1.8 * t);
        v.gyr[0] = walk * 40 * std::sin(2 * M_PI * 1.8 * t + 1);
        v.gyr[1] = walk * 25 * std::cos(2 * M_PI * 0.9 * t);
        v.gyr[2] = walk * 10 * std::sin(2 * M_PI * 3.6 * t);
    } else {
        v.oxy = 0.28 + 0.03 * std::sin(2 * M_PI * t / total) + pulse;
        v.deoxy = 0.16 - 0.015 * std::sin(2 * M_PI * t / total) + 0.3 * pulse;
        v.acc[1] = -1.0;
        v.acc[0] = 0.02 * std::sin(t);
    }
    v.sto2 = v.oxy / (v.oxy + v.deoxy);
    return v;
}

} // namespace

bool enterSampleRecording(const SampleRecording &r, const QString &fileName)
{
    if (!SetFreeNo())
        return false;
    const int slot = FreeNo;
    DATA_INFO_TYPE &info = NewInfo[0];
    ClearInfo(info);
    ClearEventList(slot);
    info.DeviceType = DEVICE_VM731;
    setDeviceName(info, QStringLiteral("Vm731-") + r.serial);
    info.NumCH = 1;
    info.Log_Rate = r.rateMs;
    info.Log_FatThick = r.fatThick;
    info.Log_Range[0] = 4;
    info.Log_Range[1] = 500;
    info.Rev2 = true;
    info.Log_start = encodeDateTime({2026, 3, 4, r.startHour, r.startMinute, r.startSecond, 0});
    info.Log_end = info.Log_start + msToDays(double(r.count) * r.rateMs);
    for (int i = 0; i < r.count; ++i) {
        const Values v = valuesAt(r, i);
        SAMPLE_TYPE &s = SampleData[slot][i];
        s = SAMPLE_TYPE{};
        // Whole seconds, as the TIME column of a file gives them.
        s.Time = msToDays(double(int64_t(i) * r.rateMs / 1000 * 1000));
        s.Seq = i;
        s.Batt = float(3.9 - 0.2 * i / r.count);
        s.Status = r.errors.contains(i) ? STATUS_FILE_ERROR : 0;
        s.Nirs[0] = float(v.oxy);
        s.Nirs[1] = float(v.deoxy);
        s.Nirs[2] = float(v.oxy + v.deoxy);
        s.Nirs[3] = float(v.sto2);
        for (int a = 0; a < 3; ++a) {
            s.Acc[a] = float(v.acc[a]);
            s.Gyr[a] = float(v.gyr[a]);
        }
        if (r.events.contains(i))
            AddEvent(slot, i);
    }
    info.Ex_count = r.count;
    OpenDialogFileName = fileName;
    EntryNewData(SOURCE_OPEN_DIALOG);
    return true;
}
