// Column reduction of dense series: when several consecutive samples share one pixel column,
// only the first, the lowest, the highest and the last of them change what a line through all
// of them draws. Works in value space: nothing is mapped, and four series are reduced at once.
#pragma once

#include "simd.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// Four floats handled by one instruction where the compiler allows it, and the masks their
// comparisons give.
using simd::FloatLanes;
using simd::MaskLanes;

// Not-a-number counts as the lowest value, as the plot draws it at the bottom edge.
inline float reductionKey(float v)
{
    return std::isnan(v) ? -INFINITY : v;
}

// What one pixel column of G groups of four series draws: the values of its first and last
// sample, and the lowest and highest key (see reductionKey) of every lane.
template <int G> struct ColumnValues
{
    FloatLanes first[G];
    FloatLanes lowest[G];
    FloatLanes highest[G];
    FloatLanes last[G];
};

// For count samples in columns of samplesPerPixel (the last column may be shorter), the
// values of each column in one pass over the samples: load(i, lanes) puts the G groups of
// sample i into lanes[0..G-1]. out receives one entry per column.
template <int G, class Load>
void reduceColumns(int count, int samplesPerPixel, Load load, std::vector<ColumnValues<G>> &out)
{
    const int spp = std::max(samplesPerPixel, 1);
    out.clear();
    out.reserve(size_t(count / spp + 1));
    const FloatLanes up = simd::splat(INFINITY);
    const FloatLanes down = simd::splat(-INFINITY);
    for (int lo = 0; lo < count; lo += spp) {
        const int hi = std::min(count, lo + spp);
        ColumnValues<G> &r = out.emplace_back();
        FloatLanes v[G];
        load(lo, v);
        FloatLanes low[G], high[G];
        MaskLanes nan[G];
        for (int g = 0; g < G; ++g) {
            r.first[g] = v[g];
            low[g] = up;
            high[g] = down;
            nan[g] = MaskLanes{};
        }
        for (int i = lo; i < hi; ++i) {
            load(i, v);
            for (int g = 0; g < G; ++g) {
                // A comparison with not-a-number is false, so these keep the running value;
                // the column's not-a-numbers are noted apart and make its lowest -infinity.
                low[g] = simd::lessOr(v[g], low[g]);
                high[g] = simd::greaterOr(v[g], high[g]);
                nan[g] |= simd::isNan(v[g]);
            }
        }
        for (int g = 0; g < G; ++g) {
            r.lowest[g] = simd::select(nan[g], down, low[g]);
            r.highest[g] = high[g];
            r.last[g] = v[g];
        }
    }
}
