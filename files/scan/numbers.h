// Number cells of measurement files: the general reading of a cell's text, and the quick one
// for the short cells that sample lines are made of.
#pragma once

#include "simd.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

// A number cell as the format reads it: blanks before the number, an optional sign, then
// decimal digits (with a point and an exponent for floats); nothing may follow. False for any
// other text, including an empty cell, "inf", "nan" and values out of the type's range.
// Digits and a point are read without a library call where the value is sure to be exact.
template <typename T> bool parseNumber(std::string_view text, T &value);
// The same rule with std::from_chars for the number itself: what parseNumber and
// parseShortNumber must give, bit for bit.
template <typename T> bool parseNumberReference(std::string_view text, T &value);

inline constexpr int SHORT_CELL_MAX = 8; // bytes of a cell that fits one 64-bit word

namespace number_detail {

inline constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
inline constexpr uint64_t FLOAT_EXACT = uint64_t(1) << 24; // integers a float holds exactly

// m / 10^k (k up to 10), m and 10^k exact: correctly rounded for a double. For a float with m
// below 2^24 it is a quotient of two floats, and rounding it to a double first and then to a
// float gives the correctly rounded float all the same (53 >= 2 * 24 + 2 bits).
template <typename T> T decimalValue(uint64_t m, std::ptrdiff_t decimals)
{
    return static_cast<T>(double(m) / kPow10[decimals]);
}

// m / 10^k for m below 2^24 and k up to 7, as decimalValue<float> gives it, by a product
// instead of a quotient. The double product is within 2^-52 of m / 10^k (relative), and
// m / 10^k is never that close to a point halfway between two floats: such a point is j * 2^q
// with j odd of 25 bits, so m / 10^k is either at least 1 / (10^7 * 2^25) > 2^-49 away
// (relative) or on it, which would need m = j * 5^k * 2^(q+k) >= 2^24. So both round to the
// same float.
// The factors carry the number's sign: a product or quotient by -p is exactly the one by p
// negated (rounding is symmetric), -0 for 0 included, so the sign costs no further step.
inline constexpr double kInvPow10[2][8] = {{1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7},
                                           {-1e0, -1e-1, -1e-2, -1e-3, -1e-4, -1e-5, -1e-6, -1e-7}};
inline constexpr double kSignedPow10[2][8] = {{1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7},
                                              {-1e0, -1e1, -1e2, -1e3, -1e4, -1e5, -1e6, -1e7}};
inline float floatValue(uint32_t m, int decimals, bool negative = false)
{
    return static_cast<float>(double(m) * kInvPow10[negative][decimals]);
}

inline constexpr uint64_t ONES = 0x0101010101010101ULL;
inline constexpr uint64_t HIGHS = ONES * 0x80;
inline constexpr uint64_t LOWS = ONES * 0x7F;

// 0x80 in every byte of w that equals c, 0 in the others (exact).
constexpr uint64_t equalBytes(uint64_t w, unsigned char c)
{
    const uint64_t x = w ^ (ONES * c);
    return ~(((x & LOWS) + LOWS) | x | LOWS);
}

// 0x80 in every byte of x that holds 0 to 9, 0 in the others (exact: no carry crosses a byte).
constexpr uint64_t belowTen(uint64_t x)
{
    return ~(((x & LOWS) + ONES * (0x80 - 10)) | x) & HIGHS;
}

// Eight digit values, one a byte, the most significant lowest, as a number (pairs, then
// quadruples, then the whole, in three multiplications).
constexpr uint32_t eightDigits(uint64_t v)
{
    constexpr uint64_t MASK = 0x000000FF000000FFULL;
    constexpr uint64_t MUL1 = 100 + (1000000ULL << 32);
    constexpr uint64_t MUL2 = 1 + (10000ULL << 32);
    v = v * 10 + (v >> 8);
    return static_cast<uint32_t>((((v & MASK) * MUL1) + (((v >> 16) & MASK) * MUL2)) >> 32);
}

struct ShortDecimal
{
    uint32_t digits; // the digits as one number, the point left out
    int decimals;    // digits after the point
    bool point;      // the cell has a point
    bool negative;
};

// One bit per byte whose top bit is set: byte i gives bit i (the products never overlap).
constexpr unsigned byteBits(uint64_t highs)
{
    return static_cast<unsigned>(((highs >> 7) * 0x0102040810204080ULL) >> 56);
}

// What a cell of a given length with digits in given bytes must hold elsewhere, and how its
// digits come together, worked out once for every length and every choice of digit bytes. The
// cell stands in the top bytes of its word (its last byte in the top one).
struct ShortShape
{
    uint64_t expect; // blanks before the first digit, "." at the point
    uint64_t mask;   // 0xFF in the cell's bytes that are not digits
    uint64_t keep;   // 0xFF in the digits' bytes
    uint64_t blank;  // (cell ^ expect) & mask when the cell is of this shape: 0 ...
    uint64_t minus;  // ... or so with "-" before the digits ...
    uint64_t plus;   // ... or "+"; ~0 when the cell starts with a digit (mask 0 and all three
                     // ~0 for a cell of no valid shape)
    uint64_t after;  // bytes after the point (all when there is none), which stay ...
    uint64_t before; // ... and the others, which move up one byte over the point
    uint8_t decimals;
    bool point;
};
inline constexpr int SHORT_SHAPES = SHORT_CELL_MAX << 8; // (length - 1) << 8 | digit bytes
extern const std::array<ShortShape, SHORT_SHAPES> kShortShapes;

// The top bits of the top len bytes: where a cell of len bytes stands in its word.
inline constexpr uint64_t kCellHighs[SHORT_CELL_MAX + 1] = {0,           HIGHS << 56, HIGHS << 48,
                                                            HIGHS << 40, HIGHS << 32, HIGHS << 24,
                                                            HIGHS << 16, HIGHS << 8,  HIGHS};

// Blanks, an optional sign, at least one digit, then optionally a point and more digits: the
// shape every writer gives. False for any other (".5" included). No branch depends on the
// values, only on the shape, which stays the same from line to line.
inline bool splitShort(uint64_t w, int len, ShortDecimal &d)
{
    const uint64_t x = w ^ (ONES * '0'); // a digit becomes its value
    const uint64_t digits = belowTen(x) & kCellHighs[len];
    const ShortShape &s = kShortShapes[unsigned(len - 1) << 8 | byteBits(digits)];
    const uint64_t diff = (w ^ s.expect) & s.mask;
    if (diff != s.blank && diff != s.minus && diff != s.plus)
        return false;
    uint64_t values = x & s.keep;
    values = (values & s.after) | ((values << 8) & s.before); // the point taken out
    d.digits = eightDigits(values);                           // the last digit is on top
    d.decimals = s.decimals;
    d.point = s.point;
    d.negative = diff == s.minus;
    return true;
}

} // namespace number_detail

// The quick reading of a cell of 1 to 8 bytes held in the top bytes of one word (its last
// byte in the top byte; the bytes below it are not looked at): blanks, an optional sign and up to 8
// digits with at most one point (none for integers). It gives exactly what parseNumber gives. False
// when the cell has another shape, or its value needs the general reading; the caller then uses
// parseNumber.
template <typename T> KELDRA_ALWAYS_INLINE bool parseShortNumber(uint64_t word, int len, T &value)
{
    using namespace number_detail;
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    } else {
        ShortDecimal d;
        if (len < 1 || len > SHORT_CELL_MAX || !splitShort(word, len, d))
            return false;
        if constexpr (std::is_integral_v<T>) {
            if (d.point)
                return false;
            const T v = static_cast<T>(d.digits);
            value = d.negative ? -v : v;
        } else {
            if (std::is_same_v<T, float> && d.digits >= FLOAT_EXACT)
                return false;
            // The sign goes in without a branch: signs come in no order a processor can guess.
            if constexpr (std::is_same_v<T, float>)
                value = floatValue(d.digits, d.decimals, d.negative);
            else
                value = static_cast<T>(double(d.digits) / kSignedPow10[d.negative][d.decimals]);
        }
        return true;
    }
}
