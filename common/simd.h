// The one place that knows compilers and processors: 16-byte blocks compared at once, four
// floats handled as one value, a prefetch and the inlining hints. With KELDRA_SIMD off (CMake
// option), or where the compiler offers no such thing, each is plain C++ giving the same
// results, and the scanners that use the blocks skip them (BYTE_BLOCKS is false).
#pragma once

#include <cstdint>
#include <cstring>

#ifndef KELDRA_SIMD
#define KELDRA_SIMD 1
#endif

#if KELDRA_SIMD &&                                                                                 \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#define KELDRA_SSE2 1
#include <emmintrin.h>
#else
#define KELDRA_SSE2 0
#endif

#if KELDRA_SIMD && (defined(__GNUC__) || defined(__clang__))
#define KELDRA_VECTOR_EXTENSIONS 1
#define KELDRA_ALWAYS_INLINE [[gnu::always_inline]] inline
#define KELDRA_NOINLINE [[gnu::noinline]]
#else
#define KELDRA_VECTOR_EXTENSIONS 0
#define KELDRA_ALWAYS_INLINE inline
#define KELDRA_NOINLINE
#endif

namespace simd {

// True when ByteBlock compares its 16 bytes in one step: only then is scanning by blocks
// worth it.
inline constexpr bool BYTE_BLOCKS = KELDRA_SSE2;

// Sixteen bytes; bit k of a mask stands for byte k.
struct ByteBlock
{
#if KELDRA_SSE2
    __m128i v;

    static ByteBlock load(const char *p)
    {
        ByteBlock b;
        std::memcpy(&b.v, p, 16);
        return b;
    }
    // The bytes equal to c.
    unsigned equal(char c) const
    {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
    }
    // The bytes equal to c or from 0x80 on.
    unsigned equalOrHigh(char c) const
    {
        return static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)), v)));
    }
#else
    unsigned char v[16];

    static ByteBlock load(const char *p)
    {
        ByteBlock b;
        std::memcpy(b.v, p, 16);
        return b;
    }
    unsigned equal(char c) const
    {
        unsigned bits = 0;
        for (int k = 0; k < 16; ++k)
            bits |= unsigned(v[k] == static_cast<unsigned char>(c)) << k;
        return bits;
    }
    unsigned equalOrHigh(char c) const
    {
        unsigned bits = 0;
        for (int k = 0; k < 16; ++k)
            bits |= unsigned(v[k] == static_cast<unsigned char>(c) || v[k] >= 0x80) << k;
        return bits;
    }
#endif
};

// Four floats, and the masks their comparisons give (all bits set in a lane where true).
// Lane i of either is [i]; FloatLanes{a, b, c, d} makes one.
#if KELDRA_VECTOR_EXTENSIONS
using FloatLanes = float __attribute__((vector_size(4 * sizeof(float))));
using MaskLanes = int32_t __attribute__((vector_size(4 * sizeof(int32_t))));

inline FloatLanes splat(float x)
{
    return FloatLanes{x, x, x, x};
}
// a where a < b, else b (so b where a is not-a-number).
inline FloatLanes lessOr(FloatLanes a, FloatLanes b)
{
    return a < b ? a : b;
}
// a where a > b, else b.
inline FloatLanes greaterOr(FloatLanes a, FloatLanes b)
{
    return a > b ? a : b;
}
inline MaskLanes isNan(FloatLanes a)
{
    return a != a;
}
// a where the mask is set, else b.
inline FloatLanes select(MaskLanes mask, FloatLanes a, FloatLanes b)
{
    return mask ? a : b;
}
#else
struct FloatLanes
{
    float v[4];
    float &operator[](int i) { return v[i]; }
    float operator[](int i) const { return v[i]; }
};
struct MaskLanes
{
    int32_t v[4];
    MaskLanes &operator|=(const MaskLanes &o)
    {
        for (int i = 0; i < 4; ++i)
            v[i] |= o.v[i];
        return *this;
    }
};

inline FloatLanes splat(float x)
{
    return FloatLanes{{x, x, x, x}};
}
inline FloatLanes lessOr(FloatLanes a, FloatLanes b)
{
    FloatLanes r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = a.v[i] < b.v[i] ? a.v[i] : b.v[i];
    return r;
}
inline FloatLanes greaterOr(FloatLanes a, FloatLanes b)
{
    FloatLanes r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = a.v[i] > b.v[i] ? a.v[i] : b.v[i];
    return r;
}
inline MaskLanes isNan(FloatLanes a)
{
    MaskLanes r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = a.v[i] != a.v[i] ? -1 : 0;
    return r;
}
inline FloatLanes select(MaskLanes mask, FloatLanes a, FloatLanes b)
{
    FloatLanes r;
    for (int i = 0; i < 4; ++i)
        r.v[i] = mask.v[i] ? a.v[i] : b.v[i];
    return r;
}
#endif
static_assert(sizeof(FloatLanes) == 4 * sizeof(float));

// Asks for the memory at p to be read soon; nothing where the compiler offers no such hint.
inline void prefetch([[maybe_unused]] const void *p)
{
#if KELDRA_VECTOR_EXTENSIONS
    __builtin_prefetch(p);
#endif
}

} // namespace simd
