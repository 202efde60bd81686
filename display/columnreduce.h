// Column reduction of a dense series: when several consecutive samples share one pixel
// column, only the first, the lowest, the highest and the last of them (in their original
// order) change what a line through all of them draws.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Appends to out the indices 0..count-1 of the samples to keep, ascending, for columns of
// samplesPerPixel samples each. value(i) gives sample i; not-a-number counts as the lowest
// value, as the plot draws it at the bottom edge. Works in value space: nothing is mapped.
template <class Value>
void reduceColumns(int count, int samplesPerPixel, Value value, std::vector<int> &out)
{
    if (samplesPerPixel <= 1) {
        for (int i = 0; i < count; ++i)
            out.push_back(i);
        return;
    }
    for (int lo = 0; lo < count; lo += samplesPerPixel) {
        const int hi = std::min(count, lo + samplesPerPixel) - 1;
        int lowest = lo, highest = lo;
        float vLow = value(lo);
        if (std::isnan(vLow))
            vLow = -INFINITY;
        float vHigh = vLow;
        for (int i = lo + 1; i <= hi; ++i) {
            float v = value(i);
            if (std::isnan(v))
                v = -INFINITY;
            if (v < vLow) {
                vLow = v;
                lowest = i;
            }
            if (v > vHigh) {
                vHigh = v;
                highest = i;
            }
        }
        out.push_back(lo);
        const int a = std::min(lowest, highest), b = std::max(lowest, highest);
        if (a > lo)
            out.push_back(a);
        if (b > a && b > lo)
            out.push_back(b);
        if (hi > b)
            out.push_back(hi);
    }
}
