// Derived series of the store: centred moving averages and the time-grid step.
#include "store.h"

#include <algorithm>

namespace {

void averageSlot(int s, int a)
{
    SAMPLE_TYPE *samples = SampleData[s];
    const int n = DataInfo[s].Ex_count;
    if (a == 0) {
        for (int k = 0; k < n; ++k)
            std::copy(samples[k].Nirs, samples[k].Nirs + 4, samples[k].Nirs_Ave);
        return;
    }
    // One pass for the four series together (memory is the cost), each with its own running
    // sum taken through the same steps as alone.
    double sum[4] = {0, 0, 0, 0};
    for (int k = 0; k < std::min(a, n); ++k) {
        for (int j = 0; j < 4; ++j)
            sum[j] += samples[k].Nirs[j];
    }
    for (int k = 0; k < n; ++k) {
        int hi = k + a;
        int lo = k - a;
        if (lo > 0) {
            for (int j = 0; j < 4; ++j)
                sum[j] -= samples[lo - 1].Nirs[j];
        } else {
            lo = 0;
        }
        if (hi < n) {
            for (int j = 0; j < 4; ++j)
                sum[j] += samples[hi].Nirs[j];
        } else {
            hi = n - 1;
        }
        for (int j = 0; j < 4; ++j)
            samples[k].Nirs_Ave[j] = static_cast<float>(sum[j] / (hi - lo + 1));
    }
}

// The grid ladder: seconds and minutes share one table, hours have their own.
constexpr int kSecondSteps[] = {1, 5, 10, 20, 30};
constexpr int kHourSteps[] = {1, 2, 3, 4, 6, 12, 24};

template <size_t N> int firstNotBelow(const int (&table)[N], int factor, int span)
{
    for (const int step : table) {
        if (step * factor >= span)
            return step * factor;
    }
    return table[N - 1] * factor;
}

} // namespace

void CalcAverageData(int32_t ch)
{
    const int a = std::clamp(storeWindow().averagingIndex(), 0, 5);
    for (int s = 0; s < SLOT_COUNT; ++s) {
        if (DataInfo[s].Enable && (ch == -1 || ch == s))
            averageSlot(s, a);
    }
}

int32_t CalcTimeGrid(int32_t no)
{
    if (no < 0 || no >= WindowCount)
        return 0;
    const int s = WinInfo[no].DataNo;
    if (s == -1)
        return 0;
    const int64_t span =
        static_cast<int64_t>(DataInfo[s].Log_Rate) * 100 * WinInfo[no].SamplesPerPixel / 1000;
    int step;
    if (span <= 30)
        step = firstNotBelow(kSecondSteps, 1, static_cast<int>(span));
    else if (span <= 1800)
        step = firstNotBelow(kSecondSteps, 60, static_cast<int>(span));
    else if (span <= 86400)
        step = firstNotBelow(kHourSteps, 3600, static_cast<int>(span));
    else
        step = 86400;
    return step * 1000;
}
