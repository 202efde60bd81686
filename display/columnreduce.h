// Column reduction of dense series: when several consecutive samples share one pixel column,
// only the first, the lowest, the highest and the last of them (in their original order)
// change what a line through all of them draws. Works in value space: nothing is mapped.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// The lowest and highest sample of one pixel column, as indices from the first visible
// sample (the column's first and last follow from the column itself).
struct ColumnExtremes
{
    int lowest = 0;
    int highest = 0;
};

// Not-a-number counts as the lowest value, as the plot draws it at the bottom edge.
inline float reductionKey(float v)
{
    return std::isnan(v) ? -INFINITY : v;
}

// For count samples in columns of samplesPerPixel (the last column may be shorter), the
// extremes of each of N series in one pass over the samples: values(i) points to the N
// values of sample i. out[k] receives one entry per column for series k. Ties keep the
// earliest sample.
template <int N, class Values>
void reduceColumns(int count, int samplesPerPixel, Values values,
                   std::vector<ColumnExtremes> (&out)[N])
{
    const int spp = std::max(samplesPerPixel, 1);
    for (std::vector<ColumnExtremes> &o : out)
        o.clear();
    for (int lo = 0; lo < count; lo += spp) {
        const int hi = std::min(count, lo + spp);
        float low[N], high[N];
        int lowAt[N], highAt[N];
        const float *first = values(lo);
        for (int k = 0; k < N; ++k) {
            low[k] = high[k] = reductionKey(first[k]);
            lowAt[k] = highAt[k] = lo;
        }
        for (int i = lo + 1; i < hi; ++i) {
            const float *v = values(i);
            for (int k = 0; k < N; ++k) {
                const float key = reductionKey(v[k]);
                if (key < low[k]) {
                    low[k] = key;
                    lowAt[k] = i;
                }
                if (key > high[k]) {
                    high[k] = key;
                    highAt[k] = i;
                }
            }
        }
        for (int k = 0; k < N; ++k)
            out[k].push_back({lowAt[k], highAt[k]});
    }
}

// The samples of column c (from lo to hi - 1) that change the picture, ascending and without
// repeats: first, lowest, highest, last.
inline std::vector<int> keptSamples(int lo, int hi, const ColumnExtremes &e)
{
    std::vector<int> kept = {lo, std::min(e.lowest, e.highest), std::max(e.lowest, e.highest),
                             hi - 1};
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    return kept;
}
