// Invariants of the measurement store that the fuzz targets check after every input. A
// broken one aborts with its text, which libFuzzer reports as a crash and keeps the input.
#pragma once

#include "store.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond) ((cond) ? void(0) : fuzzFailed(#cond, __FILE__, __LINE__))

[[noreturn]] inline void fuzzFailed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, file, line);
    std::abort();
}

// Samples from..to-1 of slot carry their index as Seq.
inline void checkSeq(int slot, int from, int to)
{
    for (int i = from; i < to; ++i)
        FUZZ_CHECK(SampleData[slot][i].Seq == i);
}

// The event list ends at its first -1 and holds only -1 after it; every mark before it is a
// sample index below limit, in ascending order (strictly: no mark twice).
inline void checkEventList(int slot, int32_t limit, bool strictly)
{
    const int32_t *list = EventList[slot];
    int i = 0;
    for (; i < EVENT_MAX && list[i] != -1; ++i) {
        FUZZ_CHECK(list[i] >= 0 && list[i] < limit);
        FUZZ_CHECK(i == 0 || (strictly ? list[i - 1] < list[i] : list[i - 1] <= list[i]));
    }
    for (; i < EVENT_MAX; ++i)
        FUZZ_CHECK(list[i] == -1);
}

// Every slot in use has exactly one of the open windows, every open window shows a slot in
// use, and the windows beyond WindowCount show none.
inline void checkWindows()
{
    FUZZ_CHECK(WindowCount >= 0 && WindowCount <= SLOT_COUNT);
    int inUse = 0;
    for (int s = 0; s < SLOT_COUNT; ++s)
        inUse += DataInfo[s].Enable ? 1 : 0;
    FUZZ_CHECK(inUse == WindowCount);
    for (int w = 0; w < SLOT_COUNT; ++w) {
        const int slot = WinInfo[w].DataNo;
        if (w >= WindowCount) {
            FUZZ_CHECK(slot == -1);
            continue;
        }
        FUZZ_CHECK(slot >= 0 && slot < SLOT_COUNT && DataInfo[slot].Enable);
        for (int v = 0; v < w; ++v)
            FUZZ_CHECK(WinInfo[v].DataNo != slot);
        FUZZ_CHECK(DataInfo[slot].Ex_count > 0 && DataInfo[slot].Ex_count <= SAMPLE_MAX);
    }
}

// The sensor name is a terminated string within its field.
inline bool nameTerminated(const DATA_INFO_TYPE &info)
{
    for (char c : info.Log_Device) {
        if (c == '\0')
            return true;
    }
    return false;
}
